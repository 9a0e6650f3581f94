#pragma once
// The two terms of the saddle-point form of the binomial and Poisson masses
// (and of the gamma density): the error of Stirling's formula and the
// deviance. Written this way a mass such as
//     e^-m m^x / x! = exp(-stirling_error(x) - deviance(x, m)) / sqrt(2 pi x)
// keeps its relative accuracy for large x and m, where ln Γ(x + 1), x ln m and
// m are each large and their difference cancels.

namespace quantora {

// ln Γ(n + 1) - (n + 1/2) ln n + n - ln sqrt(2 pi), for n > 0 (+infinity at 0).
double stirling_error(double n);

// x ln(x/m) + m - x >= 0, for x >= 0 and m > 0, with no cancellation when x is
// close to m.
double deviance(double x, double m);

// The same for m known both as a value and through d = x - m to full
// accuracy: from d within a tenth of x, where m as a double has lost the low
// bits of d; from m beyond, where d would lose those of m.
double deviance_from_difference(double x, double d, double m);

}  // namespace quantora
