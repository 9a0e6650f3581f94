#pragma once
// The d, p and q kernels that run over vector lanes, as data, and the array
// function each vector unit has for each of them. It knows nothing of
// Python: the unit files instantiate it for their lanes, and the element loop
// (vectorized.hpp) hands a run of elements to the chosen unit's function.
//
// An array function takes one pointer and one step in bytes per argument
// (step 0 repeats one value, as a broadcast does) and fills out[0 .. n).
// Contiguous and repeated arguments are read in place; strided ones are
// first gathered into a small buffer. The log flag is gathered into bools.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

#include "cdf/closed_form_forms.hpp"
#include "density/beta_density_forms.hpp"
#include "density/closed_form_forms.hpp"
#include "module/kernel_shape.hpp"
#include "module/prepared.hpp"
#include "quantile/closed_form_forms.hpp"
#include "special/lane_unit.hpp"
#include "special/lanes.hpp"

namespace quantora::module {

// A run's log flags: consecutive, or one repeated.
struct FlagColumn {
    const bool* at;
    bool repeated;
};

// Elements per pass of an array function: the buffers of strided arguments
// and flags hold this many.
inline constexpr std::size_t ARRAY_BLOCK = 512;

// The flag of element i. (Templates over the lanes, like everything here, so
// that each unit's file keeps its own copy.)
template <class L>
bool flag_at(const FlagColumn& flag, std::size_t i) {
    return flag.repeated ? flag.at[0] : flag.at[i];
}

// Whether the L::SIZE flags from element i on are all the same.
template <class L>
bool same_flag(const FlagColumn& flag, std::size_t i) {
    if (flag.repeated) return true;
    for (int k = 1; k < L::SIZE; ++k) {
        if (flag.at[i + k] != flag.at[i]) return false;
    }
    return true;
}

// A kernel over lanes one chunk of L::SIZE elements at a time: Form maps
// lanes of arguments (and a flag) to lanes of results. A chunk whose flags
// differ, and the remainder of the run, go to the scalar kernel.
template <auto scalar, class Form>
struct ByChunks {
    static constexpr auto kernel = scalar;
    using Shape = KernelShape<decltype(scalar)>;

    template <class L, class... C>
    static void run(double* out, std::size_t n, const Column<L>& first, const C&... column) {
        std::size_t i = 0;
        for (; i + L::SIZE <= n; i += L::SIZE) Form{}(first.chunk(i), column.chunk(i)...).store(out + i);
        for (; i < n; ++i) out[i] = kernel(first.value(i), column.value(i)...);
    }

    template <class L, class... C>
    static void run(double* out, std::size_t n, FlagColumn flag, const C&... column) {
        std::size_t i = 0;
        for (; i + L::SIZE <= n; i += L::SIZE) {
            if (same_flag<L>(flag, i)) {
                Form{}(column.chunk(i)..., flag_at<L>(flag, i)).store(out + i);
                continue;
            }
            for (int k = 0; k < L::SIZE; ++k) out[i + k] = kernel(column.value(i + k)..., flag.at[i + k]);
        }
        for (; i < n; ++i) out[i] = kernel(column.value(i)..., flag_at<L>(flag, i));
    }
};

// A kernel over lanes that takes a whole block at once (a stream that refills
// its lanes): Form fills out[0 .. n) from the columns itself.
template <auto scalar, class Form>
struct ByBlocks {
    static constexpr auto kernel = scalar;
    using Shape = KernelShape<decltype(scalar)>;

    template <class L, class... C>
    static void run(double* out, std::size_t n, const Column<L>& first, const C&... column) {
        Form{}(out, n, first, column...);
    }
};

// A kernel whose parameters carry work worth doing once per call (ln Gamma
// of a shape, ln B of two): where every parameter of a run is one repeated
// value, the kernel's preparation P (prepared.hpp) is built once for the run
// and its lane form P::lanes(first, flag...) takes the first argument a chunk
// at a time; a chunk whose flags differ and the remainder go to P itself.
// Runs whose parameters vary take the scalar kernel element by element.
// Whether a preparation sorts its elements by the method it takes for them:
//     static constexpr int METHODS;
//     int method_of(double first) const;  // 0 .. METHODS - 1
template <class P, class = void>
struct SortsByMethod : std::false_type {};
template <class P>
struct SortsByMethod<P, std::void_t<decltype(P::METHODS)>> : std::true_type {};

template <auto scalar>
struct ByPrepared {
    static constexpr auto kernel = scalar;
    using Shape = KernelShape<decltype(scalar)>;
    using Prepared = typename Preparation<scalar>::type;

    template <class... C>
    static bool prepares(const C&... param) {
        return (param.repeated && ...) && Prepared::footprint(param.value(0)...) <= PREPARED_BYTES;
    }

    template <class L, class... C>
    static void run(double* out, std::size_t n, const Column<L>& first, const C&... param) {
        if (!prepares(param...)) {
            for (std::size_t i = 0; i < n; ++i) out[i] = kernel(first.value(i), param.value(i)...);
            return;
        }
        const Prepared prepared(param.value(0)...);
        std::size_t i = 0;
        for (; i + L::SIZE <= n; i += L::SIZE) prepared.lanes(first.chunk(i)).store(out + i);
        for (; i < n; ++i) out[i] = prepared(first.value(i));
    }

    template <class L, class... C>
    static void run(double* out, std::size_t n, FlagColumn flag, const Column<L>& first, const C&... param) {
        if (!prepares(param...)) {
            for (std::size_t i = 0; i < n; ++i) out[i] = kernel(first.value(i), param.value(i)..., flag_at<L>(flag, i));
            return;
        }
        const Prepared prepared(param.value(0)...);
        if constexpr (SortsByMethod<Prepared>::value) {
            for (std::size_t begin = 0; begin < n; begin += ARRAY_BLOCK) {
                const std::size_t count = n - begin < ARRAY_BLOCK ? n - begin : ARRAY_BLOCK;
                const FlagColumn flags{flag.repeated ? flag.at : flag.at + begin, flag.repeated};
                const Column<L> firsts{first.element(begin), first.repeated};
                run_sorted(prepared, out + begin, count, flags, firsts);
            }
        } else {
            run_chunks(prepared, out, n, flag, first);
        }
    }

private:
    template <class L>
    static void run_chunks(const Prepared& prepared, double* out, std::size_t n, FlagColumn flag,
                           const Column<L>& first) {
        std::size_t i = 0;
        for (; i + L::SIZE <= n; i += L::SIZE) {
            if (same_flag<L>(flag, i)) {
                prepared.lanes(first.chunk(i), flag_at<L>(flag, i)).store(out + i);
                continue;
            }
            for (int k = 0; k < L::SIZE; ++k) out[i + k] = prepared(first.value(i + k), flag.at[i + k]);
        }
        for (; i < n; ++i) out[i] = prepared(first.value(i), flag_at<L>(flag, i));
    }

    // Up to ARRAY_BLOCK elements gathered by method (a counting sort that
    // keeps their order within a method), each method's run on the lanes, the
    // results scattered back: lanes that would take different methods in one
    // chunk would each pay for every method taken there.
    template <class L>
    static void run_sorted(const Prepared& prepared, double* out, std::size_t n, FlagColumn flag,
                           const Column<L>& first) {
        constexpr int METHODS = Prepared::METHODS;
        int method[ARRAY_BLOCK];
        std::size_t start[METHODS + 1] = {};
        for (std::size_t i = 0; i < n; ++i) {
            method[i] = prepared.method_of(first.value(i));
            ++start[method[i] + 1];
        }
        for (int m = 0; m < METHODS; ++m) start[m + 1] += start[m];
        std::size_t next[METHODS];
        for (int m = 0; m < METHODS; ++m) next[m] = start[m];
        double firsts[ARRAY_BLOCK];
        bool flags[ARRAY_BLOCK];
        std::size_t element[ARRAY_BLOCK];
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t k = next[method[i]]++;
            firsts[k] = first.value(i);
            flags[k] = flag_at<L>(flag, i);
            element[k] = i;
        }
        double results[ARRAY_BLOCK];
        for (int m = 0; m < METHODS; ++m) {
            const std::size_t from = start[m];
            const Column<L> sorted{reinterpret_cast<const char*>(firsts + from), false};
            const FlagColumn sorted_flags{flag.repeated ? flag.at : flags + from, flag.repeated};
            run_chunks(prepared, results + from, start[m + 1] - from, sorted_flags, sorted);
        }
        for (std::size_t k = 0; k < n; ++k) out[element[k]] = results[k];
    }
};

// A kernel whose preparation takes a whole run of its first argument at once
// (a stream that refills its lanes): P::block(out, n, first) where every
// parameter of the run is one repeated value, the scalar kernel element by
// element elsewhere.
template <auto scalar>
struct ByPreparedBlocks {
    static constexpr auto kernel = scalar;
    using Shape = KernelShape<decltype(scalar)>;
    using Prepared = typename Preparation<scalar>::type;

    template <class L, class... C>
    static void run(double* out, std::size_t n, const Column<L>& first, const C&... param) {
        if (!ByPrepared<scalar>::prepares(param...)) {
            for (std::size_t i = 0; i < n; ++i) out[i] = kernel(first.value(i), param.value(i)...);
            return;
        }
        Prepared(param.value(0)...).block(out, n, first);
    }
};

template <class... Entry>
struct KernelList {
    static constexpr std::size_t size = sizeof...(Entry);
};

using LaneKernels = KernelList<
    ByChunks<dnorm, DnormLanes>, ByChunks<dexp, DexpLanes>, ByChunks<dlaplace, DlaplaceLanes>,
    ByChunks<dlnorm, DlnormLanes>, ByChunks<dlogis, DlogisLanes>, ByChunks<pnorm, PnormLanes>,
    ByChunks<plnorm, PlnormLanes>, ByChunks<plogis, PlogisLanes>, ByChunks<pexp, PexpLanes>,
    ByChunks<plaplace, PlaplaceLanes>, ByBlocks<qnorm, QnormLanes>, ByBlocks<qlnorm, QlnormLanes>,
    ByChunks<qexp, QexpLanes>, ByChunks<qlogis, QlogisLanes>, ByChunks<qlaplace, QlaplaceLanes>,
    ByChunks<dweibull, DweibullLanes>, ByChunks<pweibull, PweibullLanes>, ByChunks<qweibull, QweibullLanes>,
    ByChunks<pcauchy, PcauchyLanes>, ByChunks<qcauchy, QcauchyLanes>,
    ByPrepared<dgamma>, ByPrepared<dchisq>, ByPrepared<dinvgamma>, ByPrepared<pgamma>, ByPrepared<pchisq>,
    ByPrepared<pinvgamma>, ByPreparedBlocks<qgamma>, ByPreparedBlocks<qchisq>, ByPreparedBlocks<qinvgamma>,
    ByPrepared<dbeta>, ByPrepared<df>, ByPrepared<dt>, ByPreparedBlocks<qt>, ByPreparedBlocks<qbeta>,
    ByPreparedBlocks<qf>>;

template <auto kernel, class... Entry>
constexpr int slot_in(KernelList<Entry...>) {
    int slot = -1;
    int i = 0;
    ((slot = same_kernel<Entry::kernel, kernel> ? i : slot, ++i), ...);
    return slot;
}

// The kernel's place in every unit's table of array functions, or -1 where
// it has no lane form.
template <auto kernel>
inline constexpr int lane_slot = slot_in<kernel>(LaneKernels{});

// An argument's count values from `at` on: in place when repeated or
// consecutive (memory holds the doubles as they are, aligned or not),
// otherwise gathered into buffer.
template <class L>
Column<L> column_of(const char* at, std::ptrdiff_t step, std::size_t count, double* buffer) {
    if (step == 0) return {at, true};
    if (step == static_cast<std::ptrdiff_t>(sizeof(double))) return {at, false};
    for (std::size_t i = 0; i < count; ++i) {
        std::memcpy(buffer + i, at + static_cast<std::ptrdiff_t>(i) * step, sizeof(double));
    }
    return {reinterpret_cast<const char*>(buffer), false};
}

// A run's flags from `at` on as bools: a flag is any nonzero byte. (A
// template, like everything here, so that each unit's file keeps its own copy.)
template <class L>
FlagColumn flags_of(const char* at, std::ptrdiff_t step, std::size_t count, bool* buffer) {
    const std::size_t stored = step == 0 ? 1 : count;
    for (std::size_t i = 0; i < stored; ++i) buffer[i] = at[static_cast<std::ptrdiff_t>(i) * step] != 0;
    return {buffer, step == 0};
}

template <class L, class Entry, std::size_t... I>
void run_array(const char* const* args, const std::ptrdiff_t* steps, double* out, std::size_t n,
               std::index_sequence<I...>) {
    using Shape = typename Entry::Shape;
    constexpr std::size_t reals = sizeof...(I);
    for (std::size_t begin = 0; begin < n; begin += ARRAY_BLOCK) {
        const std::size_t count = n - begin < ARRAY_BLOCK ? n - begin : ARRAY_BLOCK;
        const auto at = [&](std::size_t k) { return args[k] + static_cast<std::ptrdiff_t>(begin) * steps[k]; };
        double gathered[reals][ARRAY_BLOCK];
        const Column<L> columns[reals] = {column_of<L>(at(I), steps[I], count, gathered[I])...};
        if constexpr (Shape::flags == 1) {
            bool flags[ARRAY_BLOCK];
            Entry::template run<L>(out + begin, count, flags_of<L>(at(reals), steps[reals], count, flags),
                                   columns[I]...);
        } else {
            Entry::template run<L>(out + begin, count, columns[I]...);
        }
    }
}

template <class L, class Entry>
void run_array(const char* const* args, const std::ptrdiff_t* steps, double* out, std::size_t n) {
    using Shape = typename Entry::Shape;
    run_array<L, Entry>(args, steps, out, n, std::make_index_sequence<Shape::arity - Shape::flags>{});
}

struct ArrayTable {
    ArrayKernel kernel[LaneKernels::size];
};

template <class L, class... Entry>
constexpr ArrayTable array_table(KernelList<Entry...>) {
    return {{&run_array<L, Entry>...}};
}

// A unit's table, for its lanes L.
template <class L>
constexpr ArrayTable array_table() {
    return array_table<L>(LaneKernels{});
}

}  // namespace quantora::module
