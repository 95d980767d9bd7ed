// Compressed pictures inside metafiles (PNG, JPEG, GIF, BMP, TIFF) decoded
// by Qt's image readers, their size checked before any pixel is read.
#include "metafile/qt/QtCanvas.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <algorithm>
#include <climits>

namespace metafile {

bool QtCanvas::DecodeImage(const std::uint8_t* data, std::size_t size, std::uint64_t maxPixels,
                           Image& out)
{
    if (!data || size == 0 || size > std::size_t(INT_MAX))
        return false;
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return false;
    QImageReader reader(&buffer);
    // Only the raster formats metafiles carry; no reader that may look elsewhere.
    const QByteArray format = reader.format();
    if (format != "png" && format != "jpeg" && format != "gif" && format != "bmp" &&
        format != "tiff")
        return false;
    const QSize declared = reader.size();
    if (!declared.isValid() || declared.isEmpty() ||
        std::uint64_t(declared.width()) * std::uint64_t(declared.height()) > maxPixels)
        return false;
    QImage image;
    if (!reader.read(&image) || image.isNull() ||
        std::uint64_t(image.width()) * std::uint64_t(image.height()) > maxPixels)
        return false;
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return false;
    out.width = image.width();
    out.height = image.height();
    out.pixels.resize(std::size_t(out.width) * std::size_t(out.height));
    for (int y = 0; y < out.height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
        std::copy(row, row + out.width, out.pixels.begin() + std::ptrdiff_t(y) * out.width);
    }
    return true;
}

} // namespace metafile
