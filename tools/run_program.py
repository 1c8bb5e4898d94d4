#!/usr/bin/env python3
"""Runs a TOLVEN program file with tolvrun.exe under Wine.

    python3 tools/run_program.py [--picture PICTURE.PNG] PROGRAM.TVC [ARGS...]

Uses the display in DISPLAY, or starts Xvfb when there is none (then nothing
is visible: the text screen is printed when the program ends, and
--picture keeps a PNG of what the window showed last).
The Wine prefix is the one the tests use, under build/wine.
"""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
from wine_env import BUILD, WineEnv, windows_path  # noqa: E402


def bmp_to_png(bmp, png):
    """Converts with netpbm; returns an error text or None."""
    tools = [shutil.which(t) for t in ("bmptopnm", "pnmtopng")]
    if not all(tools):
        return "bmptopnm/pnmtopng not found (Debian package netpbm; 'make deps' installs it)"
    with open(bmp, "rb") as src, open(png, "wb") as dst:
        reader = subprocess.Popen([tools[0]], stdin=src, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        writer = subprocess.run([tools[1]], stdin=reader.stdout, stdout=dst, stderr=subprocess.DEVNULL)
        reader.stdout.close()
        if reader.wait() or writer.returncode:
            return f"{bmp} could not be converted"
    return None


def main():
    args = sys.argv[1:]
    picture = None
    if len(args) >= 2 and args[0] == "--picture":
        picture = os.path.abspath(args[1])
        args = args[2:]
    if not args:
        sys.exit(__doc__)
    program = os.path.abspath(args[0])
    work = os.path.dirname(program)
    wine = WineEnv(fresh=False).start()
    extra = {k: v for k, v in os.environ.items() if k.startswith("TOLVEN_")}
    screen = None
    if wine.xvfb:
        if "TOLVEN_KEYS" not in extra:
            # Nobody can press a key on a virtual display: type one for the program.
            extra["TOLVEN_KEYS"] = " "
        if "TOLVEN_SCREEN" not in extra:
            screen = os.path.join(work, os.path.splitext(os.path.basename(program))[0] + ".screen.txt")
            extra["TOLVEN_SCREEN"] = windows_path(screen)
    shot = None
    if picture:
        shot = os.path.splitext(picture)[0] + ".window.bmp"
        extra["TOLVEN_WINDOWSHOT"] = windows_path(shot)
    for stale in (screen, shot):
        if stale and os.path.exists(stale):
            os.remove(stale)
    try:
        code, out, err = wine.run([os.path.join(BUILD, "win64", "tolvrun.exe"), os.path.basename(program)] +
                                  args[1:], cwd=work, extra_env=extra, timeout=None)
    finally:
        wine.stop()
    if screen and os.path.exists(screen):
        with open(screen, encoding="latin-1") as f:
            text = f.read().rstrip("\n")
        os.remove(screen)
        print("The text screen at the end:")
        print("\n".join("  | " + line for line in text.split("\n")))
    print(f"tolvrun.exe ended with exit code {code}")
    if picture:
        if not os.path.exists(shot):
            print("No picture: the program made no main window.")
        else:
            problem = bmp_to_png(shot, picture)
            os.remove(shot)
            if problem:
                sys.exit(problem)
            print(f"Picture of the window: {os.path.relpath(picture)}")
    sys.exit(0 if code in (0, None) else code)


if __name__ == "__main__":
    main()
