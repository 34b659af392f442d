#include "sim/model/SimDesktop.h"

#include <algorithm>

namespace plumeo::sim {

namespace {

constexpr const char* desktopBundleId = "com.apple.finder";

std::uint64_t modifierFlags(std::uint32_t carbonModifiers) {
    std::uint64_t flags = 0;
    if (carbonModifiers & 0x100) {
        flags |= commandFlag;
    }
    if (carbonModifiers & 0x200) {
        flags |= shiftFlag;
    }
    if (carbonModifiers & 0x800) {
        flags |= optionFlag;
    }
    if (carbonModifiers & 0x1000) {
        flags |= controlFlag;
    }
    return flags;
}

} // namespace

SimDesktop::SimDesktop(const SimConfig& config, ProcessHost& processes, ElementTable& elements)
    : config_(config), processes_(processes), elements_(elements) {
    frontmostPid_ = config_.desktopPid;
    inputSources_ = {
        {"com.apple.keylayout.ABC", "ABC", true, "TISTypeKeyboardLayout", true, true},
        {"com.apple.inputmethod.SCIM.ITABC", "简体拼音", false, "TISTypeKeyboardInputMode", true,
         true},
        {"com.apple.CharacterPaletteIM", "表情与符号", false, "TISTypeCharacterPalette", true,
         true},
        {"com.apple.PressAndHold", "PressAndHold", false, "TISTypeInkInputSource", true, true},
        {"com.apple.keylayout.US", "U.S.", true, "TISTypeKeyboardLayout", false, true},
    };
    currentSource_ = "com.apple.inputmethod.SCIM.ITABC";
}

void SimDesktop::emit(std::string kind, int pid, std::string bundleId, std::uint32_t signature,
                      std::uint32_t hotKeyId) {
    events_.push_back({nextSeq_++, std::move(kind), pid, std::move(bundleId), signature, hotKeyId});
    constexpr std::size_t keptEvents = 4096;
    if (events_.size() > keptEvents) {
        events_.erase(events_.begin(), events_.begin() + (events_.size() - keptEvents));
    }
}

void SimDesktop::setFrontmost(int pid) {
    if (pid == frontmostPid_) {
        return;
    }
    frontmostPid_ = pid;
    const auto info = app(pid);
    emit("activated", pid, info ? info->bundleId : "");
}

bool SimDesktop::launchWord() {
    if (wordPid_) {
        return true;
    }
    const auto pid = processes_.startWordProcess();
    if (!pid) {
        return false;
    }
    wordPid_ = *pid;
    emit("launched", *pid, wordBundleId);
    return true;
}

void SimDesktop::wordExited(int pid) {
    wordPid_.reset();
    emit("terminated", pid, wordBundleId);
    if (frontmostPid_ == pid) {
        setFrontmost(config_.desktopPid);
    }
}

std::vector<AppInfo> SimDesktop::runningApps(std::string_view bundleId) const {
    std::vector<AppInfo> found;
    if (wordPid_ && bundleId == wordBundleId) {
        found.push_back({*wordPid_, wordBundleId, wordName});
    }
    if (bundleId == desktopBundleId) {
        found.push_back({config_.desktopPid, desktopBundleId, "访达"});
    }
    for (const auto& client : clients_) {
        if (client->info.bundleId == bundleId) {
            found.push_back(client->info);
        }
    }
    return found;
}

std::optional<AppInfo> SimDesktop::app(int pid) const {
    if (wordPid_ && *wordPid_ == pid) {
        return AppInfo{pid, wordBundleId, wordName};
    }
    if (pid == config_.desktopPid) {
        return AppInfo{pid, desktopBundleId, "访达"};
    }
    for (const auto& client : clients_) {
        if (client->info.pid == pid) {
            return client->info;
        }
    }
    return std::nullopt;
}

std::optional<AppInfo> SimDesktop::frontmost() const {
    return app(frontmostPid_);
}

bool SimDesktop::wordFrontmost() const {
    return wordPid_ && *wordPid_ == frontmostPid_;
}

bool SimDesktop::activate(int pid) {
    if (!app(pid)) {
        return false;
    }
    setFrontmost(pid);
    return true;
}

bool SimDesktop::requestActivation(int pid) {
    if (!app(pid)) {
        return false;
    }
    if (!config_.refuseActivation) {
        setFrontmost(pid);
    }
    return true;
}

bool SimDesktop::openApp(std::string_view bundleId) {
    if (bundleId == wordBundleId && !launchWord()) {
        return false;
    }
    const auto apps = runningApps(bundleId);
    return !apps.empty() && activate(apps.front().pid);
}

bool SimDesktop::registerClientApp(const AppInfo& info, const std::string& windowTitle) {
    if (app(info.pid)) {
        return false;
    }
    auto client = std::make_unique<ClientApp>();
    client->info = info;
    client->title = windowTitle;
    client->window = elements_.add({SimElement::Kind::clientWindow, info.pid, info.pid});
    client->field = elements_.add({SimElement::Kind::clientField, info.pid, info.pid});
    clients_.push_back(std::move(client));
    emit("launched", info.pid, info.bundleId);
    return true;
}

void SimDesktop::unregisterClientApp(int pid) {
    for (auto it = clients_.begin(); it != clients_.end(); ++it) {
        if ((*it)->info.pid == pid) {
            elements_.remove((*it)->window);
            elements_.remove((*it)->field);
            const std::string bundleId = (*it)->info.bundleId;
            clients_.erase(it);
            emit("terminated", pid, bundleId);
            if (frontmostPid_ == pid) {
                setFrontmost(wordPid_ ? *wordPid_ : config_.desktopPid);
            }
            return;
        }
    }
}

std::optional<std::u16string> SimDesktop::clientFieldText(int pid) const {
    for (const auto& client : clients_) {
        if (client->info.pid == pid) {
            return client->text;
        }
    }
    return std::nullopt;
}

std::vector<int> SimDesktop::clientPids() const {
    std::vector<int> pids;
    for (const auto& client : clients_) {
        pids.push_back(client->info.pid);
    }
    return pids;
}

ClientApp* SimDesktop::client(int pid) {
    for (auto& client : clients_) {
        if (client->info.pid == pid) {
            return client.get();
        }
    }
    return nullptr;
}

std::vector<SimEvent> SimDesktop::eventsAfter(std::uint64_t seq) const {
    std::vector<SimEvent> found;
    for (const auto& event : events_) {
        if (event.seq > seq) {
            found.push_back(event);
        }
    }
    return found;
}

// -- Input sources and hot keys ------------------------------------------------------------------

const InputSource* SimDesktop::currentInputSource() const {
    for (const auto& source : inputSources_) {
        if (source.id == currentSource_) {
            return &source;
        }
    }
    return nullptr;
}

bool SimDesktop::selectInputSource(std::string_view id) {
    for (const auto& source : inputSources_) {
        if (source.id == id && source.enabled && source.selectCapable) {
            currentSource_ = source.id;
            return true;
        }
    }
    return false;
}

std::optional<std::uint64_t> SimDesktop::registerHotKey(std::uint32_t keyCode,
                                                        std::uint32_t modifiers,
                                                        std::uint32_t signature, std::uint32_t id,
                                                        bool exclusive) {
    for (const auto& hotKey : hotKeys_) {
        if (hotKey.keyCode != keyCode || hotKey.modifiers != modifiers) {
            continue;
        }
        if (!hotKey.reserved || (exclusive && hotKey.exclusive)) {
            return std::nullopt;
        }
    }
    const std::uint64_t ref = nextHotKeyRef_++;
    hotKeys_.push_back({ref, keyCode, modifiers, signature, id, false, exclusive});
    return ref;
}

void SimDesktop::unregisterHotKey(std::uint64_t ref) {
    std::erase_if(hotKeys_, [ref](const HotKey& hotKey) { return hotKey.ref == ref; });
}

void SimDesktop::reserveHotKey(std::uint32_t keyCode, std::uint32_t modifiers, bool exclusive) {
    hotKeys_.push_back({nextHotKeyRef_++, keyCode, modifiers, 0, 0, true, exclusive});
}

bool SimDesktop::matchesHotKey(const KeyEvent& event) {
    const std::uint64_t relevant = commandFlag | shiftFlag | optionFlag | controlFlag;
    auto matches = [&](const HotKey& hotKey) {
        return hotKey.keyCode == event.keyCode &&
               modifierFlags(hotKey.modifiers) == (event.flags & relevant);
    };
    bool matched = false;
    bool heldExclusively = false;
    for (const auto& hotKey : hotKeys_) {
        if (matches(hotKey)) {
            matched = true;
            heldExclusively = heldExclusively || (hotKey.reserved && hotKey.exclusive);
        }
    }
    if (!heldExclusively) {
        for (const auto& hotKey : hotKeys_) {
            if (matches(hotKey) && !hotKey.reserved) {
                emit("hotKey", 0, "", hotKey.signature, hotKey.id);
            }
        }
    }
    return matched;
}

bool SimDesktop::allowMainThreadCall(bool onMainThread) {
    if (onMainThread || !config_.mainThreadRules) {
        return true;
    }
    ++mainThreadViolations_;
    return false;
}

} // namespace plumeo::sim
