#!/usr/bin/env python3
"""Times commands in turn, A B A B ... (or A B C A B C ...), and checks ratios between them.

  alternate.py [--runs N] [--cpu N] [--summary FILE] NAME
               --run LABEL 'COMMAND' --run LABEL 'COMMAND' [--run ...]
               [--ratio A/B METRIC MAX ...] [--bytes LABEL FILE ...]
               [--rss LABEL FILE MAX ...] [--rss-per LABEL COUNT MAX ...]

One warm-up round is not counted; then each of N rounds runs every command once, in the
order given, so that all of them see the same load of a shared machine. Per run it takes
the wall time around the finished process and, from the kernel's accounting of the
child (wait4), its user and system CPU time and peak RSS; both are printed apart, and cpu
is their sum. A child starts from a copy of
this script's memory, so the kernel never reports a peak below that copy: the floor,
measured once with `true`, is printed, and a peak at the floor means "at most this".

--cpu N                  every run is pinned to CPU N (default: the first CPU this script
                         may use). Both sides of a ratio then run on the same CPU: on a
                         virtual machine one CPU may be much slower than another (here 1.6
                         times, measured), and a pair split between them measures the CPUs.
--ratio A/B METRIC MAX   METRIC is cpu, user, sys or wall: the ratio A/B is taken round
                         by round; its median must be at most MAX. Printed with its spread
                         (min to max over the rounds). MAX "-" prints the ratio without a
                         target.
--bytes LABEL FILE       LABEL's times count per byte of FILE in every ratio with another
                         label given --bytes (two front ends compared on files of different
                         sizes of the same design).
--rss LABEL FILE MAX     the peak RSS of LABEL, largest over the rounds, at most MAX times
                         the size of FILE.
--rss-per LABEL N MAX    the peak RSS of LABEL, largest over the rounds, divided by N (the
                         instances of the design, say), at most MAX bytes ("-": no
                         target). The whole peak counts, the floor included.

Every command must exit 0: a failed run is no measurement, and the script says so. A
check that misses its target prints "not met" and the script exits 1. --summary appends
one line per check to FILE. Output of the commands is thrown away.
"""
import argparse
import os
import shlex
import statistics
import sys
import time


class Failed(Exception):
    pass


METRICS = ("cpu", "user", "sys", "wall")


def metric(run, name):
    """One figure of a run (wall, user, sys, rss) in seconds."""
    wall, user, sys_, _ = run
    return {"wall": wall, "user": user, "sys": sys_, "cpu": user + sys_}[name]


def once(argv):
    """Runs argv with no output; returns (wall s, user s, sys s, peak RSS bytes)."""
    devnull = os.open(os.devnull, os.O_WRONLY)
    try:
        actions = [(os.POSIX_SPAWN_DUP2, devnull, 1), (os.POSIX_SPAWN_DUP2, devnull, 2)]
        start = time.perf_counter()
        pid = os.posix_spawnp(argv[0], argv, os.environ, file_actions=actions)
        _, status, usage = os.wait4(pid, 0)
        wall = time.perf_counter() - start
    finally:
        os.close(devnull)
    code = os.waitstatus_to_exitcode(status)
    if code != 0:
        raise Failed(f"{shlex.join(argv)} exited with {code}")
    return wall, usage.ru_utime, usage.ru_stime, usage.ru_maxrss * 1024


def spread(values, fmt):
    return f"{fmt(statistics.median(values))} ({fmt(min(values))} to {fmt(max(values))})"


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--runs", type=int, default=9)
    ap.add_argument("--summary")
    ap.add_argument("--cpu", type=int)
    ap.add_argument("--run", nargs=2, action="append", metavar=("LABEL", "COMMAND"), required=True)
    ap.add_argument("--ratio", nargs=3, action="append", default=[], metavar=("A/B", "METRIC", "MAX"))
    ap.add_argument("--bytes", nargs=2, action="append", default=[], metavar=("LABEL", "FILE"))
    ap.add_argument("--rss", nargs=3, action="append", default=[], metavar=("LABEL", "FILE", "MAX"))
    ap.add_argument("--rss-per", nargs=3, action="append", default=[], metavar=("LABEL", "N", "MAX"))
    ap.add_argument("name")
    args = ap.parse_args()
    labels = [label for label, _ in args.run]
    if len(args.run) < 2 or len(set(labels)) != len(labels) or args.runs < 1:
        ap.error("needs at least two --run of different labels and --runs of at least 1")
    for pair, name, _ in args.ratio:
        a, _, b = pair.partition("/")
        if a not in labels or b not in labels or name not in METRICS:
            ap.error(f"--ratio {pair} {name}: needs A/B of two labels and one of "
                     + ", ".join(METRICS))
    for option, label in ([("--rss", r[0]) for r in args.rss] + [("--rss-per", r[0]) for r in args.rss_per]
                          + [("--bytes", r[0]) for r in args.bytes]):
        if label not in labels:
            ap.error(f"{option} {label}: no --run of that label")
    per_byte = {label: os.stat(path).st_size for label, path in args.bytes}

    allowed = sorted(os.sched_getaffinity(0))
    cpu = allowed[0] if args.cpu is None else args.cpu
    if cpu not in allowed:
        ap.error(f"--cpu {cpu}: this script may use CPUs {allowed}")
    os.sched_setaffinity(0, {cpu})  # children inherit it
    commands = [shlex.split(cmd) for _, cmd in args.run]
    runs = {label: [] for label in labels}
    try:
        floor = once(["true"])[3]
        for cmd in commands:  # warm-up round
            once(cmd)
        for _ in range(args.runs):
            for label, cmd in zip(labels, commands):
                runs[label].append(once(cmd))
    except Failed as e:
        line = f"{args.name}: failed ({e}); not met"
        print(line)
        if args.summary:
            with open(args.summary, "a") as f:
                print(line, file=f)
        return 1

    print(f"{args.name}: {args.runs} rounds after one warm-up round on CPU {cpu}; median"
          f" (min to max); peak RSS floor {floor / 1048576:.1f} MiB")
    ms = lambda s: f"{s * 1e3:.1f}"
    mib = lambda b: f"{b / 1048576:.1f}"
    for label in labels:
        r = runs[label]
        print(f"  {label:<10} wall {spread([metric(x, 'wall') for x in r], ms)} ms"
              f"  user {spread([metric(x, 'user') for x in r], ms)} ms"
              f"  sys {spread([metric(x, 'sys') for x in r], ms)} ms"
              f"  peak RSS {spread([x[3] for x in r], mib)} MiB"
              + (f"  ({per_byte[label]:,} bytes)" if label in per_byte else ""))

    checks = []
    for pair, name, limit in args.ratio:
        a, _, b = pair.partition("/")
        # Per byte only when both sides are: a floor such as read() is compared as a whole.
        both = a in per_byte and b in per_byte
        scale = per_byte[b] / per_byte[a] if both else 1
        ratios = [metric(x, name) / max(metric(y, name), 1e-9) * scale
                  for x, y in zip(runs[a], runs[b])]
        what = f"{pair} {name}" + (" per byte" if both else "")
        checks.append((what, ratios, None if limit == "-" else float(limit), "x"))
    for label, path, limit in args.rss:
        size = os.stat(path).st_size
        checks.append((f"{label} peak RSS / file", [r[3] / size for r in runs[label]], float(limit), "x"))
    for label, count, limit in args.rss_per:
        n = int(count)
        checks.append((f"{label} peak RSS per {n:,}", [r[3] / n for r in runs[label]],
                       None if limit == "-" else float(limit), " bytes"))

    status = 0
    lines = []
    for what, ratios, limit, unit in checks:
        # RSS is held to its largest run, a time ratio to its median.
        value = max(ratios) if "RSS" in what else statistics.median(ratios)
        verdict = "no target"
        if limit is not None:
            met = value <= limit
            status |= not met
            verdict = f"target at most {limit:g}: {'met' if met else 'not met'}"
        digits = 1 if unit == " bytes" else 3
        lines.append(f"{args.name}: {what} {value:.{digits}f}{unit} (spread {min(ratios):.{digits}f} to "
                     f"{max(ratios):.{digits}f}), {verdict}")
    for line in lines:
        print("  " + line)
    if args.summary:
        with open(args.summary, "a") as f:
            for line in lines:
                print(line, file=f)
    return status


if __name__ == "__main__":
    sys.exit(main())
