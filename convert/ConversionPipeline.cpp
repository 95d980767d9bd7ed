#include "convert/ConversionPipeline.h"

#include "convert/ConversionHost.h"
#include "convert/IndexedStage.h"
#include "convert/PixelFormats.h"
#include "language/CLanguage.h"
#include "language/LanguageMessage.h"
#include "platform/AtomicFile.h"
#include "platform/FileHelpers.h"
#include "platform/TypedNumber.h"
#include "resources/resource.h"

#include <QDir>
#include <QTemporaryFile>

namespace {

// Releases the run's drawing surface and bitmap on every way out.
struct RunObjects
{
    IImaging& imaging;
    GpBitmap* bitmap = nullptr;
    GpGraphics* graphics = nullptr;

    void Release()
    {
        if (graphics)
            imaging.DeleteGraphics(graphics);
        if (bitmap)
            imaging.DisposeImage(bitmap);
        graphics = nullptr;
        bitmap = nullptr;
    }
    ~RunObjects() { Release(); }
};

std::uint32_t OpaqueArgb(std::uint32_t colorRef)
{
    const std::uint32_t red = colorRef & 0xFF;
    const std::uint32_t green = (colorRef >> 8) & 0xFF;
    const std::uint32_t blue = (colorRef >> 16) & 0xFF;
    return 0xFF000000u | (red << 16) | (green << 8) | blue;
}

class ScopedWaitCursor
{
public:
    explicit ScopedWaitCursor(IConversionHost& host) : m_host(host) { m_host.BeginWaitCursor(); }
    ~ScopedWaitCursor() { m_host.EndWaitCursor(); }

private:
    IConversionHost& m_host;
};

} // namespace

int FindEncoderByMimeType(IImaging& imaging, const QString& mimeType, QUuid* clsid)
{
    QList<ImageCodecInfo> encoders;
    if (imaging.GetImageEncoders(&encoders) != Ok)
        return -1;
    for (int i = 0; i < encoders.size(); ++i) {
        if (encoders[i].mimeType == mimeType) {
            if (clsid)
                *clsid = encoders[i].clsid;
            return i;
        }
    }
    return -1;
}

ConversionOutcome ConvertPhoto(IImaging& imaging, GpImage* photo, const ConversionRequest& request,
                               IConversionHost& host, bool replaceExisting)
{
    ConversionOutcome outcome;
    outcome.ran = true;
    const QString errorCaption = theLanguage.GetString(IDS_MESSAGE_ERROR);
    const auto error = [&](int id) { host.ShowMessage(theLanguage.GetString(id), errorCaption); };

    // 1. Source size.
    std::uint32_t sourceWidth = 0;
    std::uint32_t sourceHeight = 0;
    imaging.GetImageWidth(photo, &sourceWidth);
    imaging.GetImageHeight(photo, &sourceHeight);

    // 2. Output size.
    outcome.outputWidth = ParseTypedField(request.outputWidthText, kSizeFieldChars);
    outcome.outputHeight = ParseTypedField(request.outputHeightText, kSizeFieldChars);
    const int width = outcome.outputWidth;
    const int height = outcome.outputHeight;
    if (width <= 0) {
        error(IDS_STRING111);
        return outcome;
    }
    if (height <= 0) {
        error(IDS_STRING112);
        return outcome;
    }

    // 3. Working bitmap: 24-bit for the indexed formats.
    const bool indexed = request.indexedFormat > 0;
    RunObjects run{imaging};
    imaging.CreateBitmapFromScan0(width, height, 0,
                                  indexed ? int(PixelFormat24bppRGB) : request.pixelFormat, nullptr,
                                  &run.bitmap);

    // 4. Resolution.
    float dpi = 0;
    imaging.GetImageHorizontalResolution(photo, &dpi);
    if (imaging.BitmapSetResolution(run.bitmap, dpi, dpi) != Ok)
        error(IDS_STRING113);

    // 5. Drawing surface and interpolation.
    imaging.GetImageGraphicsContext(run.bitmap, &run.graphics);
    if (imaging.SetInterpolationMode(run.graphics, InterpolationModeHighQualityBicubic) != Ok)
        error(IDS_STRING114);

    // 6. Scale.
    if (imaging.DrawImageRectRectI(run.graphics, photo, 0, 0, width, height, 0, 0, int(sourceWidth),
                                   int(sourceHeight), UnitPixel) != Ok) {
        error(IDS_STRING115);
        return outcome;
    }

    // 7. Text.
    if (!request.text.isEmpty()) {
        int x = ParseTypedField(request.textXText, kPositionFieldChars);
        int y = ParseTypedField(request.textYText, kPositionFieldChars);
        if (x >= width || x < 0) {
            error(IDS_STRING130);
            x = 0;
            host.SetTextXField(QStringLiteral("0"));
        }
        if (y >= height || y < 0) {
            error(IDS_STRING131);
            y = 0;
            host.SetTextYField(QStringLiteral("0"));
        }
        GpFont* font = nullptr;
        GpBrush* brush = nullptr;
        imaging.CreateFontFromLogfont(request.font, &font);
        imaging.CreateSolidFill(OpaqueArgb(request.textColor), &brush);
        imaging.DrawString(run.graphics, request.text, font, float(x), float(y), brush);
        if (brush)
            imaging.DeleteBrush(brush);
        if (font)
            imaging.DeleteFont(font);
    }

    // Dithering, before the turn so that the pixels need not be turned
    // twice; the output keeps each pixel's choice.
    if (request.dither != DitherMethod::None) {
        const int target = indexed ? request.indexedFormat : request.pixelFormat;
        if (DitherTargetFor(target) &&
            imaging.BitmapDither(run.bitmap, request.dither, target) != Ok) {
            error(IDS_STRING115);
            return outcome;
        }
    }

    // 8. Rotate and flip. An unknown angle still applies the flip.
    int code = RotateFlipCode(request.rotateAngle, request.flipType);
    if (code < 0) {
        error(IDS_STRING116);
        code = RotateFlipCode(0, request.flipType);
    }
    if (imaging.ImageRotateFlip(run.bitmap, code) != Ok)
        error(IDS_STRING117);

    // 9. Encoder.
    QUuid encoder;
    FindEncoderByMimeType(imaging, QStringLiteral("image/bmp"), &encoder);

    // 10. Output path.
    const QString outputPath = request.outputPath;

    // 11. The indexed formats' intermediate: a private, unique temporary file.
    std::unique_ptr<QTemporaryFile> intermediate;
    if (indexed) {
        intermediate = std::make_unique<QTemporaryFile>(QDir::tempPath() +
                                                        QStringLiteral("/rastelle-XXXXXX.bmp"));
        if (!intermediate->open()) {
            host.ShowMessage(QStringLiteral("Can not get the temporary bitmap filename!"),
                             errorCaption);
            intermediate.reset();
        }
    }

    // 12. Save.
    const auto saveFailed = [&] {
        host.ShowMessage(theLanguage.GetString(IDS_STRING118), outputPath);
        return outcome;
    };
    if (!indexed) {
        AtomicFileWriter writer(outputPath);
        if (!writer.Open() ||
            imaging.SaveImageToDevice(run.bitmap, writer.Device(), encoder) != Ok ||
            writer.CommitTo(replaceExisting) != AtomicFileWriter::Commit::Done)
            return saveFailed();
        // 13. Done.
        outcome.succeeded = true;
        return outcome;
    }
    if (!intermediate || imaging.SaveImageToDevice(run.bitmap, intermediate.get(), encoder) != Ok ||
        !intermediate->flush())
        return saveFailed();
    intermediate->close();
    // The working bitmap is no longer needed; free it before the DIB copies.
    run.Release();

    // 14. Indexed stage.
    IndexedStage stage(host);
    CMyBitMap bitmap = stage.MakeBitMap();
    const QString intermediatePath = intermediate->fileName();
    if (!stage.OpenIndexedSource(bitmap, intermediatePath)) {
        error(IDS_STRING148);
        stage.FreeIndexedState();
        return outcome;
    }
    outcome.succeeded = stage.SaveIndexedBitmap(bitmap, IndexedBitCount(request.indexedFormat),
                                                outputPath, replaceExisting);
    stage.FreeIndexedState();
    intermediate.reset();
    if (QFile::exists(intermediatePath) && !QFile::remove(intermediatePath))
        host.ShowMessage(QStringLiteral("Can not delete the temporary bitmap filename!"),
                         theLanguage.GetString(IDS_MESSAGE_WARNING));
    return outcome;
}

ConversionOutcome RunConvertCommand(IImaging& imaging, const QString& photoPath, GpImage* photo,
                                    const ConversionRequest& request, IConversionHost& host)
{
    if (photoPath.isEmpty()) {
        host.ShowMessage(theLanguage.GetString(IDS_STRING108),
                         theLanguage.GetString(IDS_MESSAGE_ERROR));
        return ConversionOutcome();
    }
    bool replace = false;
    if (FileExists(request.outputPath)) {
        const QString question =
            FormatLanguageString(theLanguage, IDS_STRING120, {request.outputPath});
        if (host.ShowMessage(question, theLanguage.GetString(IDS_MESSAGE_WARNING),
                             MessageButtons::YesNo, MessageIcon::Warning) != IDYES)
            return ConversionOutcome();
        // The old file stays until the new one is complete.
        replace = true;
    }
    ScopedWaitCursor wait(host);
    return ConvertPhoto(imaging, photo, request, host, replace);
}
