"""Event programs driven by real X input: xdotool presses keys on the X
server while the program waits (listings in event_programs/)."""
import os
import shutil
import subprocess
import threading
import time

import run_e2e

HERE = os.path.dirname(__file__)


def press_when_waiting(case, steps):
    """Before the run: a thread that, each time the program writes the next
    number into WAITING.TXT, holds the key of that step down for a moment on
    the X server (long enough for the runtime to see it down), then lets it
    go."""
    def prepare(work):
        flag = os.path.join(work, "WAITING.TXT")
        env = dict(os.environ, DISPLAY=case.display or os.environ.get("DISPLAY", ""))

        def play():
            for number, key in enumerate(steps, 1):
                until = time.monotonic() + 15
                while time.monotonic() < until:
                    try:
                        with open(flag) as f:
                            if f.read().strip() == str(number):
                                break
                    except OSError:
                        pass
                    time.sleep(0.02)
                else:
                    return
                time.sleep(0.3)
                subprocess.run(["xdotool", "keydown", key], env=env)
                time.sleep(0.3)
                subprocess.run(["xdotool", "keyup", key], env=env)

        threading.Thread(target=play, daemon=True).start()
    return prepare


def cases():
    if not shutil.which("xdotool"):
        return []
    c = run_e2e.parse_listing(os.path.join(HERE, "event_programs", "help_key.tvl"))
    c.name = "events_help_key_by_x_input"
    c.prepare = press_when_waiting(c, ["F1", "x"])
    return [c]
