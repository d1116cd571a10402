#!/usr/bin/env python3
"""Draws Vantorel's icons from the pixel maps below and writes them as ICO
files into src/app/icons/. The ICO files are committed; run this again only
when the artwork changes."""
import os
import struct

# Palette: one letter a colour (R, G, B); "." is transparent.
PALETTE = {
    "k": (32, 32, 40), "w": (255, 255, 255), "g": (150, 150, 160), "l": (215, 215, 222),
    "b": (40, 90, 200), "c": (120, 170, 240), "y": (240, 200, 60), "o": (200, 140, 30),
    "r": (210, 40, 40), "p": (250, 130, 130), "G": (40, 160, 60), "L": (140, 220, 140),
    "n": (20, 40, 110), "s": (90, 90, 100),
}

ICONS = {
    # A blank page with a green plus: start another copy of the program.
    "new_instance": """
..kkkkkkkk......
..kwwwwwwkk.....
..kwwwwwwkwk....
..kwwwwwwkkkk...
..kwwwwwwwwwk...
..kwwwwwwwwwk...
..kwwwwwwwwwk...
..kwwwwwwGGGGk..
..kwwwwwwGLLG...
..kwwwwGGGLLGGG.
..kwwwwGLLLLLLG.
..kwwwwGLLLLLLG.
..kwwwwGGGLLGGG.
..kkkkkkkGLLG...
.........GGGG...
................""",
    # An opening folder with a gear-like blue block: open a library.
    "open_library": """
................
.kkkk...........
kyyyyk..........
kyyyyykkkkkkk...
kyoooooooooook..
kyo..bbbbbb..ok.
kyo.bcccccb..ok.
kyo.bcbbbcb.kkkk
kyo.bcbwbcb.kyyk
kyokkkkkkkkkkyok
kykyyyyyyyyyyyok
kykyyyyyyyyyyok.
kkyyyyyyyyyyyok.
kkyyyyyyyyyyyok.
kkkkkkkkkkkkkk..
................""",
    # A page with a blue ".h" and an arrow into the table: import a C header.
    "import_header": """
..kkkkkkkk......
..kwwwwwwkk.....
..kwwwwwwkwk....
..kwwwwwwkkkk...
..kwbwwwwwwwk...
..kwbwwwwwwwk...
..kwbbbwwwwwk...
..kwbwbwwwwwk...
..kwbwbwbwGwk...
..kwwwwwwwGGk...
..kwwwGGGGGGG...
..kwwwwwwwGGk...
..kwwwwwwwGwk...
..kwwwwwwwwwk...
..kkkkkkkkkkk...
................""",
    # A folder with a list of lines: the folders headers are looked for in.
    "include_folders": """
................
.kkkk...........
kyyyyk..........
kyyyyykkkkkkk...
kyoooooooooook..
kyo.........ok..
kyo.bbbbbbb.ok..
kyo.........ok..
kyo.bbbbb...ok..
kyo.........ok..
kyo.bbbbbbb.ok..
kyo.........ok..
kyoooooooooook..
kkkkkkkkkkkkkk..
................
................""",
    # A folder with a written page: open a project.
    "open_project": """
................
.kkkk...........
kyyyyk..kkkkk...
kyyyyykkwwwwwk..
kyooooowkkkwwk..
kyo...kwwwwwwk..
kyo...kwkkkkwk..
kyo...kwwwwwwkkk
kyo...kwkkkwwkyk
kyokkkkkkkkkkkok
kykyyyyyyyyyyyok
kykyyyyyyyyyyok.
kkyyyyyyyyyyyok.
kkyyyyyyyyyyyok.
kkkkkkkkkkkkkk..
................""",
    # A floppy disk: save.
    "save": """
................
.kkkkkkkkkkkkk..
.kbbwwwwwwwwbbk.
.kbbwwwwwwwwbbk.
.kbbwkkkkkkwbbk.
.kbbwwwwwwwwbbk.
.kbbwkkkkkwwbbk.
.kbbwwwwwwwwbbk.
.kbbbbbbbbbbbbk.
.kbbblllllllbbk.
.kbbblkklllbbbk.
.kbbblkklllbbbk.
.kbbblkklllbbbk.
.kbbblllllllbbk.
.kkkkkkkkkkkkkk.
................""",
    # A blue disc with an "i": about.
    "about": """
................
.....nnnnnn.....
...nnbbbbbbnn...
..nbbbbwwbbbbn..
..nbbbbwwbbbbn..
.nbbbbbbbbbbbbn.
.nbbbbwwwbbbbbn.
.nbbbbbwwbbbbbn.
.nbbbbbwwbbbbbn.
.nbbbbbwwbbbbbn.
..nbbbbwwbbbbn..
..nbbbwwwwbbbn..
...nnbbbbbbnn...
.....nnnnnn.....
................
................""",
    # A door with a red arrow leaving: exit.
    "exit": """
................
..ssssssssss....
..sllllllls.....
..sllllllls.....
..slllllllsrr...
..slllllllsrrr..
..sllllsrrrrrrr.
..sllllsrrrrrrrr
..sllllsrrrrrrr.
..slllllllsrrr..
..slllllllsrr...
..sllllllls.....
..sllllllls.....
..ssssssssss....
................
................""",
}

# The program's own icon: a blue tile with a white "V" over a plug of pins.
PROGRAM = """
................
.nnnnnnnnnnnnnn.
.nbbbbbbbbbbbbn.
.nbwwbbbbbbwwbn.
.nbwwbbbbbbwwbn.
.nbbwwbbbbwwbbn.
.nbbwwbbbbwwbbn.
.nbbbwwbbwwbbbn.
.nbbbwwbbwwbbbn.
.nbbbbwwwwbbbbn.
.nbbbbbwwbbbbbn.
.nbbbbbbbbbbbbn.
.nnnnnnnnnnnnnn.
...y..y..y..y...
...y..y..y..y...
................"""


def pixels(art, scale=1):
    rows = [r for r in art.strip("\n").split("\n")]
    assert len(rows) == 16 and all(len(r) == 16 for r in rows), art
    out = []
    for r in rows:
        line = []
        for ch in r:
            line += [None if ch == "." else PALETTE[ch]] * scale
        out += [line] * scale
    return out


def pixels_at(art, side):
    """The art drawn on a side x side grid, each target pixel taking the
    colour of the art's pixel under its centre: hard edges at every size, so
    a 20- or 24-pixel icon is as crisp as the 16-pixel one."""
    base = pixels(art)
    return [[base[(2 * y + 1) * 16 // (2 * side)][(2 * x + 1) * 16 // (2 * side)] for x in range(side)]
            for y in range(side)]


def dib(px, bits):
    """A BITMAPINFOHEADER image with its AND mask, bottom-up, as ICO wants."""
    size = len(px)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0, 0, 0)
    body = bytearray()
    for row in reversed(px):
        line = bytearray()
        for p in row:
            if bits == 32:
                line += bytes((0, 0, 0, 0)) if p is None else bytes((p[2], p[1], p[0], 255))
            else:
                line += bytes((0, 0, 0)) if p is None else bytes((p[2], p[1], p[0]))
        while len(line) % 4:
            line.append(0)
        body += line
    mask = bytearray()
    for row in reversed(px):
        bitsrow = 0
        line = bytearray()
        for i, p in enumerate(row):
            bitsrow = (bitsrow << 1) | (1 if p is None else 0)
            if i % 8 == 7:
                line.append(bitsrow)
                bitsrow = 0
        while len(line) % 4:
            line.append(0)
        mask += line
    return header + bytes(body) + bytes(mask)


def ico(images):
    """images: list of (size, bits, data)."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    table, blob = b"", b""
    for size, bits, data in images:
        table += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, bits, len(data), offset + len(blob))
        blob += data
    return out + table + blob


def main():
    folder = os.path.join(os.path.dirname(__file__), "..", "src", "app", "icons")
    os.makedirs(folder, exist_ok=True)
    for name, art in ICONS.items():
        px = pixels(art)
        # 16 pixels at 96 DPI; 20, 24 and 32 for 120, 144 and 192.
        data = ico([(16, 32, dib(px, 32)), (16, 24, dib(px, 24))] +
                   [(side, 32, dib(pixels_at(art, side), 32)) for side in (20, 24, 32)])
        with open(os.path.join(folder, name + ".ico"), "wb") as f:
            f.write(data)
    images = [(16 * s, 32, dib(pixels(PROGRAM, s), 32)) for s in (1, 2, 3)]
    with open(os.path.join(folder, "vantorel.ico"), "wb") as f:
        f.write(ico(images))


if __name__ == "__main__":
    main()
