#pragma once
// One argument of a d, p or q function as it came. A plain Python float, int
// or bool is kept as the value NumPy's forced cast would give it, with no
// array made; anything else becomes an array of the element type, cast by
// NumPy. Signatures show the argument as that array type.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>

namespace quantora::module {

namespace py = pybind11;

template <class T>
struct Values {
    bool is_plain = false;
    T plain{};
    py::object array;  // an array of T; null when is_plain (an empty py::array would allocate one)
};

// The value of a plain Python scalar as an element type, exactly as NumPy
// casts it. False leaves the object to NumPy: not a plain scalar, or one whose
// cast NumPy may refuse (an int beyond the element type's range, a float for a
// count).
bool plain_value(PyObject* src, double& out);
bool plain_value(PyObject* src, std::int64_t& out);
bool plain_value(PyObject* src, bool& out);

}  // namespace quantora::module

namespace pybind11::detail {

template <class T>
struct element_array_name;
template <>
struct element_array_name<double> {
    static constexpr auto name = const_name("numpy.ndarray[numpy.float64]");
};
template <>
struct element_array_name<std::int64_t> {
    static constexpr auto name = const_name("numpy.ndarray[numpy.int64]");
};
template <>
struct element_array_name<bool> {
    static constexpr auto name = const_name("numpy.ndarray[bool]");
};

template <class T>
struct type_caster<quantora::module::Values<T>> {
    PYBIND11_TYPE_CASTER(quantora::module::Values<T>, element_array_name<T>::name);

    // Refusing a value (return false) makes the binding library raise its
    // TypeError naming the call; NumPy's own error is dropped.
    bool load(handle src, bool convert) {
        if (quantora::module::plain_value(src.ptr(), value.plain)) {
            value.is_plain = true;
            return true;
        }
        using Array = array_t<T, array::forcecast>;
        if (!convert && !Array::check_(src)) return false;
        value.array = Array::ensure(src);
        return static_cast<bool>(value.array);
    }
};

}  // namespace pybind11::detail
