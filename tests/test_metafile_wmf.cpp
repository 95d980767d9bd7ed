// The WMF player: files built record by record, drawn, and their pixels read.
#include "metafile/WmfRecordTypes.h"
#include "metafile/WmfRecords.h"
#include "support/MetafileBytes.h"
#include "support/MetafileRender.h"
#include "support/WmfShapes.h"

#include <QTest>

#include <cstdint>
#include <vector>

using namespace metafilebytes;
using namespace metafile;

namespace {

constexpr std::uint32_t kRed = 0xFF0000, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

// Slot 0 a null pen, slot 1 a brush of the colour, both selected.
WmfBuilder& NullPenAndBrush(WmfBuilder& b, std::uint32_t rgb)
{
    WmfNullPen(b);
    WmfSolidBrush(b, rgb);
    WmfSelect(b, 0);
    return WmfSelect(b, 1);
}

} // namespace

class TestMetafileWmf : public QObject
{
    Q_OBJECT

private slots:
    void placeableBoxMapsOntoTarget();
    void windowRecordsGiveTheBoxWithoutPlaceableHeader();
    void fileWindowRecordsOverrideThePlaceableBox();
    void objectsTakeTheLowestFreeSlot();
    void objectsBeyondTheHeaderCountAreRefused();
    void hostileObjectCountDrawsNormally();
    void polyPolygonFillsEachPolygon();
    void shapesReadTheirParametersLastToFirst();
    void clipRectangleLimitsDrawing();
    void regionIsFilledWithItsBrush();
    void damagedRecordIsSkippedAndTheRestDrawn();
    void embeddedEmfIsPlayedInstead();
    void brokenEmbeddedEmfFallsBackToWmfRecords();
};

void TestMetafileWmf::placeableBoxMapsOntoTarget()
{
    // Box 0..1000 x 0..500 onto 100 x 50: the rectangle 500..1000 is the right half.
    WmfPlaceableFields f;
    f.box[0] = 0;
    f.box[1] = 0;
    f.box[2] = 1000;
    f.box[3] = 500;
    WmfBuilder b(f);
    NullPenAndBrush(b, kRed);
    WmfRectangle(b, 500, 0, 1000, 500).Eof();
    PlayReport report;
    const QImage image = RenderMetafile(b.Finish(), 100, 50, &report);
    QCOMPARE(report.status, MetafileStatus::Ok);
    QCOMPARE(Rgb(image, 75, 25), kRed);
    QCOMPARE(Rgb(image, 25, 25), kWhite);
    QCOMPARE(Rgb(image, 52, 2), kRed);
    QCOMPARE(Rgb(image, 47, 2), kWhite);
}

void TestMetafileWmf::windowRecordsGiveTheBoxWithoutPlaceableHeader()
{
    // Window origin 100, 100 and extent 200 x 100 onto 100 x 50.
    WmfBuilder b;
    b.Record(META_SETWINDOWORG, {WmfWord(100), WmfWord(100)})
        .Record(META_SETWINDOWEXT, {WmfWord(100), WmfWord(200)});
    NullPenAndBrush(b, kBlue);
    WmfRectangle(b, 100, 100, 200, 150).Eof();
    const QImage image = RenderMetafile(b.Finish(), 100, 50);
    QCOMPARE(Rgb(image, 10, 10), kBlue);
    QCOMPARE(Rgb(image, 40, 20), kBlue);
    QCOMPARE(Rgb(image, 60, 10), kWhite);
    QCOMPARE(Rgb(image, 10, 35), kWhite);
}

void TestMetafileWmf::fileWindowRecordsOverrideThePlaceableBox()
{
    // The box says 0..1000, the file's own window 0..100 with y flipped.
    WmfPlaceableFields f;
    f.box[2] = 1000;
    f.box[3] = 1000;
    WmfBuilder b(f);
    b.Record(META_SETWINDOWORG, {WmfWord(100), WmfWord(0)})
        .Record(META_SETWINDOWEXT, {WmfWord(-100), WmfWord(100)});
    NullPenAndBrush(b, kRed);
    WmfRectangle(b, 0, 0, 50, 50).Eof(); // the lower left quarter once flipped
    const QImage image = RenderMetafile(b.Finish(), 100, 100);
    QCOMPARE(Rgb(image, 25, 75), kRed);
    QCOMPARE(Rgb(image, 25, 25), kWhite);
    QCOMPARE(Rgb(image, 75, 75), kWhite);
}

void TestMetafileWmf::objectsTakeTheLowestFreeSlot()
{
    // Slots: 0 pen, 1 red, 2 blue; delete 1; the next brush (white) goes to 1,
    // so selecting 2 still gives blue and selecting 1 gives white.
    WmfBuilder b;
    b.Record(META_SETWINDOWEXT, {WmfWord(100), WmfWord(100)});
    NullPenAndBrush(b, kRed);
    WmfSolidBrush(b, kBlue);
    b.Record(META_DELETEOBJECT, {1});
    WmfSolidBrush(b, 0x00FF00);
    WmfSelect(b, 2);
    WmfRectangle(b, 0, 0, 50, 100);
    WmfSelect(b, 1);
    WmfRectangle(b, 50, 0, 100, 100).Eof();
    const QImage image = RenderMetafile(b.Finish(), 100, 100);
    QCOMPARE(Rgb(image, 25, 50), kBlue);
    QCOMPARE(Rgb(image, 75, 50), 0x00FF00u);
}

void TestMetafileWmf::objectsBeyondTheHeaderCountAreRefused()
{
    // Two slots: the third object (blue) is not made, so selecting 2 fails
    // and the red brush stays.
    WmfBuilder b;
    b.Record(META_SETWINDOWEXT, {WmfWord(100), WmfWord(100)});
    NullPenAndBrush(b, kRed);
    WmfSolidBrush(b, kBlue);
    WmfSelect(b, 2);
    WmfRectangle(b, 0, 0, 100, 100).Eof();
    Bytes file = b.Finish();
    SetWmfObjectCount(file, 0, 2);
    PlayReport report;
    const QImage image = RenderMetafile(file, 100, 100, &report);
    QCOMPARE(Rgb(image, 50, 50), kRed);
    QCOMPARE(report.recordsSkipped, std::size_t(2));
}

void TestMetafileWmf::hostileObjectCountDrawsNormally()
{
    // A header claiming 65535 objects allocates nothing up front.
    WmfBuilder b;
    b.Record(META_SETWINDOWEXT, {WmfWord(100), WmfWord(100)});
    NullPenAndBrush(b, kRed);
    WmfRectangle(b, 0, 0, 100, 100).Eof();
    Bytes file = b.Finish();
    SetWmfObjectCount(file, 0, 0xFFFF);
    const QImage image = RenderMetafile(file, 100, 100);
    QCOMPARE(Rgb(image, 50, 50), kRed);
}

void TestMetafileWmf::polyPolygonFillsEachPolygon()
{
    WmfBuilder b;
    b.Record(META_SETWINDOWEXT, {WmfWord(100), WmfWord(100)});
    NullPenAndBrush(b, kRed);
    // Two squares: 0..40 and 60..100, both 0..40 high.
    b.Record(META_POLYPOLYGON,
             {2, 4, 4, 0, 0, 40, 0, 40, 40, 0, 40, 60, 0, 100, 0, 100, 40, 60, 40})
        .Eof();
    const QImage image = RenderMetafile(b.Finish(), 100, 100);
    QCOMPARE(Rgb(image, 20, 20), kRed);
    QCOMPARE(Rgb(image, 80, 20), kRed);
    QCOMPARE(Rgb(image, 50, 20), kWhite);
    QCOMPARE(Rgb(image, 20, 70), kWhite);
}

void TestMetafileWmf::shapesReadTheirParametersLastToFirst()
{
    // ELLIPSE bottom, right, top, left; a POLYGON with its count first.
    WmfBuilder b;
    b.Record(META_SETWINDOWEXT, {WmfWord(100), WmfWord(100)});
    NullPenAndBrush(b, kBlue);
    b.Record(META_ELLIPSE, {WmfWord(50), WmfWord(100), WmfWord(0), WmfWord(50)});
    b.Record(META_POLYGON, {3, 0, 60, 40, 60, 0, 100}).Eof();
    const QImage image = RenderMetafile(b.Finish(), 100, 100);
    QCOMPARE(Rgb(image, 75, 25), kBlue);
    QCOMPARE(Rgb(image, 52, 2), kWhite); // outside the ellipse, inside its box
    QCOMPARE(Rgb(image, 25, 25), kWhite);
    QCOMPARE(Rgb(image, 5, 75), kBlue);
    QCOMPARE(Rgb(image, 35, 95), kWhite);
}

void TestMetafileWmf::clipRectangleLimitsDrawing()
{
    WmfBuilder b;
    b.Record(META_SETWINDOWEXT, {WmfWord(100), WmfWord(100)});
    b.Record(META_INTERSECTCLIPRECT,
             {WmfWord(60), WmfWord(70), WmfWord(20), WmfWord(30)}); // 30,20 .. 70,60
    NullPenAndBrush(b, kRed);
    WmfRectangle(b, 0, 0, 100, 100).Eof();
    const QImage image = RenderMetafile(b.Finish(), 100, 100);
    QCOMPARE(Rgb(image, 50, 40), kRed);
    QCOMPARE(Rgb(image, 10, 40), kWhite);
    QCOMPARE(Rgb(image, 50, 80), kWhite);
}

void TestMetafileWmf::regionIsFilledWithItsBrush()
{
    // A region of one scan, 10..40 wide and 20..30 high, filled with the red brush (slot 1).
    WmfBuilder b;
    b.Record(META_SETWINDOWEXT, {WmfWord(100), WmfWord(100)});
    NullPenAndBrush(b, kRed);
    b.Record(META_CREATEREGION,
             {0, 6, 0, 0, 0, 1, 10, WmfWord(10), WmfWord(20), WmfWord(40), WmfWord(30), 2,
              WmfWord(20), WmfWord(30), WmfWord(10), WmfWord(40), 2});
    b.Record(META_FILLREGION, {2, 1}).Eof();
    const QImage image = RenderMetafile(b.Finish(), 100, 100);
    QCOMPARE(Rgb(image, 25, 25), kRed);
    QCOMPARE(Rgb(image, 5, 25), kWhite);
    QCOMPARE(Rgb(image, 25, 35), kWhite);
}

void TestMetafileWmf::damagedRecordIsSkippedAndTheRestDrawn()
{
    // A POLYGON claiming more points than it holds, then a good rectangle.
    WmfBuilder b;
    b.Record(META_SETWINDOWEXT, {WmfWord(100), WmfWord(100)});
    NullPenAndBrush(b, kRed);
    b.Record(META_POLYGON, {WmfWord(30000), 0, 0, 10, 10});
    b.Record(META_MOVETO, {}); // no parameters at all
    WmfRectangle(b, 0, 0, 100, 100).Eof();
    PlayReport report;
    const QImage image = RenderMetafile(b.Finish(), 100, 100, &report);
    QCOMPARE(Rgb(image, 50, 50), kRed);
    QCOMPARE(report.recordsSkipped, std::size_t(2));
}

namespace {

// An EMF filling its whole frame blue.
Bytes BlueEmf()
{
    EmfBuilder emf;
    Bytes brush;
    Put32(brush, 1);
    Put32(brush, 0);        // BS_SOLID
    Put32(brush, 0xFF0000); // blue as a COLORREF
    Put32(brush, 0);
    emf.Record(39, brush);
    Bytes select;
    Put32(select, 1);
    emf.Record(37, select);
    Bytes rect;
    for (std::uint32_t v : {0u, 0u, 100u, 50u})
        Put32(rect, v);
    emf.Record(43, rect).Eof();
    return emf.Finish();
}

// The EMF in "WMFC" comments of at most chunkSize bytes each.
WmfBuilder& AddEmfChunks(WmfBuilder& b, const Bytes& emf, std::size_t chunkSize,
                         bool dropSecond = false)
{
    const std::size_t chunks = (emf.size() + chunkSize - 1) / chunkSize;
    std::size_t done = 0;
    for (std::size_t i = 0; i < chunks; ++i) {
        const std::size_t size = std::min(chunkSize, emf.size() - done);
        Bytes data;
        Put32(data, 0x43464D57);
        Put32(data, 1);
        Put32(data, 0x10000);
        Put16(data, 0);
        Put32(data, 0);
        Put32(data, std::uint32_t(chunks));
        Put32(data, std::uint32_t(size));
        Put32(data, std::uint32_t(emf.size() - done - size));
        Put32(data, std::uint32_t(emf.size()));
        data.insert(data.end(), emf.begin() + std::ptrdiff_t(done),
                    emf.begin() + std::ptrdiff_t(done + size));
        if (data.size() % 2)
            data.push_back(0);
        std::vector<std::uint16_t> params{0x000F, std::uint16_t(34 + size)};
        for (std::size_t k = 0; k < data.size(); k += 2)
            params.push_back(std::uint16_t(data[k] | (data[k + 1] << 8)));
        done += size;
        if (!(dropSecond && i == 1))
            b.Record(META_ESCAPE, params);
    }
    return b;
}

} // namespace

void TestMetafileWmf::embeddedEmfIsPlayedInstead()
{
    // The WMF's own records would paint red; the EMF in its comments paints blue.
    WmfBuilder b;
    b.Record(META_SETWINDOWEXT, {WmfWord(100), WmfWord(100)});
    AddEmfChunks(b, BlueEmf(), 100);
    NullPenAndBrush(b, kRed);
    WmfRectangle(b, 0, 0, 100, 100).Eof();
    const QImage image = RenderMetafile(b.Finish(), 100, 50);
    QCOMPARE(Rgb(image, 50, 25), kBlue);
}

void TestMetafileWmf::brokenEmbeddedEmfFallsBackToWmfRecords()
{
    // A chunk missing: the EMF is not complete, so the WMF records draw.
    WmfBuilder b;
    b.Record(META_SETWINDOWEXT, {WmfWord(100), WmfWord(100)});
    AddEmfChunks(b, BlueEmf(), 60, true);
    NullPenAndBrush(b, kRed);
    WmfRectangle(b, 0, 0, 100, 100).Eof();
    const QImage image = RenderMetafile(b.Finish(), 100, 50);
    QCOMPARE(Rgb(image, 50, 25), kRed);
}

QTEST_MAIN(TestMetafileWmf)
#include "test_metafile_wmf.moc"
