#pragma once
// The argument roles of a d, p or q kernel, read off its signature
// double(first, params..., flag...): the first argument (x or p), the
// distribution's parameters, and the log flag, a trailing bool that q kernels
// lack.
#include <cstddef>
#include <tuple>
#include <type_traits>
#include <utility>

namespace quantora::module {

template <class Signature>
struct KernelShape;

template <class First, class... Rest>
struct KernelShape<double (*)(First, Rest...)> {
    using first = First;
    static constexpr std::size_t arity = 1 + sizeof...(Rest);
    static constexpr std::size_t flags = std::is_same_v<std::tuple_element_t<sizeof...(Rest) - 1, std::tuple<Rest...>>, bool>;
    static constexpr std::size_t params = sizeof...(Rest) - flags;

    // The argument types at positions Offset + 0, 1, ..., as a tuple.
    template <std::size_t Offset, std::size_t... I>
    static std::tuple<std::tuple_element_t<Offset + I, std::tuple<First, Rest...>>...> slice(
        std::index_sequence<I...>);

    using param_types = decltype(slice<1>(std::make_index_sequence<params>{}));
    using flag_types = decltype(slice<1 + params>(std::make_index_sequence<flags>{}));
};

// Positions of the parameters and of the flags among a kernel's arguments.
template <auto kernel>
using param_positions = std::make_index_sequence<KernelShape<decltype(kernel)>::params>;
template <auto kernel>
using flag_positions = std::make_index_sequence<KernelShape<decltype(kernel)>::flags>;

// Whether two kernels are the same function (kernels of different types are
// not), for tables that list kernels.
template <auto kernel>
struct KernelTag {};
template <auto a, auto b>
inline constexpr bool same_kernel = std::is_same_v<KernelTag<a>, KernelTag<b>>;

}  // namespace quantora::module
