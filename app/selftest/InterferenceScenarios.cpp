#include "app/selftest/InterferenceScenarios.h"

#include "app/selftest/SelfTestDesktop.h"
#include "mac/ax/AXInspector.h"
#include "mac/input/CGKeySink.h"
#include "mac/script/WordBridge.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

namespace plumeo::selftest {

using Kind = SessionPhase::Kind;
using Status = TestResult::Status;

/// What a scenario's hook, its drive and its judge share. The hook runs on the engine's
/// worker, the rest on the harness's thread.
struct InterferenceScenarios::CaseState {
    std::atomic<double> interferedAt{0};
    std::atomic<bool> interfered{false};
    std::atomic<bool> actFailed{false};
    /// Set by the harness's thread only.
    bool ok = true;
    int stops = 0;
    std::string interference;
    /// A typo letter the stop left standing in the document; the engine removes it on resuming.
    std::u16string standingTypo;
    /// A helper the hook started (a dialog, a pause request); joined by the drive.
    std::thread helper;

    ~CaseState() {
        if (helper.joinable())
            helper.join();
    }
};

namespace {

const char16_t* const shortText =
    u"Plumeo 干扰自检：今天我们用 Word 输入一段 mixed text，包含中文、English words、"
    u"数字 2026 和标点。\n第二段继续：safety first，逐键检查，每次停止后 read back 核对 🙂。";

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

/// Waits until the phase is no longer `from`, at most `seconds`.
SessionPhase awaitLeaving(const SelfTestSession& session, Kind from, double seconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration_cast<
                                                              std::chrono::steady_clock::duration>(
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

/// What a stroke leaves in the document; empty for a backspace.
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
    pauseAndResume();
    cancel();
    emergencyHotKey();
    switchToCanary();
    typeBehindCanary();
    switchDocument();
    userClick();
    scriptMovesCursor();
    dialog();
    stopDuringTypo();
    trackedRevisions();
}

void InterferenceScenarios::runBackground() {
    switchToCanary();
    typeBehindCanary();
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
        if (!act())
            state->actFailed = true;
        state->interferedAt = uptime();
        state->interfered = true;
    });
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
    return [this, state](SelfTestSession& session, const SessionPhase& phase,
                         TestResult& result) {
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
        result.details.push_back("期间发生 " + count(pauses) +
                                 " 次外部干扰，引擎均停止发送，经读回核对后继续：" +
                                 state->interference + "；最终已验证=" +
                                 (completedVerified(phase) ? "true" : "false"));
        return phase;
    };
    spec.judge = judgeCompleted(state);
    h_.runTypingCase(spec);
}

// -- The cancel case -----------------------------------------------------------------------------

void InterferenceScenarios::cancel() {
    TypingCase spec = interferenceCase(
        "I2", "取消（" + title(TypingMode::fast) + "）：取消后无后续发送", TypingMode::fast,
        h_.longText(h_.options_.quick ? 300 : 3000));
    auto cancelReturnedAt = std::make_shared<std::atomic<double>>(0);
    auto canceller = std::make_shared<std::thread>();
    spec.arm = [this, cancelReturnedAt, canceller](SelfTestSession& session) {
        const int trigger = static_cast<int>(session.text.units.size()) / 5;
        std::weak_ptr<TypingEngine> engine = session.engine;
        session.sink->setHook([=, this](const KeyStroke&, int strokes) {
            // The hook runs on the engine's worker under its lock: cancelling from there would
            // wait on itself, so a thread of its own cancels, as the user's click would.
            if (strokes != trigger)
                return;
            *canceller = std::thread([engine, cancelReturnedAt, this] {
                if (const auto running = engine.lock()) {
                    running->requestCancel(CancelKind::user);
                    cancelReturnedAt->store(uptime());
                }
            });
        });
    };
    spec.judge = [this, cancelReturnedAt, canceller](SelfTestSession& session,
                                                     const SessionPhase& phase,
                                                     TestResult& result) {
        if (canceller->joinable())
            canceller->join();
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
    TypingCase spec = interferenceCase("I3", "紧急停止快捷键（极速模式）", TypingMode::fast,
                                       h_.longText(300));
    auto state = std::make_shared<CaseState>();
    spec.arm = [this, state](SelfTestSession& session) {
        // The press is the user's input too, and the guard would stop first on it; with that
        // check off, only the hot key can stop the session, which is what this case tests.
        session.guards.front()->setDetectUserActivity(false);
        interfereAt(session, 0.2, state, [this] {
            // The user's keyboard: through the HID tap, where the system matches hot keys.
            constexpr std::uint64_t controlOptionCommand = 0x40000 | 0x80000 | 0x100000;
            const auto stroke = static_cast<std::uint16_t>(HotKeyCenter::stopKeyCode);
            const auto down = h_.backend_->createKeyboardEvent(
                {stroke, true, controlOptionCommand, u".", 0});
            const auto up = h_.backend_->createKeyboardEvent(
                {stroke, false, controlOptionCommand, u".", 0});
            if (!down || !up)
                return false;
            h_.backend_->postKeyboardEvent(*down, KeyEventDestination::hidTap());
            h_.backend_->postKeyboardEvent(*up, KeyEventDestination::hidTap());
            return true;
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
            result.details.push_back(state->actFailed ? "无法注入快捷键事件"
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
        return h_.verifyIndependently(session, session.expectedForLanded(), result) &&
               state->ok && emergency;
    };
    h_.runTypingCase(spec);
}

// -- I4a, I4b ------------------------------------------------------------------------------------

void InterferenceScenarios::switchToCanary() {
    const std::string name = "仅前台模式：切换应用时停止，不写入错误窗口";
    if (!canaryAvailable("I4a", name))
        return;
    TypingCase spec = interferenceCase("I4a", name, TypingMode::fast, h_.longText(300));
    auto state = std::make_shared<CaseState>();
    state->interference = "切换到金丝雀窗口";
    spec.arm = [this, state](SelfTestSession& session) {
        session.guards.front()->setAllowBackground(false);
        interfereAt(session, 0.2, state, [this] { return h_.options_.desktop->bringCanaryToFront(); });
    };
    spec.drive = [this, state](SelfTestSession& session, TestResult& result, Deadline deadline) {
        if (!awaitInterference(session, *state, result, deadline)) {
            state->ok = false;
            return h_.waitForSettled(session, deadline);
        }
        if (state->actFailed) {
            result.details.push_back("金丝雀窗口没有来到前台");
            state->ok = false;
        }
        h_.waitForSettled(session, deadline);
        // What the engine still sent once the switch had happened.
        sleepSeconds(0.1);
        const double switchedAt = state->interferedAt;
        const int after = session.sink->strokesSince(switchedAt);
        const int after50 = session.sink->strokesSince(switchedAt + 0.05);
        result.details.push_back("切换后发送 " + count(after) + "，切换 50 毫秒后发送 " +
                                 count(after50) + "（必须为 0）");
        result.metrics["切换后发送"] = after;
        result.metrics["切换50毫秒后发送"] = after50;
        state->ok = canaryEmpty(result) && after50 == 0 && state->ok;
        return carryOn(session, result, deadline, *state);
    };
    spec.judge = judgeCompleted(state);
    h_.runTypingCase(spec);
}

void InterferenceScenarios::typeBehindCanary() {
    const std::string name = "后台模式：切到其他应用后继续输入、不写入前台应用、回前台逐字核实";
    if (!canaryAvailable("I4b", name))
        return;
    TypingCase spec = interferenceCase("I4b", name, TypingMode::fast, h_.longText(300));
    auto state = std::make_shared<CaseState>();
    spec.arm = [this, state](SelfTestSession& session) {
        session.guards.front()->setAllowBackground(true);
        interfereAt(session, 0.2, state, [this] { return h_.options_.desktop->bringCanaryToFront(); });
    };
    spec.drive = [this, state](SelfTestSession& session, TestResult& result, Deadline deadline) {
        if (!awaitInterference(session, *state, result, deadline))
            state->ok = false;
        if (state->actFailed) {
            result.details.push_back("金丝雀窗口没有来到前台");
            state->ok = false;
        }
        SessionPhase phase = h_.waitForSettled(session, deadline);
        result.details.push_back("金丝雀在前台时：" + stopTitle(phase));
        const auto statistics = session.guards.front()->statistics();
        result.metrics["后台逐事件检查次数"] = statistics.backgroundChecks;
        state->ok = canaryEmpty(result) && state->ok;
        // Word in front again, every unit is checked through Accessibility.
        try {
            h_.fixture_->activateDocument(session.docName);
        } catch (...) {
            result.details.push_back("重新激活测试文档失败：" + errorText(std::current_exception()));
        }
        if (phase.kind == Kind::paused || phase.kind == Kind::needsRelocation) {
            state->stops = 1;
            state->interference = "后台期间停止";
            return carryOn(session, result, deadline, *state);
        }
        if (phase.kind == Kind::completed && !completedVerified(phase)) {
            result.details.push_back("回到前台后重新核对");
            session.engine->reverify();
            session.engine->waitUntilIdle(60);
            phase = session.engine->snapshot().phase;
        }
        return phase;
    };
    spec.judge = judgeCompleted(state);
    h_.runTypingCase(spec);
}

// -- I5 ------------------------------------------------------------------------------------------

void InterferenceScenarios::switchDocument() {
    TypingCase spec = interferenceCase("I5", "切换 Word 文档时停止，不写入其他文档",
                                       TypingMode::stable, shortText);
    auto state = std::make_shared<CaseState>();
    state->interference = "切换到另一个测试文档";
    auto other = std::make_shared<std::string>();
    auto otherBefore = std::make_shared<std::optional<std::u16string>>();
    spec.arm = [this, state, other, otherBefore](SelfTestSession& session) {
        try {
            *other = h_.fixture_->newDocument();
            h_.createdDocs_.push_back(*other);
            *otherBefore = readDocument(*other);
            h_.fixture_->activateDocument(session.docName);
        } catch (...) {
            other->clear();
        }
        interfereAt(session, 0.2, state, [this, other] {
            if (other->empty())
                return false;
            try {
                h_.fixture_->activateDocument(*other);
                return true;
            } catch (...) {
                return false;
            }
        });
    };
    spec.drive = [this, state, other, otherBefore](SelfTestSession& session, TestResult& result,
                                                   Deadline deadline) {
        if (!awaitInterference(session, *state, result, deadline) || state->actFailed) {
            result.details.push_back("无法切换到另一个测试文档");
            state->ok = false;
            return h_.waitForSettled(session, deadline);
        }
        h_.waitForSettled(session, deadline);
        sleepSeconds(0.3);
        const int after = session.sink->strokesSince(state->interferedAt);
        result.metrics["切换后发送"] = after;
        const auto otherNow = readDocument(*other);
        const bool unchanged = otherNow && *otherBefore && *otherNow == **otherBefore;
        result.details.push_back("另一个测试文档 " + *other + "：" +
                                 (unchanged ? "内容未改变" : "内容被改变或无法读取"));
        state->ok = unchanged;
        return carryOn(session, result, deadline, *state);
    };
    spec.judge = judgeCompleted(state);
    h_.runTypingCase(spec);
}

// -- I6, I7 --------------------------------------------------------------------------------------

void InterferenceScenarios::userClick() {
    const std::string name = "用户点击改变光标时停止，续写需重新定位";
    if (!h_.options_.desktop) {
        h_.record({"I6", name, Status::notRun, {"本平台无法注入鼠标点击"}, {}});
        return;
    }
    TypingCase spec = interferenceCase("I6", name, TypingMode::stable, shortText);
    auto state = std::make_shared<CaseState>();
    state->interference = "鼠标点击既有内容";
    // Inside the paragraph before the insertion point: away from where typing goes on.
    constexpr int clickPosition = 3;
    spec.arm = [this, state](SelfTestSession& session) {
        interfereAt(session, 0.2, state,
                    [this] { return h_.options_.desktop->clickInWordBody(clickPosition); });
    };
    spec.drive = [this, state](SelfTestSession& session, TestResult& result, Deadline deadline) {
        if (!awaitInterference(session, *state, result, deadline)) {
            state->ok = false;
            return h_.waitForSettled(session, deadline);
        }
        if (state->actFailed) {
            // Not the body under the click: the case tests nothing, so it does not count.
            result.status = Status::notRun;
            result.details.push_back("点击位置不是 Word 正文，本用例不执行");
            session.engine->requestCancel(CancelKind::user);
            return h_.waitForSettled(session, deadline);
        }
        sleepSeconds(0.02);
        const int after20 = session.sink->strokesSince(state->interferedAt + 0.02);
        h_.waitForSettled(session, deadline);
        const int after = session.sink->strokesSince(state->interferedAt);
        result.details.push_back("点击位置 " + count(clickPosition) + "；点击后发送 " +
                                 count(after) + "，点击 20 毫秒后发送 " + count(after20));
        result.metrics["点击后发送"] = after;
        result.metrics["点击20毫秒后发送"] = after20;
        const auto document = readDocument(session.docName);
        const int misplaced =
            document ? unitsOutOfPlace(session.expectedForLanded(), *document) : -1;
        result.details.push_back("点击位置写入的 UTF-16 码元：" + count(misplaced) +
                                 "（必须为 0）");
        state->ok = misplaced == 0;
        return carryOn(session, result, deadline, *state);
    };
    spec.judge = judgeCompleted(state);
    h_.runTypingCase(spec);
}

void InterferenceScenarios::scriptMovesCursor() {
    TypingCase spec = interferenceCase("I7", "脚本移动光标（非物理）时停止", TypingMode::stable,
                                       shortText);
    auto state = std::make_shared<CaseState>();
    state->interference = "脚本把光标移到文档开头";
    spec.arm = [this, state](SelfTestSession& session) {
        const std::string docName = session.docName;
        interfereAt(session, 0.2, state, [this, docName] {
            try {
                h_.fixture_->setCursor(docName, 0);
                return true;
            } catch (...) {
                return false;
            }
        });
    };
    spec.drive = [this, state](SelfTestSession& session, TestResult& result, Deadline deadline) {
        if (!awaitInterference(session, *state, result, deadline) || state->actFailed) {
            result.details.push_back("脚本没能移动光标");
            state->ok = false;
            return h_.waitForSettled(session, deadline);
        }
        h_.waitForSettled(session, deadline);
        sleepSeconds(0.3);
        const auto document = readDocument(session.docName);
        const int misplaced =
            document ? unitsOutOfPlace(session.expectedForLanded(), *document) : -1;
        result.details.push_back("写到错误位置的 UTF-16 码元：" + count(misplaced) +
                                 "（必须为 0）");
        result.metrics["错误位置码元"] = misplaced;
        result.metrics["移动后发送"] = session.sink->strokesSince(state->interferedAt);
        state->ok = misplaced == 0;
        return carryOn(session, result, deadline, *state);
    };
    spec.judge = judgeCompleted(state);
    h_.runTypingCase(spec);
}

// -- I8 ------------------------------------------------------------------------------------------

void InterferenceScenarios::dialog() {
    TypingCase spec =
        interferenceCase("I8", "Word 弹出对话框时停止", TypingMode::stable, shortText);
    auto state = std::make_shared<CaseState>();
    state->interference = "Word 对话框（4 秒后自动关闭）";
    auto answer = std::make_shared<std::string>();
    spec.arm = [this, state, answer](SelfTestSession& session) {
        interfereAt(session, 0.2, state, [this, state, answer] {
            state->helper = std::thread([this, answer] {
                try {
                    *answer = h_.fixture_->showDialog(4);
                } catch (...) {
                    *answer = "失败：" + errorText(std::current_exception());
                }
            });
            // The interference counts from when the dialog has Word's focus.
            AXInspector ax(h_.backend_, h_.wordPID_);
            const double until = uptime() + 3;
            while (uptime() < until) {
                const auto focus = ax.focusInfo();
                if (focus && (focus->isModal || focus->windowSubrole == "AXDialog"))
                    return true;
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            return false;
        });
    };
    spec.drive = [this, state, answer](SelfTestSession& session, TestResult& result,
                                       Deadline deadline) {
        if (!awaitInterference(session, *state, result, deadline) || state->actFailed) {
            result.details.push_back("对话框 3 秒内没有出现");
            state->ok = false;
        }
        const SessionPhase stopped = h_.waitForSettled(session, deadline);
        const int after = session.sink->strokesSince(state->interferedAt);
        result.details.push_back("对话框出现后发送的按键：" + count(after) + "（必须为 0）");
        result.metrics["对话框出现后发送"] = after;
        state->ok = state->ok && after == 0;
        if (state->helper.joinable())
            state->helper.join();
        result.details.push_back("对话框：" + *answer);
        if (stopped.kind != Kind::paused)
            state->ok = false;
        return carryOn(session, result, deadline, *state);
    };
    spec.judge = judgeCompleted(state);
    h_.runTypingCase(spec);
}

// -- I9, I10 -------------------------------------------------------------------------------------

void InterferenceScenarios::stopDuringTypo() {
    TypingCase spec = interferenceCase("I9", "自然节奏错字纠正期间中断：不误删原有内容",
                                       TypingMode::natural, shortText);
    spec.typos = true;
    spec.typoRate = 0.08;
    spec.seed = 20260911;
    spec.limitSeconds = h_.limit(600);
    auto state = std::make_shared<CaseState>();
    state->interference = "错字刚键入、尚未纠正时暂停";
    spec.arm = [this, state](SelfTestSession& session) {
        // The first stroke that leaves something other than the article's next text is the
        // first typo letter.
        const std::u16string article = session.text.fullWordString();
        auto position = std::make_shared<std::size_t>(0);
        std::weak_ptr<TypingEngine> engine = session.engine;
        session.sink->setHook([this, state, article, position, engine](const KeyStroke& stroke,
                                                                       int) {
            if (state->interfered)
                return;
            const std::u16string text = strokeText(stroke);
            if (text.empty())
                return;
            if (article.compare(*position, text.size(), text) == 0) {
                *position += text.size();
                return;
            }
            state->interferedAt = uptime();
            state->standingTypo = text;
            // The engine's lock is held here: the pause comes from a thread of its own.
            state->helper = std::thread([engine] {
                if (const auto running = engine.lock())
                    running->requestPause(StopReason::userPause());
            });
            state->interfered = true;
        });
    };
    spec.drive = [this, state](SelfTestSession& session, TestResult& result, Deadline deadline) {
        if (!awaitInterference(session, *state, result, deadline)) {
            result.details.push_back("没有出现错字");
            state->ok = false;
            return h_.waitForSettled(session, deadline);
        }
        if (state->helper.joinable())
            state->helper.join();
        h_.waitForSettled(session, deadline);
        sleepSeconds(0.3);
        const auto document = readDocument(session.docName);
        const std::u16string before = session.startContent.substr(0, session.insertion);
        const std::u16string after = session.startContent.substr(session.insertion);
        const bool intact = document && document->size() >= before.size() + after.size() &&
                            document->compare(0, before.size(), before) == 0 &&
                            document->compare(document->size() - after.size(), after.size(),
                                              after) == 0;
        result.details.push_back(std::string("暂停时（错字尚未纠正）既有内容：") +
                                 (intact ? "完整" : "被改动或无法读取"));
        result.metrics["错字后发送"] = session.sink->strokesSince(state->interferedAt);
        state->ok = intact;
        return carryOn(session, result, deadline, *state);
    };
    spec.judge = judgeCompleted(state);
    h_.runTypingCase(spec);
}

void InterferenceScenarios::trackedRevisions() {
    TypingCase spec = interferenceCase("I10", "修订开启时的行为（含自然节奏错字纠正）",
                                       TypingMode::natural, shortText);
    spec.typos = true;
    spec.typoRate = 0.08;
    spec.seed = 20260911;
    spec.limitSeconds = h_.limit(600);
    auto state = std::make_shared<CaseState>();
    auto revisionsBefore = std::make_shared<int>(-1);
    spec.arm = [this, revisionsBefore](SelfTestSession& session) {
        try {
            h_.fixture_->setRevisions(session.docName, true);
            *revisionsBefore = h_.fixture_->revisionCount(session.docName);
        } catch (...) {
            *revisionsBefore = -1;
        }
    };
    spec.drive = [this, state, revisionsBefore](SelfTestSession& session, TestResult& result,
                                                Deadline deadline) {
        const SessionPhase phase = h_.waitForSettled(session, deadline);
        int revisionsAfter = -1;
        bool tracking = false;
        try {
            revisionsAfter = h_.fixture_->revisionCount(session.docName);
            tracking = h_.bridge_->state().trackRevisions;
        } catch (...) {
            result.details.push_back("无法读取修订：" + errorText(std::current_exception()));
        }
        result.details.push_back("修订条数：开始前 " + count(*revisionsBefore) + "，结束后 " +
                                 count(revisionsAfter) + "；修订跟踪" +
                                 (tracking ? "仍开启" : "已关闭"));
        result.metrics["修订数开始前"] = *revisionsBefore;
        result.metrics["修订数结束后"] = revisionsAfter;
        // Typing may add revisions of its own; it must never take away the ones there were.
        state->ok = *revisionsBefore >= 0 && revisionsAfter >= *revisionsBefore && tracking;
        return phase;
    };
    spec.judge = judgeCompleted(state);
    h_.runTypingCase(spec);
}

} // namespace plumeo::selftest
