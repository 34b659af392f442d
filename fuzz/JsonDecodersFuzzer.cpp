// Every JSON decoder on arbitrary text: DecodingError is the only failure allowed out, and a
// decoded value encodes to a document that decodes to the same value.

#include "core/engine/StopMetrics.h"
#include "core/text/DecodingError.h"
#include "core/text/ModeSettings.h"
#include "core/verify/ComparisonReport.h"
#include "fuzz/FuzzInput.h"

using namespace plumeo;

namespace {

template <typename Value, typename Decode>
void roundTrip(std::string_view jsonText, Decode decode) {
    Value value;
    try {
        value = decode(jsonText);
    } catch (const DecodingError&) {
        return;
    }
    const std::string encoded = toJson(value).dump();
    FUZZ_CHECK(decode(encoded) == value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string_view jsonText(reinterpret_cast<const char*>(bytes) + 1, size - 1);
    switch (bytes[0] % 3) {
    case 0:
        roundTrip<ModeSettings>(jsonText, decodeModeSettings);
        break;
    case 1:
        roundTrip<ComparisonReport>(jsonText, decodeComparisonReport);
        break;
    default:
        roundTrip<StopMetrics>(jsonText, decodeStopMetrics);
        break;
    }
    return 0;
}
