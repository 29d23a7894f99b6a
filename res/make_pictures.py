# Draws the launcher's built-in pictures (the "Start" button in its up and
# pressed states, and the 32x32 program icon) and writes them as BMP / ICO.
"""Usage: python3 make_pictures.py [--24bit] OUTPUT_DIRECTORY

--24bit writes the Start pictures with 24 bits a pixel instead of a
compressed palette, and adds TabrivetIcon.bmp, the icon as it shows on
magenta at 24 bits a pixel: references of what the launcher must show."""

import os
import struct
import sys

# ---------------------------------------------------------------------------
# Start button bitmaps
# ---------------------------------------------------------------------------

WIDTH, HEIGHT = 289, 107

# Classic 3D colours.  The face doubles as the dialog background so the
# button blends into whatever field the bitmap is placed on.
FACE = (212, 208, 200)
HIGHLIGHT = (255, 255, 255)
SHADOW = (128, 128, 128)
DARK_SHADOW = (0, 0, 0)
TEXT = (0, 0, 0)

# Button rectangle, inclusive, measured from the top-left corner.
BUTTON_LEFT, BUTTON_TOP = 214, 69
BUTTON_RIGHT, BUTTON_BOTTOM = 277, 95

# Small proportional font, just enough for the label.  Every glyph is seven
# rows tall with the baseline under the last row, so lowercase letters start
# with blank rows instead of needing a separate vertical offset.
GLYPHS = {
    "S": (".###.",
          "#...#",
          "#....",
          ".###.",
          "....#",
          "#...#",
          ".###."),
    "t": ("...",
          ".#.",
          "###",
          ".#.",
          ".#.",
          ".#.",
          "..#"),
    "a": ("....",
          "....",
          ".##.",
          "...#",
          ".###",
          "#..#",
          ".###"),
    "r": ("...",
          "...",
          "#.#",
          "##.",
          "#..",
          "#..",
          "#.."),
}
GLYPH_HEIGHT = 7
LETTER_GAP = 1


def text_width(text):
    widths = [len(GLYPHS[ch][0]) for ch in text]
    return sum(widths) + LETTER_GAP * (len(widths) - 1)


class Canvas:
    """Top-down RGB pixel grid; converted to bottom-up only when saved."""

    def __init__(self, width, height, colour):
        self.width = width
        self.height = height
        self.rows = [[colour] * width for _ in range(height)]

    def put(self, x, y, colour):
        self.rows[y][x] = colour

    def hline(self, x0, x1, y, colour):
        for x in range(x0, x1 + 1):
            self.rows[y][x] = colour

    def vline(self, x, y0, y1, colour):
        for y in range(y0, y1 + 1):
            self.rows[y][x] = colour

    def fill(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            self.hline(x0, x1, y, colour)

    def text(self, x, y, text, colour):
        for ch in text:
            glyph = GLYPHS[ch]
            for dy, line in enumerate(glyph):
                for dx, cell in enumerate(line):
                    if cell == "#":
                        self.put(x + dx, y + dy, colour)
            x += len(glyph[0]) + LETTER_GAP


def draw_button(canvas, left, top, right, bottom, label, pressed):
    canvas.fill(left, top, right, bottom, FACE)
    if pressed:
        # A pushed button loses its bevel: a black outline with a shadow line
        # just inside it, which makes the face look sunk by one pixel.
        canvas.hline(left, right, top, DARK_SHADOW)
        canvas.hline(left, right, bottom, DARK_SHADOW)
        canvas.vline(left, top, bottom, DARK_SHADOW)
        canvas.vline(right, top, bottom, DARK_SHADOW)
        canvas.hline(left + 1, right - 1, top + 1, SHADOW)
        canvas.hline(left + 1, right - 1, bottom - 1, SHADOW)
        canvas.vline(left + 1, top + 1, bottom - 1, SHADOW)
        canvas.vline(right - 1, top + 1, bottom - 1, SHADOW)
        shift = 1
    else:
        # Light from the top-left: highlight there, two-step shadow on the
        # opposite sides.  Drawn outer bottom-right last so it owns the corners.
        canvas.hline(left, right - 1, top, HIGHLIGHT)
        canvas.vline(left, top, bottom - 1, HIGHLIGHT)
        canvas.hline(left + 1, right - 1, bottom - 1, SHADOW)
        canvas.vline(right - 1, top + 1, bottom - 1, SHADOW)
        canvas.hline(left, right, bottom, DARK_SHADOW)
        canvas.vline(right, top, bottom, DARK_SHADOW)
        shift = 0

    width = right - left + 1
    height = bottom - top + 1
    x = left + (width - text_width(label)) // 2 + shift
    y = top + (height - GLYPH_HEIGHT) // 2 + shift
    canvas.text(x, y, label, TEXT)


def bmp_file(info, body):
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(body), 0, 0, offset)
    return header + info + bytes(body)


def bmp_bytes_24(canvas):
    stride = (canvas.width * 3 + 3) & ~3
    padding = b"\0" * (stride - canvas.width * 3)
    body = bytearray()
    for row in reversed(canvas.rows):  # BMP rows run bottom-up
        for r, g, b in row:
            body += bytes((b, g, r))
        body += padding
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 24,
                       0, len(body), 2835, 2835, 0, 0)
    return bmp_file(info, body)


BI_RLE8, BI_RLE4 = 1, 2


def rle_runs(row, bits):
    """(count, byte) pairs of encoded mode for one row. RLE8 repeats one
    index; RLE4 alternates the two nibbles of the byte, so any two pixels
    make a run. No absolute mode: the pictures are flat fields, and literal
    runs would only save a few bytes on the label's rows."""
    runs = []
    i = 0
    while i < len(row):
        if bits == 8:
            pattern = (row[i], row[i])
        else:
            pattern = (row[i], row[i + 1] if i + 1 < len(row) else row[i])
        n = 1
        while i + n < len(row) and n < 255 and row[i + n] == pattern[n % 2]:
            n += 1
        runs.append((n, row[i] if bits == 8 else (pattern[0] << 4) | pattern[1]))
        i += n
    return runs


def bmp_bytes_palette(canvas):
    """BI_RLE4 where the colours fit in 16, else BI_RLE8. The palette holds
    only the colours drawn, in the order they first appear."""
    palette = []
    for row in canvas.rows:
        for colour in row:
            if colour not in palette:
                palette.append(colour)
    assert len(palette) <= 256
    bits, compression = (4, BI_RLE4) if len(palette) <= 16 else (8, BI_RLE8)
    index = {colour: i for i, colour in enumerate(palette)}
    body = bytearray()
    rows = list(reversed(canvas.rows))  # BMP rows run bottom-up
    for y, row in enumerate(rows):
        for count, value in rle_runs([index[c] for c in row], bits):
            body += bytes((count, value))
        body += b"\0\1" if y == len(rows) - 1 else b"\0\0"  # end of bitmap / of line
    # biClrUsed set, not left 0: some old display drivers read a table of
    # 2^bits colours from a compressed bitmap that has fewer, and run off it.
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, bits,
                       compression, len(body), 2835, 2835, len(palette), len(palette))
    info += b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return bmp_file(info, body)


def start_bitmap(pressed, full_colour):
    canvas = Canvas(WIDTH, HEIGHT, FACE)
    draw_button(canvas, BUTTON_LEFT, BUTTON_TOP, BUTTON_RIGHT, BUTTON_BOTTOM,
                "Start", pressed)
    return bmp_bytes_24(canvas) if full_colour else bmp_bytes_palette(canvas)


# ---------------------------------------------------------------------------
# Program icon
# ---------------------------------------------------------------------------

# The usual 16-colour VGA order, so every index means what an icon editor
# would expect it to mean.
VGA_PALETTE = (
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
)

# One character per pixel, top row first.  "." is transparent; the other
# letters pick palette entries through ICON_COLOURS.
ICON_ART = (
    "................................",
    "................................",
    "................................",
    "kkkkkkkkkkkkkkkkkkkkkkkkkkkkkk..",
    "kwwwwwwwwwwwwwwwwwwwwwwwwwwwDk..",
    "kwSSSSSSSSSSSSSSSSSSSSSSSSSSDk..",
    "kwSNNNNNNNNNNNNNNNNNNNNNNNNSDk..",
    "kwSNNNNNNNNNNNNNNNNNNNNSSSNSDk..",
    "kwSNNNNNNNNNNNNNNNNNNNNSSSNSDk..",
    "kwSNNNNNNNNNNNNNNNNNNNNNNNNSDk..",
    "kwSSSSSSSSSSSSSSSSSSSSSSSSSSDk..",
    "kwSKKKKKKKKKKKKKKKKKKKKKKKKSDk..",
    "kwSKKKKKKKKKKKKKKKKKKKKKKKKSDk..",
    "kwSKKwwKKKKKKKKKKKKKKKKKKKKSDk..",
    "kwSKKKwwKKKKKKKKKKKKKKKKKKKSDk..",
    "kwSKKKKwwKKKKKKKKKKKKKKKgKKSDk..",
    "kwSKKKwwKKKKKKKKKKKKKKKKggKSDk..",
    "kwSKKwwKKKwwwwwKKKKKKKKKgGgSDk..",
    "kwSKKKKKKKKKKKKKKKKKKKKKgGGgDk..",
    "kwSKKKKKKKKKKKKKKKKKKKKKgGGGgk..",
    "kwSKKKKKKKKKKKggggggggggGGGGGg..",
    "kwSKKKKKKKKKKKgGGGGGGGGGGGGGGGg.",
    "kwSKKKKKKKKKKKgGGGGGGGGGGGGGGGGg",
    "kwSKKKKKKKKKKKgGGGGGGGGGGGGGGGg.",
    "kwSKKKKKKKKKKKggggggggggGGGGGg..",
    "kwSKKKKKKKKKKKKKKKKKKKKKgGGGgk..",
    "kwSSSSSSSSSSSSSSSSSSSSSSgGGgDk..",
    "kDDDDDDDDDDDDDDDDDDDDDDDgGgDDk..",
    "kkkkkkkkkkkkkkkkkkkkkkkkggkkkk..",
    "........................g.......",
    "................................",
    "................................",
)
ICON_COLOURS = {
    "K": 0,   # console background
    "k": 0,   # outline
    "g": 2,   # arrow edge
    "D": 8,   # frame shadow
    "N": 4,   # title bar
    "S": 7,   # window frame
    "G": 10,  # arrow
    "w": 15,  # prompt and highlights
}
ICON_SIZE = 32

# Where the icon is transparent its reference shows this colour, which the icon
# never uses: a wrong mask then differs from the reference like a wrong colour.
ICON_REFERENCE_BACKGROUND = (255, 0, 255)


def icon_canvas():
    used = [VGA_PALETTE[i] for i in ICON_COLOURS.values()]
    assert ICON_REFERENCE_BACKGROUND not in used
    canvas = Canvas(ICON_SIZE, ICON_SIZE, ICON_REFERENCE_BACKGROUND)
    for y, line in enumerate(ICON_ART):
        for x, ch in enumerate(line):
            if ch != ".":
                canvas.put(x, y, VGA_PALETTE[ICON_COLOURS[ch]])
    return canvas


def icon_bytes():
    assert len(ICON_ART) == ICON_SIZE
    assert all(len(line) == ICON_SIZE for line in ICON_ART)

    xor_stride = ((ICON_SIZE * 4 + 31) // 32) * 4
    and_stride = ((ICON_SIZE + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for line in reversed(ICON_ART):  # bottom-up, like any DIB
        # Transparent pixels keep index 0 so the AND/XOR pair leaves the
        # screen untouched there.
        indices = [0 if ch == "." else ICON_COLOURS[ch] for ch in line]
        row = bytearray((indices[i] << 4) | indices[i + 1]
                        for i in range(0, ICON_SIZE, 2))
        xor += row + b"\0" * (xor_stride - len(row))

        bits = bytearray(and_stride)
        for x, ch in enumerate(line):
            if ch == ".":
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits

    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in VGA_PALETTE)
    # The DIB height covers the colour bitmap and the mask stacked together.
    info = struct.pack("<IiiHHIIiiII", 40, ICON_SIZE, ICON_SIZE * 2, 1, 4, 0,
                       len(xor) + len(mask), 0, 0, 0, 0)
    image = info + palette + bytes(xor) + bytes(mask)

    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", ICON_SIZE, ICON_SIZE, 16, 0, 1, 4,
                        len(image), len(directory) + 16)
    return directory + entry + image


# ---------------------------------------------------------------------------

def main(argv):
    full_colour = "--24bit" in argv[1:]
    args = [a for a in argv[1:] if a != "--24bit"]
    if len(args) != 1:
        sys.stderr.write(__doc__ + "\n")
        return 2
    out_dir = args[0]
    os.makedirs(out_dir, exist_ok=True)
    outputs = {
        "start.bmp": start_bitmap(False, full_colour),
        "startDepressed.bmp": start_bitmap(True, full_colour),
        "TabrivetIcon.ico": icon_bytes(),
    }
    if full_colour:
        outputs["TabrivetIcon.bmp"] = bmp_bytes_24(icon_canvas())
    for name, data in outputs.items():
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
