// Lines, shapes and paths with the selected pen and brush.
#include "metafile/GdiCore.h"

namespace metafile {

void GdiCore::AddToPath(const Path& logicalPath) { m_path.Append(logicalPath.Mapped(LogicalToReference())); }

void GdiCore::Draw(const Path& logicalPath, bool fill, bool stroke)
{
    if (m_inPath) {
        AddToPath(logicalPath);
        return;
    }
    ApplyLogicalTransform();
    m_canvas.SetRop2(m_state.rop2);
    if (fill) {
        Path filled = logicalPath;
        filled.fillRule = CurrentFillRule();
        const Brush brush = CurrentBrush();
        if (brush.kind != BrushKind::Null)
            m_canvas.FillPath(filled, brush);
    }
    if (stroke) {
        const Pen pen = CurrentPen();
        if (pen.style != PenStyle::Null)
            m_canvas.StrokePath(logicalPath, pen);
    }
    m_canvas.SetRop2(13);
}

void GdiCore::MoveTo(PointD p)
{
    m_state.currentPosition = p;
    if (m_inPath)
        AddToPath([&] {
            Path path;
            path.MoveTo(p);
            return path;
        }());
}

void GdiCore::LineTo(PointD p)
{
    Path path;
    path.MoveTo(m_state.currentPosition);
    path.LineTo(p);
    m_state.currentPosition = p;
    Draw(path, false, true);
}

void GdiCore::Polyline(std::span<const PointD> points)
{
    if (points.size() < 2)
        return;
    Path path;
    path.MoveTo(points[0]);
    for (std::size_t i = 1; i < points.size(); ++i)
        path.LineTo(points[i]);
    Draw(path, false, true);
}

void GdiCore::Polygon(std::span<const PointD> points)
{
    if (points.size() < 2)
        return;
    Path path;
    path.AddPolygon({points.begin(), points.end()});
    Draw(path, true, true);
}

void GdiCore::Rectangle(const RectD& r)
{
    Path path;
    path.AddRect(r);
    Draw(path, true, true);
}

void GdiCore::Ellipse(const RectD& r)
{
    Path path;
    path.AddEllipse(r);
    Draw(path, true, true);
}

} // namespace metafile

namespace metafile {

void GdiCore::SelectClipRegion(const Region& region, ClipCombine combine)
{
    if (region.path.IsEmpty() && combine == ClipCombine::Copy) {
        m_canvas.ResetClip();
        return;
    }
    ApplyReferenceTransform();
    m_canvas.SetClip(region.path, combine);
}

} // namespace metafile
