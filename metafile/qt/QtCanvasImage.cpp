// Bitmaps and raster operations on the QPainter canvas.
#include "metafile/qt/QtCanvas.h"

namespace metafile {

void QtCanvas::DrawImage(const Image& image, const RectD& source, const RectD& destination, const BlitOptions&)
{
    const QImage q = ToQImage(image);
    if (q.isNull())
        return;
    m_painter.drawImage(QRectF(destination.left, destination.top, destination.Width(), destination.Height()), q,
                        QRectF(source.left, source.top, source.Width(), source.Height()));
}

void QtCanvas::FillWithRop(const RectD& destination, const Brush& brush, std::uint32_t)
{
    Path path;
    path.AddRect(destination);
    FillPath(path, brush);
}

} // namespace metafile
