#!/usr/bin/env bash
# Design.sweep against report(), in one Python process pinned to one CPU (bench/sweep.py):
# the sweep's conditions per second (target: at least 100,000, machine-dependent) and how
# many times cheaper a condition is than a report() call.
#   bench/sweep.sh [BUILD_DIR] [sweep.py options]
. "$(dirname "$0")/prelude.sh"
cmake --build "$build" -j2 --target seufit_python >/dev/null || exit 1
out=$(PYTHONPATH="$build/python" "$py" "$src/bench/sweep.py" "$@")
rc=$?
echo "$out"
[ -n "${SEUFIT_BENCH_SUMMARY:-}" ] && echo "$out" | grep -E "^(sweep rate|report/sweep)" >>"$SEUFIT_BENCH_SUMMARY"
exit $rc
