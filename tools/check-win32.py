#!/usr/bin/env python3
"""Checks the 32-bit tree without running it, for machines that cannot
execute 32-bit programs:

1. Every program and library of the tree is a 32-bit x86 image, and every
   function it imports is exported by the DLL it names: one of the tree's
   own DLLs, or a 32-bit DLL of the Wine installed on this machine.
2. The binding tables inside RelivoX.exe (the entry points it looks up at
   run time) are the lists they are made from (capture/lumcap_exports.h,
   braille/louis_names.h), and each entry is exported by its library in a
   form the program looks up: for lumcap32.dll the decorated
   "_Name@bytes" with the byte count of the table, for liblouis32.dll
   "lou_name".

The 32-bit sizes of the records shared with the library and of the
argument lists are checked by the compiler (static_assert in
capture/lumcap.h and camera/capture_names.cpp).

The check proves itself each time: with an export of Wine's, of the capture
library and of the translator taken away, it must report each.

Usage: tools/check-win32.py [WIN32_TREE] [--wine-dlls DIR]
Reads the images with MinGW's objdump and nm.
"""
import argparse
import os
import re
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OBJDUMP = "i686-w64-mingw32-objdump"
NM = "i686-w64-mingw32-nm"
WINE_DLLS = "/usr/lib/i386-linux-gnu/wine/i386-windows"


def tool(*args):
    r = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if r.returncode != 0:
        sys.exit(f"{' '.join(args)} failed: {r.stderr.strip()}")
    return r.stdout


class Image:
    """What objdump -p says of one PE image: its format, imports and
    exports."""

    def __init__(self, path):
        self.path = path
        text = tool(OBJDUMP, "-p", path)
        self.format = re.search(r"file format (\S+)", text).group(1)
        self.imports = {}  # DLL name in lower case -> [name or ordinal]
        self.export_names = set()
        self.export_ordinals = set()
        section = None
        dll = None
        for line in text.split("\n"):
            if line.startswith("The Import Tables"):
                section = "imports"
            elif line.startswith("[Ordinal/Name Pointer] Table"):
                section = "names"
                continue
            elif line.startswith("Export Address Table -- Ordinal Base"):
                section = "ordinals"
                continue
            elif line.startswith("The ") or line.startswith("PE File Base Relocations"):
                section = None
            if section == "imports":
                m = re.match(r"\s*DLL Name: (\S+)", line)
                if m:
                    dll = m.group(1).lower()
                    self.imports.setdefault(dll, [])
                    continue
                m = re.match(r"\t[0-9a-f]+\t +(\d+) +(\S+)", line)
                if m and dll:
                    name = m.group(2)
                    self.imports[dll].append(int(m.group(1)) if name == "<none>" else name)
            elif section == "names":
                m = re.match(r"\s+\[\s*\d+\] (\S+)", line)
                if m:
                    self.export_names.add(m.group(1))
                elif not line.strip():
                    section = None
            elif section == "ordinals":
                m = re.match(r"\s+\[\s*\d+\] \+base\[\s*(\d+)\]", line)
                if m:
                    self.export_ordinals.add(int(m.group(1)))
                elif not line.strip():
                    section = None


class Memory:
    """Reads the bytes of a PE image by virtual address."""

    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        pe = struct.unpack_from("<I", self.data, 0x3C)[0]
        sections, optional_size = struct.unpack_from("<H12xH", self.data, pe + 6)
        optional = pe + 24
        self.base = struct.unpack_from("<I", self.data, optional + 28)[0]
        self.sections = []
        at = optional + optional_size
        for _ in range(sections):
            vsize, vaddr, raw_size, raw_at = struct.unpack_from("<IIII", self.data, at + 8)
            self.sections.append((self.base + vaddr, max(vsize, raw_size), raw_size, raw_at))
            at += 40

    def read(self, address, n):
        for start, size, raw_size, raw_at in self.sections:
            if start <= address and address + n <= start + size:
                offset = address - start
                if offset + n > raw_size:
                    return None
                return self.data[raw_at + offset:raw_at + offset + n]
        return None

    def u32(self, address):
        b = self.read(address, 4)
        return None if b is None else struct.unpack("<I", b)[0]

    def string(self, address):
        if not address:
            return None
        out = b""
        while len(out) < 256:
            b = self.read(address + len(out), 1)
            if b is None or b == b"\0":
                return out.decode("latin-1")
            out += b
        return None


def symbols(path):
    found = {}
    for line in tool(NM, path).split("\n"):
        parts = line.split()
        if len(parts) == 3:
            found[parts[2]] = int(parts[0], 16)
    return found


def images(tree):
    for root, dirs, files in os.walk(tree):
        dirs[:] = [d for d in dirs if d not in ("wineprefix", "CMakeFiles")]
        for f in sorted(files):
            if f.lower().endswith((".exe", ".dll")):
                yield os.path.join(root, f)


def check(tree, wine_dir, hidden, report):
    """All checks; returns the problems. `hidden` names exports to take
    away from the DLLs before the check, as (DLL file name, export)."""
    problems = []

    def exports_of(path):
        image = Image(path)
        for dll, name in hidden:
            if os.path.basename(path).lower() == dll:
                image.export_names.discard(name)
        return image

    # 1. Imports against the exports of the tree's own and of Wine's DLLs.
    loaded = [exports_of(p) for p in images(tree)]
    if not any(os.path.basename(i.path) == "RelivoX.exe" for i in loaded):
        sys.exit(f"no RelivoX.exe in {tree}: build the 32-bit tree first")
    own = {}
    for image in loaded:
        if image.format != "pei-i386":
            problems.append(f"{image.path}: {image.format}, not a 32-bit x86 image")
        if image.path.lower().endswith(".dll"):
            own.setdefault(os.path.basename(image.path).lower(), image)
    wine = {f.lower(): os.path.join(wine_dir, f) for f in os.listdir(wine_dir)}
    dlls = dict(own)
    functions = 0
    for image in loaded:
        for dll, wanted in sorted(image.imports.items()):
            if dll not in dlls:
                if dll not in wine:
                    problems.append(f"{image.path}: imports {dll}, which is neither ours nor Wine's")
                    continue
                dlls[dll] = exports_of(wine[dll])
            exporter = dlls[dll]
            for entry in wanted:
                functions += 1
                if isinstance(entry, int):
                    if entry not in exporter.export_ordinals:
                        problems.append(f"{image.path}: ordinal {entry} of {dll} is not exported")
                elif entry not in exporter.export_names:
                    problems.append(f"{image.path}: {dll}!{entry} is not exported")
    report(f"imports: {len(loaded)} images, {functions} imported functions from {len(dlls)} DLLs"
           f" ({len(own)} of the tree, {len(dlls) - len(own)} of Wine)")

    # 2. The program's binding tables against their lists and the libraries.
    program = next(i for i in loaded if os.path.basename(i.path) == "RelivoX.exe")
    memory = Memory(program.path)
    syms = symbols(program.path)

    def table(symbol, count):
        at = syms.get(symbol)
        if at is None:
            problems.append(f"{program.path}: no symbol {symbol} (is the program stripped?)")
            return []
        return [(memory.string(memory.u32(at + 8 * i)), memory.u32(at + 8 * i + 4)) for i in range(count)]

    def rule(symbol):
        at = syms.get(symbol)
        if at is None:
            return None, None
        return memory.string(memory.u32(at)), memory.string(memory.u32(at + 4))

    def formatted(form, name, count):
        return re.sub(r"%\d*d", str(count), form.replace("%s", name))

    header = open(os.path.join(HERE, "capture", "lumcap_exports.h")).read()
    listed = [(n, 4 * int(p)) for n, p, b in re.findall(r"X\((Lumeno\w+), *(\d+), *([01])\)", header) if b == "1"]
    header = open(os.path.join(HERE, "braille", "louis_names.h")).read()
    louis = [(n, 0) for n in re.findall(r"X\((\w+)\)", header.split("#define LOUIS_PROCS(X)")[1].split("\n//")[0])]

    # The capture library must export the decorated form itself; the
    # translator's names are looked up undecorated first.
    for symbol, rule_symbol, file_symbol, expected, decorated in (
            ("_kCaptureProcNames", "_kCaptureNameRule", "_kCaptureLibraryFile", listed, True),
            ("_kLouisProcNames", "_kLouisNameRule", "_kLouisLibraryFile", louis, False)):
        library_file = memory.string(syms.get(file_symbol, 0))
        rows = table(symbol, len(expected))
        first, second = rule(rule_symbol)
        if not library_file or not first or (decorated and not second):
            problems.append(f"{program.path}: {symbol} has no library file or name rule")
            continue
        if rows != expected:
            problems.append(f"{program.path}: {symbol} differs from its list: {rows} != {expected}")
        exporter = own.get(library_file.lower())
        if not exporter:
            problems.append(f"{library_file}, which the program loads, is not in the tree")
            continue
        form = second if decorated else first
        for name, count in rows:
            looked_up = formatted(form, name or "?", count)
            if looked_up not in exporter.export_names:
                problems.append(f"{library_file} does not export {looked_up}, which the program looks up")
        report(f"{library_file}: {len(rows)} entry points of the program's table, each exported as {form!r}")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("tree", nargs="?", default=os.path.join(HERE, "build", "win32"))
    parser.add_argument("--wine-dlls", default=WINE_DLLS)
    args = parser.parse_args()
    if not os.path.isdir(args.wine_dlls):
        sys.exit(f"no 32-bit Wine DLLs in {args.wine_dlls} (Debian's wine32 package: tools/install-deps.sh)")
    problems = check(args.tree, args.wine_dlls, set(), print)
    for p in problems:
        print("PROBLEM: " + p)
    # The check proves itself: with an export of Wine, of the capture
    # library and of the translator taken away, each is reported.
    planted = {("gdi32.dll", "BitBlt"), ("lumcap32.dll", "_LumenoTrigger@4"), ("liblouis32.dll", "lou_free")}
    found = check(args.tree, args.wine_dlls, planted, lambda line: None)
    missed = [name for dll, name in planted if not any(name in p for p in found)]
    if missed:
        problems.append("the check does not see missing exports: " + ", ".join(missed))
        print("PROBLEM: " + problems[-1])
    print("32-bit checks: " + ("passed" if not problems else f"{len(problems)} problems"))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
