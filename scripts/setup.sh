#!/usr/bin/env bash
# Installs everything the build and the tests need. Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

need_pkgs=(
  cmake ninja-build g++-mingw-w64-i686-posix mingw-w64-i686-dev
  wine wine32:i386 googletest duktape-dev clang llvm locales python3 sqlite3
)

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  missing=(update)
fi
for p in "${need_pkgs[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${need_pkgs[@]}" >/dev/null
fi

# The Polish locale the suite runs under (Wine reads it from LANG/LC_ALL).
if ! locale -a 2>/dev/null | grep -qi '^pl_PL.utf8$'; then
  sed -i 's/^# *pl_PL.UTF-8 UTF-8/pl_PL.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^pl_PL.UTF-8 UTF-8' /etc/locale.gen || echo 'pl_PL.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi

# SQLite amalgamation for the reference host, taken from the npm package.
if [ ! -f deps/sqlite3/sqlite3.c ]; then
  tmp=$(mktemp -d)
  (cd "$tmp" && npm pack --silent better-sqlite3@12.11.1 >/dev/null && tar xzf better-sqlite3-12.11.1.tgz)
  mkdir -p deps/sqlite3
  cp "$tmp"/package/deps/sqlite3/sqlite3.c "$tmp"/package/deps/sqlite3/sqlite3.h deps/sqlite3/
  rm -rf "$tmp"
fi
echo "setup: done"
