#!/usr/bin/env python3
"""Waiting under Wine: how long a program in WAITEVENT takes to notice a
posted menu command, and the processor time it uses while it waits for
nothing.

A small C program (build/win64/wait_bench.exe) posts the command to the
runtime's main window 1,000 times and times each answer: the program's wait
ends, and its next line posts the last command back (one CALLDLL line, so
the figure is the whole round trip and an upper bound of the wait's part).
Then the program is left waiting for three seconds while this script reads
its processor time, and that of the wineserver it talks to, from /proc.

    python3 bench/wait_bench.py
"""
import os
import shutil
import subprocess
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from wine_env import BUILD, WINE, WineEnv  # noqa: E402

TOLVASM = os.path.join(BUILD, "release", "tolvasm")
TOLVRUN = os.path.join(BUILD, "win64", "tolvrun.exe")
WAIT_BENCH = os.path.join(BUILD, "win64", "wait_bench.exe")
WORK = os.path.join(BUILD, "bench")
# A name of its own, so that the waiting process can be told from others.
RUNTIME_COPY = "tolvrun_waitbench.exe"
COUNT, IDLE_MS = 1000, 3000

PROGRAM = """.header plain 7
DECLARE peer&,n%
ASSIGN #1,"WAIT_PEER.TXT"
RESET #1
INPUT #1,peer&
CLOSE #1
CLS
EVAL @CALLDLL("user32.dll","PostMessageA",peer&,1024,%{MAINWINDOW},0)
~WHILE n%<>9
WAITEVENT
LET n%=%{EVENTCODE}
EVAL @CALLDLL("user32.dll","PostMessageA",peer&,1025,n%,0)
WEND
END
"""


def cpu_seconds(pid):
    """Processor time of a process so far, to the nanosecond."""
    with open(f"/proc/{pid}/schedstat") as f:
        return int(f.read().split()[0]) / 1e9


def find_process(test):
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            if test(pid):
                return int(pid)
        except OSError:
            pass
    return None


def waiting_process():
    """The Linux process of the runtime copy."""
    def test(pid):
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            return f.read().split(b"\0")[0].endswith(RUNTIME_COPY.encode())
    return find_process(test)


def wineserver_process(prefix):
    """The wineserver of this prefix, which every message wait talks to."""
    def test(pid):
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            if b"wineserver" not in f.read().split(b"\0")[0]:
                return False
        with open(f"/proc/{pid}/environ", "rb") as f:
            return f"WINEPREFIX={prefix}".encode() in f.read().split(b"\0")
    return find_process(test)


def main():
    os.makedirs(WORK, exist_ok=True)
    listing = os.path.join(WORK, "wait_bench.tvl")
    with open(listing, "w") as f:
        f.write(PROGRAM)
    subprocess.run([TOLVASM, "asm", listing, os.path.join(WORK, "wait_bench.tvc")], check=True)
    shutil.copyfile(TOLVRUN, os.path.join(WORK, RUNTIME_COPY))
    wine = WineEnv(fresh=False).start()
    try:
        bench = subprocess.Popen([WINE, WAIT_BENCH, RUNTIME_COPY, "wait_bench.tvc", str(COUNT), str(IDLE_MS)],
                                 cwd=WORK, env=wine.env, stdout=subprocess.PIPE, text=True)
        median = worst = None
        idle_share = server_share = None
        for line in bench.stdout:
            words = line.split()
            if words and words[0] == "round_trip_us":
                median, worst, lost = float(words[1]), float(words[2]), int(words[3])
            elif words and words[0] == "idle":
                pid = waiting_process()
                server = wineserver_process(wine.prefix)
                if pid:
                    # Settle, then measure two and a half seconds of waiting.
                    time.sleep(0.25)
                    c0, t0 = cpu_seconds(pid), time.monotonic()
                    s0 = cpu_seconds(server) if server else 0.0
                    time.sleep(2.5)
                    elapsed = time.monotonic() - t0
                    idle_share = (cpu_seconds(pid) - c0) / elapsed
                    if server:
                        server_share = (cpu_seconds(server) - s0) / elapsed
        bench.wait(timeout=60)
        if median is None:
            sys.exit(f"wait_bench failed (exit code {bench.returncode})")
        print(f"{'waiting under Wine':24} {'median':>10} {'worst':>10}")
        print(f"{'command noticed (us)':24} {median:>10,.0f} {worst:>10,.0f}   ({COUNT} round trips, "
              f"{lost} commands lost before the wait began)")
        if idle_share is not None:
            print(f"{'CPU while idle':24} {idle_share * 100:>9.3f}%   (the waiting program)")
            if server_share is not None:
                print(f"{'':24} {server_share * 100:>9.3f}%   (the wineserver, shared)")
        else:
            print("CPU while idle: the waiting process was not found")
    finally:
        wine.stop()


if __name__ == "__main__":
    main()
