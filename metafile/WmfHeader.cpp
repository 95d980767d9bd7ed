#include "metafile/WmfHeader.h"

#include "metafile/ByteReader.h"
#include "metafile/MetafileKind.h"
#include "metafile/WalkOutcome.h"
#include "metafile/WmfRecords.h"

#include <cmath>
#include <cstdlib>

namespace metafile {

namespace {

bool ReadPlaceable(const ByteReader& r, WmfPlaceable& p) noexcept
{
    if (!r.Holds(0, kWmfPlaceableSize))
        return false;
    r.U32At(0, p.Key);
    r.U16At(4, p.HWmf);
    r.I16At(6, p.Left);
    r.I16At(8, p.Top);
    r.I16At(10, p.Right);
    r.I16At(12, p.Bottom);
    r.U16At(14, p.Inch);
    r.U32At(16, p.Reserved);
    r.U16At(20, p.Checksum);
    p.computedChecksum = 0;
    for (std::size_t i = 0; i < 10; ++i) {
        std::uint16_t word = 0;
        r.U16At(i * 2, word);
        p.computedChecksum ^= word;
    }
    return true;
}

bool ReadHeader(const ByteReader& r, std::size_t offset, WmfHeader& h) noexcept
{
    if (!r.Holds(offset, std::size_t(kWmfHeaderWords) * 2))
        return false;
    r.U16At(offset, h.Type);
    r.U16At(offset + 2, h.HeaderSize);
    r.U16At(offset + 4, h.Version);
    r.U32At(offset + 6, h.Size);
    r.U16At(offset + 10, h.NumberOfObjects);
    r.U32At(offset + 12, h.MaxRecord);
    r.U16At(offset + 16, h.NumberOfMembers);
    return true;
}

} // namespace

MetafileStatus ReadWmfPicture(std::span<const std::uint8_t> bytes, WmfPicture& out) noexcept
{
    if (DetectMetafileKind(bytes) != MetafileKind::Wmf)
        return MetafileStatus::NotMetafile;
    const ByteReader file(bytes);
    WmfPicture p;
    std::size_t headerOffset = 0;
    if (HasWmfPlaceableHeader(bytes)) {
        if (!ReadPlaceable(file, p.placeable))
            return MetafileStatus::TruncatedHeader;
        p.hasPlaceable = true;
        headerOffset = kWmfPlaceableSize;
    }
    if (!ReadHeader(file, headerOffset, p.header))
        return MetafileStatus::TruncatedHeader;
    if ((p.header.Type != 1 && p.header.Type != 2) || p.header.HeaderSize != kWmfHeaderWords)
        return MetafileStatus::BadHeader;
    p.recordsOffset = headerOffset + std::size_t(kWmfHeaderWords) * 2;

    if (p.hasPlaceable) {
        // A flipped bounding box still spans its picture.
        const std::int64_t unitsWide =
            std::llabs(std::int64_t(p.placeable.Right) - p.placeable.Left);
        const std::int64_t unitsHigh =
            std::llabs(std::int64_t(p.placeable.Bottom) - p.placeable.Top);
        if (p.placeable.Inch == 0 || unitsWide == 0 || unitsHigh == 0)
            return MetafileStatus::BadHeader;
        // A logical unit is a pixel at Inch pixels per inch: at most 65535
        // pixels a side, so no scaling can overflow or round a side to 0.
        p.width = std::int32_t(unitsWide);
        p.height = std::int32_t(unitsHigh);
        p.dpi = p.placeable.Inch;
    } else {
        p.sizeFromRecords = true;
    }

    WmfRecordReader records(bytes, p.recordsOffset);
    WmfRecord record;
    while (records.Next(record)) {
        // Both records hold y before x, after the size and function.
        if (record.RecordFunction == META_SETWINDOWEXT && !p.hasWindowExt &&
            record.RecordSize >= 5) {
            record.bytes.I16At(6, p.windowExtY);
            record.bytes.I16At(8, p.windowExtX);
            p.hasWindowExt = true;
        } else if (record.RecordFunction == META_SETWINDOWORG && !p.hasWindowOrg &&
                   record.RecordSize >= 5) {
            record.bytes.I16At(6, p.windowOrgY);
            record.bytes.I16At(8, p.windowOrgX);
            p.hasWindowOrg = true;
        }
    }
    if (p.sizeFromRecords && p.hasWindowExt) {
        // One logical unit to a pixel; a negative extent only flips the axis.
        p.width = std::abs(std::int32_t(p.windowExtX));
        p.height = std::abs(std::int32_t(p.windowExtY));
    }
    KeepWalkOutcome(p, records);
    out = p;
    return MetafileStatus::Ok;
}

} // namespace metafile
