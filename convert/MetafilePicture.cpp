#include "convert/MetafilePicture.h"

#include "dib/MemoryBudget.h"
#include "metafile/qt/QtCanvas.h"

#include <QFile>

#include <algorithm>
#include <limits>

namespace {

// Enough for any header's kind to be told.
constexpr qint64 kSniffBytes = 64;

} // namespace

MetafileOpen MetafilePicture::Open(const QString& path)
{
    m_bytes.clear();
    m_info = metafile::MetafileInfo();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return MetafileOpen::NotMetafile;
    const QByteArray head = file.peek(kSniffBytes);
    const auto* headBytes = reinterpret_cast<const std::uint8_t*>(head.constData());
    if (metafile::DetectMetafileKind({headBytes, std::size_t(head.size())}) ==
        metafile::MetafileKind::None)
        return MetafileOpen::NotMetafile;
    // The whole file is kept: the player reads records anywhere in it.
    const qint64 size = file.size();
    if (size <= 0 || std::uint64_t(size) > PictureMemoryBudget() / 4 ||
        size > qint64(std::numeric_limits<int>::max()))
        return MetafileOpen::Unusable;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (file.read(reinterpret_cast<char*>(bytes.data()), size) != size)
        return MetafileOpen::Unusable;
    metafile::MetafileInfo info;
    if (metafile::ReadMetafileInfo(bytes, info) != metafile::MetafileStatus::Ok)
        return MetafileOpen::Unusable;
    m_bytes = std::move(bytes);
    m_info = info;
    return MetafileOpen::Ok;
}

QImage MetafilePicture::Render(int width, int height, const QRect& source, QColor background) const
{
    if (width <= 0 || height <= 0 || source.isEmpty() || m_bytes.empty() ||
        !FitsImageBudget(width, height, 4))
        return QImage();
    // Over an opaque background nothing needs alpha, and the opaque layouts
    // take the drawn pixels as they are.
    QImage image(width, height,
                 background.alpha() == 255 ? QImage::Format_RGB32
                                           : QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return QImage();
    image.fill(background);
    // The whole picture's rectangle on the output, so that the chosen part
    // lands on the image.
    const double scaleX = double(width) / source.width();
    const double scaleY = double(height) / source.height();
    const double left = -source.x() * scaleX;
    const double top = -source.y() * scaleY;
    const metafile::RectD target{left, top, left + m_info.width * scaleX,
                                 top + m_info.height * scaleY};
    {
        // The painter is done with the image before it is handed on.
        metafile::QtCanvas canvas(image);
        metafile::PlayMetafile(m_bytes, canvas, target);
    }
    return image;
}
