#!/bin/sh
# Importing and exporting a 50-tune book as whole processes, beside abc2midi
# and abcm2ps reading the same ABC, and MuseScore 3 reading its MusicXML.
#
# Needs the Debian packages hyperfine, abcmidi, abcm2ps and musescore3, and python3:
#   apt-get install hyperfine abcmidi abcm2ps musescore3
# usage: bench/interchange/run.sh [BUILD_DIR]   (default build/)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
cli=$(cd "${1:-$top/build}" && pwd)/bin/skirlo-cli
for tool in hyperfine abc2midi abcm2ps mscore3 python3; do
  command -v "$tool" >/dev/null || { echo "run.sh: $tool is missing (apt-get install hyperfine abcmidi abcm2ps musescore3)" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$here/make_book.py" "$top/tests/interchange/abc" "$work/book.abc"
"$cli" from-abc "$work/book.abc" -o "$work/book.tnz"
"$cli" musicxml "$work/book.tnz" -o "$work/book.musicxml"
cd "$work"
export QT_QPA_PLATFORM=offscreen
hyperfine --warmup 3 --min-runs 20 --export-markdown "$work/results.md" \
  -n "skirlo-cli from-abc" "'$cli' from-abc book.abc -o out.tnz" \
  -n "skirlo-cli musicxml" "'$cli' musicxml book.tnz -o out.musicxml" \
  -n "abc2midi" "abc2midi book.abc -silent" \
  -n "abcm2ps" "abcm2ps -q book.abc -O out.ps" \
  -n "skirlo-cli from-musicxml" "'$cli' from-musicxml book.musicxml -o back.tnz" \
  -n "MuseScore 3 (MusicXML to MIDI)" "mscore3 -o out.mid book.musicxml"
cat "$work/results.md"
