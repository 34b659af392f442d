#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace plumeo {

// Document and article text is UTF-16 throughout: Word reports every offset and length in
// UTF-16 code units, so positions are plain indexes into std::u16string.

/// Number of UTF-16 code units.
inline int utf16Count(std::u16string_view text) {
    return static_cast<int>(text.size());
}

/// The text between two UTF-16 offsets. Both bounds are clamped (lo to 0...count, hi to
/// lo...count), so reversed or out-of-range bounds give a shorter or empty slice and never fail.
/// A surrogate half cut off by a bound becomes U+FFFD.
std::u16string utf16Slice(std::u16string_view text, int from, int to);

inline bool isHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
inline bool isLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}
inline bool isSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDFFF;
}

/// Input at the edges (files, command line, JSON) that is not valid UTF-8.
class Utf8Error : public std::runtime_error {
public:
    Utf8Error(std::size_t byteOffset, const std::string& message)
        : std::runtime_error(message), byteOffset_(byteOffset) {}
    std::size_t byteOffset() const { return byteOffset_; }

private:
    std::size_t byteOffset_;
};

/// Strict UTF-8 decoding: overlong forms, encoded surrogates, values above U+10FFFF and
/// truncated sequences throw Utf8Error instead of being replaced.
std::u16string toUtf16(std::string_view utf8);

/// UTF-8 for display and files. Unpaired surrogates (which UTF-8 cannot carry) become U+FFFD.
std::string toUtf8(std::u16string_view utf16);

/// Appends one scalar value as one or two UTF-16 code units.
void appendScalar(std::u16string& out, char32_t scalar);

} // namespace plumeo
