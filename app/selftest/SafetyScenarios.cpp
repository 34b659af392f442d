#include "app/selftest/SafetyScenarios.h"

#include "app/model/Preflight.h"
#include "app/selftest/FaultInjectingReader.h"
#include "app/selftest/ScenarioSupport.h"
#include "core/text/TextPreparer.h"
#include "core/verify/ContentComparator.h"
#include "platform/script/WordBridge.h"

#include <atomic>
#include <chrono>
#include <cstdio>

namespace plumeo::selftest {
namespace {

using Kind = SessionPhase::Kind;

const char16_t* const protectedText = u"只读文档不应出现这句话：protected document, nothing lands.";
const char16_t* const finalReadText = u"最终读回失败时，结果只能是「未验证」。Final read fails.";
const char16_t* const autoCorrectText = u"Plain \"quoted\" words -- and (c) symbol.";
// Word turns a--b into an em dash at the following space: typed text changes under the engine.
const char16_t* const editedFirstParagraph = u"第一段 part one: a--b is typed with two hyphens.";
const char16_t* const editedSecondParagraph = u"第二段：续写从这里接上，而且只出现一次。";

// A user would answer a stop at most a few times before giving up.
constexpr int maxAnsweredStops = 5;
constexpr double answerWaitSeconds = 120;

int strokesOf(const PreparedText& text, int units) {
    int strokes = 0;
    for (int index = 0; index < units; ++index)
        strokes += static_cast<int>(text.units[static_cast<std::size_t>(index)].strokes().size());
    return strokes;
}

std::string millis(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", seconds * 1000);
    return text;
}

std::size_t occurrences(const std::u16string& haystack, const std::u16string& needle) {
    std::size_t count = 0;
    for (std::size_t at = haystack.find(needle); at != std::u16string::npos;
         at = haystack.find(needle, at + 1))
        ++count;
    return count;
}

std::string utf8(const std::u16string& text) {
    std::string out;
    for (std::size_t index = 0; index < text.size(); ++index) {
        char32_t code = text[index];
        if (code >= 0xD800 && code <= 0xDBFF && index + 1 < text.size()) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[index + 1] - 0xDC00);
            ++index;
        }
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

std::string settingsLine(const std::vector<std::pair<std::string, bool>>& settings) {
    std::string line;
    for (const auto& [label, on] : settings)
        line += (line.empty() ? "" : "，") + label + "：" + (on ? "true" : "false");
    return line;
}

} // namespace

void SafetyScenarios::runProtectedDocument() {
    SelfTestHarness& h = harness_;
    SelfTestHarness::TypingCase spec;
    spec.id = "S1";
    spec.name = "只读/受保护文档：拒绝开始且运行时能发现";
    spec.article = protectedText;
    spec.limitSeconds = h.limit(900);
    auto findings = std::make_shared<std::vector<std::string>>();
    auto refused = std::make_shared<bool>(false);
    // Protected after the harness's own target check: the engine starts as if a pre-check had
    // been skipped, and must find out for itself.
    spec.arm = [&h, findings, refused](SelfTestSession& session) {
        try {
            h.fixture_->protectDocument(session.docName);
            const DocState state = h.bridge_->state();
            findings->push_back(std::string("检测结果：受保护=") +
                                (state.isProtected ? "true" : "false"));
            PreflightInput input;
            input.backend = h.backend_;
            input.bridge = std::make_shared<WordBridge>(h.backend_);
            input.target.pid = h.wordPID_;
            input.target.documentID = state.documentID;
            input.target.documentName = state.documentName;
            input.target.selectionStart = state.selectionStart;
            input.target.selectionEnd = state.selectionEnd;
            input.target.inMainStory = state.inMainStory;
            const auto preflight = runPreflight(input);
            if (const auto* refusal = std::get_if<std::string>(&preflight)) {
                findings->push_back("开始前检查拒绝开始：" + *refusal);
                *refused = state.isProtected;
            } else {
                findings->push_back("开始前检查没有拒绝受保护的文档");
            }
        } catch (...) {
            findings->push_back("设置保护失败：" + describeError(std::current_exception()));
        }
        findings->push_back("绕过开始前检查，直接启动引擎");
    };
    spec.judge = [&h, findings, refused](SelfTestSession& session, const SessionPhase& phase,
                                         TestResult& result) {
        result.details.insert(result.details.end(), findings->begin(), findings->end());
        const bool discovered = phase.kind != Kind::completed && phase.kind != Kind::typing;
        result.details.push_back(discovered ? "运行中的引擎发现文档不可编辑并停止"
                                            : "引擎没有发现文档不可编辑");
        if (!phase.isTerminal())
            session.engine->requestCancel(CancelKind::user);
        session.engine->waitUntilIdle(10);
        bool unchanged = false;
        try {
            WordBridge reader(h.backend_);
            reader.setBoundDocumentID(session.docName);
            unchanged = reader.readAll() == session.startContent;
            result.details.push_back(unchanged ? "文档内容未改变" : "文档内容被改变");
        } catch (...) {
            result.details.push_back("独立读回失败：" + describeError(std::current_exception()));
        }
        try {
            h.fixture_->unprotectDocument(session.docName);
        } catch (...) {
            result.details.push_back("解除保护失败：" + describeError(std::current_exception()));
        }
        result.metrics["按键次数（受保护时）"] = session.sink->strokes();
        return *refused && discovered && unchanged;
    };
    h.runTypingCase(spec);
}

void SafetyScenarios::runFailedFinalRead() {
    SelfTestHarness& h = harness_;
    SelfTestHarness::TypingCase spec;
    spec.id = "S2";
    spec.name = "最终读回失败时只显示「未验证」";
    spec.article = finalReadText;
    spec.limitSeconds = h.limit(900);
    auto injector = std::make_shared<std::shared_ptr<FaultInjectingReader>>();
    spec.wrapReader = [injector](std::shared_ptr<DocumentReader> inner) {
        *injector = std::make_shared<FaultInjectingReader>(std::move(inner));
        return *injector;
    };
    spec.arm = [injector](SelfTestSession& session) {
        const int lastStroke = strokesOf(session.text, static_cast<int>(session.text.units.size()));
        session.sink->setHook([injector, lastStroke](const KeyStroke&, int strokes) {
            if (strokes == lastStroke)
                (*injector)->setFailReadAll(true);
        });
    };
    spec.judge = [&h](SelfTestSession& session, const SessionPhase& phase, TestResult& result) {
        const bool unverified = phase.kind == Kind::completed &&
                                phase.outcome.kind == VerificationOutcome::Kind::unverified;
        const bool claimedVerified =
            phase.kind == Kind::completed &&
            phase.outcome.kind != VerificationOutcome::Kind::unverified &&
            phase.outcome.kind != VerificationOutcome::Kind::mismatch;
        result.details.push_back(
            unverified ? "注入读回故障后结果为「未验证」"
                       : (claimedVerified ? "注入读回故障后仍显示已验证" : "结果不是「未验证」"));
        result.details.push_back(std::string("最终已验证=") +
                                 (session.engine->snapshot().ledger.finalVerified ? "true"
                                                                                  : "false"));
        return unverified && !session.engine->snapshot().ledger.finalVerified &&
               h.verifyIndependently(session, session.expectedDocument(), result);
    };
    h.runTypingCase(spec);
}

void SafetyScenarios::runAutoCorrect() {
    SelfTestHarness& h = harness_;
    SelfTestHarness::TypingCase spec;
    spec.id = "S3";
    spec.name = "检测 Word 自动更正造成的差异（不修改用户设置）";
    spec.article = autoCorrectText;
    spec.limitSeconds = h.limit(900);
    auto before = std::make_shared<std::vector<std::pair<std::string, bool>>>();
    spec.arm = [&h, before](SelfTestSession&) {
        try {
            *before = h.bridge_->autocorrectSettings();
        } catch (...) {
        }
    };
    spec.judge = [&h, before](SelfTestSession& session, SessionPhase phase, TestResult& result) {
        result.details.push_back("自动更正设置（只读）：" +
                                 (before->empty() ? std::string("读取失败") : settingsLine(*before)));
        // Where a checkpoint stops on Word's changes, the user's answer is to accept them.
        for (int answered = 0; answered < maxAnsweredStops && phase.kind == Kind::paused;
             ++answered) {
            result.details.push_back("停止：" + phase.reason.message() + "；接受差异并继续");
            session.engine->acceptDifferencesAndContinue();
            phase = waitForPhase(
                *session.engine, [](const SessionPhase& p) { return p.kind != Kind::paused; }, 10);
            phase = waitForPhase(*session.engine, isSettled, answerWaitSeconds);
        }
        result.details.push_back("引擎结果：" + phase.title());
        std::vector<std::pair<std::string, bool>> after;
        try {
            after = h.bridge_->autocorrectSettings();
        } catch (...) {
        }
        const bool settingsKept = !before->empty() && after == *before;
        result.details.push_back(settingsKept ? "自动更正设置前后一致（未修改）"
                                              : "自动更正设置无法确认未被修改");
        std::u16string actual;
        try {
            WordBridge reader(h.backend_);
            reader.setBoundDocumentID(session.docName);
            actual = reader.readAll();
        } catch (...) {
            result.details.push_back("独立读回失败：" + describeError(std::current_exception()));
            return false;
        }
        const std::u16string expected = session.expectedDocument();
        const int insertedLength =
            static_cast<int>(expected.size() - session.startContent.size());
        const ComparisonReport report = ContentComparator::compare(
            expected, actual, InsertionRange{session.insertion, session.insertion + insertedLength},
            ContentComparator::defaultMaxHunks);
        int autocorrected = 0;
        int other = 0;
        for (const DifferenceHunk& hunk : report.hunks) {
            const bool byWord = isWordAutocorrect(hunk.kind) && !hunk.outsideInsertion;
            (byWord ? autocorrected : other)++;
            result.details.push_back(
                "差异：" + std::string(description(hunk.kind)) + "「" +
                utf8(expected.substr(static_cast<std::size_t>(hunk.expectedStart),
                                     static_cast<std::size_t>(hunk.expectedLength))) +
                "」→「" +
                utf8(actual.substr(static_cast<std::size_t>(hunk.actualStart),
                                   static_cast<std::size_t>(hunk.actualLength))) +
                "」");
        }
        result.metrics["自动更正差异数"] = autocorrected;
        result.metrics["其他差异数"] = other;
        const bool engineSawThem = phase.kind == Kind::completed &&
                                   phase.outcome.kind != VerificationOutcome::Kind::verified;
        if (report.hunks.empty())
            result.details.push_back("没有观察到自动更正（设置可能已关闭）");
        else if (!engineSawThem)
            result.details.push_back("引擎把有差异的文档报告为逐字一致");
        // With AutoCorrect off there is nothing to classify; what must hold is that nothing
        // else differs and the engine never calls a changed document verified.
        return settingsKept && other == 0 && (report.hunks.empty() || engineSawThem) &&
               phase.kind == Kind::completed;
    };
    h.runTypingCase(spec);
}

void SafetyScenarios::runStopInFlight() {
    SelfTestHarness& h = harness_;
    SelfTestHarness::TypingCase spec;
    spec.id = "S4";
    spec.name = "极速模式在途事件实测";
    spec.mode = TypingMode::fast;
    spec.article = h.longText(h.options_.quick ? 300 : 1000);
    spec.limitSeconds = h.limit(900);
    auto requestedAt = std::make_shared<std::atomic<double>>(0);
    auto returnedAt = std::make_shared<std::atomic<double>>(0);
    auto stopper = std::make_shared<InterferenceThread>();
    spec.arm = [&h, requestedAt, returnedAt, stopper](SelfTestSession& session) {
        const int trigger = strokesOf(session.text, static_cast<int>(session.text.units.size())) / 5;
        std::weak_ptr<TypingEngine> engine = session.engine;
        auto backend = h.backend_;
        session.sink->setHook([=](const KeyStroke&, int strokes) {
            if (strokes < trigger)
                return;
            stopper->startOnce([=] {
                if (const auto running = engine.lock()) {
                    requestedAt->store(backend->systemUptime());
                    running->requestPause(StopReason::userPause());
                    returnedAt->store(backend->systemUptime());
                }
            });
        });
    };
    spec.judge = [&h, requestedAt, returnedAt, stopper](SelfTestSession& session,
                                                        const SessionPhase& phase,
                                                        TestResult& result) {
        stopper->join();
        if (requestedAt->load() == 0) {
            result.details.push_back("停止没有发生（文本在触发点之前已输完）");
            return false;
        }
        const std::vector<double> times = session.sink->times();
        const int afterRequest = session.sink->strokesSince(requestedAt->load());
        const int afterReturn = session.sink->strokesSince(returnedAt->load());
        const double lastLate = times.empty() ? 0 : std::max(0.0, times.back() - requestedAt->load());
        result.details.push_back("停止请求后仍发送的按键（在途）：" + std::to_string(afterRequest) +
                                 "，最后一次在请求后 " + millis(lastLate) + " 毫秒");
        result.details.push_back("停止函数返回后发送的按键：" + std::to_string(afterReturn) +
                                 "（必须为 0）");
        result.metrics["停止请求后发送次数"] = afterRequest;
        result.metrics["停止请求后最后发送毫秒"] = lastLate * 1000;
        result.metrics["停止函数返回后发送次数"] = afterReturn;
        result.metrics["停止函数用时毫秒"] = (returnedAt->load() - requestedAt->load()) * 1000;
        int postsAfterStop = -1;
        if (const auto stop = session.engine->snapshot().lastStop) {
            if (const auto acknowledged = stop->ackLatencyMs())
                result.metrics["停止确认毫秒"] = *acknowledged;
            postsAfterStop = stop->postsAfterStop;
            result.metrics["引擎计数的停止后发送"] = postsAfterStop;
        }
        // The strokes between the call and the moment the request is in are what this case
        // measures: on a loaded machine the calling thread can wait that long for the engine.
        // What must hold is that none follows the recorded request or the call's return.
        if (afterRequest > 1)
            result.details.push_back("停止函数等待 " +
                                     millis(returnedAt->load() - requestedAt->load()) +
                                     " 毫秒才生效，其间发送的按键已计入已发送并核实");
        const bool paused = phase.kind == Kind::paused;
        const bool landed = h.verifyIndependently(session, session.expectedForLanded(), result);
        session.engine->requestCancel(CancelKind::user);
        session.engine->waitUntilIdle(10);
        return paused && afterReturn == 0 && postsAfterStop == 0 && landed;
    };
    h.runTypingCase(spec);
}

void SafetyScenarios::runResumeAfterWordEdits() {
    SelfTestHarness& h = harness_;
    SelfTestHarness::TypingCase spec;
    spec.id = "S5";
    spec.name = "Word 改动已写内容后仍能唯一定位续写（用户报告场景）";
    spec.article = std::u16string(editedFirstParagraph) + u"\n" + editedSecondParagraph;
    spec.limitSeconds = h.limit(900);
    auto stopper = std::make_shared<InterferenceThread>();
    spec.arm = [stopper](SelfTestSession& session) {
        // The outside stop comes inside the second paragraph, so the continuation must be
        // found behind text that Word has already rewritten.
        const int firstUnits = static_cast<int>(
            TextPreparer::prepare(std::u16string(editedFirstParagraph) + u"\n").units.size());
        const int trigger = strokesOf(session.text, firstUnits) + 3;
        std::weak_ptr<TypingEngine> engine = session.engine;
        session.sink->setHook([=](const KeyStroke&, int strokes) {
            if (strokes < trigger)
                return;
            stopper->startOnce([=] {
                if (const auto running = engine.lock())
                    running->requestPause(StopReason::userPause());
            });
        });
    };
    spec.judge = [&h, stopper](SelfTestSession& session, SessionPhase phase, TestResult& result) {
        stopper->join();
        int resumes = 0;
        for (int stops = 1; phase.kind == Kind::paused && stops <= maxAnsweredStops; ++stops) {
            // A checkpoint that sees Word's own change stops first; the user accepts it, and
            // every other stop is answered with the plain continue that reads back first.
            const bool wordChanged = phase.reason.kind == StopReason::Kind::readbackMismatch;
            result.details.push_back("第 " + std::to_string(stops) + " 次停止：" +
                                     phase.reason.message() +
                                     (wordChanged ? "；接受差异并继续" : "；读回后继续"));
            if (wordChanged) {
                session.engine->acceptDifferencesAndContinue();
            } else {
                ++resumes;
                session.engine->resume();
            }
            phase = waitForPhase(
                *session.engine, [](const SessionPhase& p) { return p.kind != Kind::paused; }, 10);
            phase = waitForPhase(*session.engine, isSettled, answerWaitSeconds);
        }
        result.metrics["续写次数"] = resumes;
        result.details.push_back("最终状态：" + phase.title());
        if (phase.kind == Kind::needsRelocation) {
            result.details.push_back("续写位置不唯一或找不到：" + phase.explanation);
            session.engine->requestCancel(CancelKind::user);
            session.engine->waitUntilIdle(10);
            return false;
        }
        std::u16string actual;
        try {
            WordBridge reader(h.backend_);
            reader.setBoundDocumentID(session.docName);
            actual = reader.readAll();
        } catch (...) {
            result.details.push_back("独立读回失败：" + describeError(std::current_exception()));
            return false;
        }
        const std::u16string after = session.startContent.substr(static_cast<std::size_t>(session.insertion));
        const std::u16string before = session.startContent.substr(0, static_cast<std::size_t>(session.insertion));
        const std::size_t seconds = occurrences(actual, editedSecondParagraph);
        const bool dashChanged = actual.find(u"a\u2014b") != std::u16string::npos;
        const bool intact = actual.rfind(before, 0) == 0 && actual.size() >= after.size() &&
                            actual.compare(actual.size() - after.size(), after.size(), after) == 0;
        result.details.push_back("Word 把 a--b 改成了 a—b：" + std::string(dashChanged ? "是" : "否"));
        result.details.push_back("第二段在文档中出现 " + std::to_string(seconds) + " 次（必须为 1）");
        result.details.push_back(intact ? "插入点前后的既有内容完整" : "既有内容被改变");
        return resumes >= 1 && phase.kind == Kind::completed && seconds == 1 && intact;
    };
    h.runTypingCase(spec);
}

void SafetyScenarios::runWordQuits() {
    SelfTestHarness& h = harness_;
    const std::string id = "Q1";
    const std::string name = "Word 退出时停止";
    if (h.userDocumentCount_ > 0) {
        h.record({id, name, TestResult::Status::notRun,
                  {std::to_string(h.userDocumentCount_) +
                   " 个非自检文档打开；为避免影响用户文档，不执行退出 Word 的测试。复现：关闭其他文档后运行 "
                   "--selftest quit"},
                  {}});
        return;
    }
    SelfTestHarness::TypingCase spec;
    spec.id = id;
    spec.name = name;
    spec.mode = TypingMode::fast;
    spec.article = h.longText(h.options_.quick ? 300 : 1000);
    spec.limitSeconds = h.limit(900);
    auto goneAt = std::make_shared<std::atomic<double>>(0);
    auto quitter = std::make_shared<InterferenceThread>();
    auto quitError = std::make_shared<std::string>();
    spec.arm = [&h, goneAt, quitter, quitError](SelfTestSession& session) {
        const int trigger = strokesOf(session.text, static_cast<int>(session.text.units.size())) / 5;
        session.sink->setHook([=, &h](const KeyStroke&, int strokes) {
            if (strokes < trigger)
                return;
            quitter->startOnce([=, &h] {
                try {
                    h.fixture_->quitWord();
                } catch (...) {
                    *quitError = describeError(std::current_exception());
                }
                for (int waited = 0; waited < 500 && h.backend_->processExists(h.wordPID_); ++waited)
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                if (!h.backend_->processExists(h.wordPID_))
                    goneAt->store(h.backend_->systemUptime());
            });
        });
    };
    spec.judge = [&h, goneAt, quitter, quitError](SelfTestSession& session,
                                                  const SessionPhase& phase, TestResult& result) {
        quitter->join();
        if (!quitError->empty())
            result.details.push_back("退出 Word 失败：" + *quitError);
        if (goneAt->load() == 0) {
            result.details.push_back("Word 进程没有结束");
            return false;
        }
        // Word closed every test document as it quit.
        h.createdDocs_.clear();
        const int after = session.sink->strokesSince(goneAt->load());
        result.details.push_back("Word 进程结束后发送的按键：" + std::to_string(after) +
                                 "（必须为 0）");
        result.metrics["进程结束后发送次数"] = after;
        const bool stopped = phase.kind != Kind::completed && phase.kind != Kind::typing;
        result.details.push_back(stopped ? "引擎已停止：" + phase.title() : "引擎没有停止");
        if (!phase.isTerminal())
            session.engine->requestCancel(CancelKind::user);
        session.engine->waitUntilIdle(10);
        return stopped && after == 0;
    };
    h.runTypingCase(spec);
}

} // namespace plumeo::selftest
