#!/usr/bin/env bash
# Inputs that used to cost far more than their size: each is timed at a size and at four
# times that size, in turn; the larger may cost at most 6 times the smaller (linear is 4,
# quadratic 16). The cell map's globs are matched against the cell types under a fixed
# bound of work: past it the map is refused, at a cost that does not grow with the product.
#
#   bench/hostile.sh [BUILD_DIR]
. "$(dirname "$0")/prelude.sh"
gen() { "$py" "$src/tests/cli/inputs/hostile.py" "$@"; }

gen yosys-attrs 100000 >"$work/attrs1.json"
gen yosys-attrs 400000 >"$work/attrs4.json"
alternate --runs 3 "many attributes on one Yosys cell, 4x" \
  --run big "$exe check --load-only --part z9-s1 $work/attrs4.json" \
  --run small "$exe check --load-only --part z9-s1 $work/attrs1.json" \
  --ratio big/small cpu 6

gen edif-arrays 1000 >"$work/arrays1.edf"
gen edif-arrays 4000 >"$work/arrays4.edf"
alternate --runs 3 "EDIF arrays with properties, 4x" \
  --run big "$exe check --load-only --part z9-s1 $work/arrays4.edf" \
  --run small "$exe check --load-only --part z9-s1 $work/arrays1.edf" \
  --ratio big/small cpu 6

gen map-globs 3000 >"$work/map1.json"
gen yosys-types 3000 >"$work/types1.json"
gen map-globs 12000 >"$work/map4.json"
gen yosys-types 12000 >"$work/types4.json"
# Both pass the bound of work and are refused (exit 2), which the timed command checks.
refused() { echo "sh -c '$exe check --load-only --part z9-s1 --map $1 $2; test \$? -eq 2'"; }
alternate --runs 3 "cell map globs against cell types, 4x each" \
  --run big "$(refused "$work/map4.json" "$work/types4.json")" \
  --run small "$(refused "$work/map1.json" "$work/types1.json")" \
  --ratio big/small cpu 6

"$py" "$src/tools/gen_design.py" doubling 60 >"$work/doubling.json"
alternate --runs 3 "top contributors of 2^60 occurrences, 4x" \
  --run big "$exe report $work/doubling.json --top-contributors 40000" \
  --run small "$exe report $work/doubling.json --top-contributors 10000" \
  --ratio big/small cpu 6

gen profile-legs 5000 >"$work/legs1.json"
gen profile-legs 20000 >"$work/legs4.json"
alternate --runs 3 "flux map of many long legs, 4x" \
  --run big "$exe plot flux-map --altitude 11000 --profile $work/legs4.json --output $work/m4.svg" \
  --run small "$exe plot flux-map --altitude 11000 --profile $work/legs1.json --output $work/m1.svg" \
  --ratio big/small cpu 6
