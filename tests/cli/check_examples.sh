#!/usr/bin/env bash
# seufit check: every example is valid (exit 0, a summary naming its family); a broken
# design exits 2 listing each problem with file, line, column and JSON path.
set -u
exe=$1
src=$2
fail=0
note() { echo "FAIL: $*"; fail=1; }
export SEUFIT_DATA_PATH="$src/data"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

count=0
for f in "$src"/examples/*.json; do
  count=$((count + 1))
  "$exe" check "$f" >"$out/stdout" 2>"$out/stderr"
  rc=$?
  [ $rc -eq 0 ] || note "$f: exit $rc: $(cat "$out/stderr")"
  [ -s "$out/stderr" ] && note "$f: unexpected messages: $(cat "$out/stderr")"
  grep -Eq "^  family      (zerith7|zerith8|zerith9|korvan)$" "$out/stdout" || note "$f: no family in: $(cat "$out/stdout")"
  grep -q "valid design" "$out/stdout" || note "$f: no verdict"
done
[ $count -ge 4 ] || note "expected at least 4 examples, found $count"

# The examples name catalogue parts: without the catalogue they are refused.
"$exe" check --data-dir "$out" "$src/examples/zerith9_accel.json" >/dev/null 2>"$out/stderr"
rc=$?
[ $rc -eq 2 ] || note "missing catalogue: exit $rc"
grep -q "no parts.json was found" "$out/stderr" || note "missing catalogue: $(cat "$out/stderr")"

broken="$src/tests/data/design/broken.json"
"$exe" check "$broken" >"$out/stdout" 2>"$out/stderr"
rc=$?
[ $rc -eq 2 ] || note "broken: exit $rc, wanted 2"
[ -s "$out/stdout" ] && note "broken: printed a summary: $(cat "$out/stdout")"
expect() {
  grep -qF -- "$1" "$out/stderr" || note "broken: missing '$1' in: $(cat "$out/stderr")"
}
expect "error [1-22] $broken:10:82: number 99999999999 is out of range; expected a 32-bit integer from -2147483648 to 2147483647 (at cells.top.instances[1].attributes.READ_WIDTH_A.int)"
expect "error [1-22] $broken:11:9: duplicate instance name \"mem\": instances[1] of the same cell has it too (at cells.top.instances[2].name)"
expect "(at cells.top)"
expect "cyclic hierarchy: top -> core -> top"
[ "$(wc -l <"$out/stderr")" -eq 3 ] || note "broken: wanted 3 messages, got: $(cat "$out/stderr")"

# JSON messages carry the same arguments.
"$exe" check --messages json "$broken" >/dev/null 2>"$out/stderr"
grep -qF '{"id": "1-22", "severity": "error", "mask": 536870912, "args": ["'"$broken"'", 11, 9, "cells.top.instances[2].name", ' "$out/stderr" ||
  note "json messages: $(cat "$out/stderr")"

# Not a file, or not JSON.
"$exe" check "$src/examples" >/dev/null 2>"$out/stderr"
[ $? -eq 2 ] && grep -q "it is a directory" "$out/stderr" || note "directory: $(cat "$out/stderr")"
printf '{"seufit_design": 1,\n  "part": "z7-s2" "top": "t"}' >"$out/syntax.json"
"$exe" check "$out/syntax.json" >/dev/null 2>"$out/stderr"
[ $? -eq 2 ] && grep -qF "error [1-21] $out/syntax.json:2:19: JSON syntax error: expected ',' or '}'" "$out/stderr" ||
  note "syntax: $(cat "$out/stderr")"
"$exe" check >/dev/null 2>&1
[ $? -eq 2 ] || note "no design argument should be a usage error"

if [ $fail -eq 0 ]; then echo "check_examples: ok"; fi
exit $fail
