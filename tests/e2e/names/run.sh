#!/usr/bin/env bash
# End to end: keys, values, data and file paths in Hebrew, Chinese, Cyrillic,
# accented Latin and an emoji, in a fresh prefix of the 1252 code page.
# hvmend-cli scans them (text and JSON), repairs the stale ones with their
# undo snapshot, lists and restores that snapshot; check.py compares.
# Usage: run.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
cli="$build/bin/hvmend-cli.exe"
dump="$build/bin/registry_dump.exe"
export WINEPREFIX="$build/e2e-names-prefix"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wineboot -i >/dev/null 2>&1 || true
wineserver -w
wineserver -p >/dev/null 2>&1 </dev/null
wine cmd /c exit </dev/null >/dev/null 2>&1 || true

work="$build/e2e-names-work"
rm -rf "$work"
mkdir -p "$work"
# The programs that are there.
mkdir -p "$WINEPREFIX/drive_c/hvm-names/文件"
touch "$WINEPREFIX/drive_c/hvm-names/文件/present.exe" "$WINEPREFIX/drive_c/hvm-names/Файл.exe"
python3 -c 'import sys; open(sys.argv[2], "wb").write(b"\xff\xfe" + open(sys.argv[1], encoding="utf-8", newline="").read().encode("utf-16-le"))' \
  "$here/seed.txt" "$work/seed.reg"
wine regedit /s "$(winepath -w "$work/seed.reg")"

apps='HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths'
vendor='HKLM\Software\HvmNames Vendor'
# The seeded keys and values, as stored: "key|name|type|bytes".
dump_keys() {
  { wine "$dump" "$apps"; wine "$dump" "$vendor"; } |
    grep -e 'gone-' -e 'present-' -e 'HvmNames Vendor' >"$1" || true
}

data='C:\hvm-names-data'
dump_keys "$work/before.txt"
wine "$cli" scan --json --quiet --data-dir "$data" --sections 18,23 >"$work/scan.json" || true
wine "$cli" scan --quiet --data-dir "$data" --sections 18,23 >"$work/scan.txt" || true
wine "$cli" repair --json --quiet --include-caution --data-dir "$data" --sections 18,23 \
  >"$work/repair.json" || true
dump_keys "$work/repaired.txt"
wine "$cli" undo list --json --data-dir "$data" >"$work/undo.json"
for snapshot in $(python3 -c 'import json,sys; print(" ".join(s["name"] for s in json.load(open(sys.argv[1], encoding="utf-8"))["snapshots"]))' "$work/undo.json"); do
  wine "$cli" undo restore "$snapshot" --data-dir "$data" >>"$work/restore.out" 2>&1 || true
done
dump_keys "$work/restored.txt"
cp "$WINEPREFIX/drive_c/hvm-names-data/"Undo*.reg "$work/"

python3 "$here/check.py" "$work"
