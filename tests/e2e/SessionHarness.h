#pragma once

// A typing session wired as the application wires it, against a real simulator: the key sink
// routed to Word's process, the target guard and the document reader bound to Word's front
// window, the engine started on the document's current insertion point. What arrived is
// checked through the simulator's own state dump, never through the reader under test.

#include "core/engine/TypingEngine.h"
#include "platform/ax/WordDocumentReader.h"
#include "platform/ax/WordTargetGuard.h"
#include "platform/backend/sim/SimBackend.h"
#include "platform/input/CGKeySink.h"
#include "platform/script/WordBridge.h"
#include "tests/support/SimulatorFixture.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

namespace plumeo {
/// Readable GoogleTest output for phases: the title and whatever the payload says.
void PrintTo(const SessionPhase& phase, std::ostream* out);
} // namespace plumeo

namespace plumeo::e2e {

/// The real key sink, watched: counts strokes and backspaces and reports a stroke pressed after
/// Word's process has gone (letting up a key pressed before is no new stroke).
class WatchedSink final : public KeyEventSink {
public:
    WatchedSink(std::shared_ptr<PlatformBackend> backend, std::int32_t wordPid);

    void prepare(const KeyStroke& stroke) override { sink_.prepare(stroke); }
    std::chrono::steady_clock::time_point press(const KeyStroke& stroke) override;
    void release(const KeyStroke& stroke) override { sink_.release(stroke); }
    std::chrono::steady_clock::time_point releaseAndPress(const KeyStroke& released,
                                                          const KeyStroke& pressed) override;

    int posts() const { return posts_.load(); }
    int backspaces() const { return backspaces_.load(); }
    int postsAfterWordQuit() const { return postsAfterWordQuit_.load(); }

private:
    void watch(const KeyStroke& stroke);

    std::shared_ptr<PlatformBackend> backend_;
    std::int32_t wordPid_;
    CGKeySink sink_;
    std::atomic<int> posts_{0};
    std::atomic<int> backspaces_{0};
    std::atomic<int> postsAfterWordQuit_{0};
};

/// The real target guard with a hook that runs before check number n (1-based), to make
/// something happen at an exact point of the session.
class HookedGuard final : public TargetGuard {
public:
    explicit HookedGuard(std::shared_ptr<WordTargetGuard> guard) : guard_(std::move(guard)) {}

    void beforeCheck(int checkNumber, std::function<void()> action);
    void beginSending() override { guard_->beginSending(); }
    std::optional<StopReason> quickCheck(const TargetExpectation& expectation) override;

    WordTargetGuard& guard() { return *guard_; }

private:
    std::shared_ptr<WordTargetGuard> guard_;
    std::mutex mutex_;
    int checks_ = 0;
    int hookAt_ = 0;
    std::function<void()> hook_;
};

/// Keeps the phases the observer was shown, in order.
class PhaseRecorder final : public EngineObserver {
public:
    void engineDidUpdate(const EngineSnapshot& snapshot) override;
    bool saw(SessionPhase::Kind kind) const;

private:
    mutable std::mutex mutex_;
    std::vector<SessionPhase::Kind> phases_;
};

struct SessionSetup {
    std::u16string article;
    ModeSettings settings;
    /// The document before the session (without Word's final paragraph mark) and the cursor.
    std::u16string initialText;
    int cursor = 0;
    /// The application draws a random one; tests fix it so a failure can be replayed.
    std::uint64_t seed = 0x9E3779B97F4A7C15ull;
    /// Runs once everything is wired, right before the engine starts.
    std::function<void()> beforeStart;
};

/// One simulator per test with one empty document in front.
class EndToEndTest : public testing::SimulatorFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    /// Builds sink, guard, reader and engine as the application does, and starts typing.
    void startSession(const SessionSetup& setup);
    /// Waits for the engine's current job (a hang guard, not a timing requirement).
    void awaitIdle();
    /// startSession, then awaitIdle.
    void runSession(const SessionSetup& setup);
    /// Resumes the session and waits for that job.
    void resumeAndAwait();
    SessionPhase phase() const { return engine->snapshot().phase; }
    /// Waits until the simulated document holds at least `units` UTF-16 units more than it did
    /// at the start: the session is under way.
    void awaitTypedUnits(int units);

    /// The document exactly as the simulated Word holds it, from the simulator's state dump.
    std::u16string simulatedDocument();

    std::shared_ptr<SimBackend> backend;
    std::int32_t wordPid = 0;
    std::string documentName;
    int initialLength = 0;

    std::shared_ptr<WatchedSink> sink;
    std::shared_ptr<HookedGuard> guard;
    std::shared_ptr<WordDocumentReader> reader;
    std::shared_ptr<SerialTaskQueue> observerQueue;
    std::shared_ptr<PhaseRecorder> observer;
    std::shared_ptr<TypingEngine> engine;
};

/// Settings whose planned delays are a few milliseconds: sessions of tens of units.
ModeSettings quickSettings(TypingMode mode, bool typos = false, double typoRate = 0);

} // namespace plumeo::e2e
