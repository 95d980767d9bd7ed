#include "metafile/qt/QtCanvas.h"
#include "metafile/qt/QtPathClip.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace metafile {

QtCanvas::QtCanvas(QImage& image) : m_image(image), m_painter(&image)
{
    m_painter.setRenderHint(QPainter::Antialiasing, true);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    m_painter.setRenderHint(QPainter::TextAntialiasing, true);
}

QtCanvas::~QtCanvas()
{
    m_painter.end();
}

void QtCanvas::SetTransform(const Matrix& toDevice)
{
    if (!toDevice.IsFinite())
        return;
    m_transform = toDevice;
    m_painter.setTransform(ToQTransform(toDevice));
}

QPainterPath QtCanvas::ToQPath(const Path& path)
{
    QPainterPath out;
    out.setFillRule(path.fillRule == FillRule::Winding ? Qt::WindingFill : Qt::OddEvenFill);
    for (const Path::Element& e : path.Elements()) {
        switch (e.kind) {
        case Path::Kind::Move:
            out.moveTo(e.p[0].x, e.p[0].y);
            break;
        case Path::Kind::Line:
            out.lineTo(e.p[0].x, e.p[0].y);
            break;
        case Path::Kind::Cubic:
            out.cubicTo(e.p[0].x, e.p[0].y, e.p[1].x, e.p[1].y, e.p[2].x, e.p[2].y);
            break;
        case Path::Kind::Close:
            out.closeSubpath();
            break;
        }
    }
    return out;
}

QImage QtCanvas::ToQImage(const Image& image)
{
    if (image.IsEmpty())
        return {};
    QImage out(image.width, image.height, QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return {};
    for (int y = 0; y < image.height; ++y)
        std::memcpy(out.scanLine(y), image.pixels.data() + std::size_t(y) * image.width,
                    std::size_t(image.width) * 4);
    return out;
}

QBrush QtCanvas::ToQBrush(const Brush& brush) const
{
    switch (brush.kind) {
    case BrushKind::Null:
        return Qt::NoBrush;
    case BrushKind::Solid:
        return QBrush(ToQColor(brush.color));
    case BrushKind::Hatch: {
        Qt::BrushStyle style = Qt::HorPattern;
        switch (brush.hatch) {
        case 0:
            style = Qt::HorPattern;
            break;
        case 1:
            style = Qt::VerPattern;
            break;
        case 2:
            style = Qt::FDiagPattern;
            break;
        case 3:
            style = Qt::BDiagPattern;
            break;
        case 4:
            style = Qt::CrossPattern;
            break;
        case 5:
            style = Qt::DiagCrossPattern;
            break;
        default:
            style = Qt::Dense4Pattern;
            break;
        }
        QBrush b(ToQColor(brush.color), style);
        // Hatches are device-aligned, as in GDI.
        b.setTransform(ToQTransform(m_transform.Inverted()));
        return b;
    }
    case BrushKind::Pattern: {
        if (!brush.pattern)
            return Qt::NoBrush;
        QBrush b(ToQImage(*brush.pattern));
        b.setTransform(ToQTransform(brush.patternTransform));
        return b;
    }
    case BrushKind::PathGradient:
        return PathGradientBrush(brush);
    case BrushKind::LinearGradient: {
        QLinearGradient g(brush.start.x, brush.start.y, brush.end.x, brush.end.y);
        for (const GradientStop& s : brush.stops)
            g.setColorAt(std::clamp(s.position, 0.0, 1.0), ToQColor(s.color));
        g.setSpread(brush.wrapTile ? QGradient::RepeatSpread : QGradient::PadSpread);
        return QBrush(g);
    }
    }
    return Qt::NoBrush;
}

QPen QtCanvas::ToQPen(const Pen& pen) const
{
    if (pen.style == PenStyle::Null)
        return Qt::NoPen;
    QPen q(ToQColor(pen.color));
    q.setCosmetic(pen.cosmetic);
    q.setWidthF(pen.cosmetic ? 1.0 : std::max(pen.width, 1e-6));
    switch (pen.cap) {
    case LineCap::Round:
        q.setCapStyle(Qt::RoundCap);
        break;
    case LineCap::Square:
        q.setCapStyle(Qt::SquareCap);
        break;
    case LineCap::Flat:
        q.setCapStyle(Qt::FlatCap);
        break;
    }
    switch (pen.join) {
    case LineJoin::Round:
        q.setJoinStyle(Qt::RoundJoin);
        break;
    case LineJoin::Bevel:
        q.setJoinStyle(Qt::BevelJoin);
        break;
    case LineJoin::Miter:
        q.setJoinStyle(Qt::MiterJoin);
        break;
    }
    q.setMiterLimit(pen.miterLimit);
    switch (pen.style) {
    case PenStyle::Dash:
        q.setStyle(Qt::DashLine);
        break;
    case PenStyle::Dot:
        q.setStyle(Qt::DotLine);
        break;
    case PenStyle::DashDot:
        q.setStyle(Qt::DashDotLine);
        break;
    case PenStyle::DashDotDot:
        q.setStyle(Qt::DashDotDotLine);
        break;
    case PenStyle::User:
        if (!pen.dashes.empty() && pen.dashes.size() % 2 == 0) {
            QList<qreal> pattern;
            for (double d : pen.dashes)
                pattern.push_back(std::max(d, 0.01));
            q.setDashPattern(pattern);
        }
        break;
    default:
        break;
    }
    return q;
}

namespace {

// R2_* codes Qt has a raster operation for; the rest are drawn by colour.
std::optional<QPainter::CompositionMode> RasterOp(int rop2)
{
    switch (rop2) {
    case 2:
        return QPainter::RasterOp_NotSourceAndNotDestination; // R2_NOTMERGEPEN
    case 3:
        return QPainter::RasterOp_NotSourceAndDestination; // R2_MASKNOTPEN
    case 5:
        return QPainter::RasterOp_SourceAndNotDestination; // R2_MASKPENNOT
    case 6:
        return QPainter::RasterOp_NotDestination; // R2_NOT
    case 7:
        return QPainter::RasterOp_SourceXorDestination; // R2_XORPEN
    case 8:
        return QPainter::RasterOp_NotSourceOrNotDestination; // R2_NOTMASKPEN
    case 9:
        return QPainter::RasterOp_SourceAndDestination; // R2_MASKPEN
    case 10:
        return QPainter::RasterOp_NotSourceXorDestination; // R2_NOTXORPEN
    case 12:
        return QPainter::RasterOp_NotSourceOrDestination; // R2_MERGENOTPEN
    case 14:
        return QPainter::RasterOp_SourceOrNotDestination; // R2_MERGEPENNOT
    case 15:
        return QPainter::RasterOp_SourceOrDestination; // R2_MERGEPEN
    default:
        return std::nullopt;
    }
}

} // namespace

template <typename Paint> void QtCanvas::WithRop2(Color color, Paint paint)
{
    // R2_NOP leaves the picture; R2_BLACK, R2_WHITE and R2_NOTCOPYPEN are
    // plain colours; the others need Qt's raster operations, which are aliased.
    switch (m_rop2) {
    case 11:
        return;
    case 1:
        paint(Color{0, 0, 0, 255});
        return;
    case 16:
        paint(Color{255, 255, 255, 255});
        return;
    case 4:
        paint(Color{std::uint8_t(255 - color.r), std::uint8_t(255 - color.g),
                    std::uint8_t(255 - color.b), color.a});
        return;
    default:
        break;
    }
    const auto op = RasterOp(m_rop2);
    if (!op) {
        paint(color);
        return;
    }
    const QPainter::CompositionMode mode = m_painter.compositionMode();
    const bool antialias = m_painter.testRenderHint(QPainter::Antialiasing);
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setCompositionMode(*op);
    paint(color);
    m_painter.setCompositionMode(mode);
    m_painter.setRenderHint(QPainter::Antialiasing, antialias);
}

namespace {

// How far outside the output a shape may reach before it is cut: past any
// antialiased edge, and for strokes past the widest join of the pen.
QRectF OutputBox(const QImage& image, double margin)
{
    return QRectF(0, 0, image.width(), image.height()).adjusted(-margin, -margin, margin, margin);
}

} // namespace

QPainterPath QtCanvas::FillableNearOutput(const QPainterPath& path) const
{
    const QTransform toDevice = ToQTransform(m_transform);
    const QPainterPath device = toDevice.map(path);
    const QRectF box = OutputBox(m_image, 4);
    if (!ReachesOutside(device, box) || !toDevice.isInvertible())
        return path;
    return toDevice.inverted().map(ClippedForFill(device, box));
}

void QtCanvas::StrokeNearOutput(const QPainterPath& path, const QPen& pen)
{
    const QTransform toDevice = ToQTransform(m_transform);
    const QPainterPath device = toDevice.map(path);
    const double scale = std::sqrt(std::fabs(toDevice.determinant()));
    const double deviceWidth = pen.isCosmetic() ? 1.0 : pen.widthF() * scale;
    const QRectF box = OutputBox(m_image, 4 + deviceWidth * std::max(1.0, pen.miterLimit()));
    if (!ReachesOutside(device, box) || !toDevice.isInvertible() || !(scale > 0)) {
        m_painter.strokePath(path, pen);
        return;
    }
    const QTransform back = toDevice.inverted();
    const bool dashed = pen.style() != Qt::SolidLine && pen.style() != Qt::NoPen;
    QPainterPath solid;
    for (const StrokeRun& run : ClippedForStroke(device, box)) {
        QPainterPath piece;
        piece.addPolygon(back.map(run.points));
        if (run.closed)
            piece.closeSubpath();
        if (!dashed) {
            solid.addPath(piece);
            continue;
        }
        // The dash pattern goes on where the cut-off part would have left it.
        QPen shifted = pen;
        const double unit = pen.isCosmetic() ? 1.0 : std::max(pen.widthF() * scale, 1.0);
        shifted.setDashOffset(pen.dashOffset() + run.startDistance / unit);
        m_painter.strokePath(piece, shifted);
    }
    if (!solid.isEmpty())
        m_painter.strokePath(solid, pen);
}

void QtCanvas::FillPath(const Path& path, const Brush& brush)
{
    const QPainterPath qpath = FillableNearOutput(ToQPath(path));
    WithRop2(brush.color, [&](Color color) {
        Brush b = brush;
        if (!(color == brush.color)) {
            b.kind = BrushKind::Solid;
            b.color = color;
        }
        if (b.kind == BrushKind::Hatch && b.opaqueBackground)
            m_painter.fillPath(qpath, ToQColor(b.background));
        m_painter.fillPath(qpath, ToQBrush(b));
    });
}

void QtCanvas::StrokePath(const Path& path, const Pen& pen)
{
    const QPainterPath qpath = ToQPath(path);
    WithRop2(pen.color, [&](Color color) {
        Pen p = pen;
        p.color = color;
        StrokeNearOutput(qpath, ToQPen(p));
    });
}

void QtCanvas::ApplyClip()
{
    const QTransform saved = m_painter.transform();
    m_painter.resetTransform();
    if (const std::optional<QPainterPath> clip = EffectiveClip())
        m_painter.setClipPath(*clip, Qt::ReplaceClip);
    else
        m_painter.setClipping(false);
    m_painter.setTransform(saved);
}

void QtCanvas::SetClip(const Path& path, ClipCombine combine)
{
    const QPainterPath device = ToQTransform(m_transform).map(ToQPath(path));
    QPainterPath whole;
    whole.addRect(0, 0, m_image.width(), m_image.height());
    const QPainterPath current = m_clip ? *m_clip : whole;
    switch (combine) {
    case ClipCombine::Copy:
        m_clip = device;
        break;
    case ClipCombine::And:
        m_clip = current.intersected(device);
        break;
    case ClipCombine::Or:
        m_clip = current.united(device);
        break;
    case ClipCombine::Xor:
        m_clip = current.united(device).subtracted(current.intersected(device));
        break;
    case ClipCombine::Diff:
        m_clip = current.subtracted(device);
        break;
    }
    ApplyClip();
}

void QtCanvas::ResetClip()
{
    m_clip.reset();
    ApplyClip();
}

void QtCanvas::OffsetClip(PointD offset)
{
    if (!m_clip)
        return;
    const PointD d = m_transform.MapVector(offset);
    m_clip->translate(d.x, d.y);
    ApplyClip();
}

std::optional<QPainterPath> QtCanvas::EffectiveClip() const
{
    if (m_metaClip && m_clip)
        return m_metaClip->intersected(*m_clip);
    return m_metaClip ? m_metaClip : m_clip;
}

void QtCanvas::SetMetaClip()
{
    m_metaClip = EffectiveClip();
    m_clip.reset();
    ApplyClip();
}

void QtCanvas::SaveClip()
{
    m_savedClips.push_back({m_clip, m_metaClip});
}

void QtCanvas::RestoreClip()
{
    if (m_savedClips.empty())
        return;
    m_clip = m_savedClips.back().clip;
    m_metaClip = m_savedClips.back().meta;
    m_savedClips.pop_back();
    ApplyClip();
}

void QtCanvas::SetRop2(int rop2)
{
    m_rop2 = rop2;
}

void QtCanvas::SetAntialiasing(bool on)
{
    m_painter.setRenderHint(QPainter::Antialiasing, on);
}

void QtCanvas::SetSourceOver(bool on)
{
    m_sourceOver = on;
    m_painter.setCompositionMode(on ? QPainter::CompositionMode_SourceOver
                                    : QPainter::CompositionMode_Source);
}

} // namespace metafile
