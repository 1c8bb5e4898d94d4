"""Value cases whose expectations depend on today's date, the files of the
work folder, the machine or the Windows settings: computed when the case
runs."""
import calendar
import datetime
import os
import re
import subprocess

from run_e2e import Case, WORK
from wine_env import REGISTRY, WINE, WineEnv

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

# The system variables of the machine and of the main window, and the rows
# whose modules do not set them yet: each reads its start value.
SYSTEM = """.header plain 7
DECLARE f!
GOTO "main"
COUNT:
PROC
PRINT %{ARGCOUNT};
ENDPROC
REM main:
PRINT ${WINDIR}
PRINT ${SYSDIR}
PRINT ${WINVERSION};" ";${DOSVERSION}
PRINT %{SCREENWIDTH};" ";%{SCREENHEIGHT};" ";%{COLORDEPTH}
PRINT @GT(%{MAINWINDOW},0);@NE(%{DESKTOP},0);@GT(&{TICKS},0);@NE(&{WNDPROC1},0);@NE(&{WNDPROC2},0);@NE(&{WNDPROC3},0);@NE(&{WNDPROC4},0);@NE(%{DRAWDC},0);@NE(%{DRAWDC2},0);@NE(%{CURRENTDC},0);@NE(%{INSTANCE},0);@NE(%{FOCUS},0)
PRINT %{CURSORROW};" ";%{CURSORCOLUMN};" ";@EQ(%{PROGRAMEND},@FILESIZE(@PARAM$(1)))
PRINT %{WINDOWLEFT};" ";%{WINDOWTOP};" ";%{WINDOWRIGHT};" ";%{WINDOWBOTTOM}
PRINT @IIF(%{MSGWAITING},@EQ(%{MSGNUMBER},%{LASTMESSAGE}),1)
CALL {:COUNT}1,2,3
CALL {:COUNT}
PRINT %{ARGCOUNT}
PRINT %{DIALOGRESULT};%{LISTINDEX};%{MOUSEX};%{MOUSEY};&{MCIERROR};%{KEYSTATE};%{BMPWIDTH};%{BMPHEIGHT};&{PALETTESIZE};%{LASTFONT};&{MSG996}
PRINT %{EVENTCODE};%{EVENTSOURCE};%{USERMESSAGE};&{USERLPARAM};&{USERWPARAM};&{VALUE73};&{RTFLOADPROC};&{RTFSAVEPROC};&{TXTLOADPROC};&{TXTSAVEPROC};%{NONE230}
PRINT %{ZERO203};%{ZERO204};%{ZERO205};%{ZERO206};&{DBINFO160};%{DBINFO161};%{DBINFO164};&{SQLROWS};"[";${LASTINPUT};${LASTFILE};${DBINFO165};${DBFIELDNAME};"]"
CREATEFONT "Arial",20,0,0,0,0
PRINT @NE(%{LASTFONT},0)
INPUT f!
PRINT !{INPUTFLOAT};" ";%{INPUTFLOAT};" ";f!
END
"""

SYSTEM_WANT = [r"C:\\windows", r"C:\\windows\\system32", r"\d+\.\d+ \d+\.\d+", r"1280 1024 (24|32)",
               "111111111111", r"6 3 1", r"-?\d+ -?\d+ \d+ \d+", "1", "300", "00000000000",
               r"000000(?:[1-9]\d{5,9}){4}0", r"00000000\[\]", "1", r"2.5", r"2.500000 0 2.500000"]


def check_system(work):
    lines = screen_lines(work)
    if lines is None:
        return "no screen dump"
    for k, pattern in enumerate(SYSTEM_WANT):
        if k >= len(lines) or not re.fullmatch(pattern, lines[k], re.IGNORECASE):
            return f"line {k + 1} {lines[k] if k < len(lines) else None!r} does not match {pattern!r}"
    edges = [int(v) for v in lines[6].split()]
    if not (edges[0] < edges[2] and edges[1] < edges[3]):
        return f"window edges {lines[6]!r}"
    return None


# The dates of a file: the last-write time set before the run, read by
# name and through a file number.
FILE_DATES = """.header plain 7
ASSIGN #3,"old.txt"
PRINT @FILEDATE$("old.txt");" ";@FILETIME$("old.txt")
PRINT @FILEDATE$(3);" ";@FILETIME$(3)
END
"""


def prepare_file_dates(work):
    path = os.path.join(work, "old.txt")
    with open(path, "wb") as f:
        f.write(b"x")
    t = calendar.timegm((2000, 2, 29, 23, 59, 58)) * 10**9 + 250 * 10**6
    os.utime(path, ns=(t, t))


# The date order, the decimal and the thousands characters come from the
# Windows profile section "intl", which Wine keeps in the registry: changed
# for one run, then set back.
INTL_KEY = r"HKCU\Control Panel\International"
INTL_ORDER = """.header plain 7
PRINT @DATE$(4);" ";@DATE$(0);" ";@DATE$(1)
PRINT @FORMAT$("#,##0.00",1234.5)
END
"""


def set_intl(values):
    env = WineEnv(fresh=False).env
    for name, value in values.items():
        subprocess.run([WINE, "reg", "add", INTL_KEY, "/v", name, "/d", value, "/f"], env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60, check=True)


def standard_intl():
    return {k: re.search(rf'"{k}"="([^"]*)"', REGISTRY).group(1) for k in ("sDate", "sShortDate", "sDecimal", "sThousand")}


def check_intl(work):
    set_intl(standard_intl())
    lines = screen_lines(work)
    want = ["/Mdy 02/29/2000 29. Februar  2000", "1'234_50"]
    if lines is None or lines[:2] != want:
        return f"screen {lines[:2] if lines else None!r}, expected {want!r}"
    return None


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
    system = Case("values_system_variables")
    system.listing = write_listing("values_system_variables", SYSTEM)
    system.check = check_system
    system.keys = "2.5{Enter}"
    file_dates = Case("values_file_dates")
    file_dates.listing = write_listing("values_file_dates", FILE_DATES)
    file_dates.prepare = prepare_file_dates
    file_dates.env = {"TZ": "UTC"}
    file_dates.screen = ["20000229 23:59:58:250", "20000229 23:59:58:250"]
    intl = Case("values_date_order_from_profile")
    intl.listing = write_listing("values_date_order_from_profile", INTL_ORDER)
    intl.prepare = lambda work: set_intl({"sDate": "/", "sShortDate": "M/d/yy",
                                                "sDecimal": "_", "sThousand": "'"})
    intl.check = check_intl
    intl.env = {"LD_PRELOAD": "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1",
                "FAKETIME": "2000-02-29 10:11:12", "FAKETIME_DONT_FAKE_MONOTONIC": "1", "TZ": "UTC"}
    return [dates, files, system, file_dates, intl]
