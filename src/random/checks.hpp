#pragma once
// Parameter checks shared by several generators; each is true when the
// parameters are rejected (NaN without drawing).
#include "special/constants.hpp"

namespace quantora {

inline bool invalid_location_scale(double mu, double sigma) { return is_nan(mu) || is_nan(sigma) || sigma < 0; }

inline bool invalid_rate(double rate) { return is_nan(rate) || rate < 0; }

inline bool invalid_weibull(double shape, double scale) {
    return is_nan(shape) || is_nan(scale) || shape < EPS || scale < EPS;
}

}  // namespace quantora
