"""Programs that call the test DLL (tests/dll/tolvtest.cpp): the listings in
dll_programs/ run with tolvtest.dll copied next to the program."""
import glob
import os
import shutil

import run_e2e


def copy_dll(work):
    shutil.copy(os.path.join(os.path.dirname(run_e2e.TOLVRUN), "tolvtest.dll"), work)


def cases():
    out = []
    for path in sorted(glob.glob(os.path.join(os.path.dirname(__file__), "dll_programs", "*.tvl"))):
        c = run_e2e.parse_listing(path)
        c.name = "dll_" + c.name
        c.prepare = copy_dll
        out.append(c)
    return out
