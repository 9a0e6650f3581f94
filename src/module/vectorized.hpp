#pragma once
// The d, p and q functions: a scalar kernel made element-wise over every
// argument, flag included, with NumPy broadcasting.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <string>
#include <tuple>

#include "module/registry.hpp"

namespace quantora::module {

// Registers prefix + name over kernel with arguments (first, params..., flag...).
template <class Kernel, class Params, class... Flag>
void def_vectorized(py::module_& m, const std::string& name, Kernel kernel, const char* first,
                    const Params& params, const Flag&... flag) {
    std::apply(
        [&](const auto&... param) {
            m.def(name.c_str(), py::vectorize(kernel), py::arg(first), param..., flag...);
        },
        params);
}

}  // namespace quantora::module
