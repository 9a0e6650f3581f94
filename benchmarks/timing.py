"""The one timing rule of the benchmarks: the best wall-clock time of a few repeats; and which vector
unit the lane kernels run on, for the record.

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


def lane_unit():
    """The vector unit the module's lane kernels run on: the widest this processor reports (as NumPy
    reads it), or, in a test build that can force one, the unit in force."""
    import quantora
    if hasattr(quantora, "_lane_units"):
        return quantora._lane_units()[-1]
    try:
        from numpy._core._multiarray_umath import __cpu_features__ as features
    except ImportError:
        from numpy.core._multiarray_umath import __cpu_features__ as features
    if features.get("AVX512F"):
        return "avx512 (2 vectors of 8 lanes)"
    if features.get("AVX2"):
        return "avx2 (2 vectors of 4 lanes)"
    return "base: SSE2 or aarch64's (4 vectors of 2 lanes)"
