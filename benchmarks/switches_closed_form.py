"""Every method switch of the closed-form laws, measured on both sides.

For each switch, the worst error on random points of the region where the
original expression is kept (next to the switch, where that expression is at
its worst) and of the region where the new method applies, against mpmath at
40 digits. Errors are in the units of the accuracy rule: the relative error of
a value (one subnormal step of slack), and for a logarithm the absolute error
over max(|log|, 1e-6). Writes benchmarks/switches_closed_form.json; takes about
a minute:

    PYTHONPATH=build/NAME python benchmarks/switches_closed_form.py
"""
import json
import math
import pathlib

import mpmath as mp
import numpy as np

import quantora as q
import reference_closed_form as R
from reference_common import to_double

mp.mp.dps = 40
HERE = pathlib.Path(__file__).resolve().parent
POINTS = 400
EPS = 2.0 ** -52
TINY = 2.0 ** -1022
SUBNORMAL = 2.0 ** -1074
rng = np.random.default_rng(20240601)


def log_uniform(lo, hi, n=POINTS):
    return 10.0 ** rng.uniform(math.log10(lo), math.log10(hi), n)


def value_error(got, want):
    if want == 0:
        return 0.0 if abs(got) <= SUBNORMAL else math.inf
    if not math.isfinite(got) or math.isinf(to_double(want)):
        return 0.0 if got == to_double(want) else math.inf
    return float(max(abs(mp.mpf(got) - want) - SUBNORMAL, 0) / abs(want))


def log_error(got, want):
    if not math.isfinite(got):
        return 0.0 if got == want else math.inf
    return float(abs(mp.mpf(got) - want) / max(abs(want), mp.mpf("1e-6")))


def dp_worst(name, truth, points, log_only=False):
    """Worst error of a d or p function, value and log, over argument tuples."""
    f = getattr(q, name)
    worst = 0.0
    for args in points:
        value, log = truth(*args)
        if not log_only:
            worst = max(worst, value_error(f(*args, False), value))
        worst = max(worst, log_error(f(*args, True), log))
    return worst


def q_worst(name, truth, points):
    f = getattr(q, name)
    return max(value_error(f(*args), truth(*args)) for args in points)


SWITCHES = []


def switch(function, region, method, kept, switched, how):
    SWITCHES.append({"function": function, "region": region, "method": method,
                     "kept_worst": float(f"{kept:.2e}"), "switched_worst": float(f"{switched:.2e}"),
                     "how": how})
    print(f"{function:9} kept {kept:.2e}  switched {switched:.2e}  {region}")


def location_points(zs, mu=0.25, sigma=1.5):
    return [(mu + sigma * float(z), mu, sigma) for z in zs]


def run():
    s2 = math.sqrt(2)
    switch("pnorm", "(x - mu)/(sigma sqrt 2) < -4.2",
           "erfc(t)/2 = e^(-t^2/2) e^(-t^2/2) erfcx(t)/2 from the continued fraction in 1/t; "
           "log -t^2 + ln(erfcx(t)/2)",
           dp_worst("pnorm", R.p_norm, location_points(-s2 * rng.uniform(2.1, 4.2, POINTS))),
           dp_worst("pnorm", R.p_norm, location_points(-s2 * log_uniform(4.2, 1e150))),
           "z uniform in [-4.2, -2.1] sqrt 2 kept, log-uniform in [4.2, 1e150] sqrt 2 switched; mu 0.25, sigma 1.5")
    switch("plnorm", "0 < x < 2^-52",
           "the normal distribution function at ln x (ln m + e ln 2 below 2^-52), instead of 0",
           dp_worst("plnorm", R.p_lnorm, [(float(x), -40.0, 2.0) for x in log_uniform(EPS, 1e-10)]),
           dp_worst("plnorm", R.p_lnorm, [(float(x), -40.0, 2.0) for x in log_uniform(5e-324, EPS)]),
           "x log-uniform in [2^-52, 1e-10] kept, [5e-324, 2^-52] switched; mu -40, sigma 2")
    switch("pcauchy", "(x - mu)/sigma < -2e8",
           "atan(sigma/(mu - x))/pi (the argument itself below EPS); log from ln sigma - ln(mu - x) below 2^-1022",
           dp_worst("pcauchy", R.p_cauchy, location_points(-log_uniform(1e6, 2e8))),
           dp_worst("pcauchy", R.p_cauchy, location_points(-log_uniform(2e8, 1e300))),
           "z log-uniform in [-2e8, -1e6] kept, [-1e300, -2e8] switched; mu 0.25, sigma 1.5")
    switch("plaplace", "(x - mu)/sigma < -20",
           "e^z/2; log z - ln 2",
           dp_worst("plaplace", R.p_laplace, location_points(-rng.uniform(10, 20, POINTS))),
           dp_worst("plaplace", R.p_laplace, location_points(-log_uniform(20, 1e300))),
           "z uniform in [-20, -10] kept, log-uniform in [-1e300, -20] switched; mu 0.25, sigma 1.5")
    switch("plogis", "(x - mu)/(2 sigma) < -9.5",
           "e^z/(1 + e^z) with z = (x - mu)/sigma; log z - ln(1 + e^z)",
           dp_worst("plogis", R.p_logis, location_points(-2 * rng.uniform(5, 9.5, POINTS))),
           dp_worst("plogis", R.p_logis, location_points(-2 * log_uniform(9.5, 1e300))),
           "w uniform in [-9.5, -5] kept, log-uniform in [-1e300, -9.5] switched; mu 0.25, sigma 1.5")
    switch("pexp", "log_p and rate x below 2^-1022",
           "ln rate + ln x",
           dp_worst("pexp", R.p_exp, [(float(t), 1.0) for t in log_uniform(TINY, 1e-290)], log_only=True),
           dp_worst("pexp", R.p_exp, [(float(t) / 1e10, 1e-10) for t in log_uniform(5e-314, TINY)],
                    log_only=True),
           "rate x log-uniform in [2^-1022, 1e-290] kept, [5e-314, 2^-1022] switched")
    weibull = [(float(x), 1.7, 2.5) for x in 2.5 * log_uniform(1e-26, 1e-5) ** (1 / 1.7)]
    switch("pweibull", "0 < x < 2^-52, and (x/scale)^shape below exp's range",
           "t = (x/scale)^shape through the exponential over the whole range; under log_p below "
           "shape ln(x/scale) = -708 the logarithm is shape ln(x/scale) itself",
           dp_worst("pweibull", R.p_weibull, [a for a in weibull if a[0] >= EPS]),
           dp_worst("pweibull", R.p_weibull, [(float(x), 0.5, 1.0) for x in log_uniform(5e-324, EPS)]),
           "x >= 2^-52 with (x/scale)^1.7 log-uniform in [1e-26, 1e-5] kept; x log-uniform in "
           "[5e-324, 2^-52] with shape 0.5 switched")
    for name, truth in (("dweibull", R.d_weibull), ("pweibull", R.p_weibull)):
        kept, switched = [], []
        for shapes, out in ((log_uniform(50, 500, 40), kept), (log_uniform(500, 1e12, 40), switched)):
            for k in shapes:
                scale = float(k) / math.e  # not a power of 2: x/scale rounds
                for u in rng.uniform(-8, 6, 10):
                    out.append((float(mp.mpf(scale) * mp.exp(mp.mpf(u) / k)), float(k), scale))
        switch(name, "shape > 500 and 1/2 <= x/scale <= 2",
               "ln(x/scale) as ln(1 + (x - scale)/scale), the difference exact",
               dp_worst(name, truth, kept), dp_worst(name, truth, switched),
               "shape log-uniform in [50, 500] kept, [500, 1e12] switched, scale shape/e, "
               "(x/scale)^shape = e^u with u uniform in [-8, 6]")
    switch("dnorm", "sigma < 2^-52; log-density below -708; z^2 beyond the largest double",
           "ln sigma = ln m + e ln 2; the value through the exponential over the whole range; z^2/2 as (z/2) z",
           dp_worst("dnorm", R.d_norm, [(0.3 * float(s), 0.0, float(s)) for s in log_uniform(EPS, 1e-3)]
                    + location_points(rng.uniform(-37.6, 0, POINTS))),
           dp_worst("dnorm", R.d_norm, [(0.3 * float(s), 0.0, float(s)) for s in log_uniform(1e-300, EPS)]
                    + location_points(-rng.uniform(37.7, 1.8e154, POINTS))),
           "sigma log-uniform in [2^-52, 1e-3] and z in [-37.6, 0] kept; sigma in [1e-300, 2^-52] and "
           "z beyond -37.7 switched")
    switch("dcauchy", "(1 + z^2) sigma pi at least 2^1022, or sigma pi subnormal",
           "the log-density -ln(pi sigma) - 2 ln|z| - ln(1 + z^-2), ln|z| from ln|x - mu| - ln sigma once z overflows",
           dp_worst("dcauchy", R.d_cauchy, location_points(-log_uniform(1e100, 1e153))),
           dp_worst("dcauchy", R.d_cauchy, location_points(-log_uniform(1e154, 1e300))
                    + [(float(x), 0.0, 1e-320) for x in log_uniform(1e-300, 1e300, 100)]),
           "z log-uniform in [-1e153, -1e100] kept; z in [-1e300, -1e154] and sigma 1e-320 switched")
    switch("dexp", "rate < 2^-52; log-density below -708",
           "ln rate = ln m + e ln 2; the value through the exponential over the whole range",
           dp_worst("dexp", R.d_exp, [(float(t) / float(r), float(r)) for t, r in
                                      zip(rng.uniform(0, 700, POINTS), log_uniform(1e-3, 1e3))]),
           dp_worst("dexp", R.d_exp, [(float(t) / float(r), float(r)) for t, r in
                                      zip(rng.uniform(0, 745, POINTS), log_uniform(1e-300, EPS))]
                    + [(float(t), 1.0) for t in rng.uniform(708, 800, POINTS)]),
           "rate log-uniform in [1e-3, 1e3], rate x in [0, 700] kept; rate in [1e-300, 2^-52] and "
           "x in [708, 800] switched")
    switch("dlaplace", "2 sigma < 2^-52 or beyond the largest double; log-density below -708",
           "ln 2 sigma = ln m + e ln 2, or ln sigma + ln 2; the value through the exponential over the whole range",
           dp_worst("dlaplace", R.d_laplace, [(0.7 * float(s), 0.0, float(s)) for s in log_uniform(EPS, 1e300)]),
           dp_worst("dlaplace", R.d_laplace, [(0.7 * float(s), 0.0, float(s)) for s in log_uniform(1e-320, EPS)]
                    + [(0.7 * float(s), 0.0, float(s)) for s in rng.uniform(0.5, 1, 50) * 1.7e308]),
           "sigma log-uniform in [2^-52, 1e300] kept; [1e-320, 2^-52] and above 8.5e307 switched")
    switch("dlnorm", "0 < x < 2^-52; a normal density below 2^-1022",
           "ln x = ln m + e ln 2; the value as e^(log-density), not the underflowed normal density over x",
           dp_worst("dlnorm", R.d_lnorm, [(float(x), -37.0, 1.0) for x in log_uniform(EPS, 1e-10)]),
           dp_worst("dlnorm", R.d_lnorm, [(float(x), -700.0, 1.0) for x in log_uniform(1e-323, EPS)]),
           "x log-uniform in [2^-52, 1e-10] with mu -37 kept; [1e-323, 2^-52] with mu -700 switched")
    switch("dlogis", "-(x - mu)/sigma where e^z overflows (about 709.5)",
           "the log-density at -z by symmetry: -z - ln sigma - 2 ln(1 + e^-z)",
           dp_worst("dlogis", R.d_logis, location_points(-rng.uniform(600, 700, POINTS))),
           dp_worst("dlogis", R.d_logis, location_points(-log_uniform(709.6, 1e300))),
           "z uniform in [600, 700] kept, log-uniform in [709.6, 1e300] switched; mu 0.25, sigma 1.5")
    switch("dunif", "b - a below 2^-52 or beyond the largest double",
           "ln(b - a) = ln m + e ln 2, or ln((b - a)/2) + ln 2 with 1/(b - a) as 0.5/((b - a)/2)",
           dp_worst("dunif", R.d_unif, [(0.0, -float(w) / 3, 2 * float(w) / 3) for w in log_uniform(EPS, 1e300)]),
           dp_worst("dunif", R.d_unif, [(0.0, -float(w) / 3, 2 * float(w) / 3) for w in log_uniform(1e-300, EPS)]
                    + [(0.0, -float(w), float(w)) for w in rng.uniform(0.5, 1, 50) * 1.7e308]),
           "b - a log-uniform in [2^-52, 1e300] kept; [1e-300, 2^-52] and beyond the largest double switched")
    switch("dweibull", "x/scale or shape/scale below 2^-52 or beyond the largest double",
           "ln m + e ln 2 below 2^-52; below the normal range the difference of the two logarithms",
           dp_worst("dweibull", R.d_weibull, [(float(x), 0.8, 1.0) for x in log_uniform(EPS, 1e5)]),
           dp_worst("dweibull", R.d_weibull, [(float(x), 0.8, 1e10) for x in log_uniform(1e-320, 1e-6)]),
           "x log-uniform in [2^-52, 1e5] with shape 0.8, scale 1 kept; [1e-320, 1e-6] with scale 1e10 switched")

    tail = list(log_uniform(1e-10, 1e-6))
    switch("qnorm", "p < 1e-10 or p > 1 - 1e-10",
           "sqrt 2 erf^-1(2p - 1) checked against the normal law (ln F(y) >= ln p, or 1 - F(y) <= 1 - p); "
           "where it fails, bisection over the doubles",
           q_worst("qnorm", R.q_norm, [(p, 0.0, 1.0) for p in tail] + [(1 - p, 0.0, 1.0) for p in tail]),
           q_worst("qnorm", R.q_norm, [(p, 0.0, 1.0) for p in log_uniform(5e-324, 1e-10)]
                   + [(1 - p, 0.0, 1.0) for p in log_uniform(2.0 ** -53, 1e-10)]),
           "p and 1 - p log-uniform in [1e-10, 1e-6] kept; p in [5e-324, 1e-10], 1 - p in [2^-53, 1e-10] switched")
    centre = [0.5 + k * 2.0 ** -53 for k in range(-40, 41) if k]
    switch("qnorm", "sqrt(pi)/2 |2p - 1| < 2^-52 (p within two doubles of 1/2)",
           "erf^-1(y) = (sqrt(pi)/2) y, the first term of its series",
           q_worst("qnorm", R.q_norm, [(p, 0.0, 1.0) for p in centre if abs(2 * p - 1) * 0.886 >= EPS]),
           q_worst("qnorm", R.q_norm, [(p, 0.0, 1.0) for p in centre + [0.5 - 2.0 ** -54]
                                       if abs(2 * p - 1) * 0.886 < EPS]),
           "p = 1/2 + k 2^-53, |k| <= 40")
    switch("qlnorm", "p < 1e-7 or p > 1 - 1e-7, or |sigma sqrt 2 erf^-1(2p - 1)| > 1000",
           "e^(normal quantile) checked against the log-normal law; where it fails, bisection over the doubles",
           q_worst("qlnorm", R.q_lnorm, [(p, 3.0, 100.0) for p in log_uniform(1e-7, 1e-3)]
                   + [(p, -300.0, 1.0) for p in log_uniform(1e-7, 0.5)]),
           q_worst("qlnorm", R.q_lnorm, [(p, 3.0, 100.0) for p in log_uniform(1e-300, 1e-7)]
                   + [(1 - p, -300.0, 1.0) for p in log_uniform(2.0 ** -53, 1e-7)]
                   + [(p, 1000.0, 400.0) for p in log_uniform(1e-4, 0.01)]),
           "p log-uniform in [1e-7, 1e-3] (mu 3, sigma 100) and [1e-7, 1/2] (mu -300) kept; "
           "p in [1e-300, 1e-7], 1 - p in [2^-53, 1e-7], and offsets beyond 1000 (mu 1000, sigma 400, p in [1e-4, 0.01]) switched")
    cauchy_tail = list(log_uniform(1e-9, 1e-5))
    switch("qcauchy", "p < 1e-9 or p > 1 - 1e-9",
           "mu -+ sigma/tan(pi q) with q = p or 1 - p (tan a = a below EPS, tiny q scaled by 2^64)",
           q_worst("qcauchy", R.q_cauchy, [(p, 0.0, 1.0) for p in cauchy_tail] + [(1 - p, 0.0, 1.0) for p in cauchy_tail]),
           q_worst("qcauchy", R.q_cauchy, [(p, 0.0, 1.0) for p in log_uniform(5e-324, 1e-9)]
                   + [(1 - p, 0.0, 1.0) for p in log_uniform(2.0 ** -53, 1e-9)]),
           "p and 1 - p log-uniform in [1e-9, 1e-5] kept, below 1e-9 switched")
    switch("qcauchy", "|(p - 1/2) pi| < 2^-52 (p = 1/2 - 2^-54)", "tan z = z",
           q_worst("qcauchy", R.q_cauchy, [(p, 0.0, 1.0) for p in centre]),
           q_worst("qcauchy", R.q_cauchy, [(0.5 - 2.0 ** -54, 0.0, 1.0)]),
           "p = 1/2 + k 2^-53, 0 < |k| <= 40")
    switch("qlaplace", "p < 1e-10",
           "mu + sigma ln(2p)",
           q_worst("qlaplace", R.q_laplace, [(p, 0.0, 1.0) for p in log_uniform(1e-10, 1e-6)]),
           q_worst("qlaplace", R.q_laplace, [(p, 0.0, 1.0) for p in log_uniform(5e-324, 1e-10)]),
           "p log-uniform in [1e-10, 1e-6] kept, [5e-324, 1e-10] switched")
    switch("qlaplace", "2 |p - 1/2| < 2^-52 (p = 1/2 - 2^-54)", "ln(1 - 2m) = -2m",
           q_worst("qlaplace", R.q_laplace, [(p, 0.0, 1.0) for p in centre]),
           q_worst("qlaplace", R.q_laplace, [(0.5 - 2.0 ** -54, 0.0, 1.0)]),
           "p = 1/2 + k 2^-53, 0 < |k| <= 40")
    near = rng.choice([-1, 1], POINTS)
    switch("qlogis", "|p - 1/2| < 1e-9",
           "ln(1 + (2p - 1)/(1 - p)), 2p - 1 exact",
           q_worst("qlogis", R.q_logis, [(0.5 + s * d, 0.0, 1.0) for s, d in zip(near, log_uniform(1e-9, 1e-5))]),
           q_worst("qlogis", R.q_logis, [(0.5 + s * d, 0.0, 1.0) for s, d in zip(near, log_uniform(5e-17, 1e-9))]),
           "|p - 1/2| log-uniform in [1e-9, 1e-5] kept, [5e-17, 1e-9] switched")
    switch("qlogis", "p/(1 - p) < 2^-52", "the logarithm as ln m + e ln 2 instead of -infinity",
           q_worst("qlogis", R.q_logis, [(p, 0.0, 1.0) for p in log_uniform(EPS, 1e-6)]),
           q_worst("qlogis", R.q_logis, [(p, 0.0, 1.0) for p in log_uniform(5e-324, EPS)]),
           "p log-uniform in [2^-52, 1e-6] kept, [5e-324, 2^-52] switched")
    switch("qexp", "p < 1e-9",
           "-ln(1 + (-p)) from the logarithm's quotient form (p itself below EPS)",
           q_worst("qexp", R.q_exp, [(p, 2.0) for p in log_uniform(1e-9, 1e-5)]),
           q_worst("qexp", R.q_exp, [(p, 2.0) for p in log_uniform(5e-324, 1e-9)]),
           "p log-uniform in [1e-9, 1e-5] kept, [5e-324, 1e-9] switched; rate 2")
    switch("qexp", "1 - p < 2^-52 (p = 1 - 2^-53)", "ln(1 - p) as ln m + e ln 2 instead of -infinity",
           q_worst("qexp", R.q_exp, [(1 - p, 2.0) for p in log_uniform(EPS, 1e-6)]),
           q_worst("qexp", R.q_exp, [(1 - 2.0 ** -53, 2.0)]),
           "1 - p log-uniform in [2^-52, 1e-6] kept; p = 1 - 2^-53 switched")
    switch("qweibull", "-ln(1 - p) < 2^-52, 1 - p < 2^-52, or the power beyond exp's range",
           "logarithms as ln m + e ln 2; the power through the exponential over the whole range, the scale inside it",
           q_worst("qweibull", R.q_weibull, [(p, 2.0, 3.0) for p in log_uniform(EPS, 1e-6)]
                   + [(p, 0.05, 1.0) for p in log_uniform(1e-15, 1e-14)]),
           q_worst("qweibull", R.q_weibull, [(p, 2.0, 3.0) for p in log_uniform(5e-324, EPS)]
                   + [(1 - 2.0 ** -53, 2.0, 3.0)] + [(p, 0.05, 1e100) for p in log_uniform(1e-16, 1e-15)]),
           "p log-uniform in [2^-52, 1e-6] kept, [5e-324, 2^-52] and 1 - 2^-53 switched; "
           "shape 0.05 with scales 1 and 1e100 for the exponent")
    huge = 1.7976931348623157e308
    switch("qunif", "b - a beyond the largest double",
           "a + (b - a) p formed in halves and doubled",
           q_worst("qunif", R.q_unif, [(p, -huge / 4, huge / 4) for p in rng.uniform(0, 1, 50)]),
           q_worst("qunif", R.q_unif, [(p, -huge, huge) for p in rng.uniform(0, 0.3, 50)]),
           "p uniform; ends +-DBL_MAX/4 kept, +-DBL_MAX switched")


def main():
    run()
    path = HERE / "switches_closed_form.json"
    path.write_text("[\n" + ",\n".join(json.dumps(s) for s in SWITCHES) + "\n]\n")
    print(path)


if __name__ == "__main__":
    main()
