#!/usr/bin/env bash
# Builds the distribution folder and starts the setup wizard under Wine.
#
#   run.sh [--port N] [--dist DIR] [--prefix DIR]
#   run.sh --shots DIR [--language english|russian] [--dist DIR] [--prefix DIR]
#
# With a screen ($DISPLAY), the wizard's window opens on it. Without one, the wizard runs on a
# private Xvfb server in a Wine virtual desktop, and is served to a browser: x11vnc shows that
# server on a port of this machine only (127.0.0.1), websockify serves the noVNC web client and
# passes its connection on, and the address to open is printed (port 6080, or the next free one;
# --port N insists on N). Ctrl+C, or the wizard's end, stops every process this script started.
#
# --shots DIR walks the wizard unattended instead (tgwauto.exe, in English unless --language
# says otherwise), installing into a throwaway folder of the Wine prefix and uninstalling it
# afterwards, and writes a picture of every page into DIR (under a private Xvfb server when
# there is no screen).
#
# --dist DIR runs the setup of that distribution folder as it is, without installing packages or
# building; --prefix DIR uses that Wine prefix (default: build/windows/wine, the tests' own).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

say() { echo "run.sh: $*" >&2; }
fail() {
  say "$*"
  exit 1
}
usage() {
  sed -n '4,5s/^#  *//p' "$0" >&2
  exit 2
}

shots='' language='' port='' dist='' prefix=$root/build/windows/wine
while (($#)); do
  case $1 in
    --shots | --language | --port | --dist | --prefix) (($# >= 2)) || usage ;;&
    --shots) shots=$2 ;;
    --language) language=$2 ;;
    --port) port=$2 ;;
    --dist) dist=$2 ;;
    --prefix) prefix=$2 ;;
    *) usage ;;
  esac
  shift 2
done
[[ -z $language || -n $shots ]] ||
  fail "--language goes with --shots (in the wizard, the language is chosen on its first page)"
[[ -z $language || $language == english || $language == russian ]] ||
  fail "--language: english or russian"
[[ -z $port || $port =~ ^[0-9]+$ && $port -ge 1024 && $port -le 65535 ]] ||
  fail "--port: a number from 1024 to 65535"
[[ -z $port || -z $shots ]] || fail "--port goes without --shots"
prefix=$(realpath -m -- "$prefix")
wine_run=$root/scripts/wine-run.sh

screen_size=1024x768
desktop_name=Tagwright # the Wine virtual desktop's name, in its window's title
work=$(mktemp -d "${TMPDIR:-/tmp}/tgw-run.XXXXXX")
xvfb_pid='' x11vnc_pid='' vnc_port='' websockify_pid='' wizard_pid='' wine_started=''

# Stops what this script started, by the process numbers it kept, the last started first.
cleanup() {
  local status=$?
  trap '' INT TERM
  local stopped=()
  if [[ -n $websockify_pid ]]; then
    pkill -TERM -P "$websockify_pid" 2>/dev/null || true # its connections' processes
    kill -TERM "$websockify_pid" 2>/dev/null || true
    stopped+=("websockify ($websockify_pid)")
  fi
  if [[ -n $x11vnc_pid ]]; then
    kill -TERM "$x11vnc_pid" 2>/dev/null || true
    stopped+=("x11vnc ($x11vnc_pid)")
  fi
  if [[ -n $wine_started ]]; then
    "$wine_run" "$prefix" --stop >/dev/null 2>&1 ||
      say "could not stop the Wine processes of $prefix"
    stopped+=("the Wine processes of $prefix")
  fi
  if [[ -n $wizard_pid ]]; then kill -TERM "$wizard_pid" 2>/dev/null || true; fi
  if [[ -n $xvfb_pid ]]; then
    kill -TERM "$xvfb_pid" 2>/dev/null || true
    stopped+=("Xvfb ($xvfb_pid)")
  fi
  local pid
  for pid in $websockify_pid $x11vnc_pid $wizard_pid $xvfb_pid; do
    for _ in {1..50}; do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
  done
  wait 2>/dev/null || true
  rm -rf -- "$work"
  if ((${#stopped[@]})); then
    local list
    printf -v list '%s, ' "${stopped[@]}"
    say "stopped ${list%, }"
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Runs a quiet step: its output is shown only when it fails.
quietly() {
  if ! "$@" >"$work/step.log" 2>&1; then
    cat -- "$work/step.log" >&2
    fail "failed: $*"
  fi
}

build() {
  say "checking the Debian packages the build needs (scripts/install-deps.sh)"
  scripts/install-deps.sh
  say "configuring and building the packer (preset native, build/native)"
  quietly cmake --preset native
  cmake --build --preset native --target tgwpack tgwloadcfg
  say "configuring and building the distribution folder (preset windows, build/windows/dist);" \
    "the first build takes a few minutes"
  quietly cmake --preset windows
  cmake --build --preset windows --target dist tgwauto
  dist=$root/build/windows/dist
}

# A Windows path of a Linux one, through the drive Z: of the prefix (the root folder).
windows_path() {
  local path
  path=$(realpath -m -- "$1")
  echo "Z:${path//\//\\}"
}

# Starts a private Xvfb on a free display (Xvfb picks it) and sets DISPLAY to it.
start_xvfb() {
  local fifo=$work/xvfb.fifo number=''
  mkfifo -- "$fifo"
  Xvfb -displayfd 3 -screen 0 "${screen_size}x24" -nolisten tcp 3>"$fifo" </dev/null \
    >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  # Read the whole line (number and newline) before closing the pipe, or Xvfb can fail.
  exec {fifo_fd}<>"$fifo"
  read -r -t 20 number <&"$fifo_fd" || number=''
  exec {fifo_fd}<&-
  if [[ -z $number ]] || ! kill -0 "$xvfb_pid" 2>/dev/null; then
    cat -- "$work/xvfb.log" >&2
    fail "Xvfb did not start"
  fi
  export DISPLAY=:$number
  say "Xvfb (pid $xvfb_pid) on display $DISPLAY, $screen_size"
}

start_prefix() {
  [[ -e $prefix/.tgw-ready ]] ||
    say "making the Wine prefix $prefix (the first time takes a minute)"
  wine_started=1
  quietly "$wine_run" "$prefix" --start
}

# Whether nothing listens on PORT of this machine, on 127.0.0.1 nor on ::1 (both are "localhost").
port_free() {
  python3 - "$1" <<'EOF'
import errno, socket, sys
port = int(sys.argv[1])
for family, address in ((socket.AF_INET, "127.0.0.1"), (socket.AF_INET6, "::1")):
  try:
    with socket.socket(family, socket.SOCK_STREAM) as probe:
      # As servers bind (websockify too): connections of an earlier server that are still
      # closing do not count, a listening socket does.
      probe.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
      probe.bind((address, port))
  except OSError as error:
    if error.errno == errno.EADDRINUSE or error.errno == errno.EACCES:
      sys.exit(1)  # taken (or not ours to take)
    # no such address family or address here: nothing can listen there either
EOF
}

# Who listens on PORT, as ss tells, when it can.
port_user() {
  local users
  users=$(ss -Hltnp "sport = :$1" 2>/dev/null |
    sed -n 's/.*users:(("\([^"]*\)",pid=\([0-9]*\).*/\1, pid \2/p' | head -1) || true
  echo "${users:-another program}"
}

# Picks the web port: --port's (which must be free), else 6080 or the next free one.
choose_web_port() {
  if [[ -n $port ]]; then
    port_free "$port" ||
      fail "port $port is taken (by $(port_user "$port")); choose another with --port N"
    return
  fi
  local candidate
  for candidate in {6080..6099}; do
    if port_free "$candidate"; then
      port=$candidate
      return
    fi
    say "port $candidate is taken (by $(port_user "$candidate")); trying $((candidate + 1))"
  done
  fail "ports 6080 to 6099 are all taken; choose a free one with --port N"
}

# Starts x11vnc on DISPLAY and sets vnc_port to the port it listens on.
start_x11vnc() {
  # -autoport probes for a free port from 5900 on; -localhost listens on 127.0.0.1 only.
  : >"$work/x11vnc.out" # there before it is read, whenever the background job opens it
  x11vnc -display "$DISPLAY" -localhost -autoport 5900 -nopw -forever -shared -noxdamage \
    -desktop "Tagwright setup" </dev/null >"$work/x11vnc.out" 2>"$work/x11vnc.log" &
  x11vnc_pid=$!
  for _ in {1..200}; do
    vnc_port=$(sed -n 's/^PORT=\([0-9]*\)$/\1/p' "$work/x11vnc.out")
    [[ -n $vnc_port ]] && break
    kill -0 "$x11vnc_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [[ -z $vnc_port ]]; then
    tail -20 -- "$work/x11vnc.log" >&2
    fail "x11vnc did not start"
  fi
}

start_websockify() {
  websockify --web /usr/share/novnc "127.0.0.1:$port" "127.0.0.1:$vnc_port" </dev/null \
    >"$work/websockify.log" 2>&1 &
  websockify_pid=$!
  for _ in {1..200}; do
    if ! kill -0 "$websockify_pid" 2>/dev/null; then
      cat -- "$work/websockify.log" >&2
      fail "websockify could not serve on 127.0.0.1:$port (was the port taken meanwhile?)"
    fi
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then return; fi
    sleep 0.1
  done
  fail "websockify did not listen on 127.0.0.1:$port within 20 s"
}

serve() {
  local setup=$dist/setup.exe address ended=''
  if [[ ! -f /usr/share/novnc/vnc.html ]] || ! command -v x11vnc >/dev/null ||
    ! command -v websockify >/dev/null; then
    fail "x11vnc, websockify and noVNC are needed (Debian packages x11vnc, websockify, novnc):" \
      "scripts/install-deps.sh installs them"
  fi
  say "no screen (DISPLAY is not set): serving the wizard to a browser"
  choose_web_port
  start_xvfb
  start_prefix
  start_x11vnc
  say "x11vnc (pid $x11vnc_pid) shows display $DISPLAY on 127.0.0.1:$vnc_port"
  start_websockify
  say "websockify (pid $websockify_pid) serves noVNC on 127.0.0.1:$port"

  # In a Wine virtual desktop the size of the screen: it draws the window's frame and title,
  # which no window manager does on a bare Xvfb. The desktop ends with the wizard.
  "$wine_run" "$prefix" explorer "/desktop=$desktop_name,$screen_size" "$(windows_path "$setup")" \
    </dev/null >"$work/wizard.log" 2>&1 &
  wizard_pid=$!
  say "the wizard (pid $wizard_pid) runs in the Wine prefix $prefix"

  address="http://localhost:$port/vnc.html?autoconnect=1&resize=scale"
  cat <<EOF

  The setup wizard is live at

      $address

  Open it in a browser on this machine (from another one: ssh -L $port:localhost:$port THIS_HOST,
  then the same address). Ctrl+C stops it; so does the wizard's end.

EOF
  # Until the wizard, x11vnc or websockify ends.
  wait -n -p ended "$wizard_pid" "$x11vnc_pid" "$websockify_pid" || true
  case $ended in
    "$wizard_pid")
      wizard_pid=''
      say "the wizard ended"
      ;;
    "$x11vnc_pid")
      tail -20 -- "$work/x11vnc.log" >&2
      fail "x11vnc ended unexpectedly"
      ;;
    "$websockify_pid")
      tail -20 -- "$work/websockify.log" >&2
      fail "websockify ended unexpectedly"
      ;;
  esac
}

take_shots() {
  local out folder=$prefix/drive_c/tgw-run-shots install='C:\tgw-run-shots\Tagwright' status=0
  local options=(--folder "$install" --timeout 300)
  [[ -z $language ]] || options+=(--language "$language")
  mkdir -p -- "$shots"
  out=$(realpath -- "$shots")
  if [[ -z ${DISPLAY:-} ]]; then start_xvfb; fi
  start_prefix
  rm -rf -- "$folder" && mkdir -p -- "$folder"
  say "walking the wizard (${language:-english}) with tgwauto, installing into $install"
  "$wine_run" "$prefix" "$dist/tgwauto.exe" "$(windows_path "$dist/setup.exe")" \
    "${options[@]}" --shots "$(windows_path "$out")" || status=$?
  if [[ -e $folder/Tagwright/Uninstall.exe ]]; then
    say "uninstalling $install"
    "$wine_run" "$prefix" "$dist/tgwauto.exe" --uninstall "$install" --timeout 120 >/dev/null ||
      say "the uninstall did not complete (exit code $?)"
  fi
  rm -rf -- "$folder"
  ((status == 0)) || fail "tgwauto ended with exit code $status; the pictures it took are in $out"
  say "the pictures of the pages are in $out:"
  (cd -- "$out" && ls -1 -- *.png) | sed 's/^/  /' >&2
}

if [[ -n $dist ]]; then
  dist=$(realpath -- "$dist")
  [[ -f $dist/setup.exe ]] || fail "no setup.exe in $dist"
else
  build
fi
[[ -z $shots || -f $dist/tgwauto.exe ]] || fail "no tgwauto.exe in $dist"

if [[ -n $shots ]]; then
  take_shots
elif [[ -n ${DISPLAY:-} ]]; then
  say "starting the wizard on display $DISPLAY"
  trap - EXIT
  rm -rf -- "$work"
  exec "$wine_run" "$prefix" "$dist/setup.exe"
else
  serve
fi
