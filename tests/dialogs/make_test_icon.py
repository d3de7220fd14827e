#!/usr/bin/env python3
"""Writes a small 32 x 32 icon (a blue square with a light frame) for the
dialog tests: make_test_icon.py OUTPUT.ico"""
import struct
import sys

SIZE = 32


def pixel(x, y):
    if x < 2 or y < 2 or x >= SIZE - 2 or y >= SIZE - 2:
        return (0xF0, 0xF0, 0xF0, 0xFF)  # B, G, R, A
    return (0xC0, 0x40, 0x10, 0xFF)


def main(out):
    rows = []
    for y in reversed(range(SIZE)):  # bottom-up
        rows.append(b"".join(bytes(pixel(x, y)) for x in range(SIZE)))
    xor = b"".join(rows)
    mask = bytes(SIZE * 4)  # 32 pixels = 4 bytes a row, all opaque
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    with open(out, "wb") as f:
        f.write(icondir + entry + image)


if __name__ == "__main__":
    main(sys.argv[1])
