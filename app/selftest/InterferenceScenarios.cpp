#include "app/selftest/InterferenceScenarios.h"

#include "app/selftest/InterferenceSupport.h"
#include "app/selftest/SelfTestDesktop.h"
#include "platform/ax/AXInspector.h"
#include "platform/input/CGKeySink.h"
#include "platform/script/WordBridge.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

namespace plumeo::selftest {

using Kind = SessionPhase::Kind;
using Status = TestResult::Status;

namespace interference {

bool completedVerified(const SessionPhase& phase) {
    return phase.kind == Kind::completed &&
           phase.outcome.kind == VerificationOutcome::Kind::verified;
}

std::string count(int value) {
    return std::to_string(value);
}

void sleepSeconds(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

bool pastDeadline(std::chrono::steady_clock::time_point deadline) {
    return std::chrono::steady_clock::now() >= deadline;
}

SessionPhase awaitLeaving(const SelfTestSession& session, Kind from, double seconds) {
    const auto until = std::chrono::steady_clock::now() +
                       std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                           std::chrono::duration<double>(seconds));
    SessionPhase phase = session.engine->snapshot().phase;
    while (phase.kind == from && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        phase = session.engine->snapshot().phase;
    }
    return phase;
}

std::string stopTitle(const SessionPhase& phase) {
    std::string title = phase.title();
    if (phase.kind == Kind::paused || phase.kind == Kind::cancelled || phase.kind == Kind::failed)
        title += "（" + phase.reason.message() + "）";
    if (phase.kind == Kind::needsRelocation)
        title += "（" + phase.explanation + "）";
    return title;
}

std::u16string strokeText(const KeyStroke& stroke) {
    switch (stroke.kind) {
    case KeyStroke::Kind::text:
        return stroke.text;
    case KeyStroke::Kind::returnKey:
        return u"\r";
    case KeyStroke::Kind::shiftReturn:
        return u"\v";
    case KeyStroke::Kind::tab:
        return u"\t";
    case KeyStroke::Kind::backspace:
        break;
    }
    return {};
}

} // namespace interference

using namespace interference;

namespace {

/// Passes every check on to the real guard, but first acts once, in the check before stroke
/// `checkNumber`: outside the engine's lock, after its last look at stop requests and before
/// its post, the narrowest place a stop request can arrive.
class ActingGuard final : public TargetGuard {
public:
    ActingGuard(std::shared_ptr<TargetGuard> inner, int checkNumber, std::function<void()> action)
        : inner_(std::move(inner)), checkNumber_(checkNumber), action_(std::move(action)) {}

    void beginSending() override { inner_->beginSending(); }
    std::optional<StopReason> quickCheck(const TargetExpectation& expectation) override {
        if (++checks_ == checkNumber_)
            action_();
        return inner_->quickCheck(expectation);
    }

private:
    std::shared_ptr<TargetGuard> inner_;
    const int checkNumber_;
    std::function<void()> action_;
    std::atomic<int> checks_{0};
};

} // namespace

int unitsOutOfPlace(const std::u16string& expected, const std::u16string& actual) {
    std::size_t prefix = 0;
    while (prefix < expected.size() && prefix < actual.size() && expected[prefix] == actual[prefix])
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < expected.size() - prefix && suffix < actual.size() - prefix &&
           expected[expected.size() - 1 - suffix] == actual[actual.size() - 1 - suffix])
        ++suffix;
    return static_cast<int>(actual.size() - prefix - suffix);
}

void InterferenceScenarios::runInterrupts() {
    runSelected({{"I1", &InterferenceScenarios::pauseAndResume},
                 {"I2", &InterferenceScenarios::cancel},
                 {"I3", &InterferenceScenarios::emergencyHotKey},
                 {"I4a", &InterferenceScenarios::switchToCanary},
                 {"I4b", &InterferenceScenarios::typeBehindCanary},
                 {"I5", &InterferenceScenarios::switchDocument},
                 {"I6", &InterferenceScenarios::userClick},
                 {"I7", &InterferenceScenarios::scriptMovesCursor},
                 {"I8", &InterferenceScenarios::dialog},
                 {"I9", &InterferenceScenarios::stopDuringTypo},
                 {"I10", &InterferenceScenarios::trackedRevisions}});
}

void InterferenceScenarios::runBackground() {
    runSelected({{"I4a", &InterferenceScenarios::switchToCanary},
                 {"I4b", &InterferenceScenarios::typeBehindCanary}});
}

void InterferenceScenarios::runSelected(
    std::initializer_list<std::pair<const char*, void (InterferenceScenarios::*)()>> cases) {
    for (const auto& [id, run] : cases) {
        if (h_.selected(id))
            (this->*run)();
    }
}

double InterferenceScenarios::uptime() const {
    return h_.backend_->systemUptime();
}

InterferenceScenarios::TypingCase
InterferenceScenarios::interferenceCase(std::string id, std::string name, TypingMode mode,
                                        std::u16string article) const {
    TypingCase spec;
    spec.id = std::move(id);
    spec.name = std::move(name);
    spec.mode = mode;
    spec.article = std::move(article);
    spec.limitSeconds = h_.limit(900);
    return spec;
}

void InterferenceScenarios::interfereAt(SelfTestSession& session, double share,
                                        std::shared_ptr<CaseState> state,
                                        std::function<bool()> act) {
    // Every unit takes at least one stroke, so this stroke comes before `share` of the text.
    const int trigger = std::max(2, static_cast<int>(session.text.units.size() * share));
    session.sink->setHook([this, trigger, state, act](const KeyStroke&, int strokes) {
        if (strokes != trigger)
            return;
        // No stroke goes out while the hook runs, so the time before acting counts the same
        // strokes as the time after it, and a stop the act itself causes comes after it.
        state->interferedAt = uptime();
        if (!act())
            state->actFailed = true;
        state->interfered = true;
    });
}

void InterferenceScenarios::actAtCheck(SelfTestSession& session, double share,
                                       std::function<void()> act) {
    const int check = std::max(2, static_cast<int>(session.text.units.size() * share));
    session.engine->replaceGuard(
        std::make_shared<ActingGuard>(session.guards.front(), check, std::move(act)));
}

bool InterferenceScenarios::awaitInterference(const SelfTestSession& session,
                                              const CaseState& state, TestResult& result,
                                              Deadline deadline) {
    SessionPhase phase = session.engine->snapshot().phase;
    while (!state.interfered && !pastDeadline(deadline) && !phase.isTerminal() &&
           phase.kind != Kind::paused && phase.kind != Kind::needsRelocation) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        phase = session.engine->snapshot().phase;
    }
    if (state.interfered)
        return true;
    result.details.push_back("干扰没有发生（会话在触发点之前已" + stopTitle(phase) + "）");
    return false;
}

std::optional<std::u16string> InterferenceScenarios::readDocument(const std::string& docName) {
    auto script = std::make_shared<WordBridge>(h_.backend_);
    script->setBoundDocumentID(docName);
    WordDocumentReader reader(script, h_.backend_, h_.wordPID_);
    try {
        return reader.readAll();
    } catch (...) {
        return std::nullopt;
    }
}

bool InterferenceScenarios::canaryAvailable(const std::string& id, const std::string& name) {
    if (h_.canaryOpen_)
        return true;
    h_.record({id, name, Status::notRun, {"没有金丝雀窗口，无法让错误的窗口来到前台"}, {}});
    return false;
}

bool InterferenceScenarios::canaryEmpty(TestResult& result) {
    const auto text = h_.options_.desktop->canaryText();
    if (!text) {
        result.details.push_back("无法读取金丝雀文本框");
        return false;
    }
    result.details.push_back("金丝雀文本框字符数：" + count(static_cast<int>(text->size())) +
                             "（必须为 0）");
    result.metrics["金丝雀文本框字符数"] = static_cast<double>(text->size());
    return text->empty();
}

SessionPhase InterferenceScenarios::carryOn(SelfTestSession& session, TestResult& result,
                                            Deadline deadline, CaseState& state) {
    SessionPhase phase = session.engine->snapshot().phase;
    if (phase.kind != Kind::paused && phase.kind != Kind::needsRelocation) {
        result.details.push_back("干扰后引擎没有停止：" + stopTitle(phase));
        state.ok = false;
        return h_.waitForSettled(session, deadline);
    }
    result.details.push_back("停止：" + stopTitle(phase));
    // As the stop message asks of the user: the test document in front again.
    try {
        h_.fixture_->activateDocument(session.docName);
    } catch (...) {
        result.details.push_back("重新激活测试文档失败：" + errorText(std::current_exception()));
    }
    // Keys posted before the stop may still be arriving; the engine waits for them too.
    sleepSeconds(0.3);
    result.details.push_back("停止后核对已落下的内容：");
    std::u16string landed = session.expectedForLanded();
    if (!state.standingTypo.empty()) {
        const int sent = session.engine->snapshot().ledger.sentUnits;
        landed.insert(static_cast<std::size_t>(session.insertion) +
                          session.text.wordString(0, sent).size(),
                      state.standingTypo);
    }
    if (!h_.verifyIndependently(session, landed, result))
        state.ok = false;

    int resumes = 0;
    while (!phase.isTerminal() && resumes < 6 && !pastDeadline(deadline)) {
        if (phase.kind == Kind::needsRelocation) {
            const auto hint = session.engine->snapshot().relocation;
            if (!hint || !hint->knownCursor) {
                result.details.push_back("无法确定续写位置：" + phase.explanation);
                break;
            }
            result.details.push_back("续写需重新定位：" + phase.explanation + "（光标移到 " +
                                     count(*hint->knownCursor) + "）");
            try {
                h_.fixture_->setCursor(session.docName, *hint->knownCursor);
            } catch (...) {
                result.details.push_back("移动光标失败：" + errorText(std::current_exception()));
                break;
            }
        } else if (phase.kind != Kind::paused) {
            break;
        }
        ++resumes;
        const Kind before = phase.kind;
        session.engine->resume();
        awaitLeaving(session, before, 3);
        phase = h_.waitForSettled(session, deadline);
        if (phase.kind == Kind::paused)
            result.details.push_back("继续后再次停止：" + stopTitle(phase));
    }
    result.details.push_back("期间发生 " + count(std::max(state.stops, 1)) +
                             " 次外部干扰，引擎均停止发送，经读回核对后继续：" +
                             state.interference + "；继续 " + count(resumes) +
                             " 次；最终已验证=" + (completedVerified(phase) ? "true" : "false"));
    return phase;
}

std::function<bool(SelfTestSession&, const SessionPhase&, TestResult&)>
InterferenceScenarios::judgeCompleted(std::shared_ptr<CaseState> state) {
    return [this, state](SelfTestSession& session, const SessionPhase& phase, TestResult& result) {
        if (state->helper.joinable())
            state->helper.join();
        const bool independent =
            h_.verifyIndependently(session, session.expectedDocument(), result);
        return state->ok && completedVerified(phase) && independent;
    };
}

// -- I1 ------------------------------------------------------------------------------------------

void InterferenceScenarios::pauseAndResume() {
    TypingCase spec = interferenceCase("I1", "暂停/继续 5 次（稳定模式）", TypingMode::stable,
                                       h_.longText(h_.options_.quick ? 300 : 1000));
    auto state = std::make_shared<CaseState>();
    state->interference = "暂停 5 次";
    spec.drive = [this, state](SelfTestSession& session, TestResult& result, Deadline deadline) {
        const int units = static_cast<int>(session.text.units.size());
        double maxAckMs = 0;
        int sentAfterStops = 0;
        int pauses = 0;
        for (int round = 1; round <= 5; ++round) {
            SessionPhase phase = session.engine->snapshot().phase;
            while (session.sink->strokes() < units * round / 6 && !pastDeadline(deadline) &&
                   !phase.isTerminal() && phase.kind != Kind::paused &&
                   phase.kind != Kind::needsRelocation) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                phase = session.engine->snapshot().phase;
            }
            if (phase.kind != Kind::typing) {
                result.details.push_back("第 " + count(round) + " 次暂停前会话已" +
                                         stopTitle(phase));
                break;
            }
            session.engine->requestPause(StopReason::userPause());
            const double requestReturned = uptime();
            phase = h_.waitForSettled(session, deadline);
            if (phase.kind != Kind::paused) {
                result.details.push_back("第 " + count(round) + " 次暂停后：" + stopTitle(phase));
                break;
            }
            ++pauses;
            sleepSeconds(0.2);
            const int after = session.sink->strokesSince(requestReturned);
            sentAfterStops += after;
            const auto stop = session.engine->snapshot().lastStop;
            const double ackMs = stop && stop->ackLatencyMs() ? *stop->ackLatencyMs() : 0;
            maxAckMs = std::max(maxAckMs, ackMs);
            char ack[32];
            std::snprintf(ack, sizeof ack, "%.3f", ackMs);
            result.details.push_back("第 " + count(round) + " 次暂停：已发送 " +
                                     count(session.engine->snapshot().ledger.sentUnits) +
                                     "，暂停后发送 " + count(after) + "，停止确认 " + ack +
                                     " 毫秒");
            session.engine->resume();
            awaitLeaving(session, Kind::paused, 3);
        }
        result.metrics["最大停止确认延迟毫秒"] = maxAckMs;
        result.metrics["停止后发送合计"] = sentAfterStops;
        state->ok = pauses == 5 && sentAfterStops == 0;
        const SessionPhase phase = h_.waitForSettled(session, deadline);
        result.details.push_back(
            "期间发生 " + count(pauses) + " 次外部干扰，引擎均停止发送，经读回核对后继续：" +
            state->interference + "；最终已验证=" + (completedVerified(phase) ? "true" : "false"));
        return phase;
    };
    spec.judge = judgeCompleted(state);
    h_.runTypingCase(spec);
}

// -- The cancel case -----------------------------------------------------------------------------

void InterferenceScenarios::cancel() {
    TypingCase spec =
        interferenceCase("I2", "取消（" + title(TypingMode::fast) + "）：取消后无后续发送",
                         TypingMode::fast, h_.longText(h_.options_.quick ? 300 : 3000));
    auto cancelReturnedAt = std::make_shared<std::atomic<double>>(0);
    spec.arm = [this, cancelReturnedAt](SelfTestSession& session) {
        std::weak_ptr<TypingEngine> engine = session.engine;
        actAtCheck(session, 0.2, [this, engine, cancelReturnedAt] {
            // The engine's lock is free during a check, so the request records at once, as a
            // click on 取消 would from the main thread.
            if (const auto running = engine.lock()) {
                running->requestCancel(CancelKind::user);
                cancelReturnedAt->store(uptime());
            }
        });
    };
    spec.judge = [this, cancelReturnedAt](SelfTestSession& session, const SessionPhase& phase,
                                          TestResult& result) {
        bool passed = phase.kind == Kind::cancelled;
        if (cancelReturnedAt->load() == 0) {
            result.details.push_back("取消没有发生（文本在触发点之前已输完）");
            return false;
        }
        const int after = session.sink->strokesSince(cancelReturnedAt->load());
        result.details.push_back("取消函数返回后发送的按键：" + count(after));
        result.metrics["取消后发送"] = after;
        passed = passed && after == 0;
        WordBridge reader(h_.backend_);
        reader.setBoundDocumentID(session.docName);
        try {
            sleepSeconds(1);
            const std::u16string first = reader.readAll();
            sleepSeconds(2);
            const std::u16string second = reader.readAll();
            const bool same = first == second;
            result.details.push_back(std::string("取消后 1 秒与 3 秒的读回：") +
                                     (same ? "相同（没有后续写入）" : "不同（取消后仍有写入）"));
            passed = passed && same;
        } catch (...) {
            result.details.push_back("独立读回失败：" + errorText(std::current_exception()));
            passed = false;
        }
        return h_.verifyIndependently(session, session.expectedForLanded(), result) && passed;
    };
    h_.runTypingCase(spec);
}

// -- I3 ------------------------------------------------------------------------------------------

void InterferenceScenarios::emergencyHotKey() {
    TypingCase spec =
        interferenceCase("I3", "紧急停止快捷键（极速模式）", TypingMode::fast, h_.longText(300));
    auto state = std::make_shared<CaseState>();
    spec.arm = [this, state](SelfTestSession& session) {
        // The press is the user's input too, and the guard would stop first on it; with that
        // check off, only the hot key can stop the session, which is what this case tests.
        session.guards.front()->setDetectUserActivity(false);
        actAtCheck(session, 0.2, [this, state] {
            state->interferedAt = uptime();
            // The user's keyboard: through the HID tap, where the system matches hot keys.
            constexpr std::uint64_t controlOptionCommand = 0x40000 | 0x80000 | 0x100000;
            const auto stroke = static_cast<std::uint16_t>(HotKeyCenter::stopKeyCode);
            const auto down =
                h_.backend_->createKeyboardEvent({stroke, true, controlOptionCommand, u".", 0});
            const auto up =
                h_.backend_->createKeyboardEvent({stroke, false, controlOptionCommand, u".", 0});
            if (!down || !up) {
                state->actFailed = true;
            } else {
                h_.backend_->postKeyboardEvent(*down, KeyEventDestination::hidTap());
                h_.backend_->postKeyboardEvent(*up, KeyEventDestination::hidTap());
                // The engine is free to take the request while its check waits here, so the
                // stop arrives before the stroke this check is for.
                const double until = uptime() + 2;
                for (;;) {
                    {
                        std::lock_guard lock(h_.hotkeyLock_);
                        if (h_.hotkeyStopRequestedAt_ >= state->interferedAt || uptime() > until)
                            break;
                    }
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
            }
            state->interfered = true;
        });
    };
    spec.drive = [this, state](SelfTestSession& session, TestResult& result, Deadline deadline) {
        if (!awaitInterference(session, *state, result, deadline)) {
            state->ok = false;
            return h_.waitForSettled(session, deadline);
        }
        const double pressedAt = state->interferedAt;
        SessionPhase phase = session.engine->snapshot().phase;
        while ((phase.kind == Kind::typing || phase.kind == Kind::resuming) &&
               uptime() < pressedAt + 5) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            phase = session.engine->snapshot().phase;
        }
        const double stoppedAt = uptime();
        double requestedAt = 0;
        while (uptime() < pressedAt + 3) {
            {
                std::lock_guard lock(h_.hotkeyLock_);
                requestedAt = h_.hotkeyStopRequestedAt_;
            }
            if (requestedAt >= pressedAt)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        phase = h_.waitForSettled(session, deadline);
        sleepSeconds(0.3);
        const int afterPress = session.sink->strokesSince(pressedAt);
        result.metrics["按键后发送次数"] = afterPress;
        result.metrics["按键到停止确认毫秒"] = (stoppedAt - pressedAt) * 1000;
        if (state->actFailed || requestedAt < pressedAt) {
            result.details.push_back(state->actFailed
                                         ? "无法注入快捷键事件"
                                         : "快捷键 3 秒内没有送达（被其他程序占用？）");
            state->ok = false;
            return phase;
        }
        result.metrics["按键到停止请求毫秒"] = (requestedAt - pressedAt) * 1000;
        const int afterRequest = session.sink->strokesSince(requestedAt);
        result.details.push_back("快捷键 " + std::string(HotKeyCenter::stopDescription) +
                                 " 经 HID 注入；按键后发送 " + count(afterPress) +
                                 "，停止请求后发送 " + count(afterRequest) + "（必须为 0）");
        state->ok = afterRequest == 0;
        return phase;
    };
    spec.judge = [this, state](SelfTestSession& session, const SessionPhase& phase,
                               TestResult& result) {
        const bool emergency =
            phase.kind == Kind::cancelled && phase.reason.kind == StopReason::Kind::emergencyStop;
        if (!emergency)
            result.details.push_back("结束状态不是紧急停止");
        return h_.verifyIndependently(session, session.expectedForLanded(), result) && state->ok &&
               emergency;
    };
    h_.runTypingCase(spec);
}

} // namespace plumeo::selftest
