// The r functions: each one Python function with three overloads, tried in the
// order scalar, shape (a list of ints), length (an int). The array overloads
// allocate once and call the scalar generator once per element in row-major
// order, so an array holds exactly the draws of consecutive scalar calls.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstddef>
#include <string>
#include <vector>

#include "module/registry.hpp"

namespace quantora::module {

// The extents of an array of draws: any sequence of non-negative ints.
struct Shape {
    std::vector<std::size_t> extents;
};

}  // namespace quantora::module

namespace pybind11::detail {

// The sequence conversion of the binding library, shown in signatures as List[int].
template <>
struct type_caster<quantora::module::Shape> {
    PYBIND11_TYPE_CASTER(quantora::module::Shape, const_name("List[int]"));

    bool load(handle src, bool convert) {
        make_caster<std::vector<std::size_t>> extents;
        if (!extents.load(src, convert)) return false;
        value.extents = cast_op<std::vector<std::size_t>&&>(std::move(extents));
        return true;
    }
};

}  // namespace pybind11::detail

namespace quantora::module {

namespace {

template <class Draw>
py::array_t<double> fill(py::array_t<double> out, Draw draw) {
    double* data = out.mutable_data();
    const py::ssize_t n = out.size();
    for (py::ssize_t i = 0; i < n; ++i) data[i] = draw();
    return out;
}

py::array_t<double> allocate(const Shape& size) {
    return py::array_t<double>(std::vector<py::ssize_t>(size.extents.begin(), size.extents.end()));
}

py::array_t<double> allocate(std::size_t size) {
    return py::array_t<double>(std::vector<py::ssize_t>{static_cast<py::ssize_t>(size)});
}

// The array overloads of the one- and two-parameter generators, for Size =
// Shape or std::size_t.
template <class Size, class A>
auto sample_into_array(double (*generator)(A, Engine&)) {
    return [generator](A a, const Size& size, Engine& engine) {
        return fill(allocate(size), [&] { return generator(a, engine); });
    };
}

template <class Size, class A, class B>
auto sample_into_array(double (*generator)(A, B, Engine&)) {
    return [generator](A a, B b, const Size& size, Engine& engine) {
        return fill(allocate(size), [&] { return generator(a, b, engine); });
    };
}

template <class Row>
void def_generator(py::module_& m, const Row& row, const py::object& default_engine) {
    const std::string name = std::string("r") + row.name;
    std::apply(
        [&](const auto&... param) {
            m.def(name.c_str(), row.r, param..., py::arg("engine") = default_engine);
            m.def(name.c_str(), sample_into_array<Shape>(row.r), param..., py::arg("size"),
                  py::arg("engine") = default_engine);
            m.def(name.c_str(), sample_into_array<std::size_t>(row.r), param..., py::arg("size"),
                  py::arg("engine") = default_engine);
        },
        row.params);
}

}  // namespace

void register_generators(py::module_& m) {
    py::class_<Engine> engine_class(m, "Engine");
    // The signed seed is sign-extended into the engine's 64-bit word.
    engine_class.def(py::init([](std::int32_t seed) {
        return Engine(static_cast<std::uint64_t>(static_cast<std::int64_t>(seed)));
    }));
    const py::object default_engine = engine_class(1);
    for_each_distribution([&](const auto& row) { def_generator(m, row, default_engine); });
}

}  // namespace quantora::module
