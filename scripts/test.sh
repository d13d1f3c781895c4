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
for fuzzer in build-fuzz/tools/fuzz/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer")
  mkdir -p "build-fuzz/corpus/$name"
  "$fuzzer" -max_total_time=60 -max_len=65536 -timeout=10 -rss_limit_mb=4096 \
    "build-fuzz/corpus/$name" resources/examples
done
echo "fuzz: every fuzzer ran without a finding"
