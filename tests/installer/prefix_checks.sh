# Sourced by the installer round trips: a fresh Wine prefix of the test's own,
# taken away when the script ends, and `check`, which counts failures instead
# of stopping at the first so that one run shows everything that is wrong.
# usage: source prefix_checks.sh NAME   (NAME goes into the prefix folder's name)
export WINEPREFIX
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/hvm-$1-prefix.XXXXXX")
# Wine's menu builder would copy the installed shortcuts into this machine's
# own menus, outside the prefix.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

failures=0
check() {  # check DESCRIPTION COMMAND...
  local description=$1
  shift
  if "$@"; then
    echo "ok: $description"
  else
    echo "FAILED: $description"
    failures=$((failures + 1))
  fi
}
