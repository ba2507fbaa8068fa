#!/usr/bin/env bash
# Loading a large Yosys JSON netlist: `seufit check --load-only --part z9-s1` in turn with
# python3 json.load on the same file (what a user reading such a netlist in Python would
# pick), then in turn with the floor of reading JSON (json_sax_noop), each on one CPU.
#
#   bench/netlist_load.sh [BUILD_DIR] [CELLS]     (default 1000000)
#
# Targets: CPU time at most 0.2 of json.load's (5 times as fast), user time at most 3 times
# the SAX parse's, peak RSS at most 0.25 of the file size. Exits 1 when one is missed.
. "$(dirname "$0")/prelude.sh"
cells=${1:-1000000}
file=$work/netlist_$cells.json
"$py" "$src/tools/gen_netlist.py" "$cells" -o "$file" || exit 1
warm "$file"
status=0
alternate --runs 3 "netlist load $cells cells" \
  --run seufit "$exe check --load-only --part z9-s1 $file" \
  --run python "$py -c 'import json,sys; json.load(open(sys.argv[1]))' $file" \
  --ratio seufit/python cpu 0.2 || status=1
alternate --runs 3 "netlist load $cells cells" \
  --run seufit "$exe check --load-only --part z9-s1 $file" \
  --run sax "$build/bench/json_sax_noop $file" \
  --ratio seufit/sax user 3 --ratio seufit/sax cpu - --rss seufit "$file" 0.25 || status=1
exit $status
