#pragma once
// The seventeen distributions as data: a row names the distribution, its
// parameters (with their defaults) and its four kernels. Every family is
// registered from this one table, in its order.
#include <pybind11/pybind11.h>

#include <string>
#include <tuple>

#include "cdf/cdf.hpp"
#include "density/density.hpp"
#include "quantile/quantile.hpp"
#include "random/generators.hpp"

namespace quantora::module {

namespace py = pybind11;

// The d, p and q kernels are template arguments, so that each function is
// compiled around its own kernel and its family's preparation (prepared.hpp).
template <auto D, auto P, auto Q, class Params, class R>
struct Distribution {
    static constexpr auto d = D;
    static constexpr auto p = P;
    static constexpr auto q = Q;
    const char* name;
    Params params;  // a tuple of py::arg, or py::arg_v where a default exists
    R r;
};

template <auto D, auto P, auto Q, class Params, class R>
Distribution<D, P, Q, Params, R> row(const char* name, Params params, R r) {
    return {name, std::move(params), r};
}

// The parameters of one distribution, in order.
template <class... Arg>
std::tuple<Arg...> params(Arg... arg) {
    return {std::move(arg)...};
}

// Built at import, once the interpreter can hold the default values. The
// defaults of the normal are Python ints, shown as 0 and 1 in the signatures.
inline auto distribution_table() {
    using py::arg;
    return std::make_tuple(
        row<dnorm, pnorm, qnorm>("norm", params(arg("mu") = 0, arg("sigma") = 1), rnorm),
        row<dbern, pbern, qbern>("bern", params(arg("prob")), rbern),
        row<dbeta, pbeta, qbeta>("beta", params(arg("a"), arg("b")), rbeta),
        row<dbinom, pbinom, qbinom>("binom", params(arg("n_trials"), arg("prob")), rbinom),
        row<dcauchy, pcauchy, qcauchy>("cauchy", params(arg("mu"), arg("sigma")), rcauchy),
        row<dchisq, pchisq, qchisq>("chisq", params(arg("dof")), rchisq),
        row<dexp, pexp, qexp>("exp", params(arg("rate")), rexp),
        row<df, pf, qf>("f", params(arg("df1"), arg("df2")), rf),
        row<dgamma, pgamma, qgamma>("gamma", params(arg("shape"), arg("scale")), rgamma),
        row<dinvgamma, pinvgamma, qinvgamma>("invgamma", params(arg("shape"), arg("scale")), rinvgamma),
        row<dlaplace, plaplace, qlaplace>("laplace", params(arg("mu"), arg("sigma")), rlaplace),
        row<dlnorm, plnorm, qlnorm>("lnorm", params(arg("mu"), arg("sigma")), rlnorm),
        row<dlogis, plogis, qlogis>("logis", params(arg("mu"), arg("sigma")), rlogis),
        row<dpois, ppois, qpois>("pois", params(arg("rate")), rpois),
        row<dt, pt, qt>("t", params(arg("dof")), rt),
        row<dunif, punif, qunif>("unif", params(arg("a"), arg("b")), runif),
        row<dweibull, pweibull, qweibull>("weibull", params(arg("shape"), arg("scale")), rweibull));
}

// Calls visit(row) for every distribution, in table order.
template <class Visit>
void for_each_distribution(Visit&& visit) {
    std::apply([&](const auto&... rows) { (visit(rows), ...); }, distribution_table());
}

void register_densities(py::module_& m);
void register_generators(py::module_& m);
void register_cdfs(py::module_& m);
void register_quantiles(py::module_& m);

}  // namespace quantora::module
