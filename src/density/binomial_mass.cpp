#include "density/binomial_mass.hpp"

#include "special/beta_power.hpp"
#include "special/constants.hpp"
#include "special/elementary.hpp"
#include "special/exact_arithmetic.hpp"
#include "special/gamma.hpp"
#include "special/log_scale.hpp"
#include "special/saddle_point.hpp"

namespace quantora {

BinomialMass::BinomialMass(std::int64_t n_trials, double prob)
    : n_(n_trials),
      log_gamma_n1_(lgamma_kernel(static_cast<double>(n_trials) + 1)),
      log_p_(log_kernel(prob)),
      log_q_(log_kernel(1 - prob)) {}

double BinomialMass::log_mass(std::int64_t x) const {
    // At the end points the binomial coefficient is 1 and one outcome never
    // occurs; leaving its factor out keeps prob == 0 or prob == 1 away from
    // 0 * -infinity.
    if (x == 0) return log_q_ * static_cast<double>(n_);
    if (x == n_) return log_p_ * static_cast<double>(x);
    const double nd = static_cast<double>(n_);
    const double xd = static_cast<double>(x);
    return ((log_gamma_n1_ - (lgamma_kernel((nd - xd) + 1) + lgamma_kernel(xd + 1))) + log_p_ * xd) +
           log_q_ * static_cast<double>(n_ - x);
}

double BinomialMass::mass(std::int64_t x) const { return exp_kernel(log_mass(x)); }

double BinomialMass::log_mass_error() const {
    const double nd = static_cast<double>(n_);
    const double w = (log_gamma_magnitude(nd + 12) + nd * (abs_value(log_p_) + abs_value(log_q_))) +
                     LOG_MASS_BOUND_FLOOR;
    return w * LOG_MASS_BOUND_SCALE * 0.5;
}

namespace {

constexpr double LN_2PI = 1.8378770664093453;


// A count as a double and the (exact, small) integer it misses by.
Expansion count_expansion(std::int64_t c) {
    const double hi = static_cast<double>(c);
    // hi may round up to 2^63, beyond the counts: its excess is taken in two
    // halves that do fit.
    if (hi >= 0x1p63) return {hi, -static_cast<double>((0x7FFFFFFFFFFFFFFF - c) + 1)};
    return {hi, static_cast<double>(c - static_cast<std::int64_t>(hi))};
}

}  // namespace

double count_offset(std::int64_t x, std::int64_t n_trials, double prob) {
    const Expansion n = count_expansion(n_trials);
    const Expansion k = count_expansion(x);
    const Expansion mean = two_product(n.hi, prob);
    const Expansion lead = two_sum(mean.hi, -k.hi);
    return lead.hi + ((lead.lo + mean.lo) + (n.lo * prob - k.lo));
}

double binomial_log_mass_saddle(std::int64_t x, std::int64_t n_trials, double prob) {
    const double n = static_cast<double>(n_trials);
    const double k = static_cast<double>(x);
    const double rest = static_cast<double>(n_trials - x);
    // D(x, n p) and D(n - x, n q) from x - n p = -d and (n - x) - n q = d.
    const double d = count_offset(x, n_trials, prob);
    const double log_correction = ((stirling_error(n) - stirling_error(k)) - stirling_error(rest)) -
                                  (deviance_from_difference(k, -d, n * prob) +
                                   deviance_from_difference(rest, d, n * (1 - prob)));
    return log_correction + 0.5 * ((log_value(n) - LN_2PI) - (log_value(k) + log_value(rest)));
}

}  // namespace quantora
