#include "density/binomial_mass.hpp"

#include "special/elementary.hpp"
#include "special/gamma.hpp"

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

}  // namespace quantora
