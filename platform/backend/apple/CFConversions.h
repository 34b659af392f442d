#pragma once

#include <CoreFoundation/CoreFoundation.h>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

namespace plumeo::apple {

struct CFReleaser {
    void operator()(CFTypeRef ref) const {
        if (ref) {
            CFRelease(ref);
        }
    }
};

/// One owned Core Foundation reference (the result of a Create or Copy call).
template <typename Ref> using CFOwned = std::unique_ptr<std::remove_pointer_t<Ref>, CFReleaser>;

/// Shares an owned reference; the last holder releases it.
std::shared_ptr<const void> shareOwned(CFTypeRef owned);
/// Shares a reference the caller does not own (a Get result), retaining it first.
std::shared_ptr<const void> shareUnowned(CFTypeRef unowned);

/// Null when `utf8` is not valid UTF-8.
CFOwned<CFStringRef> makeCFString(std::string_view utf8);
CFOwned<CFStringRef> makeCFString(std::u16string_view utf16);

std::u16string utf16Of(CFStringRef string);
std::string utf8Of(CFStringRef string);

/// The value as text when it is a CFString.
std::optional<std::string> utf8IfString(CFTypeRef value);
/// The value as a Boolean when it is a CFBoolean.
std::optional<bool> boolIfBoolean(CFTypeRef value);

} // namespace plumeo::apple
