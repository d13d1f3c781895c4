#!/usr/bin/python3
"""Reads back the MIDI file of every example tune with an independent reader.

usage: check_midi_files.py SKIRLO_CLI EXAMPLES_DIR WORK_DIR [--render]

For each tune: the file is format 1 with two tracks; the first note's tempo
and time signature are in the first track; it has as many struck notes as
the performance has events that start a sounding note; both tracks last the
drone introduction plus every duration. With --render, FluidSynth renders
each file and the sound must be audible. Exit 77 when a tool is missing.
"""

import array
import json
import os
import re
import shutil
import subprocess
import sys
import wave

SKIP = 77
SOUNDFONTS = ["/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
              "/usr/share/sounds/sf2/FluidR3_GM.sf2"]


def quarter_ratio(exponent):
    """Quarter notes per beat as (d, e): a time signature sets its beat and exponent together."""
    return {1: (2, 1), 3: (3, 2), 4: (3, 4)}.get(exponent, (1, 1))


def drone_introduction(tune_text):
    found = re.search(rb"InstrumentMappings,\(([^)]*)\)", tune_text)
    return int(found.group(1).split(b",")[4]) if found else 1000


def struck_notes(events):
    count, previous = 0, 0
    for event in events:
        held = event["tieTarget"] and event["pitch"] == previous
        if not held and not event["rest"]:
            count += 1
        previous = event["pitch"] & 0xFF
    return count


def check(mido, exporter, tune, work):
    failures = []
    name = os.path.basename(tune)
    out = os.path.join(work, name.replace(".tnz", ".mid"))
    events = json.loads(subprocess.run([exporter, "events", tune], check=True, capture_output=True).stdout)
    subprocess.run([exporter, "midi", tune, "-o", out], check=True)
    with open(tune, "rb") as f:
        intro = drone_introduction(f.read())
    midi = mido.MidiFile(out)
    first = events[0]
    d, e = quarter_ratio(first["exponent"])

    def expect(what, got, wanted):
        if got != wanted:
            failures.append(f"{name}: {what} is {got}, expected {wanted}")

    expect("format", midi.type, 1)
    expect("track count", len(midi.tracks), 2)
    track = midi.tracks[0]
    tempos = [m.tempo for m in track if m.type == "set_tempo"]
    signatures = [(m.numerator, m.denominator) for m in track if m.type == "time_signature"]
    expect("first tempo", tempos[:1], [min(e * 60000000 // (d * max(first["tempo"], 1)), 0xFFFFFF)])
    expect("first time signature", signatures[:1], [(first["numerator"], 2 ** first["exponent"])])
    expect("ticks per beat", midi.ticks_per_beat, e * 60000 // (d * max(first["tempo"], 1)))
    struck = sum(1 for m in track if m.type == "note_on" and m.velocity > 0)
    expect("struck notes", struck, struck_notes(events))
    total = intro + sum(event["duration"] for event in events)
    for number, each in enumerate(midi.tracks):
        expect(f"length of track {number + 1} in ticks", sum(m.time for m in each), total)
    return out, events, failures


def check_speaker(exporter, tune, midi_events):
    """The speaker plays the same notes at frequencies; rests at an inaudible one."""
    name = os.path.basename(tune)
    events = json.loads(subprocess.run([exporter, "events", tune, "--speaker"], check=True,
                                       capture_output=True).stdout)
    failures = []
    if len(events) != len(midi_events):
        failures.append(f"{name}: {len(events)} speaker events, {len(midi_events)} MIDI events")
    for event in events:
        if not (370 <= event["pitch"] <= 932 or (event["rest"] and event["pitch"] == 30000)):
            failures.append(f"{name}: speaker pitch {event['pitch']} for {event['name']}")
            break
    return failures


def check_failed_write(exporter, tune, work):
    """A file that cannot be written is reported on one line, naming the file, and leaves nothing behind."""
    name = os.path.basename(tune)
    folder = os.path.join(work, "missing-folder")
    result = subprocess.run([exporter, "midi", tune, "-o", os.path.join(folder, "x.mid")], capture_output=True)
    failures = []
    target = os.path.join(folder, "x.mid").encode()
    stderr = result.stderr
    if (result.returncode != 1 or not stderr.startswith(b"Midi File Save: Error in saving the midi file!")
            or target not in stderr or stderr.count(b"\n") != 1):
        failures.append(f"{name}: failed write gave status {result.returncode} and {result.stderr!r}")
    if os.path.exists(folder):
        failures.append(f"{name}: failed write left {folder}")
    return failures


def audible(wav_path):
    with wave.open(wav_path, "rb") as w:
        frames = w.readframes(w.getnframes())
        width = w.getsampwidth()
    if width != 2 or not frames:
        return False
    samples = array.array("h", frames)
    peak = max(abs(s) for s in samples)
    return peak > 1000


def main():
    if len(sys.argv) < 4:
        print(__doc__)
        return 2
    exporter, examples, work = sys.argv[1:4]
    render = "--render" in sys.argv[4:]
    try:
        import mido
    except ImportError:
        print("SKIPPED: python3-mido is not installed")
        return SKIP
    soundfont = next((f for f in SOUNDFONTS if os.path.exists(f)), None)
    if render and (shutil.which("fluidsynth") is None or soundfont is None):
        print("SKIPPED: fluidsynth or a General MIDI soundfont is not installed")
        return SKIP
    os.makedirs(work, exist_ok=True)
    tunes = sorted(os.path.join(examples, f) for f in os.listdir(examples) if f.endswith(".tnz"))
    failures = []
    for tune in tunes:
        out, events, found = check(mido, exporter, tune, work)
        failures += found + check_speaker(exporter, tune, events)
        if render:
            wav = out.replace(".mid", ".wav")
            subprocess.run(["fluidsynth", "-ni", "-q", "-g", "1.0", "-r", "22050", "-F", wav, soundfont, out],
                           check=True, capture_output=True)
            if not audible(wav):
                failures.append(f"{os.path.basename(tune)}: FluidSynth rendered no audible sound")
    failures += check_failed_write(exporter, tunes[0], work)
    for failure in failures:
        print(failure)
    print(f"{len(tunes) - len({f.split(':')[0] for f in failures})} passed, "
          f"{len({f.split(':')[0] for f in failures})} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
