// Quantiles of the beta and F laws: the inverse of the regularized incomplete
// beta function, after the degenerate laws (zero or infinite shapes) are
// answered directly.
#include "quantile/beta_quantiles.hpp"

#include <limits>

#include "cdf/cdf.hpp"
#include "quantile/conventions.hpp"
#include "quantile/quantile.hpp"
#include "special/constants.hpp"
#include "special/elementary.hpp"
#include "special/inc_beta.hpp"
#include "special/log_scale.hpp"
#include "special/root_rule.hpp"

namespace quantora {

using namespace quantile_rules;
using cdf_detail::f_probability;
using cdf_detail::f_shape;

namespace {

constexpr double LARGEST = std::numeric_limits<double>::max();
constexpr double SMALLEST_SUBNORMAL = 4.9406564584124654e-324;

// The quantile rule reads an increasing function of y against a target:
// F(y) against p up to 1/2, and beyond, minus the upper tail against
// -(1 - p) (exact), so that near 1 the comparison keeps its relative accuracy
// where F itself rounds to within 2^-53 of 1.
struct Target {
    double p;
    bool upper;
    explicit Target(double probability) : p(probability), upper(probability > 0.5) {}
    double level() const { return upper ? -(1 - p) : p; }
};

// 1 - I_y(a, b) to full relative accuracy: I_(1-y)(b, a), with 1 - y exact
// from y = 1/2 on and passed beside it below.
double beta_upper(const BetaShape& shape, double y) {
    if (y >= 0.5) return inc_beta(reflected(shape), 1 - y, false);
    return inc_beta_sound(shape.b, shape.a, 1 - y, y, false);
}

// A root at or below the smallest subnormal d, where the lower tail is the
// power law C x^a: it lies above d/2, and so rounds to d rather than 0,
// exactly when p >= F(d) 2^-a.
double round_below_subnormal(double root, double p, double a, double tail_at_smallest) {
    if (root > SMALLEST_SUBNORMAL) return root;
    constexpr double LN_2 = 0.6931471805599453;
    return p >= tail_at_smallest * exp_value(-a * LN_2) ? SMALLEST_SUBNORMAL : 0.0;
}

// The F quantile from its candidate, checked against `forward`, the F law's
// distribution function read as the target asks.
template <class Forward>
double f_quantile(double candidate, const Target& target, Forward forward, double half_df1, double tail_at_smallest) {
    const double y = checked_quantile(candidate, target.level(), 0.0, LARGEST, forward);
    // No double reaches: the quantile lies beyond them.
    if (y == LARGEST && !(forward(LARGEST) >= target.level())) return INF;
    return round_below_subnormal(y, target.p, half_df1, tail_at_smallest);
}

bool inside_unit_interval(double p) { return p > 0 && p < 1; }
bool positive_finite(double v) { return v > 0 && v < INF; }

}  // namespace

std::size_t BetaQuantiles::footprint(double, double) { return 0; }
const BetaShape& BetaQuantiles::shape() const { return shape_; }
std::size_t FQuantiles::footprint(double, double) { return 0; }
const BetaShape& FQuantiles::shape() const { return shape_.halves; }

BetaQuantiles::BetaQuantiles(double a, double b)
    : shape_(beta_shape(a, b)), tail_at_smallest_(inc_beta(shape_, SMALLEST_SUBNORMAL, false)) {}

double BetaQuantiles::operator()(double p) const { return inverts(p) ? inside(p) : qbeta(p, shape_.a, shape_.b); }

double BetaQuantiles::inside(double p) const { return finish(p, inc_beta_inv(shape_, p)); }

bool BetaQuantiles::inverts(double p) const {
    return positive_finite(shape_.a) && positive_finite(shape_.b) && inside_unit_interval(p);
}

double BetaQuantiles::inverse_argument(double p) const { return p; }

// The updates can leave [0, 1], stall where the density weight vanishes or
// settle on a root of the kernel's own inaccurate values; the root r is
// checked against the accurate distribution function.
double BetaQuantiles::finish(double p, double r) const {
    const Target target(p);
    const auto forward = [this, &target](double y) {
        return target.upper ? -beta_upper(shape_, y) : inc_beta(shape_, y, false);
    };
    const double x = checked_quantile(r, target.level(), 0.0, 1.0, forward);
    return round_below_subnormal(x, p, shape_.a, tail_at_smallest_);
}

FQuantiles::FQuantiles(double df1, double df2)
    : shape_(f_shape(df1, df2)),
      reversed_(f_shape(df2, df1)),
      tail_at_smallest_(f_probability(shape_, SMALLEST_SUBNORMAL, false)) {}

double FQuantiles::operator()(double p) const { return inverts(p) ? inside(p) : qf(p, shape_.df1, shape_.df2); }

double FQuantiles::inside(double p) const { return finish(p, inc_beta_inv(shape_.halves, p)); }

bool FQuantiles::inverts(double p) const {
    return finite_dof(shape_.df1) && finite_dof(shape_.df2) && inside_unit_interval(p);
}

double FQuantiles::inverse_argument(double p) const { return p; }

// F = (B / A) x / (1 - x) for x ~ Beta(A, B), A = df1/2, B = df2/2, from the
// root x of the inverse at p. The upper tail of F(df1, df2) at y is the lower
// tail of F(df2, df1) at 1/y, whose rounding moves it by a relative df2/2
// units of 2^-53 at most.
double FQuantiles::finish(double p, double x) const {
    const double A = shape_.halves.a;
    const double B = shape_.halves.b;
    const Target target(p);
    const auto forward = [this, &target](double y) {
        return target.upper ? -f_probability(reversed_, 1 / y, false) : f_probability(shape_, y, false);
    };
    return f_quantile(x / ((A / B) * (1 - x)), target, forward, A, tail_at_smallest_);
}

double qbeta(double p, double a, double b) {
    if (a != a || b != b || a < 0 || b < 0 || invalid_probability(p)) {
        return NaN;
    }
    if (p == 0) {
        return 0;
    }
    if (p == 1) {
        return 1;
    }
    // A zero shape sends all mass to its end of [0, 1]; both zero split it evenly
    // between the two ends.
    if (a == 0) {
        if (b == 0) {
            return p < 0.5 ? 0.0 : (p > 0.5 ? 1.0 : 0.5);
        }
        return 0;
    }
    if (b == 0) {
        return 1;
    }
    // An infinite shape concentrates the law at the other end, or at 1/2 when
    // both grow without bound.
    if (any_posinf(a, b)) {
        if (a == INF && b == INF) {
            return 0.5;
        }
        return b == INF ? 0.0 : 1.0;
    }
    return BetaQuantiles(a, b).inside(p);
}

double qf(double p, double df1, double df2) {
    if (df1 != df1 || df2 != df2 || df1 < EPS || df2 < EPS || invalid_probability(p)) {
        return NaN;
    }
    if (p == 0) {
        return 0;
    }
    if (p == 1) {
        return INF;
    }
    // With an infinite degree of freedom the corresponding chi-squared over its
    // degrees of freedom is the constant 1.
    if (df1 == INF && df2 == INF) {
        return 1;
    }
    if (finite_dof(df1) && finite_dof(df2)) return FQuantiles(df1, df2).inside(p);
    // With one infinite degree of freedom the other side is a scaled
    // chi-squared variable; its quantile is checked like any other.
    const double candidate = df2 == INF ? qchisq(p, df1) / df1 : df2 / qchisq(1 - p, df2);
    const Target target(p);
    const auto forward = [df1, df2, &target](double y) {
        return target.upper ? -pf(1 / y, df2, df1, false) : pf(y, df1, df2, false);
    };
    return f_quantile(candidate, target, forward, df1 * 0.5, pf(SMALLEST_SUBNORMAL, df1, df2, false));
}

}  // namespace quantora
