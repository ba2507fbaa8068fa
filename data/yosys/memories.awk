# What synth.sh does with each memory of the design. Reads, by the files named in -v:
#   dumpfile=   `dump -m t:$mem_v2` after synth's coarse stage: every memory, its shape,
#               contents and attributes;
#   logfile=    the Yosys log: memory_dff's and memory_libmap's decisions, the memories the
#               front end made registers of;
#   designfile= the design after the coarse stage (RTLIL): the registers the front end
#               made of a memory;
#   cellfile=   `select -list t:$__SEU_*` after memory_libmap: the cells of each memory.
# With -v stage=fix (dump and log of the coarse stage), prints the commands that merge a
# read address register with a start value into the read port of a memory without initial
# contents (before the first clock edge the read gives an undefined word either way):
# the register's init moves aside while memory_dff runs, then comes back.
# Otherwise prints the table (module, memory, words x bits, the primitive, or logic and
# why) and writes to the file `names` the setattr commands that give each cell of a
# flattened memory the memory's hdlname, with the cell's own suffix (".0.1").
function unescape(id) {
  return substr(id, 1, 1) == "\\" ? substr(id, 2) : id
}
# An RTLIL string ("a \"b\" \\c") as text.
function text(s,   out, i, c) {
  if (substr(s, 1, 1) != "\"") return s
  s = substr(s, 2, length(s) - 2)
  out = ""
  for (i = 1; i <= length(s); i++) {
    c = substr(s, i, 1)
    if (c == "\\") {
      c = substr(s, ++i, 1)
      if (c == "n") c = "\n"
      else if (c == "t") c = "\t"
    }
    out = out c
  }
  return out
}
# An RTLIL constant: decimal, or WIDTH'BITS read as unsigned binary (x and z as 0).
function number(v,   bits, n, i) {
  if (v !~ /'/) return v + 0
  bits = substr(v, index(v, "'") + 1)
  n = 0
  for (i = 1; i <= length(bits); i++) n = 2 * n + (substr(bits, i, 1) == "1")
  return n
}
# The rest of the line after the first `n` fields.
function rest(n,   s, i) {
  s = $0
  sub(/^[ \t]+/, "", s)
  for (i = 0; i < n; i++) sub(/^[^ \t]+[ \t]+/, "", s)
  return s
}
# A name as a select pattern: every character that select or the command line could
# read otherwise matches as `?`.
function pattern(name,   out, i, c) {
  out = ""
  for (i = 1; i <= length(name); i++) {
    c = substr(name, i, 1)
    out = out (c ~ /[A-Za-z0-9_.$]/ ? c : "?")
  }
  return out
}
# A module for the table: its name; a module derived for parameters ($paramod$HASH\NAME,
# $paramod\NAME\P=V...) by the name it was derived from and its parameters, within reason.
function modulename(id, plist,   s) {
  s = unescape(id)
  if (s !~ /^\$paramod/) return s
  sub(/^\$paramod(\$[0-9a-f]+)?\\/, "", s)
  sub(/\\.*/, "", s)
  if (plist == "") return s
  if (length(plist) > 40) plist = substr(plist, 1, 37) "..."
  return s "#(" plist ")"
}
# A parameter line's value for the table.
function paramvalue(v) {
  return v ~ /^"/ ? "\"" text(v) "\"" : number(v)
}

# A file:line for the table, without the directory.
function place(src) {
  sub(/\|.*/, "", src)
  sub(/^.*\//, "", src)
  if (match(src, /:[0-9]+/)) src = substr(src, 1, RSTART + RLENGTH - 1)
  return src
}

{ part = FILENAME == dumpfile ? 1 : FILENAME == logfile ? 2 : FILENAME == designfile ? 3 : 4 }

# ---- 1: the memories ---------------------------------------------------------------
part == 1 && $1 == "attribute" {
  pending[$2] = text(rest(2))
  next
}
part == 1 && $1 == "module" {
  module = $2
  modparams = ""
  split("", pending)
  incell = 0
  next
}
part == 1 && $1 == "parameter" && !incell {
  modparams = modparams (modparams == "" ? "" : ",") unescape($2) "=" paramvalue(rest(2))
  params[module] = modparams
  next
}
part == 1 && $1 == "cell" && $2 == "$mem_v2" {
  n++
  mod[n] = module
  name[n] = $3
  hdl[n] = ("\\hdlname" in pending) ? pending["\\hdlname"] : ""
  src[n] = ("\\src" in pending) ? pending["\\src"] : ""
  style[n] = ""
  split("ram_style rom_style ramstyle romstyle syn_ramstyle syn_romstyle", styles, " ")
  for (i = 1; i <= 6; i++)
    if (("\\" styles[i]) in pending && style[n] == "")
      style[n] = styles[i] " \"" pending["\\" styles[i]] "\""
  if ("\\logic_block" in pending) style[n] = "logic_block"
  split("", pending)
  incell = 1
  next
}
part == 1 && $1 == "parameter" && incell {
  if ($2 == "\\SIZE") size[n] = number($3)
  else if ($2 == "\\WIDTH") width[n] = number($3)
  else if ($2 == "\\WR_PORTS") wrports[n] = number($3)
  else if ($2 == "\\RD_CLK_ENABLE") async[n] = ($3 ~ /'.*0/)
  else if ($2 == "\\INIT") contents[n] = ($3 ~ /'.*[01]/)
  next
}
part == 1 && $1 == "end" {
  incell = 0
  next
}
part == 1 { next }

# ---- 2: the log --------------------------------------------------------------------
part == 2 && /^mapping memory .* via / {
  s = $0
  sub(/^mapping memory /, "", s)
  via = s
  sub(/.* via /, "", via)
  sub(/ via [^ ]*$/, "", s)
  mapped[s] = via
  next
}
part == 2 && /^Checking read port address .*address FF has fully-defined init value/ {
  # Checking read port address `\mem'[0] in module `\top': address FF has ...
  s = $0
  sub(/^Checking read port address `/, "", s)
  m = s
  sub(/'\[[0-9]+\] in module `.*/, "", s)
  sub(/^.*'\[[0-9]+\] in module `/, "", m)
  sub(/':.*/, "", m)
  startvalue[unescape(m) "." unescape(s)] = 1
  next
}
part == 2 && /^Warning: Replacing memory .* with list of registers/ {
  # The front end made registers of it, named NAME[0], NAME[1]...: a read after a write
  # with `=` in one block, a write outside a clocked block.
  s = $0
  sub(/^Warning: Replacing memory /, "", s)
  see = s
  sub(/ with list of registers.*/, "", s)
  sub(/^.* See /, "", see)
  if (!(unescape(s) in regsee)) regsee[unescape(s)] = see
  next
}
part == 2 { next }

# ---- 3: the design after the coarse stage: the registers of those memories ---------
part == 3 && $1 == "module" {
  rmodule = $2
  split("", rpending)
  next
}
part == 3 && /^  parameter / {
  rparams[rmodule] = rparams[rmodule] (rparams[rmodule] == "" ? "" : ",") unescape($2) "=" \
    paramvalue(rest(2))
  next
}
part == 3 && $1 == "attribute" {
  rpending[$2] = text(rest(2))
  next
}
part == 3 && $1 == "wire" {
  w = 1
  for (i = 2; i < NF; i++) if ($i == "width") w = $(i + 1)
  # Flattened, the word keeps its place in hdlname: "u acc[3]".
  nm = ("\\hdlname" in rpending) ? rpending["\\hdlname"] : unescape($NF)
  split("", rpending)
  if (match(nm, /\[[0-9]+\]$/)) {
    base = substr(nm, 1, RSTART - 1)
    last = base
    sub(/^.* /, "", last)
    if (last in regsee) {
      key = rmodule SUBSEP base
      if (!(key in regwords)) {
        regkeys[++nregkeys] = key
        regwidth[key] = w
      }
      regwords[key]++
    }
  }
  next
}
part == 3 {
  split("", rpending)
  next
}

# ---- 4: the cells memory_libmap made -----------------------------------------------
part == 4 && NF == 1 {
  base = $1
  sub(/\.[0-9]+\.[0-9]+$/, "", base)
  cells[base] = cells[base] " " $1
  count[base]++
}

# Merged by the fix stage: a read address register with a start value, no contents.
function merged(k) {
  return ((unescape(mod[k]) "." unescape(name[k])) in startvalue) && async[k] && !contents[k]
}

END {
  if (stage == "fix") {
    ff = "$dff,$dffe,$sdff,$sdffe,$sdffce"
    for (k = 1; k <= n; k++) {
      if (!merged(k)) continue
      memory = pattern(unescape(mod[k])) "/" pattern(unescape(name[k]))
      printf "select -set seu_start %s %%ci1:+$mem_v2[RD_ADDR] %%ci1:+%s[Q] %%co1:+%s[Q] w:* %%i\n",
        memory, ff, ff
      print "attrmap -rename init seu_start @seu_start"
      print "memory_dff " memory
      print "attrmap -rename seu_start init @seu_start"
    }
    exit
  }
  if (names != "") printf "" > names
  rows = 0
  for (k = 1; k <= n; k++) {
    m = unescape(mod[k])
    mname = modulename(mod[k], params[mod[k]])
    if (hdl[k] != "") {
      what = hdl[k]
      gsub(/ /, "/", what)
    } else if (name[k] ~ /^\$/) {
      # A memory Yosys made and named itself: a ROM from a case statement, say where.
      what = name[k]
      path = ""
      if (what ~ /^\$flatten\\/) {
        path = what
        sub(/^\$flatten\\/, "", path)
        sub(/\.\$.*/, "", path)
        gsub(/\.\\/, "/", path)
        path = path "/"
      }
      what = path (what ~ /proc_rom/ ? "case ROM" : "memory") " at " place(src[k])
    } else {
      what = unescape(name[k])
    }
    key = m "." unescape(name[k])
    base = m "/" unescape(name[k])
    if (key in mapped) {
      via = mapped[key]
      sub(/^\$__SEU_/, "", via)
      sub(/_$/, "", via)
      sub(/_/, " ", via)
      where = (count[base] > 1 ? count[base] " x " : "") via
      if (hdl[k] != "" && names != "" && hdl[k] !~ /["\\]/) {
        c = split(substr(cells[base], 2), list, " ")
        for (i = 1; i <= c; i++) {
          suffix = substr(list[i], length(base) + 1)
          printf "setattr -set hdlname \"%s%s\" %s/%s\n", hdl[k], suffix, pattern(m),
            pattern(unescape(name[k]) suffix) > names
        }
      }
    } else {
      bits = size[k] * width[k]
      if (tolower(style[k]) ~ /logic|registers|distributed/)
        why = style[k]
      else if ((key in startvalue) && async[k] && !merged(k))
        why = "its read address register has a start value and it has initial contents"
      else if (async[k] && !merged(k))
        why = "the read is not registered"
      else if (wrports[k] > 2)
        why = wrports[k] " write ports"
      else if (wrports[k] == 0)
        why = "a ROM of " bits " bits costs less in logic than a block"
      else
        why = bits " bits cost less in logic than a block"
      where = "logic: " why
    }
    rows++
    col1[rows] = mname
    col2[rows] = what
    col3[rows] = size[k] " x " width[k]
    col4[rows] = where
  }
  # Memories the front end made registers of: no $mem_v2 to map, a marker of their own
  # (a cell that `add` makes, given the marker's type, shape and name).
  for (r = 1; r <= nregkeys; r++) {
    key = regkeys[r]
    split(key, parts, SUBSEP)
    last = parts[2]
    sub(/^.* /, "", last)
    rows++
    col1[rows] = modulename(parts[1], rparams[parts[1]])
    col2[rows] = parts[2]
    gsub(/ /, "/", col2[rows])
    col3[rows] = regwords[key] " x " regwidth[key]
    col4[rows] = "logic: Yosys made registers of it (see " regsee[last] ")"
    if (names != "" && parts[2] !~ /["\\]/) {
      m = pattern(unescape(parts[1]))
      printf "add -wire seu_registers_%d 1 %s\n", r, m > names
      printf "add -cover seu_registers_%d %s\n", r, m > names
      printf "select -set seu_marker %s/w:seu_registers_%d %%co1 t:$cover %%i\n", m, r > names
      printf "setparam -type $__SEU_UNMAPPED_ -set SIZE %d -set WIDTH %d @seu_marker\n",
        regwords[key], regwidth[key] > names
      printf "setattr -set hdlname \"%s\" -set keep 1 @seu_marker\n", parts[2] > names
    }
  }
  if (rows == 0) {
    print "no inferred memories"
    exit
  }
  w1 = length("module")
  w2 = length("memory")
  w3 = length("words x bits")
  for (r = 1; r <= rows; r++) {
    if (length(col1[r]) > w1) w1 = length(col1[r])
    if (length(col2[r]) > w2) w2 = length(col2[r])
    if (length(col3[r]) > w3) w3 = length(col3[r])
  }
  printf "%-" w1 "s  %-" w2 "s  %" w3 "s  %s\n", "module", "memory", "words x bits", "placed in"
  for (r = 1; r <= rows; r++)
    printf "%-" w1 "s  %-" w2 "s  %" w3 "s  %s\n", col1[r], col2[r], col3[r], col4[r]
}
