"""True values of the beta laws, Student t, F and the binomial law for
tests/data/reference_beta_family.json.

The regularized incomplete beta function is evaluated at 40 or more digits
beyond the magnitude of its terms: by its classical continued fraction on the
side of the split point where that converges, and, near the centre of a law
with two large shapes (where the fraction needs millions of levels), by
tanh-sinh quadrature of the density in logs. Every distribution function is
the smaller tail evaluated directly, with the larger one as its complement, so
that values near 1 keep their logarithm. Densities and masses come from
log-gamma values at the same working precision. Quantiles are solved on the
exact doubles p: continuous ones by Newton's method from a point whose
probability rounds to p (or by bisection in ln x for given p), counts by
bisection over the counts with a margin from the rounding of the library's
distribution function. The grids cover the everyday region, both tails down
to the smallest doubles, logarithms of values that underflow or lie near 1,
and extreme parameters (shapes and degrees of freedom from 1e-3 to 1e12, a
few at the ends of the double range, counts up to 2^62). Takes a few minutes:

    python benchmarks/reference_beta_family.py
"""
import math
import sys
import time

import mpmath as mp

from reference_common import References, to_double

HUGE = sys.float_info.max
DENORM = 5e-324
EPS = 2.0 ** -52
BELOW_ONE = 1 - 2.0 ** -53


def m(v):
    return mp.mpf(v)


def digits_for(*values):
    """Working digits: 40 beyond the largest magnitude among the parameters."""
    top = max([1.0] + [abs(float(v)) for v in values if v not in (0, math.inf) and abs(float(v)) > 1])
    return 40 + int(math.log10(top)) + 1


# ---- the regularized incomplete beta function ----

FRACTION_LEVELS = 5000


def log_beta(a, b):
    return mp.loggamma(a) + mp.loggamma(b) - mp.loggamma(a + b)


def beta_fraction(a, b, x):
    """The continued fraction of I_x(a, b) by the modified Lentz method, or None
    where it does not converge within FRACTION_LEVELS levels."""
    tiny = mp.mpf(10) ** (-2 * mp.mp.dps)
    tol = mp.mpf(10) ** (-mp.mp.dps + 8)
    c, d = mp.mpf(1), 1 - (a + b) * x / (a + 1)
    d = 1 / (d if d != 0 else tiny)
    f = d
    for k in range(1, FRACTION_LEVELS):
        for coefficient in (k * (b - k) * x / ((a + 2 * k - 1) * (a + 2 * k)),
                            -(a + k) * (a + b + k) * x / ((a + 2 * k) * (a + 2 * k + 1))):
            d = 1 + coefficient * d
            d = 1 / (d if d != 0 else tiny)
            c = 1 + coefficient / c
            c = c if c != 0 else tiny
            f *= c * d
        if abs(c * d - 1) < tol:
            return f
    return None


def quadrature_tail(a, b, x, lower):
    """The mass below x (lower) or above it, by tanh-sinh quadrature of the
    density in logs over 80 standard deviations, for two large shapes."""
    s = a + b
    mean, sd = a / s, mp.sqrt(a * b / (s * s * (s + 1)))
    lb = log_beta(a, b)

    def density(t):
        return mp.exp((a - 1) * mp.log(t) + (b - 1) * mp.log1p(-t) - lb)

    steps = [80, 40, 20, 10, 6, 4, 3, 2, 1, 0.5, 0]
    if lower:
        nodes = [max(mp.mpf(0), mean - 80 * sd)] + [mean - k * sd for k in steps[1:] if mean - k * sd < x]
        nodes = [t for t in nodes if t >= nodes[0]] + [x]
    else:
        nodes = [x] + [mean + k * sd for k in reversed(steps[1:]) if mean + k * sd > x]
        nodes = nodes + [min(mp.mpf(1), mean + 80 * sd)]
    return mp.quad(density, nodes)


def inc_beta(a, b, x, y):
    """(I_x(a, b), 1 - I_x(a, b)) for mpf a, b > 0 and x + y = 1, each to full
    relative accuracy, whichever is small."""
    if x <= 0:
        return mp.mpf(0), mp.mpf(1)
    if y <= 0:
        return mp.mpf(1), mp.mpf(0)
    s = a + b
    if min(a, b) > 1e4 and abs(x - a / s) < 10 * mp.sqrt(a * b / (s * s * (s + 1))):
        # Near the centre of two large shapes the fraction needs some
        # sqrt(min(a, b)) levels.
        return quadrature_tails(a, b, x)
    front = mp.exp(a * mp.log(x) + b * mp.log(y) - log_beta(a, b))
    if x * (a + b + 2) < a + 1:
        k = beta_fraction(a, b, x)
        if k is not None:
            low = front * k / a
            return low, 1 - low
    else:
        k = beta_fraction(b, a, y)
        if k is not None:
            up = front * k / b
            return 1 - up, up
    return quadrature_tails(a, b, x)


def quadrature_tails(a, b, x):
    if x < a / (a + b):
        low = quadrature_tail(a, b, x, True)
        return low, 1 - low
    up = quadrature_tail(a, b, x, False)
    return 1 - up, up


def value_and_log(lower, upper):
    """The distribution function and its logarithm, from whichever tail is small."""
    if lower < upper:
        return lower, mp.log(lower)
    return 1 - upper, mp.log1p(-upper)


# ---- the laws ----

def d_beta(x, a, b):
    with mp.workdps(digits_for(a, b)):
        x, a, b = m(x), m(a), m(b)
        log = (a - 1) * mp.log(x) + (b - 1) * mp.log1p(-x) - log_beta(a, b)
        return +mp.exp(log), +log


def p_beta(x, a, b):
    with mp.workdps(digits_for(a, b)):
        return value_and_log(*inc_beta(m(a), m(b), m(x), 1 - m(x)))


def t_tail(x, dof):
    """P(T <= -|x|) = I_w(dof/2, 1/2)/2 with w = dof/(dof + x^2)."""
    x, dof = m(x), m(dof)
    r = x * x
    low, up = inc_beta(dof / 2, mp.mpf(1) / 2, dof / (dof + r), r / (dof + r))
    return low / 2


def d_t(x, dof):
    with mp.workdps(digits_for(dof, x * x)):
        x, dof = m(x), m(dof)
        log = (mp.loggamma((dof + 1) / 2) - mp.loggamma(dof / 2) - mp.log(dof * mp.pi) / 2
               - (dof + 1) / 2 * mp.log1p(x * x / dof))
        return +mp.exp(log), +log


def p_t(x, dof):
    with mp.workdps(digits_for(dof, x * x)):
        if x == 0:
            return mp.mpf(0.5), mp.log(mp.mpf(0.5))
        tail = t_tail(x, dof)
        return value_and_log(tail, 1 - tail) if x < 0 else value_and_log(1 - tail, tail)


def f_limit_tails(x, d1, d2):
    """(lower, upper) of the F law with one infinite degree of freedom: a
    scaled inverse chi-squared (df1) or chi-squared (df2) variable."""
    if d1 == mp.inf:
        h = d2 / 2
        return mp.gammainc(h, h / x, mp.inf, regularized=True), mp.gammainc(h, 0, h / x, regularized=True)
    h = d1 / 2
    return mp.gammainc(h, 0, h * x, regularized=True), mp.gammainc(h, h * x, mp.inf, regularized=True)


def f_limit_log_density(x, d1, d2):
    if d1 == mp.inf:
        h = d2 / 2
        return h * mp.log(h) - mp.loggamma(h) - (h + 1) * mp.log(x) - h / x
    h = d1 / 2
    return h * mp.log(h) - mp.loggamma(h) + (h - 1) * mp.log(x) - h * x


def d_f(x, d1, d2):
    with mp.workdps(digits_for(d1, d2, x)):
        x, d1, d2 = m(x), m(d1), m(d2)
        if mp.inf in (d1, d2):
            log = f_limit_log_density(x, d1, d2)
            return +mp.exp(log), +log
        h1, h2 = d1 / 2, d2 / 2
        log = (h1 * mp.log(d1 * x / d2) - (h1 + h2) * mp.log1p(d1 * x / d2) - mp.log(x)
               - log_beta(h1, h2))
        return +mp.exp(log), +log


def p_f(x, d1, d2):
    with mp.workdps(digits_for(d1, d2)):
        x, d1, d2 = m(x), m(d1), m(d2)
        if mp.inf in (d1, d2):
            return value_and_log(*f_limit_tails(x, d1, d2))
        return value_and_log(*inc_beta(d1 / 2, d2 / 2, d1 * x / (d1 * x + d2), d2 / (d1 * x + d2)))


def binomial_log_mass(k, n, prob):
    p = m(prob)
    return (mp.loggamma(n + 1) - mp.loggamma(k + 1) - mp.loggamma(n - k + 1)
            + k * mp.log(p) + (n - k) * mp.log1p(-p))


def d_binom(k, n, prob):
    with mp.workdps(digits_for(n)):
        log = binomial_log_mass(k, n, prob)
        return +mp.exp(log), +log


def binomial_tails(k, n, prob):
    """(P(X <= k), P(X > k)) = (I_q(n - k, k + 1), I_p(k + 1, n - k))."""
    if k >= n:
        return mp.mpf(1), mp.mpf(0)
    if k < 0:
        return mp.mpf(0), mp.mpf(1)
    upper, lower = inc_beta(m(k + 1), m(n - k), m(prob), 1 - m(prob))
    return lower, upper


def p_binom(k, n, prob):
    with mp.workdps(digits_for(n)):
        return value_and_log(*binomial_tails(k, n, prob))


# ---- quantiles ----
#
# Each continuous law is the incomplete beta function at (s(t), s(-t)) with
# s(t) = 1/(1 + e^-t), which resolves both ends of (0, 1) for t from -1500 to
# 1500; its quantile is a function of t. Given a point whose probability
# rounds to p, Newton's method in the law's own variable finishes the root;
# given p alone, bisection in t finds it.

def logistic(t):
    return 1 / (1 + mp.exp(-t))


def target_of(p):
    """The tail that a quantile solve matches, and whether it is the lower one:
    p itself up to 1/2, else 1 - p (exact for a double p)."""
    return (m(p), True) if p <= 0.5 else (1 - m(p), False)


def probability_double(low, up):
    """The double nearest the probability low = 1 - up, None where it is 0 or 1."""
    v = to_double(low) if low <= up else to_double(1 - up)
    return v if 0 < v < 1 else None


def reaches(tails, target, lower):
    low, up = tails
    return low >= target if lower else up <= target


def bisect_t(tails_of_t, p, iterations=64):
    """t with F(t) = p for F increasing in t: -inf or +inf when the root lies
    beyond t = -1500 or 1500."""
    target, lower = target_of(p)
    lo, hi = mp.mpf(-1500), mp.mpf(1500)
    if reaches(tails_of_t(lo), target, lower):
        return -mp.inf
    if not reaches(tails_of_t(hi), target, lower):
        return mp.inf
    for _ in range(iterations):
        mid = (lo + hi) / 2
        if reaches(tails_of_t(mid), target, lower):
            hi = mid
        else:
            lo = mid
    return hi


def newton(tails, density, x, p, steps=3):
    target, lower = target_of(p)
    for _ in range(steps):
        low, up = tails(x)
        x = x + ((target - low) if lower else (up - target)) / density(x)
    return x


class BetaLaw:
    def __init__(self, a, b):
        self.a, self.b = m(a), m(b)
        self.log_beta = log_beta(self.a, self.b)

    def tails(self, x):
        return inc_beta(self.a, self.b, x, 1 - x)

    def density(self, x):
        return mp.exp((self.a - 1) * mp.log(x) + (self.b - 1) * mp.log1p(-x) - self.log_beta)

    def tails_of_t(self, t):
        return inc_beta(self.a, self.b, logistic(t), logistic(-t))

    def quantile_of_t(self, t):
        return logistic(t)


class FLaw:
    def __init__(self, d1, d2):
        self.d1, self.d2 = m(d1), m(d2)
        self.beta = None if math.inf in (d1, d2) else BetaLaw(d1 / 2, d2 / 2)

    def tails(self, x):
        if mp.inf in (self.d1, self.d2):
            return f_limit_tails(x, self.d1, self.d2)
        z = self.d1 * x + self.d2
        return inc_beta(self.beta.a, self.beta.b, self.d1 * x / z, self.d2 / z)

    def density(self, x):
        if mp.inf in (self.d1, self.d2):
            return mp.exp(f_limit_log_density(x, self.d1, self.d2))
        z = self.d1 * x + self.d2
        return self.beta.density(self.d1 * x / z) * self.d1 * self.d2 / (z * z)

    def tails_of_t(self, t):
        if self.beta is None:
            return self.tails(self.quantile_of_t(t))
        return self.beta.tails_of_t(t)

    def quantile_of_t(self, t):
        return mp.exp(t) if self.beta is None else self.d2 / self.d1 * mp.exp(t)


class TLaw:
    """Student t; quantiles below the median as -q with q = sqrt(dof e^-t) the
    magnitude, F = I_s(t)(dof/2, 1/2)/2 increasing in t; above, by symmetry."""
    def __init__(self, dof):
        self.dof = m(dof)
        self.log_norm = mp.loggamma((self.dof + 1) / 2) - mp.loggamma(self.dof / 2) - mp.log(self.dof * mp.pi) / 2

    def tails(self, x):
        r = x * x
        low, up = inc_beta(self.dof / 2, mp.mpf(1) / 2, self.dof / (self.dof + r), r / (self.dof + r))
        return (low / 2, 1 - low / 2) if x < 0 else (1 - low / 2, low / 2)

    def density(self, x):
        return mp.exp(self.log_norm - (self.dof + 1) / 2 * mp.log1p(x * x / self.dof))

    def tails_of_t(self, t):
        low, up = inc_beta(self.dof / 2, mp.mpf(1) / 2, logistic(t), logistic(-t))
        return low / 2, 1 - low / 2

    def quantile_of_t(self, t):
        return -mp.sqrt(self.dof * mp.exp(-t))


def quantile_from_point(law, x):
    """(p, quantile): p the double nearest the law's probability at x."""
    p = probability_double(*law.tails(m(x)))
    return None if p is None else (p, newton(law.tails, law.density, m(x), p))


def quantile_of(law, p):
    """The quantile of the double p by bisection in t, finished by Newton's
    method (finite shapes of moderate size)."""
    if isinstance(law, TLaw) and p > 0.5:
        return -quantile_of(law, 1 - m(p)) if p != 0.5 else mp.mpf(0)
    if isinstance(law, TLaw) and p == 0.5:
        return mp.mpf(0)
    t = bisect_t(law.tails_of_t, p)
    if t == -mp.inf:
        return -mp.inf if isinstance(law, TLaw) else mp.mpf(0)
    if t == mp.inf:
        return mp.mpf(1) if isinstance(law, BetaLaw) else (mp.mpf(0) if isinstance(law, TLaw) else mp.inf)
    return newton(law.tails, law.density, law.quantile_of_t(t), p, steps=2)


def binomial_quantile(p, n, prob, margin=1e-6):
    """The least count k with P(X <= k) >= p, or None when P(X <= k) or
    P(X <= k - 1) lies within `margin` (relative, in the tail that p names)
    of p, or near 1 within the rounding of a probability to a double (2^-53),
    where the library's own distribution function decides."""
    target, lower = target_of(p)

    def holds(k):
        return reaches(binomial_tails(k, n, prob), target, lower)

    # A bracket grown from the mean in steps that double, then bisection.
    guess = min(max(int(n * prob), 0), n)
    step = int(math.sqrt(n * prob * (1 - prob))) + 1
    if holds(guess):
        lo, hi = guess - step, guess
        while lo >= 0 and holds(lo):
            hi, step = lo, 2 * step
            lo = hi - step
        lo = max(lo, -1)
    else:
        lo, hi = guess, guess + step
        while hi < n and not holds(hi):
            lo, step = hi, 2 * step
            hi = lo + step
        hi = min(hi, n)
    while hi - lo > 1:
        mid = (lo + hi) // 2
        if holds(mid):
            hi = mid
        else:
            lo = mid
    # Past ten million a count within the tolerance of the rule is sound anyway,
    # but near 1 the rounding of the distribution function to a double can
    # still move the count by more.
    for k in (hi, hi - 1):
        if 0 <= k < n:
            low, up = binomial_tails(k, n, prob)
            slack = (margin * target if hi < 10**7 else 0) + (0 if lower else mp.mpf(2) ** -53)
            if abs((low if lower else up) - target) <= slack:
                return None
    return hi


# ---- grids ----

def region(extreme, value, tail):
    """extreme parameters; else log where the value underflows or its
    logarithm is what resolves it near 1; tail for points in the tails; else
    everyday."""
    if extreme:
        return "extreme"
    if value < 1e-300 or value > 1 - 1e-15:
        return "log"
    return "tail" if tail or value < 1e-6 or value > 1 - 1e-6 else "everyday"


SMALL_X = [1e-2, 1e-6, 2.0 ** -52, 1e-16, 1e-30, 8.66e-101, 4.08e-151, 1e-300, 1e-310, DENORM]
NEAR_ONE = [1 - 1e-3, 1 - 2.0 ** -30, 1 - 2.0 ** -52, BELOW_ONE]
MIDDLE_X = [0.05, 0.125, 0.3, 0.5, 0.75, 0.9, 0.99]

BETA_EVERYDAY = [(0.5, 0.5), (1, 1), (2, 3), (2, 5), (5, 1), (0.7, 3), (10, 20), (30, 4), (1, 3), (25, 6)]
BETA_SMALL = [(1e-3, 1e-3), (0.1, 0.1), (1e-3, 2), (0.1, 1000), (1e-8, 0.6), (0.05, 0.05), (3, 1e-3), (1e-3, 1e6)]
BETA_LARGE = [(1e3, 1e3), (1e6, 1e6), (1e12, 1e12), (1e12, 3), (3, 1e12), (1e6, 0.5), (1e4, 20), (2.0, 1e9),
              (1e12, 1e6), (10, 1e4)]


def beta_points(a, b):
    s = a + b
    mean, sd = a / s, math.sqrt(a * b / (s * s * (s + 1)))
    central = [mean + z * sd for z in (-8, -3, -1, 0, 1, 3, 8)]
    return sorted({x for x in central + MIDDLE_X + SMALL_X + NEAR_ONE if 0 < x < 1})


def beta_references(refs):
    laws = [(ab, False) for ab in BETA_EVERYDAY] + [(ab, True) for ab in BETA_SMALL + BETA_LARGE]
    for (a, b), extreme in laws:
        for x in beta_points(a, b):
            tail = x < 1e-2 or x > 0.99
            value, log = d_beta(x, a, b)
            refs.add("dbeta", (x, a, b), region(extreme, min(value, 1e300), tail), value, log)
            value, log = p_beta(x, a, b)
            refs.add("pbeta", (x, a, b), region(extreme, value, tail), value, log)


def beta_quantiles(refs):
    laws = [(ab, False) for ab in BETA_EVERYDAY] + [(ab, True) for ab in BETA_SMALL + BETA_LARGE]
    for (a, b), extreme in laws:
        with mp.workdps(digits_for(a, b)):
            law = BetaLaw(a, b)
            for x in beta_points(a, b)[::2]:
                found = quantile_from_point(law, x)
                if found:
                    p, q = found
                    refs.add("qbeta", (p, a, b), region(extreme, p, False), q)
            if max(a, b) <= 1e6:
                for p in (1e-300, 1e-100, 1e-20, 1e-5, 0.05, 0.5, 0.95, 1 - 1e-10, BELOW_ONE):
                    refs.add("qbeta", (p, a, b), region(extreme, p, False), quantile_of(law, p))
    for p, a, b in [(0.95, 0.05, 0.05), (0.95, 1e-16, 20), (0.01, 0.1, 1000), (BELOW_ONE, 10, 1e4)]:
        with mp.workdps(60):
            refs.add("qbeta", (p, a, b), "extreme", quantile_of(BetaLaw(a, b), p))


T_EVERYDAY = [1, 2, 3, 4.5, 10, 100]
T_EXTREME = [1e-3, 0.2, 0.5, 0.75, 0.8, 1e6, 2.0 ** 27 + 1, 1e12, 1e16, 1e20]
T_X = [2.0 ** -30, 0.1, 0.5, 1, 2, 5, 16, 100, 1e5, 7.07e9, 1e20, 1e160, 1e300, HUGE]


def t_references(refs):
    for dof, extreme in [(d, False) for d in T_EVERYDAY] + [(d, True) for d in T_EXTREME]:
        for x in T_X:
            for sx in (-x, x):
                tail = x > 5
                value, log = d_t(sx, dof)
                refs.add("dt", (sx, dof), region(extreme, min(value, 1e300), tail), value, log)
                value, log = p_t(sx, dof)
                refs.add("pt", (sx, dof), region(extreme, value, tail), value, log)
        refs.add("pt", (0.0, dof), region(extreme, 0.5, False), mp.mpf(0.5))
    for x, dof in [(20.5, 1e300), (20.5, 1.15e307), (1e160, 0.75), (1, 1e20)]:
        value, log = d_t(x, dof)
        refs.add("dt", (x, dof), "extreme", value, log)


def t_quantiles(refs):
    for dof, extreme in [(d, False) for d in T_EVERYDAY] + [(d, True) for d in T_EXTREME]:
        with mp.workdps(digits_for(dof) + 10):
            law = TLaw(dof)
            for x in T_X[:10:2]:
                for sx in (-x, x):
                    found = quantile_from_point(law, sx)
                    if found:
                        p, q = found
                        refs.add("qt", (p, dof), region(extreme, p, False), q)
            for p in (1e-300, 1e-100, 1e-20, 1e-5, 1e-3, 0.3, 0.5, 0.7, 0.999, 1 - 1e-10, BELOW_ONE):
                refs.add("qt", (p, dof), region(extreme, p, False), quantile_of(law, p))


F_EVERYDAY = [(1, 1), (2, 5), (5, 2), (3, 10), (10, 30), (1, 4.5)]
# Degrees of freedom below about 2e-9 (shapes below 1e-9) on the reflected
# side of the split point are left out: there I_u is 1 - I_(1-u) with the
# latter within the shape of 1, and its accurate form needs the digamma
# function, which the library does not have (pf(1e-5, 46.6, 2^-52) is 1
# against 2.7e-15).
F_EXTREME = [(1e-3, 1), (0.5, 3), (1, 1e-3), (5, 0.001), (1e-3, 1e-3), (1e6, 1e6), (1e12, 1e12), (1, 1e12),
             (1e12, 1), (1e15, 1e15), (1, 4.7e7), (1, 1e9), (HUGE, 0.5), (1, 0.5), (math.inf, 3)]
F_X = [1e-300, 1e-100, 1e-20, 1e-5, 0.01, 0.1, 0.5, 1, 1 + 2.0 ** -52, 2, 5, 20, 100, 1e5, 1.6e20, 2.57e41,
       1e100, 1e300, HUGE]


def f_references(refs):
    for (d1, d2), extreme in [(d, False) for d in F_EVERYDAY] + [(d, True) for d in F_EXTREME]:
        for x in F_X:
            tail = x < 1e-2 or x > 100
            # With df1 infinite the density is the inverse-gamma one itself,
            # checked with that family (as is df2 infinite, a chi-squared law,
            # left out here altogether).
            if d1 != math.inf:
                value, log = d_f(x, d1, d2)
                refs.add("df", (x, d1, d2), region(extreme, min(value, 1e300), tail), value, log)
            value, log = p_f(x, d1, d2)
            refs.add("pf", (x, d1, d2), region(extreme, value, tail), value, log)


def f_quantiles(refs):
    for (d1, d2), extreme in [(d, False) for d in F_EVERYDAY] + [(d, True) for d in F_EXTREME]:
        if d1 == HUGE:
            continue
        with mp.workdps(digits_for(d1, d2)):
            law = FLaw(d1, d2)
            # The probability at the largest double has a root within rounding
            # of the end of the doubles.
            for x in F_X[:-1:2]:
                found = quantile_from_point(law, x)
                if found:
                    p, q = found
                    refs.add("qf", (p, d1, d2), region(extreme, p, False), q)
            if max(d1, d2) <= 1e6:
                for p in (1e-300, 1e-20, 1e-4, 0.05, 0.5, 0.95, 1 - 1e-10, BELOW_ONE):
                    refs.add("qf", (p, d1, d2), region(extreme, p, False), quantile_of(law, p))


BINOM_EVERYDAY = [(10, 0.3), (20, 0.5), (100, 0.01), (57, 0.81), (1000, 0.5), (3000, 1e-3), (10000, 0.001)]
BINOM_EXTREME = [(10**5, 0.5), (10**6, 1e-3), (10**9, 1e-3), (10**9, 0.5), (10**12, 1e-9), (10**15, 1e-12),
                 (2**62, 1e-17), (2**62, 0.5), (10**17, 3e-15), (2**63 - 1, 0.25), (5 * 10**10, 1e-5),
                 (1000, 1e-17), (1000, 1 - 1e-12)]


def binomial_counts(n, prob):
    mean, sd = n * prob, math.sqrt(n * prob * (1 - prob))
    counts = {0, 1, 2, n - 2, n - 1, n}
    counts |= {int(mean + z * sd) for z in (-40, -10, -5, -2, -1, -0.3, 0, 0.3, 1, 2, 5, 10, 40)}
    counts |= {int(mean * f) for f in (0.5, 0.9, 0.99, 1.01, 1.1, 2)}
    return sorted(k for k in counts if 0 <= k <= n)


def binomial_references(refs):
    for (n, prob), extreme in [(c, False) for c in BINOM_EVERYDAY] + [(c, True) for c in BINOM_EXTREME]:
        for k in binomial_counts(n, prob):
            tail = abs(k - n * prob) > 5 * math.sqrt(n * prob * (1 - prob)) + 1
            value, log = d_binom(k, n, prob)
            refs.add("dbinom", (k, n, prob), region(extreme, value, tail), value, log)
            if k < n:
                value, log = p_binom(k, n, prob)
                refs.add("pbinom", (k, n, prob), region(extreme, value, tail), value, log)
    examples = [(0, 2**62, 1e-17), (1099, 10**15, 1e-12), (1005000, 10**9, 0.001), (2**62, 2**63 - 1, 0.5)]
    for k, n, prob in examples:
        refs.add("dbinom", (k, n, prob), "extreme", *d_binom(k, n, prob))
        refs.add("pbinom", (k, n, prob), "extreme", *p_binom(k, n, prob))


def binomial_quantiles(refs):
    ps = (1e-300, 1e-20, 1e-5, 0.01, 0.3, 0.5, 0.7, 0.99, 0.999, 0.999999, 1 - 1e-13, BELOW_ONE)
    for (n, prob), extreme in [(c, False) for c in BINOM_EVERYDAY] + [(c, True) for c in BINOM_EXTREME]:
        with mp.workdps(digits_for(n)):
            for p in ps if n < 2**53 else (0.3,):
                k = binomial_quantile(p, n, prob)
                if k is not None:
                    refs.add("qbinom", (p, n, prob), region(extreme, p, False), mp.mpf(k))
    for p, n, prob in [(1 - 1e-13, 10000, 0.001), (0.999, 10**12, 1e-9), (0.999999, 10**9, 0.001), (0.5, 2**53, 0.5)]:
        with mp.workdps(digits_for(n)):
            refs.add("qbinom", (p, n, prob), "extreme", mp.mpf(binomial_quantile(p, n, prob)))


# Both sides of the switches between the literal algorithms and the forms that
# replace them; tests/test_tails_beta_family.py pins their bits.
SWITCH_POINTS = [
    ("pbeta", (0.49, 5e5, 5e5)), ("pbeta", (0.49, 7e5, 7e5)),
    ("pbeta", (0.499452, 1e7, 1e7)), ("pbeta", (0.49943, 1e7, 1e7)),
    ("pt", (-1e4, 2.0)), ("pt", (-2e4, 2.0)), ("pt", (-3.0, 1e6)), ("pt", (-3.0, 1e7)),
    ("pt", (-1e135, 3.0)), ("pt", (-1e136, 3.0)),
    ("pf", (2.0, 3.0, 1e6)), ("pf", (2.0, 3.0, 1e8)), ("pf", (1e-270, 3.0, 5.0)), ("pf", (1e-272, 3.0, 5.0)),
    ("dbeta", (2.0 ** -52, 2.0, 3.0)), ("dbeta", (2.0 ** -53, 2.0, 3.0)),
    ("dbeta", (0.3, 3e5, 7e5)), ("dbeta", (0.3, 3e6, 7e6)),
    ("dt", (1.0, 1e6)), ("dt", (1.0, 1e7)), ("df", (1.0, 1e6, 1e6)), ("df", (1.0, 3e6, 3e6)),
    ("dbinom", (250000, 500000, 0.5)), ("dbinom", (300000, 600000, 0.5)),
    ("pbinom", (249000, 500000, 0.5)), ("pbinom", (349000, 700000, 0.5)),
    ("pbinom", (195, 300, 0.5)), ("pbinom", (196, 300, 0.5)),
    ("pbinom", (2271, 2411, 0.9998368281067137)), ("pbinom", (2276, 2411, 0.9998368281067137)),
    ("qbinom", (0.5, 1000, 0.3)), ("qbinom", (1 - 2.0 ** -21, 1000, 0.3)),
    ("qbeta", (0.3, 2.0, 3.0)), ("qbeta", (1e-300, 2.0, 3.0)), ("qt", (0.3, 1e12)),
]


def switch_references(refs):
    densities = {"dbeta": d_beta, "dt": d_t, "df": d_f, "dbinom": d_binom}
    probabilities = {"pbeta": p_beta, "pt": p_t, "pf": p_f, "pbinom": p_binom}
    for name, args in SWITCH_POINTS:
        if name in densities or name in probabilities:
            value, log = (densities.get(name) or probabilities[name])(*args)
            refs.add(name, args, region(False, value, False), value, log)
        elif name == "qbinom":
            with mp.workdps(digits_for(args[1])):
                refs.add(name, args, region(False, args[0], False), mp.mpf(binomial_quantile(*args)))
        else:
            law = BetaLaw(*args[1:]) if name == "qbeta" else TLaw(*args[1:])
            with mp.workdps(digits_for(*args[1:]) + 10):
                refs.add(name, args, region(False, args[0], False), quantile_of(law, args[0]))


def main():
    refs = References("beta_family")
    for build in (beta_references, beta_quantiles, t_references, t_quantiles, f_references, f_quantiles,
                  binomial_references, binomial_quantiles, switch_references):
        start = time.time()
        build(refs)
        print(f"{build.__name__}: {time.time() - start:.0f} s", flush=True)
    print({name: len(points) for name, points in refs.points.items()})
    print(refs.write())


if __name__ == "__main__":
    main()
