#!/bin/sh
# Builds the tests, the benchmarks and the fuzz targets in one clang tree (build-ci) under
# AddressSanitizer and UndefinedBehaviorSanitizer, with libFuzzer's coverage in every library,
# then runs every test headless; the fuzz smoke runs (each fuzz target briefly on its seed
# corpus) are tests of that run too. Each step's time is printed as it ends and once more at the
# end.
set -e
cd "$(dirname "$0")/.."
JOBS=$(nproc)
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
# Leaks fail the tests; what SDL and the graphics libraries keep until exit is suppressed.
# intercept_tls_get_addr=0: the sanitizer runtimes of g++ 12 and clang 14 misread, now and then,
# a thread-local block of the graphics libraries as an old glibc's, and the leak check at exit
# then crashes ("Tracer caught signal 11") after a test has passed.
export ASAN_OPTIONS=abort_on_error=1:intercept_tls_get_addr=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions="$(pwd)/tools/lsan.supp"

TIMES=""
# step NAME COMMAND...: runs the command and notes how long it took.
step() {
  name=$1
  shift
  echo "==== $name"
  start=$(date +%s)
  "$@"
  seconds=$(($(date +%s) - start))
  echo "==== $name: $seconds s"
  TIMES="$TIMES$(printf '%-10s %5d s' "$name" "$seconds")
"
}

step format tools/check_format

# QV_KEY_SCRIPT: the test-only key script source that drives the program's end-to-end tests.
# QV_PCH and QV_LLD only make this one-off build faster.
step configure env CC=clang CXX=clang++ cmake -S . -B build-ci -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DQV_SANITIZE=ON -DQV_FUZZ=ON -DQV_BENCH=ON -DQV_WERROR=ON -DQV_KEY_SCRIPT=ON -DQV_PCH=ON -DQV_LLD=ON
step build ninja -C build-ci -j "$JOBS"
# The slowest tests (the program's end-to-end runs) start first: see tests/app/CMakeLists.txt.
step ctest sh -c "cd build-ci && ctest --output-on-failure -j $JOBS"

printf '\nStep times:\n%s' "$TIMES"
