"""Draws per second into arrays of 10^6, against NumPy's Generator in the same run.

Run: PYTHONPATH=build/<dir> python benchmarks/bench_random.py
A ratio above 1 means quantora is faster than NumPy for that case."""

import numpy as np

import quantora
from timing import best_of

N = 10**6
REPEATS = 5

CASES = [
    ("rnorm(0, 1)", lambda e: quantora.rnorm(0.0, 1.0, N, e), lambda g: g.normal(0.0, 1.0, N)),
    ("rgamma(3, 2)", lambda e: quantora.rgamma(3.0, 2.0, N, e), lambda g: g.gamma(3.0, 2.0, N)),
    ("rgamma(0.5, 1)", lambda e: quantora.rgamma(0.5, 1.0, N, e), lambda g: g.gamma(0.5, 1.0, N)),
    ("rbinom(10, 0.5)", lambda e: quantora.rbinom(10, 0.5, N, e), lambda g: g.binomial(10, 0.5, N)),
    ("runif(0, 1)", lambda e: quantora.runif(0.0, 1.0, N, e), lambda g: g.uniform(0.0, 1.0, N)),
]


def best_rate(draw, source):
    return N / best_of(lambda: draw(source), REPEATS)


def main():
    engine = quantora.Engine(1)
    generator = np.random.default_rng(1)
    print(f"{'case':<18}{'quantora draws/s':>18}{'numpy draws/s':>16}{'ratio':>8}")
    for name, ours, theirs in CASES:
        ours_rate = best_rate(ours, engine)
        theirs_rate = best_rate(theirs, generator)
        print(f"{name:<18}{ours_rate:>18.3e}{theirs_rate:>16.3e}{ours_rate / theirs_rate:>8.2f}")


if __name__ == "__main__":
    main()
