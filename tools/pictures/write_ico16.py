#!/usr/bin/env python3
"""Writes a square RGBA picture as a Windows icon in 16-bit (5-5-5) colour.

ImageMagick writes icons in 32-bit colour only; the window icon is 16-bit.
"""
import struct
import sys


def main():
    raw_path, size, out_path = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    raw = open(raw_path, "rb").read()
    assert len(raw) == size * size * 4

    xor_stride = (size * 2 + 3) // 4 * 4
    and_stride = ((size + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for y in range(size - 1, -1, -1):  # bitmaps are stored bottom-up
        row = bytearray()
        bits = bytearray(and_stride)
        for x in range(size):
            r, g, b, a = raw[(y * size + x) * 4:(y * size + x) * 4 + 4]
            if a < 128:
                r = g = b = 0
                bits[x // 8] |= 0x80 >> (x % 8)
            row += struct.pack("<H", ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3))
        row += bytes(xor_stride - len(row))
        xor += row
        mask += bits

    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 16, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 16, len(image), 6 + 16)
    with open(out_path, "wb") as f:
        f.write(directory + entry + image)


if __name__ == "__main__":
    main()
