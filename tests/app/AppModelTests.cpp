// The model's settings, analysis and result texts, without a session.

#include "app/model/AppModel.h"
#include "app/model/ModelTexts.h"
#include "platform/backend/sim/SimBackend.h"
#include "tests/app/ModelTestSupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace plumeo;
using namespace plumeo::testing;

namespace {

class AppModelState : public ::testing::Test {
protected:
    /// A model whose backend reaches no simulator: every system query answers "nothing".
    std::unique_ptr<AppModel> makeModel(int synchronousLimit = 20000) {
        AppModelOptions options;
        options.backend = std::make_shared<SimBackend>(directory.filePath("absent.sock").toStdString());
        options.settings = std::make_unique<QSettings>(settingsPath(), QSettings::IniFormat);
        options.synchronousAnalysisLimit = synchronousLimit;
        return std::make_unique<AppModel>(std::move(options));
    }
    QString settingsPath() const { return directory.filePath("settings.ini"); }

    QTemporaryDir directory;
};

} // namespace

TEST_F(AppModelState, SettingsStartAtTheirDefaultsPersistAndClamp) {
    {
        QSettings stored(settingsPath(), QSettings::IniFormat);
        stored.setValue("mode", "typing-fast"); // unknown: stable
        stored.setValue("speed.stable", 0);     // not > 0: the mode's default
        stored.setValue("targetMinutes", -2);
    }
    auto model = makeModel();
    EXPECT_EQ(model->mode(), TypingMode::stable);
    EXPECT_EQ(model->speed(), 300);
    EXPECT_EQ(model->targetMinutes(), 10);

    model->setTypoRate(0.5);
    EXPECT_EQ(model->typoRate(), 0.4);
    model->setMode(TypingMode::natural);
    model->setSpeed(240);
    model->setMode(TypingMode::fast);
    EXPECT_EQ(model->speed(), 6000);
    model->setCountdownSeconds(0);
    model->setBackgroundTyping(false);
    model->setShowIntro(false);
    model.reset();

    auto reread = makeModel();
    EXPECT_EQ(reread->mode(), TypingMode::fast);
    EXPECT_EQ(reread->typoRate(), 0.4);
    EXPECT_EQ(reread->countdownSeconds(), 0);
    EXPECT_FALSE(reread->backgroundTyping());
    EXPECT_FALSE(reread->showIntro());
    reread->setMode(TypingMode::natural);
    EXPECT_EQ(reread->speed(), 240);
    reread->setTypoRate(-1);
    EXPECT_EQ(reread->typoRate(), 0);
    EXPECT_EQ(reread->typoRateText().toStdString(), "0%");
}

TEST_F(AppModelState, BlockersListWhatIsMissingInOrder) {
    auto model = makeModel();
    EXPECT_EQ(model->blockers(),
              QStringList({"粘贴要输入的文章", "授予辅助功能权限", "允许控制 Word（仅用于读取与校验）",
                           "检测 Word 的光标位置"}));
    model->setArticle(QStringLiteral("a\u0001b"));
    EXPECT_EQ(model->blockers().first(), model->preparationError());
    EXPECT_FALSE(model->preparationError().isEmpty());
}

TEST_F(AppModelState, LongArticlesAreAnalysedOffTheMainThreadAndOnlyTheLatestIsShown) {
    auto model = makeModel(1000);
    std::vector<int> shownGraphemes;
    QObject::connect(model.get(), &AppModel::statsChanged, model.get(), [&] {
        if (model->stats())
            shownGraphemes.push_back(model->stats()->graphemes);
    });
    const QString first(150000, QChar(u'甲'));
    const QString second(120000, QChar(u'乙'));
    model->setArticle(first);
    model->setArticle(second);
    // Nothing from an earlier text stands while the latest is analysed.
    EXPECT_TRUE(model->analysisPending());
    EXPECT_FALSE(model->stats().has_value());
    ASSERT_TRUE(waitUntil([&] { return !model->analysisPending(); }, 60));
    EXPECT_EQ(shownGraphemes, std::vector<int>{120000});
    EXPECT_EQ(model->estimateText().toStdString().rfind("约 ", 0), 0u);
}

TEST(ModelTexts, ListsTenOfTwelveDifferencesWithTheirExcerpts) {
    ComparisonReport report;
    const std::u16string expected = u"第一段\r第二段\t结束";
    const std::u16string actual = u"第一段\v第二段";
    for (int i = 0; i < 12; ++i)
        report.hunks.push_back({3, 1, 3, 1, DifferenceKind::replaced, i == 1});
    report.expectedLength = 10;
    report.actualLength = 7;

    const auto differences = ModelTexts::differenceLines(report);
    ASSERT_EQ(differences.size(), 10u);
    EXPECT_EQ(differences[1], "差异 2：内容被替换；位置 3；位于插入区之外");
    EXPECT_EQ(differences[9], "差异 10：内容被替换；位置 3");
    const auto excerpts = ModelTexts::excerptLines(report, expected, actual);
    ASSERT_EQ(excerpts.size(), 10u);
    EXPECT_EQ(excerpts[0], "差异 1：原文「第一段⏎第二段⇥结束」 · Word「第一段↵第二段」");
}
