#include "dib/BmpDecode.h"

#include "dib/MemoryBudget.h"
#include "dib/RunLength.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;
// s2.13 fixed point: 8192 is 1.0.
constexpr std::int32_t kFixedOne = 8192;

BmpPlan Refuse(BmpPlan plan, BmpDecodeStatus status = BmpDecodeStatus::Broken)
{
    plan.status = status;
    return plan;
}

// A mask is one run of bits within the pixel; masks do not share bits.
bool UsableMasks(const std::array<std::uint32_t, 4>& masks, std::uint16_t bits)
{
    std::uint32_t seen = 0;
    for (const std::uint32_t mask : masks) {
        if (mask == 0)
            continue;
        const std::uint32_t shifted = mask >> std::countr_zero(mask);
        if ((shifted & (shifted + 1)) != 0 || (seen & mask) != 0)
            return false;
        if (bits < 32 && (mask >> bits) != 0)
            return false;
        seen |= mask;
    }
    return true;
}

// A channel of `width` bits widened (or cut) to `out` bits by repeating its
// top bits: the largest value becomes the largest of the result.
std::uint32_t Widen(std::uint32_t value, int width, int out)
{
    if (width <= 0)
        return 0;
    if (width >= out)
        return value >> (width - out);
    std::uint32_t result = 0;
    for (int shift = out - width; shift > -width; shift -= width)
        result |= shift >= 0 ? value << shift : value >> -shift;
    return result;
}

} // namespace

std::size_t BmpLayoutRowBytes(BmpPixelLayout layout, std::int32_t width)
{
    const std::size_t bytes =
        layout == BmpPixelLayout::Rgb32 || layout == BmpPixelLayout::Argb32 ? 4 : 8;
    return bytes * std::size_t(std::max(width, 0));
}

BmpPlan PlanBmpDecode(const std::uint8_t* data, std::size_t size)
{
    BmpPlan plan;
    if (size < kFileHeaderBytes + 4 || ReadU16(data) != kBitmapFileType)
        return plan;
    const std::uint32_t offBits = ReadU32(data + 10);
    const std::uint32_t headerSize = ReadU32(data + kFileHeaderBytes);
    if (!IsKnownBmpHeaderSize(headerSize) || size - kFileHeaderBytes < headerSize)
        return plan;
    const BmpHeader& h = plan.header = ParseBmpHeader(data + kFileHeaderBytes, headerSize);

    const std::uint64_t masksAt = kFileHeaderBytes + std::uint64_t(headerSize);
    const std::uint32_t maskBytes = TrailingMaskBytes(h);
    const std::uint64_t tableAt = masksAt + maskBytes;
    if (tableAt > size)
        return plan;
    plan.masks = h.masks;
    for (std::uint32_t i = 0; i < maskBytes / 4; ++i)
        plan.masks[i] = ReadU32(data + masksAt + 4 * i);
    if (!HasAlphaMask(h))
        plan.masks[3] = 0;

    const bool windows = !h.core && !h.os2;
    const std::uint32_t c = h.compression;
    const bool embedded = windows && (c == BI_PNG || c == BI_JPEG);

    // Colour table, read from right after the headers; a pixel offset
    // inside it cuts it short.
    const std::uint64_t entryBytes = h.core ? 3 : 4;
    std::uint64_t entries = std::min<std::uint64_t>(BmpColorTableEntries(h), 256);
    if (h.bits > 8)
        entries = 0;
    std::uint64_t pixelsAt = offBits;
    if (offBits == 0) {
        pixelsAt = tableAt + entries * entryBytes;
    } else {
        if (offBits < tableAt)
            return plan;
        entries = std::min(entries, (offBits - tableAt) / entryBytes);
    }
    entries = std::min(entries, (size - tableAt) / entryBytes);
    plan.colors.fill(kOpaque);
    for (std::uint64_t i = 0; i < entries; ++i) {
        const std::uint8_t* q = data + tableAt + entryBytes * i;
        plan.colors[i] = kOpaque | std::uint32_t(q[2]) << 16 | std::uint32_t(q[1]) << 8 | q[0];
    }
    if (pixelsAt >= size)
        return plan; // no pixel data at all
    plan.pixelOffset = std::size_t(pixelsAt);
    plan.pixelBytes = size - plan.pixelOffset;

    if (embedded) {
        if (h.imageSize != 0)
            plan.pixelBytes = std::min<std::size_t>(plan.pixelBytes, h.imageSize);
        plan.embedded = c == BI_PNG ? BmpEmbedded::Png : BmpEmbedded::Jpeg;
        plan.status = BmpDecodeStatus::Ok;
        return plan;
    }

    // The layouts there are, by compression and depth.
    if (!IsBmpDepth(h.bits))
        return plan;
    const bool runLength = c == BI_RLE8 || c == BI_RLE4;
    if (c == BI_RLE8 && h.bits != 8)
        return plan;
    if (c == BI_RLE4 && h.bits != 4)
        return plan;
    const bool bitFields = HasBitFields(h);
    if (bitFields && h.bits != 16 && h.bits != 32)
        return plan;
    // OS/2's Huffman 1D and RLE24 codings, CMYK and unknown values.
    if (c != BI_RGB && !runLength && !bitFields)
        return plan;
    if (h.bits == 16 && !bitFields)
        plan.masks = {0x7C00, 0x03E0, 0x001F, 0};
    if ((h.bits == 16 || bitFields) && !UsableMasks(plan.masks, h.bits))
        return plan;

    if (h.width <= 0 || h.height == 0)
        return plan;
    const bool topDown = h.height < 0;
    if (topDown && runLength)
        return plan; // compressed rows always run bottom up
    const std::int64_t rows = topDown ? -h.height : h.height;

    bool wide = h.bits == 64;
    bool alpha = h.bits == 64 || (h.bits == 32 && c == BI_RGB);
    if (h.bits == 16 || bitFields) {
        for (std::size_t i = 0; i < 4; ++i)
            wide = wide || std::popcount(plan.masks[i]) > 8;
        alpha = alpha || plan.masks[3] != 0;
    }
    plan.layout = wide ? (alpha ? BmpPixelLayout::Rgba64 : BmpPixelLayout::Rgbx64)
                       : (alpha ? BmpPixelLayout::Argb32 : BmpPixelLayout::Rgb32);
    if (!FitsImageBudget(h.width, rows, wide ? 8 : 4))
        return Refuse(plan, BmpDecodeStatus::TooLarge);
    plan.width = std::int32_t(h.width);
    plan.height = std::int32_t(rows);
    if (runLength && h.imageSize != 0)
        plan.pixelBytes = std::min<std::size_t>(plan.pixelBytes, h.imageSize);
    plan.stride = RowStride(h.width, h.bits);
    plan.status = BmpDecodeStatus::Ok;
    return plan;
}

namespace {

// One channel of a bit-field pixel: its bits, then a table to the output
// depth (for channels wider than 16 bits, of their top 16).
struct Channel
{
    int shift = 0;
    std::uint32_t limit = 0; // largest value after the shift
    std::vector<std::uint16_t> table;

    Channel(std::uint32_t mask, int out)
    {
        if (mask == 0)
            return;
        const int width = std::popcount(mask);
        const int kept = std::min(width, 16);
        shift = std::countr_zero(mask) + (width - kept);
        limit = (std::uint32_t(1) << kept) - 1;
        table.resize(std::size_t(limit) + 1);
        for (std::uint32_t v = 0; v <= limit; ++v)
            table[v] = std::uint16_t(Widen(v, kept, out));
    }
    std::uint32_t operator()(std::uint32_t pixel) const
    {
        return table.empty() ? 0 : table[(pixel >> shift) & limit];
    }
};

class Decoder
{
public:
    Decoder(const BmpPlan& plan, const std::uint8_t* data, std::size_t size, std::uint8_t* rows,
            std::size_t bytesPerRow)
        : m_plan(plan), m_data(data), m_rows(rows), m_bytesPerRow(bytesPerRow),
          m_available(plan.pixelOffset < size ? std::min(plan.pixelBytes, size - plan.pixelOffset)
                                              : 0)
    {
    }

    BmpPixelLayout Run();

private:
    std::uint32_t* Row32(std::int32_t y) const
    {
        return reinterpret_cast<std::uint32_t*>(m_rows + std::size_t(y) * m_bytesPerRow);
    }
    std::uint16_t* Row64(std::int32_t y) const
    {
        return reinterpret_cast<std::uint16_t*>(m_rows + std::size_t(y) * m_bytesPerRow);
    }
    // Stored row r's bytes, those past the end of the file read as zero.
    const std::uint8_t* Stored(std::int64_t r);
    // Output row of stored row r.
    std::int32_t OutputRow(std::int64_t r) const
    {
        return std::int32_t(m_plan.header.height < 0 ? r : m_plan.height - 1 - r);
    }
    BmpPixelLayout RunLength();
    void Indexed(const std::uint8_t* in, std::uint32_t* out) const;
    BmpPixelLayout Fields();
    BmpPixelLayout Fixed64();

    const BmpPlan& m_plan;
    const std::uint8_t* m_data;
    std::uint8_t* m_rows;
    std::size_t m_bytesPerRow;
    std::size_t m_available; // pixel bytes the file holds
    std::vector<std::uint8_t> m_padded;
};

const std::uint8_t* Decoder::Stored(std::int64_t r)
{
    const std::uint64_t stride = m_plan.stride;
    const std::uint64_t at = std::uint64_t(r) * stride;
    const std::uint64_t available = m_available;
    if (at + stride <= available)
        return m_data + m_plan.pixelOffset + at;
    m_padded.assign(std::size_t(stride), 0);
    if (at < available)
        std::memcpy(m_padded.data(), m_data + m_plan.pixelOffset + at, std::size_t(available - at));
    return m_padded.data();
}

void Decoder::Indexed(const std::uint8_t* in, std::uint32_t* out) const
{
    const std::int32_t width = m_plan.width;
    const auto& colors = m_plan.colors;
    switch (m_plan.header.bits) {
    case 8:
        for (std::int32_t x = 0; x < width; ++x)
            out[x] = colors[in[x]];
        break;
    case 4:
        for (std::int32_t x = 0; x < width; ++x)
            out[x] = colors[(in[x / 2] >> ((x & 1) != 0 ? 0 : 4)) & 0x0F];
        break;
    case 2:
        for (std::int32_t x = 0; x < width; ++x)
            out[x] = colors[(in[x / 4] >> (6 - 2 * (x & 3))) & 3];
        break;
    default:
        for (std::int32_t x = 0; x < width; ++x)
            out[x] = colors[(in[x / 8] >> (7 - (x & 7))) & 1];
        break;
    }
}

BmpPixelLayout Decoder::RunLength()
{
    for (std::int32_t y = 0; y < m_plan.height; ++y)
        std::fill(Row32(y), Row32(y) + m_plan.width, m_plan.colors[0]);
    std::uint32_t colors[256];
    std::copy(m_plan.colors.begin(), m_plan.colors.end(), colors);
    PaintRunLength(m_data + m_plan.pixelOffset, m_available, m_plan.header.compression == BI_RLE4,
                   colors, Row32(0), m_plan.width, m_plan.height, m_bytesPerRow / 4, true);
    return BmpPixelLayout::Rgb32;
}

BmpPixelLayout Decoder::Fields()
{
    const std::int32_t width = m_plan.width;
    const bool wide =
        m_plan.layout == BmpPixelLayout::Rgba64 || m_plan.layout == BmpPixelLayout::Rgbx64;
    const int out = wide ? 16 : 8;
    const Channel red(m_plan.masks[0], out), green(m_plan.masks[1], out),
        blue(m_plan.masks[2], out), alpha(m_plan.masks[3], out);
    const bool hasAlpha = m_plan.masks[3] != 0;
    const std::uint32_t opaque = wide ? 0xFFFF : 0xFF;
    const unsigned bytes = m_plan.header.bits / 8;
    bool translucent = false;
    for (std::int64_t r = 0; r < m_plan.height; ++r) {
        const std::uint8_t* in = Stored(r);
        const std::int32_t y = OutputRow(r);
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint8_t* p = in + std::size_t(x) * bytes;
            const std::uint32_t v = bytes == 2 ? ReadU16(p) : ReadU32(p);
            const std::uint32_t a = hasAlpha ? alpha(v) : opaque;
            translucent = translucent || a != opaque;
            if (wide) {
                std::uint16_t* o = Row64(y) + 4 * std::size_t(x);
                o[0] = std::uint16_t(red(v));
                o[1] = std::uint16_t(green(v));
                o[2] = std::uint16_t(blue(v));
                o[3] = std::uint16_t(a);
            } else {
                Row32(y)[x] = a << 24 | red(v) << 16 | green(v) << 8 | blue(v);
            }
        }
    }
    if (!hasAlpha)
        return m_plan.layout;
    if (translucent)
        return m_plan.layout;
    return wide ? BmpPixelLayout::Rgbx64 : BmpPixelLayout::Rgb32;
}

BmpPixelLayout Decoder::Fixed64()
{
    // Linear light in s2.13, clamped to 0..1, to 16-bit sRGB.
    static const std::vector<std::uint16_t> toSrgb = [] {
        std::vector<std::uint16_t> t(kFixedOne + 1);
        for (std::int32_t i = 0; i <= kFixedOne; ++i) {
            const double l = double(i) / kFixedOne;
            const double s = l <= 0.0031308 ? l * 12.92 : 1.055 * std::pow(l, 1 / 2.4) - 0.055;
            t[std::size_t(i)] = std::uint16_t(std::lround(std::clamp(s, 0.0, 1.0) * 65535));
        }
        return t;
    }();
    const auto clamp = [](std::uint16_t stored) {
        return std::size_t(std::clamp<std::int32_t>(std::int16_t(stored), 0, kFixedOne));
    };
    bool translucent = false;
    for (std::int64_t r = 0; r < m_plan.height; ++r) {
        const std::uint8_t* in = Stored(r);
        std::uint16_t* o = Row64(OutputRow(r));
        for (std::int32_t x = 0; x < m_plan.width; ++x, in += 8, o += 4) {
            const std::size_t a = clamp(ReadU16(in + 6));
            o[0] = toSrgb[clamp(ReadU16(in + 4))];
            o[1] = toSrgb[clamp(ReadU16(in + 2))];
            o[2] = toSrgb[clamp(ReadU16(in))];
            o[3] = std::uint16_t((a * 65535 + kFixedOne / 2) / kFixedOne);
            translucent = translucent || a != kFixedOne;
        }
    }
    return translucent ? BmpPixelLayout::Rgba64 : BmpPixelLayout::Rgbx64;
}

BmpPixelLayout Decoder::Run()
{
    const BmpHeader& h = m_plan.header;
    if (h.compression == BI_RLE8 || h.compression == BI_RLE4)
        return RunLength();
    if (h.bits == 64)
        return Fixed64();
    if (h.bits == 16 || h.compression != BI_RGB)
        return Fields();
    const std::int32_t width = m_plan.width;
    std::uint32_t fourth = 0;
    for (std::int64_t r = 0; r < m_plan.height; ++r) {
        const std::uint8_t* in = Stored(r);
        std::uint32_t* out = Row32(OutputRow(r));
        if (h.bits <= 8) {
            Indexed(in, out);
        } else if (h.bits == 24) {
            for (std::int32_t x = 0; x < width; ++x, in += 3)
                out[x] = kOpaque | std::uint32_t(in[2]) << 16 | std::uint32_t(in[1]) << 8 | in[0];
        } else {
            for (std::int32_t x = 0; x < width; ++x, in += 4) {
                out[x] = ReadU32(in);
                fourth |= in[3];
            }
        }
    }
    if (h.bits != 32)
        return BmpPixelLayout::Rgb32;
    if (fourth != 0)
        return BmpPixelLayout::Argb32;
    // The fourth byte is padding after all.
    for (std::int32_t y = 0; y < m_plan.height; ++y) {
        std::uint32_t* out = Row32(y);
        for (std::int32_t x = 0; x < width; ++x)
            out[x] |= kOpaque;
    }
    return BmpPixelLayout::Rgb32;
}

} // namespace

BmpPixelLayout DecodeBmpPixels(const BmpPlan& plan, const std::uint8_t* data, std::size_t size,
                               std::uint8_t* rows, std::size_t bytesPerRow)
{
    return Decoder(plan, data, size, rows, bytesPerRow).Run();
}
