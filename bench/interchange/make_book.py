#!/usr/bin/env python3
"""Writes a book of 50 pipe tunes in ABC: our ABC versions of the example
tunes, each repeated under its own number and title until there are 50.

usage: make_book.py ABC_DIR OUT.abc"""

import pathlib
import re
import sys


def tunes(folder):
    for path in sorted(pathlib.Path(folder).glob("*.abc")):
        for tune in re.split(r"\n\s*\n", path.read_text()):
            if tune.strip():
                yield tune.strip()


def main():
    source = list(tunes(sys.argv[1]))
    book = []
    for number in range(1, 51):
        tune = source[(number - 1) % len(source)]
        tune = re.sub(r"^X:.*$", f"X:{number}", tune, count=1, flags=re.M)
        tune = re.sub(r"^T:(.*)$", lambda m: f"T:{m.group(1)} ({number})", tune, count=1, flags=re.M)
        book.append(tune)
    pathlib.Path(sys.argv[2]).write_text("\n\n".join(book) + "\n")


if __name__ == "__main__":
    main()
