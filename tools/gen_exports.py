#!/usr/bin/env python3
"""Makes the .def file, include/karvo.h and the test's name list from
exports/karvo.exports, the one list of the library's exports."""
import argparse
import pathlib
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


class Export:
    def __init__(self, family, name, result, args, flags):
        self.family = family
        self.name = name
        self.result = result
        self.args = args  # [(type, name)]
        self.pending = "pending" in flags
        self.impl = name
        for f in flags:
            if f.startswith("impl="):
                self.impl = f[5:]

    def stack_bytes(self):
        return sum(STACK.get(t, 4) for t, _ in self.args)

    def c_args(self):
        if not self.args:
            return "void"
        return ", ".join(f"{C_TYPES[t]} {n}" for t, n in self.args)


def read_list(path):
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
        if result not in C_TYPES:
            sys.exit(f"{path}:{lineno}: unknown type {result}")
        arglist = []
        for a in filter(None, (x.strip() for x in args.split(","))):
            t, n = a.split()
            if t not in C_TYPES or t in ("VOID", "RPCHAR"):
                sys.exit(f"{path}:{lineno}: bad argument type {t}")
            arglist.append((t, n))
        exports.append(Export(family, name, result, arglist, flags.split()))
    return exports


def make_def(exports):
    out = ["; Generated from exports/karvo.exports; do not edit.", "LIBRARY KARVO.DLL", "EXPORTS"]
    for e in exports:
        if not e.pending:
            out.append(f"  {e.name} = {e.impl}@{e.stack_bytes()}")
    return "\n".join(out) + "\n"


HEADER_TOP = """\
/* KARVO.DLL 1.4.0.0: the exports for plug-ins, in C89 and C++.
 * Generated from exports/karvo.exports; do not edit.
 *
 * Every export uses the Windows API calling convention (__stdcall).
 * Texts:
 *   const char* arguments: NUL-terminated, system ANSI code page; null = empty.
 *   const char* results: owned by KARVO.DLL, valid until the next text result
 *     of any export; never free them. Null means an empty text.
 *   KARVO_ANSISTRING (A forms): the host runtime's counted 8-bit string, from
 *     the memory manager all modules of the process share. A result variable
 *     receives a new string; the reference it held is given back.
 *   BSTR (W forms): an argument stays the caller's; a result variable
 *     receives a new BSTR (null for empty) and its old BSTR is freed.
 *   VARIANT arguments are passed by value (16 bytes); a VARIANT* result is
 *     the caller's to VariantClear.
 * A failure shows in the result and in GetLastAPIError.
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
        if e.pending:
            continue
        if e.family != family:
            family = e.family
            out.append(f"\n/* ---- {family} ---- */\n")
        ret = C_TYPES[e.result]
        out.append(f"typedef {ret}(__stdcall* KARVO_PFN_{e.name})({e.c_args()});")
        if e.impl != e.name:
            out.append(f"/* {e.name} has the name of a Windows API function: load it with")
            out.append(f"   GetProcAddress(module, \"{e.name}\") as a KARVO_PFN_{e.name}. */")
            out.append("#ifdef KARVO_BUILDING_DLL")
            out.append(f"KARVO_API {ret} __stdcall {e.impl}({e.c_args()});")
            out.append("#endif")
        else:
            out.append(f"KARVO_API {ret} __stdcall {e.name}({e.c_args()});")
    out.append(HEADER_BOTTOM)
    return "\n".join(out)


def make_implib_def(exports):
    """For dlltool -k: callers link against the decorated names, which the
    import library maps to the undecorated exports."""
    out = ["; Generated from exports/karvo.exports; do not edit.", "LIBRARY KARVO.DLL", "EXPORTS"]
    for e in exports:
        if not e.pending and e.impl == e.name:
            out.append(f"  {e.name}@{e.stack_bytes()}")
    return "\n".join(out) + "\n"


def make_names(exports):
    out = ["// Generated from exports/karvo.exports; do not edit.", "#pragma once", "",
           "struct KarvoExportName { const char* name; bool pending; };",
           "inline constexpr KarvoExportName kKarvoExports[] = {"]
    for e in exports:
        out.append(f'  {{"{e.name}", {"true" if e.pending else "false"}}},')
    out.append("};")
    return "\n".join(out) + "\n"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("list")
    ap.add_argument("--def", dest="def_out")
    ap.add_argument("--header")
    ap.add_argument("--names")
    ap.add_argument("--implib-def")
    ap.add_argument("--check-header", help="fail when this header differs from the generated one")
    a = ap.parse_args()
    exports = read_list(a.list)
    if a.def_out:
        pathlib.Path(a.def_out).write_text(make_def(exports))
    if a.header:
        pathlib.Path(a.header).write_text(make_header(exports))
    if a.implib_def:
        pathlib.Path(a.implib_def).write_text(make_implib_def(exports))
    if a.names:
        pathlib.Path(a.names).write_text(make_names(exports))
    if a.check_header:
        if pathlib.Path(a.check_header).read_text() != make_header(exports):
            sys.exit(f"{a.check_header} is out of date: run tools/gen_exports.py exports/karvo.exports "
                     f"--header include/karvo.h")
        print("karvo.h matches the export list")


if __name__ == "__main__":
    main()
