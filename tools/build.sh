#!/usr/bin/env bash
# Configures and builds one build folder: tools/build.sh DIR [cmake options...]
# QZ_TARGETS (space-separated) limits the build to those targets.
set -euo pipefail
dir=$1
shift
src=$(cd "$(dirname "$0")/.." && pwd)
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$src" -B "$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
targets=()
for t in ${QZ_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$dir" "${targets[@]}"
