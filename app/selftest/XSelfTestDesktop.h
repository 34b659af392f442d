#pragma once

#include "app/selftest/SelfTestDesktop.h"

#include <memory>
#include <mutex>

namespace plumeo {
class XDesktop;
}

namespace plumeo::selftest {

class XCanaryWindow;

/// The desktop of the Writer backend: an X display with a window manager. The canary is a
/// window of this process, so the window manager names another program than the office when
/// it is in front, and keys meant for the office that reach it are caught in its field.
class XSelfTestDesktop final : public SelfTestDesktop {
public:
    /// Throws std::runtime_error when the display cannot be opened.
    explicit XSelfTestDesktop(const std::string& display);
    ~XSelfTestDesktop() override;

    bool openCanary(const std::string& title, const std::string& prompt) override;
    void closeCanary() override;
    bool bringCanaryToFront() override;
    std::optional<std::u16string> canaryText() override;
    /// No click is injected here yet: where a story position is shown on the screen is not
    /// known on this side.
    bool clickInWordBody(int position) override;
    bool injectsClicks() const override { return false; }

private:
    // Reached from the harness's thread and from the engine's worker (hooks).
    std::mutex lock_;
    std::string display_;
    // Apart from the canary's: its thread owns that connection.
    std::unique_ptr<XDesktop> desktop_;
    std::unique_ptr<XCanaryWindow> canary_;
};

} // namespace plumeo::selftest
