"""The notation reference lists the default symbol map completely, with pictures
read correctly out of the music fonts."""

import os
import re
import sys
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools", "docgen"))

import notation  # noqa: E402
import truetype  # noqa: E402

FONTS = os.path.join(ROOT, "resources", "fonts")
PAGE = os.path.join(ROOT, "docs", "notation.html")
PROFILE = os.path.join(ROOT, "resources", "QTN32.INI")


def profile_map_names():
    """Symbol names of the FontMap sections, read as the program reads the profile."""
    names, in_map = [], False
    with open(PROFILE, encoding="cp1252") as f:
        for line in f:
            line = line.strip()
            if line.startswith("["):
                in_map = re.fullmatch(r"\[fontmap[1-8]\]", line.lower()) is not None
            elif in_map and "=" in line and not line.startswith(";"):
                names.append(line.split("=", 1)[1].split()[0])
    return names


def page_figures():
    """(name, has a drawing) of every figure on the committed page."""
    with open(PAGE, encoding="utf-8") as f:
        page = f.read()
    figures = re.findall(r"<figure>(.*?)</figure>", page)
    unescape = {"&amp;": "&", "&#x27;": "'", "&quot;": '"', "&lt;": "<", "&gt;": ">"}
    result = []
    for figure in figures:
        name = re.search(r"<code>(.*?)</code>", figure).group(1)
        for escaped, plain in unescape.items():
            name = name.replace(escaped, plain)
        result.append((name, "<path " in figure))
    return result


class NotationReferenceTest(unittest.TestCase):
    def test_every_map_symbol_appears_once_and_nothing_else(self):
        names = [name for name, _ in page_figures()]
        self.assertEqual(len(names), len(set(names)), "a symbol is listed twice")
        self.assertEqual(sorted(names), sorted(profile_map_names()))

    def test_every_symbol_but_the_blank_ones_has_a_picture(self):
        blank = {row.name for row in notation.symbols.ROWS if row.draw[0] == "blank"}
        without = {name for name, drawn in page_figures() if not drawn}
        self.assertEqual(without, blank)
        # The accidentals sit at codes 128-171, where browsers would show nothing as text.
        high = {row.name for row in notation.symbols.ROWS if row.section == 1 and row.code >= 128}
        self.assertTrue(high)
        self.assertFalse(high & without)

    def test_outlines_match_an_independent_font_reader(self):
        try:
            from fontTools.ttLib import TTFont
        except ImportError:
            self.skipTest("fontTools is not installed")
        for section in range(1, 9):
            path = os.path.join(FONTS, "QTN%d.ttf" % section)
            ours, theirs = truetype.Font(path), TTFont(path)
            cmap = theirs.getBestCmap()
            self.assertEqual(set(ours.cmap), set(cmap), path)
            for code, glyph_name in cmap.items():
                glyph = ours.glyph(code)
                coordinates, ends, flags = theirs["glyf"][glyph_name].getCoordinates(theirs["glyf"])
                points = [(x, y) for contour in glyph.contours for x, y, _ in contour]
                self.assertEqual(points, [tuple(p) for p in coordinates], "%s code %d" % (path, code))
                self.assertEqual([bool(f & 1) for f in flags],
                                 [on for contour in glyph.contours for _, _, on in contour])
                self.assertEqual(glyph.advance, theirs["hmtx"][glyph_name][0])


if __name__ == "__main__":
    unittest.main()
