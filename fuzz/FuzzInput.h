#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>
#include <string_view>

namespace plumeo::fuzz {

/// Reports a broken invariant and aborts, so libFuzzer keeps the input as a crash.
[[noreturn]] inline void fail(const char* invariant, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, invariant);
    std::abort();
}

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::plumeo::fuzz::fail(#condition, __FILE__, __LINE__);                                  \
    } while (false)

/// Code units that matter to the text code: breaks, controls, quotes and punctuation that Word
/// autocorrects, CJK, combining marks, joiners, emoji halves and lone surrogates. A small
/// alphabet makes repeats (and so ambiguous contexts) likely.
inline constexpr char16_t interestingUnits[] = {
    u'a',   u'b',   u'c',   u'A',   u' ',   u' ',   u'.',   u'-',   u'"',   u'\'',  u'(',
    u')',   u'1',   u'2',   u'/',   u'>',   u'*',   u'w',   u'\r',  u'\n',  u'\t',  u'\v',
    u'\f',  0x0000, 0x007F, 0x0085, 0x2028, 0x2029, 0x4E2D, 0x6587, 0x3002, 0x0301, 0x200D,
    0xFE0F, 0x2615, 0xD83D, 0xDE00, 0xD83D, 0xDC68, 0xDC69, 0x201C, 0x2014, 0x2026, 0x00A9,
    0x00BD, 0xFEFF, 0x1100, 0x1161, 0x0E33, 0x0600, 0xD840, 0xDC00, u'2',   u'1',
};
inline constexpr std::size_t interestingUnitCount = sizeof(interestingUnits) / sizeof(char16_t);

/// Reads a UTF-16 text of at most `maxUnits` code units. Most units come from the interesting
/// alphabet; a marker byte lets any 16-bit value through, unpaired surrogates included.
inline std::u16string consumeText(FuzzedDataProvider& data, std::size_t maxUnits) {
    const std::size_t length = data.ConsumeIntegralInRange<std::size_t>(0, maxUnits);
    std::u16string text;
    text.reserve(length);
    while (text.size() < length && data.remaining_bytes() > 0) {
        const auto selector = data.ConsumeIntegral<std::uint8_t>();
        if (selector < interestingUnitCount) {
            text.push_back(interestingUnits[selector]);
        } else if (selector < 0xF0) {
            // Printable ASCII keeps the bulk of generated text ordinary.
            text.push_back(static_cast<char16_t>(u' ' + (selector - interestingUnitCount) % 95));
        } else {
            text.push_back(static_cast<char16_t>(data.ConsumeIntegral<std::uint16_t>()));
        }
    }
    return text;
}

/// The rest of the input as raw UTF-16 code units (little-endian pairs).
inline std::u16string consumeRawUtf16(FuzzedDataProvider& data) {
    const std::string bytes = data.ConsumeRemainingBytesAsString();
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    return text;
}

/// Writes a text as code units to stderr, for the report of a broken invariant.
inline void dumpText(const char* label, std::u16string_view text) {
    std::fprintf(stderr, "%s (%zu units):", label, text.size());
    for (char16_t unit : text)
        std::fprintf(stderr, " %04X", static_cast<unsigned>(unit));
    std::fprintf(stderr, "\n");
}

inline bool isPrefixOf(std::u16string_view prefix, std::u16string_view text) {
    return text.substr(0, prefix.size()) == prefix;
}

inline bool isSuffixOf(std::u16string_view suffix, std::u16string_view text) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

} // namespace plumeo::fuzz
