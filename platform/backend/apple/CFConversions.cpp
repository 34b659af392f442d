#include "platform/backend/apple/CFConversions.h"

namespace plumeo::apple {

std::shared_ptr<const void> shareOwned(CFTypeRef owned) {
    if (!owned) {
        return nullptr;
    }
    return std::shared_ptr<const void>(owned, CFReleaser{});
}

std::shared_ptr<const void> shareUnowned(CFTypeRef unowned) {
    if (!unowned) {
        return nullptr;
    }
    return shareOwned(CFRetain(unowned));
}

CFOwned<CFStringRef> makeCFString(std::string_view utf8) {
    return CFOwned<CFStringRef>(
        CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(utf8.data()),
                                static_cast<CFIndex>(utf8.size()), kCFStringEncodingUTF8, false));
}

CFOwned<CFStringRef> makeCFString(std::u16string_view utf16) {
    return CFOwned<CFStringRef>(CFStringCreateWithCharacters(
        kCFAllocatorDefault, reinterpret_cast<const UniChar*>(utf16.data()),
        static_cast<CFIndex>(utf16.size())));
}

std::u16string utf16Of(CFStringRef string) {
    const CFIndex length = CFStringGetLength(string);
    std::u16string text(static_cast<std::size_t>(length), u'\0');
    CFStringGetCharacters(string, CFRange{0, length}, reinterpret_cast<UniChar*>(text.data()));
    return text;
}

std::string utf8Of(CFStringRef string) {
    const CFRange whole{0, CFStringGetLength(string)};
    // The first call measures, the second converts; UTF-8 loses nothing, so both agree.
    CFIndex byteCount = 0;
    CFStringGetBytes(string, whole, kCFStringEncodingUTF8, 0, false, nullptr, 0, &byteCount);
    std::string text(static_cast<std::size_t>(byteCount), '\0');
    CFStringGetBytes(string, whole, kCFStringEncodingUTF8, 0, false,
                     reinterpret_cast<UInt8*>(text.data()), byteCount, &byteCount);
    text.resize(static_cast<std::size_t>(byteCount));
    return text;
}

std::optional<std::string> utf8IfString(CFTypeRef value) {
    if (!value || CFGetTypeID(value) != CFStringGetTypeID()) {
        return std::nullopt;
    }
    return utf8Of(static_cast<CFStringRef>(value));
}

std::optional<bool> boolIfBoolean(CFTypeRef value) {
    if (!value || CFGetTypeID(value) != CFBooleanGetTypeID()) {
        return std::nullopt;
    }
    return CFBooleanGetValue(static_cast<CFBooleanRef>(value)) != 0;
}

} // namespace plumeo::apple
