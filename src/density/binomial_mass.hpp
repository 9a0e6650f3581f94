#pragma once
// The binomial log-mass at any count for one (n_trials, prob) pair, with the
// count-independent logarithms evaluated once: ln Γ(n + 1), ln prob and
// ln(1 − prob). Summing masses over many counts then costs two log-gamma
// evaluations per term, and every value has the same bits as dbinom.
#include <cstdint>

namespace quantora {

// The literal log-mass at any count of n trials is within
//     LOG_MASS_BOUND_SCALE (V + n (|ln p| + |ln q|) + LOG_MASS_BOUND_FLOOR) / 2,
// V = (n + 12) ln(n + 12), of the true log-mass (the analysis is with the
// binomial sums).
constexpr double LOG_MASS_BOUND_SCALE = 0x1p-46;
constexpr double LOG_MASS_BOUND_FLOOR = 256;

// ln P(X = x) for 0 < x < n by the saddle-point form
//     ln sqrt(n / (2π x (n - x))) + δ(n) - δ(x) - δ(n - x) - D(x, n p) - D(n - x, n q),
// δ the Stirling errors and D the deviances, whose terms stay small where
// the log-gamma values of the literal form are large and cancel.
double binomial_log_mass_saddle(std::int64_t x, std::int64_t n_trials, double prob);

// n_trials prob - x to full relative accuracy for every count up to 2^63 - 1
// (neither count nor product is exact as a double beyond 2^53): the offset of
// the mean from x, on which the saddle-point form and the incomplete beta
// near the centre depend.
double count_offset(std::int64_t x, std::int64_t n_trials, double prob);

class BinomialMass {
public:
    // Requires 0 <= prob <= 1 and n_trials >= 2; NaN, infinite or out-of-range
    // probabilities and the cases n_trials == 0 and n_trials == 1 (whose mass
    // is a special value, not a log-density) are left to the caller.
    BinomialMass(std::int64_t n_trials, double prob);

    // ln P(X = x) for 0 <= x <= n_trials: dbinom(x, n_trials, prob, true).
    double log_mass(std::int64_t x) const;

    // P(X = x) for 0 <= x <= n_trials: dbinom(x, n_trials, prob, false).
    double mass(std::int64_t x) const;

    // The bound above on the error of log_mass, with V from an upper bound on
    // ln(n + 12) that needs no logarithm.
    double log_mass_error() const;

    // log_kernel(prob) and log_kernel(1 - prob), as used by every term.
    double log_prob() const { return log_p_; }
    double log_complement() const { return log_q_; }

private:
    std::int64_t n_;
    double log_gamma_n1_;
    double log_p_;
    double log_q_;
};

}  // namespace quantora
