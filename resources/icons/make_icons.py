#!/usr/bin/env python3
"""Draws the program's icons as PNG files: 16 x 16 pixel art from the character
maps below (the program icon is the terminal at twice the size). Run it from this
folder after changing a map; the PNG files are committed.

The program icon is also drawn for the desktop's icon theme: hicolor/ holds it
as SVG (one square per pixel, so it stays sharp at any size) and as PNG at the
sizes desktops ask for."""
import os
import struct
import zlib

PALETTE = {
    '.': (0, 0, 0, 0),
    'k': (32, 32, 32, 255),       # outline
    'g': (128, 128, 128, 255),    # grey
    'l': (200, 200, 200, 255),    # light grey
    'w': (255, 255, 255, 255),
    'b': (40, 90, 200, 255),      # blue
    'c': (120, 190, 240, 255),    # cyan screen
    'y': (240, 200, 60, 255),     # folder yellow
    'o': (200, 150, 30, 255),     # folder shade
    'r': (210, 50, 40, 255),
    'n': (40, 160, 70, 255),      # green
    'd': (90, 90, 90, 255),       # dark grey
}

ICONS = {
    # 0: computer
    'tree0': [
        "................",
        ".kkkkkkkkkkkkkk.",
        ".klllllllllllllk",
        ".klkkkkkkkkkkllk",
        ".klkccccccccklk.",
        ".klkccccccccklk.",
        ".klkccccccccklk.",
        ".klkccccccccklk.",
        ".klkkkkkkkkkklk.",
        ".kllllllllllllk.",
        ".kkkkkkkkkkkkkk.",
        "......kggk......",
        "....kkkkkkkk....",
        "...kllllllllk...",
        "...kkkkkkkkkk...",
        "................",
    ],
    # 1: hand-held terminal
    'tree1': [
        ".....kkkkkk.....",
        "....kddddddk....",
        "....kdkkkkdk....",
        "....kdkcckdk....",
        "....kdkcckdk....",
        "....kdkcckdk....",
        "....kdkkkkdk....",
        "....kddddddk....",
        "....kdwdwdwk....",
        "....kddddddk....",
        "....kdwdwdwk....",
        "....kddddddk....",
        "....kdwdwdwk....",
        "....kddddddk....",
        "....kdnddrdk....",
        ".....kkkkkk.....",
    ],
    # 2: removable drive
    'tree2': [
        "................",
        "................",
        "................",
        "..kkkkkkkkkkkk..",
        "..kllllllllllk..",
        "..klkkkkkkkklk..",
        "..klkddddddklk..",
        "..klkkkkkkkklk..",
        "..kllllllllllk..",
        "..kllllllllnlk..",
        "..kkkkkkkkkkkk..",
        "................",
        "................",
        "................",
        "................",
        "................",
    ],
    # 3: fixed disk
    'tree3': [
        "................",
        "................",
        "................",
        "................",
        ".kkkkkkkkkkkkkk.",
        ".kwwwwwwwwwwwwk.",
        ".klllllllllllgk.",
        ".klllllllllllgk.",
        ".kggggggggggggk.",
        ".kgggggggggnggk.",
        ".kkkkkkkkkkkkkk.",
        "................",
        "................",
        "................",
        "................",
        "................",
    ],
    # 4: optical drive
    'tree4': [
        "................",
        ".....kkkkkk.....",
        "...kkllllllkk...",
        "..klllcccclllk..",
        "..kllcccccccllk.",
        ".kllccckkccclk..",
        ".klcccckwkcccck.",
        ".klcccckkkcccck.",
        ".klllccccccclk..",
        "..klllccccllk...",
        "...kkllllllkk...",
        ".....kkkkkk.....",
        ".kkkkkkkkkkkkkk.",
        ".kggggggggggnggk",
        ".kkkkkkkkkkkkkk.",
        "................",
    ],
    # 5: folder
    'tree5': [
        "................",
        "................",
        ".kkkkk..........",
        "kyyyyyk.........",
        "kyyyyyykkkkkkkk.",
        "kyyyyyyyyyyyyyk.",
        "koooooooooooooko",
        "kyyyyyyyyyyyyyk.",
        "kyyyyyyyyyyyyyk.",
        "kyyyyyyyyyyyyyk.",
        "kyyyyyyyyyyyyyk.",
        "kyyyyyyyyyyyyyk.",
        "kkkkkkkkkkkkkkk.",
        "................",
        "................",
        "................",
    ],
    # 6: notepad page
    'tree6': [
        "..kkkkkkkkk.....",
        "..kwwwwwwwkk....",
        "..kwwwwwwwklk...",
        "..kwkkkkkwkkkk..",
        "..kwwwwwwwwwwk..",
        "..kwkkkkkkkkwk..",
        "..kwwwwwwwwwwk..",
        "..kwkkkkkkkkwk..",
        "..kwwwwwwwwwwk..",
        "..kwkkkkkkkkwk..",
        "..kwwwwwwwwwwk..",
        "..kwkkkkkwwwwk..",
        "..kwwwwwwwwwwk..",
        "..kwwwwwwwwwwk..",
        "..kkkkkkkkkkkk..",
        "................",
    ],
    # 7: network drive
    'tree7': [
        "................",
        "................",
        ".kkkkkkkkkkkkkk.",
        ".kwwwwwwwwwwwwk.",
        ".klllllllllllgk.",
        ".kggggggggggnggk",
        ".kkkkkkkkkkkkkk.",
        ".......kk.......",
        ".......kk.......",
        ".......kk.......",
        "..kkkkkkkkkkkk..",
        "..k....kk....k..",
        ".kbk..kbbk..kbk.",
        ".kbk..kbbk..kbk.",
        "..k....kk....k..",
        "................",
    ],
    'new': [
        "..kkkkkkkkk.....",
        "..kwwwwwwwkk....",
        "..kwwwwwwwklk...",
        "..kwwwwwwwkkkk..",
        "..kwwwwwwwwwwk..",
        "..kwwwwwwwwwwk..",
        "..kwwwwwwwwwwk..",
        "..kwwwwwwwwwwk..",
        "..kwwwwwwyyyyk..",
        "..kwwwwwyyyyyyk.",
        "..kwwwwwyyyyyyk.",
        "..kwwwwwwyyyyk..",
        "..kwwwwwwwwwwk..",
        "..kwwwwwwwwwwk..",
        "..kkkkkkkkkkkk..",
        "................",
    ],
    'messages': [
        "................",
        "kkkkkkkkkkkkkkkk",
        "kbbbbbbbbbbbbbbk",
        "kkkkkkkkkkkkkkkk",
        "kwwwwwwwwwwwwwwk",
        "kwkkkkkkkkkkwwwk",
        "kwwwwwwwwwwwwwwk",
        "kwkkkkkkkkwwwwwk",
        "kwwwwwwwwwwwwwwk",
        "kwkkkkkkkkkkkwwk",
        "kwwwwwwwwwwwwwwk",
        "kwkkkkkkwwwwwwwk",
        "kwwwwwwwwwwwwwwk",
        "kkkkkkkkkkkkkkkk",
        "................",
        "................",
    ],
    'about': [
        "................",
        ".....kkkkkk.....",
        "...kkbbbbbbkk...",
        "..kbbbbwwbbbbk..",
        "..kbbbbwwbbbbk..",
        ".kbbbbbbbbbbbbk.",
        ".kbbbbwwwbbbbbk.",
        ".kbbbbbwwbbbbbk.",
        ".kbbbbbwwbbbbbk.",
        ".kbbbbbwwbbbbbk.",
        "..kbbbbwwbbbbk..",
        "..kbbbwwwwbbbk..",
        "...kkbbbbbbkk...",
        ".....kkkkkk.....",
        "................",
        "................",
    ],
}


def png(path, rows):
    height = len(rows)
    width = len(rows[0])
    raw = b''
    for row in rows:
        raw += b'\x00' + b''.join(struct.pack('BBBB', *PALETTE[c]) for c in row)

    def chunk(kind, data):
        body = kind + data
        return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body) & 0xffffffff)

    header = struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0)
    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) +
                chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def scaled(rows, factor):
    out = []
    for row in rows:
        wide = ''.join(c * factor for c in row)
        out.extend([wide] * factor)
    return out


for name, rows in ICONS.items():
    assert len(rows) == 16 and all(len(r) == 16 for r in rows), name
    png(name + '.png', rows)
png('program.png', scaled(ICONS['tree1'], 2))


def svg(path, rows):
    size = len(rows)
    squares = []
    for y, row in enumerate(rows):
        for x, c in enumerate(row):
            r, g, b, a = PALETTE[c]
            if a:
                squares.append(f'<rect x="{x}" y="{y}" width="1" height="1" '
                               f'fill="#{r:02x}{g:02x}{b:02x}"/>')
    with open(path, 'w') as f:
        f.write(f'<svg xmlns="http://www.w3.org/2000/svg" width="{size * 16}" '
                f'height="{size * 16}" viewBox="0 0 {size} {size}" '
                f'shape-rendering="crispEdges">\n')
        f.write('\n'.join(squares) + '\n</svg>\n')


THEME_SIZES = (16, 32, 48, 64, 128, 256)
for size in THEME_SIZES:
    folder = os.path.join('hicolor', f'{size}x{size}', 'apps')
    os.makedirs(folder, exist_ok=True)
    png(os.path.join(folder, 'kvvidiridoved.png'), scaled(ICONS['tree1'], size // 16))
os.makedirs(os.path.join('hicolor', 'scalable', 'apps'), exist_ok=True)
svg(os.path.join('hicolor', 'scalable', 'apps', 'kvvidiridoved.svg'), ICONS['tree1'])
