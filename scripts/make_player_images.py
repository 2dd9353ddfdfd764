#!/usr/bin/env python3
"""Draws the media player's button strips into res/player/.

Each strip holds four state images side by side: normal, hover, pressed, disabled.
Only the standard library is used, so the images can be made again anywhere:

    python3 scripts/make_player_images.py
"""

import os
import struct
import zlib

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res", "player")

# (file, strip width, height, glyph)
STRIPS = [
    ("play.png", 140, 28, "play"),
    ("pause.png", 140, 28, "pause"),
    ("prev.png", 136, 28, "prev"),
    ("next.png", 136, 28, "next"),
    ("open.png", 144, 21, "open"),
    ("close.png", 100, 18, "close"),
    ("list.png", 96, 18, "list"),
    ("hide.png", 104, 18, "hide"),
]
STATES = 4

# Face, edge and glyph colours of the four states.
FACES = [(28, 40, 48), (40, 64, 76), (12, 20, 24), (36, 36, 36)]
EDGES = [(0, 120, 120), (0, 200, 200), (0, 90, 90), (70, 70, 70)]
GLYPHS = [(0, 200, 200), (120, 255, 255), (0, 160, 160), (90, 90, 90)]


def inside_triangle(px, py, a, b, c):
    def side(p, q, r):
        return (p[0] - r[0]) * (q[1] - r[1]) - (q[0] - r[0]) * (p[1] - r[1])

    p = (px, py)
    d1, d2, d3 = side(p, a, b), side(p, b, c), side(p, c, a)
    neg = d1 < 0 or d2 < 0 or d3 < 0
    pos = d1 > 0 or d2 > 0 or d3 > 0
    return not (neg and pos)


def glyph_hit(kind, x, y, w, h):
    """Whether pixel (x, y) of a w x h state image belongs to the glyph."""
    cx, cy = w / 2.0, h / 2.0
    s = h * 0.28  # half the glyph's height
    px, py = x + 0.5, y + 0.5
    if kind == "play":
        return inside_triangle(px, py, (cx - s * 0.8, cy - s), (cx - s * 0.8, cy + s), (cx + s, cy))
    if kind == "pause":
        bar = s * 0.45
        return abs(py - cy) <= s and (
            abs(px - (cx - s * 0.55)) <= bar / 2 + 0.5 or abs(px - (cx + s * 0.55)) <= bar / 2 + 0.5)
    if kind in ("prev", "next"):
        sign = -1 if kind == "prev" else 1
        m = cx - sign * s * 0.2
        t1 = inside_triangle(px, py, (m - sign * s, cy - s), (m - sign * s, cy + s), (m, cy))
        t2 = inside_triangle(px, py, (m, cy - s), (m, cy + s), (m + sign * s, cy))
        bar = abs(py - cy) <= s and abs(px - (m + sign * (s + 1.5))) <= 1.0
        return t1 or t2 or bar
    if kind == "open":
        tri = inside_triangle(px, py, (cx - s * 1.1, cy + s * 0.15), (cx + s * 1.1, cy + s * 0.15),
                              (cx, cy - s * 1.1))
        bar = abs(px - cx) <= s * 1.1 and cy + s * 0.45 <= py <= cy + s * 0.95
        return tri or bar
    if kind == "close":
        dx, dy = px - cx, py - cy
        return abs(dx) <= s and abs(dy) <= s and (abs(dx - dy) <= 1.2 or abs(dx + dy) <= 1.2)
    if kind == "list":
        dx, dy = px - cx, py - (cy - s * 0.35)
        return 0 <= dy <= s * 0.9 and abs(abs(dx) - (s * 0.9 - dy)) <= 1.0
    if kind == "hide":
        return abs(px - cx) <= s * 1.1 and cy + s * 0.4 <= py <= cy + s * 0.9
    raise ValueError(kind)


def state_pixel(kind, state, x, y, w, h):
    if x == 0 or y == 0 or x == w - 1 or y == h - 1:
        return EDGES[state]
    # The pressed image is drawn one pixel down and right, as a pressed key looks.
    shift = 1 if state == 2 else 0
    if glyph_hit(kind, x - shift, y - shift, w, h):
        return GLYPHS[state]
    return FACES[state]


def write_png(path, width, height, rows):
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in rows)

    def chunk(tag, data):
        body = tag + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, width, height, kind in STRIPS:
        w = width // STATES
        rows = []
        for y in range(height):
            row = []
            for x in range(width):
                state, sx = divmod(x, w)
                row.append(state_pixel(kind, state, sx, y, w, height))
            rows.append(row)
        write_png(os.path.join(OUT, name), width, height, rows)


if __name__ == "__main__":
    main()
