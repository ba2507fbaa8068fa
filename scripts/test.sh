#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
#   scripts/test.sh                 release build in build/
#   scripts/test.sh --sanitize      AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
#                                   (clang; the fuzz targets are built in it too, for fuzz/run.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=build
# Optimised as shipped, without debug information: it costs a third of the build's time.
flags=("-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -DNDEBUG")
if [ "${1:-}" = "--sanitize" ]; then
  build=build-asan
  # One instrumented build for the tests and the fuzzers: clang, coverage feedback for
  # libFuzzer, -O1 so that the suite runs at a useful speed, line tables for the reports.
  flags=(-DSEUFIT_SANITIZE=ON -DSEUFIT_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++
         -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -gline-tables-only")
  export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=1
  export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
fi
# Ninja for a new build: it compiles the tests while the libraries link, where make waits for
# each target's dependencies; a build directory made before keeps its generator.
[ -f "$build/CMakeCache.txt" ] || flags+=(-G Ninja)
cmake -S . -B "$build" "${flags[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
