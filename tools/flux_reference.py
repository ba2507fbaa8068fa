#!/usr/bin/env python3
"""Independent evaluation of the relative neutron flux models, step by step.

Float steps are rounded to IEEE single precision with struct; exp, pow and powf are
the C library's own (through ctypes), so the figures match a C++ build on the same
libm bit for bit. Prints one line per case with the result as a C hex-float literal;
the flux unit tests embed these figures.

usage: tools/flux_reference.py
"""
import ctypes
import ctypes.util
import struct

libm = ctypes.CDLL(ctypes.util.find_library("m"))
libm.powf.restype = ctypes.c_float
libm.powf.argtypes = [ctypes.c_float, ctypes.c_float]
libm.exp.restype = ctypes.c_double
libm.exp.argtypes = [ctypes.c_double]
libm.pow.restype = ctypes.c_double
libm.pow.argtypes = [ctypes.c_double, ctypes.c_double]


def f32(x):
    """Round a Python float (double) to the nearest single-precision value."""
    return struct.unpack("f", struct.pack("f", x))[0]


def fdiv(a, b):
    return f32(f32(a) / f32(b))


def fmul(a, b):
    return f32(f32(a) * f32(b))


def fsub(a, b):
    return f32(f32(a) - f32(b))


def fadd(a, b):
    return f32(f32(a) + f32(b))


def jedec(alt, rc):
    alt = f32(alt)
    p = f32(libm.pow((44331.514 - alt) / 11880.516, 5.255877))
    d = fdiv(p, f32(0.980665))
    q = fdiv(fsub(f32(1033.2), d), f32(131.3))
    A = libm.exp(q)
    rc = f32(rc)
    x = fdiv(p, f32(1000.0))
    X = x
    k1 = f32(libm.exp(-8.8 * X) * 0.24 + (1.4 - 0.56 * X))
    k2 = f32(libm.exp(-9.5 * X) * 0.18 + (1.32 - 0.49 * X))
    b1 = libm.exp(0.09 * X + 1.84 - 0.09 * libm.exp(fmul(f32(-11.0), x)))
    b2 = libm.exp(0.15 * X + 1.93 - 0.18 * libm.exp(fmul(f32(-10.0), x)))
    n1 = f32(-b1)
    n2 = f32(-b2)
    pw1 = libm.powf(rc, k1)
    pw2 = libm.powf(rc, k2)
    q1 = f32(n1 / pw1) if pw1 != 0 else float("-inf")
    q2 = f32(n2 / pw2) if pw2 != 0 else float("-inf")
    e1 = libm.exp(q1)
    e2 = libm.exp(q2)
    r1 = libm.exp(n1 / libm.pow(50.0, k1))
    r2 = libm.exp(n2 / libm.pow(50.0, k2))
    S1 = (1 - e1) * 1.098
    S2 = ((1 - r1) / (1 - r2)) * ((1 - e2) * 1.098)
    S = fadd(fmul(f32(0.5), f32(S2)), fmul(f32(0.5), f32(S1)))
    return fmul(S, f32(A))


def boeing(alt, lat):
    L = abs(lat)
    Lf = float(L)
    H = f32(f32(alt) * 3.28084 / 1000.0)
    if L <= 45:
        lat_f = f32(8.45867340958616e-06 * libm.pow(Lf, 3.0) - 7.74299943717693e-07 * (Lf * Lf)
                    - 0.000770914534451883 * Lf + 0.269899330862549)
    else:
        lat_f = f32(-3.2632563450952e-07 * libm.pow(Lf, 4.0) + 0.000101967262101073 * libm.pow(Lf, 3.0)
                    - 0.0119706260547978 * (Lf * Lf) + 0.627456616819336 * Lf - 10.9503925478769)
    if f32(40.0) >= H:
        alt_f = f32(4.67165018890325e-05 * libm.pow(H, 4.0) + 0.00246121694397061 * libm.pow(H, 3.0)
                    - 0.0257897275143932 * (H * H) + 1.59187364361787 * H + 0.549232376572945)
    else:
        alt_f = f32(-9.19540229099569e-08 * libm.pow(H, 6.0) + 3.0592396088297e-05 * libm.pow(H, 5.0)
                    - 0.00421131741535934 * libm.pow(H, 4.0) + 0.314401173291903 * libm.pow(H, 3.0)
                    - 14.0038951676768 * (H * H) + 370.308696147352 * H - 4203.9184759379)
    return fmul(alt_f, lat_f)


def relative(alt, rc, lat):
    return jedec(alt, rc) if f32(4572.0) > f32(alt) else boeing(alt, lat)


JEDEC_CASES = [(0.0, 2.0), (0.0, 10.0), (0.0, 0.0), (0.0, 2.1), (1000.0, 2.1), (1500.0, 0.55),
               (3000.0, 14.9), (4571.9, 2.0), (-100.0, 5.0)]
BOEING_CASES = [(4572.0, 45), (4572.0, -45), (4572.0, 46), (4572.0, -46), (12192.0, 40),
                (24384.0, 60), (24384.0, -90), (10000.0, 0), (12192.5, 70), (8000.0, 89)]

if __name__ == "__main__":
    for alt, rc in JEDEC_CASES:
        print(f"jedec  alt={alt!r:<8} rc={rc!r:<5} -> {jedec(alt, rc).hex()}  ({jedec(alt, rc)!r})")
    for alt, lat in BOEING_CASES:
        print(f"boeing alt={alt!r:<8} lat={lat:<4} -> {boeing(alt, lat).hex()}  ({boeing(alt, lat)!r})")
