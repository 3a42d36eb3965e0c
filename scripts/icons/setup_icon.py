#!/usr/bin/env python3
"""Renders the setup engine's icon (setup/resources/setup.ico) the way ruvo's icons are drawn.

    scripts/icons/setup_icon.py [OUTPUT_FILE]     (default setup/resources/setup.ico)
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import ruvo_icons  # noqa: E402

COLOUR = (46, 139, 87)
GLYPH = "\u2193"  # an arrow down: something is put in place
SIZES = [16, 24, 32, 48, 64, 256]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "setup", "resources", "setup.ico")
    images = [(size, ruvo_icons.png(ruvo_icons.render(COLOUR, GLYPH, size, ruvo_icons.LEVELS), size)) for size in SIZES]
    with open(path, "wb") as out:
        out.write(ruvo_icons.ico(images))
    print(f"{os.path.normpath(path)}: {os.path.getsize(path)} bytes")


if __name__ == "__main__":
    main()
