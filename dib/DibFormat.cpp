#include "dib/DibFormat.h"

#include <cstdint>

BITMAPINFOHEADER ParseInfoHeader(const std::uint8_t* bytes)
{
    BITMAPINFOHEADER header;
    header.biSize = ReadU32(bytes);
    header.biWidth = std::int32_t(ReadU32(bytes + 4));
    header.biHeight = std::int32_t(ReadU32(bytes + 8));
    header.biPlanes = ReadU16(bytes + 12);
    header.biBitCount = ReadU16(bytes + 14);
    header.biCompression = ReadU32(bytes + 16);
    header.biSizeImage = ReadU32(bytes + 20);
    header.biXPelsPerMeter = std::int32_t(ReadU32(bytes + 24));
    header.biYPelsPerMeter = std::int32_t(ReadU32(bytes + 28));
    header.biClrUsed = ReadU32(bytes + 32);
    header.biClrImportant = ReadU32(bytes + 36);
    return header;
}

void StoreInfoHeader(const BITMAPINFOHEADER& header, std::uint8_t* bytes)
{
    WriteU32(bytes, header.biSize);
    WriteU32(bytes + 4, std::uint32_t(header.biWidth));
    WriteU32(bytes + 8, std::uint32_t(header.biHeight));
    WriteU16(bytes + 12, header.biPlanes);
    WriteU16(bytes + 14, header.biBitCount);
    WriteU32(bytes + 16, header.biCompression);
    WriteU32(bytes + 20, header.biSizeImage);
    WriteU32(bytes + 24, std::uint32_t(header.biXPelsPerMeter));
    WriteU32(bytes + 28, std::uint32_t(header.biYPelsPerMeter));
    WriteU32(bytes + 32, header.biClrUsed);
    WriteU32(bytes + 36, header.biClrImportant);
}

std::uint64_t RowStride(std::int64_t width, std::uint32_t bitsPerPixel)
{
    if (width <= 0)
        return 0;
    // Widths up to 2^32 times any bit count stay below 2^64; beyond that the
    // answer saturates, which every caller refuses as too large anyway.
    if (width > std::int64_t(0xFFFFFFFF))
        return UINT64_MAX;
    const std::uint64_t bits = std::uint64_t(width) * bitsPerPixel;
    return bits / 32 * 4 + (bits % 32 != 0 ? 4 : 0);
}

std::optional<std::uint32_t> UncompressedImageSize(std::int32_t width, std::int32_t height,
                                                   std::uint32_t bitsPerPixel)
{
    if (width <= 0)
        return std::nullopt;
    const std::uint64_t rows = height < 0 ? std::uint64_t(-std::int64_t(height)) : height;
    const std::uint64_t stride = RowStride(width, bitsPerPixel);
    // Both factors are below 2^47 and 2^32, but their product may not be.
    if (rows != 0 && stride > 0xFFFFFFFFull / rows)
        return std::nullopt;
    return std::uint32_t(stride * rows);
}

namespace {

std::uint16_t ColorsForBits(std::uint16_t bitsPerPixel)
{
    switch (bitsPerPixel) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

} // namespace

std::uint16_t HeaderColorCount(const std::uint8_t* header)
{
    if (ReadU32(header) == kCoreHeaderBytes)
        return ColorsForBits(ReadU16(header + 10));
    const std::uint16_t used = std::uint16_t(ReadU32(header + 32));
    if (used != 0)
        return used;
    return ColorsForBits(ReadU16(header + 14));
}

std::uint32_t HeaderColorTableBytes(const std::uint8_t* header)
{
    const std::uint32_t entryBytes = ReadU32(header) == kCoreHeaderBytes ? 3 : 4;
    return std::uint32_t(HeaderColorCount(header)) * entryBytes;
}
