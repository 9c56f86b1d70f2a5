#!/usr/bin/env bash
# The setup image's size and start-up, for scripts/bench.sh: table rows and the commands run.
#
#   TGW_WINDOWS=build/windows tests/bench/image.sh [RUNS]
#
# - the bare setup-image.exe against its bar of 131,072 bytes (also a CTest: setup_image_size);
# - the picture's bytes in it (the bitmap resource), against the 24-bit picture it replaced;
# - start-up: from the process's start to its window visible and answering, the median of RUNS
#   (default 15) starts under Wine and Xvfb, against a minimal window program that loads the same
#   system DLLs (tests/bench/image_minimal_window.cpp), timed in turns by image_startup.exe in
#   the build's Wine prefix (scripts/wine-run.sh, as the tests run).
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$PWD
windows=$(realpath "${TGW_WINDOWS:?TGW_WINDOWS must name the windows build folder}")
runs=${1:-15}
image=$windows/src/wizard/win32/setup-image.exe

row() { echo "| $1 | $2 | $3 | $4 | $5 |"; }
ratio() { python3 -c "print(f'{$1 / $2:.3f}')"; }
say() { echo "\$ $*"; }

# The bare image.
size=$(stat -c %s "$image")
say stat -c %s "$image"
row "setup-image.exe, bytes" "$size" "131072 (the bar)" "$(ratio "$size" 131072)" "<= 1"

# The picture: the RT_BITMAP resource's data in the image, found through its resource directory.
say python3 "(the size of the RT_BITMAP resource in $image)"
picture=$(python3 - "$image" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
pe = struct.unpack_from("<I", data, 0x3C)[0]
sections = struct.unpack_from("<H", data, pe + 6)[0]
optional = struct.unpack_from("<H", data, pe + 20)[0]
rva = struct.unpack_from("<I", data, pe + 24 + 112 + 2 * 8)[0]  # PE32+: data directory 2
table = pe + 24 + optional
def offset(address):
    for i in range(sections):
        virtual_size, virtual_address, raw_size, raw_pointer = struct.unpack_from("<IIII", data, table + 40 * i + 8)
        if virtual_address <= address < virtual_address + max(virtual_size, raw_size):
            return address - virtual_address + raw_pointer
    raise SystemExit("no section holds the resources")
base = offset(rva)
def entries(at):
    named, ids = struct.unpack_from("<HH", data, base + at + 12)
    for i in range(named + ids):
        yield struct.unpack_from("<II", data, base + at + 16 + 8 * i)
total = 0
def walk(at):
    global total
    for _, target in entries(at):
        if target & 0x80000000:
            walk(target & 0x7FFFFFFF)
        else:
            total += struct.unpack_from("<I", data, base + target + 4)[0]
for name, target in entries(0):
    if name == 2:  # RT_BITMAP
        walk(target & 0x7FFFFFFF)
print(total)
PY
)
row "the picture in the image, bytes" "$picture" "153592 (24-bit, before)" "$(ratio "$picture" 153592)" "-"

# Start-up.
prefix=$windows/wine
say scripts/wine-run.sh "$prefix" --start
"$repo/scripts/wine-run.sh" "$prefix" --start >/dev/null
say cd "$windows" '&&' "$repo/scripts/wine-run.sh" "$prefix" tests/bench/image_startup.exe "$runs" \
  "'src\wizard\win32\setup-image.exe'" "'tests\bench\image_minimal_window.exe'"
times=$(cd "$windows" && "$repo/scripts/wine-run.sh" "$prefix" tests/bench/image_startup.exe \
  "$runs" 'src\wizard\win32\setup-image.exe' 'tests\bench\image_minimal_window.exe' | tr -d '\r')
setup=$(awk '$1 == "median" && $2 ~ /setup-image/ {print $3}' <<<"$times")
minimal=$(awk '$1 == "median" && $2 ~ /minimal_window/ {print $3}' <<<"$times")
row "start-up to a visible window, ms (median of $runs)" "$setup" \
  "$minimal (a minimal window, same DLLs)" "$(ratio "$setup" "$minimal")" "<= 1.3"
