#pragma once

#include "sim/model/AutoCorrect.h"
#include "sim/model/WordDocument.h"

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
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

/// The simulated desktop: applications, Word and its documents, the Accessibility tree, key
/// event delivery, permissions, input sources and hot keys. Not thread-safe; the server
/// serialises calls. Every operation first lets time pass to the clock's present.
class SimWorld {
public:
    SimWorld(SimConfig config, const SimClock& clock, ProcessHost& processes);
    ~SimWorld();
    SimWorld(const SimWorld&) = delete;
    SimWorld& operator=(const SimWorld&) = delete;

    /// Lets Word take the queued key events that are due and dialogs give up.
    void advance();

    SimConfig& config() { return config_; }
    /// Changes how fast Word takes key events; events already queued are rescheduled, in order.
    void setWordTiming(double eventsPerSecond, double latencySeconds);
    AutoCorrectOptions& autoCorrect() { return autoCorrect_; }

    // -- Applications ----------------------------------------------------------------------
    bool launchWord();
    void quitWord();
    /// The Word process ended by itself (or was killed from outside).
    void processExited(int pid);
    bool wordRunning() const { return wordPid_.has_value(); }
    std::optional<int> wordPid() const { return wordPid_; }
    std::vector<AppInfo> runningApps(std::string_view bundleId) const;
    std::optional<AppInfo> app(int pid) const;
    std::optional<AppInfo> frontmost() const;
    bool activate(int pid);
    bool openApp(std::string_view bundleId);
    /// A client process shows a window with one focused text field that records its keys.
    bool registerClientApp(const AppInfo& app, const std::string& windowTitle);
    void unregisterClientApp(int pid);
    std::optional<std::u16string> clientFieldText(int pid) const;
    std::vector<int> clientPids() const;

    // -- Word documents --------------------------------------------------------------------
    std::vector<std::string> documentNames() const;
    WordDocument* document(std::string_view name);
    WordDocument* activeDocument();
    /// Makes a new empty document in front and returns its name.
    std::optional<std::string> newDocument();
    bool closeDocument(std::string_view name);
    bool activateDocument(std::string_view name);
    /// After a content change: re-creates the body element when Word would.
    void refreshBody(std::string_view name);
    void setFocusOnToolbar(bool onToolbar);

    // -- Dialogs and sheets ----------------------------------------------------------------
    /// A modal Word dialog; with a give-up time it closes itself and reports "gave up".
    int openDialog(const std::string& title, std::optional<double> giveUpAfterSeconds);
    bool closeDialog(const std::string& button);
    bool modalDialogOpen() const;
    std::optional<std::string> dialogOutcome(int dialogId) const;
    bool openSheet(const std::string& title);
    bool closeSheet();

    // -- Key events and user input ---------------------------------------------------------
    enum class Route { process, hidTap };
    /// Returns false when the event was dropped (no permission, no such process).
    bool postKey(const KeyEvent& event, Route route, int pid);
    /// The user presses a key (HID, untagged): counts as user activity.
    void pressKeyAsUser(const KeyEvent& event);
    /// The user clicks into Word's document body at a story position.
    bool clickInWordBody(int position);
    double secondsSinceLastEvent(std::uint32_t eventType) const;
    std::size_t pendingWordEvents() const { return wordQueue_.size(); }

    // -- Accessibility ---------------------------------------------------------------------
    ElementId systemWideElement() const { return systemWideId; }
    ElementId applicationElement(int pid) const;
    std::optional<AXAnswer> attribute(ElementId element, std::string_view name);
    std::optional<AXAnswer> parameterizedAttribute(ElementId element, std::string_view name,
                                                   const AXRange& range);
    std::vector<std::string> attributeNames(ElementId element);
    std::vector<std::string> parameterizedAttributeNames(ElementId element);
    std::optional<int> elementPid(ElementId element) const;

    // -- Scripts ---------------------------------------------------------------------------
    ScriptOutcome runHandler(std::string_view handler, const std::vector<std::u16string>& strings,
                             const std::vector<std::int64_t>& ints);
    /// AEDeterminePermissionToAutomateTarget's status for Word.
    int automationStatus() const;

    // -- Permissions, input sources, hot keys ----------------------------------------------
    PermissionState& permissions() { return permissions_; }
    const std::vector<InputSource>& inputSources() const { return inputSources_; }
    const InputSource* currentInputSource() const;
    bool selectInputSource(std::string_view id);
    std::optional<std::uint64_t> registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                                std::uint32_t signature, std::uint32_t id);
    void unregisterHotKey(std::uint64_t ref);
    /// Another application holds this combination.
    void reserveHotKey(std::uint32_t keyCode, std::uint32_t modifiers);

    // -- Notifications ---------------------------------------------------------------------
    std::vector<SimEvent> eventsAfter(std::uint64_t seq) const;
    std::uint64_t lastEventSeq() const { return nextSeq_ - 1; }

    /// Everything, for tests and the self-test's reports.
    nlohmann::json dump() const;

    static constexpr ElementId systemWideId = 1;

private:
    struct Element;
    struct DocEntry;
    struct Dialog;
    struct ClientApp;
    struct HotKey;
    struct QueuedKey {
        KeyEvent event;
        double arrived = 0;
        double due = 0;
    };
    /// When Word looks at an event that arrives at `arrived`, after the ones queued before.
    double dueTime(double arrived, double previousDue) const;

    ElementId newElement(Element element);
    const Element* element(ElementId id) const;
    DocEntry* entry(std::string_view name);
    DocEntry* frontEntry();
    Dialog* frontDialog();
    const Dialog* frontDialog() const;
    bool wordFrontmost() const;
    std::optional<ElementId> wordFocusedWindow();
    std::optional<ElementId> wordFocusedElement();
    std::optional<ElementId> appFocusedElement(int pid);
    std::optional<ElementId> appFocusedWindow(int pid);
    void dropDocument(DocEntry& doc);
    void closeDialogAt(std::size_t index, const std::string& outcome);
    void emit(std::string kind, int pid, std::string bundleId, std::uint32_t signature = 0,
              std::uint32_t hotKeyId = 0);
    void setFrontmost(int pid);
    void deliverToFrontmost(const KeyEvent& event);
    void deliverToClient(ClientApp& client, const KeyEvent& event);
    void enqueueForWord(const KeyEvent& event);
    void applyWordKey(const KeyEvent& event);
    void noteHid(std::uint32_t eventType);
    bool matchesHotKey(const KeyEvent& event);
    std::optional<ScriptValue> wordHandler(std::string_view handler,
                                           const std::vector<std::u16string>& strings,
                                           const std::vector<std::int64_t>& ints,
                                           ScriptOutcome& failure);
    std::u16string scriptText(std::u16string_view text) const;

    SimConfig config_;
    const SimClock& clock_;
    ProcessHost& processes_;
    AutoCorrectOptions autoCorrect_;
    PermissionState permissions_;
    std::optional<int> wordPid_;
    int frontmostPid_ = 0;
    int documentsCreated_ = 0;
    std::vector<std::unique_ptr<DocEntry>> documents_; ///< front first
    std::vector<std::unique_ptr<Dialog>> dialogs_;     ///< open ones, the last in front
    std::map<int, std::string> dialogOutcomes_;
    int nextDialogId_ = 1;
    std::vector<std::unique_ptr<ClientApp>> clients_;
    std::map<ElementId, Element> elements_;
    ElementId nextElement_ = 1000;
    std::deque<QueuedKey> wordQueue_;
    double lastWordDue_ = 0;
    std::map<std::uint32_t, double> lastHidEvent_;
    double startTime_ = 0;
    std::vector<InputSource> inputSources_;
    std::string currentSource_;
    std::vector<HotKey> hotKeys_;
    std::uint64_t nextHotKeyRef_ = 1;
    std::vector<SimEvent> events_;
    std::uint64_t nextSeq_ = 1;
    std::uint64_t keysToWordDocument_ = 0;
    std::uint64_t keysToDialogs_ = 0;
};

} // namespace plumeo::sim
