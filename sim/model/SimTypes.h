#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace plumeo::sim {

inline constexpr const char* wordBundleId = "com.microsoft.Word";
inline constexpr const char* wordName = "Microsoft Word";

/// Monotonic seconds; the world never reads a clock of its own.
class SimClock {
public:
    virtual ~SimClock() = default;
    virtual double now() const = 0;
};

/// Starts and stops the process that stands for Word, so its pid is real.
class ProcessHost {
public:
    virtual ~ProcessHost() = default;
    /// The new process's id, or empty when it could not be started.
    virtual std::optional<int> startWordProcess() = 0;
    /// Ends the process and waits until it is gone.
    virtual void stopProcess(int pid) = 0;
    /// Whether the process has ended (it is then reaped).
    virtual bool hasExited(int pid) = 0;
};

struct SimConfig {
    double wordEventsPerSecond = 0; ///< 0: Word takes every queued event at once
    double wordLatencySeconds = 0;  ///< time from arrival until Word looks at an event
    int bodyRecreateEveryChars = 0; ///< also re-create the body element every N characters
    bool axTextInBackground = false;
    double scriptTimeScale = 1.0; ///< multiplies every script time limit and dialog wait
    int desktopPid = 1;           ///< the pid shown for the Finder

    // Ways real macOS and Word behave that the platform classes must cope with; all off by
    // default.
    /// This share (0...1) of Accessibility queries on Word's elements answers "cannot
    /// complete" after axBusyLatencySeconds (or the query's timeout, if shorter).
    double axBusyShare = 0;
    double axBusyLatencySeconds = 0;
    /// Key events posted to Word's process while another application is in front are lost.
    bool dropBackgroundKeys = false;
    /// The body is one text element per page of this many units, each with offsets relative to
    /// its page and AXSharedCharacterRange giving the page's range in the document; 0: one
    /// element for the whole body.
    int pageUnits = 0;
    /// Word's focused element is a split group around the body, not the body itself.
    bool splitGroupFocus = false;
    /// The body has no selected range while the cursor is at the very start of the document.
    bool noSelectionAtStart = false;
    /// Activation requests are accepted but not carried out (macOS 14 may refuse them).
    bool refuseActivation = false;
    /// A handler that does not check that Word runs starts Word, as AppleScript's tell does.
    bool scriptsLaunchWord = false;
    /// Calls that macOS allows only on the main thread are refused when made off it.
    bool mainThreadRules = false;
};

struct KeyEvent {
    std::uint16_t keyCode = 0;
    bool keyDown = true;
    std::uint64_t flags = 0;
    std::u16string text;
    std::int64_t userData = 0;

    bool operator==(const KeyEvent&) const = default;
};

inline constexpr std::uint64_t shiftFlag = 0x20000;
inline constexpr std::uint64_t controlFlag = 0x40000;
inline constexpr std::uint64_t optionFlag = 0x80000;
inline constexpr std::uint64_t commandFlag = 0x100000;

struct AppInfo {
    int pid = 0;
    std::string bundleId;
    std::string name;
};

struct PermissionState {
    bool accessibility = true;
    bool postEvents = true;
    int automation = 0; ///< 0 granted, -1743 denied, -1744 not determined
};

struct InputSource {
    std::string id;
    std::string name;
    bool asciiCapable = false;
    std::string type;
    bool enabled = true;
    bool selectCapable = true;
};

/// A workspace notification or hot-key press, numbered in order of occurrence.
struct SimEvent {
    std::uint64_t seq = 0;
    std::string kind; ///< "terminated", "activated", "launched" or "hotKey"
    int pid = 0;
    std::string bundleId;
    std::uint32_t signature = 0;
    std::uint32_t hotKeyId = 0;
};

struct AXRange {
    std::int64_t location = 0;
    std::int64_t length = 0;
    bool operator==(const AXRange&) const = default;
};
using ElementId = std::uint64_t;
struct ElementList {
    std::vector<ElementId> ids;
};
using AXAnswer = std::variant<ElementId, ElementList, std::u16string, double, bool, AXRange>;

/// AXError codes the simulator answers with.
namespace axerror {
inline constexpr int invalidUIElement = -25202;
inline constexpr int cannotComplete = -25204;
inline constexpr int attributeUnsupported = -25205;
inline constexpr int apiDisabled = -25211;
inline constexpr int noValue = -25212;
inline constexpr int parameterizedAttributeUnsupported = -25213;
} // namespace axerror

/// An Accessibility answer, or the AXError that comes instead of it.
struct AXReply {
    std::optional<AXAnswer> value;
    int error = axerror::noValue; ///< meaningful only without a value
    /// How long Word took before answering; the server waits this long outside its lock.
    double delaySeconds = 0;
};

/// A script result descriptor.
struct ScriptValue {
    enum class Type { null, list, string, integer, boolean, enumeration };
    Type type = Type::null;
    std::vector<ScriptValue> items;
    std::u16string text;
    std::int64_t number = 0; ///< integer value, Boolean as 0/1, enumeration code

    static ScriptValue list(std::vector<ScriptValue> items);
    static ScriptValue string(std::u16string text);
    static ScriptValue integer(std::int64_t value);
    static ScriptValue boolean(bool value);
    static ScriptValue enumeration(std::uint32_t code);
};

/// What running a handler gave: a value, an AppleScript error, or "Word is busy" (a modal
/// dialog), which the caller waits out up to the handler's time limit.
struct ScriptOutcome {
    std::optional<ScriptValue> value;
    int errorNumber = 0;
    std::string errorMessage;
    bool wordBusy = false;
    /// The handler put up a dialog and answers when it closes (see dialogOutcome).
    std::optional<int> waitingForDialog;

    static ScriptOutcome success(ScriptValue value);
    static ScriptOutcome failure(int number, std::string message);
};

} // namespace plumeo::sim
