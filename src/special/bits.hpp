#pragma once
// Doubles as their IEEE 754 bit patterns and back.
#include <cstdint>
#include <cstring>

namespace quantora {

inline std::uint64_t double_pattern(double x) {
    std::uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

inline double pattern_double(std::uint64_t bits) {
    double x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

// Identity of encoding rather than numeric equality: +0 and -0 differ, and a
// NaN matches an identically encoded NaN.
inline bool same_bits(double a, double b) { return double_pattern(a) == double_pattern(b); }

}  // namespace quantora
