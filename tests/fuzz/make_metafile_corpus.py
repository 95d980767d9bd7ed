#!/usr/bin/env python3
"""Writes the seed corpus of the metafile-playing fuzz target to
corpus/metafile/: small EMF, EMF+ and WMF files that use each family of
records, and damaged and hostile copies of them. Run it again after
changing a seed; the fuzzer's own finds are added by hand.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus", "metafile")


def rec(kind, payload=b""):
    while len(payload) % 4:
        payload += b"\0"
    return struct.pack("<II", kind, 8 + len(payload)) + payload


def emf(records, frame=(0, 0, 2540, 2540), device=(1000, 1000), mm=(254, 254)):
    body = b"".join(records) + rec(14, struct.pack("<III", 0, 16, 0))
    count = len(records) + 2
    header = struct.pack("<II4i4iIIIIHHIII2i2i", 1, 88, 0, 0, 99, 99, *frame, 0x464D4520, 0x10000,
                         88 + len(body), count, 8, 0, 0, 0, 0, *device, *mm)
    return header + body


def colorref(r, g, b):
    return struct.pack("<BBBB", r, g, b, 0)


def points16(pts):
    return b"".join(struct.pack("<hh", x, y) for x, y in pts)


def poly16(kind, pts):
    return rec(kind, struct.pack("<4iI", 0, 0, 100, 100, len(pts)) + points16(pts))


def logfont(height, face):
    name = face.encode("utf-16-le")[:62].ljust(64, b"\0")
    return struct.pack("<5i8B", height, 0, 0, 0, 400, 0, 0, 0, 1, 0, 0, 0, 0) + name


def text_w(x, y, text, dx=None):
    chars = text.encode("utf-16-le")
    n = len(text)
    off_string = 76
    off_dx = off_string + ((len(chars) + 3) // 4) * 4
    emrtext = struct.pack("<2iIII4iI", x, y, n, off_string, 0x4, 0, 0, 100, 100, off_dx)
    head = struct.pack("<4iIff", 0, 0, 100, 100, 2, 1.0, 1.0) + emrtext
    body = chars.ljust(off_dx - off_string, b"\0")
    body += b"".join(struct.pack("<i", d) for d in (dx or [10] * n))
    return rec(84, head + body)


def dib24(width, height, rgb):
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, 0, 0, 0, 0, 0)
    row = b"".join(struct.pack("<BBB", b, g, r) for r, g, b in rgb[:width])
    row = row.ljust((width * 3 + 3) // 4 * 4, b"\0")
    return header, row * height


def stretch_dibits():
    bmi, bits = dib24(2, 2, [(255, 0, 0), (0, 0, 255)])
    fixed = struct.pack("<4i4i4iIIIIIIii", 0, 0, 100, 100, 10, 10, 0, 0, 2, 2, 80, 80, 80, len(bmi),
                        80 + len(bmi), len(bits), 0, 0x00CC0020, 60, 60)
    return rec(81, fixed + bmi + bits)


def emfplus_comment(records):
    data = b"EMF+" + b"".join(records)
    return rec(70, struct.pack("<I", len(data)) + data)


def plus(kind, flags, payload):
    return struct.pack("<HHII", kind, flags, 12 + len(payload), len(payload)) + payload


SHAPES = [
    rec(17, struct.pack("<I", 8)),                                  # SETMAPMODE anisotropic
    rec(9, struct.pack("<ii", 200, 200)),                           # SETWINDOWEXTEX
    rec(11, struct.pack("<ii", 100, 100)),                          # SETVIEWPORTEXTEX
    rec(39, struct.pack("<II", 1, 0) + colorref(0, 128, 0) + struct.pack("<I", 0)),
    rec(37, struct.pack("<I", 1)),
    rec(38, struct.pack("<IIii", 2, 0, 3, 0) + colorref(200, 0, 0)),
    rec(37, struct.pack("<I", 2)),
    poly16(86, [(10, 10), (190, 20), (100, 190)]),
    rec(43, struct.pack("<4i", 20, 20, 80, 60)),
    rec(42, struct.pack("<4i", 100, 100, 180, 160)),
    rec(44, struct.pack("<4i2i", 30, 120, 90, 180, 10, 10)),
    rec(47, struct.pack("<4i2i2i", 0, 0, 100, 100, 100, 50, 50, 0)),
    rec(33),
    rec(36, struct.pack("<6fI", 0.7, 0.7, -0.7, 0.7, 50, 0, 2)),
    rec(59), poly16(86, [(0, 0), (50, 0), (50, 50)]), rec(60), rec(62, struct.pack("<4i", 0, 0, 0, 0)),
    rec(34, struct.pack("<i", -1)),
    rec(30, struct.pack("<4i", 10, 10, 150, 150)),
    rec(75, struct.pack("<II", 48, 5) + struct.pack("<IIII4i", 32, 1, 1, 16, 0, 0, 50, 50) +
        struct.pack("<4i", 0, 0, 50, 50)),
    rec(87, struct.pack("<4iI", 0, 0, 100, 100, 3) + points16([(0, 0), (100, 100), (0, 100)])),
    rec(82, struct.pack("<I", 3) + logfont(-20, "Arial")),
    rec(37, struct.pack("<I", 3)),
    text_w(20, 40, "Rastelle"),
    stretch_dibits(),
]

EMF_PLUS = [
    emfplus_comment([plus(0x4001, 1, struct.pack("<IIII", 0xDBC01002, 0, 96, 96))]),   # header
    emfplus_comment([plus(0x400A, 0x8000, struct.pack("<II", 0xFF0000FF, 1) +      # FillRects, inline colour
                          struct.pack("<4f", 10, 10, 50, 30))]),
    emfplus_comment([plus(0x4004, 0, b"")]),                                          # GetDC
    rec(43, struct.pack("<4i", 5, 5, 40, 40)),
    emfplus_comment([plus(0x4002, 0, b"")]),                                          # EndOfFile
]


def wmf(records, placeable=True, box=(0, 0, 1000, 1000), inch=1000):
    words = b"".join(records) + struct.pack("<IH", 3, 0)
    size_words = (18 + len(words)) // 2
    header = struct.pack("<HHHIHIH", 1, 9, 0x300, size_words, 4, 64, 0)
    out = header + words
    if placeable:
        head = struct.pack("<IH4hHI", 0x9AC6CDD7, 0, *box, inch, 0)
        check = 0
        for i in range(0, 20, 2):
            check ^= struct.unpack("<H", head[i:i + 2])[0]
        out = head + struct.pack("<H", check) + out
    return out


def wrec(function, *params):
    return struct.pack("<IH", 3 + len(params), function) + b"".join(struct.pack("<h", p) for p in params)


def wrec_raw(function, payload):
    if len(payload) % 2:
        payload += b"\0"
    return struct.pack("<IH", 3 + len(payload) // 2, function) + payload


WMF_SHAPES = [
    wrec(0x020B, 0, 0),                  # SETWINDOWORG y, x
    wrec(0x020C, 1000, 1000),            # SETWINDOWEXT y, x
    wrec_raw(0x02FC, struct.pack("<H", 0) + colorref(0, 0, 255) + struct.pack("<H", 0)),  # CREATEBRUSHINDIRECT
    wrec(0x012D, 0),                     # SELECTOBJECT
    wrec_raw(0x02FA, struct.pack("<Hhh", 0, 20, 0) + colorref(255, 0, 0)),  # CREATEPENINDIRECT
    wrec(0x012D, 1),
    wrec(0x0418, 900, 900, 100, 100),    # ELLIPSE bottom, right, top, left
    wrec(0x041B, 500, 500, 200, 200),    # RECTANGLE
    wrec_raw(0x0324, struct.pack("<h", 3) + points16([(0, 0), (999, 0), (500, 999)])),  # POLYGON
    wrec_raw(0x0538, struct.pack("<hhh", 2, 3, 3) + points16([(0, 0), (100, 0), (0, 100)] * 2)),
    wrec(0x0416, 600, 600, 100, 100),    # INTERSECTCLIPRECT
    wrec_raw(0x02FB, struct.pack("<5h8B", -100, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0) + b"Arial\0\0\0"),
    wrec(0x012D, 2),
    wrec_raw(0x0521, struct.pack("<h", 4) + b"Text" + struct.pack("<hh", 500, 100)),  # TEXTOUT
    wrec(0x01F0, 1),                     # DELETEOBJECT
]


def damaged(name, data, out):
    out[name + "-truncated"] = data[:len(data) * 2 // 3]
    out[name + "-header-only"] = data[:120]
    flipped = bytearray(data)
    for i in range(90, len(flipped), 37):
        flipped[i] ^= 0xFF
    out[name + "-flipped"] = bytes(flipped)


def main():
    os.makedirs(OUT, exist_ok=True)
    seeds = {
        "emf-shapes": emf(SHAPES),
        "emf-plus-dual": emf(EMF_PLUS),
        "emf-mm-text": emf([rec(17, struct.pack("<I", 1)), rec(43, struct.pack("<4i", 1, 1, 50, 50))]),
        "emf-metric": emf([rec(17, struct.pack("<I", 2)), rec(42, struct.pack("<4i", 0, 0, 500, -500))]),
        "emf-huge-count": emf([rec(86, struct.pack("<4iI", 0, 0, 1, 1, 0x7FFFFFFF))]),
        "emf-huge-size": emf([struct.pack("<II", 43, 0xFFFFFFF0)]),
        "emf-absurd-frame": emf([rec(43, struct.pack("<4i", 0, 0, 5, 5))], frame=(0, 0, 0x7FFFFFFF, 1)),
        "wmf-placeable": wmf(WMF_SHAPES),
        "wmf-plain": wmf(WMF_SHAPES, placeable=False),
        "wmf-huge-objects": wmf([wrec_raw(0x02FC, struct.pack("<H", 0) + colorref(0, 0, 0) +
                                          struct.pack("<H", 0))] * 70, inch=1),
    }
    for name in ("emf-shapes", "emf-plus-dual", "wmf-placeable"):
        damaged(name, seeds[name], seeds)
    for name, data in seeds.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)
    print(f"{len(seeds)} seeds in {OUT}")


if __name__ == "__main__":
    main()
