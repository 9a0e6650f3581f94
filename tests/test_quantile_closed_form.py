"""Closed-form quantiles: exact values, the order of the special-case tests,
agreement with SciPy and round trips through the distribution functions."""
import math

import numpy as np
import pytest
from scipy import stats

import quantora as q
from exact import assert_bits, bits

INF = math.inf
NAN = math.nan
EPS = 2.0**-52
BELOW_ONE = 1 - 2.0**-53

EXACT = [
    # The degenerate scale is tested before the ends of the probability range.
    ("qnorm", (0, 5, 0), 5.0),
    ("qnorm", (1, 5, 0), 5.0),
    ("qnorm", (0.3, -2.5, 0), -2.5),
    ("qnorm", (NAN, 5, 0), NAN),
    ("qnorm", (1.5, 5, 0), NAN),
    ("qnorm", (0, 0, INF), NAN),
    ("qnorm", (0.5, 0, -1), NAN),
    ("qnorm", (0.5, NAN, 1), NAN),
    ("qnorm", (0.5, 2, 3), 2.0),
    ("qnorm", (0, INF, 1), NAN),
    ("qnorm", (1, -INF, 1), NAN),
    ("qnorm", (0, -INF, 1), -INF),
    ("qnorm", (1, INF, 1), INF),
    ("qnorm", (0, 3, 2), -INF),
    ("qnorm", (1, 3, 2), INF),
    ("qnorm", (0.3, INF, 1), INF),
    ("qcauchy", (0.5, 2, 3), 2.0),
    # tan of an angle below EPS is the angle, not 0: 2 - 3 pi 2^-54.
    ("qcauchy", (0.5 - 2.0**-54, 2, 3), 1.9999999999999996),
    ("qcauchy", (0, 1, 0), 1.0),
    ("qcauchy", (0, 1, 1), -INF),
    ("qcauchy", (1, -INF, 1), NAN),
    ("qcauchy", (0.2, 0, INF), NAN),
    ("qlaplace", (0.5, 2, 3), 2.0),
    ("qlaplace", (1, 1, 2), INF),
    ("qlaplace", (0, INF, 2), NAN),
    ("qlogis", (0.5, 2, 3), 2.0),
    ("qlogis", (0.7, 1, 0), 1.0),
    ("qlogis", (0.7, 1, -1), NAN),
    ("qlnorm", (0, 1, 2), 0.0),
    ("qlnorm", (1, 1, 2), INF),
    ("qlnorm", (0, INF, 1), NAN),
    ("qlnorm", (0.5, 0, INF), NAN),
    ("qlnorm", (0.5, 0, -1), NAN),
    ("qlnorm", (0.5, 0, 1), 1.0),
    ("qexp", (1e-16, 2), 5e-17),  # p/rate to the last bit, no longer -0.0
    ("qexp", (1e-16, 0), INF),  # a positive quantile over a zero rate, no longer -0.0/0
    ("qexp", (0.5, -0.0), INF),  # -0.0 is the rate 0
    ("qexp", (0.5, 0), INF),
    ("qexp", (0.5, INF), 0.0),
    ("qexp", (0, 0), 0.0),
    ("qexp", (1, INF), INF),
    ("qexp", (0.5, -1), NAN),
    ("qexp", (NAN, 1), NAN),
    ("qunif", (0.5, 3, 3), NAN),
    ("qunif", (0.5, 4, 3), NAN),
    ("qunif", (0, -1.25, 7), -1.25),
    ("qunif", (1, -1.25, 7), 7.0),
    ("qunif", (0.25, 1, 3), 1.5),
    ("qunif", (0.5, -INF, 1), NAN),
    ("qunif", (0.5, 0, INF), NAN),
    ("qunif", (-0.1, 0, 1), NAN),
    ("qweibull", (0.5, 0, 1), NAN),
    ("qweibull", (0.5, 1e-17, 1), NAN),
    ("qweibull", (0.5, 1, 1e-17), NAN),
    ("qweibull", (0.3, INF, 2.5), 2.5),
    ("qweibull", (1, INF, 2.5), INF),
    ("qweibull", (0, INF, 2.5), 0.0),
    ("qweibull", (NAN, 2, 3), NAN),
    ("qbern", (0.3, 0.7), 0.0),
    ("qbern", (0.31, 0.7), 1.0),
    ("qbern", (1, 0), 0.0),
    ("qbern", (0, 1), 0.0),
    ("qbern", (1, 1e-10), 1.0),
    ("qbern", (0.5, INF), NAN),
    ("qbern", (0.5, -INF), NAN),
    ("qbern", (0.5, 1.5), NAN),
    ("qbern", (1.5, 0.5), NAN),
]


@pytest.mark.parametrize("name, args, want", EXACT, ids=[f"{n}{a}" for n, a, _ in EXACT])
def test_exact_values(name, args, want):
    assert_bits(getattr(q, name)(*args), want, f"{name}{args}")


# Quantiles that the EPS cut-offs once made -inf, -0.0, 0 or +inf; the
# references are mpmath's.
FORMER_CUTOFFS = [
    ("qnorm", (8.326672684688673e-17, 0, 1), -8.244009839272803),
    ("qlaplace", (1e-17, 1, 2), -75.90159880067766),
    ("qlogis", (1e-17, 1, 2), -77.28789316179756),
    ("qexp", (BELOW_ONE, 2), 18.36840028483855),
    ("qweibull", (1e-17, 2, 3), 9.486832980505139e-09),
]


@pytest.mark.parametrize("name, args, want", FORMER_CUTOFFS, ids=[f"{n}{a}" for n, a, _ in FORMER_CUTOFFS])
def test_former_cutoffs_are_values(name, args, want):
    assert getattr(q, name)(*args) == pytest.approx(want, rel=1e-14)


def test_qcauchy_tangent_cutoff():
    # Above 0.5 the tangent's argument (p - 0.5) pi exceeds EPS.
    assert q.qcauchy(0.5 + 2.0**-53, 2, 3) != 2.0


def test_qlnorm_is_exp_of_qnorm():
    assert_bits(q.qlnorm(0.3, 1.5, 0), q.qlnorm(0.9, 1.5, 0))
    assert q.qlnorm(0.3, 1.5, 0) == pytest.approx(math.exp(1.5), rel=1e-15)
    for p in (1e-10, 0.2, 0.5, 0.77, 1 - 1e-9):
        assert q.qlnorm(p, 0.3, 1.7) == pytest.approx(math.exp(q.qnorm(p, 0.3, 1.7)), rel=1e-14)


def test_qexp_division_by_the_rate():
    # -ln(1 - p) / rate, with -ln(1 - p) = p below EPS: never -0.0.
    assert_bits(q.qexp(1.6e-16, 3), 1.6e-16 / 3)
    assert_bits(q.qexp(5e-324, 0.5), 1e-323)
    assert_bits(q.qexp(0.5, 2), q.qexp(0.5, 1) / 2)


def test_qweibull_log1p_switch():
    """At p = 1e-4 ln(1 - p) comes from the Taylor polynomial, just above from log(1 - p)."""
    def taylor(x):
        s = (x * x) / 5
        s = s - x * 0.25
        s = s * x
        s = s + x / 3
        s = s * x
        s = s - x * 0.5
        s = s * x
        return s + x

    # With shape 1 the result is exp(log(v)), v = -ln(1 - p); qexp(p, 1) is the
    # logarithm kernel's -ln(1 - p), which differs from the polynomial by ~1e-13.
    p = 1e-4
    nxt = math.nextafter(p, 1)
    assert abs(q.qweibull(p, 1, 1) - (-taylor(-p))) < 1e-18
    assert abs(q.qweibull(nxt, 1, 1) - q.qexp(nxt, 1)) < 1e-18
    assert abs(q.qexp(p, 1) - (-taylor(-p))) > 1e-17


def test_qbern_agrees_with_threshold():
    probs = np.linspace(0, 1, 41)
    ps = np.linspace(0, 1, 37)
    got = q.qbern(ps[:, None], probs[None, :])
    want = (ps[:, None] > 1 - probs[None, :]).astype(float)
    np.testing.assert_array_equal(got, want)


# Ordinary range. Further out the normal quantile inherits the rounding of
# (p + p) - 1, a relative error of about 2^-53 / p in the tail probability.
PS = np.concatenate([[1e-3, 0.01], np.linspace(0.02, 0.98, 49), [0.99, 0.999]])

SCIPY = [
    ("qnorm", (1.3, 2.5), lambda p: stats.norm.ppf(p, 1.3, 2.5), 3e-14),
    ("qcauchy", (-0.4, 3.0), lambda p: stats.cauchy.ppf(p, -0.4, 3.0), 1e-13),
    ("qlaplace", (2.0, 0.7), lambda p: stats.laplace.ppf(p, 2.0, 0.7), 1e-12),
    ("qlogis", (-1.0, 1.9), lambda p: stats.logistic.ppf(p, -1.0, 1.9), 1e-12),
    ("qlnorm", (0.4, 0.8), lambda p: stats.lognorm.ppf(p, 0.8, scale=math.exp(0.4)), 1e-13),
    ("qexp", (2.5,), lambda p: stats.expon.ppf(p, scale=1 / 2.5), 1e-12),
    ("qunif", (-3.0, 5.5), lambda p: stats.uniform.ppf(p, -3.0, 8.5), 1e-15),
    ("qweibull", (1.7, 3.2), lambda p: stats.weibull_min.ppf(p, 1.7, scale=3.2), 1e-12),
]


@pytest.mark.parametrize("name, params, reference, rtol", SCIPY, ids=[s[0] for s in SCIPY])
def test_accuracy_against_scipy(name, params, reference, rtol):
    got = getattr(q, name)(PS, *params)
    np.testing.assert_allclose(got, reference(PS), rtol=rtol, atol=1e-15)


ROUND_TRIPS = [
    ("qnorm", "pnorm", (0.5, 2.0), 1e-13),
    ("qcauchy", "pcauchy", (0.5, 2.0), 1e-12),
    ("qlaplace", "plaplace", (0.5, 2.0), 1e-12),
    ("qlogis", "plogis", (0.5, 2.0), 1e-12),
    ("qlnorm", "plnorm", (0.5, 0.6), 1e-13),
    ("qexp", "pexp", (0.8,), 1e-12),
    ("qunif", "punif", (-2.0, 3.0), 1e-15),
    ("qweibull", "pweibull", (2.2, 1.5), 1e-12),
]


@pytest.mark.parametrize("qname, pname, params, rtol", ROUND_TRIPS, ids=[r[0] for r in ROUND_TRIPS])
def test_round_trip(qname, pname, params, rtol):
    ps = np.linspace(0.001, 0.999, 199)
    back = getattr(q, pname)(getattr(q, qname)(ps, *params), *params)
    # Distribution functions built as 1 + erf or 1 - e^x lose relative accuracy in
    # the lower tail, hence the absolute allowance.
    np.testing.assert_allclose(back, ps, rtol=rtol, atol=5e-14)


def test_parameters_broadcast_in_argument_order():
    got = q.qnorm([[0.1], [0.9]], [0.0, 10.0], [1.0, 2.0])
    want = [[q.qnorm(0.1, 0, 1), q.qnorm(0.1, 10, 2)], [q.qnorm(0.9, 0, 1), q.qnorm(0.9, 10, 2)]]
    assert [[bits(v) for v in row] for row in got] == [[bits(v) for v in row] for row in want]
