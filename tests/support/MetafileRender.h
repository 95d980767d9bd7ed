// Drawing a metafile made by a test into an image, and looking at its pixels.
#pragma once

#include "metafile/Metafile.h"
#include "metafile/qt/QtCanvas.h"

#include <QColor>
#include <QImage>
#include <cstdint>
#include <vector>

namespace metafilebytes {

// The metafile drawn over white into a width x height picture.
inline QImage RenderMetafile(const std::vector<std::uint8_t>& bytes, int width, int height,
                             metafile::PlayReport* report = nullptr, bool antialias = false)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    metafile::QtCanvas canvas(image);
    canvas.SetAntialiasing(antialias);
    const metafile::PlayReport r = metafile::PlayMetafile(bytes, canvas, {0, 0, double(width), double(height)});
    if (report)
        *report = r;
    return image;
}

// The colour at x, y without alpha, as 0xRRGGBB.
inline std::uint32_t Rgb(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

} // namespace metafilebytes
