#pragma once
// The front factor of the beta law, x^a (1 - x)^b / B(a, b), as a logarithm
// that keeps its accuracy for every pair of positive shapes: tiny shapes,
// where ln Γ loses the low bits of its argument, and huge ones, where
// a ln x, b ln(1 - x) and ln B(a, b) are each enormous and their sum cancels.
// What depends only on the shapes is formed once.
#include "special/kept_accuracy.hpp"
#include "special/lanes.hpp"

namespace quantora {

// When a result of the literal formulas is kept. A logarithm L built from
// log_kernel and lgamma_kernel carries the rounding of its terms: a few units
// of 2^-53 times each term's magnitude (measured: ln Γ at y is within
// 2^-52 |ln Γ(y)|, which is below y ln y + 1/y, the 1/y from the low bits of
// a small y that the Lanczos sum drops). LITERAL_ERROR_SCALE times the sum of
// the magnitudes bounds the error of L, so of e^L relative; a literal result
// is kept where its bound is at most KEPT_ERROR.
constexpr double LITERAL_ERROR_SCALE = 0x1p-48;
constexpr double KEPT_ERROR = 0x1p-24;
// Whether a literal log-density or log-mass L with absolute error bound
// `bound` is kept: e^L within KEPT_ERROR relative, and under the log flag L
// itself within KEPT_ERROR relative or KEPT_LOG_ERROR (kept_accuracy.hpp),
// a tenth of what the log flag allows near 0, absolute. A NaN bound
// is never kept. Over lanes, element by element.
template <class T>
MaskOf<T> keeps_log(T log_value, T bound, bool log) {
    const MaskOf<T> within = bound <= KEPT_ERROR;
    if (!log) return within;
    return within & ((bound <= KEPT_ERROR * abs_value(log_value)) | (bound <= KEPT_LOG_ERROR));
}

// An upper bound on y ln y + 1 for y >= 1, from the binary exponent of y.
double log_gamma_magnitude(double y);

// ln Γ(c) for c > 0, without losing the low bits of a small c.
double log_gamma_value(double c);

// ln B(a, b) for finite a, b > 0, without the cancellation of the three
// log-gamma values when one shape is small beside the other.
double log_beta_value(double a, double b);

// ln Γ(L) - ln Γ(L + c) for L >= 10 and c > 0, without forming either
// log-gamma value.
double log_gamma_ratio(double large, double c);

// The offset d = a y - b x = a - (a + b) x of the first shape from its
// share of a + b, for x + y = 1 given to full relative accuracy each, the
// smaller of the two taken as exact: positive where x lies below the mean
// a/(a + b), and to full relative accuracy where the two products cancel.
double beta_offset(double a, double b, double x, double y);

class BetaPower {
public:
    // Requires finite a, b > 0.
    BetaPower(double a, double b);

    // ln(x^a y^b / B(a, b)) for 0 < x < 1, with y = 1 - x given to full
    // relative accuracy (callers often know it better than 1 - x rounds),
    // and the offset beta_offset(a, b, x, y), which callers may know better
    // still (a count's offset from its mean).
    double log_at(double x, double y) const;
    double log_at(double x, double y, double offset) const;

    // The logarithm of the beta density, log_at(x, y) - ln x - ln y.
    double log_density(double x, double y) const;

    // The logarithm of the beta density at the x whose offset is d, for
    // shapes of the saddle-point form (both at least 10): there the nodes of
    // a quadrature are placed by their offsets, which resolve the law's
    // width when x itself, near a mean of 1/2, cannot.
    double log_density_at_offset(double d) const;

    double a() const { return a_; }
    double b() const { return b_; }

private:
    double a_;
    double b_;
    double sum_;
    // Saddle-point form: both shapes large enough for the Stirling errors.
    bool saddle_;
    // The shape-only part: ½ ln(ab/(2π(a + b))) - δ(a) - δ(b) + δ(a + b) in
    // the saddle-point form, -ln B(a, b) otherwise.
    double log_norm_;
};

}  // namespace quantora
