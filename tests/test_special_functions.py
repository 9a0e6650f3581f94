"""Log-gamma, the error function and its inverse, tangent, arc tangent and
hyperbolic tangent, seen through the public functions built on them:

    dgamma(1, a, 1, log=True) = -lgamma(a) - 1    dpois(0, rate, log=True) = -rate - lgamma(1)
    pnorm(x) = (erf(x / sqrt 2) + 1) / 2          qnorm(p) = sqrt 2 * erfinv(2p - 1)
    qcauchy(p, 0, 1) = tan((p - 1/2) pi)          pcauchy(x, 0, 1) = atan(x) / pi + 1/2
    plogis(x, 0, 1) = (tanh(x / 2) + 1) / 2
"""
import math

import mpmath
import numpy as np
import pytest
from scipy import stats
from scipy.special import gammaln

import quantora
from exact import assert_bits

PI = 3.141592653589793
HALF_ABOVE = 0.5 + 2.0 ** -53  # the double after 1/2


def uniform(lo, hi, size):
    return np.random.default_rng(7).uniform(lo, hi, size)


def rel_err(got, want):
    return abs((mpmath.mpf(got) - want) / want)


def worst(f, xs, ref):
    return max(rel_err(f(x), ref(x)) for x in xs)


# log-gamma

@pytest.mark.parametrize("rate", [0.5, 3.0, 1e10, 1e-300])
def test_lgamma_of_one_is_exactly_zero(rate):
    assert_bits(quantora.dpois(0, rate, log=True), -rate, f"dpois(0, {rate})")


@pytest.mark.parametrize("shape", [1.0, 1.0 - 2.0 ** -53])
def test_lgamma_within_eps_of_one_is_zero(shape):
    # log dgamma(x, a, 1) = -lgamma(a) + (a - 1) log x - x; at x = 2^-40 a true
    # lgamma(1 - 2^-53) = 6.4e-17 would show in the last bits
    x = 2.0 ** -40
    log_x = quantora.dexp(0.0, x, log=True)
    assert_bits(quantora.dgamma(x, shape, 1.0, log=True), (shape - 1) * log_x - x, f"shape {shape}")


def test_zero_dof_is_a_point_mass():
    # Tiny positive dof no longer read lgamma_kernel's +infinity below EPS:
    # dchisq(1, 1e-17) is the density 3.0e-18 (k e^-1/2 for k = dof/2).
    assert_bits(quantora.dchisq(1.0, 0.0), 0.0, "dchisq(1, 0)")
    assert_bits(quantora.dchisq(1.0, 0.0, log=True), -math.inf)


def test_lgamma_loses_the_low_bits_of_tiny_arguments():
    # the series runs in c = x - 1, so x = 1e-8 lands 5e-9 below ln Gamma(1e-8)
    lg = -quantora.dgamma(1.0, 1e-8, 1.0, log=True) - 1
    assert lg == pytest.approx(18.4206807332, abs=1e-10)


@pytest.mark.parametrize("lo, hi", [(-3, -0.5), (-0.5, 0.5), (0.5, 5), (5, 300)])
def test_lgamma_accuracy(lo, hi):
    shapes = 10.0 ** uniform(lo, hi, 150)
    f = lambda a: quantora.dgamma(1.0, a, 1.0, log=True)
    assert worst(f, shapes, lambda a: -mpmath.loggamma(a) - 1) < 1e-13


def test_lbeta_accuracy_through_the_beta_density():
    a, b = 10.0 ** uniform(-1, 3, (2, 150))
    got = quantora.dbeta(0.375, a, b, log=True)
    want = stats.beta.logpdf(0.375, a, b)
    # the log-density is a sum of terms that may cancel
    scale = np.abs(gammaln(a)) + np.abs(gammaln(b)) + np.abs(gammaln(a + b)) + a + b
    assert np.max(np.abs(got - want) / scale) < 1e-14


# error function

@pytest.mark.parametrize("x, want", [
    (0.0, 0.5), (-0.0, 0.5), (2e-16, 0.5), (-2e-16, 0.5),  # erf of |z| < EPS is +0
    (4e-16, HALF_ABOVE),
    (1e308, 1.0), (-1e308, 0.0),  # x - mu overflows, erf(+-infinity) = +-1
])
def test_pnorm_exact_values(x, want):
    mu = -x if abs(x) == 1e308 else 0.0
    assert_bits(quantora.pnorm(x, mu, 1.0), want, f"pnorm({x}, {mu})")


@pytest.mark.parametrize("lo, hi, tol", [
    (0.0, 1.0, 1e-15),
    # the fraction in x^2 cancels towards its threshold: 7e-13 for erf at 2.1
    (1.0, 2.1, 1e-12),
    (2.1, 6.0, 2.0 ** -52),
])
def test_erf_accuracy(lo, hi, tol):
    # 2 pnorm - 1 recovers erf + 1 rounded, minus 1: an absolute accuracy
    for x in uniform(lo, hi, 150) * 1.4142135623730951:
        want = mpmath.erf(mpmath.mpf(x) / 1.4142135623730951)
        assert abs(2 * quantora.pnorm(x) - 1 - want) < tol, x


def test_erf_is_odd():
    z = uniform(0, 6, 100)
    x = z * 1.4142135623730951
    upper = quantora.pnorm(x)
    lower = quantora.pnorm(-x)
    # (e + 1)/2 and (1 - e)/2 add to 1 up to the rounding of the two sums
    assert np.all(np.abs(upper + lower - 1) <= 2.0 ** -52)


# inverse error function

def test_qnorm_finite_within_eps_of_minus_one():
    # erf^-1 is -infinity there, but the tail is checked against the normal law.
    assert math.isfinite(quantora.qnorm(8.326672684688673e-17))
    assert math.isfinite(quantora.qnorm(8.326672684688674e-17))
    assert math.isfinite(quantora.qnorm(math.nextafter(1.0, 0.0)))
    assert_bits(quantora.qnorm(0.5), 0.0)


def test_erfinv_is_odd():
    # for p in [1/2, 3/4] both 2p - 1 and 2(1 - p) - 1 are exact
    ps = np.concatenate([uniform(0.5, 0.75, 50), [0.5 + 2.0 ** -30, 0.625, 0.75]])
    for p in ps:
        assert_bits(quantora.qnorm(1 - p), -quantora.qnorm(p), f"qnorm({1 - p})")


@pytest.mark.parametrize("lo, hi, tol", [
    (0.02, 0.5, 1e-13), (0.5, 0.98, 1e-13),
    # the root of an error function that is itself off by up to 7e-13
    (0.98, 0.9986, 1e-10),
])
def test_erfinv_accuracy(lo, hi, tol):
    ps = uniform(lo, hi, 100)
    want = lambda p: mpmath.sqrt(2) * mpmath.erfinv(mpmath.mpf((p + p) - 1))
    assert worst(quantora.qnorm, ps, want) < tol


def test_erfinv_reaches_a_root_in_the_tails():
    # erf near -1 or 1 resolves only steps of 2^-53, and any root is a fixed
    # point of the update: the result must reproduce p up to that step
    # (both sides of w = 5, where the first guess changes polynomial)
    ps = 10.0 ** uniform(-16, -3, 100)
    for p in ps:
        assert abs(quantora.pnorm(quantora.qnorm(p)) - p) <= 2.0 ** -53, p
        assert abs(quantora.pnorm(quantora.qnorm(1 - p)) - (1 - p)) <= 2.0 ** -53, p


# tangent

@pytest.mark.parametrize("p, want", [
    (0.5, 0.0),
    (0.5 - 2.0 ** -54, -PI * 2.0 ** -54),  # tan z = z for |z| < EPS, where the kernel gives 0
])
def test_qcauchy_centre(p, want):
    assert_bits(quantora.qcauchy(p, 0.0, 1.0), want, f"qcauchy({p})")
    assert quantora.qcauchy(HALF_ABOVE, 0.0, 1.0) > 0


def test_tan_is_odd():
    ps = uniform(0.5, 0.75, 50)
    for p in ps:
        assert_bits(quantora.qcauchy(1 - p, 0.0, 1.0), -quantora.qcauchy(p, 0.0, 1.0))


@pytest.mark.parametrize("lo, hi", [(0.0, 1.0), (1.0, 1.4), (1.4, 1.55), (1.55, 1.5676)])
def test_tan_accuracy(lo, hi):
    # z = (p - 1/2) pi spans the three fraction depths and the pole window;
    # in the window z - pi/2 carries the rounding of pi/2 (6e-17 absolute)
    ps = uniform(lo / PI + 0.5, hi / PI + 0.5, 100)
    f = lambda p: quantora.qcauchy(p, 0.0, 1.0)
    want = lambda p: mpmath.tan(mpmath.mpf((p - 0.5) * PI))
    tol = 1e-15 if hi <= 1.4 else 5e-14
    assert worst(f, ps, want) < tol


# arc tangent

@pytest.mark.parametrize("x, sigma, want", [
    (1.0, 0.0, 1.0), (-1.0, 0.0, 0.0),  # atan(+-infinity) = +-pi/2
    (2e-16, 1.0, 0.5), (-2e-16, 1.0, 0.5),  # atan of |z| < EPS is +0
    (4e-16, 1.0, HALF_ABOVE),
])
def test_pcauchy_exact_values(x, sigma, want):
    assert_bits(quantora.pcauchy(x, 0.0, sigma), want, f"pcauchy({x}, 0, {sigma})")


@pytest.mark.parametrize("lo, hi", [
    (0.0, 0.5), (0.5, 1.0), (1.0, 2.0), (2.0, 2.5), (2.5, 3.0), (3.0, 7.0),
    (7.0, 25.0), (25.0, 1000.0), (1000.0, 1e8),
])
def test_atan_accuracy(lo, hi):
    # each range has its own depth of the fraction or number of series pairs
    xs = np.concatenate([uniform(lo, hi, 60), [hi]])
    f = lambda x: quantora.pcauchy(x, 0.0, 1.0)
    assert worst(f, xs, lambda x: mpmath.atan(x) / mpmath.pi + 0.5) < 4e-16


# hyperbolic tangent

@pytest.mark.parametrize("x, sigma, want", [
    (0.0, 1.0, 0.5), (4e-16, 1.0, 0.5), (6e-16, 1.0, HALF_ABOVE),
    # z*z overflows: tanh is +-1, where the fraction alone would give NaN
    (1e300, 1.0, 1.0), (-1e300, 1.0, 0.0), (3e154, 1.0, 1.0), (1.0, 1e-300, 1.0),
])
def test_plogis_exact_values(x, sigma, want):
    assert_bits(quantora.plogis(x, 0.0, sigma), want, f"plogis({x}, 0, {sigma})")


def test_tanh_beyond_overflow_under_the_log_flag():
    # The lower tail is e^z/(1 + e^z), whose logarithm is z there.
    assert_bits(quantora.plogis(-1e300, 0.0, 1.0, log_p=True), -1e300)
    assert_bits(quantora.plogis(1e300, 0.0, 1.0, log_p=True), 0.0)


def test_tanh_accuracy():
    xs = uniform(-2.0, 38.0, 200)
    f = lambda x: quantora.plogis(x, 0.0, 1.0)
    assert worst(f, xs, lambda x: 1 / (1 + mpmath.exp(-x))) < 2e-15
    xs = uniform(-38.0, 38.0, 200)
    assert np.max(np.abs(f(xs) - stats.logistic.cdf(xs))) <= 2.0 ** -52
