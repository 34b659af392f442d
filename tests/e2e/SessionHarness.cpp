#include "tests/e2e/SessionHarness.h"

#include "core/text/TextPreparer.h"
#include "core/text/Utf16.h"

#include <chrono>
#include <thread>

namespace plumeo {

void PrintTo(const SessionPhase& phase, std::ostream* out) {
    *out << phase.title();
    switch (phase.kind) {
    case SessionPhase::Kind::paused:
    case SessionPhase::Kind::cancelled:
    case SessionPhase::Kind::failed:
        *out << ": " << phase.reason.message();
        break;
    case SessionPhase::Kind::needsRelocation:
        *out << ": " << phase.explanation;
        break;
    case SessionPhase::Kind::completed:
        if (phase.outcome.kind == VerificationOutcome::Kind::mismatch)
            *out << ": " << phase.outcome.report.summary();
        else if (phase.outcome.kind == VerificationOutcome::Kind::unverified)
            *out << ": " << phase.outcome.reason;
        break;
    default:
        break;
    }
}

} // namespace plumeo

namespace plumeo::e2e {

using namespace std::chrono_literals;

WatchedSink::WatchedSink(std::shared_ptr<PlatformBackend> backend, std::int32_t wordPid)
    : backend_(backend), wordPid_(wordPid),
      sink_(std::move(backend), CGKeySink::Route::pid(wordPid)) {}

void WatchedSink::watch(const KeyStroke& stroke) {
    // A stroke aimed at a process that has ended is exactly what must never happen.
    if (!backend_->processExists(wordPid_))
        ++postsAfterWordQuit_;
    if (stroke.kind == KeyStroke::Kind::backspace)
        ++backspaces_;
    ++posts_;
}

std::chrono::steady_clock::time_point WatchedSink::press(const KeyStroke& stroke) {
    watch(stroke);
    return sink_.press(stroke);
}

std::chrono::steady_clock::time_point WatchedSink::releaseAndPress(const KeyStroke& released,
                                                                   const KeyStroke& pressed) {
    watch(pressed);
    return sink_.releaseAndPress(released, pressed);
}

void HookedGuard::beforeCheck(int checkNumber, std::function<void()> action) {
    std::lock_guard lock(mutex_);
    hookAt_ = checkNumber;
    hook_ = std::move(action);
}

std::optional<StopReason> HookedGuard::quickCheck(const TargetExpectation& expectation) {
    std::function<void()> hook;
    {
        std::lock_guard lock(mutex_);
        if (++checks_ == hookAt_)
            hook = std::move(hook_);
    }
    if (hook)
        hook();
    return guard_->quickCheck(expectation);
}

void PhaseRecorder::engineDidUpdate(const EngineSnapshot& snapshot) {
    std::lock_guard lock(mutex_);
    phases_.push_back(snapshot.phase.kind);
}

bool PhaseRecorder::saw(SessionPhase::Kind kind) const {
    std::lock_guard lock(mutex_);
    for (auto seen : phases_)
        if (seen == kind)
            return true;
    return false;
}

ModeSettings quickSettings(TypingMode mode, bool typos, double typoRate) {
    return ModeSettings::make(mode, 600000, typos, typoRate);
}

void EndToEndTest::SetUp() {
    SimulatorFixture::SetUp();
    backend = std::make_shared<SimBackend>(simulator().socketPath());
    documentName = control().dump()["word"]["documents"][0]["name"].get<std::string>();
    const auto pid = control().wordPid();
    ASSERT_TRUE(pid.has_value()) << "the simulator started without Word";
    wordPid = *pid;
}

void EndToEndTest::TearDown() {
    if (engine) {
        engine->requestCancel(CancelKind::emergency);
        EXPECT_TRUE(engine->waitUntilIdle(20.0)) << "the engine's job did not end";
    }
    if (observerQueue)
        observerQueue->drain();
    engine.reset();
    reader.reset();
    guard.reset();
    sink.reset();
    backend.reset();
    SimulatorFixture::TearDown();
}

void EndToEndTest::startSession(const SessionSetup& setup) {
    control().setDocumentText(documentName, setup.initialText, setup.cursor);

    auto bridge = std::make_shared<WordBridge>(backend);
    bridge->setBoundDocumentID(documentName);
    const DocState state = bridge->state();
    reader = std::make_shared<WordDocumentReader>(bridge, backend, wordPid);
    const std::u16string initialContent = reader->readAll();
    initialLength = utf16Count(initialContent);

    std::shared_ptr<WordTargetGuard> realGuard = WordTargetGuard::make(backend, wordPid);
    ASSERT_NE(realGuard, nullptr) << "Word has no focused window";
    guard = std::make_shared<HookedGuard>(std::move(realGuard));
    sink = std::make_shared<WatchedSink>(backend, wordPid);
    observerQueue = std::make_shared<SerialTaskQueue>();
    observer = std::make_shared<PhaseRecorder>();

    TypingEngineOptions options;
    options.text = TextPreparer::prepare(setup.article);
    options.settings = setup.settings;
    options.seed = setup.seed;
    options.sink = sink;
    options.guardian = guard;
    options.reader = reader;
    options.documentID = state.documentID;
    options.initialContent = initialContent;
    options.insertionOffset = state.selectionStart;
    options.observer = observer;
    options.observerQueue = observerQueue;
    engine = TypingEngine::create(std::move(options));
    if (setup.beforeStart)
        setup.beforeStart();
    engine->start();
}

void EndToEndTest::awaitIdle() {
    ASSERT_TRUE(engine->waitUntilIdle(30.0)) << "the engine's job did not end";
    observerQueue->drain();
}

void EndToEndTest::runSession(const SessionSetup& setup) {
    startSession(setup);
    if (!HasFatalFailure())
        awaitIdle();
}

void EndToEndTest::resumeAndAwait() {
    engine->resume();
    awaitIdle();
}

void EndToEndTest::awaitTypedUnits(int units) {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (utf16Count(simulatedDocument()) < initialLength + units) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline)
            << "fewer than " << units << " units arrived";
        std::this_thread::sleep_for(2ms);
    }
}

std::u16string EndToEndTest::simulatedDocument() {
    return control().documentText(documentName);
}

} // namespace plumeo::e2e
