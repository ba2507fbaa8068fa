#!/usr/bin/env python3
"""Times two commands in turn, A B A B ..., and prints the ratio A/B pair by pair.

  alternate.py [--runs N] [--target T] NAME 'COMMAND A' 'COMMAND B'

Each run's wall time is taken around the finished process; one warm-up pair is not
counted. Prints the medians, the ratio's median with its spread (min to max over the
pairs) and, with --target, "met" when the median ratio is at most T, else "not met"
(exit 1). Output of the commands is thrown away.
"""
import argparse
import shlex
import statistics
import subprocess
import sys
import time


def once(cmd):
    start = time.perf_counter()
    subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    return time.perf_counter() - start


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runs", type=int, default=9)
    ap.add_argument("--target", type=float)
    ap.add_argument("name")
    ap.add_argument("a")
    ap.add_argument("b")
    args = ap.parse_args()
    a, b = shlex.split(args.a), shlex.split(args.b)
    once(a), once(b)
    ta, tb, ratios = [], [], []
    for _ in range(args.runs):
        x, y = once(a), once(b)
        ta.append(x)
        tb.append(y)
        ratios.append(x / y)
    r = statistics.median(ratios)
    verdict = ""
    if args.target is not None:
        verdict = "  met" if r <= args.target else "  not met"
        verdict += f" (target at most {args.target:g})"
    print(f"{args.name:<28} A {statistics.median(ta) * 1e3:8.1f} ms  B {statistics.median(tb) * 1e3:8.1f} ms"
          f"  A/B {r:.2f} (min {min(ratios):.2f}, max {max(ratios):.2f}, {args.runs} pairs){verdict}")
    return 0 if args.target is None or r <= args.target else 1


if __name__ == "__main__":
    sys.exit(main())
