// Distribution functions of the counts: binomial and Poisson.
#include "cdf/cdf.hpp"
#include "cdf/probability.hpp"
#include "density/binomial_mass.hpp"
#include "special/gamma.hpp"
#include "special/inc_gamma.hpp"

namespace quantora {

using namespace cdf_detail;

namespace {

// k! for k = 0 .. 15, exact in 64 bits.
constexpr std::int64_t FACTORIAL[16] = {
    1,         1,          2,           6,            24,            120,            720,           5040,
    40320,     362880,     3628800,     39916800,     479001600,     6227020800,     87178291200,   1307674368000,
};
constexpr double POISSON_SERIES_MAX_RATE = 10;
constexpr std::int64_t POISSON_SERIES_MAX_COUNT = 15;

// x + 1 as a double, exact in 64-bit arithmetic; the largest count's
// successor 2^63 is not representable as a count but is as a double.
double successor(std::int64_t x) {
    constexpr std::int64_t COUNT_MAX = 9223372036854775807;
    return x == COUNT_MAX ? 9223372036854775808.0 : static_cast<double>(x + 1);
}

// e^(-rate) * sum_{k=0..x} rate^k / k!, the terms added from k = x downward
// and the k = 0 term last.
double poisson_series(std::int64_t x, double rate) {
    double s;
    if (x == 0) {
        s = 1;
    } else if (x == 1) {
        s = rate + 1;
    } else {
        double t = pow_int_kernel(rate, x) / static_cast<double>(FACTORIAL[x]);
        for (std::int64_t k = x - 1; k >= 1; --k) {
            t = t + pow_int_kernel(rate, k) / static_cast<double>(FACTORIAL[k]);
        }
        s = t + 1;
    }
    return exp_kernel(-rate) * s;
}

// The binomial lower tail is the sum f(x) + f(x - 1) + ... + f(0) of the
// computed masses, added in that order. Its bits depend on every term that
// changes the running sum and on none that does not, so runs of terms that
// provably change nothing need not be evaluated.
//
// Error bound. A computed log-mass is ((A - (B + C)) + k ln p) + (n - k) ln q
// with A = ln Γ(n + 1) and B + C = ln Γ(n - k + 1) + ln Γ(k + 1) in [-0.3, A],
// so no intermediate exceeds M = 2A + n(|ln p| + |ln q|) + 64 in magnitude.
// Six roundings contribute at most 6 M 2^-53; the log-gamma kernel loses a
// few units of 2^-52 in its ln t · (t - 1/2) term, and ln p and ln q a few
// units in their last place, each again a few units of 2^-52 M. We take
// d = 2^-40 M as the bound, hundreds of times the sum of these (measured
// errors stay near 2^-52 M), and use it only while d <= 1/2. exp_kernel adds
// a relative error below 1e-12 for results in the normal range.
//
// Unimodality. For the exact masses m(k - 1) <= m(k) whenever k <= (n + 1)p,
// and m(k + 1) < m(k) whenever k + 1 > (n + 1)p. So for j < k <= (n + 1)p the
// computed terms satisfy f(j) <= f(k) e^(2d) (1 + 1e-12) < 4 f(k), and:
//  - once f(k) < S 2^-56 <= ulp(S)/8, every later term is below ulp(S)/2 and
//    rounds away: the running sum S keeps its bits to the end;
//  - once a log-mass is below -745, every later one is below -744, where
//    exp_kernel gives exactly +0 (it does for every argument below -709), and
//    adding +0 leaves S unchanged too.
// Above the mode the same bound makes every term beyond a count whose
// log-mass is below -745 exactly +0; those leading zeros add nothing (a sum
// of +0 and t is t), and a bisection finds where they end. Where M exceeds
// 2^39 (about 10^10 trials) the bound is not claimed and every term is summed.
constexpr double NEGLIGIBLE_LOG_MASS = -745;
constexpr double TAIL_RATIO = 0x1p-56;
constexpr double TAIL_FLOOR = 0x1p-960;  // well inside the normal range
constexpr double MAX_LOG_MAGNITUDE = 0x1p39;

double full_lower_sum(const BinomialMass& mass, std::int64_t x) {
    double s = mass.mass(x);
    for (std::int64_t k = x - 1; k >= 0; --k) s = s + mass.mass(k);
    return s;
}

// The count at which summing starts: every term above it, up to x, is
// exactly +0. `lowest` lies above the mode, where the masses decrease.
std::int64_t last_leading_zero(const BinomialMass& mass, std::int64_t lowest, std::int64_t x) {
    if (x <= lowest || !(mass.log_mass(x) < NEGLIGIBLE_LOG_MASS)) return x;
    std::int64_t lo = lowest;
    std::int64_t hi = x;
    while (hi - lo > 1) {
        const std::int64_t mid = lo + (hi - lo) / 2;
        if (mass.log_mass(mid) < NEGLIGIBLE_LOG_MASS) {
            hi = mid;
        } else {
            lo = mid;
        }
    }
    return hi - 1;
}

double binomial_lower_sum(std::int64_t x, std::int64_t n, double prob) {
    const BinomialMass mass(n, prob);
    const double lp = log_kernel(prob);
    const double lq = log_kernel(1 - prob);
    // The logarithm is -infinity below EPS. With ln p == -infinity every term
    // above k = 0 carries it times a positive count, and with ln q ==
    // -infinity every term below n does: all those terms are exactly +0 and
    // the sum is the k = 0 term alone.
    if (lp == -INF || lq == -INF) return mass.mass(0);
    const double nd = static_cast<double>(n);
    const double magnitude =
        2 * lgamma_kernel(nd + 1) + nd * ((lp < 0 ? -lp : lp) + (lq < 0 ? -lq : lq)) + 64;
    if (!(magnitude <= MAX_LOG_MAGNITUDE)) return full_lower_sum(mass, x);

    // (n + 1)p is exact to well within one count here (n < 2^39), so a margin
    // of two counts keeps both sides of the mode honest.
    const double centre = (nd + 1) * prob;
    const std::int64_t above_mode = static_cast<std::int64_t>(centre) + 2;
    const std::int64_t top = last_leading_zero(mass, above_mode, x);
    double s = mass.mass(top);
    for (std::int64_t k = top - 1; k >= 0; --k) {
        const double log_term = mass.log_mass(k);
        const double term = exp_kernel(log_term);
        if (static_cast<double>(k) + 2 <= centre) {
            if (log_term < NEGLIGIBLE_LOG_MASS) break;
            if (term >= TAIL_FLOOR && term < s * TAIL_RATIO) break;
        }
        s = s + term;
    }
    return s;
}

}  // namespace

double pbinom(std::int64_t x, std::int64_t n_trials, double prob, bool log_p) {
    if (prob != prob) return NaN;
    if (prob == -INF) return NaN;
    if (prob == INF) return NaN;
    if (n_trials < 0) return NaN;
    if (prob < 0 || prob > 1) return NaN;
    if (x < 0) return certain_zero(log_p);
    if (x >= n_trials) return probability(1.0, log_p);
    if (n_trials == 1) return pbern(x, prob, log_p);
    return probability(binomial_lower_sum(x, n_trials, prob), log_p);
}

double ppois(std::int64_t x, double rate, bool log_p) {
    if (rate != rate) return NaN;
    if (rate < 0) return NaN;
    if (x < 0) return certain_zero(log_p);
    if (rate == INF) return certain_zero(log_p);
    double v;
    if (rate > POISSON_SERIES_MAX_RATE || x > POISSON_SERIES_MAX_COUNT) {
        // P(X <= x) = Q(x + 1, rate), the upper regularized incomplete gamma.
        v = 1 - inc_gamma_kernel(successor(x), rate);
    } else {
        v = poisson_series(x, rate);
    }
    return probability(v, log_p);
}

}  // namespace quantora
