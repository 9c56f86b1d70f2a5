#!/usr/bin/env bash
# check_shortcuts.sh DIR: the walk-through's shortcuts in DIR read back with lnkinfo (target,
# arguments, folder, icon, description, hot key); the show command at 0x3C: 1, 3 for the web site.
set -euo pipefail
dir=${1:?usage: check_shortcuts.sh DIR}
read_back() {
  local info
  info=$(lnkinfo "$dir/$1") || return 0
  field() { sed -n "s/^[[:space:]]*$1[[:space:]]*: //p" <<<"$info" | head -n 1; }
  echo "$1|$(field 'Local path' | tr '[:upper:]' '[:lower:]')|$(field 'Command line arguments')|$(
    field 'Working directory')|$(field 'Icon location')|$(field 'Icon index')|$(field \
    Description)|$(field 'Hot Key value')|$(od -A n -t u4 -j 60 -N 4 "$dir/$1" | tr -d ' ')"
}
# shellcheck disable=SC1003 # the install folder ends in its backslash
install='c:\program files\Tagwright\'
app="${install,,}tagwright.exe"
expected="Desktop Tagwright.lnk|$app||$install|${install}tagwright.exe|0|Tagwright|0|1
Tagwright.lnk|$app||$install|${install}tagwright.exe|0|Tagwright|0|1
Official web site.lnk|c:\windows\system32\rundll32.exe|\
url.dll,FileProtocolHandler https://tagwright.example.org/||shdocvw.dll|0|Official web site|0|3
Uninstall Tagwright.lnk|${install,,}uninstall.exe||$install|${install}uninstall.exe|0|\
Uninstall Tagwright|0|1"
actual=$(while IFS='|' read -r link _; do read_back "$link"; done <<<"$expected")
diff <(echo "$expected") <(echo "$actual") >&2 ||
  { echo "FAIL: the shortcuts read back (>) are not as expected (<)" >&2 && exit 1; }
