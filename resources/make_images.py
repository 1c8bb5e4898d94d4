#!/usr/bin/env python3
"""Draws the runtime's icons and cursors (32 x 32) and writes them as .ico
and .cur files into resources/icons and resources/cursors.

Programs pick them by name (icon statement, window icon statement, cursor
number 11). The window icon "TOLVEN" is drawn by tools/make_icon.py. Run
this again only to change a picture; the files are kept in the tree.
"""
import math
import os
import struct

W = H = 32
HERE = os.path.dirname(os.path.abspath(__file__))

BLACK, WHITE = (0, 0, 0), (255, 255, 255)
GREY, DARK, LIGHT = (160, 160, 160), (90, 90, 90), (215, 215, 215)
RED, GREEN, BLUE = (200, 30, 30), (30, 150, 40), (30, 60, 200)
YELLOW, BROWN, SKY = (250, 210, 40), (120, 70, 30), (120, 190, 240)
SANDC, PINK, NAVY = (225, 190, 120), (240, 140, 170), (20, 30, 110)


class Canvas:
    def __init__(self):
        self.px = [[None] * W for _ in range(H)]

    def dot(self, x, y, c):
        if 0 <= x < W and 0 <= y < H:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.dot(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.dot(x, y0, c)
            self.dot(x, y1, c)
        for y in range(y0, y1 + 1):
            self.dot(x0, y, c)
            self.dot(x1, y, c)

    def disc(self, cx, cy, r, c):
        for y in range(H):
            for x in range(W):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.dot(x, y, c)

    def ring(self, cx, cy, r, c, width=1.0):
        for y in range(H):
            for x in range(W):
                d = math.hypot(x - cx, y - cy)
                if r - width < d <= r:
                    self.dot(x, y, c)

    def line(self, x0, y0, x1, y1, c, width=1):
        n = max(abs(x1 - x0), abs(y1 - y0), 1)
        for k in range(n + 1):
            x = round(x0 + (x1 - x0) * k / n)
            y = round(y0 + (y1 - y0) * k / n)
            for dx in range(width):
                for dy in range(width):
                    self.dot(x + dx, y + dy, c)

    def glyph(self, x, y, rows, c, scale=1):
        for r, row in enumerate(rows):
            for k, bit in enumerate(row):
                if bit != ".":
                    self.rect(x + k * scale, y + r * scale, x + k * scale + scale - 1,
                              y + r * scale + scale - 1, c)


def page(cv, corner=True):
    cv.rect(6, 2, 25, 29, WHITE)
    cv.frame(6, 2, 25, 29, BLACK)
    if corner:
        for k in range(6):
            for x in range(20 + k, 26):
                cv.dot(x, 2 + k, None)
        cv.line(19, 2, 19, 8, BLACK)
        cv.line(19, 8, 25, 8, BLACK)
        cv.line(19, 2, 25, 8, BLACK)


def icons():
    out = {}

    cv = Canvas()
    cv.glyph(4, 3, ["..XXXX..", ".XX..XX.", "XX....XX", "XX....XX", "XXXXXXXX", "XX....XX",
                    "XX....XX", "XX....XX"], BLUE, 3)
    out["A"] = cv

    cv = Canvas()
    cv.rect(14, 20, 17, 30, BROWN)
    cv.disc(16, 11, 10, GREEN)
    cv.disc(12, 9, 4, (60, 180, 70))
    out["BAUM"] = cv

    cv = Canvas()
    cv.rect(4, 3, 27, 20, LIGHT)
    cv.frame(4, 3, 27, 20, DARK)
    cv.rect(7, 6, 24, 17, BLUE)
    cv.rect(13, 21, 18, 23, DARK)
    cv.rect(3, 25, 28, 29, LIGHT)
    cv.frame(3, 25, 28, 29, DARK)
    for x in range(5, 27, 3):
        cv.dot(x, 27, DARK)
    out["COMPUTER"] = cv

    cv = Canvas()
    cv.rect(2, 4, 29, 27, BLACK)
    cv.frame(2, 4, 29, 27, GREY)
    cv.glyph(5, 9, [".XXX..X..", "X.....X..", "X......X.", "X.....X..", ".XXX..X..."], WHITE)
    cv.line(16, 14, 20, 14, WHITE)
    out["DOS"] = cv

    cv = Canvas()
    cv.rect(9, 3, 22, 12, WHITE)
    cv.frame(9, 3, 22, 12, DARK)
    cv.rect(3, 12, 28, 23, GREY)
    cv.frame(3, 12, 28, 23, DARK)
    cv.rect(8, 21, 23, 29, WHITE)
    cv.frame(8, 21, 23, 29, DARK)
    cv.dot(25, 15, GREEN)
    for y in (24, 26):
        cv.line(10, y, 21, y, DARK)
    out["DRUCKER"] = cv

    cv = Canvas()
    page(cv, corner=False)
    for y in range(6, 27, 3):
        cv.line(9, y, 22, y, NAVY)
    cv.line(28, 10, 16, 25, YELLOW, 2)
    cv.dot(15, 27, BLACK)
    out["EDITOR"] = cv

    cv = Canvas()
    cv.ring(16, 12, 10, DARK, 1.5)
    for y in range(12, 30):
        w = 11 - (y - 12) // 4
        cv.line(16 - w, y, 16 + w, y, GREY)
    cv.line(5, 12, 27, 12, DARK)
    cv.line(8, 29, 24, 29, DARK)
    out["EIMER"] = cv

    cv = Canvas()
    for y in range(14, 31):
        w = (31 - y) // 3
        cv.line(16 - w, y, 16 + w, y, BROWN)
    for k in range(15, 30, 3):
        cv.line(11, k, 16, k + 5, (90, 50, 20))
    cv.disc(16, 10, 7, PINK)
    cv.disc(14, 8, 2, WHITE)
    out["EIS"] = cv

    cv = Canvas()
    page(cv)
    out["FILEICON"] = cv

    cv = Canvas()
    cv.disc(16, 16, 13, YELLOW)
    cv.ring(16, 16, 13.5, BROWN)
    cv.disc(11, 12, 2, BLACK)
    cv.disc(21, 12, 2, BLACK)
    for x in range(9, 24):
        y = 19 + round(4 * math.sin((x - 9) / 14 * math.pi))
        cv.dot(x, y, BLACK)
        cv.dot(x, y + 1, BLACK)
    out["GESICHT"] = cv

    for name, pressed in (("KNOPF1", False), ("KNOPF2", True)):
        cv = Canvas()
        cv.rect(3, 8, 28, 23, LIGHT)
        hi, lo = (DARK, WHITE) if pressed else (WHITE, DARK)
        cv.line(3, 8, 28, 8, hi)
        cv.line(3, 8, 3, 23, hi)
        cv.line(3, 23, 28, 23, lo)
        cv.line(28, 8, 28, 23, lo)
        cv.line(4, 22, 27, 22, lo if not pressed else LIGHT)
        cv.frame(2, 7, 29, 24, BLACK)
        off = 1 if pressed else 0
        cv.disc(16 + off, 15 + off, 3, RED)
        out[name] = cv

    cv = Canvas()
    cv.rect(7, 9, 24, 29, GREY)
    cv.frame(7, 9, 24, 29, DARK)
    for x in (11, 16, 20):
        cv.line(x, 12, x, 26, DARK)
    cv.rect(5, 6, 26, 8, DARK)
    cv.rect(13, 3, 18, 5, DARK)
    out["MUELL"] = cv

    cv = Canvas()
    cv.disc(16, 16, 13, (230, 180, 30))
    cv.ring(16, 16, 13.5, BROWN)
    cv.ring(16, 16, 10, (170, 120, 20))
    cv.glyph(12, 10, ["..X..", ".XXX.", "X.X..", ".XXX.", "..X.X", ".XXX.", "..X.."], BROWN, 1)
    out["MUENZE"] = cv

    cv = Canvas()
    for y in range(14, 30):
        w = round(math.sqrt(max(0, 15 ** 2 - (30 - y) ** 2 * 0.9)))
        cv.line(16 - w, y, 16 + w, y, SANDC)
    for (x, y) in ((9, 24), (14, 20), (20, 25), (24, 27), (12, 28), (18, 18)):
        cv.dot(x, y, BROWN)
    cv.line(1, 30, 30, 30, BROWN)
    out["SAND"] = cv

    cv = Canvas()
    for y in range(H):
        for x in range(W):
            if ((x - 16) / 13) ** 2 + ((y - 18) / 10) ** 2 <= 1:
                shade = 150 - (x - 16) * 2 - (y - 18) * 3
                cv.dot(x, y, (shade, shade, shade + 5))
    cv.line(10, 15, 15, 19, DARK)
    cv.line(15, 19, 14, 23, DARK)
    out["STEIN"] = cv

    cv = Canvas()
    page(cv, corner=False)
    cv.glyph(10, 6, ["XXXXX", "..X..", "..X..", "..X..", "..X.."], BLACK, 2)
    for y in (19, 22, 25):
        cv.line(9, y, 22, y, GREY)
    out["TEXT"] = cv

    cv = Canvas()
    cv.rect(0, 0, 31, 31, SKY)
    for base in (10, 17, 24):
        for x in range(32):
            y = base + round(2 * math.sin(x / 32 * 4 * math.pi))
            cv.rect(x, y, x, 31, BLUE if base > 10 else (60, 110, 220))
    out["WASSER"] = cv

    cv = Canvas()
    cv.rect(0, 0, 31, 31, (140, 200, 110))
    for y in range(6, 32):
        w = 1 + (y - 6) * 12 // 25
        cv.line(16 - w, y, 16 + w, y, (170, 150, 120))
    for y in range(8, 32, 5):
        cv.line(16, y, 16, y + 2, WHITE)
    out["WEG"] = cv

    cv = Canvas()
    cv.rect(3, 4, 28, 27, LIGHT)
    cv.frame(3, 4, 28, 27, DARK)
    cv.rect(4, 5, 27, 8, NAVY)
    cv.rect(6, 11, 15, 17, RED)
    cv.rect(17, 11, 26, 17, GREEN)
    cv.rect(6, 19, 15, 25, BLUE)
    cv.rect(17, 19, 26, 25, YELLOW)
    out["WINDOWS"] = cv
    return out


def ico(cv):
    xor = b"".join(bytes((c[2], c[1], c[0], 255)) if c else bytes(4)
                   for row in reversed(cv.px) for c in row)
    and_rows = []
    for row in reversed(cv.px):
        bits = 0
        for c in row:
            bits = (bits << 1) | (1 if c is None else 0)
        and_rows.append(struct.pack(">I", bits))
    and_mask = b"".join(and_rows)
    header = struct.pack("<IiiHHIIiiII", 40, W, H * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    image = header + xor + and_mask
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", W, H, 0, 0, 1, 32, len(image), 22) + image


def cursors():
    """Monochrome pictures: 'X' black, 'o' white, '.' transparent; hotspot."""
    out = {}
    arrows = [
        "...............X................",
        "..............XoX...............",
        ".............XoooX..............",
        "............XoooooX.............",
        "...........XXXXoXXXX............",
        "..............XoX...............",
        "..............XoX...............",
        "....X.........XoX.........X.....",
        "...XX.........XoX.........XX....",
        "..XoX.........XoX.........XoX...",
        ".XooXXXXXXXXXXXoXXXXXXXXXXXooX..",
        "XooooooooooooooooooooooooooooX..",
        ".XooXXXXXXXXXXXoXXXXXXXXXXXooX..",
        "..XoX.........XoX.........XoX...",
        "...XX.........XoX.........XX....",
        "....X.........XoX.........X.....",
        "..............XoX...............",
        "..............XoX...............",
        "...........XXXXoXXXX............",
        "............XoooooX.............",
        ".............XoooX..............",
        "..............XoX...............",
        "...............X................",
    ]
    out["SCHIEBEN"] = (arrows, 15, 11)
    size = [
        "XXXXXXX.........................",
        "XoooooX.........................",
        "XooooX..........................",
        "XoooX...........................",
        "XooXoX..........................",
        "XoX.XoX.........................",
        "XX...XoX........................",
        "......XoX.......................",
        ".......XoX......................",
        "........XoX.....................",
        ".........XoX....................",
        "..........XoX...XX..............",
        "...........XoX.XoX..............",
        "............XoXooX..............",
        ".............XoooX..............",
        "............XooooX..............",
        "...........XoooooX..............",
        "...........XXXXXXX..............",
    ]
    out["GROESSE"] = (size, 0, 0)
    printer = [
        "X...............................",
        "XX..............................",
        "XoX.............................",
        "XooX............................",
        "XoooX...........................",
        "XooooX..........................",
        "XoooooX.........................",
        "XooooooX........................",
        "XoooooXXX.......................",
        "XooXooX.........................",
        "XoX.XooX........................",
        "XX..XooX....XXXXXXXX............",
        "X....XooX...XooooooX............",
        ".....XooX...XooooooX............",
        "......XX..XXXXXXXXXXXX..........",
        "..........XooooooooooX..........",
        "..........XooooooooXoX..........",
        "..........XooooooooooX..........",
        "..........XXXooooooXXX..........",
        "............XooooooX............",
        "............XXXXXXXX............",
    ]
    out["DRUCKER"] = (printer, 0, 0)
    return out


def cur(rows, hx, hy):
    rows = (rows + ["." * 32] * 32)[:32]
    xor_rows, and_rows = [], []
    for row in reversed(rows):
        row = (row + "." * 32)[:32]
        xb = ab = 0
        for ch in row:
            xb = (xb << 1) | (1 if ch == "o" else 0)
            ab = (ab << 1) | (1 if ch == "." else 0)
        xor_rows.append(struct.pack(">I", xb))
        and_rows.append(struct.pack(">I", ab))
    colours = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    header = struct.pack("<IiiHHIIiiII", 40, W, H * 2, 1, 1, 0, 0, 0, 0, 2, 0)
    image = header + colours + b"".join(xor_rows) + b"".join(and_rows)
    return struct.pack("<HHH", 0, 2, 1) + struct.pack("<BBBBHHII", W, H, 2, 0, hx, hy, len(image), 22) + image


def main():
    os.makedirs(os.path.join(HERE, "icons"), exist_ok=True)
    os.makedirs(os.path.join(HERE, "cursors"), exist_ok=True)
    for name, cv in icons().items():
        with open(os.path.join(HERE, "icons", name.lower() + ".ico"), "wb") as f:
            f.write(ico(cv))
    for name, (rows, hx, hy) in cursors().items():
        with open(os.path.join(HERE, "cursors", name.lower() + ".cur"), "wb") as f:
            f.write(cur(rows, hx, hy))


if __name__ == "__main__":
    main()
