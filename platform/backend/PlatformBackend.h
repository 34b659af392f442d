#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace plumeo {

// The operating-system primitives the platform layer is built on, as one interface with one
// implementation per system: the Apple backend translates each call into the named macOS call,
// the simulator backend sends it to the simulator process. Backends hold no rules of their
// own; every decision (defaults, texts, error mapping, retries) lives in the classes above.
//
// Every method may be called from any thread, concurrently. Where Apple requires the main
// thread (Text Input Sources, Carbon hot keys, the first keyboard-event creation) the backend
// hops there itself, see runOnMainThread; callers need not. The Apple backend runs every call
// inside an autorelease pool of its own, so the engine's and the script runners' threads,
// which have no run loop, never leak Objective-C objects. Text that the word processor holds
// travels as UTF-16 (std::u16string), like NSString; names and messages meant for display are
// UTF-8 (std::string).

// ---------------------------------------------------------------------------------------------
// Accessibility values

/// An Accessibility element (AXUIElementRef). The backend decides what `id` means and may keep
/// the native object alive through `native`. Two references obtained by separate queries may
/// name the same element with different ids on the Apple backend, so compare elements with
/// PlatformBackend::axIsSameElement (CFEqual), never by id.
struct AXElementRef {
    std::uint64_t id = 0;
    std::shared_ptr<const void> native;
};

/// A text range in UTF-16 code units (CFRange, carried in an AXValueRef of type
/// kAXValueCFRangeType).
struct AXTextRange {
    std::int64_t location = 0;
    std::int64_t length = 0;

    bool operator==(const AXTextRange&) const = default;
};

/// A value of a type none of the platform classes reads (a point, a URL, ...). Kept so that
/// diagnostics can say what came back; `typeName` is CFCopyTypeIDDescription's text.
struct AXOtherValue {
    std::string typeName;

    bool operator==(const AXOtherValue&) const = default;
};

/// The value of one attribute. CFBoolean arrives as bool, any other CFNumber as double.
using AXValue = std::variant<AXElementRef, std::vector<AXElementRef>, std::u16string, double, bool,
                             AXTextRange, AXOtherValue>;

/// AXError (AXError.h). Any other code arrives as its number.
enum class AXError : std::int32_t {
    success = 0,
    failure = -25200,
    illegalArgument = -25201,
    invalidUIElement = -25202, ///< the element is gone (its window closed, its process quit)
    cannotComplete = -25204,   ///< messaging failed or timed out: the application is busy
    attributeUnsupported = -25205,
    notImplemented = -25208,
    apiDisabled = -25211, ///< the process is not trusted for Accessibility
    noValue = -25212,     ///< the attribute exists but has no value now
    parameterizedAttributeUnsupported = -25213,
};

/// What one attribute read gave: the value, or the AXError that came instead of it.
struct AXResult {
    std::optional<AXValue> value; ///< Present exactly when `error` is success.
    AXError error = AXError::noValue;

    static AXResult of(AXValue value) { return {std::move(value), AXError::success}; }
    static AXResult failed(AXError error) { return {std::nullopt, error}; }

    bool ok() const { return value.has_value(); }
    /// The application did not answer in time; asking again later may succeed.
    bool busy() const { return error == AXError::cannotComplete; }
    /// The element no longer exists.
    bool gone() const { return error == AXError::invalidUIElement; }
};

// Typed views of an AXValue; each is empty when the value holds another type.
std::optional<AXElementRef> axElement(const std::optional<AXValue>& value);
std::optional<std::vector<AXElementRef>> axElementList(const std::optional<AXValue>& value);
std::optional<std::u16string> axString(const std::optional<AXValue>& value);
/// A number, or a Boolean as 0/1 (CFBoolean is a number to NSNumber).
std::optional<double> axNumber(const std::optional<AXValue>& value);
/// A Boolean, or a number's boolValue (non-zero is true).
std::optional<bool> axBool(const std::optional<AXValue>& value);
std::optional<AXTextRange> axRange(const std::optional<AXValue>& value);
inline std::optional<AXElementRef> axElement(const AXResult& result) {
    return axElement(result.value);
}
inline std::optional<std::vector<AXElementRef>> axElementList(const AXResult& result) {
    return axElementList(result.value);
}
inline std::optional<std::u16string> axString(const AXResult& result) {
    return axString(result.value);
}
inline std::optional<double> axNumber(const AXResult& result) {
    return axNumber(result.value);
}
inline std::optional<bool> axBool(const AXResult& result) {
    return axBool(result.value);
}
inline std::optional<AXTextRange> axRange(const AXResult& result) {
    return axRange(result.value);
}

// ---------------------------------------------------------------------------------------------
// Quartz events

/// Where a keyboard event goes.
struct KeyEventDestination {
    enum class Kind {
        process, ///< CGEventPostToPid(pid, event)
        hidTap,  ///< CGEventPost(kCGHIDEventTap, event)
    };
    Kind kind = Kind::process;
    std::int32_t pid = 0; ///< Only for Kind::process.

    static KeyEventDestination process(std::int32_t pid) { return {Kind::process, pid}; }
    static KeyEventDestination hidTap() { return {Kind::hidTap, 0}; }

    bool operator==(const KeyEventDestination&) const = default;
};

/// Everything one keyboard event carries.
struct KeyEventSpec {
    std::uint16_t virtualKey = 0;
    bool keyDown = true;
    std::uint64_t flags = 0;   ///< CGEventFlags, e.g. 0x20000 for Shift.
    std::u16string unicode;    ///< CGEventKeyboardSetUnicodeString; empty sets no string.
    std::int64_t userData = 0; ///< kCGEventSourceUserData (field 42).

    bool operator==(const KeyEventSpec&) const = default;
};

/// A created, not yet posted keyboard event (a CGEventRef on Apple).
class KeyboardEvent {
public:
    virtual ~KeyboardEvent() = default;
    /// What the event was created with.
    virtual const KeyEventSpec& spec() const = 0;
};

/// CGEventSourceStateID values for the idle-time query.
enum class EventSourceState : std::int32_t {
    privateState = -1,
    combinedSessionState = 0,
    hidSystemState = 1,
};

// ---------------------------------------------------------------------------------------------
// Script execution

/// A parameter of a handler call: a string (NSAppleEventDescriptor descriptorWithString:) or
/// a signed 32-bit integer (descriptorWithInt32:).
using ScriptParameter = std::variant<std::u16string, std::int32_t>;

/// A result descriptor (NSAppleEventDescriptor), read by its descriptor type. The accessors are
/// strict: a value of another type reads as empty, never as a coercion.
struct ScriptDescriptor {
    enum class Type {
        null,        ///< typeNull, or a handler that returned nothing
        list,        ///< typeAEList
        string,      ///< typeUnicodeText, typeUTF8Text, typeChar and the other text types
        integer,     ///< typeSInt32, typeSInt16
        boolean,     ///< typeTrue, typeFalse, typeBoolean
        enumeration, ///< typeEnumerated, typeType
        other,       ///< anything else (reals, records, object specifiers)
    };

    Type type = Type::null;
    std::vector<ScriptDescriptor> items; ///< list
    std::u16string text;                 ///< string
    std::int32_t integer = 0;            ///< integer
    bool boolean = false;                ///< boolean
    std::uint32_t enumCode = 0;          ///< enumeration, as a four-character code

    /// The native descriptorType and raw data bytes, for diagnostics only.
    std::uint32_t descriptorType = 0;
    std::string data;

    static ScriptDescriptor makeNull();
    static ScriptDescriptor makeList(std::vector<ScriptDescriptor> items);
    static ScriptDescriptor makeString(std::u16string text);
    static ScriptDescriptor makeInteger(std::int32_t value);
    static ScriptDescriptor makeBoolean(bool value);
    static ScriptDescriptor makeEnumeration(std::uint32_t code);

    /// numberOfItems: the list's length; 0 for anything that is not a list.
    int numberOfItems() const;
    /// The 1-based item `index`, or empty when the descriptor is not a list or the index lies
    /// outside 1...numberOfItems.
    std::optional<ScriptDescriptor> item(int index) const;
    std::optional<std::u16string> stringValue() const;
    std::optional<std::int32_t> int32Value() const;
    std::optional<bool> booleanValue() const;
    std::optional<std::uint32_t> enumCodeValue() const;

    bool operator==(const ScriptDescriptor&) const = default;
};

/// A compiled handler library (NSAppleScript). It must be used only on the thread that compiled
/// it; ScriptRunner keeps it on its worker thread.
class CompiledScript {
public:
    virtual ~CompiledScript() = default;
};

/// The outcome of creating and compiling a script.
struct ScriptCompilation {
    enum class Status {
        compiled,
        notCreated,  ///< initWithSource: returned nil
        notCompiled, ///< compileAndReturnError: failed
    };
    Status status = Status::notCreated;
    std::unique_ptr<CompiledScript> script; ///< Only when compiled.
    /// notCompiled: the error dictionary's NSAppleScriptErrorMessage, when there was one.
    std::optional<std::string> errorMessage;
    /// notCompiled: the error dictionary's NSAppleScriptErrorNumber when present and an integer
    /// (e.g. -2741 for a syntax error, -600 or -1728 when a term could not be resolved).
    std::optional<std::int32_t> errorNumber;
};

/// The outcome of executing one handler: a descriptor, or the error dictionary's entries.
struct ScriptResult {
    std::optional<ScriptDescriptor> descriptor; ///< Present exactly when the handler succeeded.
    /// On failure: NSAppleScriptErrorNumber when present and an integer.
    std::optional<std::int32_t> errorNumber;
    /// On failure: NSAppleScriptErrorMessage when present and a string.
    std::optional<std::string> errorMessage;

    bool succeeded() const { return descriptor.has_value(); }

    static ScriptResult success(ScriptDescriptor descriptor) {
        return {std::move(descriptor), std::nullopt, std::nullopt};
    }
    static ScriptResult failure(std::optional<std::int32_t> number,
                                std::optional<std::string> message) {
        return {std::nullopt, number, std::move(message)};
    }
};

// ---------------------------------------------------------------------------------------------
// Applications, permissions, hot keys, input sources

/// One running application (NSRunningApplication).
struct RunningApp {
    std::int32_t pid = 0;
    std::string bundleIdentifier;
    std::optional<std::string> localizedName;

    bool operator==(const RunningApp&) const = default;
};

/// Whether the system may ask the user when a permission is not decided yet.
enum class ConsentPrompt { never, ifNeeded };

/// Handle of a workspace notification observer.
using ObserverToken = std::uint64_t;

/// Handle of a process activity assertion; 0 is none.
using ActivityToken = std::uint64_t;

/// EventHotKeyID: a four-character signature and a number.
struct HotKeyID {
    std::uint32_t signature = 0;
    std::uint32_t id = 0;

    bool operator==(const HotKeyID&) const = default;
};

/// How a hot key is registered. Another process may register the same combination without
/// RegisterEventHotKey failing (both then get it) unless both register it exclusively.
enum class HotKeyOwnership {
    shared,    ///< kEventHotKeyNoOptions
    exclusive, ///< kEventHotKeyExclusive: fails when another process holds it exclusively
};

/// Handle of a registered hot key (EventHotKeyRef) or an installed handler (EventHandlerRef).
using HotKeyRef = std::uint64_t;
using HotKeyHandlerRef = std::uint64_t;

/// Called for every hot-key-pressed event with the event's direct object read as an
/// EventHotKeyID (empty when GetEventParameter fails); returns the OSStatus to report.
using HotKeyCallback = std::function<std::int32_t(std::optional<HotKeyID>)>;

/// The properties of one text input source (TISInputSourceRef), each as
/// TISGetInputSourceProperty gives it; empty when the source has no such property.
struct InputSourceInfo {
    std::optional<std::string> id;            ///< kTISPropertyInputSourceID
    std::optional<std::string> localizedName; ///< kTISPropertyLocalizedName
    std::optional<bool> isASCIICapable;       ///< kTISPropertyInputSourceIsASCIICapable
    std::optional<std::string> type;          ///< kTISPropertyInputSourceType
    /// The backend's own reference to the source, for selectInputSource.
    std::shared_ptr<const void> native;

    /// kTISTypeKeyboardLayout's value.
    static constexpr std::string_view keyboardLayoutType = "TISTypeKeyboardLayout";
};

/// The filter dictionary of TISCreateInputSourceList; only the present keys filter.
struct InputSourceFilter {
    std::optional<std::string> id;       ///< kTISPropertyInputSourceID
    std::optional<bool> isEnabled;       ///< kTISPropertyInputSourceIsEnabled
    std::optional<bool> isSelectCapable; ///< kTISPropertyInputSourceIsSelectCapable
    bool includeAllInstalled = false;    ///< the includeAllInstalled argument
};

// ---------------------------------------------------------------------------------------------

class PlatformBackend {
public:
    virtual ~PlatformBackend() = default;

    // -- Accessibility (ApplicationServices) ------------------------------------------------

    /// AXUIElementCreateApplication(pid).
    virtual AXElementRef axApplicationElement(std::int32_t pid) = 0;
    /// AXUIElementCreateSystemWide().
    virtual AXElementRef axSystemWideElement() = 0;
    /// AXUIElementCopyAttributeValue: the value or the AXError. One round trip to the
    /// element's application, bounded by the element's messaging timeout.
    virtual AXResult axAttribute(const AXElementRef& element, std::string_view attribute) = 0;
    /// AXUIElementCopyMultipleAttributeValues(element, names, 0, &values): every attribute in
    /// one round trip. One result per name, in order; an attribute that failed carries its own
    /// error (the Apple backend unpacks kAXValueAXErrorType entries); when the call as a whole
    /// fails, every entry carries that error.
    virtual std::vector<AXResult> axMultipleAttributes(const AXElementRef& element,
                                                       const std::vector<std::string>& names) = 0;
    /// AXUIElementCopyParameterizedAttributeValue, e.g. AXStringForRange with an AXTextRange
    /// parameter (packed into an AXValueRef by the Apple backend).
    virtual AXResult axParameterizedAttribute(const AXElementRef& element,
                                              std::string_view attribute,
                                              const AXValue& parameter) = 0;
    /// AXUIElementCopyAttributeNames; empty list on failure.
    virtual std::vector<std::string> axAttributeNames(const AXElementRef& element) = 0;
    /// AXUIElementCopyParameterizedAttributeNames; empty list on failure.
    virtual std::vector<std::string> axParameterizedAttributeNames(const AXElementRef& element) = 0;
    /// AXUIElementSetMessagingTimeout on this one element (never the system-wide element; see
    /// below). It bounds queries on this element only: elements that queries return do not
    /// inherit it and start with the global timeout. A local call, no round trip.
    virtual AXError axSetMessagingTimeout(const AXElementRef& element, double seconds) = 0;
    /// AXUIElementSetMessagingTimeout on the system-wide element: the process-wide timeout of
    /// every element that has none of its own, the system-wide element's queries included.
    /// 0 restores the system default (several seconds).
    virtual AXError axSetGlobalMessagingTimeout(double seconds) = 0;
    /// AXUIElementGetPid; empty on failure.
    virtual std::optional<std::int32_t> axPid(const AXElementRef& element) = 0;
    /// CFEqual on the two elements.
    virtual bool axIsSameElement(const AXElementRef& a, const AXElementRef& b) = 0;
    /// AXIsProcessTrusted().
    virtual bool axIsProcessTrusted() = 0;
    /// AXIsProcessTrustedWithOptions with kAXTrustedCheckOptionPrompt set as `prompt` says.
    virtual bool axIsProcessTrustedWithOptions(ConsentPrompt prompt) = 0;

    // -- Quartz events (CoreGraphics) -------------------------------------------------------

    /// CGEventCreateKeyboardEvent on the backend's private-state event source (created once,
    /// on the main thread, with CGEventSourceCreate(kCGEventSourceStatePrivate); no source
    /// when that failed; the first creation also runs on the main thread),
    /// then CGEventSetFlags, CGEventSetIntegerValueField(kCGEventSourceUserData) and, when
    /// `spec.unicode` is not empty, CGEventKeyboardSetUnicodeString. Null when creation fails.
    virtual std::unique_ptr<KeyboardEvent> createKeyboardEvent(const KeyEventSpec& spec) = 0;
    /// CGEventPostToPid or CGEventPost(kCGHIDEventTap). Posting reports nothing.
    virtual void postKeyboardEvent(const KeyboardEvent& event,
                                   const KeyEventDestination& destination) = 0;
    /// postKeyboardEvent for each event in turn. A backend whose posts are round trips to
    /// another process sends them as one.
    virtual void postKeyboardEvents(const std::vector<const KeyboardEvent*>& events,
                                    const KeyEventDestination& destination) {
        for (const KeyboardEvent* event : events)
            postKeyboardEvent(*event, destination);
    }
    /// CGEventSourceSecondsSinceLastEventType(state, eventType); eventType is a CGEventType
    /// number (10 key down, 1 left mouse down, 3 right mouse down, 25 other mouse down).
    virtual double secondsSinceLastEventType(EventSourceState state, std::uint32_t eventType) = 0;
    /// CGPreflightPostEventAccess().
    virtual bool preflightPostEventAccess() = 0;
    /// CGRequestPostEventAccess().
    virtual bool requestPostEventAccess() = 0;

    // -- Script execution (Foundation) ------------------------------------------------------

    /// [[NSAppleScript alloc] initWithSource:] then compileAndReturnError:.
    virtual ScriptCompilation compileScript(const std::string& source) = 0;
    /// executeAppleEvent:error: with the AppleScript call-subroutine event (ascr/psbr) aimed at
    /// the current process, keySubroutineName (snam) set to `handlerName` exactly as given and
    /// the direct parameter a list of `parameters` in order. Must run on the thread that
    /// compiled `script`.
    virtual ScriptResult executeHandler(CompiledScript& script, std::string_view handlerName,
                                        const std::vector<ScriptParameter>& parameters) = 0;

    // -- Running applications (AppKit) ------------------------------------------------------

    /// +[NSRunningApplication runningApplicationsWithBundleIdentifier:]. The running
    /// applications and the workspace notifications below are only brought up to date while
    /// the main run loop turns (runMainLoop).
    virtual std::vector<RunningApp> runningApplications(std::string_view bundleIdentifier) = 0;
    /// +[NSRunningApplication runningApplicationWithProcessIdentifier:].
    virtual std::optional<RunningApp> runningApplication(std::int32_t pid) = 0;
    /// NSWorkspace.sharedWorkspace.frontmostApplication.
    virtual std::optional<RunningApp> frontmostApplication() = 0;
    /// -[NSRunningApplication activateWithOptions:] (activate all windows). Since macOS 14
    /// activation is a request the system may refuse or carry out later, so `true` only means
    /// the request was made: confirm with the system-wide focused application. False when the
    /// application is gone or the request was rejected outright.
    virtual bool activateApplication(std::int32_t pid) = 0;
    /// -[NSWorkspace openApplicationAtURL:...] for the application with this bundle identifier.
    virtual bool openApplication(std::string_view bundleIdentifier) = 0;
    /// -[NSWorkspace openURL:].
    virtual bool openURL(std::string_view url) = 0;
    /// kill(pid, 0) == 0: whether the process still exists.
    virtual bool processExists(std::int32_t pid) = 0;
    /// Observes NSWorkspaceDidTerminateApplicationNotification on the workspace's notification
    /// center; `onTerminated` gets the terminated application's pid on the main thread.
    virtual ObserverToken
    observeApplicationTerminated(std::function<void(std::int32_t pid)> onTerminated) = 0;
    /// Observes NSWorkspaceDidActivateApplicationNotification likewise.
    virtual ObserverToken
    observeApplicationActivated(std::function<void(std::int32_t pid)> onActivated) = 0;
    /// removeObserver:. No callback starts after this returns; callbacks should still capture
    /// weakly, since one may be running when it is called.
    virtual void removeObserver(ObserverToken token) = 0;

    // -- Automation permission (CoreServices) -----------------------------------------------

    /// AEDeterminePermissionToAutomateTarget for [NSAppleEventDescriptor
    /// descriptorWithBundleIdentifier:], event class and ID both typeWildCard ('****').
    /// Returns the OSStatus, or empty when the target descriptor could not be created.
    virtual std::optional<std::int32_t>
    determinePermissionToAutomate(std::string_view bundleIdentifier, ConsentPrompt prompt) = 0;

    // -- Hot keys (Carbon) ------------------------------------------------------------------

    // Install, remove, register and unregister run on the main thread (the backend hops).

    /// InstallEventHandler on GetApplicationEventTarget() for {kEventClassKeyboard,
    /// kEventHotKeyPressed}; the callback runs on the main thread while its run loop turns.
    /// Empty when installation fails.
    virtual std::optional<HotKeyHandlerRef> installHotKeyHandler(HotKeyCallback callback) = 0;
    /// RemoveEventHandler.
    virtual void removeHotKeyHandler(HotKeyHandlerRef handler) = 0;
    /// RegisterEventHotKey(keyCode, modifiers, id, GetApplicationEventTarget(), options, &ref)
    /// with the options `ownership` names. Empty when registration fails: this process holds
    /// the combination already, or (exclusive) another process holds it exclusively.
    virtual std::optional<HotKeyRef> registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                                    HotKeyID id, HotKeyOwnership ownership) = 0;
    /// UnregisterEventHotKey.
    virtual void unregisterHotKey(HotKeyRef ref) = 0;

    // -- Text input sources (Carbon) --------------------------------------------------------
    // Every call runs on the main thread (the backend hops).

    /// TISCopyCurrentKeyboardInputSource with its properties; empty when there is none.
    virtual std::optional<InputSourceInfo> currentKeyboardInputSource() = 0;
    /// TISCreateInputSourceList(filter, includeAllInstalled), in the list's order; empty when
    /// the list is absent or malformed.
    virtual std::optional<std::vector<InputSourceInfo>>
    inputSourceList(const InputSourceFilter& filter) = 0;
    /// TISSelectInputSource on a source from inputSourceList; the OSStatus (0 is success).
    virtual std::int32_t selectInputSource(const InputSourceInfo& source) = 0;

    // -- Process and threads (Foundation, libdispatch, POSIX) -------------------------------

    /// NSProcessInfo.processInfo.systemUptime: monotonic seconds.
    virtual double systemUptime() = 0;
    /// usleep(microseconds).
    virtual void sleepMicroseconds(std::uint32_t microseconds) = 0;
    /// Whether the calling thread is the main thread (the one that runs runMainLoop).
    virtual bool isMainThread() = 0;
    /// Runs `work` on the main thread and waits for it: directly when the caller is the main
    /// thread, else through the main queue. Gives up without running `work` and returns false
    /// when the main thread has not taken it within `waitSeconds` (it is not turning its run
    /// loop, or it is waiting for the caller), so a hop never deadlocks.
    virtual bool runOnMainThread(const std::function<void()>& work, double waitSeconds = 2.0) = 0;
    /// Turns the main run loop on the calling thread, which must be the main thread, until
    /// stopMainLoop: what a headless mode does with its main thread while a worker thread does
    /// the work. Hops, hot-key callbacks and workspace notifications are served meanwhile.
    virtual void runMainLoop() = 0;
    /// Makes runMainLoop return soon; callable from any thread, also before runMainLoop.
    virtual void stopMainLoop() = 0;
    /// Makes the calling thread the main thread before runMainLoop turns, so that a worker
    /// started in between hops to it and waits instead of standing in for it. Where the
    /// system itself knows its main thread (macOS), there is nothing to claim.
    virtual void claimMainThread() {}
    /// NSProcessInfo.processInfo.operatingSystemVersionString, for reports.
    virtual std::string operatingSystemVersion() = 0;

    // -- Process activity (Foundation) ------------------------------------------------------

    /// -[NSProcessInfo beginActivityWithOptions:reason:] with user-initiated and
    /// latency-critical options, so the system neither naps nor throttles the program while it
    /// types. The token is 0 where the system has no such assertion (the default).
    virtual ActivityToken beginActivity(std::string_view reason) {
        (void)reason;
        return 0;
    }
    /// -[NSProcessInfo endActivity:]; nothing for token 0.
    virtual void endActivity(ActivityToken token) { (void)token; }
};

/// The build's default backend (PLUMEO_BACKEND) with its default settings; defined by the
/// backend factory (platform/backend/BackendFactory.h), which also picks one at run time.
std::unique_ptr<PlatformBackend> makePlatformBackend();

} // namespace plumeo
