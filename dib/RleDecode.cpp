#include "dib/RunLength.h"

#include <algorithm>

void PaintRunLength(const std::uint8_t* data, std::size_t size, bool fourBit,
                    const std::uint32_t (&colors)[256], DeviceBitmap& bitmap, bool bottomUp)
{
    if (bitmap.Width() > 0 && bitmap.Height() > 0 && bitmap.MutableRow(0) != nullptr)
        PaintRunLength(data, size, fourBit, colors, bitmap.MutableRow(0), bitmap.Width(),
                       bitmap.Height(), std::size_t(bitmap.Width()), bottomUp);
}

void PaintRunLength(const std::uint8_t* data, std::size_t size, bool fourBit,
                    const std::uint32_t (&colors)[256], std::uint32_t* pixels0,
                    std::int32_t columns, std::int32_t rows, std::size_t rowPixels, bool bottomUp)
{
    const std::int64_t width = columns;
    const std::int64_t height = rows;
    // 64 bits: every pair moves x by at most 255, so x stays far from
    // overflowing whatever the data.
    std::int64_t x = 0;
    std::int64_t y = 0;
    std::size_t p = 0;
    auto row = [&]() { return pixels0 + std::size_t(bottomUp ? height - 1 - y : y) * rowPixels; };
    auto index = [&](std::size_t k, std::uint8_t byte) -> std::uint8_t {
        if (!fourBit)
            return byte;
        return (k & 1) != 0 ? byte & 0x0F : byte >> 4;
    };

    while (y < height && size - p >= 2) {
        const std::uint8_t count = data[p];
        const std::uint8_t value = data[p + 1];
        p += 2;
        if (count != 0) {
            std::uint32_t* pixels = row();
            const std::int64_t end = std::min(width, x + count);
            for (std::int64_t k = 0; x + k < end; ++k)
                pixels[x + k] = colors[index(std::size_t(k), value)];
            x += count;
            continue;
        }
        switch (value) {
        case 0: // end of row
            x = 0;
            ++y;
            break;
        case 1: // end of bitmap
            return;
        case 2: // move
            if (size - p < 2)
                return;
            x += data[p];
            y += data[p + 1];
            p += 2;
            break;
        default: { // literal indices
            const std::size_t bytes = fourBit ? (std::size_t(value) + 1) / 2 : value;
            const std::size_t available = std::min(bytes, size - p);
            const std::size_t pixelsThere =
                fourBit ? std::min<std::size_t>(value, available * 2) : available;
            std::uint32_t* pixels = row();
            for (std::size_t k = 0; k < pixelsThere && x + std::int64_t(k) < width; ++k) {
                const std::uint8_t byte = data[p + (fourBit ? k / 2 : k)];
                pixels[x + std::int64_t(k)] = colors[index(k, byte)];
            }
            if (available < bytes)
                return; // the data ends inside the run
            x += value;
            p += std::min(bytes + (bytes & 1), size - p);
            break;
        }
        }
    }
}
