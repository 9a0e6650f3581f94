#include "module/vectorized.hpp"

namespace quantora::module {

void register_cdfs(py::module_& m) {
    for_each_distribution([&](const auto& row) {
        def_vectorized(m, std::string("p") + row.name, row.p, "x", row.params, py::arg("log_p") = false);
    });
}

}  // namespace quantora::module
