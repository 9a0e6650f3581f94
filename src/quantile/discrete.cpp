// Quantiles of the binomial and Poisson laws. Each is defined as the first count
// of an upward scan at which the computed distribution function reaches p. The
// answer of that scan is found here without visiting every count: bracketing and
// bisection locate a crossing, and a downward check proves that no earlier count
// stops the scan, even where rounding makes the computed function non-monotone.
#include <cstdint>
#include <limits>

#include "cdf/cdf.hpp"
#include "density/binomial_mass.hpp"
#include "quantile/quantile.hpp"
#include "special/constants.hpp"
#include "special/elementary.hpp"
#include "special/gamma.hpp"

namespace quantora {

namespace {

constexpr std::int64_t COUNT_MAX = std::numeric_limits<std::int64_t>::max();
// 2^63, the first double that no longer fits a signed 64-bit count.
constexpr double COUNT_LIMIT = 9223372036854775808.0;
// Unit roundoff 2^-53.
constexpr double UNIT_ROUNDOFF = EPS * 0.5;

// Up to this many trials the literal scan is as cheap as any search.
constexpr std::int64_t BINOMIAL_LITERAL_TRIALS = 8;

// The binomial distribution function at k is the sum of the computed masses
// f(k) + f(k - 1) + ... + f(0), added in that order and clamped to 1. Below
// the mode (j + 2 <= (n + 1) prob) the computed masses only shrink, to within
// a factor 4, so once a term is below 2^-56 of the running sum every later term
// is below half its last unit and leaves its bits unchanged; a log-mass below
// -745 gives an exactly zero term and every later one does too. This holds
// while the log-masses carry an absolute error far below 1, which a bound of
// 2^39 on the size of their intermediate terms guarantees.
constexpr double NEGLIGIBLE_LOG_MASS = -745;
constexpr double TAIL_RATIO = 0x1p-56;
constexpr double TAIL_FLOOR = 0x1p-960;
constexpr double MAX_LOG_MAGNITUDE = 0x1p39;

bool invalid_probability(double p) { return p != p || p < 0 || p > 1; }

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

    // pbinom(k) and pbinom(k - 1), 1 <= k < n, from one pass over the masses:
    // both are sums from their own top count down, sharing every term below
    // k - 1; each stops adding where its own sum can no longer change. False
    // where the truncation argument does not hold; the caller then evaluates
    // the distribution function twice.
    bool adjacent_cdfs(std::int64_t k, double& F_k, double& F_before) const {
        const double lp = log_kernel(prob);
        const double lq = log_kernel(1 - prob);
        if (lp == -INF || lq == -INF) return false;
        const double nd = static_cast<double>(n);
        const double magnitude =
            2 * lgamma_kernel(nd + 1) + nd * ((lp < 0 ? -lp : lp) + (lq < 0 ? -lq : lq)) + 64;
        if (!(magnitude <= MAX_LOG_MAGNITUDE)) return false;
        const BinomialMass mass(n, prob);
        const double log_top = mass.log_mass(k);
        const double log_next = mass.log_mass(k - 1);
        if (!(log_top >= NEGLIGIBLE_LOG_MASS) || !(log_next >= NEGLIGIBLE_LOG_MASS)) return false;
        const double centre = (nd + 1) * prob;
        const double next = exp_kernel(log_next);
        double upper = exp_kernel(log_top) + next;
        double lower = next;
        bool upper_open = true;
        bool lower_open = true;
        for (std::int64_t j = k - 2; j >= 0 && (upper_open || lower_open); --j) {
            const double log_term = mass.log_mass(j);
            const double term = exp_kernel(log_term);
            if (static_cast<double>(j) + 2 <= centre) {
                if (log_term < NEGLIGIBLE_LOG_MASS) break;
                if (term >= TAIL_FLOOR && term < upper * TAIL_RATIO) upper_open = false;
                if (term >= TAIL_FLOOR && term < lower * TAIL_RATIO) lower_open = false;
            }
            if (upper_open) upper = upper + term;
            if (lower_open) lower = lower + term;
        }
        F_k = upper > 1 ? 1.0 : upper;
        F_before = lower > 1 ? 1.0 : lower;
        return true;
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
        const double z = normal_deviate(p);
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
        // The crossing is usually at the guess itself, and one pass over the
        // masses then settles it.
        double F0 = NaN;
        double F_before = NaN;
        const bool paired = k0 >= 1 && adjacent_cdfs(k0, F0, F_before);
        if (!paired) {
            F0 = cdf(k0);
        }
        if (stops(F0)) {
            hi = k0;
            if (paired && stops(F_before)) {
                hi = k0 - 1;
            } else if (paired) {
                lo = k0 - 1;
                F_lo = F_before;
            }
            std::int64_t step = 1;
            while (hi - lo > 1 && hi > 0) {
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
