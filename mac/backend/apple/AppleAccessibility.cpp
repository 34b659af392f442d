#include "mac/backend/apple/AppleBackend.h"
#include "mac/backend/apple/CFConversions.h"

#include <ApplicationServices/ApplicationServices.h>
#include <cstdint>

namespace plumeo {

using apple::CFOwned;

namespace {

AXUIElementRef nativeElement(const AXElementRef& element) {
    return static_cast<AXUIElementRef>(element.native.get());
}

/// Takes over an owned AXUIElementRef. The id is the reference's address, which names the
/// object only while it lives; equality is CFEqual's business.
AXElementRef ownedElement(AXUIElementRef element) {
    return AXElementRef{reinterpret_cast<std::uintptr_t>(element), apple::shareOwned(element)};
}

AXElementRef unownedElement(CFTypeRef element) {
    return AXElementRef{reinterpret_cast<std::uintptr_t>(element), apple::shareUnowned(element)};
}

std::string typeNameOf(CFTypeRef value) {
    const CFOwned<CFStringRef> name(CFCopyTypeIDDescription(CFGetTypeID(value)));
    return name ? apple::utf8Of(name.get()) : std::string();
}

AXValue valueOf(CFTypeRef value) {
    const CFTypeID type = CFGetTypeID(value);
    if (type == AXUIElementGetTypeID()) {
        return unownedElement(value);
    }
    if (type == CFStringGetTypeID()) {
        return apple::utf16Of(static_cast<CFStringRef>(value));
    }
    if (type == CFBooleanGetTypeID()) {
        return AXValue(std::in_place_type<bool>,
                       CFBooleanGetValue(static_cast<CFBooleanRef>(value)) != 0);
    }
    if (type == CFNumberGetTypeID()) {
        double number = 0;
        CFNumberGetValue(static_cast<CFNumberRef>(value), kCFNumberDoubleType, &number);
        return AXValue(std::in_place_type<double>, number);
    }
    if (type == AXValueGetTypeID()) {
        const auto wrapped = static_cast<AXValueRef>(value);
        CFRange range{0, 0};
        if (AXValueGetType(wrapped) == kAXValueTypeCFRange &&
            AXValueGetValue(wrapped, kAXValueTypeCFRange, &range)) {
            return AXTextRange{range.location, range.length};
        }
        return AXOtherValue{typeNameOf(value)};
    }
    if (type == CFArrayGetTypeID()) {
        const auto array = static_cast<CFArrayRef>(value);
        std::vector<AXElementRef> elements;
        const CFIndex count = CFArrayGetCount(array);
        for (CFIndex index = 0; index < count; ++index) {
            const CFTypeRef item = CFArrayGetValueAtIndex(array, index);
            if (!item || CFGetTypeID(item) != AXUIElementGetTypeID()) {
                return AXOtherValue{typeNameOf(value)};
            }
            elements.push_back(unownedElement(item));
        }
        return elements;
    }
    return AXOtherValue{typeNameOf(value)};
}

/// The parameter as a Core Foundation value; null for values no parameterised attribute takes.
CFOwned<CFTypeRef> parameterOf(const AXValue& parameter) {
    if (const auto* range = std::get_if<AXTextRange>(&parameter)) {
        const CFRange native{static_cast<CFIndex>(range->location),
                             static_cast<CFIndex>(range->length)};
        return CFOwned<CFTypeRef>(AXValueCreate(kAXValueTypeCFRange, &native));
    }
    if (const auto* text = std::get_if<std::u16string>(&parameter)) {
        return CFOwned<CFTypeRef>(apple::makeCFString(*text).release());
    }
    if (const auto* number = std::get_if<double>(&parameter)) {
        return CFOwned<CFTypeRef>(CFNumberCreate(kCFAllocatorDefault, kCFNumberDoubleType, number));
    }
    if (const auto* flag = std::get_if<bool>(&parameter)) {
        return CFOwned<CFTypeRef>(CFRetain(*flag ? kCFBooleanTrue : kCFBooleanFalse));
    }
    if (const auto* element = std::get_if<AXElementRef>(&parameter); element && element->native) {
        return CFOwned<CFTypeRef>(CFRetain(element->native.get()));
    }
    return nullptr;
}

std::vector<std::string> namesOf(CFArrayRef names) {
    std::vector<std::string> result;
    const CFIndex count = CFArrayGetCount(names);
    for (CFIndex index = 0; index < count; ++index) {
        if (auto name = apple::utf8IfString(CFArrayGetValueAtIndex(names, index))) {
            result.push_back(std::move(*name));
        }
    }
    return result;
}

} // namespace

AXElementRef AppleBackend::axApplicationElement(std::int32_t pid) {
    return ownedElement(AXUIElementCreateApplication(pid));
}

AXElementRef AppleBackend::axSystemWideElement() {
    return ownedElement(AXUIElementCreateSystemWide());
}

std::optional<AXValue> AppleBackend::axAttribute(const AXElementRef& element,
                                                 std::string_view attribute) {
    const auto name = apple::makeCFString(attribute);
    if (!element.native || !name) {
        return std::nullopt;
    }
    CFTypeRef value = nullptr;
    if (AXUIElementCopyAttributeValue(nativeElement(element), name.get(), &value) !=
        kAXErrorSuccess) {
        return std::nullopt;
    }
    const CFOwned<CFTypeRef> owned(value);
    if (!value) {
        return std::nullopt;
    }
    return valueOf(value);
}

std::optional<AXValue> AppleBackend::axParameterizedAttribute(const AXElementRef& element,
                                                              std::string_view attribute,
                                                              const AXValue& parameter) {
    const auto name = apple::makeCFString(attribute);
    const auto nativeParameter = parameterOf(parameter);
    if (!element.native || !name || !nativeParameter) {
        return std::nullopt;
    }
    CFTypeRef value = nullptr;
    if (AXUIElementCopyParameterizedAttributeValue(
            nativeElement(element), name.get(), nativeParameter.get(), &value) != kAXErrorSuccess) {
        return std::nullopt;
    }
    const CFOwned<CFTypeRef> owned(value);
    if (!value) {
        return std::nullopt;
    }
    return valueOf(value);
}

std::vector<std::string> AppleBackend::axAttributeNames(const AXElementRef& element) {
    CFArrayRef names = nullptr;
    if (!element.native ||
        AXUIElementCopyAttributeNames(nativeElement(element), &names) != kAXErrorSuccess ||
        !names) {
        return {};
    }
    const CFOwned<CFArrayRef> owned(names);
    return namesOf(names);
}

std::vector<std::string> AppleBackend::axParameterizedAttributeNames(const AXElementRef& element) {
    CFArrayRef names = nullptr;
    if (!element.native ||
        AXUIElementCopyParameterizedAttributeNames(nativeElement(element), &names) !=
            kAXErrorSuccess ||
        !names) {
        return {};
    }
    const CFOwned<CFArrayRef> owned(names);
    return namesOf(names);
}

void AppleBackend::axSetMessagingTimeout(const AXElementRef& element, double seconds) {
    if (!element.native) {
        return;
    }
    AXUIElementSetMessagingTimeout(nativeElement(element), static_cast<float>(seconds));
}

std::optional<std::int32_t> AppleBackend::axPid(const AXElementRef& element) {
    pid_t pid = 0;
    if (!element.native || AXUIElementGetPid(nativeElement(element), &pid) != kAXErrorSuccess) {
        return std::nullopt;
    }
    return pid;
}

bool AppleBackend::axIsSameElement(const AXElementRef& a, const AXElementRef& b) {
    if (!a.native || !b.native) {
        return false;
    }
    return CFEqual(a.native.get(), b.native.get()) != 0;
}

bool AppleBackend::axIsProcessTrusted() {
    return AXIsProcessTrusted() != 0;
}

bool AppleBackend::axIsProcessTrustedWithOptions(ConsentPrompt prompt) {
    const void* keys[] = {kAXTrustedCheckOptionPrompt};
    const void* values[] = {prompt == ConsentPrompt::ifNeeded ? kCFBooleanTrue : kCFBooleanFalse};
    const CFOwned<CFDictionaryRef> options(CFDictionaryCreate(kCFAllocatorDefault, keys, values, 1,
                                                              &kCFTypeDictionaryKeyCallBacks,
                                                              &kCFTypeDictionaryValueCallBacks));
    return AXIsProcessTrustedWithOptions(options.get()) != 0;
}

} // namespace plumeo
