#!/usr/bin/env python3
"""Draws the program's bitmaps and its icon and writes them as BMP and ICO.

    make_artwork.py OUTPUT_DIR

writes into OUTPUT_DIR:
  type_icons.bmp        58 emblems of 32 x 32 side by side, 24 bits per pixel;
                        the strip's pixel (2, 2) is its transparent colour
  new_release_arrow.bmp green downward arrow, 48 x 24, 24 bits per pixel, on
                        white (its pixel (0, 0) is the transparent colour)
  zormanager.ico        application icon, 32 x 32 and 16 x 16, 32-bit

Everything is drawn with hard edges: the bitmaps are blitted with one
transparent colour, and any blended edge pixel would show as a fringe.
The output is deterministic, byte for byte.
"""
import os
import struct
import sys

TRANSPARENT = (255, 0, 255)
WHITE = (255, 255, 255)
CELL = 32
ICON_COUNT = 58
SYSTEM_ICON = 4

# Emblem colours; none of them is near the transparent magenta.
PALETTE = [
    (196, 40, 40),    # red
    (224, 118, 16),   # orange
    (200, 160, 0),    # gold
    (40, 146, 60),    # green
    (0, 134, 138),    # teal
    (32, 84, 188),    # blue
    (34, 42, 112),    # navy
    (116, 52, 160),   # violet
    (128, 80, 40),    # brown
    (88, 92, 96),     # slate
]

# 3 x 5 capitals, drawn at double size on the system-module emblem.
GLYPHS = {
    "S": ["###",
          "#..",
          "###",
          "..#",
          "###"],
    "Y": ["#.#",
          "#.#",
          ".#.",
          ".#.",
          ".#."],
}


class Canvas:
    def __init__(self, width, height, fill):
        self.width = width
        self.height = height
        self.pixels = [fill] * (width * height)

    def get(self, x, y):
        return self.pixels[y * self.width + x]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y * self.width + x] = colour

    def fill(self, x0, y0, size_x, size_y, inside, colour):
        """Paints every pixel of the box whose centre `inside` accepts."""
        for y in range(y0, y0 + size_y):
            for x in range(x0, x0 + size_x):
                if inside(x + 0.5 - x0, y + 0.5 - y0):
                    self.put(x, y, colour)


def darker(colour, factor=0.6):
    return tuple(int(c * factor) for c in colour)


# Shapes over a square of side `s`, tested at pixel centres (u, v).
def circle(s, r):
    c = s / 2
    return lambda u, v: (u - c) ** 2 + (v - c) ** 2 <= r * r


def rounded_box(x0, y0, x1, y1, r):
    def inside(u, v):
        if not (x0 <= u <= x1 and y0 <= v <= y1):
            return False
        cx = min(max(u, x0 + r), x1 - r)
        cy = min(max(v, y0 + r), y1 - r)
        return (u - cx) ** 2 + (v - cy) ** 2 <= r * r
    return inside


def diamond(s, r):
    c = s / 2
    return lambda u, v: abs(u - c) + abs(v - c) <= r


def hexagon(s, r):
    c = s / 2
    return lambda u, v: abs(v - c) <= r * 0.87 and abs(u - c) * 0.87 + abs(v - c) * 0.5 <= r * 0.87


def shield(s):
    def inside(u, v):
        if v < 4 or v > 29 or u < 5 or u > s - 5:
            return False
        if v <= 16:
            return True
        half = (s / 2 - 5) * (29 - v) / 13   # narrows to a point at the bottom
        return abs(u - s / 2) <= half
    return inside


def octagon(s, r):
    c = s / 2
    return lambda u, v: max(abs(u - c), abs(v - c)) <= r and abs(u - c) + abs(v - c) <= r * 1.4


SHAPES = [
    lambda: circle(CELL, 13),
    lambda: rounded_box(4, 4, 28, 28, 5),
    lambda: diamond(CELL, 14.5),
    lambda: hexagon(CELL, 14),
    lambda: shield(CELL),
    lambda: octagon(CELL, 13),
]

MOTIFS = [
    lambda: circle(CELL, 4.2),                                         # dot
    lambda: rounded_box(9, 14, 23, 18, 0),                             # bar
    lambda: rounded_box(14, 9, 18, 23, 0),                             # post
    lambda: diamond(CELL, 5.5),                                        # small diamond
    lambda: (lambda a, b: lambda u, v: a(u, v) or b(u, v))(
        rounded_box(9, 11, 23, 14, 0), rounded_box(9, 18, 23, 21, 0)),  # two bars
    lambda: (lambda o, i: lambda u, v: o(u, v) and not i(u, v))(
        circle(CELL, 6.5), circle(CELL, 3.5)),                         # ring
]


def outline(canvas, x0, inside_colour, edge_colour):
    """Recolours the fill pixels of a cell that touch a pixel outside it."""
    edge = []
    for y in range(CELL):
        for x in range(x0, x0 + CELL):
            if canvas.get(x, y) != inside_colour:
                continue
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                nx, ny = x + dx, y + dy
                if not (x0 <= nx < x0 + CELL and 0 <= ny < CELL) or canvas.get(nx, ny) == TRANSPARENT:
                    edge.append((x, y))
                    break
    for x, y in edge:
        canvas.put(x, y, edge_colour)


def draw_text(canvas, x, y, text, colour, scale):
    for ch in text:
        for row, bits in enumerate(GLYPHS[ch]):
            for col, bit in enumerate(bits):
                if bit == "#":
                    for dy in range(scale):
                        for dx in range(scale):
                            canvas.put(x + col * scale + dx, y + row * scale + dy, colour)
        x += 4 * scale


def draw_emblem(canvas, n):
    """Emblem n: shape, inner motif and colour picked so that no two agree."""
    x0 = n * CELL
    colour = PALETTE[n % len(PALETTE)]
    canvas.fill(x0, 0, CELL, CELL, SHAPES[n % len(SHAPES)](), colour)
    outline(canvas, x0, colour, darker(colour))
    canvas.fill(x0, 0, CELL, CELL, MOTIFS[(n // len(SHAPES)) % len(MOTIFS)](), WHITE)


def draw_system_emblem(canvas, n):
    x0 = n * CELL
    body = (38, 58, 92)
    canvas.fill(x0, 0, CELL, CELL, rounded_box(3, 6, 29, 26, 4), body)
    outline(canvas, x0, body, (20, 30, 50))
    # "SYS": three letters of 6 x 10 with 2-pixel gaps, centred.
    draw_text(canvas, x0 + 5, 11, "SYS", WHITE, 2)


def type_icons():
    canvas = Canvas(CELL * ICON_COUNT, CELL, TRANSPARENT)
    for n in range(ICON_COUNT):
        if n == SYSTEM_ICON:
            draw_system_emblem(canvas, n)
        else:
            draw_emblem(canvas, n)
    return canvas


def new_release_arrow():
    canvas = Canvas(48, 24, WHITE)
    green = (0, 168, 0)
    shaft = rounded_box(19, 1, 29, 12, 0)
    head = lambda u, v: 12 <= v <= 23 and abs(u - 24) <= (23 - v) * 1.1
    canvas.fill(0, 0, 48, 24, lambda u, v: shaft(u, v) or head(u, v), green)
    # Dark rim, so the arrow reads on the highlighted (blue) row too.
    rim = []
    for y in range(24):
        for x in range(48):
            if canvas.get(x, y) != green:
                continue
            if any(not (0 <= x + dx < 48 and 0 <= y + dy < 24) or canvas.get(x + dx, y + dy) == WHITE
                   for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))):
                rim.append((x, y))
    for x, y in rim:
        canvas.put(x, y, (0, 100, 0))
    return canvas


def app_icon(size):
    """A scanner body with a green download arrow, as RGBA."""
    s = size / 32.0
    clear = (0, 0, 0, 0)
    canvas = Canvas(size, size, clear)
    body = (70, 78, 90, 255)
    screen = (20, 40, 30, 255)
    arrow = (40, 200, 60, 255)
    canvas.fill(0, 0, size, size, rounded_box(5 * s, 3 * s, 27 * s, 30 * s, 4 * s), body)
    canvas.fill(0, 0, size, size, rounded_box(8 * s, 6 * s, 24 * s, 20 * s, 1 * s), screen)
    shaft = rounded_box(14 * s, 7.5 * s, 18 * s, 13 * s, 0)
    head = lambda u, v: 13 * s <= v <= 19 * s and abs(u - 16 * s) <= (19 * s - v) * 1.2
    canvas.fill(0, 0, size, size, lambda u, v: shaft(u, v) or head(u, v), arrow)
    # Two keys under the screen.
    canvas.fill(0, 0, size, size, rounded_box(9 * s, 23 * s, 14 * s, 27 * s, 1 * s), (200, 200, 205, 255))
    canvas.fill(0, 0, size, size, rounded_box(18 * s, 23 * s, 23 * s, 27 * s, 1 * s), (200, 200, 205, 255))
    return canvas


def bmp_bytes(canvas):
    """24-bit BI_RGB bitmap file, bottom-up rows padded to 4 bytes."""
    row_size = (canvas.width * 3 + 3) & ~3
    rows = []
    for y in range(canvas.height - 1, -1, -1):
        row = bytearray()
        for x in range(canvas.width):
            r, g, b = canvas.get(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        rows.append(bytes(row))
    data = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
    return header + info + data


def ico_bytes(images):
    """Icon file of 32-bit images (colour with alpha plus the AND mask)."""
    blobs = []
    for canvas in images:
        w, h = canvas.width, canvas.height
        xor = bytearray()
        mask = bytearray()
        mask_row = ((w + 31) // 32) * 4
        for y in range(h - 1, -1, -1):
            bits = bytearray(mask_row)
            for x in range(w):
                r, g, b, a = canvas.get(x, y)
                xor += bytes((b, g, r, a))
                if a == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        info = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        blobs.append(info + bytes(xor) + bytes(mask))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for canvas, blob in zip(images, blobs):
        out += struct.pack("<BBBBHHII", canvas.width % 256, canvas.height % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blobs)


def write(path, data):
    # Written whole and renamed, so a build never picks up half a file.
    with open(path + ".tmp", "wb") as f:
        f.write(data)
    os.replace(path + ".tmp", path)


def main(argv):
    if len(argv) != 2:
        print("usage: make_artwork.py OUTPUT_DIR", file=sys.stderr)
        return 2
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    write(os.path.join(out, "type_icons.bmp"), bmp_bytes(type_icons()))
    write(os.path.join(out, "new_release_arrow.bmp"), bmp_bytes(new_release_arrow()))
    write(os.path.join(out, "zormanager.ico"), ico_bytes([app_icon(32), app_icon(16)]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
