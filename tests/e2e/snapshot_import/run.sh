#!/usr/bin/env bash
# End to end: the undo snapshot of a repair, imported by the system's own
# registry editor into a clean prefix, gives back every value it holds,
# byte for byte. Values of every kind, text with a NUL before its end among
# them, key and value names holding "[" and "]", and keys, values and data in
# Hebrew, Chinese, Cyrillic, accented Latin and an emoji (seed-scripts.txt,
# handed to regedit in UTF-16 as it exports).
# Usage: run.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
cli="$build/bin/hvmend-cli.exe"
dump="$build/bin/registry_dump.exe"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
key='HKCU\Software\HivemendImport'
work="$build/e2e-import-work"
rm -rf "$work"
mkdir -p "$work/data"

# The repair runs in the tests' prefix.
export WINEPREFIX="$build/wineprefix"
wine reg delete "$key" /f >/dev/null 2>&1 || true
wine regedit /s "$(winepath -w "$here/seed.reg")"
python3 -c 'import sys; open(sys.argv[2], "wb").write(b"\xff\xfe" + open(sys.argv[1], encoding="utf-8", newline="").read().encode("utf-16-le"))' \
  "$here/seed-scripts.txt" "$work/seed-scripts.reg"
wine regedit /s "$(winepath -w "$work/seed-scripts.reg")"
wine "$dump" "$key" >"$work/before.txt"
printf '3\t%s\n2\t%s\n3\t%s\n2\t%s\n' "$key\\Tree" "$key\\Values\\\\:gone" \
  "$key\\Scripts" "$key\\Values\\\\:קובץ" >"$work/problems.txt"
wine "$cli" repair --sections none --quiet --problems "$(winepath -w "$work/problems.txt")" \
  --data-dir "$(winepath -w "$work/data")" >"$work/repair.out"
cat "$work/repair.out"
wine reg delete "$key" /f >/dev/null 2>&1 || true

# The snapshot goes into a prefix that never held the key.
export WINEPREFIX="$build/e2e-import-prefix"
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wineboot -i >/dev/null 2>&1 || true
wineserver -w
snapshot=$(ls "$work"/data/Undo*.reg)
wine regedit /s "$(winepath -w "$snapshot")"
wine "$dump" "$key" >"$work/after.txt"

python3 "$here/check.py" "$work/before.txt" "$work/after.txt" "$snapshot"
