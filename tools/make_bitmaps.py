#!/usr/bin/env python3
"""Draws bitmaps (uncompressed 24-bit BMP files) into a folder: logo.bmp,
a 16x16 sign, and open.bmp, a 32x24 folder. They are compiled into
refhost's resources and the C sample plug-in's; nothing drawn here is
committed."""
import pathlib
import struct
import sys


def bmp(width, height, pixel):
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):  # bottom-up
        row = b"".join(bytes(pixel(x, y)[::-1]) for x in range(width))
        rows.append(row + b"\0" * (stride - width * 3))
    bits = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(bits), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(bits), 0, 0, 14 + len(info))
    return head + info + bits


def logo(x, y):
    on = abs(x - 7.5) + abs(y - 7.5) < 7
    return (200, 30, 40) if on else (255, 255, 255)


def folder(x, y):
    if 6 <= y <= 21 and 2 <= x <= 29:
        return (230, 180, 60)
    if 3 <= y < 6 and 2 <= x <= 12:
        return (200, 150, 40)
    return (255, 255, 255)


out = pathlib.Path(sys.argv[1])
out.mkdir(parents=True, exist_ok=True)
(out / "logo.bmp").write_bytes(bmp(16, 16, logo))
(out / "open.bmp").write_bytes(bmp(32, 24, folder))
