#include "module/broadcast.hpp"

#include <algorithm>
#include <stdexcept>

namespace quantora::module {

py::ssize_t Operand::size() const {
    py::ssize_t n = 1;
    for (py::ssize_t d = 0; d < ndim; ++d) n *= shape[d];
    return n;
}

Operand operand_of(const py::array& array) {
    return {static_cast<const char*>(array.data()), array.ndim(), array.shape(), array.strides(), array.itemsize(),
            (array.flags() & py::array::c_style) != 0, (array.flags() & py::array::f_style) != 0};
}

Operand operand_of(const void* value, py::ssize_t itemsize) {
    return {static_cast<const char*>(value), 0, nullptr, nullptr, itemsize, true, true};
}

namespace {

// Aligned at the last dimension, each extent of an operand is 1 or the common one.
std::vector<py::ssize_t> broadcast_shape(const Operand* operands, std::size_t n) {
    py::ssize_t ndim = 0;
    for (std::size_t k = 0; k < n; ++k) ndim = std::max(ndim, operands[k].ndim);
    std::vector<py::ssize_t> shape(static_cast<std::size_t>(ndim), 1);
    for (std::size_t k = 0; k < n; ++k) {
        const Operand& op = operands[k];
        for (py::ssize_t d = 0; d < op.ndim; ++d) {
            py::ssize_t& out = shape[static_cast<std::size_t>(ndim - op.ndim + d)];
            const py::ssize_t in = op.shape[d];
            if (out == 1) {
                out = in;
            } else if (in != 1 && in != out) {
                throw std::runtime_error("pybind11::vectorize: incompatible size/dimension of inputs!");
            }
        }
    }
    return shape;
}

// The strides of a packed array, the last dimension varying fastest (C order)
// or the first (Fortran order).
std::vector<py::ssize_t> packed_strides(const Operand& op, bool fortran) {
    std::vector<py::ssize_t> strides(static_cast<std::size_t>(op.ndim));
    py::ssize_t step = op.itemsize;
    for (py::ssize_t i = 0; i < op.ndim; ++i) {
        const py::ssize_t d = fortran ? i : op.ndim - 1 - i;
        strides[static_cast<std::size_t>(d)] = step;
        step *= op.shape[d];
    }
    return strides;
}

// The strides NumPy shows through the buffer protocol, on which the layout
// rule below decides: a contiguous array shows packed strides (C order before
// Fortran order) whatever its strides along dimensions of extent 1.
std::vector<py::ssize_t> shown_strides(const Operand& op) {
    if (op.c_contiguous) return packed_strides(op, false);
    if (op.f_contiguous) return packed_strides(op, true);
    return {op.strides, op.strides + op.ndim};
}

// The result is laid out in Fortran order only when every operand with more
// than one element has the full shape and shows the packed strides of Fortran
// order, and not all of them also show those of C order; otherwise in C order.
bool fortran_result(const Operand* operands, std::size_t n, const std::vector<py::ssize_t>& shape) {
    bool c = true;
    bool f = true;
    for (std::size_t k = 0; k < n && (c || f); ++k) {
        const Operand& op = operands[k];
        if (op.size() == 1) continue;
        if (static_cast<std::size_t>(op.ndim) != shape.size() || !std::equal(shape.begin(), shape.end(), op.shape)) {
            return false;
        }
        const std::vector<py::ssize_t> shown = shown_strides(op);
        c = c && shown == packed_strides(op, false);
        f = f && shown == packed_strides(op, true);
    }
    return !c && f;
}

// The operand's stride along result dimension d: 0 where it has no such
// dimension or an extent of 1 there, which repeats its element.
py::ssize_t stride_along(const Operand& op, std::size_t ndim, std::size_t d) {
    const auto offset = static_cast<py::ssize_t>(ndim) - op.ndim;
    const auto own = static_cast<py::ssize_t>(d) - offset;
    if (own < 0 || op.shape[own] == 1) return 0;
    return op.strides[own];
}

}  // namespace

Plan broadcast(const Operand* operands, std::size_t n) {
    Plan plan;
    plan.operands = n;
    plan.shape = broadcast_shape(operands, n);
    plan.fortran = fortran_result(operands, n, plan.shape);
    for (const py::ssize_t extent : plan.shape) plan.size *= extent;

    // Walk the result in its memory order: outermost dimension first.
    const std::size_t ndim = plan.shape.size();
    for (std::size_t i = 0; i < ndim; ++i) {
        const std::size_t d = plan.fortran ? ndim - 1 - i : i;
        const py::ssize_t extent = plan.shape[d];
        if (extent == 1) continue;
        std::vector<py::ssize_t> step(n);
        for (std::size_t k = 0; k < n; ++k) step[k] = stride_along(operands[k], ndim, d);
        // The previous (outer) dimension folds into this one when every
        // operand's outer step is this extent of its inner steps.
        if (!plan.extent.empty()) {
            const py::ssize_t* outer = &plan.strides[plan.strides.size() - n];
            bool even = true;
            for (std::size_t k = 0; k < n && even; ++k) even = outer[k] == step[k] * extent;
            if (even) {
                plan.extent.back() *= extent;
                std::copy(step.begin(), step.end(), plan.strides.end() - static_cast<std::ptrdiff_t>(n));
                continue;
            }
        }
        plan.extent.push_back(extent);
        plan.strides.insert(plan.strides.end(), step.begin(), step.end());
    }
    return plan;
}

}  // namespace quantora::module
