#include "core/text/Utf16.h"

#include <algorithm>

namespace plumeo {

std::u16string utf16Slice(std::u16string_view text, int from, int to) {
    const int count = utf16Count(text);
    const int lo = std::clamp(from, 0, count);
    const int hi = std::clamp(to, lo, count);
    std::u16string slice(text.substr(lo, hi - lo));
    if (slice.empty())
        return slice;
    // A bound inside a surrogate pair leaves a lone half at the edge of the slice.
    if (isLowSurrogate(slice.front()) && lo > 0 && isHighSurrogate(text[lo - 1]))
        slice.front() = u'\uFFFD';
    if (isHighSurrogate(slice.back()) && hi < count && isLowSurrogate(text[hi]))
        slice.back() = u'\uFFFD';
    return slice;
}

void appendScalar(std::u16string& out, char32_t scalar) {
    if (scalar < 0x10000) {
        out.push_back(static_cast<char16_t>(scalar));
        return;
    }
    const char32_t offset = scalar - 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (offset >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
}

std::u16string toUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    const std::size_t size = utf8.size();
    auto fail = [&](const char* what) {
        throw Utf8Error(i, "文本不是有效的 UTF-8（第 " + std::to_string(i + 1) + " 个字节：" +
                               what + "）。");
    };
    while (i < size) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            out.push_back(lead);
            ++i;
            continue;
        }
        int length = 0;
        char32_t scalar = 0;
        char32_t minimum = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            scalar = lead & 0x1F;
            minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            scalar = lead & 0x0F;
            minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            scalar = lead & 0x07;
            minimum = 0x10000;
        } else {
            fail("非法的起始字节");
        }
        if (size - i < static_cast<std::size_t>(length))
            fail("序列不完整");
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80)
                fail("序列不完整");
            scalar = (scalar << 6) | (next & 0x3F);
        }
        if (scalar < minimum)
            fail("过长编码");
        if (scalar >= 0xD800 && scalar <= 0xDFFF)
            fail("编码了代理项");
        if (scalar > 0x10FFFF)
            fail("超出 Unicode 范围");
        appendScalar(out, scalar);
        i += length;
    }
    return out;
}

std::string toUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size() * 3);
    const std::size_t size = utf16.size();
    for (std::size_t i = 0; i < size; ++i) {
        char32_t scalar = utf16[i];
        if (isHighSurrogate(utf16[i]) && i + 1 < size && isLowSurrogate(utf16[i + 1])) {
            scalar = 0x10000 + ((scalar - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (isSurrogate(utf16[i])) {
            scalar = 0xFFFD;
        }
        if (scalar < 0x80) {
            out.push_back(static_cast<char>(scalar));
        } else if (scalar < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (scalar >> 6)));
            out.push_back(static_cast<char>(0x80 | (scalar & 0x3F)));
        } else if (scalar < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (scalar >> 12)));
            out.push_back(static_cast<char>(0x80 | ((scalar >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (scalar & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (scalar >> 18)));
            out.push_back(static_cast<char>(0x80 | ((scalar >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((scalar >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (scalar & 0x3F)));
        }
    }
    return out;
}

} // namespace plumeo
