// Reading bitmap files into blocks, and what a block's header tells.
#include "dib/CMyBitMap.h"

#include <algorithm>

namespace {

// More pixel data than this beyond what the file holds is not a short file
// but a lie; such a header is refused instead of being allocated.
constexpr std::uint64_t kMissingBytesAllowed = std::uint64_t(16) << 20;

// Entries a 40-byte block's table may have, so that the table's bytes fit
// ColorTableBytes' 16-bit result.
constexpr std::uint32_t kMaxTableEntries = 0xFFFF / 4;

// Smaller pixel arrays are read: mapping them would save next to nothing.
constexpr std::uint32_t kSmallestMappedPixels = std::uint32_t(1) << 20;

} // namespace

std::uint16_t CMyBitMap::CountColors(const std::uint8_t* header)
{
    return HeaderColorCount(header);
}

std::uint16_t CMyBitMap::ColorTableBytes(const std::uint8_t* header)
{
    const std::uint32_t bytes = HeaderColorTableBytes(header);
    return bytes > 0xFFFF ? std::uint16_t(0xFFFF) : std::uint16_t(bytes);
}

HDIB CMyBitMap::LoadFile(const std::u16string& path)
{
    const std::unique_ptr<DibFile> file = OpenDibFileForReading(path);
    if (!file) {
        if (m_platform.showMessage)
            m_platform.showMessage(u"Can not open the file!", path);
        return {};
    }
    return ReadDib(*file);
}

HDIB CMyBitMap::ReadDib(DibFile& file)
{
    HDIB block = ReadInfoBlock(file);
    if (!block)
        return {};
    BITMAPINFOHEADER header;
    if (!QueryHeader(block.get(), &header))
        return {};
    const std::uint32_t tableBytes = HeaderColorTableBytes(block->Data());

    const std::int64_t position = file.Tell();
    const std::int64_t length = file.Length();
    const std::uint64_t remaining =
        position >= 0 && length > position ? std::uint64_t(length - position) : 0;
    if (header.biSizeImage > remaining + kMissingBytesAllowed)
        return {};

    const std::size_t pixelsAt = kInfoHeaderBytes + std::size_t(tableBytes);
    if (m_platform.mapPrivateFiles && header.biSizeImage >= kSmallestMappedPixels &&
        header.biSizeImage <= remaining && std::uint64_t(position) >= pixelsAt) {
        // The pixels stay where the file has them; the header and table as
        // read go just before them, over whatever the file holds there.
        std::unique_ptr<FileMapping> mapping =
            file.Map(std::uint64_t(position) - pixelsAt, pixelsAt + header.biSizeImage);
        if (mapping) {
            const std::size_t known = std::min(block->Size(), pixelsAt);
            std::copy(block->Data(), block->Data() + known, mapping->Data());
            std::fill(mapping->Data() + known, mapping->Data() + pixelsAt, std::uint8_t(0));
            if (HDIB mapped = MemoryBlock::Over(std::move(mapping)))
                return mapped;
        }
    }
    if (!block->Resize(pixelsAt + header.biSizeImage))
        return {};
    // A short file leaves the rest of the pixels zero; that is not an error.
    (void)ReadChunked(file, block->Data() + pixelsAt, header.biSizeImage);
    return block;
}

HDIB CMyBitMap::ReadInfoBlock(DibFile& file)
{
    const std::int64_t start = file.Tell();
    if (start < 0)
        return {};

    std::uint8_t type[2] = {};
    std::uint8_t rest[12] = {};
    file.Read(type, sizeof type);
    file.Read(rest, sizeof rest);
    std::uint32_t pixelOffset = ReadU32(rest + 8);
    if (ReadU16(type) != kBitmapFileType) {
        // No file header: the information header starts right here.
        pixelOffset = 0;
        if (file.Seek(start, DibFile::Origin::Begin) < 0)
            return {};
    }

    std::uint8_t bytes[kInfoHeaderBytes];
    if (file.Read(bytes, sizeof bytes) != sizeof bytes)
        return {};
    const std::uint16_t colors = HeaderColorCount(bytes);
    const bool core = ReadU32(bytes) == kCoreHeaderBytes;

    BITMAPINFOHEADER header;
    if (core) {
        header.biSize = kInfoHeaderBytes;
        header.biWidth = ReadU16(bytes + 4);
        header.biHeight = ReadU16(bytes + 6);
        header.biPlanes = ReadU16(bytes + 8);
        header.biBitCount = ReadU16(bytes + 10);
        header.biClrUsed = colors;
        header.biClrImportant = colors;
        // The colour table follows the short header, inside what was read.
        if (file.Seek(std::int64_t(kCoreHeaderBytes) - std::int64_t(kInfoHeaderBytes),
                      DibFile::Origin::Current) < 0)
            return {};
    } else if (ReadU32(bytes) != kInfoHeaderBytes) {
        return {};
    } else {
        header = ParseInfoHeader(bytes);
    }

    if (header.biSizeImage == 0) {
        const auto size = UncompressedImageSize(header.biWidth, header.biHeight, header.biBitCount);
        if (!size)
            return {};
        header.biSizeImage = *size;
    }
    if (header.biClrUsed == 0) {
        std::uint8_t now[kInfoHeaderBytes];
        StoreInfoHeader(header, now);
        header.biClrUsed = HeaderColorCount(now);
    }
    if (colors > kMaxTableEntries)
        return {};

    HDIB block = MemoryBlock::Allocate(kInfoHeaderBytes + 4 * std::size_t(colors));
    if (!block)
        return {};
    std::uint8_t* data = block->Data();
    StoreInfoHeader(header, data);

    std::uint8_t* table = data + kInfoHeaderBytes;
    if (colors != 0 && core) {
        // Three bytes an entry in the file, four in memory: widen in place
        // from the last entry down, so that no triple is overwritten before
        // it is read.
        file.Read(table, 3 * std::size_t(colors));
        for (std::size_t i = colors; i-- > 0;) {
            const std::uint8_t blue = table[3 * i];
            const std::uint8_t green = table[3 * i + 1];
            const std::uint8_t red = table[3 * i + 2];
            table[4 * i] = blue;
            table[4 * i + 1] = green;
            table[4 * i + 2] = red;
            table[4 * i + 3] = 0;
        }
    } else if (colors != 0) {
        file.Read(table, 4 * std::size_t(colors));
    }

    if (pixelOffset != 0 &&
        file.Seek(start + std::int64_t(pixelOffset), DibFile::Origin::Begin) < 0)
        return {};
    return block;
}

int CMyBitMap::QueryHeader(const MemoryBlock* block, BITMAPINFOHEADER* header)
{
    if (block == nullptr || header == nullptr || block->Size() < kInfoHeaderBytes)
        return 0;
    const std::uint8_t* data = block->Data();
    *header = ParseInfoHeader(data);
    if (header->biSize == kCoreHeaderBytes)
        return 1;
    if (header->biSizeImage == 0) {
        const auto size =
            UncompressedImageSize(header->biWidth, header->biHeight, header->biBitCount);
        if (!size)
            return 0;
        header->biSizeImage = *size;
    }
    if (header->biClrUsed == 0)
        header->biClrUsed = CountColors(data);
    return 1;
}

HPALETTE CMyBitMap::PaletteFromHeader(const std::uint8_t* header)
{
    if (ReadU32(header) != kInfoHeaderBytes)
        return {};
    const std::uint16_t count = CountColors(header);
    if (count > 0) {
        std::vector<PALETTEENTRY> entries(count);
        const std::uint8_t* table = header + kInfoHeaderBytes;
        for (std::size_t i = 0; i < count; ++i) {
            entries[i].peRed = table[4 * i + 2];
            entries[i].peGreen = table[4 * i + 1];
            entries[i].peBlue = table[4 * i];
        }
        return std::make_unique<DevicePalette>(std::move(entries));
    }
    if (ReadU16(header + 14) == 24)
        return std::make_unique<DevicePalette>(FixedPalette());
    return {};
}

HPALETTE CMyBitMap::PaletteFromBlock(const MemoryBlock* block)
{
    if (block == nullptr || block->Size() < kInfoHeaderBytes)
        return {};
    // The table must lie inside the block before it is read.
    if (ReadU32(block->Data()) == kInfoHeaderBytes &&
        block->Size() < kInfoHeaderBytes + std::size_t(HeaderColorTableBytes(block->Data())))
        return {};
    return PaletteFromHeader(block->Data());
}

std::uint32_t CMyBitMap::ReadChunked(DibFile& file, std::uint8_t* destination, std::uint32_t count)
{
    std::uint32_t left = count;
    while (left > kChunkBytes) {
        if (file.Read(destination, kChunkBytes) != kChunkBytes)
            return 0;
        destination += kChunkBytes;
        left -= kChunkBytes;
    }
    if (file.Read(destination, left) != left)
        return 0;
    return count;
}
