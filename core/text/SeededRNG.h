#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace plumeo {

/// SplitMix64. Plans are rebuilt from their seed when a session resumes, so the exact sequence,
/// and the number of draws each operation takes, is part of the contract.
struct SeededRNG {
    std::uint64_t state = 0;

    explicit SeededRNG(std::uint64_t seed) : state(seed) {}

    std::uint64_t next() {
        state += 0x9E3779B97F4A7C15ULL;
        std::uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    /// Uniform in [0, 1) from the top 53 bits of one draw; never 1.
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

    double uniform(double a, double b) { return a + unit() * (b - a); }

    /// A standard normal value from two draws (Box-Muller, cosine branch only).
    double gaussian() {
        const double u1 = unit();
        const double u2 = unit();
        return std::sqrt(-2.0 * std::log(std::max(u1, 1e-12))) *
               std::cos(2.0 * std::numbers::pi * u2);
    }

    /// One of `count` candidates, `count` > 0.
    std::uint64_t choose(std::uint64_t count) { return next() % count; }

    bool operator==(const SeededRNG&) const = default;
};

} // namespace plumeo
