#!/usr/bin/env python3
"""Draws the six 16 x 16, 16-colour toolbox bitmaps of the Ferrolok classes.

Run from this folder; writes encryptstring.bmp ... encryptfile.bmp. The
pictures are small compositions of a page or text, a lock and a hash sign.
"""
import struct

# The 16 standard colours of the 4-bit palette (R, G, B).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
# Letters used in the drawings and their palette index.
INK = {'.': 7, 'k': 0, 'g': 8, 'w': 15, 'y': 11, 'o': 3, 'b': 12, 'n': 4, 'r': 9, 'd': 1,
       'c': 6}

PAGE = [
    "kkkkkkkkk.......",
    "kwwwwwwwkk......",
    "kwwwwwwwkwk.....",
    "kwggggwwkkkk....",
    "kwwwwwwwwwwk....",
    "kwgggggggwwk....",
    "kwwwwwwwwwwk....",
    "kwggggggwwwk....",
    "kwwwwwwwwwwk....",
    "kwgggggwwwwk....",
    "kwwwwwwwwwwk....",
    "kwwwwwwwwwwk....",
    "kwwwwwwwwwwk....",
    "kwwwwwwwwwwk....",
    "kkkkkkkkkkkk....",
    "................",
]
TEXT = [
    "................",
    ".kk..kk..kkk....",
    "k..k.k.k.k......",
    "kkkk.kk..k......",
    "k..k.k.k.k......",
    "k..k.kk..kkk....",
    "................",
    "nnnnnnnnnn......",
    "................",
    "nnnnnnnn........",
    "................",
    "nnnnnnnnnnn.....",
    "................",
    "nnnnnn..........",
    "................",
    "................",
]
BYTES = [
    "................",
    "bbb.bbb.bbb.....",
    "bwb.bnb.bwb.....",
    "bbb.bbb.bbb.....",
    "................",
    "bbb.bbb.bbb.....",
    "bnb.bwb.bnb.....",
    "bbb.bbb.bbb.....",
    "................",
    "bbb.bbb.........",
    "bwb.bnb.........",
    "bbb.bbb.........",
    "................",
    "................",
    "................",
    "................",
]
LOCK_CLOSED = [
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "..........ggg...",
    ".........g...g..",
    ".........g...g..",
    "........kkkkkkk.",
    "........kyyyyyk.",
    "........kyykyyk.",
    "........kyykyyk.",
    "........kyyyyyk.",
    "........kkkkkkk.",
]
LOCK_OPEN = [
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "...........ggg..",
    "..........g...g.",
    "..........g...g.",
    "..............g.",
    "........kkkkkkk.",
    "........kyyyyyk.",
    "........kyykyyk.",
    "........kyykyyk.",
    "........kyyyyyk.",
    "........kkkkkkk.",
]
HASH = [
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "..........r..r..",
    "..........r..r..",
    "........rrrrrrr.",
    ".........r..r...",
    ".........r..r...",
    ".......rrrrrrr..",
    "........r..r....",
    "........r..r....",
    "................",
]


def compose(*layers):
    rows = [['.'] * 16 for _ in range(16)]
    for layer in layers:
        for y, line in enumerate(layer):
            for x, ch in enumerate(line):
                if ch != '.':
                    rows[y][x] = ch
    return rows


def write_bmp(path, rows):
    pixels = b''
    for line in reversed(rows):  # bottom-up
        idx = [INK[ch] for ch in line]
        pixels += bytes((idx[i] << 4) | idx[i + 1] for i in range(0, 16, 2))
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    info = struct.pack('<IiiHHIIiiII', 40, 16, 16, 1, 4, 0, len(pixels), 0, 0, 16, 0)
    offset = 14 + len(info) + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    with open(path, 'wb') as f:
        f.write(header + info + palette + pixels)


BITMAPS = {
    'encryptstring.bmp': compose(TEXT, LOCK_CLOSED),
    'decryptdata.bmp': compose(BYTES, LOCK_OPEN),
    'createfilehash.bmp': compose(PAGE, HASH),
    'createstringhash.bmp': compose(TEXT, HASH),
    'decryptfile.bmp': compose(PAGE, LOCK_OPEN),
    'encryptfile.bmp': compose(PAGE, LOCK_CLOSED),
}

if __name__ == '__main__':
    for name, rows in BITMAPS.items():
        write_bmp(name, rows)
