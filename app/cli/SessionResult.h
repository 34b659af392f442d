#pragma once

// How a finished session is reported to a shell: its exit status and its JSON form.

#include "core/engine/EngineSnapshot.h"
#include "core/engine/SessionPhase.h"

#include <nlohmann/json.hpp>
#include <optional>

namespace plumeo::cli {

/// 0 only for a document verified word by word; see entry::ExitStatus for the others.
int exitStatusFor(const SessionPhase& phase);

/// The machine-readable result: outcome, counts, the differences' kinds and positions and the
/// last stop's measurements. It never holds any of the article's or the document's text, nor
/// detail texts that may quote them.
nlohmann::ordered_json resultJson(const SessionPhase& phase,
                                  const std::optional<EngineSnapshot>& snapshot);

} // namespace plumeo::cli
