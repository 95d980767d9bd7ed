// EMF+ drawing records of arcs, pies, cardinal curves and regions.
#include "metafile/EmfPlayer.h"
#include "metafile/EmfPlusGeometry.h"
#include "metafile/EmfPlusPlayer.h"
#include "metafile/EmfPlusRegion.h"

namespace metafile {

bool EmfPlusPlayer::PlayShapeRecord(const PlusRecord& record, bool& mine)
{
    mine = true;
    EmfPlusReader r(record.data);
    const bool compressed = record.flags & 0x4000, relative = record.flags & 0x0800;
    const std::uint32_t objectId = record.flags & 0xFF;
    Brush brush;
    Pen pen;
    Path path;
    std::vector<PointD> points;
    bool fill = false;
    switch (record.type) {
    case 0x4010: { // FillPie
        fill = true;
        if (!BrushFor(record.flags, r.U32(), brush))
            return false;
        const double start = r.F32(), sweep = r.F32();
        const RectD rect = r.Rect(compressed);
        if (!r.Ok())
            return false;
        path = PlusPie(rect, start, sweep);
        break;
    }
    case 0x4011:   // DrawPie
    case 0x4012: { // DrawArc
        if (!PenFor(objectId, pen))
            return false;
        const double start = r.F32(), sweep = r.F32();
        const RectD rect = r.Rect(compressed);
        if (!r.Ok())
            return false;
        if (record.type == 0x4011)
            path = PlusPie(rect, start, sweep);
        else
            AddPlusArc(path, rect, start, sweep, false);
        break;
    }
    case 0x4013: { // FillRegion
        fill = true;
        const PlusObject* o = m_objects.Get(objectId);
        if (!BrushFor(record.flags, r.U32(), brush) || !o ||
            !std::holds_alternative<PlusRegion>(*o))
            return false;
        ApplyWorld();
        if (!RegionToPath(std::get<PlusRegion>(*o), m_canvas, m_budget, path))
            return false;
        break;
    }
    case 0x4016: { // FillClosedCurve
        fill = true;
        if (!BrushFor(record.flags, r.U32(), brush))
            return false;
        const double tension = r.F32();
        if (!r.Points(r.U32(), compressed, relative, m_budget, points))
            return false;
        path = CardinalSpline(points, tension, 0, 0, true);
        path.fillRule = (record.flags & 0x2000) ? FillRule::Winding : FillRule::Alternate;
        break;
    }
    case 0x4017: { // DrawClosedCurve
        if (!PenFor(objectId, pen))
            return false;
        const double tension = r.F32();
        if (!r.Points(r.U32(), compressed, relative, m_budget, points))
            return false;
        path = CardinalSpline(points, tension, 0, 0, true);
        break;
    }
    case 0x4018: { // DrawCurve
        if (!PenFor(objectId, pen))
            return false;
        const double tension = r.F32();
        const std::uint32_t first = r.U32(), segments = r.U32();
        if (!r.Points(r.U32(), compressed, false, m_budget, points))
            return false;
        path = CardinalSpline(points, tension, first, segments, false);
        break;
    }
    default:
        mine = false;
        return false;
    }
    if (!r.Ok())
        return false;
    if (path.IsEmpty()) // an empty region is nothing to fill; other shapes did not fit their points
        return record.type == 0x4013;
    ApplyWorld();
    if (fill)
        m_canvas.FillPath(path, brush);
    else
        m_canvas.StrokePath(path, pen);
    return true;
}

} // namespace metafile
