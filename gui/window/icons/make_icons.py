#!/usr/bin/env python3
"""Draws vmview's icons from the vector shapes below and writes them as .ico
files with 16, 20, 24, 32 and 48 pixel images (32-bit, with alpha).

    python3 gui/window/icons/make_icons.py      # rewrites gui/window/icons/*.ico

Shapes are in a 48 x 48 coordinate space; each image is rendered with 4 x 4
supersampling, so the same sources give every size.
"""
import math
import os
import struct

SIZES = [16, 20, 24, 32, 48]
SUPERSAMPLE = 4

BLUE = (0x1F, 0x6F, 0xC6)
GREEN = (0x2E, 0x9E, 0x4F)
RED = (0xC8, 0x3A, 0x32)
AMBER = (0xE0, 0xA0, 0x20)
PAPER = (0xFA, 0xFA, 0xFA)
INK = (0x3A, 0x44, 0x52)
FOLDER = (0xE8, 0xB8, 0x4A)


# Shapes: each is (kind, colour, parameters). Coordinates in the 48-unit box.
def rect(colour, x0, y0, x1, y1, radius=0):
    return ("rect", colour, (x0, y0, x1, y1, radius))


def circle(colour, cx, cy, r):
    return ("circle", colour, (cx, cy, r))


def line(colour, points, width):
    return ("line", colour, (points, width))


def polygon(colour, points):
    return ("polygon", colour, (points,))


def document(x=8, y=4, w=28, h=38):
    return [rect(INK, x, y, x + w, y + h, 3), rect(PAPER, x + 2, y + 2, x + w - 2, y + h - 2, 2),
            line(INK, [(x + 7, y + 12), (x + w - 7, y + 12)], 2.5),
            line(INK, [(x + 7, y + 19), (x + w - 7, y + 19)], 2.5),
            line(INK, [(x + 7, y + 26), (x + w - 12, y + 26)], 2.5)]


def folder(colour=FOLDER):
    return [rect(colour, 3, 9, 22, 18, 3), rect(colour, 3, 13, 45, 41, 3),
            rect(tuple(min(255, c + 25) for c in colour), 5, 17, 43, 39, 2)]


def badge(colour, cx=36, cy=36, r=11):
    return [circle((255, 255, 255), cx, cy, r + 2), circle(colour, cx, cy, r)]


def plus(cx=36, cy=36):
    return [line((255, 255, 255), [(cx - 6, cy), (cx + 6, cy)], 3.5),
            line((255, 255, 255), [(cx, cy - 6), (cx, cy + 6)], 3.5)]


def check(cx=36, cy=36, scale=1.0, colour=(255, 255, 255), width=3.5):
    s = scale
    return [line(colour, [(cx - 6 * s, cy), (cx - 2 * s, cy + 5 * s), (cx + 7 * s, cy - 6 * s)], width)]


def cross(cx=36, cy=36, size=5.5, colour=(255, 255, 255), width=3.5):
    return [line(colour, [(cx - size, cy - size), (cx + size, cy + size)], width),
            line(colour, [(cx - size, cy + size), (cx + size, cy - size)], width)]


def shield(colour):
    return [polygon(colour, [(24, 3), (42, 9), (40, 29), (24, 45), (8, 29), (6, 9)])]


ICONS = {
    # The program: a shield with a check mark.
    1: shield(BLUE) + check(24, 23, 1.5, width=5),
    10: document() + badge(GREEN) + plus(),                                  # Add Files
    11: folder() + badge(GREEN) + plus(),                                    # Add Folder
    12: document() + badge(BLUE) + check(),                                  # Verify Checksum File
    13: [rect(INK, 4, 8, 44, 40, 4), rect(PAPER, 6, 10, 42, 38, 3),          # Hash Text
         line(INK, [(12, 16), (26, 16)], 3), line(INK, [(19, 16), (19, 33)], 3),
         line(BLUE, [(31, 18), (29, 34)], 2.5), line(BLUE, [(37, 18), (35, 34)], 2.5),
         line(BLUE, [(27, 23), (40, 23)], 2.5), line(BLUE, [(26, 29), (39, 29)], 2.5)],
    14: [rect(BLUE, 5, 5, 43, 43, 4), rect(PAPER, 12, 5, 36, 19, 1),         # Save Checksums
         rect(BLUE, 28, 8, 33, 16), rect(PAPER, 11, 26, 37, 43, 2)],
    15: document() + badge(RED) + cross(),                                   # Clear List
    16: document(16, 8, 26, 36) + [rect(INK, 5, 3, 29, 37, 3), rect(PAPER, 7, 5, 27, 35, 2),  # Copy Hashes
                                   line(INK, [(11, 13), (23, 13)], 2.5), line(INK, [(11, 20), (23, 20)], 2.5)],
    17: [rect(AMBER, 8, 6, 40, 44, 4), rect(PAPER, 12, 11, 36, 40, 2),      # Paste
         rect(INK, 17, 3, 31, 11, 2), line(INK, [(16, 20), (32, 20)], 2.5),
         line(INK, [(16, 27), (32, 27)], 2.5), line(INK, [(16, 34), (26, 34)], 2.5)],
    18: [circle(BLUE, 20, 20, 15), circle(PAPER, 20, 20, 10),               # VirusTotal look-up
         line(BLUE, [(31, 31), (43, 43)], 6)] + check(20, 20, 0.9, BLUE, 3),
    19: folder() + [polygon(tuple(max(0, c - 30) for c in FOLDER), [(3, 41), (11, 22), (47, 22), (39, 41)])],  # Open Folder
    20: [rect(INK, 6, 6, 42, 36, 3), rect(PAPER, 8, 8, 40, 34, 2),          # signature
         line(INK, [(13, 15), (35, 15)], 2.5), line(INK, [(13, 21), (28, 21)], 2.5)]
        + badge(AMBER, 34, 34, 9) + [polygon(AMBER, [(28, 40), (26, 47), (31, 44), (34, 47), (33, 40)])],
    21: badge(GREEN, 24, 24, 20) + check(24, 24, 2.0, width=6),              # match
    22: badge(RED, 24, 24, 20) + cross(24, 24, 10, width=6),                 # mismatch
    23: badge(BLUE, 24, 24, 20) + [circle((255, 255, 255), 24, 14, 3.2),     # information
                                  line((255, 255, 255), [(24, 21), (24, 35)], 5.5)],
    24: [circle(INK, 24, 24, 20), circle(PAPER, 24, 24, 16.5),              # busy: a clock
         line(INK, [(24, 24), (24, 12)], 3.5), line(INK, [(24, 24), (32, 29)], 3.5)],
}


def distance_to_segment(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length2))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def inside_polygon(px, py, points):
    inside = False
    for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
        if (ay > py) != (by > py) and px < ax + (py - ay) * (bx - ax) / (by - ay):
            inside = not inside
    return inside


def covers(shape, x, y):
    kind, _, p = shape
    if kind == "rect":
        x0, y0, x1, y1, r = p
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return math.hypot(x - cx, y - cy) <= r if r else True
    if kind == "circle":
        cx, cy, r = p
        return math.hypot(x - cx, y - cy) <= r
    if kind == "line":
        points, width = p
        return any(distance_to_segment(x, y, *a, *b) <= width / 2 for a, b in zip(points, points[1:]))
    return inside_polygon(x, y, p[0])


def render(shapes, size):
    """Rows of (r, g, b, a), top row first."""
    n = size * SUPERSAMPLE
    scale = 48.0 / n
    pixels = []
    for row in range(size):
        out = []
        for col in range(size):
            r = g = b = a = 0.0
            for sy in range(SUPERSAMPLE):
                for sx in range(SUPERSAMPLE):
                    x = (col * SUPERSAMPLE + sx + 0.5) * scale
                    y = (row * SUPERSAMPLE + sy + 0.5) * scale
                    colour = None
                    for shape in shapes:
                        if covers(shape, x, y):
                            colour = shape[1]
                    if colour:
                        r, g, b, a = r + colour[0], g + colour[1], b + colour[2], a + 1
            samples = SUPERSAMPLE * SUPERSAMPLE
            out.append((round(r / a) if a else 0, round(g / a) if a else 0, round(b / a) if a else 0,
                        round(255 * a / samples)))
        pixels.append(out)
    return pixels


def dib(pixels):
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    body = b"".join(struct.pack("<BBBB", b, g, r, a) for row in reversed(pixels) for r, g, b, a in row)
    mask_row = ((size + 31) // 32) * 4
    return header + body + b"\0" * (mask_row * size)


def write_ico(path, shapes):
    images = [dib(render(shapes, size)) for size in SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(path, "wb") as file:
        file.write(out + b"".join(images))


if __name__ == "__main__":
    folder_of_script = os.path.dirname(os.path.abspath(__file__))
    for number, shapes in ICONS.items():
        write_ico(os.path.join(folder_of_script, f"icon{number}.ico"), shapes)
