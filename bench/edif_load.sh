#!/usr/bin/env bash
# Loading a large EDIF netlist: `seufit check --load-only --part z9-s1` of an EDIF file
# against the same design as a Yosys JSON netlist, in turn.
#
#   bench/edif_load.sh [BUILD_DIR] [CELLS]     (default 1000000)
#
# Both files come from tools/gen_edif.py: the same instances, properties, connections and
# net names. Targets: CPU time per byte of the EDIF file at most 1.5 times the JSON file's,
# peak RSS at most a quarter of the EDIF file. Exits 1 when one is missed. Beside them, the
# floor of reading the EDIF file at all: `cat` of it, whose time is nearly all the kernel's
# read().
. "$(dirname "$0")/prelude.sh"
cells=${1:-1000000}
edif=$work/netlist_$cells.edf
json=$work/netlist_$cells.json
"$py" "$src/tools/gen_edif.py" "$cells" -o "$edif" --json "$json" || exit 1
warm "$edif" "$json"
alternate --runs 3 "EDIF load $cells cells" \
  --run edif "$exe check --load-only --part z9-s1 $edif" \
  --run json "$exe check --load-only --part z9-s1 $json" \
  --run read "cat $edif" \
  --ratio edif/json cpu 1.5 --bytes edif "$edif" --bytes json "$json" \
  --ratio edif/read cpu - --rss edif "$edif" 0.25
