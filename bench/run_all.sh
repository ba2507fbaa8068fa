#!/usr/bin/env bash
# Every benchmark in one run, with the figures side by side at the end:
#   design loading      seufit check --load-only against python3 json.load (design_load.sh)
#   netlist loading     a 1,000,000-cell Yosys JSON netlist against json.load (netlist_load.sh)
#   cutoff grid         RigidityCutoff.xml through HAFITRCMgr against xmllint --noout (rc_load.sh)
#   walk                instance occurrences visited per second (walk_bench)
#   end to end          seufit report on each example and on 1,000,000-instance designs (e2e.sh)
#
#   bench/run_all.sh [BUILD_DIR]     (default build-bench: Release, -DSEUFIT_BENCH=ON)
#
# Takes a few minutes on 2 cores. Exits 1 when a benchmark with a target misses it.
set -uo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$src/build-bench}
bash "$src/scripts/install-deps.sh"
cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release -DSEUFIT_BENCH=ON -DSEUFIT_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target seufit rc_load walk_bench >/dev/null || exit 1

logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
missed=()

echo "== design loading (1,000,000 leaves) against python3 json.load"
bash "$src/bench/design_load.sh" "$build/seufit" | tee "$logs/design" || missed+=("design loading")
echo
echo "== Yosys JSON netlist loading (1,000,000 cells) against python3 json.load"
bash "$src/bench/netlist_load.sh" "$build/seufit" | tee "$logs/netlist" || missed+=("netlist loading")
echo
echo "== RigidityCutoff.xml against xmllint --noout"
bash "$src/bench/rc_load.sh" "$build" | tee "$logs/rc" || missed+=("cutoff grid")
echo
echo "== design walk"
"$build/bench/walk_bench" --benchmark_out="$logs/walk.json" --benchmark_out_format=json \
  || missed+=("walk")
echo
echo "== walk of doubling and deep hierarchies, against the report of an example"
bash "$src/bench/walk.sh" "$build/seufit" | tee "$logs/walkcli" || missed+=("walk of doubling designs")
echo
echo "== seufit report end to end"
bash "$src/bench/e2e.sh" "$build/seufit" | tee "$logs/e2e" || missed+=("end to end")

echo
echo "================ summary ================"
sed -n 's/^speed-up */design load speed-up over json.load: /p; s/^RSS \/ file size */design load peak RSS \/ file size: /p' "$logs/design"
sed -n 's/^speed-up */netlist load speed-up over json.load: /p; s/^RSS \/ file size */netlist load peak RSS \/ file size: /p' "$logs/netlist"
sed -n 's/^rc_load/cutoff grid: rc_load/p' "$logs/rc"
python3 - "$logs/walk.json" <<'PY'
import json, sys
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    name = b["name"].split("/")[0].replace("BM_Walk", "")
    print(f"walk {name:<13} {b['items_per_second'] / 1e6:7.1f} M occurrences/s"
          f"  ({b['real_time']:.1f} ms for {int(b['occurrences']):,})")
PY
cat "$logs/walkcli"
awk 'NR > 1 { printf "report %-22s %8s ms  %7s MiB  (%s occurrences)\n", $1, $4, $6, $2 }' "$logs/e2e"
# The same generated million-leaf file as design_load.sh: the whole report against json.load alone.
py=$(sed -n 's/^python json *\([0-9.]*\) s wall.*/\1/p' "$logs/design")
awk -v py="$py" '$1 ~ /^flat_/ && py > 0 {
  printf "report %s end to end: %.2fx python3 json.load of the same file (%.0f ms)\n", $1, $4 / (py * 1000), py * 1000 }' "$logs/e2e"
if [ "${#missed[@]}" -gt 0 ]; then
  echo "missed or failed: ${missed[*]}"
  exit 1
fi
