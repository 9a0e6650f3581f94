"""Distribution functions over arrays beside SciPy, timed in the same run.

Prints seconds per call (best of several repeats) and the ratio of quantora's
time to each SciPy equivalent; below 1 means quantora is faster. Finishes with
single calls of the binomial sum at a billion trials.

    PYTHONPATH=build/NAME python benchmarks/bench_cdf.py
"""

import numpy as np
from scipy import special, stats

import quantora as q
from timing import best_of

SIZE = 10**5


def cases(rng):
    x_gamma = rng.uniform(0.01, 30, SIZE)
    shape = rng.uniform(0.5, 20, SIZE)
    scale = rng.uniform(0.5, 2, SIZE)
    x_beta = rng.uniform(0.001, 0.999, SIZE)
    a = rng.uniform(0.5, 20, SIZE)
    b = rng.uniform(0.5, 20, SIZE)
    x_t = rng.uniform(-6, 6, SIZE)
    dof = rng.uniform(1, 40, SIZE)
    n = rng.integers(2, 200, SIZE)
    k_binom = (rng.uniform(0, 1, SIZE) * n).astype(np.int64)
    prob = rng.uniform(0.05, 0.95, SIZE)
    k_pois = rng.integers(0, 40, SIZE)
    rate = rng.uniform(0.5, 30, SIZE)
    return [
        ("pgamma", lambda: q.pgamma(x_gamma, shape, scale),
         [("special.gammainc", lambda: special.gammainc(shape, x_gamma / scale)),
          ("stats.gamma.cdf", lambda: stats.gamma.cdf(x_gamma, shape, scale=scale))]),
        ("pbeta", lambda: q.pbeta(x_beta, a, b),
         [("special.betainc", lambda: special.betainc(a, b, x_beta)),
          ("stats.beta.cdf", lambda: stats.beta.cdf(x_beta, a, b))]),
        ("pt", lambda: q.pt(x_t, dof),
         [("special.stdtr", lambda: special.stdtr(dof, x_t)),
          ("stats.t.cdf", lambda: stats.t.cdf(x_t, dof))]),
        ("pbinom", lambda: q.pbinom(k_binom, n, prob),
         [("special.bdtr", lambda: special.bdtr(k_binom, n, prob)),
          ("stats.binom.cdf", lambda: stats.binom.cdf(k_binom, n, prob))]),
        ("ppois", lambda: q.ppois(k_pois, rate),
         [("special.pdtr", lambda: special.pdtr(k_pois, rate)),
          ("stats.poisson.cdf", lambda: stats.poisson.cdf(k_pois, rate))]),
    ]


def main():
    rng = np.random.default_rng(2024)
    print(f"arrays of {SIZE} elements; time in ms, ratio = quantora / SciPy")
    for name, ours, theirs in cases(rng):
        t_ours = best_of(ours, repeat=5)
        line = f"{name:8s} {t_ours * 1e3:9.2f} ms"
        for label, fn in theirs:
            t = best_of(fn, repeat=5)
            line += f" | {label} {t * 1e3:8.2f} ms ratio {t_ours / t:6.2f}"
        print(line)

    for args in [(5 * 10**8, 10**9, 0.5), (10**9 - 1, 10**9, 0.5), (10**6 // 3, 10**6, 0.3)]:
        t = best_of(lambda: q.pbinom(*args), repeat=3)
        t_ref = best_of(lambda: stats.binom.cdf(*args), repeat=3)
        print(f"pbinom{args}: {t * 1e3:.1f} ms (stats.binom.cdf {t_ref * 1e3:.3f} ms)")


if __name__ == "__main__":
    main()
