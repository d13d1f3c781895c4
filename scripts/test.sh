#!/usr/bin/env bash
# Builds Skirlo and runs every test: the suite as built for use, the same
# suite under AddressSanitizer and UndefinedBehaviorSanitizer, and a short
# fixed-time run of each fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen

scripts/build.sh build
(cd build && ctest --output-on-failure -j "$(nproc)")

scripts/build.sh build-asan -DSKIRLO_SANITIZE=ON -DSKIRLO_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j "$(nproc)")

scripts/build.sh build-fuzz -DSKIRLO_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
fuzzers="fuzz_tune_build fuzz_profile fuzz_performance_midi fuzz_layout_render fuzz_abc_import fuzz_musicxml_import fuzz_compressed_score"
for name in $fuzzers; do mkdir -p "build-fuzz/seeds/$name"; done
cp resources/examples/*.tnz build-fuzz/seeds/fuzz_tune_build/
cp resources/QTN32.INI build-fuzz/seeds/fuzz_profile/
cp tests/interchange/abc/*.abc build-fuzz/seeds/fuzz_abc_import/
cp tests/interchange/musicxml/*.musicxml build-fuzz/seeds/fuzz_musicxml_import/
python3 - tests/interchange/musicxml/score-editor-march.musicxml build-fuzz/seeds/fuzz_compressed_score/march.mxl <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[2], "w", zipfile.ZIP_DEFLATED) as archive:
    archive.writestr("META-INF/container.xml",
                     '<container><rootfiles><rootfile full-path="march.xml"/></rootfiles></container>')
    archive.write(sys.argv[1], "march.xml")
PY
# The whole-document fuzzers take one byte of their own before the file.
for tune in resources/examples/*.tnz; do
  for name in fuzz_performance_midi fuzz_layout_render; do
    { printf 'A'; cat "$tune"; } > "build-fuzz/seeds/$name/$(basename "$tune")"
  done
done
for name in $fuzzers; do
  mkdir -p "build-fuzz/corpus/$name"
  "build-fuzz/bin/$name" -max_total_time=30 -max_len=65536 -timeout=10 -rss_limit_mb=4096 \
    "build-fuzz/corpus/$name" "build-fuzz/seeds/$name"
done
echo "fuzz: every fuzzer ran without a finding"
