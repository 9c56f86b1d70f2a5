#!/usr/bin/env bash
# Builds the shipped programs a second time, from a copy of the sources in another folder, and
# compares them byte for byte with those of build/windows (which must be built).
#   scripts/check-reproducible.sh [WORK]   (default: build/reproducible)
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
work=$(realpath -m "${1:-build/reproducible}")

shipped=(dist/setup.exe dist/tgwauto.exe dist/MSVBVM60.DLL dist/mscomctl.ocx
         src/wizard/win32/setup-image.exe tools/uninstall/Uninstall.exe
         sample/tagwright/Tagwright.exe)
for file in "${shipped[@]}"; do
  [ -f "build/windows/$file" ] || { echo "build/windows/$file is missing: build the windows preset" >&2; exit 1; }
done

# The sources as they are now (tracked and new, not ignored), in a folder of another name and depth.
rm -rf -- "$work"
mkdir -p -- "$work/other/sources"
git ls-files -z --cached --others --exclude-standard | tar --null -T - -c | tar -x -C "$work/other/sources"
cd "$work/other/sources"
cmake --preset native >/dev/null
cmake --build --preset native --target tgwpack tgwloadcfg >/dev/null
cmake --preset windows >/dev/null
cmake --build --preset windows --target dist uninstall_program tagwright_program tgwauto >/dev/null

status=0
for file in "${shipped[@]}"; do
  if cmp -s "$top/build/windows/$file" "build/windows/$file"; then
    echo "same: $file"
  else
    echo "DIFFERENT: $file ($(cmp -l "$top/build/windows/$file" "build/windows/$file" | wc -l) bytes)" >&2
    status=1
  fi
done
[ "$status" -eq 0 ] && rm -rf -- "$work"
exit "$status"
