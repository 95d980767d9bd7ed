// Device bitmaps to blocks at a chosen depth: colour tables and the nearest
// colours for the indexed depths, run-length coding for the compressed ones.
#include "dib/CMyBitMap.h"
#include "dib/NearestColor.h"
#include "dib/RunLength.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace {

bool CanProduce(std::uint32_t compression, std::uint16_t bits)
{
    switch (compression) {
    case BI_RGB:
        return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    case BI_RLE8:
        return bits == 8;
    case BI_RLE4:
        return bits == 4;
    // Bit fields would need their masks after the header, and a block has
    // no place for them: a file written from it would be misread.
    default:
        return false;
    }
}

void StoreTable(std::uint8_t* table, const std::vector<PALETTEENTRY>& entries)
{
    for (std::size_t i = 0; i < entries.size(); ++i) {
        table[4 * i] = entries[i].peBlue;
        table[4 * i + 1] = entries[i].peGreen;
        table[4 * i + 2] = entries[i].peRed;
        table[4 * i + 3] = 0;
    }
}

void PackBits(const std::uint8_t* indices, std::size_t count, std::uint8_t* out)
{
    std::size_t x = 0;
    for (; x + 8 <= count; x += 8) {
        const std::uint8_t* i = indices + x;
        *out++ = std::uint8_t(i[0] << 7 | i[1] << 6 | i[2] << 5 | i[3] << 4 | i[4] << 3 |
                              i[5] << 2 | i[6] << 1 | i[7]);
    }
    if (x < count) {
        std::uint8_t byte = 0;
        for (std::size_t k = 0; x + k < count; ++k)
            byte |= std::uint8_t(indices[x + k] << (7 - k));
        *out = byte;
    }
}

void PackNibbles(const std::uint8_t* indices, std::size_t count, std::uint8_t* out)
{
    for (std::size_t x = 0; x < count; x += 2) {
        const std::uint8_t low = x + 1 < count ? indices[x + 1] : 0;
        *out++ = std::uint8_t(indices[x] << 4 | low);
    }
}

// Black or white by brightness: Rec. 601 luma (0.299 R + 0.587 G + 0.114 B),
// the weights of common grey conversions, so the result looks like the grey
// picture; from mid-grey (128) up is white.
void BlackOrWhiteRow(const std::uint32_t* pixels, std::size_t count, std::uint8_t* indices)
{
    for (std::size_t x = 0; x < count; ++x) {
        const std::uint32_t p = pixels[x];
        const std::uint32_t luma1000 =
            299 * ((p >> 16) & 0xFF) + 587 * ((p >> 8) & 0xFF) + 114 * (p & 0xFF);
        indices[x] = luma1000 >= 128 * 1000 ? 1 : 0;
    }
}

void StoreDirectRow(std::uint16_t bits, const std::uint32_t* in, std::size_t count,
                    std::uint8_t* out)
{
    switch (bits) {
    case 16:
        for (std::size_t x = 0; x < count; ++x) {
            const std::uint32_t p = in[x];
            WriteU16(out + 2 * x,
                     std::uint16_t((p >> 9 & 0x7C00) | (p >> 6 & 0x03E0) | (p >> 3 & 0x001F)));
        }
        break;
    case 24:
        for (std::size_t x = 0; x < count; ++x) {
            const std::uint32_t p = in[x];
            out[3 * x] = std::uint8_t(p);
            out[3 * x + 1] = std::uint8_t(p >> 8);
            out[3 * x + 2] = std::uint8_t(p >> 16);
        }
        break;
    default:
        for (std::size_t x = 0; x < count; ++x)
            WriteU32(out + 4 * x, in[x] & 0xFFFFFF);
        break;
    }
}

// Runs work(begin, end) over bands of the output rows (bottom row first, as
// stored) on up to two threads for pictures large enough to gain from it.
// Throws std::bad_alloc when a band runs out of memory.
template <typename Work> void ForRowBands(const DeviceBitmap& bitmap, Work work)
{
    constexpr std::uint64_t kLarge = std::uint64_t(1) << 20; // pixels
    const std::int32_t height = bitmap.Height();
    const bool split = std::uint64_t(bitmap.Width()) * std::uint64_t(height) >= kLarge &&
                       height >= 2 && std::thread::hardware_concurrency() >= 2;
    if (!split) {
        work(0, height);
        return;
    }
    const std::int32_t middle = height / 2;
    std::atomic<bool> outOfMemory{false};
    const auto guarded = [&](std::int32_t begin, std::int32_t end) {
        try {
            work(begin, end);
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
        }
    };
    std::thread other;
    try {
        other = std::thread(guarded, middle, height);
    } catch (const std::system_error&) {
        guarded(middle, height); // no thread to be had: one after the other
    }
    guarded(0, middle);
    if (other.joinable())
        other.join();
    if (outOfMemory)
        throw std::bad_alloc();
}

// The block's table, pixels and (for run-length data) final image size.
bool FillBlock(MemoryBlock& block, const DeviceBitmap& bitmap, std::uint32_t compression,
               std::uint16_t bits, const DevicePalette& palette)
{
    BITMAPINFOHEADER header = ParseInfoHeader(block.Data());
    const std::size_t tableBytes = HeaderColorTableBytes(block.Data());
    const std::int32_t width = bitmap.Width();
    const std::int32_t height = bitmap.Height();
    const std::size_t stride = std::size_t(RowStride(width, bits));

    if (bits == 16 || bits == 24 || bits == 32) {
        std::uint8_t* pixels = block.Data() + kInfoHeaderBytes;
        ForRowBands(bitmap, [&](std::int32_t begin, std::int32_t end) {
            DeviceBitmap::RowReader reader(bitmap);
            for (std::int32_t y = begin; y < end; ++y)
                StoreDirectRow(bits, reader.Row(height - 1 - y), std::size_t(width),
                               pixels + stride * std::size_t(y));
        });
        return true;
    }

    std::vector<PALETTEENTRY> entries;
    if (bits == 1)
        entries = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    else if (bits == 4)
        entries = VgaPalette().Entries();
    else
        entries.assign(palette.Entries().begin(),
                       palette.Entries().begin() +
                           std::ptrdiff_t(std::min<std::size_t>(palette.Entries().size(), 256)));
    StoreTable(block.Data() + kInfoHeaderBytes, entries);
    const std::size_t area = std::size_t(width) * std::size_t(height);

    if (compression == BI_RGB) {
        std::uint8_t* pixels = block.Data() + kInfoHeaderBytes + tableBytes;
        ForRowBands(bitmap, [&](std::int32_t begin, std::int32_t end) {
            // The nearest-colour lookup fills itself in as it goes: one each.
            NearestColor nearest(entries.data(), entries.size(), area);
            DeviceBitmap::RowReader reader(bitmap);
            std::vector<std::uint8_t> indices(static_cast<std::size_t>(width));
            for (std::int32_t y = begin; y < end; ++y) {
                std::uint8_t* out = pixels + stride * std::size_t(y);
                const std::uint32_t* in = reader.Row(height - 1 - y);
                if (bits == 8) {
                    nearest.MapRow(in, std::size_t(width), out);
                    continue;
                }
                if (bits == 4) {
                    nearest.MapRow(in, std::size_t(width), indices.data());
                    PackNibbles(indices.data(), indices.size(), out);
                } else {
                    BlackOrWhiteRow(in, std::size_t(width), indices.data());
                    PackBits(indices.data(), indices.size(), out);
                }
            }
        });
        return true;
    }

    NearestColor nearest(entries.data(), entries.size(), area);
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(width));
    std::vector<std::uint8_t> coded;
    for (std::int32_t y = 0; y < height; ++y) {
        nearest.MapRow(bitmap.Row(height - 1 - y), std::size_t(width), indices.data());
        if (compression == BI_RLE8)
            AppendRle8Row(indices.data(), indices.size(), coded);
        else
            AppendRle4Row(indices.data(), indices.size(), coded);
        coded.push_back(0);
        coded.push_back(y + 1 < height ? 0 : 1); // end of row, or of the bitmap
    }
    if (coded.size() > 0xFFFFFFFFu)
        return false;
    // The reserve is a guess; noisy pictures can need more.
    const std::size_t pixelsAt = kInfoHeaderBytes + tableBytes;
    if (coded.size() > block.Size() - pixelsAt && !block.Resize(pixelsAt + coded.size()))
        return false;
    std::copy(coded.begin(), coded.end(), block.Data() + pixelsAt);
    header.biSizeImage = std::uint32_t(coded.size());
    StoreInfoHeader(header, block.Data());
    return true;
}

} // namespace

HDIB CMyBitMap::FromDeviceBitmap(const DeviceBitmap* bitmap, std::uint32_t compression,
                                 std::uint16_t bitsPerPixel, const DevicePalette* palette)
{
    if (bitmap == nullptr)
        return {};
    if (palette == nullptr)
        palette = &DefaultPalette();
    if (bitsPerPixel == 0)
        bitsPerPixel = DeviceBitmap::kPlanes * DeviceBitmap::kBitsPixel;
    if (!CanProduce(compression, bitsPerPixel))
        return {};

    BITMAPINFOHEADER header;
    header.biSize = kInfoHeaderBytes;
    header.biWidth = bitmap->Width();
    header.biHeight = bitmap->Height(); // positive: rows bottom-up
    header.biPlanes = 1;
    header.biBitCount = bitsPerPixel;
    header.biCompression = compression;
    std::uint8_t headerBytes[kInfoHeaderBytes];
    StoreInfoHeader(header, headerBytes);
    const std::size_t tableBytes = HeaderColorTableBytes(headerBytes);

    HDIB block = MemoryBlock::Allocate(kInfoHeaderBytes + tableBytes);
    if (!block)
        return {};

    // Complete the header: the exact size of plain pixels; for compressed
    // ones, which are sized only once coded, half as much again as plain.
    if (compression == BI_RGB) {
        const auto size = UncompressedImageSize(header.biWidth, header.biHeight, bitsPerPixel);
        if (!size)
            return {};
        header.biSizeImage = *size;
    }
    if (header.biSizeImage == 0 && compression != BI_RGB) {
        const std::uint64_t reserve =
            RowStride(header.biWidth, bitsPerPixel) * std::uint64_t(header.biHeight) * 3 / 2;
        if (reserve > 0xFFFFFFFFu)
            return {};
        header.biSizeImage = std::uint32_t(reserve);
    }
    StoreInfoHeader(header, block->Data());
    if (!block->Resize(kInfoHeaderBytes + tableBytes + header.biSizeImage))
        return {};

    try {
        if (!FillBlock(*block, *bitmap, compression, bitsPerPixel, *palette))
            return {};
    } catch (const std::bad_alloc&) {
        return {};
    }
    return block;
}
