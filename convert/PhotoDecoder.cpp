#include "convert/PhotoDecoder.h"

#include "convert/BmpPhoto.h"
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

// Qt picks its reader by a file's suffix when it has a reader of that name,
// and then never looks at the content: a bitmap named .dib goes to the
// header-less DIB reader, a PNG named .jpg to the JPEG one.
std::unique_ptr<QImageReader> MakeReader(const QString& path, bool byContent)
{
    auto reader = std::make_unique<QImageReader>(path);
    reader->setDecideFormatFromContent(byContent);
    ConfigureReader(*reader);
    return reader;
}

} // namespace

PhotoDecoder::PhotoDecoder() : m_cache(FrameCacheBudget()) {}

PhotoDecoder::~PhotoDecoder() = default;

DecodeResult PhotoDecoder::Open(const QString& path)
{
    m_path = path;
    m_info = PhotoInfo();
    m_frame = QImage();
    m_activeFrame = -1;
    m_isRaw = false;
    m_isBmp = false;
    m_byContent = true;
    m_reader.reset();
    m_readerNext = 0;
    m_inOrderOnly = false;
    m_cache.Clear();
    m_framesDecoded = 0;

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
    // Bitmap files, whatever their name, through our own reader: Qt's
    // takes fewer layouts (no 64-bit ones at all).
    if (HasBmpSignature(path)) {
        m_isBmp = true;
        m_info.format = "bmp";
        m_info.dimension = FrameDimensionPage;
        m_info.frameCount = 1;
        return DecodeFrame(0);
    }

    std::unique_ptr<QImageReader> probe = MakeReader(path, true);
    if (!probe->canRead()) {
        // Kinds without a signature (a header-less DIB, TGA) are known by
        // their name alone.
        m_byContent = false;
        probe = MakeReader(path, false);
        if (!probe->canRead())
            return IsCameraRawFile(path) ? openRaw() : DecodeResult::Unreadable;
    }
    m_info.format = probe->format();
    m_info.dimension = DimensionForFormat(m_info.format);
    m_info.frameCount = std::max(1, probe->imageCount());
    probe.reset(); // counting may have read through the file
    const DecodeResult first = DecodeFrame(0);
    if (first == DecodeResult::Unreadable && IsCameraRawFile(path)) {
        // A camera file under another name, claimed by the TIFF reader.
        m_reader.reset();
        m_cache.Clear();
        return openRaw();
    }
    return first;
}

DecodeResult PhotoDecoder::SelectFrame(int index)
{
    if (index < 0 || index >= m_info.frameCount)
        return DecodeResult::Unreadable;
    if (index == m_activeFrame)
        return DecodeResult::Ok;
    return DecodeFrame(index);
}

std::unique_ptr<QImageReader> PhotoDecoder::NewReader() const
{
    return MakeReader(m_path, m_byContent);
}

void PhotoDecoder::Show(int index, const QImage& frame)
{
    m_frame = frame;
    m_activeFrame = index;
}

DecodeResult PhotoDecoder::Read(QImageReader& reader, int index, QImage* frame, bool keep)
{
    // Qt draws each frame over its own copy of the last one; holding on to
    // that copy while it reads on would make it copy the whole canvas.
    *frame = QImage();
    const QSize size = reader.size();
    // Eight bytes a pixel covers 16-bit decoders and one conversion.
    if (size.isValid() && !FitsImageBudget(size.width(), size.height(), 8))
        return DecodeResult::TooLarge;
    ++m_framesDecoded;
    if (!reader.read(frame) || frame->isNull()) {
        if (reader.error() == QImageReader::InvalidDataError &&
            reader.errorString().contains("allocation", Qt::CaseInsensitive))
            return DecodeResult::TooLarge;
        return DecodeResult::Unreadable;
    }
    if (keep && m_info.frameCount > 1) {
        // Shown from the kept copy, so the reader's canvas is its own again.
        // A frame read again on the way to a later one is kept already.
        QImage kept = m_cache.Find(index);
        if (kept.isNull())
            kept = m_cache.Keep(index, *frame);
        if (!kept.isNull())
            *frame = std::move(kept);
    }
    return DecodeResult::Ok;
}

DecodeResult PhotoDecoder::DecodeFrame(int index)
{
    if (m_isBmp) {
        QImage image;
        const DecodeResult result = DecodeBmpFile(m_path, &image);
        if (result == DecodeResult::Ok)
            Show(0, image);
        return result;
    }
    if (m_isRaw) {
        RawDecodeResult raw = DecodeCameraRaw(m_path);
        if (raw.tooLarge)
            return DecodeResult::TooLarge;
        if (raw.image.isNull())
            return DecodeResult::Unreadable;
        Show(0, raw.image);
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
            Show(0, jpeg.image);
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

    // Composed frames come back as Qt gave them, with what earlier frames
    // left on the canvas.
    const QImage kept = m_cache.Find(index);
    if (!kept.isNull()) {
        Show(index, kept);
        return DecodeResult::Ok;
    }

    QImage frame;
    if (index > 0 && !m_inOrderOnly) {
        // Pages and icon sizes: straight to the frame on a reader of its own.
        std::unique_ptr<QImageReader> reader = NewReader();
        if (reader->jumpToImage(index)) {
            const DecodeResult result = Read(*reader, index, &frame, true);
            if (result == DecodeResult::Ok)
                Show(index, frame);
            return result;
        }
        // Decoders without random access (GIF among them) give frames in
        // order, each drawn over the ones before.
        m_inOrderOnly = true;
    }

    // In order, from where the kept reader stands or else from the start.
    if (!m_reader || m_readerNext > index) {
        m_reader = NewReader();
        m_readerNext = 0;
    }
    // Of the frames passed on the way only the last ones are kept, as many
    // as the bound holds: the ones stepping back from here reaches first.
    const std::uint64_t frameBytes = std::max<std::uint64_t>(1, m_frame.sizeInBytes());
    const std::uint64_t window = m_cache.Limit() / frameBytes;
    const std::int64_t keepFrom =
        std::int64_t(index) -
        std::int64_t(std::min<std::uint64_t>(window, std::uint64_t(INT32_MAX))) + 1;
    while (m_readerNext <= index) {
        const DecodeResult result = Read(*m_reader, m_readerNext, &frame, m_readerNext >= keepFrom);
        if (result != DecodeResult::Ok) {
            m_reader.reset();
            return result;
        }
        ++m_readerNext;
    }
    Show(index, frame);
    return DecodeResult::Ok;
}
