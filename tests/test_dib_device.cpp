// Blocks to device bitmaps: every supported pixel layout, the refusals, and
// run-length data, well-formed and not.
#include "dib/CMyBitMap.h"
#include "support/DibBytes.h"

#include <QTest>

using namespace dibbytes;

namespace {

// Table of the run-length cases: entry i is 0x0A0000 + i, so that the
// index of every pixel can be read back, and entry 0 is not black.
constexpr int kRleColors = 10;
QByteArray RleTable()
{
    QList<quint32> colors;
    for (int i = 0; i < kRleColors; ++i)
        colors.append(0x0A0000u + quint32(i));
    return Quads(colors);
}

// Rows from the top, one character a pixel: a digit is that table entry,
// 'k' is black.
QList<quint32> Expected(const QStringList& rows)
{
    QList<quint32> pixels;
    for (const QString& row : rows)
        for (QChar c : row)
            pixels.append(c == u'k' ? 0u : 0x0A0000u + quint32(c.digitValue()));
    return pixels;
}

} // namespace

class TestDibDevice : public QObject
{
    Q_OBJECT

private slots:
    void decodesLayouts_data();
    void decodesLayouts();
    void refuses_data();
    void refuses();
    void waitCursorAroundEveryCall();
    void decodesRle8_data();
    void decodesRle8();
    void decodesRle4_data();
    void decodesRle4();
};

void TestDibDevice::decodesLayouts_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QList<quint32>>("pixels"); // rows from the top

    // Rows are stored bottom-up unless the height is negative; each row is
    // padded to four bytes.
    QTest::newRow("1 bit") << InfoHeader({.width = 10, .height = 2, .bits = 1}) +
                                  Quads({0x0000FF, 0xFF0000}) +
                                  QByteArray("\xA0\x40\0\0\x5F\xC0\0\0", 8)
                           << 10 << 2
                           << QList<quint32>{0x0000FF, 0xFF0000, 0x0000FF, 0xFF0000, 0xFF0000,
                                             0xFF0000, 0xFF0000, 0xFF0000, 0xFF0000, 0xFF0000,
                                             0xFF0000, 0x0000FF, 0xFF0000, 0x0000FF, 0x0000FF,
                                             0x0000FF, 0x0000FF, 0x0000FF, 0x0000FF, 0xFF0000};
    // Three colours used: index 7 lies beyond the table and shows black.
    QTest::newRow("4 bits") << InfoHeader({.width = 3, .height = 1, .bits = 4, .colorsUsed = 3}) +
                                   Quads({0x111111, 0x222222, 0x333333}) +
                                   QByteArray("\x21\x70\0\0", 4)
                            << 3 << 1 << QList<quint32>{0x333333, 0x222222, 0};
    QTest::newRow("8 bits") << InfoHeader({.width = 3, .height = 2, .bits = 8, .colorsUsed = 2}) +
                                   Quads({0x102030, 0x405060}) + QByteArray("\1\0\1\0\0\xC8\0\0", 8)
                            << 3 << 2
                            << QList<quint32>{0x102030, 0, 0x102030, 0x405060, 0x102030, 0x405060};
    // 5-5-5: the top bits repeat into the low ones, so 31 becomes 255.
    QTest::newRow("16 bits 5-5-5")
        << InfoHeader({.width = 4, .height = 1, .bits = 16}) +
               QByteArray("\x00\x7C\xE0\x03\x1F\x00\x10\x42", 8)
        << 4 << 1 << QList<quint32>{0xFF0000, 0x00FF00, 0x0000FF, 0x848484};
    QTest::newRow("16 bits 5-6-5 bit fields")
        << InfoHeader({.width = 4, .height = 1, .bits = 16, .compression = BI_BITFIELDS}) +
               QByteArray("\x00\xF8\xE0\x07\x1F\x00\x41\x08", 8)
        << 4 << 1 << QList<quint32>{0xFF0000, 0x00FF00, 0x0000FF, 0x080808};
    QTest::newRow("24 bits bottom-up")
        << InfoHeader({.width = 2, .height = 2, .bits = 24}) +
               QByteArray("\1\2\3\4\5\6\0\0\7\x8\x9\xA\xB\xC\0\0", 16)
        << 2 << 2 << QList<quint32>{0x090807, 0x0C0B0A, 0x030201, 0x060504};
    QTest::newRow("24 bits top-down")
        << InfoHeader({.width = 2, .height = -2, .bits = 24}) +
               QByteArray("\1\2\3\4\5\6\0\0\7\x8\x9\xA\xB\xC\0\0", 16)
        << 2 << 2 << QList<quint32>{0x030201, 0x060504, 0x090807, 0x0C0B0A};
    QTest::newRow("32 bits, fourth byte ignored")
        << InfoHeader({.width = 2, .height = 1, .bits = 32}) + QByteArray("\1\2\3\xFF\4\5\6\x80", 8)
        << 2 << 1 << QList<quint32>{0x030201, 0x060504};
    QTest::newRow("32 bits bit fields")
        << InfoHeader({.width = 2, .height = 1, .bits = 32, .compression = BI_BITFIELDS}) +
               QByteArray("\1\2\3\xFF\4\5\6\x80", 8)
        << 2 << 1 << QList<quint32>{0x030201, 0x060504};
    // More than enough bytes is fine.
    QTest::newRow("spare bytes") << InfoHeader({.width = 1, .height = 1, .bits = 24}) +
                                        QByteArray("\x10\x20\x30\0GARBAGE", 11)
                                 << 1 << 1 << QList<quint32>{0x302010};
}

void TestDibDevice::decodesLayouts()
{
    QFETCH(QByteArray, block);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QList<quint32>, pixels);
    CMyBitMap dib;
    const HDIB dibBlock = BlockFrom(block);
    const HBITMAP bitmap = dib.ToDeviceBitmap(dibBlock.get(), nullptr);
    QVERIFY(bitmap);
    QCOMPARE(bitmap->Width(), width);
    QCOMPARE(bitmap->Height(), height);
    QCOMPARE(PixelsOf(*bitmap), pixels);
    QCOMPARE(BytesOf(*dibBlock), block); // the block is left as it was
}

void TestDibDevice::refuses_data()
{
    QTest::addColumn<QByteArray>("block");
    const QByteArray plenty(64, '\0');
    QTest::newRow("2 bits") << InfoHeader({.bits = 2}) + Quads({0, 0, 0, 0}) + plenty;
    QTest::newRow("0 bits") << InfoHeader({.bits = 0}) + plenty;
    QTest::newRow("64 bits") << InfoHeader({.bits = 64}) + plenty;
    QTest::newRow("JPEG") << InfoHeader({.bits = 24, .compression = 4}) + plenty;
    QTest::newRow("PNG") << InfoHeader({.bits = 24, .compression = 5}) + plenty;
    QTest::newRow("RLE8 at 4 bits")
        << InfoHeader({.bits = 4, .compression = BI_RLE8}) + QByteArray(64, '\0') + plenty;
    QTest::newRow("RLE4 at 8 bits")
        << InfoHeader({.bits = 8, .compression = BI_RLE4}) + QByteArray(1024, '\0') + plenty;
    QTest::newRow("bit fields at 24 bits")
        << InfoHeader({.bits = 24, .compression = BI_BITFIELDS}) + plenty;
    QTest::newRow("zero width") << InfoHeader({.width = 0, .bits = 24}) + plenty;
    QTest::newRow("negative width") << InfoHeader({.width = -3, .bits = 24}) + plenty;
    QTest::newRow("zero height") << InfoHeader({.height = 0, .bits = 24}) + plenty;
    QTest::newRow("most negative height") << InfoHeader({.height = INT_MIN, .bits = 24}) + plenty;
    QTest::newRow("one pixel byte short")
        << InfoHeader({.width = 3, .height = 2, .bits = 24}) + QByteArray(23, '\0');
    QTest::newRow("table beyond the block") << InfoHeader({.bits = 8}) + QByteArray(1000, '\0');
    QTest::newRow("short header in memory") << CoreHeader(1, 1, 24) + plenty;
    QTest::newRow("less than a header") << InfoHeader({.bits = 24}).left(39);
    // Above 2^31 pixels, refused before anything is allocated.
    QTest::newRow("too many pixels") << InfoHeader({.width = 65536,
                                                    .height = 32769,
                                                    .bits = 8,
                                                    .compression = BI_RLE8,
                                                    .imageSize = 2,
                                                    .colorsUsed = 1}) +
                                            Quads({0}) + QByteArray("\0\1", 2);
    QTest::newRow("too many pixels top-down") << InfoHeader({.width = 65536,
                                                             .height = -32769,
                                                             .bits = 4,
                                                             .compression = BI_RLE4,
                                                             .imageSize = 2,
                                                             .colorsUsed = 1}) +
                                                     Quads({0}) + QByteArray("\0\1", 2);
}

void TestDibDevice::refuses()
{
    QFETCH(QByteArray, block);
    CMyBitMap dib;
    const HDIB dibBlock = BlockFrom(block);
    QVERIFY(!dib.ToDeviceBitmap(dibBlock.get(), nullptr));
}

void TestDibDevice::waitCursorAroundEveryCall()
{
    QStringList calls;
    CMyBitMap::Platform platform;
    platform.beginWait = [&] { calls.append("begin"); };
    platform.endWait = [&] { calls.append("end"); };
    CMyBitMap dib(platform);
    QVERIFY(!dib.ToDeviceBitmap(nullptr, nullptr));
    QCOMPARE(calls, (QStringList{"begin", "end"}));

    const HDIB bad = BlockFrom(InfoHeader({.bits = 2}));
    QVERIFY(!dib.ToDeviceBitmap(bad.get(), nullptr));
    const HDIB good = BlockFrom(InfoHeader({.bits = 24}) + QByteArray(4, '\0'));
    const DevicePalette palette({{1, 2, 3, 0}});
    QVERIFY(dib.ToDeviceBitmap(good.get(), &palette));
    QCOMPARE(calls, (QStringList{"begin", "end", "begin", "end", "begin", "end"}));
}

void TestDibDevice::decodesRle8_data()
{
    QTest::addColumn<int>("height"); // negative: rows from the top
    QTest::addColumn<quint32>("imageSize");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("rows"); // from the top; width 6

    // Bottom row first in the data. Pixels the data leaves out keep entry 0.
    QTest::newRow("runs, end of row, end of bitmap")
        << 3 << 0u << QByteArray("\3\1\3\2\0\0\6\3\0\0\2\4\0\1", 14)
        << QStringList{"440000", "333333", "111222"};
    QTest::newRow("literal run, padded") << 3 << 0u << QByteArray("\0\3\5\6\7\0\1\x8\0\1", 10)
                                         << QStringList{"000000", "000000", "567800"};
    QTest::newRow("literal run, even") << 3 << 0u << QByteArray("\0\4\1\2\3\4\2\5\0\1", 10)
                                       << QStringList{"000000", "000000", "123455"};
    QTest::newRow("move right and up") << 3 << 0u << QByteArray("\2\1\0\2\2\1\2\3\0\1", 10)
                                       << QStringList{"000000", "000033", "110000"};
    QTest::newRow("index beyond the table is black")
        << 3 << 0u << QByteArray("\2\x9\2\xC8\0\1", 6) << QStringList{"000000", "000000", "99kk00"};
    QTest::newRow("top-down rows") << -3 << 0u << QByteArray("\2\1\0\0\2\2\0\1", 8)
                                   << QStringList{"110000", "220000", "000000"};
    // Malformed: nothing goes beyond the bitmap or the data.
    QTest::newRow("run past the row end does not wrap")
        << 3 << 0u << QByteArray("\x8\5\0\0\1\6\0\1", 8)
        << QStringList{"000000", "600000", "555555"};
    QTest::newRow("literal past the row end") << 3 << 0u << QByteArray("\5\1\0\3\7\x8\x9\0\0\1", 10)
                                              << QStringList{"000000", "000000", "111117"};
    QTest::newRow("move far right, then paint")
        << 3 << 0u << QByteArray("\0\2\xFF\0\xFF\1\0\0\1\2\0\1", 12)
        << QStringList{"000000", "200000", "000000"};
    QTest::newRow("move beyond the top stops") << 3 << 0u << QByteArray("\1\1\0\2\0\x9\1\2", 8)
                                               << QStringList{"000000", "000000", "100000"};
    QTest::newRow("rows beyond the top are ignored")
        << 3 << 0u << QByteArray("\6\1\0\0\6\2\0\0\6\3\0\0\6\4\0\0", 16)
        << QStringList{"333333", "222222", "111111"};
    QTest::newRow("no end mark") << 3 << 0u << QByteArray("\2\1", 2)
                                 << QStringList{"000000", "000000", "110000"};
    QTest::newRow("data ends inside a literal run")
        << 3 << 0u << QByteArray("\0\5\1\2", 4) << QStringList{"000000", "000000", "120000"};
    QTest::newRow("odd last byte")
        << 3 << 0u << QByteArray("\2\1\5", 3) << QStringList{"000000", "000000", "110000"};
    QTest::newRow("move without its bytes")
        << 3 << 0u << QByteArray("\1\1\0\2\5", 5) << QStringList{"000000", "000000", "100000"};
    QTest::newRow("no data") << 3 << 0u << QByteArray()
                             << QStringList{"000000", "000000", "000000"};
    // The header's image size bounds the data when it is smaller.
    QTest::newRow("image size ends the data")
        << 3 << 2u << QByteArray("\2\1\2\2", 4) << QStringList{"000000", "000000", "110000"};
}

void TestDibDevice::decodesRle8()
{
    QFETCH(int, height);
    QFETCH(quint32, imageSize);
    QFETCH(QByteArray, data);
    QFETCH(QStringList, rows);
    const HDIB block = BlockFrom(InfoHeader({.width = 6,
                                             .height = height,
                                             .bits = 8,
                                             .compression = BI_RLE8,
                                             .imageSize = imageSize,
                                             .colorsUsed = kRleColors}) +
                                 RleTable() + data);
    CMyBitMap dib;
    const HBITMAP bitmap = dib.ToDeviceBitmap(block.get(), nullptr);
    QVERIFY(bitmap);
    QCOMPARE(bitmap->Width(), 6);
    QCOMPARE(bitmap->Height(), std::abs(height));
    QCOMPARE(PixelsOf(*bitmap), Expected(rows));
}

void TestDibDevice::decodesRle4_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("rows"); // from the top; width 6, height 2

    QTest::newRow("run of two alternating colours")
        << QByteArray("\5\x12\0\1", 4) << QStringList{"000000", "121210"};
    QTest::newRow("literal run, padded")
        << QByteArray("\0\5\x34\x56\x70\0\1\x88\0\1", 10) << QStringList{"000000", "345678"};
    QTest::newRow("literal run, even")
        << QByteArray("\0\4\x12\x34\2\x55\0\1", 8) << QStringList{"000000", "123455"};
    QTest::newRow("move right and up")
        << QByteArray("\1\x11\0\2\3\1\2\x22\0\1", 10) << QStringList{"000022", "100000"};
    QTest::newRow("index beyond the table is black")
        << QByteArray("\2\xF1\0\1", 4) << QStringList{"000000", "k10000"};
    QTest::newRow("run past the row end")
        << QByteArray("\x9\x12\0\0\1\x30", 6) << QStringList{"300000", "121212"};
    QTest::newRow("literal past the row end")
        << QByteArray("\4\x11\0\3\x23\x40\0\1", 8) << QStringList{"000000", "111123"};
    QTest::newRow("data ends inside a literal run")
        << QByteArray("\0\5\x12", 3) << QStringList{"000000", "120000"};
}

void TestDibDevice::decodesRle4()
{
    QFETCH(QByteArray, data);
    QFETCH(QStringList, rows);
    const HDIB block = BlockFrom(InfoHeader({.width = 6,
                                             .height = 2,
                                             .bits = 4,
                                             .compression = BI_RLE4,
                                             .colorsUsed = kRleColors}) +
                                 RleTable() + data);
    CMyBitMap dib;
    const HBITMAP bitmap = dib.ToDeviceBitmap(block.get(), nullptr);
    QVERIFY(bitmap);
    QCOMPARE(PixelsOf(*bitmap), Expected(rows));
}

QTEST_GUILESS_MAIN(TestDibDevice)
#include "test_dib_device.moc"
