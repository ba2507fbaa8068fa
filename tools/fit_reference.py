#!/usr/bin/env python3
"""Independent evaluation of the FIT and MTBF figures the report writer tests expect.

A class's FIT is rate x Mbit x flux x devices x temperature factor, taken in double
precision from single-precision inputs ((1 + bound) x rate is a single-precision product);
configuration, block and YRAM figures are then rounded once to single precision. MTBF in
years is 10^9 hours / FIT, per 24 hours, per 365 days. Each MTBF is also checked against
the exact quotient 10^9 / (FIT x 8760), so a wrong constant cannot pass unnoticed. Prints
every figure as a C hex-float literal; tests/shared/fit/base/WriterTest.cpp embeds them.

usage: tools/fit_reference.py
"""
from fractions import Fraction
import math
import struct


def f32(x):
    """Round a Python float (double) to the nearest single-precision value."""
    return struct.unpack("f", struct.pack("f", x))[0]


def mtbf(fit):
    years = 1e9 / fit * (1 / 24) * (1 / 365)
    exact = Fraction(10**9) / (Fraction(fit) * 8760)
    assert abs(Fraction(years) - exact) <= 4 * Fraction(math.ulp(years)), (fit, years)
    return years


def figures(rate, lower, upper, mbit, flux, devices, temp):
    """Nominal, lower and upper FIT, in double precision."""
    rate, lower, upper, flux, temp = map(f32, (rate, lower, upper, flux, temp))
    scale = lambda r: r * mbit * flux * devices * temp
    return (scale(rate), scale(f32(f32(1 + lower) * rate)), scale(f32(f32(1 + upper) * rate)))


def failures(fit_sum, months=12.0):
    return f32(1.0 / f32(mtbf(fit_sum)) * (months / 12.0))


def lit(x, single=False):
    mantissa, exponent = x.hex().split("p")
    mantissa = mantissa.rstrip("0").rstrip(".")
    return f"{mantissa}p{exponent}" + ("f" if single else "")


def show(name, x, single=False):
    print(f"{name:<28} {lit(x, single):<28} {x!r}")


if __name__ == "__main__":
    print("-- worked example: MTBF of 100, 200, 400, 160, 200, 260 FIT")
    for fit in (100, 200, 400, 160, 200, 260):
        show(f"mtbf({fit})", mtbf(float(fit)))

    print("-- HBM: 0.3 FIT/Mbit -30%/+40%, 65536000000 - 12345 bits, flux 1.5, 3 devices")
    nominal, lower, upper = figures(0.3, -0.3, 0.4, (65536000000.0 - 12345.0) / 1e6, 1.5, 3, 1.0)
    show("nominal", nominal)
    show("half", 0.5 * nominal)
    show("twice", nominal + nominal)
    show("lower", lower)
    show("upper", upper)
    show("mtbf(nominal)", mtbf(nominal))
    show("map nominal", f32(nominal), True)
    show("map half", f32(0.5 * nominal), True)

    print("-- block RAM: 0.3 FIT/Mbit -30%/+40%, 123457 bits, flux 1.7, 7 devices, 85 C")
    temp = f32(f32(f32(0.005) * f32(85.0)) + f32(0.86))
    nominal, lower, upper = figures(0.3, -0.3, 0.4, 123457 / 1e6, 1.7, 7, temp)
    nominal, lower, upper = f32(nominal), f32(lower), f32(upper)
    show("temperature factor", temp, True)
    show("nominal", nominal, True)
    show("half", f32(0.5 * nominal), True)
    show("twice", f32(nominal + nominal), True)
    show("lower", lower, True)
    show("upper", upper, True)
    show("mtbf(lower)", mtbf(lower))

    print("-- device failures per year")
    show("1000 FIT, 12 months", failures(1000.0), True)
    show("30500 FIT, 12 months", failures(f32(500.0 + 30000.0)), True)
