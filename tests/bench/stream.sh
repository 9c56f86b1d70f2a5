#!/usr/bin/env bash
# Large payloads and many files (a part of scripts/bench.sh): prints table rows
# "| what | measured | reference, same run | ratio | bar |" and the commands run ("$ ...").
#
#   - memory: the setup's peak private memory (anonymous resident bytes of its Wine process,
#     sampled every 20 ms) installing a 3 GiB payload, against the same with a 1 MiB payload
#   - the reader's marker search against memmem over the same bytes, text-like and random:
#     natively (search_bench, Google Benchmark, CPU time) and under Wine (search_bench.exe)
#   - 10,000 files of 1 KB installed under Wine by setup-image-nopause.exe (the pauses skipped),
#     driven by tgwauto.exe, against bare_files.exe making the same files with CreateFileW,
#     WriteFile and CloseHandle alone: the time from the first file written to the last (their
#     modification times), best of two
#   - the packer against cat and sync of the same 1 GiB, best of three
#
#   stream.sh [search] [memory] [files] [packer]   (all four without arguments)
#
# Needs TGW_NATIVE and TGW_WINDOWS (the build folders). Its files, the 3 GiB ones included, go to
# $TGW_WINDOWS/stream-bench and are deleted at the end; Wine runs in $TGW_WINDOWS/wine-bench.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
native=${TGW_NATIVE:?the native build folder}
windows=${TGW_WINDOWS:?the windows build folder}
work=$windows/stream-bench
prefix=$windows/wine-bench
drive_c=$prefix/drive_c
packer=$native/tools/packer/tgwpack
nopause=$windows/tests/bench/setup-image-nopause.exe
tgwauto=$windows/dist/tgwauto.exe

parts=" ${*:-search memory files packer} "
wanted() { [[ $parts == *" $1 "* ]]; }
rm -rf "$work"
mkdir -p "$work"
cleanup() {
  rm -rf "$work" "$drive_c/stream"
}
trap cleanup EXIT

exec 3>&1  # the commands are listed on the part's own output, whatever a caller captures
run() {
  echo "\$ $*" >&3
  "$@"
}
wine_run() { run "$root/scripts/wine-run.sh" "$prefix" "$@"; }
row() { echo "| $1 | $2 | $3 | $4 | $5 |"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
min() { printf '%s\n' "$@" | sort -g | head -1; }
mib() { awk -v b="$1" 'BEGIN { printf "%.1f MiB", b / 1048576 }'; }

# A manifest of every file below $1, in name order, into $2.
manifest_of() { (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) >"$2"; }

# pack IMAGE ROOT OUTPUT
pack() {
  manifest_of "$2" "$2.manifest"
  run "$packer" --pack "$1" --root "$2" --manifest "$2.manifest" --output "$3" >/dev/null
}

# install SETUP FOLDER: an unattended install into C:\stream\FOLDER\Tagwright.
install() {
  rm -rf "$drive_c/stream/$2"
  mkdir -p "$drive_c/stream/$2"
  wine_run "$tgwauto" "$1" --folder "C:\\stream\\$2\\Tagwright" --no-desktop-icon \
    --timeout 900 >/dev/null
}

# The seconds between the modification times of two files.
span() { awk -v a="$(stat -c %.9Y "$1")" -v b="$(stat -c %.9Y "$2")" 'BEGIN { printf "%.3f", b - a }'; }
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }'; }
seconds() { awk -v s="$1" 'BEGIN { printf "%.2f s", s }'; }

# peak_private SETUP FOLDER: installs, sampling the setup process's anonymous resident memory;
# the largest sample, in bytes, into $peak.
peak_private() {
  local name pid='' sample installer
  name=$(basename "$1")
  peak=0
  install "$1" "$2" &
  installer=$!
  while kill -0 "$installer" 2>/dev/null; do
    [[ -n $pid && -e /proc/$pid ]] || pid=$(pgrep -f "^[^ ]*$name( |\$)" | head -1 || true)
    if [[ -n $pid ]]; then
      sample=$(awk '/^RssAnon:/ { printf "%.0f\n", $2 * 1024 }' "/proc/$pid/status" 2>/dev/null ||
        true)
      if ((${sample:-0} > peak)); then peak=$sample; fi
    fi
    sleep 0.02
  done
  wait "$installer"
}

# --- the reader's search, natively and under Wine

search_part() {
  csv=$(run "$native/tests/bench/search_bench" --benchmark_format=csv --benchmark_min_time=1 \
    2>/dev/null)
  cpu() { echo "$csv" | awk -F, -v name="\"$1\"" '$1 == name { print $4 }'; }
  for kind in text random; do
    reader=$(cpu "Reader/$kind") reference=$(cpu "Memmem/$kind")
    label=$([[ $kind == text ]] && echo text-like || echo random)
    row "reader's marker search, $label 64 MiB, native" "$reader ms" "glibc memmem $reference ms" \
      "$(ratio "$reader" "$reference")" "≤ 1"
  done

  wine_output=$(wine_run "$windows/tests/bench/search_bench.exe")
  while read -r kind reader reference; do
    label=$([[ $kind == text ]] && echo text-like || echo random)
    row "reader's marker search, $label 64 MiB, Wine" \
      "$(awk -v s="$reader" 'BEGIN { printf "%.1f ms", s * 1000 }')" \
      "memchr+memcmp $(awk -v s="$reference" 'BEGIN { printf "%.1f ms", s * 1000 }')" \
      "$(ratio "$reader" "$reference")" "≤ 1"
  done < <(echo "$wine_output" | grep -E '^(text|random) ')
}

# --- memory: a 3 GiB payload against a 1 MiB one

memory_part() {
  mkdir -p "$work/small" "$work/large"
  head -c 1048576 /dev/urandom >"$work/small/payload.bin"
  truncate -s 3G "$work/large/payload.bin"
  pack "$nopause" "$work/small" "$work/stream-1m.exe"
  pack "$nopause" "$work/large" "$work/stream-3g.exe"
  rm -f "$work/large/payload.bin"
  peak_private "$work/stream-1m.exe" small
  small=$peak
  peak_private "$work/stream-3g.exe" large
  large=$peak
  rm -rf "$drive_c/stream/large" "$work/stream-3g.exe"
  row "setup's peak private memory, 3 GiB payload, Wine" "$(mib "$large")" \
    "1 MiB payload: $(mib "$small")" "+$(mib $((large - small)))" "≤ +32 MiB"
}

# --- 10,000 files of 1 KB

files_part() {
  mkdir -p "$work/files"
  kilobyte=$(printf 'x%.0s' $(seq 1024))
  for k in $(seq -f '%05g' 1 10000); do printf '%s' "$kilobyte" >"$work/files/f$k.dat"; done
  pack "$nopause" "$work/files" "$work/stream-files.exe"
  setup_spans=() bare_spans=()
  for attempt in 1 2; do
    install "$work/stream-files.exe" files
    setup_spans+=("$(span "$drive_c/stream/files/Tagwright/f00001.dat" \
      "$drive_c/stream/files/Tagwright/f10000.dat")")
    rm -rf "$drive_c/stream/bare"
    mkdir -p "$drive_c/stream/bare"
    wine_run "$windows/tests/bench/bare_files.exe" 10000 'C:\stream\bare'
    bare_spans+=("$(span "$drive_c/stream/bare/f00001.dat" "$drive_c/stream/bare/f10000.dat")")
  done
  setup_span=$(min "${setup_spans[@]}") bare_span=$(min "${bare_spans[@]}")
  row "10,000 files of 1 KB installed, Wine (first to last file)" "$(seconds "$setup_span")" \
    "bare CreateFileW+WriteFile+CloseHandle $(seconds "$bare_span")" \
    "$(ratio "$setup_span" "$bare_span")" "≤ 1.2"
  rm -rf "$work/files" "$work/stream-files.exe" "$drive_c/stream/files" "$drive_c/stream/bare"
}

# --- the packer

packer_part() {
  mkdir -p "$work/gib"
  # Half random, half text-like: the sample's text files repeated.
  find "$root/sample/product" \( -name '*.htm' -o -name '*.lng' -o -name '*.syn' \) -print0 |
    LC_ALL=C sort -z | xargs -0 cat >"$work/text.seed"
  while (($(stat -c %s "$work/text.seed") < 1048576)); do
    cat "$work/text.seed" "$work/text.seed" >"$work/text.block"
    mv "$work/text.block" "$work/text.seed"
  done
  for k in 1 2 3 4; do
    head -c 134217728 /dev/urandom >"$work/gib/random$k.bin"
    for _ in $(seq 128); do cat "$work/text.seed"; done >"$work/gib/text$k.bin"
    truncate -s 134217728 "$work/gib/text$k.bin"
  done
  rm -f "$work/text.seed"
  manifest_of "$work/gib" "$work/gib.manifest"
  inputs=("$windows/src/wizard/win32/setup-image.exe")
  while read -r name; do inputs+=("$work/gib/$name"); done <"$work/gib.manifest"
  pack_times=() cat_times=()
  for attempt in 1 2 3; do
    rm -f "$work/packed.exe" "$work/catted.exe"
    start=$(now)
    run "$packer" --pack "${inputs[0]}" --root "$work/gib" --manifest "$work/gib.manifest" \
      --output "$work/packed.exe" >/dev/null
    pack_times+=("$(since "$start")")
    rm -f "$work/packed.exe"
    start=$(now)
    echo "\$ cat ${inputs[*]} > $work/catted.exe && sync $work/catted.exe" >&3
    cat "${inputs[@]}" >"$work/catted.exe" && sync "$work/catted.exe"
    cat_times+=("$(since "$start")")
  done
  pack_time=$(min "${pack_times[@]}") cat_time=$(min "${cat_times[@]}")
  row "packer, 1 GiB in 8 files (half text-like, half random)" "$(seconds "$pack_time")" \
    "cat + sync $(seconds "$cat_time")" "$(ratio "$pack_time" "$cat_time")" "≤ 1.15"
}

for part in search memory files packer; do
  if wanted "$part"; then "${part}_part"; fi
done
