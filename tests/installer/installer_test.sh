#!/usr/bin/env bash
# The setup program's round trip in a fresh Wine prefix of its own: a silent
# install puts the programs, the help, the Start-menu shortcut and the
# uninstall entry in place and the console program runs from there; a silent
# uninstall removes all of it, the start-up shortcut and what an unfinished
# update left, and keeps the user's data folder.
# usage: installer_test.sh SETUP VERSION
set -euo pipefail
setup=$(realpath "$1")
version=$2

source "$(dirname "$0")/prefix_checks.sh" installer
# Runs a Wine program and then waits until every process of the prefix has
# ended (the uninstaller hands its work to a copy of itself).
run_wine() {
  wine "$@" </dev/null
  local status=$?
  wineserver -w
  return $status
}

wineboot -i >/dev/null 2>&1
wineserver -w
drive_c=$WINEPREFIX/drive_c
program_folder="$drive_c/Program Files/Hivemend"
menu_shortcut="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Hivemend/Hivemend.lnk"
user_folder="$drive_c/users/$(whoami)"
data_folder="$user_folder/AppData/Local/BrightfoldSoftware"
programs_folder="$user_folder/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Hivemend'

echo "installing $setup silently"
check "the silent install ends with exit code 0" run_wine "$setup" /S
for file in hvmend.exe hvmend-cli.exe hvmend.chm uninstall.exe; do
  check "$file is installed" test -f "$program_folder/$file"
done
check "the Start-menu shortcut is there" test -f "$menu_shortcut"
cli_output=$(wine "C:\\Program Files\\Hivemend\\hvmend-cli.exe" --version </dev/null | tr -d '\r')
check "the installed console program runs and tells its version" \
  test "$cli_output" = "Hivemend $version"
key_text=$(wine reg query "$uninstall_key" </dev/null 2>/dev/null | tr -d '\r' || true)
for value in "DisplayName    REG_SZ    Hivemend" "DisplayVersion    REG_SZ    $version" \
  "Publisher    REG_SZ    Brightfold Software" "EstimatedSize    REG_DWORD    0x" \
  "UninstallString    REG_SZ    \"C:\\Program Files\\Hivemend\\uninstall.exe\""; do
  check "the uninstall entry has $value" grep -qF -- "$value" <<<"$key_text"
done

# What the program itself makes for a user: its data and a start-up shortcut
# (in the start-up folder as Wine spells it; Linux tells the cases apart).
startup_folder=$(find "$programs_folder" -maxdepth 1 -iname startup | head -n 1)
startup_shortcut="${startup_folder:-$programs_folder/Startup}/hvmend.lnk"
mkdir -p "$data_folder" "$(dirname "$startup_shortcut")"
printf '[settings]\r\nUpdateFreq=1\r\n' >"$data_folder/hvmend.ini"
cp "$menu_shortcut" "$startup_shortcut"
# What an update that never finished leaves in the program folder.
mkdir -p "$program_folder/Update/pkg1A2B.tmp"
printf 'package' >"$program_folder/Update/pkg1A2B.tmp/hvmend.exe"
printf 'library' >"$program_folder/Update/rst1A2C.tmp"

echo "uninstalling silently"
check "the silent uninstall ends with exit code 0" \
  run_wine "C:\\Program Files\\Hivemend\\uninstall.exe" /S
check "the program folder is gone" test ! -e "$program_folder"
check "the Start-menu shortcut is gone" test ! -e "$menu_shortcut"
check "the Start-menu folder is gone" test ! -e "$(dirname "$menu_shortcut")"
check "the start-up shortcut is gone" test ! -e "$startup_shortcut"
check "the uninstall entry is gone" bash -c "! wine reg query '$uninstall_key' </dev/null >/dev/null 2>&1"
check "the data folder is kept" test -f "$data_folder/hvmend.ini"

if [ "$failures" -ne 0 ]; then
  echo "installer round trip: $failures check(s) failed"
  exit 1
fi
echo "installer round trip: all checks passed"
