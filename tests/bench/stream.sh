#!/usr/bin/env bash
# stream.sh [search|memory|files|packer]...: the rows of scripts/bench.sh on large payloads and
# many files (the README tells each row); works in $TGW_WINDOWS/stream-bench, Wine in wine-bench.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
native=${TGW_NATIVE:?the native build folder} windows=${TGW_WINDOWS:?the windows build folder}
work=$windows/stream-bench drive_c=$windows/wine-bench/drive_c
rm -rf "$work" && mkdir -p "$work"
trap 'rm -rf "$work" "$drive_c/stream"' EXIT
exec 3>&1 # the commands are listed on the part's own output, whatever a caller captures
run() { echo "\$ $*" >&3 && "$@"; }
wine_run() { run "$root/scripts/wine-run.sh" "$windows/wine-bench" "$@"; }
row() { echo "| $1 | $2 | $3 | $4 | $5 |"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
min() { printf '%s\n' "$@" | sort -g | head -1; }
mib() { awk -v b="$1" 'BEGIN { printf "%.1f MiB", b / 1048576 }'; }
seconds() { printf '%.2f s' "$1"; }
since() { awk -v a="$1" -v b="${2:-$(date +%s.%N)}" 'BEGIN { printf "%.3f", b - a }'; }
span() { since "$(stat -c %.9Y "$1")" "$(stat -c %.9Y "$2")"; }
timed() { local start && start=$(date +%s.%N) && "$@" && since "$start"; }

# pack FOLDER OUTPUT [IMAGE]: the files below FOLDER after IMAGE (setup-image-nopause.exe).
pack() {
  (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) >"$1.manifest"
  run "$native/tools/packer/tgwpack" --pack "${3:-$windows/tests/bench/setup-image-nopause.exe}" \
    --root "$1" --manifest "$1.manifest" --output "$2" >/dev/null
}

cat_sync() {
  echo "\$ cat $* > $work/catted.exe && sync $work/catted.exe" >&3
  cat "$@" >"$work/catted.exe" && sync "$work/catted.exe"
}

# install SETUP FOLDER: an unattended install into C:\stream\FOLDER\Tagwright.
install() {
  rm -rf "$drive_c/stream/$2" && mkdir -p "$drive_c/stream/$2"
  wine_run "$windows/dist/tgwauto.exe" "$1" --folder "C:\\stream\\$2\\Tagwright" \
    --no-desktop-icon --timeout 900 >/dev/null
}

search_rows() {
  while read -r kind reader theirs; do
    row "reader's marker search, $kind 64 MiB, $1" "$reader ms" "$2 $theirs ms" \
      "$(ratio "$reader" "$theirs")" "≤ 1"
  done < <(tr -d '\r' <<<"$3" | grep -E '^(text-like|random) ')
}
search_part() {
  search_rows native "glibc memmem" "$(run "$native/tests/bench/search_bench")"
  search_rows Wine "memchr+memcmp" "$(wine_run "$windows/tests/bench/search_bench.exe")"
}

# peak_private SETUP FOLDER: installs, sampling the setup process's anonymous resident memory;
# the largest sample, in bytes, into $peak.
peak_private() {
  local name pid='' sample installer
  name=$(basename "$1") peak=0
  install "$1" "$2" &
  installer=$!
  while kill -0 "$installer" 2>/dev/null; do
    [[ -n $pid && -e /proc/$pid ]] || pid=$(pgrep -f "^[^ ]*$name( |\$)" | head -1 || true)
    sample=$(awk '/^RssAnon:/ { print $2 * 1024 }' "/proc/${pid:-none}/status" 2>/dev/null || true)
    if ((${sample:-0} > peak)); then peak=$sample; fi
    sleep 0.02
  done
  wait "$installer"
}

memory_part() {
  mkdir -p "$work/small" "$work/large"
  head -c 1048576 /dev/urandom >"$work/small/payload.bin"
  truncate -s 3G "$work/large/payload.bin"
  pack "$work/small" "$work/stream-1m.exe"
  pack "$work/large" "$work/stream-3g.exe"
  rm -f "$work/large/payload.bin"
  peak_private "$work/stream-1m.exe" small
  small=$peak
  peak_private "$work/stream-3g.exe" large
  rm -rf "$drive_c/stream/large" "$work/stream-3g.exe"
  row "setup's peak private memory, 3 GiB payload, Wine" "$(mib "$peak")" \
    "1 MiB payload: $(mib "$small")" "+$(mib $((peak - small)))" "≤ +32 MiB"
}

files_part() {
  mkdir -p "$work/files"
  kilobyte=$(printf 'x%.0s' {1..1024})
  for k in $(seq -f '%05g' 1 10000); do printf '%s' "$kilobyte" >"$work/files/f$k.dat"; done
  pack "$work/files" "$work/stream-files.exe"
  spans=() bare_spans=()
  for _ in 1 2; do
    install "$work/stream-files.exe" files
    spans+=("$(span "$drive_c"/stream/files/Tagwright/f{00001,10000}.dat)")
    rm -rf "$drive_c/stream/bare" && mkdir -p "$drive_c/stream/bare"
    wine_run "$windows/tests/bench/bare_files.exe" 10000 'C:\stream\bare'
    bare_spans+=("$(span "$drive_c"/stream/bare/f{00001,10000}.dat)")
  done
  ours=$(min "${spans[@]}") bare=$(min "${bare_spans[@]}")
  row "10,000 files of 1 KB installed, Wine (first to last file)" "$(seconds "$ours")" \
    "bare CreateFileW+WriteFile+CloseHandle $(seconds "$bare")" "$(ratio "$ours" "$bare")" "≤ 1.2"
  rm -rf "$work/files" "$work/stream-files.exe" "$drive_c/stream/files" "$drive_c/stream/bare"
}

packer_part() {
  mkdir -p "$work/gib"
  find "$root/sample/product" \( -name '*.htm' -o -name '*.lng' -o -name '*.syn' \) -print0 |
    LC_ALL=C sort -z | xargs -0 cat >"$work/text.seed"
  for k in 1 2 3 4; do
    head -c 134217728 /dev/urandom >"$work/gib/random$k.bin"
    python3 -c 'import sys; seed = open(sys.argv[1], "rb").read(); size = 134217728
open(sys.argv[2], "wb").write((seed * (size // len(seed) + 1))[:size])' \
      "$work/text.seed" "$work/gib/text$k.bin"
  done
  image=$windows/src/wizard/win32/setup-image.exe pack_times=() cat_times=()
  pack "$work/gib" "$work/packed.exe" "$image" # the manifest, and a first run
  mapfile -t inputs < <(sed "s|^|$work/gib/|" "$work/gib.manifest")
  for _ in 1 2 3; do
    rm -f "$work/packed.exe" "$work/catted.exe"
    pack_times+=("$(timed pack "$work/gib" "$work/packed.exe" "$image")")
    rm -f "$work/packed.exe"
    cat_times+=("$(timed cat_sync "$image" "${inputs[@]}")")
  done
  packed=$(min "${pack_times[@]}") catted=$(min "${cat_times[@]}")
  row "packer, 1 GiB in 8 files (half text-like, half random)" "$(seconds "$packed")" \
    "cat + sync $(seconds "$catted")" "$(ratio "$packed" "$catted")" "≤ 1.15"
}

(($#)) || set -- search memory files packer
for part; do "${part}_part"; done
