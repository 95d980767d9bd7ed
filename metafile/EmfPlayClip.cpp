// EMF records that clip and that draw regions.
#include "metafile/EmfPlayer.h"
#include "metafile/EmfRecordTypes.h"
#include "metafile/RecordFields.h"

namespace metafile {

namespace {

// RGNDATA: a 32-byte header (size, type 1, count, ...), then count RECTLs
// in device units; the region is their union.
bool ReadRegion(EmfPlayer& player, const ByteReader& r, std::size_t offset, std::uint32_t cbRgnData,
                Region& out)
{
    ByteReader data;
    std::uint32_t headerSize = 0, type = 0, count = 0;
    if (cbRgnData < 32 || !r.Sub(offset, cbRgnData, data) || !data.U32At(0, headerSize) ||
        !data.U32At(4, type) || !data.U32At(8, count) || type != 1 || headerSize < 32)
        return false;
    const auto bytes = CheckedMul(count, 16);
    if (!bytes || !data.Holds(headerSize, *bytes) ||
        !player.Budget().SpendPoints(std::uint64_t(count) * 4))
        return false;
    out.path.Clear();
    out.path.fillRule = FillRule::Winding;
    for (std::uint32_t i = 0; i < count; ++i) {
        RectD rect;
        if (!ReadRectL(data, headerSize + 16 * std::size_t(i), rect))
            return false;
        if (rect.right > rect.left && rect.bottom > rect.top)
            out.path.AddRect(rect);
    }
    return true;
}

bool ValidCombine(std::uint32_t mode)
{
    return mode >= 1 && mode <= 5;
}

} // namespace

RecordResult PlayEmfClipRecord(EmfPlayer& player, const EmfRecord& record)
{
    GdiCore& core = player.Core();
    const ByteReader& r = record.bytes;
    RectD rect;
    std::uint32_t mode = 0, size = 0;
    Region region;
    switch (record.iType) {
    case EMR_INTERSECTCLIPRECT:
    case EMR_EXCLUDECLIPRECT:
        if (!ReadRectL(r, 8, rect))
            return RecordResult::Skipped;
        if (record.iType == EMR_INTERSECTCLIPRECT)
            core.IntersectClipRect(rect);
        else
            core.ExcludeClipRect(rect);
        return RecordResult::Played;
    case EMR_SETMETARGN:
        core.SetMetaRgn();
        return RecordResult::Played;
    case EMR_SELECTCLIPPATH:
        if (!r.U32At(8, mode) || !ValidCombine(mode))
            return RecordResult::Skipped;
        core.SelectClipPath(ClipCombine(mode));
        return RecordResult::Played;
    case EMR_EXTSELECTCLIPRGN:
        if (!r.U32At(8, size) || !r.U32At(12, mode) || !ValidCombine(mode))
            return RecordResult::Skipped;
        // No region data with RGN_COPY: back to no clip.
        if (size == 0 && mode == 5) {
            core.SelectClipRegion(Region{}, ClipCombine::Copy);
            return RecordResult::Played;
        }
        if (!ReadRegion(player, r, 16, size, region))
            return RecordResult::Skipped;
        core.SelectClipRegion(region, ClipCombine(mode));
        return RecordResult::Played;
    case EMR_FILLRGN: {
        std::uint32_t brushIndex = 0;
        if (!r.U32At(24, size) || !r.U32At(28, brushIndex) ||
            !ReadRegion(player, r, 32, size, region))
            return RecordResult::Skipped;
        const GdiObject object = (brushIndex & kStockObjectFlag)
                                     ? MakeStockObject(brushIndex & ~kStockObjectFlag)
                                     : GdiObject{};
        const GdiObject* found =
            (brushIndex & kStockObjectFlag) ? &object : player.Objects().Get(brushIndex);
        const auto* brush = found ? std::get_if<LogBrush>(found) : nullptr;
        if (!brush)
            return RecordResult::Skipped;
        core.FillRegion(region, *brush);
        return RecordResult::Played;
    }
    case EMR_PAINTRGN:
    case EMR_INVERTRGN:
        if (!r.U32At(24, size) || !ReadRegion(player, r, 28, size, region))
            return RecordResult::Skipped;
        if (record.iType == EMR_PAINTRGN)
            core.PaintRegion(region);
        else
            core.InvertRegion(region);
        return RecordResult::Played;
    default:
        return RecordResult::NotMine;
    }
}

} // namespace metafile
