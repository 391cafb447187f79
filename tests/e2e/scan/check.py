"""Checks an end-to-end scan: every expected line reported in its section,
no working entry reported, the removed values in the undo snapshot and gone
from the registry until the snapshot is restored."""
import json
import sys


def main(expected_path, work):
    scan = json.load(open(f"{work}/scan.json", encoding="latin-1"))
    undo = json.load(open(f"{work}/undo.json", encoding="latin-1"))
    state = dict(line.split() for line in open(f"{work}/after-scan.txt"))
    failures = []

    reported = {s["number"]: [p["line"] for p in s["problems"]] for s in scan["sections"]}
    entries = [e for snap in undo["snapshots"] for e in snap["entries"]]
    for raw in open(expected_path, encoding="latin-1"):
        raw = raw.rstrip("\n")
        if not raw or raw.startswith("#"):
            continue
        where, line = raw.split("\t", 1)
        if where == "removed":
            if line not in entries:
                failures.append(f"not in the undo snapshot: {line}")
        elif line not in reported[int(where)]:
            failures.append(f"section {where} did not report: {line}")

    for number, lines in reported.items():
        for line in lines:
            if "HvmValid" in line:
                failures.append(f"section {number} reported a working entry: {line}")
    for entry in entries:
        if "HvmValid" in entry:
            failures.append(f"removed a working entry: {entry}")

    wanted = {"knowndll-stale": "absent", "knowndll-valid": "present", "run-stale": "absent",
              "run-valid": "present", "run-restored": "present"}
    for name, value in wanted.items():
        if state.get(name) != value:
            failures.append(f"{name}: {state.get(name)} (wanted {value})")

    total = sum(len(lines) for lines in reported.values())
    if scan["total"] != total:
        failures.append(f"total {scan['total']} but {total} lines listed")
    for failure in failures:
        print("FAIL:", failure)
    print(f"{total} problems reported, {len(entries)} values removed with undo, "
          f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
