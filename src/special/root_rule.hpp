#pragma once
// The rule every continuous quantile answers to: the value returned for p is
// within QUANTILE_TOLERANCE (relative) of the true root of F(x) = p, where F
// is the library's accurate distribution function. A fast formula or a fixed
// iteration gives a candidate; where the candidate can fail, it is checked
// against F, and a candidate that fails gives way to the least double y with
// F(y) >= p, found by bisection over the doubles themselves.
#include <cstdint>

#include "special/bits.hpp"
#include "special/constants.hpp"

namespace quantora {

constexpr double QUANTILE_TOLERANCE = 1e-6;

// Doubles in increasing order as signed integers: +0 and -0 both map to 0, a
// positive double to its encoding, a negative one to minus the encoding of
// its magnitude. Neighbouring doubles map to neighbouring integers.
inline std::int64_t double_rank(double x) {
    const std::uint64_t bits = double_pattern(x);
    const std::int64_t magnitude = static_cast<std::int64_t>(bits & 0x7FFFFFFFFFFFFFFFULL);
    return (bits >> 63) ? -magnitude : magnitude;
}

inline double rank_double(std::int64_t rank) {
    if (rank >= 0) return pattern_double(static_cast<std::uint64_t>(rank));
    return pattern_double(static_cast<std::uint64_t>(-rank) | 0x8000000000000000ULL);
}

// The least double y in [lo, hi] with reaches(y), for a predicate that is
// false and then true along the doubles; hi when no double below it reaches.
// lo itself comes back when it already reaches. At most about 64 calls.
template <class Reaches>
double least_reaching(double lo, double hi, Reaches reaches) {
    if (reaches(lo)) return plus_zero(lo);
    std::int64_t low = double_rank(lo);
    std::int64_t high = double_rank(hi);
    while (static_cast<std::uint64_t>(high) - static_cast<std::uint64_t>(low) > 1) {
        const std::int64_t mid =
            low + static_cast<std::int64_t>((static_cast<std::uint64_t>(high) - static_cast<std::uint64_t>(low)) / 2);
        if (reaches(rank_double(mid))) {
            high = mid;
        } else {
            low = mid;
        }
    }
    return plus_zero(rank_double(high));
}

// The ends of the interval of doubles within QUANTILE_TOLERANCE of x: relative
// for normal x, one subnormal step around x below the normal range.
struct RootBracket {
    double below;
    double above;
};

inline RootBracket tolerance_bracket(double x) {
    constexpr double SMALLEST_NORMAL = 2.2250738585072014e-308;
    const double magnitude = x < 0 ? -x : x;
    if (magnitude < SMALLEST_NORMAL) {
        return {rank_double(double_rank(x) - 1), rank_double(double_rank(x) + 1)};
    }
    const double spread = magnitude * QUANTILE_TOLERANCE;
    return {x - spread, x + spread};
}

// Whether the candidate x is within the tolerance of the root of F(y) = p:
// true exactly when F is below p at the lower end of x's bracket and reaches p
// at its upper end. A NaN from F counts as falling short. The support's ends
// lo and hi bound the bracket.
template <class Forward>
bool meets_quantile_rule(double x, double p, double lo, double hi, Forward forward) {
    if (!(x >= lo && x <= hi) || x == INF || x == -INF) return false;
    RootBracket b = tolerance_bracket(x);
    if (b.below < lo) b.below = lo;
    if (b.above > hi) b.above = hi;
    const bool short_below = !(forward(b.below) >= p) || (b.below == lo && b.below == x);
    return short_below && forward(b.above) >= p;
}

// The quantile for p on the support [lo, hi] (finite ends; an infinite end is
// given as the largest double of that sign): the candidate x when it meets the
// rule, else the bisection root. Never -0.
template <class Forward>
double checked_quantile(double x, double p, double lo, double hi, Forward forward) {
    if (meets_quantile_rule(x, p, lo, hi, forward)) return plus_zero(x);
    return least_reaching(lo, hi, [p, &forward](double y) { return forward(y) >= p; });
}

}  // namespace quantora
