#pragma once
// A log-density formed as a plain sum of terms, with a bound on its rounding
// error, and its value.
#include "density/conventions.hpp"
#include "special/constants.hpp"
#include "special/kept_accuracy.hpp"
#include "special/lanes.hpp"
#include "special/log_scale.hpp"

namespace quantora::density_rules {

// Each term carries the relative error of the kernel that produced it
// (logarithm, log-gamma, a product) and each addition its rounding; both are
// bounded by LOG_TERM_ERROR EPS times the sum of the terms' magnitudes, which
// also covers the exponential's error, relative to |sum|: the largest ratio of
// actual to modelled error against mpmath on random grids, doubled.
constexpr double LOG_TERM_ERROR = 8;

template <class T>
struct LogSumOf {
    T value;
    T size;
    double extra_error;

    LogSumOf(T first, double first_extra_error)
        : value(first), size(abs_value(first)), extra_error(first_extra_error) {}
    LogSumOf(T v, T s, double e) : value(v), size(s), extra_error(e) {}

    LogSumOf plus(T term) const { return {value + term, size + abs_value(term), extra_error}; }
    LogSumOf minus(T term) const { return {value - term, size + abs_value(term), extra_error}; }

    T error() const { return EPS * (LOG_TERM_ERROR * (size + 1.0)) + extra_error; }
    auto kept(bool log) const { return within_kept_accuracy(error(), value, log); }
};

using LogSum = LogSumOf<double>;

// A sum begun on one double and continued over lanes, term for term as the
// same sum of doubles would go on.
template <class T>
LogSumOf<T> continued(const LogSum& head) {
    return {T(head.value), T(head.size), head.extra_error};
}

// The density from a literal sum, where that sum is kept.
template <class T>
Kept<T> kept_density(const LogSumOf<T>& sum, bool log) {
    const MaskOf<T> kept = sum.kept(log);
    return {branch(kept, T(0.0), [log](T v) { return from_log_density(v, log); }, sum.value), kept};
}

// A log-density L as the returned value: L itself, or e^L to the smallest
// subnormal.
inline double from_log(double log_density, bool log) { return log ? log_density : exp_value(log_density); }

}  // namespace quantora::density_rules
