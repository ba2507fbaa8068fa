#!/usr/bin/env bash
# Runs every golden case and compares (or, with --update, rewrites) its expected output.
#   tests/golden/run-cases.sh SEUFIT_EXE SOURCE_DIR [--update]
# A case is a line of tests/golden/cases.txt: NAME ARGS...; its output is stdout, then
# "exit N". Runs from the source directory so that the "Command" header is stable.
set -u
exe=$1
src=$2
update=${3:-}
cd "$src" || exit 1
status=0
while read -r name args; do
  case "$name" in ''|'#'*) continue ;; esac
  expected="tests/golden/$name"
  # The command line as a user types it: "seufit" and the case's arguments.
  actual=$(eval "set -- $args"; env -u SEUFIT_DATA_PATH "$exe" "$@" 2>/dev/null; echo "exit $?")
  if [ "$update" = "--update" ]; then
    printf '%s\n' "$actual" > "$expected"
    echo "wrote $expected"
  elif ! diff -u "$expected" <(printf '%s\n' "$actual"); then
    echo "golden case $name differs (rerun with tests/golden/update.sh to accept on purpose)"
    status=1
  fi
done < tests/golden/cases.txt
exit $status
