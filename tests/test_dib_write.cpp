// Capturing device bitmaps at each depth, the nearest colours chosen, and
// writing bitmap files that this code and Qt's decoder both read back.
#include "dib/CMyBitMap.h"
#include "dib/NearestColor.h"
#include "support/DibBytes.h"
#include "support/TestFiles.h"

#include <QFileInfo>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <climits>

using namespace dibbytes;

namespace {

// Channel values around every level of the fixed and the VGA palettes,
// ties included.
const int kLevels[] = {0,   1,   15,  16,  17,  31,  32,  33,  47,  48,  49,
                       63,  64,  65,  95,  96,  97,  127, 128, 129, 159, 160,
                       161, 191, 192, 193, 223, 224, 225, 239, 240, 254, 255};
constexpr int kLevelCount = int(std::size(kLevels));

// Every combination of those values: one row per blue value.
HBITMAP LevelsBitmap()
{
    return MakeBitmap(kLevelCount * kLevelCount, kLevelCount, [](int x, int y) {
        return quint32(kLevels[x % kLevelCount]) << 16 | quint32(kLevels[x / kLevelCount]) << 8 |
               quint32(kLevels[y]);
    });
}

HBITMAP GradientBitmap(int width, int height)
{
    return MakeBitmap(width, height, [=](int x, int y) {
        return quint32(x * 255 / std::max(1, width - 1)) << 16 |
               quint32(y * 255 / std::max(1, height - 1)) << 8 | quint32((x * 7 + y * 3) & 0xFF);
    });
}

HBITMAP NoiseBitmap(int width, int height, quint32 seed)
{
    QRandomGenerator random(seed);
    return MakeBitmap(width, height, [&](int, int) { return random.generate() & 0xFFFFFF; });
}

// The plain search the matcher must agree with.
int BruteNearest(const std::vector<PALETTEENTRY>& entries, quint32 rgb)
{
    const int r = int(rgb >> 16) & 0xFF;
    const int g = int(rgb >> 8) & 0xFF;
    const int b = int(rgb) & 0xFF;
    int best = 0;
    int bestDistance = INT_MAX;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const int dr = r - entries[i].peRed;
        const int dg = g - entries[i].peGreen;
        const int db = b - entries[i].peBlue;
        const int d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = int(i);
        }
    }
    return best;
}

// 1 bit: white where the Rec. 601 luma is mid-grey or brighter.
int BrightnessIndex(quint32 rgb)
{
    const double luma =
        0.299 * ((rgb >> 16) & 0xFF) + 0.587 * ((rgb >> 8) & 0xFF) + 0.114 * (rgb & 0xFF);
    return luma >= 128.0 - 1e-9 ? 1 : 0;
}

std::vector<PALETTEENTRY> RandomEntries(int count, quint32 seed, int distinctValues)
{
    QRandomGenerator random(seed);
    std::vector<PALETTEENTRY> entries(static_cast<std::size_t>(count));
    for (PALETTEENTRY& e : entries) {
        // Few distinct values make repeated colours and ties likely.
        const int step = 256 / distinctValues;
        e.peRed = std::uint8_t(random.bounded(distinctValues) * step);
        e.peGreen = std::uint8_t(random.bounded(distinctValues) * step);
        e.peBlue = std::uint8_t(random.bounded(distinctValues) * step);
    }
    return entries;
}

} // namespace

class TestDibWrite : public QObject
{
    Q_OBJECT

private slots:
    void capturesLayouts_data();
    void capturesLayouts();
    void directColorBytes();
    void refusesWhatItCannotMake_data();
    void refusesWhatItCannotMake();
    void nearestColors_data();
    void nearestColors();
    void oneBitFollowsBrightness();
    void compressedReservesHalfAgain();
    void runLengthMatchesPlain_data();
    void runLengthMatchesPlain();

    void saveRefusesExistingFile();
    void writesChunked_data();
    void writesChunked();
    void writesFileHeader();
    void roundTrip24BitFile();
    void roundTripThroughBlocks_data();
    void roundTripThroughBlocks();
    void qtReadsWhatIsWritten_data();
    void qtReadsWhatIsWritten();

private:
    QTemporaryDir m_dir;
};

void TestDibWrite::capturesLayouts_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("storedBits");
    QTest::addColumn<int>("imageSize");
    QTest::addColumn<int>("tableBytes");
    QTest::addColumn<int>("fileSize");
    QTest::addColumn<int>("pixelOffset");
    // 10x10 pixels.
    QTest::newRow("1 bit") << 1 << 1 << 40 << 8 << 102 << 62;
    QTest::newRow("4 bits") << 4 << 4 << 80 << 64 << 198 << 118;
    QTest::newRow("8 bits") << 8 << 8 << 120 << 1024 << 1198 << 1078;
    QTest::newRow("16 bits") << 16 << 16 << 200 << 0 << 254 << 54;
    QTest::newRow("24 bits") << 24 << 24 << 320 << 0 << 374 << 54;
    QTest::newRow("32 bits") << 32 << 32 << 400 << 0 << 454 << 54;
    QTest::newRow("0: the device's own depth") << 0 << 32 << 400 << 0 << 454 << 54;
}

void TestDibWrite::capturesLayouts()
{
    QFETCH(int, bits);
    QFETCH(int, storedBits);
    QFETCH(int, imageSize);
    QFETCH(int, tableBytes);
    QFETCH(int, fileSize);
    QFETCH(int, pixelOffset);
    const HBITMAP bitmap = GradientBitmap(10, 10);
    const QList<quint32> before = PixelsOf(*bitmap);
    CMyBitMap dib;
    const HDIB block = dib.FromDeviceBitmap(bitmap.get(), BI_RGB, quint16(bits), nullptr);
    QVERIFY(block);
    QCOMPARE(PixelsOf(*bitmap), before); // the bitmap is left as it was
    QCOMPARE(block->Size(), std::size_t(40 + tableBytes + imageSize));
    QCOMPARE(BytesOf(*block).left(40), InfoHeader({.width = 10,
                                                   .height = 10,
                                                   .bits = quint16(storedBits),
                                                   .imageSize = quint32(imageSize)}));

    const QString path = m_dir.filePath(QStringLiteral("layout-%1.bmp").arg(bits));
    QCOMPARE(dib.SaveFile(U16(path), block.get()), 1);
    const QByteArray file = ReadTestFile(path);
    QCOMPARE(file.size(), fileSize);
    QCOMPARE(file.left(14), FileHeader(quint32(fileSize), quint32(pixelOffset)));
    QCOMPARE(file.mid(14), BytesOf(*block));

    // Read back: the same table and pixels (the reader fills in the count
    // of colours used).
    const HDIB loaded = dib.LoadFile(U16(path));
    QVERIFY(loaded);
    QCOMPARE(BytesOf(*loaded).mid(40), BytesOf(*block).mid(40));
}

void TestDibWrite::directColorBytes()
{
    // Two rows of three: stored bottom row first, rows padded with zeros.
    const HBITMAP bitmap = MakeBitmap(3, 2, [](int x, int y) {
        const quint32 top[] = {0xFF0000, 0x00FF00, 0x0000FF};
        const quint32 bottom[] = {0x123456, 0xF8F8F8, 0x070707};
        return y == 0 ? top[x] : bottom[x];
    });
    CMyBitMap dib;
    HDIB block = dib.FromDeviceBitmap(bitmap.get(), BI_RGB, 24, nullptr);
    QVERIFY(block);
    QCOMPARE(BytesOf(*block).mid(40), QByteArray("\x56\x34\x12\xF8\xF8\xF8\x07\x07\x07\0\0\0"
                                                 "\0\0\xFF\0\xFF\0\xFF\0\0\0\0\0",
                                                 24));
    block = dib.FromDeviceBitmap(bitmap.get(), BI_RGB, 32, nullptr);
    QVERIFY(block);
    QCOMPARE(BytesOf(*block).mid(40, 12),
             QByteArray("\x56\x34\x12\0\xF8\xF8\xF8\0\x07\x07\x07\0", 12));
    // 5-5-5 keeps each channel's top five bits.
    block = dib.FromDeviceBitmap(bitmap.get(), BI_RGB, 16, nullptr);
    QVERIFY(block);
    QCOMPARE(BytesOf(*block).mid(40), QByteArray("\xCA\x08\xFF\x7F\0\0\0\0"
                                                 "\x00\x7C\xE0\x03\x1F\x00\0\0",
                                                 16));
}

void TestDibWrite::refusesWhatItCannotMake_data()
{
    QTest::addColumn<quint32>("compression");
    QTest::addColumn<int>("bits");
    QTest::newRow("2 bits") << BI_RGB << 2;
    QTest::newRow("7 bits") << BI_RGB << 7;
    QTest::newRow("48 bits") << BI_RGB << 48;
    QTest::newRow("RLE8 at 4 bits") << BI_RLE8 << 4;
    QTest::newRow("RLE4 at 8 bits") << BI_RLE4 << 8;
    QTest::newRow("RLE8 at 24 bits") << BI_RLE8 << 24;
    // No place for the masks in a block.
    QTest::newRow("bit fields at 16 bits") << BI_BITFIELDS << 16;
    QTest::newRow("bit fields at 32 bits") << BI_BITFIELDS << 32;
    QTest::newRow("JPEG") << quint32(4) << 24;
}

void TestDibWrite::refusesWhatItCannotMake()
{
    QFETCH(quint32, compression);
    QFETCH(int, bits);
    const HBITMAP bitmap = GradientBitmap(4, 4);
    CMyBitMap dib;
    QVERIFY(!dib.FromDeviceBitmap(bitmap.get(), compression, quint16(bits), nullptr));
    QVERIFY(!dib.FromDeviceBitmap(nullptr, BI_RGB, 24, nullptr));
}

void TestDibWrite::nearestColors_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("palette"); // 0 none, 1 fixed, 2+ random seeds
    QTest::addColumn<int>("paletteSize");
    QTest::newRow("1 bit: black and white by brightness") << 1 << 0 << 0;
    QTest::newRow("4 bits: VGA colours") << 4 << 0 << 0;
    QTest::newRow("8 bits: the fixed 8-8-4 palette") << 8 << 1 << 256;
    QTest::newRow("8 bits: default palette") << 8 << 0 << 0;
    QTest::newRow("8 bits: 256 random colours") << 8 << 2 << 256;
    QTest::newRow("8 bits: 40 colours, many repeated") << 8 << 3 << 40;
    QTest::newRow("8 bits: two colours") << 8 << 4 << 2;
    QTest::newRow("8 bits: one colour") << 8 << 5 << 1;
    QTest::newRow("8 bits: 300 colours, 256 used") << 8 << 6 << 300;
    // The fixed palette with one entry changed is searched, not computed.
    QTest::newRow("8 bits: almost the fixed palette") << 8 << 7 << 256;
    // Colours with an odd red value lie exactly between these two.
    QTest::newRow("8 bits: two colours, ties") << 8 << 8 << 2;
    QTest::newRow("8 bits: three colours, ties") << 8 << 9 << 3;
}

void TestDibWrite::nearestColors()
{
    QFETCH(int, bits);
    QFETCH(int, palette);
    QFETCH(int, paletteSize);

    std::vector<PALETTEENTRY> given;
    if (palette == 1 || palette == 7) {
        given = FixedPalette().Entries();
        if (palette == 7)
            given[100] = {250, 5, 250, 0};
    } else if (palette == 8 || palette == 9) {
        given = {{0, 64, 64, 0}, {2, 64, 64, 0}, {2, 64, 64, 0}};
        given.resize(std::size_t(paletteSize));
    } else if (palette >= 2) {
        given = RandomEntries(paletteSize, quint32(palette), palette == 3 ? 4 : 256);
    }
    const DevicePalette devicePalette(given);

    // What the table must hold, and what the search runs over.
    std::vector<PALETTEENTRY> table;
    if (bits == 1)
        table = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    else if (bits == 4)
        table = VgaPalette().Entries();
    else if (palette == 0)
        table = DefaultPalette().Entries();
    else
        table.assign(given.begin(), given.begin() + std::min<std::ptrdiff_t>(256, paletteSize));

    // The levels picture is large enough for the lookup by colour boxes, the
    // noise small enough for the direct search: both must agree with the
    // plain search here.
    const HBITMAP levels = LevelsBitmap();
    const HBITMAP noise = NoiseBitmap(200, 50, 99);
    CMyBitMap dib;
    for (const DeviceBitmap* bitmap : {levels.get(), noise.get()}) {
        const HDIB block = dib.FromDeviceBitmap(bitmap, BI_RGB, quint16(bits),
                                                palette == 0 ? nullptr : &devicePalette);
        QVERIFY(block);
        const int entries = 1 << bits;
        for (int i = 0; i < entries; ++i) {
            const quint32 expected = std::size_t(i) < table.size()
                                         ? quint32(table[std::size_t(i)].peRed) << 16 |
                                               quint32(table[std::size_t(i)].peGreen) << 8 |
                                               table[std::size_t(i)].peBlue
                                         : 0u;
            QCOMPARE(TableColor(*block, i), expected);
        }
        int mismatches = 0;
        for (int y = 0; y < bitmap->Height(); ++y) {
            for (int x = 0; x < bitmap->Width(); ++x) {
                const quint32 rgb = bitmap->Row(y)[x];
                const int wanted = bits == 1 ? BrightnessIndex(rgb) : BruteNearest(table, rgb);
                if (IndexAt(*block, x, y) != wanted && mismatches++ < 5)
                    qWarning("pixel %d,%d colour %06x: index %d, wanted %d", x, y, rgb,
                             IndexAt(*block, x, y), wanted);
            }
        }
        QCOMPARE(mismatches, 0);
    }
}

void TestDibWrite::oneBitFollowsBrightness()
{
    // Luma 0.299 R + 0.587 G + 0.114 B from 128 up is white. Saturated
    // colours go by how bright they look, not by which of black and white
    // is nearer: green is bright, magenta and a mid blue are dark.
    struct Case
    {
        quint32 rgb;
        int index;
    };
    const Case cases[] =
        {
            {0x000000, 0}, {0xFFFFFF, 1}, {0x7F7F7F, 0}, {0x808080, 1},
            {0x04D21F, 1}, // luma exactly 128.000
            {0x06D700, 0}, // luma 127.999
            {0x00FF00, 1}, {0xFF00FF, 0}, {0x6464FF, 0}, {0x0000FF, 0},
            {0xFF0000, 0}, {0xFFFF00, 1}, {0x00FFFF, 1},
        };
    const int count = int(std::size(cases));
    const HBITMAP bitmap = MakeBitmap(count, 1, [&](int x, int) { return cases[x].rgb; });
    CMyBitMap dib;
    const HDIB block = dib.FromDeviceBitmap(bitmap.get(), BI_RGB, 1, nullptr);
    QVERIFY(block);
    QCOMPARE(TableColor(*block, 0), 0x000000u);
    QCOMPARE(TableColor(*block, 1), 0xFFFFFFu);
    for (int x = 0; x < count; ++x) {
        QVERIFY2(BrightnessIndex(cases[x].rgb) == cases[x].index, "the case table is wrong");
        QVERIFY2(
            IndexAt(*block, x, 0) == cases[x].index,
            qPrintable(QStringLiteral("colour %1").arg(cases[x].rgb, 6, 16, QLatin1Char('0'))));
    }
}

void TestDibWrite::compressedReservesHalfAgain()
{
    // A plain 10x10 picture at 8 bits needs 120 bytes; run-length coding
    // reserves half again, 180, and codes it in far less.
    const HBITMAP bitmap = MakeBitmap(10, 10, [](int, int) { return 0xFF0000u; });
    CMyBitMap dib;
    const HDIB block = dib.FromDeviceBitmap(bitmap.get(), BI_RLE8, 8, nullptr);
    QVERIFY(block);
    QCOMPARE(block->Size(), std::size_t(40 + 1024 + 180));
    const BITMAPINFOHEADER header = ParseInfoHeader(block->Data());
    QCOMPARE(header.biCompression, BI_RLE8);
    // Ten rows of one run and an end mark each.
    QCOMPARE(header.biSizeImage, 40u);
    const int red = BruteNearest(DefaultPalette().Entries(), 0xFF0000);
    QByteArray expected;
    for (int row = 0; row < 10; ++row)
        expected += QByteArray(1, '\x0A') + QByteArray(1, char(red)) +
                    QByteArray(row < 9 ? "\0\0" : "\0\1", 2);
    QCOMPARE(BytesOf(*block).mid(40 + 1024, 40), expected);
    QCOMPARE(BytesOf(*block).mid(40 + 1024 + 40), QByteArray(140, '\0'));

    const HDIB block4 = dib.FromDeviceBitmap(bitmap.get(), BI_RLE4, 4, nullptr);
    QVERIFY(block4);
    QCOMPARE(block4->Size(), std::size_t(40 + 64 + 120));
}

void TestDibWrite::runLengthMatchesPlain_data()
{
    QTest::addColumn<int>("kind"); // 0 gradient, 1 noise, 2 stripes
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("gradient 37x9") << 0 << 37 << 9;
    QTest::newRow("noise 3x5, needs more than the reserve") << 1 << 3 << 5;
    QTest::newRow("noise 1x4") << 1 << 1 << 4;
    QTest::newRow("noise 2x3") << 1 << 2 << 3;
    QTest::newRow("noise 600x3, literal runs split") << 1 << 600 << 3;
    QTest::newRow("stripes 700x4, long runs split") << 2 << 700 << 4;
}

void TestDibWrite::runLengthMatchesPlain()
{
    QFETCH(int, kind);
    QFETCH(int, width);
    QFETCH(int, height);
    HBITMAP bitmap = kind == 0   ? GradientBitmap(width, height)
                     : kind == 1 ? NoiseBitmap(width, height, 7)
                                 : MakeBitmap(width, height, [](int x, int y) {
                                       return x < 300 ? 0xFFFFFFu : (x + y) % 3 == 0 ? 0u : 0xFF;
                                   });
    const HPALETTE palette = std::make_unique<DevicePalette>(FixedPalette());
    CMyBitMap dib;
    for (const auto& [compression, bits] : {std::pair{BI_RLE8, 8}, std::pair{BI_RLE4, 4}}) {
        const HDIB plain = dib.FromDeviceBitmap(bitmap.get(), BI_RGB, quint16(bits), palette.get());
        const HDIB coded =
            dib.FromDeviceBitmap(bitmap.get(), compression, quint16(bits), palette.get());
        QVERIFY(plain && coded);
        const BITMAPINFOHEADER header = ParseInfoHeader(coded->Data());
        const std::size_t tableBytes = std::size_t(4) << bits;
        const std::size_t reserve =
            std::size_t(RowStride(width, quint32(bits))) * std::size_t(height) * 3 / 2;
        QCOMPARE(coded->Size(),
                 40 + tableBytes + std::max<std::size_t>(reserve, header.biSizeImage));
        const HBITMAP fromPlain = dib.ToDeviceBitmap(plain.get(), nullptr);
        const HBITMAP fromCoded = dib.ToDeviceBitmap(coded.get(), nullptr);
        QVERIFY(fromPlain && fromCoded);
        QCOMPARE(PixelsOf(*fromCoded), PixelsOf(*fromPlain));
    }
}

void TestDibWrite::saveRefusesExistingFile()
{
    QStringList messages;
    CMyBitMap::Platform platform;
    platform.showMessage = [&](const std::u16string& text, const std::u16string& caption) {
        messages.append(QString::fromStdU16String(text) + "|" + QString::fromStdU16String(caption));
    };
    CMyBitMap dib(platform);
    const HBITMAP bitmap = GradientBitmap(4, 4);
    const HDIB block = dib.FromDeviceBitmap(bitmap.get(), BI_RGB, 24, nullptr);

    QCOMPARE(dib.SaveFile(U16(m_dir.filePath("null.bmp")), nullptr), 0);
    QVERIFY(messages.isEmpty());
    QVERIFY(!QFileInfo::exists(m_dir.filePath("null.bmp")));

    const QString path = m_dir.filePath("existing.bmp");
    QVERIFY(WriteTestFile(path, "keep me"));
    QCOMPARE(dib.SaveFile(U16(path), block.get()), 0);
    QCOMPARE(messages, QStringList{"Can not create the file!|" + path});
    QCOMPARE(ReadTestFile(path), QByteArray("keep me"));

    // Less than a header is nothing to save.
    const HDIB tiny = BlockFrom(QByteArray(20, '\0'));
    QCOMPARE(dib.SaveFile(U16(m_dir.filePath("tiny.bmp")), tiny.get()), 0);
    QVERIFY(!QFileInfo::exists(m_dir.filePath("tiny.bmp")));
}

void TestDibWrite::writesChunked_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("diskRoom"); // -1 for no limit
    QTest::addColumn<QList<qsizetype>>("writes");
    QTest::addColumn<int>("result");
    QTest::newRow("nothing") << 0 << -1 << QList<qsizetype>{0} << 0;
    QTest::newRow("exactly one chunk") << 32768 << -1 << QList<qsizetype>{32768} << 32768;
    QTest::newRow("one byte more") << 32769 << -1 << QList<qsizetype>{32768, 1} << 32769;
    QTest::newRow("two chunks") << 65536 << -1 << QList<qsizetype>{32768, 32768} << 65536;
    QTest::newRow("disk full in the first chunk") << 70000 << 1000 << QList<qsizetype>{32768} << 0;
    QTest::newRow("disk full in the rest") << 32770 << 32769 << QList<qsizetype>{32768, 2} << 0;
}

void TestDibWrite::writesChunked()
{
    QFETCH(int, count);
    QFETCH(int, diskRoom);
    QFETCH(QList<qsizetype>, writes);
    QFETCH(int, result);
    std::vector<std::uint8_t> source(std::size_t(count) + 1);
    for (std::size_t i = 0; i < source.size(); ++i)
        source[i] = std::uint8_t(i % 253);
    RecordingFile file;
    file.writeLimit = diskRoom;
    CMyBitMap dib;
    QCOMPARE(int(dib.WriteChunked(file, source.data(), std::uint32_t(count))), result);
    QCOMPARE(file.writes, writes);
    const std::size_t written = diskRoom < 0 ? std::size_t(count) : std::size_t(diskRoom);
    QCOMPARE(file.Bytes(),
             std::vector<std::uint8_t>(source.begin(), source.begin() + std::ptrdiff_t(written)));
}

void TestDibWrite::writesFileHeader()
{
    RecordingFile file;
    BITMAPFILEHEADER header;
    header.bfType = kBitmapFileType;
    header.bfSize = 0x01020304;
    header.bfReserved1 = 0x0506;
    header.bfReserved2 = 0x0708;
    header.bfOffBits = 0x090A0B0C;
    CMyBitMap dib;
    dib.WriteFileHeader(file, header);
    QCOMPARE(file.writes, (QList<qsizetype>{2, 12}));
    const std::vector<std::uint8_t> expected{'B', 'M', 4, 3, 2, 1, 6, 5, 8, 7, 0xC, 0xB, 0xA, 9};
    QCOMPARE(file.Bytes(), expected);
}

void TestDibWrite::roundTrip24BitFile()
{
    // Written the way a capture writes: nothing may change on the way
    // through the device bitmap and back.
    QRandomGenerator random(5);
    QByteArray pixels;
    for (int y = 0; y < 3; ++y) {
        for (int i = 0; i < 15; ++i)
            pixels.append(char(random.bounded(256)));
        pixels.append(QByteArray(1, '\0')); // pad 15 to 16
    }
    const QByteArray original =
        BitmapFile(InfoHeader({.width = 5, .height = 3, .bits = 24, .imageSize = 48}), pixels);
    const QString in = m_dir.filePath("round-in.bmp");
    const QString out = m_dir.filePath("round-out.bmp");
    QVERIFY(WriteTestFile(in, original));

    CMyBitMap dib;
    const HDIB loaded = dib.LoadFile(U16(in));
    QVERIFY(loaded);
    const HBITMAP bitmap = dib.ToDeviceBitmap(loaded.get(), nullptr);
    QVERIFY(bitmap);
    const HDIB captured = dib.FromDeviceBitmap(bitmap.get(), BI_RGB, 24, nullptr);
    QVERIFY(captured);
    QCOMPARE(dib.SaveFile(U16(out), captured.get()), 1);
    QCOMPARE(ReadTestFile(out), original);
}

void TestDibWrite::roundTripThroughBlocks_data()
{
    QTest::addColumn<int>("bits");
    QTest::newRow("16 bits") << 16;
    QTest::newRow("32 bits") << 32;
    QTest::newRow("8 bits, fixed palette") << 8;
    QTest::newRow("4 bits") << 4;
    QTest::newRow("1 bit") << 1;
}

void TestDibWrite::roundTripThroughBlocks()
{
    // What a capture makes, decoded and captured again, comes out the same.
    QFETCH(int, bits);
    const HBITMAP bitmap = NoiseBitmap(13, 7, 11);
    const HPALETTE palette = std::make_unique<DevicePalette>(FixedPalette());
    CMyBitMap dib;
    const HDIB first = dib.FromDeviceBitmap(bitmap.get(), BI_RGB, quint16(bits), palette.get());
    QVERIFY(first);
    const HBITMAP decoded = dib.ToDeviceBitmap(first.get(), nullptr);
    QVERIFY(decoded);
    const HDIB second = dib.FromDeviceBitmap(decoded.get(), BI_RGB, quint16(bits), palette.get());
    QVERIFY(second);
    QCOMPARE(BytesOf(*second), BytesOf(*first));
}

void TestDibWrite::qtReadsWhatIsWritten_data()
{
    QTest::addColumn<quint32>("compression");
    QTest::addColumn<int>("bits");
    QTest::addColumn<bool>("fixedPalette");
    QTest::newRow("1 bit") << BI_RGB << 1 << false;
    QTest::newRow("4 bits") << BI_RGB << 4 << false;
    QTest::newRow("8 bits, default palette") << BI_RGB << 8 << false;
    QTest::newRow("8 bits, fixed palette") << BI_RGB << 8 << true;
    QTest::newRow("8 bits, run-length") << BI_RLE8 << 8 << true;
    QTest::newRow("4 bits, run-length") << BI_RLE4 << 4 << false;
    QTest::newRow("16 bits") << BI_RGB << 16 << false;
    QTest::newRow("24 bits") << BI_RGB << 24 << false;
    QTest::newRow("32 bits") << BI_RGB << 32 << false;
}

void TestDibWrite::qtReadsWhatIsWritten()
{
    QFETCH(quint32, compression);
    QFETCH(int, bits);
    QFETCH(bool, fixedPalette);
    const HBITMAP bitmap = GradientBitmap(23, 11);
    const HPALETTE palette =
        fixedPalette ? std::make_unique<DevicePalette>(FixedPalette()) : HPALETTE();
    CMyBitMap dib;
    const HDIB block =
        dib.FromDeviceBitmap(bitmap.get(), compression, quint16(bits), palette.get());
    QVERIFY(block);
    const QString path = m_dir.filePath(
        QStringLiteral("qt-%1-%2-%3.bmp").arg(compression).arg(bits).arg(fixedPalette));
    QCOMPARE(dib.SaveFile(U16(path), block.get()), 1);

    const QImage image(path);
    QVERIFY(!image.isNull());
    QCOMPARE(image.width(), 23);
    QCOMPARE(image.height(), 11);
    // Our decoding of the block shows each pixel's table entry (or direct
    // colour); Qt must see the same colours in the file.
    const HBITMAP ours = dib.ToDeviceBitmap(block.get(), nullptr);
    QVERIFY(ours);
    const std::vector<PALETTEENTRY> table =
        bits == 1      ? std::vector<PALETTEENTRY>{{0, 0, 0, 0}, {255, 255, 255, 0}}
        : bits == 4    ? VgaPalette().Entries()
        : fixedPalette ? FixedPalette().Entries()
                       : DefaultPalette().Entries();
    for (int y = 0; y < 11; ++y) {
        for (int x = 0; x < 23; ++x) {
            const quint32 seen = image.pixel(x, y) & 0xFFFFFF;
            if (bits == 16) {
                // Qt widens five bits by shifting, this code repeats the top
                // bits into the low ones; the five stored bits must agree.
                QCOMPARE(seen & 0xF8F8F8, ours->Row(y)[x] & 0xF8F8F8);
                continue;
            }
            QCOMPARE(seen, ours->Row(y)[x]);
            if (bits <= 8) {
                const quint32 rgb = bitmap->Row(y)[x];
                const int index = bits == 1 ? BrightnessIndex(rgb) : BruteNearest(table, rgb);
                const PALETTEENTRY& e = table[std::size_t(index)];
                QCOMPARE(seen, quint32(e.peRed) << 16 | quint32(e.peGreen) << 8 | e.peBlue);
            } else if (bits >= 24) {
                QCOMPARE(seen, bitmap->Row(y)[x]);
            }
        }
    }
}

QTEST_GUILESS_MAIN(TestDibWrite)
#include "test_dib_write.moc"
