# Where synth.sh put each memory of the design: reads
#   1. `dump t:$mem_v2` taken before memory_libmap: every memory, its shape and attributes;
#   2. the Yosys log: memory_dff's and memory_libmap's decision for each memory;
#   3. `select -list t:$__SEU_*` taken after memory_libmap: the cells of each memory;
# prints a table (module, memory, words x bits, the primitive or logic and why) and writes
# to the file `names` the setattr commands that give each cell of a flattened memory the
# memory's hdlname, with the cell's own suffix (".0.1").
#   awk -v names=FILE -f memories.awk DUMP LOG LIST
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
# A file:line for the table, without the directory.
function place(src) {
  sub(/\|.*/, "", src)
  sub(/^.*\//, "", src)
  if (match(src, /:[0-9]+/)) src = substr(src, 1, RSTART + RLENGTH - 1)
  return src
}

{ part = FILENAME == ARGV[1] ? 1 : FILENAME == ARGV[2] ? 2 : 3 }

# ---- 1: the memories ---------------------------------------------------------------
part == 1 && $1 == "attribute" {
  pending[$2] = text(rest(2))
  next
}
part == 1 && $1 == "module" {
  module = $2
  display[module] = unescape(module)
  if ("\\hdlname" in pending) display[module] = unescape(pending["\\hdlname"])
  modparams = ""
  split("", pending)
  incell = 0
  next
}
part == 1 && $1 == "parameter" && !incell {
  v = rest(2)
  v = v ~ /^"/ ? "\"" text(v) "\"" : number(v)
  modparams = modparams (modparams == "" ? "" : ",") unescape($2) "=" v
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
part == 2 { next }

# ---- 3: the cells memory_libmap made -----------------------------------------------
part == 3 && NF == 1 {
  base = $1
  sub(/\.[0-9]+\.[0-9]+$/, "", base)
  cells[base] = cells[base] " " $1
  count[base]++
}

END {
  if (names != "") printf "" > names
  rows = 0
  for (k = 1; k <= n; k++) {
    m = unescape(mod[k])
    mname = display[mod[k]] (params[mod[k]] != "" ? "#(" params[mod[k]] ")" : "")
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
      else if ((key in startvalue) && async[k])
        why = "the read address register has a start value"
      else if (async[k])
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
