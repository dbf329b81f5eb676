#!/usr/bin/env bash
# Karvo.cs compiles with mcs (warnings as errors), and the native stack its
# marshalling gives every declaration matches the export list.
#   csharp_check.sh <source dir> <work dir>
set -euo pipefail
src=$1
work=$2
mkdir -p "$work"
mcs -nologo -target:library -warnaserror+ -out:"$work/Karvo.Declarations.dll" "$src/include/Karvo.cs"
mcs -nologo -warnaserror+ -out:"$work/KarvoCsAbi.exe" "$src/tests/kit/KarvoCsAbi.cs"
mono "$work/KarvoCsAbi.exe" "$work/Karvo.Declarations.dll" >"$work/karvo_cs_abi.txt"
python3 "$src/tools/gen_exports.py" "$src/exports/karvo.exports" --check-csharp-stack "$work/karvo_cs_abi.txt"
