#!/usr/bin/env bash
# browser_test.sh WORK RUN_SH DIST PREFIX: run.sh without a screen serves the live wizard to a
# browser: headless Chromium opens the printed address (resize=off: pixel for pixel) and shows the
# wizard's window as the X server does; a signal ends run.sh and everything it started. Exit code
# 77 (skipped) only when Chromium cannot start. The pictures stay in WORK.
set -euo pipefail
work=$1 run_sh=$2 dist=$3 prefix=$4
browser_py=$(cd "$(dirname "$0")" && pwd)/browser.py
rm -rf -- "$work" && mkdir -p -- "$work" && cd -- "$work"
fail() {
  echo "browser_test.sh: FAILED: $*"
  exit 1
}
less_than() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }
rmse() { { compare -metric RMSE "$1" "$2" null: 2>&1 || true; } | sed -n 's/.*(\(.*\)).*/\1/p'; }
run_pids() { grep -o '(pid [0-9]*)' run.log | tr -dc '0-9\n'; }

run_pid=''
finish() { # on failure: run.sh stops what it started; whatever is left is killed
  local status=$? pid
  trap - EXIT
  if [[ -n $run_pid ]]; then kill -TERM "$run_pid" 2>/dev/null; wait "$run_pid" || true; fi
  for pid in $(run_pids); do kill -KILL "$pid" 2>/dev/null && status=1; done
  exit "$status"
}
trap finish EXIT

env -u DISPLAY "$run_sh" --dist "$dist" --prefix "$prefix" >run.log 2>&1 &
run_pid=$!
address=''
for _ in {1..1200}; do
  address=$(grep -o 'http://localhost:[0-9]*/vnc\.html?autoconnect=1&resize=scale' run.log) && break
  kill -0 "$run_pid" 2>/dev/null || break
  sleep 0.1
done
[[ -n $address ]] || fail "run.sh printed no address: $(cat run.log)"
display_line='^run\.sh: Xvfb (pid [0-9]*) on display \(:[0-9]*\), \([0-9x]*\)$'
read -r display screen < <(sed -n "s/$display_line/\1 \2/p" run.log) || true
[[ -n $screen ]] || fail "run.sh did not say its display"

# The wizard's window: the largest window of setup.exe, "W H X Y".
place='.* \([0-9]*\)x\([0-9]*\)+[-0-9]*+[-0-9]*  *+\([-0-9]*\)+\([-0-9]*\)$'
for _ in {1..600}; do
  window=$(xwininfo -display "$display" -root -tree 2>/dev/null |
    sed -n "/(\"setup\.exe\" \"setup\.exe\")/s/$place/\1 \2 \3 \4/p" |
    awk '$1 * $2 > most { most = $1 * $2; window = $0 } END { print window }') || true
  [[ -n $window ]] && break
  sleep 0.1
done
[[ -n $window ]] || fail "no window of setup.exe on $display"
read -r ww wh wx wy <<<"$window"

# The browser's picture, taken between two equal pictures of the X server.
x_shot() { import -display "$display" -window root "$1"; }
for try in 1 2 3 4 5 6; do
  sleep 1
  x_shot screen.png
  code=0
  timeout 150 "$browser_py" $((${screen%x*} + 400)) $((${screen#*x} + 200)) \
    "${address/resize=scale/resize=off}" browser.png >canvas.txt 2>browser.log || code=$?
  if ((code == 3)); then
    ((try < 3)) || { cat browser.log; echo "SKIPPED: Chromium cannot start here"; exit 77; }
    continue
  fi
  ((code == 0)) || fail "browser.py ended with exit code $code: $(cat browser.log)"
  x_shot screen-after.png
  [[ $(compare -metric AE screen.png screen-after.png null: 2>&1 || true) == 0 ]] && break
  ((try < 6)) || fail "the screen kept changing while the browser took its picture"
done
read -r cx cy cw ch pw ph <canvas.txt
[[ ${pw}x${ph} == "$screen" && ${cw}x${ch} == "$screen" && $cx$cy =~ ^[0-9]+$ ]] ||
  fail "the canvas is ${cw}x${ch} (${pw}x${ph} pixels) at $cx,$cy, not the screen $screen unscaled"

# The window from both pictures, and shifted by 8 pixels.
convert screen.png -crop "${ww}x${wh}+${wx}+${wy}" +repage window-x.png
convert browser.png -crop "${ww}x${wh}+$((cx + wx))+$((cy + wy))" +repage window-browser.png
convert browser.png -crop "${ww}x${wh}+$((cx + wx + 8))+$((cy + wy + 8))" +repage window-shifted.png
spread=$(convert window-x.png -format '%[fx:standard_deviation]' info:)
window_error=$(rmse window-x.png window-browser.png)
shifted_error=$(rmse window-x.png window-shifted.png)
echo "window ${ww}x${wh} at $wx,$wy differs by $window_error, shifted by 8 by $shifted_error"
less_than 0.05 "$spread" || fail "the window's picture is nearly of one colour ($spread)"
less_than "$window_error" 0.03 || fail "the browser shows another picture of the window"
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
while read -r port; do
  ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || fail "port $port still answers"
done < <(sed -n 's/.* on 127\.0\.0\.1:\([0-9]*\)$/\1/p' run.log)
echo "browser_test.sh: passed; the pictures are in $work"
