#!/usr/bin/env bash
# The Windows installer, in a Wine prefix of its own made afresh: /S installs silently
# into Program Files with the Start-menu entries (and, with the window, the bench
# window's entry "Vantrel Bench" and the .phx association); the installed vantrel-cli.exe
# runs and writes the type table at its first start; the uninstaller /S removes the
# files, the entries and the association and leaves the type table, edits and all. A second round: a .phx type taken over by
# another program since stays that program's.
# Usage: installer.sh INSTALLER BUILD_DIR (BUILD_DIR tells whether vantrel.exe was built)
set -euo pipefail
installer=$(realpath "$1") build=$2
export WINEPREFIX=$(realpath "$build")/installprefix WINEDEBUG=-all WINEARCH=win64 DISPLAY=
version=1.1.12
commit=$(sed -n 's/^VANTREL_BUILT_COMMIT:INTERNAL=//p' "$build/CMakeCache.txt")
window=""
[ -z "$(find "$build" \( -name _CPack_Packages -o -name '*prefix' \) -prune -o -name vantrel.exe -print -quit)" ] \
  || window=yes

fail() { echo "FAILED: $*"; exit 1; }
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wineserver -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"
wineboot --init >/dev/null 2>&1

folder="$WINEPREFIX/drive_c/Program Files/Vantrel"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Vantrel"
types='HKLM\Software\Telvar\Quorvels\Types'
# The default value of a key, or nothing when the key or the value is missing.
# Outputs are read whole before grep looks at them: grep -q stopping early would fail
# the pipeline (pipefail) when the writer is still writing.
reg_text() { local text; text=$(wine reg query "$@" 2>/dev/null | tr -d '\r') || true; echo "$text"; }
default_of() { reg_text "$1" /ve | sed -n 's/^ *(Default) *REG_SZ *//p'; }
has_key() { wine reg query "$1" >/dev/null 2>&1; }
install_silently() { wine "$installer" /S || fail "the installer exited $?"; wineserver -w; }
# The uninstaller copies itself away and runs from there: wait for the prefix to be idle.
uninstall_silently() { wine 'C:\Program Files\Vantrel\Uninstall.exe' /S || fail "the uninstaller exited $?"; wineserver -w; }

install_silently
for file in vantrel-cli.exe README.md vantrel-types-sample.reg Uninstall.exe ${window:+vantrel.exe vantrel-bench.exe}; do
  [ -f "$folder/$file" ] || fail "not installed: $file"
done
echo "ok: files in C:\\Program Files\\Vantrel"

# A shortcut names its target by its full path (8-bit), its arguments in UTF-16.
lnk_text() { local text; text=$(strings -a "$1"; strings -a -el "$1"); echo "$text"; }
for link in "Vantrel console:C:\\windows\\system32\\cmd.exe" "Uninstall:C:\\Program Files\\Vantrel\\Uninstall.exe" \
    ${window:+"Vantrel:C:\\Program Files\\Vantrel\\vantrel.exe"} \
    ${window:+"Vantrel Bench:C:\\Program Files\\Vantrel\\vantrel-bench.exe"}; do
  name=${link%%:*} target=${link#*:}
  [ -f "$menu/$name.lnk" ] || fail "no Start-menu entry $name"
  grep -qixF "$target" <<<"$(lnk_text "$menu/$name.lnk")" || fail "$name.lnk does not lead to $target"
done
grep -qxF "/k vantrel-cli.exe --help" <<<"$(lnk_text "$menu/Vantrel console.lnk")" || fail "Vantrel console.lnk runs no vantrel-cli.exe"
echo "ok: Start-menu entries${window:+ (with the window)}"

if [ -n "$window" ]; then
  [ "$(default_of 'HKCR\.phx')" = Vantrel.phx ] || fail ".phx is not Vantrel.phx: $(default_of 'HKCR\.phx')"
  command=$(default_of 'HKCR\Vantrel.phx\shell\open\command')
  [ "$command" = '"C:\Program Files\Vantrel\vantrel.exe" "%1"' ] || fail ".phx opens with: $command"
  echo "ok: .phx files open with vantrel.exe"
else
  ! has_key 'HKCR\.phx' || fail ".phx associated although there is no vantrel.exe"
  echo "skipped: the .phx association (no vantrel.exe built)"
fi

# The installer leaves the type table to the program: its first start as administrator
# (Wine's user is one) writes the defaults, even when the file does not load.
! has_key "$types" || fail "the installer wrote the type table"
out=$(wine 'C:\Program Files\Vantrel\vantrel-cli.exe' --version 2>&1 | tr -d '\r')
[ "$out" = "vantrel-cli $version (commit $commit)" ] || fail "installed vantrel-cli.exe --version printed: $out"
# The file's properties (the version resource) name the same.
for program in vantrel-cli.exe ${window:+vantrel.exe vantrel-bench.exe}; do
  grep -qxF "$version (commit $commit)" <<<"$(strings -a -el "$folder/$program")" \
    || fail "$program's version resource does not name $version (commit $commit)"
done
[ -z "$window" ] || grep -qxF "Vantrel Bench" <<<"$(strings -a -el "$folder/vantrel-bench.exe")" \
  || fail "vantrel-bench.exe's version resource does not name Vantrel Bench"

wine 'C:\Program Files\Vantrel\vantrel-cli.exe' load 'C:\no-such-file.phx' >/dev/null 2>&1 || true
grep -q 'REG_DWORD *0x13' <<<"$(reg_text "$types" /v Version)" || fail "the first start wrote no type table"
echo "ok: the installed vantrel-cli.exe runs, says it is $version (commit $commit), and writes the type table"

# An administrator's edit, which the uninstaller must keep.
wine reg add "$types\\3" /v Name /d "Edited 03" /f >/dev/null 2>&1
uninstall_silently
[ ! -e "$folder" ] || fail "left in Program Files: $(ls -A "$folder")"
[ ! -e "$menu/Vantrel Bench.lnk" ] || fail "the Start-menu entry Vantrel Bench is still there"
[ ! -e "$menu" ] || fail "left in the Start menu: $(ls -A "$menu")"
! has_key 'HKCR\.phx' || fail "the .phx type is still there"
! has_key 'HKCR\Vantrel.phx' || fail "the Vantrel.phx class is still there"
! has_key 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantrel' || fail "still listed as installed"
grep -q 'REG_DWORD *0x13' <<<"$(reg_text "$types" /v Version)" || fail "the type table's Version is gone"
grep -q 'REG_SZ *Edited 03$' <<<"$(reg_text "$types\\3" /v Name)" || fail "the edited row is gone"
[ "$(grep -c '^HKEY.*\\Types\\' <<<"$(reg_text "$types")")" -eq 35 ] || fail "type table rows lost"
echo "ok: the uninstaller removes files, entries and association and keeps the type table"

if [ -n "$window" ]; then
  install_silently
  wine reg add 'HKLM\Software\Classes\.phx' /ve /d Other.phx /f >/dev/null 2>&1
  uninstall_silently
  [ "$(default_of 'HKCR\.phx')" = Other.phx ] || fail "the uninstaller took .phx from the program that owns it now"
  ! has_key 'HKCR\Vantrel.phx' || fail "the Vantrel.phx class is still there"
  echo "ok: a .phx type taken over since is left to its new owner"
fi
