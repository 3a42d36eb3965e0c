#!/usr/bin/env python3
"""Renders ruvo's three dialog icons (selfextract/resources/icons/*.ico) at each of their sizes.

Each icon is a rounded square in its colour with a white glyph. ImageMagick draws it eight
times larger and scales it down, so that every size is drawn for its own pixel grid rather
than stretched from another. Edges keep 8 steps of coverage: they still look smooth, the
colour and the white stay exact, and the images, PNG-compressed in 32-bit RGBA as icon resources
require, take a third of the bytes, which the stub's size budget needs.

    scripts/icons/ruvo_icons.py [OUTPUT_FOLDER]     (default selfextract/resources/icons)
"""
import os
import struct
import subprocess
import sys
import zlib

# The working icon is also the program's icon, which Explorer shows from 16 to 256 pixels. The
# other two appear only in the dialog, 32 pixels wide at 100 % scaling and 64 at 200 %: 96 pixels
# leave nothing to stretch up to 300 %, and sizes below 32 would never be drawn.
ICONS = [  # file, colour, glyph, sizes
    ("working", (47, 109, 181), "V", [16, 24, 32, 48, 64, 256]),
    ("retry", (217, 162, 27), "?", [32, 48, 64, 96]),
    ("error", (192, 57, 43), "!", [32, 48, 64, 96]),
]
SUPERSAMPLE = 8
LEVELS = 8


def coverage(size, draw):
    """How much of each pixel the drawing covers, 0 to 255, drawn large and scaled down."""
    big = size * SUPERSAMPLE
    command = ["convert", "-size", f"{big}x{big}", "xc:black", "-fill", "white", *draw(big),
               "-filter", "box", "-resize", f"{size}x{size}", "-depth", "8", "gray:-"]
    pixels = subprocess.run(command, check=True, capture_output=True).stdout
    if len(pixels) != size * size:
        sys.exit(f"ImageMagick gave {len(pixels)} bytes for a {size}-pixel mask")
    return pixels


def render(colour, glyph, size, levels):
    """The icon as raw RGBA bytes, size x size: the square in `colour`, the glyph white. Edges keep
    `levels` steps of coverage, so that the colour and the white stay exact."""
    # The margin falls on whole pixels of the target size, so that the square's edges stay sharp.
    margin = max(1, round(size / 16)) * SUPERSAMPLE
    square = coverage(size, lambda big: [
        "-draw", f"roundrectangle {margin},{margin} {big - margin - 1},{big - margin - 1} {6 * big / 32},{6 * big / 32}"])
    letter = coverage(size, lambda big: [
        "-font", "DejaVu-Sans-Bold", "-pointsize", str(19.5 * big / 32), "-gravity", "center", "-annotate", "+0+0", glyph])
    step = 255 / (levels - 1)
    out = bytearray()
    for alpha, white in zip(square, letter):
        alpha = round(round(alpha / step) * step)
        white = round(white / step) * step / 255
        if alpha == 0:
            out += bytes(4)
            continue
        out += bytes(round(c + (255 - c) * white) for c in colour) + bytes([alpha])
    return bytes(out)


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
        images = [(size, png(render(colour, glyph, size, LEVELS), size)) for size in sizes]
        path = os.path.join(folder, name + ".ico")
        with open(path, "wb") as out:
            out.write(ico(images))
        print(f"{os.path.normpath(path)}: {os.path.getsize(path)} bytes")


if __name__ == "__main__":
    main()
