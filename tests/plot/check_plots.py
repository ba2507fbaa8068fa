#!/usr/bin/env python3
"""Renders every plot kind as PNG and SVG at a requested size and checks the files.

    check_plots.py SEUFIT SOURCE_DIR

PNG: the signature, IHDR width and height as asked, and more than one pixel colour (the
image is decoded with zlib and the PNG row filters). SVG: well-formed XML (xmllint), width
and height as asked, more than one fill colour. PDF: the signature.
"""

import os
import re
import struct
import subprocess
import sys
import tempfile
import zlib

SEUFIT, SRC = sys.argv[1], sys.argv[2]
WIDTH, HEIGHT = 640, 420
KINDS = {
    "flux-map": ["flux-map", "--altitude", "37000", "--feet", "--profile",
                 os.path.join(SRC, "examples/profiles/long_haul_flight.json")],
    "altitude": ["altitude", "--longitude", "10", "--latitude", "60"],
    "report": ["report", os.path.join(SRC, "examples/zerith9_accel.json"), "--by-hierarchy"],
}
failures = []


def fail(what):
    failures.append(what)
    print("FAIL:", what)


def png_colours(data):
    """The distinct pixel values of an 8-bit RGB or RGBA PNG, and (width, height)."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "no PNG signature"
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour_type = header[:4]
    assert depth == 8 and colour_type in (2, 6), f"unexpected PNG type {depth}/{colour_type}"
    bpp = 3 if colour_type == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * bpp
    prev = bytearray(stride)
    colours = set()
    for y in range(height):
        start = y * (stride + 1)
        ftype, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            if ftype == 1:
                line[i] = (line[i] + a) & 255
            elif ftype == 2:
                line[i] = (line[i] + b) & 255
            elif ftype == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif ftype == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        colours.update(bytes(line[i:i + bpp]) for i in range(0, stride, bpp * 7))
        prev = line
    return colours, (width, height)


with tempfile.TemporaryDirectory() as tmp:
    for kind, args in KINDS.items():
        for ext in ("png", "svg"):
            out = os.path.join(tmp, f"{kind}.{ext}")
            run = subprocess.run([SEUFIT, "plot", *args, "--output", out, "--width", str(WIDTH),
                                  "--height", str(HEIGHT)], capture_output=True, text=True)
            if run.returncode != 0:
                fail(f"{kind} {ext}: exit {run.returncode}: {run.stderr.strip()}")
                continue
            with open(out, "rb") as f:
                data = f.read()
            if ext == "png":
                colours, size = png_colours(data)
                if size != (WIDTH, HEIGHT):
                    fail(f"{kind} png: size {size}, asked for {(WIDTH, HEIGHT)}")
                if len(colours) < 2:
                    fail(f"{kind} png: all pixels one colour")
            else:
                lint = subprocess.run(["xmllint", "--noout", out], capture_output=True, text=True)
                if lint.returncode != 0:
                    fail(f"{kind} svg: not well-formed: {lint.stderr.strip()}")
                text = data.decode("utf-8")
                root = re.search(r"<svg\b[^>]*>", text).group(0)
                size = tuple(re.search(fr'\b{a}="([^"]*)"', root).group(1) for a in ("width", "height"))
                if size != (str(WIDTH), str(HEIGHT)):
                    fail(f"{kind} svg: size {size}, asked for {(WIDTH, HEIGHT)}")
                fills = set(re.findall(r'fill(?::|=")(rgb\([^)]*\))', text))
                if len(fills) < 2:
                    fail(f"{kind} svg: fill colours {fills}")
                # Labels stay text, not outlines of glyphs.
                if not re.search(r"<text\b[^>]*>[^<]+</text>", text) or "<glyph" in text:
                    fail(f"{kind} svg: labels are not <text> elements")
            # Nothing but the picture is left in the folder.
            extra = set(os.listdir(tmp)) - {f"{k}.{e}" for k in KINDS for e in ("png", "svg")}
            if extra:
                fail(f"{kind} {ext}: left behind {sorted(extra)}")
    # At the ends of the sizes a document uses, every label lies inside the picture: its
    # anchor, and its extent at 0.55 em per character (the sans-serif face's average, and more).
    for width, height in ((500, 400), (4000, 3000)):
        for kind, args in KINDS.items():
            out = os.path.join(tmp, f"{kind}.svg")
            subprocess.run([SEUFIT, "plot", *args, "--output", out, "--width", str(width),
                            "--height", str(height)], capture_output=True, check=True)
            with open(out, encoding="utf-8") as f:
                text = f.read()
            os.remove(out)
            group = re.search(r'<g font-family="sans-serif"(?: transform="scale\(([^)]*)\)")?>', text)
            scale = float(group.group(1) or 1)
            for m in re.finditer(r'<text transform="translate\(([-\d.]+) ([-\d.]+)\)([^"]*)" '
                                 r'x="([-\d.]+)" y="[-\d.]+" font-size="([\d.]+)" '
                                 r'text-anchor="(\w+)"[^>]*>([^<]*)</text>', text):
                x, y, rotated = float(m.group(1)) * scale, float(m.group(2)) * scale, m.group(3)
                size, anchor, label = float(m.group(5)) * scale, m.group(6), m.group(7)
                extent = 0.55 * size * len(label)
                if rotated:  # a vertical label: its extent runs along y
                    lo, hi = (y - extent / 2, y + extent / 2) if anchor == "middle" else (y - extent, y)
                    inside = 0 <= x <= width and lo >= -1 and hi <= height + 1
                else:
                    lo = x - extent if anchor == "end" else x - extent / 2 if anchor == "middle" else x
                    inside = 0 <= y <= height and lo >= -1 and lo + extent <= width + 1
                if not inside:
                    fail(f"{kind} {width}x{height}: label {label!r} at ({x:.0f}, {y:.0f}) "
                         "reaches outside the picture")
    pdf = os.path.join(tmp, "altitude.pdf")
    subprocess.run([SEUFIT, "plot", "altitude", "--output", pdf], check=True)
    with open(pdf, "rb") as f:
        if not f.read(5) == b"%PDF-":
            fail("altitude pdf: no PDF signature")

sys.exit(1 if failures else 0)
