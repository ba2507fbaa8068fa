#!/usr/bin/env python3
"""Writes inputs nested deeper than seufit accepts, to standard output.

    nested.py json N       a JSON array nested N deep
    nested.py hierarchy N  a design whose cells form a chain N levels below the top
    nested.py xml N        a cutoff-grid document with elements nested N deep
"""
import sys

kind, n = sys.argv[1], int(sys.argv[2])
if kind == "json":
    sys.stdout.write("[" * n + "]" * n)
elif kind == "hierarchy":
    cells = "".join(f'"c{i}": {{"instances": [{{"name": "i", "cell": "c{i + 1}"}}]}},\n'
                    for i in range(n))
    sys.stdout.write('{"seufit_design": 1,\n'
                     ' "part": {"name": "p", "device": "d", "arch_id": "zerith9", "arch_type": 21},\n'
                     ' "top": "c0",\n "cells": {\n' + cells + f'"c{n}": {{}}}}}}\n')
elif kind == "xml":
    sys.stdout.write("<RCDATA>" + "<a>" * n + "</a>" * n + "</RCDATA>\n")
else:
    sys.exit(f"unknown kind {kind}; expected json, hierarchy or xml")
