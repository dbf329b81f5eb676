#!/usr/bin/env bash
# Sets up, builds and runs every test: the Windows suite under Wine in both
# locales (code page 1250 with a decimal comma, 1252 with a decimal point),
# then the portable code natively under ASan and UBSan.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/setup.sh
bash scripts/build.sh --native || exit 1

export KARVO_WINEPREFIX="$root/build/wineprefix"
failed=0
# The test of the product's full one-minute waits does not depend on the
# locale: it runs once, under the first.
for loc in pl_PL.UTF-8 C; do
  echo "=== Windows suite under LANG=LC_ALL=$loc"
  only_once=""
  [ "$loc" = C ] && only_once="-LE realwait"
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
