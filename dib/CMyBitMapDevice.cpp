// Blocks to device bitmaps: every supported layout decoded to 0x00RRGGBB.
#include "dib/CMyBitMap.h"
#include "dib/RunLength.h"

#include <algorithm>
#include <iterator>

namespace {

// beginWait now, endWait on every way out.
class WaitCursor
{
public:
    explicit WaitCursor(const CMyBitMap::Platform& platform) : m_platform(platform)
    {
        if (m_platform.beginWait)
            m_platform.beginWait();
    }
    ~WaitCursor()
    {
        if (m_platform.endWait)
            m_platform.endWait();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    const CMyBitMap::Platform& m_platform;
};

enum class Layout
{
    Unsupported,
    Indexed,
    Rgb555,
    Rgb565,
    Bgr24,
    Bgrx32,
    Rle8,
    Rle4
};

Layout LayoutOf(const BITMAPINFOHEADER& header)
{
    const std::uint16_t bits = header.biBitCount;
    switch (header.biCompression) {
    case BI_RGB:
        switch (bits) {
        case 1:
        case 4:
        case 8:
            return Layout::Indexed;
        case 16:
            return Layout::Rgb555;
        case 24:
            return Layout::Bgr24;
        case 32:
            return Layout::Bgrx32;
        default:
            return Layout::Unsupported;
        }
    // A block keeps no masks, so bit fields mean the usual ones: 5-6-5 for
    // 16 bits and 8-8-8 in the low three bytes for 32.
    case BI_BITFIELDS:
        return bits == 16 ? Layout::Rgb565 : bits == 32 ? Layout::Bgrx32 : Layout::Unsupported;
    case BI_RLE8:
        return bits == 8 ? Layout::Rle8 : Layout::Unsupported;
    case BI_RLE4:
        return bits == 4 ? Layout::Rle4 : Layout::Unsupported;
    default:
        return Layout::Unsupported;
    }
}

// Widening n-bit channels to 8 bits repeats the top bits, so that the
// largest value becomes 255.
constexpr std::uint32_t Widen5(std::uint32_t v)
{
    return (v << 3) | (v >> 2);
}
constexpr std::uint32_t Widen6(std::uint32_t v)
{
    return (v << 2) | (v >> 4);
}

void DecodeRow(Layout layout, std::uint16_t bits, const std::uint8_t* in, std::uint32_t* out,
               std::int32_t width, const std::uint32_t (&colors)[256])
{
    switch (layout) {
    case Layout::Indexed:
        if (bits == 8) {
            for (std::int32_t x = 0; x < width; ++x)
                out[x] = colors[in[x]];
        } else if (bits == 4) {
            for (std::int32_t x = 0; x < width; ++x)
                out[x] = colors[(in[x / 2] >> ((x & 1) != 0 ? 0 : 4)) & 0x0F];
        } else {
            for (std::int32_t x = 0; x < width; ++x)
                out[x] = colors[(in[x / 8] >> (7 - (x & 7))) & 1];
        }
        break;
    case Layout::Rgb555:
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint32_t v = ReadU16(in + 2 * std::size_t(x));
            out[x] = Widen5((v >> 10) & 31) << 16 | Widen5((v >> 5) & 31) << 8 | Widen5(v & 31);
        }
        break;
    case Layout::Rgb565:
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint32_t v = ReadU16(in + 2 * std::size_t(x));
            out[x] = Widen5((v >> 11) & 31) << 16 | Widen6((v >> 5) & 63) << 8 | Widen5(v & 31);
        }
        break;
    case Layout::Bgr24: {
        // Four bytes at a time, the fourth masked off; the last pixel on its
        // own, as the byte after it may lie past the end of the pixels.
        const std::int32_t wide = width - 1;
        for (std::int32_t x = 0; x < wide; ++x)
            out[x] = ReadU32(in + 3 * std::size_t(x)) & 0xFFFFFFu;
        if (width > 0) {
            const std::uint8_t* p = in + 3 * std::size_t(wide);
            out[wide] = std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
        }
        break;
    }
    case Layout::Bgrx32:
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint8_t* p = in + 4 * std::size_t(x);
            out[x] = std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
        }
        break;
    default:
        break;
    }
}

// The rows of a block that lies over a file, read from the file a band at a
// time as they are asked for, into the reader's own small buffer: a picture
// of any size needs no more memory than that, and reading beats touching the
// mapped pages.
class FileRows final : public DeviceBitmapRows
{
public:
    FileRows(std::unique_ptr<FileSpan> pixels, Layout layout, std::uint16_t bits,
             std::size_t stride, std::int32_t width, std::int32_t height, bool bottomUp,
             const std::uint32_t (&colors)[256])
        : m_pixels(std::move(pixels)), m_layout(layout), m_bits(bits), m_stride(stride),
          m_width(width), m_height(height), m_bottomUp(bottomUp),
          m_bandRows(std::int32_t(std::clamp<std::size_t>(kBandBytes / stride, 1, 1 << 16)))
    {
        std::copy(std::begin(colors), std::end(colors), std::begin(m_colors));
    }

    void Read(std::int32_t y, std::uint32_t* pixels, RowCursor& cursor) const override
    {
        const std::int32_t stored = m_bottomUp ? m_height - 1 - y : y;
        if (stored < cursor.first || stored >= cursor.first + cursor.rows) {
            // The band from this row on, in the order the file keeps them;
            // if the file has been cut short, this row alone.
            cursor.first = stored;
            cursor.rows = 0;
            for (const std::int32_t rows : {std::min(m_bandRows, m_height - stored), 1}) {
                cursor.band.resize(m_stride * std::size_t(rows));
                if (m_pixels->Read(m_stride * std::size_t(stored), cursor.band.data(),
                                   cursor.band.size())) {
                    cursor.rows = rows;
                    break;
                }
            }
            if (cursor.rows == 0) {
                // Gone from the file: black rather than garbage.
                std::fill(pixels, pixels + m_width, 0u);
                cursor.first = -1;
                return;
            }
        }
        DecodeRow(m_layout, m_bits,
                  cursor.band.data() + m_stride * std::size_t(stored - cursor.first), pixels,
                  m_width, m_colors);
    }

private:
    static constexpr std::size_t kBandBytes = std::size_t(256) << 10;

    std::unique_ptr<FileSpan> m_pixels;
    Layout m_layout;
    std::uint16_t m_bits;
    std::size_t m_stride;
    std::int32_t m_width;
    std::int32_t m_height;
    bool m_bottomUp;
    std::int32_t m_bandRows;
    std::uint32_t m_colors[256] = {};
};

} // namespace

HBITMAP CMyBitMap::ToDeviceBitmap(const MemoryBlock* block, const DevicePalette* palette)
{
    // A true-colour device shows every colour itself; no palette is needed.
    (void)palette;
    const WaitCursor wait(m_platform);
    if (block == nullptr || block->Size() < kInfoHeaderBytes)
        return {};
    const std::uint8_t* data = block->Data();
    const BITMAPINFOHEADER header = ParseInfoHeader(data);
    if (header.biSize != kInfoHeaderBytes)
        return {};
    const Layout layout = LayoutOf(header);
    if (layout == Layout::Unsupported)
        return {};

    const std::uint32_t entries = HeaderColorCount(data);
    const std::size_t pixelsAt = kInfoHeaderBytes + std::size_t(4) * entries;
    if (block->Size() < pixelsAt)
        return {};
    const std::uint8_t* pixels = data + pixelsAt;
    const std::size_t available = block->Size() - pixelsAt;

    if (header.biWidth <= 0 || header.biHeight == 0 || header.biHeight == INT32_MIN)
        return {};
    const std::int32_t width = header.biWidth;
    const bool bottomUp = header.biHeight > 0;
    const std::int32_t height = bottomUp ? header.biHeight : -header.biHeight;
    if (std::uint64_t(width) * std::uint64_t(height) > (std::uint64_t(1) << 31))
        return {};

    const bool runLength = layout == Layout::Rle8 || layout == Layout::Rle4;
    const std::uint64_t stride = RowStride(width, header.biBitCount);
    if (!runLength && stride * std::uint64_t(height) > available)
        return {};

    // Indices beyond the table show black.
    std::uint32_t colors[256] = {};
    for (std::uint32_t i = 0; i < std::min<std::uint32_t>(entries, 256); ++i) {
        const std::uint8_t* q = data + kInfoHeaderBytes + 4 * i;
        colors[i] = std::uint32_t(q[2]) << 16 | std::uint32_t(q[1]) << 8 | q[0];
    }

    if (!runLength) {
        if (const FileMapping* mapping = block->UnchangedMapping()) {
            std::unique_ptr<FileSpan> rows =
                mapping->Span(pixelsAt, std::size_t(stride) * std::size_t(height));
            if (rows)
                return DeviceBitmap::Over(width, height,
                                          std::make_unique<FileRows>(std::move(rows), layout,
                                                                     header.biBitCount,
                                                                     std::size_t(stride), width,
                                                                     height, bottomUp, colors));
        }
    }

    HBITMAP bitmap = DeviceBitmap::Create(width, height);
    if (!bitmap)
        return {};

    if (runLength) {
        // Pixels the data skips show the first table entry.
        if (colors[0] != 0) {
            for (std::int32_t y = 0; y < height; ++y)
                std::fill(bitmap->MutableRow(y), bitmap->MutableRow(y) + width, colors[0]);
        }
        std::size_t size = available;
        if (header.biSizeImage != 0)
            size = std::min<std::size_t>(size, header.biSizeImage);
        PaintRunLength(pixels, size, layout == Layout::Rle4, colors, *bitmap, bottomUp);
        return bitmap;
    }

    for (std::int32_t y = 0; y < height; ++y) {
        const std::int32_t row = bottomUp ? height - 1 - y : y;
        DecodeRow(layout, header.biBitCount, pixels + std::size_t(stride) * std::size_t(y),
                  bitmap->MutableRow(row), width, colors);
    }
    return bitmap;
}
