// Large bitmap files mapped instead of read: the blocks, device bitmaps and
// captures they give must be exactly those of the files read into memory,
// and the mapping must never see or cause a change the other would not.
#include "convert/IndexedStage.h"
#include "dib/CMyBitMap.h"
#include "support/DibBytes.h"
#include "support/QuietHost.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstring>

using namespace dibbytes;

namespace {

QByteArray RandomBytes(qsizetype count, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(count, Qt::Uninitialized);
    for (qsizetype i = 0; i < count; ++i)
        bytes[i] = char(random.bounded(256));
    return bytes;
}

// A whole bitmap file: file header, 40-byte header, table and random pixel
// rows of the layout. imageSize 0 leaves the size for the reader to work out.
QByteArray BitmapFile(qint32 width, qint32 height, quint16 bits, quint32 colors, quint32 seed,
                      quint32 imageSize = 0, qsizetype missingBytes = 0)
{
    Info info;
    info.width = width;
    info.height = height;
    info.bits = bits;
    info.colorsUsed = colors;
    info.imageSize = imageSize;
    const qsizetype stride = (qsizetype(width) * bits + 31) / 32 * 4;
    const qsizetype pixels = stride * std::abs(height) - missingBytes;
    QByteArray table;
    for (quint32 i = 0; i < colors; ++i)
        Put32(table, 0x010203u * i);
    const quint32 offset = 14 + 40 + quint32(table.size());
    return FileHeader(offset + quint32(pixels), offset) + InfoHeader(info) + table +
           RandomBytes(pixels, seed);
}

class Files
{
public:
    QString Write(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return {};
        return path;
    }
    QString Path(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

CMyBitMap Mapping(bool map)
{
    CMyBitMap::Platform platform;
    platform.mapPrivateFiles = map;
    return CMyBitMap(platform);
}

QByteArray Bytes(const MemoryBlock& block)
{
    return QByteArray(reinterpret_cast<const char*>(block.Data()), qsizetype(block.Size()));
}

QByteArray RowBytes(const DeviceBitmap& bitmap, std::int32_t y)
{
    return QByteArray(reinterpret_cast<const char*>(bitmap.Row(y)), qsizetype(bitmap.Width()) * 4);
}

// Resident file-backed memory of this process, in KiB.
qint64 ResidentFileKib()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("RssFile:"))
            return line.mid(8).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

} // namespace

class TestDibMapped : public QObject
{
    Q_OBJECT

private slots:
    void layouts_data();
    void layouts();
    void writesStayInTheBlock();
    void shortAndSmallFilesAreRead();
    void readingRowsKeepsLittleResident();
    void aShortenedFileGivesBlackRows();
    void indexedStageWritesTheSameFile();

private:
    Files m_files;
};

void TestDibMapped::layouts_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("colors");

    QTest::newRow("24-bit, odd width") << 1201 << 1003 << 24 << 0;
    QTest::newRow("24-bit, top-down") << 640 << -600 << 24 << 0;
    QTest::newRow("32-bit") << 600 << 450 << 32 << 0;
    QTest::newRow("16-bit") << 1001 << 530 << 16 << 0;
    QTest::newRow("8-bit with a short table") << 1203 << 900 << 8 << 100;
    QTest::newRow("4-bit") << 2001 << 1100 << 4 << 16;
    QTest::newRow("1-bit") << 4001 << 2100 << 1 << 2;
}

// The mapped block, its device bitmap (rows in any order, again and again)
// and every capture equal those of the file read into memory.
void TestDibMapped::layouts()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, bits);
    QFETCH(int, colors);
    const QString path = m_files.Write(
        QStringLiteral("layout.bmp"),
        BitmapFile(width, height, quint16(bits), quint32(colors), quint32(width * 7 + bits)));
    QVERIFY(!path.isEmpty());
    CMyBitMap reader = Mapping(false);
    CMyBitMap mapper = Mapping(true);
    const HDIB read = reader.LoadFile(U16(path));
    const HDIB mapped = mapper.LoadFile(U16(path));
    QVERIFY(read && mapped);
    QVERIFY(!read->UnchangedMapping());
    QVERIFY(mapped->UnchangedMapping()); // the case under test really maps
    QCOMPARE(Bytes(*mapped), Bytes(*read));

    const HBITMAP decoded = reader.ToDeviceBitmap(read.get(), nullptr);
    const HBITMAP view = mapper.ToDeviceBitmap(mapped.get(), nullptr);
    QVERIFY(decoded && view);
    QVERIFY(!view->MutableRow(0)); // rows read from the file, none of its own
    QCOMPARE(view->Width(), decoded->Width());
    QCOMPARE(view->Height(), decoded->Height());
    const std::int32_t rows = view->Height();
    // Bottom to top as a capture reads, then top to bottom, then scattered:
    // rows whose memory went back come from the file again unchanged.
    for (std::int32_t y = rows; y-- > 0;)
        QCOMPARE(RowBytes(*view, y), RowBytes(*decoded, y));
    for (std::int32_t y = 0; y < rows; ++y)
        QCOMPARE(RowBytes(*view, y), RowBytes(*decoded, y));
    QRandomGenerator random(7);
    for (int i = 0; i < 200; ++i) {
        const auto y = std::int32_t(random.bounded(rows));
        QCOMPARE(RowBytes(*view, y), RowBytes(*decoded, y));
    }

    const HPALETTE palette = reader.PaletteFromBlock(read.get());
    for (const auto& [compression, depth] : {std::pair{BI_RGB, 1},
                                             {BI_RGB, 4},
                                             {BI_RGB, 8},
                                             {BI_RGB, 24},
                                             {BI_RLE8, 8},
                                             {BI_RLE4, 4}}) {
        const HDIB fromDecoded = reader.FromDeviceBitmap(decoded.get(), compression,
                                                         std::uint16_t(depth), palette.get());
        const HDIB fromView =
            mapper.FromDeviceBitmap(view.get(), compression, std::uint16_t(depth), palette.get());
        QVERIFY(fromDecoded && fromView);
        QCOMPARE(Bytes(*fromView), Bytes(*fromDecoded));
    }
}

// A block written to is the block's own: a device bitmap made before shows
// the file's pixels still, one made after shows what was written, and the
// file itself never changes.
void TestDibMapped::writesStayInTheBlock()
{
    const QByteArray file = BitmapFile(800, 600, 24, 0, 11);
    const QString path = m_files.Write(QStringLiteral("written.bmp"), file);
    CMyBitMap mapper = Mapping(true);
    HDIB block = mapper.LoadFile(U16(path));
    QVERIFY(block && block->UnchangedMapping());
    const HBITMAP before = mapper.ToDeviceBitmap(block.get(), nullptr);
    QVERIFY(before);
    const QByteArray bottomRow = RowBytes(*before, 599);

    // The first pixel of the bottom row, stored first, becomes white.
    std::memset(block->Data() + 40, 0xFF, 3);
    QVERIFY(!block->UnchangedMapping());
    QCOMPARE(RowBytes(*before, 599), bottomRow);
    const HBITMAP after = mapper.ToDeviceBitmap(block.get(), nullptr);
    QVERIFY(after && after->MutableRow(0)); // decoded: the block changed
    QCOMPARE(after->Row(599)[0], 0xFFFFFFu);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(after->Row(599)) + 4, 799 * 4),
             bottomRow.mid(4));

    QFile onDisk(path);
    QVERIFY(onDisk.open(QIODevice::ReadOnly));
    QCOMPARE(onDisk.readAll(), file);

    // Growing moves the bytes into memory of the block's own, kept whole.
    const QByteArray kept = Bytes(*block);
    QVERIFY(block->Resize(block->Size() + 4096));
    QCOMPARE(Bytes(*block).left(kept.size()), kept);
    QCOMPARE(Bytes(*block).mid(kept.size()), QByteArray(4096, '\0'));
    QVERIFY(block->Resize(100));
    QCOMPARE(Bytes(*block), kept.left(100));
}

// A file without all of its pixels is read as before, the missing ones zero
// (mapping it would fault past its end); small ones are read too.
void TestDibMapped::shortAndSmallFilesAreRead()
{
    CMyBitMap mapper = Mapping(true);
    const qsizetype missing = 5000;
    const QByteArray file = BitmapFile(1000, 500, 24, 0, 3, 0, missing);
    const HDIB shortBlock = mapper.LoadFile(U16(m_files.Write(QStringLiteral("short.bmp"), file)));
    QVERIFY(shortBlock);
    QVERIFY(!shortBlock->UnchangedMapping());
    QCOMPARE(qsizetype(shortBlock->Size()), 40 + 3000 * 500);
    QCOMPARE(Bytes(*shortBlock).mid(40, 3000 * 500 - missing), file.mid(54));
    QCOMPARE(Bytes(*shortBlock).right(missing), QByteArray(missing, '\0'));

    const HDIB small = mapper.LoadFile(
        U16(m_files.Write(QStringLiteral("small.bmp"), BitmapFile(300, 200, 24, 0, 4))));
    QVERIFY(small);
    QVERIFY(!small->UnchangedMapping());
}

// Reading a large mapped picture front to back reads the file a band at a
// time: hardly any of its pages become resident in this process.
void TestDibMapped::readingRowsKeepsLittleResident()
{
    const qint32 width = 4000;
    const qint32 height = 4000; // 48 MB of pixels
    const QString path =
        m_files.Write(QStringLiteral("large.bmp"), BitmapFile(width, height, 24, 0, 5));
    CMyBitMap mapper = Mapping(true);
    const HDIB block = mapper.LoadFile(U16(path));
    QVERIFY(block && block->UnchangedMapping());
    const HBITMAP view = mapper.ToDeviceBitmap(block.get(), nullptr);
    QVERIFY(view);
    const qint64 before = ResidentFileKib();
    QVERIFY(before >= 0);
    qint64 highest = before;
    quint32 sum = 0;
    for (std::int32_t y = height; y-- > 0;) {
        sum += view->Row(y)[width / 2];
        if (y % 256 == 0)
            highest = std::max(highest, ResidentFileKib());
    }
    QVERIFY(sum != 0);
    QVERIFY2(highest - before < 16 * 1024,
             qPrintable(QStringLiteral("%1 KiB more resident").arg(highest - before)));
}

// Rows read after the file was cut short come out black: no crash, no
// bytes from elsewhere.
void TestDibMapped::aShortenedFileGivesBlackRows()
{
    const QString path =
        m_files.Write(QStringLiteral("shortened.bmp"), BitmapFile(1000, 600, 24, 0, 8));
    CMyBitMap mapper = Mapping(true);
    HDIB block = mapper.LoadFile(U16(path));
    QVERIFY(block && block->UnchangedMapping());
    const HBITMAP view = mapper.ToDeviceBitmap(block.get(), nullptr);
    QVERIFY(view);
    block.reset(); // the mapping goes; the rows are read from the file
    QVERIFY(std::any_of(view->Row(599), view->Row(599) + 1000, [](quint32 p) { return p != 0; }));
    QVERIFY(QFile::resize(path, 54 + 3000 * 10));
    for (const std::int32_t y : {0, 300, 589}) {
        const std::uint32_t* row = view->Row(y);
        QVERIFY(std::all_of(row, row + 1000, [](quint32 p) { return p == 0; }));
    }
    QVERIFY(std::any_of(view->Row(595), view->Row(595) + 1000, [](quint32 p) { return p != 0; }));
}

// The indexed stage, which maps its intermediate file, writes exactly the
// file that reading it into memory gives.
void TestDibMapped::indexedStageWritesTheSameFile()
{
    const QString source =
        m_files.Write(QStringLiteral("intermediate.bmp"), BitmapFile(1500, 1001, 24, 0, 9));
    for (const int bits : {1, 4, 8}) {
        QuietHost host;
        IndexedStage stage(host);
        CMyBitMap bitmap = stage.MakeBitMap();
        const QString staged = m_files.Path(QStringLiteral("staged%1.bmp").arg(bits));
        QVERIFY(stage.OpenIndexedSource(bitmap, source));
        QVERIFY(stage.SaveIndexedBitmap(bitmap, bits, staged, false));
        stage.FreeIndexedState();
        QVERIFY2(host.messages.isEmpty(), qPrintable(host.messages.join(u'\n')));

        CMyBitMap reader = Mapping(false);
        const HDIB read = reader.LoadFile(U16(source));
        const HBITMAP decoded = reader.ToDeviceBitmap(read.get(), nullptr);
        const HPALETTE palette = reader.PaletteFromBlock(read.get());
        const HDIB captured =
            reader.FromDeviceBitmap(decoded.get(), BI_RGB, std::uint16_t(bits), palette.get());
        QVERIFY(captured);
        const QString expected = m_files.Path(QStringLiteral("expected%1.bmp").arg(bits));
        QVERIFY(reader.SaveFile(U16(expected), captured.get()));

        QFile a(staged);
        QFile b(expected);
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        const QByteArray written = a.readAll();
        QByteArray wanted = b.readAll();
        // The stage carries the picture's resolution over; the rest is equal.
        QVERIFY(written.size() == wanted.size() && written.size() > 54);
        std::memcpy(wanted.data() + 38, written.constData() + 38, 8);
        QCOMPARE(written, wanted);
    }
}

QTEST_GUILESS_MAIN(TestDibMapped)
#include "test_dib_mapped.moc"
