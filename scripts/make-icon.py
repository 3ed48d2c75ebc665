#!/usr/bin/env python3
"""Draws Tabulon's icon, a list sheet, and writes it as src/app/win32/tabulon.ico.

Each size (16, 32 and 48 pixels) is drawn on its own pixel grid, so that every edge falls on a
pixel border and the small sizes stay sharp: a white sheet with a dark outline and a folded
corner, a blue title band, and rows of a coloured mark and a grey line. The images are stored as
32-bit bitmaps with alpha (and the 1-bit mask older Windows reads), which every Windows version
since XP shows. Run it again after a change and commit the .ico:

    python3 scripts/make-icon.py [OUTPUT]
"""
import struct
import sys
from pathlib import Path

OUTLINE = (64, 64, 72, 255)
SHEET = (255, 255, 255, 255)
FOLD = (210, 214, 222, 255)
BAND = (38, 104, 200, 255)
LINE = (150, 156, 166, 255)
MARKS = [(232, 120, 30, 255), (60, 160, 80, 255), (200, 50, 60, 255), (232, 120, 30, 255)]

# Per size: the sheet's left, top, right and bottom pixel (inclusive), the folded corner's size,
# the outline's width, the title band's rows, and each list row's first pixel row and height.
LAYOUTS = {
    16: dict(sheet=(2, 1, 13, 14), fold=3, outline=1, band=(3, 4), rows=[6, 9, 12], row=2),
    32: dict(sheet=(4, 2, 27, 29), fold=6, outline=1, band=(5, 9), rows=[12, 17, 22], row=3),
    48: dict(sheet=(6, 3, 41, 44), fold=9, outline=2, band=(7, 13), rows=[17, 23, 29, 35], row=4),
}


def draw(size):
    layout = LAYOUTS[size]
    left, top, right, bottom = layout["sheet"]
    fold, width = layout["fold"], layout["outline"]
    pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]

    def on_sheet(x, y):
        # The top right corner is cut off along a diagonal: the fold.
        return left <= x <= right and top <= y <= bottom and (x - (right - fold)) <= (y - top)

    for y in range(size):
        for x in range(size):
            if not on_sheet(x, y):
                continue
            # Outline: within `width` pixels of the sheet's edge, the diagonal included.
            inner = all(on_sheet(x + dx, y + dy) for dx in range(-width, width + 1)
                        for dy in range(-width, width + 1))
            pixels[y][x] = SHEET if inner else OUTLINE
    # The folded flap: the triangle below the diagonal, in the corner the cut left.
    for y in range(top, top + fold + 1):
        for x in range(right - fold, right + 1):
            if (x - (right - fold)) < (y - top) and on_sheet(x, y) and pixels[y][x] == SHEET:
                edge = x < right - fold + width or y > top + fold - width
                pixels[y][x] = OUTLINE if edge else FOLD
    # The title band, short of the fold.
    inset = left + width + 1
    band_top, band_bottom = layout["band"]
    for y in range(band_top, band_bottom + 1):
        for x in range(inset, right - fold - 1):
            pixels[y][x] = BAND
    # The rows: a square mark, a gap, and a grey line to the right margin.
    row = layout["row"]
    for index, first in enumerate(layout["rows"]):
        for y in range(first, first + row):
            for x in range(inset, inset + row):
                pixels[y][x] = MARKS[index % len(MARKS)]
            for x in range(inset + row + max(1, row // 2), right - width - max(1, row // 2) + 1):
                pixels[y][x] = LINE
    return pixels


def bitmap(pixels):
    """The icon image: a BITMAPINFOHEADER, the colour rows and the mask rows, bottom-up."""
    size = len(pixels)
    colours = b"".join(bytes((b, g, r, a)) for row in reversed(pixels) for (r, g, b, a) in row)
    stride = (size + 31) // 32 * 4
    mask = b""
    for row in reversed(pixels):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(colours) + len(mask),
                         0, 0, 0, 0)
    return header + colours + mask


def main():
    output = Path(sys.argv[1]) if len(sys.argv) > 1 else \
        Path(__file__).resolve().parent.parent / "src/app/win32/tabulon.ico"
    images = [(size, bitmap(draw(size))) for size in sorted(LAYOUTS)]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in images:
        data += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    data += b"".join(image for _, image in images)
    output.write_bytes(data)


if __name__ == "__main__":
    main()
