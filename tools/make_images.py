#!/usr/bin/env python3
"""Draws the program's own default images: logo.ico, oemSmall.bmp and oemBig.bmp.

Usage: tools/make_images.py [OUTPUT_DIR]   (default: assets/)
The pictures are computed here (a plug-and-wave emblem on a gradient); nothing is taken from
elsewhere, so rerunning the script reproduces the committed files byte for byte.
"""
import math
import os
import struct
import sys


def emblem(w, h, x, y):
    """Colour (r, g, b) of the emblem at pixel (x, y) of a w x h picture, y from the top."""
    t = x / max(w - 1, 1)
    r, g, b = int(20 + 30 * t), int(70 + 90 * t), int(140 + 90 * t)  # blue-teal gradient
    cy = h / 2 + math.sin(x / w * 2 * math.pi * 2) * h / 5  # the mains wave
    if abs(y - cy) < max(h / 30, 1.2):
        r, g, b = 250, 200, 40
    cx, cr = w * 0.18, min(w, h) * 0.28  # a round device with two prongs
    if (x - cx) ** 2 + (y - h / 2) ** 2 < cr ** 2:
        r, g, b = 240, 240, 245
        if abs(y - h / 2) < cr * 0.45 and (abs(x - (cx - cr * 0.3)) < cr * 0.08 or abs(x - (cx + cr * 0.3)) < cr * 0.08):
            r, g, b = 30, 40, 60
    return r, g, b


def bmp24(w, h):
    stride = (w * 3 + 3) // 4 * 4
    rows = []
    for y in range(h - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(w):
            r, g, b = emblem(w, h, x, y)
            row += bytes((b, g, r))
        row += b"\0" * (stride - w * 3)
        rows.append(bytes(row))
    pixels = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + pixels


def ico(size):
    pixels = bytearray()
    for y in range(size - 1, -1, -1):
        for x in range(size):
            r, g, b = emblem(size, size, x, y)
            pixels += bytes((b, g, r, 255))
    mask = b"\0" * (((size + 31) // 32) * 4 * size)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    image = info + bytes(pixels) + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "assets")
    os.makedirs(out, exist_ok=True)
    files = {"logo.ico": ico(32), "oemSmall.bmp": bmp24(120, 40), "oemBig.bmp": bmp24(200, 80)}
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
        print(os.path.join(out, name), len(data), "bytes")


if __name__ == "__main__":
    main()
