#!/usr/bin/env bash
# Draws the wizard's pictures: image1.bmp (the left strip, 112 x 457) and setup.ico (16 to 64
# pixels). Needs ImageMagick and python3.
#
# The strip is drawn in full colour, then stored with a palette of the few colours it has, each
# within 1/255 per channel of a colour drawn, and run-length encoded (BI_RLE8): about 5 KB in the
# program in place of 150 KB. The wizard draws it into a bitmap of its own at start
# (window_dpi_win.cpp), since LoadImage makes no DIB section of an encoded bitmap.
set -euo pipefail
cd "$(dirname "$0")"
im=/usr/bin/convert
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$im" -size 112x457 gradient:'rgb(70,96,122)-rgb(189,200,210)' \
  -fill none -stroke 'rgba(255,255,255,0.35)' -strokewidth 2 \
  -draw "polyline 30,60 14,80 30,100" -draw "polyline 82,60 98,80 82,100" -draw "line 62,56 50,104" \
  -stroke 'rgba(255,255,255,0.18)' -strokewidth 1 \
  -draw "line 0,140 112,120" -draw "line 0,170 112,150" -draw "line 0,200 112,180" \
  -fill 'rgba(255,255,255,0.12)' -stroke none \
  -draw "circle 56,380 56,330" -draw "circle 20,300 20,285" -draw "circle 95,250 95,240" \
  -type TrueColor "BMP3:$work/image1-24.bmp"

python3 - "$work/image1-24.bmp" image1.bmp <<'PY'
import struct, sys
source, target = sys.argv[1], sys.argv[2]
data = open(source, "rb").read()
offset = struct.unpack_from("<I", data, 10)[0]
width, height = struct.unpack_from("<ii", data, 18)
stride = (width * 3 + 3) // 4 * 4
rows = [[data[offset + y * stride + x * 3:offset + y * stride + x * 3 + 3] for x in range(width)]
        for y in range(height)]  # bottom-up, blue green red
counts = {}
for row in rows:
    for pixel in row:
        counts[pixel] = counts.get(pixel, 0) + 1
def distance(a, b):
    return max(abs(a[i] - b[i]) for i in range(3))
# The palette: the colours most drawn first, each taken unless one taken is within 1 of it.
palette = []
for colour in sorted(counts, key=lambda c: (-counts[c], c)):
    if all(distance(colour, p) > 1 for p in palette):
        palette.append(colour)
assert len(palette) <= 256
index = {c: min(range(len(palette)), key=lambda i: (distance(c, palette[i]),
                                                     sum((c[k] - palette[i][k]) ** 2 for k in range(3))))
         for c in counts}
near = {c: {i for i, p in enumerate(palette) if distance(c, p) <= 1} for c in counts}
assert all(index[c] in near[c] for c in counts)

# Each pixel takes the entry of the one before it where that is within 1 too (longer runs), else
# its nearest. Then each row is encoded whole, in the fewest bytes (by dynamic programming): runs
# of one colour (count, index); pixels as they are (0, count of three or more, indexes, padded to
# a word); the row's end (0, 0), the last (0, 1).
def encode(line):
    n = len(line)
    cost = [0] * (n + 1)
    step = [None] * (n + 1)
    for i in range(n - 1, -1, -1):
        best = None
        k = 1
        while i + k <= n and k <= 255 and line[i + k - 1] == line[i]:
            if best is None or 2 + cost[i + k] < best:
                best, step[i] = 2 + cost[i + k], (True, k)
            k += 1
        for k in range(3, min(255, n - i) + 1):
            if 2 + k + k % 2 + cost[i + k] < best:
                best, step[i] = 2 + k + k % 2 + cost[i + k], (False, k)
        cost[i] = best
    out = bytearray()
    i = 0
    while i < n:
        run, k = step[i]
        out += bytes((k, line[i])) if run else bytes((0, k)) + bytes(line[i:i + k]) + bytes(k % 2)
        i += k
    return out

bits = bytearray()
for row in rows:
    line = []
    for pixel in row:
        line.append(line[-1] if line and line[-1] in near[pixel] else index[pixel])
    bits += encode(line) + b"\0\0"
bits[-2:] = b"\0\1"
header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 1, len(bits), 2835, 2835,
                     len(palette), 0)  # 8 bits, BI_RLE8, 72 dots per inch
colours = b"".join(c + b"\0" for c in palette)
file_header = struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(colours) + len(bits), 0, 0,
                          14 + len(header) + len(colours))
open(target, "wb").write(file_header + header + colours + bits)
PY

# The icon is drawn once at 256 pixels (the drawing's own units are those of 48, scaled), then
# made smaller for each size Windows asks for: the small icon at 100 to 200 % (16 to 32) and the
# large one (32 to 64). Each is a PNG of at most 32 colours with their transparency, stored in the
# .ico as PNG (Windows Vista and later read these): 2.8 KB for all seven. No 256-pixel image: it
# alone would take 2.2 KB of the program, for Explorer's extra large view, which scales the 64 up.
"$im" -size 256x256 xc:none -draw "translate 2.1667,2.1667 scale 5.3333,5.3333 \
    fill rgb(70,96,122) roundrectangle 2,2 45,45 8,8 \
    fill none stroke white stroke-width 4 polyline 17,14 7,24 17,34 polyline 31,14 41,24 31,34 \
    stroke rgb(103,167,129) line 27,10 21,38" "$work/256.png"
sizes="16 20 24 32 40 48 64"
for size in $sizes; do
  "$im" "$work/256.png" -resize ${size}x${size} -strip +dither -colors 32 "PNG8:$work/$size.png"
done

python3 - "$work" $sizes <<'PY'
import struct, sys
work, sizes = sys.argv[1], [int(size) for size in sys.argv[2:]]
images = [open(f"{work}/{size}.png", "rb").read() for size in sizes]
out = struct.pack("<HHH", 0, 1, len(images))
offset = 6 + 16 * len(images)
for size, png in zip(sizes, images):
    # 32 bits per pixel, as the PNG's colours and alpha are.
    out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(png), offset)
    offset += len(png)
out += b"".join(images)
open("setup.ico", "wb").write(out)
PY
