// EMF records that draw lines, shapes and paths.
#include "metafile/EmfPlayer.h"
#include "metafile/EmfRecordTypes.h"
#include "metafile/RecordFields.h"

namespace metafile {

namespace {

RecordResult Done(bool ok)
{
    return ok ? RecordResult::Played : RecordResult::Skipped;
}

// The Polyline/Polygon families: bounds, count, points.
bool ReadPolyPoints(EmfPlayer& player, const EmfRecord& record, bool wide,
                    std::vector<PointD>& points)
{
    std::uint32_t count = 0;
    return record.bytes.U32At(24, count) &&
           ReadPoints(record.bytes, 28, count, wide, player.Budget(), points);
}

// The poly-poly families: bounds, figure count, point count, counts, points.
bool ReadPolyPoly(EmfPlayer& player, const EmfRecord& record, bool wide,
                  std::vector<std::uint32_t>& counts, std::vector<PointD>& points)
{
    const ByteReader& r = record.bytes;
    std::uint32_t figures = 0, total = 0;
    if (!r.U32At(24, figures) || !r.U32At(28, total) ||
        figures > player.Budget().Limits().maxPointsPerRecord ||
        !ReadU32Array(r, 32, figures, counts))
        return false;
    std::uint64_t sum = 0;
    for (std::uint32_t n : counts)
        sum += n;
    if (sum != total)
        return false;
    return ReadPoints(r, 32 + 4 * std::size_t(figures), total, wide, player.Budget(), points);
}

RecordResult PolyDraw(EmfPlayer& player, const EmfRecord& record, bool wide)
{
    const ByteReader& r = record.bytes;
    std::uint32_t count = 0;
    std::vector<PointD> points;
    if (!r.U32At(24, count) || !ReadPoints(r, 28, count, wide, player.Budget(), points))
        return RecordResult::Skipped;
    const std::size_t typesAt = 28 + std::size_t(count) * (wide ? 8 : 4);
    ByteReader types;
    if (!r.Sub(typesAt, count, types))
        return RecordResult::Skipped;
    player.Core().PolyDraw(points, types.Bytes());
    return RecordResult::Played;
}

// Arc, ArcTo, Chord, Pie: box, start, end.
bool ReadArc(const EmfRecord& record, RectD& box, PointD& start, PointD& end)
{
    return ReadRectL(record.bytes, 8, box) && ReadPointL(record.bytes, 24, start) &&
           ReadPointL(record.bytes, 32, end);
}

} // namespace

RecordResult PlayEmfDrawingRecord(EmfPlayer& player, const EmfRecord& record)
{
    GdiCore& core = player.Core();
    const ByteReader& r = record.bytes;
    std::vector<PointD> points;
    std::vector<std::uint32_t> counts;
    PointD p, q;
    RectD rect;
    const std::uint32_t t = record.iType;
    switch (t) {
    case EMR_MOVETOEX:
        if (!ReadPointL(r, 8, p))
            return RecordResult::Skipped;
        core.MoveTo(p);
        return RecordResult::Played;
    case EMR_LINETO:
        if (!ReadPointL(r, 8, p))
            return RecordResult::Skipped;
        core.LineTo(p);
        return RecordResult::Played;
    case EMR_POLYGON:
    case EMR_POLYGON16:
    case EMR_POLYLINE:
    case EMR_POLYLINE16:
    case EMR_POLYLINETO:
    case EMR_POLYLINETO16:
    case EMR_POLYBEZIER:
    case EMR_POLYBEZIER16:
    case EMR_POLYBEZIERTO:
    case EMR_POLYBEZIERTO16: {
        const bool wide = t == EMR_POLYGON || t == EMR_POLYLINE || t == EMR_POLYLINETO ||
                          t == EMR_POLYBEZIER || t == EMR_POLYBEZIERTO;
        if (!ReadPolyPoints(player, record, wide, points))
            return RecordResult::Skipped;
        if (t == EMR_POLYGON || t == EMR_POLYGON16)
            core.Polygon(points);
        else if (t == EMR_POLYLINE || t == EMR_POLYLINE16)
            core.Polyline(points);
        else if (t == EMR_POLYLINETO || t == EMR_POLYLINETO16)
            core.PolylineTo(points);
        else if (t == EMR_POLYBEZIER || t == EMR_POLYBEZIER16)
            core.PolyBezier(points);
        else
            core.PolyBezierTo(points);
        return RecordResult::Played;
    }
    case EMR_POLYPOLYGON:
    case EMR_POLYPOLYGON16:
    case EMR_POLYPOLYLINE:
    case EMR_POLYPOLYLINE16: {
        const bool wide = t == EMR_POLYPOLYGON || t == EMR_POLYPOLYLINE;
        if (!ReadPolyPoly(player, record, wide, counts, points))
            return RecordResult::Skipped;
        if (t == EMR_POLYPOLYGON || t == EMR_POLYPOLYGON16)
            core.PolyPolygon(points, counts);
        else
            core.PolyPolyline(points, counts);
        return RecordResult::Played;
    }
    case EMR_POLYDRAW:
        return PolyDraw(player, record, true);
    case EMR_POLYDRAW16:
        return PolyDraw(player, record, false);
    case EMR_RECTANGLE:
        if (!ReadRectL(r, 8, rect))
            return RecordResult::Skipped;
        core.Rectangle(rect);
        return RecordResult::Played;
    case EMR_ELLIPSE:
        if (!ReadRectL(r, 8, rect))
            return RecordResult::Skipped;
        core.Ellipse(rect);
        return RecordResult::Played;
    case EMR_ROUNDRECT:
        if (!ReadRectL(r, 8, rect) || !ReadPointL(r, 24, p))
            return RecordResult::Skipped;
        core.RoundRect(rect, p.x, p.y);
        return RecordResult::Played;
    case EMR_ARC:
    case EMR_ARCTO:
    case EMR_CHORD:
    case EMR_PIE:
        if (!ReadArc(record, rect, p, q))
            return RecordResult::Skipped;
        if (t == EMR_ARC)
            core.Arc(rect, p, q);
        else if (t == EMR_ARCTO)
            core.ArcTo(rect, p, q);
        else if (t == EMR_CHORD)
            core.Chord(rect, p, q);
        else
            core.Pie(rect, p, q);
        return RecordResult::Played;
    case EMR_ANGLEARC: {
        std::uint32_t radius = 0;
        float start = 0, sweep = 0;
        if (!ReadPointL(r, 8, p) || !r.U32At(16, radius) || !ReadFloat(r, 20, start) ||
            !ReadFloat(r, 24, sweep) || radius > 0x7FFFFFFF)
            return RecordResult::Skipped;
        core.AngleArc(p, radius, start, sweep);
        return RecordResult::Played;
    }
    case EMR_SETPIXELV: {
        Color color;
        if (!ReadPointL(r, 8, p) || !ReadColorRef(r, 16, color))
            return RecordResult::Skipped;
        core.SetPixel(p, color);
        return RecordResult::Played;
    }
    case EMR_BEGINPATH:
        core.BeginPath();
        return RecordResult::Played;
    case EMR_ENDPATH:
        core.EndPath();
        return RecordResult::Played;
    case EMR_ABORTPATH:
        core.AbortPath();
        return RecordResult::Played;
    case EMR_CLOSEFIGURE:
        core.CloseFigure();
        return RecordResult::Played;
    case EMR_FLATTENPATH:
        core.FlattenPath();
        return RecordResult::Played;
    case EMR_WIDENPATH:
        core.WidenPath();
        return RecordResult::Played;
    case EMR_FILLPATH:
        core.FillPath();
        return RecordResult::Played;
    case EMR_STROKEPATH:
        core.StrokePath();
        return RecordResult::Played;
    case EMR_STROKEANDFILLPATH:
        core.StrokeAndFillPath();
        return RecordResult::Played;
    // Flood fills read back the picture; they are not drawn.
    case EMR_EXTFLOODFILL:
        return Done(false);
    default:
        return RecordResult::NotMine;
    }
}

} // namespace metafile
