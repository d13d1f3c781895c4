"""The single source of every symbol: its map row and how its glyph is drawn.

Each row is a Symbol(name, section, code, category, pitch, tail, value,
klass, data, draw). `section` is the font QTN1..QTN8 and the FontMap section,
`code` the character code in that font. `draw` names a drawing routine of
glyphs.py and its arguments, e.g. ("note", "LG", 4) or ("grace", "Ggd").

The gracenote sequences below are written as the chanter plays them, one
letter per gracenote: g a b c d e f G A for low G .. high A.  An embellishment
glyph is drawn from exactly these letters, so what is seen is what is heard.
"""

from collections import namedtuple

Symbol = namedtuple(
    "Symbol", "name section code category pitch tail value klass data draw")

PITCHES = ["LG", "LA", "B", "C", "D", "E", "F", "HG", "HA"]
LOWER = {"LG": "lg", "LA": "la", "B": "b", "C": "c", "D": "d",
         "E": "e", "F": "f", "HG": "hg", "HA": "ha"}
LETTER = {"LG": "g", "LA": "a", "B": "b", "C": "c", "D": "d",
          "E": "e", "F": "f", "HG": "G", "HA": "A"}
VALUES = [1, 2, 4, 8, 16, 32]
TAILED_VALUES = [8, 16, 32]

# Character codes that layout and rendering use by number.  No other symbol
# may take them.
RESERVED = {
    1: {33, 34, 35, 53, 54, 71, 72},
    3: {57, 77, 87, 88, 89, 90},
}

# ---------------------------------------------------------------------------
# Gracenote sequences of the embellishments.

SINGLE_GRACENOTES = {  # name: pitch letter
    "ag": "a", "bg": "b", "cg": "c", "dg": "d",
    "eg": "e", "fg": "f", "gg": "G", "tg": "A",
}

# Strike on every pitch: one gracenote of that pitch.
STRIKES = {"str" + LOWER[p]: LETTER[p] for p in PITCHES}

# Doublings: the opening gracenote (high G, thumb high A, or none for the
# half doubling), the note itself, then the gracenote above it.
DOUBLINGS = {
    "dblg": "Ggd", "dbla": "Gad", "dbb": "Gbd", "dbc": "Gcd", "dbd": "Gde",
    "dbe": "Gef", "dbf": "GfG", "dbhg": "Gf", "dbha": "AG",
    "tdblg": "Agd", "tdbla": "Aad", "tdbb": "Abd", "tdbc": "Acd",
    "tdbd": "Ade", "tdbe": "Aef", "tdbf": "AfG",
    "hdblg": "gd", "hdbla": "ad", "hdbb": "bd", "hdbc": "cd",
    "hdbd": "de", "hdbe": "ef", "hdbf": "fG",
}

# Gracenote strikes: opening gracenote, the note, a strike below it.  On D
# the heavy form strikes to low G, the light form (leading l) to C.
GRACENOTE_STRIKES = {
    "gstla": "Gag", "gstb": "Gbg", "gstc": "Gcg", "gstd": "Gdg",
    "gste": "Gea", "gstf": "Gfe", "lgstd": "Gdc",
    "tstla": "Aag", "tstb": "Abg", "tstc": "Acg", "tstd": "Adg",
    "tste": "Aea", "tstf": "Afe", "tsthg": "AGf", "ltstd": "Adc",
    "hstla": "ag", "hstb": "bg", "hstc": "cg", "hstd": "dg",
    "hste": "ea", "hstf": "fe", "hsthg": "Gf", "lhstd": "dc",
}

# Peles: opening gracenote, the note, the gracenote above, the note, a strike
# below.  Light D forms strike to C.
PELES = {
    "pella": "Gaeag", "pelb": "Gbebg", "pelc": "Gcecg", "peld": "Gdedg",
    "pele": "Gefea", "pelf": "GfGfe", "lpeld": "Gdedc",
    "tpella": "Aaeag", "tpelb": "Abebg", "tpelc": "Acecg", "tpeld": "Adedg",
    "tpele": "Aefea", "tpelf": "AfGfe", "tpelhg": "AGAGf", "ltpeld": "Adedc",
    "hpella": "aeag", "hpelb": "bebg", "hpelc": "cecg", "hpeld": "dedg",
    "hpele": "efea", "hpelf": "fGfe", "hpelhg": "GAGf", "lhpeld": "dedc",
}

BIRLS = {"brl": "gag", "abr": "agag", "gbr": "Gagag", "tbr": "Aagag"}

THROWS = {"thrd": "gdc", "hvthrd": "gdgc"}

# Grips: low G, D (or B), low G.  The high-G, thumb and half forms play the
# note first; the db forms take the B gracenote on D.
_GRIP_NOTES = {"la": "a", "b": "b", "c": "c", "d": "d", "db": "d",
               "e": "e", "f": "f", "hg": "G", "ha": "A"}


def _grip(prefix, note):
    middle = "b" if note == "db" else "d"
    return prefix + _GRIP_NOTES[note] + "g" + middle + "g"


GRIPS = {"grp": "gdg", "grpb": "gbg"}
GRIPS.update({"ggrp" + n: _grip("G", n)
              for n in ["la", "b", "c", "d", "db", "e", "f"]})
GRIPS.update({"tgrp" + n: _grip("A", n)
              for n in ["la", "b", "c", "d", "db", "e", "f", "hg"]})
GRIPS.update({"hgrp" + n: _grip("", n)
              for n in ["la", "b", "c", "d", "db", "e", "f", "hg", "ha"]})

TAORLUATHS = {"tar": "gdge", "tarb": "gbge"}

BUBBLYS = {"bubly": "gdgcg", "hbubly": "dgcg"}

# Cadences of the slow music: high G (or thumb) gracenote run down to the
# note.
CADENCES = {"cadge": "Ge", "cadged": "Ged", "cadgf": "Gf", "cadae": "Ae"}

# The movements of ceol mor, each one gracenote group.  A mach forms play the
# melody note inside the movement; the fosgailte forms are the open endings
# on B, C and D; the "from" forms leave out the gracenote the note before
# already gives (from D a B gracenote, from low G no opening low G).
CEOL_MOR = {
    "crun": "gdgeafa", "crunb": "gbgeafa", "crunlg": "dgegfa",
    "crunamb": "gdgbebfb", "crunamc": "gdgcecfc", "crunamd": "gdgcdedfd",
    "crunfosgb": "ebfb", "crunfosgc": "ecfc", "crunfosgd": "edfd",
    "taramb": "gdgbe", "taramc": "gdgce", "taramd": "gdgcde", "tarlg": "dge",
    "dre": "eafa", "dare": "feGe", "bari": "egfg",
}

# Cadences with the held E: the capital E in the name is the held note.  It
# sounds with gracenote category "4" and is drawn as the longer note of the
# group; the other gracenotes keep the plain duration.
HELD_CADENCE_CODE = "4"
HELD_CADENCES = {  # name: (letters, index of the held E)
    "cadE": ("e", 0), "cadEd": ("ed", 0), "cadgE": ("Ge", 1),
    "cadgEd": ("Ged", 1), "cadgEf": ("Gef", 1),
}

# ---------------------------------------------------------------------------
# Rows.

_rows = []


def _add(name, section, code, category, pitch="LG", tail="N", value=0,
         klass="no_sound", data="", draw=("blank",)):
    _rows.append(Symbol(name, section, code, category, pitch, tail, value,
                        klass, data, draw))


class _Codes:
    """Hands out the free character codes of one font in ascending order."""

    def __init__(self, section, first=33):
        self.section = section
        self.next = first

    def take(self):
        top = 171 if self.section == 1 else 127
        while self.next in RESERVED.get(self.section, set()):
            self.next += 1
        if self.next > top:
            raise ValueError("font QTN%d is full" % self.section)
        code = self.next
        self.next += 1
        return code


def _qtn1():
    codes = _Codes(1, first=36)
    # Bar lines.  `!` is the reference glyph 33 itself; 34 (thick) and 35
    # (terminating) are reference widths, and `!t` is drawn with 35's width.
    _add("!", 1, 33, "CAT_BAR", draw=("barline", "thin"))
    _add("!t", 1, 35, "CAT_BAR", draw=("barline", "end"))
    _add("!!", 1, codes.take(), "CAT_BAR", draw=("barline", "double"))
    _add("I!", 1, codes.take(), "CAT_START_SECTION", draw=("barline", "start"))
    _add("I!''", 1, codes.take(), "CAT_START_SECTION",
         draw=("barline", "startrepeat"))
    _add("!I", 1, codes.take(), "CAT_END_SECTION", draw=("barline", "stop"))
    _add("''!I", 1, codes.take(), "CAT_END_SECTION",
         draw=("barline", "stoprepeat"))
    _add("&", 1, codes.take(), "CAT_G_CLEF", draw=("clef",))
    # An explicit beat separator, written where a tab cannot be.
    _add("_sep", 1, codes.take(), "CAT_BEAT_SEPARATOR", draw=("blank",))

    for name, top, bottom in [
            ("2_2", "2", "2"), ("3_2", "3", "2"), ("2_4", "2", "4"),
            ("3_4", "3", "4"), ("4_4", "4", "4"), ("5_4", "5", "4"),
            ("6_4", "6", "4"), ("7_4", "7", "4"), ("6_8", "6", "8"),
            ("9_8", "9", "8"), ("12_8", "12", "8"), ("15_8", "15", "8"),
            ("21_8", "21", "8")]:
        _add(name, 1, codes.take(), "CAT_TIME_SIGNATURE",
             draw=("timesig", top, bottom))
    _add("C", 1, codes.take(), "CAT_TIME_SIGNATURE", draw=("common", False))
    _add("C_", 1, codes.take(), "CAT_TIME_SIGNATURE", draw=("common", True))

    for name, label in [
            ("'1", "1."), ("'2", "2."), ("'22", "2/2"), ("'23", "2/3"),
            ("'24", "2/4"), ("'25", "2/5"), ("'26", "2/6"), ("'27", "2/7"),
            ("'28", "2/8"), ("'224", "2/24"), ("'intro", "intro"),
            ("'si", "si"), ("'do", "do")]:
        _add(name, 1, codes.take(), "CAT_START_TIMELINE",
             draw=("label", label))
    _add("'bis", 1, codes.take(), "CAT_START_TIMELINE", draw=("bislabel",))
    _add("_'", 1, codes.take(), "CAT_END_TIMELINE", draw=("lineend", False))
    _add("bis_'", 1, codes.take(), "CAT_END_TIMELINE_BIS",
         draw=("lineend", True))

    _add("^ts", 1, codes.take(), "CAT_TIES_START", draw=("arcmark", "start"))
    _add("^te", 1, codes.take(), "CAT_TIES_END", draw=("arcmark", "end"))
    _add("^t", 1, codes.take(), "CAT_TIES", draw=("arcmark", "whole"))
    _add("^3s", 1, codes.take(), "CAT_RUNS_OF_3_START",
         draw=("arcmark", "start"))
    _add("^3e", 1, codes.take(), "CAT_RUNS_OF_3_END", klass="run_of_3",
         draw=("tuplet", "3"))
    _add("^3", 1, codes.take(), "CAT_RUNS_OF_3", klass="run_of_3",
         draw=("tuplet", "3"))
    for count, klass in [("2", "duplet"), ("4", "quadruplet"),
                         ("5", "quintuplet"), ("6", "sextuplet"),
                         ("7", "septuplet"), ("46", "quadsex"),
                         ("54", "quinquad"), ("76", "septsex")]:
        _add("^%ss" % count, 1, codes.take(), "CAT_RUNS_OF_3_START",
             draw=("arcmark", "start"))
        _add("^%se" % count, 1, codes.take(), "CAT_RUNS_OF_3_END",
             klass=klass, draw=("tuplet", count if len(count) == 1
                                else count[0] + ":" + count[1]))

    _add("fine", 1, codes.take(), "CAT_SIGN_REPEAT", draw=("text", "Fine"))
    _add("coda", 1, codes.take(), "CAT_SIGN_REPEAT", draw=("coda",))
    _add("dalsegno", 1, codes.take(), "CAT_SIGN_REPEAT",
         draw=("text", "D.S."))
    _add("dacapoalfine", 1, codes.take(), "CAT_SIGN_REPEAT",
         draw=("text", "D.C. al Fine"))
    _add("dacapoalcoda", 1, codes.take(), "CAT_SIGN_REPEAT",
         draw=("text", "D.C. al Coda"))
    _add("codasection", 1, codes.take(), "CAT_SIGN_REPEAT",
         draw=("text", "Coda"))
    _add("segno", 1, codes.take(), "CAT_SIGN", draw=("segno",))

    # Accidentals take the codes above 127, so that those codes are in use.
    codes.next = 128
    for kind, mark in [("natural", "^"), ("sharp", "#")]:
        for p in PITCHES:
            _add(kind + LOWER[p], 1, codes.take(), "CAT_NOTE_CHANGE", pitch=p,
                 klass="no_sound", data=mark + LETTER[p],
                 draw=("accidental", kind, p))


def _qtn2():
    codes = _Codes(2)
    for p in PITCHES:
        for v in VALUES:
            _add("%s_%d" % (p, v), 2, codes.take(), "CAT_MELODY_NO_TAIL",
                 pitch=p, tail="N", value=v, klass="melody",
                 data="%s%d" % (LETTER[p], v), draw=("note", p, v))
    for p in PITCHES:
        _add("'" + LOWER[p], 2, codes.take(), "CAT_DOTS", pitch=p,
             klass="dot", draw=("dot", p, 1))
    for p in PITCHES:
        _add("''" + LOWER[p], 2, codes.take(), "CAT_DOTS", pitch=p,
             klass="doubledot", draw=("dot", p, 2))


def _qtn3():
    codes = _Codes(3)
    for side, category, tail in [("l", "CAT_MELODY_LEFT_TAIL", "L"),
                                 ("r", "CAT_MELODY_RIGHT_TAIL", "R")]:
        for p in PITCHES:
            for v in TAILED_VALUES:
                _add("%s%s_%d" % (p, side, v), 3, codes.take(), category,
                     pitch=p, tail=tail, value=v, klass="melody",
                     data="%s%d" % (LETTER[p], v), draw=("tailed", p))


def _embellishments(section, table, category="CAT_EMBELISHMENTS"):
    codes = _Codes(section, first=_next_code(section))
    for name, letters in table.items():
        _add(name, section, codes.take(), category, klass="embellishment",
             data=letters, draw=("grace", letters))


def _next_code(section):
    used = [r.code for r in _rows if r.section == section]
    return max(used) + 1 if used else 33


def _qtn7():
    codes = _Codes(7, first=_next_code(7))
    _add("fermat", 7, codes.take(), "CAT_FERMATA", klass="fermata",
         draw=("fermata",))
    _add("accent", 7, codes.take(), "CAT_PIOB_OVERNEXT", draw=("accent",))
    _add("tenuto", 7, codes.take(), "CAT_PIOB_UNDERNEXT", draw=("tenuto",))
    # The camach mark plays the next note as an E after a high G gracenote.
    _add("camach", 7, codes.take(), "CAT_PIOB_UNDERNEXT_CAMACH",
         klass="embellishment", data="G", draw=("undermark", "E"))
    # An E sounded after the previous note, its time taken from that note.
    _add("eafter", 7, codes.take(), "CAT_PIOB_UNDERPREV",
         klass="embellishment", data="e", draw=("undermark", "e"))


def _held_cadences():
    codes = _Codes(7, first=_next_code(7))
    for name, (letters, held) in HELD_CADENCES.items():
        data = letters[:held + 1] + HELD_CADENCE_CODE + letters[held + 1:]
        _add(name, 7, codes.take(), "CAT_CADENCE", klass="embellishment",
             data=data, draw=("grace", letters, held))


def _movement_marks():
    # Marks over the note that name its movement; they are read, not played.
    codes = _Codes(7, first=_next_code(7))
    for name, letter, inverted in [("txtaor", "T", False), ("txcrun", "C", False),
                                   ("txtaoram", "T", True), ("txcrunam", "C", True)]:
        _add(name, 7, codes.take(), "CAT_PIOB_OVERNEXT",
             draw=("overletter", letter, inverted))
    _add("trebling", 7, codes.take(), "CAT_PIOB_OVERNEXT", draw=("trebling",))


def _qtn8():
    codes = _Codes(8)
    for v in VALUES:
        _add("REST_%d" % v, 8, codes.take(), "CAT_REST", pitch="LG",
             tail="N", value=v, klass="melody", data="g%d" % v,
             draw=("rest", v))


def _build():
    _qtn1()
    _qtn2()
    _qtn3()
    _embellishments(4, SINGLE_GRACENOTES, "CAT_GRACENOTES")
    _embellishments(4, STRIKES, "CAT_STRIKES")
    _embellishments(4, DOUBLINGS)
    _embellishments(5, GRIPS)
    _embellishments(5, TAORLUATHS)
    _embellishments(5, BUBBLYS)
    _embellishments(5, BIRLS)
    _embellishments(5, THROWS)
    _embellishments(6, GRACENOTE_STRIKES)
    _embellishments(6, PELES)
    _embellishments(7, CADENCES, "CAT_CADENCE")
    _qtn7()
    _embellishments(5, CEOL_MOR)
    _held_cadences()
    _movement_marks()
    _qtn8()
    return list(_rows)


ROWS = _build()
