"""The line log (TOLVEN_TRACE): the listings in trace_programs/ run with the
log written to trace.txt; each says what the log holds (;! file trace.txt),
and every logged line must be a line of `tolvasm dis -n` of the program, so
a user finds each logged line as it stands in the numbered listing."""
import glob
import os
import subprocess

import run_e2e


def logged_lines_are_listed(work):
    listing = subprocess.run([run_e2e.TOLVASM, "dis", "-n", os.path.join(work, "prog.tvc")],
                             capture_output=True, check=True).stdout.split(b"\n")
    path = os.path.join(work, "trace.txt")
    if not os.path.exists(path):
        return "no trace.txt"
    with open(path, "rb") as f:
        logged = f.read().split(b"\n")
    if logged[-1] != b"":
        return "trace.txt does not end with a whole line"
    missing = [line for line in logged[:-1] if line not in listing]
    return f"logged lines not in the numbered listing: {missing!r}" if missing else None


def cases():
    out = []
    for path in sorted(glob.glob(os.path.join(os.path.dirname(__file__), "trace_programs", "*.tvl"))):
        c = run_e2e.parse_listing(path)
        c.name = "trace_" + c.name
        c.env.setdefault("TOLVEN_TRACE", "trace.txt")
        if c.env["TOLVEN_TRACE"] == "trace.txt":
            c.check = logged_lines_are_listed
        out.append(c)
    return out
