#!/usr/bin/env python3
"""Draws the program's icons and its start-up picture.

Usage: make_images.py OUTPUT_DIR

Writes program.ico, icon100.ico ... icon122.ico (the bar's icons at 16 to 96 pixels,
the small ones at 16 to 32,
32-bit with alpha) and splash.bmp (600 x 300, 24-bit). Plain Python: shapes
are sampled on a 4 x 4 grid per pixel (2 x 2 for icons above 48 pixels), so
the edges are smooth.
"""
import math
import os
import struct
import sys

SS = 4  # samples per pixel edge
SS_LARGE = 2  # for icons above 48 pixels, whose edges need fewer


class Canvas:
    def __init__(self, w, h, color=(0, 0, 0, 0), ss=SS):
        self.w, self.h = w, h
        self.ss = ss
        self.px = [list(color) for _ in range(w * h)]

    def blend(self, x, y, color, cover):
        if cover <= 0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        a = cover * color[3] / 255.0
        p = self.px[y * self.w + x]
        out_a = a + p[3] / 255.0 * (1 - a)
        if out_a <= 0:
            return
        for i in range(3):
            p[i] = (color[i] * a + p[i] * (p[3] / 255.0) * (1 - a)) / out_a
        p[3] = out_a * 255.0

    def shape(self, inside, color, box=None):
        """Fills the points (u, v) in 0..1 units for which inside(u, v)."""
        x0, y0, x1, y1 = box if box else (0, 0, self.w, self.h)
        x0, y0 = max(0, int(x0)), max(0, int(y0))
        x1, y1 = min(self.w, int(math.ceil(x1))), min(self.h, int(math.ceil(y1)))
        ss = self.ss
        for y in range(y0, y1):
            for x in range(x0, x1):
                hits = 0
                for sy in range(ss):
                    v = (y + (sy + 0.5) / ss) / self.h
                    for sx in range(ss):
                        u = (x + (sx + 0.5) / ss) / self.w
                        if inside(u, v):
                            hits += 1
                if hits:
                    self.blend(x, y, color, hits / (ss * ss))


# ---- shapes in unit coordinates ---------------------------------------------

def rect(x0, y0, x1, y1):
    return lambda u, v: x0 <= u <= x1 and y0 <= v <= y1


def rounded(x0, y0, x1, y1, r):
    def f(u, v):
        if not (x0 <= u <= x1 and y0 <= v <= y1):
            return False
        cx = min(max(u, x0 + r), x1 - r)
        cy = min(max(v, y0 + r), y1 - r)
        return (u - cx) ** 2 + (v - cy) ** 2 <= r * r
    return f


def circle(cx, cy, r):
    return lambda u, v: (u - cx) ** 2 + (v - cy) ** 2 <= r * r


def ring(cx, cy, r, width):
    return lambda u, v: (r - width) ** 2 <= (u - cx) ** 2 + (v - cy) ** 2 <= r * r


def segment(x0, y0, x1, y1, width):
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy or 1e-9

    def f(u, v):
        t = max(0.0, min(1.0, ((u - x0) * dx + (v - y0) * dy) / length2))
        px, py = x0 + t * dx, y0 + t * dy
        return (u - px) ** 2 + (v - py) ** 2 <= (width / 2) ** 2
    return f


def polygon(points):
    def f(u, v):
        inside = False
        n = len(points)
        for i in range(n):
            xa, ya = points[i]
            xb, yb = points[(i + 1) % n]
            if (ya > v) != (yb > v):
                xc = xa + (v - ya) * (xb - xa) / (yb - ya)
                if u < xc:
                    inside = not inside
        return inside
    return f


def outline(points, width):
    segs = [segment(*points[i], *points[(i + 1) % len(points)], width) for i in range(len(points))]
    return lambda u, v: any(s(u, v) for s in segs)


def regular(n, cx, cy, r, turn=0.0):
    return [(cx + r * math.cos(2 * math.pi * (i / n + turn)), cy + r * math.sin(2 * math.pi * (i / n + turn)))
            for i in range(n)]


def union(*fs):
    return lambda u, v: any(f(u, v) for f in fs)


def minus(a, b):
    return lambda u, v: a(u, v) and not b(u, v)


# ---- colours -----------------------------------------------------------------

NAVY = (16, 42, 92, 255)
BLUE = (33, 99, 201, 255)
SKY = (120, 180, 255, 255)
WHITE = (255, 255, 255, 255)
YELLOW = (255, 204, 0, 255)
GREEN = (30, 160, 70, 255)
RED = (210, 40, 40, 255)
GRAY = (110, 110, 120, 255)
DARK = (30, 30, 36, 255)
PINK = (240, 150, 170, 255)
ORANGE = (240, 130, 20, 255)

TILE = rounded(0.04, 0.04, 0.96, 0.96, 0.18)


def tile(color=NAVY):
    return [(TILE, color)]


def braille_cell(dots, color, cx=0.5, cy=0.5, step=0.2, r=0.075):
    """Dots 1..8 of one cell around its centre."""
    pos = {1: (0, 0), 2: (0, 1), 3: (0, 2), 7: (0, 3), 4: (1, 0), 5: (1, 1), 6: (1, 2), 8: (1, 3)}
    rows = 3 if all(d <= 6 for d in dots) else 4
    out = []
    for d in pos:
        if rows == 3 and d > 6:
            continue
        c, r_ = pos[d]
        x = cx + (c - 0.5) * step
        y = cy + (r_ - (rows - 1) / 2) * step
        if d in dots:
            out.append((circle(x, y, r), color))
        else:
            out.append((circle(x, y, r * 0.45), (color[0], color[1], color[2], 90)))
    return out


def arrow(direction, color):
    if direction < 0:
        pts = [(0.18, 0.5), (0.55, 0.15), (0.55, 0.36), (0.84, 0.36), (0.84, 0.64), (0.55, 0.64), (0.55, 0.85)]
    else:
        pts = [(0.82, 0.5), (0.45, 0.15), (0.45, 0.36), (0.16, 0.36), (0.16, 0.64), (0.45, 0.64), (0.45, 0.85)]
    return [(polygon(pts), color)]


def camera(on):
    body = [(rounded(0.14, 0.32, 0.86, 0.78, 0.08), DARK), (rect(0.34, 0.22, 0.58, 0.34), DARK),
            (ring(0.5, 0.55, 0.17, 0.05), WHITE), (circle(0.5, 0.55, 0.09), SKY),
            (circle(0.76, 0.4, 0.035), GREEN if on else RED)]
    if not on:
        body.append((segment(0.15, 0.85, 0.85, 0.15, 0.08), RED))
    return tile((225, 232, 245, 255)) + body


def tool(n):
    bg = tile((250, 246, 230, 255))
    w = 0.08
    shapes = {
        1: [(segment(0.22, 0.8, 0.72, 0.3, 0.13), BLUE), (polygon([(0.16, 0.86), (0.2, 0.7), (0.32, 0.82)]), DARK),
            (segment(0.7, 0.32, 0.8, 0.22, 0.13), RED)],
        2: [(segment(0.2, 0.8, 0.8, 0.2, w), DARK)],
        3: [(outline([(0.5, 0.18), (0.84, 0.8), (0.16, 0.8)], w), DARK)],
        4: [(outline([(0.2, 0.25), (0.8, 0.25), (0.8, 0.75), (0.2, 0.75)], w), DARK)],
        5: [(outline([(0.5, 0.14), (0.86, 0.5), (0.5, 0.86), (0.14, 0.5)], w), DARK)],
        6: [(outline(regular(6, 0.5, 0.5, 0.34), w), DARK)],
        7: [(outline(regular(8, 0.5, 0.5, 0.35, 1 / 16), w), DARK)],
        8: [(ring(0.5, 0.5, 0.34, w), DARK)],
        9: [(polygon([(0.22, 0.42), (0.5, 0.2), (0.78, 0.48), (0.5, 0.74)]), GRAY),
            (circle(0.74, 0.72, 0.1), BLUE), (polygon([(0.66, 0.7), (0.74, 0.5), (0.82, 0.7)]), BLUE)],
        10: [(polygon([(0.2, 0.62), (0.52, 0.3), (0.8, 0.58), (0.48, 0.9)]), PINK),
             (polygon([(0.2, 0.62), (0.36, 0.46), (0.64, 0.74), (0.48, 0.9)]), (200, 90, 120, 255))],
    }
    return bg + shapes[n]


def icons():
    program = tile(NAVY) + braille_cell({1, 2, 3, 5}, YELLOW, step=0.26, r=0.09)
    table = {
        100: program,
        101: tile(GRAY) + [(rounded(0.14, 0.2, 0.86, 0.8, 0.06), DARK)] +
        [(circle(0.24 + 0.13 * i, 0.32 + 0.13 * j, 0.04), WHITE if (i + j) % 2 == 0 else SKY)
         for i in range(5) for j in range(3)] + [(rect(0.2, 0.7, 0.8, 0.74), WHITE)],
        102: tile((220, 245, 225, 255)) + [(ring(0.38, 0.5, 0.2, 0.07), GREEN), (ring(0.62, 0.5, 0.2, 0.07), GREEN)],
        103: tile((250, 225, 225, 255)) + [(ring(0.3, 0.5, 0.17, 0.07), RED), (ring(0.7, 0.5, 0.17, 0.07), RED),
                                           (segment(0.45, 0.3, 0.55, 0.7, 0.06), DARK)],
        104: tile(BLUE) + arrow(-1, WHITE),
        105: tile(BLUE) + arrow(+1, WHITE),
        106: tile((255, 240, 210, 255)) + [(minus(ring(0.52, 0.55, 0.28, 0.1), rect(0.0, 0.55, 0.5, 1.0)), ORANGE),
                                            (polygon([(0.1, 0.56), (0.38, 0.56), (0.24, 0.8)]), ORANGE)],
        107: tile((220, 245, 225, 255)) + [(segment(0.2, 0.52, 0.42, 0.74, 0.12), GREEN),
                                            (segment(0.42, 0.74, 0.8, 0.26, 0.12), GREEN)],
        108: camera(True),
        109: camera(False),
        # The braille focus marks: chosen, not chosen, a menu is open.
        120: tile(YELLOW) + [(ring(0.5, 0.5, 0.34, 0.1), NAVY), (circle(0.5, 0.5, 0.18), NAVY)],
        121: tile(YELLOW) + [(ring(0.5, 0.5, 0.34, 0.1), NAVY)],
        122: tile(GRAY) + [(ring(0.5, 0.5, 0.34, 0.1), WHITE)],
    }
    for n in range(1, 11):
        table[109 + n] = tool(n)
    return program, table


def render(shapes, size):
    c = Canvas(size, size, ss=SS if size <= 48 else SS_LARGE)
    for f, color in shapes:
        c.shape(f, color)
    return c


# ---- files -------------------------------------------------------------------

def write_ico(path, shapes, sizes=(48, 32, 16)):
    images = []
    for s in sizes:
        c = render(shapes, s)
        rows = []
        for y in range(s - 1, -1, -1):
            for x in range(s):
                p = c.px[y * s + x]
                rows.append(struct.pack("<BBBB", int(round(p[2])), int(round(p[1])), int(round(p[0])),
                                        int(round(p[3]))))
        xor = b"".join(rows)
        mask_row = ((s + 31) // 32) * 4
        mask = bytes(mask_row * s)
        header = struct.pack("<IiiHHIIiiII", 40, s, 2 * s, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        images.append((s, header + xor + mask))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in images:
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    with open(path, "wb") as f:
        f.write(out)


def write_bmp(path, c):
    row = (c.w * 3 + 3) & ~3
    pixels = bytearray()
    for y in range(c.h - 1, -1, -1):
        line = bytearray()
        for x in range(c.w):
            p = c.px[y * c.w + x]
            line += bytes((int(round(p[2])), int(round(p[1])), int(round(p[0]))))
        line += bytes(row - len(line))
        pixels += line
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, c.w, c.h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


# ---- the start-up picture ----------------------------------------------------

FONT = {  # 5 x 7 dot letters
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "I": ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "X": ["10001", "10001", "01010", "00100", "01010", "10001", "10001"],
    " ": ["00000"] * 7,
}

BRAILLE = {"r": {1, 2, 3, 5}, "e": {1, 5}, "l": {1, 2, 3}, "i": {2, 4}, "v": {1, 2, 3, 6}, "o": {1, 3, 5}}


def dot(c, cx, cy, r, color):
    c.shape(lambda u, v: (u * c.w - cx) ** 2 + (v * c.h - cy) ** 2 <= r * r, color,
            (cx - r - 1, cy - r - 1, cx + r + 2, cy + r + 2))


def splash():
    w, h = 600, 300
    c = Canvas(w, h)
    for y in range(h):  # background: navy to blue
        t = y / (h - 1)
        color = [NAVY[i] * (1 - t) + BLUE[i] * t for i in range(3)] + [255]
        for x in range(w):
            c.px[y * w + x] = list(color)
    # Dot-matrix panel with the name, raised pins bright, lowered pins dim.
    text = "RELIVO X"
    pitch = 11
    cols = len(text) * 6 - 1
    x0 = (w - cols * pitch) // 2 + pitch // 2
    y0 = 40
    for ci, ch in enumerate(text):
        for row in range(7):
            for col in range(5):
                x = x0 + (ci * 6 + col) * pitch
                y = y0 + row * pitch
                if FONT[ch][row][col] == "1":
                    dot(c, x, y, 4.6, YELLOW)
                else:
                    dot(c, x, y, 1.6, (150, 170, 220, 255))
    # The same word as a braille line.
    word = "relivo"
    cell_w, step = 34, 12
    bx = (w - len(word) * cell_w) // 2 + 11
    by = 189
    c.shape(rounded(0.1, 0.52, 0.9, 0.82, 0.04), (10, 25, 60, 255))
    for i, letter in enumerate(word):
        for d, (col, row) in {1: (0, 0), 2: (0, 1), 3: (0, 2), 4: (1, 0), 5: (1, 1), 6: (1, 2)}.items():
            x = bx + i * cell_w + col * step
            y = by + row * step
            if d in BRAILLE[letter]:
                dot(c, x, y, 4.2, WHITE)
            else:
                dot(c, x, y, 1.4, (120, 140, 190, 255))
    # A thin rule at the bottom.
    c.shape(rect(0.1, 0.9, 0.9, 0.905), (200, 210, 240, 255))
    return c


# The icons drawn 16 pixels wide (the shape arrows, the braille focus marks)
# and those drawn 48 wide (the icon bar), each also at 150 and 200 percent
# scaling, so that a scaled screen gets sharp icons, not stretched ones.
SMALL_ICONS = {104, 105, 120, 121, 122}
SMALL_SIZES = (32, 24, 16)
LARGE_SIZES = (96, 72, 48, 32, 16)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    program, table = icons()
    write_ico(os.path.join(out, "program.ico"), program, LARGE_SIZES)
    for n, shapes in sorted(table.items()):
        write_ico(os.path.join(out, "icon%d.ico" % n), shapes, SMALL_SIZES if n in SMALL_ICONS else LARGE_SIZES)
    write_bmp(os.path.join(out, "splash.bmp"), splash())


if __name__ == "__main__":
    main()
