#!/usr/bin/env bash
# Loading large flat design files: `seufit check --load-only` against the floor of reading
# JSON, a RapidJSON SAX parse of the same file whose handler does nothing (json_sax_noop),
# in turn on one CPU. User and system time are held apart: the user time is the reading
# and the building of the database; the system time is mostly the kernel backing the
# memory the database takes, which the peak per instance bounds.
#
#   bench/design_load.sh [BUILD_DIR] [LEAVES...]     (default 1000000 4000000)
#
# Targets on each file: user time at most 1.2 times the SAX parse's, CPU time (user +
# system) at most 2 times, peak RSS at most the file size; at 4,000,000 leaves also a peak
# of at most 64 bytes per instance (the whole process counted). Exits 1 when one is missed.
# python3 json.load is no reference here: nobody reads this format with it (it was 12 to
# 15 times slower than seufit's load, and took nearly 7 times the file's size in memory).
. "$(dirname "$0")/prelude.sh"
[ $# -gt 0 ] || set -- 1000000 4000000
status=0
for leaves in "$@"; do
  file=$work/flat_$leaves.json
  "$py" "$src/tools/gen_design.py" flat "$leaves" -o "$file" || exit 1
  warm "$file"
  runs=5
  per=-
  [ "$leaves" -gt 1000000 ] && runs=3
  [ "$leaves" -ge 4000000 ] && per=64
  alternate --runs "$runs" "design load $leaves leaves" \
    --run seufit "$exe check --load-only $file" \
    --run sax "$build/bench/json_sax_noop $file" \
    --ratio seufit/sax user 1.2 --ratio seufit/sax cpu 2.0 \
    --rss seufit "$file" 1.0 --rss-per seufit "$leaves" "$per" || status=1
  rm -f "$file"
done
exit $status
