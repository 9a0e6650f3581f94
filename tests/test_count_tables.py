"""Array calls of qpois, qbinom and rpois with single parameters: the tables they
share across a call give exactly the scalar kernels' answers and draws, from
random p, p at and beside every step of the distribution function, the ends
and specials of p, and parameters from tiny to beyond the tables' bounds."""
import math

import numpy as np
import pytest

import quantora as q

SPECIAL_P = [0.0, -0.0, 1.0, 5e-324, 2.0**-1022, 2.0**-33, 2.0**-32, 2.0**-31, 1e-300, 0.5,
             1 - 2.0**-53, 1 - 2.0**-52, 1 - 1e-12, math.nan, -1.0, 2.0, math.inf, -math.inf]


def assert_same_bits(got, want, context):
    got = np.asarray(got, dtype=float)
    want = np.asarray(want, dtype=float)
    same = (got.view(np.int64) == want.view(np.int64)) | (np.isnan(got) & np.isnan(want))
    bad = np.flatnonzero(~same)
    assert bad.size == 0, f"{context}: {bad.size} differ, first at {bad[0]}: got {got[bad[0]]!r}, want {want[bad[0]]!r}"


def steps(cdf_at_counts):
    """p at each value of the distribution function and one double either side."""
    f = np.asarray(cdf_at_counts, dtype=float)
    return np.concatenate([f, np.nextafter(f, 0), np.nextafter(f, 1)])


def probes(rng, random_count, counts, cdf):
    """Random p first (so the table has grown when the rest arrive), then the
    steps over the counts, the specials, and all of it again shuffled."""
    head = np.concatenate([rng.random(random_count), rng.random(random_count // 4) ** 8])
    tail = np.concatenate([steps(cdf(counts)), SPECIAL_P])
    mixed = np.concatenate([head[: random_count // 4], tail])
    rng.shuffle(mixed)
    return np.concatenate([head, tail, mixed])


def counts_around(mean, sd, upper, most):
    """Counts from far below the mean to beyond where the function reaches 1, `most` at most."""
    lo = max(0, int(mean - 9 * sd) - 3)
    hi = min(upper, int(mean + 12 * sd) + 40)
    if hi - lo >= most:
        return np.unique(np.linspace(lo, hi, most).astype(np.int64))
    return np.arange(lo, hi + 1, dtype=np.int64)


# Rates from below the point-mass limit to beyond the tables' memory bound
# (about 1.2e8), where the call evaluates each p with the kernel: (rate, random
# p, counts whose steps are probed).
RATES = [(1e-300, 2000, 50), (1e-17, 2000, 50), (2.0**-52, 2000, 50), (3e-16, 2000, 50), (1e-6, 2000, 50),
         (0.5, 8000, 100), (10.99, 8000, 200), (11.0, 8000, 200), (20.0, 8000, 300), (1000.0, 8000, 1200),
         (123456.7, 3000, 1000), (1.19e8, 100, 10), (1.2e8, 100, 10), (3e8, 100, 10), (2.0**62, 40, 6),
         (2.0**63, 40, 6)]


@pytest.mark.parametrize("rate, size, most", RATES)
def test_qpois_arrays_give_the_kernels_answers(rate, size, most):
    rng = np.random.default_rng(int(rate * 1000) % 2**32)
    counts = counts_around(rate, math.sqrt(rate), 2**62, most)
    p = probes(rng, size, counts, lambda k: q.ppois(k, rate))
    want = [q.qpois(float(x), rate) for x in p]
    assert_same_bits(q.qpois(p, rate), want, f"rate {rate}")


@pytest.mark.parametrize("rate", [0.0, -0.0, -1.0, math.nan, math.inf])
def test_qpois_arrays_at_degenerate_rates(rate):
    p = np.concatenate([np.random.default_rng(3).random(2000), SPECIAL_P])
    assert_same_bits(q.qpois(p, rate), [q.qpois(float(x), rate) for x in p], f"rate {rate}")


# (n, prob, random p, counts whose steps are probed); from 10^9 trials at 0.5 on
# the table would pass the memory bound.
TRIALS = [(0, 0.3, 1000, 5), (1, 0.5, 2000, 5), (8, 0.5, 2000, 12), (9, 0.3, 2000, 12),
          (20, 0.999, 2000, 30), (1000, 0.3, 5000, 400), (1000, 1e-300, 2000, 40),
          (1000, 1 - 2.0**-53, 2000, 40), (1000, 0.0, 1000, 40), (1000, 1.0, 1000, 40),
          (10**6, 1e-3, 4000, 600), (10**9, 0.5, 60, 10), (2**62, 1e-15, 2000, 700),
          (2**63 - 1, 0.5, 20, 4), (2**63 - 1, 1e-18, 1000, 100)]


@pytest.mark.parametrize("n, prob, size, most", TRIALS)
def test_qbinom_arrays_give_the_kernels_answers(n, prob, size, most):
    rng = np.random.default_rng(n % 2**32)
    mean = n * prob
    counts = counts_around(mean, math.sqrt(mean * (1 - prob)), n, most)
    p = probes(rng, size, counts, lambda k: q.pbinom(k, n, prob))
    want = [q.qbinom(float(x), n, prob) for x in p]
    assert_same_bits(q.qbinom(p, n, prob), want, f"n {n}, prob {prob}")


@pytest.mark.parametrize("n, prob", [(-1, 0.3), (10, math.nan), (10, -0.1), (10, 1.5), (10, math.inf)])
def test_qbinom_arrays_at_invalid_parameters(n, prob):
    p = np.concatenate([np.random.default_rng(5).random(1000), SPECIAL_P])
    assert_same_bits(q.qbinom(p, n, prob), [q.qbinom(float(x), n, prob) for x in p], f"n {n}, prob {prob}")


def test_a_broadcast_call_shares_one_table_across_its_shape():
    p = np.random.default_rng(11).random((40, 250))
    want = np.array([[q.qpois(float(x), 37.5) for x in row] for row in p])
    assert_same_bits(q.qpois(p, np.float64(37.5)), want, "2-d")
    assert_same_bits(q.qpois(p.T, 37.5), want.T, "transposed")


@pytest.mark.parametrize("rate, size", [(1e-300, 3000), (1e-17, 3000), (0.5, 20000), (4.0, 20000),
                                        (20.0, 20000), (1000.0, 8000), (123456.7, 2000), (3e8, 100),
                                        (2.0**62, 30), (math.inf, 100), (math.nan, 100), (-1.0, 100),
                                        (0.0, 100)])
def test_rpois_arrays_draw_the_scalar_draws_from_the_same_outputs(rate, size):
    seed = 20240 + size
    ours = q.Engine(seed)
    theirs = q.Engine(seed)
    got = q.rpois(rate, size, engine=ours)
    want = [q.rpois(rate, engine=theirs) for _ in range(size)]
    assert_same_bits(got, want, f"rate {rate}")
    # The same engine outputs consumed: both streams go on alike.
    assert_same_bits(q.runif(0.0, 1.0, 8, engine=ours), q.runif(0.0, 1.0, 8, engine=theirs), "after")
