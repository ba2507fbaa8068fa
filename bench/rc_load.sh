#!/bin/bash
# Times loading the shipped rigidity-cutoff grid through HAFITRCMgr against
# `xmllint --noout` on the same file, in the same run. Target: at most 1.5 times
# xmllint's time.
#
#   bench/rc_load.sh [BUILD_DIR]     (BUILD_DIR configured with -DSEUFIT_BENCH=ON;
#                                     default build-bench, configured if absent)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
file=$root/data/fit/RigidityCutoff.xml
[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -DSEUFIT_BENCH=ON -DSEUFIT_TESTS=OFF >/dev/null
cmake --build "$build" --target rc_load -j2 >/dev/null
exe=$build/bench/rc_load

json=$(mktemp)
trap 'rm -f "$json"' EXIT
hyperfine -N --warmup 5 --runs 40 --export-json "$json" \
  -n rc_load "$exe $file" -n xmllint "xmllint --noout $file"
python3 - "$json" <<'PY'
import json, sys
r = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
ours, ref = r["rc_load"]["mean"], r["xmllint"]["mean"]
ratio = ours / ref
print(f"rc_load {ours*1e3:.1f} ms, xmllint {ref*1e3:.1f} ms: {ratio:.2f}x xmllint (target <= 1.5x)")
sys.exit(0 if ratio <= 1.5 else 1)
PY
