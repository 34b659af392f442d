#pragma once

#include "app/selftest/SelfTestOutput.h"
#include "app/selftest/WordFixtureDriver.h"
#include "core/text/PreparedText.h"
#include "platform/ax/AXInspector.h"
#include "platform/backend/PlatformBackend.h"
#include "platform/input/CGKeySink.h"
#include "platform/script/WordBridge.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace plumeo::selftest {

class SelfTestDesktop;

struct ProbeOptions {
    std::shared_ptr<PlatformBackend> backend;
    std::filesystem::path directory;
    /// The probe's own foreground window; absent where the platform offers none.
    std::shared_ptr<SelfTestDesktop> desktop;
    bool noEmoji = false; ///< --no-emoji: the background probe skips its emoji section.
    bool breaks = false;  ///< --breaks: the emoji probe mixes breaks and tabs into its text.
};

/// What every probe holds: its report, its hands on Word and the tools to look and type. A
/// probe builds one, works in one test document of its own and closes it without saving.
class ProbeKit {
public:
    ProbeKit(const ProbeOptions& options, const std::string& reportFile);

    void line(const std::string& text) { out_.line(text); }
    /// "- **label**：value"
    void bullet(const std::string& label, const std::string& value);
    /// A second-level heading between blank lines.
    void section(const std::string& title);
    /// The document state as doc=, sel=, main=, track=, protected=, or the read error.
    std::string stateText();
    void stateLine(const std::string& label) { bullet(label, stateText()); }

    /// Word's pid, or 0 when it does not run.
    std::int32_t wordPID() const { return wordPID_; }
    /// Creates the test document; the error text when it could not.
    std::optional<std::string> createDocument();
    const std::string& documentName() const { return documentName_; }
    void closeDocument();
    void activateDocument();

    /// Posts each stroke (hold 0.5 ms) with `pauseMs` after it; false, with a report line, on
    /// the first refused stroke.
    bool type(const std::vector<KeyStroke>& strokes, double pauseMs = 20,
              CGKeySink::Route::Kind route = CGKeySink::Route::Kind::pid);
    bool typeText(const std::u16string& text, double pauseMs = 20) {
        return type(strokesOf(text), pauseMs);
    }
    static std::vector<KeyStroke> strokesOf(const std::u16string& text);
    /// Waits until Word's selection stops moving for a moment (at most `seconds`).
    void settle(double seconds = 3);
    void pause(double seconds);

    PlatformBackend& backend() { return *backend_; }
    const std::shared_ptr<PlatformBackend>& backendHandle() const { return backend_; }
    WordBridge& bridge() { return *bridge_; }
    WordFixtureDriver& fixture() { return fixture_; }
    AXInspector& inspector() { return *inspector_; }
    const ProbeOptions& options() const { return options_; }

    /// role=, subrole=, desc= of an element.
    std::string describeElement(const AXElementRef& element);

private:
    ProbeOptions options_;
    std::shared_ptr<PlatformBackend> backend_;
    SelfTestOutput out_;
    WordFixtureDriver fixture_;
    std::shared_ptr<WordBridge> bridge_;
    std::int32_t wordPID_ = 0;
    std::unique_ptr<AXInspector> inspector_;
    std::string documentName_;
};

std::string yesNo(bool value);
/// UTF-8 of a UTF-16 text, with breaks and tabs made visible (⏎ ↵ ⇥).
std::string visible(const std::u16string& text);
std::string formatted(const char* format, double first, double second = 0, double third = 0);
std::string isoTimestampNow();
/// What was thrown, as its user-facing text.
std::string failureText();

} // namespace plumeo::selftest
