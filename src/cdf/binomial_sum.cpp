#include "cdf/binomial_sum.hpp"

#include "special/constants.hpp"
#include "special/elementary.hpp"

namespace quantora {

// The lower sum is f(x) + f(x - 1) + ... + f(0) of the computed masses, added
// in that order. Its bits depend on every term that changes the running sum
// and on none that does not, so runs of terms that provably change nothing
// need not be evaluated.
//
// Error of a computed log-mass. Let p = prob and q = 1 - prob as rounded,
// m(k) = C(n, k) p^k q^(n - k) exactly, u = 2^-53, V = (n + 12) ln(n + 12),
// S = |ln p| + |ln q| and Λ(y) = (y + 5) ln(y + 5). The computed log-mass
// L(k) = ((A - (B + C)) + k ln p) + (n - k) ln q, with A, B, C the log-gammas
// at n + 1, n - k + 1 and k + 1, has these errors:
//  - log_kernel(y) is within 6u|ln y| + 10u of ln y: the decimal split makes
//    one rounding per decade (fewer than |ln y|/2.3 + 1 of them), ln 10 and the
//    table of ln j are within 2u, each further step rounds once, and the
//    continued fraction on [1, 2] is within 6u relative (z <= 1/3, and each
//    level damps the rounding of the next by w/L < 1/20);
//  - lgamma_kernel(y), y >= 2, is within 20u Λ(y) + 2^-40: its term
//    ln t (c + 1/2) - t, t < y + 5, carries the logarithm's error times
//    c + 1/2 and five roundings of size t ln t, and the Lanczos sum with its
//    logarithm is within 2^-40 for y >= 2. Λ(n + 1), and Λ(n - k + 1) + Λ(k + 1),
//    are at most V, so the three calls err by at most 40uV + 3 2^-40;
//  - beyond 2^53 trials the counts reach the kernel (as y and as c = y - 1)
//    within 4u(n + 1) of themselves, and ln Γ moves by at most ln(n + 2) per
//    unit there: 12uV;
//  - the two roundings of A - (B + C) add 2uV, the two final additions
//    2u(V + nS), and k ln p and (n - k) ln q, with their logarithms, counts
//    and products, 8unS + 10un <= 8unS + 4uV.
// In all |L(k) - ln m(k)| < 60uV + 10unS + 3 2^-40 <= d/2 with
//     d = 2^-46 W,   W = V + nS + 256;
// the factor 2 covers second-order terms and the rounding of W itself.
// Measured errors stay below 5uW, a 25th of d.
//
// Unimodality. m(k - 1) <= m(k) exactly when k <= (n + 1)p/(p + q); p + q is
// 1 within u, and the computed (n + 1)p within 3u of its value. A count k with
// k + 2 + 2^-48 c <= c, c the computed centre, is therefore at most the exact
// mode, however large n is: the margin 2^-48 c = 32uc covers those relative
// errors and the rounding of k and of the test, and the 2 keeps the test
// well clear of the mode for small n. Likewise every count k >= c + 2 + 2^-48 c
// has m(j) <= m(k) for all j > k.
//
// Below the mode, j < k gives L(j) <= ln m(j) + d <= ln m(k) + d <= L(k) + 2d,
// and exp_kernel is within 1e-12 relative of e^x for every nonzero result (it
// returns +0 below -709 and, near there, values of 1e-308 or more), so
// f(j) <= f(k) e^(2d) (1 + 1e-12)/(1 - 1e-12) for every f(k) > 0. Hence:
//  - once f(k) < R S with R = 2^-57 exp_kernel(-2d) and S the running sum,
//    every later term is below 2^-56 S < ulp(S)/8 and rounds away, so S keeps
//    its bits to the end. f(k) >= 2^-960 is also required, which keeps R S in
//    the normal range, where its own rounding is relative;
//  - once L(k) < -745 - 2d, every later L(j) is below -745, where exp_kernel
//    gives exactly +0, and adding +0 leaves S unchanged.
// Above the mode the same bound makes every term at and beyond a count with
// L(k) < -745 - 2d exactly +0; such leading zeros add nothing (the sum of +0
// and t is t), and a bisection finds where they end.
//
// The bound holds for every n, but the saving does not: the terms between the
// mode and the cut number some (2 (38.8 + 2d))^(1/2) standard deviations, and
// where 2d exceeds 512 (from about 5e14 trials at prob = 1/2, fewer for prob
// near 0 or 1) R is no longer used at all; only the exact zeros are skipped.
namespace {

constexpr double CENTRE_MARGIN = 0x1p-48;
constexpr double CENTRE_GUARD = 2;
constexpr double ZERO_LOG_MASS = -745;
constexpr double TAIL_RATIO = 0x1p-57;
constexpr double TAIL_FLOOR = 0x1p-960;
constexpr double MAX_SPREAD = 512;

}  // namespace

BinomialSum::BinomialSum(std::int64_t n_trials, double prob)
    : mass_(n_trials, prob),
      relative_error_(mass_.log_mass_error() + EPS * (static_cast<double>(n_trials) + 1)),
      flushed_(FLUSHED_MASS * (static_cast<double>(n_trials) + 1)),
      n_(n_trials),
      prob_(prob),
      q_(1 - prob) {
    const double lp = mass_.log_prob();
    const double lq = mass_.log_complement();
    // With ln p == -infinity every term above k = 0 carries it times a
    // positive count, and with ln q == -infinity every term below n does.
    degenerate_ = lp == -INF || lq == -INF;
    const double nd = static_cast<double>(n_trials);
    const double v = (nd + 12) * log_kernel(nd + 12);
    const double w = (v + nd * (abs_value(lp) + abs_value(lq))) + LOG_MASS_BOUND_FLOOR;
    const double spread = 2 * (w * LOG_MASS_BOUND_SCALE);
    centre_ = (nd + 1) * prob;
    guard_ = CENTRE_GUARD + centre_ * CENTRE_MARGIN;
    negligible_log_mass_ = ZERO_LOG_MASS - spread;
    tail_ratio_ = spread <= MAX_SPREAD ? TAIL_RATIO * exp_kernel(-spread) : 0.0;
}

double BinomialSum::mass_of_log(double log_mass) { return exp_kernel(log_mass); }

bool BinomialSum::below_mode(std::int64_t k) const { return static_cast<double>(k) + guard_ <= centre_; }

bool BinomialSum::vanishes_at_and_below(std::int64_t k, double log_mass) const {
    return below_mode(k) && log_mass < negligible_log_mass_;
}

bool BinomialSum::vanishes_at_and_above(std::int64_t k, double log_mass) const {
    return static_cast<double>(k) >= centre_ + guard_ && log_mass < negligible_log_mass_;
}

// The count at which adding begins for a sum from `top`: above it every term
// up to top is exactly +0.
std::int64_t BinomialSum::first_added(std::int64_t top) const {
    const double above = centre_ + guard_;
    if (!(static_cast<double>(top) > above) || !(mass_.log_mass(top) < negligible_log_mass_)) return top;
    // Every count above `lo` lies above the mode; `hi` starts a run of zeros.
    std::int64_t lo = static_cast<std::int64_t>(above);
    std::int64_t hi = top;
    while (hi - lo > 1) {
        const std::int64_t mid = lo + (hi - lo) / 2;
        if (mass_.log_mass(mid) < negligible_log_mass_) {
            hi = mid;
        } else {
            lo = mid;
        }
    }
    return hi - 1;
}

// A bound on the sum of the masses below k, a count below the mode at which
// the ratio rule ended a running sum `sum`. The exact masses fall at least
// geometrically there: m(j - 1)/m(j) = j q/((n - j + 1) p) <= rho(k) for j <= k.
// With f(k) < R sum and the bound on the log-masses, each f(j) is at most
// 2^-56 sum rho^(k - j), so the masses below k add up to less than
// 2^-56 sum/(1 - rho). rho is computed with five roundings, covered by the
// margin 2^-48; the factor 2 in 2^-55 covers the rounding of the quotient.
double BinomialSum::tail_below(std::int64_t k, double sum) const {
    const double rho = (static_cast<double>(k) * q_) / (static_cast<double>(n_ - k + 1) * prob_);
    const double rho_up = rho + rho * CENTRE_MARGIN;
    if (!(rho_up < 1)) return INF;
    return sum * 0x1p-55 / (1 - rho_up);
}

BinomialPass BinomialSum::lower_run(std::int64_t top, int count, double* sums) const {
    for (int i = 0; i < count; ++i) sums[i] = 0.0;
    if (degenerate_) {
        const double f0 = mass_.mass(0);
        for (int i = 0; i < count; ++i) sums[i] = f0;
        return {0, 1, 0.0, 0};
    }
    BinomialPass pass{first_added(top), 0, 0.0, 0};
    bool open[MAX_RUN];
    for (int i = 0; i < count; ++i) open[i] = true;
    int still_open = count;
    for (std::int64_t k = pass.start; k >= 0; --k) {
        const double log_term = mass_.log_mass(k);
        const double term = exp_kernel(log_term);
        pass.evaluated = pass.evaluated + 1;
        const bool below = below_mode(k);
        if (below && log_term < negligible_log_mass_) {
            pass.flushed = pass.flushed + k + 1;
            break;
        }
        if (term == 0) pass.flushed = pass.flushed + 1;
        // Sum i runs from top - i down; it has begun once k <= top - i.
        const std::int64_t begun = top - k;
        const int last = begun < count - 1 ? static_cast<int>(begun) : count - 1;
        for (int i = 0; i <= last; ++i) {
            if (!open[i]) continue;
            if (below && term >= TAIL_FLOOR && term < sums[i] * tail_ratio_) {
                open[i] = false;
                still_open = still_open - 1;
                if (still_open == 0) {
                    pass.tail = tail_below(k, sums[i]);
                    return pass;
                }
            } else {
                sums[i] = sums[i] + term;
            }
        }
    }
    return pass;
}

double BinomialSum::lower(std::int64_t x) const {
    double s;
    lower_run(x, 1, &s);
    return s;
}

}  // namespace quantora
