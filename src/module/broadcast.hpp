#pragma once
// NumPy broadcasting of the arguments of one call, and the walk over the
// result's elements in its memory order with every argument's position
// alongside.
#include <pybind11/numpy.h>

#include <cstddef>
#include <vector>

namespace quantora::module {

namespace py = pybind11;

// One argument's elements: an array's buffer, or a single value (no dimensions).
struct Operand {
    const char* data;
    py::ssize_t ndim;
    const py::ssize_t* shape;
    const py::ssize_t* strides;  // in bytes
    py::ssize_t itemsize;
    bool c_contiguous;  // NumPy's flags: packed in C or in Fortran order, up to
    bool f_contiguous;  // the strides of dimensions of extent 1

    py::ssize_t size() const;
};

Operand operand_of(const py::array& array);
Operand operand_of(const void* value, py::ssize_t itemsize);

// The broadcast of n operands: the result's shape and memory order, and the
// walk over it with dimensions of extent 1 dropped and dimensions that every
// operand steps through evenly merged.
struct Plan {
    std::vector<py::ssize_t> shape;
    bool fortran = false;
    py::ssize_t size = 1;
    std::size_t operands = 0;
    std::vector<py::ssize_t> extent;   // of each walk dimension, outermost first
    std::vector<py::ssize_t> strides;  // [dimension * operands + operand], in bytes
};

// Throws std::runtime_error when the shapes do not broadcast.
Plan broadcast(const Operand* operands, std::size_t n);

}  // namespace quantora::module
