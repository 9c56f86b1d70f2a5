#!/usr/bin/env bash
# Speed and size, measured: builds what the measurements need, runs every part in tests/bench/
# (each *.sh there) and prints one table, every figure beside its reference measured in the same
# run, as a ratio (these machines are shared and noisy: absolute times mean little), followed by
# the commands that were run.
#
# A part prints table rows ("| what | measured | reference | ratio | bar |") and the commands it
# ran ("$ command"); it gets the build folders in TGW_NATIVE and TGW_WINDOWS.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset native >/dev/null
cmake --build --preset native >/dev/null
cmake --preset windows >/dev/null
cmake --build --preset windows >/dev/null
export TGW_NATIVE="$PWD/build/native" TGW_WINDOWS="$PWD/build/windows"

rows=$(mktemp)
trap 'rm -f "$rows"' EXIT
for part in tests/bench/*.sh; do
  "$part" >>"$rows"
done

echo "Measured $(date -u +%Y-%m-%d) on $(nproc) cores of $(uname -m), $(wine --version 2>/dev/null || echo 'no Wine')."
echo
echo "| what | measured | reference, same run | ratio | bar |"
echo "|---|---|---|---|---|"
grep '^|' "$rows" || true
echo
echo "Commands:"
grep '^\$ ' "$rows" | sed 's/^/    /' || true
