#!/usr/bin/env python3
"""Draws the toolbar's pictures and writes them as Windows bitmaps next to this script.

Raised pictures are 16 x 15 pixels with a 256-colour palette; the pressed pictures of New and Cut
are 25 x 22 pixels with a 16-colour palette: the raised drawing moved one pixel down and to the
right inside a sunken frame. Open, Copy and Paste look the same pressed as raised.

Each picture is also written for screens of twice and three times the usual density
(img...@2x.bmp, img...@3x.bmp): every pixel of the drawing becomes a square of 2 x 2 or 3 x 3
pixels of the same colour, so the pictures keep their look and stay sharp, never smoothed.

Only the standard library is used. Run it again after changing a drawing:
    python3 resources/make_pictures.py
"""

import os
import struct

# One palette for every picture. The background is the colour of the toolbar strip, so that the
# pictures sit on it without a visible box.
PALETTE = [
    (".", (0xEF, 0xEF, 0xEF)),  # background
    ("k", (0x00, 0x00, 0x00)),  # black outline
    ("w", (0xFF, 0xFF, 0xFF)),  # paper
    ("g", (0x80, 0x80, 0x80)),  # shadow
    ("s", (0xC0, 0xC0, 0xC0)),  # steel
    ("o", (0xC8, 0x96, 0x1E)),  # folder front
    ("y", (0xFF, 0xD8, 0x4A)),  # folder back
    ("n", (0x00, 0x00, 0x80)),  # writing
    ("b", (0x30, 0x60, 0xC0)),  # blue
    ("r", (0xC0, 0x20, 0x20)),  # scissor handles
    ("B", (0x80, 0x50, 0x20)),  # clipboard board
    ("L", (0xC0, 0x88, 0x50)),  # clipboard edge
    ("d", (0x40, 0x40, 0x40)),  # dark grey
    ("l", (0xA0, 0xC0, 0xF0)),  # light blue
    ("h", (0xF8, 0xF8, 0xF8)),  # highlight
    ("G", (0x20, 0x80, 0x20)),  # green (spare)
]
INDEX = {ch: i for i, (ch, _) in enumerate(PALETTE)}

NEW = [
    "................",
    "...kkkkkkk......",
    "...kwwwwwkk.....",
    "...kwwwwwkwk....",
    "...kwwwwwkwwk...",
    "...kwwwwwkkkkk..",
    "...kwwwwwwwwwk..",
    "...kwwwwwwwwwk..",
    "...kwwwwwwwwwk..",
    "...kwwwwwwwwwk..",
    "...kwwwwwwwwwk..",
    "...kwwwwwwwwwk..",
    "...kwwwwwwwwwk..",
    "...kkkkkkkkkkk..",
    "................",
]

OPEN = [
    "................",
    "................",
    "................",
    ".kkkkk..........",
    "kyyyyyk.........",
    "kyyyyyykkkkkkk..",
    "kyyyyyyyyyyyyk..",
    "kyyyyyyyyyyyyk..",
    "kyyykkkkkkkkkkkk",
    "kyykoooooooooook",
    "kykoooooooooook.",
    "kkoooooooooook..",
    "kkkkkkkkkkkkk...",
    "................",
    "................",
]

CUT = [
    "................",
    "....k......k....",
    "....k......k....",
    "....ks....sk....",
    ".....k....k.....",
    ".....ks..sk.....",
    "......k..k......",
    "......kkkk......",
    ".......dd.......",
    "......r..r......",
    "..rrrr....rrrr..",
    ".r...r....r...r.",
    ".r...r....r...r.",
    "..rrr......rrr..",
    "................",
]

COPY = [
    "kkkkkkk.........",
    "kwwwwwkk........",
    "kwnnnwkwk.......",
    "kwwwwwkkkk......",
    "kwnnnnnnwk......",
    "kwwwwwkkkkkkk...",
    "kwnnnnkwwwwwkk..",
    "kwwwwwkwnnnwkwk.",
    "kwnnnnkwwwwwkkkk",
    "kwwwwwkwnnnnnnwk",
    "kkkkkkkwwwwwwwwk",
    ".......wnnnnnnwk",
    ".......kwwwwwwwk",
    ".......kwnnnnnwk",
    ".......kkkkkkkkk",
]

PASTE = [
    "......kkkk......",
    "..kkkkdssdkkkk..",
    ".kLBBksssskBBLk.",
    ".kBBBkkkkkkBBBk.",
    ".kBBwwwwwwwwBBk.",
    ".kBBwnnnnnwwBBk.",
    ".kBBwwwwwwwwBBk.",
    ".kBBwnnnnnnwBBk.",
    ".kBBwwwwwwwwBBk.",
    ".kBBwnnnnwwwBBk.",
    ".kBBwwwwwwwwBBk.",
    ".kBBwnnnnnwwBBk.",
    ".kBBwwwwwwwwBBk.",
    ".kLBBBBBBBBBBLk.",
    "..kkkkkkkkkkkk..",
]


def check(name, rows, width, height):
    if len(rows) != height or any(len(r) != width for r in rows):
        raise SystemExit("%s: the drawing is not %d x %d" % (name, width, height))
    for r in rows:
        for ch in r:
            if ch not in INDEX:
                raise SystemExit("%s: unknown colour %r" % (name, ch))


def pressed(rows):
    """The raised drawing one pixel down and right inside a sunken 25 x 22 frame."""
    width, height = 25, 22
    grid = [["." for _ in range(width)] for _ in range(height)]
    for x in range(width):
        grid[0][x] = "g"
        grid[1][x] = "d"
        grid[height - 1][x] = "w"
    for y in range(height):
        grid[y][0] = "g"
        grid[y][1] = "d"
        grid[y][width - 1] = "w"
    grid[height - 1][0] = "w"
    grid[0][width - 1] = "w"
    left = (width - 16) // 2 + 1
    top = (height - 15) // 2 + 1
    for y, row in enumerate(rows):
        for x, ch in enumerate(row):
            if ch != ".":
                grid[top + y][left + x] = ch
    return ["".join(r) for r in grid]


def enlarged(rows, factor):
    """The drawing with every pixel repeated factor times across and down."""
    return ["".join(ch * factor for ch in row) for row in rows for _ in range(factor)]


def bitmap(rows, bits):
    """A Windows bitmap (BITMAPINFOHEADER, bottom-up rows) with a 2**bits-entry palette."""
    width, height = len(rows[0]), len(rows)
    colours = 1 << bits
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for _, (r, g, b) in PALETTE)
    palette += b"\0\0\0\0" * (colours - len(PALETTE))
    stride = ((width * bits + 31) // 32) * 4
    pixels = b""
    for row in reversed(rows):
        idx = [INDEX[ch] for ch in row]
        if bits == 8:
            line = bytes(idx)
        else:
            idx += [0] * (len(idx) % 2)
            line = bytes((idx[i] << 4) | idx[i + 1] for i in range(0, len(idx), 2))
        pixels += line + b"\0" * (stride - len(line))
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(pixels), 3780, 3780,
                       colours, 0)
    return header + info + palette + pixels


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    raised = {"FileNew": NEW, "FileOpen": OPEN, "Cut": CUT, "Copy": COPY, "Paste": PASTE}
    for name, rows in raised.items():
        check(name, rows, 16, 15)
    pictures = {}
    for factor, suffix in ((1, ""), (2, "@2x"), (3, "@3x")):
        for name, rows in raised.items():
            up = enlarged(rows, factor)
            pictures["img%sButtonUp%s.bmp" % (name, suffix)] = bitmap(up, 8)
            if name in ("FileNew", "Cut"):
                dn = enlarged(pressed(rows), factor)
                pictures["img%sButtonDn%s.bmp" % (name, suffix)] = bitmap(dn, 4)
            else:
                pictures["img%sButtonDn%s.bmp" % (name, suffix)] = bitmap(up, 8)
    for file_name, data in sorted(pictures.items()):
        with open(os.path.join(here, file_name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
