// WMF records for the clip and for drawing with regions.
#include "metafile/WmfPlayContext.h"
#include "metafile/WmfRecordTypes.h"

namespace metafile {

namespace {

const Region* RegionAt(WmfPlayContext& play, const WmfRecord& record, std::size_t word)
{
    std::uint16_t index = 0;
    if (!WmfU16(record, word, index))
        return nullptr;
    const GdiObject* object = play.objects.Get(index);
    return object ? std::get_if<Region>(object) : nullptr;
}

const LogBrush* BrushAt(WmfPlayContext& play, const WmfRecord& record, std::size_t word)
{
    std::uint16_t index = 0;
    if (!WmfU16(record, word, index))
        return nullptr;
    const GdiObject* object = play.objects.Get(index);
    return object ? std::get_if<LogBrush>(object) : nullptr;
}

} // namespace

RecordResult PlayWmfClipRecord(WmfPlayContext& play, const WmfRecord& record)
{
    GdiCore& core = play.core;
    RectD r;
    PointD p;
    switch (record.RecordFunction) {
    case META_INTERSECTCLIPRECT:
    case META_EXCLUDECLIPRECT:
        if (!WmfRectBRTL(record, 0, r))
            return RecordResult::Skipped;
        if (record.RecordFunction == META_INTERSECTCLIPRECT)
            core.IntersectClipRect(r);
        else
            core.ExcludeClipRect(r);
        return RecordResult::Played;
    case META_OFFSETCLIPRGN:
        if (!WmfPointYX(record, 0, p))
            return RecordResult::Skipped;
        core.OffsetClipRgn(p);
        return RecordResult::Played;
    case META_SELECTCLIPREGION: {
        // Writers put a null handle here to mean the default clip.
        const Region* region = RegionAt(play, record, 0);
        core.SelectClipRegion(region ? *region : Region{}, ClipCombine::Copy);
        return RecordResult::Played;
    }
    case META_FILLREGION:
    case META_FRAMEREGION: {
        const Region* region = RegionAt(play, record, 0);
        const LogBrush* brush = BrushAt(play, record, 1);
        if (!region || !brush)
            return RecordResult::Skipped;
        if (record.RecordFunction == META_FILLREGION) {
            core.FillRegion(*region, *brush);
            return RecordResult::Played;
        }
        std::int16_t height = 0, width = 0;
        if (!WmfI16(record, 2, height) || !WmfI16(record, 3, width))
            return RecordResult::Skipped;
        core.FrameRegion(*region, *brush, width, height);
        return RecordResult::Played;
    }
    case META_PAINTREGION:
    case META_INVERTREGION: {
        const Region* region = RegionAt(play, record, 0);
        if (!region)
            return RecordResult::Skipped;
        if (record.RecordFunction == META_PAINTREGION)
            core.PaintRegion(*region);
        else
            core.InvertRegion(*region);
        return RecordResult::Played;
    }
    default:
        return RecordResult::NotMine;
    }
}

} // namespace metafile
