"""Binomial and Poisson quantiles: special values, tie rules, the Poisson start
value, and identical answers to the literal count-by-count scan (binomial) and
to the least count whose distribution function reaches p (Poisson)."""
import math

import numpy as np
import pytest
from scipy import stats

import quantora as q
from exact import assert_bits

INF = math.inf
NAN = math.nan


def literal_qbinom(p, n, prob):
    """Scan k = 0, 1, ... while p > pbinom(k); the answer is the count that ended it."""
    k, cum = 0, 0.0
    while p > cum:
        cum = q.pbinom(k, n, prob)
        k += 1
    return k - 1


def smallest_reaching_count(p, rate):
    """The least count k with ppois(k) >= p, checked at k and k - 1 (ppois increases with k)."""
    k = int(q.qpois(p, rate))
    assert q.ppois(k, rate) >= p and (k == 0 or q.ppois(k - 1, rate) < p), (p, rate, k)
    return k


BINOM_EXACT = [
    ((0.5, 0, 0.3), 0.0),
    ((1, 0, 0.3), 0.0),
    ((1, 10, 0.3), 10.0),
    ((0, 10, 0.3), 0.0),
    ((0.5, 1, 0.5), 0.0),
    ((0.5, 10, 0.0), 0.0),
    ((0.5, 10, 1.0), 10.0),
    ((1 - 2.0**-53, 10, 1.0), 10.0),
    ((0.5, -1, 0.5), NAN),
    ((0, -1, 0.5), NAN),
    ((1, 5, 1.5), NAN),
    ((0.5, 5, INF), NAN),
    ((0.5, 5, -INF), NAN),
    ((0.5, 5, NAN), NAN),
    ((1.2, 5, 0.5), NAN),
    ((NAN, 5, 0.5), NAN),
]


@pytest.mark.parametrize("args, want", BINOM_EXACT, ids=[str(a) for a, _ in BINOM_EXACT])
def test_qbinom_exact(args, want):
    assert_bits(q.qbinom(*args), want, f"qbinom{args}")


POIS_EXACT = [
    ((0.0, 0.0), 0.0),
    ((0.5, 0.0), 0.0),
    ((1.0, 0.0), 0.0),
    ((1.0, 1e-17), 0.0),
    ((1.0, 5.0), INF),
    ((0.0, 5.0), 0.0),
    ((0.5, -1.0), NAN),
    ((0.5, NAN), NAN),
    ((NAN, 5.0), NAN),
    ((0.5, 11.0), 11.0),
    # Infinite rates, and start values beyond the 64-bit counts, give +infinity
    # without a scan; p == 0 is decided first.
    ((0.5, INF), INF),
    ((0.0, INF), 0.0),
    ((0.5, 1e300), INF),
    ((1e-20, 1e300), INF),
]


@pytest.mark.parametrize("args, want", POIS_EXACT, ids=[str(a) for a, _ in POIS_EXACT])
def test_qpois_exact(args, want):
    assert_bits(q.qpois(*args), want, f"qpois{args}")


def test_qpois_start_value_example():
    # qnorm(0.5, 11, sqrt 11) is 11: start at 8, whose F is below 0.5, then search up.
    assert q.ppois(8, 11) <= 0.5 < q.ppois(11, 11)
    assert q.qpois(0.5, 11) == 11
    assert q.qpois(0.5, 10.9) == smallest_reaching_count(0.5, 10.9)


def test_qpois_searches_below_the_start_value():
    # With F(k0) >= p the answer lies at or below k0 and is searched for, not
    # taken as k0 - 1: qpois(1e-300, 50) is 0 (was 5).
    rate = 11.0
    assert q.qpois(q.ppois(0, rate) / 2, rate) == 0
    assert q.qpois(1e-300, 50.0) == 0
    for p in 10.0 ** -np.linspace(10, 16, 61):
        smallest_reaching_count(p, 1e6)


def test_tie_rules():
    # Both scans stop where the distribution function reaches p, ties included:
    # the quantile is the least count with F(k) >= p.
    for n, prob in ((20, 0.3), (57, 0.81), (300, 0.5)):
        for k in (0, 3, n // 2):
            assert q.qbinom(q.pbinom(k, n, prob), n, prob) == k
    for rate in (0.7, 4.0, 10.0, 11.0, 35.5):
        for k in (0, 2, 9):
            F = q.ppois(k, rate)
            if F < 1:
                assert q.qpois(F, rate) == k


def test_qbinom_one_trial_is_bernoulli():
    ps = np.linspace(0.01, 0.99, 99)
    for prob in (0.0, 0.2, 0.5, 0.7, 1.0):
        np.testing.assert_array_equal(q.qbinom(ps, 1, prob), q.qbern(ps, prob))


def random_binomial_cases(seed, count):
    rng = np.random.default_rng(seed)
    cases = []
    for _ in range(count):
        n = int(rng.choice([int(rng.integers(9, 60)), int(rng.integers(60, 3000))]))
        prob = float(rng.choice([rng.uniform(0, 1), 10.0 ** rng.uniform(-4, -1), 1 - 10.0 ** rng.uniform(-4, -1)]))
        k = int(rng.integers(0, n))
        F = q.pbinom(k, n, prob)
        for p in (
            10.0 ** rng.uniform(-300, -1),
            1 - 10.0 ** rng.uniform(-16, -1),
            0.5,
            rng.uniform(0, 1),
            F,
            math.nextafter(F, 0),
            math.nextafter(F, 1),
        ):
            if 0 < p < 1:
                cases.append((p, n, prob))
    return cases


def test_qbinom_matches_literal_scan():
    cases = random_binomial_cases(2024, 40)
    mismatched = [(c, q.qbinom(*c), literal_qbinom(*c)) for c in cases if q.qbinom(*c) != literal_qbinom(*c)]
    assert not mismatched, mismatched[:5]


@pytest.mark.parametrize("n, prob", [(1000, 0.3), (2500, 0.999), (3000, 1e-3)])
def test_qbinom_matches_literal_scan_in_the_upper_tail(n, prob):
    # Near 1 the computed distribution function is flat within rounding and can
    # step down; every p that equals one of its values is a tie to resolve.
    F = q.pbinom(np.arange(n), n, prob)
    ps = sorted({float(v) for v in F if 1 - 1e-9 < v < 1} | {1 - 2.0**-53, 1 - 1e-15})
    for p in ps[:40]:
        assert q.qbinom(p, n, prob) == literal_qbinom(p, n, prob), p


@pytest.mark.parametrize("n, prob, window", [(5 * 10**10, 1e-8, 1200), (10**17, 3e-15, 800)])
def test_qbinom_matches_literal_scan_past_ten_billion_trials(n, prob, window):
    # Means of a few hundred keep the literal scan short, while the counts of
    # trials make every log-gamma term of the masses 10^12 or more. The window
    # runs past the count where the computed distribution function stops
    # changing, so every p up to its top is answered inside it and every p
    # above it by n_trials.
    F = q.pbinom(np.arange(window), n, prob)
    rng = np.random.default_rng(window)
    ties = [float(F[k]) for k in rng.integers(0, window, 10)]
    ps = {1e-300, 5e-324, float(F[0]), float(F[0]) / 2, 0.5, 1 - 2.0**-53}
    ps |= {float(v) for v in rng.uniform(0, 1, 8)} | set(ties)
    ps |= {math.nextafter(t, 0) for t in ties} | {math.nextafter(t, 1) for t in ties}
    ps |= {float(v) for v in F if 1 - 1e-12 < v}
    top = F.max()
    for p in sorted(v for v in ps if 0 < v < 1):
        want = int(np.argmax(~(p > F))) if p <= top else n
        assert q.qbinom(p, n, prob) == want, p.hex()


def test_qbinom_with_a_trillion_trials_completes():
    # One pass over some ten standard deviations of masses, not a scan.
    k = q.qbinom(0.5, 10**12, 0.3)
    assert abs(k - 3e11) < 5 * math.sqrt(10**12 * 0.21)


def random_poisson_cases(seed, count):
    rng = np.random.default_rng(seed)
    cases = []
    for _ in range(count):
        rate = float(rng.choice([rng.uniform(0, 11), rng.uniform(11, 60), 10.0 ** rng.uniform(1.7, 4)]))
        k = int(rng.integers(0, int(2 * rate) + 2))
        F = q.ppois(k, rate)
        for p in (10.0 ** rng.uniform(-300, -1), 1 - 10.0 ** rng.uniform(-16, -1), 0.5,
                  rng.uniform(0, 1), F, math.nextafter(F, 0)):
            if 0 < p < 1:
                cases.append((p, rate))
    return cases


def test_qpois_is_the_least_count_reaching_p():
    cases = random_poisson_cases(7, 60)
    cases += [(1e-17, 1e4), (1e-300, 2e4), (8e-17, 500.0), (1e-20, 90.5), (1e-14, 3e4), (1e-300, 12.0)]
    for p, rate in cases:
        smallest_reaching_count(p, rate)


@pytest.mark.parametrize("p, rate", [(1e-17, 1e10), (1e-300, 1e6), (1e-30, 1e12)])
def test_qpois_tiny_p(p, rate):
    """Far below the rate the distribution function is tiny but not 0, and the
    answer is the least count whose value reaches p."""
    k = smallest_reaching_count(p, rate)
    assert 0 < k < rate


PS = np.array([1e-6, 0.001, 0.02, 0.1, 0.3, 0.5, 0.7, 0.9, 0.98, 0.999, 1 - 1e-6])


@pytest.mark.parametrize("n, prob", [(10, 0.3), (57, 0.81), (400, 0.05), (2000, 0.5)])
def test_qbinom_against_scipy(n, prob):
    # Counts: equal unless p lies within rounding of a distribution-function value.
    np.testing.assert_array_equal(q.qbinom(PS, n, prob), stats.binom.ppf(PS, n, prob))


@pytest.mark.parametrize("rate", [0.3, 4.0, 10.9, 11.0, 47.2, 900.0])
def test_qpois_against_scipy(rate):
    np.testing.assert_array_equal(q.qpois(PS, rate), stats.poisson.ppf(PS, rate))
