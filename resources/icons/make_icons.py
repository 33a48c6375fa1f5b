#!/usr/bin/env python3
"""Draws Tavulella's program icon: a wooden writing board holding a sheet of text, with a
pencil resting on it.

The design is described twice with the same shapes: once on a 32-unit grid (used for the 32 px
image, the larger sizes and the SVG) and once on a 16-unit grid, where lines and the pencil are
placed on whole pixels so the small image stays crisp. The 16 and 32 px images use only the 16
colours of PALETTE (plus transparency); the larger sizes are antialiased.

Standard library only. Run from anywhere:  python3 resources/icons/make_icons.py
"""

import math
import os
import struct
import sys
import zlib

OUT_DIR = os.path.dirname(os.path.abspath(__file__))

PALETTE = {
    "outline": (0x3B, 0x24, 0x12),
    "wood_dark": (0x7A, 0x4A, 0x22),
    "wood": (0xA8, 0x67, 0x2E),
    "wood_light": (0xD6, 0x96, 0x52),
    "paper": (0xFF, 0xFF, 0xFF),
    "paper_edge": (0xC8, 0xCE, 0xD8),
    "ink": (0x22, 0x33, 0x5E),
    "ink_red": (0xC0, 0x30, 0x28),
    "pencil": (0xF4, 0xC4, 0x30),
    "pencil_dark": (0xC8, 0x8A, 0x18),
    "bare_wood": (0xF2, 0xD6, 0xA6),
    "graphite": (0x30, 0x30, 0x30),
    "eraser": (0xE8, 0x86, 0x96),
    "ferrule": (0xA4, 0xAC, 0xB4),
}
assert len(PALETTE) <= 16, "the small images must keep to 16 colours"


# Shapes: ("rect", colour, x0, y0, x1, y1, radius) and ("poly", colour, [(x, y), ...]),
# in drawing order, coordinates in units of the design's grid.


def pencil(tip, length, half, parts, outline):
    """A pencil lying at 45 degrees with its tip at `tip`, pointing to the top left.

    `parts` are (colour_a, colour_b, start, end) measured along the pencil from the eraser end;
    colour_a fills the upper-right half, colour_b the lower-left half. The last part narrows to
    a point. An outline of width `outline` goes around the whole pencil first.
    """
    ax, ay = 1 / math.sqrt(2), 1 / math.sqrt(2)  # from the tip towards the eraser
    nx, ny = ax, -ay  # across the pencil, towards its upper-right side
    ex, ey = tip[0] + ax * length, tip[1] + ay * length  # eraser end

    def point(along, across):
        # `along` is measured from the eraser end towards the tip.
        return (ex - ax * along + nx * across, ey - ay * along + ny * across)

    taper_start = parts[-2][2]  # where the bare wood starts to narrow

    def width_at(along):
        if along <= taper_start:
            return half
        return half * max(0.0, (length - along) / (length - taper_start))

    shapes = []
    # Outline: the same silhouette, grown by `outline` on every side.
    o = outline
    shapes.append(("poly", "outline", [
        point(-o, half + o), point(taper_start, half + o),
        point(length + o * 1.4, 0),
        point(taper_start, -half - o), point(-o, -half - o)]))
    for colour_a, colour_b, start, end in parts:
        w0, w1 = width_at(start), width_at(end)
        if colour_a == colour_b:
            shapes.append(("poly", colour_a, [
                point(start, w0), point(end, w1), point(end, -w1), point(start, -w0)]))
        else:
            shapes.append(("poly", colour_a, [
                point(start, w0), point(end, w1), point(end, 0), point(start, 0)]))
            shapes.append(("poly", colour_b, [
                point(start, 0), point(end, 0), point(end, -w1), point(start, -w0)]))
    return shapes


def design_32():
    shapes = [
        # The board: a dark rim, the wood, a lit top edge and a shaded bottom edge.
        ("rect", "outline", 1, 2, 29, 31, 4),
        ("rect", "wood", 2, 3, 28, 30, 3),
        ("rect", "wood_light", 4, 3, 26, 4, 0),
        ("rect", "wood_dark", 4, 29, 26, 30, 0),
        # The sheet with its text: a red heading and four lines of ink.
        ("rect", "paper_edge", 5, 6, 25, 27, 0),
        ("rect", "paper", 6, 7, 24, 26, 0),
        ("rect", "ink_red", 8, 9, 17, 11, 0),
        ("rect", "ink", 8, 13, 22, 14, 0),
        ("rect", "ink", 8, 16, 21, 17, 0),
        ("rect", "ink", 8, 19, 22, 20, 0),
        ("rect", "ink", 8, 22, 15, 23, 0),
    ]
    shapes += pencil(tip=(13.5, 17.5), length=16.0, half=2.5, outline=1.0, parts=[
        ("eraser", "eraser", 0.0, 2.5),
        ("ferrule", "ferrule", 2.5, 4.0),
        ("pencil", "pencil_dark", 4.0, 11.0),
        ("bare_wood", "bare_wood", 11.0, 14.2),
        ("graphite", "graphite", 14.2, 16.0),
    ])
    return 32, shapes


def design_16():
    shapes = [
        ("rect", "outline", 0, 1, 16, 16, 2),
        ("rect", "wood", 1, 2, 15, 15, 1.2),
        ("rect", "paper", 3, 3, 12, 14, 0),
        ("rect", "ink_red", 4, 4, 8, 5, 0),
        ("rect", "ink", 4, 6, 11, 7, 0),
        ("rect", "ink", 4, 8, 10, 9, 0),
        ("rect", "ink", 4, 10, 7, 11, 0),
    ]
    shapes += pencil(tip=(6.0, 9.0), length=9.5, half=1.25, outline=0.6, parts=[
        ("eraser", "eraser", 0.0, 1.35),
        ("ferrule", "ferrule", 1.35, 2.25),
        ("pencil", "pencil_dark", 2.25, 6.25),
        ("bare_wood", "bare_wood", 6.25, 8.25),
        ("graphite", "graphite", 8.25, 9.5),
    ])
    return 16, shapes


def inside(shape, x, y):
    if shape[0] == "rect":
        _, _, x0, y0, x1, y1, r = shape
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        if r <= 0:
            return True
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    points = shape[2]
    hit = False
    j = len(points) - 1
    for i in range(len(points)):
        xi, yi = points[i]
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            hit = not hit
        j = i
    return hit


def colour_at(shapes, x, y):
    for shape in reversed(shapes):
        if inside(shape, x, y):
            return shape[1]
    return None


def render(design, size, palette_only):
    """Returns rows of RGBA tuples. With palette_only, every pixel takes the colour most of its
    samples see (or stays transparent); otherwise samples are averaged for smooth edges."""
    grid, shapes = design
    samples = 4 if palette_only else 8
    scale = grid / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            seen = {}
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * scale
                    y = (py + (sy + 0.5) / samples) * scale
                    c = colour_at(shapes, x, y)
                    seen[c] = seen.get(c, 0) + 1
            if palette_only:
                c = max(seen, key=lambda k: (seen[k], k is not None))
                row.append((0, 0, 0, 0) if c is None else PALETTE[c] + (255,))
            else:
                total = samples * samples
                covered = total - seen.get(None, 0)
                if covered == 0:
                    row.append((0, 0, 0, 0))
                    continue
                rgb = [sum(PALETTE[c][i] * n for c, n in seen.items() if c) / covered
                       for i in range(3)]
                row.append(tuple(round(v) for v in rgb) + (round(255 * covered / total),))
        rows.append(row)
    return rows


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def write_png(path, rows, indexed):
    size = len(rows)
    out = [b"\x89PNG\r\n\x1a\n"]
    if indexed:
        # Entry 0 is transparent; the rest are the palette's colours in a fixed order.
        colours = [None] + list(PALETTE.values())
        index = {c: i for i, c in enumerate(colours)}
        out.append(png_chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 3, 0, 0, 0)))
        out.append(png_chunk(b"PLTE", b"".join(bytes(c or (0, 0, 0)) for c in colours)))
        out.append(png_chunk(b"tRNS", b"\x00"))
        raw = b"".join(b"\x00" + bytes(index[p[:3]] if p[3] else 0 for p in row) for row in rows)
    else:
        out.append(png_chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)))
        raw = b"".join(b"\x00" + b"".join(bytes(p) for p in row) for row in rows)
    out.append(png_chunk(b"IDAT", zlib.compress(raw, 9)))
    out.append(png_chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(b"".join(out))


def svg_number(v):
    return ("%.3f" % v).rstrip("0").rstrip(".")


def write_svg(path, design):
    grid, shapes = design
    lines = [
        '<?xml version="1.0" encoding="UTF-8"?>',
        '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">'
        % (grid * 4, grid * 4, grid, grid),
        "  <title>Tavulella</title>",
    ]
    for shape in shapes:
        fill = "#%02x%02x%02x" % PALETTE[shape[1]]
        if shape[0] == "rect":
            _, _, x0, y0, x1, y1, r = shape
            rx = ' rx="%s"' % svg_number(r) if r else ""
            lines.append('  <rect x="%s" y="%s" width="%s" height="%s"%s fill="%s"/>' % (
                svg_number(x0), svg_number(y0), svg_number(x1 - x0), svg_number(y1 - y0), rx,
                fill))
        else:
            pts = " ".join("%s,%s" % (svg_number(x), svg_number(y)) for x, y in shape[2])
            lines.append('  <polygon points="%s" fill="%s"/>' % (pts, fill))
    lines.append("</svg>")
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


def main():
    big = design_32()
    small = design_16()
    write_png(os.path.join(OUT_DIR, "tavulella-16.png"), render(small, 16, True), True)
    write_png(os.path.join(OUT_DIR, "tavulella-32.png"), render(big, 32, True), True)
    # The larger sizes serve the desktop and screens of 1.5, 2 and 3 times the usual density
    # (the 16 and 32 px window icons drawn at 24, 32, 48, 64 and 96 px).
    for size in (24, 48, 64, 96, 128):
        write_png(os.path.join(OUT_DIR, "tavulella-%d.png" % size), render(big, size, False),
                  False)
    write_svg(os.path.join(OUT_DIR, "tavulella.svg"), big)
    return 0


if __name__ == "__main__":
    sys.exit(main())
