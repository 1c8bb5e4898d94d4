#!/usr/bin/env python3
"""End-to-end tests: listings in tests/programs/ are assembled, run by the real
tolvrun.exe under Wine, and checked against the expectations they carry.

Directives in a listing (comments to the assembler):
  ;! args A B ...      command line (default: the program file); {prog} is it
  ;! answer TEXT       one line of TOLVEN_ANSWERS (repeatable; empty allowed)
  ;! keys TEXT         TOLVEN_KEYS
  ;! exit N            expected exit code (default 0)
  ;! no-program        do not pass the program file (open dialog cases)
  ;! timeout S         seconds before the run counts as hung (default 20)
  ;> {json}            the transcript, line by line, exactly
  ;= TEXT             the screen dump, line by line (trailing blanks removed)
  ;! file NAME TEXT    after the run, file NAME (in the work folder) holds TEXT
                       (\\r \\n \\xHH escapes)
  ;! setup NAME TEXT   before the run, write file NAME with TEXT (same escapes)
  ;! setup-dir NAME    before the run, make directory NAME
  ;! absent NAME       after the run, there is no file or directory NAME
  ;! unordered NAME TEXT  after the run, file NAME holds the CR LF lines of TEXT
                       in any order
  ;! pixel X Y RRGGBB  the off-screen image (TOLVEN_SCREENSHOT) has that colour
                       at X, Y; several X,Y,X,Y... pairs may share one colour
  ;! winpixel X Y RRGGBB  the same for what the window showed at the end
                       (TOLVEN_WINDOWSHOT, client area)
  ;! activepixel X Y RRGGBB  the same for the last {Shot} of the keys
                       (TOLVEN_ACTIVESHOT: the active window, frame included)
  ;@ {json}            the current window snapshot (TOLVEN_WINDOWS, set for
                       the case) holds a window with these fields; "parent"
                       and "owner" may be objects that the parent or owner
                       window must match, "0x..." texts match numbers
  ;@ snapshot N        the lines below describe snapshot N (from 1; default 1)
  ;@ snapshots N       the file holds exactly N snapshots
  ;! somewhere X0 Y0 X1 Y1 RRGGBB  some pixel of the off-screen image in the
                       rectangle (ends included) has that colour
  ;! no-window         the main window was never created (no screen dump)
  ;! built NAME        before the run, copy NAME from the runtime's build folder
                       (tolvpeer.exe, tolvtest.dll) into the work folder
  ;! before CMD ...     before the run, a Wine program run in the prefix, e.g.
                       reg add ... (quotes group words as in a shell;
                       backslashes are kept)
  ;! after CMD ... => TEXT  after the run, a Wine program whose output (read as
                       the console's OEM text, blanks collapsed) ends with TEXT
  ;! eventually NAME TEXT  like file, but waits up to 10 s for a program the
                       test started to write it
  ;! ini NAME SECTION KEY VALUE  after the run, Python's configparser reads
                       VALUE (the rest of the line) for KEY in INI file NAME
  ;! ini-setup NAME SECTION KEY VALUE  before the run, configparser writes it
  In the texts of ;> lines, {winwork} stands for the work folder as the
  program sees it (Z:\\...).
  In the names of file, setup, absent, eventually, ini and ini-setup,
  {windir}/ is the prefix's Windows folder (where relative INI names land);
  such files are removed before the run. In before and after commands and in
  the expected text of file and unordered, {winwork} stands for the work
  folder as the program sees it (Z:\\...).
Python-defined cases (files that no listing can make) live in cases_*.py.
"""
import configparser
import glob
import json
import os
import re
import shlex
import shutil
import struct
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from wine_env import ROOT, BUILD, WineEnv, windows_path  # noqa: E402

# A developer working beside others points these at private build folders.
TOLVRUN = os.path.abspath(os.environ.get("TOLVEN_TOLVRUN", os.path.join(BUILD, "win64", "tolvrun.exe")))
TOLVASM = os.path.abspath(os.environ.get("TOLVEN_TOLVASM", os.path.join(BUILD, "native", "tolvasm")))
# One work folder per Wine prefix, so overlapping runs do not share files.
WORK = os.path.join(BUILD, "e2e" + os.path.basename(os.environ.get("TOLVEN_WINE_PREFIX", "")).replace("wine", ""))


def unescape(text):
    return re.sub(rb"\\(r|n|t|\\|x[0-9A-Fa-f]{2})",
                  lambda m: {b"r": b"\r", b"n": b"\n", b"t": b"\t", b"\\": b"\\"}.get(m.group(1))
                  or bytes([int(m.group(1)[1:], 16)]),
                  text.encode("latin-1"))


class Case:
    def __init__(self, name):
        self.name = name
        self.args = None
        self.answers = []
        self.keys = None
        self.exit = 0
        self.timeout = 20
        self.transcript = None
        self.screen = None
        self.files = []
        self.setup = []
        self.setup_dirs = []
        self.absent = []
        self.unordered = []
        self.program_bytes = None   # when set, written as prog.tvc instead of assembling
        self.listing = None
        self.no_program = False
        self.env = {}
        self.pixels = []            # (file, x, y, rgb)
        self.windows = []           # (snapshot number, expected fields)
        self.snapshots = None       # expected number of snapshots
        self.somewhere = []         # (x0, y0, x1, y1, rgb)
        self.no_window = False
        self.built = []             # files copied from the runtime's build folder
        self.before = []            # Wine command lines run before the program
        self.after = []             # (command line, text its output must contain)
        self.eventually = []        # (name, text) a started program writes
        self.ini = []               # (name, section, key, value) read back by configparser
        self.ini_setup = []         # (name, section, key, value) written by configparser
        self.check = None           # extra check: function(workdir) -> error text or None
        self.prepare = None         # function(workdir) run before the program
        self.display = None         # the X display the program runs on (set for prepare)


def parse_listing(path):
    case = Case(os.path.splitext(os.path.basename(path))[0])
    case.listing = path
    snapshot = 1
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n").rstrip("\r")
            if line.startswith(";@"):
                value = line[2:].strip()
                if value.startswith("snapshots "):
                    case.snapshots = int(value.split()[1])
                elif value.startswith("snapshot "):
                    snapshot = int(value.split()[1])
                else:
                    case.windows.append((snapshot, json.loads(value)))
            elif line.startswith(";>"):
                case.transcript = (case.transcript or []) + [json.loads(line[2:].strip())]
            elif line.startswith(";="):
                case.screen = (case.screen or []) + [line[3:] if len(line) > 2 else ""]
            elif line.startswith(";!"):
                key, _, value = line[2:].strip().partition(" ")
                if key == "args":
                    case.args = value.split()
                elif key == "answer":
                    case.answers.append(value)
                elif key == "keys":
                    case.keys = value
                elif key == "exit":
                    case.exit = int(value)
                elif key == "timeout":
                    case.timeout = float(value)
                elif key == "no-program":
                    case.no_program = True
                elif key == "env":
                    k, _, v = value.partition("=")
                    case.env[k] = v
                elif key in ("pixel", "winpixel", "activepixel"):
                    parts = value.split()
                    rgb = int(parts[-1], 16)
                    coords = [int(v) for v in parts[:-1]]
                    if not coords or len(coords) % 2:
                        raise ValueError(f"{path}: {key} needs X Y pairs and a colour")
                    shot = {"pixel": "screen.bmp", "winpixel": "window.bmp", "activepixel": "active.bmp"}[key]
                    for k in range(0, len(coords), 2):
                        case.pixels.append((shot, coords[k], coords[k + 1], rgb))
                elif key == "somewhere":
                    x0, y0, x1, y1, rgb = value.split()
                    case.somewhere.append((int(x0), int(y0), int(x1), int(y1), int(rgb, 16)))
                elif key == "no-window":
                    case.no_window = True
                elif key == "setup-dir":
                    case.setup_dirs.append(value.replace("\\", "/"))
                elif key == "absent":
                    case.absent.append(value.replace("\\", "/"))
                elif key == "unordered":
                    name, _, text = value.partition(" ")
                    case.unordered.append((name.replace("\\", "/"), unescape(text)))
                elif key == "built":
                    case.built.append(value)
                elif key == "before":
                    case.before.append(value)
                elif key == "after":
                    command, _, text = value.partition(" => ")
                    case.after.append((command, text))
                elif key == "eventually":
                    name, _, text = value.partition(" ")
                    case.eventually.append((name.replace("\\", "/"), unescape(text)))
                elif key in ("ini", "ini-setup"):
                    name, section, entry, text = (value.split(" ", 3) + [""])[:4]
                    (case.ini if key == "ini" else case.ini_setup).append(
                        (name.replace("\\", "/"), section, entry, unescape(text).decode("latin-1")))
                elif key in ("file", "setup"):
                    name, _, text = value.partition(" ")
                    name = name.replace("\\", "/")  # Windows paths name the same files
                    (case.files if key == "file" else case.setup).append((name, unescape(text)))
                else:
                    raise ValueError(f"{path}: unknown directive {key}")
    return case


def listing_case(name, listing, folder, end=True, **fields):
    """A case whose listing a cases_*.py module writes: into `folder` under
    the case's name, with a plain header (and END unless `end` is false);
    the keywords set the case's fields."""
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, name + ".tvl")
    with open(path, "w", encoding="utf-8") as f:
        f.write(".header plain 7\n" + listing.strip("\n") + ("\nEND\n" if end else "\n"))
    case = Case(name)
    case.listing = path
    for key, value in fields.items():
        if not hasattr(case, key):
            raise AttributeError(f"a case has no field {key}")
        setattr(case, key, value)
    return case


def bmp_pixel(path, x, y):
    """Colour (0xRRGGBB) of a 24-bit bottom-up BMP at x, y, or None."""
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 54:  # cut short (a run stopped while writing it)
        return None
    offset, = struct.unpack_from("<I", data, 10)
    width, height = struct.unpack_from("<ii", data, 18)
    bits, = struct.unpack_from("<H", data, 28)
    if bits != 24 or not (0 <= x < width and 0 <= y < abs(height)):
        return None
    row = (width * 3 + 3) & ~3
    line = abs(height) - 1 - y if height > 0 else y
    b, g, r = data[offset + line * row + x * 3: offset + line * row + x * 3 + 3]
    return (r << 16) | (g << 8) | b


def read_snapshots(path):
    """The snapshots of a TOLVEN_WINDOWS file: lists of window records."""
    snapshots = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            if not line.strip():
                continue
            record = json.loads(line)
            if record.get("event") == "snapshot":
                snapshots.append([])
            elif snapshots:
                snapshots[-1].append(record)
    return snapshots


def window_matches(expected, record, by_hwnd):
    for key, want in expected.items():
        have = record.get(key)
        if key in ("parent", "owner") and isinstance(want, dict):
            if have not in by_hwnd or not window_matches(want, by_hwnd[have], by_hwnd):
                return False
        elif isinstance(want, str) and want.startswith("0x") and isinstance(have, int):
            if have != int(want, 16):
                return False
        elif have != want:
            return False
    return True


def check_windows(case, work):
    path = os.path.join(work, "windows.jsonl")
    snapshots = read_snapshots(path) if os.path.exists(path) else []
    problems = []
    if case.snapshots is not None and len(snapshots) != case.snapshots:
        problems.append(f"{len(snapshots)} window snapshots, expected {case.snapshots}")
    for number, expected in case.windows:
        if number > len(snapshots):
            problems.append(f"no window snapshot {number} for {json.dumps(expected, ensure_ascii=False)}")
            continue
        records = snapshots[number - 1]
        by_hwnd = {r["hwnd"]: r for r in records}
        if not any(window_matches(expected, r, by_hwnd) for r in records):
            near = [r for r in records if r.get("id") == expected.get("id", r.get("id")) and
                    r.get("class") == expected.get("class", r.get("class"))]
            problems.append(f"snapshot {number} has no window {json.dumps(expected, ensure_ascii=False)}" +
                            "".join("\n      near: " + json.dumps(r, ensure_ascii=False) for r in near[:3]))
    return problems


def windows_folder(wine):
    return os.path.join(wine.prefix, "drive_c", "windows")


def resolve(wine, work, name):
    """A file name of a directive: in the work folder, or in the prefix's
    Windows folder with {windir}/ (found without regard to case, as Windows
    would)."""
    if not name.startswith("{windir}/"):
        return os.path.join(work, name)
    folder, base = windows_folder(wine), name[len("{windir}/"):]
    for have in os.listdir(folder):
        if have.lower() == base.lower():
            return os.path.join(folder, have)
    return os.path.join(folder, base)


def wine_command(wine, work, line, winwork):
    # Quotes group words; backslashes stay, as Windows paths need them.
    lexer = shlex.shlex(line, posix=True)
    lexer.whitespace_split = True
    lexer.escape = ""
    argv = [a.replace("{winwork}", winwork) for a in lexer]
    code, out, err = wine.run(argv, cwd=work, timeout=60)
    return code, out.decode("cp850", "replace")


def read_ini(path):
    parser = configparser.ConfigParser(interpolation=None)
    parser.optionxform = str  # keys keep their case
    with open(path, encoding="latin-1") as f:
        parser.read_file(f)
    return parser


def run_case(wine, case):
    work = os.path.join(WORK, case.name)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    winwork = windows_path(work)
    names = [n for n, _ in case.files + case.setup + case.eventually + case.unordered] + case.absent + \
        [n for n, _, _, _ in case.ini + case.ini_setup]
    for name in names:
        if name.startswith("{windir}/") and os.path.exists(resolve(wine, work, name)):
            os.remove(resolve(wine, work, name))
    for name in case.built:
        shutil.copy(os.path.join(os.path.dirname(TOLVRUN), name), work)
    for line in case.before:
        code, out = wine_command(wine, work, line, winwork)
        if code != 0:
            return f"before: {line} ended with {code}: {out.strip()}"
    for name, section, entry, value in case.ini_setup:
        path = resolve(wine, work, name)
        parser = read_ini(path) if os.path.exists(path) else configparser.ConfigParser(interpolation=None)
        parser.optionxform = str
        if not parser.has_section(section):
            parser.add_section(section)
        parser.set(section, entry, value)
        with open(path, "w", encoding="latin-1") as f:
            parser.write(f)
    prog = os.path.join(work, "prog.tvc")
    if case.program_bytes is not None:
        with open(prog, "wb") as f:
            f.write(case.program_bytes)
    elif case.listing:
        r = subprocess.run([TOLVASM, "asm", case.listing, prog], capture_output=True, text=True)
        if r.returncode != 0:
            return f"assembler failed: {r.stderr.strip()}"
    for name in case.setup_dirs:
        os.makedirs(os.path.join(work, name), exist_ok=True)
    for name, data in case.setup:
        os.makedirs(os.path.dirname(resolve(wine, work, name)), exist_ok=True)
        with open(resolve(wine, work, name), "wb") as f:
            f.write(data)
    if case.prepare:
        case.display = wine.env.get("DISPLAY")
        case.prepare(work)
    transcript = os.path.join(work, "transcript.jsonl")
    env = {"TOLVEN_TRANSCRIPT": "transcript.jsonl", "TOLVEN_SCREEN": "screen.txt",
           "TOLVEN_SCREENSHOT": "screen.bmp", "TOLVEN_WINDOWSHOT": "window.bmp",
           "TOLVEN_ACTIVESHOT": "active.bmp"}
    if case.windows or case.snapshots is not None:
        env["TOLVEN_WINDOWS"] = "windows.jsonl"
    if case.answers:
        with open(os.path.join(work, "answers.txt"), "w", encoding="latin-1", newline="\r\n") as f:
            f.write("\n".join(case.answers) + "\n")
        env["TOLVEN_ANSWERS"] = "answers.txt"
    if case.keys is not None:
        env["TOLVEN_KEYS"] = case.keys
    env.update(case.env)
    exe = env.pop("_exe", None) or TOLVRUN
    args = case.args if case.args is not None else ([] if case.no_program else ["prog.tvc"])
    args = [a.replace("{prog}", "prog.tvc") for a in args]
    started = time.monotonic()
    code, out, err = wine.run([exe] + args, cwd=work, extra_env=env, timeout=case.timeout)
    case.seconds = time.monotonic() - started
    problems = []
    if code is None:
        problems.append(f"hung for more than {case.timeout} s")
    elif code != case.exit:
        problems.append(f"exit code {code}, expected {case.exit}")
    got = []
    if os.path.exists(transcript):
        with open(transcript, encoding="utf-8") as f:
            got = [json.loads(l) for l in f if l.strip()]
    expected_transcript = case.transcript
    if expected_transcript is None:
        expected_transcript = [{"event": "exit", "code": case.exit}]
    expected_transcript = [{k: v.replace("{winwork}", winwork) if isinstance(v, str) else v
                            for k, v in e.items()} for e in expected_transcript]
    if got != expected_transcript:
        problems.append("transcript differs:\n    expected: " +
                        "\n              ".join(json.dumps(e, ensure_ascii=False) for e in expected_transcript) +
                        "\n    got:      " + "\n              ".join(json.dumps(g, ensure_ascii=False) for g in got))
    if case.screen is not None:
        path = os.path.join(work, "screen.txt")
        lines = open(path, encoding="latin-1").read().split("\n") if os.path.exists(path) else ["<no screen dump>"]
        while lines and lines[-1] == "":
            lines.pop()
        want = list(case.screen)
        while want and want[-1] == "":
            want.pop()
        if lines != want:
            problems.append("screen differs:\n    expected: " + "\n              ".join(want) +
                            "\n    got:      " + "\n              ".join(lines))
    if case.no_window and (os.path.exists(os.path.join(work, "screen.txt")) or
                           os.path.exists(os.path.join(work, "screen.bmp"))):
        problems.append("the main window was created")
    for name, x, y, rgb in case.pixels:
        path = os.path.join(work, name)
        have = bmp_pixel(path, x, y) if os.path.exists(path) else None
        if have != rgb:
            problems.append(f"{name} at {x},{y}: " + ("missing" if have is None else f"{have:06X}") +
                            f", expected {rgb:06X}")
    problems += check_windows(case, work)
    for x0, y0, x1, y1, rgb in case.somewhere:
        path = os.path.join(work, "screen.bmp")
        found = os.path.exists(path) and any(bmp_pixel(path, x, y) == rgb
                                             for y in range(y0, y1 + 1) for x in range(x0, x1 + 1))
        if not found:
            problems.append(f"no pixel {rgb:06X} in {x0},{y0}-{x1},{y1} of screen.bmp")
    checks = [(n, d, False) for n, d in case.files] + [(n, d, True) for n, d in case.unordered]
    waited = time.monotonic()
    for name, data in case.eventually:
        path = resolve(wine, work, name)
        data = data.replace(b"{winwork}", winwork.encode("latin-1"))
        while time.monotonic() - waited < 10 and not (os.path.exists(path) and open(path, "rb").read() == data):
            time.sleep(0.05)
    checks += [(n, d, False) for n, d in case.eventually]
    for name, data, any_order in checks:
        path = resolve(wine, work, name)
        data = data.replace(b"{winwork}", winwork.encode("latin-1"))
        if not os.path.exists(path):
            problems.append(f"file {name} missing")
            continue
        have = open(path, "rb").read()
        if any_order:
            same = sorted(have.split(b"\r\n")) == sorted(data.split(b"\r\n"))
        else:
            same = have == data
        if not same:
            problems.append(f"file {name} holds {have!r}, expected {data!r}")
    for name in case.absent:
        if os.path.lexists(resolve(wine, work, name)):
            problems.append(f"{name} should not exist")
    for name, section, entry, value in case.ini:
        path = resolve(wine, work, name)
        try:
            have = read_ini(path).get(section, entry)
        except (OSError, configparser.Error) as e:
            have = f"<{e.__class__.__name__}: {e}>"
        if have != value:
            problems.append(f"configparser reads [{section}] {entry} of {name} as {have!r}, expected {value!r}")
    for line, text in case.after:
        code, out = wine_command(wine, work, line, winwork)
        if not " ".join(out.split()).endswith(" ".join(text.split())):
            problems.append(f"after: {line} printed {out.strip()!r}, expected it to end with {text!r}")
    if case.check:
        msg = case.check(work)
        if msg:
            problems.append(msg)
    return "\n  ".join(problems) if problems else None


def collect(pattern):
    cases = [parse_listing(p) for p in sorted(glob.glob(os.path.join(ROOT, "tests", "programs", "**", "*.tvl"),
                                                        recursive=True))]
    for mod_path in sorted(glob.glob(os.path.join(os.path.dirname(__file__), "cases_*.py"))):
        name = os.path.splitext(os.path.basename(mod_path))[0]
        module = __import__(name)
        cases.extend(module.cases())
    if pattern:
        cases = [c for c in cases if re.search(pattern, c.name)]
    return cases


def main():
    pattern = sys.argv[1] if len(sys.argv) > 1 else None
    for path in (TOLVRUN, TOLVASM):
        if not os.path.exists(path):
            sys.exit(f"missing {path}: run 'make build' first")
    cases = collect(pattern)
    wine = WineEnv(fresh=os.environ.get("TOLVEN_KEEP_PREFIX") != "1").start()
    passed = failed = 0
    try:
        for case in cases:
            problem = run_case(wine, case)
            if problem:
                failed += 1
                print(f"FAIL {case.name}\n  {problem}")
            else:
                passed += 1
                print(f"ok   {case.name} ({case.seconds:.2f} s)")
    finally:
        wine.stop()
    print(f"e2e: {passed} passed, {failed} failed")
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
