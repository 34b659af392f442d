#include "platform/backend/apple/AppleBackend.h"
#include "platform/backend/apple/AutoreleasePool.h"
#include "platform/backend/apple/CFConversions.h"

#include <ApplicationServices/ApplicationServices.h>
#include <algorithm>
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

// Apple's AXError is ::AXError here; the interface's is plumeo::AXError, carrying the same codes.
AXError errorOf(::AXError error) {
    return static_cast<AXError>(static_cast<std::int32_t>(error));
}

/// The outcome of one Copy call that may hand over `value`.
AXResult resultOf(::AXError error, CFTypeRef value) {
    const CFOwned<CFTypeRef> owned(value);
    if (error != kAXErrorSuccess) {
        return AXResult::failed(errorOf(error));
    }
    if (!value) {
        return AXResult::failed(AXError::noValue);
    }
    return AXResult::of(valueOf(value));
}

/// One entry of AXUIElementCopyMultipleAttributeValues' array: a value, CFNull for an
/// attribute without one, or an AXValueRef wrapping the attribute's own AXError.
AXResult entryOf(CFTypeRef value) {
    if (!value || CFGetTypeID(value) == CFNullGetTypeID()) {
        return AXResult::failed(AXError::noValue);
    }
    if (CFGetTypeID(value) == AXValueGetTypeID() &&
        AXValueGetType(static_cast<AXValueRef>(value)) == kAXValueTypeAXError) {
        ::AXError error = kAXErrorFailure;
        AXValueGetValue(static_cast<AXValueRef>(value), kAXValueTypeAXError, &error);
        return AXResult::failed(errorOf(error));
    }
    return AXResult::of(valueOf(value));
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
    return apple::inAutoreleasePool(
        [&] { return ownedElement(AXUIElementCreateApplication(pid)); });
}

AXElementRef AppleBackend::axSystemWideElement() {
    return apple::inAutoreleasePool([] { return ownedElement(AXUIElementCreateSystemWide()); });
}

AXResult AppleBackend::axAttribute(const AXElementRef& element, std::string_view attribute) {
    return apple::inAutoreleasePool([&] {
        const auto name = apple::makeCFString(attribute);
        if (!element.native || !name) {
            return AXResult::failed(AXError::illegalArgument);
        }
        CFTypeRef value = nullptr;
        const ::AXError error =
            AXUIElementCopyAttributeValue(nativeElement(element), name.get(), &value);
        return resultOf(error, value);
    });
}

std::vector<AXResult> AppleBackend::axMultipleAttributes(const AXElementRef& element,
                                                         const std::vector<std::string>& names) {
    return apple::inAutoreleasePool([&] {
        std::vector<CFOwned<CFStringRef>> ownedNames;
        std::vector<const void*> nameRefs;
        for (const auto& name : names) {
            ownedNames.push_back(apple::makeCFString(name));
            nameRefs.push_back(ownedNames.back().get());
        }
        const CFOwned<CFArrayRef> attributes(CFArrayCreate(kCFAllocatorDefault, nameRefs.data(),
                                                           static_cast<CFIndex>(nameRefs.size()),
                                                           &kCFTypeArrayCallBacks));
        const bool namesValid = std::all_of(ownedNames.begin(), ownedNames.end(),
                                            [](const auto& name) { return name != nullptr; });
        if (!element.native || !attributes || !namesValid) {
            return std::vector<AXResult>(names.size(), AXResult::failed(AXError::illegalArgument));
        }
        CFArrayRef values = nullptr;
        const ::AXError error = AXUIElementCopyMultipleAttributeValues(
            nativeElement(element), attributes.get(), 0, &values);
        const CFOwned<CFArrayRef> owned(values);
        if (error != kAXErrorSuccess) {
            return std::vector<AXResult>(names.size(), AXResult::failed(errorOf(error)));
        }
        // One entry per name is the call's promise; a shorter array leaves the rest unanswered.
        std::vector<AXResult> results(names.size(), AXResult::failed(AXError::failure));
        const CFIndex count = values ? CFArrayGetCount(values) : 0;
        for (CFIndex index = 0; index < count && static_cast<std::size_t>(index) < names.size();
             ++index) {
            results[static_cast<std::size_t>(index)] =
                entryOf(CFArrayGetValueAtIndex(values, index));
        }
        return results;
    });
}

AXResult AppleBackend::axParameterizedAttribute(const AXElementRef& element,
                                                std::string_view attribute,
                                                const AXValue& parameter) {
    return apple::inAutoreleasePool([&] {
        const auto name = apple::makeCFString(attribute);
        const auto nativeParameter = parameterOf(parameter);
        if (!element.native || !name || !nativeParameter) {
            return AXResult::failed(AXError::illegalArgument);
        }
        CFTypeRef value = nullptr;
        const ::AXError error = AXUIElementCopyParameterizedAttributeValue(
            nativeElement(element), name.get(), nativeParameter.get(), &value);
        return resultOf(error, value);
    });
}

std::vector<std::string> AppleBackend::axAttributeNames(const AXElementRef& element) {
    return apple::inAutoreleasePool([&]() -> std::vector<std::string> {
        CFArrayRef names = nullptr;
        if (!element.native ||
            AXUIElementCopyAttributeNames(nativeElement(element), &names) != kAXErrorSuccess ||
            !names) {
            return {};
        }
        const CFOwned<CFArrayRef> owned(names);
        return namesOf(names);
    });
}

std::vector<std::string> AppleBackend::axParameterizedAttributeNames(const AXElementRef& element) {
    return apple::inAutoreleasePool([&]() -> std::vector<std::string> {
        CFArrayRef names = nullptr;
        if (!element.native ||
            AXUIElementCopyParameterizedAttributeNames(nativeElement(element), &names) !=
                kAXErrorSuccess ||
            !names) {
            return {};
        }
        const CFOwned<CFArrayRef> owned(names);
        return namesOf(names);
    });
}

AXError AppleBackend::axSetMessagingTimeout(const AXElementRef& element, double seconds) {
    if (!element.native) {
        return AXError::illegalArgument;
    }
    return apple::inAutoreleasePool([&] {
        return errorOf(
            AXUIElementSetMessagingTimeout(nativeElement(element), static_cast<float>(seconds)));
    });
}

AXError AppleBackend::axSetGlobalMessagingTimeout(double seconds) {
    return apple::inAutoreleasePool([&] {
        const CFOwned<AXUIElementRef> systemWide(AXUIElementCreateSystemWide());
        return errorOf(
            AXUIElementSetMessagingTimeout(systemWide.get(), static_cast<float>(seconds)));
    });
}

std::optional<std::int32_t> AppleBackend::axPid(const AXElementRef& element) {
    return apple::inAutoreleasePool([&]() -> std::optional<std::int32_t> {
        pid_t pid = 0;
        if (!element.native || AXUIElementGetPid(nativeElement(element), &pid) != kAXErrorSuccess) {
            return std::nullopt;
        }
        return pid;
    });
}

bool AppleBackend::axIsSameElement(const AXElementRef& a, const AXElementRef& b) {
    if (!a.native || !b.native) {
        return false;
    }
    return CFEqual(a.native.get(), b.native.get()) != 0;
}

bool AppleBackend::axIsProcessTrusted() {
    return apple::inAutoreleasePool([] { return AXIsProcessTrusted() != 0; });
}

bool AppleBackend::axIsProcessTrustedWithOptions(ConsentPrompt prompt) {
    return apple::inAutoreleasePool([&] {
        const void* keys[] = {kAXTrustedCheckOptionPrompt};
        const void* values[] = {prompt == ConsentPrompt::ifNeeded ? kCFBooleanTrue
                                                                  : kCFBooleanFalse};
        const CFOwned<CFDictionaryRef> options(
            CFDictionaryCreate(kCFAllocatorDefault, keys, values, 1, &kCFTypeDictionaryKeyCallBacks,
                               &kCFTypeDictionaryValueCallBacks));
        return AXIsProcessTrustedWithOptions(options.get()) != 0;
    });
}

} // namespace plumeo
