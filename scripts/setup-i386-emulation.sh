#!/usr/bin/env bash
# Lets a machine whose kernel runs no 32-bit programs (no IA-32 emulation)
# run ours: i386 Linux programs, Wine's loader among them, are handed to
# QEMU's user-mode emulator through binfmt_misc. The product and its tests
# stay what they are, the 32-bit DLL under 32-bit Wine; only the CPU is
# emulated, and a native wineserver (wine64's) serves the emulated processes.
#
# Wine needs a QEMU whose mmap honours address hints (8.1 or later); bookworm
# has 7.2, under which every Wine process spends about a minute reserving its
# address space. The emulator comes from the next Debian release, fetched
# with a private apt configuration that leaves the machine's own alone, and
# is kept in /usr/local/lib/karvo. Prints one line on failure and exits 1.
set -euo pipefail

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
dir=/usr/local/lib/karvo
qemu=$dir/qemu-i386
release=trixie
binfmt=/proc/sys/fs/binfmt_misc
entry=karvo-i386

fail() { echo "$*" >&2; exit 1; }
runs_32bit() { /lib/ld-linux.so.2 --version >/dev/null 2>&1; }

runs_32bit && exit 0

if [ ! -x "$qemu" ]; then
  tmp=$(mktemp -d)
  trap 'rm -rf "$tmp"' EXIT
  mkdir -p "$tmp/lists/partial" "$tmp/archives/partial"
  echo "deb [arch=amd64 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian $release main" >"$tmp/sources.list"
  apt_private=(-o Dir::Etc::SourceList="$tmp/sources.list" -o Dir::Etc::SourceParts=/nonexistent
    -o Dir::State::Lists="$tmp/lists" -o Dir::Cache::Archives="$tmp/archives"
    -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache= -o APT::Architectures::=amd64
    -o Debug::NoLocking=1 -o Acquire::Retries=3 -o APT::Sandbox::User=root)
  fetched=0
  for try in 1 2; do
    if apt-get "${apt_private[@]}" update -qq >"$tmp/apt.log" 2>&1 &&
      (cd "$tmp" && apt-get "${apt_private[@]}" download qemu-user >>"$tmp/apt.log" 2>&1); then
      fetched=1
      break
    fi
    [ $try -eq 2 ] || sleep 5
  done
  [ $fetched -eq 1 ] ||
    fail "could not fetch qemu-user from Debian $release for the emulation ($(grep -m1 -E '^(E|W):' "$tmp/apt.log" || tail -1 "$tmp/apt.log"))"
  dpkg-deb -x "$tmp"/qemu-user_*.deb "$tmp/x"
  $SUDO mkdir -p "$dir"
  $SUDO install -m 755 "$tmp/x/usr/bin/qemu-i386" "$qemu.new"
  $SUDO mv "$qemu.new" "$qemu"
fi

if [ ! -e "$binfmt/register" ]; then
  $SUDO mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null ||
    fail "binfmt_misc is not available, so the kernel cannot hand 32-bit programs to the emulator (mount -t binfmt_misc failed)"
fi
# An entry of an older emulator (bookworm's qemu-user-static, say) would
# still win; ours replaces it.
for old in "$binfmt"/qemu-i386 "$binfmt/$entry"; do
  [ -e "$old" ] && { echo -1 | $SUDO tee "$old" >/dev/null; }
done
# ELF, 32-bit, little-endian, executable or shared object, EM_386. F: the
# kernel opens the emulator now, so it serves every mount namespace.
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
echo ":$entry:M::$magic:$mask:$qemu:F" | $SUDO tee "$binfmt/register" >/dev/null ||
  fail "could not register the emulator with binfmt_misc ($binfmt/register is not writable)"

runs_32bit || fail "32-bit programs still do not run under the emulator ($( (/lib/ld-linux.so.2 --version) 2>&1 | head -1))"
