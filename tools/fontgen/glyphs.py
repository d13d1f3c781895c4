"""Glyph drawing for the music fonts.

Every glyph is drawn in cell coordinates: x to the right from the cell's
left, y downward from the cell's top, in font units (UPM units per cell
height).  The program writes every glyph with its cell top at the bar's y,
so a glyph's place in the cell is its place on the staff.

Cell plan (units, y from the cell top; one staff space is 100):
    10 .. 140   time-line brackets
   150 .. 265   the three gracenote beams (gracenote stems end at 150)
   406          high A (on the ledger line above the staff)
   500 .. 912   the staff: line k has its top at 500 + 100 k, 12 thick
  1050 .. 1250  the three beam levels of tailed notes (stems end at 1250)
"""

import math

import borrowed

UPM = 1300
ASCENT = 1000
DESCENT = UPM - ASCENT

SPACE = 100
LINE = 12  # a tenth of a space and a little more: thin, yet a whole pixel at 100 %
STAFF_TOP = 500
STAFF_BOTTOM = STAFF_TOP + 4 * SPACE  # top of the bottom line

PITCH_INDEX = {"LG": 0, "LA": 1, "B": 2, "C": 3, "D": 4, "E": 5, "F": 6,
               "HG": 7, "HA": 8}
LETTER_PITCH = {"g": "LG", "a": "LA", "b": "B", "c": "C", "d": "D",
                "e": "E", "f": "F", "G": "HG", "A": "HA"}

# Beam levels 0, 1, 2 of tailed notes (top, bottom); level 0 is farthest
# from the heads, and tailed stems end at its bottom.
BEAM_LEVELS = [(1200, 1250), (1125, 1175), (1050, 1100)]
# A beamlet (the partial beam of a dotted pair) is as long as a head is wide.
BEAM_STUB = 90
FLAG_HEIGHT = 165
TAILED_STEM_END = BEAM_LEVELS[0][1]

# Gracenote beams (top, bottom) from the common line above the staff.
GRACE_BEAMS = [(150, 175), (195, 220), (240, 265)]
GRACE_STEM_TOP = GRACE_BEAMS[0][0]

# Time-line brackets: horizontal stroke (top, bottom) and vertical stroke
# (top, bottom), for ordinary time lines and for the 'bis line.
BRACKET = {"plain": ((10, 25), (10, 140)), "bis": ((60, 75), (60, 140))}
BRACKET_STROKE = 15

THIN_BAR = 16
THICK_BAR = 50
END_BAR = THIN_BAR  # a line simply ends: only a part's end is heavy

HEAD_RX, HEAD_RY, HEAD_TILT = 65, 48, -20  # a head fills the space between two lines
STEM = 14
GRACE_RX, GRACE_RY = 36, 26
GRACE_STEM = 9
GRACE_STEP = 110  # a head and a third apart, so that clusters read note by note
GRACE_AFTER = 50  # room between a cluster and the note it leads to
LEDGER_HALF = 95
MARGIN = 30

# Lettering, em sizes in units: time signatures two spaces per figure,
# ending labels and tuplet numbers legible at 100 % (about 10 px), directions
# in italic above the gracenotes' beams.
TIMESIG_SIZE = 300
LABEL_SIZE = 150
LABEL_BASELINE = 133  # ascenders clear the bracket's stroke, the slash stays inside it
TUPLET_SIZE = 140
DIRECTION_SIZE = 140
DIRECTION_BASELINE = 138
ACCIDENTAL_HEIGHT = 280


def pitch_y(pitch):
    """Centre of a head of this pitch: on a line or in a space."""
    return STAFF_BOTTOM + LINE // 2 - (PITCH_INDEX[pitch] + 2) * SPACE // 2


def on_line(pitch):
    return PITCH_INDEX[pitch] % 2 == 0


class Shape:
    """Closed polygons of one glyph plus its advance width."""

    def __init__(self):
        self.contours = []  # (points, is_hole)
        self.advance = None

    def add(self, points, hole=False):
        self.contours.append((list(points), hole))

    def right(self):
        xs = [x for points, _ in self.contours for x, _ in points]
        return max(xs) if xs else 0

    def finish(self, right_bearing=MARGIN):
        if self.advance is None:
            self.advance = int(round(self.right())) + right_bearing
        return self


# --- geometry -------------------------------------------------------------

def rect(x0, y0, x1, y1):
    return [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]


def ellipse(cx, cy, rx, ry, tilt=0.0, n=40):
    c, s = math.cos(math.radians(tilt)), math.sin(math.radians(tilt))
    points = []
    for i in range(n):
        a = 2 * math.pi * i / n
        x, y = rx * math.cos(a), ry * math.sin(a)
        points.append((cx + x * c - y * s, cy + x * s + y * c))
    return points


def half_width(rx, ry, tilt):
    t = math.radians(tilt)
    return math.hypot(rx * math.cos(t), ry * math.sin(t))


def arc(cx, cy, rx, ry, a0, a1, n=None):
    """Points of an elliptic arc; angles in degrees, 90 is straight down."""
    n = n or max(6, int(abs(a1 - a0) / 8))
    return [(cx + rx * math.cos(math.radians(a0 + (a1 - a0) * i / n)),
             cy + ry * math.sin(math.radians(a0 + (a1 - a0) * i / n)))
            for i in range(n + 1)]


def cubic(p0, p1, p2, p3, n=16):
    points = []
    for i in range(n + 1):
        t = i / n
        u = 1 - t
        points.append(tuple(u * u * u * a + 3 * u * u * t * b + 3 * u * t * t * c
                            + t * t * t * d for a, b, c, d in zip(p0, p1, p2, p3)))
    return points


def stroke(points, width, round_caps=True):
    """Outline of a pen of the given width (a number or one per point)."""
    points = [p for i, p in enumerate(points)
              if i == 0 or math.dist(p, points[i - 1]) > 1e-6]
    widths = width if isinstance(width, list) else [width] * len(points)
    if len(points) < 2:
        x, y = points[0]
        return ellipse(x, y, widths[0] / 2, widths[0] / 2, n=20)
    left, right = [], []
    for i, (x, y) in enumerate(points):
        a = points[max(i - 1, 0)]
        b = points[min(i + 1, len(points) - 1)]
        tx, ty = b[0] - a[0], b[1] - a[1]
        length = math.hypot(tx, ty) or 1.0
        nx, ny = -ty / length, tx / length
        h = widths[i] / 2
        left.append((x + nx * h, y + ny * h))
        right.append((x - nx * h, y - ny * h))
    outline = list(left)
    if round_caps:
        outline += _cap(points[-1], points[-2], widths[-1] / 2)
    outline += list(reversed(right))
    if round_caps:
        outline += _cap(points[0], points[1], widths[0] / 2)
    return outline


def _cap(end, before, h):
    # Half circle around `end`, from the left side to the right side.
    direction = math.atan2(end[1] - before[1], end[0] - before[0])
    return [(end[0] + h * math.cos(direction + math.pi / 2 - math.pi * k / 8),
             end[1] + h * math.sin(direction + math.pi / 2 - math.pi * k / 8))
            for k in range(1, 8)]


def widths_along(points, profile):
    """Per-point widths following a profile given at fractions of the path."""
    total = sum(math.dist(points[i], points[i - 1]) for i in range(1, len(points)))
    out, run = [], 0.0
    for i, p in enumerate(points):
        if i:
            run += math.dist(p, points[i - 1])
        f = run / total if total else 0.0
        for (f0, w0), (f1, w1) in zip(profile, profile[1:]):
            if f0 <= f <= f1:
                out.append(w0 + (w1 - w0) * (f - f0) / ((f1 - f0) or 1))
                break
        else:
            out.append(profile[-1][1])
    return out


# --- shapes borrowed from the OFL fonts (borrowed.py) ----------------------

def _bounds(contours):
    xs = [x for c in contours for x, _ in c]
    ys = [y for c in contours for _, y in c]
    return min(xs), min(ys), max(xs), max(ys)


def _add_borrowed(shape, contours, transform):
    # The source fonts wind outer contours clockwise (y up) and holes the
    # other way; the hole flag keeps that through fontgen's reorientation.
    for contour in contours:
        area = sum(x0 * y1 - x1 * y0 for (x0, y0), (x1, y1)
                   in zip(contour, contour[1:] + contour[:1]))
        shape.add([transform(x, y) for x, y in contour], hole=area > 0)


def symbol(shape, key, left, height, top=None, centre=None):
    """A Euterpe symbol scaled to `height`, its box at `left` and `top` (or centred on `centre`)."""
    _, contours = borrowed.SYMBOLS[key]
    x0, y0, x1, y1 = _bounds(contours)
    scale = height / (y1 - y0)
    top = centre - height / 2 if top is None else top
    _add_borrowed(shape, contours, lambda x, y: (left + (x - x0) * scale, top + (y1 - y) * scale))
    return left + (x1 - x0) * scale


def serif(shape, string, style, left, baseline, size):
    """Writes a string in a Liberation Serif style at em size `size`; returns the x after it."""
    table = getattr(borrowed, "SERIF_" + style.upper())
    scale = size / 2048
    x = left
    for ch in string:
        if ch != " ":
            _add_borrowed(shape, table[ch][1], lambda px, py, x=x: (x + px * scale, baseline - py * scale))
        x += (table[ch][0] if ch != " " else 512) * scale
    return x


def serif_width(string, style, size):
    table = getattr(borrowed, "SERIF_" + style.upper())
    return sum((table[ch][0] if ch != " " else 512) for ch in string) * size / 2048


# --- glyphs --------------------------------------------------------------------

def draw(spec):
    kind, args = spec[0], spec[1:]
    return DRAWERS[kind](*args).finish()


def blank():
    shape = Shape()
    shape.advance = 40
    return shape


def reference_rect(x0, y0, x1, y1, advance=None):
    shape = Shape()
    shape.add(rect(x0, y0, x1, y1))
    shape.advance = advance
    return shape


def barline(kind):
    # Every bar line spans the staff from the top of the top line to the top
    # of the bottom line, so that its black box gives the line spacing.
    shape = Shape()
    top, bottom = STAFF_TOP, STAFF_BOTTOM
    gap = THICK_BAR // 2
    if kind == "thin":
        shape.add(rect(0, top, THIN_BAR, bottom))
    elif kind == "end":
        shape.add(rect(0, top, END_BAR, bottom))
    elif kind == "double":
        # The second line lies left of the cell start, as the program draws it.
        shape.add(rect(0, top, THIN_BAR, bottom))
        shape.add(rect(-THIN_BAR - THIN_BAR // 2, top, -THIN_BAR // 2, bottom))
    elif kind in ("start", "startrepeat"):
        shape.add(rect(0, top, THICK_BAR, bottom))
        x = THICK_BAR + gap
        shape.add(rect(x, top, x + THIN_BAR, bottom))
        if kind == "startrepeat":
            _repeat_dots(shape, x + THIN_BAR + 45)
    elif kind in ("stop", "stoprepeat"):
        x = 0
        if kind == "stoprepeat":
            _repeat_dots(shape, 25)
            x = 25 + 20 + 45
        shape.add(rect(x, top, x + THIN_BAR, bottom))
        x += THIN_BAR + gap
        shape.add(rect(x, top, x + THICK_BAR, bottom))
        shape.advance = x + THICK_BAR  # the thick line ends the cell
        return shape
    shape.finish(right_bearing=30)
    return shape


def _repeat_dots(shape, cx):
    for pitch in ("C", "LA"):
        y = pitch_y(pitch)
        shape.add(ellipse(cx, y, 20, 20, n=20))


def clef():
    # The curl winds round the G line; the clef spans seven staff spaces.
    shape = Shape()
    symbol(shape, "gclef", MARGIN, 740, top=STAFF_TOP - 105)
    return shape.finish(right_bearing=40)


def timesig(top, bottom):
    # Two bold figures, each as tall as two staff spaces.
    shape = Shape()
    size = TIMESIG_SIZE
    width = max(serif_width(top, "Bold", size), serif_width(bottom, "Bold", size))
    for string, baseline in ((top, STAFF_TOP + 2 * SPACE + LINE // 2), (bottom, STAFF_BOTTOM + LINE // 2)):
        serif(shape, string, "Bold", MARGIN + (width - serif_width(string, "Bold", size)) / 2, baseline, size)
    shape.advance = int(round(MARGIN * 2 + width))
    return shape


def common(cut):
    shape = Shape()
    centre = STAFF_TOP + 2 * SPACE + LINE // 2
    symbol(shape, "cut" if cut else "common", MARGIN, 290 if cut else 2 * SPACE + 10,
           centre=centre - (0 if not cut else 4))
    return shape.finish()


def label(string):
    # Ending numbers and labels in bold, legible at the smallest zoom used
    # for reading; they hang inside the bracket, clear of the gracenotes.
    shape = Shape()
    serif(shape, string, "Bold", BRACKET_STROKE + 22, LABEL_BASELINE, LABEL_SIZE)
    return shape


def bislabel():
    shape = Shape()
    (_, h_bottom), _ = BRACKET["bis"]
    serif(shape, "bis", "Bold", BRACKET_STROKE + 22, h_bottom + 62, 120)
    return shape


def lineend(bis):
    (h_top, _), (v_top, v_bottom) = BRACKET["bis" if bis else "plain"]
    shape = Shape()
    shape.add(rect(0, v_top, BRACKET_STROKE, v_bottom))
    return shape.finish(right_bearing=10)


def arcmark(part):
    shape = Shape()
    spans = {"start": (180, 270), "end": (270, 360), "whole": (180, 360)}
    a0, a1 = spans[part]
    points = arc(100, 400, 80, 50, a0, a1)
    shape.add(stroke(points, widths_along(points, [(0, 8), (0.5, 16), (1, 8)])))
    return shape


def tuplet(count):
    # Only the number: drawing sets it over the curve it belongs to.
    shape = Shape()
    serif(shape, count, "BoldItalic", MARGIN, 400, TUPLET_SIZE)
    return shape


def words(string):
    # Directions end where their cell starts, at the bar line or note they
    # follow, so that they stand inside their bar and add nothing to the
    # staff's overhang; they sit above the gracenotes' beams.
    shape = Shape()
    serif(shape, string, "Italic", -serif_width(string, "Italic", DIRECTION_SIZE) - 10,
          DIRECTION_BASELINE, DIRECTION_SIZE)
    shape.advance = 0
    return shape


def coda():
    shape = Shape()
    symbol(shape, "coda", -130, 105, top=33)
    shape.advance = 0
    return shape


def segno():
    shape = Shape()
    symbol(shape, "segno", 10, 150, top=200)
    return shape


def fermata():
    shape = Shape()
    symbol(shape, "fermata", 20, 115, top=270)
    return shape


def accent():
    shape = Shape()
    shape.add(stroke([(30, 330), (110, 355)], 14))
    shape.add(stroke([(110, 355), (30, 380)], 14))
    return shape


def tenuto():
    shape = Shape()
    shape.add(rect(30, 965, 130, 980))
    return shape


def undermark(letter):
    shape = Shape()
    serif(shape, letter, "Italic", 40, 1030, 110)
    return shape


def overletter(letter, inverted):
    # A movement mark over the note: T (taorluath) or C (crunluath), turned
    # upside down for the a mach forms as the old collections print them.
    # Drawn with the pen: the letters sit between the gracenote stems.
    shape = Shape()
    top, bottom, cx = 300, 420, 80
    if letter == "T":
        shape.add(rect(cx - 50, top, cx + 50, top + 18))
        shape.add(rect(cx - 9, top, cx + 9, bottom))
    else:
        shape.add(stroke(arc(cx, (top + bottom) / 2, 48, (bottom - top) / 2, -50, -310), 17))
    if inverted:
        cy = (top + bottom) / 2
        shape.contours = [([(2 * cx - x, 2 * cy - y) for x, y in points], hole)
                          for points, hole in shape.contours]
    return shape


def trebling():
    # Three short strokes stacked over the note.
    shape = Shape()
    for k in range(3):
        y = 300 + 40 * k
        shape.add(rect(30, y, 130, y + 15))
    return shape


def accidental(kind, pitch):
    shape = Shape()
    symbol(shape, kind, 14, ACCIDENTAL_HEIGHT, centre=pitch_y(pitch))
    return shape


def _head(shape, cx, cy, value):
    if value >= 4:
        shape.add(ellipse(cx, cy, HEAD_RX, HEAD_RY, HEAD_TILT))
    elif value == 2:
        shape.add(ellipse(cx, cy, HEAD_RX, HEAD_RY, HEAD_TILT))
        shape.add(ellipse(cx, cy, 44, 22, -32), hole=True)
    else:
        shape.add(ellipse(cx, cy, 70, 46))
        shape.add(ellipse(cx, cy, 30, 32, 55), hole=True)


def _melody_head(value):
    """Centre x of the head and its half width, stem at the cell's margin."""
    if value == 1:
        return MARGIN + 70, 70
    hw = half_width(HEAD_RX, HEAD_RY, HEAD_TILT)
    return MARGIN + hw, hw


def note(pitch, value):
    # Stems point down from the left of the head and, as in all pipe music,
    # end on the common beam line below the staff; eighths and shorter carry
    # their flags there, one for each beam level the value would take.
    shape = Shape()
    cy = pitch_y(pitch)
    cx, hw = _melody_head(value)
    _head(shape, cx, cy, value)
    if pitch == "HA":
        shape.add(rect(cx - LEDGER_HALF, 400, cx + LEDGER_HALF, 400 + LINE))
    if value > 1:
        x0 = cx - hw
        shape.add(rect(x0, cy, x0 + STEM, TAILED_STEM_END))
        for level in range({8: 1, 16: 2, 32: 3}.get(value, 0)):
            shape.add(_melody_flag(x0, BEAM_LEVELS[level][1]))
    return shape


def _melody_flag(x0, y_end):
    # A flag of a down stem: it leaves the stem at its end and swings up
    # and out to the right.
    outer = cubic((x0, y_end), (x0 + 20, y_end - 60), (x0 + 120, y_end - 80),
                  (x0 + 96, y_end - FLAG_HEIGHT))
    inner = cubic((x0 + 96, y_end - FLAG_HEIGHT), (x0 + 102, y_end - 110),
                  (x0 + 40, y_end - 100), (x0 + STEM, y_end - 72))
    return outer + inner[1:] + [(x0, y_end - 72)]


def tailed(pitch):
    # The stem ends at the bottom of beam level 0; the program draws flags,
    # beams and the high-A ledger line itself.
    shape = Shape()
    cy = pitch_y(pitch)
    cx, hw = _melody_head(4)
    _head(shape, cx, cy, 4)
    x0 = cx - hw
    shape.add(rect(x0, cy, x0 + STEM, TAILED_STEM_END))
    return shape


def dot(pitch, count):
    shape = Shape()
    y = pitch_y(pitch) - (0 if not on_line(pitch) else SPACE // 2)
    for i in range(count):
        shape.add(ellipse(25 + 23 + 60 * i, y, 23, 23, n=24))
    return shape.finish(right_bearing=20)


def grace(letters, held=None):
    # Small heads, stems up to the common line; a cluster is joined by three
    # beams, a single gracenote carries three flags.  A held gracenote (the
    # E of a piobaireachd cadence) has a larger head and only the first
    # beam, as an eighth among thirty-seconds, so that it reads as longer.
    shape = Shape()
    hw = half_width(GRACE_RX, GRACE_RY, HEAD_TILT)
    held_rx, held_ry = GRACE_RX * 5 // 4, GRACE_RY * 5 // 4
    grow = half_width(held_rx, held_ry, HEAD_TILT) - hw
    stems = []
    for i, letter in enumerate(letters):
        pitch = LETTER_PITCH[letter]
        big = i == held
        shift = 0 if held is None or i < held else (grow if big else 2 * grow)
        cx = 20 + hw + GRACE_STEP * i + shift
        cy = pitch_y(pitch)
        rx, ry = (held_rx, held_ry) if big else (GRACE_RX, GRACE_RY)
        shape.add(ellipse(cx, cy, rx, ry, HEAD_TILT, n=28))
        x1 = cx + hw + (grow if big else 0)
        shape.add(rect(x1 - GRACE_STEM, GRACE_STEM_TOP, x1, cy))
        stems.append(x1)
        if pitch == "HA":
            shape.add(rect(cx - 55, 400, cx + 55, 400 + LINE))
    flags = 1 if held is not None else 3
    if len(stems) == 1:
        for i in range(flags):
            shape.add(_grace_flag(stems[0], GRACE_STEM_TOP + 45 * i))
    else:
        for level, (top, bottom) in enumerate(GRACE_BEAMS):
            if held is None or level == 0:
                shape.add(rect(stems[0] - GRACE_STEM, top, stems[-1], bottom))
            else:
                _inner_beams(shape, stems, held, top, bottom)
    return shape.finish(right_bearing=GRACE_AFTER)


def _inner_beams(shape, stems, held, top, bottom):
    # The second and third beams join every pair of short neighbours; a
    # short gracenote beside the held one keeps a stub toward it.
    stub = GRACE_STEP // 2
    for i in range(len(stems)):
        if i == held:
            continue
        if i + 1 < len(stems) and i + 1 != held:
            shape.add(rect(stems[i] - GRACE_STEM, top, stems[i + 1], bottom))
        lonely = (i == 0 or i - 1 == held) and (i + 1 == len(stems) or i + 1 == held)
        if lonely:
            if i + 1 < len(stems):
                shape.add(rect(stems[i] - GRACE_STEM, top, stems[i] + stub, bottom))
            else:
                shape.add(rect(stems[i] - stub, top, stems[i], bottom))


def _grace_flag(x1, y_top):
    outer = cubic((x1 - GRACE_STEM, y_top), (x1 + 10, y_top + 30),
                  (x1 + 62, y_top + 40), (x1 + 52, y_top + 100))
    inner = cubic((x1 + 52, y_top + 100), (x1 + 50, y_top + 62),
                  (x1 + 12, y_top + 55), (x1, y_top + 42))
    return outer + inner[1:]


def rest(value):
    shape = Shape()
    if value == 1:
        shape.add(rect(40, STAFF_TOP + SPACE + LINE, 150, STAFF_TOP + SPACE + LINE + 50))
    elif value == 2:
        shape.add(rect(40, STAFF_TOP + 2 * SPACE - 50, 150, STAFF_TOP + 2 * SPACE))
    else:
        # Quarter rest across the middle three spaces; the hooked rests hang
        # from the third space, one hook higher for each further beam.
        height, top = {4: (300, STAFF_TOP + 55), 8: (190, STAFF_TOP + 120),
                       16: (290, STAFF_TOP + 120), 32: (390, STAFF_TOP + 20)}[value]
        symbol(shape, "rest%d" % value, 40, height, top=top)
    return shape


def staff():
    shape = Shape()
    for k in range(5):
        shape.add(rect(0, STAFF_TOP + SPACE * k, 1000, STAFF_TOP + SPACE * k + LINE))
    shape.advance = 1000
    return shape


DRAWERS = {
    "blank": blank, "barline": barline, "clef": clef, "timesig": timesig,
    "common": common, "label": label, "bislabel": bislabel, "lineend": lineend,
    "arcmark": arcmark, "tuplet": tuplet, "text": words, "coda": coda,
    "segno": segno, "fermata": fermata, "accent": accent, "tenuto": tenuto,
    "undermark": undermark, "overletter": overletter,
    "trebling": trebling, "accidental": accidental, "note": note,
    "tailed": tailed, "dot": dot, "grace": grace, "rest": rest,
}


def reference_glyphs(section):
    """The glyphs that layout and rendering read by code, per font."""
    if section == 1:
        (ph, pv), (bh, bv) = BRACKET["plain"], BRACKET["bis"]
        return {
            34: reference_rect(0, STAFF_TOP, THICK_BAR, STAFF_BOTTOM, THICK_BAR + 30),
            71: reference_rect(0, pv[0], BRACKET_STROKE, pv[1], BRACKET_STROKE),
            72: reference_rect(0, ph[0], 100, ph[1], 100),
            53: reference_rect(0, bv[0], BRACKET_STROKE, bv[1], BRACKET_STROKE),
            54: reference_rect(0, bh[0], 100, bh[1], 100),
        }
    if section == 3:
        glyphs = {
            57: reference_rect(0, STAFF_TOP, 100, STAFF_TOP + LINE, 100),
            77: reference_rect(0, 400, 2 * LEDGER_HALF, 400 + LINE, 2 * LEDGER_HALF),
            87: staff(),
        }
        for level, (top, bottom) in enumerate(BEAM_LEVELS):
            glyphs[88 + level] = reference_rect(0, top, BEAM_STUB, bottom, BEAM_STUB)
        return glyphs
    return {}
