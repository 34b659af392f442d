#pragma once

#include <optional>
#include <string>

namespace plumeo {

/// What the user is shown when the continuation point must be confirmed by hand.
struct RelocationHint {
    /// The document position at which continuation was uniquely located, when known.
    std::optional<int> knownCursor;
    std::u16string typedTail; ///< The end of what has been typed, to find the place by.
    std::u16string nextText;  ///< The beginning of what will be typed next.
    int confirmedUnits = 0;
    int sentUnits = 0;

    bool operator==(const RelocationHint&) const = default;
};

} // namespace plumeo
