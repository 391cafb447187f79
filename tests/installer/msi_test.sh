#!/usr/bin/env bash
# The Windows Installer package in a fresh Wine prefix of its own, run as a
# deployment tool runs it (msiexec /qn): an install puts the programs, the
# help, the Start-menu shortcut and one Add/Remove Programs entry in place and
# the console program runs from there; the next version (only the fourth
# number higher) replaces it in place, and so does the next patch level; an
# older package is then refused; removal takes everything away, the user's
# start-up shortcut included, and keeps the user's data folder.
# usage: msi_test.sh ICON PACKAGE VERSION NEXT_PACKAGE NEXT_VERSION PATCH_PACKAGE PATCH_VERSION
set -euo pipefail
icon=$(realpath "$1")
package=$(realpath "$2") version=$3
next_package=$(realpath "$4") next_version=$5
patch_package=$(realpath "$6") patch_version=$7

source "$(dirname "$0")/prefix_checks.sh" msi
# msiexec hands the work to the Windows Installer service; its exit code is
# the package's result, and the prefix is quiet once every process has ended.
msiexec_status() {
  local status=0
  wine msiexec "$@" </dev/null >/dev/null 2>&1 || status=$?
  wineserver -w
  echo "$status"
}

uninstall_root='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
# The Add/Remove Programs entries named Hivemend, one key per line.
hivemend_entries() {
  wine reg query "$uninstall_root" /s </dev/null 2>/dev/null | tr -d '\r' |
    awk '/^HKEY_/ { key = $0 } /^ +DisplayName +REG_SZ +Hivemend$/ { print key }'
}
# value KEY NAME: the data of one registry value, or nothing.
value() {
  wine reg query "$1" /v "$2" </dev/null 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
lines() { grep -c . <<<"$1" || true; }
# The keys right under KEY, one a line (the first line is KEY itself).
subkeys() {
  wine reg query "$1" </dev/null 2>/dev/null | tr -d '\r' | grep '^HKEY_' | tail -n +2 || true
}
# registry_mentions ROOT WORD: how many lines of ROOT's export hold WORD.
registry_mentions() {
  local file=$WINEPREFIX/export.reg
  wine reg export "$1" "$(winepath -w "$file")" /y </dev/null >/dev/null 2>&1
  iconv -f UTF-16 -t UTF-8 "$file" | grep -ci "$2" || true
}
installed_cli_version() {
  wine "C:\\Program Files\\Hivemend\\hvmend-cli.exe" --version </dev/null 2>/dev/null | tr -d '\r'
}

wineboot -i >/dev/null 2>&1
wineserver -w
drive_c=$WINEPREFIX/drive_c
program_folder="$drive_c/Program Files/Hivemend"
user_folder="$drive_c/users/$(whoami)"
data_folder="$user_folder/AppData/Local/BrightfoldSoftware"
user_programs="$user_folder/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
all_programs="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
files_before=$(cd "$drive_c" && find . | sort)

# One entry, and it says what the package `version` is.
check_single_entry() {  # check_single_entry VERSION
  local entries
  entries=$(hivemend_entries)
  check "one Add/Remove Programs entry after installing $1" test "$(lines "$entries")" -eq 1
  entry=$(head -n 1 <<<"$entries")
  check "the entry says version $1" test "$(value "$entry" DisplayVersion)" = "$1"
}

echo "installing $(basename "$package") with msiexec /qn"
check "the install ends with exit code 0" test "$(msiexec_status /i "$(winepath -w "$package")" /qn)" = 0
for file in hvmend.exe hvmend-cli.exe hvmend.chm; do
  check "$file is installed" test -f "$program_folder/$file"
done
# Windows puts a per-machine package's shortcuts in the all-users Start menu;
# Wine 8's msiexec puts them in the installing user's.
menu_shortcut=$(find "$all_programs" "$user_programs" -path '*/Hivemend/Hivemend.lnk' 2>/dev/null || true)
check "one Start-menu shortcut Hivemend\\Hivemend.lnk" test "$(lines "$menu_shortcut")" -eq 1
check "the shortcut opens the installed hvmend.exe" \
  grep -qaF 'C:\Program Files\Hivemend\hvmend.exe' "$menu_shortcut"
check "the installed console program tells version $version" \
  test "$(installed_cli_version)" = "Hivemend $version"
check_single_entry "$version"
check "the install is registered (the registry names Hivemend)" \
  test "$(registry_mentions HKLM Hivemend)" -gt 0
first_product=${entry##*\\}
check "the entry names the publisher" test "$(value "$entry" Publisher)" = "Brightfold Software"
check "the entry says where the programs are" \
  test "$(value "$entry" InstallLocation)" = 'C:\Program Files\Hivemend\'
size_kb=$((($(cat "$program_folder"/* | wc -c) + 1023) / 1024))
check "the entry's size is the programs' size in KiB ($size_kb)" \
  test "$(value "$entry" Size)" = "$size_kb"
check "the entry removes the product with msiexec" \
  test "$(value "$entry" UninstallString)" = "MsiExec.exe /X$first_product"
# Windows turns the package's icon into the entry's DisplayIcon; Wine keeps it
# as the product's icon, which Windows writes too.
product_key=$(wine reg query 'HKLM\Software\Classes\Installer\Products' /s </dev/null 2>/dev/null |
  tr -d '\r' | awk '/^HKEY_/ { key = $0 } /^ +ProductName +REG_SZ +Hivemend$/ { print key }')
icon_file=$(value "$product_key" ProductIcon)
check "the product's icon is the program's icon" \
  cmp -s "$icon" "$(winepath -u "${icon_file:-C:\\none}")"

# What the program itself makes for a user: its data and a start-up shortcut
# (in the start-up folder as Wine spells it; Linux tells the cases apart).
startup_folder=$(find "$user_programs" -maxdepth 1 -iname startup | head -n 1)
startup_shortcut="${startup_folder:-$user_programs/Startup}/hvmend.lnk"
mkdir -p "$data_folder" "$(dirname "$startup_shortcut")"
printf '[settings]\r\nUpdateFreq=1\r\n' >"$data_folder/hvmend.ini"
cp "$menu_shortcut" "$startup_shortcut"

echo "installing the next version $(basename "$next_package") over it"
check "the upgrade ends with exit code 0" \
  test "$(msiexec_status /i "$(winepath -w "$next_package")" /qn)" = 0
check_single_entry "$next_version"
check "the entry is the new product's" test "${entry##*\\}" != "$first_product"
check "the installed console program is the new one" \
  test "$(installed_cli_version)" = "Hivemend $next_version"
check "the help is still installed" test -f "$program_folder/hvmend.chm"
check "the Start-menu shortcut is still there" test -f "$menu_shortcut"
check "the user's start-up shortcut is left alone by an upgrade" test -f "$startup_shortcut"

echo "installing the next patch level $(basename "$patch_package") over it"
check "the upgrade ends with exit code 0" \
  test "$(msiexec_status /i "$(winepath -w "$patch_package")" /qn)" = 0
check_single_entry "$patch_version"

echo "installing the older $(basename "$package") over it"
# 1603 (a fatal error, here the launch condition that refuses a downgrade),
# of which Linux passes on the low byte.
check "the older package is refused with exit code 1603" \
  test "$(msiexec_status /i "$(winepath -w "$package")" /qn)" = $((1603 % 256))
check_single_entry "$patch_version"
check "the programs are still installed" test -f "$program_folder/hvmend-cli.exe"

echo "removing it with msiexec /x /qn"
check "the removal ends with exit code 0" test "$(msiexec_status /x "${entry##*\\}" /qn)" = 0
check "no Add/Remove Programs entry is left" test -z "$(hivemend_entries)"
for list in Products UpgradeCodes; do
  check "Windows Installer's $list list is empty" test "$(lines "$(subkeys \
    "HKLM\\Software\\Classes\\Installer\\$list")")" -eq 0
done
for root in HKLM HKCU; do
  check "no key or value of $root names Hivemend" test "$(registry_mentions $root Hivemend)" -eq 0
done
check "the user's start-up shortcut is gone" test ! -e "$startup_shortcut"
check "the data folder is kept" test -f "$data_folder/hvmend.ini"
# Every file and folder of the fresh prefix is as it was, but for the data
# folder and Windows Installer's own package cache, which must be empty.
files_after=$(cd "$drive_c" && find . | sort)
left=$(comm -13 <(echo "$files_before") <(echo "$files_after") |
  grep -v -e '^./users/[^/]*/AppData/Local/BrightfoldSoftware' -e '^./windows/Installer$' || true)
check "nothing else is left: ${left:-nothing}" test -z "$left"
gone=$(comm -23 <(echo "$files_before") <(echo "$files_after"))
check "nothing of the prefix went missing: ${gone:-nothing}" test -z "$gone"

if [ "$failures" -ne 0 ]; then
  echo "msi round trip: $failures check(s) failed"
  exit 1
fi
echo "msi round trip: all checks passed"
