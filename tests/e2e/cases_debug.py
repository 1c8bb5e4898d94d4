"""The export directory of tolvrun.exe as a debugger's loader reads it from
the file: the module name "Tlvrun32.exe" and the six debug functions at
ordinals 1 to 6 (both Windows builds, when built). The case runs the empty
program so that the runtime the checks read is also one that starts."""
import os
import struct

import run_e2e
from wine_env import BUILD

EXPECTED = {"DebugLine": 1, "SDebugFileName": 2, "SDebugVarInfo": 3,
            "DebugSetMode": 4, "DebugFileName": 5, "DebugVarInfo": 6}


def export_directory(path):
    """(module name, {export name: ordinal}, number of addresses) of a PE file."""
    with open(path, "rb") as f:
        data = f.read()
    pe, = struct.unpack_from("<I", data, 0x3C)
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("no PE signature")
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic, = struct.unpack_from("<H", data, optional)
    directories = optional + (96 if magic == 0x10B else 112)
    export_rva, export_size = struct.unpack_from("<II", data, directories)
    if not export_rva:
        raise ValueError("no export directory")
    table = optional + optional_size

    def offset(rva):
        for k in range(sections):
            size, address, raw_size, raw = struct.unpack_from("<IIII", data, table + 40 * k + 8)
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise ValueError(f"RVA {rva:#x} in no section")

    def text(rva):
        start = offset(rva)
        return data[start:data.index(b"\0", start)].decode("latin-1")

    (name_rva, base, functions, names, functions_rva, names_rva,
     ordinals_rva) = struct.unpack_from("<12xIIIIIII", data, offset(export_rva))
    exports = {}
    for k in range(names):
        name, = struct.unpack_from("<I", data, offset(names_rva) + 4 * k)
        index, = struct.unpack_from("<H", data, offset(ordinals_rva) + 2 * k)
        exports[text(name)] = base + index
    return text(name_rva), exports, functions


def check_exports(work):
    problems = []
    builds = [run_e2e.TOLVRUN, os.path.join(BUILD, "win32", "tolvrun.exe")]
    for path in [p for p in builds if os.path.exists(p)]:
        try:
            module, exports, functions = export_directory(path)
        except ValueError as e:
            problems.append(f"{path}: {e}")
            continue
        if module != "Tlvrun32.exe":
            problems.append(f"{path}: module name {module!r}")
        if exports != EXPECTED or functions != 6:
            problems.append(f"{path}: exports {exports} ({functions} addresses)")
    return "\n  ".join(problems) or None


def cases():
    c = run_e2e.parse_listing(os.path.join(run_e2e.ROOT, "tests", "programs", "core", "empty.tvl"))
    c.name = "debug_export_directory"
    c.check = check_exports
    return [c]
