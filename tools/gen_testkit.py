#!/usr/bin/env python3
"""Everything that follows the test kit's export list, made from
testkit/karvotestkit.exports as tools/gen_exports.py makes KARVO.DLL's: the
.def file of KarvoTestKit.dll, the definitions of its import libraries, and
its declarations for C89 and C++ (karvo_testkit.h), Pascal
(karvotestkit.pas) and C# (KarvoTestKit.cs). Each declaration file has a
--check-... twin that fails when the file has drifted."""
import argparse
import pathlib
import sys
import textwrap

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import gen_exports  # noqa: E402

VERSION = gen_exports.VERSION
DLL = "KarvoTestKit.dll"

C_TYPES = {
    "INT": "int",
    "UINT": "unsigned int",
    "KIT": "KARVO_KIT",
    "WSTR": "const WCHAR*",
    "PBSTR": "BSTR*",
    "VOID": "void",
}
PAS_ARG = {
    "INT": "{n}: LongInt",
    "UINT": "{n}: LongWord",
    "KIT": "{n}: TKarvoKit",
    "WSTR": "{n}: PWideChar",
    "PBSTR": "var {n}: WideString",
}
PAS_RESULT = {"INT": "LongInt", "UINT": "LongWord", "KIT": "TKarvoKit"}
CS_ARG = {
    "INT": "int {n}",
    "UINT": "uint {n}",
    "KIT": "IntPtr {n}",
    "WSTR": "[MarshalAs(UnmanagedType.LPWStr)] string {n}",
    "PBSTR": "[MarshalAs(UnmanagedType.BStr)] ref string {n}",
}
CS_RESULT = {"INT": "int", "UINT": "uint", "KIT": "IntPtr", "VOID": "void"}

# Constants every language's declarations carry: (name, value, what).
CONSTANTS = [
    ("KARVO_KIT_COMMAND", 0, "KarvoKitRequestText: the request's Command"),
    ("KARVO_KIT_SQL", 1, "its SQL (a _PROC_ request: the procedure)"),
    ("KARVO_KIT_DATA", 2, "its Data (a _PROC_ request: the arguments, joined by U+0001)"),
    ("KARVO_KIT_FREE", 0, "KarvoKitHostSetState: the block is free"),
    ("KARVO_KIT_NO_SERVICE", 1, "no service behind the block"),
    ("KARVO_KIT_tkInteger", 1, "property kinds of KarvoKitAddProperty"),
    ("KARVO_KIT_tkChar", 2, ""),
    ("KARVO_KIT_tkEnumeration", 3, ""),
    ("KARVO_KIT_tkFloat", 4, ""),
    ("KARVO_KIT_tkString", 5, ""),
    ("KARVO_KIT_tkSet", 6, ""),
    ("KARVO_KIT_tkClass", 7, ""),
    ("KARVO_KIT_tkMethod", 8, ""),
    ("KARVO_KIT_tkWChar", 9, ""),
    ("KARVO_KIT_tkLString", 10, ""),
    ("KARVO_KIT_tkWString", 11, ""),
    ("KARVO_KIT_tkUString", 18, ""),
]


def read(path):
    """The exports and each one's documentation (its "#: " lines)."""
    exports = gen_exports.read_list(path, C_TYPES)
    docs, pending = {}, []
    for raw in pathlib.Path(path).read_text(encoding="utf-8").splitlines():
        if raw.startswith("#: "):
            pending.append(raw[3:].strip())
        elif "|" in raw and not raw.startswith("#"):
            docs[raw.split("|")[0].strip()] = " ".join(pending)
            pending = []
    missing = [e.name for e in exports if not docs.get(e.name)]
    if missing:
        sys.exit(f"{path}: no documentation for {' '.join(missing)}")
    return exports, docs


def c_args(e):
    return ", ".join(f"{C_TYPES[t]} {n}" for t, n in e.args) or "void"


def pas_signature(e):
    args = "; ".join(PAS_ARG[t].format(n=n) for t, n in e.args)
    args = f"({args})" if args else ""
    if e.result == "VOID":
        return f"procedure {e.name}{args}"
    return f"function {e.name}{args}: {PAS_RESULT[e.result]}"


GENERATED = "Generated from testkit/karvotestkit.exports by tools/gen_testkit.py; do not edit."

# ---------------------------------------------------------------- .def files


def make_def(exports):
    out = [f"; {GENERATED}", f"LIBRARY {DLL}", "EXPORTS"]
    out += [f"  {e.name} = {e.name}@{e.stack_bytes()}" for e in exports]
    return "\n".join(out) + "\n"


def make_implib_def(exports):
    """For dlltool -k and llvm-dlltool -k: callers link against the
    decorated names, which the import library maps to the exports."""
    out = [f"; {GENERATED}", f"LIBRARY {DLL}", "EXPORTS"]
    out += [f"  {e.name}@{e.stack_bytes()}" for e in exports]
    return "\n".join(out) + "\n"


# ---------------------------------------------------------------- C header

HEADER_TOP = f"""\
/* KarvoTestKit.dll {VERSION}: the test kit of KARVO.DLL for plug-ins in C,
 * C++ or any language that calls a C interface.
 * {GENERATED}
 *
 * A test of a plug-in, without the real host: a scripted host serves the
 * block and answers each request as the test says; a model of test objects
 * and test data sets stands for the host's objects and result sets; a
 * session loads KARVO.DLL with that model installed; the plug-in runs with a
 * call document; the test then looks at the requests and the test objects.
 *
 * Every function is __stdcall and exported by its undecorated name: link with
 * libkarvotestkit.a (MinGW) or KarvoTestKit.lib (MSVC), or load it with
 * GetProcAddress as its KARVO_KIT_PFN_ type. Texts going in are UTF-16
 * (L"..."), null for empty; texts coming out go into a BSTR variable that
 * starts as null and that the caller frees with SysFreeString (each call
 * frees what the variable held). Kit objects (hosts, models, sessions) are
 * freed with their own Free or Close function; the functions of a host, a
 * model or a session are for one thread at a time.
 */
#ifndef KARVO_TESTKIT_H
#define KARVO_TESTKIT_H

#include <windows.h>
#include <oleauto.h>

#ifdef __cplusplus
extern "C" {{
#endif

typedef void* KARVO_KIT;

#ifndef KARVO_KIT_API
#define KARVO_KIT_API __declspec(dllimport)
#endif
"""

HEADER_BOTTOM = """
#ifdef __cplusplus
}
#endif

#endif /* KARVO_TESTKIT_H */
"""


def make_header(exports, docs):
    out = [HEADER_TOP]
    for name, value, what in CONSTANTS:
        out.append(f"#define {name} {value}" + (f" /* {what} */" if what else ""))
    family = None
    for e in exports:
        if e.family != family:
            family = e.family
            out.append(f"\n/* ---- {family} ---- */\n")
        lines = textwrap.wrap(docs[e.name], 112)
        out += ["/* " + lines[0]] + [" * " + line for line in lines[1:]]
        out[-1] += " */"
        ret = C_TYPES[e.result]
        out.append(f"typedef {ret}(__stdcall* KARVO_KIT_PFN_{e.name})({c_args(e)});")
        out.append(f"KARVO_KIT_API {ret} __stdcall {e.name}({c_args(e)});")
    out.append(HEADER_BOTTOM)
    return "\n".join(out)


# ---------------------------------------------------------------- Pascal

PAS_TOP = f"""\
{{ KarvoTestKit.dll {VERSION}: the test kit of KARVO.DLL for tests written in
  Free Pascal or Delphi.
  {GENERATED}

  A test of a plug-in, without the real host: a scripted host serves the
  block and answers each request as the test says; a model of test objects
  and test data sets stands for the host's objects and result sets; a session
  loads KARVO.DLL with that model installed; the plug-in runs with a call
  document; the test then looks at the requests and the test objects.

  Every function is stdcall and imported from KarvoTestKit.dll by its name.
  Texts going in are PWideChar (PWideChar(WideString('...')), or a literal);
  texts coming out go into a WideString variable. Kit objects are freed with
  their own Free or Close function. A test program needs no KarvoShareMem:
  it calls no A form. }}
unit karvotestkit;

{{$IFDEF FPC}}
  {{$MODE DELPHI}}
{{$ENDIF}}

interface

const
  KarvoTestKitDLL = '{DLL}';
"""

PAS_BOTTOM = """
implementation

end.
"""


def make_pascal(exports, docs):
    out = [PAS_TOP]
    for name, value, what in CONSTANTS:
        out.append(f"  {name} = {value};" + (f" {{ {what} }}" if what else ""))
    out += ["", "type", "  { A kit object: a host, a model or a session. }", "  TKarvoKit = Pointer;", ""]
    family = None
    for e in exports:
        if e.family != family:
            family = e.family
            out.append(f"\n{{ ---- {family} ---- }}\n")
        lines = textwrap.wrap(docs[e.name], 112)
        out += ["{ " + lines[0]] + ["  " + line for line in lines[1:]]
        out[-1] += " }"
        out.append(f"{pas_signature(e)}; stdcall; external KarvoTestKitDLL name '{e.name}';")
    out.append(PAS_BOTTOM)
    return "\n".join(out)


# ---------------------------------------------------------------- C#

CS_TOP = f"""\
// KarvoTestKit.dll {VERSION}: P/Invoke declarations of the test kit of
// KARVO.DLL, for tests written in C#.
// {GENERATED}
//
// A test of a plug-in, without the real host: a scripted host serves the
// block and answers each request as the test says; a model of test objects
// and test data sets stands for the host's objects and result sets; a session
// loads KARVO.DLL with that model installed; the plug-in runs with a call
// document; the test then looks at the requests and the test objects.
// Every function is stdcall and imported by its name (ExactSpelling); strings
// go in as UTF-16 and come out through ref string (start with null). The
// test runs in a 32-bit process (x86), as KARVO.DLL and the plug-in are.
using System;
using System.Runtime.InteropServices;

namespace Karvo
{{
    public static class KarvoTestKit
    {{
        public const string Dll = "{DLL}";
"""

CS_BOTTOM = """    }
}
"""


def make_csharp(exports, docs):
    out = [CS_TOP]
    for name, value, what in CONSTANTS:
        out.append(f"        public const int {name} = {value};" + (f" // {what}" if what else ""))
    family = None
    for e in exports:
        if e.family != family:
            family = e.family
            out.append(f"\n        // ---- {family} ----\n")
        out += ["        // " + line for line in textwrap.wrap(docs[e.name], 104)]
        args = ", ".join(CS_ARG[t].format(n=gen_exports.cs_name(n)) for t, n in e.args)
        out.append(f"        [DllImport(Dll, EntryPoint = \"{e.name}\", CallingConvention = CallingConvention.StdCall, "
                   f"ExactSpelling = true)]")
        out.append(f"        public static extern {CS_RESULT[e.result]} {e.name}({args});")
    out.append(CS_BOTTOM)
    return "\n".join(out)


# ---------------------------------------------------------------- main

GENERATORS = {
    "header": (make_header, "testkit/karvo_testkit.h"),
    "pascal": (make_pascal, "testkit/karvotestkit.pas"),
    "csharp": (make_csharp, "testkit/KarvoTestKit.cs"),
}


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("list")
    ap.add_argument("--def", dest="def_out")
    ap.add_argument("--implib-def", help="definitions for dlltool -k and llvm-dlltool -k")
    for kind in GENERATORS:
        ap.add_argument(f"--{kind}")
        ap.add_argument(f"--check-{kind}")
    ap.add_argument("--check-csharp-stack", metavar="REPORT", help="what the C# ABI probe printed")
    a = ap.parse_args()
    exports, docs = read(a.list)
    if a.def_out:
        pathlib.Path(a.def_out).write_text(make_def(exports))
    if a.implib_def:
        pathlib.Path(a.implib_def).write_text(make_implib_def(exports))
    failed = []
    for kind, (make, where) in GENERATORS.items():
        text = make(exports, docs)
        out = getattr(a, kind)
        if out:
            pathlib.Path(out).write_text(text)
        check = getattr(a, f"check_{kind}")
        if check:
            p = pathlib.Path(check)
            if not p.is_file() or p.read_text() != text:
                failed.append(f"{check} is out of date: run tools/gen_testkit.py testkit/karvotestkit.exports "
                              f"--{kind} {where}")
            else:
                print(f"{p.name} matches the test kit's list")
    if a.check_csharp_stack:
        gen_exports.check_csharp_stack(exports, a.check_csharp_stack, "KarvoTestKit.cs")
    if failed:
        sys.exit("\n".join(failed))


if __name__ == "__main__":
    main()
