"""Calls with plain Python scalars, beside the SciPy and NumPy calls users make for one value.

Each case times a loop of CALLS calls in the same way for both sides. Ratio = quantora
time / reference time.

    PYTHONPATH=build/NAME python benchmarks/bench_scalar.py
"""
import numpy as np
from scipy import special

import quantora as q
from timing import best_of

CALLS = 10**5

CASES = [
    ("dnorm(0.5)", lambda: q.dnorm(0.5), "special.ndtr(0.5)", lambda: special.ndtr(0.5)),
    ("pnorm(0.5)", lambda: q.pnorm(0.5), "special.ndtr(0.5)", lambda: special.ndtr(0.5)),
    ("qnorm(0.3)", lambda: q.qnorm(0.3), "special.ndtri(0.3)", lambda: special.ndtri(0.3)),
    ("pgamma(2.0, 3.0, 1.0)", lambda: q.pgamma(2.0, 3.0, 1.0),
     "special.gammainc(3.0, 2.0)", lambda: special.gammainc(3.0, 2.0)),
    ("dbinom(3, 10, 0.5, log=True)", lambda: q.dbinom(3, 10, 0.5, log=True),
     "special.bdtr(3, 10, 0.5)", lambda: special.bdtr(3, 10, 0.5)),
    ("pexp(1, 2)", lambda: q.pexp(1, 2), "special.expm1(-2.0)", lambda: special.expm1(-2.0)),
    ("dnorm(np.float64(0.5))", lambda x=np.float64(0.5): q.dnorm(x),
     "special.ndtr(np.float64(0.5))", lambda x=np.float64(0.5): special.ndtr(x)),
]


def per_call(fn):
    def loop():
        for _ in range(CALLS):
            fn()
    return best_of(loop, 5) / CALLS


def main():
    print(f"scalar calls, a loop of {CALLS}; ns per call; ratio = quantora / reference")
    print(f"{'quantora':<30}{'ns':>8}  {'reference':<30}{'ns':>8}{'ratio':>8}")
    for name, ours, label, ref in CASES:
        t_ours, t_ref = per_call(ours), per_call(ref)
        print(f"{name:<30}{t_ours * 1e9:>8.0f}  {label:<30}{t_ref * 1e9:>8.0f}{t_ours / t_ref:>8.2f}", flush=True)


if __name__ == "__main__":
    main()
