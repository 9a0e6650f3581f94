"""The one timing rule of the benchmarks: the best wall-clock time of a few repeats."""
import time


def best_of(fn, repeat=3):
    best = float("inf")
    for _ in range(repeat):
        start = time.perf_counter()
        fn()
        best = min(best, time.perf_counter() - start)
    return best
