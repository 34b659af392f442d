// The window's flows on the offscreen platform: what the user can and cannot do in each state.

#include "app/model/AppModel.h"
#include "app/ui/ArticleEditor.h"
#include "app/ui/ButtonStyles.h"
#include "app/ui/EditorPane.h"
#include "app/ui/FloatingPanel.h"
#include "app/ui/GlowProgressBar.h"
#include "app/ui/IntroOverlay.h"
#include "app/ui/MainWindow.h"
#include "app/ui/ModeCard.h"
#include "app/ui/Motion.h"
#include "app/ui/SessionCard.h"
#include "app/ui/SidePanel.h"
#include "app/ui/StartCard.h"
#include "app/ui/WindowBinding.h"
#include "mac/backend/sim/SimBackend.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QUrl>

using namespace plumeo;
using namespace plumeo::ui;

namespace {

QPushButton* button(QWidget& parent, const QString& text) {
    for (QPushButton* candidate : parent.findChildren<QPushButton*>())
        if (candidate->text() == text)
            return candidate;
    return nullptr;
}

} // namespace

class UiFlowTests : public QObject {
    Q_OBJECT

private slots:
    void typoRateWarningsFollowTheRate() {
        ModeCard card;
        card.setMode(TypingMode::natural);
        card.setTypoEnabled(true);
        card.setTypoRate(0.08, QStringLiteral("8%"));
        QVERIFY(card.shownTypoWarning().isEmpty());
        card.setTypoRate(0.15, QStringLiteral("15%"));
        QVERIFY(card.shownTypoWarning().contains(QStringLiteral("已明显高于真人水平")));
        card.setTypoRate(0.2, QStringLiteral("20%"));
        QVERIFY(card.shownTypoWarning().contains(QStringLiteral("远高于真实水平")));
        // The rate and its warning belong to natural mode with typos on only.
        card.setMode(TypingMode::stable);
        QVERIFY(card.shownTypoWarning().isEmpty());
    }

    void theArticleIsLockedWhileASessionRuns() {
        EditorPane pane;
        QSignalSpy edits(&pane, &EditorPane::articleEdited);
        pane.setLocked(true);
        QVERIFY(!pane.editor()->isEditable());
        for (const char* text : {"粘贴", "清空", "打开…"})
            QVERIFY2(!button(pane, QString::fromUtf8(text))->isEnabled(), text);
        QTemporaryFile file;
        QVERIFY(file.open());
        file.write("新的文章");
        file.flush();
        pane.openFile(file.fileName());
        QTest::keyClicks(pane.editor(), QStringLiteral("abc"));
        QCOMPARE(edits.count(), 0);

        pane.setLocked(false);
        QVERIFY(button(pane, QStringLiteral("清空"))->isEnabled());
        // A file pasted or dropped arrives as the article, never as its link.
        auto* pasted = new QMimeData;
        pasted->setUrls({QUrl::fromLocalFile(file.fileName())});
        QGuiApplication::clipboard()->setMimeData(pasted);
        pane.editor()->paste();
        QCOMPARE(edits.count(), 1);
        QCOMPARE(edits.last().at(0).toString(), QStringLiteral("新的文章"));
    }

    void aBoundWindowRecordsTheIntroductionAsSeenAndBlocksTheStart() {
        // No simulator answers this socket: no permissions, no Word, as on a first launch.
        QTemporaryDir scratch;
        const QString settingsPath = scratch.filePath(QStringLiteral("settings.ini"));
        AppModelOptions options;
        options.backend = std::make_shared<SimBackend>(
            scratch.filePath(QStringLiteral("none.sock")).toStdString());
        options.settings = std::make_unique<QSettings>(settingsPath, QSettings::IniFormat);
        AppModel model(std::move(options));
        MainWindow window;
        FloatingPanel panel;
        bindWindow(window, panel, model);
        window.show();

        QVERIFY(window.intro()->isVisible());
        button(*window.intro(), QStringLiteral("跳过"))->click();
        QVERIFY(!model.showIntro());
        QVERIFY(QSettings(settingsPath, QSettings::IniFormat)
                    .value(QStringLiteral("seenIntro"))
                    .toBool());

        StartCard& start = *window.sidePanel()->startCard();
        QVERIFY(!start.startButton()->isEnabled());
        QVERIFY(start.isVisible());
        QVERIFY(!model.blockers().isEmpty());
        const QString shown = start.findChild<QLabel*>()->text();
        for (const QString& blocker : model.blockers())
            QVERIFY2(shown.contains(blocker), qPrintable(blocker));
    }

    void theIntroductionReportsClosingWhicheverWayItIsClosed() {
        QWidget window;
        window.resize(900, 700);
        IntroOverlay intro(&window);
        QSignalSpy closed(&intro, &IntroOverlay::closed);
        const auto closeWith = [&](const std::function<void()>& action) {
            intro.open();
            action();
            return !intro.isVisible();
        };
        QVERIFY(closeWith([&] { button(intro, QStringLiteral("跳过"))->click(); }));
        QVERIFY(closeWith([&] { button(intro, QStringLiteral("关闭"))->click(); }));
        QVERIFY(closeWith([&] { QTest::keyClick(&intro, Qt::Key_Escape); }));
        QVERIFY(closeWith([&] {
            for (int page = 0; page < intro.pageCount(); ++page)
                button(intro, page + 1 == intro.pageCount() ? QStringLiteral("开始使用")
                                                            : QStringLiteral("下一步"))
                    ->click();
        }));
        QCOMPARE(closed.count(), 4);
    }

    void eachPhaseOffersItsButtonsAndNoneWhileBusy() {
        SessionCard card;
        card.setPhase(SessionPhase::typing());
        QCOMPARE(card.offeredButtons(), (QStringList{"暂停", "紧急停止"}));
        card.setPhase(SessionPhase::paused(StopReason::userPause()));
        QCOMPARE(card.offeredButtons(), (QStringList{"继续", "接受差异并继续", "取消"}));
        card.setPhase(SessionPhase::completed(VerificationOutcome::unverified("Word 不在前台")));
        QCOMPARE(card.offeredButtons(), (QStringList{"在 Word 前台核实", "新任务"}));
        card.setPhase(SessionPhase::completed(VerificationOutcome::verified()));
        QCOMPARE(card.offeredButtons(), (QStringList{"新任务"}));
        card.setBusy(true);
        QVERIFY(!button(card, QStringLiteral("新任务"))->isEnabled());
    }

    void thePanelSitsTwentyPointsInsideTheAvailableAreasTopRight() {
        // A 1440 × 900 screen with a 25-point menu bar and a Dock on the right.
        const QRect available(0, 25, 1380, 875);
        QCOMPARE(floatingPanelOrigin(available, QSize(380, 104)), QPoint(1380 - 400, 45));
    }

    void theProgressBarSweepsOnlyWhenMotionIsWelcome() {
        GlowProgressBar bar;
        setReduceMotionOverride(true);
        bar.setAnimating(true);
        QVERIFY(!bar.isSweeping());
        setReduceMotionOverride(false);
        bar.setAnimating(true);
        QVERIFY(bar.isSweeping());
        bar.setAnimating(false);
        QVERIFY(!bar.isSweeping());
        setReduceMotionOverride(std::nullopt);
    }
};

QTEST_MAIN(UiFlowTests)
#include "UiFlowTests.moc"
