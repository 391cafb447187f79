"""Checks the scan, repair and restore of names beyond ASCII (run.sh): the
stale entries reported with their true names in the text and in the JSON
(which must be UTF-8), the present ones not reported, the stale ones removed
and in the undo snapshot (the registry editor's UTF-16 form), and the
restore giving back every byte."""
import json
import sys

APPS = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"
GONE_APP = "gone-\u05d3\u05e7\u05e1\u05d8\u05e8.exe"
VENDOR = "\\HvmNames Vendor\\\\:"
STALE_VALUES = {
    "\u05e7\u05d5\u05d1\u05e5": "C:\\HvmGone\\\u05e7\u05d5\u05d1\u05e5.exe",
    "Caf\u00e9": "C:\\HvmGone\\cr\u00e8me\\caf\u00e9.exe",
    "\U0001F4C1": "C:\\HvmGone\\\U0001F4C1\\tool.exe",
}


def lines(path):
    return [line.rstrip("\r\n") for line in open(path, encoding="utf-8") if line.strip()]


def main(work):
    failures = []
    scan = json.load(open(f"{work}/scan.json", encoding="utf-8"))
    text = open(f"{work}/scan.txt", encoding="utf-8").read()
    reported = {s["number"]: [p["line"] for p in s["problems"]] for s in scan["sections"]}

    apps = [line for line in reported[18] if line.upper().startswith(APPS.upper())]
    if not any(line.endswith("\\" + GONE_APP) for line in apps):
        failures.append(f"section 18 does not report {GONE_APP}: {apps}")
    if any("present-" in line for line in apps):
        failures.append("section 18 reports the application path whose program is there")
    for name, data in STALE_VALUES.items():
        wanted = [line for line in reported[23] if line.endswith(VENDOR + name + " = " + data)]
        if not wanted:
            failures.append(f"section 23 does not report {name!r} = {data!r}")
        elif f"{wanted[0]} (caution)" not in text:
            failures.append(f"the text scan does not show {wanted[0]!r}")
    if any("\u0424\u0430\u0439\u043b" in line for line in reported[23]):
        failures.append("section 23 reports the value whose file is there")

    # Section 23 also reports the values of the stale application path, which
    # went with their key before their turn came.
    repair = json.load(open(f"{work}/repair.json", encoding="utf-8"))
    for left in repair["leftInPlace"]:
        ours = GONE_APP in left["entry"] or "HvmNames" in left["entry"]
        if ours and left["reason"] != "its key is gone":
            failures.append(f"left in place: {left}")

    before, repaired, restored = (lines(f"{work}/{name}.txt")
                                  for name in ("before", "repaired", "restored"))
    if any(GONE_APP in line for line in repaired):
        failures.append("the stale application path was not removed")
    for name in STALE_VALUES:
        if any(f"|{name}|" in line for line in repaired):
            failures.append(f"the stale value {name!r} was not removed")
    if not any("present-" in line for line in repaired) or not any(
            "|\u0424\u0430\u0439\u043b|" in line for line in repaired):
        failures.append("an entry whose program is there was removed")
    for line in sorted(set(before) ^ set(restored)):
        failures.append(f"not given back as it was: {line}")

    undo = json.load(open(f"{work}/undo.json", encoding="utf-8"))
    entries = [e for snapshot in undo["snapshots"] for e in snapshot["entries"]]
    if not any("\\App Paths\\" + GONE_APP + "\\\\:" in e for e in entries):
        failures.append(f"the undo list does not show {GONE_APP}")
    for name in STALE_VALUES:
        if not any(e.endswith(f'\\HvmNames Vendor\\\\:"{name}"') for e in entries):
            failures.append(f"the undo list does not show the value {name!r}")

    for failure in failures:
        print("FAIL:", failure)
    print(f"{len(before)} keys and values compared, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
