#!/usr/bin/env python3
"""Draws the notifier's skin (res/widgets/notifier_skin.png, 148 x 120 pixels).

Only the standard library is used, so the image can be redrawn anywhere:
    python3 scripts/make_widgets_images.py
The PNG is committed; builds never run this script.
"""

import os
import struct
import zlib

WIDTH, HEIGHT = 148, 120
BAND = 40  # height of the title band above the text area


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def inside_bell(x, y):
    """A small bell in the title band, left of centre."""
    cx, top = 24.0, 9.0
    dy = y - top
    if 0 <= dy <= 18:
        half = 4.0 + dy * 0.38
        if abs(x - cx) <= half:
            return True
    if 18 < dy <= 20 and abs(x - cx) <= 12:
        return True
    if 20 < dy <= 23 and (x - cx) ** 2 + (y - top - 21) ** 2 <= 7:
        return True
    return (x - cx) ** 2 + (y - top + 1) ** 2 <= 4


def pixel(x, y):
    border = (40, 70, 130)
    if x in (0, WIDTH - 1) or y in (0, HEIGHT - 1):
        return border
    if y < BAND:
        if inside_bell(x, y):
            return (255, 215, 90)
        return mix((90, 140, 215), (45, 90, 170), y / BAND)
    if y == BAND:
        return border
    # The body: a light gradient; the text area (10, 50)-(138, 95) stays light.
    body = mix((250, 252, 255), (215, 228, 248), (y - BAND) / (HEIGHT - BAND))
    # A thin rule under the text area.
    if y == HEIGHT - 18 and 10 <= x < WIDTH - 10:
        return (170, 190, 225)
    return body


def write_png(path, width, height, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in rows)
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = os.path.join(root, "res", "widgets", "notifier_skin.png")
    rows = [[pixel(x, y) for x in range(WIDTH)] for y in range(HEIGHT)]
    write_png(out, WIDTH, HEIGHT, rows)


if __name__ == "__main__":
    main()
