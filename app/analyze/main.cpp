// plumeo-analyze: prints the statistics, autocorrect risks and estimated durations of an
// article file (UTF-8), the same analysis the application runs on every edit.

#include "app/analyze/ArticleAnalysis.h"
#include "core/text/Utf16.h"

#include <fstream>
#include <iostream>
#include <sstream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "用法：plumeo-analyze <文章文件（UTF-8）>\n";
        return 64;
    }
    std::ifstream file(argv[1], std::ios::binary);
    if (!file) {
        std::cerr << "无法打开文件：" << argv[1] << "\n";
        return 66;
    }
    std::ostringstream bytes;
    bytes << file.rdbuf();
    std::u16string article;
    try {
        article = plumeo::toUtf16(bytes.str());
    } catch (const plumeo::Utf8Error& error) {
        std::cerr << error.what() << "\n";
        return 65;
    }
    const plumeo::ArticleAnalysis analysis = plumeo::analyzeArticle(article);
    std::cout << analysis.report;
    return analysis.typeable ? 0 : 65;
}
