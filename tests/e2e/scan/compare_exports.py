"""Compares two `reg export` files key by key and prints what differs, leaving
out what the system writes by itself while a test runs: Wine's desktop process
records the display driver's state under Control\\Video and DEVICEMAP\\VIDEO
(with a fresh DriverDateData) whenever it starts, and
the service manager counts each service it starts in ServiceCurrent; on a
loaded machine either can fall between the two exports. Exit code 1 when they
differ."""
import sys

# Keys Wine's own processes write at their own pace; Hivemend never touches them.
WINE_OWNED = tuple(key.upper() for key in (
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Video\\",
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\ServiceCurrent\\",
    "HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\VIDEO\\",
))
# Values the display driver stamps anew on each start, wherever they sit.
WINE_OWNED_VALUES = ('"DriverDateData"=',)


def keys(path):
    text = open(path, "rb").read().decode("utf-16")
    found = {}
    name = None
    for line in text.splitlines():
        if line.startswith("[") and line.endswith("]"):
            name = line[1:-1]
            found[name] = []
        elif name is not None and line and not line.startswith(WINE_OWNED_VALUES):
            found[name].append(line)
    return {k: v for k, v in found.items() if not (k.upper() + "\\").startswith(WINE_OWNED)}


def main(before_path, after_path):
    before, after = keys(before_path), keys(after_path)
    differing = sorted(k for k in before.keys() | after.keys() if before.get(k) != after.get(k))
    for key in differing:
        print(f"{key}: {before.get(key)} -> {after.get(key)}")
    return 1 if differing else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
