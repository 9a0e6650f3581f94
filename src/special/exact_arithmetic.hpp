#pragma once
// Error-free transformations in plain double arithmetic (no fused
// multiply-add): a + b = s + e exactly (Knuth's two-sum) and a b = p + e
// exactly (Dekker's product on Veltkamp's split), for the offsets of a count
// or a shape from its mean, which cancel to a small part of either term.

namespace quantora {

struct Expansion {
    double hi;
    double lo;
};

inline Expansion two_sum(double a, double b) {
    const double s = a + b;
    const double back = s - a;
    return {s, (a - (s - back)) + (b - back)};
}

// Exact for |a|, |b| below 2^996, where the split's 2^27 + 1 multiple stays
// finite.
inline Expansion two_product(double a, double b) {
    constexpr double SPLIT = 134217729.0;
    const double p = a * b;
    const double ca = SPLIT * a;
    const double a_hi = ca - (ca - a);
    const double a_lo = a - a_hi;
    const double cb = SPLIT * b;
    const double b_hi = cb - (cb - b);
    const double b_lo = b - b_hi;
    return {p, ((a_hi * b_hi - p) + a_hi * b_lo + a_lo * b_hi) + a_lo * b_lo};
}

}  // namespace quantora
