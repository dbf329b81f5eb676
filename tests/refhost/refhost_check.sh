#!/usr/bin/env bash
# refhost with the plug-ins that go wrong: for each case, the exit code and
# the line that names the cause.
#   refhost_check.sh <bin dir> <work dir> <case>
set -uo pipefail
bin=$1
work=$2/$3
what=$3
here=$(cd "$(dirname "$0")/../.." && pwd)
run="$here/tools/wine-run"
rm -rf "$work" && mkdir -p "$work"
out=$work/out.txt

fail() {
  echo "refhost_check $what: $*" >&2
  echo "---- refhost said:" >&2
  cat "$out" >&2
  exit 1
}

# Runs refhost from bin/ on databases of this case; the exit code in $rc.
refhost() {
  (cd "$bin" && "$run" refhost.exe --data "$work/data" "$@") >"$out" 2>&1
  rc=$?
}

expect() { # <exit code> <extended regular expression>
  [ "$rc" -eq "$1" ] || fail "exit code $rc, expected $1"
  LC_ALL=C grep -aEq -- "$2" "$out" || fail "no line matching: $2"
}

case $what in
  help)
    refhost --help
    expect 0 "^usage: refhost"
    LC_ALL=C grep -aq "serving" "$out" && fail "--help made a block"
    refhost --help SamplePluginC.dll
    expect 0 "^usage: refhost"
    LC_ALL=C grep -aq "plugin (C)" "$out" && fail "--help ran a plug-in"
    refhost --verbose SamplePluginC.dll
    expect 2 "^refhost: unknown option --verbose"
    ;;
  missing)
    refhost NoSuchPlugin.dll
    expect 1 "^refhost: cannot load NoSuchPlugin.dll: error 126 \(.*\): there is no such file"
    ;;
  not-a-dll)
    printf 'not a DLL at all\n' >"$work/Text.dll"
    refhost "$work/Text.dll"
    expect 1 "cannot load .*Text.dll: it is not a Windows DLL"
    ;;
  64-bit)
    python3 "$here/tests/refhost/make_pe64.py" "$work/Wide.dll"
    refhost "$work/Wide.dll"
    expect 1 "cannot load .*Wide.dll: it is a 64-bit \(x64\) DLL; refhost and KARVO.DLL are 32-bit x86"
    ;;
  decorated)
    refhost BadPluginDecorated.dll
    expect 1 "^refhost: BadPluginDecorated.dll exports no KarvoPluginRun; it exports KarvoPluginRun@4: link with -Wl,--kill-at"
    ;;
  no-entry)
    refhost BadPluginNoEntry.dll SamplePluginC.dll
    expect 1 "^refhost: BadPluginNoEntry.dll exports no KarvoPluginRun; its exports are Run[[:space:]]*$"
    # The next plug-in still runs.
    LC_ALL=C grep -aq "SamplePluginC.dll finished with 0" "$out" || fail "the plug-in after it did not run"
    ;;
  cdecl)
    refhost BadPluginCdecl.dll
    expect 1 "^refhost: BadPluginCdecl.dll: KarvoPluginRun is not __stdcall: it left its argument on the stack"
    LC_ALL=C grep -aq "BadPluginCdecl.dll finished with 0" "$out" || fail "its result was not printed"
    ;;
  init)
    refhost BadPluginInit.dll
    expect 1 "^refhost: cannot load BadPluginInit.dll: error 1114 \(.*\): its DllMain or start-up code refused to start"
    ;;
  import)
    refhost BadPluginImport.dll
    expect 1 "^refhost: cannot load BadPluginImport.dll: error 126 \(.*\): it needs KarvoNoSuch.dll, not found"
    ;;
  crash)
    refhost BadPluginCrash.dll SamplePluginC.dll
    fault="0xC0000005 \(access violation, writing address 0x00000000\)"
    # Under QEMU's user-mode emulation (setup's answer to a kernel without
    # IA-32 emulation) the signal frame carries no trap number, so Wine
    # cannot tell the page fault from other faults and reports an illegal
    # instruction; refhost's line is otherwise the same.
    [ -e /proc/sys/fs/binfmt_misc/karvo-i386 ] && fault="0xC000001D \(illegal instruction\)"
    expect 3 "^refhost: BadPluginCrash.dll faulted in KarvoPluginRun: exception $fault at 0x[0-9A-F]{8} \(BadPluginCrash.dll\+0x[0-9A-F]+\)"
    LC_ALL=C grep -aq "plugin (C)" "$out" && fail "refhost went on after the fault"
    ;;
  timeout)
    refhost --timeout 2 BadPluginHang.dll
    expect 4 "^refhost: stopped after the --timeout of 2 s: BadPluginHang.dll was still running in KarvoPluginRun \(for [0-9]+ s\)"
    ;;
  ctrl-c)
    # Asked to stop while the plug-in runs: once it has said it runs.
    (cd "$bin" && exec "$run" refhost.exe --data "$work/data" BadPluginHang.dll) >"$out" 2>&1 &
    pid=$!
    for _ in $(seq 1 600); do
      LC_ALL=C grep -aq "running for ever" "$out" && break
      sleep 0.1
    done
    LC_ALL=C grep -aq "running for ever" "$out" || { kill -9 $pid; fail "the plug-in never started"; }
    kill -INT $pid
    wait $pid
    rc=$?
    expect 4 "^refhost: stopped while BadPluginHang.dll was still running in KarvoPluginRun \(for [0-9]+ s\)"
    ;;
  trace)
    refhost --trace SamplePluginC.dll
    expect 0 '^refhost: > EXECUTE_SQL  SQL "UPDATE KONTRAHENCI SET AKTYWNY = 1 WHERE ID = 7"  Data ""  DataPointer 0x[0-9A-F]{8}'
    LC_ALL=C grep -aEq '^refhost: < reply 1 \(success\)  [0-9]+\.[0-9] ms' "$out" || fail "no reply line of the statement"
    LC_ALL=C grep -aEq '^refhost: > _PROC_  SQL "GetControl"  Data "0\\x01MainForm"' "$out" || fail "no host procedure line"
    LC_ALL=C grep -aEq '^refhost: < reply 0x01 \(success\)  Data ""  DataPointer 0x[0-9A-F]{8}' "$out" || fail "no opened query"
    # Redirected, refhost writes the ANSI code page, as the plug-in does.
    LC_ALL=C grep -aq "Stan towar$(printf '\363')w" "$out" || fail "the trace is not in the ANSI code page"
    ;;
  answer)
    refhost SamplePluginC.dll KarvoPascalPlugin.dll
    expect 0 "^refhost: SamplePluginC.dll answered:"
    tr -d '\r' <"$out" | LC_ALL=C grep -aA2 "^refhost: SamplePluginC.dll answered:" | LC_ALL=C grep -aq 'NAME="WartoscGrosze"' ||
      fail "the C sample's answered document is not printed"
    tr -d '\r' <"$out" | LC_ALL=C grep -aA2 "^refhost: KarvoPascalPlugin.dll answered:" | LC_ALL=C grep -aq 'NAME="Suma"' ||
      fail "the Pascal sample's answered document is not printed"
    ;;
  console)
    # On a terminal, refhost writes UTF-16 to the console, which reaches a
    # UTF-8 terminal as UTF-8 whatever the ANSI code page.
    command -v script >/dev/null || fail "script (util-linux) is missing"
    (cd "$bin" && LANG=pl_PL.UTF-8 LC_ALL=pl_PL.UTF-8 script -qec \
      "'$run' refhost.exe --data '$work/data' --trace SamplePluginC.dll Żółć.dll" /dev/null) >"$work/raw.txt" 2>&1
    rc=$?
    sed 's/\x1b\[[0-9;?]*[A-Za-z]//g' "$work/raw.txt" | tr -d '\r' >"$out"
    expect 1 "^refhost: SamplePluginC.dll finished with 0"
    LC_ALL=C grep -aq "Stan towarów" "$out" || fail "Polish letters of the trace did not reach the terminal as UTF-8"
    LC_ALL=C grep -aq "cannot load Żółć.dll" "$out" || fail "Polish letters of a message did not reach the terminal as UTF-8"
    ;;
  *)
    fail "unknown case"
    ;;
esac
echo "refhost_check $what: ok"
