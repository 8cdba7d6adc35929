#!/usr/bin/env python3
"""Draws the skin's images (PNG) and the program icon (ICO) with the standard library only.

    make_skin_images.py OUT_DIR ICON_PATH   write every image into OUT_DIR and the icon
    make_skin_images.py --list              print the image file names (for the build)

Shapes are rendered with 4 x 4 supersampling, so edges are smooth at their design size.
"""
import os
import struct
import sys
import zlib

ACCENT = (0x2B, 0x6C, 0xD4)
ACCENT_HOT = (0x3D, 0x7F, 0xE6)
ACCENT_PUSHED = (0x1F, 0x56, 0xB0)
ACCENT_DISABLED = (0xA9, 0xC1, 0xE8)
WHITE = (0xFF, 0xFF, 0xFF)
BORDER = (0xC6, 0xCF, 0xDB)
HOT_FILL = (0xEE, 0xF4, 0xFC)
PUSHED_FILL = (0xDF, 0xE8, 0xF5)
DISABLED_FILL = (0xF2, 0xF4, 0xF7)
CLOSE_RED = (0xE8, 0x48, 0x3C)

SS = 4  # samples per pixel side


class Image:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(w * h)]  # straight RGBA, 0..1

    def blend(self, coverage, color, alpha=1.0):
        """Paints color over the image where coverage(x, y) (0..1 per pixel) says."""
        r, g, b = (c / 255.0 for c in color)
        for y in range(self.h):
            for x in range(self.w):
                a = coverage(x, y) * alpha
                if a <= 0:
                    continue
                p = self.px[y * self.w + x]
                out_a = a + p[3] * (1 - a)
                if out_a <= 0:
                    continue
                for i, c in enumerate((r, g, b)):
                    p[i] = (c * a + p[i] * p[3] * (1 - a)) / out_a
                p[3] = out_a

    def rgba_bytes(self):
        out = bytearray()
        for p in self.px:
            out += bytes(int(round(max(0.0, min(1.0, v)) * 255)) for v in p)
        return bytes(out)


def supersample(inside):
    """Turns a point test inside(fx, fy) into per-pixel coverage."""
    step = 1.0 / SS

    def coverage(x, y):
        hits = 0
        for sy in range(SS):
            for sx in range(SS):
                if inside(x + (sx + 0.5) * step, y + (sy + 0.5) * step):
                    hits += 1
        return hits / (SS * SS)
    return coverage


def round_rect(x0, y0, x1, y1, r):
    def inside(fx, fy):
        if fx < x0 or fx > x1 or fy < y0 or fy > y1:
            return False
        cx = min(max(fx, x0 + r), x1 - r)
        cy = min(max(fy, y0 + r), y1 - r)
        return (fx - cx) ** 2 + (fy - cy) ** 2 <= r * r
    return inside


def ring(x0, y0, x1, y1, r, width):
    outer = round_rect(x0, y0, x1, y1, r)
    inner = round_rect(x0 + width, y0 + width, x1 - width, y1 - width, max(0.0, r - width))
    return lambda fx, fy: outer(fx, fy) and not inner(fx, fy)


def segment(ax, ay, bx, by, width):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy

    def inside(fx, fy):
        t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((fx - ax) * dx + (fy - ay) * dy) / length2))
        px, py = ax + t * dx - fx, ay + t * dy - fy
        return px * px + py * py <= (width / 2.0) ** 2
    return inside


def any_of(*shapes):
    return lambda fx, fy: any(s(fx, fy) for s in shapes)


def circle(cx, cy, r):
    return lambda fx, fy: (fx - cx) ** 2 + (fy - cy) ** 2 <= r * r


def png(image):
    raw = bytearray()
    data = image.rgba_bytes()
    for y in range(image.h):
        raw.append(0)
        raw += data[y * image.w * 4:(y + 1) * image.w * 4]

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    header = struct.pack(">IIBBBBB", image.w, image.h, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def ico(images):
    """An icon file with 32-bit BMP entries (readable by every Windows version)."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for image in images:
        w, h = image.w, image.h
        rgba = image.rgba_bytes()
        xor = bytearray()
        for y in reversed(range(h)):
            for x in range(w):
                r, g, b, a = rgba[(y * w + x) * 4:(y * w + x) * 4 + 4]
                xor += bytes((b, g, r, a))
        mask_stride = ((w + 31) // 32) * 4
        mask = bytes(mask_stride * h)  # all opaque: the alpha channel decides
        header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        blob = header + bytes(xor) + mask
        entries.append(struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    return struct.pack("<HHH", 0, 1, len(images)) + b"".join(entries) + b"".join(blobs)


def button(fill, border=None):
    img = Image(24, 24)
    img.blend(supersample(round_rect(0.5, 0.5, 23.5, 23.5, 4)), fill)
    if border:
        img.blend(supersample(ring(0.5, 0.5, 23.5, 23.5, 4, 1.0)), border)
    return img


def caption_button(glyph, background=None):
    img = Image(40, 37)
    if background:
        img.blend(lambda x, y: 1.0, background)
    if glyph == "min":
        shape = segment(15, 19, 25, 19, 1.4)
    else:
        shape = any_of(segment(15, 13.5, 25, 23.5, 1.4), segment(25, 13.5, 15, 23.5, 1.4))
    img.blend(supersample(shape), WHITE)
    return img


def check_box(checked, hot=False):
    img = Image(17, 17)
    if checked:
        img.blend(supersample(round_rect(0.5, 0.5, 16.5, 16.5, 3)), ACCENT_HOT if hot else ACCENT)
        tick = any_of(segment(4.2, 8.8, 7.2, 11.8, 1.8), segment(7.2, 11.8, 12.8, 5.4, 1.8))
        img.blend(supersample(tick), WHITE)
    else:
        img.blend(supersample(round_rect(0.5, 0.5, 16.5, 16.5, 3)), WHITE)
        img.blend(supersample(ring(0.5, 0.5, 16.5, 16.5, 3, 1.2)), ACCENT if hot else (0x9A, 0xA6, 0xB5))
    return img


def combo_box(border):
    img = Image(70, 20)
    img.blend(supersample(round_rect(0.5, 0.5, 69.5, 19.5, 3)), WHITE)
    img.blend(supersample(ring(0.5, 0.5, 69.5, 19.5, 3, 1.0)), border)
    return img


def logo(size):
    """A blue rounded square with a white power sign: "make it start again"."""
    img = Image(size, size)
    s = size / 32.0
    img.blend(supersample(round_rect(1 * s, 1 * s, 31 * s, 31 * s, 7 * s)), ACCENT)
    arc_outer = circle(16 * s, 17.5 * s, 9.0 * s)
    arc_inner = circle(16 * s, 17.5 * s, 6.4 * s)
    gap = round_rect(12.6 * s, 4 * s, 19.4 * s, 17 * s, 0)
    arc = lambda fx, fy: arc_outer(fx, fy) and not arc_inner(fx, fy) and not gap(fx, fy)
    img.blend(supersample(any_of(arc, segment(16 * s, 7 * s, 16 * s, 16 * s, 2.6 * s))), WHITE)
    return img


def images():
    return {
        "btn_primary_normal.png": button(ACCENT),
        "btn_primary_hot.png": button(ACCENT_HOT),
        "btn_primary_pushed.png": button(ACCENT_PUSHED),
        "btn_primary_disabled.png": button(ACCENT_DISABLED),
        "btn_second_normal.png": button(WHITE, BORDER),
        "btn_second_hot.png": button(HOT_FILL, ACCENT),
        "btn_second_pushed.png": button(PUSHED_FILL, ACCENT_PUSHED),
        "btn_second_disabled.png": button(DISABLED_FILL, (0xDD, 0xE2, 0xE8)),
        "cap_min.png": caption_button("min"),
        "cap_min_hot.png": caption_button("min", (0x3A, 0x78, 0xDC)),
        "cap_close.png": caption_button("close"),
        "cap_close_hot.png": caption_button("close", CLOSE_RED),
        "checked.png": check_box(True),
        "unchecked.png": check_box(False),
        "checked_hot.png": check_box(True, hot=True),
        "unchecked_hot.png": check_box(False, hot=True),
        "cb_e1.png": combo_box(BORDER),
        "cb_e2.png": combo_box(ACCENT),
        "logo.png": logo(22),
    }


def main(argv):
    if argv == ["--list"]:
        print(" ".join(sorted(images())))
        return 0
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    out_dir, icon_path = argv
    os.makedirs(out_dir, exist_ok=True)
    for name, image in images().items():
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(png(image))
    with open(icon_path, "wb") as f:
        f.write(ico([logo(16), logo(32), logo(48)]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
