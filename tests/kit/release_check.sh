#!/usr/bin/env bash
# Checks a laid-out release folder as its user meets it: nothing but the
# folder is used.
#   release_check.sh layout  <release> <source dir> <build dir>
#       every piece is there, the library is the one built, the version says 1.4.0.0
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
    for f in VERSION README.md bin/KARVO.DLL bin/refhost.exe \
      include/karvo.h include/karvo.pas include/KarvoShareMem.pas include/Karvo.cs include/karvo_host.h \
      lib/libkarvo.a lib/KARVO.lib lib/libkarvohost.a reference/index.md \
      samples/cpp/SamplePlugin.cpp samples/cpp/SqlDemo.cpp samples/cpp/XmlDemo.cpp samples/cpp/ObjectsDemo.cpp \
      samples/cpp/SamplePlugin.dll samples/c/SamplePluginC.c samples/c/SamplePluginC.rc samples/c/logo.bmp \
      samples/c/SamplePluginC.dll samples/pascal/KarvoPascalPlugin.lpr samples/pascal/KarvoPascalPlugin.dll \
      testkit/KarvoTestKit.h testkit/ScriptedHost.h testkit/TestObjectModel.h testkit/FakeDataModel.h \
      testkit/libkarvotesthost.a testkit/TestKitExample.cpp testkit/README.md; do
      [ -s "$rel/$f" ] || fail "$f is missing or empty"
    done
    [ "$(cat "$rel/VERSION")" = "1.4.0.0" ] || fail "VERSION is not 1.4.0.0"
    grep -q "1\.4\.0\.0" "$rel/README.md" || fail "README.md does not name the version"
    cmp -s "$rel/bin/KARVO.DLL" "$bin/bin/KARVO.DLL" || fail "bin/KARVO.DLL is not the library built"
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
