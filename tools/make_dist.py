#!/usr/bin/env python3
"""Packs what a Windows user needs into build/dist/tolven-VERSION.zip: both
runtimes, the tools built for Windows, the README, docs/ and the examples.

    python3 tools/make_dist.py [VERSION]

VERSION defaults to the date and short hash of the last commit. The Windows
builds must exist (make win64 win32). The programs are packed without their
symbols (the static C++ library brings half their size in debug sections).
"""
import datetime
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pe_clear_offset  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
BUILD = os.path.join(ROOT, "build")
PROGRAMS = ("tolvrun.exe", "tolvasm.exe", "ndxcheck.exe")
OBJDUMP = "x86_64-w64-mingw32-objdump"
STRIP = {"win64": "x86_64-w64-mingw32-strip", "win32": "i686-w64-mingw32-strip"}


def version():
    r = subprocess.run(["git", "-C", ROOT, "log", "-1", "--format=%cs %h"], capture_output=True, text=True)
    if r.returncode == 0 and r.stdout.strip():
        day, commit = r.stdout.split()
        return day.replace("-", "") + "-" + commit
    return datetime.date.today().strftime("%Y%m%d")


def foreign_dlls(exe):
    """DLLs the program imports that a plain Windows does not have: the
    MinGW runtime libraries, which the builds link statically."""
    r = subprocess.run([OBJDUMP, "-p", exe], capture_output=True, text=True, check=True)
    names = re.findall(r"DLL Name: (\S+)", r.stdout)
    return [n for n in names if n.lower().startswith("lib")]


def stripped(path, arch, scratch):
    copy = os.path.join(scratch, arch + "-" + os.path.basename(path))
    shutil.copy(path, copy)
    subprocess.run([STRIP[arch], copy], check=True)
    # strip writes the PE header back to byte 128, where the runtime looks
    # for an appended program.
    pe_clear_offset.fix(copy)
    return copy


def contents(scratch):
    """(path in the zip, file on disk) pairs; fails on anything missing."""
    out = []
    problems = []
    for arch in ("win64", "win32"):
        for name in PROGRAMS:
            path = os.path.join(BUILD, arch, name)
            if not os.path.exists(path):
                problems.append(f"missing {path} (make {arch})")
                continue
            needs = foreign_dlls(path)
            if needs:
                problems.append(f"{path} needs {', '.join(needs)}, which Windows does not have")
            out.append((f"{arch}/{name}", stripped(path, arch, scratch)))
    docs = ["README.md"] + sorted(glob.glob("docs/**/*", root_dir=ROOT, recursive=True))
    docs += sorted(glob.glob("examples/**/*", root_dir=ROOT, recursive=True))
    out += [(p, os.path.join(ROOT, p)) for p in docs if os.path.isfile(os.path.join(ROOT, p))]
    if problems:
        sys.exit("\n".join(problems))
    return out


def main():
    name = "tolven-" + (sys.argv[1] if len(sys.argv) > 1 else version())
    os.makedirs(os.path.join(BUILD, "dist"), exist_ok=True)
    target = os.path.join(BUILD, "dist", name + ".zip")
    partial = target + ".part"
    with tempfile.TemporaryDirectory() as scratch:
        files = contents(scratch)
        with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED) as z:
            for inside, path in files:
                z.write(path, f"{name}/{inside}")
                print(f"  {os.path.getsize(path):>10,}  {name}/{inside}")
    os.replace(partial, target)
    print(f"{os.path.relpath(target)}: {os.path.getsize(target):,} bytes")


if __name__ == "__main__":
    main()
