#!/usr/bin/env python3
"""Synthesizes the SoundFont of the built-in pipes voice: a chanter, two drones and a beat click.

Every sample is a sum of exact harmonics whose loop holds a whole number of
periods, so a looped note holds one steady pitch with no beating: the loop
length L and the number of periods m in it are chosen so that m * rate / L
matches the sample's root key to a thousandth of a cent. The chanter adds a
reed's bright, slightly noisy onset that settles into the loop; the drones
are steady from their first period.

The synthesizer retunes the keys (key tunings), so the samples only need to
be exactly at the pitch their headers claim.

Usage: soundgen.py OUT.sf2      writes the SoundFont
       soundgen.py --check SF2   exits 1 when SF2 is not what this script writes
(standard library only; the output is the same byte for byte on every run)
"""

import math
import struct
import sys

RATE = 44100
# A loop must be long enough for the synthesizer's interpolation and short
# enough to keep the file small.
MIN_LOOP = 2000
MAX_LOOP = 12000
# Zero frames the format asks after every sample.
SAMPLE_PAD = 46


def key_hz(key):
    return 440.0 * 2.0 ** ((key - 69) / 12.0)


def exact_loop(hz):
    """(periods, frames) whose ratio sounds `hz` most closely in a loop of MIN_LOOP..MAX_LOOP frames."""
    best = None
    for frames in range(MIN_LOOP, MAX_LOOP + 1):
        periods = round(hz * frames / RATE)
        if periods < 1:
            continue
        error = abs(1200.0 * math.log2(periods * RATE / frames / hz))
        if best is None or error < best[0] - 1e-9:
            best = (error, periods, frames)
        if error < 0.001:
            break
    return best[1], best[2]


class Lcg:
    """A small linear congruential generator: the onset noise is the same on every run."""

    def __init__(self, seed):
        self.state = seed

    def uniform(self):
        self.state = (self.state * 6364136223846793005 + 1442695040888963407) % (1 << 64)
        return ((self.state >> 11) / float(1 << 53)) * 2.0 - 1.0


def harmonic_wave(amplitudes, periods, frames, count, envelope=None):
    """`count` frames of sum(a_h sin(2 pi h periods n / frames)), each harmonic's
    phase taken from whole numbers so that frame n and n + frames are equal.
    `envelope(h, n)` scales harmonic h at frame n when given."""
    out = [0.0] * count
    for index, amplitude in enumerate(amplitudes):
        h = index + 1
        if amplitude == 0.0 or h * periods * 2 >= frames:  # never above half the rate
            continue
        step = h * periods
        # A fixed phase per harmonic (alternating quarter turns) keeps the peak low.
        offset = (index % 4) * frames // 4
        for n in range(count):
            value = amplitude * math.sin(2.0 * math.pi * ((step * n + offset) % frames) / frames)
            if envelope is not None:
                value *= envelope(h, n)
            out[n] += value
    return out


def normalised(samples, peak):
    top = max(abs(s) for s in samples) or 1.0
    return [s * peak / top for s in samples]


def to_pcm(samples):
    return [max(-32767, min(32767, int(round(s * 32767.0)))) for s in samples]


# The chanter: a conical bore sounds every harmonic, strong up to a few
# kilohertz. Its onset (the reed "speaking") is brighter and carries a
# little breath noise that dies away in about 15 ms.
CHANTER_KEY = 75  # the middle of the chanter's range; one sample serves every note
CHANTER_HARMONICS = 24
ONSET_FRAMES = int(0.040 * RATE)
RISE_FRAMES = int(0.0015 * RATE)


def chanter_sample():
    periods, frames = exact_loop(key_hz(CHANTER_KEY))
    hz = periods * RATE / frames
    steady = []
    for h in range(1, CHANTER_HARMONICS + 1):
        # A broad resonance near 2.5 kHz over a gently falling series.
        formant = 1.0 + 1.5 * math.exp(-((h * hz - 2500.0) / 1200.0) ** 2)
        steady.append(formant / h ** 0.6)

    def envelope(h, n):
        rise = min(1.0, n / RISE_FRAMES)
        if n >= ONSET_FRAMES:
            return 1.0
        # Upper harmonics start strong and settle to their steady level.
        settle = 0.5 * (1.0 + math.cos(math.pi * n / ONSET_FRAMES))
        return rise * (1.0 + settle * min(1.5, 0.12 * (h - 1)))

    count = ONSET_FRAMES + frames + 16
    wave = harmonic_wave(steady, periods, frames, count, envelope)
    noise = Lcg(0x5EED)
    for n in range(ONSET_FRAMES):
        decay = math.exp(-n / (0.005 * RATE))
        wave[n] += 0.25 * decay * noise.uniform() * min(1.0, n / RISE_FRAMES)
    # The loop's frames repeat exactly; the tail past it is the loop again.
    return to_pcm(normalised(wave, 0.7)), ONSET_FRAMES, ONSET_FRAMES + frames, hz


# The drones: one reed each, a purely harmonic tone (the bass richer in
# upper harmonics), steady from the start.
def drone_sample(key, harmonics, tilt):
    periods, frames = exact_loop(key_hz(key))
    hz = periods * RATE / frames
    amplitudes = [1.0 / h ** tilt for h in range(1, harmonics + 1)]
    start = 8  # room for the interpolation before the loop
    count = start + frames + 16
    wave = harmonic_wave(amplitudes, periods, frames, count)
    return to_pcm(normalised(wave, 0.7)), start, start + frames, hz


# The practice beat click: a short wooden knock, a few damped partials of a
# struck bar over a breath of noise, gone within 40 ms. It plays once per key
# press (no loop), so it needs no release.
CLICK_KEY = 76
CLICK_FRAMES = int(0.040 * RATE)


def click_sample():
    noise = Lcg(0xC11C)
    wave = []
    for n in range(CLICK_FRAMES):
        t = n / RATE
        tone = sum(a * math.sin(2.0 * math.pi * hz * t) * math.exp(-t / d)
                   for hz, a, d in ((1850.0, 1.0, 0.008), (4700.0, 0.45, 0.004), (820.0, 0.35, 0.012)))
        wave.append(tone + 0.3 * noise.uniform() * math.exp(-t / 0.0015))
    return to_pcm(normalised(wave, 0.6))


# --- The SoundFont 2 file -------------------------------------------------

GEN_ATTACK_VOL_ENV = 34
GEN_RELEASE_VOL_ENV = 38
GEN_INSTRUMENT = 41
GEN_KEY_RANGE = 43
GEN_INITIAL_ATTENUATION = 48
GEN_SAMPLE_ID = 53
GEN_SAMPLE_MODES = 54
GEN_OVERRIDING_ROOT_KEY = 58


def timecents(seconds):
    return int(round(1200.0 * math.log2(seconds)))


def chunk(tag, data):
    padded = data + (b"\0" if len(data) % 2 else b"")
    return tag.encode("ascii") + struct.pack("<I", len(data)) + padded


def list_chunk(kind, chunks):
    body = kind.encode("ascii") + b"".join(chunks)
    return chunk("LIST", body)


def name20(text):
    return text.encode("ascii")[:19].ljust(20, b"\0")


def generator(oper, amount):
    if oper == GEN_KEY_RANGE:
        low, high = amount
        return struct.pack("<HBB", oper, low, high)
    return struct.pack("<Hh", oper, amount)


def soundfont(voices):
    """`voices`: (name, pcm, loop_start, loop_end, root_key, attack_s, release_s, attenuation_cb, looped),
    each becoming a sample, an instrument of one zone and preset number `index` of bank 0."""
    samples = b""
    shdr = b""
    inst = b""
    ibag = b""
    igen = b""
    phdr = b""
    pbag = b""
    pgen = b""
    at = 0
    for index, (name, pcm, loop_start, loop_end, root_key, attack, release, attenuation, looped) in enumerate(voices):
        samples += struct.pack("<%dh" % len(pcm), *pcm) + b"\0\0" * SAMPLE_PAD
        shdr += name20(name) + struct.pack("<IIIIIBbHH", at, at + len(pcm), at + loop_start, at + loop_end,
                                          RATE, root_key, 0, 0, 1)
        at += len(pcm) + SAMPLE_PAD
        inst += name20(name) + struct.pack("<H", len(ibag) // 4)
        ibag += struct.pack("<HH", len(igen) // 4, 0)
        igen += generator(GEN_KEY_RANGE, (0, 127))
        igen += generator(GEN_ATTACK_VOL_ENV, timecents(attack))
        igen += generator(GEN_RELEASE_VOL_ENV, timecents(release))
        igen += generator(GEN_INITIAL_ATTENUATION, attenuation)
        if looped:
            igen += generator(GEN_SAMPLE_MODES, 1)  # loop while the key is held and through the release
        igen += generator(GEN_OVERRIDING_ROOT_KEY, root_key)
        igen += generator(GEN_SAMPLE_ID, index)
        phdr += name20(name) + struct.pack("<HHHIII", index, 0, len(pbag) // 4, 0, 0, 0)
        pbag += struct.pack("<HH", len(pgen) // 4, 0)
        pgen += generator(GEN_INSTRUMENT, index)
    shdr += name20("EOS") + struct.pack("<IIIIIBbHH", 0, 0, 0, 0, 0, 0, 0, 0, 0)
    inst += name20("EOI") + struct.pack("<H", len(ibag) // 4)
    ibag += struct.pack("<HH", len(igen) // 4, 0)
    igen += struct.pack("<HH", 0, 0)
    phdr += name20("EOP") + struct.pack("<HHHIII", 0, 0, len(pbag) // 4, 0, 0, 0)
    pbag += struct.pack("<HH", len(pgen) // 4, 0)
    pgen += struct.pack("<HH", 0, 0)
    modulators = b"\0" * 10
    info = list_chunk("INFO", [
        chunk("ifil", struct.pack("<HH", 2, 1)),
        chunk("isng", b"EMU8000\0"),
        chunk("INAM", b"Skirlo Highland Pipes\0"),
        chunk("ICOP", b"Synthesized by tools/soundgen/soundgen.py; same licence as Skirlo\0"),
    ])
    sdta = list_chunk("sdta", [chunk("smpl", samples)])
    pdta = list_chunk("pdta", [
        chunk("phdr", phdr), chunk("pbag", pbag), chunk("pmod", modulators), chunk("pgen", pgen),
        chunk("inst", inst), chunk("ibag", ibag), chunk("imod", modulators), chunk("igen", igen),
        chunk("shdr", shdr),
    ])
    body = b"sfbk" + info + sdta + pdta
    return b"RIFF" + struct.pack("<I", len(body)) + body


# Preset numbers the synthesizer selects: 0 chanter, 1 tenor drone, 2 bass drone, 3 click.
# The chanter's release is short, so that a new note silences the one before
# within a few milliseconds (the synthesizer lengthens it for the last note).
# The tenor is quieter than the bass by about what their default volumes
# (77 and 38) differ, so that at those volumes the two sound alike; the
# synthesizer applies four tenths of an attenuation's centibels.
def build():
    chanter, chanter_loop, chanter_end, _ = chanter_sample()
    tenor, tenor_loop, tenor_end, _ = drone_sample(57, 40, 0.9)
    bass, bass_loop, bass_end, _ = drone_sample(45, 60, 0.8)
    click = click_sample()
    return soundfont([
        ("Chanter", chanter, chanter_loop, chanter_end, CHANTER_KEY, 0.002, 0.020, 0, True),
        ("Tenor Drone", tenor, tenor_loop, tenor_end, 57, 0.060, 0.250, 350, True),
        ("Bass Drone", bass, bass_loop, bass_end, 45, 0.060, 0.250, 0, True),
        ("Click", click, 0, len(click) - 1, CLICK_KEY, 0.001, 0.040, 0, False),
    ])


def main(argv):
    if len(argv) == 3 and argv[1] == "--check":
        with open(argv[2], "rb") as committed:
            if committed.read() == build():
                return 0
        sys.stderr.write("%s is out of date: run tools/soundgen/soundgen.py %s\n" % (argv[2], argv[2]))
        return 1
    if len(argv) != 2:
        sys.stderr.write("usage: soundgen.py OUT.sf2 | --check SF2\n")
        return 1
    data = build()
    with open(argv[1], "wb") as out:
        out.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
