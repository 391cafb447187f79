"""Compares the seeded keys before the repair with what the repair's snapshot
gave back once imported into a clean prefix (registry_dump lines,
"key|name|type|bytes"). Everything the repair removed must come back the
same; the snapshot holds no NUL byte, which stops a registry editor reading."""
import sys


def lines(path):
    return {line.rstrip("\r\n") for line in open(path, encoding="latin-1") if line.strip()}


def main(before_path, after_path, snapshot_path):
    failures = []
    if b"\0" in open(snapshot_path, "rb").read():
        failures.append("the snapshot holds a NUL byte")
    before, after = lines(before_path), lines(after_path)
    # Of the key Values only the value "gone" was removed, so only it comes back.
    before = {line for line in before
              if not line.startswith("Software\\HivemendImport\\Values|")
              or line.startswith("Software\\HivemendImport\\Values|gone|")}
    before.discard("Software\\HivemendImport")
    after.discard("Software\\HivemendImport")
    for line in sorted(before - after):
        failures.append(f"not given back: {line}")
    for line in sorted(after - before):
        failures.append(f"given back changed: {line}")
    for failure in failures:
        print("FAIL:", failure)
    print(f"{len(before)} keys and values compared, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
