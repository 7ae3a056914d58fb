#!/usr/bin/env bash
# The benchmark suite, one command:
#   bash bench/run.sh                 builds (Release), generates the full-scale
#                                     tree once (cached in build/bench), runs
#                                     everything, writes docs/performance.md
#   bash bench/run.sh --smoke OUTDIR  the demo product, one run, small merges,
#                                     the report in OUTDIR; docs/ is not touched
# Installations and extractions run on a tmpfs (/dev/shm). QZ_BENCH_RUNS sets
# the runs per figure (5), QZ_BENCH_USER_ENTRIES the user entries per database
# of the update run (3000), QZ_BENCH_SCAN_MAX the largest merge size that the
# plain scan runs at (all). A smoke run uses QZ_BENCH_BUILD (a build folder
# that holds the programs) and QZ_BENCH_TREE (the tree packed into it) when
# they are set, and installs no packages.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
here=$src/bench

mode=full
if [ "${1:-}" = --smoke ]; then
  [ $# -eq 2 ] || { echo "usage: bench/run.sh [--smoke OUTDIR]" >&2; exit 2; }
  mode=smoke
  mkdir -p "$2"
  outdir=$(cd "$2" && pwd)
elif [ $# -ne 0 ]; then
  echo "usage: bench/run.sh [--smoke OUTDIR]" >&2
  exit 2
fi

if [ $mode = full ]; then
  runs=${QZ_BENCH_RUNS:-5}
  sizes=1000,10000,50000
  user_entries=${QZ_BENCH_USER_ENTRIES:-3000}
  outdir=$src/docs
  work=$src/build/bench
else
  runs=1
  sizes=100,1000
  user_entries=200
  work=$outdir/work
fi
scan_max=${QZ_BENCH_SCAN_MAX:-1000000000}
report=$outdir/performance.md
plot_name=merge-scaling.png
shm=/dev/shm/qz-bench-$$
res=$work/results
rm -rf "$res" && mkdir -p "$res" "$work"
cleanup() {
  [ -n "${load_pid:-}" ] && kill "$load_pid" 2>/dev/null || true
  rm -rf "$shm"
}
trap cleanup EXIT

log() { echo "bench: $*" >&2; }
have() { command -v "$1" >/dev/null 2>&1; }

# ---- tools and programs ----------------------------------------------------

ensure_packages() {
  local missing=()
  have zip || missing+=(zip)
  have unzip || missing+=(unzip)
  [ -x /usr/bin/time ] || missing+=(time)
  have gnuplot || missing+=(gnuplot-nox)
  have perf || missing+=(linux-perf)
  [ ${#missing[@]} -eq 0 ] && return
  log "installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq && apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

build_full() {
  bash "$src/tools/install-packages.sh"
  ensure_packages
  log "building the tree generator"
  QZ_TARGETS=qzdemotree bash "$src/tools/build.sh" "$work/tools" -DCMAKE_BUILD_TYPE=Release -DQZ_BUILD_TESTS=OFF \
    >"$work/build-tools.log"
  tree=$work/fullscale-tree
  # The cached tree is the generator's output: a changed generator makes it anew.
  local generator
  generator=$(sha256sum "$work/tools/tools/demotree/qzdemotree" | cut -d' ' -f1)
  if [ "$(cat "$work/fullscale.stamp" 2>/dev/null)" != "$generator" ]; then
    log "generating the full-scale tree"
    rm -rf "$tree"
    "$work/tools/tools/demotree/qzdemotree" --full-scale "$tree"
    echo "$generator" >"$work/fullscale.stamp"
  fi
  log "building the installer and the timing programs (Release)"
  QZ_TARGETS="QuendaZorvelSetup qzsystemtools qzdemotree qz_install_run qz_copy_back qz_merge_sweep" \
    bash "$src/tools/build.sh" "$work/release" -DCMAKE_BUILD_TYPE=Release -DQZ_BUILD_TESTS=OFF \
    -DQZ_BUILD_BENCH=ON -DQZ_PRODUCT_DIR="$tree" >"$work/build-release.log"
  bin=$work/release
}

build_smoke() {
  if [ -n "${QZ_BENCH_BUILD:-}" ]; then
    bin=$QZ_BENCH_BUILD
    tree=${QZ_BENCH_TREE:-$bin/demo-product}
  else
    log "building the demo installer and the timing programs"
    QZ_TARGETS="QuendaZorvelSetup qzsystemtools qzdemotree qz_install_run qz_copy_back qz_merge_sweep" \
      bash "$src/tools/build.sh" "$src/build/bench-smoke" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQZ_BUILD_TESTS=OFF \
      >"$work/build.log"
    bin=$src/build/bench-smoke
    tree=$bin/demo-product
  fi
}

if [ $mode = full ]; then build_full; else build_smoke; fi
installer=$bin/app/QuendaZorvelSetup
install_run=$bin/bench/qz_install_run
copy_back=$bin/bench/qz_copy_back
merge_sweep=$bin/bench/qz_merge_sweep
demotree=$bin/tools/demotree/qzdemotree
systemtools=$bin/tools/systemtools/qzsystemtools
for p in "$installer" "$install_run" "$copy_back" "$merge_sweep" "$demotree" "$systemtools"; do
  [ -x "$p" ] || { echo "bench: $p is missing" >&2; exit 1; }
done
[ -d "$tree" ] || { echo "bench: no tree at $tree" >&2; exit 1; }

# ---- the machine and its load -------------------------------------------------

{
  echo "cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
  echo "cores=$(nproc)"
  echo "memory=$(awk '/MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)"
  echo "kernel=$(uname -sr)"
  echo "os=$(. /etc/os-release 2>/dev/null && echo "$PRETTY_NAME")"
  echo "compiler=$(c++ --version | head -1)"
  echo "zlib=$(awk '/define ZLIB_VERSION / { gsub(/"/, "", $3); print $3 }' /usr/include/zlib.h 2>/dev/null)"
  echo "date=$(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "shm=$(df -h /dev/shm | awk 'NR == 2 { print $1 ", " $2 }')"
} >"$res/machine.txt"
cut -d' ' -f1 /proc/loadavg >"$res/load.txt"
(while sleep 5; do cut -d' ' -f1 /proc/loadavg >>"$res/load.txt"; done) &
load_pid=$!

# ---- inputs on the tmpfs --------------------------------------------------------

log "preparing the archives and the tmpfs"
[ -f "$work/tree.tar.gz" ] && [ "$work/tree.tar.gz" -nt "$tree" ] || (cd "$tree" && tar -cf - . | gzip -6 >"$work/tree.tar.gz")
if have zip; then
  [ -f "$work/tree.zip" ] && [ "$work/tree.zip" -nt "$tree" ] || (rm -f "$work/tree.zip" && cd "$tree" && zip -q -r -6 "$work/tree.zip" .)
fi
mkdir -p "$shm"
cp "$installer" "$install_run" "$systemtools" "$work/tree.tar.gz" "$shm/"
[ -f "$work/tree.zip" ] && cp "$work/tree.zip" "$shm/"
cp -r "$tree" "$shm/tree"
mkdir -p "$shm/user-databases"
"$demotree" --user-databases "$shm/user-databases" "$user_entries"
{
  echo "files=$(find "$tree" -type f | wc -l)"
  echo "bytes=$(find "$tree" -type f -printf '%s\n' | awk '{ s += $1 } END { print s }')"
  "$bin/tools/qzpack/qzpack" list "$tree" | awk -F'\t' '$1 == "total" {
    split($5, m, " "); split($4, st, " "); print "gzip_members=" m[1]; print "stored_bytes=" st[1] }'
  echo "tar_gz_bytes=$(stat -c %s "$work/tree.tar.gz")"
  [ -f "$work/tree.zip" ] && echo "zip_bytes=$(stat -c %s "$work/tree.zip")"
  echo "installer_bytes=$(stat -c %s "$installer")"
  echo "user_entries=$user_entries"
  echo "runs=$runs"
} >"$res/tree.txt"

# The installer's temporary files go where the machine's own TMP and TEMP
# say; a host's values would name host folders.
export QZ_UI=console QZ_SYSTEM_TOOLS=$shm/qzsystemtools QZ_SYSTEM_ROOT=$shm/machine
unset DISPLAY WAYLAND_DISPLAY TMP TEMP
install_dir="$shm/machine/drive_c/Program Files/Ombra/QuendaZorvel"

fresh() { rm -rf "$shm/out" "$shm/machine" && mkdir -p "$shm/out"; }
installed_with_user_entries() {
  fresh
  "$shm/qz_install_run" >/dev/null
  cp "$shm/user-databases/"* "$install_dir/lib/cmp/"
}

# measure NAME SETUP COMMAND...: RUNS samples of /usr/bin/time into
# $res/NAME.tsv (wall, user, sys, peak KiB), with the program's own line.
measure() {
  local name=$1 setup=$2
  shift 2
  : >"$res/$name.tsv"
  for _ in $(seq "$runs"); do
    $setup
    /usr/bin/time -f "%e %U %S %M" -o "$shm/time.txt" "$@" >"$shm/stdout.txt" 2>"$shm/stderr.txt" ||
      { cat "$shm/stderr.txt" >&2; echo "bench: $name failed" >&2; exit 1; }
    echo "$(cat "$shm/time.txt") $(grep -m1 'install_s=' "$shm/stdout.txt" || true)" >>"$res/$name.tsv"
    # A message on the console means the installation went wrong, even though
    # the installer ends with status 0 after one.
    if grep -q '^\[QuendaZorvelSetup\]' "$shm/stderr.txt"; then
      cat "$shm/stderr.txt" >&2
      echo "bench: $name showed a message" >&2
      exit 1
    fi
  done
}

log "installations ($runs runs each)"
measure install fresh "$shm/qz_install_run"
grep -q "update=0" "$res/install.tsv" || { echo "bench: the first installation was not an overwrite" >&2; exit 1; }
[ "$(find "$install_dir" -type f | wc -l)" -gt 0 ] || { echo "bench: nothing was installed" >&2; exit 1; }
measure update installed_with_user_entries "$shm/qz_install_run"
grep -q "update=1" "$res/update.tsv" || { echo "bench: the update run was not an update" >&2; exit 1; }
measure setup_exe fresh "$shm/QuendaZorvelSetup" -AcceptedLicense
measure tar fresh tar -xzf "$shm/tree.tar.gz" -C "$shm/out"
[ -f "$shm/tree.zip" ] && measure unzip fresh unzip -q "$shm/tree.zip" -d "$shm/out"
measure cp fresh cp -r "$shm/tree" "$shm/out/tree"

log "the copy back, kernel-side and through a buffer ($runs runs)"
fresh
cp "$copy_back" "$shm/"
"$bin/tools/qzpack/qzpack" list "$tree" | "$shm/qz_copy_back" "$shm/tree" "$runs" >"$res/copy_back.tsv" ||
  { echo "bench: the copy back failed" >&2; exit 1; }

# ---- merges -----------------------------------------------------------------

log "merges at $sizes records per side"
merge_status=0
TMPDIR=$shm "$merge_sweep" --sizes "$sizes" --runs "$runs" --scan-runs-above 10000:1 --scan-max "$scan_max" \
  >"$res/merges.tsv" || merge_status=$?
[ $merge_status -le 1 ] || { echo "bench: the merge sweep failed" >&2; exit 1; }

# ---- profile ----------------------------------------------------------------

profile_status="not run: perf is not installed"
if have perf; then
  log "profiling one installation"
  fresh
  if perf record -q -F 1999 --call-graph dwarf,16384 -o "$shm/perf.data" -- "$shm/qz_install_run" \
    >/dev/null 2>"$res/perf-record.log"; then
    perf script -i "$shm/perf.data" -F comm,tid,ip,sym,dso --no-inline 2>/dev/null |
      awk -v installer=qz_install_run -f "$here/profile_buckets.awk" >"$res/profile.tsv" && profile_status=ok
  else
    profile_status="not run: perf record failed ($(tail -1 "$res/perf-record.log"))"
  fi
fi
echo "$profile_status" >"$res/profile_status.txt"

kill "$load_pid" 2>/dev/null || true
load_pid=
cut -d' ' -f1 /proc/loadavg >>"$res/load.txt"

# ---- report -----------------------------------------------------------------

if have gnuplot; then
  log "plotting"
  bash "$here/plot_merges.sh" "$res/merges.tsv" "$outdir/$plot_name" || rm -f "$outdir/$plot_name"
fi
bash "$here/report.sh" "$res" "$plot_name" "$([ -f "$outdir/$plot_name" ] && echo yes || echo no)" "$mode" >"$report"
log "wrote $report"
[ $merge_status -eq 0 ] || { echo "bench: a merge gave different files with the lookup and the plain scan" >&2; exit 1; }
