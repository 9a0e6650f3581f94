#pragma once
// Shared finishing steps of the distribution functions: every value is a
// probability, clamped into [0, 1] and then optionally logged.
#include "special/constants.hpp"
#include "special/elementary.hpp"
#include "special/lanes.hpp"
#include "special/log_scale.hpp"
#include "special/log_scale_forms.hpp"

namespace quantora {
namespace cdf_detail {

constexpr double PI = 3.141592653589793;

// +1, -1 or 0 as a double, the sign of a difference.
template <class T>
T sign_of(T d) {
    return select(d > 0.0, T(1.0), select(d < 0.0, T(-1.0), T(0.0)));
}

// Sums, quadratures and fractions can leave [0, 1] by rounding; a probability
// never does. NaN fails both comparisons and passes through.
template <class T>
T clamp_unit(T v) {
    return select(v > 1.0, T(1.0), select(v < 0.0, T(0.0), v));
}

// Under the log flag the logarithm stays finite for every positive value,
// subnormals included.
template <class T>
T probability(T v, bool log_p) {
    const T c = clamp_unit(v);
    return log_p ? log_value(c) : c;
}

// The two fixed results, returned without a logarithm.
inline double certain_zero(bool log_p) { return log_p ? -INF : 0.0; }
inline double certain_one(bool log_p) { return log_p ? 0.0 : 1.0; }

}  // namespace cdf_detail
}  // namespace quantora
