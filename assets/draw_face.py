#!/usr/bin/env python3
"""Draws the pictures of the meter's face into assets/face/ as PNG files.

The key symbols are white on a transparent ground so the key colour shows through; the battery
mark is black, as the other marks on the display glass. Shapes are sampled 5 x 5 times per pixel
so the edges come out smooth. Standard library only; run it again after changing a shape.
"""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "face")
SUB = 5  # samples per pixel along each axis

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)


# ---- shapes: each is a function (x, y) -> bool over picture coordinates ----

def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def segment(ax, ay, bx, by, width):
    """A stroke of the given width with square ends, from a to b."""
    dx, dy = bx - ax, by - ay
    length = math.hypot(dx, dy)
    ux, uy = dx / length, dy / length
    half = width / 2.0

    def inside(x, y):
        px, py = x - ax, y - ay
        along = px * ux + py * uy
        across = -px * uy + py * ux
        return -half * 0.2 <= along <= length + half * 0.2 and abs(across) <= half

    return inside


def polygon(points):
    def inside(x, y):
        hit = False
        n = len(points)
        for i in range(n):
            x0, y0 = points[i]
            x1, y1 = points[(i + 1) % n]
            if (y0 > y) != (y1 > y):
                xc = x0 + (y - y0) * (x1 - x0) / (y1 - y0)
                if x < xc:
                    hit = not hit
        return hit

    return inside


def ring(cx, cy, rx, ry, width, keep=lambda x, y: True):
    """An elliptical ring of the given width inside the ellipse (cx, cy, rx, ry)."""
    irx, iry = rx - width, ry - width

    def inside(x, y):
        ox = ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2
        if ox > 1.0:
            return False
        ix = ((x - cx) / irx) ** 2 + ((y - cy) / iry) ** 2
        return ix >= 1.0 and keep(x, y)

    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


# ---- block letters for the key words ----

def letter(ch, x0, y0, w, h, s):
    """One upper-case letter in the box (x0, y0, w, h) with stroke width s; returns (shape, width)."""
    x1, y1 = x0 + w, y0 + h
    if ch == "M":
        mid = x0 + w / 2.0
        return union(rect(x0, y0, x0 + s, y1), rect(x1 - s, y0, x1, y1),
                     segment(x0 + s * 0.5, y0 + s * 0.3, mid, y0 + h * 0.68, s),
                     segment(x1 - s * 0.5, y0 + s * 0.3, mid, y0 + h * 0.68, s))
    if ch == "O":
        return ring(x0 + w / 2.0, y0 + h / 2.0, w / 2.0, h / 2.0, s)
    if ch == "D":
        cx = x0 + w * 0.42
        bowl = ring(cx, y0 + h / 2.0, x1 - cx, h / 2.0, s, keep=lambda x, y: x >= cx)
        return union(rect(x0, y0, x0 + s, y1), rect(x0, y0, cx, y0 + s), rect(x0, y1 - s, cx, y1), bowl)
    if ch == "E":
        mid = y0 + h / 2.0
        return union(rect(x0, y0, x0 + s, y1), rect(x0, y0, x1, y0 + s),
                     rect(x0, mid - s / 2.0, x1 - w * 0.12, mid + s / 2.0), rect(x0, y1 - s, x1, y1))
    if ch == "T":
        cx = x0 + w / 2.0
        return union(rect(x0, y0, x1, y0 + s), rect(cx - s / 2.0, y0, cx + s / 2.0, y1))
    if ch == "I":
        return rect(x0, y0, x0 + s, y1)
    raise ValueError(ch)


def word(text, width, height, letter_h, stroke, gap, widths):
    """A word centred in a picture of the given size; widths gives each letter's box width."""
    total = sum(widths[c] for c in text) + gap * (len(text) - 1)
    x = (width - total) / 2.0
    y = (height - letter_h) / 2.0
    parts = []
    for c in text:
        parts.append(letter(c, x, y, widths[c], letter_h, stroke))
        x += widths[c] + gap
    return union(*parts)


# ---- rendering and PNG output ----

def render(width, height, shape, colour):
    rows = []
    for py in range(height):
        row = bytearray([0])  # filter type: none
        for px in range(width):
            hits = 0
            for sy in range(SUB):
                for sx in range(SUB):
                    if shape(px + (sx + 0.5) / SUB, py + (sy + 0.5) / SUB):
                        hits += 1
            alpha = round(255 * hits / (SUB * SUB))
            row += bytes((colour[0], colour[1], colour[2], alpha))
        rows.append(bytes(row))
    return b"".join(rows)


def write_png(path, width, height, raw):
    def chunk(tag, data):
        body = tag + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


def picture(name, width, height, shape, colour=WHITE):
    write_png(os.path.join(OUT, name), width, height, render(width, height, shape, colour))
    print(name)


KEY_LETTERS = {"M": 7.4, "O": 6.4, "D": 6.4, "E": 5.6, "T": 6.4, "I": 1.8}
WORD_LETTERS = {"M": 8.5, "O": 7.5, "D": 7.5, "E": 6.5, "T": 7.5, "I": 1.8}


def main():
    os.makedirs(OUT, exist_ok=True)

    # The six key symbols, 32 x 32.
    picture("sym_mode.png", 32, 32, word("MODE", 32, 32, 10, 1.8, 1.2, KEY_LETTERS))
    picture("sym_up.png", 32, 32, polygon([(16, 7), (27, 24), (5, 24)]))
    picture("sym_down.png", 32, 32, polygon([(5, 8), (27, 8), (16, 25)]))
    picture("sym_right.png", 32, 32, polygon([(9, 5), (26, 16), (9, 27)]))
    picture("sym_return.png", 32, 32, union(
        rect(22.5, 6, 25.5, 20.5),            # the bar down from the top right
        rect(11, 17.5, 25.5, 20.5),           # then left
        polygon([(4, 19), (13, 11.5), (13, 26.5)])))  # the arrow head pointing left
    picture("sym_time.png", 32, 32, word("TIME", 32, 32, 10, 1.8, 1.4, KEY_LETTERS))

    # The word pictures of the HOLD and power keys: 690 x 180 and 555 x 180 twips.
    picture("word_mode.png", 46, 12, word("MODE", 46, 12, 10, 2.0, 1.6, WORD_LETTERS))
    picture("word_time.png", 37, 12, word("TIME", 37, 12, 10, 2.0, 1.6, WORD_LETTERS))

    # The battery mark: an outline with its terminal and one low bar, black as the display's marks.
    picture("battery.png", 32, 32, union(
        rect(3, 9, 26, 11), rect(3, 21, 26, 23), rect(3, 9, 5, 23), rect(24, 9, 26, 23),
        rect(26, 13, 29, 19),
        rect(7, 13, 11, 19)), BLACK)


if __name__ == "__main__":
    main()
