#!/usr/bin/python3
"""Reads back `skirlo-cli midi --pipe-tuning` files with an independent reader.

usage: check_pipe_tuning_midi.py SKIRLO_CLI EXAMPLES_DIR WORK_DIR

For every example tune at three low As: each channel's bend range is set by
RPN 0 before its first note, and every struck chanter note (in the order of
the tune's performance, from `skirlo-cli events`) and both drones sound,
with the bend in effect, the just Highland scale within 5 cents.
Without the switch, the file has no pitch bend and no RPN. Exit 77 when
python3-mido is missing.
"""

import json
import math
import os
import subprocess
import sys

SKIP = 77
TOLERANCE = 5.0
LOW_A_KEY = 57  # the examples play low A on key 57
# Semitones from low A of the key each degree is played on, and its ratio.
SCALE = {-2: 7 / 8, 0: 1, 2: 9 / 8, 4: 5 / 4, 5: 4 / 3, 7: 3 / 2, 9: 5 / 3, 10: 7 / 4, 12: 2}
DRONES = {33: 1 / 4, 45: 1 / 2}


def cents(hz):
    return 6900 + 1200 * math.log2(hz / 440)


def sounded(mido, path):
    """(channel, key, cents) of every struck note, with the bend and range in effect."""
    ranges, bends, rpn, notes = {}, {}, {}, []
    for message in mido.merge_tracks(mido.MidiFile(path).tracks):
        if message.type == "control_change":
            selected = rpn.setdefault(message.channel, {})
            if message.control in (101, 100):
                selected[message.control] = message.value
            elif message.control == 6 and selected.get(101) == 0 and selected.get(100) == 0:
                ranges[message.channel] = message.value
        elif message.type == "pitchwheel":
            bends[message.channel] = message.pitch  # -8192 to 8191
        elif message.type == "note_on" and message.velocity > 0:
            bend_range = ranges.get(message.channel)
            if bend_range is None:
                notes.append((message.channel, message.note, None))
                continue
            offset = bends.get(message.channel, 0) / 8192 * bend_range * 100
            notes.append((message.channel, message.note, 100 * message.note + offset))
    return notes


def struck_keys(events):
    """The tune's key of every note the file strikes, in order."""
    keys, previous = [], 0
    for event in events:
        held = event["tieTarget"] and event["pitch"] == previous
        if not held and not event["rest"]:
            keys.append(event["pitch"])
        previous = event["pitch"] & 0xFF
    return keys


def check(mido, exporter, tune, work, low_a):
    name = os.path.basename(tune)
    out = os.path.join(work, name.replace(".tnz", f"-{low_a}.mid"))
    subprocess.run([exporter, "midi", tune, "-o", out, "--pipe-tuning", "--low-a", str(low_a)], check=True)
    events = json.loads(subprocess.run([exporter, "events", tune], check=True, capture_output=True).stdout)
    chanter = iter(struck_keys(events))
    drones = {1: 33, 2: 45}
    failures, worst = [], 0.0
    for channel, key, pitch in sounded(mido, out):
        if pitch is None:
            failures.append(f"{name}: key {key} on channel {channel} before its bend range")
            continue
        written = next(chanter, None) if channel == 0 else drones.pop(channel, None)
        ratio = SCALE.get(written - LOW_A_KEY) if channel == 0 and written else DRONES.get(written)
        if ratio is None:
            failures.append(f"{name}: key {key} on channel {channel} stands for no note of the tune ({written})")
            continue
        error = abs(pitch - cents(low_a * ratio))
        worst = max(worst, error)
        if error > TOLERANCE:
            failures.append(f"{name}: key {key} on channel {channel} at low A {low_a} is {error:.2f} cents off")
    if next(chanter, None) is not None or drones:
        failures.append(f"{name}: at low A {low_a} the file strikes fewer notes than the tune has")
    return failures, worst


def check_plain(mido, exporter, tune, work):
    name = os.path.basename(tune)
    out = os.path.join(work, name.replace(".tnz", "-plain.mid"))
    subprocess.run([exporter, "midi", tune, "-o", out], check=True)
    for message in mido.merge_tracks(mido.MidiFile(out).tracks):
        if message.type == "pitchwheel" or (message.type == "control_change" and message.control in (100, 101)):
            return [f"{name}: the file without --pipe-tuning has {message}"]
    return []


def main():
    if len(sys.argv) != 4:
        print(__doc__)
        return 2
    exporter, examples, work = sys.argv[1:4]
    try:
        import mido
    except ImportError:
        print("SKIPPED: python3-mido is not installed")
        return SKIP
    os.makedirs(work, exist_ok=True)
    tunes = sorted(os.path.join(examples, f) for f in os.listdir(examples) if f.endswith(".tnz"))
    failures, worst = [], 0.0
    for tune in tunes:
        for low_a in (476, 445, 495):
            found, error = check(mido, exporter, tune, work, low_a)
            failures += found
            worst = max(worst, error)
        failures += check_plain(mido, exporter, tune, work)
    for failure in failures[:20]:
        print(failure)
    print(f"{len(tunes)} tunes, worst error {worst:.3f} cents, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
