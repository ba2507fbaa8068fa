#!/usr/bin/env bash
# Loading a large Yosys JSON netlist: `seufit check --load-only --part z9-s1` against
# python3 json.load on the same file, in turn.
#
#   bench/netlist_load.sh [BUILD_DIR] [CELLS]     (default 1000000)
#
# Targets: CPU time at most 0.2 of json.load's (5 times as fast), peak RSS at most the file
# size. Exits 1 when one is missed.
. "$(dirname "$0")/prelude.sh"
cells=${1:-1000000}
file=$work/netlist_$cells.json
"$py" "$src/tools/gen_netlist.py" "$cells" -o "$file" || exit 1
warm "$file"
alternate --runs 3 "netlist load $cells cells" \
  --run seufit "$exe check --load-only --part z9-s1 $file" \
  --run python "$py -c 'import json,sys; json.load(open(sys.argv[1]))' $file" \
  --ratio seufit/python cpu 0.2 --rss seufit "$file" 1.0
