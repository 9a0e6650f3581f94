"""Densities built on log-gamma: test order, special values, limit corners, accuracy."""
import math

import numpy as np
import pytest
from scipy import stats

import quantora as q
from exact import assert_bits, bits

INF = math.inf
NAN = math.nan
INT64_MAX = 2 ** 63 - 1

# (function, args, density, log-density); None skips the log mode.
SPECIAL = [
    ("dbeta", (0, 1, 3), 3.0, None),
    ("dbeta", (1, 3, 1), 3.0, None),
    ("dbeta", (0, 0.5, 2), INF, INF),
    ("dbeta", (1, 2, 0.5), INF, INF),
    ("dbeta", (0, 2, 2), 0.0, -INF),
    ("dbeta", (1, 2, 2), 0.0, -INF),
    ("dbeta", (0.5, 0, 0), 0.0, -INF),
    ("dbeta", (0, 0, 0), INF, INF),
    ("dbeta", (1, 0, 0), INF, INF),
    ("dbeta", (0, 0, 2), INF, INF),
    ("dbeta", (0.3, 0, 2), 0.0, -INF),
    ("dbeta", (0, 0, INF), INF, INF),
    ("dbeta", (1, 2, 0), INF, INF),
    ("dbeta", (0.5, INF, INF), INF, INF),
    ("dbeta", (0.3, INF, INF), 0.0, -INF),
    ("dbeta", (1, INF, 2), INF, INF),
    ("dbeta", (0, 2, INF), INF, INF),
    ("dbeta", (0.5, 2, INF), 0.0, -INF),
    ("dbeta", (1.5, 2, 2), 0.0, -INF),
    ("dbeta", (1.5, -1, 2), NAN, NAN),
    ("dbeta", (-0.5, 2, -1), NAN, NAN),
    ("dbinom", (0, 0, 0.3), 1.0, 0.0),
    ("dbinom", (1, 0, 0.3), 0.0, -INF),
    ("dbinom", (1, 1, 0.3), 0.3, None),
    ("dbinom", (0, 1, 0.25), 0.75, None),
    ("dbinom", (3, 3, 1), 1.0, 0.0),
    ("dbinom", (0, 5, 0), 1.0, 0.0),
    ("dbinom", (0, 5, 1), 0.0, -INF),
    ("dbinom", (5, 5, 0), 0.0, -INF),
    ("dbinom", (2, 5, 0), 0.0, -INF),
    ("dbinom", (2, 5, 1), 0.0, -INF),
    ("dbinom", (-1, 5, 0.5), 0.0, -INF),
    ("dbinom", (6, 5, 0.5), 0.0, -INF),
    ("dbinom", (-1, -1, 0.5), NAN, NAN),
    ("dbinom", (-1, 5, INF), NAN, NAN),
    ("dbinom", (9, 5, 1.5), NAN, NAN),
    ("dchisq", (0, 1), INF, INF),
    ("dchisq", (0, 2), 0.5, None),
    ("dchisq", (0, 3), 0.0, -INF),
    ("dchisq", (INF, 3), 0.0, -INF),
    ("dchisq", (1, INF), 0.0, -INF),
    ("dchisq", (1, 0), 0.0, -INF),
    ("dchisq", (-1, 3), 0.0, -INF),
    ("dchisq", (-1, -1), NAN, NAN),
    ("df", (0, 1, 5), INF, INF),
    ("df", (0, 2, 5), 1.0, 0.0),
    ("df", (0, 3, 5), 0.0, -INF),
    ("df", (INF, 1, 5), 0.0, -INF),  # the density vanishes at infinity for every dof, no NaN
    ("df", (INF, 3, 0.5), 0.0, -INF),  # the density vanishes at infinity for every dof, no NaN
    ("df", (INF, 3, 5), 0.0, -INF),
    ("df", (INF, INF, 1), 0.0, -INF),  # the density vanishes at infinity for every dof, no NaN
    ("df", (INF, INF, 2), 0.0, -INF),
    ("df", (INF, 1, INF), 0.0, -INF),
    ("df", (1, INF, INF), INF, INF),
    ("df", (2, INF, INF), 0.0, -INF),
    ("df", (-1, 1e-17, 1), NAN, NAN),
    ("df", (-1, 2, 3), 0.0, -INF),
    ("dgamma", (0, 0, 1), INF, INF),
    ("dgamma", (0, 0.5, 1), INF, INF),
    ("dgamma", (0, 1, 2), 0.5, None),
    ("dgamma", (0, 2, 1), 0.0, -INF),
    ("dgamma", (1, 0, 1), 0.0, -INF),
    ("dgamma", (1, 1, 1e-17), NAN, NAN),
    ("dgamma", (-1, 1, 1e-17), NAN, NAN),
    ("dgamma", (INF, 2, 1), 0.0, -INF),
    ("dgamma", (1, INF, 1), 0.0, -INF),
    ("dinvgamma", (0, 0, 1), 0.0, -INF),
    ("dinvgamma", (1, 0, 1), INF, INF),
    ("dinvgamma", (0, 2, 0), INF, INF),
    ("dinvgamma", (0, 2, 1), 0.0, -INF),
    ("dinvgamma", (1, 2, 0), 0.0, -INF),
    ("dinvgamma", (INF, 2, 1), 0.0, -INF),
    ("dinvgamma", (1, 2, INF), 0.0, -INF),
    ("dinvgamma", (1, 2, -1), NAN, NAN),
    ("dinvgamma", (-1, 2, -1), NAN, NAN),
    ("dpois", (0, 0), 1.0, 0.0),
    ("dpois", (1, 0), 0.0, -INF),
    ("dpois", (3, INF), 0.0, -INF),
    ("dpois", (-1, 2), 0.0, -INF),
    ("dpois", (-1, INF), 0.0, -INF),
    ("dpois", (1, -1), NAN, NAN),
    ("dpois", (-1, -1), NAN, NAN),
    ("dt", (INF, 3), 0.0, -INF),
    ("dt", (-INF, INF), 0.0, -INF),
    ("dt", (1, 1e-17), NAN, NAN),
    ("dt", (INF, 1e-17), NAN, NAN),
]


@pytest.mark.parametrize("name, args, value, log_value", SPECIAL)
def test_special_values(name, args, value, log_value):
    f = getattr(q, name)
    assert_bits(f(*args), value, f"{name}{args}")
    if log_value is not None:
        assert_bits(f(*args, log=True), log_value, f"{name}{args} log")


def test_single_trial_is_bernoulli_and_ignores_the_log_formula():
    for x in (0, 1, 2, -1):
        for log in (False, True):
            assert_bits(q.dbinom(x, 1, 0.3, log=log), q.dbern(x, 0.3, log=log), f"x={x} log={log}")


@pytest.mark.parametrize("x", [1e-3, 0.37, 1.0, 2.5, 40.0])
def test_infinite_degrees_of_freedom_reduce_exactly(x):
    for log in (False, True):
        assert_bits(q.df(x, INF, 4, log=log), q.dinvgamma(x, 2, 2, log=log), f"df({x}, inf, 4)")
        assert_bits(q.df(x, 4, INF, log=log), q.dgamma(x, 2, 0.5, log=log), f"df({x}, 4, inf)")
        assert_bits(q.dt(x, INF, log=log), q.dnorm(x, 0, 1, log=log), f"dt({x}, inf)")


def test_f_with_huge_numerator_dof_has_too_small_a_gamma_scale():
    # 2/df1 falls below EPS, which dgamma rejects.
    assert_bits(q.df(1.0, 1e17, INF), NAN)


# A logarithm of -infinity (argument below EPS) times an exactly zero exponent
# counts as 0, so these points give the density's limit instead of NaN.
def test_zero_exponent_corners_give_the_limit():
    # The log-density is exact: the remaining terms are exact zeros or vanish
    # against the rounding of the leading term.
    assert_bits(q.dgamma(1e-17, 1, 1), 1.0)
    assert_bits(q.dgamma(1e-17, 1, 2, log=True), -q.dexp(0, 2, log=True))
    assert_bits(q.dchisq(1e-17, 2, log=True), -0.6931471805599453)
    assert_bits(q.dpois(0, 1e-20), 1.0)
    assert_bits(q.dpois(0, 1e-20, log=True), -1e-20)
    # The beta exponent a - 1 or b - 1 vanishes at either end of the interval.
    assert q.dbeta(1e-17, 1, 3) == pytest.approx(3.0, rel=1e-13)
    assert q.dbeta(1 - 2.0 ** -53, 3, 1) == pytest.approx(3.0, rel=1e-13)
    # ln B(1, 1) through ln Γ(2), which the Lanczos sum leaves 1e-13 from 0.
    assert q.dbeta(1e-300, 1, 1, log=True) == pytest.approx(0.0, abs=1e-12)
    # The F density reaches the corner through its beta form.
    assert q.df(1e-17, 2, 5) == pytest.approx(1.0, rel=1e-13)
    # ln B through ln Γ, which the Lanczos sum leaves about 1e-13 off.
    assert q.df(1e-300, 2, 0.7, log=True) == pytest.approx(0.0, abs=1e-12)


def test_poisson_mass_at_the_largest_count():
    # x + 1 must not wrap to the smallest count: the log-mass is finite.
    got = q.dpois(INT64_MAX, 5.0, log=True)
    x = float(INT64_MAX)
    assert got == pytest.approx(x * math.log(5.0) - 5.0 - math.lgamma(x + 1), rel=1e-12), bits(got)
    assert_bits(q.dpois(INT64_MAX, 5.0), 0.0)


@pytest.mark.parametrize("n", [2, 2 ** 62, INT64_MAX])
def test_binomial_end_points_for_any_trial_count(n):
    # Only the end points' own factor enters: prob**n or (1 - prob)**n.
    assert_bits(q.dbinom(n, n, 1.0), 1.0)
    assert_bits(q.dbinom(0, n, 0.0), 1.0)
    assert_bits(q.dbinom(n, n, 0.0, log=True), -INF)
    assert_bits(q.dbinom(n - 1, n, 1.0, log=True), -INF)


def check_close(got, want, tol):
    got, want = np.asarray(got, float), np.asarray(want, float)
    finite = np.isfinite(want)
    assert np.array_equal(got[~finite], want[~finite])
    scale = np.maximum(1.0, np.abs(want[finite]))
    err = np.max(np.abs(got[finite] - want[finite]) / scale, initial=0.0)
    assert err <= tol, f"max error {err:.2e}"


XU = np.linspace(0.001, 0.999, 41)
XP = np.geomspace(1e-3, 50, 40)
XT = np.linspace(-30, 30, 61)
K = np.arange(0, 121, 3)

# (name, x, parameters, scipy log-density); log-densities agree to about 1e-12
# in absolute terms near 0 and relative terms elsewhere, and so the densities
# agree to about 1e-12 relative.
ACCURACY = [
    ("dbeta", XU, (0.5, 0.5), lambda x: stats.beta.logpdf(x, 0.5, 0.5)),
    ("dbeta", XU, (2.0, 3.0), lambda x: stats.beta.logpdf(x, 2.0, 3.0)),
    ("dbeta", XU, (0.7, 4.2), lambda x: stats.beta.logpdf(x, 0.7, 4.2)),
    ("dbeta", XU, (30.0, 12.0), lambda x: stats.beta.logpdf(x, 30.0, 12.0)),
    ("dbeta", XU, (2.5, 1.0), lambda x: stats.beta.logpdf(x, 2.5, 1.0)),
    ("dbinom", np.arange(-1, 12), (10, 0.3), lambda x: stats.binom.logpmf(x, 10, 0.3)),
    ("dbinom", np.arange(0, 101), (100, 0.77), lambda x: stats.binom.logpmf(x, 100, 0.77)),
    ("dbinom", np.arange(0, 58), (57, 0.01), lambda x: stats.binom.logpmf(x, 57, 0.01)),
    ("dchisq", XP, (0.5,), lambda x: stats.chi2.logpdf(x, 0.5)),
    ("dchisq", XP, (3.0,), lambda x: stats.chi2.logpdf(x, 3.0)),
    ("dchisq", XP, (40.0,), lambda x: stats.chi2.logpdf(x, 40.0)),
    ("df", XP, (1.0, 1.0), lambda x: stats.f.logpdf(x, 1.0, 1.0)),
    ("df", XP, (2.0, 5.0), lambda x: stats.f.logpdf(x, 2.0, 5.0)),
    ("df", XP, (7.3, 0.8), lambda x: stats.f.logpdf(x, 7.3, 0.8)),
    ("df", XP, (0.5, 30.0), lambda x: stats.f.logpdf(x, 0.5, 30.0)),
    ("dgamma", XP, (0.5, 1.0), lambda x: stats.gamma.logpdf(x, 0.5, scale=1.0)),
    ("dgamma", XP, (7.3, 0.4), lambda x: stats.gamma.logpdf(x, 7.3, scale=0.4)),
    ("dgamma", XP, (40.0, 1.5), lambda x: stats.gamma.logpdf(x, 40.0, scale=1.5)),
    ("dinvgamma", XP, (0.5, 1.0), lambda x: stats.invgamma.logpdf(x, 0.5, scale=1.0)),
    ("dinvgamma", XP, (7.3, 0.4), lambda x: stats.invgamma.logpdf(x, 7.3, scale=0.4)),
    ("dinvgamma", XP, (40.0, 1.5), lambda x: stats.invgamma.logpdf(x, 40.0, scale=1.5)),
    ("dpois", K, (0.1,), lambda x: stats.poisson.logpmf(x, 0.1)),
    ("dpois", K, (3.7,), lambda x: stats.poisson.logpmf(x, 3.7)),
    ("dpois", K, (25.0,), lambda x: stats.poisson.logpmf(x, 25.0)),
    ("dt", XT, (0.3,), lambda x: stats.t.logpdf(x, 0.3)),
    ("dt", XT, (2.5,), lambda x: stats.t.logpdf(x, 2.5)),
    ("dt", XT, (10.0,), lambda x: stats.t.logpdf(x, 10.0)),
    ("dt", XT, (100.0,), lambda x: stats.t.logpdf(x, 100.0)),
]


@pytest.mark.parametrize("name, x, params, logpdf", ACCURACY,
                         ids=[f"{a[0]}{a[2]}" for a in ACCURACY])
def test_accuracy_against_scipy(name, x, params, logpdf):
    f = getattr(q, name)
    want = logpdf(x)
    check_close(f(x, *params, log=True), want, 1e-12)
    got = f(x, *params)
    inside = np.exp(want) > 1e-300
    ratio = got[inside] / np.exp(want[inside])
    assert np.max(np.abs(ratio - 1)) <= 1e-12
    assert np.all(got[np.isneginf(want)] == 0)


@pytest.mark.parametrize("name, args", [
    ("dbeta", (0.3, 2.5, 4.0)),
    ("dbinom", (7, 20, 0.4)),
    ("dchisq", (3.3, 4.5)),
    ("dgamma", (2.2, 3.1, 0.7)),
    ("dinvgamma", (0.8, 2.5, 1.3)),
    ("dpois", (6, 4.2)),
    ("dt", (-1.7, 3.5)),
    ("df", (1.3, 4.0, 9.0)),
])
def test_log_mode_is_the_log_density(name, args):
    f = getattr(q, name)
    assert f(*args) == pytest.approx(math.exp(f(*args, log=True)), rel=1e-14), bits(f(*args))


def test_f_log_mode_is_a_sum_of_logarithms():
    # log t plus the beta log-density: accurate where the density is below EPS.
    assert q.df(1e6, 5, 5) < 2.0 ** -52
    assert q.df(1e6, 5, 5, log=True) == pytest.approx(stats.f.logpdf(1e6, 5, 5), rel=1e-12)
    # Once y / (y + 1) rounds to 1 the density comes from 1/(y + 1) directly.
    assert q.df(1e30, 5, 5, log=True) == pytest.approx(stats.f.logpdf(1e30, 5, 5), rel=1e-12)
