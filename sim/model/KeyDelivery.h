#pragma once

#include "sim/model/SimTypes.h"

#include <cstdint>
#include <deque>
#include <map>

namespace plumeo::sim {

struct ClientApp;
class SimDesktop;
class SimWord;

enum class KeyRoute { process, hidTap };

/// Carries key events and clicks to the application they reach, and lets Word take its queued
/// events at its own pace.
class KeyDelivery {
public:
    KeyDelivery(SimConfig& config, const SimClock& clock, SimDesktop& desktop, SimWord& word);

    /// Lets Word take the queued key events that are due and dialogs give up.
    void advance();
    void setWordTiming(double eventsPerSecond, double latencySeconds);
    bool postKey(const KeyEvent& event, KeyRoute route, int pid);
    void pressKeyAsUser(const KeyEvent& event);
    bool clickInWordBody(int position);
    double secondsSinceLastEvent(std::uint32_t eventType) const;
    std::size_t pendingWordEvents() const { return wordQueue_.size(); }
    void clearWordQueue() { wordQueue_.clear(); }

private:
    struct QueuedKey {
        KeyEvent event;
        double arrived = 0;
        double due = 0;
    };
    /// When Word looks at an event that arrives at `arrived`, after the ones queued before.
    double dueTime(double arrived, double previousDue) const;
    void deliverToFrontmost(const KeyEvent& event);
    void deliverToClient(ClientApp& client, const KeyEvent& event);
    void enqueueForWord(const KeyEvent& event);
    void noteHid(std::uint32_t eventType);

    SimConfig& config_;
    const SimClock& clock_;
    SimDesktop& desktop_;
    SimWord& word_;
    std::deque<QueuedKey> wordQueue_;
    double lastWordDue_ = 0;
    std::map<std::uint32_t, double> lastHidEvent_;
    double startTime_ = 0;
};

} // namespace plumeo::sim
