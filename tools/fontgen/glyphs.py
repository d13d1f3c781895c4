"""Glyph drawing for the music fonts.

Every glyph is drawn in cell coordinates: x to the right from the cell's
left, y downward from the cell's top, in font units (UPM units per cell
height).  The program writes every glyph with its cell top at the bar's y,
so a glyph's place in the cell is its place on the staff.

Cell plan (units, y from the cell top; one staff space is 100):
    10 .. 140   time-line brackets
   150 .. 265   the three gracenote beams (gracenote stems end at 150)
   407          high A (on the ledger line above the staff)
   500 .. 914   the staff: line k has its top at 500 + 100 k, 14 thick
  1050 .. 1250  the three beam levels of tailed notes (stems end at 1250)
"""

import math

UPM = 1300
ASCENT = 1000
DESCENT = UPM - ASCENT

SPACE = 100
LINE = 14
STAFF_TOP = 500
STAFF_BOTTOM = STAFF_TOP + 4 * SPACE  # top of the bottom line

PITCH_INDEX = {"LG": 0, "LA": 1, "B": 2, "C": 3, "D": 4, "E": 5, "F": 6,
               "HG": 7, "HA": 8}
LETTER_PITCH = {"g": "LG", "a": "LA", "b": "B", "c": "C", "d": "D",
                "e": "E", "f": "F", "G": "HG", "A": "HA"}

# Beam levels 0, 1, 2 of tailed notes (top, bottom); level 0 is farthest
# from the heads, and tailed stems end at its bottom.
BEAM_LEVELS = [(1200, 1250), (1125, 1175), (1050, 1100)]
BEAM_STUB = 110
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
END_BAR = 30

HEAD_RX, HEAD_RY, HEAD_TILT = 62, 45, -20
STEM = 14
GRACE_RX, GRACE_RY = 36, 26
GRACE_STEM = 9
GRACE_STEP = 88
LEDGER_HALF = 95
MARGIN = 30


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


def smooth(points, steps=8):
    """Catmull-Rom curve through the points."""
    if len(points) < 3:
        return list(points)
    out = []
    padded = [points[0]] + list(points) + [points[-1]]
    for i in range(1, len(padded) - 2):
        p0, p1, p2, p3 = padded[i - 1], padded[i], padded[i + 1], padded[i + 2]
        for k in range(steps):
            t = k / steps
            out.append(tuple(0.5 * (2 * b + (-a + c) * t
                                    + (2 * a - 5 * b + 4 * c - d) * t * t
                                    + (-a + 3 * b - 3 * c + d) * t * t * t)
                             for a, b, c, d in zip(p0, p1, p2, p3)))
    out.append(points[-1])
    return out


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


def ring(shape, cx, cy, rx, ry, w, tilt=0.0):
    shape.add(ellipse(cx, cy, rx + w / 2, ry + w / 2, tilt))
    shape.add(ellipse(cx, cy, rx - w / 2, ry - w / 2, tilt), hole=True)


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


# --- a small stroke alphabet for digits and labels --------------------------
# Letters in a unit cell: y 0 at cap height, 1 on the baseline, x-height 0.45.

def _letter_strokes():
    L = {}
    L["0"] = (0.62, [], [(0.31, 0.5, 0.28, 0.48)])
    L["1"] = (0.5, [[(0.1, 0.22), (0.34, 0.0)], [(0.34, 0.0), (0.34, 1.0)]], [])
    L["2"] = (0.62, [arc(0.3, 0.28, 0.27, 0.26, 195, 400) + [(0.03, 1.0)],
                     [(0.03, 1.0), (0.6, 1.0)]], [])
    L["3"] = (0.62, [arc(0.29, 0.26, 0.24, 0.24, 200, 450),
                     arc(0.29, 0.75, 0.29, 0.25, 270, 520)], [])
    L["4"] = (0.66, [[(0.46, 1.0), (0.46, 0.0)], [(0.46, 0.0), (0.02, 0.68)],
                     [(0.02, 0.68), (0.64, 0.68)]], [])
    L["5"] = (0.62, [[(0.55, 0.0), (0.12, 0.0)], [(0.12, 0.0), (0.08, 0.45)],
                     [(0.08, 0.45)] + arc(0.3, 0.7, 0.28, 0.3, 230, 515)], [])
    L["6"] = (0.62, [arc(0.33, 0.55, 0.29, 0.55, 305, 180) + [(0.04, 0.72)]],
              [(0.31, 0.72, 0.27, 0.28)])
    L["7"] = (0.62, [[(0.02, 0.0), (0.6, 0.0)], [(0.6, 0.0), (0.2, 1.0)]], [])
    L["8"] = (0.62, [], [(0.31, 0.25, 0.21, 0.23), (0.31, 0.74, 0.27, 0.26)])
    L["9"] = (0.62, [[(0.58, 0.28)] + arc(0.29, 0.45, 0.29, 0.55, 0, 125)],
              [(0.31, 0.28, 0.27, 0.28)])
    L["i"] = (0.16, [[(0.06, 0.45), (0.06, 1.0)]], [], [(0.06, 0.25)])
    L["l"] = (0.16, [[(0.06, 0.0), (0.06, 1.0)]], [])
    L["n"] = (0.54, [[(0.05, 0.45), (0.05, 1.0)],
                     arc(0.25, 0.66, 0.2, 0.21, 180, 360) + [(0.45, 1.0)]], [])
    L["t"] = (0.38, [[(0.15, 0.15), (0.15, 0.88)] + arc(0.3, 0.88, 0.15, 0.12, 180, 60),
                     [(0.0, 0.45), (0.34, 0.45)]], [])
    L["r"] = (0.4, [[(0.05, 0.45), (0.05, 1.0)],
                    arc(0.27, 0.72, 0.22, 0.25, 180, 300)], [])
    L["o"] = (0.52, [], [(0.25, 0.725, 0.22, 0.27)])
    L["c"] = (0.5, [arc(0.25, 0.725, 0.22, 0.27, 320, 45)], [])
    L["e"] = (0.52, [[(0.04, 0.72), (0.47, 0.72)] + arc(0.25, 0.725, 0.22, 0.27, 0, -310)], [])
    L["a"] = (0.52, [[(0.44, 0.45), (0.44, 1.0)]], [(0.23, 0.74, 0.2, 0.25)])
    L["d"] = (0.52, [[(0.44, 0.0), (0.44, 1.0)]], [(0.23, 0.73, 0.2, 0.26)])
    L["b"] = (0.52, [[(0.05, 0.0), (0.05, 1.0)]], [(0.26, 0.73, 0.2, 0.26)])
    L["s"] = (0.46, [smooth([(0.4, 0.5), (0.24, 0.45), (0.06, 0.53), (0.1, 0.68),
                             (0.3, 0.74), (0.42, 0.84), (0.36, 0.97), (0.18, 1.0),
                             (0.02, 0.94)])], [])
    L["S"] = (0.58, [smooth([(0.52, 0.1), (0.3, 0.0), (0.08, 0.08), (0.08, 0.3),
                             (0.3, 0.47), (0.52, 0.64), (0.5, 0.9), (0.28, 1.0),
                             (0.03, 0.9)])], [])
    L["f"] = (0.36, [arc(0.3, 0.15, 0.15, 0.15, 330, 180) + [(0.15, 1.0)],
                     [(0.0, 0.45), (0.33, 0.45)]], [])
    L["F"] = (0.55, [[(0.05, 0.0), (0.05, 1.0)], [(0.05, 0.0), (0.5, 0.0)],
                     [(0.05, 0.48), (0.42, 0.48)]], [])
    L["E"] = (0.55, L["F"][1] + [[(0.05, 1.0), (0.5, 1.0)]], [])
    L["D"] = (0.62, [[(0.05, 0.0), (0.05, 1.0)], arc(0.05, 0.5, 0.52, 0.5, 270, 450)], [])
    L["C"] = (0.64, [arc(0.35, 0.5, 0.32, 0.5, 320, 40)], [])
    L["."] = (0.2, [], [], [(0.08, 0.93)])
    L[":"] = (0.2, [], [], [(0.08, 0.5), (0.08, 0.93)])
    L["/"] = (0.42, [[(0.02, 1.0), (0.38, 0.0)]], [])
    L[" "] = (0.3, [], [])
    return L


LETTERS = _letter_strokes()


def text(shape, string, x, top, size, weight):
    """Writes a string with the stroke alphabet; returns the x after it."""
    for ch in string:
        entry = LETTERS[ch]
        width, strokes, rings = entry[0], entry[1], entry[2]
        dots = entry[3] if len(entry) > 3 else []
        for points in strokes:
            shape.add(stroke([(x + px * size, top + py * size) for px, py in points],
                             weight))
        for cx, cy, rx, ry in rings:
            ring(shape, x + cx * size, top + cy * size, rx * size, ry * size, weight)
        for cx, cy in dots:
            r = weight * 0.75
            shape.add(ellipse(x + cx * size, top + cy * size, r, r, n=16))
        x += width * size + 0.14 * size
    return x


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
    shape = Shape()
    upper = smooth([(92, 812), (72, 836), (46, 826), (40, 790), (64, 758),
                    (106, 756), (138, 798), (132, 862), (86, 898), (34, 884),
                    (6, 822), (12, 740), (60, 668), (108, 598), (130, 518),
                    (122, 436), (98, 388)], 8)
    shape.add(stroke(upper, widths_along(upper, [(0, 10), (0.3, 22), (0.5, 34),
                                                 (0.7, 20), (0.9, 14), (1, 12)])))
    lower = smooth([(98, 388), (72, 420), (60, 520), (70, 650), (88, 800),
                    (102, 950), (96, 1010), (70, 1036), (42, 1024)], 8)
    shape.add(stroke(lower, widths_along(lower, [(0, 12), (0.5, 18), (1, 14)])))
    shape.add(ellipse(46, 1000, 24, 24, n=24))
    return shape.finish(right_bearing=40)


def timesig(top, bottom):
    shape = Shape()
    size, weight = 190, 36
    w_top = _text_width(top, size)
    w_bottom = _text_width(bottom, size)
    width = max(w_top, w_bottom)
    text(shape, top, MARGIN + (width - w_top) / 2 + weight / 2, STAFF_TOP + 12, size, weight)
    text(shape, bottom, MARGIN + (width - w_bottom) / 2 + weight / 2, STAFF_TOP + 212, size, weight)
    shape.advance = int(MARGIN * 2 + width + weight)
    return shape


def _text_width(string, size):
    return sum(LETTERS[c][0] * size for c in string) + 0.14 * size * (len(string) - 1)


def common(cut):
    shape = Shape()
    cy = STAFF_TOP + 2 * SPACE + LINE // 2
    shape.add(stroke(arc(110, cy, 80, 100, 320, 40), widths_along(
        arc(110, cy, 80, 100, 320, 40), [(0, 16), (0.5, 40), (1, 16)])))
    if cut:
        shape.add(rect(104, STAFF_TOP - 60, 118, STAFF_BOTTOM + 74))
    return shape.finish()


def label(string):
    shape = Shape()
    (h_top, _), _ = BRACKET["plain"]
    text(shape, string, BRACKET_STROKE + 20, h_top + 28, 84, 13)
    return shape


def bislabel():
    shape = Shape()
    (h_top, _), _ = BRACKET["bis"]
    text(shape, "bis", BRACKET_STROKE + 20, h_top + 18, 62, 12)
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
    shape = arcmark("whole")
    w = _text_width(count, 70)
    text(shape, count, 100 - w / 2, 270, 70, 12)
    return shape


def words(string):
    shape = Shape()
    text(shape, string, 20, 300, 70, 12)
    return shape


def coda():
    shape = Shape()
    ring(shape, 90, 330, 45, 45, 16)
    shape.add(rect(20, 322, 160, 338))
    shape.add(rect(82, 255, 98, 405))
    return shape


def segno():
    shape = Shape()
    points = smooth([(125, 280), (100, 265), (70, 275), (68, 305), (95, 325),
                     (120, 345), (118, 375), (88, 388), (60, 372)])
    shape.add(stroke(points, widths_along(points, [(0, 10), (0.5, 26), (1, 10)])))
    shape.add(stroke([(52, 395), (136, 258)], 9))
    shape.add(ellipse(60, 300, 11, 11, n=16))
    shape.add(ellipse(128, 355, 11, 11, n=16))
    return shape


def fermata():
    shape = Shape()
    points = arc(90, 370, 70, 60, 180, 360)
    shape.add(stroke(points, widths_along(points, [(0, 8), (0.5, 22), (1, 8)])))
    shape.add(ellipse(90, 355, 14, 14, n=16))
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
    text(shape, letter, 40, 955, 70, 12)
    return shape


def accidental(kind, pitch):
    shape = Shape()
    y = pitch_y(pitch)
    if kind == "sharp":
        shape.add(rect(32, y - 125, 44, y + 112))
        shape.add(rect(70, y - 112, 82, y + 125))
        for dy in (-36, 36):
            shape.add(_slanted_bar(14, 100, y + dy, 30, 22))
    else:
        shape.add(rect(30, y - 130, 42, y + 48))
        shape.add(rect(78, y - 48, 90, y + 130))
        for dy in (-28, 34):
            shape.add(_slanted_bar(30, 90, y + dy, 26, 16))
    return shape


def _slanted_bar(x0, x1, cy, thickness, rise):
    h = thickness / 2
    r = rise / 2
    return [(x0, cy + r - h), (x1, cy - r - h), (x1, cy - r + h), (x0, cy + r + h)]


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
    # Stems point down from the left of the head; eighths and shorter carry
    # curved flags, one more stem length for every further flag.
    shape = Shape()
    cy = pitch_y(pitch)
    cx, hw = _melody_head(value)
    _head(shape, cx, cy, value)
    if pitch == "HA":
        shape.add(rect(cx - LEDGER_HALF, 400, cx + LEDGER_HALF, 400 + LINE))
    if value > 1:
        flags = {8: 1, 16: 2, 32: 3}.get(value, 0)
        end = cy + 350 + 75 * max(flags - 1, 0)
        x0 = cx - hw
        shape.add(rect(x0, cy, x0 + STEM, end))
        for i in range(flags):
            shape.add(_melody_flag(x0, end - 75 * i))
    return shape


def _melody_flag(x0, y_end):
    outer = cubic((x0, y_end), (x0 + 20, y_end - 70), (x0 + 125, y_end - 100),
                  (x0 + 100, y_end - 215))
    inner = cubic((x0 + 100, y_end - 215), (x0 + 108, y_end - 135),
                  (x0 + 40, y_end - 118), (x0 + STEM, y_end - 88))
    return outer + inner[1:] + [(x0, y_end - 88)]


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


def grace(letters):
    # Small heads, stems up to the common line; a cluster is joined by three
    # beams, a single gracenote carries three flags.
    shape = Shape()
    hw = half_width(GRACE_RX, GRACE_RY, HEAD_TILT)
    stems = []
    for i, letter in enumerate(letters):
        pitch = LETTER_PITCH[letter]
        cx = 20 + hw + GRACE_STEP * i
        cy = pitch_y(pitch)
        shape.add(ellipse(cx, cy, GRACE_RX, GRACE_RY, HEAD_TILT, n=28))
        x1 = cx + hw
        shape.add(rect(x1 - GRACE_STEM, GRACE_STEM_TOP, x1, cy))
        stems.append(x1)
        if pitch == "HA":
            shape.add(rect(cx - 55, 400, cx + 55, 400 + LINE))
    if len(stems) == 1:
        for i in range(3):
            shape.add(_grace_flag(stems[0], GRACE_STEM_TOP + 45 * i))
    else:
        for top, bottom in GRACE_BEAMS:
            shape.add(rect(stems[0] - GRACE_STEM, top, stems[-1], bottom))
    return shape.finish(right_bearing=25)


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
    elif value == 4:
        shape.add(stroke([(62, 560), (112, 632), (70, 684), (118, 752)], 26))
        shape.add(stroke(smooth([(118, 752), (72, 742), (60, 792), (90, 832)]), 18))
    else:
        blobs = {8: 1, 16: 2, 32: 3}[value]
        top = 620 - 100 * (blobs - 2 if blobs > 2 else 0)
        bottom = 800 + 100 * (blobs - 1)
        shape.add(stroke([(130, top), (130 - (bottom - top) * 0.22, bottom)], 14))
        for i in range(blobs):
            y = top + 100 * i
            x = 130 - 100 * i * 0.22
            shape.add(ellipse(x - 70, y + 12, 22, 22, n=20))
            shape.add(stroke(smooth([(x - 80, y + 26), (x - 40, y + 36), (x, y)]), 12))
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
    "undermark": undermark, "accidental": accidental, "note": note,
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
