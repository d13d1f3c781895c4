#!/usr/bin/env python3
"""Checks our MusicXML against a score editor that other pipers use: MuseScore 3
(Debian's musescore3) reads each example's MusicXML from `skirlo-cli musicxml`,
writes it as MIDI with the repeats played out, and that MIDI must strike the
notes `skirlo-cli events` plays, note for note, grace notes included (a tied
note is struck once, a rest not at all). Pitches are compared after one common
shift, since a score may write the chanter at another octave.

A tune that goes back to a sign is written as a repeat wherever that plays
the same (the score editor takes every D.S. to the first sign and replays a
singling after a jump), so every example must match, jumps included.

With --round-trip the editor's own MusicXML of each example (the example read
and written back by MuseScore) is imported with `skirlo-cli from-musicxml`, and
that tune must play the example's notes.

Exits 77 (skipped) when mscore3 or python3-mido is missing.

usage: check_with_score_editor.py SKIRLO_CLI EXAMPLES_DIR WORK_DIR [--round-trip]"""

import json
import os
import pathlib
import shutil
import subprocess
import sys

try:
    import mido
except ImportError:
    print("python3-mido is not installed")
    sys.exit(77)


def run(*command):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    done = subprocess.run(command, capture_output=True, text=True, env=env, timeout=300)
    if done.returncode != 0:
        raise RuntimeError(" ".join(map(str, command)) + " failed:\n" + done.stdout + done.stderr)
    return done.stdout


def struck_by_us(cli, tune):
    """The pitches the performance strikes, in order."""
    pitches = []
    previous = None
    for event in json.loads(run(cli, "events", tune)):
        if event["rest"]:
            previous = None
            continue
        if not (event["tieTarget"] and event["pitch"] == previous):
            pitches.append(event["pitch"])
        previous = event["pitch"]
    return pitches


def struck_in(midi_path):
    """The pitches a MIDI file strikes, by time, every track together."""
    starts = []
    for track in mido.MidiFile(midi_path).tracks:
        now = 0
        for message in track:
            now += message.time
            if message.type == "note_on" and message.velocity > 0 and message.channel != 9:
                starts.append((now, len(starts), message.note))
    return [note for _, _, note in sorted(starts)]


def compare(name, ours, theirs):
    if not theirs:
        return [f"{name}: the score editor's MIDI strikes no note"]
    shift = theirs[0] - ours[0]
    if shift % 12 != 0:
        return [f"{name}: first note {theirs[0]} against {ours[0]}, not an octave apart"]
    shifted = [note - shift for note in theirs]
    if shifted == ours:
        return []
    for index, (a, b) in enumerate(zip(ours, shifted)):
        if a != b:
            return [f"{name}: note {index} is {b} in the score editor, {a} in our performance "
                    f"({len(shifted)} notes against {len(ours)})"]
    return [f"{name}: {len(shifted)} notes in the score editor, {len(ours)} in our performance"]


def main(argv):
    if len(argv) < 4:
        print(__doc__)
        return 2
    cli, examples, work = argv[1], pathlib.Path(argv[2]), pathlib.Path(argv[3])
    round_trip = "--round-trip" in argv[4:]
    editor = shutil.which("mscore3") or shutil.which("musescore3")
    if editor is None:
        print("mscore3 is not installed")
        return 77
    work.mkdir(parents=True, exist_ok=True)
    problems = []
    checked = 0
    for tune in sorted(examples.glob("*.tnz")):
        ours = struck_by_us(cli, tune)
        xml = work / (tune.stem + ".musicxml")
        run(cli, "musicxml", tune, "-o", xml)
        midi = work / (tune.stem + ".mid")
        run(editor, "-o", midi, xml)
        problems += compare(tune.stem, ours, struck_in(midi))
        if round_trip:
            back = work / (tune.stem + ".back.musicxml")
            run(editor, "-o", back, xml)
            imported = work / (tune.stem + ".back.tnz")
            run(cli, "from-musicxml", back, "-o", imported)
            problems += compare(tune.stem + " (round trip)", ours, struck_by_us(cli, imported))
        checked += 1
    for problem in problems:
        print(problem)
    print(f"{checked} examples, {len(problems)} problems")
    return 1 if problems or checked == 0 else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
