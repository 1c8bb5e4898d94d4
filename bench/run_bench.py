#!/usr/bin/env python3
"""Speed figures: lines per second natively (portable core, silent host) and
under Wine (tolvrun.exe, start-up time subtracted), plus the start-up time of
an empty program and the cost of the periodic message pump.

    python3 bench/run_bench.py [PATTERN]

Programs: bench/programs/*.tvl, and the generated ones below.
"""
import glob
import json
import os
import re
import statistics
import subprocess
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from wine_env import BUILD, WineEnv  # noqa: E402

TOLVASM = os.path.join(BUILD, "release", "tolvasm")
TOLVBENCH = os.path.join(BUILD, "release", "tolvbench")
TOLVRUN = os.path.join(BUILD, "win64", "tolvrun.exe")
WORK = os.path.join(BUILD, "bench")


def generated():
    """Listings too long to keep in the tree."""
    out = {}
    out["straight_65000"] = ".header plain 7\n" + "EVAL 1\n" * 65000
    # 10,000 lines of 80 characters on the text screen: each PRINT wraps at
    # the right edge and ends its line, so the screen scrolls twice per line.
    line = "".join(chr(ord("A") + k % 26) for k in range(80))
    out["print_10000"] = ".header plain 7\n" + f'PRINT "{line}"\n' * 10000
    # The same text in lines of 79 characters: one scroll per line.
    out["print_10000_79"] = ".header plain 7\n" + f'PRINT "{line[:79]}"\n' * 10000
    # 100,000 of the 80-character lines in a counted loop (200,001 lines run):
    # long enough that the start-up does not hide the cost.
    out["print_loop_100000"] = (".header plain 7\nWHILELOOP 100000\n" + f'PRINT "{line}"\n' +
                                "ENDWHILE\n")
    # A 10,000-line program: its loop GOSUBs to a label near the end and IFs
    # over large blocks.
    lines = [".header plain 7", "DECLARE n%,m%", "WHILELOOP 20000", 'GOSUB "weit"', "IF 0"]
    lines += ["REM block %d" % k for k in range(4000)]
    # (END would stop loading: the loader reads no line after it.)
    lines += ["ELSE", "INC m%", "ENDIF", "WEND", 'GOTO "fertig"']
    lines += ["REM filler %d" % k for k in range(10000 - len(lines) - 4)]
    lines += ["REM weit:", "INC n%", "RETURN", "REM fertig:"]
    out["gosub_if_10000"] = "\n".join(lines) + "\n"
    return out


def assemble(name, listing_path):
    target = os.path.join(WORK, name + ".tvc")
    subprocess.run([TOLVASM, "asm", listing_path, target], check=True)
    return target


def native(prog, *flags):
    args = [TOLVBENCH, prog] + list(flags)
    best = None
    for _ in range(3):
        r = json.loads(subprocess.run(args, check=True, capture_output=True, text=True).stdout)
        if best is None or r["seconds"] < best["seconds"]:
            best = r
    return best


def wine_time(wine, prog, extra_env=None, runs=3):
    times = []
    for _ in range(runs):
        t = time.monotonic()
        wine.run([TOLVRUN, os.path.basename(prog)], cwd=os.path.dirname(prog), extra_env=extra_env, timeout=600)
        times.append(time.monotonic() - t)
    return min(times)


def main():
    pattern = sys.argv[1] if len(sys.argv) > 1 else ""
    os.makedirs(WORK, exist_ok=True)
    programs = {}
    for path in sorted(glob.glob(os.path.join(ROOT, "bench", "programs", "*.tvl"))):
        programs[os.path.splitext(os.path.basename(path))[0]] = path
    for name, text in generated().items():
        path = os.path.join(WORK, name + ".tvl")
        with open(path, "w") as f:
            f.write(text)
        programs[name] = path
    empty = os.path.join(WORK, "empty.tvl")
    with open(empty, "w") as f:
        f.write(".header plain 7\n")
    empty_prog = assemble("empty", empty)

    # Programs that print make the main window: their start-up is that of a
    # program printing one line.
    one_line = os.path.join(WORK, "print_1.tvl")
    with open(one_line, "w") as f:
        f.write('.header plain 7\nPRINT "x"\n')
    one_line_prog = assemble("print_1", one_line)

    wine = WineEnv(fresh=False).start()
    try:
        window_startup = None
        starts = sorted(wine_time(wine, empty_prog, runs=1) for _ in range(20))
        startup = statistics.median(starts)
        print(f"start-up of an empty program under Wine: median {startup * 1000:.0f} ms "
              f"(min {starts[0] * 1000:.0f}, max {starts[-1] * 1000:.0f}, 20 runs)")
        print(f"{'program':28} {'lines':>11} {'native lines/s':>15} {'wine lines/s':>14}")
        for name, path in programs.items():
            if pattern and not re.search(pattern, name):
                continue
            prog = assemble(name, path)
            n = native(prog)
            if name.startswith("print_"):
                if window_startup is None:
                    window_startup = statistics.median(wine_time(wine, one_line_prog, runs=1)
                                                       for _ in range(10))
                    print(f"{'  (start-up with window)':28} {'':>11} {'':>15} "
                          f"{window_startup * 1000:>11.0f} ms")
                w = wine_time(wine, prog, runs=5) - window_startup
            else:
                w = wine_time(wine, prog) - startup
            wine_rate = n["lines"] / w if w > 0.001 else float("inf")
            print(f"{name:28} {n['lines']:>11} {n['lines'] / max(n['seconds'], 1e-9):>15,.0f} {wine_rate:>14,.0f}")
            if name.startswith("gosub"):
                p = native(prog, "plain-scans")
                print(f"{'  same, plain scans':28} {p['lines']:>11} {p['lines'] / max(p['seconds'], 1e-9):>15,.0f}")
            if name.startswith("straight"):
                w_always = wine_time(wine, prog, {"TOLVEN_BENCH_PUMP_ALWAYS": "1"}) - startup
                print(f"{'  same, pump on every 21st':28} {n['lines']:>11} {'':>15} "
                      f"{n['lines'] / max(w_always, 1e-9):>14,.0f}")
    finally:
        wine.stop()


if __name__ == "__main__":
    main()
