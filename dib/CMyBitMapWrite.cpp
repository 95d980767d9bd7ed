// Blocks to bitmap files.
#include "dib/CMyBitMap.h"

namespace {

// WriteFileHeader's work, telling whether both writes were complete.
bool WriteHeaderBytes(DibFile& file, const BITMAPFILEHEADER& header)
{
    std::uint8_t type[2];
    WriteU16(type, header.bfType);
    std::uint8_t rest[12];
    WriteU32(rest, header.bfSize);
    WriteU16(rest + 4, header.bfReserved1);
    WriteU16(rest + 6, header.bfReserved2);
    WriteU32(rest + 8, header.bfOffBits);
    const bool typeWritten = file.Write(type, sizeof type) == sizeof type;
    const bool restWritten = file.Write(rest, sizeof rest) == sizeof rest;
    return typeWritten && restWritten;
}

} // namespace

int CMyBitMap::SaveFile(const std::u16string& path, const MemoryBlock* block)
{
    if (block == nullptr)
        return 0;
    // The file header's 32-bit fields must hold the sizes; a block without
    // a whole header is nothing to save.
    const std::size_t size = block->Size();
    if (size < kInfoHeaderBytes || size > 0xFFFFFFFFu - kFileHeaderBytes)
        return 0;
    const std::uint64_t offset = std::uint64_t(ReadU32(block->Data())) +
                                 HeaderColorTableBytes(block->Data()) + kFileHeaderBytes;
    if (offset > 0xFFFFFFFFu)
        return 0;

    const std::unique_ptr<DibFile> file = CreateNewDibFile(path);
    if (!file) {
        if (m_platform.showMessage)
            m_platform.showMessage(u"Can not create the file!", path);
        return 0;
    }
    BITMAPFILEHEADER header;
    header.bfType = kBitmapFileType;
    header.bfSize = std::uint32_t(size + kFileHeaderBytes);
    header.bfOffBits = std::uint32_t(offset);
    const bool headerWritten = WriteHeaderBytes(*file, header);
    const bool blockWritten =
        WriteChunked(*file, block->Data(), std::uint32_t(size)) == std::uint32_t(size);
    return headerWritten && blockWritten ? 1 : 0;
}

std::uint32_t CMyBitMap::WriteChunked(DibFile& file, const std::uint8_t* source,
                                      std::uint32_t count)
{
    std::uint32_t left = count;
    while (left > kChunkBytes) {
        if (file.Write(source, kChunkBytes) != kChunkBytes)
            return 0;
        source += kChunkBytes;
        left -= kChunkBytes;
    }
    if (file.Write(source, left) != left)
        return 0;
    return count;
}

void CMyBitMap::WriteFileHeader(DibFile& file, const BITMAPFILEHEADER& header)
{
    (void)WriteHeaderBytes(file, header);
}
