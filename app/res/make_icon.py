#!/usr/bin/env python3
"""Draws Brivola.ico: a clipboard (tan board, dark clip, white sheet) with a
blue arrow leaving it, at 16, 20, 24, 32, 40, 48, 64 and 256 pixels.

Every size is drawn on its own: each edge of the board, clip, sheet and arrow
shaft is snapped to that size's whole pixels, so no image is a resampled copy
of another and the straight edges stay sharp; only the arrow head's slopes are
smoothed, by its coverage of each pixel. 32-bit colour with alpha; the 256-pixel
image is stored as PNG, the others as bitmaps with their AND masks.

    app/res/make_icon.py [OUT]      (default: Brivola.ico beside this script)
"""
import os
import struct
import sys
import zlib

SIZES = (16, 20, 24, 32, 40, 48, 64, 256)
BOARD = (200, 160, 110)
CLIP = (90, 90, 90)
SHEET = (255, 255, 255)
ARROW = (30, 90, 220)


def snap(v, size):
    """A length given in 48ths of the icon, in whole pixels of this size."""
    return int(v * size / 48 + 0.5)


def draw(size):
    """The icon's pixels, rows from the top, each (r, g, b, a)."""
    px = [[(0, 0, 0, 0)] * size for _ in range(size)]

    def rect(l, t, r, b, colour):
        for y in range(max(t, 0), min(b, size)):
            for x in range(max(l, 0), min(r, size)):
                px[y][x] = colour + (255,)

    s = lambda v: snap(v, size)
    at_least_1 = lambda v: max(1, s(v))
    board = (s(8), s(6), s(41), s(46))
    rect(*board, BOARD)
    clip_w = max(3, s(15))
    clip_w += (board[2] - board[0] - clip_w) % 2  # centred on the board to the pixel
    clip_l = (board[0] + board[2] - clip_w) // 2
    rect(clip_l, s(3), clip_l + clip_w, max(s(10), s(3) + 2), CLIP)
    sheet = (board[0] + at_least_1(4), max(s(12), s(10) + 1), board[2] - at_least_1(4), board[3] - at_least_1(3))
    rect(*sheet, SHEET)

    # The arrow: a shaft of whole pixels and a head whose slopes are smoothed.
    thick = max(2, s(6))
    mid2 = sheet[1] + sheet[3]  # twice the sheet's middle row
    shaft_t = (mid2 - thick + 1) // 2
    shaft_l = sheet[0] + max(1, s(3))
    tip = sheet[2] - max(1, s(2))
    head_half = max(thick, s(8.5))
    head_l = tip - head_half
    rect(shaft_l, shaft_t, head_l + 1, shaft_t + thick, ARROW)
    cy = shaft_t + thick / 2
    n = 8  # samples per pixel edge
    for y in range(int(cy - head_half) - 1, int(cy + head_half) + 2):
        for x in range(head_l, tip + 1):
            inside = 0
            for sy in range(n):
                for sx in range(n):
                    fx, fy = x + (sx + 0.5) / n, y + (sy + 0.5) / n
                    if fx >= head_l and abs(fy - cy) <= (tip - fx):
                        inside += 1
            a = inside / (n * n)
            if size <= 24:  # too few pixels for a soft edge: a clean staircase instead
                a = 1.0 if a >= 0.5 else 0.0
            if a and 0 <= y < size:
                under = px[y][x]
                ua = under[3] / 255
                out_a = a + ua * (1 - a)
                mix = lambda i: int((ARROW[i] * a + under[i] * ua * (1 - a)) / out_a + 0.5)
                px[y][x] = (mix(0), mix(1), mix(2), int(out_a * 255 + 0.5))
    return px


def bmp_entry(px):
    size = len(px)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(px) for (r, g, b, a) in row)
    stride = (size + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(px):
        bits = bytearray(stride)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colour + bytes(mask)


def png_entry(px):
    size = len(px)
    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in px)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "Brivola.ico")
    images = [(size, png_entry(draw(size)) if size >= 256 else bmp_entry(draw(size))) for size in SIZES]
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    for size, data in images:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(out, "wb") as f:
        f.write(directory + b"".join(data for _, data in images))


if __name__ == "__main__":
    main()
