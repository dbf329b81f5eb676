#!/usr/bin/env python3
"""The import libraries against the export list.

1. Reads libkarvo.a (GNU dlltool: one small object per import) and KARVO.lib
   (llvm-dlltool: short import members, weak aliases) byte by byte, and
   checks that every decorated symbol a caller links against (_Name@N and
   __imp__Name@N) imports its undecorated export from KARVO.DLL, and that no
   other symbol imports anything.
2. Links a probe that references every export through karvo.h against
   each library (GNU ld for libkarvo.a, lld-link for KARVO.lib), with
   dllimport and through the thunks, and checks that the import table of the
   result names exactly the exports of the list, undecorated.

With --build the libraries, the header and the probe are made here from the
given list (the test uses that for a list in which a renamed export such as
LoadResource is listed); otherwise the libraries of the build are checked."""
import argparse
import pathlib
import re
import struct
import subprocess
import sys

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent.parent
sys.path.insert(0, str(ROOT / "tools"))
import gen_exports  # noqa: E402


def ar_members(data):
    if not data.startswith(b"!<arch>\n"):
        raise ValueError("not an archive")
    pos, longnames = 8, b""
    while pos + 60 <= len(data):
        hdr = data[pos:pos + 60]
        name = hdr[:16].decode("latin-1").rstrip()
        size = int(hdr[48:58].decode().strip())
        body = data[pos + 60:pos + 60 + size]
        pos += 60 + size + (size & 1)
        if name == "//":
            longnames = body
            continue
        if name in ("/", "/SYM64/"):
            continue
        yield name, body


def short_import(body):
    """(symbol, dll, import name) of a short import member, or None."""
    sig1, sig2 = struct.unpack_from("<HH", body)
    if sig1 != 0 or sig2 != 0xFFFF:
        return None
    _, machine, _, size, hint, info = struct.unpack_from("<HHIIHH", body, 4)
    sym, dll = body[20:20 + size].split(b"\0")[:2]
    sym, dll = sym.decode(), dll.decode()
    name_type = (info >> 2) & 7
    if name_type == 0:
        imported = f"#{hint}"
    elif name_type == 1:
        imported = sym
    elif name_type == 2:
        imported = sym.lstrip("?@_")
    elif name_type == 3:
        imported = sym.lstrip("?@_").split("@")[0]
    else:
        imported = f"<name type {name_type}>"
    return sym, dll, imported


def coff_object(body):
    """Sections {name: raw bytes}, defined external symbols, weak aliases."""
    machine, nsec, _, symptr, nsym, opt, _ = struct.unpack_from("<HHIIIHH", body)
    strtab = body[symptr + 18 * nsym:]

    def name_of(raw):
        if raw[:4] == b"\0\0\0\0":
            off = struct.unpack_from("<I", raw, 4)[0]
            return strtab[off:strtab.index(b"\0", off)].decode()
        return raw.rstrip(b"\0").decode()

    sections = []
    for i in range(nsec):
        s = body[20 + opt + 40 * i:20 + opt + 40 * (i + 1)]
        sname = s[:8].rstrip(b"\0").decode()
        rawsize, rawptr = struct.unpack_from("<II", s, 16)
        sections.append((sname, body[rawptr:rawptr + rawsize]))
    symbols, defined, weak = [], {}, {}
    i = 0
    while i < nsym:
        rec = body[symptr + 18 * i:symptr + 18 * (i + 1)]
        name = name_of(rec[:8])
        value, secnum, typ, cls, naux = struct.unpack_from("<IhHBB", rec, 8)
        symbols.append(name)
        if cls == 105 and naux:  # IMAGE_SYM_CLASS_WEAK_EXTERNAL
            aux = body[symptr + 18 * (i + 1):symptr + 18 * (i + 2)]
            weak[name] = struct.unpack_from("<I", aux)[0]
        elif cls == 2 and secnum > 0:
            defined[name] = sections[secnum - 1][0]
        symbols += [None] * naux
        i += 1 + naux
    weak = {k: symbols[v] for k, v in weak.items()}
    return dict(sections), defined, weak


def library_imports(path):
    """{symbol: (dll, import name)} of every symbol the library defines."""
    data = pathlib.Path(path).read_bytes()
    result, aliases, gnu_members, dll_of_iname = {}, {}, [], {}
    for _, body in ar_members(data):
        s = short_import(body)
        if s:
            sym, dll, imported = s
            result[sym] = (dll, imported)
            result["__imp_" + sym] = (dll, imported)
            continue
        sections, defined, weak = coff_object(body)
        aliases.update(weak)
        if ".idata$6" in sections and any(n.startswith("__imp_") for n in defined):
            hintname = sections[".idata$6"]
            gnu_members.append((defined, hintname[2:hintname.index(b"\0", 2)].decode()))
        if ".idata$7" in sections:
            for n in defined:
                if n.endswith("_iname"):
                    dll_of_iname[n] = sections[".idata$7"].split(b"\0")[0].decode()
    gnu_dll = next(iter(dll_of_iname.values()), "?") if len(set(dll_of_iname.values())) == 1 else "?"
    for defined, imported in gnu_members:
        for n in defined:
            result[n] = (gnu_dll, imported)
    for alias, target in aliases.items():
        result[alias] = result.get(target, ("?", f"<alias of missing {target}>"))
    return result


def check_library(path, exports):
    imports = library_imports(path)
    want, allowed = {}, {}
    for e in exports:
        want[f"_{e.decorated()}"] = ("KARVO.DLL", e.name)
        want[f"__imp__{e.decorated()}"] = ("KARVO.DLL", e.name)
        if e.renamed:
            # KARVO.lib keeps the export's own decorated name for the alias
            # to point at; it cannot meet the Windows API's (other bytes).
            allowed[f"_{e.name}@{e.stack_bytes()}"] = ("KARVO.DLL", e.name)
            allowed[f"__imp__{e.name}@{e.stack_bytes()}"] = ("KARVO.DLL", e.name)
    bad = [f"{s}: imports {imports.get(s)}, should import {w}" for s, w in sorted(want.items())
           if imports.get(s) != w]
    bad += [f"{s}: imports {v}" + ("" if s not in allowed else f", should import {allowed[s]}")
            for s, v in sorted(imports.items()) if s not in want and allowed.get(s) != v]
    return bad, len(want)


def import_table(objdump, dll):
    out = subprocess.run([objdump, "-p", str(dll)], check=True, capture_output=True, text=True).stdout
    names, current = {}, None
    for line in out.splitlines():
        m = re.match(r"^\s*DLL Name: (.+)$", line)
        if m:
            current = names.setdefault(m.group(1).strip(), [])
            continue
        m = re.match(r"^\s+[0-9a-f]+\s+([0-9]+)\s+(\S+)\s*$", line)
        if current is not None and m:
            current.append(m.group(2))
        elif current is not None and not line.strip():
            current = None
    return names


def run(cmd):
    r = subprocess.run(cmd, capture_output=True, text=True)
    if r.returncode != 0:
        sys.exit(f"failed: {' '.join(map(str, cmd))}\n{r.stdout}{r.stderr}")


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--list", required=True)
    ap.add_argument("--work", required=True)
    ap.add_argument("--include", help="the directory of karvo.h (default: made from the list)")
    ap.add_argument("--gnu-lib")
    ap.add_argument("--msvc-lib")
    ap.add_argument("--build", action="store_true", help="make both libraries from the list here")
    ap.add_argument("--cc", default="i686-w64-mingw32-gcc-posix")
    ap.add_argument("--dlltool", default="i686-w64-mingw32-dlltool")
    ap.add_argument("--llvm-dlltool", default="llvm-dlltool")
    ap.add_argument("--lld-link", default="lld-link")
    ap.add_argument("--objdump", default="i686-w64-mingw32-objdump")
    a = ap.parse_args()
    work = pathlib.Path(a.work)
    work.mkdir(parents=True, exist_ok=True)
    exports = gen_exports.read_list(a.list)
    names = {e.name for e in exports}
    include = pathlib.Path(a.include) if a.include else work
    if not a.include:
        (work / "karvo.h").write_text(gen_exports.make_header(exports))
    gnu, msvc = a.gnu_lib, a.msvc_lib
    if a.build:
        (work / "gnu.def").write_text(gen_exports.make_implib_def(exports))
        (work / "msvc.def").write_text(gen_exports.make_msvc_def(exports))
        gnu, msvc = work / "libkarvo.a", work / "KARVO.lib"
        run([a.dlltool, "-k", "-d", work / "gnu.def", "-D", "KARVO.DLL", "-l", gnu])
        run([a.llvm_dlltool, "-m", "i386", "-k", "-d", work / "msvc.def", "-D", "KARVO.DLL", "-l", msvc])
    failures = []
    for lib in (gnu, msvc):
        bad, count = check_library(lib, exports)
        failures += [f"{pathlib.Path(lib).name}: {b}" for b in bad]
        if not bad:
            print(f"{pathlib.Path(lib).name}: {count} decorated symbols, each importing its undecorated export")

    (work / "probe.c").write_text(gen_exports.make_link_probe(exports))
    objs = []
    for kind, defs in (("imp", []), ("thunk", ["-DKARVO_API=", "-DKARVO_PROBE=karvo_probe_thunk"])):
        obj = work / f"probe_{kind}.o"
        run([a.cc, "-std=c89", "-Wall", "-Wextra", "-Werror", "-O1", *defs, "-I", include, "-c", work / "probe.c",
             "-o", obj])
        objs.append(obj)
    for lib, linker in ((gnu, "ld"), (msvc, "lld-link")):
        out = work / f"probe_{pathlib.Path(lib).stem}.dll"
        if linker == "ld":
            run([a.cc, "-shared", "-o", out, *objs, lib])
        else:
            run([a.lld_link, "/dll", "/noentry", "/nodefaultlib", "/machine:x86", "/safeseh:no", f"/out:{out}", *objs, lib])
        got = import_table(a.objdump, out)
        karvo = got.pop("KARVO.DLL", [])
        if set(karvo) != names or len(karvo) != len(names):
            failures.append(f"{out.name}: imports {sorted(karvo)} from KARVO.DLL, the list has {sorted(names)}")
        elif any("@" in n for n in karvo):
            failures.append(f"{out.name}: decorated import names {karvo}")
        else:
            print(f"{out.name} ({linker}): imports the {len(names)} exports from KARVO.DLL by their own names")
    if failures:
        sys.exit("\n".join(failures))


if __name__ == "__main__":
    main()
