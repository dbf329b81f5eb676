#!/usr/bin/env bash
# Regenerates every declaration and the reference from exports/karvo.exports,
# and the test kit's declarations from its own list.
set -euo pipefail
cd "$(dirname "$0")/.."
python3 tools/gen_exports.py exports/karvo.exports --header include/karvo.h \
  --pascal include/karvo.pas --csharp include/Karvo.cs --reference docs/reference

# The test kit's declarations from testkit/karvotestkit.exports.
python3 tools/gen_testkit.py testkit/karvotestkit.exports --header testkit/karvo_testkit.h \
  --pascal testkit/karvotestkit.pas --csharp testkit/KarvoTestKit.cs
