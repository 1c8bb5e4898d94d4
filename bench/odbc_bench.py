#!/usr/bin/env python3
"""Speed of a large SQL result written to SQL.DAT, beside unixODBC's own
client isql writing the same rows to a file in batch mode:

  connect   loading the driver manager and the driver, connecting
  select    100,000 rows of four columns into the result file

    python3 bench/odbc_bench.py [--rows N]

The runtime runs under Wine, whose odbc32 hands every call to unixODBC and
the SQLite ODBC driver that isql uses directly. The runtime's figures are
taken inside the program; isql's include its own start and connect. Paths
can be set with TOLVEN_TOLVASM and TOLVEN_TOLVRUN.
"""
import glob
import os
import shutil
import sqlite3
import subprocess
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from wine_env import BUILD, WineEnv  # noqa: E402

TOLVASM = os.path.abspath(os.environ.get("TOLVEN_TOLVASM", os.path.join(BUILD, "release", "tolvasm")))
TOLVRUN = os.path.abspath(os.environ.get("TOLVEN_TOLVRUN", os.path.join(BUILD, "win64", "tolvrun.exe")))
WORK = os.path.join(BUILD, "bench-odbc")
DSN = "TOLVENBENCH"
QUERY = "SELECT nr, name, betrag, notiz FROM posten ORDER BY nr"

# The program takes its own times with the tick count, so the start of the
# process under Wine, which varies by a tenth of a second on a busy
# machine, stays out of the figures.
PROGRAM = """
DECLARE ok%,t0&,t1&,t2&
LET t0&=&{{TICKS}}
~LET ok%=@SQLCONNECT("DSN={dsn}")
LET t1&=&{{TICKS}}
SQLEXEC "{query}",2
LET t2&=&{{TICKS}}
SQLDISCONNECT
~LET t2&=t2&-t1&
~LET t1&=t1&-t0&
PRINT ok%;" ";&{{SQLROWS}};" ";t1&;" ";t2&
"""


def driver_library():
    found = sorted(glob.glob("/usr/lib/*/odbc/libsqlite3odbc.so"))
    if not found:
        sys.exit("libsqliteodbc is not installed: run 'make deps'")
    return found[0]


def make_database(n):
    db = os.path.join(WORK, "bench.db")
    con = sqlite3.connect(db)
    with con:
        con.execute("CREATE TABLE posten (nr INTEGER PRIMARY KEY, name VARCHAR(20), betrag DOUBLE, notiz TEXT)")
        con.executemany("INSERT INTO posten VALUES (?,?,?,?)",
                        ((k, f"Kunde {k % 977}", k * 1.25, None if k % 10 == 0 else f"Posten {k} offen")
                         for k in range(1, n + 1)))
    con.close()
    with open(os.path.join(WORK, "odbcinst.ini"), "w") as f:
        f.write(f"[SQLite3]\nDriver={driver_library()}\n")
    with open(os.path.join(WORK, "odbc.ini"), "w") as f:
        f.write(f"[{DSN}]\nDriver=SQLite3\nDatabase={db}\n")
    return {"ODBCSYSINI": WORK, "ODBCINI": os.path.join(WORK, "odbc.ini")}


def assemble(name, text):
    listing = os.path.join(WORK, name + ".tvl")
    with open(listing, "w") as f:
        f.write(".header plain 7\n" + text.format(dsn=DSN, query=QUERY).strip("\n") + "\nEND\n")
    prog = os.path.join(WORK, name + ".tvc")
    subprocess.run([TOLVASM, "asm", listing, prog], check=True)
    return prog


def best_of(runs, fn):
    return min(fn() for _ in range(runs))


def main():
    n = 100000
    if "--rows" in sys.argv:
        n = int(sys.argv[sys.argv.index("--rows") + 1])
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    odbc_env = make_database(n)
    prog = assemble("select", PROGRAM)

    wine = WineEnv(fresh=False).start()
    try:
        def runtime():
            env = dict(odbc_env, TOLVEN_SCREEN="screen.txt", TOLVEN_TRANSCRIPT="transcript.jsonl")
            code, _, _ = wine.run([TOLVRUN, os.path.basename(prog)], cwd=WORK, extra_env=env, timeout=3600)
            with open(os.path.join(WORK, "screen.txt"), encoding="latin-1") as f:
                figures = f.read().split()
            if code != 0 or len(figures) != 4 or figures[0] != "1":
                sys.exit(f"the program ended with {code} under Wine, showing {figures}")
            return int(figures[1]), int(figures[2]) / 1000, int(figures[3]) / 1000
        runs = [runtime() for _ in range(3)]
    finally:
        wine.stop()
    counted = runs[0][0]
    connect = min(r[1] for r in runs)
    select = min(r[2] for r in runs)
    with open(os.path.join(WORK, "SQL.DAT"), "rb") as f:
        lines = f.read().count(b"\r\n")

    env = dict(os.environ, **odbc_env)
    out = os.path.join(WORK, "isql.txt")

    def isql():
        s = time.monotonic()
        with open(out, "wb") as f:
            subprocess.run(["isql", "-b", "-d|", "-c", DSN], input=(QUERY + "\n").encode(), stdout=f,
                           env=env, check=True)
        return time.monotonic() - s
    isql_seconds = best_of(3, isql)
    with open(out, "rb") as f:
        isql_lines = f.read().count(b"\n")

    print(f"SQL.DAT: {lines:,} lines, row count {counted:,}; isql: {isql_lines:,} lines")
    print(f"{'work (' + format(n, ',') + ' rows)':28} {'runtime s':>10} {'isql -b s':>10}")
    print(f"{'connect':28} {connect:>10.2f}")
    print(f"{'select into a file':28} {select:>10.2f} {isql_seconds:>10.2f}")


if __name__ == "__main__":
    main()
