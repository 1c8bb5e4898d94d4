"""The example programs of examples/, run as a user would work with them:
driven by TOLVEN_KEYS through typing, clicks on their controls and menu
choices, and checked through the window snapshots, the transcript and the
files they leave."""
import json
import os
import re

import run_e2e
from run_e2e import ROOT, read_snapshots

EXAMPLES = os.path.join(ROOT, "examples")


def box(caption, text, type_, answer):
    return {"event": "box", "caption": caption, "text": text, "type": type_, "answer": answer}


def window(snapshot, **fields):
    """The first window of a snapshot with these fields."""
    for w in snapshot:
        if all(w.get(k) == v for k, v in fields.items()):
            return w
    return None


def aufgaben_status(work):
    """The status line shows the count and the time the timer put there."""
    snapshots = read_snapshots(os.path.join(work, "windows.jsonl"))
    status = window(snapshots[-1], **{"class": "Static", "id": 0, "rect": [16, 364, 544, 20]})
    text = status and status["text"]
    if not text or not re.fullmatch(r" ?2 Aufgaben {8}Uhrzeit: \d\d:\d\d", text):
        return f"status line: {text!r}"
    return None


def aufgaben():
    """The to-do list: an entry added by a click, one by Enter, one with
    blanks around it (trimmed), an empty one (nothing added); the second
    selected by keys in the list and removed; Info and the question before
    emptying the list (answered No) as boxes; Datei/Beenden ends it."""
    c = run_e2e.parse_listing(os.path.join(EXAMPLES, "aufgaben.tvl"))
    c.name = "example_aufgaben"
    c.keys = ("Brot kaufen{Click 1001}Milch{Enter}   Zeitung  {Click 1001}{Click 1001}{Dump}"
              "{Click 1002}{Home}{Down}{Dump}{Click 1003}{Menu 301}{Menu 201}{Menu 109}")
    c.answers = ["1", "7"]
    c.transcript = [box("Info", "Aufgaben 1.0\rEin Beispiel für TOLVEN.", 64, 1),
                    box("Bearbeiten", "Alle Aufgaben löschen?", 36, 7),
                    {"event": "exit", "code": 0}]
    main = {"class": "FENSTER"}
    c.snapshots = 3
    c.windows = [
        (1, {"class": "FENSTER", "text": "Aufgaben", "menu": [
            {"text": "&Datei", "popup": [{"id": 109, "text": "&Beenden", "checked": False, "grayed": False}]},
            {"text": "&Bearbeiten", "popup": [{"id": 201, "text": "&Alles löschen", "checked": False, "grayed": False}]},
            {"text": "&Hilfe", "popup": [{"id": 301, "text": "&Info", "checked": False, "grayed": False}]}]}),
        (1, {"class": "Edit", "id": 1000, "text": "", "focus": True, "parent": main}),
        (1, {"class": "Button", "id": 1001, "text": "&Hinzufügen", "style": "0x50010001"}),
        (1, {"class": "ListBox", "id": 1002, "items": ["Brot kaufen", "Milch", "Zeitung"], "selected": -1}),
        (1, {"class": "Button", "id": 1003, "text": "&Löschen", "enabled": False}),
        (2, {"class": "ListBox", "id": 1002, "selected": 1, "focus": True}),
        (2, {"class": "Button", "id": 1003, "enabled": True}),
        (3, {"class": "ListBox", "id": 1002, "items": ["Brot kaufen", "Zeitung"], "selected": -1}),
        (3, {"class": "Button", "id": 1003, "enabled": False}),
        (3, {"class": "Edit", "id": 1000, "text": "", "focus": True}),
    ]
    c.check = aufgaben_status
    return c


def cases():
    return [aufgaben()]
