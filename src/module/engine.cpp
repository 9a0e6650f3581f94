// The Engine type, written against the interpreter's C interface. An engine is
// seeded by __new__, so none exists unseeded; __init__ re-seeds it, so that
// Engine.__init__(e, s) leaves e exactly as Engine(s) starts. Pickling and
// copying are refused with the interpreter's own TypeError for every protocol.
#include "module/engine.hpp"

#include <cstdint>
#include <new>
#include <string>

namespace quantora::module {

namespace {

struct EngineObject {
    PyObject_HEAD
    Engine engine;
};

PyTypeObject* engine_type = nullptr;

// The binding library's wording for arguments that match no constructor, so
// that callers see one message for every refused call.
void set_incompatible_arguments(PyObject* args, PyObject* kwargs) {
    std::string message =
        "__init__(): incompatible constructor arguments. The following argument types are supported:\n"
        "    1. quantora.Engine(arg0: int)\n\nInvoked with: ";
    try {
        const py::tuple positional = py::reinterpret_borrow<py::tuple>(args);
        bool first = true;
        for (const py::handle arg : positional) {
            if (!first) message += ", ";
            first = false;
            message += py::repr(arg).cast<std::string>();
        }
        if (kwargs != nullptr && PyDict_Size(kwargs) > 0) {
            if (!first) message += "; ";
            message += "kwargs: ";
            bool first_keyword = true;
            for (const auto item : py::reinterpret_borrow<py::dict>(kwargs)) {
                if (!first_keyword) message += ", ";
                first_keyword = false;
                message += py::str("{}={!r}").format(item.first, item.second).cast<std::string>();
            }
        }
    } catch (const py::error_already_set&) {
        message += "<repr raised Error>";
    }
    PyErr_SetString(PyExc_TypeError, message.c_str());
}

// The one positional seed: an int (not a float, whatever its value) in the
// signed 32-bit range, sign-extended into the engine's 64-bit word.
bool seed_word(PyObject* args, PyObject* kwargs, std::uint64_t* word) {
    const bool one_positional = PyTuple_GET_SIZE(args) == 1 && (kwargs == nullptr || PyDict_Size(kwargs) == 0);
    PyObject* seed = one_positional ? PyTuple_GET_ITEM(args, 0) : nullptr;
    if (seed != nullptr && !PyFloat_Check(seed) && PyIndex_Check(seed)) {
        PyObject* index = PyNumber_Index(seed);
        if (index == nullptr) return false;
        int overflow = 0;
        const long long value = PyLong_AsLongLongAndOverflow(index, &overflow);
        Py_DECREF(index);
        if (value == -1 && PyErr_Occurred()) return false;
        if (overflow == 0 && value >= INT32_MIN && value <= INT32_MAX) {
            *word = static_cast<std::uint64_t>(static_cast<std::int64_t>(value));
            return true;
        }
    }
    set_incompatible_arguments(args, kwargs);
    return false;
}

PyObject* engine_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    std::uint64_t word = 0;
    if (!seed_word(args, kwargs, &word)) return nullptr;
    PyObject* self = type->tp_alloc(type, 0);
    if (self == nullptr) return nullptr;
    new (&reinterpret_cast<EngineObject*>(self)->engine) Engine(word);
    return self;
}

int engine_init(PyObject* self, PyObject* args, PyObject* kwargs) {
    std::uint64_t word = 0;
    if (!seed_word(args, kwargs, &word)) return -1;
    reinterpret_cast<EngineObject*>(self)->engine.seed(word);
    return 0;
}

void engine_dealloc(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    reinterpret_cast<EngineObject*>(self)->engine.~Engine();
    type->tp_free(self);
    Py_DECREF(type);
}

PyObject* refuse_pickling(PyObject* self, PyObject* /*args*/) {
    PyErr_Format(PyExc_TypeError, "cannot pickle '%.200s' object", Py_TYPE(self)->tp_name);
    return nullptr;
}

PyMethodDef engine_methods[] = {
    {"__reduce__", refuse_pickling, METH_NOARGS, nullptr},
    {"__reduce_ex__", refuse_pickling, METH_O, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot engine_slots[] = {
    {Py_tp_doc, const_cast<char*>("Engine(seed, /)\n--\n\n"
                                  "A 64-bit Mersenne Twister (MT19937-64) seeded with a signed 32-bit int.")},
    {Py_tp_new, reinterpret_cast<void*>(engine_new)},
    {Py_tp_init, reinterpret_cast<void*>(engine_init)},
    {Py_tp_dealloc, reinterpret_cast<void*>(engine_dealloc)},
    {Py_tp_methods, engine_methods},
    {0, nullptr},
};

PyType_Spec engine_spec = {
    "quantora.Engine",
    static_cast<int>(sizeof(EngineObject)),
    0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE,
    engine_slots,
};

}  // namespace

py::object register_engine_type(py::module_& m) {
    PyObject* type = PyType_FromSpec(&engine_spec);
    if (type == nullptr) throw py::error_already_set();
    py::object owned = py::reinterpret_steal<py::object>(type);
    // The module keeps the type alive until shutdown; engine_of only compares.
    m.add_object("Engine", owned);
    engine_type = reinterpret_cast<PyTypeObject*>(type);
    return owned;
}

Engine* engine_of(PyObject* obj) {
    if (engine_type == nullptr || !PyObject_TypeCheck(obj, engine_type)) return nullptr;
    return &reinterpret_cast<EngineObject*>(obj)->engine;
}

}  // namespace quantora::module
