#include "convert/PhotoDecoder.h"

#include "convert/Imaging.h"
#include "convert/JpegDecoder.h"
#include "convert/RawDecoder.h"
#include "dib/MemoryBudget.h"

#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <cmath>

bool IsCameraRawFileName(const QString& path)
{
    static const QStringList kExtensions = {"raw", "dng", "cr2", "cr3", "crw", "nef", "nrw",
                                            "arw", "srf", "sr2", "orf", "rw2", "raf", "pef",
                                            "ptx", "srw", "x3f", "erf", "kdc", "dcr", "mrw",
                                            "3fr", "mef", "mos", "iiq", "rwl", "k25"};
    return kExtensions.contains(QFileInfo(path).suffix().toLower());
}

namespace {

QUuid DimensionForFormat(const QByteArray& format)
{
    const QByteArray f = format.toLower();
    if (f == "gif" || f == "webp" || f == "mng" || f == "apng")
        return FrameDimensionTime;
    if (f == "ico" || f == "cur" || f == "icns")
        return FrameDimensionResolution;
    return FrameDimensionPage;
}

void ConfigureReader(QImageReader& reader)
{
    reader.setAutoTransform(true); // photos arrive upright
    // Qt's own cap is far below what a large photo needs; ours is checked
    // before decoding from the size the header states.
    QImageReader::setAllocationLimit(
        int(std::min<std::uint64_t>(PictureMemoryBudget() >> 20, std::uint64_t(0x7FFFFFFF))));
}

} // namespace

DecodeResult PhotoDecoder::Open(const QString& path)
{
    m_path = path;
    m_info = PhotoInfo();
    m_frame = QImage();
    m_activeFrame = -1;
    m_isRaw = false;

    QFileInfo file(path);
    if (!file.exists())
        return DecodeResult::NotFound;
    if (!file.isFile() || !file.isReadable())
        return DecodeResult::Unreadable;

    // Camera RAW first for RAW names: DNG and several others are TIFF files
    // that Qt's TIFF reader claims and then cannot read.
    const auto openRaw = [&] {
        m_isRaw = true;
        m_info.format = "raw";
        m_info.dimension = FrameDimensionPage;
        m_info.frameCount = 1;
        return DecodeFrame(0);
    };
    if (IsCameraRawFileName(path) && IsCameraRawFile(path))
        return openRaw();

    QImageReader reader(path);
    ConfigureReader(reader);
    if (!reader.canRead())
        return IsCameraRawFile(path) ? openRaw() : DecodeResult::Unreadable;
    m_info.format = reader.format();
    m_info.dimension = DimensionForFormat(m_info.format);
    m_info.frameCount = std::max(1, reader.imageCount());
    return DecodeFrame(0);
}

DecodeResult PhotoDecoder::SelectFrame(int index)
{
    if (index < 0 || index >= m_info.frameCount)
        return DecodeResult::Unreadable;
    if (index == m_activeFrame)
        return DecodeResult::Ok;
    return DecodeFrame(index);
}

DecodeResult PhotoDecoder::DecodeFrame(int index)
{
    if (m_isRaw) {
        RawDecodeResult raw = DecodeCameraRaw(m_path);
        if (raw.tooLarge)
            return DecodeResult::TooLarge;
        if (raw.image.isNull())
            return DecodeResult::Unreadable;
        m_frame = std::move(raw.image);
        m_activeFrame = 0;
        return DecodeResult::Ok;
    }

    if (m_info.format == "jpeg" && index == 0) {
        // Our own libjpeg-turbo path: straight into the image's rows.
        JpegDecodeResult jpeg = DecodeJpegFile(m_path, PictureMemoryBudget() / 2);
        switch (jpeg.status) {
        case JpegDecodeResult::Status::Ok: {
            constexpr double kInchesPerMetre = 1.0 / 0.0254;
            if (jpeg.dpiX > 0 && jpeg.dpiY > 0) {
                jpeg.image.setDotsPerMeterX(int(std::lround(jpeg.dpiX * kInchesPerMetre)));
                jpeg.image.setDotsPerMeterY(int(std::lround(jpeg.dpiY * kInchesPerMetre)));
            }
            m_frame = std::move(jpeg.image);
            m_activeFrame = 0;
            return DecodeResult::Ok;
        }
        case JpegDecodeResult::Status::TooLarge:
            return DecodeResult::TooLarge;
        case JpegDecodeResult::Status::Broken:
            return DecodeResult::Unreadable;
        case JpegDecodeResult::Status::NotJpeg:
            break; // let Qt try
        }
    }

    QImageReader reader(m_path);
    ConfigureReader(reader);
    if (index > 0 && !reader.jumpToImage(index)) {
        // Decoders without random access (GIF among them) give frames in
        // order, each drawn over the ones before; read up to the one wanted.
        for (int i = 0; i < index; ++i) {
            if (!reader.canRead())
                return DecodeResult::Unreadable;
            const QSize size = reader.size();
            if (size.isValid() && !FitsImageBudget(size.width(), size.height(), 8))
                return DecodeResult::TooLarge;
            if (reader.read().isNull())
                return DecodeResult::Unreadable;
        }
    }
    const QSize size = reader.size();
    // Eight bytes a pixel covers 16-bit decoders and one conversion.
    if (size.isValid() && !FitsImageBudget(size.width(), size.height(), 8))
        return DecodeResult::TooLarge;
    QImage frame;
    if (!reader.read(&frame) || frame.isNull()) {
        if (reader.error() == QImageReader::InvalidDataError &&
            reader.errorString().contains("allocation", Qt::CaseInsensitive))
            return DecodeResult::TooLarge;
        return DecodeResult::Unreadable;
    }
    m_frame = std::move(frame);
    m_activeFrame = index;
    return DecodeResult::Ok;
}
