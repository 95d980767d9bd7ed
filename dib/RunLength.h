// Run-length pixel data of 8-bit (RLE8) and 4-bit (RLE4) bitmaps.
//
// The data is a list of byte pairs. A pair (n, v) with n > 0 is a run of n
// pixels: index v for 8 bits, the two indices in v's high and low half
// alternating (high first) for 4 bits. A pair (0, c) is an escape: c = 0
// ends the row, c = 1 ends the bitmap, c = 2 moves right and up by the next
// two bytes, and c >= 3 is followed by c literal indices (c bytes, or c
// nibbles high first), padded to an even byte count.
#pragma once

#include "dib/DeviceObjects.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Paints run-length data onto a bitmap whose pixels already hold the colour
// for pixels the data leaves out. Rows of the data count from the bottom of
// the bitmap when bottomUp, else from its top. Pixels beyond a row's end are
// dropped (a run does not wrap to the next row); decoding stops at the end
// of the bitmap, at the last row, or where the data runs out, whatever the
// data claims.
void PaintRunLength(const std::uint8_t* data, std::size_t size, bool fourBit,
                    const std::uint32_t (&colors)[256], DeviceBitmap& bitmap, bool bottomUp);
// The same onto rows of any picture: row y (top to bottom) of width pixels
// starts rowPixels pixels after row y - 1.
void PaintRunLength(const std::uint8_t* data, std::size_t size, bool fourBit,
                    const std::uint32_t (&colors)[256], std::uint32_t* pixels, std::int32_t width,
                    std::int32_t height, std::size_t rowPixels, bool bottomUp);

// Appends one row of indices in run-length form, without the row's end
// mark. For 4 bits each index must be below 16. May throw std::bad_alloc.
void AppendRle8Row(const std::uint8_t* indices, std::size_t count, std::vector<std::uint8_t>& out);
void AppendRle4Row(const std::uint8_t* indices, std::size_t count, std::vector<std::uint8_t>& out);
