"""Closed-form densities: test order, special values, exact corners, accuracy."""
import math

import numpy as np
import pytest
from scipy import stats

import quantora as q
from exact import assert_bits, bits

INF = math.inf
NAN = math.nan


# (function, args, density, log-density); the order of the tests decides
# which answer wins when several special conditions hold at once.
SPECIAL = [
    ("dnorm", (0, 0, 0), INF, INF),
    ("dnorm", (1, 0, 0), 0.0, -INF),
    ("dnorm", (INF, INF, 1), NAN, NAN),
    ("dnorm", (INF, -INF, 1), 0.0, -INF),
    ("dnorm", (1, 0, INF), 0.0, -INF),
    ("dnorm", (INF, INF, INF), 0.0, -INF),
    ("dnorm", (-INF, -INF, 0), NAN, NAN),
    ("dnorm", (0, 0, -1), NAN, NAN),
    ("dnorm", (NAN, 0, -1), NAN, NAN),
    ("dbern", (1, 0.25), 0.25, None),
    ("dbern", (2, 0.25), 0.0, -INF),
    ("dbern", (-1, 0.25), 0.0, -INF),
    ("dbern", (0, 1.0), 0.0, -INF),
    ("dbern", (2, 1.5), NAN, NAN),
    ("dbern", (7, INF), NAN, NAN),
    ("dbern", (0, -INF), NAN, NAN),
    ("dcauchy", (0, 0, 0), NAN, NAN),
    ("dcauchy", (3, 1, 0), NAN, NAN),
    ("dcauchy", (INF, 0, 1), 0.0, -INF),
    ("dcauchy", (INF, INF, 1), NAN, NAN),
    ("dcauchy", (-INF, INF, 1), 0.0, -INF),
    ("dcauchy", (0, 0, INF), 0.0, -INF),
    ("dcauchy", (INF, 0, INF), NAN, NAN),
    ("dcauchy", (0, -INF, INF), NAN, NAN),
    ("dexp", (INF, 2), 0.0, -INF),
    ("dexp", (INF, 0), NAN, NAN),
    ("dexp", (1, INF), NAN, NAN),
    ("dexp", (-1, INF), NAN, NAN),
    ("dexp", (1, 0), 0.0, -INF),
    ("dexp", (-1, 1), 0.0, -INF),
    ("dexp", (0, 1), 1.0, 0.0),
    ("dlaplace", (3, 3, 0), INF, INF),
    ("dlaplace", (2, 3, 0), 0.0, -INF),
    ("dlaplace", (INF, INF, INF), 0.0, -INF),
    ("dlaplace", (-INF, -INF, 2), NAN, NAN),
    ("dlaplace", (0, 0, -1), NAN, NAN),
    ("dlnorm", (0, 0, 1), 0.0, -INF),
    ("dlnorm", (1, 0, 0), 0.0, -INF),
    ("dlnorm", (0, -INF, 0), INF, INF),
    ("dlnorm", (INF, INF, 0), INF, INF),
    ("dlnorm", (INF, INF, 1), NAN, NAN),
    ("dlnorm", (0, -INF, 1), 0.0, -INF),
    ("dlnorm", (INF, INF, INF), 0.0, -INF),
    ("dlnorm", (-1, 0, 1), 0.0, -INF),
    ("dlnorm", (-1, 0, -1), NAN, NAN),
    ("dlogis", (0, 0, 0), NAN, NAN),
    ("dlogis", (INF, INF, INF), 0.0, -INF),
    ("dlogis", (INF, INF, 1), NAN, NAN),
    ("dlogis", (-INF, 0, 1), 0.0, -INF),
    ("dlogis", (0, 0, INF), 0.0, -INF),
    ("dunif", (0.5, 0, 2), 0.5, None),
    ("dunif", (0, 0, 4), 0.25, None),
    ("dunif", (4, 0, 4), 0.25, None),
    ("dunif", (1, 1, 1), NAN, NAN),
    ("dunif", (1, 2, 1), NAN, NAN),
    ("dunif", (0, -INF, 1), 0.0, -INF),
    ("dunif", (5, 0, INF), 0.0, -INF),
    ("dunif", (2, 0, 1), 0.0, -INF),
    ("dweibull", (0, 0.5, 1), INF, INF),
    ("dweibull", (0, 2, 1), 0.0, -INF),
    ("dweibull", (INF, 2, 1), 0.0, -INF),
    ("dweibull", (-1, 2, 1), 0.0, -INF),
    ("dweibull", (1, 1e-17, 1), NAN, NAN),
    ("dweibull", (-1, 1e-17, 1), NAN, NAN),
    ("dweibull", (1, 2, 1e-17), NAN, NAN),
]


@pytest.mark.parametrize("name, args, value, log_value", SPECIAL)
def test_special_values(name, args, value, log_value):
    f = getattr(q, name)
    assert_bits(f(*args), value, f"{name}{args}")
    if log_value is not None:
        assert_bits(f(*args, log=True), log_value, f"{name}{args} log")


def test_uniform_log_density_is_negated_log_of_width():
    # dexp(0, r, log) is exactly log(r) - 0, which exposes the logarithm kernel.
    assert_bits(q.dunif(0.5, 0, 2, log=True), -q.dexp(0, 2, log=True))
    assert_bits(q.dunif(-1, -3, 7, log=True), -q.dexp(0, 10, log=True))


def test_log_of_a_density_below_eps_stays_finite():
    # The density 3.2e-17 lies below 2^-52; its logarithm, -37.986, is still finite.
    assert 0 < q.dcauchy(1e8, 0, 1) < 2.0 ** -52
    assert q.dcauchy(1e8, 0, 1, log=True) == pytest.approx(-37.98609137375413, rel=1e-14)
    # A log-density formula keeps the far tail finite.
    assert q.dnorm(40, 0, 1, log=True) == pytest.approx(-800.9189385332047, rel=1e-14)


def test_weibull_unit_shape_near_zero_gives_the_limit():
    # shape == 1 turns (shape - 1) * log(r) into 0 * -infinity for r below EPS;
    # the density is the exponential limit 1/scale there, the same bits as dexp.
    assert_bits(q.dweibull(1e-17, 1, 1), 1.0)
    assert_bits(q.dweibull(0, 1, 1, log=True), 0.0)
    for scale in (2.0, 0.3, 7.5):
        assert_bits(q.dweibull(0, 1, scale), q.dexp(0, 1 / scale), f"scale {scale}")
        assert_bits(q.dweibull(1e-20, 1, scale, log=True), q.dexp(0, 1 / scale, log=True))
    # Just above the corner the formula applies again and stays close to the limit.
    assert q.dweibull(1e-15, 1, 1) == pytest.approx(1.0, rel=1e-14)


def test_lnorm_log_mode_is_not_the_log_of_the_density():
    # Log mode subtracts log x from the normal log-density; the plain mode divides.
    x = 1e-10
    assert q.dlnorm(x, 0, 1) < 2.0 ** -52
    assert q.dlnorm(x, 0, 1, log=True) == pytest.approx(
        stats.lognorm.logpdf(x, 1.0), rel=1e-13)


def rel_close(got, want, rel):
    got, want = np.asarray(got), np.asarray(want)
    err = np.abs(got - want) / np.maximum(np.abs(want), 1e-300)
    return float(np.max(err)) <= rel, float(np.max(err))


X = np.linspace(-4.5, 6.3, 37)
XPOS = np.concatenate([np.geomspace(1e-3, 30, 30), [0.5, 1.0, 2.0]])

ACCURACY = [
    ("dnorm", X, (0.7, 1.9), lambda x: stats.norm.logpdf(x, 0.7, 1.9)),
    ("dcauchy", X, (-0.4, 2.2), lambda x: stats.cauchy.logpdf(x, -0.4, 2.2)),
    ("dexp", XPOS, (1.7,), lambda x: stats.expon.logpdf(x, scale=1 / 1.7)),
    ("dlaplace", X, (0.3, 0.8), lambda x: stats.laplace.logpdf(x, 0.3, 0.8)),
    ("dlnorm", XPOS, (0.4, 0.6), lambda x: stats.lognorm.logpdf(x, 0.6, scale=math.exp(0.4))),
    ("dlogis", X, (1.1, 0.7), lambda x: stats.logistic.logpdf(x, 1.1, 0.7)),
    ("dunif", X, (-2.0, 3.5), lambda x: stats.uniform.logpdf(x, -2.0, 5.5)),
    ("dweibull", XPOS, (2.3, 1.6), lambda x: stats.weibull_min.logpdf(x, 2.3, scale=1.6)),
    ("dweibull", XPOS, (0.6, 3.0), lambda x: stats.weibull_min.logpdf(x, 0.6, scale=3.0)),
]


@pytest.mark.parametrize("name, x, params, logpdf", ACCURACY,
                         ids=[f"{a[0]}{a[2]}" for a in ACCURACY])
def test_accuracy_against_scipy(name, x, params, logpdf):
    f = getattr(q, name)
    want_log = logpdf(x)
    inside = np.isfinite(want_log)
    got_log = f(x, *params, log=True)
    got = f(x, *params)
    ok, err = rel_close(got_log[inside], want_log[inside], 1e-12)
    assert ok, f"log-density off by {err:.2e}"
    ok, err = rel_close(got[inside], np.exp(want_log[inside]), 1e-12)
    assert ok, f"density off by {err:.2e}"
    assert np.all(got[~inside] == 0) and np.all(got_log[~inside] == -INF)


@pytest.mark.parametrize("prob", [0.0, 0.3, 0.77, 1.0])
def test_bernoulli_mass(prob):
    got = q.dbern([-3, 0, 1, 2], prob)
    assert [bits(v) for v in got] == [bits(v) for v in (0.0, 1 - prob, prob, 0.0)]
    # No direct log formula: the logarithm of the mass itself, as dexp(0, v) exposes it.
    for x, v in ((0, 1 - prob), (1, prob)):
        want = q.dexp(0, v, log=True) if v > 0 else -INF
        assert_bits(q.dbern(x, prob, log=True), want, f"dbern({x}, {prob}) log")


@pytest.mark.parametrize("name, args", [
    ("dnorm", (3.2, -1.0, 0.5)),
    ("dlaplace", (-2.0, 1.0, 3.0)),
    ("dlogis", (5.0, 0.5, 1.5)),
    ("dweibull", (2.5, 1.7, 0.9)),
    ("dexp", (4.0, 0.25)),
])
def test_log_mode_is_the_log_density(name, args):
    f = getattr(q, name)
    assert f(*args) == pytest.approx(math.exp(f(*args, log=True)), rel=1e-15), bits(f(*args))
