#include "app/analyze/ArticleFile.h"

#include "core/text/Utf16.h"

#include <fstream>
#include <iterator>

namespace plumeo {

ArticleFileResult readArticleFile(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        return {std::nullopt, "「" + name + "」是文件夹，不是文章文件。"};
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return {std::nullopt, "无法打开文件「" + name + "」。"};
    // Read at most one byte past the limit, so a huge file (or a device that never ends) is
    // refused without being read whole.
    std::string bytes(maxArticleFileBytes + 1, '\0');
    file.read(bytes.data(), std::streamsize(bytes.size()));
    bytes.resize(std::size_t(file.gcount()));
    if (bytes.size() > maxArticleFileBytes)
        return {std::nullopt, "文件「" + name + "」太大：上限是 " +
                                  std::to_string(maxArticleFileBytes) + " 字节，从第 " +
                                  std::to_string(maxArticleFileBytes) +
                                  " 字节（从 0 数起）之后的内容没有读入。"};
    std::string_view utf8 = bytes;
    std::size_t skipped = 0;
    if (utf8.substr(0, 3) == "\xEF\xBB\xBF") {
        utf8.remove_prefix(3);
        skipped = 3;
    }
    std::u16string text;
    try {
        text = toUtf16(utf8);
    } catch (const Utf8Error& decoding) {
        // Counted from the file's first byte, as a hex viewer shows it.
        return {std::nullopt, "文件「" + name + "」不是有效的 UTF-8 文本：第 " +
                                  std::to_string(decoding.byteOffset() + skipped) +
                                  " 字节（从 0 数起）无法解码。请另存为 UTF-8 后再打开。"};
    }
    if (!text.empty() && text.back() == u'\n')
        text.pop_back();
    if (!text.empty() && text.back() == u'\r')
        text.pop_back();
    return {std::move(text), {}};
}

} // namespace plumeo
