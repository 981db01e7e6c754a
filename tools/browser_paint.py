#!/usr/bin/env python3
"""Writes the colour regions of paint fixtures as headless Chromium paints them.

    tools/browser_paint.py PAGE.html [PAGE.html ...] [--check]

Each page is shown at the size its first line's comment gives ("size WxH")
with scroll bars hidden, captured as a PNG, and for each colour the page
lists in its comment ("colours #rrggbb ...") the bounds of the pixels of that
colour (each channel within 8) are written beside the page as <page>.json:
{"size": [W, H], "regions": {"#rrggbb": [left, top, right, bottom]}}, right
and bottom exclusive, null when no pixel has the colour. The paint tests
render the same pages with the engine and match every bound within 1 pixel.

With --check the bounds are compared with the JSON already beside each page
instead of written. Run by hand when a fixture is written, never in CI.
Chromium is Debian's package; the script installs it when it is missing.
"""

import argparse
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

TOLERANCE = 8


def chromium():
    for name in ("chromium", "chromium-browser"):
        path = shutil.which(name)
        if path:
            return path
    subprocess.run(["flock", "/work/tools/apt.lock", "apt-get", "install", "-y", "chromium"], check=True)
    return shutil.which("chromium")


def read_png(path):
    """Width, height and rows of (r, g, b) of an 8-bit RGB or RGBA PNG."""
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat, width = 8, b"", 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and colour in (2, 6), "only 8-bit RGB or RGBA"
            bpp = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * bpp
    rows, prev, i = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[i], bytearray(raw[i + 1:i + 1 + stride])
        i += 1 + stride
        for x in range(stride):
            a = line[x - bpp] if x >= bpp else 0
            b = prev[x]
            c = prev[x - bpp] if x >= bpp else 0
            if kind == 1:
                line[x] = (line[x] + a) & 255
            elif kind == 2:
                line[x] = (line[x] + b) & 255
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[x:x + 3]) for x in range(0, stride, bpp)])
        prev = line
    return width, height, rows


def regions(rows, colours):
    out = {}
    for name in colours:
        want = tuple(int(name[k:k + 2], 16) for k in (1, 3, 5))
        box = None
        for y, row in enumerate(rows):
            for x, px in enumerate(row):
                if all(abs(px[k] - want[k]) <= TOLERANCE for k in range(3)):
                    if box is None:
                        box = [x, y, x + 1, y + 1]
                    else:
                        box = [min(box[0], x), min(box[1], y), max(box[2], x + 1), max(box[3], y + 1)]
        out[name] = box
    return out


def page_facts(page):
    text = open(page, encoding="utf-8").read()
    size = re.search(r"size (\d+)x(\d+)", text)
    colours = re.search(r"colours((?: #[0-9a-f]{6})+)", text)
    if not size or not colours:
        sys.exit(f"{page}: the first comment must give 'size WxH' and 'colours #rrggbb ...'")
    return (int(size.group(1)), int(size.group(2))), colours.group(1).split()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("pages", nargs="+")
    parser.add_argument("--check", action="store_true")
    args = parser.parse_args()
    browser = chromium()
    status = 0
    for page in args.pages:
        (w, h), colours = page_facts(page)
        with tempfile.TemporaryDirectory() as tmp:
            shot = os.path.join(tmp, "shot.png")
            subprocess.run([browser, "--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                            "--force-device-scale-factor=1", f"--window-size={w},{h}",
                            f"--screenshot={shot}", "file://" + os.path.abspath(page)],
                           check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            width, height, rows = read_png(shot)
        result = {"size": [width, height], "regions": regions(rows, colours)}
        target = os.path.splitext(page)[0] + ".json"
        if args.check:
            kept = json.load(open(target))
            if kept != result:
                print(f"{page}: differs\n  kept    {kept}\n  browser {result}")
                status = 1
        else:
            with open(target, "w") as f:
                json.dump(result, f, indent=1, sort_keys=True)
                f.write("\n")
    return status


if __name__ == "__main__":
    sys.exit(main())
