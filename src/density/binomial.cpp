// The binomial mass.
#include "density/binomial_mass.hpp"
#include "density/conventions.hpp"
#include "density/density.hpp"
#include "special/beta_power.hpp"
#include "special/log_scale.hpp"

namespace quantora {

using namespace density_rules;

namespace {

// The end points with ln(1 - prob) to full accuracy, a certain outcome's
// complement as 0, and the saddle-point form between.
double sound_log_mass(std::int64_t x, std::int64_t n_trials, double prob) {
    const double n = static_cast<double>(n_trials);
    if (x == 0) return plus_zero(n * log1p_value(-prob));
    if (x == n_trials) return n * log_value(prob);
    if (prob == 0 || prob == 1) return -INF;
    return binomial_log_mass_saddle(x, n_trials, prob);
}

}  // namespace

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
    // itself rather than the exponential of a log-mass (a prob of -0 as +0).
    if (n_trials == 1) return plus_zero(dbern(x, prob, log));
    const BinomialMass mass(n_trials, prob);
    const double error = mass.log_mass_error();
    if (error <= KEPT_ERROR) {
        const double log_mass = mass.log_mass(x);
        if (keeps_log(log_mass, error, log)) return log ? log_mass : exp_value(log_mass);
    }
    return canonical(log ? sound_log_mass(x, n_trials, prob) : exp_value(sound_log_mass(x, n_trials, prob)));
}

}  // namespace quantora
