"""Value cases whose expectations depend on today's date and the files of
the work folder: computed when the case runs."""
import datetime
import os
import re

from run_e2e import Case, WORK

MONTHS = ["Januar", "Februar ", "M\u00e4rz ", "April", "Mai", "Juni", "Juli", "August",
          "September", "Oktober", "November", "Dezember"]
WEEKDAYS = ["Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag", "Sonntag"]

DATES = """.header plain 7
PRINT @DATE$(0)
PRINT @DATE$(1)
PRINT @DATE$(2)
PRINT @DATE$(3)
PRINT @DATE$(4)
PRINT @DATE$(21)
PRINT @TIME$(0)
PRINT @TIME$(1)
END
"""

FILES = r""".header plain 7
DECLARE e$
PRINT @FILESIZE("data.txt");" ";@FILESIZE("sub\data.txt")
LET e$=@FINDFIRST$("*.txt")
PRINT e$
LET e$=@FINDNEXT$()
PRINT "[";e$;"]";${IOERROR}
PRINT @FINDFIRST$("s*");" ";@FINDFIRST$("nothing*");${IOERROR}
PRINT @LONGPATH$("SUB\DATA.TXT")
PRINT @LONGPATH$("sub\none\data.txt");" ";${IOERROR}
PRINT @GT(@DISKFREE("@"),0);@GT(@DISKSIZE("@"),0);@DISKFREE("1");" ";@LEN(@CURDIR$("@"))
PRINT @PARAM$(1);" ";@PARAM$(2);" ";%{PARAMCOUNT}
END
"""


def screen_lines(work):
    path = os.path.join(work, "screen.txt")
    if not os.path.exists(path):
        return None
    return open(path, encoding="latin-1").read().split("\n")


def date_forms(d):
    long_form = f"{d.day}. {MONTHS[d.month - 1]} {d.year}"
    return [d.strftime("%d.%m.%Y"), long_form, f"{WEEKDAYS[d.weekday()]}, der {long_form}",
            d.strftime("%Y%m%d"), ".dMy", d.strftime("%d.%m.%Y")]


def check_dates(work):
    lines = screen_lines(work)
    if lines is None:
        return "no screen dump"
    today = datetime.date.today()
    choices = [date_forms(today), date_forms(today - datetime.timedelta(days=1))]
    if lines[:6] not in choices:
        return f"date texts {lines[:6]!r}, expected {choices[0]!r}"
    if not re.fullmatch(r"\d\d:\d\d", lines[6]) or not re.fullmatch(r"\d\d\.\d\d", lines[7]):
        return f"time texts {lines[6:8]!r}"
    return None


def write_listing(name, text):
    os.makedirs(WORK, exist_ok=True)
    path = os.path.join(WORK, name + ".tvl")
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    return path


def prepare_files(work):
    os.makedirs(os.path.join(work, "sub"))
    with open(os.path.join(work, "data.txt"), "wb") as f:
        f.write(b"12345")
    with open(os.path.join(work, "sub", "Data.txt"), "wb") as f:
        f.write(b"abc")


def check_files(work):
    lines = screen_lines(work)
    want = ["5 3", "data.txt", "[]18", "[sub] 18", "sub\\Data.txt", "sub 2", "11-1 " , "prog.tvc two 2"]
    if lines is None:
        return "no screen dump"
    # The current directory is a path of at least "X:\".
    got = lines[:8]
    if len(got) == 8 and re.fullmatch(r"11-1 \d+", got[6]) and int(got[6].split()[1]) >= 3:
        got[6] = "11-1 "
    if got != want:
        return f"screen {got!r}, expected {want!r}"
    return None


def cases():
    dates = Case("values_dates_today")
    dates.listing = write_listing("values_dates_today", DATES)
    dates.check = check_dates
    files = Case("values_files_and_drives")
    files.listing = write_listing("values_files_and_drives", FILES)
    files.prepare = prepare_files
    files.check = check_files
    files.args = ["prog.tvc", "two"]
    return [dates, files]
