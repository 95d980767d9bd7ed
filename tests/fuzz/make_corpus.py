#!/usr/bin/env python3
"""Writes the seed corpus of the bitmap-reading fuzz target to corpus/dib/:
small files of every layout the reader knows, and broken and hostile ones.
Run it again after changing a seed; the fuzzer's own finds are added by hand.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus", "dib")


def info(width, height, bits, compression=0, image_size=0, used=0, size=40, planes=1):
    header = struct.pack("<IiiHHIIiiII", 40, width, height, planes, bits, compression,
                         image_size, 0, 0, used, used)
    if size != 40:
        header = struct.pack("<I", size) + header[4:] + bytes(max(0, size - 40))
    return header


def versioned(width, height, bits, compression, size, masks):
    """A header of 52 bytes or more with its masks inside."""
    header = info(width, height, bits, compression) + b"".join(struct.pack("<I", m) for m in masks)
    return struct.pack("<I", size) + header[4:] + bytes(size - len(header))


def masks(*values):
    return b"".join(struct.pack("<I", m) for m in values)


def os2(width, height, bits, size):
    """An OS/2 2.x header of 16 to 64 bytes."""
    return struct.pack("<I", size) + (info(width, height, bits) + bytes(24))[4:size]


def core(width, height, bits):
    return struct.pack("<IHHHH", 12, width, height, 1, bits)


def quads(colors):
    return b"".join(struct.pack("<BBBB", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF, 0)
                    for c in colors)


def triples(colors):
    return b"".join(struct.pack("<BBB", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF)
                    for c in colors)


def bmp(head, pixels, offset=None, size=None):
    if offset is None:
        offset = 14 + len(head)
    if size is None:
        size = 14 + len(head) + len(pixels)
    return b"BM" + struct.pack("<IHHI", size, 0, 0, offset) + head + pixels


def stride(width, bits):
    return (width * bits + 31) // 32 * 4


def pattern(n, modulo=256):
    return bytes((i * 37 + i // 7) % modulo for i in range(n))


GREYS16 = [0x111111 * i for i in range(16)]
SHADES256 = [(i << 16) | ((255 - i) << 8) | (i ^ 0x5A) for i in range(256)]

SEEDS = {
    "valid-1bit.bmp": bmp(info(13, 5, 1) + quads([0x000000, 0xFFFFFF]),
                          pattern(stride(13, 1) * 5)),
    "valid-4bit.bmp": bmp(info(9, 4, 4) + quads(GREYS16), pattern(stride(9, 4) * 4, 256)),
    "valid-8bit.bmp": bmp(info(7, 6, 8) + quads(SHADES256), pattern(stride(7, 8) * 6)),
    "valid-8bit-few-colors.bmp": bmp(info(5, 3, 8, used=5) + quads(GREYS16[:5]),
                                     bytes([0, 1, 2, 3, 9, 0, 0, 0] * 3)[:stride(5, 8) * 3]),
    "valid-16bit.bmp": bmp(info(5, 3, 16), pattern(stride(5, 16) * 3)),
    "valid-16bit-bitfields.bmp": bmp(info(5, 3, 16, compression=3), pattern(stride(5, 16) * 3)),
    "valid-24bit.bmp": bmp(info(5, 4, 24), pattern(stride(5, 24) * 4)),
    "valid-24bit-topdown.bmp": bmp(info(5, -4, 24), pattern(stride(5, 24) * 4)),
    "valid-24bit-with-table.bmp": bmp(info(4, 2, 24, used=16) + quads(GREYS16),
                                      pattern(stride(4, 24) * 2)),
    "valid-32bit.bmp": bmp(info(4, 3, 32), pattern(stride(4, 32) * 3)),
    "core-8bit.bmp": bmp(core(6, 3, 8) + triples(SHADES256), pattern(stride(6, 8) * 3)),
    "core-4bit-bare.dib": core(6, 3, 4) + triples(GREYS16) + pattern(stride(6, 4) * 3),
    "core-24bit.bmp": bmp(core(3, 3, 24), pattern(stride(3, 24) * 3) + bytes(16)),
    "bare-8bit.dib": info(4, 2, 8, used=4) + quads(GREYS16[:4]) + bytes([0, 1, 2, 3] * 2),
    "rle8.bmp": bmp(info(8, 4, 8, compression=1, image_size=30, used=4) + quads(GREYS16[:4]),
                    bytes([3, 1, 0, 3, 2, 3, 1, 0, 0, 0,      # run, literal of three
                           0, 2, 2, 1, 4, 2, 0, 0,            # move, run, end of row
                           8, 3, 0, 0, 0, 4, 1, 2, 3, 0, 0, 1])),
    "rle4.bmp": bmp(info(8, 4, 4, compression=2, image_size=24, used=16) + quads(GREYS16),
                    bytes([4, 0x12, 0, 5, 0x34, 0x56, 0x70, 0, 0, 0,
                           0, 2, 1, 1, 3, 0xAB, 0, 0, 0, 4, 0xCD, 0xEF, 0, 1])),
    "rle8-past-edges.bmp": bmp(info(3, 2, 8, compression=1, image_size=16, used=2) +
                               quads([0, 0xFFFFFF]),
                               bytes([255, 1, 0, 2, 255, 255, 0, 255, 1, 2, 3, 0, 0, 0, 0, 0])),
    "truncated-pixels.bmp": bmp(info(16, 16, 8) + quads(SHADES256), pattern(100)),
    "truncated-header.bmp": bmp(info(16, 16, 8), b"")[:40],
    "header-108.bmp": bmp(info(2, 2, 24, size=108), bytes(16)),
    "valid-2bit.bmp": bmp(info(9, 3, 2) + quads(GREYS16[:4]), pattern(stride(9, 2) * 3)),
    "valid-16bit-alphabitfields.bmp": bmp(info(5, 3, 16, compression=6) +
                                          masks(0x0F00, 0x00F0, 0x000F, 0xF000),
                                          pattern(stride(5, 16) * 3)),
    "valid-32bit-v3-alpha.bmp": bmp(versioned(3, 2, 32, 3, 56, [0xFF0000, 0xFF00, 0xFF,
                                                                0xFF000000]),
                                    pattern(stride(3, 32) * 2)),
    "valid-32bit-v5-1010102.bmp": bmp(versioned(3, 2, 32, 3, 124, [0x3FF00000, 0xFFC00, 0x3FF,
                                                                   0xC0000000]),
                                      pattern(stride(3, 32) * 2)),
    "valid-64bit.bmp": bmp(info(3, 2, 64), pattern(stride(3, 64) * 2)),
    "os2-16-byte-4bit.bmp": bmp(os2(6, 3, 4, 16) + quads(GREYS16), pattern(stride(6, 4) * 3)),
    "os2-64-byte-8bit.bmp": bmp(os2(6, 3, 8, 64) + quads(SHADES256), pattern(stride(6, 8) * 3)),
    "embedded-png.bmp": bmp(info(1, 1, 0, compression=5, image_size=16),
                            b"\x89PNG\r\n\x1a\n" + bytes(8)),
    "hostile-colors-ffff.bmp": bmp(info(2, 2, 8, used=0xFFFF) + quads([0, 0xFFFFFF]), bytes(8)),
    "hostile-colors-16383.bmp": bmp(info(2, 2, 8, used=16383) + quads([0, 0xFFFFFF]), bytes(8)),
    "hostile-huge-dims.bmp": bmp(info(0x7FFFFFFF, 0x7FFFFFFF, 24), bytes(8)),
    "hostile-gigabytes.bmp": bmp(info(1, 1, 24, image_size=0xC0000000), bytes(46)),
    "hostile-negative-width.bmp": bmp(info(-5, 3, 24, image_size=48), bytes(48)),
    "hostile-min-height.bmp": bmp(info(1, -0x80000000, 8, image_size=4, used=1) + quads([1]),
                                  bytes(4)),
    "hostile-offset-beyond.bmp": bmp(info(2, 2, 1) + quads([0, 0xFFFFFF]), b"", offset=0x7FFFFFF0),
    "hostile-rle-huge.bmp": bmp(info(65536, 65536, 8, compression=1, image_size=4, used=2) +
                                quads([0, 0xFFFFFF]), bytes([255, 1, 0, 1])),
}


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, data in SEEDS.items():
        assert len(data) < 4096, name
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)
    print(f"wrote {len(SEEDS)} seeds to {OUT}")


if __name__ == "__main__":
    main()
