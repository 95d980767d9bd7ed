// Clip rectangles and regions, and drawing regions.
#include "metafile/GdiCore.h"

#include <algorithm>
#include <cmath>

namespace metafile {

namespace {

Path DeviceRect(const Matrix& toReference, const RectD& logical)
{
    const PointD a = toReference.Map({logical.left, logical.top});
    const PointD b = toReference.Map({logical.right, logical.bottom});
    Path path;
    path.AddRect({std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)});
    return path;
}

} // namespace

void GdiCore::IntersectClipRect(const RectD& logical)
{
    const Path rect = DeviceRect(LogicalToReference(), logical);
    ApplyReferenceTransform();
    m_canvas.SetClip(rect, ClipCombine::And);
}

void GdiCore::ExcludeClipRect(const RectD& logical)
{
    const Path rect = DeviceRect(LogicalToReference(), logical);
    ApplyReferenceTransform();
    m_canvas.SetClip(rect, ClipCombine::Diff);
}

void GdiCore::SelectClipRegion(const Region& region, ClipCombine combine)
{
    if (region.path.IsEmpty() && combine == ClipCombine::Copy) {
        m_canvas.ResetClip();
        return;
    }
    ApplyReferenceTransform();
    m_canvas.SetClip(region.path, combine);
}

void GdiCore::SetMetaRgn()
{
    m_canvas.SetMetaClip();
}

void GdiCore::FillRegion(const Region& region, const LogBrush& brush)
{
    if (region.path.IsEmpty())
        return;
    const LogBrush selected = m_state.brush;
    m_state.brush = brush;
    Brush fill = CurrentBrush();
    m_state.brush = selected;
    if (fill.kind == BrushKind::Null)
        return;
    fill.patternTransform = Matrix{}; // region space is the device's
    Path path = region.path;
    path.fillRule = FillRule::Winding;
    ApplyReferenceTransform();
    m_canvas.SetRop2(m_state.rop2);
    m_canvas.FillPath(path, fill);
    m_canvas.SetRop2(13);
}

void GdiCore::PaintRegion(const Region& region)
{
    FillRegion(region, m_state.brush);
}

void GdiCore::InvertRegion(const Region& region)
{
    LogBrush black;
    black.color = {0, 0, 0, 255};
    const int rop2 = m_state.rop2;
    m_state.rop2 = 6; // R2_NOT
    FillRegion(region, black);
    m_state.rop2 = rop2;
}

void GdiCore::OffsetClipRgn(PointD logical)
{
    ApplyLogicalTransform();
    m_canvas.OffsetClip(logical);
}

void GdiCore::FrameRegion(const Region& region, const LogBrush& logBrush, double width, double height)
{
    // The frame lies inside the region: its outline stroked twice as wide,
    // clipped to the region itself.
    if (region.path.IsEmpty() || logBrush.style == BS_NULL)
        return;
    const Matrix toReference = LogicalToReference();
    const double w = std::fabs(toReference.MapVector({width, 0}).x);
    const double h = std::fabs(toReference.MapVector({0, height}).y);
    const double frame = std::max(1.0, (w + h) / 2);
    ApplyReferenceTransform();
    m_canvas.SaveClip();
    m_canvas.SetClip(region.path, ClipCombine::And);
    Pen pen;
    pen.color = logBrush.color;
    pen.width = 2 * frame;
    pen.join = LineJoin::Miter;
    m_canvas.StrokePath(region.path, pen);
    m_canvas.RestoreClip();
}

} // namespace metafile
