// The bitmap file format's records, as they lie in files and memory
// (little-endian), and the arithmetic on them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

constexpr std::uint16_t kBitmapFileType = 0x4D42; // "BM"
constexpr std::uint32_t kFileHeaderBytes = 14;
constexpr std::uint32_t kInfoHeaderBytes = 40;
constexpr std::uint32_t kCoreHeaderBytes = 12;

// Compression values of the information header.
constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_RLE8 = 1;
constexpr std::uint32_t BI_RLE4 = 2;
constexpr std::uint32_t BI_BITFIELDS = 3;
// Compression values this program only names, never reads.
constexpr std::uint32_t BI_JPEG = 4;
constexpr std::uint32_t BI_PNG = 5;
constexpr std::uint32_t BI_ALPHABITFIELDS = 6;
constexpr std::uint32_t BI_CMYK = 11;
constexpr std::uint32_t BI_CMYKRLE8 = 12;
constexpr std::uint32_t BI_CMYKRLE4 = 13;

struct BITMAPFILEHEADER
{
    std::uint16_t bfType = 0;
    std::uint32_t bfSize = 0;
    std::uint16_t bfReserved1 = 0;
    std::uint16_t bfReserved2 = 0;
    std::uint32_t bfOffBits = 0;
};

struct BITMAPINFOHEADER
{
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};

struct RGBQUAD
{
    std::uint8_t rgbBlue = 0;
    std::uint8_t rgbGreen = 0;
    std::uint8_t rgbRed = 0;
    std::uint8_t rgbReserved = 0;
};

// Little-endian access to bytes.
inline std::uint16_t ReadU16(const std::uint8_t* p)
{
    return std::uint16_t(p[0] | (p[1] << 8));
}
inline std::uint32_t ReadU32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
inline void WriteU16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}
inline void WriteU32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
    p[2] = std::uint8_t(v >> 16);
    p[3] = std::uint8_t(v >> 24);
}

// The 40-byte header from (or into) its byte form.
BITMAPINFOHEADER ParseInfoHeader(const std::uint8_t* bytes);
void StoreInfoHeader(const BITMAPINFOHEADER& header, std::uint8_t* bytes);

// Bytes of one pixel row, padded to 32 bits, in 64-bit arithmetic so that
// no width can overflow it. A width of 0 or less has no row: 0; widths beyond
// 2^32 saturate at the largest value.
std::uint64_t RowStride(std::int64_t width, std::uint32_t bitsPerPixel);

// Bytes of uncompressed pixel data for a header: stride times the height's
// magnitude, or nothing when that does not fit the header's 32-bit
// image-size field.
std::optional<std::uint32_t> UncompressedImageSize(std::int32_t width, std::int32_t height,
                                                   std::uint32_t bitsPerPixel);

// Entries of the colour table that follows a header in memory. A header whose
// size field is 12 is the short (core) form, read by its bit count alone;
// any other size is read in the 40-byte layout. Needs the header's bytes.
std::uint16_t HeaderColorCount(const std::uint8_t* header);
// Bytes of that colour table: 3 per entry behind a short header, 4 otherwise.
// Full width: a 40-byte header announcing 0xFFFF colours has a 262140-byte
// table.
std::uint32_t HeaderColorTableBytes(const std::uint8_t* header);
