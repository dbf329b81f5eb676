#!/usr/bin/env bash
# Installs everything the build and the tests need. Safe to run again, and
# safe to run again after it was interrupted: a second run installs only
# what is missing and takes seconds when nothing is.
#
# Debian mirrors are sometimes caught mid-sync: one architecture's index
# fails to download or is older than another's. apt-get update is retried
# and then tolerated; an install whose architectures disagree on versions
# falls back to the base release for every architecture. Setup fails only
# when a package truly cannot be had, and then says which and why.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

need_pkgs=(
  cmake ninja-build g++-mingw-w64-i686-posix mingw-w64-i686-dev
  wine wine32:i386 googletest duktape-dev clang llvm locales python3 sqlite3
  # the plug-in author kit: lld-link for KARVO.lib's link test, Free Pascal
  # (native compiler and the sources its i386-win32 cross compiler is built
  # from), C# for Karvo.cs, zip for the release archive
  lld fp-compiler fp-units-rtl fpc-source mono-mcs mono-runtime zip
)

installed=()
say() { echo "setup: $*"; }
fail() { echo "setup: FAILED: $*" >&2; exit 1; }

# Slow or flaky mirrors: apt retries each file and gives up on a stalled one.
apt_opts=(-o Acquire::Retries=3 -o Acquire::http::Timeout=60 -o Dpkg::Use-Pty=0)

missing_pkgs() {
  local p
  for p in "${need_pkgs[@]}"; do
    # dpkg -s also answers for half-installed packages; ask for "ok installed".
    [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" = "install ok installed" ] || echo "$p"
  done
}

apt_update() {
  local try log
  log=$(mktemp)
  for try in 1 2 3; do
    if $SUDO apt-get "${apt_opts[@]}" update -qq >"$log" 2>&1; then
      rm -f "$log"
      return 0
    fi
    say "apt-get update failed (try $try of 3): $(grep -m1 '^E:' "$log" || tail -1 "$log")"
    [ $try -lt 3 ] && sleep $((try * 5))
  done
  # An index that stays stale is not fatal: what was fetched is still usable,
  # and the install below tells whether it is enough.
  say "going on with the package indexes that did download"
  rm -f "$log"
}

# The first line of an apt failure that names a package and a reason; a
# quiet install leaves the resolver's reasons out, so a dry run finds them.
apt_reason() {
  local log=$1 pattern
  shift
  pattern='^ *[^ ]+ : (Depends|PreDepends|Breaks|Conflicts)|^E: (Unable to locate|Package .* has no installation candidate|Version .* was not found)'
  if ! grep -qE "$pattern" "$log"; then
    apt-get -s install --no-install-recommends "$@" >>"$log" 2>&1 || true
  fi
  { grep -m1 -E "$pattern" "$log" || grep -m1 '^E:' "$log" || tail -1 "$log"; } | sed -e 's/^ *//'
}

apt_install() {
  local log codename
  log=$(mktemp)
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  if $SUDO apt-get "${apt_opts[@]}" install -y -qq --no-install-recommends "$@" >"$log" 2>&1; then
    rm -f "$log"
    return 0
  fi
  say "install failed: $(apt_reason "$log" "$@")"
  if [ -n "$codename" ]; then
    # Multi-Arch: same packages must have one version on every architecture.
    # When one architecture's update index is missing or older, the base
    # release is the version every architecture has.
    say "trying again with the $codename release preferred for every architecture"
    if $SUDO apt-get "${apt_opts[@]}" install -y -qq --no-install-recommends \
      -o APT::Default-Release="$codename" "$@" >"$log" 2>&1; then
      rm -f "$log"
      return 0
    fi
    say "install failed: $(apt_reason "$log" -o APT::Default-Release="$codename" "$@")"
    # Installed libraries newer than the base release on one architecture:
    # pin both architectures to the base release, downgrading if need be.
    say "trying again with both architectures pinned to the $codename release"
    local prefs
    prefs=$(mktemp)
    printf 'Package: *\nPin: release n=%s\nPin-Priority: 1001\n' "$codename" >"$prefs"
    if $SUDO apt-get "${apt_opts[@]}" install -y -qq --no-install-recommends --allow-downgrades \
      -o Dir::Etc::Preferences="$prefs" -o Dir::Etc::PreferencesParts=/nonexistent "$@" >"$log" 2>&1; then
      rm -f "$log" "$prefs"
      return 0
    fi
    rm -f "$prefs"
  fi
  local why
  why=$(apt_reason "$log" "$@")
  rm -f "$log"
  # Name the package that cannot be had: the first one without a candidate,
  # or else the one the resolver complained about.
  local p
  for p in "$@"; do
    if ! apt-cache policy "$p" 2>/dev/null | grep -q 'Candidate: [^(]'; then
      fail "$p cannot be installed: no version of it in the package indexes ($why)"
    fi
  done
  fail "cannot install the packages: $why"
}

# --- Debian packages --------------------------------------------------------
# A run interrupted during dpkg leaves packages unconfigured; finish them.
if [ -n "$($SUDO dpkg --audit 2>/dev/null)" ]; then
  say "finishing an interrupted install"
  $SUDO dpkg --configure -a >/dev/null 2>&1 || true
fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
mapfile -t missing < <(missing_pkgs)
if [ ${#missing[@]} -gt 0 ]; then
  say "installing ${missing[*]}"
  # A fresh machine may have no i386 index at all; any other may have stale
  # ones. Update first; the install tells whether what came is enough.
  apt_update
  apt_install "${missing[@]}"
  installed+=("${missing[@]}")
fi

# --- The Polish locale the suite runs under (Wine reads it from LANG/LC_ALL)
if ! locale -a 2>/dev/null | grep -qi '^pl_PL.utf8$'; then
  sed -i 's/^# *pl_PL.UTF-8 UTF-8/pl_PL.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^pl_PL.UTF-8 UTF-8' /etc/locale.gen || echo 'pl_PL.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
  installed+=("locale pl_PL.UTF-8")
fi

# --- 32-bit programs ---------------------------------------------------------
# Wine runs our 32-bit programs in a 32-bit Linux process. A kernel built or
# booted without IA-32 emulation refuses every such program with "Exec format
# error"; there the CPU is emulated in user mode, and a native wineserver
# serves the emulated processes.
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  say "this kernel runs no 32-bit programs; setting up user-mode emulation for them"
  why=$(bash scripts/setup-i386-emulation.sh 2>&1 >/dev/null) ||
    fail "this machine cannot run 32-bit Linux programs, so Wine cannot run ours, and emulating them failed: $why"
  installed+=("user-mode emulation of 32-bit programs (qemu-i386 from Debian trixie, binfmt_misc)")
fi
if [ -e /proc/sys/fs/binfmt_misc/karvo-i386 ] &&
  [ "$(dpkg-query -W -f='${Status}' wine64 2>/dev/null)" != "install ok installed" ]; then
  say "installing wine64 (its wineserver runs natively)"
  apt_update
  apt_install wine64
  installed+=(wine64)
fi

# --- SQLite amalgamation for the reference host, from the npm package --------
# Unpacked beside deps/ and moved in whole, so an interrupted run leaves no
# half of it behind.
sqlite_pkg=better-sqlite3@12.11.1
if [ ! -f deps/sqlite3/sqlite3.c ] || [ ! -f deps/sqlite3/sqlite3.h ]; then
  mkdir -p deps
  tmp=$(mktemp -d)
  fetched=0
  for try in 1 2; do
    if (cd "$tmp" && npm pack --silent --fetch-timeout=120000 "$sqlite_pkg" >/dev/null 2>"$tmp/npm.log" &&
      tar xzf better-sqlite3-12.11.1.tgz); then
      fetched=1
      break
    fi
    say "npm pack $sqlite_pkg failed (try $try of 2): $(tail -1 "$tmp/npm.log")"
    [ $try -eq 2 ] || sleep 5
  done
  [ $fetched -eq 1 ] || { rm -rf "$tmp"; fail "could not fetch $sqlite_pkg from the npm registry (the SQLite amalgamation for refhost)"; }
  mkdir -p "$tmp/sqlite3"
  cp "$tmp"/package/deps/sqlite3/sqlite3.c "$tmp"/package/deps/sqlite3/sqlite3.h "$tmp/sqlite3/"
  rm -rf deps/sqlite3
  mv "$tmp/sqlite3" deps/sqlite3
  rm -rf "$tmp"
  installed+=("SQLite amalgamation ($sqlite_pkg)")
fi

# --- The Free Pascal cross compiler for i386-win32 ---------------------------
# Built from Debian's fpc-source into the build folder, once; the build is
# retried once (a run interrupted halfway leaves no stamp and starts over).
if ! bash scripts/build-fpc-win32.sh --check >/dev/null 2>&1; then
  if ! bash scripts/build-fpc-win32.sh >/dev/null; then
    say "Free Pascal cross compiler build failed; trying once more"
    bash scripts/build-fpc-win32.sh >/dev/null ||
      fail "could not build the Free Pascal i386-win32 cross compiler from fpc-source (see build/fpc-win32/build.log)"
  fi
  installed+=("Free Pascal i386-win32 cross compiler (build/fpc-win32)")
fi

took=$(($(date +%s) - started))
if [ ${#installed[@]} -eq 0 ]; then
  say "done in ${took} s; nothing to install"
else
  say "done in ${took} s; installed:"
  printf '  %s\n' "${installed[@]}"
fi
