#include "platform/backend/apple/AppleBackend.h"
#include "platform/backend/apple/CFConversions.h"

#import <Carbon/Carbon.h>
#import <Foundation/Foundation.h>

namespace plumeo {

namespace {

class AppleCompiledScript final : public CompiledScript {
public:
    explicit AppleCompiledScript(NSAppleScript* script) : script(script) {}
    NSAppleScript* const script;
};

NSString* stringOf(std::string_view utf8) {
    return (__bridge_transfer NSString*)apple::makeCFString(utf8).release();
}

NSString* stringOf(std::u16string_view utf16) {
    return (__bridge_transfer NSString*)apple::makeCFString(utf16).release();
}

std::optional<std::string> errorMessage(NSDictionary<NSString*, id>* error) {
    id message = [error objectForKey:NSAppleScriptErrorMessage];
    if (![message isKindOfClass:[NSString class]]) {
        return std::nullopt;
    }
    return apple::utf8Of((__bridge CFStringRef)message);
}

std::optional<std::int32_t> errorNumber(NSDictionary<NSString*, id>* error) {
    id number = [error objectForKey:NSAppleScriptErrorNumber];
    if (![number isKindOfClass:[NSNumber class]]) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>([(NSNumber*)number intValue]);
}

NSAppleEventDescriptor* descriptorOf(const ScriptParameter& parameter) {
    if (const auto* text = std::get_if<std::u16string>(&parameter)) {
        return [NSAppleEventDescriptor descriptorWithString:stringOf(*text)];
    }
    return [NSAppleEventDescriptor descriptorWithInt32:std::get<std::int32_t>(parameter)];
}

ScriptDescriptor valueOf(NSAppleEventDescriptor* descriptor) {
    ScriptDescriptor value;
    const DescType type = descriptor.descriptorType;
    switch (type) {
    case typeNull:
        break;
    case typeAEList: {
        std::vector<ScriptDescriptor> items;
        const NSInteger count = descriptor.numberOfItems;
        for (NSInteger index = 1; index <= count; ++index) {
            NSAppleEventDescriptor* item = [descriptor descriptorAtIndex:index];
            items.push_back(item ? valueOf(item) : ScriptDescriptor::makeNull());
        }
        value = ScriptDescriptor::makeList(std::move(items));
        break;
    }
    case typeUnicodeText:
    case typeUTF8Text:
    case typeUTF16ExternalRepresentation:
    case typeChar: {
        NSString* text = descriptor.stringValue;
        value = text ? ScriptDescriptor::makeString(apple::utf16Of((__bridge CFStringRef)text))
                     : ScriptDescriptor::makeNull();
        break;
    }
    case typeSInt32:
    case typeSInt16:
        value = ScriptDescriptor::makeInteger(descriptor.int32Value);
        break;
    case typeTrue:
    case typeFalse:
    case typeBoolean:
        value = ScriptDescriptor::makeBoolean(descriptor.booleanValue != 0);
        break;
    case typeEnumerated:
        value = ScriptDescriptor::makeEnumeration(descriptor.enumCodeValue);
        break;
    case typeType:
        value = ScriptDescriptor::makeEnumeration(descriptor.typeCodeValue);
        break;
    default:
        value.type = ScriptDescriptor::Type::other;
        break;
    }
    value.descriptorType = type;
    NSData* data = descriptor.data;
    if (data.length > 0) {
        value.data.assign(static_cast<const char*>(data.bytes), data.length);
    }
    return value;
}

} // namespace

ScriptCompilation AppleBackend::compileScript(const std::string& source) {
    @autoreleasepool {
        ScriptCompilation compilation;
        NSString* text = stringOf(source);
        NSAppleScript* script = text ? [[NSAppleScript alloc] initWithSource:text] : nil;
        if (!script) {
            compilation.status = ScriptCompilation::Status::notCreated;
            return compilation;
        }
        NSDictionary<NSString*, id>* error = nil;
        if (![script compileAndReturnError:&error]) {
            compilation.status = ScriptCompilation::Status::notCompiled;
            compilation.errorMessage = errorMessage(error);
            compilation.errorNumber = errorNumber(error);
            return compilation;
        }
        compilation.status = ScriptCompilation::Status::compiled;
        compilation.script = std::make_unique<AppleCompiledScript>(script);
        return compilation;
    }
}

ScriptResult AppleBackend::executeHandler(CompiledScript& script, std::string_view handlerName,
                                          const std::vector<ScriptParameter>& parameters) {
    @autoreleasepool {
        auto* compiled = dynamic_cast<AppleCompiledScript*>(&script);
        NSString* name = stringOf(handlerName);
        if (!compiled || !name) {
            return ScriptResult::failure(std::nullopt, std::nullopt);
        }
        NSAppleEventDescriptor* arguments = [NSAppleEventDescriptor listDescriptor];
        NSInteger position = 1;
        for (const auto& parameter : parameters) {
            [arguments insertDescriptor:descriptorOf(parameter) atIndex:position++];
        }
        NSAppleEventDescriptor* event = [NSAppleEventDescriptor
            appleEventWithEventClass:kASAppleScriptSuite
                             eventID:kASSubroutineEvent
                    targetDescriptor:[NSAppleEventDescriptor currentProcessDescriptor]
                            returnID:kAutoGenerateReturnID
                       transactionID:kAnyTransactionID];
        [event setParamDescriptor:[NSAppleEventDescriptor descriptorWithString:name]
                       forKeyword:keyASSubroutineName];
        [event setParamDescriptor:arguments forKeyword:keyDirectObject];

        NSDictionary<NSString*, id>* error = nil;
        NSAppleEventDescriptor* result = [compiled->script executeAppleEvent:event error:&error];
        if (error || !result) {
            return ScriptResult::failure(errorNumber(error), errorMessage(error));
        }
        return ScriptResult::success(valueOf(result));
    }
}

std::optional<std::int32_t>
AppleBackend::determinePermissionToAutomate(std::string_view bundleIdentifier,
                                            ConsentPrompt prompt) {
    @autoreleasepool {
        NSString* identifier = stringOf(bundleIdentifier);
        NSAppleEventDescriptor* target =
            identifier ? [NSAppleEventDescriptor descriptorWithBundleIdentifier:identifier] : nil;
        if (!target || !target.aeDesc) {
            return std::nullopt;
        }
        return AEDeterminePermissionToAutomateTarget(target.aeDesc, typeWildCard, typeWildCard,
                                                     prompt == ConsentPrompt::ifNeeded);
    }
}

} // namespace plumeo
