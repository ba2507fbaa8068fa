#!/usr/bin/env bash
# Loading a large Yosys JSON netlist: seufit's streaming netlist reader against Python's
# json.load on the same file, runs alternating so that both see the same machine load,
# and seufit's peak memory against the file size.
#
#   bench/netlist_load.sh [SEUFIT_EXE] [CELLS]     (defaults: build/seufit, 1000000)
#
# Targets: at least 5 times as fast as json.load (CPU time, best of the runs), peak RSS at
# most the file size.
set -eu
src=$(cd "$(dirname "$0")/.." && pwd)
exe=${1:-$src/build/seufit}
cells=${2:-1000000}
runs=3
if [ ! -x /usr/bin/time ]; then
  echo "needs /usr/bin/time: apt-get install time" >&2
  exit 1
fi
export SEUFIT_DATA_PATH="$src/data"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

file="$work/netlist.json"
python3 "$src/tools/gen_netlist.py" "$cells" -o "$file"
size=$(stat -c %s "$file")
cat "$file" >/dev/null  # both readers start from the page cache

: >"$work/s"
: >"$work/p"
for _ in $(seq $runs); do
  /usr/bin/time -f "%e %U %S %M" -o "$work/t" "$exe" check --load-only --part z9-s1 "$file" >/dev/null
  cat "$work/t" >>"$work/s"
  /usr/bin/time -f "%e %U %S %M" -o "$work/t" \
    python3 -c "import json,sys; json.load(open(sys.argv[1]))" "$file" >/dev/null
  cat "$work/t" >>"$work/p"
done
best() {
  awk 'NR == 1 || $1 < w { w = $1 } NR == 1 || $2 + $3 < c { c = $2 + $3 } $4 > r { r = $4 }
       END { printf "%.2f %.2f %d\n", w, c, r }' "$1"
}
read -r s_wall s_cpu s_rss < <(best "$work/s")
read -r p_wall p_cpu p_rss < <(best "$work/p")
"$exe" check --part z9-s1 "$file" | sed -n '/instances/p'

awk -v cells="$cells" -v size="$size" -v sw="$s_wall" -v sc="$s_cpu" -v sr="$s_rss" \
    -v pw="$p_wall" -v pc="$p_cpu" -v pr="$p_rss" 'BEGIN {
  printf "file            %d cells, %.1f MiB\n", cells, size / 1048576
  printf "seufit load     %6.2f s wall  %6.2f s cpu  peak RSS %.1f MiB\n", sw, sc, sr / 1024
  printf "python json     %6.2f s wall  %6.2f s cpu  peak RSS %.1f MiB\n", pw, pc, pr / 1024
  speed = pc / sc; ratio = sr * 1024 / size
  printf "speed-up        %.2f x cpu (%.2f x wall), target at least 5\n", speed, pw / sw
  printf "RSS / file size %.2f, target at most 1\n", ratio
  met = speed >= 5 && ratio <= 1
  print met ? "targets met" : "TARGETS MISSED"
  exit !met
}'
