#include "convert/BmpPhoto.h"

#include "dib/BmpDecode.h"
#include "dib/MemoryBudget.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <algorithm>

namespace {

QImage::Format QtFormat(BmpPixelLayout layout)
{
    switch (layout) {
    case BmpPixelLayout::Rgb32:
        return QImage::Format_RGB32;
    case BmpPixelLayout::Argb32:
        return QImage::Format_ARGB32;
    case BmpPixelLayout::Rgbx64:
        return QImage::Format_RGBX64;
    case BmpPixelLayout::Rgba64:
        return QImage::Format_RGBA64;
    }
    return QImage::Format_RGB32;
}

DecodeResult DecodeEmbedded(const QByteArray& bytes, const BmpPlan& plan, QImage* image)
{
    const QByteArray stream =
        QByteArray::fromRawData(bytes.constData() + plan.pixelOffset, qsizetype(plan.pixelBytes));
    QBuffer buffer;
    buffer.setData(stream);
    buffer.open(QIODevice::ReadOnly);
    // Qt's own cap is far below what a large picture needs; ours is
    // checked below from the size the stream states.
    QImageReader::setAllocationLimit(
        int(std::min<std::uint64_t>(PictureMemoryBudget() >> 20, std::uint64_t(0x7FFFFFFF))));
    QImageReader reader(&buffer, plan.embedded == BmpEmbedded::Png ? "png" : "jpeg");
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (!size.isValid())
        return DecodeResult::Unreadable;
    if (!FitsImageBudget(size.width(), size.height(), 8))
        return DecodeResult::TooLarge;
    if (!reader.read(image) || image->isNull())
        return DecodeResult::Unreadable;
    return DecodeResult::Ok;
}

} // namespace

bool HasBmpSignature(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return file.read(2) == "BM";
}

DecodeResult DecodeBmpBytes(const QByteArray& bytes, QImage* image)
{
    *image = QImage();
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    const std::size_t size = std::size_t(bytes.size());
    const BmpPlan plan = PlanBmpDecode(data, size);
    switch (plan.status) {
    case BmpDecodeStatus::Ok:
        break;
    case BmpDecodeStatus::Broken:
        return DecodeResult::Unreadable;
    case BmpDecodeStatus::TooLarge:
        return DecodeResult::TooLarge;
    }

    QImage decoded;
    if (plan.embedded != BmpEmbedded::None) {
        const DecodeResult result = DecodeEmbedded(bytes, plan, &decoded);
        if (result != DecodeResult::Ok)
            return result;
    } else {
        // Eight bytes a pixel, as for every other photo: room for one
        // conversion of the picture.
        if (!FitsImageBudget(plan.width, plan.height, 8))
            return DecodeResult::TooLarge;
        decoded = QImage(plan.width, plan.height, QtFormat(plan.layout));
        if (decoded.isNull())
            return DecodeResult::TooLarge;
        const BmpPixelLayout layout =
            DecodeBmpPixels(plan, data, size, decoded.bits(), std::size_t(decoded.bytesPerLine()));
        if (layout != plan.layout)
            decoded.reinterpretAsFormat(QtFormat(layout));
    }
    if (plan.header.ppmX > 0)
        decoded.setDotsPerMeterX(plan.header.ppmX);
    if (plan.header.ppmY > 0)
        decoded.setDotsPerMeterY(plan.header.ppmY);
    *image = std::move(decoded);
    return DecodeResult::Ok;
}

DecodeResult DecodeBmpFile(const QString& path, QImage* image)
{
    *image = QImage();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return DecodeResult::Unreadable;
    const qint64 length = file.size();
    if (length < 0 || std::uint64_t(length) > PictureMemoryBudget())
        return DecodeResult::TooLarge;
    const QByteArray bytes = file.readAll();
    if (bytes.size() != length)
        return DecodeResult::Unreadable;
    return DecodeBmpBytes(bytes, image);
}
