// WMF raster records. PATBLT and the blits without a bitmap paint with the
// brush; the bitmap-carrying forms wait for the DIB reader and are passed over.
#include "metafile/WmfPlayContext.h"
#include "metafile/WmfRecordTypes.h"

namespace metafile {

namespace {

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

} // namespace

RecordResult PlayWmfBitmapRecord(WmfPlayContext& play, const WmfRecord& record)
{
    switch (record.RecordFunction) {
    case META_PATBLT:
        return PatternBlit(play, record, 2);
    case META_BITBLT:
    case META_DIBBITBLT:
        // rop, ySrc, xSrc, reserved, height, width, yDest, xDest
        return WithoutBitmap(record) ? PatternBlit(play, record, 5) : RecordResult::Skipped;
    case META_STRETCHBLT:
    case META_DIBSTRETCHBLT:
        // rop, srcHeight, srcWidth, ySrc, xSrc, reserved, destHeight, destWidth, yDest, xDest
        return WithoutBitmap(record) ? PatternBlit(play, record, 7) : RecordResult::Skipped;
    case META_STRETCHDIB:
    case META_SETDIBTODEV:
        return RecordResult::Skipped;
    case META_ESCAPE:
        return RecordResult::Played; // comments and printer escapes draw nothing
    default:
        return RecordResult::NotMine;
    }
}

} // namespace metafile
