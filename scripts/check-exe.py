#!/usr/bin/env python3
"""Checks a built KLPInst.exe without running it: the PE machine of its
architecture (x86: i386, x64: AMD64), the GUI subsystem, imports only from
DLLs that every Windows has in its system directory (so the executable runs
alone on a machine), and an application manifest among its resources that
asks for the common controls 6, for the highest available execution level
without UI access, names every Windows from Vista to 10/11 as supported and
declares the program aware of the screen's resolution; none of its imports
at start-up come from the DLLs it loads on first use, and it is stripped (no
debug sections, no symbol table), as shipped.

usage: check-exe.py x86|x64 EXE
"""
import struct
import sys
import xml.etree.ElementTree as ET

MACHINES = {"x86": 0x014C, "x64": 0x8664}
SYSTEM_DLLS = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll",
    "ole32.dll", "oleaut32.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "mpr.dll", "msimg32.dll", "version.dll",
}
# Loaded on first use (cmake/DelayImports.cmake): as a start-up import, one of
# them would cost the start its loading (ole32 with combase and rpcrt4), and
# mpr and msimg32 (not among the system's known DLLs) would be looked up in the
# program's folder first.
LOADED_ON_FIRST_USE = {"mpr.dll", "msimg32.dll", "ole32.dll", "shell32.dll"}
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
RT_MANIFEST = 24

ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPAT = "{urn:schemas-microsoft-com:compatibility.v1}"
WINDOWS_SETTINGS = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
# Vista, 7, 8, 8.1, 10 and 11 (one identifier for both).
SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
}


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

    def resource_entries(self, base, directory):
        """(id or None for a named entry, offset below base, is a directory) of each entry."""
        named, ids = struct.unpack_from("<HH", self.data, base + directory + 12)
        entries = []
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)
            entries.append((None if name & 0x80000000 else name, target & 0x7FFFFFFF, bool(target & 0x80000000)))
        return entries

    def resource_types(self):
        rva, size = self.dirs[2]
        if not size:
            return []
        return [i for i, _, _ in self.resource_entries(self.offset(rva), 0) if i is not None]

    def resource(self, rtype):
        """The bytes of the first resource of that type (any name, any language), or None."""
        rva, size = self.dirs[2]
        if not size:
            return None
        base = self.offset(rva)
        level = [t for t in self.resource_entries(base, 0) if t[0] == rtype]
        while level and level[0][2]:
            level = self.resource_entries(base, level[0][1])
        if not level:
            return None
        data_rva, data_size = struct.unpack_from("<II", self.data, base + level[0][1])
        off = self.offset(data_rva)
        return self.data[off:off + data_size]


def manifest_faults(text):
    """What the manifest lacks of what the installer declares."""
    try:
        root = ET.fromstring(text)
    except ET.ParseError as e:
        return [f"manifest is not well-formed XML ({e})"]
    faults = []
    controls = [a for a in root.iter(ASM_V1 + "assemblyIdentity")
                if a.get("name") == "Microsoft.Windows.Common-Controls" and a.get("version") == "6.0.0.0"]
    if not controls:
        faults.append("manifest lacks the dependency on the common controls 6.0.0.0")
    levels = [e for e in root.iter(ASM_V3 + "requestedExecutionLevel")
              if e.get("level") == "highestAvailable" and e.get("uiAccess") == "false"]
    trust = root.find(ASM_V3 + "trustInfo")
    if trust is None or not levels or levels[0] not in trust.iter():
        faults.append('manifest lacks trustInfo with requestedExecutionLevel "highestAvailable", uiAccess "false"')
    supported = {e.get("Id", "").lower() for e in root.iterfind(f"{COMPAT}compatibility/{COMPAT}application/"
                                                                 f"{COMPAT}supportedOS")}
    missing = SUPPORTED_OS - supported
    if missing:
        faults.append("manifest lacks supportedOS " + ", ".join(sorted(missing)))
    aware = root.findall(f"{ASM_V3}application/{ASM_V3}windowsSettings/{WINDOWS_SETTINGS}dpiAware")
    if not aware or (aware[0].text or "").strip().lower() != "true":
        faults.append("manifest does not declare dpiAware true")
    return faults


def main():
    arch, exe = sys.argv[1], sys.argv[2]
    pe = Pe(open(exe, "rb").read())
    faults = []
    if pe.machine != MACHINES[arch]:
        faults.append(f"machine {pe.machine:#06x}, expected {MACHINES[arch]:#06x}")
    if pe.subsystem != IMAGE_SUBSYSTEM_WINDOWS_GUI:
        faults.append(f"subsystem {pe.subsystem}, expected the GUI subsystem")
    manifest = pe.resource(RT_MANIFEST)
    if manifest is None:
        faults.append("no application manifest")
    else:
        faults += manifest_faults(manifest)
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
    print(f"== {arch} executable checked: machine, GUI subsystem, stripped, manifest (common controls 6, "
          f"highest available level, Vista to 10/11, aware of the resolution), "
          f"imports only from system DLLs ({', '.join(sorted(d.lower() for d in pe.imports()))})")
    return 0


sys.exit(main())
