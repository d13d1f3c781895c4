#!/usr/bin/env python3
"""Reads the MusicXML that `skirlo-cli musicxml` writes for every example tune
with Python's own XML library, plays it through as a score reader would
(repeats, first and second endings, signs and jumps), and checks it against
`skirlo-cli events`: the same notes in the same order, grace notes included,
the same pitches, and the same total time.

The score writes note values, not milliseconds: a gracenote takes no written
time, and the performance shortens the notes around it by whatever it does
not add. So the score's total (its written values at the tempo each note was
performed at) can fall short of the performance's by at most the time of the
gracenotes, plus a millisecond a note for the performance's whole-millisecond
durations.

ABC files in the further folders are imported with `skirlo-cli from-abc`
first, and their tune files checked the same way.

usage: check_musicxml.py SKIRLO_CLI EXAMPLES_DIR WORK_DIR [MORE_DIR...]"""

import json
import pathlib
import subprocess
import sys
import xml.etree.ElementTree as ET

STEPS = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}


class Measure:
    def __init__(self, element):
        self.notes = []  # (grace, rest, midi, divisions, tie_stop)
        self.sounds = []  # sound attributes in order, with the note count before them
        self.forward = self.backward = False
        self.ending = None
        self.ending_stop = False
        for child in element:
            if child.tag == "attributes" and child.find("divisions") is not None:
                self.divisions = int(child.findtext("divisions"))
            elif child.tag == "barline":
                repeat = child.find("repeat")
                if repeat is not None:
                    if repeat.get("direction") == "forward":
                        self.forward = True
                    else:
                        self.backward = True
                ending = child.find("ending")
                if ending is not None:
                    if ending.get("type") == "start":
                        self.ending = [int(n) for n in ending.get("number").split(",")]
                    else:
                        self.ending_stop = True
            elif child.tag in ("direction", "sound"):
                sound = child if child.tag == "sound" else child.find("sound")
                if sound is not None:
                    self.sounds.append(dict(sound.attrib))
            elif child.tag == "note":
                self.notes.append(note_of(child))


def note_of(note):
    grace = note.find("grace") is not None
    rest = note.find("rest") is not None
    midi = None
    if not rest:
        pitch = note.find("pitch")
        midi = (int(pitch.findtext("octave")) + 1) * 12 + STEPS[pitch.findtext("step")] + int(
            pitch.findtext("alter") or 0)
    duration = 0 if grace else int(note.findtext("duration"))
    tie_stop = any(t.get("type") == "stop" for t in note.findall("tie"))
    return grace, rest, midi, duration, tie_stop


def marks(measures, attribute):
    return {s[attribute]: i for i, m in enumerate(measures) for s in m.sounds if attribute in s}


def ending_groups(measures):
    """Each ending's group: the measure where the group's first ending starts."""
    groups, first = {}, None
    for i, m in enumerate(measures):
        if m.ending is not None:
            if first is None or 1 in m.ending:
                first = i
            groups[i] = first
    return groups


def unrolled(measures):
    """The measures in playing order."""
    segnos, codas = marks(measures, "segno"), marks(measures, "coda")
    groups = ending_groups(measures)
    visits, taken = {}, set()
    order, i, repeat_start, jumped_from = [], 0, 0, None
    backward_done = set()
    while i < len(measures):
        m = measures[i]
        if m.forward and i not in backward_done:
            repeat_start = i
        if m.ending is not None:
            group = groups[i]
            if i == group:
                visits[group] = visits.get(group, 0) + 1
            if visits.get(group, 1) not in m.ending:
                while i < len(measures) and not measures[i].ending_stop:
                    i += 1
                i += 1
                continue
        order.append(m)
        after = i + 1
        for sound in m.sounds:
            if jumped_from is not None and i == jumped_from:
                jumped_from = None  # the jump is done: play on past it
            elif jumped_from is not None and sound.get("fine") == "yes":
                after, jumped_from = jumped_from + 1, None
            elif jumped_from is not None and "tocoda" in sound:
                after = codas[sound["tocoda"]]
            elif jumped_from is None and (i not in taken) and ("dalsegno" in sound or sound.get("dacapo") == "yes"):
                taken.add(i)
                jumped_from = i
                after = segnos[sound["dalsegno"]] if "dalsegno" in sound else 0
        if after == i + 1 and m.backward and i not in backward_done and jumped_from is None:
            backward_done.add(i)
            after = repeat_start
        i = after
    return order


BEAT_OF_EXPONENT = {1: 0.5, 2: 0.25, 3: 0.375, 4: 0.1875}


def score_of(path):
    """The notes in playing order: (grace, rest, midi, quarters, quarters a minute where written)."""
    root = ET.parse(path).getroot()
    measures = [Measure(element) for element in root.iter("measure")]
    divisions, quarters_per_minute, notes = 1, 90.0, []
    for m in measures:
        divisions = getattr(m, "divisions", divisions)
        m.divisions = divisions
    for m in unrolled(measures):
        for sound in m.sounds:
            if "tempo" in sound:
                quarters_per_minute = float(sound["tempo"])
        for grace, rest, midi, duration, tie_stop in m.notes:
            notes.append((grace, rest, midi, duration / m.divisions, quarters_per_minute))
    return notes


def run(cli, *args):
    done = subprocess.run([cli, *args], capture_output=True)
    if done.returncode != 0:
        sys.exit(f"{' '.join(args)} failed: {done.stderr.decode(errors='replace')}")
    return done.stdout


def check(cli, tune, work):
    xml = work / (tune.stem + ".musicxml")
    run(cli, "musicxml", str(tune), "-o", str(xml))
    events = json.loads(run(cli, "events", str(tune)))
    notes = score_of(xml)
    problems = []
    if len(notes) != len(events):
        problems.append(f"{len(notes)} notes in the score, {len(events)} events")
    for index, (note, event) in enumerate(zip(notes, events)):
        grace, rest, midi = note[:3]
        if rest != event["rest"] or (not rest and midi != event["pitch"]):
            problems.append(f"note {index}: score {'rest' if rest else midi}, event {event['name']} {event['pitch']}")
            break
    # Each note's written length at the tempo the performance played it: the
    # tempo a repeat or a dal segno pass changes is not the score's to say.
    score_ms = other_tempo = grace_ms = 0
    for (grace, rest, midi, quarters, written_tempo), event in zip(notes, events):
        quarters_per_minute = event["tempo"] * BEAT_OF_EXPONENT.get(event["exponent"], 0.25) * 4
        score_ms += quarters * 60000.0 / quarters_per_minute
        other_tempo += not grace and abs(written_tempo - quarters_per_minute) > 0.01
        grace_ms += event["duration"] if grace else 0
    performed = sum(e["duration"] for e in events)
    if not (performed - grace_ms - len(events) <= score_ms <= performed + len(events)):
        problems.append(f"score {score_ms:.0f} ms against {performed} ms performed (gracenotes {grace_ms} ms)")
    print(f"{tune.name}: {len(notes)} notes ({sum(n[0] for n in notes)} grace), score {score_ms:.0f} ms, "
          f"performance {performed} ms of which gracenotes {grace_ms} ms; "
          f"{other_tempo} notes where the score's tempo differs from the performance's")
    return problems


def tunes_of(folder, cli, work):
    tunes = sorted(folder.glob("*.tnz"))
    for abc in sorted(folder.glob("*.abc")):
        imported = work / (abc.stem + ".tnz")
        run(cli, "from-abc", str(abc), "-o", str(imported))
        run(cli, "check", str(imported))
        tunes.append(imported)
    return tunes


def main():
    cli, examples, work = sys.argv[1], pathlib.Path(sys.argv[2]), pathlib.Path(sys.argv[3])
    work.mkdir(parents=True, exist_ok=True)
    tunes = tunes_of(examples, cli, work)
    for more in sys.argv[4:]:
        tunes += tunes_of(pathlib.Path(more), cli, work)
    failures = 0
    for tune in tunes:
        for problem in check(cli, tune, work):
            print(f"  {tune.name}: {problem}")
            failures += 1
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
