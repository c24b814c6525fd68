#!/usr/bin/env python3
"""Writes the hand-made seed files of the fuzz corpora (fuzz/corpus/<target>/gen-*): small valid
files of every variant a reader accepts and the malformed cases each reader must refuse cleanly.
Run it again after changing it; the files it writes are committed."""
import os
import struct
import sys

ROOT = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(ROOT, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "gen-" + name), "wb") as f:
        f.write(data)


# ---- BMP ------------------------------------------------------------------------------------------

def bmp(width, height, bits, pixels, *, header=40, compression=0, palette=None, masks=None,
        planes=1, colours_used=None, gap=0, offset=None, file_size=None, image_size=None):
    """A BMP file: file header, information header of `header` bytes, masks, palette, gap, pixels."""
    palette = palette or []
    if header == 12:
        info = struct.pack("<IHHHH", 12, width & 0xFFFF, height & 0xFFFF, planes, bits)
        table = b"".join(bytes([b, g, r]) for r, g, b in palette)
    else:
        used = len(palette) if colours_used is None else colours_used
        info = struct.pack("<IiiHHIIiiII", header, width, height, planes, bits, compression,
                           len(pixels) if image_size is None else image_size, 2835, 2835, used, 0)
        extra = b""
        if masks is not None and header >= 52:
            extra = struct.pack("<III", *masks[:3]) + (struct.pack("<I", masks[3] if len(masks) > 3 else 0)
                                                       if header >= 56 else b"")
            masks = None if header >= 52 else masks
        info += extra
        info = info.ljust(header, b"\0")
        table = b"".join(bytes([b, g, r, 0]) for r, g, b in palette)
    mask_block = struct.pack("<III", *masks[:3]) if (masks is not None and header == 40) else b""
    head_len = 14 + len(info) + len(mask_block) + len(table) + gap
    data_offset = head_len if offset is None else offset
    body = info + mask_block + table + b"\0" * gap + pixels
    size = 14 + len(body) if file_size is None else file_size
    return b"BM" + struct.pack("<IHHI", size, 0, 0, data_offset) + body


def rows(width, height, bits, value):
    """Pixel rows padded to 4 bytes, every pixel a pattern from `value(x, y)` (bytes per pixel)."""
    out = b""
    for y in range(height):
        if bits >= 8:
            row = b"".join(value(x, y) for x in range(width))
        else:
            per = 8 // bits
            row = bytearray((width * bits + 7) // 8)
            for x in range(width):
                row[x // per] |= (value(x, y) & ((1 << bits) - 1)) << (8 - bits * (x % per + 1))
            row = bytes(row)
        out += row + b"\0" * (-len(row) % 4)
    return out


def bmp_seeds():
    grey = [(i * 17, i * 17, i * 17) for i in range(16)]
    pal256 = [(i, 255 - i, (i * 7) & 255) for i in range(256)]
    w, h = 5, 3
    p1 = rows(w, h, 1, lambda x, y: (x + y) & 1)
    p4 = rows(w, h, 4, lambda x, y: x + 4 * y)
    p8 = rows(w, h, 8, lambda x, y: bytes([x * 40 + y]))
    p16 = rows(w, h, 16, lambda x, y: struct.pack("<H", (x << 10) | (y << 5) | 7))
    p24 = rows(w, h, 24, lambda x, y: bytes([x * 50, y * 80, 200]))
    p32 = rows(w, h, 32, lambda x, y: bytes([x * 50, y * 80, 200, 7]))
    for header in (12, 40, 52, 56, 108, 124):
        write("bmp", f"pal1-h{header}.bmp", bmp(w, h, 1, p1, header=header, palette=[(0, 0, 0), (255, 255, 255)]))
        write("bmp", f"pal4-h{header}.bmp", bmp(w, h, 4, p4, header=header, palette=grey))
        write("bmp", f"pal8-h{header}.bmp", bmp(w, h, 8, p8, header=header, palette=pal256))
        write("bmp", f"rgb24-h{header}.bmp", bmp(w, h, 24, p24, header=header))
        if header != 12:
            write("bmp", f"rgb16-h{header}.bmp", bmp(w, h, 16, p16, header=header))
            write("bmp", f"rgb32-h{header}.bmp", bmp(w, h, 32, p32, header=header))
            write("bmp", f"rgb16-565-h{header}.bmp",
                  bmp(w, h, 16, p16, header=header, compression=3, masks=(0xF800, 0x07E0, 0x001F)))
            write("bmp", f"rgb32-bf-h{header}.bmp",
                  bmp(w, h, 32, p32, header=header, compression=3, masks=(0x00FF0000, 0x0000FF00, 0x000000FF)))
    write("bmp", "rgb24-topdown.bmp", bmp(w, -h, 24, p24))
    write("bmp", "pal8-topdown.bmp", bmp(w, -h, 8, p8, palette=pal256))
    write("bmp", "rgb24-gap.bmp", bmp(w, h, 24, p24, gap=16))
    write("bmp", "rgb24-offset-inside-table.bmp", bmp(w, h, 8, p8, palette=pal256, offset=20))
    write("bmp", "rgb24-offset-past-end.bmp", bmp(w, h, 24, p24, offset=100000))
    write("bmp", "rgb24-1x1.bmp", bmp(1, 1, 24, b"\x10\x20\x30\0"))
    write("bmp", "rgb24-short-pixels.bmp", bmp(w, h, 24, p24[:20]))
    write("bmp", "pal8-used-3.bmp", bmp(w, h, 8, p8, palette=pal256[:3], colours_used=3))
    # Run-length coded: runs, end of line, delta, absolute runs (odd and even), end of picture.
    rle8 = bytes([3, 1, 2, 2, 0, 0,  0, 2, 1, 0,  0, 3, 4, 5, 6, 0, 2, 7,  0, 0,  5, 9, 0, 1])
    write("bmp", "rle8.bmp", bmp(w, h, 8, rle8, compression=1, palette=pal256))
    rle4 = bytes([3, 0x12, 2, 0x34, 0, 0,  0, 2, 1, 0,  0, 3, 0x45, 0x60, 1, 0x77, 0, 0,  5, 0x9A, 0, 1])
    write("bmp", "rle4.bmp", bmp(w, h, 4, rle4, compression=2, palette=grey))
    write("bmp", "rle8-topdown.bmp", bmp(w, -h, 8, rle8, compression=1, palette=pal256))
    # Malformed cases each reader must refuse with its own message.
    good = bmp(w, h, 24, p24)
    for cut in (1, 2, 10, 14, 20, 40, 54):
        write("bmp", f"bad-truncated-{cut}.bmp", good[:cut])
    write("bmp", "bad-planes-2.bmp", bmp(w, h, 24, p24, planes=2))
    write("bmp", "bad-bits-7.bmp", bmp(w, h, 7, p24))
    write("bmp", "bad-width-0.bmp", bmp(0, h, 24, p24))
    write("bmp", "bad-width-negative.bmp", bmp(-5, h, 24, p24))
    write("bmp", "bad-height-0.bmp", bmp(w, 0, 24, p24))
    write("bmp", "bad-size-overflow.bmp", bmp(0x10000, 0x10000, 32, p32))
    write("bmp", "bad-size-huge.bmp", bmp(0x7FFFFFFF, 0x7FFFFFFF, 24, p24))
    write("bmp", "bad-colours-used-300.bmp", bmp(w, h, 8, p8, palette=pal256, colours_used=300))
    write("bmp", "bad-masks-0.bmp", bmp(w, h, 16, p16, compression=3, masks=(0, 0, 0)))
    write("bmp", "bad-rle8-past-row.bmp", bmp(w, h, 8, bytes([200, 1, 0, 0, 0, 250, 3, 0, 1]), compression=1, palette=pal256))
    write("bmp", "bad-rle8-past-picture.bmp", bmp(w, h, 8, bytes([0, 2, 200, 200, 5, 1, 0, 1]), compression=1, palette=pal256))
    write("bmp", "bad-rle4-absolute-past-row.bmp", bmp(w, h, 4, bytes([0, 200] + [0x11] * 100 + [0, 1]), compression=2, palette=grey))
    write("bmp", "bad-rle-without-end.bmp", bmp(w, h, 8, bytes([2, 1]), compression=1, palette=pal256))
    write("bmp", "bad-rgb16-rle8.bmp", bmp(w, h, 16, p16, compression=1))
    write("bmp", "bad-rgb32-rle4.bmp", bmp(w, h, 32, p32, compression=2))
    write("bmp", "bad-header-size-20.bmp", bmp(w, h, 24, p24, header=20))
    write("bmp", "bad-compression-9.bmp", bmp(w, h, 24, p24, compression=9))
    write("bmp", "bad-magic.bmp", b"MB" + good[2:])


# ---- JPEG -----------------------------------------------------------------------------------------

def jpeg_seeds():
    """Damaged variants of a small baseline file that lies in the corpus beside them."""
    with open(os.path.join(ROOT, "corpus", "jpeg", "video-001.q50.420.jpg"), "rb") as f:
        good = f.read()
    sof = good.index(b"\xff\xc0")

    def with_size(width, height):
        return good[:sof + 5] + struct.pack(">HH", height, width) + good[sof + 9:]

    write("jpeg", "empty.jpg", b"")
    write("jpeg", "bad-not-ffd8.jpg", b"\x89PNG" + good[4:])
    write("jpeg", "bad-only-soi.jpg", good[:2])
    for cut in (4, 20, sof + 4, sof + 12, len(good) // 2, len(good) - 2):
        write("jpeg", f"bad-truncated-{cut}.jpg", good[:cut])
    write("jpeg", "bad-size-0x0.jpg", with_size(0, 0))
    write("jpeg", "bad-size-65500x65500.jpg", with_size(65500, 65500))
    write("jpeg", "size-1x1.jpg", with_size(1, 1))
    write("jpeg", "bad-garbage-after-header.jpg", good[:len(good) // 3] + bytes(range(256)) * 4)


# ---- settings file ------------------------------------------------------------------------------

def ini_seeds():
    usual = ("[FileName]\r\nLeft=/home/user/cover.bmp\r\nMiddle=/home/user/secret.gif\r\n"
             "[JPEG]\r\nQuality=95\r\n[Show]\r\nReadMe=1\r\n[Image]\r\nMode=1\r\n"
             "[Position]\r\nLeft=119\r\nWidth=786\r\nTop=151\r\nHeight=466\r\n")
    write("ini", "usual.ini", usual.encode())
    write("ini", "usual-lf.ini", usual.replace("\r\n", "\n").encode())
    write("ini", "empty.ini", b"")
    write("ini", "odd-values.ini", b"[jpeg]\nquality = 0x20 \n[IMAGE]\nMODE=-5\n[Position]\nLeft=$7FFFFFFF\n"
                                   b"Width=0X\nTop=-2147483648\nHeight=2147483648\n[Show]\nReadMe=abc\n")
    write("ini", "duplicates.ini", b"[FileName]\nLeft=a.bmp\nLeft=b.bmp\n[filename]\nMiddle=c.jpg\n[FileName]\nLeft=d.gif\n")
    write("ini", "no-sections.ini", b"Left=a.bmp\nQuality=5\n")
    write("ini", "comments-and-blanks.ini", b"; settings\n\n  [ JPEG ]  \n  Quality  =  42  \n=nokey\n[Image\nMode=2\n[]\n=\n")
    write("ini", "long-value.ini", b"[FileName]\nLeft=" + b"x" * 3000 + b"\nMiddle=" + b"y" * 2047 + b"\n")
    write("ini", "binary.ini", bytes(range(256)) + b"\n[FileName]\nLeft=\x00\xff\n")
    write("ini", "cr-only.ini", b"[JPEG]\rQuality=7\r[Image]\rMode=0\r")


TARGETS = {"bmp": bmp_seeds, "jpeg": jpeg_seeds, "ini": ini_seeds}

if __name__ == "__main__":
    for name in sys.argv[1:] or TARGETS:
        TARGETS[name]()
