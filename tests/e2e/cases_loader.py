"""Loader cases that need files no listing can make, or several files."""
import os
import shutil
import subprocess

from run_e2e import Case, TOLVASM, TOLVRUN, WORK

CAPTION = "T O L V E N \u00b2"


def header(version="7"):
    h = b" ZWM-TOLVEN" + version.encode() + b" DATEI\x1a"
    return h + b" " * (31 - len(h)) + b"\0"


def records16(lines):
    out = b""
    for line in lines:
        out += len(line).to_bytes(2, "little") + line
    return out


def box(text, exit_code, caption=CAPTION):
    return [{"event": "box", "caption": caption, "text": text, "type": 16, "answer": 1},
            {"event": "exit", "code": exit_code}]


def runtime_error(caption, line):
    return box(f"Zeile {line}!", 2, caption)


FAILS_AT_2 = header() + records16([b"\x27first", b"\x8Awithout a loop"])


def case(name, program=None, transcript=None, exit_code=0, **kw):
    c = Case("loader_" + name)
    c.program_bytes = program
    c.transcript = transcript
    c.exit = exit_code
    for k, v in kw.items():
        setattr(c, k, v)
    return c


def bound_runtime(work):
    """Binds FAILS_AT_2 to a copy of the runtime in the work folder."""
    prog = os.path.join(work, "bound.tvc")
    with open(prog, "wb") as f:
        f.write(FAILS_AT_2)
    r = subprocess.run([TOLVASM, "bind", TOLVRUN, prog, os.path.join(work, "bound.exe")],
                       capture_output=True, text=True)
    if r.returncode:
        raise RuntimeError(r.stderr)


def cases():
    out = [
        case("missing_file", args=["nofile"], transcript=box("Datei nicht gefunden: nofile.TVC", 2), exit_code=2),
        case("dot_in_directory_kept", args=["sub.dir/prog"],
             transcript=box("Datei nicht gefunden: sub.dir/prog", 2), exit_code=2),
        case("not_a_program", program=b"hello, world" + bytes(40),
             transcript=box("Keine TOLVEN\u00b2 Datei!", 1), exit_code=1),
        case("header_cut_short", program=header()[:20], transcript=box("Keine TOLVEN\u00b2 Datei!", 1), exit_code=1),
        case("too_many_lines", program=header("5") + b"\x01\x27" * 65536,
             transcript=box("Zu viele Programm-Zeilen!", 1), exit_code=1),
        case("line_too_long", program=header() + records16([b"\x27"]) + (32768).to_bytes(2, "little"),
             transcript=box("Zeile zu lang (max. 32767 Zeichen)!", 1), exit_code=1),
        case("record_cut_short", program=header() + b"\x10\x00\x27abc",
             transcript=box("Programmdatei fehlerhaft!", 1), exit_code=1),
        case("exactly_65535_lines", program=header("5") + b"\x01\x27" * 65535, transcript=None),
        case("open_dialog_cancelled", program=FAILS_AT_2, no_program=True, answers=[""],
             transcript=[{"event": "dialog", "kind": "FileOpen", "title": "TOLVEN\u00b2-Datei laden:", "answer": None}]
             + box("Aufruf mit: \r\nTOLVRUN [<Dateiname>]", 2), exit_code=2),
        case("open_dialog_chosen", program=FAILS_AT_2, no_program=True, answers=["  prog.tvc  "],
             transcript=[{"event": "dialog", "kind": "FileOpen", "title": "TOLVEN\u00b2-Datei laden:",
                          "answer": "  prog.tvc  "}] + runtime_error("WHILE, WHILELOOP oder WHILENOT fehlt!", 2), exit_code=2),
    ]

    # A dotless name passes the magic check under its own name, then is
    # opened with .TVC appended.
    c = case("dotless_program_name", args=["PROGRAM"], transcript=box("Datei nicht gefunden: PROGRAM.TVC", 2),
             exit_code=2)
    c.setup = [("PROGRAM", FAILS_AT_2)]
    out.append(c)

    # The appended program runs without parameters and when the parameter
    # names no program file; a program on the command line wins.
    for name, args, transcript in [
        ("bound_alone", [], runtime_error("WHILE, WHILELOOP oder WHILENOT fehlt!", 2)),
        ("bound_with_non_program_parameter", ["hello"], runtime_error("WHILE, WHILELOOP oder WHILENOT fehlt!", 2)),
        ("bound_command_line_wins", ["prog.tvc"], runtime_error("GOSUB/PROC fehlt!", 1)),
    ]:
        c = case(name, program=header() + records16([b"\x8B"]), args=args, transcript=transcript, exit_code=2)
        c.env = {"_exe": "bound.exe"}
        c.prepare = bound_runtime
        out.append(c)

    def clear_offset(work):
        data = open(TOLVRUN, "rb").read()
        if data[128:132] != b"\0\0\0\0":
            return "bytes 128-131 of tolvrun.exe are not zero"
        return None
    c = case("runtime_offset_bytes_zero", program=header(), transcript=None)
    c.check = clear_offset
    out.append(c)
    return out
