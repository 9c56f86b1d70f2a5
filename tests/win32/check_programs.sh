#!/usr/bin/env bash
# check_programs.sh size BYTES IMAGE | markers IMAGE | imports OBJDUMP PROGRAM...: the image within
# its bar; with no container marker; each program importing only KERNEL32 and msvcrt at load time.
set -euo pipefail
fail() { echo "check_programs.sh: FAILED: $*" >&2 && exit 1; }
case $1 in
  size) (($(stat -c %s "$3") <= $2)) || fail "$3 is $(stat -c %s "$3") bytes, over $2" ;;
  markers) ! grep -a -o -m 1 -E 's/Parcelon/p|p/NewFile/p' "$2" || fail "$2 holds a marker" ;;
  imports)
    for program in "${@:3}"; do
      dlls=$("$2" -p "$program" | sed -n 's/^[[:space:]]*DLL Name: *//p' | tr -d '\r' |
        tr '[:upper:]' '[:lower:]' | sort | paste -s -d ,)
      echo "$program: $dlls"
      [[ $dlls == kernel32.dll,msvcrt.dll ]] || fail "$program imports $dlls, not kernel32, msvcrt"
    done
    ;;
esac
