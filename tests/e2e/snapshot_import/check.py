"""Compares the seeded keys before the repair with what the repair's snapshot
gave back once imported into a clean prefix (registry_dump lines,
"key|name|type|stored bytes", names in UTF-8). Everything the repair removed
must come back the same. The snapshot is the registry editor's own form,
UTF-16LE behind its byte-order mark, and holds no NUL character, which stops
a registry editor reading."""
import sys

HEADER = "Windows Registry Editor Version 5.00\r\n"
# Of the key Values only these values were removed, so only they come back.
REMOVED_VALUES = ("gone", "\u05e7\u05d5\u05d1\u05e5")


def lines(path):
    return {line.rstrip("\r\n") for line in open(path, encoding="utf-8") if line.strip()}


def snapshot_failures(path):
    data = open(path, "rb").read()
    if not data.startswith(b"\xff\xfe"):
        return ["the snapshot is not UTF-16LE with its byte-order mark"]
    text = data[2:].decode("utf-16-le", errors="surrogatepass")
    failures = []
    if not text.startswith(HEADER):
        failures.append("the snapshot does not begin with " + HEADER.strip())
    if "\0" in text:
        failures.append("the snapshot holds a NUL character")
    for name in ("gone-\u05d3\u05e7\u05e1\u05d8\u05e8.exe", "\U0001F4C1", "\u6587\u4ef6"):
        if name not in text:
            failures.append(f"the snapshot does not show the name {name!r} as it is")
    return failures


def main(before_path, after_path, snapshot_path):
    failures = snapshot_failures(snapshot_path)
    before, after = lines(before_path), lines(after_path)
    values = "Software\\HivemendImport\\Values|"
    before = {line for line in before
              if not line.startswith(values)
              or any(line.startswith(values + name + "|") for name in REMOVED_VALUES)}
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
