#pragma once

#include "app/selftest/SelfTestDesktop.h"
#include "platform/backend/sim/SimControl.h"

#include <mutex>

namespace plumeo::selftest {

/// The simulated desktop: the canary is a client application registered under this process's
/// id, and the user's click and switch come through the simulator's control channel.
class SimSelfTestDesktop final : public SelfTestDesktop {
public:
    explicit SimSelfTestDesktop(const std::string& socketPath);

    bool openCanary(const std::string& title, const std::string& prompt) override;
    void closeCanary() override;
    bool bringCanaryToFront() override;
    std::optional<std::u16string> canaryText() override;
    bool clickInWordBody(int position) override;

private:
    // One connection, reached from the harness's thread and from the engine's worker (hooks).
    std::mutex lock_;
    SimControl control_;
    int pid_ = 0;
};

} // namespace plumeo::selftest
