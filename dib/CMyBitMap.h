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
        // The files LoadFile and ReadDib are given are the caller's own and
        // nobody changes them while their blocks live: large pixel arrays are
        // then mapped instead of read, and device bitmaps made from such a
        // block read their rows from the file as they are asked for.
        bool mapPrivateFiles = false;
    };

    // Chunk size of file reads and writes.
    static constexpr std::uint32_t kChunkBytes = 0x8000;

    CMyBitMap();
    explicit CMyBitMap(Platform platform);
    virtual ~CMyBitMap();

    // Reading (bitmap file to block, palette, device bitmap).

    // A bitmap file into a block: header, colour table, pixels. Pixels the
    // file lacks are zero; a header claiming more than 16 MiB beyond what
    // the file holds is refused. Says so when the file cannot be opened.
    // Mapped rather than read when the platform allows it (see
    // Platform::mapPrivateFiles) and the file holds every pixel.
    HDIB LoadFile(const std::u16string& path);
    // LoadFile's work once the file is open: a whole bitmap file from the
    // file's position. Quietly none when it cannot be read.
    HDIB ReadDib(DibFile& file);
    // Header and colour table from the file's position (with or without a
    // file header; a short header is widened to 40 bytes), leaving the file
    // where the pixels are. None for other header sizes, fewer than 40
    // header bytes, sizes that do not fit 32 bits, or a table of more than
    // 16383 entries (whose bytes ColorTableBytes could not count).
    HDIB ReadInfoBlock(DibFile& file);
    // The block's header with image size and colours used filled in (not
    // in the block). 0 for no block, less than a header, or an image size
    // that cannot be worked out.
    int QueryHeader(const MemoryBlock* block, BITMAPINFOHEADER* header);
    std::uint16_t CountColors(const std::uint8_t* header);
    // At most 0xFFFF: larger tables are never read; HeaderColorTableBytes
    // has the full figure.
    std::uint16_t ColorTableBytes(const std::uint8_t* header);
    HPALETTE PaletteFromHeader(const std::uint8_t* header);
    // Also none when the block is too short for its colour table.
    HPALETTE PaletteFromBlock(const MemoryBlock* block);
    // The block's picture on the (true-colour) device. Knows 1, 4 and 8 bits
    // through the colour table (indices beyond it show black), 16 bits 5-5-5,
    // 24 and 32 bits, bit fields with the usual masks (5-6-5, 8-8-8: a block
    // keeps none of its own) and run-length data at 8 and 4 bits, where
    // pixels the data skips show the table's first entry. Five- and six-bit
    // channels widen by repeating their top bits (31 becomes 255).
    HBITMAP ToDeviceBitmap(const MemoryBlock* block, const DevicePalette* palette);
    std::uint32_t ReadChunked(DibFile& file, std::uint8_t* destination, std::uint32_t count);

    // Capture and writing.

    // The bitmap as a block at 1, 4, 8, 16 (5-5-5), 24 or 32 bits (0: the
    // device's own 32), uncompressed, or run-length coded at 8 (BI_RLE8) or
    // 4 bits (BI_RLE4). Indexed depths take the nearest colour (see
    // NearestColor.h) of black and white, the VGA colours, or the palette's
    // first 256 entries. Run-length data gets half as much room again as
    // plain pixels, more if the coding needs it; the header then gives the
    // coded size. Bit fields are not made: a block has no room for masks.
    HDIB FromDeviceBitmap(const DeviceBitmap* bitmap, std::uint32_t compression,
                          std::uint16_t bitsPerPixel, const DevicePalette* palette);
    // Writes the block as a new file; never replaces one. 1 when every byte
    // was written.
    int SaveFile(const std::u16string& path, const MemoryBlock* block);
    std::uint32_t WriteChunked(DibFile& file, const std::uint8_t* source, std::uint32_t count);
    void WriteFileHeader(DibFile& file, const BITMAPFILEHEADER& header);

private:
    Platform m_platform;
};
