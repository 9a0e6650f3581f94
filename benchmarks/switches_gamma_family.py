"""Measured worst errors on both sides of the gamma family's switches.

Every d, p and q function of the gamma, chi-squared, inverse-gamma and Poisson
laws keeps the plain algorithm's result where its error is certified within a
tenth of the accuracy rule and switches to a careful method elsewhere. This
script evaluates the library and a build of the plain algorithms (the commit
before the switches) on seeded random grids over the everyday region, both
tails, the log flags and extreme parameters, and compares both with mpmath
(reference_gamma_family.py). A point counts as kept where the two builds agree
to the bit, and as switched elsewhere. Errors are normalised so that the rule
sits at 1e-6: relative error of the value (one subnormal step of slack), and
for logarithms the error over max(|log|, 1e-6).

    git worktree add /tmp/plain bc27a02
    cmake -S /tmp/plain -B /tmp/plain/build -G Ninja -DCMAKE_BUILD_TYPE=Release \\
        -Dpybind11_DIR=$(python -m pybind11 --cmakedir) && cmake --build /tmp/plain/build
    PYTHONPATH=build/dev python benchmarks/switches_gamma_family.py --plain /tmp/plain/build

writes benchmarks/switches_gamma_family.json; it takes a few minutes.
"""
import argparse
import json
import math
import pathlib
import subprocess
import sys

import mpmath as mp
import numpy as np

import reference_gamma_family as ref
from reference_common import to_double

HERE = pathlib.Path(__file__).resolve().parent
SMALLEST_NORMAL = 2.0 ** -1022
SUBNORMAL_STEP = 2.0 ** -1074
HOW = "PYTHONPATH=build/dev python benchmarks/switches_gamma_family.py --plain <build of bc27a02>"


def evaluate(path, calls):
    """Results of [name, args] calls in the quantora build at path, as floats."""
    code = ("import json, sys\nimport quantora as q\n"
            "calls = json.loads(sys.stdin.read())\n"
            "print(json.dumps([getattr(q, n)(*a).hex() for n, a in calls]))")
    out = subprocess.run([sys.executable, "-c", code], input=json.dumps(calls), capture_output=True,
                         text=True, env={"PYTHONPATH": str(path)}, check=True).stdout
    return [float.fromhex(v) for v in json.loads(out)]


def value_error(got, want):
    want = to_double(want)
    if math.isnan(want) or math.isinf(want) or want == 0:
        return 0.0 if (got == want or (want == 0 and abs(got) <= SUBNORMAL_STEP)) else math.inf
    if not math.isfinite(got):
        return math.inf
    slack = max(abs(got - want) - SUBNORMAL_STEP, 0.0) if abs(want) < SMALLEST_NORMAL else abs(got - want)
    return slack / max(abs(want), SMALLEST_NORMAL)


def log_error(got, want):
    want = float(want)
    if not math.isfinite(want):
        return 0.0 if got == want else math.inf
    if not math.isfinite(got):
        return math.inf
    return abs(got - want) / max(abs(want), 1e-6)


def grid(rng, n):
    """Shapes, arguments and flags: half everyday, half tails and extremes."""
    points = []
    for _ in range(n):
        extreme = rng.uniform() < 0.35
        a = 10.0 ** (rng.uniform(-10, 15) if extreme else rng.uniform(-2, 4))
        s = math.sqrt(a)
        kind = rng.uniform()
        if kind < 0.4:
            y = a + rng.normal() * s * rng.choice([1, 5, 15])
        elif kind < 0.8:
            y = a * 10.0 ** rng.uniform(-4, 1.5)
        else:
            y = 10.0 ** rng.uniform(-300, -1)
        if y > 0:
            points.append((a, float(y)))
    return points


def measure(library, plain, calls, references, log_index):
    """(kept_worst, switched_worst, kept, switched) over calls with their references."""
    got = evaluate(library, calls)
    old = evaluate(plain, calls)
    kept, switched = [], []
    for call, g, o, want in zip(calls, got, old, references):
        is_log = log_index is not None and call[1][log_index]
        err = log_error(g, want) if is_log else value_error(g, want)
        (kept if g.hex() == o.hex() else switched).append(err)
    return (max(kept, default=0.0), max(switched, default=0.0), len(kept), len(switched))


def continuous_calls(rng, count):
    calls = {name: [] for name in ("pgamma", "pchisq", "pinvgamma", "ppois",
                                   "dgamma", "dchisq", "dinvgamma", "dpois")}
    wants = {name: [] for name in calls}
    for a, y in grid(rng, count):
        lp, lq = ref.log_tails(a, y)
        x = 1 / y
        exact = 1 / mp.mpf(x)
        lq_exact = ref.log_tails(a, exact)[1]
        for log in (False, True):
            calls["pgamma"].append(["pgamma", [y, a, 1.0, log]])
            wants["pgamma"].append(lp if log else mp.exp(lp))
            calls["pchisq"].append(["pchisq", [2 * y, 2 * a, log]])
            wants["pchisq"].append(lp if log else mp.exp(lp))
            calls["pinvgamma"].append(["pinvgamma", [x, a, 1.0, log]])
            wants["pinvgamma"].append(lq_exact if log else mp.exp(lq_exact))
            ld = ref.log_gamma_density(y, a, 1.0)
            calls["dgamma"].append(["dgamma", [y, a, 1.0, log]])
            wants["dgamma"].append(ld if log else mp.exp(ld))
            ldc = ref.log_gamma_density(2 * y, a, 2.0)
            calls["dchisq"].append(["dchisq", [2 * y, 2 * a, log]])
            wants["dchisq"].append(ldc if log else mp.exp(ldc))
            ldi = ref.log_gamma_density(exact, a, 1.0) - 2 * mp.log(x)
            calls["dinvgamma"].append(["dinvgamma", [x, a, 1.0, log]])
            wants["dinvgamma"].append(ldi if log else mp.exp(ldi))
        k = int(min(y, 2.0 ** 62))
        rate = a
        lpois = ref.log_tails(k + 1, rate)[1]
        lmass = ref.log_poisson_mass(k, rate)
        for log in (False, True):
            calls["ppois"].append(["ppois", [k, rate, log]])
            wants["ppois"].append(lpois if log else mp.exp(lpois))
            calls["dpois"].append(["dpois", [k, rate, log]])
            wants["dpois"].append(lmass if log else mp.exp(lmass))
    return calls, wants


def quantile_calls(rng, count):
    calls = {"qgamma": [], "qchisq": [], "qinvgamma": []}
    wants = {name: [] for name in calls}
    for _ in range(count):
        a = 10.0 ** rng.uniform(-3, 12)
        p = float(rng.choice([10.0 ** rng.uniform(-300, -1), rng.uniform(0, 1), 1 - 10.0 ** rng.uniform(-16, -1)]))
        if not 0 < p < 1:
            continue
        for name, args, cdf in (("qgamma", [p, a, 1.0], ref.gamma_cdf_in_logs(a, 1)),
                                ("qchisq", [p, 2 * a], ref.gamma_cdf_in_logs(a, 2)),
                                ("qinvgamma", [p, a, 1.0], ref.invgamma_cdf_in_logs(a, 1))):
            calls[name].append([name, args])
            wants[name].append(ref.continuous_quantile(cdf, p, 1.0 if name != "qchisq" else 2.0))
    return calls, wants


SWITCHES = {
    "pgamma": ("where the incomplete gamma kernel's certified error exceeds 1e-7 of P (log flag: 1e-7 of "
               "ln P, or 1e-13), or 1e-7 of 1 - P near 1: x/scale below 2^-52, small shapes with P near 1, "
               "the quadrature far below the mean or at shapes above about 1e6, underflow",
               "power series, small-shape form, Legendre's fraction or Temme's uniform expansion (shape >= 20, "
               "0.3 <= x/(shape scale) <= 2.15), prefactor in saddle-point form and in logarithms"),
    "pchisq": None, "pinvgamma": None,
    "ppois": ("outside the series (rate <= 10, x <= 15), where 1 - P(x + 1, rate) is not certified within "
              "1e-7: lower tails below about 1e-9, large rates", None),
    "dgamma": ("where the rounding bound of the sum of logarithms (8 EPS times the terms, plus ln Gamma's "
               "error near its pole) exceeds 1e-7 (log flag: 1e-7 of the log, or 1e-13): terms above about "
               "5e7 (large shapes, large x/scale), shapes with an inexact x - 1 below 1/2; below x = 2^-52 "
               "the sum takes ln x from log_value instead of -infinity",
               "(k/x) e^(-stirling_error(k) - deviance(k, y)) / sqrt(2 pi k), y = x/scale; ln Gamma(1 + k) "
               "for shapes below 1"),
    "dchisq": None, "dinvgamma": None,
    "dpois": ("where the rounding bound of x ln(rate) - rate - ln x! exceeds the margin: rates and counts "
              "above about 2e6, and rates below 2^-52 take ln(rate) from log_value",
              "saddle-point form e^(-stirling_error(x) - deviance(x, rate)) / sqrt(2 pi x)"),
    "qgamma": ("where the inverse's fixed updates miss the quantile rule against the accurate distribution "
               "function (upper tail above the median), and at shapes above 1e7",
               "bisection over the doubles for the least x with F(x) >= p"),
    "qchisq": None, "qinvgamma": None,
}


def describe(name):
    entry = SWITCHES[name]
    if entry is None:
        base = {"pchisq": "pgamma", "pinvgamma": "pgamma", "dchisq": "dgamma", "dinvgamma": "dgamma",
                "qchisq": "qgamma", "qinvgamma": "qgamma"}[name]
        entry = SWITCHES[base]
    region, method = entry
    if method is None:
        method = SWITCHES["pgamma"][1]
    return region, method


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--plain", required=True, help="a quantora build of the plain algorithms")
    parser.add_argument("--library", default="build/dev", help="the quantora build to measure")
    parser.add_argument("--points", type=int, default=250)
    args = parser.parse_args()
    rng = np.random.default_rng(20240611)
    calls, wants = continuous_calls(rng, args.points)
    qcalls, qwants = quantile_calls(rng, args.points // 3)
    calls.update(qcalls)
    wants.update(qwants)
    out = []
    for name in sorted(calls):
        log_index = None if name[0] == "q" else len(calls[name][0][1]) - 1
        kept_worst, switched_worst, kept, switched = measure(args.library, args.plain, calls[name], wants[name],
                                                             log_index)
        region, method = describe(name)
        out.append({"function": name, "region": region, "method": method,
                    "kept_worst": float(f"{kept_worst:.2g}"), "switched_worst": float(f"{switched_worst:.2g}"),
                    "how": f"{HOW} ({kept} kept and {switched} switched points)"})
        print(f"{name:10s} kept {kept:5d} worst {kept_worst:.2e}   switched {switched:5d} worst {switched_worst:.2e}")
    (HERE / "switches_gamma_family.json").write_text(json.dumps(out, indent=1) + "\n")


if __name__ == "__main__":
    main()
