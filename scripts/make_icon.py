#!/usr/bin/env python3
"""Draws the program's icon and writes it as a Windows icon file holding one
128 x 128 image with a 256-colour palette (8 bits per pixel).

    scripts/make_icon.py app/icons/distamatic.ico

The picture: two map pins on a blue tile, joined by a winding white road."""
import math
import struct
import sys

SIZE = 128
SUPERSAMPLE = 4

TILE_TOP = (33, 97, 160)
TILE_BOTTOM = (20, 60, 112)
ROAD = (250, 250, 250)
ROAD_EDGE = (12, 40, 76)
PIN = (222, 56, 46)
PIN_DOT = (255, 255, 255)


def inside_rounded_square(x, y, margin=4.0, radius=22.0):
    lo, hi = margin, SIZE - margin
    if x < lo or x > hi or y < lo or y > hi:
        return False
    cx = min(max(x, lo + radius), hi - radius)
    cy = min(max(y, lo + radius), hi - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def bezier(p0, p1, p2, p3, steps=200):
    points = []
    for i in range(steps + 1):
        t = i / steps
        u = 1 - t
        points.append(tuple(u ** 3 * a + 3 * u * u * t * b + 3 * u * t * t * c + t ** 3 * d
                            for a, b, c, d in zip(p0, p1, p2, p3)))
    return points


ROAD_POINTS = bezier((30, 100), (20, 50), (108, 78), (98, 30))


def distance_to_road(x, y):
    best = float("inf")
    for (ax, ay), (bx, by) in zip(ROAD_POINTS, ROAD_POINTS[1:]):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        best = min(best, math.hypot(x - ax - t * dx, y - ay - t * dy))
    return best


def inside_pin(x, y, tip_x, tip_y, radius=11.0):
    """A pin standing on its tip: a circle above a triangle pointing down."""
    cx, cy = tip_x, tip_y - 2.4 * radius
    if (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2:
        return "dot" if (x - cx) ** 2 + (y - cy) ** 2 <= (radius * 0.42) ** 2 else "pin"
    if cy <= y <= tip_y:
        half_width = radius * 0.92 * (tip_y - y) / (tip_y - cy)
        if abs(x - cx) <= half_width:
            return "pin"
    return None


PINS = ((30, 100), (98, 30))


def colour_at(x, y):
    """RGB of one sample, or None outside the tile."""
    if not inside_rounded_square(x, y):
        return None
    for tip_x, tip_y in PINS:
        part = inside_pin(x, y, tip_x, tip_y + 6)
        if part == "dot":
            return PIN_DOT
        if part == "pin":
            return PIN
    road = distance_to_road(x, y)
    if road <= 4.0:
        return ROAD
    if road <= 6.0:
        return ROAD_EDGE
    t = y / SIZE
    return tuple(round(a + (b - a) * t) for a, b in zip(TILE_TOP, TILE_BOTTOM))


def render():
    """Rows top to bottom of (r, g, b) or None for a transparent pixel."""
    rows = []
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            samples = [colour_at(px + (sx + 0.5) / SUPERSAMPLE, py + (sy + 0.5) / SUPERSAMPLE)
                       for sy in range(SUPERSAMPLE) for sx in range(SUPERSAMPLE)]
            opaque = [s for s in samples if s is not None]
            if len(opaque) * 2 < len(samples):
                row.append(None)
            else:
                row.append(tuple(round(sum(c[i] for c in opaque) / len(opaque)) for i in range(3)))
        rows.append(row)
    return rows


def build_palette(rows):
    """Up to 255 colours (index 0 is kept for transparent pixels) and a map to them."""
    counts = {}
    for row in rows:
        for rgb in row:
            if rgb is not None:
                key = tuple(c // 4 * 4 for c in rgb)
                counts[key] = counts.get(key, 0) + 1
    palette = [(0, 0, 0)] + sorted(counts, key=counts.get, reverse=True)[:255]
    cache = {}

    def index_of(rgb):
        key = tuple(c // 4 * 4 for c in rgb)
        if key not in cache:
            cache[key] = min(range(1, len(palette)),
                             key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], key)))
        return cache[key]

    return palette + [(0, 0, 0)] * (256 - len(palette)), index_of


def ico_bytes(rows):
    palette, index_of = build_palette(rows)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 8, 0, 0, 0, 0, 256, 0)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    pixels = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # bitmaps are stored bottom-up
        pixels += bytes(0 if rgb is None else index_of(rgb) for rgb in row)
        bits = 0
        for x, rgb in enumerate(row):
            if rgb is None:
                bits |= 1 << (SIZE - 1 - x)
        mask += bits.to_bytes(SIZE // 8, "big")
    image = header + colours + bytes(pixels) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 8, len(image), 6 + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py OUTPUT.ico")
    with open(sys.argv[1], "wb") as out:
        out.write(ico_bytes(render()))


if __name__ == "__main__":
    main()
