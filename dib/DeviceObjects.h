// Stand-ins for the display's device objects: a logical palette and a device
// bitmap. The "screen" here is a true-colour device: a device bitmap holds
// 32-bit pixels whatever DIB it was made from.
#pragma once

#include "dib/DibFormat.h"

#include <cstdint>
#include <memory>
#include <vector>

struct PALETTEENTRY
{
    std::uint8_t peRed = 0;
    std::uint8_t peGreen = 0;
    std::uint8_t peBlue = 0;
    std::uint8_t peFlags = 0;
};

class DevicePalette
{
public:
    explicit DevicePalette(std::vector<PALETTEENTRY> entries) : m_entries(std::move(entries)) {}
    const std::vector<PALETTEENTRY>& Entries() const { return m_entries; }

private:
    std::vector<PALETTEENTRY> m_entries;
};

// What one reader of a device bitmap keeps between rows, for sources that
// read a band of rows at a time.
struct RowCursor
{
    std::vector<std::uint8_t> band;
    std::int32_t first = -1; // stored row at the start of the band
    std::int32_t rows = 0;
};

// Where a device bitmap that keeps no pixels of its own gets its rows.
class DeviceBitmapRows
{
public:
    virtual ~DeviceBitmapRows() = default;
    // Row y (top to bottom) as 0x00RRGGBB pixels. Readers on several threads
    // may read at once, each with a cursor of its own.
    virtual void Read(std::int32_t y, std::uint32_t* pixels, RowCursor& cursor) const = 0;
};

class DeviceBitmap
{
public:
    static constexpr std::uint16_t kPlanes = 1;
    static constexpr std::uint16_t kBitsPixel = 32;

    // Null when the pixels cannot be allocated.
    static std::unique_ptr<DeviceBitmap> Create(std::int32_t width, std::int32_t height) noexcept;
    // A bitmap whose rows are made by the source when they are read: a
    // picture kept elsewhere (a mapped file) is not copied. Such a bitmap
    // cannot be drawn on. Null when even a row cannot be allocated.
    static std::unique_ptr<DeviceBitmap> Over(std::int32_t width, std::int32_t height,
                                              std::unique_ptr<DeviceBitmapRows> rows) noexcept;

    std::int32_t Width() const { return m_width; }
    std::int32_t Height() const { return m_height; }
    // Rows top to bottom, each pixel 0x00RRGGBB. A row of a bitmap over a
    // source stays valid only until the next row is read. One thread at a
    // time; threads reading at once each use a RowReader.
    const std::uint32_t* Row(std::int32_t y) const
    {
        if (m_rows) {
            m_rows->Read(y, m_pixels.get(), m_cursor);
            return m_pixels.get();
        }
        return m_pixels.get() + std::size_t(y) * m_width;
    }
    // For drawing; only bitmaps made by Create have rows to draw on.
    std::uint32_t* MutableRow(std::int32_t y)
    {
        return m_rows ? nullptr : m_pixels.get() + std::size_t(y) * m_width;
    }

    // Reads rows of a bitmap for one thread. May throw std::bad_alloc.
    class RowReader
    {
    public:
        explicit RowReader(const DeviceBitmap& bitmap);
        const std::uint32_t* Row(std::int32_t y);

    private:
        const DeviceBitmap& m_bitmap;
        std::vector<std::uint32_t> m_row;
        RowCursor m_cursor;
    };

private:
    DeviceBitmap() = default;
    struct FreeDeleter
    {
        void operator()(std::uint32_t* p) const noexcept;
    };
    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    // Every pixel, or one row for the source to fill.
    std::unique_ptr<std::uint32_t[], FreeDeleter> m_pixels;
    std::unique_ptr<DeviceBitmapRows> m_rows;
    mutable RowCursor m_cursor;
};

using HPALETTE = std::unique_ptr<DevicePalette>;
using HBITMAP = std::unique_ptr<DeviceBitmap>;

// The palette a capture uses when none is given: the 20 static colours of
// the system palette.
const DevicePalette& DefaultPalette();
// The 16 colours of a 4-bit capture: the standard VGA colours.
const DevicePalette& VgaPalette();
// The 256 colours shown for a true-colour bitmap without a colour table:
// 8 reds by 8 greens by 4 blues, entry r + 8g + 64b = (32r, 32g, 64b).
const DevicePalette& FixedPalette();
