"""Distribution functions on the incomplete gamma and beta functions: test
order, identities that fix operand order exactly, the clamp into [0, 1], the
log flag and accuracy against SciPy."""
import math

import numpy as np
import pytest
from scipy import stats

import quantora as q
from exact import assert_bits, bits

INF = math.inf
NAN = math.nan


def log_kernel(v):
    # The uniform distribution function on (0, 1) is the identity, so its
    # logged value is the library's own logarithm of v.
    return q.punif(v, 0.0, 1.0, True)


SPECIAL = [
    ("pbeta", (0.0, 2.0, 3.0), 0.0),
    ("pbeta", (-0.5, 2.0, 3.0), 0.0),
    ("pbeta", (1.0, 2.0, 3.0), 1.0),
    ("pbeta", (0.0, 0.0, 0.0), 0.0),  # x <= 0 before the zero shapes
    ("pbeta", (0.5, 0.0, 0.0), 0.5),
    ("pbeta", (0.5, 0.0, 2.0), 1.0),
    ("pbeta", (0.5, 0.0, INF), 1.0),
    ("pbeta", (0.5, 2.0, 0.0), 0.0),
    ("pbeta", (0.5, INF, 0.0), 0.0),
    ("pbeta", (0.3, INF, INF), 0.0),
    ("pbeta", (0.5, INF, INF), 1.0),
    ("pbeta", (0.5, 2.0, INF), 1.0),
    ("pbeta", (0.5, INF, 2.0), 0.0),
    ("pbeta", (1e-17, 2.0, 3.0), float.fromhex("0x1.8ec4b5c78f272p-111")),  # 6e-34, no longer 0 below 2^-52
    ("pbeta", (0.5, -1.0, 2.0), NAN),
    ("pbeta", (-1.0, 2.0, -1.0), NAN),
    ("pchisq", (0.0, 3.0), 0.0),  # x <= 0, not x < 2^-52: below that the probability is computed
    ("pchisq", (0.0, 0.0), 0.0),
    ("pchisq", (2.0, 0.0), 1.0),
    ("pchisq", (INF, 3.0), 1.0),
    ("pchisq", (INF, INF), 1.0),
    ("pchisq", (2.0, INF), 0.0),
    ("pchisq", (-1.0, -1.0), NAN),
    ("pf", (1e-17, 3.0, 4.0), float.fromhex("0x1.fc8927c80c552p-85")),  # no longer 0 below 2^-52
    ("pf", (INF, 3.0, 4.0), 1.0),
    ("pf", (2.0, INF, INF), 1.0),
    ("pf", (1.0, INF, INF), 0.5),
    ("pf", (0.5, INF, INF), 0.0),
    ("pf", (1.0, 1e-17, 4.0), NAN),
    ("pf", (1.0, 3.0, 1e-17), NAN),
    ("pf", (-1.0, 0.0, 4.0), NAN),
    # y overflows: the upper tail is the power term of I_w(df2/2, df1/2), w = df2/(x df1) (was 1.7e-5 off)
    ("pf", (1e308, 1e10, 1e-5), float.fromhex("0x1.d78cb58d02200p-9")),
    ("pgamma", (INF, 2.0, INF), NAN),
    ("pgamma", (INF, 2.0, 1.0), 1.0),
    ("pgamma", (5.0, INF, 1.0), 0.0),
    ("pgamma", (INF, INF, 1.0), 1.0),
    ("pgamma", (5.0, 0.0, 1.0), 1.0),
    ("pgamma", (5.0, 0.0, INF), 0.0),
    ("pgamma", (INF, 0.0, 1.0), 1.0),
    ("pgamma", (0.0, 2.0, 1.0), 0.0),  # x <= 0, not x < 2^-52: below that the probability is computed
    ("pgamma", (1e-17, 2.0, INF), 0.0),
    ("pgamma", (1.0, 2.0, 1e-17), NAN),
    ("pgamma", (-INF, 2.0, INF), 0.0),
    ("pinvgamma", (0.0, 2.0, 1.0), 0.0),
    ("pinvgamma", (-1.0, 2.0, 1.0), 0.0),
    ("pinvgamma", (1.0, 2.0, INF), NAN),
    ("pinvgamma", (1.0, 2.0, 0.0), 1.0),
    ("pinvgamma", (0.0, 2.0, 0.0), NAN),
    ("pinvgamma", (INF, 2.0, 1.0), 1.0),
    ("pinvgamma", (1.0, 0.0, 1.0), 0.0),
    ("pinvgamma", (1.0, -1.0, 1.0), NAN),
    ("pt", (INF, 3.0), 1.0),
    ("pt", (-INF, 3.0), 0.0),
    ("pt", (INF, 1e-17), NAN),  # the degrees of freedom are tested first
    ("pt", (0.0, 3.0), 0.5),
    ("pt", (0.0, 1.0), 0.5),
    ("pt", (0.0, 2.0), 0.5),
    ("pt", (0.0, 0.5), 0.5),
    ("pt", (0.0, 1e10), 0.5),
    ("pt", (1e200, 3.0), 1.0),
    ("pt", (-1e200, 3.0), 0.0),
]


@pytest.mark.parametrize("name, args, want", SPECIAL, ids=[f"{r[0]}{r[1]}" for r in SPECIAL])
def test_special_values(name, args, want):
    assert_bits(getattr(q, name)(*args), want, f"{name}{args}")


XS = [1e-3, 0.2, 0.9, 1.0, 1.7, 4.0, 13.5]


@pytest.mark.parametrize("x", XS + [-x for x in XS])
def test_t_limits_are_the_normal_and_the_cauchy(x):
    assert_bits(q.pt(x, INF), q.pnorm(x, 0.0, 1.0), f"pt({x}, inf)")
    assert_bits(q.pt(x, INF, True), q.pnorm(x, 0.0, 1.0, True), f"log pt({x}, inf)")
    assert_bits(q.pt(x, 1.0), q.pcauchy(x, 0.0, 1.0), f"pt({x}, 1)")


@pytest.mark.parametrize("x, dof", [(2.0, 4.0), (3.0, 9.0), (0.5, 0.25), (1.5, 3.0), (5.0, 3.0)])
def test_t_branch_on_dof_against_x_squared(x, dof):
    # dof > x^2 integrates the centre, I_u(1/2, dof/2) with u = x^2/(x^2 + dof);
    # otherwise the tail, I_u(dof/2, 1/2) with u = 1/(x^2/dof + 1). Equality
    # takes the tail form.
    w = x * x
    for sx in (x, -x):
        if dof > w:
            tail = 0.5 - q.pbeta(w / (w + dof), 0.5, dof * 0.5) * 0.5
            want = 1 - tail if sx > 0 else tail
        else:
            tail = q.pbeta(1 / ((sx / dof) * sx + 1), dof * 0.5, 0.5) * 0.5
            want = 1 - tail if sx > 0 else tail
        assert_bits(q.pt(sx, dof), want, f"pt({sx}, {dof})")


@pytest.mark.parametrize("x", [0.1, 1.0, 2.5, 30.0])
@pytest.mark.parametrize("dof", [0.5, 3.0, 17.0])
def test_chisq_is_gamma_with_scale_two(x, dof):
    assert_bits(q.pchisq(x, dof), q.pgamma(x, dof / 2, 2.0), f"pchisq({x}, {dof})")


@pytest.mark.parametrize("x", [0.05, 0.7, 1.0, 3.0, 40.0])
@pytest.mark.parametrize("shape, scale", [(0.5, 1.0), (2.0, 4.0), (15.0, 0.25)])
def test_inverse_gamma_through_gamma_of_reciprocals(x, shape, scale):
    # Where the complement keeps its digits; below about 1e-9 the upper tail is
    # computed directly (pinvgamma(0.05, 2, 4) = 3.7e-33, not 1 - 1.0 = 0).
    want = 1 - q.pgamma(1 / x, shape, 1 / scale)
    if want > 1e-8:
        assert_bits(q.pinvgamma(x, shape, scale), want, f"pinvgamma({x}, {shape}, {scale})")
    else:
        assert q.pinvgamma(x, shape, scale) == pytest.approx(stats.invgamma.cdf(x, shape, scale=scale), rel=1e-12)


@pytest.mark.parametrize("x", [0.3, 1.0, 2.0, 7.5])
@pytest.mark.parametrize("d", [1.0, 4.0, 30.0])
def test_f_with_one_infinite_degree_of_freedom(x, d):
    # df1 infinite: the complement of a chi-squared value, logged afterwards,
    # down to 2^-29, where it still keeps 2^-24 of itself (below, the
    # references check the limit law).
    v = 1 - q.pchisq(d / x, d)
    if v >= 2.0**-29:
        assert_bits(q.pf(x, INF, d), v, f"pf({x}, inf, {d})")
        assert_bits(q.pf(x, INF, d, True), log_kernel(v), f"log pf({x}, inf, {d})")
    # df2 infinite: the chi-squared value itself, log flag passed on.
    assert_bits(q.pf(x, d, INF), q.pchisq(x * d, d), f"pf({x}, {d}, inf)")
    assert_bits(q.pf(x, d, INF, True), q.pchisq(x * d, d, True), f"log pf({x}, {d}, inf)")


@pytest.mark.parametrize("x, df1, df2", [(0.5, 2.0, 7.0), (2.0, 7.0, 2.0), (1.3, 5.0, 5.0)])
def test_f_is_beta_of_the_ratio(x, df1, df2):
    y = (x * df1) / df2
    assert_bits(q.pf(x, df1, df2), q.pbeta(y / (y + 1), df1 * 0.5, df2 * 0.5), f"pf({x}, {df1}, {df2})")


LOG_CASES = [
    ("pbeta", (0.3, 2.0, 5.0)),
    ("pbeta", (0.0, 2.0, 5.0)),
    ("pbeta", (0.5, 0.0, 0.0)),
    ("pchisq", (0.5, 3.0)),
    ("pchisq", (2.0, 0.0)),
    ("pchisq", (1e-3, 30.0)),
    ("pf", (1.0, INF, INF)),
    ("pf", (0.8, 3.0, 9.0)),
    ("pgamma", (1100.0, 1000.0, 1.0)),  # at 1300 the log is -Q = -1e-18, below the value's resolution
    ("pgamma", (0.2, 4.0, 3.0)),
    ("pinvgamma", (0.5, 3.0, 2.0)),
    ("pinvgamma", (0.0, 3.0, 2.0)),
    ("pt", (-30.0, 5.0)),
    ("pt", (1.5, 2.0)),
    ("pt", (0.3, 1.0)),
    ("pt", (-0.7, 7.0)),
]


@pytest.mark.parametrize("name, args", LOG_CASES, ids=[f"{r[0]}{r[1]}" for r in LOG_CASES])
def test_log_flag_is_the_logarithm_of_the_value(name, args):
    f = getattr(q, name)
    assert_bits(f(*args, True), log_kernel(f(*args)), f"log {name}{args}")


# Grids that reach the places where quadrature, fraction or reflection round
# past 1 or below 0; every value must be a probability and every logged
# value a logarithm of one.
GRIDS = [
    ("pgamma", lambda g: (g[0] * g[1], g[1], 1.0), (np.linspace(0.5, 3, 60), np.geomspace(10, 3000, 40))),
    ("pchisq", lambda g: (g[0] * g[1], g[1]), (np.linspace(0.1, 4, 60), np.geomspace(0.5, 2000, 40))),
    ("pinvgamma", lambda g: (g[0], g[1], g[1]), (np.linspace(0.2, 5, 60), np.geomspace(0.5, 2000, 40))),
    ("pbeta", lambda g: (g[0], g[1], g[1] * 0.7), (np.linspace(0.001, 0.999, 60), np.geomspace(0.1, 2000, 40))),
    ("pf", lambda g: (g[0], g[1], g[1] + 3), (np.linspace(0.05, 6, 60), np.geomspace(0.5, 2000, 40))),
    ("pt", lambda g: (g[0], g[1]), (np.linspace(-40, 40, 60), np.geomspace(0.2, 5000, 40))),
]


@pytest.mark.parametrize("name, args, axes", GRIDS, ids=[r[0] for r in GRIDS])
def test_values_stay_in_the_unit_interval(name, args, axes):
    g = np.meshgrid(*axes)
    f = getattr(q, name)
    v = f(*args(g))
    lv = f(*args(g), True)
    assert not np.isnan(v).any() and not np.isnan(lv).any()
    assert ((v >= 0) & (v <= 1)).all()
    assert (lv <= 0).all()


def test_gamma_rounding_past_one_is_clamped():
    assert q.pgamma(1300.0, 1000.0, 1.0) <= 1.0
    assert_bits(q.pgamma(1e4, 1000.0, 1.0, True), 0.0, "log pgamma(1e4, 1000)")


def _rng(name):
    return np.random.default_rng(sum(map(ord, name)))


# Accuracy against SciPy in ordinary ranges, parameters drawn independently
# so that a swapped operand fails. Tolerances are absolute, set by the
# method: the incomplete gamma's lower fraction (shape below 10) is good to
# about 5e-12 near 1, while for shapes of 10 and more the 50-point quadrature
# over a window of a few standard deviations is good only to a few units in
# 1e-9; the beta continued fraction is good to about 1e-13.
def _gamma_small(r):
    x, a, s = r.uniform(0.01, 40, 500), r.uniform(0.1, 9.9, 500), r.uniform(0.2, 3, 500)
    return q.pgamma(x, a, s), stats.gamma.cdf(x, a, scale=s), 1e-11


def _gamma_large(r):
    a = r.uniform(10, 800, 500)
    x = a * r.uniform(0.3, 4, 500)
    return q.pgamma(x, a, 1.0), stats.gamma.cdf(x, a), 5e-9


def _chisq(r):
    x, k = r.uniform(0.01, 30, 500), r.uniform(0.2, 19.8, 500)
    return q.pchisq(x, k), stats.chi2.cdf(x, k), 1e-11


def _invgamma(r):
    x, a, s = r.uniform(0.01, 10, 500), r.uniform(0.1, 9.9, 500), r.uniform(0.2, 3, 500)
    return q.pinvgamma(x, a, s), stats.invgamma.cdf(x, a, scale=s), 1e-11


def _beta(r):
    x, a, b = r.uniform(0.001, 0.999, 500), r.uniform(0.1, 40, 500), r.uniform(0.1, 40, 500)
    return q.pbeta(x, a, b), stats.beta.cdf(x, a, b), 1e-13


def _f(r):
    x, d1, d2 = r.uniform(0.01, 10, 500), r.uniform(0.5, 40, 500), r.uniform(0.5, 40, 500)
    return q.pf(x, d1, d2), stats.f.cdf(x, d1, d2), 1e-13


def _t(r):
    x, d = r.uniform(-12, 12, 500), r.uniform(0.3, 80, 500)
    return q.pt(x, d), stats.t.cdf(x, d), 1e-13


@pytest.mark.parametrize("case", [_gamma_small, _gamma_large, _chisq, _invgamma, _beta, _f, _t])
def test_accuracy_against_scipy(case):
    got, want, atol = case(_rng(case.__name__))
    np.testing.assert_allclose(got, want, rtol=0, atol=atol)


def test_t_relative_accuracy_in_the_lower_tail():
    # The tail branch evaluates the tail directly, without cancellation.
    x = -np.geomspace(5, 1e4, 200)
    for dof in (3.0, 10.0):
        np.testing.assert_allclose(q.pt(x, dof), stats.t.cdf(x, dof), rtol=1e-12, atol=0)


def test_broadcast_over_shape_and_scale():
    x = np.array([0.5, 1.0, 2.0])
    shape = np.array([[1.5], [3.0]])
    got = q.pgamma(x, shape, 2.0)
    assert got.shape == (2, 3)
    for i in range(2):
        for j in range(3):
            assert bits(got[i, j]) == bits(q.pgamma(x[j], shape[i, 0], 2.0))
