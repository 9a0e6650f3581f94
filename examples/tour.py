"""A short tour of quantora: scalar and array calls, broadcasting, log flags and seeded engines."""
import numpy as np

import quantora as q

print(q.__doc__)

print("\nScalars in, a Python float out:")
print("  dnorm(0.0)             =", q.dnorm(0.0))
print("  pnorm(1.96)            =", q.pnorm(1.96))
print("  qnorm(0.975)           =", q.qnorm(0.975))
print("  pgamma(2.0, 3.0, 1.0)  =", q.pgamma(2.0, 3.0, 1.0))
print("  qt(0.975, 10.0)        =", q.qt(0.975, 10.0))
print("  dbinom(3, 10, 0.5)     =", q.dbinom(3, 10, 0.5))

print("\nArrays in, a float64 array out:")
print("  qbeta([0.1, 0.5, 0.9], 2.0, 5.0) =", q.qbeta([0.1, 0.5, 0.9], 2.0, 5.0))

print("\nBroadcasting over every argument (x down the rows, mu across the columns):")
print(q.dnorm([[0.0], [1.0]], [0.0, 1.0, 2.0]))

print("\nLog flags are arguments like the others:")
print("  dnorm(1.0, 0, 1, [False, True]) =", q.dnorm(1.0, 0, 1, [False, True]))
print("  ppois(2, 30.0, log_p=True)      =", q.ppois(2, 30.0, log_p=True))

print("\nInvalid parameters give NaN, never an exception:")
print("  dnorm(0.0, 0.0, -1.0) =", q.dnorm(0.0, 0.0, -1.0))

print("\nSeeded engines fix the random stream:")
a = q.rnorm(0.0, 1.0, 3, q.Engine(2024))
b = q.rnorm(0.0, 1.0, 3, q.Engine(2024))
print("  rnorm(0, 1, 3, Engine(2024)) =", a)
print("  the same seed again          =", b, "(identical)" if np.array_equal(a, b) else "(DIFFERENT)")
e = q.Engine(7)
print("  rgamma(2.0, 1.0, [2, 3], e) =\n", q.rgamma(2.0, 1.0, [2, 3], e))
print("  rbinom(10, 0.3, 5, e)       =", q.rbinom(10, 0.3, 5, e))
draws = q.rexp(2.0, 100000, e)
print("  mean of 100000 rexp(2.0) draws =", draws.mean(), "(expected 0.5)")
