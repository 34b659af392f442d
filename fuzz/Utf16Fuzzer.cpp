// The UTF-8 and UTF-16 conversions at the edges of the system: strict decoding agrees with
// ICU's, every valid text survives the round trip, and slicing clamps whatever it is given.

#include "core/text/Utf16.h"
#include "fuzz/FuzzInput.h"

#include <algorithm>
#include <optional>
#include <unicode/ustring.h>

using namespace plumeo;

namespace {

/// ICU's strict conversion, or nothing for ill-formed input.
std::optional<std::u16string> icuFromUtf8(std::string_view bytes) {
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8(nullptr, 0, &length, bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status))
        return std::nullopt;
    std::u16string out(static_cast<std::size_t>(length), u'\0');
    status = U_ZERO_ERROR;
    u_strFromUTF8(out.data(), length + 1, nullptr, bytes.data(), static_cast<int32_t>(bytes.size()),
                  &status);
    if (U_FAILURE(status))
        return std::nullopt;
    return out;
}

/// The text with every unpaired surrogate as U+FFFD, which is what UTF-8 can carry.
std::u16string withoutLoneSurrogates(std::u16string text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isHighSurrogate(text[i]) && i + 1 < text.size() && isLowSurrogate(text[i + 1]))
            ++i;
        else if (isSurrogate(text[i]))
            text[i] = u'\uFFFD';
    }
    return text;
}

void checkUtf8(std::string_view bytes) {
    const std::optional<std::u16string> expected = icuFromUtf8(bytes);
    try {
        const std::u16string text = toUtf16(bytes);
        FUZZ_CHECK(expected == text);
        FUZZ_CHECK(toUtf8(text) == bytes);
    } catch (const Utf8Error& error) {
        FUZZ_CHECK(!expected);
        FUZZ_CHECK(error.byteOffset() < bytes.size());
    }
}

void checkUtf16(FuzzedDataProvider& data) {
    // Bounds near the text find the cuts inside pairs; extreme ones test the clamping.
    const bool extreme = data.ConsumeBool();
    const int from = extreme ? data.ConsumeIntegral<int>() : data.ConsumeIntegralInRange(-2, 40);
    const int to = extreme ? data.ConsumeIntegral<int>() : data.ConsumeIntegralInRange(-2, 40);
    const std::u16string text = fuzz::consumeRawUtf16(data);
    FUZZ_CHECK(toUtf16(toUtf8(text)) == withoutLoneSurrogates(text));

    const int count = utf16Count(text);
    const int lo = std::clamp(from, 0, count);
    const int hi = std::clamp(to, lo, count);
    std::u16string expected = text.substr(lo, hi - lo);
    if (!expected.empty() && lo > 0 && isHighSurrogate(text[lo - 1]) &&
        isLowSurrogate(expected.front()))
        expected.front() = u'\uFFFD';
    if (!expected.empty() && hi < count && isHighSurrogate(expected.back()) &&
        isLowSurrogate(text[hi]))
        expected.back() = u'\uFFFD';
    FUZZ_CHECK(utf16Slice(text, from, to) == expected);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0)
        return 0;
    if (bytes[0] & 1) {
        checkUtf8(std::string_view(reinterpret_cast<const char*>(bytes) + 1, size - 1));
        return 0;
    }
    FuzzedDataProvider data(bytes + 1, size - 1);
    checkUtf16(data);
    return 0;
}
