// Bitmaps and raster operations on the QPainter canvas. Plain copies and
// blends go through QPainter; every other ternary raster operation renders
// source and pattern into temporary images over the destination's device
// bounds and combines them with the destination per pixel by the code's truth
// table, then paints the result back under the clip.
#include "metafile/DibImage.h"
#include "metafile/qt/QtCanvas.h"
#include "metafile/qt/QtEmbeddedImage.h"
#include "metafile/qt/QtMirroredBlit.h"

#include <algorithm>
#include <cmath>

namespace metafile {

namespace {

// The program's canvas decodes JPEG and PNG bitmaps inside records.
const bool g_decoderInstalled = [] {
    SetEmbeddedImageDecoder(&DecodeEmbeddedImageWithQt);
    return true;
}();

std::uint8_t RopCode(std::uint32_t rop3)
{
    return std::uint8_t((rop3 >> 16) & 0xFF);
}
bool UsesSource(std::uint8_t c)
{
    return ((c >> 2) & 0x33) != (c & 0x33);
}
bool UsesPattern(std::uint8_t c)
{
    return ((c >> 4) & 0x0F) != (c & 0x0F);
}

// Bit i of the code is the result for pattern, source and destination bits
// (i = 4p + 2s + d); applied to all 32 bits at once.
std::uint32_t ApplyRop(std::uint8_t code, std::uint32_t p, std::uint32_t s, std::uint32_t d)
{
    std::uint32_t r = 0;
    for (int i = 0; i < 8; ++i)
        if (code & (1 << i))
            r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    return r;
}

// Image pixels to current coordinates: source onto destination, flips kept.
Matrix SourceToDestination(const RectD& source, const RectD& destination)
{
    const double sx = destination.Width() / source.Width(),
                 sy = destination.Height() / source.Height();
    return {sx, 0, 0, sy, destination.left - source.left * sx, destination.top - source.top * sy};
}

// The source rectangle with left < right and top < bottom, inside the image.
QRectF ClippedSource(const Image& image, const RectD& source)
{
    const QRectF r =
        QRectF(QPointF(source.left, source.top), QPointF(source.right, source.bottom)).normalized();
    return r.intersected(QRectF(0, 0, image.width, image.height));
}

QImage Recoloured(const QImage& image, Color zero, Color one)
{
    QImage out = image;
    const QRgb z = qPremultiply(qRgba(zero.r, zero.g, zero.b, zero.a));
    const QRgb o = qPremultiply(qRgba(one.r, one.g, one.b, one.a));
    for (int y = 0; y < out.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if (qAlpha(row[x]) != 0)
                row[x] = (row[x] & 0xFFFFFF) != 0 ? o : z;
    }
    return out;
}

} // namespace

struct QtCanvas::RopBlit
{
    explicit RopBlit(QtCanvas& c) : canvas(c) {}

    QtCanvas& canvas;
    std::uint8_t code = 0;
    std::uint8_t backgroundCode = 0;
    const QImage* source = nullptr; // with sourceToCanvas, when the code uses it
    QRectF sourceRect;
    Matrix sourceToCanvas;
    const Brush* pattern = nullptr;
    const Image* mask = nullptr;
    PointD maskOrigin;
    PointD sourceOrigin;
    bool smooth = false;

    void Run(const RectD& destination);
};

void QtCanvas::RopBlit::Run(const RectD& destination)
{
    // The destination's device bounds, inside the output and the clip.
    Path shape;
    shape.AddRect(destination);
    const QPainterPath device = ToQTransform(canvas.m_transform).map(ToQPath(shape));
    QRectF bounds = device.boundingRect().intersected(
        QRectF(0, 0, canvas.m_image.width(), canvas.m_image.height()));
    if (const std::optional<QPainterPath> clip = canvas.EffectiveClip())
        bounds = bounds.intersected(clip->boundingRect());
    const QRect area = bounds.toAlignedRect().intersected(canvas.m_image.rect());
    if (area.isEmpty())
        return;
    const Matrix toArea = canvas.m_transform * Matrix::Translation(-area.left(), -area.top());

    QImage coverage(area.size(), QImage::Format_Alpha8);
    QImage src, pat;
    if (coverage.isNull())
        return;
    coverage.fill(0);
    {
        QPainter p(&coverage);
        p.setTransform(ToQTransform(toArea));
        p.fillPath(ToQPath(shape), Qt::black);
    }
    if (source) {
        src = QImage(area.size(), QImage::Format_ARGB32_Premultiplied);
        if (src.isNull())
            return;
        src.fill(Qt::transparent);
        QPainter p(&src);
        p.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
        p.setTransform(ToQTransform(sourceToCanvas * toArea));
        DrawImagePart(p, sourceRect, *source);
    }
    if (pattern) {
        pat = QImage(area.size(), QImage::Format_ARGB32_Premultiplied);
        if (pat.isNull())
            return;
        pat.fill(Qt::black);
        QPainter p(&pat);
        p.setTransform(ToQTransform(toArea));
        const QPainterPath path = ToQPath(shape);
        if (pattern->kind == BrushKind::Hatch)
            p.fillPath(path, ToQColor(pattern->opaqueBackground ? pattern->background
                                                                : Color{0, 0, 0, 255}));
        p.fillPath(path, canvas.ToQBrush(*pattern));
    }
    const Matrix deviceToImage = (sourceToCanvas * canvas.m_transform).Inverted();

    QImage result(area.size(), QImage::Format_ARGB32_Premultiplied);
    if (result.isNull())
        return;
    result.fill(Qt::transparent);
    const QImage& target = canvas.m_image;
    const bool direct = target.format() == QImage::Format_ARGB32_Premultiplied ||
                        target.format() == QImage::Format_RGB32 ||
                        target.format() == QImage::Format_ARGB32;
    for (int y = 0; y < area.height(); ++y) {
        const uchar* cover = coverage.constScanLine(y);
        const QRgb* s = source ? reinterpret_cast<const QRgb*>(src.constScanLine(y)) : nullptr;
        const QRgb* pp = pattern ? reinterpret_cast<const QRgb*>(pat.constScanLine(y)) : nullptr;
        const QRgb* d =
            direct
                ? reinterpret_cast<const QRgb*>(target.constScanLine(area.top() + y)) + area.left()
                : nullptr;
        QRgb* out = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < area.width(); ++x) {
            if (cover[x] < 128 || (s && qAlpha(s[x]) == 0))
                continue; // outside the destination, or where the source has no pixel
            std::uint8_t c = code;
            if (mask) {
                const PointD u = deviceToImage.Map({area.left() + x + 0.5, area.top() + y + 0.5});
                const double mx = std::floor(u.x - sourceOrigin.x + maskOrigin.x);
                const double my = std::floor(u.y - sourceOrigin.y + maskOrigin.y);
                if (mx >= 0 && my >= 0 && mx < mask->width && my < mask->height &&
                    (mask->pixels[std::size_t(my) * mask->width + std::size_t(mx)] & 0xFFFFFF) == 0)
                    c = backgroundCode;
            }
            const QRgb dst = d ? d[x] : target.pixel(area.left() + x, area.top() + y);
            out[x] = 0xFF000000u | (ApplyRop(c, pp ? pp[x] : 0, s ? s[x] : 0, dst) & 0xFFFFFF);
        }
    }
    canvas.m_painter.save();
    canvas.m_painter.resetTransform();
    canvas.m_painter.setOpacity(1);
    canvas.m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    canvas.m_painter.drawImage(area.topLeft(), result);
    canvas.m_painter.restore();
}

void QtCanvas::DrawImageMasked(const Image& image, const RectD& source, const RectD& destination,
                               const Image& mask, PointD maskOrigin, std::uint32_t backgroundRop3,
                               const BlitOptions& options)
{
    if (image.IsEmpty() || source.Width() == 0 || source.Height() == 0 ||
        destination.Width() == 0 || destination.Height() == 0 || !m_transform.IsInvertible())
        return;
    const std::uint8_t code = RopCode(options.rop3), backgroundCode = RopCode(backgroundRop3);
    const bool plain = mask.IsEmpty();
    QImage q = ToQImage(image);
    if (q.isNull())
        return;
    if (options.monochrome)
        q = Recoloured(q, options.textColor, options.backgroundColor);
    const Matrix toCanvas = SourceToDestination(source, destination);
    const QRectF clipped = ClippedSource(image, source);
    if (clipped.isEmpty())
        return;

    if (plain && code == 0xCC) {
        // A copy or a blend: what QPainter does itself.
        m_painter.save();
        m_painter.setTransform(ToQTransform(toCanvas * m_transform));
        m_painter.setRenderHint(QPainter::SmoothPixmapTransform, options.smooth);
        m_painter.setOpacity(std::clamp(options.constantAlpha, 0.0, 1.0));
        m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        DrawImagePart(m_painter, clipped, q);
        m_painter.restore();
        return;
    }
    RopBlit blit(*this);
    blit.code = code;
    blit.backgroundCode = plain ? code : backgroundCode;
    const bool needsSource = UsesSource(code) || (!plain && UsesSource(backgroundCode));
    const bool needsPattern = UsesPattern(code) || (!plain && UsesPattern(backgroundCode));
    blit.source = needsSource ? &q : nullptr;
    blit.sourceRect = clipped;
    blit.sourceToCanvas = toCanvas;
    blit.pattern = needsPattern ? &options.pattern : nullptr;
    blit.mask = plain ? nullptr : &mask;
    blit.maskOrigin = maskOrigin;
    blit.sourceOrigin = {std::min(source.left, source.right), std::min(source.top, source.bottom)};
    blit.smooth = options.smooth;
    blit.Run(destination);
}

void QtCanvas::DrawImage(const Image& image, const RectD& source, const RectD& destination,
                         const BlitOptions& options)
{
    DrawImageMasked(image, source, destination, Image{}, {}, options.rop3, options);
}

void QtCanvas::FillWithRop(const RectD& destination, const Brush& brush, std::uint32_t rop3)
{
    const std::uint8_t code = RopCode(rop3);
    if (destination.Width() == 0 || destination.Height() == 0 || code == 0xAA)
        return;
    Path path;
    path.AddRect(destination);
    Brush solid;
    switch (code) {
    case 0xF0:
        FillPath(path, brush);
        return; // PATCOPY
    case 0x00:
        solid.color = {0, 0, 0, 255};
        break;
    case 0xFF:
        solid.color = {255, 255, 255, 255};
        break;
    default: {
        if (!m_transform.IsInvertible())
            return;
        RopBlit blit(*this);
        blit.code = code;
        blit.backgroundCode = code;
        blit.pattern = UsesPattern(code) ? &brush : nullptr;
        blit.Run(destination);
        return;
    }
    }
    m_painter.save();
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    m_painter.fillPath(ToQPath(path), ToQColor(solid.color));
    m_painter.restore();
}

} // namespace metafile
