#!/usr/bin/env bash
# Regenerates docs/screenshots/: every page of the wizard in English and in Russian at 100 %
# (96 dots per inch), and the first page at 150 % (144), each taken by tgwauto walking the real
# setup under Wine (scripts/run.sh --shots). Builds what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."

out=docs/screenshots
work=build/screenshots
rm -rf -- "$work"
mkdir -p -- "$work" "$out"

scripts/run.sh --shots "$work/english" --language english
scripts/run.sh --shots "$work/russian" --language russian --dist build/windows/dist

# 150 %: a Wine prefix of its own whose system DPI is 144.
prefix=build/windows/wine-150
scripts/wine-run.sh "$prefix" --start
WINEPREFIX=$PWD/$prefix WINEDEBUG=-all wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels \
  /t REG_DWORD /d 144 /f >/dev/null
scripts/wine-run.sh "$prefix" --stop
scripts/run.sh --shots "$work/english-150" --language english --dist build/windows/dist \
  --prefix "$prefix"

rm -f -- "$out"/*.png
for language in english russian; do
  for shot in "$work/$language"/*.png; do
    convert "$shot" -define png:compression-level=9 -define png:exclude-chunks=date,time "$out/$language-$(basename "$shot")"
  done
done
convert "$work/english-150/stage0-language.png" -define png:compression-level=9 -define png:exclude-chunks=date,time \
  "$out/english-stage0-language-150.png"
ls -1 "$out"
