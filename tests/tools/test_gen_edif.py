"""tools/gen_edif.py writes one design twice: its EDIF netlist and its Yosys JSON netlist
import to the same seufit design file, every instance, property and net count alike."""

import json
import os
import subprocess
import sys

SRC = os.path.abspath(os.environ.get("SEUFIT_SOURCE_DIR",
                                     os.path.join(os.path.dirname(__file__), "..", "..")))
EXE = os.path.abspath(os.environ.get("SEUFIT_EXE", os.path.join(SRC, "build", "seufit")))


def imported(path):
    r = subprocess.run([EXE, "import", "--part", "z9-s1", path], capture_output=True, text=True,
                       check=False)
    assert r.returncode == 0, r.stderr
    return r.stdout


def test_edif_and_json_are_one_design(tmp_path):
    edf, js = tmp_path / "n.edf", tmp_path / "n.json"
    subprocess.run([sys.executable, os.path.join(SRC, "tools", "gen_edif.py"), "250",
                    "-o", str(edf), "--json", str(js)], check=True)
    from_edif = imported(str(edf))
    assert from_edif == imported(str(js))
    top = json.loads(from_edif)["cells"]["top"]
    cells = [i["cell"] for i in top["instances"]]
    # One block RAM in a hundred; a net per driven bit (four of a RAM's) and the clock.
    assert (len(cells), cells.count("RAMB36"), cells.count("$lut")) == (250, 3, 125)
    assert top["nets"] == 247 + 3 * 4 + 1
    ram = top["instances"][0]
    assert ram["attributes"] == {"RAM_MODE": "SDP", "READ_WIDTH_A": 36, "WRITE_WIDTH_B": 36}
