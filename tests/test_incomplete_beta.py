"""Regularized incomplete beta I_x(a, b) and its inverse, through pbeta and qbeta.

pbeta(x, a, b) is I_x(a, b) and qbeta(p, a, b) its inverse for finite positive shapes
and 0 < x < 1.
"""
import numpy as np
import pytest
import scipy.special as sc

import quantora as q
from exact import assert_bits
from test_incomplete_gamma import CRITICAL_P, EPS, assert_sound_root


def ibeta(a, b, x):
    return np.asarray(q.pbeta(x, a, b))


# --- I_x(a, b) --------------------------------------------------------------------

SHAPES = [0.05, 0.5, 1.0, 2.0, 5.0, 30.0, 200.0]


@pytest.mark.parametrize("a", SHAPES)
def test_accuracy(a):
    b = np.array(SHAPES)[:, None]
    x = np.array([1e-6, 0.01, 0.1, 0.3, 0.5, 0.7, 0.9, 0.99])[None, :]
    got, want = ibeta(a, b, x), sc.betainc(a, b, x)
    lower = want < 0.5
    np.testing.assert_allclose(got[lower], want[lower], rtol=1e-12, atol=1e-300)
    # Above the split 1 - I is formed from the reflected fraction: exact to half an ulp of 1.
    np.testing.assert_allclose(1 - got[~lower], sc.betaincc(a, b, x)[~lower],
                               rtol=1e-12, atol=2.0**-53)


@pytest.mark.parametrize("a, b", [(1e4, 1e4), (2000.0, 3000.0), (500.0, 50.0), (50.0, 500.0), (2.0, 5.0)])
def test_split_between_direct_and_reflected_fraction(a, b):
    # Both sides of the split point (a + 1)/(a + b + 2) converge within the level limit only
    # from their own side: with large shapes the other side's fraction is off by order 1.
    split = (a + 1) / ((a + b) + 2)
    x = split * np.array([0.97, 0.99, 1.0, 1.01, 1.03])
    # ln B(a, b) of large shapes carries an absolute error of a few 1e-14 into the prefactor.
    np.testing.assert_allclose(ibeta(a, b, x), sc.betainc(a, b, x), rtol=0, atol=5e-12)


@pytest.mark.parametrize("x", [1e-17, 2.0**-53])
def test_argument_below_eps_is_resolved(x):
    # Below 2^-52 the value is 6x^2 - 8x^3 + 3x^4, no longer 0.
    assert q.pbeta(x, 2.0, 3.0) == pytest.approx(6 * x * x, rel=1e-12)


# --- the inverse ------------------------------------------------------------------

@pytest.mark.parametrize("p", [1e-17, 2.0**-53, 1 - 2.0**-53])
def test_inverse_resolves_the_extreme_probabilities(p):
    # Roots below 2^-52 and within 2^-53 of 1 are found, no longer 0 and 1.
    x = q.qbeta(p, 2.0, 3.0)
    assert 0 < x < 1
    assert meets_rule(x, p, lambda y: q.pbeta(y, 2.0, 3.0))


def test_inverse_at_the_median_of_symmetric_shapes():
    assert abs(q.qbeta(0.5, 2.0, 2.0) - 0.5) < 1e-14


@pytest.mark.parametrize("a, b", [(0.5, 0.5), (0.5, 100.0), (100.0, 0.5), (1.0, 1.0), (2.0, 5.0), (20.0, 20.0)])
def test_inverse_accuracy(a, b):
    p = np.array([0.001, 0.01, 0.1, 0.25, 0.5, 0.75, 0.9, 0.99, 0.999])
    got, want = np.asarray(q.qbeta(p, a, b)), sc.betaincinv(a, b, p)
    # Relative to the nearer end of [0, 1], where the quantile's own precision lies.
    assert np.all(np.abs(got - want) <= 1e-11 * np.minimum(want, 1 - want)), got - want


@pytest.mark.parametrize("p, a, b", [
    (1 - 1e-8, 2.0, 10.0),
    (0.9, 0.05, 1000.0),     # the updates stop at 0, far below the root 7.6e-5
    (0.99999, 1.5, 10.0),    # the F quantile with (3, 20) degrees of freedom
])
def test_inverse_where_fixed_updates_fail(p, a, b):
    x = q.qbeta(p, a, b)
    np.testing.assert_allclose(x, sc.betaincinv(a, b, p), rtol=1e-6)
    assert_sound_root(x, p, lambda y: ibeta(a, b, y), end=1.0)


def meets_rule(x, p, forward):
    """Within 1e-6 relative of the root of the accurate distribution function
    (one subnormal step below 2^-1022)."""
    if x < 2.0 ** -1022:
        return forward(x + 5e-324) >= p
    return forward(x * (1 - 1e-6)) < p <= forward(min(x * (1 + 1e-6), 1.0))


def test_shape_grid_inverse_meets_the_quantile_rule():
    shapes = [0.01, 0.05, 0.2, 0.5, 1.0, 1.5, 2.0, 5.0, 10.0, 50.0, 200.0, 1000.0]
    bad = [(p, a, b) for a in shapes for b in shapes for p in CRITICAL_P
           if not meets_rule(q.qbeta(p, a, b), p, lambda y: q.pbeta(y, a, b))]
    assert not bad, bad[:10]
