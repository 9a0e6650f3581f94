#include "module/arguments.hpp"

namespace quantora::module {

// NumPy casts a Python int to float64 with one correct rounding, as
// PyLong_AsDouble does; an int beyond the double range is NumPy's to refuse.
bool plain_value(PyObject* src, double& out) {
    if (PyFloat_CheckExact(src)) {
        out = PyFloat_AS_DOUBLE(src);
        return true;
    }
    if (!PyLong_CheckExact(src) && !PyBool_Check(src)) return false;
    const double value = PyLong_AsDouble(src);
    if (value == -1.0 && PyErr_Occurred() != nullptr) {
        PyErr_Clear();
        return false;
    }
    out = value;
    return true;
}

// A float for a count is truncated by NumPy, or refused when NaN or out of
// range: left to NumPy, like an int outside the 64-bit range.
bool plain_value(PyObject* src, std::int64_t& out) {
    if (!PyLong_CheckExact(src) && !PyBool_Check(src)) return false;
    int overflow = 0;
    const long long value = PyLong_AsLongLongAndOverflow(src, &overflow);
    if (overflow != 0 || (value == -1 && PyErr_Occurred() != nullptr)) {
        PyErr_Clear();
        return false;
    }
    out = static_cast<std::int64_t>(value);
    return true;
}

// A flag is its truth value: any non-zero int or float, NaN included.
bool plain_value(PyObject* src, bool& out) {
    if (PyBool_Check(src)) {
        out = src == Py_True;
        return true;
    }
    if (PyLong_CheckExact(src)) {
        out = PyObject_IsTrue(src) == 1;
        return true;
    }
    if (PyFloat_CheckExact(src)) {
        out = PyFloat_AS_DOUBLE(src) != 0.0;
        return true;
    }
    return false;
}

}  // namespace quantora::module
