#pragma once
// Legendre's continued fraction for the upper incomplete gamma function,
//     Gamma(a, x) e^x x^-a = 1/(x + 1 - a - 1(1 - a)/(x + 3 - a - 2(2 - a)/(x + 5 - a - ...))),
// which converges fast once x is above a: at most 80 levels reach full
// precision for x >= max(a + 1, 1.5), and fewer the further x lies above a.

namespace quantora {

constexpr int LEGENDRE_FRACTION_DEPTH = 100;

// The denominator of the fraction, evaluated from level 100 upward:
// U(j) = (a - j) j / U(j + 1) + ((2j - 1 - a) + x), U(100) = (199 - a) + x;
// over doubles or over lanes of x.
template <class T>
T legendre_denominator(double a, T x) {
    T level = (static_cast<double>(2 * LEGENDRE_FRACTION_DEPTH - 1) - a) + x;
    for (int j = LEGENDRE_FRACTION_DEPTH - 1; j >= 2; --j) {
        const double jd = static_cast<double>(j);
        level = ((a - jd) * jd) / level + ((static_cast<double>(2 * j - 1) - a) + x);
    }
    return ((1 - a) + x) + (a - 1) / level;
}

}  // namespace quantora
