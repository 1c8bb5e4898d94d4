#!/usr/bin/env python3
"""Speed of the dBase tables and NDX indexes as programs use them, beside
Debian's python3-dbf doing the same work in the same run:

  append   100,000 records appended to a table with an open index
  seek     100,000 random keys sought (exact)
  walk     the whole table in index order
  pack     a table of 100,000 records with every third deleted
  index    an index created over 12,500 to 100,000 records, once on a
           unique key and once on a logical field holding two values, to
           show the time growing as n log n for both

    python3 bench/dbase_bench.py [--records N] [--no-wine] [--index-only]

The programs run natively on the portable core (tolvbench, the release
build) and under Wine (tolvrun.exe, start-up time subtracted). python3-dbf
keeps its index in memory (it has no NDX files), so its append, seek and
index figures do less file work than the runtime's. Perl's XBase::Index
cannot build NDX files; it reads the ones the runtime built (a whole walk in
key order), which checks them and gives a reading speed beside them. Paths can be set with
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


# ---------------------------------------------------------------------------
# Index creation

INDEX_PROGRAM = """
EVAL @DBOPEN(#1,"{table}")
CREATEINDEX "{key}">"{index}"
EVAL @DBCLOSE(#1)
"""

PYTHON_INDEX = r"""
import dbf, json, sys, time
t = dbf.Table(sys.argv[1])
t.open(dbf.READ_ONLY)
out = {}
for key in ("name", "flag"):
    s = time.perf_counter()
    index = t.create_index(lambda r, k=key: getattr(r, k))
    out[key] = time.perf_counter() - s
    out[key + "_entries"] = len(index)
t.close()
print(json.dumps(out))
"""

PERL_WALK = r"""
use strict; use warnings; use Time::HiRes qw(time); use XBase::Index;
my $ix = XBase::Index->new($ARGV[0]) or die XBase::Index->errstr;
my $s = time; $ix->prepare_select or die $ix->errstr;
my ($n, $last) = (0, undef); my $ordered = 1;
while (my ($key, $rec) = $ix->fetch) { $ordered = 0 if defined $last && $key lt $last; $last = $key; $n++ }
printf "{\"seconds\": %.6f, \"entries\": %d, \"ordered\": %d}\n", time - $s, $n, $ordered;
"""


def index_table(path, n):
    """n records: NAME a unique text key (a permutation), FLAG "T" or "F"."""
    fields = [("NAME", "C", 10), ("FLAG", "L", 1)]
    header_length = 32 * len(fields) + 33
    record_length = 1 + sum(f[2] for f in fields)
    out = bytearray(bytes([0x03, 126, 1, 1]) + n.to_bytes(4, "little") +
                    header_length.to_bytes(2, "little") + record_length.to_bytes(2, "little") + bytes(20))
    for name, kind, length in fields:
        out += name.encode().ljust(11, b"\0") + kind.encode() + bytes(4) + bytes([length, 0]) + bytes(14)
    out += b"\r"
    for i in range(1, n + 1):
        out += b" " + str(i * 7919 % 1000003).ljust(10).encode() + (b"T" if i * 7 % 3 else b"F")
    out += b"\x1a"
    with open(path, "wb") as f:
        f.write(out)


def index_suite(sizes, wine, startup):
    rows = []
    for n in sizes:
        table = f"I{n}"
        index_table(os.path.join(WORK, table + ".DBF"), n)
        row = {"n": n}
        for kind, key in (("unique", "NAME"), ("two-valued", "FLAG")):
            index = f"{table}{kind[0].upper()}"
            prog = assemble(f"index_{n}_{kind}", INDEX_PROGRAM.replace("{table}", table).replace("{key}", key)
                            .replace("{index}", index), n)
            row[kind] = {"native": min(native(prog) for _ in range(2))}
            if wine:
                row[kind]["wine"] = max(0.0, min(wine_seconds(wine, prog, startup) for _ in range(3)))
            r = subprocess.run(["perl", "-e", PERL_WALK, os.path.join(WORK, index + ".NDX")],
                               capture_output=True, text=True)
            row[kind]["perl"] = json.loads(r.stdout) if r.returncode == 0 else {"error": r.stderr.strip()}
        r = subprocess.run([SYSTEM_PYTHON, "-c", PYTHON_INDEX, os.path.join(WORK, table + ".DBF")],
                           capture_output=True, text=True)
        py = json.loads(r.stdout) if r.returncode == 0 else {}
        row["unique"]["python"], row["two-valued"]["python"] = py.get("name"), py.get("flag")
        rows.append(row)
    return rows


RESOLUTION = {"native": 0.0, "wine": 0.05}


def print_index(rows):
    import math
    print(f"\nindex creation: seconds, and seconds per n*log2(n) relative to the smallest size "
          f"(flat means n log n)")
    print(f"{'records':>8} {'key':>10} {'native s':>9} {'rel':>5} {'wine s':>8} {'rel':>5} "
          f"{'python3-dbf s':>14} {'XBase walk s':>13} {'XBase entries':>14}")
    base = {}
    for row in rows:
        n = row["n"]
        nlogn = n * math.log2(n)
        for kind in ("unique", "two-valued"):
            d = row[kind]
            rel = {}
            for where in ("native", "wine"):
                # A Wine run less than this over its start-up is lost in the
                # start-up's own spread; it gives no ratio and no base.
                if where in d and d[where] >= RESOLUTION[where]:
                    per = d[where] / nlogn
                    base.setdefault((kind, where), per)
                    rel[where] = per / base[(kind, where)]
            perl = d["perl"]
            walk = f"{perl['seconds']:.2f}" if "seconds" in perl else "failed"
            entries = (f"{perl['entries']}" + ("" if perl.get("ordered") else " unordered")) if "entries" in perl \
                else perl.get("error", "")[:30]
            py = d.get("python")
            print(f"{n:>8} {kind:>10} {d['native']:>9.3f} {rel['native']:>5.2f} "
                  f"{d.get('wine', float('nan')):>8.3f} {rel.get('wine', float('nan')):>5.2f} "
                  f"{py if py is not None else float('nan'):>14.3f} {walk:>13} {entries:>14}")


def main():
    n = 100000
    use_wine = "--no-wine" not in sys.argv
    if "--records" in sys.argv:
        n = int(sys.argv[sys.argv.index("--records") + 1])
    index_only = "--index-only" in sys.argv
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    with open(os.path.join(WORK, "S.TXT"), "w") as f:
        f.write("NAME;C;10\r\nNUM;N;10;0\r\n")
    progs = {name: assemble(name, text, n) for name, text in PROGRAMS.items()}
    sizes = [n // 8, n // 4, n // 2, n]

    if index_only:
        wine = WineEnv(fresh=False).start() if use_wine else None
        try:
            startup = min(wine_seconds(wine, assemble("empty", "", n), 0) for _ in range(5)) if wine else 0
            print_index(index_suite(sizes, wine, startup))
        finally:
            if wine:
                wine.stop()
        return

    results = {"native": run_suite(progs, native)}
    index_rows = None
    if use_wine:
        wine = WineEnv(fresh=False).start()
        try:
            empty = assemble("empty", "", n)
            starts = sorted(wine_seconds(wine, empty, 0) for _ in range(5))
            startup = starts[0]
            index_rows = index_suite(sizes, wine, startup)
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
    else:
        index_rows = index_suite(sizes, None, 0)

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
    print_index(index_rows)


if __name__ == "__main__":
    main()
