"""docs/method.md against the data files and the command line.

The worked example is recomputed from data/fit/SoftErrorRate.xml, data/parts.json and the
design's inventory, in single precision where the analysis rounds to float, and must equal
the page at the digits it prints and `seufit report --json` exactly. The flux figures the page
quotes must be what `seufit flux --json` prints.
"""

import json
import os
import re
import struct
import subprocess
import xml.etree.ElementTree as ET

import pytest

SRC = os.environ.get("SEUFIT_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
EXE = os.environ.get("SEUFIT_EXE", os.path.join(SRC, "build", "seufit"))
os.environ.pop("SEUFIT_DATA_PATH", None)
DESIGN = "examples/zerith7_radio.json"  # as the page's report shows the command
PART = "z7-s2"
FAMILY = "zerith7"


def f32(x):
    """x rounded to the nearest float, as the analysis narrows a double."""
    return struct.unpack("f", struct.pack("f", x))[0]


def run(*args):
    p = subprocess.run([EXE, *args], capture_output=True, text=True, cwd=SRC)
    assert p.returncode == 0, p.stderr
    # The example's black box is told as not analysed; nothing else may be.
    other = [l for l in p.stderr.splitlines() if not l.startswith("warning [1-111] not analysed:")]
    assert other == [], p.stderr
    return p.stdout


def block(page, name):
    """The text between <!-- NAME:begin --> and <!-- NAME:end -->."""
    m = re.search(rf"<!-- {name}:begin -->\n(.*?)<!-- {name}:end -->", page, re.S)
    assert m, f"no {name} block in docs/method.md"
    return m.group(1)


def rows(page, name):
    """The rows of the table in a block, as lists of cells, without its headings."""
    lines = [l for l in block(page, name).splitlines() if l.startswith("|")]
    return [[c.strip() for c in l.strip("|").split("|")] for l in lines[2:]]


def labelled(page, name, column=-1):
    """{label: cell} of a table whose first column is a `label`."""
    return {r[0].strip("`"): r[column] for r in rows(page, name)}


def printed(value, text):
    """value as the page prints it: as many decimals as `text` shows."""
    decimals = len(text.split(".")[1]) if "." in text else 0
    return f"{value:.{decimals}f}"


def mismatches(computed, page, exact=None):
    """Labels whose computed value differs from the page's digits, or from `exact`."""
    out = []
    for label, value in computed.items():
        if printed(value, page[label]) != page[label]:
            out.append(f"{label}: computed {value!r}, the page says {page[label]}")
        if exact is not None and label in exact and exact[label] != value:
            out.append(f"{label}: computed {value!r}, seufit gives {exact[label]!r}")
    return out


@pytest.fixture(scope="module")
def page():
    with open(os.path.join(SRC, "docs", "method.md"), encoding="utf-8") as f:
        return f.read()


@pytest.fixture(scope="module")
def example(page):
    return labelled(page, "worked-example")


def report_cells(*options):
    """{row label: [six exact values]} of the Device Reliability table."""
    doc = json.loads(run("report", DESIGN, "--json", *options))
    section = next(s for s in doc["sections"] if s["title"] == "Device Reliability")
    return {r["cells"][0]["text"]: [c["value"] for c in r["cells"][1:]]
            for t in section["tables"] for r in t["rows"] if r["cells"][0]["kind"] == "text"}


@pytest.fixture(scope="module")
def data():
    """The family's records of the rate file and the part of the catalogue."""
    root = ET.parse(os.path.join(SRC, "data", "fit", "SoftErrorRate.xml")).getroot()
    family = next(f for f in root.iter("FAMILY") if f.get("name").lower() == FAMILY)
    records = {}
    for section in ("SOFTERRORRATE", "ALPHAPARTICLE"):
        for t in family.find(section).iter("TYPE"):
            records[section, t.get("name")] = tuple(f32(float(t.get(k)))
                                                    for k in ("nominal", "ll", "ul"))
    temp = family.find("TEMPERATURE")
    slope, intercept = (f32(float(temp.find(k).get("value"))) for k in ("SLOPE", "INTERCEPT"))
    with open(os.path.join(SRC, "data", "parts.json"), encoding="utf-8") as f:
        part = next(p for p in json.load(f)["parts"] if p["name"] == PART)
    return records, slope, intercept, part


def test_the_inputs_of_the_worked_example_are_the_data_and_the_report_s(page, example, data):
    records, slope, intercept, part = data
    inventory = json.loads(run("inventory", DESIGN, "--json"))
    assert int(example["config_bits"]) == part["config_bits"]
    assert int(example["bram_bits"]) == inventory["bramBits"]
    # The block-by-block table adds up to the inventory's total.
    blocks = rows(page, "worked-example-blocks")
    assert sum(int(r[-2]) * int(r[-1]) for r in blocks) == inventory["bramBits"]

    wrong = []
    for cls in ("config", "bram"):
        s, ll, ul = records["SOFTERRORRATE", cls]
        a = records["ALPHAPARTICLE", cls][0]
        for label, value in ((f"{cls}_rate", s), (f"{cls}_ll", ll), (f"{cls}_ul", ul),
                             (f"{cls}_alpha", a)):
            if f32(float(example[label])) != value:
                wrong.append(f"{label}: the page says {example[label]}, the data {value!r}")
    for label, value in (("temp_slope", slope), ("temp_intercept", intercept)):
        if f32(float(example[label])) != value:
            wrong.append(f"{label}: the page says {example[label]}, the data {value!r}")
    assert wrong == []

    # The excerpt of the rate file, line by line and in order, from the family's element.
    with open(os.path.join(SRC, "data", "fit", "SoftErrorRate.xml"), encoding="utf-8") as f:
        text = f.read()
    start = text.index(f'<FAMILY name="{FAMILY}">')
    family = iter(l.strip() for l in text[start:text.index("</FAMILY>", start) + 9].splitlines())
    excerpt = block(page, "worked-example-rates").splitlines()
    assert excerpt[0] == "```xml" and excerpt[-1] == "```"
    assert all(line.strip() in family for line in excerpt[1:-1])

    # Place, devices, months and temperature as the report used them.
    provenance = {i["label"]: i["value"] for i in
                  json.loads(run("report", DESIGN, "--json", "--provenance"))["provenance"]}
    assert provenance["Option --devices"] == example["devices"]
    assert provenance["Option --months"] == example["months"]
    assert provenance["Option --temperature"] == example["temperature"]
    assert float(provenance["Relative flux"]) == float(example["flux"])


def recompute(example, data, revised=False):
    """Every figure of the worked example, in the analysis's precision."""
    records, slope, intercept, part = data
    F = f32(float(example["flux"]))
    N = int(example["devices"])
    months = f32(float(example["months"]))
    T = f32(f32(slope * f32(float(example["temperature"]))) + intercept)
    bits = {"config": part["config_bits"], "bram": int(example["bram_bits"])}
    out = {"temp_factor": T}
    for cls in ("config", "bram"):
        B = bits[cls] / 1e6
        s, ll, ul = records["SOFTERRORRATE", cls]
        a, all_, aul = records["ALPHAPARTICLE", cls]
        if not revised:
            nominal = s * B * F * N * T
            lower = f32(f32(1 + ll) * s) * B * F * N * T
            upper = f32(f32(1 + ul) * s) * B * F * N * T
        else:
            neutron = f32(s - f32(a / f32(9.0)))
            nominal = neutron * B * F * N * T + a * B * N * T
            lower = ((f32(f32(1 + ll) * s) - f32(f32(1 + all_) * a) / 9.0) * B * F * N * T
                     + f32(f32(1 + all_) * a) * B * N * T)
            upper = ((f32(f32(1 + ul) * s) - f32(f32(1 + aul) * a) / 9.0) * B * F * N * T
                     + f32(f32(1 + aul) * a) * B * N * T)
        nominal = f32(nominal)
        out.update({f"{cls}_fit_half": 0.5 * nominal, f"{cls}_fit_nominal": nominal,
                    f"{cls}_fit_twice": nominal + nominal, f"{cls}_fit_lower": f32(lower),
                    f"{cls}_fit_upper": f32(upper)})

    def mtbf(fit):
        return 1000000000.0 / fit * 0.041666666666666664 * 0.0027397260273972603

    for cls in ("config", "bram"):
        for column in ("half", "nominal", "twice", "lower", "upper"):
            out[f"{cls}_mtbf_{column}"] = mtbf(out[f"{cls}_fit_{column}"])
    for column in ("half", "nominal", "twice", "lower", "upper"):
        fit = f32(f32(0.0 + out[f"config_fit_{column}"]) + out[f"bram_fit_{column}"])
        if column == "nominal":
            out["device_fit"] = fit
        out[f"failures_{column}"] = f32(1.0 / f32(mtbf(fit)) * (months / 12.0))
    return out


COLUMNS = ("half", "nominal", "twice", "lower", "nominal", "upper")


def as_labels(cells):
    """The report's rows under the labels of the page."""
    out = {}
    for row, prefix in (("Configuration Memory FIT", "config_fit"), ("Block Memory FIT", "bram_fit"),
                        ("Configuration Memory MTBF", "config_mtbf"),
                        ("Block Memory MTBF", "bram_mtbf"), ("Device Failures", "failures")):
        for column, value in zip(COLUMNS, cells[row]):
            out[f"{prefix}_{column}"] = value
    return out


def test_the_worked_example_recomputed_is_the_page_and_the_report(example, data):
    computed = recompute(example, data)
    exact = as_labels(report_cells())
    # Every figure the report has, exactly, whether the page shows it or not.
    assert [k for k in exact if computed[k] != exact[k]] == []
    shown = {k: v for k, v in computed.items() if k in example}
    assert len(shown) == 21
    assert mismatches(shown, example, exact) == []
    # The budget's device FIT: the nominal FIT of the classes summed in float.
    assert computed["device_fit"] == f32(exact["config_fit_nominal"] + exact["bram_fit_nominal"])


def test_the_revised_package_model_of_the_worked_example(example, data):
    computed = recompute(example, data, revised=True)
    exact = as_labels(report_cells("--revised-package-model"))
    assert [k for k in exact if computed[k] != exact[k]] == []
    shown = {f"{k}_revised": computed[k] for k in ("config_fit_nominal", "bram_fit_nominal")}
    assert mismatches(shown, example, {f"{k}_revised": exact[k] for k in
                                       ("config_fit_nominal", "bram_fit_nominal")}) == []


def test_the_text_report_on_the_page_is_what_seufit_prints(page):
    shown = block(page, "worked-example-report")
    assert shown.startswith("```\n") and shown.endswith("```\n")
    assert shown[4:-4] == run("report", DESIGN)


@pytest.fixture(scope="module")
def fluxes(page):
    """{label: (page row, seufit flux --json)} of the flux table."""
    out = {}
    for label, options, model, cutoff, flux in rows(page, "flux-figures"):
        args = options.strip("`").split() if options.startswith("`") else []
        out[label.strip("`")] = ((model, cutoff, flux), json.loads(run("flux", "--json", *args)))
    return out


def test_the_flux_figures_on_the_page_are_what_seufit_flux_prints(fluxes):
    assert len(fluxes) == 9
    wrong = []
    for label, ((model, cutoff, flux), got) in fluxes.items():
        if (model, float(cutoff), float(flux)) != (got["model"], got["rigidity_cutoff"],
                                                   got["flux"]):
            wrong.append(f"{label}: the page says {model} {cutoff} {flux}, seufit {got}")
    assert wrong == []
    reference = fluxes["reference"][1]
    assert (reference["altitude_m"], reference["longitude"], reference["latitude"]) == (0, -74, 40)


def test_the_steps_between_the_flux_models(page, fluxes):
    steps = rows(page, "flux-steps")
    assert [r[0].strip("`") for r in steps] == ["step_new_york", "step_north", "step_40000_ft"]
    wrong = []
    for label, lower, upper, change in steps:
        a = fluxes[lower.strip("`")][1]
        b = fluxes[upper.strip("`")][1]
        assert b["altitude_m"] == a["altitude_m"] + 1, label  # one meter up
        percent = f"{(b['flux'] / a['flux'] - 1) * 100:+.2f}%"
        if percent != change:
            wrong.append(f"{label}: the page says {change}, seufit's figures give {percent}")
    assert wrong == []
    assert [fluxes[k][1]["model"] for k in ("new_york_4571", "new_york_4572")] == ["jedec", "boeing"]


def test_the_reference_site_in_the_text(page, fluxes):
    reference = fluxes["reference"][1]["flux"]
    assert f"model gives F = {reference:.8f} there" in page
    assert f"gives {(1 - reference) * 100:.2f}% less than" in page
    assert f"gives {fluxes['cutoff_2gv'][1]['flux']:.5f})" in page
    assert f"(flux {fluxes['new_york_41'][1]['flux']:.3f})" in page
