#!/usr/bin/env python3
"""Speed of the dBase tables and NDX indexes as programs use them, beside
Debian's python3-dbf doing the same work in the same run:

  append   100,000 records appended to a table with an open index
  seek     100,000 random keys sought (exact)
  walk     the whole table in index order
  pack     a table of 100,000 records with every third deleted

    python3 bench/dbase_bench.py [--records N] [--no-wine]

The programs run natively on the portable core (tolvbench, the release
build) and under Wine (tolvrun.exe, start-up time subtracted). python3-dbf
keeps its index in memory (it has no NDX files), so its append and seek
figures do less file work than the runtime's. Paths can be set with
TOLVEN_BENCH, TOLVEN_TOLVASM and TOLVEN_TOLVRUN.
"""
import json
import os
import shutil
import subprocess
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from wine_env import BUILD, WineEnv  # noqa: E402

TOLVASM = os.path.abspath(os.environ.get("TOLVEN_TOLVASM", os.path.join(BUILD, "release", "tolvasm")))
TOLVBENCH = os.path.abspath(os.environ.get("TOLVEN_BENCH", os.path.join(BUILD, "release", "tolvbench")))
TOLVRUN = os.path.abspath(os.environ.get("TOLVEN_TOLVRUN", os.path.join(BUILD, "win64", "tolvrun.exe")))
WORK = os.path.join(BUILD, "bench-dbase")
SYSTEM_PYTHON = "/usr/bin/python3"

# Keys are a permutation: (i * 7919) mod 100003 for i = 1..N; seeks use
# (i * 4973) mod 100003, nearly all of which exist for N = 100,000.
PROGRAMS = {
    "append": """
CREATETABLE "S.TXT">"B"
EVAL @DBOPEN(#1,"B")
CREATEINDEX "NAME">"B"
DECLARE k&
WHILELOOP {n}
~LET k&=@MOD(%{{LOOPVALUE}}*7919,100003)
EVAL @DBSETFIELD("NAME",k&)
EVAL @DBSETFIELD("NUM",%{{LOOPVALUE}})
EVAL @DBAPPEND()
WEND
EVAL @DBCLOSE(#1)
""",
    "seek": """
EVAL @DBOPEN(#1,"B")
EVAL @DBINDEX("B")
DECLARE k&,f%
WHILELOOP {n}
~LET k&=@MOD(%{{LOOPVALUE}}*4973,100003)
IF @DBSEEK(k&,1)
INC f%
ENDIF
WEND
PRINT f%
""",
    "walk": """
EVAL @DBOPEN(#1,"B")
EVAL @DBINDEX("B")
DECLARE n%
EVAL @DBGOTO("TOP")
WHILENOT %{{DBINFO172}}
INC n%
EVAL @DBGOTO(">")
WEND
PRINT n%
""",
    "delete": """
EVAL @DBOPEN(#1,"P")
WHILELOOP 3,{n},3
EVAL @DBGOTO(%{{LOOPVALUE}})
EVAL @DBDELETE()
WEND
EVAL @DBCLOSE(#1)
""",
    "pack": """
PRINT @DBOPEN(#1,"P")
PRINT @DBPACK()
EVAL @DBCLOSE(#1)
""",
}

PYTHON_WORK = r"""
import dbf, json, os, sys, time
n, d = int(sys.argv[1]), sys.argv[2]
out = {}
t = dbf.Table(os.path.join(d, "py.dbf"), "name C(10); num N(10,0)", dbf_type="db3")
t.open(dbf.READ_WRITE)
index = t.create_index(lambda r: r.name)
s = time.perf_counter()
for i in range(1, n + 1):
    t.append((str(i * 7919 % 100003), i))
out["append"] = time.perf_counter() - s
s = time.perf_counter()
found = 0
for i in range(1, n + 1):
    if index.search(match=(str(i * 4973 % 100003).ljust(10),)):
        found += 1
out["seek"] = time.perf_counter() - s
out["found"] = found
s = time.perf_counter()
walked = sum(1 for r in index)
out["walk"] = time.perf_counter() - s
out["walked"] = walked
for i in range(2, n, 3):
    dbf.delete(t[i])
s = time.perf_counter()
t.pack()
out["pack"] = time.perf_counter() - s
out["kept"] = len(t)
t.close()
print(json.dumps(out))
"""


def assemble(name, text, n):
    listing = os.path.join(WORK, name + ".tvl")
    with open(listing, "w") as f:
        f.write(".header plain 7\n" + text.format(n=n).strip("\n") + "\nEND\n")
    prog = os.path.join(WORK, name + ".tvc")
    subprocess.run([TOLVASM, "asm", listing, prog], check=True)
    return prog


def native(prog):
    r = subprocess.run([TOLVBENCH, os.path.basename(prog)], cwd=WORK, check=True, capture_output=True, text=True)
    return json.loads(r.stdout)["seconds"]


def wine_seconds(wine, prog, startup):
    s = time.monotonic()
    code, _, _ = wine.run([TOLVRUN, os.path.basename(prog)], cwd=WORK,
                          extra_env={"TOLVEN_SCREEN": "screen.txt", "TOLVEN_TRANSCRIPT": "transcript.jsonl"},
                          timeout=3600)
    if code != 0:
        sys.exit(f"{os.path.basename(prog)} ended with {code} under Wine")
    return time.monotonic() - s - startup


def screen():
    with open(os.path.join(WORK, "screen.txt"), encoding="latin-1") as f:
        return " ".join(line.strip() for line in f if line.strip())


def fresh_copy(src, dst):
    for ext in (".DBF", ".NDX"):
        if os.path.exists(os.path.join(WORK, src + ext)):
            shutil.copyfile(os.path.join(WORK, src + ext), os.path.join(WORK, dst + ext))


def run_suite(progs, timer):
    """Runs append, seek, walk and pack with one timer; returns seconds."""
    for name in ("B.DBF", "B.NDX"):
        if os.path.exists(os.path.join(WORK, name)):
            os.remove(os.path.join(WORK, name))
    times = {"append": timer(progs["append"]), "seek": timer(progs["seek"]), "walk": timer(progs["walk"])}
    fresh_copy("B", "P")
    os.remove(os.path.join(WORK, "P.NDX"))
    timer(progs["delete"])
    fresh_copy("P", "PD")
    best = None
    for _ in range(3):
        fresh_copy("PD", "P")
        t = timer(progs["pack"])
        best = t if best is None else min(best, t)
    times["pack"] = best
    return times


def main():
    n = 100000
    use_wine = "--no-wine" not in sys.argv
    if "--records" in sys.argv:
        n = int(sys.argv[sys.argv.index("--records") + 1])
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    with open(os.path.join(WORK, "S.TXT"), "w") as f:
        f.write("NAME;C;10\r\nNUM;N;10;0\r\n")
    progs = {name: assemble(name, text, n) for name, text in PROGRAMS.items()}

    results = {"native": run_suite(progs, native)}
    if use_wine:
        wine = WineEnv(fresh=False).start()
        try:
            empty = assemble("empty", "", n)
            starts = sorted(wine_seconds(wine, empty, 0) for _ in range(5))
            startup = starts[0]
            seen = {}

            def timed(prog):
                t = wine_seconds(wine, prog, startup)
                seen[os.path.basename(prog)] = screen() if os.path.exists(os.path.join(WORK, "screen.txt")) else ""
                return t
            results["wine"] = run_suite(progs, timed)
            print(f"under Wine: seek found {seen.get('seek.tvc')}, walk visited {seen.get('walk.tvc')}, "
                  f"pack kept {seen.get('pack.tvc', '').split()[-1:]}; start-up {startup * 1000:.0f} ms subtracted")
        finally:
            wine.stop()

    py_dir = os.path.join(WORK, "python")
    os.makedirs(py_dir)
    r = subprocess.run([SYSTEM_PYTHON, "-c", PYTHON_WORK, str(n), py_dir], check=True, capture_output=True, text=True)
    results["python3-dbf"] = json.loads(r.stdout)
    py = results["python3-dbf"]
    print(f"python3-dbf: seek found {py['found']}, walk visited {py['walked']}, pack kept {py['kept']}")

    print(f"{'work (' + format(n, ',') + ' records)':24} {'native s':>9} {'wine s':>9} {'python3-dbf s':>14} "
          f"{'python/native':>14} {'python/wine':>12}")
    for step in ("append", "seek", "walk", "pack"):
        nat = results["native"][step]
        wn = results.get("wine", {}).get(step)
        p = py[step]
        print(f"{step:24} {nat:>9.2f} {wn if wn is not None else float('nan'):>9.2f} {p:>14.2f} "
              f"{p / max(nat, 1e-9):>14.1f} {(p / max(wn, 1e-9)) if wn else float('nan'):>12.1f}")


if __name__ == "__main__":
    main()
