#pragma once
// The error function, its scaled complement and its inverse, written once
// over the number type T: `double` for the scalar kernels of erf.cpp, Lanes
// for the vector units, with the lane kernels at the end.
#include <cstddef>
#include <cstdint>

#include "special/constants.hpp"
#include "special/elementary_forms.hpp"
#include "special/erf.hpp"
#include "special/lagged_updates.hpp"
#include "special/lanes.hpp"

namespace quantora {
namespace erf_forms {

constexpr double SQRT_PI = 1.772453850905516;
// Above this the fraction in 1/x converges fast, below it the one in x^2.
constexpr double LARGE_ARGUMENT = 2.1;
constexpr int FRACTION_DEPTH = 60;  // levels 2 .. 59 carry terms
constexpr int REFINEMENTS = 55;
// The first guess switches polynomials at w = -ln(1 - p^2) = TAIL_FROM.
constexpr double TAIL_FROM = 5;

// Coefficients of the first guess, leading coefficient first.
constexpr double CENTRAL[9] = {
    2.81022636e-08, 3.43273939e-07, -3.5233877e-06, -4.39150654e-06, 0.00021858087,
    -0.00125372503, -0.00417768164, 0.246640727,    1.50140941,
};
constexpr double TAIL[9] = {
    -0.000200214257, 0.000100950558, 0.00134934322, -0.00367342844, 0.00573950773,
    -0.0076224613,   0.00943887047,  1.00167406,    2.83297682,
};

// erfc x = (e^(-x^2)/sqrt(pi)) * 2/(2x + 2/(2x + 4/(2x + 6/(...)))), y = 2x:
// F(j) = 2j / F(j + 1) + y, F(60) = y.
template <class T>
T erfc_denominator(T y) {
    T level = y;
    for (int j = FRACTION_DEPTH - 1; j >= 2; --j) level = static_cast<double>(2 * j) / level + y;
    return 2.0 / level + y;
}

// erf x = (2x e^(-x^2)/sqrt(pi)) / (1 - 2x^2 + 4x^2/(3 - 2x^2 + 8x^2/(5 - 2x^2 + ...))),
// w = x^2: G(j) = 4j w / G(j + 1) + ((2j - 1) - 2w), G(60) = 119 - 2w.
template <class T>
T erf_denominator(T w) {
    T level = 119.0 - (w + w);
    for (int j = FRACTION_DEPTH - 1; j >= 2; --j) {
        level = (static_cast<double>(4 * j) * w) / level + (static_cast<double>(2 * j - 1) - (w + w));
    }
    return (4.0 * w) / level + (1.0 - (w + w));
}

// 2/(sqrt(pi) F(2x)) = e^(x^2) erfc x, from the fraction in 1/x alone.
template <class T>
T erfc_scaled(T x) {
    return (2 / SQRT_PI) / erfc_denominator(x + x);
}

// erf x for x >= EPS, given e = e^(-x^2) from exp_kernel.
template <class T>
T erf_core(T x, T e) {
    e = e / SQRT_PI;
    const T y = x + x;
    const auto large = x > LARGE_ARGUMENT;
    const T upper = branch(large, T(0.0), [](T e, T y) { return 1.0 - (e + e) / erfc_denominator(y); }, e, y);
    return branch(!large, upper, [](T e, T y, T x) { return (e * y) / erf_denominator(x * x); }, e, y, x);
}

// erf x for finite x with |x| >= EPS, given e = exp_kernel((-x) x): odd, so
// the core runs on |x|, whose e^(-|x|^2) is the same product.
template <class T>
T erf_form(T x, T e) {
    const T core = erf_core(abs_value(x), e);
    return select(x < 0.0, -core, core);
}

template <class T>
T horner(const double (&c)[9], T t) {
    T p = c[0];
    for (int k = 1; k < 9; ++k) p = p * t + c[k];
    return p;
}

// The first iterate of the inverse, x0 = P(t) p, for p strictly inside (-1, 1).
template <class T>
T erf_inv_start(T p) {
    const T w = -log_kernel((p + 1.0) * (1.0 - p));
    const auto central = w < TAIL_FROM;
    const T guess = branch(central, T(0.0), [](T w) { return horner(CENTRAL, w - 2.5); }, w);
    return branch(!central, guess, [](T w) { return horner(TAIL, sqrt_kernel(w) - 3.0); }, w) * p;
}

// Clamp that lets a NaN through unchanged.
template <class T>
T clamp_step(T s) {
    const T upper = select(s > 1.2, T(1.2), s);
    return select(upper < 0.8, T(0.8), upper);
}

// One update of the inverse at x, whose error function is `value`, with the
// weight d. The weight is e^(-x^2) without the 2/sqrt(pi) of erf's
// derivative, and it is taken from the iterate before the current one. The
// fixed point is still erf(x) = p; each step overshoots Newton's by that
// factor and still contracts.
template <class T>
T erf_inv_next(T x, T value, T d, T p) {
    const T r = (value - p) / d;
    const T h = ((x * (-2.0)) * d) / d;
    const T s = 1.0 - (r * 0.5) * h;
    return x - r / clamp_step(s);
}

}  // namespace erf_forms

// erf x with the exponential e^(-x^2) that it computes on the way, which the
// next update of the inverse takes as its weight.
template <class T>
struct ErfAndWeight {
    T value;
    T weight;
};

ErfAndWeight<double> erf_and_weight(double x);

// The kernels on lanes. Each states the range its form takes; the scalar
// kernel answers for every other element.
template <int W, int K, class U>
Lanes<W, K, U> erf_kernel(Lanes<W, K, U> x) {
    return form_or_scalar(
        is_finite(x) & (abs_value(x) >= EPS), [](auto v) { return erf_forms::erf_form(v, exp_kernel((-v) * v)); },
        [](double v) { return erf_kernel(v); }, x);
}

template <int W, int K, class U>
Lanes<W, K, U> erfcx_kernel(Lanes<W, K, U> x) {
    return form_or_scalar(
        x > erf_forms::LARGE_ARGUMENT, [](auto v) { return erf_forms::erfc_scaled(v); },
        [](double v) { return erfcx_kernel(v); }, x);
}

template <int W, int K, class U>
ErfAndWeight<Lanes<W, K, U>> erf_and_weight(Lanes<W, K, U> x) {
    const Lanes<W, K, U> weight = exp_kernel((-x) * x);
    const Lanes<W, K, U> value = form_or_scalar(
        is_finite(x) & (abs_value(x) >= EPS), [](auto v, auto e) { return erf_forms::erf_form(v, e); },
        [](double v, double) { return erf_kernel(v); }, x, weight);
    return {value, weight};
}

// The inverse's elements on lanes: each lane's target p and the weight that
// its previous update's error function computed.
template <class L>
struct ErfInvElements {
    const double* p;
    L target = L(0.5);
    L lagging_weight = L(0.0);

    void take(int lane, std::size_t i) { target.set_lane(lane, p[i]); }
    void idle(int lane) { target.set_lane(lane, 0.5); }
    L update(L x, L, typename L::Mask first) {
        const ErfAndWeight<L> e = erf_and_weight(x);
        const L d = select(first, e.weight, lagging_weight);
        lagging_weight = e.weight;
        return erf_forms::erf_inv_next(x, e.value, d, target);
    }
};

// erf^-1 of p[0 .. n) into out[0 .. n), every element with the bits of
// erf_inv_kernel: the elements that the kernel decides before its updates
// by the scalar kernel, the first iterates of the others on lanes, and their
// updates as a stream (run_lagged_updates_lanes). in and out may be the same.
template <class L>
void erf_inv_lanes(const double* p, double* out, std::size_t n) {
    constexpr std::size_t BLOCK = 512;
    for (std::size_t begin = 0; begin < n; begin += BLOCK) {
        const std::size_t count = n - begin < BLOCK ? n - begin : BLOCK;
        double start[BLOCK];
        std::uint16_t queue[BLOCK];
        std::size_t queued = 0;
        for (std::size_t i = 0; i < count; i += L::SIZE) {
            const int size = static_cast<int>(count - i < L::SIZE ? count - i : L::SIZE);
            const L chunk = L::load_partial(p + begin + i, size);
            const auto decided = (chunk != chunk) | (abs_value(chunk) > 1.0) | near_zero(1.0 - chunk) |
                                 near_zero(chunk + 1.0);
            L first = chunk;
            if (!all(decided)) first = on_lanes(!decided, [](L v) { return erf_forms::erf_inv_start(v); }, chunk);
            for (int k = 0; k < size; ++k) {
                if (decided.lane(k)) {
                    out[begin + i + k] = erf_inv_kernel(chunk.lane(k));
                } else {
                    start[i + k] = first.lane(k);
                    queue[queued++] = static_cast<std::uint16_t>(i + k);
                }
            }
        }
        ErfInvElements<L> elements{p + begin};
        run_lagged_updates_lanes<erf_forms::REFINEMENTS, L>(queue, queued, start, out + begin, elements);
    }
}

}  // namespace quantora
