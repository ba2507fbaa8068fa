#!/usr/bin/env python3
"""Writes a Yosys JSON netlist of CELLS cells in one flat top module, as write_json lays
it out: one RAMB36 in a hundred, the rest $lut and $dff gates with their connections and
net names, so that most of the file is connectivity.
   gen_netlist.py CELLS -o FILE"""
import argparse


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("cells", type=int)
    ap.add_argument("-o", required=True)
    a = ap.parse_args()
    one = '"00000000000000000000000000000001"'
    with open(a.o, "w") as f:
        f.write('{\n  "creator": "gen_netlist.py",\n  "modules": {\n')
        f.write('    "top": {\n      "attributes": {\n        "top": %s,\n'
                '        "src": "top.v:1.1-9.9"\n      },\n      "ports": {\n      },\n'
                '      "cells": {\n' % one)
        for i in range(a.cells):
            sep = ",\n" if i + 1 < a.cells else "\n"
            n = 2 + 4 * i
            if i % 100 == 0:
                f.write('        "ram%d": {\n          "hide_name": 0,\n          "type": "RAMB36",\n'
                        '          "parameters": {\n            "RAM_MODE": "SDP",\n'
                        '            "READ_WIDTH_A": "00000000000000000000000000100100",\n'
                        '            "WRITE_WIDTH_B": "00000000000000000000000000100100"\n'
                        '          },\n          "attributes": {\n'
                        '            "src": "top.v:%d.5-%d.8"\n          },\n'
                        '          "port_directions": {\n            "CLK": "input",\n'
                        '            "DO": "output"\n          },\n'
                        '          "connections": {\n            "CLK": [ 2 ],\n'
                        '            "DO": [ %d, %d, %d, %d ]\n          }\n        }%s'
                        % (i, i, i, n, n + 1, n + 2, n + 3, sep))
            else:
                kind = "$lut" if i % 2 else "$dff"
                f.write('        "$auto$%d": {\n          "hide_name": 1,\n          "type": "%s",\n'
                        '          "parameters": {\n            "LUT": "0110",\n'
                        '            "WIDTH": "00000000000000000000000000000010"\n          },\n'
                        '          "attributes": {\n            "src": "top.v:%d.5-%d.8"\n'
                        '          },\n          "port_directions": {\n'
                        '            "A": "input",\n            "Y": "output"\n          },\n'
                        '          "connections": {\n            "A": [ %d, %d ],\n'
                        '            "Y": [ %d ]\n          }\n        }%s'
                        % (i, kind, i, i, n, n + 1, n + 2, sep))
        f.write('      },\n      "netnames": {\n')
        nets = a.cells // 2
        for i in range(nets):
            sep = ",\n" if i + 1 < nets else "\n"
            f.write('        "n%d": {\n          "hide_name": 0,\n          "bits": [ %d, %d ],\n'
                    '          "attributes": {\n            "src": "top.v:%d.1-%d.2"\n'
                    '          }\n        }%s' % (i, 2 * i + 2, 2 * i + 3, i, i, sep))
        f.write('      }\n    }\n  }\n}\n')


if __name__ == "__main__":
    main()
