#include "metafile/qt/QtMirroredBlit.h"

#include <QTransform>

namespace metafile {

void DrawImagePart(QPainter& painter, const QRectF& part, const QImage& image)
{
    const QTransform t = painter.transform();
    const bool flipX = t.m11() < 0, flipY = t.m22() < 0;
    if (t.type() > QTransform::TxScale || (!flipX && !flipY)) {
        painter.drawImage(part, image, part);
        return;
    }
    // The whole pixels the part touches, copied and mirrored; the mapping of
    // the copy's coordinates keeps every point where it was.
    const QRect whole = part.toAlignedRect().intersected(image.rect());
    if (whole.isEmpty())
        return;
    const QImage mirrored = image.copy(whole).mirrored(flipX, flipY);
    if (mirrored.isNull())
        return;
    const double x0 = whole.left(), y0 = whole.top(), w = whole.width(), h = whole.height();
    // Original u = x0 + u' (kept) or x0 + w - u' (mirrored); likewise v.
    const double sx = flipX ? -t.m11() : t.m11(), sy = flipY ? -t.m22() : t.m22();
    const double dx = flipX ? t.m11() * (x0 + w) + t.dx() : t.m11() * x0 + t.dx();
    const double dy = flipY ? t.m22() * (y0 + h) + t.dy() : t.m22() * y0 + t.dy();
    const double left = flipX ? x0 + w - part.right() : part.left() - x0;
    const double top = flipY ? y0 + h - part.bottom() : part.top() - y0;
    const QRectF inCopy(left, top, part.width(), part.height());

    painter.save();
    painter.setTransform(QTransform(sx, 0, 0, sy, dx, dy));
    painter.drawImage(inCopy, mirrored, inCopy);
    painter.restore();
}

} // namespace metafile
