#include "metafile/Bitmap16.h"

#include "dib/DeviceObjects.h"
#include "metafile/DibImage.h"

#include <new>

namespace metafile {

namespace {

std::uint16_t U16(std::span<const std::uint8_t> b, std::size_t at)
{
    return std::uint16_t(b[at] | (b[at + 1] << 8));
}

std::uint32_t Opaque(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return 0xFF000000u | (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | b;
}

std::uint32_t PaletteEntry(const DevicePalette& palette, std::size_t index)
{
    const auto& entries = palette.Entries();
    if (index >= entries.size())
        return 0xFF000000u;
    return Opaque(entries[index].peRed, entries[index].peGreen, entries[index].peBlue);
}

// The system palette of an 8-bit device: the static colours at both ends.
std::uint32_t SystemColour(std::size_t index)
{
    const std::size_t count = DefaultPalette().Entries().size();
    const std::size_t half = count / 2;
    if (index < half)
        return PaletteEntry(DefaultPalette(), index);
    if (index >= 256 - half)
        return PaletteEntry(DefaultPalette(), index - (256 - count));
    return 0xFF000000u;
}

std::uint32_t Pixel(const Bitmap16Fields& f, const std::uint8_t* row, int x)
{
    switch (f.bitsPixel) {
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1 ? 0xFFFFFFFFu : 0xFF000000u;
    case 4:
        return PaletteEntry(VgaPalette(), (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15);
    case 8:
        return SystemColour(row[x]);
    case 16: {
        const std::uint16_t v = std::uint16_t(row[2 * x] | (row[2 * x + 1] << 8));
        const auto widen = [](unsigned c) { return std::uint8_t((c * 255 + 15) / 31); };
        return Opaque(widen((v >> 10) & 31), widen((v >> 5) & 31), widen(v & 31));
    }
    case 24:
        return Opaque(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    default: // 32
        return Opaque(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
    }
}

} // namespace

bool ReadBitmap16Header(std::span<const std::uint8_t> bytes, Bitmap16Fields& out)
{
    if (bytes.size() < 10)
        return false;
    out.width = std::int16_t(U16(bytes, 2));
    out.height = std::int16_t(U16(bytes, 4));
    out.widthBytes = std::int16_t(U16(bytes, 6));
    out.planes = bytes[8];
    out.bitsPixel = bytes[9];
    return true;
}

bool DecodeBitmap16(const Bitmap16Fields& f, std::span<const std::uint8_t> bits, PlayBudget& budget,
                    Image& out)
{
    switch (f.bitsPixel) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        return false;
    }
    if (f.planes != 1 || f.width <= 0 || f.height <= 0)
        return false;
    // Every row must hold its pixels, and the bits every row. Some writers
    // give a wrong WidthBytes; then the rows are taken as GDI lays them out,
    // each padded to a whole word.
    const std::uint64_t rowBytes = (std::uint64_t(f.width) * f.bitsPixel + 7) / 8;
    const std::uint64_t height = std::uint64_t(f.height);
    std::uint64_t stride = f.widthBytes > 0 ? std::uint64_t(f.widthBytes) : 0;
    if (stride < rowBytes || stride * height > bits.size())
        stride = (rowBytes + 1) / 2 * 2;
    if (stride * height > bits.size())
        return false;
    const std::uint64_t pixels = std::uint64_t(f.width) * std::uint64_t(f.height);
    if (!budget.SpendImagePixels(pixels))
        return false;
    Image image;
    image.width = f.width;
    image.height = f.height;
    try {
        image.pixels.assign(std::size_t(pixels), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int y = 0; y < f.height; ++y) {
        const std::uint8_t* row = bits.data() + std::size_t(y) * std::size_t(stride);
        std::uint32_t* dst = image.pixels.data() + std::size_t(y) * std::size_t(f.width);
        for (int x = 0; x < f.width; ++x)
            dst[x] = Pixel(f, row, x);
    }
    out = std::move(image);
    return true;
}

} // namespace metafile
