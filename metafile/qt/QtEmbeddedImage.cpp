#include "metafile/qt/QtEmbeddedImage.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <cstring>
#include <new>

namespace metafile {

bool DecodeEmbeddedImageWithQt(std::span<const std::uint8_t> bytes, PlayBudget& budget, Image& out)
{
    if (bytes.empty())
        return false;
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                              qsizetype(bytes.size()));
    QBuffer buffer(&data);
    if (!buffer.open(QIODevice::ReadOnly))
        return false;
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    const QByteArray format = reader.format();
    if (format != "jpeg" && format != "png")
        return false;
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() ||
        !budget.SpendImagePixels(std::uint64_t(size.width()) * std::uint64_t(size.height())))
        return false;
    QImage image;
    if (!reader.read(&image) || image.size() != size)
        return false;
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return false;
    Image decoded;
    decoded.width = image.width();
    decoded.height = image.height();
    try {
        decoded.pixels.resize(std::size_t(decoded.width) * std::size_t(decoded.height));
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int y = 0; y < decoded.height; ++y)
        std::memcpy(decoded.pixels.data() + std::size_t(y) * decoded.width, image.constScanLine(y),
                    std::size_t(decoded.width) * 4);
    out = std::move(decoded);
    return true;
}

} // namespace metafile
