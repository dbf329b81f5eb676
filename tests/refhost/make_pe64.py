#!/usr/bin/env python3
"""Writes the headers of a 64-bit (x64) DLL: enough for refhost to read
what it is, nothing a loader could run."""
import struct
import sys

image = bytearray(0x400)
image[0:2] = b"MZ"
struct.pack_into("<I", image, 0x3C, 0x40)
struct.pack_into("<IHHIIIHH", image, 0x40, 0x00004550, 0x8664, 0, 0, 0, 0, 240, 0x2022)
struct.pack_into("<H", image, 0x58, 0x20B)
with open(sys.argv[1], "wb") as f:
    f.write(image)
