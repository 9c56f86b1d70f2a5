#!/usr/bin/env bash
# browser_test.sh WORK RUN_SH DIST PREFIX: headless Chromium opens the address run.sh prints without
# a screen (resize=off) and shows the wizard as the X server does; a signal ends all run.sh started.
# Exit code 77 (skipped) only when Chromium cannot start. The pictures stay in WORK.
set -euo pipefail
work=$1 run_sh=$2 dist=$3 prefix=$4
browser_py=$(cd "$(dirname "$0")" && pwd)/browser.py
rm -rf -- "$work" && mkdir -p -- "$work" && cd -- "$work"
fail() { echo "browser_test.sh: FAILED: $*" && exit 1; }
less_than() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }
rmse() { { compare -metric RMSE "$1" "$2" null: 2>&1 || true; } | sed -n 's/.*(\(.*\)).*/\1/p'; }
run_pids() { grep -o '(pid [0-9]*)' run.log | tr -dc '0-9\n'; }
poll() { for _ in $(seq "$1"); do "${@:2}" && return; sleep 0.1; done; false; }
finish() { # on failure: run.sh stops what it started; whatever is left is killed
  local status=$? pid
  trap - EXIT
  if [[ -n ${run_pid:-} ]]; then kill -TERM "$run_pid" 2>/dev/null; wait "$run_pid" || true; fi
  for pid in $(run_pids); do kill -KILL "$pid" 2>/dev/null && status=1; done
  exit "$status"
}
trap finish EXIT

env -u DISPLAY "$run_sh" --dist "$dist" --prefix "$prefix" >run.log 2>&1 &
run_pid=$!
address() { grep -o 'http://localhost:[0-9]*/vnc\.html?autoconnect=1&resize=scale' run.log; }
addressed() { address >/dev/null || ! kill -0 "$run_pid" 2>/dev/null; }
poll 1200 addressed || true
address >/dev/null || fail "run.sh printed no address: $(cat run.log)"
display_line='^run\.sh: Xvfb (pid [0-9]*) on display \(:[0-9]*\), \([0-9x]*\)$'
read -r display screen < <(sed -n "s/$display_line/\1 \2/p" run.log) || fail "no display said"
window() { xwininfo -display "$display" -root -tree 2>/dev/null | grep -q '("setup\.exe" '; }
poll 600 window || fail "no window of setup.exe on $display"

# The browser's picture, taken between two equal pictures of the X server.
for try in 1 2 3 4 5 6; do
  sleep 1
  import -display "$display" -window root screen.png
  code=0
  timeout 150 "$browser_py" $((${screen%x*} + 400)) $((${screen#*x} + 200)) \
    "$(address | sed 's/resize=scale/resize=off/')" browser.png >canvas.txt 2>browser.log || code=$?
  if ((code == 3 && try < 3)); then continue; fi
  ((code != 3)) || { cat browser.log && echo "SKIPPED: Chromium cannot start here" && exit 77; }
  ((code == 0)) || fail "browser.py ended with exit code $code: $(cat browser.log)"
  import -display "$display" -window root screen-after.png
  [[ $(compare -metric AE screen.png screen-after.png null: 2>&1 || true) == 0 ]] && break
  ((try < 6)) || fail "the screen kept changing while the browser took its picture"
done
read -r cx cy cw ch pw ph <canvas.txt
[[ ${pw}x${ph} == "$screen" && ${cw}x${ch} == "$screen" && $cx$cy =~ ^[0-9]+$ ]] ||
  fail "the canvas is ${cw}x${ch} (${pw}x${ph} pixels) at $cx,$cy, not the screen $screen unscaled"

convert browser.png -crop "$screen+$cx+$cy" +repage canvas.png
convert browser.png -crop "$screen+$((cx + 8))+$((cy + 8))" +repage shifted.png
spread=$(convert screen.png -format '%[fx:standard_deviation]' info:)
error=$(rmse screen.png canvas.png) shifted_error=$(rmse screen.png shifted.png)
echo "the screen $screen differs by $error, shifted by 8 by $shifted_error"
less_than 0.05 "$spread" || fail "the screen's picture is nearly of one colour ($spread)"
less_than "$error" 0.03 || fail "the browser shows another picture of the screen"
less_than 0.05 "$shifted_error" || fail "the comparison does not see an 8-pixel shift"

# A signal ends run.sh, and everything it started is gone: processes, display, ports.
kill -TERM "$run_pid"
status=0
wait "$run_pid" || status=$?
run_pid=''
[[ $status == 143 ]] || fail "run.sh ended with exit code $status after SIGTERM"
grep '^run\.sh: stopped websockify' run.log || fail "run.sh did not say what it stopped"
for pid in $(run_pids); do
  ! kill -0 "$pid" 2>/dev/null || fail "process $pid of run.sh still runs"
done
[[ ! -e /tmp/.X11-unix/X${display#:} ]] || fail "display $display is still there"
# shellcheck disable=SC2013 # one number a line
for port in $(sed -n 's/.* on 127\.0\.0\.1:\([0-9]*\)$/\1/p' run.log); do
  ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || fail "port $port still answers"
done
echo "browser_test.sh: passed; the pictures are in $work"
