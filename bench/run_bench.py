#!/usr/bin/env python3
"""Speed figures: lines per second natively (portable core, silent host) and
under Wine (tolvrun.exe), the start-up time of an empty program and of one
that makes the main window, and the cost of the periodic message pump.

    python3 bench/run_bench.py [PATTERN]

Under Wine each program runs at two lengths, the long one three times the
lines of the short one, several times each; lines per second are the extra
lines over the difference of the median times, and "fixed" is what a run
costs beyond its lines (start-up, loading, shutdown). Both are given by wall
time and by the program's own processor time; the second holds up on a busy
machine but leaves out the wineserver and the X server, so it flatters the
programs that print.

Programs: bench/programs/*.tvl (their first WHILELOOP count is tripled for
the long run), and the generated ones below. The loop of loop_add also runs
with the line log on (TOLVEN_TRACE, every line written through to the file)
and, for a fair comparison, with the same smaller count without it.
"""
import glob
import json
import os
import re
import resource
import statistics
import subprocess
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from wine_env import BUILD, WineEnv  # noqa: E402

# Another build (say, of an older commit) is measured by naming its programs.
TOLVASM = os.path.abspath(os.environ.get("TOLVEN_TOLVASM", os.path.join(BUILD, "release", "tolvasm")))
TOLVBENCH = os.path.abspath(os.environ.get("TOLVEN_BENCH", os.path.join(BUILD, "release", "tolvbench")))
TOLVRUN = os.path.abspath(os.environ.get("TOLVEN_TOLVRUN", os.path.join(BUILD, "win64", "tolvrun.exe")))
WORK = os.path.join(BUILD, "bench")
# Pairs of runs per program: at least RUNS, more while they take less than
# BUDGET seconds in all, so quick programs get enough runs for a steady median.
RUNS = 5
MAX_RUNS = 25
BUDGET = 10.0


# Each program comes in two lengths, the long one running three times the
# lines of the short one. Under Wine the difference of the two run times is
# the time of those extra lines alone: start-up, loading and shutdown cancel.
LONG = 3
# Passes of the loop benchmark with the line log on: every line run is a
# line of the log file.
TRACED_PASSES = 100000


def loop_scaled(text, factor):
    """The listing with the count of its first counted loop multiplied."""
    found = re.search(r"^WHILELOOP (\d+)$", text, re.M)
    if not found:
        raise ValueError("a benchmark listing needs a WHILELOOP with a count")
    return text[:found.start(1)] + str(int(found.group(1)) * factor) + text[found.end(1):]


def loop_counted(text, count):
    """The listing with its first counted loop running `count` passes."""
    found = re.search(r"^WHILELOOP (\d+)$", text, re.M)
    return text[:found.start(1)] + str(count) + text[found.end(1):]


def generated():
    """Listings too long to keep in the tree, as (short, long) pairs."""
    out = {}
    # 65,000 lines is close to the most a program may have, so the short
    # run is the third of it.
    out["straight_65000"] = tuple(".header plain 7\n" + "EVAL 1\n" * n for n in (65000 // LONG, 65000))
    # 10,000 lines of 80 characters on the text screen: each PRINT wraps at
    # the right edge and ends its line, so the screen scrolls twice per line.
    line = "".join(chr(ord("A") + k % 26) for k in range(80))
    out["print_10000"] = tuple(".header plain 7\n" + f'PRINT "{line}"\n' * n for n in (10000, 10000 * LONG))
    # The same text in lines of 79 characters: one scroll per line.
    out["print_10000_79"] = tuple(".header plain 7\n" + f'PRINT "{line[:79]}"\n' * n
                                  for n in (10000, 10000 * LONG))
    # 100,000 of the 80-character lines in a counted loop (200,001 lines run).
    loop = ".header plain 7\nWHILELOOP 100000\n" + f'PRINT "{line}"\n' + "ENDWHILE\n"
    out["print_loop_100000"] = (loop, loop_scaled(loop, LONG))
    # A 10,000-line program: its loop GOSUBs to a label near the end and IFs
    # over large blocks.
    lines = [".header plain 7", "DECLARE n%,m%", "WHILELOOP 20000", 'GOSUB "weit"', "IF 0"]
    lines += ["REM block %d" % k for k in range(4000)]
    # (END would stop loading: the loader reads no line after it.)
    lines += ["ELSE", "INC m%", "ENDIF", "WEND", 'GOTO "fertig"']
    lines += ["REM filler %d" % k for k in range(10000 - len(lines) - 4)]
    lines += ["REM weit:", "INC n%", "RETURN", "REM fertig:"]
    gosub = "\n".join(lines) + "\n"
    out["gosub_if_10000"] = (gosub, loop_scaled(gosub, LONG))
    return out


def assemble(name, text):
    listing = os.path.join(WORK, name + ".tvl")
    with open(listing, "w") as f:
        f.write(text)
    target = os.path.join(WORK, name + ".tvc")
    subprocess.run([TOLVASM, "asm", listing, target], check=True)
    return target


def native(prog, *flags, runs=3):
    args = [TOLVBENCH, prog] + list(flags)
    best = None
    for _ in range(runs):
        r = json.loads(subprocess.run(args, check=True, capture_output=True, text=True).stdout)
        if best is None or r["seconds"] < best["seconds"]:
            best = r
    return best


def wine_once(wine, prog, extra_env=None):
    """Wall time and the processor time of the program (user and system):
    on a machine busy with other work the second stays near the truth."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    t = time.monotonic()
    code, _, _ = wine.run([TOLVRUN, os.path.basename(prog)], cwd=os.path.dirname(prog),
                          extra_env=extra_env, timeout=600)
    wall = time.monotonic() - t
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if code != 0:
        raise RuntimeError(f"{prog} ended with exit code {code} under Wine")
    return wall, (after.ru_utime + after.ru_stime) - (before.ru_utime + before.ru_stime)


def rate_and_fixed(t_short, t_long, lines):
    if t_long <= t_short:
        return None, t_short  # lost in the noise: no figure rather than a wrong one
    rate = (lines[1] - lines[0]) / (t_long - t_short)
    return rate, t_short - lines[0] / rate


def wine_rate(wine, short, long, lines, extra_env=None):
    """Lines per second and the fixed cost of a run, from the medians of the
    two lengths, by wall time and by processor time. Short and long runs
    alternate, so a change in the machine's load falls on both."""
    runs = ([], [])
    started = time.monotonic()
    while len(runs[0]) < RUNS or (len(runs[0]) < MAX_RUNS and time.monotonic() - started < BUDGET):
        for k, prog in enumerate((short, long)):
            runs[k].append(wine_once(wine, prog, extra_env))
    return [rate_and_fixed(statistics.median(r[m] for r in runs[0]), statistics.median(r[m] for r in runs[1]),
                           lines) for m in (0, 1)]


def startup(wine, prog, runs):
    times = [wine_once(wine, prog) for _ in range(runs)]
    wall = sorted(t[0] for t in times)
    return statistics.median(wall), wall[0], wall[-1], statistics.median(t[1] for t in times)


def programs():
    out = {}
    for path in sorted(glob.glob(os.path.join(ROOT, "bench", "programs", "*.tvl"))):
        with open(path) as f:
            text = f.read()
        out[os.path.splitext(os.path.basename(path))[0]] = (text, loop_scaled(text, LONG))
    out.update(generated())
    return out


def row(name, lines, native_rate, wine=None):
    """wine: a (lines per second or None when lost in the noise, fixed
    seconds) pair by wall time and one by processor time, or None for a
    native figure alone."""
    text = f"{name:28} {lines:>11} " + (f"{native_rate:>15,.0f}" if native_rate else f"{'':>15}")
    for rate, fixed in wine or []:
        text += f" {rate:>14,.0f} {fixed * 1000:>9.0f}" if rate else f" {'(noise)':>14} {'':>9}"
    print(text.rstrip(), flush=True)


def main():
    pattern = sys.argv[1] if len(sys.argv) > 1 else ""
    os.makedirs(WORK, exist_ok=True)
    empty_prog = assemble("empty", ".header plain 7\n")
    # Programs that print make the main window.
    one_line_prog = assemble("print_1", '.header plain 7\nPRINT "x"\n')

    wine = WineEnv(fresh=False).start()
    try:
        print(f"load average {os.getloadavg()[0]:.1f} on {os.cpu_count()} processors")
        for label, prog, runs in (("an empty program", empty_prog, 20),
                                  ("a program printing one line (main window)", one_line_prog, 10)):
            median, low, high, cpu = startup(wine, prog, runs)
            print(f"start-up of {label} under Wine: median {median * 1000:.0f} ms "
                  f"(min {low * 1000:.0f}, max {high * 1000:.0f}, {runs} runs), processor {cpu * 1000:.0f} ms")
        print(f"Wine: medians of {RUNS} to {MAX_RUNS} runs at each of two lengths, by wall time and by the "
              "program's processor time;\n'fixed' is what a run costs beyond its lines.")
        print(f"{'':57}{'--- wall time ---':>24} {'-- processor time --':>24}")
        print(f"{'program':28} {'lines':>11} {'native lines/s':>15} {'wine lines/s':>14} {'fixed ms':>9}"
              f" {'wine lines/s':>14} {'fixed ms':>9}")
        for name, (short_text, long_text) in programs().items():
            if pattern and not re.search(pattern, name):
                continue
            short = assemble(name, short_text)
            long = assemble(name + "_long", long_text)
            n = native(short)
            lines = (n["lines"], native(long, runs=1)["lines"])
            row(name, n["lines"], n["lines"] / max(n["seconds"], 1e-9), wine_rate(wine, short, long, lines))
            if name.startswith("gosub"):
                p = native(short, "plain-scans")
                row("  same, plain scans", p["lines"], p["lines"] / max(p["seconds"], 1e-9))
            if name == "loop_add":
                traced_text = loop_counted(short_text, TRACED_PASSES)
                t_short = assemble(name + "_traced", traced_text)
                t_long = assemble(name + "_traced_long", loop_scaled(traced_text, LONG))
                t = native(t_short)
                t_lines = (t["lines"], native(t_long, runs=1)["lines"])
                row(f"  same, {TRACED_PASSES:,} passes", t["lines"], t["lines"] / max(t["seconds"], 1e-9),
                    wine_rate(wine, t_short, t_long, t_lines))
                log = os.path.join(WORK, "trace.txt")
                t = native(t_short, "trace=" + log)
                row("  same, line log on", t["lines"], t["lines"] / max(t["seconds"], 1e-9),
                    wine_rate(wine, t_short, t_long, t_lines, {"TOLVEN_TRACE": "trace.txt"}))
            if name.startswith("straight"):
                row("  same, pump on every 21st", n["lines"], None,
                    wine_rate(wine, short, long, lines, {"TOLVEN_BENCH_PUMP_ALWAYS": "1"}))
    finally:
        wine.stop()


if __name__ == "__main__":
    main()
