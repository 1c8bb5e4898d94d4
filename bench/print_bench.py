#!/usr/bin/env python3
"""Time to print a text document of 20 pages (40 lines on each) on a CUPS
printer that makes PDF files, as the end-to-end cases print:

  program   STARTPRINT to ENDPRINT inside the program (drawing the pages and
            handing the job to CUPS through Wine's PostScript driver)
  pdf       from the end of the program until the PDF is written (CUPS and
            Ghostscript, not the runtime; given for scale)

    python3 bench/print_bench.py [--pages N]

Paths can be set with TOLVEN_TOLVASM and TOLVEN_TOLVRUN.
"""
import os
import shutil
import subprocess
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from wine_env import BUILD, WineEnv  # noqa: E402
from cases_printing import Cups, pdf_info  # noqa: E402

TOLVASM = os.path.abspath(os.environ.get("TOLVEN_TOLVASM", os.path.join(BUILD, "release", "tolvasm")))
TOLVRUN = os.path.abspath(os.environ.get("TOLVEN_TOLVRUN", os.path.join(BUILD, "win64", "tolvrun.exe")))
WORK = os.path.join(BUILD, "bench-print")

PROGRAM = """
DECLARE p%,z%,y%,t0&,t1&,s$
LET t0&=&{{TICKS}}
STARTPRINT "Bench"
CREATEFONT "Courier New",20,0,0,0,0
~WHILE p%<{pages}
INC p%
~IF p%>1
NEWPAGE
ENDIF
LET z%=0
~WHILE z%<40
INC z%
~LET y%=z%*22
LET s$="Seite ";p%;" Zeile ";z%;": Artikel, Menge, Einzelpreis, Gesamtpreis"
TEXTXY 40,y%,s$
WEND
WEND
ENDPRINT
LET t1&=&{{TICKS}}
~LET t1&=t1&-t0&
PRINT t1&
"""


def main():
    pages = 20
    if "--pages" in sys.argv:
        pages = int(sys.argv[sys.argv.index("--pages") + 1])
    for tool in ("cupsd", "lpadmin", "pdfinfo"):
        if not shutil.which(tool) and not os.path.exists(f"/usr/sbin/{tool}"):
            sys.exit(f"{tool} is not installed: run 'make deps'")
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    listing = os.path.join(WORK, "print.tvl")
    with open(listing, "w") as f:
        f.write(".header plain 7\n" + PROGRAM.format(pages=pages).strip("\n") + "\nEND\n")
    prog = os.path.join(WORK, "print.tvc")
    subprocess.run([TOLVASM, "asm", listing, prog], check=True)

    wine = WineEnv(fresh=False).start()
    results = []
    try:
        for run in range(3):
            cups = Cups(os.path.join(WORK, f"cups{run}"))
            cups.start()
            try:
                env = {"CUPS_SERVER": cups.socket, "TOLVEN_SCREEN": "screen.txt",
                       "TOLVEN_TRANSCRIPT": "transcript.jsonl"}
                code, _, _ = wine.run([TOLVRUN, os.path.basename(prog)], cwd=WORK, extra_env=env, timeout=600)
                ended = time.monotonic()
                with open(os.path.join(WORK, "screen.txt"), encoding="latin-1") as f:
                    figures = f.read().split()
                if code != 0 or len(figures) != 1:
                    sys.exit(f"the program ended with {code} under Wine, showing {figures}")
                cups.finish(timeout=600)
                pdf_seconds = time.monotonic() - ended
                documents = cups.documents()
                printed = pdf_info(documents[0]).get("Pages", "").strip() if documents else "none"
                if printed != str(pages):
                    sys.exit(f"the PDF has {printed} pages, expected {pages}")
                results.append((int(figures[0]) / 1000, pdf_seconds))
            finally:
                cups.stop()
    finally:
        wine.stop()
    program = min(r[0] for r in results)
    pdf = min(r[1] for r in results)
    print(f"print: {pages} pages of 40 text lines: program {program:.2f} s "
          f"({pages / program if program else 0:.0f} pages/s), PDF written {pdf:.2f} s later "
          f"(CUPS and Ghostscript)")


if __name__ == "__main__":
    main()
