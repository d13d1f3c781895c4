#!/usr/bin/env python3
"""Makes docs/notation.html, the notation reference of the user guide.

    notation.py --out FILE     writes the reference
    notation.py --check FILE   exit 0 when FILE is what the generator makes, 1 when not

Every symbol of the default symbol map is listed with its name and its
picture.  The pictures are the glyph outlines read out of the music fonts and
written as inline SVG over the staff, rather than text in a web font: the
accidentals sit at codes 128-159, which HTML reads as Windows-1252 when written
as character references (&#128; is the euro sign) and which are control
characters that a browser need not draw.  The page also needs no font files
beside it, wherever it is installed.  Standard library only.
"""

import argparse
import html
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "tools", "fontgen"))
sys.path.insert(0, HERE)

import symbols  # noqa: E402
import truetype  # noqa: E402

FONTS_DIR = os.path.join(ROOT, "resources", "fonts")
STAFF_FONT, STAFF_CODE = 3, 87
SCALE = 0.09  # CSS pixels per font unit: a staff about 37 pixels high
PAD = 60
MIN_WIDTH = 420

LETTER_NAMES = {letter: pitch for pitch, letter in symbols.LETTER.items()}
VALUE_NAMES = {1: "Whole", 2: "Half", 4: "Quarter", 8: "Eighth", 16: "Sixteenth", 32: "Thirty-second"}


# --- grouping ----------------------------------------------------------------

def _category(*names):
    return lambda row: row.category in names


def _table(table):
    return lambda row: row.name in table


def _by_value(row):
    return "%s notes" % VALUE_NAMES[row.value]


def _single_or_double_dot(row):
    return "Double dots" if row.name.startswith("''") else "Dots"


# (anchor, heading, what the reader should know, which rows, sub-heading of a row or None)
GROUPS = [
    ("melody", "Melody notes", "A note's name is its pitch and its value: <code>LG_4</code> is a low G "
     "crotchet. Pitches run LG, LA, B, C, D, E, F, HG, HA.",
     _category("CAT_MELODY_NO_TAIL"), _by_value),
    ("tailed", "Tailed melody notes", "Quavers and shorter notes beamed to the note on their left "
     "(<code>l</code>) or on their right (<code>r</code>). The beams are drawn when the bar is laid out, "
     "so each picture shows the head and stem only.",
     _category("CAT_MELODY_LEFT_TAIL", "CAT_MELODY_RIGHT_TAIL"),
     lambda row: ("Left" if row.tail == "L" else "Right") + " tail, " + _by_value(row).lower()),
    ("dots", "Dots", "Written after the note they lengthen, at that note's pitch.",
     _category("CAT_DOTS"), _single_or_double_dot),
    ("rests", "Rests", None, _category("CAT_REST"), None),
    ("gracenotes", "Gracenotes", "Written before the melody note they decorate.",
     _category("CAT_GRACENOTES", "CAT_STRIKES"),
     lambda row: "Strikes" if row.category == "CAT_STRIKES" else "Single gracenotes"),
    ("doublings", "Doublings", "Names start with <code>t</code> for thumb and <code>h</code> for half "
     "doublings. Under each name: the notes the embellishment sounds.",
     _table(symbols.DOUBLINGS), None),
    ("gracenote-strikes", "Gracenote strikes", "A leading <code>l</code> is the light form on D.",
     _table(symbols.GRACENOTE_STRIKES), None),
    ("peles", "Peles", None, _table(symbols.PELES), None),
    ("grips", "Grips", None, _table(symbols.GRIPS), None),
    ("taorluaths", "Taorluaths and bubblys", None,
     lambda row: row.name in symbols.TAORLUATHS or row.name in symbols.BUBBLYS, None),
    ("birls", "Birls and throws", None,
     lambda row: row.name in symbols.BIRLS or row.name in symbols.THROWS, None),
    ("ceol-mor", "Ceol mor movements", "Crunluaths (<code>crun</code>; from D <code>crunb</code>, from low G "
     "<code>crunlg</code>; a mach on B, C and D <code>crunamb</code> ...; fosgailte endings "
     "<code>crunfosgb</code> ...), taorluaths a mach and from low G, and the throws dre, dare and bari, each "
     "one gracenote group before its note.",
     _table(symbols.CEOL_MOR), None),
    ("cadences", "Cadences", "A capital <code>E</code> in the name is the held E of a piobaireachd cadence: "
     "it is drawn larger and sounds in the gracenote category 4 (Play Music Setup, Gracenote Duration). "
     "A pause (<code>fermat</code>) written after such a cadence lengthens its E.",
     _category("CAT_CADENCE"), None),
    ("bars", "Bar lines, parts and the clef", "<code>I!''</code> and <code>''!I</code> start and end a "
     "repeated part. <code>_sep</code> separates beats where a tab cannot be written; it has no picture.",
     _category("CAT_BAR", "CAT_START_SECTION", "CAT_END_SECTION", "CAT_G_CLEF", "CAT_BEAT_SEPARATOR"), None),
    ("time-signatures", "Time signatures", None, _category("CAT_TIME_SIGNATURE"), None),
    ("time-lines", "Time lines", "A time line (first and second endings, introduction, ...) runs from "
     "its start to <code>_'</code>, or to <code>bis_'</code> for <code>'bis</code>.",
     _category("CAT_START_TIMELINE", "CAT_END_TIMELINE", "CAT_END_TIMELINE_BIS"), None),
    ("ties", "Ties and triplets", "Start and end marks are written around the notes they join; the "
     "curve is drawn from one to the other.",
     _category("CAT_TIES_START", "CAT_TIES_END", "CAT_TIES", "CAT_RUNS_OF_3_START", "CAT_RUNS_OF_3_END",
               "CAT_RUNS_OF_3"),
     lambda row: "Ties" if row.category.startswith("CAT_TIES") else "Triplets and other groups"),
    ("accidentals", "Accidentals", "Written before the note they change.",
     _category("CAT_NOTE_CHANGE"), lambda row: "Naturals" if row.name.startswith("natural") else "Sharps"),
    ("signs", "Signs and repeats", None, _category("CAT_SIGN_REPEAT", "CAT_SIGN"), None),
    ("pibroch", "Fermata and pibroch marks", "<code>txtaor</code> and <code>txcrun</code> (turned over for a "
     "mach: <code>txtaoram</code>, <code>txcrunam</code>) and <code>trebling</code> mark the note after them "
     "and are not played.",
     _category("CAT_FERMATA", "CAT_PIOB_OVERNEXT", "CAT_PIOB_UNDERNEXT", "CAT_PIOB_UNDERNEXT_CAMACH",
               "CAT_PIOB_UNDERPREV"), None),
]
OTHERS = ("others", "Other symbols", None, lambda row: True, None)


def grouped(rows):
    """[(group, [(sub-heading, rows)])] with every row in exactly one group."""
    left = list(rows)
    result = []
    for group in GROUPS + [OTHERS]:
        taken = [row for row in left if group[3](row)]
        left = [row for row in left if not group[3](row)]
        if not taken:
            continue
        subgroups = {}
        for row in taken:
            subgroups.setdefault(group[4](row) if group[4] else None, []).append(row)
        result.append((group, list(subgroups.items())))
    return result


# --- pictures ----------------------------------------------------------------

def _path(glyph, ascent):
    """SVG path data, y turned downward with the cell's top at 0, in relative steps to keep the page small."""
    parts = []
    for contour in glyph.contours:
        if not all(on for _, _, on in contour):
            raise ValueError("curved outline: the music fonts are drawn with straight segments only")
        points = [(x, ascent - y) for x, y, _ in contour]
        steps = ["l%d %d" % (x - px, y - py) for (px, py), (x, y) in zip(points, points[1:])]
        parts.append("M%d %d%sz" % (points[0][0], points[0][1], "".join(steps)))
    return "".join(parts)


def _staff_lines(staff, ascent):
    """(top, bottom) of each staff line, downward from the cell's top."""
    lines = []
    for contour in staff.contours:
        ys = [ascent - y for _, y, _ in contour]
        lines.append((min(ys), max(ys)))
    return sorted(lines)


def vertical_range(glyphs, ascent, staff_lines):
    """Top and bottom shared by the pictures of one group, so that their staves line up."""
    top, bottom = staff_lines[0][0], staff_lines[-1][1]
    for glyph in glyphs:
        bounds = glyph.bounds()
        if bounds:
            top, bottom = min(top, ascent - bounds[3]), max(bottom, ascent - bounds[1])
    return top - PAD, bottom + PAD


def picture(glyph, ascent, staff_lines, y_range):
    bounds = glyph.bounds()
    x0, x1 = 0, max(glyph.advance, MIN_WIDTH)
    if bounds:
        x0, x1 = min(x0, bounds[0]), max(x1, bounds[2])
    x0, x1 = x0 - PAD, x1 + PAD
    width, height = x1 - x0, y_range[1] - y_range[0]
    lines = "".join('<rect x="%d" y="%d" width="%d" height="%d"/>' % (x0, top, width, bottom - top)
                    for top, bottom in staff_lines)
    path = '<path d="%s"/>' % _path(glyph, ascent) if bounds else ""
    return ('<svg viewBox="%d %d %d %d" width="%d" height="%d" aria-hidden="true">'
            '<g class="staff">%s</g>%s</svg>' % (x0, y_range[0], width, height, round(width * SCALE),
                                                 round(height * SCALE), lines, path))


# --- page ----------------------------------------------------------------------

def sounds(row):
    """What an embellishment plays, as note names; empty for other symbols."""
    if row.klass != "embellishment" or not row.data:
        return ""
    notes = []
    for letter in row.data:
        if letter in LETTER_NAMES:
            notes.append(LETTER_NAMES[letter])
        elif notes and not notes[-1].endswith(" (held)"):
            notes[-1] += " (held)"  # a duration code: the note sounds longer
    return " ".join(notes)


def glyph_of(row, fonts):
    glyph = fonts[row.section].glyph(row.code)
    if glyph is None:
        raise ValueError("%s: font QTN%d has no glyph for code %d" % (row.name, row.section, row.code))
    return glyph


def entry(row, glyph, ascent, staff_lines, y_range):
    caption = "<code>%s</code>" % html.escape(row.name)
    if sounds(row):
        caption += '<span class="sounds">%s</span>' % sounds(row)
    return "<figure>%s<figcaption>%s</figcaption></figure>" % (picture(glyph, ascent, staff_lines, y_range),
                                                               caption)


HEAD = """<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Skirlo notation reference</title>
<link rel="stylesheet" href="style.css">
</head>
<body>
<!-- Generated by tools/docgen/notation.py from the symbol table; do not edit. -->
<nav><a href="index.html">Skirlo user guide</a></nav>
<h1>Notation reference</h1>
<p>Every symbol of the default symbol map, by the name you write in a tune, with its picture from the
music fonts. Names are case-sensitive and separated by blanks, tabs or line ends. Each picture stands on
the staff where the program draws it, so notes and gracenotes show their pitch.
%(count)d symbols.</p>
"""


def page(rows, fonts_dir):
    fonts = {n: truetype.Font(os.path.join(fonts_dir, "QTN%d.ttf" % n)) for n in range(1, 9)}
    staff = fonts[STAFF_FONT].glyph(STAFF_CODE)
    ascent = fonts[STAFF_FONT].ascent
    if any(font.ascent != ascent for font in fonts.values()):
        raise ValueError("the music fonts differ in ascent; their pictures would not line up")
    staff_lines = _staff_lines(staff, ascent)
    groups = grouped(rows)
    out = [HEAD % {"count": len(rows)}, '<ul class="contents">']
    out += ['<li><a href="#%s">%s</a></li>' % (group[0], group[1]) for group, _ in groups]
    out.append("</ul>")
    for group, subgroups in groups:
        glyphs = {row.name: glyph_of(row, fonts) for _, members in subgroups for row in members}
        # All fonts share one em and ascent, which the common vertical range relies on.
        y_range = vertical_range(glyphs.values(), ascent, staff_lines)
        out.append('<h2 id="%s">%s</h2>' % (group[0], group[1]))
        if group[2]:
            out.append("<p>%s</p>" % group[2])
        for heading, members in subgroups:
            if heading:
                out.append("<h3>%s</h3>" % heading)
            out.append('<div class="symbols">')
            out += [entry(row, glyphs[row.name], ascent, staff_lines, y_range) for row in members]
            out.append("</div>")
    out.append("</body>\n</html>\n")
    return "\n".join(out)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    group = parser.add_mutually_exclusive_group(required=True)
    group.add_argument("--out", help="file to write the reference to")
    group.add_argument("--check", help="committed reference that must be up to date")
    parser.add_argument("--fonts", default=FONTS_DIR, help="folder of QTN1.ttf .. QTN8.ttf")
    args = parser.parse_args()
    text = page(symbols.ROWS, args.fonts).encode("utf-8")
    if args.out:
        with open(args.out, "wb") as f:
            f.write(text)
        return 0
    with open(args.check, "rb") as f:
        if f.read() == text:
            return 0
    print("out of date: %s (run tools/docgen/notation.py --out %s)" % (args.check, args.check))
    return 1


if __name__ == "__main__":
    sys.exit(main())
