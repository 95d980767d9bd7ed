// Lines, shapes and paths with the selected pen and brush.
#include "metafile/GdiCore.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace metafile {

namespace {

RectD Normalized(const RectD& r)
{
    return {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
            std::max(r.top, r.bottom)};
}

// The arc of the ellipse in r from parametric angle a0 over sweep, as cubics
// of at most a quarter turn each; the first point is not added.
void AddArc(Path& path, const RectD& r, double a0, double sweep)
{
    const double cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    const double rx = r.Width() / 2, ry = r.Height() / 2;
    const int pieces =
        std::clamp(int(std::ceil(std::fabs(sweep) / (std::numbers::pi / 2) - 1e-9)), 1, 4);
    const double step = sweep / pieces;
    const double k = 4.0 / 3.0 * std::tan(step / 4);
    for (int i = 0; i < pieces; ++i) {
        const double a = a0 + i * step, b = a + step;
        const PointD p0{cx + rx * std::cos(a), cy + ry * std::sin(a)};
        const PointD p3{cx + rx * std::cos(b), cy + ry * std::sin(b)};
        path.CubicTo({p0.x - k * rx * std::sin(a), p0.y + k * ry * std::cos(a)},
                     {p3.x + k * rx * std::sin(b), p3.y - k * ry * std::cos(b)}, p3);
    }
}

PointD EllipsePoint(const RectD& r, double a)
{
    return {(r.left + r.right) / 2 + r.Width() / 2 * std::cos(a),
            (r.top + r.bottom) / 2 + r.Height() / 2 * std::sin(a)};
}

// The parametric angle where the ray from the centre through p meets the ellipse.
double RadialAngle(const RectD& r, PointD p)
{
    const double rx = r.Width() / 2, ry = r.Height() / 2;
    if (rx <= 0 || ry <= 0)
        return 0;
    return std::atan2((p.y - (r.top + r.bottom) / 2) / ry, (p.x - (r.left + r.right) / 2) / rx);
}

// GDI's cosmetic dash patterns, in device pixels.
std::vector<double> CosmeticDashes(PenStyle style)
{
    switch (style) {
    case PenStyle::Dash:
        return {18, 6};
    case PenStyle::Dot:
        return {3, 3};
    case PenStyle::DashDot:
        return {9, 6, 3, 6};
    case PenStyle::DashDotDot:
        return {9, 3, 3, 3, 3, 3};
    default:
        return {};
    }
}

// Geometric dash patterns, in pen widths.
std::vector<double> GeometricDashes(PenStyle style)
{
    switch (style) {
    case PenStyle::Dash:
        return {3, 1};
    case PenStyle::Dot:
        return {1, 1};
    case PenStyle::DashDot:
        return {3, 1, 1, 1};
    case PenStyle::DashDotDot:
        return {3, 1, 1, 1, 1, 1};
    default:
        return {};
    }
}

bool Dashed(PenStyle s)
{
    return s == PenStyle::Dash || s == PenStyle::Dot || s == PenStyle::DashDot ||
           s == PenStyle::DashDotDot;
}

} // namespace

// The selected pen as GDI draws it: never thinner than a device pixel; a
// pen from CreatePen wider than one unit is solid and round; thin pens dash
// in fixed device lengths.
static Pen GdiStrokePen(const LogPen& lp, Pen pen, double logicalScale)
{
    const bool geometric = (lp.style & PS_GEOMETRIC) != 0;
    if (!geometric && lp.width > 1) {
        if (Dashed(pen.style) || pen.style == PenStyle::User)
            pen.style = PenStyle::Solid;
        pen.cap = LineCap::Round;
        pen.join = LineJoin::Round;
    }
    if (pen.style == PenStyle::InsideFrame)
        pen.style = PenStyle::Solid;
    const double deviceWidth = pen.cosmetic ? 1 : pen.width * logicalScale;
    if (deviceWidth <= 1.5) {
        // One device pixel.
        pen.cosmetic = true;
        pen.width = 1;
        if (!geometric)
            pen.cap = LineCap::Flat;
        if (Dashed(pen.style)) {
            pen.dashes = CosmeticDashes(pen.style);
            pen.style = PenStyle::User;
            pen.cap = LineCap::Flat;
        }
    } else if (Dashed(pen.style)) {
        pen.dashes = GeometricDashes(pen.style);
        pen.style = PenStyle::User;
    } else if (pen.style == PenStyle::User && pen.width > 0) {
        for (double& d : pen.dashes)
            d /= pen.width;
    }
    return pen;
}

void GdiCore::AddToPath(const Path& logicalPath)
{
    m_path.Append(logicalPath.Mapped(LogicalToReference()));
}

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
        const Pen pen = GdiStrokePen(m_state.pen, CurrentPen(), LogicalToDevice().LengthScale());
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
    PolylineTo(std::span<const PointD>(&p, 1));
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

void GdiCore::PolylineTo(std::span<const PointD> points)
{
    if (points.empty())
        return;
    Path path;
    if (!m_inPath)
        path.MoveTo(m_state.currentPosition);
    for (const PointD& p : points)
        path.LineTo(p);
    m_state.currentPosition = points.back();
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

void GdiCore::PolyPolygon(std::span<const PointD> points, std::span<const std::uint32_t> counts)
{
    // One path, so that the fill mode decides over all polygons together.
    Path path;
    std::size_t at = 0;
    for (std::uint32_t n : counts) {
        if (n > points.size() - at)
            return;
        if (n >= 2)
            path.AddPolygon({points.begin() + at, points.begin() + at + n});
        at += n;
    }
    if (!path.IsEmpty())
        Draw(path, true, true);
}

void GdiCore::PolyPolyline(std::span<const PointD> points, std::span<const std::uint32_t> counts)
{
    std::size_t at = 0;
    for (std::uint32_t n : counts) {
        if (n > points.size() - at)
            return;
        Polyline(points.subspan(at, n));
        at += n;
    }
}

void GdiCore::PolyBezier(std::span<const PointD> points)
{
    if (points.size() < 4 || (points.size() - 1) % 3 != 0)
        return;
    Path path;
    path.MoveTo(points[0]);
    for (std::size_t i = 1; i + 2 < points.size(); i += 3)
        path.CubicTo(points[i], points[i + 1], points[i + 2]);
    Draw(path, false, true);
}

void GdiCore::PolyBezierTo(std::span<const PointD> points)
{
    if (points.size() < 3 || points.size() % 3 != 0)
        return;
    Path path;
    if (!m_inPath)
        path.MoveTo(m_state.currentPosition);
    for (std::size_t i = 0; i + 2 < points.size(); i += 3)
        path.CubicTo(points[i], points[i + 1], points[i + 2]);
    m_state.currentPosition = points.back();
    Draw(path, false, true);
}

void GdiCore::PolyDraw(std::span<const PointD> points, std::span<const std::uint8_t> types)
{
    constexpr std::uint8_t kClose = 1, kLineTo = 2, kBezierTo = 4, kMoveTo = 6;
    if (points.size() != types.size() || points.empty())
        return;
    // GDI refuses the whole call for a type it does not know or a broken Bézier.
    for (std::size_t i = 0; i < types.size(); ++i) {
        const std::uint8_t t = types[i] & ~kClose;
        if (t == kBezierTo) {
            if (i + 2 >= types.size() || (types[i + 1] & ~kClose) != kBezierTo ||
                (types[i + 2] & ~kClose) != kBezierTo)
                return;
            i += 2;
        } else if (t != kLineTo && t != kMoveTo) {
            return;
        }
    }
    Path path;
    if (!m_inPath)
        path.MoveTo(m_state.currentPosition);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const std::uint8_t t = types[i] & ~kClose;
        if (t == kMoveTo)
            path.MoveTo(points[i]);
        else if (t == kLineTo)
            path.LineTo(points[i]);
        else {
            path.CubicTo(points[i], points[i + 1], points[i + 2]);
            i += 2;
        }
        if (types[i] & kClose)
            path.Close();
    }
    m_state.currentPosition = points.back();
    Draw(path, false, true);
}

RectD GdiCore::ShapeRect(const RectD& r) const
{
    RectD n = Normalized(r);
    // Without world transforms GDI leaves out the right and bottom pixel of the
    // device it draws on: here the output, whatever the scale of the playback.
    const Matrix m = LogicalToDevice();
    if (m_state.graphicsMode == GM_COMPATIBLE && m.m12 == 0 && m.m21 == 0 && m.m11 != 0 &&
        m.m22 != 0) {
        const PointD a = m.Map({r.left, r.top}), b = m.Map({r.right, r.bottom});
        RectD d = Normalized({a.x, a.y, b.x, b.y});
        d.right = std::max(d.left, d.right - 1);
        d.bottom = std::max(d.top, d.bottom - 1);
        const Matrix back = m.Inverted();
        const PointD p = back.Map({d.left, d.top}), q = back.Map({d.right, d.bottom});
        n = Normalized({p.x, p.y, q.x, q.y});
    }
    // An inside-frame pen keeps the figure within the rectangle.
    const LogPen& pen = m_state.pen;
    if ((pen.style & PS_STYLE_MASK) == PS_INSIDEFRAME && pen.width > 1) {
        const double half = std::min({pen.width / 2, n.Width() / 2, n.Height() / 2});
        n = {n.left + half, n.top + half, n.right - half, n.bottom - half};
    }
    return n;
}

bool GdiCore::ArcReversed() const
{
    // Angles grow clockwise on a y-down device. GM_COMPATIBLE keeps the
    // direction in device space, GM_ADVANCED in logical space.
    bool clockwise = m_state.arcDirection == AD_CLOCKWISE;
    if (m_state.graphicsMode == GM_COMPATIBLE && LogicalToReference().Determinant() < 0)
        clockwise = !clockwise;
    return !clockwise;
}

void GdiCore::Rectangle(const RectD& r)
{
    const RectD n = ShapeRect(r);
    Path path;
    path.AddRect(n);
    Draw(path, true, true);
}

void GdiCore::RoundRect(const RectD& r, double cornerWidth, double cornerHeight)
{
    const RectD n = ShapeRect(r);
    const double w = std::min(std::fabs(cornerWidth), n.Width()),
                 h = std::min(std::fabs(cornerHeight), n.Height());
    if (w <= 0 || h <= 0) {
        Rectangle(r);
        return;
    }
    constexpr double q = std::numbers::pi / 2;
    Path path;
    path.MoveTo({n.right, n.top + h / 2});
    path.LineTo({n.right, n.bottom - h / 2});
    AddArc(path, {n.right - w, n.bottom - h, n.right, n.bottom}, 0, q);
    path.LineTo({n.left + w / 2, n.bottom});
    AddArc(path, {n.left, n.bottom - h, n.left + w, n.bottom}, q, q);
    path.LineTo({n.left, n.top + h / 2});
    AddArc(path, {n.left, n.top, n.left + w, n.top + h}, 2 * q, q);
    path.LineTo({n.right - w / 2, n.top});
    AddArc(path, {n.right - w, n.top, n.right, n.top + h}, 3 * q, q);
    path.Close();
    Draw(path, true, true);
}

void GdiCore::Ellipse(const RectD& r)
{
    Path path;
    path.AddEllipse(ShapeRect(r));
    Draw(path, true, true);
}

void GdiCore::ArcFigure(const RectD& r, PointD start, PointD end, ArcKind kind)
{
    const RectD n = ShapeRect(r);
    if (n.Width() <= 0 || n.Height() <= 0)
        return;
    const double a0 = RadialAngle(n, start), a1 = RadialAngle(n, end);
    constexpr double full = 2 * std::numbers::pi;
    double sweep = a1 - a0;
    if (ArcReversed()) {
        while (sweep >= 0)
            sweep -= full;
        while (sweep < -full)
            sweep += full;
    } else {
        while (sweep <= 0)
            sweep += full;
        while (sweep > full)
            sweep -= full;
    }
    const PointD first = EllipsePoint(n, a0);
    Path path;
    if (kind == ArcKind::ArcTo) {
        if (!m_inPath)
            path.MoveTo(m_state.currentPosition);
        path.LineTo(first);
    } else if (kind == ArcKind::Pie) {
        path.MoveTo({(n.left + n.right) / 2, (n.top + n.bottom) / 2});
        path.LineTo(first);
    } else {
        path.MoveTo(first);
    }
    AddArc(path, n, a0, sweep);
    if (kind == ArcKind::Chord || kind == ArcKind::Pie)
        path.Close();
    if (kind == ArcKind::ArcTo)
        m_state.currentPosition = EllipsePoint(n, a0 + sweep);
    const bool closed = kind == ArcKind::Chord || kind == ArcKind::Pie;
    Draw(path, closed, true);
}

void GdiCore::Arc(const RectD& r, PointD start, PointD end)
{
    ArcFigure(r, start, end, ArcKind::Arc);
}
void GdiCore::ArcTo(const RectD& r, PointD start, PointD end)
{
    ArcFigure(r, start, end, ArcKind::ArcTo);
}
void GdiCore::Chord(const RectD& r, PointD start, PointD end)
{
    ArcFigure(r, start, end, ArcKind::Chord);
}
void GdiCore::Pie(const RectD& r, PointD start, PointD end)
{
    ArcFigure(r, start, end, ArcKind::Pie);
}

void GdiCore::AngleArc(PointD centre, double radius, double startAngle, double sweepAngle)
{
    if (!(radius >= 0) || !std::isfinite(startAngle) || !std::isfinite(sweepAngle))
        return;
    // Degrees anticlockwise on the screen, whatever the arc direction.
    const double a0 = -startAngle * std::numbers::pi / 180;
    const double sweep = -std::clamp(sweepAngle, -3600.0, 3600.0) * std::numbers::pi / 180;
    const RectD r{centre.x - radius, centre.y - radius, centre.x + radius, centre.y + radius};
    Path path;
    if (!m_inPath)
        path.MoveTo(m_state.currentPosition);
    path.LineTo(EllipsePoint(r, a0));
    // Long sweeps are drawn a full turn at most.
    const double drawn = std::clamp(sweep, -2 * std::numbers::pi, 2 * std::numbers::pi);
    AddArc(path, r, a0, drawn);
    m_state.currentPosition = EllipsePoint(r, a0 + sweep);
    Draw(path, false, true);
}

void GdiCore::SetPixel(PointD p, Color color)
{
    if (m_inPath)
        return;
    const PointD d = LogicalToReference().Map(p);
    if (!std::isfinite(d.x) || !std::isfinite(d.y))
        return;
    Path path;
    path.AddRect({std::floor(d.x), std::floor(d.y), std::floor(d.x) + 1, std::floor(d.y) + 1});
    ApplyReferenceTransform();
    Brush brush;
    brush.color = color;
    m_canvas.FillPath(path, brush);
}

} // namespace metafile
