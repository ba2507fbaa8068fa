#!/usr/bin/env bash
# Synthesises Verilog into a Yosys JSON netlist whose memories are catalogue primitives.
#   synth.sh [--flatten] --top TOP -o NETLIST.json FILE.v...
# The steps (see README.md): read the black-box primitives and the design, run synth up to
# its fine stage, map the inferred memories with memory_libmap and brams_map.v, finish synth.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
usage() {
  echo "usage: $0 [--flatten] --top TOP -o NETLIST.json FILE.v..." >&2
  exit 2
}
top="" out="" flatten="" files=()
while [ $# -gt 0 ]; do
  case "$1" in
    --top) [ $# -ge 2 ] || usage; top=$2; shift 2 ;;
    -o) [ $# -ge 2 ] || usage; out=$2; shift 2 ;;
    --flatten) flatten="-flatten"; shift ;;
    -*) usage ;;
    *) files+=("$1"); shift ;;
  esac
done
[ -n "$top" ] && [ -n "$out" ] && [ "${#files[@]}" -gt 0 ] || usage
command -v yosys >/dev/null || { echo "$0: yosys is not installed" >&2; exit 1; }

# Yosys commands take file names without quotes; refuse the ones that would split.
for f in "$here" "$out" "${files[@]}"; do
  case "$f" in *[[:space:]\;]*) echo "$0: file name with blank or ';': $f" >&2; exit 2 ;; esac
done

yosys -q -p "read_verilog -lib $here/cells.v
read_verilog ${files[*]}
synth -top $top $flatten -run begin:fine
memory_libmap -lib $here/brams.txt -no-auto-huge
techmap -map $here/brams_map.v
synth -run fine:
write_json $out"
