"""Compares what each scan of the installed-software test reports beyond the
fresh prefix's own findings with expected.txt: every expected finding in its
section with its rule and target, nothing more; no checked finding (one a
repair would remove) while the software is installed, without its downloads
or uninstalled; and every caution finding of the folder-deleted state either
also found by the section that owns its key, or marked as owned by none.

expected.txt: tab-separated lines STATE, SECTION, LINE, RULE, TARGET and, for
the caution findings of the folder-deleted state, OWNER: "-" when no section
owns the key, else the owning section's number and the start of the line it
reports, separated by a blank. "<user>" stands for the prefix's user."""
import json
import sys

STATES = ["installed", "uninstalled", "download-deleted", "folder-deleted"]
FIRST_CAUTION_SECTION = 23


def findings(path):
    scan = json.load(open(path, encoding="utf-8"))
    return {(section["number"], problem["line"]): problem
            for section in scan["sections"] for problem in section["problems"]}


def read_expected(path, user):
    expected = {state: {} for state in STATES}
    owners = {}
    for raw in open(path, encoding="utf-8"):
        raw = raw.rstrip("\n").replace("<user>", user)
        if not raw or raw.startswith("#"):
            continue
        fields = raw.split("\t")
        state, section, line, rule, target = fields[:5]
        key = (int(section), line)
        expected[state][key] = (rule, target)
        if len(fields) > 5:
            owners[key] = fields[5]
    return expected, owners


def check_owner(key, owner, found, failures):
    if owner == "-":
        return
    section, start = owner.split(" ", 1)
    if not any(number == int(section) and line.startswith(start) for number, line in found):
        failures.append(f"folder-deleted: {key[1]} is not also found in section {section} "
                        f"as {start}...")


def main(expected_path, work, user):
    expected, owners = read_expected(expected_path, user)
    fresh = findings(f"{work}/fresh.json")
    failures = []
    for state in STATES:
        found = {key: problem for key, problem in findings(f"{work}/{state}.json").items()
                 if key not in fresh}
        for key, problem in sorted(found.items()):
            caution = key[0] >= FIRST_CAUTION_SECTION
            if problem["checked"] == caution or problem["caution"] != caution:
                failures.append(f"{state}: section {key[0]} lists {key[1]} with checked "
                                f"{problem['checked']} and caution {problem['caution']}")
            if problem["checked"] and state != "folder-deleted":
                failures.append(f"{state}: a repair would remove {key[1]} (section {key[0]})")
            if key not in expected[state]:
                failures.append(f"{state}: section {key[0]} reports, unexpectedly: {key[1]}"
                                f" [{problem['reason']['rule']}: {problem['reason']['target']}]")
                continue
            rule, target = expected[state][key]
            reason = problem["reason"]
            if (reason["rule"], reason["target"]) != (rule, target):
                failures.append(f"{state}: {key[1]}: reason {reason['rule']}: {reason['target']},"
                                f" wanted {rule}: {target}")
            if state == "folder-deleted" and caution:
                if key not in owners:
                    failures.append(f"folder-deleted: no owner stated for {key[1]}")
                else:
                    check_owner(key, owners[key], found, failures)
        for key in sorted(set(expected[state]) - set(found)):
            failures.append(f"{state}: section {key[0]} did not report: {key[1]}")
        checked = sum(1 for problem in found.values() if problem["checked"])
        print(f"{state}: {checked} checked and {len(found) - checked} caution findings "
              f"of the installed software")
    for failure in failures:
        print("FAILED:", failure)
    print(f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2], sys.argv[3]))
