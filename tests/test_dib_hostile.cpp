// Broken and hostile bitmap files: each is refused, or loaded zero-filled,
// without a crash, an overrun or a large allocation.
#include "dib/CMyBitMap.h"
#include "support/DibBytes.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QTest>

#include <climits>
#include <cstdlib>
#include <sys/resource.h>

using namespace dibbytes;

namespace {

long PeakResidentKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

QByteArray Bmp(const Info& info, const QByteArray& table, const QByteArray& pixels)
{
    return BitmapFile(InfoHeader(info) + table, pixels);
}

// Everything a caller may do with a loaded block. Checks what must hold of
// any block the reader hands out. A run-length header may rightly ask for a
// bitmap of up to 2^31 pixels from a few bytes; where that is not what is
// being tested, maxPixels skips the decoding of such.
void Exercise(CMyBitMap& dib, const MemoryBlock& block, bool& decoded,
              std::uint64_t maxPixels = UINT64_MAX)
{
    BITMAPINFOHEADER header;
    QCOMPARE(dib.QueryHeader(&block, &header), 1);
    QCOMPARE(header.biSize, 40u);
    QCOMPARE(block.Size(),
             40 + std::size_t(dib.ColorTableBytes(block.Data())) + header.biSizeImage);
    (void)dib.PaletteFromBlock(&block);
    const std::uint64_t pixels = std::uint64_t(std::abs(std::int64_t(header.biWidth))) *
                                 std::abs(std::int64_t(header.biHeight));
    decoded = false;
    if (pixels > maxPixels)
        return;
    const HBITMAP bitmap = dib.ToDeviceBitmap(&block, nullptr);
    decoded = bool(bitmap);
    if (!bitmap)
        return;
    for (quint16 bits : {1, 4, 8, 24})
        QVERIFY(dib.FromDeviceBitmap(bitmap.get(), BI_RGB, bits, nullptr));
}

} // namespace

class TestDibHostile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void files_data();
    void files();
    void everyTruncation();
    void noLargeAllocations();
    void everyByteChanged();

private:
    QTemporaryDir m_dir;
    long m_peakAtStart = 0;
};

void TestDibHostile::initTestCase()
{
    m_peakAtStart = PeakResidentKiB();
}

void TestDibHostile::files_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("loads");
    QTest::addColumn<bool>("decodes");

    const QByteArray gray2 = Quads({0x000000, 0xFFFFFF});
    const quint32 gigabytes = 0xC0000000;

    QTest::newRow("empty") << QByteArray() << false << false;
    QTest::newRow("file header only") << FileHeader(14, 54) << false << false;
    QTest::newRow("header cut at 30 bytes")
        << FileHeader(100, 54) + InfoHeader({}).left(30) << false << false;
    QTest::newRow("text") << QByteArray("BMP files start with BM, this one has no header at all")
                          << false << false;

    QTest::newRow("zero width, size computed")
        << Bmp({.width = 0}, {}, QByteArray(4, '\0')) << false << false;
    QTest::newRow("zero width, size given")
        << Bmp({.width = 0, .imageSize = 4}, {}, QByteArray(4, '\0')) << true << false;
    QTest::newRow("negative width, size computed")
        << Bmp({.width = -5}, {}, QByteArray(4, '\0')) << false << false;
    QTest::newRow("negative width, size given")
        << Bmp({.width = INT_MIN, .imageSize = 4}, {}, QByteArray(4, '\0')) << true << false;
    QTest::newRow("zero height") << Bmp({.height = 0}, {}, {}) << true << false;
    QTest::newRow("most negative height, size computed")
        << Bmp({.height = INT_MIN}, {}, QByteArray(4, '\0')) << false << false;
    QTest::newRow("most negative height, size given")
        << Bmp({.height = INT_MIN, .imageSize = 4}, {}, QByteArray(4, '\0')) << true << false;
    QTest::newRow("huge width and height")
        << Bmp({.width = INT_MAX, .height = INT_MAX}, {}, QByteArray(4, '\0')) << false << false;
    QTest::newRow("stride overflows 32 bits")
        << Bmp({.width = 0x40000000, .height = 1, .bits = 32}, {}, {}) << false << false;
    QTest::newRow("stride times height overflows")
        << Bmp({.width = 65536, .height = 65537, .bits = 8}, {}, {}) << false << false;
    QTest::newRow("huge size, both dimensions small")
        << Bmp({.width = 2, .height = 2, .imageSize = 0xFFFFFFFF}, {}, QByteArray(16, '\0'))
        << false << false;

    QTest::newRow("gigabytes claimed in 100 bytes")
        << Bmp({.width = 1, .height = 1, .imageSize = gigabytes}, {}, QByteArray(46, '\0')) << false
        << false;
    QTest::newRow("gigabytes computed in 100 bytes")
        << Bmp({.width = 30000, .height = 30000}, {}, QByteArray(46, '\0')) << false << false;
    QTest::newRow("core header, gigabytes computed")
        << BitmapFile(CoreHeader(65535, 65535, 24) + QByteArray(40, '\0'), {}) << false << false;
    QTest::newRow("core header, 1 bit, hundreds of megabytes")
        << BitmapFile(CoreHeader(65535, 65535, 1) + QByteArray(40, '\0'), {}) << false << false;
    // Up to 16 MiB missing is a short file, loaded zero-filled; more is not.
    QTest::newRow("16 MiB missing")
        << Bmp({.width = 4, .height = 1, .imageSize = (16u << 20) + 16}, {}, QByteArray(16, '\x7F'))
        << true << true;
    QTest::newRow("16 MiB and a byte missing")
        << Bmp({.width = 4, .height = 1, .imageSize = (16u << 20) + 17}, {}, QByteArray(16, '\x7F'))
        << false << false;

    QTest::newRow("colours used 0xFFFF")
        << Bmp({.width = 2, .height = 2, .bits = 8, .colorsUsed = 0xFFFF}, gray2, QByteArray(8, 1))
        << false << false;
    QTest::newRow("colours used 16383, table missing")
        << Bmp({.width = 2, .height = 2, .bits = 8, .colorsUsed = 16383}, gray2, QByteArray(8, 1))
        << true << true;
    QTest::newRow("colours used 0xFFFFFFFF")
        << Bmp({.width = 2, .height = 2, .bits = 8, .colorsUsed = 0xFFFFFFFF}, gray2,
               QByteArray(8, 1))
        << false << false;

    QTest::newRow("pixel offset beyond the end")
        << FileHeader(62, 0x7FFFFFF0) + InfoHeader({.width = 2, .height = 2, .bits = 1}) + gray2
        << true << true;
    QTest::newRow("pixel offset inside the header")
        << FileHeader(70, 2) + InfoHeader({.width = 2, .height = 2, .bits = 1}) + gray2 +
               QByteArray(8, '\xFF')
        << true << true;
    QTest::newRow("pixel offset at the largest value")
        << FileHeader(70, 0xFFFFFFFF) + InfoHeader({.width = 2, .height = 2, .bits = 1}) + gray2
        << true << true;

    QTest::newRow("0 bits per pixel") << Bmp({.bits = 0}, {}, QByteArray(4, '\0')) << true << false;
    QTest::newRow("65535 bits per pixel")
        << Bmp({.bits = 65535}, {}, QByteArray(4, '\0')) << true << false;
    QTest::newRow("no planes") << Bmp({.planes = 0}, {}, QByteArray(4, '\0')) << true << true;
    QTest::newRow("unknown compression")
        << Bmp({.compression = 99}, {}, QByteArray(4, '\0')) << true << false;

    QTest::newRow("RLE8 claiming 2^31 pixels and more") << Bmp({.width = 65536,
                                                                .height = 65536,
                                                                .bits = 8,
                                                                .compression = BI_RLE8,
                                                                .imageSize = 4,
                                                                .colorsUsed = 2},
                                                               gray2, QByteArray("\xFF\1\0\1", 4))
                                                        << true << false;
    QTest::newRow("RLE8 running off every edge")
        << Bmp({.width = 3,
                .height = 2,
                .bits = 8,
                .compression = BI_RLE8,
                .imageSize = 18,
                .colorsUsed = 2},
               gray2, QByteArray("\xFF\1\0\2\xFF\xFF\0\xFF\1\2\3\0\0\0\0\0\0\0", 18))
        << true << true;
    QTest::newRow("RLE4 literal longer than the data") << Bmp({.width = 3,
                                                               .height = 2,
                                                               .bits = 4,
                                                               .compression = BI_RLE4,
                                                               .imageSize = 3,
                                                               .colorsUsed = 2},
                                                              gray2, QByteArray("\0\xFF\x11", 3))
                                                       << true << true;
    QTest::newRow("RLE8, top-down") << Bmp({.width = 3,
                                            .height = -2,
                                            .bits = 8,
                                            .compression = BI_RLE8,
                                            .imageSize = 4,
                                            .colorsUsed = 2},
                                           gray2, QByteArray("\3\1\0\1", 4))
                                    << true << true;
}

void TestDibHostile::files()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, loads);
    QFETCH(bool, decodes);
    const QString path = m_dir.filePath(QString::fromUtf8(QTest::currentDataTag()) + ".bmp");
    QVERIFY(WriteTestFile(path, bytes));
    CMyBitMap dib;
    const HDIB block = dib.LoadFile(U16(path));
    QCOMPARE(bool(block), loads);
    if (!block)
        return;
    bool decoded = false;
    Exercise(dib, *block, decoded);
    QCOMPARE(decoded, decodes);
}

void TestDibHostile::everyTruncation()
{
    // A file with a core header, and one with run-length data, cut at every
    // length: whatever loads is consistent and decodes without harm.
    QByteArray triples;
    for (int i = 0; i < 16; ++i)
        triples += QByteArray(3, char(i * 16));
    const QList<QByteArray> files{
        BitmapFile(CoreHeader(5, 3, 4) + triples, QByteArray(12, '\x5A')),
        Bmp({.width = 7,
             .height = 3,
             .bits = 8,
             .compression = BI_RLE8,
             .imageSize = 14,
             .colorsUsed = 3},
            Quads({1, 2, 3}), QByteArray("\3\1\0\3\1\2\2\0\0\2\1\1\0\1", 14)),
    };
    CMyBitMap dib;
    int loaded = 0;
    for (const QByteArray& whole : files) {
        for (int length = 0; length <= whole.size(); ++length) {
            MemoryDibFile file(reinterpret_cast<const std::uint8_t*>(whole.constData()),
                               std::size_t(length));
            const HDIB block = dib.ReadDib(file);
            if (!block)
                continue;
            ++loaded;
            bool decoded = false;
            Exercise(dib, *block, decoded);
            QVERIFY(decoded);
        }
    }
    // Every length from the file header and 40 bytes of header on loads (a
    // short header is read 40 bytes at a time too).
    QCOMPARE(loaded, (files[0].size() - 54 + 1) + (files[1].size() - 54 + 1));
}

void TestDibHostile::everyByteChanged()
{
    // Each byte of a small file set to a few telling values in turn.
    const QByteArray whole =
        Bmp({.width = 5,
             .height = 2,
             .bits = 4,
             .compression = BI_RLE4,
             .imageSize = 12,
             .colorsUsed = 4},
            Quads({1, 2, 3, 4}), QByteArray("\5\x12\0\0\0\5\x12\x30\0\0\0\1", 12));
    CMyBitMap dib;
    for (int at = 0; at < whole.size(); ++at) {
        for (int value : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
            QByteArray bytes = whole;
            bytes[at] = char(value);
            MemoryDibFile file(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                               std::size_t(bytes.size()));
            const HDIB block = dib.ReadDib(file);
            if (!block)
                continue;
            bool decoded = false;
            Exercise(dib, *block, decoded, 1 << 20);
        }
    }
}

void TestDibHostile::noLargeAllocations()
{
    // The files above together stayed well below what their headers
    // claimed; the zero-filled 16 MiB short file is the largest block made.
    const long grownKiB = PeakResidentKiB() - m_peakAtStart;
    QVERIFY2(grownKiB < 64 * 1024, qPrintable(QStringLiteral("grew by %1 KiB").arg(grownKiB)));
}

QTEST_GUILESS_MAIN(TestDibHostile)
#include "test_dib_hostile.moc"
