"""The example programs of examples/, run as a user would work with them:
driven by TOLVEN_KEYS through typing, clicks on their controls and menu
choices, and checked through the window snapshots, the transcript and the
files they leave."""
import os
import re

import run_e2e
from cases_dbase import checks, index_problems, python_dump
from cases_printing import page_text, pdf_info, with_printer
from run_e2e import ROOT, read_snapshots

EXAMPLES = os.path.join(ROOT, "examples")


def box(caption, text, type_, answer):
    return {"event": "box", "caption": caption, "text": text, "type": type_, "answer": answer}


def dialog(kind, title, answer):
    return {"event": "dialog", "kind": kind, "title": title, "answer": answer}


def record(title, answer):
    return dialog("record", title, answer)


def aufgaben_status(work):
    """The status line shows the count and the time the timer put there."""
    last = read_snapshots(os.path.join(work, "windows.jsonl"))[-1]
    texts = [w["text"] for w in last if w["class"] == "Static" and w["rect"] == [16, 364, 544, 20]]
    ok = texts and re.fullmatch(r"2 Aufgaben {8}Uhrzeit: \d\d:\d\d", texts[0])
    return None if ok else f"status line: {texts}"


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


# A whole session with the address book, every dialog shown for real:
# three addresses typed into the record dialog, a fourth cancelled; a search
# through the index; a note in the edit box; a change; a search that finds
# nothing; an address picked in the browse dialog and deleted; the list
# printed; Info; Neu with the book's own name (which opens it, not
# overwriting it); Beenden.
ADRESSEN_KEYS = "".join([
    "{Menu 201}Müller{Tab}Anna{Tab}Hauptstraße 1{Tab}Köln{Tab}0221 123456{Click 1006}",
    "{Menu 201}Meier{Tab}Hans{Tab}Gartenweg 5{Tab}Bonn{Tab}0228 98765{Click 1006}",
    "{Menu 201}Albers{Tab}Eva{Tab}{Tab}Aachen{Click 1006}",
    "{Menu 201}Zander{Esc}",
    "{Menu 205}Me{Enter}",
    "{Menu 203}{Click 101}Kunde seit 1998{Enter}ruft montags an{Click 1}",
    "{Menu 202}{Tab}{Tab}{Tab}{End}{Shift-Home}Bad Godesberg{Click 1006}",
    "{Dump}",
    "{Menu 205}X{Enter}{Enter}",
    "{Menu 206}{Dump}{Click 1007}{Click 1000}",
    "{Menu 204}{Enter}",
    "{Menu 103}",
    "{Menu 301}{Enter}",
    "{Menu 101}Adressen{Enter}",
    "{Menu 205}Me{Enter}",
    "{Menu 109}",
])


def adressen_table(work):
    got = python_dump(os.path.join(work, "ADRESSEN.DBF"))
    want = [(False, {"name": "Müller", "vorname": "Anna", "strasse": "Hauptstraße 1", "ort": "Köln",
                     "telefon": "0221 123456", "notiz": ""}),
            (False, {"name": "Meier", "vorname": "Hans", "strasse": "Gartenweg 5", "ort": "Bad Godesberg",
                     "telefon": "0228 98765", "notiz": "Kunde seit 1998\r\nruft montags an\r\n"}),
            (True, {"name": "Albers", "vorname": "Eva", "strasse": "", "ort": "Aachen", "telefon": ""}),
            (True, {"name": "", "vorname": "", "ort": ""})]
    seen = [(d, {k: (f.get(k).rstrip() if isinstance(f.get(k), str) and k != "notiz" else f.get(k))
                 for k in w}) for (d, f), (_, w) in zip(got, want)]
    return None if seen == want and len(got) == len(want) else f"ADRESSEN.DBF: {got}"


def adressen_new_book(work):
    """Datei/Neu made an empty book with its memo file and index."""
    missing = [n for n in ("FREUNDE.DBT", "FREUNDE.NDX") if not os.path.exists(os.path.join(work, n))]
    records = python_dump(os.path.join(work, "FREUNDE.DBF"))
    return f"FREUNDE: {records}, missing {missing}" if records or missing else None


def adressen_printed(documents, work):
    if len(documents) != 1:
        return f"{len(documents)} documents printed, expected 1"
    info, text = pdf_info(documents[0]), page_text(documents[0], 1)
    lines = [" ".join(l.split()) for l in text.splitlines() if l.strip()]
    want = ["Adressliste ADRESSEN Seite 1", "Meier, Hans Bad Godesberg 0228 98765",
            "Müller, Anna Köln 0221 123456"]
    if info.get("Title", "").strip() != "Adressliste" or info.get("Pages", "").strip() != "1" or lines != want:
        return f"printed list: {info.get('Title')!r}, {info.get('Pages')} pages: {lines}"
    return None


def adressen():
    c = run_e2e.parse_listing(os.path.join(EXAMPLES, "adressen", "adressen.tvl"))
    c.name = "example_adressen"
    c.keys = ADRESSEN_KEYS
    c.env = {"TOLVEN_REAL_DIALOGS": "1"}
    c.timeout = 90
    c.transcript = [record("Neue Adresse", "1"), record("Neue Adresse", "1"), record("Neue Adresse", "1"),
                    record("Neue Adresse", None),
                    dialog("input", "Suchen", "Me"),
                    dialog("edit", "Notiz zu Meier", "Kunde seit 1998\\nruft montags an"),
                    record("Adresse ändern", "1"),
                    dialog("input", "Suchen", "X"),
                    box("Suchen", "Kein Name beginnt mit X.", 64, 1),
                    dialog("browse", "Adresse auswählen", "3"),
                    box("Löschen", "Die Adresse löschen?", 36, 6),
                    box("Info", "ADRESSEN 1.0\rEin Adressbuch mit dBase-Tabelle und Index.", 64, 1),
                    dialog("input", "Neu", "Adressen"),
                    dialog("input", "Suchen", "Me"),
                    {"event": "exit", "code": 0}]
    c.snapshots = 3
    c.windows = [
        (1, {"class": "FENSTER", "text": "Adressen - ADRESSEN"}),
        # The browse dialog in name order: the cancelled blank record first,
        # greyed; its row button can still be pressed; rows beyond the end
        # cannot.
        (2, {"class": "#32770", "text": "Adresse auswählen", "owner": {"class": "FENSTER"}}),
        (2, {"class": "Static", "text": "", "enabled": False, "rect": [28, 29, 139, 13]}),
        (2, {"class": "Button", "id": 1003, "enabled": True}),
        (2, {"class": "Static", "text": "Albers", "enabled": True, "rect": [28, 50, 139, 13]}),
        (2, {"class": "Static", "text": "Bad Godesberg", "rect": [274, 71, 119, 13]}),
        (2, {"class": "Static", "text": "Müller", "rect": [28, 92, 139, 13]}),
        (2, {"class": "Button", "id": 1019, "enabled": False}),
    ]
    c.screen = ["Adressbuch: ADRESSEN   Adressen: 4", "", "Adresse 2", "",
                "Name:      Meier", "Vorname:   Hans", "Straße:    Gartenweg 5", "Ort:       Bad Godesberg",
                "Telefon:   0228 98765", "", "Notiz:", "  Kunde seit 1998", "  ruft montags an"]
    files = checks(adressen_table, lambda w: index_problems(w, "ADRESSEN.DBF", "ADRESSEN.NDX", [4, 3, 2, 1]))
    return with_printer(c, lambda documents, work: files(work) or adressen_printed(documents, work))


def adressen_without_printer():
    """The dialogs answered: a new book, the first one opened again in the
    file dialog; without a printer Datei/Drucken tells so in a box, and the
    program goes on."""
    c = run_e2e.parse_listing(os.path.join(EXAMPLES, "adressen", "adressen.tvl"))
    c.name = "example_adressen_without_printer"
    c.keys = "{Menu 101}{Menu 102}{Menu 103}{Menu 109}"
    c.answers = ["Freunde", "ADRESSEN.DBF"]
    c.transcript = [dialog("input", "Neu", "Freunde"), dialog("fileopen", "Adressbuch öffnen", "ADRESSEN.DBF"),
                    box("Drucken", "Es ist kein Drucker eingerichtet.", 48, 1), {"event": "exit", "code": 0}]
    c.screen = ["Adressbuch: ADRESSEN   Adressen: 0", "",
                "Das Adressbuch ist leer: Bearbeiten/Neue Adresse trägt die erste ein."]
    return with_printer(c, lambda documents, work: adressen_new_book(work), printer=False)


def cases():
    return [aufgaben(), adressen(), adressen_without_printer()]
