#include "metafile/Canvas.h"

namespace metafile {

void Path::AddRect(const RectD& r)
{
    MoveTo({r.left, r.top});
    LineTo({r.right, r.top});
    LineTo({r.right, r.bottom});
    LineTo({r.left, r.bottom});
    Close();
}

void Path::AddEllipse(const RectD& r)
{
    // Four cubic quarters; 0.5523 is the usual circle constant.
    constexpr double k = 0.5522847498307936;
    const double cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    const double rx = r.Width() / 2, ry = r.Height() / 2;
    MoveTo({r.right, cy});
    CubicTo({r.right, cy + k * ry}, {cx + k * rx, r.bottom}, {cx, r.bottom});
    CubicTo({cx - k * rx, r.bottom}, {r.left, cy + k * ry}, {r.left, cy});
    CubicTo({r.left, cy - k * ry}, {cx - k * rx, r.top}, {cx, r.top});
    CubicTo({cx + k * rx, r.top}, {r.right, cy - k * ry}, {r.right, cy});
    Close();
}

void Path::AddPolygon(const std::vector<PointD>& points)
{
    if (points.empty())
        return;
    MoveTo(points.front());
    for (std::size_t i = 1; i < points.size(); ++i)
        LineTo(points[i]);
    Close();
}

Path Path::Mapped(const Matrix& m) const
{
    Path out;
    out.fillRule = fillRule;
    out.m_elements.reserve(m_elements.size());
    for (const Element& e : m_elements) {
        Element mapped = e;
        for (PointD& p : mapped.p)
            p = m.Map(p);
        out.m_elements.push_back(mapped);
    }
    return out;
}

} // namespace metafile
