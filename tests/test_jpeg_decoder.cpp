// The libjpeg-turbo decoder: pixels against Qt's reader, EXIF orientation and
// density, CMYK, DCT scaling, and broken or hostile files.
#include "convert/JpegDecoder.h"
#include "support/TestFiles.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

#include <cmath>
#include <cstdlib>

using Status = JpegDecodeResult::Status;
Q_DECLARE_METATYPE(Status)

namespace {

constexpr std::uint64_t kBudget = std::uint64_t(1) << 30;

// Smooth gradients, sharp edges and a few flat blocks: enough for the DCT,
// the chroma upsampling and the colour conversion all to matter.
QImage TestPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int r = x * 255 / std::max(1, width - 1);
            int g = y * 255 / std::max(1, height - 1);
            int b = int(127.5 + 127.5 * std::sin((x + 2 * y) * 0.15));
            if ((x / 8 + y / 8) % 5 == 0)
                r = 255 - r;
            image.setPixel(x, y, qRgb(r, g, b));
        }
    return image;
}

// Four differently coloured quarters with a marker spot near the top left,
// so any wrong flip or turn moves colours far.
QImage Quadrants(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            QRgb c = !right && !bottom  ? qRgb(230, 20, 20)
                     : right && !bottom ? qRgb(20, 220, 30)
                     : !right           ? qRgb(30, 40, 230)
                                        : qRgb(240, 240, 30);
            if (x < 6 && y < 4)
                c = qRgb(255, 255, 255);
            image.setPixel(x, y, c);
        }
    return image;
}

QByteArray SaveJpeg(const QImage& image, int quality = 90, bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    if (!writer.write(image))
        qFatal("Qt could not write a JPEG: %s", qPrintable(writer.errorString()));
    return bytes;
}

QImage QtDecode(const QString& path, bool autoTransform = false)
{
    QImageReader reader(path, "jpeg");
    reader.setAutoTransform(autoTransform);
    return reader.read();
}

// The largest difference of any channel of any pixel; -1 when the sizes or
// formats differ.
int MaxDiff(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.format() != b.format() || a.isNull())
        return -1;
    int worst = 0;
    for (int y = 0; y < a.height(); ++y) {
        const uchar* pa = a.constScanLine(y);
        const uchar* pb = b.constScanLine(y);
        const int bytes = a.width() * a.depth() / 8;
        for (int i = 0; i < bytes; ++i)
            worst = std::max(worst, std::abs(int(pa[i]) - int(pb[i])));
    }
    return worst;
}

// The offset of the first segment with this marker, walking the segments
// from SOI; -1 when there is none before the scan data.
int SegmentOffset(const QByteArray& jpeg, uchar marker)
{
    int at = 2;
    while (at + 4 <= jpeg.size() && uchar(jpeg[at]) == 0xFF) {
        const uchar code = uchar(jpeg[at + 1]);
        if (code == marker)
            return at;
        if (code == 0xDA)
            return -1;
        at += 2 + (uchar(jpeg[at + 2]) << 8 | uchar(jpeg[at + 3]));
    }
    return -1;
}

void Put16(QByteArray& bytes, int at, int value)
{
    bytes[at] = char(value >> 8);
    bytes[at + 1] = char(value);
}

// Little TIFF writer in either byte order.
class Tiff
{
public:
    explicit Tiff(bool bigEndian) : m_bigEndian(bigEndian)
    {
        m_bytes = bigEndian ? QByteArray("MM") : QByteArray("II");
        U16(42);
        U32(8);
    }
    void U16(std::uint32_t v)
    {
        if (m_bigEndian) {
            m_bytes += char(v >> 8);
            m_bytes += char(v);
        } else {
            m_bytes += char(v);
            m_bytes += char(v >> 8);
        }
    }
    void U32(std::uint32_t v)
    {
        if (m_bigEndian) {
            U16(v >> 16);
            U16(v & 0xFFFF);
        } else {
            U16(v & 0xFFFF);
            U16(v >> 16);
        }
    }
    // An entry whose value field holds a SHORT (left-justified) or a LONG.
    void ShortEntry(std::uint32_t tag, std::uint32_t value)
    {
        U16(tag);
        U16(3);
        U32(1);
        U16(value);
        U16(0);
    }
    void Entry(std::uint32_t tag, std::uint32_t type, std::uint32_t count, std::uint32_t field)
    {
        U16(tag);
        U16(type);
        U32(count);
        U32(field);
    }
    QByteArray& Bytes() { return m_bytes; }

private:
    bool m_bigEndian;
    QByteArray m_bytes;
};

// Puts an APP1 Exif segment holding this TIFF right after SOI.
QByteArray WithExif(const QByteArray& jpeg, const QByteArray& tiff)
{
    QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1", 2);
    segment += char((payload.size() + 2) >> 8);
    segment += char(payload.size() + 2);
    segment += payload;
    return jpeg.left(2) + segment + jpeg.mid(2);
}

QByteArray OrientationTiff(int orientation, bool bigEndian)
{
    Tiff tiff(bigEndian);
    tiff.U16(1);
    tiff.ShortEntry(0x0112, std::uint32_t(orientation));
    tiff.U32(0);
    return tiff.Bytes();
}

long PeakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

QRgb MeanColour(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    double r = 0, g = 0, b = 0;
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb p = rgb.pixel(x, y);
            r += qRed(p);
            g += qGreen(p);
            b += qBlue(p);
        }
    const double n = double(rgb.width()) * rgb.height();
    return qRgb(int(r / n + 0.5), int(g / n + 0.5), int(b / n + 0.5));
}

bool Near(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

QString ColourText(QRgb c)
{
    return QStringLiteral("(%1,%2,%3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
}

} // namespace

class TestJpegDecoder : public QObject
{
    Q_OBJECT

private:
    QString Write(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(name);
        if (!WriteTestFile(path, bytes))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    QTemporaryDir m_dir;

private slots:
    // First, so that no earlier test has already raised the peak RSS.
    void absurdDimensionsRefusedBeforeAllocating()
    {
        QByteArray jpeg = SaveJpeg(TestPicture(16, 16));
        const int sof = SegmentOffset(jpeg, 0xC0);
        QVERIFY(sof > 0);
        Put16(jpeg, sof + 5, 65000);
        Put16(jpeg, sof + 7, 65000);
        const QString path = Write("absurd.jpg", jpeg);

        const long before = PeakRssKb();
        JpegDecodeResult result = DecodeJpegFile(path, kBudget);
        QCOMPARE(result.status, Status::TooLarge);
        QVERIFY(result.image.isNull());
        // 2000 x 2000 needs 16 MB: over a 10 MB budget, under a 20 MB one.
        Put16(jpeg, sof + 5, 2000);
        Put16(jpeg, sof + 7, 2000);
        const QString mid = Write("mid.jpg", jpeg);
        QCOMPARE(DecodeJpegFile(mid, 10u << 20).status, Status::TooLarge);
        result = DecodeJpegFile(mid, 20u << 20);
        QCOMPARE(result.status, Status::Ok); // truncated scan: grey filled
        QCOMPARE(result.image.size(), QSize(2000, 2000));
        // The scaled output fits, but a progressive file keeps every
        // coefficient of the full 20000 x 20000 picture (over 1 GB).
        QByteArray progressive = SaveJpeg(TestPicture(16, 16), 90, true);
        const int sof2 = SegmentOffset(progressive, 0xC2);
        QVERIFY(sof2 > 0);
        Put16(progressive, sof2 + 5, 20000);
        Put16(progressive, sof2 + 7, 20000);
        const QString prog = Write("absurd-progressive.jpg", progressive);
        result = DecodeJpegFile(prog, 256u << 20, 8);
        QCOMPARE(result.status, Status::TooLarge);
        const long grownKb = PeakRssKb() - before;
        QVERIFY2(grownKb < 48 * 1024,
                 qPrintable(QStringLiteral("peak RSS grew %1 KB").arg(grownKb)));
    }

    void coloursMatchQt_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("progressive");
        for (const bool progressive : {false, true}) {
            const char* kind = progressive ? "progressive" : "baseline";
            QTest::addRow("1x1 %s", kind) << 1 << 1 << progressive;
            QTest::addRow("17x9 %s", kind) << 17 << 9 << progressive;
            QTest::addRow("33x31 %s", kind) << 33 << 31 << progressive;
            QTest::addRow("640x480 %s", kind) << 640 << 480 << progressive;
        }
    }
    void coloursMatchQt()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, progressive);
        const QString path =
            Write("colour.jpg", SaveJpeg(TestPicture(width, height), 90, progressive));
        QVERIFY(LooksLikeJpeg(path));
        const JpegDecodeResult result = DecodeJpegFile(path, kBudget);
        QCOMPARE(result.status, Status::Ok);
        QCOMPARE(result.image.format(), QImage::Format_RGB32);
        QCOMPARE(result.image.size(), QSize(width, height));
        QCOMPARE(result.exifOrientation, 1);
        const QImage qt = QtDecode(path);
        QCOMPARE(qt.format(), QImage::Format_RGB32);
        const int diff = MaxDiff(result.image, qt);
        qInfo("max channel difference from Qt: %d", diff);
        QVERIFY2(diff >= 0 && diff <= 2, qPrintable(QString::number(diff)));
        // RGB32 requires an opaque fourth byte.
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                QCOMPARE(qAlpha(result.image.pixel(x, y)), 255);
        // And the decode resembles what was encoded, not merely what Qt did.
        QVERIFY(Near(MeanColour(result.image), MeanColour(TestPicture(width, height)), 6));
    }

    void greyMatchesQt_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("1x1") << 1 << 1;
        QTest::newRow("17x9") << 17 << 9;
        QTest::newRow("33x31") << 33 << 31;
        QTest::newRow("300x200") << 300 << 200;
    }
    void greyMatchesQt()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        const QImage grey = TestPicture(width, height).convertToFormat(QImage::Format_Grayscale8);
        const QString path = Write("grey.jpg", SaveJpeg(grey));
        const JpegDecodeResult result = DecodeJpegFile(path, kBudget);
        QCOMPARE(result.status, Status::Ok);
        QCOMPARE(result.image.format(), QImage::Format_Grayscale8);
        QCOMPARE(result.image.size(), QSize(width, height));
        const QImage qt = QtDecode(path);
        QCOMPARE(qt.format(), QImage::Format_Grayscale8);
        const int diff = MaxDiff(result.image, qt);
        qInfo("max grey difference from Qt: %d", diff);
        QVERIFY2(diff >= 0 && diff <= 2, qPrintable(QString::number(diff)));
        QVERIFY(std::abs(qRed(MeanColour(result.image)) - qRed(MeanColour(grey))) <= 4);
    }

    void exifOrientations_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<bool>("bigEndian");
        QTest::addColumn<bool>("grey");
        QTest::addColumn<QSize>("size");
        for (int o = 1; o <= 8; ++o) {
            QTest::addRow("%d II", o) << o << false << false << QSize(40, 24);
            QTest::addRow("%d MM", o) << o << true << false << QSize(40, 24);
            QTest::addRow("%d grey", o) << o << false << true << QSize(40, 24);
            // Big enough for the decoder's own mapped buffers, with ragged edge tiles.
            QTest::addRow("%d large", o) << o << false << false << QSize(1100, 1001);
            QTest::addRow("%d large grey", o) << o << true << true << QSize(2100, 2001);
        }
    }
    void exifOrientations()
    {
        QFETCH(int, orientation);
        QFETCH(bool, bigEndian);
        QFETCH(bool, grey);
        QFETCH(QSize, size);
        QImage source = Quadrants(size.width(), size.height());
        if (grey)
            source = source.convertToFormat(QImage::Format_Grayscale8);
        const QByteArray jpeg =
            WithExif(SaveJpeg(source, 95), OrientationTiff(orientation, bigEndian));
        const QString path = Write("oriented.jpg", jpeg);
        const JpegDecodeResult result = DecodeJpegFile(path, kBudget);
        QCOMPARE(result.status, Status::Ok);
        QCOMPARE(result.exifOrientation, orientation);
        QCOMPARE(result.image.format(), grey ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
        const QSize expectedSize = orientation >= 5 ? size.transposed() : size;
        QCOMPARE(result.image.size(), expectedSize);
        const QImage qt = QtDecode(path, true);
        QCOMPARE(qt.size(), expectedSize);
        const int diff = MaxDiff(result.image, qt);
        QVERIFY2(diff >= 0 && diff <= 2, qPrintable(QString::number(diff)));
        // The white marker of the top-left corner lands where the meaning of
        // the orientation says (checked without Qt as well).
        const int w = expectedSize.width() - 1, h = expectedSize.height() - 1;
        const QPoint corner[9] = {{},     {0, 0}, {w, 0}, {w, h}, {0, h},
                                  {0, 0}, {w, 0}, {w, h}, {0, h}};
        const QRgb marker = result.image.pixel(corner[orientation]);
        QVERIFY2(Near(marker, qRgb(255, 255, 255), 40), qPrintable(ColourText(marker)));
    }

    void jfifDensity()
    {
        QImage image = TestPicture(20, 10);
        image.setDotsPerMeterX(qRound(300 / 0.0254));
        image.setDotsPerMeterY(qRound(150 / 0.0254));
        QByteArray jpeg = SaveJpeg(image);
        JpegDecodeResult result = DecodeJpegFile(Write("dpi.jpg", jpeg), kBudget);
        QCOMPARE(result.status, Status::Ok);
        QCOMPARE(result.dpiX, 300.0);
        QCOMPARE(result.dpiY, 150.0);

        // Dots per centimetre.
        const int app0 = SegmentOffset(jpeg, 0xE0);
        QVERIFY(app0 > 0);
        QCOMPARE(jpeg.mid(app0 + 4, 5), QByteArray("JFIF\0", 5));
        jpeg[app0 + 11] = 2;
        Put16(jpeg, app0 + 12, 100);
        Put16(jpeg, app0 + 14, 50);
        result = DecodeJpegFile(Write("dpcm.jpg", jpeg), kBudget);
        QCOMPARE(result.dpiX, 254.0);
        QCOMPARE(result.dpiY, 127.0);

        // Unit 0: a pixel shape ratio only, no resolution.
        jpeg[app0 + 11] = 0;
        result = DecodeJpegFile(Write("ratio.jpg", jpeg), kBudget);
        QCOMPARE(result.status, Status::Ok);
        QCOMPARE(result.dpiX, 0.0);
        QCOMPARE(result.dpiY, 0.0);
    }

    void exifDensity_data()
    {
        QTest::addColumn<bool>("bigEndian");
        QTest::addColumn<int>("unit"); // 0: tag absent
        QTest::addColumn<double>("dpiX");
        QTest::addColumn<double>("dpiY");
        QTest::newRow("II inch") << false << 2 << 200.0 << 100.0;
        QTest::newRow("MM inch") << true << 2 << 200.0 << 100.0;
        QTest::newRow("II default inch") << false << 0 << 200.0 << 100.0;
        QTest::newRow("MM cm") << true << 3 << 508.0 << 254.0;
        QTest::newRow("II no unit") << false << 1 << 0.0 << 0.0;
    }
    void exifDensity()
    {
        QFETCH(bool, bigEndian);
        QFETCH(int, unit);
        QFETCH(double, dpiX);
        QFETCH(double, dpiY);
        QByteArray jpeg = SaveJpeg(TestPicture(20, 10));
        const int app0 = SegmentOffset(jpeg, 0xE0);
        QVERIFY(app0 > 0);
        jpeg[app0 + 11] = 0; // JFIF gives no resolution, so EXIF's counts
        Tiff tiff(bigEndian);
        const int entries = unit ? 3 : 2;
        const std::uint32_t data = 8 + 2 + 12 * entries + 4;
        tiff.U16(entries);
        tiff.Entry(0x011A, 5, 1, data);
        tiff.Entry(0x011B, 5, 1, data + 8);
        if (unit)
            tiff.ShortEntry(0x0128, std::uint32_t(unit));
        tiff.U32(0);
        tiff.U32(400); // 400/2 and 300/3
        tiff.U32(2);
        tiff.U32(300);
        tiff.U32(3);
        const JpegDecodeResult result =
            DecodeJpegFile(Write("exifdpi.jpg", WithExif(jpeg, tiff.Bytes())), kBudget);
        QCOMPARE(result.status, Status::Ok);
        QCOMPARE(result.dpiX, dpiX);
        QCOMPARE(result.dpiY, dpiY);
    }

    void cmykMatchesImageMagick()
    {
        const QString magick = QStringLiteral("/usr/bin/convert");
        if (!QFile::exists(magick))
            QSKIP("ImageMagick's convert is not installed");
        const QString cmyk = m_dir.filePath("cmyk.jpg");
        const QString red = m_dir.filePath("red.jpg");
        const QString ppm = m_dir.filePath("cmyk.ppm");
        auto run = [&](const QStringList& args) {
            QProcess process;
            process.start(magick, args);
            return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
                   process.exitCode() == 0;
        };
        QVERIFY(run({"-size", "16x16", "xc:red", "-colorspace", "CMYK", red}));
        QVERIFY(run({"-size", "48x32", "gradient:yellow-navy", "-colorspace", "CMYK", "-quality",
                     "95", cmyk}));
        QVERIFY(run({cmyk, "-colorspace", "sRGB", ppm}));

        JpegDecodeResult result = DecodeJpegFile(red, kBudget);
        QCOMPARE(result.status, Status::Ok);
        QCOMPARE(result.image.format(), QImage::Format_RGB32);
        QVERIFY2(Near(result.image.pixel(8, 8), qRgb(255, 0, 0), 3),
                 qPrintable(ColourText(result.image.pixel(8, 8))));

        result = DecodeJpegFile(cmyk, kBudget);
        QCOMPARE(result.status, Status::Ok);
        QImage magickRgb(ppm);
        QVERIFY(!magickRgb.isNull());
        magickRgb = magickRgb.convertToFormat(QImage::Format_RGB32);
        const int diff = MaxDiff(result.image, magickRgb);
        qInfo("max channel difference from ImageMagick: %d", diff);
        QVERIFY2(diff >= 0 && diff <= 3, qPrintable(QString::number(diff)));

        // Without the Adobe marker the inks are read plainly: ImageMagick's
        // inverted red (255,0,0,255) then means full cyan and black.
        QByteArray bytes = ReadTestFile(red);
        const int app14 = SegmentOffset(bytes, 0xEE);
        QVERIFY(app14 > 0);
        const int length = 2 + (uchar(bytes[app14 + 2]) << 8 | uchar(bytes[app14 + 3]));
        bytes.remove(app14, length);
        result = DecodeJpegFile(Write("plain-cmyk.jpg", bytes), kBudget);
        QCOMPARE(result.status, Status::Ok);
        QVERIFY2(Near(result.image.pixel(8, 8), qRgb(0, 0, 0), 3),
                 qPrintable(ColourText(result.image.pixel(8, 8))));
    }

    void scaleDenominators_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("denominator");
        for (const int d : {2, 4, 8}) {
            QTest::addRow("33x31 1/%d", d) << 33 << 31 << d;
            QTest::addRow("641x479 1/%d", d) << 641 << 479 << d;
        }
    }
    void scaleDenominators()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, denominator);
        const QString path = Write("scaled.jpg", SaveJpeg(TestPicture(width, height)));
        const JpegDecodeResult full = DecodeJpegFile(path, kBudget);
        const JpegDecodeResult scaled = DecodeJpegFile(path, kBudget, denominator);
        QCOMPARE(scaled.status, Status::Ok);
        QCOMPARE(scaled.image.size(), QSize((width + denominator - 1) / denominator,
                                            (height + denominator - 1) / denominator));
        // Against djpeg's own reduction of the same file.
        if (QFile::exists(QStringLiteral("/usr/bin/djpeg"))) {
            const QString ppm = m_dir.filePath("scaled.ppm");
            QProcess djpeg;
            djpeg.start(QStringLiteral("/usr/bin/djpeg"),
                        {"-scale", QStringLiteral("1/%1").arg(denominator), "-outfile", ppm, path});
            QVERIFY(djpeg.waitForFinished(60000) && djpeg.exitCode() == 0);
            const QImage reference = QImage(ppm).convertToFormat(QImage::Format_RGB32);
            const int diff = MaxDiff(scaled.image, reference);
            qInfo("max channel difference from djpeg -scale: %d", diff);
            QVERIFY2(diff >= 0 && diff <= 1, qPrintable(QString::number(diff)));
        }
        // And, independently, close to box averages of the full decode.
        double total = 0;
        for (int y = 0; y < scaled.image.height(); ++y)
            for (int x = 0; x < scaled.image.width(); ++x) {
                const QRect box = QRect(x * denominator, y * denominator, denominator, denominator)
                                      .intersected(full.image.rect());
                const QRgb want = MeanColour(full.image.copy(box));
                const QRgb got = scaled.image.pixel(x, y);
                total += std::abs(qRed(want) - qRed(got)) + std::abs(qGreen(want) - qGreen(got)) +
                         std::abs(qBlue(want) - qBlue(got));
            }
        const double mean = total / (3.0 * scaled.image.width() * scaled.image.height());
        qInfo("mean channel difference from box averages: %.2f", mean);
        QVERIFY2(mean < 10, qPrintable(QString::number(mean)));
        // A budget that the full size would break but the scaled size keeps.
        const std::uint64_t scaledBytes =
            std::uint64_t(scaled.image.width()) * scaled.image.height() * 4;
        QCOMPARE(DecodeJpegFile(path, scaledBytes, denominator).status, Status::Ok);
        QCOMPARE(DecodeJpegFile(path, scaledBytes, 1).status, Status::TooLarge);
    }

    void truncatedAtEveryByte()
    {
        const QByteArray jpeg = SaveJpeg(TestPicture(33, 31));
        // The first byte after the SOS header: from here on the scan is only shorter.
        int sos = 2;
        while (uchar(jpeg[sos + 1]) != 0xDA)
            sos += 2 + (uchar(jpeg[sos + 2]) << 8 | uchar(jpeg[sos + 3]));
        const int scanStart = sos + 2 + (uchar(jpeg[sos + 2]) << 8 | uchar(jpeg[sos + 3]));
        const QString path = m_dir.filePath("cut.jpg");
        int ok = 0;
        for (int cut = 0; cut < jpeg.size(); ++cut) {
            QVERIFY(WriteTestFile(path, jpeg.left(cut)));
            const JpegDecodeResult result = DecodeJpegFile(path, kBudget);
            const QString where = QStringLiteral("cut at %1 of %2").arg(cut).arg(jpeg.size());
            if (cut < 3)
                QVERIFY2(result.status == Status::NotJpeg, qPrintable(where));
            else if (cut < sos)
                QVERIFY2(result.status == Status::Broken, qPrintable(where));
            else if (cut >= scanStart)
                QVERIFY2(result.status == Status::Ok, qPrintable(where));
            if (result.status == Status::Ok) {
                ++ok;
                QCOMPARE(result.image.size(), QSize(33, 31));
            } else {
                QVERIFY2(result.image.isNull(), qPrintable(where));
            }
        }
        QVERIFY(ok >= jpeg.size() - scanStart);
    }

    void truncatedHalves_data()
    {
        QTest::addColumn<bool>("progressive");
        QTest::newRow("baseline") << false;
        QTest::newRow("progressive") << true;
    }
    void truncatedHalves()
    {
        QFETCH(bool, progressive);
        const QByteArray jpeg = SaveJpeg(TestPicture(640, 480), 90, progressive);
        const QString fullPath = Write("whole.jpg", jpeg);
        const JpegDecodeResult full = DecodeJpegFile(fullPath, kBudget);
        QCOMPARE(full.status, Status::Ok);
        for (const int quarters : {1, 2, 3}) {
            const QString path = Write("cut.jpg", jpeg.left(jpeg.size() * quarters / 4));
            const JpegDecodeResult result = DecodeJpegFile(path, kBudget);
            QCOMPARE(result.status, Status::Ok);
            QCOMPARE(result.image.size(), QSize(640, 480));
            if (!progressive) {
                // What arrived decodes exactly as in the whole file, and the
                // missing bottom is not the picture.
                QCOMPARE(MaxDiff(result.image.copy(0, 0, 640, 16), full.image.copy(0, 0, 640, 16)),
                         0);
                QVERIFY(MaxDiff(result.image.copy(0, 464, 640, 16),
                                full.image.copy(0, 464, 640, 16)) > 10);
            } else {
                // The early scans already cover the whole picture coarsely.
                const QRgb a = MeanColour(result.image), b = MeanColour(full.image);
                QVERIFY2(Near(a, b, 8), qPrintable(ColourText(a) + ColourText(b)));
            }
        }
    }

    void junkFiles()
    {
        QRandomGenerator random(1234);
        QByteArray noise(4096, 0);
        for (char& c : noise)
            c = char(random.bounded(256));
        noise[0] = 0x00;
        const QString empty = Write("empty.jpg", {});
        const QString junk = Write("junk.jpg", noise);
        const QString fakeHead = Write("fakehead.jpg", QByteArray("\xFF\xD8\xFF", 3) + noise);
        const QString missing = m_dir.filePath("missing.jpg");
        QByteArray pngBytes;
        {
            QBuffer buffer(&pngBytes);
            buffer.open(QIODevice::WriteOnly);
            TestPicture(8, 8).save(&buffer, "PNG");
        }
        const QString png = Write("picture.jpg", pngBytes);

        for (const QString& path : {empty, junk, missing, png}) {
            QVERIFY(!LooksLikeJpeg(path));
            const JpegDecodeResult result = DecodeJpegFile(path, kBudget);
            QCOMPARE(result.status, Status::NotJpeg);
            QVERIFY(result.image.isNull());
        }
        QVERIFY(LooksLikeJpeg(fakeHead));
        JpegDecodeResult result = DecodeJpegFile(fakeHead, kBudget);
        QCOMPARE(result.status, Status::Broken);
        QVERIFY(result.image.isNull());

        // A valid file made undecodable in its frame header.
        QByteArray jpeg = SaveJpeg(TestPicture(16, 16));
        const int sof = SegmentOffset(jpeg, 0xC0);
        QVERIFY(sof > 0);
        QByteArray badPrecision = jpeg;
        badPrecision[sof + 4] = 13;
        QCOMPARE(DecodeJpegFile(Write("precision.jpg", badPrecision), kBudget).status,
                 Status::Broken);
        QByteArray zeroWidth = jpeg;
        Put16(zeroWidth, sof + 7, 0);
        QCOMPARE(DecodeJpegFile(Write("zerowidth.jpg", zeroWidth), kBudget).status, Status::Broken);
        QByteArray noComponents = jpeg;
        noComponents[sof + 9] = 0;
        QCOMPARE(DecodeJpegFile(Write("nocomp.jpg", noComponents), kBudget).status, Status::Broken);

        // Random damage inside a real file: any outcome but a crash, and Ok
        // only with the right size.
        for (int round = 0; round < 300; ++round) {
            QByteArray damaged = jpeg;
            for (int hits = 0; hits < 4; ++hits)
                damaged[2 + int(random.bounded(damaged.size() - 2))] = char(random.bounded(256));
            const JpegDecodeResult r = DecodeJpegFile(Write("damaged.jpg", damaged), kBudget);
            if (r.status == Status::Ok)
                QVERIFY(!r.image.isNull() && r.image.width() > 0);
            else
                QVERIFY(r.image.isNull());
        }
    }

    void endlessScansRefused()
    {
        // Repeating the last scan of a progressive file is only a warning to
        // libjpeg, so a file can pile up scans that each cost a full pass.
        const QByteArray jpeg = SaveJpeg(TestPicture(64, 48), 90, true);
        QVERIFY(jpeg.endsWith("\xFF\xD9"));
        const int lastScan = int(jpeg.lastIndexOf(QByteArray("\xFF\xDA", 2)));
        QVERIFY(lastScan > 0);
        const QByteArray scan = jpeg.mid(lastScan, jpeg.size() - 2 - lastScan);
        auto withScans = [&](int extra) {
            return jpeg.left(jpeg.size() - 2) + scan.repeated(extra) + QByteArray("\xFF\xD9", 2);
        };
        const JpegDecodeResult few = DecodeJpegFile(Write("few-scans.jpg", withScans(20)), kBudget);
        QCOMPARE(few.status, Status::Ok);
        QCOMPARE(few.image.size(), QSize(64, 48));
        const JpegDecodeResult many =
            DecodeJpegFile(Write("many-scans.jpg", withScans(2000)), kBudget);
        QCOMPARE(many.status, Status::Broken);
        QVERIFY(many.image.isNull());
    }

    void hostileExif_data()
    {
        QTest::addColumn<QByteArray>("tiff");
        QTest::addColumn<int>("orientation");
        auto le = [](auto&& build) {
            Tiff t(false);
            build(t);
            return t.Bytes();
        };
        QTest::newRow("ifd offset far away") << le([](Tiff& t) {
            t.Bytes().chop(4);
            t.U32(0xFFFFFFF0u);
            t.U16(1);
            t.ShortEntry(0x0112, 6);
        }) << 1;
        QTest::newRow("ifd offset just past end") << le([](Tiff& t) {
            t.Bytes().chop(4);
            t.U32(9);
        }) << 1;
        QTest::newRow("65535 entries in a few bytes") << le([](Tiff& t) {
            t.U16(0xFFFF);
            t.ShortEntry(0x0112, 3);
            t.Entry(0x011A, 5, 1, 0xFFFFFFFCu);
        }) << 3;
        QTest::newRow("rational offsets out of range") << le([](Tiff& t) {
            t.U16(3);
            t.Entry(0x011A, 5, 1, 0xFFFFFFFCu);
            t.Entry(0x011B, 5, 1, 0x7FFFFFFFu);
            t.ShortEntry(0x0112, 8);
            t.U32(0);
        }) << 8;
        QTest::newRow("zero denominator") << le([](Tiff& t) {
            t.U16(1);
            t.Entry(0x011A, 5, 1, 8 + 2 + 12 + 4);
            t.U32(0);
            t.U32(300);
            t.U32(0);
        }) << 1;
        QTest::newRow("orientation 9") << le([](Tiff& t) {
            t.U16(1);
            t.ShortEntry(0x0112, 9);
            t.U32(0);
        }) << 1;
        QTest::newRow("orientation 0") << le([](Tiff& t) {
            t.U16(1);
            t.ShortEntry(0x0112, 0);
            t.U32(0);
        }) << 1;
        QTest::newRow("orientation as a LONG") << le([](Tiff& t) {
            t.U16(1);
            t.Entry(0x0112, 4, 1, 6);
            t.U32(0);
        }) << 1;
        QTest::newRow("orientation with count 0") << le([](Tiff& t) {
            t.U16(1);
            t.Entry(0x0112, 3, 0, 6);
            t.U32(0);
        }) << 1;
        QTest::newRow("bad magic") << QByteArray("II\x2B\x00\x08\x00\x00\x00\x01\x00\x12\x01\x03"
                                                 "\x00\x01\x00\x00\x00\x06\x00\x00\x00",
                                                 22)
                                   << 1;
        QTest::newRow("header cut short") << QByteArray("II*", 3) << 1;
        QTest::newRow("unknown byte order") << QByteArray("XX\x2A\x00\x08\x00\x00\x00", 8) << 1;
        QTest::newRow("empty") << QByteArray() << 1;
        QTest::newRow("entry cut at the end") << le([](Tiff& t) {
            t.U16(1);
            t.U16(0x0112);
            t.U16(3);
        }) << 1;
    }
    void hostileExif()
    {
        QFETCH(QByteArray, tiff);
        QFETCH(int, orientation);
        const QByteArray plain = SaveJpeg(Quadrants(40, 24), 95);
        const JpegDecodeResult reference = DecodeJpegFile(Write("plain.jpg", plain), kBudget);
        QCOMPARE(reference.status, Status::Ok);
        const JpegDecodeResult result =
            DecodeJpegFile(Write("hostile.jpg", WithExif(plain, tiff)), kBudget);
        QCOMPARE(result.status, Status::Ok);
        QCOMPARE(result.exifOrientation, orientation);
        QCOMPARE(result.dpiX, reference.dpiX); // JFIF's, untouched by the junk
        if (orientation == 1)
            QCOMPARE(MaxDiff(result.image, reference.image), 0);
        else
            QCOMPARE(result.image.size(), orientation >= 5 ? QSize(24, 40) : QSize(40, 24));
    }
};

QTEST_MAIN(TestJpegDecoder)
#include "test_jpeg_decoder.moc"
