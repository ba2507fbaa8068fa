"""The Python module against the command line: same figures, same renderings, same messages."""

import ast
import glob
import json
import os
import re
import shlex
import struct
import subprocess
import warnings
import xml.etree.ElementTree as ET

import pytest

import seufit

SRC = os.environ.get("SEUFIT_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
EXE = os.environ.get("SEUFIT_EXE", os.path.join(SRC, "build", "seufit"))
os.environ.pop("SEUFIT_DATA_PATH", None)
os.chdir(SRC)  # the designs are named as the command line is given them, relative to here

EXAMPLES = sorted(os.path.relpath(p, SRC) for p in glob.glob(os.path.join(SRC, "examples", "*.json")))
PLACES = [
    ({}, []),
    (
        dict(altitude=12000.5, longitude=-30, latitude=55, devices=250, months=36.5,
             temperature=85, revised_package_model=True),
        ["--altitude", "12000.5", "--longitude", "-30", "--latitude", "55", "--devices", "250",
         "--months", "36.5", "--temperature", "85", "--revised-package-model"],
    ),
]


def cli(*args, ok=True):
    """The command line's stdout, and its messages as (id, severity, text)."""
    p = subprocess.run([EXE, *args], capture_output=True, text=True)
    assert (p.returncode == 0) == ok, p.stderr
    messages = [re.fullmatch(r"(\w+) \[([-\d]+)\] (.*)", line).groups()
                for line in p.stderr.splitlines()]
    return p.stdout, [(i, severity, text) for severity, i, text in messages]


def told(record):
    return [(w.message.id, "warning", w.message.text) for w in record
            if issubclass(w.category, seufit.Warning)]


def numbers_of_xml(text):
    """Every cell of the XML rendering: the exact value of a number, the text of the others."""
    rows = []
    for section in ET.fromstring(text).iter("section"):
        for row in section.iter("row"):
            rows.append([float(c.get("value")) if c.tag == "number" else (c.text or "")
                         for c in row])
    return rows


@pytest.fixture(scope="session")
def doubled(tmp_path_factory):
    """2^17 block RAMs and YRAMs: totals past 32 bits, warned while the report is made."""
    path = str(tmp_path_factory.mktemp("designs") / "doubled.json")
    subprocess.run(["python3", "tools/gen_design.py", "doubling", "17", "-o", path], check=True)
    return path


@pytest.mark.parametrize("design", EXAMPLES + ["tests/cli/inputs/suspicious.json", "doubled"])
@pytest.mark.parametrize("choices,args", PLACES, ids=["default", "aloft"])
def test_report_matches_the_command_line(design, choices, args, request):
    if design == "doubled":
        design = request.getfixturevalue("doubled")
    with warnings.catch_warnings(record=True) as record:
        warnings.simplefilter("always")
        report = seufit.load(design).report(**choices)
    outs = {}
    for fmt, flag in (("text", []), ("xml", ["--xml"]), ("json", ["--json"])):
        outs[fmt], messages = cli("report", design, *args, *flag)
        assert report.render(fmt) == outs[fmt], fmt
    # Each warning once, though the report is rendered three times.
    assert told(record) == [m for m in messages if m[1] == "warning"]
    # The examples' black boxes (and the korvan FIFOs) are told as not analysed.
    assert bool([m for m in messages if m[0] != "1-111"]) == (design not in EXAMPLES)
    assert any(m[0] == "1-111" for m in messages) == (design in EXAMPLES)

    # The plain data holds every cell of the command line's renderings, numbers exactly.
    ours = [row for s in report.sections for t in s["tables"] for row in t["rows"]]
    assert all(type(c) in (str, float) for row in ours for c in row)
    assert ours == numbers_of_xml(outs["xml"])
    doc = json.loads(outs["json"])
    assert report.title == doc["title"]
    assert report.header == [(i["label"], i["value"]) for i in doc["header"]]
    assert [s["title"] for s in report.sections] == [s["title"] for s in doc["sections"]]


@pytest.mark.parametrize("design", EXAMPLES)
def test_inventory_matches_the_command_line(design):
    expected = json.loads(cli("inventory", design, "--json")[0])
    got = seufit.load(design).inventory()
    assert list(got) == list(expected)
    assert got == expected
    assert all(type(got[k]) is type(expected[k]) or isinstance(got[k], float) for k in got)


def test_data_check_as_the_command_line(tmp_path):
    with pytest.warns(seufit.Warning) as record:
        assert seufit.data_check()["data_dirs"][-1].endswith("data")
    assert [w.message.id for w in record] == ["1-107"]
    (tmp_path / "fit").mkdir()
    with open(os.path.join(SRC, "data", "fit", "SoftErrorRate.xml")) as f:
        (tmp_path / "fit" / "SoftErrorRate.xml").write_text(f.read().replace('"82.0"', '"-82.0"'))
    p = subprocess.run([EXE, "data", "check", str(tmp_path)], capture_output=True, text=True)
    assert p.returncode == 2
    with warnings.catch_warnings(), pytest.raises(seufit.Error) as caught:
        warnings.simplefilter("ignore")
        seufit.data_check(data_dirs=[str(tmp_path)])
    errors = [f"error [{e.id}] {e.text}" for e in caught.value.errors]
    assert errors == [line for line in p.stderr.splitlines() if line.startswith("error")]


def test_parts_as_the_command_line(tmp_path):
    assert seufit.parts() == json.loads(cli("parts", "--json")[0])
    (tmp_path / "parts.json").write_text(
        '{"seufit_parts": 1, "parts": [{"name": "p", "device": "d", "arch_id": "x", '
        '"arch_type": 7}, {"name": "p", "device": "d", "arch_id": "x", "arch_type": "7"}]}')
    _, messages = cli("parts", "--data-dir", str(tmp_path), ok=False)
    with pytest.raises(seufit.Error) as caught:
        seufit.parts(data_dirs=[str(tmp_path)])
    assert [(e.id, "error", e.text) for e in caught.value.errors] == messages
    (tmp_path / "parts.json").write_text(
        '{"seufit_parts": 1, "parts": [{"name": "p", "device": "d", "arch_id": "x", '
        '"arch_type": 7}]}')
    assert seufit.parts(data_dirs=[str(tmp_path)]) == [
        dict(name="p", device="d", arch_id="x", arch_type=7, config_bits=None, library=None)]


def test_a_new_device_from_data_init_to_a_report(tmp_path):
    """A part of one's own with the placeholders of z9-s1's family and its bit count gives
    z9-s1's figures: the layered data, the copied records and the new family key agree."""
    mine = str(tmp_path / "mine")
    subprocess.run([EXE, "data", "init", mine, "--like", "zerith9", "--config-bits", "37800000"],
                   check=True, capture_output=True)
    check = subprocess.run([EXE, "data", "check", mine], capture_output=True, text=True)
    assert check.returncode == 0 and check.stderr == ""
    netlist = "tests/data/netlist/small.json"
    own = cli("report", netlist, "--part", "my-part", "--data-dir", mine, "--json")[0]
    ours = cli("report", netlist, "--part", "z9-s1", "--json")[0]
    assert json.loads(own)["sections"] == json.loads(ours)["sections"]
    report = seufit.load(netlist, part="my-part", data_dirs=[mine]).report()
    assert report.sections == seufit.load(netlist, part="z9-s1").report().sections


def test_a_design_gives_the_same_report_twice_and_after_other_data(tmp_path):
    design = seufit.load(EXAMPLES[0])
    first = design.report().render("json")
    # A directory of one's own comes first; its broken rate file is not replaced by ours.
    (tmp_path / "fit").mkdir()
    (tmp_path / "fit" / "SoftErrorRate.xml").write_text("<SOFTERRORRATES>")
    with pytest.raises(seufit.Error):
        design.report(data_dirs=[str(tmp_path)])
    assert design.report().render("json") == first


@pytest.mark.parametrize("place", [(0, -74, 40), (12000, -30, 55), (3000.25, 100, -3),
                                   (30000, 10, -80), (4572, -180, 90)])
def test_flux_matches_the_command_line(place):
    altitude, longitude, latitude = place
    out, _ = cli("flux", "--altitude", str(altitude), "--longitude", str(longitude),
                 "--latitude", str(latitude), "--json")
    assert seufit.flux(altitude, longitude, latitude) == json.loads(out)


def test_flux_profiles_match_the_command_line(tmp_path):
    for profile in sorted(glob.glob("examples/profiles/*")):
        assert seufit.flux_profile(profile) == json.loads(cli("flux", "--profile", profile,
                                                               "--json")[0])
    bad = tmp_path / "bad.csv"
    bad.write_text("name,hours,altitude,unit,longitude,latitude,to_longitude,to_latitude\n"
                   "climb,-1,100,m,0,0,,\nx,1,a,m,0,0,,\n")
    _, messages = cli("flux", "--profile", str(bad), ok=False)
    with pytest.raises(seufit.Error) as caught:
        seufit.flux_profile(bad)
    assert [(e.id, "error", e.text) for e in caught.value.errors] == messages
    assert len(messages) == 2


@pytest.mark.parametrize("args", [
    ["report", "examples/no_such_design.json"],
    ["report", "tests/data/malformed/protected_nan_text.json"],
    ["report", "tests/data/netlist/edif/malformed/cycle.edf", "--part", "z9-s1"],
    ["inventory", "tests/data/netlist/edif/explicit.edf"],
])
def test_errors_raise_with_the_command_lines_message(args, capfd):
    _, messages = cli(*args, ok=False)
    errors = [m for m in messages if m[1] == "error"]
    kw = {"part": args[3]} if len(args) > 3 else {}
    with pytest.raises(seufit.Error) as caught:
        design = seufit.load(args[1], **kw)
        design.report() if args[0] == "report" else design.inventory()
    e = caught.value
    assert (e.id, "error", e.text) == errors[0]
    assert [(x.id, "error", x.text) for x in e.errors] == errors
    assert e.args == e.arguments and str(e) == f"[{e.id}] {e.text}"
    assert capfd.readouterr() == ("", "")


def test_warnings_become_python_warnings_and_nothing_is_printed(capfd):
    with pytest.warns(seufit.Warning) as record:
        point = seufit.flux(-120.5, -74, 40)
    assert issubclass(seufit.Warning, UserWarning)
    assert [(w.message.id, w.message.arguments) for w in record] == [("1-68", ("altitude", "-120.5"))]
    assert point["altitude_m"] == -120.5
    design = "tests/cli/inputs/suspicious.json"
    with warnings.catch_warnings(record=True) as record:
        warnings.simplefilter("always")
        inventory = seufit.load(design).inventory()
    expected_out, messages = cli("inventory", design, "--json")
    assert inventory == json.loads(expected_out)
    assert told(record) == messages and messages
    # A warning turned into an error by the caller's filter propagates; the sinks are restored.
    with warnings.catch_warnings():
        warnings.simplefilter("error", seufit.Warning)
        with pytest.raises(seufit.Warning):
            seufit.flux(-1, -74, 40)
    assert seufit.flux(0, -74, 40)["model"] == "jedec"
    assert capfd.readouterr() == ("", "")


def test_bad_arguments_raise_value_and_type_errors():
    design = seufit.load(EXAMPLES[0])
    for bad in (dict(latitude=91), dict(longitude=-181), dict(months=-1), dict(devices=-1),
                dict(temperature=301), dict(altitude=float("nan")), dict(altitude=1e39)):
        with pytest.raises(ValueError):
            design.report(**bad)
    for bad in (dict(longitude=1.5), dict(data_dirs="data"), dict(altitude="high")):
        with pytest.raises(TypeError):
            design.report(**bad)
    with pytest.raises(ValueError):
        design.report().render("pdf")
    with pytest.raises(ValueError):
        seufit.load(EXAMPLES[0], part="z9-s1")
    with pytest.raises(TypeError):
        seufit.load(42)
    # A NUL would name another file or directory, as open() knows.
    for call in (lambda: seufit.load(EXAMPLES[0] + "\0.json"),
                 lambda: seufit.flux(0, -74, 40, data_dirs=["data\0/x"]),
                 lambda: seufit.flux_profile("examples/profiles\0")):
        with pytest.raises(ValueError, match="null byte"):
            call()


@pytest.mark.parametrize("netlist", ["tests/data/netlist/edif/explicit.edf",
                                     "tests/data/netlist/small.json"])
def test_netlists_load_as_the_command_line_loads_them(netlist):
    design = seufit.load(netlist, part="z9-s1")
    assert design.inventory() == json.loads(cli("inventory", netlist, "--part", "z9-s1",
                                                "--json")[0])
    report = design.report(altitude=800)
    assert report.render() == cli("report", netlist, "--part", "z9-s1", "--altitude", "800")[0]
    assert report.device_fit is not None and report.device_fit > 0


# One expected file, two front doors: these command-line cases run through Python too.
GOLDEN = ["report_zerith7_radio", "report_zerith7_radio_xml", "report_zerith9_accel_flight",
          "report_profile_long_haul", "report_by_hierarchy", "report_by_hierarchy_json",
          "report_budget_max_fit_exceeded", "report_budget_within", "report_zerith9_accel_revised_xml",
          "mitigation_options_only", "mitigation_no_devices"]
FLAGS = {"revised-package-model", "provenance", "xml", "json"}


def golden(name):
    """The case's words and its log's stdout, stderr lines and exit status."""
    with open(os.path.join(SRC, "tests", "cli", "cases", name + ".args")) as f:
        words = next(shlex.split(line) for line in f if not line.startswith(("#", "%")))
    with open(os.path.join(SRC, "tests", "cli", "cases", name + ".ok")) as f:
        log = f.read()
    parts = dict(re.findall(r"^--- (stdout|stderr)\n(.*?)(?=^--- )", log, re.M | re.S))
    status = int(re.search(r"^--- exit (\d+)$", log, re.M).group(1))
    return words, parts.get("stdout", ""), parts.get("stderr", "").splitlines(), status


def keywords_of(words):
    """The command line's options as keywords, values typed as a Python caller types them."""
    keywords, fmt, i = {}, "text", 0
    while i < len(words):
        name = words[i][2:]
        takes = name not in FLAGS and i + 1 < len(words) and not words[i + 1].startswith("--")
        value = words[i + 1] if takes else True
        i += 2 if takes else 1
        if name in ("xml", "json"):
            fmt = name
            continue
        for kind in (int, float) if takes else ():
            try:
                value = kind(value)
                break
            except (TypeError, ValueError):
                pass
        keywords[name.replace("-", "_")] = value
    return keywords, fmt


@pytest.mark.parametrize("name", GOLDEN)
def test_golden_cases_through_python(name):
    words, stdout, stderr, status = golden(name)
    assert words[0] == "report"
    keywords, fmt = keywords_of(words[2:])
    with warnings.catch_warnings(record=True) as record:
        warnings.simplefilter("always")
        try:
            report = seufit.load(words[1]).report(**keywords)
            errors = []
        except seufit.BudgetExceeded as e:
            report, errors = e.report, e.errors
    assert (3 if errors else 0) == status
    assert report.render(fmt).replace(SRC, "@SRC") == stdout
    told_lines = [f"warning [{w.message.id}] {w.message.text}" for w in record
                  if issubclass(w.category, seufit.Warning)]
    assert told_lines + [f"error [{e.id}] {e.text}" for e in errors] == stderr


def test_inventory_by_hierarchy_and_provenance():
    design = "examples/zerith9_accel.json"
    expected = json.loads(cli("inventory", design, "--json", "--by-hierarchy", "1")[0])
    assert seufit.load(design).inventory(by_hierarchy=1) == expected
    items = dict(seufit.load(design).report(provenance=True, altitude=100).provenance)
    assert items["Option --altitude"] == "100" and items["Option --provenance"] == "on"
    assert re.fullmatch(r"[0-9a-f]{64}", items["Design SHA-256"])


def test_options_are_checked_as_the_command_line_checks_them():
    design = seufit.load(EXAMPLES[0])
    for bad, text in ((dict(profile="examples/profiles/long_haul_flight.json", altitude=10),
                       "option altitude cannot be used with profile"),
                      (dict(missions=2), "option missions cannot be used with no profile"),
                      (dict(by_hierarchy=0), "option by_hierarchy: expected a depth"),
                      (dict(max_fit=-1), "option max_fit: expected a finite real")):
        with pytest.raises(ValueError, match=text):
            design.report(**bad)
    for bad in (dict(xml=True), dict(alitude=3), dict(provenance=1), dict(by_hierarchy=1.5)):
        with pytest.raises(TypeError):
            design.report(**bad)


def test_the_stubs_name_what_the_module_holds():
    with open(os.path.join(os.path.dirname(seufit.__file__), "seufit.pyi")) as f:
        body = ast.parse(f.read()).body
    stubs = {n.name: n for n in body if isinstance(n, (ast.FunctionDef, ast.ClassDef))}
    aliases = {t.id for n in body if isinstance(n, ast.Assign) for t in n.targets}
    assert set(stubs) | (aliases - {"_Path", "_Cell"}) == {n for n in dir(seufit)
                                                           if not n.startswith("_")}
    # `import *` leaves the builtin Warning alone.
    assert "Warning" not in seufit.__all__ and seufit.Warning is seufit.SeufitWarning
    for name in ("Design", "Report"):
        stubbed = {n.name for n in stubs[name].body if isinstance(n, ast.FunctionDef)}
        assert {n for n in stubbed if not n.startswith("_")} == \
            {n for n in vars(getattr(seufit, name)) if not n.startswith("_")}
        assert all(hasattr(getattr(seufit, name), n) for n in stubbed)
    assert all(getattr(seufit, name).__doc__ for name in stubs)


def test_conditions_are_those_of_the_command_line():
    design = seufit.load("examples/zerith7_radio.json")
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", seufit.SeufitWarning)
        report = design.report(altitude=3000, meters=True, conditions=True, max_fit=1000000)
        feet = design.report(altitude=3000)
    out, _ = cli("report", "examples/zerith7_radio.json", "--altitude", "3000", "--meters",
                 "--conditions", "--max-fit", "1000000")
    assert report.render() == out
    assert [s["title"] for s in report.sections] == ["Device Reliability", "Conditions", "Budgets"]
    c = report.conditions
    assert (c["unit"], c["unit_from"], c["unit_text"], c["altitude_m"]) == \
        ("meters", "option", "--meters", 3000)
    # The design's units constraint says feet: 3000 ft is 914.4 m.
    f = feet.conditions
    assert (f["unit"], f["unit_from"], f["unit_text"], f["altitude_m"]) == \
        ("feet", "units constraint", "feet", 914.4)
    assert [k["class"] for k in c["classes"]] == ["config", "bram"]
    assert c["not_analysed"] == [{"kind": "black box", "name": "eth_mac_ip", "count": 1,
                                  "bits": None, "bits_complete": False,
                                  "reason": "a black box: what it holds is unknown"}]
    with pytest.raises(ValueError, match="option meters cannot be used with feet"):
        design.report(meters=True, feet=True)


def test_a_sweep_gives_the_figures_of_each_report():
    design = seufit.load("examples/zerith9_accel.json")
    altitudes = [0.0, 4571.5, 4572, 12000.5, 30000]  # both models and the cap
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", seufit.SeufitWarning)
        records = design.sweep(altitude=altitudes, longitude=(-74, 20), latitude=range(-60, 71, 65),
                               temperature=[-40, 85], devices=3, months=18.5,
                               revised_package_model=True)
        assert len(records) == 5 * 2 * 3 * 2
        assert [r["altitude"] for r in records[::12]] == altitudes  # altitude outermost
        for r in records[::5]:
            report = design.report(altitude=r["altitude"], longitude=r["longitude"],
                                   latitude=r["latitude"], temperature=r["temperature"],
                                   devices=3, months=18.5, revised_package_model=True)
            rows = {row[0]: row for row in report.sections[0]["tables"][0]["rows"][1:]}
            for key, label in (("config", "Configuration Memory"), ("bram", "Block Memory"),
                               ("yram", "Yotta Memory"), ("hbm", "HBM")):
                assert [r[key + "_fit"], r[key + "_fit_lower"], r[key + "_fit_upper"]] == \
                    [rows[label + " FIT"][i] for i in (2, 4, 6)]
            assert [r["failures"], r["failures_lower"], r["failures_upper"]] == \
                [rows["Device Failures"][i] for i in (2, 4, 6)]
            assert r["device_fit"] == struct.unpack("f", struct.pack("f", report.device_fit))[0]
            c = report.conditions
            assert (r["altitude_m"], r["model"], r["flux"]) == \
                (c["altitude_m"], c["model"], c["flux"])
    # One value, and the design's units constraint applies as in a report.
    radio = seufit.load("examples/zerith7_radio.json")
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", seufit.SeufitWarning)
        (one,) = radio.sweep(altitude=3000)
    assert (one["altitude_m"], len(one)) == (914.4, 17)
    with pytest.raises(TypeError, match="latitude: expected int"):
        radio.sweep(latitude=[40.5])
    with pytest.raises(TypeError, match="unexpected keyword argument 'profile'"):
        radio.sweep(profile="examples/profiles/long_haul_flight.json")
    with pytest.raises(ValueError, match="option latitude: expected a whole number"):
        radio.sweep(latitude=[40, 95])


def test_derated_figures_are_those_of_the_json_and_a_target_raises():
    design = seufit.load("examples/zerith9_accel.json")
    mitigation = os.path.join(SRC, "tests", "cli", "inputs", "mitigation", "accel.json")
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        with pytest.raises(seufit.BudgetExceeded) as raised:
            design.report(mitigation=mitigation, scrub=0.5, target_share=1.0)
        report = raised.value.report
        assert report.mitigation == json.loads(report.render("json"))["mitigation"]
        assert report.mitigation["availability"]["scrub_interval_h"] == 0.5
        assert report.mitigation["target"]["result"] == "exceeded"
        # Without a derating keyword nothing changes.
        assert design.report().mitigation is None
        with pytest.raises(TypeError):
            design.report(scrub=True)
        with pytest.raises(ValueError):
            design.report(essential_fraction=2.0)


def test_a_notebook_gets_the_page_and_tidy_rows():
    design = seufit.load("examples/zerith9_accel.json")
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        report = design.report(by_hierarchy=1, essential_fraction=0.5, altitude=3000)
    page = report.render("html")
    body = report._repr_html_()
    assert page.startswith("<!DOCTYPE html>") and body.startswith("<style>")
    assert body in page.replace("</head>\n<body>\n", "")  # the page's body, with its style
    assert "Conditions" in page and "Conditions" not in report.render("text")
    assert "accel_top z9-h1" in repr(report) and "FIT" in repr(report)
    assert repr(design).startswith("<seufit.Design")
    # Every number of the document is one row, the summary's second Nominal aside.
    rows = report.to_records()
    numbers = [c for s in report.sections for t in s["tables"] for r in t["rows"][1:]
               for c in r[1:] if isinstance(c, float)]
    summary = report.sections[0]["tables"][0]["rows"]
    assert len(rows) == len(numbers) - (len(summary) - 1) + \
        sum(r.count("inf") for r in summary)
    fit = [r for r in rows if (r["class"], r["metric"], r["statistic"]) ==
           ("Configuration Memory", "FIT", "Nominal")]
    assert [r["value"] for r in fit] == [summary[1][2]] and fit[0]["unit"] == "FIT"
    assert {r["unit"] for r in rows if r["metric"] == "MTBF"} == {"years"}
    inventory = design.inventory_records()
    assert {"counter": "bramBits", "value": design.inventory()["bramBits"]} in inventory
    assert design.inventory_records(by_hierarchy=1)[0]["path"] == "accel_top"
    try:
        import pandas
    except ImportError:
        with pytest.raises(ImportError, match="pandas"):
            report.to_frame()
        return
    frame = report.to_frame()
    assert list(frame.columns) == ["section", "class", "metric", "statistic", "value", "unit"]
    assert len(frame) == len(rows)
    assert list(design.inventory_frame(by_hierarchy=1)["path"])[:2] == ["accel_top", "pe0"]
