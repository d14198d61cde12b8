#!/usr/bin/env python3
"""Draws the desktop icon of zentrel-utility as PNG files for the hicolor icon theme.

Usage: tools/make_icon.py OUTPUT_DIR [SIZE...]   (default sizes: 32 48 64 128 256)
Writes OUTPUT_DIR/SIZExSIZE/apps/zentrel-utility.png. The picture is the emblem of the program's
own default images (tools/make_images.py, which draws assets/logo.ico), computed at each size
rather than scaled up from the 32-pixel icon, so the large sizes stay sharp.
"""
import os
import struct
import sys
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_images import emblem  # noqa: E402


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png(size):
    raw = bytearray()
    for y in range(size):
        raw.append(0)  # filter: none
        for x in range(size):
            raw += bytes(emblem(size, size, x, y))
    header = struct.pack(">IIBBBBB", size, size, 8, 2, 0, 0, 0)  # 8-bit RGB
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b"")


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    sizes = [int(s) for s in sys.argv[2:]] or [32, 48, 64, 128, 256]
    for size in sizes:
        folder = os.path.join(out, "%dx%d" % (size, size), "apps")
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, "zentrel-utility.png")
        with open(path, "wb") as f:
            f.write(png(size))
        print(path)


if __name__ == "__main__":
    main()
