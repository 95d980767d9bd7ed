// Bitmap files opened as photos by the program's own reader: every format
// the conversion writes reads back to the pixels written, hand-made files
// of each layout there is read pixel by pixel (and as Qt reads them where
// Qt takes the layout), and broken files are refused or open safely.
#include "convert/BmpPhoto.h"
#include "convert/BmpWriter.h"
#include "convert/ConversionHost.h"
#include "convert/ConversionPipeline.h"
#include "convert/PhotoDecoder.h"
#include "convert/PixelFormats.h"
#include "convert/QtImaging.h"
#include "dib/BmpDecode.h"
#include "language/CLanguage.h"
#include "support/DibBytes.h"
#include "support/QuietHost.h"
#include "support/TestFiles.h"

#include <QBuffer>
#include <QRgba64>
#include <QTest>

using namespace dibbytes;

namespace {

// ---- Files made byte by byte.

struct Layout
{
    quint32 headerSize = 40;
    qint32 width = 1;
    qint32 height = 1;
    quint16 bits = 24;
    quint32 compression = BI_RGB;
    quint32 colorsUsed = 0;
    quint32 imageSize = 0;
    qint32 ppm = 0;
    QList<quint32> masks;    // inside a header of 52 bytes or more, else after it
    QByteArray table;        // as stored
    QByteArray pixels;       // as stored
    qint64 pixelOffset = -1; // right after the table unless set
};

QByteArray Header(const Layout& l)
{
    if (l.headerSize == 12)
        return CoreHeader(quint16(l.width), quint16(l.height), l.bits);
    QByteArray out;
    Put32(out, l.headerSize);
    Put32(out, quint32(l.width));
    Put32(out, quint32(l.height));
    Put16(out, 1);
    Put16(out, l.bits);
    Put32(out, l.compression);
    Put32(out, l.imageSize);
    Put32(out, quint32(l.ppm));
    Put32(out, quint32(l.ppm));
    Put32(out, l.colorsUsed);
    Put32(out, 0);
    if (l.headerSize >= 52 && l.headerSize != 64)
        for (quint32 m : l.masks)
            Put32(out, m);
    out = out.leftJustified(qsizetype(l.headerSize), '\0', true);
    if (l.headerSize == 40)
        for (quint32 m : l.masks)
            Put32(out, m);
    return out;
}

QByteArray File(const Layout& l)
{
    const QByteArray head = Header(l) + l.table;
    const quint32 offset = l.pixelOffset >= 0 ? quint32(l.pixelOffset) : 14 + quint32(head.size());
    QByteArray out = FileHeader(offset + quint32(l.pixels.size()), offset) + head;
    if (offset > quint32(out.size()))
        out.append(QByteArray(qsizetype(offset) - out.size(), '\0'));
    return out + l.pixels;
}

// Rows padded to 4 bytes, given bottom row first as they are stored.
QByteArray Rows(const QList<QByteArray>& rows)
{
    QByteArray out;
    for (QByteArray row : rows) {
        while (row.size() % 4 != 0)
            row.append('\0');
        out += row;
    }
    return out;
}

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

QByteArray Triples(const QList<quint32>& colors)
{
    QByteArray out;
    for (quint32 c : colors)
        out += Bytes({int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)});
    return out;
}

const QList<quint32> kColors = {0x102030, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x808080,
                                0x123456, 0xFEDCBA, 0x010203, 0xA0B0C0, 0x0F0F0F, 0xF0F0F0,
                                0x445566, 0x778899, 0xAABBCC, 0xDDEEFF};

// Expected pixels, top row first.
using Pixels = QList<QList<QRgb>>;

QString Describe(const QImage& image, const Pixels& want)
{
    QString text;
    for (int y = 0; y < want.size(); ++y)
        for (int x = 0; x < want[y].size(); ++x)
            if (image.pixel(x, y) != want[y][x])
                text += QString::asprintf("(%d,%d) %08x, wanted %08x; ", x, y, image.pixel(x, y),
                                          want[y][x]);
    return text;
}

// The frame holds the pixels wanted, and what Qt's reader shows when it
// takes the layout.
void CheckFrame(const QImage& frame, const QByteArray& file, const Pixels& want, bool alpha,
                bool qtReads)
{
    QCOMPARE(frame.size(), QSize(int(want[0].size()), int(want.size())));
    QCOMPARE(frame.hasAlphaChannel(), alpha);
    QVERIFY2(Describe(frame, want).isEmpty(), qPrintable(Describe(frame, want)));
    if (qtReads) {
        const QImage peer = QImage::fromData(file, "BMP");
        QVERIFY(!peer.isNull());
        QCOMPARE(frame.convertToFormat(QImage::Format_ARGB32),
                 peer.convertToFormat(QImage::Format_ARGB32));
    }
}

// ---- The conversion as the window and rastelle-convert run it.

QImage SourcePicture(bool withAlpha)
{
    QImage image(259, 7, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y,
                           qRgba(x & 0xFF, (x * 3 + y * 29) & 0xFF, (255 - x + y * 53) & 0xFF,
                                 withAlpha ? (x * 5 + y * 31) & 0xFF : 255));
    return image;
}

quint32 FileU32(const QByteArray& b, int at)
{
    return ReadU32(reinterpret_cast<const std::uint8_t*>(b.constData()) + at);
}
quint16 FileU16(const QByteArray& b, int at)
{
    return ReadU16(reinterpret_cast<const std::uint8_t*>(b.constData()) + at);
}

// What a written file's pixel (x, y from the top) means, read from the
// bytes here: the table colour of an index, 5-6-5 widened by repeating top
// bits, or the bytes themselves as straight colour and alpha.
QRgb MeantPixel(const QByteArray& file, int x, int y)
{
    const int headerSize = int(FileU32(file, 14));
    const int width = int(FileU32(file, 18));
    const int height = int(FileU32(file, 22));
    const int bits = FileU16(file, 28);
    const int offset = int(FileU32(file, 10));
    const int stride = (width * bits + 31) / 32 * 4;
    const auto* row =
        reinterpret_cast<const uchar*>(file.constData()) + offset + stride * (height - 1 - y);
    if (bits <= 8) {
        const int index = (row[x * bits / 8] >> (8 - bits - (x * bits) % 8)) & ((1 << bits) - 1);
        const auto* q = reinterpret_cast<const uchar*>(file.constData()) + 14 + 40 + 4 * index;
        return qRgb(q[2], q[1], q[0]);
    }
    if (bits == 16) {
        const quint32 v = ReadU16(row + 2 * x);
        const quint32 r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
        return qRgb(int(r << 3 | r >> 2), int(g << 2 | g >> 4), int(b << 3 | b >> 2));
    }
    const uchar* p = row + x * (bits / 8);
    return qRgba(p[2], p[1], p[0], bits == 32 && headerSize == 108 ? p[3] : 255);
}

} // namespace

class TestBmpDecode : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void everyWrittenFormatReadsBack_data();
    void everyWrittenFormatReadsBack();
    void indexedLayouts_data();
    void indexedLayouts();
    void runLengthLayouts_data();
    void runLengthLayouts();
    void directLayouts_data();
    void directLayouts();
    void wideBitFieldsKeepTheirPrecision();
    void sixtyFourBitsFromLinearLight();
    void embeddedPngAndJpeg();
    void resolutionCarriesOver();
    void brokenFilesAreRefused_data();
    void brokenFilesAreRefused();
    void cutShortFilesOpenSafely();
    void everyPrefixOfAFileIsSafe();
    void otherPicturesStillGoThroughQt();

private:
    // Writes the bytes to a file and opens it as the program opens photos.
    DecodeResult Open(const QByteArray& bytes, QImage* frame);

    QtImaging m_imaging;
    QTemporaryDir m_tempRoot;
    QTemporaryDir m_dir;
    int m_files = 0;
};

void TestBmpDecode::initTestCase()
{
    QVERIFY(m_tempRoot.isValid());
    qputenv("TMPDIR", QFile::encodeName(m_tempRoot.path()));
    theLanguage.Initialize(QStringLiteral("/nonexistent"), QStringLiteral("english"));
}

void TestBmpDecode::cleanup()
{
    QCOMPARE(QtImagingLiveObjects(), 0);
}

DecodeResult TestBmpDecode::Open(const QByteArray& bytes, QImage* frame)
{
    // Named .png: the content, not the name, decides the reader.
    const QString path = m_dir.filePath(QString("f%1.png").arg(m_files++));
    if (!WriteTestFile(path, bytes))
        return DecodeResult::NotFound;
    PhotoDecoder decoder;
    const DecodeResult result = decoder.Open(path);
    *frame = decoder.Frame();
    if (result == DecodeResult::Ok && decoder.Info().frameCount != 1)
        return DecodeResult::Unreadable;
    return result;
}

void TestBmpDecode::everyWrittenFormatReadsBack_data()
{
    QTest::addColumn<int>("pixelFormat");
    QTest::addColumn<bool>("withAlpha");
    for (const PixelFormatEntry& entry : PixelFormatTable()) {
        const QString name = QString::fromUtf16(entry.entry);
        QTest::addRow("%s, opaque", qPrintable(name)) << entry.code << false;
        QTest::addRow("%s, with alpha", qPrintable(name)) << entry.code << true;
    }
}

void TestBmpDecode::everyWrittenFormatReadsBack()
{
    QFETCH(int, pixelFormat);
    QFETCH(bool, withAlpha);
    const QImage source = SourcePicture(withAlpha);
    const QString sourcePath = m_dir.filePath(QStringLiteral("source.png"));
    QVERIFY(source.save(sourcePath, "PNG"));

    GpImage* photo = nullptr;
    QCOMPARE(m_imaging.LoadImageFromFile(sourcePath, &photo), Ok);
    ConversionRequest request;
    request.outputWidthText = QString::number(source.width());
    request.outputHeightText = QString::number(source.height());
    request.textXText = request.textYText = QStringLiteral("0");
    request.pixelFormat = pixelFormat;
    request.indexedFormat = IndexedFormatFor(pixelFormat);
    request.outputPath = m_dir.filePath(QStringLiteral("out.bmp"));
    QFile::remove(request.outputPath);
    QuietHost host;
    const ConversionOutcome outcome =
        RunConvertCommand(m_imaging, sourcePath, photo, request, host);
    m_imaging.DisposeImage(photo);
    QVERIFY2(outcome.succeeded && host.messages.isEmpty(), qPrintable(host.messages.join(" | ")));
    const QByteArray file = ReadTestFile(request.outputPath);
    const int bits = FileU16(file, 28);

    // Straight from the bytes, and as the user opens the file.
    QImage decoded;
    QCOMPARE(DecodeBmpBytes(file, &decoded), DecodeResult::Ok);
    PhotoDecoder decoder;
    QCOMPARE(decoder.Open(request.outputPath), DecodeResult::Ok);
    QCOMPARE(decoder.Frame(), decoded);
    QCOMPARE(decoded.size(), source.size());
    QCOMPARE(decoded.depth(), bits == 64 ? 64 : 32);

    int mismatches = 0;
    if (bits == 64) {
        // Linear light back to the 8-bit values of the picture. A
        // premultiplied file reads as straight, so only its opaque form
        // comes back to the source's colours; its alpha always does.
        const bool premultiplied = pixelFormat == PixelFormat64bppPARGB;
        QCOMPARE(decoded.hasAlphaChannel(), withAlpha);
        const QImage eight = decoded.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < source.height(); ++y) {
            for (int x = 0; x < source.width(); ++x) {
                const QRgb want = source.pixel(x, y);
                const QRgb got = eight.pixel(x, y);
                const bool same = premultiplied && qAlpha(want) != 255 ? qAlpha(got) == qAlpha(want)
                                                                       : got == want;
                if (!same && mismatches++ < 5)
                    qWarning("pixel %d,%d: %08x, the picture has %08x", x, y, got, want);
            }
        }
        QCOMPARE(mismatches, 0);
        return;
    }
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            const QRgb want = MeantPixel(file, x, y);
            const QRgb got = decoded.pixel(x, y);
            if (got != want && mismatches++ < 5)
                qWarning("pixel %d,%d: %08x, the file holds %08x", x, y, got, want);
        }
    }
    QCOMPARE(mismatches, 0);
    // Qt's reader agrees on every layout but 5-6-5, which it widens its own
    // way.
    if (bits != 16) {
        const QImage peer = QImage::fromData(file, "BMP");
        QVERIFY(!peer.isNull());
        QCOMPARE(decoded.convertToFormat(QImage::Format_ARGB32),
                 peer.convertToFormat(QImage::Format_ARGB32));
    }
}

void TestBmpDecode::indexedLayouts_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Pixels>("want");
    QTest::addColumn<bool>("qtReads");
    const auto c = [](int i) { return 0xFF000000u | kColors[i]; };

    Layout one;
    one.width = 10;
    one.height = 2;
    one.bits = 1;
    one.table = Quads({kColors[1], kColors[2]});
    one.pixels = Rows({Bytes({0b10110000, 0b01000000}), Bytes({0b01010101, 0b11000000})});
    QTest::newRow("1 bit") << File(one)
                           << Pixels{{c(1), c(2), c(1), c(2), c(1), c(2), c(1), c(2), c(2), c(2)},
                                     {c(2), c(1), c(2), c(2), c(1), c(1), c(1), c(1), c(1), c(2)}}
                           << true;

    Layout two;
    two.width = 5;
    two.height = 1;
    two.bits = 2;
    two.table = Quads({kColors[3], kColors[4], kColors[5], kColors[6]});
    two.pixels = Rows({Bytes({0b00011011, 0b10000000})});
    QTest::newRow("2 bits") << File(two) << Pixels{{c(3), c(4), c(5), c(6), c(5)}} << false;

    Layout four;
    four.width = 3;
    four.height = 2;
    four.bits = 4;
    four.table = Quads(kColors);
    four.pixels = Rows({Bytes({0x01, 0x20}), Bytes({0xFE, 0xD0})});
    QTest::newRow("4 bits") << File(four) << Pixels{{c(15), c(14), c(13)}, {c(0), c(1), c(2)}}
                            << true;

    Layout eight;
    eight.width = 3;
    eight.height = 1;
    eight.bits = 8;
    eight.table = Quads(kColors);
    eight.colorsUsed = 16;
    eight.pixels = Rows({Bytes({7, 0, 15})});
    QTest::newRow("8 bits, colours used") << File(eight) << Pixels{{c(7), c(0), c(15)}} << true;

    // Three entries: indices beyond them show black.
    Layout shortTable = eight;
    shortTable.colorsUsed = 3;
    shortTable.table = Quads({kColors[4], kColors[5], kColors[6]});
    shortTable.pixels = Rows({Bytes({2, 3, 200})});
    QTest::newRow("8 bits, short table")
        << File(shortTable) << Pixels{{c(6), 0xFF000000u, 0xFF000000u}} << false;

    // A table cut short by the pixel offset, colours used 0.
    Layout cut = four;
    cut.table = Quads({kColors[1], kColors[2], kColors[3]});
    cut.pixelOffset = 14 + 40 + 12;
    cut.pixels = Rows({Bytes({0x12, 0x30}), Bytes({0x21, 0x00})});
    QTest::newRow("4 bits, table cut by the pixel offset")
        << File(cut) << Pixels{{c(3), c(2), c(1)}, {c(2), c(3), 0xFF000000u}} << false;

    // OS/2 1.x: 12-byte header, 3-byte entries.
    Layout core;
    core.headerSize = 12;
    core.width = 3;
    core.height = 2;
    core.bits = 8;
    core.table = Triples(kColors) + QByteArray(3 * (256 - kColors.size()), '\0');
    core.pixels = Rows({Bytes({1, 2, 3}), Bytes({4, 5, 6})});
    QTest::newRow("OS/2 1.x, 8 bits")
        << File(core) << Pixels{{c(4), c(5), c(6)}, {c(1), c(2), c(3)}} << true;

    Layout core4 = core;
    core4.bits = 4;
    core4.table = Triples(kColors);
    core4.pixels = Rows({Bytes({0x9A, 0xB0}), Bytes({0xCD, 0xE0})});
    QTest::newRow("OS/2 1.x, 4 bits")
        << File(core4) << Pixels{{c(12), c(13), c(14)}, {c(9), c(10), c(11)}} << true;

    // OS/2 2.x: headers of 16 and 64 bytes, 4-byte entries.
    for (quint32 size : {16u, 64u}) {
        Layout os2 = four;
        os2.headerSize = size;
        QTest::addRow("OS/2 2.x, %u-byte header", size)
            << File(os2) << Pixels{{c(15), c(14), c(13)}, {c(0), c(1), c(2)}} << false;
    }

    Layout topDown = eight;
    topDown.height = -2;
    topDown.pixels = Rows({Bytes({1, 2, 3}), Bytes({4, 5, 6})});
    QTest::newRow("8 bits, top down")
        << File(topDown) << Pixels{{c(1), c(2), c(3)}, {c(4), c(5), c(6)}} << true;
}

void TestBmpDecode::indexedLayouts()
{
    QFETCH(QByteArray, file);
    QFETCH(Pixels, want);
    QFETCH(bool, qtReads);
    QImage frame;
    QCOMPARE(Open(file, &frame), DecodeResult::Ok);
    CheckFrame(frame, file, want, false, qtReads);
}

void TestBmpDecode::runLengthLayouts_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Pixels>("want");
    QTest::addColumn<bool>("qtReads");
    const auto c = [](int i) { return 0xFF000000u | kColors[i]; };
    const QRgb bg = c(0); // what the data leaves out: entry 0

    Layout rle8;
    rle8.width = 6;
    rle8.height = 3;
    rle8.bits = 8;
    rle8.compression = BI_RLE8;
    rle8.table = Quads(kColors);
    rle8.colorsUsed = 16;
    // Bottom row: a run of 3 of index 5, a literal of 3 (padded), end of
    // row. Middle row: delta right 2 and up 1 into the top row, run of 2 of
    // index 7, end of bitmap: the middle row and the rest are skipped.
    rle8.pixels = Bytes({3, 5, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 2, 1, 2, 7, 0, 1});
    rle8.imageSize = quint32(rle8.pixels.size());
    QTest::newRow("RLE8, delta and early end") << File(rle8)
                                               << Pixels{{bg, bg, c(7), c(7), bg, bg},
                                                         {bg, bg, bg, bg, bg, bg},
                                                         {c(5), c(5), c(5), c(1), c(2), c(3)}}
                                               << false;

    // A run past the row's end is cut, not wrapped; the data then just
    // stops (no end mark).
    Layout over = rle8;
    over.height = 2;
    over.pixels = Bytes({9, 4, 0, 0, 2, 6});
    over.imageSize = 0;
    QTest::newRow("RLE8, long run, data stops")
        << File(over) << Pixels{{c(6), c(6), bg, bg, bg, bg}, {c(4), c(4), c(4), c(4), c(4), c(4)}}
        << false;

    Layout rle4;
    rle4.width = 7;
    rle4.height = 2;
    rle4.bits = 4;
    rle4.compression = BI_RLE4;
    rle4.table = Quads(kColors);
    // Bottom: run of 4 alternating 1 and 2, literal of 3 (3, 4, 5), end of
    // row. Top: delta right 3, literal of 3 (9, 10, 11), end of bitmap.
    rle4.pixels = Bytes({4, 0x12, 0, 3, 0x34, 0x50, 0, 0, 0, 2, 3, 0, 0, 3, 0x9A, 0xB0, 0, 1});
    rle4.imageSize = quint32(rle4.pixels.size());
    QTest::newRow("RLE4, literals and delta")
        << File(rle4)
        << Pixels{{bg, bg, bg, c(9), c(10), c(11), bg}, {c(1), c(2), c(1), c(2), c(3), c(4), c(5)}}
        << false;

    // Every pixel given, by runs and literals of both kinds: Qt agrees.
    // (Where the data leaves pixels out, Qt 6.4 leaves some uninitialised.)
    Layout full8 = rle8;
    full8.width = 5;
    full8.height = 2;
    full8.pixels = Bytes({5, 9, 0, 0, 0, 5, 1, 2, 3, 4, 5, 0, 0, 0, 0, 1});
    full8.imageSize = quint32(full8.pixels.size());
    QTest::newRow("RLE8, every pixel")
        << File(full8) << Pixels{{c(1), c(2), c(3), c(4), c(5)}, {c(9), c(9), c(9), c(9), c(9)}}
        << true;
    Layout full4 = rle4;
    full4.width = 5;
    full4.height = 2;
    full4.pixels = Bytes({5, 0xAB, 0, 0, 0, 5, 0x12, 0x34, 0x50, 0, 0, 0, 0, 1});
    full4.imageSize = quint32(full4.pixels.size());
    QTest::newRow("RLE4, every pixel")
        << File(full4)
        << Pixels{{c(1), c(2), c(3), c(4), c(5)}, {c(10), c(11), c(10), c(11), c(10)}} << true;
}

void TestBmpDecode::runLengthLayouts()
{
    QFETCH(QByteArray, file);
    QFETCH(Pixels, want);
    QFETCH(bool, qtReads);
    QImage frame;
    QCOMPARE(Open(file, &frame), DecodeResult::Ok);
    CheckFrame(frame, file, want, false, qtReads);
}

void TestBmpDecode::directLayouts_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Pixels>("want");
    QTest::addColumn<bool>("alpha");
    QTest::addColumn<bool>("qtReads");

    Layout rgb555;
    rgb555.width = 3;
    rgb555.height = 1;
    rgb555.bits = 16;
    // 0x7FFF white; 0x7C00 red; 0x0421 is 1,1,1: 8 each.
    rgb555.pixels = Rows({Bytes({0xFF, 0x7F, 0x00, 0x7C, 0x21, 0x04})});
    // Qt widens 5 bits its own way.
    QTest::newRow("16 bits 5-5-5")
        << File(rgb555) << Pixels{{0xFFFFFFFF, 0xFFFF0000, 0xFF080808}} << false << false;

    Layout rgb565 = rgb555;
    rgb565.compression = BI_BITFIELDS;
    rgb565.masks = {0xF800, 0x07E0, 0x001F};
    // 0x07E0 green; 0x0841 is 1,2,1: 8, 8, 8; 0xFFFF white.
    rgb565.pixels = Rows({Bytes({0xE0, 0x07, 0x41, 0x08, 0xFF, 0xFF})});
    QTest::newRow("16 bits 5-6-5")
        << File(rgb565) << Pixels{{0xFF00FF00, 0xFF080808, 0xFFFFFFFF}} << false << false;

    // 4-4-4-4 with alpha, the masks after a 40-byte header.
    Layout argb4444 = rgb555;
    argb4444.compression = BI_ALPHABITFIELDS;
    argb4444.masks = {0x0F00, 0x00F0, 0x000F, 0xF000};
    argb4444.pixels = Rows({Bytes({0x21, 0x83, 0xFF, 0x0F, 0x00, 0xF0})});
    QTest::newRow("16 bits 4-4-4-4, ALPHABITFIELDS")
        << File(argb4444) << Pixels{{0x88332211, 0x00FFFFFF, 0xFF000000}} << true << false;

    Layout bgr24;
    bgr24.width = 2;
    bgr24.height = -2;
    bgr24.bits = 24;
    bgr24.pixels = Rows({Bytes({1, 2, 3, 4, 5, 6}), Bytes({0xFF, 0, 0x80, 0x10, 0x20, 0x30})});
    QTest::newRow("24 bits, top down")
        << File(bgr24) << Pixels{{0xFF030201, 0xFF060504}, {0xFF8000FF, 0xFF302010}} << false
        << true;

    // BI_RGB 32 bits: the fourth byte all zero is padding...
    Layout bgrx;
    bgrx.width = 2;
    bgrx.height = 1;
    bgrx.bits = 32;
    bgrx.pixels = Rows({Bytes({1, 2, 3, 0, 4, 5, 6, 0})});
    QTest::newRow("32 bits, fourth byte zero")
        << File(bgrx) << Pixels{{0xFF030201, 0xFF060504}} << false << true;
    // ... and alpha when any pixel has it non-zero.
    Layout bgra = bgrx;
    bgra.pixels = Rows({Bytes({1, 2, 3, 0, 4, 5, 6, 0x80})});
    QTest::newRow("32 bits, fourth byte used")
        << File(bgra) << Pixels{{0x00030201, 0x80060504}} << true << false;

    // Bit fields: masks after a 40-byte header, in a V3 and in a V5 header.
    Layout fields = bgrx;
    fields.compression = BI_BITFIELDS;
    fields.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
    QTest::newRow("32 bits, bit fields after the header")
        << File(fields) << Pixels{{0xFF010203, 0xFF040506}} << false << true;
    Layout v3 = bgrx;
    v3.headerSize = 56;
    v3.compression = BI_BITFIELDS;
    v3.masks = {0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF};
    v3.pixels = Rows({Bytes({0x40, 1, 2, 3, 0xFF, 4, 5, 6})});
    QTest::newRow("32 bits, V3 header with alpha")
        << File(v3) << Pixels{{0x40010203, 0xFF040506}} << true << false;
    Layout v5 = bgrx;
    v5.headerSize = 124;
    v5.compression = BI_BITFIELDS;
    v5.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    v5.pixels = Rows({Bytes({1, 2, 3, 0x7F, 4, 5, 6, 0})});
    QTest::newRow("32 bits, V5 header with alpha")
        << File(v5) << Pixels{{0x7F030201, 0x00060504}} << true << true;
    Layout v4NoAlpha = v5;
    v4NoAlpha.headerSize = 108;
    v4NoAlpha.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};
    QTest::newRow("32 bits, V4 header without alpha")
        << File(v4NoAlpha) << Pixels{{0xFF030201, 0xFF060504}} << false << true;
}

void TestBmpDecode::directLayouts()
{
    QFETCH(QByteArray, file);
    QFETCH(Pixels, want);
    QFETCH(bool, alpha);
    QFETCH(bool, qtReads);
    QImage frame;
    QCOMPARE(Open(file, &frame), DecodeResult::Ok);
    CheckFrame(frame, file, want, alpha, qtReads);
}

void TestBmpDecode::wideBitFieldsKeepTheirPrecision()
{
    // 10-10-10-2: channels wider than 8 bits open at 16 bits a channel.
    Layout l;
    l.width = 2;
    l.bits = 32;
    l.compression = BI_BITFIELDS;
    l.headerSize = 56;
    l.masks = {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000};
    const quint32 a = 0x3FFu << 20 | 0x001u << 10 | 0x200u | 2u << 30;
    const quint32 b = 0x155u << 20 | 0x3FFu << 10 | 0x000u | 3u << 30;
    QByteArray px;
    Put32(px, a);
    Put32(px, b);
    l.pixels = px;
    QImage frame;
    QCOMPARE(Open(File(l), &frame), DecodeResult::Ok);
    QCOMPARE(frame.format(), QImage::Format_RGBA64);
    // Widened by repeating the top bits: 10 bits v -> v << 6 | v >> 4.
    const auto w10 = [](quint32 v) { return quint16(v << 6 | v >> 4); };
    QCOMPARE(frame.pixelColor(0, 0).rgba64(),
             QRgba64::fromRgba64(0xFFFF, w10(1), w10(0x200), 0xAAAA));
    QCOMPARE(frame.pixelColor(1, 0).rgba64(), QRgba64::fromRgba64(w10(0x155), 0xFFFF, 0, 0xFFFF));
}

void TestBmpDecode::sixtyFourBitsFromLinearLight()
{
    // B, G, R, A as signed s2.13: out-of-range values clamp to 0..1.
    Layout l;
    l.width = 3;
    l.bits = 64;
    QByteArray px;
    for (int v : {8192, 0, 4096, 8192}) // blue 1, green 0, red 0.5 linear, opaque
        Put16(px, quint16(v));
    for (int v : {-100, 20000, 8192, 4096}) // clamp, clamp, 1, half alpha
        Put16(px, quint16(qint16(v)));
    for (int v : {0, 0, 0, 0})
        Put16(px, quint16(v));
    l.pixels = px;
    QImage frame;
    QCOMPARE(Open(File(l), &frame), DecodeResult::Ok);
    QCOMPARE(frame.format(), QImage::Format_RGBA64);
    // Linear 0.5 is sRGB 0.7354.
    const quint16 half = quint16(std::lround((1.055 * std::pow(0.5, 1 / 2.4) - 0.055) * 65535));
    QCOMPARE(frame.pixelColor(0, 0).rgba64(), QRgba64::fromRgba64(half, 0, 0xFFFF, 0xFFFF));
    QCOMPARE(frame.pixelColor(1, 0).rgba64(), QRgba64::fromRgba64(0xFFFF, 0xFFFF, 0, 32768));
    QCOMPARE(frame.pixelColor(2, 0).rgba64(), QRgba64::fromRgba64(0, 0, 0, 0));

    // Our own writer's 64-bit files of an opaque picture open opaque and come
    // back to every 8-bit value.
    QImage source(256, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 256; ++x)
            source.setPixel(x, y, qRgb(x, y == 0 ? x : 255 - x, y == 2 ? x : 0));
    source.setDotsPerMeterX(5906);
    source.setDotsPerMeterY(3780);
    for (BmpFormat format : {BmpFormat::Argb64, BmpFormat::Pargb64}) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        QVERIFY(WriteBmp(source, format, 150, 96, buffer));
        QCOMPARE(Open(bytes, &frame), DecodeResult::Ok);
        QCOMPARE(frame.format(), QImage::Format_RGBX64);
        QCOMPARE(frame.convertToFormat(QImage::Format_RGB32), source);
        QCOMPARE(frame.dotsPerMeterX(), BmpPixelsPerMetre(150));
        QCOMPARE(frame.dotsPerMeterY(), BmpPixelsPerMetre(96));
    }
}

void TestBmpDecode::embeddedPngAndJpeg()
{
    QImage picture(13, 9, QImage::Format_ARGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgba(x * 19, y * 27, 200 - x * 5, 255 - x * 10));
    for (const char* kind : {"PNG", "JPEG"}) {
        const bool png = qstrcmp(kind, "PNG") == 0;
        QByteArray stream;
        QBuffer buffer(&stream);
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        const QImage stored = png ? picture : picture.convertToFormat(QImage::Format_RGB32);
        QVERIFY(stored.save(&buffer, kind, 95));
        Layout l;
        l.width = picture.width();
        l.height = picture.height();
        l.bits = 0;
        l.compression = png ? BI_PNG : BI_JPEG;
        l.imageSize = quint32(stream.size());
        l.ppm = 3937;
        l.pixels = stream;
        QImage frame;
        QCOMPARE(Open(File(l), &frame), DecodeResult::Ok);
        const QImage expected = QImage::fromData(stream, kind);
        QCOMPARE(frame.convertToFormat(QImage::Format_ARGB32),
                 expected.convertToFormat(QImage::Format_ARGB32));
        if (png)
            QCOMPARE(frame.convertToFormat(QImage::Format_ARGB32), picture);
        QCOMPARE(frame.dotsPerMeterX(), 3937);

        // Data that is not what the header says it is.
        l.pixels = QByteArray(40, 'x');
        l.imageSize = 40;
        QCOMPARE(Open(File(l), &frame), DecodeResult::Unreadable);
    }
}

void TestBmpDecode::resolutionCarriesOver()
{
    Layout l;
    l.width = 1;
    l.ppm = 11811; // 300 dpi
    l.pixels = Rows({Bytes({1, 2, 3})});
    QImage frame;
    QCOMPARE(Open(File(l), &frame), DecodeResult::Ok);
    QCOMPARE(frame.dotsPerMeterX(), 11811);
    QCOMPARE(frame.dotsPerMeterY(), 11811);
    // No resolution in the file: the picture keeps Qt's default, as before.
    l.ppm = 0;
    QCOMPARE(Open(File(l), &frame), DecodeResult::Ok);
    QCOMPARE(frame.dotsPerMeterX(), QImage(1, 1, QImage::Format_RGB32).dotsPerMeterX());
}

void TestBmpDecode::brokenFilesAreRefused_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("result");
    const int unreadable = int(DecodeResult::Unreadable);
    const int tooLarge = int(DecodeResult::TooLarge);

    Layout good;
    good.width = 2;
    good.height = 2;
    good.pixels = QByteArray(16, '\x7F');

    QTest::newRow("signature only") << QByteArray("BM") << unreadable;
    QTest::newRow("file header only") << File(good).left(14) << unreadable;
    QTest::newRow("cut inside the header") << File(good).left(30) << unreadable;
    Layout l = good;
    l.headerSize = 100;
    QTest::newRow("header of no known size") << File(l) << unreadable;
    l = good;
    l.width = 0;
    QTest::newRow("width 0") << File(l) << unreadable;
    l = good;
    l.width = -5;
    QTest::newRow("negative width") << File(l) << unreadable;
    l = good;
    l.height = 0;
    QTest::newRow("height 0") << File(l) << unreadable;
    l = good;
    l.bits = 7;
    QTest::newRow("7 bits") << File(l) << unreadable;
    l = good;
    l.bits = 0;
    QTest::newRow("0 bits, not embedded") << File(l) << unreadable;
    l = good;
    l.compression = 9;
    QTest::newRow("unknown compression") << File(l) << unreadable;
    l = good;
    l.compression = BI_CMYK;
    QTest::newRow("CMYK") << File(l) << unreadable;
    l = good;
    l.compression = BI_RLE8;
    QTest::newRow("RLE8 at 24 bits") << File(l) << unreadable;
    l = good;
    l.bits = 8;
    l.compression = BI_RLE8;
    l.height = -2;
    QTest::newRow("RLE top down") << File(l) << unreadable;
    l = good;
    l.headerSize = 64;
    l.bits = 1;
    l.compression = 3;
    QTest::newRow("OS/2 Huffman") << File(l) << unreadable;
    l = good;
    l.bits = 16;
    l.compression = BI_BITFIELDS;
    l.masks = {0xF00F, 0x00F0, 0x0F00};
    QTest::newRow("mask with a gap") << File(l) << unreadable;
    l.masks = {0xF800, 0x0FE0, 0x001F};
    QTest::newRow("masks overlap") << File(l) << unreadable;
    l.masks = {0xF8000, 0x07E0, 0x001F};
    QTest::newRow("mask beyond the pixel") << File(l) << unreadable;
    l = good;
    l.bits = 24;
    l.compression = BI_BITFIELDS;
    l.masks = {0xFF0000, 0xFF00, 0xFF};
    QTest::newRow("bit fields at 24 bits") << File(l) << unreadable;
    l = good;
    l.pixelOffset = 4000;
    QTest::newRow("pixel data after the end") << File(l).left(60) << unreadable;
    l = good;
    l.pixelOffset = 20;
    QTest::newRow("pixel data inside the header") << File(l) << unreadable;
    l = good;
    l.pixels.clear();
    QTest::newRow("no pixel data") << File(l) << unreadable;

    l = good;
    l.width = 0x7FFFFFFF;
    l.height = 0x7FFFFFFF;
    QTest::newRow("huge") << File(l) << tooLarge;
    l.height = INT32_MIN;
    l.width = 1;
    QTest::newRow("height -2^31") << File(l) << tooLarge;
    l = good;
    l.bits = 8;
    l.compression = BI_RLE8;
    l.width = 60000;
    l.height = 60000;
    l.pixels = Bytes({0, 1});
    QTest::newRow("run-length data for a huge picture") << File(l) << tooLarge;
}

void TestBmpDecode::brokenFilesAreRefused()
{
    QFETCH(QByteArray, file);
    QFETCH(int, result);
    QImage frame;
    QCOMPARE(int(Open(file, &frame)), result);
    QVERIFY(frame.isNull());
}

void TestBmpDecode::cutShortFilesOpenSafely()
{
    // Bytes the file lacks read as zero: black here. Cut inside the middle
    // row, after the blue byte of its second pixel.
    Layout l;
    l.width = 2;
    l.height = 3;
    l.pixels = Rows(
        {Bytes({1, 2, 3, 4, 5, 6}), Bytes({7, 8, 9, 10, 11, 12}), Bytes({13, 14, 15, 16, 17, 18})});
    QImage frame;
    QCOMPARE(Open(File(l).chopped(8 + 4), &frame), DecodeResult::Ok);
    const Pixels want = {
        {0xFF000000, 0xFF000000}, {0xFF090807, 0xFF00000A}, {0xFF030201, 0xFF060504}};
    QVERIFY2(Describe(frame, want).isEmpty(), qPrintable(Describe(frame, want)));

    // Run-length data that ends inside a literal, or moves beyond the
    // picture, paints what it has and leaves the rest at entry 0.
    Layout rle;
    rle.width = 4;
    rle.height = 2;
    rle.bits = 8;
    rle.compression = BI_RLE8;
    rle.table = Quads(kColors);
    for (const QByteArray& data : {Bytes({0, 6, 1, 2}), Bytes({0, 2, 200, 200, 3, 1}),
                                   Bytes({255, 3, 0, 2}), Bytes({0, 2})}) {
        rle.pixels = data;
        rle.imageSize = 4000; // more than there is
        QCOMPARE(Open(File(rle), &frame), DecodeResult::Ok);
        QCOMPARE(frame.size(), QSize(4, 2));
        QCOMPARE(frame.pixel(0, 0), 0xFF000000u | kColors[0]);
    }
}

void TestBmpDecode::everyPrefixOfAFileIsSafe()
{
    // Every layout cut at every length: refused or opened, never more.
    QList<QByteArray> files;
    Layout indexed;
    indexed.width = 5;
    indexed.height = 3;
    indexed.bits = 4;
    indexed.table = Quads(kColors);
    indexed.pixels = QByteArray(12, '\x35');
    files << File(indexed);
    Layout fields;
    fields.width = 3;
    fields.height = 2;
    fields.bits = 16;
    fields.compression = BI_ALPHABITFIELDS;
    fields.masks = {0x0F00, 0x00F0, 0x000F, 0xF000};
    fields.pixels = QByteArray(16, '\x5A');
    files << File(fields);
    Layout wide;
    wide.width = 3;
    wide.height = 2;
    wide.bits = 64;
    wide.pixels = QByteArray(48, '\x11');
    files << File(wide);
    Layout rle;
    rle.width = 5;
    rle.height = 3;
    rle.bits = 4;
    rle.compression = BI_RLE4;
    rle.table = Quads(kColors);
    rle.pixels = Bytes({3, 0x12, 0, 5, 0x12, 0x34, 0x50, 0, 0, 0, 2, 1, 1, 2, 0x77, 0, 1});
    files << File(rle);
    for (const QByteArray& file : files) {
        for (qsizetype length = 0; length <= file.size(); ++length) {
            QImage image;
            const DecodeResult result = DecodeBmpBytes(file.left(length), &image);
            QVERIFY(result == DecodeResult::Ok || result == DecodeResult::Unreadable);
            QCOMPARE(image.isNull(), result != DecodeResult::Ok);
        }
    }
}

void TestBmpDecode::otherPicturesStillGoThroughQt()
{
    QImage picture(5, 4, QImage::Format_RGB32);
    picture.fill(qRgb(10, 20, 30));
    QByteArray png;
    QBuffer buffer(&png);
    QVERIFY(buffer.open(QIODevice::WriteOnly));
    QVERIFY(picture.save(&buffer, "PNG"));
    const QString path = m_dir.filePath(QStringLiteral("picture.bmp"));
    QVERIFY(WriteTestFile(path, png));
    PhotoDecoder decoder;
    QCOMPARE(decoder.Open(path), DecodeResult::Ok);
    QCOMPARE(decoder.Info().format, QByteArray("png"));
    QCOMPARE(decoder.Frame().convertToFormat(QImage::Format_RGB32), picture);
}

QTEST_MAIN(TestBmpDecode)
#include "test_bmp_decode.moc"
