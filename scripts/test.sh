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
mkdir -p build-fuzz/seeds/fuzz_tune_build build-fuzz/seeds/fuzz_profile
cp resources/examples/*.tnz build-fuzz/seeds/fuzz_tune_build/
cp resources/QTN32.INI build-fuzz/seeds/fuzz_profile/
for name in fuzz_tune_build fuzz_profile; do
  mkdir -p "build-fuzz/corpus/$name"
  "build-fuzz/bin/$name" -max_total_time=60 -max_len=65536 -timeout=10 -rss_limit_mb=4096 \
    "build-fuzz/corpus/$name" "build-fuzz/seeds/$name"
done
echo "fuzz: every fuzzer ran without a finding"
