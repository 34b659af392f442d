#include "app/entry/SwitchTable.h"

#include <array>

namespace plumeo::entry {
namespace {

struct SwitchEntry {
    std::string_view name;
    std::size_t valueCount;
    HeadlessJob job;
};

constexpr std::array<SwitchEntry, 8> switchTable{{
    {"--probe", 1, HeadlessJob::probe},
    {"--selftest", 2, HeadlessJob::selftest},
    {"--cleanup-test-docs", 1, HeadlessJob::cleanupTestDocs},
    {"--probe-background", 1, HeadlessJob::probeBackground},
    {"--probe-pages", 1, HeadlessJob::probePages},
    {"--probe-emoji", 1, HeadlessJob::probeEmoji},
    {"--request-permissions", 1, HeadlessJob::requestPermissions},
    {"--status", 1, HeadlessJob::status},
}};

std::optional<std::vector<std::string>> valuesOf(const std::vector<std::string>& arguments,
                                                 std::string_view name, std::size_t count) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] != name || i + count >= arguments.size())
            continue;
        return std::vector<std::string>(arguments.begin() + std::ptrdiff_t(i + 1),
                                        arguments.begin() + std::ptrdiff_t(i + 1 + count));
    }
    return std::nullopt;
}

} // namespace

std::optional<HeadlessSwitch> findHeadlessSwitch(const std::vector<std::string>& arguments) {
    for (const SwitchEntry& entry : switchTable) {
        if (auto values = valuesOf(arguments, entry.name, entry.valueCount))
            return HeadlessSwitch{entry.job, entry.name, std::move(*values)};
    }
    return std::nullopt;
}

std::optional<std::string> optionValue(const std::vector<std::string>& arguments,
                                       std::string_view name) {
    if (auto values = valuesOf(arguments, name, 1))
        return values->front();
    return std::nullopt;
}

bool hasFlag(const std::vector<std::string>& arguments, std::string_view name) {
    for (const std::string& argument : arguments)
        if (argument == name)
            return true;
    return false;
}

} // namespace plumeo::entry
