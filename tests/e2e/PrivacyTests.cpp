// The article lives only in memory: a whole session through the platform layer must leave no
// copy of it in any file it creates or touches, whether in the home, temporary or working
// directory or among the simulator's own files.

#include "core/text/Utf16.h"
#include "tests/e2e/SessionHarness.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <sys/stat.h>
#include <unordered_map>

namespace plumeo::e2e {
namespace {

namespace fs = std::filesystem;

struct FileStamp {
    std::int64_t modifiedNs = 0;
    std::int64_t size = 0;
    bool operator==(const FileStamp&) const = default;
};
using FileSnapshot = std::unordered_map<std::string, FileStamp>;

/// Every regular file under the roots with its modification time and size. Files that vanish
/// or cannot be read while walking (other programs are busy too) are skipped.
FileSnapshot snapshotFiles(const std::vector<fs::path>& roots) {
    FileSnapshot files;
    for (const auto& root : roots) {
        std::error_code error;
        fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied,
                                            error);
        for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
            // One lstat per entry: the walk covers the whole home directory.
            struct stat status {};
            if (lstat(it->path().c_str(), &status) != 0 || !S_ISREG(status.st_mode))
                continue;
            files.emplace(
                it->path().string(),
                FileStamp{status.st_mtim.tv_sec * 1'000'000'000LL + status.st_mtim.tv_nsec,
                          static_cast<std::int64_t>(status.st_size)});
        }
    }
    return files;
}

/// Files that are new since `before` or whose time or size changed.
std::vector<fs::path> changedFiles(const FileSnapshot& before, const FileSnapshot& after) {
    std::vector<fs::path> changed;
    for (const auto& [path, stamp] : after) {
        const auto old = before.find(path);
        if (old == before.end() || !(old->second == stamp))
            changed.push_back(path);
    }
    return changed;
}

/// The byte patterns under which a text can sit in a file: UTF-8 and UTF-16LE.
std::vector<std::string> encodings(const std::u16string& text) {
    std::string utf16le;
    for (char16_t unit : text) {
        utf16le.push_back(static_cast<char>(unit & 0xFF));
        utf16le.push_back(static_cast<char>(unit >> 8));
    }
    return {toUtf8(text), utf16le};
}

/// Whether the file holds any of the patterns; read in chunks that overlap by a pattern's
/// length so a match across a chunk border is not missed.
bool fileContainsAny(const fs::path& path, const std::vector<std::string>& patterns) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::size_t longest = 0;
    for (const auto& pattern : patterns)
        longest = std::max(longest, pattern.size());
    constexpr std::size_t chunkSize = 1 << 20;
    std::string window;
    std::string chunk(chunkSize, '\0');
    while (in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        window.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
        for (const auto& pattern : patterns)
            if (window.find(pattern) != std::string::npos)
                return true;
        if (window.size() > longest)
            window.erase(0, window.size() - longest);
    }
    return false;
}

std::vector<fs::path> scannedRoots() {
    std::vector<fs::path> roots = {fs::temp_directory_path(), fs::current_path()};
    if (const char* home = std::getenv("HOME"))
        roots.emplace_back(home);
    return roots;
}

/// A token no file can hold by chance, mixed with Chinese text as an article would be.
std::u16string uniqueMarker() {
    std::random_device entropy;
    std::u16string token = u"隐私";
    for (int digit = 0; digit < 20; ++digit)
        token.push_back(static_cast<char16_t>(u'a' + entropy() % 26));
    return token + u"标记";
}

TEST(PrivacyScanTest, FindsAChangedFileHoldingTheMarkerInEitherEncoding) {
    const fs::path directory =
        fs::temp_directory_path() / ("plumeo-privacy-" + std::to_string(std::random_device{}()));
    fs::create_directories(directory);
    const auto before = snapshotFiles({directory});
    const std::u16string marker = uniqueMarker();
    const auto patterns = encodings(marker);
    {
        std::ofstream(directory / "utf8.txt", std::ios::binary) << "x" << patterns[0] << "y";
        // Past the first chunk, so the match straddles a chunk border.
        std::ofstream(directory / "utf16.bin", std::ios::binary)
            << std::string((1 << 20) - 3, 'z') << patterns[1];
        std::ofstream(directory / "other.txt", std::ios::binary) << "no marker here";
    }
    const auto changed = changedFiles(before, snapshotFiles({directory}));
    std::set<std::string> holding;
    for (const auto& path : changed)
        if (fileContainsAny(path, patterns))
            holding.insert(path.filename().string());
    fs::remove_all(directory);

    EXPECT_EQ(changed.size(), 3u);
    EXPECT_EQ(holding, (std::set<std::string>{"utf8.txt", "utf16.bin"}));
}

TEST_F(EndToEndTest, ASessionLeavesTheArticleInNoFile) {
    const std::u16string marker = uniqueMarker();
    const auto roots = scannedRoots();
    const auto before = snapshotFiles(roots);

    SessionSetup setup;
    setup.article =
        u"开头的一句话，" + marker + u" and some English 😀 after it.\n第二段也有" + marker + u"。";
    setup.settings = quickSettings(TypingMode::natural, true, 0.3);
    setup.initialText = u"已有内容。";
    setup.cursor = 5;
    runSession(setup);
    ASSERT_EQ(phase(), SessionPhase::completed(VerificationOutcome::verified()));
    // The scan only means something if the marker really went through Word.
    ASSERT_NE(simulatedDocument().find(marker), std::u16string::npos);

    // The simulator's own directory is still there: scan all of it, changed or not.
    auto candidates = changedFiles(before, snapshotFiles(roots));
    for (const auto& [path, stamp] :
         snapshotFiles({fs::path(simulator().socketPath()).parent_path()}))
        candidates.push_back(path);
    // No file may have changed at all (a run outside ctest writes no log); the scanner itself is
    // checked by the test above.
    const auto patterns = encodings(marker);
    for (const auto& path : candidates) {
        // The marker itself is never printed, so a test log cannot become a copy of it.
        EXPECT_FALSE(fileContainsAny(path, patterns)) << "the article was written to " << path;
    }
}

} // namespace
} // namespace plumeo::e2e
