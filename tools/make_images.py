#!/usr/bin/env python3
"""Draws the icon and image files named by configDir/appConfig.ini.

Standard library only: a small anti-aliased rasteriser (4x4 supersampling over
distance tests) and a PNG writer (zlib + struct). Run from anywhere:

    python3 tools/make_images.py            # writes into configDir/
"""
import math
import os
import struct
import sys
import zlib

ACCENT = (222, 247, 80)
DARK = (20, 20, 20)
PANEL = (50, 55, 50)
RIM = (80, 85, 80)
POINTER = (255, 107, 107)


def write_png(path, width, height, pixels):
    """pixels: list of rows, each a list of (r, g, b, a) tuples."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)  # filter type: none
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def blend(dst, src, alpha):
    """Source-over of an opaque colour with coverage alpha onto an RGBA pixel."""
    r, g, b, a = dst
    sa = alpha
    out_a = sa + a / 255.0 * (1 - sa)
    if out_a <= 0:
        return (0, 0, 0, 0)
    def mix(s, d):
        return int(round((s * sa + d * (a / 255.0) * (1 - sa)) / out_a))
    return (mix(src[0], r), mix(src[1], g), mix(src[2], b), int(round(out_a * 255)))


class Canvas:
    def __init__(self, width, height, background=(0, 0, 0, 0)):
        self.w = width
        self.h = height
        self.px = [[background] * width for _ in range(height)]

    def fill(self, inside, colour, bbox=None):
        """Fills the shape given by inside(x, y) -> bool, 4x4 samples per pixel."""
        x0, y0, x1, y1 = bbox or (0, 0, self.w, self.h)
        x0, y0 = max(0, int(x0)), max(0, int(y0))
        x1, y1 = min(self.w, int(math.ceil(x1))), min(self.h, int(math.ceil(y1)))
        offsets = [(i + 0.5) / 4 for i in range(4)]
        for y in range(y0, y1):
            row = self.px[y]
            for x in range(x0, x1):
                hits = sum(1 for oy in offsets for ox in offsets if inside(x + ox, y + oy))
                if hits:
                    row[x] = blend(row[x], colour, hits / 16.0)

    def save(self, path):
        write_png(path, self.w, self.h, self.px)


def rounded_rect(x0, y0, x1, y1, radius):
    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        cx = min(max(x, x0 + radius), x1 - radius)
        cy = min(max(y, y0 + radius), y1 - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2
    return inside


def ring_arc(cx, cy, r_in, r_out, start_deg, end_deg):
    """Part of a ring, angles clockwise from 12 o'clock."""
    def inside(x, y):
        dx, dy = x - cx, y - cy
        d2 = dx * dx + dy * dy
        if d2 < r_in * r_in or d2 > r_out * r_out:
            return False
        angle = math.degrees(math.atan2(dx, -dy)) % 360
        return start_deg <= angle <= end_deg or start_deg <= angle + 360 <= end_deg
    return inside


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def segment(ax, ay, bx, by, half_width):
    def inside(x, y):
        vx, vy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy)))
        px, py = ax + t * vx, ay + t * vy
        return (x - px) ** 2 + (y - py) ** 2 <= half_width ** 2
    return inside


def draw_dial(canvas, cx, cy, radius, needle_deg):
    """The program's emblem: an open dial with ticks and a needle."""
    canvas.fill(ring_arc(cx, cy, radius * 0.78, radius, 220, 500), ACCENT,
                (cx - radius, cy - radius, cx + radius, cy + radius))
    for k in range(7):
        a = math.radians(220 + k * 280 / 6)
        sx, sy = math.sin(a), -math.cos(a)
        canvas.fill(segment(cx + sx * radius * 0.52, cy + sy * radius * 0.52,
                            cx + sx * radius * 0.66, cy + sy * radius * 0.66, radius * 0.045),
                    ACCENT, (cx - radius, cy - radius, cx + radius, cy + radius))
    a = math.radians(needle_deg)
    canvas.fill(segment(cx, cy, cx + math.sin(a) * radius * 0.62, cy - math.cos(a) * radius * 0.62,
                        radius * 0.07), POINTER, (cx - radius, cy - radius, cx + radius, cy + radius))
    canvas.fill(disc(cx, cy, radius * 0.14), POINTER,
                (cx - radius, cy - radius, cx + radius, cy + radius))


def app_icon(size):
    c = Canvas(size, size)
    c.fill(rounded_rect(0.5, 0.5, size - 0.5, size - 0.5, size * 0.2), DARK)
    c.fill(rounded_rect(size * 0.06, size * 0.06, size * 0.94, size * 0.94, size * 0.16), PANEL)
    draw_dial(c, size / 2, size * 0.54, size * 0.38, 45)
    return c


def app_logo(size):
    c = Canvas(size, size)
    draw_dial(c, size / 2, size * 0.54, size * 0.46, 45)
    return c


def title_image(width, height):
    """The wide title image: emblem at the left, then three bars rising like a meter."""
    c = Canvas(width, height)
    draw_dial(c, height / 2 + 4, height * 0.54, height * 0.42, 45)
    base = height * 0.8
    x = height + 14
    for k, h in enumerate((0.35, 0.5, 0.65, 0.5, 0.8, 0.6, 0.9)):
        top = base - h * height * 0.6
        colour = ACCENT if k % 2 == 0 else (175, 175, 175)
        c.fill(rounded_rect(x, top, x + 8, base, 2), colour, (x, top, x + 9, base + 1))
        x += 13
    return c


def main_background(width, height):
    """The main area's background: a dark vertical gradient with a faint grid."""
    c = Canvas(width, height)
    for y in range(height):
        t = y / max(1, height - 1)
        colour = tuple(int(round(a + (b - a) * t)) for a, b in zip(PANEL, (30, 33, 30)))
        row = c.px[y]
        for x in range(width):
            on_grid = x % 40 == 0 or y % 40 == 0
            row[x] = (colour[0] + 6, colour[1] + 6, colour[2] + 6, 255) if on_grid else colour + (255,)
    return c


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = os.path.join(here, "..", "configDir") if len(sys.argv) < 2 else sys.argv[1]
    os.makedirs(out, exist_ok=True)
    app_icon(128).save(os.path.join(out, "appIcon.png"))
    app_logo(32).save(os.path.join(out, "appLogo.png"))
    title_image(240, 45).save(os.path.join(out, "titleImage.png"))
    main_background(400, 200).save(os.path.join(out, "mainBg.png"))


if __name__ == "__main__":
    main()
