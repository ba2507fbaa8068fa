#!/usr/bin/env bash
# The walk on designs whose occurrences outgrow any walk of each one: cells that
# instantiate the next cell twice, 22 and 60 levels deep (2^22 and 2^60 occurrences),
# and a chain of 4,095 nested cells. Each `seufit report` is timed in turn with the
# report of the 60-occurrence example examples/zerith9_accel.json (the same data files
# and writers): the ratio is what the occurrences cost. Target: at most 1.5. The same for
# the hierarchy breakdown against the report without it.
#
#   bench/walk.sh [SEUFIT_EXE]      (default build-bench/seufit)
set -uo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
exe=${1:-$src/build-bench/seufit}
export SEUFIT_DATA_PATH="$src/data"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for shape in "doubling 22" "doubling 60" "deep 4095"; do
  set -- $shape
  f="$work/$1_$2.json"
  python3 "$src/tools/gen_design.py" "$1" "$2" -o "$f"
  python3 "$src/bench/alternate.py" --target 1.5 "report $1 $2" \
    "$exe report $f" "$exe report $src/examples/zerith9_accel.json" || status=1
done
# The breakdown by hierarchy and the top contributors on 2^60 occurrences: built from the
# definitions, so they cost about nothing next to the same report without them.
python3 "$src/bench/alternate.py" --target 1.5 "report doubling 60 --by-hierarchy 2 --top-contributors 10" \
  "$exe report $work/doubling_60.json --by-hierarchy 2 --top-contributors 10" \
  "$exe report $work/doubling_60.json" || status=1
# The deep chain under a 512 KiB stack: the walk keeps its own stack.
if (ulimit -s 512 && "$exe" report "$work/deep_4095.json" >/dev/null 2>&1); then
  echo "deep 4095 under ulimit -s 512: exit 0"
else
  echo "deep 4095 under ulimit -s 512: failed (not met)"
  status=1
fi
exit $status
