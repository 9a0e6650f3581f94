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

// The kernels are template arguments, so that each d, p and q function is
// compiled around its own kernel and its family's preparation (prepared.hpp).
template <auto D, auto P, auto Q, auto R, class Params>
struct Distribution {
    static constexpr auto d = D;
    static constexpr auto p = P;
    static constexpr auto q = Q;
    static constexpr auto r = R;
    const char* name;
    Params params;  // a tuple of py::arg, or py::arg_v where a default exists
};

template <auto D, auto P, auto Q, auto R, class Params>
Distribution<D, P, Q, R, Params> row(const char* name, Params params) {
    return {name, std::move(params)};
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
        row<dnorm, pnorm, qnorm, rnorm>("norm", params(arg("mu") = 0, arg("sigma") = 1)),
        row<dbern, pbern, qbern, rbern>("bern", params(arg("prob"))),
        row<dbeta, pbeta, qbeta, rbeta>("beta", params(arg("a"), arg("b"))),
        row<dbinom, pbinom, qbinom, rbinom>("binom", params(arg("n_trials"), arg("prob"))),
        row<dcauchy, pcauchy, qcauchy, rcauchy>("cauchy", params(arg("mu"), arg("sigma"))),
        row<dchisq, pchisq, qchisq, rchisq>("chisq", params(arg("dof"))),
        row<dexp, pexp, qexp, rexp>("exp", params(arg("rate"))),
        row<df, pf, qf, rf>("f", params(arg("df1"), arg("df2"))),
        row<dgamma, pgamma, qgamma, rgamma>("gamma", params(arg("shape"), arg("scale"))),
        row<dinvgamma, pinvgamma, qinvgamma, rinvgamma>("invgamma", params(arg("shape"), arg("scale"))),
        row<dlaplace, plaplace, qlaplace, rlaplace>("laplace", params(arg("mu"), arg("sigma"))),
        row<dlnorm, plnorm, qlnorm, rlnorm>("lnorm", params(arg("mu"), arg("sigma"))),
        row<dlogis, plogis, qlogis, rlogis>("logis", params(arg("mu"), arg("sigma"))),
        row<dpois, ppois, qpois, rpois>("pois", params(arg("rate"))),
        row<dt, pt, qt, rt>("t", params(arg("dof"))),
        row<dunif, punif, qunif, runif>("unif", params(arg("a"), arg("b"))),
        row<dweibull, pweibull, qweibull, rweibull>("weibull", params(arg("shape"), arg("scale"))));
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
