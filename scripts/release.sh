#!/usr/bin/env bash
# Sets up, builds and lays out the release folder build/mingw/release/KARVO-<version>.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
cmake --build build/mingw --target release
