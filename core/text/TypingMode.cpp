#include "core/text/TypingMode.h"

namespace plumeo {

std::string_view rawValue(TypingMode mode) {
    switch (mode) {
    case TypingMode::stable:
        return "stable";
    case TypingMode::fast:
        return "fast";
    case TypingMode::natural:
        return "natural";
    }
    return {};
}

std::optional<TypingMode> typingModeFromRawValue(std::string_view raw) {
    for (const TypingMode mode : allTypingModes) {
        if (rawValue(mode) == raw)
            return mode;
    }
    return std::nullopt;
}

std::string title(TypingMode mode) {
    switch (mode) {
    case TypingMode::stable:
        return "稳定输出";
    case TypingMode::fast:
        return "极速输出";
    case TypingMode::natural:
        return "自然节奏";
    }
    return {};
}

std::string summary(TypingMode mode) {
    switch (mode) {
    case TypingMode::stable:
        return "适中速度，逐段读回校验（默认）";
    case TypingMode::fast:
        return "按 Word 实际响应提速，仍分段校验、可随时停止";
    case TypingMode::natural:
        return "速度有快有慢，句末和段落停顿；可选少量错字后纠正";
    }
    return {};
}

} // namespace plumeo
