#!/usr/bin/env python3
"""Checks a built KLPInst.exe without running it: the PE machine of its
architecture (x86: i386, x64: AMD64), the GUI subsystem, an application
manifest among its resources, imports only from DLLs that every Windows
has in its system directory (so the executable runs alone on a machine), none
at start-up from the DLLs it loads on first use, and that it is stripped (no
debug sections, no symbol table), as shipped.

usage: check-exe.py x86|x64 EXE
"""
import struct
import sys

MACHINES = {"x86": 0x014C, "x64": 0x8664}
SYSTEM_DLLS = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll",
    "ole32.dll", "oleaut32.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "mpr.dll", "msimg32.dll", "version.dll",
}
# Loaded on first use (cmake/DelayImports.cmake): as a start-up import, one of
# them would cost the start its loading, and mpr and msimg32 (not among the
# system's known DLLs) would be looked up in the program's folder first.
LOADED_ON_FIRST_USE = {"mpr.dll", "msimg32.dll", "shell32.dll"}
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
RT_MANIFEST = 24


class Pe:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not an MZ executable")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, nsections = struct.unpack_from("<HH", data, pe + 4)
        self.symbol_table, self.symbol_count = struct.unpack_from("<II", data, pe + 12)
        opt_size = struct.unpack_from("<H", data, pe + 20)[0]
        opt = pe + 24
        magic = struct.unpack_from("<H", data, opt)[0]
        self.subsystem = struct.unpack_from("<H", data, opt + 68)[0]
        dirs = opt + (96 if magic == 0x10B else 112)
        self.dirs = [struct.unpack_from("<II", data, dirs + 8 * i) for i in range(16)]
        self.sections, self.section_names = [], []
        for i in range(nsections):
            s = opt + opt_size + 40 * i
            vsize, va, rawsize, raw = struct.unpack_from("<IIII", data, s + 8)
            self.sections.append((va, max(vsize, rawsize), raw))
            self.section_names.append(self.section_name(data[s:s + 8]))

    def section_name(self, raw):
        # Names longer than eight bytes are "/<offset>" into the string table
        # that follows the symbol table.
        name = raw.rstrip(b"\0").decode("ascii", "replace")
        if name.startswith("/") and name[1:].isdigit() and self.symbol_table:
            strings = self.symbol_table + 18 * self.symbol_count
            start = strings + int(name[1:])
            name = self.data[start:self.data.index(b"\0", start)].decode("ascii", "replace")
        return name

    def offset(self, rva):
        for va, size, raw in self.sections:
            if va <= rva < va + size:
                return raw + rva - va
        raise ValueError(f"RVA {rva:#x} is in no section")

    def cstring(self, rva):
        off = self.offset(rva)
        return self.data[off:self.data.index(b"\0", off)].decode("ascii")

    def imports(self):
        rva, size = self.dirs[1]
        names, off = [], self.offset(rva) if size else None
        while off is not None:
            name_rva = struct.unpack_from("<I", self.data, off + 12)[0]
            if name_rva == 0:
                break
            names.append(self.cstring(name_rva))
            off += 20
        return names

    def resource_types(self):
        rva, size = self.dirs[2]
        if not size:
            return []
        base = self.offset(rva)
        named, ids = struct.unpack_from("<HH", self.data, base + 12)
        return [struct.unpack_from("<I", self.data, base + 16 + 8 * i)[0] for i in range(named, named + ids)]


def main():
    arch, exe = sys.argv[1], sys.argv[2]
    pe = Pe(open(exe, "rb").read())
    faults = []
    if pe.machine != MACHINES[arch]:
        faults.append(f"machine {pe.machine:#06x}, expected {MACHINES[arch]:#06x}")
    if pe.subsystem != IMAGE_SUBSYSTEM_WINDOWS_GUI:
        faults.append(f"subsystem {pe.subsystem}, expected the GUI subsystem")
    if RT_MANIFEST not in pe.resource_types():
        faults.append("no application manifest")
    foreign = [d for d in pe.imports() if d.lower() not in SYSTEM_DLLS]
    if foreign:
        faults.append("imports from DLLs that are not system DLLs: " + ", ".join(foreign))
    early = [d for d in pe.imports() if d.lower() in LOADED_ON_FIRST_USE]
    if early:
        faults.append("start-up imports of DLLs that are loaded on first use: " + ", ".join(early))
    debug = [n for n in pe.section_names if n.startswith(".debug") or n.startswith("/")]
    if debug:
        faults.append("debug sections (not stripped): " + ", ".join(debug))
    if pe.symbol_table or pe.symbol_count:
        faults.append(f"a symbol table of {pe.symbol_count} entries (not stripped)")
    if faults:
        print(f"{exe}: " + "; ".join(faults))
        return 1
    print(f"== {arch} executable checked: machine, GUI subsystem, manifest, stripped, "
          f"imports only from system DLLs ({', '.join(sorted(d.lower() for d in pe.imports()))})")
    return 0


sys.exit(main())
