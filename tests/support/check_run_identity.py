#!/usr/bin/env python3
"""Runs a page with run_page.py (every argument is passed on) and checks that
the run identity the page received from command 27 (processId and verifier,
taken from the answer's line in the run's log) is the one the run's own
statistics requests carry (process_id=...&verifier=...).

    check_run_identity.py --build BUILD --page tests/pages/identity [run_page options]
"""
import json
import pathlib
import re
import subprocess
import sys

HERE = pathlib.Path(__file__).resolve().parent


def main():
    run = subprocess.run([sys.executable, str(HERE / "run_page.py"), *sys.argv[1:]],
                         capture_output=True, text=True, errors="replace")
    print(run.stdout, end="")
    print(run.stderr, end="", file=sys.stderr)
    if run.returncode != 0:
        sys.exit(run.returncode)
    answer = re.search(r"CDispatcherHandler::GetEnvoriment result \[(\{.*\})\]", run.stdout)
    if not answer:
        sys.exit("== FAILED: the log holds no answer of command 27")
    values = json.loads(answer.group(1))
    ids = f"process_id={values['processId']}&verifier={values['verifier']}&"
    stats = run.stdout.split("== statistics requests received", 1)[-1]
    if ids not in stats:
        sys.exit(f"== FAILED: no statistics request carries {ids}")
    print(f"== command 27 reports the run's identity ({ids})")


if __name__ == "__main__":
    main()
