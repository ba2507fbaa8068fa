#!/usr/bin/env bash
# seufit report end to end: every example design, and generated designs of 1,000,000
# instances (flat: a million leaves written in the file; shared: one 1,000-leaf cell
# instantiated 1,000 times). Mean wall time with hyperfine, peak RSS with /usr/bin/time.
#
#   bench/e2e.sh [BUILD_DIR] [LEAVES]      (default 1000000)
#
# No target and no ratio: the figures go into bench/README.md. Prints one row per design.
. "$(dirname "$0")/prelude.sh"
set -e
leaves=${1:-1000000}
for tool in hyperfine /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "needs $tool" >&2; exit 1; }
done

"$py" "$src/tools/gen_design.py" flat "$leaves" -o "$work/flat_${leaves}.json"
copies=1000
"$py" "$src/tools/gen_design.py" shared $((leaves / copies)) "$copies" -o "$work/shared_${leaves}.json"

designs=("$src"/examples/*.json "$work/flat_${leaves}.json" "$work/shared_${leaves}.json")
printf '%-22s %12s %10s %12s %12s %14s\n' design occurrences "file KiB" "mean ms" "± ms" "peak RSS MiB"
for d in "${designs[@]}"; do
  name=$(basename "$d" .json)
  occ=$("$exe" check "$d" | sed -n 's/^  instances *\([0-9]*\) in the hierarchy.*/\1/p')
  size=$(( $(stat -c %s "$d") / 1024 ))
  cat "$d" >/dev/null  # from the page cache, like every later run
  runs=20
  [ "$occ" -gt 100000 ] && runs=5
  hyperfine -N --warmup 1 --runs "$runs" --export-json "$work/h.json" \
    "$exe report $d" >/dev/null 2>&1
  read -r mean sd < <("$py" -c 'import json, sys
r = json.load(open(sys.argv[1]))["results"][0]
print("%.1f %.1f" % (r["mean"] * 1e3, r["stddev"] * 1e3))' "$work/h.json")
  /usr/bin/time -v -o "$work/t" "$exe" report "$d" >/dev/null
  rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/t")
  printf '%-22s %12s %10s %12s %12s %14s\n' "$name" "$occ" "$size" "$mean" "$sd" \
    "$(awk -v k="$rss" 'BEGIN { printf "%.1f", k / 1024 }')"
done
