#!/usr/bin/env python3
"""Draws the tree images (16 x 15 pixels) as PNG files, one per bitmap id: the fourteen of the Java
tree, then the kind icons by language in the same style; and the program's icon as SVG and as PNG
files of several sizes.

The tree images' background is magenta (255, 0, 255): the program treats that colour as
transparent when it loads the images. Only the standard library is used, so the images can be
redrawn anywhere:

    python3 res/make_images.py   # writes res/images/bmp<id>.png and res/icons/quarrow*.{svg,png}
"""

import os
import struct
import zlib

W, H = 16, 15
MAGENTA = (255, 0, 255)
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
GREY = (128, 128, 128)
BLUE = (0, 64, 224)
DARK_BLUE = (0, 0, 160)
PURPLE = (144, 32, 176)
DARK_PURPLE = (96, 0, 128)
TEAL = (0, 128, 128)
CYAN = (0, 176, 208)
YELLOW = (240, 200, 0)
DARK_YELLOW = (160, 120, 0)
LIGHT_YELLOW = (255, 232, 120)


class Canvas:
    def __init__(self):
        self.px = [[MAGENTA] * W for _ in range(H)]

    def set(self, x, y, c):
        if 0 <= x < W and 0 <= y < H:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def outline(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.set(x, y0, c)
            self.set(x, y1, c)
        for y in range(y0, y1 + 1):
            self.set(x0, y, c)
            self.set(x1, y, c)

    def disc(self, cx, cy, r, c, edge):
        for y in range(H):
            for x in range(W):
                d = (x - cx) ** 2 + (y - cy) ** 2
                if d <= r * r:
                    self.set(x, y, c)
                elif d <= (r + 1) ** 2:
                    self.set(x, y, edge)

    def glyph(self, x0, y0, rows, c):
        for dy, row in enumerate(rows):
            for dx, ch in enumerate(row):
                if ch == "#":
                    self.set(x0 + dx, y0 + dy, c)

    def png(self):
        raw = b"".join(b"\x00" + bytes(v for p in row for v in p) for row in self.px)

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        header = struct.pack(">IIBBBBB", W, H, 8, 2, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


LETTERS = {
    "C": [" ### ", "#   #", "#    ", "#    ", "#    ", "#   #", " ### "],
    "P": ["#### ", "#   #", "#   #", "#### ", "#    ", "#    ", "#    "],
    "I": ["###", " # ", " # ", " # ", " # ", " # ", "###"],
    "J": ["  ###", "    #", "    #", "    #", "#   #", " ### "],
    "N": ["#   #", "##  #", "# # #", "#  ##", "#   #", "#   #", "#   #"],
    "S": [" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "],
    "E": ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"],
    "T": ["#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  "],
    "#": [" # # ", " # # ", "#####", " # # ", "#####", " # # ", " # # "],
}

# The access marks: a 7 x 7 square outline at the left, shared by fields and methods.
SQ = (1, 4, 7, 10)


def access_mark(cv, access):
    x0, y0, x1, y1 = SQ
    cv.rect(x0, y0, x1, y1, WHITE)
    cv.outline(x0, y0, x1, y1, BLACK)
    if access == "private":  # split by one horizontal line
        cv.rect(x0, 7, x1, 7, BLACK)
    elif access == "protected":  # a small grid of cells
        for x in (3, 5):
            cv.rect(x, y0, x, y1, GREY)
        for y in (6, 8):
            cv.rect(x0, y, x1, y, GREY)
        cv.outline(x0, y0, x1, y1, BLACK)
    elif access == "public":  # quartered
        cv.rect(x0, 7, x1, 7, BLACK)
        cv.rect(4, y0, 4, y1, BLACK)


def field(access):
    cv = Canvas()
    access_mark(cv, access)
    cv.rect(11, 2, 13, 12, BLUE)  # the upright bar
    cv.rect(11, 2, 11, 12, DARK_BLUE)
    return cv


def method(access):
    cv = Canvas()
    access_mark(cv, access)
    cv.disc(12, 7, 2.6, PURPLE, DARK_PURPLE)  # the blob
    cv.set(11, 6, (200, 120, 224))
    return cv


GREEN = (0, 152, 72)
DARK_GREEN = (0, 96, 40)
ORANGE = (240, 144, 0)
DARK_ORANGE = (176, 96, 0)
SEA = (0, 144, 136)
DARK_SEA = (0, 96, 88)
SLATE = (96, 96, 200)
DARK_SLATE = (48, 48, 144)


# The member-like kind icons: a glyph at the right beside the access mark, as the fields and
# methods have it; a tag without an access field shows the glyph alone, in the middle.
def bar(cv, x, fill, edge):
    cv.rect(x, 2, x + 2, 12, fill)
    cv.rect(x, 2, x, 12, edge)


def blob(cv, x, fill, edge, hollow=False):
    cv.disc(x, 7, 2.6, fill, edge)
    if hollow:
        cv.disc(x, 7, 1.2, WHITE, WHITE)
    else:
        cv.set(x - 1, 6, (220, 240, 220) if fill == GREEN else (200, 120, 224))


def property_mark(cv, x):
    bar(cv, x, SLATE, DARK_SLATE)
    cv.rect(x - 1, 2, x + 3, 3, DARK_SLATE)  # a cap over the bar


def member_icon(draw, access):
    cv = Canvas()
    if access is None:
        draw(cv, 7)
    else:
        access_mark(cv, access)
        draw(cv, 12)
    return cv


def function_glyph(cv, x):
    blob(cv, x, GREEN, DARK_GREEN)


def method_glyph(cv, x):
    blob(cv, x, PURPLE, DARK_PURPLE)


def prototype_glyph(cv, x):
    blob(cv, x, PURPLE, DARK_PURPLE, hollow=True)


def field_glyph(cv, x):
    bar(cv, x - 1, BLUE, DARK_BLUE)


def variable_glyph(cv, x):
    bar(cv, x - 1, SEA, DARK_SEA)


def property_glyph(cv, x):
    property_mark(cv, x - 1)


def diamond(fill, edge):
    cv = Canvas()
    for dy in range(-4, 5):
        half = 4 - abs(dy)
        cv.rect(7 - half, 7 + dy, 7 + half, 7 + dy, fill)
        cv.set(7 - half, 7 + dy, edge)
        cv.set(7 + half, 7 + dy, edge)
    return cv


def dot():
    cv = Canvas()
    cv.disc(7.5, 7, 2.5, GREY, (80, 80, 80))
    return cv


def lettered_disc(fill, edge, letter, ink):
    cv = Canvas()
    cv.disc(7.5, 7, 6.2, fill, edge)
    rows = LETTERS[letter]
    cv.glyph(8 - (len(rows[0]) + 1) // 2, 4, rows, ink)
    return cv


def page(letter="J"):
    """A page with its top-right corner folded: with the Java "J", or (letter None) with grey lines
    of text, the file of any other language."""
    cv = Canvas()
    cv.rect(2, 0, 13, 14, WHITE)
    cv.outline(2, 0, 13, 14, BLACK)
    for i in range(4):  # the folded top-right corner
        for x in range(13 - 3 + i, 14):
            cv.set(x, i, MAGENTA)
        cv.set(13 - 4 + i, i, BLACK)
        cv.set(13 - 3 + i, 3, BLACK)
        cv.set(13 - 4 + i, 3, BLACK)
    for i in range(3):
        cv.set(10, 1 + i, BLACK)
    if letter is None:
        for y, x1 in ((6, 10), (8, 11), (10, 9), (12, 11)):
            cv.rect(4, y, x1, y, GREY)
    else:
        cv.glyph(5, 6, LETTERS[letter], DARK_BLUE)
    return cv


def folder(open_):
    cv = Canvas()
    cv.rect(1, 3, 6, 4, YELLOW)  # tab
    cv.outline(1, 3, 6, 4, DARK_YELLOW)
    cv.rect(1, 5, 14, 13, YELLOW)
    cv.outline(1, 5, 14, 13, DARK_YELLOW)
    if open_:
        # The front flap tilts open: a lighter parallelogram over the lower part.
        for row, y in enumerate(range(8, 14)):
            x0 = 4 - row // 2
            cv.rect(max(x0, 1), y, min(x0 + 12, 15), y, LIGHT_YELLOW)
            cv.set(max(x0, 1), y, DARK_YELLOW)
            cv.set(min(x0 + 12, 15), y, DARK_YELLOW)
        cv.rect(4, 8, 15, 8, DARK_YELLOW)
        cv.rect(1, 13, 13, 13, DARK_YELLOW)
    else:
        cv.rect(2, 6, 13, 6, LIGHT_YELLOW)
    return cv


IMAGES = {
    148: field("default"),
    139: field("private"),
    140: field("protected"),
    141: field("public"),
    149: method("default"),
    142: method("private"),
    143: method("protected"),
    144: method("public"),
    135: lettered_disc(TEAL, (0, 80, 80), "C", WHITE),
    146: lettered_disc(CYAN, (0, 112, 144), "P", WHITE),
    145: lettered_disc(YELLOW, DARK_YELLOW, "I", DARK_BLUE),
    136: page(),
    137: folder(False),
    138: folder(True),
    # The kind icons by language, indices 14 on, in this order.
    160: lettered_disc((0, 96, 176), (0, 56, 120), "N", WHITE),    # namespace, module
    161: lettered_disc((64, 96, 160), (32, 56, 112), "S", WHITE),  # struct, union
    162: lettered_disc(ORANGE, DARK_ORANGE, "E", WHITE),           # enum
    163: diamond(ORANGE, DARK_ORANGE),                             # enumerator, constant
    164: lettered_disc(GREY, (80, 80, 80), "#", WHITE),            # macro
    165: lettered_disc((168, 112, 200), (112, 64, 144), "T", WHITE),  # type alias
    166: dot(),                                                    # any other kind
    167: member_icon(method_glyph, None),
    168: member_icon(field_glyph, None),
}

# Function, prototype, variable and property: the glyph alone, then with the four access marks.
ACCESSES = (None, "default", "private", "protected", "public")
for first, glyph in ((169, function_glyph), (174, prototype_glyph), (179, variable_glyph), (184, property_glyph)):
    for offset, access in enumerate(ACCESSES):
        IMAGES[first + offset] = member_icon(glyph, access)

# The file of a language other than Java, index 43.
IMAGES[189] = page(None)


# The program's icon: a tags tree (a folder with a class and a method under it) whose top
# label is an arrow, on a rounded blue square. Shapes on a 256 x 256 grid, painted in order; the
# SVG and every PNG size are drawn from this one list.
ICON_SHAPES = [
    ("rrect", (8, 8, 248, 248, 44), (36, 72, 140)),
    ("rrect", (8, 8, 248, 128, 44), (44, 86, 162)),  # a lighter upper half
    ("rect", (8, 100, 248, 128), (44, 86, 162)),
    ("rect", (62, 84, 76, 200), WHITE),  # the trunk and its branches
    ("rect", (62, 118, 116, 132), WHITE),
    ("rect", (62, 186, 116, 200), WHITE),
    ("rrect", (30, 34, 106, 88, 10), DARK_YELLOW),  # the folder at the root
    ("rrect", (34, 40, 102, 84, 8), YELLOW),
    ("rect", (114, 52, 184, 70), WHITE),  # the arrow
    ("poly", ((182, 36), (226, 61), (182, 86)), WHITE),
    ("circle", (140, 125, 24), (0, 80, 80)),  # a class
    ("circle", (140, 125, 19), TEAL),
    ("circle", (140, 193, 24), DARK_PURPLE),  # a method
    ("circle", (140, 193, 19), PURPLE),
    ("rrect", (176, 116, 226, 134, 9), WHITE),  # their labels
    ("rrect", (176, 184, 214, 202, 9), WHITE),
]
ICON_SIZES = (16, 32, 48, 64, 128, 256)


def inside(kind, geometry, x, y):
    if kind == "rect":
        x0, y0, x1, y1 = geometry
        return x0 <= x < x1 and y0 <= y < y1
    if kind == "rrect":
        x0, y0, x1, y1, r = geometry
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    if kind == "circle":
        cx, cy, r = geometry
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    if kind == "poly":  # even-odd rule
        result = False
        points = geometry
        for i, (xa, ya) in enumerate(points):
            xb, yb = points[i - 1]
            if (ya > y) != (yb > y) and x < xa + (y - ya) * (xb - xa) / (yb - ya):
                result = not result
        return result
    raise ValueError(kind)


def icon_png(size):
    """The icon at `size` pixels, each pixel the average of a grid of samples."""
    samples = 4 if size <= 64 else 2
    scale = 256.0 / size
    rows = []
    for py in range(size):
        row = bytearray()
        for px in range(size):
            r = g = b = a = 0
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * scale
                    y = (py + (sy + 0.5) / samples) * scale
                    colour = None
                    for kind, geometry, c in ICON_SHAPES:
                        if inside(kind, geometry, x, y):
                            colour = c
                    if colour:
                        r, g, b, a = r + colour[0], g + colour[1], b + colour[2], a + 1
            n = samples * samples
            if a:
                row += bytes((r // a, g // a, b // a, 255 * a // n))
            else:
                row += bytes(4)
        rows.append(b"\x00" + bytes(row))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))


def icon_svg():
    def fill(c):
        return 'fill="#%02x%02x%02x"' % c

    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">']
    for kind, g, c in ICON_SHAPES:
        if kind == "rect":
            lines.append('  <rect x="%g" y="%g" width="%g" height="%g" %s/>' % (g[0], g[1], g[2] - g[0], g[3] - g[1], fill(c)))
        elif kind == "rrect":
            lines.append('  <rect x="%g" y="%g" width="%g" height="%g" rx="%g" %s/>'
                         % (g[0], g[1], g[2] - g[0], g[3] - g[1], g[4], fill(c)))
        elif kind == "circle":
            lines.append('  <circle cx="%g" cy="%g" r="%g" %s/>' % (g[0], g[1], g[2], fill(c)))
        elif kind == "poly":
            lines.append('  <polygon points="%s" %s/>' % (" ".join("%g,%g" % p for p in g), fill(c)))
    lines.append("</svg>")
    return "\n".join(lines) + "\n"


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = os.path.join(here, "images")
    os.makedirs(out, exist_ok=True)
    for bitmap_id, cv in IMAGES.items():
        with open(os.path.join(out, "bmp%d.png" % bitmap_id), "wb") as f:
            f.write(cv.png())
    icons = os.path.join(here, "icons")
    os.makedirs(icons, exist_ok=True)
    with open(os.path.join(icons, "quarrow.svg"), "w") as f:
        f.write(icon_svg())
    for size in ICON_SIZES:
        with open(os.path.join(icons, "quarrow-%d.png" % size), "wb") as f:
            f.write(icon_png(size))


if __name__ == "__main__":
    main()
