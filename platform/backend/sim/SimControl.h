#pragma once

#include "sim/protocol/SimProtocol.h"

#include <cstdint>
#include <optional>
#include <string>

namespace plumeo {

/// The simulator's control surface, for tests and the self-test: what a person at the machine
/// or the machine itself would do (quit Word, click, press a key, open a sheet, revoke a
/// permission) and a dump of the whole simulated state. Throws simproto::SimError when the
/// simulator cannot be reached or refuses a request.
class SimControl {
public:
    explicit SimControl(const std::string& socketPath);

    /// The simulator's whole state as JSON (see "ctl.dump").
    nlohmann::json dump();
    /// The simulator's own process id.
    int simulatorPid();

    // Word
    std::optional<int> wordPid();
    bool launchWord();
    void quitWord();
    /// Word takes at most `eventsPerSecond` key events a second (0: no limit), each no sooner
    /// than `latencyMs` after it arrived.
    void setWordTiming(double eventsPerSecond, double latencyMs);
    /// A new empty document in front; its name.
    std::string newDocument();
    /// Replaces a document's text (the final paragraph mark is added) and puts the cursor.
    void setDocumentText(const std::string& name, std::u16string_view text, int cursor);
    void setSelection(const std::string& name, int start, int end);
    void setDocumentPath(const std::string& name, const std::string& path);
    /// Saves the document (by name or path) under `path`: it is then named after the file,
    /// so documents in different folders can share a name.
    void saveDocumentAs(const std::string& document, const std::string& path);
    void setStoryType(const std::string& name, std::uint32_t code);
    /// The document's whole story as Word holds it (exact, final mark included).
    std::u16string documentText(const std::string& name);
    /// Re-create the body element every `characters` characters (0: only when emptied/filled).
    void setBodyRecreateEvery(int characters);
    void setAxTextInBackground(bool available);
    /// Multiplies every script time limit and scripted dialog wait.
    void setScriptTimeScale(double scale);
    void setAutoCorrect(const std::string& option, bool on);
    void focusToolbar(bool onToolbar);

    // Dialogs and sheets
    /// A modal dialog in Word; with `giveUpAfterSeconds` it closes itself.
    int openDialog(const std::string& title, std::optional<double> giveUpAfterSeconds);
    bool closeDialog(const std::string& button = "好");
    bool openSheet(const std::string& title = "存储");
    bool closeSheet();

    // The user
    /// A mouse click into Word's document body at a story position (HID).
    bool clickInWordBody(int position);
    /// A key pressed on the hardware keyboard (HID), delivered to the frontmost application
    /// or a hot key.
    void pressKey(std::uint16_t keyCode, std::uint64_t flags, std::u16string_view text = u"");
    bool activate(int pid);
    bool activateBundle(const std::string& bundleId);

    // The system
    void setAccessibility(bool granted);
    void setPostEvents(bool granted);
    /// 0 granted, -1743 denied, -1744 not determined.
    void setAutomation(int status);
    /// Another application holds this hot-key combination (exclusively unless told otherwise).
    void reserveHotKey(std::uint32_t keyCode, std::uint32_t carbonModifiers, bool exclusive = true);

    // Ways real macOS and Word behave that are off unless switched on (see SimConfig)
    /// A share (0...1) of Accessibility queries on Word's elements answers "cannot complete"
    /// after `latencyMs` (or the query's timeout, if shorter).
    void setAxBusy(double share, double latencyMs);
    void setDropBackgroundKeys(bool drop);
    /// The body as one element per page of `units` (0: one element).
    void setPageUnits(int units);
    void setSplitGroupFocus(bool on);
    void setNoSelectionAtStart(bool on);
    void setRefuseActivation(bool refuse);
    void setScriptsLaunchWord(bool launch);
    void setMainThreadRules(bool enforce);

    // Client applications (the self-test's canary window)
    bool registerApp(int pid, const std::string& bundleId, const std::string& name,
                     const std::string& windowTitle);
    void unregisterApp(int pid);
    std::optional<std::u16string> fieldText(int pid);

    /// Asks the simulator to end.
    void shutdown();

private:
    simproto::SimConnection connection_;
};

} // namespace plumeo
