#!/usr/bin/env python3
"""Checks the drawn bitmaps and icon as the program will use them.

    check_artwork.py ARTWORK_DIR

The bitmaps are blitted with one transparent colour each (the strip's pixel
(2, 2), the arrow's pixel (0, 0)), so besides sizes and formats this checks
that the transparent colour really surrounds the pictures, that no pixel is
a near miss of it (which would show as a fringe), and that the emblems the
program picks are all different. Reads the files with its own parser.
"""
import os
import struct
import sys
import unittest

ARTWORK = None
CELL = 32
ICON_COUNT = 58
SYSTEM_ICON = 4
# The emblems the type icon table picks, by series 0 to 40.
TABLE_ICONS = [7, 8, 10, 9, 12, 11, 14, 20, 40, 15, 16, 23, 19, 18,
               17, 20, 13, 24, 25, 30, 32, 34, 35, 33, 36, 37, 38, 31,
               52, 43, 46, 41, 44, 39, 42, 56, 53, 57, 15, 40, 55]


class Bitmap:
    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        magic, size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
        if magic != b"BM" or size != len(data):
            raise ValueError("%s: not a complete BMP file" % path)
        (self.header_size, self.width, self.height, self.planes, self.bits,
         self.compression) = struct.unpack_from("<IiiHHI", data, 14)
        self.offset = offset
        self.data = data

    def pixel(self, x, y):
        """(r, g, b) at x, y counted from the top-left corner."""
        row_size = (self.width * 3 + 3) & ~3
        row = self.height - 1 - y if self.height > 0 else y
        b, g, r = self.data[self.offset + row * row_size + 3 * x: self.offset + row * row_size + 3 * x + 3]
        return (r, g, b)

    def cell(self, n):
        return [self.pixel(n * CELL + x, y) for y in range(CELL) for x in range(CELL)]


def near(a, b, tolerance=48):
    return a != b and all(abs(p - q) <= tolerance for p, q in zip(a, b))


class FormatChecks:
    def check_plain_24_bit(self, bmp, width, height):
        self.assertEqual(bmp.header_size, 40)
        self.assertEqual((bmp.width, bmp.height), (width, height))  # bottom-up
        self.assertEqual((bmp.planes, bmp.bits, bmp.compression), (1, 24, 0))
        row_size = (width * 3 + 3) & ~3
        self.assertEqual(len(bmp.data), bmp.offset + row_size * height)


class TypeIconStrip(unittest.TestCase, FormatChecks):
    @classmethod
    def setUpClass(cls):
        cls.bmp = Bitmap(os.path.join(ARTWORK, "type_icons.bmp"))
        cls.key = cls.bmp.pixel(2, 2)

    def test_format(self):
        self.check_plain_24_bit(self.bmp, CELL * ICON_COUNT, CELL)

    def test_every_cell_has_a_picture_on_the_transparent_colour(self):
        for n in range(ICON_COUNT):
            with self.subTest(icon=n):
                cell = self.bmp.cell(n)
                opaque = sum(1 for p in cell if p != self.key)
                # A recognisable picture that still leaves its corners clear.
                self.assertGreater(opaque, 200)
                self.assertLess(opaque, CELL * CELL - 100)
                for x, y in ((0, 0), (2, 2), (31, 0), (0, 31), (31, 31)):
                    self.assertEqual(self.bmp.pixel(n * CELL + x, y), self.key)

    def test_no_colour_is_a_near_miss_of_the_transparent_one(self):
        colours = set(p for n in range(ICON_COUNT) for p in self.bmp.cell(n))
        self.assertEqual([c for c in colours if near(c, self.key)], [])

    def test_emblems_of_the_table_differ_from_each_other_and_from_sys(self):
        used = sorted(set(TABLE_ICONS))
        pictures = {n: tuple(self.bmp.cell(n)) for n in used + [SYSTEM_ICON]}
        for i, a in enumerate(used + [SYSTEM_ICON]):
            for b in (used + [SYSTEM_ICON])[i + 1:]:
                self.assertNotEqual(pictures[a], pictures[b], "icons %d and %d are the same" % (a, b))

    def test_system_icon_reads_sys(self):
        # White letter pixels of the system emblem, as rows of the middle band:
        # S, Y, S side by side; a letter shape on the row marks 3 separated runs.
        cell = self.bmp.cell(SYSTEM_ICON)
        white = (255, 255, 255)

        def runs(y):
            row = [cell[y * CELL + x] == white for x in range(CELL)]
            return sum(1 for x in range(CELL) if row[x] and (x == 0 or not row[x - 1]))

        letter_rows = [y for y in range(CELL) if any(cell[y * CELL + x] == white for x in range(CELL))]
        self.assertGreaterEqual(len(letter_rows), 8)
        top = letter_rows[0]
        # The top bar of S, the two arms of Y, the top bar of S: four runs;
        # the Y's stem in the bottom rows leaves three.
        self.assertEqual(runs(top), 4)
        self.assertEqual(runs(letter_rows[-1]), 3)


class NewReleaseArrow(unittest.TestCase, FormatChecks):
    @classmethod
    def setUpClass(cls):
        cls.bmp = Bitmap(os.path.join(ARTWORK, "new_release_arrow.bmp"))

    def test_format(self):
        self.check_plain_24_bit(self.bmp, 48, 24)

    def test_green_downward_arrow_on_white(self):
        white = (255, 255, 255)
        self.assertEqual(self.bmp.pixel(0, 0), white)
        pixels = [(x, y, self.bmp.pixel(x, y)) for y in range(24) for x in range(48)]
        drawn = [(x, y, c) for x, y, c in pixels if c != white]
        self.assertTrue(drawn)
        for _, _, (r, g, b) in drawn:
            self.assertTrue(g > 60 and r < 40 and b < 40, "not green: %r" % ((r, g, b),))
        # Pointing down: the widest row is in the lower half, the tip at the bottom.
        widths = [sum(1 for x in range(48) if self.bmp.pixel(x, y) != white) for y in range(24)]
        widest = max(range(24), key=lambda y: widths[y])
        self.assertGreater(widest, 11)
        last = max(y for y in range(24) if widths[y])
        self.assertLess(widths[last], widths[widest] // 3)

    def test_no_colour_is_a_near_miss_of_white(self):
        colours = set(self.bmp.pixel(x, y) for y in range(24) for x in range(48))
        self.assertEqual([c for c in colours if near(c, (255, 255, 255), 80)], [])


class ApplicationIcon(unittest.TestCase):
    def test_two_sizes_of_32_bits_with_transparent_corners(self):
        with open(os.path.join(ARTWORK, "zormanager.ico"), "rb") as f:
            data = f.read()
        reserved, kind, count = struct.unpack_from("<HHH", data, 0)
        self.assertEqual((reserved, kind, count), (0, 1, 2))
        sizes = []
        for i in range(count):
            w, h, _, _, planes, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
            sizes.append(w)
            self.assertEqual((w, h, bits), (w, w, 32))
            self.assertLessEqual(offset + size, len(data))
            hsize, iw, ih, _, ibits = struct.unpack_from("<IiiHH", data, offset)
            self.assertEqual((hsize, iw, ih, ibits), (40, w, 2 * w, 32))
            mask_row = ((w + 31) // 32) * 4
            self.assertEqual(size, 40 + w * w * 4 + mask_row * w)
            # Top-left pixel (last row in the bottom-up colour data): clear.
            top_left = offset + 40 + (w - 1) * w * 4
            self.assertEqual(data[top_left + 3], 0)
            centre = offset + 40 + (w // 2) * w * 4 + (w // 2) * 4
            self.assertEqual(data[centre + 3], 255)
        self.assertEqual(sorted(sizes), [16, 32])


def main():
    global ARTWORK
    if len(sys.argv) != 2:
        print("usage: check_artwork.py ARTWORK_DIR", file=sys.stderr)
        return 2
    ARTWORK = sys.argv[1]
    result = unittest.main(argv=[sys.argv[0], "-v"], exit=False).result
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
