// The photo decoder: choosing the reader from what a file holds, and frames
// of long animations chosen in any order at the cost of one frame's
// decoding, as Qt composes them.
#include "convert/Imaging.h"
#include "convert/PhotoDecoder.h"
#include "convert/QtImaging.h"
#include "support/GifWriter.h"
#include "support/TestFiles.h"

#include <QBuffer>
#include <QImageReader>
#include <QTest>

namespace {

QByteArray Encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format))
        return {};
    return bytes;
}

// A picture with a different colour in each corner, so that a decoder that
// reads rows the wrong way up or misplaces them shows it.
QImage Corners()
{
    QImage image(37, 23, QImage::Format_RGB32);
    image.fill(QColor(200, 200, 200));
    const int w = image.width();
    const int h = image.height();
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            image.setPixelColor(x, y, QColor(255, 0, 0));
            image.setPixelColor(w - 1 - x, y, QColor(0, 255, 0));
            image.setPixelColor(x, h - 1 - y, QColor(0, 0, 255));
            image.setPixelColor(w - 1 - x, h - 1 - y, QColor(255, 255, 0));
        }
    }
    return image;
}

bool Near(QColor a, QColor b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// An animation whose frames are drawn over each other with every disposal
// method and with transparent pixels, so that each frame depends on the
// ones before it.
QByteArray ComposingGif(QSize canvas, int frames)
{
    QList<QRgb> palette;
    for (int i = 0; i < 256; ++i)
        palette.append(qRgb((i * 37) & 0xFF, (i * 91 + 40) & 0xFF, (i * 53 + 100) & 0xFF));
    QList<GifFrame> list;
    for (int f = 0; f < frames; ++f) {
        GifFrame frame;
        const QSize size = f == 0 ? canvas : QSize(canvas.width() / 3, canvas.height() / 4);
        frame.pixels = QImage(size, QImage::Format_Indexed8);
        frame.pixels.setColorTable(palette);
        for (int y = 0; y < size.height(); ++y) {
            uchar* row = frame.pixels.scanLine(y);
            for (int x = 0; x < size.width(); ++x)
                row[x] = uchar((x / 3 + y / 2 + f * 7) % 250 + 1);
        }
        if (f > 0) {
            frame.at = QPoint((f * 7) % (canvas.width() - size.width()),
                              (f * 5) % (canvas.height() - size.height()));
            frame.disposal = (f % 5 == 3) ? 2 : (f % 5 == 4) ? 3 : 1;
            if (f % 3 == 1) {
                frame.transparentIndex = 0;
                for (int y = 0; y < size.height(); y += 2)
                    frame.pixels.scanLine(y)[y % size.width()] = 0;
            }
        }
        list.append(frame);
    }
    return EncodeGif(canvas, list);
}

// Every frame as Qt gives it reading the file once from the start.
QList<QImage> FramesInOrder(const QString& path)
{
    QList<QImage> frames;
    QImageReader reader(path);
    QImage frame;
    while (reader.read(&frame))
        frames.append(frame);
    return frames;
}

} // namespace

class TestPhotoDecoder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void picturesAreReadByContent_data();
    void picturesAreReadByContent();
    void picturesKnownOnlyByName();
    void cameraRawUnderAnyName_data();
    void cameraRawUnderAnyName();
    void theGifWriterIsReadBackExactly();
    void framesComeOutAsQtComposesThem();
    void choosingFramesCostsOneFrame();
    void steppingBackBeyondWhatIsKept();
    void keptFramesStayWithinTheirBound();
    void keptCopiesAreTheFramesThemselves();

private:
    QTemporaryDir m_dir;
    QString m_gif;
    QList<QImage> m_expected;
};

void TestPhotoDecoder::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_gif = m_dir.filePath("long.gif");
    QVERIFY(WriteTestFile(m_gif, ComposingGif(QSize(61, 43), 40)));
    m_expected = FramesInOrder(m_gif);
    QCOMPARE(m_expected.size(), 40);
}

void TestPhotoDecoder::picturesAreReadByContent_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<int>("tolerance");
    const QImage image = Corners();
    const QByteArray png = Encoded(image, "PNG");
    const QByteArray bmp = Encoded(image, "BMP");
    const QByteArray jpeg = Encoded(image, "JPEG");
    const QByteArray tiff = Encoded(image, "TIFF");
    QVERIFY(!png.isEmpty() && !bmp.isEmpty() && !jpeg.isEmpty() && !tiff.isEmpty());
    QTest::newRow("bitmap named .dib") << "bitmap.dib" << bmp << QByteArray("bmp") << 0;
    QTest::newRow("bitmap named .DIB") << "BITMAP.DIB" << bmp << QByteArray("bmp") << 0;
    QTest::newRow("PNG named .jpg") << "png.jpg" << png << QByteArray("png") << 0;
    QTest::newRow("JPEG named .png") << "jpeg.png" << jpeg << QByteArray("jpeg") << 40;
    QTest::newRow("JPEG named .gif") << "jpeg.gif" << jpeg << QByteArray("jpeg") << 40;
    QTest::newRow("TIFF named .bmp") << "tiff.bmp" << tiff << QByteArray("tiff") << 0;
    QTest::newRow("bitmap named .ico") << "bitmap.ico" << bmp << QByteArray("bmp") << 0;
    QTest::newRow("PNG named .raw") << "png.raw" << png << QByteArray("png") << 0;
    QTest::newRow("PNG without a suffix") << "png" << png << QByteArray("png") << 0;
    QTest::newRow("bitmap named .bmp") << "right.bmp" << bmp << QByteArray("bmp") << 0;
    QTest::newRow("JPEG named .jpg") << "right.jpg" << jpeg << QByteArray("jpeg") << 40;
}

void TestPhotoDecoder::picturesAreReadByContent()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, format);
    QFETCH(int, tolerance);
    const QString path = m_dir.filePath(name);
    QVERIFY(WriteTestFile(path, content));
    PhotoDecoder decoder;
    QCOMPARE(decoder.Open(path), DecodeResult::Ok);
    QCOMPARE(decoder.Info().format, format);
    QCOMPARE(decoder.Info().frameCount, 1);
    const QImage& frame = decoder.Frame();
    QCOMPARE(frame.size(), QSize(37, 23));
    const QImage original = Corners();
    for (QPoint p : {QPoint(2, 2), QPoint(34, 2), QPoint(2, 20), QPoint(34, 20), QPoint(18, 11)})
        QVERIFY2(Near(frame.pixelColor(p), original.pixelColor(p), tolerance),
                 qPrintable(frame.pixelColor(p).name()));

    // The imaging layer the window and the converter share says the same.
    QtImaging imaging;
    GpImage* photo = nullptr;
    QCOMPARE(imaging.LoadImageFromFile(path, &photo), Ok);
    std::uint32_t width = 0;
    imaging.GetImageWidth(photo, &width);
    QCOMPARE(width, 37u);
    imaging.DisposeImage(photo);
}

void TestPhotoDecoder::picturesKnownOnlyByName()
{
    // A DIB without its file header has no signature; its name still says
    // what it is.
    const QByteArray bmp = Encoded(Corners(), "BMP");
    const QString path = m_dir.filePath("headerless.dib");
    QVERIFY(WriteTestFile(path, bmp.mid(14)));
    PhotoDecoder decoder;
    QCOMPARE(decoder.Open(path), DecodeResult::Ok);
    QCOMPARE(decoder.Frame().size(), QSize(37, 23));
    QCOMPARE(decoder.Frame().pixelColor(2, 2), QColor(255, 0, 0));
    QCOMPARE(decoder.Frame().pixelColor(34, 20), QColor(255, 255, 0));

    // Neither content nor name: refused cleanly.
    const QString junk = m_dir.filePath("junk.dib");
    QVERIFY(WriteTestFile(junk, QByteArray(300, '\x11')));
    QCOMPARE(decoder.Open(junk), DecodeResult::Unreadable);
    QVERIFY(decoder.Frame().isNull());
}

void TestPhotoDecoder::cameraRawUnderAnyName_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow(".dng") << "camera.dng";
    QTest::newRow(".tif") << "camera.tif";
    QTest::newRow(".jpg") << "camera.jpg";
    QTest::newRow(".png") << "camera.png";
    QTest::newRow("no suffix") << "camera";
}

void TestPhotoDecoder::cameraRawUnderAnyName()
{
    QFETCH(QString, name);
    const QString path = m_dir.filePath(name);
    QFile::remove(path);
    QVERIFY(QFile::copy(QStringLiteral(RASTELLE_TEST_DATA_DIR "/raw/tiny.dng"), path));
    PhotoDecoder decoder;
    QCOMPARE(decoder.Open(path), DecodeResult::Ok);
    QCOMPARE(decoder.Info().format, QByteArray("raw"));
    QCOMPARE(decoder.Frame().size(), QSize(64, 48));
    const QColor left = decoder.Frame().pixelColor(10, 24);
    QVERIFY2(left.red() > 2 * left.blue(), qPrintable(left.name()));
}

void TestPhotoDecoder::theGifWriterIsReadBackExactly()
{
    // The fixture writer itself: long runs fill the code table (clears and
    // 12-bit codes), noise keeps codes short.
    QImage pixels(300, 200, QImage::Format_Indexed8);
    QList<QRgb> palette;
    for (int i = 0; i < 256; ++i)
        palette.append(qRgb(i, 255 - i, (i * 7) & 0xFF));
    pixels.setColorTable(palette);
    quint32 seed = 12345;
    for (int y = 0; y < pixels.height(); ++y) {
        for (int x = 0; x < pixels.width(); ++x) {
            seed = seed * 1103515245u + 12345u;
            pixels.scanLine(y)[x] = y < 100 ? uchar((seed >> 16) & 0xFF) : uchar(x / 40);
        }
    }
    GifFrame frame;
    frame.pixels = pixels;
    const QString path = m_dir.filePath("writer.gif");
    QVERIFY(WriteTestFile(path, EncodeGif(pixels.size(), {frame})));
    QImage read(path, "GIF");
    QCOMPARE(read.size(), pixels.size());
    for (int y = 0; y < pixels.height(); ++y)
        for (int x = 0; x < pixels.width(); ++x)
            QCOMPARE(read.pixel(x, y) | 0xFF000000u, palette[pixels.scanLine(y)[x]]);
}

void TestPhotoDecoder::framesComeOutAsQtComposesThem()
{
    PhotoDecoder decoder;
    QCOMPARE(decoder.Open(m_gif), DecodeResult::Ok);
    QCOMPARE(decoder.Info().dimension, FrameDimensionTime);
    QCOMPARE(decoder.Info().frameCount, 40);
    // Only a few frames kept, so that every way of reaching a frame is
    // taken: kept, read on, read again from the start.
    decoder.SetFrameCacheLimit(std::uint64_t(m_expected[0].sizeInBytes()) * 3);
    const int order[] = {39, 38, 37, 36, 35, 20, 21, 22, 0, 5, 4, 3, 2, 1, 0, 39, 12, 11, 30, 29};
    for (int frame : order) {
        QCOMPARE(decoder.SelectFrame(frame), DecodeResult::Ok);
        QCOMPARE(decoder.ActiveFrame(), frame);
        QVERIFY2(decoder.Frame() == m_expected[frame], qPrintable(QString::number(frame)));
    }
    QCOMPARE(decoder.SelectFrame(40), DecodeResult::Unreadable);
    QCOMPARE(decoder.ActiveFrame(), 29);
}

void TestPhotoDecoder::choosingFramesCostsOneFrame()
{
    PhotoDecoder decoder;
    QCOMPARE(decoder.Open(m_gif), DecodeResult::Ok);
    QCOMPARE(decoder.FramesDecoded(), 1);
    // Typing "3", then "39": the second goes on from where the first stopped.
    QCOMPARE(decoder.SelectFrame(3), DecodeResult::Ok);
    QCOMPARE(decoder.FramesDecoded(), 4);
    QCOMPARE(decoder.SelectFrame(39), DecodeResult::Ok);
    QCOMPARE(decoder.FramesDecoded(), 40);
    // Back and forth over what was read costs nothing more.
    for (int frame : {38, 37, 39, 3, 0, 20})
        QCOMPARE(decoder.SelectFrame(frame), DecodeResult::Ok);
    QCOMPARE(decoder.FramesDecoded(), 40);
    QVERIFY(decoder.Frame() == m_expected[20]);
}

void TestPhotoDecoder::steppingBackBeyondWhatIsKept()
{
    PhotoDecoder decoder;
    QCOMPARE(decoder.Open(m_gif), DecodeResult::Ok);
    const std::uint64_t frameBytes = std::uint64_t(m_expected[0].sizeInBytes());
    decoder.SetFrameCacheLimit(frameBytes * 10);
    QCOMPARE(decoder.SelectFrame(39), DecodeResult::Ok);
    QCOMPARE(decoder.FramesDecoded(), 40);
    // The ten frames before the one reached are kept...
    for (int frame = 38; frame >= 30; --frame)
        QCOMPARE(decoder.SelectFrame(frame), DecodeResult::Ok);
    QCOMPARE(decoder.FramesDecoded(), 40);
    // ...the next step back reads from the start once, and keeps the ten
    // before it in turn.
    QCOMPARE(decoder.SelectFrame(29), DecodeResult::Ok);
    QCOMPARE(decoder.FramesDecoded(), 70);
    for (int frame = 28; frame >= 20; --frame)
        QCOMPARE(decoder.SelectFrame(frame), DecodeResult::Ok);
    QCOMPARE(decoder.FramesDecoded(), 70);
    QVERIFY(decoder.Frame() == m_expected[20]);
    // Forward again from there goes on with the reader where it stands.
    QCOMPARE(decoder.SelectFrame(30), DecodeResult::Ok);
    QCOMPARE(decoder.FramesDecoded(), 71);
    QVERIFY(decoder.Frame() == m_expected[30]);
}

void TestPhotoDecoder::keptFramesStayWithinTheirBound()
{
    PhotoDecoder decoder;
    QVERIFY(decoder.Cache().Limit() <= (std::uint64_t(256) << 20));
    QCOMPARE(decoder.Open(m_gif), DecodeResult::Ok);
    const std::uint64_t frameBytes = std::uint64_t(m_expected[0].sizeInBytes());
    decoder.SetFrameCacheLimit(frameBytes * 4 + frameBytes / 2);
    QCOMPARE(decoder.SelectFrame(39), DecodeResult::Ok);
    QCOMPARE(decoder.Cache().Count(), 4);
    QVERIFY(decoder.Cache().Bytes() <= decoder.Cache().Limit());
    // Nothing kept at all still gives the right frames, only slower.
    decoder.SetFrameCacheLimit(0);
    QCOMPARE(decoder.Cache().Count(), 0);
    QCOMPARE(decoder.SelectFrame(17), DecodeResult::Ok);
    QVERIFY(decoder.Frame() == m_expected[17]);
    QCOMPARE(decoder.SelectFrame(18), DecodeResult::Ok);
    QVERIFY(decoder.Frame() == m_expected[18]);
    QCOMPARE(decoder.Cache().Count(), 0);

    // A new picture starts afresh: only its own first page is kept.
    decoder.SetFrameCacheLimit(frameBytes * 100);
    QCOMPARE(decoder.SelectFrame(25), DecodeResult::Ok);
    QCOMPARE(decoder.Cache().Count(), 7);
    QCOMPARE(decoder.Open(QStringLiteral(RASTELLE_TEST_DATA_DIR "/frames/pages3.tif")),
             DecodeResult::Ok);
    QCOMPARE(decoder.Cache().Count(), 1);
    QCOMPARE(decoder.FramesDecoded(), 1);
    // Pages a reader can go to directly cost one page each, in any order.
    QCOMPARE(decoder.SelectFrame(2), DecodeResult::Ok);
    QCOMPARE(decoder.FramesDecoded(), 2);
    QCOMPARE(decoder.SelectFrame(1), DecodeResult::Ok);
    QCOMPARE(decoder.FramesDecoded(), 3);
    QCOMPARE(decoder.SelectFrame(2), DecodeResult::Ok);
    QCOMPARE(decoder.FramesDecoded(), 3);
    QCOMPARE(decoder.Frame().pixelColor(decoder.Frame().width() / 2, decoder.Frame().height() / 2),
             QColor(Qt::blue));
}

void TestPhotoDecoder::keptCopiesAreTheFramesThemselves()
{
    // A kept frame is a copy (the decoder goes on drawing over its own) with
    // everything the conversion reads from it: pixels, resolution, colours.
    const auto frame = [](int shade) {
        QImage image(13, 7, QImage::Format_ARGB32);
        image.fill(QColor(shade, 255 - shade, 40, 200));
        image.setPixelColor(3, 2, QColor(1, 2, 3, 4));
        image.setDotsPerMeterX(2835 + shade);
        image.setDotsPerMeterY(5669 - shade);
        image.setText(QStringLiteral("Comment"), QString::number(shade));
        return image;
    };
    FrameCache cache(std::uint64_t(frame(0).sizeInBytes()));
    QImage source = frame(10);
    const QImage kept = cache.Keep(4, source);
    QVERIFY(kept.constBits() != source.constBits());
    source.fill(Qt::black);
    QCOMPARE(kept, frame(10));
    QCOMPARE(kept.dotsPerMeterX(), 2845);
    QCOMPARE(kept.dotsPerMeterY(), 5659);
    QCOMPARE(kept.text(QStringLiteral("Comment")), QStringLiteral("10"));
    QCOMPARE(cache.Find(4), frame(10));

    // Room for one frame: the next one takes the place (and the memory) of
    // the first, and is still itself; one still shown elsewhere stays intact.
    const QImage shown = cache.Find(4);
    QCOMPARE(cache.Keep(5, frame(20)), frame(20));
    QCOMPARE(cache.Count(), 1);
    QVERIFY(cache.Find(4).isNull());
    QCOMPARE(shown, frame(10));
    QCOMPARE(cache.Keep(6, frame(30)).dotsPerMeterX(), 2865);
    QCOMPARE(cache.Find(6), frame(30));
    QVERIFY(cache.Bytes() <= cache.Limit());
    // A frame larger than the whole bound is not kept.
    QVERIFY(cache.Keep(7, QImage(100, 100, QImage::Format_ARGB32)).isNull());
    QVERIFY(cache.Find(7).isNull());
}

QTEST_MAIN(TestPhotoDecoder)
#include "test_photo_decoder.moc"
