#!/usr/bin/env bash
# Runs a Windows program under Wine in a Wine prefix kept for the purpose. It is the emulator of
# the cross build (cmake/wine.cmake): CTest runs every Windows test program through it.
#
#   wine-run.sh PREFIX PROGRAM [ARGUMENT...]  runs PROGRAM and exits with its exit code
#   wine-run.sh PREFIX --start                makes the prefix when new and starts its session
#   wine-run.sh PREFIX --stop                 ends the prefix's Wine processes and X server
#
# On first use the prefix is made (64-bit, wineboot -i). Wine links the user folders in it
# (Desktop, Documents, ...) to the Linux home folder; they become real folders, so that what a
# program under test writes there stays in the prefix. Without DISPLAY, one Xvfb server is shared
# by the runs of a prefix; it ends with --stop, or when no run has used it for a minute.
#
# The wineserver is started here, detached, and stays TGW_WINE_LINGER seconds (default 30) after
# the last program so that the next run starts at once. The program's standard error goes
# through a file: the Wine processes started in the background (explorer.exe, services.exe)
# inherit it, and a pipe they hold would keep the test runner waiting after the program ended.
# TGW_WINEDEBUG (default -all) becomes WINEDEBUG.
set -euo pipefail

usage() {
  sed -n '5,7s/^#  *//p' "$0" >&2
  exit 2
}
(($# >= 2)) || usage
prefix=$(realpath -m -- "$1")
shift

export WINEPREFIX=$prefix
export WINEARCH=win64
export WINEDEBUG=${TGW_WINEDEBUG:--all}
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
linger=${TGW_WINE_LINGER:-30}
xvfb_idle_seconds=60

mkdir -p -- "$prefix"
lock_file=$prefix/.tgw-lock    # held alone while the prefix, its X server or session is set up
use_file=$prefix/.tgw-use      # held shared by each run; its time is that of the last use
ready_stamp=$prefix/.tgw-ready # the prefix is complete
xvfb_file=$prefix/.tgw-xvfb    # "DISPLAY PID" of the shared Xvfb

say() { echo "wine-run.sh: $*" >&2; }

# Whether PID is a running Xvfb: not another process that got its number, nor an Xvfb that
# ended and waits to be reaped.
is_xvfb() {
  local stat
  [[ -n ${1:-} ]] && stat=$(cat "/proc/$1/stat" 2>/dev/null) && [[ $stat == *"(Xvfb) "[!Z]* ]]
}

# The files of the prefix, apart from this script's own; with -foreign, those Wine does not make.
prefix_content() {
  local names=(! -name '.tgw-*')
  if [[ ${1:-} == -foreign ]]; then
    names+=(! -name drive_c ! -name dosdevices ! -name '*.reg' ! -name .update-timestamp
      ! -name wineserver)
  fi
  find "$prefix" -mindepth 1 -maxdepth 1 "${names[@]}"
}

replace_linked_folders() {
  local link
  while IFS= read -r -d '' link; do
    rm -f -- "$link"
    mkdir -p -- "$link"
  done < <(find "$prefix/drive_c/users" -type l -print0 2>/dev/null)
}

make_prefix() {
  local started=$SECONDS log=$prefix/.tgw-wineboot.log
  if [[ -n $(prefix_content -foreign) ]]; then
    say "$prefix holds other files than a Wine prefix; not touching it"
    exit 1
  fi
  if [[ -n $(prefix_content) ]]; then
    say "removing the unfinished prefix $prefix"
    wineserver -k </dev/null >/dev/null 2>&1 {lock_fd}>&- {use_fd}>&- || true
    prefix_content | xargs -r -d '\n' rm -rf --
  fi
  if ! wineboot -i </dev/null >"$log" 2>&1 {lock_fd}>&- {use_fd}>&-; then
    cat "$log" >&2
    say "wineboot -i failed"
    exit 1
  fi
  # Wait for the session to end: then the registry is on disk and nothing runs in the prefix.
  timeout 120 wineserver -w </dev/null >/dev/null 2>&1 {lock_fd}>&- {use_fd}>&- || true
  replace_linked_folders
  touch -- "$ready_stamp"
  say "made the Wine prefix $prefix in $((SECONDS - started)) s"
}

start_xvfb() {
  local fifo=$prefix/.tgw-xvfb.fifo number pid
  rm -f -- "$fifo"
  mkfifo -- "$fifo"
  # In its own session, so that a signal to the test runner's process group leaves it alone.
  # (setsid does not fork here: a background job of a script leads no process group.)
  setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp \
    3>"$fifo" </dev/null >/dev/null 2>&1 {lock_fd}>&- {use_fd}>&- &
  pid=$!
  # Read the whole line (number and newline) before closing the pipe, or Xvfb can fail.
  exec {fifo_fd}<>"$fifo"
  if ! read -r -t 20 number <&"$fifo_fd"; then number=; fi
  exec {fifo_fd}<&-
  rm -f -- "$fifo"
  if [[ -z $number ]] || ! is_xvfb "$pid"; then
    say "Xvfb did not start"
    exit 1
  fi
  echo ":$number $pid" >"$xvfb_file"
  setsid "$0" "$prefix" --watch-xvfb "$pid" </dev/null >/dev/null 2>&1 {lock_fd}>&- {use_fd}>&- &
}

# Sets DISPLAY: the caller's, or the prefix's shared Xvfb, started when not running.
use_display() {
  [[ -n ${DISPLAY:-} ]] && return
  local display='' pid=''
  if [[ -e $xvfb_file ]]; then read -r display pid <"$xvfb_file" || true; fi
  if ! is_xvfb "$pid" || [[ ! -S /tmp/.X11-unix/X${display#:} ]]; then
    start_xvfb
    read -r display pid <"$xvfb_file"
  fi
  export DISPLAY=$display
}

start_wineserver() {
  # Exits at once (status 2) when one is running for the prefix already.
  wineserver -p"$linger" </dev/null >/dev/null 2>&1 {lock_fd}>&- {use_fd}>&- || true
}

# Stops the shared Xvfb once no run has used it for a while. Runs detached, started with it.
watch_xvfb() {
  local pid=$1 idle_fd
  while sleep 10; do
    is_xvfb "$pid" || exit 0
    # Not the prefix's server any more (replaced, or the prefix was deleted): not needed.
    if [[ $(cat "$xvfb_file" 2>/dev/null) != *" $pid" ]]; then
      kill "$pid"
      exit 0
    fi
    exec {idle_fd}>>"$use_file"
    # No run is under way while this holds the lock alone; a new one waits until it is released.
    if flock -n -x "$idle_fd" &&
      (($(date +%s) - $(stat -c %Y "$use_file") >= xvfb_idle_seconds)); then
      kill "$pid"
      rm -f -- "$xvfb_file"
      exit 0
    fi
    exec {idle_fd}>&-
  done
}

exec {lock_fd}>>"$lock_file"
exec {use_fd}>>"$use_file"

case $1 in
  --watch-xvfb)
    exec {lock_fd}>&- {use_fd}>&-
    watch_xvfb "$2"
    ;;
  --start)
    flock -s "$use_fd"
    flock -x "$lock_fd"
    use_display
    [[ -e $ready_stamp ]] || make_prefix
    replace_linked_folders
    start_wineserver
    touch -- "$use_file"
    echo "Wine prefix $prefix ready (DISPLAY=$DISPLAY)"
    ;;
  --stop)
    flock -x "$lock_fd"
    wineserver -k </dev/null >/dev/null 2>&1 {lock_fd}>&- {use_fd}>&- || true
    if [[ -e $xvfb_file ]]; then
      read -r _ pid <"$xvfb_file" || true
      if is_xvfb "${pid:-}"; then kill "$pid"; fi
      rm -f -- "$xvfb_file"
    fi
    echo "Wine processes of $prefix stopped"
    ;;
  -*)
    usage
    ;;
  *)
    flock -s "$use_fd" # before the display is chosen: the watchdog cannot stop it meanwhile
    flock -x "$lock_fd"
    use_display
    [[ -e $ready_stamp ]] || make_prefix
    start_wineserver
    flock -u "$lock_fd"
    touch -- "$use_file"

    errors=$(mktemp "${TMPDIR:-/tmp}/wine-run-stderr.XXXXXX")
    status=0
    wine "$@" 2>"$errors" {lock_fd}>&- {use_fd}>&- || status=$?
    cat -- "$errors" >&2
    rm -f -- "$errors"
    touch -- "$use_file"
    exit "$status"
    ;;
esac
