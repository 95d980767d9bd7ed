#include "convert/ResultPreview.h"

#include "convert/ConversionHost.h"
#include "convert/Imaging.h"
#include "convert/OutputFileSize.h"
#include "convert/PhotoDecoder.h"
#include "dib/MemoryBudget.h"
#include "language/CLanguage.h"
#include "platform/TypedNumber.h"
#include "resources/resource.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Keeps the first message a conversion would have shown, and shows none.
class QuietConversionHost : public IConversionHost
{
public:
    int ShowMessage(const QString& text, const QString&, MessageButtons, MessageIcon) override
    {
        Note(text);
        return IDOK;
    }
    void ShowOwnerlessMessage(const QString& text, const QString&) override { Note(text); }
    void SetTextXField(const QString&) override {}
    void SetTextYField(const QString&) override {}

    const QString& FirstMessage() const { return m_first; }

private:
    void Note(const QString& text)
    {
        if (m_first.isEmpty())
            m_first = text;
    }
    QString m_first;
};

bool IsQuarterTurn(int angle)
{
    return angle == 90 || angle == 270;
}

int ScaledLength(int length, double scale)
{
    return std::max(1, int(std::lround(length * scale)));
}

// A font height or width scaled, keeping its sign and never becoming 0
// (which would mean "the default size").
std::int32_t ScaledFontLength(std::int32_t length, double scale)
{
    if (length == 0)
        return 0;
    const std::int32_t magnitude = std::max<std::int32_t>(1, std::lround(std::abs(length) * scale));
    return length < 0 ? -magnitude : magnitude;
}

int ScaledPosition(const QString& typed, int limit, int scaledLimit, double scale)
{
    int position = ParseTypedField(typed, kPositionFieldChars);
    if (position < 0 || position >= limit)
        position = 0; // what the conversion does after its message
    return std::min(scaledLimit - 1, int(std::floor(position * scale)));
}

// Read back as the program opens any picture.
QImage ReadWrittenFile(const QString& path)
{
    PhotoDecoder decoder;
    return decoder.Open(path) == DecodeResult::Ok ? decoder.Frame() : QImage();
}

} // namespace

OutputShape ShapeOfOutput(const ConversionRequest& request)
{
    OutputShape shape;
    const int width = ParseTypedField(request.outputWidthText, kSizeFieldChars);
    const int height = ParseTypedField(request.outputHeightText, kSizeFieldChars);
    if (width <= 0) {
        shape.problemId = IDS_STRING111;
        return shape;
    }
    if (height <= 0) {
        shape.problemId = IDS_STRING112;
        return shape;
    }
    const bool turned = IsQuarterTurn(request.rotateAngle);
    shape.width = turned ? height : width;
    shape.height = turned ? width : height;
    const int format = request.indexedFormat > 0 ? request.indexedFormat : request.pixelFormat;
    shape.fileBytes = BmpFileBytes(format, shape.width, shape.height).value_or(0);
    return shape;
}

ConversionRequest ScaledRequest(const ConversionRequest& request, int outputWidth, int outputHeight,
                                int width, int height, double scale)
{
    ConversionRequest scaled = request;
    scaled.outputWidthText = QString::number(width);
    scaled.outputHeightText = QString::number(height);
    if (!request.text.isEmpty()) {
        scaled.textXText =
            QString::number(ScaledPosition(request.textXText, outputWidth, width, scale));
        scaled.textYText =
            QString::number(ScaledPosition(request.textYText, outputHeight, height, scale));
    }
    scaled.font.lfHeight = ScaledFontLength(request.font.lfHeight, scale);
    scaled.font.lfWidth = ScaledFontLength(request.font.lfWidth, scale);
    return scaled;
}

ResultPreviewMaker::ResultPreviewMaker(IImaging& imaging) : m_imaging(imaging) {}

ResultPreviewMaker::~ResultPreviewMaker()
{
    Forget();
}

void ResultPreviewMaker::Forget()
{
    if (m_reduced)
        m_imaging.DisposeImage(m_reduced);
    m_reduced = nullptr;
    m_reducedFor = QSize();
}

GpImage* ResultPreviewMaker::SourceFor(GpImage* photo, QSize box)
{
    if (m_reduced && m_reducedFor == box)
        return m_reduced;
    Forget();
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    m_imaging.GetImageWidth(photo, &width);
    m_imaging.GetImageHeight(photo, &height);
    if (width == 0 || height == 0 || box.isEmpty())
        return photo;
    // Twice the box in both directions leaves room for any output shape
    // and turn; a photo not much larger than that is used as it is.
    const double wanted = 2.0 * std::max(box.width(), box.height());
    const double scale = std::max(wanted / width, wanted / height);
    if (scale > 0.75)
        return photo;
    const int reducedWidth = ScaledLength(int(width), scale);
    const int reducedHeight = ScaledLength(int(height), scale);
    GpBitmap* reduced = nullptr;
    GpGraphics* graphics = nullptr;
    bool drawn = m_imaging.CreateBitmapFromScan0(reducedWidth, reducedHeight, 0,
                                                 PixelFormat32bppPARGB, nullptr, &reduced) == Ok;
    float dpi = 0;
    m_imaging.GetImageHorizontalResolution(photo, &dpi);
    if (drawn && dpi > 0)
        m_imaging.BitmapSetResolution(reduced, dpi, dpi);
    drawn = drawn && m_imaging.GetImageGraphicsContext(reduced, &graphics) == Ok &&
            m_imaging.SetInterpolationMode(graphics, InterpolationModeHighQualityBicubic) == Ok &&
            m_imaging.DrawImageRectRectI(graphics, photo, 0, 0, reducedWidth, reducedHeight, 0, 0,
                                         int(width), int(height), UnitPixel) == Ok;
    if (graphics)
        m_imaging.DeleteGraphics(graphics);
    if (!drawn) {
        if (reduced)
            m_imaging.DisposeImage(reduced);
        return photo;
    }
    m_reduced = reduced;
    m_reducedFor = box;
    return m_reduced;
}

ResultPreview ResultPreviewMaker::Make(GpImage* photo, const ConversionRequest& request, QSize box)
{
    ResultPreview result;
    result.shape = ShapeOfOutput(request);
    if (result.shape.problemId) {
        result.problem = theLanguage.GetString(result.shape.problemId);
        return result;
    }
    if (!photo || box.isEmpty() || !m_dir.isValid())
        return result;

    // The file at the largest size that fits the box, never enlarged.
    const OutputShape& shape = result.shape;
    const double scale =
        std::min({1.0, double(box.width()) / shape.width, double(box.height()) / shape.height});
    const bool turned = IsQuarterTurn(request.rotateAngle);
    const int outputWidth = turned ? shape.height : shape.width;
    const int outputHeight = turned ? shape.width : shape.height;
    ConversionRequest scaled =
        ScaledRequest(request, outputWidth, outputHeight, ScaledLength(outputWidth, scale),
                      ScaledLength(outputHeight, scale), scale);
    scaled.outputPath = m_dir.filePath(QStringLiteral("result.bmp"));

    // What would stop the full-size conversion stops its preview too: the
    // scaling's memory, then a file (or the indexed formats' 24-bit
    // intermediate) beyond the 4 GiB a bitmap file can hold.
    if (!FitsImageBudget(outputWidth, outputHeight, 8)) {
        result.problem = theLanguage.GetString(IDS_STRING115);
        return result;
    }
    const std::uint64_t written =
        request.indexedFormat > 0
            ? BmpFileBytes(PixelFormat24bppRGB, shape.width, shape.height).value_or(0)
            : shape.fileBytes;
    if (written > std::numeric_limits<std::uint32_t>::max()) {
        result.problem = theLanguage.GetString(IDS_STRING118);
        return result;
    }

    GpImage* source = SourceFor(photo, box);
    QuietConversionHost host;
    const ConversionOutcome outcome = ConvertPhoto(m_imaging, source, scaled, host, true);
    if (outcome.succeeded)
        result.pixels = ReadWrittenFile(scaled.outputPath);
    QFile::remove(scaled.outputPath);
    if (result.pixels.isNull())
        result.problem = host.FirstMessage().isEmpty() ? theLanguage.GetString(IDS_STRING115)
                                                       : host.FirstMessage();
    return result;
}
