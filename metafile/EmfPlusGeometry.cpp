#include "metafile/EmfPlusGeometry.h"

#include <algorithm>
#include <cmath>

namespace metafile {

namespace {

constexpr double kPi = 3.14159265358979323846;

// The ellipse's parameter for a point seen from the centre at angle.
double ParameterFor(double angle, double rx, double ry)
{
    return std::atan2(rx * std::sin(angle), ry * std::cos(angle));
}

} // namespace

void AddPlusArc(Path& path, const RectD& rect, double startDegrees, double sweepDegrees,
                bool connect)
{
    const double rx = rect.Width() / 2, ry = rect.Height() / 2;
    const PointD c{rect.left + rx, rect.top + ry};
    const double sweep = std::clamp(sweepDegrees, -360.0, 360.0) * kPi / 180;
    // Large start angles lose nothing by being brought into one turn first.
    const double start = std::fmod(startDegrees, 360.0) * kPi / 180;
    const double t0 = ParameterFor(start, std::fabs(rx), std::fabs(ry));
    double t1 = t0 + sweep;
    if (std::fabs(sweep) < 2 * kPi) {
        // Parameter and angle share their quadrant, so the nearest turn is the one.
        t1 = ParameterFor(start + sweep, std::fabs(rx), std::fabs(ry));
        t1 += 2 * kPi * std::round((t0 + sweep - t1) / (2 * kPi));
    }
    auto at = [&](double t) {
        return PointD{c.x + std::fabs(rx) * std::cos(t), c.y + std::fabs(ry) * std::sin(t)};
    };
    if (connect && !path.IsEmpty())
        path.LineTo(at(t0));
    else
        path.MoveTo(at(t0));
    const double total = t1 - t0;
    const int pieces = std::max(1, int(std::ceil(std::fabs(total) / (kPi / 2) - 1e-9)));
    const double step = total / pieces;
    const double k = 4.0 / 3.0 * std::tan(step / 4);
    for (int i = 0; i < pieces; ++i) {
        const double a = t0 + step * i, b = a + step;
        const PointD p0 = at(a), p3 = at(b);
        const PointD c1{p0.x - k * std::fabs(rx) * std::sin(a),
                        p0.y + k * std::fabs(ry) * std::cos(a)};
        const PointD c2{p3.x + k * std::fabs(rx) * std::sin(b),
                        p3.y - k * std::fabs(ry) * std::cos(b)};
        path.CubicTo(c1, c2, p3);
    }
}

Path PlusPie(const RectD& rect, double startDegrees, double sweepDegrees)
{
    Path path;
    path.MoveTo({(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
    AddPlusArc(path, rect, startDegrees, sweepDegrees, true);
    path.Close();
    return path;
}

Path CardinalSpline(const std::vector<PointD>& points, double tension, std::size_t first,
                    std::size_t segments, bool closed)
{
    Path path;
    const std::size_t n = points.size();
    if (n < 2)
        return path;
    if (closed) {
        first = 0;
        segments = n;
    } else if (first >= n || segments == 0 || segments > n - 1 - first) {
        return path;
    }
    // The neighbours of an open spline's ends are the ends themselves.
    auto point = [&](std::ptrdiff_t i) {
        if (closed)
            return points[std::size_t((i % std::ptrdiff_t(n) + std::ptrdiff_t(n)) %
                                      std::ptrdiff_t(n))];
        return points[std::size_t(std::clamp<std::ptrdiff_t>(i, 0, std::ptrdiff_t(n) - 1))];
    };
    const double f = tension / 3;
    path.MoveTo(points[first]);
    for (std::size_t s = 0; s < segments; ++s) {
        const std::ptrdiff_t i = std::ptrdiff_t(first + s);
        const PointD p0 = point(i - 1), p1 = point(i), p2 = point(i + 1), p3 = point(i + 2);
        path.CubicTo({p1.x + f * (p2.x - p0.x), p1.y + f * (p2.y - p0.y)},
                     {p2.x - f * (p3.x - p1.x), p2.y - f * (p3.y - p1.y)}, p2);
    }
    if (closed)
        path.Close();
    return path;
}

} // namespace metafile
