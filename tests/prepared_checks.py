"""Array calls with single parameters against the scalar kernels: random
probabilities with both far tails and the specials of p, compared bit for bit."""
import math

import numpy as np

SPECIAL_P = [0.0, -0.0, 1.0, 5e-324, 1e-310, 2.0**-53, 1e-20, 0.5, 1 - 2.0**-53, 1 - 1e-12, math.nan, -0.5,
             1.5, math.inf]


def probes(size, seed):
    rng = np.random.default_rng(seed)
    return np.concatenate([rng.random(size), rng.random(size // 4) ** 30, 1 - rng.random(size // 4) ** 30,
                           SPECIAL_P])


def assert_same_bits(got, want, context):
    got = np.asarray(got, dtype=float)
    want = np.asarray(want, dtype=float)
    same = (got.view(np.int64) == want.view(np.int64)) | (np.isnan(got) & np.isnan(want))
    bad = np.flatnonzero(~same)
    assert bad.size == 0, f"{context}: {bad.size} differ, first at {bad[0]}: got {got[bad[0]]!r}, want {want[bad[0]]!r}"
