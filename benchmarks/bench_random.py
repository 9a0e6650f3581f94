"""All 17 generators into arrays of 10^6, beside NumPy's Generator in the same run.

Ratio = quantora time / NumPy time (below 1: quantora is faster).

    PYTHONPATH=build/NAME python benchmarks/bench_random.py
"""
import numpy as np

import quantora as q
from timing import best_of

N = 10**6
BUDGET = 2.0  # seconds per case before it stops repeating

# label, quantora draw into N given an Engine, NumPy draw of the same law given a Generator
CASES = [
    ("rnorm(0, 1)", lambda e: q.rnorm(0.0, 1.0, N, e), lambda g: g.normal(0.0, 1.0, N)),
    ("rbern(0.3)", lambda e: q.rbern(0.3, N, e), lambda g: g.binomial(1, 0.3, N)),
    ("rbeta(2, 5)", lambda e: q.rbeta(2.0, 5.0, N, e), lambda g: g.beta(2.0, 5.0, N)),
    ("rbinom(1000, 0.3)", lambda e: q.rbinom(1000, 0.3, N, e), lambda g: g.binomial(1000, 0.3, N)),
    ("rcauchy(0, 1)", lambda e: q.rcauchy(0.0, 1.0, N, e), lambda g: g.standard_cauchy(N)),
    ("rchisq(5)", lambda e: q.rchisq(5.0, N, e), lambda g: g.chisquare(5.0, N)),
    ("rexp(2)", lambda e: q.rexp(2.0, N, e), lambda g: g.exponential(0.5, N)),
    ("rf(5, 10)", lambda e: q.rf(5.0, 10.0, N, e), lambda g: g.f(5.0, 10.0, N)),
    ("rgamma(3, 2)", lambda e: q.rgamma(3.0, 2.0, N, e), lambda g: g.gamma(3.0, 2.0, N)),
    ("rinvgamma(3, 2)", lambda e: q.rinvgamma(3.0, 2.0, N, e), lambda g: 2.0 / g.gamma(3.0, 1.0, N)),
    ("rlaplace(0, 1)", lambda e: q.rlaplace(0.0, 1.0, N, e), lambda g: g.laplace(0.0, 1.0, N)),
    ("rlnorm(0, 1)", lambda e: q.rlnorm(0.0, 1.0, N, e), lambda g: g.lognormal(0.0, 1.0, N)),
    ("rlogis(0, 1)", lambda e: q.rlogis(0.0, 1.0, N, e), lambda g: g.logistic(0.0, 1.0, N)),
    ("rpois(20)", lambda e: q.rpois(20.0, N, e), lambda g: g.poisson(20.0, N)),
    ("rt(5)", lambda e: q.rt(5.0, N, e), lambda g: g.standard_t(5.0, N)),
    ("runif(-1, 2)", lambda e: q.runif(-1.0, 2.0, N, e), lambda g: g.uniform(-1.0, 2.0, N)),
    ("rweibull(1.5, 2)", lambda e: q.rweibull(1.5, 2.0, N, e), lambda g: 2.0 * g.weibull(1.5, N)),
]


def main():
    engine = q.Engine(1)
    generator = np.random.default_rng(1)
    print(f"r into arrays of {N}; ns per draw; ratio = quantora / NumPy Generator")
    print(f"{'case':<20}{'quantora':>10}{'NumPy':>10}{'ratio':>9}")
    for name, ours, theirs in CASES:
        t_ours = best_of(lambda: ours(engine), 3, BUDGET)
        t_ref = best_of(lambda: theirs(generator), 3, BUDGET)
        print(f"{name:<20}{t_ours / N * 1e9:>10.1f}{t_ref / N * 1e9:>10.1f}{t_ours / t_ref:>9.2f}", flush=True)


if __name__ == "__main__":
    main()
