// The device context's state across EMF records: world transforms set and
// combined in either order, kept apart from the window-to-viewport mapping,
// and SaveDC/RestoreDC by relative and absolute levels.
#include "metafile/EmfRecordTypes.h"
#include "metafile/GdiCore.h"
#include "support/MetafileBytes.h"
#include "support/MetafileRender.h"

#include <QTest>

#include <cstring>
#include <initializer_list>

using namespace metafile;
using namespace metafilebytes;

namespace {

constexpr std::uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF, kRed = 0xFF0000, kGreen = 0x00FF00,
                        kBlue = 0x0000FF;

Bytes Xform(float m11, float m12, float m21, float m22, float dx, float dy)
{
    Bytes out;
    for (float f : {m11, m12, m21, m22, dx, dy}) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &f, 4);
        Put32(out, bits);
    }
    return out;
}

Bytes ModifyXform(std::uint32_t mode, float m11, float m12, float m21, float m22, float dx,
                  float dy)
{
    Bytes out = Xform(m11, m12, m21, m22, dx, dy);
    Put32(out, mode);
    return out;
}

// A picture of 100 x 50 reference pixels drawn 1:1, black brush, no pen.
EmfBuilder Start()
{
    EmfBuilder b;
    b.Record(EMR_SELECTOBJECT, Ints({std::int32_t(kStockObjectFlag | BLACK_BRUSH)}));
    b.Record(EMR_SELECTOBJECT, Ints({std::int32_t(kStockObjectFlag | NULL_PEN)}));
    return b;
}

// A solid brush of 0xRRGGBB made in slot 1 and selected.
void SolidBrush(EmfBuilder& b, std::uint32_t rgb)
{
    const std::uint32_t ref = ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
    b.Record(EMR_CREATEBRUSHINDIRECT, Ints({1, 0, std::int32_t(ref), 0}));
    b.Record(EMR_SELECTOBJECT, Ints({1}));
}

QImage Render(EmfBuilder& b)
{
    return RenderMetafile(b.Eof().Finish(), 100, 50);
}

// The columns of row y that are black, as [first, last]; {-1, -1} if none.
std::pair<int, int> InkColumns(const QImage& image, int y)
{
    int first = -1, last = -1;
    for (int x = 0; x < image.width(); ++x)
        if (Rgb(image, x, y) == kBlack) {
            if (first < 0)
                first = x;
            last = x;
        }
    return {first, last};
}

} // namespace

class TestMetafileState : public QObject
{
    Q_OBJECT

private slots:
    // Where a 10 x 10 square at the origin lands under each world transform.
    void worldTransformsPlaceShapes_data()
    {
        QTest::addColumn<QByteArray>("records");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        auto records = [](std::initializer_list<std::pair<std::uint32_t, Bytes>> list) {
            EmfBuilder b = Start();
            for (const auto& [type, data] : list)
                b.Record(type, data);
            b.Record(EMR_RECTANGLE, Ints({0, 20, 10, 30}));
            const Bytes bytes = b.Eof().Finish();
            return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
        };
        QTest::newRow("none") << records({}) << 0 << 9;
        QTest::newRow("set: scale 2, move 10")
            << records({{EMR_SETWORLDTRANSFORM, Xform(2, 0, 0, 1, 10, 0)}}) << 10 << 29;
        // Left multiplying puts the new transform first: scaled, then moved.
        QTest::newRow("left multiply")
            << records({{EMR_SETWORLDTRANSFORM, Xform(1, 0, 0, 1, 20, 0)},
                        {EMR_MODIFYWORLDTRANSFORM, ModifyXform(2, 2, 0, 0, 1, 0, 0)}})
            << 20 << 39;
        // Right multiplying puts it last: moved, then scaled.
        QTest::newRow("right multiply")
            << records({{EMR_SETWORLDTRANSFORM, Xform(1, 0, 0, 1, 20, 0)},
                        {EMR_MODIFYWORLDTRANSFORM, ModifyXform(3, 2, 0, 0, 1, 0, 0)}})
            << 40 << 59;
        QTest::newRow("identity resets")
            << records({{EMR_SETWORLDTRANSFORM, Xform(3, 0, 0, 1, 20, 0)},
                        {EMR_MODIFYWORLDTRANSFORM, ModifyXform(1, 5, 0, 0, 5, 9, 9)}})
            << 0 << 9;
        // The world transform comes before the window-to-viewport mapping:
        // moved by 10 logical units, then doubled.
        QTest::newRow("world, then page")
            << records({{EMR_SETMAPMODE, Ints({8})},
                        {EMR_SETWINDOWEXTEX, Ints({50, 50})},
                        {EMR_SETVIEWPORTEXTEX, Ints({100, 50})},
                        {EMR_SETWORLDTRANSFORM, Xform(1, 0, 0, 1, 10, 0)}})
            << 20 << 39;
    }
    void worldTransformsPlaceShapes()
    {
        QFETCH(QByteArray, records);
        QFETCH(int, first);
        QFETCH(int, last);
        const Bytes bytes(records.begin(), records.end());
        const QImage image = RenderMetafile(bytes, 100, 50);
        const auto [inkFirst, inkLast] = InkColumns(image, 25);
        // One pixel of slack at each edge for the rule on the last pixel.
        QVERIFY2(std::abs(inkFirst - first) <= 1 && std::abs(inkLast - last) <= 1,
                 qPrintable(QString("ink %1..%2").arg(inkFirst).arg(inkLast)));
    }

    // SaveDC levels are numbered from 1; RestoreDC takes a level (positive)
    // or how many levels back (negative), and a level that is not there
    // changes nothing.
    void restoreByRelativeAndAbsoluteLevel()
    {
        auto saved = [](std::initializer_list<std::int32_t> restores) {
            EmfBuilder b = Start();
            SolidBrush(b, kRed);
            b.Record(EMR_SAVEDC); // level 1: red
            SolidBrush(b, kGreen);
            b.Record(EMR_SAVEDC); // level 2: green
            SolidBrush(b, kBlue);
            b.Record(EMR_SAVEDC); // level 3: blue
            SolidBrush(b, kWhite);
            for (std::int32_t level : restores)
                b.Record(EMR_RESTOREDC, Ints({level}));
            b.Record(EMR_RECTANGLE, Ints({0, 0, 101, 51}));
            return Rgb(Render(b), 50, 25);
        };
        QCOMPARE(saved({-1}), kBlue);
        QCOMPARE(saved({-2}), kGreen);
        QCOMPARE(saved({1}), kRed);
        QCOMPARE(saved({2}), kGreen);
        QCOMPARE(saved({2, -1}), kRed);
        // Past the saved levels: nothing restored.
        QCOMPARE(saved({1, -1}), kRed);
        QCOMPARE(saved({-4}), kWhite);
        QCOMPARE(saved({4}), kWhite);
    }

    // The world transform and the mapping are part of the saved state.
    void restoreBringsBackTransforms()
    {
        EmfBuilder b = Start();
        b.Record(EMR_SAVEDC);
        b.Record(EMR_SETWORLDTRANSFORM, Xform(1, 0, 0, 1, 50, 0));
        b.Record(EMR_SETMAPMODE, Ints({8}));
        b.Record(EMR_SETWINDOWEXTEX, Ints({50, 50}));
        b.Record(EMR_SETVIEWPORTEXTEX, Ints({100, 50}));
        b.Record(EMR_RESTOREDC, Ints({-1}));
        b.Record(EMR_RECTANGLE, Ints({0, 20, 10, 30}));
        const auto [first, last] = InkColumns(Render(b), 25);
        QVERIFY2(first == 0 && std::abs(last - 9) <= 1,
                 qPrintable(QString("ink %1..%2").arg(first).arg(last)));
    }

    // SetMetaRgn keeps the clip in force as a limit: later clips are set
    // inside it, resetting the clip comes back to it, and RestoreDC brings
    // back the state from before it.
    void metaRegionLimitsLaterClips()
    {
        auto drawn = [](bool restore) {
            EmfBuilder b = Start();
            b.Record(EMR_SAVEDC);
            b.Record(EMR_INTERSECTCLIPRECT, Ints({0, 0, 50, 51}));
            b.Record(EMR_SETMETARGN);
            b.Record(EMR_INTERSECTCLIPRECT, Ints({40, 0, 101, 51})); // inside: 40..49
            b.Record(EMR_RECTANGLE, Ints({0, 0, 101, 26}));
            b.Record(EMR_EXTSELECTCLIPRGN, Ints({0, 5})); // reset: back to 0..49
            if (restore)
                b.Record(EMR_RESTOREDC, Ints({-1}));
            b.Record(EMR_RECTANGLE, Ints({0, 30, 101, 51}));
            return Render(b);
        };
        const QImage kept = drawn(false);
        QCOMPARE(InkColumns(kept, 10), std::make_pair(40, 49));
        QCOMPARE(InkColumns(kept, 40), std::make_pair(0, 49));
        const QImage restored = drawn(true);
        QCOMPARE(InkColumns(restored, 10), std::make_pair(40, 49));
        QCOMPARE(InkColumns(restored, 40), std::make_pair(0, 99));
    }
};

QTEST_GUILESS_MAIN(TestMetafileState)
#include "test_metafile_state.moc"
