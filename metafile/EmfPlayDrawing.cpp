// EMF records that draw lines and shapes.
#include "metafile/EmfPlayer.h"
#include "metafile/EmfRecordTypes.h"
#include "metafile/RecordFields.h"

namespace metafile {

namespace {

// The Polyline/Polygon families: bounds, count, points.
bool ReadPolyPoints(EmfPlayer& player, const EmfRecord& record, bool wide, std::vector<PointD>& points)
{
    std::uint32_t count = 0;
    return record.bytes.U32At(24, count) && ReadPoints(record.bytes, 28, count, wide, player.Budget(), points);
}

} // namespace

RecordResult PlayEmfDrawingRecord(EmfPlayer& player, const EmfRecord& record)
{
    GdiCore& core = player.Core();
    std::vector<PointD> points;
    PointD p;
    RectD rect;
    switch (record.iType) {
    case EMR_MOVETOEX:
        if (!ReadPointL(record.bytes, 8, p))
            return RecordResult::Skipped;
        core.MoveTo(p);
        return RecordResult::Played;
    case EMR_LINETO:
        if (!ReadPointL(record.bytes, 8, p))
            return RecordResult::Skipped;
        core.LineTo(p);
        return RecordResult::Played;
    case EMR_POLYGON:
    case EMR_POLYGON16:
        if (!ReadPolyPoints(player, record, record.iType == EMR_POLYGON, points))
            return RecordResult::Skipped;
        core.Polygon(points);
        return RecordResult::Played;
    case EMR_POLYLINE:
    case EMR_POLYLINE16:
        if (!ReadPolyPoints(player, record, record.iType == EMR_POLYLINE, points))
            return RecordResult::Skipped;
        core.Polyline(points);
        return RecordResult::Played;
    case EMR_RECTANGLE:
        if (!ReadRectL(record.bytes, 8, rect))
            return RecordResult::Skipped;
        core.Rectangle(rect);
        return RecordResult::Played;
    case EMR_ELLIPSE:
        if (!ReadRectL(record.bytes, 8, rect))
            return RecordResult::Skipped;
        core.Ellipse(rect);
        return RecordResult::Played;
    default: return RecordResult::NotMine;
    }
}

} // namespace metafile
