#!/bin/sh
# Builds and runs the tests headless under AddressSanitizer and UndefinedBehaviorSanitizer,
# then builds the fuzz targets with clang and runs each briefly on its seed corpus.
set -e
cd "$(dirname "$0")/.."
tools/check_format
JOBS=$(nproc)
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
# Leaks fail the tests; what SDL and the graphics libraries keep until exit is suppressed.
export ASAN_OPTIONS=abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions="$(pwd)/tools/lsan.supp"

# QV_KEY_SCRIPT: the test-only key script source that drives the program's end-to-end tests.
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQV_SANITIZE=ON -DQV_BENCH=ON -DQV_WERROR=ON \
  -DQV_KEY_SCRIPT=ON
ninja -C build-test -j "$JOBS"

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQV_FUZZ=ON -DQV_TESTS=OFF -DQV_BENCH=OFF
ninja -C build-fuzz -j "$JOBS" $(cd fuzz && ls fuzz_*.cpp | sed "s/\.cpp$//")
for fuzzer in build-fuzz/fuzz/fuzz_*; do
  name=$(basename "$fuzzer")
  [ -x "$fuzzer" ] || continue
  work=$(mktemp -d)
  cp -r "fuzz/corpus/$name/." "$work/" 2>/dev/null || true
  echo "fuzz smoke: $name"
  "$fuzzer" -max_total_time=5 -timeout=10 -rss_limit_mb=2048 "$work" >"$work.log" 2>&1 || { cat "$work.log"; exit 1; }
  rm -rf "$work" "$work.log"
done

cd build-test && ctest --output-on-failure -j "$JOBS"
