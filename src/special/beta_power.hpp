#pragma once
// The front factor of the beta law, x^a (1 - x)^b / B(a, b), as a logarithm
// that keeps its accuracy for every pair of positive shapes: tiny shapes,
// where ln Γ loses the low bits of its argument, and huge ones, where
// a ln x, b ln(1 - x) and ln B(a, b) are each enormous and their sum cancels.
// What depends only on the shapes is formed once.

namespace quantora {

// ln B(a, b) for finite a, b > 0, without the cancellation of the three
// log-gamma values when one shape is small beside the other.
double log_beta_value(double a, double b);

class BetaPower {
public:
    // Requires finite a, b > 0.
    BetaPower(double a, double b);

    // ln(x^a y^b / B(a, b)) for 0 < x < 1, with y = 1 - x given to full
    // relative accuracy (callers often know it better than 1 - x rounds).
    double log_at(double x, double y) const;

    double a() const { return a_; }
    double b() const { return b_; }

private:
    double a_;
    double b_;
    double sum_;
    // Saddle-point form: both shapes large enough for the Stirling errors.
    bool saddle_;
    // The shape-only part: ½ ln(ab/(2π(a + b))) - δ(a) - δ(b) + δ(a + b) in
    // the saddle-point form, -ln B(a, b) otherwise.
    double log_norm_;
};

}  // namespace quantora
