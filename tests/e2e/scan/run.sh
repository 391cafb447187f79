#!/usr/bin/env bash
# End-to-end scan: a fresh Wine prefix seeded from seed.reg with stale and
# working entries for every section, scanned by hvmend-cli with all 24
# sections; check.py compares the report, the undo snapshot and the registry.
# Usage: run.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
cli="$build/bin/hvmend-cli.exe"
export WINEPREFIX="$build/e2e-scan-prefix"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# A server left from an earlier run would go on writing into the prefix.
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
trap 'wineserver -k >/dev/null 2>&1 || true; wineserver -w >/dev/null 2>&1 || true' EXIT
wineboot -i >/dev/null 2>&1 || true
wineserver -w
wineserver -p >/dev/null 2>&1 </dev/null
wine cmd /c exit </dev/null >/dev/null 2>&1 || true

work="$build/e2e-scan-work"
rm -rf "$work"
mkdir -p "$work"
wine regedit /s "$(winepath -w "$here/seed.reg")" >/dev/null 2>&1
data='C:\hvm-e2e-data'
all=1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24
export_registry() {
  for root in HKLM HKCU; do
    wine reg export "$root" "$(winepath -w "$work/$1-$root.reg")" /y >/dev/null
  done
}

# A scan asked only to look changes nothing. The prefix's own services start
# at their own pace and record themselves in HKLM: wait until two exports a
# moment apart agree before taking the one to compare with.
export_registry before
for attempt in 1 2 3 4 5 6 7 8 9 10; do
  sleep 1
  export_registry settled
  python3 "$here/compare_exports.py" "$work/before-HKLM.reg" "$work/settled-HKLM.reg" >/dev/null &&
    python3 "$here/compare_exports.py" "$work/before-HKCU.reg" "$work/settled-HKCU.reg" >/dev/null &&
    break
  for root in HKLM HKCU; do mv "$work/settled-$root.reg" "$work/before-$root.reg"; done
done
wine "$cli" scan --read-only --json --quiet --data-dir "$data" --sections "$all" \
  >"$work/read-only.json" 2>"$work/read-only.err" || true
export_registry after
for root in HKLM HKCU; do
  python3 "$here/compare_exports.py" "$work/before-$root.reg" "$work/after-$root.reg" >"$work/diff-$root.txt" &&
    echo "read-only $root unchanged" || echo "read-only $root CHANGED"
done >"$work/read-only.txt"

status=0
wine "$cli" scan --json --quiet --data-dir "$data" --sections "$all" \
  >"$work/scan.json" 2>"$work/scan.err" || status=$?
echo "scan exit code: $status"
[ "$status" -eq 1 ] || { cat "$work/scan.err"; exit 1; }
wine "$cli" undo list --json --data-dir "$data" >"$work/undo.json"

# Present, absent, or the query itself failed (a loaded machine must not turn a
# failed query into "absent").
query() {
  local out
  if out=$(wine reg query "$1" /v "$2" 2>&1); then
    echo present
  elif grep -q "Unable to find" <<<"$out"; then
    echo absent
  else
    echo "query of $1 $2 failed: $out" >>"$work/query.err"
    echo query-failed
  fi
}
{
  echo "knowndll-stale $(query 'HKLM\System\CurrentControlSet\Control\Session Manager\KnownDLLs' HvmStale)"
  echo "knowndll-valid $(query 'HKLM\System\CurrentControlSet\Control\Session Manager\KnownDLLs' HvmValid)"
  echo "run-stale $(query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' HvmStale)"
  echo "run-valid $(query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' HvmValid)"
} >"$work/after-scan.txt"

snapshot=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["snapshots"][0]["name"])' "$work/undo.json" 2>/dev/null || true)
[ -n "$snapshot" ] && wine "$cli" undo restore "$snapshot" --data-dir "$data" >"$work/restore.out" 2>&1
echo "run-restored $(query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' HvmStale)" >>"$work/after-scan.txt"

python3 "$here/check.py" "$here/expected.txt" "$work"
