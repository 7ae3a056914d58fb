#!/usr/bin/env bash
# Fails when a source file includes a header of a layer above its own:
# tools/check-layers.sh [SOURCE_DIR]. Each layer is a folder; a folder's
# files may include headers of the folders listed for it, and of no other.
set -euo pipefail
src=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$src"

# folder: the folders its files may include from (its own among them).
allowed() {
  case $1 in
    platform) echo "platform" ;;
    support) echo "platform support" ;;
    models) echo "platform support models" ;;
    archive) echo "platform support archive" ;;
    desktop) echo "platform support desktop" ;;
    engine) echo "platform support models archive desktop engine" ;;
    payload) echo "platform support engine payload" ;;
    res) echo "platform res" ;;
    app) echo "platform support models archive desktop engine payload res app" ;;
    *) return 1 ;;
  esac
}

layers="platform support models archive desktop engine payload res app"
status=0
for layer in $layers; do
  [ -d "$layer" ] || continue
  permitted=" $(allowed "$layer") "
  while IFS=: read -r file line text; do
    header=${text#*\"}
    header=${header%%\"*}
    folder=${header%%/*}
    [ "$folder" = "$header" ] && continue  # a header beside the file
    allowed "$folder" >/dev/null || continue  # not a layer: tests/, tools/, a library
    if [[ $permitted != *" $folder "* ]]; then
      echo "$file:$line: $layer includes $header, of the layer $folder above it or beside it"
      status=1
    fi
  done < <(grep -rn --include='*.h' --include='*.cpp' --include='*.inc' -E '^\s*#\s*include\s+"' "$layer" || true)
done
# Inside platform/ the parts stand in one line: base, host, win, dialog, qt.
parts="base host win dialog qt"
rank() { local i=0; for p in $parts; do [ "$p" = "$1" ] && { echo $i; return; }; i=$((i + 1)); done; echo -1; }
for part in $parts; do
  [ -d "platform/$part" ] || continue
  own=$(rank "$part")
  while IFS=: read -r file line text; do
    header=${text#*\"platform/}
    header=${header%%\"*}
    other=${header%%/*}
    r=$(rank "$other")
    if [ "$r" -gt "$own" ]; then
      echo "$file:$line: platform/$part includes platform/$header, of the part $other above it"
      status=1
    fi
  done < <(grep -rn --include='*.h' --include='*.cpp' -E '^\s*#\s*include\s+"platform/' "platform/$part" || true)
done

[ $status -eq 0 ] && echo "layers: no include reaches upward"
exit $status
