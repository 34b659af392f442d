#include "sim/model/KeyDelivery.h"

#include "sim/model/SimDesktop.h"
#include "sim/model/SimWord.h"

#include <algorithm>

namespace plumeo::sim {
namespace {
// kCGAnyInputEventType: the newest input of whatever kind.
constexpr std::uint32_t anyInputEventType = 0xFFFFFFFFu;
} // namespace

KeyDelivery::KeyDelivery(SimConfig& config, const SimClock& clock, SimDesktop& desktop,
                         SimWord& word)
    : config_(config), clock_(clock), desktop_(desktop), word_(word) {
    startTime_ = clock_.now();
}

void KeyDelivery::advance() {
    const double now = clock_.now();
    for (;;) {
        // Dialog give-ups and queued keys happen in time order, so a key due before a dialog
        // goes away still lands in the dialog.
        const auto& dialogs = word_.dialogs();
        std::optional<std::size_t> dialogIndex;
        double dialogTime = now + 1;
        for (std::size_t i = 0; i < dialogs.size(); ++i) {
            if (dialogs[i]->giveUpAt && *dialogs[i]->giveUpAt < dialogTime) {
                dialogTime = *dialogs[i]->giveUpAt;
                dialogIndex = i;
            }
        }
        const double keyTime = wordQueue_.empty() ? now + 1 : wordQueue_.front().due;
        if (dialogIndex && dialogTime <= now && dialogTime <= keyTime) {
            word_.closeDialogAt(*dialogIndex, "gave up");
            continue;
        }
        if (!wordQueue_.empty() && keyTime <= now) {
            const KeyEvent event = wordQueue_.front().event;
            wordQueue_.pop_front();
            word_.takeKey(event);
            continue;
        }
        break;
    }
}

void KeyDelivery::noteHid(std::uint32_t eventType) {
    lastHidEvent_[eventType] = clock_.now();
}

double KeyDelivery::secondsSinceLastEvent(std::uint32_t eventType) const {
    const double now = clock_.now();
    // Nothing since start-up: as long an idle time as a machine that was left alone.
    const double leftAlone = now - startTime_ + 10000.0;
    if (eventType == anyInputEventType) {
        double latest = -1;
        for (const auto& [type, at] : lastHidEvent_) {
            latest = std::max(latest, at);
        }
        return latest < 0 ? leftAlone : now - latest;
    }
    const auto found = lastHidEvent_.find(eventType);
    if (found == lastHidEvent_.end()) {
        return leftAlone;
    }
    return now - found->second;
}

bool KeyDelivery::postKey(const KeyEvent& event, KeyRoute route, int pid) {
    advance();
    if (!desktop_.permissions().postEvents) {
        return false;
    }
    if (route == KeyRoute::hidTap) {
        noteHid(event.keyDown ? 10 : 11);
        if (event.keyDown && desktop_.matchesHotKey(event)) {
            return true;
        }
        deliverToFrontmost(event);
        return true;
    }
    const auto wordPid = desktop_.wordPid();
    if (wordPid && *wordPid == pid) {
        // Word may ignore events posted to it while it is not active; the poster never knows.
        if (config_.dropBackgroundKeys && !desktop_.wordFrontmost()) {
            return true;
        }
        enqueueForWord(event);
        return true;
    }
    if (ClientApp* client = desktop_.client(pid)) {
        deliverToClient(*client, event);
        return true;
    }
    return false;
}

void KeyDelivery::pressKeyAsUser(const KeyEvent& event) {
    advance();
    noteHid(10);
    noteHid(11);
    if (desktop_.matchesHotKey(event)) {
        return;
    }
    KeyEvent down = event;
    down.keyDown = true;
    deliverToFrontmost(down);
}

bool KeyDelivery::clickInWordBody(int position) {
    advance();
    noteHid(1);
    noteHid(2);
    DocEntry* front = word_.frontEntry();
    const auto wordPid = desktop_.wordPid();
    if (!wordPid || !front) {
        return false;
    }
    desktop_.setFrontmost(*wordPid);
    if (word_.modalDialogOpen() || front->sheet != 0) {
        return false;
    }
    front->focusOnToolbar = false;
    front->doc.setSelection(position, position);
    return true;
}

void KeyDelivery::deliverToFrontmost(const KeyEvent& event) {
    if (desktop_.wordFrontmost()) {
        enqueueForWord(event);
        return;
    }
    if (ClientApp* client = desktop_.client(desktop_.frontmostPid())) {
        deliverToClient(*client, event);
    }
}

void KeyDelivery::deliverToClient(ClientApp& client, const KeyEvent& event) {
    if (!event.keyDown) {
        return;
    }
    ++client.keys;
    if (event.keyCode == 36) {
        client.text.push_back(u'\r');
    } else if (event.keyCode == 48) {
        client.text.push_back(u'\t');
    } else if (event.keyCode == 51) {
        if (!client.text.empty()) {
            client.text.pop_back();
        }
    } else {
        client.text += event.text;
    }
}

double KeyDelivery::dueTime(double arrived, double previousDue) const {
    const double spacing =
        config_.wordEventsPerSecond > 0 ? 1.0 / config_.wordEventsPerSecond : 0.0;
    return std::max(arrived + config_.wordLatencySeconds, previousDue + spacing);
}

void KeyDelivery::enqueueForWord(const KeyEvent& event) {
    const double now = clock_.now();
    lastWordDue_ = dueTime(now, lastWordDue_);
    wordQueue_.push_back({event, now, lastWordDue_});
    advance();
}

void KeyDelivery::setWordTiming(double eventsPerSecond, double latencySeconds) {
    advance();
    config_.wordEventsPerSecond = std::max(eventsPerSecond, 0.0);
    config_.wordLatencySeconds = std::max(latencySeconds, 0.0);
    // Word keeps the order; the new pace starts from now for what it has not taken yet.
    double previous = clock_.now() - 1e9;
    for (auto& queued : wordQueue_) {
        queued.due =
            dueTime(std::max(queued.arrived, clock_.now() - config_.wordLatencySeconds), previous);
        previous = queued.due;
    }
    lastWordDue_ = wordQueue_.empty() ? 0 : previous;
    advance();
}

} // namespace plumeo::sim
