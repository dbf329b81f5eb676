#!/usr/bin/env bash
# Builds a Free Pascal cross compiler for i386-win32 from Debian's
# fpc-source with the native fpc, and the win32 RTL with it. No Makefiles:
#   1. msg2inc regenerates the compiler's message tables from errore.msg;
#   2. the native fpc compiles compiler/pp.pas with -di386 into ppc386;
#   3. ppc386 compiles system, objpas and the rest of the RTL for win32.
# The result is kept under build/fpc-win32 and built once: a stamp names the
# fpc-source version it came from. Prints the path of the ready compiler.
#   scripts/build-fpc-win32.sh [--check] [outdir]
# --check builds nothing: it succeeds when the compiler is ready.
set -euo pipefail
cd "$(dirname "$0")/.."
check=0
if [ "${1:-}" = "--check" ]; then
  check=1
  shift
fi
out=$(realpath -m "${1:-build/fpc-win32}")
ver=$(fpc -iV)
src=/usr/share/fpcsrc/$ver
msgfile=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || echo x86_64-linux-gnu)/fpc/$ver/msg/errore.msg
[ -f "$msgfile" ] || msgfile=$(find /usr/lib -path "*fpc/$ver/msg/errore.msg" | head -1)
stamp="$out/.built-$(dpkg-query -W -f='${Version}' "fpc-source-$ver" 2>/dev/null || echo "$ver")"
ppc="$out/bin/ppc386"
rtl="$out/units/i386-win32/rtl"

if [ -f "$stamp" ] && [ -x "$ppc" ]; then
  echo "$ppc"
  exit 0
fi
[ $check -eq 0 ] || exit 1
[ -d "$src/compiler" ] || { echo "build-fpc-win32: $src missing (apt-get install fpc-source)" >&2; exit 1; }

# One builder at a time: the test suite runs in parallel.
mkdir -p "$out"
exec 9>"$out/.lock"
flock 9
if [ -f "$stamp" ] && [ -x "$ppc" ]; then
  echo "$ppc"
  exit 0
fi
rm -rf "$out/bin" "$out/units" "$out/compiler" "$out/tools" "$out"/.built-*
mkdir -p "$out/bin" "$rtl" "$out/compiler/units" "$out/compiler/msg" "$out/tools"
log="$out/build.log"
: >"$log"
run() { "$@" >>"$log" 2>&1 || { echo "build-fpc-win32: failed: $*  (see $log)" >&2; tail -20 "$log" >&2; exit 1; }; }

# 1. The message tables the compiler includes (msgtxt.inc is not shipped).
run fpc -FE"$out/tools" -FU"$out/tools" \
  "$src/compiler/utils/msg2inc.pp"
(cd "$out/compiler/msg" && run "$out/tools/msg2inc" "$msgfile" msg msg)

# 2. The cross compiler itself, hosted on this machine, targeting i386.
run fpc -di386 -dGDB -dBROWSERLOG -O2 -Xs -Sg \
  -Fi"$out/compiler/msg" -Fu"$src/compiler" -Fu"$src/compiler/i386" -Fu"$src/compiler/x86" -Fu"$src/compiler/systems" \
  -Fi"$src/compiler" -Fi"$src/compiler/i386" -Fi"$src/compiler/x86" \
  -FU"$out/compiler/units" -o"$ppc" "$src/compiler/pp.pas"

# 3. The win32 RTL, in the order its makefile gives.
r=$src/rtl
common=(-n -Twin32 -Pi386 -O2 -Ur -FU"$rtl" -Fu"$rtl" -Fi"$r/inc" -Fi"$r/i386" -Fi"$r/win" -Fi"$r/win32" -Fi"$r/x86")
run "$ppc" "${common[@]}" -Us -Sg "$r/win32/system.pp"
run "$ppc" "${common[@]}" "$r/inc/heaptrc.pp"
run "$ppc" "${common[@]}" -Fi"$r/objpas" "$r/objpas/objpas.pp"
run "$ppc" "${common[@]}" -Fi"$r/objpas/sysutils" -Fi"$r/objpas/classes" -Fu"$r/i386" -Fi"$r/objpas" \
  -Fi"$r/win/wininc" -Fu"$r/win/wininc" -Fu"$r/win" -Fu"$r/inc" -Fu"$r/objpas" -Fu"$r/win32" -Fu"$r/x86" \
  "$r/win32/buildrtl.pp"
run "$ppc" "${common[@]}" "$r/inc/uuchar.pp"
# Variants (the variant manager behind OleVariant) lives in a package.
po=$src/packages/rtl-objpas/src
run "$ppc" "${common[@]}" -Fi"$po/inc" -Fi"$po/win" "$po/win/varutils.pp"
run "$ppc" "${common[@]}" -Fi"$po/inc" -Fi"$po/win" "$po/inc/variants.pp"

touch "$stamp"
echo "$ppc"
