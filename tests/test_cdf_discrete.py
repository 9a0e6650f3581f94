"""Binomial and Poisson distribution functions: test order, the Poisson
series and its switch to the incomplete gamma function, and the binomial sum
checked bit for bit against the literal top-down loop over public masses."""
import itertools
import math

import numpy as np
import pytest
from scipy import stats

import quantora as q
from exact import assert_bits

INF = math.inf
NAN = math.nan
COUNT_MAX = 2**63 - 1


SPECIAL = [
    ("pbinom", (-1, 5, 0.5), 0.0),
    ("pbinom", (5, 5, 0.5), 1.0),
    ("pbinom", (7, 5, 0.5), 1.0),
    ("pbinom", (0, 0, 0.3), 1.0),
    ("pbinom", (0, 1, 0.3), 0.7),
    ("pbinom", (2, 5, 0.0), 1.0),
    ("pbinom", (2, 5, 1.0), 0.0),
    ("pbinom", (0, -1, 0.5), NAN),
    ("pbinom", (-1, -1, 0.5), NAN),  # n_trials before the support
    ("pbinom", (2, 5, INF), NAN),
    ("pbinom", (2, 5, -INF), NAN),
    ("pbinom", (2, 5, 1.5), NAN),
    ("pbinom", (2, 5, -0.1), NAN),
    ("pbinom", (-3, 5, NAN), NAN),
    # 1 - 2.18e-16 exactly: formed as 1 minus the upper tail, no longer a sum rounded to 1
    ("pbinom", (115, 200, 0.3), 0.9999999999999998),
    ("pbinom", (5 * 10**8, 10**9, 1e-20), 1.0),  # only the k = 0 term is non-zero
    ("pbinom", (5 * 10**8, 10**9, 1 - 1e-17), 0.0),
    ("pbinom", (COUNT_MAX - 1, COUNT_MAX, 0.0), 1.0),
    ("ppois", (-1, 2.0), 0.0),
    ("ppois", (3, INF), 0.0),
    ("ppois", (-1, INF), 0.0),
    ("ppois", (0, 0.0), 1.0),
    ("ppois", (15, 0.0), 1.0),
    ("ppois", (0, -1.0), NAN),
    ("ppois", (-5, NAN), NAN),
    ("ppois", (COUNT_MAX, 5.0), 1.0),  # x + 1 formed without overflow
    ("ppois", (COUNT_MAX, 1e30), 0.0),  # the mean lies far above every count
]


@pytest.mark.parametrize("name, args, want", SPECIAL, ids=[f"{r[0]}{r[1]}" for r in SPECIAL])
def test_special_values(name, args, want):
    assert_bits(getattr(q, name)(*args), want, f"{name}{args}")


def exp_kernel(v):
    # dexp(x, 1) = exp(ln 1 - x) = exp(-x) with the library's exponential.
    return q.dexp(-v, 1.0)


def poisson_series(x, rate):
    # For rate 2 or 10 every power is an exact integer, so the terms are
    # correctly rounded quotients whatever the power kernel does.
    if x == 0:
        s = 1.0
    elif x == 1:
        s = rate + 1
    else:
        t = float(rate**x) / float(math.factorial(x))
        for k in range(x - 1, 0, -1):
            t = t + float(rate**k) / float(math.factorial(k))
        s = t + 1
    return exp_kernel(-rate) * s


@pytest.mark.parametrize("rate", [2, 10])
@pytest.mark.parametrize("x", [0, 1, 2, 3, 7, 15])
def test_poisson_series(x, rate):
    assert_bits(q.ppois(x, float(rate)), poisson_series(x, rate), f"ppois({x}, {rate})")


def test_poisson_small_cases_by_hand():
    assert_bits(q.ppois(0, 2.0), exp_kernel(-2.0), "ppois(0, 2)")
    assert_bits(q.ppois(1, 2.0), exp_kernel(-2.0) * 3, "ppois(1, 2)")


@pytest.mark.parametrize("x, rate", [(16, 10.0), (20, 2.0), (3, 10.5), (15, 10.000000000000002)])
def test_poisson_switches_to_incomplete_gamma(x, rate):
    # Past rate 10 or count 15 the series is not used; the value is still
    # accurate, and for the exact-power rates differs from the series' bits.
    got = q.ppois(x, rate)
    assert got == pytest.approx(stats.poisson.cdf(x, rate), rel=1e-12)
    if rate in (2.0, 10.0):
        series = poisson_series(x, int(rate))
        assert got != series or got == 1.0


def test_poisson_complement_is_clamped():
    # 1 - P(x + 1, rate) with P rounding past 1 would be negative.
    rates = np.geomspace(10.5, 1e4, 300)
    for x in (0, 1, 5):
        v = q.ppois(x, rates)
        assert ((v >= 0) & (v <= 1)).all()
        assert not np.isnan(q.ppois(x, rates, True)).any()


def flushed_by_exp(log_mass):
    """Where the library's exponential returns +0: below -709, and on
    [-708.5, -708), where its residual rounds the power of e down to e^-710."""
    return (log_mass < -709) | ((-708.5 <= log_mass) & (log_mass < -708))


def literal_masses(x, n, p):
    """The masses at 0..x as the literal sum has them: the exponential of the
    log-mass, +0 where the exponential underflows (dbinom itself no longer
    flushes them)."""
    ks = np.arange(x + 1)
    return np.where(flushed_by_exp(q.dbinom(ks, n, p, True)), 0.0, q.dbinom(ks, n, p))


def literal_pbinom(x, n, p):
    """The defining sum: masses from k = x down to 0 added one at a time to
    the running sum, then clamped into [0, 1]."""
    terms = literal_masses(x, n, p).tolist()
    s = terms[x]
    for t in reversed(terms[:x]):
        s = s + t
    return min(1.0, max(0.0, s))


def _random_cases(kind, count, seed):
    r = np.random.default_rng(seed)
    for _ in range(count):
        n = int(r.integers(2, 4000))
        p = {
            "uniform": lambda: r.uniform(0, 1),
            "half": lambda: 0.5,
            "near_zero": lambda: 10 ** r.uniform(-17, -2),
            "near_one": lambda: 1 - 10 ** r.uniform(-16, -2),
        }[kind]()
        centre = n * p
        # Counts around the centre, in both tails and near the ends.
        x = int(
            r.choice(
                [
                    r.integers(0, n),
                    min(n - 1, max(0, int(centre + r.normal(0, 3 * math.sqrt(n * p * (1 - p)) + 1)))),
                    int(r.integers(max(0, n - 5), n)),
                    int(r.integers(0, min(n, 5))),
                ]
            )
        )
        yield x, n, float(p)


EPS = 2.0**-52
KEPT_ERROR = 2.0**-24
COMPLEMENT_SWITCH = 1 - 2.0**-24


def literal_is_kept(v, x, n, p):
    """Whether pbinom keeps the literal sum v at (n, p): the masses' log error
    bound plus one rounding per term, relative, and every mass that the
    exponential flushes to 0 (each below 2^-1020), within 2^-24 of v; and v at
    most 1 - 2^-24, above which pbinom is one minus the upper tail. Masses
    at or below 2^-1020 all count as flushed here, which only widens the
    changed region."""
    if not (EPS <= p and EPS <= 1 - p) or not 0 < v <= COMPLEMENT_SWITCH:
        return False
    flushed = int((q.dbinom(np.arange(x + 1), n, p) <= 2.0**-1020).sum())
    y = n + 12.0
    magnitude = y * (math.frexp(y)[1] * math.log(2)) + 1
    w = magnitude + n * (abs(math.log(p)) + abs(math.log(1 - p))) + 256
    relative = w * 2.0**-47 + EPS * (n + 1.0)
    return relative <= KEPT_ERROR and v * relative + 2.0**-1020 * flushed <= KEPT_ERROR * v


def assert_literal_where_kept(x, n, p):
    """Bits of the literal sum where it is kept; elsewhere (near 1, deep in the
    lower tail, past the masses' error bound) within 1e-9 of SciPy's lower tail,
    or near 1 of its upper tail (with the rounding of 1 - pbinom)."""
    got, want = q.pbinom(x, n, p), literal_pbinom(x, n, p)
    if literal_is_kept(want, x, n, p):
        return None if got.hex() == want.hex() else f"pbinom({x}, {n}, {p!r}): got {got.hex()}, want {want.hex()}"
    lower, upper = stats.binom.cdf(x, n, p), stats.binom.sf(x, n, p)
    close = abs((1 - got) - upper) <= 1e-9 * upper + 2.0**-53 if upper < 0.5 else abs(got - lower) <= 1e-9 * lower
    return None if close else f"pbinom({x}, {n}, {p!r}): got {got!r}, SciPy {lower!r} (upper {upper!r})"


@pytest.mark.parametrize("kind", ["uniform", "half", "near_zero", "near_one"])
def test_pbinom_bits_equal_the_literal_sum(kind):
    failures = [f for f in (assert_literal_where_kept(*c) for c in _random_cases(kind, 150, sum(map(ord, kind)))) if f]
    assert not failures, "\n".join(failures[:10])


@pytest.mark.parametrize(
    "x, n, p",
    [
        (50_000, 100_000, 0.5),  # the mode: the lower tail is cut where terms round away
        (30_300, 100_000, 0.3),
        (90_000, 100_000, 0.5),  # far above the mode: leading exact zeros skipped
        (40_000, 100_000, 0.5),  # far below the mode: every term is zero
        (99_999, 100_000, 0.9999),
        (12, 100_000, 1e-4),
    ],
)
def test_pbinom_large_n_bits_equal_the_literal_sum(x, n, p):
    assert assert_literal_where_kept(x, n, p) is None


def test_pbinom_values_exactly_at_the_literal_sum_boundaries():
    # Every count of one small distribution, so both the mode test and the
    # first skipped term are exercised at each position.
    n, p = 300, 0.37
    failures = [f for f in (assert_literal_where_kept(x, n, p) for x in range(n)) if f]
    assert not failures, "\n".join(failures[:10])


def test_pbinom_single_trial_is_bernoulli():
    for p in (0.0, 0.3, 1.0):
        assert_bits(q.pbinom(0, 1, p), q.pbern(0, p), f"pbinom(0, 1, {p})")
        assert_bits(q.pbinom(0, 1, p, True), q.pbern(0, p, True), f"log pbinom(0, 1, {p})")


@pytest.mark.parametrize("name, args", [("pbinom", (3, 10, 0.4)), ("pbinom", (0, 1000, 0.5)),
                                        ("ppois", (4, 3.5)), ("ppois", (40, 25.0))])
def test_log_flag_is_the_logarithm_of_the_value(name, args):
    f = getattr(q, name)
    assert_bits(f(*args, True), q.punif(f(*args), 0.0, 1.0, True), f"log {name}{args}")


def test_pbinom_accuracy_against_scipy():
    r = np.random.default_rng(11)
    n = r.integers(2, 2000, 500)
    x = (r.uniform(0, 1, 500) * n).astype(np.int64)
    p = r.uniform(0.01, 0.99, 500)
    np.testing.assert_allclose(q.pbinom(x, n, p), stats.binom.cdf(x, n, p), rtol=1e-11, atol=1e-13)


def test_ppois_accuracy_against_scipy():
    # The series and the incomplete gamma's fractions are good to about 1e-14;
    # rates above 10 with counts near the mean go through the 50-point
    # quadrature, good only to a few units in 1e-9.
    r = np.random.default_rng(12)
    x = r.integers(0, 16, 500)
    rate = r.uniform(0.05, 10, 500)
    np.testing.assert_allclose(q.ppois(x, rate), stats.poisson.cdf(x, rate), rtol=1e-13, atol=1e-15)
    x = r.integers(0, 120, 500)
    rate = r.uniform(10, 80, 500)
    np.testing.assert_allclose(q.ppois(x, rate), stats.poisson.cdf(x, rate), rtol=0, atol=5e-9)


def test_binomial_counts_broadcast_against_trials():
    x = np.array([0, 3, 9])
    n = np.array([[10], [20]])
    got = q.pbinom(x, n, 0.3)
    for (i, j) in itertools.product(range(2), range(3)):
        assert_bits(got[i, j], q.pbinom(int(x[j]), int(n[i, 0]), 0.3), f"[{i},{j}]")


def test_log_mass_error_is_far_inside_the_skipping_margin():
    # Skipping binomial terms relies on every computed log-mass lying within
    # d = 2^-46 W of the exact one, W = V + n(|ln p| + |ln q|) + 256 with
    # V = (n + 12) ln(n + 12), for every n. Measured errors stay below 2^-50 W;
    # require an eighth of d here, counts beyond 2^53 included.
    mp = pytest.importorskip("mpmath")
    mp.mp.prec = 200
    r = np.random.default_rng(21)
    for _ in range(80):
        n = int(10 ** r.uniform(1, 18.5))
        p = float(r.choice([r.uniform(0, 1), 0.5, 10 ** r.uniform(-15, -1), 1 - 10 ** r.uniform(-15, -1)]))
        k = int(r.integers(1, n))
        lp, lq = mp.log(p), mp.log(mp.mpf(1 - p))
        exact = mp.loggamma(n + 1) - mp.loggamma(n - k + 1) - mp.loggamma(k + 1) + k * lp + (n - k) * lq
        w = (n + 12) * mp.log(n + 12) + n * (abs(lp) + abs(lq)) + 256
        error = abs(q.dbinom(k, n, p, True) - exact)
        assert error <= w * mp.mpf(2) ** -49, f"dbinom({k}, {n}, {p!r}): error {float(error)}, W {float(w)}"


def test_pbinom_with_ten_trillion_trials_completes():
    # The sum from the mean down needs some ten standard deviations of terms
    # (seconds), not x + 1 of them (days).
    assert 0 < q.pbinom(5 * 10**12, 10**13, 0.5) < 1
