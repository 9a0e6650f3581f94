#include "module/vectorized.hpp"

namespace quantora::module {

void register_quantiles(py::module_& m) {
    for_each_distribution(
        [&](const auto& row) { def_vectorized(m, std::string("q") + row.name, row.q, "p", row.params); });
}

}  // namespace quantora::module
