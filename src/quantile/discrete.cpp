// Quantiles of the binomial and Poisson laws. Each is defined as the first count
// of an upward scan at which the computed distribution function reaches p. The
// answer of that scan is found here without visiting every count: bracketing and
// bisection locate a crossing, and a downward check proves that no earlier count
// stops the scan, even where rounding makes the computed function non-monotone.
#include <cstdint>
#include <limits>

#include "cdf/cdf.hpp"
#include "quantile/quantile.hpp"
#include "special/constants.hpp"
#include "special/elementary.hpp"

namespace quantora {

namespace {

constexpr std::int64_t COUNT_MAX = std::numeric_limits<std::int64_t>::max();
// 2^63, the first double that no longer fits a signed 64-bit count.
constexpr double COUNT_LIMIT = 9223372036854775808.0;
// Unit roundoff 2^-53.
constexpr double UNIT_ROUNDOFF = EPS * 0.5;

// Up to this many trials the literal scan is as cheap as any search.
constexpr std::int64_t BINOMIAL_LITERAL_TRIALS = 8;

bool invalid_probability(double p) { return p != p || p < 0 || p > 1; }

// The count nearest to x, held in [lo, hi]; a NaN x gives lo.
std::int64_t clamp_to_count(double x, std::int64_t lo, std::int64_t hi) {
    if (!(x > static_cast<double>(lo))) return lo;
    if (!(x < static_cast<double>(hi))) return hi;
    return static_cast<std::int64_t>(x);
}

// Gallop steps double until they would leave the range of counts.
std::int64_t doubled(std::int64_t step) { return step < COUNT_MAX / 2 ? step + step : step; }

// ---------------------------------------------------------------- binomial

struct BinomialScan {
    double p;
    std::int64_t n;
    double prob;

    double cdf(std::int64_t k) const { return pbinom(k, n, prob, false); }
    // The scan stops where p > F fails: F >= p, or F is NaN.
    bool stops(double F) const { return !(p > F); }

    // pbinom(j) is a recursive sum of the j + 1 non-negative masses 0..j, so it
    // lies within gamma_j = j u / (1 - j u) of their exact sum (u = 2^-53), and
    // the exact sums grow with j. Every i <= j therefore has
    //     F(i) <= S(i) (1 + gamma_j) <= S(j) (1 + gamma_j) <= F(j) (1 + gamma_j) / (1 - gamma_j),
    // and (1 + gamma)/(1 - gamma) <= 1 + 4 (j + 1) u while j u <= 1/4; the margin
    // above 2 gamma / (1 - gamma) also absorbs the rounding of the product. When
    // that bound is below p, no count up to j stops the scan.
    bool none_stop_up_to(std::int64_t j, double Fj) const {
        if (!(Fj == Fj) || static_cast<double>(j) * UNIT_ROUNDOFF > 0.25) return false;
        const double margin = static_cast<double>(j + 1) * (4 * UNIT_ROUNDOFF);
        return Fj * (1 + margin) < p;
    }

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
    // continuity correction; only a starting point for the bracket.
    std::int64_t guess() const {
        const double mean = static_cast<double>(n) * prob;
        const double sd = sqrt_kernel(mean * (1 - prob));
        const double z = qnorm(p, 0, 1);
        const double skew = (1 - 2 * prob) / sd;
        const double w = z + skew * (z * z - 1) / 6;
        return clamp_to_count(floor_kernel(mean + sd * w + 0.5), 0, n - 1);
    }

    std::int64_t search() const {
        // Invariant: the scan does not stop at lo (lo = -1 stands for "before
        // 0"), it stops at hi; pbinom(n) is exactly 1 >= p.
        std::int64_t lo = -1;
        double F_lo = 0;
        std::int64_t hi = n;
        const std::int64_t k0 = guess();
        const double F0 = cdf(k0);
        if (stops(F0)) {
            hi = k0;
            std::int64_t step = 1;
            while (hi > 0) {
                const std::int64_t k = hi > step ? hi - step : 0;
                const double F = cdf(k);
                if (!stops(F)) {
                    lo = k;
                    F_lo = F;
                    break;
                }
                hi = k;
                step = doubled(step);
            }
        } else {
            lo = k0;
            F_lo = F0;
            std::int64_t step = 1;
            while (n - lo > step) {
                const std::int64_t k = lo + step;
                const double F = cdf(k);
                if (stops(F)) {
                    hi = k;
                    break;
                }
                lo = k;
                F_lo = F;
                step = doubled(step);
            }
        }
        while (hi - lo > 1) {
            const std::int64_t mid = lo + (hi - lo) / 2;
            const double F = cdf(mid);
            if (stops(F)) {
                hi = mid;
            } else {
                lo = mid;
                F_lo = F;
            }
        }
        // Below the crossing, rounding can still let an earlier count reach p;
        // check counts downward until the bound rules out everything below.
        std::int64_t answer = hi;
        for (std::int64_t j = lo; j >= 0; --j) {
            const double F = j == lo ? F_lo : cdf(j);
            if (stops(F)) {
                answer = j;
            } else if (none_stop_up_to(j, F)) {
                break;
            }
        }
        return answer;
    }
};

// ---------------------------------------------------------------- Poisson

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
    const std::int64_t k = n_trials <= BINOMIAL_LITERAL_TRIALS ? scan.literal() : scan.search();
    return static_cast<double>(k);
}

}  // namespace quantora
