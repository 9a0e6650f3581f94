#pragma once
// The binomial log-mass at any count for one (n_trials, prob) pair, with the
// count-independent logarithms evaluated once: ln Γ(n + 1), ln prob and
// ln(1 − prob). Summing masses over many counts then costs two log-gamma
// evaluations per term, and every value has the same bits as dbinom.
#include <cstdint>

namespace quantora {

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
