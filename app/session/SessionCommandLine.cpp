#include "app/session/SessionCommandLine.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace plumeo {

namespace {

std::optional<double> parseNumber(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<std::uint64_t> parseUnsigned(const std::string& text) {
    // strtoull accepts a sign and leading blanks; a seed is plain digits.
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    errno = 0;
    const unsigned long long value = std::strtoull(text.c_str(), nullptr, 10);
    if (errno != 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(value);
}

} // namespace

SessionCommandLine parseSessionCommandLine(const std::vector<std::string>& arguments) {
    SessionCommandLine result;
    bool typosGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= arguments.size())
                throw CommandLineError("选项 " + argument + " 缺少取值");
            return arguments[++i];
        };
        if (argument == "--help" || argument == "-h") {
            result.showHelp = true;
        } else if (argument == "--mode") {
            const std::string& raw = value();
            const auto mode = typingModeFromRawValue(raw);
            if (!mode)
                throw CommandLineError("未知的模式「" + raw + "」：只能是 stable、fast 或 natural");
            result.mode = *mode;
        } else if (argument == "--speed") {
            const std::string& raw = value();
            const auto speed = parseNumber(raw);
            if (!speed || *speed <= 0)
                throw CommandLineError("速度「" + raw + "」无效：需要一个正数（每分钟字数）");
            result.unitsPerMinute = *speed;
        } else if (argument == "--typos") {
            const std::string& raw = value();
            const auto rate = parseNumber(raw);
            if (!rate || *rate < 0 || *rate > 1)
                throw CommandLineError("错字率「" + raw + "」无效：需要 0 到 1 之间的数");
            result.typoRate = *rate;
            typosGiven = true;
        } else if (argument == "--seed") {
            const std::string& raw = value();
            const auto seed = parseUnsigned(raw);
            if (!seed || *seed == 0)
                throw CommandLineError("种子「" + raw + "」无效：需要一个非零的无符号整数");
            result.seed = *seed;
        } else if (argument == "--backend") {
            const std::string& raw = value();
            result.backend = backendKindFromRawValue(raw);
            if (!result.backend)
                throw CommandLineError("未知的后端「" + raw + "」：只能是 sim 或 apple");
        } else if (argument == "--socket") {
            result.socketPath = value();
        } else if (argument == "--start-simulator") {
            result.simulator = SimulatorSource::ownProcess;
        } else if (argument == "--no-autocorrect") {
            result.autoCorrect = AutoCorrectPolicy::allOff;
        } else if (argument.size() > 1 && argument[0] == '-') {
            throw CommandLineError("未知的选项 " + argument);
        } else if (!result.articlePath.empty()) {
            throw CommandLineError("只能给出一个文章文件");
        } else {
            result.articlePath = argument;
        }
    }
    if (result.showHelp)
        return result;
    if (result.articlePath.empty())
        throw CommandLineError("缺少文章文件（UTF-8 纯文本）");
    if (result.unitsPerMinute && result.mode != TypingMode::fast &&
        !ModeSettings::speedRange.contains(*result.unitsPerMinute))
        throw CommandLineError("稳定和自然模式的速度需在每分钟 30 到 1200 字之间");
    if (typosGiven && result.typoRate > 0 && result.mode != TypingMode::natural)
        throw CommandLineError("错字只在自然模式（--mode natural）中使用");
    return result;
}

ModeSettings sessionSettings(const SessionCommandLine& commandLine) {
    std::optional<double> speed = commandLine.unitsPerMinute;
    if (!speed && commandLine.mode != TypingMode::fast)
        speed = ModeSettings::speedRange.upperBound;
    const bool typos = commandLine.mode == TypingMode::natural && commandLine.typoRate > 0;
    return ModeSettings::make(commandLine.mode, speed, typos, typos ? commandLine.typoRate : 0);
}

std::string sessionUsage() {
    return "用法：plumeo-session [--mode stable|fast|natural] [--speed 每分钟字数] [--typos "
           "错字率]\n"
           "                      [--seed N] [--socket 路径] [--start-simulator] "
           "[--no-autocorrect]\n"
           "                      [--backend sim|apple]\n"
           "                      文章文件\n"
           "把 UTF-8 文章逐键输入模拟的 Word 当前文档的插入点，并整篇读回核对。\n"
           "  --start-simulator  启动自己的 plumeo-sim（私有套接字），结束时关闭它\n"
           "  --no-autocorrect   关闭模拟 Word 的全部自动更正选项\n"
           "  --backend          sim：模拟器（默认）；apple：本机 macOS 与 Word（仅 macOS 版本）\n"
           "  未给 --speed 时稳定和自然模式按每分钟 1200 字，快速模式按 Word 的响应调节。\n"
           "  按 Ctrl-C 取消：等输入停止后退出。\n";
}

} // namespace plumeo
