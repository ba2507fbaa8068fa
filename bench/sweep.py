#!/usr/bin/env python3
"""Design.sweep against report(): the cost of one condition each way, in one process.

  PYTHONPATH=BUILD/python /usr/bin/python3 bench/sweep.py [--rounds N] [--design D]

Pinned to one CPU (--cpu), round by round, alternating: a sweep of 151 altitudes x 181 latitudes (27,331 conditions),
then 50 report() calls at conditions of that grid. Prints the conditions per second of each,
the ratio (report time per condition / sweep time per condition) as a median with its
spread, and exits 1 when the sweep's median rate is below --min-rate (default 100000
conditions per second: a machine-dependent figure, stated with the CPU it ran on).
"""
import argparse
import os
import platform
import statistics
import sys
import time
import warnings

import seufit

parser = argparse.ArgumentParser()
parser.add_argument("--rounds", type=int, default=5)
parser.add_argument("--design", default="examples/zerith9_accel.json")
parser.add_argument("--min-rate", type=float, default=100000.0)
parser.add_argument("--cpu", type=int, default=min(os.sched_getaffinity(0)))
args = parser.parse_args()
# One CPU for both sides: this machine's CPUs differ in speed (see README.md).
os.sched_setaffinity(0, {args.cpu})
os.chdir(os.path.join(os.path.dirname(__file__), ".."))
warnings.simplefilter("ignore", seufit.SeufitWarning)
design = seufit.load(args.design)
altitudes = [a * 100.0 for a in range(151)]
latitudes = list(range(-90, 91))
calls = 50

sweep_rates, report_rates, ratios = [], [], []
for round_ in range(args.rounds + 1):  # the first is a warm-up
    t = time.process_time()
    n = len(design.sweep(altitude=altitudes, latitude=latitudes))
    sweep_s = (time.process_time() - t) / n
    t = time.process_time()
    for i in range(calls):
        design.report(altitude=altitudes[(i * 37) % 151], latitude=latitudes[(i * 11) % 181])
    report_s = (time.process_time() - t) / calls
    if round_:
        sweep_rates.append(1 / sweep_s)
        report_rates.append(1 / report_s)
        ratios.append(report_s / sweep_s)

cpu = next((line.split(":", 1)[1].strip() for line in open("/proc/cpuinfo")
            if line.startswith("model name")), platform.processor())
rate = statistics.median(sweep_rates)
print(f"CPU: {cpu}")
print(f"sweep:  {rate:,.0f} conditions/s (spread {min(sweep_rates):,.0f} to {max(sweep_rates):,.0f})")
print(f"report: {statistics.median(report_rates):,.1f} calls/s")
print(f"report/sweep per condition: {statistics.median(ratios):,.0f}x "
      f"(spread {min(ratios):,.0f} to {max(ratios):,.0f})")
met = rate >= args.min_rate
print(f"sweep rate at least {args.min_rate:,.0f}/s: {'met' if met else 'not met'}")
sys.exit(0 if met else 1)
