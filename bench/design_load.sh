#!/usr/bin/env bash
# Loading a large design: seufit's design loader against Python's json.load on the same
# file, and seufit's peak memory against the file size.
#
#   bench/design_load.sh [SEUFIT_EXE] [LEAVES]     (defaults: build/seufit, 1000000)
#
# Targets: loading at least 3 times as fast as json.load (CPU time, best of 3 runs, so
# that other load on the machine counts less), peak RSS at most 2.5 times the file size.
set -eu
src=$(cd "$(dirname "$0")/.." && pwd)
exe=${1:-$src/build/seufit}
leaves=${2:-1000000}
runs=3
if [ ! -x /usr/bin/time ]; then
  echo "needs /usr/bin/time: apt-get install time" >&2
  exit 1
fi
export SEUFIT_DATA_PATH="$src/data"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

file="$work/flat.json"
python3 "$src/tools/gen_design.py" flat "$leaves" -o "$file"
size=$(stat -c %s "$file")
cat "$file" >/dev/null  # both readers start from the page cache

# Best wall and CPU seconds and the largest peak RSS (KiB) over the runs of a command.
measure() {
  : >"$work/all"
  for _ in $(seq $runs); do
    /usr/bin/time -f "%e %U %S %M" -o "$work/t" "$@" >/dev/null
    cat "$work/t" >>"$work/all"
  done
  awk 'NR == 1 || $1 < w { w = $1 } NR == 1 || $2 + $3 < c { c = $2 + $3 } $4 > r { r = $4 }
       END { printf "%.2f %.2f %d\n", w, c, r }' "$work/all"
}

read -r s_wall s_cpu s_rss < <(measure "$exe" check --load-only "$file")
read -r p_wall p_cpu p_rss < <(measure python3 -c "import json,sys; json.load(open(sys.argv[1]))" "$file")
"$exe" check "$file" | sed -n '/instances/p'

awk -v leaves="$leaves" -v size="$size" -v sw="$s_wall" -v sc="$s_cpu" -v sr="$s_rss" \
    -v pw="$p_wall" -v pc="$p_cpu" -v pr="$p_rss" 'BEGIN {
  printf "file            %d leaves, %.1f MiB\n", leaves, size / 1048576
  printf "seufit load     %6.2f s wall  %6.2f s cpu  peak RSS %.1f MiB\n", sw, sc, sr / 1024
  printf "python json     %6.2f s wall  %6.2f s cpu  peak RSS %.1f MiB\n", pw, pc, pr / 1024
  speed = pc / sc; ratio = sr * 1024 / size
  printf "speed-up        %.2f x cpu (%.2f x wall), target at least 3\n", speed, pw / sw
  printf "RSS / file size %.2f, target at most 2.5\n", ratio
  met = speed >= 3 && ratio <= 2.5
  print met ? "targets met" : "TARGETS MISSED"
  exit !met
}'
