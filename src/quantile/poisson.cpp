// The Poisson quantile, defined as the first count of an upward scan, from a
// start value near the normal approximation, at which the computed
// distribution function exceeds p. Counts whose distribution function is
// certainly 0 are skipped, and beyond the rates where that certificate holds
// the crossing is found by bisection.
#include <cstdint>

#include "cdf/cdf.hpp"
#include "quantile/conventions.hpp"
#include "quantile/quantile.hpp"
#include "special/constants.hpp"
#include "special/elementary.hpp"

namespace quantora {

using namespace quantile_rules;

namespace {

// Gallop steps double until they would leave the range of counts.
std::int64_t doubled(std::int64_t step) { return step < COUNT_MAX / 2 ? step + step : step; }

// From this rate on the scan starts near a normal approximation.
constexpr double START_VALUE_RATE = 11;
constexpr double START_VALUE_OFFSET = 3;
// Steps taken one by one before the scan looks for counts it can skip.
constexpr int POISSON_LITERAL_STEPS = 64;

// ppois(k) = 1 - P(k + 1, rate). The incomplete gamma takes P from Legendre's
// upper fraction as 1 - Q when the shape a = k + 1 is small against the rate:
// x - a >= 10 for a < 10; x/a > 3, or x above the quadrature window's upper
// end a + k_hi sqrt(a), for a >= 10. There, once Q <= 2^-54, the difference
// 1 - Q rounds to exactly 1 and ppois is exactly 0, so such counts never stop
// the scan. Q is the Poisson lower tail, below the Chernoff bound exp(E),
// E = k - rate + k ln(rate/k). A count is certified when E, plus an allowance
// for its own rounding and that of the fraction's prefactor exponent (both of
// size rate ln(rate) 2^-52), is below -45: that leaves a factor e^7 for the
// error of the fraction itself before the computed Q could reach
// 2^-54 = e^-37.4 (where the certificate is used, (x - a)^2 / a exceeds 90 and
// the 98-level fraction is close to converged). E, the method tests and the
// window end all increase with k, so the certified counts form an initial run.
//
// Above 2^46 the allowance itself grows past several units: the certified run
// then ends well below the quadrature window, the computed tail in between is
// dominated by the rounding of exponents of size 10^15 and more, and walking it
// count by count would take hours. There the scan's crossing is located by
// bisection alone.
constexpr double CERTIFIED_LOG_TAIL = -45;
constexpr double CERTIFIABLE_RATE = 70368744177664.0;  // 2^46

double window_upper_multiplier(double a) {
    if (a > 800) return 10;
    if (a > 300) return 9;
    if (a > 90) return 8;
    if (a > 70) return 7;
    if (a > 50) return 6;
    return 5;
}

bool upper_fraction_used(double a, double rate) {
    if (a < 10) return !(rate - a < 10);
    return rate / a > 3 || window_upper_multiplier(a) * sqrt_kernel(a) + a < rate;
}

bool certainly_zero(std::int64_t k, double rate) {
    const double kd = static_cast<double>(k);
    if (!(kd < rate) || !upper_fraction_used(kd + 1, rate)) return false;
    const double log_tail = k == 0 ? -rate : (kd - rate) + kd * log_kernel(rate / kd);
    const double allowance = 8 * EPS * (rate * (log_kernel(rate) + 1) + 1);
    return log_tail + allowance < CERTIFIED_LOG_TAIL;
}

struct PoissonScan {
    double p;
    double rate;

    // The scan goes on while p >= F; it stops where F exceeds p, or is NaN.
    bool stops_at(std::int64_t k) const { return !(p >= ppois(k, rate, false)); }

    // The last count of the certified run that starts at k.
    std::int64_t certified_end(std::int64_t k) const {
        std::int64_t lo = k;
        std::int64_t hi = rate < COUNT_LIMIT ? static_cast<std::int64_t>(rate) : COUNT_MAX;
        while (hi - lo > 1) {
            const std::int64_t mid = lo + (hi - lo) / 2;
            if (certainly_zero(mid, rate)) {
                lo = mid;
            } else {
                hi = mid;
            }
        }
        return lo;
    }

    // A count from k on at which the scan stops while the count before it does
    // not, by galloping and bisection.
    double bisected_stop(std::int64_t k) const {
        if (stops_at(k)) return static_cast<double>(k);
        std::int64_t lo = k;
        std::int64_t step = 1;
        std::int64_t hi;
        for (;;) {
            hi = COUNT_MAX - lo > step ? lo + step : COUNT_MAX;
            if (stops_at(hi)) break;
            if (hi == COUNT_MAX) return INF;
            lo = hi;
            step = doubled(step);
        }
        while (hi - lo > 1) {
            const std::int64_t mid = lo + (hi - lo) / 2;
            if (stops_at(mid)) {
                hi = mid;
            } else {
                lo = mid;
            }
        }
        return static_cast<double>(hi);
    }

    // The first count from k on at which the scan stops, as a double; +infinity
    // when no count up to the largest 64-bit count does.
    double first_stop(std::int64_t k) const {
        for (int i = 0; i < POISSON_LITERAL_STEPS; ++i) {
            if (stops_at(k)) return static_cast<double>(k);
            if (k == COUNT_MAX) return INF;
            k = k + 1;
        }
        if (certainly_zero(k, rate)) {
            k = certified_end(k) + 1;
        }
        if (rate > CERTIFIABLE_RATE) {
            return bisected_stop(k);
        }
        for (;;) {
            if (stops_at(k)) return static_cast<double>(k);
            if (k == COUNT_MAX) return INF;
            k = k + 1;
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
    const PoissonScan scan{p, rate};
    if (rate < START_VALUE_RATE) {
        return scan.first_stop(0);
    }
    // Start three below the normal approximation; the scan only walks upward.
    const double m = qnorm(p, rate, sqrt_kernel(rate)) - START_VALUE_OFFSET;
    if (m != m || m >= COUNT_LIMIT) {
        return INF;
    }
    const std::int64_t k0 = m > 0 ? static_cast<std::int64_t>(m) : 0;
    const double F0 = ppois(k0, rate, false);
    if (p >= F0) {
        return scan.first_stop(k0 + 1);
    }
    return k0 > 0 ? static_cast<double>(k0 - 1) : 0.0;
}

}  // namespace quantora
