"""Window programs driven by real X input: xdotool clicks at the screen
position of a control while the program waits (listings in
window_programs/)."""
import os
import shutil
import subprocess
import threading
import time

import run_e2e

HERE = os.path.dirname(__file__)


def click_button_then_tab(case):
    """Before the run: a thread that waits for the program to name the
    second tab's screen position in READY.TXT, then clicks the button (the
    window lies at 200,150, the button at 20,20 sized 100 x 30) and the tab
    on the X server."""
    def prepare(work):
        ready = os.path.join(work, "READY.TXT")
        env = dict(os.environ, DISPLAY=case.display or os.environ.get("DISPLAY", ""))

        def click(x, y):
            subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"], env=env,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=10)

        def play():
            until = time.monotonic() + 15
            while time.monotonic() < until and not os.path.exists(ready):
                time.sleep(0.05)
            time.sleep(0.3)
            try:
                with open(ready, encoding="latin-1") as f:
                    x, y = (int(v) for v in f.read().split()[:2])
            except (OSError, ValueError):
                return
            click(270, 185)
            time.sleep(0.5)
            click(x, y)

        threading.Thread(target=play, daemon=True).start()
    return prepare


def cases():
    if not shutil.which("xdotool"):
        return []
    c = run_e2e.parse_listing(os.path.join(HERE, "window_programs", "real_click.tvl"))
    c.name = "windows_real_click"
    c.prepare = click_button_then_tab(c)
    return [c]
