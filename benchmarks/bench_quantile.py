"""Quantile timings beside SciPy, from one run, printed as ratios.

    PYTHONPATH=build/<dir> python benchmarks/bench_quantile.py
"""

import numpy as np
from scipy import special, stats

import quantora as q
from timing import best_of


def literal_qbinom(p, n, prob):
    k, cum = 0, 0.0
    while p > cum:
        cum = q.pbinom(k, n, prob)
        k += 1
    return k - 1


def main():
    rng = np.random.default_rng(1)

    ps = rng.uniform(0, 1, 10**6)
    ours = best_of(lambda: q.qnorm(ps))
    ndtri = best_of(lambda: special.ndtri(ps))
    ppf = best_of(lambda: stats.norm.ppf(ps))
    print(f"qnorm, 10^6 probabilities: {ours:.3f} s; "
          f"x{ours / ndtri:.1f} scipy.special.ndtri ({ndtri:.4f} s), "
          f"x{ours / ppf:.1f} scipy.stats.norm.ppf ({ppf:.4f} s)")

    size = 10**4
    ps = rng.uniform(0, 1, size)
    cases = [
        ("qgamma(p, 3.5, 2)", lambda: q.qgamma(ps, 3.5, 2.0), lambda: special.gammaincinv(3.5, ps) * 2.0),
        ("qbeta(p, 2.5, 7)", lambda: q.qbeta(ps, 2.5, 7.0), lambda: special.betaincinv(2.5, 7.0, ps)),
        ("qt(p, 4.5)", lambda: q.qt(ps, 4.5), lambda: special.stdtrit(4.5, ps)),
        ("qt(p, 1.7)", lambda: q.qt(ps, 1.7), lambda: special.stdtrit(1.7, ps)),
        ("qbinom(p, 1000, 0.3)", lambda: q.qbinom(ps, 1000, 0.3), lambda: stats.binom.ppf(ps, 1000, 0.3)),
        ("qpois(p, 7.5)", lambda: q.qpois(ps, 7.5), lambda: stats.poisson.ppf(ps, 7.5)),
        ("qpois(p, 1e4)", lambda: q.qpois(ps, 1e4), lambda: stats.poisson.ppf(ps, 1e4)),
    ]
    for label, ours_fn, ref_fn in cases:
        ours = best_of(ours_fn, 1)
        ref = best_of(ref_fn)
        print(f"{label:<22} 10^4 probabilities: {ours:.4f} s, x{ours / ref:.1f} SciPy ({ref:.4f} s)")

    single = best_of(lambda: q.qbinom(0.5, 10**6, 0.3))
    print(f"qbinom(0.5, 10**6, 0.3): {single:.4f} s")

    # The literal scan costs one full distribution function per count below the
    # answer; time it on a subset and extrapolate to the 10^4 probabilities.
    subset = ps[:40]
    literal = best_of(lambda: [literal_qbinom(p, 1000, 0.3) for p in subset], 1) * (size / subset.size)
    fast = best_of(lambda: q.qbinom(ps, 1000, 0.3), 1)
    print(f"qbinom, 10^4 probabilities, n = 1000: {fast:.4f} s; literal scan "
          f"{literal:.2f} s (extrapolated from {subset.size}); x{literal / fast:.0f} faster")


if __name__ == "__main__":
    main()
