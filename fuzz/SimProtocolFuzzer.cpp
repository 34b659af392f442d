// The simulator's wire format on arbitrary bytes: a request line parses to a request or to an
// error answer, never an exception; every answer is one JSON line; the line splitter gives
// the same lines whatever the chunks the bytes arrive in.

#include "fuzz/FuzzInput.h"
#include "sim/protocol/SimProtocol.h"

#include <vector>

using namespace plumeo;

namespace {

/// One answer: a JSON object on a single line that ends in the only newline.
nlohmann::json parseAnswer(const std::string& answer) {
    FUZZ_CHECK(!answer.empty() && answer.find('\n') == answer.size() - 1);
    nlohmann::json message = nlohmann::json::parse(answer, nullptr, false);
    FUZZ_CHECK(message.is_object() && message.contains("id") && message["ok"].is_boolean());
    return message;
}

void checkRequestLine(std::string_view line) {
    const auto parsed = simproto::parseRequest(line);
    if (const auto* bad = std::get_if<simproto::BadRequest>(&parsed)) {
        FUZZ_CHECK(bad->code == "malformed" || bad->code == "invalid");
        const nlohmann::json answer =
            parseAnswer(simproto::encodeError(bad->id, bad->code, bad->message));
        FUZZ_CHECK(answer["ok"] == false && answer["id"] == bad->id);
        FUZZ_CHECK(answer["error"]["code"] == bad->code);
        return;
    }
    const auto& request = std::get<simproto::Request>(parsed);
    FUZZ_CHECK(request.args.is_object());
    const nlohmann::json answer = parseAnswer(simproto::encodeResult(request.id, request.args));
    FUZZ_CHECK(answer["ok"] == true && answer["id"] == request.id);

    // A parsed request survives being sent again.
    const std::string encoded = simproto::encodeRequest(request);
    FUZZ_CHECK(encoded.find('\n') == encoded.size() - 1);
    const auto again =
        simproto::parseRequest(std::string_view(encoded).substr(0, encoded.size() - 1));
    const auto* reparsed = std::get_if<simproto::Request>(&again);
    FUZZ_CHECK(reparsed != nullptr);
    FUZZ_CHECK(reparsed->id == request.id && reparsed->op == request.op &&
               reparsed->args == request.args);
}

struct Item {
    bool overflow;
    std::string line;
    bool operator==(const Item&) const = default;
};

/// The lines of the whole stream at once: complete lines in order, each overlong one (and an
/// overlong unfinished tail) as one overflow.
std::vector<Item> referenceLines(std::string_view stream, std::size_t maxBytes) {
    std::vector<Item> items;
    std::size_t start = 0;
    for (std::size_t newline = stream.find('\n'); newline != std::string_view::npos;
         newline = stream.find('\n', start)) {
        const std::string_view line = stream.substr(start, newline - start);
        items.push_back(line.size() > maxBytes ? Item{true, {}} : Item{false, std::string(line)});
        start = newline + 1;
    }
    if (stream.size() - start > maxBytes)
        items.push_back({true, {}});
    return items;
}

void checkSplitter(FuzzedDataProvider& data, const std::string_view whole) {
    std::string_view stream = whole;
    const std::size_t maxBytes = data.ConsumeIntegralInRange<std::size_t>(0, 24);
    simproto::LineSplitter splitter(maxBytes);
    std::vector<Item> items;
    auto drain = [&] {
        std::string line;
        for (;;) {
            const auto status = splitter.next(line);
            if (status == simproto::LineSplitter::Status::needMore)
                return;
            if (status == simproto::LineSplitter::Status::overflow) {
                items.push_back({true, {}});
            } else {
                FUZZ_CHECK(line.size() <= maxBytes && line.find('\n') == std::string::npos);
                items.push_back({false, line});
            }
        }
    };
    while (!stream.empty()) {
        const std::size_t chunk =
            std::min(stream.size(), data.ConsumeIntegralInRange<std::size_t>(0, 40));
        splitter.append(stream.substr(0, chunk));
        stream.remove_prefix(chunk);
        if (data.ConsumeBool())
            drain();
        if (data.remaining_bytes() == 0 && chunk == 0) {
            splitter.append(stream);
            stream = {};
        }
    }
    drain();
    FUZZ_CHECK(items == referenceLines(whole, maxBytes));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(bytes), size);
    const std::size_t newline = input.find('\n');
    checkRequestLine(input.substr(0, newline));
    FuzzedDataProvider data(bytes, size);
    checkSplitter(data, input);
    return 0;
}
