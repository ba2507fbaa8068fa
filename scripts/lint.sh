#!/usr/bin/env bash
# Style gates of CI: clang-format over every C++ source and header, then clang-tidy
# (.clang-tidy) over every translation unit of src/, with the build's compile commands.
#   scripts/lint.sh [BUILD_DIR]     both, default build/ (configured here if needed)
#   scripts/lint.sh --format        clang-format only (seconds: CI runs it first)
#   scripts/lint.sh --tidy [DIR]    clang-tidy only, with compile commands configured in DIR
#                                   (default build-tidy/: no precompiled headers, which
#                                   clang-tidy cannot read from a gcc build, and no batches:
#                                   every file has its own compile command)
set -euo pipefail
cd "$(dirname "$0")/.."
mode=all
case "${1:-}" in --format | --tidy) mode=${1#--}; shift ;; esac
build=${1:-build-tidy}
if [ "$mode" != tidy ]; then
  mapfile -t files < <(git ls-files '*.cpp' '*.h' | grep -v '^fuzz/corpus/')
  clang-format --dry-run --Werror "${files[@]}"
  echo "clang-format: ${#files[@]} files clean"
  [ "$mode" = format ] && exit 0
fi
cmake -S . -B "$build" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DCMAKE_DISABLE_PRECOMPILE_HEADERS=ON \
  -DSEUFIT_UNITY_BUILD=OFF >/dev/null
mapfile -t units < <(git ls-files 'src/*.cpp')
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! printf '%s\n' "${units[@]}" | xargs -P"$(nproc)" -n1 clang-tidy -p "$build" --quiet >"$log" 2>&1; then
  grep -E "(warning|error):" "$log" | sort -u
  echo "clang-tidy: findings above" >&2
  exit 1
fi
echo "clang-tidy: ${#units[@]} files clean"
