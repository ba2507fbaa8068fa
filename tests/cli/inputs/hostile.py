#!/usr/bin/env python3
"""Writes hostile but small inputs to standard output, for the command-line cases.

    hostile.py yosys-nested N      a netlist with a list nested N deep in a key it ignores
    hostile.py yosys-attrs N       a netlist whose one block RAM has N attributes
    hostile.py yosys KIND          a netlist with one flaw: bad-utf8, empty-name, huge-number,
                                   repeated-key, repeated-attribute, unmapped-memory
    hostile.py yosys-types T       a netlist of T cells of T distinct unknown types
    hostile.py map-globs G         a cell map of G globs that match no type
    hostile.py edif-array N P      an EDIF netlist with an array of N instances of P properties
    hostile.py edif-arrays K       K arrays of 64 instances of 15 properties, with a comment
                                   that makes the file large enough to hold them
    hostile.py profile-nested N    a mission profile with a name nested N deep
    hostile.py profile-legs N      a mission profile of N long route legs
    hostile.py profile KIND        a profile with one flaw: place-and-route, unknown-key,
                                   name-number, repeated-key, hours-overflow, hours-subnormal,
                                   below-sea-level, bom-json, bom-csv
"""
import json
import sys

TOP = "00000000000000000000000000000001"


def netlist(cells, extra=""):
    """A Yosys JSON netlist whose top holds `cells` (text of the cells object's body)."""
    return ('{"creator": "hostile.py"' + extra + ',\n "modules": {\n'
            '  "top": {"attributes": {"top": "' + TOP + '"}, "cells": {\n' + cells +
            "\n  }}\n }\n}\n")


def ram(name, attrs):
    return (f'   "{name}": {{"type": "RAMB36", "parameters": {{"RAM_MODE": "TDP ", '
            f'"READ_WIDTH_A": 36}}, "attributes": {{{attrs}}}}}')


def yosys(kind):
    if kind == "bad-utf8":
        return netlist(ram("ram\xff\xfe", "")).encode("latin-1")
    if kind == "empty-name":
        return netlist(ram("", ""))
    if kind == "huge-number":
        return netlist(ram("ram0", '"SEU_PROTECTED": 1.7976931348623159e308'))
    if kind == "repeated-key":
        return netlist('   "ram0": {"type": "RAMB36", "type": "RAMB18", "parameters": {}}')
    if kind == "repeated-attribute":
        return netlist(ram("ram0", '"SEU_PROTECTED": 5, "SEU_PROTECTED": -5'))
    if kind == "unmapped-memory":
        return netlist('   "mem": {"type": "$mem_v2", "parameters": {"SIZE": 2048, "WIDTH": 32, '
                       '"ABITS": 11}, "attributes": {}},\n' + ram("ram0", ""))
    sys.exit(f"unknown yosys kind {kind}")


def edif_array(n, props):
    prop = "".join(f' (property P{k} (integer {k}))' for k in range(props))
    return ("(edif top (edifVersion 2 0 0) (edifLevel 0) (keywordMap (keywordLevel 0))\n"
            " (external LIB (edifLevel 0) (technology (numberDefinition))\n"
            "  (cell RAMB18 (cellType GENERIC) (view VIEW_NETLIST (viewType NETLIST)"
            " (interface))))\n"
            " (library work (edifLevel 0) (technology (numberDefinition))\n"
            "  (cell top (cellType GENERIC) (view VIEW_NETLIST (viewType NETLIST) (interface)\n"
            "   (contents (instance (array r " + str(n) + ")"
            " (viewRef VIEW_NETLIST (cellRef RAMB18 (libraryRef LIB)))" + prop + ")))))\n"
            " (design top (cellRef top (libraryRef work))))\n")


def edif_arrays(k):
    prop = "".join(f' (property P{p} (integer {p}))' for p in range(15))
    arrays = "".join(f"   (instance (array r{i} 64) (viewRef VIEW_NETLIST (cellRef RAMB18 "
                     f"(libraryRef LIB))){prop})\n" for i in range(k))
    return ("(edif top (edifVersion 2 0 0) (edifLevel 0) (keywordMap (keywordLevel 0))\n"
            " (comment \"" + "x" * (k * 1024) + "\")\n"
            " (external LIB (edifLevel 0) (technology (numberDefinition))\n"
            "  (cell RAMB18 (cellType GENERIC) (view VIEW_NETLIST (viewType NETLIST)"
            " (interface))))\n"
            " (library work (edifLevel 0) (technology (numberDefinition))\n"
            "  (cell top (cellType GENERIC) (view VIEW_NETLIST (viewType NETLIST) (interface)\n"
            "   (contents\n" + arrays + "))))\n"
            " (design top (cellRef top (libraryRef work))))\n")


def profile(kind):
    seg = '{"hours": 1, "altitude": 0, "unit": "m", "longitude": -74, "latitude": 40}'
    doc = '{"seufit_profile": 1, "segments": [%s]}\n'
    if kind == "place-and-route":
        return doc % ('{"hours": 1, "altitude": 0, "unit": "m", "longitude": 1, "latitude": 2, '
                      '"from": {"longitude": 0, "latitude": 0}, "to": {"longitude": 10, '
                      '"latitude": 0}}')
    if kind == "unknown-key":
        return doc % seg.replace('"hours"', '"hourz": 3, "hours"')
    if kind == "name-number":
        return doc % seg.replace('"hours"', '"name": 7, "hours"')
    if kind == "repeated-key":
        return doc % seg.replace('"hours": 1', '"hours": 1, "hours": 1000')
    if kind == "hours-overflow":
        return doc % ", ".join([seg.replace('"hours": 1', '"hours": 1e308')] * 2)
    if kind == "hours-subnormal":
        return doc % seg.replace('"hours": 1', '"hours": 1e-310')
    if kind == "below-sea-level":
        return doc % seg.replace('"altitude": 0', '"altitude": -420')
    if kind == "bom-json":
        return "\ufeff" + doc % seg
    if kind == "bom-csv":
        return ("\ufeffname,hours,altitude,unit,longitude,latitude,to_longitude,to_latitude\n"
                "station,24,1600,m,-105,40,,\n")
    sys.exit(f"unknown profile kind {kind}")


def main():
    kind, args = sys.argv[1], sys.argv[2:]
    out = None
    if kind == "yosys-nested":
        n = int(args[0])
        out = netlist(ram("ram0", ""), ', "extra": ' + "[" * n + "]" * n)
    elif kind == "yosys-attrs":
        n = int(args[0])
        out = netlist(ram("ram0", ", ".join(f'"A{k}": {k}' for k in range(n))))
    elif kind == "yosys":
        out = yosys(args[0])
    elif kind == "yosys-types":
        t = int(args[0])
        out = netlist(",\n".join(f'   "c{k}": {{"type": "cell_type_{k:06d}"}}' for k in range(t)))
    elif kind == "map-globs":
        g = int(args[0])
        cells = {f"*{'?' * (k % 7)}*nomatch{k}*": None for k in range(g)}
        out = json.dumps({"seufit_map": 1, "cells": cells}) + "\n"
    elif kind == "edif-array":
        out = edif_array(int(args[0]), int(args[1]))
    elif kind == "edif-arrays":
        out = edif_arrays(int(args[0]))
    elif kind == "profile-nested":
        n = int(args[0])
        out = '{"seufit_profile": 1, "name": ' + "[" * n + "]" * n + ', "segments": []}\n'
    elif kind == "profile-legs":
        n = int(args[0])
        legs = [{"name": f"leg {k}", "hours": 1, "altitude": 11000, "unit": "m",
                 "from": {"longitude": -170 + (k % 7), "latitude": -60 + (k % 5)},
                 "to": {"longitude": 170 - (k % 3), "latitude": 60 - (k % 11)}} for k in range(n)]
        out = json.dumps({"seufit_profile": 1, "name": "many legs", "segments": legs}) + "\n"
    elif kind == "profile":
        out = profile(args[0])
    else:
        sys.exit(f"unknown kind {kind}")
    if isinstance(out, str):
        out = out.encode("utf-8")
    sys.stdout.buffer.write(out)


main()
