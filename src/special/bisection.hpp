#pragma once
#include <cstdint>

#include "special/bits.hpp"
#include "special/constants.hpp"

namespace quantora {

// How far F(x) may stray from p, relative to min(p, 1 - p), before a root from
// a fixed number of iterations is distrusted.
constexpr double ROOT_RESIDUAL_TOLERANCE = 1e-6;

// |value - target| <= 1e-6 * scale; false when value is NaN.
inline bool residual_within(double value, double target, double scale) {
    return abs_value(value - target) <= ROOT_RESIDUAL_TOLERANCE * scale;
}

// The least double y in (lo, hi] with reaches(y), for a monotone predicate
// (false, then true). For non-negative doubles the encoding, read as an
// unsigned integer, increases with the value, so bisecting the integers
// bisects the doubles themselves: at most 64 predicate calls reach adjacent
// doubles. Needs 0 <= lo <= hi; -0 is read as +0. The ends themselves are
// never tested, so hi comes back when nothing below it satisfies reaches.
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

// Solves F(y) = p on [0, end] for a distribution function F, starting from x,
// the outcome of a fixed iteration that may have escaped [0, end] or stalled
// on a flat stretch. A finite x in range whose F(x) lies within the tolerance
// of p is trusted; any other x gives way to the least double with F >= p
// (a NaN F counts as falling short). F cannot tell arguments below EPS apart
// from 0, so when F(EPS) is already at least p the root is placed in [0, EPS):
// x if the iteration landed there, else 0.
template <class Forward>
double checked_root(double x, double p, double end, Forward forward) {
    auto reaches = [p, &forward](double y) { return forward(y) >= p; };
    if (reaches(EPS)) return (x >= 0 && x < EPS) ? x : 0.0;
    const double smaller_tail = p < 1 - p ? p : 1 - p;
    if (x >= 0 && x <= end && residual_within(forward(x), p, smaller_tail)) return x;
    return bisect_doubles(0.0, end, reaches);
}

}  // namespace quantora
