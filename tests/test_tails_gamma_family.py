"""The gamma, chi-squared, inverse-gamma and Poisson laws in their tails, on the
log scale and at extreme shapes, rates and counts: every d, p and q function
against high-precision references (benchmarks/reference_gamma_family.py),
quantiles non-decreasing in p, and the plain algorithms' bits where they are
kept beside each switch."""
import math
import sys

import numpy as np
import pytest

import quantora as q
from exact import assert_bits, from_hex
from soundness import faults, load

REFERENCES = load("gamma_family")
LARGEST = sys.float_info.max


@pytest.mark.parametrize("name", ["dgamma", "dchisq", "dinvgamma", "dpois",
                                  "pgamma", "pchisq", "pinvgamma", "ppois",
                                  "qgamma", "qchisq", "qinvgamma"])
def test_sound_against_references(name):
    found = faults(name, REFERENCES[name])
    assert not found, f"{len(found)} of {len(REFERENCES[name])}:\n" + "\n".join(found[:20])


def test_qpois_is_the_least_count_reaching_p():
    # Exactly the least count with ppois(k) >= p for the library's own ppois,
    # and the same count as the references' true distribution function gives.
    wrong = []
    for (p, rate), region, want, _ in REFERENCES["qpois"]:
        k = q.qpois(p, rate)
        reaches = q.ppois(int(k), rate) >= p and (k == 0 or q.ppois(int(k) - 1, rate) < p)
        if not reaches or k != want:
            wrong.append(f"qpois({p!r}, {rate!r}) [{region}] = {k!r}, reference {want!r}")
    assert not wrong, "\n".join(wrong[:20])


def probabilities():
    """Fine grid over (0, 1): the far lower tail, the bulk, the upper tail up to 1 - 2^-53."""
    grid = np.concatenate([10.0 ** -np.linspace(300, 1, 400), np.linspace(0.001, 0.999, 500),
                           1 - 10.0 ** -np.linspace(1, 15.9, 300), [1 - 2.0 ** -53]])
    return np.unique(grid)


@pytest.mark.parametrize("name, params", [
    ("qgamma", (1e-3, 1.0)), ("qgamma", (0.1, 1.0)), ("qgamma", (2.0, 3.0)), ("qgamma", (1e4, 1.0)),
    ("qgamma", (1e12, 1.0)), ("qchisq", (0.5,)), ("qchisq", (60.0,)), ("qchisq", (1000.0,)),
    ("qchisq", (1e6,)), ("qinvgamma", (0.1, 1.0)), ("qinvgamma", (7.3, 2.0)), ("qpois", (0.5,)),
    ("qpois", (1000.0,)), ("qpois", (1e9,)),
])
def test_quantiles_non_decreasing_in_p(name, params):
    p = probabilities()
    x = getattr(q, name)(p, *params)
    assert np.all(x >= 0) and not np.isnan(x).any()
    assert not np.any((x == 0) & np.signbit(x)), "-0.0"
    steps = np.flatnonzero(np.diff(x) < 0)
    assert steps.size == 0, [(p[i], x[i], p[i + 1], x[i + 1]) for i in steps[:5]]


def test_poisson_quantile_non_decreasing_near_its_far_lower_tail():
    # The distribution function at rate 1000 near 5e-15 used to be rounding noise.
    k = q.qpois(np.linspace(1e-15, 1e-14, 2001), 1000.0)
    assert np.all(np.diff(k) >= 0)


@pytest.mark.parametrize("name, args", [
    ("pchisq", lambda t: (1000 + t * math.sqrt(2000), 1000.0)),
    ("pchisq", lambda t: (1e6 + t * math.sqrt(2e6), 1e6)),
    ("pchisq", lambda t: (1e12 + t * math.sqrt(2e12), 1e12)),
    ("pgamma", lambda t: (1e15 + t * math.sqrt(1e15), 1e15, 1.0)),
    ("ppois", lambda t: (np.floor(1e9 + t * math.sqrt(1e9)).astype(np.int64), 1e9)),
])
def test_distribution_functions_non_decreasing(name, args):
    # Both tails, out to 38 standard deviations, on the log scale and plain.
    t = np.linspace(-38, 38, 4001)
    f = getattr(q, name)
    for log in (False, True):
        v = f(*args(t), log)
        assert np.all(v[1:] >= v[:-1]), log


# Points on the kept side of each switch, with the bits of the plain algorithm
# there (the incomplete gamma kernel; the sum of logarithms of a density; the
# inverse's fixed updates). Their switched neighbours are in the references.
KEPT = [
    ("ppois", (4, 30.5, False), "0x1.4206cf0000000p-29"),  # upper tail above ~1e-9
    ("pgamma", (145.61235972546768, 100.5, 1.0, True), "-0x1.108b05f1aa319p-15"),  # log near 0
    ("pgamma", (684.1931869213058, 1000.5, 1.0, False), "0x1.1d763bd201db9p-97"),  # quadrature, z = -10
    ("dgamma", (1e6, 1e6, 1.0, False), "0x1.a2523e8138b0fp-12"),  # terms of size 1.4e7
    ("dpois", (1000000, 1e6, False), "0x1.a2523e8138b0fp-12"),
    ("pgamma", (2.0, 0.5, 1.0, False), "0x1.e8b4307d36278p-1"),  # lower fraction
    ("qgamma", (0.3, 2.0, 1.0), "0x1.18ebe0bc434e0p+0"),
    ("qinvgamma", (0.975, 7.3, 1.0), "0x1.54ebde98daf76p-2"),
    ("qgamma", (0.975, 0.1, 1.0), "0x1.f4aff018362f3p-1"),
]


@pytest.mark.parametrize("name, args, want", KEPT, ids=[f"{n}{a}" for n, a, _ in KEPT])
def test_plain_algorithm_kept_beside_switch(name, args, want):
    assert_bits(getattr(q, name)(*args), from_hex(want), f"{name}{args}")


# The ends of the double range and signed zeros.
@pytest.mark.parametrize("name, args, want", [
    ("pgamma", (LARGEST, 0.5, 0.5, False), 1.0),
    ("pgamma", (LARGEST, 0.5, 0.5, True), 0.0),
    ("dgamma", (LARGEST, 0.5, 0.5, False), 0.0),
    ("pchisq", (LARGEST, LARGEST, False), 0.5),
    ("pinvgamma", (5e-324, 2.0, 1.0, False), 0.0),
    ("qgamma", (0.99, 2.0, 1e308), math.inf),
    ("qpois", (0.5, LARGEST), math.inf),
])
def test_range_ends(name, args, want):
    got = getattr(q, name)(*args)
    if want == 0.5:
        assert abs(got - 0.5) < 1e-15, got
    else:
        assert_bits(got, want, f"{name}{args}")


@pytest.mark.parametrize("name, args", [
    ("dgamma", (1.5, 2.0, 0.0, False)),  # scale 0 is below the floor
    ("pgamma", (1.5, 0.0, 0.0, False)),
    ("dinvgamma", (0.0, 0.0, 0.0, True)),
    ("pinvgamma", (1.5, 2.0, 0.0, False)),
    ("qgamma", (0.5, 0.0, 1.0)),
    ("qinvgamma", (0.5, 2.0, 0.0)),
    ("qchisq", (0.5, 0.0)),
    ("dpois", (0, 0.0, False)),
    ("ppois", (3, 0.0, False)),
    ("qpois", (0.5, 0.0)),
])
def test_negative_zero_parameters_read_as_zero(name, args):
    negated = tuple(-0.0 if (a == 0 and isinstance(a, float)) else a for a in args)
    assert_bits(getattr(q, name)(*negated), getattr(q, name)(*args), f"{name}{negated}")


@pytest.mark.parametrize("name, args", [
    ("dgamma", (1.0, -1.0, 1.0, False)), ("pgamma", (math.inf, 2.0, math.inf, True)),
    ("qgamma", (0.5, 2.0, math.inf)), ("dinvgamma", (1.0, 2.0, -1.0, True)),
    ("pinvgamma", (1.0, 2.0, math.inf, False)), ("qinvgamma", (0.5, 0.0, 1.0)),
    ("dchisq", (1.0, -1.0, False)), ("pchisq", (math.nan, 3.0, True)), ("qchisq", (1.5, 3.0)),
    ("dpois", (3, -1.0, False)), ("ppois", (3, math.nan, True)), ("qpois", (-0.5, 3.0)),
])
def test_rejections_give_the_canonical_nan(name, args):
    assert_bits(getattr(q, name)(*args), math.nan, f"{name}{args}")
