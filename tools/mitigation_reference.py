#!/usr/bin/env python3
"""Independent evaluation of the derated figures of `seufit report --mitigation`.

From a design file (the subset of the design format that tests/tools/test_mitigation.py
writes: cells with instances, attributes and sites, catalogue parts and primitives), the
data files and the relative flux, computes every figure of the report's "mitigation" JSON
member: the raw class figures from the bits and the rates, the bits protected by ECC and
by SEU_PROTECTED declarations, the essential, critical, residual and after figures of each
class, the device sums, the mission's failures and probabilities, the availability under
scrubbing, the safety target and the essential bits by instance.

Arithmetic is double precision except where the analysis narrows to single precision:
f32() rounds a double to the nearest float, as the C++ narrowing does. Every figure is
returned with its kind ("float" for a single-precision figure, "double", "int"), so that a
caller can compare the report's printed numbers exactly.

The design walk below reads the design file itself; it does not share code with the
analysis. Protected block bits are those of the blocks the analysis counts: a Korvan FIFO,
whose bits are not analysed, protects none, ECC or not. The instance paths are those of
every instance at any depth, the stacks inside a two-stack HBM primitive included, and an
instance pattern is a shell glob whose '*' also matches '/'.

usage: tools/mitigation_reference.py DESIGN --flux F [--mitigation FILE] [report options]
       prints the "mitigation" member as JSON (floats as their exact double values).
"""

import argparse
import fnmatch
import json
import math
import os
import struct
import sys
import xml.etree.ElementTree as ET

FLT_MAX = struct.unpack("f", b"\xff\xff\x7f\x7f")[0]
YRAM_BLOCK_BITS = 280000
HBM_STACK_BITS = 32768000000.0
INT32_MAX = 2147483647
# The classes of a family's "Device Reliability" table.
FAMILY_CLASSES = {
    "zerith7": ("config", "bram"),
    "zerith8": ("config", "bram"),
    "zerith9": ("config", "bram", "yram", "hbm"),
    "korvan": ("config", "bram", "yram"),
}
# Library-cell codes the analysis gives to each block class, per family.
BLOCK_CODES = {
    "zerith7": {260: "FIFO18", 264: "FIFO36", 1382: "RAMB18", 1390: "RAMB36"},
    "zerith8": {261: "FIFO18", 266: "FIFO36", 1383: "RAMB18", 1391: "RAMB36"},
    "zerith9": {261: "FIFO18", 266: "FIFO36", 1383: "RAMB18", 1391: "RAMB36"},
    "korvan": {1385: "RAMB18", 1395: "RAMB36"},
}
BUDGETS = {
    "iec61508:sil1": 10000, "iec61508:sil2": 1000, "iec61508:sil3": 100, "iec61508:sil4": 10,
    "iso26262:asil-b": 100, "iso26262:asil-c": 100, "iso26262:asil-d": 10,
    "arp4761:major": 10000, "arp4761:hazardous": 100, "arp4761:catastrophic": 1,
}
STATS = ("nominal", "ll", "ul")


class FreeText(str):
    """A text the report words freely (any string will do)."""


def f32(x):
    """x rounded to the nearest single-precision value (returned as a Python float)."""
    return struct.unpack("f", struct.pack("f", x))[0]


def f32_sum(values):
    """A single-precision sum from 0.0f, one addition at a time, of values narrowed first."""
    s = 0.0
    for v in values:
        s = f32(s + f32(v))
    return s


# ---- data ----------------------------------------------------------------------------


def load_data(src):
    """The rate, temperature, part, detection-time and mitigation-default records."""
    data = {"rates": {}, "alpha": {}, "temp": {}, "detect": {}, "mcu": {}}
    root = ET.parse(os.path.join(src, "data", "fit", "SoftErrorRate.xml")).getroot()
    for fam in root.iter("FAMILY"):
        name = fam.get("name").lower()
        for section, key in (("SOFTERRORRATE", "rates"), ("ALPHAPARTICLE", "alpha")):
            for t in fam.find(section).iter("TYPE"):
                data[key][name, t.get("name")] = tuple(
                    f32(float(t.get(k))) for k in ("nominal", "ll", "ul"))
        temp = fam.find("TEMPERATURE")
        data["temp"][name] = tuple(f32(float(temp.find(k).get("value")))
                                   for k in ("SLOPE", "INTERCEPT"))
    root = ET.parse(os.path.join(src, "data", "fit", "DetectionTime.xml")).getroot()
    for dev in root.iter("DEVICE"):
        data["detect"][dev.get("name")] = f32(float(dev.get("avg")))
    with open(os.path.join(src, "data", "parts.json"), encoding="utf-8") as f:
        data["parts"] = {p["name"]: p for p in json.load(f)["parts"]}
    with open(os.path.join(src, "data", "primitives.json"), encoding="utf-8") as f:
        data["libraries"] = json.load(f)["libraries"]
    path = os.path.join(src, "data", "fit", "Mitigation.json")
    if os.path.exists(path):
        with open(path, encoding="utf-8") as f:
            data["mcu"] = json.load(f)["families"]
    return data


# ---- the design ------------------------------------------------------------------------


def capacity(block, width):
    """Bits of a block at its data width (no parity at the narrow widths)."""
    if block in ("RAMB18", "FIFO18"):
        return 16384 if width in (1, 2, 4) else 18432 if width in (9, 18, 36) else 0
    return 32768 if width in (1, 2, 4) else 36864 if width in (9, 18, 36, 72) else 0


def clamp_int32(v):
    return max(-INT32_MAX - 1, min(INT32_MAX, v))


class Design:
    """The bits, protected bits and instance paths of a generated design file."""

    def __init__(self, doc, data):
        self.doc = doc
        part = doc["part"] if isinstance(doc["part"], dict) else data["parts"][doc["part"]]
        self.part = part
        self.family = part["arch_id"].lower()
        self.config_bits = int(part.get("config_bits", 0))
        self.library = data["libraries"].get(part.get("library"), {})
        self.sites = doc.get("sites", {})
        self.bram_exposed = 0
        self.bram_protected = 0
        self.yram_count = 0
        self.yram_protected = 0
        self.hbm_stacks = 0
        self.hbm_protected = 0.0
        self.paths = []
        self._walk(doc["top"], "")

    # -- attributes, netlist first, then the site's configuration
    def _site_value(self, inst, name):
        for element in self.sites.get(inst.get("site"), []):
            for key, value in element.get("config", []):
                if key == name:
                    return value
        return None

    def _defined(self, inst, name):
        return name in self.library[inst["cell"]]["attributes"]

    def _int_attr(self, inst, name):
        attrs = inst.get("attributes", {})
        if name in attrs:
            v = attrs[name]
            return v if isinstance(v, int) and not isinstance(v, bool) else 0
        v = self._site_value(inst, name)
        return int(v) if v else 0

    def _ecc_on(self, inst, name):
        attrs = inst.get("attributes", {})
        if name in attrs:
            if not self._defined(inst, name):
                return False
            v = attrs[name]
            return v if isinstance(v, bool) else v == "TRUE"
        return self._site_value(inst, name) == "TRUE"

    def _protected(self, inst):
        v = inst.get("attributes", {}).get("SEU_PROTECTED", 0)
        return math.floor(v["double"]) if isinstance(v, dict) else int(v)

    def _width(self, inst, block):
        if block.startswith("RAMB"):
            return max(self._int_attr(inst, n) for n in
                       ("READ_WIDTH_A", "WRITE_WIDTH_A", "READ_WIDTH_B", "WRITE_WIDTH_B"))
        attrs = inst.get("attributes", {})
        w = attrs.get("DATA_WIDTH", 0)
        if w:
            return w
        w = max(attrs.get("READ_WIDTH", 0), attrs.get("WRITE_WIDTH", 0))
        if w:
            return w
        for names in (("DATA_WIDTH",), ("READ_WIDTH", "WRITE_WIDTH")):
            w = max(int(self._site_value(inst, n) or 0) for n in names)
            if w:
                return w
        return 0

    def _walk(self, cell, prefix):
        for inst in self.doc["cells"][cell].get("instances", []):
            path = prefix + inst["name"]
            self.paths.append(path)
            name = inst["cell"]
            if name in self.doc["cells"]:
                self._walk(name, path + "/")
                continue
            prim = self.library[name]
            kind = prim["class"]
            if kind in ("ramb", "fifo"):
                self._block(inst, prim)
            elif kind == "yram":
                self.yram_count += 1
                self.yram_protected += min(clamp_int32(self._protected(inst)), YRAM_BLOCK_BITS)
            elif kind == "hbm":
                self.hbm_protected += min(float(self._protected(inst)), HBM_STACK_BITS)
                if prim["code"] == 332:
                    self.hbm_stacks += 1
                for inner in prim.get("contents", {}).get("instances", []):
                    # Two-stack: the stacks inside, which declare nothing.
                    self.paths.append(path + "/" + inner["name"])
                    self.hbm_stacks += 1

    def _block(self, inst, prim):
        block = BLOCK_CODES[self.family].get(prim["code"])
        if block is None:
            return  # a block whose bits are not analysed (Korvan's FIFO), ECC or not
        if self._ecc_on(inst, "EN_ECC_READ") and self._ecc_on(inst, "EN_ECC_WRITE"):
            # The whole block is protected; its width gives its capacity as for any block.
            self.bram_protected += capacity(block, self._width(inst, block))
            return
        cap = capacity(block, self._width(inst, block))
        p = clamp_int32(self._protected(inst))
        self.bram_exposed = min(INT32_MAX, self.bram_exposed + max(cap - p, 0))
        self.bram_protected += min(max(p, 0), cap)

    def exposed(self, cls):
        if cls == "config":
            return float(self.config_bits)
        if cls == "bram":
            return float(self.bram_exposed)
        if cls == "yram":
            bits = float(YRAM_BLOCK_BITS) * self.yram_count - self.yram_protected
            return float(min(max(math.floor(bits), 0), 4294967295)) if bits == bits else 0.0
        return HBM_STACK_BITS * self.hbm_stacks - self.hbm_protected

    def protected(self, cls):
        return {"bram": float(self.bram_protected), "yram": float(self.yram_protected),
                "hbm": self.hbm_protected}[cls]

    def matches(self, pattern):
        return sum(1 for p in self.paths if fnmatch.fnmatchcase(p, pattern))


# ---- the class figures ------------------------------------------------------------------


def class_fit(data, family, cls, bits, flux, devices, temperature, revised):
    """Nominal, lower and upper FIT of `bits` bits of a class, in double."""
    s, sl, su = data["rates"][family, cls]
    a, al, au = data["alpha"][family, cls]
    slope, intercept = data["temp"][family]
    T = f32(f32(slope * f32(temperature)) + intercept)
    B = bits / 1000000.0
    F = f32(flux)
    N = devices
    lo, up = f32(f32(1 + sl) * s), f32(f32(1 + su) * s)
    if not revised:
        return (s * B * F * N * T, lo * B * F * N * T, up * B * F * N * T)
    alo, aup = f32(f32(1 + al) * a), f32(f32(1 + au) * a)
    s_minus_a = f32(s - f32(a / 9.0))
    return (s_minus_a * B * F * N * T + a * B * N * T,
            (lo - alo / 9.0) * B * F * N * T + alo * B * N * T,
            (up - aup / 9.0) * B * F * N * T + aup * B * N * T)


def class_figures(data, family, cls, bits, run):
    """The class's three statistics as its table row holds them (float, HBM double)."""
    figs = class_fit(data, family, cls, bits, *run)
    if cls == "hbm":
        return dict(zip(STATS, figs))
    return dict(zip(STATS, (f32(x) for x in figs)))


def failures(S, months):
    if not S > 0:
        return 0.0
    Y = f32(1e9 / S * 0.041666666666666664 * 0.0027397260273972603)
    return f32((1.0 / Y) * (f32(months) / 12.0)) if Y < FLT_MAX else 0.0


# ---- the inputs ---------------------------------------------------------------------------


def unwrap(value, default_source):
    """(value, source) of a file's scalar, plain or {"value": V, "source": S}."""
    if isinstance(value, dict):
        return value["value"], value.get("source", default_source)
    return value, default_source


def resolve(design, data, mitigation=None, mitigation_path=None, options=None):
    """The factors, with their sources, that the inputs give.

    mitigation: the parsed mitigation file (or None); mitigation_path: the file as named on
    the command line; options: {"essential_fraction", "critical_fraction", "scrub",
    "repair_time", "target", "target_share"} as given on the command line (strings)."""
    m = mitigation or {}
    opt = options or {}
    file_src = f"mitigation file {mitigation_path}"
    C = design.config_bits
    r = {}

    r["essential_bits"] = None
    if "essential_fraction" in opt:
        r["e"] = (float(opt["essential_fraction"]), "option --essential-fraction")
    elif "essential_fraction" in m:
        r["e"] = unwrap(m["essential_fraction"], file_src)
    elif "essential_bits" in m:
        bits, src = unwrap(m["essential_bits"], file_src)
        r["essential_bits"] = int(bits)
        r["e"] = (int(bits) / C, src)
    else:
        r["e"] = (1.0, "default: every configuration bit counted")

    if "critical_fraction" in opt:
        r["c"] = (float(opt["critical_fraction"]), "option --critical-fraction")
    elif "critical_fraction" in m:
        r["c"] = unwrap(m["critical_fraction"], file_src)
    else:
        r["c"] = (1.0, "default: every essential-bit upset counted")

    r["mcu"] = {}
    given = m.get("mcu_fraction", {})
    for cls in FAMILY_CLASSES[design.family][1:]:
        if cls in given:
            v, src = unwrap(given[cls], file_src)
            r["mcu"][cls] = (float(v), src)
        else:
            r["mcu"][cls] = (float(data["mcu"][design.family][cls]),
                             f"fit/Mitigation.json, family {design.family}")

    if "scrub" in opt:
        r["scrub"] = (opt["scrub"], "option --scrub")
        if opt["scrub"] != "readback":
            r["scrub"] = (float(opt["scrub"]), "option --scrub")
    elif "scrub" in m:
        r["scrub"] = unwrap(m["scrub"], file_src)
    else:
        r["scrub"] = None

    if "repair_time" in opt:
        r["repair"] = float(opt["repair_time"])
    else:
        r["repair"] = float(unwrap(m.get("repair_time_h", 0.0), "")[0])

    if "target" in opt:
        r["target"] = opt["target"]
    else:
        r["target"] = unwrap(m["target"], "")[0] if "target" in m else None
    if "target_share" in opt:
        r["share"] = float(opt["target_share"])
    else:
        r["share"] = float(unwrap(m.get("target_share", 1.0), "")[0])

    r["instances"] = [dict(e) for e in m.get("instances", [])]
    for e in r["instances"]:
        e.setdefault("source", file_src)
    return r


# ---- the figures -----------------------------------------------------------------------------


def fig(kind, value):
    """A figure with its kind: "float", "double" or "int"; None stays None (JSON null)."""
    return None if value is None else (kind, value)


def s3(kind, values):
    return {s: fig(kind, values[s]) for s in STATS}


def mitigation_member(design, data, run, resolved):
    """The "mitigation" member, every number as (kind, value)."""
    flux, devices, temperature, revised, months = run
    fit_run = (flux, devices, temperature, revised)
    family = design.family
    classes = FAMILY_CLASSES[family]
    C = design.config_bits
    e, e_src = resolved["e"]
    c, c_src = resolved["c"]
    N = devices

    raw = {k: class_figures(data, family, k, design.exposed(k), fit_run) for k in classes}
    out_classes = []
    after_parts = {s: [] for s in STATS}
    K = None
    for k in classes:
        R = raw[k]
        rk = "double" if k == "hbm" else "float"
        if k == "config":
            E = {s: R[s] * e for s in STATS}
            K = {s: E[s] * c for s in STATS}
            out_classes.append({"class": "config", "raw": s3(rk, R), "essential": s3("double", E),
                                "critical": s3("double", K)})
            for s in STATS:
                after_parts[s].append(K[s])
            continue
        P = design.protected(k)
        Q = class_figures(data, family, k, P, fit_run)
        m = resolved["mcu"][k][0]
        Z = {s: Q[s] * m for s in STATS}
        A = {s: R[s] + Z[s] for s in STATS}
        out_classes.append({"class": k, "raw": s3(rk, R), "protected_bits": fig("int", int(P)),
                            "protected": s3(rk, Q), "residual": s3("double", Z),
                            "after": s3("double", A)})
        for s in STATS:
            after_parts[s].append(A[s])

    T = {s: f32_sum(raw[k][s] for k in classes) for s in STATS}
    M = {s: f32_sum(after_parts[s]) for s in STATS}
    D = {s: M[s] / N for s in STATS} if N != 0 else None
    device = {"raw": s3("float", T), "after": s3("float", M),
              "after_per_device": s3("double", D) if D else None}

    before = {s: failures(T[s], months) for s in STATS}
    after = {s: failures(M[s], months) for s in STATS}
    mission = {"failures_before": s3("float", before),
               "probability_before": s3("double", {s: -math.expm1(-before[s]) for s in STATS}),
               "failures_after": s3("float", after),
               "probability_after": s3("double", {s: -math.expm1(-after[s]) for s in STATS})}

    availability = None
    if resolved["scrub"] is not None:
        scrub = resolved["scrub"][0]
        if scrub == "readback":
            detection = float(data["detect"][design.part["device"]]) / 3600000.0
            interval = None
        else:
            interval = float(scrub)
            detection = interval / 2.0
        repair = resolved["repair"]
        mttr = detection + repair
        Kd = K["nominal"] / N if N != 0 else None
        U = Kd * mttr / 1e9 if Kd is not None else None
        availability = {
            "scrub": "readback" if scrub == "readback" else "periodic",
            "scrub_interval_h": fig("double", interval),
            "detection_h": fig("double", detection), "repair_h": fig("double", repair),
            "mttr_h": fig("double", mttr), "critical_fit_per_device": fig("double", Kd),
            "unavailability": fig("double", U),
            "availability": fig("double", None if U is None else 1.0 - U),
            "hours_per_year": fig("double", None if U is None else U * 8760.0),
            "source": FreeText("how the detection time was found"),
            "scrub_source": resolved["scrub"][1]}

    target = None
    if resolved["target"] is not None:
        name = resolved["target"]
        budget = BUDGETS[name]
        share = resolved["share"]
        allotted = budget * share
        fit_d = D["nominal"] if D else None
        target = {"name": name, "budget_fit": fig("int", budget), "share": fig("double", share),
                  "allotted_fit": fig("double", allotted), "fit_per_device": fig("double", fit_d),
                  "margin_fit": fig("double", None if fit_d is None else allotted - fit_d),
                  "result": "cannot be checked" if fit_d is None else
                            "pass" if fit_d < allotted else "exceeded"}

    instances = []
    for entry in sorted(resolved["instances"],
                        key=lambda x: (-int(x["essential_bits"]), x["path"].encode())):
        bits = int(entry["essential_bits"])
        instances.append({"path": entry["path"], "essential_bits": fig("int", bits),
                          "matches": fig("int", design.matches(entry["path"])),
                          "matches_complete": True,
                          "critical_fit": fig("double", raw["config"]["nominal"] * (bits / C) * c),
                          "source": entry["source"]})

    factors = {"essential_fraction": {"value": fig("double", float(e)), "source": e_src},
               "essential_bits": fig("int", resolved["essential_bits"]),
               "critical_fraction": {"value": fig("double", float(c)), "source": c_src},
               "mcu_fraction": {k: {"value": fig("double", v), "source": src}
                                for k, (v, src) in resolved["mcu"].items()}}
    return {"factors": factors, "classes": out_classes, "device": device, "mission": mission,
            "availability": availability, "target": target, "instances": instances}, raw


def plain(member):
    """The member with (kind, value) figures replaced by their values."""
    if isinstance(member, tuple):
        return member[1]
    if isinstance(member, dict):
        return {k: plain(v) for k, v in member.items()}
    if isinstance(member, list):
        return [plain(v) for v in member]
    return member


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("design")
    ap.add_argument("--flux", type=float, required=True)
    ap.add_argument("--mitigation")
    ap.add_argument("--devices", type=int, default=1)
    ap.add_argument("--months", type=float, default=12.0)
    ap.add_argument("--temperature", type=int, default=28)
    ap.add_argument("--revised-package-model", action="store_true")
    for name in ("essential-fraction", "critical-fraction", "scrub", "repair-time", "target",
                 "target-share"):
        ap.add_argument("--" + name)
    ap.add_argument("--source-dir", default=os.path.join(os.path.dirname(__file__), ".."))
    a = ap.parse_args(argv)
    data = load_data(a.source_dir)
    with open(a.design, encoding="utf-8") as f:
        design = Design(json.load(f), data)
    mitigation = None
    if a.mitigation:
        with open(a.mitigation, encoding="utf-8") as f:
            mitigation = json.load(f)
    options = {k: getattr(a, k) for k in ("essential_fraction", "critical_fraction", "scrub",
                                          "repair_time", "target", "target_share")
               if getattr(a, k) is not None}
    resolved = resolve(design, data, mitigation, a.mitigation, options)
    member, _ = mitigation_member(
        design, data, (a.flux, a.devices, a.temperature, a.revised_package_model, a.months),
        resolved)
    json.dump(plain(member), sys.stdout, indent=1)
    print()


if __name__ == "__main__":
    main()
