"""Logarithm, exponential, e^x - 1 and square root, seen through the public
functions whose formulas reduce to them exactly:

    dexp(0, r, log=True) = log(r) - 0      qlnorm(0.5, x, 0) = exp(x)
    pexp(x, 1)           = -expm1(-x)      qt(p, 2) = (2p - 1) / sqrt(2p (1 - p))
"""
import math

import mpmath
import numpy as np
import pytest

import quantora
from exact import assert_bits

LN = {2: 0.6931471805599453, 3: 1.0986122886681098, 4: 1.3862943611198906,
      5: 1.6094379124341003, 6: 1.791759469228055, 7: 1.9459101490553132,
      8: 2.0794415416798357, 9: 2.1972245773362196, 10: 2.302585092994046}
E = 2.718281828459045
EPS = 2.0 ** -52


def log_(x):
    return quantora.dexp(0.0, x, log=True)


def exp_(x):
    return quantora.qlnorm(0.5, x, 0.0)


def rel_err(got, want):
    return abs((mpmath.mpf(got) - want) / want)


@pytest.mark.parametrize("k", range(2, 11))
def test_log_of_an_integer_mantissa_is_the_table_entry(k):
    assert_bits(log_(float(k)), LN[k], f"log({k})")


@pytest.mark.parametrize("x, exponent, k", [
    (100.0, 1, 10), (1e22, 21, 10), (20.0, 1, 2), (3e7, 7, 3), (9e300, 300, 9),
    (0.4, -1, 4), (0.2, -1, 2), (0.003, -3, 3), (6e-5, -5, 6), (0.25, -1, 2.5),
])
def test_log_decimal_split(x, exponent, k):
    # mantissa k in [1, 10] by repeated division or multiplication by 10,
    # then exponent * ln 10 + log(k); an integer k gives log(k) from the table
    part = LN[k] if k in LN else log_(k)
    assert_bits(log_(x), float(exponent) * LN[10] + part, f"log({x})")


@pytest.mark.parametrize("x, want", [
    (0.0, -math.inf), (-0.0, -math.inf),
    # A rate below EPS is a positive rate: dexp takes its logarithm as ln m + e ln 2.
    (1e-17, -39.14394658089878), (2.0 ** -53, -36.7368005696771),
    (1.0, 0.0), (1.0 - 2.0 ** -53, 0.0), (1.0 + 1e-16, 0.0), (math.inf, math.nan),
    (math.nan, math.nan),
])
def test_log_special_values(x, want):
    # dexp rejects an infinite rate before the logarithm is taken
    assert_bits(log_(x), want, f"log({x})")


def test_log_just_outside_the_tolerance_of_one():
    assert log_(1.0 + EPS) > 0
    assert log_(EPS) == pytest.approx(-36.04365338911715, rel=1e-15)


@pytest.mark.parametrize("lo, hi", [(-15, -1), (-1, 0.5), (0.5, 300)])
def test_log_accuracy(lo, hi):
    xs = 10.0 ** np.random.default_rng(1).uniform(lo, hi, 200)
    assert max(rel_err(log_(x), mpmath.log(x)) for x in xs) < 1e-15


@pytest.mark.parametrize("x, want", [
    (-math.inf, 0.0), (1e-17, 1.0), (-1e-17, 1.0), (0.0, 1.0), (math.inf, math.inf),
    (2.0, E * E), (3.0, (E * E) * E), (4.0, (E * E) * (E * E)),
    (5.0, ((E * E) * (E * E)) * E), (-3.0, 1 / ((E * E) * E)),
])
def test_exp_exact_values(x, want):
    assert_bits(exp_(x), want, f"exp({x})")


@pytest.mark.parametrize("x, r, power", [
    (-2.3, (-2.3 + 3.0) + 1.0, 1 / ((E * E) * (E * E))),
    (-2.5, (-2.5 + 3.0) + 1.0, 1 / ((E * E) * (E * E))),
    (-2.7, -2.7 + 3.0, 1 / ((E * E) * E)),
    (2.5, (2.5 - 2.0) - 1.0, (E * E) * E),
    (2.4, 2.4 - 2.0, E * E),
])
def test_exp_split_into_power_and_residual(x, r, power):
    # x = n + r with r = x - floor(x): positive x round half up; a negative x with
    # a fractional part of at least 0.5 moves n one further down, r into [1.5, 2)
    assert_bits(exp_(x), exp_(r) * power, f"exp({x})")


@pytest.mark.parametrize("x, want", [
    # qlnorm carries e^mu on past the kernel's overflow at 709.5 and its gap at -708.3.
    (709.5, 1.3549863193146328e308), (709.4, 1.2260423226426e308), (1000.0, math.inf),
    (-708.3, 2.450295530965988e-308), (-708.7, 1.6424822131179e-308), (-745.2, 0.0),
    (2.0 ** 63, math.inf), (-(2.0 ** 63), 0.0), (1e19, math.inf), (-1e19, 0.0),
    (1e300, math.inf), (-1e300, 0.0), (1.7e308, math.inf), (-1.7e308, 0.0),
])
def test_exp_overflow_and_huge_arguments(x, want):
    # e^n overflows at n = 710 before the residual factor applies; huge
    # arguments are already integers and must not wrap a 64-bit conversion
    got = exp_(x)
    if want in (0.0, math.inf):
        assert_bits(got, want, f"exp({x})")
    else:
        assert got == pytest.approx(want, rel=1e-12)


@pytest.mark.parametrize("lo, hi, tol", [(-2, 2, 2e-15), (2, 50, 5e-15), (-700, 700, 5e-14)])
def test_exp_accuracy(lo, hi, tol):
    # the power e^n inherits the rounding of e, so the error grows with |n|
    xs = np.random.default_rng(2).uniform(lo, hi, 200)
    assert max(rel_err(exp_(x), mpmath.exp(x)) for x in xs) < tol


def taylor_expm1(x):
    s = (x * x) / 120
    s = s + x / 24
    s = s * x
    s = s + x / 6
    s = s * x
    s = s + x * 0.5
    s = s * x
    return s + x


def test_expm1_switch_at_1e_4():
    below = 1e-4
    above = math.nextafter(below, 1.0)
    assert_bits(quantora.pexp(below, 1.0), -taylor_expm1(-below), "polynomial at 1e-4")
    assert_bits(quantora.pexp(above, 1.0), -(exp_(-above) - 1), "exponential above 1e-4")
    assert_bits(quantora.pexp(math.inf, 1.0), 1.0, "expm1(-inf)")


@pytest.mark.parametrize("lo, hi, tol", [(-12, -4, 3e-16), (-1, 1.5, 3e-15)])
def test_expm1_accuracy(lo, hi, tol):
    # above the switch e^x - 1 cancels: about 1e-16 / |x| relative
    xs = 10.0 ** np.random.default_rng(3).uniform(lo, hi, 200)
    assert max(rel_err(quantora.pexp(x, 1.0), -mpmath.expm1(-x)) for x in xs) < tol


def test_sqrt_through_the_two_degree_t_quantile():
    assert quantora.qt(0.75, 2) == pytest.approx(0.8164965809277261, rel=1e-15)
    ps = np.random.default_rng(4).uniform(0.001, 0.999, 200)
    want = [(2 * mpmath.mpf(p) - 1) / mpmath.sqrt(2 * p * (1 - mpmath.mpf(p))) for p in ps]
    assert max(rel_err(quantora.qt(p, 2), w) for p, w in zip(ps, want)) < 2e-15


def test_sqrt_stopping_test_is_absolute_for_small_arguments():
    # sqrt(2p(1 - p)) near 1e-15: accurate to a few units in 1e-15, not to the last bit
    p = 1 - 5e-16
    want = (2 * mpmath.mpf(p) - 1) / mpmath.sqrt((1 - mpmath.mpf(p)) * 2 * p)
    assert rel_err(quantora.qt(p, 2), want) < 1e-14
