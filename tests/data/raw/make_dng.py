#!/usr/bin/env python3
"""Writes tiny.dng: a 64 x 48 uncompressed 16-bit Bayer (RGGB) DNG whose left
half is red and right half blue, for the camera RAW decoding test."""
import struct

W, H = 64, 48
pixels = bytearray()
for y in range(H):
    for x in range(W):
        red_site = (y % 2 == 0 and x % 2 == 0)
        blue_site = (y % 2 == 1 and x % 2 == 1)
        left = x < W // 2
        if red_site:
            v = 3500 if left else 200
        elif blue_site:
            v = 200 if left else 3500
        else:
            v = 300
        pixels += struct.pack('<H', v)

entries = []  # (tag, type, count, value bytes)
def add(tag, typ, values):
    fmt = {3: 'H', 4: 'I', 1: 'B', 2: 's', 10: 'i', 5: 'I'}[typ]
    if typ == 2:
        data = values.encode() + b'\0'
        count = len(data)
    elif typ in (5, 10):
        data = b''.join(struct.pack('<' + fmt * 2, *v) for v in values)
        count = len(values)
    else:
        data = struct.pack('<' + fmt * len(values), *values)
        count = len(values)
    entries.append((tag, typ, count, data))

add(254, 4, [0])                 # NewSubFileType: main image
add(256, 4, [W]); add(257, 4, [H])
add(258, 3, [16])                # BitsPerSample
add(259, 3, [1])                 # no compression
add(262, 3, [32803])             # CFA
add(271, 2, 'Rastelle'); add(272, 2, 'Test Sensor')
add(273, 4, [0])                 # StripOffsets, patched below
add(277, 3, [1]); add(278, 4, [H])
add(279, 4, [len(pixels)])
add(284, 3, [1])
add(33421, 3, [2, 2])            # CFARepeatPatternDim
add(33422, 1, [0, 1, 1, 2])      # CFAPattern: R G / G B
add(50706, 1, [1, 4, 0, 0])      # DNGVersion
add(50708, 2, 'Rastelle Test Sensor')
add(50717, 4, [4095])            # WhiteLevel
add(50721, 10, [(10000, 10000), (0, 10000), (0, 10000),
                (0, 10000), (10000, 10000), (0, 10000),
                (0, 10000), (0, 10000), (10000, 10000)])  # ColorMatrix1: identity
add(50728, 5, [(1, 1), (1, 1), (1, 1)])                  # AsShotNeutral
add(50778, 3, [21])              # CalibrationIlluminant1: D65

entries.sort()
ifd_offset = 8
ifd_size = 2 + 12 * len(entries) + 4
data_offset = ifd_offset + ifd_size
blob = bytearray()
ifd = bytearray(struct.pack('<H', len(entries)))
strip_entry_index = [i for i, e in enumerate(entries) if e[0] == 273][0]
for i, (tag, typ, count, data) in enumerate(entries):
    if len(data) <= 4:
        ifd += struct.pack('<HHI', tag, typ, count) + data.ljust(4, b'\0')
    else:
        ifd += struct.pack('<HHII', tag, typ, count, data_offset + len(blob))
        blob += data
        if len(blob) % 2:
            blob += b'\0'
ifd += struct.pack('<I', 0)
pixel_offset = data_offset + len(blob)
# Patch StripOffsets (stored inline).
pos = 2 + 12 * strip_entry_index + 8
ifd[pos:pos + 4] = struct.pack('<I', pixel_offset)
with open('tiny.dng', 'wb') as f:
    f.write(b'II*\0' + struct.pack('<I', ifd_offset) + ifd + blob + pixels)
