#!/usr/bin/env python3
"""Measures the engraving through `skirlo-cli tree --layout`, as another
program would: beams and flags, directions against the ink round them, and
the Modern style's spacing, short lines, ties and stems.

usage: check_layout.py SKIRLO_CLI EXAMPLES_DIR WORK_DIR"""

import json
import pathlib
import subprocess
import sys

CLI, EXAMPLES, WORK = sys.argv[1], pathlib.Path(sys.argv[2]), pathlib.Path(sys.argv[3])
TAILED, GRACENOTE, LABEL, SIGN, SIGN_REPEAT, TIES = (1, 2), 5, 9, 28, 29, 8
failures = []


def fail(message):
    failures.append(message)


def layout(path, style, zoom=100):
    run = subprocess.run([CLI, "tree", str(path), "--layout", "--zoom", str(zoom), "--engraving", style],
                         capture_output=True, text=True, encoding="latin-1")
    if run.returncode != 0:
        raise SystemExit(f"tree --layout {path} failed: {run.stderr}")
    return json.loads(run.stdout)


def staves(tree):
    for tune in tree["tunes"]:
        for part in tune["parts"]:
            yield from part["staves"]


def near(a, b, distance):
    """Whether two boxes come closer than `distance` on both axes."""
    return a[0] < b[2] + distance and b[0] < a[2] + distance and a[1] < b[3] + distance and b[1] < a[3] + distance


def check_flags(name, staff):
    # A flag never reaches past the stem of the tailed note beside it, and
    # none stands on a level where a beam already joins its note.
    for bar in staff["bars"]:
        notes = [s for s in bar["symbols"] if s["category"] in TAILED and "flagInk" in s]
        beams = [b for s in notes for b in s.get("beamInk", [])]
        for i, note in enumerate(notes):
            low = notes[i - 1]["stem"] if i > 0 else -10**9
            high = notes[i + 1]["stem"] + 1 if i + 1 < len(notes) else 10**9
            for f in note["flagInk"]:
                if f[0] < low or f[2] > high:
                    fail(f"{name}: a flag of {note['name']} at x {note['x']} reaches past its neighbour's stem")
                for b in beams:
                    joined = b[0] <= note["stem"] <= b[2]
                    if joined and f[1] < b[3] and b[1] < f[3]:
                        fail(f"{name}: a flag of {note['name']} at x {note['x']} lies on the beam joining it")


def check_directions(name, staff):
    space = staff["space"]
    lines = [staff["x"], staff["top"], staff["x"] + staff["width"], staff["top"] + 4 * space + staff["lineThickness"]]
    symbols = [s for bar in staff["bars"] for s in bar["symbols"]]
    count = 0
    for d in symbols:
        if d["category"] not in (SIGN, SIGN_REPEAT) or not d["ink"]:
            continue
        count += 1
        others = [box for s in symbols if s is not d for box in s["ink"]] + [lines]
        for box in d["ink"]:
            if any(near(box, o, space / 2) for o in others):
                fail(f"{name}: {d['name']} stands within half a staff space of other ink")
    return count


def check_labels(name, staff):
    # An ending's label ("1.", "si") is drawn first, then its bracket: the
    # two keep paper between them.
    space = staff["space"]
    symbols = [s for bar in staff["bars"] for s in bar["symbols"]]
    strokes = [box for s in symbols for box in s["ink"][1 if s["category"] == LABEL else 0:]
               if s["category"] == LABEL or box[3] - box[1] <= space / 3]
    for s in symbols:
        if s["category"] == LABEL and len(s["ink"]) > 1:
            glyph = s["ink"][0]
            if any(near(glyph, stroke, 1) for stroke in strokes if stroke[1] < glyph[1]):
                fail(f"{name}: the label {s['name']} touches its bracket")


def check_examples():
    # The examples, and a tune with Fine over a fermata and D.S. at the end
    # of a second ending's bracket.
    directions = 0
    extra = tune_file("directions.tnz", "2_4 segno I! gg LA_4 dbc C_4 ! gg E_2 fermat fine ! "
                      "'22 gg B_4 grp LA_4 _' !I dalsegno")
    for path in sorted(EXAMPLES.glob("*.tnz")) + [extra]:
        for style in ("classic", "modern"):
            for zoom in (100, 200):
                for staff in staves(layout(path, style, zoom)):
                    name = f"{path.name} {style} {zoom}%"
                    check_flags(name, staff)
                    check_labels(name, staff)
                    directions += check_directions(name, staff)
    if directions < 14:
        fail(f"only {directions} directions were measured in the examples")


def tune_file(name, *staff_lines):
    body = "\r\n".join("& sharpf sharpc " + line for line in staff_lines)
    path = WORK / name
    path.write_bytes(("Chantrel:1.0\r\n\r\n\"A Tune\",(T,C,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n\r\n"
                      + body + "\r\n").encode("latin-1"))
    return path


def check_modern_spacing():
    # Bars of a whole, two halves, four quarters and eight eighths, after an
    # opening bar that holds the clef and key.
    path = tune_file("durations.tnz", "4_4 I! LA_1 ! LA_1 ! B_2 C_2 ! LA_4 B_4 C_4 D_4 ! "
                     "LAr_8 Bl_8 Cr_8 Dl_8 Er_8 Fl_8 Er_8 Dl_8 ! LA_1 !I")
    bars = next(staves(layout(path, "modern")))["bars"]
    widths = [bars[i]["width"] for i in range(2, 6)]
    for got, wanted in zip([w / widths[0] for w in widths], (1.0, 1.4, 2.0, 2.4)):
        if abs(got - wanted) > 0.15 * wanted:
            fail(f"Modern bar widths {widths} are not as 1 : 1.4 : 2.0 : 2.4")
            break


def check_short_line():
    one_bar = "gg LAr_8 Bl_16 dbc Cr_8 LAl_16 !I"
    natural = next(staves(layout(tune_file("alone.tnz", "2_4 I! " + one_bar), "modern")))["width"]
    long_line = ("2_4 I! " + "gg LAr_8 Bl_16 dbc Cr_8 LAl_16 ! " * 6)[:-2] + "!t"
    for style, limit in (("modern", 1.5), ("classic", None)):
        lines = list(staves(layout(tune_file("short.tnz", long_line, one_bar), style)))
        ratio = lines[1]["width"] / natural
        if limit is not None and ratio > limit:
            fail(f"{style}: a one-bar line is {ratio:.2f} times its natural width")
        if limit is None and lines[1]["width"] != lines[0]["width"]:
            fail("classic: a short line is no longer stretched to the full width")


def check_tie():
    # A dotted eighth tied to a sixteenth: about three staff spaces apart.
    path = tune_file("tie.tnz", "2_4 I! Br_8 'b ^t Bl_16 C_4 !I")
    staff = next(staves(layout(path, "modern")))
    symbols = [s for bar in staff["bars"] for s in bar["symbols"]]
    tie = next(s for s in symbols if s["category"] == TIES)
    notes = [s for s in symbols if s["category"] in TAILED]
    span = (notes[1]["centre"] - notes[0]["centre"]) / staff["space"]
    box = tie["ink"][0]
    height = (box[3] - box[1]) / staff["space"]
    if not 2.5 <= span <= 4.0:
        fail(f"the tie test's notes stand {span:.2f} staff spaces apart, not about 3")
    if height > 0.8:
        fail(f"a Modern tie over {span:.2f} staff spaces is {height:.2f} high")


def stem_of(note, space):
    # The tallest narrow box a note draws: its stem, from the head's centre.
    stems = [b for b in note["ink"] if b[2] - b[0] <= 0.3 * space]
    return max(stems, key=lambda b: b[3] - b[1]) if stems else None


def check_modern_stems():
    # Two beam groups, one down to low A and one no lower than E, then a
    # lone eighth and a half note: Modern gives each group its own beam line
    # 3.5 staff spaces below its lowest head and the lone notes stems of
    # that length, the eighth's flag at the end; Classic keeps one line.
    path = tune_file("stems.tnz", "2_4 I! LAr_8 Bl_8 ! Er_8 Fl_8 ! E_8 LAr_8 Bl_8 ! LA_2 !I")
    for style in ("classic", "modern"):
        for zoom in (100, 200):
            staff = next(staves(layout(path, style, zoom)))
            space = staff["space"]
            notes = [s for bar in staff["bars"] for s in bar["symbols"] if s["category"] in TAILED + (0,)]
            if len(notes) != 8:
                fail(f"{style} {zoom}%: the stem test reads {len(notes)} notes, not 8")
                continue
            beams = [notes[i]["beamInk"][0] for i in (1, 3) if "beamInk" in notes[i]]
            if len(beams) != 2:
                fail(f"{style} {zoom}%: the stem test's groups are not beamed")
                continue
            rise = (beams[0][1] - beams[1][1]) / space
            wanted = 2.0 if style == "modern" else 0.0
            if abs(rise - wanted) > 0.25:
                fail(f"{style} {zoom}%: the beam of E-F stands {rise:.2f} staff spaces above that of A-B, not {wanted}")
            for i in (0, 1, 2, 3):
                beamed = notes[i].get("beamInk", []) + notes[i].get("flagInk", [])
                end = max(b[3] for b in notes[i]["ink"] if b not in beamed)
                if abs(end - (beams[i // 2][3] - 1)) > 1:
                    fail(f"{style} {zoom}%: the stem of {notes[i]['name']} does not end at its beam")
            if style == "classic":
                continue
            for note in (notes[4], notes[7]):
                stem = stem_of(note, space)
                length = (stem[3] - stem[1]) / space if stem else 0
                if not 3.0 <= length <= 4.0:
                    fail(f"modern {zoom}%: the stem of {note['name']} is {length:.2f} staff spaces")
            lone = notes[4]
            stem = stem_of(lone, space)
            flags = [b for b in lone["ink"] if b is not stem and b[1] > stem[1] + space / 2] if stem else []
            if not flags or abs(max(f[3] for f in flags) - stem[3]) > 1 or flags[0][3] - flags[0][1] < space:
                fail(f"modern {zoom}%: a lone eighth's flag does not hang full at its stem's end")


def check_sturdy_gracenotes():
    # Modern gracenotes: every beam about 0.3 staff spaces thick, every stem
    # at least a tenth of a space wide, every head about 0.75 wide, in
    # clusters and in runs of singles.
    path = tune_file("sturdy.tnz", "2_4 I! gg LA_4 dbc C_4 ! grp B_4 dg eg fg gg LA_4 !I")
    for zoom in (100, 200):
        staff = next(staves(layout(path, "modern", zoom)))
        space = staff["space"]
        boxes = [b for bar in staff["bars"] for s in bar["symbols"] if s["category"] in (4, GRACENOTE, 6, 27)
                 for b in s["ink"]]
        beams = [b for b in boxes if b[2] - b[0] > 2 * (b[3] - b[1]) and b[3] < staff["top"]]
        stems = [b for b in boxes if b[3] - b[1] > 2 * (b[2] - b[0]) and b[2] - b[0] <= 0.3 * space]
        if len(beams) < 9 or len(stems) < 10:
            fail(f"modern {zoom}%: only {len(beams)} gracenote beams and {len(stems)} stems measured")
        for b in beams:
            if not 0.25 <= (b[3] - b[1]) / space <= 0.4:
                fail(f"modern {zoom}%: a gracenote beam is {(b[3] - b[1]) / space:.2f} staff spaces thick")
        for b in stems:
            if (b[2] - b[0]) / space < 0.1:
                fail(f"modern {zoom}%: a gracenote stem is {(b[2] - b[0]) / space:.2f} staff spaces wide")
        heads = [b for b in boxes if b[1] > staff["top"] - space and b[3] - b[1] < space and b[2] - b[0] < 1.5 * space]
        if len(heads) < 10 or any(not 0.7 <= (b[2] - b[0]) / space <= 0.9 for b in heads):
            fail(f"modern {zoom}%: gracenote heads {sorted((b[2] - b[0]) / space for b in heads)} staff spaces wide")


def check_single_gracenote_flags():
    # A lone Modern gracenote's three flags are hooks that read apart: each
    # reaching 0.7 staff spaces out from its stem and a space down it, each
    # starting at least 0.55 spaces below the one before.
    path = tune_file("flags.tnz", "2_4 I! gg LA_4 dg B_4 !I")
    for zoom in (100, 200):
        staff = next(staves(layout(path, "modern", zoom)))
        space = staff["space"]
        for grace in (s for bar in staff["bars"] for s in bar["symbols"] if s["name"] in ("gg", "dg")):
            stem = max(grace["ink"], key=lambda b: b[3] - b[1])
            flags = sorted((b for b in grace["ink"] if b is not stem and b[0] >= stem[0]), key=lambda b: b[1])
            shape = [((b[2] - b[0]) / space, (b[3] - b[1]) / space) for b in flags]
            gaps = [(b[1] - a[1]) / space for a, b in zip(flags, flags[1:])]
            if len(flags) != 3 or any(out < 0.7 or down < 1.0 for out, down in shape) or min(gaps) < 0.55:
                fail(f"modern {zoom}%: {grace['name']}'s flags {shape} are {gaps} staff spaces apart")


def check_gracenote_runs():
    # Single gracenotes written one after another are one beamed group: the
    # first of a run draws beams reaching the last one's stem; a lone
    # gracenote keeps its flags, one glyph.
    path = tune_file("runs.tnz", "2_4 I! gg eg LA_4 dg eg fg gg LA_4 ! gg B_4 tg eg C_4 !I")
    for style in ("classic", "modern"):
        for zoom in (100, 200):
            symbols = [s for st in staves(layout(path, style, zoom)) for bar in st["bars"] for s in bar["symbols"]]
            runs, run = [], []
            for s in symbols + [{"category": -1}]:
                if s["category"] == GRACENOTE:
                    run.append(s)
                    continue
                if run:
                    runs.append(run)
                run = []
            if [len(r) for r in runs] != [2, 4, 1, 2]:
                fail(f"{style} {zoom}%: gracenote runs of {[len(r) for r in runs]}")
                continue
            for r in runs:
                if len(r) == 1:
                    # Modern draws it from its outline, made sturdy.
                    if style == "classic" and len(r[0]["ink"]) != 1:
                        fail(f"{style} {zoom}%: a lone gracenote is not drawn as its own glyph")
                    continue
                beams = [b for b in r[0]["ink"] if b[2] >= r[-1]["x"] + r[-1]["advance"] // 4 and b[0] < r[1]["x"]]
                if len(beams) < 3:
                    fail(f"{style} {zoom}%: a run of {len(r)} gracenotes is not joined by its beams")


def check_gracenotes_hug_their_notes():
    # Modern sets a gracenote group close before its note: its ink ends
    # between a fifth of a staff space and one space before the note's, in
    # every example at both zooms.
    for path in sorted(EXAMPLES.glob("*.tnz")):
        for zoom in (100, 200):
            for staff in staves(layout(path, "modern", zoom)):
                space = staff["space"]
                for bar in staff["bars"]:
                    for grace, note in zip(bar["symbols"], bar["symbols"][1:]):
                        if grace["category"] not in (4, GRACENOTE, 6, 27) or note["category"] not in (0, 1, 2):
                            continue
                        # Heads, stems and flags; not the thin lines of beams
                        # and of a bracket passing over them.
                        solid = [[b for b in s["ink"] if b[3] - b[1] >= space / 2] for s in (grace, note)]
                        if not solid[0] or not solid[1]:
                            continue
                        gap = (min(b[0] for b in solid[1]) - max(b[2] for b in solid[0])) / space
                        if not 0.2 <= gap <= 1.0:
                            fail(f"{path.name} modern {zoom}%: {grace['name']} ends {gap:.2f} staff spaces "
                                 f"before {note['name']}")


def check_gracenotes_take_the_room_before():
    # A gracenote group stands in the room its time gives the note before: a
    # single gracenote after a half note leaves the bar as wide as without it,
    # a crunluath widens it by less than its own width, and the note keeps at
    # least half a staff space clear of the group.
    def bar_of(music):
        staff = next(staves(layout(tune_file("room.tnz", "4_4 I! " + music + " !I"), "modern")))
        return staff["space"], staff["bars"][-1]
    space, plain = bar_of("LA_2 B_4 C_4")
    for group, fits in (("gg", True), ("crun", False)):
        _, bar = bar_of(f"LA_2 {group} B_4 C_4")
        symbols = {s["name"]: s for s in bar["symbols"]}
        grown = (bar["width"] - plain["width"]) / space
        own = symbols[group]["advance"] / space
        if (fits and grown != 0) or (not fits and not 0 < grown < own):
            fail(f"modern: {group} after a half note widens its bar by {grown:.2f} staff spaces "
                 f"(its own width {own:.2f})")
        clear = (min(b[0] for b in symbols[group]["ink"]) - max(b[2] for b in symbols["LA_2"]["ink"])) / space
        if clear < 0.5:
            fail(f"modern: {group} stands {clear:.2f} staff spaces after its note")


def check_texts_keep_clear():
    # On a short line the centred tune type keeps clear of a long title and of
    # the composer, and a part's name stands over the sign raised above its
    # gracenote rather than across it.
    path = WORK / "texts.tnz"
    records = [("The Longest Title of the Whole Book", "T,L", "16,700"), ("March", "Y,C", "14,400"),
               ("Traditional", "M,R", "14,400")]
    heading = "".join(f'"{text}",({where},0,0,Times New Roman,{size},0,0,18,0,0,0)\r\n\r\n'
                      for text, where, size in records)
    music = '& sharpf sharpc 2_4 I! segno "A part",(I,L,0,0,Times New Roman,11,700,1,0,0,0,0,0) gg LA_4 B_4 !I\r\n'
    path.write_bytes(("Chantrel:1.0\r\n\r\n" + heading + music).encode("latin-1"))
    for style in ("classic", "modern"):
        for zoom in (100, 200):
            tree = layout(path, style, zoom)
            texts = {t["text"]: t["box"][0] for t in tree["tunes"][0]["texts"]}
            line = sorted((texts[text] for text, _, _ in records), key=lambda box: box[0])
            for a, b in zip(line, line[1:]):
                if a[2] >= b[0]:
                    fail(f"{style} {zoom}%: heading texts {a} and {b} run into each other")
            segno = next(s for staff in staves(tree) for bar in staff["bars"] for s in bar["symbols"]
                         if s["name"] == "segno")
            if any(near(texts["A part"], ink, 0) for ink in segno["ink"]):
                fail(f"{style} {zoom}%: the in-line text {texts['A part']} crosses the segno {segno['ink']}")


def check_reported_sizes():
    # `image` says the size of the file it wrote, margin and all.
    example = EXAMPLES / "two-tunes.tnz"
    for name in ("size.png", "size.bmp"):
        out = WORK / name
        run = subprocess.run([CLI, "image", str(example), "-o", str(out)], capture_output=True, text=True)
        data = out.read_bytes()
        if name.endswith(".png"):
            size = (int.from_bytes(data[16:20], "big"), int.from_bytes(data[20:24], "big"))
        else:
            size = (int.from_bytes(data[18:22], "little"), abs(int.from_bytes(data[22:26], "little", signed=True)))
        if run.stdout.strip() != f"{out}: {size[0]} x {size[1]}":
            fail(f"image reported '{run.stdout.strip()}' for a {size[0]} x {size[1]} {name}")


WORK.mkdir(parents=True, exist_ok=True)
check_examples()
check_modern_spacing()
check_short_line()
check_tie()
check_modern_stems()
check_sturdy_gracenotes()
check_single_gracenote_flags()
check_gracenote_runs()
check_gracenotes_hug_their_notes()
check_gracenotes_take_the_room_before()
check_texts_keep_clear()
check_reported_sizes()
for f in failures[:40]:
    print(f)
print(f"{len(failures)} failure(s)")
sys.exit(1 if failures else 0)
