// Reading metafile headers and records: kinds told by content, sizes and
// resolutions from the headers, and damaged or hostile files stopped with a
// clear status at the place of the damage.
#include "metafile/ByteReader.h"
#include "metafile/EmfHeader.h"
#include "metafile/EmfRecords.h"
#include "metafile/MetafileKind.h"
#include "metafile/WmfHeader.h"
#include "metafile/WmfRecords.h"
#include "support/MetafileBytes.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <cstdint>
#include <limits>

using namespace metafile;
using namespace metafilebytes;

class TestMetafileRecords : public QObject
{
    Q_OBJECT

private slots:
    void byteReaderStaysInside();
    void kindsByContent();
    void emfHeaderSizeAndResolution();
    void emfHeaderRefusesBadHeaders();
    void emfPlusComments();
    void emfRecordsStopAtDamage();
    void wmfPlaceableSize();
    void wmfPlaceableRefusesBadHeaders();
    void wmfSizeFromRecords();
    void wmfRecordsStopAtDamage();
    void sharedFilesReadWithoutFault();
};

void TestMetafileRecords::byteReaderStaysInside()
{
    const Bytes data = {0x01, 0x02, 0x03, 0x04, 0xFE, 0xFF};
    const ByteReader r(data);
    std::uint32_t u32 = 7;
    QVERIFY(r.U32At(0, u32));
    QCOMPARE(u32, 0x04030201u);
    std::int16_t i16 = 0;
    QVERIFY(r.I16At(4, i16));
    QCOMPARE(i16, std::int16_t(-2));
    // One byte short, and offsets that would wrap, are refused untouched.
    u32 = 7;
    QVERIFY(!r.U32At(3, u32));
    QCOMPARE(u32, 7u);
    std::uint16_t u16 = 9;
    QVERIFY(!r.U16At(5, u16));
    QVERIFY(!r.U16At(std::numeric_limits<std::size_t>::max(), u16));
    QCOMPARE(u16, std::uint16_t(9));
    QVERIFY(r.Holds(6, 0));
    QVERIFY(!r.Holds(7, 0));
    QVERIFY(!r.Holds(2, std::numeric_limits<std::size_t>::max()));
    ByteReader sub;
    QVERIFY(r.Sub(2, 4, sub));
    QCOMPARE(sub.Size(), std::size_t(4));
    QVERIFY(!sub.U32At(1, u32));
    QVERIFY(!r.Sub(3, 4, sub));
    std::uint8_t u8 = 0;
    QVERIFY(!ByteReader().U8At(0, u8));

    const std::size_t max = std::numeric_limits<std::size_t>::max();
    QVERIFY(!CheckedAdd(max, 1));
    QCOMPARE(*CheckedAdd(max - 1, 1), max);
    QVERIFY(!CheckedMul(max / 2 + 1, 2));
    QCOMPARE(*CheckedMul(max / 2, 2), max - 1);
    QCOMPARE(*CheckedMul(0, max), std::size_t(0));
}

void TestMetafileRecords::kindsByContent()
{
    QCOMPARE(DetectMetafileKind(EmfBuilder().Eof().Finish()), MetafileKind::Emf);
    QCOMPARE(DetectMetafileKind(WmfBuilder(WmfPlaceableFields{}).Eof().Finish()),
             MetafileKind::Wmf);
    QCOMPARE(DetectMetafileKind(WmfBuilder().Eof().Finish()), MetafileKind::Wmf);
    QVERIFY(HasWmfPlaceableHeader(WmfBuilder(WmfPlaceableFields{}).Finish()));
    QVERIFY(!HasWmfPlaceableHeader(WmfBuilder().Finish()));

    QCOMPARE(DetectMetafileKind({}), MetafileKind::None);
    const Bytes bmp = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    QCOMPARE(DetectMetafileKind(bmp), MetafileKind::None);
    // EMR_HEADER's type alone is not enough: the signature must be there.
    Bytes emf = EmfBuilder().Eof().Finish();
    emf[40] = 'X';
    QCOMPARE(DetectMetafileKind(emf), MetafileKind::None);
    // Cut before the signature.
    Bytes shortEmf = EmfBuilder().Finish();
    shortEmf.resize(42);
    QCOMPARE(DetectMetafileKind(shortEmf), MetafileKind::None);
    // A standard header needs HeaderSize 9 and a known version.
    Bytes wmf = WmfBuilder().Eof().Finish();
    wmf[2] = 8;
    QCOMPARE(DetectMetafileKind(wmf), MetafileKind::None);
    wmf = WmfBuilder().Eof().Finish();
    wmf[5] = 0x02;
    QCOMPARE(DetectMetafileKind(wmf), MetafileKind::None);
    QCOMPARE(DetectMetafileKind(Bytes{1, 0, 9}), MetafileKind::None);
}

void TestMetafileRecords::emfHeaderSizeAndResolution()
{
    EmfHeaderFields f;
    f.bounds[0] = -3;
    f.frame[2] = 25400; // 10 inches at 100 pixels per inch
    f.frame[3] = 12700;
    const Bytes file = EmfBuilder(f).Record(27, Bytes(8, 0)).Eof().Finish();
    EmfPicture p;
    QCOMPARE(ReadEmfPicture(file, p), MetafileStatus::Ok);
    QCOMPARE(p.header.rclBounds.left, -3);
    QCOMPARE(p.header.rclFrame.right, 25400);
    QCOMPARE(p.header.szlDevice.cx, 1000);
    QCOMPARE(p.header.szlMillimeters.cy, 127);
    QCOMPARE(p.header.nBytes, std::uint32_t(file.size()));
    QCOMPARE(p.header.nRecords, 3u);
    QVERIFY(!p.header.hasMicrometers);
    QCOMPARE(p.dpiX, 100.0);
    QCOMPARE(p.dpiY, 100.0);
    QCOMPARE(p.width, 1000);
    QCOMPARE(p.height, 500);
    QVERIFY(!p.hasEmfPlus);
    QCOMPARE(p.recordStatus, MetafileStatus::Ok);
    QVERIFY(p.reachedEof);
    QCOMPARE(p.recordsRead, std::size_t(3));
    QCOMPARE(p.stopOffset, file.size());

    // The micrometre size is the finer measure: rounded millimetres give way.
    f.millimeters[0] = 250;
    f.micrometers = true;
    f.micrometersSize[0] = 254000;
    QCOMPARE(ReadEmfPicture(EmfBuilder(f).Eof().Finish(), p), MetafileStatus::Ok);
    QVERIFY(p.header.hasMicrometers);
    QCOMPARE(p.header.szlMicrometers.cx, 254000);
    QCOMPARE(p.dpiX, 100.0);
    QCOMPARE(p.width, 1000);

    // An empty frame leaves the bounds (inclusive) to give the size.
    EmfHeaderFields empty;
    empty.frame[2] = 0;
    empty.bounds[2] = 199;
    QCOMPARE(ReadEmfPicture(EmfBuilder(empty).Eof().Finish(), p), MetafileStatus::Ok);
    QCOMPARE(p.width, 200);
    QCOMPARE(p.height, 50); // the frame's 12.7 mm at 100 pixels per inch
    // No usable device: the bounds, at screen resolution.
    EmfHeaderFields noDevice;
    noDevice.millimeters[0] = 0;
    noDevice.millimeters[1] = 0;
    QCOMPARE(ReadEmfPicture(EmfBuilder(noDevice).Eof().Finish(), p), MetafileStatus::Ok);
    QCOMPARE(p.width, 100);
    QCOMPARE(p.height, 50);
    QCOMPARE(p.dpiX, 96.0);
}

void TestMetafileRecords::emfHeaderRefusesBadHeaders()
{
    EmfHeader h;
    EmfPicture p;
    const Bytes good = EmfBuilder().Eof().Finish();
    QCOMPARE(ReadEmfHeader(good, h), MetafileStatus::Ok);
    QCOMPARE(ReadEmfHeader(WmfBuilder().Eof().Finish(), h), MetafileStatus::NotMetafile);

    Bytes small = good; // nSize below the fixed fields
    Set32(small, 4, 80);
    QCOMPARE(ReadEmfHeader(small, h), MetafileStatus::BadHeader);
    Bytes unaligned = good;
    Set32(unaligned, 4, 90);
    QCOMPARE(ReadEmfHeader(unaligned, h), MetafileStatus::BadHeader);
    Bytes past = good;
    Set32(past, 4, 0xFFFFFFFC);
    QCOMPARE(ReadEmfHeader(past, h), MetafileStatus::TruncatedHeader);
    Bytes cut = good;
    cut.resize(60);
    QCOMPARE(ReadEmfHeader(cut, h), MetafileStatus::TruncatedHeader);
    QCOMPARE(ReadEmfPicture(cut, p), MetafileStatus::TruncatedHeader);

    // Absurd sides, from a frame spanning the whole range or from bounds
    // that give nothing, are refused rather than handed on.
    EmfHeaderFields huge;
    huge.frame[0] = std::numeric_limits<std::int32_t>::min();
    huge.frame[2] = std::numeric_limits<std::int32_t>::max();
    QCOMPARE(ReadEmfPicture(EmfBuilder(huge).Eof().Finish(), p), MetafileStatus::BadHeader);
    EmfHeaderFields nothing;
    nothing.frame[2] = 0;
    nothing.bounds[0] = 10;
    nothing.bounds[2] = 5;
    QCOMPARE(ReadEmfPicture(EmfBuilder(nothing).Eof().Finish(), p), MetafileStatus::BadHeader);
    EmfHeaderFields wideBounds;
    wideBounds.frame[2] = 0;
    wideBounds.bounds[0] = std::numeric_limits<std::int32_t>::min();
    wideBounds.bounds[2] = std::numeric_limits<std::int32_t>::max();
    QCOMPARE(ReadEmfPicture(EmfBuilder(wideBounds).Eof().Finish(), p), MetafileStatus::BadHeader);
}

void TestMetafileRecords::emfPlusComments()
{
    EmfPicture p;
    QCOMPARE(ReadEmfPicture(EmfBuilder().Comment(0x2B464D45, 28).Eof().Finish(), p),
             MetafileStatus::Ok);
    QVERIFY(p.hasEmfPlus);
    // EMF+ comments anywhere before the end count.
    QCOMPARE(
        ReadEmfPicture(EmfBuilder().Record(27, Bytes(8, 0)).Comment(0x2B464D45).Eof().Finish(), p),
        MetafileStatus::Ok);
    QVERIFY(p.hasEmfPlus);
    // Other comments ("GDIC" public comments, private data) are not EMF+.
    QCOMPARE(ReadEmfPicture(EmfBuilder().Comment(0x43494447).Eof().Finish(), p),
             MetafileStatus::Ok);
    QVERIFY(!p.hasEmfPlus);
    // The identifier with a DataSize that cannot hold it, or that runs past
    // the record, is not taken.
    Bytes tiny;
    Put32(tiny, 2);
    Put32(tiny, 0x2B464D45);
    QCOMPARE(ReadEmfPicture(EmfBuilder().Record(70, tiny).Eof().Finish(), p), MetafileStatus::Ok);
    QVERIFY(!p.hasEmfPlus);
    Bytes over;
    Put32(over, 0xFFFFFFF0);
    Put32(over, 0x2B464D45);
    QCOMPARE(ReadEmfPicture(EmfBuilder().Record(70, over).Eof().Finish(), p), MetafileStatus::Ok);
    QVERIFY(!p.hasEmfPlus);
    QVERIFY(p.reachedEof);
    // The same identifier on another record type is not a comment.
    Bytes notComment;
    Put32(notComment, 4);
    Put32(notComment, 0x2B464D45);
    QCOMPARE(ReadEmfPicture(EmfBuilder().Record(71, notComment).Eof().Finish(), p),
             MetafileStatus::Ok);
    QVERIFY(!p.hasEmfPlus);
}

void TestMetafileRecords::emfRecordsStopAtDamage()
{
    // Records after EMR_EOF are not read.
    Bytes file = EmfBuilder().Record(27, Bytes(8, 0)).Eof().Record(27, Bytes(8, 0)).Finish();
    {
        EmfRecordReader reader(file);
        EmfRecord rec;
        std::vector<std::uint32_t> types;
        std::vector<std::size_t> offsets;
        while (reader.Next(rec)) {
            types.push_back(rec.iType);
            offsets.push_back(rec.offset);
            QCOMPARE(rec.bytes.Size(), std::size_t(rec.nSize));
        }
        QCOMPARE(types, (std::vector<std::uint32_t>{1, 27, 14}));
        QCOMPARE(offsets, (std::vector<std::size_t>{0, 88, 104}));
        QVERIFY(reader.ReachedEof());
        QCOMPARE(reader.Status(), MetafileStatus::Ok);
        QCOMPARE(reader.Offset(), std::size_t(124));
        QVERIFY(!reader.Next(rec));
    }

    struct Case
    {
        const char* name;
        std::uint32_t nSize;
        MetafileStatus status;
    };
    const Case cases[] = {
        {"size 0", 0, MetafileStatus::BadRecordSize},
        {"size 4", 4, MetafileStatus::BadRecordSize},
        {"size not a multiple of 4", 10, MetafileStatus::BadRecordSize},
        {"size past the end", 1024, MetafileStatus::BadRecordSize},
        {"size near 2^32", 0xFFFFFFFC, MetafileStatus::BadRecordSize},
    };
    for (const Case& c : cases) {
        const Bytes bad =
            EmfBuilder().Record(27, Bytes(8, 0)).Record(27, Bytes(8, 0), c.nSize).Eof().Finish();
        EmfRecordReader reader(bad);
        EmfRecord rec;
        std::size_t read = 0;
        while (reader.Next(rec) && read < 100)
            ++read;
        QVERIFY2(read == 2, c.name);
        QVERIFY2(reader.Status() == c.status, c.name);
        QVERIFY2(reader.Offset() == 104, c.name);
        QVERIFY2(!reader.ReachedEof(), c.name);
        // The fault stays: asking again gives nothing more.
        QVERIFY2(!reader.Next(rec), c.name);
        EmfPicture p;
        QVERIFY2(ReadEmfPicture(bad, p) == MetafileStatus::Ok, c.name);
        QVERIFY2(p.recordStatus == c.status && p.stopOffset == 104 && p.recordsRead == 2, c.name);
    }

    // No EMR_EOF: the data ends cleanly, or in the middle of a record's
    // type and size.
    const Bytes noEof = EmfBuilder().Record(27, Bytes(8, 0)).Finish();
    EmfPicture p;
    QCOMPARE(ReadEmfPicture(noEof, p), MetafileStatus::Ok);
    QCOMPARE(p.recordStatus, MetafileStatus::TruncatedRecords);
    QCOMPARE(p.stopOffset, noEof.size());
    QVERIFY(!p.reachedEof);
    Bytes halfRecord = noEof;
    Put32(halfRecord, 14);
    QCOMPARE(ReadEmfPicture(halfRecord, p), MetafileStatus::Ok);
    QCOMPARE(p.recordStatus, MetafileStatus::TruncatedRecords);
    QCOMPARE(p.stopOffset, noEof.size());
    // A file cut inside a record.
    Bytes cut = EmfBuilder().Record(27, Bytes(8, 0)).Eof().Finish();
    cut.resize(cut.size() - 4);
    QCOMPARE(ReadEmfPicture(cut, p), MetafileStatus::Ok);
    QCOMPARE(p.recordStatus, MetafileStatus::BadRecordSize);
    QCOMPARE(p.stopOffset, std::size_t(104));
}

void TestMetafileRecords::wmfPlaceableSize()
{
    WmfPicture p;
    const Bytes file = WmfBuilder(WmfPlaceableFields{}).Record(0x0201, {0, 0}).Eof().Finish();
    QCOMPARE(ReadWmfPicture(file, p), MetafileStatus::Ok);
    QVERIFY(p.hasPlaceable);
    QCOMPARE(p.placeable.Right, std::int16_t(1440));
    QCOMPARE(p.placeable.Inch, std::uint16_t(1440));
    QVERIFY(p.placeable.ChecksumMatches());
    QCOMPARE(p.header.Version, std::uint16_t(0x0300));
    QCOMPARE(p.recordsOffset, std::size_t(40));
    QVERIFY(!p.sizeFromRecords);
    // The box in logical units as pixels, at Inch pixels per inch: one inch
    // by half an inch.
    QCOMPARE(p.width, 1440);
    QCOMPARE(p.height, 720);
    QCOMPARE(p.dpi, 1440.0);
    QVERIFY(p.reachedEof);
    QCOMPARE(p.recordsRead, std::size_t(2));
    QCOMPARE(p.stopOffset, file.size());

    // A wrong checksum is told, not refused: the picture is still there.
    WmfPlaceableFields bad;
    bad.badChecksum = true;
    QCOMPARE(ReadWmfPicture(WmfBuilder(bad).Eof().Finish(), p), MetafileStatus::Ok);
    QVERIFY(!p.placeable.ChecksumMatches());
    QCOMPARE(p.width, 1440);

    // A flipped box, and units per inch other than 1440.
    WmfPlaceableFields flipped;
    flipped.box[0] = 600;
    flipped.box[2] = 0;
    flipped.box[1] = -100;
    flipped.box[3] = -400;
    flipped.inch = 576;
    QCOMPARE(ReadWmfPicture(WmfBuilder(flipped).Eof().Finish(), p), MetafileStatus::Ok);
    QCOMPARE(p.width, 600);
    QCOMPARE(p.height, 300);
    QCOMPARE(p.dpi, 576.0);
    // The widest box a 16-bit field holds, at one unit per inch.
    WmfPlaceableFields widest;
    widest.box[0] = -32768;
    widest.box[2] = 32767;
    widest.inch = 1;
    QCOMPARE(ReadWmfPicture(WmfBuilder(widest).Eof().Finish(), p), MetafileStatus::Ok);
    QCOMPARE(p.width, 65535);
    QCOMPARE(p.dpi, 1.0);
    // A one-unit box at the finest unit is one pixel.
    WmfPlaceableFields tiny;
    tiny.box[2] = 1;
    tiny.box[3] = 1;
    tiny.inch = 65535;
    QCOMPARE(ReadWmfPicture(WmfBuilder(tiny).Eof().Finish(), p), MetafileStatus::Ok);
    QCOMPARE(p.width, 1);
    QCOMPARE(p.height, 1);
    QCOMPARE(p.dpi, 65535.0);
}

void TestMetafileRecords::wmfPlaceableRefusesBadHeaders()
{
    WmfPicture p;
    WmfPlaceableFields zeroInch;
    zeroInch.inch = 0;
    QCOMPARE(ReadWmfPicture(WmfBuilder(zeroInch).Eof().Finish(), p), MetafileStatus::BadHeader);
    WmfPlaceableFields flat;
    flat.box[3] = 0;
    QCOMPARE(ReadWmfPicture(WmfBuilder(flat).Eof().Finish(), p), MetafileStatus::BadHeader);

    const Bytes good = WmfBuilder(WmfPlaceableFields{}).Eof().Finish();
    Bytes cutPlaceable(good.begin(), good.begin() + 12);
    QCOMPARE(ReadWmfPicture(cutPlaceable, p), MetafileStatus::TruncatedHeader);
    Bytes cutHeader(good.begin(), good.begin() + 30);
    QCOMPARE(ReadWmfPicture(cutHeader, p), MetafileStatus::TruncatedHeader);
    Bytes badType = good;
    badType[22] = 7;
    QCOMPARE(ReadWmfPicture(badType, p), MetafileStatus::BadHeader);
    Bytes badHeaderSize = good;
    badHeaderSize[24] = 12;
    QCOMPARE(ReadWmfPicture(badHeaderSize, p), MetafileStatus::BadHeader);
    QCOMPARE(ReadWmfPicture(EmfBuilder().Eof().Finish(), p), MetafileStatus::NotMetafile);
    QCOMPARE(ReadWmfPicture({}, p), MetafileStatus::NotMetafile);
}

void TestMetafileRecords::wmfSizeFromRecords()
{
    WmfPicture p;
    // Both records hold y before x; a negative extent flips, it does not shrink.
    const Bytes file = WmfBuilder()
                           .Record(META_SETWINDOWORG, {std::uint16_t(-20), 10})
                           .Record(META_SETWINDOWEXT, {std::uint16_t(-200), 300})
                           .Record(META_SETWINDOWEXT, {5, 5})
                           .Eof()
                           .Finish();
    QCOMPARE(ReadWmfPicture(file, p), MetafileStatus::Ok);
    QVERIFY(!p.hasPlaceable);
    QVERIFY(p.sizeFromRecords);
    QCOMPARE(p.recordsOffset, std::size_t(18));
    QVERIFY(p.hasWindowOrg);
    QCOMPARE(p.windowOrgX, std::int16_t(10));
    QCOMPARE(p.windowOrgY, std::int16_t(-20));
    QVERIFY(p.hasWindowExt);
    QCOMPARE(p.windowExtX, std::int16_t(300));
    QCOMPARE(p.windowExtY, std::int16_t(-200));
    QCOMPARE(p.width, 300);
    QCOMPARE(p.height, 200);
    QCOMPARE(p.dpi, 96.0);
    QCOMPARE(p.recordsRead, std::size_t(4));

    // No extent: the size is left to whoever plays the records.
    QCOMPARE(ReadWmfPicture(WmfBuilder().Record(0x0201, {0, 0}).Eof().Finish(), p),
             MetafileStatus::Ok);
    QVERIFY(p.sizeFromRecords);
    QVERIFY(!p.hasWindowExt);
    QCOMPARE(p.width, 0);
    QCOMPARE(p.height, 0);
    // An extent record too short for its parameters is not read.
    QCOMPARE(ReadWmfPicture(WmfBuilder().Record(META_SETWINDOWEXT, {7}).Eof().Finish(), p),
             MetafileStatus::Ok);
    QVERIFY(!p.hasWindowExt);
    QVERIFY(p.reachedEof);
}

void TestMetafileRecords::wmfRecordsStopAtDamage()
{
    const Bytes good = WmfBuilder().Record(0x0201, {0, 0}).Eof().Record(0x0201, {0, 0}).Finish();
    {
        WmfRecordReader reader(good, 18);
        WmfRecord rec;
        std::vector<std::uint16_t> functions;
        while (reader.Next(rec)) {
            functions.push_back(rec.RecordFunction);
            QCOMPARE(rec.bytes.Size(), std::size_t(rec.RecordSize) * 2);
        }
        QCOMPARE(functions, (std::vector<std::uint16_t>{0x0201, 0x0000}));
        QVERIFY(reader.ReachedEof());
        QCOMPARE(reader.Offset(), std::size_t(18 + 10 + 6));
        QVERIFY(!reader.Next(rec));
    }

    struct Case
    {
        const char* name;
        std::uint32_t words;
    };
    const Case cases[] = {
        {"size 0", 0},
        {"size 2", 2},
        {"size past the end", 500},
        {"size 2^31 words", 0x80000000u},
        {"size 2^32 - 1 words", 0xFFFFFFFFu},
    };
    for (const Case& c : cases) {
        const Bytes bad =
            WmfBuilder().Record(0x0201, {0, 0}).Record(0x0201, {0, 0}, c.words).Eof().Finish();
        // Bounded here, so a walk that stands still fails instead of hanging.
        WmfRecordReader reader(bad, 18);
        WmfRecord rec;
        std::size_t read = 0;
        while (reader.Next(rec) && read < 100)
            ++read;
        QVERIFY2(read == 1, c.name);
        QVERIFY2(reader.Offset() == 28, c.name);
        QVERIFY2(!reader.Next(rec), c.name);
        WmfPicture p;
        QVERIFY2(ReadWmfPicture(bad, p) == MetafileStatus::Ok, c.name);
        QVERIFY2(p.recordStatus == MetafileStatus::BadRecordSize, c.name);
        QVERIFY2(p.recordsRead == 1, c.name);
        QVERIFY2(p.stopOffset == 28, c.name);
        QVERIFY2(!p.reachedEof, c.name);
    }

    WmfPicture p;
    const Bytes noEof = WmfBuilder().Record(0x0201, {0, 0}).Finish();
    QCOMPARE(ReadWmfPicture(noEof, p), MetafileStatus::Ok);
    QCOMPARE(p.recordStatus, MetafileStatus::TruncatedRecords);
    QCOMPARE(p.stopOffset, noEof.size());
    Bytes partial = noEof;
    Put32(partial, 3); // a size with no function after it
    QCOMPARE(ReadWmfPicture(partial, p), MetafileStatus::Ok);
    QCOMPARE(p.recordStatus, MetafileStatus::TruncatedRecords);
    QCOMPARE(p.stopOffset, noEof.size());
}

// The real files beside the project, when they are there: each one's kind as
// the index gives it, EMF+ where the index says dual, and every record
// walked without a fault of the reader (a damaged file gives a status).
void TestMetafileRecords::sharedFilesReadWithoutFault()
{
    const QString folder = QStringLiteral(RASTELLE_SOURCE_DIR "/../shared/metafiles");
    QFile index(folder + QStringLiteral("/index.tsv"));
    if (!QDir(folder + QStringLiteral("/files")).exists() || !index.open(QIODevice::ReadOnly))
        QSKIP(qPrintable(
            QStringLiteral("No real metafiles at %1: skipped reading them").arg(folder)));
    int files = 0, damaged = 0;
    const QList<QByteArray> rows = index.readAll().split('\n');
    for (qsizetype i = 1; i < rows.size(); ++i) {
        const QList<QByteArray> cells = rows[i].split('\t');
        if (cells.size() < 5)
            continue;
        const QString name = QString::fromUtf8(cells[0]);
        QFile file(folder + QStringLiteral("/files/") + name);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(name));
        const QByteArray data = file.readAll();
        const std::span<const std::uint8_t> bytes(
            reinterpret_cast<const std::uint8_t*>(data.constData()), std::size_t(data.size()));
        const bool corrupted = name.contains(QStringLiteral("corrupted"));
        const MetafileKind kind = DetectMetafileKind(bytes);
        MetafileStatus status = MetafileStatus::NotMetafile;
        MetafileStatus records = MetafileStatus::Ok;
        std::size_t read = 0;
        bool emfPlus = false;
        if (kind == MetafileKind::Emf) {
            EmfPicture p;
            status = ReadEmfPicture(bytes, p);
            records = p.recordStatus;
            read = p.recordsRead;
            emfPlus = p.hasEmfPlus;
        } else if (kind == MetafileKind::Wmf) {
            WmfPicture p;
            status = ReadWmfPicture(bytes, p);
            records = p.recordStatus;
            read = p.recordsRead;
        }
        ++files;
        if (status != MetafileStatus::Ok || records != MetafileStatus::Ok) {
            ++damaged;
            qInfo("%s: %s; records: %s after %zu", qPrintable(name), MetafileStatusText(status),
                  MetafileStatusText(records), read);
        }
        if (corrupted)
            continue;
        // Kinds in the index: EMF, EMF+dual, WMF, WMF-placeable, unknown.
        if (!cells[1].startsWith("EMF") && !cells[1].startsWith("WMF"))
            continue;
        const MetafileKind expected =
            cells[1].startsWith("EMF") ? MetafileKind::Emf : MetafileKind::Wmf;
        QVERIFY2(kind == expected, qPrintable(name));
        if (kind == MetafileKind::Wmf)
            QVERIFY2(HasWmfPlaceableHeader(bytes) == (cells[1] == "WMF-placeable"),
                     qPrintable(name));
        QVERIFY2(status == MetafileStatus::Ok, qPrintable(name));
        if (kind == MetafileKind::Emf)
            QVERIFY2(emfPlus == (cells[4] == "dual"), qPrintable(name));
    }
    QVERIFY(files > 0);
    qInfo("%d real metafiles read, %d with a damaged header or records", files, damaged);
}

QTEST_GUILESS_MAIN(TestMetafileRecords)
#include "test_metafile_records.moc"
