"""Beta, Student t, F and binomial laws against high-precision references: every
d, p and q function on the sound-results rule in each region (everyday, tails,
logarithms, extreme parameters), quantiles non-decreasing in p on fine grids,
and the bits on both sides of the switches between the literal algorithms and
the forms that replace them. References: benchmarks/reference_beta_family.py."""
import numpy as np
import pytest

import quantora as q
from exact import assert_bits
from soundness import faults, load

DATA = load("beta_family")
REGIONS = ["everyday", "tail", "log", "extreme"]
FUNCTIONS = ["dbeta", "pbeta", "qbeta", "dt", "pt", "qt", "df", "pf", "qf", "dbinom", "pbinom", "qbinom"]


@pytest.mark.parametrize("region", REGIONS)
@pytest.mark.parametrize("name", FUNCTIONS)
def test_sound_against_references(name, region):
    points = [point for point in DATA[name] if point[1] == region]
    found = faults(name, points)
    assert not found, f"{len(found)} of {len(points)} unsound:\n" + "\n".join(found[:20])


def test_every_function_and_region_has_references():
    for name in FUNCTIONS:
        assert {point[1] for point in DATA[name]} >= {"everyday", "tail", "extreme"}, name


# Probabilities from 1e-300 to 1 - 2^-53, densest in the tails and around the
# median.
P_GRID = np.unique(np.concatenate([
    np.geomspace(1e-300, 1e-3, 150),
    np.linspace(1e-3, 1 - 1e-3, 151),
    0.5 - np.geomspace(2.0**-54, 1e-3, 40),
    0.5 + np.geomspace(2.0**-53, 1e-3, 40),
    1 - np.geomspace(2.0**-53, 1e-3, 120),
]))


@pytest.mark.parametrize("name, params", [
    ("qbeta", (0.5, 0.5)), ("qbeta", (2.0, 3.0)), ("qbeta", (0.1, 1000.0)), ("qbeta", (1e-3, 2.0)),
    ("qbeta", (1e6, 1e6)), ("qbeta", (0.05, 0.05)),
    ("qt", (0.5,)), ("qt", (1.0,)), ("qt", (2.0,)), ("qt", (3.0,)), ("qt", (30.0,)), ("qt", (1e12,)),
    ("qf", (1.0, 1.0)), ("qf", (5.0, 2.0)), ("qf", (0.5, 3.0)), ("qf", (1e6, 1e6)),
    ("qbinom", (100, 0.01)), ("qbinom", (1000, 0.5)), ("qbinom", (10**9, 1e-3)), ("qbinom", (10**12, 1e-9)),
])
def test_quantiles_non_decreasing_in_p(name, params):
    # Counts exactly; continuous quantiles within the rule's tolerance, since
    # a kept fast result may sit a few units in the last place either side of
    # the root (each is within 1e-6 of the true, increasing, quantile).
    values = getattr(q, name)(P_GRID, *params)
    assert not np.isnan(values).any()
    low, high = values[:-1], values[1:]
    slack = 0.0 if name == "qbinom" else 2e-6 * np.abs(np.where(np.isinf(low), 0, low)) + 2 * 5e-324
    bad = np.nonzero(~(high >= low - slack))[0]
    assert bad.size == 0, [(P_GRID[i], low[i], high[i]) for i in bad[:5]]


# The bits on both sides of each switch: on the kept side the literal
# algorithm's own result, on the other the form that replaces it. Every point
# is also among the references (SWITCH_POINTS of the reference script), where
# its value is checked against mpmath.
SWITCH_BITS = [
    # incomplete beta: the literal fraction while its error bound allows, the
    # front factor in logs beyond; quadrature within 5 standard deviations of
    # the centre of two large shapes, the even fraction beyond
    ("pbeta", (0.49, 5e5, 5e5), "0x1.af2391bbbf9cbp-295"),
    ("pbeta", (0.49, 7e5, 7e5), "0x1.0d07a419331d5p-410"),
    ("pbeta", (0.499452, 1e7, 1e7), "0x1.feb3f8e737681p-22"),
    ("pbeta", (0.49943, 1e7, 1e7), "0x1.701cfe3ef6b3bp-23"),
    # t: the closed form for 2 degrees of freedom while 1/2 - |x|/(2r) keeps
    # 2^-24; the literal incomplete beta while the rounding of its argument
    # allows; the first power-series term where dof/(dof + x^2) < 2^-900
    ("pt", (-1e4, 2.0), "0x1.5798edc000000p-28"),
    ("pt", (-2e4, 2.0), "0x1.5798ee0d6abd8p-30"),
    ("pt", (-3.0, 1e6), "0x1.61e05a9f00b00p-10"),
    ("pt", (-3.0, 1e7), "0x1.61de58b2f91a1p-10"),
    ("pt", (-1e135, 3.0, True), "-0x1.d23980abbe99bp+9"),
    ("pt", (-1e136, 3.0, True), "-0x1.d5adb1fef099bp+9"),
    # F: the same for y/(y + 1); the power-series term where it is below 2^-900
    ("pf", (2.0, 3.0, 1e6), "0x1.c6daedcd70437p-1"),
    ("pf", (2.0, 3.0, 1e8), "0x1.c6db060bf33efp-1"),
    ("pf", (1e-270, 3.0, 5.0, True), "-0x1.d20b9f936e18cp+9"),
    ("pf", (1e-272, 3.0, 5.0, True), "-0x1.d57fd0e6a018cp+9"),
    # densities: the literal log-density from x = 2^-52 on and within its
    # error bound, the front factor in logs elsewhere
    ("dbeta", (2.0**-52, 2.0, 3.0), "0x1.7fffffffffff4p-49"),
    ("dbeta", (2.0**-53, 2.0, 3.0), "0x1.800000000001ap-50"),
    ("dbeta", (0.3, 3e5, 7e5), "0x1.b348157352377p+9"),
    ("dbeta", (0.3, 3e6, 7e6), "0x1.581ed278df557p+11"),
    ("dt", (1.0, 1e6), "0x1.ef8e48a07dd07p-3"),
    ("dt", (1.0, 1e7), "0x1.ef8e57437d9a9p-3"),
    ("df", (1.0, 1e6, 1e6), "0x1.8ef132bbfa504p+7"),
    ("df", (1.0, 3e6, 3e6), "0x1.597e7eb1618d6p+8"),
    # binomial: the literal mass and sums while the log-mass bound allows (n
    # about 6e5 at prob 1/2), the saddle-point mass and the incomplete beta
    # beyond; one minus the upper tail above 1 - 2^-24; the incomplete beta
    # where masses flushed to zero could matter
    ("dbinom", (250000, 500000, 0.5), "0x1.27cc34c66cc89p-10"),
    ("dbinom", (300000, 600000, 0.5), "0x1.0e066ea7276dep-10"),
    ("pbinom", (249000, 500000, 0.5), "0x1.33e9fcebec57ep-9"),
    ("pbinom", (349000, 700000, 0.5), "0x1.1499111f33dd8p-7"),
    ("pbinom", (195, 300, 0.5), "0x1.fffffdfe36324p-1"),
    ("pbinom", (196, 300, 0.5), "0x1.fffffef4e30f7p-1"),
    ("pbinom", (2276, 2411, 0.9998368281067137), "0x1.b8c43dafc2a0dp-954"),
    ("pbinom", (2271, 2411, 0.9998368281067137), "0x1.10b1a13c22115p-996"),
    # quantiles: the literal result where it meets the rule, else bisection
    ("qbinom", (0.5, 1000, 0.3), "0x1.2c00000000000p+8"),
    ("qbinom", (1 - 2.0**-21, 1000, 0.3), "0x1.7400000000000p+8"),
    ("qbeta", (0.3, 2.0, 3.0), "0x1.16ebd0ecac2b3p-2"),
    ("qbeta", (1e-300, 2.0, 3.0), "0x1.561b6f45e5154p-500"),
    ("qt", (0.3, 1e12), "-0x1.0c7e39582cbdep-1"),
]


@pytest.mark.parametrize("name, args, want", SWITCH_BITS, ids=[f"{n}{a}" for n, a, _ in SWITCH_BITS])
def test_bits_at_the_switches(name, args, want):
    assert_bits(getattr(q, name)(*args), float.fromhex(want), f"{name}{args}")
    listed = [point[0] for point in DATA[name]]
    assert any(a == list(args[: len(a)]) for a in listed), f"{name}{args} is not among the references"
