"""Draws the density (or mass) and the distribution function of all seventeen
distributions into one image.

    pip install ".[gallery]" && python examples/gallery.py [OUTPUT.png]
"""
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt
import numpy as np

import quantora as q

# name, parameter sets (each drawn as one curve), x range, discrete?
GALLERY = [
    ("norm", [(0.0, 1.0), (1.0, 0.5), (-1.0, 2.0)], (-5, 5), False),
    ("bern", [(0.3,), (0.7,)], (-1, 2), True),
    ("beta", [(2.0, 5.0), (0.5, 0.5), (5.0, 1.0)], (0, 1), False),
    ("binom", [(20, 0.5), (20, 0.2)], (0, 20), True),
    ("cauchy", [(0.0, 1.0), (1.0, 0.5)], (-6, 6), False),
    ("chisq", [(1.0,), (3.0,), (6.0,)], (0, 15), False),
    ("exp", [(0.5,), (1.0,), (2.0,)], (0, 5), False),
    ("f", [(5.0, 10.0), (10.0, 30.0), (2.0, 4.0)], (0, 5), False),
    ("gamma", [(1.0, 2.0), (2.0, 1.0), (5.0, 0.5)], (0, 10), False),
    ("invgamma", [(2.0, 1.0), (3.0, 1.0), (3.0, 0.5)], (0, 3), False),
    ("laplace", [(0.0, 1.0), (1.0, 2.0)], (-6, 6), False),
    ("lnorm", [(0.0, 1.0), (0.0, 0.5), (1.0, 0.25)], (0, 5), False),
    ("logis", [(0.0, 1.0), (2.0, 0.5)], (-6, 6), False),
    ("pois", [(1.0,), (4.0,), (10.0,)], (0, 20), True),
    ("t", [(1.0,), (3.0,), (30.0,)], (-5, 5), False),
    ("unif", [(0.0, 1.0), (-1.0, 2.0)], (-2, 3), False),
    ("weibull", [(0.5, 1.0), (1.5, 1.0), (5.0, 1.0)], (0, 2.5), False),
]


def draw(axes, name, params, span, discrete):
    density, cdf = getattr(q, "d" + name), getattr(q, "p" + name)
    ax_d, ax_p = axes
    if discrete:
        x = np.arange(span[0], span[1] + 1)
    else:
        x = np.linspace(span[0], span[1], 400)
    for args in params:
        label = ", ".join(f"{a:g}" for a in args)
        if discrete:
            ax_d.plot(x, density(x, *args), "o-", ms=3, lw=0.8, label=label)
            ax_p.step(x, cdf(x, *args), where="post", lw=1.2)
        else:
            ax_d.plot(x, density(x, *args), lw=1.2, label=label)
            ax_p.plot(x, cdf(x, *args), lw=1.2)
    ax_d.set_title(f"d{name}", fontsize=9)
    ax_p.set_title(f"p{name}", fontsize=9)
    ax_d.legend(fontsize=6, frameon=False)
    for ax in axes:
        ax.tick_params(labelsize=6)


def main(output):
    rows = 6
    fig, axes = plt.subplots(rows, 6, figsize=(15, 13), constrained_layout=True)
    flat = axes.reshape(rows, 3, 2).reshape(-1, 2)
    for pair, (name, params, span, discrete) in zip(flat, GALLERY):
        draw(pair, name, params, span, discrete)
    for pair in flat[len(GALLERY):]:
        for ax in pair:
            ax.axis("off")
    fig.suptitle("quantora: densities and distribution functions", fontsize=12)
    fig.savefig(output, dpi=90)
    print("wrote", output)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "docs/gallery.png")
