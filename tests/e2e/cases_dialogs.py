"""Dialog programs whose expected transcript is too long to write by hand:
the listings in dialog_programs/ with the transcript made here."""
import os

import run_e2e

HERE = os.path.dirname(__file__)


def cases():
    # The 300 a's come back cut to 255; of the 700 lines of b's, 624 fit
    # below 63,999 bytes after them (each with its line break).
    c = run_e2e.parse_listing(os.path.join(HERE, "dialog_programs", "edit_limits.tvl"))
    c.name = "dialog_edit_limits"
    text = "a" * 255 + ("\\n" + "b" * 100) * 624
    c.transcript = [{"event": "dialog", "kind": "edit", "title": "Viel", "answer": text},
                    {"event": "exit", "code": 0}]
    return [c]
