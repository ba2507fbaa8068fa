#!/usr/bin/env python3
"""Runs the shipped Yosys flow (data/yosys/synth.sh) on examples/verilog and checks the
memory primitives of each JSON netlist, instance by instance, against a hand-made table.
Then reads each netlist with `seufit inventory --json` and checks the block RAM figures
worked out by hand, and that `seufit import` gives a design file with the same inventory.
Small designs written here (CASES) check one coding style or option each by the
inventory of their netlist.
   flow_test.py SOURCE_DIR [SEUFIT]   (exit 77, a skip, when yosys is not installed)"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

PRIMITIVES = {"RAMB18", "RAMB36", "FIFO18", "FIFO36", "YRAM"}

# Hand mapping: 1024x36 fits one RAMB36 at width 36; 2048x72 needs four RAMB36 of
# 2048x18; 512x16 with two read-write ports is one true-dual-port RAMB18 at width 18.
SDP = "SDP"
INFERRED = {
    "fifo_store.0.0": ("RAMB36", {"RAM_MODE": SDP, "READ_WIDTH_A": 36, "WRITE_WIDTH_B": 36}),
    **{f"frames.0.{i}": ("RAMB36", {"RAM_MODE": SDP, "READ_WIDTH_A": 18, "WRITE_WIDTH_B": 18})
       for i in range(4)},
    "shared.0.0": ("RAMB18", {"RAM_MODE": "TDP", "READ_WIDTH_A": 18, "WRITE_WIDTH_A": 18,
                              "READ_WIDTH_B": 18, "WRITE_WIDTH_B": 18,
                              "WRITE_MODE_A": "READ_FIRST", "WRITE_MODE_B": "READ_FIRST"}),
    "scratch.0.0": ("YRAM", {"READ_WIDTH_A": 72, "WRITE_WIDTH_A": 72,
                             "READ_WIDTH_B": 72, "WRITE_WIDTH_B": 72}),
}
EXPLICIT = {
    "ecc_ram": ("RAMB36", {"RAM_MODE": SDP, "READ_WIDTH_A": 72, "WRITE_WIDTH_B": 72,
                           "EN_ECC_READ": "TRUE", "EN_ECC_WRITE": "TRUE"}),
    "table_ram": ("RAMB18", {"RAM_MODE": "TDP", "READ_WIDTH_A": 9, "WRITE_WIDTH_A": 9,
                             "READ_WIDTH_B": 9, "WRITE_WIDTH_B": 9}),
    "wide_fifo": ("FIFO36", {"FIFO_MODE": "FIFO36_72", "READ_WIDTH": 72, "WRITE_WIDTH": 72}),
    "narrow_fifo": ("FIFO18", {"READ_WIDTH": 36, "WRITE_WIDTH": 36}),
}
# 18x1024 and 36x512 fit a RAMB18 (cheaper than a RAMB36); 72x512 needs a RAMB36.
LINE_BUFFERS = {
    "luma_a/mem.0.0": ("RAMB18", {"RAM_MODE": SDP, "READ_WIDTH_A": 18, "WRITE_WIDTH_B": 18}),
    "luma_b/mem.0.0": ("RAMB18", {"RAM_MODE": SDP, "READ_WIDTH_A": 18, "WRITE_WIDTH_B": 18}),
    "chroma_buf/mem.0.0": ("RAMB18", {"RAM_MODE": SDP, "READ_WIDTH_A": 36, "WRITE_WIDTH_B": 36}),
    "pixel_buf/mem.0.0": ("RAMB36", {"RAM_MODE": SDP, "READ_WIDTH_A": 72, "WRITE_WIDTH_B": 72}),
}
FLAT_LINE_BUFFERS = {k.replace("/", "."): v for k, v in LINE_BUFFERS.items()}
# Rows by hierarchy (depth, bits, own bits), flattened (hdlname) as kept hierarchical.
LINE_BUFFER_ROWS = {"line_buffers": (0, 3 * 18432 + 36864, 0), "pixel_buf": (1, 36864, 36864),
                    **{i: (1, 18432, 18432) for i in ("luma_a", "luma_b", "chroma_buf")}}


# Block RAM bits by hand (z9-example): a RAMB18 holds 18432 bits at width 9, 18 or 36; a
# RAMB36 36864 at 18, 36 or 72;
# a FIFO18 in 36-bit mode 18432, a FIFO36_72 36864; ECC-protected blocks count nothing;
# table_ram declares 2048 protected bits.
INVENTORY = {
    "inferred": {"bramCount": 6, "ramb36SdpCount": 5, "ramb18TdpCount": 1, "yramCount": 1,
                 "bramBits": 5 * 36864 + 18432},
    "explicit_top": {"bramCount": 4, "ramb18TdpCount": 1, "fifo18Count": 1,
                     "fifo36_72Count": 1, "ramb36SdpCount": 0,
                     "bramBits": (18432 - 2048) + 18432 + 36864},
    "line_buffers": {"bramCount": 4, "ramb18SdpCount": 3, "ramb36SdpCount": 1,
                     "bramBits": 3 * 18432 + 36864},
}


# Small designs, CASES below.
# The figures are for z9-example, where a RAMB18 holds 16384 bits at width 1, 2 or 4 and
# 18432 at 9, 18 or 36, a RAMB36 twice as many.
SV_OPTIONS = {
    # -I finds the header, -D sets LANES (a word of 4 x 9 bits), -P doubles the default
    # depth: 1024 x 36 no longer fits a RAMB18 and takes one RAMB36 at width 36.
    "shape.sv": """`include "lanes.svh"
module shape #(parameter int DEPTH = 512) (
    input logic clk, we,
    input logic [$clog2(DEPTH)-1:0] wa, ra,
    input logic [`WORD-1:0] d,
    output logic [`WORD-1:0] q);
  logic [`WORD-1:0] m[0:DEPTH-1];
  always_ff @(posedge clk) begin
    if (we) m[wa] <= d;
    q <= m[ra];
  end
endmodule
""",
    "inc/lanes.svh": "`define WORD (`LANES * 9)\n",
}
# Where memories go but to block RAM. 128 x 4 is worth a block (a block costs as much as
# 63 bits of RAM in logic, 1008 of ROM) unless a style asks for logic; 8 x 4 is not, unless
# the style asks for a block (a RAMB18 at width 4 each: 16384 bits). The ROM would stop the
# flow if "distributed" were looked for among the library's memories. Also in logic: a read
# that is not registered, a RAM and a ROM too small to be worth a block.
LOGIC = {
    "logic.v": """module logic (
    input clk, we, input [6:0] wa, ra, input [3:0] d, input [19:0] e,
    output reg [3:0] q0, q1, q2, q3, q4, q5, q7, output reg [7:0] q6, q8, output [3:0] q9);
  reg [3:0] plain[0:127];
  (* ram_style = "distributed" *) reg [3:0] dist[0:127];
  (* ram_style = "LOGIC" *) reg [3:0] lg[0:127];
  (* ram_style = "registers" *) reg [3:0] regs[0:127];
  (* syn_ramstyle = "distributed" *) reg [3:0] syn[0:127];
  (* ram_style = "block" *) reg [3:0] tiny[0:7];
  (* rom_style = "distributed" *) reg [7:0] rom[0:127];
  reg [3:0] async_read[0:127], small[0:7];
  reg [7:0] table_rom[0:15];
  integer i;
  initial for (i = 0; i < 128; i = i + 1) rom[i] = i * 5;
  initial for (i = 0; i < 16; i = i + 1) table_rom[i] = i * 17;
  always @(posedge clk) begin
    if (we) begin
      plain[wa] <= d; dist[wa] <= e[3:0]; lg[wa] <= e[7:4]; regs[wa] <= e[11:8];
      syn[wa] <= e[15:12]; async_read[wa] <= e[19:16]; tiny[wa[2:0]] <= d; small[wa[2:0]] <= d;
    end
    q0 <= plain[ra]; q1 <= dist[ra]; q2 <= lg[ra]; q3 <= regs[ra]; q4 <= syn[ra];
    q5 <= tiny[ra[2:0]]; q6 <= rom[ra]; q7 <= small[ra[2:0]]; q8 <= table_rom[ra[3:0]];
  end
  assign q9 = async_read[ra];
endmodule
""",
}
# One port of 16384 x 1: width 1 on the port used, 0 on the other, so 16384 bits. Reads
# of the data from before a write fit a simple-dual-port block (cheaper); reads of the
# data being written need a true-dual-port block in WRITE_FIRST mode.
SINGLE_PORT = {
    "single.v": """module single (
    input clk, we, input [13:0] a, input d, output reg q_old, q_new);
  reg old_first[0:16383], new_first[0:16383];
  always @(posedge clk) begin
    if (we) old_first[a] <= d;
    q_old <= old_first[a];
  end
  always @(posedge clk)
    if (we) begin
      new_first[a] <= d;
      q_new <= d;
    end else
      q_new <= new_first[a];
endmodule
""",
}
# A memory coded with two read-write ports, instantiated twice: `half` ties port B off.
# Kept hierarchical, both instances share one module of two ports (two true-dual-port
# RAMB18 at width 18); flattened, `half` has one port left and is a simple-dual-port one.
TIED_OFF = {
    "tied.v": """module dpram (
    input clk, we_a, we_b, input [9:0] addr_a, addr_b, input [17:0] din_a, din_b,
    output reg [17:0] dout_a, dout_b);
  reg [17:0] m[0:1023];
  always @(posedge clk) begin
    if (we_a) m[addr_a] <= din_a;
    dout_a <= m[addr_a];
  end
  always @(posedge clk) begin
    if (we_b) m[addr_b] <= din_b;
    dout_b <= m[addr_b];
  end
endmodule

module tied (input clk, we, input [9:0] a, b, input [17:0] d, output [17:0] qa, qb, qc);
  dpram both (clk, we, we, a, b, d, ~d, qa, qb);
  dpram half (.clk(clk), .we_a(we), .we_b(1'b0), .addr_a(b), .addr_b(10'd0),
              .din_a(d), .din_b(18'd0), .dout_a(qc), .dout_b());
endmodule
""",
}
# Initial contents of each kind: a ROM read with $readmemh (1024 x 36, a RAMB36: 36864
# bits), a RAM with $readmemb, a RAM filled by a loop, a ROM of a case statement (a RAMB18
# each: 18432 bits; a ROM costs a sixteenth of its bits in logic, and 32 x 36 still costs
# more than a block), all in SDP mode at their word's width. The words are multiples of 9
# bits, so that every bit of INIT_xx and INITP_xx is checked against the contents.
ROM_H = [(a * 0x2468ACE1 + 0x800000001) % 2**36 for a in range(1024)]
RAM_B = [a * 37 % 512 for a in range(256)]
RAM_I = [a * 1025 % 2**18 for a in range(128)]
ROM_C = [(a * 0x123456789 ^ 0x800000000) % 2**36 for a in range(32)]
CONTENTS = {
    "rom.hex": "".join(f"{v:09x}\n" for v in ROM_H),
    "ram.bin": "".join(f"{v:09b}\n" for v in RAM_B),
    "contents.v": """module contents (
    input clk, we, input [9:0] a, input [8:0] d9, input [17:0] d18,
    output reg [35:0] q1, q4, output reg [8:0] q2, output reg [17:0] q3);
  reg [35:0] rom_h[0:1023];
  reg [8:0] ram_b[0:255];
  reg [17:0] ram_i[0:127];
  integer i;
  initial begin
    $readmemh("rom.hex", rom_h);
    $readmemb("ram.bin", ram_b);
    for (i = 0; i < 128; i = i + 1) ram_i[i] = i * 1025;
  end
  always @(posedge clk) begin
    if (we) begin
      ram_b[a[7:0]] <= d9;
      ram_i[a[6:0]] <= d18;
    end
    q1 <= rom_h[a];
    q2 <= ram_b[a[7:0]];
    q3 <= ram_i[a[6:0]];
    case (a[4:0])
""" + "".join(f"      {a}: q4 <= 36'h{v:09x};\n" for a, v in enumerate(ROM_C)) + """    endcase
  end
endmodule
""",
}


def block_words(params, width):
    """The words of `width` bits (9, 18 or 36) a block starts with: the 9-bit bytes put
    together from INIT_xx (8 bits each) and INITP_xx (the ninth bits)."""
    lines = sum(1 for k in params if k.startswith("INIT_"))
    data = sum(value(params[f"INIT_{i:02X}"]) << 256 * i for i in range(lines))
    ninth = sum(value(params[f"INITP_{i:02X}"]) << 256 * i for i in range(lines // 8))
    b = [(data >> 8 * n & 0xFF) | (ninth >> n & 1) << 8 for n in range(lines * 32)]
    k = width // 9
    return [sum(b[a * k + j] << 9 * j for j in range(k)) for a in range(len(b) // k)]


def check_contents(netlist, label, failures):
    cells = netlist["modules"]["contents"]["cells"]
    case_rom = next((name for name in cells if "proc_rom" in name), "no case ROM")
    for name, width, want in (("rom_h.0.0", 36, ROM_H), ("ram_b.0.0", 9, RAM_B),
                              ("ram_i.0.0", 18, RAM_I), (case_rom, 36, ROM_C)):
        params = cells.get(name, {}).get("parameters", {})
        got = block_words(params, width)[:len(want)] if "INIT_00" in params else None
        if got != want:
            failures.append(f"{label}: {name} starts with {got}, expected {want}")


# Reads whose address register has a start value: `ring` has no contents, so that its
# first read is undefined with the register merged into the block's read port too (a RAMB18
# at width 9: 18432 bits); `wave` has contents, so that it stays in logic. `hist` and `acc`
# are written with `=`: `hist` is read before the write in its block (the old word, a RAMB18
# like any), `acc` after it, which Yosys's front end makes registers of.
START = {
    "start.v": """module start (
    input clk, we, rd, input [6:0] wa, input [7:0] d, input [4:0] a,
    output [7:0] q0, q1, output reg [7:0] q2, q3);
  reg [7:0] ring[0:127];
  reg [6:0] rd_ptr = 0;
  always @(posedge clk) begin
    if (we) ring[wa] <= d;
    if (rd) rd_ptr <= rd_ptr + 1;
  end
  assign q0 = ring[rd_ptr];

  reg [7:0] wave[0:255];
  reg [7:0] phase = 8'd17;
  integer i;
  initial for (i = 0; i < 256; i = i + 1) wave[i] = i ^ 8'h5a;
  always @(posedge clk) phase <= phase + 1;
  assign q1 = wave[phase];

  reg [7:0] acc[0:31];
  always @(posedge clk) begin
    if (we) acc[a] = d;
    q2 <= acc[a];
  end

  reg [7:0] hist[0:127];
  always @(posedge clk) begin
    q3 <= hist[wa];
    if (we) hist[wa] = d;
  end
endmodule

module wrap (input clk, we, rd, input [6:0] wa, input [7:0] d, input [4:0] a,
             output [7:0] q0, q1, q2, q3);
  start u (clk, we, rd, wa, d, a, q0, q1, q2, q3);
endmodule
""",
}
START_PLACED = {
    "ring": "RAMB18 SDP",
    "hist": "RAMB18 SDP",
    "wave": "logic: its read address register has a start value and it has initial contents",
    "acc": "logic: Yosys made registers of it (see start.v:",
}


def check_start_values(netlist, label, failures):
    """The address registers keep their start values."""
    for module in netlist["modules"].values():
        for net, want in (("rd_ptr", 0), ("phase", 17), ("u.rd_ptr", 0), ("u.phase", 17)):
            init = module["netnames"].get(net, {}).get("attributes", {}).get("init")
            if init is not None and value(init) != want:
                failures.append(f"{label}: {net} starts at {value(init)}, expected {want}")


def check_in_logic(netlist, label, failures):
    """A memory marked as left in logic is there too: a flip-flop per bit of the RAMs."""
    flops = sum("DFF" in c["type"] for c in netlist["modules"]["logic"]["cells"].values())
    if flops < 5 * 512 + 32:
        failures.append(f"{label}: {flops} flip-flops, fewer than the RAMs' {5 * 512 + 32} bits")


# Each case: its files, synth.sh options, top, inventory figures by hand; where the table
# says each memory went ("placed"); the memories the netlist marks as left in logic,
# words x bits, which `seufit check` names (warning 1-93); a check of the JSON netlist.
CASES = [
    dict(label="sv, -I, -D, -P", files=SV_OPTIONS, top="shape",
         flags=["-I", "inc", "-D", "LANES=4", "-P", "DEPTH=1024"],
         inventory={"bramCount": 1, "ramb36SdpCount": 1, "bramBits": 36864},
         placed={"m": "RAMB36 SDP"}),
    dict(label="styles, logic", files=LOGIC, top="logic",
         inventory={"bramCount": 2, "ramb18SdpCount": 2, "bramBits": 2 * 16384},
         placed={"plain": "RAMB18 SDP", "tiny": "RAMB18 SDP",
                 "dist": 'logic: ram_style "distributed"', "lg": 'logic: ram_style "LOGIC"',
                 "regs": 'logic: ram_style "registers"',
                 "syn": 'logic: syn_ramstyle "distributed"',
                 "rom": 'logic: rom_style "distributed"',
                 "async_read": "logic: the read is not registered",
                 "small": "logic: 32 bits cost less in logic than a block",
                 "table_rom": "logic: a ROM of 128 bits costs less in logic than a block"},
         logic={**{m: (128, 4) for m in ("dist", "lg", "regs", "syn", "async_read")},
                "rom": (128, 8), "small": (8, 4), "table_rom": (16, 8)},
         check=check_in_logic),
    dict(label="single port", files=SINGLE_PORT, top="single",
         inventory={"bramCount": 2, "ramb18SdpCount": 1, "ramb18TdpCount": 1,
                    "bramBits": 2 * 16384}),
    dict(label="port B tied off, hierarchical", files=TIED_OFF, top="tied",
         inventory={"bramCount": 2, "ramb18TdpCount": 2, "ramb18SdpCount": 0,
                    "bramBits": 2 * 18432}),
    dict(label="port B tied off, flattened", files=TIED_OFF, top="tied", flags=["--flatten"],
         inventory={"bramCount": 2, "ramb18TdpCount": 1, "ramb18SdpCount": 1,
                    "bramBits": 2 * 18432},
         placed={"both/m": "RAMB18 TDP", "half/m": "RAMB18 SDP"}),
    dict(label="initial contents", files=CONTENTS, top="contents",
         inventory={"bramCount": 4, "ramb36SdpCount": 1, "ramb18SdpCount": 3,
                    "bramBits": 36864 + 3 * 18432},
         placed={"rom_h": "RAMB36 SDP", "ram_b": "RAMB18 SDP", "ram_i": "RAMB18 SDP",
                 "case ROM at contents.v:21": "RAMB18 SDP"},
         check=check_contents),
    dict(label="start values, blocking writes", files=START, top="start",
         inventory={"bramCount": 2, "ramb18SdpCount": 2, "bramBits": 2 * 18432},
         placed=START_PLACED, logic={"wave": (256, 8), "acc": (32, 8)}, check=check_start_values),
    dict(label="start values, blocking writes, flattened", files=START, top="wrap",
         flags=["--flatten"],
         inventory={"bramCount": 2, "ramb18SdpCount": 2, "bramBits": 2 * 18432},
         placed={f"u/{k}": v for k, v in START_PLACED.items()},
         logic={"u/wave": (256, 8), "u/acc": (32, 8)}, check=check_start_values,
         # The blocks keep their place in the hierarchy: rows (depth, bits, own bits).
         rows={"wrap": (0, 2 * 18432, 0), "u": (1, 2 * 18432, 2 * 18432)}),
]


def value(v):
    """A write_json parameter: binary text is an unsigned number, other text is text."""
    return int(v, 2) if isinstance(v, str) and v and set(v) <= {"0", "1"} else v


def memories(netlist, top):
    """Every primitive instance below `top`, by hierarchical path: (type, parameters,
    attributes), and the names of the modules the walk went through."""
    modules = netlist["modules"]
    found, visited = {}, set()

    def walk(name, prefix):
        visited.add(name)
        for cell_name, cell in modules[name]["cells"].items():
            kind = cell["type"]
            path = prefix + cell_name
            if kind in PRIMITIVES:
                params = {k: value(v) for k, v in cell["parameters"].items()}
                attrs = {k: value(v) for k, v in cell["attributes"].items()}
                found[path] = (kind, params, attrs)
            elif kind in modules and not modules[kind].get("attributes", {}).get("blackbox"):
                walk(kind, path + "/")
            elif kind.startswith("$mem"):
                found[path] = (kind, {}, {})  # a memory left unmapped
    walk(top, "")
    return found, visited


def inventory(seufit, path, extra):
    run = subprocess.run([seufit, "inventory", "--json", path, *extra],
                         capture_output=True, text=True)
    return run.returncode, (json.loads(run.stdout) if run.returncode == 0 else run.stderr)


def check_seufit(seufit, label, top, out, tmp, failures):
    rc, inv = inventory(seufit, out, ["--part", "z9-example"])
    if rc != 0:
        failures.append(f"{label}: seufit inventory exit {rc}: {inv}")
        return
    for key, want in INVENTORY[top].items():
        if inv[key] != want:
            failures.append(f"{label}: {key} {inv[key]}, expected {want}")
    design = os.path.join(tmp, "imported.json")
    run = subprocess.run([seufit, "import", out, "--part", "z9-example", "-o", design],
                         capture_output=True, text=True)
    if run.returncode != 0:
        failures.append(f"{label}: seufit import exit {run.returncode}: {run.stderr}")
        return
    rc, back = inventory(seufit, design, [])
    if rc != 0 or back != inv:
        failures.append(f"{label}: imported design inventory {back}, expected {inv}")


def synth(synth_sh, flags, top, out, files, cwd):
    return subprocess.run(["bash", synth_sh, *flags, "--top", top, "-o", out, *files],
                          capture_output=True, text=True, cwd=cwd)


def table(stdout):
    """synth.sh's table of memories: memory (and module.memory) -> where it went."""
    rows = [re.split(r"\s{2,}", line.strip()) for line in stdout.splitlines()[1:]]
    return {key: r[3] for r in rows if len(r) == 4 for key in (r[1], f"{r[0]}.{r[1]}")}


def rows(seufit, path):
    """`seufit inventory --by-hierarchy`: path -> (depth, block RAM bits, own ones)."""
    rc, inv = inventory(seufit, path, ["--part", "z9-example", "--by-hierarchy", "3"])
    return {r["path"]: (r["depth"], r["bramBits"], r["own"]["bramBits"])
            for r in (inv["hierarchy"] if rc == 0 else [])}


def marked(seufit, path):
    """The memories a netlist marks as left in logic, as `seufit check` names them."""
    run = subprocess.run([seufit, "check", path, "--part", "z9-example"],
                         capture_output=True, text=True)
    found = re.findall(r"instance (\S+): memory \$mem_v2 \((\d+) words of (\d+) bits", run.stderr)
    return {name: (int(words), int(bits)) for name, words, bits in found}


def check_cases(synth_sh, seufit, tmp, failures):
    """Each case to a JSON netlist and to EDIF: the figures, the same inventory, the table,
    the memories marked as left in logic."""
    for n, case in enumerate(CASES):
        label = case["label"]
        where = os.path.join(tmp, f"case{n}")
        for name, text in case["files"].items():
            os.makedirs(os.path.dirname(os.path.join(where, name)), exist_ok=True)
            with open(os.path.join(where, name), "w") as f:
                f.write(text)
        files = [name for name in case["files"] if name.endswith((".v", ".sv"))]
        got = {}
        for ext in ("json", "edf"):
            netlist = os.path.join(where, f"netlist.{ext}")
            run = synth(synth_sh, case.get("flags", []), case["top"], netlist, files, where)
            if run.returncode != 0:
                failures.append(f"{label}: synth.sh -o .{ext} exit {run.returncode}: {run.stderr}")
                break
            placed = table(run.stdout)
            for memory, want in case.get("placed", {}).items():
                if not placed.get(memory, "").startswith(want):
                    failures.append(f"{label}: {memory} placed in {placed.get(memory)!r}, "
                                    f"expected {want!r}")
            rc, got[ext] = inventory(seufit, netlist, ["--part", "z9-example"])
            if rc != 0:
                failures.append(f"{label}: seufit inventory .{ext} exit {rc}: {got[ext]}")
                break
            if "rows" in case and rows(seufit, netlist) != case["rows"]:
                failures.append(f"{label}: .{ext} rows {rows(seufit, netlist)}, "
                                f"expected {case['rows']}")
            if marked(seufit, netlist) != case.get("logic", {}):
                failures.append(f"{label}: .{ext} marks {marked(seufit, netlist)} as in logic, "
                                f"expected {case.get('logic', {})}")
        else:
            for key, figure in case["inventory"].items():
                if got["json"][key] != figure:
                    failures.append(f"{label}: {key} {got['json'][key]}, expected {figure}")
            if got["edf"] != got["json"]:
                failures.append(f"{label}: EDIF inventory {got['edf']}, JSON {got['json']}")
            if "check" in case:
                with open(os.path.join(where, "netlist.json")) as f:
                    case["check"](json.load(f), label, failures)


def main():
    src = os.path.abspath(sys.argv[1])
    seufit = sys.argv[2] if len(sys.argv) > 2 else None
    if shutil.which("yosys") is None:
        print("SKIP: yosys is not installed (scripts/install-deps.sh installs it)")
        return 77
    synth_sh = os.path.join(src, "data", "yosys", "synth.sh")
    examples = os.path.join(src, "examples", "verilog")
    cases = [
        ("inferred", "inferred.v", [], INFERRED),
        ("explicit_top", "explicit.v", [], EXPLICIT),
        ("line_buffers", "line_buffers.v", [], LINE_BUFFERS),
        ("line_buffers", "line_buffers.v", ["--flatten"], FLAT_LINE_BUFFERS),
    ]
    failures = []
    with tempfile.TemporaryDirectory() as tmp:
        for top, source, flags, expected in cases:
            label = " ".join([source] + flags)
            out = os.path.join(tmp, "netlist.json")
            run = synth(synth_sh, flags, top, out, [os.path.join(examples, source)], tmp)
            if run.returncode != 0:
                failures.append(f"{label}: synth.sh exit {run.returncode}: {run.stderr}")
                continue
            with open(out) as f:
                netlist = json.load(f)
            if seufit:
                check_seufit(seufit, label, top, out, tmp, failures)
                if source == "line_buffers.v" and rows(seufit, out) != LINE_BUFFER_ROWS:
                    failures.append(f"{label}: rows {rows(seufit, out)}")
            found, visited = memories(netlist, top)
            if sorted(found) != sorted(expected):
                failures.append(f"{label}: instances {sorted(found)}, expected {sorted(expected)}")
                continue
            for path, (kind, params) in expected.items():
                got_kind, got_params, _ = found[path]
                if got_kind != kind or got_params != params:
                    failures.append(f"{label}: {path} is {got_kind} {got_params}, "
                                    f"expected {kind} {params}")
            if source == "explicit.v":
                protected = found["table_ram"][2].get("SEU_PROTECTED")
                if protected != 2048:
                    failures.append(f"{label}: table_ram SEU_PROTECTED {protected!r}, expected 2048")
                if seufit:
                    # EDIF carries the same parameters and the designer's attribute.
                    edif = os.path.join(tmp, "netlist.edf")
                    run = synth(synth_sh, flags, top, edif, [os.path.join(examples, source)], tmp)
                    want = inventory(seufit, out, ["--part", "z9-example"])
                    got = inventory(seufit, edif, ["--part", "z9-example"])
                    if run.returncode != 0 or got != want:
                        failures.append(f"{label}: EDIF inventory {got}, JSON {want}")
            if source == "line_buffers.v":
                # Hierarchical: one derived module per shape; flat: only the top remains.
                derived = {m for m in visited if m.startswith("$paramod")}
                want = 0 if flags else 3
                if len(derived) != want:
                    failures.append(f"{label}: {len(derived)} derived modules, expected {want}")
        if seufit:
            check_cases(synth_sh, seufit, tmp, failures)
    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
