#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace plumeo {

/// Articles are prepared in memory as a whole; anything larger than this is not an article.
inline constexpr std::uintmax_t maxArticleFileBytes = 8 * 1024 * 1024;

/// An article read from a UTF-8 text or Markdown file, or why it could not be.
struct ArticleFileResult {
    std::optional<std::u16string> text;
    std::string error; ///< The message for the user (UTF-8) when there is no text.
};

/// Reads the whole file strictly as UTF-8: a leading byte-order mark is dropped, as is the
/// newline that ends the last line (it is not an empty paragraph to type). The message for a
/// file that is not UTF-8 names the first byte that cannot be decoded; a file over the limit is
/// refused before it is read. Only reads: the article is never written anywhere.
ArticleFileResult readArticleFile(const std::filesystem::path& path);

} // namespace plumeo
