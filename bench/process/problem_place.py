#!/usr/bin/env python3
"""What one unknown symbol costs a large book, as whole processes.

    bench/process/problem_place.py [SKIRLO_CLI]

Makes a book of about 730 KB of tunes (the 50-tune book of
compare_with_peers.py grown) and a copy with one unknown word in its last
tune, runs `skirlo-cli events` on each in turn, and prints the median CPU
time of each and their ratio against the target of 1.05: the place of a
problem is counted back to the file from the edits opening made, not found
by building the file a second time. Also checks that the message and its
place are the ones the file holds.
"""

import os
import statistics
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
import compare_with_peers as peers  # noqa: E402

BOOK_SIZE = 730_000
RUNS = 7
TARGET = 1.05
WORD = b"zzqx"


def make_books(folder):
    peers.make_book(folder)
    book = (folder / "book.tnz").read_bytes()
    peers.BOOK_TUNES = int(50 * BOOK_SIZE / len(book))
    peers.make_book(folder)
    clean = (folder / "book.tnz").read_bytes()
    at = clean.rfind(b" LA_4")
    faulty = clean[:at] + b" " + WORD + clean[at:]
    (folder / "faulty.tnz").write_bytes(faulty)
    line = faulty[: at + 1].count(b"\n") + 1
    column = at + 1 - (faulty.rfind(b"\n", 0, at + 1) + 1) + 1
    return folder / "book.tnz", folder / "faulty.tnz", f"{line}:{column}"


def cpu_seconds(command):
    pid = os.fork()
    if pid == 0:
        devnull = os.open(os.devnull, os.O_WRONLY)
        os.dup2(devnull, 1)
        os.dup2(devnull, 2)
        os.execv(command[0], command)
    _, status, usage = os.wait4(pid, 0)
    return usage.ru_utime + usage.ru_stime


def main():
    cli = sys.argv[1] if len(sys.argv) > 1 else str(HERE.parents[1] / "build" / "bin" / "skirlo-cli")
    with tempfile.TemporaryDirectory() as scratch:
        clean, faulty, place = make_books(Path(scratch))
        run = subprocess.run([cli, "events", str(faulty)], capture_output=True, text=True)
        expected = f"{faulty}:{place}: Symbol Error: Symbol {WORD.decode()} could not be found in map!"
        reported = expected in run.stderr.splitlines()
        times = {"clean": [], "faulty": []}
        for _ in range(RUNS):
            times["clean"].append(cpu_seconds([cli, "events", str(clean)]))
            times["faulty"].append(cpu_seconds([cli, "events", str(faulty)]))
        clean_cpu = statistics.median(times["clean"])
        faulty_cpu = statistics.median(times["faulty"])
        ratio = faulty_cpu / clean_cpu
        print(f"book: {clean.stat().st_size} bytes, {RUNS} runs each")
        print(f"events, clean:  {clean_cpu * 1000:.0f} ms CPU (median)")
        print(f"events, one unknown word: {faulty_cpu * 1000:.0f} ms CPU (median)")
        print(f"ratio {ratio:.3f} (target at most {TARGET}): {'met' if ratio <= TARGET else 'MISSED'}")
        print(f"message at {place}: {'as expected' if reported else 'WRONG: ' + run.stderr.strip()[:200]}")
        return 0 if reported else 1


if __name__ == "__main__":
    sys.exit(main())
