#!/usr/bin/env bash
# The main job: builds the installer and runs a silent installation of the
# embedded demo payload into a fresh emulated machine, on the console.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
bash "$src/tools/install-packages.sh"
bash "$src/tools/build.sh" "$src/build/release" -DCMAKE_BUILD_TYPE=Release -DQZ_BUILD_TESTS=OFF
machine="$src/build/release/machine"
rm -rf "$machine"
export QZ_SYSTEM_ROOT="$machine" QZ_UI=console
"$src/build/release/app/QuendaZorvelSetup" -AcceptedLicense
