#!/usr/bin/env python3
"""Draws startup/Tarnwick.ico: a database drum with a setup star, 16x16 and
32x32 in the 16 standard VGA colours (4 bits per pixel), so that every Windows
from 95 on shows it without colour reduction."""
import struct, sys

# The 16-colour palette every display of Windows 95 has (BGR0 on disk).
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
           (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
           (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, NAVY, TEAL, SILVER, GREY, BLUE, YELLOW, CYAN, WHITE = 0, 4, 6, 7, 8, 12, 11, 14, 15
CLEAR = None


def draw(n):
    img = [[CLEAR] * n for _ in range(n)]
    s = n / 32.0
    cx, rx, ry = 14 * s, 11 * s, 5 * s          # drum centre, radii of its ellipses
    top, bottom = 10 * s, 24 * s
    for y in range(n):
        for x in range(n):
            px, py = x + 0.5, y + 0.5
            dx = (px - cx) / rx
            inside_x = abs(dx) <= 1
            e = ry * (max(0.0, 1 - dx * dx)) ** 0.5   # half height of the ellipse at px
            if inside_x and top <= py <= bottom + e:
                # body, shaded left to right; two bands mark the disks
                c = CYAN if dx < -0.35 else (TEAL if dx < 0.55 else NAVY)
                for band in (15 * s, 20 * s):
                    if band + e - 1.2 * s <= py <= band + e:
                        c = NAVY if dx > -0.35 else TEAL
                img[y][x] = c
            if inside_x and abs(py - top) <= e:
                img[y][x] = WHITE if dx < 0.2 else SILVER     # the lid
                if py > top + e - 1.0 * max(s, 1):
                    img[y][x] = GREY                          # its front rim
    # outline of the drum
    for y in range(n):
        for x in range(n):
            if img[y][x] is not CLEAR:
                nb = [img[y + j][x + i] if 0 <= y + j < n and 0 <= x + i < n else CLEAR
                      for i, j in ((1, 0), (-1, 0), (0, 1), (0, -1))]
                if CLEAR in nb:
                    img[y][x] = BLACK
    # the setup star, top right
    sx, sy, r = 25 * s, 7 * s, 6 * s
    for y in range(n):
        for x in range(n):
            ax, ay = abs(x + 0.5 - sx), abs(y + 0.5 - sy)
            if ax + ay * 3 <= r or ay + ax * 3 <= r or (ax + ay <= r * 0.55):
                img[y][x] = YELLOW if ax + ay > r * 0.25 else WHITE
    return img


def dib(img):
    n = len(img)
    head = struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, 4, 0, 0, 0, 0, 16, 0)
    pal = b''.join(struct.pack('BBBB', b, g, r, 0) for r, g, b in PALETTE)
    xor, mask = b'', b''
    for row in reversed(img):                     # bottom-up rows
        nib = [0 if c is None else c for c in row]
        line = bytes((nib[i] << 4) | nib[i + 1] for i in range(0, n, 2))
        xor += line + b'\0' * (-len(line) % 4)
        bits = 0
        mline = b''
        for i, c in enumerate(row):
            bits = (bits << 1) | (1 if c is None else 0)
            if i % 8 == 7:
                mline += bytes([bits]); bits = 0
        mask += mline + b'\0' * (-len(mline) % 4)
    return head + pal + xor + mask


def main(path):
    images = [dib(draw(n)) for n in (32, 16)]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, data in zip((32, 16), images):
        out += struct.pack('<BBBBHHII', n, n, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    with open(path, 'wb') as f:
        f.write(out + b''.join(images))


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'startup/Tarnwick.ico')
