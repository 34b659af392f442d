#include "app/selftest/SelfTestHarness.h"

#include "app/selftest/InterferenceScenarios.h"
#include "app/selftest/ScenarioSupport.h"
#include "app/selftest/SelfTestDesktop.h"
#include "app/selftest/InterfaceScenario.h"
#include "app/selftest/SafetyScenarios.h"

#include "core/text/ModeSettings.h"
#include "core/text/TextPreparer.h"
#include "core/text/Utf16.h"
#include "core/verify/ContentComparator.h"
#include "platform/ax/AXInspector.h"
#include "platform/input/CGKeySink.h"
#include "platform/input/Permissions.h"
#include "platform/script/ScriptError.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <thread>

namespace plumeo::selftest {
namespace {

using Kind = SessionPhase::Kind;

const char16_t* const beforeParagraph = u"【既有内容·前】这一段在开始前就存在，必须保持完整。";
const char16_t* const afterParagraph = u"【既有内容·后】这一段位于插入点之后，也必须保持完整。";

const char16_t* const checklistText =
    u"自检清单：\n⌨️ 键盘就绪\n⚡ 极速通道\n❤️ 保持专注\n✅ 每步核对\n😂 轻松收尾";
const char16_t* const shortMixedText =
    u"Plumeo 自检短文：今天我们用 Word 输入一段 mixed text，包含中文、English words、"
    u"数字 2026 和标点。\n第二段继续：safety first，逐键检查，最后 read back 核对 🙂。";

constexpr int fullLongGraphemes = 3000;
constexpr int quickLongGraphemes = 300;
constexpr double wordWaitSeconds = 90;

std::string isoNow() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

std::string outcomeTitle(const SessionPhase& phase) {
    std::string title = phase.title();
    if (phase.kind == Kind::completed && phase.outcome.kind == VerificationOutcome::Kind::unverified)
        title += "（" + phase.outcome.reason + "）";
    if ((phase.kind == Kind::cancelled || phase.kind == Kind::failed || phase.kind == Kind::paused))
        title += "（" + phase.reason.message() + "）";
    return title;
}

bool completedVerified(const SessionPhase& phase) {
    return phase.kind == Kind::completed &&
           phase.outcome.kind == VerificationOutcome::Kind::verified;
}

} // namespace

std::vector<std::string> SelfTestHarness::groupsOf(const std::string& suite) {
    static const std::vector<std::string> known = {"smoke", "ui",         "bg",     "resume",
                                                   "core",  "interrupts", "safety", "quit"};
    if (suite == "all")
        return {"core", "interrupts", "safety", "quit"};
    for (const std::string& group : known) {
        if (group == suite)
            return {group};
    }
    return {};
}

std::string SelfTestHarness::summary(const std::vector<TestResult>& results) {
    std::string text = "\n## 汇总\n\n| 编号 | 用例 | 结果 |\n|---|---|---|";
    int counts[3] = {0, 0, 0};
    for (const TestResult& result : results) {
        text += "\n| " + result.id + " | " + result.name + " | " +
                std::string(TestResult::rawValue(result.status)) + " |";
        ++counts[static_cast<int>(result.status)];
    }
    text += "\n\n通过 " + std::to_string(counts[0]) + "，失败 " + std::to_string(counts[1]) +
            "，未执行 " + std::to_string(counts[2]);
    return text;
}

SelfTestHarness::SelfTestHarness(std::string suite, std::filesystem::path outputDir,
                                 std::shared_ptr<PlatformBackend> backend,
                                 SelfTestOptions options)
    : suite_(std::move(suite)), outputDir_(std::move(outputDir)), backend_(std::move(backend)),
      options_(options) {}

SelfTestHarness::~SelfTestHarness() = default;

void SelfTestHarness::record(TestResult result) {
    out_->line(result.reportEntry());
    results_.push_back(std::move(result));
}

void SelfTestHarness::notBuilt(const std::string& id, const std::string& name) {
    record({id, name, TestResult::Status::notRun, {"本版本的自检尚未实现此用例"}, {}});
}

int SelfTestHarness::run() {
    out_ = std::make_unique<SelfTestOutput>(outputDir_, "selftest-" + suite_ + ".md");
    writeHeader();
    const std::vector<std::string> groups = groupsOf(suite_);
    if (groups.empty()) {
        record({"SUITE", "套件名称", TestResult::Status::fail, {"未知套件：" + suite_}, {}});
    } else if (checkPreconditions()) {
        setUpCanaryAndHotKeys();
        for (const std::string& group : groups)
            runGroup(group);
        // A misspelt id would otherwise make a run that tests nothing and passes.
        for (const std::string& id : options_.cases) {
            if (!casesSeen_.contains(id))
                record({"CASES", "用例选择", TestResult::Status::fail,
                        {"套件 " + suite_ + " 中没有干扰用例 " + id}, {}});
        }
    }
    finish();
    for (const TestResult& result : results_) {
        if (result.status == TestResult::Status::fail)
            return 1;
    }
    return 0;
}

void SelfTestHarness::writeHeader() {
    out_->line("# 实机自检：" + suite_);
    out_->line("开始时间：" + isoNow());
    out_->line("说明：全部操作只在自检新建的测试文档中进行，文本为人工合成；测试文档结束后不保存关闭。");
    inputs_ = std::make_unique<InputSourceController>(backend_);
    originalInputSource_ = inputs_->current().id;
    out_->line("- **macOS**：" + backend_->operatingSystemVersion());
    out_->line("- **开始时输入源**：" + inputs_->current().name);
    if (options_.quick)
        out_->line("- **快速版**：长文缩短为 " + std::to_string(quickLongGraphemes) +
                   " 字素，时限相应缩短（完整版为 " + std::to_string(fullLongGraphemes) +
                   " 字素）");
    out_->line("- **长文字素数**：" +
               std::to_string(options_.quick ? quickLongGraphemes : fullLongGraphemes));
}

bool SelfTestHarness::checkPreconditions() {
    if (Permissions::accessibility(*backend_).kind != PermissionState::Kind::granted ||
        Permissions::postEvents(*backend_).kind != PermissionState::Kind::granted) {
        record({"PERM", "系统权限", TestResult::Status::fail,
                {"缺少辅助功能权限，全部实机用例未执行"}, {}});
        return false;
    }
    bridge_ = std::make_unique<WordBridge>(backend_);
    if (!WordBridge::isWordRunning(*backend_)) {
        out_->line("- **Word**：未运行，正在启动");
        backend_->openApplication(WordBridge::bundleID);
    }
    std::optional<WordBridge::Environment> environment;
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration<double>(options_.quick ? 10 : wordWaitSeconds);
    while (!environment && std::chrono::steady_clock::now() < deadline) {
        try {
            if (WordBridge::isWordRunning(*backend_))
                environment = bridge_->environment();
        } catch (const std::exception&) {
        }
        if (!environment)
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    if (!environment) {
        out_->line("- **Word**：启动后 90 秒内无法通过 AppleScript 读取（可能缺少自动化权限）");
        record({"WORD", "Word 可用", TestResult::Status::fail,
                {"Word 无法通过 AppleScript 读取（自动化权限？）"}, {}});
        return false;
    }
    wordPID_ = WordBridge::runningWord(*backend_)->pid;
    fixture_ = std::make_unique<WordFixtureDriver>(backend_);
    // Never-saved documents may be the user's own unsaved work, so the run only counts them;
    // closing them is left to --cleanup-test-docs, where the user asks for it.
    try {
        out_->line("- **清理遗留自检文档**：未关闭；未保存的文档 " +
                   std::to_string(fixture_->unsavedDocuments().size()) +
                   " 个（如为遗留测试文档，可运行 --cleanup-test-docs）");
    } catch (const std::exception& error) {
        out_->line(std::string("- **清理遗留自检文档**：无法列出：") + error.what());
    }
    userDocumentCount_ = environment->documentCount;
    out_->line("- **Word 版本**：" + environment->wordVersion);
    out_->line("- **自检开始前已打开的文档数**：" + std::to_string(userDocumentCount_) +
               "（只记录数量；自检不会读取或修改它们）");
    return true;
}

void SelfTestHarness::runGroup(const std::string& group) {
    out_->line("\n## 套件 " + group + "\n");
    const TypingCase checklist{"C0", "稳定·emoji 清单式文本（⌨️ ⚡ ❤️ ✅ 😂）",
                               TypingMode::stable, std::nullopt, false, 0, std::nullopt,
                               checklistText, limit(900), {}, {}};
    if (group == "smoke") {
        runTypingCase(checklist);
        runTypingCase({"SM", "冒烟·稳定·短篇混排", TypingMode::stable, std::nullopt, false, 0,
                       std::nullopt, shortMixedText, limit(900), {}, {}});
        runTypingCase({"SM2", "冒烟·极速·短篇混排（第二个测试文档）", TypingMode::fast,
                       std::nullopt, false, 0, std::nullopt, shortMixedText, limit(900), {}, {}});
    } else if (group == "core") {
        runCoreGroup();
    } else if (group == "interrupts") {
        InterferenceScenarios(*this).runInterrupts();
    } else if (group == "ui") {
        InterfaceScenario(*this).run();
    } else if (group == "bg") {
        InterferenceScenarios(*this).runBackground();
    } else if (group == "resume") {
        SafetyScenarios(*this).runResumeAfterWordEdits();
    } else if (group == "safety") {
        SafetyScenarios safety(*this);
        safety.runProtectedDocument();
        safety.runFailedFinalRead();
        safety.runAutoCorrect();
        safety.runStopInFlight();
        safety.runResumeAfterWordEdits();
    } else if (group == "quit") {
        SafetyScenarios(*this).runWordQuits();
    }
}

void SelfTestHarness::runCoreGroup() {
    const int longCount = options_.quick ? quickLongGraphemes : fullLongGraphemes;
    const std::string longLabel = std::to_string(longCount) + " 字";
    runTypingCase({"C0", "稳定·emoji 清单式文本（⌨️ ⚡ ❤️ ✅ 😂）", TypingMode::stable,
                   std::nullopt, false, 0, std::nullopt, checklistText, limit(900), {}, {}});

    std::optional<InputSourceController::SourceInfo> chinese;
    for (const auto& source : inputs_->enabledSources()) {
        if (source.isInputMethod && !chinese &&
            (source.id.find("SCIM") != std::string::npos ||
             source.id.find("Chinese") != std::string::npos ||
             source.id.find("Pinyin") != std::string::npos))
            chinese = source;
    }
    if (!chinese) {
        record({"C1", "稳定·短篇·中文输入法启用", TestResult::Status::notRun,
                {"本机未启用中文输入法"}, {}});
    } else if (!inputs_->select(chinese->id)) {
        record({"C1", "稳定·短篇混排·中文输入法（" + chinese->name + "）启用、不切换输入法",
                TestResult::Status::fail, {"无法选中中文输入法 " + chinese->id}, {}});
    } else {
        runTypingCase({"C1",
                       "稳定·短篇混排·中文输入法（" + chinese->name + "）启用、不切换输入法",
                       TypingMode::stable, std::nullopt, false, 0, std::nullopt, shortMixedText,
                       limit(900), {}, {}});
    }
    const auto ascii = inputs_->firstASCIIKeyboardLayout();
    if (!ascii || !inputs_->select(ascii->id)) {
        record({"C2", "稳定·短篇混排·英文键盘", TestResult::Status::notRun,
                {"本机没有可选的英文键盘布局"}, {}});
    } else {
        runTypingCase({"C2", "稳定·短篇混排·英文键盘（" + ascii->name + "）", TypingMode::stable,
                       std::nullopt, false, 0, std::nullopt, shortMixedText, limit(900), {}, {}});
    }
    runTypingCase({"C3", "稳定·长文（" + longLabel + "，速度 1200 字/分）", TypingMode::stable,
                   1200, false, 0, std::nullopt, longText(longCount), limit(1800), {}, {}});
    runTypingCase({"C4", "极速·短篇混排", TypingMode::fast, std::nullopt, false, 0,
                   std::nullopt, shortMixedText, limit(900), {}, {}});
    runTypingCase({"C5", "极速·长文（" + longLabel + "）", TypingMode::fast, std::nullopt, false,
                   0, std::nullopt, longText(longCount), limit(1800), {}, {}});
    runTypingCase({"C6", "自然节奏·短篇混排（默认速度，错字关闭）", TypingMode::natural,
                   std::nullopt, false, 0, std::nullopt, shortMixedText, limit(600), {}, {}});
    runTypingCase({"C7", "自然节奏·长文（" + longLabel + "，速度 1200 字/分，错字关闭）",
                   TypingMode::natural, 1200, false, 0, std::nullopt, longText(longCount),
                   limit(2400), {}, {}});
    runTypingCase({"C8", "自然节奏·错字效果（固定种子 20260911，错字率 0.08）",
                   TypingMode::natural, std::nullopt, true, 0.08, 20260911, shortMixedText,
                   limit(900), {}, {}});
}

double SelfTestHarness::limit(double full) const {
    return options_.quick ? std::min(full, 300.0) : full;
}

std::u16string SelfTestHarness::longText(int graphemes) const {
    // A repeating paragraph of mixed script, cut at a grapheme count; every piece is one
    // grapheme so the count is exact.
    static const std::vector<std::u16string> pieces = [] {
        std::vector<std::u16string> list;
        const std::u16string base =
            u"长文自检：逐键输入并在检查点读回。Plumeo types every key and checks 2026。🙂";
        for (char16_t unit : base) {
            if (unit >= 0xD800 && unit <= 0xDBFF) {
                list.emplace_back(1, unit);
            } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
                list.back().push_back(unit);
            } else {
                list.emplace_back(1, unit);
            }
        }
        list.emplace_back(u"\n");
        return list;
    }();
    std::u16string text;
    for (int index = 0; index < graphemes; ++index)
        text += pieces[static_cast<std::size_t>(index) % pieces.size()];
    while (!text.empty() && text.back() == u'\n')
        text.pop_back();
    return text;
}

std::optional<std::string> SelfTestHarness::prepareDocument(SelfTestSession& session) {
    try {
        session.docName = fixture_->newDocument();
        createdDocs_.push_back(session.docName);
        fixture_->activateDocument(session.docName);
        // The content is typed in like any text, without a guard: the document is new and ours.
        const PreparedText content = TextPreparer::prepare(std::u16string(beforeParagraph) +
                                                           u"\n" + afterParagraph);
        CGKeySink keys(backend_, CGKeySink::Route::pid(wordPID_));
        for (const TypeUnit& unit : content.units) {
            for (const KeyStroke& stroke : unit.strokes())
                keys.post(stroke, 1);
        }
        const std::u16string before(beforeParagraph);
        fixture_->setCursor(session.docName, static_cast<int>(before.size()) + 1);
        WordBridge reader(backend_);
        reader.setBoundDocumentID(session.docName);
        session.startContent = reader.readAll();
        const std::u16string expectedStart = before + u"\r" + afterParagraph;
        if (session.startContent.rfind(expectedStart, 0) != 0)
            return std::string("文档内容与写入的既有内容不同");
        session.insertion = static_cast<int>(before.size()) + 1;
        return std::nullopt;
    } catch (...) {
        return describeError(std::current_exception());
    }
}

std::optional<std::string> SelfTestHarness::checkTarget(const SelfTestSession& session) {
    // Activation is only a request: the system's focus says whether Word took it.
    if (AXInspector::systemFocusedAppPID(*backend_) != wordPID_)
        return std::string("Word 未成为前台");
    DocState state;
    try {
        state = bridge_->state();
    } catch (...) {
        return describeError(std::current_exception());
    }
    if (state.documentName != session.docName)
        return std::string("活动文档不是测试文档");
    if (state.selectionStart != state.selectionEnd || !state.inMainStory || state.isProtected ||
        state.selectionStart != session.insertion)
        return std::string("目标不是可编辑正文中的插入光标");
    return std::nullopt;
}

bool SelfTestHarness::verifyIndependently(const SelfTestSession& session,
                                          const std::u16string& expected, TestResult& result) {
    // A reader of its own, not the engine's: the check must not share the engine's view.
    auto script = std::make_shared<WordBridge>(backend_);
    script->setBoundDocumentID(session.docName);
    WordDocumentReader reader(script, backend_, wordPID_);
    std::u16string actual;
    try {
        actual = reader.readAll();
    } catch (...) {
        result.details.push_back("独立读回失败：" + describeError(std::current_exception()));
        return false;
    }
    const ComparisonReport report = ContentComparator::compare(expected, actual, std::nullopt, ContentComparator::defaultMaxHunks);
    if (report.isEqual()) {
        result.details.push_back("独立读回与预期逐码元一致（UTF-16 " +
                                 std::to_string(expected.size()) + "），既有内容完整");
        return true;
    }
    if (!reader.readsAreFaithful() && ContentComparator::scriptPlaceholderMatch(expected, actual)) {
        result.details.push_back("只有占位形式的读回（辅助功能不可用），无法逐字核实：" +
                                 reader.fallbackReason().value_or("") + "；占位形式一致");
        return true;
    }
    result.details.push_back("独立读回不一致：" + report.summary());
    return false;
}

SessionPhase SelfTestHarness::waitForSettled(const SelfTestSession& session,
                                             Deadline deadline) const {
    SessionPhase phase = session.engine->snapshot().phase;
    while (!phase.isTerminal() && phase.kind != Kind::paused &&
           phase.kind != Kind::needsRelocation && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        phase = session.engine->snapshot().phase;
    }
    return phase;
}

bool SelfTestHarness::selected(const std::string& id) {
    casesSeen_.insert(id);
    return options_.cases.empty() || options_.cases.contains(id);
}

void SelfTestHarness::setUpCanaryAndHotKeys() {
    // Both belong to the main thread on a real Mac: the window with its first responder, and
    // the Carbon handler that delivers the hot keys.
    bool canary = false;
    bool hotkeys = false;
    const bool ran = backend_->runOnMainThread(
        [&] {
            if (options_.desktop)
                canary = options_.desktop->openCanary(
                    "Plumeo 自检：错误窗口金丝雀", "如果本框出现任何字符，说明按键被写到了错误窗口");
            hotkeys_ = std::make_unique<HotKeyCenter>(
                backend_, [this](HotKeyCenter::Action action) { onHotKey(action); });
            hotkeys = hotkeys_->registerHotKeys();
        },
        10);
    canaryOpen_ = ran && canary;
    out_->line(std::string("- **金丝雀窗口**：") +
               (canaryOpen_ ? "已打开（Plumeo 自检：错误窗口金丝雀）"
                            : "无法打开；需要错误前台窗口的用例不执行"));
    out_->line(std::string("- **自检快捷键**：") + (ran && hotkeys ? "已注册 " : "注册失败 ") +
               std::string(HotKeyCenter::pauseDescription) + " / " +
               std::string(HotKeyCenter::stopDescription));
}

void SelfTestHarness::onHotKey(HotKeyCenter::Action action) {
    // Runs on the main thread; the engine's requests only record and return.
    std::lock_guard lock(hotkeyLock_);
    const std::shared_ptr<TypingEngine> engine = hotkeySession_.lock();
    if (!engine)
        return;
    if (action == HotKeyCenter::Action::emergencyStop) {
        hotkeyStopRequestedAt_ = backend_->systemUptime();
        engine->requestCancel(CancelKind::emergency);
        return;
    }
    if (engine->snapshot().phase.kind == Kind::paused)
        engine->resume();
    else
        engine->requestPause(StopReason::userPause());
}

void SelfTestHarness::runTypingCase(const TypingCase& spec) {
    TestResult result{spec.id, spec.name, TestResult::Status::fail, {}, {}};
    SelfTestSession session;
    if (const auto problem = prepareDocument(session)) {
        result.details.push_back("写入既有内容失败：" + *problem);
        record(std::move(result));
        return;
    }
    result.details.push_back("开始前激活文档 " + session.docName);
    try {
        fixture_->activateDocument(session.docName);
    } catch (...) {
        result.details.push_back("激活失败：" + describeError(std::current_exception()));
    }
    if (const auto problem = checkTarget(session)) {
        result.details.push_back(*problem);
        record(std::move(result));
        return;
    }
    std::shared_ptr<WordTargetGuard> guard = WordTargetGuard::make(backend_, wordPID_);
    if (!guard) {
        result.details.push_back("无法读取焦点窗口");
        record(std::move(result));
        return;
    }
    guard->setAllowBackground(false);
    session.guards.push_back(guard);
    auto script = std::make_shared<WordBridge>(backend_);
    script->setBoundDocumentID(session.docName);
    session.reader = std::make_shared<WordDocumentReader>(script, backend_, wordPID_);
    if (spec.wrapReader)
        session.reader = spec.wrapReader(session.reader);
    session.sink = std::make_shared<TappingSink>(
        std::make_shared<CGKeySink>(backend_, CGKeySink::Route::pid(wordPID_)),
        [backend = backend_] { return backend->systemUptime(); });
    try {
        session.text = TextPreparer::prepare(spec.article);
        TypingEngineOptions engineOptions;
        engineOptions.text = session.text;
        engineOptions.settings =
            ModeSettings::make(spec.mode, spec.unitsPerMinute, spec.typos, spec.typoRate);
        engineOptions.seed = spec.seed.value_or(20260911);
        engineOptions.sink = session.sink;
        engineOptions.guardian = guard;
        engineOptions.reader = session.reader;
        engineOptions.documentID = bridge_->state().documentID;
        engineOptions.initialContent = session.startContent;
        engineOptions.insertionOffset = session.insertion;
        session.engine = TypingEngine::create(std::move(engineOptions));
    } catch (...) {
        result.details.push_back("异常：" + describeError(std::current_exception()));
        record(std::move(result));
        return;
    }
    if (spec.arm)
        spec.arm(session);
    {
        std::lock_guard lock(hotkeyLock_);
        hotkeySession_ = session.engine;
    }
    session.startedAt = backend_->systemUptime();
    session.engine->start();

    const Deadline deadline = std::chrono::steady_clock::now() +
                              std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                  std::chrono::duration<double>(spec.limitSeconds));
    const SessionPhase phase = spec.drive ? spec.drive(session, result, deadline)
                                          : waitForSettled(session, deadline);
    const EngineSnapshot snapshot = session.engine->snapshot();
    const bool timedOut = !phase.isTerminal() && phase.kind != Kind::paused &&
                          phase.kind != Kind::needsRelocation;
    if (timedOut) {
        session.engine->requestCancel(CancelKind::user);
        session.engine->waitUntilIdle(10);
    }
    result.details.push_back("结果状态：" + outcomeTitle(phase));
    result.details.push_back("输入源：" + inputs_->current().name);
    result.details.push_back("已发送 " + std::to_string(snapshot.ledger.sentUnits) + " / 共 " +
                             std::to_string(snapshot.ledger.totalUnits));
    if (timedOut)
        result.details.push_back("异常：超过时限 " + std::to_string(int(spec.limitSeconds)) +
                                 " 秒，已取消");

    bool passed = false;
    if (spec.judge) {
        passed = spec.judge(session, phase, result);
    } else {
        const bool engineOK = completedVerified(phase);
        const bool independentOK = verifyIndependently(session, session.expectedDocument(), result);
        passed = engineOK && independentOK && !timedOut;
    }
    const double elapsed = backend_->systemUptime() - session.startedAt;
    const auto statistics = guard->statistics();
    result.metrics["UTF16长度"] = static_cast<double>(session.expectedDocument().size());
    result.metrics["按键次数"] = session.sink->strokes();
    result.metrics["实测字每秒"] = snapshot.measuredUnitsPerSecond.value_or(
        elapsed > 0 ? snapshot.ledger.sentUnits / elapsed : 0);
    result.metrics["逐事件检查平均毫秒"] = statistics.checkMeanSeconds() * 1000;
    result.metrics["逐事件检查最大毫秒"] = statistics.checkMaxSeconds * 1000;
    if (spec.typos) {
        result.metrics["错字次数"] = snapshot.ledger.typosMade;
        result.metrics["错字纠正次数"] = snapshot.ledger.typosCorrected;
    }
    // A scenario that finds it cannot test what it should says so itself.
    if (result.status != TestResult::Status::notRun)
        result.status = passed ? TestResult::Status::pass : TestResult::Status::fail;
    record(std::move(result));
}

void SelfTestHarness::finish() {
    {
        std::lock_guard lock(hotkeyLock_);
        hotkeySession_.reset();
    }
    if (hotkeys_ || canaryOpen_) {
        backend_->runOnMainThread(
            [this] {
                hotkeys_.reset();
                if (canaryOpen_)
                    options_.desktop->closeCanary();
            },
            10);
    }
    for (const std::string& name : createdDocs_) {
        try {
            fixture_->closeDocument(name);
        } catch (const std::exception& error) {
            out_->line("- 关闭测试文档 " + name + " 失败：" + error.what());
        }
    }
    if (inputs_ && !originalInputSource_.empty() &&
        inputs_->current().id != originalInputSource_)
        inputs_->select(originalInputSource_);
    out_->line(summary(results_) + "。结束时间：" + isoNow());
    nlohmann::ordered_json all = nlohmann::ordered_json::array();
    for (const TestResult& result : results_)
        all.push_back(result.toJson());
    std::ofstream json(outputDir_ / ("selftest-" + suite_ + ".json"));
    json << all.dump(2) << '\n';
}

} // namespace plumeo::selftest
