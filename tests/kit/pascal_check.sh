#!/usr/bin/env bash
# karvo.pas and KarvoShareMem.pas compile for i386-win32 with warnings as
# errors, and every declaration of karvo.pas pops exactly the argument bytes
# of the export list: a body of the same signature is compiled for each and
# its ret N read back from the object file.
#   pascal_check.sh <source dir> <work dir> <ppc386> <rtl units> <objdump>
set -euo pipefail
src=$1
work=$2
ppc=$3
rtl=$4
objdump=$5
rm -rf "$work"
mkdir -p "$work"
flags=(-n -Twin32 -O2 -Sew -vew -Fu"$rtl" -FU"$work")
"$ppc" "${flags[@]}" "$src/include/karvo.pas"
"$ppc" "${flags[@]}" "$src/include/KarvoShareMem.pas"
echo "karvo.pas and KarvoShareMem.pas compile for i386-win32"
python3 "$src/tools/gen_exports.py" "$src/exports/karvo.exports" --pascal-probe "$work/karvoprobe.pas"
"$ppc" -n -Twin32 -O2 -Fu"$rtl" -FU"$work" "$work/karvoprobe.pas" >"$work/probe.log"
"$objdump" -d "$work/karvoprobe.o" >"$work/karvoprobe.dis"
python3 "$src/tools/gen_exports.py" "$src/exports/karvo.exports" --check-pascal-stack "$work/karvoprobe.dis"
