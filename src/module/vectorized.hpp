#pragma once
// The d, p and q functions: a scalar kernel made element-wise over every
// argument, flag included, with NumPy broadcasting. Plain Python scalars go
// straight to the kernel and give a Python float; any other call broadcasts
// its arguments and fills a new float64 array (its memory order chosen by the
// broadcast), zero-dimensional arguments alone giving a Python float.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include "module/arguments.hpp"
#include "module/broadcast.hpp"
#include "module/element_loop.hpp"
#include "module/kernel_shape.hpp"
#include "module/lane_kernels.hpp"
#include "module/prepared.hpp"
#include "module/registry.hpp"

namespace quantora::module {

template <auto kernel, class Signature = decltype(kernel)>
struct Vectorized;

template <auto kernel, class... Args>
struct Vectorized<kernel, double (*)(Args...)> {
    using Shape = KernelShape<decltype(kernel)>;
    using First = typename Shape::first;
    static constexpr std::size_t N = sizeof...(Args);

    static py::object call(Values<Args>... values) {
        if ((values.is_plain && ...)) return py::float_(kernel(values.plain...));
        return over_arrays(std::index_sequence_for<Args...>{}, values...);
    }

private:
    template <class T>
    static Operand operand(const Values<T>& v) {
        return v.is_plain ? operand_of(&v.plain, sizeof(T)) : operand_of(py::reinterpret_borrow<py::array>(v.array));
    }

    template <std::size_t... I>
    static py::object over_arrays(std::index_sequence<I...>, const Values<Args>&... values) {
        const std::array<Operand, N> ops{operand(values)...};
        const Plan plan = broadcast(ops.data(), N);
        if (plan.shape.empty()) return py::float_(kernel(load<Args>(ops[I].data)...));
        py::array result = plan.fortran ? py::array(py::array_t<double, py::array::f_style>(plan.shape))
                                        : py::array(py::array_t<double>(plan.shape));
        if (plan.size == 0) return std::move(result);
        double* out = static_cast<double*>(result.mutable_data());
        const Positions<N> start{ops[I].data...};
        LoopLock lock(plan.size);
        if constexpr (lane_slot<kernel> >= 0) {
            // Runs of elements to the kernel's lane form on the chosen vector unit.
            const ArrayKernel lanes = chosen_lane_unit().arrays[lane_slot<kernel>];
            walk_runs(plan, start, lock, [&](const Positions<N>& at, const Steps<N>& steps, py::ssize_t count) {
                lanes(at.data(), steps.data(), out, static_cast<std::size_t>(count));
                out += count;
            });
        } else if (invariant(ops, param_positions<kernel>{})) {
            fill_prepared(ops, plan, start, lock, out, param_positions<kernel>{});
        } else {
            walk(plan, start, lock, [&](const Positions<N>& at) { *out++ = kernel(load<Args>(at[I])...); });
        }
        return std::move(result);
    }

    // Whether every distribution parameter is a single value.
    template <std::size_t... P>
    static bool invariant(const std::array<Operand, N>& ops, std::index_sequence<P...>) {
        return ((ops[1 + P].size() == 1) && ...);
    }

    template <std::size_t... P>
    static void fill_prepared(const std::array<Operand, N>& ops, const Plan& plan, const Positions<N>& start,
                              LoopLock& lock, double* out, std::index_sequence<P...>) {
        using Params = typename Shape::param_types;
        using Prepared = typename Preparation<kernel>::type;
        const Params params{load<std::tuple_element_t<P, Params>>(ops[1 + P].data)...};
        if (Prepared::footprint(std::get<P>(params)...) <= PREPARED_BYTES) {
            Prepared element(std::get<P>(params)...);
            fill_by(element, ops, plan, start, lock, out);
        } else {
            Bound<kernel> element(std::get<P>(params)...);
            fill_by(element, ops, plan, start, lock, out);
        }
    }

    // Fills the result with element(first, flags...), through a memo of its
    // values where the first argument is a count confined to a window small
    // against the number of elements.
    template <class Element>
    static void fill_by(Element& element, const std::array<Operand, N>& ops, const Plan& plan,
                        const Positions<N>& start, LoopLock& lock, double* out) {
        if constexpr (std::is_same_v<First, std::int64_t> && Shape::flags == 1) {
            const auto [lowest, highest] = count_range(ops[0], lock);
            // highest - lowest in unsigned arithmetic: exact even across the
            // whole 64-bit range, where the signed difference would overflow.
            const std::uint64_t span = static_cast<std::uint64_t>(highest) - static_cast<std::uint64_t>(lowest);
            if (span < static_cast<std::uint64_t>(plan.size) && CountMemo<Element>::footprint(span + 1) <= PREPARED_BYTES) {
                CountMemo<Element> memo(element, lowest, span + 1);
                fill_elements(memo, plan, start, lock, out, flag_positions<kernel>{});
                return;
            }
        }
        fill_elements(element, plan, start, lock, out, flag_positions<kernel>{});
    }

    template <class Element, std::size_t... F>
    static void fill_elements(Element& element, const Plan& plan, const Positions<N>& start, LoopLock& lock,
                              double* out, std::index_sequence<F...>) {
        using Flags = typename Shape::flag_types;
        walk(plan, start, lock, [&](const Positions<N>& at) {
            *out++ = element(load<First>(at[0]), load<std::tuple_element_t<F, Flags>>(at[1 + Shape::params + F])...);
        });
    }

    // The least and greatest count among the first argument's own elements.
    static std::pair<std::int64_t, std::int64_t> count_range(const Operand& first, LoopLock& lock) {
        if (first.ndim == 0) return {load<std::int64_t>(first.data), load<std::int64_t>(first.data)};
        std::int64_t lowest = std::numeric_limits<std::int64_t>::max();
        std::int64_t highest = std::numeric_limits<std::int64_t>::min();
        walk(broadcast(&first, 1), Positions<1>{first.data}, lock, [&](const Positions<1>& at) {
            const auto x = load<std::int64_t>(at[0]);
            lowest = std::min(lowest, x);
            highest = std::max(highest, x);
        });
        return {lowest, highest};
    }
};

// Registers name over kernel, with arguments (first, params..., flag...).
template <auto kernel, class Params, class... Flag>
void def_vectorized(py::module_& m, const std::string& name, const char* first, const Params& params,
                    const Flag&... flag) {
    std::apply(
        [&](const auto&... param) {
            m.def(name.c_str(), &Vectorized<kernel>::call, py::arg(first), param..., flag...);
        },
        params);
}

}  // namespace quantora::module
