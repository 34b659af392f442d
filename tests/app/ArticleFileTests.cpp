#include "app/analyze/ArticleFile.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace plumeo;

namespace {

class ArticleFileTest : public ::testing::Test {
protected:
    std::filesystem::path write(const std::string& bytes) {
        std::ofstream(path_, std::ios::binary) << bytes;
        return path_;
    }
    void TearDown() override { std::filesystem::remove(path_); }

private:
    std::filesystem::path path_ = std::filesystem::temp_directory_path() /
                                  ("plumeo-article-" + std::to_string(::getpid()) + ".md");
};

} // namespace

TEST_F(ArticleFileTest, ReadsUtf8WithoutTheByteOrderMarkOrTheLastLinesNewline) {
    const ArticleFileResult result = readArticleFile(write("\xEF\xBB\xBF你好 📚\n\nend\r\n"));
    ASSERT_TRUE(result.text) << result.error;
    EXPECT_EQ(*result.text, u"你好 📚\n\nend");
}

TEST_F(ArticleFileTest, NamesTheFirstByteThatIsNotUtf8CountedFromTheFileStart) {
    // A byte-order mark, "ab", then a lone continuation byte at offset 5.
    const ArticleFileResult result = readArticleFile(write("\xEF\xBB\xBF"
                                                           "ab\x80z"));
    EXPECT_FALSE(result.text);
    EXPECT_NE(result.error.find("第 5 字节"), std::string::npos) << result.error;
}

TEST_F(ArticleFileTest, RefusesAFileOverTheLimitAndSaysWhereTheLimitIs) {
    const ArticleFileResult result =
        readArticleFile(write(std::string(maxArticleFileBytes + 1, 'a')));
    EXPECT_FALSE(result.text);
    EXPECT_NE(result.error.find(std::to_string(maxArticleFileBytes)), std::string::npos)
        << result.error;
    EXPECT_TRUE(readArticleFile(write(std::string(maxArticleFileBytes, 'a'))).text);
}
