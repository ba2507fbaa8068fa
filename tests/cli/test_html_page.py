"""`seufit report --html` as a browser shows it: Debian's chromium, headless.

One page with every section (conditions, budgets, derated figures, target, hierarchy, the
chart, provenance) is loaded once for its DOM, once for a screenshot and once printed to PDF.
Nothing may reach the console (the page's content security policy makes any request for
another file a console error), every number of the page must be the JSON report's, the
picture must not be blank and the PDF must hold every section as text. Skipped, with the
reason, only where chromium cannot start.
"""

import html.parser
import json
import os
import re
import shutil
import subprocess
import zlib

import pytest

SRC = os.path.abspath(os.environ.get("SEUFIT_SOURCE_DIR",
                                     os.path.join(os.path.dirname(__file__), "..", "..")))
EXE = os.path.abspath(os.environ.get("SEUFIT_EXE", os.path.join(SRC, "build", "seufit")))
os.environ.pop("SEUFIT_DATA_PATH", None)
ARGS = ["report", "examples/zerith9_accel.json", "--by-hierarchy", "--top-contributors", "3",
        "--mitigation", "examples/mitigation/accel.json", "--max-fit", "100000",
        "--date", "2026-12-08"]


def seufit(*args, status=0):
    p = subprocess.run([EXE, *args], capture_output=True, text=True, cwd=SRC)
    assert p.returncode == status, p.stderr
    return p.stdout


def chromium(tmp, *args):
    exe = shutil.which("chromium") or shutil.which("chromium-browser")
    if not exe:
        pytest.skip("chromium is not installed (scripts/install-deps.sh installs it)")
    cmd = [exe, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
           f"--user-data-dir={tmp}/profile", "--enable-logging=stderr", "--v=0",
           "--host-resolver-rules=MAP * ~NOTFOUND", *args]
    try:
        p = subprocess.run(cmd, capture_output=True, text=True, timeout=120)
    except (OSError, subprocess.TimeoutExpired) as e:
        pytest.skip(f"chromium cannot start: {e}")
    if p.returncode != 0 and not p.stdout:
        pytest.skip(f"chromium cannot start: exit {p.returncode}: {p.stderr[-500:]}")
    return p


class Cells(html.parser.HTMLParser):
    """Every table cell of the page in order: (text, data-value or None), and the figures'
    <text> labels."""

    def __init__(self):
        super().__init__()
        self.cells, self.labels, self._cell, self._label = [], [], None, None

    def handle_starttag(self, tag, attrs):
        if tag in ("td", "th"):
            self._cell = ["", dict(attrs).get("data-value")]
        elif tag == "text":
            self._label = ""

    def handle_endtag(self, tag):
        if tag in ("td", "th") and self._cell is not None:
            self.cells.append((self._cell[0], self._cell[1]))
            self._cell = None
        elif tag == "text" and self._label is not None:
            self.labels.append(self._label)
            self._label = None

    def handle_data(self, data):
        if self._cell is not None:
            self._cell[0] += data
        if self._label is not None:
            self._label += data


def png_is_blank(path):
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    idat = b"".join(data[i + 8:i + 8 + int.from_bytes(data[i:i + 4], "big")]
                    for i in (m.start() - 4 for m in re.finditer(b"IDAT", data)))
    # A page of one colour decompresses to a handful of byte values.
    return len(set(zlib.decompress(idat))) < 16


@pytest.fixture(scope="module")
def page(tmp_path_factory):
    tmp = tmp_path_factory.mktemp("html")
    path = str(tmp / "report.html")
    seufit(*ARGS, "--html", "-o", path, status=0)
    with open(path, encoding="utf-8") as f:
        text = f.read()
    doc = json.loads(seufit(*ARGS, "--json", status=0))
    return tmp, path, text, doc


def test_the_page_is_self_contained_and_stable(page):
    tmp, path, text, _ = page
    seufit(*ARGS, "--html", "-o", path, status=0)
    with open(path, encoding="utf-8") as f:
        assert f.read() == text
    assert seufit(*ARGS, "--format", "html").startswith("<!DOCTYPE html>")
    # No script and no reference to anything outside the page (SVG namespaces are names).
    assert "<script" not in text.lower()
    refs = re.findall(r'(?:src|href)\s*=\s*"([^"]*)"', text)
    assert [r for r in refs if not r.startswith(("#", "data:"))] == []
    assert "Content-Security-Policy" in text
    # Over a mission profile the page shows its segments and its route instead.
    flight = seufit("report", "examples/zerith9_accel.json", "--html", "--profile",
                    "examples/profiles/long_haul_flight.json")
    assert "<caption>Mission profile long-haul flight" in flight
    assert ">mission profile: long-haul flight" in flight and flight.count("<svg") == 2
    assert len(set(re.findall(r' id="([^"]+)"', flight))) == len(re.findall(r' id="', flight))
    # Tables say which cells head their column and their row.
    assert '<th scope="col">Nominal</th>' in text and '<th scope="row">' in text


def test_a_browser_shows_every_figure_of_the_json_and_nothing_else(page):
    tmp, path, _, doc = page
    p = chromium(tmp, "--dump-dom", "file://" + path)
    console = [l for l in p.stderr.splitlines() if "CONSOLE" in l or "Refused" in l]
    assert console == []
    cells = Cells()
    cells.feed(p.stdout)
    numbers = [(c[0], float(c[1])) for c in cells.cells if c[1] is not None]
    expected = [(cell["text"], cell["value"]) for s in doc["sections"] for t in s["tables"]
                for r in t["rows"] for cell in r["cells"] if cell["kind"] == "number"]
    assert numbers == expected
    texts = [c[0] for c in cells.cells]
    for s in doc["sections"]:
        for t in s["tables"]:
            for r in t["rows"]:
                for cell in r["cells"]:
                    if cell["kind"] != "number":
                        assert cell["text"] in texts
    # The chart's labels are text a reader can select and search.
    assert "Configuration Memory" in cells.labels and "HBM" in cells.labels
    assert "the report's place" in cells.labels  # the flux by altitude, the place marked
    assert "Date" in texts or "2026-12-08" in p.stdout


def test_a_screenshot_is_not_blank_and_the_pdf_holds_every_section(page):
    tmp, path, _, doc = page
    shot = str(tmp / "shot.png")
    chromium(tmp, f"--screenshot={shot}", "--window-size=1200,1600", "file://" + path)
    assert os.path.getsize(shot) > 10000 and not png_is_blank(shot)
    pdf = str(tmp / "report.pdf")
    chromium(tmp, f"--print-to-pdf={pdf}", "--no-pdf-header-footer", "file://" + path)
    info = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True, check=True).stdout
    pages = int(re.search(r"^Pages:\s+(\d+)", info, re.M).group(1))
    titles = [s["title"] for s in doc["sections"]]
    # A page per section at least, the explanation and the provenance on their own.
    assert pages >= len(titles) + 2
    text = subprocess.run(["pdftotext", "-layout", pdf, "-"], capture_output=True, text=True,
                          check=True).stdout
    for title in titles + ["How these figures are made", "Provenance"]:
        assert title in text
    assert "Memory FIT by instance, largest first" in text  # the chart, as text
