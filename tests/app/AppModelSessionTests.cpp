// Whole sessions through the application model against a simulated Word.

#include "core/engine/TypingEngine.h"
#include "tests/app/ModelTestSupport.h"

#include <unistd.h>

using namespace plumeo;
using namespace plumeo::testing;
using Kind = SessionPhase::Kind;

namespace {

constexpr std::uint64_t controlOptionCommand = 0x40000 | 0x80000 | 0x100000;
const std::u16string longArticle(400, u'字');

std::string status(const AppModel& model) {
    return model.statusMessage().toStdString();
}

int stopLines(const AppModel& model) {
    return static_cast<int>(model.resultDetails().filter(QStringLiteral("停止响应")).size());
}

bool sentAtLeast(const AppModel& model, int units) {
    return model.snapshot() && model.snapshot()->ledger.sentUnits >= units;
}

} // namespace

using AppModelSession = ModelFixture;

TEST_F(AppModelSession, TypesFromDetectionToAVerifiedDocument) {
    control().setDocumentText(documentName, u"前文\r后文", 3);
    auto model = makeModel(0);
    model->setArticle(QStringLiteral("Hi 世界！\n第二段 😀"));
    detectAndConfirm(*model);
    EXPECT_EQ(model->target()->contextBefore, u"前文\r");
    EXPECT_EQ(model->target()->paragraphNumber, 2);

    model->start();
    // A countdown of 0 goes straight to the preflight.
    EXPECT_EQ(model->phase().kind, Kind::preparing);
    EXPECT_EQ(status(*model), "正在核对目标…");
    ASSERT_TRUE(waitUntil([&] { return model->phase().isTerminal(); }));
    EXPECT_EQ(model->phase(), SessionPhase::completed(VerificationOutcome::verified()));
    EXPECT_EQ(status(*model), "完成：整篇读回与原文逐字一致，插入位置前后的原有内容完整。");
    EXPECT_EQ(model->progressText().toStdString(), "已发送 12 · 已确认 12 · 共 12");
    EXPECT_EQ(model->sentFraction(), 1.0);
    EXPECT_EQ(documentText(), u"前文\rHi 世界！\r第二段 😀后文\r");
}

TEST_F(AppModelSession, CountsDownFromThreeBeforeCheckingTheTarget) {
    auto model = makeModel(3);
    model->setArticle(QStringLiteral("倒计时"));
    detectAndConfirm(*model);
    std::vector<std::pair<SessionPhase, std::string>> seen;
    QObject::connect(model.get(), &AppModel::phaseChanged, model.get(),
                     [&] { seen.emplace_back(model->phase(), status(*model)); });
    model->start();
    EXPECT_EQ(status(*model), "3 秒后开始，请把手离开键盘和鼠标。");
    ASSERT_TRUE(waitUntil([&] { return model->phase().isTerminal(); }));

    ASSERT_GE(seen.size(), 4u);
    EXPECT_EQ(seen[0].first, SessionPhase::countdown(3));
    EXPECT_EQ(seen[1].first, SessionPhase::countdown(2));
    EXPECT_EQ(seen[1].second, "2 秒后开始，请把手离开键盘和鼠标。");
    EXPECT_EQ(seen[2].first, SessionPhase::countdown(1));
    EXPECT_EQ(seen[3].first.kind, Kind::preparing);
    EXPECT_EQ(model->phase(), SessionPhase::completed(VerificationOutcome::verified()));
}

TEST_F(AppModelSession, PreflightFailuresAbandonTheStartWithTheirText) {
    control().setDocumentText(documentName, u"原有内容", 2);
    auto model = makeModel(0);
    model->setArticle(QStringLiteral("不应出现"));
    int raised = 0;
    QObject::connect(model.get(), &AppModel::applicationActivationRequested, model.get(),
                     [&] { ++raised; });
    const auto expectAbandoned = [&](const std::string& text) {
        ASSERT_TRUE(waitUntil([&] { return model->phase().kind == Kind::idle; }, 10));
        EXPECT_EQ(status(*model), text);
        EXPECT_FALSE(model->targetConfirmed());
        EXPECT_EQ(documentText(), u"原有内容\r");
    };

    detectAndConfirm(*model);
    control().setSelection(documentName, 3, 3);
    model->start();
    expectAbandoned("插入位置在确认后发生了变化，请重新检测并确认。");
    EXPECT_EQ(raised, 1);

    detectAndConfirm(*model);
    ASSERT_TRUE(control().openSheet());
    model->start();
    expectAbandoned("Word 当前有对话框打开。");
    control().closeSheet();

    // Another application comes forward during the countdown and keeps the front.
    model->setCountdownSeconds(1);
    detectAndConfirm(*model);
    ASSERT_TRUE(control().registerApp(getpid(), "com.example.other", "Other", "Other"));
    model->start();
    ASSERT_TRUE(control().activate(getpid()));
    expectAbandoned("Word 没有成为前台应用，已取消开始。");
    control().unregisterApp(getpid());

    model->setCountdownSeconds(0);
    detectAndConfirm(*model);
    control().newDocument();
    model->start();
    expectAbandoned("当前活动文档与确认的目标不同，请重新检测并确认。");
}

TEST_F(AppModelSession, HotKeyPausesAndResumesWithOneStopMeasurementLine) {
    auto model = makeModel(0);
    model->setArticle(QString::fromStdU16String(longArticle));
    detectAndConfirm(*model);
    model->start();

    for (int pause = 1; pause <= 2; ++pause) {
        ASSERT_TRUE(waitUntil([&] { return sentAtLeast(*model, 40 * pause); }));
        control().pressKey(35, controlOptionCommand);
        ASSERT_TRUE(waitUntil([&] { return model->phase().kind == Kind::paused && stopLines(*model); }));
        // The press may reach the guard as input before the hot key arrives: either way it
        // pauses, and the hot key arriving late must not take the pause back.
        waitUntil([] { return false; }, 1.2);
        ASSERT_EQ(model->phase().kind, Kind::paused) << "pause " << pause;
        EXPECT_TRUE(status(*model).ends_with("点「继续」会先重新读回、核对续写位置。"));
        EXPECT_EQ(stopLines(*model), 1) << model->resultDetails().join("\n").toStdString();
        control().pressKey(35, controlOptionCommand);
        ASSERT_TRUE(waitUntil([&] { return model->phase().kind == Kind::typing; }));
    }
    ASSERT_TRUE(waitUntil([&] { return model->phase().isTerminal(); }, 30));
    EXPECT_EQ(model->phase(), SessionPhase::completed(VerificationOutcome::verified()));
    EXPECT_EQ(documentText(), longArticle + u"\r");
}

TEST_F(AppModelSession, RelocationMovesTheCursorBackOnlyInTheTargetDocument) {
    auto model = makeModel(0);
    model->setArticle(QString::fromStdU16String(longArticle));
    detectAndConfirm(*model);
    model->start();
    ASSERT_TRUE(waitUntil([&] { return sentAtLeast(*model, 30); }));
    model->pause();
    ASSERT_TRUE(waitUntil([&] { return model->phase().kind == Kind::paused; }));
    ASSERT_TRUE(control().clickInWordBody(0));
    model->resume();
    ASSERT_TRUE(waitUntil([&] { return model->phase().kind == Kind::needsRelocation; }));
    ASSERT_TRUE(model->snapshot()->relocation && model->snapshot()->relocation->knownCursor);

    control().newDocument();
    model->moveCursorAndContinue();
    ASSERT_TRUE(waitUntil([&] { return !model->busy(); }));
    EXPECT_EQ(status(*model), "活动文档不是目标文档，未移动光标。请先切回「" + documentName + "」。");
    EXPECT_EQ(model->phase().kind, Kind::needsRelocation);

    activateDocument(documentName);
    model->moveCursorAndContinue();
    ASSERT_TRUE(waitUntil([&] { return model->phase().isTerminal(); }, 30));
    EXPECT_EQ(model->phase(), SessionPhase::completed(VerificationOutcome::verified()));
    EXPECT_EQ(documentText(), longArticle + u"\r");
}

TEST_F(AppModelSession, AcceptingWordsAutoCorrectCompletesWithTheDifferenceCounted) {
    control().setAutoCorrect("replaceSymbols", true);
    auto model = makeModel(0);
    model->setMode(TypingMode::stable);
    model->setSpeed(1200);
    model->setArticle(QStringLiteral("Use a--b here, then keep typing the rest 到结尾。"));
    detectAndConfirm(*model);
    model->start();
    ASSERT_TRUE(waitUntil([&] { return model->phase().kind == Kind::paused; }, 30));
    EXPECT_EQ(model->phase().reason.kind, StopReason::Kind::readbackMismatch);

    model->acceptDifferencesAndContinue();
    EXPECT_EQ(status(*model), "正在核对后继续…");
    ASSERT_TRUE(waitUntil([&] { return model->phase().isTerminal(); }, 30));
    EXPECT_EQ(model->phase().outcome.kind,
              VerificationOutcome::Kind::verifiedWithAcceptedDifferences);
    EXPECT_EQ(status(*model), "完成：读回与接受差异后的预期一致。过程中接受了 1 处差异（如 Word "
                              "自动更正或手动续写），不等同于与原文完全一致。");
}

TEST_F(AppModelSession, WordQuittingStopsTypingAndAbandonsACountdown) {
    auto model = makeModel(0);
    model->setArticle(QString::fromStdU16String(longArticle));
    detectAndConfirm(*model);
    model->start();
    ASSERT_TRUE(waitUntil([&] { return sentAtLeast(*model, 20); }));
    control().quitWord();
    // The guard may see the window vanish before the notification arrives; either way the
    // session stops and the target is gone.
    ASSERT_TRUE(waitUntil([&] {
        const Kind kind = model->phase().kind;
        return !model->target() && (kind == Kind::paused || model->phase().isTerminal());
    }));
    const int sent = model->snapshot()->ledger.sentUnits;
    EXPECT_LT(sent, 400);
    model->cancelStart(false);
    ASSERT_TRUE(waitUntil([&] { return model->phase().isTerminal(); }));
    model->resetSession();

    control().launchWord();
    control().newDocument();
    model->refreshPermissions(); // the user's 「刷新」 once Word runs again
    model->setCountdownSeconds(3);
    detectAndConfirm(*model);
    model->start();
    ASSERT_EQ(model->phase().kind, Kind::countdown);
    control().quitWord();
    ASSERT_TRUE(waitUntil([&] { return model->phase().kind == Kind::idle; }));
    EXPECT_EQ(status(*model), "Word 已退出。");
    EXPECT_FALSE(model->target().has_value());
}
