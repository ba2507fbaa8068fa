#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) and runs each for a bounded time, as
# many at once as there are cores.
#   fuzz/run.sh [SECONDS_PER_TARGET [BUILD_DIR]]     (defaults: 15, build-fuzz)
# First replays the saved regression inputs (tests/data/malformed/fuzz/TARGET/*), then
# fuzzes from the seeds in fuzz/corpus/TARGET in a scratch copy (the tree is not
# changed). Exits 1 on any finding: crash, sanitizer report, leak, timeout or
# out-of-memory. Findings are kept in the folder printed at the end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-15}
build=$(realpath -m "${2:-$root/build-fuzz}")
targets=(ser detect rc design report catalogue edif yosys cellmap profile)

bash "$root/scripts/install-deps.sh"
# Configured every time: a target added since the last run must be known to the build.
# A build already made for fuzzing (the sanitizer build of scripts/test.sh) is reused.
if grep -qs '^SEUFIT_FUZZ:BOOL=ON' "$build/CMakeCache.txt"; then
  cmake -S "$root" -B "$build" >/dev/null
else
  cmake -S "$root" -B "$build" -DSEUFIT_FUZZ=ON -DSEUFIT_TESTS=OFF \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
work=$(mktemp -d /tmp/seufit-fuzz.XXXXXX)
if ! cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}" >"$work/build.log" 2>&1; then
  cat "$work/build.log"
  exit 1
fi
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# One target: its regression inputs, then its run; prints one line (more on a finding) and
# leaves "fail" in $work/$t/result when something was found.
fuzz_one() {
  local t=$1 exe=$build/fuzz/fuzz_$1 dict=$root/fuzz/dict/json.dict status=0 runs found
  case $t in ser | detect | rc) dict=$root/fuzz/dict/xml.dict ;; edif) dict=$root/fuzz/dict/edif.dict ;; esac
  mkdir -p "$work/$t/corpus" "$work/$t/findings"
  cp "$root/fuzz/corpus/$t/"* "$work/$t/corpus/"

  local regress=$root/tests/data/malformed/fuzz/$t
  if [ -d "$regress" ] && [ -n "$(ls -A "$regress")" ]; then
    if ! (cd "$work/$t" && "$exe" -runs=1 "$regress"/* >"$work/$t/regress.log" 2>&1); then
      { echo "fuzz_$t: a regression input fails again; see $work/$t/regress.log"
        tail -n 30 "$work/$t/regress.log"; } >"$work/$t/out"
      echo fail >"$work/$t/result"
      return
    fi
  fi

  (cd "$work/$t" && "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=16384 -dict="$dict" -artifact_prefix="$work/$t/findings/" -print_final_stats=1 \
    "$work/$t/corpus" >"$work/$t/fuzz.log" 2>&1) || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$t/fuzz.log")
  found=$(ls -A "$work/$t/findings")
  if [ "$status" -ne 0 ] || [ -n "$found" ]; then
    { echo "fuzz_$t: FINDING after ${runs:-?} runs (exit $status): $found"
      grep -m 20 -E 'ERROR|SUMMARY|invariant|runtime error' "$work/$t/fuzz.log" || true; } \
      >"$work/$t/out"
    echo fail >"$work/$t/result"
  else
    echo "fuzz_$t: ${runs:-?} runs in ${seconds}s, no finding" >"$work/$t/out"
  fi
}

# Two targets at a time, one a core; their lines in the targets' order.
jobs_max=$(nproc)
for t in "${targets[@]}"; do
  fuzz_one "$t" &
  while [ "$(jobs -rp | wc -l)" -ge "$jobs_max" ]; do wait -n || true; done
done
wait
failed=()
for t in "${targets[@]}"; do
  cat "$work/$t/out"
  [ -f "$work/$t/result" ] && failed+=("$t")
done

if [ "${#failed[@]}" -gt 0 ]; then
  echo "fuzzing found problems in: ${failed[*]} (logs and inputs in $work)"
  echo "fuzz: $((${#targets[@]} - ${#failed[@]})) passed, ${#failed[@]} failed"
  exit 1
fi
rm -rf "$work"
echo "fuzz: ${#targets[@]} passed, 0 failed"
