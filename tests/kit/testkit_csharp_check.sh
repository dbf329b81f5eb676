#!/usr/bin/env bash
# The test kit's KarvoTestKit.cs and its C# example compile with mcs
# (warnings as errors), and the native stack its marshalling gives every
# declaration matches the kit's list. mono runs no Windows DLL here: the
# example is compiled, not run.
#   testkit_csharp_check.sh <source dir> <work dir>
set -euo pipefail
src=$1
work=$2
mkdir -p "$work"
mcs -nologo -target:library -warnaserror+ -out:"$work/KarvoTestKit.Declarations.dll" "$src/testkit/KarvoTestKit.cs"
mcs -nologo -warnaserror+ -platform:x86 -out:"$work/TestKitExample.exe" "$src/testkit/KarvoTestKit.cs" \
  "$src/testkit/TestKitExample.cs"
mcs -nologo -warnaserror+ -out:"$work/KarvoCsAbi.exe" "$src/tests/kit/KarvoCsAbi.cs"
mono "$work/KarvoCsAbi.exe" "$work/KarvoTestKit.Declarations.dll" >"$work/abi.txt"
python3 "$src/tools/gen_testkit.py" "$src/testkit/karvotestkit.exports" --check-csharp-stack "$work/abi.txt"
echo "the C# example compiles against KarvoTestKit.cs"
