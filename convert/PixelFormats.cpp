#include "convert/PixelFormats.h"

#include "convert/Imaging.h"
#include "resources/resource.h"

namespace {

constexpr PixelFormatEntry kFormats[] = {
    {u"1 bit Indexed", PixelFormat1bppIndexed, IDS_STRING138, 1},
    {u"4 bits Indexed", PixelFormat4bppIndexed, IDS_STRING139, 4},
    {u"8 bits Indexed", PixelFormat8bppIndexed, IDS_STRING140, 8},
    {u"16 bits RGB565", PixelFormat16bppRGB565, IDS_STRING141, 0},
    {u"24 bits RGB", PixelFormat24bppRGB, IDS_STRING142, 0},
    {u"32 bits ARGB", PixelFormat32bppARGB, IDS_STRING143, 0},
    {u"32 bits PARGB", PixelFormat32bppPARGB, IDS_STRING144, 0},
    {u"32 bits RGB", PixelFormat32bppRGB, IDS_STRING145, 0},
    {u"64 bits ARGB", PixelFormat64bppARGB, IDS_STRING146, 0},
    {u"64 bits PARGB", PixelFormat64bppPARGB, IDS_STRING147, 0},
};
constexpr int kDefaultIndex = 4; // 24 bits RGB

} // namespace

std::span<const PixelFormatEntry> PixelFormatTable()
{
    return kFormats;
}

const PixelFormatEntry& PixelFormatForIndex(int index)
{
    if (index < 0 || index >= int(std::size(kFormats)))
        return kFormats[kDefaultIndex];
    return kFormats[index];
}

int IndexedFormatFor(int pixelFormat)
{
    return IndexedBitCount(pixelFormat) > 0 ? pixelFormat : 0;
}

int IndexedBitCount(int indexedFormat)
{
    switch (indexedFormat) {
    case PixelFormat1bppIndexed:
        return 1;
    case PixelFormat4bppIndexed:
        return 4;
    case PixelFormat8bppIndexed:
        return 8;
    default:
        return 0;
    }
}

int RotateFlipCode(int angle, int flip)
{
    // Rows: angle 0, 90, 180, 270; columns: no flip, horizontal, vertical.
    static constexpr int kCodes[4][3] = {
        {RotateNoneFlipNone, RotateNoneFlipX, RotateNoneFlipY},
        {Rotate90FlipNone, Rotate90FlipX, Rotate90FlipY},
        {Rotate180FlipNone, Rotate180FlipX, Rotate180FlipY},
        {Rotate270FlipNone, Rotate270FlipX, Rotate270FlipY},
    };
    int row = -1;
    switch (angle) {
    case 0:
        row = 0;
        break;
    case 90:
        row = 1;
        break;
    case 180:
        row = 2;
        break;
    case 270:
        row = 3;
        break;
    default:
        return -1;
    }
    const int column = (flip == 1 || flip == 2) ? flip : 0;
    return kCodes[row][column];
}
