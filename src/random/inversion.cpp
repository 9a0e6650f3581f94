// The parameter checks of the generators by inversion; the quantile kernels
// then apply their own.
#include "random/inversion.hpp"

namespace quantora {

bool invalid_location_scale(double mu, double sigma) { return is_nan(mu) || is_nan(sigma) || sigma < 0; }

bool invalid_rate(double rate) { return is_nan(rate) || rate < 0; }

bool invalid_weibull(double shape, double scale) { return is_nan(shape) || is_nan(scale) || shape < EPS || scale < EPS; }

}  // namespace quantora
