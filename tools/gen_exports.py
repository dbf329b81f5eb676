#!/usr/bin/env python3
"""Everything that follows the export table, made from exports/karvo.exports:
the .def file, the import-library definitions, include/karvo.h,
include/karvo.pas, include/Karvo.cs, the reference pages, the test's name
list and the probes the ABI tests compile. Each generated file that lives in
the tree has a --check-... twin that fails when the file has drifted.

Every export of the list goes into the .def file, the declarations and the
reference."""
import argparse
import pathlib
import re
import sys

C_TYPES = {
    "BYTE": "unsigned char",
    "INT": "int",
    "UINT": "unsigned int",
    "HANDLE": "KARVO_HANDLE",
    "PCHAR": "const char*",
    "RPCHAR": "const char*",
    "ASTR": "KARVO_ANSISTRING",
    "PASTR": "KARVO_ANSISTRING*",
    "BSTR": "BSTR",
    "PBSTR": "BSTR*",
    "VARIANT": "VARIANT",
    "PVARIANT": "VARIANT*",
    "PTR": "void*",
    "VOID": "void",
}
STACK = {"VARIANT": 16}
VERSION = "1.4.0.0"
GENERATED = "Generated from exports/karvo.exports by tools/gen_exports.py; do not edit."


class Export:
    def __init__(self, family, name, result, args, flags):
        self.family = family
        self.name = name
        self.result = result
        self.args = args  # [(type, name)]
        self.impl = name
        for f in flags:
            if f.startswith("impl="):
                self.impl = f[5:]
            else:
                raise ValueError(f"unknown flag {f}")

    @property
    def renamed(self):
        """The export's name clashes with the Windows API: callers see the
        C++ function's name (KarvoLoadResource) and import the export."""
        return self.impl != self.name

    @property
    def callable_name(self):
        return self.impl

    def stack_bytes(self):
        return sum(STACK.get(t, 4) for t, _ in self.args)

    def decorated(self):
        return f"{self.callable_name}@{self.stack_bytes()}"

    def c_args(self):
        if not self.args:
            return "void"
        return ", ".join(f"{C_TYPES[t]} {n}" for t, n in self.args)


def read_list(path, types=C_TYPES):
    """The list's exports; types are the type names its columns may use."""
    exports, family = [], ""
    for lineno, raw in enumerate(pathlib.Path(path).read_text(encoding="utf-8").splitlines(), 1):
        line = raw.strip()
        if line.startswith("## "):
            family = line[3:]
            continue
        if not line or line.startswith("#"):
            continue
        parts = [p.strip() for p in line.split("|")]
        if len(parts) != 4:
            sys.exit(f"{path}:{lineno}: expected 4 columns")
        name, result, args, flags = parts
        if result not in types:
            sys.exit(f"{path}:{lineno}: unknown type {result}")
        arglist = []
        for a in filter(None, (x.strip() for x in args.split(","))):
            t, n = a.split()
            if t not in types or t in ("VOID", "RPCHAR"):
                sys.exit(f"{path}:{lineno}: bad argument type {t}")
            arglist.append((t, n))
        try:
            exports.append(Export(family, name, result, arglist, flags.split()))
        except ValueError as e:
            sys.exit(f"{path}:{lineno}: {e}")
    return exports


# ---------------------------------------------------------------- ownership

# One line per declaration: who frees each text, how long a result lives.
OWN_ARG = {
    "c": {
        "PCHAR": "{n} is only read during the call",
        "ASTR": "{n} keeps one extra reference only during the call",
        "BSTR": "{n} stays the caller's (KARVO.DLL copies it)",
        "PASTR": "{n} gets a new counted string from the shared memory manager and gives back the one it held; "
                 "the caller releases it",
        "PBSTR": "{n} gets a new BSTR (null for empty) and its old one is freed; the caller frees it "
                 "with SysFreeString",
        "VARIANT": "{n} is copied and the copy cleared; the caller's VARIANT stays the caller's",
        "PVARIANT": "{n} must hold a valid VARIANT; it is cleared, then gets the value; the caller "
                    "VariantClears it",
        "HANDLE": "{n} is the host's, lent and never freed",
    },
    "pas": {
        "PCHAR": "{n} is only read during the call",
        "ASTR": "{n} keeps one extra reference only during the call",
        "BSTR": "{n} stays the caller's (KARVO.DLL copies it)",
        "PASTR": "{n} gets a new AnsiString from the shared memory manager (KarvoShareMem first in the uses "
                 "clause) and the old value is released",
        "PBSTR": "{n} gets a new WideString and its old one is freed; the compiler releases it",
        "VARIANT": "pass TVarData(V): KARVO.DLL copies it and clears the copy, V stays the caller's",
        "PVARIANT": "{n} is cleared, then gets the value; the compiler releases it",
        "HANDLE": "{n} is the host's, lent and never freed",
    },
    "cs": {
        "PCHAR": "{n} is marshalled to the ANSI code page for the call",
        "ASTR": "{n} is a counted string of the process's shared memory manager: use the W form from C#",
        "BSTR": "{n} is marshalled to a BSTR that the marshaller frees",
        "PASTR": "{n} gets a counted string that needs the shared memory manager to release: use the W form "
                 "from C#",
        "PBSTR": "{n} (start with null) gets a new BSTR that the marshaller turns into a string and frees",
        "VARIANT": "{n} is marshalled to a VARIANT by value; KARVO.DLL copies it",
        "PVARIANT": "{n} is marshalled in and out as a VARIANT; the marshaller clears it",
        "HANDLE": "{n} is the host's, lent and never freed",
    },
}
OWN_RESULT = {
    "c": "the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; null = empty",
    "pas": "the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; nil = empty",
    "cs": "the result points into KARVO.DLL's buffer until the calling thread's next text result: read it at once with "
          "KarvoApi.Text, never free it",
}


# Arguments whose ownership their type cannot tell, by export and name.
OWN_SPECIAL = {
    ("GetProperty", "aResult"): "for a METHOD property {n} gets the address of KARVO.DLL's copy of its (code, "
                                "data) pair, which holds that pair until 16384 other pairs have been read after "
                                "it; never free it",
    ("KarvoInstallObjectModel", "aModel"): "{n} is copied during the call; the Context and the functions it "
                                           "names stay the host's and must stay valid until the model is "
                                           "replaced, uninstalled or KARVO.DLL unloaded",
}


def ownership(e, lang):
    parts = []
    for t, n in e.args:
        if (e.name, n) in OWN_SPECIAL:
            parts.append(OWN_SPECIAL[(e.name, n)].format(n=n))
    if e.result == "RPCHAR":
        parts.append(OWN_RESULT[lang])
    for t, n in e.args:
        if t in OWN_ARG[lang]:
            parts.append(OWN_ARG[lang][t].format(n=n))
    if not parts:
        parts.append("no texts or handles change hands")
    text = "; ".join(parts) + "."
    return "Ownership: " + text


# ---------------------------------------------------------------- .def files


def make_def(exports):
    out = ["; Generated from exports/karvo.exports; do not edit.", "LIBRARY KARVO.DLL", "EXPORTS"]
    for e in exports:
        out.append(f"  {e.name} = {e.impl}@{e.stack_bytes()}")
    return "\n".join(out) + "\n"


def make_implib_def(exports):
    """For GNU dlltool -k: callers link against the decorated names, which
    the import library maps to the undecorated exports. A renamed export is
    linked as its C++ name and imports the export's own name."""
    out = ["; Generated from exports/karvo.exports; do not edit.", "LIBRARY KARVO.DLL", "EXPORTS"]
    for e in exports:
        if e.renamed:
            out.append(f"  {e.decorated()} == {e.name}")
        else:
            out.append(f"  {e.decorated()}")
    return "\n".join(out) + "\n"


def make_msvc_def(exports):
    """For llvm-dlltool -m i386 -k (KARVO.lib). LLVM 14 reads "==" as a weak
    alias, not as an import name, so a renamed export goes in under its own
    decorated name (which cannot meet the Windows API's, whose argument
    bytes differ) and its C++ name is an alias of it."""
    out = ["; Generated from exports/karvo.exports; do not edit.", "LIBRARY KARVO.DLL", "EXPORTS"]
    for e in exports:
        own = f"{e.name}@{e.stack_bytes()}"
        out.append(f"  {own}")
        if e.renamed:
            out.append(f"  {e.decorated()} == {own}")
    return "\n".join(out) + "\n"


# ---------------------------------------------------------------- C header

HEADER_TOP = """\
/* KARVO.DLL 1.4.0.0: the exports for plug-ins, in C89 and C++.
 * Generated from exports/karvo.exports; do not edit.
 *
 * Every export uses the Windows API calling convention (__stdcall) and is
 * imported by its undecorated name: link with libkarvo.a (MinGW) or
 * KARVO.lib (MSVC), or load it with GetProcAddress as its KARVO_PFN_ type.
 * Texts:
 *   const char* arguments: NUL-terminated, system ANSI code page; null = empty.
 *   A non-null text pointer must point at a terminated text.
 *   const char* results: owned by KARVO.DLL, valid until the calling thread's
 *     next text result of any export; never free them. Null means an empty
 *     text.
 *     GetLastAPIError is such a result too (read the last error with
 *     GetLastAPIErrorW, which leaves the buffer alone), and the A and W forms
 *     of OpenAPI, ExecuteSQL, GetFromQuerySQL, OpenQuerySQL, FieldByNameSQL,
 *     XMLGetProcName, XMLGetWindowName and LoadResource overwrite it even
 *     when they return no text: copy a result before the next call.
 *   KARVO_ANSISTRING (A forms): the host runtime's counted 8-bit string, from
 *     the memory manager all modules of the process share. A result variable
 *     receives a new string; the reference it held is given back.
 *     A manager published in the process that cannot be called (its table
 *     unreadable, or a routine outside executable memory) is never called:
 *     A-form results then fail with code 252 and leave the variable alone.
 *   BSTR (W forms): an argument stays the caller's; a result variable
 *     receives a new BSTR (null for empty) and its old BSTR is freed.
 *   A length (a counted string's, a BSTR's prefix) that runs past readable
 *     memory fails the call with code 252.
 *   VARIANT arguments are passed by value (16 bytes); a VARIANT* result is
 *     the caller's to VariantClear.
 * Byte results are the low 8 bits of the return value.
 * An export whose name is also a Windows API function (LoadResource) is
 * declared under the name Karvo + its name (KarvoLoadResource); the import
 * libraries map that name to the export, and GetProcAddress takes the
 * export's own name.
 * A failure shows in the result and in GetLastAPIError.
 * Any thread may call any export: the requests of several threads are served
 * one after another, and GetLastAPIError reads the calling thread's last
 * failure.
 */
#ifndef KARVO_H
#define KARVO_H

#include <windows.h>
#include <oleauto.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void* KARVO_HANDLE;
typedef char* KARVO_ANSISTRING;

#ifndef KARVO_API
#define KARVO_API __declspec(dllimport)
#endif
"""

HEADER_BOTTOM = """
#ifdef __cplusplus
}
#endif

#endif /* KARVO_H */
"""


def make_header(exports):
    out = [HEADER_TOP]
    family = None
    for e in exports:
        if e.family != family:
            family = e.family
            out.append(f"\n/* ---- {family} ---- */\n")
        ret = C_TYPES[e.result]
        out.append(f"/* {ownership(e, 'c')} */")
        if e.renamed:
            out.append(f"/* Exported as {e.name}; GetProcAddress(module, \"{e.name}\") gives a KARVO_PFN_{e.name}. */")
        out.append(f"typedef {ret}(__stdcall* KARVO_PFN_{e.name})({e.c_args()});")
        out.append(f"KARVO_API {ret} __stdcall {e.callable_name}({e.c_args()});")
    out.append(HEADER_BOTTOM)
    return "\n".join(out)


# ---------------------------------------------------------------- Pascal

PAS_ARG = {
    "BYTE": "{n}: Byte",
    "INT": "{n}: LongInt",
    "UINT": "{n}: LongWord",
    "HANDLE": "{n}: TKarvoHandle",
    "PCHAR": "{n}: PAnsiChar",
    "ASTR": "const {n}: AnsiString",
    "PASTR": "var {n}: AnsiString",
    "BSTR": "const {n}: WideString",
    "PBSTR": "var {n}: WideString",
    # A value record of a stdcall routine goes whole on the stack in both
    # compilers; a const record (and a Delphi Variant) would go as a pointer.
    "VARIANT": "{n}: TVarData",
    "PVARIANT": "var {n}: OleVariant",
    "PTR": "{n}: Pointer",
}
PAS_RESULT = {
    "BYTE": "Byte",
    "INT": "LongInt",
    "UINT": "LongWord",
    "HANDLE": "TKarvoHandle",
    "RPCHAR": "PAnsiChar",
    "PTR": "Pointer",
}


def pas_signature(e):
    args = "; ".join(PAS_ARG[t].format(n=n) for t, n in e.args)
    args = f"({args})" if args else ""
    if e.result == "VOID":
        return f"procedure {e.callable_name}{args}"
    return f"function {e.callable_name}{args}: {PAS_RESULT[e.result]}"


PAS_TOP = """\
{ KARVO.DLL 1.4.0.0: the exports for Pascal plug-ins (Free Pascal and Delphi).
  Generated from exports/karvo.exports; do not edit.

  Every export is stdcall and imported from KARVO.DLL by its undecorated name.
  Texts:
    PAnsiChar arguments: NUL-terminated, system ANSI code page; nil = empty.
    A non-nil text pointer must point at a terminated text.
    PAnsiChar results: KARVO.DLL's buffer, valid until the calling thread's
      next text result; never free them; nil means an empty text.
      GetLastAPIError is such a
      result too (GetLastAPIErrorA and W leave the buffer alone), and the A and
      W forms of OpenAPI, ExecuteSQL, GetFromQuerySQL, OpenQuerySQL,
      FieldByNameSQL, XMLGetProcName, XMLGetWindowName and LoadResource
      overwrite it even when they return no text: copy a result at once.
    AnsiString (A forms): counted strings from the memory manager that all
      modules of the process share. Put KarvoShareMem first in the uses clause
      of the project, so that the strings KARVO.DLL hands out are freed in the
      heap they came from. This unit uses KarvoShareMem itself: a module in
      which SysUtils started before KarvoShareMem does not start (a message,
      then LoadLibrary fails or the program ends with exit code 1) instead of
      crashing at its first A-form result.
      A manager published in the process that cannot be called is never
      called: A-form results then fail with code 252.
    WideString (W forms): a BSTR. Arguments stay yours; a var result gets a
      new BSTR and its old one is freed.
    A length (an AnsiString's, a WideString's) that runs past readable memory
      fails the call with code 252.
  Byte results are the low 8 bits of the return value.
  VARIANT by value: the export takes the 16-byte VARIANT itself on the stack.
    These are declared as value (not const) TVarData parameters: stdcall
    pushes a value record whole in Free Pascal and Delphi alike, while a
    const record, or a Variant parameter in Delphi, would go as a pointer.
    Pass TVarData(V). A var OleVariant is the VARIANT* of a result.
  LoadResource is also a Windows API function: it is declared here as
    KarvoLoadResource, importing the export LoadResource.
  A failure shows in the result and in GetLastAPIError. }
unit karvo;

{$IFDEF FPC}
  {$MODE DELPHI}
{$ENDIF}

interface

const
  KarvoDLL = 'KARVO.DLL';
  KarvoVersion = '1.4.0.0';

type
  { A host object, result set or other handle: 32 bits, lent by the host. }
  TKarvoHandle = Pointer;
"""

PAS_BOTTOM = """
implementation

uses
  Windows,
  KarvoShareMem;

{ The strings of the A forms would be freed in the wrong heap: say why, on
  the standard error when the process has one and in a message box
  otherwise, and fail the start. Nothing here takes memory from the heap. }
procedure RefuseToStart(const Why: ShortString);
var
  Text: array[0..2047] of AnsiChar;
  Module: array[0..MAX_PATH] of AnsiChar;
  Part: ShortString;
  ErrorOut: THandle;
  Written: DWORD;
begin
  Module[0] := #0;
  GetModuleFileNameA(HInstance, Module, MAX_PATH);
  lstrcpyA(Text, 'karvo: ');
  lstrcatA(Text, Module);
  Part := ' does not start: ' + Why + '.'#13#10#0;
  lstrcatA(Text, @Part[1]);
  lstrcatA(Text, 'Put KarvoShareMem first in the uses clause of the project, before SysUtils and every '
    + 'other unit, so that the strings of the A forms of KARVO.DLL are freed in the heap they came from.'#13#10);
  Written := 0;
  ErrorOut := GetStdHandle(STD_ERROR_HANDLE);
  if (ErrorOut = 0) or (ErrorOut = INVALID_HANDLE_VALUE)
    or not WriteFile(ErrorOut, Text, lstrlenA(Text), Written, nil) then
    MessageBoxA(0, Text, 'KARVO', MB_OK or MB_ICONERROR);
  Halt(1);
end;

initialization
  if KarvoShareMemProblem <> '' then
    RefuseToStart(KarvoShareMemProblem);

end.
"""


def make_pascal(exports):
    out = [PAS_TOP]
    family = None
    for e in exports:
        if e.family != family:
            family = e.family
            out.append(f"\n{{ ---- {family} ---- }}\n")
        out.append(f"{{ {ownership(e, 'pas')} }}")
        out.append(f"{pas_signature(e)}; stdcall; external KarvoDLL name '{e.name}';")
    out.append(PAS_BOTTOM)
    return "\n".join(out)


def make_pascal_probe(exports):
    """A unit with a body for every declaration of karvo.pas: the ABI test
    reads the argument bytes each body pops (ret N) from its object file."""
    out = [f"{{ {GENERATED} }}", "unit karvoprobe;", "{$IFDEF FPC}{$MODE DELPHI}{$ENDIF}", "interface",
           "type TKarvoHandle = Pointer;",
           "{$IF SizeOf(TVarData) <> 16}{$ERROR TVarData is not the 16-byte VARIANT}{$IFEND}", ""]
    for e in exports:
        out.append(f"{pas_signature(e)}; stdcall;")
    out += ["", "implementation", ""]
    for e in exports:
        body = "" if e.result == "VOID" else " FillChar(Result, SizeOf(Result), 0);"
        out.append(f"{pas_signature(e)}; stdcall; begin{body} end;")
    out += ["", "end.", ""]
    return "\n".join(out)


def check_pascal_stack(exports, disasm_path):
    """Compares the ret N of each probe body (objdump -d of karvoprobe.o)
    with the argument bytes of the export list."""
    rets, current = {}, None
    for line in pathlib.Path(disasm_path).read_text().splitlines():
        m = re.match(r"^[0-9a-f]+ <KARVOPROBE_\$\$_([A-Z0-9_]+)\$?.*>:$", line)
        if m:
            current = m.group(1)
            continue
        if current and current not in rets:
            m = re.search(r"\sret[l]?\s*(?:\$0x([0-9a-f]+))?\s*$", line)
            if m:
                rets[current] = int(m.group(1), 16) if m.group(1) else 0
    bad = []
    for e in exports:
        got = rets.get(e.callable_name.upper())
        if got != e.stack_bytes():
            bad.append(f"{e.callable_name}: Pascal pops {got} bytes, the export takes {e.stack_bytes()}")
    if bad:
        sys.exit("karvo.pas declarations differ from the export list:\n  " + "\n  ".join(bad))
    print(f"karvo.pas: all {len(exports)} declarations pop the argument bytes of the export list")


# ---------------------------------------------------------------- C#

CS_ARG = {
    "BYTE": "byte {n}",
    "INT": "int {n}",
    "UINT": "uint {n}",
    "HANDLE": "IntPtr {n}",
    "PCHAR": "[MarshalAs(UnmanagedType.LPStr)] string {n}",
    "ASTR": "IntPtr {n}",
    "PASTR": "ref IntPtr {n}",
    "BSTR": "[MarshalAs(UnmanagedType.BStr)] string {n}",
    "PBSTR": "[MarshalAs(UnmanagedType.BStr)] ref string {n}",
    "VARIANT": "[MarshalAs(UnmanagedType.Struct)] object {n}",
    "PVARIANT": "[MarshalAs(UnmanagedType.Struct)] ref object {n}",
    "PTR": "IntPtr {n}",
}
# A text result stays IntPtr: as string the marshaller would free KARVO.DLL's
# buffer with CoTaskMemFree.
CS_RESULT = {"BYTE": "byte", "INT": "int", "UINT": "uint", "HANDLE": "IntPtr", "RPCHAR": "IntPtr",
             "PTR": "IntPtr", "VOID": "void"}
CS_KEYWORDS = {"object", "string", "params", "ref", "out", "base", "checked", "fixed", "lock"}


def cs_name(n):
    return "@" + n if n in CS_KEYWORDS else n


CS_TOP = """\
// KARVO.DLL 1.4.0.0: P/Invoke declarations for plug-ins written in C#.
// Generated from exports/karvo.exports; do not edit.
//
// Every export is stdcall and imported by its undecorated name
// (ExactSpelling). Texts:
//   string arguments of the plain form go in the system ANSI code page;
//   a non-null text pointer must point at a terminated text;
//   IntPtr text results point into KARVO.DLL's buffer until the calling
//     thread's next text result: read them at once with KarvoApi.Text and never free them
//     (GetLastAPIError is such a result too; GetLastAPIErrorW is not);
//   the W forms take and give BSTRs (ref string: start with null);
//   the A forms take the counted strings of the process's shared memory
//     manager, which C# cannot make: use the W or plain form instead;
//   object arguments are VARIANTs (by value: 16 bytes on the stack).
// Byte results are the low 8 bits of the return value. LoadResource, also a
// Windows API name, is KarvoLoadResource here. A failure shows in the result
// and in GetLastAPIError.
using System;
using System.Runtime.InteropServices;

namespace Karvo
{
    public static class KarvoApi
    {
        public const string Dll = "KARVO.DLL";
        public const string Version = "1.4.0.0";

        // A text result of KARVO.DLL as a string (null pointer: empty).
        public static string Text(IntPtr result)
        {
            return result == IntPtr.Zero ? "" : Marshal.PtrToStringAnsi(result);
        }
"""

CS_BOTTOM = """    }
}
"""


def make_csharp(exports):
    out = [CS_TOP]
    family = None
    for e in exports:
        if e.family != family:
            family = e.family
            out.append(f"\n        // ---- {family} ----\n")
        args = ", ".join(CS_ARG[t].format(n=cs_name(n)) for t, n in e.args)
        out.append(f"        // {ownership(e, 'cs')}")
        out.append(f"        [DllImport(Dll, EntryPoint = \"{e.name}\", CallingConvention = CallingConvention.StdCall, "
                   f"ExactSpelling = true)]")
        out.append(f"        public static extern {CS_RESULT[e.result]} {e.callable_name}({args});")
    out.append(CS_BOTTOM)
    return "\n".join(out)


def check_csharp_stack(exports, report_path, what="Karvo.cs"):
    """Compares what the C# ABI probe printed (name, entry point, calling
    convention, native argument bytes from the marshalling attributes) with
    the export list."""
    seen = {}
    for line in pathlib.Path(report_path).read_text().splitlines():
        parts = line.split()
        if len(parts) == 4:
            seen[parts[0]] = (parts[1], parts[2], int(parts[3]))
    bad = []
    for e in exports:
        want = (e.name, "StdCall", e.stack_bytes())
        got = seen.pop(e.callable_name, None)
        if got != want:
            bad.append(f"{e.callable_name}: C# has {got}, the export list {want}")
    bad += [f"{n}: declared in {what} but not an export" for n in seen]
    if bad:
        sys.exit(f"{what} declarations differ from the export list:\n  " + "\n  ".join(bad))
    print(f"{what}: all {len(exports)} declarations match the export list")


# ---------------------------------------------------------------- probe for the import libraries


def make_link_probe(exports):
    """A C file that takes the address of every export through
    karvo.h, so that a link against an import library has to resolve every
    decorated name. Built once with dllimport and once (-DKARVO_API=
    -DKARVO_PROBE=...) through the import thunks."""
    out = [f"/* {GENERATED} */", "#include \"karvo.h\"", "", "#ifndef KARVO_PROBE",
           "#define KARVO_PROBE karvo_probe", "#endif", "",
           "typedef void (*karvo_probe_fn)(void);", "",
           "void KARVO_PROBE(karvo_probe_fn* out);", "void KARVO_PROBE(karvo_probe_fn* out) {"]
    for i, e in enumerate(exports):
        out.append(f"  out[{i}] = (karvo_probe_fn){e.callable_name};")
    out += ["}", ""]
    return "\n".join(out)


def make_names(exports):
    out = ["// Generated from exports/karvo.exports; do not edit.", "#pragma once", "",
           "struct KarvoExportName { const char* name; };",
           "inline constexpr KarvoExportName kKarvoExports[] = {"]
    for e in exports:
        out.append(f'  {{"{e.name}"}},')
    out.append("};")
    return "\n".join(out) + "\n"


def make_expected_imports(exports):
    """symbol<TAB>import name, for the import-library test: each decorated
    name a caller links against and the export it must import."""
    out = []
    for e in exports:
        out.append(f"_{e.decorated()}\t{e.name}")
    return "\n".join(out) + "\n"


# ---------------------------------------------------------------- reference

PROSE_FIELDS = ("what", "sends", "success", "failure", "messages", "notes")


def read_messages(path):
    text = pathlib.Path(path).read_text(encoding="utf-8")
    msgs = {}
    for m in re.finditer(r"constexpr char16_t (k\w+)\[\]\s*=\s*((?:u\"(?:[^\"\\]|\\.)*\"\s*)+);", text):
        parts = re.findall(r"u\"((?:[^\"\\]|\\.)*)\"", m.group(2))
        msgs[m.group(1)] = "".join(parts)
    return msgs


def read_prose(path, messages):
    entries, current, key = {}, None, None
    for lineno, raw in enumerate(pathlib.Path(path).read_text(encoding="utf-8").splitlines(), 1):
        if raw.startswith("#") or not raw.strip():
            key = None if not raw.strip() else key
            continue
        m = re.match(r"^\[(\w+)\]$", raw)
        if m:
            current = entries.setdefault(m.group(1), {})
            key = None
            continue
        if raw.startswith("  ") and key:
            current[key] += " " + raw.strip()
            continue
        m = re.match(r"^(\w+):\s*(.*)$", raw)
        if not m or current is None or m.group(1) not in PROSE_FIELDS + ("like",):
            sys.exit(f"{path}:{lineno}: expected [Name], a field ({', '.join(PROSE_FIELDS)}, like) or "
                     f"an indented continuation")
        key = m.group(1)
        current[key] = m.group(2)

    def expand(text, where):
        def sub(m):
            if m.group(1) not in messages:
                sys.exit(f"{path}: {where}: no message {m.group(1)} in src/messages/Messages.h")
            return "\u201e" + messages[m.group(1)] + "\u201d"
        return re.sub(r"\{(k\w+)\}", sub, text)

    for name, fields in entries.items():
        for f in list(fields):
            fields[f] = expand(fields[f], name)
    return entries


def resolved_prose(entries, name, seen=()):
    fields = dict(entries.get(name, {}))
    base = fields.pop("like", None)
    if base:
        if base in seen or base not in entries:
            sys.exit(f"reference: {name} is like {base}, which has no entry")
        for k, v in resolved_prose(entries, base, seen + (name,)).items():
            fields.setdefault(k, v)
    return fields


def form_of(e, names):
    if e.name[-1:] in "AW" and e.name[:-1] in names:
        return {"A": "A form (counted 8-bit strings)", "W": "W form (BSTRs)"}[e.name[-1]], e.name[:-1]
    if e.name + "A" in names or e.name + "W" in names:
        return "plain form (8-bit text)", None
    return "single form", None


def make_reference(exports, entries):
    names = {e.name for e in exports}
    missing = [e.name for e in exports if e.name not in entries]
    unknown = [n for n in entries if n not in names]
    if missing or unknown:
        sys.exit("reference prose and export list differ:"
                 + (f"\n  no prose for: {' '.join(missing)}" if missing else "")
                 + (f"\n  prose for no export: {' '.join(unknown)}" if unknown else ""))
    pages = {}
    for e in exports:
        p = resolved_prose(entries, e.name)
        form, base = form_of(e, names)
        out = [f"# {e.name}", "", f"{e.family}; {form}" + (f" of [{base}]({base}.md)" if base else "") + ".", ""]
        out += [p.get("what", ""), ""]
        ret = C_TYPES[e.result]
        out += ["## Declarations", "",
                "C and C++ (`karvo.h`):", "", "```c",
                f"/* {ownership(e, 'c')} */",
                f"{ret} __stdcall {e.callable_name}({e.c_args()});",
                f"typedef {ret}(__stdcall* KARVO_PFN_{e.name})({e.c_args()});", "```", "",
                "Pascal (`karvo.pas`):", "", "```pascal",
                f"{{ {ownership(e, 'pas')} }}",
                f"{pas_signature(e)}; stdcall; external KarvoDLL name '{e.name}';", "```", "",
                "C# (`Karvo.cs`):", "", "```csharp",
                f"// {ownership(e, 'cs')}",
                f"[DllImport(\"KARVO.DLL\", EntryPoint = \"{e.name}\", CallingConvention = CallingConvention.StdCall, "
                f"ExactSpelling = true)]",
                f"public static extern {CS_RESULT[e.result]} {e.callable_name}("
                + ", ".join(CS_ARG[t].format(n=cs_name(n)) for t, n in e.args) + ");", "```", "",
                f"stdcall, {e.stack_bytes()} bytes of arguments, removed by KARVO.DLL. Exported as `{e.name}`; "
                f"the import libraries resolve `{e.decorated()}` to it."
                + (f" `{e.name}` is also a Windows API function, so C, Pascal and C# call it "
                   f"`{e.callable_name}`." if e.renamed else ""), ""]
        for title, key in (("What it sends to the host", "sends"), ("Result on success", "success"),
                           ("Result on failure", "failure"), ("Messages", "messages")):
            out += [f"## {title}", "", p.get(key, "Nothing.") or "Nothing.", ""]
        out += ["## Ownership", "", f"- C: {ownership(e, 'c')[11:]}", f"- Pascal: {ownership(e, 'pas')[11:]}",
                f"- C#: {ownership(e, 'cs')[11:]}", ""]
        if p.get("notes"):
            out += ["## Notes", "", p["notes"], ""]
        pages[f"{e.name}.md"] = "\n".join(out)
    idx = [f"# KARVO.DLL {VERSION}: reference", "", GENERATED, "",
           "One page per export. Every export is stdcall and exported by its undecorated name; texts, forms "
           "and results follow the rules at the top of `karvo.h`. A failure leaves its message in "
           "`GetLastAPIError`.", ""]
    family = None
    for e in exports:
        if e.family != family:
            family = e.family
            idx += ["", f"## {family}", ""]
        idx.append(f"- [{e.name}]({e.name}.md)")
    pages["index.md"] = "\n".join(idx) + "\n"
    return pages


def write_pages(pages, outdir):
    d = pathlib.Path(outdir)
    d.mkdir(parents=True, exist_ok=True)
    for old in d.glob("*.md"):
        if old.name not in pages:
            old.unlink()
    for name, text in pages.items():
        (d / name).write_text(text, encoding="utf-8")


def check_pages(pages, outdir):
    d = pathlib.Path(outdir)
    have = {p.name for p in d.glob("*.md")} if d.is_dir() else set()
    stale = sorted(n for n, t in pages.items() if not (d / n).is_file() or (d / n).read_text(encoding="utf-8") != t)
    extra = sorted(have - set(pages))
    return stale, extra


# ---------------------------------------------------------------- main

GENERATORS = {
    "header": (make_header, "include/karvo.h"),
    "pascal": (make_pascal, "include/karvo.pas"),
    "csharp": (make_csharp, "include/Karvo.cs"),
}


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("list")
    ap.add_argument("--def", dest="def_out")
    ap.add_argument("--header")
    ap.add_argument("--pascal")
    ap.add_argument("--csharp")
    ap.add_argument("--names")
    ap.add_argument("--implib-def", help="definitions for GNU dlltool -k (libkarvo.a)")
    ap.add_argument("--msvc-def", help="definitions for llvm-dlltool -m i386 -k (KARVO.lib)")
    ap.add_argument("--expected-imports", help="decorated symbol and import name of every export")
    ap.add_argument("--link-probe", help="a C file that references every export")
    ap.add_argument("--pascal-probe", help="a Pascal unit with a body for every declaration")
    ap.add_argument("--check-pascal-stack", metavar="DISASM", help="objdump -d of the compiled Pascal probe")
    ap.add_argument("--check-csharp-stack", metavar="REPORT", help="what the C# ABI probe printed")
    ap.add_argument("--check-header", help="fail when this header differs from the generated one")
    ap.add_argument("--check-pascal", help="fail when this unit differs from the generated one")
    ap.add_argument("--check-csharp", help="fail when this file differs from the generated one")
    ap.add_argument("--reference", metavar="DIR", help="write the reference pages")
    ap.add_argument("--check-reference", metavar="DIR", help="fail when the reference pages have drifted")
    ap.add_argument("--prose", default=None, help="per-export prose (default: karvo.reference beside the list)")
    ap.add_argument("--messages", default=None, help="src/messages/Messages.h (default: beside the list's tree)")
    a = ap.parse_args()
    exports = read_list(a.list)
    root = pathlib.Path(a.list).resolve().parent.parent
    outputs = [(a.def_out, make_def), (a.header, make_header), (a.pascal, make_pascal), (a.csharp, make_csharp),
               (a.implib_def, make_implib_def), (a.msvc_def, make_msvc_def), (a.names, make_names),
               (a.expected_imports, make_expected_imports), (a.link_probe, make_link_probe),
               (a.pascal_probe, make_pascal_probe)]
    for path, make in outputs:
        if path:
            pathlib.Path(path).write_text(make(exports))
    failed = []
    for path, kind in ((a.check_header, "header"), (a.check_pascal, "pascal"), (a.check_csharp, "csharp")):
        if not path:
            continue
        make, where = GENERATORS[kind]
        p = pathlib.Path(path)
        if not p.is_file() or p.read_text() != make(exports):
            failed.append(f"{path} is out of date: run tools/gen_exports.py exports/karvo.exports --{kind} {where}")
        else:
            print(f"{p.name} matches the export list")
    if a.reference or a.check_reference:
        prose = a.prose or pathlib.Path(a.list).with_suffix(".reference")
        messages = read_messages(a.messages or root / "src/messages/Messages.h")
        pages = make_reference(exports, read_prose(prose, messages))
        if a.reference:
            write_pages(pages, a.reference)
        if a.check_reference:
            stale, extra = check_pages(pages, a.check_reference)
            if stale or extra:
                failed.append(f"{a.check_reference} is out of date ({len(stale)} pages differ"
                              + (f", {len(extra)} extra" if extra else "")
                              + "): run tools/gen_exports.py exports/karvo.exports --reference docs/reference")
            else:
                print(f"the {len(pages) - 1} reference pages match the export list")
    if a.check_pascal_stack:
        check_pascal_stack(exports, a.check_pascal_stack)
    if a.check_csharp_stack:
        check_csharp_stack(exports, a.check_csharp_stack)
    if failed:
        sys.exit("\n".join(failed))


if __name__ == "__main__":
    main()
