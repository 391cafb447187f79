"""Checks an end-to-end scan: every expected line reported in its section with
its reason, no working entry reported, the removed values listed by the scan,
in the undo snapshot and gone from the registry until the snapshot is
restored; and a read-only scan before it that changed nothing and listed what
the scan then removed as problems of their sections."""
import fnmatch
import json
import os
import sys


def check_read_only(work, scan, failures):
    for line in open(f"{work}/read-only.txt"):
        if "CHANGED" in line:
            root = line.split()[1]
            changes = open(f"{work}/diff-{root}.txt").read().splitlines()
            failures.append(line.strip() + ": " + "; ".join(changes[:10]))
    read_only = json.load(open(f"{work}/read-only.json", encoding="latin-1"))
    if read_only["removedAtOnce"]:
        failures.append("the read-only scan removed values")
    listed = {(s["number"], p["line"]): p["reason"] for s in read_only["sections"]
              for p in s["problems"]}
    wanted = {(s["number"], p["line"]): p["reason"] for s in scan["sections"] for p in s["problems"]}
    wanted.update({(r["section"], r["line"]): r["reason"] for r in scan["removedAtOnce"]})
    if listed != wanted:
        for key in sorted(set(listed) ^ set(wanted)):
            failures.append(f"read-only scan and scan differ on {key}")


def main(expected_path, work):
    scan = json.load(open(f"{work}/scan.json", encoding="latin-1"))
    undo = json.load(open(f"{work}/undo.json", encoding="latin-1"))
    state = dict(line.split() for line in open(f"{work}/after-scan.txt"))
    failures = []

    reported = {s["number"]: {p["line"]: p["reason"] for p in s["problems"]}
                for s in scan["sections"]}
    removed_at_once = {(r["section"], r["line"]): r for r in scan["removedAtOnce"]}
    entries = [e for snap in undo["snapshots"] for e in snap["entries"]]
    snapshots = [snap["name"] for snap in undo["snapshots"]]

    def check_reason(what, reason, rule, target):
        if reason["rule"] != rule or not fnmatch.fnmatchcase(reason["target"], target):
            failures.append(f"{what}: reason {reason}, wanted {rule}: {target}")

    for raw in open(expected_path, encoding="latin-1"):
        raw = raw.rstrip("\n")
        if not raw or raw.startswith("#"):
            continue
        where, rest = raw.split("\t", 1)
        if where == "removed":
            if rest not in entries:
                failures.append(f"not in the undo snapshot: {rest}")
        elif where == "atonce":
            section, line, rule, target = rest.split("\t")
            found = removed_at_once.get((int(section), line))
            if not found:
                failures.append(f"not listed as removed at once: {line}")
                continue
            check_reason(line, found["reason"], rule, target)
            if found["snapshot"] not in snapshots:
                failures.append(f"{line}: went to {found['snapshot']}, not a snapshot")
        else:
            line, rule, target = rest.split("\t")
            if line not in reported[int(where)]:
                failures.append(f"section {where} did not report: {line}")
                continue
            check_reason(line, reported[int(where)][line], rule, target)
    for number, problems in reported.items():
        for line, reason in problems.items():
            if not reason["rule"] or not reason["target"]:
                failures.append(f"section {number}: {line} has no reason")
    check_read_only(work, scan, failures)

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
    if os.path.exists(f"{work}/query.err"):
        failures.append(open(f"{work}/query.err").read().strip())
    for failure in failures:
        print("FAIL:", failure)
    print(f"{total} problems reported, {len(entries)} values removed with undo, "
          f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
