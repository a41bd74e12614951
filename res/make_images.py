#!/usr/bin/env python3
"""Draws the application icon (32x32, 32-bit color) and the link cursor (32x32 monochrome
hand, hot spot 0,0) and writes them as .ico and .cur files into the given folder.

A script rather than a C++ program because the build cross-compiles: a generator in C++ would
need a second, native toolchain inside the cross build, and CMake's own scripts cannot write
binary bytes.
"""
import math
import struct
import sys
from pathlib import Path

SIZE = 32

# The hand: 'X' black, 'w' white, anything else transparent. The fingertip is the hot spot.
HAND = [
    "XXXX",
    "XwwX",
    "XwwX",
    "XwwX",
    "XwwX",
    "XwwXXXX",
    "XwwXwwXXXX",
    "XwwXwwXwwXXX",
    "XwwXwwXwwXwwX",
    "XwwXwwXwwXwwX",
    "XwwwwwwwwwwwX",
    "XwwwwwwwwwwwX",
    "XwwwwwwwwwwwX",
    "XwwwwwwwwwwX",
    " XwwwwwwwwwX",
    " XwwwwwwwwX",
    "  XwwwwwwwX",
    "  XwwwwwwwX",
    "  XXXXXXXXX",
]
HOT_SPOT = (0, 0)

BODY = (52, 60, 72)
BODY_EDGE = (24, 28, 36)
VIEWFINDER = (90, 100, 116)
LENS_RING = (40, 110, 200)
LENS_GLASS = (12, 20, 40)
GLINT = (235, 245, 255)
LAMP = (230, 60, 50)


def camera_pixel(x, y):
    """RGBA of the icon at (x, y), y counted from the top."""
    cx, cy = x + 0.5, y + 0.5
    lens = math.hypot(cx - 16, cy - 18)
    if lens <= 3.0 and 13 <= x <= 14 and 15 <= y <= 16:
        return GLINT + (255,)
    if lens <= 4.0:
        return LENS_GLASS + (255,)
    if lens <= 6.5:
        return LENS_RING + (255,)
    if 3 <= x <= 28 and 9 <= y <= 27:
        corner = (x in (3, 28)) and (y in (9, 27))
        if corner:
            return (0, 0, 0, 0)
        edge = x in (3, 28) or y in (9, 27)
        if 24 <= x <= 26 and 11 <= y <= 12:
            return LAMP + (255,)
        return (BODY_EDGE if edge else BODY) + (255,)
    if 8 <= x <= 14 and 6 <= y <= 8:
        return VIEWFINDER + (255,)
    return (0, 0, 0, 0)


def bitmap_header(bits_per_pixel, image_size):
    # Height counts the color image and the mask together.
    return struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, bits_per_pixel, 0, image_size,
                       0, 0, 0, 0)


def mask_rows(is_transparent):
    """1-bit rows, bottom-up, each padded to 32 bits: 1 where transparent."""
    rows = bytearray()
    for y in reversed(range(SIZE)):
        bits = 0
        for x in range(SIZE):
            if is_transparent(x, y):
                bits |= 1 << (31 - x)
        rows += struct.pack(">I", bits)
    return bytes(rows)


def icon_file():
    pixels = bytearray()
    for y in reversed(range(SIZE)):
        for x in range(SIZE):
            r, g, b, a = camera_pixel(x, y)
            pixels += bytes((b, g, r, a))
    mask = mask_rows(lambda x, y: camera_pixel(x, y)[3] == 0)
    image = bitmap_header(32, len(pixels) + len(mask)) + bytes(pixels) + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def hand_at(x, y):
    if y >= len(HAND) or x >= len(HAND[y]):
        return " "
    return HAND[y][x]


def cursor_file():
    palette = struct.pack("<II", 0x00000000, 0x00FFFFFF)
    # Monochrome cursor: AND 1 = screen shows through; AND 0 with XOR 0 = black, XOR 1 = white.
    xor_bits = mask_rows(lambda x, y: hand_at(x, y) == "w")
    and_bits = mask_rows(lambda x, y: hand_at(x, y) not in "Xw")
    image = bitmap_header(1, len(xor_bits) + len(and_bits)) + palette + xor_bits + and_bits
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 2, 0, HOT_SPOT[0], HOT_SPOT[1], len(image),
                        6 + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_images.py OUTPUT_FOLDER")
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    (out / "detector_app.ico").write_bytes(icon_file())
    (out / "detector_link.cur").write_bytes(cursor_file())


if __name__ == "__main__":
    main()
