#pragma once
// The three methods of the regularized incomplete gamma function P(a, x) and
// the error model of each, written once over the number type of x: `double`
// for the kernel (inc_gamma.cpp), lanes of several x at one shape for the
// array functions. The shape and everything derived from it alone stay
// doubles; a magnitude of one is taken on the number type, so that the
// vector units' files instantiate no inline function over plain doubles.
#include "special/constants.hpp"
#include "special/elementary_forms.hpp"
#include "special/gauss_legendre.hpp"
#include "special/inc_gamma.hpp"
#include "special/lanes.hpp"
#include "special/legendre_fraction.hpp"

namespace quantora::inc_gamma_forms {

// Deepest level of the lower continued fraction; evaluation runs from there up.
constexpr int LOWER_FRACTION_DEPTH = 55;

// Below this shape the two fractions cover every x; from it on, the bulk
// x <= 3a is integrated instead.
constexpr double QUADRATURE_MIN_SHAPE = 10;
constexpr double LOWER_FRACTION_MAX_EXCESS = 10;
constexpr double UPPER_FRACTION_MIN_RATIO = 3;

// Error model of the three methods, in units of EPS: the rounding of a
// fraction's denominator relative to the size of its terms, the rounding of
// the prefactor's exponent relative to the size of its terms, and the same for
// the quadrature's densities. Each is the largest ratio of actual to modelled
// error on random grids against the careful tails, doubled;
// benchmarks/switches_gamma_family.py measures the errors where values are kept.
constexpr double DENOMINATOR_ERROR = 6;
constexpr double EXPONENT_ERROR = 6;
constexpr double QUADRATURE_NOISE = 3;
constexpr double QUADRATURE_FLOOR = 1000;
constexpr double LEFT_OUT_MARGIN = 2;
constexpr double GAUSS_LEGENDRE_MAX_RISE = 120;
constexpr double CERTIFIABLE_ERROR = 1e-5;
// Below this the exponentials lose relative precision to underflow.
constexpr double SMALLEST_CERTIFIED = 1e-290;

template <class T>
struct Certified {
    T p;
    T error;
};

// first() where take_first holds, second() elsewhere; over lanes each runs
// only when some lane takes it.
template <class Mask, class First, class Second>
auto either(Mask take_first, First first, Second second) -> decltype(first()) {
    if (all(take_first)) return first();
    if (!any(take_first)) return second();
    const auto a = first();
    const auto b = second();
    return {select(take_first, a.p, b.p), select(take_first, a.error, b.error)};
}

// x^a e^-x / Gamma(a), the factor in front of both continued fractions, and
// the size of the terms of its exponent, which bounds that exponent's
// rounding error (relative to it) and so the relative error of the factor.
template <class T>
struct Prefactor {
    T value;
    T exponent_size;
};

template <class T>
Prefactor<T> fraction_prefactor(const GammaShape& s, T x, T log_x) {
    const T power = log_x * s.a;
    const T value = exp_kernel((power - x) - s.log_gamma);
    return {value, (abs_value(power) + x) + (abs_value(T(s.log_gamma)) + 1.0)};
}

// A relative error estimated from computed quantities holds while it is small;
// beyond CERTIFIABLE_ERROR those quantities may themselves be noise.
template <class T>
T first_order(T relative_error) {
    return select(relative_error <= CERTIFIABLE_ERROR, relative_error, T(INF));
}

// Relative error of the fractions' results: the exponent's rounding, and the
// rounding of the fraction's denominator, whose terms are of size
// denominator_size while the denominator itself may be far smaller.
template <class T, class Size>
T fraction_error(const Prefactor<T>& f, Size denominator_size, T denominator) {
    return first_order(EPS * (DENOMINATOR_ERROR * denominator_size / abs_value(denominator) +
                              EXPONENT_ERROR * f.exponent_size));
}

// gamma(a, x) e^x x^-a = 1/(a - a x/(a + 1 + x/(a + 2 - (a + 1) x/(a + 3 + 2x/(a + 4 - ...))))).
// Level j carries c_j x over (j + a) - 1: c_j = j/2 for even j and
// -((j + 1)/2 + (a - 1)) for odd j. Converges fast while x is not far above a.
template <class T>
Certified<T> lower_fraction(const GammaShape& s, T x, T log_x) {
    const double a = s.a;
    T level = (static_cast<double>(LOWER_FRACTION_DEPTH) + a) - 1;
    for (int j = LOWER_FRACTION_DEPTH - 1; j >= 2; --j) {
        const double c = (j % 2 == 0) ? static_cast<double>(j) * 0.5
                                      : -(static_cast<double>(j + 1) * 0.5 + (a - 1));
        level = ((static_cast<double>(j) + a) - 1) + (c * x) / level;
    }
    const double c1 = -((a - 1) + 1);
    const T denominator = ((a + 1) - 1) + (c1 * x) / level;
    const Prefactor<T> f = fraction_prefactor(s, x, log_x);
    const T p = f.value / denominator;
    // (a + 1) - 1 carries an error of EPS/2 whatever a is; for small a the
    // denominator is of order a e^-x, so the relative error grows like e^x/a.
    return {p, p * fraction_error(f, 1 + a, denominator)};
}

// Legendre's fraction gives Q; P = 1 - Q.
template <class T>
Certified<T> upper_fraction(const GammaShape& s, T x, T log_x) {
    const double a = s.a;
    const T denominator = legendre_denominator(a, x);
    const Prefactor<T> f = fraction_prefactor(s, x, log_x);
    const T q = f.value / denominator;
    const T size = (abs_value(T(1 - a)) + x) + 1.0;
    return {1 - q, q * fraction_error(f, size, denominator)};
}

struct Window {
    double lower;
    double upper;
};

// For large shapes the density is nearly normal with width sqrt(a), and its
// mass below x is a Gauss-Legendre rule over [max(0, m - k_lo sqrt(a)), x],
// m = min(x, a). The window reaches up to a + k_hi sqrt(a); above that end the
// caller takes the upper fraction instead.
struct QuadratureWindow {
    double s;  // sqrt(a)
    Window k;
    double upper_end;
};

QuadratureWindow quadrature_window(double a);

// The gamma density with shape a at t, ln t and ln Gamma(a) supplied.
template <class T>
T density_of_log(double a, T t, T log_t, double log_gamma_a) {
    return exp_kernel((log_t * (a - 1) - t) - log_gamma_a);
}

// Error of the quadrature over [lb, x]. Each node's density carries the
// rounding of an exponent of size (a - 1)|ln x| + x + |ln Gamma(a)|, relative.
// Below the mean the density grows towards x by e^(2c) across the window,
// c = ((a - 1)/x - 1)(x - lb)/2; fifty nodes integrate such a rise to 1e-13
// up to c = 150 and then fail fast, so beyond GAUSS_LEGENDRE_MAX_RISE no bound
// is given. The mass below lb is left out: P(a, lb) < lb^a e^-lb / Gamma(a + 1)
// (a + 1)/(a + 1 - lb), which matters for 16 < a <= 30 only.
template <class T>
T quadrature_error(double a, T x, T lb, double log_gamma_a, T p) {
    const T rise = (((a - 1) / x) - 1) * (x - lb) * 0.5;
    const auto certified = (!(rise > GAUSS_LEGENDRE_MAX_RISE)) & (p >= SMALLEST_CERTIFIED);
    if (!any(certified)) return INF;
    const T size = ((a - 1) * abs_value(log_kernel(x)) + x) + (abs_value(T(log_gamma_a)) + 1.0);
    const T left_out = branch(
        lb > 0.0, T(0.0),
        [a, log_gamma_a](T lb) {
            const T log_mass = ((log_kernel(lb) * a - lb) - log_gamma_a) - log_kernel(a);
            return LEFT_OUT_MARGIN * exp_kernel(log_mass) * ((a + 1) / ((a + 1) - lb));
        },
        lb);
    return select(certified, p * first_order(EPS * (QUADRATURE_NOISE * size + QUADRATURE_FLOOR)) + left_out, T(INF));
}

// The quadrature's value; its error bound only when asked for, since it costs
// a logarithm and an exponential of its own.
template <class T>
Certified<T> quadrature(const GammaShape& s, T x, const QuadratureWindow& window, bool certify) {
    const double a = s.a;
    const T m = select(x < a, x, T(a));
    const T lower_end = m - window.k.lower * window.s;
    const T lb = select(lower_end > 0.0, lower_end, T(0.0));
    const T ub = x;

    const double log_gamma_a = s.log_gamma;
    const T d = ub - lb;
    const T h = (lb + ub) * 0.5;
    const auto term = [&](T t, int i) {
        return density_of_log(a, t, log_kernel(t), log_gamma_a) * ((d * GAUSS_LEGENDRE_WEIGHTS[i]) * 0.5);
    };
    // Small terms first: from the outermost node inward, the innermost node last.
    T sum = term((d * GAUSS_LEGENDRE_NODES[GAUSS_LEGENDRE_POINTS - 1]) * 0.5 + h, GAUSS_LEGENDRE_POINTS - 1);
    for (int i = GAUSS_LEGENDRE_POINTS - 2; i >= 1; --i) {
        sum = sum + term((d * GAUSS_LEGENDRE_NODES[i]) * 0.5 + h, i);
    }
    const T p = term(h - (d * GAUSS_LEGENDRE_NODES[1]) * 0.5, 0) + sum;
    return {p, certify ? quadrature_error(a, x, lb, log_gamma_a, p) : T(INF)};
}

// The kernel's three methods, chosen by the shape and by x against it: below
// QUADRATURE_MIN_SHAPE the fractions, the lower one while x exceeds a by less
// than LOWER_FRACTION_MAX_EXCESS; from it on the upper fraction far above the
// mean and beyond the quadrature window's upper end (where the quadrature
// would drop the mass between that end and x, and Legendre's fraction is
// already accurate), the quadrature elsewhere.
enum class Method { lower_fraction, upper_fraction, quadrature };

bool fractions_only(double a);

template <class T>
auto takes_lower_fraction(double a, T x) {
    return x - a < LOWER_FRACTION_MAX_EXCESS;
}

template <class T>
auto takes_upper_fraction(double a, const QuadratureWindow& window, T x) {
    return (x / a > UPPER_FRACTION_MIN_RATIO) | (window.upper_end < x);
}

// The method for shape a at x (both >= EPS and finite), as evaluate_regular
// takes it.
Method method_at(double a, double x);

// The kernel's value with its error bound for a shape a >= EPS and x >= EPS,
// both finite; ln x is given, for the fractions' prefactor.
template <class T>
Certified<T> evaluate_regular(const GammaShape& s, T x, T log_x, bool certify) {
    const double a = s.a;
    if (fractions_only(a)) {
        return either(
            takes_lower_fraction(a, x), [&] { return lower_fraction(s, x, log_x); },
            [&] { return upper_fraction(s, x, log_x); });
    }
    const QuadratureWindow window = quadrature_window(a);
    return either(
        takes_upper_fraction(a, window, x), [&] { return upper_fraction(s, x, log_x); },
        [&] { return quadrature(s, x, window, certify); });
}

// P(a, x) at any x on the lanes of an inverse's iterates (a >= EPS): NaN at
// NaN and 0 below EPS, as the kernel decides them, and the three methods
// without their error bounds elsewhere.
template <class T>
T kernel_value(const GammaShape& s, T x) {
    const auto regular = x >= EPS;
    const T y = select(regular, x, T(1.0));
    const T p = evaluate_regular(s, y, log_kernel(y), false).p;
    return select(regular, p, select(x != x, T(NaN), T(0.0)));
}

// Updates of the inverse after its first guess.
constexpr int INVERSE_UPDATES = 36;

// Halley's correction factor 1 - h r/2 held in [0.8, 1.2]; a NaN passes through.
template <class T>
T clamp_halley(T s) {
    const T upper = select(s != s, s, select(s < 1.2, s, T(1.2)));
    return select(upper != upper, upper, select(upper > 0.8, upper, T(0.8)));
}

// One Halley-type update of x towards P(a, x) = p, from the kernel's value at
// x and the density at the lagging iterate.
template <class T>
T halley_update(double a, T p, T x, T density, T kernel_at_x) {
    const T r = (kernel_at_x - p) / density;
    const T h = ((((a - 1) / x) - 1) * density) / density;
    const T c = clamp_halley(1.0 - h * (r * 0.5));
    return x - r / c;
}

}  // namespace quantora::inc_gamma_forms
