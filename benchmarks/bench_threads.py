"""Two Python threads against one on large arrays, beside SciPy's ufuncs doing the same.

One thread evaluates the function over the array twice in a row; two threads evaluate it
once each at the same time. Speed-up = one-thread time / two-thread time: 2 when both
cores do the work, 1 when a call holds the interpreter lock. Meaningful only on an
otherwise idle machine with at least two cores.

    PYTHONPATH=build/NAME python benchmarks/bench_threads.py
"""
import threading

import numpy as np
from scipy import special

import quantora as q
from timing import best_of

SIZE = 10**6


def twice_in_one_thread(fn):
    fn()
    fn()


def once_in_each_of_two_threads(fn):
    threads = [threading.Thread(target=fn) for _ in range(2)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()


def main():
    rng = np.random.default_rng(7)
    x = rng.gamma(3.0, 2.0, SIZE)
    z = rng.normal(0.0, 1.0, SIZE)
    cases = [
        ("pgamma(x, 3, 2)", lambda: q.pgamma(x, 3.0, 2.0)),
        ("special.gammainc(3, x / 2)", lambda: special.gammainc(3.0, x / 2.0)),
        ("pnorm(z)", lambda: q.pnorm(z)),
        ("special.ndtr(z)", lambda: special.ndtr(z)),
    ]
    print(f"two threads against one, arrays of {SIZE}; speed-up = one thread / two threads")
    print(f"{'call':<28}{'1 thread s':>12}{'2 threads s':>13}{'speed-up':>10}")
    for name, fn in cases:
        one = best_of(lambda: twice_in_one_thread(fn), 3)
        two = best_of(lambda: once_in_each_of_two_threads(fn), 3)
        print(f"{name:<28}{one:>12.3f}{two:>13.3f}{one / two:>10.2f}", flush=True)


if __name__ == "__main__":
    main()
