#!/usr/bin/env bash
# Builds and runs every test: a normal build, then one with AddressSanitizer
# and UndefinedBehaviorSanitizer.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
bash "$src/tools/install-packages.sh"
export QZ_UI=console QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

bash "$src/tools/build.sh" "$src/build/test" -DCMAKE_BUILD_TYPE=RelWithDebInfo
(cd "$src/build/test" && ctest --output-on-failure -j "$jobs")

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
bash "$src/tools/build.sh" "$src/build/asan" -DCMAKE_BUILD_TYPE=Debug -DQZ_SANITIZE=ON
(cd "$src/build/asan" && ctest --output-on-failure -j "$jobs")

# The two threads meet only in the shared install state: the tests that run
# the worker on its own thread, labelled "threads" where their executables
# are defined (tests/engine, tests/app), under ThreadSanitizer.
export TSAN_OPTIONS=halt_on_error=1
QZ_TARGETS="qz_engine_tests qz_app_tests" bash "$src/tools/build.sh" "$src/build/tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQZ_TSAN=ON
(cd "$src/build/tsan" && ctest -L threads --no-tests=error --output-on-failure -j "$jobs")

# Every reader of outside bytes under libFuzzer for a bounded time.
bash "$src/tools/fuzz.sh" "${QZ_FUZZ_SECONDS:-30}"
