#!/usr/bin/env python3
"""Copies the outlines our music fonts borrow from two OFL fonts into borrowed.py.

    borrow.py     rewrites borrowed.py beside this script

The clef, signs, accidentals, rests and time-signature symbols come from
Euterpe (Debian's fonts-oflb-euterpe); the figures and letters of time
signatures, ending labels, tuplet numbers and directions from Liberation
Serif (fonts-liberation2), the face the titles are set in.  Both are under
the SIL Open Font License 1.1 (OFL-*.txt beside this script), and so are the
fonts made from them.  The outlines are kept flattened to polygons in the
source fonts' own units (y up), so that fontgen.py needs neither font.
"""

import os

from fontTools.pens.basePen import BasePen
from fontTools.ttLib import TTFont

HERE = os.path.dirname(os.path.abspath(__file__))
EUTERPE = "/usr/share/fonts/truetype/euterpe/Euterpe.ttf"
SERIF = "/usr/share/fonts/truetype/liberation2/LiberationSerif-%s.ttf"

SYMBOLS = {
    "gclef": 0x1D11E, "segno": 0x1D10B, "coda": 0x1D10C, "fermata": 0x1D110,
    "sharp": 0x266F, "natural": 0x266E, "common": 0x1D134, "cut": 0x1D135,
    "rest4": 0x1D13D, "rest8": 0x1D13E, "rest16": 0x1D13F, "rest32": 0x1D140,
}

# Every character a label, number or direction of the table is written with.
TEXTS = {
    "Bold": "0123456789./:intrsdobi",
    "BoldItalic": "0123456789:",
    "Italic": "FineD.C.alCodaSE",
}

STEPS = 6  # straight pieces per quadratic curve


class PolygonPen(BasePen):
    def __init__(self, glyph_set):
        super().__init__(glyph_set)
        self.contours = []
        self.current = []

    def _moveTo(self, p):
        self.current = [p]

    def _lineTo(self, p):
        self.current.append(p)

    def _qCurveToOne(self, p1, p2):
        p0 = self.current[-1]
        for i in range(1, STEPS + 1):
            t = i / STEPS
            u = 1 - t
            self.current.append((u * u * p0[0] + 2 * u * t * p1[0] + t * t * p2[0],
                                 u * u * p0[1] + 2 * u * t * p1[1] + t * t * p2[1]))

    def _curveToOne(self, p1, p2, p3):
        p0 = self.current[-1]
        for i in range(1, STEPS + 1):
            t = i / STEPS
            u = 1 - t
            self.current.append(tuple(u ** 3 * a + 3 * u * u * t * b + 3 * u * t * t * c + t ** 3 * d
                                      for a, b, c, d in zip(p0, p1, p2, p3)))

    def _closePath(self):
        points = [(int(round(x)), int(round(y))) for x, y in self.current]
        cleaned = [p for i, p in enumerate(points) if i == 0 or p != points[i - 1]]
        if len(cleaned) > 1 and cleaned[0] == cleaned[-1]:
            cleaned.pop()
        if len(cleaned) >= 3:
            self.contours.append(cleaned)
        self.current = []

    _endPath = _closePath


def outlines(path, chars):
    font = TTFont(path)
    cmap = font.getBestCmap()
    glyph_set = font.getGlyphSet()
    hmtx = font["hmtx"]
    out = {}
    for key, code in chars.items():
        name = cmap[code]
        pen = PolygonPen(glyph_set)
        glyph_set[name].draw(pen)
        out[key] = (hmtx[name][0], pen.contours)
    return font["head"].unitsPerEm, out


def write(stream, name, upm, table):
    stream.write("%s_UPM = %d\n%s = {\n" % (name, upm, name))
    for key in sorted(table):
        advance, contours = table[key]
        stream.write("    %r: (%d, [\n" % (key, advance))
        for contour in contours:
            stream.write("        %r,\n" % (contour,))
        stream.write("    ]),\n")
    stream.write("}\n\n")


def main():
    with open(os.path.join(HERE, "borrowed.py"), "w") as stream:
        stream.write('"""Outlines borrowed from Euterpe and Liberation Serif (SIL OFL 1.1).\n\n'
                     'Written by borrow.py; do not edit.  Polygons in the source fonts\' units, y up."""\n\n')
        upm, table = outlines(EUTERPE, SYMBOLS)
        write(stream, "SYMBOLS", upm, table)
        for style, chars in TEXTS.items():
            upm, table = outlines(SERIF % style, {c: ord(c) for c in sorted(set(chars))})
            write(stream, "SERIF_" + style.upper(), upm, table)


if __name__ == "__main__":
    main()
