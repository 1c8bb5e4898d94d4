#!/usr/bin/env python3
"""Draws the runtime's window icon (32 x 32, 32-bit) and writes it as .ico.

The picture: a dark blue tile with a white "T" and a small yellow "2" raised
beside it, the program's sign since its first version. Run it again only to
change the picture; the .ico is kept in resources/.
"""
import struct
import sys

W = H = 32
BLUE, WHITE, YELLOW, EDGE = (0x80, 0x20, 0x10), (0xFF, 0xFF, 0xFF), (0x00, 0xD8, 0xFF), (0x40, 0x10, 0x08)

def picture():
    px = [[BLUE for _ in range(W)] for _ in range(H)]
    for y in range(H):
        for x in range(W):
            if x in (0, W - 1) or y in (0, H - 1):
                px[y][x] = EDGE
    for y in range(6, 10):          # bar of the T
        for x in range(4, 22):
            px[y][x] = WHITE
    for y in range(10, 27):         # stem of the T
        for x in range(11, 15):
            px[y][x] = WHITE
    two = ["0110", "1001", "0001", "0010", "0100", "1111"]
    for r, row in enumerate(two):   # the raised 2
        for c, bit in enumerate(row):
            if bit == "1":
                for dy in range(2):
                    for dx in range(2):
                        px[4 + r * 2 + dy][23 + c * 2 + dx] = YELLOW
    return px

def ico(px):
    xor = b"".join(bytes((b, g, r, 255)) for row in reversed(px) for (b, g, r) in row)
    and_mask = bytes(4 * H)  # 32 bits per row, all opaque
    header = struct.pack("<IiiHHIIiiII", 40, W, H * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    image = header + xor + and_mask
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", W, H, 0, 0, 1, 32, len(image), 22) + image

if __name__ == "__main__":
    open(sys.argv[1] if len(sys.argv) > 1 else "resources/tolven.ico", "wb").write(ico(picture()))
