#!/usr/bin/env bash
# Software installed by real installers, in a fresh Wine prefix of its own: two
# Windows Installer packages (Acme Tray, Acme Widgets) and an NSIS setup (Bolt
# Notes), each downloaded to the user's Downloads folder and installed
# silently. A read-only scan of every section is made of the fresh prefix, of
# the installed software, after its removal, after a second install without
# its downloads, and without its program folders; check.py compares what each
# scan reports beyond the fresh prefix's own findings with expected.txt.
# usage: run.sh BUILD_DIR STAGE   (STAGE holds the two packages and the setup)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
stage=$(cd "$2" && pwd)
cli="$build/bin/hvmend-cli.exe"
work="$build/e2e-installed-work"
rm -rf "$work"
mkdir -p "$work"

source "$here/../../installer/prefix_checks.sh" installed

# An installer's or uninstaller's exit code; the prefix is quiet once every
# process it started (an NSIS uninstaller's copy of itself) has ended.
run_status() {
  local status=0
  wine "$@" </dev/null >/dev/null 2>&1 || status=$?
  wineserver -w
  echo "$status"
}
value() {  # value KEY NAME: the data of one registry value, or nothing
  local line
  line=$(wine reg query "$1" /v "$2" </dev/null 2>/dev/null | tr -d '\r' |
    grep -F -m 1 "    $2    REG_") || return 0
  line=${line#*"    $2    REG_"}
  echo "${line#*    }"
}
key_exists() { wine reg query "$1" </dev/null >/dev/null 2>&1; }

wineboot -i >/dev/null 2>&1
wineserver -w
drive_c=$WINEPREFIX/drive_c
user=$(ls "$drive_c/users" | grep -vx Public | head -n 1)
users_folder="$drive_c/users/$user"
# Wine links the user's Desktop, Documents, Downloads... to this machine's home
# folder; the software goes into folders of the prefix instead, each holding
# something of the user's as a user's folders do (on removal Wine's msiexec
# takes away empty folders a package names, the user's Desktop and Documents
# included).
for folder in "$users_folder"/*; do
  if [ -L "$folder" ]; then
    rm "$folder"
    mkdir "$folder"
    echo "the user's own file" >"$folder/own.txt"
  fi
done

downloads="C:\\users\\$user\\Downloads"
# Acme Tray comes in a folder of its own, as a setup unpacks itself; the others
# are single files in the Downloads folder.
tray_download="$downloads\\AcmeTray-2.1.0"
tray_package="$tray_download\\acme_tray.msi"
widgets_package="$downloads\\acme_widgets.msi"
bolt_setup="$downloads\\BoltNotesSetup.exe"
tray_product='{A7C3E1D0-1B2C-4D5E-8F90-A1B2C3D4E501}'
widgets_product='{B81F0C42-7E3A-4C55-9D16-3A0B5C7E9D01}'
program_files="$drive_c/Program Files"
bolt_uninstaller='C:\Program Files\Bolt Notes\uninstall.exe'
uninstall_root='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
shared_dlls='HKLM\Software\Microsoft\Windows\CurrentVersion\SharedDLLs'
shared_core='C:\Program Files\Common Files\Acme Shared\acmecore.dll'

download() {
  mkdir -p "$(winepath -u "$tray_download")"
  cp "$stage/acme_tray.msi" "$(winepath -u "$tray_package")"
  cp "$stage/acme_widgets.msi" "$(winepath -u "$widgets_package")"
  cp "$stage/BoltNotesSetup.exe" "$(winepath -u "$bolt_setup")"
}

install_all() {
  check "Acme Tray installs (msiexec /i /qn)" \
    test "$(run_status msiexec /i "$tray_package" /qn)" = 0
  check "Acme Widgets installs (msiexec /i /qn)" \
    test "$(run_status msiexec /i "$widgets_package" /qn)" = 0
  check "Bolt Notes installs (setup /S)" test "$(run_status "$bolt_setup" /S)" = 0
  for file in Acme/acme.exe Acme/acme.chm "Acme Widgets/acmewidgets.dll" \
    "Acme Widgets/acmewidgets.tlb" "Common Files/Acme Shared/acmecore.dll" \
    "Bolt Notes/bolt.exe" "Bolt Notes/uninstall.exe"; do
    check "$file is installed" test -f "$program_files/$file"
  done
  check "the Acme Tray Run entry starts the installed program with /tray" \
    test "$(value 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' 'Acme Tray')" = \
    '"C:\Program Files\Acme\acme.exe" /tray'
  check "the shared library is counted for both Acme packages" \
    test "$(value "$shared_dlls" "$shared_core")" = 0x2
  check "Windows Installer registered the widgets' type library" \
    key_exists 'HKCR\TypeLib\{6E4B2A10-5C1D-4F7E-9A3B-2D8C0E1F4A01}\1.0\0\win64'
  for product in "$tray_product" "$widgets_product" BoltNotes; do
    check "the Uninstall entry $product is there" key_exists "$uninstall_root\\$product"
  done
}

uninstall_all() {
  check "Acme Tray is removed (msiexec /x /qn)" \
    test "$(run_status msiexec /x "$tray_product" /qn)" = 0
  check "Acme Widgets is removed (msiexec /x /qn)" \
    test "$(run_status msiexec /x "$widgets_product" /qn)" = 0
  check "Bolt Notes is removed (uninstall.exe /S)" \
    test "$(run_status "$bolt_uninstaller" /S)" = 0
  for folder in Acme "Acme Widgets" "Common Files/Acme Shared" "Bolt Notes"; do
    check "$folder is gone" test ! -e "$program_files/$folder"
  done
  for product in "$tray_product" "$widgets_product" BoltNotes; do
    check "the Uninstall entry $product is gone" eval "! key_exists '$uninstall_root\\$product'"
  done
}

data='C:\hvm-installed-data'
all=1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24
scan() {  # scan STATE: a read-only scan of every section into $work/STATE.json
  local status=0
  wine "$cli" scan --read-only --json --quiet --data-dir "$data" --sections "$all" \
    </dev/null >"$work/$1.json" 2>"$work/$1.err" || status=$?
  check "the scan of the $1 state ends with exit code 0 or 1 (it was $status)" test "$status" -le 1
}

echo "scanning the fresh prefix"
scan fresh
download
echo "installing Acme Tray, Acme Widgets and Bolt Notes"
install_all
scan installed
echo "removing them"
uninstall_all
scan uninstalled
echo "installing them again, then deleting their downloads"
install_all
rm -r "$(winepath -u "$tray_download")"
rm "$(winepath -u "$widgets_package")" "$(winepath -u "$bolt_setup")"
scan download-deleted
echo "deleting their program folders"
rm -r "$program_files/Acme" "$program_files/Acme Widgets" \
  "$program_files/Common Files/Acme Shared" "$program_files/Bolt Notes"
scan folder-deleted

check "every state reports what expected.txt says" \
  python3 "$here/check.py" "$here/expected.txt" "$work" "$user"
if [ "$failures" -ne 0 ]; then
  echo "installed software: $failures check(s) failed"
  exit 1
fi
echo "installed software: all checks passed"
