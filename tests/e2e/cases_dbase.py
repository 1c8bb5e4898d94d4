"""Table and index cases that need files no listing can make or checks by
other dBase software: Debian's python3-dbf (run as /usr/bin/python3, see
dbase_tables.py), pgdbf where it is installed, Perl's XBase::Index
(tests/interop/ndx_dump.pl) and the ndxcheck tool (TOLVEN_NDXCHECK, else the
native build's)."""
import datetime
import glob
import json
import os
import random
import shutil
import signal
import struct
import subprocess
import threading
import time

from run_e2e import BUILD, ROOT, WORK, listing_case

HERE = os.path.dirname(os.path.abspath(__file__))
SYSTEM_PYTHON = "/usr/bin/python3"
TABLES = os.path.join(HERE, "dbase_tables.py")
NDX_DUMP = os.path.join(ROOT, "tests", "interop", "ndx_dump.pl")
LISTINGS = os.path.join(WORK, "_dbase_listings")


def ndxcheck_tool():
    tool = os.environ.get("TOLVEN_NDXCHECK")
    if tool:
        return tool
    found = [p for p in [os.path.join(BUILD, "native", "ndxcheck")] + sorted(glob.glob(os.path.join(BUILD, "*", "ndxcheck")))
             if os.path.exists(p)]
    return found[0] if found else None


def case(name, listing, screen=None, transcript=None, exit_code=0, check=None, prepare=None):
    return listing_case(name, listing, LISTINGS, screen=screen, transcript=transcript, exit=exit_code,
                        check=check, prepare=prepare)


def warning(caption, line):
    return {"event": "box", "caption": caption, "text": f"Zeile {line}!", "type": 49, "answer": 1}


def error(caption, line):
    return {"event": "box", "caption": caption, "text": f"Zeile {line}!", "type": 16, "answer": 1}


def exited(code=0):
    return {"event": "exit", "code": code}


# ---------------------------------------------------------------------------
# File helpers

def dbf_bytes(fields, records=(), version=0x03, date=(126, 12, 7), count=None):
    """A table file: fields (name, type, length, decimals), records as byte
    strings without the deletion flag (a leading b'*' marks them deleted)."""
    header_length = 32 * len(fields) + 33
    record_length = 1 + sum(f[2] for f in fields)
    out = bytes([version, *date]) + struct.pack("<IHH", len(records) if count is None else count,
                                                header_length, record_length) + bytes(20)
    for name, kind, length, decimals in fields:
        out += name.encode().ljust(11, b"\0") + kind.encode() + bytes(4) + bytes([length, decimals]) + bytes(14)
    out += b"\r"
    for r in records:
        out += r if r.startswith(b"*") else b" " + r
    return out + b"\x1a"


def write(work, name, data):
    with open(os.path.join(work, name), "wb") as f:
        f.write(data)


def python_dump(path):
    r = subprocess.run([SYSTEM_PYTHON, TABLES, "dump", path], capture_output=True, text=True)
    if r.returncode:
        raise RuntimeError(r.stderr.strip().splitlines()[-1] if r.stderr else "dump failed")
    return json.loads(r.stdout)


def xbase_order(index):
    r = subprocess.run(["perl", NDX_DUMP, index], capture_output=True)
    if r.returncode:
        raise RuntimeError(r.stderr.decode("latin-1").strip())
    return [(int(line.split(b"\t", 1)[0]), line.split(b"\t", 1)[1].decode("latin-1"))
            for line in r.stdout.splitlines()]


def ndxcheck(table, index):
    tool = ndxcheck_tool()
    if not tool:
        return "ndxcheck not built"
    r = subprocess.run([tool, table, index], capture_output=True)
    return None if r.returncode == 0 else "ndxcheck: " + r.stdout.decode("latin-1").strip()


def index_problems(work, table, index, want):
    """An index (TABLE and INDEX named with their extensions) against the
    record numbers expected in key order: the order XBase::Index walks, and
    ndxcheck's findings."""
    got = [r for r, _ in xbase_order(os.path.join(work, index))]
    problems = [] if got == want else [f"{index}: XBase::Index order {got[:12]}... ({len(got)} entries), "
                                       f"expected {want[:12]}..."]
    p = ndxcheck(os.path.join(work, table), os.path.join(work, index))
    return problems + ([p] if p else [])


def header_problems(path, count, version):
    """The header a closed table must have: version, today's date, the
    record count, and the end mark right after the records."""
    data = open(path, "rb").read()
    problems = []
    if data[0] != version:
        problems.append(f"version {data[0]:#x}")
    stamp = datetime.date(1900 + data[1], data[2], data[3]) if 1 <= data[2] <= 12 and 1 <= data[3] <= 31 else None
    if stamp is None or abs((stamp - datetime.date.today()).days) > 1:
        problems.append(f"date bytes {list(data[1:4])}")
    n, header_length, record_length = struct.unpack_from("<IHH", data, 4)
    if n != count:
        problems.append(f"record count {n}, expected {count}")
    end = header_length + n * record_length
    if len(data) != end + 1 or data[end] != 0x1A:
        problems.append(f"size {len(data)}, expected {end + 1} ending in 0x1A")
    return problems


def checks(*fns):
    def run(work):
        problems = []
        for fn in fns:
            try:
                p = fn(work)
            except Exception as e:  # noqa: BLE001 - a failing tool is a failed check
                p = f"{fn.__name__}: {e}"
            if p:
                problems.extend(p if isinstance(p, list) else [p])
        return "\n  ".join(problems) if problems else None
    return run


# ---------------------------------------------------------------------------
# A table and memo written by a program, read by python3-dbf

LONG_MEMO = ["Zeile %02d einer langen Notiz mit Umlauten: \u00e4\u00f6\u00fc\u00df" % k for k in range(40)]


def program_table_read_by_python():
    adds = "\n".join(f'ADDITEM "{line}"' for line in LONG_MEMO)
    listing = f"""
CREATETABLE "S.TXT">"KUNDEN"
EVAL @DBOPEN(#1,"KUNDEN")
EVAL @DBSETFIELD("NAME","M\u00fcller")
EVAL @DBSETFIELD("BETRAG","42.5")
EVAL @DBSETFIELD("TAG","19700131")
EVAL @DBSETFIELD("OK","j")
ADDITEM "Zeile 1"
ADDITEM "Zeile 2"
EVAL @ITEMSTOMEMO("NOTIZ")
EVAL @DBAPPEND()
EVAL @DBSETFIELD("NAME","\u00c4rger")
EVAL @DBSETFIELD("BETRAG","-3")
EVAL @DBSETFIELD("TAG","20000229")
EVAL @DBSETFIELD("OK","n")
EVAL @DBAPPEND()
EVAL @DBSETFIELD("NAME","Weg")
EVAL @DBSETFIELD("BETRAG","1")
EVAL @DBAPPEND()
EVAL @DBGOTO(3)
EVAL @DBDELETE()
EVAL @DBGOTO(2)
CLEARITEMS
{adds}
EVAL @ITEMSTOMEMO("NOTIZ")
EVAL @DBWRITE(0)
EVAL @DBGOTO(1)
CLEARITEMS
ADDITEM "kurz"
EVAL @ITEMSTOMEMO("NOTIZ")
EVAL @DBWRITE(0)
EVAL @DBCLOSE(#1)
"""

    def prepare(work):
        write(work, "S.TXT", b"NAME;C;10\r\nBETRAG;N;8;2\r\nTAG;D\r\nOK;L\r\nNOTIZ;M\r\n")

    def records(work):
        got = python_dump(os.path.join(work, "KUNDEN.DBF"))
        want = [
            [False, {"name": "M\u00fcller    ", "betrag": 42.5, "tag": "19700131", "ok": True, "notiz": "kurz\r\n"}],
            [False, {"name": "\u00c4rger     ", "betrag": -3.0, "tag": "20000229", "ok": False,
                     "notiz": "".join(line + "\r\n" for line in LONG_MEMO)}],
            # appending blanked the buffer: only the fields written since
            [True, {"name": "Weg       ", "betrag": 1.0, "tag": None, "ok": None, "notiz": ""}],
        ]
        return None if got == want else f"python3-dbf read {got!r}"

    def files(work):
        problems = header_problems(os.path.join(work, "KUNDEN.DBF"), 3, 0x83)
        memo = open(os.path.join(work, "KUNDEN.DBT"), "rb").read()
        if len(memo) % 512 or struct.unpack_from("<I", memo)[0] != len(memo) // 512:
            problems.append(f"memo file of {len(memo)} bytes, next free {struct.unpack_from('<I', memo)[0]}")
        return problems

    def pgdbf(work):
        # pgdbf (Debian package pgdbf) leaves deleted records out; checked
        # where it is installed.
        if not shutil.which("pgdbf"):
            return None
        r = subprocess.run(["pgdbf", "-m", "KUNDEN.DBT", "KUNDEN.DBF"], cwd=work, capture_output=True)
        if r.returncode:
            return "pgdbf: " + r.stderr.decode("latin-1").strip()
        lines = r.stdout.decode("latin-1").split("\n")
        rows = lines[lines.index("\\COPY kunden FROM STDIN") + 1:lines.index("\\.")]
        want = ["M\u00fcller\t42.50\t1970-01-31\tt\tkurz\\r\\n",
                "\u00c4rger\t-3.00\t2000-02-29\tf\t" + "".join(line + "\\r\\n" for line in LONG_MEMO)]
        return None if rows == want else f"pgdbf read {rows!r}"

    return case("dbase_program_table_read_by_python", listing, check=checks(records, files, pgdbf), prepare=prepare)


# ---------------------------------------------------------------------------
# Tables written by python3-dbf, read by a program

def python_tables_read_by_program():
    listing = """
PRINT @DBOPEN(#1,"py3.dbf");" ";%{DBINFO164};" ";%{DBINFO162}
PRINT @DBFIELD$("NAME");"|";@DBFIELD$("QTY");"|";@DBFIELD$("DAY");"|";@DBFIELD$("FLAG");"|";%{DBINFO171}
PRINT @DBGOTO(">");@DBFIELD$("NAME");"|";%{DBINFO171}
PRINT @DBGOTO(">");@DBFIELD$("NAME");"|";@DBFIELDN$(2);"|";@DBFIELDN$(4);"|"
PRINT @DBGOTO(">");@DBFIELD$("NAME");"|";@DBFIELDN$(3);"|"
PRINT @DBOPEN(#2,"pymemo.dbf")
PRINT @MEMOTOITEMS("NOTE");" ";%{LASTITEM};" ";@ITEM$(0);"|";@ITEM$(1)
PRINT @DBGOTO(">");@MEMOTOITEMS("NOTE");" ";%{LASTITEM}
PRINT @DBGOTO(">");@MEMOTOITEMS("NOTE");" ";%{LASTITEM};" ";@ITEM$(39)
PRINT @DBGOTO(">");@MEMOTOITEMS("NOTE");" ";@ITEM$(0);"|";@ITEM$(1)
"""

    def prepare(work):
        for cmd, name in (("make-plain", "py3.dbf"), ("make-memo", "pymemo.dbf")):
            subprocess.run([SYSTEM_PYTHON, TABLES, cmd, os.path.join(work, name)], check=True)

    # Memo results: blocks read plus the end mark's place in the last block.
    screen = [
        "4 4 30",
        "B\u00e4r         |   12.50|20240229|T|0",
        "2\u00c4hre        |1",
        "3Zebra       |    0.00|?|",
        "4Apfel       |        |",
        "4",
        "24 1 first line|second line",
        "21 -1",
        "3146 39 line 039 of a memo longer than one block",
        "415 Gr\u00f6\u00dfe|\u00dcberma\u00df",
    ]
    return case("dbase_python_tables_read_by_program", listing, screen=screen, prepare=prepare)


# ---------------------------------------------------------------------------
# Index files made by a program, read by XBase::Index and checked by ndxcheck

def names(n, seed):
    rnd = random.Random(seed)
    syllables = ["MA", "MEI", "ER", "SCH", "UL", "ZE", "BA", "KO", "\u00c4R", "\u00dcB", "AN", "NA"]
    return ["".join(rnd.choice(syllables) for _ in range(rnd.randint(1, 4)))[:10] for _ in range(n)]


def indexes_read_by_xbase():
    rnd = random.Random(7)
    rows = []
    for k, name in enumerate(names(300, 3)):
        number = rnd.choice([0, 1, -1, 2.5, -2.5, 1000, -1000, 0.01]) * rnd.randint(1, 99)
        day = datetime.date(2026, 12, 20) + datetime.timedelta(days=rnd.randint(0, 25))
        rows.append((name, f"{number:.2f}", day.strftime("%Y%m%d")))
    lines = ['CREATETABLE "S.TXT">"IX"', 'EVAL @DBOPEN(#1,"IX")']
    for name, number, day in rows:
        lines += [f'EVAL @DBSETFIELD("NAME","{name}")', f'EVAL @DBSETFIELD("NUM","{number}")',
                  f'EVAL @DBSETFIELD("DAY","{day}")', "EVAL @DBAPPEND()"]
    lines += ['CREATEINDEX "NAME">"I_NAME"', 'CREATEINDEX "NUM">"I_NUM"', 'CREATEINDEX "DAY">"I_DAY"',
              'CREATEINDEX "NAME+DAY">"I_BOTH"', 'EVAL @DBCLOSE(#1)']

    def prepare(work):
        write(work, "S.TXT", b"NAME;C;10\r\nNUM;N;9;2\r\nDAY;D\r\n")

    def expected(key):
        return [r for _, r in sorted((key(row), k + 1) for k, row in enumerate(rows))]

    def order(work):
        problems = []
        wanted = {
            "I_NAME": expected(lambda r: r[0].ljust(10).encode("latin-1")),
            "I_NUM": expected(lambda r: float(r[1])),
            "I_DAY": expected(lambda r: int(r[2])),
            "I_BOTH": expected(lambda r: (r[0].ljust(10) + r[2]).encode("latin-1")),
        }
        for name, want in wanted.items():
            problems += index_problems(work, "IX.DBF", name + ".NDX", want)
        return problems

    return case("dbase_indexes_read_by_xbase", "\n".join(lines), check=checks(order), prepare=prepare)


def thousand_index_changes():
    """1,000 appends, key changes, unchanged rewrites and deletions through a
    program with the index open; the index must match the table and keep
    equal keys in write order."""
    rnd = random.Random(11)
    keys = ["K%02d" % k for k in range(60)]
    table = []   # key per record
    order = []   # record numbers in index order (simulated)
    lines = ['CREATETABLE "S.TXT">"CH"', 'EVAL @DBOPEN(#1,"CH")', 'CREATEINDEX "KEY">"CH"']

    def place(rec, key):
        # after the last equal key
        at = len(order)
        for i, r in enumerate(order):
            if table[r - 1] > key:
                at = i
                break
        order.insert(at, rec)

    for _ in range(1000):
        op = rnd.random()
        if op < 0.45 or not table:
            key = rnd.choice(keys)
            lines += [f'EVAL @DBSETFIELD("KEY","{key}")', "EVAL @DBAPPEND()"]
            table.append(key.ljust(6))
            place(len(table), key.ljust(6))
        elif op < 0.85:
            rec = rnd.randint(1, len(table))
            key = rnd.choice(keys).ljust(6)
            lines += [f"EVAL @DBGOTO({rec})", f'EVAL @DBSETFIELD("KEY","{key}")', f"EVAL @DBWRITE({rec})"]
            if key != table[rec - 1]:
                order.remove(rec)
                table[rec - 1] = key
                place(rec, key)
        else:
            rec = rnd.randint(1, len(table))
            lines += [f"EVAL @DBGOTO({rec})", "EVAL @DBDELETE()"]
    lines.append("EVAL @DBCLOSE(#1)")

    def prepare(work):
        write(work, "S.TXT", b"KEY;C;6\r\n")

    def consistent(work):
        problems = []
        got = xbase_order(os.path.join(work, "CH.NDX"))
        if [r for r, _ in got] != order:
            problems.append(f"index order differs from the write order of equal keys: {[r for r, _ in got][:15]}...")
        if [k.encode() for _, k in got] != sorted(k.encode() for k in table):
            problems.append("keys out of order")
        p = ndxcheck(os.path.join(work, "CH.DBF"), os.path.join(work, "CH.NDX"))
        if p:
            problems.append(p)
        dumped = python_dump(os.path.join(work, "CH.DBF"))
        if [v["key"] for _, v in dumped] != table:
            problems.append("table contents differ")
        return problems

    return case("dbase_thousand_index_changes", "\n".join(lines), check=checks(consistent), prepare=prepare)


def split_at_the_26th_key():
    """25 keys of 10 characters fill the root leaf; the 26th splits it: header,
    the old leaf keeping the upper 13, the new root (allocated first) with one
    key, and the new leaf with the lower 13."""
    keys = ["N%02d" % k for k in range(26)]
    rnd = random.Random(5)
    rnd.shuffle(keys)
    lines = ['CREATETABLE "S.TXT">"SP"', 'EVAL @DBOPEN(#1,"SP")', 'CREATEINDEX "NAME">"SP"']
    for k in keys[:25]:
        lines += [f'EVAL @DBSETFIELD("NAME","{k}")', "EVAL @DBAPPEND()"]
    lines += ["EVAL @DBCLOSE(#1)", 'PRINT @DBOPEN(#1,"SP");" ";@DBINDEX("SP")', "EVAL @DBCLOSE(#1)",
              'FILECOPY "SP.NDX">"SP25.NDX"', 'EVAL @DBOPEN(#1,"SP")', 'EVAL @DBINDEX("SP")',
              f'EVAL @DBSETFIELD("NAME","{keys[25]}")', "EVAL @DBAPPEND()",
              'PRINT @DBSEEK("N00",1);" ";@DBSEEK("N25",1);" ";@DBGOTO("TOP");" ";@DBGOTO("BOTTOM")',
              "EVAL @DBCLOSE(#1)"]

    def prepare(work):
        write(work, "S.TXT", b"NAME;C;10\r\n")

    def pages(work):
        problems = []
        before = open(os.path.join(work, "SP25.NDX"), "rb").read()
        if len(before) != 1024:
            problems.append(f"25 keys: {len(before)} bytes, expected 1024")
        data = open(os.path.join(work, "SP.NDX"), "rb").read()
        root, count = struct.unpack_from("<II", data)
        key_length, per_page, kind, entry = struct.unpack_from("<HHHH", data, 12)
        if (len(data), root, count, key_length, per_page, kind, entry) != (2048, 2, 4, 10, 25, 0, 20):
            problems.append(f"header {(len(data), root, count, key_length, per_page, kind, entry)}")
            return problems
        def leaf(p):
            n = struct.unpack_from("<I", data, p * 512)[0]
            return [data[p * 512 + 4 + i * 20 + 8: p * 512 + 4 + i * 20 + 11].decode() for i in range(n)]
        ordered = sorted(keys)
        if leaf(3) != ordered[:13] or leaf(1) != ordered[13:]:
            problems.append(f"leaves {leaf(3)} / {leaf(1)}")
        n, child0 = struct.unpack_from("<II", data, 2 * 512)
        child1 = struct.unpack_from("<I", data, 2 * 512 + 4 + 20)[0]
        if (n, child0, child1, data[2 * 512 + 12:2 * 512 + 15].decode()) != (1, 3, 1, ordered[12]):
            problems.append(f"root {(n, child0, child1)}")
        p = ndxcheck(os.path.join(work, "SP.DBF"), os.path.join(work, "SP.NDX"))
        if p:
            problems.append(p)
        return problems

    first = 1 + keys.index("N00")
    last = 1 + keys.index("N25")
    screen = ["25 1", f"{first} {last} {first} {last}"]
    return case("dbase_split_at_the_26th_key", "\n".join(lines), screen=screen, check=checks(pages), prepare=prepare)


# ---------------------------------------------------------------------------
# Headers, damaged files and the record count at the end of a run

def header_years_and_version():
    listing = """
EVAL @DBOPEN(#1,"Y05")
PRINT ${DBINFO170}
EVAL @DBOPEN(#2,"Y99.DBF")
PRINT ${DBINFO170}
EVAL @DBOPEN(#3,"V30")
"""

    def prepare(work):
        write(work, "Y05.DBF", dbf_bytes([("A", "C", 4, 0)], date=(5, 3, 4)))
        write(work, "Y99.DBF", dbf_bytes([("A", "C", 4, 0)], date=(99, 12, 31)))
        write(work, "V30.DBF", dbf_bytes([("A", "C", 4, 0)], version=0x30))

    return case("dbase_header_years_and_version", listing, screen=["04.03.2005", "31.12.1999"],
                transcript=[error("dB-Fehler: 157 : Keine dBase III-Datei", 5), exited(2)], exit_code=2,
                prepare=prepare)


def damaged_files():
    """A record count beyond the file is cut with a warning; an index whose
    pages point outside the file or at themselves is refused or stops the
    walk with a warning; fields reaching past the record refuse the table."""
    listing = """
ERRORMODE -1
PRINT @DBOPEN(#1,"SHORT");&{ERRORNUMBER};" ";@DBGOTO(">|");@DBFIELD$("A")
ERRORMODE 1
PRINT @DBINDEX("OUTSIDE");@DBINDEX("LOOP");@DBGOTO("TOP");@DBGOTO(">")
PRINT @DBINDEX("");@DBGOTO(">|")
ERRORMODE -1
PRINT @DBOPEN(#2,"WIDE");&{ERRORNUMBER}
"""

    def prepare(work):
        records = [b"aaaa", b"bbbb", b"cccc"]
        write(work, "SHORT.DBF", dbf_bytes([("A", "C", 4, 0)], records, count=10)[:-1] + b"cc")
        write(work, "WIDE.DBF", dbf_bytes([("A", "C", 40, 0)], [b"x" * 40])[:10] +
              struct.pack("<H", 6) + dbf_bytes([("A", "C", 40, 0)], [b"x" * 40])[12:])

        def ndx(root, pages, tree):
            head = struct.pack("<IIIHHHHI", root, pages, 0, 4, 31, 0, 12, 0) + b"A\0"
            return head.ljust(512, b"\0") + tree
        # root page 7 in a file of 2 pages
        write(work, "OUTSIDE.NDX", ndx(7, 2, struct.pack("<I", 0).ljust(512, b"\0")))
        # a branch page whose children are itself
        branch = struct.pack("<I", 1) + struct.pack("<II", 1, 0) + b"aaaa" + struct.pack("<II", 1, 0) + b"\0" * 4
        write(work, "LOOP.NDX", ndx(1, 2, branch.ljust(512, b"\0")))

    # The looping index is opened; the walk then stops with a warning, which
    # the next move reports again while it is pending. An index open reads
    # the first record through the indexes still open before it closes them.
    loop = warning("Index-Datei nicht in Ordnung: LOOP.NDX", 4)
    return case("dbase_damaged_files", listing, prepare=prepare,
                screen=["3608 3cccc", "0111", "03", "0600"], transcript=[loop, loop, exited()])


def count_written(name, tail, transcript, exit_code, answers=()):
    """A program appends to a table and does not close it: however the run
    ends, the header has the new count and the end mark."""
    listing = """
EVAL @DBOPEN(#1,"C")
EVAL @DBSETFIELD("A","neu")
EVAL @DBAPPEND()
EVAL @DBAPPEND()
""" + tail

    def prepare(work):
        write(work, "C.DBF", dbf_bytes([("A", "C", 4, 0)], [b"alt "], date=(90, 1, 1)))

    def header(work):
        return header_problems(os.path.join(work, "C.DBF"), 3, 0x03)

    c = case(name, listing, transcript=transcript, exit_code=exit_code, check=checks(header), prepare=prepare)
    c.answers = list(answers)
    return c


def two_valued_index_of_40000():
    """An index on a logical field over 40,000 records: built in about the
    time of a unique one (a build that walks the equal keys for every record
    took minutes and runs into the time limit), with the equal keys in record
    order, read back by XBase::Index and checked by ndxcheck; then a record
    in the middle is found by number and rewritten with its key changed."""
    n = 40000
    flags = [b"T" if k * 7 % 3 else b"F" for k in range(1, n + 1)]
    listing = """
PRINT @DBOPEN(#1,"TWO")
CREATEINDEX "FLAG">"TWO"
PRINT @DBGOTO("TOP");" ";@DBGOTO(">|");" ";@DBGOTO(20000);@DBFIELD$("FLAG");" ";@DBGOTO(">");" ";@DBGOTO("<")
EVAL @DBSETFIELD("FLAG","F")
PRINT @DBWRITE(0);" ";@DBGOTO(">");" ";@DBGOTO(20001);" ";@DBGOTO(">")
EVAL @DBCLOSE(#1)
"""

    def prepare(work):
        write(work, "TWO.DBF", dbf_bytes([("FLAG", "L", 1, 0)], flags))

    final = list(flags)
    final[20000 - 1] = b"F"
    want = [k + 1 for k in range(n) if final[k] == b"F" and k + 1 != 20000] + [20000] + \
           [k + 1 for k in range(n) if final[k] == b"T"]

    def order(work):
        return index_problems(work, "TWO.DBF", "TWO.NDX", want)

    start = [k + 1 for k in range(n) if flags[k] == b"F"] + [k + 1 for k in range(n) if flags[k] == b"T"]
    at = start.index(20000)
    screen = [f"{n}", f"{start[0]} {start[-1]} 20000T {start[at + 1]} 20000",
              f"20000 {want[want.index(20000) + 1]} 20001 {want[want.index(20001) + 1]}"]
    c = case("dbase_two_valued_index_of_40000", listing, screen=screen, check=checks(order), prepare=prepare)
    c.timeout = 60
    return c


def memo_layout():
    """Memo blocks byte for byte: the text with CR LF after every entry, two
    end marks (python3-dbf, which reads to the pair, checks them) and zeros
    to the end of the last block, so 510 bytes of text take one block and
    511 two (the second mark opening the second block, which a rewrite in
    place counts as the memo's); a memo is
    rewritten in place when its old blocks are enough, else it goes to the
    block that block 0 names as next free, and block 0 then holds the size of
    the file in blocks. A next-free number past the end is followed; one
    pointing into the file is not, so no memo there is overwritten. Reading
    breaks a line after the word filling the width when a blank follows it,
    and a final CR LF adds no empty entry."""
    t508, t509, t700, t600 = "a" * 508, "b" * 509, "c" * 700, "d" * 600
    listing = f"""
CREATETABLE "S.TXT">"MEMO"
EVAL @DBOPEN(#1,"MEMO")
ADDITEM "abc"
ADDITEM "de"
EVAL @ITEMSTOMEMO("NOTE")
EVAL @DBAPPEND()
CLEARITEMS
ADDITEM "{t508}"
EVAL @ITEMSTOMEMO("NOTE")
EVAL @DBAPPEND()
CLEARITEMS
ADDITEM "{t509}"
EVAL @ITEMSTOMEMO("NOTE")
EVAL @DBAPPEND()
EVAL @DBGOTO(1)
CLEARITEMS
ADDITEM "x"
EVAL @ITEMSTOMEMO("NOTE")
EVAL @DBWRITE(0)
EVAL @DBGOTO(3)
CLEARITEMS
ADDITEM "{t700}"
EVAL @ITEMSTOMEMO("NOTE")
EVAL @DBWRITE(0)
EVAL @DBGOTO(2)
CLEARITEMS
ADDITEM "{t600}"
EVAL @ITEMSTOMEMO("NOTE")
EVAL @DBWRITE(0)
PRINT @DBGOTO(1);@DBFIELD$("NOTE");" ";@DBGOTO(2);@DBFIELD$("NOTE");" ";@DBGOTO(3);@DBFIELD$("NOTE")
PRINT @MEMOTOITEMS("NOTE");" ";%{{LASTITEM}};" ";@LEN(@ITEM$(0))
CLEARITEMS
ADDITEM "abcde fghi jklm"
ADDITEM "abcdefghij-klm"
ADDITEM "abcdefghijk"
EVAL @DBGOTO(1)
EVAL @ITEMSTOMEMO("NOTE")
MEMOWIDTH 10
PRINT @MEMOTOITEMS("NOTE");" ";%{{LASTITEM}};" ";@ITEM$(0);"|";@ITEM$(1);"|";@ITEM$(2);"|";@ITEM$(3);"|";@ITEM$(4);"|";@ITEM$(5)
EVAL @DBCLOSE(#1)
CLEARITEMS
ADDITEM "neu"
EVAL @DBOPEN(#2,"AHEAD")
EVAL @ITEMSTOMEMO("NOTE")
EVAL @DBAPPEND()
EVAL @DBOPEN(#3,"BEHIND")
EVAL @ITEMSTOMEMO("NOTE")
EVAL @DBAPPEND()
PRINT @DBGOTO(2);@DBFIELD$("NOTE");" ";@MEMOTOITEMS("NOTE");" ";@ITEM$(0)
EVAL @DBCLOSE(#3)
EVAL @DBCLOSE(#2)
"""

    def block(text):
        data = text.encode("latin-1") + b"\x1a\x1a"
        return data + bytes((-len(data)) % 512)

    def head(next_free):
        return struct.pack("<I", next_free).ljust(512, b"\0")

    def prepare(work):
        write(work, "S.TXT", b"N;C;3\r\nNOTE;M\r\n")
        memo_fields = [("N", "C", 3, 0), ("NOTE", "M", 10, 0)]
        # block 0 says 4 in a file of 2 blocks; 1 in a file of 3
        write(work, "AHEAD.DBF", dbf_bytes(memo_fields, [b"ahe" + b" " * 10], version=0x83))
        write(work, "AHEAD.DBT", head(4) + block("alt\r\n"))
        write(work, "BEHIND.DBF", dbf_bytes(memo_fields, [b"beh" + b" " * 10], version=0x83))
        write(work, "BEHIND.DBT", head(1) + block("alt\r\n") + block("zwei\r\n"))

    wrap = "abcde fghi jklm\r\nabcdefghij-klm\r\nabcdefghijk\r\n"

    def files(work):
        problems = []
        # a new memo file holds an end mark after the next-free number
        want = (struct.pack("<I", 7) + b"\x1a" + bytes(507) + block(wrap) + block(t508 + "\r\n") + block(t700 + "\r\n") +
                block(t600 + "\r\n"))
        got = open(os.path.join(work, "MEMO.DBT"), "rb").read()
        if got != want:
            diff = next((k for k in range(min(len(got), len(want))) if got[k] != want[k]), min(len(got), len(want)))
            problems.append(f"MEMO.DBT of {len(got)} bytes differs from the layout ({len(want)}) at byte {diff}")
        ahead = open(os.path.join(work, "AHEAD.DBT"), "rb").read()
        if ahead != head(5) + block("alt\r\n") + bytes(1024) + block("neu\r\n"):
            problems.append(f"AHEAD.DBT: next free {struct.unpack_from('<I', ahead)[0]}, {len(ahead)} bytes")
        behind = open(os.path.join(work, "BEHIND.DBT"), "rb").read()
        if behind != head(4) + block("alt\r\n") + block("zwei\r\n") + block("neu\r\n"):
            problems.append(f"BEHIND.DBT: next free {struct.unpack_from('<I', behind)[0]}, {len(behind)} bytes")
        got = [v["note"] for _, v in python_dump(os.path.join(work, "MEMO.DBF"))]
        if got != [wrap, t600 + "\r\n", t700 + "\r\n"]:
            problems.append(f"python3-dbf read {[(g[:12], len(g)) for g in got]}")
        return problems

    screen = ["1         1 2         5 3         3", "192 8 80",
              "47 5 abcde fghi |jklm|abcdefghij-|klm|abcdefghij|k", "2         3 6 neu"]
    return case("dbase_memo_layout", listing, screen=screen, check=checks(files), prepare=prepare)


def indexes_rebuilt_by_pack():
    """The index files open during a pack are built again over the packed
    records: reopened, they walk the kept records in key order and find them
    by key; ndxcheck and XBase::Index agree."""
    rows = [("ERNA", 1), ("DORA", 4), ("CARL", 7), ("BERTA", 2), ("ANTON", 8), ("ZOE", 3)]
    lines = ['CREATETABLE "S.TXT">"PK"', 'EVAL @DBOPEN(#1,"PK")']
    for name, number in rows:
        lines += [f'EVAL @DBSETFIELD("NAME","{name}")', f'EVAL @DBSETFIELD("N","{number}")', "EVAL @DBAPPEND()"]
    lines += ['CREATEINDEX "N">"NU"', 'CREATEINDEX "NAME">"NM"', 'EVAL @DBINDEX("NM NU")',
              "EVAL @DBGOTO(2)", "EVAL @DBDELETE()", "EVAL @DBGOTO(4)", "EVAL @DBDELETE()",
              "PRINT @DBPACK()",
              'PRINT @DBINDEX("NM");@DBGOTO("TOP");@DBFIELD$("NAME");@DBGOTO(">");@DBFIELD$("NAME");'
              '@DBGOTO(">");@DBFIELD$("NAME");@DBGOTO(">");@DBFIELD$("NAME");@DBGOTO(">");%{DBINFO172}',
              'PRINT @DBSEEK("CARL",1);@DBSEEK("ZOE",1);@DBSEEK("DORA",1)',
              'PRINT @DBINDEX("NU");@DBGOTO("BOTTOM");@DBFIELD$("NAME");@DBSEEK("1",1)',
              "EVAL @DBCLOSE(#1)"]

    def prepare(work):
        write(work, "S.TXT", b"NAME;C;6\r\nN;N;3;0\r\n")

    def indexes(work):
        return index_problems(work, "PK.DBF", "NM.NDX", [3, 2, 1, 4]) + \
            index_problems(work, "PK.DBF", "NU.NDX", [1, 4, 2, 3])

    screen = ["4", "13ANTON 2CARL  1ERNA  4ZOE   41", "240", "13ANTON 1"]
    return case("dbase_indexes_rebuilt_by_pack", "\n".join(lines), screen=screen, check=checks(indexes),
                prepare=prepare)


def killed_after_appends():
    """The runtime is ended from outside (SIGKILL, as the task manager does)
    while it waits for a key after 37 appends to a table it never closed:
    python3-dbf reads all 38 records, the header says 38 and the end mark
    follows the last record."""
    listing = """
EVAL @DBOPEN(#1,"K")
DECLARE i%
WHILELOOP 37
INC i%
EVAL @DBSETFIELD("A",i%)
EVAL @DBAPPEND()
WEND
ASSIGN #2,"READY.TXT"
REWRITE #2
PRINT #2,"x"
CLOSE #2
DISCARD @WAITKEY$()
"""
    tag = "dbase_killed_after_appends"

    def prepare(work):
        write(work, "K.DBF", dbf_bytes([("A", "C", 4, 0)], [b"alt "], date=(90, 1, 1)))

        def kill_when_ready():
            deadline = time.monotonic() + 30
            while time.monotonic() < deadline and not os.path.exists(os.path.join(work, "READY.TXT")):
                time.sleep(0.05)
            time.sleep(0.5)
            marker = f"TOLVEN_KILL_TAG={tag}".encode()
            for pid in os.listdir("/proc"):
                try:
                    if pid.isdigit() and marker in open(f"/proc/{pid}/environ", "rb").read().split(b"\0") and \
                            b"tolvrun" in open(f"/proc/{pid}/cmdline", "rb").read():
                        os.kill(int(pid), signal.SIGKILL)
                except OSError:
                    pass
        threading.Thread(target=kill_when_ready, daemon=True).start()

    def table(work):
        problems = header_problems(os.path.join(work, "K.DBF"), 38, 0x03)
        problems = [p for p in problems if not p.startswith("date bytes")]  # the date comes at close
        got = [v["a"] for _, v in python_dump(os.path.join(work, "K.DBF"))]
        if got != ["alt "] + [str(k).ljust(4) for k in range(1, 38)]:
            problems.append(f"python3-dbf read {len(got)} records: {got[:3]}...{got[-2:]}")
        return problems

    c = case(tag, listing, transcript=[], exit_code=-signal.SIGKILL, check=checks(table), prepare=prepare)
    c.env["TOLVEN_KILL_TAG"] = tag
    return c


def end_of_session():
    """Logging off asks the main window whether the session may end (yes),
    then ends it: the program stops there as at its own end, with the
    table's header, date and end mark written and the index pages it kept
    in memory on disk."""
    listing = """
CREATETABLE "S.TXT">"E"
EVAL @DBOPEN(#1,"E")
CREATEINDEX "N">"E"
DECLARE i%,r%
WHILELOOP 40
INC i%
~LET r%=100-i%
EVAL @DBSETFIELD("N",r%)
EVAL @DBAPPEND()
WEND
PRINT "vorher"
LET r%=@CALLDLL("user32.dll","SendMessageA",%{MAINWINDOW},17,0,0)
PRINT r%
LET r%=@CALLDLL("user32.dll","SendMessageA",%{MAINWINDOW},22,1,0)
PRINT "nachher"
"""

    def prepare(work):
        write(work, "S.TXT", b"N;C;4\r\n")

    def files(work):
        return header_problems(os.path.join(work, "E.DBF"), 40, 0x03) + \
            index_problems(work, "E.DBF", "E.NDX", list(range(40, 0, -1)))

    return case("dbase_end_of_session", listing, screen=["vorher", "1"], check=checks(files), prepare=prepare)


def two_slots_on_one_table():
    """One table open as #1 and as #2 (under another spelling of its name),
    its index open in both and twice in #2, a second index open only in #1:
    appends from either slot get their own record numbers and memo blocks,
    each slot keeps its own position, a cursor follows what the other slot
    changed in the tree (a key inserted before it, its own entry's key
    changed), and a pack through #2 rebuilds the index only #1 has open.
    python3-dbf reads every record and memo, the header has the count, and
    ndxcheck and XBase::Index find both indexes whole."""
    rows = [("F", 60), ("B", 20), ("D", 40), ("A", 10), ("E", 50), ("C", 30)]
    lines = ['CREATETABLE "S.TXT">"T"', 'EVAL @DBOPEN(#1,"T")']
    for name, number in rows:
        lines += [f'EVAL @DBSETFIELD("NAME","{name}")', f'EVAL @DBSETFIELD("N","{number}")', "EVAL @DBAPPEND()"]
    lines += ['CREATEINDEX "N">"N2"', 'CREATEINDEX "NAME">"T"', 'EVAL @DBINDEX("T N2")',
              'PRINT @DBOPEN(#2,"t.dbf");" ";@DBINDEX("T t");" ";@DBSEEK("D",1)',
              # #1 appends G with a memo, then stands on B
              "EVAL @DBSELECT(#1)", 'EVAL @DBSETFIELD("NAME","G")', 'EVAL @DBSETFIELD("N","70")',
              'ADDITEM "eins"', 'EVAL @ITEMSTOMEMO("NOTE")', 'PRINT @DBAPPEND();" ";@DBSEEK("B",1)',
              # #2 is still on D; it appends 0, which goes before everything
              "EVAL @DBSELECT(#2)", 'PRINT %{DBINFO163};" ";%{DBINFO160}',
              'EVAL @DBSETFIELD("NAME","0")', 'EVAL @DBSETFIELD("N","5")', "CLEARITEMS", 'ADDITEM "zwei"',
              'EVAL @ITEMSTOMEMO("NOTE")', 'PRINT @DBAPPEND();" ";@DBGOTO(">");@DBFIELD$("NAME")',
              # #1 goes on from B; then A (where #2 stands) becomes Z
              "EVAL @DBSELECT(#1)", 'PRINT %{DBINFO160};" ";@DBGOTO(">");@DBFIELD$("NAME")',
              "EVAL @DBGOTO(4)", 'EVAL @DBSETFIELD("NAME","Z")', "PRINT @DBWRITE(0)",
              "EVAL @DBSELECT(#2)", 'PRINT @DBGOTO(">");@DBFIELD$("NAME")', 'PRINT @DBGOTO("<");@DBFIELD$("NAME")',
              # each slot's memo in blocks of its own
              "EVAL @DBGOTO(7)", 'EVAL @MEMOTOITEMS("NOTE")', "PRINT @ITEM$(0)",
              "EVAL @DBGOTO(8)", 'EVAL @MEMOTOITEMS("NOTE")', "PRINT @ITEM$(0)",
              # #1 deletes F, #2 packs
              "EVAL @DBSELECT(#1)", "EVAL @DBGOTO(1)", "EVAL @DBDELETE()",
              "EVAL @DBSELECT(#2)", 'PRINT @DBPACK();" ";%{DBINFO163}',
              "EVAL @DBSELECT(#1)", 'PRINT %{DBINFO163};" ";%{DBINFO160};" ";@DBSEEK("G",1);" ";@DBGOTO(">");@DBFIELD$("NAME")',
              'EVAL @DBSETFIELD("NAME","H")', 'EVAL @DBSETFIELD("N","80")', "PRINT @DBAPPEND()", "EVAL @DBCLOSE(#1)",
              "EVAL @DBSELECT(#2)", 'EVAL @DBINDEX("T N2")', 'EVAL @DBSETFIELD("NAME","I")', 'EVAL @DBSETFIELD("N","90")',
              "PRINT @DBAPPEND()", "EVAL @DBCLOSE(#2)"]

    def prepare(work):
        write(work, "S.TXT", b"NAME;C;4\r\nN;N;4;0\r\nNOTE;M\r\n")

    final = [("B", 20), ("D", 40), ("Z", 10), ("E", 50), ("C", 30), ("G", 70), ("0", 5), ("H", 80), ("I", 90)]
    memos = {"G": "eins\r\n", "0": "zwei\r\n"}

    def files(work):
        table = os.path.join(work, "T.DBF")
        problems = header_problems(table, len(final), 0x83)
        want = [[False, {"name": name.ljust(4), "n": float(n), "note": memos.get(name, "")}] for name, n in final]
        got = python_dump(table)
        if got != want:
            problems.append(f"python3-dbf read {got!r}")
        for index, key in (("T.NDX", lambda r: r[0]), ("N2.NDX", lambda r: r[1])):
            order = [k + 1 for k, _ in sorted(enumerate(final), key=lambda e: key(e[1]))]
            problems += index_problems(work, "T.DBF", index, order)
        return problems

    screen = ["6 1 3", "7 2", "3 7", "8 4A", "8 6C", "4", "2B", "80", "eins", "zwei", "7 1", "7 7 6 3Z", "8", "9"]
    return case("dbase_two_slots_on_one_table", "\n".join(lines), screen=screen, check=checks(files),
                prepare=prepare)


def cases():
    return [
        program_table_read_by_python(),
        python_tables_read_by_program(),
        indexes_read_by_xbase(),
        thousand_index_changes(),
        split_at_the_26th_key(),
        two_valued_index_of_40000(),
        memo_layout(),
        indexes_rebuilt_by_pack(),
        killed_after_appends(),
        two_slots_on_one_table(),
        end_of_session(),
        header_years_and_version(),
        damaged_files(),
        count_written("dbase_count_written_at_end", "", None, 0),
        count_written("dbase_count_written_after_runtime_error", "WEND without a loop",
                      [error("WHILE, WHILELOOP oder WHILENOT fehlt!", 5), exited(2)], 2),
        count_written("dbase_count_written_after_cancelled_warning", "EVAL @DBGOTO(7)",
                      [{"event": "box", "caption": "Schl\u00fcsselfeld nicht in Ordnung: Datensatz 7 nicht in der "
                        "Tabelle gefunden.", "text": "Zeile 5!", "type": 49, "answer": 2},
                       error("Programm abgebrochen!", 5), exited(2)], 2, answers=["2"]),
    ]
