// The Poisson quantile: the smallest count k with ppois(k) >= p. The search
// starts at the normal approximation less three (at 0 below rate 11), walks
// counts one by one in the direction the distribution function points, then
// gallops with doubling steps and bisects the last step, so that calls at
// rates up to 2^62 take at most a few hundred evaluations.
#include <cstdint>

#include "cdf/cdf.hpp"
#include "quantile/conventions.hpp"
#include "quantile/quantile.hpp"
#include "special/constants.hpp"
#include "special/elementary.hpp"

namespace quantora {

using namespace quantile_rules;

namespace {

// From this rate on the search starts near a normal approximation.
constexpr double START_VALUE_RATE = 11;
constexpr double START_VALUE_OFFSET = 3;
// Counts taken one by one before the search gallops: from its start the
// answer usually lies a few counts away, and stepping past it would cost
// evaluations of the distribution function beyond its cheap series.
constexpr int SINGLE_STEPS = 64;

struct PoissonSearch {
    double p;
    double rate;

    bool reaches(std::int64_t k) const { return ppois(k, rate, false) >= p; }

    // The least count in (lo, hi] that reaches p, given that lo does not and
    // hi does.
    std::int64_t bisect(std::int64_t lo, std::int64_t hi) const {
        while (hi - lo > 1) {
            const std::int64_t mid = lo + (hi - lo) / 2;
            if (reaches(mid)) {
                hi = mid;
            } else {
                lo = mid;
            }
        }
        return hi;
    }

    // The least count above k that reaches p, for a k that does not; +infinity
    // when no 64-bit count does.
    double upward(std::int64_t k) const {
        std::int64_t step = 1;
        for (int i = 0;; ++i) {
            const std::int64_t next = COUNT_MAX - k > step ? k + step : COUNT_MAX;
            if (reaches(next)) return static_cast<double>(bisect(k, next));
            if (next == COUNT_MAX) return INF;
            k = next;
            if (i >= SINGLE_STEPS && step < COUNT_MAX / 2) step = step + step;
        }
    }

    // The least count at or below k that reaches p, for a k that does.
    double downward(std::int64_t k) const {
        std::int64_t step = 1;
        for (int i = 0;; ++i) {
            if (k == 0) return 0.0;
            const std::int64_t next = k > step ? k - step : 0;
            if (!reaches(next)) return static_cast<double>(bisect(next, k));
            k = next;
            if (i >= SINGLE_STEPS && step < COUNT_MAX / 2) step = step + step;
        }
    }
};

}  // namespace

double qpois(double p, double rate) {
    if (rate != rate || rate < 0 || invalid_probability(p)) {
        return NaN;
    }
    if (p == 0) {
        return 0;
    }
    // A rate below EPS is the point mass at 0, for every p up to 1.
    if (rate < EPS) {
        return 0;
    }
    if (p == 1 || rate == INF) {
        return INF;
    }
    const PoissonSearch search{p, rate};
    std::int64_t k0 = 0;
    if (rate >= START_VALUE_RATE) {
        const double m = qnorm(p, rate, sqrt_kernel(rate)) - START_VALUE_OFFSET;
        if (m >= COUNT_LIMIT) {
            return INF;
        }
        // m is -infinity, or NaN, where the normal quantile has no value.
        k0 = m > 0 ? static_cast<std::int64_t>(m) : 0;
    }
    return search.reaches(k0) ? search.downward(k0) : search.upward(k0);
}

}  // namespace quantora
