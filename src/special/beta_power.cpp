#include "special/beta_power.hpp"

#include "special/bits.hpp"
#include "special/constants.hpp"
#include "special/elementary.hpp"
#include "special/exact_arithmetic.hpp"
#include "special/gamma.hpp"
#include "special/log_scale.hpp"
#include "special/saddle_point.hpp"

namespace quantora {

namespace {

constexpr double LN_SQRT_2PI = 0.9189385332046728;

// From this shape on, both in the saddle-point form: the Stirling errors are
// then below 1/120 and their series converge fast. Below it every term of
// a ln x + b ln(1 - x) - ln B(a, b) that could be large is a multiple of the
// small shape, or of ln x, ln(1 - x) themselves, and no cancellation arises.
constexpr double SADDLE_SHAPE = 10;
// From this shape on, ln Γ(L) - ln Γ(L + c) by Stirling's form of each, so
// that the difference of two large log-gamma values is not formed.
constexpr double RATIO_SHAPE = 10;

constexpr double LN_2 = 0.6931471805599453;

// ln x, or ln(1 - y) where x is above 1/2 and y = 1 - x resolves it better.
double log_of(double x, double y) { return x < 0.5 ? log_value(x) : log1p_value(-y); }

}  // namespace

// Below 1, ln Γ(1 + c) - ln c: the Lanczos sum is built on
// c - 1, which drops the low bits of a small c, while 1 + c keeps its
// relative accuracy where ln Γ is flat.
double log_gamma_value(double c) {
    if (c < 1) return lgamma_kernel(c + 1) - log_value(c);
    return lgamma_kernel(c);
}

double log_gamma_magnitude(double y) {
    const auto exponent = static_cast<int>((double_pattern(y) >> 52) & 0x7FF) - 1022;
    return y * (static_cast<double>(exponent) * LN_2) + 1;
}

double log_gamma_ratio(double large, double c) {
    const double grown = large + c;
    return ((c - c * log_value(large)) - (grown - 0.5) * log1p_value(c / large)) +
           (stirling_error(large) - stirling_error(grown));
}

double log_beta_value(double a, double b) {
    const double small = a < b ? a : b;
    const double large = a < b ? b : a;
    if (large < RATIO_SHAPE) return (log_gamma_value(small) + log_gamma_value(large)) - log_gamma_value(a + b);
    return log_gamma_value(small) + log_gamma_ratio(large, small);
}

BetaPower::BetaPower(double a, double b)
    : a_(a), b_(b), sum_(a + b), saddle_(a >= SADDLE_SHAPE && b >= SADDLE_SHAPE) {
    if (saddle_) {
        const double half_log = 0.5 * (log_value(a / sum_) + log_value(b));
        log_norm_ = ((half_log - LN_SQRT_2PI) - (stirling_error(a) + stirling_error(b))) + stirling_error(sum_);
    } else {
        log_norm_ = -log_beta_value(a, b);
    }
}

double beta_offset(double a, double b, double x, double y) {
    // Veltkamp's split overflows beyond 2^996.
    constexpr double SPLIT_LIMIT = 0x1p900;
    if (!(a < SPLIT_LIMIT && b < SPLIT_LIMIT)) return a * y - b * x;
    if (x <= y) {
        // a - (a x + b x).
        const Expansion ax = two_product(a, x);
        const Expansion bx = two_product(b, x);
        const Expansion share = two_sum(ax.hi, bx.hi);
        const Expansion rest = two_sum(a, -share.hi);
        return rest.hi + (rest.lo - ((share.lo + ax.lo) + bx.lo));
    }
    // (a y + b y) - b.
    const Expansion ay = two_product(a, y);
    const Expansion by = two_product(b, y);
    const Expansion share = two_sum(ay.hi, by.hi);
    const Expansion rest = two_sum(share.hi, -b);
    return rest.hi + (rest.lo + ((share.lo + ay.lo) + by.lo));
}

double BetaPower::log_at(double x, double y) const {
    return log_at(x, y, saddle_ ? beta_offset(a_, b_, x, y) : 0.0);
}

double BetaPower::log_at(double x, double y, double offset) const {
    if (!saddle_) {
        // The logarithm of the larger of x and y from the smaller, which
        // holds its relative accuracy where the larger rounds towards 1.
        return (a_ * log_of(x, y) + b_ * log_of(y, x)) + log_norm_;
    }
    // a ln x + b ln y + (s - 1/2) ln s - (a - 1/2) ln a - (b - 1/2) ln b
    //     = ½ ln(ab/s) - a ln(a/(s x)) - b ln(b/(s y)),
    // and with x + y = 1 the two deviances D(a, s x) + D(b, s y) are exactly
    // a ln(a/(s x)) + b ln(b/(s y)). Near the centre x = a/s, where each
    // cancels, s x = a - d and s y = b + d come from the offset d rather
    // than from the rounded products; away from it the products lose nothing.
    return log_norm_ - (deviance_from_difference(a_, offset, sum_ * x) + deviance_from_difference(b_, -offset, sum_ * y));
}

double BetaPower::log_density_at_offset(double d) const {
    const double x = (a_ - d) / sum_;
    const double y = (b_ + d) / sum_;
    return log_at(x, y, d) - (log_of(x, y) + log_of(y, x));
}

}  // namespace quantora

namespace quantora {

double BetaPower::log_density(double x, double y) const {
    return log_at(x, y) - (log_of(x, y) + log_of(y, x));
}

}  // namespace quantora
