#pragma once
// The Engine class: a Python type of the module's own rather than a class of
// the binding library, so that no path (pickling, copyreg's protocols 0 and 1,
// calling a base class, __new__ without __init__) can make or use an engine
// that was never seeded. The r functions receive the engine by reference.
#include <pybind11/pybind11.h>

#include "random/engine.hpp"

namespace quantora::module {

namespace py = pybind11;

// Creates the type and adds it to the module as "Engine"; returns the type.
py::object register_engine_type(py::module_& m);

// The engine inside obj, or nullptr when obj is not an Engine.
Engine* engine_of(PyObject* obj);

}  // namespace quantora::module

namespace pybind11::detail {

// An argument of type Engine& accepts an Engine (or an instance of a
// subclass) and nothing else, None included.
template <>
class type_caster<quantora::Engine> {
public:
    static constexpr auto name = const_name("quantora.Engine");

    bool load(handle src, bool /*convert*/) {
        engine_ = quantora::module::engine_of(src.ptr());
        return engine_ != nullptr;
    }

    template <typename>
    using cast_op_type = quantora::Engine&;

    explicit operator quantora::Engine&() { return *engine_; }

private:
    quantora::Engine* engine_ = nullptr;
};

}  // namespace pybind11::detail
