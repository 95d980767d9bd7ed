// WMF raster records. PATBLT and the blits without a bitmap paint with the
// brush; the others carry a DIB, or in the oldest files a device-dependent
// bitmap, and go through the device context's StretchBlt with their ROP.
// Parameters are stored last to first.
#include "metafile/Bitmap16.h"
#include "metafile/DibImage.h"
#include "metafile/WmfPlayContext.h"
#include "metafile/WmfRecordTypes.h"

namespace metafile {

namespace {

constexpr std::uint32_t SRCCOPY = 0x00CC0020;

// Height, width, y, x from word index on.
bool ReadDestination(const WmfRecord& record, std::size_t index, RectD& out)
{
    std::int16_t h = 0, w = 0, y = 0, x = 0;
    if (!WmfI16(record, index, h) || !WmfI16(record, index + 1, w) ||
        !WmfI16(record, index + 2, y) || !WmfI16(record, index + 3, x))
        return false;
    out = {double(x), double(y), double(x) + w, double(y) + h};
    return true;
}

// The forms without a bitmap are exactly as long as their fixed fields.
bool WithoutBitmap(const WmfRecord& record)
{
    return record.RecordSize == (record.RecordFunction >> 8) + 3u;
}

RecordResult PatternBlit(WmfPlayContext& play, const WmfRecord& record, std::size_t destinationWord)
{
    std::uint32_t rop = 0;
    RectD destination;
    if (!WmfU32(record, 0, rop) || !ReadDestination(record, destinationWord, destination))
        return RecordResult::Skipped;
    play.core.PatBlt(destination, rop);
    return RecordResult::Played;
}

struct Bitmap
{
    Image image;
    bool bottomUp = false;
    int fullHeight = 0;
    bool monochrome = false; // a device-dependent 1-bit bitmap: the DC's colours
};

bool ReadDib(WmfPlayContext& play, const WmfRecord& record, std::size_t word, std::uint32_t usage,
             std::uint32_t rows, Bitmap& out)
{
    DibOptions options;
    options.usage = usage;
    options.rows = rows;
    DecodedDib dib;
    if (!DecodePackedDib(WmfTail(record, word).Bytes(), options, play.Budget(), dib))
        return false;
    out.image = std::move(dib.image);
    out.bottomUp = dib.bottomUp;
    out.fullHeight = dib.fullHeight;
    return true;
}

bool ReadBitmap16(WmfPlayContext& play, const WmfRecord& record, std::size_t word, Bitmap& out)
{
    const ByteReader tail = WmfTail(record, word);
    Bitmap16Fields fields;
    if (!ReadBitmap16Header(tail.Bytes(), fields) ||
        !DecodeBitmap16(fields, tail.Bytes().subspan(10), play.Budget(), out.image))
        return false;
    out.fullHeight = out.image.height;
    out.monochrome = fields.bitsPixel == 1;
    return true;
}

// The source's y as a row of the decoded (top-down) image: a bottom-up DIB
// counts its rows, and the source's y, from the bottom.
double SourceTop(const Bitmap& bitmap, double ySrc, double height)
{
    return bitmap.bottomUp ? double(bitmap.fullHeight) - ySrc - height : ySrc;
}

// BITBLT, STRETCHBLT and their DIB forms: rop, [srcHeight, srcWidth,] ySrc,
// xSrc, destination, bitmap.
RecordResult Blit(WmfPlayContext& play, const WmfRecord& record, bool stretch, bool dib)
{
    const std::size_t destinationWord = stretch ? 6 : 4;
    if (WithoutBitmap(record))
        return PatternBlit(play, record, destinationWord + 1);
    std::uint32_t rop = 0;
    std::int16_t srcHeight = 0, srcWidth = 0, ySrc = 0, xSrc = 0;
    RectD destination;
    const std::size_t s = stretch ? 2 : 0;
    if (!WmfU32(record, 0, rop) ||
        (stretch && (!WmfI16(record, 2, srcHeight) || !WmfI16(record, 3, srcWidth))) ||
        !WmfI16(record, s + 2, ySrc) || !WmfI16(record, s + 3, xSrc) ||
        !ReadDestination(record, destinationWord, destination))
        return RecordResult::Skipped;
    const double width = stretch ? srcWidth : destination.Width();
    const double height = stretch ? srcHeight : destination.Height();
    Bitmap bitmap;
    const std::size_t bitmapWord = destinationWord + 4;
    if (dib ? !ReadDib(play, record, bitmapWord, DIB_RGB_COLORS, 0, bitmap)
            : !ReadBitmap16(play, record, bitmapWord, bitmap))
        return RecordResult::Skipped;
    const double top = SourceTop(bitmap, ySrc, height);
    play.core.StretchBlt(destination, &bitmap.image,
                         {double(xSrc), top, xSrc + width, top + height}, rop, bitmap.monochrome);
    return RecordResult::Played;
}

// rop, usage, srcHeight, srcWidth, ySrc, xSrc, destination, DIB.
RecordResult StretchDib(WmfPlayContext& play, const WmfRecord& record)
{
    std::uint32_t rop = 0;
    std::uint16_t usage = 0;
    std::int16_t srcHeight = 0, srcWidth = 0, ySrc = 0, xSrc = 0;
    RectD destination;
    if (!WmfU32(record, 0, rop) || !WmfU16(record, 2, usage) || !WmfI16(record, 3, srcHeight) ||
        !WmfI16(record, 4, srcWidth) || !WmfI16(record, 5, ySrc) || !WmfI16(record, 6, xSrc) ||
        !ReadDestination(record, 7, destination))
        return RecordResult::Skipped;
    Bitmap bitmap;
    if (!ReadDib(play, record, 11, usage, 0, bitmap))
        return RecordResult::Skipped;
    const double top = SourceTop(bitmap, ySrc, srcHeight);
    play.core.StretchBlt(destination, &bitmap.image,
                         {double(xSrc), top, double(xSrc) + srcWidth, top + srcHeight}, rop, false);
    return RecordResult::Played;
}

// usage, scanCount, startScan, yDib, xDib, height, width, yDest, xDest, DIB:
// width by height device pixels of the DIB copied to a logical point.
RecordResult SetDibToDevice(WmfPlayContext& play, const WmfRecord& record)
{
    std::uint16_t usage = 0, scans = 0, startScan = 0;
    std::int16_t ySrc = 0, xSrc = 0, height = 0, width = 0;
    PointD at;
    if (!WmfU16(record, 0, usage) || !WmfU16(record, 1, scans) || !WmfU16(record, 2, startScan) ||
        !WmfI16(record, 3, ySrc) || !WmfI16(record, 4, xSrc) || !WmfI16(record, 5, height) ||
        !WmfI16(record, 6, width) || !WmfPointYX(record, 7, at) || scans == 0)
        return RecordResult::Skipped;
    Bitmap bitmap;
    if (!ReadDib(play, record, 9, usage, scans, bitmap))
        return RecordResult::Skipped;
    // The bits hold the rows from startScan on, counted from the bottom in a
    // bottom-up DIB.
    const double top = bitmap.bottomUp ? double(startScan) + bitmap.image.height - ySrc - height
                                       : double(ySrc) - startScan;
    GdiCore& core = play.core;
    const Matrix toReference = core.LogicalToReference();
    if (!toReference.IsInvertible())
        return RecordResult::Skipped;
    const PointD corner = toReference.Map(at);
    const PointD far = toReference.Inverted().Map({corner.x + width, corner.y + height});
    core.StretchBlt({at.x, at.y, far.x, far.y}, &bitmap.image,
                    {double(xSrc), top, double(xSrc) + width, top + height}, SRCCOPY, false);
    return RecordResult::Played;
}

} // namespace

RecordResult PlayWmfBitmapRecord(WmfPlayContext& play, const WmfRecord& record)
{
    switch (record.RecordFunction) {
    case META_PATBLT:
        return PatternBlit(play, record, 2);
    case META_BITBLT:
        return Blit(play, record, false, false);
    case META_DIBBITBLT:
        return Blit(play, record, false, true);
    case META_STRETCHBLT:
        return Blit(play, record, true, false);
    case META_DIBSTRETCHBLT:
        return Blit(play, record, true, true);
    case META_STRETCHDIB:
        return StretchDib(play, record);
    case META_SETDIBTODEV:
        return SetDibToDevice(play, record);
    case META_ESCAPE:
        return RecordResult::Played; // comments and printer escapes draw nothing
    default:
        return RecordResult::NotMine;
    }
}

} // namespace metafile
