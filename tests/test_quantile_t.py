"""Student t quantile: exact forms, test order, the two branches of Hill's
approximation, and the tail-residual rule with its bisection root."""
import math

import numpy as np
import pytest
from scipy import stats

import quantora as q
from exact import assert_bits

INF = math.inf
NAN = math.nan
EPS = 2.0**-52


@pytest.mark.parametrize("n", [EPS, 0.3, 0.8, 1, 2, 3, 7.5, 1e6, INF])
def test_ends_of_probability_range(n):
    assert_bits(q.qt(0, n), -INF, f"qt(0, {n})")
    assert_bits(q.qt(1, n), INF, f"qt(1, {n})")


@pytest.mark.parametrize(
    "args",
    [(0.5, 1e-17), (0.5, NAN), (NAN, 3), (-0.1, 3), (1.5, 3), (0.5, -2), (0, 1e-17), (1, NAN)],
)
def test_invalid_arguments(args):
    assert_bits(q.qt(*args), NAN, f"qt{args}")


def test_exact_forms():
    assert_bits(q.qt(0.5, 5), 0.0)
    assert_bits(q.qt(0.5, 1), 0.0)
    # ((p + p) - 1) / sqrt((1 - p)(p + p)) at p = 3/4: 0.5 / sqrt(0.375).
    assert q.qt(0.75, 2) == pytest.approx(0.8164965809277261, rel=2.3e-16)
    for p in (1e-9, 0.01, 0.3, 0.5, 0.9, 1 - 1e-6):
        assert_bits(q.qt(p, INF), q.qnorm(p, 0, 1), f"qt({p}, inf)")
        assert_bits(q.qt(p, 1), q.qcauchy(p, 0, 1), f"qt({p}, 1)")


@pytest.mark.parametrize("n", [0.5, 0.8, 1, 1.5, 2, 3, 4.9, 5, 12, 1e3, INF])
def test_odd_about_one_half(n):
    # Both sides use the same two-tailed probability P = 0.5.
    assert_bits(q.qt(0.25, n), -q.qt(0.75, n), f"n = {n}")


def hill_normal_branch(p, n):
    """The normal branch of Hill's approximation on double arithmetic, with the
    platform's elementary functions and the library's normal quantile."""
    P = p + p if p < 0.5 else (1 - p) + (1 - p)
    T = P * 0.5
    a = 1 / (n - 0.5)
    b = 48 / (a * a)
    g = (((a * 20700) / b - 98) * a - 16) * a + 96.36
    d = ((math.sqrt(a) * n) * 1.2533141373155003) * ((94.5 / (b + g) - 3) / b + 1)
    y = math.exp(math.log(P * d) * (2 / n))
    x = q.qnorm(T, 0, 1)
    if n < 5:
        g = ((n - 4.5) * 0.3) * (x + 0.6) + g
    g = ((((x * 0.05) * d - 5) * x - 7) * x - 2) * x + (b + g)
    x2 = x * x
    z = (((((x2 * 0.4 + 6.3) * x2 + 36) * x2 + 94.5) / g - x2 - 3) / b + 1) * x
    z = (z * a) * z
    z = math.expm1(z) if z > 0.1 else (((z + 4) * z + 12) * (z * z)) / 24 + z
    r = math.sqrt(z * n)
    return y > a + 0.05, (-r if p < 0.5 else r)


@pytest.mark.parametrize("p, n", [(0.3, 5), (0.2, 4.5), (0.9, 12), (0.05, 30), (0.999, 200), (0.6, 3)])
def test_normal_branch_is_unrefined(p, n):
    normal, want = hill_normal_branch(p, n)
    assert normal
    got = q.qt(p, n)
    assert got == pytest.approx(want, rel=1e-13)
    # The approximation alone, without refinement, is not the exact root.
    assert got != pytest.approx(stats.t.ppf(p, n), rel=1e-12, abs=0)


@pytest.mark.parametrize("p, n", [(0.001, 3), (1e-5, 4), (0.02, 1.5), (0.999, 3), (0.1, 0.9)])
def test_small_branch_is_refined(p, n):
    normal, _ = hill_normal_branch(p, n)
    assert not normal
    assert q.qt(p, n) == pytest.approx(stats.t.ppf(p, n), rel=1e-12)


DOFS = [0.8, 0.9, 1.3, 1.5, 2.5, 3, 4, 5, 7, 10, 20, 30, 60, 100, 300, 1000, 1e4]
PROBS = [1e-8, 1e-6, 1e-4, 1e-3, 0.01, 0.025, 0.05, 0.1, 0.25, 0.4, 0.5,
         0.6, 0.75, 0.9, 0.95, 0.975, 0.99, 0.999, 1 - 1e-4, 1 - 1e-6, 1 - 1e-8]


def tail_target(p):
    return (p + p) * 0.5 if p < 0.5 else ((1 - p) + (1 - p)) * 0.5


def is_bisection_root(y, n, T):
    return q.pt(-y, n) <= T and not q.pt(-math.nextafter(y, 0), n) <= T


def test_grid_is_finite_with_small_tail_residual():
    bad = []
    for n in DOFS:
        for p in PROBS:
            r = q.qt(p, n)
            T = tail_target(p)
            F = q.pt(-abs(r), n)
            # The rule: within 1e-6 relative of the root of the accurate tail.
            m = abs(r)
            sound = q.pt(-m * (1 + 1e-6), n) <= T < q.pt(-m * (1 - 1e-6), n) or (m == 0 and T == 0.5)
            # For dof below 1 the distribution function is exactly 0 once
            # (x/dof) x + 1 exceeds 2^52 (the incomplete beta counts its argument
            # as zero), before it reaches a tail of 1e-8: the quantile is then the
            # point where it drops to 0.
            cut_off = F == 0 and is_bisection_root(abs(r), n, T)
            if not math.isfinite(r) or not (sound or cut_off) or (r < 0) != (p < 0.5):
                bad.append((p, n, r, abs(F - T) / T))
    assert not bad, bad[:10]


def test_quantile_beyond_the_doubles_is_infinite():
    # With 2^-52 degrees of freedom the tail 0.2 lies far beyond the largest double.
    assert q.qt(0.8, EPS) == math.inf and q.qt(0.2, EPS) == -math.inf


@pytest.mark.parametrize("p, n", [(0.6, 0.8), (0.3, 1.5), (0.3, 0.5), (0.9, 0.2), (1e-6, 0.7)])
def test_replaced_results_are_the_bisection_root(p, n):
    """Where the approximation misses its tail target, the result is the smallest
    magnitude y with pt(-y) <= T, signed by the side of p."""
    r = q.qt(p, n)
    T = tail_target(p)
    y = abs(r)
    assert math.isfinite(r) and (r < 0) == (p < 0.5)
    assert is_bisection_root(y, n, T)


@pytest.mark.parametrize("p, n", [(0.6, 0.8), (0.3, 1.5)])
def test_faulty_examples_are_now_accurate(p, n):
    assert q.qt(p, n) == pytest.approx(stats.t.ppf(p, n), rel=1e-9)


@pytest.mark.parametrize("n", [0.9, 3, 6, 25, 150])
def test_accuracy_against_scipy(n):
    ps = np.array([1e-4, 0.001, 0.01, 0.05, 0.2, 0.45, 0.5, 0.7, 0.95, 0.999])
    # The normal branch carries Hill's approximation error, within the residual
    # rule's 1e-6 of the tail probability.
    np.testing.assert_allclose(q.qt(ps, n), stats.t.ppf(ps, n), rtol=2e-6, atol=1e-12)


def test_round_trip():
    ps = np.linspace(0.01, 0.99, 99)
    for n in (0.8, 2.5, 9, 40):
        # The quantile is within 1e-6 relative of the root: p lies between
        # the distribution function just below and just above it.
        x = np.asarray(q.qt(ps, n))
        lo = np.where(x < 0, x * (1 + 1e-6), x * (1 - 1e-6))
        hi = np.where(x < 0, x * (1 - 1e-6), x * (1 + 1e-6))
        median = (x == 0) & (ps == 0.5)
        assert np.all(median | ((np.asarray(q.pt(lo, n)) < ps) & (ps <= np.asarray(q.pt(hi, n)))))
