#!/usr/bin/env bash
# Regenerates every declaration and the reference from exports/karvo.exports.
set -euo pipefail
cd "$(dirname "$0")/.."
python3 tools/gen_exports.py exports/karvo.exports --header include/karvo.h \
  --pascal include/karvo.pas --csharp include/Karvo.cs --reference docs/reference


