#pragma once
// Where a kernel keeps the result of its plain algorithm instead of a more
// careful one, that result must be right with a tenfold margin: relative
// error at most 1e-7, and under the log flag an error of the logarithm at
// most 1e-7 of it, or 1e-13 where the logarithm is near 0.
#include "special/constants.hpp"
#include "special/lanes.hpp"

namespace quantora {

constexpr double KEPT_RELATIVE_ERROR = 1e-7;
constexpr double KEPT_LOG_ERROR = 1e-13;

// log_error bounds the absolute error of ln(result), which is also the
// relative error of the result; log_result = ln(result) is read only under
// the log flag. A NaN bound is never within. Written over the number type:
// a bool for one double, a mask for lanes.
template <class T>
auto within_kept_accuracy(T log_error, T log_result, bool log) {
    if (!log) return log_error <= KEPT_RELATIVE_ERROR;
    const T allowed = KEPT_RELATIVE_ERROR * abs_value(log_result);
    return log_error <= select(allowed > KEPT_LOG_ERROR, allowed, T(KEPT_LOG_ERROR));
}

}  // namespace quantora
