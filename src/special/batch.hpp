#pragma once
// Special-function kernels of one argument over arrays: out[i] = kernel(in[i])
// for i < n, with exactly the bits of the scalar kernel for every element,
// computed on the widest vector unit this processor has. in and out may be
// the same array.
#include <cstddef>

namespace quantora {

void exp_batch(const double* in, double* out, std::size_t n);
void log_batch(const double* in, double* out, std::size_t n);
void expm1_batch(const double* in, double* out, std::size_t n);
void sqrt_batch(const double* in, double* out, std::size_t n);
void erf_batch(const double* in, double* out, std::size_t n);
void erfcx_batch(const double* in, double* out, std::size_t n);
void erf_inv_batch(const double* in, double* out, std::size_t n);
void tanh_batch(const double* in, double* out, std::size_t n);
void atan_batch(const double* in, double* out, std::size_t n);
void tan_batch(const double* in, double* out, std::size_t n);

}  // namespace quantora
