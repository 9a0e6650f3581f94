"""The seventeen scalar generators: exact values and draw order against the
engine's own uniforms, outputs consumed, invalid parameters, and statistical
agreement with SciPy's distributions at fixed seeds."""
import math

import numpy as np
import pytest
from scipy import stats

import quantora as q
from exact import assert_bits, bits

INF = math.inf
NAN = math.nan


class Uniforms:
    """The canonical uniforms of a fresh engine, one output at a time."""

    def __init__(self, seed, skip=0):
        self.engine = q.Engine(seed)
        if skip:
            q.runif(0.0, 1.0, skip, self.engine)

    def __call__(self):
        return q.runif(0.0, 1.0, self.engine)


def engine_at(seed, skip=0):
    return Uniforms(seed, skip).engine


def next_uniforms(engine, n=3):
    return [bits(v) for v in q.runif(0.0, 1.0, n, engine)]


def assert_same_state(a, b):
    assert next_uniforms(a) == next_uniforms(b), "engines left in different states"


def outputs_consumed(draw, seed=1):
    """How many engine outputs one call of draw(engine) uses."""
    e = q.Engine(seed)
    draw(e)
    after = next_uniforms(e)
    stream = [bits(v) for v in q.runif(0.0, 1.0, 4000, q.Engine(seed))]
    return next(k for k in range(len(stream)) if stream[k : k + 3] == after)


# Mirrors of the generators, built on the engine's uniforms and Python's own
# IEEE arithmetic and C math library, so the draw order is checked exactly.


def polar_normal(u, with_branch=False):
    while True:
        px = u() * 2.0 - 1.0
        py = u() * 2.0 - 1.0
        s = px * px + py * py
        if s < 1 and px != 0 and py != 0:
            break
    rescaled = not s > 1e-4
    if not rescaled:
        f = math.log(s)
    else:
        g = math.frexp(max(abs(px), abs(py)))[1] - 1
        px, py = math.ldexp(px, -g), math.ldexp(py, -g)
        s = px * px + py * py
        f = math.log(s) + float(g) * 1.3862943611198906
    z = math.sqrt((f * -2.0) / s) * px
    return (z, rescaled) if with_branch else z


def gamma_mirror(shape, scale, u):
    if shape > 1:
        d = shape - 1 / 3
        k = (1 / 3) / math.sqrt(d)
        z_min = -1.0 / k
        while True:
            z = polar_normal(u)
            while z <= z_min:
                z = polar_normal(u)
            v = math.pow(z * k + 1.0, 3.0)
            if math.log(u()) < (math.log(v) + (1.0 - v)) * d + (z * 0.5) * z:
                return (v * d) * scale
    w = u()
    g = gamma_mirror(shape + 1, scale, u)
    return math.pow(w, 1.0 / shape) * g


SEEDS = [1, 7, -3, 2024]


@pytest.mark.parametrize("seed", SEEDS)
def test_rnorm_is_the_polar_method(seed):
    e = q.Engine(seed)
    u = Uniforms(seed)
    for i in range(20):
        assert_bits(q.rnorm(0.0, 1.0, e), polar_normal(u), f"draw {i}")
    assert_same_state(e, u.engine)


def test_rnorm_first_draw_of_seed_one_rejects_a_pair():
    u = Uniforms(1)
    px, py = u() * 2.0 - 1.0, u() * 2.0 - 1.0
    assert (px, py) == (-0.7322467119749345, -0.7271859272676056)
    assert px * px + py * py == pytest.approx(1.06498462001415, abs=1e-14)
    px = u() * 2.0 - 1.0
    assert px == -0.09757019231092368
    z = q.rnorm(0.0, 1.0, q.Engine(1))
    assert z == pytest.approx(-0.0393999567541553, abs=1e-15)
    assert_bits(z, polar_normal(Uniforms(1)))
    assert outputs_consumed(lambda e: q.rnorm(0.0, 1.0, e)) == 4


@pytest.mark.parametrize("skip", [4201, 54987])
def test_rnorm_rescales_points_near_the_centre(skip):
    # At these offsets of seed 1 the first pair lies within radius 0.01.
    z, rescaled = polar_normal(Uniforms(1, skip), with_branch=True)
    assert rescaled
    got = q.rnorm(0.0, 1.0, engine_at(1, skip))
    assert_bits(got, z)
    u = Uniforms(1, skip)
    px, py = u() * 2.0 - 1.0, u() * 2.0 - 1.0
    s = px * px + py * py
    assert got == pytest.approx(math.sqrt(-2.0 * math.log(s) / s) * px, rel=1e-13)


@pytest.mark.parametrize("mu, sigma", [(5.0, 2.0), (-1.5, 0.25), (0.0, 0.0), (1e300, 3.0)])
def test_rnorm_location_scale(mu, sigma):
    z = q.rnorm(0.0, 1.0, q.Engine(11))
    e = q.Engine(11)
    assert_bits(q.rnorm(mu, sigma, e), z * sigma + mu)
    assert outputs_consumed(lambda e: q.rnorm(mu, sigma, e), 11) == outputs_consumed(
        lambda e: q.rnorm(0.0, 1.0, e), 11
    )


def test_rlnorm_exponentiates_the_normal_draw():
    for seed in SEEDS:
        e, f = q.Engine(seed), q.Engine(seed)
        assert q.rlnorm(1.0, 0.5, e) == pytest.approx(math.exp(q.rnorm(1.0, 0.5, f)), rel=4e-16)
        assert_same_state(e, f)


# The widest case stays below the largest double: beyond it b - lo overflowed to
# infinity and the draws were all +inf (see test_safety_random.py).
@pytest.mark.parametrize("a, b", [(0.0, 1.0), (-2.0, 5.0), (1.0, 1.0 + 2**-40), (-8e307, 8e307)])
def test_runif_maps_one_uniform(a, b):
    e = q.Engine(5)
    u = Uniforms(5)
    lo = math.nextafter(a, b)
    for _ in range(10):
        assert_bits(q.runif(a, b, e), u() * (b - lo) + lo)


def test_runif_first_draw_of_seed_one():
    assert_bits(q.runif(0.0, 1.0, q.Engine(1)), 0.13387664401253274)


@pytest.mark.parametrize("prob", [0.0, 0.3, 0.13387664401253274, 1.0])
def test_rbern_compares_against_positive_uniform(prob):
    e = q.Engine(1)
    u = Uniforms(1)
    got = q.rbern(prob, 200, e)
    want = [1.0 if prob >= u() else 0.0 for _ in range(200)]
    assert got.tolist() == want
    # prob equal to the first uniform succeeds: the comparison is not strict.
    if prob == 0.13387664401253274:
        assert got[0] == 1.0


@pytest.mark.parametrize("n, prob", [(10, 0.5), (3, 0.9), (25, 0.05)])
def test_rbinom_sums_bernoulli_draws(n, prob):
    e = q.Engine(3)
    f = q.Engine(3)
    for _ in range(5):
        assert q.rbinom(n, prob, e) == sum(q.rbern(prob, n, f))
    assert_same_state(e, f)
    assert outputs_consumed(lambda g: q.rbinom(n, prob, g)) == n


@pytest.mark.parametrize("shape, scale", [(3.0, 2.0), (1.01, 1.0), (50.0, 0.1), (1.0, 1.0), (0.5, 1.0), (0.05, 3.0)])
def test_rgamma_draw_order(shape, scale):
    for seed in SEEDS:
        e = q.Engine(seed)
        u = Uniforms(seed)
        for i in range(5):
            assert_bits(q.rgamma(shape, scale, e), gamma_mirror(shape, scale, u), f"seed {seed} draw {i}")
        assert_same_state(e, u.engine)


def test_rgamma_small_shape_draws_its_uniform_first():
    # Shape 1 boosts through shape 2: u * rgamma(2) with u taken before.
    e = q.Engine(1)
    f = q.Engine(1)
    w = q.runif(0.0, 1.0, f)
    assert_bits(q.rgamma(1.0, 1.0, e), w * q.rgamma(2.0, 1.0, f))
    assert_same_state(e, f)


@pytest.mark.parametrize("dof", [0.5, 3.0, 40.0])
def test_rchisq_is_gamma_with_scale_two(dof):
    e, f = q.Engine(2), q.Engine(2)
    assert_bits(q.rchisq(dof, e), q.rgamma(dof * 0.5, 2.0, f))
    assert_same_state(e, f)


@pytest.mark.parametrize("a, b", [(2.0, 3.0), (0.5, 7.0), (9.0, 0.3)])
def test_rbeta_draws_a_then_b(a, b):
    e, f = q.Engine(4), q.Engine(4)
    x = q.rgamma(a, 1.0, f)
    y = q.rgamma(b, 1.0, f)
    assert_bits(q.rbeta(a, b, e), x / (x + y))
    assert_same_state(e, f)


@pytest.mark.parametrize("df1, df2", [(3.0, 5.0), (0.5, 20.0), (12.0, 2.0)])
def test_rf_draws_df1_then_df2(df1, df2):
    e, f = q.Engine(4), q.Engine(4)
    x1 = q.rchisq(df1, f)
    x2 = q.rchisq(df2, f)
    assert_bits(q.rf(df1, df2, e), ((df2 / df1) * x1) / x2)
    assert_same_state(e, f)


@pytest.mark.parametrize("shape, scale", [(3.0, 2.0), (0.5, 1.0), (2.0, 1e-3)])
def test_rinvgamma_inverts_gamma_with_reciprocal_scale(shape, scale):
    e, f = q.Engine(6), q.Engine(6)
    assert_bits(q.rinvgamma(shape, scale, e), 1 / q.rgamma(shape, 1 / scale, f))
    assert_same_state(e, f)


@pytest.mark.parametrize("dof", [1.0, 3.0, 0.7])
def test_rt_draws_normal_then_chisq(dof):
    e, f = q.Engine(8), q.Engine(8)
    z = q.rnorm(0.0, 1.0, f)
    x = q.rchisq(dof, f)
    assert_bits(q.rt(dof, e), z / math.sqrt(x / dof))
    assert_same_state(e, f)


# Parameters at the edge of validity: they pass the checks and draw.
@pytest.mark.parametrize(
    "draw, want",
    [
        (lambda e: q.rgamma(0.0, 1.0, e), 0.0),
        (lambda e: q.rchisq(0.0, e), 0.0),
        (lambda e: q.rinvgamma(2.0, 0.0, e), 0.0),
        (lambda e: q.rnorm(0.0, 0.0, e), 0.0),
        (lambda e: q.rbeta(0.0, 0.0, e), NAN),
        (lambda e: q.rbinom(0, 0.5, e), 0.0),
    ],
    ids=["rgamma-0", "rchisq-0", "rinvgamma-scale0", "rnorm-sigma0", "rbeta-0-0", "rbinom-0"],
)
def test_boundary_parameters(draw, want):
    for seed in SEEDS:
        assert_bits(draw(q.Engine(seed)), want)


# Infinite parameters: the gamma's limit is returned without drawing, and the
# composites give their limiting draws (these were NaN from inf / inf and
# 0 * inf); t becomes the normal.
@pytest.mark.parametrize(
    "draw, want, partner",
    [
        (lambda e: q.rgamma(INF, 1.0, e), lambda f: INF, None),
        (lambda e: q.rgamma(INF, INF, e), lambda f: INF, None),
        (lambda e: q.rchisq(INF, e), lambda f: INF, None),
        (lambda e: q.rinvgamma(INF, 2.0, e), lambda f: 0.0, None),
        (lambda e: q.rbeta(2.0, INF, e), lambda f: 0.0, lambda e: q.rgamma(2.0, 1.0, e)),
        (lambda e: q.rbeta(INF, 2.0, e), lambda f: 1.0, lambda e: q.rgamma(2.0, 1.0, e)),
        (lambda e: q.rbeta(INF, INF, e), lambda f: NAN, None),
        (lambda e: q.rf(INF, 3.0, e), lambda f: 3.0 / q.rchisq(3.0, f), None),
        (lambda e: q.rf(5.0, INF, e), lambda f: q.rchisq(5.0, f) / 5.0, None),
        (lambda e: q.rf(INF, INF, e), lambda f: 1.0, None),
    ],
    ids=["rgamma", "rgamma-inf-scale", "rchisq", "rinvgamma", "rbeta-b", "rbeta-a", "rbeta-both",
         "rf-df1", "rf-df2", "rf-both"],
)
def test_infinite_shape_returns_promptly(draw, want, partner):
    e, f = q.Engine(1), q.Engine(1)
    assert_bits(draw(e), want(f))
    if partner is not None:
        partner(f)
    assert_same_state(e, f)


def test_rt_with_infinite_dof_is_its_normal_draw():
    e, f = q.Engine(12), q.Engine(12)
    for _ in range(5):
        assert_bits(q.rt(INF, e), q.rnorm(0.0, 1.0, f))
    assert_same_state(e, f)


INVALID = [
    ("rnorm", (0.0, -1.0)), ("rnorm", (NAN, 1.0)), ("rnorm", (0.0, NAN)),
    ("rlnorm", (0.0, -1.0)), ("rlnorm", (NAN, 1.0)),
    ("rbern", (NAN,)), ("rbern", (INF,)), ("rbern", (-INF,)), ("rbern", (-0.1,)), ("rbern", (1.5,)),
    ("rbinom", (-1, 0.5)), ("rbinom", (10, 1.5)), ("rbinom", (10, NAN)), ("rbinom", (10, INF)), ("rbinom", (0, -0.5)),
    ("rbeta", (-1.0, 1.0)), ("rbeta", (1.0, -1.0)), ("rbeta", (NAN, 1.0)), ("rbeta", (1.0, NAN)),
    ("rchisq", (-1.0,)), ("rchisq", (NAN,)),
    ("rf", (1.0, 0.0)), ("rf", (1e-17, 1.0)), ("rf", (NAN, 1.0)), ("rf", (1.0, NAN)),
    ("rgamma", (2.0, 1e-17)), ("rgamma", (-0.5, 1.0)), ("rgamma", (NAN, 1.0)), ("rgamma", (1.0, NAN)),
    ("rgamma", (INF, 0.0)), ("rgamma", (INF, NAN)),
    ("rinvgamma", (2.0, 1e16)), ("rinvgamma", (-1.0, 1.0)), ("rinvgamma", (1.0, -1.0)), ("rinvgamma", (NAN, 1.0)),
    ("rt", (1e-17,)), ("rt", (0.0,)), ("rt", (NAN,)),
    ("runif", (1.0, 1.0)), ("runif", (2.0, 1.0)), ("runif", (NAN, 1.0)), ("runif", (0.0, NAN)),
    ("rcauchy", (0.0, -1.0)), ("rcauchy", (NAN, 1.0)),
    ("rexp", (-1.0,)), ("rexp", (NAN,)),
    ("rlaplace", (0.0, -1.0)), ("rlaplace", (0.0, NAN)),
    ("rlogis", (0.0, -1.0)), ("rlogis", (NAN, 1.0)),
    ("rpois", (-1.0,)), ("rpois", (NAN,)),
    ("rweibull", (1.0, 1e-17)), ("rweibull", (1e-17, 1.0)), ("rweibull", (NAN, 1.0)), ("rweibull", (1.0, NAN)),
]


@pytest.mark.parametrize("name, params", INVALID, ids=[f"{n}{p}" for n, p in INVALID])
def test_invalid_parameters_give_nan_without_drawing(name, params):
    fn = getattr(q, name)
    e = q.Engine(1)
    assert_bits(fn(*params, e), NAN)
    assert all(math.isnan(v) for v in fn(*params, 3, e))
    assert_same_state(e, q.Engine(1))


# The six generators by inversion: the quantile of one positive uniform.
INVERSION = [
    ("rcauchy", "qcauchy", (0.0, 1.0)), ("rcauchy", "qcauchy", (2.0, 0.5)), ("rcauchy", "qcauchy", (0.0, 0.0)),
    ("rexp", "qexp", (1.0,)), ("rexp", "qexp", (2.0,)), ("rexp", "qexp", (0.0,)), ("rexp", "qexp", (INF,)),
    ("rlaplace", "qlaplace", (0.0, 1.0)), ("rlaplace", "qlaplace", (1.0, 3.0)), ("rlaplace", "qlaplace", (0.0, 0.0)),
    ("rlogis", "qlogis", (0.0, 1.0)), ("rlogis", "qlogis", (1.0, 3.0)), ("rlogis", "qlogis", (0.0, 0.0)),
    ("rpois", "qpois", (0.0,)), ("rpois", "qpois", (1e-17,)), ("rpois", "qpois", (5.0,)),
    ("rpois", "qpois", (11.0,)), ("rpois", "qpois", (1e6,)), ("rpois", "qpois", (INF,)),
    ("rweibull", "qweibull", (2.0, 1.0)), ("rweibull", "qweibull", (0.5, 3.0)), ("rweibull", "qweibull", (INF, 2.0)),
]


@pytest.mark.parametrize("rname, qname, params", INVERSION, ids=[f"{r}{p}" for r, _, p in INVERSION])
def test_inversion_generators_use_one_positive_uniform(rname, qname, params):
    r, quantile = getattr(q, rname), getattr(q, qname)
    e = q.Engine(7)
    u = Uniforms(7)
    for i in range(4):
        assert_bits(r(*params, e), quantile(u(), *params), f"draw {i}")
    assert_same_state(e, u.engine)


def test_rexp_first_draw_of_seed_one():
    got = q.rexp(1.0, q.Engine(1))
    assert_bits(got, q.qexp(0.13387664401253274, 1.0))
    assert got == pytest.approx(0.143727937160258, rel=1e-14)


def test_rpois_zero_rate_is_zero_and_draws():
    e = q.Engine(1)
    assert_bits(q.rpois(0.0, e), 0.0)
    assert outputs_consumed(lambda f: q.rpois(0.0, f)) == 1


@pytest.mark.parametrize(
    "name, params, count",
    [("rbern", (0.5,), 1), ("runif", (0.0, 1.0), 1), ("rbinom", (7, 0.2), 7), ("rbinom", (0, 0.2), 0),
     ("rexp", (1.0,), 1), ("rcauchy", (0.0, 0.0), 1), ("rlaplace", (0.0, 0.0), 1), ("rlogis", (0.0, 0.0), 1),
     ("rweibull", (1.0, 1.0), 1), ("rpois", (3.0,), 1), ("rgamma", (INF, 1.0), 0), ("rt", (INF,), 4)],
)
def test_outputs_consumed_per_call(name, params, count):
    assert outputs_consumed(lambda e: getattr(q, name)(*params, e)) == count


# Statistical agreement at fixed seeds: mean and variance within five standard
# errors where the moments exist, and a Kolmogorov-Smirnov or chi-square test.
N = 20000

CONTINUOUS = [
    ("rnorm", (0.0, 1.0), stats.norm()), ("rnorm", (3.0, 0.5), stats.norm(3.0, 0.5)),
    ("runif", (0.0, 1.0), stats.uniform()), ("runif", (-2.0, 5.0), stats.uniform(-2.0, 7.0)),
    ("rgamma", (0.3, 2.0), stats.gamma(0.3, scale=2.0)), ("rgamma", (1.0, 1.0), stats.gamma(1.0)),
    ("rgamma", (3.0, 2.0), stats.gamma(3.0, scale=2.0)), ("rgamma", (50.0, 0.1), stats.gamma(50.0, scale=0.1)),
    ("rchisq", (0.5,), stats.chi2(0.5)), ("rchisq", (3.0,), stats.chi2(3.0)), ("rchisq", (30.0,), stats.chi2(30.0)),
    ("rbeta", (0.5, 0.5), stats.beta(0.5, 0.5)), ("rbeta", (2.0, 3.0), stats.beta(2.0, 3.0)),
    ("rbeta", (0.2, 5.0), stats.beta(0.2, 5.0)),
    ("rf", (3.0, 5.0), stats.f(3.0, 5.0)), ("rf", (5.0, 20.0), stats.f(5.0, 20.0)),
    ("rinvgamma", (6.0, 2.0), stats.invgamma(6.0, scale=2.0)), ("rinvgamma", (1.5, 1.0), stats.invgamma(1.5)),
    ("rlnorm", (0.0, 1.0), stats.lognorm(1.0)), ("rlnorm", (1.0, 0.5), stats.lognorm(0.5, scale=math.e)),
    ("rt", (1.0,), stats.t(1.0)), ("rt", (3.0,), stats.t(3.0)), ("rt", (30.0,), stats.t(30.0)),
    ("rcauchy", (0.0, 1.0), stats.cauchy()), ("rcauchy", (2.0, 0.5), stats.cauchy(2.0, 0.5)),
    ("rexp", (1.0,), stats.expon()), ("rexp", (2.5,), stats.expon(scale=0.4)),
    ("rlaplace", (0.0, 1.0), stats.laplace()), ("rlaplace", (1.0, 3.0), stats.laplace(1.0, 3.0)),
    ("rlogis", (0.0, 1.0), stats.logistic()), ("rlogis", (1.0, 3.0), stats.logistic(1.0, 3.0)),
    ("rweibull", (2.0, 1.0), stats.weibull_min(2.0)), ("rweibull", (0.5, 3.0), stats.weibull_min(0.5, scale=3.0)),
]

DISCRETE = [
    ("rbern", (0.3,), stats.bernoulli(0.3)),
    ("rbinom", (10, 0.5), stats.binom(10, 0.5)), ("rbinom", (30, 0.1), stats.binom(30, 0.1)),
    ("rpois", (0.5,), stats.poisson(0.5)), ("rpois", (3.0,), stats.poisson(3.0)),
    ("rpois", (11.0,), stats.poisson(11.0)), ("rpois", (200.0,), stats.poisson(200.0)),
]


def check_moments(sample, dist):
    mean, var, kurt = (float(m) for m in dist.stats(moments="mvk"))
    n = len(sample)
    if math.isfinite(var):
        assert abs(sample.mean() - mean) < 5 * math.sqrt(var / n), (sample.mean(), mean)
    if math.isfinite(kurt):
        se = var * math.sqrt(2 / (n - 1) + kurt / n)
        assert abs(sample.var(ddof=1) - var) < 5 * se, (sample.var(ddof=1), var)


def case_id(case):
    return f"{case[0]}{case[1]}"


@pytest.mark.parametrize("name, params, dist", CONTINUOUS, ids=[case_id(c) for c in CONTINUOUS])
def test_continuous_sample_agrees_with_scipy(name, params, dist):
    sample = getattr(q, name)(*params, N, q.Engine(20240))
    assert np.isfinite(sample).all()
    check_moments(sample, dist)
    assert stats.kstest(sample, dist.cdf).pvalue > 1e-3


@pytest.mark.parametrize("name, params, dist", DISCRETE, ids=[case_id(c) for c in DISCRETE])
def test_discrete_sample_agrees_with_scipy(name, params, dist):
    sample = getattr(q, name)(*params, N, q.Engine(20240))
    assert (sample == np.floor(sample)).all() and (sample >= 0).all()
    check_moments(sample, dist)
    # Chi-square over the counts whose expected frequency is at least 5, with
    # both tails pooled into the end cells.
    ks = np.arange(dist.ppf(1e-4), dist.ppf(1 - 1e-4) + 1)
    ks = ks[N * dist.pmf(ks) >= 5]
    lo, hi = ks[0], ks[-1]
    observed = np.array([np.sum(sample <= lo)] + [np.sum(sample == k) for k in ks[1:-1]] + [np.sum(sample >= hi)])
    expected = N * np.concatenate([[dist.cdf(lo)], dist.pmf(ks[1:-1]), [dist.sf(hi - 1)]])
    assert stats.chisquare(observed, expected * observed.sum() / expected.sum()).pvalue > 1e-3
