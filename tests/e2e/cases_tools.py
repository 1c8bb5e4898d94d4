"""The tools built for Windows (tolvasm.exe beside the runtime under test) make
the same files under Wine as the native ones: every example and every test
listing assembled to the same bytes, the examples disassembled to the same
text."""
import glob
import os
import shutil
import subprocess

import run_e2e
from wine_env import ROOT, windows_path

TOLVASM_EXE = os.path.abspath(os.environ.get("TOLVEN_TOLVASM_EXE",
                                             os.path.join(os.path.dirname(run_e2e.TOLVRUN), "tolvasm.exe")))


def same_as_native(name, listings, disassemble):
    """One case: a batch file runs tolvasm.exe over the listings (copied flat
    into the work folder under unique names), then each result is compared
    with the native assembler's."""
    names = {}
    for path in listings:
        rel = os.path.relpath(path, ROOT)
        names[os.path.splitext(rel)[0].replace(os.sep, "_")] = path

    def prepare(work):
        lines = ["@echo off"]
        exe = windows_path(TOLVASM_EXE)
        for stem, path in names.items():
            shutil.copy(path, os.path.join(work, stem + ".tvl"))
            lines.append(f'"{exe}" asm {stem}.tvl {stem}.win.tvc')
            if disassemble:
                subprocess.run([run_e2e.TOLVASM, "asm", path, os.path.join(work, stem + ".tvc")], check=True)
                lines.append(f'"{exe}" dis {stem}.tvc {stem}.win.tvl')
        with open(os.path.join(work, "tools.cmd"), "w", newline="\r\n") as f:
            f.write("\n".join(lines) + "\n")

    def check(work):
        problems = []
        for stem, path in names.items():
            native = subprocess.run([run_e2e.TOLVASM, "asm", path, os.path.join(work, stem + ".native.tvc")],
                                    capture_output=True)
            pairs = [(stem + ".win.tvc", stem + ".native.tvc")]
            if disassemble:
                subprocess.run([run_e2e.TOLVASM, "dis", os.path.join(work, stem + ".tvc"),
                                os.path.join(work, stem + ".native.tvl")], check=True)
                pairs.append((stem + ".win.tvl", stem + ".native.tvl"))
            if native.returncode:
                problems.append(f"native assembler failed on {path}")
                continue
            for win, nat in pairs:
                win_path = os.path.join(work, win)
                if not os.path.exists(win_path):
                    problems.append(f"tolvasm.exe made no {win}")
                elif open(win_path, "rb").read() != open(os.path.join(work, nat), "rb").read():
                    problems.append(f"{win} differs from {nat}")
        if not names:
            problems.append("no listings found")
        return "\n  ".join(problems) or None

    c = run_e2e.Case(name)
    c.args = ["/c", "tools.cmd"]
    c.env = {"_exe": "cmd"}
    c.transcript = []   # not the runtime: no transcript at all
    c.timeout = 600
    c.prepare = prepare
    c.check = check
    return c


def cases():
    examples = sorted(glob.glob(os.path.join(ROOT, "examples", "*.tvl")))
    tests = sorted(glob.glob(os.path.join(ROOT, "tests", "programs", "**", "*.tvl"), recursive=True))
    return [same_as_native("tools_windows_tolvasm_examples", examples, disassemble=True),
            same_as_native("tools_windows_tolvasm_test_listings", tests, disassemble=False)]
