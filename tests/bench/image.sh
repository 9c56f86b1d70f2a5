#!/usr/bin/env bash
# TGW_WINDOWS=build/windows tests/bench/image.sh [RUNS]: scripts/bench.sh's rows of the setup image:
# its size, its picture, the median of RUNS starts under Wine to an answering window (awake, idle).
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$PWD
windows=$(realpath "${TGW_WINDOWS:?TGW_WINDOWS must name the windows build folder}")
runs=${1:-15}
image=$windows/src/wizard/win32/setup-image.exe
row() { echo "| $1 | $2 | $3 | $(python3 -c "print(f'{$2 / ${3%% *}:.3f}')") | $4 |"; }
say() { echo "\$ $*"; }

say stat -c %s "$image"
row "setup-image.exe, bytes" "$(stat -c %s "$image")" "131072 (the bar)" "<= 1"

bitmap=$repo/src/wizard/pictures/image1.bmp
say python3 "(the bytes of $bitmap after its file header, found in $image)"
picture=$(python3 -c 'import sys; image, bmp = (open(f, "rb").read() for f in sys.argv[1:])
print(len(bmp) - 14 if bmp[14:] in image else "missing")' "$image" "$bitmap")
row "the picture in the image, bytes" "$picture" "153592 (24-bit, before)" "-"

prefix=$windows/wine # made on first use
programs=('src\wizard\win32\setup-image.exe' 'tests\bench\image_minimal_window.exe')
# A start is round trips to Wine's server, slow on an idle virtual machine; the bar's row holds the
# PM QoS request of latency benchmarks (/dev/cpu_dma_latency 0, not passed on), then the idle row.
with_cpu_dma_latency_0() {
  python3 -c 'import os, subprocess, sys
os.write(os.open("/dev/cpu_dma_latency", os.O_WRONLY), bytes(4))
sys.exit(subprocess.run(sys.argv[1:]).returncode)' "$@"
}
median() {
  awk -v p="$1" '$1 ~ p { print $2 }' <<<"$times" | sort -g |
    awk '{ t[NR] = $1 } END { printf "%.1f", (t[int((NR + 1) / 2)] + t[int(NR / 2) + 1]) / 2 }'
}
startup() { # $1: the condition, $2: the bar, $3...: what runs the timer
  local timer=("${@:3}" "$repo/scripts/wine-run.sh" "$prefix" tests/bench/image_startup.exe "$runs")
  say cd "$windows" '&&' "${timer[@]}" "${programs[@]}"
  times=$(cd "$windows" && "${timer[@]}" "${programs[@]}" | tr -d '\r')
  row "start-up to a visible window, $1, ms (median of $runs)" "$(median setup-image)" \
    "$(median minimal_window) (a minimal window, same DLLs)" "$2"
}
if with_cpu_dma_latency_0 true 2>/dev/null; then
  startup "processors awake" "<= 1.3" with_cpu_dma_latency_0
  startup "idle machine" "-"
else
  echo "image.sh: /dev/cpu_dma_latency cannot be written (root only): the bar's row is idle" >&2
  startup "idle machine" "<= 1.3"
fi
