#!/usr/bin/env bash
# Every benchmark in one run, then every ratio with its spread and verdict:
#   design loading   1,000,000 and 4,000,000 leaves against a no-op SAX parse; bytes/instance
#   netlist loading  a 1,000,000-cell Yosys JSON netlist against json.load and the SAX parse
#   EDIF loading     a 1,000,000-instance EDIF netlist against its Yosys JSON twin, per byte
#   cutoff grid      RigidityCutoff.xml through HAFITRCMgr against xmllint --noout
#   expat floor      seufit report of each example against an expat parse of the grid
#   walk             doubling and deep hierarchies against the report of an example;
#                    occurrences visited per second (walk_bench)
#   end to end       seufit report on each example and on 1,000,000-instance designs
#   hostile inputs   inputs that once cost more than their size, at a size and four times it
#
#   bench/run_all.sh [BUILD_DIR]     (default build-bench: Release, -DSEUFIT_BENCH=ON)
#
# About ten minutes on 2 cores; run it while nothing else compiles. Exits 1 when any target
# is not met or a benchmark fails.
set -uo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$src/build-bench}
bash "$src/scripts/install-deps.sh"
cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release -DSEUFIT_BENCH=ON >/dev/null || exit 1
cmake --build "$build" -j2 --target seufit rc_load walk_bench json_sax_noop expat_floor \
  >/dev/null || exit 1

logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
export SEUFIT_BENCH_SUMMARY=$logs/summary
: >"$SEUFIT_BENCH_SUMMARY"
failed=()
run() {
  local name=$1
  shift
  echo "== $name"
  bash "$@" || failed+=("$name")
  echo
}
run "design loading" "$src/bench/design_load.sh" "$build"
run "netlist loading" "$src/bench/netlist_load.sh" "$build"
run "EDIF netlist loading" "$src/bench/edif_load.sh" "$build"
run "cutoff grid" "$src/bench/rc_load.sh" "$build"
run "report against the expat floor" "$src/bench/expat_floor.sh" "$build"
run "walk of doubling and deep designs" "$src/bench/walk.sh" "$build"
echo "== design walk in memory"
"$build/bench/walk_bench" --benchmark_out="$logs/walk.json" --benchmark_out_format=json \
  >/dev/null || failed+=("walk_bench")
run "seufit report end to end" "$src/bench/e2e.sh" "$build"
run "hostile inputs" "$src/bench/hostile.sh" "$build"
run "sweeps" "$src/bench/sweep.sh" "$build"

echo "================ summary ================"
cat "$SEUFIT_BENCH_SUMMARY"
/usr/bin/python3 - "$logs/walk.json" <<'PY'
import json, sys
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    name = b["name"].split("/")[0].replace("BM_Walk", "")
    print(f"walk {name:<13} {b['items_per_second'] / 1e6:7.1f} M occurrences/s"
          f"  ({b['real_time']:.1f} ms for {int(b['occurrences']):,})")
PY
missed=$(grep -c "not met" "$SEUFIT_BENCH_SUMMARY")
if [ "$missed" -gt 0 ] || [ "${#failed[@]}" -gt 0 ]; then
  echo "not met: $missed target(s); benchmarks with a miss or failure: ${failed[*]}"
  exit 1
fi
echo "every target met"
