#include "app/cli/TypeOptions.h"

#include <charconv>
#include <cmath>
#include <map>

namespace plumeo::cli {
namespace {

double number(const std::string& name, const std::string& text, double low, double high) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        value < low || value > high)
        throw UsageError(name + " 需要 " + std::to_string(int(low)) + " 到 " +
                         std::to_string(int(high)) + " 之间的数，而不是「" + text + "」");
    return value;
}

} // namespace

TypeOptions parseTypeOptions(const std::vector<std::string>& arguments) {
    // Switches of the backend are read by the backend choice; here they are only accepted.
    static const std::map<std::string, bool> takesValue = {
        {"--type", true},
        {"--mode", true},
        {"--speed", true},
        {"--minutes", true},
        {"--typos", true},
        {"--no-typos", false},
        {"--countdown", true},
        {"--background-typing", true},
        {"--accept-differences", false},
        {"--json", false},
        {"--seed", true},
        {"--backend", true},
        {"--sim-socket", true},
        {"--start-simulator", false},
        {"--no-autocorrect", false},
    };
    TypeOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        const auto known = takesValue.find(name);
        if (known == takesValue.end())
            throw UsageError("不认识的参数：" + name);
        std::string value;
        if (known->second) {
            if (i + 1 >= arguments.size())
                throw UsageError(name + " 缺少取值");
            value = arguments[++i];
        }
        if (name == "--type") {
            options.articlePath = value;
        } else if (name == "--mode") {
            options.mode = typingModeFromRawValue(value);
            if (!options.mode)
                throw UsageError("--mode 只能是 stable、fast 或 natural，而不是「" + value + "」");
        } else if (name == "--speed") {
            options.unitsPerMinute = number(name, value, 30, 1200);
        } else if (name == "--minutes") {
            options.targetMinutes = number(name, value, 0.1, 6000);
        } else if (name == "--typos") {
            options.typoRate = number(name, value, 0, 0.4);
        } else if (name == "--no-typos") {
            options.typoRate = 0;
        } else if (name == "--countdown") {
            options.countdownSeconds = int(number(name, value, 0, 60));
        } else if (name == "--background-typing") {
            if (value != "on" && value != "off")
                throw UsageError("--background-typing 只能是 on 或 off");
            options.backgroundTyping = value == "on";
        } else if (name == "--accept-differences") {
            options.acceptDifferences = true;
        } else if (name == "--json") {
            options.json = true;
        } else if (name == "--seed") {
            const double seed = number(name, value, 1, 9.0e15);
            options.seed = std::uint64_t(seed);
        } else if (name == "--no-autocorrect") {
            options.autoCorrectOff = true;
        }
    }
    if (options.articlePath.empty())
        throw UsageError("--type 缺少文章文件");
    if (options.unitsPerMinute && options.targetMinutes)
        throw UsageError("--speed 与 --minutes 只能选一个");
    return options;
}

} // namespace plumeo::cli
