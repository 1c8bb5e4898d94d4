#!/usr/bin/env python3
"""Runs a TOLVEN program file with tolvrun.exe under Wine.

    python3 tools/run_program.py PROGRAM.TVC [ARGS...]

Uses the display in DISPLAY, or starts Xvfb when there is none (then nothing
is visible; set TOLVEN_SCREENSHOT to keep a picture of the text screen).
The Wine prefix is the one the tests use, under build/wine.
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
from wine_env import BUILD, WineEnv  # noqa: E402


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    program = os.path.abspath(sys.argv[1])
    wine = WineEnv(fresh=False).start()
    try:
        extra = {k: v for k, v in os.environ.items() if k.startswith("TOLVEN_")}
        if wine.xvfb and "TOLVEN_KEYS" not in extra:
            # Nobody can press a key on a virtual display: type one for the program.
            extra["TOLVEN_KEYS"] = " "
        code, out, err = wine.run([os.path.join(BUILD, "win64", "tolvrun.exe"), os.path.basename(program)] +
                                  sys.argv[2:], cwd=os.path.dirname(program), extra_env=extra, timeout=None)
    finally:
        wine.stop()
    print(f"tolvrun.exe ended with exit code {code}")
    sys.exit(0 if code in (0, None) else code)


if __name__ == "__main__":
    main()
