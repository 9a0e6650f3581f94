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
