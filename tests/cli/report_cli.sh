#!/usr/bin/env bash
# seufit report from the outside: exit statuses, range checks, file replacement.
set -u
exe=$1
src=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fails=0
check() {  # check NAME EXPECTED_STATUS ACTUAL_STATUS
  if [ "$2" != "$3" ]; then
    echo "FAIL $1: exit $3, expected $2"
    fails=$((fails + 1))
  fi
}
contains() {  # contains NAME FILE TEXT
  if ! grep -qF -- "$3" "$2"; then
    echo "FAIL $1: '$3' not in output:"
    cat "$2"
    fails=$((fails + 1))
  fi
}

cat > "$tmp/ok.json" <<'JSON'
{"seufit_design": 1,
 "part": {"name": "p", "device": "dev", "arch_id": "zerith7", "arch_type": 10, "config_bits": 1000000},
 "top": "top",
 "primitives": {"R36": {"class": "ramb", "code": 1390, "attributes": ["RAM_MODE", "READ_WIDTH_A"]}},
 "cells": {"top": {"instances": [
   {"name": "r", "cell": "R36", "attributes": {"RAM_MODE": "SDP", "READ_WIDTH_A": 72}}]}}}
JSON
sed 's/"arch_type": 10/"arch_type": 17/' "$tmp/ok.json" > "$tmp/unsupported.json"
sed 's/"zerith7"/"nofamily"/' "$tmp/ok.json" > "$tmp/nodata.json"

"$exe" report "$tmp/ok.json" > "$tmp/out" 2> "$tmp/err"
check "plain report" 0 $?
contains "plain report" "$tmp/out" "Block Memory FIT"
contains "plain report" "$tmp/out" "Command: seufit report $tmp/ok.json"

# Out-of-range values: usage error, nothing written.
for bad in "--altitude nan" "--altitude inf" "--altitude 1e39" "--altitude 12abc" \
           "--longitude 181" "--longitude -181" "--longitude 1.5" "--latitude 91" \
           "--devices -1" "--devices 2147483648" "--months -0.5" "--months inf" \
           "--temperature 2147483648" "--temperature x"; do
  # shellcheck disable=SC2086
  "$exe" report "$tmp/ok.json" $bad --file "$tmp/never.txt" > "$tmp/out" 2> "$tmp/err"
  check "$bad" 2 $?
  contains "$bad" "$tmp/err" "option ${bad%% *}"
  [ -e "$tmp/never.txt" ] && { echo "FAIL $bad: file written"; fails=$((fails + 1)); }
done
"$exe" report "$tmp/ok.json" --devices 0 --months 0 --temperature -40 --longitude 180 \
  --latitude -90 --altitude -100 > /dev/null 2>&1
check "edge values accepted" 0 $?

# --file replaces the file only with a complete report.
echo "old" > "$tmp/report.txt"
"$exe" report "$tmp/ok.json" --file "$tmp/report.txt" --xml > "$tmp/out" 2>&1
check "--file" 0 $?
contains "--file" "$tmp/report.txt" '<report title="FIT Report">'
[ -s "$tmp/out" ] && { echo "FAIL --file: output on stdout"; fails=$((fails + 1)); }
mkdir "$tmp/dir"
"$exe" report "$tmp/ok.json" --file "$tmp/dir" > /dev/null 2> "$tmp/err"
check "--file is a directory" 1 $?
contains "--file is a directory" "$tmp/err" "$tmp/dir"
"$exe" report "$tmp/ok.json" --file "$tmp/missing/r.txt" > /dev/null 2> "$tmp/err"
check "--file in a missing directory" 1 $?
contains "--file in a missing directory" "$tmp/err" "$tmp/missing/r.txt"
if [ "$(id -u)" -ne 0 ]; then
  chmod a-w "$tmp/report.txt"
  "$exe" report "$tmp/ok.json" --file "$tmp/report.txt" > /dev/null 2>&1
  check "read-only file" 1 $?
  chmod u+w "$tmp/report.txt"
fi
contains "old file kept" "$tmp/report.txt" '<report title="FIT Report">'
ls "$tmp" | grep -q '\.tmp\.' && { echo "FAIL: temporary file left"; fails=$((fails + 1)); }

# No report: unsupported device, missing data, design that cannot be read.
"$exe" report "$tmp/unsupported.json" > "$tmp/out" 2> "$tmp/err"
check "unsupported device" 1 $?
contains "unsupported device" "$tmp/err" "65-171"
"$exe" report "$tmp/ok.json" --data-dir "$tmp/dir" > "$tmp/out" 2> "$tmp/err"
check "no data files" 1 $?
contains "no data files" "$tmp/err" "fit/SoftErrorRate.xml"
[ -s "$tmp/out" ] && { echo "FAIL no data files: output on stdout"; fails=$((fails + 1)); }
"$exe" report "$tmp/absent.json" > /dev/null 2> "$tmp/err"
check "absent design" 2 $?
"$exe" report > /dev/null 2>&1
check "no design" 2 $?

# A family without soft-error data: still a report, with a warning naming the family.
"$exe" report "$tmp/nodata.json" > "$tmp/out" 2> "$tmp/err"
check "family without data" 0 $?
contains "family without data" "$tmp/err" "'nofamily'"
contains "family without data" "$tmp/out" "Type"

# A rate that is not a finite number gives no report rather than nan figures.
mkdir -p "$tmp/nan/fit"
cp "$src/data/fit/"*.xml "$tmp/nan/fit/"
sed -i '0,/nominal="[0-9.]*"/s//nominal="nan"/' "$tmp/nan/fit/SoftErrorRate.xml"
"$exe" report "$tmp/ok.json" --data-dir "$tmp/nan" > "$tmp/out" 2> "$tmp/err"
check "nan rate" 1 $?
contains "nan rate" "$tmp/err" "[1-64]"
[ -s "$tmp/out" ] && { echo "FAIL nan rate: output on stdout"; fails=$((fails + 1)); }

# JSON messages.
"$exe" report "$tmp/unsupported.json" --messages json > /dev/null 2> "$tmp/err"
contains "json messages" "$tmp/err" '{"id": "65-171", "severity": "warning", "mask": 134217728, "args": ["dev"]'

"$exe" report "$tmp/ok.json" --bogus --messages json > /dev/null 2> "$tmp/err"
check "unknown option" 2 $?
contains "unknown option" "$tmp/err" '{"id": "1-63", "severity": "error"'
contains "unknown option" "$tmp/err" '--bogus'

echo "$fails failed"
[ "$fails" -eq 0 ]
