// WMF records that draw lines and shapes. Points are 16-bit, most records
// give their parameters last to first (y before x, bottom before top).
#include "metafile/RecordFields.h"
#include "metafile/WmfPlayContext.h"
#include "metafile/WmfRecordTypes.h"

namespace metafile {

namespace {

// NumberOfPoints, then the x, y pairs.
bool ReadPointList(WmfPlayContext& play, const WmfRecord& record, std::vector<PointD>& points)
{
    std::int16_t count = 0;
    return WmfI16(record, 0, count) && count >= 0 &&
           ReadPoints(WmfTail(record, 1), 0, std::uint32_t(count), false, play.Budget(), points);
}

RecordResult PolyPolygon(WmfPlayContext& play, const WmfRecord& record)
{
    std::uint16_t polygons = 0;
    if (!WmfU16(record, 0, polygons))
        return RecordResult::Skipped;
    std::vector<std::uint32_t> counts(polygons);
    std::uint64_t total = 0;
    for (std::uint16_t i = 0; i < polygons; ++i) {
        std::uint16_t n = 0;
        if (!WmfU16(record, 1 + std::size_t(i), n))
            return RecordResult::Skipped;
        counts[i] = n;
        total += n;
    }
    std::vector<PointD> points;
    if (total > 0xFFFFFFFFu || !ReadPoints(WmfTail(record, 1 + std::size_t(polygons)), 0,
                                           std::uint32_t(total), false, play.Budget(), points))
        return RecordResult::Skipped;
    play.core.PolyPolygon(points, counts);
    return RecordResult::Played;
}

// Arc, chord and pie: yEnd, xEnd, yStart, xStart, then the box bottom to left.
RecordResult ArcShape(WmfPlayContext& play, const WmfRecord& record)
{
    PointD end, start;
    RectD box;
    if (!WmfPointYX(record, 0, end) || !WmfPointYX(record, 2, start) ||
        !WmfRectBRTL(record, 4, box))
        return RecordResult::Skipped;
    if (record.RecordFunction == META_ARC)
        play.core.Arc(box, start, end);
    else if (record.RecordFunction == META_CHORD)
        play.core.Chord(box, start, end);
    else
        play.core.Pie(box, start, end);
    return RecordResult::Played;
}

} // namespace

RecordResult PlayWmfDrawingRecord(WmfPlayContext& play, const WmfRecord& record)
{
    GdiCore& core = play.core;
    PointD p;
    RectD r;
    std::vector<PointD> points;
    switch (record.RecordFunction) {
    case META_MOVETO:
        if (!WmfPointYX(record, 0, p))
            return RecordResult::Skipped;
        core.MoveTo(p);
        return RecordResult::Played;
    case META_LINETO:
        if (!WmfPointYX(record, 0, p) || !play.Budget().SpendPoints(2))
            return RecordResult::Skipped;
        core.LineTo(p);
        return RecordResult::Played;
    case META_POLYLINE:
    case META_POLYGON:
        if (!ReadPointList(play, record, points))
            return RecordResult::Skipped;
        if (record.RecordFunction == META_POLYLINE)
            core.Polyline(points);
        else
            core.Polygon(points);
        return RecordResult::Played;
    case META_POLYPOLYGON:
        return PolyPolygon(play, record);
    case META_RECTANGLE:
    case META_ELLIPSE:
        if (!WmfRectBRTL(record, 0, r))
            return RecordResult::Skipped;
        if (record.RecordFunction == META_RECTANGLE)
            core.Rectangle(r);
        else
            core.Ellipse(r);
        return RecordResult::Played;
    case META_ROUNDRECT: {
        std::int16_t height = 0, width = 0;
        if (!WmfI16(record, 0, height) || !WmfI16(record, 1, width) || !WmfRectBRTL(record, 2, r))
            return RecordResult::Skipped;
        core.RoundRect(r, width, height);
        return RecordResult::Played;
    }
    case META_ARC:
    case META_CHORD:
    case META_PIE:
        return ArcShape(play, record);
    case META_SETPIXEL: {
        Color color;
        if (!WmfColor(record, 0, color) || !WmfPointYX(record, 2, p))
            return RecordResult::Skipped;
        core.SetPixel(p, color);
        return RecordResult::Played;
    }
    // Flood fills read back the picture, which a vector canvas cannot: passed over.
    case META_FLOODFILL:
    case META_EXTFLOODFILL:
        return RecordResult::Skipped;
    default:
        return RecordResult::NotMine;
    }
}

} // namespace metafile
