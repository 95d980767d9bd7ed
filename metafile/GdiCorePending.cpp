// Stand-ins for device-context operations whose drawing is not written yet,
// so the record players link. Each goes when its real definition arrives.
#include "metafile/GdiCore.h"

namespace metafile {

void GdiCore::PolyPolygon(std::span<const PointD> points, std::span<const std::uint32_t> counts)
{
    Path path;
    std::size_t at = 0;
    for (std::uint32_t n : counts) {
        if (n > points.size() - at)
            return;
        path.AddPolygon(
            {points.begin() + std::ptrdiff_t(at), points.begin() + std::ptrdiff_t(at + n)});
        at += n;
    }
    Draw(path, true, true);
}
void GdiCore::RoundRect(const RectD& r, double, double)
{
    Rectangle(r);
}
void GdiCore::Arc(const RectD&, PointD, PointD) {}
void GdiCore::Chord(const RectD&, PointD, PointD) {}
void GdiCore::Pie(const RectD&, PointD, PointD) {}
void GdiCore::SetPixel(PointD, Color) {}
void GdiCore::IntersectClipRect(const RectD& logical)
{
    Path path;
    path.AddRect(logical);
    ApplyLogicalTransform();
    m_canvas.SetClip(path, ClipCombine::And);
}
void GdiCore::ExcludeClipRect(const RectD&) {}
void GdiCore::OffsetClipRgn(PointD) {}
void GdiCore::FillRegion(const Region& region, const LogBrush& logBrush)
{
    ApplyReferenceTransform();
    Brush brush;
    brush.color = logBrush.color;
    m_canvas.FillPath(region.path, brush);
}
void GdiCore::FrameRegion(const Region&, const LogBrush&, double, double) {}
void GdiCore::PaintRegion(const Region&) {}
void GdiCore::InvertRegion(const Region&) {}
void GdiCore::ExtTextOut(PointD, std::uint32_t, const std::optional<RectD>&, const std::u16string&,
                         std::span<const std::int32_t>)
{
}
void GdiCore::PatBlt(const RectD&, std::uint32_t) {}

} // namespace metafile
