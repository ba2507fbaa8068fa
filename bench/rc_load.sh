#!/usr/bin/env bash
# Loading the shipped rigidity-cutoff grid through HAFITRCMgr (rc_load) against
# `xmllint --noout` on the same file, in turn. Target: CPU time at most 1.5 times
# xmllint's.
#
#   bench/rc_load.sh [BUILD_DIR]
. "$(dirname "$0")/prelude.sh"
command -v xmllint >/dev/null || { echo "needs xmllint" >&2; exit 1; }
file=$src/data/fit/RigidityCutoff.xml
warm "$file"
alternate --runs 21 "cutoff grid load" \
  --run rc_load "$build/bench/rc_load $file" --run xmllint "xmllint --noout $file" \
  --ratio rc_load/xmllint cpu 1.5
