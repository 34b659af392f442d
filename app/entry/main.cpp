// plumeo: the window application, and every headless mode of the same program.

#include "app/analyze/ArticleAnalysis.h"
#include "app/analyze/ArticleFile.h"
#include "app/cli/TypeCommand.h"
#include "app/desktop/DesktopIntegration.h"
#include "app/entry/HeadlessJobs.h"
#include "app/entry/SwitchTable.h"
#include "app/entry/Usage.h"
#include "app/entry/WindowApplication.h"

#include <iostream>
#include <string>
#include <vector>

namespace {

using namespace plumeo::entry;

int analyze(const std::string& path) {
    const plumeo::ArticleFileResult file = plumeo::readArticleFile(path);
    if (!file.text) {
        std::cerr << "plumeo：" << file.error << '\n';
        return exitUsage;
    }
    const plumeo::ArticleAnalysis analysis = plumeo::analyzeArticle(*file.text);
    std::cout << analysis.report;
    return analysis.typeable ? exitVerified : exitUnverified;
}

} // namespace

int main(int argc, char** argv) {
    plumeo::desktop::disableWindowRestoration();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (const auto headless = findHeadlessSwitch(arguments)) {
        plumeo::desktop::runWithoutDockIcon();
        return runHeadlessJob(*headless, argc, argv);
    }
    if (hasFlag(arguments, "--help") || hasFlag(arguments, "-h")) {
        std::cout << usageText();
        return exitVerified;
    }
    if (const auto path = optionValue(arguments, "--analyze"))
        return analyze(*path);
    if (hasFlag(arguments, "--type")) {
        // A shell session too: the terminal is the window, Word the frontmost application.
        plumeo::desktop::runWithoutDockIcon();
        return plumeo::cli::runTypeCommand(argc, argv, arguments);
    }
    if (hasFlag(arguments, "--analyze")) {
        std::cerr << "plumeo：缺少文章文件。\n" << usageText();
        return exitUsage;
    }
    return runWindowApplication(argc, argv, arguments);
}
