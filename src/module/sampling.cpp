// The r functions: each one Python function with three overloads, tried in the
// order scalar, shape (a list of ints), length (an int). The array overloads
// allocate once, build the generator's sampler once (or one that shares work
// across the draws) and draw from it per element in row-major order, so an
// array holds exactly the draws of consecutive scalar calls.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "module/engine.hpp"
#include "module/prepared.hpp"
#include "module/registry.hpp"
#include "quantile/count_quantiles.hpp"
#include "random/interrupt.hpp"

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

// A poll every few thousand elements: an element can cost microseconds (a
// Poisson search at a large rate), and a poll costs about as much as one
// uniform draw.
constexpr std::uint64_t ELEMENTS_PER_POLL = 4096;

template <class Sampler>
py::array_t<double> fill(py::array_t<double> out, Sampler& sampler, Engine& engine) {
    double* data = out.mutable_data();
    const py::ssize_t n = out.size();
    InterruptCountdown countdown(ELEMENTS_PER_POLL);
    for (py::ssize_t i = 0; i < n; ++i) {
        data[i] = draw(sampler, engine);
        countdown.step();
    }
    return out;
}

py::array_t<double> allocate(const Shape& size) {
    return py::array_t<double>(std::vector<py::ssize_t>(size.extents.begin(), size.extents.end()));
}

py::array_t<double> allocate(std::size_t size) {
    return py::array_t<double>(std::vector<py::ssize_t>{static_cast<py::ssize_t>(size)});
}

// The sampler an array call draws from: the generator's own, or one that
// shares work across the draws (the same values from the same engine outputs)
// where its tables fit within PREPARED_BYTES.
template <class Sampler>
struct ArraySampler {
    using type = Sampler;
};

template <>
struct ArraySampler<std::remove_const_t<decltype(rpois)>::SamplerType> {
    using type = PreparedInversionSampler<PoissonQuantiles, invalid_rate, double>;
};

// The array overload of a generator, for Size = Shape or std::size_t.
template <class Size, class Sampler, class... Params>
auto sample_into_array(Generator<Sampler, Params...> /*generator*/) {
    return [](Params... params, const Size& size, Engine& engine) {
        py::array_t<double> out = allocate(size);
        using Prepared = typename ArraySampler<Sampler>::type;
        if constexpr (!std::is_same_v<Prepared, Sampler>) {
            if (Prepared::footprint(unsigned_zero(params)...) <= PREPARED_BYTES) {
                Prepared sampler = prepare<Prepared>(params...);
                return fill(std::move(out), sampler, engine);
            }
        }
        Sampler sampler = prepare<Sampler>(params...);
        return fill(std::move(out), sampler, engine);
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
    const py::object engine_type = register_engine_type(m);
    const py::object default_engine = engine_type(1);
    for_each_distribution([&](const auto& row) { def_generator(m, row, default_engine); });
}

}  // namespace quantora::module
