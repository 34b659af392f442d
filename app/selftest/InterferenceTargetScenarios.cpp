#include "app/selftest/InterferenceScenarios.h"
#include "app/selftest/InterferenceSupport.h"
#include "app/selftest/SelfTestDesktop.h"
#include "platform/ax/AXInspector.h"

#include <thread>

namespace plumeo::selftest {

using namespace interference;
using Kind = SessionPhase::Kind;
using Status = TestResult::Status;

namespace {

const char16_t* const shortText =
    u"Plumeo 干扰自检：今天我们用 Word 输入一段 mixed text，包含中文、English words、"
    u"数字 2026 和标点。\n第二段继续：safety first，逐键检查，每次停止后 read back 核对 "
    u"🙂。";

} // namespace

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
        interfereAt(session, 0.2, state,
                    [this] { return h_.options_.desktop->bringCanaryToFront(); });
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
        interfereAt(session, 0.2, state,
                    [this] { return h_.options_.desktop->bringCanaryToFront(); });
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
            result.details.push_back("重新激活测试文档失败：" +
                                     errorText(std::current_exception()));
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
    if (!h_.options_.desktop || !h_.options_.desktop->injectsClicks()) {
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
    TypingCase spec =
        interferenceCase("I7", "脚本移动光标（非物理）时停止", TypingMode::stable, shortText);
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
        session.sink->setHook(
            [this, state, article, position, engine](const KeyStroke& stroke, int) {
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
        const bool intact =
            document && document->size() >= before.size() + after.size() &&
            document->compare(0, before.size(), before) == 0 &&
            document->compare(document->size() - after.size(), after.size(), after) == 0;
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
