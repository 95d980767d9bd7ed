// Device-independent bitmaps in memory: reading bitmap files into blocks,
// palettes and device bitmaps, capturing device bitmaps at a chosen depth and
// writing bitmap files. Every handle returned belongs to the caller.
#pragma once

#include "dib/DeviceObjects.h"
#include "dib/DibFile.h"
#include "dib/DibFormat.h"
#include "dib/MemoryBlock.h"

#include <functional>
#include <string>

class CMyBitMap
{
public:
    // What the class needs of the desktop: a message box without owner, and
    // the wait cursor around long work. Unset callbacks do nothing.
    struct Platform
    {
        std::function<void(const std::u16string& text, const std::u16string& caption)> showMessage;
        std::function<void()> beginWait;
        std::function<void()> endWait;
    };

    // Chunk size of file reads and writes.
    static constexpr std::uint32_t kChunkBytes = 0x8000;

    CMyBitMap();
    explicit CMyBitMap(Platform platform);
    virtual ~CMyBitMap();

    // Reading (bitmap file to block, palette, device bitmap).
    HDIB LoadFile(const std::u16string& path);
    // LoadFile's work once the file is open: a whole bitmap file from the
    // file's position. Quietly none when it cannot be read.
    HDIB ReadDib(DibFile& file);
    HDIB ReadInfoBlock(DibFile& file);
    int QueryHeader(const MemoryBlock* block, BITMAPINFOHEADER* header);
    std::uint16_t CountColors(const std::uint8_t* header);
    std::uint16_t ColorTableBytes(const std::uint8_t* header);
    HPALETTE PaletteFromHeader(const std::uint8_t* header);
    HPALETTE PaletteFromBlock(const MemoryBlock* block);
    HBITMAP ToDeviceBitmap(const MemoryBlock* block, const DevicePalette* palette);
    std::uint32_t ReadChunked(DibFile& file, std::uint8_t* destination, std::uint32_t count);

    // Capture and writing.
    HDIB FromDeviceBitmap(const DeviceBitmap* bitmap, std::uint32_t compression,
                          std::uint16_t bitsPerPixel, const DevicePalette* palette);
    int SaveFile(const std::u16string& path, const MemoryBlock* block);
    std::uint32_t WriteChunked(DibFile& file, const std::uint8_t* source, std::uint32_t count);
    void WriteFileHeader(DibFile& file, const BITMAPFILEHEADER& header);

private:
    Platform m_platform;
};
