# Sorts the samples of `perf script -F comm,tid,ip,sym,dso` (with call stacks) of
# one installation into what the time goes to, by the innermost function of
# the installer that a sample's stack holds, and by whether the sample itself
# is in zlib or in the kernel. Prints: bucket, samples, share in per cent,
# the share of all samples that the bucket spent in the kernel;
# then "all" and "in the kernel". The installer's process name: -v installer=NAME.
function bucket(   i, s, zlib) {
  zlib = 0
  if (comm != installer) return "the regsvr32 stand-ins (child processes)"
  for (i = 1; i <= n; i++) {
    s = sym[i]
    if (dso[i] ~ /libz\.so/) zlib = 1
    if (s ~ /GzipReader::(Open|Close)/) return "opening and closing each member in zlib"
    if (s ~ /GunzipToFile|GzipReader::Read/) {
      if (zlib && kernel[1]) return "reading the members back (gzread's reads)"
      if (zlib) return "inflate and CRC-32 (zlib)"
      return "writing the decompressed bytes to the temporary file"
    }
    if (s ~ /CopyFileBytes/) return "the copy back over the destination"
    if (s ~ /TemporaryFileName|CreateTemporaryFile/) return "temporary files: names, creation, removal"
    if (s ~ /RemoveFile/ && stack ~ /GunzipInPlace/) return "temporary files: names, creation, removal"
    if (s ~ /GunzipInPlace/) return zlib ? "inflate and CRC-32 (zlib)" : "temporary files: names, creation, removal"
    if (s ~ /OpenForWriting|CreateDirectoryTree/) return "creating and opening the destination files"
    if (s ~ /WriteEntryFile/) return "writing the stored member to the destination"
    if (s ~ /SyncDatabaseEntry|Merge[A-Z]/) return "database merges"
    if (s ~ /InstallWorker/) return "the worker's other steps (paths, status line, attributes)"
    if (s ~ /RunPostInstallSequence|OnInstallTimer/) return "the post-install sequence"
    if (s ~ /OnInstallNow/) return "Install Now's checks"
  }
  return "start-up, exit and the main thread's waiting"
}

function flush() {
  if (n == 0) return
  b = bucket()
  count[b]++
  total++
  if (kernel[1]) { inKernel++; kernelOf[b]++ }
  n = 0
  stack = ""
}

/^[^ \t]/ { flush(); comm = $1; next }
/^[ \t]*$/ { flush(); next }
{
  line = $0
  d = ""
  if (match(line, /\([^()]*\)[ \t]*$/)) {
    d = substr(line, RSTART + 1, RLENGTH - 2)
    line = substr(line, 1, RSTART - 1)
  }
  sub(/^[ \t]*[0-9a-f]+[ \t]+/, "", line)
  sub(/\+0x[0-9a-f]+[ \t]*$/, "", line)
  n++
  sym[n] = line
  dso[n] = d
  kernel[n] = (d ~ /kernel|vmlinux/) ? 1 : 0
  stack = stack " " line
}
END {
  flush()
  for (b in count) printf "%s\t%d\t%.1f\t%.1f\n", b, count[b], 100 * count[b] / total, 100 * kernelOf[b] / total
  printf "all\t%d\t100.0\t%.1f\n", total, total ? 100 * inKernel / total : 0
  printf "in the kernel\t%d\t%.1f\t%.1f\n", inKernel, total ? 100 * inKernel / total : 0, total ? 100 * inKernel / total : 0
}
