"""Generators at the ends of the double range: draws inside the support, the
mass of tiny beta shapes at 0 and 1, signed zeros, one canonical NaN, and the
limiting laws of infinite or huge parameters, each with the engine outputs of
the plain draw."""
import math
import struct
import sys

import numpy as np
import pytest
from scipy import stats

import quantora as q
from exact import assert_bits, bits

INF = math.inf
DBL_MAX = sys.float_info.max
CANONICAL_NAN = 0x7FF8000000000000


def pattern(x):
    return struct.unpack("<Q", struct.pack("<d", float(x)))[0]


def state(engine):
    return [bits(v) for v in q.runif(0.0, 1.0, 3, engine)]


def test_runif_over_the_whole_double_range_stays_inside():
    got = q.runif(-DBL_MAX, DBL_MAX, 20000, q.Engine(1))
    assert np.isfinite(got).all()
    # Uniform on [-M, M]: half below 0, and |x| / M uniform on [0, 1].
    assert abs(np.mean(got < 0) - 0.5) < 0.02
    assert stats.kstest(np.abs(got) / DBL_MAX, "uniform").pvalue > 1e-3


@pytest.mark.parametrize("seed", [1, 2, 3])
def test_runif_is_the_affine_map_clamped_at_b(seed):
    # Random ends of every magnitude, checked against the map's definition on
    # the engine's own uniforms; a value that rounds past b is b.
    rng = np.random.default_rng(seed)
    for _ in range(200):
        a, b = sorted(rng.choice([-1.0, 1.0], 2) * 10.0 ** rng.uniform(-300, 300, 2))
        if not a < b:
            continue
        lo = math.nextafter(a, b)
        u = q.runif(0.0, 1.0, 50, q.Engine(seed))
        want = [min(x * (b - lo) + lo, b) for x in u]
        assert [bits(v) for v in q.runif(a, b, 50, q.Engine(seed))] == [bits(v) for v in want]


@pytest.mark.parametrize("a, b", [(1e-300, 1e-300), (1e-300, 2e-300), (5e-324, 5e-324), (1e-200, 1e-290)])
def test_tiny_beta_shapes_put_their_mass_at_0_and_1(a, b):
    got = q.rbeta(a, b, 20000, q.Engine(3))
    assert not np.isnan(got).any()
    assert set(np.unique(got)) <= {0.0, 1.0}
    # P(1) is a / (a + b) in the limit of small shapes.
    assert abs(np.mean(got) - a / (a + b)) < 0.015


def test_small_beta_shapes_follow_the_law_where_gamma_draws_underflow():
    # At 1e-3 a quarter of the gamma pairs underflow to 0 together.
    a = b = 1e-3
    got = q.rbeta(a, b, 20000, q.Engine(4))
    assert not np.isnan(got).any() and ((0 <= got) & (got <= 1)).all()
    dist = stats.beta(a, b)
    assert abs(got.mean() - 0.5) < 5 * math.sqrt(dist.var() / got.size)
    for t in (1e-300, 1e-100, 1e-10):
        assert abs(np.mean(got < t) - dist.cdf(t)) < 0.02, t


@pytest.mark.parametrize("a, b", [(1e-300, 1e-300), (1e308, 1e308), (2.0, 3.0), (0.5, 1e-3)])
def test_beta_consumes_the_outputs_of_its_two_gammas(a, b):
    e, f = q.Engine(5), q.Engine(5)
    for _ in range(20):
        q.rbeta(a, b, e)
        q.rgamma(a, 1.0, f)
        q.rgamma(b, 1.0, f)
    assert state(e) == state(f)


def test_huge_equal_beta_shapes_concentrate_at_one_half():
    # The two gamma draws sum beyond the largest double.
    got = q.rbeta(1e308, 1e308, 1000, q.Engine(6))
    assert np.all(np.abs(got - 0.5) < 1e-100)


@pytest.mark.parametrize("df1, df2", [(1e-10, 1e-10), (1e-12, 1e-3), (DBL_MAX, DBL_MAX), (1e-10, 1e300), (1e300, 1e-10)])
def test_f_draws_never_nan_at_extreme_degrees_of_freedom(df1, df2):
    e, f = q.Engine(7), q.Engine(7)
    got = q.rf(df1, df2, 300, e)
    assert not np.isnan(got).any() and (got >= 0).all()
    for _ in range(300):
        q.rchisq(df1, f)
        q.rchisq(df2, f)
    assert state(e) == state(f)


def test_f_with_both_degrees_huge_is_near_one():
    got = q.rf(DBL_MAX, DBL_MAX, 500, q.Engine(8))
    assert np.all(np.abs(got - 1) < 1e-100)


def test_f_with_a_ratio_beyond_the_doubles_is_chi_square_over_dof():
    # df2 / df1 overflows; the draw is (x1 / df1) / (x2 / df2), x2 / df2 ~ 1.
    e, f = q.Engine(9), q.Engine(9)
    got = q.rf(1e-10, 1e300, e)
    x1 = q.rchisq(1e-10, f)
    q.rchisq(1e300, f)
    assert got == pytest.approx(x1 / 1e-10, rel=1e-12)


def test_t_at_the_largest_dof_is_its_normal_draw():
    e, f = q.Engine(10), q.Engine(10)
    for _ in range(50):
        z = q.rnorm(0.0, 1.0, f)
        q.rchisq(DBL_MAX, f)
        assert q.rt(DBL_MAX, e) == pytest.approx(z, rel=1e-12)
    assert state(e) == state(f)


# Every generator with a parameter that can be zero: -0.0 draws what +0.0 draws.
SIGNED_ZERO = [
    ("rexp", (0.0,)), ("rchisq", (0.0,)), ("rpois", (0.0,)), ("rbern", (0.0,)),
    ("rbeta", (3.0, 0.0)), ("rbeta", (0.0, 3.0)), ("rbeta", (0.0, 0.0)),
    ("rgamma", (0.0, 1.0)), ("rinvgamma", (2.0, 0.0)), ("rinvgamma", (0.0, 1.0)),
    ("rnorm", (0.0, 0.0)), ("rnorm", (0.0, 1.0)), ("rlnorm", (0.0, 0.0)),
    ("rcauchy", (0.0, 0.0)), ("rlaplace", (0.0, 0.0)), ("rlogis", (0.0, 0.0)),
    ("runif", (0.0, 1.0)), ("runif", (-1.0, 0.0)), ("rbinom", (4, 0.0)),
]


def with_negative_zeros(params):
    return tuple(-0.0 if isinstance(p, float) and p == 0 else p for p in params)


@pytest.mark.parametrize("name, params", SIGNED_ZERO, ids=[f"{n}{p}" for n, p in SIGNED_ZERO])
def test_negative_zero_parameters_read_as_positive_zero(name, params):
    fn = getattr(q, name)
    e, f = q.Engine(11), q.Engine(11)
    got = fn(*with_negative_zeros(params), 200, e)
    want = fn(*params, 200, f)
    assert [bits(v) for v in got] == [bits(v) for v in want]
    assert bits(fn(*with_negative_zeros(params), e)) == bits(fn(*params, f))
    assert state(e) == state(f)


@pytest.mark.parametrize("draw, want", [
    (lambda e: q.rexp(-0.0, e), INF), (lambda e: q.rchisq(-0.0, e), 0.0),
    (lambda e: q.rbeta(3.0, -0.0, e), 1.0), (lambda e: q.rinvgamma(2.0, -0.0, e), 0.0),
])
def test_negative_zero_examples(draw, want):
    assert_bits(draw(q.Engine(12)), want)


# Draws whose arithmetic meets an undefined operation; their NaN is canonical.
UNDEFINED = [
    ("rbeta", (0.0, 0.0)), ("rbeta", (INF, INF)), ("rnorm", (INF, INF)), ("rnorm", (-INF, INF)),
    ("rlnorm", (-INF, INF)), ("rgamma", (0.0, INF)), ("rcauchy", (INF, INF)), ("rlaplace", (INF, INF)),
    ("rlogis", (INF, INF)), ("runif", (0.0, INF)), ("rexp", (-1.0,)), ("rt", (math.nan,)),
]


@pytest.mark.parametrize("name, params", UNDEFINED, ids=[f"{n}{p}" for n, p in UNDEFINED])
def test_every_nan_is_canonical(name, params):
    fn = getattr(q, name)
    draws = [fn(*params, q.Engine(13))] + list(fn(*params, 3000, q.Engine(13)))
    assert {pattern(v) for v in draws if math.isnan(v)} <= {CANONICAL_NAN}


def test_beta_with_both_shapes_zero_is_canonical_nan():
    assert pattern(q.rbeta(0.0, 0.0, q.Engine(1))) == CANONICAL_NAN


def test_small_dof_t_draws_stay_finite_where_their_chi_square_underflows():
    # A chi-square with dof 0.02 underflows about once in a thousand draws,
    # yet the t draw built on it (the square root halves the exponent) is a
    # finite double; the chance of one beyond the doubles here is about 1e-6.
    got = q.rt(0.02, 20000, q.Engine(14))
    assert np.isfinite(got).all() and (got != 0).all()
