#!/usr/bin/env bash
# `seufit report` of each example design against the floor of its largest data file:
# a process that parses data/fit/RigidityCutoff.xml with expat and does nothing else
# (expat_floor), in turn. What a report of a small design adds to that is the other data
# files, the design and the report. Target: CPU time at most 1.3 times the floor's.
#
#   bench/expat_floor.sh [BUILD_DIR]
. "$(dirname "$0")/prelude.sh"
grid=$src/data/fit/RigidityCutoff.xml
warm "$grid" "$src"/data/fit/*.xml "$src"/examples/*.json
status=0
for design in "$src"/examples/*.json; do
  alternate --runs 21 "report $(basename "$design" .json) / expat floor" \
    --run report "$exe report $design" --run floor "$build/bench/expat_floor $grid" \
    --ratio report/floor cpu 1.3 || status=1
done
exit $status
