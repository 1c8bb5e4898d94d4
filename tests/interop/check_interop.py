#!/usr/bin/python3
"""Interoperability of the dBase engine with python3-dbf and XBase::Index.

usage: check_interop.py DRIVER NDXCHECK

DRIVER is the built tests/interop/dbase_driver, NDXCHECK the ndxcheck tool.
Prints one line per check and "N passed, N failed" at the end; the exit code
is 1 when a check failed.
"""
import datetime
import os
import subprocess
import sys
import tempfile

import dbf

HERE = os.path.dirname(os.path.abspath(__file__))
DRIVER, NDXCHECK = sys.argv[1], sys.argv[2]
passed = failed = 0


def check(name, ok, detail=""):
    global passed, failed
    if ok:
        passed += 1
        print("ok    " + name)
    else:
        failed += 1
        print("FAIL  " + name + ("  " + detail if detail else ""))


def run(*args):
    return subprocess.run(args, check=True, stdout=subprocess.PIPE).stdout


def dump(table):
    """Records as the engine reads them: (deleted, [values])."""
    out = run(DRIVER, "dump", table).decode("latin-1")
    if out.endswith("\n"):
        out = out[:-1]
    lines = out.split("\n")
    count = int(lines[0].split()[1])
    records = []
    text = "\n".join(lines[1:])
    # memo values hold CR LF, so split records on the record number prefix
    rows = []
    for part in text.split("\n"):
        if rows and not part.split("\x1f")[0].isdigit():
            rows[-1] += "\n" + part
        elif part:
            rows.append(part)
    for row in rows[:count]:
        f = row.split("\x1f")
        records.append((f[1] == "*", f[2:]))
    return records


def engine_order(table, index):
    return [int(x) for x in run(DRIVER, "order", table, index).split()]


def xbase_entries(index):
    out = []
    for line in run("perl", os.path.join(HERE, "ndx_dump.pl"), index).decode("latin-1").splitlines():
        rec, key = line.split("\t", 1)
        out.append((int(rec), key))
    return out


def ndxcheck(table, *indexes):
    r = subprocess.run([NDXCHECK, table, *indexes], stdout=subprocess.PIPE)
    return r.returncode == 0, r.stdout.decode("latin-1").strip()


def engine_tables_read_by_python(d):
    run(DRIVER, "create", d)
    t = dbf.Table(os.path.join(d, "PEOPLE.DBF"), codepage="cp1252")
    t.open()
    got = [(r.name.rstrip(), float(r.age), r.born, r.ok, dbf.is_deleted(r)) for r in t]
    t.close()
    want = [
        ("Müller", 42.5, datetime.date(1970, 1, 31), True, False),
        ("Ärger Öl", -3.0, datetime.date(2000, 2, 29), False, False),
        ("Zoë", 0.0, datetime.date(1999, 12, 31), None, False),
        ("Adam", 1234.56, datetime.date(2026, 12, 7), True, False),
        ("Weg", 1.0, datetime.date(2001, 1, 1), False, True),
        ("Adam", -0.25, datetime.date(2027, 1, 1), True, False),
    ]
    check("python3-dbf reads the engine's table (C, N, D, L, deleted)", got == want, repr(got))

    t = dbf.Table(os.path.join(d, "NOTES.DBF"), codepage="cp1252")
    t.open()
    got = [(r.name.rstrip(), r.note) for r in t]
    t.close()
    want = [
        ("two", "Zeile 1\r\nZeile 2\r\n"),
        ("long", "a" * 700 + "\r\n" + "b" * 800 + "\r\n"),
        ("none", ""),
        ("umlaut", "Grüße aus Köln\r\n"),
        ("edge", "e" * 508 + "\r\n"),
    ]
    check("python3-dbf reads the engine's memos after a pack", got == want,
          repr([(n, m[:40]) for n, m in got]))


def python_tables_read_by_engine(d):
    plain = os.path.join(d, "py3.dbf")
    t = dbf.Table(plain, "name C(12); qty N(8,2); day D; flag L", dbf_type="db3", codepage="cp1252")
    t.open(dbf.READ_WRITE)
    rows = [
        ("Bär", 12.5, datetime.date(2024, 2, 29), True),
        ("Ähre", -7.25, datetime.date(1999, 12, 31), False),
        ("Zebra", 0, datetime.date(2000, 1, 1), None),
        ("Apfel", 99999.99, None, True),
        ("Ähre", 3, datetime.date(2001, 5, 6), False),
    ]
    for row in rows:
        t.append(row)
    dbf.delete(t[1])
    t.close()
    got = dump(plain)
    want = [
        (False, ["Bär", "12.50", "20240229", "T"]),
        (True, ["Ähre", "-7.25", "19991231", "F"]),
        (False, ["Zebra", "0.00", "20000101", ""]),
        (False, ["Apfel", "99999.99", "", "T"]),
        (False, ["Ähre", "3.00", "20010506", "F"]),
    ]
    norm = [(dl, [v.strip() if i != 3 else v.strip().replace("?", "") for i, v in enumerate(vals)])
            for dl, vals in got]
    check("engine reads a python3-dbf dBase III table", norm == want, repr(norm))

    memo = os.path.join(d, "pymemo.dbf")
    t = dbf.Table(memo, "name C(10); note M", dbf_type="db3", codepage="cp1252")
    t.open(dbf.READ_WRITE)
    memos = [
        ("one", "first line\r\nsecond line"),
        ("empty", ""),
        ("long", "\r\n".join("line %03d of a memo longer than one block" % i for i in range(40))),
        ("umlaut", "Größe\r\nÜbermaß"),
    ]
    for row in memos:
        t.append(row)
    t.close()
    got = dump(memo)
    want = [(False, [n, m]) for n, m in memos]
    check("engine reads python3-dbf memos (multi-block, unpadded last block)", got == want,
          repr([(dl, [v[:40] for v in vals]) for dl, vals in got]))
    return plain, memo


def indexes_read_by_xbase(d, plain, memo):
    cases = [
        (os.path.join(d, "PEOPLE.DBF"), os.path.join(d, "P_NAME.NDX"), "C"),
        (os.path.join(d, "PEOPLE.DBF"), os.path.join(d, "P_AGE.NDX"), "N"),
        (os.path.join(d, "PEOPLE.DBF"), os.path.join(d, "P_BORN.NDX"), "N"),
        (os.path.join(d, "PEOPLE.DBF"), os.path.join(d, "P_LIT.NDX"), "C"),
        (os.path.join(d, "BIG.DBF"), os.path.join(d, "B_KEY.NDX"), "C"),
        (os.path.join(d, "BIG.DBF"), os.path.join(d, "B_NUM.NDX"), "N"),
    ]
    for table, expr, name in [(plain, "NAME", "PY_NAME"), (plain, "QTY", "PY_QTY"),
                              (plain, "DAY", "PY_DAY"), (memo, "NAME", "PM_NAME")]:
        index = os.path.join(d, name + ".NDX")
        run(DRIVER, "index", table, expr, index)
        cases.append((table, index, "C" if expr in ("NAME",) else "N"))
    for table, index, kind in cases:
        label = os.path.basename(index)
        entries = xbase_entries(index)
        order = engine_order(table, index)
        check("XBase::Index reads %s in the engine's order (%d keys)" % (label, len(order)),
              [r for r, _ in entries] == order, "%r / %r" % ([r for r, _ in entries][:10], order[:10]))
        keys = [float(k) if kind == "N" else k.encode("latin-1") for _, k in entries]
        check("XBase::Index keys of %s are sorted" % label, keys == sorted(keys))
        ok, text = ndxcheck(table, index)
        check("ndxcheck accepts %s" % label, ok, text)


def main():
    with tempfile.TemporaryDirectory() as d:
        engine_tables_read_by_python(d)
        plain, memo = python_tables_read_by_engine(d)
        indexes_read_by_xbase(d, plain, memo)
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
