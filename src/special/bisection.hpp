#pragma once
#include <cstdint>

#include "special/bits.hpp"
#include "special/constants.hpp"

namespace quantora {

// A root found by a fixed iteration is kept when the forward function there is
// within this fraction of the smaller tail probability.
constexpr double ROOT_RESIDUAL_TOLERANCE = 1e-6;

// |value - target| <= 1e-6 * scale; false when value is NaN.
inline bool residual_within(double value, double target, double scale) {
    const double diff = value - target;
    return (diff < 0 ? -diff : diff) <= ROOT_RESIDUAL_TOLERANCE * scale;
}

// The smallest double y in (lo, hi] at which reaches(y) holds, for a predicate
// that is false below some point of [lo, hi] and true from it on. The bit
// patterns of non-negative doubles, read as unsigned integers, are ordered as
// the values, so halving the pattern interval visits every double between the
// ends and ends after at most 64 evaluations. Requires 0 <= lo <= hi (a zero
// lo counts as +0). Neither end is evaluated: hi is returned when no double
// below it reaches the target.
template <class Reaches>
double bisect_doubles(double lo, double hi, Reaches reaches) {
    std::uint64_t low = double_pattern(lo == 0 ? 0.0 : lo);
    std::uint64_t high = double_pattern(hi);
    while (high - low > 1) {
        const std::uint64_t mid = low + (high - low) / 2;
        if (reaches(pattern_double(mid))) {
            high = mid;
        } else {
            low = mid;
        }
    }
    return pattern_double(high);
}

// The root of a distribution function F on [0, end] at probability p, given
// the result x of a fixed iteration that may have left the support or stalled.
// x is kept when F(x) is within the residual tolerance of p, measured against
// the smaller tail; otherwise the smallest double with F >= p is found by
// bisection, a NaN value of F counting as below p. Below EPS, F treats every
// argument as zero and cannot judge a root, so when F(EPS) already reaches p
// the root is x if the iteration put it in [0, EPS), and 0 otherwise.
template <class Forward>
double checked_root(double x, double p, double end, Forward forward) {
    auto reaches = [p, &forward](double y) { return forward(y) >= p; };
    if (reaches(EPS)) return (x >= 0 && x < EPS) ? x : 0.0;
    const double smaller_tail = p < 1 - p ? p : 1 - p;
    if (x >= 0 && x <= end && residual_within(forward(x), p, smaller_tail)) return x;
    return bisect_doubles(0.0, end, reaches);
}

}  // namespace quantora
