// GDI+ path gradients shown as a radial gradient about their centre point,
// reaching the boundary's bounds: exact for the ellipses most files use,
// near enough for other shapes.
#include "metafile/qt/QtCanvas.h"

#include <QRadialGradient>
#include <algorithm>
#include <cmath>

namespace metafile {

QBrush QtCanvas::PathGradientBrush(const Brush& brush)
{
    double left = brush.centre.x, top = brush.centre.y, right = left, bottom = top;
    for (const Path::Element& e : brush.boundary.Elements()) {
        const int used = e.kind == Path::Kind::Cubic ? 3 : (e.kind == Path::Kind::Close ? 0 : 1);
        for (int i = 0; i < used; ++i) {
            left = std::min(left, e.p[i].x);
            top = std::min(top, e.p[i].y);
            right = std::max(right, e.p[i].x);
            bottom = std::max(bottom, e.p[i].y);
        }
    }
    const double rx = std::max({brush.centre.x - left, right - brush.centre.x, 1e-6});
    const double ry = std::max({brush.centre.y - top, bottom - brush.centre.y, 1e-6});
    QRadialGradient g(0, 0, 1);
    for (const GradientStop& s : brush.stops)
        g.setColorAt(std::clamp(s.position, 0.0, 1.0), ToQColor(s.color));
    if (brush.stops.empty())
        g.setColorAt(0, ToQColor(brush.color));
    g.setSpread(QGradient::PadSpread);
    QBrush out(g);
    out.setTransform(QTransform::fromScale(rx, ry) *
                     QTransform::fromTranslate(brush.centre.x, brush.centre.y) *
                     ToQTransform(brush.patternTransform));
    return out;
}

} // namespace metafile
