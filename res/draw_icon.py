#!/usr/bin/env python3
"""Draws the installer's icon (resource 128) into setup.ico: a blue tile with
a white waveform between two amber probe points, at 16, 32 and 48 pixels,
as 32-bit images with alpha. Run it again after changing the drawing."""
import math
import struct
import sys

SUPERSAMPLE = 4


def shade(x, y):
    """The colour (r, g, b, a) of the point (x, y) of the unit square."""
    # Rounded tile.
    r = 0.2
    cx = min(max(x, r), 1 - r)
    cy = min(max(y, r), 1 - r)
    if (x - cx) ** 2 + (y - cy) ** 2 > r * r:
        return (0, 0, 0, 0)
    top, bottom = (52, 120, 212), (18, 54, 128)
    colour = tuple(int(t + (b - t) * y) for t, b in zip(top, bottom))
    # Amber probe points at the ends of the wave.
    for px, py in ((0.16, 0.5), (0.84, 0.5)):
        if (x - px) ** 2 + (y - py) ** 2 < 0.085 ** 2:
            return (255, 184, 28, 255)
    # One period of a sine wave between them.
    if 0.16 <= x <= 0.84:
        phase = (x - 0.16) / 0.68 * 2 * math.pi
        wave = 0.5 - 0.24 * math.sin(phase)
        slope = 0.24 * 2 * math.pi / 0.68 * math.cos(phase)
        if abs(y - wave) / math.sqrt(1 + slope * slope) < 0.045:
            return (255, 255, 255, 255)
    return colour + (255,)


def image(size):
    """Rows of (b, g, r, a) pixels, top row first."""
    rows = []
    n = size * SUPERSAMPLE
    for j in range(size):
        row = []
        for i in range(size):
            acc = [0, 0, 0, 0]
            for sj in range(SUPERSAMPLE):
                for si in range(SUPERSAMPLE):
                    r, g, b, a = shade((i * SUPERSAMPLE + si + 0.5) / n, (j * SUPERSAMPLE + sj + 0.5) / n)
                    acc[0] += b * a
                    acc[1] += g * a
                    acc[2] += r * a
                    acc[3] += a
            alpha = acc[3] / SUPERSAMPLE ** 2
            if acc[3]:
                pixel = tuple(int(round(c / acc[3])) for c in acc[:3]) + (int(round(alpha)),)
            else:
                pixel = (0, 0, 0, 0)
            row.append(pixel)
        rows.append(row)
    return rows


def bitmap(size):
    """An icon image: BITMAPINFOHEADER, bottom-up BGRA pixels, AND mask."""
    rows = image(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b''.join(bytes(sum((list(p) for p in row), [])) for row in reversed(rows))
    mask_stride = ((size + 31) // 32) * 4
    mask = b''
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for i, p in enumerate(row):
            if p[3] == 0:
                bits[i // 8] |= 0x80 >> (i % 8)
        mask += bytes(bits)
    return header + pixels + mask


def main(path):
    sizes = (16, 32, 48)
    images = [bitmap(s) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b''.join(images)
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'setup.ico')
