#!/usr/bin/env python3
"""Draws the installer's bitmaps and icon and writes them into res/.

Pure Python: the files are packed by hand with struct, so nothing beyond the
standard library is needed. Run it again after changing a drawing; the output
is deterministic.

  Logo.bmp     157 x 57, 8 bits per pixel with a palette, uncompressed
  Folder.bmp   16 x 16, 24 bits, magenta RGB(255,0,255) as the transparent colour
  MainIcon.ico 32 x 32, 256 colours, with a transparency mask
  Floppy.bmp, Hard.bmp, Network.bmp, CdRom.bmp, Ram.bmp
               16 x 11, 16 colours, the drive list's glyphs; the bottom-left
               pixel (magenta) is the transparent colour
  OpenFolder.bmp, ClosedFolder.bmp, CurrentFolder.bmp, Executable.bmp,
  UnknownFile.bmp
               16 x 15, 16 colours, the directory and file lists' glyphs; the
               bottom-left pixel (magenta) is the transparent colour
"""
import math
import os
import struct
import sys

WHITE = (255, 255, 255)
MAGENTA = (255, 0, 255)


class Canvas:
    """A grid of RGB tuples (None = transparent) with a few drawing helpers."""

    def __init__(self, width, height, fill=None):
        self.width, self.height = width, height
        self.px = [[fill] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = colour

    def get(self, x, y):
        return self.px[y][x]

    def rect(self, x0, y0, x1, y1, colour):
        """Fills the rectangle with corners (x0, y0) and (x1, y1), inclusive."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, colour)

    def line(self, x0, y0, x1, y1, colour):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            self.put(round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps), colour)

    def colours(self):
        seen = []
        for row in self.px:
            for c in row:
                if c is not None and c not in seen:
                    seen.append(c)
        return seen


def pencil(canvas, tip, angle_deg, length, half_width, body=(250, 190, 30), body_dark=(214, 146, 18),
           body_light=(255, 226, 110)):
    """A pencil whose graphite tip is at `tip`, its axis pointing away at angle_deg.

    Every pixel is classified in the pencil's own frame: u along the axis from
    the tip, v across it. Sections from the tip: graphite, bare wood, painted
    body with a light and a dark facet, metal ferrule, eraser.
    """
    a = math.radians(angle_deg)
    ax, ay = math.cos(a), math.sin(a)
    graphite, wood = (52, 52, 60), (236, 200, 150)
    ferrule, ferrule_dark = (190, 194, 200), (130, 134, 142)
    eraser, eraser_dark = (236, 120, 140), (196, 84, 106)
    outline = (60, 44, 30)
    cone = length * 0.2
    for y in range(canvas.height):
        for x in range(canvas.width):
            dx, dy = x + 0.5 - tip[0], y + 0.5 - tip[1]
            u = dx * ax + dy * ay
            v = -dx * ay + dy * ax
            if u < 0 or u > length:
                continue
            w = half_width if u >= cone else half_width * u / cone
            if abs(v) > w + 0.5:
                continue
            edge = abs(v) > w - 0.7
            if u < cone * 0.4:
                c = graphite
            elif u < cone:
                c = outline if edge else wood
            elif u < length * 0.8:
                if edge:
                    c = outline
                elif v < -half_width / 3:
                    c = body_light
                elif v > half_width / 3:
                    c = body_dark
                else:
                    c = body
            elif u < length * 0.88:
                c = ferrule_dark if edge or int(u) % 3 == 0 else ferrule
            else:
                c = outline if edge or u > length - 0.8 else (eraser_dark if v > 0 else eraser)
            canvas.put(x, y, c)


# A bold pixel font: each glyph is 7 columns wide and 12 rows tall; row 9 is
# the baseline row, rows 10-11 hold descenders.
GLYPHS = {
    "K": [
        "11...11",
        "11..11.",
        "11.11..",
        "1111...",
        "111....",
        "1111...",
        "11.11..",
        "11..11.",
        "11...11",
        "11...11",
        ".......",
        ".......",
    ],
    "e": [
        ".......",
        ".......",
        ".......",
        ".11111.",
        "11...11",
        "11...11",
        "1111111",
        "11.....",
        "11...11",
        ".11111.",
        ".......",
        ".......",
    ],
    "l": [
        "111....",
        ".11....",
        ".11....",
        ".11....",
        ".11....",
        ".11....",
        ".11....",
        ".11....",
        ".11....",
        "111111.",
        ".......",
        ".......",
    ],
    "p": [
        ".......",
        ".......",
        ".......",
        "111111.",
        "11...11",
        "11...11",
        "11...11",
        "11...11",
        "111111.",
        "11.....",
        "11.....",
        "11.....",
    ],
    "a": [
        ".......",
        ".......",
        ".......",
        ".11111.",
        ".....11",
        ".111111",
        "11...11",
        "11...11",
        "11..111",
        ".111.11",
        ".......",
        ".......",
    ],
}


def draw_text(canvas, text, x, y, scale, colour, shadow):
    for ch in text:
        glyph = GLYPHS[ch]
        for gy, row in enumerate(glyph):
            for gx, bit in enumerate(row):
                if bit != "1":
                    continue
                for sy in range(scale):
                    for sx in range(scale):
                        px, py = x + gx * scale + sx, y + gy * scale + sy
                        # A one-pixel drop shadow to the lower right gives the
                        # flat letters some weight.
                        if canvas.get(min(px + 1, canvas.width - 1), min(py + 1, canvas.height - 1)) == WHITE:
                            canvas.put(px + 1, py + 1, shadow)
                        canvas.put(px, py, colour)
        x += (len(glyph[0]) + 1) * scale


def logo():
    c = Canvas(157, 57, WHITE)
    ink, shadow = (18, 92, 72), (150, 196, 180)
    draw_text(c, "Kelpa", 6, 5, 3, ink, shadow)
    # The pencil stroke: a hand-drawn swash under the word, ending where the
    # pencil's tip rests.
    stroke = (38, 60, 140)
    for x in range(8, 122):
        y = 48 + 2.2 * math.sin((x - 8) / 18.0) - (x - 8) * 0.03
        thickness = 2 if 20 < x < 110 else 1
        for t in range(thickness):
            c.put(x, round(y) + t, stroke)
    pencil(c, (122, 45), -52, 44, 4.2)
    return c


def folder():
    c = Canvas(16, 16, MAGENTA)
    dark, back, front, light = (128, 96, 0), (224, 176, 40), (255, 214, 72), (255, 240, 160)
    # Back of the folder with its tab.
    c.rect(1, 3, 5, 3, dark)
    c.rect(0, 4, 0, 13, dark)
    c.rect(1, 4, 5, 4, back)
    c.line(6, 4, 13, 4, dark)
    c.rect(1, 5, 12, 13, back)
    c.rect(13, 5, 13, 7, dark)
    # The open front flap, leaning forward.
    c.line(3, 7, 15, 7, dark)
    c.line(3, 7, 0, 14, dark)
    c.line(15, 7, 12, 14, dark)
    c.line(0, 14, 12, 14, dark)
    for y in range(8, 14):
        left = 3 - (y - 7) * 3 / 7
        right = 15 - (y - 7) * 3 / 7
        for x in range(math.ceil(left + 0.5), math.floor(right - 0.5) + 1):
            c.put(x, y, light if y == 8 else front)
    return c


def icon():
    c = Canvas(32, 32, None)
    paper, shade, rule, margin = (255, 255, 255), (200, 204, 214), (120, 160, 220), (224, 80, 80)
    ring, outline, back = (96, 100, 110), (70, 74, 86), (52, 96, 160)
    # Cardboard back, then the pad.
    c.rect(4, 3, 25, 30, back)
    c.rect(3, 4, 24, 29, outline)
    c.rect(4, 5, 23, 28, paper)
    c.rect(24, 5, 24, 29, shade)
    c.rect(4, 29, 24, 29, shade)
    for y in range(10, 28, 3):
        c.line(5, y, 22, y, rule)
    c.line(8, 6, 8, 28, margin)
    # Spiral binding across the top.
    for x in range(6, 23, 4):
        c.rect(x, 2, x + 1, 6, ring)
        c.put(x, 2, outline)
    # Writing already on the pad, and the pencil producing more of it.
    ink = (30, 40, 90)
    for y, end in ((12, 20), (15, 17), (18, 14)):
        for x in range(10, end + 1):
            c.put(x, y - (1 if x % 4 == 1 else 0), ink)
    pencil(c, (15, 19), -42, 22, 3.2)
    return c


def drive_box(c, body, front_y0=3):
    """The common drive unit: a grey box seen from the front, shaded edges."""
    light, dark, black = (255, 255, 255), (128, 128, 128), (0, 0, 0)
    c.rect(0, front_y0, 15, 9, body)
    c.line(0, front_y0, 15, front_y0, light)
    c.line(0, front_y0, 0, 9, light)
    c.line(0, 10, 15, 10, black)
    c.line(15, front_y0, 15, 10, black)
    c.line(1, 9, 14, 9, dark)
    c.line(14, front_y0 + 1, 14, 9, dark)


def floppy_drive():
    c = Canvas(16, 11, MAGENTA)
    grey = (192, 192, 192)
    drive_box(c, grey)
    # The slot with its shutter and the eject button below it.
    c.line(3, 5, 12, 5, (0, 0, 0))
    c.line(3, 6, 12, 6, (128, 128, 128))
    c.rect(11, 7, 12, 7, (128, 128, 128))
    c.put(2, 7, (0, 128, 0))
    c.rect(0, 10, 0, 10, MAGENTA)  # keep the corner transparent
    return c


def hard_drive():
    c = Canvas(16, 11, MAGENTA)
    grey = (192, 192, 192)
    drive_box(c, grey)
    # A busy light and a row of ventilation grooves.
    c.rect(2, 7, 3, 7, (0, 255, 0))
    for x in range(6, 14, 2):
        c.line(x, 5, x, 7, (128, 128, 128))
    c.rect(0, 10, 0, 10, MAGENTA)
    return c


def network_drive():
    c = Canvas(16, 11, MAGENTA)
    grey, cable = (192, 192, 192), (0, 0, 128)
    # A smaller drive unit up top, hanging on a cable that runs along the bottom.
    c.rect(2, 0, 13, 5, grey)
    c.line(2, 0, 13, 0, (255, 255, 255))
    c.line(2, 0, 2, 5, (255, 255, 255))
    c.line(2, 6, 13, 6, (0, 0, 0))
    c.line(13, 0, 13, 6, (0, 0, 0))
    c.rect(4, 3, 5, 3, (0, 255, 0))
    c.line(8, 2, 11, 2, (128, 128, 128))
    c.line(7, 7, 7, 8, cable)
    c.line(1, 9, 14, 9, cable)
    c.rect(6, 8, 8, 9, (0, 0, 255))
    return c


def cdrom_drive():
    c = Canvas(16, 11, MAGENTA)
    silver, shine, rim, hole = (192, 192, 192), (255, 255, 255), (128, 128, 128), (0, 128, 128)
    # A disc, shining along one diagonal, with its centre hole.
    cx, cy = 7.5, 5.0
    for y in range(11):
        for x in range(16):
            d = math.hypot(x - cx, (y - cy) * 1.0)
            if d <= 5.2:
                colour = rim if d > 4.4 else silver
                if d <= 4.4 and abs((x - cx) - (y - cy)) < 1.2:
                    colour = shine
                if d <= 1.3:
                    colour = hole
                c.put(x, y, colour)
    c.rect(0, 10, 0, 10, MAGENTA)
    return c


def ram_drive():
    c = Canvas(16, 11, MAGENTA)
    board, chip, pin, edge = (0, 128, 0), (0, 0, 0), (255, 255, 0), (0, 0, 0)
    # A memory module: a green board with three chips and gold contacts.
    c.rect(0, 1, 15, 8, board)
    c.line(0, 8, 15, 8, edge)
    for x in (1, 6, 11):
        c.rect(x, 3, x + 3, 6, chip)
    for x in range(1, 15, 2):
        c.put(x, 9, pin)
    c.rect(0, 10, 0, 10, MAGENTA)
    return c


# The sixteen colours of the list glyphs' palette.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255),
    (255, 255, 255),
]
BLACK, OLIVE, NAVY, SILVER, GREY = (0, 0, 0), (128, 128, 0), (0, 0, 128), (192, 192, 192), (128, 128, 128)
YELLOW, BLUE, AQUA, TEAL = (255, 255, 0), (0, 0, 255), (0, 255, 255), (0, 128, 128)


def closed_folder_glyph():
    c = Canvas(16, 15, MAGENTA)
    # Tab, then the body, outlined in olive with a light top edge.
    c.rect(1, 2, 6, 2, OLIVE)
    c.rect(0, 3, 0, 13, OLIVE)
    c.rect(7, 3, 14, 3, OLIVE)
    c.rect(1, 3, 6, 3, WHITE)
    c.rect(15, 4, 15, 13, OLIVE)
    c.rect(0, 13, 15, 13, OLIVE)
    c.rect(1, 4, 14, 4, WHITE)
    c.rect(1, 5, 14, 12, YELLOW)
    c.rect(1, 12, 14, 12, OLIVE)
    return c


def open_folder_glyph(sheet=False):
    c = Canvas(16, 15, MAGENTA)
    # The back with its tab.
    c.rect(1, 2, 5, 2, OLIVE)
    c.rect(0, 3, 0, 13, OLIVE)
    c.rect(6, 3, 12, 3, OLIVE)
    c.rect(1, 3, 5, 3, YELLOW)
    c.rect(1, 4, 11, 12, YELLOW)
    c.rect(12, 4, 12, 6, OLIVE)
    if sheet:
        # A page standing in the folder: the directory that is open now.
        c.rect(4, 0, 11, 6, WHITE)
        c.rect(3, 0, 3, 6, GREY)
        c.rect(12, 0, 12, 6, GREY)
        c.rect(4, 0, 11, 0, GREY)
        for y in (2, 4):
            c.line(5, y, 10, y, BLUE)
    # The front flap, leaning forward.
    c.line(3, 7, 15, 7, OLIVE)
    for y in range(8, 13):
        left = 3 - (y - 7) * 3 // 5
        right = 15 - (y - 7) * 3 // 5
        c.put(left, y, OLIVE)
        c.line(left + 1, y, right - 1, y, WHITE if y == 8 else YELLOW)
        c.put(right, y, OLIVE)
    c.line(0, 13, 12, 13, OLIVE)
    return c


def executable_glyph():
    c = Canvas(16, 15, MAGENTA)
    # A program window: frame, title bar with a close box, client area.
    c.rect(0, 1, 15, 13, BLACK)
    c.rect(1, 2, 14, 12, WHITE)
    c.rect(1, 2, 14, 4, NAVY)
    c.rect(12, 3, 13, 3, SILVER)
    c.rect(2, 6, 7, 6, TEAL)
    c.rect(2, 8, 9, 8, TEAL)
    c.rect(2, 10, 5, 10, TEAL)
    c.rect(1, 13, 15, 13, GREY)
    return c


def unknown_file_glyph():
    c = Canvas(16, 15, MAGENTA)
    # A page with a folded corner and a few lines of text.
    c.rect(3, 0, 9, 0, BLACK)
    c.rect(2, 0, 2, 14, BLACK)
    c.rect(12, 3, 12, 14, BLACK)
    c.rect(2, 14, 12, 14, BLACK)
    c.rect(3, 1, 9, 13, WHITE)
    c.rect(10, 3, 11, 13, WHITE)
    c.line(10, 0, 12, 2, BLACK)
    c.rect(10, 1, 10, 2, SILVER)
    c.put(11, 2, SILVER)
    for y in (5, 7, 9, 11):
        c.line(4, y, 10 if y != 11 else 7, y, GREY)
    return c


def bmp_4bit(canvas):
    """16 colours with the fixed palette above; every colour must be one of them."""
    index = {col: i for i, col in enumerate(VGA16)}
    stride = ((canvas.width + 1) // 2 + 3) & ~3
    pixels = bytearray()
    for y in reversed(range(canvas.height)):
        row = bytearray(stride)
        for x in range(canvas.width):
            row[x // 2] |= index[canvas.get(x, y)] << (0 if x % 2 else 4)
        pixels += row
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in VGA16)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 4, 0, len(pixels), 3780, 3780, 16, 0)
    offset = 14 + len(info) + len(pal)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + pal + pixels


def bmp_8bit(canvas):
    palette = canvas.colours()
    assert len(palette) <= 256, "too many colours for a palette"
    index = {col: i for i, col in enumerate(palette)}
    stride = (canvas.width + 3) & ~3
    pixels = bytearray()
    for y in reversed(range(canvas.height)):
        row = bytes(index[canvas.get(x, y)] for x in range(canvas.width))
        pixels += row + bytes(stride - canvas.width)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    pal += bytes(4 * (256 - len(palette)))
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 8, 0, len(pixels), 3780, 3780, 256, 0)
    offset = 14 + len(info) + len(pal)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + pal + pixels


def bmp_24bit(canvas):
    stride = (canvas.width * 3 + 3) & ~3
    pixels = bytearray()
    for y in reversed(range(canvas.height)):
        row = b"".join(struct.pack("<BBB", b, g, r) for (r, g, b) in (canvas.get(x, y) for x in range(canvas.width)))
        pixels += row + bytes(stride - canvas.width * 3)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 24, 0, len(pixels), 3780, 3780, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(pixels), 0, 0, 14 + 40)
    return header + info + pixels


def ico_256(canvas):
    """One 32 x 32 image, 8 bits per pixel, with its AND mask (1 = transparent)."""
    palette = [(0, 0, 0)] + canvas.colours()
    assert len(palette) <= 256
    index = {col: i for i, col in enumerate(palette)}
    w, h = canvas.width, canvas.height
    xor = bytearray()
    mask = bytearray()
    mask_stride = ((w + 31) // 32) * 4
    for y in reversed(range(h)):
        xor += bytes(index[canvas.get(x, y)] if canvas.get(x, y) is not None else 0 for x in range(w))
        bits = bytearray(mask_stride)
        for x in range(w):
            if canvas.get(x, y) is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    pal += bytes(4 * (256 - len(palette)))
    info = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 8, 0, len(xor) + len(mask), 0, 0, 256, 0)
    image = info + pal + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", w, h, 0, 0, 1, 8, len(image), 6 + 16)
    return directory + entry + image


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res")
    out = sys.argv[1] if len(sys.argv) > 1 else root
    files = {
        "Logo.bmp": bmp_8bit(logo()),
        "Folder.bmp": bmp_24bit(folder()),
        "MainIcon.ico": ico_256(icon()),
        "Floppy.bmp": bmp_4bit(floppy_drive()),
        "Hard.bmp": bmp_4bit(hard_drive()),
        "Network.bmp": bmp_4bit(network_drive()),
        "CdRom.bmp": bmp_4bit(cdrom_drive()),
        "Ram.bmp": bmp_4bit(ram_drive()),
        "OpenFolder.bmp": bmp_4bit(open_folder_glyph()),
        "ClosedFolder.bmp": bmp_4bit(closed_folder_glyph()),
        "CurrentFolder.bmp": bmp_4bit(open_folder_glyph(sheet=True)),
        "Executable.bmp": bmp_4bit(executable_glyph()),
        "UnknownFile.bmp": bmp_4bit(unknown_file_glyph()),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
