#include "dib/DeviceObjects.h"

#include "dib/MemoryBudget.h"
#include "dib/ZeroedMemory.h"

#include <cstdlib>
#include <new>

void DeviceBitmap::FreeDeleter::operator()(std::uint32_t* p) const noexcept
{
    std::free(p);
}

std::unique_ptr<DeviceBitmap> DeviceBitmap::Create(std::int32_t width, std::int32_t height) noexcept
{
    if (width <= 0 || height <= 0)
        return nullptr;
    const std::uint64_t pixels = std::uint64_t(width) * std::uint64_t(height);
    // A few bytes of run-length data can ask for billions of pixels.
    if (pixels > (std::uint64_t(1) << 31) || pixels * sizeof(std::uint32_t) > PictureMemoryBudget())
        return nullptr;
    std::unique_ptr<DeviceBitmap> bitmap(new (std::nothrow) DeviceBitmap);
    if (!bitmap)
        return nullptr;
    // Zeroed: a new bitmap is black, never undefined memory (and a large one
    // comes cleared from the system without a pass over it).
    bitmap->m_pixels.reset(
        static_cast<std::uint32_t*>(AllocateZeroed(std::size_t(pixels) * sizeof(std::uint32_t))));
    if (!bitmap->m_pixels)
        return nullptr;
    bitmap->m_width = width;
    bitmap->m_height = height;
    return bitmap;
}

std::unique_ptr<DeviceBitmap> DeviceBitmap::Over(std::int32_t width, std::int32_t height,
                                                 std::unique_ptr<DeviceBitmapRows> rows) noexcept
{
    if (width <= 0 || height <= 0 || !rows)
        return nullptr;
    std::unique_ptr<DeviceBitmap> bitmap(new (std::nothrow) DeviceBitmap);
    if (!bitmap)
        return nullptr;
    bitmap->m_pixels.reset(
        static_cast<std::uint32_t*>(AllocateZeroed(std::size_t(width) * sizeof(std::uint32_t))));
    if (!bitmap->m_pixels)
        return nullptr;
    bitmap->m_width = width;
    bitmap->m_height = height;
    bitmap->m_rows = std::move(rows);
    return bitmap;
}

DeviceBitmap::RowReader::RowReader(const DeviceBitmap& bitmap) : m_bitmap(bitmap)
{
    if (m_bitmap.m_rows)
        m_row.resize(std::size_t(m_bitmap.m_width));
}

const std::uint32_t* DeviceBitmap::RowReader::Row(std::int32_t y)
{
    if (!m_bitmap.m_rows)
        return m_bitmap.Row(y);
    m_bitmap.m_rows->Read(y, m_row.data(), m_cursor);
    return m_row.data();
}

namespace {

std::vector<PALETTEENTRY> Entries(std::initializer_list<PALETTEENTRY> list)
{
    return std::vector<PALETTEENTRY>(list);
}

} // namespace

const DevicePalette& DefaultPalette()
{
    // The static colours: eight dark ones, four that vary between systems
    // (here the common ones: money green, sky blue, cream, medium grey) and
    // eight bright ones.
    static const DevicePalette palette(Entries({
        {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},
        {0, 0, 128, 0},     {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0},
        {192, 220, 192, 0}, {166, 202, 240, 0}, {255, 251, 240, 0}, {160, 160, 164, 0},
        {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},     {255, 255, 0, 0},
        {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0},
    }));
    return palette;
}

const DevicePalette& VgaPalette()
{
    static const DevicePalette palette(Entries({
        {0, 0, 0, 0},
        {128, 0, 0, 0},
        {0, 128, 0, 0},
        {128, 128, 0, 0},
        {0, 0, 128, 0},
        {128, 0, 128, 0},
        {0, 128, 128, 0},
        {192, 192, 192, 0},
        {128, 128, 128, 0},
        {255, 0, 0, 0},
        {0, 255, 0, 0},
        {255, 255, 0, 0},
        {0, 0, 255, 0},
        {255, 0, 255, 0},
        {0, 255, 255, 0},
        {255, 255, 255, 0},
    }));
    return palette;
}

const DevicePalette& FixedPalette()
{
    static const DevicePalette palette([] {
        std::vector<PALETTEENTRY> entries(256);
        for (int i = 0; i < 256; ++i) {
            entries[i].peRed = std::uint8_t(32 * (i % 8));
            entries[i].peGreen = std::uint8_t(32 * ((i / 8) % 8));
            entries[i].peBlue = std::uint8_t(64 * (i / 64));
        }
        return entries;
    }());
    return palette;
}
