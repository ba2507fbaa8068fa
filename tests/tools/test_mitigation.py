"""The derated figures of `seufit report --mitigation` against tools/mitigation_reference.py.

Random small designs of every family (block RAM and FIFOs of random widths and modes, ECC,
SEU_PROTECTED declarations up to beyond capacity, site configurations, YRAM, HBM), random
mitigation files and random places and missions, from a fixed seed. Every number of the
report's "mitigation" member must be the reference's exactly: every figure printed as the
shortest text of the double it is (a single-precision figure widened). The raw figures must
also be the "Device Reliability" table's.
"""

import concurrent.futures
import json
import os
import random
import re
import subprocess
import sys
from decimal import ROUND_CEILING, ROUND_FLOOR, Decimal

import pytest

SRC = os.path.abspath(os.environ.get("SEUFIT_SOURCE_DIR",
                                     os.path.join(os.path.dirname(__file__), "..", "..")))
EXE = os.path.abspath(os.environ.get("SEUFIT_EXE", os.path.join(SRC, "build", "seufit")))
os.environ.pop("SEUFIT_DATA_PATH", None)
sys.path.insert(0, os.path.join(SRC, "tools"))

import mitigation_reference as ref  # noqa: E402

f32 = ref.f32
SEED = 20240611
CASES = 40
PARTS = {
    "zerith7": ["z7-s1", "z7-s2", "z7-m1", "z7-m2", "z7-l1"],
    "zerith8": ["z8-m1", "z8-l1"],
    "zerith9": ["z9-example", "z9-s1", "z9-m1", "z9-l1", "z9-h1", "z9-h2"],
    "korvan": ["kv-m1", "kv-l1"],
}
TARGETS = sorted(ref.BUDGETS)
STATS = ref.STATS


@pytest.fixture(scope="module")
def data():
    return ref.load_data(SRC)


# ---- numbers as printed -----------------------------------------------------------------------


class Num:
    """A JSON number, kept as its text."""

    def __init__(self, text):
        self.text = text

    def __repr__(self):
        return self.text


def parse(text):
    return json.loads(text, parse_float=Num, parse_int=Num)


def digits(text):
    """The significant digits of a number's text."""
    mantissa = re.split("[eE]", text.lstrip("-"))[0].replace(".", "")
    return mantissa.lstrip("0").rstrip("0") or "0"


def shortest_float_digits(x):
    """The number of significant digits of the shortest decimal that reads back as float x."""
    if x == 0:
        return 1
    d = Decimal(x)
    for p in range(1, 10):
        exp = d.adjusted() - p + 1
        for rounding in (ROUND_FLOOR, ROUND_CEILING):
            c = d.scaleb(-exp).to_integral_value(rounding=rounding).scaleb(exp)
            if f32(float(c)) == x:
                return p
    raise AssertionError(x)


def printed_wrong(kind, value, num):
    """Why `num` does not hold `value` of `kind` exactly; None when it does.

    A single-precision figure may print as the shortest text of the float or as the exact
    double it is; either must read back as that float, so a figure the report forgot to
    narrow does not pass."""
    if not isinstance(num, Num):
        return f"expected a number, got {num!r}"
    t = num.text
    if kind == "int":
        return None if float(t) == value else f"{t} is not {value}"
    if kind == "double":
        if float(t) != value:
            return f"{t} is not the double {value!r}"
        if len(digits(t)) != len(digits(repr(value))):
            return f"{t} is not the shortest text of the double {value!r}"
        return None
    if f32(float(t)) != value:
        return f"{t} is not the float {value!r}"
    if float(t) != value and len(digits(t)) != shortest_float_digits(value):
        return f"{t} is neither the float {value!r} nor its shortest text"
    return None


def walk(expected, actual, on_figure, on_object, path="mitigation"):
    """Calls on_figure(path, (kind, value), actual) at every figure and on_object(path,
    expected, actual) at every object or other value, where both sides have it."""
    out = []
    if isinstance(expected, tuple):
        why = on_figure(*expected, actual)
        return [f"{path}: {why}"] if why else []
    why = on_object(expected, actual)
    if why:
        return [f"{path}: {why}"]
    if isinstance(expected, dict) and isinstance(actual, dict):
        for k in expected:
            if k in actual:
                out += walk(expected[k], actual[k], on_figure, on_object, f"{path}.{k}")
    elif isinstance(expected, list):
        for i, (e, a) in enumerate(zip(expected, actual)):
            out += walk(e, a, on_figure, on_object, f"{path}[{i}]")
    return out


def same_value(expected, actual):
    """Objects have every key of the reference's; lists its length; texts are equal."""
    if isinstance(expected, dict):
        if not isinstance(actual, dict):
            return f"expected an object, got {actual!r}"
        missing = [k for k in expected if k not in actual]
        return f"no {missing} in {list(actual)}" if missing else None
    if isinstance(expected, list):
        if not isinstance(actual, list) or len(actual) != len(expected):
            return f"{actual!r}, expected {len(expected)} entries"
        return None
    if isinstance(expected, ref.FreeText):
        return None if isinstance(actual, str) else f"{actual!r} is not a text"
    return None if expected == actual else f"{actual!r}, expected {expected!r}"


def differences(expected, actual):
    """Every figure, text and null of the member that differs from the reference's."""
    return walk(expected, actual, printed_wrong, same_value)


def shape_differences(expected, actual):
    """Objects whose keys are not the reference's, in its order."""
    def keys(e, a):
        if isinstance(e, dict) and isinstance(a, dict) and list(e) != list(a):
            return f"keys {list(a)}, expected {list(e)}"
        return None
    return walk(expected, actual, lambda *_: None, keys)


# ---- random designs ---------------------------------------------------------------------------


def widths_ramb(rng, block, attrs):
    """Port widths, the largest of which is the block's width; sometimes none or a wrong one."""
    w = rng.choice([1, 2, 4, 9, 18, 36, 36, 72, 72, 18, 9, 32] if block == "RAMB36" else
                   [1, 2, 4, 9, 18, 36, 36, 18, 9, 72])
    ports = rng.sample(["READ_WIDTH_A", "WRITE_WIDTH_A", "READ_WIDTH_B", "WRITE_WIDTH_B"],
                       rng.randint(1, 4))
    attrs[ports[0]] = w
    for p in ports[1:]:
        attrs[p] = rng.choice([v for v in (1, 2, 4, 9, 18, 36) if v <= w] or [w])


def block_instance(rng, family, block, name, sites):
    attrs = {}
    inst = {"name": name, "cell": block, "attributes": attrs}
    if block.startswith("RAMB"):
        modes = ["SDP", "TDP"] + (["TDP_CASCADE"] if block == "RAMB36" else [])
        mode = rng.choice(modes)
        attrs["RAM_MODE"] = "TDP" if mode == "TDP_CASCADE" else mode
        if mode == "TDP_CASCADE":
            attrs["RAM_EXTENSION_A"] = rng.choice(["LOWER", "UPPER"])
        if rng.random() < 0.2:
            # The widths from the site's configuration.
            site = f"{block}_X{len(sites)}Y{rng.randint(0, 99)}"
            widths = {}
            widths_ramb(rng, block, widths)
            sites[site] = [{"element": block, "config": [[k, str(v)] for k, v in widths.items()]}]
            inst["site"] = site
        elif rng.random() < 0.95:
            widths_ramb(rng, block, attrs)
    else:
        attrs["FIFO_MODE"] = rng.choice(
            [block, block + ("_36" if block == "FIFO18" else "_72")])
        w = rng.choice([4, 9, 18, 36, 36, 72, 72, 18, 2] if block == "FIFO36" else
                       [4, 9, 18, 36, 18, 1])
        if family == "zerith7":
            attrs["DATA_WIDTH"] = w
        else:
            attrs["READ_WIDTH"] = w
            attrs["WRITE_WIDTH"] = rng.choice([v for v in (4, 9, 18, 36) if v <= w] or [w])
    r = rng.random()
    if r < 0.35:
        # ECC on both (a switch only RAMB36 and FIFO36 define), as text, as a boolean, or the
        # write switch from the site.
        attrs["EN_ECC_READ"] = rng.choice(["TRUE", True])
        if "site" not in inst and rng.random() < 0.25:
            site = f"{block}_X{len(sites)}Y{rng.randint(100, 199)}"
            sites[site] = [{"element": block, "config": [["EN_ECC_WRITE", "TRUE"]]}]
            inst["site"] = site
        else:
            attrs["EN_ECC_WRITE"] = rng.choice(["TRUE", True])
    elif r < 0.45:
        attrs[rng.choice(["EN_ECC_READ", "EN_ECC_WRITE"])] = "TRUE"
    if rng.random() < 0.5:
        p = rng.choice([rng.randint(0, 16384), rng.randint(0, 36864), 36864, 99999, 5000000,
                        rng.randint(1, 600)])
        attrs["SEU_PROTECTED"] = rng.choice([p, p, p, {"double": float(p)}, str(p)])
    return inst


def yram_instance(rng, name):
    attrs = {"READ_WIDTH_A": 72, "WRITE_WIDTH_A": 72}
    if rng.random() < 0.2:
        attrs["EN_ECC_READ"] = attrs["EN_ECC_WRITE"] = True  # not read for YRAM
    if rng.random() < 0.6:
        attrs["SEU_PROTECTED"] = rng.choice([rng.randint(0, 280000), 280000, 300000, 70000])
    return {"name": name, "cell": "YRAM", "attributes": attrs}


def hbm_instance(rng, name):
    cell = rng.choice(["HBM_ONE_STACK", "HBM_TWO_STACK"])
    inst = {"name": name, "cell": cell, "attributes": {"CLK_SEL": "REF"}}
    if rng.random() < 0.7:
        p = rng.choice([rng.randint(0, 2**31), 4000000000, 32768000000, 40000000000, 12345])
        inst["attributes"]["SEU_PROTECTED"] = rng.choice([p, {"double": float(p)}])
    return inst


def leaves(rng, family, sites, count):
    blocks = ["RAMB18", "RAMB36", "FIFO36"] + ([] if family == "korvan" else ["FIFO18"])
    out = []
    for i in range(count):
        r = rng.random()
        if family in ("zerith9", "korvan") and r < 0.2:
            out.append(yram_instance(rng, f"yram{i}"))
        elif r < 0.3:
            out.append({"name": f"lut{i}", "cell": "LUT6", "attributes": {"INIT": "64'h0F"}})
        else:
            block = rng.choice(blocks)
            out.append(block_instance(rng, family, block, f"{block.lower()}_{i}", sites))
    return out


def gen_design(rng, family, part):
    """A design of a few cells, some used more than once, at most three levels deep."""
    sites = {}
    names = [f"cell_{c}" for c in "abc"[:rng.randint(1, 3)]]
    cells = {}
    # cell_b may hold cell_c, cell_a both: an acyclic sharing of definitions.
    for i, name in enumerate(names):
        inst = leaves(rng, family, sites, rng.randint(1, 5))
        for j, below in enumerate(names[i + 1:]):
            if rng.random() < 0.6:
                inst.append({"name": f"u{j}", "cell": below})
        cells[name] = {"instances": inst}
    top = leaves(rng, family, sites, rng.randint(0, 3))
    for name in names:
        for k in range(rng.randint(1, 3)):
            top.append({"name": f"{name[-1]}{k}", "cell": name})
    if family == "zerith9":
        for k in range(rng.randint(0, 2)):
            top.append(hbm_instance(rng, f"hbm{k}"))
    cells["top"] = {"instances": top}
    doc = {"seufit_design": 1, "part": part, "top": "top", "cells": cells}
    if sites:
        doc["sites"] = sites
    return doc


# ---- random mitigation inputs ------------------------------------------------------------------


def maybe_source(rng, value, label):
    if rng.random() < 0.3:
        return {"value": value, "source": f"{label} from the analysis of run {rng.randint(1, 99)}"}
    return value


def fraction(rng):
    return rng.choice([0.0, 1.0, round(rng.random(), 2), round(rng.random(), 6), rng.random()])


def gen_mitigation(rng, data, design, family, config_bits):
    """A mitigation file of random keys, scalars sometimes with their source."""
    m = {}
    if rng.random() < 0.5:
        m["seufit_mitigation"] = 1
    r = rng.random()
    if r < 0.35:
        m["essential_bits"] = maybe_source(
            rng, rng.choice([rng.randint(0, config_bits), config_bits, 0]), "essential bits")
    elif r < 0.7:
        m["essential_fraction"] = maybe_source(rng, fraction(rng), "essential fraction")
    if rng.random() < 0.6:
        m["critical_fraction"] = maybe_source(rng, fraction(rng), "critical fraction")
    if rng.random() < 0.6:
        paths = ref.Design(design, data).paths
        entries = []
        shared = rng.randint(0, config_bits // 10)
        for _ in range(rng.randint(1, 4)):
            p = rng.choice(paths)
            head = p.split("/")[0]
            pattern = rng.choice([p, head + "/*", "*ram*", "?" + head[1:] + "*", "[ab]*",
                                  "*/yram*", "nothing/*", "*", head, "hbm*/*"])
            bits = rng.choice([rng.randint(0, config_bits // 10), shared])
            entry = {"path": pattern, "essential_bits": bits}
            if rng.random() < 0.5:
                entry["source"] = "floorplan estimate"
            entries.append(entry)
        m["instances"] = entries
    if rng.random() < 0.6:
        m["scrub"] = maybe_source(rng, rng.choice(["readback", 4.0, 0.5, 24, 0.1]), "scrub")
    if rng.random() < 0.5:
        m["repair_time_h"] = maybe_source(rng, rng.choice([0, 0.001, 2.5]), "repair")
    if rng.random() < 0.5:
        classes = ref.FAMILY_CLASSES[family][1:]
        given = rng.sample(classes, rng.randint(1, len(classes)))
        m["mcu_fraction"] = {
            k: maybe_source(rng, rng.choice([0.0, 1.0, round(rng.random(), 4)]), "mcu")
            for k in given}
    if rng.random() < 0.6:
        m["target"] = maybe_source(rng, rng.choice(TARGETS), "target")
        if rng.random() < 0.5:
            share = rng.choice([1, 0.5, 0.1, round(rng.random(), 3) or 1])
            m["target_share"] = maybe_source(rng, share, "share")
    return m


def gen_run(rng):
    """Place, devices, mission, temperature and package model: (options, run tuple)."""
    altitude = rng.choice([0, 0, rng.randint(0, 4571), rng.randint(4572, 24000),
                           round(rng.uniform(0, 30000), 1)])
    longitude, latitude = rng.randint(-180, 180), rng.randint(-90, 90)
    devices = rng.choice([0, 1, 1, 2, 3, 7, 12, 100, 1000])
    months = rng.choice([12, 6, 7.3, 60, 0.5, 0, 18.2, 1.1])
    temperature = rng.randint(-40, 125)
    revised = rng.random() < 0.25
    options = ["--meters", "--altitude", str(altitude), "--longitude", str(longitude),
               "--latitude", str(latitude), "--devices", str(devices), "--months", str(months),
               "--temperature", str(temperature)] + (["--revised-package-model"] if revised else [])
    return options, (devices, temperature, revised, months)


def option_overrides(rng):
    """Command-line mitigation options, as the reference takes them too."""
    opts = {}
    if rng.random() < 0.6:
        opts["essential_fraction"] = rng.choice(["0", "1", "0.25", "0.123456789"])
    if rng.random() < 0.5:
        opts["critical_fraction"] = rng.choice(["0.5", "0.07", "1"])
    if rng.random() < 0.5:
        opts["scrub"] = rng.choice(["readback", "2", "0.25"])
    if rng.random() < 0.4:
        opts["repair_time"] = rng.choice(["0", "0.5"])
    if rng.random() < 0.5:
        opts["target"] = rng.choice(TARGETS)
    if rng.random() < 0.4:
        opts["target_share"] = rng.choice(["0.5", "1", "0.01"])
    return opts


class Case:
    """One design, its mitigation inputs and run options, and what seufit made of them."""

    def __init__(self, index, rng, data, directory):
        family = rng.choice(sorted(PARTS))
        part = rng.choice(PARTS[family])
        self.name = f"case{index:02d}"
        self.family = family
        self.design = gen_design(rng, family, part)
        config_bits = data["parts"][part]["config_bits"]
        self.mitigation = gen_mitigation(rng, data, self.design, family, config_bits)
        self.run_options, self.run = gen_run(rng)
        # Every fifth case also gives mitigation options, which win over the file's keys;
        # some give options only.
        self.options = option_overrides(rng) if index % 5 == 4 else {}
        if index % 10 == 9:
            self.mitigation = None
            self.options = self.options or {"essential_fraction": "0.5"}
        elif self.options:
            # The file holds every key an option gives, for the option to win over.
            self.options.setdefault("essential_fraction", "0.75")
            m = self.mitigation
            m.pop("essential_fraction", None)
            m["essential_bits"] = config_bits // 3
            file_keys = {"critical_fraction": ("critical_fraction", 0.9),
                         "scrub": ("scrub", 1000.0), "repair_time": ("repair_time_h", 7.0),
                         "target": ("target", "iec61508:sil4"),
                         "target_share": ("target_share", 0.9)}
            for option, (key, value) in file_keys.items():
                if option in self.options:
                    m[key] = value
        if self.options.get("target_share") and not (
                self.options.get("target") or (self.mitigation or {}).get("target")):
            self.options["target"] = rng.choice(TARGETS)
        self.design_path = os.path.join(directory, self.name + ".json")
        with open(self.design_path, "w", encoding="utf-8") as f:
            json.dump(self.design, f, indent=1)
        self.mitigation_path = None
        args = []
        if self.mitigation is not None:
            # Named relatively: the report's sources carry the file as given.
            self.mitigation_path = os.path.relpath(
                os.path.join(directory, self.name + "_mit.json"), directory)
            with open(os.path.join(directory, self.mitigation_path), "w", encoding="utf-8") as f:
                json.dump(self.mitigation, f, indent=1)
            args += ["--mitigation", self.mitigation_path]
        for k, v in self.options.items():
            args += ["--" + k.replace("_", "-"), v]
        self.args = ["report", self.design_path, "--json", *self.run_options, *args]
        self.directory = directory

    def execute(self):
        p = subprocess.run([EXE, *self.args], capture_output=True, text=True, cwd=self.directory)
        self.rc, self.stdout, self.stderr = p.returncode, p.stdout, p.stderr
        return self


@pytest.fixture(scope="module")
def cases(data, tmp_path_factory):
    directory = str(tmp_path_factory.mktemp("mitigation"))
    rng = random.Random(SEED)
    made = [Case(i, rng, data, directory) for i in range(CASES)]
    with concurrent.futures.ThreadPoolExecutor(4) as pool:
        list(pool.map(Case.execute, made))
    for c in made:
        assert c.rc in (0, 3), f"{c.name}: seufit {' '.join(c.args)} exit {c.rc}: {c.stderr}"
        c.doc = parse(c.stdout)
        c.flux = float(c.doc["conditions"]["flux"].text)
        d = ref.Design(c.design, data)
        c.ref_design = d
        resolved = ref.resolve(d, data, c.mitigation, c.mitigation_path, c.options)
        c.expected, c.raw = ref.mitigation_member(d, data, (c.flux, *c.run), resolved)
    return made


def summary(doc):
    """{row label: [the six exact values]} of the Device Reliability table."""
    section = next(s for s in doc["sections"] if s["title"] == "Device Reliability")
    return {r["cells"][0]["text"]: [float(c["value"].text) if "value" in c else c["text"]
                                    for c in r["cells"][1:]]
            for t in section["tables"] for r in t["rows"] if r["cells"][0]["kind"] == "text"}


ROWS = {"config": "Configuration Memory FIT", "bram": "Block Memory FIT",
        "yram": "Yotta Memory FIT", "hbm": "HBM FIT"}


def test_the_cases_cover_every_family_and_input(cases):
    """The seed gives the shapes the comparisons below are meant to see."""
    assert {c.family for c in cases} == set(PARTS)
    members = [c.expected for c in cases]
    assert any(m["availability"] and m["availability"]["scrub"] == "readback" for m in members)
    assert any(m["availability"] and m["availability"]["scrub"] == "periodic" for m in members)
    results = {m["target"]["result"] for m in members if m["target"]}
    assert results == {"pass", "exceeded", "cannot be checked"}
    assert any(len(m["instances"]) > 1 for m in members)
    assert any(c.run[0] == 0 for c in cases) and any(c.run[2] for c in cases)
    assert any(c.options for c in cases) and any(c.mitigation is None for c in cases)
    for cls in ("bram", "yram", "hbm"):
        # Classes with protected bits, and whose residual is not zero.
        assert any(k["class"] == cls and k["protected_bits"][1] > 0 and
                   k["residual"]["nominal"][1] > 0 for m in members for k in m["classes"])


def test_the_raw_figures_are_the_summary_table_s(cases):
    """Bits and rates give the table's rows; the failures before are its last row."""
    wrong = []
    for c in cases:
        conditions = {k["class"]: float(k["exposed_bits"].text)
                      for k in c.doc["conditions"]["classes"]}
        table = summary(c.doc)
        for cls in ref.FAMILY_CLASSES[c.family]:
            if conditions[cls] != c.ref_design.exposed(cls):
                wrong.append(f"{c.name} {cls}: exposed {conditions[cls]}, the reference "
                             f"{c.ref_design.exposed(cls)}")
            row = table[ROWS[cls]]
            got = {"nominal": row[1], "ll": row[3], "ul": row[5]}
            if got != c.raw[cls]:
                wrong.append(f"{c.name} {cls}: table {got}, the reference {c.raw[cls]}")
        before = {s: v[1] for s, v in c.expected["mission"]["failures_before"].items()}
        failures = table["Device Failures"]
        if {"nominal": failures[1], "ll": failures[3], "ul": failures[5]} != before:
            wrong.append(f"{c.name}: failures {failures}, the reference {before}")
    assert wrong == []


def test_every_figure_of_the_mitigation_member_is_the_reference_s(cases):
    wrong = []
    for c in cases:
        keys = list(c.doc)
        if "mitigation" not in c.doc:
            wrong.append(f"{c.name}: no mitigation member")
            continue
        if keys.index("mitigation") != keys.index("conditions") + 1:
            wrong.append(f"{c.name}: the member is not after conditions: {keys}")
        wrong += [f"{c.name} ({' '.join(c.args[1:])}): {d}"
                  for d in differences(c.expected, c.doc["mitigation"])]
    assert wrong == []


def test_the_member_s_objects_have_their_keys_in_order(cases):
    wrong = []
    for c in cases:
        wrong += [f"{c.name}: {d}" for d in shape_differences(c.expected, c.doc["mitigation"])]
    assert sorted(set(re.sub(r"case\d+: |\[\d+\]", "", w) for w in wrong)) == []


def test_a_target_not_met_is_exit_status_3_naming_it(cases):
    wrong = []
    for c in cases:
        target = c.expected["target"]
        failed = target is not None and target["result"] != "pass"
        if c.rc != (3 if failed else 0):
            wrong.append(f"{c.name}: exit {c.rc}, target {target and target['result']}")
        if failed and target["name"] not in c.stderr:
            wrong.append(f"{c.name}: the message does not name {target['name']}: {c.stderr}")
    assert wrong == []


def test_options_win_over_the_file_and_say_so(cases):
    """The cases whose file holds every key an option gives."""
    overridden = [c for c in cases if c.options and c.mitigation is not None]
    assert len(overridden) >= 3
    wrong = []
    for c in overridden:
        got = c.doc["mitigation"]
        factors = got["factors"]
        for key in ("essential_fraction", "critical_fraction"):
            if key in c.options:
                have = (float(factors[key]["value"].text), factors[key]["source"])
                if have != (float(c.options[key]), "option --" + key.replace("_", "-")):
                    wrong.append(f"{c.name}: {key} {have}, options {c.options}")
        # The option's fraction replaces the file's essential bits.
        if factors["essential_bits"] is not None:
            wrong.append(f"{c.name}: essential_bits {factors['essential_bits']}")
        if "scrub" in c.options:
            a = got["availability"]
            interval = None if c.options["scrub"] == "readback" else float(c.options["scrub"])
            if (a["scrub_interval_h"] and float(a["scrub_interval_h"].text)) != interval:
                wrong.append(f"{c.name}: scrub {a}, options {c.options}")
        if "target" in c.options and got["target"]["name"] != c.options["target"]:
            wrong.append(f"{c.name}: target {got['target']}, options {c.options}")
    assert wrong == []


def test_without_the_options_the_report_has_no_member(cases):
    p = subprocess.run([EXE, "report", cases[0].design_path, "--json", *cases[0].run_options],
                       capture_output=True, text=True)
    assert p.returncode == 0 and "mitigation" not in json.loads(p.stdout)
    # A share without any target is a usage error.
    p = subprocess.run([EXE, "report", cases[0].design_path, "--json", "--target-share", "0.5"],
                       capture_output=True, text=True)
    assert p.returncode not in (0, 3) and p.stdout == ""
