"""Printing to a real printer. Each case starts its own CUPS server (cupsd -f
with a configuration, socket and spool of its own, stopped again by its
PID) with a cups-pdf queue as the default printer. Wine asks CUPS for its
printers whenever a program starts (CUPS_SERVER names the socket), so the
runtime finds the queue as the profile's "device" entry, and without a
reachable server it finds none. The pages arrive as PDF files, which
poppler-utils read back: pdfinfo for pages and size, pdftotext for text,
pdftoppm for pixels."""
import atexit
import hashlib
import os
import re
import shutil
import struct
import subprocess
import tempfile
import time

from run_e2e import WORK, listing_case

PPD = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"
TOOLS = ["cupsd", "lpadmin", "lpstat", "pdfinfo", "pdftotext", "pdftoppm"]
LISTINGS = os.path.join(WORK, "_printing_listings")
# One queue name per work folder: cups-pdf reads the settings of queue Q
# only from /etc/cups/cups-pdf-Q.conf, and runs beside each other must not
# share that file.
QUEUE = "tolv" + hashlib.md5(WORK.encode()).hexdigest()[:8]
# The page of the program: 640 x 960 units on 7 1/3 x 11 inches.
UNITS_PER_INCH = 640 / (22 / 3)


class Cups:
    """A CUPS server of its own in `folder`, whose default queue writes PDFs to folder/pdf."""
    running = []

    def __init__(self, folder):
        self.folder = folder
        self.socket = os.path.join(folder, "cups.sock")
        if len(self.socket) > 100:  # beyond what a Unix socket's name may hold
            self.socket = os.path.join(tempfile.mkdtemp(prefix="tolvcups"), "cups.sock")
        self.pdf = os.path.join(folder, "pdf")
        self.conf = f"/etc/cups/cups-pdf-{QUEUE}.conf"
        self.proc = None

    def start(self):
        for d in ("root", "spool", "cache", "state", "log", "pdf"):
            os.makedirs(os.path.join(self.folder, d), exist_ok=True)
        # The filters run as the CUPS user: they must reach the spool.
        for d, _, _ in os.walk(self.folder):
            os.chmod(d, 0o755)
        p = self.folder
        with open(os.path.join(p, "root", "cups-files.conf"), "w") as f:
            f.write(f"ServerRoot {p}/root\nRequestRoot {p}/spool\nCacheDir {p}/cache\n"
                    f"StateDir {p}/state\nTempDir {p}/spool\nAccessLog {p}/log/access_log\n"
                    f"ErrorLog {p}/log/error_log\nPageLog {p}/log/page_log\nSystemGroup root\n")
        with open(os.path.join(p, "root", "cupsd.conf"), "w") as f:
            f.write(f"Listen {self.socket}\nLogLevel info\nBrowsing No\nWebInterface No\n"
                    "IdleExitTimeout 0\n<Location />\n  Order allow,deny\n  Allow all\n</Location>\n")
        with open(self.conf, "w") as f:
            f.write(f"Out {self.pdf}\nLabel 1\n")
        self.proc = subprocess.Popen(["cupsd", "-f", "-c", os.path.join(p, "root", "cupsd.conf"),
                                      "-s", os.path.join(p, "root", "cups-files.conf")],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        Cups.running.append(self)
        deadline = time.monotonic() + 15
        while not os.path.exists(self.socket):
            if time.monotonic() > deadline or self.proc.poll() is not None:
                raise RuntimeError("cupsd did not start")
            time.sleep(0.05)
        self.lp(["lpadmin", "-p", QUEUE, "-v", f"cups-pdf:/{QUEUE}", "-P", PPD, "-E"])
        self.lp(["lpadmin", "-d", QUEUE])

    def lp(self, argv):
        return subprocess.run(argv, env=dict(os.environ, CUPS_SERVER=self.socket), check=True,
                              capture_output=True, text=True, timeout=30).stdout

    def finish(self, timeout=60):
        """Waits until every job is printed, then stops the server."""
        deadline = time.monotonic() + timeout
        while self.lp(["lpstat", "-o"]).strip() and time.monotonic() < deadline:
            time.sleep(0.2)
        self.stop()

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.proc = None
        if os.path.exists(self.conf):
            os.remove(self.conf)

    def documents(self):
        """The PDFs in the order they were printed (cups-pdf puts the job number in the name)."""
        names = [n for n in os.listdir(self.pdf) if n.endswith(".pdf")]
        return [os.path.join(self.pdf, n) for n in
                sorted(names, key=lambda n: int((re.search(r"job_(\d+)", n) or re.search(r"(\d+)", n)).group(1)))]


@atexit.register
def _stop_servers():
    for c in Cups.running:
        c.stop()


def pdf_info(pdf):
    out = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True).stdout
    return dict(line.split(":", 1) for line in out.splitlines() if ":" in line)


def page_text(pdf, page):
    return subprocess.run(["pdftotext", "-f", str(page), "-l", str(page), "-layout", pdf, "-"],
                          capture_output=True, text=True).stdout


def words(pdf, page):
    """Words of a page with their boxes in points: {word: (x0, y0, x1, y1)}."""
    out = subprocess.run(["pdftotext", "-f", str(page), "-l", str(page), "-bbox", pdf, "-"],
                         capture_output=True, text=True).stdout
    found = {}
    for m in re.finditer(r'<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>', out):
        found[m.group(5)] = tuple(float(v) for v in m.groups()[:4])
    return found


class Picture:
    """A page rendered at `dpi` without smoothing; at() takes the program's page units."""

    def __init__(self, pdf, page, dpi=60):
        data = subprocess.run(["pdftoppm", "-f", str(page), "-l", str(page), "-r", str(dpi), "-aa", "no",
                               "-aaVector", "no", "-singlefile", pdf], capture_output=True).stdout
        m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", data)
        self.w, self.h = int(m.group(1)), int(m.group(2))
        self.rows = data[m.end():]
        self.scale = dpi / UNITS_PER_INCH

    def px(self, x, y):
        o = (y * self.w + x) * 3
        r, g, b = self.rows[o:o + 3]
        return (r << 16) | (g << 8) | b

    def at(self, u, v):
        return self.px(int(u * self.scale), int(v * self.scale))

    def has(self, rgb, u0, v0, u1, v1):
        """Whether some pixel between the units u0, v0 and u1, v1 has that colour."""
        return any(self.px(x, y) == rgb
                   for y in range(int(v0 * self.scale), int(v1 * self.scale) + 1)
                   for x in range(int(u0 * self.scale), int(u1 * self.scale) + 1))

    def ink(self, x0, y0, x1, y1):
        """The box (in pixels) of everything not white inside the pixel box x0..x1, y0..y1."""
        xs, ys = [], []
        for y in range(max(y0, 0), min(y1, self.h)):
            for x in range(max(x0, 0), min(x1, self.w)):
                if self.px(x, y) != 0xFFFFFF:
                    xs.append(x)
                    ys.append(y)
        return (min(xs), min(ys), max(xs), max(ys)) if xs else None


def quadrants_bmp(path, n=2):
    """An n x n 24-bit BMP in quadrants: red, green (top), blue, yellow (bottom)."""
    half = n // 2
    pad = b"\0" * ((4 - n * 3 % 4) % 4)
    bottom = (bytes([255, 0, 0]) * half + bytes([0, 255, 255]) * half + pad) * half   # BGR
    top = (bytes([0, 0, 255]) * half + bytes([0, 255, 0]) * half + pad) * half
    pixels = bottom + top
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, n, n, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def box(caption, text="Zeile {}!", type_=16, answer=1):
    return {"event": "box", "caption": caption, "text": text, "type": type_, "answer": answer}


def exited(code=0):
    return {"event": "exit", "code": code}


def case(name, listing, check=None, printer=True, transcript=None, exit_code=0, screen=None,
         keys=None, pixels=(), setup=None, files=(), absent=(), somewhere=()):
    """A listing printed on a fresh CUPS server (printer=False: none to
    reach); `check(documents, work)` gets the PDFs in the order printed."""
    c = listing_case(name, listing, LISTINGS, end=False, exit=exit_code, transcript=transcript,
                     screen=screen, keys=keys, pixels=[("screen.bmp", x, y, rgb) for x, y, rgb in pixels],
                     timeout=40, files=list(files), absent=list(absent), somewhere=list(somewhere))
    return with_printer(c, check, printer=printer, setup=setup)


def with_printer(c, check, printer=True, setup=None):
    """Runs case c on a fresh CUPS server (printer=False: none to reach);
    `check(documents, work)` gets the PDFs in the order printed."""
    cups = {}

    def prepare(work):
        if setup:
            setup(work)
        if not printer:
            c.env["CUPS_SERVER"] = os.path.join(work, "nothing.sock")
            return
        server = cups["server"] = Cups(os.path.join(work, "cups"))
        c.env["CUPS_SERVER"] = server.socket
        try:
            server.start()
        except (OSError, RuntimeError, subprocess.SubprocessError) as e:
            # The case fails with the reason; the run goes on.
            cups["failed"] = f"no printer: {e.__class__.__name__}: {e}"

    def run_check(work):
        server = cups.pop("server", None)
        if "failed" in cups:
            if server:
                server.stop()
            return cups.pop("failed")
        try:
            if server:
                server.finish()
            if check:
                return check(server.documents() if server else [], work)
        except Exception as e:  # noqa: BLE001 - a failing check is a failed case
            return f"check: {e.__class__.__name__}: {e}"
        finally:
            if server:
                server.stop()
        return None

    c.prepare = prepare
    c.check = run_check
    return c


def problems_of(*found):
    found = [p for p in found if p]
    return "\n  ".join(found) if found else None


def expect(condition, text):
    return None if condition else text


def quadrants(picture, u, v, size):
    """The four colours of the quadrant bitmap drawn at u, v in size x size units."""
    q = size // 4
    points = [(u + q, v + q), (u + 3 * q, v + q), (u + q, v + 3 * q), (u + 3 * q, v + 3 * q)]
    have = [picture.at(x, y) for x, y in points]
    return expect(have == [0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00],
                  f"bitmap at {u},{v}: " + " ".join("%06X" % c for c in have))


def two_pages(documents, work):
    """Text, a font, lines, a rectangle and a bitmap on two pages."""
    if len(documents) != 1:
        return f"{len(documents)} documents printed, expected 1"
    pdf = documents[0]
    info = pdf_info(pdf)
    first, second = words(pdf, 1), words(pdf, 2)
    p1, p2 = Picture(pdf, 1), Picture(pdf, 2)
    big = first.get("Gesamtsumme", (0, 0, 0, 0))
    small = first.get("4711", (0, 0, 0, 0))
    ink = p2.ink(0, 0, int(150 * p2.scale), int(150 * p2.scale))
    return problems_of(
        expect(info.get("Pages", "").strip() == "2", f"pages: {info.get('Pages')}"),
        expect(info.get("Title", "").strip() == "Rechnung", f"title: {info.get('Title')}"),
        expect("A4" in info.get("Page size", ""), f"page size: {info.get('Page size')}"),
        expect("Rechnung Nr. 4711" in page_text(pdf, 1), "page 1 lacks its first line"),
        expect("Fortsetzung" in page_text(pdf, 2) and "Rechnung" not in page_text(pdf, 2),
               "page 2 text: " + page_text(pdf, 2).strip()),
        # Height 40 of the font is 400 printer units: 0.55 inches, 40 points.
        expect(25 < big[3] - big[1] < 45, f"the font's word is {big[3] - big[1]:.1f} points high"),
        expect(small[3] - small[1] < 15, "the first line is not in the printer's own small font"),
        # The font is selected again on the new page.
        expect("Fortsetzung" in second and abs((second["Fortsetzung"][3] - second["Fortsetzung"][1]) -
                                               (big[3] - big[1])) < 1, "page 2 lost the font"),
        # A red line 5 wide (50 printer units) across the page at 200.
        expect(p1.at(320, 200) == 0xFF0000 and p1.at(320, 198) == 0xFF0000 and p1.at(320, 196) != 0xFF0000,
               "line at 200: %06X %06X %06X" % (p1.at(320, 200), p1.at(320, 198), p1.at(320, 196))),
        # A green rectangle with a black border.
        expect(p1.at(200, 350) == 0x00FF00 and p1.has(0x000000, 98, 350, 102, 351) and p1.at(95, 350) == 0xFFFFFF,
               "rectangle: %06X %06X" % (p1.at(200, 350), p1.at(95, 350))),
        # The 2 x 2 bitmap stretched to 200 x 200 at 400,300, the 40 x 40
        # one in its own size at 500,600.
        quadrants(p1, 400, 300, 200), quadrants(p1, 500, 600, 40),
        # Page 2: a line from 0,0 to 64,96 spans one tenth of the page in
        # both directions; its text lies above it.
        expect(p2.at(32, 48) == 0x000000, "page 2 line middle: %06X" % p2.at(32, 48)),
        expect(ink is not None and abs(ink[2] - 64 * p2.scale) <= 2 and abs(ink[3] - 96 * p2.scale) <= 2,
               f"page 2 ink box {ink}, line end at {64 * p2.scale:.0f},{96 * p2.scale:.0f}"),
    )


# The statements refused while a job prints, each with arguments it would
# take otherwise.
REFUSED = [
    ("PRINT", 'PRINT "nicht auf dem Bildschirm"'), ("INPUT", "INPUT s$"), ("CLS", "CLS"),
    ("REPAINT", "REPAINT"), ("COLOR", "COLOR 1,2"), ("FONT", "FONT 1"), ("SCREEN", "SCREEN 100,100"),
    ("STARTPAINT", "STARTPAINT -1"), ("TBOX", "TBOX 1,1-3,10;1"), ("MCLS", "MCLS 10,10"),
    ("MLOADBMP", 'MLOADBMP "quad.bmp"'), ("MCOPYBMP", "MCOPYBMP 0,0-1,1>0,0;0"),
    ("MCOPYSIZEDBMP", "MCOPYSIZEDBMP 0,0-1,1>0,0-2,2;0"), ("COPYBMP", "COPYBMP 0,0-1,1>0,0;0"),
    ("COPYSIZEDBMP", "COPYSIZEDBMP 0,0-1,1>0,0-2,2;0"), ("COPYBMPTOMEM", "COPYBMPTOMEM 0,0-1,1>0,0"),
    ("SAVEBMP", 'SAVEBMP "nicht.bmp",0,0-10,10'), ("SAVEBMPTOCLIP", "SAVEBMPTOCLIP 0,0-10,10"),
    ("CLIPLOADBMP", "CLIPLOADBMP 0,0;0"), ("DRAWEXTBMP", 'DRAWEXTBMP 0,"X",0,0;0'),
    ("DRAWSIZEDEXTBMP", 'DRAWSIZEDEXTBMP 0,"X",0,0-5,5;0'), ("SCREENCOPY", "SCREENCOPY"),
    ("WINCOPY", "WINCOPY %{MAINWINDOW}"), ("STARTPRINT", 'STARTPRINT "Noch einer"'),
]


def refused_listing():
    lines = [
        "; Outside a job NEWPAGE and ENDPRINT fail with 120; in paint mode",
        "; STARTPRINT fails with 249 and prints nothing. While a job prints, every",
        "; statement the page cannot take fails with 221 and does nothing (the",
        "; text screen and the file system show none of them). The numbers go to a",
        "; file, since the screen is refused; at the end a box shows 120's text.",
        "DECLARE s$",
        'PRINT "Bildschirm"',
        'ASSIGN #1,"fehler.txt"',
        "REWRITE #1",
        "ERRORMODE -1",
        "NEWPAGE",
        'PRINT #1,"NEWPAGE ";&{ERRORNUMBER}',
        "ENDPRINT",
        'PRINT #1,"ENDPRINT ";&{ERRORNUMBER}',
        "STARTPAINT %{MAINWINDOW}",
        'STARTPRINT "Falsch"',
        'PRINT #1,"STARTPRINT ";&{ERRORNUMBER}',
        "ENDPAINT",
        "STARTPRINT",
        'TEXTXY 10,10,"Nur eine Seite"',
    ]
    for name, line in REFUSED:
        lines += [line, f'PRINT #1,"{name} ";&{{ERRORNUMBER}}']
    lines += ["ENDPRINT", 'PRINT #1,"ENDPRINT ";&{ERRORNUMBER}', "CLOSE #1", "ERRORMODE 0", "ENDPRINT"]
    return "\n".join(lines)


def program_lines(listing):
    return [l for l in listing.splitlines() if l.strip() and not l.startswith(";")]


def refused(documents, work):
    if len(documents) != 1:
        return f"{len(documents)} documents printed, expected 1"
    pdf = documents[0]
    info = pdf_info(pdf)
    return problems_of(
        expect(info.get("Title", "").strip() == "DruckSeite", f"title: {info.get('Title')}"),
        expect(info.get("Pages", "").strip() == "1", f"pages: {info.get('Pages')}"),
        expect(page_text(pdf, 1).split() == ["Nur", "eine", "Seite"], "page: " + page_text(pdf, 1).strip()))


def stopped_job(pages):
    """The pages printed before the program ended, each with its text."""
    def check(documents, work):
        if len(documents) != 1:
            return f"{len(documents)} documents printed, expected 1"
        pdf = documents[0]
        count = pdf_info(pdf).get("Pages", "").strip()
        return problems_of(
            expect(count == str(len(pages)), f"pages: {count}, expected {len(pages)}"),
            *[expect(text in page_text(pdf, k + 1), f"page {k + 1} lacks {text!r}: {page_text(pdf, k + 1).strip()!r}")
              for k, text in enumerate(pages)])
    return check


class Bmp:
    """The 24-bit bottom-up BMP the runtime writes of its screen."""

    def __init__(self, path):
        self.data = open(path, "rb").read()
        self.offset, = struct.unpack_from("<I", self.data, 10)
        self.w, self.h = struct.unpack_from("<ii", self.data, 18)
        self.stride = (self.w * 3 + 3) & ~3

    def px(self, x, y):
        o = self.offset + (self.h - 1 - y) * self.stride + x * 3
        b, g, r = self.data[o:o + 3]
        return (r << 16) | (g << 8) | b


def darkness(rgb):
    return 765 - sum((rgb >> s) & 255 for s in (0, 8, 16))


def near(box, want, slack):
    return box is not None and all(abs(a - b) <= slack for a, b in zip(box, want))


# At this resolution a page of SCREENCOPY shows a 640 pixel wide window
# pixel for pixel: its width goes onto 7 1/3 inches.
COPY_DPI = 300 * 640 / 2200


def hard_copies(documents, work):
    titles = [pdf_info(d).get("Title", "").strip() for d in documents]
    if titles != ["ScreenCopy", "ScreenCopy", "WindowCopy", "WindowCopy"]:
        return f"documents: {titles}"
    whole, part, main, tall = (Picture(d, 1, COPY_DPI) for d in documents)
    screen = Bmp(os.path.join(work, "screen.bmp"))
    # The text screen's two lines as the page shows them: the window's dark
    # pixels are dark on the page too, give or take one pixel of rounding
    # and some grey of the smoothed glyphs.
    text = [(x, y) for y in range(0, 30) for x in range(0, 200) if darkness(screen.px(x, y)) > 500]
    missed = [(x, y) for x, y in text
              if not any(darkness(whole.px(x + dx, y + dy)) > 250 for dx in (-1, 0, 1) for dy in (-1, 0, 1))]
    return problems_of(
        expect(len(text) > 200, f"only {len(text)} dark pixels of text in the window"),
        expect(len(missed) <= len(text) // 50, f"{len(missed)} of {len(text)} text pixels not on the page"),
        expect(whole.px(200, 200) == 0x0000FF and whole.px(500, 400) == 0xFFFFFF,
               "page: %06X %06X" % (whole.px(200, 200), whole.px(500, 400))),
        expect(near(part.ink(0, 0, part.w, part.h), (100, 100, 299, 199), 1),
               f"part printed at {part.ink(0, 0, part.w, part.h)}"),
        # The main window (640 x 480 with its frame) across the page's
        # width; the tall one (300 x 600) over its height, three quarters
        # of the width.
        expect(near(main.ink(0, 0, main.w, main.h), (0, 0, 639, 479), 2),
               f"main window printed at {main.ink(0, 0, main.w, main.h)}"),
        expect(near(tall.ink(0, 0, tall.w, tall.h), (0, 0, 479, 959), 2),
               f"tall window printed at {tall.ink(0, 0, tall.w, tall.h)}"),
    )


def cases():
    if not all(shutil.which(t) or os.path.exists(f"/usr/sbin/{t}") for t in TOOLS) or not os.path.exists(PPD):
        return []
    return [
        case("printing_two_pages", r"""
; A two-page document: text in the printer's font and in a font made while
; printing (40 high: ten times that on the page), a thick red line, a green
; rectangle, bitmap files stretched and in their own size (tenfold); the
; font is selected again on page 2.
; Before and after the job the window is the target; text output and
; drawing land there, not on the page.
PRINT "Vor dem Druck"
STARTPRINT "Rechnung"
TEXTXY 20,20,"Rechnung Nr. 4711"
CREATEFONT "Arial",40,0,1,0,0
TEXTXY 20,60,"Gesamtsumme"
PEN 0,5,31
LINE 0,200-640,200
PEN 0,2,0
BRUSH 1,992
RECTANGLE 100,300-300,400
DRAWSIZEDBMP "quad.bmp",400,300-200,200;0
DRAWBMP "quad40.bmp",500,600;0
NEWPAGE
TEXTXY 200,200,"Fortsetzung"
PEN 0,1,0
LINE 0,0-64,96
ENDPRINT
PRINT "Nach dem Druck"
PEN 0,1,31744
LINE 10,300-200,300
BRUSH 1,31
RECTANGLE 300,300-340,340
; The font made while printing (ten times as high) stays the custom font.
TEXTCOLOR 31744,-1
TEXTXY 10,340,"I"
END
""", two_pages, setup=lambda w: (quadrants_bmp(os.path.join(w, "quad.bmp")),
                                  quadrants_bmp(os.path.join(w, "quad40.bmp"), 40)),
             screen=["Vor dem Druck", "Nach dem Druck"],
             pixels=[(100, 300, 0x0000FF), (320, 320, 0xFF0000)], somewhere=[(10, 600, 120, 700, 0x0000FF)]),
        case("printing_refused", refused_listing(), refused,
             setup=lambda w: quadrants_bmp(os.path.join(w, "quad.bmp")),
             transcript=[box("STARTPRINT fehlt!", f"Zeile {len(program_lines(refused_listing()))}!"), exited(2)],
             exit_code=2, screen=["Bildschirm"], absent=["nicht.bmp"],
             files=[("fehler.txt", "".join(f"{n} {e}\r\n" for n, e in
                                           [("NEWPAGE", 120), ("ENDPRINT", 120), ("STARTPRINT", 249)] +
                                           [(n, 221) for n, _ in REFUSED] + [("ENDPRINT", 0)]).encode())]),
        case("printing_error_mid_job", r"""
; A runtime error on the third page ends the program: the pages printed so
; far arrive, the third as far as it got.
STARTPRINT "Liste"
TEXTXY 20,20,"Blatt eins"
NEWPAGE
TEXTXY 20,20,"Blatt zwei"
NEWPAGE
TEXTXY 20,20,"Blatt drei"
CLS
TEXTXY 20,40,"nie gedruckt"
""", stopped_job(["Blatt eins", "Blatt zwei", "Blatt drei"]), exit_code=2,
             transcript=[box("W\u00e4hrend der Druckausgabe verboten: CLS", "Zeile 7!"), exited(2)]),
        case("printing_end_statement", r"""
; END with a job open prints its pages.
STARTPRINT "Ende"
TEXTXY 20,20,"Erste Seite"
NEWPAGE
TEXTXY 20,20,"Zweite Seite"
END
TEXTXY 20,40,"nie gedruckt"
""", stopped_job(["Erste Seite", "Zweite Seite"])),
        case("printing_normal_end", r"""
; A program that runs off its last line with a job open prints its page.
STARTPRINT "Auslauf"
TEXTXY 20,20,"Letzte Zeile erreicht"
""", stopped_job(["Letzte Zeile erreicht"])),
        case("printing_ctrl_c", r"""
; Ctrl-C while a job waits for a key ends the program; the page is printed.
DECLARE k$
STARTPRINT "Abbruch"
TEXTXY 20,20,"Vor dem Abbruch"
LET k$=@WAITKEY$()
TEXTXY 20,40,"nie gedruckt"
""", stopped_job(["Vor dem Abbruch"]), keys="{Ctrl-C}", exit_code=255),
        case("printing_window_closed", r"""
; Closing the window while a job waits ends the program; the page is
; printed.
DECLARE k$
STARTPRINT "Geschlossen"
TEXTXY 20,20,"Vor dem Schliessen"
LET k$=@WAITKEY$()
TEXTXY 20,40,"nie gedruckt"
""", stopped_job(["Vor dem Schliessen"]), keys="{Close}", exit_code=255),
        case("printing_hard_copies", r"""
; SCREENCOPY prints the window's picture: the whole client area with the
; window's width across the page, or a part of it in its place; a copy
; that finds nothing to copy warns and prints nothing. WINCOPY prints a
; window with its frame: the main window across the page's width, a tall
; one over the page's height. A handle that is no window ends with 242.
DECLARE h&
PRINT "Kopie des Fensters"
PRINT "Zweite Zeile mit Text"
BRUSH 1,31744
PEN 0,1,31744
RECTANGLE 50,60-400,300
SCREENCOPY
SCREENCOPY 100,100-299,199
SCREENCOPY 100,100-50,50
WINCOPY %{MAINWINDOW}
~LET h&=@CALLDLL("user32.dll","CreateWindowExA",0,32770,0,-1866465280,10,10,300,600,0,0,0,0)
WINCOPY h&
WINCOPY 12345
""", hard_copies, exit_code=2,
             screen=["Kopie des Fensters", "Zweite Zeile mit Text"],
             transcript=[box("Fehler bei der HardCopy!", "Zeile 9!", 49),
                         box("Ung\u00fcltiges Fenster-Handle!", "Zeile 13!"), exited(2)]),
        case("printing_no_printer", r"""
; Without a printer (no CUPS server to ask, so the profile names none)
; STARTPRINT and the hard copies fail with 235; drawing still goes to the
; window.
ERRORMODE -1
STARTPRINT
PRINT "STARTPRINT ";&{ERRORNUMBER}
SCREENCOPY
PRINT "SCREENCOPY ";&{ERRORNUMBER}
WINCOPY %{MAINWINDOW}
PRINT "WINCOPY ";&{ERRORNUMBER}
PEN 0,1,31
LINE 10,200-100,200
ERRORMODE 0
STARTPRINT "Rechnung"
""", printer=False, exit_code=2, screen=["STARTPRINT 235", "SCREENCOPY 235", "WINCOPY 235"],
             transcript=[box("Drucken ist nicht m\u00f6glich!", "Zeile 11!"), exited(2)],
             pixels=[(50, 200, 0xFF0000)]),
    ]
