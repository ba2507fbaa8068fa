#!/usr/bin/env python3
"""Writes large synthetic seufit design files for benchmarks and tests.

  gen_design.py flat N            top holds N placed leaves
  gen_design.py shared K M        one cell of K leaves, instantiated M times in top
  gen_design.py deep D            a chain of D nested cells ending in one block RAM
  gen_design.py doubling D        D levels, each cell instantiating the next twice; the
                                  last holds a block RAM and a YRAM (2^D occurrences)

Leaves are a mix of what a placed netlist holds: LUTs with their truth tables,
flip-flops, carry chains, and every 1000th leaf a block RAM (every 5000th a FIFO)
with its mode and widths. Cell names come from the part's primitive library
(default part z9-s1, family Zerith9).
"""

import argparse
import sys


def leaf(i, indent):
    """One leaf instance line for index i."""
    x, y = (i // 16) % 200, (i // 3200) % 1000
    pad = " " * indent
    if i % 5000 == 4999:
        return (f'{pad}{{"name": "fifo_{i:07d}", "cell": "FIFO36", "site": "RAMB36_X{x % 12}Y{y % 240}", '
                f'"attributes": {{"FIFO_MODE": "FIFO36", "READ_WIDTH": 36, "WRITE_WIDTH": 36}}}}')
    if i % 1000 == 999:
        return (f'{pad}{{"name": "ram_{i:07d}", "cell": "RAMB36", "site": "RAMB36_X{x % 12}Y{y % 240}", '
                f'"attributes": {{"RAM_MODE": "TDP", "READ_WIDTH_A": 36, "WRITE_WIDTH_A": 36, '
                f'"READ_WIDTH_B": 36, "WRITE_WIDTH_B": 36}}}}')
    k = i % 10
    site = f"SLICE_X{x}Y{y}"
    if k < 5:
        init = (i * 0x9E3779B97F4A7C15) & 0xFFFFFFFFFFFFFFFF
        return (f'{pad}{{"name": "lut_{i:07d}", "cell": "LUT6", "site": "{site}", '
                f'"attributes": {{"INIT": "64\'h{init:016X}"}}}}')
    if k < 9:
        return (f'{pad}{{"name": "ff_{i:07d}", "cell": "FFR", "site": "{site}", '
                f'"attributes": {{"INIT": 0}}}}')
    return f'{pad}{{"name": "carry_{i:07d}", "cell": "CARRY8", "site": "{site}"}}'


def header(out, part, top):
    out.write('{\n  "seufit_design": 1,\n')
    out.write(f'  "part": "{part}",\n  "top": "{top}",\n  "cells": {{\n')


def write_instances(out, lines):
    out.write('      "instances": [\n')
    chunk = []
    first = True
    for line in lines:
        chunk.append(line)
        if len(chunk) == 10000:
            out.write(("" if first else ",\n") + ",\n".join(chunk))
            first = False
            chunk = []
    if chunk:
        out.write(("" if first else ",\n") + ",\n".join(chunk))
    out.write("\n      ]\n")


def flat(out, part, n):
    header(out, part, "top")
    out.write(f'    "top": {{\n      "nets": {n * 2},\n')
    write_instances(out, (leaf(i, 8) for i in range(n)))
    out.write("    }\n  }\n}\n")


def shared(out, part, k, m):
    header(out, part, "top")
    out.write(f'    "top": {{\n      "nets": {m * 4},\n')
    write_instances(out, (f'        {{"name": "blk_{j:06d}", "cell": "block"}}' for j in range(m)))
    out.write(f'    }},\n    "block": {{\n      "nets": {k * 2},\n')
    write_instances(out, (leaf(i, 8) for i in range(k)))
    out.write("    }\n  }\n}\n")


def deep(out, part, d):
    header(out, part, "c0")
    for level in range(d - 1):
        out.write(f'    "c{level}": {{"instances": [{{"name": "u", "cell": "c{level + 1}"}}]}},\n')
    out.write(f'    "c{d - 1}": {{"instances": [{{"name": "ram", "cell": "RAMB36"}}]}}\n')
    out.write("  }\n}\n")


def doubling(out, part, d):
    header(out, part, "c0")
    for level in range(d - 1):
        out.write(f'    "c{level}": {{"instances": [{{"name": "a", "cell": "c{level + 1}"}}, '
                  f'{{"name": "b", "cell": "c{level + 1}"}}]}},\n')
    out.write(f'    "c{d - 1}": {{"instances": [{{"name": "ram", "cell": "RAMB36", "attributes": '
              f'{{"RAM_MODE": "SDP", "READ_WIDTH_A": 72}}}}, {{"name": "y", "cell": "YRAM"}}]}}\n')
    out.write("  }\n}\n")


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("shape", choices=["flat", "shared", "deep", "doubling"])
    ap.add_argument("sizes", type=int, nargs="+", help="N; K M; or D")
    ap.add_argument("--part", default="z9-s1", help="catalogue part name (default z9-s1)")
    ap.add_argument("-o", "--output", help="output file (default: standard output)")
    args = ap.parse_args()
    want = {"flat": 1, "shared": 2, "deep": 1, "doubling": 1}[args.shape]
    if len(args.sizes) != want or min(args.sizes) < 1:
        ap.error(f"{args.shape} takes {want} positive size(s)")
    out = open(args.output, "w") if args.output else sys.stdout
    with out:
        if args.shape == "flat":
            flat(out, args.part, args.sizes[0])
        elif args.shape == "shared":
            shared(out, args.part, *args.sizes)
        elif args.shape == "deep":
            deep(out, args.part, args.sizes[0])
        else:
            doubling(out, args.part, args.sizes[0])


if __name__ == "__main__":
    main()
