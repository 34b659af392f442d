#include "core/engine/SessionPhase.h"

namespace plumeo {

namespace {

std::string completedTitle(const VerificationOutcome& outcome) {
    switch (outcome.kind) {
    case VerificationOutcome::Kind::verified:
        return "完成（已验证一致）";
    case VerificationOutcome::Kind::verifiedWithAcceptedDifferences:
        return "完成（含 " + std::to_string(outcome.acceptedDifferences) + " 处已接受差异）";
    case VerificationOutcome::Kind::mismatch:
        return "完成（校验不一致）";
    case VerificationOutcome::Kind::unverified:
        return "完成（未验证）";
    }
    return {};
}

} // namespace

std::string SessionPhase::title() const {
    switch (kind) {
    case Kind::idle:
        return "空闲";
    case Kind::preparing:
        return "准备中";
    case Kind::countdown:
        return "倒计时 " + std::to_string(secondsLeft);
    case Kind::typing:
        return "输入中";
    case Kind::paused:
        return "已暂停";
    case Kind::resuming:
        return "核对续写位置";
    case Kind::needsRelocation:
        return "需要重新定位";
    case Kind::verifying:
        return "最终校验中";
    case Kind::completed:
        return completedTitle(outcome);
    case Kind::cancelled:
        return "已取消";
    case Kind::failed:
        return "失败";
    }
    return {};
}

std::string SessionPhase::hudDetailText(const std::string& speedText,
                                        const std::string& statusMessage) const {
    const std::string& preferred = prefersSpeedOverStatus() ? speedText : statusMessage;
    const std::string& fallback = prefersSpeedOverStatus() ? statusMessage : speedText;
    return preferred.empty() ? fallback : preferred;
}

bool SessionPhase::operator==(const SessionPhase& other) const {
    if (kind != other.kind)
        return false;
    switch (kind) {
    case Kind::countdown:
        return secondsLeft == other.secondsLeft;
    case Kind::paused:
    case Kind::cancelled:
    case Kind::failed:
        return reason == other.reason;
    case Kind::needsRelocation:
        return explanation == other.explanation;
    case Kind::completed:
        return outcome == other.outcome;
    default:
        return true;
    }
}

} // namespace plumeo
