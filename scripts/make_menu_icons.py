#!/usr/bin/env python3
"""Draws the menu pictures of the agent (ImageList1) and its program icon.

ImageList1 holds 20 pictures: 0-12 the favourites icon set (variations of a
yellow folder), 13-19 the command pictures. Each picture is written as one
.ico file with a 16 x 16 and a 32 x 32 image (32-bit, straight alpha), plus
qorbin.ico, the program's icon. The drawing is made of shapes laid on a
16-unit grid, so both sizes come out crisp; edges that fall between pixels
are anti-aliased by 4 x 4 supersampling.

    make_menu_icons.py OUT_DIR            writes menu00.ico .. menu19.ico, qorbin.ico
    make_menu_icons.py OUT_DIR --preview  also writes preview.png (all pictures, 16 and 32)

The output is deterministic: running it again gives the same bytes.
"""
import math
import struct
import sys
import zlib
from pathlib import Path

SS = 4  # supersampling per axis


# --- shapes: predicates on a point in 16-unit coordinates ---------------------

def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def ellipse(cx, cy, rx, ry):
    return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def circle(cx, cy, r):
    return ellipse(cx, cy, r, r)


def ring(cx, cy, r0, r1, a0=None, a1=None):
    """Annulus; with a0/a1 (degrees, clockwise from east, y down) a sector of it."""
    def f(x, y):
        d = math.hypot(x - cx, y - cy)
        if not (r0 <= d <= r1):
            return False
        if a0 is None:
            return True
        a = math.degrees(math.atan2(y - cy, x - cx)) % 360
        lo, hi = a0 % 360, a1 % 360
        return lo <= a <= hi if lo <= hi else (a >= lo or a <= hi)
    return f


def polygon(*pts):
    def f(x, y):
        inside = False
        n = len(pts)
        for i in range(n):
            xa, ya = pts[i]
            xb, yb = pts[(i + 1) % n]
            if (ya > y) != (yb > y):
                xc = xa + (y - ya) * (xb - xa) / (yb - ya)
                if x < xc:
                    inside = not inside
        return inside
    return f


def segment(xa, ya, xb, yb, w):
    def f(x, y):
        dx, dy = xb - xa, yb - ya
        t = ((x - xa) * dx + (y - ya) * dy) / (dx * dx + dy * dy)
        t = max(0.0, min(1.0, t))
        return math.hypot(x - (xa + t * dx), y - (ya + t * dy)) <= w / 2
    return f


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(a, b):
    return lambda x, y: a(x, y) and not b(x, y)


# --- canvas ------------------------------------------------------------------

def hexcolor(c, a=255):
    c = c.lstrip('#')
    return (int(c[0:2], 16), int(c[2:4], 16), int(c[4:6], 16), a)


class Canvas:
    def __init__(self, size):
        self.size = size
        self.scale = size / 16.0
        self.px = [[(0.0, 0.0, 0.0, 0.0)] * size for _ in range(size)]

    @property
    def p(self):
        """One pixel of this canvas in units (for 1-pixel outlines)."""
        return 1.0 / self.scale

    def fill(self, shape, color, color2=None, vertical=(0, 16)):
        """Fills a shape with a colour, or a vertical gradient color -> color2."""
        c1 = hexcolor(color) if isinstance(color, str) else color
        c2 = (hexcolor(color2) if isinstance(color2, str) else color2) if color2 else None
        n = self.size
        for py in range(n):
            for px in range(n):
                hits = 0
                for sy in range(SS):
                    for sx in range(SS):
                        x = (px + (sx + 0.5) / SS) / self.scale
                        y = (py + (sy + 0.5) / SS) / self.scale
                        if shape(x, y):
                            hits += 1
                if not hits:
                    continue
                cov = hits / (SS * SS)
                c = c1
                if c2:
                    t = ((py + 0.5) / self.scale - vertical[0]) / (vertical[1] - vertical[0])
                    t = max(0.0, min(1.0, t))
                    c = tuple(c1[i] + (c2[i] - c1[i]) * t for i in range(4))
                self._over(px, py, c, cov)

    def _over(self, px, py, c, cov):
        sr, sg, sb, sa = c[0] / 255, c[1] / 255, c[2] / 255, c[3] / 255 * cov
        dr, dg, db, da = self.px[py][px]
        oa = sa + da * (1 - sa)
        if oa <= 0:
            return
        f = lambda s, d: (s * sa + d * da * (1 - sa)) / oa
        self.px[py][px] = (f(sr, dr), f(sg, dg), f(sb, db), oa)

    def framed(self, outer, inner, edge, face, face2=None, vertical=(0, 16)):
        self.fill(outer, edge)
        self.fill(inner, face, face2, vertical)

    def rgba(self):
        return [[tuple(int(round(v * 255)) for v in px) for px in row] for row in self.px]


# --- palette -----------------------------------------------------------------

EDGE = '#A0700A'       # folder outline
BACK = '#E9AE2A'       # folder back and tab
FACE1, FACE2 = '#FFE38A', '#F5C23E'   # folder front gradient
OPEN1, OPEN2 = '#FFEA9E', '#F7C948'
GREEN, GREEN_D = '#3DB43D', '#1E7A1E'
BLUE, BLUE_D = '#3C7DDB', '#1F4E9C'
RED, RED_D = '#E03A2F', '#9E1C14'
GREY, GREY_D = '#C8CCD2', '#6B7078'
WHITE = '#FFFFFF'


# --- building blocks ---------------------------------------------------------

def closed_folder(c, dx=0.0, dy=0.0, x1=15, y1=14):
    p = c.p
    # tab and back
    c.framed(rect(1 + dx, 2 + dy, 7 + dx, 5 + dy), rect(1 + dx + p, 2 + dy + p, 7 + dx - p, 5 + dy),
             EDGE, BACK)
    c.framed(rect(1 + dx, 4 + dy, x1 + dx, y1 + dy), rect(1 + dx + p, 4 + dy + p, x1 + dx - p, y1 + dy - p),
             EDGE, FACE1, FACE2, (4 + dy, y1 + dy))
    # the light line along the front's top edge
    c.fill(rect(1 + dx + p, 4 + dy + p, x1 + dx - p, 4 + dy + 2 * p), '#FFF6CF')


def open_folder(c, dy=0.0, y1=14):
    p = c.p
    c.framed(rect(1, 2 + dy, 7, 5 + dy), rect(1 + p, 2 + dy + p, 7 - p, 5 + dy), EDGE, BACK)
    c.framed(rect(1, 4 + dy, 14, y1 + dy), rect(1 + p, 4 + dy + p, 14 - p, y1 + dy - p), EDGE, BACK)
    # the front flap, tilted open
    top = 7 + dy
    bot = y1 + dy
    c.framed(polygon((3.5, top), (16, top), (14, bot), (1, bot)),
             polygon((3.5 + 1.2 * p, top + p), (16 - 1.6 * p, top + p), (14 - 0.8 * p, bot - p), (1 + 1.6 * p, bot - p)),
             EDGE, OPEN1, OPEN2, (top, bot))


def badge(c, cx, cy, r, face, edge):
    c.fill(circle(cx, cy, r), edge)
    c.fill(circle(cx, cy, r - c.p), face)


def arrow_up(c, cx, top, bottom, color, edge):
    shape = polygon((cx, top), (cx + 4, top + 4), (cx + 1.75, top + 4), (cx + 1.75, bottom),
                    (cx - 1.75, bottom), (cx - 1.75, top + 4), (cx - 4, top + 4))
    c.fill(shape, edge)
    p = c.p
    inner = polygon((cx, top + 1.4 * p), (cx + 4 - 2.4 * p, top + 4 - p), (cx + 1.75 - p, top + 4 - p),
                    (cx + 1.75 - p, bottom - p), (cx - 1.75 + p, bottom - p), (cx - 1.75 + p, top + 4 - p),
                    (cx - 4 + 2.4 * p, top + 4 - p))
    c.fill(inner, color, '#2E9A2E', (top, bottom))


def arrow_down(c, cx, top, bottom, color, edge):
    shape = polygon((cx, bottom), (cx + 4, bottom - 4), (cx + 1.75, bottom - 4), (cx + 1.75, top),
                    (cx - 1.75, top), (cx - 1.75, bottom - 4), (cx - 4, bottom - 4))
    c.fill(shape, edge)
    p = c.p
    inner = polygon((cx, bottom - 1.4 * p), (cx + 4 - 2.4 * p, bottom - 4 + p), (cx + 1.75 - p, bottom - 4 + p),
                    (cx + 1.75 - p, top + p), (cx - 1.75 + p, top + p), (cx - 1.75 + p, bottom - 4 + p),
                    (cx - 4 + 2.4 * p, bottom - 4 + p))
    c.fill(inner, color, '#2E9A2E', (top, bottom))


def globe(c, cx, cy, r):
    p = c.p
    c.fill(circle(cx, cy, r), BLUE_D)
    c.fill(circle(cx, cy, r - p), '#5FA8F0', '#2F6FC8', (cy - r, cy + r))
    # land
    land = union(ellipse(cx - r * 0.35, cy - r * 0.3, r * 0.38, r * 0.3),
                 ellipse(cx + r * 0.25, cy + r * 0.35, r * 0.4, r * 0.32))
    c.fill(lambda x, y: land(x, y) and circle(cx, cy, r - p)(x, y), '#4CB84C')
    # meridian and equator
    c.fill(lambda x, y: circle(cx, cy, r - p)(x, y) and (ring(cx, cy, 0, 99)(x, y)) and
           (abs(x - cx) <= p / 2 or abs(y - cy) <= p / 2), (255, 255, 255, 150))


def page(c, x0, y0, x1, y1, lines=True):
    p = c.p
    fold = 3
    c.fill(polygon((x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)), GREY_D)
    c.fill(polygon((x0 + p, y0 + p), (x1 - fold - 0.4 * p, y0 + p), (x1 - p, y0 + fold + 0.4 * p),
                   (x1 - p, y1 - p), (x0 + p, y1 - p)), WHITE)
    c.fill(polygon((x1 - fold, y0), (x1, y0 + fold), (x1 - fold, y0 + fold)), GREY)
    if lines:
        # whole-pixel rows, so the lines stay sharp at 16 x 16
        y = math.floor(y0) + 3
        while y < y1 - 1.5:
            c.fill(rect(math.ceil(x0 + 1), y, math.floor(x1 - 1), y + max(p, 0.5)), '#7A808A')
            y += 2


# --- the pictures ------------------------------------------------------------

def pic_folder(c):
    closed_folder(c)


def pic_photo(c):
    closed_folder(c)
    p = c.p
    c.framed(rect(7, 7, 15.5, 14.5), rect(7 + p, 7 + p, 15.5 - p, 14.5 - p), GREY_D, WHITE)
    c.fill(rect(8, 8, 14.5, 13.5), '#8CC8FF', '#CFE8FF', (8, 13.5))
    c.fill(lambda x, y: rect(8, 8, 14.5, 13.5)(x, y) and ellipse(10, 14.5, 4.5, 3.5)(x, y), '#3FA34D')
    c.fill(circle(13, 9.6, 0.9), '#FFD23F')


def pic_music(c):
    closed_folder(c)
    note = union(ellipse(9.6, 12.4, 2.1, 1.6), rect(10.9, 5.5, 12.1, 12.4),
                 polygon((10.9, 5.5), (15, 7.2), (15, 9.0), (12.1, 7.8)))
    c.fill(note, '#1B2A6B')


def pic_film(c):
    closed_folder(c)
    p = c.p
    c.fill(rect(7.5, 6, 15.5, 15), '#2B2B2B')
    for i in range(4):
        y = 6.75 + i * 2
        c.fill(rect(8.2, y, 9.2, y + 1), WHITE)
        c.fill(rect(13.8, y, 14.8, y + 1), WHITE)
    c.fill(rect(9.9, 7, 13.1, 10), '#7FB8F0')
    c.fill(rect(9.9, 11, 13.1, 14), '#F0A860')


def pic_hand(c):
    open_folder(c, dy=-1, y1=12)
    p = c.p
    hand = union(ellipse(7, 14, 6, 2.4), rect(1, 13, 3, 16), ellipse(13, 12.6, 2.2, 1.4))
    c.fill(hand, '#9C5B2E')
    c.fill(lambda x, y: union(ellipse(7, 14, 6 - p, 2.4 - p), ellipse(13, 12.6, 2.2 - p, 1.4 - p),
                              rect(1 + p, 13 + p, 3, 16))(x, y), '#F4C28F', '#E0A26A', (12, 16))


def pic_submenu(c):
    # two folders, one behind the other: the submenu's folder
    p = c.p
    c.framed(rect(3, 1, 8, 3), rect(3 + p, 1 + p, 8 - p, 3), EDGE, BACK)
    c.framed(rect(3, 2, 16, 10), rect(3 + p, 2 + p, 16 - p, 10 - p), EDGE, '#F7D070', '#E9B23C', (2, 10))
    c.framed(rect(0, 5, 5, 7.5), rect(p, 5 + p, 5 - p, 7.5), EDGE, BACK)
    c.framed(rect(0, 6.5, 13, 15), rect(p, 6.5 + p, 13 - p, 15 - p), EDGE, FACE1, FACE2, (6.5, 15))
    c.fill(rect(p, 6.5 + p, 13 - p, 6.5 + 2 * p), '#FFF6CF')


def pic_tiles(c):
    closed_folder(c)
    p = c.p
    c.fill(rect(7.5, 6.5, 15.5, 14.5), '#5A5F66')
    c.fill(rect(8 + p, 7 + p, 11.5 - p / 2, 10.5 - p / 2), '#E8412C')
    c.fill(rect(11.5 + p / 2, 7 + p, 15 - p, 10.5 - p / 2), '#55B536')
    c.fill(rect(8 + p, 10.5 + p / 2, 11.5 - p / 2, 14 - p), '#2D8FE0')
    c.fill(rect(11.5 + p / 2, 10.5 + p / 2, 15 - p, 14 - p), '#F5C51B')


def pic_green_mark(c):
    closed_folder(c)
    badge(c, 11.5, 11, 4, '#42C442', GREEN_D)
    c.fill(ellipse(10.6, 9.8, 1.6, 1.1), (255, 255, 255, 140))


def pic_magnifier(c):
    open_folder(c)
    p = c.p
    c.fill(segment(11.2, 11.2, 15, 15, 2.2), '#3A2A1A')
    c.fill(circle(9, 9, 3.8), '#2E3440')
    c.fill(circle(9, 9, 3.8 - 1.3 * max(p, 0.5)), '#CFEAFF', '#8FC3EE', (5, 13))
    c.fill(ellipse(8, 7.8, 1.2, 0.8), (255, 255, 255, 200))


def pic_network(c):
    open_folder(c, dy=-2, y1=11)
    p = c.p
    c.fill(rect(7, 9, 9, 13), '#4A4F57')
    c.framed(rect(1, 13, 15, 15.5), rect(1 + p, 13 + p, 15 - p, 15.5 - p), '#30343A', '#8A9099')
    c.fill(rect(6, 12.5, 10, 15.5), '#30343A')
    c.fill(rect(6 + p, 12.5 + p, 10 - p, 15.5 - p), '#B0B6BE')


def pic_globe(c):
    closed_folder(c)
    globe(c, 11.2, 10.8, 4.3)


def pic_red_tick(c):
    closed_folder(c)
    tick = polygon((6.5, 9.5), (8.8, 7.6), (10.8, 10.2), (14.6, 4.2), (16, 6.2), (11, 14.2))
    c.fill(tick, RED_D)
    p = c.p
    c.fill(polygon((6.5 + 1.2 * p, 9.6), (8.7, 7.6 + 1.4 * p), (10.8, 10.2 + 1.6 * p), (14.6, 4.2 + 1.6 * p),
                   (16 - 1.4 * p, 6.3), (11, 14.2 - 1.6 * p)), RED)


def pic_document(c):
    p = c.p
    c.framed(rect(1, 2, 7, 5), rect(1 + p, 2 + p, 7 - p, 5), EDGE, BACK)
    c.framed(rect(1, 4, 15, 14), rect(1 + p, 4 + p, 15 - p, 14 - p), EDGE, BACK)
    page(c, 3.5, 1, 12.5, 10)
    c.framed(rect(1, 7, 15, 14), rect(1 + p, 7 + p, 15 - p, 14 - p), EDGE, FACE1, FACE2, (7, 14))
    c.fill(rect(1 + p, 7 + p, 15 - p, 7 + 2 * p), '#FFF6CF')


def pic_remove(c):
    # an open folder with a green arrow going up out of it
    open_folder(c, dy=2, y1=14)
    arrow_up(c, 9, 0, 12, '#5CD65C', GREEN_D)


def pic_add(c):
    # an open folder with a green arrow going down into it
    open_folder(c, dy=2, y1=14)
    arrow_down(c, 9, 0, 12, '#5CD65C', GREEN_D)


def pic_options(c):
    page(c, 1.5, 0.5, 11.5, 14.5)
    # a gear over the page's lower right corner
    cx, cy, r = 11, 11, 4.6
    teeth = []
    for i in range(8):
        a = math.radians(i * 45)
        teeth.append(segment(cx + math.cos(a) * 2.5, cy + math.sin(a) * 2.5,
                             cx + math.cos(a) * r, cy + math.sin(a) * r, 2.0))
    gear = union(circle(cx, cy, 3.6), *teeth)
    c.fill(gear, '#3E4650')
    p = c.p
    inner_teeth = []
    for i in range(8):
        a = math.radians(i * 45)
        inner_teeth.append(segment(cx + math.cos(a) * 2.5, cy + math.sin(a) * 2.5,
                                   cx + math.cos(a) * (r - p), cy + math.sin(a) * (r - p), 2.0 - 2 * p))
    c.fill(union(circle(cx, cy, 3.6 - p), *inner_teeth), '#AEB7C2', '#7D8794', (cy - r, cy + r))
    c.fill(circle(cx, cy, 1.4), '#3E4650')
    c.fill(circle(cx, cy, 1.4 - p), WHITE)


def pic_floppy(c):
    p = c.p
    body = polygon((1, 1), (13.5, 1), (15, 2.5), (15, 15), (1, 15))
    c.fill(body, '#1C3A78')
    c.fill(polygon((1 + p, 1 + p), (13.5 - 0.4 * p, 1 + p), (15 - p, 2.5 + 0.4 * p), (15 - p, 15 - p), (1 + p, 15 - p)),
           '#3F6FC8', '#2A56A8', (1, 15))
    # the metal shutter with its window
    c.fill(rect(4, 1 + p, 12, 6), '#B9C0CA', '#8E97A3', (1, 6))
    c.fill(rect(9, 2, 11, 5), '#1C3A78')
    # the label
    c.framed(rect(3, 8.5, 13, 15 - p), rect(3 + p, 8.5 + p, 13 - p, 15 - p), '#1C3A78', WHITE)
    c.fill(rect(4.5, 10.5, 11.5, 11.25), '#9AA3B0')
    c.fill(rect(4.5, 12.5, 11.5, 13.25), '#9AA3B0')


def pic_open_folder(c):
    open_folder(c)


def pic_help(c):
    p = c.p
    badge(c, 8, 8, 7.5, BLUE, BLUE_D)
    c.fill(lambda x, y: circle(8, 8, 7.5 - p)(x, y) and y < 7, (255, 255, 255, 45))
    # the question mark
    q = union(ring(8, 5.9, 1.5, 3.2, 170, 60), polygon((10.7, 7.4), (11.0, 7.9), (8.95, 9.6), (8.95, 10.6),
                                                       (7.05, 10.6), (7.05, 9.0), (9.6, 6.9)))
    c.fill(q, WHITE)
    c.fill(circle(8, 12.6, 1.15), WHITE)


def pic_browser(c):
    p = c.p
    c.framed(rect(0.5, 1.5, 15.5, 14.5), rect(0.5 + p, 1.5 + p, 15.5 - p, 14.5 - p), '#2F3A4A', WHITE)
    c.fill(rect(0.5 + p, 1.5 + p, 15.5 - p, 4.5), '#4A86E8', '#2F62C0', (1.5, 4.5))
    c.fill(rect(1.8, 2.3, 5, 3.7), (255, 255, 255, 190))
    globe(c, 8, 9.4, 4.2)


def pic_program(c):
    """The program's own icon: a yellow folder with a blue star-like badge."""
    closed_folder(c)
    badge(c, 11.5, 11, 4.2, BLUE, BLUE_D)
    p = c.p
    star = []
    for i in range(10):
        a = math.radians(-90 + i * 36)
        rr = 2.9 if i % 2 == 0 else 1.25
        star.append((11.5 + math.cos(a) * rr, 11.1 + math.sin(a) * rr))
    c.fill(polygon(*star), WHITE)


PICTURES = [
    pic_folder, pic_photo, pic_music, pic_film, pic_hand, pic_submenu, pic_tiles,
    pic_green_mark, pic_magnifier, pic_network, pic_globe, pic_red_tick, pic_document,
    pic_remove, pic_add, pic_options, pic_floppy, pic_open_folder, pic_help, pic_browser,
]


# --- files -------------------------------------------------------------------

def render(fn, size):
    c = Canvas(size)
    fn(c)
    return c.rgba()


def ico_image(px):
    n = len(px)
    header = struct.pack('<IiiHHIIiiII', 40, n, n * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = b''.join(bytes(v for r, g, b, a in px[y] for v in (b, g, r, a)) for y in range(n - 1, -1, -1))
    mask_stride = ((n + 31) // 32) * 4
    mask = bytearray()
    for y in range(n - 1, -1, -1):
        row = bytearray(mask_stride)
        for x in range(n):
            if px[y][x][3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    return header + rows + bytes(mask)


def write_ico(path, images):
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    blobs = []
    for px in images:
        blob = ico_image(px)
        n = len(px)
        out += struct.pack('<BBBBHHII', n % 256, n % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    path.write_bytes(out + b''.join(blobs))


def write_png(path, px):
    h, w = len(px), len(px[0])
    raw = b''.join(b'\x00' + bytes(v for p in row for v in p) for row in px)
    def chunk(t, d):
        return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xFFFFFFFF)
    data = (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))
    path.write_bytes(data)


def preview(images16, images32, zoom=4):
    """A sheet: row 1 the 16 x 16 pictures, row 2 the 32 x 32 ones, zoomed, on a light grey."""
    cell = 32 * zoom + 8
    w = cell * len(images16)
    h = cell * 2
    bg = (236, 238, 241, 255)
    sheet = [[bg] * w for _ in range(h)]
    for i, (a, b) in enumerate(zip(images16, images32)):
        for row, img, z in ((0, a, zoom * 2), (1, b, zoom)):
            n = len(img)
            for y in range(n * z):
                for x in range(n * z):
                    r, g, bb, al = img[y // z][x // z]
                    t = al / 255
                    sx, sy = i * cell + 4 + x, row * cell + 4 + y
                    sheet[sy][sx] = tuple(int(round(c * t + bgc * (1 - t))) for c, bgc in zip((r, g, bb), bg[:3])) + (255,)
    return sheet


def main(argv):
    if len(argv) < 2:
        print(__doc__)
        return 2
    out = Path(argv[1])
    out.mkdir(parents=True, exist_ok=True)
    small, large = [], []
    for i, fn in enumerate(PICTURES):
        a, b = render(fn, 16), render(fn, 32)
        small.append(a)
        large.append(b)
        write_ico(out / f'menu{i:02d}.ico', [a, b])
    write_ico(out / 'qorbin.ico', [render(pic_program, 16), render(pic_program, 32), render(pic_program, 48)])
    if '--preview' in argv:
        write_png(out / 'preview.png', preview(small, large))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
