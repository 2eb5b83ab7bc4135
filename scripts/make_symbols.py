#!/usr/bin/env python3
"""Writes the symbol file of a Windows executable built by MinGW.

MinGW puts DWARF debug information into the executable, which the system's
debug helper cannot read. At build time this script turns it into a compact
text file shipped beside the program (qorbin.exe -> qorbin.sym); the stack
trace reads it when an exception is traced.

Format (UTF-8 text, one record a line, addresses as hexadecimal offsets from
the image base, each section sorted by address):
    QSYM 1
    F <count>            source file names, then one name a line
    P <count>            procedures: "<rva> <name>"
    L <count>            line rows: "<rva> <file index> <line>"; line 0 ends a sequence

usage: make_symbols.py OBJDUMP NM EXECUTABLE OUTPUT
"""
import re
import subprocess
import sys


def run(*args):
    return subprocess.run(args, check=True, capture_output=True, text=True,
                          errors="replace").stdout


def strip_parameters(name):
    # "ns::Cls::Fn(int, std::wstring const&) const" -> "ns::Cls::Fn";
    # "(anonymous namespace)::Fn(int) [clone .constprop.0]" -> "Fn"
    name = re.sub(r"( \[clone [^\]]*\])+$", "", name)
    name = name.replace("(anonymous namespace)::", "")
    if not name.endswith(")") and not name.endswith(" const"):
        return name
    depth = 0
    end = len(name)
    for i in range(len(name) - 1, -1, -1):
        c = name[i]
        if c == ")":
            depth += 1
        elif c == "(":
            depth -= 1
            if depth == 0:
                end = i
                break
    return name[:end] or name


def main():
    objdump, nm, exe, out = sys.argv[1:5]
    image_base = None
    for line in run(objdump, "-p", exe).splitlines():
        m = re.match(r"ImageBase\s+([0-9a-fA-F]+)", line)
        if m:
            image_base = int(m.group(1), 16)
            break
    if image_base is None:
        sys.exit("make_symbols: no ImageBase in " + exe)

    procs = {}
    for line in run(nm, "-C", "-n", "--defined-only", exe).splitlines():
        parts = line.split(" ", 2)
        if len(parts) < 3 or parts[1] not in ("T", "t", "W", "w"):
            continue
        name = parts[2].strip()
        if not name or name.startswith(".") or name.startswith("__imp_"):
            continue
        rva = int(parts[0], 16) - image_base
        if rva < 0:
            continue
        procs.setdefault(rva, strip_parameters(name))

    files = {}
    rows = {}
    row_re = re.compile(r"^(\S+)\s+(\d+|-)\s+0x([0-9a-fA-F]+)")
    for line in run(objdump, "--dwarf=decodedline", "--wide", exe).splitlines():
        m = row_re.match(line)
        if not m:
            continue
        name = m.group(1).replace("\\", "/").rsplit("/", 1)[-1]
        rva = int(m.group(3), 16) - image_base
        if rva < 0:
            continue
        if m.group(2) == "-":
            rows.setdefault(rva, (0, 0))  # a later row at the same address wins
            continue
        index = files.setdefault(name, len(files))
        rows[rva] = (index, int(m.group(2)))

    with open(out, "w", encoding="utf-8", newline="\n") as f:
        f.write("QSYM 1\n")
        names = sorted(files, key=files.get)
        f.write("F %d\n" % len(names))
        for n in names:
            f.write(n + "\n")
        f.write("P %d\n" % len(procs))
        for rva in sorted(procs):
            f.write("%x %s\n" % (rva, procs[rva]))
        f.write("L %d\n" % len(rows))
        for rva in sorted(rows):
            fi, ln = rows[rva]
            f.write("%x %d %d\n" % (rva, fi, ln))


if __name__ == "__main__":
    main()
