"""True values of the closed-form laws (normal, Bernoulli, Cauchy, exponential,
Laplace, log-normal, logistic, uniform, Weibull) for tests/data/reference_closed_form.json.

Every density and distribution function is evaluated in a form without
cancellation at 60 significant digits (mpmath's erfc, atan of the reciprocal in
the Cauchy tail, expm1 and log1p), every quantile from its exact inverse (the
normal one by Newton's method on ln erfc), all on the exact doubles that the
tests pass. The grids cover the everyday region, both tails down to the
smallest doubles, log-densities and log-probabilities whose value underflows,
and extreme parameters (scales from 1e-300 to 1e300, shapes from 2^-52 to
1e12, the ends of the double range). Takes about a minute:

    python benchmarks/reference_closed_form.py
"""
import math
import sys

import mpmath as mp

from reference_common import References

HUGE = sys.float_info.max
TINY = 2.0 ** -1022
DENORM = 5e-324
EPS = 2.0 ** -52
BELOW_ONE = 1 - 2.0 ** -53


def m(v):
    return mp.mpf(v)


# ---- true values: densities and distribution functions as (value, log) ----

def normal_log_density(z, sigma):
    return -z * z / 2 - mp.log(sigma) - mp.log(2 * mp.pi) / 2


def normal_lower_log(z):
    """ln Phi(z) without cancellation in either tail; beyond |z| = 1e8 (where
    mpmath's erfc gives up) from the asymptotic series of the tail."""
    if abs(z) < 1e8:
        return mp.log(mp.erfc(-z / mp.sqrt(2)) / 2)
    a = abs(z)
    log_tail = -a * a / 2 - mp.log(a) - mp.log(2 * mp.pi) / 2 + mp.log1p(-1 / a**2 + 3 / a**4)
    return log_tail if z < 0 else mp.log1p(-mp.exp(log_tail))


def d_norm(x, mu, sigma):
    z = (m(x) - m(mu)) / m(sigma)
    log = normal_log_density(z, m(sigma))
    return mp.exp(log), log


def p_norm(x, mu, sigma):
    log = normal_lower_log((m(x) - m(mu)) / m(sigma))
    return mp.exp(log), log


def d_lnorm(x, mu, sigma):
    lx = mp.log(m(x))
    z = (lx - m(mu)) / m(sigma)
    log = normal_log_density(z, m(sigma)) - lx
    return mp.exp(log), log


def p_lnorm(x, mu, sigma):
    log = normal_lower_log((mp.log(m(x)) - m(mu)) / m(sigma))
    return mp.exp(log), log


def d_cauchy(x, mu, sigma):
    z = (m(x) - m(mu)) / m(sigma)
    log = -mp.log(mp.pi * m(sigma)) - mp.log1p(z * z)
    return mp.exp(log), log


def p_cauchy(x, mu, sigma):
    z = (m(x) - m(mu)) / m(sigma)
    v = mp.atan(-1 / z) / mp.pi if z < 0 else mp.mpf(1) / 2 + mp.atan(z) / mp.pi
    return v, mp.log(v)


def d_exp(x, rate):
    log = mp.log(m(rate)) - m(x) * m(rate)
    return mp.exp(log), log


def p_exp(x, rate):
    v = -mp.expm1(-m(x) * m(rate))
    return v, mp.log(v)


def d_laplace(x, mu, sigma):
    log = -mp.log(2 * m(sigma)) - abs(m(x) - m(mu)) / m(sigma)
    return mp.exp(log), log


def p_laplace(x, mu, sigma):
    z = (m(x) - m(mu)) / m(sigma)
    v = mp.exp(z) / 2 if z < 0 else 1 - mp.exp(-z) / 2
    return v, mp.log(v)


def d_logis(x, mu, sigma):
    a = abs(m(x) - m(mu)) / m(sigma)
    log = -a - mp.log(m(sigma)) - 2 * mp.log1p(mp.exp(-a))
    return mp.exp(log), log


def p_logis(x, mu, sigma):
    z = (m(x) - m(mu)) / m(sigma)
    log = -mp.log1p(mp.exp(-z)) if z > 0 else z - mp.log1p(mp.exp(z))
    return mp.exp(log), log


def d_unif(x, a, b):
    v = 1 / (m(b) - m(a)) if a <= x <= b else mp.mpf(0)
    return v, mp.log(v) if v else -mp.inf


def p_unif(x, a, b):
    v = min(max((m(x) - m(a)) / (m(b) - m(a)), 0), 1)
    return v, mp.log(v) if v else -mp.inf


def d_weibull(x, shape, scale):
    k, lam = m(shape), m(scale)
    lr = mp.log(m(x) / lam)
    log = mp.log(k / lam) + (k - 1) * lr - mp.exp(k * lr)
    return mp.exp(log), log


def p_weibull(x, shape, scale):
    t = mp.exp(m(shape) * mp.log(m(x) / m(scale)))
    v = -mp.expm1(-t)
    return v, mp.log(v)


def d_bern(x, prob):
    v = {1: m(prob), 0: 1 - m(prob)}.get(x, mp.mpf(0))
    return v, mp.log(v) if v else -mp.inf


def p_bern(x, prob):
    v = mp.mpf(0) if x < 0 else (mp.mpf(1) if x >= 1 else 1 - m(prob))
    return v, mp.log(v) if v else -mp.inf


# ---- true quantiles ----

def normal_tail_quantile(q):
    """The t > 0 with Phi(-t) = q, for 0 < q <= 1/2: Newton's method on ln erfc."""
    q = m(q)
    if q > mp.mpf("1e-3"):
        return -mp.sqrt(2) * mp.erfinv(2 * q - 1)
    target = mp.log(2 * q)
    s = mp.sqrt(-2 * mp.log(q))  # start near the standard tail quantile, in erfc units
    t = s / mp.sqrt(2)
    for _ in range(200):
        f = mp.log(mp.erfc(t)) - target
        slope = -2 * mp.exp(-t * t) / (mp.sqrt(mp.pi) * mp.erfc(t))
        step = f / slope
        t -= step
        if abs(step) < abs(t) * mp.mpf(10) ** (-mp.mp.dps + 5):
            break
    return t * mp.sqrt(2)


def q_norm(p, mu, sigma):
    z = -normal_tail_quantile(p) if p < 0.5 else normal_tail_quantile(1 - m(p))
    return m(mu) + m(sigma) * z


def q_lnorm(p, mu, sigma):
    return mp.exp(q_norm(p, mu, sigma))


def q_cauchy(p, mu, sigma):
    p = m(p)
    if p == mp.mpf(1) / 2:
        return m(mu)
    if p < mp.mpf(1) / 2:
        return m(mu) - m(sigma) / mp.tan(mp.pi * p)
    return m(mu) + m(sigma) / mp.tan(mp.pi * (1 - p))


def q_exp(p, rate):
    return -mp.log1p(-m(p)) / m(rate)


def q_laplace(p, mu, sigma):
    p = m(p)
    if p < mp.mpf(1) / 2:
        return m(mu) + m(sigma) * mp.log(2 * p)
    return m(mu) - m(sigma) * mp.log(2 * (1 - p))


def q_logis(p, mu, sigma):
    return m(mu) + m(sigma) * (mp.log(m(p)) - mp.log1p(-m(p)))


def q_unif(p, a, b):
    return m(a) + (m(b) - m(a)) * m(p)


def q_weibull(p, shape, scale):
    return m(scale) * mp.exp(mp.log(-mp.log1p(-m(p))) / m(shape))


def q_bern(p, prob):
    # The smallest count whose distribution function, as the library rounds
    # it (1 - prob in doubles), reaches p.
    return mp.mpf(0) if 1 - prob >= p else mp.mpf(1)


# ---- grids ----

def region_of(value, extreme, tail):
    if extreme:
        return "extreme"
    if value < mp.mpf(TINY):
        return "log"
    return "tail" if tail else "everyday"


def add_dp(refs, name, truth, args, extreme=False, tail=False):
    value, log = truth(*args)
    refs.add(name, list(args), region_of(value, extreme, tail), value, log)


def add_q(refs, name, truth, args, extreme=False, tail=False):
    refs.add(name, list(args), "extreme" if extreme else ("tail" if tail else "everyday"), truth(*args))


EVERYDAY_Z = [-4.5, -3.0, -2.2, -1.5, -0.7, -0.2, 0.0, 0.3, 1.0, 1.9, 2.6, 3.7, 5.0]
TAIL_P = [1e-5, 1e-8, 1e-10, 3e-11, 1e-12, 1e-15, 1e-16, 7e-17, 1e-20, 1e-50, 1e-100, 1e-200,
          1e-300, 1e-310, DENORM]
UPPER_Q = [1e-5, 1e-8, 1e-10, 3e-11, 1e-12, 1e-13, 1e-14, 1e-15, 2.0 ** -52, 2.0 ** -53]
EVERYDAY_P = [0.001, 0.01, 0.05, 0.1, 0.25, 0.3, 0.4, 0.45, 0.5, 0.55, 0.6, 0.7, 0.75, 0.9,
              0.95, 0.99, 0.999]
# Within a few units of 1/2, where the kernels read their arguments below EPS as 0.
CENTRE_P = [0.5 - 2.0 ** -54, 0.5 - 2.0 ** -53, 0.5 - 3 * 2.0 ** -54, 0.5 + 2.0 ** -53,
            0.5 + 2.0 ** -52, 0.5 + 3 * 2.0 ** -53, 0.5 + 1e-12, 0.5 - 1e-10, 0.5 + 3e-10]


def quantile_probabilities():
    yield from ((p, False) for p in EVERYDAY_P)
    yield from ((p, False) for p in CENTRE_P)
    yield from ((p, True) for p in TAIL_P)
    yield from ((1 - q, True) for q in UPPER_Q)


def location_scale(refs, law, d, p, q, tail_z, log_z):
    """Grids of a law on the whole line with its d, p and q truths."""
    ordinary = [(0.0, 1.0), (1.5, 0.3), (-3.0, 7.0)]
    for mu, sigma in ordinary:
        for z in EVERYDAY_Z:
            x = mu + sigma * z
            add_dp(refs, "d" + law, d, (x, mu, sigma))
            add_dp(refs, "p" + law, p, (x, mu, sigma))
        for z in tail_z + log_z:
            x = mu + sigma * z
            add_dp(refs, "d" + law, d, (x, mu, sigma), tail=True)
            add_dp(refs, "p" + law, p, (x, mu, sigma), tail=True)
    for mu, sigma in [(0.0, 1.0), (2.0, 3.0)]:
        for prob, tail in quantile_probabilities():
            if mu != 0 and 0.2 < prob < 0.3:
                continue  # the quantile crosses 0 there; mu + sigma z cancels
            add_q(refs, "q" + law, q, (prob, mu, sigma), tail=tail)
    # Scales and locations at the ends of the double range.
    extreme = [(0.0, 1e-300), (0.0, 1e-16), (5.0, 1e-200), (0.0, 1e300), (0.0, HUGE / 4), (1e300, 1e290),
               (0.0, DENORM * 7)]
    for mu, sigma in extreme:
        for z in [-40.0, -5.0, -1.0, 0.0, 0.5, 3.0]:
            x = mu + sigma * z
            if math.isfinite(x) and (x != mu or z == 0):
                add_dp(refs, "d" + law, d, (x, mu, sigma), extreme=True)
                add_dp(refs, "p" + law, p, (x, mu, sigma), extreme=True)
        for prob in [1e-300, 1e-10, 0.2, 0.5, 0.7, 1 - 1e-10]:
            add_q(refs, "q" + law, q, (prob, mu, sigma), extreme=True)
    for x, mu, sigma in [(HUGE, -HUGE, 1e300), (-HUGE, HUGE, 1e307), (-HUGE, 0.0, 0.5), (1e308, -1e308, HUGE),
                         (-1e300, 0.0, 1e-10), (1e-310, 0.0, 1e-300)]:
        add_dp(refs, "d" + law, d, (x, mu, sigma), extreme=True)
        add_dp(refs, "p" + law, p, (x, mu, sigma), extreme=True)
    add_q(refs, "q" + law, q, (0.5, 0.0, HUGE), extreme=True)


def normal_family(refs):
    tail_z = [-5.5, -5.9, -6.0, -7.0, -8.0, -8.5, -10.0, -15.0, -20.0, -30.0, -37.0, -38.4, 6.0, 8.0,
              9.0, 40.0]
    log_z = [-38.6, -40.0, -100.0, -1e4, -1e10, -1e100, -1e150, -1.8e154]
    location_scale(refs, "norm", d_norm, p_norm, q_norm, tail_z, log_z)
    for mu, sigma in [(0.0, 1.0), (-300.0, 1.0), (2.0, 0.5), (500.0, 3.0), (-1e3, 1e-3), (0.0, 20.0)]:
        extreme = sigma in (1e-3, 20.0) or abs(mu) > 100
        for z in EVERYDAY_Z + [-9.0, -20.0, -38.0, -60.0, 8.0, 30.0]:
            lx = mu + sigma * z
            x = math.exp(lx) if -745 < lx < 709 else None
            if x and x > 0 and math.isfinite(x):
                add_dp(refs, "dlnorm", d_lnorm, (x, mu, sigma), extreme=extreme, tail=abs(z) > 5)
                add_dp(refs, "plnorm", p_lnorm, (x, mu, sigma), extreme=extreme, tail=abs(z) > 5)
        for x in [DENORM, 1e-320, 1e-300, 1e-100, 1e-20, 1e-17, 1e100, HUGE]:
            add_dp(refs, "dlnorm", d_lnorm, (x, mu, sigma), extreme=True)
            add_dp(refs, "plnorm", p_lnorm, (x, mu, sigma), extreme=True)
    for mu, sigma in [(0.0, 1.0), (1.0, 0.5), (-300.0, 1.0), (300.0, 2.0), (0.0, 1e-3)]:
        extreme = abs(mu) > 100 or sigma < 0.1
        for prob, tail in quantile_probabilities():
            add_q(refs, "qlnorm", q_lnorm, (prob, mu, sigma), extreme=extreme, tail=tail)


def cauchy_family(refs):
    tail_z = [-1e3, -1e6, -1e8, -3e8, -1e9, -1e12, -1e15, -1e20, -1e50, -1e100, -1e150, -1e200,
              -1e300, 1e8, 1e20, 1e300]
    log_z = []
    location_scale(refs, "cauchy", d_cauchy, p_cauchy, q_cauchy, tail_z, log_z)
    for x, sigma in [(-HUGE, 1e-300), (1e160, 1.0), (1e155, 1e-10), (-1e200, 1e-200), (-1e300, DENORM)]:
        add_dp(refs, "dcauchy", d_cauchy, (x, 0.0, sigma), extreme=True)
        add_dp(refs, "pcauchy", p_cauchy, (x, 0.0, sigma), extreme=True)


def laplace_logistic(refs):
    tail_z = [-10.0, -19.0, -21.0, -30.0, -100.0, -700.0, -745.0, 30.0, 40.0, 100.0, 700.0]
    log_z = [-800.0, -1e5, -1e300]
    location_scale(refs, "laplace", d_laplace, p_laplace, q_laplace, tail_z, log_z)
    tail_z = [-15.0, -20.0, -20.4, -20.6, -21.0, -30.0, -37.0, -100.0, -700.0, -745.0, 30.0, 40.0, 100.0, 710.0]
    location_scale(refs, "logis", d_logis, p_logis, q_logis, tail_z, log_z)


def exponential(refs):
    for rate in [1.0, 2.5, 0.01]:
        for t in [1e-300, 1e-20, 1e-10, 1e-5, 0.01, 0.3, 1.0, 2.0, 5.0, 20.0]:
            add_dp(refs, "dexp", d_exp, (t / rate, rate))
            add_dp(refs, "pexp", p_exp, (t / rate, rate))
        for t in [40.0, 100.0, 700.0, 740.0, 800.0, 1e5, 1e300]:
            add_dp(refs, "dexp", d_exp, (t / rate, rate), tail=True)
            add_dp(refs, "pexp", p_exp, (t / rate, rate), tail=True)
        for prob, tail in quantile_probabilities():
            add_q(refs, "qexp", q_exp, (prob, rate), tail=tail)
    for rate in [1e-300, 1e-20, EPS / 2, 1e20, 1e300, DENORM]:
        for x in [DENORM, 1e-300, 1e-20, 1.0, 1e20, 1e300]:
            add_dp(refs, "dexp", d_exp, (x, rate), extreme=True)
            add_dp(refs, "pexp", p_exp, (x, rate), extreme=True)
        for prob in [DENORM, 1e-300, 1e-17, 0.5, BELOW_ONE]:
            add_q(refs, "qexp", q_exp, (prob, rate), extreme=True)


def uniform(refs):
    for a, b in [(0.0, 1.0), (-1.5, 2.5), (1e-300, 3e-300), (-HUGE, HUGE), (-HUGE, 0.0), (1e308, HUGE)]:
        extreme = abs(a) > 1 or abs(b) > 3 or b < 1e-100
        width = b / 2 - a / 2
        for f in [0.0, 1e-300, 1e-16, 0.25, 0.5, 0.75, 1 - 1e-16, 1.0]:
            x = a + 2 * (width * f) if math.isfinite(b - a) else (a / 2 + width * f) * 2
            if a <= x <= b:
                add_dp(refs, "dunif", d_unif, (x, a, b), extreme=extreme)
                add_dp(refs, "punif", p_unif, (x, a, b), extreme=extreme)
        for prob in [DENORM, 1e-300, 1e-16, 0.25, 0.5, 0.75, BELOW_ONE]:
            if a != 0 and 0.3 < prob < 0.7:
                continue  # a + (b - a) p crosses 0 there
            add_q(refs, "qunif", q_unif, (prob, a, b), extreme=extreme)


def weibull(refs):
    everyday = [(2.0, 1.0), (0.5, 3.0), (1.0, 2.0), (3.5, 0.7)]
    # Shape and scale are rejected below EPS; everything from there up is valid.
    extreme = [(1e-3, 1.0), (EPS, 1.0), (1e3, 1.0), (1e6, 2.5), (1e9, 1.0), (1e12, 1.0), (5.0, EPS),
               (5.0, 1e300), (0.3, 1e-10), (1e12, 1e-12), (1e-3, 1e200)]
    powers = [1e-300, 1e-100, 1e-20, 1e-10, 1e-5, 0.01, 0.1, 0.5, 1.0, 2.0, 5.0, 20.0, 100.0, 700.0,
              745.0, 1e5, 1e300]
    for shape, scale in everyday + extreme:
        is_extreme = (shape, scale) in extreme
        for t in powers:
            x = float(m(scale) * mp.power(m(t), 1 / m(shape)))
            if not (0 < x < math.inf):
                continue
            tail = t < 1e-5 or t > 20
            add_dp(refs, "dweibull", d_weibull, (x, shape, scale), extreme=is_extreme, tail=tail)
            add_dp(refs, "pweibull", p_weibull, (x, shape, scale), extreme=is_extreme, tail=tail)
        for prob, tail in quantile_probabilities():
            value = q_weibull(prob, shape, scale)
            if mp.mpf(DENORM) / 2 < value < mp.mpf(HUGE):
                add_q(refs, "qweibull", q_weibull, (prob, shape, scale), extreme=is_extreme, tail=tail)
    for x, shape, scale in [(HUGE, 1.0, 0.5), (1e-20, 0.1, 1.0), (1e-310, 2.0, 1.0), (1e-310, 0.5, 1.0),
                            (1e-20, 2.0, 1.0), (HUGE, 0.5, 1e300), (1e-300, 1.0, 1e10)]:
        add_dp(refs, "dweibull", d_weibull, (x, shape, scale), extreme=True)
        add_dp(refs, "pweibull", p_weibull, (x, shape, scale), extreme=True)


def bernoulli(refs):
    for prob in [0.0, 1e-300, 1e-20, 0.3, 0.7, 1 - 1e-17, BELOW_ONE, 1.0]:
        extreme = prob < 1e-10 or prob > 1 - 1e-10
        for x in [-2**62, -1, 0, 1, 2, 2**62]:
            add_dp(refs, "dbern", d_bern, (x, prob), extreme=extreme)
            add_dp(refs, "pbern", p_bern, (x, prob), extreme=extreme)
        for p in [DENORM, 1e-20, 0.3, 0.30000000000000004, 0.31, 0.5, BELOW_ONE]:
            add_q(refs, "qbern", q_bern, (p, prob), extreme=extreme)


def main():
    refs = References("closed_form")
    normal_family(refs)
    cauchy_family(refs)
    laplace_logistic(refs)
    exponential(refs)
    uniform(refs)
    weibull(refs)
    bernoulli(refs)
    path = refs.write()
    print(f"{path}: {sum(len(v) for v in refs.points.values())} points")


if __name__ == "__main__":
    main()
