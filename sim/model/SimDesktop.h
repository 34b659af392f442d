#pragma once

#include "sim/model/AccessibilityTree.h"
#include "sim/model/SimTypes.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace plumeo::sim {

/// A test client's window with one focused text field that records its keys.
struct ClientApp {
    AppInfo info;
    std::string title;
    ElementId window = 0, field = 0;
    std::u16string text;
    int keys = 0;
};

struct HotKey {
    std::uint64_t ref = 0;
    std::uint32_t keyCode = 0;
    std::uint32_t modifiers = 0;
    std::uint32_t signature = 0;
    std::uint32_t id = 0;
    bool reserved = false;  ///< held by another application
    bool exclusive = false; ///< registered with kEventHotKeyExclusive
};

/// The desktop around Word: which applications run and which is in front, the workspace
/// notifications, permissions, input sources and hot keys.
class SimDesktop {
public:
    SimDesktop(const SimConfig& config, ProcessHost& processes, ElementTable& elements);

    // -- Applications ----------------------------------------------------------------------
    /// Starts Word's process unless it runs; Word's documents are the caller's business.
    bool launchWord();
    /// Forgets Word's process after it ended and brings the desktop forward if Word was.
    void wordExited(int pid);
    std::optional<int> wordPid() const { return wordPid_; }
    int frontmostPid() const { return frontmostPid_; }
    void setFrontmost(int pid);
    bool wordFrontmost() const;
    std::vector<AppInfo> runningApps(std::string_view bundleId) const;
    std::optional<AppInfo> app(int pid) const;
    std::optional<AppInfo> frontmost() const;
    bool activate(int pid);
    /// An application asks for `pid` to come to the front (NSRunningApplication activate): it
    /// may be refused, and the answer is yes either way.
    bool requestActivation(int pid);
    bool openApp(std::string_view bundleId);
    bool registerClientApp(const AppInfo& app, const std::string& windowTitle);
    void unregisterClientApp(int pid);
    std::optional<std::u16string> clientFieldText(int pid) const;
    std::vector<int> clientPids() const;
    ClientApp* client(int pid);
    const std::vector<std::unique_ptr<ClientApp>>& clients() const { return clients_; }

    // -- Notifications ---------------------------------------------------------------------
    void emit(std::string kind, int pid, std::string bundleId, std::uint32_t signature = 0,
              std::uint32_t hotKeyId = 0);
    std::vector<SimEvent> eventsAfter(std::uint64_t seq) const;
    std::uint64_t lastEventSeq() const { return nextSeq_ - 1; }

    // -- Permissions, input sources, hot keys ----------------------------------------------
    PermissionState& permissions() { return permissions_; }
    const PermissionState& permissions() const { return permissions_; }
    const std::vector<InputSource>& inputSources() const { return inputSources_; }
    const InputSource* currentInputSource() const;
    const std::string& currentSourceId() const { return currentSource_; }
    bool selectInputSource(std::string_view id);
    /// Fails when our side holds the combination already, or when both we and another
    /// application ask for it exclusively; a shared registration of a combination another
    /// application holds exclusively succeeds and never hears a press.
    std::optional<std::uint64_t> registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                                std::uint32_t signature, std::uint32_t id,
                                                bool exclusive);
    void unregisterHotKey(std::uint64_t ref);
    void reserveHotKey(std::uint32_t keyCode, std::uint32_t modifiers, bool exclusive);

    /// A call macOS allows only on the main thread; false (and counted) when it is refused.
    bool allowMainThreadCall(bool onMainThread);
    int mainThreadViolations() const { return mainThreadViolations_; }
    /// Whether a key press is a registered combination; ours are then reported.
    bool matchesHotKey(const KeyEvent& event);

private:
    const SimConfig& config_;
    ProcessHost& processes_;
    ElementTable& elements_;
    PermissionState permissions_;
    std::optional<int> wordPid_;
    int frontmostPid_ = 0;
    std::vector<std::unique_ptr<ClientApp>> clients_;
    std::vector<InputSource> inputSources_;
    std::string currentSource_;
    std::vector<HotKey> hotKeys_;
    std::uint64_t nextHotKeyRef_ = 1;
    int mainThreadViolations_ = 0;
    std::vector<SimEvent> events_;
    std::uint64_t nextSeq_ = 1;
};

} // namespace plumeo::sim
