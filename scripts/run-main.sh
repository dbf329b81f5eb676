#!/usr/bin/env bash
# The main job: the reference host serving the sample plug-in under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/setup.sh
bash scripts/build.sh
export KARVO_WINEPREFIX="$root/build/wineprefix"
export LANG=${KARVO_LOCALE:-pl_PL.UTF-8} LC_ALL=${KARVO_LOCALE:-pl_PL.UTF-8}
cd build/mingw/bin
rc=0
"$root/tools/wine-run" refhost.exe SamplePlugin.dll || rc=$?
WINEPREFIX="$KARVO_WINEPREFIX" wineserver -k 2>/dev/null || true
exit $rc
