"""Accuracy of every density, distribution function and quantile, beside SciPy.

Reads the high-precision references that the offline scripts
benchmarks/reference_<family>.py store in tests/data/reference_<family>.json
(true values computed with mpmath, rounded to doubles, each point labelled with
its region: everyday, tail, log, extreme), evaluates quantora and SciPy on the
same points, and writes docs/accuracy.md: per function and region the worst
error of each library and the number of unsound results, then the list of
method switches recorded in benchmarks/switches_<family>.json.

Errors. For a value: |got - ref| / |ref|, with the denominator floored at the
smallest normal double 2^-1022 (so a reference below the normal range is judged
by its absolute error in units of that double); where the reference is 0, the
absolute error. Under the log flag: the absolute error of the logarithm, or its
relative error where the logarithm exceeds 1 in magnitude. A result is unsound
when tests/soundness.py says so: 0, infinite, NaN or of the wrong sign where the
true value is a finite nonzero double, a non-finite logarithm where the true one
is finite, or an error above 1e-6 (1e-12 absolute for logarithms near 0).

    PYTHONPATH=build/NAME python benchmarks/accuracy.py [--markdown PAGE] [--only NAME ...]

needs SciPy; mpmath is needed only to recompute the references.
"""
import argparse
import json
import math
import pathlib
import sys
import warnings
from typing import Dict, List, Optional, Tuple

import numpy as np
from scipy import stats

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests"))

import soundness  # noqa: E402

try:
    import quantora
except ImportError:  # reported by main()
    quantora = None

REGIONS = ("everyday", "tail", "log", "extreme")
TINY = 2.0 ** -1022

# SciPy's frozen law for each distribution, from quantora's parameters in order.
SCIPY = {
    "norm": lambda mu, s: stats.norm(mu, s),
    "bern": lambda q: stats.bernoulli(q),
    "beta": lambda a, b: stats.beta(a, b),
    "binom": lambda n, q: stats.binom(n, q),
    "cauchy": lambda mu, s: stats.cauchy(mu, s),
    "chisq": lambda k: stats.chi2(k),
    "exp": lambda r: stats.expon(scale=1 / r),
    "f": lambda d1, d2: stats.f(d1, d2),
    "gamma": lambda k, th: stats.gamma(k, scale=th),
    "invgamma": lambda a, b: stats.invgamma(a, scale=b),
    "laplace": lambda mu, s: stats.laplace(mu, s),
    "lnorm": lambda mu, s: stats.lognorm(s, scale=math.exp(mu)),
    "logis": lambda mu, s: stats.logistic(mu, s),
    "pois": lambda r: stats.poisson(r),
    "t": lambda n: stats.t(n),
    "unif": lambda a, b: stats.uniform(a, b - a),
    "weibull": lambda k, lam: stats.weibull_min(k, scale=lam),
}
DISCRETE = ("bern", "binom", "pois")
# SciPy's binomial quantile searches count by count: beyond this many trials it
# does not finish in any reasonable time, so those points are not run on SciPy
# (and count as unsound for it: it gives no answer).
SCIPY_LONGEST_BINOMIAL_SEARCH = 2 ** 40


def scipy_value(name: str, args, log: bool) -> float:
    """SciPy's answer for quantora's call name(*args[, log]); NaN where SciPy fails."""
    family, dist = name[0], name[1:]
    if name == "qbinom" and args[1] > SCIPY_LONGEST_BINOMIAL_SEARCH:
        return math.nan
    try:
        with warnings.catch_warnings(), np.errstate(all="ignore"):
            warnings.simplefilter("ignore")
            law = SCIPY[dist](*args[1:])
            if family == "q":
                return float(law.ppf(args[0]))
            if family == "d":
                density = law.logpmf if dist in DISCRETE else law.logpdf
                plain = law.pmf if dist in DISCRETE else law.pdf
                return float(density(args[0]) if log else plain(args[0]))
            return float(law.logcdf(args[0]) if log else law.cdf(args[0]))
    except Exception:
        return math.nan


def value_error(got: float, ref: float) -> Optional[float]:
    if math.isnan(got) or math.isinf(got):
        return None
    if ref == 0:
        return abs(got)
    return abs(got - ref) / max(abs(ref), TINY)


def log_error(got: float, ref: float) -> Optional[float]:
    if math.isnan(got) or math.isinf(got):
        return None
    return abs(got - ref) / max(abs(ref), 1.0)


class Tally:
    """Worst error, where it occurs, and the unsound count over some points."""

    def __init__(self):
        self.points = 0
        self.unsound = 0
        self.worst: Optional[float] = None
        self.where = ""

    def add(self, error: Optional[float], fault: Optional[str], where: str):
        self.points += 1
        if fault is not None:
            self.unsound += 1
        if error is not None and (self.worst is None or error > self.worst):
            self.worst, self.where = error, where


def call(name: str, args, log: Optional[bool]) -> float:
    function = getattr(quantora, name)
    return function(*args) if log is None else function(*args, log)


def measure(name: str, points) -> Dict[str, Dict[str, Tally]]:
    """{region: {"quantora": Tally, "scipy": Tally}}, the log flag as its own region."""
    tallies: Dict[str, Dict[str, Tally]] = {}

    def tally(region, library):
        return tallies.setdefault(region, {"quantora": Tally(), "scipy": Tally()})[library]

    for args, region, value, log in points:
        where = f"{name}{tuple(args)}"
        if name[0] == "q":
            for library, got in (("quantora", call(name, args, None)), ("scipy", scipy_value(name, args, False))):
                tally(region, library).add(value_error(got, value), soundness.value_fault(got, value), where)
            continue
        for library, got in (("quantora", call(name, args, False)), ("scipy", scipy_value(name, args, False))):
            tally(region, library).add(value_error(got, value), soundness.value_fault(got, value), where)
        if log is not None and not math.isinf(log):
            for library, got in (("quantora", call(name, args, True)), ("scipy", scipy_value(name, args, True))):
                tally("log", library).add(log_error(got, log), soundness.log_fault(got, log), where + " log")
    return tallies


def fmt(e: Optional[float]) -> str:
    if e is None:
        return "–"
    return "0" if e == 0 else f"{e:.1e}"


def function_order() -> List[str]:
    dists = list(SCIPY)
    return [f + d for f in "dpq" for d in dists]


def load_all() -> Dict[str, list]:
    points: Dict[str, list] = {}
    for path in sorted((ROOT / "tests" / "data").glob("reference_*.json")):
        family = path.stem[len("reference_"):]
        for name, pts in soundness.load(family).items():
            points.setdefault(name, []).extend(pts)
    return points


def load_switches() -> List[dict]:
    switches: List[dict] = []
    for path in sorted((ROOT / "benchmarks").glob("switches_*.json")):
        switches.extend(json.loads(path.read_text()))
    order = {name: i for i, name in enumerate(function_order())}
    return sorted(switches, key=lambda s: (order.get(s["function"], len(order)), s["region"]))


def table(names: List[str], results: Dict[str, dict], regions: Tuple[str, ...]) -> List[str]:
    head = "| Function | " + " | ".join(f"{r}: quantora | {r}: SciPy" for r in regions) + " | Unsound: quantora | Unsound: SciPy |"
    rule = "|---|" + "---:|---:|" * len(regions) + "---:|---:|"
    lines = [head, rule]
    for name in names:
        if name not in results:
            continue
        cells = []
        unsound = {"quantora": 0, "scipy": 0}
        points = 0
        for region in regions:
            pair = results[name].get(region)
            if pair is None:
                cells += ["", ""]
                continue
            cells += [fmt(pair["quantora"].worst), fmt(pair["scipy"].worst)]
            for library in unsound:
                unsound[library] += pair[library].unsound
            points += pair["quantora"].points
        lines.append(f"| `{name}` | " + " | ".join(cells)
                     + f" | {unsound['quantora']} of {points} | {unsound['scipy']} of {points} |")
    return lines


def worst_lines(names: List[str], results: Dict[str, dict]) -> List[str]:
    lines = []
    for name in names:
        for region, pair in sorted(results.get(name, {}).items()):
            t = pair["quantora"]
            if t.worst is not None and t.worst > 1e-9:
                lines.append(f"- `{name}`, {region}: {fmt(t.worst)} at `{t.where}`")
    return lines


def render(results: Dict[str, dict], switches: List[dict]) -> str:
    names = function_order()
    total = sum(pair["quantora"].points for r in results.values() for region, pair in r.items() if region != "log")
    out = [
        "# Accuracy",
        "",
        "Every density (`d`), distribution function (`p`) and quantile (`q`), measured against references computed "
        f"with mpmath at 60 digits and rounded to doubles, beside SciPy {__import__('scipy').__version__} on the same "
        f"points ({total} points, and each `d` and `p` point again under the log flag). Written by "
        "`benchmarks/accuracy.py` from the reference data in `tests/data/reference_*.json`, which the test suite "
        "checks too; the scripts `benchmarks/reference_*.py` that compute it describe the grids.",
        "",
        "Regions: *everyday* is the bulk of common parameters; *tail* reaches probabilities and densities down to "
        "the smallest doubles and quantiles at p from 1e-300 to 1 - 2^-53; *log* is every `d` and `p` point "
        "under the log flag; *extreme* covers shapes and degrees of freedom from 1e-3 to 1e12 and counts up to "
        "2^62.",
        "",
        "Error of a value: |got - ref| / max(|ref|, 2^-1022); of a logarithm: |got - ref| / max(|ref|, 1). "
        "*Unsound* counts results that are 0, infinite, NaN or of the wrong sign where the true value is a finite "
        "nonzero double, non-finite logarithms of positive values, errors above 1e-6 (1e-12 absolute for "
        "logarithms near 0), and for quantiles -0.0. A dash means no finite result on any point of the region. "
        "SciPy's `qbinom` is not run beyond 2^40 trials (its search walks the counts and does not finish); those "
        "points count as unsound for it.",
    ]
    for title, prefix in (("Densities and masses", "d"), ("Distribution functions", "p"), ("Quantiles", "q")):
        group = [n for n in names if n[0] == prefix]
        regions = REGIONS if prefix != "q" else ("everyday", "tail", "extreme")
        out += ["", f"## {title}", "", "Worst error per region.", ""] + table(group, results, regions)
    out += ["", "## Where quantora's error exceeds 1e-9", ""]
    out += worst_lines(names, results) or ["Nowhere."]
    out += ["", "## Method switches", "",
            "Where the fixed algorithms would be unsound the library switches to another method; everywhere else it "
            "keeps their bits. *Kept* is the worst error measured where the fixed algorithm is kept, *switched* the "
            "worst error of the method that replaces it.", "",
            "| Function | Region | Method | Kept | Switched | Measured on |", "|---|---|---|---:|---:|---|"]
    for s in switches:
        out.append(f"| `{s['function']}` | {s['region']} | {s['method']} | {s['kept_worst']} | "
                   f"{s['switched_worst']} | {s['how']} |")
    return "\n".join(out) + "\n"


def main(argv=None) -> int:
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--markdown", default=str(ROOT / "docs" / "accuracy.md"),
                    help="page to write ('-' for none)")
    ap.add_argument("--only", nargs="*", help="measure only these functions and print them (no page)")
    args = ap.parse_args(argv)
    if quantora is None:
        print("quantora is not importable: install it or set PYTHONPATH to a build folder", file=sys.stderr)
        return 2
    points = load_all()
    names = [n for n in function_order() if n in points and (not args.only or n in args.only)]
    results = {name: measure(name, points[name]) for name in names}
    if args.only:
        for name in names:
            for region, pair in results[name].items():
                q, s = pair["quantora"], pair["scipy"]
                print(f"{name:10s} {region:9s} quantora {fmt(q.worst):8s} unsound {q.unsound:4d}/{q.points:<5d} "
                      f"SciPy {fmt(s.worst):8s} unsound {s.unsound:4d}  worst at {q.where}")
        return 0
    if args.markdown != "-":
        pathlib.Path(args.markdown).write_text(render(results, load_switches()))
    return 0


if __name__ == "__main__":
    sys.exit(main())
