// The window's flows on the offscreen platform: what the user can and cannot do in each state.

#include "app/model/AppModel.h"
#include "app/ui/ArticleEditor.h"
#include "app/ui/ButtonStyles.h"
#include "app/ui/EditorPane.h"
#include "app/ui/FloatingPanel.h"
#include "app/ui/GlowProgressBar.h"
#include "app/ui/IntroOverlay.h"
#include "app/ui/RelocationPanel.h"
#include "app/ui/MainWindow.h"
#include "app/ui/ModeCard.h"
#include "app/ui/Motion.h"
#include "app/ui/SessionCard.h"
#include "app/ui/SidePanel.h"
#include "app/ui/StartCard.h"
#include "app/ui/WindowBinding.h"
#include "platform/backend/sim/SimBackend.h"
#include "tests/support/SimulatorFixture.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QElapsedTimer>
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

bool waitUntil(const std::function<bool()>& done, int ms = 20000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return done();
}

/// The window and the panel bound to a model on a simulated Word of their own, the article
/// pasted and the target detected and confirmed, ready to start without a countdown.
struct WindowOnWord {
    explicit WindowOnWord(const QString& article) {
        control.activateBundle("com.microsoft.Word");
        documentName = control.dump()["word"]["documents"][0]["name"].get<std::string>();
        AppModelOptions options;
        options.backend = std::make_shared<SimBackend>(simulator.socketPath());
        options.settings = std::make_unique<QSettings>(
            scratch.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        options.fixedSeed = 7;
        model = std::make_unique<AppModel>(std::move(options));
        model->setShowIntro(false);
        model->setCountdownSeconds(0);
        model->setMode(TypingMode::fast);
        model->setArticle(article);
        bindWindow(window, panel, *model);
        window.show();
        model->detectTarget();
        waitUntil([&] { return model->target().has_value(); });
        model->setTargetConfirmed(true);
        waitUntil([&] { return model->blockers().isEmpty(); });
    }
    ~WindowOnWord() {
        model->cancelStart(true);
        waitUntil([&] { return !model->busy(); });
    }

    bool sentAtLeast(int units) const {
        return waitUntil([&] { return model->snapshot() && model->snapshot()->ledger.sentUnits >= units; });
    }
    bool reached(SessionPhase::Kind kind) const {
        return waitUntil([&] { return model->phase().kind == kind && !model->busy(); });
    }
    /// Pauses, moves Word's cursor away from where typing stopped, and asks to continue.
    bool strandTheCursor() {
        model->pause();
        return reached(SessionPhase::Kind::paused) && control.clickInWordBody(0) &&
               (model->resume(), reached(SessionPhase::Kind::needsRelocation));
    }
    std::u16string document() { return control.documentText(documentName); }

    plumeo::testing::SimulatorProcess simulator{[] {
        plumeo::testing::SimulatorProcess::Options options;
        options.documents = 1;
        return options;
    }()};
    SimControl control{simulator.socketPath()};
    std::string documentName;
    QTemporaryDir scratch;
    std::unique_ptr<AppModel> model;
    MainWindow window;
    FloatingPanel panel;
};

/// Clicks a button the user can see.
bool clickShown(QWidget& parent, const QString& text) {
    QPushButton* shown = button(parent, text);
    if (!shown || !shown->isVisible() || !shown->isEnabled())
        return false;
    shown->click();
    return true;
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

    void theModelLocksTheArticleAndItsButtonsFromStartToEnd() {
        WindowOnWord bound(QString(600, QChar(u'字')));
        EditorPane& editor = *bound.window.editorPane();
        const auto locked = [&] {
            return !editor.editor()->isEditable() &&
                   !button(editor, QStringLiteral("粘贴"))->isEnabled() &&
                   !button(editor, QStringLiteral("清空"))->isEnabled() &&
                   !button(editor, QStringLiteral("打开…"))->isEnabled();
        };
        QVERIFY(!locked());
        bound.model->start();
        QVERIFY(bound.sentAtLeast(1));
        QVERIFY(locked());
        QVERIFY(!bound.window.sidePanel()->startCard()->isVisible());
        bound.model->cancelStart(true);
        QVERIFY(waitUntil([&] { return bound.model->phase().isTerminal(); }));
        QVERIFY(editor.editor()->isEditable());
        QVERIFY(button(editor, QStringLiteral("清空"))->isEnabled());
    }

    void theRelocationPanelOffersItsThreeWaysOn() {
        // Every stretch of the article unique, so that the text before a cursor places it.
        QString article;
        for (int number = 0; article.size() < 600; ++number)
            article += QString::number(number) + QStringLiteral("、");
        WindowOnWord bound(article);
        RelocationPanel& panel = *bound.window.sidePanel()->sessionCard()->relocationPanel();
        bound.model->start();
        QVERIFY(bound.sentAtLeast(30));
        QVERIFY(bound.strandTheCursor());
        QVERIFY(panel.isVisible());

        // Checking again with the cursor still elsewhere finds no place to continue either.
        QSignalSpy phases(bound.model.get(), &AppModel::phaseChanged);
        QVERIFY(clickShown(panel, QStringLiteral("重新核对")));
        QVERIFY(bound.reached(SessionPhase::Kind::needsRelocation) && phases.count() >= 2);

        QVERIFY(clickShown(panel, QStringLiteral("把光标移回续写位置")));
        QVERIFY(bound.reached(SessionPhase::Kind::typing));
        QVERIFY(bound.sentAtLeast(150));
        QVERIFY(bound.strandTheCursor());

        // The manual path opens only on request; its alignment follows the text before the
        // cursor the user placed after what was typed.
        QVERIFY(!clickShown(panel, QStringLiteral("按光标前文字自动对齐后继续")));
        panel.findChild<QCheckBox*>()->click();
        QVERIFY(bound.control.clickInWordBody(int(bound.document().size()) - 1));
        QVERIFY(clickShown(panel, QStringLiteral("按光标前文字自动对齐后继续")));
        QVERIFY(waitUntil([&] { return bound.model->phase().isTerminal(); }));
        QCOMPARE(bound.model->phase().kind, SessionPhase::Kind::completed);
        QCOMPARE(bound.document(), article.toStdU16String() + u"\r");
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

    void motionFollowsTheDesktopAndIsWelcomeWhenItSaysNothing() {
#ifdef Q_OS_MACOS
        QSKIP("The Mac's setting comes from NSWorkspace.");
#endif
        QTemporaryDir config;
        const auto restore = [](const char* name, const QByteArray& value) {
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
        };
        const QByteArray forced = qgetenv("PLUMEO_REDUCE_MOTION");
        const QByteArray configHome = qgetenv("XDG_CONFIG_HOME");
        qunsetenv("PLUMEO_REDUCE_MOTION");
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        const auto write = [&](const QString& name, const QByteArray& text) {
            QDir(config.path()).mkpath(QFileInfo(name).path());
            QFile file(config.filePath(name));
            return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
        };
        const bool unsaid = reduceMotion();
        const bool gtkOff = write(QStringLiteral("gtk-3.0/settings.ini"),
                                  "[Settings]\ngtk-enable-animations=false\n") &&
                            reduceMotion();
        const bool kdeOn = write(QStringLiteral("kdeglobals"), "[KDE]\nAnimationDurationFactor=1\n") &&
                           !reduceMotion();
        restore("PLUMEO_REDUCE_MOTION", forced);
        restore("XDG_CONFIG_HOME", configHome);
        QVERIFY(!unsaid);
        QVERIFY(gtkOff);
        QVERIFY(kdeOn);
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
