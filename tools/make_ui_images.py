#!/usr/bin/env python3
"""Draws the images compiled into the program's resources (resources/images).

Standard library only: shapes are coverage functions sampled on a sub-pixel grid
(anti-aliased edges), written as 8-bit RGBA PNG with zlib + struct. The output is
deterministic, so running it again leaves the committed files unchanged.

    python3 tools/make_ui_images.py [output-folder]
"""
import math
import os
import struct
import sys
import zlib

ACCENT = (222, 247, 80)
GLYPH = (236, 236, 236)
CLOSE_HOVER = (235, 87, 87)
SUPERSAMPLE = 4


def write_png(path, width, height, rgba_rows):
    """rgba_rows: list of bytearrays, each width * 4 bytes."""
    raw = b"".join(b"\x00" + bytes(row) for row in rgba_rows)

    def chunk(tag, data):
        body = tag + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


class Canvas:
    """Straight-alpha RGBA canvas in a unit square coordinate space (0..1 on both axes
    of the shorter side), so every glyph is drawn independently of its pixel size."""

    def __init__(self, width, height):
        self.w = width
        self.h = height
        self.px = [[(0.0, 0.0, 0.0, 0.0) for _ in range(width)] for _ in range(height)]

    def fill(self, inside, colour, alpha=1.0, unit=None):
        """Composites colour over the canvas wherever inside(x, y) holds; x and y are in
        pixels divided by unit (the shorter side by default)."""
        unit = unit or min(self.w, self.h)
        n = SUPERSAMPLE
        for py in range(self.h):
            row = self.px[py]
            for px in range(self.w):
                hits = 0
                for sy in range(n):
                    y = (py + (sy + 0.5) / n) / unit
                    for sx in range(n):
                        if inside((px + (sx + 0.5) / n) / unit, y):
                            hits += 1
                if hits:
                    a = alpha * hits / (n * n)
                    r0, g0, b0, a0 = row[px]
                    out_a = a + a0 * (1 - a)
                    mix = [(c * a + c0 * a0 * (1 - a)) / out_a for c, c0 in zip(colour, (r0, g0, b0))]
                    row[px] = (mix[0], mix[1], mix[2], out_a)

    def shade(self, fn):
        """Sets every pixel from fn(x, y) -> (r, g, b, a) with x, y in 0..1 of each axis."""
        for py in range(self.h):
            for px in range(self.w):
                self.px[py][px] = fn((px + 0.5) / self.w, (py + 0.5) / self.h)

    def save(self, path):
        rows = []
        for row in self.px:
            out = bytearray()
            for r, g, b, a in row:
                out += bytes((clamp8(r), clamp8(g), clamp8(b), clamp8(a * 255)))
            rows.append(out)
        write_png(path, self.w, self.h, rows)


def clamp8(v):
    return max(0, min(255, int(round(v))))


# --- shape helpers (coverage predicates) ---------------------------------------------

def segment(x0, y0, x1, y1, half_width):
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy

    def inside(x, y):
        t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
        cx, cy = x0 + t * dx, y0 + t * dy
        return (x - cx) ** 2 + (y - cy) ** 2 <= half_width * half_width

    return inside


def rect_outline(x0, y0, x1, y1, stroke):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        return x < x0 + stroke or x > x1 - stroke or y < y0 + stroke or y > y1 - stroke

    return inside


def rounded_rect(x0, y0, x1, y1, radius):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + radius), x1 - radius)
        cy = min(max(y, y0 + radius), y1 - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius

    return inside


def ring(cx, cy, r_in, r_out, from_deg=None, to_deg=None):
    """Annulus; with angles (degrees, 0 = right, counter-clockwise as on paper) only the
    part from from_deg to to_deg going clockwise."""

    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        if not (r_in <= d <= r_out):
            return False
        if from_deg is None:
            return True
        ang = math.degrees(math.atan2(cy - y, x - cx)) % 360
        span = (from_deg - to_deg) % 360
        return (from_deg - ang) % 360 <= span

    return inside


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(shape, hole):
    return lambda x, y: shape(x, y) and not hole(x, y)


def gear(cx, cy, r_body, r_tip, r_hole, teeth, tooth_frac):
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        if d < r_hole or d > r_tip:
            return False
        if d <= r_body:
            return True
        ang = math.atan2(y - cy, x - cx) % (2 * math.pi / teeth)
        phase = ang / (2 * math.pi / teeth)
        return abs(phase - 0.5) <= tooth_frac / 2

    return inside


# --- title-bar glyphs (white on transparent; drawn 36 x 36, shown 18 x 18) ----------

STROKE = 0.075


def glyph_setting():
    return gear(0.5, 0.5, 0.30, 0.44, 0.14, 8, 0.42)


def glyph_min():
    return segment(0.18, 0.56, 0.82, 0.56, STROKE)


def glyph_max():
    return rect_outline(0.18, 0.20, 0.82, 0.80, 1.5 * STROKE)


def glyph_into_max():
    back = rect_outline(0.32, 0.16, 0.84, 0.66, 1.5 * STROKE)
    front_box = (0.16, 0.34, 0.68, 0.84)
    front = rect_outline(*front_box, 1.5 * STROKE)
    cover = lambda x, y: front_box[0] <= x <= front_box[2] and front_box[1] <= y <= front_box[3]
    return union(minus(back, cover), front)


def glyph_close():
    return union(segment(0.2, 0.2, 0.8, 0.8, STROKE), segment(0.8, 0.2, 0.2, 0.8, STROKE))


# --- logo: a dial with a needle --------------------------------------------------------

def draw_dial(canvas, cx, cy, r, unit):
    """A small arc gauge: scale from lower left round to lower right, needle at about 70 %."""
    canvas.fill(ring(cx, cy, r * 0.78, r, 225, -45), ACCENT, unit=unit)
    for i in range(6):
        ang = math.radians(225 - i * 54)
        x0, y0 = cx + math.cos(ang) * r * 0.58, cy - math.sin(ang) * r * 0.58
        x1, y1 = cx + math.cos(ang) * r * 0.70, cy - math.sin(ang) * r * 0.70
        canvas.fill(segment(x0, y0, x1, y1, r * 0.045), GLYPH, unit=unit)
    needle = math.radians(225 - 0.7 * 270)
    nx, ny = cx + math.cos(needle) * r * 0.72, cy - math.sin(needle) * r * 0.72
    canvas.fill(segment(cx, cy, nx, ny, r * 0.07), (255, 255, 255), unit=unit)
    canvas.fill(disc(cx, cy, r * 0.16), ACCENT, unit=unit)


def app_logo(size):
    c = Canvas(size, size)
    c.fill(rounded_rect(0.03, 0.03, 0.97, 0.97, 0.2), (34, 38, 34))
    c.fill(minus(rounded_rect(0.03, 0.03, 0.97, 0.97, 0.2), rounded_rect(0.07, 0.07, 0.93, 0.93, 0.17)),
           ACCENT, alpha=0.85)
    draw_dial(c, 0.5, 0.54, 0.34, None)
    return c


# 5 x 7 dot font for the wide title image; each row is 5 bits, most significant on the left.
FONT = {
    "Q": [0b01110, 0b10001, 0b10001, 0b10001, 0b10101, 0b10010, 0b01101],
    "U": [0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b01110],
    "I": [0b01110, 0b00100, 0b00100, 0b00100, 0b00100, 0b00100, 0b01110],
    "L": [0b10000, 0b10000, 0b10000, 0b10000, 0b10000, 0b10000, 0b11111],
    "O": [0b01110, 0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b01110],
    "N": [0b10001, 0b11001, 0b10101, 0b10011, 0b10001, 0b10001, 0b10001],
}


def text_shape(text, x0, y0, dot):
    """Rounded dots so the scaled-up text keeps soft edges."""
    dots = []
    for i, ch in enumerate(text):
        for row, bits in enumerate(FONT[ch]):
            for col in range(5):
                if bits & (1 << (4 - col)):
                    cx = x0 + (i * 6 + col + 0.5) * dot
                    cy = y0 + (row + 0.5) * dot
                    dots.append((cx, cy))
    half = dot * 0.5
    radius = dot * 0.18

    def inside(x, y):
        for cx, cy in dots:
            if abs(x - cx) <= half and abs(y - cy) <= half:
                return rounded_rect(cx - half, cy - half, cx + half, cy + half, radius)(x, y)
        return False

    return inside


def left_top_logo(width, height):
    c = Canvas(width, height)
    unit = height
    draw_dial(c, 0.5, 0.55, 0.42, unit)
    dot = 0.1
    c.fill(text_shape("QUILLON", 1.15, 0.5 - 3.5 * dot, dot), ACCENT, unit=unit)
    return c


def background(width, height):
    c = Canvas(width, height)

    def shade(x, y):
        base = 38 + 22 * (1 - y)
        stripe = 4 if int((x * width + y * height) / 24) % 2 == 0 else 0
        return (base - 6 + stripe, base + stripe, base - 6 + stripe, 1.0)

    c.shade(shade)
    return c


def glyph_image(shape, colour, size=36):
    c = Canvas(size, size)
    c.fill(shape, colour)
    return c


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "resources", "images")
    page = os.path.join(out, "mainpage")
    os.makedirs(page, exist_ok=True)

    app_logo(128).save(os.path.join(out, "AppLogo.png"))
    left_top_logo(400, 60).save(os.path.join(out, "leftTopLogo.png"))
    background(600, 280).save(os.path.join(out, "bgImageMain.png"))

    glyphs = {
        "setting": glyph_setting(),
        "minWindow": glyph_min(),
        "maxWindow": glyph_max(),
        "intoMaxWindow": glyph_into_max(),
        "closeWindow": glyph_close(),
    }
    for name, shape in glyphs.items():
        glyph_image(shape, GLYPH).save(os.path.join(page, name + "Def.png"))
        hover = CLOSE_HOVER if name == "closeWindow" else ACCENT
        glyph_image(shape, hover).save(os.path.join(page, name + "Sel.png"))


if __name__ == "__main__":
    main()
