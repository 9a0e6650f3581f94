#include "module/vectorized.hpp"

namespace quantora::module {

void register_densities(py::module_& m) {
    for_each_distribution([&](const auto& row) {
        def_vectorized(m, std::string("d") + row.name, row.d, "x", row.params, py::arg("log") = false);
    });
}

}  // namespace quantora::module
