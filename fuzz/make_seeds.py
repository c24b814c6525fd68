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


# ---- GIF ------------------------------------------------------------------------------------------

def lzw(indices, min_code_size):
    """A plain GIF LZW coder: returns the code stream's bytes (clear first, end last)."""
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    width, next_code, table = min_code_size + 1, end + 1, {}
    bits, nbits, out = 0, 0, bytearray()

    def emit(code):
        nonlocal bits, nbits
        bits |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8

    emit(clear)
    prefix = None
    for k in indices:
        if prefix is None:
            prefix = k
            continue
        if (prefix, k) in table:
            prefix = table[(prefix, k)]
            continue
        emit(prefix)
        if next_code < 4096:
            table[(prefix, k)] = next_code
            next_code += 1
            if next_code > (1 << width) and width < 12:
                width += 1
        else:
            emit(clear)
            table, next_code, width = {}, end + 1, min_code_size + 1
        prefix = k
    if prefix is not None:
        emit(prefix)
    emit(end)
    if nbits:
        out.append(bits & 0xFF)
    return bytes(out)


def sub_blocks(data):
    out = b"".join(bytes([len(data[i:i + 255])]) + data[i:i + 255] for i in range(0, len(data), 255))
    return out + b"\0"


def gif_frame(left, top, w, h, indices, min_code_size=2, local=None, interlaced=False, code=None):
    packed = (0x80 | (len(local).bit_length() - 2) if local else 0) | (0x40 if interlaced else 0)
    table = b"".join(bytes(c) for c in local) if local else b""
    data = lzw(indices, min_code_size) if code is None else code
    return (b"," + struct.pack("<HHHHB", left, top, w, h, packed) + table + bytes([min_code_size]) +
            sub_blocks(data))


def gif(w, h, blocks, table=((0, 0, 0), (255, 255, 255), (255, 0, 0), (0, 0, 255)), version=b"89a",
        trailer=True, background=0):
    packed = (0x80 | 0x10 | (len(table).bit_length() - 2)) if table else 0
    head = b"GIF" + version + struct.pack("<HHBBB", w, h, packed, background, 0)
    return head + (b"".join(bytes(c) for c in table) if table else b"") + b"".join(blocks) + (b";" if trailer else b"")


def gce(transparent=None, delay=0, disposal=0):
    flags = (disposal << 2) | (1 if transparent is not None else 0)
    return b"!\xf9\x04" + struct.pack("<BHB", flags, delay, transparent or 0) + b"\0"


def gif_seeds():
    w, h = 6, 5
    pix = [(x + y) % 4 for y in range(h) for x in range(w)]
    frame = gif_frame(0, 0, w, h, pix)
    write("gif", "plain-89a.gif", gif(w, h, [frame]))
    write("gif", "plain-87a.gif", gif(w, h, [frame], version=b"87a"))
    write("gif", "lowercase-signature.gif", b"gif89a" + gif(w, h, [frame])[6:])
    write("gif", "prefixed-4-bytes.gif", b"\0\0\0\0" + gif(w, h, [frame]))
    write("gif", "interlaced.gif", gif(w, h, [gif_frame(0, 0, w, h, pix, interlaced=True)]))
    for rows in (1, 2, 3, 5, 9):
        write("gif", f"interlaced-height-{rows}.gif",
              gif(w, rows, [gif_frame(0, 0, w, rows, [x % 4 for _ in range(rows) for x in range(w)], interlaced=True)]))
    write("gif", "transparent.gif", gif(w, h, [gce(transparent=1), frame]))
    write("gif", "transparent-unused.gif", gif(w, h, [gce(transparent=200), frame]))
    write("gif", "local-table.gif", gif(w, h, [gif_frame(0, 0, w, h, pix, local=[(9, 9, 9), (90, 90, 90), (1, 2, 3), (200, 100, 0)])], table=None))
    write("gif", "no-table.gif", gif(w, h, [frame], table=None))
    write("gif", "frame-offset.gif", gif(20, 30, [gif_frame(10, 20, w, h, pix)]))
    write("gif", "frame-outside-screen.gif", gif(w, h, [gif_frame(60000, 60000, w, h, pix)]))
    write("gif", "frame-zero-size.gif", gif(w, h, [gif_frame(0, 0, 0, 0, [])]))
    write("gif", "several-frames.gif", gif(w, h, [gce(delay=10, disposal=2), frame, gce(transparent=0, disposal=3),
                                                   gif_frame(1, 1, 3, 2, [1, 2, 3, 0, 1, 2])]))
    ext = [b"!\xfe" + sub_blocks(b"a comment"),
           b"!\x01\x0c" + struct.pack("<HHHHBBBB", 0, 0, 6, 5, 1, 1, 1, 0) + b"\0" + sub_blocks(b"text"),
           b"!\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00",
           b"!\xff\x0bXMP DataXMP" + sub_blocks(b"<x/>"),
           b"!\xff\x0cLONGERAPPID12" + sub_blocks(b"data"),
           b"!\xff\x08SHORTAPP" + sub_blocks(b"d"),
           b"!\x99" + sub_blocks(b"unknown extension")]
    write("gif", "every-extension.gif", gif(w, h, ext + [gce(), frame]))
    write("gif", "extensions-before-trailer.gif", gif(w, h, [frame, b"!\xfe" + sub_blocks(b"late")]))
    write("gif", "header-and-trailer-only.gif", gif(w, h, []))
    write("gif", "zero-bytes-between-blocks.gif", gif(w, h, [b"\0\0", frame]))
    write("gif", "no-trailer.gif", gif(w, h, [frame], trailer=False))
    big = [(x * 7 + y * 3) % 256 for y in range(64) for x in range(64)]
    grey = [(i, i, i) for i in range(256)]
    write("gif", "8bit-64x64-table-full.gif", gif(64, 64, [gif_frame(0, 0, 64, 64, big, min_code_size=8)], table=grey))
    for size in range(0, 13):
        write("gif", f"code-size-{size}.gif", gif(w, h, [gif_frame(0, 0, w, h, pix, min_code_size=size,
                                                                 code=lzw(pix, max(2, min(size, 11))))]))
    good = gif(w, h, [frame])
    for cut in (3, 6, 10, 13, 20, len(good) - 3, len(good) - 1):
        write("gif", f"bad-truncated-{cut}.gif", good[:cut])
    write("gif", "bad-signature.gif", b"PNG89a" + good[6:])
    write("gif", "bad-code-beyond-next.gif", gif(w, h, [gif_frame(0, 0, w, h, pix, code=bytes([0x04, 0xFF, 0xFF, 0x0F]))]))
    write("gif", "bad-no-data.gif", gif(w, h, [b"," + struct.pack("<HHHHB", 0, 0, w, h, 0) + b"\x02\0"]))
    write("gif", "bad-huge-screen.gif", gif(65535, 65535, [gif_frame(0, 0, 65535, 65535, pix)]))
    write("gif", "bad-huge-frame.gif", gif(w, h, [gif_frame(0, 0, 65535, 65535, pix)]))
    write("gif", "bad-unknown-block.gif", gif(w, h, [frame, b"X"]))
    write("gif", "extension-flood.gif", gif(w, h, [b"!\xfe\x00" * 2000, frame]))


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


# ---- round trip ---------------------------------------------------------------------------------

def roundtrip_seeds():
    """Pairs of small seeds of the other targets, with every operation and every saved format."""
    def seed(target, name):
        with open(os.path.join(ROOT, "corpus", target, name), "rb") as f:
            return f.read()
    pictures = {0: seed("bmp", "gen-rgb24-h40.bmp"), 1: seed("jpeg", "video-001.q50.420.jpg"),
                2: seed("gif", "gen-plain-89a.gif")}
    secret = {0: seed("bmp", "gen-pal1-h40.bmp"), 2: seed("gif", "gen-transparent.gif")}
    for operation in range(8):
        for out in range(3):
            left_format = operation % 3
            middle_format = 0 if operation % 2 else 2
            left, middle = pictures[left_format], secret[middle_format]
            head = bytes([operation, left_format | middle_format << 2 | out << 4, 95]) + struct.pack("<H", len(left))
            write("roundtrip", f"op{operation}-save{out}.bin", head + left + middle)


TARGETS = {"bmp": bmp_seeds, "gif": gif_seeds, "jpeg": jpeg_seeds, "ini": ini_seeds, "roundtrip": roundtrip_seeds}

if __name__ == "__main__":
    for name in sys.argv[1:] or TARGETS:
        TARGETS[name]()
