#!/usr/bin/env bash
# Sets up, builds and makes the release in build/mingw/release: the folder
# KARVO-<version> with stripped binaries and SHA256SUMS, its zip with the
# zip's own checksum, and the binaries' debug information beside them.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
cmake --build build/mingw --target release
ls -l build/mingw/release
