"""Regularized incomplete gamma P(a, x) and its inverse, through pgamma, pchisq, qgamma, qchisq.

pgamma(x, a, 1) is P(a, x) and qgamma(p, a, 1) its inverse for ordinary arguments;
pchisq(x, k) is P(k/2, x/2) and qchisq(p, k) twice the inverse at k/2.
"""
import math

import numpy as np
import pytest
import scipy.special as sc

import quantora as q
from exact import assert_bits

EPS = 2.0**-52

# Probabilities at which quantiles are usually asked for.
CRITICAL_P = [1e-8, 1e-6, 1e-4, 1e-3, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5,
              0.75, 0.9, 0.95, 0.975, 0.99, 0.999, 1 - 1e-4, 1 - 1e-6, 1 - 1e-8]


def P(a, x):
    return np.asarray(q.pgamma(x, a, 1.0))


def upper_window_end(a):
    k_hi = 10 if a > 800 else 9 if a > 300 else 8 if a > 90 else 7 if a > 70 else 6 if a > 50 else 5
    return a + k_hi * math.sqrt(a)


def assert_sound_root(x, p, forward, end=np.finfo(float).max):
    """The earlier rule for the inverses, which the incomplete beta tests still use: x lies in [0, end], and either F(x) is within 1e-6 of the
    smaller tail of p, or x is the smallest double with F(x) >= p, or (when F already reaches p
    at EPS, where F cannot resolve a root) x lies in [0, EPS)."""
    x, p = np.broadcast_arrays(np.asarray(x, float), np.asarray(p, float))
    inside = (x >= 0) & (x <= end)
    assert np.all(inside), x[~inside]
    below_eps = forward(np.full_like(x, EPS)) >= p
    kept = np.abs(forward(x) - p) <= 1e-6 * np.minimum(p, 1 - p)
    smallest = (forward(x) >= p) & (forward(np.nextafter(x, 0)) < p)
    ok = np.where(below_eps, x < EPS, kept | smallest)
    bad = np.flatnonzero(~ok)
    assert bad.size == 0, [(p.flat[i], x.flat[i]) for i in bad[:10]]


def Q(a, x):
    """The upper tail Q(a, x), through the inverse-gamma law at 1/x."""
    with np.errstate(over="ignore", divide="ignore"):
        return np.asarray(q.pinvgamma(1 / np.asarray(x, float), a, 1.0))


def assert_gamma_root(x, p, a):
    """The rule every inverse obeys: x is finite and not negative, and within 1e-6 relative
    of the root of P(a, y) = p (one subnormal step below the normal range): P falls short of
    p at the lower end of that bracket and reaches it at the upper end. Above the median the
    upper tail is compared with 1 - p, since P rounded near 1 cannot resolve it."""
    x, p = np.broadcast_arrays(np.asarray(x, float), np.asarray(p, float))
    assert np.all(np.isfinite(x) & (x >= 0)), x[~(np.isfinite(x) & (x >= 0))]
    tiny = x < 2.0**-1022
    below = np.where(tiny, np.maximum(x - 2.0**-1074, 0), x * (1 - 1e-6))
    above = np.where(tiny, x + 2.0**-1074, x * (1 + 1e-6))
    short = np.where(p <= 0.5, P(a, below) < p, Q(a, below) > 1 - p) | (x == 0)
    reach = np.where(p <= 0.5, P(a, above) >= p, Q(a, above) <= 1 - p)
    bad = np.flatnonzero(~(short & reach))
    assert bad.size == 0, [(p.flat[i], x.flat[i]) for i in bad[:10]]


# --- P(a, x): the three methods -------------------------------------------------

def _lower_fraction_points():
    return [(a, x) for a in [0.01, 0.1, 0.5, 1.0, 2.5, 5.0, 9.999]
            for x in list(a * np.logspace(-4, 0, 9)) + list(np.linspace(a, a + 9.99, 25))]


def test_lower_fraction_accuracy():
    a, x = np.array(_lower_fraction_points()).T
    got, want = P(a, x), sc.gammainc(a, x)
    lower = want < 0.5
    np.testing.assert_allclose(got[lower], want[lower], rtol=1e-13, atol=0)
    # As x - a approaches 10 the 53-level fraction converges slowly for small shapes:
    # P near 1 carries an absolute error of a few 1e-11 there.
    np.testing.assert_allclose(got[~lower], want[~lower], rtol=0, atol=1e-10)


def test_upper_fraction_accuracy():
    pts = [(a, x) for a in [0.01, 0.5, 2.0, 9.999] for x in a + np.linspace(10, 40, 13)]
    pts += [(a, x) for a in [10.0, 13.0, 30.0, 100.0, 1000.0] for x in a * np.linspace(3.0001, 5, 9)]
    pts += [(a, x) for a in [10.0, 20.0, 45.0, 85.0, 500.0]
            for x in upper_window_end(a) * np.array([1.0001, 1.01, 1.1])]
    a, x = np.array(pts).T
    got = P(a, x)
    # 1 - P is exact for P >= 1/2, so the upper tail is resolved down to half an ulp of 1.
    np.testing.assert_allclose(1 - got, sc.gammaincc(a, x), rtol=1e-12, atol=2.0**-53)


@pytest.mark.parametrize("a", [10.0, 12.5, 20.0, 30.5, 45.0, 64.0, 100.0, 350.0, 1000.0])
def test_quadrature_accuracy(a):
    x = np.linspace(max(a - 6 * math.sqrt(a), 0.1), upper_window_end(a) * 0.9999, 30)
    got, want = P(a, x), sc.gammainc(a, x)
    ordinary = want > 1e-100
    np.testing.assert_allclose(got[ordinary], want[ordinary], rtol=1e-9, atol=1e-12)


def test_quadrature_window_starts_four_deviations_below_for_shapes_up_to_30():
    # Shapes up to 30 integrate from a - 4 sqrt(a) only: the mass below it is dropped,
    # 2.7e-9 at a = 30. From 30.5 the window starts 5 deviations below, with no visible loss.
    dropped = sc.gammainc(30.0, 30.0 - 4 * math.sqrt(30.0))
    assert abs((sc.gammainc(30.0, 30.0) - P(30.0, 30.0)) - dropped) < 1e-13
    assert dropped > 1e-9
    assert abs(P(30.5, 30.5) - sc.gammainc(30.5, 30.5)) < 1e-13


@pytest.mark.parametrize("a, below, above", [
    (5.0, 14.9, 15.0),                         # lower fraction | upper fraction at x - a = 10
    (9.999, 19.0, 19.999 + 1e-9),
    (10.0, 30.0, 30.000000000000004),          # x = 3a: window end already passed
    (30.0, upper_window_end(30.0) * (1 - 1e-9), upper_window_end(30.0) * (1 + 1e-9)),
    (45.0, upper_window_end(45.0) * (1 - 1e-9), upper_window_end(45.0) * (1 + 1e-9)),
    (800.5, upper_window_end(800.5) * (1 - 1e-9), upper_window_end(800.5) * (1 + 1e-9)),
])
def test_method_boundaries_keep_p_continuous(a, below, above):
    for x in (below, above):
        tol = 3e-9 if a <= 30 else 1e-12  # window loss below a - 4 sqrt(a), see above
        assert abs(P(a, x) - sc.gammainc(a, x)) < tol, x
    assert P(a, below) <= P(a, above) + 3e-9


def test_no_mass_cut_off_between_window_end_and_x():
    # Past a + k sqrt(a) the integral would stop at the window's end and P would stay
    # flat up to x = 3a; the upper tail at chi-squared (60, 20) is 7.12e-6, not 1.29e-4.
    tail = 1 - q.pchisq(60.0, 20.0)
    assert abs(tail - sc.gammaincc(10.0, 30.0)) < 1e-15
    assert abs(q.ppois(9, 30.0) - sc.gammaincc(10.0, 30.0)) < 1e-15
    x = np.linspace(20.0, 30.0, 41)
    assert np.all(np.diff(P(10.0, x)) > 0)


@pytest.mark.parametrize("x, a", [(1.0, 1e-17), (1e300, 1e-17), (5.0, 2.0**-53)])
def test_shape_below_eps_gives_one(x, a):
    assert_bits(q.pgamma(x, a, 1.0), 1.0, f"P({a}, {x})")


# --- the inverse ------------------------------------------------------------------

# p below 2^-52 and within 2^-53 of 1 no longer give 0 and +infinity: their
# quantiles are found below EPS and at finite x (see test_tails_gamma_family).
@pytest.mark.parametrize("p, a, want", [
    (0.5, 1e-17, 0.0),
])
def test_inverse_fixed_values(p, a, want):
    assert_bits(q.qgamma(p, a, 1.0), want, f"qgamma({p}, {a})")


@pytest.mark.parametrize("a", [0.5, 1.0, 1.5, 2.0, 5.0, 20.0, 100.0, 500.0])
def test_inverse_accuracy(a):
    p = np.array([0.001, 0.01, 0.1, 0.25, 0.5, 0.75, 0.9, 0.99, 0.999])
    np.testing.assert_allclose(q.qgamma(p, a, 1.0), sc.gammaincinv(a, p), rtol=1e-10)


@pytest.mark.parametrize("p, a", [
    (0.9999, 10.0),       # chi-squared 0.9999 with 20 dof
    (1e-4, 2.5),          # chi-squared 1e-4 with 5 dof
    (0.999, 0.3),
    (0.99996838, 26.0),   # P is flat past the window's end for the updates to stall on
])
def test_inverse_where_fixed_updates_fail(p, a):
    x = q.qgamma(p, a, 1.0)
    np.testing.assert_allclose(x, sc.gammaincinv(a, p), rtol=1e-6)
    assert_gamma_root(x, p, a)


def test_inverse_root_below_eps_is_zero():
    # The root, about 8e-31, lies below EPS, where P cannot tell arguments apart.
    assert P(0.01, EPS) >= 0.5
    assert q.qgamma(0.5, 0.01, 1.0) < EPS


def test_shape_grid_inverse_is_sound():
    a = np.logspace(-2, 3, 41)[:, None]
    p = np.array(CRITICAL_P)[None, :]
    assert_gamma_root(q.qgamma(p, a, 1.0), p, a)


def test_chisq_grid_inverse_is_sound():
    dof = np.arange(1, 301, dtype=float)[:, None]
    p = np.array(CRITICAL_P)[None, :]
    half = q.qchisq(p, dof) * 0.5
    assert_gamma_root(half, p, dof * 0.5)
