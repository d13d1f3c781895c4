#!/usr/bin/env python3
"""Peak memory per byte of tune text, and the conversion of an older file, as whole processes.

    bench/process/memory_and_conversion.py [SKIRLO_CLI]

Makes, in a temporary folder, about 1 MB of tunes (the 50-tune book of
compare_with_peers.py grown to the size limit) and an older file of as much
music as converts to the size limit: no header line, no settings lines, every text record a bare quoted
string, which the first build gives an attribute list each. Prints each
command's peak resident memory (/usr/bin/time) in bytes per byte of tune
text against the target of 64, and the wall time of normalizing the older
files (target: under 100 ms) beside that of their converted text, medians of five runs.
"""

import os
import re
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
import compare_with_peers as peers  # noqa: E402

LIMIT = 1_048_575
OLDER_SIZE = 750_000  # converted, about the size limit
BARE_STRINGS = 18_000  # converted, about the size limit
BYTES_PER_BYTE_TARGET = 64
CONVERSION_TARGET_MS = 100


def make_megabyte(folder):
    peers.make_book(folder)
    book = (folder / "book.tnz").read_bytes()
    peers.BOOK_TUNES = int(50 * (LIMIT - 4096) / len(book))
    peers.make_book(folder)
    return folder / "book.tnz"


def make_older(current, folder):
    """The same music as an older file: bare strings, no header or settings lines."""
    text = current.read_bytes()
    body = text[text.index(b'\r\n"') + 2 :]
    body = re.sub(rb'",\([^)]*\)', b'"', body).replace(b"& sharpf sharpc", b"&")
    # Cut at a tune's start so that the converted text, with its key
    # signatures, attribute lists and settings lines, still fits in a file.
    cut = body.rfind(b'\r\n"Skirlo:', 0, OLDER_SIZE)
    older = folder / "older.tnz"
    older.write_bytes(body[:cut])
    return older


def make_bare_strings(folder):
    """An older file that is nearly all bare strings: each one becomes a text record, 1 MB in all."""
    older = folder / "bare.tnz"
    older.write_bytes(b"".join(b'"T%d"\r\n' % i for i in range(BARE_STRINGS)) + b"& 2_4 LA_4 B_4 !I\r\n")
    return older


def time_conversion(cli, older, folder):
    """Normalize of the older file against normalize of its converted text: the difference is the conversion."""
    converted = folder / "converted.tnz"
    subprocess.run([cli, "normalize", str(older), "-o", str(converted)], stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=True)
    medians = []
    for source in (older, converted):
        times = []
        for _ in range(5):
            start = time.perf_counter()
            subprocess.run([cli, "normalize", str(source), "-o", str(folder / "again.tnz")],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
            times.append((time.perf_counter() - start) * 1000)
        medians.append(statistics.median(times))
    bare = older.read_bytes().count(b'"') // 2
    conversion = medians[0] - medians[1]
    print(f"\nolder file {older.name} of {older.stat().st_size} bytes, {bare} bare strings, converted to "
          f"{converted.stat().st_size} bytes: normalize {medians[0]:.0f} ms, of the converted text "
          f"{medians[1]:.0f} ms (medians of 5); the conversion {conversion:.0f} ms, target under "
          f"{CONVERSION_TARGET_MS} ms: {'ok' if conversion < CONVERSION_TARGET_MS else 'MISS'}")


def peak_bytes(command):
    result = subprocess.run(["/usr/bin/time", "-f", "%M"] + command, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, text=True)
    return int(result.stderr.strip().splitlines()[-1]) * 1024, result.returncode


def main():
    cli = sys.argv[1] if len(sys.argv) > 1 else str(peers.ROOT / "build/bin/skirlo-cli")
    with tempfile.TemporaryDirectory(prefix="skirlo-memory-") as name:
        folder = Path(name)
        tunes = make_megabyte(folder)
        size = tunes.stat().st_size
        print(f"load: {os.getloadavg()[0]:.2f}; {size} bytes of tunes ({peers.BOOK_TUNES} tunes)")
        commands = {
            "tree": [cli, "tree", str(tunes)],
            "events": [cli, "events", str(tunes)],
            "midi": [cli, "midi", str(tunes), "-o", str(folder / "x.mid")],
            "normalize": [cli, "normalize", str(tunes), "-o", str(folder / "x.tnz")],
            "image .svg": [cli, "image", str(tunes), "-o", str(folder / "x.svg")],
            "image .pdf": [cli, "image", str(tunes), "-o", str(folder / "x.pdf")],
            "print": [cli, "print", str(tunes), "-o", str(folder / "p.pdf")],
        }
        for job, command in commands.items():
            peak, status = peak_bytes(command)
            verdict = "ok" if peak / size <= BYTES_PER_BYTE_TARGET else "MISS"
            failed = "" if status == 0 else f"  (exit status {status})"
            print(f"{job:<12}{peak / 2**20:8.1f} MB peak  {peak / size:6.1f} bytes per byte  {verdict}{failed}")
        for older in (make_older(tunes, folder), make_bare_strings(folder)):
            time_conversion(cli, older, folder)

if __name__ == "__main__":
    main()
