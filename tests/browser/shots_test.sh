#!/usr/bin/env bash
# scripts/run.sh --shots DIR, without a screen, walks the wizard unattended and writes a picture of
# every page into DIR; the throwaway install it makes in the Wine prefix is gone afterwards.
#   shots_test.sh WORK RUN_SH DIST PREFIX
set -euo pipefail
(($# == 4)) || {
  sed -n '4s/^#  *//p' "$0" >&2
  exit 2
}
work=$1 run_sh=$2 dist=$3 prefix=$4
rm -rf -- "$work" && mkdir -p -- "$work"
fail() {
  echo "shots_test.sh: FAILED: $*"
  exit 1
}

if ! env -u DISPLAY "$run_sh" --shots "$work/pictures" --dist "$dist" --prefix "$prefix" \
  >"$work/run.log" 2>&1; then
  cat -- "$work/run.log"
  fail "run.sh --shots ended with an error"
fi
pages=(stage0-language stage1-description stage2-folder stage3-desktop-icon stage4-progress
  stage5-completion folder-picker)
for page in "${pages[@]}"; do
  picture=$work/pictures/$page.png
  [[ $(identify -format '%m' "$picture" 2>/dev/null) == PNG ]] || fail "no picture $picture"
done
# The first and the last page are different pictures.
difference=$({ compare -metric RMSE "$work/pictures/stage0-language.png" \
  "$work/pictures/stage5-completion.png" null: 2>&1 || true; } | sed -n 's/.*(\(.*\)).*/\1/p')
awk -v d="$difference" 'BEGIN { exit !(d > 0.01) }' || fail "the first and last page look alike"
[[ ! -e $prefix/drive_c/tgw-run-shots ]] || fail "the throwaway install is still in the prefix"
grep -q '^run\.sh: stopped ' "$work/run.log" || fail "run.sh did not say what it stopped"
echo "${#pages[@]} pictures in $work/pictures"
