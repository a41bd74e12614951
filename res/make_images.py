#!/usr/bin/env python3
"""Draws the application icon (16 to 256 pixels, 32-bit color with alpha, the 256 one as PNG)
and the link cursor (32x32 monochrome hand, hot spot 0,0) and writes them as .ico and .cur
files into the given folder.

A script rather than a C++ program because the build cross-compiles: a generator in C++ would
need a second, native toolchain inside the cross build, and CMake's own scripts cannot write
binary bytes.
"""
import math
import struct
import sys
import zlib
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
CLEAR = (0, 0, 0, 0)

# The camera in the units of the 32x32 image; boxes are left, top, right, bottom (exclusive).
BODY_BOX = (3, 9, 29, 28)
LAMP_BOX = (24, 11, 27, 13)
VIEWFINDER_BOX = (8, 6, 15, 9)
GLINT_BOX = (13, 15, 15, 17)
LENS_CENTRE = (16, 18)
GLINT_RADIUS, GLASS_RADIUS, RING_RADIUS = 3.0, 4.0, 6.5

# Caption, task bar, Alt-Tab and Explorer each pick the nearest size for the screen's DPI.
ICON_SIZES = (16, 20, 24, 32, 40, 48, 64, 256)
PNG_FROM = 256  # the platform takes its largest image as PNG, and it is much smaller so


class Camera:
    """The camera at one size. Boxes snap to whole pixels, so that straight edges stay sharp
    at every size; the lens scales exactly."""

    def __init__(self, size):
        scale = size / SIZE

        def snap(box):
            return tuple(int(math.floor(v * scale + 0.5)) for v in box)

        self.body, self.lamp = snap(BODY_BOX), snap(LAMP_BOX)
        self.viewfinder, self.glint = snap(VIEWFINDER_BOX), snap(GLINT_BOX)
        self.edge = max(1, int(math.floor(scale + 0.5)))
        self.centre = (LENS_CENTRE[0] * scale, LENS_CENTRE[1] * scale)
        self.radii = (GLINT_RADIUS * scale, GLASS_RADIUS * scale, RING_RADIUS * scale)

    def at(self, px, py):
        """RGBA at the point (px, py) in pixels, y counted from the top."""
        lens = math.hypot(px - self.centre[0], py - self.centre[1])
        glint_radius, glass_radius, ring_radius = self.radii
        if lens <= glint_radius and inside(self.glint, px, py):
            return GLINT + (255,)
        if lens <= glass_radius:
            return LENS_GLASS + (255,)
        if lens <= ring_radius:
            return LENS_RING + (255,)
        left, top, right, bottom = self.body
        if inside(self.body, px, py):
            side = px < left + self.edge or px >= right - self.edge
            end = py < top + self.edge or py >= bottom - self.edge
            if side and end:
                return CLEAR
            if inside(self.lamp, px, py):
                return LAMP + (255,)
            return (BODY_EDGE if side or end else BODY) + (255,)
        if inside(self.viewfinder, px, py):
            return VIEWFINDER + (255,)
        return CLEAR


def inside(box, px, py):
    return box[0] <= px < box[2] and box[1] <= py < box[3]


def camera_image(size):
    """Rows of RGBA, top first. Up to 32 pixels one sample at each pixel's centre keeps the
    small images crisp (and the 32x32 one as it always was); larger ones average 4x4 samples
    so that the lens is smooth."""
    camera = Camera(size)
    samples = 1 if size <= SIZE else 4
    offsets = [(i + 0.5) / samples for i in range(samples)]
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            total = [0, 0, 0, 0]
            for dy in offsets:
                for dx in offsets:
                    r, g, b, a = camera.at(x + dx, y + dy)
                    total = [total[0] + r * a, total[1] + g * a, total[2] + b * a, total[3] + a]
            alpha = total[3]
            if alpha == 0:
                row.append(CLEAR)
            else:
                row.append(tuple(round(c / alpha) for c in total[:3])
                           + (round(alpha / samples ** 2),))
        rows.append(row)
    return rows


def bitmap_header(size, bits_per_pixel, image_size):
    # Height counts the color image and the mask together.
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits_per_pixel, 0, image_size,
                       0, 0, 0, 0)


def mask_rows(size, is_transparent):
    """1-bit rows, bottom-up, each padded to 32 bits: 1 where transparent."""
    words = (size + 31) // 32
    rows = bytearray()
    for y in reversed(range(size)):
        bits = 0
        for x in range(size):
            if is_transparent(x, y):
                bits |= 1 << (words * 32 - 1 - x)
        rows += bits.to_bytes(words * 4, "big")
    return bytes(rows)


def bitmap_image(rows):
    size = len(rows)
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    # Where the alpha channel is not used, the mask decides.
    mask = mask_rows(size, lambda x, y: rows[y][x][3] < 128)
    return bitmap_header(size, 32, len(pixels) + len(mask)) + bytes(pixels) + mask


def png_image(rows):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data)))

    size = len(rows)
    raw = b"".join(b"\0" + bytes(c for pixel in row for c in pixel) for row in rows)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def icon_file():
    images = []
    for size in ICON_SIZES:
        rows = camera_image(size)
        images.append((size, png_image(rows) if size >= PNG_FROM else bitmap_image(rows)))
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    data = b""
    for size, image in images:
        side = size if size < 256 else 0  # 0 stands for 256
        directory += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
        data += image
    return directory + data


def hand_at(x, y):
    if y >= len(HAND) or x >= len(HAND[y]):
        return " "
    return HAND[y][x]


def cursor_file():
    palette = struct.pack("<II", 0x00000000, 0x00FFFFFF)
    # Monochrome cursor: AND 1 = screen shows through; AND 0 with XOR 0 = black, XOR 1 = white.
    xor_bits = mask_rows(SIZE, lambda x, y: hand_at(x, y) == "w")
    and_bits = mask_rows(SIZE, lambda x, y: hand_at(x, y) not in "Xw")
    image = (bitmap_header(SIZE, 1, len(xor_bits) + len(and_bits)) + palette + xor_bits
             + and_bits)
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
