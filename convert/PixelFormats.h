// The ten output pixel formats in the order the format list shows them, and
// the mapping of rotation and flip to rotate-flip codes.
#pragma once

#include <span>

struct PixelFormatEntry
{
    const char16_t* entry; // the list's text
    int code;              // imaging pixel-format code
    int descriptionId;     // string shown under the list
    int indexedBits;       // 1, 4 or 8 for the indexed formats; 0 for direct ones
};

std::span<const PixelFormatEntry> PixelFormatTable();

// The entry for a list index; an index outside the table (no selection
// included) gives 24-bit RGB.
const PixelFormatEntry& PixelFormatForIndex(int index);

// The indexed format for a working pixel format: the code itself for the
// three indexed formats, otherwise 0.
int IndexedFormatFor(int pixelFormat);
// Bits per pixel of an indexed format code; 0 for anything else.
int IndexedBitCount(int indexedFormat);

// The rotate-flip code for a clockwise angle and a flip (0 none,
// 1 horizontal, 2 vertical); -1 when the angle is not 0, 90, 180 or 270.
int RotateFlipCode(int angle, int flip);
