"""The Wine environment the end-to-end tests and benchmarks run in.

One prefix under build/, created once per run with German regional settings
and without window-manager waits, an X server (Xvfb when there is no
display) and one persistent wineserver, so a program starts in about a tenth
of a second instead of a second.
"""
import fcntl
import os
import shutil
import subprocess
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
BUILD = os.path.join(ROOT, "build")
WINE = "/usr/lib/wine/wine64"

REGISTRY = r"""Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"Decorated"="Y"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Control Panel\International]
"Locale"="00000407"
"LocaleName"="de-DE"
"sShortDate"="dd.MM.yyyy"
"sLongDate"="dddd, d. MMMM yyyy"
"sDate"="."
"sTime"=":"
"sDecimal"=","
"sThousand"="."
"iDate"="1"
"sCountry"="Deutschland"
"sLanguage"="DEU"
"""


def windows_path(path):
    """The name a Windows program under Wine gives to a Unix file (drive Z: is /)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class WineEnv:
    def __init__(self, fresh=True):
        # Separate prefixes keep separate wineservers, so runs can overlap.
        self.prefix = os.path.abspath(os.environ.get("TOLVEN_WINE_PREFIX") or os.path.join(BUILD, "wine"))
        self.xvfb = None
        self.env = dict(os.environ)
        self.env.update({
            "WINEPREFIX": self.prefix,
            "WINEARCH": "win64",
            "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "mscoree,mshtml=",
            "LANG": "de_DE.UTF-8",
        })
        for k in list(self.env):
            if k.startswith("TOLVEN_"):
                del self.env[k]
        self.fresh = fresh
        self.lock = None

    def _take_prefix(self):
        """Waits until no other run uses this prefix. Two runs on one prefix
        would kill each other's wineserver, delete the prefix under a running
        program and share the work folders of the end-to-end cases."""
        os.makedirs(os.path.dirname(self.prefix), exist_ok=True)
        self.lock = open(self.prefix + ".lock", "w")
        try:
            fcntl.flock(self.lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
        except BlockingIOError:
            print(f"waiting for another run on {self.prefix} (set TOLVEN_WINE_PREFIX to run beside it)",
                  flush=True)
            fcntl.flock(self.lock, fcntl.LOCK_EX)

    def start(self):
        self._take_prefix()
        if not self.env.get("DISPLAY"):
            n = 90
            while os.path.exists(f"/tmp/.X11-unix/X{n}") or os.path.exists(f"/tmp/.X{n}-lock"):
                n += 1
            display = f":{n}"
            self.xvfb = subprocess.Popen(["Xvfb", display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.env["DISPLAY"] = display
            time.sleep(0.5)
        marker = os.path.join(self.prefix, ".tolven-ready")
        if self.fresh and os.path.isdir(self.prefix):
            subprocess.run(["wineserver", "-k"], env=self.env, stderr=subprocess.DEVNULL)
            shutil.rmtree(self.prefix, ignore_errors=True)
        if not os.path.exists(marker):
            os.makedirs(self.prefix, exist_ok=True)
            subprocess.run([WINE, "wineboot", "-i"], env=self.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, check=False, timeout=300)
            subprocess.run(["wineserver", "-w"], env=self.env, timeout=300)
            reg = os.path.join(self.prefix, "tolven.reg")
            with open(reg, "w", encoding="utf-16") as f:
                f.write(REGISTRY.replace("\n", "\r\n"))
            subprocess.run([WINE, "regedit", "/S", reg], env=self.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=120)
            subprocess.run(["wineserver", "-w"], env=self.env, timeout=300)
            open(marker, "w").close()
        # A persistent server: every program start is then warm.
        subprocess.run(["wineserver", "-k"], env=self.env, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=self.env, stderr=subprocess.DEVNULL)
        subprocess.Popen(["wineserver", "-p"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(0.2)
        # The first program of a session pays for setting up the desktop.
        subprocess.run([WINE, "cmd", "/c", "exit"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=180)
        return self

    def run(self, argv, cwd, extra_env=None, timeout=30):
        env = dict(self.env)
        if extra_env:
            env.update(extra_env)
        # Clicks of earlier runs moved the X pointer; every run starts with
        # it in the screen's top left corner, where a user would not stand
        # in the way of what the program reads of the mouse.
        if shutil.which("xdotool"):
            subprocess.run(["xdotool", "mousemove", "0", "0"], env=env,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            p = subprocess.run([WINE] + argv, cwd=cwd, env=env, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, timeout=timeout)
            return p.returncode, p.stdout, p.stderr
        except subprocess.TimeoutExpired as e:
            return None, e.stdout or b"", e.stderr or b""

    def stop(self):
        subprocess.run(["wineserver", "-k"], env=self.env, stderr=subprocess.DEVNULL)
        if self.xvfb:
            self.xvfb.terminate()
            self.xvfb.wait()
        if self.lock:
            self.lock.close()  # releases the prefix
            self.lock = None
