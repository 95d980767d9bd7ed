#include "dib/BmpHeader.h"

#include <algorithm>

bool IsKnownBmpHeaderSize(std::uint32_t size)
{
    return size == kCoreHeaderBytes || (size >= 16 && size <= 64) || size == 108 || size == 124;
}

bool IsBmpDepth(std::uint16_t bits)
{
    switch (bits) {
    case 1:
    case 2:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
    case 64:
        return true;
    default:
        return false;
    }
}

BmpHeader ParseBmpHeader(const std::uint8_t* bytes, std::uint32_t size)
{
    BmpHeader h;
    h.size = size;
    if (size == kCoreHeaderBytes) {
        h.core = true;
        h.width = ReadU16(bytes + 4);
        h.height = ReadU16(bytes + 6);
        h.planes = ReadU16(bytes + 8);
        h.bits = ReadU16(bytes + 10);
        return h;
    }
    h.os2 = size >= 16 && size <= 64 && size != 40 && size != 52 && size != 56;
    // An OS/2 2.x header may stop after any field; what it leaves out is 0.
    std::uint8_t full[kLargestInfoHeader] = {};
    std::copy(bytes, bytes + std::min(size, kLargestInfoHeader), full);
    const BITMAPINFOHEADER info = ParseInfoHeader(full);
    h.width = info.biWidth;
    h.height = info.biHeight;
    h.planes = info.biPlanes;
    h.bits = info.biBitCount;
    h.compression = info.biCompression;
    h.imageSize = info.biSizeImage;
    h.ppmX = info.biXPelsPerMeter;
    h.ppmY = info.biYPelsPerMeter;
    h.colorsUsed = info.biClrUsed;
    h.colorsImportant = info.biClrImportant;
    if (!h.os2 && size >= 52) {
        h.alphaMaskInHeader = size >= 56;
        for (std::size_t i = 0; i < (h.alphaMaskInHeader ? 4u : 3u); ++i)
            h.masks[i] = ReadU32(full + 40 + 4 * i);
    }
    return h;
}

bool HasBitFields(const BmpHeader& header)
{
    return !header.core && !header.os2 &&
           (header.compression == BI_BITFIELDS || header.compression == BI_ALPHABITFIELDS);
}

std::uint32_t TrailingMaskBytes(const BmpHeader& header)
{
    if (!HasBitFields(header) || header.size >= 52)
        return 0;
    return header.compression == BI_ALPHABITFIELDS ? 16 : 12;
}

bool HasAlphaMask(const BmpHeader& header)
{
    return header.alphaMaskInHeader || header.compression == BI_ALPHABITFIELDS;
}

std::uint64_t BmpColorTableEntries(const BmpHeader& header)
{
    const std::uint64_t depthColors =
        header.bits >= 1 && header.bits <= 8 ? std::uint64_t(1) << header.bits : 0;
    if (header.colorsUsed == 0)
        return depthColors;
    return depthColors != 0 ? std::min<std::uint64_t>(header.colorsUsed, depthColors)
                            : header.colorsUsed;
}
