#!/usr/bin/env bash
# Reads back, natively, the shortcuts the English walk-through made (e2e_tests copies them into
# DIR as Desktop/Tagwright.lnk and Programs/Tagwright/*.lnk) with lnkinfo (liblnk-utils), and
# checks each one's target, arguments, working folder, icon, description, hot key and show
# command. lnkinfo reads the show command as 0 whatever the file holds: it is read from the
# header instead (32-bit little-endian at 0x3C; 1 normal, 3 maximised).
#
#   check_shortcuts.sh DIR
set -euo pipefail

dir=${1:?usage: check_shortcuts.sh DIR}
command -v lnkinfo >/dev/null || {
  echo "lnkinfo not found (Debian package liblnk-utils)" >&2
  exit 1
}

# shellcheck disable=SC1003 # the install folder ends in its backslash
install='c:\program files\Tagwright\'
failures=0
info=

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# The value of lnkinfo's line "NAME : value"; empty when the shortcut has no such line.
field() {
  sed -n "s/^[[:space:]]*$1[[:space:]]*: //p" <<<"$info" | head -n 1
}

expect() { # FILE WHAT EXPECTED ACTUAL
  if [[ $4 != "$3" ]]; then fail "$1: $2 is '$4', expected '$3'"; fi
}

# FILE TARGET ARGUMENTS WORKING_FOLDER ICON_FILE DESCRIPTION SHOW_COMMAND
# TARGET is compared in lower case; "*END" stands for any target ending in END (the system folder
# differs between systems). The others are exact.
check_link() {
  local file=$dir/$1
  if [[ ! -f $file ]]; then
    fail "$1 is missing"
    return
  fi
  if ! info=$(lnkinfo "$file" 2>&1); then
    fail "$1: lnkinfo cannot read it: $info"
    return
  fi
  local target
  target=$(field 'Local path')
  if [[ $2 == \** ]]; then
    if [[ ${target,,} != *"${2#\*}" ]]; then fail "$1: target is '$target', expected $2"; fi
  else
    expect "$1" 'target' "$2" "${target,,}"
  fi
  expect "$1" 'arguments' "$3" "$(field 'Command line arguments')"
  expect "$1" 'working folder' "$4" "$(field 'Working directory')"
  expect "$1" 'icon file' "$5" "$(field 'Icon location')"
  expect "$1" 'icon index' 0 "$(field 'Icon index')"
  expect "$1" 'description' "$6" "$(field 'Description')"
  expect "$1" 'hot key' 0 "$(field 'Hot Key value')"
  expect "$1" 'show command' "$7" "$(od -A n -t u4 -j 60 -N 4 "$file" | tr -d ' ')"
}

app="${install}Tagwright.exe"
check_link Desktop/Tagwright.lnk "${app,,}" '' "$install" "${install}tagwright.exe" Tagwright 1
check_link Programs/Tagwright/Tagwright.lnk "${app,,}" '' "$install" "${install}tagwright.exe" \
  Tagwright 1
# The home page through the system's handler of web addresses, maximised.
check_link 'Programs/Tagwright/Official web site.lnk' '*\system32\rundll32.exe' \
  'url.dll,FileProtocolHandler https://tagwright.example.org/' '' shdocvw.dll \
  'Official web site' 3
check_link 'Programs/Tagwright/Uninstall Tagwright.lnk' "${install,,}uninstall.exe" '' "$install" \
  "${install}uninstall.exe" 'Uninstall Tagwright' 1

if ((failures)); then
  echo "$failures shortcut checks failed" >&2
  exit 1
fi
echo "4 shortcuts read back: targets, arguments, folders, icons, descriptions, show commands"
