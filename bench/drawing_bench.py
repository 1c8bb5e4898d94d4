#!/usr/bin/env python3
"""Drawing speed under Wine: lines, filled rectangles and 64 x 64 bitmap
copies per second through the runtime, beside the same GDI calls made by a
small C program (build/win64/gdi_bench.exe) on a window and its off-screen
image, as the runtime draws. The runtime's figure is the difference of two
runs of different length, so its start-up does not count.

    python3 bench/drawing_bench.py
"""
import os
import subprocess
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from wine_env import BUILD, WineEnv  # noqa: E402

TOLVASM = os.path.join(BUILD, "release", "tolvasm")
TOLVRUN = os.path.join(BUILD, "win64", "tolvrun.exe")
GDI_BENCH = os.path.join(BUILD, "win64", "gdi_bench.exe")
WORK = os.path.join(BUILD, "bench")

# name, set-up lines, the statement measured, the C program's name for it
PRIMITIVES = [
    ("lines", ["PEN 0,1,31744"], "LINE 10,10-300,200", "line"),
    ("filled rectangles", ["BRUSH 1,31"], "RECTANGLE 10,10-110,110", "rect"),
    ("64x64 bitmap copies", ["MCLS 64,64"], "MCOPYBMP 0,0-64,64>100,100;0", "copy"),
]
SHORT, LONG = 2000, 42000


def program(name, setup, statement, passes):
    path = os.path.join(WORK, f"draw_{name.split()[0]}_{passes}.tvl")
    with open(path, "w") as f:
        f.write("\n".join([".header plain 7", "CLS"] + setup +
                          [f"WHILELOOP {passes}", statement, "WEND"]) + "\n")
    target = path[:-4] + ".tvc"
    subprocess.run([TOLVASM, "asm", path, target], check=True)
    return target


def best_of(runs, fn):
    return min(fn() for _ in range(runs))


def main():
    os.makedirs(WORK, exist_ok=True)
    wine = WineEnv(fresh=False).start()

    def runtime(prog):
        t = time.monotonic()
        wine.run([TOLVRUN, os.path.basename(prog)], cwd=WORK, timeout=600)
        return time.monotonic() - t

    def gdi(what, n):
        code, out, err = wine.run([GDI_BENCH, what, str(n)], cwd=WORK, timeout=600)
        return float(out.decode().strip().splitlines()[-1])

    try:
        print(f"{'drawing under Wine':24} {'runtime /s':>12} {'GDI alone /s':>13} {'GDI/runtime':>12}")
        for name, setup, statement, what in PRIMITIVES:
            short = program(name, setup, statement, SHORT)
            long = program(name, setup, statement, LONG)
            seconds = best_of(5, lambda: runtime(long)) - best_of(5, lambda: runtime(short))
            rate = (LONG - SHORT) / seconds if seconds > 0 else float("inf")
            gdi_rate = LONG / best_of(5, lambda: gdi(what, LONG))
            print(f"{name:24} {rate:>12,.0f} {gdi_rate:>13,.0f} {gdi_rate / rate:>12.2f}")
    finally:
        wine.stop()


if __name__ == "__main__":
    main()
