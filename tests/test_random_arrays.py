"""Work shared across an array call (a sampler built once per call: the
Bernoulli threshold, the uniform's bounds, the gamma constants) gives the very
draws of consecutive scalar calls, from the same engine outputs, for random
parameters and seeds; and the integer threshold decides every Bernoulli trial
as the floating-point comparison prob >= w does."""
import itertools
import math

import numpy as np
import pytest

import quantora as q
from exact import bits
from test_random_engine import mt64_outputs

TINY = 5e-324


def positive_uniform(y):
    """The positive uniform of a 64-bit output, in Python's IEEE arithmetic."""
    u = float(y) / 2.0**64
    return u * (1 - TINY) + TINY


def random_parameters(name, rng):
    """A parameter set of every scale, boundaries included now and then."""
    def shape():
        return float(rng.choice([0.0, 1.0, 10 ** rng.uniform(-4, 4)], p=[0.05, 0.05, 0.9]))

    def location():
        return float(rng.normal(0, 10 ** rng.uniform(-3, 3)))

    def probability():
        return float(rng.choice([0.0, 1.0, rng.uniform(), 10 ** rng.uniform(-18, 0)], p=[0.05, 0.05, 0.6, 0.3]))

    if name == "rbinom":
        return (int(rng.integers(0, 60)), probability())
    if name == "rbern":
        return (probability(),)
    if name in ("rchisq", "rexp", "rpois", "rt"):
        return (shape(),)
    if name == "runif":
        a, b = sorted((location(), location()))
        return (a, b)
    if name in ("rnorm", "rlnorm", "rcauchy", "rlaplace", "rlogis"):
        return (location(), shape())
    return (shape(), shape())


NAMES = ["rnorm", "rbern", "rbeta", "rbinom", "rcauchy", "rchisq", "rexp", "rf", "rgamma", "rinvgamma",
         "rlaplace", "rlnorm", "rlogis", "rpois", "rt", "runif", "rweibull"]


@pytest.mark.parametrize("name", NAMES)
def test_array_calls_draw_what_consecutive_scalar_calls_draw(name):
    fn = getattr(q, name)
    rng = np.random.default_rng(sum(map(ord, name)))
    for _ in range(12):
        params = random_parameters(name, rng)
        seed = int(rng.integers(-(2**31), 2**31))
        scalar_engine, array_engine = q.Engine(seed), q.Engine(seed)
        want = [bits(fn(*params, scalar_engine)) for _ in range(300)]
        got = [bits(v) for v in fn(*params, 300, array_engine)]
        assert got == want, (params, seed)
        assert [bits(v) for v in q.runif(0.0, 1.0, 3, scalar_engine)] == [
            bits(v) for v in q.runif(0.0, 1.0, 3, array_engine)], (params, seed)


def last_success(prob):
    """The largest output y with prob >= w(y), by bisection on the definition."""
    lo, hi = 0, 2**64 - 1
    if prob >= positive_uniform(hi):
        return hi
    while hi - lo > 1:
        mid = (lo + hi) // 2
        lo, hi = (mid, hi) if prob >= positive_uniform(mid) else (lo, mid)
    return lo


PROBS = [0.3, 0.5, 1e-300, 5e-324, 2.0**-64, 2.0**-65, 1 - 2.0**-53, 0.13387664401253274, 2.0**-11 + 2.0**-60,
         0.999999, 1 / 3, 7.450580596923828e-09]


@pytest.mark.parametrize("prob", PROBS)
def test_successes_are_exactly_a_prefix_of_the_outputs_near_the_threshold(prob):
    # Exhaustively over 2^13 outputs around the last success: w(y) <= prob
    # holds exactly up to it, so one integer comparison is the whole test.
    last = last_success(prob)
    for y in range(max(0, last - 2**12), min(2**64, last + 2**12)):
        assert (prob >= positive_uniform(y)) == (y <= last), y


def test_bernoulli_trials_match_the_comparison_at_their_own_outputs():
    # Probabilities placed exactly on, and one double either side of, the
    # uniforms of a real stream: each trial must fall as prob >= w falls.
    seed, n = 21, 2000
    w = [positive_uniform(y) for y in itertools.islice(mt64_outputs(seed), n)]
    for k in (0, 1, 17, 999):
        for prob in (w[k], math.nextafter(w[k], 0.0), math.nextafter(w[k], 1.0)):
            got = q.rbern(prob, n, q.Engine(seed)).tolist()
            assert got == [1.0 if prob >= x else 0.0 for x in w], (k, prob)
            binomial = q.rbinom(n, prob, q.Engine(seed))
            assert binomial == sum(1 for x in w if prob >= x)


@pytest.mark.parametrize("n, prob", [(10**6, 0.5), (10**6, 1e-4), (123457, 1 - 2**-40)])
def test_long_binomial_sums_count_every_trial(n, prob):
    e, f = q.Engine(22), q.Engine(22)
    assert q.rbinom(n, prob, e) == q.rbern(prob, n, f).sum()
    assert [bits(v) for v in q.runif(0.0, 1.0, 3, e)] == [bits(v) for v in q.runif(0.0, 1.0, 3, f)]
