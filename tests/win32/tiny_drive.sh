#!/usr/bin/env bash
# The tiny drive T: of a Wine prefix, for the disk-full tests: a tmpfs of SIZE bytes mounted on
# FOLDER, which the prefix's dosdevices/t: links to. CTest mounts it before those tests and
# unmounts it after them, whatever their outcome.
#
#   tiny_drive.sh mount PREFIX FOLDER [SIZE]  mounts (SIZE as mount takes it, default 64k)
#   tiny_drive.sh unmount PREFIX FOLDER       unmounts, removes the link and the folder
#
# Mounting needs root. When it is not possible, mount says why and exits 0 without a drive T:,
# and the tests that need the drive skip. A drive left mounted by an interrupted run is
# unmounted first.
set -euo pipefail

usage() {
  sed -n '6,7s/^#  *//p' "$0" >&2
  exit 2
}
(($# >= 3)) || usage
action=$1
link=$2/dosdevices/t:
folder=$(realpath -m -- "$3")
size=${4:-64k}

say() { echo "tiny_drive.sh: $*" >&2; }

unmount() {
  rm -f -- "$link"
  if mountpoint -q -- "$folder"; then
    # Lazily when busy: a Wine process that still holds a file there lets go when it ends.
    umount -- "$folder" 2>/dev/null || umount -l -- "$folder"
  fi
  if [[ -d $folder ]]; then rmdir -- "$folder"; fi
}

case $action in
  mount)
    [[ -d $2/dosdevices ]] || { say "no Wine prefix at $2"; exit 1; }
    unmount
    mkdir -p -- "$folder"
    if ! errors=$(mount -t tmpfs -o "size=$size,mode=0755" tgw-tiny-drive "$folder" 2>&1); then
      rmdir -- "$folder"
      say "no tiny drive T: (mounting a tmpfs needs root): ${errors:-mount failed}"
      say "the disk-full tests will skip"
      exit 0
    fi
    ln -s -- "$folder" "$link"
    echo "drive T: is a tmpfs of $size at $folder"
    ;;
  unmount)
    unmount
    echo "drive T: unmounted"
    ;;
  *)
    usage
    ;;
esac
