// Distribution functions on the regularized incomplete beta function: beta,
// F and Student t.
#include "cdf/beta_laws.hpp"
#include "cdf/cdf.hpp"
#include "cdf/probability.hpp"
#include "special/beta_power.hpp"
#include "special/inc_beta.hpp"
#include "special/log_scale.hpp"
#include "special/trig.hpp"

namespace quantora {

using namespace cdf_detail;

namespace {

constexpr double LN_2 = 0.6931471805599453;
constexpr double SMALLEST_NORMAL = 2.2250738585072014e-308;

// The relative error of an argument u of the incomplete beta function formed
// here in up to four rounded operations (y/(y + 1), w/(w + dof), ...).
constexpr double FORMED_ARGUMENT_ERROR = 0x1p-50;

// v = tail, or 1 - tail, from the tail as a value, or as its logarithm.
double from_tail(double tail, bool upper, bool log_p) {
    if (!log_p) return clamp_unit(upper ? 1 - tail : tail);
    return upper ? log1p_value(-tail) : log_value(tail);
}

// The Student t tail beyond |x|, (1/2) I_c(dof/2, 1/2) with c = dof/(dof + x^2)
// and its complement x^2/(dof + x^2) each formed to full relative accuracy,
// so that neither far tail nor huge dof cancels. Where c underflows, the
// first power-series term in logs.
double t_tail(double x, double dof, bool log_p) {
    const double k = dof * 0.5;
    const double m = x < 0 ? -x : x;
    const double r = (x / dof) * x;
    double c;
    double complement;
    if (r == INF) {
        c = (dof / m) / m;
        complement = 1;
    } else {
        c = 1 / (1 + r);
        complement = r / (1 + r);
    }
    if (c < POWER_TAIL_ARGUMENT) {
        const double log_tail = log_power_tail(k, 0.5, log_value(dof) - 2 * log_value(m)) - LN_2;
        return log_p ? log_tail : exp_value(log_tail);
    }
    if (log_p) return inc_beta_sound(k, 0.5, c, complement, true) - LN_2;
    return inc_beta_sound(k, 0.5, c, complement, false) * 0.5;
}

// Where y = x df1/df2 overflows, 1 - u = w < 2^-1020 and the upper tail is
// I_w(df2/2, df1/2): its first power-series term to a relative O(df1 w/2) =
// O(df2/(2x)), or, where that is not small (df1/2 above 2^900), the limit of
// infinite df1, the chi-squared probability of df2/x, to a relative
// O(df2^2/df1).
constexpr double F_POWER_TAIL_RATIO = 0x1p-59;

// With df1 infinite the lower tail is Q(df2/2, z), z = df2/(2x), the upper
// chi-squared tail: 1 - P(chi^2 <= df2/x) keeps 2^-24 of itself down to
// 2^-29. Below, up to z = 2^400, the law with df1 = LIMIT_DF, which differs
// from the limit by a relative O(z^2/LIMIT_DF); beyond, the first term
// z^(h - 1) e^-z / Γ(h) of the asymptotic series, to a relative O(h/z) = O(x).
constexpr double INFINITE_DF_KEPT = 0x1p-29;
constexpr double LIMIT_DF = 0x1p1000;
constexpr double GAMMA_TAIL_ARGUMENT = 0x1p400;
constexpr double GAMMA_TAIL_RATIO = 0x1p-60;

double f_infinite_df1(double x, double df2, bool log_p) {
    const double v = 1 - pchisq(df2 / x, df2, false);
    if (v >= INFINITE_DF_KEPT) return probability(v, log_p);
    const double h = df2 * 0.5;
    const double z = h / x;
    if (!(z > GAMMA_TAIL_ARGUMENT && x < GAMMA_TAIL_RATIO)) return pf(x, LIMIT_DF, df2, log_p);
    // Beyond the doubles z makes ln Q itself -infinity.
    const double log_tail = z == INF ? -INF : ((h - 1) * log_value(z) - z) - log_gamma_value(h);
    return log_p ? log_tail : exp_value(log_tail);
}

double f_upper_beyond_overflow(double x, double df1, double df2) {
    if (df2 / x < F_POWER_TAIL_RATIO) {
        const double log_w = (log_value(df2) - log_value(df1)) - log_value(x);
        return exp_value(log_power_tail(df2 * 0.5, df1 * 0.5, log_w));
    }
    return pchisq(df2 / x, df2, false);
}

double sound_t(double x, double dof, bool log_p) {
    const bool upper = x > 0;
    if (!log_p) return from_tail(t_tail(x, dof, false), upper, false);
    return upper ? log1p_value(-t_tail(x, dof, false)) : t_tail(x, dof, true);
}

// The t distribution function at finite x as a value with a bound on its
// absolute error, from which the result is kept or the careful tails take over.
struct TValue {
    double v;
    double error;
};

// One and two degrees of freedom have closed forms, which need no ln B.
bool closed_form_t(double dof) { return dof == 1 || dof == 2; }

// The closed forms, like 1/2 - I/2 or 1 - I/2 below, round once or twice
// near 1/2 (absolute), which the error starts from.
TValue closed_t(double x, double dof) {
    if (dof == 1) return {atan_kernel(x) / PI + 0.5, EPS};
    const double r = sqrt_kernel(x * x + 2);
    // Where x^2 overflows the form gives 1/2.
    return {x / (r + r) + 0.5, r == INF ? INF : EPS};
}

// The tail mass beyond |x| is I_u(dof/2, 1/2)/2 with u = dof/(dof + x^2).
// Near the centre (x^2 < dof) u is close to 1, so the complement
// I_{1-u}(1/2, dof/2) is evaluated instead, with 1 - u = x^2/(x^2 + dof)
// formed directly rather than by cancellation.
TValue beta_t(const TShape& shape, double x) {
    const double dof = shape.dof;
    const double w = x * x;
    if (dof > w) {
        const CheckedValue central = inc_beta_checked(shape.central, w / (w + dof), FORMED_ARGUMENT_ERROR);
        const double tail = 0.5 - clamp_unit(central.value) * 0.5;
        return {x > 0 ? 1 - tail : tail, EPS + central.error * 0.5};
    }
    const double u = 1 / ((x / dof) * x + 1);
    const CheckedValue tail = inc_beta_checked(reflected(shape.central), u, FORMED_ARGUMENT_ERROR);
    // Only 1 - I/2 rounds; I/2 itself is exact. A u that leaves the normal
    // range has lost its relative accuracy.
    return {x > 0 ? 1 - clamp_unit(tail.value) * 0.5 : clamp_unit(tail.value) * 0.5,
            (x > 0 ? EPS : 0.0) + (u < SMALLEST_NORMAL ? INF : tail.error * 0.5)};
}

double t_result(const TValue& value, double x, double dof, bool log_p) {
    if (keeps(value.v, value.error, log_p)) return probability(value.v, log_p);
    return canonical(sound_t(x, dof, log_p));
}

bool positive_finite(double v) { return v > 0 && v < INF; }

}  // namespace

BetaProbabilities::BetaProbabilities(double a, double b) : shape_(beta_shape(a, b)) {}

double BetaProbabilities::operator()(double x, bool log_p) const {
    const bool regular = positive_finite(shape_.a) && positive_finite(shape_.b) && x > 0 && x < 1;
    return regular ? canonical(inc_beta(shape_, x, log_p)) : pbeta(x, shape_.a, shape_.b, log_p);
}

FProbabilities::FProbabilities(double df1, double df2) : shape_(f_shape(df1, df2)) {}

double FProbabilities::operator()(double x, bool log_p) const {
    const bool regular = finite_dof(shape_.df1) && finite_dof(shape_.df2);
    return regular ? f_probability(shape_, x, log_p) : pf(x, shape_.df1, shape_.df2, log_p);
}

TProbabilities::TProbabilities(double dof) : shape_(t_shape(dof)) {}

double TProbabilities::operator()(double x, bool log_p) const {
    return finite_dof(shape_.dof) ? t_probability(shape_, x, log_p) : pt(x, shape_.dof, log_p);
}

double pbeta(double x, double a, double b, bool log_p) {
    if (x != x || a != a || b != b) return NaN;
    if (a < 0) return NaN;
    if (b < 0) return NaN;
    if (x <= 0) return certain_zero(log_p);
    double v;
    if (x >= 1) {
        v = 1;
    } else if (a == 0) {
        // A zero shape puts all mass on an end point; with both zero it is
        // split evenly between 0 and 1.
        v = b == 0 ? 0.5 : 1.0;
    } else if (b == 0) {
        v = 0;
    } else if (any_posinf(a, b)) {
        // Infinite shapes concentrate the mass at 1/2 (both), 0 (b) or 1 (a).
        if (a == INF && b == INF) {
            v = x < 0.5 ? 0.0 : 1.0;
        } else {
            v = b == INF ? 1.0 : 0.0;
        }
    } else {
        return canonical(inc_beta(a, b, x, log_p));
    }
    return probability(v, log_p);
}

namespace cdf_detail {

FShape f_shape(double df1, double df2) { return {df1, df2, beta_shape(df1 * 0.5, df2 * 0.5)}; }

double f_probability(const FShape& shape, double x, bool log_p) {
    const double df1 = shape.df1;
    const double df2 = shape.df2;
    if (x != x) return NaN;
    if (x <= 0) return certain_zero(log_p);
    if (x == INF) return certain_one(log_p);
    const double h1 = shape.halves.a;
    const double h2 = shape.halves.b;
    if (x >= EPS) {
        const double y = (x * df1) / df2;
        const CheckedValue literal = inc_beta_checked(shape.halves, y / (y + 1), FORMED_ARGUMENT_ERROR);
        if (keeps(literal.value, literal.error, log_p)) return probability(literal.value, log_p);
    }
    // u = y/(y + 1) and 1 - u = 1/(y + 1) each to full relative accuracy;
    // where y overflows, from the upper tail; where u underflows, the first
    // power-series term in logs.
    const double ratio = df1 / df2;
    const double y = ratio == INF ? (x * df1) / df2 : x * ratio;
    if (y == INF) {
        const double upper = f_upper_beyond_overflow(x, df1, df2);
        return log_p ? log1p_value(-upper) : clamp_unit(1 - upper);
    }
    if (y < POWER_TAIL_ARGUMENT) {
        // The mirror of the overflow above: I_u(df1/2, df2/2) is its first
        // power-series term to a relative O(df2 u/2) = O(x df1/2), or, where that
        // is not small (df2 above 2^840), the limit of infinite df2, the
        // chi-squared probability of x df1, to a relative O(df1^2/df2).
        if (!(x * df1 < F_POWER_TAIL_RATIO)) return pchisq(x * df1, df1, log_p);
        const double log_tail = log_power_tail(h1, h2, log_value(x) + (log_value(df1) - log_value(df2)));
        return log_p ? log_tail : exp_value(log_tail);
    }
    return canonical(inc_beta_sound(h1, h2, y / (y + 1), 1 / (y + 1), log_p));
}

TShape t_shape(double dof) { return {dof, beta_shape(0.5, dof * 0.5)}; }

double t_probability(const TShape& shape, double x, bool log_p) {
    if (x != x) return NaN;
    if (x == INF) return certain_one(log_p);
    if (x == -INF) return certain_zero(log_p);
    const double dof = shape.dof;
    return t_result(closed_form_t(dof) ? closed_t(x, dof) : beta_t(shape, x), x, dof, log_p);
}

}  // namespace cdf_detail

double pf(double x, double df1, double df2, bool log_p) {
    if (x != x || df1 != df1 || df2 != df2) return NaN;
    if (df1 < EPS) return NaN;
    if (df2 < EPS) return NaN;
    if (finite_dof(df1) && finite_dof(df2)) return f_probability(f_shape(df1, df2), x, log_p);
    if (x <= 0) return certain_zero(log_p);
    if (x == INF) return certain_one(log_p);
    if (df1 == INF && df2 == INF) {
        // Both chi-squared averages are exactly 1: a point mass at x == 1.
        if (x > 1) return certain_one(log_p);
        if (x == 1) return probability(0.5, log_p);
        return certain_zero(log_p);
    }
    // With one infinite degree of freedom its average is 1 and the other
    // side is a scaled chi-squared variable.
    if (df1 == INF) return f_infinite_df1(x, df2, log_p);
    return pchisq(x * df1, df1, log_p);
}

double pt(double x, double dof, bool log_p) {
    if (x != x || dof != dof) return NaN;
    if (dof < EPS) return NaN;
    if (x == INF) return certain_one(log_p);
    if (x == -INF) return certain_zero(log_p);
    if (dof == INF) return pnorm(x, 0, 1, log_p);
    if (closed_form_t(dof)) return t_result(closed_t(x, dof), x, dof, log_p);
    return t_probability(t_shape(dof), x, log_p);
}

}  // namespace quantora
