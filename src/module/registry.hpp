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

template <class Params, class D, class P, class Q, class R>
struct Distribution {
    const char* name;
    Params params;  // a tuple of py::arg, or py::arg_v where a default exists
    D d;
    P p;
    Q q;
    R r;
};

template <class Params, class D, class P, class Q, class R>
Distribution<Params, D, P, Q, R> row(const char* name, Params params, D d, P p, Q q, R r) {
    return {name, std::move(params), d, p, q, r};
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
        row("norm", params(arg("mu") = 0, arg("sigma") = 1), dnorm, pnorm, qnorm, rnorm),
        row("bern", params(arg("prob")), dbern, pbern, qbern, rbern),
        row("beta", params(arg("a"), arg("b")), dbeta, pbeta, qbeta, rbeta),
        row("binom", params(arg("n_trials"), arg("prob")), dbinom, pbinom, qbinom, rbinom),
        row("cauchy", params(arg("mu"), arg("sigma")), dcauchy, pcauchy, qcauchy, rcauchy),
        row("chisq", params(arg("dof")), dchisq, pchisq, qchisq, rchisq),
        row("exp", params(arg("rate")), dexp, pexp, qexp, rexp),
        row("f", params(arg("df1"), arg("df2")), df, pf, qf, rf),
        row("gamma", params(arg("shape"), arg("scale")), dgamma, pgamma, qgamma, rgamma),
        row("invgamma", params(arg("shape"), arg("scale")), dinvgamma, pinvgamma, qinvgamma, rinvgamma),
        row("laplace", params(arg("mu"), arg("sigma")), dlaplace, plaplace, qlaplace, rlaplace),
        row("lnorm", params(arg("mu"), arg("sigma")), dlnorm, plnorm, qlnorm, rlnorm),
        row("logis", params(arg("mu"), arg("sigma")), dlogis, plogis, qlogis, rlogis),
        row("pois", params(arg("rate")), dpois, ppois, qpois, rpois),
        row("t", params(arg("dof")), dt, pt, qt, rt),
        row("unif", params(arg("a"), arg("b")), dunif, punif, qunif, runif),
        row("weibull", params(arg("shape"), arg("scale")), dweibull, pweibull, qweibull, rweibull));
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
