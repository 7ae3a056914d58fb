#!/usr/bin/env bash
# Overwrite installation of the full-scale tree against tar, unzip and cp on
# the same tree, on a tmpfs so that disk writeback does not swamp the figures.
# Prints one line per tool: median wall, user and system seconds and the
# peak resident memory of five runs. "update" is an update installation over
# an installation whose eight databases hold 3000 entries of a user's own.
#   bench/install_benchmark.sh [RUNS]
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
work=${QZ_BENCH_DIR:-$src/build/bench}
shm=${QZ_BENCH_SHM:-/dev/shm/qz-bench}

command -v zip >/dev/null && command -v unzip >/dev/null && [ -x /usr/bin/time ] || {
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq && apt-get install -y -qq --no-install-recommends zip unzip time >/dev/null
}

bash "$src/tools/build.sh" "$work/tools" -DCMAKE_BUILD_TYPE=Release -DQZ_BUILD_TESTS=OFF >/dev/null
tree=$work/fullscale-tree
if [ ! -f "$work/fullscale.stamp" ]; then
  "$work/tools/tools/demotree/qzdemotree" --full-scale "$tree"
  touch "$work/fullscale.stamp"
fi
bash "$src/tools/build.sh" "$work/installer" -DCMAKE_BUILD_TYPE=Release -DQZ_BUILD_TESTS=OFF -DQZ_PRODUCT_DIR="$tree" >/dev/null
installer=$work/installer/app/QuendaZorvelSetup
[ -f "$work/fullscale.tar.gz" ] || (cd "$tree" && tar -cf - . | gzip -6 > "$work/fullscale.tar.gz")
[ -f "$work/fullscale.zip" ] || (cd "$tree" && zip -q -r -6 "$work/fullscale.zip" .)

rm -rf "$shm" && mkdir -p "$shm"
cp "$installer" "$work/fullscale.tar.gz" "$work/fullscale.zip" "$shm/"
cp -r "$tree" "$shm/tree"

fresh() { rm -rf "$shm/out" "$shm/machine" && mkdir -p "$shm/out"; }

# An installation whose eight databases hold a user's own entries.
installed_with_user_entries() {
  fresh
  "$shm/QuendaZorvelSetup" -AcceptedLicense >/dev/null
  cp "$shm/user-databases/"* "$shm/machine/drive_c/Program Files/Ombra/QuendaZorvel/lib/cmp/"
}

measure() {  # name setup command...
  local name=$1 setup=$2
  shift 2
  local samples=()
  for _ in $(seq "$runs"); do
    $setup
    sync
    /usr/bin/time -f "%e %U %S %M" -o "$shm/time.txt" "$@" >/dev/null 2>&1
    samples+=("$(cat "$shm/time.txt")")
  done
  printf '%s\n' "${samples[@]}" | awk -v name="$name" '
    { w[NR]=$1; u[NR]=$2; s[NR]=$3; m[NR]=$4 }
    function median(a, n,   i, j, t) {
      for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
      return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
    }
    END {
      lo = w[1]; hi = w[1]; for (i = 2; i <= NR; i++) { if (w[i] < lo) lo = w[i]; if (w[i] > hi) hi = w[i] }
      printf "%-10s wall %.3f s (%.3f..%.3f)  user %.3f s  sys %.3f s  peak %d KiB\n",
             name, median(w, NR), lo, hi, median(u, NR), median(s, NR), median(m, NR)
    }'
}

mkdir -p "$shm/user-databases"
"$work/tools/tools/demotree/qzdemotree" --user-databases "$shm/user-databases" "${QZ_BENCH_USER_ENTRIES:-3000}"

export QZ_SYSTEM_ROOT=$shm/machine QZ_UI=console
measure installer fresh "$shm/QuendaZorvelSetup" -AcceptedLicense
measure update installed_with_user_entries "$shm/QuendaZorvelSetup" -AcceptedLicense
measure tar fresh tar -xzf "$shm/fullscale.tar.gz" -C "$shm/out"
measure unzip fresh unzip -q "$shm/fullscale.zip" -d "$shm/out"
measure cp fresh cp -r "$shm/tree" "$shm/out/tree"
echo "installer: its wall time includes the five-second countdown of a silent run and two preview DLL pauses of 500 ms"
rm -rf "$shm"
