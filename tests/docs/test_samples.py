"""Every output shown in README.md and docs/ is what the command gives today.

An output is a fenced block without a language, marked among the comment lines before it:

    <!-- sample: seufit ARGS -->             standard output, exit 0
    <!-- sample stderr exit 3: seufit ARGS -->   standard error, exit 3
    <!-- sample excerpt: seufit ARGS -->      runs of whole lines of it, in order; a line
                                             "..." stands for lines left out

ARGS is split as a shell would; the command runs in a scratch folder that links every entry
of the source tree, so that the files it writes are not left behind. A bare fenced block
without a marker fails: it would be an output nobody checks (blocks of formulas or plain text
say ```text). Python sessions (```python blocks of >>> lines) run as doctests.
"""

import doctest
import glob
import os
import re
import shlex
import subprocess
import tempfile
import warnings

import pytest

SRC = os.path.abspath(
    os.environ.get("SEUFIT_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", "..")))
EXE = os.environ.get("SEUFIT_EXE", os.path.join(SRC, "build", "seufit"))
os.environ.pop("SEUFIT_DATA_PATH", None)

PAGES = ["README.md"] + sorted(os.path.relpath(p, SRC) for p in glob.glob(os.path.join(SRC, "docs", "*.md")))
MARK = re.compile(r"^<!-- sample(?P<excerpt> excerpt)?(?P<stderr> stderr)?(?: exit (?P<exit>\d+))?"
                  r": seufit (?P<args>.*) -->$")
FENCE = re.compile(r"^```(\S*)\s*$")


def blocks(page):
    """(line, language, marker line, body) of each fenced block of a page."""
    with open(os.path.join(SRC, page), encoding="utf-8") as f:
        lines = f.read().split("\n")
    out, i = [], 0
    while i < len(lines):
        m = FENCE.match(lines[i])
        if not m:
            i += 1
            continue
        end = next(j for j in range(i + 1, len(lines)) if lines[j].startswith("```"))
        # The marker is among the comment lines just before the fence.
        marker, k = "", i - 1
        while k >= 0 and lines[k].startswith("<!--") and not marker:
            marker = lines[k] if MARK.match(lines[k]) else ""
            k -= 1
        out.append((i + 1, m.group(1), marker, "\n".join(lines[i + 1:end]) + "\n"))
        i = end + 1
    return out


SAMPLES = [(page, line, marker, body) for page in PAGES for line, lang, marker, body in blocks(page)
           if lang == ""]
SESSIONS = [(page, line, body) for page in PAGES for line, lang, _, body in blocks(page)
            if lang == "python" and body.lstrip().startswith(">>>")]


@pytest.fixture(scope="module")
def scratch():
    with tempfile.TemporaryDirectory() as tmp:
        for name in os.listdir(SRC):
            if name not in (".git",):
                os.symlink(os.path.join(SRC, name), os.path.join(tmp, name))
        yield tmp


@pytest.mark.parametrize("page,line,marker,body", SAMPLES,
                         ids=[f"{p}:{l}" for p, l, _, _ in SAMPLES])
def test_shown_output_is_current(page, line, marker, body, scratch):
    m = MARK.match(marker)
    assert m, f"{page}:{line}: an output block needs <!-- sample: seufit ARGS --> on the line before"
    p = subprocess.run([EXE, *shlex.split(m.group("args"))], capture_output=True, text=True,
                       cwd=scratch)
    shown = p.stderr if m.group("stderr") else p.stdout
    if m.group("excerpt"):
        # Runs of whole lines, in order; a line "..." stands for lines left out.
        at = 0
        for run in re.split(r"^[ \t]*\.\.\.\n", body, flags=re.M):
            found = shown.find(run, at) if run else at
            assert found >= 0 and (found == 0 or shown[found - 1] == "\n"), \
                f"{page}:{line}: not in the output of seufit {m.group('args')}:\n{run}"
            at = found + len(run)
    else:
        assert shown == body, f"{page}:{line}: seufit {m.group('args')}"
    assert p.returncode == int(m.group("exit") or 0), p.stderr


@pytest.mark.parametrize("page,line,body", SESSIONS, ids=[f"{p}:{l}" for p, l, _ in SESSIONS])
def test_python_sessions_run(page, line, body):
    seufit = pytest.importorskip("seufit", reason="the Python module is not built")
    test = doctest.DocTestParser().get_doctest(body, {"seufit": seufit}, f"{page}:{line}", page,
                                               line)
    runner = doctest.DocTestRunner(optionflags=doctest.NORMALIZE_WHITESPACE)
    cwd = os.getcwd()
    os.chdir(SRC)
    try:
        with warnings.catch_warnings():
            warnings.simplefilter("ignore", seufit.SeufitWarning)
            result = runner.run(test, out=lambda text: pytest.fail(text))
    finally:
        os.chdir(cwd)
    assert result.failed == 0
