#!/usr/bin/env bash
# Rewrites golden logs on purpose from a build in build/ (or $BUILD): every case, or the
# named ones (tests/cli/update.sh flux_new_york report_plain). Review the diff before committing.
set -eu
cd "$(dirname "$0")/../.."
build=${BUILD:-build}
cmake --build "$build" --target seufit -j2 >/dev/null
if [ $# -eq 0 ]; then
  set -- tests/cli/cases/*.args
else
  set -- "${@/#/tests/cli/cases/}"
  set -- "${@/%/.args}"
fi
python3 tests/cli/run_case.py --exe "$build/seufit" --src "$PWD" --update "$@"
git status --short tests/cli/cases
