#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace plumeo {
struct BackendHandle;
}

namespace plumeo::selftest {

/// What the self-test needs of the desktop beyond the platform interface: a window of the
/// program's own whose focused text field catches keys that went to the wrong application,
/// and the user's mouse.
class SelfTestDesktop {
public:
    virtual ~SelfTestDesktop() = default;

    /// Shows the canary window with its field focused and empty; false when it cannot.
    virtual bool openCanary(const std::string& title, const std::string& prompt) = 0;
    virtual void closeCanary() = 0;
    /// Brings the canary in front of Word; false when it did not come forward.
    virtual bool bringCanaryToFront() = 0;
    /// What the canary's field holds; empty when it cannot be read.
    virtual std::optional<std::u16string> canaryText() = 0;
    /// A click through the HID system at the point of Word's front document body where story
    /// position `position` is shown; false when that point is not Word's body (a dialog or a
    /// sheet covers it, no document is open).
    virtual bool clickInWordBody(int position) = 0;
    /// False where no click can be injected at all, so a case that needs one is not started.
    virtual bool injectsClicks() const { return true; }
};

/// The desktop of the backend the program runs on; empty where there is none yet (the Apple
/// backend: its canary needs the window application).
std::shared_ptr<SelfTestDesktop> makeSelfTestDesktop(const BackendHandle& backend);
/// The X display's desktop when the backend shows on one and this build has X; else empty.
std::shared_ptr<SelfTestDesktop> makeXSelfTestDesktop(const BackendHandle& backend);

} // namespace plumeo::selftest
