"""Accuracy of every density, distribution function and quantile of quantora.

Each of the 51 ``d``, ``p`` and ``q`` functions is evaluated on a fixed grid and
compared with a reference computed by mpmath at 50 significant digits:

* densities and masses from their closed forms;
* distribution functions from closed forms, or from the regularized incomplete
  gamma and beta functions (``mpmath.gammainc`` and ``mpmath.betainc``);
* the normal quantile from ``mpmath.erfinv``, the other closed-form quantiles
  from their formulas, and every other continuous quantile as the root of the
  reference distribution function, found by ``mpmath.findroot`` (Newton's
  method on log F, or on log(1 - F) in the upper half, in a variable that maps
  the support onto the real line), started at the library's own value and
  falling back to a bracketing search where that fails;
* the discrete quantiles as the exact smallest count whose reference
  distribution function reaches p (exceeds p for the Poisson quantile).

Grids. Every distribution has a handful of parameter sets (see PARAMETERS).
The densities and distribution functions are evaluated at x placed at the
distribution's quantiles for the probability levels LEVELS (placed with SciPy,
rounded to ten significant digits; counts for the discrete ones; points off the
open support are dropped), and the quantiles at the probabilities LEVELS
themselves. A few extra points (SPOTS) name places that users meet and that are
known to be hard for the algorithms. A point is "bulk" when its level lies in
[1e-3, 1 - 1e-3], and "tail" otherwise.

Errors. The error of a value is |got - ref| / |ref|; where ref is exactly 0 it
is |got|, and where 0 < |ref| is below the smallest normal double (2^-1022)
the denominator is 2^-1022, so a reference that underflows a double is judged
by its absolute error in units of the smallest normal double (returning 0 for
it scores |ref| / 2^-1022, far below any rounding error). A NaN or infinite
result where the reference is finite is not given an error: it is counted
apart. Under the log flag the error is the absolute error of the logarithm
(the relative error of the value it stands for).

Usage::

    python benchmarks/accuracy.py [--json OUT] [--before BEFORE.json]
        [--markdown PAGE] [--label TEXT]

with quantora importable (installed, or PYTHONPATH=build/NAME) and mpmath and
SciPy installed (both are in the test extra). It takes seconds. It rewrites
docs/accuracy.md (``--markdown -`` writes no page). ``--json`` dumps the
per-function results and every computed value; ``--before`` reads such a dump
of an earlier build (by default docs/accuracy_before.json, where it exists;
``-`` for none) and adds its figures and the number of changed results.
"""

import argparse
import json
import math
import os
import subprocess
import statistics
import sys
import time
import warnings
from dataclasses import dataclass, field
from typing import Callable, Dict, List, Optional, Sequence, Tuple

import mpmath as mp
import numpy as np
from scipy import stats

try:
    import quantora
except ImportError:  # reported by main(), after --help has had its chance
    quantora = None

mp.mp.dps = 50
# SciPy only places grid points and gives starting values; its warnings about
# its own root finding in far tails do not concern the measurement.
warnings.filterwarnings("ignore", category=RuntimeWarning, module="scipy")

TINY = 2.2250738585072014e-308  # smallest normal double
HUGE = 1.7976931348623157e308
EPS = 2.0 ** -52
LEVELS = (1e-10, 1e-8, 1e-6, 1e-4, 1e-3, 0.01, 0.05, 0.1, 0.2, 0.3, 0.4, 0.5,
          0.6, 0.7, 0.8, 0.9, 0.95, 0.99, 0.999, 1 - 1e-4, 1 - 1e-6, 1 - 1e-8,
          1 - 1e-10)


def is_bulk(level: float, first, ref) -> bool:
    """Central levels, with the argument and the result clear of 2^-52."""
    if not 1e-3 <= level <= 1 - 1e-3:
        return False
    return not (0 < abs(first) < EPS or 0 < abs(ref) < EPS)


# ---------------------------------------------------------------------------
# Reference distributions (mpmath). Every function takes mpf arguments.

def M(v):
    return mp.mpf(v)


def reg_lower_gamma(a, x):
    return mp.gammainc(a, 0, x, regularized=True)


def reg_upper_gamma(a, x):
    return mp.gammainc(a, x, mp.inf, regularized=True)


def reg_beta(a, b, x):
    return mp.betainc(a, b, 0, x, regularized=True)


def norm_cdf(x, mu, s):
    return mp.erfc(-(x - mu) / (s * mp.sqrt(2))) / 2


def norm_pdf(x, mu, s):
    z = (x - mu) / s
    return mp.exp(-z * z / 2) / (s * mp.sqrt(2 * mp.pi))


def t_lower(x, n):
    """P(T <= x) for x <= 0, without cancellation."""
    return reg_beta(n / 2, M(0.5), n / (n + x * x)) / 2


def t_cdf(x, n):
    return t_lower(x, n) if x <= 0 else 1 - t_lower(-x, n)


def t_pdf(x, n):
    return (mp.gamma((n + 1) / 2) / (mp.sqrt(n * mp.pi) * mp.gamma(n / 2))
            * (1 + x * x / n) ** (-(n + 1) / 2))


def f_pdf(x, d1, d2):
    return (mp.sqrt((d1 * x) ** d1 * d2 ** d2 / (d1 * x + d2) ** (d1 + d2))
            / (x * mp.beta(d1 / 2, d2 / 2)))


def binom_cdf(k, n, p):
    if k < 0:
        return M(0)
    if k >= n:
        return M(1)
    return reg_beta(M(n - k), M(k + 1), 1 - p)


@dataclass
class Dist:
    """A distribution: parameter names, the reference functions and its grid."""
    params: Tuple[str, ...]
    sets: List[tuple]
    scipy: Callable
    pdf: Callable
    cdf: Callable
    sf: Optional[Callable] = None        # upper tail, where a direct form exists
    quantile: Optional[Callable] = None  # closed-form reference quantile
    support: str = "pos"                 # real, pos, unit or count
    int_params: Tuple[int, ...] = ()     # positions of count parameters
    note: str = ""


def laplace_cdf(x, mu, s):
    z = (x - mu) / s
    return mp.exp(z) / 2 if z < 0 else 1 - mp.exp(-z) / 2


def laplace_sf(x, mu, s):
    return laplace_cdf(-x, -mu, s)


def logis_cdf(x, mu, s):
    return 1 / (1 + mp.exp(-(x - mu) / s))


DISTS: Dict[str, Dist] = {
    "norm": Dist(
        ("mu", "sigma"), [(0.0, 1.0), (3.0, 0.25), (-1000.0, 50.0), (1e4, 1e-3)],
        lambda mu, s: stats.norm(mu, s),
        norm_pdf, norm_cdf, lambda x, mu, s: norm_cdf(-x, -mu, s),
        lambda p, mu, s: mu + s * mp.sqrt(2) * mp.erfinv(2 * p - 1), "real"),
    "bern": Dist(
        ("prob",), [(0.1,), (0.3,), (0.5,), (0.9,)],
        lambda q: stats.bernoulli(q),
        lambda k, q: q if k == 1 else 1 - q,
        lambda k, q: M(1) if k >= 1 else 1 - q,
        quantile=lambda p, q: M(1) if p > 1 - q else M(0), support="count"),
    "beta": Dist(
        ("a", "b"), [(0.1, 0.1), (0.5, 0.5), (0.5, 3.0), (1.0, 1.0), (2.0, 3.0),
                     (5.0, 1.0), (2.0, 10.0), (20.0, 40.0), (100.0, 0.5),
                     (150.0, 300.0), (1000.0, 1000.0), (0.1, 1000.0)],
        lambda a, b: stats.beta(a, b),
        lambda x, a, b: x ** (a - 1) * (1 - x) ** (b - 1) / mp.beta(a, b),
        lambda x, a, b: reg_beta(a, b, x), lambda x, a, b: reg_beta(b, a, 1 - x),
        support="unit"),
    "binom": Dist(
        ("n_trials", "prob"), [(1, 0.3), (5, 0.5), (20, 0.9), (100, 0.3),
                               (200, 0.3), (1000, 0.01), (1000, 0.5),
                               (2000, 0.4)],
        lambda n, q: stats.binom(n, q),
        lambda k, n, q: mp.binomial(n, k) * q ** k * (1 - q) ** (n - k),
        binom_cdf, support="count", int_params=(0,)),
    "cauchy": Dist(
        ("mu", "sigma"), [(0.0, 1.0), (-2.0, 0.5), (100.0, 10.0), (1e4, 1e-3)],
        lambda mu, s: stats.cauchy(mu, s),
        lambda x, mu, s: 1 / (mp.pi * s * (1 + ((x - mu) / s) ** 2)),
        lambda x, mu, s: mp.atan2(1, -(x - mu) / s) / mp.pi,
        quantile=lambda p, mu, s: mu + s * mp.tan(mp.pi * (p - M(0.5))),
        support="real"),
    "chisq": Dist(
        ("dof",), [(0.5,), (1.0,), (2.0,), (3.0,), (5.0,), (10.0,), (19.0,),
                   (20.0,), (30.0,), (50.0,), (60.0,), (100.0,), (300.0,), (1000.0,),
                   (3000.0,), (10000.0,)],
        lambda k: stats.chi2(k),
        lambda x, k: (x ** (k / 2 - 1) * mp.exp(-x / 2)
                      / (2 ** (k / 2) * mp.gamma(k / 2))),
        lambda x, k: reg_lower_gamma(k / 2, x / 2),
        lambda x, k: reg_upper_gamma(k / 2, x / 2)),
    "exp": Dist(
        ("rate",), [(1e-3,), (0.5,), (1.0,), (7.0,), (1000.0,)],
        lambda r: stats.expon(scale=1 / r),
        lambda x, r: r * mp.exp(-r * x),
        lambda x, r: -mp.expm1(-r * x), lambda x, r: mp.exp(-r * x),
        lambda p, r: -mp.log1p(-p) / r),
    "f": Dist(
        ("df1", "df2"), [(1.0, 1.0), (0.5, 3.0), (2.0, 5.0), (5.0, 2.0),
                         (3.0, 20.0), (10.0, 20.0), (4.0, 60.0), (30.0, 8.0),
                         (100.0, 100.0), (1000.0, 500.0), (10000.0, 10.0),
                         (3.0, 10000.0)],
        lambda d1, d2: stats.f(d1, d2),
        f_pdf,
        lambda x, d1, d2: reg_beta(d1 / 2, d2 / 2, d1 * x / (d1 * x + d2)),
        lambda x, d1, d2: reg_beta(d2 / 2, d1 / 2, d2 / (d1 * x + d2))),
    "gamma": Dist(
        ("shape", "scale"), [(0.1, 1.0), (0.3, 1.0), (0.5, 2.0), (1.0, 1.0),
                             (2.5, 0.5), (5.0, 1.0), (9.5, 1.0), (10.0, 1.0),
                             (15.0, 2.0), (26.0, 3.0), (30.0, 1.0), (45.0, 1.0), (60.0, 1.0),
                             (100.0, 1.0), (350.0, 10.0), (1000.0, 0.01)],
        lambda k, th: stats.gamma(k, scale=th),
        lambda x, k, th: (x ** (k - 1) * mp.exp(-x / th)
                          / (mp.gamma(k) * th ** k)),
        lambda x, k, th: reg_lower_gamma(k, x / th),
        lambda x, k, th: reg_upper_gamma(k, x / th)),
    "invgamma": Dist(
        ("shape", "scale"), [(0.1, 1.0), (0.5, 1.0), (1.0, 2.0), (3.0, 1.0),
                             (10.0, 5.0), (12.0, 0.5), (25.0, 30.0), (50.0, 1.0),
                             (200.0, 10.0), (1000.0, 1000.0)],
        lambda a, b: stats.invgamma(a, scale=b),
        lambda x, a, b: (b ** a * x ** (-a - 1) * mp.exp(-b / x) / mp.gamma(a)),
        lambda x, a, b: reg_upper_gamma(a, b / x),
        lambda x, a, b: reg_lower_gamma(a, b / x)),
    "laplace": Dist(
        ("mu", "sigma"), [(0.0, 1.0), (1.5, 0.2), (-50.0, 20.0), (1e4, 1e-3)],
        lambda mu, s: stats.laplace(mu, s),
        lambda x, mu, s: mp.exp(-abs(x - mu) / s) / (2 * s),
        laplace_cdf, laplace_sf,
        lambda p, mu, s: (mu + s * mp.log(2 * p) if p < 0.5
                          else mu - s * mp.log(2 * (1 - p))), "real"),
    "lnorm": Dist(
        ("mu", "sigma"), [(0.0, 1.0), (1.0, 0.25), (-2.0, 2.0), (5.0, 0.01)],
        lambda mu, s: stats.lognorm(s, scale=math.exp(mu)),
        lambda x, mu, s: norm_pdf(mp.log(x), mu, s) / x,
        lambda x, mu, s: norm_cdf(mp.log(x), mu, s),
        lambda x, mu, s: norm_cdf(-mp.log(x), -mu, s),
        lambda p, mu, s: mp.exp(mu + s * mp.sqrt(2) * mp.erfinv(2 * p - 1))),
    "logis": Dist(
        ("mu", "sigma"), [(0.0, 1.0), (2.0, 0.3), (-40.0, 8.0), (1e4, 1e-3)],
        lambda mu, s: stats.logistic(mu, s),
        lambda x, mu, s: (mp.exp(-(x - mu) / s)
                          / (s * (1 + mp.exp(-(x - mu) / s)) ** 2)),
        logis_cdf, lambda x, mu, s: logis_cdf(-x, -mu, s),
        lambda p, mu, s: mu + s * mp.log(p / (1 - p)), "real"),
    "pois": Dist(
        ("rate",), [(0.1,), (1.0,), (4.5,), (10.0,), (10.5,), (11.0,),
                    (20.0,), (30.0,), (60.0,), (100.0,), (300.0,), (1000.0,),
                    (3000.0,)],
        lambda r: stats.poisson(r),
        lambda k, r: mp.exp(-r) * r ** k / mp.factorial(k),
        lambda k, r: reg_upper_gamma(M(k + 1), r), support="count"),
    "t": Dist(
        ("dof",), [(0.5,), (0.8,), (1.0,), (1.5,), (2.0,), (2.5,), (3.0,),
                   (4.0,), (5.0,), (7.0,), (10.0,), (20.0,), (30.0,), (100.0,),
                   (1000.0,), (10000.0,)],
        lambda n: stats.t(n), t_pdf, t_cdf, lambda x, n: t_cdf(-x, n),
        support="real"),
    "unif": Dist(
        ("a", "b"), [(0.0, 1.0), (-3.0, 2.5), (100.0, 10000.0), (-1e-3, 1e-3)],
        lambda a, b: stats.uniform(a, b - a),
        lambda x, a, b: 1 / (b - a), lambda x, a, b: (x - a) / (b - a),
        lambda x, a, b: (b - x) / (b - a),
        lambda p, a, b: a + p * (b - a), "real"),
    "weibull": Dist(
        ("shape", "scale"), [(0.1, 1.0), (0.5, 2.0), (1.0, 1.0), (1.5, 3.0),
                             (2.0, 1.0), (5.0, 0.1), (30.0, 1.0), (3.0, 1000.0)],
        lambda k, lam: stats.weibull_min(k, scale=lam),
        lambda x, k, lam: (k / lam) * (x / lam) ** (k - 1) * mp.exp(-(x / lam) ** k),
        lambda x, k, lam: -mp.expm1(-(x / lam) ** k),
        lambda x, k, lam: mp.exp(-(x / lam) ** k),
        lambda p, k, lam: lam * (-mp.log1p(-p)) ** (1 / k)),
}

# Extra points, as (first argument, parameters...) in the Python argument order.
SPOTS: Dict[str, List[tuple]] = {
    "pchisq": [(60.0, 20.0)],
    "ppois": [(9, 30.0)],
    "pbinom": [(115, 200, 0.3)],
    "pgamma": [(1300.0, 1000.0, 1.0)],
    "qchisq": [(0.9999, 20.0), (1e-4, 5.0)],
    "qgamma": [(0.999, 0.3, 1.0), (0.5, 0.01, 1.0), (0.99996838, 26.0, 1.0)],
    "qbeta": [(1 - 1e-8, 2.0, 10.0), (0.9, 0.05, 1000.0)],
    "qf": [(0.99999, 3.0, 20.0)],
    "qt": [(0.6, 0.8), (0.3, 1.5)],
}

# Functions whose results the soundness rules for the incomplete gamma window,
# the clamp of every distribution function and the checked inverses touch.
CHANGED_BY_SOUNDNESS = (
    ["p" + d for d in DISTS]
    + ["qgamma", "qchisq", "qinvgamma", "qbeta", "qf", "qt"])


# ---------------------------------------------------------------------------
# Grids

def sig10(v: float) -> float:
    return float("%.10g" % v)


def in_open_support(d: Dist, x, params) -> bool:
    if not math.isfinite(x):
        return False
    if d.support == "pos":
        return x > 0
    if d.support == "unit":
        return 0 < x < 1
    if d.support == "real" and d is DISTS["unif"]:
        return params[0] < x < params[1]
    return True


def point_grid(dist_name: str, family: str) -> List[Tuple[tuple, float]]:
    """(arguments, level) pairs for one function, spots last."""
    d = DISTS[dist_name]
    points: List[Tuple[tuple, float]] = []
    seen = set()

    def add(args, level):
        if args not in seen:
            seen.add(args)
            points.append((args, level))

    for params in d.sets:
        if family == "q":
            for level in LEVELS:
                add((level,) + tuple(params), level)
            continue
        law = d.scipy(*params)
        for level in LEVELS:
            x = float(law.ppf(level))
            if d.support == "count":
                if not math.isfinite(x):
                    continue
                add((int(x),) + tuple(params), level)
            else:
                x = sig10(x)
                if in_open_support(d, x, params):
                    add((x,) + tuple(params), level)
    for args in SPOTS.get(family + dist_name, []):
        if family == "q":
            level = args[0]
        else:
            level = float(d.scipy(*args[1:]).cdf(args[0]))
        add(tuple(args), level)
    return points


# ---------------------------------------------------------------------------
# Reference quantiles

class ReferenceFailure(Exception):
    pass


def transform(support: str):
    """x(u), dx/du and u(x) for a variable u over the whole real line."""
    if support == "pos":
        return mp.exp, mp.exp, mp.log
    if support == "unit":
        def to_x(u):
            return 1 / (1 + mp.exp(-u))

        def dxdu(u):
            x = to_x(u)
            return x * (1 - x)

        return to_x, dxdu, lambda x: mp.log(x / (1 - x))
    return (lambda u: u), (lambda u: M(1)), (lambda x: x)


# Beyond this the transformed variable stands for numbers far outside the
# doubles (e^-100000): a Newton step that gets there has diverged.
U_LIMIT = 1e5


def continuous_root(d: Dist, params, p, starts) -> mp.mpf:
    """x with F(x) = p: Newton on log F (log(1 - F) above the median)."""
    lower = p <= 0.5
    target = mp.log(p) if lower else mp.log(1 - p)
    upper_tail = d.sf if d.sf is not None else (lambda x, *a: 1 - d.cdf(x, *a))
    tail = d.cdf if lower else upper_tail
    to_x, dxdu, to_u = transform(d.support)

    def h(u):
        if abs(u) > U_LIMIT:
            raise ValueError("step out of range")
        v = tail(to_x(u), *params)
        return mp.log(v) - target if v > 0 else mp.ninf

    def dh(u):
        if abs(u) > U_LIMIT:
            raise ValueError("step out of range")
        x = to_x(u)
        slope = d.pdf(x, *params) * dxdu(u) / tail(x, *params)
        return slope if lower else -slope

    def accept(u):
        r = h(u)
        return mp.isfinite(r) and abs(r) < mp.mpf(10) ** -30

    us = []
    for s in starts:
        if s is not None and in_open_support(d, s, params):
            us.append(to_u(M(s)))
    us.append(M(0))
    for u0 in us:
        try:
            u = mp.findroot(h, u0, solver="newton", df=dh, maxsteps=80)
            if accept(u):
                return to_x(u)
        except (ValueError, ZeroDivisionError, OverflowError, TypeError):
            pass
    # Bracket the root from the first start, then bisect.
    u0 = us[0]
    increasing = lower  # log F rises with x, log(1 - F) falls
    r0 = h(u0)
    if r0 == 0:
        return to_x(u0)
    up = (r0 < 0) == increasing
    step = M(1)
    a = u0
    for _ in range(40):
        b = a + step if up else a - step
        if abs(b) > U_LIMIT:
            raise ReferenceFailure("no bracket for %s %r p=%r" % (d.params, params, p))
        rb = h(b)
        if rb == 0:
            return to_x(b)
        if (rb > 0) != (r0 > 0) and not (mp.isnan(rb)):
            break
        a, step = b, step * 2
    else:
        raise ReferenceFailure("no bracket for %s %r p=%r" % (d.params, params, p))
    lo, hi = (a, b) if a < b else (b, a)
    rlo = h(lo)
    for _ in range(400):
        mid = (lo + hi) / 2
        rm = h(mid)
        if rm == 0:
            return to_x(mid)
        if (rm > 0) == (rlo > 0):
            lo, rlo = mid, rm
        else:
            hi = mid
        if hi - lo < mp.mpf(10) ** -40 * max(1, abs(lo)):
            break
    return to_x((lo + hi) / 2)


def discrete_root(cdf: Callable[[int], mp.mpf], p, strict: bool,
                  start: Optional[float]) -> int:
    """Smallest count whose distribution function reaches p (exceeds it if strict)."""
    def reach(k):
        v = cdf(k)
        return v > p if strict else v >= p

    k = int(start) if start is not None and math.isfinite(start) and start >= 0 else 0
    if reach(k):
        hi, step = k, 1
        lo = hi - step
        while lo >= 0 and reach(lo):
            hi, step = lo, step * 2
            lo = hi - step
        lo = max(lo, -1)
    else:
        lo, step = k, 1
        hi = lo + step
        while not reach(hi):
            lo, step = hi, step * 2
            hi = lo + step
    while hi - lo > 1:
        mid = (lo + hi) // 2
        if reach(mid):
            hi = mid
        else:
            lo = mid
    return hi


# ---------------------------------------------------------------------------
# One function

@dataclass
class Result:
    name: str
    points: int = 0
    worst: Optional[float] = None  # None: no finite result to measure
    worst_args: Optional[tuple] = None
    bulk_worst: Optional[float] = None
    median: Optional[float] = None
    nonfinite: int = 0
    outside01: int = 0
    mismatches: Optional[int] = None
    log_worst: Optional[float] = None
    log_worst_args: Optional[tuple] = None
    log_nonfinite: Optional[int] = None
    ref_failures: int = 0
    seconds: float = 0.0
    # every result as repr (value, and under the log flag after a space)
    values: Dict[str, str] = field(default_factory=dict)
    errors: Dict[str, Optional[float]] = field(default_factory=dict)  # to 3 digits
    tiny: List[str] = field(default_factory=list)  # argument or reference below 2^-52


def error_of(got: float, ref) -> Optional[float]:
    """The error described above; None where the result or the reference is not finite."""
    if (mp.isinf(ref) or abs(ref) > HUGE) and got == (math.inf if ref > 0 else -math.inf):
        return 0.0  # beyond the doubles the infinity of the right sign is exact
    if not math.isfinite(got) or mp.isinf(ref):
        return None
    if ref == 0:
        return abs(got)
    return float(abs(M(got) - ref) / max(abs(ref), M(TINY)))


def call_library(fname: str, dist: Dist, points, log: bool) -> np.ndarray:
    fn = getattr(quantora, fname)
    columns = []
    for i in range(len(points[0][0])):
        if i == 0:
            is_int = fname[0] in "dp" and dist.support == "count"
        else:
            is_int = (i - 1) in dist.int_params
        columns.append(np.array([pt[0][i] for pt in points],
                                dtype=np.int64 if is_int else np.float64))
    kwargs = {}
    if log:
        kwargs["log" if fname[0] == "d" else "log_p"] = True
    out = fn(*columns, **kwargs)
    return np.atleast_1d(np.asarray(out, dtype=np.float64))


def args_key(args: tuple) -> str:
    return ", ".join(repr(a) for a in args)


def reference(fname: str, dist: Dist, args: tuple, got: float):
    family, first, params = fname[0], args[0], args[1:]
    mparams = [M(v) for v in params]
    if family == "d":
        return dist.pdf(M(first), *mparams)
    if family == "p":
        return dist.cdf(M(first), *mparams)
    p = M(first)
    if dist.quantile is not None:
        return dist.quantile(p, *mparams)
    if dist.support == "count":
        if fname == "qbinom":
            n, prob = params
            return M(discrete_root(lambda k: binom_cdf(k, n, M(prob)), p, False,
                                   got if got <= n else None))
        return M(discrete_root(lambda k: dist.cdf(k, *mparams), p, True, got))
    if dist is DISTS["t"]:
        if p == 0.5:
            return M(0)
        # solve P(|T| > y) = 2 min(p, 1 - p) for the magnitude y, then sign it
        tail = min(p, 1 - p)
        mag = continuous_root(T_MAGNITUDE, mparams, 1 - 2 * tail,
                              [abs(got) if math.isfinite(got) else None,
                               abs(float(stats.t(params[0]).ppf(float(tail))))])
        return -mag if p < 0.5 else mag
    law = dist.scipy(*params)
    return continuous_root(dist, mparams, p, [got, float(law.ppf(first))])


# |T| for Student's t: its upper tail 2 P(T <= -y) is formed without
# cancellation, so quantiles far out in either tail are solved accurately.
T_MAGNITUDE = Dist(
    ("dof",), [], None,
    pdf=lambda y, n: 2 * t_pdf(y, n),
    cdf=lambda y, n: 1 - 2 * t_lower(-y, n),
    sf=lambda y, n: 2 * t_lower(-y, n),
    support="pos")


def measure(fname: str) -> Result:
    family, dname = fname[0], fname[1:]
    dist = DISTS[dname]
    start = time.perf_counter()
    points = point_grid(dname, family)
    got = call_library(fname, dist, points, log=False)
    got_log = call_library(fname, dist, points, log=True) if family != "q" else None
    res = Result(fname, points=len(points))
    errors, bulk_errors = [], []
    mismatches = 0
    log_nonfinite = 0
    for i, (args, level) in enumerate(points):
        g = float(got[i])
        key = args_key(args)
        res.values[key] = repr(g)
        if family == "p" and (g < 0 or g > 1):
            res.outside01 += 1
        try:
            ref = reference(fname, dist, args, g)
        except ReferenceFailure as exc:
            print("reference failed:", fname, args, exc, file=sys.stderr)
            res.ref_failures += 1
            continue
        err = error_of(g, ref)
        res.errors[key] = None if err is None else float("%.3g" % err)
        if 0 < abs(args[0]) < EPS or 0 < abs(ref) < EPS:
            res.tiny.append(key)
        if SHOW is not None and (err is None or err > SHOW):
            print("  %s(%s) = %r  ref %s  error %s" % (
                fname, key, g, mp.nstr(ref, 17), fmt_err(err)), flush=True)
        if family == "q" and dist.support == "count" and g != float(ref):
            mismatches += 1
        if err is None:
            res.nonfinite += 1
        else:
            errors.append(err)
            if is_bulk(level, args[0], ref):
                bulk_errors.append(err)
            if res.worst is None or err > res.worst:
                res.worst, res.worst_args = err, args
        if got_log is not None:
            gl = float(got_log[i])
            res.values[key] += " " + repr(gl)
            if ref > 0:
                lref = mp.log(ref)
                if not math.isfinite(gl):
                    log_nonfinite += 1
                else:
                    e = float(abs(M(gl) - lref))
                    if res.log_worst is None or e > res.log_worst:
                        res.log_worst, res.log_worst_args = e, args
    res.bulk_worst = max(bulk_errors) if bulk_errors else None
    res.median = statistics.median(errors) if errors else None
    if family == "q" and dist.support == "count":
        res.mismatches = mismatches
    if got_log is not None:
        res.log_nonfinite = log_nonfinite
    res.seconds = time.perf_counter() - start
    return res


ALL_FUNCTIONS = [f + d for f in "dpq" for d in DISTS]
SHOW: Optional[float] = None  # print every point whose error exceeds this


# ---------------------------------------------------------------------------
# Output

def to_json(results: List[Result], label: str, seconds: float) -> dict:
    out = {"label": label, "module": quantora.__file__, "seconds": round(seconds, 1),
           "levels": LEVELS, "functions": {}}
    for r in results:
        d = dict(r.__dict__)
        d["worst_args"] = list(r.worst_args) if r.worst_args else None
        d["log_worst_args"] = list(r.log_worst_args) if r.log_worst_args else None
        out["functions"][r.name] = d
    return out


def fmt_err(e: Optional[float]) -> str:
    if e is None:
        return "–"
    if e == 0:
        return "0"
    return "%.1e" % e


def fmt_args(fname: str, args) -> str:
    """The point as a call, ready to paste."""
    if not args:
        return ""
    return "`%s(%s)`" % (fname, ", ".join(repr(v) for v in args))


def grid_lines() -> List[str]:
    lines = []
    for name, d in DISTS.items():
        sets = "; ".join(", ".join("%s=%s" % (n, repr(v)) for n, v in zip(d.params, s))
                         for s in d.sets)
        extra = []
        for fam in "dpq":
            for a in SPOTS.get(fam + name, []):
                extra.append("`%s(%s)`" % (fam + name, ", ".join(repr(v) for v in a)))
        line = "- `%s`: %s" % (name, sets)
        if extra:
            line += "; extra points " + ", ".join(extra)
        lines.append(line)
    return lines


def render(data: dict, before: Optional[dict]) -> str:
    fns = data["functions"]
    L = []
    L.append("# Accuracy")
    L.append("")
    L.append(
        "Every density (`d`), distribution function (`p`) and quantile (`q`) of quantora, "
        "measured against a reference computed with mpmath at 50 significant digits. "
        "Generated by `benchmarks/accuracy.py` (%s, %d grid points, %.0f s); rerun it "
        "after any change to a kernel." % (
            data["label"], sum(f["points"] for f in fns.values()), data["seconds"]))
    L.append("")
    L.extend(summary_lines(fns))
    failures = sum(f["ref_failures"] for f in fns.values())
    if failures:
        L.append("")
        L.append("%d points whose reference root could not be found are left out." % failures)
    L.append("")
    L.append(METHOD_TEXT)
    L.append("")
    L.append("## Grids")
    L.append("")
    L.append(
        "Probability levels: %s. Densities and distribution functions are evaluated at "
        "the distribution's quantiles for these levels (rounded to ten significant "
        "digits; counts for the discrete distributions, duplicates removed); quantiles "
        "at these probabilities. Levels in [1e-3, 1 − 1e-3] are the *bulk*, the others "
        "the *tails*. Parameter sets:" % ", ".join(repr(v) for v in data["levels"]))
    L.append("")
    L.extend(grid_lines())
    L.append("")
    for family, title in (("d", "Densities and masses"), ("p", "Distribution functions"),
                          ("q", "Quantiles")):
        L.append("## " + title)
        L.append("")
        head = "| Function | Points | Worst error | where | Bulk worst | Median | NaN/inf |"
        rule = "|---|---:|---:|---|---:|---:|---:|"
        if family == "p":
            head += " Outside [0, 1] |"
            rule += "---:|"
        if family in "dp":
            head += " Log flag: worst | where | log −inf/NaN |"
            rule += "---:|---|---:|"
        else:
            head += " Count mismatches |"
            rule += "---:|"
        L.append(head)
        L.append(rule)
        for name in ALL_FUNCTIONS:
            if name[0] != family:
                continue
            f = fns[name]
            row = "| `%s` | %d | %s | %s | %s | %s | %d |" % (
                name, f["points"], fmt_err(f["worst"]), fmt_args(name, f["worst_args"]),
                fmt_err(f["bulk_worst"]), fmt_err(f["median"]), f["nonfinite"])
            if family == "p":
                row += " %d |" % f["outside01"]
            if family in "dp":
                row += " %s | %s | %d |" % (
                    fmt_err(f["log_worst"]), fmt_args(name, f["log_worst_args"]),
                    f["log_nonfinite"])
            else:
                row += " %s |" % ("" if f["mismatches"] is None else f["mismatches"])
            L.append(row)
        L.append("")
    if before is not None:
        L.extend(render_before(data, before))
    L.append(COARSE_TEXT)
    return "\n".join(L) + "\n"


def summary_lines(fns: dict) -> List[str]:
    """Counts of functions by their bulk accuracy, and the least accurate."""
    def bulk(f):
        return math.inf if f["bulk_worst"] is None else f["bulk_worst"]

    limits = (1e-14, 1e-12, 1e-9, math.inf)
    counts = [0] * len(limits)
    for f in fns.values():
        counts[next(i for i, limit in enumerate(limits) if bulk(f) <= limit)] += 1
    worst = sorted(fns.values(), key=lambda f: -bulk(f))[:6]
    nonfinite = [f for f in fns.values() if f["nonfinite"]]
    return [
        "In the bulk of each grid, %d functions are within 1e-14 relative, %d more "
        "within 1e-12, %d more within 1e-9 and %d beyond. The largest bulk errors: %s. "
        "NaN or infinite results for finite references occur in %s. Tails and the "
        "reasons are in the last section." % (
            counts[0], counts[1], counts[2], counts[3],
            ", ".join("`%s` %s" % (f["name"], fmt_err(f["bulk_worst"])) for f in worst),
            ", ".join("`%s` (%d)" % (f["name"], f["nonfinite"]) for f in nonfinite)
            or "no function")]


def changed_keys(now: Dict[str, str], then: Dict[str, str]) -> List[str]:
    return [k for k in now if k in then and now[k] != then[k]]


def worst_of(errors: dict, keys) -> Optional[float]:
    finite = [errors[k] for k in keys if errors.get(k) is not None]
    return max(finite) if finite else None


def arrow(before, after, fmt=fmt_err) -> str:
    return "%s → %s" % (fmt(before), fmt(after))


def render_before(data: dict, before: dict) -> List[str]:
    L = ["## Before and after the soundness rules", ""]
    L.append(
        "The incomplete gamma function switches to the upper continued fraction where "
        "its quadrature window would end below x; every distribution function clamps "
        "its value into [0, 1] before the log flag; and the gamma, beta and t inverses "
        "check the residual of their fixed-update result and, where it is unsound, "
        "replace it by the bisection root over the doubles. *Before* is %s; *after* is "
        "%s. A changed point is one whose result differs in any bit, with or without the "
        "log flag; the next two columns are taken over the changed points only (the worst "
        "error over those whose argument and reference are clear of 2^-52, NaN/inf over all "
        "of them). The other columns "
        "are over the whole grid. Where a rule turns a NaN into a finite value the value "
        "enters the error columns, so a worst error can rise although the result "
        "improved (a tiny quantile that was NaN and is now 0, for example)." % (
            before["label"], data["label"]))
    L.append("")
    L.append("| Function | Changed points | Changed: worst error | Changed: NaN/inf | "
             "Worst error | Bulk worst | NaN/inf | Outside [0, 1] | Log −inf/NaN |")
    L.append("|---|---:|---:|---:|---:|---:|---:|---:|---:|")
    for name in ALL_FUNCTIONS:
        now, then = data["functions"][name], before["functions"].get(name)
        if then is None:
            continue
        keys = changed_keys(now["values"], then["values"])
        if name not in CHANGED_BY_SOUNDNESS and not keys:
            continue
        clear = [k for k in keys if k not in set(now["tiny"])]

        def count_nonfinite(f):
            return sum(1 for k in keys if f["errors"].get(k, 0) is None)

        p = name[0] == "p"
        L.append("| `%s` | %d | %s | %s | %s | %s | %s | %s | %s |" % (
            name, len(keys),
            arrow(worst_of(then["errors"], clear), worst_of(now["errors"], clear)),
            arrow(count_nonfinite(then), count_nonfinite(now), str),
            arrow(then["worst"], now["worst"]),
            arrow(then["bulk_worst"], now["bulk_worst"]),
            arrow(then["nonfinite"], now["nonfinite"], str),
            arrow(then["outside01"], now["outside01"], str) if p else "",
            arrow(then["log_nonfinite"], now["log_nonfinite"], str) if p else ""))
    L.append("")
    return L


METHOD_TEXT = """\
How to read the tables:

- *Error* is the relative error |got − ref| / |ref| of the library's value against the reference. Where the reference is exactly 0 it is the absolute error; where 0 < |ref| < 2^-1022 (the reference underflows a normal double) the denominator is 2^-1022, so such points are judged by their absolute error in units of the smallest normal double and returning 0 there is not counted as a failure.
- *Worst error* and *where* give the largest error over the whole grid and its arguments; *bulk worst* is the largest over the bulk levels; *median* is over all points.
- *NaN/inf* counts results that are NaN or infinite where the reference is finite. They are not included in the error columns.
- *Outside [0, 1]* counts distribution-function values above 1 or below 0.
- *Log flag* columns: the same grid with `log=True` / `log_p=True`, error taken as the absolute error of the logarithm (which is the relative error of the value it stands for); *log −inf/NaN* counts non-finite logarithms where the reference value is positive.
- *Count mismatches* (discrete quantiles): points where the returned count differs from the exact smallest count whose distribution function reaches p (exceeds p for `qpois`).
- References: densities, masses and closed-form distribution functions and quantiles from their formulas; the other distribution functions from mpmath's regularized incomplete gamma and beta functions; the normal quantile from `mpmath.erfinv`; every other continuous quantile as the root of the reference distribution function, found by `mpmath.findroot` (Newton on log F below the median and on log(1 − F) above it, in a variable that maps the support onto the real line), started at the library's value and falling back to a bracketing bisection; the t quantile is solved for its magnitude."""

COARSE_TEXT = """\
## Where the algorithms are coarse

Every kernel is a fixed algorithm of fixed depth, chosen so that every machine returns the same bits, not so that every result is correctly rounded. In ordinary ranges the densities and closed-form functions are good to a few units in 1e-15 and the rest to about 1e-12; the tables show where that stops. The causes, largest first:

- **Below 2^-52 everything counts as zero.** The logarithm returns −infinity for every argument below 2^-52 = 2.2e-16, and the kernels treat such arguments as 0. So the distribution functions of the beta, F, gamma, chi-squared and Weibull return 0 for x below 2^-52 whatever the true probability (with shape 0.1 the gamma distribution function is 0.01 at x = 6e-21, and 0 is returned); densities with a shape below 1 return +infinity there; `pinvgamma` forms 1 − `pgamma`(1/x), so with a small shape it returns exactly 1 as soon as 1/x is below 2^-52 (0.98 is the truth at x = 1.6e17 with shape 0.1); `pt` with dof below 1 is exactly 0 or 1 beyond |x| ≈ 5e7. Quantiles that lie below 2^-52 cannot be checked against the forward functions: the gamma and chi-squared quantiles return 0 there, the beta quantile returns its unrefined power-law first guess (off by 20 % to 85 % for shapes of 0.5 and below), `qinvgamma` with a small shape returns +infinity in its upper tail (scale divided by a gamma quantile of 0), and `qt` for dof below 1 stops at the |x| ≈ 5e7 where `pt` reaches 0 (true quantiles there run to 1e19). Under the log flag every value below 2^-52 gives −infinity: the *log −inf/NaN* columns count these.
- **Lower tails formed as complements.** The normal, log-normal, logistic, Laplace, Cauchy and t distribution functions form P as 0.5 + (something near −0.5), and the Poisson distribution function above its short series is 1 − P(x + 1, rate): relative accuracy in the lower tail is about 1e-16 / P, so at P = 1e-10 about seven digits remain (errors near 1e-7). Where P(x + 1, rate) comes from the quadrature (rates of about 10 and more), its absolute error of up to about 1e-12 leaves the Poisson lower tail at 1e-10 with two digits or none. Quantiles near p = 1 are limited the same way by the resolution of P near 1 (errors of 1e-8 to 1e-5 at p = 1 − 1e-10 for the inversion-based quantiles), and `qexp`, `qlaplace`, `qcauchy` and `qnorm` lose digits at p = 1e-10 or 1 − 1e-10 through 1 − p, 1 − 2|p − 0.5|, (p − 0.5)π and 2p − 1.
- **The incomplete gamma quadrature** (shape ≥ 10, x ≤ 3·shape) integrates the density with 50 Gauss–Legendre points over a window of a few standard deviations. Beyond the window's upper end the upper continued fraction takes over. The window's lower end, shape − k·√shape with k = 4 up to shape 30, still leaves out the mass below it: about 3e-10 at shape 26 and 2e-9 at shape 30, which is the bulk error of `pgamma`, `pchisq` (dof 40 to 60) and `ppois`, and a relative error of up to 1e-6 in the upper quantiles at those shapes. Above shape 30 the wider window makes this negligible, but the quadrature's absolute accuracy of about 1e-12 remains.
- **The checked inverses** (gamma, beta, t) keep the result of their fixed Halley or Newton updates when its residual is within 1e-6 of the target's tail (1e-6·min(p, 1 − p)), and bisect over the doubles otherwise. A result that passes the check can still be off by up to about 1e-6 relative in its tail probability: for example `qgamma(0.999999, 0.1, 1.0)` is 8e-7 off.
- **The t quantile's normal branch** (dof above about 2, moderate tails) is Hill's approximation without refinement: errors of 1e-8 to 5e-7 in the bulk. The small-tail branch is refined on `pt` and is accurate to the accuracy of `pt`.
- **Large parameters.** Log-densities such as x·log(rate) − rate − log Γ(x + 1) are differences of large terms, and their absolute rounding becomes the relative error of the density: counts, shapes and degrees of freedom in the thousands leave about 12 digits (`dbinom`, `dpois`, `dchisq`, `dgamma`, `dt`, `dbeta`), and the binomial distribution function, a sum of such masses, inherits it (so `qbinom` can be one count off when p lies within that error of a step, as near p = 1 − 1e-10 at n = 2000). The F density far in its upper tail (df1 = df2 = 1, x above about 1e8) forms y/(y + 1), which rounds toward 1: 40 % off at x = 4e15 and NaN at 4e19.
- **Small switch points.** e^x − 1 switches from its fifth-order polynomial to e^x − 1 at |x| = 1e-4, where the subtraction leaves about twelve digits (`pexp` just above rate·x = 1e-4); e^x for |x| ≥ 2 multiplies by an integer power of the rounded constant e, which adds about 1e-17 of relative error per unit of |x|; the square root stops on an absolute test and is good to a few units in 1e-15 for small arguments.
- **`qbern`** compares p with 1 − prob rounded to a double, so `qbern(0.9, 0.1)` is 0 although 0.9 lies 1.7e-17 above the exact 1 − 0.1 (the reference counts that as a mismatch of one)."""


def write_dump(data: dict, fh) -> None:
    """JSON with one line per function, so that a rerun diffs line by line."""
    compact = dict(sort_keys=True, separators=(",", ":"))
    head = {k: v for k, v in data.items() if k != "functions"}
    fh.write(json.dumps(head, **compact)[:-1] + ',"functions":{\n')
    lines = ["%s:%s" % (json.dumps(name), json.dumps(f, **compact))
             for name, f in sorted(data["functions"].items())]
    fh.write(",\n".join(lines) + "\n}}\n")


REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def default_label() -> str:
    try:
        commit = subprocess.run(["git", "-C", REPO, "rev-parse", "--short", "HEAD"],
                                capture_output=True, text=True, check=True).stdout.strip()
        return "the build of commit %s" % commit
    except (OSError, subprocess.CalledProcessError):
        return "the current build"


def main(argv: Optional[Sequence[str]] = None) -> int:
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--json", help="write the per-function results to this file")
    ap.add_argument("--before", default=os.path.join(REPO, "docs", "accuracy_before.json"),
                    help="a --json dump of an earlier build to compare with ('-': none)")
    ap.add_argument("--markdown",
                    help="write the Markdown page to this file (default docs/accuracy.md, "
                    "or no page with --only; '-': no page)")
    ap.add_argument("--label", default=default_label(),
                    help="a short name for the build measured")
    ap.add_argument("--only", nargs="*", help="measure only these functions (no page)")
    ap.add_argument("--show", type=float,
                    help="print every point whose error exceeds this (and every NaN/inf)")
    args = ap.parse_args(argv)
    if quantora is None:
        ap.error("quantora is not importable: pip install . or set PYTHONPATH to a build folder")
    if args.markdown is None:
        args.markdown = "-" if args.only else os.path.join(REPO, "docs", "accuracy.md")
    global SHOW
    SHOW = args.show
    names = args.only or ALL_FUNCTIONS
    results = []
    t0 = time.perf_counter()
    for name in names:
        r = measure(name)
        results.append(r)
        print("%-10s %4d pts  worst %-8s bulk %-8s nan/inf %3d  %5.1fs  %s" % (
            name, r.points, fmt_err(r.worst), fmt_err(r.bulk_worst), r.nonfinite,
            r.seconds, fmt_args(name, r.worst_args).strip("`")), flush=True)
    seconds = time.perf_counter() - t0
    data = to_json(results, args.label, seconds)
    print("total %.1f s" % seconds)
    if args.json:
        with open(args.json, "w") as fh:
            write_dump(data, fh)
    if args.markdown != "-":
        before = None
        if args.before != "-" and os.path.exists(args.before):
            with open(args.before) as fh:
                before = json.load(fh)
        with open(args.markdown, "w") as fh:
            fh.write(render(data, before))
    return 0


if __name__ == "__main__":
    sys.exit(main())
