#!/usr/bin/env bash
# Loading large flat design files: `seufit check --load-only` against python3 json.load
# and against a RapidJSON SAX parse that does nothing (json_sax_noop), each ratio from its
# own alternation of its two commands. (In one rotation of all three, seufit ran after
# json.load had freed hundreds of MiB, which this virtual machine hands back to its host;
# seufit then paid for the host to back its memory anew, at a third of its time, and the
# SAX parse, which allocates nothing, never did.)
#
#   bench/design_load.sh [BUILD_DIR] [LEAVES...]     (default 1000000 4000000)
#
# Targets on each file: CPU time at most 0.1 of json.load's and at most 2 times the SAX
# parse's, peak RSS at most the file size. Exits 1 when one is missed.
. "$(dirname "$0")/prelude.sh"
[ $# -gt 0 ] || set -- 1000000 4000000
status=0
for leaves in "$@"; do
  file=$work/flat_$leaves.json
  "$py" "$src/tools/gen_design.py" flat "$leaves" -o "$file" || exit 1
  warm "$file"
  runs=5
  [ "$leaves" -gt 1000000 ] && runs=3
  alternate --runs "$runs" "design load $leaves leaves" \
    --run seufit "$exe check --load-only $file" \
    --run python "$py -c 'import json,sys; json.load(open(sys.argv[1]))' $file" \
    --ratio seufit/python cpu 0.1 || status=1
  alternate --runs "$runs" "design load $leaves leaves" \
    --run seufit "$exe check --load-only $file" \
    --run sax "$build/bench/json_sax_noop $file" \
    --ratio seufit/sax cpu 2.0 --rss seufit "$file" 1.0 || status=1
  rm -f "$file"
done
exit $status
