"""The record and browse dialogs: the listings in table_dialog_programs/,
answered and driven for real, with the tables they leave read back by
python3-dbf (see cases_dbase.py)."""
import os

import run_e2e
from cases_dbase import checks, index_problems, python_dump

HERE = os.path.dirname(os.path.abspath(__file__))


def listing(name, check=None):
    c = run_e2e.parse_listing(os.path.join(HERE, "table_dialog_programs", name + ".tvl"))
    c.name = "table_dialogs_" + name
    c.check = check
    return c


def table_is(name, want):
    """A check that the table holds exactly these records: (deleted, {field: value}) with
    only the fields named compared."""
    def run(work):
        got = python_dump(os.path.join(work, name))
        if len(got) != len(want):
            return f"{name}: {len(got)} records, expected {len(want)}: {got}"
        problems = []
        for k, ((deleted, fields), (d, f)) in enumerate(zip(want, got), 1):
            seen = {n: f.get(n.lower()) for n in fields}
            if deleted != d or seen != fields:
                problems.append(f"{name} record {k}: {d} {seen}, expected {deleted} {fields}")
        return "\n  ".join(problems) or None
    return run


def cases():
    return [
        listing("records_answered", table_is("ADR.DBF", [
            (False, {"NAME": "  Müller    ", "BETRAG": 12.5, "TAG": "20240229", "OK": True, "NOTIZ": "Notiz\r\n"}),
            (False, {"NAME": "Ähre        ", "BETRAG": -7.25, "TAG": None, "OK": False}),
            (True, {"NAME": "Zebra       ", "BETRAG": None, "TAG": None, "OK": None}),
        ])),
        listing("records_real", table_is("ADR.DBF", [
            (False, {"NAME": "Meier       ", "BETRAG": 99.5, "TAG": "20251231", "OK": False}),
            (False, {"NAME": "Ähre        ", "BETRAG": None, "TAG": None, "OK": None}),
        ])),
        listing("browse_real", table_is("ADR.DBF", [
            (False, {"NAME": "Anne      ", "BETRAG": 1.0, "TAG": None}),
            (False, {"NAME": "Bernd     ", "BETRAG": 2.0}),
            (True, {"NAME": "Clara     ", "BETRAG": 3.0}),
            (False, {"NAME": "Dora      "}),
            (False, {"NAME": "Emil      "}),
            (False, {"NAME": "Fritz     ", "BETRAG": None, "TAG": "20030201"}),
        ])),
        listing("browse_index", checks(
            table_is("ADR.DBF", [(False, {"NAME": n.ljust(10)}) for n in
                                 ["Jan", "Ida", "Hugo", "Gerd", "Fritz", "Eva", "Dirk", "Carl", "Berta", "Anton", "Zoe"]]),
            lambda work: index_problems(work, "ADR.DBF", "ADRN.NDX", [10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 11]))),
        listing("records_oem"),
    ]
