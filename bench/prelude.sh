# Sourced by the bench/*.sh scripts that time whole processes:
#   bench/SCRIPT.sh [BUILD_DIR] [ARGS...]     (BUILD_DIR default build-bench)
# sets src, build, exe (its seufit), py (/usr/bin/python3: the reference is the system's
# Python, not whatever is first on PATH), a scratch directory $work removed on exit, and
# alternate (bench/alternate.py, appending its verdicts to $SEUFIT_BENCH_SUMMARY when set).
# BUILD_DIR is a build configured with -DSEUFIT_BENCH=ON; built here if it is not yet.
set -uo pipefail
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$src/build-bench}
[ $# -gt 0 ] && shift
exe=$build/seufit
py=/usr/bin/python3
[ -x "$py" ] || { echo "needs $py" >&2; exit 1; }
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release -DSEUFIT_BENCH=ON -DSEUFIT_TESTS=OFF \
    >/dev/null || exit 1
fi
cmake --build "$build" -j2 --target seufit json_sax_noop expat_floor rc_load >/dev/null || exit 1
export SEUFIT_DATA_PATH="$src/data"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

alternate() {
  "$py" "$src/bench/alternate.py" ${SEUFIT_BENCH_SUMMARY:+--summary "$SEUFIT_BENCH_SUMMARY"} "$@"
}

# The page cache holds the file before any timed run reads it.
warm() { cat "$@" >/dev/null; }
