#include "core/engine/EngineActivity.h"

#include <array>

namespace plumeo {

namespace {

constexpr std::array allActivities = {EngineActivity::idle, EngineActivity::typing,
                                      EngineActivity::typoTyped, EngineActivity::typoFixing,
                                      EngineActivity::checking};

} // namespace

std::string_view rawValue(EngineActivity activity) {
    switch (activity) {
    case EngineActivity::idle:
        return "idle";
    case EngineActivity::typing:
        return "typing";
    case EngineActivity::typoTyped:
        return "typoTyped";
    case EngineActivity::typoFixing:
        return "typoFixing";
    case EngineActivity::checking:
        return "checking";
    }
    return {};
}

std::optional<EngineActivity> engineActivityFromRawValue(std::string_view raw) {
    for (EngineActivity activity : allActivities) {
        if (rawValue(activity) == raw)
            return activity;
    }
    return std::nullopt;
}

std::string_view label(EngineActivity activity) {
    switch (activity) {
    case EngineActivity::idle:
        return "准备中";
    case EngineActivity::typing:
        return "输入中";
    case EngineActivity::typoTyped:
        return "打错了";
    case EngineActivity::typoFixing:
        return "改正中";
    case EngineActivity::checking:
        return "核对中";
    }
    return {};
}

bool isCorrecting(EngineActivity activity) {
    return activity == EngineActivity::typoTyped || activity == EngineActivity::typoFixing;
}

} // namespace plumeo
