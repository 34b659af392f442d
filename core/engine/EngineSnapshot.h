#pragma once

#include "core/engine/EngineActivity.h"
#include "core/engine/ProgressLedger.h"
#include "core/engine/RelocationHint.h"
#include "core/engine/SessionPhase.h"
#include "core/engine/StopMetrics.h"

#include <optional>
#include <string>
#include <vector>

namespace plumeo {

/// Everything an observer needs, taken at one moment under the engine lock.
struct EngineSnapshot {
    SessionPhase phase;
    ProgressLedger ledger;
    /// What the worker is doing while the phase is typing; idle in every other phase.
    EngineActivity activity = EngineActivity::idle;
    /// Confirmed units per second of active typing; absent until more than a second of it.
    std::optional<double> measuredUnitsPerSecond;
    std::optional<double> etaSeconds;
    std::optional<StopMetrics> lastStop;
    std::vector<std::string> notes; ///< The session's notes, oldest first.
    /// Present only while the phase is needsRelocation.
    std::optional<RelocationHint> relocation;

    bool operator==(const EngineSnapshot&) const = default;
};

} // namespace plumeo
