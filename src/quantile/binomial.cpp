// The binomial quantile, defined as the first count of an upward scan at which
// the computed distribution function reaches p. The answer of that scan is
// found here without visiting every count, even where rounding makes the
// computed function non-monotone: bounds on the rounding of the computed
// values settle most counts, and only the rest are evaluated.
#include <cstdint>

#include "cdf/binomial_sum.hpp"
#include "cdf/cdf.hpp"
#include "quantile/conventions.hpp"
#include "quantile/quantile.hpp"
#include "special/beta_power.hpp"
#include "special/constants.hpp"
#include "special/elementary.hpp"

namespace quantora {

using namespace quantile_rules;

namespace {

// x truncated to a count held in [lo, hi]; a NaN x gives lo.
std::int64_t clamp_to_count(double x, std::int64_t lo, std::int64_t hi) {
    if (!(x > static_cast<double>(lo))) return lo;
    if (!(x < static_cast<double>(hi))) return hi;
    return static_cast<std::int64_t>(x);
}

// The normal quantile by a rational approximation (absolute error below 4.5e-4),
// cheap enough for a starting point.
double normal_deviate(double p) {
    const double r = p < 0.5 ? p : 1 - p;
    const double t = sqrt_kernel(log_kernel(r) * (-2));
    const double num = (t * 0.010328) * t + (t * 0.802853 + 2.515517);
    const double den = ((t * 0.189269) * t + (t * 1.432788 + 1)) + ((t * 0.001308) * t) * t;
    const double z = t - num / den;
    return p < 0.5 ? -z : z;
}


// The highest p for which a sum of masses decides a count (see sums_decide).
constexpr double SUMS_DECIDE_TOP = 1 - 0x1p-22;

// Up to this many trials the literal scan is as cheap as any search.
constexpr std::int64_t BINOMIAL_LITERAL_TRIALS = 8;

// Certifying counts without forming their sums. The computed distribution
// function at k is the recursive sum s(k) of the computed masses f(k), ...,
// f(0), clamped to 1; write E(k) for the exact sum of those same masses. Adding
// a non-negative term to a non-negative partial sum errs by at most the
// smaller of the term and u = 2^-53 times the result, and the partial sums of
// s(k) never exceed it. One pass at a count T yields s = s(T), the number N of
// masses it evaluated and a bound t on the sum of the masses below them, so
// for every k <= T, with P an upper bound on all those s(k),
//     |s(k) - E(k)| <= u P N + t = H.
// From s(k) <= E(k) + u s(k) N + t and E(T) <= s(1 + uN) + t follows
// P = (s + 2t)(1 + 2^-8) while uN <= 2^-12. Walking from T over W further
// masses with recursive sum D gives the estimate a = s - D of s(k) below T,
// or a = s + D above it (there E(k) <= a (1 + 2^-10) + t, so P = (a + 2t)
// (1 + 2^-8) and the walked masses count in N). Either estimate is within
//     2H + gamma_W D + u a,   gamma_W <= 1.01 W u,
// of s(k); the bound below doubles every rounding term (EPS = 2u), which also
// keeps the floating-point comparisons of a - B and a + B with p on the safe
// side. Then
//  - a - B >= p: the scan stops at k;
//  - a + B < p: it stops at no count at or below k, since for j <= k
//    s(j) <= E(j) + H <= E(k) + H <= a + B.
// Only the counts left between the two, whose sums lie within rounding of p,
// are summed exactly, many of them in one pass.
constexpr double BOUND_SLACK = 1 + 0x1p-8;
constexpr double MAX_EVALUATED = 0x1p41;
// A downward walk whose estimates fall below this share of the sum it started
// from begins again with a pass of its own, which keeps bounds scaled by that
// sum small beside the sums compared with p.
constexpr double RESTART_SHARE = 1.0 / 16;

double estimate_bound(double scale, double evaluated, double walked, double walked_sum, double estimate,
                      double tail) {
    if (!(evaluated <= MAX_EVALUATED)) return INF;
    return (EPS * ((scale * evaluated + walked * walked_sum) + estimate) + 2 * tail) * BOUND_SLACK;
}

double unit_clamped(double s) { return s > 1 ? 1.0 : s; }

// No count at or below `lo` stops the scan, the scan stops at `hi`, and every
// count from `flat` on has the lower sum of the count before it.
struct Bracket {
    std::int64_t lo;
    std::int64_t hi;
    std::int64_t flat;
};

struct BinomialScan {
    double p;
    std::int64_t n;
    double prob;

    double cdf(std::int64_t k) const { return pbinom(k, n, prob, false); }
    // The scan stops where p > F fails: F >= p, or F is NaN.
    bool stops(double F) const { return !(p > F); }

    std::int64_t literal() const {
        std::int64_t k = 0;
        double cum = 0;
        while (p > cum) {
            cum = cdf(k);
            k = k + 1;
        }
        return k - 1;
    }

    // Normal approximation with the Cornish-Fisher skewness term and a
    // continuity correction; only a starting point for the walks.
    std::int64_t guess() const {
        const double mean = static_cast<double>(n) * prob;
        const double sd = sqrt_kernel(mean * (1 - prob));
        const double z = normal_deviate(p);
        const double skew = (1 - 2 * prob) / sd;
        const double w = z + skew * (z * z - 1) / 6;
        return clamp_to_count(floor_kernel(mean + sd * w + 0.5), 0, n - 1);
    }

    // The last count of the run from k upward at and below which every mass
    // is exactly +0; k starts such a run.
    std::int64_t last_vanishing(const BinomialSum& sums, std::int64_t k) const {
        std::int64_t lo = k;
        std::int64_t hi = n;
        while (hi - lo > 1) {
            const std::int64_t mid = lo + (hi - lo) / 2;
            if (sums.vanishes_at_and_below(mid, sums.log_mass(mid))) {
                lo = mid;
            } else {
                hi = mid;
            }
        }
        return lo;
    }

    // One pass at `base`, then walks down from it until a prefix of counts is
    // certified and up from it until a count certainly stops the scan. False,
    // with `base` moved, where a new pass must start first.
    bool walk(const BinomialSum& sums, std::int64_t& base, Bracket& b) const {
        double s;
        const BinomialPass pass = sums.lower_run(base, 1, &s);
        // Every count from pass.start to base has the sum s.
        if (stops(unit_clamped(s)) && pass.start < b.hi) b.hi = pass.start;
        const double evaluated = static_cast<double>(pass.evaluated);
        const double scale = (s + 2 * pass.tail) * BOUND_SLACK;
        std::int64_t k = pass.start;
        double a = s;
        double walked = 0;
        double walked_sum = 0;
        for (;;) {
            const double bound = estimate_bound(scale, evaluated + walked, walked, walked_sum, a, pass.tail);
            if (a + bound < p) {
                if (k > b.lo) b.lo = k;
                break;
            }
            if (a - bound >= p && k < b.hi) b.hi = k;
            if (k == 0) break;
            if (a < s * RESTART_SHARE) {
                base = k;
                return false;
            }
            walked_sum = walked_sum + sums.mass(k);
            walked = walked + 1;
            k = k - 1;
            a = s - walked_sum;
        }
        // Upward from pass.start: above a run of leading zeros every mass is
        // +0, which the first step finds.
        k = pass.start;
        a = s;
        double up = 0;
        double up_sum = 0;
        while (k + 1 < b.hi) {
            const std::int64_t next = k + 1;
            const double log_term = sums.log_mass(next);
            if (sums.vanishes_at_and_above(next, log_term)) {
                b.flat = next;
                break;
            }
            up_sum = up_sum + BinomialSum::mass_of_log(log_term);
            up = up + 1;
            k = next;
            a = s + up_sum;
            const double bound = estimate_bound((a + 2 * pass.tail) * BOUND_SLACK, evaluated + walked + up, up,
                                                up_sum, a, pass.tail);
            if (a + bound < p) {
                b.lo = k;
            } else if (a - bound >= p) {
                b.hi = k;
            }
        }
        return true;
    }

    // The first count in the bracket at which the scan stops, from exact sums
    // of the uncertified counts in increasing order.
    std::int64_t first_stop(const BinomialSum& sums, const Bracket& b) const {
        const std::int64_t end = b.hi < b.flat ? b.hi : b.flat;
        double run[BinomialSum::MAX_RUN];
        for (std::int64_t k = b.lo + 1; k < end;) {
            const std::int64_t top = end - k > BinomialSum::MAX_RUN ? k + (BinomialSum::MAX_RUN - 1) : end - 1;
            sums.lower_run(top, static_cast<int>(top - k + 1), run);
            for (std::int64_t j = k; j <= top; ++j) {
                if (stops(unit_clamped(run[top - j]))) return j;
            }
            k = top + 1;
        }
        return b.hi;
    }

    // The least count whose distribution function reaches p, by bisection
    // over the counts: where the distribution function is the incomplete beta
    // function or one minus the upper tail, no scan is needed.
    std::int64_t bisect() const {
        if (stops(cdf(0))) return 0;
        std::int64_t lo = 0;
        std::int64_t hi = n;
        while (hi - lo > 1) {
            const std::int64_t mid = lo + (hi - lo) / 2;
            if (stops(cdf(mid))) {
                hi = mid;
            } else {
                lo = mid;
            }
        }
        return hi;
    }

    // The search over sums of masses finds the count at which pbinom first
    // reaches p wherever every count agrees on reaching it: pbinom is the sum
    // itself between least_kept_sum() and the complement switch, the accurate
    // lower tail below (under 2 least_kept_sum() with the sum's error), and one
    // minus the upper tail above (within 2^-24 of the sum, so above
    // 1 - 2^-23). Outside that band of p, bisection over pbinom.
    bool sums_decide(const BinomialSum& sums) const {
        return sums.sums_stand() && p >= 2 * sums.least_kept_sum() && p <= SUMS_DECIDE_TOP;
    }

    std::int64_t search(const BinomialSum& sums) const {
        if (sums.degenerate()) return stops(unit_clamped(sums.mass(0))) ? 0 : n;
        // pbinom(n) is exactly 1 >= p.
        Bracket b{-1, n, n};
        std::int64_t base = guess();
        // Counts whose masses at and below are all +0 have the sum 0 < p.
        if (sums.vanishes_at_and_below(base, sums.log_mass(base))) {
            b.lo = last_vanishing(sums, base);
            base = b.lo + 1;
        }
        while (!walk(sums, base, b)) {
        }
        return first_stop(sums, b);
    }
};

}  // namespace

double qbinom(double p, std::int64_t n_trials, double prob) {
    if (prob != prob || prob == -INF || prob == INF || n_trials < 0 || prob < 0 || prob > 1 ||
        invalid_probability(p)) {
        return NaN;
    }
    if (p == 0) {
        return 0;
    }
    if (p == 1) {
        return static_cast<double>(n_trials);
    }
    const BinomialScan scan{p, n_trials, prob};
    if (n_trials <= BINOMIAL_LITERAL_TRIALS) return static_cast<double>(scan.literal());
    const BinomialSum sums(n_trials, prob);
    const std::int64_t k = scan.sums_decide(sums) ? scan.search(sums) : scan.bisect();
    return static_cast<double>(k);
}

}  // namespace quantora
