#!/usr/bin/env bash
# Writes the sample's binary files: placeholder libraries, the icons
# (drawn here with ImageMagick) and the runtime stand-ins. The results are kept in the
# repository; run this again only to change them.
set -euo pipefail
cd "$(dirname "$0")"

# placeholder FILE SIZE NOTE: an "MZ" start, the note, zero bytes up to SIZE.
placeholder() {
  local file=$1 size=$2 note=$3
  printf 'MZ\r\n%s\r\n' "$note" > "$file"
  truncate -s "$size" "$file"
}

product=product
placeholder "$product/twedit.ocx" 640 "twedit.ocx - sample placeholder for the editor control; holds no code."
placeholder "$product/twtabs.ocx" 512 "twtabs.ocx - sample placeholder for the tab strip control; holds no code."
placeholder "$product/twcolor.ocx" 576 "twcolor.ocx - sample placeholder for the colour picker control; holds no code."

mkdir -p runtime
placeholder runtime/MSVBVM60.DLL 512 "Stand-in for MSVBVM60.DLL in the sample distribution folder, made for tests; holds no code."
placeholder runtime/mscomctl.ocx 512 "Stand-in for mscomctl.ocx in the sample distribution folder, made for tests; holds no code."

# icon FILE DRAW...: a 32 px drawing on a transparent ground, stored at 32 and 16 px.
icon() {
  local file=$1
  shift
  convert -size 32x32 xc:none "$@" -define icon:auto-resize=32,16 "$product/$file"
}

icon html.ico -fill '#e8702a' -draw 'roundrectangle 1,1 30,30 5,5' \
  -stroke white -strokewidth 3 -fill none \
  -draw 'polyline 12,9 6,16 12,23' -draw 'polyline 20,9 26,16 20,23'
icon css.ico -fill '#2a6fe8' -draw 'roundrectangle 1,1 30,30 5,5' \
  -stroke white -strokewidth 3 \
  -draw 'line 7,9 25,9' -draw 'line 7,16 20,16' -draw 'line 7,23 23,23'
icon js.ico -fill '#f0d020' -draw 'roundrectangle 1,1 30,30 5,5' \
  -stroke '#303030' -strokewidth 2 -fill none \
  -draw 'polyline 13,7 10,8 10,14 7,16 10,18 10,24 13,25' \
  -draw 'polyline 19,7 22,8 22,14 25,16 22,18 22,24 19,25'
icon page.ico -fill white -stroke '#707070' -strokewidth 1 \
  -draw 'polygon 6,2 20,2 26,8 26,30 6,30' -fill none -draw 'polyline 20,2 20,8 26,8' \
  -stroke '#4080c0' -draw 'line 10,14 22,14' -draw 'line 10,18 22,18' -draw 'line 10,22 18,22'
