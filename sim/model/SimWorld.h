#pragma once

#include "sim/model/AccessibilityTree.h"
#include "sim/model/AutoCorrect.h"
#include "sim/model/KeyDelivery.h"
#include "sim/model/SimDesktop.h"
#include "sim/model/SimTypes.h"
#include "sim/model/SimWord.h"
#include "sim/model/WordDocument.h"
#include "sim/model/WordScripts.h"

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace plumeo::sim {

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
    AutoCorrectOptions& autoCorrect() { return word_.autoCorrect(); }

    // -- Applications ----------------------------------------------------------------------
    bool launchWord();
    void quitWord();
    /// The Word process ended by itself (or was killed from outside).
    void processExited(int pid);
    bool wordRunning() const { return desktop_.wordPid().has_value(); }
    std::optional<int> wordPid() const { return desktop_.wordPid(); }
    std::vector<AppInfo> runningApps(std::string_view bundleId) const;
    std::optional<AppInfo> app(int pid) const;
    std::optional<AppInfo> frontmost() const;
    bool activate(int pid);
    /// Activation asked for by an application rather than done by the user: may be refused.
    bool requestActivation(int pid) { return desktop_.requestActivation(pid); }
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
    using Route = KeyRoute;
    /// Returns false when the event was dropped (no permission, no such process).
    bool postKey(const KeyEvent& event, Route route, int pid);
    /// The user presses a key (HID, untagged): counts as user activity.
    void pressKeyAsUser(const KeyEvent& event);
    /// The user clicks into Word's document body at a story position.
    bool clickInWordBody(int position);
    double secondsSinceLastEvent(std::uint32_t eventType) const;
    std::size_t pendingWordEvents() const { return delivery_.pendingWordEvents(); }

    // -- Accessibility ---------------------------------------------------------------------
    ElementId systemWideElement() const { return systemWideId; }
    ElementId applicationElement(int pid) const;
    std::optional<AXAnswer> attribute(ElementId element, std::string_view name);
    std::optional<AXAnswer> parameterizedAttribute(ElementId element, std::string_view name,
                                                   const AXRange& range);
    std::vector<std::string> attributeNames(ElementId element);
    std::vector<std::string> parameterizedAttributeNames(ElementId element);
    std::optional<int> elementPid(ElementId element) const;
    /// As attribute, with the AXError a real system gives when there is no value.
    AXReply axReply(ElementId element, std::string_view name, double timeoutSeconds);
    std::vector<AXReply> axMultipleReply(ElementId element, const std::vector<std::string>& names,
                                         double timeoutSeconds);
    AXReply axParameterizedReply(ElementId element, std::string_view name, const AXRange& range,
                                 double timeoutSeconds);

    // -- Scripts ---------------------------------------------------------------------------
    ScriptOutcome runHandler(std::string_view handler, const std::vector<std::u16string>& strings,
                             const std::vector<std::int64_t>& ints, bool checksWordRunning = false);
    /// AEDeterminePermissionToAutomateTarget's status for Word.
    int automationStatus() const;

    // -- Permissions, input sources, hot keys ----------------------------------------------
    PermissionState& permissions() { return desktop_.permissions(); }
    const std::vector<InputSource>& inputSources() const { return desktop_.inputSources(); }
    const InputSource* currentInputSource() const;
    bool selectInputSource(std::string_view id);
    std::optional<std::uint64_t> registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                                std::uint32_t signature, std::uint32_t id,
                                                bool exclusive = true);
    void unregisterHotKey(std::uint64_t ref);
    /// Another application holds this combination.
    void reserveHotKey(std::uint32_t keyCode, std::uint32_t modifiers, bool exclusive = true);
    /// A call macOS allows only on the main thread; false (and counted) when it is refused.
    bool allowMainThreadCall(bool onMainThread) {
        return desktop_.allowMainThreadCall(onMainThread);
    }

    // -- Notifications ---------------------------------------------------------------------
    std::vector<SimEvent> eventsAfter(std::uint64_t seq) const;
    std::uint64_t lastEventSeq() const { return desktop_.lastEventSeq(); }

    /// Everything, for tests and the self-test's reports.
    nlohmann::json dump() const;

    static constexpr ElementId systemWideId = AccessibilityTree::systemWideId;

private:
    SimConfig config_;
    ProcessHost& processes_;
    ElementTable elements_;
    SimDesktop desktop_;
    SimWord word_;
    KeyDelivery delivery_;
    AccessibilityTree tree_;
    WordScripts scripts_;
};

} // namespace plumeo::sim
