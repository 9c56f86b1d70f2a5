#!/usr/bin/env bash
# The disk-full test's drive T:, a 64 KiB tmpfs on FOLDER; without root, mount says so and exits 0
# (the test skips). One left mounted is unmounted first (lazily: a Wine process lets go at its end).
set -euo pipefail
(($# == 3)) || { echo "usage: tiny_drive.sh mount|unmount PREFIX FOLDER" >&2 && exit 2; }
link=$2/dosdevices/t: folder=$(realpath -m -- "$3")
rm -f -- "$link"
if mountpoint -q -- "$folder"; then umount -- "$folder" 2>/dev/null || umount -l -- "$folder"; fi
if [[ -d $folder ]]; then rmdir -- "$folder"; fi
[[ $1 == mount ]] || exit 0
mkdir -p -- "$folder"
if ! errors=$(mount -t tmpfs -o size=64k,mode=0755 tgw-tiny-drive "$folder" 2>&1); then
  rmdir -- "$folder"
  echo "tiny_drive.sh: no tiny drive T: (mounting a tmpfs needs root): $errors" >&2 && exit 0
fi
ln -s -- "$folder" "$link"
echo "drive T: is a tmpfs of 64k at $folder"
