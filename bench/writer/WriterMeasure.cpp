// Side-by-side measurement against a real Writer (see scripts/measure-writer.sh):
//   plumeo-writer-measure article FILE [CHARACTERS]  writes the mixed test article
//   plumeo-writer-measure xdotool DELAY_MS FILE      types it with `xdotool type` into a fresh
//                                                    Writer document and reads it back
// The second prints one table row: characters lost or changed, seconds until Writer showed
// everything it was going to, and UTF-16 units per second.

#include "core/text/Utf16.h"
#include "core/verify/ContentComparator.h"
#include "platform/backend/writer/WriterUnoLink.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

using namespace plumeo;

namespace {

int writeArticle(const std::string& path, std::size_t characters) {
    const std::u16string pieces[] = {
        u"春天的早晨，阳光透过窗户洒在书桌上。",
        u"Plumeo types every key and checks the document at every checkpoint. ",
        u"中文与 English 混排，数字 2026 和标点：“引号”、（括号）。",
        u"写作的人很多 😀 emoji 👍🏽 也要逐字核对 ✅。",
        u"\n",
    };
    std::u16string text;
    std::size_t count = 0;
    for (std::size_t i = 0; count < characters; ++i) {
        for (const char16_t unit : pieces[i % std::size(pieces)]) {
            if (count >= characters)
                break;
            text.push_back(unit);
            if (unit < 0xdc00 || unit > 0xdfff) // a low surrogate ends a character already counted
                ++count;
        }
    }
    while (!text.empty() && (text.back() == u'\n' || (text.back() >= 0xd800 && text.back() <= 0xdbff)))
        text.pop_back();
    std::ofstream(path, std::ios::binary) << toUtf8(text);
    return 0;
}

int typeWithXdotool(const std::string& delay, const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    const std::u16string expected = toUtf16(content.str());

    WriterEnvironmentOptions options;
    options.virtualDisplay = true;
    options.autoCorrectOff = true;
    WriterUnoLink link(options);
    const auto started = std::chrono::steady_clock::now();
    const std::string command = "DISPLAY=" + link.display() + " xdotool type --delay " + delay +
                                " --file '" + path + "'";
    if (std::system(command.c_str()) != 0) {
        std::cerr << "xdotool failed\n";
        return 1;
    }
    // Writer is done when its text has stopped changing for two seconds.
    std::u16string body = link.bodyText().value_or(u"");
    auto changed = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - changed < std::chrono::seconds(2)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        auto now = link.bodyText().value_or(u"");
        if (now != body) {
            body = std::move(now);
            changed = std::chrono::steady_clock::now();
        }
    }
    const double seconds = std::chrono::duration<double>(changed - started).count();
    const auto report = ContentComparator::compare(expected, body, std::nullopt, 100000);
    int lostOrChanged = 0;
    for (const auto& hunk : report.hunks)
        lostOrChanged += hunk.expectedLength;
    std::printf("| xdotool type --delay %s | %d of %zu units%s | %.1f s | %.1f |\n", delay.c_str(),
                lostOrChanged, expected.size(), report.truncated ? " (at least)" : "", seconds,
                static_cast<double>(expected.size()) / seconds);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "article" && argc >= 3)
        return writeArticle(argv[2], argc > 3 ? std::stoul(argv[3]) : 2000);
    if (mode == "xdotool" && argc == 4)
        return typeWithXdotool(argv[2], argv[3]);
    std::cerr << "usage: plumeo-writer-measure article FILE [CHARACTERS] | xdotool DELAY_MS FILE\n";
    return 2;
}
