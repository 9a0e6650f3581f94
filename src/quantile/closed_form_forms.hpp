#pragma once
// The normal and log-normal quantiles written once over the number type T:
// `double` for the scalar kernels of closed_form.cpp, Lanes for the vector
// units. On lanes the inverse error function runs as a stream
// (erf_inv_lanes), so a block of quantiles is formed in three passes: the
// arguments of the inverse, the inverse itself, and the quantiles from it.
#include <cstddef>
#include <cstdint>

#include "quantile/quantile.hpp"
#include "special/constants.hpp"
#include "special/erf.hpp"
#include "special/erf_forms.hpp"
#include "special/lanes.hpp"
#include "special/log_scale_forms.hpp"
#include "special/trig.hpp"
#include "special/trig_forms.hpp"

namespace quantora {
namespace quantile_forms {

constexpr double SQRT_2 = 1.4142135623730951;
constexpr double HALF_SQRT_PI = 0.886226925452758;
constexpr double SMALLEST_NORMAL = 2.2250738585072014e-308;

// Tail probabilities below which an expression that rounds p first has lost
// more than 1e-7 of the quantile. The normal quantile's 2p - 1 carries an
// absolute error of 1.1e-16, relative 5.5e-17/p in the tail probability and
// 5.5e-17/(p z^2) in the quantile z.
constexpr double NORMAL_TAIL = 1e-10;
// The same error becomes an error of the log-normal quantile e^(mu + sigma z)
// multiplied by |sigma z|: below 2.7e-11 relative in z above this tail
// probability, within 1e-7 while |sigma z| is at most LOGNORMAL_OFFSET.
constexpr double LOGNORMAL_TAIL = 1e-7;
constexpr double LOGNORMAL_OFFSET = 1000;
// ln(1 - 2|p - 1/2|) gets 2p with an error of 5.5e-17 for p below 1/4,
// relative 2.8e-17/(p |ln 2p|) in the quantile.
constexpr double LAPLACE_TAIL = 1e-10;
// -ln(1 - p) gets 1 - p rounded by up to 5.5e-17, relative 5.5e-17/p in the
// quantile.
constexpr double EXPONENTIAL_TAIL = 1e-9;
// tan((p - 1/2) pi) meets its pole with an angle off by up to about 1.2e-16,
// relative 4e-17/p in the quantile.
constexpr double CAUCHY_TAIL = 1e-9;
// Within this distance of 1/2 the logistic quantile ln(p/(1 - p)) is about
// 4|p - 1/2| while the rounding of the quotient costs up to 1.1e-16.
constexpr double LOGISTIC_CENTRE = 1e-9;

// EXPONENTIAL_TAIL <= p < 1 and rate >= 0 (+0, not -0).
template <class T>
T qexp_form(T p, T rate) {
    return -log_value(1.0 - p) / rate;
}

// 0 < p < 1, finite mu, finite sigma > 0. Near the median the quotient
// p/(1 - p) is 1 + 4(p - 1/2) + ..., and its logarithm is taken as
// ln(1 + (2p - 1)/(1 - p)), where 2p - 1 is exact.
template <class T>
T qlogis_form(T p, T mu, T sigma) {
    const auto centre = abs_value(p - 0.5) < LOGISTIC_CENTRE;
    const T outer = branch(!centre, T(0.0), [](T p) { return log_value(p / (1.0 - p)); }, p);
    const T odds_log = branch(centre, outer, [](T p) { return log1p_value(((p + p) - 1.0) / (1.0 - p)); }, p);
    return plus_zero(odds_log * sigma + mu);
}

// LAPLACE_TAIL <= p < 1, finite mu, finite sigma > 0: both tails at once,
// x = mu - sign(d) sigma ln(1 - 2|d|), d = p - 1/2. ln(1 - 2|d|) is -2|d| to
// the last bit where the logarithm kernel reads 1 - 2|d| as 1.
template <class T>
T qlaplace_form(T p, T mu, T sigma) {
    const T d = p - 0.5;
    const T sign = select(d > 0.0, T(1.0), select(d < 0.0, T(-1.0), T(0.0)));
    const T m = select(d < 0.0, -d, select(d > 0.0, d, T(0.0)));
    const T twice = m + m;
    const T log_tail = branch(!(twice < EPS), -twice, [](T twice) { return log_value(1.0 - twice); }, twice);
    return plus_zero(mu - log_tail * (sign * sigma));
}

// The standard normal quantile is sqrt(2) erf^-1(2p - 1).
template <class T>
T erf_argument(T p) {
    return (p + p) - 1.0;
}

// The first term of erf^-1(y) = (sqrt(pi)/2) y (1 + pi y^2/12 + ...), exact
// to the last bit where it is below EPS, which the error function reads as 0.
template <class T>
T erf_inv_first_term(T y) {
    return y * HALF_SQRT_PI;
}

// sigma sqrt 2 z. For a scale near the largest double, where sigma sqrt 2
// overflows, and for a subnormal one, where it would be rounded twice, the
// factor sqrt 2 goes with z instead.
template <class T>
T normal_offset(T z, T sigma) {
    const T scale = sigma * SQRT_2;
    return select((scale != INF) & (scale >= SMALLEST_NORMAL), scale * z, sigma * (SQRT_2 * z));
}

// The quantiles of a block whose normal quantile z = erf^-1(2p - 1) in units
// of sqrt 2 is known, on elements inside the range where the kernel's formula
// holds without a check against the law; the finish narrows `decided` to
// the elements whose result it gives.
struct NormalFinish {
    template <class L>
    L operator()(L z, L mu, L sigma, typename L::Mask&) const {
        return plus_zero(normal_offset(z, sigma) + mu);
    }
};

struct LognormalFinish {
    template <class L>
    L operator()(L z, L mu, L sigma, typename L::Mask& decided) const {
        const L offset = normal_offset(z, sigma);
        decided = decided & (abs_value(offset) <= LOGNORMAL_OFFSET);
        return branch(decided, L(0.0), [](L offset, L mu) { return exp_value(offset + mu); }, offset, mu);
    }
};

// A block of n quantiles into out. Elements with p in [tail, 1 - tail] and
// finite parameters, sigma > 0, take the lanes; the scalar kernel answers
// the others, and those that finish leaves undecided.
template <class L, class Finish>
void normal_quantile_lanes(double* out, std::size_t n, const Column<L>& p, const Column<L>& mu,
                           const Column<L>& sigma, double tail, Finish finish,
                           double (*scalar)(double, double, double)) {
    constexpr std::size_t BLOCK = 512;
    const auto ordinary = [tail](L p, L mu, L sigma) {
        return (p >= tail) & (p <= 1.0 - tail) & is_finite(mu) & is_finite(sigma) & (sigma > 0.0);
    };
    for (std::size_t begin = 0; begin < n; begin += BLOCK) {
        const std::size_t count = n - begin < BLOCK ? n - begin : BLOCK;
        double* block_out = out + begin;
        // erf^-1 is needed where its first term is not exact: arguments
        // gathered into y, their places into slot.
        double y[BLOCK];
        std::uint16_t slot[BLOCK];
        std::size_t queued = 0;
        for (std::size_t i = 0; i < count; i += L::SIZE) {
            const int size = static_cast<int>(count - i < L::SIZE ? count - i : L::SIZE);
            const std::size_t at = begin + i;
            const L probability = p.partial(at, size);
            const auto inside = ordinary(probability, mu.partial(at, size), sigma.partial(at, size));
            const L argument = erf_argument(probability);
            const L first_term = erf_inv_first_term(argument);
            const auto exact = abs_value(first_term) < EPS;
            for (int k = 0; k < size; ++k) {
                if (!inside.lane(k)) {
                    block_out[i + k] = scalar(p.value(at + k), mu.value(at + k), sigma.value(at + k));
                } else if (exact.lane(k)) {
                    block_out[i + k] = first_term.lane(k);
                } else {
                    y[queued] = argument.lane(k);
                    slot[queued++] = static_cast<std::uint16_t>(i + k);
                }
            }
        }
        double z[BLOCK];
        erf_inv_lanes<L>(y, z, queued);
        for (std::size_t q = 0; q < queued; ++q) block_out[slot[q]] = z[q];

        for (std::size_t i = 0; i < count; i += L::SIZE) {
            const int size = static_cast<int>(count - i < L::SIZE ? count - i : L::SIZE);
            const std::size_t at = begin + i;
            const L m = mu.partial(at, size);
            const L s = sigma.partial(at, size);
            const auto inside = ordinary(p.partial(at, size), m, s);
            if (!any(inside)) continue;
            auto decided = inside;
            const L x = on_lanes(inside, [&finish, &decided](L z, L m, L s) { return finish(z, m, s, decided); },
                                 L::load_partial(block_out + i, size), m, s);
            for (int k = 0; k < size; ++k) {
                if (!inside.lane(k)) continue;
                block_out[i + k] =
                    decided.lane(k) ? x.lane(k) : scalar(p.value(at + k), mu.value(at + k), sigma.value(at + k));
            }
        }
    }
}

// CAUCHY_TAIL <= p <= 1 - CAUCHY_TAIL, finite mu, finite sigma > 0:
// mu + sigma tan((p - 1/2) pi), with tan z = z where the tangent kernel reads
// an angle below EPS as 0.
template <class T>
T qcauchy_form(T p, T mu, T sigma) {
    constexpr double PI = 3.141592653589793;
    const T z = (p - 0.5) * PI;
    const T t = select(near_zero(z), z, tan_kernel(z));
    return plus_zero(t * sigma + mu);
}

// Below this |x| the logarithm of 1 + x is taken from its Taylor polynomial.
constexpr double LOG1P_SWITCH = 1e-4;

// ln(1 + x) for x = -p in (-1, 0): close to 0 the logarithm kernel loses the
// digits of x to the rounding of 1 + x, so x - x^2/2 + x^3/3 - x^4/4 + x^5/5 is
// summed by Horner's rule from the highest order.
template <class T>
T log1p_of(T x) {
    const auto direct = (x != 0.0) & (abs_value(x) > LOG1P_SWITCH);
    const T series = branch(!direct, T(0.0), [](T x) {
        T s = (x * x) / 5.0;
        s = s - x * 0.25;
        s = s * x;
        s = s + x / 3.0;
        s = s * x;
        s = s - x * 0.5;
        s = s * x;
        return s + x;
    }, x);
    return branch(direct, series, [](T x) { return log_value(x + 1.0); }, x);
}

// 0 < p < 1, shape at least EPS and finite, scale at least EPS:
// x = scale (-ln(1 - p))^(1/shape).
template <class T>
T qweibull_form(T p, T shape, T scale) {
    const T v = -log1p_of(-p);
    const T log_power = log_value(v) * (1.0 / shape);
    const T power = exp_kernel(log_power);
    const auto within = (power != 0.0) & (power != INF);
    // Beyond the exponential kernel's range the scale joins the exponent.
    const T joined = branch(!within, T(0.0), [](T l, T scale) { return exp_value(l + log_value(scale)); },
                            log_power, scale);
    return select(v < 0.0, T(NaN), select(within, power * scale, joined));
}

}  // namespace quantile_forms

// The quantiles on lanes, one chunk at a time: the form where the scalar
// kernel would reach it, the scalar kernel elsewhere.
struct QexpLanes {
    template <class L>
    L operator()(L p, L rate) const {
        return form_or_scalar(
            (p >= quantile_forms::EXPONENTIAL_TAIL) & (p < 1.0) & (rate >= 0.0),
            [](L p, L rate) { return quantile_forms::qexp_form(p, plus_zero(rate)); },
            [](double p, double rate) { return qexp(p, rate); }, p, rate);
    }
};

struct QlogisLanes {
    template <class L>
    L operator()(L p, L mu, L sigma) const {
        return form_or_scalar(
            (p > 0.0) & (p < 1.0) & is_finite(mu) & is_finite(sigma) & (sigma > 0.0),
            [](L p, L mu, L sigma) { return quantile_forms::qlogis_form(p, mu, sigma); },
            [](double p, double mu, double sigma) { return qlogis(p, mu, sigma); }, p, mu, sigma);
    }
};

struct QweibullLanes {
    template <class L>
    L operator()(L p, L shape, L scale) const {
        return form_or_scalar(
            (p > 0.0) & (p < 1.0) & (shape >= EPS) & (shape < INF) & (scale >= EPS) & (scale < INF),
            [](L p, L shape, L scale) { return quantile_forms::qweibull_form(p, shape, scale); },
            [](double p, double shape, double scale) { return qweibull(p, shape, scale); }, p, shape, scale);
    }
};

struct QcauchyLanes {
    template <class L>
    L operator()(L p, L mu, L sigma) const {
        return form_or_scalar(
            (p >= quantile_forms::CAUCHY_TAIL) & (p <= 1.0 - quantile_forms::CAUCHY_TAIL) & is_finite(mu) &
                is_finite(sigma) & (sigma > 0.0),
            [](L p, L mu, L sigma) { return quantile_forms::qcauchy_form(p, mu, sigma); },
            [](double p, double mu, double sigma) { return qcauchy(p, mu, sigma); }, p, mu, sigma);
    }
};

struct QlaplaceLanes {
    template <class L>
    L operator()(L p, L mu, L sigma) const {
        return form_or_scalar(
            (p >= quantile_forms::LAPLACE_TAIL) & (p < 1.0) & is_finite(mu) & is_finite(sigma) & (sigma > 0.0),
            [](L p, L mu, L sigma) { return quantile_forms::qlaplace_form(p, mu, sigma); },
            [](double p, double mu, double sigma) { return qlaplace(p, mu, sigma); }, p, mu, sigma);
    }
};

// The normal quantiles, a block at a time around the stream of the inverse
// error function.
struct QnormLanes {
    template <class L>
    void operator()(double* out, std::size_t n, const Column<L>& p, const Column<L>& mu,
                    const Column<L>& sigma) const {
        quantile_forms::normal_quantile_lanes(out, n, p, mu, sigma, quantile_forms::NORMAL_TAIL,
                                              quantile_forms::NormalFinish{}, qnorm);
    }
};

struct QlnormLanes {
    template <class L>
    void operator()(double* out, std::size_t n, const Column<L>& p, const Column<L>& mu,
                    const Column<L>& sigma) const {
        quantile_forms::normal_quantile_lanes(out, n, p, mu, sigma, quantile_forms::LOGNORMAL_TAIL,
                                              quantile_forms::LognormalFinish{}, qlnorm);
    }
};

}  // namespace quantora
