#!/usr/bin/env bash
# scripts/run.sh --shots DIR, without a screen, writes a picture of every page into DIR and leaves
# no throwaway install in the Wine prefix.   shots_test.sh WORK RUN_SH DIST PREFIX
set -euo pipefail
work=$1 run_sh=$2 dist=$3 prefix=$4 pictures=$1/pictures
rm -rf -- "$work" && mkdir -p -- "$work"
fail() { echo "shots_test.sh: FAILED: $*" && exit 1; }
env -u DISPLAY "$run_sh" --shots "$pictures" --dist "$dist" --prefix "$prefix" >"$work/run.log" \
  2>&1 || fail "run.sh --shots ended with an error: $(cat "$work/run.log")"
for page in stage{0-language,1-description,2-folder,3-desktop-icon,4-progress,5-completion} \
  folder-picker; do
  [[ $(identify -format '%m' "$pictures/$page.png") == PNG ]] || fail "no picture of $page"
done
difference=$({ compare -metric RMSE "$pictures"/stage{0-language,5-completion}.png null: 2>&1 ||
  true; } | sed -n 's/.*(\(.*\)).*/\1/p')
awk -v d="$difference" 'BEGIN { exit !(d > 0.01) }' || fail "the first and last page look alike"
[[ ! -e $prefix/drive_c/tgw-run-shots ]] || fail "the throwaway install is still in the prefix"
grep -q '^run\.sh: stopped ' "$work/run.log" || fail "run.sh did not say what it stopped"
