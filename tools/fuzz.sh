#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time,
# starting from its seed corpus: tools/fuzz.sh [SECONDS_PER_TARGET] (default 60).
# Fails on any crash, leak, timeout or sanitizer report; the inputs that
# caused it are left in build/fuzz/findings/<target>/.
set -euo pipefail
seconds=${1:-60}
src=$(cd "$(dirname "$0")/.." && pwd)
dir=$src/build/fuzz
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S "$src" -B "$dir" -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQZ_FUZZ=ON -DQZ_BUILD_TESTS=OFF >/dev/null
cmake --build "$dir" --target qz_fuzz_targets
# The targets as tests/fuzz/CMakeLists.txt defines them.
mapfile -t targets <"$dir/tests/fuzz/targets.txt"
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets in $dir/tests/fuzz/targets.txt"; exit 1; }

# The targets work on files of an emulated machine: keep it in memory.
[ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
failed=()
for t in "${targets[@]}"; do
  work=$(mktemp -d)
  findings=$dir/findings/$t
  mkdir -p "$findings"
  log=$findings/log.txt
  echo "== $t: ${seconds}s"
  status=0
  # New inputs go to a scratch folder; the seeds in the tree stay as they are.
  (cd "$findings" && "$dir/tests/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -malloc_limit_mb=512 -max_len=65536 -print_final_stats=1 "$work" "$src/tests/fuzz/corpus/$t") >"$log" 2>&1 \
    || status=$?
  rm -rf "$work"
  if [ "$status" -ne 0 ] || grep -qE 'runtime error:|ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)' "$log"; then
    echo "   FAILED (status $status), see $log"
    tail -n 30 "$log"
    failed+=("$t")
  else
    grep -E '^stat::number_of_executed_units' "$log" | sed 's/^/   /' || true
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing failed: ${failed[*]}"
  exit 1
fi
echo "fuzzing passed: ${targets[*]}"
