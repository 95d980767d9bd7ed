// Drawing an image part under a painter's transform when that transform may
// mirror it.
#pragma once

#include <QImage>
#include <QPainter>
#include <QRectF>

namespace metafile {

// painter.drawImage(part, image, part) under the painter's transform. Qt 6.4's
// scaled blit without smoothing reads outside the image when a pure scale is
// negative on either axis, so such a part is mirrored into a copy and drawn
// with positive scales instead; everything else goes to QPainter as it is.
void DrawImagePart(QPainter& painter, const QRectF& part, const QImage& image);

} // namespace metafile
