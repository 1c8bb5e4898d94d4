#!/usr/bin/python3
"""Reads and writes dBase III tables with Debian's python3-dbf for the
end-to-end table cases (run with /usr/bin/python3, which has the module).

    dbase_tables.py dump TABLE      records as JSON: [[deleted, {field: value}], ...]
    dbase_tables.py make-plain FILE a table without memo (C, N, D, L)
    dbase_tables.py make-memo FILE  a table with a memo field
"""
import datetime
import json
import sys

import dbf

PLAIN_ROWS = [
    ("Bär", 12.5, datetime.date(2024, 2, 29), True),
    ("Ähre", -7.25, datetime.date(1999, 12, 31), False),
    ("Zebra", 0, datetime.date(2000, 1, 1), None),
    ("Apfel", 99999.99, None, True),
]
MEMO_ROWS = [
    ("one", "first line\r\nsecond line"),
    ("empty", ""),
    ("long", "\r\n".join("line %03d of a memo longer than one block" % i for i in range(40))),
    ("umlaut", "Größe\r\nÜbermaß"),
]


def value(v):
    if v is None:
        return None
    if isinstance(v, datetime.date):
        return v.strftime("%Y%m%d")
    if isinstance(v, bool):
        return v
    if isinstance(v, (int, float)):
        return float(v)
    return str(v)


def dump(path):
    t = dbf.Table(path, codepage="cp1252")
    t.open()
    names = t.field_names
    out = [[bool(dbf.is_deleted(r)), {n: value(r[n]) for n in names}] for r in t]
    t.close()
    print(json.dumps(out, ensure_ascii=False))


def make(path, fields, rows, deleted=()):
    t = dbf.Table(path, fields, dbf_type="db3", codepage="cp1252")
    t.open(dbf.READ_WRITE)
    for row in rows:
        t.append(row)
    for k in deleted:
        dbf.delete(t[k])
    t.close()


def main():
    cmd, path = sys.argv[1], sys.argv[2]
    if cmd == "dump":
        dump(path)
    elif cmd == "make-plain":
        make(path, "name C(12); qty N(8,2); day D; flag L", PLAIN_ROWS, deleted=[1])
    elif cmd == "make-memo":
        make(path, "name C(10); note M", MEMO_ROWS)
    else:
        sys.exit("unknown command " + cmd)


if __name__ == "__main__":
    main()
