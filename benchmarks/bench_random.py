"""Draws per second into arrays of 10^6, against NumPy's Generator in the same run.

Run: PYTHONPATH=build/<dir> python benchmarks/bench_random.py [--n N]
A ratio above 1 means quantora is faster than NumPy for that case. The last
column is the scalar call (one draw per call) beside NumPy's scalar draw."""

import argparse

import numpy as np

import quantora
from timing import best_of

REPEATS = 5
SCALAR_CALLS = 10**4

# quantora function, its parameters, array length divisor, NumPy's counterpart (generator, size)
CASES = [
    ("rnorm", (0.0, 1.0), 1, lambda g, n: g.normal(0.0, 1.0, n)),
    ("rbern", (0.3,), 1, lambda g, n: g.binomial(1, 0.3, n)),
    ("rbeta", (2.0, 3.0), 1, lambda g, n: g.beta(2.0, 3.0, n)),
    ("rbinom", (10, 0.5), 1, lambda g, n: g.binomial(10, 0.5, n)),
    ("rbinom", (1000, 0.3), 100, lambda g, n: g.binomial(1000, 0.3, n)),
    ("rcauchy", (0.0, 1.0), 1, lambda g, n: g.standard_cauchy(n)),
    ("rchisq", (3.0,), 1, lambda g, n: g.chisquare(3.0, n)),
    ("rexp", (2.0,), 1, lambda g, n: g.exponential(0.5, n)),
    ("rf", (3.0, 5.0), 1, lambda g, n: g.f(3.0, 5.0, n)),
    ("rgamma", (3.0, 2.0), 1, lambda g, n: g.gamma(3.0, 2.0, n)),
    ("rgamma", (0.5, 1.0), 1, lambda g, n: g.gamma(0.5, 1.0, n)),
    ("rinvgamma", (3.0, 2.0), 1, lambda g, n: 1 / g.gamma(3.0, 0.5, n)),
    ("rlaplace", (0.0, 1.0), 1, lambda g, n: g.laplace(0.0, 1.0, n)),
    ("rlnorm", (0.0, 1.0), 1, lambda g, n: g.lognormal(0.0, 1.0, n)),
    ("rlogis", (0.0, 1.0), 1, lambda g, n: g.logistic(0.0, 1.0, n)),
    ("rpois", (4.0,), 1, lambda g, n: g.poisson(4.0, n)),
    ("rt", (3.0,), 1, lambda g, n: g.standard_t(3.0, n)),
    ("runif", (0.0, 1.0), 1, lambda g, n: g.uniform(0.0, 1.0, n)),
    ("rweibull", (2.0, 1.0), 1, lambda g, n: g.weibull(2.0, n)),
]


def rate(fn, n):
    return n / best_of(fn, REPEATS)


def scalar_ratio(ours, theirs):
    """Scalar calls per second, quantora's over NumPy's, each one draw per call."""
    def loop_ours():
        for _ in range(SCALAR_CALLS):
            ours()

    def loop_theirs():
        for _ in range(SCALAR_CALLS):
            theirs()

    return best_of(loop_theirs, REPEATS) / best_of(loop_ours, REPEATS)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--n", type=int, default=10**6, help="draws per array call")
    n = parser.parse_args().n
    engine = quantora.Engine(1)
    generator = np.random.default_rng(1)
    print(f"{'case':<20}{'quantora draws/s':>18}{'numpy draws/s':>16}{'ratio':>8}{'scalar ratio':>14}")
    for name, params, divisor, theirs in CASES:
        ours = getattr(quantora, name)
        size = n // divisor
        ours_rate = rate(lambda: ours(*params, size, engine), size)
        theirs_rate = rate(lambda: theirs(generator, size), size)
        one = scalar_ratio(lambda: ours(*params, engine), lambda: theirs(generator, None))
        label = f"{name}{params}".replace(" ", "")
        print(f"{label:<20}{ours_rate:>18.3e}{theirs_rate:>16.3e}{ours_rate / theirs_rate:>8.2f}{one:>14.2f}")


if __name__ == "__main__":
    main()
