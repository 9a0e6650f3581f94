#pragma once

#include "special/inverse_start.hpp"

namespace quantora {

double inc_beta_kernel(double a, double b, double x);
double inc_beta_inv_kernel(double a, double b, double p);

// What the incomplete beta function and its inverse need of the shapes alone,
// found once for many arguments: ln B(a, b), which the fraction's front, the
// certified value's exponent and the inverse's density weight all take. It is
// symmetric to the last bit, so the reflected function I_(1-x)(b, a) shares it.
struct BetaShape {
    double a;
    double b;
    double log_beta;
};

BetaShape beta_shape(double a, double b);
inline BetaShape reflected(const BetaShape& s) { return {s.b, s.a, s.log_beta}; }

// The same values as inc_beta_kernel(shape.a, shape.b, x) and
// inc_beta_inv_kernel(shape.a, shape.b, p).
double inc_beta_kernel(const BetaShape& shape, double x);
double inc_beta_inv(const BetaShape& shape, double p);

// Where inc_beta_inv(shape, p) runs its updates, and from which first guess;
// elsewhere (NaN, p below EPS or within EPS of 1) its value.
InverseStart inc_beta_inv_start(const BetaShape& shape, double p);

// A kernel's value with a bound on its absolute error; INF where no bound
// holds (an unconverged fraction, a front that underflows, an argument the
// kernel cannot resolve).
struct CheckedValue {
    double value;
    double error;
};

// inc_beta_kernel(a, b, x) for a, b > 0, with the bound. x may carry a
// relative error of its own (rounding where callers form it), which moves I
// by up to f(x) x argument_error = x^a (1 - x)^b / B(a, b) argument_error/(1 - x).
CheckedValue inc_beta_checked(double a, double b, double x, double argument_error = 0);
CheckedValue inc_beta_checked(const BetaShape& shape, double x, double argument_error = 0);

// Whether a probability v with that absolute error bound is kept: positive,
// within
// 2^-24 relative, and where its logarithm is wanted and v is near 1, within
// 2^-24 of 1 - v or 1e-13 absolute, so that ln v keeps the same accuracy.
bool keeps(double v, double error, bool log_p);

// I_x(a, b) for finite a, b > 0 and 0 <= x <= 1 to full relative accuracy in
// both tails, as a value or (log_p) its logarithm, finite wherever the value
// is positive. y = 1 - x, passed in to its full relative accuracy by callers
// that know it better than 1 - x rounds.
double inc_beta_sound(double a, double b, double x, double y, bool log_p);

// The same with offset = a y - b x = beta_offset(a, b, x, y), from callers that
// know it to full accuracy beyond the shapes as doubles (counts past 2^53).
double inc_beta_sound(double a, double b, double x, double y, double offset, bool log_p);

// Below this x, I_x(a, b) is its first power-series term x^a/(a B(a, b)) to
// a relative O(x max(1, b)), far below the rounding for every b < 2^800.
constexpr double POWER_TAIL_ARGUMENT = 0x1p-900;

// ln(x^a/(a B(a, b))) from ln x, for arguments that underflow as values.
double log_power_tail(double a, double b, double log_x);

// The kernel's value, clamped to [0, 1] and logged under log_p, wherever
// keeps() holds for it; inc_beta_sound elsewhere.
double inc_beta(double a, double b, double x, bool log_p);
double inc_beta(const BetaShape& shape, double x, bool log_p);

}  // namespace quantora
