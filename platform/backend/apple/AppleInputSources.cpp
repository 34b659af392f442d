#include "platform/backend/apple/AppleBackend.h"
#include "platform/backend/apple/AutoreleasePool.h"
#include "platform/backend/apple/CFConversions.h"

#include <Carbon/Carbon.h>

namespace plumeo {

using apple::CFOwned;

namespace {

TISInputSourceRef nativeSource(const InputSourceInfo& source) {
    return static_cast<TISInputSourceRef>(const_cast<void*>(source.native.get()));
}

CFTypeRef property(TISInputSourceRef source, CFStringRef key) {
    return static_cast<CFTypeRef>(TISGetInputSourceProperty(source, key));
}

/// `native` keeps `source` alive for later selection.
InputSourceInfo describe(TISInputSourceRef source, std::shared_ptr<const void> native) {
    InputSourceInfo info;
    info.id = apple::utf8IfString(property(source, kTISPropertyInputSourceID));
    info.localizedName = apple::utf8IfString(property(source, kTISPropertyLocalizedName));
    info.isASCIICapable =
        apple::boolIfBoolean(property(source, kTISPropertyInputSourceIsASCIICapable));
    info.type = apple::utf8IfString(property(source, kTISPropertyInputSourceType));
    info.native = std::move(native);
    return info;
}

std::optional<std::vector<InputSourceInfo>> listSources(const InputSourceFilter& filter) {
    const void* keys[3] = {};
    const void* values[3] = {};
    CFIndex count = 0;
    CFOwned<CFStringRef> id;
    if (filter.id) {
        id = apple::makeCFString(*filter.id);
        if (!id) {
            return std::nullopt;
        }
        keys[count] = kTISPropertyInputSourceID;
        values[count++] = id.get();
    }
    if (filter.isEnabled) {
        keys[count] = kTISPropertyInputSourceIsEnabled;
        values[count++] = *filter.isEnabled ? kCFBooleanTrue : kCFBooleanFalse;
    }
    if (filter.isSelectCapable) {
        keys[count] = kTISPropertyInputSourceIsSelectCapable;
        values[count++] = *filter.isSelectCapable ? kCFBooleanTrue : kCFBooleanFalse;
    }
    // No key at all asks for every source, which a null filter says.
    const CFOwned<CFDictionaryRef> properties(
        count == 0
            ? nullptr
            : CFDictionaryCreate(kCFAllocatorDefault, keys, values, count,
                                 &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
    const CFOwned<CFArrayRef> list(
        TISCreateInputSourceList(properties.get(), filter.includeAllInstalled));
    if (!list || CFGetTypeID(list.get()) != CFArrayGetTypeID()) {
        return std::nullopt;
    }
    std::vector<InputSourceInfo> sources;
    const CFIndex size = CFArrayGetCount(list.get());
    for (CFIndex index = 0; index < size; ++index) {
        const CFTypeRef item = CFArrayGetValueAtIndex(list.get(), index);
        if (!item || CFGetTypeID(item) != TISInputSourceGetTypeID()) {
            return std::nullopt;
        }
        const auto source = static_cast<TISInputSourceRef>(const_cast<void*>(item));
        sources.push_back(describe(source, apple::shareUnowned(item)));
    }
    return sources;
}

} // namespace

// Text Input Sources belong to the main thread: every call below hops there.

std::optional<InputSourceInfo> AppleBackend::currentKeyboardInputSource() {
    std::optional<InputSourceInfo> current;
    runOnMainThread([&] {
        apple::inAutoreleasePool([&] {
            const TISInputSourceRef source = TISCopyCurrentKeyboardInputSource();
            if (source) {
                current = describe(source, apple::shareOwned(source));
            }
        });
    });
    return current;
}

std::optional<std::vector<InputSourceInfo>>
AppleBackend::inputSourceList(const InputSourceFilter& filter) {
    std::optional<std::vector<InputSourceInfo>> sources;
    runOnMainThread([&] { apple::inAutoreleasePool([&] { sources = listSources(filter); }); });
    return sources;
}

std::int32_t AppleBackend::selectInputSource(const InputSourceInfo& source) {
    if (!source.native) {
        return paramErr;
    }
    OSStatus status = paramErr;
    runOnMainThread([&] {
        apple::inAutoreleasePool([&] { status = TISSelectInputSource(nativeSource(source)); });
    });
    return status;
}

} // namespace plumeo
