#pragma once
// Result conventions shared by the density kernels: how a density that is
// known without a formula, or computed as a logarithm, becomes the returned
// value in either mode of the log flag.
#include "special/constants.hpp"
#include "special/elementary.hpp"
#include "special/log_scale.hpp"
#include "special/log_scale_forms.hpp"

namespace quantora::density_rules {

// A zero density returned as it is: no logarithm is computed.
inline double constant_zero(bool log) { return log ? -INF : 0.0; }

// A density value decided before any formula; under the log flag its
// logarithm, which stays finite for every positive value.
inline double special_value(double v, bool log) { return log ? log_value(v) : v; }

// A formula that yields the log-density directly keeps full range in log mode,
// and its value reaches down to the subnormals.
template <class T>
T from_log_density(T log_density, bool log) {
    return log ? log_density : exp_value(log_density);
}

}  // namespace quantora::density_rules
