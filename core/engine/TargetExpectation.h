#pragma once

namespace plumeo {

/// A range of ints whose both bounds belong to it: lower...upper.
struct IntClosedRange {
    int lower = 0;
    int upper = 0;

    bool contains(int value) const { return lower <= value && value <= upper; }

    bool operator==(const IntClosedRange&) const = default;
};

/// What the engine expects the target guard to find before one key stroke. The cursor may lie
/// anywhere between the end of the confirmed text and the end of the sent text, because Word
/// may not have processed every posted stroke yet; the document length moves with it.
struct TargetExpectation {
    IntClosedRange cursor;
    IntClosedRange documentLength;

    bool operator==(const TargetExpectation&) const = default;
};

} // namespace plumeo
