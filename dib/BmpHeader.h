// The information header of a bitmap file in any of its versions, read into
// one record: the 12-byte OS/2 1.x form, OS/2 2.x forms of 16 to 64 bytes
// (fields beyond the stated size are absent), and the Windows versions of
// 40, 52, 56, 108 and 124 bytes.
#pragma once

#include "dib/DibFormat.h"

#include <array>
#include <cstdint>

constexpr std::uint32_t kLargestInfoHeader = 124;

struct BmpHeader
{
    std::uint32_t size = 0;
    bool core = false; // OS/2 1.x: 16-bit sizes, 3-byte colour-table entries
    bool os2 = false;  // OS/2 2.x: compression 3 and 4 mean Huffman 1D and RLE24
    std::int64_t width = 0;
    std::int64_t height = 0; // negative: rows top to bottom
    std::uint16_t planes = 0;
    std::uint16_t bits = 0;
    std::uint32_t compression = BI_RGB;
    std::uint32_t imageSize = 0;
    std::int32_t ppmX = 0;
    std::int32_t ppmY = 0;
    std::uint32_t colorsUsed = 0;
    std::uint32_t colorsImportant = 0;
    // Red, green, blue and alpha masks held in the header itself (version 2
    // on: three masks, version 3 on: four); zero where the version has none.
    std::array<std::uint32_t, 4> masks = {};
    bool alphaMaskInHeader = false;
};

// True for the header sizes above; any other size is of no known version.
bool IsKnownBmpHeaderSize(std::uint32_t size);

// Bits per pixel a bitmap's pixels can have (0, for embedded PNG or JPEG
// data, aside).
bool IsBmpDepth(std::uint16_t bits);

// The header from its size bytes (size must be known, see above).
BmpHeader ParseBmpHeader(const std::uint8_t* bytes, std::uint32_t size);

// Bit-field compression (BI_BITFIELDS or BI_ALPHABITFIELDS in a Windows
// header; OS/2 uses those values for other codings).
bool HasBitFields(const BmpHeader& header);
// Bytes of masks that follow the header: 12 or 16 behind a 40-byte header
// with bit fields, none otherwise (later versions hold them inside).
std::uint32_t TrailingMaskBytes(const BmpHeader& header);
// Whether an alpha mask applies: in the header from version 3 on, or among
// the masks after it with BI_ALPHABITFIELDS.
bool HasAlphaMask(const BmpHeader& header);

// Colour-table entries a reader takes: all the depth can index (up to 8 bits
// a pixel) unless colours used says fewer; above 8 bits colours used alone.
std::uint64_t BmpColorTableEntries(const BmpHeader& header);
