"""Argument grids over the corners of every function's domain: NaNs of several
encodings, infinities, signed zeros, subnormals, the ends of the range and
invalid parameters, beside ordinary and tail values."""
import itertools
import sys

import numpy as np

CANONICAL_NAN = 0x7FF8000000000000

INT64_MIN = -(2**63)
INT64_MAX = 2**63 - 1


def from_bits(*patterns):
    return np.array(patterns, dtype=np.uint64).view(np.float64)


# The quiet NaN, its negative, one with a payload and a signalling one.
NANS = from_bits(CANONICAL_NAN, 0xFFF8000000000000, 0x7FF80000DEADBEEF, 0x7FF0000000000001)
HOSTILE = np.concatenate(
    [NANS, [np.inf, -np.inf, 0.0, -0.0, 5e-324, -5e-324, 1e-310, sys.float_info.max, -sys.float_info.max]])


def reals(*values):
    return np.concatenate([HOSTILE, values])


ROLES = {
    "x": reals(-40, -3.5, -1, -0.25, 1e-300, 1e-16, 0.5, 1, 1.5, 2.5, 7, 38.5, 1e10, 1e300),
    "location": reals(-2.5, 1, 1e300),
    "positive": reals(-1, 1e-300, 1e-10, 0.5, 1, 2.5, 30, 1e10, 1e300),
    "probability": reals(1e-300, 1e-20, 0.025, 0.3, 0.5, 0.9, 1 - 1e-10, 1 - 2**-53, 1, -0.1, 1.5),
    "count": np.array([INT64_MIN, -1, 0, 1, 2, 7, 40, 1000, INT64_MAX], dtype=np.int64),
    "trials": np.array([INT64_MIN, -1, 0, 1, 10, 1000, 10**6], dtype=np.int64),
    "flag": np.array([False, True]),
}
# A binomial draw costs one engine output per trial.
DRAWN_TRIALS = [INT64_MIN, -1, 0, 1, 10, 1000]

# The role of x (d and p) and of each parameter, in the module's order.
DISTRIBUTIONS = {
    "norm": ("x", "location", "positive"),
    "bern": ("count", "probability"),
    "beta": ("x", "positive", "positive"),
    "binom": ("count", "trials", "probability"),
    "cauchy": ("x", "location", "positive"),
    "chisq": ("x", "positive"),
    "exp": ("x", "positive"),
    "f": ("x", "positive", "positive"),
    "gamma": ("x", "positive", "positive"),
    "invgamma": ("x", "positive", "positive"),
    "laplace": ("x", "location", "positive"),
    "lnorm": ("x", "location", "positive"),
    "logis": ("x", "location", "positive"),
    "pois": ("count", "positive"),
    "t": ("x", "positive"),
    "unif": ("x", "location", "location"),
    "weibull": ("x", "positive", "positive"),
}
DPQ_NAMES = [prefix + dist for prefix in "dpq" for dist in DISTRIBUTIONS]
R_NAMES = ["r" + dist for dist in DISTRIBUTIONS]


def dpq_grid(name):
    """The arguments of d, p or q function `name`, each along its own axis, so
    that they broadcast to every combination."""
    x, *params = DISTRIBUTIONS[name[1:]]
    roles = ["probability", *params] if name[0] == "q" else [x, *params, "flag"]
    return [ROLES[role].reshape([-1 if j == i else 1 for j in range(len(roles))]) for i, role in enumerate(roles)]


def r_parameters(name):
    """Every combination of the generator's parameter values."""
    _, *params = DISTRIBUTIONS[name[1:]]
    values = [DRAWN_TRIALS if role == "trials" else [float(v) for v in ROLES[role]] for role in params]
    return list(itertools.product(*values))


def dpq_results(module, name):
    return np.asarray(getattr(module, name)(*dpq_grid(name)), dtype=np.float64)


def r_results(module, name, draws=3, seed=7):
    """Short streams from a fresh engine for every parameter combination, one row each."""
    function = getattr(module, name)
    return np.array([function(*params, draws, module.Engine(seed)) for params in r_parameters(name)])
