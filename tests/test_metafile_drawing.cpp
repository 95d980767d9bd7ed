// Drawing EMF files built record by record: shapes and GDI's edge rules,
// arcs in both directions, fill modes, paths, clipping, regions, binary
// raster operations and the mapping modes, checked by their pixels.
#include "metafile/EmfRecordTypes.h"
#include "metafile/GdiCore.h"
#include "support/MetafileBytes.h"
#include "support/MetafileRender.h"

#include <QTest>

#include <initializer_list>

using namespace metafile;
using namespace metafilebytes;

namespace {

constexpr std::uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF;

// A picture of 100 x 50 reference pixels drawn 1:1, black brush, no pen.
EmfBuilder Start()
{
    EmfBuilder b;
    b.Record(EMR_SELECTOBJECT, Ints({std::int32_t(kStockObjectFlag | BLACK_BRUSH)}));
    b.Record(EMR_SELECTOBJECT, Ints({std::int32_t(kStockObjectFlag | NULL_PEN)}));
    return b;
}

QImage Render(EmfBuilder& b)
{
    return RenderMetafile(b.Eof().Finish(), 100, 50);
}

Bytes PolyPolygon(const std::vector<std::vector<std::int32_t>>& figures)
{
    Bytes out = Ints({0, 0, 0, 0, std::int32_t(figures.size())});
    std::int32_t total = 0;
    for (const auto& f : figures)
        total += std::int32_t(f.size() / 2);
    Put32(out, std::uint32_t(total));
    for (const auto& f : figures)
        Put32(out, std::uint32_t(f.size() / 2));
    for (const auto& f : figures)
        for (std::int32_t v : f)
            Put32(out, std::uint32_t(v));
    return out;
}

Bytes RegionData(std::uint32_t mode, const std::vector<std::vector<std::int32_t>>& rects,
                 std::uint32_t count)
{
    Bytes rgn = Ints({32, 1, std::int32_t(count), std::int32_t(rects.size() * 16), 0, 0, 100, 50});
    for (const auto& r : rects)
        for (std::int32_t v : r)
            Put32(rgn, std::uint32_t(v));
    Bytes out = Ints({std::int32_t(rgn.size()), std::int32_t(mode)});
    out.insert(out.end(), rgn.begin(), rgn.end());
    return out;
}

} // namespace

class TestMetafileDrawing : public QObject
{
    Q_OBJECT

private slots:
    void rectanglesLeaveOutRightAndBottomEdge();
    void piesFollowTheArcDirection();
    void polyPolygonsFillByTheFillMode();
    void linesContinueFromTheCurrentPosition();
    void pathsFillAndClip();
    void clipRectanglesAndRegions();
    void binaryRasterOperations();
    void mappingModesPlaceShapes();
};

void TestMetafileDrawing::rectanglesLeaveOutRightAndBottomEdge()
{
    EmfBuilder b = Start();
    b.Record(EMR_RECTANGLE, Ints({10, 10, 30, 30}));
    const QImage image = Render(b);
    QCOMPARE(Rgb(image, 10, 10), kBlack);
    QCOMPARE(Rgb(image, 28, 28), kBlack);
    QCOMPARE(Rgb(image, 29, 20), kWhite);
    QCOMPARE(Rgb(image, 20, 29), kWhite);
    QCOMPARE(Rgb(image, 9, 20), kWhite);
}

void TestMetafileDrawing::piesFollowTheArcDirection()
{
    // From the right end to the top: anticlockwise the upper right quarter,
    // clockwise the other three.
    for (const bool clockwise : {false, true}) {
        EmfBuilder b = Start();
        if (clockwise)
            b.Record(EMR_SETARCDIRECTION, Ints({2}));
        b.Record(EMR_PIE, Ints({0, 0, 41, 41, 40, 20, 20, 0}));
        const QImage image = Render(b);
        QCOMPARE(Rgb(image, 30, 10), clockwise ? kWhite : kBlack);
        QCOMPARE(Rgb(image, 10, 30), clockwise ? kBlack : kWhite);
        QCOMPARE(Rgb(image, 10, 10), clockwise ? kBlack : kWhite);
    }
    // A chord fills only between the arc and its chord.
    EmfBuilder b = Start();
    b.Record(EMR_CHORD, Ints({0, 0, 41, 41, 40, 20, 20, 0}));
    const QImage image = Render(b);
    QCOMPARE(Rgb(image, 34, 6), kBlack);
    QCOMPARE(Rgb(image, 24, 16), kWhite);
}

void TestMetafileDrawing::polyPolygonsFillByTheFillMode()
{
    // Two nested squares drawn the same way round.
    const Bytes squares =
        PolyPolygon({{10, 5, 50, 5, 50, 45, 10, 45}, {20, 15, 40, 15, 40, 35, 20, 35}});
    for (const bool winding : {false, true}) {
        EmfBuilder b = Start();
        if (winding)
            b.Record(EMR_SETPOLYFILLMODE, Ints({2}));
        b.Record(EMR_POLYPOLYGON, squares);
        const QImage image = Render(b);
        QCOMPARE(Rgb(image, 15, 25), kBlack);
        QCOMPARE(Rgb(image, 30, 25), winding ? kBlack : kWhite);
    }
    // Counts that do not add up to the points are refused.
    Bytes bad = squares;
    Set32(bad, 20, 9);
    EmfBuilder b = Start();
    b.Record(EMR_POLYPOLYGON, bad);
    PlayReport report;
    const QImage image = RenderMetafile(b.Eof().Finish(), 100, 50, &report);
    QCOMPARE(Rgb(image, 15, 25), kWhite);
    QCOMPARE(report.recordsSkipped, std::size_t(1));
}

void TestMetafileDrawing::linesContinueFromTheCurrentPosition()
{
    EmfBuilder b;
    b.Record(EMR_MOVETOEX, Ints({10, 10}));
    b.Record(EMR_POLYLINETO, Ints({0, 0, 0, 0, 1, 60, 10}));
    b.Record(EMR_LINETO, Ints({60, 40}));
    const QImage image = Render(b);
    QCOMPARE(Rgb(image, 35, 10), kBlack);
    QCOMPARE(Rgb(image, 60, 25), kBlack);
    QCOMPARE(Rgb(image, 35, 25), kWhite);
}

void TestMetafileDrawing::pathsFillAndClip()
{
    // A triangle gathered from line records, filled.
    {
        EmfBuilder b = Start();
        b.Record(EMR_BEGINPATH);
        b.Record(EMR_MOVETOEX, Ints({10, 40}));
        b.Record(EMR_LINETO, Ints({50, 40}));
        b.Record(EMR_LINETO, Ints({30, 0}));
        b.Record(EMR_CLOSEFIGURE);
        b.Record(EMR_ENDPATH);
        b.Record(EMR_FILLPATH, Ints({0, 0, 0, 0}));
        const QImage image = Render(b);
        QCOMPARE(Rgb(image, 30, 30), kBlack);
        QCOMPARE(Rgb(image, 12, 5), kWhite);
    }
    // Nothing is drawn while the path is gathered, nor filled before it ends.
    {
        EmfBuilder b = Start();
        b.Record(EMR_BEGINPATH);
        b.Record(EMR_RECTANGLE, Ints({10, 10, 40, 40}));
        b.Record(EMR_FILLPATH, Ints({0, 0, 0, 0}));
        const QImage image = Render(b);
        QCOMPARE(Rgb(image, 20, 20), kWhite);
    }
    // An ellipse path as the clip of a larger rectangle.
    {
        EmfBuilder b = Start();
        b.Record(EMR_BEGINPATH);
        b.Record(EMR_ELLIPSE, Ints({20, 0, 70, 50}));
        b.Record(EMR_ENDPATH);
        b.Record(EMR_SELECTCLIPPATH, Ints({5}));
        b.Record(EMR_RECTANGLE, Ints({0, 0, 101, 51}));
        const QImage image = Render(b);
        QCOMPARE(Rgb(image, 45, 25), kBlack);
        QCOMPARE(Rgb(image, 22, 3), kWhite);
        QCOMPARE(Rgb(image, 80, 25), kWhite);
    }
}

void TestMetafileDrawing::clipRectanglesAndRegions()
{
    {
        EmfBuilder b = Start();
        b.Record(EMR_SAVEDC);
        b.Record(EMR_INTERSECTCLIPRECT, Ints({10, 10, 60, 40}));
        b.Record(EMR_EXCLUDECLIPRECT, Ints({20, 20, 30, 30}));
        b.Record(EMR_RECTANGLE, Ints({0, 0, 101, 51}));
        b.Record(EMR_RESTOREDC, Ints({-1}));
        b.Record(EMR_RECTANGLE, Ints({80, 0, 101, 51}));
        const QImage image = Render(b);
        QCOMPARE(Rgb(image, 15, 15), kBlack);
        QCOMPARE(Rgb(image, 25, 25), kWhite);
        QCOMPARE(Rgb(image, 5, 5), kWhite);
        QCOMPARE(Rgb(image, 65, 25), kWhite);
        QCOMPARE(Rgb(image, 90, 5), kBlack); // the clip went with the restored level
    }
    // A region of two rectangles, then back to no clip.
    {
        EmfBuilder b = Start();
        b.Record(EMR_EXTSELECTCLIPRGN, RegionData(5, {{0, 0, 20, 20}, {40, 0, 60, 20}}, 2));
        b.Record(EMR_RECTANGLE, Ints({0, 0, 70, 51}));
        b.Record(EMR_EXTSELECTCLIPRGN, Ints({0, 5}));
        b.Record(EMR_RECTANGLE, Ints({80, 0, 101, 51}));
        const QImage image = Render(b);
        QCOMPARE(Rgb(image, 10, 10), kBlack);
        QCOMPARE(Rgb(image, 50, 10), kBlack);
        QCOMPARE(Rgb(image, 30, 10), kWhite);
        QCOMPARE(Rgb(image, 10, 30), kWhite);
        QCOMPARE(Rgb(image, 90, 30), kBlack);
    }
    // A rectangle count past the data is refused and clips nothing.
    {
        EmfBuilder b = Start();
        b.Record(EMR_EXTSELECTCLIPRGN, RegionData(5, {{0, 0, 20, 20}}, 1000000));
        b.Record(EMR_RECTANGLE, Ints({0, 0, 101, 51}));
        PlayReport report;
        const QImage image = RenderMetafile(b.Eof().Finish(), 100, 50, &report);
        QCOMPARE(Rgb(image, 50, 30), kBlack);
        QCOMPARE(report.recordsSkipped, std::size_t(1));
    }
    // FILLRGN with a stock brush, INVERTRGN over it.
    {
        EmfBuilder b;
        // bounds, cbRgnData, brush, RGNDATA
        Bytes fill = Ints({0, 0, 0, 0, 48});
        Bytes rgn = RegionData(0, {{10, 10, 30, 30}}, 1);
        Put32(fill, kStockObjectFlag | BLACK_BRUSH);
        fill.insert(fill.end(), rgn.begin() + 8, rgn.end());
        b.Record(EMR_FILLRGN, fill);
        Bytes invert = Ints({0, 0, 0, 0, 48});
        Bytes rgn2 = RegionData(0, {{20, 20, 40, 40}}, 1);
        invert.insert(invert.end(), rgn2.begin() + 8, rgn2.end());
        b.Record(EMR_INVERTRGN, invert);
        const QImage image = Render(b);
        QCOMPARE(Rgb(image, 15, 15), kBlack);
        QCOMPARE(Rgb(image, 25, 25), kWhite);
        QCOMPARE(Rgb(image, 35, 35), kBlack);
        QCOMPARE(Rgb(image, 45, 45), kWhite);
    }
}

void TestMetafileDrawing::binaryRasterOperations()
{
    // Black, then white through R2_XORPEN and R2_NOP, R2_NOT over half of it.
    EmfBuilder b = Start();
    b.Record(EMR_RECTANGLE, Ints({0, 0, 51, 51}));
    b.Record(EMR_SELECTOBJECT, Ints({std::int32_t(kStockObjectFlag | WHITE_BRUSH)}));
    b.Record(EMR_SETROP2, Ints({7}));
    b.Record(EMR_RECTANGLE, Ints({0, 0, 21, 51}));
    b.Record(EMR_SETROP2, Ints({11}));
    b.Record(EMR_RECTANGLE, Ints({20, 0, 101, 51}));
    b.Record(EMR_SETROP2, Ints({6}));
    b.Record(EMR_RECTANGLE, Ints({40, 0, 61, 51}));
    b.Record(EMR_SETROP2, Ints({13}));
    b.Record(EMR_SELECTOBJECT, Ints({std::int32_t(kStockObjectFlag | BLACK_BRUSH)}));
    b.Record(EMR_SETROP2, Ints({16}));
    b.Record(EMR_RECTANGLE, Ints({80, 0, 101, 51}));
    const QImage image = Render(b);
    QCOMPARE(Rgb(image, 10, 25), kWhite); // black xor white
    QCOMPARE(Rgb(image, 30, 25), kBlack); // nop
    QCOMPARE(Rgb(image, 45, 25), kWhite); // not black
    QCOMPARE(Rgb(image, 55, 25), kBlack); // not white
    QCOMPARE(Rgb(image, 90, 25), kWhite); // R2_WHITE whatever the brush
}

void TestMetafileDrawing::mappingModesPlaceShapes()
{
    // MM_ANISOTROPIC: window 0..1000 x 0..500 onto the whole picture, with an origin.
    {
        EmfBuilder b = Start();
        b.Record(EMR_SETMAPMODE, Ints({MM_ANISOTROPIC}));
        b.Record(EMR_SETWINDOWEXTEX, Ints({1000, 500}));
        b.Record(EMR_SETVIEWPORTEXTEX, Ints({100, 50}));
        b.Record(EMR_SETWINDOWORGEX, Ints({-100, 0}));
        b.Record(EMR_RECTANGLE, Ints({0, 0, 200, 200}));
        const QImage image = Render(b);
        QCOMPARE(Rgb(image, 20, 10), kBlack);
        QCOMPARE(Rgb(image, 8, 10), kWhite);
        QCOMPARE(Rgb(image, 32, 10), kWhite);
    }
    // MM_LOMETRIC: 0.1 mm units, y upwards; 3.937 pixels a millimetre here.
    {
        EmfBuilder b = Start();
        b.Record(EMR_SETMAPMODE, Ints({MM_LOMETRIC}));
        b.Record(EMR_SETVIEWPORTORGEX, Ints({0, 50}));
        b.Record(EMR_RECTANGLE, Ints({0, 0, 100, 50}));
        const QImage image = Render(b);
        QCOMPARE(Rgb(image, 20, 45), kBlack);
        QCOMPARE(Rgb(image, 20, 25), kWhite);
        QCOMPARE(Rgb(image, 45, 45), kWhite);
    }
    // MM_ISOTROPIC keeps the scale equal: the viewport shrinks on the wider axis.
    {
        EmfBuilder b = Start();
        b.Record(EMR_SETMAPMODE, Ints({MM_ISOTROPIC}));
        b.Record(EMR_SETWINDOWEXTEX, Ints({10, 10}));
        b.Record(EMR_SETVIEWPORTEXTEX, Ints({100, 50}));
        b.Record(EMR_RECTANGLE, Ints({0, 0, 10, 10}));
        const QImage image = Render(b);
        QCOMPARE(Rgb(image, 45, 45), kBlack);
        QCOMPARE(Rgb(image, 55, 25), kWhite);
    }
}

QTEST_MAIN(TestMetafileDrawing)
#include "test_metafile_drawing.moc"
