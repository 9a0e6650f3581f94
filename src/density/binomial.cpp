// The binomial mass.
#include "density/binomial_mass.hpp"
#include "density/conventions.hpp"
#include "density/density.hpp"

namespace quantora {

using namespace density_rules;

double dbinom(std::int64_t x, std::int64_t n_trials, double prob, bool log) {
    if (is_nan(prob)) return NaN;
    if (prob == -INF) return NaN;
    if (prob == INF) return NaN;
    if (n_trials < 0) return NaN;
    if (prob < 0) return NaN;
    if (prob > 1) return NaN;
    if (x < 0 || x > n_trials) return constant_zero(log);
    if (n_trials == 0) return special_value(1.0, log);
    // A single trial is a Bernoulli variable, whose mass is prob or 1 - prob
    // itself rather than the exponential of a log-mass.
    if (n_trials == 1) return dbern(x, prob, log);
    const BinomialMass mass(n_trials, prob);
    return log ? mass.log_mass(x) : mass.mass(x);
}

}  // namespace quantora
