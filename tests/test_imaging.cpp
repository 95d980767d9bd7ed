// The imaging layer on Qt: decoding with frames, scaling, text, rotate-flip
// and encoding.
#include "convert/BmpWriter.h"
#include "convert/PixelConversion.h"
#include "convert/QtImaging.h"
#include "convert/Resampler.h"
#include "convert/RotateFlip.h"
#include "support/TestFiles.h"

#include <QBuffer>
#include <QPainter>
#include <QRandomGenerator>
#include <QTest>

namespace {

QString FramesFile(const char* name)
{
    return QStringLiteral(RASTELLE_TEST_DATA_DIR "/frames/") + QLatin1String(name);
}

// The colour at the middle of the photo's active frame.
QRgb MiddleColor(GpImage* photo)
{
    const QImage frame = QtImaging::FrameOf(photo);
    return frame.pixel(frame.width() / 2, frame.height() / 2) | 0xFF000000u;
}

// An asymmetric 3 x 2 picture: every pixel differs.
QImage Asymmetric()
{
    QImage image(3, 2, QImage::Format_RGB32);
    const QRgb colors[6] = {0xFF000000, 0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0xFFFFFF00, 0xFFFFFFFF};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            image.setPixel(x, y, colors[y * 3 + x]);
    return image;
}

// What the rotate-flip code does, written independently: rotate clockwise
// by quarter turns, then mirror left to right for codes 4 to 7.
QImage Expected(const QImage& in, int code)
{
    QImage out = in;
    for (int turn = 0; turn < (code & 3); ++turn) {
        QImage r(out.height(), out.width(), out.format());
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x)
                r.setPixel(out.height() - 1 - y, x, out.pixel(x, y));
        out = r;
    }
    if (code >= 4) {
        QImage m(out.size(), out.format());
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x)
                m.setPixel(out.width() - 1 - x, y, out.pixel(x, y));
        out = m;
    }
    return out;
}

// Text in DejaVu Sans of the pixel height, in the colour, at (x, y).
GpStatus DrawDejaVu(QtImaging& imaging, GpGraphics* graphics, const QString& text, int pixels,
                    std::uint32_t argb, float x, float y)
{
    GpBrush* brush = nullptr;
    imaging.CreateSolidFill(argb, &brush);
    GpFont* font = nullptr;
    LogFont logFont;
    logFont.lfHeight = -pixels;
    logFont.SetFaceName(QStringLiteral("DejaVu Sans"));
    GpStatus status = imaging.CreateFontFromLogfont(logFont, &font);
    if (status == Ok)
        status = imaging.DrawString(graphics, text, font, x, y, brush);
    if (font)
        imaging.DeleteFont(font);
    imaging.DeleteBrush(brush);
    return status;
}

} // namespace

class TestImaging : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void framesOfAnAnimation();
    void pagesOfATiff();
    void sizesOfAnIcon();
    void singleFramePictures();
    void cameraRaw();
    void brokenAndMissingFiles();
    void absurdDimensionsFailCleanly();
    void exifOrientationIsApplied();
    void rotateFlipCodes_data();
    void rotateFlipCodes();
    void scaleFillsTheBitmap();
    void turnsComeBeforeLaterDrawing();
    void conversionWaitsForTheWriter_data();
    void conversionWaitsForTheWriter();
    void alphaOverBlackForOpaqueFormats();
    void textLandsAtItsPosition();
    void textIsClippedAtTheEdges();
    void tooLargeBitmapIsRefused();
    void encodersListBmp();
    void alphaConversionsRoundOnce();

private:
    QtImaging m_imaging;
};

void TestImaging::cleanup()
{
    QCOMPARE(QtImagingLiveObjects(), 0);
}

void TestImaging::framesOfAnAnimation()
{
    GpImage* photo = nullptr;
    QCOMPARE(m_imaging.LoadImageFromFile(FramesFile("anim5.gif"), &photo), Ok);
    std::uint32_t count = 0;
    QCOMPARE(m_imaging.ImageGetFrameDimensionsCount(photo, &count), Ok);
    QCOMPARE(count, 1u);
    QUuid dimension;
    QCOMPARE(m_imaging.ImageGetFrameDimensionsList(photo, &dimension, 1), Ok);
    QCOMPARE(dimension, FrameDimensionTime);
    std::uint32_t frames = 0;
    QCOMPARE(m_imaging.ImageGetFrameCount(photo, FrameDimensionTime, &frames), Ok);
    QCOMPARE(frames, 5u);
    QCOMPARE(MiddleColor(photo), QColor(Qt::red).rgb());
    // Any order, also backwards: each frame shows its own colour.
    const QRgb expected[5] = {QColor(Qt::red).rgb(), QColor(Qt::green).rgb(),
                              QColor(Qt::blue).rgb(), QColor(Qt::yellow).rgb(),
                              QColor(Qt::magenta).rgb()};
    for (int frame : {3, 1, 4, 0, 2}) {
        QCOMPARE(m_imaging.ImageSelectActiveFrame(photo, FrameDimensionTime, frame), Ok);
        QCOMPARE(MiddleColor(photo), expected[frame]);
    }
    QCOMPARE(m_imaging.ImageSelectActiveFrame(photo, FrameDimensionTime, 5), InvalidParameter);
    QCOMPARE(m_imaging.ImageSelectActiveFrame(photo, FrameDimensionPage, 0), InvalidParameter);
    QCOMPARE(MiddleColor(photo), expected[2]);
    m_imaging.DisposeImage(photo);
}

void TestImaging::pagesOfATiff()
{
    GpImage* photo = nullptr;
    QCOMPARE(m_imaging.LoadImageFromFile(FramesFile("pages3.tif"), &photo), Ok);
    QUuid dimension;
    m_imaging.ImageGetFrameDimensionsList(photo, &dimension, 1);
    QCOMPARE(dimension, FrameDimensionPage);
    std::uint32_t frames = 0;
    m_imaging.ImageGetFrameCount(photo, FrameDimensionPage, &frames);
    QCOMPARE(frames, 3u);
    QCOMPARE(m_imaging.ImageSelectActiveFrame(photo, FrameDimensionPage, 2), Ok);
    QCOMPARE(MiddleColor(photo), QColor(Qt::blue).rgb());
    QCOMPARE(m_imaging.ImageSelectActiveFrame(photo, FrameDimensionPage, 1), Ok);
    QCOMPARE(MiddleColor(photo), QColor(Qt::green).rgb());
    m_imaging.DisposeImage(photo);
}

void TestImaging::sizesOfAnIcon()
{
    GpImage* photo = nullptr;
    QCOMPARE(m_imaging.LoadImageFromFile(FramesFile("sizes3.ico"), &photo), Ok);
    QUuid dimension;
    m_imaging.ImageGetFrameDimensionsList(photo, &dimension, 1);
    QCOMPARE(dimension, FrameDimensionResolution);
    std::uint32_t frames = 0;
    m_imaging.ImageGetFrameCount(photo, FrameDimensionResolution, &frames);
    QCOMPARE(frames, 3u);
    QSet<std::uint32_t> widths;
    for (std::uint32_t i = 0; i < frames; ++i) {
        QCOMPARE(m_imaging.ImageSelectActiveFrame(photo, FrameDimensionResolution, i), Ok);
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        m_imaging.GetImageWidth(photo, &width);
        m_imaging.GetImageHeight(photo, &height);
        QCOMPARE(width, height);
        widths.insert(width);
    }
    QCOMPARE(widths, (QSet<std::uint32_t>{16, 32, 48}));
    m_imaging.DisposeImage(photo);
}

void TestImaging::singleFramePictures()
{
    QTemporaryDir dir;
    QImage image(7, 5, QImage::Format_RGB32);
    image.fill(Qt::cyan);
    image.setDotsPerMeterX(11811); // 300 dpi
    image.setDotsPerMeterY(11811);
    const QString path = dir.filePath("one.png");
    QVERIFY(image.save(path));
    GpImage* photo = nullptr;
    QCOMPARE(m_imaging.LoadImageFromFile(path, &photo), Ok);
    QUuid dimension;
    m_imaging.ImageGetFrameDimensionsList(photo, &dimension, 1);
    QCOMPARE(dimension, FrameDimensionPage);
    std::uint32_t frames = 0;
    m_imaging.ImageGetFrameCount(photo, FrameDimensionPage, &frames);
    QCOMPARE(frames, 1u);
    float dpi = 0;
    m_imaging.GetImageHorizontalResolution(photo, &dpi);
    QVERIFY(std::abs(dpi - 300.0f) < 0.1f);
    m_imaging.DisposeImage(photo);
}

void TestImaging::cameraRaw()
{
    // A tiny DNG (tests/data/raw/make_dng.py): Bayer data, red on the left,
    // blue on the right, developed by LibRaw.
    GpImage* photo = nullptr;
    QCOMPARE(
        m_imaging.LoadImageFromFile(QStringLiteral(RASTELLE_TEST_DATA_DIR "/raw/tiny.dng"), &photo),
        Ok);
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    m_imaging.GetImageWidth(photo, &width);
    m_imaging.GetImageHeight(photo, &height);
    QCOMPARE(width, 64u);
    QCOMPARE(height, 48u);
    const QImage frame = QtImaging::FrameOf(photo);
    const QColor left = frame.pixelColor(10, 24);
    const QColor right = frame.pixelColor(50, 24);
    QVERIFY2(left.red() > 2 * left.blue() && left.red() > 2 * left.green(),
             qPrintable(left.name()));
    QVERIFY2(right.blue() > 2 * right.red(), qPrintable(right.name()));
    m_imaging.DisposeImage(photo);

    // A RAW name on something that is not a camera file fails cleanly.
    QTemporaryDir dir;
    QVERIFY(WriteTestFile(dir.filePath("fake.nef"), QByteArray(4096, 'n')));
    QVERIFY(m_imaging.LoadImageFromFile(dir.filePath("fake.nef"), &photo) != Ok);
    QVERIFY(!photo);
}

void TestImaging::brokenAndMissingFiles()
{
    QTemporaryDir dir;
    GpImage* photo = reinterpret_cast<GpImage*>(this);
    QCOMPARE(m_imaging.LoadImageFromFile(dir.filePath("missing.jpg"), &photo), FileNotFound);
    QVERIFY(!photo);
    QVERIFY(WriteTestFile(dir.filePath("junk.jpg"), QByteArray(1000, '\x17')));
    QVERIFY(m_imaging.LoadImageFromFile(dir.filePath("junk.jpg"), &photo) != Ok);
    QVERIFY(!photo);
    // A JPEG cut in half still decodes what it has or fails; it never hangs.
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    QVERIFY(WriteTestFile(dir.filePath("cut.jpg"), jpeg.left(jpeg.size() / 3)));
    if (m_imaging.LoadImageFromFile(dir.filePath("cut.jpg"), &photo) == Ok)
        m_imaging.DisposeImage(photo);
    // Null objects are refused, not dereferenced.
    std::uint32_t width = 7;
    QCOMPARE(m_imaging.GetImageWidth(nullptr, &width), InvalidParameter);
    QCOMPARE(m_imaging.DisposeImage(nullptr), InvalidParameter);
}

void TestImaging::absurdDimensionsFailCleanly()
{
    // A PNG header claiming 100000 x 100000 pixels over a few bytes of data.
    QTemporaryDir dir;
    QByteArray png =
        QByteArray::fromHex("89504e470d0a1a0a0000000d49484452000186a0000186a00806000000");
    png += QByteArray::fromHex("00000000"); // bad CRC is irrelevant: size is checked first
    png += QByteArray::fromHex("0000000049454e44ae426082");
    QVERIFY(WriteTestFile(dir.filePath("huge.png"), png));
    GpImage* photo = nullptr;
    QVERIFY(m_imaging.LoadImageFromFile(dir.filePath("huge.png"), &photo) != Ok);
    QVERIFY(!photo);
}

void TestImaging::exifOrientationIsApplied()
{
    // A JPEG 40 x 20 marked "rotate 90 clockwise" arrives 20 x 40.
    QTemporaryDir dir;
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(image.save(&buffer, "JPEG", 95));
    // APP1 Exif with one IFD entry: Orientation (0x0112) = 6.
    const QByteArray tiff =
        QByteArray::fromHex("49492a0008000000010012010300010000000600000000000000");
    QByteArray app1 = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment = QByteArray::fromHex("ffe1");
    segment.append(char((app1.size() + 2) >> 8));
    segment.append(char((app1.size() + 2) & 0xFF));
    segment += app1;
    jpeg.insert(2, segment);
    QVERIFY(WriteTestFile(dir.filePath("turned.jpg"), jpeg));
    GpImage* photo = nullptr;
    QCOMPARE(m_imaging.LoadImageFromFile(dir.filePath("turned.jpg"), &photo), Ok);
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    m_imaging.GetImageWidth(photo, &width);
    m_imaging.GetImageHeight(photo, &height);
    QCOMPARE(width, 20u);
    QCOMPARE(height, 40u);
    m_imaging.DisposeImage(photo);
}

void TestImaging::rotateFlipCodes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("pixelFormat");
    for (int code = 0; code < 8; ++code) {
        QTest::addRow("code %d, 24-bit", code) << code << int(PixelFormat24bppRGB);
        QTest::addRow("code %d, 16-bit", code) << code << int(PixelFormat16bppRGB565);
        QTest::addRow("code %d, 64-bit", code) << code << int(PixelFormat64bppARGB);
    }
}

void TestImaging::rotateFlipCodes()
{
    QFETCH(int, code);
    QFETCH(int, pixelFormat);
    QTemporaryDir dir;
    const QString path = dir.filePath("asym.png");
    QVERIFY(Asymmetric().save(path));
    GpImage* photo = nullptr;
    QCOMPARE(m_imaging.LoadImageFromFile(path, &photo), Ok);
    GpBitmap* bitmap = nullptr;
    QCOMPARE(m_imaging.CreateBitmapFromScan0(3, 2, 0, pixelFormat, nullptr, &bitmap), Ok);
    GpGraphics* graphics = nullptr;
    QCOMPARE(m_imaging.GetImageGraphicsContext(bitmap, &graphics), Ok);
    QCOMPARE(m_imaging.DrawImageRectRectI(graphics, photo, 0, 0, 3, 2, 0, 0, 3, 2, UnitPixel), Ok);
    QCOMPARE(m_imaging.ImageRotateFlip(bitmap, code), Ok);
    const QImage got = QtImaging::FrameOf(bitmap).convertToFormat(QImage::Format_RGB32);
    const QImage want = Expected(Asymmetric(), code);
    QCOMPARE(got.size(), want.size());
    for (int y = 0; y < want.height(); ++y)
        for (int x = 0; x < want.width(); ++x)
            QCOMPARE(QColor(got.pixel(x, y)).name(), QColor(want.pixel(x, y)).name());
    m_imaging.DeleteGraphics(graphics);
    m_imaging.DisposeImage(bitmap);
    m_imaging.DisposeImage(photo);
}

void TestImaging::scaleFillsTheBitmap()
{
    // A 2 x 1 photo, left black and right white, stretched to 8 x 3: the
    // left columns dark, the right ones light, each row the same.
    QTemporaryDir dir;
    QImage image(2, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, 0xFF000000);
    image.setPixel(1, 0, 0xFFFFFFFF);
    QVERIFY(image.save(dir.filePath("two.png")));
    GpImage* photo = nullptr;
    QCOMPARE(m_imaging.LoadImageFromFile(dir.filePath("two.png"), &photo), Ok);
    GpBitmap* bitmap = nullptr;
    QCOMPARE(m_imaging.CreateBitmapFromScan0(8, 3, 0, PixelFormat24bppRGB, nullptr, &bitmap), Ok);
    GpGraphics* graphics = nullptr;
    m_imaging.GetImageGraphicsContext(bitmap, &graphics);
    QCOMPARE(m_imaging.SetInterpolationMode(graphics, InterpolationModeHighQualityBicubic), Ok);
    QCOMPARE(m_imaging.DrawImageRectRectI(graphics, photo, 0, 0, 8, 3, 0, 0, 2, 1, UnitPixel), Ok);
    const QImage out = QtImaging::FrameOf(bitmap);
    QCOMPARE(out.size(), QSize(8, 3));
    for (int y = 0; y < 3; ++y) {
        QVERIFY(qGray(out.pixel(0, y)) < 16);
        QVERIFY(qGray(out.pixel(7, y)) > 239);
        for (int x = 1; x < 8; ++x) // monotone, no ringing beyond the ends
            QVERIFY(qGray(out.pixel(x, y)) >= qGray(out.pixel(x - 1, y)));
        QCOMPARE(out.pixel(3, y), out.pixel(3, 0));
    }
    m_imaging.DeleteGraphics(graphics);
    m_imaging.DisposeImage(bitmap);
    m_imaging.DisposeImage(photo);
}

// A turn is kept back until the pixels are needed, and then it must be as
// if it had been done at once: two turns add up, drawing afterwards lands on
// the turned picture, and the saved file shows the same.
void TestImaging::turnsComeBeforeLaterDrawing()
{
    QTemporaryDir dir;
    QImage pattern(6, 4, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            pattern.setPixel(x, y, qRgb(40 * x, 60 * y, 200));
    QVERIFY(pattern.save(dir.filePath("pattern.png")));
    GpImage* photo = nullptr;
    QCOMPARE(m_imaging.LoadImageFromFile(dir.filePath("pattern.png"), &photo), Ok);
    GpBitmap* bitmap = nullptr;
    QCOMPARE(m_imaging.CreateBitmapFromScan0(6, 4, 0, PixelFormat32bppRGB, nullptr, &bitmap), Ok);
    GpGraphics* graphics = nullptr;
    m_imaging.GetImageGraphicsContext(bitmap, &graphics);
    QCOMPARE(m_imaging.DrawImageRectRectI(graphics, photo, 0, 0, 6, 4, 0, 0, 6, 4, UnitPixel), Ok);

    QCOMPARE(m_imaging.ImageRotateFlip(bitmap, Rotate90FlipNone), Ok);
    QCOMPARE(m_imaging.ImageRotateFlip(bitmap, Rotate90FlipX), Ok);
    std::uint32_t width = 0;
    m_imaging.GetImageWidth(bitmap, &width);
    QCOMPARE(width, 6u);
    // 90, then 90 and a mirror: upside down, mirrored back left to right.
    const QImage expected = pattern.mirrored(false, true);
    QCOMPARE(QtImaging::FrameOf(bitmap).convertToFormat(QImage::Format_RGB32), expected);

    // Turned again, then drawn on: the drawing is not turned.
    QCOMPARE(m_imaging.ImageRotateFlip(bitmap, Rotate270FlipNone), Ok);
    QCOMPARE(DrawDejaVu(m_imaging, graphics, QStringLiteral("\u2588"), 3, 0xFFFF0000, 0, 0), Ok);
    QImage turnedThenDrawn = expected;
    QVERIFY(RotateFlipImage(turnedThenDrawn, Rotate270FlipNone));
    const QImage result = QtImaging::FrameOf(bitmap).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(result.size(), QSize(4, 6));
    int changed = 0;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 4; ++x)
            changed += result.pixel(x, y) != turnedThenDrawn.pixel(x, y);
    QVERIFY(changed > 0); // the text is there
    QVERIFY(qRed(result.pixel(0, 0)) > qRed(turnedThenDrawn.pixel(0, 0)) ||
            result.pixel(0, 0) == qRgb(255, 0, 0));
    QCOMPARE(result.pixel(3, 5), turnedThenDrawn.pixel(3, 5)); // far from it

    // Turned once more and saved: the file holds the turned picture.
    QCOMPARE(m_imaging.ImageRotateFlip(bitmap, Rotate90FlipY), Ok);
    QImage saved = result;
    QVERIFY(RotateFlipImage(saved, Rotate90FlipY));
    QFile file(dir.filePath("saved.bmp"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(m_imaging.SaveImageToDevice(bitmap, &file, BmpEncoderClsid), Ok);
    file.close();
    QCOMPARE(QImage(file.fileName()).convertToFormat(QImage::Format_RGB32), saved);
    // Saving does not use the turn up: the bitmap still shows it.
    QCOMPARE(QtImaging::FrameOf(bitmap).convertToFormat(QImage::Format_RGB32), saved);

    m_imaging.DeleteGraphics(graphics);
    m_imaging.DisposeImage(bitmap);
    m_imaging.DisposeImage(photo);
}

void TestImaging::conversionWaitsForTheWriter_data()
{
    QTest::addColumn<int>("pixelFormat");
    QTest::addColumn<int>("bmpFormat");
    QTest::addColumn<bool>("alpha");
    const std::pair<int, BmpFormat> formats[] = {{PixelFormat32bppARGB, BmpFormat::Argb32},
                                                 {PixelFormat32bppPARGB, BmpFormat::Pargb32},
                                                 {PixelFormat64bppARGB, BmpFormat::Argb64},
                                                 {PixelFormat64bppPARGB, BmpFormat::Pargb64}};
    for (const auto& [pixelFormat, bmpFormat] : formats) {
        QTest::addRow("%x opaque", pixelFormat) << pixelFormat << int(bmpFormat) << false;
        QTest::addRow("%x with alpha", pixelFormat) << pixelFormat << int(bmpFormat) << true;
    }
}

// A picture drawn whole into a bitmap with alpha keeps its own pixels until
// something needs the bitmap's: the file then is that of the converted
// pixels, with or without a turn, and text drawn afterwards lands on the
// converted pixels.
void TestImaging::conversionWaitsForTheWriter()
{
    QFETCH(int, pixelFormat);
    QFETCH(int, bmpFormat);
    QFETCH(bool, alpha);
    QTemporaryDir dir;
    QImage picture(37, 23, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    QRandomGenerator random(11);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, alpha ? random.generate() : (random.generate() | 0xFF000000u));
    QVERIFY(picture.save(dir.filePath("picture.png")));
    GpImage* photo = nullptr;
    QCOMPARE(m_imaging.LoadImageFromFile(dir.filePath("picture.png"), &photo), Ok);
    const QImage decoded = QtImaging::FrameOf(photo);

    const auto fileOf = [&](GpImage* image) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        return m_imaging.SaveImageToDevice(image, &buffer, BmpEncoderClsid) == Ok ? bytes
                                                                                  : QByteArray();
    };
    const auto bmpOf = [&](const QImage& pixels, int turn) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImage turned = pixels;
        RotateFlipImage(turned, turn);
        WriteBmp(turned, BmpFormat(bmpFormat), 96, 96, buffer);
        return bytes;
    };
    const auto drawnBitmap = [&](GpBitmap** bitmap, GpGraphics** graphics) {
        QCOMPARE(m_imaging.CreateBitmapFromScan0(37, 23, 0, pixelFormat, nullptr, bitmap), Ok);
        QCOMPARE(m_imaging.BitmapSetResolution(*bitmap, 96, 96), Ok);
        m_imaging.GetImageGraphicsContext(*bitmap, graphics);
        QCOMPARE(
            m_imaging.DrawImageRectRectI(*graphics, photo, 0, 0, 37, 23, 0, 0, 37, 23, UnitPixel),
            Ok);
    };

    // Saved straight away, and turned first: the converted picture's file.
    GpBitmap* bitmap = nullptr;
    GpGraphics* graphics = nullptr;
    drawnBitmap(&bitmap, &graphics);
    const QImage::Format working = WorkingFormatFor(BmpFormat(bmpFormat));
    const bool wide =
        working == QImage::Format_RGBA64 || working == QImage::Format_RGBA64_Premultiplied;
    const QImage converted = wide ? ConvertPixels(decoded, decoded.pixelFormat().premultiplied() ==
                                                                   QPixelFormat::Premultiplied
                                                               ? QImage::Format_RGBA64_Premultiplied
                                                               : QImage::Format_RGBA64)
                                  : ConvertPixels(decoded, working);
    QCOMPARE(fileOf(bitmap), bmpOf(converted, 0));
    QCOMPARE(m_imaging.ImageRotateFlip(bitmap, Rotate270FlipX), Ok);
    QCOMPARE(fileOf(bitmap), bmpOf(converted, Rotate270FlipX));
    // Read back, the bitmap shows the converted, turned pixels.
    QImage turned = converted;
    QVERIFY(RotateFlipImage(turned, Rotate270FlipX));
    QCOMPARE(QtImaging::FrameOf(bitmap), turned);
    m_imaging.DeleteGraphics(graphics);
    m_imaging.DisposeImage(bitmap);

    // Text drawn on it first: the text is drawn on the converted pixels.
    drawnBitmap(&bitmap, &graphics);
    QCOMPARE(DrawDejaVu(m_imaging, graphics, QStringLiteral("W"), 12, 0xFF00FF00, 2, 2), Ok);
    const QImage withText = QtImaging::FrameOf(bitmap);
    QCOMPARE(withText.format(), converted.format());
    QVERIFY(withText != converted);
    QCOMPARE(withText.pixel(36, 22), converted.pixel(36, 22));
    QCOMPARE(fileOf(bitmap), bmpOf(withText, 0));
    m_imaging.DeleteGraphics(graphics);
    m_imaging.DisposeImage(bitmap);
    m_imaging.DisposeImage(photo);
}

void TestImaging::alphaOverBlackForOpaqueFormats()
{
    QTemporaryDir dir;
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(QColor(255, 255, 255, 128));
    QVERIFY(image.save(dir.filePath("half.png")));
    GpImage* photo = nullptr;
    QCOMPARE(m_imaging.LoadImageFromFile(dir.filePath("half.png"), &photo), Ok);
    for (int format : {int(PixelFormat24bppRGB), int(PixelFormat32bppARGB)}) {
        GpBitmap* bitmap = nullptr;
        QCOMPARE(m_imaging.CreateBitmapFromScan0(4, 4, 0, format, nullptr, &bitmap), Ok);
        GpGraphics* graphics = nullptr;
        m_imaging.GetImageGraphicsContext(bitmap, &graphics);
        QCOMPARE(m_imaging.DrawImageRectRectI(graphics, photo, 0, 0, 4, 4, 0, 0, 4, 4, UnitPixel),
                 Ok);
        const QColor c = QtImaging::FrameOf(bitmap).pixelColor(1, 1);
        if (format == PixelFormat24bppRGB) {
            QVERIFY2(std::abs(c.red() - 128) <= 1, qPrintable(c.name())); // white over black
        } else {
            QCOMPARE(c.red(), 255); // straight alpha keeps the colour
            QVERIFY(std::abs(c.alpha() - 128) <= 1);
        }
        m_imaging.DeleteGraphics(graphics);
        m_imaging.DisposeImage(bitmap);
    }
    m_imaging.DisposeImage(photo);
}

static QRect DarkPixels(const QImage& image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                box |= QRect(x, y, 1, 1);
    return box;
}

// Draws black text at (x, y) on a white 200 x 100 bitmap and returns it.
QImage TestImaging_DrawText(QtImaging& imaging, const QString& text, int x, int y)
{
    QTemporaryDir dir;
    QImage white(200, 100, QImage::Format_RGB32);
    white.fill(Qt::white);
    white.save(dir.filePath("white.png"));
    GpImage* photo = nullptr;
    imaging.LoadImageFromFile(dir.filePath("white.png"), &photo);
    GpBitmap* bitmap = nullptr;
    imaging.CreateBitmapFromScan0(200, 100, 0, PixelFormat24bppRGB, nullptr, &bitmap);
    GpGraphics* graphics = nullptr;
    imaging.GetImageGraphicsContext(bitmap, &graphics);
    imaging.DrawImageRectRectI(graphics, photo, 0, 0, 200, 100, 0, 0, 200, 100, UnitPixel);
    LogFont logFont;
    logFont.lfHeight = -20;
    logFont.SetFaceName("DejaVu Sans");
    GpFont* font = nullptr;
    GpBrush* black = nullptr;
    imaging.CreateFontFromLogfont(logFont, &font);
    imaging.CreateSolidFill(0xFF000000, &black);
    imaging.DrawString(graphics, text, font, float(x), float(y), black);
    const QImage result = QtImaging::FrameOf(bitmap).copy();
    imaging.DeleteBrush(black);
    imaging.DeleteFont(font);
    imaging.DeleteGraphics(graphics);
    imaging.DisposeImage(bitmap);
    imaging.DisposeImage(photo);
    return result;
}

void TestImaging::textLandsAtItsPosition()
{
    const QImage image = TestImaging_DrawText(m_imaging, QStringLiteral("HWH"), 50, 30);
    const QRect box = DarkPixels(image);
    QVERIFY(!box.isEmpty());
    // The text's box starts at (50, 30); the glyphs sit just inside it.
    QVERIFY2(box.left() >= 50 && box.left() <= 54, qPrintable(QString::number(box.left())));
    QVERIFY2(box.top() >= 30 && box.top() <= 38, qPrintable(QString::number(box.top())));
    QVERIFY(box.height() >= 12 && box.height() <= 20); // capitals of a 20-pixel font
    QVERIFY(box.width() > 30 && box.width() < 70);     // one line, not wrapped
    // Anti-aliased: some pixels between black and white at the edges.
    int grey = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if (qGray(image.pixel(x, y)) > 40 && qGray(image.pixel(x, y)) < 215)
                ++grey;
    QVERIFY(grey > 0);
}

void TestImaging::textIsClippedAtTheEdges()
{
    // A long line near the right and bottom edges: drawn up to the edge,
    // nothing wraps onto a second line, nothing outside the picture.
    const QImage image = TestImaging_DrawText(
        m_imaging, QStringLiteral("A line far too long to fit in the picture at all"), 150, 88);
    const QRect box = DarkPixels(image);
    QVERIFY(!box.isEmpty());
    QVERIFY(box.left() >= 150);
    QCOMPARE(box.right(), 199);
    QVERIFY(box.top() >= 88);
    // Left of the starting point stays white: no wrapped second line.
    QCOMPARE(DarkPixels(image.copy(0, 0, 150, 100)), QRect());
}

void TestImaging::tooLargeBitmapIsRefused()
{
    GpBitmap* bitmap = reinterpret_cast<GpBitmap*>(this);
    QCOMPARE(m_imaging.CreateBitmapFromScan0(2000000000, 2000000000, 0, PixelFormat24bppRGB,
                                             nullptr, &bitmap),
             OutOfMemory);
    QVERIFY(!bitmap);
    QCOMPARE(m_imaging.BitmapSetResolution(bitmap, 96, 96), InvalidParameter);
    GpGraphics* graphics = nullptr;
    QVERIFY(m_imaging.GetImageGraphicsContext(bitmap, &graphics) != Ok);
    QCOMPARE(m_imaging.SetInterpolationMode(graphics, 7), InvalidParameter);
    QCOMPARE(m_imaging.CreateBitmapFromScan0(10, 10, 0, PixelFormat8bppIndexed, nullptr, &bitmap),
             InvalidParameter);
}

void TestImaging::encodersListBmp()
{
    QList<ImageCodecInfo> encoders;
    QCOMPARE(m_imaging.GetImageEncoders(&encoders), Ok);
    QCOMPARE(encoders.size(), 1);
    QCOMPARE(encoders[0].mimeType, QStringLiteral("image/bmp"));
    QCOMPARE(encoders[0].clsid, BmpEncoderClsid);
}

void TestImaging::alphaConversionsRoundOnce()
{
    const auto nearest = [](double v) { return std::lround(v); };
    int mismatches = 0;
    const auto check = [&](const char* what, long got, long want, long tolerance = 0) {
        if (std::abs(got - want) > tolerance && mismatches++ < 5)
            qWarning("%s: got %ld, want %ld", what, got, want);
    };

    // Every 8-bit colour under every 8-bit alpha.
    QImage straight8(256, 256, QImage::Format_ARGB32);
    for (int a = 0; a < 256; ++a)
        for (int c = 0; c < 256; ++c)
            straight8.setPixel(c, a, qRgba(c, 255 - c, c / 2, a));
    const QImage pm8 = ConvertPixels(straight8, QImage::Format_ARGB32_Premultiplied);
    const QImage pm16 = ConvertPixels(straight8, QImage::Format_RGBA64_Premultiplied);
    const QImage other = ConvertPixels(straight8, QImage::Format_RGBA8888_Premultiplied);
    QCOMPARE(pm8.format(), QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(pm16.format(), QImage::Format_RGBA64_Premultiplied);
    QCOMPARE(other.format(), QImage::Format_RGBA8888_Premultiplied);
    for (int a = 0; a < 256; ++a) {
        for (int c = 0; c < 256; ++c) {
            const QRgb p = reinterpret_cast<const QRgb*>(pm8.constScanLine(a))[c];
            check("8-bit red", qRed(p), nearest(c * a / 255.0));
            check("8-bit green", qGreen(p), nearest((255 - c) * a / 255.0));
            check("8-bit alpha", qAlpha(p), a);
            const QRgba64 w = reinterpret_cast<const QRgba64*>(pm16.constScanLine(a))[c];
            check("16-bit red", w.red(), nearest(c * 257.0 * a * 257.0 / 65535.0));
            check("16-bit alpha", w.alpha(), a * 257);
            // Formats written by Qt from the 16-bit result: within one.
            const uchar* q = other.constScanLine(a) + 4 * c;
            check("RGBA8888 red", q[0], nearest(c * a / 255.0), 1);
            check("RGBA8888 alpha", q[3], a);
        }
    }

    // 16-bit straight colours, premultiplied and over black; the alphas
    // include 1, 1/255 and 35/255 (Qt squares these on the way to
    // Format_RGBA64_Premultiplied).
    const int alphas[] = {0, 1, 2, 257, 8995, 32768, 40000, 65534, 65535};
    QImage straight16(256, int(std::size(alphas)), QImage::Format_RGBA64);
    for (int y = 0; y < straight16.height(); ++y)
        for (int x = 0; x < 256; ++x)
            reinterpret_cast<QRgba64*>(straight16.scanLine(y))[x] = QRgba64::fromRgba64(
                quint16(x * 257 + (x * 89) % 257), quint16(65535 - x * 250), 0, quint16(alphas[y]));
    const QImage wide = ConvertPixels(straight16, QImage::Format_RGBA64_Premultiplied);
    const QImage narrow = ConvertPixels(straight16, QImage::Format_ARGB32_Premultiplied);
    const QImage black8 = OverBlack(straight16, QImage::Format_RGB32);
    const QImage black16 = OverBlack(straight16, QImage::Format_RGBX64);
    QCOMPARE(black8.format(), QImage::Format_RGB32);
    QCOMPARE(black16.format(), QImage::Format_RGBX64);
    for (int y = 0; y < straight16.height(); ++y) {
        for (int x = 0; x < 256; ++x) {
            const QRgba64 s = reinterpret_cast<const QRgba64*>(straight16.constScanLine(y))[x];
            const double a = s.alpha();
            const QRgba64 w = reinterpret_cast<const QRgba64*>(wide.constScanLine(y))[x];
            check("16-bit premultiplied red", w.red(), nearest(s.red() * a / 65535));
            check("16-bit premultiplied green", w.green(), nearest(s.green() * a / 65535));
            check("16-bit premultiplied alpha", w.alpha(), long(a));
            const QRgb n = reinterpret_cast<const QRgb*>(narrow.constScanLine(y))[x];
            check("8-bit premultiplied red", qRed(n), nearest(s.red() * a / 65535 / 257));
            check("8-bit premultiplied alpha", qAlpha(n), nearest(a / 257));
            const QRgb b8 = reinterpret_cast<const QRgb*>(black8.constScanLine(y))[x];
            check("over black, 8 bits", qRed(b8), nearest(s.red() * a / 65535 / 257));
            check("over black, 8 bits, alpha", qAlpha(b8), 255);
            const QRgba64 b16 = reinterpret_cast<const QRgba64*>(black16.constScanLine(y))[x];
            check("over black, 16 bits", b16.green(), nearest(s.green() * a / 65535));
        }
    }

    // Back to straight colour, from premultiplied values up to the alpha.
    QImage premultiplied(256, int(std::size(alphas)), QImage::Format_RGBA64_Premultiplied);
    for (int y = 0; y < premultiplied.height(); ++y)
        for (int x = 0; x < 256; ++x) {
            const quint16 a = quint16(alphas[y]);
            reinterpret_cast<QRgba64*>(premultiplied.scanLine(y))[x] =
                QRgba64::fromRgba64(quint16(a * x / 255), quint16(a - a * x / 255), 0, a);
        }
    const QImage straightWide = ConvertPixels(premultiplied, QImage::Format_RGBA64);
    const QImage straightNarrow = ConvertPixels(premultiplied, QImage::Format_ARGB32);
    for (int y = 0; y < premultiplied.height(); ++y) {
        for (int x = 0; x < 256; ++x) {
            const QRgba64 p = reinterpret_cast<const QRgba64*>(premultiplied.constScanLine(y))[x];
            const double a = p.alpha();
            const QRgba64 w = reinterpret_cast<const QRgba64*>(straightWide.constScanLine(y))[x];
            const QRgb n = reinterpret_cast<const QRgb*>(straightNarrow.constScanLine(y))[x];
            check("16-bit straight red", w.red(), a ? nearest(p.red() * 65535.0 / a) : 0);
            check("16-bit straight green", w.green(), a ? nearest(p.green() * 65535.0 / a) : 0);
            check("8-bit straight red", qRed(n), a ? nearest(p.red() * 255.0 / a) : 0);
            check("8-bit straight alpha", qAlpha(n), nearest(a / 257));
        }
    }
    QCOMPARE(mismatches, 0);
}

QTEST_MAIN(TestImaging)
#include "test_imaging.moc"
