#!/usr/bin/env bash
# Synthesises Verilog into a netlist (Yosys JSON or EDIF) whose memories are catalogue
# primitives.
#   synth.sh [--flatten] [-D NAME[=VALUE]]... [-I DIR]... [-P NAME=VALUE]...
#            --top TOP -o NETLIST.json|NETLIST.edf FILE.v|FILE.sv...
# Prints each memory of the design and where it went (a primitive, or logic and why).
# The steps (see README.md), in three runs of Yosys with memories.awk between them: read
# the black-box primitives and the design, run synth up to its fine stage; merge read
# address registers where that keeps the design's behaviour, map the memories with
# memory_libmap; mark the ones left in logic, make the primitives with brams_map.v, finish
# synth.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
usage() {
  echo "usage: $0 [--flatten] [-D NAME[=VALUE]]... [-I DIR]... [-P NAME=VALUE]..." >&2
  echo "          --top TOP -o NETLIST.json|NETLIST.edf FILE.v|FILE.sv..." >&2
  exit 2
}
fail() {
  echo "$0: $*" >&2
  exit 2
}
top="" out="" flatten="" files=() defines=() includes=() params=()
while [ $# -gt 0 ]; do
  case "$1" in
    --top) [ $# -ge 2 ] || usage; top=$2; shift 2 ;;
    -o) [ $# -ge 2 ] || usage; out=$2; shift 2 ;;
    --flatten) flatten="-flatten"; shift ;;
    -D) [ $# -ge 2 ] || usage; defines+=("$2"); shift 2 ;;
    -D*) defines+=("${1#-D}"); shift ;;
    -I) [ $# -ge 2 ] || usage; includes+=("$2"); shift 2 ;;
    -I*) includes+=("${1#-I}"); shift ;;
    -P) [ $# -ge 2 ] || usage; params+=("$2"); shift 2 ;;
    -P*) params+=("${1#-P}"); shift ;;
    -*) usage ;;
    *) files+=("$1"); shift ;;
  esac
done
[ -n "$top" ] && [ -n "$out" ] && [ "${#files[@]}" -gt 0 ] || usage
case "$out" in
  *.json) write="write_json $out" ;;
  # Parameters become EDIF properties; -attrprop adds the instance attributes
  # (SEU_PROTECTED) the analysis reads too. EDIF has no undefined bits: they become 0.
  *.edf | *.edif | *.EDF | *.EDIF) write="setundef -zero; write_edif -attrprop $out" ;;
  *) fail "the netlist's name must end in .json (Yosys JSON) or .edf (EDIF): $out" ;;
esac
command -v yosys >/dev/null || { echo "$0: yosys is not installed" >&2; exit 1; }

# Yosys commands are words: refuse what would split or end one. A value may hold '"'
# (-P MODE='"fast"' sets a text parameter); a name may not.
for f in "$here" "$top" "$out" "${files[@]}" ${includes[@]+"${includes[@]}"} ${defines[@]+"${defines[@]}"} ${params[@]+"${params[@]}"}; do
  case "$f" in *[[:space:]\;\#]*) fail "blank, ';' or '#' in an argument: $f" ;; esac
done
for f in "$here" "$top" "$out" "${files[@]}" ${includes[@]+"${includes[@]}"}; do
  case "$f" in *\"*) fail "'\"' in a name: $f" ;; esac
done
name='[A-Za-z_][A-Za-z0-9_$]*'
for d in ${defines[@]+"${defines[@]}"}; do
  [[ "$d" =~ ^$name(=.*)?$ ]] || fail "-D takes NAME or NAME=VALUE: $d"
done
for p in ${params[@]+"${params[@]}"}; do
  [[ "$p" =~ ^$name=.+$ ]] || fail "-P takes NAME=VALUE: $p"
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
case "$tmp" in *[[:space:]\;\#\"]*) fail "blank, ';', '#' or '\"' in the temporary directory: $tmp" ;; esac

# First run: the design up to its memories; what every memory is (dump) and what became of
# the ones the front end and memory_dff did not make memories with a clocked read (the log)
# go to memories.awk.
{
  echo "read_verilog -lib $here/cells.v"
  for d in ${defines[@]+"${defines[@]}"}; do echo "verilog_defaults -add -D$d"; done
  for i in ${includes[@]+"${includes[@]}"}; do echo "verilog_defaults -add -I$i"; done
  for f in "${files[@]}"; do
    case "$f" in
      *.sv) echo "read_verilog -sv $f" ;;
      *) echo "read_verilog $f" ;;
    esac
  done
  # A top-level parameter: the top module elaborated again with the value.
  for p in ${params[@]+"${params[@]}"}; do echo "chparam -set ${p%%=*} ${p#*=} $top"; done
  echo "synth -top $top $flatten -run begin:fine"
  echo "tee -q -o $tmp/memories.il dump -m t:\$mem_v2"
  echo "write_rtlil $tmp/coarse.il"
} >"$tmp/coarse.ys"
yosys -q -l "$tmp/coarse.log" -s "$tmp/coarse.ys"
awk -v stage=fix -v dumpfile="$tmp/memories.il" -v logfile="$tmp/coarse.log" \
  -f "$here/memories.awk" "$tmp/memories.il" "$tmp/coarse.log" >"$tmp/fix.ys"

# Second run: read address registers merged where the design stays the same, memories
# mapped by memory_libmap; the list of the cells it made.
{
  echo "read_rtlil $tmp/coarse.il"
  echo "script $tmp/fix.ys"
  # A memory asked for in distributed memory goes to logic: the catalogue has none.
  for a in ram_style rom_style ramstyle romstyle syn_ramstyle syn_romstyle; do
    echo "attrmap -imap $a=\"distributed\" $a=\"logic\" t:\$mem_v2"
  done
  echo "memory_libmap -lib $here/brams.txt -no-auto-huge"
  echo "tee -q -o $tmp/cells.txt select -list t:\$__SEU_*"
  echo "write_rtlil $tmp/mapped.il"
} >"$tmp/map.ys"
if ! yosys -q -l "$tmp/map.log" -s "$tmp/map.ys"; then
  memory=$(sed -n 's/.*no valid mapping found for memory //p' "$tmp/map.log" | head -n 1)
  [ -z "$memory" ] || echo "$0: memory $memory fits no primitive and may not go to logic:" \
    "a style asks for block RAM (read not registered?) or YRAM (initial contents?)," \
    "or its write ports have different clocks" >&2
  exit 1
fi

# The table of memories; the hdlname of the cells of flattened memories and the markers of
# memories the front end made registers of.
cat "$tmp/coarse.log" "$tmp/map.log" >"$tmp/both.log"
awk -v names="$tmp/names.ys" -v dumpfile="$tmp/memories.il" -v logfile="$tmp/both.log" \
  -v designfile="$tmp/coarse.il" -v cellfile="$tmp/cells.txt" -f "$here/memories.awk" \
  "$tmp/memories.il" "$tmp/both.log" "$tmp/coarse.il" "$tmp/cells.txt"

# Third run: mark the memories left for logic, make the primitives, finish synth.
{
  echo "read_rtlil $tmp/mapped.il"
  echo "script $tmp/names.ys"
  echo "techmap -max_iter 1 -map $here/logic_map.v t:\$mem_v2"
  echo "techmap -map $here/brams_map.v"
  echo "synth -top $top -run fine:"
  echo "$write"
} >"$tmp/finish.ys"
yosys -q -s "$tmp/finish.ys"
# The markers take the type seufit reads as a memory no primitive holds.
sed 's/"\$__SEU_UNMAPPED_"/"$mem_v2"/g' "$out" >"$tmp/netlist"
cat "$tmp/netlist" >"$out"
