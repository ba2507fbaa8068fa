#!/usr/bin/env bash
# The walk on designs whose occurrences outgrow any walk of each one: cells that
# instantiate the next cell twice, 22 and 60 levels deep (2^22 and 2^60 occurrences),
# and a chain of 4,095 nested cells. Each `seufit report` is timed in turn with the
# report of the 60-occurrence example examples/zerith9_accel.json (the same data files
# and writers): the ratio is what the occurrences cost. Target: CPU time at most 1.5
# times. The same for the hierarchy breakdown against the report without it.
#
#   bench/walk.sh [BUILD_DIR]
. "$(dirname "$0")/prelude.sh"
example=$src/examples/zerith9_accel.json
status=0
for shape in "doubling 22" "doubling 60" "deep 4095"; do
  set -- $shape
  f="$work/$1_$2.json"
  "$py" "$src/tools/gen_design.py" "$1" "$2" -o "$f" || exit 1
  alternate "report $1 $2 / example" \
    --run design "$exe report $f" --run example "$exe report $example" \
    --ratio design/example cpu 1.5 || status=1
done
# The breakdown by hierarchy and the top contributors on 2^60 occurrences: built from the
# definitions, so they cost about nothing next to the same report without them.
alternate "report doubling 60 breakdown / without" \
  --run breakdown "$exe report $work/doubling_60.json --by-hierarchy 2 --top-contributors 10" \
  --run plain "$exe report $work/doubling_60.json" \
  --ratio breakdown/plain cpu 1.5 || status=1
# The deep chain under a 512 KiB stack: the walk keeps its own stack.
if (ulimit -s 512 && "$exe" report "$work/deep_4095.json" >/dev/null 2>&1); then
  echo "deep 4095 under ulimit -s 512: exit 0"
else
  line="deep 4095 under ulimit -s 512: failed; not met"
  echo "$line"
  [ -n "${SEUFIT_BENCH_SUMMARY:-}" ] && echo "$line" >>"$SEUFIT_BENCH_SUMMARY"
  status=1
fi
exit $status
