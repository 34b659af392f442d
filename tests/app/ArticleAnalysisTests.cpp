#include "app/analyze/ArticleAnalysis.h"

#include <gtest/gtest.h>

using namespace plumeo;

TEST(DurationText, SwitchesUnitsAtTheMinuteAndHourBoundaries) {
    EXPECT_EQ(durationText(0), "0 秒");
    EXPECT_EQ(durationText(59.4), "59 秒");
    EXPECT_EQ(durationText(59.5), "1 分 0 秒"); // rounds before choosing the unit
    EXPECT_EQ(durationText(125), "2 分 5 秒");
    EXPECT_EQ(durationText(3599.6), "1 小时 0 分");
    EXPECT_EQ(durationText(7384), "2 小时 3 分");
}

TEST(ArticleAnalysis, ReportsStatisticsRisksAndEstimatesForATypeableArticle) {
    const ArticleAnalysis analysis = analyzeArticle(u"Hello, world! 你好\n1. \"item\"");
    ASSERT_TRUE(analysis.typeable);
    EXPECT_NE(analysis.report.find("英文单词：3"), std::string::npos) << analysis.report;
    EXPECT_NE(analysis.report.find("直引号替换为弯引号"), std::string::npos);
    EXPECT_NE(analysis.report.find("自动编号列表"), std::string::npos);
    EXPECT_NE(analysis.report.find("极速输出：取决于 Word 响应"), std::string::npos);
    EXPECT_NE(analysis.report.find("稳定输出（300 字/分钟）：约 "), std::string::npos);
}

TEST(ArticleAnalysis, ExplainsWhyAnArticleCannotBeTyped) {
    const ArticleAnalysis analysis = analyzeArticle(u"ab\fc");
    EXPECT_FALSE(analysis.typeable);
    EXPECT_NE(analysis.report.find("U+000C"), std::string::npos) << analysis.report;
    EXPECT_FALSE(analyzeArticle(u"").typeable);
}
