#!/usr/bin/env python3
"""Checks a built KLPInst.exe without running it: the PE machine of its
architecture (x86: i386, x64: AMD64), the GUI subsystem, an application
manifest among its resources, and imports only from DLLs that every Windows
has in its system directory (so the executable runs alone on a machine).

usage: check-exe.py x86|x64 EXE
"""
import struct
import sys

MACHINES = {"x86": 0x014C, "x64": 0x8664}
SYSTEM_DLLS = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll",
    "ole32.dll", "oleaut32.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "mpr.dll", "msimg32.dll", "version.dll",
}
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
        opt_size = struct.unpack_from("<H", data, pe + 20)[0]
        opt = pe + 24
        magic = struct.unpack_from("<H", data, opt)[0]
        self.subsystem = struct.unpack_from("<H", data, opt + 68)[0]
        dirs = opt + (96 if magic == 0x10B else 112)
        self.dirs = [struct.unpack_from("<II", data, dirs + 8 * i) for i in range(16)]
        self.sections = []
        for i in range(nsections):
            s = opt + opt_size + 40 * i
            vsize, va, rawsize, raw = struct.unpack_from("<IIII", data, s + 8)
            self.sections.append((va, max(vsize, rawsize), raw))

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
    if faults:
        print(f"{exe}: " + "; ".join(faults))
        return 1
    print(f"== {arch} executable checked: machine, GUI subsystem, manifest, "
          f"imports only from system DLLs ({', '.join(sorted(d.lower() for d in pe.imports()))})")
    return 0


sys.exit(main())
