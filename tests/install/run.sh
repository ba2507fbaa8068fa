#!/usr/bin/env bash
# Installs the build into a temporary prefix, moves the prefix (an installed tree must not
# depend on where it was installed), builds a program against it with find_package(seufit),
# runs it, and runs the installed seufit on an example: its report must equal the build
# tree's, with the data read from the prefix.
#   tests/install/run.sh BUILD_DIR SOURCE_DIR BUILD_SEUFIT CONFIGURED_DATA_DIR CXX [CXX_FLAGS]
set -u
build=$1
src=$2
built_exe=$3
configured_data=$4
cxx=$5
flags=${6:-}
fail=0
note() { echo "FAIL: $*"; fail=1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
unset SEUFIT_DATA_PATH

cmake --install "$build" --prefix "$tmp/staged" >"$tmp/install.log" 2>&1 || {
  cat "$tmp/install.log"
  exit 1
}
mv "$tmp/staged" "$tmp/prefix"
prefix=$(cd "$tmp/prefix" && pwd -P)

for f in bin/seufit include/seufit/host/env/HUTEnv.h include/seufit/shared/fit/base/HAFITMgr.h \
  share/seufit/parts.json share/seufit/fit/SoftErrorRate.xml share/seufit/yosys/brams.txt; do
  [ -f "$prefix/$f" ] || note "not installed: $f"
done
[ -x "$prefix/share/seufit/yosys/synth.sh" ] || note "the installed Yosys flow script is not executable"
config=$(find "$prefix" -name seufitConfig.cmake)
[ -n "$config" ] || note "no seufitConfig.cmake under the prefix"

cmake -S "$src/tests/install" -B "$tmp/consumer" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" \
  >"$tmp/configure.log" 2>&1 || {
  cat "$tmp/configure.log"
  exit 1
}
cmake --build "$tmp/consumer" >"$tmp/build.log" 2>&1 || {
  cat "$tmp/build.log"
  exit 1
}

# The libraries find the data beside themselves; the package names the same directory.
expected="data $prefix/share/seufit
package data $prefix/share/seufit
flux 0.985443234"
actual=$("$tmp/consumer/consumer" 2>&1)
rc=$?
[ $rc -eq 0 ] || note "consumer exit $rc"
[ "$actual" = "$expected" ] || note "consumer printed:
$actual
expected:
$expected"

cd "$src" || exit 1
"$prefix/bin/seufit" report examples/zerith9_accel.json >"$tmp/installed.txt" 2>"$tmp/installed.err"
rc=$?
[ $rc -eq 0 ] || note "installed seufit exit $rc: $(cat "$tmp/installed.err")"
# The example's black box is told as not analysed; nothing else may be.
grep -v '^warning \[1-111\] not analysed: ' "$tmp/installed.err" >"$tmp/installed.other"
[ -s "$tmp/installed.other" ] && note "installed seufit messages: $(cat "$tmp/installed.other")"
head -n 1 "$tmp/installed.txt" | grep -qx "FIT Report" || note "installed seufit wrote no report"
"$built_exe" report examples/zerith9_accel.json >"$tmp/built.txt" 2>/dev/null
diff -u "$tmp/built.txt" "$tmp/installed.txt" || note "installed and build-tree reports differ"

# The Python module, when built, is installed in the interpreter's platlib below the prefix
# and reports from the prefix's data as the installed seufit does.
module=$(find "$prefix" -name 'seufit.cpython-*.so' | head -n 1)
if [ -n "$module" ]; then
  [ -f "$(dirname "$module")/seufit.pyi" ] || note "the module's stubs are not installed beside it"
  PYTHONPATH=$(dirname "$module") python3 -c '
import seufit, sys, warnings
warnings.simplefilter("ignore", seufit.SeufitWarning)
sys.stdout.write(seufit.load("examples/zerith9_accel.json").report().render())' >"$tmp/module.txt" 2>&1 ||
    note "the installed module failed: $(cat "$tmp/module.txt")"
  diff -u "$tmp/installed.txt" "$tmp/module.txt" || note "installed module and seufit reports differ"
fi

# Without its data directory the installed seufit has nothing to report from: it never
# falls back on the source tree's data.
if [ ! -e "$configured_data" ]; then
  mv "$prefix/share/seufit" "$prefix/share/moved"
  "$prefix/bin/seufit" report examples/zerith9_accel.json >/dev/null 2>&1 && note "report without data"
fi
exit $fail
