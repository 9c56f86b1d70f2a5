#!/usr/bin/env bash
# scripts/run.sh without a screen serves the live wizard to a browser: headless Chromium opens the
# address it prints, and the page shows what the X server shows; pressing Exit and Yes in the
# browser ends the wizard, and with it every process run.sh started.
#   browser_test.sh WORK RUN_SH DIST PREFIX
#
# The pictures: the page is opened at the printed address with resize=off instead of
# resize=scale (noVNC then draws the screen pixel for pixel), in a viewport larger than the
# screen, so that the canvas lies apart from noVNC's control bar at the left edge. The wizard's
# window (its place from xwininfo) is cut from the X server's own screenshot (import -window root)
# and from the browser's screenshot, at the canvas's place that the page reports, and compared by
# their normalized root-mean-square error; so is the whole screen. That the comparison would see a
# misplacement is checked on the same pictures (shifted by 8 pixels), and a search for the window
# in both pictures reduced to a quarter finds it where the page says the canvas is.
#
# Exit code 77 (skipped) only when Chromium cannot start at all. The pictures stay in WORK.
set -euo pipefail
(($# == 4)) || {
  sed -n '5s/^#  *//p' "$0" >&2
  exit 2
}
work=$1 run_sh=$2 dist=$3 prefix=$4
here=$(cd "$(dirname "$0")" && pwd)
browser_py=$here/browser.py
rm -rf -- "$work" && mkdir -p -- "$work" && cd -- "$work"
started=$SECONDS

limit=0.03        # most that the window's and the screen's pictures may differ (normalized RMSE)
shift_least=0.05  # least that the picture shifted by 8 pixels must differ
view_margin=200   # the browser's viewport is the screen's size and this much more each way

say() { echo "browser_test.sh: $*"; }
fail() {
  say "FAILED: $*"
  exit 1
}
less_than() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }
# compare's exit code says only whether the pictures differ at all.
rmse() {
  { compare -metric RMSE "$1" "$2" null: 2>&1 || true; } | sed -n 's/.*(\([0-9.e+-]*\)).*/\1/p'
}

# Chromium must be able to start; if it cannot, twice, the test is skipped.
if ! "$browser_py" --check >chromium.log 2>&1 && ! "$browser_py" --check >>chromium.log 2>&1; then
  cat chromium.log
  say "SKIPPED: Chromium cannot start here, so no browser can show the wizard"
  exit 77
fi

run_pid='' browser_pid=''
finish() {
  local status=$? pid
  trap - EXIT
  if [[ -n $browser_pid ]] && kill -0 "$browser_pid" 2>/dev/null; then
    kill -TERM "$browser_pid" 2>/dev/null || true # browser.py ends Chromium's process group
  fi
  if [[ -n $run_pid ]] && kill -0 "$run_pid" 2>/dev/null; then
    kill -TERM "$run_pid" # run.sh stops what it started
    for _ in {1..300}; do
      kill -0 "$run_pid" 2>/dev/null || break
      sleep 0.1
    done
  fi
  # Whatever run.sh said it started and is still there (it should not be).
  for pid in $(grep -o '(pid [0-9]*)' run.log 2>/dev/null | tr -dc '0-9\n'); do
    if kill -0 "$pid" 2>/dev/null; then
      say "still running after run.sh ended: $(ps -o pid=,args= -p "$pid")"
      kill -KILL "$pid" 2>/dev/null || true
      status=1
    fi
  done
  wait 2>/dev/null || true
  exit "$status"
}
trap finish EXIT
trap 'say "FAILED at line $LINENO: $BASH_COMMAND"' ERR

# The headless mode in the background (with DISPLAY unset, whatever the caller's).
: >run.log
env -u DISPLAY "$run_sh" --dist "$dist" --prefix "$prefix" >run.log 2>&1 &
run_pid=$!
address='' display=''
for _ in {1..1200}; do
  address=$(grep -o 'http://localhost:[0-9]*/vnc\.html?[^ ]*' run.log || true)
  [[ -n $address ]] && break
  kill -0 "$run_pid" 2>/dev/null || break
  sleep 0.1
done
[[ -n $address ]] || {
  cat run.log
  fail "run.sh printed no address"
}
[[ $address == *'/vnc.html?autoconnect=1&resize=scale' ]] || fail "unexpected address $address"
display=$(sed -n 's/^run\.sh: Xvfb (pid [0-9]*) on display \(:[0-9]*\), .*/\1/p' run.log)
screen=$(sed -n 's/^run\.sh: Xvfb (pid [0-9]*) on display :[0-9]*, \([0-9]*x[0-9]*\)$/\1/p' run.log)
[[ -n $display && -n $screen ]] || fail "run.sh did not say its display"
say "run.sh serves $address (display $display, $screen) after $((SECONDS - started)) s"

# The wizard's window: the largest window of setup.exe, "WxH X Y" (absolute place).
wizard_window() {
  xwininfo -display "$display" -root -tree 2>/dev/null |
    grep '("setup\.exe" "setup\.exe")' |
    grep -o '[0-9]*x[0-9]*+[-0-9]*+[-0-9]*  *+[-0-9]*+[-0-9]*$' |
    sed 's/^\([0-9]*\)x\([0-9]*\)+[-0-9]*+[-0-9]*  *+\([-0-9]*\)+\([-0-9]*\)$/\1 \2 \3 \4/' |
    awk '{ print $1 * $2, $0 }' | sort -nr | head -1 | cut -d' ' -f2- || true # none yet
}
window=''
for _ in {1..600}; do
  window=$(wizard_window)
  [[ -n $window ]] && break
  sleep 0.1
done
[[ -n $window ]] || fail "no window of setup.exe on $display"
read -r ww wh wx wy <<<"$window"

# The X server's picture once the window is drawn: two screenshots half a second apart agree.
x_shot() { import -display "$display" -window root "$1"; }
stable_screen() {
  local previous=$1 next=$2
  x_shot "$previous"
  for _ in {1..40}; do
    sleep 0.5
    x_shot "$next"
    [[ $(compare -metric AE "$previous" "$next" null: 2>&1 || true) == 0 ]] && return 0
    mv -f -- "$next" "$previous"
  done
  return 1
}
stable_screen screen.png screen-next.png || fail "the screen of $display does not settle"

# The browser, driven by commands (browser.py), in a viewport larger than the screen.
view_width=$((${screen%x*} + 2 * view_margin))
view_height=$((${screen#*x} + view_margin))
coproc browser { exec "$browser_py" "$view_width" "$view_height" 2>browser.log; }
# shellcheck disable=SC2154 # (browser_PID is set by coproc)
browser_pid=$browser_PID
ask() {
  echo "$*" >&"${browser[1]}"
  if ! read -r -t 120 REPLY <&"${browser[0]}"; then
    cat browser.log
    fail "the browser did not answer: $*"
  fi
  [[ $REPLY != error:* ]] || fail "browser: $* -> $REPLY"
}
ask open "${address/resize=scale/resize=off}" 90
read -r cx cy cw ch pw ph < <(python3 -c '
import json, sys
c = json.loads(sys.argv[1])
print(*(c[k] for k in ("x", "y", "width", "height", "pixel_width", "pixel_height")))' "$REPLY")
say "Chromium shows noVNC's canvas ${pw}x${ph} at $cx,$cy after $((SECONDS - started)) s"
[[ ${pw}x${ph} == "$screen" && $cw == "$pw" && $ch == "$ph" ]] ||
  fail "the canvas is ${cw}x${ch} CSS pixels for ${pw}x${ph}, not the screen's $screen unscaled"
[[ $cx =~ ^[0-9]+$ && $cy =~ ^[0-9]+$ ]] || fail "the canvas lies between pixels ($cx,$cy)"

# The browser's picture, taken between two equal pictures of the X server.
for try in 1 2 3; do
  ask shot "$work/browser.png"
  x_shot screen-after.png
  [[ $(compare -metric AE screen.png screen-after.png null: 2>&1 || true) == 0 ]] && break
  ((try < 3)) || fail "the screen kept changing while the browser took its picture"
  stable_screen screen.png screen-next.png || fail "the screen of $display does not settle"
done

# The window and the whole screen, from both pictures.
convert screen.png -crop "${ww}x${wh}+${wx}+${wy}" +repage window-x.png
convert browser.png -crop "${ww}x${wh}+$((cx + wx))+$((cy + wy))" +repage window-browser.png
convert browser.png -crop "${screen}+${cx}+${cy}" +repage screen-browser.png
convert browser.png -crop "${ww}x${wh}+$((cx + wx + 8))+$((cy + wy + 8))" +repage window-shifted.png
spread=$(convert window-x.png -format '%[fx:standard_deviation]' info:)
window_error=$(rmse window-x.png window-browser.png)
screen_error=$(rmse screen.png screen-browser.png)
shifted_error=$(rmse window-x.png window-shifted.png)
# The window searched for in the browser's picture, both reduced to a quarter.
convert window-x.png -resize 25% window-x-small.png
convert browser.png -resize 25% browser-small.png
found=$({ compare -metric RMSE -subimage-search browser-small.png window-x-small.png null: 2>&1 ||
  true; } |
  sed -n 's/.*(\([0-9.e+-]*\)) @ \([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' | head -1)
read -r found_error found_x found_y <<<"$found"
say "window ${ww}x${wh} at $wx,$wy: differs by $window_error (limit $limit), the whole screen" \
  "by $screen_error, shifted by 8 pixels by $shifted_error; found at" \
  "$((found_x * 4)),$((found_y * 4)) in the browser's picture (canvas at $((cx + wx)),$((cy + wy)))"
less_than 0.05 "$spread" || fail "the window's picture is nearly of one colour ($spread)"
less_than "$window_error" "$limit" || fail "the browser shows another picture of the window"
less_than "$screen_error" "$limit" || fail "the browser shows another picture of the screen"
less_than "$shift_least" "$shifted_error" || fail "the comparison does not see an 8-pixel shift"
if [[ -z $found_x ]] || ! less_than "$found_error" 0.1 ||
  (((found_x * 4 - cx - wx) ** 2 > 16 || (found_y * 4 - cy - wy) ** 2 > 16)); then
  fail "the search finds the window elsewhere ($found)"
fi

# Exit and Yes from the browser: a click on the window's title bar, Space on the focused Exit
# button, the question appears (as a second window of setup.exe), Enter answers Yes.
ask click "$((cx + wx + ww / 2))" "$((cy + wy + 8))"
ask key Space
question=''
for _ in {1..100}; do
  question=$(xwininfo -display "$display" -root -tree 2>/dev/null |
    grep -c '("setup\.exe" "setup\.exe")  *[0-9][0-9][0-9]*x[0-9][0-9][0-9]*+' || true)
  ((question >= 2)) && break
  sleep 0.1
done
((question >= 2)) || fail "no question after Exit was pressed in the browser"
sleep 0.5
ask shot "$work/question.png"
ask key Enter
status=''
for _ in {1..600}; do
  if ! kill -0 "$run_pid" 2>/dev/null; then
    wait "$run_pid" && status=0 || status=$?
    break
  fi
  sleep 0.1
done
[[ -n $status ]] || fail "run.sh still runs 60 s after the wizard was told to exit"
run_pid=''
grep -q '^run\.sh: the wizard ended$' run.log || fail "run.sh did not see the wizard's end"
[[ $status == 0 ]] || fail "run.sh ended with exit code $status"
echo quit >&"${browser[1]}"
wait "$browser_pid" || fail "browser.py ended with exit code $?"
browser_pid=''

# Everything it started is gone: its processes, the display, the ports.
for pid in $(grep -o '(pid [0-9]*)' run.log | tr -dc '0-9\n'); do
  ! kill -0 "$pid" 2>/dev/null || fail "process $pid of run.sh still runs"
done
[[ ! -e /tmp/.X11-unix/X${display#:} ]] || fail "display $display is still there"
while read -r port; do
  ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || fail "port $port still answers"
done < <(sed -n 's/.* on 127\.0\.0\.1:\([0-9]*\)$/\1/p' run.log)
grep -E '^run\.sh: (stopped|the wizard)' run.log
say "passed in $((SECONDS - started)) s; the pictures are in $work"
