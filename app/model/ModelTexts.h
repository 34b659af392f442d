#pragma once

// The texts the model derives from its state: pure functions, so the model only decides when
// to show them.

#include "app/model/TargetInfo.h"
#include "core/engine/EngineSnapshot.h"
#include "core/engine/SessionPhase.h"
#include "core/text/AutocorrectRisk.h"
#include "core/text/TypingMode.h"
#include "core/verify/ComparisonReport.h"
#include "platform/input/Permissions.h"

#include <optional>
#include <string>
#include <vector>

namespace plumeo::ModelTexts {

/// 8% for 0.08, 12.5% for 0.125.
std::string typoRateText(double rate);

/// What stands between the user and Start, in the order shown.
struct BlockerInputs {
    bool articleEmpty = true;
    std::optional<std::string> preparationError;
    bool analysisPending = false;
    PermissionState accessibility;
    PermissionState postEvents;
    PermissionState automation;
    const TargetInfo* target = nullptr;
    bool targetConfirmed = false;
};
std::vector<std::string> blockers(const BlockerInputs& inputs);

std::vector<std::string> targetNotes(const TargetInfo* target,
                                     const std::vector<AutocorrectRisk>& risks, TypingMode mode,
                                     bool typoEnabled);

std::string activityText(const SessionPhase& phase, const std::optional<EngineSnapshot>& snapshot);

struct ProgressFigures {
    double sentFraction = 0;
    double confirmedFraction = 0;
    std::string progressText;
    std::string rateText;

    bool operator==(const ProgressFigures&) const = default;
};
ProgressFigures progressFigures(const std::optional<EngineSnapshot>& snapshot);

/// The status line for a snapshot's phase; nothing where the status stays as it is.
std::optional<std::string> snapshotStatus(const SessionPhase& phase, bool backgroundTyping);
/// The "停止响应" line of a snapshot, when it has a measured stop and is not typing.
std::optional<std::string> stopMeasurementLine(const EngineSnapshot& snapshot);
inline constexpr const char* stopMeasurementPrefix = "停止响应";

/// The status line of a completed session.
std::string resultStatus(const VerificationOutcome& outcome);
/// How many differences are listed.
inline constexpr int listedDifferences = 10;
std::vector<std::string> differenceLines(const ComparisonReport& report);
/// The expected and read-back text around each listed difference.
std::vector<std::string> excerptLines(const ComparisonReport& report, std::u16string_view expected,
                                      std::u16string_view actual);

} // namespace plumeo::ModelTexts
