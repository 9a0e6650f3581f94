#pragma once
// Several doubles processed together: every operation acts on each element
// exactly as the same IEEE operation on one double would, so a kernel written
// once as a template over its number type gives identical bits for `double`
// (the one-lane case, with `bool` as its mask) and for `Lanes`.
//
// Lanes<Width, Count, Unit> holds Count vectors of Width doubles. Several
// independent vectors keep a pipelined divider busy while one element's
// continued fraction waits on its previous level. Unit is a type private to
// the translation unit that instantiates it: each vector unit (SSE2, AVX2,
// AVX-512) is compiled in a file of its own with its own target flags, and a
// private type gives every function instantiated over it internal linkage, so
// the linker can never substitute one unit's code for another's. (A unit's
// file must therefore not call an inline function over plain doubles: its
// out-of-line copy, compiled for AVX2, could be kept for every caller.)
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "special/constants.hpp"

namespace quantora {

// The one-lane case.
inline double select(bool take_first, double first, double second) { return take_first ? first : second; }
inline bool any(bool mask) { return mask; }
inline bool all(bool mask) { return mask; }

// The vector types of each width: doubles, and the 64-bit integers that hold
// a comparison's result (all bits set where it holds, none where it fails).
template <int Width>
struct VectorOf;

template <>
struct VectorOf<2> {
    typedef double Values __attribute__((vector_size(16)));
    typedef std::int64_t Bits __attribute__((vector_size(16)));
};

template <>
struct VectorOf<4> {
    typedef double Values __attribute__((vector_size(32)));
    typedef std::int64_t Bits __attribute__((vector_size(32)));
};

template <>
struct VectorOf<8> {
    typedef double Values __attribute__((vector_size(64)));
    typedef std::int64_t Bits __attribute__((vector_size(64)));
};

template <int Width, int Count, class Unit>
struct Lanes;

template <int Width, int Count, class Unit>
struct LaneMask {
    typedef typename VectorOf<Width>::Bits Vector;
    Vector part[Count];

    friend LaneMask operator&(LaneMask a, LaneMask b) {
        for (int k = 0; k < Count; ++k) a.part[k] &= b.part[k];
        return a;
    }
    friend LaneMask operator|(LaneMask a, LaneMask b) {
        for (int k = 0; k < Count; ++k) a.part[k] |= b.part[k];
        return a;
    }
    friend LaneMask operator!(LaneMask a) {
        for (int k = 0; k < Count; ++k) a.part[k] = ~a.part[k];
        return a;
    }
    friend bool any(LaneMask a) {
        Vector merged = a.part[0];
        for (int k = 1; k < Count; ++k) merged |= a.part[k];
        std::int64_t bits = 0;
        for (int i = 0; i < Width; ++i) bits |= merged[i];
        return bits != 0;
    }
    friend bool all(LaneMask a) { return !any(!a); }
    bool lane(int i) const { return part[i / Width][i % Width] != 0; }

    // Bitwise choice, so that every bit of the chosen element (a NaN's sign and
    // payload included) passes unchanged.
    friend Lanes<Width, Count, Unit> select(LaneMask take_first, Lanes<Width, Count, Unit> first,
                                            Lanes<Width, Count, Unit> second) {
        typedef typename Lanes<Width, Count, Unit>::Vector Values;
        for (int k = 0; k < Count; ++k) {
            const Vector m = take_first.part[k];
            first.part[k] = (Values)((m & (Vector)first.part[k]) | (~m & (Vector)second.part[k]));
        }
        return first;
    }
};

template <int Width, int Count, class Unit>
struct Lanes {
    static constexpr int SIZE = Width * Count;
    typedef typename VectorOf<Width>::Values Vector;
    using Mask = LaneMask<Width, Count, Unit>;
    Vector part[Count];

    Lanes() = default;
    // Every lane set to c; implicit, so that constants mix with lanes as they
    // do with doubles.
    Lanes(double c) {
        for (int k = 0; k < Count; ++k) {
            for (int i = 0; i < Width; ++i) part[k][i] = c;
        }
    }

    // Loads of consecutive doubles from memory that need not be aligned
    // (NumPy's arrays need not be).
    static Lanes load(const void* from) {
        Lanes out;
        std::memcpy(out.part, from, sizeof out.part);
        return out;
    }
    static double read(const void* from) {
        double value;
        std::memcpy(&value, from, sizeof value);
        return value;
    }
    // The first `count` lanes (1 <= count <= SIZE) from memory, the others a
    // copy of the first, so that every lane holds an argument of the run.
    static Lanes load_partial(const void* from, int count) {
        const char* bytes = static_cast<const char*>(from);
        Lanes out(read(bytes));
        for (int i = 1; i < count; ++i) out.set_lane(i, read(bytes + i * sizeof(double)));
        return out;
    }
    void store(double* to) const { std::memcpy(to, part, sizeof part); }
    double lane(int i) const { return part[i / Width][i % Width]; }
    void set_lane(int i, double v) { part[i / Width][i % Width] = v; }

#define QUANTORA_LANE_ARITHMETIC(op)                                            \
    friend Lanes operator op(Lanes a, Lanes b) {                                \
        for (int k = 0; k < Count; ++k) a.part[k] = a.part[k] op b.part[k];     \
        return a;                                                               \
    }
    QUANTORA_LANE_ARITHMETIC(+)
    QUANTORA_LANE_ARITHMETIC(-)
    QUANTORA_LANE_ARITHMETIC(*)
    QUANTORA_LANE_ARITHMETIC(/)
#undef QUANTORA_LANE_ARITHMETIC

    friend Lanes operator-(Lanes a) {
        for (int k = 0; k < Count; ++k) a.part[k] = -a.part[k];
        return a;
    }

#define QUANTORA_LANE_COMPARISON(op)                                            \
    friend Mask operator op(Lanes a, Lanes b) {                                 \
        Mask m;                                                                 \
        for (int k = 0; k < Count; ++k) {                                       \
            m.part[k] = (typename Mask::Vector)(a.part[k] op b.part[k]);        \
        }                                                                       \
        return m;                                                               \
    }
    QUANTORA_LANE_COMPARISON(<)
    QUANTORA_LANE_COMPARISON(<=)
    QUANTORA_LANE_COMPARISON(>)
    QUANTORA_LANE_COMPARISON(>=)
    QUANTORA_LANE_COMPARISON(==)
    QUANTORA_LANE_COMPARISON(!=)
#undef QUANTORA_LANE_COMPARISON

    friend Lanes abs_value(Lanes v) { return select(v < 0.0, -v, v); }
    friend Mask near_zero(Lanes v) { return (v == 0.0) | (abs_value(v) < EPS); }
    friend Mask is_infinite(Lanes v) { return (v == INF) | (v == -INF); }
    friend Mask is_finite(Lanes v) { return abs_value(v) < INF; }
    friend Lanes canonical(Lanes v) { return select(v != v, Lanes(NaN), v); }
    friend Lanes plus_zero(Lanes v) { return select(v == 0.0, Lanes(0.0), v); }

    // Identity of encoding, element by element: +0 and -0 differ, and a NaN
    // matches an identically encoded NaN.
    friend Mask same_bits(Lanes a, Lanes b) {
        Mask m;
        for (int k = 0; k < Count; ++k) {
            typedef typename Mask::Vector Bits;
            m.part[k] = (Bits)((Bits)a.part[k] == (Bits)b.part[k]);
        }
        return m;
    }
};

// The mask of a number type: bool for double, Lanes' own for lanes.
template <class T>
using MaskOf = decltype(T() < T());

// A formula's value where it holds, and where that is.
template <class T>
struct Kept {
    T value;
    MaskOf<T> kept;
};

// One argument's values over a run of elements, as the array layer hands
// them to a lane kernel: consecutive doubles, or one double repeated for
// every element, aligned or not.
template <class L>
struct Column {
    const char* at;
    bool repeated;

    const char* element(std::size_t i) const { return repeated ? at : at + i * sizeof(double); }
    double value(std::size_t i) const { return L::read(element(i)); }
    L chunk(std::size_t i) const { return repeated ? L(L::read(at)) : L::load(element(i)); }
    L partial(std::size_t i, int count) const { return repeated ? L(L::read(at)) : L::load_partial(element(i), count); }
};

// f applied to each element on its own: for what the lanes cannot do together
// (a table read, a conversion to an integer) or for the scalar kernel itself.
template <class F>
double each_lane(F f, double x) {
    return f(x);
}

template <class F, int Width, int Count, class Unit>
Lanes<Width, Count, Unit> each_lane(F f, Lanes<Width, Count, Unit> x) {
    for (int i = 0; i < Width * Count; ++i) x.set_lane(i, f(x.lane(i)));
    return x;
}

// form(args...) on the lanes where `inside` holds, for some lane (else the
// result is undefined). The form sees only arguments it was written for: lanes
// outside are given the arguments of a lane inside (an infinity, say, would
// never leave the logarithm's decimal split).
template <class Form, int Width, int Count, class Unit, class... Args>
auto on_lanes(LaneMask<Width, Count, Unit> inside, Form form, Args... args) {
    if (all(inside)) return form(args...);
    int donor = 0;
    while (!inside.lane(donor)) ++donor;
    const auto fill = [&inside, donor](auto v) { return select(inside, v, decltype(v)(v.lane(donor))); };
    return form(fill(args)...);
}

// A kernel over lanes from its form and its scalar kernel: the form where
// `inside` holds, and elsewhere, one element at a time, the scalar kernel,
// which decides special values in its own order. Arguments that are the same
// for every lane (a log flag) are bound into form and scalar.
template <class Form, class Scalar, int Width, int Count, class Unit, class... More>
Lanes<Width, Count, Unit> form_or_scalar(LaneMask<Width, Count, Unit> inside, Form form, Scalar scalar,
                                         Lanes<Width, Count, Unit> x, More... more) {
    Lanes<Width, Count, Unit> out = x;
    if (any(inside)) out = on_lanes(inside, form, x, more...);
    if (all(inside)) return out;
    for (int i = 0; i < Width * Count; ++i) {
        if (!inside.lane(i)) out.set_lane(i, scalar(x.lane(i), more.lane(i)...));
    }
    return out;
}

// A kernel over lanes from a formula that checks its own result: form(x) on
// arguments where `inside` holds gives a Kept value, and every element
// outside or not kept takes the scalar kernel, one at a time.
template <class Form, class Scalar, int Width, int Count, class Unit>
Lanes<Width, Count, Unit> kept_or_scalar(LaneMask<Width, Count, Unit> inside, Form form, Scalar scalar,
                                         Lanes<Width, Count, Unit> x) {
    if (!any(inside)) return each_lane(scalar, x);
    const auto literal = on_lanes(inside, form, x);
    const LaneMask<Width, Count, Unit> kept = inside & literal.kept;
    Lanes<Width, Count, Unit> out = literal.value;
    if (all(kept)) return out;
    for (int i = 0; i < Width * Count; ++i) {
        if (!kept.lane(i)) out.set_lane(i, scalar(x.lane(i)));
    }
    return out;
}

// A branch of a formula: f(args...) where `take` holds, `otherwise`
// elsewhere. With one double it is the plain conditional; on lanes f runs
// only when some lane takes it, on arguments within its range.
template <class F, class... Args>
double branch(bool take, double otherwise, F f, Args... args) {
    return take ? f(args...) : otherwise;
}

template <class F, int Width, int Count, class Unit, class... Args>
Lanes<Width, Count, Unit> branch(LaneMask<Width, Count, Unit> take, Lanes<Width, Count, Unit> otherwise, F f,
                                 Args... args) {
    if (!any(take)) return otherwise;
    return select(take, on_lanes(take, f, args...), otherwise);
}

}  // namespace quantora
