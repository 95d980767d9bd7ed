#include "convert/OutputFileSize.h"

#include "convert/Imaging.h"

namespace {

constexpr std::uint64_t kFileHeader = 14;
constexpr std::uint64_t kInfoHeader = 40;
constexpr std::uint64_t kV4Header = 108;

struct Layout
{
    int bitsPerPixel;
    std::uint64_t headerBytes; // everything before the pixels
};

std::optional<Layout> LayoutFor(int pixelFormat)
{
    switch (pixelFormat) {
    case PixelFormat1bppIndexed:
        return Layout{1, kFileHeader + kInfoHeader + 2 * 4};
    case PixelFormat4bppIndexed:
        return Layout{4, kFileHeader + kInfoHeader + 16 * 4};
    case PixelFormat8bppIndexed:
        return Layout{8, kFileHeader + kInfoHeader + 256 * 4};
    case PixelFormat16bppRGB565:
        return Layout{16, kFileHeader + kInfoHeader + 3 * 4}; // the three masks
    case PixelFormat24bppRGB:
        return Layout{24, kFileHeader + kInfoHeader};
    case PixelFormat32bppRGB:
        return Layout{32, kFileHeader + kInfoHeader};
    case PixelFormat32bppARGB:
    case PixelFormat32bppPARGB:
        return Layout{32, kFileHeader + kV4Header};
    case PixelFormat64bppARGB:
    case PixelFormat64bppPARGB:
        return Layout{64, kFileHeader + kInfoHeader};
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<std::uint64_t> BmpFileBytes(int pixelFormat, int width, int height)
{
    const std::optional<Layout> layout = LayoutFor(pixelFormat);
    if (!layout || width <= 0 || height <= 0)
        return std::nullopt;
    // Rows are padded to whole 32-bit words. Sizes are int, so nothing here
    // can overflow 64 bits.
    const std::uint64_t rowBytes = (std::uint64_t(width) * layout->bitsPerPixel + 31) / 32 * 4;
    return layout->headerBytes + rowBytes * std::uint64_t(height);
}
