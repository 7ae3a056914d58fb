#!/usr/bin/env bash
# Writes the performance report (markdown, on standard output) from the
# results folder of bench/run.sh.
#   bench/report.sh RESULTS PLOT_NAME HAS_PLOT(yes|no) MODE(full|smoke)
set -euo pipefail
res=$1
plot=$2
has_plot=$3
mode=$4

value() { awk -F= -v k="$2" '$1 == k { sub(/^[^=]*=/, ""); print; exit }' "$1"; }

# A field of a result line: a column number or the key of a key=value column.
field_awk='function field(f,   i) {
  if (f ~ /^[0-9]+$/) return $f
  for (i = 1; i <= NF; i++) if (index($i, f "=") == 1) return substr($i, length(f) + 2)
  return ""
}'

# stat FILE FIELD: "median min max" of a field over the runs.
stat() {
  [ -s "$1" ] || { echo "- - -"; return; }
  awk -v f="$2" "$field_awk"'
    {
      v = field(f)
      if (v != "") x[++n] = v + 0
    }
    END {
      if (n == 0) { print "- - -"; exit }
      for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (x[j] < x[i]) { t = x[i]; x[i] = x[j]; x[j] = t }
      m = n % 2 ? x[(n + 1) / 2] : (x[n / 2] + x[n / 2 + 1]) / 2
      print m, x[1], x[n]
    }' "$1"
}

# difference FILE A B OUT: stat of field A less field B, taken in each run
# (the run's values are kept in OUT).
difference() {
  awk -v a="$2" -v b="$3" "$field_awk"'{ print field(a) - field(b) }' "$1" >"$4"
  stat "$4" 1
}

# wall minus the run's own measured pauses.
stat_without_pauses() { difference "$1" 1 pause_s "$1.nopause"; }

seconds() { awk -v m="$1" -v lo="$2" -v hi="$3" 'BEGIN { if (m == "-") print "—"; else printf "%.2f s (%.2f–%.2f)", m, lo, hi }'; }
milliseconds() { awk -v m="$1" -v lo="$2" -v hi="$3" 'BEGIN { if (m == "-") print "—"; else printf "%.1f ms (%.1f–%.1f)", m * 1000, lo * 1000, hi * 1000 }'; }
mebibytes() { awk -v k="$1" 'BEGIN { if (k == "-") print "—"; else printf "%.0f MiB", k / 1024 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "-" || b == "-" || b == 0) print "—"; else printf "%.2f", a / b }'; }
thousands() {
  awk -v n="$1" 'BEGIN {
    if (n !~ /^[0-9]+$/) { print n; exit }
    s = ""; while (length(n) > 3) { s = "," substr(n, length(n) - 2) s; n = substr(n, 1, length(n) - 3) }
    print n s }'
}

row() {  # label file [wall-without-pauses]
  local label=$1 file=$2
  [ -s "$file" ] || { echo "| $label | not run | | | |"; return; }
  read -r w wl wh <<<"$(stat "$file" 1)"
  read -r u ul uh <<<"$(stat "$file" 2)"
  read -r s sl sh <<<"$(stat "$file" 3)"
  read -r k _ _ <<<"$(stat "$file" 4)"
  echo "| $label | $(seconds "$w" "$wl" "$wh") | $(seconds "$u" "$ul" "$uh") | $(seconds "$s" "$sl" "$sh") | $(mebibytes "$k") |"
}

machine=$res/machine.txt
tree=$res/tree.txt
runs=$(value "$tree" runs)
read -r load_med load_min load_max <<<"$(stat "$res/load.txt" 1)"

cat <<EOF
# Performance

Written by \`bash bench/run.sh\` on $(value "$machine" date)$([ "$mode" = smoke ] && echo " (smoke run: the demo product, one run, small merges — not figures to quote)"); do not edit by hand.
Absolute times on this machine are noisy (it is shared with other builds):
quote the medians and the ratios of one run. Every figure is the median of
$runs runs with the minimum–maximum in brackets, unless a row says otherwise.

## The machine

| | |
|---|---|
| CPU | $(value "$machine" cpu) |
| cores | $(value "$machine" cores) |
| memory | $(value "$machine" memory) |
| kernel | $(value "$machine" kernel) |
| system | $(value "$machine" os) |
| compiler | $(value "$machine" compiler), Release (-O3) |
| zlib | $(value "$machine" zlib) |
| installations and extractions | on the tmpfs /dev/shm ($(value "$machine" shm)) |
| load during the run | 1-minute load average $load_med (median of samples every 5 s; $load_min–$load_max) on $(value "$machine" cores) cores |

EOF

# ---- installation -------------------------------------------------------------

inst=$res/install.tsv
upd=$res/update.tsv
read -r tw twl twh <<<"$(stat "$res/tar.tsv" 1)"
read -r iw iwl iwh <<<"$(stat "$inst" 1)"
read -r inw inwl inwh <<<"$(stat_without_pauses "$inst")"
read -r uw uwl uwh <<<"$(stat "$upd" 1)"
read -r unw unwl unwh <<<"$(stat_without_pauses "$upd")"
read -r cw _ _ <<<"$(stat "$res/cp.tsv" 1)"
read -r is isl ish <<<"$(stat "$inst" install_s)"
read -r ws wsl wsh <<<"$(stat "$inst" worker_s)"
read -r ps psl psh <<<"$(stat "$inst" post_s)"
read -r pa pal pah <<<"$(stat "$inst" pause_s)"
read -r pn _ _ <<<"$(stat "$inst" pauses)"
read -r us usl ush <<<"$(stat "$upd" install_s)"
read -r xw xwl xwh <<<"$(stat "$res/setup_exe.tsv" 1)"
cpu_of() { awk '{ print $2 + $3 }' "$1" >"$1.cpu"; stat "$1.cpu" 1 | cut -d' ' -f1; }
icpu=$(cpu_of "$inst")
tcpu=$(cpu_of "$res/tar.tsv")

cat <<EOF
## Installation of the tree

The tree: $(thousands "$(value "$tree" files)") files, $(thousands "$(value "$tree" bytes)") bytes, $(thousands "$(value "$tree" gzip_members)") of them gzip members
in the installer ($(thousands "$(value "$tree" stored_bytes)") bytes stored; the installer is
$(thousands "$(value "$tree" installer_bytes)") bytes). The same tree as a .tar.gz (gzip -6) of
$(thousands "$(value "$tree" tar_gz_bytes)") bytes, as a .zip (zip -6) of $(thousands "$(value "$tree" zip_bytes)") bytes, and as plain files.
Every run writes into a fresh, empty emulated machine (or output folder) on
the tmpfs; wall, user and system time and peak resident memory are those of
the whole process (\`/usr/bin/time\`), start-up and exit included.

How the installation is timed. A silent run of the real program
(\`QuendaZorvelSetup -AcceptedLicense\`) first counts down five seconds and
then polls the worker every 200 ms, so its wall time is mostly waiting. The
suite therefore times \`qz_install_run\` (bench/install_run.cpp): the same
installer code with the same embedded payload, started the way the dialog
starts it when the countdown ends — the driver's Install Now, the worker on
its own thread, the post-install sequence (links, uninstall.info, preview
registration through regsvr32, stamp.bin, registry) — with the worker's done
flag watched every 1 ms instead of every 200 ms. The two 500 ms pauses before
the preview DLLs are opened are kept: the program times each of them as it
happens, and "without the pauses" subtracts each run's own measured pauses.
The real program's row is there for comparison; its wall time holds the
countdown.

| run | wall | user | sys | peak RSS |
|---|---|---|---|---|
$(row "installer, overwrite (\`qz_install_run\`)" "$inst")
| the same, without the two measured pauses | $(seconds "$inw" "$inwl" "$inwh") | | | |
$(row "installer, update over $(value "$tree" user_entries) user entries in each of the eight databases" "$upd")
| the same, without the two measured pauses | $(seconds "$unw" "$unwl" "$unwh") | | | |
$(row "\`QuendaZorvelSetup -AcceptedLicense\`, overwrite (5 s countdown, 200 ms polling and the console summary included)" "$res/setup_exe.tsv")
$(row "\`tar -xzf\` of the .tar.gz" "$res/tar.tsv")
$(row "\`unzip -q\` of the .zip" "$res/unzip.tsv")
$(row "\`cp -r\` of the plain tree (the copy floor)" "$res/cp.tsv")

Inside the overwrite installation (\`qz_install_run\`'s own clock):

| phase | time |
|---|---|
| Install Now to the end of the post-install sequence | $(seconds "$is" "$isl" "$ish") |
| Install Now to the worker's done flag | $(seconds "$ws" "$wsl" "$wsh") |
| the post-install sequence | $(seconds "$ps" "$psl" "$psh") |
| the pauses before the preview DLLs ($pn of them), measured | $(seconds "$pa" "$pal" "$pah") |
| update installation, Install Now to the end | $(seconds "$us" "$usl" "$ush") |

Ratios of medians from this run:

| ratio | value |
|---|---|
| installer / \`tar -xzf\`, wall, with the pauses | $(ratio "$iw" "$tw") |
| installer / \`tar -xzf\`, wall, without the pauses | $(ratio "$inw" "$tw") |
| installer / \`tar -xzf\`, CPU (user + system) | $(ratio "$icpu" "$tcpu") |
| installer / \`cp -r\`, wall, without the pauses | $(ratio "$inw" "$cw") |
| update / overwrite installation, wall, without the pauses | $(ratio "$unw" "$inw") |
| real program's wall / \`qz_install_run\`'s wall | $(ratio "$xw" "$iw") |

EOF

# ---- goals of the installation -------------------------------------------------

stored=$(value "$tree" stored_bytes)
read -r ik _ _ <<<"$(stat "$inst" 4)"
read -r uk _ _ <<<"$(stat "$upd" 4)"
beyond() {  # peak KiB: megabytes (10^6 bytes) of the peak beyond the stored payload
  awk -v k="$1" -v p="$stored" 'BEGIN { if (k == "-" || p == "") print "-"; else printf "%.1f", (k * 1024 - p) / 1e6 }'
}
ib=$(beyond "$ik")
ub=$(beyond "$uk")
met() { awk -v v="$1" -v limit="$2" 'BEGIN { if (v == "-" || v == "—") print "—"; else print (v < limit ? "yes" : "no") }'; }
tar_ratio=$(ratio "$inw" "$tw")
cpu_ratio=$(ratio "$icpu" "$tcpu")

cat <<EOF
### The goals of the installation

The installation reads every stored member out of the installer's mapped
payload once, so all of its $(thousands "$stored") bytes count in the peak resident
size; what lies beyond them is the peak less the payload (an upper bound:
the program's code and libraries count in it too).

| goal | measured | met |
|---|---|---|
| faster than \`tar -xzf\`, the pauses apart (wall) | installer / tar $tar_ratio | $(met "$tar_ratio" 1) |
| for comparison, not a goal: the same on CPU time (user + system) | installer / tar $cpu_ratio | |
| peak memory below 32 MB beyond the mapped payload, overwrite | $ib MB | $(met "$ib" 32) |
| the same, update | $ub MB | $(met "$ub" 32) |

EOF

# ---- the copy back --------------------------------------------------------------

cb=$res/copy_back.tsv
if [ -s "$cb" ]; then
  read -r kc kcl kch <<<"$(stat "$cb" kernel_s)"
  read -r bc bcl bch <<<"$(stat "$cb" buffer_s)"
  read -r sc scl sch <<<"$(difference "$cb" buffer_s kernel_s "$cb.saved")"
  read -r cf _ _ <<<"$(stat "$cb" files)"
  read -r cbytes _ _ <<<"$(stat "$cb" bytes)"
  cat <<EOF
### The copy back

Of the three writes of a compressed entry (the stored member, the
decompressed temporary file, the copy back over the destination), the copy
back is the one the system can do without the bytes passing through the
program: \`qz_copy_back\` (bench/copy_back.cpp) copies the tree's
$(thousands "$cf") compressed entries ($(thousands "$cbytes") bytes) over destinations that hold their
stored size, once with the installer's own copy (\`CopyFileBytes\`, which
asks the kernel to copy between the two files) and once with the same opens
and the bytes carried through a 64 KiB buffer; the two take turns going
first, $runs runs.

| copy back of every compressed entry | time |
|---|---|
| kernel-side (\`copy_file_range\`), as the installer does it | $(milliseconds "$kc" "$kcl" "$kch") |
| through a 64 KiB buffer | $(milliseconds "$bc" "$bcl" "$bch") |
| saved by the kernel-side copy, per run | $(milliseconds "$sc" "$scl" "$sch") |
| the saving against the installation without the pauses | $(awk -v s="$sc" -v w="$inw" 'BEGIN { if (s == "-" || w == "-" || w == 0) print "—"; else printf "%.1f %%", 100 * s / w }') |

EOF
fi

# ---- profile ------------------------------------------------------------------

echo "## Where the installation's time goes"
echo
if [ "$(cat "$res/profile_status.txt")" = ok ]; then
  total=$(awk -F'\t' '$1 == "all" { print $2 }' "$res/profile.tsv")
  kernel=$(awk -F'\t' '$1 == "in the kernel" { print $3 }' "$res/profile.tsv")
  cat <<EOF
\`perf record --call-graph dwarf\` of one overwrite installation ($total samples
of CPU time at 1999 Hz; the pauses and waits take no CPU and do not appear).
Each sample goes to the innermost installer function on its stack; the
kernel's work (system calls, page cache, path lookups) is counted with the
function that asked for it. $kernel % of all samples are in the kernel.

| where | share of CPU samples | of which in the kernel |
|---|---|---|
EOF
  awk -F'\t' '$1 != "all" && $1 != "in the kernel"' "$res/profile.tsv" | sort -t$'\t' -k2,2nr |
    awk -F'\t' '{ printf "| %s | %.1f %% | %.1f %% |\n", $1, $3, $4 }'
else
  echo "No profile: $(cat "$res/profile_status.txt")."
fi
echo

# ---- merges -------------------------------------------------------------------

mt=$res/merges.tsv
cell() {  # merge n what
  awk -F'\t' -v m="$1" -v n="$2" -v w="$3" '$1 == m && $2 == n && $3 == w {
    if ($4 == 1) printf "%.1f ms (1 run)", $5; else printf "%.1f ms (%.1f–%.1f)", $5, $6, $7; found = 1 }
    END { if (!found) printf "not run" }' "$mt"
}
median_of() {
  awk -F'\t' -v m="$1" -v n="$2" -v w="$3" '$1 == m && $2 == n && $3 == w { print $5; found = 1 } END { if (!found) print "-" }' "$mt"
}
sizes=$(awk -F'\t' '$3 == "merge" { print $2 }' "$mt" | sort -n | uniq)
merges=$(awk -F'\t' '$3 == "merge" { print $1 }' "$mt" | awk '!seen[$0]++')
largest=$(echo "$sizes" | tail -1)
before=$(echo "$sizes" | tail -2 | head -1)
goal_size=10000
echo "$sizes" | grep -qx $goal_size || goal_size=$largest

cat <<EOF
## Merges

\`qz_merge_sweep\` (bench/merge_sweep.cpp) writes, for each of the seven
merges and each size, an installed and a shipped file of N records each: half
of the shipped records replace user records, whose names the user often
spelled in another letter case, and about 2 % of the names repeat; for
resistors every third record is anonymous (matched by its values). Then:

- whole merge: the release sync as an update runs it, \`Merge…()\` over the
  installed file (backup, both reads, merge, sort and de-duplication for the
  archives, the write);
- record merge: the merge step alone on records already read, through the
  lookup (\`MergeModelRecords\`, \`MergeShippedRecords\`) and through the plain
  scan it replaces (\`…ByScan\`).

All three results are written out and compared byte for byte in every run of
the suite; "identical" says whether they agreed. The plain scan is quadratic,
so above 10,000 records per side it runs once instead of $runs times;
$([ -n "${QZ_BENCH_SCAN_MAX:-}" ] && echo "above $(thousands "$QZ_BENCH_SCAN_MAX") records per side it was not run (QZ_BENCH_SCAN_MAX), and the identical check there covers the lookup only." || echo "it ran at every size.")

EOF
for m in $merges; do
  echo "### $m"
  echo
  echo "| records per side | whole merge | record merge, lookup | record merge, plain scan | scan / lookup | identical |"
  echo "|---|---|---|---|---|---|"
  for n in $sizes; do
    same=$(awk -F'\t' -v m="$m" -v n="$n" '$1 == m && $2 == n && $3 == "identical" { print ($4 == 1 ? "yes" : "NO") ($7 == 1 ? "" : " (lookup only)") }' "$mt")
    echo "| $(thousands "$n") | $(cell "$m" "$n" merge) | $(cell "$m" "$n" step_indexed) | $(cell "$m" "$n" step_scan) | $(ratio "$(median_of "$m" "$n" step_scan)" "$(median_of "$m" "$n" step_indexed)") | $same |"
  done
  echo
done

growth() {  # merge what from to
  ratio "$(median_of "$1" "$3" "$2")" "$(median_of "$1" "$4" "$2")"
}
cat <<EOF
### Growth and the goals

Goal: every merge linear or n log n in the records, and each whole merge of
$(thousands $goal_size) records per side under 100 ms. Growth is the ratio of the median
times at $(thousands "$largest") and $(thousands "$before") records per side (a factor of $(awk -v a="$largest" -v b="$before" 'BEGIN { printf "%g", a / b }') in size): linear
gives about $(awk -v a="$largest" -v b="$before" 'BEGIN { printf "%g", a / b }'), n log n a little more, quadratic about $(awk -v a="$largest" -v b="$before" 'BEGIN { printf "%g", (a / b) ^ 2 }').
The lookups do the same work per record at every size (the model merge's
instruction count, under valgrind, grows tenfold from 10,000 to 100,000
records per side); their time grows faster than that because the records,
their names and the index outgrow the processor's caches, so that more of
the lookups wait for memory. The archives' merges also sort, in n log n.

| merge | whole merge at $(thousands $goal_size) | under 100 ms | growth, whole merge | growth, record merge by lookup | growth, plain scan |
|---|---|---|---|---|---|
EOF
for m in $merges; do
  g=$(median_of "$m" $goal_size merge)
  ok=$(awk -v g="$g" 'BEGIN { print (g != "-" && g < 100) ? "yes" : "no" }')
  echo "| $m | $(awk -v g="$g" 'BEGIN { printf "%.1f ms", g }') | $ok | $(growth "$m" merge "$largest" "$before") | $(growth "$m" step_indexed "$largest" "$before") | $(growth "$m" step_scan "$largest" "$before") |"
done
echo
if [ "$has_plot" = yes ]; then
  echo "![Merge time against records per side, log-log]($plot)"
  echo
fi
