#!/usr/bin/env python3
"""Draws Karnio's program icon (src/ui/resources/karnio.ico) and the hand cursor
(src/ui/resources/sormi.cur). The pictures are ours, drawn here pixel by pixel."""
import struct
import sys
from pathlib import Path

BLACK, WHITE = (0, 0, 0), (255, 255, 255)
GREY, DARK, LIGHT = (192, 192, 192), (128, 128, 128), (224, 224, 224)
NAVY, BLUE = (0, 0, 128), (16, 132, 208)
RED, DARKRED = (224, 32, 32), (128, 0, 0)


def canvas(width, height):
    return [[None] * width for _ in range(height)]


def box(img, x0, y0, x1, y1, colour):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            img[y][x] = colour


def program_window(size):
    """A small window with a list of programs, one of them struck out in red."""
    s = size / 32
    img = canvas(size, size)
    p = lambda v: int(round(v * s))
    box(img, p(1), p(3), p(30) - (size == 16), p(28), DARK)          # frame shadow
    box(img, p(1), p(3), p(29) - (size == 16), p(27), GREY)          # frame
    box(img, p(2), p(4), p(28) - (size == 16), p(8), NAVY)           # title bar
    box(img, p(3), p(10), p(27) - (size == 16), p(25) + (size == 16), WHITE)  # list
    rows = [12, 16, 20] if size == 32 else [11, 15, 19]
    for i, y in enumerate(rows):
        box(img, p(5), p(y), p(5) + (p(14) if i != 1 else p(18)), p(y) + max(1, p(2)) - 1,
            BLUE if i == 1 else DARK)
    # a red cross over the middle entry: the leftover Karnio removes
    reach = range(p(8)) if size == 32 else range(5)
    cx, cy = (p(21), p(14)) if size == 32 else (9, 7)
    for d in reach:
        for dx in (0, 1):
            img[cy + d][cx + d + dx] = RED
            img[cy + d][cx + len(reach) - 1 - d + dx] = RED
    return img


HAND = """
.....BB..........
....BWWB.........
....BWWB.........
....BWWB.........
....BWWB.........
....BWWBBB.......
....BWWBWWBBB....
....BWWBWWBWWBB..
.BB.BWWBWWBWWBWB.
BWWBBWWWWWWWWBWWB
BWWWBWWWWWWWWWWWB
.BWWBWWWWWWWWWWWB
.BWWWWWWWWWWWWWWB
..BWWWWWWWWWWWWWB
..BWWWWWWWWWWWWB.
...BWWWWWWWWWWWB.
...BWWWWWWWWWWWB.
....BWWWWWWWWWB..
....BWWWWWWWWWB..
.....BWWWWWWWB...
.....BWWWWWWWB...
.....BBBBBBBBB...
""".split()
HAND_ORIGIN = (15, 10)   # the finger's tip lands on column 20, row 10
HOT_SPOT = (20, 10)


def hand():
    assert len(HAND) == 22 and all(len(row) == 17 for row in HAND)
    img = canvas(32, 32)
    ox, oy = HAND_ORIGIN
    for y, row in enumerate(HAND):
        for x, c in enumerate(row):
            if c != '.':
                img[oy + y][ox + x] = BLACK if c == 'B' else WHITE
    return img


def dib(img, bits):
    """A DIB as icon and cursor files hold it: header, palette, XOR and AND bitmaps."""
    height, width = len(img), len(img[0])
    colours = sorted({c for row in img for c in row if c is not None} | {BLACK})
    count = 1 << bits
    assert len(colours) <= count
    palette = colours + [BLACK] * (count - len(colours))
    header = struct.pack('<IiiHHIIiiII', 40, width, height * 2, 1, bits, 0, 0, 0, 0, count, 0)
    data = bytearray(header)
    for r, g, b in palette:
        data += bytes((b, g, r, 0))
    stride = ((width * bits + 31) // 32) * 4
    mask_stride = ((width + 31) // 32) * 4
    xor, mask = bytearray(), bytearray()
    for row in reversed(img):
        line = bytearray(stride)
        masks = bytearray(mask_stride)
        for x, c in enumerate(row):
            index = palette.index(c) if c is not None else 0
            if bits == 8:
                line[x] = index
            else:
                line[x // 2] |= index << (4 if x % 2 == 0 else 0)
            if c is None:
                masks[x // 8] |= 0x80 >> (x % 8)
        xor += line
        mask += masks
    return bytes(data + xor + mask)


def container(kind, images):
    """An .ico (kind 1) or .cur (kind 2) file. images: (img, bits, hot spot or None)."""
    blobs = [dib(img, bits) for img, bits, _ in images]
    out = bytearray(struct.pack('<HHH', 0, kind, len(images)))
    offset = 6 + 16 * len(images)
    for (img, bits, hot), blob in zip(images, blobs):
        w, h = len(img[0]), len(img)
        colours = 0 if bits == 8 else 1 << bits
        second, third = hot if kind == 2 else (1, bits)
        out += struct.pack('<BBBBHHII', w, h, colours, 0, second, third, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    return bytes(out)


def main():
    root = Path(__file__).resolve().parent.parent
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else root / 'src' / 'ui' / 'resources'
    (target / 'karnio.ico').write_bytes(
        container(1, [(program_window(16), 8, None), (program_window(32), 8, None)]))
    (target / 'sormi.cur').write_bytes(
        container(2, [(hand(), 4, HOT_SPOT), (canvas(17, 22), 4, (0, 0))]))


if __name__ == '__main__':
    main()
