#!/usr/bin/env python3
"""Draws the toolbar pictures (16 x 16 PNG, transparent background) into toolbar/.

Standard library only: each picture is a grid of characters, one character per pixel.
Run it again after changing a picture; the PNGs are committed.
"""
import os
import struct
import zlib

COLOURS = {
    ".": None,
    "k": (0, 0, 0),
    "w": (255, 255, 255),
    "g": (192, 192, 192),
    "d": (128, 128, 128),
    "y": (224, 192, 64),   # folder back
    "Y": (255, 255, 128),  # folder front
    "n": (0, 0, 128),
    "b": (0, 0, 255),
    "t": (0, 128, 128),
    "r": (255, 0, 0),
    "m": (128, 0, 0),
    "G": (0, 192, 0),
}

PICTURES = {
    "open": [
        "................",
        "................",
        "................",
        ".kkkk...........",
        "kyyyyk..........",
        "kyyyyykkkkkkk...",
        "kyyyyyyyyyyyk...",
        "kyyykkkkkkkkkkkk",
        "kyykYYYYYYYYYYYk",
        "kyykYYYYYYYYYYk.",
        "kykYYYYYYYYYYYk.",
        "kykYYYYYYYYYYk..",
        "kkYYYYYYYYYYYk..",
        "kkkkkkkkkkkkk...",
        "................",
        "................",
    ],
    "graph": [
        "................",
        "kwwwwwwwwwwwwwww",
        "kwwwwwwwwwwwrwww",
        "kwwwwwwwwwwrwrww",
        "kwwwwwwwwwwrwrww",
        "kwwwwwwwwwrwwwrw",
        "kwwwrwwwwwrwwwrw",
        "kwwrwrwwwrwwwwwr",
        "kwwrwrwwwrwwwwww",
        "kwrwwwrwrwwwwwww",
        "kwrwwwrwrwwwwwww",
        "krwwwwwrwwwwwwww",
        "krwwwwwwwwwwwwww",
        "kwwwwwwwwwwwwwww",
        "kkkkkkkkkkkkkkkk",
        "................",
    ],
    "save": [
        "................",
        ".kkkkkkkkkkkkkk.",
        ".knngggggggnnnk.",
        ".knngggggkgnnnk.",
        ".knngggggkgnnnk.",
        ".knngggggggnnnk.",
        ".knnnnnnnnnnnnk.",
        ".knnnnnnnnnnnnk.",
        ".knwwwwwwwwwwnk.",
        ".knwkkkkkkkkwnk.",
        ".knwwwwwwwwwwnk.",
        ".knwkkkkkkkkwnk.",
        ".knwwwwwwwwwwnk.",
        ".knwwwwwwwwwwnk.",
        ".kkkkkkkkkkkkkk.",
        "................",
    ],
    "stop": [
        "................",
        ".....kkkkkk.....",
        "....krrrrrrk....",
        "...krrrrrrrrk...",
        "..krrrrrrrrrrk..",
        ".krrrrrrrrrrrrk.",
        ".krrrrrrrrrrrrk.",
        ".krwwwwwwwwwwrk.",
        ".krwwwwwwwwwwrk.",
        ".krrrrrrrrrrrrk.",
        ".krrrrrrrrrrrrk.",
        "..krrrrrrrrrrk..",
        "...krrrrrrrrk...",
        "....krrrrrrk....",
        ".....kkkkkk.....",
        "................",
    ],
    "list": [
        "................",
        ".kkkkkkkkkkkkkk.",
        ".kwwwwwwwwwwwwk.",
        ".kwnnnnnnnnnnwk.",
        ".kwwwwwwwwwwwwk.",
        ".kwkkwkkkkwkkwk.",
        ".kwwwwwwwwwwwwk.",
        ".kwkkwkkkkwkkwk.",
        ".kwwwwwwwwwwwwk.",
        ".kwkkwkkkkwkkwk.",
        ".kwwwwwwwwwwwwk.",
        ".kwkkwkkkkwkkwk.",
        ".kwwwwwwwwwwwwk.",
        ".kwkkwkkkkwkkwk.",
        ".kwwwwwwwwwwwwk.",
        ".kkkkkkkkkkkkkk.",
    ],
    "logger": [
        "................",
        "................",
        "..g.g.g..g.g.g..",
        "..g.g.g..g.g.g..",
        ".kkkkkkkkkkkkkk.",
        ".kddddddddddddk.",
        ".kdwddddddddddk.",
        "kkddddddddddddk.",
        "..ddddddddddddk.",
        "kkddddddddddddk.",
        ".kddddddddddddk.",
        ".kkkkkkkkkkkkkk.",
        "..g.g.g..g.g.g..",
        "..g.g.g..g.g.g..",
        "................",
        "................",
    ],
    "pc": [
        "................",
        ".kkkkkkkkkkkkkk.",
        ".kggggggggggggk.",
        ".kgkkkkkkkkkkgk.",
        ".kgkttttttttkgk.",
        ".kgktwwtttttkgk.",
        ".kgkttttttttkgk.",
        ".kgkttttttttkgk.",
        ".kgkkkkkkkkkkgk.",
        ".kggggggggggGgk.",
        ".kkkkkkkkkkkkkk.",
        "......kggk......",
        "....kkkkkkkk....",
        "...kggggggggk...",
        "...kkkkkkkkkk...",
        "................",
    ],
    "clock": [
        ".....kkkkkk.....",
        "...kkwwwwwwkk...",
        "..kwwwwkkwwwwk..",
        ".kwwwwwkkwwwwwk.",
        ".kwwwwwkkwwwwwk.",
        "kwwwwwwkkwwwwwwk",
        "kwwwwwwkkwwwwwwk",
        "kwkwwwwkkkkkwkwk",
        "kwkwwwwkkkkkwkwk",
        "kwwwwwwwwwwwwwwk",
        "kwwwwwwwwwwwwwwk",
        ".kwwwwwwwwwwwwk.",
        ".kwwwwwwwwwwwwk.",
        "..kwwwwkkwwwwk..",
        "...kkwwwwwwkk...",
        ".....kkkkkk.....",
    ],
    "print": [
        "................",
        "....kkkkkkkk....",
        "....kwwwwwwk....",
        "....kwkkkkwk....",
        "....kwwwwwwk....",
        "..kkkkkkkkkkkk..",
        ".kggggggggggggk.",
        ".kgggggggggGGgk.",
        ".kddddddddddddk.",
        ".kkkkkkkkkkkkkk.",
        "..kwwwwwwwwwwk..",
        "..kwkkkkkkkwwk..",
        "..kwwwwwwwwwwk..",
        "..kwkkkkkwwwwk..",
        "..kkkkkkkkkkkk..",
        "................",
    ],
    "plot": [
        "................",
        ".k..............",
        ".k..........rr..",
        ".k.........r..r.",
        ".k........r.....",
        ".k...rr...r.....",
        ".k..r..r.r......",
        ".k..r..r.r......",
        ".k.r....r.......",
        ".k.r............",
        ".kr.............",
        ".kr.............",
        ".k..............",
        ".kkkkkkkkkkkkkk.",
        ".k.k.k.k.k.k.k..",
        "................",
    ],
    # Two arrows that swap the list's unit.
    "unit": [
        "................",
        "..........k.....",
        "..........kk....",
        "..kkkkkkkkkbk...",
        "..kbbbbbbbbbbk..",
        "..kkkkkkkkkbk...",
        "..........kk....",
        "..........k.....",
        ".....k..........",
        "....kk..........",
        "...krkkkkkkkkk..",
        "..krrrrrrrrrrk..",
        "...krkkkkkkkkk..",
        "....kk..........",
        ".....k..........",
        "................",
    ],
    # Stands in for the images no toolbar button shows.
    "blank": [
        "................",
        "................",
        "..dddddddddddd..",
        "..dggggggggggd..",
        "..dg........gd..",
        "..dg........gd..",
        "..dg........gd..",
        "..dg........gd..",
        "..dg........gd..",
        "..dg........gd..",
        "..dg........gd..",
        "..dg........gd..",
        "..dggggggggggd..",
        "..dddddddddddd..",
        "................",
        "................",
    ],
}


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png(rows):
    height = len(rows)
    width = len(rows[0])
    raw = bytearray()
    for row in rows:
        assert len(row) == width, row
        raw.append(0)  # no filter
        for ch in row:
            rgb = COLOURS[ch]
            raw += bytes((0, 0, 0, 0)) if rgb is None else bytes((*rgb, 255))
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def main():
    here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "toolbar")
    for name, rows in PICTURES.items():
        assert len(rows) == 16, name
        with open(os.path.join(here, name + ".png"), "wb") as f:
            f.write(png(rows))


if __name__ == "__main__":
    main()
