"""Window programs driven by real X input: xdotool clicks at the screen
position of a control while the program waits."""
import os
import subprocess
import time

import run_e2e

HERE = os.path.dirname(__file__)


def xdotool(wine, *args):
    subprocess.run(["xdotool", *args], env=wine.env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=10)


def click_button_then_tab(wine, work):
    """Waits for the program to name the tab's position, then clicks the
    button (window at 200,150, button at 20,20 sized 100 x 30) and the tab."""
    ready = os.path.join(work, "READY.TXT")
    deadline = time.monotonic() + 15
    while time.monotonic() < deadline and not os.path.exists(ready):
        time.sleep(0.05)
    time.sleep(0.3)
    try:
        x, y = (int(v) for v in open(ready, encoding="latin-1").read().split()[:2])
    except (OSError, ValueError):
        return
    xdotool(wine, "mousemove", "270", "185", "click", "1")
    time.sleep(0.5)
    xdotool(wine, "mousemove", str(x), str(y), "click", "1")


def cases():
    c = run_e2e.parse_listing(os.path.join(HERE, "window_programs", "real_click.tvl"))
    c.name = "windows_real_click"
    c.during = click_button_then_tab
    return [c]
