#pragma once

namespace plumeo {

/// The counters of one session, in typing units unless the name says strokes or typos.
struct ProgressLedger {
    int totalUnits = 0;
    int sentUnits = 0;      ///< Units whose strokes have all been posted, from the text's start.
    int confirmedUnits = 0; ///< Units whose arrival a read-back has confirmed.
    bool finalVerified = false;
    int strokesSent = 0; ///< Typo strokes and backspaces included.
    int typosMade = 0;
    int typosCorrected = 0; ///< Typos removed again after a verified backspace.

    ProgressLedger() = default;
    explicit ProgressLedger(int totalUnits) : totalUnits(totalUnits) {}

    /// sentUnits / totalUnits, 0 for an empty text.
    double sentFraction() const { return fractionOfTotal(sentUnits); }
    /// confirmedUnits / totalUnits, 0 for an empty text.
    double confirmedFraction() const { return fractionOfTotal(confirmedUnits); }

    bool operator==(const ProgressLedger&) const = default;

private:
    double fractionOfTotal(int units) const {
        return totalUnits == 0 ? 0.0 : static_cast<double>(units) / totalUnits;
    }
};

} // namespace plumeo
