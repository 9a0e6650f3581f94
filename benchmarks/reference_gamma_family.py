"""Offline references for the gamma, chi-squared, inverse-gamma and Poisson laws.

Writes tests/data/reference_gamma_family.json (see reference_common.py for the
format) from mpmath at 40 and more significant digits:

* densities and masses from their closed forms, taken in logarithms so that
  the logarithm stays exact where the value underflows;
* distribution functions from the regularized incomplete gamma function: by
  mpmath.gammainc for shapes below 10^4, and above by integrating
  t^(a-1) e^-t in v = ln t outward from ln x (where the integrand is largest),
  which mpmath.quad does to full precision for any shape; the smaller tail is
  integrated and the other taken as its complement;
* continuous quantiles as roots of the reference distribution function, found
  by Newton's method on ln F (on ln(1 - F) above the median) in ln x, started
  at the library's value where it is positive and finite;
* Poisson quantiles as the least count whose reference distribution function
  reaches p.

Grids: shapes, degrees of freedom and rates over everyday values and the
extremes 1e-8 .. 1e20 (counts up to 2^62); arguments at z-scores -40 .. 40
around the mean, far below and above it, down to subnormals; probabilities
down to 1e-300 and up to 1 - 2^-53. Regions: "extreme" for parameters outside
[0.01, 1e5] or arguments beyond 1e300 or below 1e-300, "log" where the value
underflows a double or lies within 1e-10 of 1, "tail" where it, or its
complement, is below 1e-8, "everyday" elsewhere.

    PYTHONPATH=build/NAME python benchmarks/reference_gamma_family.py

takes about three minutes.
"""
import math

import mpmath as mp

import quantora
from reference_common import References

FAMILY = "gamma_family"
# Newton's steps in ln x stop below this: 25 digits, well inside the working
# precision of the distribution function and far beyond a double's.
NEWTON_TOLERANCE = mp.mpf(10) ** -25
SMALLEST_NORMAL = 2.0 ** -1022


def log_tails(a, x):
    """(ln P, ln Q) of the regularized incomplete gamma function at (a, x). The digits
    cover the cancellation of a ln x, x and ln Gamma(a) near x = a."""
    digits = 30 + int(mp.log10(1 + abs(a) * (1 + abs(mp.log(a)))))
    with mp.workdps(digits):
        a, x = mp.mpf(a), mp.mpf(x)
        if x == 0:
            return mp.ninf, mp.mpf(0)
        if a < 1e4:
            try:
                p = mp.gammainc(a, 0, x, regularized=True)
                q = mp.gammainc(a, x, mp.inf, regularized=True)
                if p > 0 and q > 0:
                    return (+mp.log1p(-q) if q < 0.5 else +mp.log(p)), (+mp.log1p(-p) if p < 0.5 else +mp.log(q))
            except (mp.libmp.NoConvergence, ValueError):
                pass
        upper = x >= a
        log_tail = _integrated_tail(a, x, upper)
        other = mp.log1p(-mp.exp(log_tail)) if log_tail < -1e-30 else mp.log(-log_tail)
        return (+other, +log_tail) if upper else (+log_tail, +other)


def _integrated_tail(a, x, upper):
    """ln of the regularized integral of t^(a-1) e^-t over [x, inf) or [0, x]."""
    lx = mp.log(x)
    g = lambda v: a * v - mp.exp(v)  # noqa: E731
    g0 = g(lx)
    scale = 1 / max(abs(a - x), mp.sqrt(x), mp.mpf(1e-30))
    points, step, v = [lx], scale / 4, lx
    while g(v) - g0 > -250:
        v = v + step if upper else v - step
        points.append(v)
        step *= 2
    if not upper:
        points.reverse()
    return mp.log(mp.quad(lambda t: mp.exp(g(t) - g0), points)) + g0 - mp.loggamma(a)


def log_gamma_density(x, k, theta):
    x, k, theta = mp.mpf(x), mp.mpf(k), mp.mpf(theta)
    return (k - 1) * mp.log(x) - x / theta - k * mp.log(theta) - mp.loggamma(k)


def log_poisson_mass(n, rate):
    n, rate = mp.mpf(n), mp.mpf(rate)
    return n * mp.log(rate) - rate - mp.loggamma(n + 1)


def region(extreme, log_value):
    """The region of a d or p point from its parameters and its true logarithm."""
    if extreme:
        return "extreme"
    if log_value < math.log(SMALLEST_NORMAL) or (log_value > -1e-10 and log_value != 0):
        return "log"
    if log_value < math.log(1e-8) or log_value > -1e-8:
        return "tail"
    return "everyday"


def is_extreme(*values):
    return any(not (0.01 <= v <= 1e5) for v in values)


def arguments(a):
    """Points y for a gamma law with shape a and scale 1: z-scores around the mean,
    multiples far below and above, and the ends of the double range."""
    s = math.sqrt(a)
    ys = {1e-300, 2.0 ** -1027, 1e-20, 1e-5}
    ys |= {a + z * s for z in (-40, -10, -5, -2, -0.3, 0, 0.3, 2, 5, 10, 40) if a + z * s > 0}
    ys |= {a * r for r in (1e-3, 0.1, 0.5, 3, 10, 100)}
    ys |= {1e300}
    return sorted(y for y in ys if 0 < y < 1.7e308)


SHAPES = [1e-8, 1e-3, 0.1, 0.5, 1.0, 2.5, 7.3, 20.0, 55.5, 300.0, 1e4 + 0.5, 1e6 + 0.5, 1e9, 1e12, 1e15]


def gamma_points(refs, cache):
    for a in SHAPES:
        for y in arguments(a):
            for scale in (1.0, 2.5):
                x = y * scale
                if not 0 < x < 1.7e308:
                    continue
                lp, lq = cache(a, x / scale)
                ld = log_gamma_density(x, a, scale)
                extreme = is_extreme(a) or not 1e-300 <= x <= 1e300
                refs.add("pgamma", [x, a, scale], region(extreme, lp), mp.exp(lp), lp)
                refs.add("dgamma", [x, a, scale], region(extreme, ld), mp.exp(ld), ld)
    # The ends of the double range, and the examples.
    for x, a, scale in [(1.7976931348623157e308, 0.5, 0.5), (1e-20, 0.1, 1.0), (2.0 ** -1027, 0.99, 1.0),
                        (1e15, 1e15, 1.0), (1e20, 1e20, 1.0), (1e-300, 0.01, 1e30)]:
        lp, _ = log_tails(a, mp.mpf(x) / scale)
        ld = log_gamma_density(x, a, scale)
        refs.add("pgamma", [x, a, scale], "extreme", mp.exp(lp), lp)
        refs.add("dgamma", [x, a, scale], "extreme", mp.exp(ld), ld)


def chisq_points(refs, cache):
    for dof in [1e-3, 0.5, 1.0, 3.0, 10.0, 60.0, 1000.0, 1e6, 1e12]:
        k = dof / 2
        for y in arguments(k):
            x = 2 * y
            if not 0 < x < 1.7e308:
                continue
            lp, _ = cache(k, y)
            ld = log_gamma_density(x, k, 2)
            extreme = is_extreme(dof) or not 1e-300 <= x <= 1e300
            refs.add("pchisq", [x, dof], region(extreme, lp), mp.exp(lp), lp)
            refs.add("dchisq", [x, dof], region(extreme, ld), mp.exp(ld), ld)
    for x, dof in [(1.35e-32, 0.5), (1.57e-16, 1.0), (1.1e-16, 5e-324), (5e-324, 0.6)]:
        lp, _ = log_tails(mp.mpf(dof) / 2, mp.mpf(x) / 2)
        ld = log_gamma_density(x, mp.mpf(dof) / 2, 2)
        refs.add("pchisq", [x, dof], "extreme", mp.exp(lp), lp)
        refs.add("dchisq", [x, dof], "extreme", mp.exp(ld), ld)


def invgamma_points(refs, cache):
    for a in [1e-3, 0.1, 0.5, 2.0, 7.3, 55.5, 1e4 + 0.5, 1e9]:
        for y in arguments(a):
            for scale in (1.0, 3.0):
                x = scale / y
                if not 0 < x < 1.7e308:
                    continue
                _, lq = cache(a, scale / x)
                ld = log_gamma_density(1 / mp.mpf(x), a, 1 / mp.mpf(scale)) - 2 * mp.log(x)
                extreme = is_extreme(a) or not 1e-300 <= x <= 1e300
                refs.add("pinvgamma", [x, a, scale], region(extreme, lq), mp.exp(lq), lq)
                refs.add("dinvgamma", [x, a, scale], region(extreme, ld), mp.exp(ld), ld)
    for x, a, scale in [(3.36e22, 0.001, 1.0), (1e-300, 2.0, 1.0), (5e-324, 2.0, 1e-320)]:
        _, lq = log_tails(a, mp.mpf(scale) / x)
        ld = log_gamma_density(1 / mp.mpf(x), a, 1 / mp.mpf(scale)) - 2 * mp.log(x)
        refs.add("pinvgamma", [x, a, scale], "extreme", mp.exp(lq), lq)
        refs.add("dinvgamma", [x, a, scale], "extreme", mp.exp(ld), ld)


RATES = [1e-17, 1e-3, 0.5, 3.7, 10.0, 10.5, 50.0, 1000.0, 1e6, 1e9, 1e12, 2.0 ** 62]


def poisson_points(refs, cache):
    for rate in RATES:
        s = math.sqrt(rate)
        counts = {0, 1, 2, 5, 15, 16}
        counts |= {int(rate + z * s) for z in (-40, -10, -5, -2, 0, 2, 5, 10, 40) if rate + z * s >= 0}
        counts |= {int(rate * r) for r in (1e-3, 0.5, 3, 10)}
        for k in sorted(counts):
            if k >= 2 ** 63 - 1:
                continue
            _, lq = cache(k + 1, rate)
            ld = log_poisson_mass(k, rate)
            extreme = not 0.01 <= rate <= 1e5 or k > 1e5
            refs.add("ppois", [k, rate], region(extreme, lq), mp.exp(lq), lq)
            refs.add("dpois", [k, rate], region(extreme, ld), mp.exp(ld), ld)
    for k, rate in [(999849700, 1e9), (993540, 1e6), (0, 50.0), (0, 800.0), (10, 3e-308), (1, 1e-17),
                    (2 ** 62, 2.0 ** 62), (10 ** 11, 1e11)]:
        _, lq = log_tails(k + 1, rate)
        ld = log_poisson_mass(k, rate)
        refs.add("ppois", [k, rate], "extreme", mp.exp(lq), lq)
        refs.add("dpois", [k, rate], "extreme", mp.exp(ld), ld)


PROBABILITIES = [1e-300, 1e-100, 1e-20, 1e-10, 1e-5, 0.01, 0.025, 0.3, 0.5, 0.9, 0.975, 0.9999,
                 1 - 1e-10, 1 - 2.0 ** -53]


def continuous_quantile(log_cdf, p, start):
    """The x > 0 with F(x) = p, for log_cdf(x) -> (ln F, ln(1 - F), ln x f(x)): 0 or +infinity
    where it lies beyond the doubles, else Newton's method in u = ln x, bisection where it stalls."""
    p = mp.mpf(p)
    lower = p <= 0.5
    target = mp.log(p) if lower else mp.log1p(-p)

    def h(u):
        lf, lc, lxf = log_cdf(mp.exp(u))
        return (lf if lower else lc) - target, lxf - (lf if lower else lc)

    def excess(u):  # > 0 where F(e^u) > p
        value = h(u)[0]
        return value if lower else -value

    low, high = mp.log(mp.mpf(2) ** -1075), mp.log(mp.mpf(2) ** 1024)
    if not 2.0 ** -1074 < start < 1.7976931348623157e308:
        if excess(low) >= 0:
            return mp.mpf(0)
        if excess(high) < 0:
            return mp.inf
    u = mp.log(start) if 0 < start < math.inf else mp.mpf(0)
    for _ in range(60):
        value, slope = h(u)
        step = value / (mp.exp(slope) if lower else -mp.exp(slope))
        u -= max(min(step, 50), -50)
        if abs(step) < NEWTON_TOLERANCE:
            return mp.exp(u)
    for _ in range(200):
        mid = (low + high) / 2
        if excess(mid) >= 0:
            high = mid
        else:
            low = mid
    return mp.exp(high)


def gamma_cdf_in_logs(a, scale):
    def f(x):
        y = x / scale
        lp, lq = log_tails(a, y)
        return lp, lq, a * mp.log(y) - y - mp.loggamma(a)
    return f


def invgamma_cdf_in_logs(a, scale):
    def f(x):
        y = scale / x
        lp, lq = log_tails(a, y)
        return lq, lp, a * mp.log(y) - y - mp.loggamma(a)
    return f


def quantile_region(p, extreme):
    if extreme:
        return "extreme"
    return "tail" if p < 1e-5 or p > 1 - 1e-5 else "everyday"


def quantile_points(refs):
    for a in [1e-3, 0.1, 0.5, 2.0, 7.3, 55.5, 1e4 + 0.5, 1e9]:
        for p in PROBABILITIES:
            got = quantora.qgamma(p, a, 1.0)
            refs.add("qgamma", [p, a, 1.0], quantile_region(p, is_extreme(a)),
                     continuous_quantile(gamma_cdf_in_logs(a, 1), p, got))
            got = quantora.qinvgamma(p, a, 1.0)
            refs.add("qinvgamma", [p, a, 1.0], quantile_region(p, is_extreme(a)),
                     continuous_quantile(invgamma_cdf_in_logs(a, 1), p, got))
    for dof in [1e-3, 0.5, 1.0, 3.0, 60.0, 1000.0, 1e6, 1e12]:
        for p in PROBABILITIES:
            got = quantora.qchisq(p, dof)
            refs.add("qchisq", [p, dof], quantile_region(p, is_extreme(dof)),
                     continuous_quantile(gamma_cdf_in_logs(mp.mpf(dof) / 2, 2), p, got))
    for p, dof in [(1e-6, 0.5), (0.9999, 60.0)]:
        refs.add("qchisq", [p, dof], "tail",
                 continuous_quantile(gamma_cdf_in_logs(mp.mpf(dof) / 2, 2), p, quantora.qchisq(p, dof)))
    for p, a in [(0.975, 0.1), (0.01, 0.1)]:
        refs.add("qinvgamma", [p, a, 1.0], "everyday",
                 continuous_quantile(invgamma_cdf_in_logs(a, 1), p, quantora.qinvgamma(p, a, 1.0)))
        refs.add("qgamma", [p, a, 1.0], "everyday",
                 continuous_quantile(gamma_cdf_in_logs(a, 1), p, quantora.qgamma(p, a, 1.0)))


def poisson_quantile(p, rate, start):
    """The least count k with Q(k + 1, rate) >= p, searched from the library's answer."""
    log_p = mp.log(p)

    def reaches(k):
        return k >= 0 and log_tails(k + 1, rate)[1] >= log_p

    k = int(start) if math.isfinite(start) else 0
    while not reaches(k):
        k = max(k * 2, k + 1)
    step = 1
    while k > 0 and reaches(k - step):
        k -= step
        step *= 2
    low, high = max(k - step, -1), k
    while high - low > 1:
        mid = (low + high) // 2
        if reaches(mid):
            high = mid
        else:
            low = mid
    return high


def poisson_quantile_points(refs):
    for rate in [0.5, 3.7, 10.5, 50.0, 1000.0, 1e6, 1e10, 1e12]:
        for p in PROBABILITIES[:-1]:
            k = poisson_quantile(p, rate, quantora.qpois(p, rate))
            refs.add("qpois", [p, rate], quantile_region(p, not 0.01 <= rate <= 1e5), k)
    for p, rate in [(1e-300, 50.0), (1e-17, 1e10), (1e-300, 1e6), (5e-15, 1000.0)]:
        refs.add("qpois", [p, rate], "tail", poisson_quantile(p, rate, quantora.qpois(p, rate)))


# The switched neighbours of points where the plain algorithms are kept
# (tests/test_tails_gamma_family.py pins the kept side's bits).
SWITCH_NEIGHBOURS = [
    ("ppois", [3, 30.5]), ("pgamma", [150.62484413940854, 100.5, 1.0]),
    ("pgamma", [557.6704616898281, 1000.5, 1.0]), ("dgamma", [3e6, 3e6, 1.0]),
    ("dpois", [3000000, 3e6]), ("pgamma", [5.0, 1e-6, 1.0]),
]


def switch_neighbour_points(refs):
    for name, args in SWITCH_NEIGHBOURS:
        if name == "ppois":
            log = log_tails(args[0] + 1, args[1])[1]
        elif name == "pgamma":
            log = log_tails(args[1], args[0])[0]
        elif name == "dgamma":
            log = log_gamma_density(*args)
        else:
            log = log_poisson_mass(*args)
        refs.add(name, args, "tail", mp.exp(log), log)


def main():
    memo = {}

    def cache(a, x):
        key = (float(a), float(x))
        if key not in memo:
            memo[key] = log_tails(a, x)
        return memo[key]

    refs = References(FAMILY)
    gamma_points(refs, cache)
    chisq_points(refs, cache)
    invgamma_points(refs, cache)
    poisson_points(refs, cache)
    switch_neighbour_points(refs)
    quantile_points(refs)
    poisson_quantile_points(refs)
    path = refs.write()
    print(f"{sum(len(v) for v in refs.points.values())} points written to {path}")


if __name__ == "__main__":
    main()
