// Times each stage of a conversion (decode, scale, text, rotate, encode) and
// the whole run, for every output format, on one picture.
//
//   rastelle-bench PHOTO [RUNS]
//
// Prints the median of RUNS runs (default 5) in milliseconds. The whole run
// is the pipeline as rastelle-convert runs it: decode, scale to the same
// size, text, rotate 90 degrees, encode and, for indexed formats, the
// indexed stage.
#include "convert/ConversionHost.h"
#include "convert/ConversionPipeline.h"
#include "convert/PixelFormats.h"
#include "convert/QtImaging.h"
#include "language/CLanguage.h"
#include "platform/ProcessTuning.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

class QuietHost : public IConversionHost
{
public:
    int ShowMessage(const QString& text, const QString& caption, MessageButtons buttons,
                    MessageIcon) override
    {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
        return buttons == MessageButtons::YesNo ? IDYES : IDOK;
    }
    void ShowOwnerlessMessage(const QString& text, const QString& caption) override
    {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
    }
    void SetTextXField(const QString&) override {}
    void SetTextYField(const QString&) override {}
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double TimeMs(const std::function<void()>& work, int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    return Median(times);
}

} // namespace

int main(int argc, char* argv[])
{
    RestartWithLargePages(argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: rastelle-bench PHOTO [RUNS]\n");
        return 2;
    }
    const QString photoPath = QString::fromLocal8Bit(argv[1]);
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    QTemporaryDir dir;
    QtImaging imaging;
    QuietHost host;

    GpImage* photo = nullptr;
    const double decode = TimeMs(
        [&] {
            if (photo)
                imaging.DisposeImage(photo);
            photo = nullptr;
            imaging.LoadImageFromFile(photoPath, &photo);
        },
        runs);
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    imaging.GetImageWidth(photo, &width);
    imaging.GetImageHeight(photo, &height);
    if (!width || !height) {
        std::fprintf(stderr, "cannot decode %s\n", argv[1]);
        return 1;
    }
    std::printf("%s: %ux%u, decode %.1f ms (median of %d)\n\n", argv[1], width, height, decode,
                runs);
    std::printf("%-16s %9s %9s %9s %9s %9s\n", "format", "scale", "text", "rotate90", "encode",
                "whole");

    LogFont font;
    font.lfHeight = -96;
    font.SetFaceName(QStringLiteral("DejaVu Sans"));
    for (const PixelFormatEntry& entry : PixelFormatTable()) {
        const bool indexed = entry.indexedBits > 0;
        const int working = indexed ? int(PixelFormat24bppRGB) : entry.code;
        GpBitmap* bitmap = nullptr;
        GpGraphics* graphics = nullptr;
        const auto fresh = [&] {
            if (graphics)
                imaging.DeleteGraphics(graphics);
            if (bitmap)
                imaging.DisposeImage(bitmap);
            imaging.CreateBitmapFromScan0(int(width), int(height), 0, working, nullptr, &bitmap);
            imaging.GetImageGraphicsContext(bitmap, &graphics);
        };
        const double scale = TimeMs(
            [&] {
                fresh();
                imaging.DrawImageRectRectI(graphics, photo, 0, 0, int(width), int(height), 0, 0,
                                           int(width), int(height), UnitPixel);
            },
            runs);
        GpFont* gpFont = nullptr;
        GpBrush* brush = nullptr;
        imaging.CreateFontFromLogfont(font, &gpFont);
        imaging.CreateSolidFill(0xFFFFFF00, &brush);
        const double text = TimeMs(
            [&] {
                imaging.DrawString(graphics, QStringLiteral("Rastelle benchmark"), gpFont, 100, 100,
                                   brush);
            },
            runs);
        imaging.DeleteBrush(brush);
        imaging.DeleteFont(gpFont);
        const double rotate =
            TimeMs([&] { imaging.ImageRotateFlip(bitmap, Rotate90FlipNone); }, runs);
        const QString encoded = dir.filePath(QStringLiteral("encoded.bmp"));
        const double encode = TimeMs(
            [&] {
                QFile file(encoded);
                file.open(QIODevice::WriteOnly | QIODevice::Truncate);
                imaging.SaveImageToDevice(bitmap, &file, BmpEncoderClsid);
            },
            runs);
        imaging.DeleteGraphics(graphics);
        imaging.DisposeImage(bitmap);
        graphics = nullptr;
        bitmap = nullptr;

        ConversionRequest request;
        request.outputWidthText = QString::number(width);
        request.outputHeightText = QString::number(height);
        request.text = QStringLiteral("Rastelle benchmark");
        request.textXText = QStringLiteral("100");
        request.textYText = QStringLiteral("100");
        request.font = font;
        request.rotateAngle = 90;
        request.pixelFormat = entry.code;
        request.indexedFormat = IndexedFormatFor(entry.code);
        request.outputPath = dir.filePath(QStringLiteral("whole.bmp"));
        const double whole = TimeMs(
            [&] {
                GpImage* runPhoto = nullptr;
                imaging.LoadImageFromFile(photoPath, &runPhoto);
                ConvertPhoto(imaging, runPhoto, request, host, true);
                imaging.DisposeImage(runPhoto);
            },
            runs);
        std::printf("%-16s %9.1f %9.1f %9.1f %9.1f %9.1f\n",
                    qPrintable(QString::fromUtf16(entry.entry)), scale, text, rotate, encode,
                    whole);
        std::fflush(stdout);
    }
    imaging.DisposeImage(photo);
    return 0;
}
