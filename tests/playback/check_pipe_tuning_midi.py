#!/usr/bin/python3
"""Reads back `skirlo-cli midi --pipe-tuning` files with an independent reader.

usage: check_pipe_tuning_midi.py SKIRLO_CLI EXAMPLES_DIR WORK_DIR [--render]

For every example tune at three low As: each channel's bend range is set by
RPN 0 before its first note, and every struck chanter note (in the order of
the tune's performance, from `skirlo-cli events`) and both drones sound,
with the bend in effect, the just Highland scale within 5 cents.
Without the switch, the file has no pitch bend and no RPN. With --render, a
scale tune's tuned file is rendered by the fluidsynth program (chorus and
reverb off) and each degree's sounding pitch is measured: within 5 cents of
the table. Exit 77 when python3-mido (or, to render, fluidsynth, a General
MIDI soundfont or python3-numpy) is missing.
"""

import json
import math
import os
import shutil
import subprocess
import sys
import wave

SKIP = 77
TOLERANCE = 5.0
LOW_A_KEY = 57  # the examples play low A on key 57
# Semitones from low A of the key each degree is played on, and its ratio.
SCALE = {-2: 7 / 8, 0: 1, 2: 9 / 8, 4: 5 / 4, 5: 4 / 3, 7: 3 / 2, 9: 5 / 3, 10: 7 / 4, 12: 2}
DRONES = {33: 1 / 4, 45: 1 / 2}
SOUNDFONTS = ["/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
              "/usr/share/sounds/sf2/FluidR3_GM.sf2"]
# Low G to high A, a second each at 60 beats a minute, after the drones'
# second alone; the C and F of the key signature are the chanter's.
SCALE_TUNE = ("Chantrel:1.0\r\n\r\nTuneTempo,60\r\n\r\n"
              "\"Scale\",(T,L,0,0,Times New Roman,16,700,0,0,18,0,0,0)\r\n\r\n"
              "& sharpf sharpc 4_4 I! LG_4 LA_4 B_4 C_4 ! D_4 E_4 F_4 HG_4 ! HA_4 LA_4 LA_4 LA_4 !I\r\n")
SCALE_DEGREES = [-2, 0, 2, 4, 5, 7, 9, 10, 12]
RATE = 44100


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


def measured_pitch(numpy, samples, expected_hz):
    """The strongest partial within a semitone and a half of `expected_hz`, in Hz."""
    window = samples * numpy.hanning(len(samples))
    size = 1 << 20  # zero-padded: bins of 0.04 Hz
    spectrum = numpy.abs(numpy.fft.rfft(window, size))
    low, high = (int(expected_hz * 2 ** (sign * 150 / 1200) * size / RATE) for sign in (-1, 1))
    peak = low + int(numpy.argmax(spectrum[low:high]))
    a, b, c = numpy.log(spectrum[peak - 1:peak + 2] + 1e-12)
    return (peak + 0.5 * (a - c) / (a - 2 * b + c)) * RATE / size


def check_render(mido, exporter, work, soundfont):
    import numpy
    tune = os.path.join(work, "scale.tnz")
    with open(tune, "w", newline="") as f:
        f.write(SCALE_TUNE)
    failures, worst = [], 0.0
    for low_a in (476, 450):
        out = os.path.join(work, f"scale-{low_a}.mid")
        subprocess.run([exporter, "midi", tune, "-o", out, "--pipe-tuning", "--low-a", str(low_a)], check=True)
        # The chanter alone, so the drones' partials cannot be taken for it.
        chanter = mido.MidiFile(out)
        chanter.tracks[1] = mido.MidiTrack(m for m in chanter.tracks[1] if m.type != "note_on")
        alone = os.path.join(work, f"scale-{low_a}-chanter.mid")
        chanter.save(alone)
        wav = alone.replace(".mid", ".wav")
        subprocess.run(["fluidsynth", "-ni", "-q", "-C", "0", "-R", "0", "-g", "1.0", "-r", str(RATE), "-F", wav,
                        soundfont, alone], check=True, capture_output=True)
        with wave.open(wav, "rb") as w:
            pcm = numpy.frombuffer(w.readframes(w.getnframes()), dtype=numpy.int16).astype(float)
        mono = pcm.reshape(-1, 2).mean(axis=1)
        for number, degree in enumerate(SCALE_DEGREES):
            start = int((1.0 + number + 0.3) * RATE)
            expected = low_a * SCALE[degree]
            hz = measured_pitch(numpy, mono[start:start + RATE // 2], expected)
            error = abs(1200 * math.log2(hz / expected))
            worst = max(worst, error)
            if error > TOLERANCE:
                failures.append(f"scale: degree {degree} at low A {low_a} sounds {hz:.2f} Hz, "
                                f"{error:.2f} cents from {expected:.2f} Hz")
    return failures, worst


def main():
    if len(sys.argv) not in (4, 5):
        print(__doc__)
        return 2
    exporter, examples, work = sys.argv[1:4]
    try:
        import mido
    except ImportError:
        print("SKIPPED: python3-mido is not installed")
        return SKIP
    os.makedirs(work, exist_ok=True)
    if sys.argv[4:] == ["--render"]:
        soundfont = next((f for f in SOUNDFONTS if os.path.exists(f)), None)
        try:
            import numpy  # noqa: F401
        except ImportError:
            soundfont = None
        if shutil.which("fluidsynth") is None or soundfont is None:
            print("SKIPPED: fluidsynth, a General MIDI soundfont or python3-numpy is not installed")
            return SKIP
        failures, worst = check_render(mido, exporter, work, soundfont)
        for failure in failures:
            print(failure)
        print(f"rendered scale: worst error {worst:.3f} cents, {len(failures)} failures")
        return 1 if failures else 0
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
