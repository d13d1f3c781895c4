#!/usr/bin/env python3
"""Whole-process timings of skirlo-cli beside abcm2ps and abc2midi on the same music.

    bench/process/compare_with_peers.py [SKIRLO_CLI] [--rounds N]

The music: the four-part march of resources/examples/highland-laddie.tnz and
its ABC transcription highland-laddie.abc beside this script; and a book of
50 tunes made of it and the jig of two-tunes.tnz (wee-jig.abc) taken in turn,
built in a temporary folder in both notations.

Every command runs under hyperfine (Debian's package) without a shell; the
commands take turns, two runs each per round, so that a change in the load of
the machine reaches all of them alike. Prints the median times, the ratios
against the peers with their targets, the peak memory (/usr/bin/time) and the
sizes of the SVG files.
"""

import json
import os
import statistics
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent.parent
BOOK_TUNES = 50


def tnz_parts(path):
    """The settings region of a tune file and the tunes after it (header records and body)."""
    text = path.read_bytes()
    first_record = text.index(b'\r\n"') + 2
    return text[:first_record], text[first_record:]


def first_tune_of(path):
    _, tunes = tnz_parts(path)
    return tunes[: tunes.index(b'"Skirlo:')] if b'"Skirlo:' in tunes else tunes


def make_book(folder):
    """The 50-tune book as .tnz and .abc: the march and the jig by turns, numbered titles."""
    settings, march = tnz_parts(ROOT / "resources/examples/highland-laddie.tnz")
    jig = first_tune_of(ROOT / "resources/examples/two-tunes.tnz")
    march_abc = (HERE / "highland-laddie.abc").read_text()
    jig_abc = (HERE / "wee-jig.abc").read_text()
    tnz = [settings]
    abc = ["%abc-2.1\n"]
    for number in range(1, BOOK_TUNES + 1):
        tune, tune_abc = (march, march_abc) if number % 2 else (jig, jig_abc)
        title = tune[1 : tune.index(b'"', 1)]
        if number > 1:
            tnz.append(b'\r\n"Skirlo: the next tune"\r\n\r\n')
        tnz.append(tune.replace(b'"' + title + b'"', b'"' + title + b" %d" % number + b'"', 1).rstrip(b"\r\n"))
        body = tune_abc[tune_abc.index("X:") :]
        body = body.replace(body[: body.index("\n")], "X:%d" % number, 1)
        body = body.replace("\nT:" + title.decode(), "\nT:%s %d" % (title.decode(), number), 1)
        abc.append("\n" + body)
    (folder / "book.tnz").write_bytes(b"".join(tnz))
    (folder / "book.abc").write_text("".join(abc))


def jobs(cli, f):
    """(job, our command, the peer's command, target ratio or None)."""
    march = str(ROOT / "resources/examples/highland-laddie.tnz")
    march_abc = str(HERE / "highland-laddie.abc")
    book, book_abc = str(f / "book.tnz"), str(f / "book.abc")
    ps, svg, mid = ["abcm2ps", "-q"], ["abcm2ps", "-q", "-g"], ["abc2midi"]
    return [
        ("tune -> SVG", [cli, "image", march, "-o", f"{f}/t.svg"], svg + [march_abc, "-O", f"{f}/p"], 1.0),
        ("tune -> PDF", [cli, "image", march, "-o", f"{f}/t.pdf"], ps + [march_abc, "-O", f"{f}/p.ps"], None),
        ("tune -> print", [cli, "print", march, "-o", f"{f}/tp.pdf"], ps + [march_abc, "-O", f"{f}/p.ps"], None),
        ("tune -> MIDI", [cli, "midi", march, "-o", f"{f}/t.mid"], mid + [march_abc, "-o", f"{f}/p.mid"], 1.5),
        ("tune -> events", [cli, "events", march], mid + [march_abc, "-o", f"{f}/p.mid"], None),
        ("book -> SVG", [cli, "image", book, "-o", f"{f}/b.svg"], svg + [book_abc, "-O", f"{f}/pb"], 1.0),
        ("book -> PDF", [cli, "image", book, "-o", f"{f}/b.pdf"], ps + [book_abc, "-O", f"{f}/pb.ps"], 1.0),
        ("book -> print", [cli, "print", book, "-o", f"{f}/bp.pdf"], ps + [book_abc, "-O", f"{f}/pb.ps"], 1.0),
        ("book -> MIDI", [cli, "midi", book, "-o", f"{f}/b.mid"], mid + [book_abc, "-o", f"{f}/pb.mid"], None),
    ]


def quoted(command):
    return " ".join("'" + part.replace("'", "'\\''") + "'" for part in command)


def distinct_commands(job_list):
    commands = []
    for _, ours, peer, _ in job_list:
        for command in (ours, peer):
            if command not in commands:
                commands.append(command)
    return commands


def time_rounds(commands, rounds, folder):
    """Every command's run times in seconds, gathered over `rounds` alternating hyperfine runs."""
    times = {quoted(c): [] for c in commands}
    for round_number in range(rounds):
        out = folder / "round.json"
        subprocess.run(["hyperfine", "-N", "--style", "none", "--warmup", "1" if round_number == 0 else "0",
                        "--runs", "2", "--export-json", str(out)] + [quoted(c) for c in commands],
                       check=True, stdout=subprocess.DEVNULL)
        for result in json.loads(out.read_text())["results"]:
            times[result["command"]].extend(result["times"])
    return times


def peak_kilobytes(command):
    result = subprocess.run(["/usr/bin/time", "-f", "%M"] + command, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, text=True, check=True)
    return int(result.stderr.strip().splitlines()[-1])


def svg_bytes(folder, prefix):
    return sum(p.stat().st_size for p in folder.glob(prefix + "*.svg"))


def main():
    args = [a for a in sys.argv[1:]]
    rounds = 5
    if "--rounds" in args:
        at = args.index("--rounds")
        rounds = int(args[at + 1])
        del args[at : at + 2]
    cli = args[0] if args else str(ROOT / "build/bin/skirlo-cli")
    with tempfile.TemporaryDirectory(prefix="skirlo-peers-") as name:
        folder = Path(name)
        make_book(folder)
        job_list = jobs(cli, folder)
        print(f"load before: {os.getloadavg()[0]:.2f}; {rounds} rounds of 2 runs per command")
        times = time_rounds(distinct_commands(job_list), rounds, folder)
        print(f"load after:  {os.getloadavg()[0]:.2f}")
        median = {c: statistics.median(t) * 1000 for c, t in times.items()}
        print(f"\n{'job':<16}{'skirlo ms':>10}{'peer ms':>9}{'ratio':>8}{'target':>10}  spread (ours)   peak MB ours / peer")
        for job, ours, peer, target in job_list:
            mine, theirs = median[quoted(ours)], median[quoted(peer)]
            ratio = mine / theirs
            mark = "" if target is None else f"{target:.1f}" + (" ok" if ratio <= target else " MISS")
            spread = times[quoted(ours)]
            print(f"{job:<16}{mine:>10.1f}{theirs:>9.1f}{ratio:>8.2f}{mark:>10}  "
                  f"{min(spread) * 1000:.1f}..{max(spread) * 1000:.1f}   "
                  f"{peak_kilobytes(ours) / 1024:.1f} / {peak_kilobytes(peer) / 1024:.1f}  ({Path(peer[0]).name})")
        ours_svg, peer_svg = (folder / "t.svg").stat().st_size, svg_bytes(folder, "p0")
        book_svg, peer_book_svg = (folder / "b.svg").stat().st_size, svg_bytes(folder, "pb0")
        print(f"\nSVG of the march: {ours_svg} bytes, abcm2ps {peer_svg} bytes: "
              f"{ours_svg / peer_svg:.2f}x (target at most 1.5x)")
        print(f"SVG of the book:  {book_svg} bytes, abcm2ps {peer_book_svg} bytes: {book_svg / peer_book_svg:.2f}x")


if __name__ == "__main__":
    main()
