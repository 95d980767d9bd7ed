// EMF+ drawing records: rectangles, polygons, lines, ellipses, paths and
// Béziers, filled with a brush object or an inline colour, stroked with a pen.
#include "metafile/EmfPlayer.h"
#include "metafile/EmfPlusPlayer.h"

namespace metafile {

bool EmfPlusPlayer::PlayDrawRecord(const PlusRecord& record, bool& mine)
{
    mine = true;
    EmfPlusReader r(record.data);
    const bool compressed = record.flags & 0x4000, relative = record.flags & 0x0800;
    const std::uint32_t objectId = record.flags & 0xFF;
    Brush brush;
    Pen pen;
    Path path;
    std::vector<PointD> points;
    auto rects = [&](Path& out) {
        const std::uint32_t count = r.U32();
        if (!r.Ok() || count > r.Remaining() / (compressed ? 8 : 16) ||
            !m_budget.SpendPoints(4ull * count))
            return false;
        for (std::uint32_t i = 0; i < count && r.Ok(); ++i)
            out.AddRect(r.Rect(compressed));
        return r.Ok();
    };
    switch (record.type) {
    case 0x4009: { // Clear
        const Color c = r.Argb();
        if (!r.Ok())
            return false;
        brush.color = c;
        m_canvas.SetTransform({});
        path.AddRect({0, 0, double(m_canvas.DeviceWidth()), double(m_canvas.DeviceHeight())});
        m_canvas.FillPath(path, brush);
        return true;
    }
    case 0x400A: // FillRects
        if (!BrushFor(record.flags, r.U32(), brush) || !rects(path))
            return false;
        break;
    case 0x400B: // DrawRects
        if (!PenFor(objectId, pen) || !rects(path))
            return false;
        break;
    case 0x400C: // FillPolygon
        if (!BrushFor(record.flags, r.U32(), brush) ||
            !r.Points(r.U32(), compressed, relative, m_budget, points))
            return false;
        path.AddPolygon(points);
        break;
    case 0x400D: // DrawLines
    case 0x4019: // DrawBeziers
        if (!PenFor(objectId, pen) || !r.Points(r.U32(), compressed, relative, m_budget, points) ||
            points.empty())
            return false;
        path.MoveTo(points[0]);
        if (record.type == 0x4019) {
            for (std::size_t i = 1; i + 2 < points.size(); i += 3)
                path.CubicTo(points[i], points[i + 1], points[i + 2]);
        } else {
            for (std::size_t i = 1; i < points.size(); ++i)
                path.LineTo(points[i]);
            if (record.flags & 0x2000)
                path.Close();
        }
        break;
    case 0x400E: // FillEllipse
        if (!BrushFor(record.flags, r.U32(), brush))
            return false;
        path.AddEllipse(r.Rect(compressed));
        break;
    case 0x400F: // DrawEllipse
        if (!PenFor(objectId, pen))
            return false;
        path.AddEllipse(r.Rect(compressed));
        break;
    case 0x4014: { // FillPath
        const PlusObject* o = m_objects.Get(objectId);
        if (!BrushFor(record.flags, r.U32(), brush) || !o || !std::holds_alternative<PlusPath>(*o))
            return false;
        path = std::get<PlusPath>(*o).path;
        break;
    }
    case 0x4015: { // DrawPath
        const PlusObject* o = m_objects.Get(objectId);
        if (!PenFor(r.U32(), pen) || !o || !std::holds_alternative<PlusPath>(*o))
            return false;
        path = std::get<PlusPath>(*o).path;
        break;
    }
    default:
        mine = false;
        return false;
    }
    if (!r.Ok())
        return false;
    ApplyWorld();
    const bool fill = record.type == 0x400A || record.type == 0x400C || record.type == 0x400E ||
                      record.type == 0x4014;
    if (fill)
        m_canvas.FillPath(path, brush);
    else
        m_canvas.StrokePath(path, pen);
    return true;
}

} // namespace metafile
