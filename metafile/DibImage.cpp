#include "metafile/DibImage.h"

#include "dib/DeviceObjects.h"
#include "dib/DibFormat.h"
#include "dib/RunLength.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <new>

namespace metafile {

namespace {

constexpr std::uint32_t kBiJpeg = 4, kBiPng = 5, kBiAlphaBitfields = 6;

struct Header
{
    std::uint32_t size = 0;
    std::int64_t width = 0, height = 0; // height < 0: rows top-down
    std::uint32_t bitCount = 0;
    std::uint32_t compression = BI_RGB;
    std::uint32_t sizeImage = 0;
    std::uint32_t colorsUsed = 0;
    std::uint32_t masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha
    std::size_t tableOffset = 0;           // from the header's start
    std::size_t tableEntryBytes = 4;
};

std::uint32_t U32(std::span<const std::uint8_t> b, std::size_t at)
{
    return ReadU32(b.data() + at);
}

bool ReadHeader(std::span<const std::uint8_t> info, Header& h)
{
    if (info.size() < 4)
        return false;
    h.size = U32(info, 0);
    if (h.size == kCoreHeaderBytes) {
        if (info.size() < 12)
            return false;
        h.width = ReadU16(info.data() + 4);
        h.height = ReadU16(info.data() + 6);
        h.bitCount = ReadU16(info.data() + 10);
        h.tableOffset = 12;
        h.tableEntryBytes = 3;
        return true;
    }
    if (h.size < kInfoHeaderBytes || h.size > info.size())
        return false;
    h.width = std::int32_t(U32(info, 4));
    h.height = std::int32_t(U32(info, 8));
    h.bitCount = ReadU16(info.data() + 14);
    h.compression = U32(info, 16);
    h.sizeImage = U32(info, 20);
    h.colorsUsed = U32(info, 32);
    h.tableOffset = h.size;
    if (h.compression == BI_BITFIELDS || h.compression == kBiAlphaBitfields) {
        // The masks are part of a V2 header or larger, else they follow it.
        const std::size_t count = h.compression == kBiAlphaBitfields ? 4 : 3;
        const std::size_t at = 40;
        if (h.size == kInfoHeaderBytes)
            h.tableOffset += 4 * count;
        if (info.size() < at + 4 * count)
            return false;
        for (std::size_t i = 0; i < count; ++i)
            h.masks[i] = U32(info, at + 4 * i);
        if (h.size >= 56 && count == 3)
            h.masks[3] = U32(info, 52);
    }
    return true;
}

// One channel picked out by a mask and widened to 8 bits.
struct Channel
{
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint64_t max = 0;

    explicit Channel(std::uint32_t m) : mask(m)
    {
        if (m == 0)
            return;
        shift = std::countr_zero(m);
        max = std::uint64_t(m) >> shift;
    }
    std::uint32_t Get(std::uint32_t pixel) const
    {
        if (max == 0)
            return 0;
        const std::uint64_t v = (pixel & mask) >> shift;
        return std::uint32_t(std::min<std::uint64_t>(255, (v * 255 + max / 2) / max));
    }
};

Color ColorAt(std::span<const std::uint8_t> table, std::size_t entryBytes, std::size_t index)
{
    const std::size_t at = index * entryBytes;
    if (at + 3 > table.size())
        return {0, 0, 0, 255};
    return {table[at + 2], table[at + 1], table[at], 255};
}

// The 256 pixels an index can stand for; indices past the table are black.
void BuildColours(const Header& h, std::span<const std::uint8_t> info, const DibOptions& options,
                  std::uint32_t (&colors)[256])
{
    std::fill(std::begin(colors), std::end(colors), 0xFF000000u);
    if (options.bitsAsBlackWhite && h.bitCount == 1) {
        colors[1] = 0xFFFFFFFFu;
        return;
    }
    std::size_t count =
        h.colorsUsed ? h.colorsUsed : (std::size_t(1) << std::min<std::uint32_t>(h.bitCount, 8));
    count = std::min<std::size_t>(count, 256);
    const std::span<const std::uint8_t> table =
        h.tableOffset < info.size() ? info.subspan(h.tableOffset) : std::span<const std::uint8_t>{};
    if (options.usage == DIB_PAL_COLORS) {
        // Indices into the logical palette; none is selected, so the default one.
        const auto& palette = DefaultPalette().Entries();
        for (std::size_t i = 0; i < count && 2 * i + 2 <= table.size(); ++i) {
            const std::size_t p = ReadU16(table.data() + 2 * i);
            if (p < palette.size())
                colors[i] = PremultipliedPixel(
                    {palette[p].peRed, palette[p].peGreen, palette[p].peBlue, 255});
        }
        return;
    }
    for (std::size_t i = 0; i < count; ++i)
        colors[i] = PremultipliedPixel(ColorAt(table, h.tableEntryBytes, i));
}

bool DecodeRle(const Header& h, std::span<const std::uint8_t> bits,
               const std::uint32_t (&colors)[256], DecodedDib& out)
{
    std::unique_ptr<DeviceBitmap> bitmap = DeviceBitmap::Create(out.image.width, out.image.height);
    if (!bitmap)
        return false;
    // Pixels the runs leave out stay transparent: GDI leaves the destination there.
    PaintRunLength(bits.data(), bits.size(), h.compression == BI_RLE4, colors, *bitmap,
                   out.bottomUp);
    for (int y = 0; y < out.image.height; ++y)
        std::copy_n(bitmap->Row(y), out.image.width,
                    out.image.pixels.data() + std::size_t(y) * out.image.width);
    return true;
}

void DecodeRows(const Header& h, std::span<const std::uint8_t> bits,
                const std::uint32_t (&colors)[256], const DibOptions& options, DecodedDib& out)
{
    const int width = out.image.width, height = out.image.height;
    const std::uint64_t stride = RowStride(width, h.bitCount);
    const std::uint64_t rowsThere =
        std::min<std::uint64_t>(height, stride ? bits.size() / stride : 0);

    std::uint32_t masks[4] = {h.masks[0], h.masks[1], h.masks[2], h.masks[3]};
    const bool fields = h.compression == BI_BITFIELDS || h.compression == kBiAlphaBitfields;
    if (!fields && h.bitCount == 16) {
        masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F, masks[3] = 0;
    } else if (!fields && h.bitCount == 32) {
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF, masks[3] = 0xFF000000;
    } else if (h.bitCount == 24) {
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF, masks[3] = 0;
    }
    if (!options.keepAlpha)
        masks[3] = 0;
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);

    for (std::uint64_t row = 0; row < rowsThere; ++row) {
        const std::uint8_t* src = bits.data() + row * stride;
        const int y = out.bottomUp ? int(height - 1 - row) : int(row);
        std::uint32_t* dst = out.image.pixels.data() + std::size_t(y) * width;
        for (int x = 0; x < width; ++x) {
            switch (h.bitCount) {
            case 1:
                dst[x] = colors[(src[x >> 3] >> (7 - (x & 7))) & 1];
                break;
            case 2:
                dst[x] = colors[(src[x >> 2] >> (6 - 2 * (x & 3))) & 3];
                break;
            case 4:
                dst[x] = colors[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
                break;
            case 8:
                dst[x] = colors[src[x]];
                break;
            default: {
                std::uint32_t p = 0;
                if (h.bitCount == 16)
                    p = ReadU16(src + 2 * x);
                else if (h.bitCount == 24)
                    p = std::uint32_t(src[3 * x]) | (std::uint32_t(src[3 * x + 1]) << 8) |
                        (std::uint32_t(src[3 * x + 2]) << 16);
                else
                    p = ReadU32(src + 4 * std::size_t(x));
                const std::uint32_t a = masks[3] ? alpha.Get(p) : 255;
                // Premultiplied: no colour above its alpha.
                const std::uint32_t r = std::min(red.Get(p), a), g = std::min(green.Get(p), a),
                                    b = std::min(blue.Get(p), a);
                dst[x] = (a << 24) | (r << 16) | (g << 8) | b;
                break;
            }
            }
        }
    }
}

bool Supported(const Header& h)
{
    switch (h.compression) {
    case BI_RGB:
        return h.bitCount == 1 || h.bitCount == 2 || h.bitCount == 4 || h.bitCount == 8 ||
               h.bitCount == 16 || h.bitCount == 24 || h.bitCount == 32;
    case BI_RLE8:
        return h.bitCount == 8;
    case BI_RLE4:
        return h.bitCount == 4;
    case BI_BITFIELDS:
    case kBiAlphaBitfields:
        return h.bitCount == 16 || h.bitCount == 24 || h.bitCount == 32;
    default:
        return false;
    }
}

EmbeddedImageDecoder g_embeddedDecoder = nullptr;

} // namespace

void SetEmbeddedImageDecoder(EmbeddedImageDecoder decoder) noexcept
{
    g_embeddedDecoder = decoder;
}
EmbeddedImageDecoder GetEmbeddedImageDecoder() noexcept
{
    return g_embeddedDecoder;
}

bool DecodeDib(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits,
               const DibOptions& options, PlayBudget& budget, DecodedDib& out)
{
    Header h;
    if (!ReadHeader(info, h))
        return false;
    if (h.width <= 0 || h.height == 0 || h.height == INT_MIN)
        return false;
    out = {};
    out.bitCount = int(h.bitCount);
    out.bottomUp = h.height > 0;
    out.fullHeight = int(h.height > 0 ? h.height : -h.height);

    if (h.compression == kBiJpeg || h.compression == kBiPng) {
        const EmbeddedImageDecoder decode = g_embeddedDecoder;
        if (!decode)
            return false;
        const std::size_t length =
            h.sizeImage ? std::min<std::size_t>(h.sizeImage, bits.size()) : bits.size();
        Image image;
        if (!decode(bits.first(length), budget, image) || image.IsEmpty())
            return false;
        out.image = std::move(image);
        out.fullHeight = out.image.height;
        out.bottomUp = false; // the embedded picture keeps its own row order
        return true;
    }
    if (!Supported(h))
        return false;

    std::int64_t height = out.fullHeight;
    if (options.rows > 0 && h.compression != BI_RLE4 && h.compression != BI_RLE8)
        height = std::min<std::int64_t>(height, options.rows);
    const std::uint64_t pixels = std::uint64_t(h.width) * std::uint64_t(height);
    if (h.width > INT_MAX || !budget.SpendImagePixels(pixels))
        return false;

    std::uint32_t colors[256];
    BuildColours(h, info, options, colors);
    out.image.width = int(h.width);
    out.image.height = int(height);
    // Rows the bits do not hold stay transparent: nothing is drawn there.
    try {
        out.image.pixels.assign(std::size_t(pixels), 0);
    } catch (const std::bad_alloc&) {
        out = {};
        return false;
    }
    if (h.compression == BI_RLE4 || h.compression == BI_RLE8) {
        if (!DecodeRle(h, bits, colors, out)) {
            out = {};
            return false;
        }
        return true;
    }
    DecodeRows(h, bits, colors, options, out);
    return true;
}

bool DecodeRecordDib(const ByteReader& record, const DibLocation& where, const DibOptions& options,
                     PlayBudget& budget, DecodedDib& out)
{
    ByteReader info, bits;
    if (where.cbBmi == 0 || !record.Sub(where.offBmi, where.cbBmi, info))
        return false;
    if (!record.Sub(where.offBits, where.cbBits, bits))
        return false;
    return DecodeDib(info.Bytes(), bits.Bytes(), options, budget, out);
}

bool DecodePackedDib(std::span<const std::uint8_t> packed, const DibOptions& options,
                     PlayBudget& budget, DecodedDib& out)
{
    Header h;
    if (!ReadHeader(packed, h))
        return false;
    // The colour table's entries: explicit, or all a palette depth allows.
    std::uint64_t entries = h.colorsUsed;
    if (entries == 0 && h.bitCount <= 8)
        entries = std::uint64_t(1) << h.bitCount;
    std::size_t entryBytes = h.tableEntryBytes;
    if (options.usage == DIB_PAL_COLORS)
        entryBytes = 2;
    else if (options.usage == DIB_PAL_INDICES)
        entries = 0;
    const std::uint64_t infoBytes = h.tableOffset + entries * entryBytes;
    if (entries > 0xFFFFFF || infoBytes > packed.size())
        return false;
    const std::span<const std::uint8_t> info = packed.first(std::size_t(infoBytes));
    std::span<const std::uint8_t> bits = packed.subspan(std::size_t(infoBytes));
    const bool runs = h.compression == BI_RLE4 || h.compression == BI_RLE8;
    const bool embedded = h.compression == kBiJpeg || h.compression == kBiPng;
    if (!runs && !embedded && h.width > 0 && h.height != 0 && h.height != INT_MIN) {
        std::uint64_t rows = std::uint64_t(h.height > 0 ? h.height : -h.height);
        if (options.rows > 0)
            rows = std::min<std::uint64_t>(rows, options.rows);
        const std::uint64_t stride = RowStride(h.width, h.bitCount);
        const std::uint64_t lastRow = (std::uint64_t(h.width) * h.bitCount + 7) / 8;
        if (stride == 0 || rows == 0 || (rows - 1) > bits.size() / stride ||
            (rows - 1) * stride + lastRow > bits.size())
            return false;
    }
    return DecodeDib(info, bits, options, budget, out);
}

Image RecolourMonochrome(const Image& blackWhite, Color zero, Color one)
{
    Image out = blackWhite;
    const std::uint32_t z = PremultipliedPixel(zero), o = PremultipliedPixel(one);
    for (std::uint32_t& p : out.pixels)
        p = (p & 0xFFFFFF) != 0 ? o : z;
    return out;
}

} // namespace metafile
