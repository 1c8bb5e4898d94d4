"""SQL statements against a real driver: Wine's odbc32 hands them to the
Linux driver manager (unixODBC), which loads the SQLite ODBC driver
(libsqliteodbc). Each case gets its own odbcinst.ini, odbc.ini and SQLite
database in its work folder; Python's sqlite3 makes the database and reads
back what the program changed."""
import glob
import os
import sqlite3

from run_e2e import WORK, listing_case

HERE = os.path.dirname(os.path.abspath(__file__))
LISTINGS = os.path.join(WORK, "_odbc_listings")
DSN = "TOLVENTEST"


def driver_library():
    found = sorted(glob.glob("/usr/lib/*/odbc/libsqlite3odbc.so")) + sorted(glob.glob("/usr/lib/odbc/libsqlite3odbc.so"))
    return found[0] if found else "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so"


def database(work):
    return os.path.join(work, "firma.db")


def make_database(work, statements):
    con = sqlite3.connect(database(work))
    with con:
        for s in statements:
            if isinstance(s, tuple):
                con.executemany(*s)
            else:
                con.execute(s)
    con.close()
    with open(os.path.join(work, "odbcinst.ini"), "w") as f:
        f.write(f"[SQLite3]\nDescription=SQLite 3\nDriver={driver_library()}\n")
    with open(os.path.join(work, "odbc.ini"), "w") as f:
        f.write(f"[{DSN}]\nDriver=SQLite3\nDatabase={database(work)}\n")


def rows(work, sql):
    con = sqlite3.connect(database(work))
    try:
        return con.execute(sql).fetchall()
    finally:
        con.close()


def case(name, listing, statements, screen=None, transcript=None, files=(), check=None, exit_code=0,
         env=None, timeout=None):
    """A listing run against a fresh database; {db} in the listing is the
    database's path."""
    work = os.path.join(WORK, name)
    c = listing_case(name, listing.replace("{db}", database(work)), LISTINGS, screen=screen,
                     transcript=transcript, files=list(files), exit=exit_code)
    c.prepare = lambda w: make_database(w, statements)
    c.env = {"ODBCSYSINI": work, "ODBCINI": os.path.join(work, "odbc.ini")}
    c.env.update(env or {})
    if timeout:
        c.timeout = timeout
    if check:
        def run(w):
            try:
                return check(w)
            except Exception as e:  # noqa: BLE001 - a failing check is a failed case
                return f"check: {e}"
        c.check = run
    return c


def box(caption, text, type_, answer=1):
    return {"event": "box", "caption": caption, "text": text, "type": type_, "answer": answer}


def exited(code=0):
    return {"event": "exit", "code": code}


NOTE = "Lieferung nur werktags " * 12
CUSTOMERS = [
    "CREATE TABLE kunden (nr INTEGER PRIMARY KEY, name VARCHAR(12), ort TEXT, umsatz NUMERIC(8,2),"
    " seit DATE, aktiv SMALLINT, bemerkung TEXT)",
    ("INSERT INTO kunden VALUES (?,?,?,?,?,?,?)", [
        (1, "Maier", "Berlin", 1200.5, "2019-03-01", 1, ""),
        (2, "Schulz", None, 80, "2021-11-30", 0, None),
        (3, "Brandenburger", "Frankfurt am Main", -7.25, None, 1, NOTE),
        (4, "Abel", "Ulm", None, "2000-02-29", 1, "kurz"),
    ]),
]


def expect_rows(sql, want):
    def check(work):
        have = rows(work, sql)
        return None if have == want else f"{sql}: {have}, expected {want}"
    return check


def all_of(*checks):
    def check(work):
        problems = [p for p in (c(work) for c in checks) if p]
        return "\n  ".join(problems) if problems else None
    return check


def cases():
    screen = case("odbc_screen", r"""
; A data source named in odbc.ini; results, changes and failures on the
; text screen.
DECLARE ok%,none%
~LET none%=@SQLCONNECT("DSN=GIBTESNICHT")
~LET ok%=@SQLCONNECT("")
PRINT "unbekannt ";none%;", leer ";ok%
~LET ok%=@SQLCONNECT("DSN=TOLVENTEST")
PRINT "verbunden ";ok%
SQLEXEC "SELECT nr, name, ort FROM kunden ORDER BY nr",0
PRINT "Zeilen ";&{SQLROWS}
SQLSEPARATOR ""
SQLNULL "(nichts)"
SQLEXEC "SELECT name, umsatz, seit FROM kunden WHERE nr IN (2,4) ORDER BY nr",0
SQLSEPARATOR "!"
SQLEXEC "UPDATE kunden SET aktiv = 2 WHERE aktiv = 1",0
PRINT "Zeilen ";&{SQLROWS}
SQLEXEC "UPDATE kunden SET aktiv = 9 WHERE nr > 100",0
PRINT "Zeilen ";&{SQLROWS}
SQLEXEC "SELECT nr AS nummer FROM kunden WHERE nr > 100",0
PRINT "Zeilen ";&{SQLROWS}
SQLEXEC "SELECT * FROM lieferanten",0
PRINT "Zeilen ";&{SQLROWS}
SQLEXEC "CREATE TABLE notizen (text VARCHAR(40))",0
SQLEXEC "INSERT INTO notizen VALUES ('vom Programm')",1
PRINT "Zeilen ";&{SQLROWS}
SQLDISCONNECT
ERRORMODE -1
SQLEXEC "SELECT 1",0
PRINT "Fehler ";&{ERRORNUMBER}
SQLDISCONNECT
PRINT "Fehler ";&{ERRORNUMBER}
""", CUSTOMERS,
        screen=[
            "unbekannt 0, leer 0",
            "verbunden 1",
            "nr         |name         |ort                                               |",
            "-" * 77,
            "1          |Maier        |Berlin                                            |",
            "2          |Schulz       |NULL                                              |",
            "3          |Brandenburger|Frankfurt am Main                                 |",
            "4          |Abel         |Ulm                                               |",
            "",
            "Zeilen 4",
            "name         umsatz                seit",
            "-" * 49,
            "Schulz       80                    2021-11-30",
            "Abel         (nichts)              2000-02-29",
            "",
            "3 S\xe4tze bearbeitet!",
            "",
            "Zeilen 3",
            "Operation erfolgreich!",
            "",
            "Zeilen 0",
            "nummer     !",
            "------------",
            "",
            "Zeilen 0",
            "Zeilen -1",
            "Operation erfolgreich!",
            "",
            "Zeilen 1",
            "Fehler 500",
            "Fehler 500",
        ],
        transcript=[box("ODBC-Fehler", "no such table: lieferanten (1)", 16), exited()],
        check=all_of(expect_rows("SELECT nr, aktiv FROM kunden ORDER BY nr", [(1, 2), (2, 0), (3, 2), (4, 2)]),
                     expect_rows("SELECT * FROM notizen", [("vom Programm",)])))

    result_file = case("odbc_result_file", r"""
; A connection string without data source; results into SQL.DAT with the
; separator, quote character and NULL text; changes; a new connection
; replacing the first; a result file that cannot be made.
DECLARE ok%
~LET ok%=@SQLCONNECT("DRIVER={{SQLite3};Database={db}")
ASSIGN #1,"ZAEHLER.TXT"
REWRITE #1
PRINT #1,"verbunden ";ok%
SQLEXEC "SELECT nr, name, ort FROM kunden ORDER BY nr",2
PRINT #1,&{SQLROWS}
ASSIGN #2,"SQL.DAT"
RENAME #2,"EINFACH.DAT"
~SQLSEPARATOR ";"+@CHR$(34)
SQLNULL ""
SQLEXEC "SELECT nr, name, umsatz, bemerkung FROM kunden ORDER BY nr",2
PRINT #1,&{SQLROWS}
ASSIGN #2,"SQL.DAT"
RENAME #2,"QUOTED.DAT"
SQLSEPARATOR ""
SQLEXEC "SELECT name FROM kunden WHERE nr > 100",2
PRINT #1,&{SQLROWS}
ASSIGN #2,"SQL.DAT"
RENAME #2,"LEER.DAT"
~LET ok%=@SQLCONNECT("DSN=TOLVENTEST")
PRINT #1,"wieder ";ok%
SQLEXEC "INSERT INTO kunden (nr, name, ort) VALUES (5, 'Neu', 'Kiel')",2
PRINT #1,&{SQLROWS}
SQLEXEC "DELETE FROM kunden WHERE nr < 3",2
PRINT #1,&{SQLROWS}
SQLEXEC "SELECT abs(x) AS a FROM (SELECT 1 AS x UNION ALL SELECT -9223372036854775808)",2
PRINT #1,&{SQLROWS}
CLOSE #1
MKDIR "SQL.DAT"
SQLEXEC "SELECT nr FROM kunden",2
PRINT "nicht erreicht"
""", CUSTOMERS,
        transcript=[box("ODBC-Fehler", "integer overflow (1)", 16),
                    box("Ergebnisdatei kann nicht ge\xf6ffnet werden!", "Zeile 31!", 16), exited(2)],
        exit_code=2,
        files=[
            ("ZAEHLER.TXT", b"verbunden 1\r\n4\r\n4\r\n0\r\nwieder 1\r\n1\r\n2\r\n-1\r\n"),
            ("EINFACH.DAT", b"nr|name|ort|\r\n1|Maier|Berlin|\r\n2|Schulz|NULL|\r\n"
                            b"3|Brandenburger|Frankfurt am Main|\r\n4|Abel|Ulm|\r\n"),
            ("QUOTED.DAT", b'"nr";"name";"umsatz";"bemerkung";\r\n"1";"Maier";"1200.5";"";\r\n'
                           b'"2";"Schulz";"80";"";\r\n"3";"Brandenburger";"-7.25";"' + NOTE.encode() +
                           b'";\r\n"4";"Abel";"";"kurz";\r\n'),
            ("LEER.DAT", b"name\r\n"),
        ],
        check=expect_rows("SELECT nr, name FROM kunden ORDER BY nr",
                          [(3, "Brandenburger"), (4, "Abel"), (5, "Neu")]))

    numbers = [
        "CREATE TABLE zahlen (n INTEGER)",
        ("INSERT INTO zahlen VALUES (?)", [(k,) for k in range(1, 40001)]),
        "CREATE TABLE arten (klein TINYINT, bit_lang BIT, gross BIGINT, zeit TIME, stempel TIMESTAMP,"
        " roh VARBINARY(3))",
        "INSERT INTO arten VALUES (7, 1, 9007199254740993, '12:30:00', '2020-01-02 03:04:05', 'abc')",
    ] + CUSTOMERS
    item_list = case("odbc_item_list", r"""
; Results appended to the item list, read back entry by entry; a result
; larger than the list fills it, warns once and still counts every row.
~LET ok%=@SQLCONNECT("DSN=TOLVENTEST")
ADDITEM "vorher"
SQLEXEC "SELECT nr, name FROM kunden ORDER BY nr",1
ASSIGN #1,"ITEMS.TXT"
REWRITE #1
PRINT #1,@JOINITEMS$("{x0D}{x0A}")
PRINT #1,&{SQLROWS}
CLEARITEMS
SQLEXEC "SELECT n FROM zahlen ORDER BY n",1
PRINT #1,&{SQLROWS}
PRINT #1,@ITEM$(0)
PRINT #1,@ITEM$(2)
PRINT #1,@ITEM$(32767)
CLEARITEMS
SQLEXEC "SELECT * FROM arten",1
PRINT #1,@JOINITEMS$("{x0D}{x0A}")
CLOSE #1
SQLEXEC "SELECT n FROM zahlen WHERE n > 38000 ORDER BY n",0
PRINT &{SQLROWS}
SQLDISCONNECT
""".replace("~LET ok%", "DECLARE ok%\n~LET ok%"), numbers,
        transcript=[box("Zu gro\xdfe Ergebnismenge!", "Zeile 10!", 49), exited()],
        files=[("ITEMS.TXT", b"vorher\r\nnr         |name         |\r\n" + b"-" * 26 + b"\r\n"
                             b"1          |Maier        |\r\n2          |Schulz       |\r\n"
                             b"3          |Brandenburger|\r\n4          |Abel         |\r\n\r\n"
                             b"4\r\n40000\r\nn          |\r\n1          |\r\n32766      |\r\n"
                             b"klein|bit_lang|gross               |zeit    |stempel                |roh   |\r\n" +
                             b"-" * 76 + b"\r\n"
                             b"7    |1       |9007199254740993    |12:30:00|2020-01-02 03:04:05    |abc   |\r\n\r\n")],
        # The screen took two thousand rows one by one and shows the last.
        screen=[f"{n:<11}|" for n in range(39972, 40001)] + ["", "2000"],
        timeout=60)
    return [screen, result_file, item_list]
