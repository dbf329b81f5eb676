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
# Into a pipe, refhost and the plug-in both write the ANSI code page of the
# locale; the terminal reads UTF-8.
case "$LC_ALL" in pl_PL*) cp=CP1250 ;; *) cp=CP1252 ;; esac
set +e
"$root/tools/wine-run" refhost.exe SamplePlugin.dll | iconv -f "$cp" -t UTF-8
rc=${PIPESTATUS[0]}
set -e
WINEPREFIX="$KARVO_WINEPREFIX" wineserver -k 2>/dev/null || true
exit $rc
