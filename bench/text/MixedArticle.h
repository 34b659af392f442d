#pragma once

#include "core/text/Utf16.h"

#include <iterator>
#include <string>

namespace plumeo {

/// About `bytes` of UTF-8: Chinese and English paragraphs with emoji, flags and joined sequences.
inline std::u16string mixedArticle(std::size_t bytes) {
    const std::string pieces[] = {
        "我们的生活中有很多事情，是可以自己决定的。你想去哪里？这里的风景很好！",
        "The quick brown fox jumps over the lazy dog, doesn't it? It is 3.14 wide. ",
        "\xF0\x9F\x98\x80 \xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7 "
        "\xF0\x9F\x87\xA8\xF0\x9F\x87\xB3 ",
        "中文和English混排，e-mail 地址、数字123与标点；还有制表符\t和换行。\n",
        "Second paragraph: typewriter keyboard, naïve café.\r\n\n",
    };
    std::string utf8;
    for (std::size_t i = 0; utf8.size() < bytes; ++i)
        utf8 += pieces[i % std::size(pieces)];
    return toUtf16(utf8);
}

} // namespace plumeo
