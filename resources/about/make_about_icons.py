#!/usr/bin/env python3
"""Draws the two pictures of Tavulella's About box, each at 32 x 32 and 16 x 16 pixels:

  coffee-32.png, coffee-16.png    a steaming cup of coffee on its saucer (beside the title)
  vesuvius-32.png, vesuvius-16.png    the volcano over the bay, smoking (below the note)

Every image keeps to the 16 colours of PALETTE, plus full transparency outside the picture.
Each size is drawn on its own pixel grid rather than scaled, so the small images stay crisp.
For screens of twice and three times the usual density the 32 x 32 images are also written
enlarged without smoothing (coffee-32@2x.png, coffee-32@3x.png, ...): every pixel becomes a square
of 2 x 2 or 3 x 3 pixels of its colour.
The output is an indexed-colour PNG written with the standard library only.

Run from anywhere:  python3 resources/about/make_about_icons.py
"""

import math
import os
import struct
import zlib

OUT_DIR = os.path.dirname(os.path.abspath(__file__))

# The 16 colours the images may use; index 16 is the transparent background.
PALETTE = [
    (0x00, 0x00, 0x00),  # 0 black
    (0x80, 0x00, 0x00),  # 1 maroon
    (0x00, 0x80, 0x00),  # 2 green
    (0x80, 0x80, 0x00),  # 3 olive
    (0x00, 0x00, 0x80),  # 4 navy
    (0x80, 0x00, 0x80),  # 5 purple
    (0x00, 0x80, 0x80),  # 6 teal
    (0xC0, 0xC0, 0xC0),  # 7 silver
    (0x80, 0x80, 0x80),  # 8 grey
    (0xFF, 0x00, 0x00),  # 9 red
    (0x00, 0xFF, 0x00),  # 10 lime
    (0xFF, 0xFF, 0x00),  # 11 yellow
    (0x00, 0x00, 0xFF),  # 12 blue
    (0xFF, 0x00, 0xFF),  # 13 fuchsia
    (0x00, 0xFF, 0xFF),  # 14 aqua
    (0xFF, 0xFF, 0xFF),  # 15 white
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)
CLEAR = 16


class Canvas:
    def __init__(self, size):
        self.size = size
        self.px = [[CLEAR] * size for _ in range(size)]

    def put(self, x, y, c):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.px[y][x] = c

    def get(self, x, y):
        return self.px[y][x] if 0 <= x < self.size and 0 <= y < self.size else CLEAR

    def rect(self, x0, y0, x1, y1, c):
        """Fills the pixels x0..x1, y0..y1 (inclusive)."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, c)

    def ellipse(self, cx, cy, rx, ry, c):
        """Fills the pixels whose centres lie inside the ellipse."""
        for y in range(self.size):
            for x in range(self.size):
                dx = (x + 0.5 - cx) / rx
                dy = (y + 0.5 - cy) / ry
                if dx * dx + dy * dy <= 1.0:
                    self.put(x, y, c)

    def polygon(self, points, c):
        """Fills the pixels whose centres lie inside the polygon (even-odd rule)."""
        n = len(points)
        for y in range(self.size):
            py = y + 0.5
            for x in range(self.size):
                px = x + 0.5
                inside = False
                for i in range(n):
                    x0, y0 = points[i]
                    x1, y1 = points[(i + 1) % n]
                    if (y0 > py) != (y1 > py):
                        xc = x0 + (py - y0) * (x1 - x0) / (y1 - y0)
                        if px < xc:
                            inside = not inside
                if inside:
                    self.put(x, y, c)

    def outline(self, c):
        """Draws c on every clear pixel that touches a drawn pixel side by side."""
        edge = []
        for y in range(self.size):
            for x in range(self.size):
                if self.px[y][x] != CLEAR:
                    continue
                near = [self.get(x - 1, y), self.get(x + 1, y), self.get(x, y - 1),
                        self.get(x, y + 1)]
                if any(n not in (CLEAR, c) for n in near):
                    edge.append((x, y))
        for x, y in edge:
            self.put(x, y, c)

    def recolour(self, region, old, new):
        x0, y0, x1, y1 = region
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                if self.get(x, y) == old:
                    self.put(x, y, new)


COLOUR_KEYS = {
    ".": CLEAR, "k": BLACK, "m": MAROON, "G": GREEN, "o": OLIVE, "n": NAVY, "p": PURPLE,
    "t": TEAL, "s": SILVER, "g": GREY, "r": RED, "l": LIME, "y": YELLOW, "b": BLUE,
    "f": FUCHSIA, "a": AQUA, "w": WHITE,
}


def from_map(rows):
    """A canvas from a pixel map: one string per row, one letter of COLOUR_KEYS per pixel."""
    c = Canvas(len(rows))
    for y, row in enumerate(rows):
        assert len(row) == c.size, row
        for x, key in enumerate(row):
            c.put(x, y, COLOUR_KEYS[key])
    return c


def wisp(c, x0, y_top, y_bottom, phase, colour):
    """A wavy line of steam rising from y_bottom to y_top around column x0, one pixel wide and
    without gaps."""
    last = None
    for y in range(y_bottom, y_top - 1, -1):
        x = x0 + round(1.4 * math.sin((y_bottom - y) * 0.75 + phase))
        if last is not None and abs(x - last) > 1:  # keep the line connected
            c.put((x + last) // 2, y, colour)
        c.put(x, y, colour)
        last = x


def coffee_32():
    """A white cup of black coffee on a saucer, with two wisps of steam."""
    c = Canvas(32)
    # Saucer.
    c.ellipse(16, 27, 14, 3.4, SILVER)
    c.ellipse(16, 26.6, 10.5, 2.0, WHITE)
    # Handle: a ring on the right of the cup.
    c.ellipse(25, 18, 4.6, 4.2, WHITE)
    c.ellipse(25, 18, 2.0, 1.8, CLEAR)
    # Cup body, narrowing towards its rounded foot, shaded on the right.
    c.polygon([(5, 13), (25, 13), (22, 24), (8, 24)], WHITE)
    c.ellipse(15, 23, 7.4, 3, WHITE)
    c.polygon([(19, 13), (25, 13), (22, 24), (17.5, 25.5)], SILVER)
    # The rim and the coffee inside it.
    c.ellipse(15, 13, 10, 2.8, WHITE)
    c.ellipse(15, 13.2, 8.4, 1.8, MAROON)
    c.rect(10, 13, 12, 13, OLIVE)
    c.outline(BLACK)
    # A red band around the cup.
    for y in (17, 18):
        for x in range(32):
            if c.get(x, y) in (WHITE, SILVER) and x < 23:
                c.put(x, y, RED)
    # Steam.
    wisp(c, 11, 2, 9, 0.0, GREY)
    wisp(c, 17, 1, 9, 2.2, GREY)
    return c


def coffee_16():
    return from_map([
        "................",
        "....g....g......",
        ".....g....g.....",
        "....g....g......",
        ".....g....g.....",
        "..kkkkkkkkkk....",
        ".kwmmmmmmmmwk...",
        ".kwwmmomwmwwkkk.",
        ".kwwwwwwwwsskwwk",
        ".krrrrrrrrrrk.wk",
        ".kwwwwwwwwsskwwk",
        "..kwwwwwwwsskkk.",
        "kkkkwwwwwssskkk.",
        "kswwkkkkkkkkwssk",
        ".kssssssssssssk.",
        "..kkkkkkkkkkkk..",
    ])


def vesuvius_32():
    """The two-humped volcano between a blue sky and the bay, a plume of smoke above it."""
    c = Canvas(32)
    x0, y0, x1, y1 = 2, 1, 29, 30  # the picture's frame
    c.rect(x0, y0, x1, y1, AQUA)
    # Sun.
    c.ellipse(25, 7, 3, 3, YELLOW)
    # The mountain: the lower, older hump on the left, the cone on the right.
    c.polygon([(2, 24), (8, 15), (12, 13), (15, 16), (18, 11), (21, 11), (30, 24)], OLIVE)
    c.polygon([(17, 15), (18, 11), (21, 11), (30, 24), (24, 24)], MAROON)
    c.polygon([(4, 24), (9, 19), (12, 18), (10, 24)], GREEN)
    # The crater's glow.
    c.rect(18, 11, 20, 11, RED)
    # Smoke rising from the crater, drifting left with the wind.
    c.ellipse(19.5, 8.5, 2.2, 1.8, SILVER)
    c.ellipse(16.5, 5.8, 3, 2.2, WHITE)
    c.ellipse(11.5, 4.2, 3.6, 2, SILVER)
    c.ellipse(6.5, 3.4, 2.4, 1.4, WHITE)
    # The bay, with a few light waves.
    c.rect(x0, 24, x1, y1, NAVY)
    c.rect(x0, 24, x1, 24, BLUE)
    for x in range(4, 28, 5):
        c.put(x, 27, AQUA)
        c.put(x + 1, 27, AQUA)
    for x in range(6, 28, 5):
        c.put(x, 29, BLUE)
        c.put(x + 1, 29, BLUE)
    # Round off the frame's corners and draw its border.
    for (x, y) in ((x0, y0), (x1, y0), (x0, y1), (x1, y1)):
        c.put(x, y, CLEAR)
    c.outline(BLACK)
    return c


def vesuvius_16():
    return from_map([
        ".kkkkkkkkkkkkkk.",
        "kaaasswaaaaayyak",
        "kasswwssaaayyyyk",
        "kaaaaasswaaayyak",
        "kaaaaaaswaaaaaak",
        "kaaaaaaarraaaaak",
        "kaaaaaammmmaaaak",
        "kaaoaaammmmmaaak",
        "kaooooommmmmmaak",
        "kGGooooommmmmmak",
        "kGGGooooommmmmmk",
        "kbbbbbbbbbbbbbbk",
        "knnnnnnnnnnnnnnk",
        "knaannnaannnaank",
        "knnnnnnnnnnnnnnk",
        ".kkkkkkkkkkkkkk.",
    ])


def enlarged(canvas, factor):
    """The canvas with every pixel repeated factor times across and down."""
    big = Canvas(canvas.size * factor)
    big.px = [[c for c in row for _ in range(factor)] for row in canvas.px for _ in range(factor)]
    return big


def write_png(path, canvas):
    size = canvas.size
    raw = b"".join(b"\x00" + bytes(row) for row in canvas.px)
    palette = b"".join(bytes(rgb) for rgb in PALETTE) + b"\x00\x00\x00"
    alpha = b"\xff" * len(PALETTE) + b"\x00"

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 3, 0, 0, 0))
    png += chunk(b"PLTE", palette)
    png += chunk(b"tRNS", alpha)
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def main():
    pictures = {
        "coffee-32": coffee_32, "coffee-16": coffee_16,
        "vesuvius-32": vesuvius_32, "vesuvius-16": vesuvius_16,
    }
    for name, draw in pictures.items():
        canvas = draw()
        used = {c for row in canvas.px for c in row if c != CLEAR}
        assert len(used) <= 16
        write_png(os.path.join(OUT_DIR, name + ".png"), canvas)
        if canvas.size == 32:
            for factor in (2, 3):
                write_png(os.path.join(OUT_DIR, "%s@%dx.png" % (name, factor)),
                          enlarged(canvas, factor))


if __name__ == "__main__":
    main()
