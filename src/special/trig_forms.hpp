#pragma once
// The hyperbolic tangent's fraction written once over the number type, for
// the scalar kernel of trig.cpp and for lanes.
#include "special/constants.hpp"
#include "special/lanes.hpp"
#include "special/trig.hpp"

namespace quantora {
namespace trig_forms {

constexpr int TANH_DEPTH = 35;

// Lambert: tanh z = z/(1 + z^2/(3 + z^2/(5 + ...))), H(j) = (2j - 1) + w/H(j + 1),
// for z >= EPS with z^2 finite.
template <class T>
T tanh_fraction(T z) {
    const T w = z * z;
    T level = 2.0 * TANH_DEPTH - 1;
    for (int j = TANH_DEPTH - 1; j >= 2; --j) level = static_cast<double>(2 * j - 1) + w / level;
    return z / (w / level + 1.0);
}

}  // namespace trig_forms

// tanh is odd: the fraction runs on |z|.
template <int W, int K, class U>
Lanes<W, K, U> tanh_kernel(Lanes<W, K, U> z) {
    return form_or_scalar(
        (abs_value(z) >= EPS) & (z * z < INF),
        [](auto v) {
            const auto core = trig_forms::tanh_fraction(abs_value(v));
            return canonical(select(v < 0.0, -core, core));
        },
        [](double v) { return tanh_kernel(v); }, z);
}

}  // namespace quantora
