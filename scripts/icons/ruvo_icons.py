#!/usr/bin/env python3
"""Renders ruvo's three dialog icons (selfextract/resources/icons/*.ico) at each of their sizes.

Each icon is a rounded square in its colour with a white glyph. ImageMagick draws it eight
times larger and scales it down, so that every size is drawn for its own pixel grid rather
than stretched from another. The images are stored PNG-compressed (32-bit RGBA, as icon
resources require); from 48 pixels on they keep 16 colours, which leaves their wide edges
smooth and makes the large images small enough for the stub's size budget.

    scripts/icons/ruvo_icons.py [OUTPUT_FOLDER]     (default selfextract/resources/icons)
"""
import os
import struct
import subprocess
import sys
import zlib

# The working icon is also the program's icon, which Explorer shows up to 256 pixels. The other two
# appear only in the dialog: 32 pixels at 100 % scaling, 64 at 200 %; 128 pixels leave nothing to
# stretch up to 400 %, at half the bytes of 256.
SMALL_SIZES = [16, 24, 32, 48, 64]
ICONS = [  # file, colour, glyph, sizes
    ("working", "rgb(47,109,181)", "V", SMALL_SIZES + [256]),
    ("retry", "rgb(217,162,27)", "?", SMALL_SIZES + [128]),
    ("error", "rgb(192,57,43)", "!", SMALL_SIZES + [128]),
]
SUPERSAMPLE = 8
FEW_COLOURS_FROM = 48
FEW_COLOURS = 16


def render(colour, glyph, size):
    """The icon as raw RGBA bytes, size x size."""
    big = size * SUPERSAMPLE
    # The margin falls on whole pixels of the target size, so that the square's edges stay sharp.
    margin = max(1, round(size / 16)) * SUPERSAMPLE
    radius = 6 * big / 32
    command = [
        "convert", "-size", f"{big}x{big}", "xc:none", "-fill", colour,
        "-draw", f"roundrectangle {margin},{margin} {big - margin - 1},{big - margin - 1} {radius},{radius}",
        "-font", "DejaVu-Sans-Bold", "-pointsize", str(19.5 * big / 32), "-fill", "white",
        "-gravity", "center", "-annotate", "+0+0", glyph,
        "-filter", "box", "-resize", f"{size}x{size}",
    ]
    if size >= FEW_COLOURS_FROM:
        command += ["+dither", "-colors", str(FEW_COLOURS)]
    command += ["-depth", "8", "rgba:-"]
    pixels = subprocess.run(command, check=True, capture_output=True).stdout
    if len(pixels) != size * size * 4:
        sys.exit(f"ImageMagick gave {len(pixels)} bytes for a {size}-pixel icon")
    return pixels


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def filtered(row, previous, kind):
    out = bytearray([kind])
    for i, x in enumerate(row):
        a = row[i - 4] if i >= 4 else 0
        b = previous[i]
        c = previous[i - 4] if i >= 4 else 0
        predictor = (0, a, b, (a + b) // 2, paeth(a, b, c))[kind]
        out.append((x - predictor) & 0xFF)
    return bytes(out)


def png(pixels, size):
    """A PNG of the RGBA pixels; each row takes the filter that deflates best after the rows before it."""
    stride = size * 4
    previous = bytes(stride)
    stream = b""
    for y in range(size):
        row = pixels[y * stride:(y + 1) * stride]
        candidates = [filtered(row, previous, kind) for kind in range(5)]
        stream += min(candidates, key=lambda c: len(zlib.compress(stream[-32768:] + c, 9)))
        previous = row

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(stream, 9)) +
            chunk(b"IEND", b""))


def ico(images):
    """An icon file of (size, PNG) pairs."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        side = 0 if size == 256 else size  # 256 is written as 0
        out += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "selfextract", "resources", "icons")
    for name, colour, glyph, sizes in ICONS:
        images = [(size, png(render(colour, glyph, size), size)) for size in sizes]
        path = os.path.join(folder, name + ".ico")
        with open(path, "wb") as out:
            out.write(ico(images))
        print(f"{os.path.normpath(path)}: {os.path.getsize(path)} bytes")


if __name__ == "__main__":
    main()
