// The module entry. Registration order fixes the module's attribute order:
// densities, Engine with the random generators, distribution functions,
// quantiles.
#include <pybind11/pybind11.h>

#include "module/registry.hpp"

PYBIND11_MODULE(quantora, m) {
    m.doc() = "pybind11 wrapper for veldan/quantora";
    quantora::module::register_densities(m);
    quantora::module::register_generators(m);
    quantora::module::register_cdfs(m);
    quantora::module::register_quantiles(m);
}
