// The layout report of a bitmap file (rastelle-convert --info): every file
// the program writes reads as valid and consistent, and each kind of broken
// or inconsistent file is named, the unreadable ones as invalid.
#include "convert/CommandLine.h"
#include "dib/BmpInspect.h"
#include "support/DibBytes.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

using namespace dibbytes;

namespace {

BmpInspection Inspect(const QByteArray& bytes)
{
    MemoryDibFile file(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                       std::size_t(bytes.size()));
    return InspectBmp(file);
}

QString Field(const BmpInspection& inspection, const char* name)
{
    for (const auto& [key, value] : inspection.fields)
        if (key == name)
            return QString::fromStdString(value);
    return QStringLiteral("(absent)");
}

// Whether some problem contains the words.
bool Names(const BmpInspection& inspection, const char* words)
{
    for (const std::string& problem : inspection.problems)
        if (problem.find(words) != std::string::npos)
            return true;
    return false;
}

QString Problems(const BmpInspection& inspection)
{
    QStringList all;
    for (const std::string& problem : inspection.problems)
        all.append(QString::fromStdString(problem));
    return all.join(QStringLiteral("; "));
}

QByteArray Header(qint32 width, qint32 height, quint16 bits, quint32 compression = 0,
                  quint32 imageSize = 0, quint32 colorsUsed = 0)
{
    Info info;
    info.width = width;
    info.height = height;
    info.bits = bits;
    info.compression = compression;
    info.imageSize = imageSize;
    info.colorsUsed = colorsUsed;
    return InfoHeader(info);
}

QByteArray Masks(std::initializer_list<quint32> masks)
{
    QByteArray out;
    for (quint32 m : masks)
        Put32(out, m);
    return out;
}

} // namespace

class TestBmpInspect : public QObject
{
    Q_OBJECT

private slots:
    void everyWrittenFormatIsConsistent();
    void inconsistencies_data();
    void inconsistencies();
    void commandLineExitCodes();
    void os2HeaderHoldsNoMasks();
};

// Each of the ten formats, as rastelle-convert writes it, with its layout.
void TestBmpInspect::everyWrittenFormatIsConsistent()
{
    QTemporaryDir dir;
    QImage picture(37, 19, QImage::Format_ARGB32);
    for (int y = 0; y < 19; ++y)
        for (int x = 0; x < 37; ++x)
            picture.setPixel(x, y, qRgba(x * 7, y * 13, 200, 40 + x));
    const QString input = dir.filePath(QStringLiteral("in.png"));
    QVERIFY(picture.save(input));
    struct Expected
    {
        const char* format;
        const char* header;
        const char* bits;
        const char* compression;
    };
    const Expected formats[] = {
        {"1", "40 bytes, BITMAPINFOHEADER", "1", "0, BI_RGB (none)"},
        {"4", "40 bytes, BITMAPINFOHEADER", "4", "0, BI_RGB (none)"},
        {"8", "40 bytes, BITMAPINFOHEADER", "8", "0, BI_RGB (none)"},
        {"16", "40 bytes, BITMAPINFOHEADER", "16", "3, BI_BITFIELDS"},
        {"24", "40 bytes, BITMAPINFOHEADER", "24", "0, BI_RGB (none)"},
        {"32", "40 bytes, BITMAPINFOHEADER", "32", "0, BI_RGB (none)"},
        {"32a", "108 bytes, BITMAPV4HEADER", "32", "3, BI_BITFIELDS"},
        {"32p", "108 bytes, BITMAPV4HEADER", "32", "3, BI_BITFIELDS"},
        {"64a", "40 bytes, BITMAPINFOHEADER", "64", "0, BI_RGB (none)"},
        {"64p", "40 bytes, BITMAPINFOHEADER", "64", "0, BI_RGB (none)"},
    };
    for (const Expected& e : formats) {
        const QString output = dir.filePath(QStringLiteral("out%1.bmp").arg(e.format));
        QString outText, errText;
        QTextStream out(&outText), err(&errText);
        QCOMPARE(RunCommandLine(
                     {input, output, QStringLiteral("--format"), QString::fromLatin1(e.format)},
                     out, err),
                 0);
        const std::unique_ptr<DibFile> file = OpenDibFileForReading(output.toStdU16String());
        QVERIFY(file);
        const BmpInspection inspection = InspectBmp(*file);
        QVERIFY2(inspection.valid && inspection.problems.empty(),
                 qPrintable(QStringLiteral("%1: %2").arg(e.format, Problems(inspection))));
        QCOMPARE(Field(inspection, "Header size"), QString::fromLatin1(e.header));
        QCOMPARE(Field(inspection, "Bits per pixel"), QString::fromLatin1(e.bits));
        QCOMPARE(Field(inspection, "Compression"), QString::fromLatin1(e.compression));
        QCOMPARE(Field(inspection, "Width"), QStringLiteral("37"));
        QCOMPARE(Field(inspection, "Height"), QStringLiteral("19, rows bottom to top"));
    }
}

void TestBmpInspect::inconsistencies_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("named"); // words of the problem, or empty for none

    const QByteArray row24(12, '\x40'); // 4 x 1 at 24 bits
    QTest::newRow("consistent 24-bit") << BitmapFile(Header(4, 1, 24), row24) << true << "";
    QTest::newRow("core header, 3-byte table")
        << BitmapFile(CoreHeader(2, 2, 1) + QByteArray(6, '\x7F'), QByteArray(8, '\0')) << true
        << "";
    QTest::newRow("not a bitmap") << QByteArray("GIF89a and more bytes here") << false
                                  << "no \"BM\" signature";
    QTest::newRow("OS/2 array") << QByteArray("BA") + QByteArray(40, '\0') << false
                                << "OS/2 bitmap array";
    QTest::newRow("shorter than the file header")
        << QByteArray("BM12") << false << "shorter than the 14-byte";
    QTest::newRow("unknown header size")
        << BitmapFile(Header(4, 1, 24).replace(0, 1, "\x2A"), row24) << false << "no known version";
    QTest::newRow("cut inside the header") << FileHeader(30, 54) + Header(4, 1, 24).left(16)
                                           << false << "inside the information header";
    QByteArray wrongSize = BitmapFile(Header(4, 1, 24), row24);
    wrongSize[2] = char(wrongSize[2] + 5);
    QTest::newRow("size field wrong") << wrongSize << true << "the size field says";
    QTest::newRow("width zero") << BitmapFile(Header(0, 1, 24), QByteArray()) << false
                                << "width is not positive";
    QTest::newRow("height zero") << BitmapFile(Header(4, 0, 24), QByteArray()) << false
                                 << "height is zero";
    QTest::newRow("odd depth") << BitmapFile(Header(4, 1, 7), row24) << false << "7 bits per pixel";
    QTest::newRow("RLE8 at 4 bits") << BitmapFile(Header(4, 1, 4, 1, 2), QByteArray(2, '\0'))
                                    << false << "8-bit run-length data with 4";
    QTest::newRow("top-down RLE") << BitmapFile(Header(4, -1, 8, 1, 2), QByteArray(2, '\0'))
                                  << false << "cannot be stored top to bottom";
    QTest::newRow("RLE without its size")
        << BitmapFile(Header(4, 1, 8, 1, 0) + QByteArray(1024, '\0'), QByteArray(4, '\0')) << true
        << "without its size";
    QTest::newRow("RLE size beyond the file")
        << BitmapFile(Header(4, 1, 8, 1, 999) + QByteArray(1024, '\0'), QByteArray(4, '\0'))
        << false << "the file holds 4";
    QTest::newRow("unknown compression")
        << BitmapFile(Header(4, 1, 24, 9), row24) << false << "no known kind";
    QTest::newRow("masks overlap")
        << BitmapFile(Header(2, 1, 16, 3) + Masks({0xF800, 0x0FE0, 0x001F}), QByteArray(4, '\0'))
        << true << "overlaps";
    QTest::newRow("mask with a gap")
        << BitmapFile(Header(2, 1, 16, 3) + Masks({0xF000 | 0x0400, 0x03E0, 0x001F}),
                      QByteArray(4, '\0'))
        << true << "has gaps";
    QTest::newRow("mask beyond the pixel")
        << BitmapFile(Header(2, 1, 16, 3) + Masks({0x1F0000, 0x07E0, 0x001F}), QByteArray(4, '\0'))
        << true << "reaches beyond the 16 bits";
    QTest::newRow("masks cut off") << BitmapFile(Header(2, 1, 16, 3) + Masks({0xF800}), {}) << false
                                   << "inside the colour masks";
    QTest::newRow("more colours than the depth")
        << BitmapFile(Header(8, 1, 1, 0, 0, 3) + Quads({0, 0xFFFFFF, 0x123456}),
                      QByteArray(4, '\0'))
        << true << "more than 1 bits per pixel can index";
    QTest::newRow("pixels inside the table")
        << FileHeader(14 + 40 + 8 + 4, 14 + 40 + 4) + Header(8, 1, 1) + Quads({0, 0xFFFFFF}) +
               QByteArray(4, '\0')
        << true << "inside the colour table";
    QTest::newRow("pixels after the end")
        << FileHeader(58, 5000) + Header(1, 1, 24) + QByteArray(4, '\0') << false
        << "after the end of the file";
    QTest::newRow("rows missing") << BitmapFile(Header(4, 3, 24), row24) << false
                                  << "bytes before the last row";
    QTest::newRow("bytes after the rows")
        << BitmapFile(Header(4, 1, 24), row24 + QByteArray(7, '\0')) << true
        << "7 bytes follow the pixel data";
    QTest::newRow("image size field wrong")
        << BitmapFile(Header(4, 1, 24, 0, 99), row24) << true << "the image size field says 99";
    QTest::newRow("more than 4 GiB")
        << BitmapFile(Header(100000, 100000, 24), row24) << false << "more than 4 GiB";
    QTest::newRow("PNG that is not") << BitmapFile(Header(4, 1, 0, 5, 12), QByteArray(12, 'x'))
                                     << true << "does not start like a PNG";
}

void TestBmpInspect::inconsistencies()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, valid);
    QFETCH(QString, named);
    const BmpInspection inspection = Inspect(file);
    QVERIFY2(inspection.valid == valid, qPrintable(Problems(inspection)));
    if (named.isEmpty())
        QVERIFY2(inspection.problems.empty(), qPrintable(Problems(inspection)));
    else
        QVERIFY2(Names(inspection, named.toUtf8().constData()), qPrintable(Problems(inspection)));
}

// 0 for a valid bitmap, 1 for an invalid or missing one, 2 for a wrong
// command; the report goes to standard output.
void TestBmpInspect::commandLineExitCodes()
{
    QTemporaryDir dir;
    const auto run = [](const QStringList& arguments, QString* printed = nullptr) {
        QString outText, errText;
        QTextStream out(&outText), err(&errText);
        const int code = RunCommandLine(arguments, out, err);
        out.flush();
        if (printed)
            *printed = outText;
        return code;
    };
    const QString good = dir.filePath(QStringLiteral("good.bmp"));
    QFile goodFile(good);
    QVERIFY(goodFile.open(QIODevice::WriteOnly));
    goodFile.write(BitmapFile(Header(4, 1, 24), QByteArray(12, '\0')));
    goodFile.close();
    QString printed;
    QCOMPARE(run({QStringLiteral("--info"), good}, &printed), 0);
    QVERIFY(printed.contains(QStringLiteral("Header size:")));
    QVERIFY(printed.contains(QStringLiteral("A valid bitmap file.")));

    const QString bad = dir.filePath(QStringLiteral("bad.bmp"));
    QFile badFile(bad);
    QVERIFY(badFile.open(QIODevice::WriteOnly));
    badFile.write(BitmapFile(Header(4, 5, 24), QByteArray(12, '\0')));
    badFile.close();
    QCOMPARE(run({QStringLiteral("--info"), bad}, &printed), 1);
    QVERIFY(printed.contains(QStringLiteral("bytes before the last row")));
    QVERIFY(printed.contains(QStringLiteral("Not a valid bitmap file.")));

    QCOMPARE(run({QStringLiteral("--info"), dir.filePath(QStringLiteral("none.bmp"))}), 1);
    QCOMPARE(run({QStringLiteral("--info"), good, QStringLiteral("extra.bmp")}), 2);
    QCOMPARE(run({QStringLiteral("--info")}), 2);
}

// An OS/2 2.x header of 64 bytes holds its own fields where later Windows
// headers keep masks: the report must not show them as masks.
void TestBmpInspect::os2HeaderHoldsNoMasks()
{
    QByteArray header = Header(4, 1, 24);
    header[0] = char(64);
    header.append(QByteArray(24, '\x11')); // units, recording, rendering, ...
    const BmpInspection inspection = Inspect(BitmapFile(header, QByteArray(12, '\0')));
    QVERIFY2(inspection.valid && inspection.problems.empty(), qPrintable(Problems(inspection)));
    QCOMPARE(Field(inspection, "Header size"),
             QStringLiteral("64 bytes, OS/2 2.x header (BITMAPCOREHEADER2)"));
    QCOMPARE(Field(inspection, "Red mask"), QStringLiteral("(absent)"));
}

QTEST_GUILESS_MAIN(TestBmpInspect)
#include "test_bmp_inspect.moc"
