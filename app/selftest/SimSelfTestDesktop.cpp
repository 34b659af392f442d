#include "app/selftest/SimSelfTestDesktop.h"

#include "platform/backend/BackendFactory.h"

#include <unistd.h>

namespace plumeo::selftest {

namespace {
constexpr const char* canaryBundleId = "org.plumeo.selftest.canary";
}

SimSelfTestDesktop::SimSelfTestDesktop(const std::string& socketPath)
    : control_(socketPath), pid_(static_cast<int>(getpid())) {}

bool SimSelfTestDesktop::openCanary(const std::string& title, const std::string&) {
    std::lock_guard lock(lock_);
    try {
        // A canary left by an earlier run of this process id would hold old keys.
        control_.unregisterApp(pid_);
        return control_.registerApp(pid_, canaryBundleId, "Plumeo", title);
    } catch (const std::exception&) {
        return false;
    }
}

void SimSelfTestDesktop::closeCanary() {
    std::lock_guard lock(lock_);
    try {
        control_.unregisterApp(pid_);
    } catch (const std::exception&) {
    }
}

bool SimSelfTestDesktop::bringCanaryToFront() {
    std::lock_guard lock(lock_);
    try {
        return control_.activate(pid_) && control_.dump().value("frontmostPid", 0) == pid_;
    } catch (const std::exception&) {
        return false;
    }
}

std::optional<std::u16string> SimSelfTestDesktop::canaryText() {
    std::lock_guard lock(lock_);
    try {
        return control_.fieldText(pid_);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool SimSelfTestDesktop::clickInWordBody(int position) {
    std::lock_guard lock(lock_);
    try {
        return control_.clickInWordBody(position);
    } catch (const std::exception&) {
        return false;
    }
}

std::shared_ptr<SelfTestDesktop> makeSelfTestDesktop(const BackendHandle& backend) {
    if (!backend.simulatorSocket.empty())
        return std::make_shared<SimSelfTestDesktop>(backend.simulatorSocket);
    return makeXSelfTestDesktop(backend);
}

} // namespace plumeo::selftest
