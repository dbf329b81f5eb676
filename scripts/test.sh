#!/usr/bin/env bash
# Sets up, builds and runs every test: the Windows suite under Wine in both
# locales (code page 1250 with a decimal comma, 1252 with a decimal point),
# then the portable code natively under ASan and UBSan.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/setup.sh || exit 1
bash scripts/build.sh --native || exit 1

export KARVO_WINEPREFIX="$root/build/wineprefix"
# One Wine session for both passes, begun here, alone: the first process of
# a session has Wine start the prefix's services (wineboot --init), and two
# tests starting processes at that moment can leave it stuck, with every
# later process waiting for it.
"$root/tools/wine-run" cmd /c exit >/dev/null 2>&1  # makes the prefix if need be
WINEPREFIX="$KARVO_WINEPREFIX" wineserver -w
WINEPREFIX="$KARVO_WINEPREFIX" wineserver -p
"$root/tools/wine-run" cmd /c exit >/dev/null 2>&1
failed=0
# The test of the product's full one-minute waits and the runs on the
# simulated Windows timer do not depend on the locale: they run once, under
# the first.
for loc in pl_PL.UTF-8 C; do
  echo "=== Windows suite under LANG=LC_ALL=$loc"
  only_once=""
  [ "$loc" = C ] && only_once="-LE once"
  (cd build/mingw && LANG=$loc LC_ALL=$loc ctest --output-on-failure -j2 $only_once ${KARVO_CTEST_ARGS:-}) || failed=1
done
echo "=== Portable code under the sanitizers"
(cd build/native && ctest --output-on-failure -j2) || failed=1
WINEPREFIX="$KARVO_WINEPREFIX" wineserver -k 2>/dev/null || true
if [ $failed -ne 0 ]; then
  echo "test.sh: FAILED"
  exit 1
fi
echo "test.sh: all suites passed"
