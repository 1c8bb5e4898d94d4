"""File cases that need what a listing cannot set up: last-write times."""
import os
import time

from run_e2e import Case, WORK

STAMPS = r""".header plain 7
ASSIGN #1,"T.TXT"
ASSIGN #2,"OUT.TXT"
REWRITE #2
PRINT #2,@FILEDATE$(1);"|";@FILETIME$(#1);"|";@FILEDATE$("t.txt");"|";@FILETIME$("T.TXT")
PRINT #2,@FILEDATE$("D");"|";@FILETIME$("D\")
CLOSE #2
END
"""


def set_local_time(path, year, month, day, hour, minute, second, millisecond):
    seconds = time.mktime((year, month, day, hour, minute, second, 0, 0, -1))
    ns = int(seconds) * 1_000_000_000 + millisecond * 1_000_000
    os.utime(path, ns=(ns, ns))


def prepare_stamps(work):
    with open(os.path.join(work, "T.TXT"), "wb") as f:
        f.write(b"x")
    set_local_time(os.path.join(work, "T.TXT"), 2021, 3, 4, 5, 6, 7, 250)
    os.makedirs(os.path.join(work, "D"))
    set_local_time(os.path.join(work, "D"), 1999, 12, 31, 23, 59, 58, 5)


def cases():
    os.makedirs(WORK, exist_ok=True)
    path = os.path.join(WORK, "file_date_and_time.tvl")
    with open(path, "w", encoding="utf-8") as f:
        f.write(STAMPS)
    stamps = Case("file_date_and_time")
    stamps.listing = path
    stamps.prepare = prepare_stamps
    stamps.files = [("OUT.TXT", b"20210304|05:06:07:250|20210304|05:06:07:250\r\n19991231|23:59:58:05\r\n")]
    return [stamps]
