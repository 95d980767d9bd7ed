// The device-dependent bitmaps of 16-bit Windows that old WMF records carry:
// width, height, bytes a row, planes and bits a pixel, then the rows top-down.
#pragma once

#include "metafile/Canvas.h"
#include "metafile/PlayLimits.h"

#include <cstdint>
#include <span>

namespace metafile {

struct Bitmap16Fields
{
    int width = 0, height = 0, widthBytes = 0, planes = 0, bitsPixel = 0;
};

// The ten-byte header (type, width, height, widthBytes, planes, bitsPixel).
bool ReadBitmap16Header(std::span<const std::uint8_t> bytes, Bitmap16Fields& out);

// Decodes the rows. A 1-bit bitmap comes out black for 0 bits and white for
// 1 bits (the caller recolours it, as a monochrome bitmap takes the device
// context's colours); 4 and 8 bits index the system's colours. False when
// the bits are short of height rows (of widthBytes, or failing that of
// word-padded rows), the format is not one of 1, 4, 8, 16,
// 24 or 32 bits in one plane, or the budget refuses it.
bool DecodeBitmap16(const Bitmap16Fields& fields, std::span<const std::uint8_t> bits,
                    PlayBudget& budget, Image& out);

} // namespace metafile
