"""Closed-form distribution functions: special-value tables and test order,
exact values, the clamp into [0, 1], the log flag, accuracy against SciPy."""
import math

import numpy as np
import pytest
from scipy import stats

import quantora as q
from exact import assert_bits, bits

INF = math.inf
NAN = math.nan

# (function, arguments, expected value); each row pins one step of a kernel's
# test order, so a reordered test or a wrong limit shows up here.
SPECIAL = [
    ("pnorm", (0.0, 0.0, 1.0), 0.5),
    ("pnorm", (1.0, 1.0, 0.0), 1.0),
    ("pnorm", (0.5, 1.0, 0.0), 0.0),
    ("pnorm", (INF, INF, 1.0), NAN),
    ("pnorm", (-INF, -INF, 1.0), NAN),
    ("pnorm", (INF, INF, INF), NAN),  # same infinity is tested before the scale
    ("pnorm", (INF, -INF, 1.0), 1.0),
    ("pnorm", (0.0, 0.0, INF), 0.5),
    ("pnorm", (-INF, 0.0, INF), 0.0),
    ("pnorm", (INF, 0.0, INF), 1.0),
    ("pnorm", (0.0, -INF, INF), 1.0),
    ("pnorm", (-INF, -INF, 0.0), NAN),
    ("pnorm", (0.0, INF, INF), 0.0),
    ("pnorm", (3.0, INF, 0.0), 0.0),
    ("pnorm", (INF, 1.0, 0.0), 1.0),
    ("pnorm", (-INF, 1.0, 2.0), 0.0),
    ("pnorm", (0.0, 0.0, -1.0), NAN),
    ("pnorm", (NAN, 0.0, -1.0), NAN),
    ("pnorm", (1e308, -1e308, 1.0), 1.0),  # x - mu overflows; erf(+inf) is 1
    ("pcauchy", (0.0, 0.0, INF), 0.5),
    ("pcauchy", (INF, 0.0, INF), NAN),
    ("pcauchy", (0.0, INF, INF), NAN),
    ("pcauchy", (INF, 0.0, 1.0), 1.0),
    ("pcauchy", (0.0, INF, 1.0), 0.0),
    ("pcauchy", (0.0, -INF, 1.0), 1.0),
    ("pcauchy", (-INF, -INF, 1.0), NAN),
    ("pcauchy", (2.0, 1.0, 0.0), 1.0),
    ("pcauchy", (0.0, 1.0, 0.0), 0.0),
    ("pcauchy", (1.0, 1.0, 0.0), NAN),
    ("pcauchy", (0.0, 0.0, 1.0), 0.5),
    ("pexp", (0.0, 1.0), 0.0),
    ("pexp", (-1.0, 1.0), 0.0),
    ("pexp", (-1.0, INF), 0.0),  # x <= 0 before the infinite rate
    ("pexp", (2.0, INF), 1.0),
    ("pexp", (INF, 1.0), 1.0),
    ("pexp", (INF, 0.0), NAN),
    ("pexp", (3.0, 0.0), 0.0),
    ("pexp", (1.0, -1.0), NAN),
    ("plaplace", (3.0, 3.0, 0.0), 0.5),
    ("plaplace", (4.0, 3.0, 0.0), 1.0),
    ("plaplace", (2.0, 3.0, 0.0), 0.0),
    ("plaplace", (3.0, 3.0, 1.0), 0.5),
    ("plaplace", (0.0, 0.0, INF), 0.5),
    ("plaplace", (INF, 0.0, INF), NAN),
    ("plaplace", (INF, INF, 0.0), NAN),
    ("plaplace", (INF, 0.0, 0.0), 1.0),
    ("plaplace", (INF, 0.0, 1.0), 1.0),
    ("plaplace", (0.0, INF, 1.0), 0.0),
    ("plaplace", (0.0, -INF, 1.0), 1.0),
    ("plnorm", (0.0, 0.0, 1.0), 0.0),
    ("plnorm", (1e-17, 0.0, 1.0), 0.0),
    ("plnorm", (-1.0, 0.0, 1.0), 0.0),
    ("plnorm", (1.0, 0.0, 1.0), 0.5),
    ("plnorm", (INF, 0.0, 1.0), 1.0),
    ("plnorm", (INF, INF, 1.0), NAN),  # pnorm's own same-infinity rule
    ("plnorm", (0.0, 0.0, -1.0), NAN),
    ("plogis", (0.0, 0.0, 1.0), 0.5),
    ("plogis", (3.0, 3.0, 0.0), 0.5),
    ("plogis", (4.0, 3.0, 0.0), 1.0),
    ("plogis", (2.0, 3.0, 0.0), 0.0),
    ("plogis", (INF, 0.0, 1.0), 1.0),
    ("plogis", (-INF, 0.0, 1.0), 0.0),
    ("plogis", (0.0, INF, 0.0), 0.0),
    ("plogis", (INF, INF, 1.0), NAN),
    ("plogis", (0.0, 0.0, INF), 0.5),
    ("plogis", (INF, 0.0, INF), NAN),
    ("punif", (0.0, 0.0, 1.0), 0.0),
    ("punif", (1.0, 0.0, 1.0), 1.0),
    ("punif", (0.25, 0.0, 1.0), 0.25),
    ("punif", (0.0, -INF, INF), NAN),
    ("punif", (0.0, -INF, 1.0), NAN),
    ("punif", (-INF, -INF, 1.0), 0.0),
    ("punif", (0.0, 1.0, INF), 0.0),
    ("punif", (5.0, 1.0, INF), 0.0),
    ("punif", (INF, 1.0, INF), 1.0),
    ("punif", (0.5, 1.0, 1.0), NAN),
    ("punif", (0.5, 2.0, 1.0), NAN),
    ("pweibull", (0.0, 2.0, 1.0), 0.0),
    ("pweibull", (-0.0, 2.0, 1.0), 0.0),
    ("pweibull", (INF, 2.0, 1.0), 1.0),
    ("pweibull", (INF, 2.0, INF), NAN),
    ("pweibull", (2.0, 2.0, INF), 0.0),
    ("pweibull", (2.0, INF, 1.0), 1.0),
    ("pweibull", (0.5, INF, 1.0), 0.0),
    ("pweibull", (1.0, 1e-17, 1.0), NAN),
    ("pweibull", (1.0, 1.0, 1e-17), NAN),
]


@pytest.mark.parametrize("name, args, want", SPECIAL, ids=[f"{r[0]}{r[1]}" for r in SPECIAL])
def test_special_values(name, args, want):
    assert_bits(getattr(q, name)(*args), want, f"{name}{args}")


@pytest.mark.parametrize("prob", [0.0, 0.3, 1.0])
@pytest.mark.parametrize("x, want", [(-1, "zero"), (0, "complement"), (1, "one"), (5, "one")])
def test_pbern_steps(x, want, prob):
    value = {"zero": 0.0, "complement": 1 - prob, "one": 1.0}[want]
    assert_bits(q.pbern(x, prob), value, f"pbern({x}, {prob})")
    logged = {"zero": -INF, "one": 0.0}.get(want)
    if logged is not None:
        assert_bits(q.pbern(x, prob, log_p=True), logged, f"log pbern({x}, {prob})")


@pytest.mark.parametrize("prob", [NAN, INF, -INF, -0.1, 1.5])
def test_pbern_rejects_prob_for_every_x(prob):
    assert math.isnan(q.pbern(-1, prob)) and math.isnan(q.pbern(3, prob))


def test_weibull_step_at_the_scale_is_the_exponential_at_one():
    # Both are -expm1(-1) through the same kernel.
    assert_bits(q.pweibull(1.0, INF, 1.0), q.pexp(1.0, 1.0), "pweibull(1, inf, 1)")


# Arguments whose result is a fixed constant: 0 logs to -inf, 1 to 0, with no
# logarithm taken.
LOG_CASES = [
    ("pnorm", (-INF, 0.0, 1.0), -INF),
    ("pnorm", (INF, 0.0, 1.0), 0.0),
    ("plnorm", (0.0, 0.0, 1.0), -INF),
    ("pweibull", (0.0, 2.0, 1.0), -INF),
    ("pexp", (0.0, 2.0), -INF),
    ("pexp", (2.0, INF), 0.0),
    ("punif", (1.0, 0.0, 1.0), 0.0),
    ("pcauchy", (1.0, 1.0, 0.0), NAN),
]


@pytest.mark.parametrize("name, args, want", LOG_CASES)
def test_log_flag_constants(name, args, want):
    assert_bits(getattr(q, name)(*args, True), want, f"log {name}{args}")


@pytest.mark.parametrize(
    "name, args",
    [
        ("pnorm", (0.3, -0.2, 1.7)),
        ("pcauchy", (-2.0, 0.5, 3.0)),
        ("pexp", (0.7, 1.3)),
        ("plaplace", (-0.4, 0.1, 0.6)),
        ("plnorm", (2.5, 0.3, 0.8)),
        ("plogis", (1.5, -1.0, 2.0)),
        ("punif", (0.3, -1.0, 2.0)),
        ("pweibull", (1.2, 1.7, 0.9)),
    ],
)
def test_log_flag_is_log_kernel_of_value(name, args):
    # The uniform distribution function on (0, 1) is the identity, so its
    # logged value is the library's logarithm of the value.
    f = getattr(q, name)
    assert_bits(f(*args, log_p=True), q.punif(f(*args), 0.0, 1.0, True), f"log {name}{args}")


@pytest.mark.parametrize("z", [19.0, 19.25, 19.5, 25.0, 40.0, 200.0, 1e10, 1e200, 1e308])
def test_plogis_far_tails_stay_in_unit_interval(z):
    # The fixed-depth hyperbolic tangent overshoots 1 here; the value is
    # clamped, so the upper tail is at most 1. The lower tail is e^(-2z)/(1 + e^(-2z)).
    upper, lower = q.plogis(z, 0.0, 0.5), q.plogis(-z, 0.0, 0.5)
    assert 0.0 <= lower <= 1e-8 and 1 - 1e-8 <= upper <= 1.0
    assert q.plogis(z, 0.0, 0.5, True) <= 0.0
    assert q.plogis(-z, 0.0, 0.5, True) == pytest.approx(-2 * z - math.log1p(math.exp(-2 * z)), rel=1e-15)
    if z >= 40:
        assert_bits(upper, 1.0, f"plogis({z})")


def _grid(seed, size, lo, hi):
    return np.random.default_rng(seed).uniform(lo, hi, size)


# Accuracy against SciPy in ordinary ranges. Each row uses unequal location,
# scale and x so that swapped operands fail. Tolerances: the lower tails are
# formed as 1 + erf / tanh / atan and lose relative accuracy to cancellation,
# so the comparison is partly absolute. The normal rows are coarser: the
# error function's small-argument fraction has a fixed depth that leaves
# errors up to about 4e-13 for arguments between 1.5 and 2.1, that is
# |x - mu| between about 2.1 and 3 standard deviations.
ACCURACY = [
    ("pnorm", lambda x: (x, 0.7, 1.9), lambda x: stats.norm.cdf(x, 0.7, 1.9), (-8, 10), 5e-13, 1e-14),
    ("pcauchy", lambda x: (x, -1.2, 0.4), lambda x: stats.cauchy.cdf(x, -1.2, 0.4), (-50, 50), 4e-16, 1e-13),
    ("pexp", lambda x: (x, 2.5), lambda x: stats.expon.cdf(x, scale=1 / 2.5), (0, 12), 2e-16, 1e-13),
    ("plaplace", lambda x: (x, 0.3, 1.7), lambda x: stats.laplace.cdf(x, 0.3, 1.7), (-20, 20), 2e-16, 1e-13),
    ("plnorm", lambda x: (x, 0.4, 0.6), lambda x: stats.lognorm.cdf(x, 0.6, scale=math.exp(0.4)), (0.01, 20), 5e-13, 1e-13),
    ("plogis", lambda x: (x, -0.5, 1.3), lambda x: stats.logistic.cdf(x, -0.5, 1.3), (-30, 30), 2e-16, 1e-13),
    ("punif", lambda x: (x, -1.5, 2.5), lambda x: stats.uniform.cdf(x, -1.5, 4.0), (-2, 3), 0.0, 1e-15),
    ("pweibull", lambda x: (x, 1.7, 2.2), lambda x: stats.weibull_min.cdf(x, 1.7, scale=2.2), (0.001, 10), 2e-16, 1e-13),
]


@pytest.mark.parametrize("name, args, ref, span, atol, rtol", ACCURACY, ids=[r[0] for r in ACCURACY])
def test_accuracy_against_scipy(name, args, ref, span, atol, rtol):
    x = _grid(sum(map(ord, name)), 400, *span)
    got = getattr(q, name)(*args(x))
    want = ref(x)
    np.testing.assert_allclose(got, want, rtol=rtol, atol=atol)


def test_pnorm_relative_accuracy_away_from_the_fraction_switch():
    x = np.concatenate([np.linspace(-1.0, 2.0, 301), np.linspace(3.0, 8.0, 301)])
    np.testing.assert_allclose(q.pnorm(x, 0.0, 1.0), stats.norm.cdf(x), rtol=1e-14, atol=0)


def test_array_result_matches_scalar_calls():
    x = np.array([[-1.0, 0.0], [0.5, 2.0]])
    sigma = np.array([0.5, 2.0])
    got = q.pnorm(x, 0.25, sigma)
    for i in range(2):
        for j in range(2):
            assert_bits(got[i, j], q.pnorm(x[i, j], 0.25, sigma[j]), f"[{i},{j}]")
    assert bits(q.pnorm(0.0, 0.0, 1.0)) == bits(0.5)
