#!/usr/bin/env python3
"""Draws the desktop icons of packaging/icons from the logo of tools/make_ui_images.py.

Each size is drawn afresh rather than scaled from AppLogo.png, so the 256 px icon stays
sharp; the 128 px one is AppLogo.png itself. quillon.svg is the same figure as a vector.
Standard library only, same output every run.

    python3 tools/make_icons.py [output-folder]
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_ui_images as ui  # noqa: E402

SIZES = (48, 64, 128, 256)
NAME = "quillon"


def rgb(colour):
    return "#%02x%02x%02x" % colour


def svg_logo():
    """The shapes of ui.app_logo in a 256 x 256 view box."""
    s = 256.0

    def p(v):
        return "%.2f" % (v * s)

    cx, cy, r = 0.5, 0.54, 0.34
    parts = [
        '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">',
        '<rect x="%s" y="%s" width="%s" height="%s" rx="%s" fill="%s"/>'
        % (p(0.03), p(0.03), p(0.94), p(0.94), p(0.2), rgb((34, 38, 34))),
        # The frame: outer rounded rectangle minus the inner one.
        '<path fill-rule="evenodd" fill="%s" fill-opacity="0.85" d="%s %s"/>'
        % (rgb(ui.ACCENT), rounded_path(0.03, 0.97, 0.2, s), rounded_path(0.07, 0.93, 0.17, s)),
    ]
    # The scale: 270 degrees clockwise from 225 (lower left) to -45 (lower right).
    mid = r * 0.89
    x0, y0 = cx + math.cos(math.radians(225)) * mid, cy - math.sin(math.radians(225)) * mid
    x1, y1 = cx + math.cos(math.radians(-45)) * mid, cy - math.sin(math.radians(-45)) * mid
    parts.append(
        '<path fill="none" stroke="%s" stroke-width="%s" d="M %s %s A %s %s 0 1 1 %s %s"/>'
        % (rgb(ui.ACCENT), p(r * 0.22), p(x0), p(y0), p(mid), p(mid), p(x1), p(y1)))
    for i in range(6):
        ang = math.radians(225 - i * 54)
        parts.append(line(cx + math.cos(ang) * r * 0.58, cy - math.sin(ang) * r * 0.58,
                          cx + math.cos(ang) * r * 0.70, cy - math.sin(ang) * r * 0.70,
                          r * 0.09, ui.GLYPH, p))
    needle = math.radians(225 - 0.7 * 270)
    parts.append(line(cx, cy, cx + math.cos(needle) * r * 0.72, cy - math.sin(needle) * r * 0.72,
                      r * 0.14, (255, 255, 255), p))
    parts.append('<circle cx="%s" cy="%s" r="%s" fill="%s"/>' % (p(cx), p(cy), p(r * 0.16), rgb(ui.ACCENT)))
    parts.append("</svg>")
    return "\n".join(parts) + "\n"


def rounded_path(lo, hi, radius, s):
    def p(v):
        return "%.2f" % (v * s)

    a, b, rr = lo + radius, hi - radius, p(radius)
    return ("M %s %s H %s A %s %s 0 0 1 %s %s V %s A %s %s 0 0 1 %s %s H %s A %s %s 0 0 1 %s %s "
            "V %s A %s %s 0 0 1 %s %s Z"
            % (p(a), p(lo), p(b), rr, rr, p(hi), p(a), p(b), rr, rr, p(b), p(hi), p(a), rr, rr,
               p(lo), p(b), p(a), rr, rr, p(a), p(lo)))


def line(x0, y0, x1, y1, width, colour, p):
    return ('<line x1="%s" y1="%s" x2="%s" y2="%s" stroke="%s" stroke-width="%s" '
            'stroke-linecap="round"/>' % (p(x0), p(y0), p(x1), p(y1), rgb(colour), p(width)))


def write_ico(path, images):
    """A Windows icon holding each (size, PNG bytes) as it is: Vista and later read PNG entries."""
    import struct
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries, data = b"", b""
    for size, png in images:
        side = 0 if size >= 256 else size  # 0 stands for 256 in the directory
        entries += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(png), offset + len(data))
        data += png
    with open(path, "wb") as f:
        f.write(header + entries + data)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "packaging", "icons")
    os.makedirs(out, exist_ok=True)
    for size in SIZES:
        ui.app_logo(size).save(os.path.join(out, "%s-%d.png" % (NAME, size)))
    with open(os.path.join(out, NAME + ".svg"), "w") as f:
        f.write(svg_logo())
    # The Windows program's icon (its resource file, the installer and Start menu).
    import tempfile
    images = []
    with tempfile.TemporaryDirectory() as tmp:
        for size in (16, 32) + SIZES:
            png = os.path.join(tmp, "%d.png" % size)
            ui.app_logo(size).save(png)
            with open(png, "rb") as f:
                images.append((size, f.read()))
    windows = os.path.join(root, "packaging", "windows")
    os.makedirs(windows, exist_ok=True)
    write_ico(os.path.join(windows, NAME + ".ico"), images)


if __name__ == "__main__":
    main()
