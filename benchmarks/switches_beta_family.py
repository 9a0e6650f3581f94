"""Measured worst errors on both sides of the switches of the beta family, into
benchmarks/switches_beta_family.json.

Each function is evaluated on a random grid straddling its switches, with the
current build and with a build of the literal algorithms (the commit before
these changes). A result whose bits equal the literal one lies where the
literal algorithm is kept; every other result comes from a form that replaces
it. Errors are measured against 60-digit values from reference_beta_family.py:
relative for values and quantiles, for logarithms relative or, where the
logarithm is below 1e-6 in magnitude, absolute over 1e-6 (so that both read
against the rule's 1e-6). Takes a few minutes:

    PYTHONPATH=build/dev python benchmarks/switches_beta_family.py --literal PATH_TO_LITERAL_BUILD
"""
import argparse
import json
import math
import pathlib
import subprocess
import sys

import mpmath as mp
import numpy as np

import quantora
import reference_beta_family as ref

OUT = pathlib.Path(__file__).resolve().parent / "switches_beta_family.json"
POINTS = 160

# Where each function leaves its literal algorithm, and for what.
SWITCHES = {
    "pbeta": ("the literal fraction's error bound (2^-48 times the magnitudes of a ln x, b ln(1 - x) and "
              "ln B(a, b), plus one rounding of 1 - F on the reflected side) above 2^-24 of the value "
              "(of 1 - F for a logarithm near 0, or 1e-13); x < 2^-52; fraction unconverged after 205 levels",
              "front x^a (1 - x)^b / B(a, b) in logs (saddle-point form for both shapes >= 10), even part of "
              "the fraction with its denominators formed from 1 - x; 50-point Gauss-Legendre over 12 standard "
              "deviations for both shapes >= 1000 within 5 of the mean"),
    "pt": ("the closed forms for 1 and 2 dof below 2^-28 or where x^2 overflows; the literal incomplete beta "
           "where its bound, with the rounding of its argument (2^-50 relative), exceeds 2^-24",
           "tail (1/2) I_c(dof/2, 1/2), c = dof/(dof + x^2) and its complement formed directly, by the "
           "sound incomplete beta; its first power-series term in logs where c < 2^-900"),
    "pf": ("the literal incomplete beta of u = y/(y + 1) where its bound, with the rounding of u, exceeds 2^-24",
           "sound incomplete beta of u and 1/(y + 1); power-series term in logs for u < 2^-900; beyond the "
           "overflow of y the upper tail's power-series term, or the chi-squared limit for df1/2 above 2^900"),
    "dbeta": ("literal log-density bound (2^-48 times its magnitudes) above 2^-24, or above 2^-24 of |L| "
              "(and 1e-13) under the log flag; x < 2^-52", "front factor in logs minus ln x + ln(1 - x)"),
    "dt": ("literal log-density bound above 2^-24 (or of |L| under the log flag); 1 + x^2/dof overflowing",
           "log1p(x^2/dof) and the log-gamma ratio by Stirling's form"),
    "df": ("y above 2^29 or the beta and ln t bounds together above 2^-24 (of |L| under the log flag)",
           "u^(df1/2) w^(df2/2)/(B x) in logs; beyond the overflow of y, ln w = ln df2 - ln df1 - ln x"),
    "dbinom": ("log-mass bound 2^-47 W/2 above 2^-24 (n beyond about 6e5 at prob 1/2), or above 2^-24 of "
               "|L| (and 1e-13) under the log flag", "saddle-point form: Stirling errors and deviances"),
    "pbinom": ("masses' bound plus one rounding per term above 2^-24; sum above 1 - 2^-24; masses flushed "
               "to zero (2^-1020 each) above 2^-24 of the sum",
               "I_(1-p)(n - x, x + 1) by the sound incomplete beta; 1 - I_p(x + 1, n - x) above 1 - 2^-24"),
    "qbeta": ("literal inverse outside 1e-6 of the root of the sound F (upper tail above p = 1/2)",
              "bisection over the doubles; below the smallest subnormal rounded by the power law"),
    "qt": ("Hill's approximation outside 1e-6 of the root of the sound tail (central mass from p = 1/4 to 3/4)",
           "bisection of the magnitude over the doubles"),
    "qf": ("literal inverse outside 1e-6 of the root of the sound F (upper tail above p = 1/2)",
           "bisection over the doubles; below the smallest subnormal rounded by the power law"),
    "qbinom": ("sums of masses not standing for pbinom, or p outside [2 least kept sum, 1 - 2^-22]",
               "bisection over the counts with pbinom"),
}


def log_uniform(rng, lo, hi):
    return float(math.exp(rng.uniform(math.log(lo), math.log(hi))))


def beta_grid(rng):
    for _ in range(POINTS):
        a, b = log_uniform(rng, 1e-3, 1e7), log_uniform(rng, 1e-3, 1e7)
        s = a + b
        mean, sd = a / s, math.sqrt(a * b / (s * s * (s + 1)))
        x = rng.choice([mean + rng.normal(0, 4) * sd, log_uniform(rng, 1e-300, 0.5), 1 - log_uniform(rng, 1e-16, 0.5)])
        if 0 < x < 1:
            yield float(x), a, b


def t_grid(rng):
    for _ in range(POINTS):
        dof = log_uniform(rng, 0.1, 1e14)
        yield float(rng.choice([-1, 1]) * log_uniform(rng, 1e-6, 1e30)), dof


def f_grid(rng):
    for _ in range(POINTS):
        d1, d2 = log_uniform(rng, 0.01, 1e9), log_uniform(rng, 0.01, 1e9)
        yield log_uniform(rng, 1e-30, 1e30), d1, d2


def binomial_grid(rng, top):
    for _ in range(POINTS):
        n = int(log_uniform(rng, 2, top))
        p = float(rng.choice([rng.uniform(0.01, 0.99), log_uniform(rng, 1e-12, 0.01), 1 - log_uniform(rng, 1e-12, 0.01)]))
        sd = math.sqrt(n * p * (1 - p))
        k = int(min(max(n * p + rng.normal(0, 6) * sd, 0), n - 1))
        yield k, n, p


def probabilities(rng):
    return float(rng.choice([log_uniform(rng, 1e-300, 0.5), rng.uniform(0, 1), 1 - log_uniform(rng, 1e-16, 0.5)]))


# Each switch: the function, its grid, the truth at a grid point (value and log,
# or the quantile), and the text of the record.
def dp_cases(rng):
    beta = list(beta_grid(rng))
    ts = list(t_grid(rng))
    fs = list(f_grid(rng))
    masses = list(binomial_grid(rng, 2.0**62))
    sums = list(binomial_grid(rng, 1e8))
    return [
        ("dbeta", beta, ref.d_beta), ("pbeta", beta, ref.p_beta), ("dt", ts, ref.d_t), ("pt", ts, ref.p_t),
        ("df", fs, ref.d_f), ("pf", fs, ref.p_f), ("dbinom", masses, ref.d_binom), ("pbinom", sums, ref.p_binom),
    ]


def q_cases(rng):
    cases = {"qbeta": [], "qt": [], "qf": [], "qbinom": []}
    for x, a, b in list(beta_grid(rng))[:100]:
        with mp.workdps(ref.digits_for(a, b)):
            found = ref.quantile_from_point(ref.BetaLaw(a, b), x)
        if found:
            cases["qbeta"].append(((found[0], a, b), found[1]))
    for x, dof in list(t_grid(rng))[:100]:
        with mp.workdps(ref.digits_for(dof) + 10):
            found = ref.quantile_from_point(ref.TLaw(dof), x)
        if found:
            cases["qt"].append(((found[0], dof), found[1]))
    for x, d1, d2 in list(f_grid(rng))[:100]:
        with mp.workdps(ref.digits_for(d1, d2)):
            found = ref.quantile_from_point(ref.FLaw(d1, d2), x)
        if found:
            cases["qf"].append(((found[0], d1, d2), found[1]))
    for _, n, prob in list(binomial_grid(rng, 1e9))[:100]:
        p = probabilities(rng)
        with mp.workdps(ref.digits_for(n)):
            k = ref.binomial_quantile(p, n, prob)
        if k is not None:
            cases["qbinom"].append(((p, n, prob), mp.mpf(k)))
    return cases


def literal_values(path, calls):
    """[name, args, log] -> hex of the literal build's results, in a child process."""
    code = ("import json, sys, quantora\n"
            "calls = json.load(sys.stdin)\n"
            "print(json.dumps([getattr(quantora, n)(*a).hex() for n, a in calls]))\n")
    done = subprocess.run([sys.executable, "-c", code], input=json.dumps(calls), capture_output=True, text=True,
                          env={"PYTHONPATH": path}, check=True)
    return [float.fromhex(v) for v in json.loads(done.stdout)]


def error(got, want, log):
    want = float(want) if not mp.isinf(want) else math.copysign(math.inf, want)
    if math.isinf(want) or math.isnan(got):
        return 0.0 if got == want else math.inf
    if log:
        return abs(got - want) / max(abs(want), 1e-6)
    if want == 0:
        return 0.0 if abs(got) <= 5e-324 else math.inf
    return abs(got - want) / abs(want)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--literal", required=True, help="PYTHONPATH of a build of the literal algorithms")
    options = parser.parse_args()
    rng = np.random.default_rng(10)
    rows = []  # name, args, log flag, truth
    for name, grid, truth in dp_cases(rng):
        for args in grid:
            value, log = truth(*args)
            rows.append((name, list(args) + [False], value, False))
            rows.append((name, list(args) + [True], log, True))
    for name, points in q_cases(rng).items():
        rows.extend((name, list(args), value, False) for args, value in points)
    literal = literal_values(options.literal, [(name, args) for name, args, _, _ in rows])
    worst = {}
    for (name, args, truth, log), old in zip(rows, literal):
        got = getattr(quantora, name)(*args)
        side = "kept" if got.hex() == old.hex() else "switched"
        entry = worst.setdefault(name, {"kept": (0.0, None), "switched": (0.0, None), "kept_points": 0,
                                        "switched_points": 0})
        entry[side] = max(entry[side], (error(got, truth, log), args), key=lambda e: e[0])
        entry[side + "_points"] += 1
    records = []
    for name, entry in worst.items():
        print(f"{name:7s} kept {entry['kept'][0]:.2e} ({entry['kept_points']}) at {entry['kept'][1]}"
              f"  switched {entry['switched'][0]:.2e} ({entry['switched_points']}) at {entry['switched'][1]}")
        region, method = SWITCHES[name]
        records.append({"function": name, "region": region, "method": method,
                        "kept_worst": float(f"{entry['kept'][0]:.3g}"),
                        "switched_worst": float(f"{entry['switched'][0]:.3g}"),
                        "how": f"{entry['kept_points']} kept and {entry['switched_points']} switched points of a "
                               f"random grid (seed 10, shapes/dof log-uniform, x near the centre and in both "
                               f"tails, both log flags): PYTHONPATH=build/dev python "
                               f"benchmarks/switches_beta_family.py --literal BUILD_OF_LITERAL_ALGORITHMS"})
    OUT.write_text("[\n" + ",\n".join(json.dumps(r) for r in records) + "\n]\n")


if __name__ == "__main__":
    main()
