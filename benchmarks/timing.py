"""The one timing rule of the benchmarks: the best wall-clock time of a few repeats.

A case that is slow already once (beyond ``budget`` seconds in all) stops repeating: its
best time is then clear enough, and a full run of every benchmark stays within minutes."""
import time


def best_of(fn, repeat=3, budget=float("inf")):
    best, spent = float("inf"), 0.0
    for _ in range(repeat):
        start = time.perf_counter()
        fn()
        elapsed = time.perf_counter() - start
        best, spent = min(best, elapsed), spent + elapsed
        if spent > budget:
            break
    return best
