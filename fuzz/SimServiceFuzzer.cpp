// The simulator's request handling on arbitrary request lines against one simulated desktop:
// every line gets exactly one JSON answer line, an error answer for anything malformed, and
// nothing escapes as an exception or undefined behaviour.

#include "fuzz/FuzzInput.h"
#include "sim/protocol/SimProtocol.h"
#include "sim/server/SimService.h"

#include <algorithm>

using namespace plumeo;

namespace {

/// Made-up pids: the simulated Word never becomes a real process here.
class MadeUpProcesses : public sim::ProcessHost {
public:
    std::optional<int> startWordProcess() override { return nextPid_++; }
    void stopProcess(int) override {}
    bool hasExited(int) override { return false; }

private:
    int nextPid_ = 900000;
};

/// Long polls wait for events that never come, and a shutdown ends every later wait at once.
bool waitsOrEnds(std::string_view op) {
    return op == "events.wait" || op == "ctl.shutdown";
}

/// Script time limits shrink to milliseconds so a script behind a dialog times out quickly.
void keepScriptsQuick(sim::SimService& service) {
    service.withWorld([](sim::SimWorld& world) { world.config().scriptTimeScale = 1e-3; });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(bytes), size);
    MadeUpProcesses processes;
    sim::SimService service(sim::SimConfig{}, processes);
    keepScriptsQuick(service);

    for (int lines = 0; lines < 24 && !input.empty(); ++lines) {
        const std::size_t newline = std::min(input.find('\n'), input.size());
        const std::string_view line = input.substr(0, newline);
        input.remove_prefix(std::min(newline + 1, input.size()));

        const auto parsed = simproto::parseRequest(line);
        const auto* request = std::get_if<simproto::Request>(&parsed);
        if (request && waitsOrEnds(request->op))
            continue;
        const std::string answer = service.handleLine(line);
        keepScriptsQuick(service);

        FUZZ_CHECK(!answer.empty() && answer.find('\n') == answer.size() - 1);
        const nlohmann::json message = nlohmann::json::parse(answer, nullptr, false);
        FUZZ_CHECK(message.is_object() && message.contains("ok") && message["ok"].is_boolean());
        if (!request) {
            FUZZ_CHECK(message["ok"] == false);
            FUZZ_CHECK(message["id"] == std::get<simproto::BadRequest>(parsed).id);
            continue;
        }
        FUZZ_CHECK(message["id"] == request->id);
        if (message["ok"] == false)
            FUZZ_CHECK(message["error"]["code"].is_string());
    }
    return 0;
}
