#!/usr/bin/env bash
# Configures and builds the Windows products (and, with --native, the
# portable code for Linux under the sanitizers).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset mingw >/dev/null
cmake --build build/mingw
if [ "${1:-}" = "--native" ]; then
  cmake --preset native >/dev/null
  cmake --build build/native
fi
