"""All 51 density, distribution and quantile functions over arrays, beside SciPy in the same run.

Each case evaluates one function over SIZE typical inputs (draws from the distribution for
d and p, uniform probabilities for q) with scalar parameters, the usual call. The reference
is the fastest SciPy equivalent: a ``scipy.special`` ufunc where one computes the same
quantity, else ``scipy.stats``. Ratio = quantora time / SciPy time (below 1: quantora is
faster).

    PYTHONPATH=build/NAME python benchmarks/bench_arrays.py [NAME ...]
"""
import sys

import numpy as np
from scipy import special, stats

import quantora as q
from timing import best_of, lane_unit

SIZE = 10**5
BUDGET = 2.0  # seconds per case before it stops repeating

# name, quantora parameters, SciPy frozen distribution with the same parameters
DISTRIBUTIONS = [
    ("norm", (0.0, 1.0), stats.norm(0.0, 1.0)),
    ("bern", (0.3,), stats.bernoulli(0.3)),
    ("beta", (2.0, 5.0), stats.beta(2.0, 5.0)),
    ("binom", (1000, 0.3), stats.binom(1000, 0.3)),
    ("cauchy", (0.0, 1.0), stats.cauchy(0.0, 1.0)),
    ("chisq", (5.0,), stats.chi2(5.0)),
    ("exp", (2.0,), stats.expon(scale=0.5)),
    ("f", (5.0, 10.0), stats.f(5.0, 10.0)),
    ("gamma", (3.0, 2.0), stats.gamma(3.0, scale=2.0)),
    ("invgamma", (3.0, 2.0), stats.invgamma(3.0, scale=2.0)),
    ("laplace", (0.0, 1.0), stats.laplace(0.0, 1.0)),
    ("lnorm", (0.0, 1.0), stats.lognorm(1.0, scale=1.0)),
    ("logis", (0.0, 1.0), stats.logistic(0.0, 1.0)),
    ("pois", (20.0,), stats.poisson(20.0)),
    ("t", (5.0,), stats.t(5.0)),
    ("unif", (-1.0, 2.0), stats.uniform(-1.0, 3.0)),
    ("weibull", (1.5, 2.0), stats.weibull_min(1.5, scale=2.0)),
]

# Direct scipy.special equivalents, given the inputs and the quantora parameters.
SPECIAL = {
    "pnorm": ("special.ndtr", lambda x, mu, s: special.ndtr((x - mu) / s)),
    "qnorm": ("special.ndtri", lambda p, mu, s: mu + s * special.ndtri(p)),
    "pbeta": ("special.betainc", lambda x, a, b: special.betainc(a, b, x)),
    "qbeta": ("special.betaincinv", lambda p, a, b: special.betaincinv(a, b, p)),
    "pbinom": ("special.bdtr", lambda x, n, prob: special.bdtr(x, n, prob)),
    "pchisq": ("special.chdtr", lambda x, k: special.chdtr(k, x)),
    "qchisq": ("special.gammaincinv", lambda p, k: 2.0 * special.gammaincinv(k / 2, p)),
    "pf": ("special.fdtr", lambda x, d1, d2: special.fdtr(d1, d2, x)),
    "qf": ("special.fdtri", lambda p, d1, d2: special.fdtri(d1, d2, p)),
    "pgamma": ("special.gammainc", lambda x, k, s: special.gammainc(k, x / s)),
    "qgamma": ("special.gammaincinv", lambda p, k, s: s * special.gammaincinv(k, p)),
    "ppois": ("special.pdtr", lambda x, m: special.pdtr(x, m)),
    "pt": ("special.stdtr", lambda x, k: special.stdtr(k, x)),
    "qt": ("special.stdtrit", lambda p, k: special.stdtrit(k, p)),
}


def cases(rng):
    """(name, quantora call, reference label, reference call) for all 51 functions."""
    out = []
    for dist, params, frozen in DISTRIBUTIONS:
        x = frozen.rvs(SIZE, random_state=rng)
        if dist in ("bern", "binom", "pois"):
            x = x.astype(np.int64)
        p = rng.uniform(0.0, 1.0, SIZE)
        discrete = hasattr(frozen.dist, "pmf")
        for prefix, arg, stats_fn in [("d", x, frozen.pmf if discrete else frozen.pdf),
                                      ("p", x, frozen.cdf), ("q", p, frozen.ppf)]:
            name = prefix + dist
            ours = getattr(q, name)
            label, special_fn = SPECIAL.get(name, (None, None))
            if special_fn is None:
                kind = {"d": "pmf" if discrete else "pdf", "p": "cdf", "q": "ppf"}[prefix]
                label, ref = f"stats.{frozen.dist.name}.{kind}", (lambda fn=stats_fn, a=arg: fn(a))
            else:
                ref = lambda fn=special_fn, a=arg, ps=params: fn(a, *ps)
            out.append((name, lambda fn=ours, a=arg, ps=params: fn(a, *ps), label, ref))
    return out


def main(names=()):
    rng = np.random.default_rng(2024)
    print(f"d, p, q over {SIZE} typical inputs, scalar parameters; ns per element; "
          f"ratio = quantora / SciPy; vector lanes: {lane_unit()}")
    print(f"{'function':<11}{'quantora':>10}{'SciPy':>10}{'ratio':>9}  reference")
    for name, ours, label, ref in cases(rng):
        if names and name not in names:
            continue
        t_ours = best_of(ours, 3, BUDGET)
        t_ref = best_of(ref, 3, BUDGET)
        print(f"{name:<11}{t_ours / SIZE * 1e9:>10.1f}{t_ref / SIZE * 1e9:>10.1f}"
              f"{t_ours / t_ref:>9.2f}  {label}", flush=True)


if __name__ == "__main__":
    main(sys.argv[1:])
