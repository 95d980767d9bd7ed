// Reading bitmap files: headers, colour tables, palettes, whole files and
// chunked reads.
#include "dib/CMyBitMap.h"
#include "support/DibBytes.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace dibbytes;

class TestDibRead : public QObject
{
    Q_OBJECT

private slots:
    void strideAndImageSize_data();
    void strideAndImageSize();
    void colorCounts_data();
    void colorCounts();

    void readsHeaderAfterFileHeader();
    void readsBareDib();
    void readsCoreHeaderWideningTriples();
    void rejectsOtherHeaders_data();
    void rejectsOtherHeaders();
    void computesMissingImageSize_data();
    void computesMissingImageSize();
    void queryHeaderCompletesOnlyTheCopy();

    void trueColourKeepsItsTable();
    void palettes_data();
    void palettes();
    void fixedPaletteForTrueColour();

    void loadsWholeFile();
    void readsInTheExpectedCalls();
    void shortFileLoadsZeroFilled();
    void pixelOffsetSkipsGap();
    void compressedWithoutSizeReservesPlainSize();
    void missingFileShowsMessage();

    void readsChunked_data();
    void readsChunked();
    void filesOnDisk();
    void memoryBlocks();

private:
    QTemporaryDir m_dir;
};

void TestDibRead::strideAndImageSize_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("bits");
    QTest::addColumn<qint64>("stride");
    QTest::addColumn<qint64>("size"); // -1: does not fit
    QTest::newRow("1 px at 24 bits") << 1 << 1 << 24 << qint64(4) << qint64(4);
    QTest::newRow("33 px at 1 bit") << 33 << 1 << 1 << qint64(8) << qint64(8);
    QTest::newRow("3x2 at 8 bits") << 3 << 2 << 8 << qint64(4) << qint64(8);
    QTest::newRow("10 at 4 bits") << 10 << 10 << 4 << qint64(8) << qint64(80);
    QTest::newRow("top-down counts rows") << 3 << -2 << 24 << qint64(12) << qint64(24);
    QTest::newRow("no rows") << 5 << 0 << 8 << qint64(8) << qint64(0);
    QTest::newRow("zero width") << 0 << 5 << 8 << qint64(0) << qint64(-1);
    QTest::newRow("negative width") << -4 << 5 << 8 << qint64(0) << qint64(-1);
    QTest::newRow("just fits") << 0x3FFFFFFF << 1 << 32 << qint64(0xFFFFFFFC) << qint64(0xFFFFFFFC);
    QTest::newRow("stride too large")
        << 0x7FFFFFFF << 1 << 32 << qint64(0x1FFFFFFFCll) << qint64(-1);
    QTest::newRow("product too large") << 65536 << 65536 << 8 << qint64(65536) << qint64(-1);
    QTest::newRow("most negative height") << 1 << INT_MIN << 8 << qint64(4) << qint64(-1);
}

void TestDibRead::strideAndImageSize()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, bits);
    QFETCH(qint64, stride);
    QFETCH(qint64, size);
    QCOMPARE(qint64(RowStride(width, std::uint32_t(bits))), stride);
    const auto computed = UncompressedImageSize(width, height, std::uint32_t(bits));
    QCOMPARE(computed.has_value(), size >= 0);
    if (computed)
        QCOMPARE(qint64(*computed), size);
}

void TestDibRead::colorCounts_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("tableBytes");
    QTest::newRow("core 1 bit") << CoreHeader(1, 1, 1) << 2 << 6;
    QTest::newRow("core 4 bits") << CoreHeader(1, 1, 4) << 16 << 48;
    QTest::newRow("core 8 bits") << CoreHeader(1, 1, 8) << 256 << 768;
    QTest::newRow("core 24 bits") << CoreHeader(1, 1, 24) << 0 << 0;
    QTest::newRow("1 bit") << InfoHeader({.bits = 1}) << 2 << 8;
    QTest::newRow("4 bits") << InfoHeader({.bits = 4}) << 16 << 64;
    QTest::newRow("8 bits") << InfoHeader({.bits = 8}) << 256 << 1024;
    QTest::newRow("16 bits") << InfoHeader({.bits = 16}) << 0 << 0;
    QTest::newRow("24 bits") << InfoHeader({.bits = 24}) << 0 << 0;
    QTest::newRow("32 bits") << InfoHeader({.bits = 32}) << 0 << 0;
    QTest::newRow("used 5 at 8 bits") << InfoHeader({.bits = 8, .colorsUsed = 5}) << 5 << 20;
    QTest::newRow("used 300 at 8 bits, no clamp")
        << InfoHeader({.bits = 8, .colorsUsed = 300}) << 300 << 1200;
    QTest::newRow("used 16 at 24 bits") << InfoHeader({.bits = 24, .colorsUsed = 16}) << 16 << 64;
    QTest::newRow("used counts its low 16 bits")
        << InfoHeader({.bits = 4, .colorsUsed = 0x10003}) << 3 << 12;
    QTest::newRow("high bits only: by bit count")
        << InfoHeader({.bits = 4, .colorsUsed = 0x10000}) << 16 << 64;
}

void TestDibRead::colorCounts()
{
    QFETCH(QByteArray, header);
    QFETCH(int, count);
    QFETCH(int, tableBytes);
    header.append(QByteArray(40, '\0')); // room for a short header's reads
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(header.constData());
    CMyBitMap dib;
    QCOMPARE(int(dib.CountColors(bytes)), count);
    QCOMPARE(int(dib.ColorTableBytes(bytes)), tableBytes);
}

void TestDibRead::readsHeaderAfterFileHeader()
{
    const QList<quint32> colors{0x102030, 0xA0B0C0, 0xFFFFFF, 0x000001};
    const QByteArray head =
        InfoHeader({.width = 3, .height = 2, .bits = 8, .colorsUsed = 4}) + Quads(colors);
    const QByteArray pixels("\1\2\3\0\3\2\1\0", 8);
    RecordingFile file(BitmapFile(head, pixels));
    CMyBitMap dib;
    const HDIB block = dib.ReadInfoBlock(file);
    QVERIFY(block);
    QCOMPARE(block->Size(), std::size_t(40 + 16));
    const BITMAPINFOHEADER h = ParseInfoHeader(block->Data());
    QCOMPARE(h.biSize, 40u);
    QCOMPARE(h.biWidth, 3);
    QCOMPARE(h.biHeight, 2);
    QCOMPARE(h.biBitCount, 8);
    QCOMPARE(h.biSizeImage, 8u); // filled in
    QCOMPARE(h.biClrUsed, 4u);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(TableColor(*block, i), colors[i]);
    // Positioned at the pixels the file header points to.
    QCOMPARE(file.Tell(), qint64(14 + head.size()));
}

void TestDibRead::readsBareDib()
{
    const QByteArray head =
        InfoHeader({.width = 2, .height = 1, .bits = 1}) + Quads({0x000000, 0xFFFFFF});
    // Something before the bitmap: reading starts where the file stands.
    RecordingFile file(QByteArray("xyz") + head + QByteArray("\x80\0\0\0", 4));
    file.Seek(3, DibFile::Origin::Begin);
    CMyBitMap dib;
    const HDIB block = dib.ReadInfoBlock(file);
    QVERIFY(block);
    QCOMPARE(BytesOf(*block).left(40),
             InfoHeader({.width = 2, .height = 1, .bits = 1, .imageSize = 4, .colorsUsed = 2}));
    QCOMPARE(TableColor(*block, 1), 0xFFFFFFu);
    // No file header, so no pixel offset: the pixels follow the table.
    QCOMPARE(file.Tell(), qint64(3 + head.size()));
}

void TestDibRead::readsCoreHeaderWideningTriples()
{
    QByteArray triples;
    for (int i = 0; i < 256; ++i) {
        triples.append(char(i));        // blue
        triples.append(char(255 - i));  // green
        triples.append(char(i ^ 0x55)); // red
    }
    const QByteArray head = CoreHeader(4, 3, 8) + triples;
    const QByteArray pixels(12, '\7');
    for (bool withFileHeader : {true, false}) {
        RecordingFile file(withFileHeader ? BitmapFile(head, pixels) : head + pixels);
        CMyBitMap dib;
        const HDIB block = dib.ReadInfoBlock(file);
        QVERIFY(block);
        QCOMPARE(block->Size(), std::size_t(40 + 1024));
        const BITMAPINFOHEADER h = ParseInfoHeader(block->Data());
        QCOMPARE(h.biSize, 40u);
        QCOMPARE(h.biWidth, 4);
        QCOMPARE(h.biHeight, 3);
        QCOMPARE(h.biPlanes, 1);
        QCOMPARE(h.biBitCount, 8);
        QCOMPARE(h.biCompression, 0u);
        QCOMPARE(h.biSizeImage, 12u);
        QCOMPARE(h.biXPelsPerMeter, 0);
        QCOMPARE(h.biYPelsPerMeter, 0);
        QCOMPARE(h.biClrUsed, 256u);
        QCOMPARE(h.biClrImportant, 256u);
        for (int i = 0; i < 256; ++i) {
            const std::uint8_t* q = block->Data() + 40 + 4 * i;
            QCOMPARE(int(q[0]), i);
            QCOMPARE(int(q[1]), 255 - i);
            QCOMPARE(int(q[2]), i ^ 0x55);
            QCOMPARE(int(q[3]), 0);
        }
        QCOMPARE(file.Tell(), qint64(head.size() + (withFileHeader ? 14 : 0)));
    }
}

void TestDibRead::rejectsOtherHeaders_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("108-byte header") << BitmapFile(
        InfoHeader({.width = 2, .height = 2, .bits = 24, .headerSize = 108}), QByteArray(16, '\0'));
    QTest::newRow("124-byte header") << BitmapFile(
        InfoHeader({.width = 2, .height = 2, .bits = 24, .headerSize = 124}), QByteArray(16, '\0'));
    QTest::newRow("64-byte header") << BitmapFile(
        InfoHeader({.width = 2, .height = 2, .bits = 24, .headerSize = 64}), QByteArray(16, '\0'));
    QTest::newRow("39 header bytes") << FileHeader(53, 54) + InfoHeader({}).left(39);
    QTest::newRow("file header only") << FileHeader(14, 14);
    QTest::newRow("empty") << QByteArray();
    // A short header followed by too little to fill 40 bytes.
    QTest::newRow("tiny core bitmap") << CoreHeader(1, 1, 24) + QByteArray(4, '\0');
}

void TestDibRead::rejectsOtherHeaders()
{
    QFETCH(QByteArray, bytes);
    RecordingFile file(bytes);
    CMyBitMap dib;
    QVERIFY(!dib.ReadInfoBlock(file));
}

void TestDibRead::computesMissingImageSize_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("imageSize");
    QTest::newRow("1 px at 24 bits: stride 4") << 1 << 1 << 24 << 4;
    QTest::newRow("33 px at 1 bit: stride 8") << 33 << 1 << 1 << 8;
    QTest::newRow("3x2 at 8 bits") << 3 << 2 << 8 << 8;
    QTest::newRow("top-down 3x2 at 8 bits") << 3 << -2 << 8 << 8;
    QTest::newRow("5x3 at 16 bits") << 5 << 3 << 16 << 36;
}

void TestDibRead::computesMissingImageSize()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, bits);
    QFETCH(int, imageSize);
    RecordingFile file(InfoHeader({.width = width, .height = height, .bits = quint16(bits)}) +
                       QByteArray(1024 + imageSize, '\0'));
    CMyBitMap dib;
    const HDIB block = dib.ReadInfoBlock(file);
    QVERIFY(block);
    QCOMPARE(ParseInfoHeader(block->Data()).biSizeImage, quint32(imageSize));
}

void TestDibRead::queryHeaderCompletesOnlyTheCopy()
{
    CMyBitMap dib;
    BITMAPINFOHEADER record;
    record.biWidth = 77;
    QCOMPARE(dib.QueryHeader(nullptr, &record), 0);
    QCOMPARE(record.biWidth, 77); // untouched

    const QByteArray header = InfoHeader({.width = 3, .height = 2, .bits = 4});
    const HDIB block = BlockFrom(header + QByteArray(64, '\0'));
    QCOMPARE(dib.QueryHeader(block.get(), &record), 1);
    QCOMPARE(record.biWidth, 3);
    QCOMPARE(record.biSizeImage, 8u);
    QCOMPARE(record.biClrUsed, 16u);
    QCOMPARE(BytesOf(*block).left(40), header); // the block keeps its zeros

    // A short header is copied as it is.
    QByteArray core = CoreHeader(3, 2, 4);
    core.append(QByteArray(28, '\0'));
    const HDIB coreBlock = BlockFrom(core);
    QCOMPARE(dib.QueryHeader(coreBlock.get(), &record), 1);
    QCOMPARE(record.biSize, 12u);
    QCOMPARE(record.biSizeImage, 0u);
    QCOMPARE(record.biClrUsed, 0u);

    // Less than a header, or sizes that cannot be worked out: nothing.
    const HDIB tiny = BlockFrom(header.left(20));
    QCOMPARE(dib.QueryHeader(tiny.get(), &record), 0);
    const HDIB huge = BlockFrom(InfoHeader({.width = 0x7FFFFFFF, .height = 0x7FFFFFFF}));
    QCOMPARE(dib.QueryHeader(huge.get(), &record), 0);
}

void TestDibRead::trueColourKeepsItsTable()
{
    QList<quint32> colors;
    for (int i = 0; i < 16; ++i)
        colors.append(0x0F0000u * quint32(i) + 0x3F - quint32(i));
    const QByteArray pixels("\1\2\3\4\5\6\0\0", 8);
    RecordingFile file(BitmapFile(
        InfoHeader({.width = 2, .height = 1, .bits = 24, .colorsUsed = 16}) + Quads(colors),
        pixels));
    CMyBitMap dib;
    const HDIB block = dib.ReadDib(file);
    QVERIFY(block);
    QCOMPARE(file.reads, (QList<qsizetype>{2, 12, 40, 64, 8}));
    QCOMPARE(block->Size(), std::size_t(40 + 64 + 8));
    QCOMPARE(BytesOf(*block).mid(40 + 64), pixels);
    const HPALETTE palette = dib.PaletteFromBlock(block.get());
    QVERIFY(palette);
    QCOMPARE(int(palette->Entries().size()), 16);
    for (int i = 0; i < 16; ++i) {
        const PALETTEENTRY& e = palette->Entries()[std::size_t(i)];
        QCOMPARE(quint32(e.peRed) << 16 | quint32(e.peGreen) << 8 | e.peBlue, colors[i]);
    }
    // The table does not get in the way of the pixels.
    const HBITMAP bitmap = dib.ToDeviceBitmap(block.get(), palette.get());
    QVERIFY(bitmap);
    QCOMPARE(bitmap->Row(0)[0], 0x030201u);
    QCOMPARE(bitmap->Row(0)[1], 0x060504u);
}

void TestDibRead::palettes_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<int>("entries"); // -1: no palette
    const QList<quint32> sixteen{0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F, 0x101112,
                                 0x131415, 0x161718, 0x191A1B, 0x1C1D1E, 0x1F2021, 0x222324,
                                 0x252627, 0x28292A, 0x2B2C2D, 0xFEDCBA};
    QTest::newRow("24 bits with 16 colours used")
        << InfoHeader({.bits = 24, .colorsUsed = 16}) + Quads(sixteen) + QByteArray(4, '\0') << 16;
    QTest::newRow("4 bits") << InfoHeader({.bits = 4}) + Quads(sixteen) << 16;
    QTest::newRow("16 bits, no table") << InfoHeader({.bits = 16}) + QByteArray(4, '\0') << -1;
    QTest::newRow("32 bits, no table") << InfoHeader({.bits = 32}) + QByteArray(4, '\0') << -1;
    QTest::newRow("table cut short") << InfoHeader({.bits = 4}) + Quads(sixteen).left(60) << -1;
    QTest::newRow("short header") << CoreHeader(1, 1, 24) + QByteArray(28, '\0') << -1;
    QTest::newRow("less than a header") << InfoHeader({.bits = 24}).left(39) << -1;
}

void TestDibRead::palettes()
{
    QFETCH(QByteArray, block);
    QFETCH(int, entries);
    CMyBitMap dib;
    const HDIB dibBlock = BlockFrom(block);
    const HPALETTE palette = dib.PaletteFromBlock(dibBlock.get());
    QCOMPARE(bool(palette), entries >= 0);
    if (!palette)
        return;
    QCOMPARE(int(palette->Entries().size()), entries);
    for (int i = 0; i < entries; ++i) {
        const PALETTEENTRY& e = palette->Entries()[std::size_t(i)];
        QCOMPARE(quint32(e.peRed) << 16 | quint32(e.peGreen) << 8 | e.peBlue,
                 TableColor(*dibBlock, i));
        QCOMPARE(int(e.peFlags), 0);
    }
}

void TestDibRead::fixedPaletteForTrueColour()
{
    CMyBitMap dib;
    QVERIFY(!dib.PaletteFromBlock(nullptr));
    const HDIB block = BlockFrom(InfoHeader({.bits = 24}) + QByteArray(4, '\0'));
    const HPALETTE palette = dib.PaletteFromBlock(block.get());
    QVERIFY(palette);
    const auto& e = palette->Entries();
    QCOMPARE(int(e.size()), 256);
    auto rgb = [&](int i) {
        return quint32(e[std::size_t(i)].peRed) << 16 | quint32(e[std::size_t(i)].peGreen) << 8 |
               e[std::size_t(i)].peBlue;
    };
    QCOMPARE(rgb(0), 0x000000u);
    QCOMPARE(rgb(1), 0x200000u);
    QCOMPARE(rgb(8), 0x002000u);
    QCOMPARE(rgb(64), 0x000040u);
    QCOMPARE(rgb(255), 0xE0E0C0u);
    // Every entry distinct: the grid has no repeats.
    QSet<quint32> seen;
    for (int i = 0; i < 256; ++i)
        seen.insert(rgb(i));
    QCOMPARE(seen.size(), 256);
}

void TestDibRead::loadsWholeFile()
{
    const QByteArray head = InfoHeader({.width = 3, .height = 2, .bits = 24});
    const QByteArray pixels("\1\2\3\4\5\6\7\x8\x9\0\0\0\xA\xB\xC\xD\xE\xF\x10\x11\x12\0\0\0", 24);
    const QString path = m_dir.filePath("whole.bmp");
    QVERIFY(WriteTestFile(path, BitmapFile(head, pixels)));
    CMyBitMap dib;
    const HDIB block = dib.LoadFile(U16(path));
    QVERIFY(block);
    QCOMPARE(BytesOf(*block),
             InfoHeader({.width = 3, .height = 2, .bits = 24, .imageSize = 24}) + pixels);
}

void TestDibRead::readsInTheExpectedCalls()
{
    // 8 bits, 256 colours, 300x110 pixels: 33000 bytes of pixels, one full
    // chunk and the rest.
    const QByteArray head =
        InfoHeader({.width = 300, .height = 110, .bits = 8}) + QByteArray(1024, '\x11');
    QByteArray pixels(33000, '\0');
    for (int i = 0; i < pixels.size(); ++i)
        pixels[i] = char(i * 7);
    RecordingFile file(BitmapFile(head, pixels));
    CMyBitMap dib;
    const HDIB block = dib.ReadDib(file);
    QVERIFY(block);
    QCOMPARE(file.reads, (QList<qsizetype>{2, 12, 40, 1024, 32768, 232}));
    QCOMPARE(block->Size(), std::size_t(40 + 1024 + 33000));
    QCOMPARE(BytesOf(*block).mid(40 + 1024), pixels);
}

void TestDibRead::shortFileLoadsZeroFilled()
{
    const QByteArray head = InfoHeader({.width = 4, .height = 4, .bits = 8, .colorsUsed = 2}) +
                            Quads({0x112233, 0x445566});
    const QByteArray whole = BitmapFile(head, QByteArray(16, '\x5A'));
    CMyBitMap dib;

    // Cut inside the pixels: the missing ones are zero.
    const QString path = m_dir.filePath("short.bmp");
    QVERIFY(WriteTestFile(path, whole.left(whole.size() - 10)));
    HDIB block = dib.LoadFile(U16(path));
    QVERIFY(block);
    QCOMPARE(BytesOf(*block),
             InfoHeader({.width = 4, .height = 4, .bits = 8, .imageSize = 16, .colorsUsed = 2}) +
                 Quads({0x112233, 0x445566}) + QByteArray(6, '\x5A') + QByteArray(10, '\0'));

    // Cut inside the colour table: the rest of the table is zero as well.
    const QString inTable = m_dir.filePath("short-table.bmp");
    QVERIFY(WriteTestFile(inTable, whole.left(14 + 40 + 5)));
    block = dib.LoadFile(U16(inTable));
    QVERIFY(block);
    QCOMPARE(BytesOf(*block).mid(40),
             QByteArray("\x33\x22\x11\0\x66", 5) + QByteArray(3 + 16, '\0'));
}

void TestDibRead::pixelOffsetSkipsGap()
{
    const QByteArray head = InfoHeader({.width = 2, .height = 1, .bits = 24});
    const QByteArray gap("GAPGAPGAP");
    const QByteArray pixels("\1\2\3\4\5\6\0\0", 8);
    const quint32 offset = quint32(14 + head.size() + gap.size());
    const QByteArray bytes =
        FileHeader(offset + quint32(pixels.size()), offset) + head + gap + pixels;
    RecordingFile file(bytes);
    CMyBitMap dib;
    const HDIB block = dib.ReadDib(file);
    QVERIFY(block);
    QCOMPARE(BytesOf(*block).mid(40), pixels);
}

void TestDibRead::compressedWithoutSizeReservesPlainSize()
{
    // RLE8, 5x2, image size 0: 8 bytes of run-length data, but the plain
    // size (stride 8, two rows) is what gets reserved.
    const QByteArray head =
        InfoHeader({.width = 5, .height = 2, .bits = 8, .compression = BI_RLE8, .colorsUsed = 2}) +
        Quads({0, 0xFF0000});
    const QByteArray data("\5\1\0\0\5\0\0\1", 8);
    RecordingFile file(BitmapFile(head, data));
    CMyBitMap dib;
    const HDIB block = dib.ReadDib(file);
    QVERIFY(block);
    QCOMPARE(ParseInfoHeader(block->Data()).biSizeImage, 16u);
    QCOMPARE(block->Size(), std::size_t(40 + 8 + 16));
    QCOMPARE(BytesOf(*block).mid(48), data + QByteArray(8, '\0'));
}

void TestDibRead::missingFileShowsMessage()
{
    QList<QPair<std::u16string, std::u16string>> messages;
    CMyBitMap::Platform platform;
    platform.showMessage = [&](const std::u16string& text, const std::u16string& caption) {
        messages.append({text, caption});
    };
    CMyBitMap dib(platform);
    const std::u16string missing = U16(m_dir.filePath("missing.bmp"));
    QVERIFY(!dib.LoadFile(missing));
    QCOMPARE(messages.size(), 1);
    QVERIFY(messages[0].first == u"Can not open the file!");
    QVERIFY(messages[0].second == missing);

    // A folder cannot be opened either.
    QVERIFY(!dib.LoadFile(U16(m_dir.path())));
    QCOMPARE(messages.size(), 2);

    // A file that opens but is no bitmap fails quietly.
    const QString junk = m_dir.filePath("junk.bmp");
    QVERIFY(WriteTestFile(junk, "not a bitmap at all"));
    QVERIFY(!dib.LoadFile(U16(junk)));
    QCOMPARE(messages.size(), 2);
}

void TestDibRead::readsChunked_data()
{
    QTest::addColumn<int>("available");
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<qsizetype>>("reads");
    QTest::addColumn<int>("result");
    QTest::newRow("nothing") << 10 << 0 << QList<qsizetype>{0} << 0;
    QTest::newRow("exactly one chunk") << 40000 << 32768 << QList<qsizetype>{32768} << 32768;
    QTest::newRow("one byte more") << 40000 << 32769 << QList<qsizetype>{32768, 1} << 32769;
    QTest::newRow("two chunks") << 70000 << 65536 << QList<qsizetype>{32768, 32768} << 65536;
    QTest::newRow("three calls") << 70000 << 65537 << QList<qsizetype>{32768, 32768, 1} << 65537;
    QTest::newRow("short first chunk") << 30000 << 70000 << QList<qsizetype>{32768} << 0;
    QTest::newRow("short second chunk") << 40000 << 70000 << QList<qsizetype>{32768, 32768} << 0;
    QTest::newRow("short rest") << 32770 << 32771 << QList<qsizetype>{32768, 3} << 0;
}

void TestDibRead::readsChunked()
{
    QFETCH(int, available);
    QFETCH(int, count);
    QFETCH(QList<qsizetype>, reads);
    QFETCH(int, result);
    QByteArray bytes(available, '\0');
    for (int i = 0; i < available; ++i)
        bytes[i] = char(i % 251);
    RecordingFile file(bytes);
    std::vector<std::uint8_t> destination(std::size_t(count) + 1, 0xEE);
    CMyBitMap dib;
    QCOMPARE(int(dib.ReadChunked(file, destination.data(), std::uint32_t(count))), result);
    QCOMPARE(file.reads, reads);
    const int arrived = std::min(available, count);
    if (result != 0) {
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(destination.data()), arrived),
                 bytes.left(arrived));
    }
    QCOMPARE(destination[std::size_t(count)], std::uint8_t(0xEE)); // nothing beyond
}

void TestDibRead::filesOnDisk()
{
    // Names beyond ASCII pass through the UTF-16 path.
    const QString path = m_dir.filePath(QStringLiteral(u"Bild \u00E4\u00F6 \u65E5\u672C.bmp"));
    {
        const std::unique_ptr<DibFile> created = CreateNewDibFile(U16(path));
        QVERIFY(created);
        QCOMPARE(created->Write("0123456789", 10), std::size_t(10));
        QCOMPARE(created->Tell(), qint64(10));
    }
    QVERIFY(!CreateNewDibFile(U16(path))); // exists now
    QCOMPARE(ReadTestFile(path), QByteArray("0123456789"));

    const std::unique_ptr<DibFile> file = OpenDibFileForReading(U16(path));
    QVERIFY(file);
    QCOMPARE(file->Length(), qint64(10));
    char buffer[8] = {};
    QCOMPARE(file->Seek(6, DibFile::Origin::Begin), qint64(6));
    QCOMPARE(file->Read(buffer, 8), std::size_t(4)); // only four are left
    QCOMPARE(QByteArray(buffer, 4), QByteArray("6789"));
    QCOMPARE(file->Seek(-3, DibFile::Origin::Current), qint64(7));
    QCOMPARE(file->Seek(-2, DibFile::Origin::End), qint64(8));
    QCOMPARE(file->Seek(-20, DibFile::Origin::Current), qint64(-1));

    QVERIFY(!OpenDibFileForReading(U16(m_dir.path())));
    QVERIFY(!OpenDibFileForReading(U16(m_dir.filePath("none"))));
    QVERIFY(!OpenDibFileForReading(u""));
    QVERIFY(!CreateNewDibFile(U16(m_dir.filePath("no/such/folder.bmp"))));
}

void TestDibRead::memoryBlocks()
{
    QVERIFY(!MemoryBlock::Allocate(MemoryBlock::kMaxBytes + 1));
    HDIB block = MemoryBlock::Allocate(5);
    QVERIFY(block);
    QCOMPARE(BytesOf(*block), QByteArray(5, '\0'));
    std::memcpy(block->Data(), "abcde", 5);
    QVERIFY(block->Resize(9));
    QCOMPARE(BytesOf(*block), QByteArray("abcde\0\0\0\0", 9));
    QVERIFY(!block->Resize(MemoryBlock::kMaxBytes + 1));
    QCOMPARE(BytesOf(*block), QByteArray("abcde\0\0\0\0", 9)); // unchanged
    QVERIFY(block->Resize(2));
    QCOMPARE(BytesOf(*block), QByteArray("ab"));
    QVERIFY(block->Resize(4)); // grown again: the added bytes are zero, not old ones
    QCOMPARE(BytesOf(*block), QByteArray("ab\0\0", 4));
    const HDIB empty = MemoryBlock::Allocate(0);
    QVERIFY(empty && empty->Data() != nullptr);
}

QTEST_GUILESS_MAIN(TestDibRead)
#include "test_dib_read.moc"
