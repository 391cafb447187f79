#!/usr/bin/env python3
"""Checks that the source tree keeps its layers.

Three programs stand over one engine and one toolkit:
  src/engine   knows no window: it includes only engine headers;
  src/ui       the toolkit: it may use the engine, never a program;
  src/cli      the console program: engine only, no toolkit, no desktop;
  src/desktop  the desktop program: engine and toolkit, never the console.
Usage: layout_check.py REPOSITORY_ROOT; prints each include that crosses a
layer the wrong way and exits 1 when there is any.
"""
import os
import re
import sys

# For each layer (a folder under src/), the first folders of the project
# headers it may not include.
FORBIDDEN = {
    "engine": ("desktop", "cli", "ui", "tools"),
    "ui": ("desktop", "cli", "tools"),
    "cli": ("desktop", "ui", "tools"),
    "desktop": ("cli", "tools"),
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SOURCE_SUFFIXES = (".h", ".cpp", ".c", ".rc", ".in")


def violations(root):
    """Yields (file, line number, included path) for every forbidden include."""
    src = os.path.join(root, "src")
    for layer, forbidden in sorted(FORBIDDEN.items()):
        top = os.path.join(src, layer)
        for folder, _, names in sorted(os.walk(top)):
            for name in sorted(names):
                if not name.endswith(SOURCE_SUFFIXES):
                    continue
                path = os.path.join(folder, name)
                with open(path, encoding="utf-8", errors="replace") as f:
                    text = f.read()
                for match in INCLUDE.finditer(text):
                    included = os.path.normpath(
                        os.path.join(os.path.relpath(folder, src), match.group(1))
                        if match.group(1).startswith("..") else match.group(1))
                    if included.split(os.sep)[0] in forbidden:
                        line = text.count("\n", 0, match.start()) + 1
                        yield os.path.relpath(path, root), line, match.group(1)


def main(argv):
    if len(argv) != 2:
        print("usage: layout_check.py REPOSITORY_ROOT", file=sys.stderr)
        return 2
    if not os.path.isdir(os.path.join(argv[1], "src", "engine")):
        print("layout_check: no src/engine under " + argv[1], file=sys.stderr)
        return 2
    found = list(violations(argv[1]))
    for path, line, included in found:
        print(f"{path}:{line}: includes \"{included}\" across the layers")
    print(f"layout check: {len(found)} include(s) across the layers")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
