#!/usr/bin/env bash
# Checks a laid-out release folder as its user meets it: nothing but the
# folder is used.
#   release_check.sh layout  <release> <source dir> <build dir>
#       every piece is there, the library is the one built (stripped, linked
#       to its debug file beside the folder), the version says 1.4.0.0, every
#       file's SHA-256 is in SHA256SUMS and the zip holds exactly the folder
#   release_check.sh testkit-c <release> <work dir>
#   release_check.sh testkit-pascal <release> <work dir> <ppc386> <rtl units>
#       the C and Pascal examples of the test kit build from the folder as
#       testkit/README.md says and pass against the folder's samples
#   release_check.sh pascal-sample <release> <work dir> <ppc386> <rtl units>
#       the Pascal sample builds from the folder with the README's Free Pascal
#       line and the folder's refhost runs it with every step ok
#   release_check.sh testkit <release> <work dir>
#       the test kit's example builds from the folder as its README says and
#       passes against the folder's C sample and KARVO.DLL
#   release_check.sh csample <release> <work dir>
#       the C sample builds from the folder (C89, the folder's libkarvo.a and
#       its own bitmap) and the folder's refhost runs it with every step ok
set -euo pipefail
what=$1
rel=$2
here=$(cd "$(dirname "$0")/../.." && pwd)
wine_run="$here/tools/wine-run"
cross=i686-w64-mingw32

fail() {
  echo "release: $*" >&2
  exit 1
}

case $what in
  layout)
    src=$3
    bin=$4
    for f in VERSION README.md WRITING_PLUGINS.md CHANGES.md SHA256SUMS bin/KARVO.DLL bin/refhost.exe \
      bin/KarvoTestKit.dll include/karvo.h include/karvo.pas include/KarvoShareMem.pas include/Karvo.cs \
      include/karvo_host.h include/karvo_helpers.h lib/libkarvo.a lib/KARVO.lib lib/libkarvohost.a \
      reference/index.md tools/build-fpc-win32.sh \
      samples/cpp/SamplePlugin.cpp samples/cpp/SqlDemo.cpp samples/cpp/XmlDemo.cpp samples/cpp/ObjectsDemo.cpp \
      samples/cpp/SamplePlugin.dll samples/c/SamplePluginC.c samples/c/SamplePluginC.rc samples/c/logo.bmp \
      samples/c/SamplePluginC.dll samples/pascal/KarvoPascalPlugin.lpr samples/pascal/KarvoPascalPlugin.dll \
      testkit/karvo_testkit.h testkit/karvotestkit.pas testkit/KarvoTestKit.cs testkit/libkarvotestkit.a \
      testkit/KarvoTestKit.lib testkit/TestKitExample.c testkit/TestKitExample.lpr testkit/TestKitExample.cs \
      testkit/KarvoTestKit.h testkit/ScriptedHost.h testkit/TestObjectModel.h testkit/FakeDataModel.h \
      testkit/libkarvotesthost.a testkit/TestKitExample.cpp testkit/README.md; do
      [ -s "$rel/$f" ] || fail "$f is missing or empty"
    done
    [ "$(cat "$rel/VERSION")" = "1.4.0.0" ] || fail "VERSION is not 1.4.0.0"
    grep -q "1\.4\.0\.0" "$rel/README.md" || fail "README.md does not name the version"
    grep -q "KarvoPluginRun" "$rel/WRITING_PLUGINS.md" || fail "the guide does not name the entry point"
    # Every binary is stripped and names its debug file, which lies beside
    # the folder; stripping the built KARVO.DLL again and linking it to that
    # file gives the shipped one byte for byte.
    debug="$rel-debug"
    while read -r b; do
      b=${b#./}
      $cross-objdump -h "$rel/$b" | grep -q " \.debug_" && fail "$b still holds debug information"
      $cross-objdump -h "$rel/$b" | grep -q " \.gnu_debuglink" || fail "$b names no debug file"
      [ -s "$debug/$b.debug" ] || fail "$b.debug is missing beside the folder"
    done < <(cd "$rel" && find . -type f \( -iname '*.dll' -o -iname '*.exe' \))
    tmp=$(mktemp -d)
    cp "$bin/bin/KARVO.DLL" "$tmp/KARVO.DLL"
    # objcopy writes the time it runs into the header unless told the link time.
    stamp=$(python3 -c "import struct, sys; d = open(sys.argv[1], 'rb').read(); \
print(struct.unpack_from('<I', d, struct.unpack_from('<I', d, 60)[0] + 8)[0])" "$tmp/KARVO.DLL")
    SOURCE_DATE_EPOCH=$stamp $cross-objcopy --strip-all "$tmp/KARVO.DLL"
    (cd "$debug/bin" && SOURCE_DATE_EPOCH=$stamp $cross-objcopy --add-gnu-debuglink=KARVO.DLL.debug "$tmp/KARVO.DLL")
    cmp -s "$tmp/KARVO.DLL" "$rel/bin/KARVO.DLL" || fail "bin/KARVO.DLL is not the library built, stripped"
    rm -rf "$tmp"
    size=$(stat -c %s "$rel/bin/KARVO.DLL")
    [ "$size" -lt 2000000 ] || fail "bin/KARVO.DLL is $size bytes: not stripped"
    # The checksums cover every file but themselves, and hold.
    (cd "$rel" && sha256sum --quiet -c SHA256SUMS) || fail "a checksum of SHA256SUMS does not hold"
    listed=$(cut -c67- "$rel/SHA256SUMS" | sort)
    present=$(cd "$rel" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | sort)
    [ "$listed" = "$present" ] || fail "SHA256SUMS does not list exactly the folder's files"
    # The zip unpacks into the folder, file for file.
    zip=$rel.zip
    [ -s "$zip" ] || fail "$(basename "$zip") is missing"
    (cd "$(dirname "$zip")" && sha256sum --quiet -c "$(basename "$zip").sha256") || fail "the zip's checksum does not hold"
    unpacked=$(mktemp -d)
    python3 -c "import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])" "$zip" "$unpacked"
    diff -r "$rel" "$unpacked/$(basename "$rel")" >/dev/null || fail "the zip differs from the folder"
    rm -rf "$unpacked"
    # A page for every export of the list.
    names=$(sed -n 's/^\([A-Za-z][A-Za-z0-9]*\) |.*/\1/p' "$src/exports/karvo.exports")
    [ -n "$names" ] || fail "no export read from the list"
    for name in $names; do
      [ -s "$rel/reference/$name.md" ] || fail "reference/$name.md is missing"
    done
    # Every sample source of the tree is in the folder.
    for f in "$src"/samples/plugin/*.cpp "$src"/samples/plugin/*.h; do
      cmp -s "$f" "$rel/samples/cpp/$(basename "$f")" || fail "samples/cpp/$(basename "$f") differs from the tree"
    done
    echo "release: the folder is complete"
    ;;
  testkit)
    work=$3
    rm -rf "$work" && mkdir -p "$work"
    # The command of testkit/README.md, run in testkit/.
    (cd "$rel/testkit" && $cross-g++-posix -std=c++20 -Wall -Wextra -Werror -I. -I../include TestKitExample.cpp \
      libkarvotesthost.a -loleaut32 -lole32 -luuid -luser32 -static -o "$work/TestKitExample.exe")
    (cd "$rel/bin" && "$wine_run" "$work/TestKitExample.exe" ../samples/c/SamplePluginC.dll) | tee "$work/out.txt"
    grep -q "^[0-9]* passed, 0 failed" "$work/out.txt" || fail "the test kit's example did not pass"
    ;;
  testkit-c)
    work=$3
    rm -rf "$work" && mkdir -p "$work"
    # The command of testkit/README.md, warnings as errors.
    (cd "$rel/testkit" && $cross-gcc -std=c89 -pedantic -Wall -Wextra -Werror -I. TestKitExample.c libkarvotestkit.a \
      -loleaut32 -o "$work/TestKitExampleC.exe")
    (cd "$rel/bin" && "$wine_run" "$work/TestKitExampleC.exe" ../samples/c/SamplePluginC.dll) | tee "$work/out.txt"
    grep -aq "^[0-9]* passed, 0 failed" "$work/out.txt" || fail "the test kit's C example did not pass"
    ;;
  testkit-pascal)
    work=$3
    ppc=$4
    rtl=$5
    rm -rf "$work" && mkdir -p "$work/units"
    (cd "$rel/testkit" && "$ppc" -n -Twin32 -O2 -Fu"$rtl" -Fu. -FU"$work/units" -FE"$work" -vew TestKitExample.lpr)
    (cd "$rel/bin" && "$wine_run" "$work/TestKitExample.exe" ../samples/pascal/KarvoPascalPlugin.dll) |
      tee "$work/out.txt"
    grep -aq "^[0-9]* passed, 0 failed" "$work/out.txt" || fail "the test kit's Pascal example did not pass"
    ;;
  pascal-sample)
    work=$3
    ppc=$4
    rtl=$5
    rm -rf "$work" && mkdir -p "$work/units"
    (cd "$rel/samples/pascal" && "$ppc" -n -Twin32 -O2 -Fu"$rtl" -Fu../../include -FU"$work/units" -FE"$work" -vew \
      KarvoPascalPlugin.lpr)
    (cd "$rel/bin" && "$wine_run" refhost.exe --data "$work/data" "$work/KarvoPascalPlugin.dll") | tee "$work/out.txt"
    [ "$(grep -ac "step .* ok" "$work/out.txt")" -eq 8 ] || fail "not every step of the Pascal sample went well"
    grep -aq "KarvoPascalPlugin.dll answered:" "$work/out.txt" || fail "refhost printed no answered call document"
    ;;
  csample)
    work=$3
    rm -rf "$work" && mkdir -p "$work"
    (cd "$rel/samples/c" && $cross-windres SamplePluginC.rc -O coff -o "$work/SamplePluginC.res.o" &&
      $cross-gcc -std=c89 -pedantic -Wall -Wextra -Werror -shared -I../../include SamplePluginC.c \
        "$work/SamplePluginC.res.o" ../../lib/libkarvo.a -loleaut32 -Wl,--kill-at -o "$work/SamplePluginC.dll")
    (cd "$rel/bin" && "$wine_run" refhost.exe --data "$work/data" "$work/SamplePluginC.dll") | tee "$work/out.txt"
    [ "$(grep -ac "step .* ok" "$work/out.txt")" -eq 6 ] || fail "not every step of the C sample went well"
    ;;
  *)
    fail "unknown check $what"
    ;;
esac
