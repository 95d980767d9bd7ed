// EMF+ records in EMF comments: dual files draw their EMF+ content and their
// EMF records only after GetDC, fills with inline and object brushes,
// transforms and page units, saved states, clipping, continued objects,
// relative points, and damaged record sizes skipped with the rest drawn.
#include "support/EmfPlusBytes.h"
#include "support/MetafileBytes.h"
#include "support/MetafileRender.h"

#include <QBuffer>
#include <QTest>

#include <bit>
#include <cmath>
#include <cstring>

using namespace metafilebytes;

namespace {

// EMF+ records gathered into one EMR_COMMENT.
class PlusComment
{
public:
    PlusComment& Record(std::uint16_t type, std::uint16_t flags, const Bytes& data,
                        std::optional<std::uint32_t> size = {})
    {
        Put16(m_bytes, type);
        Put16(m_bytes, flags);
        Put32(m_bytes, size.value_or(std::uint32_t(12 + data.size())));
        Put32(m_bytes, std::uint32_t(data.size()));
        m_bytes.insert(m_bytes.end(), data.begin(), data.end());
        return *this;
    }
    PlusComment& Header(std::uint32_t dpi = 96)
    {
        Bytes d;
        Put32(d, 0xDBC01002);
        Put32(d, 1);
        Put32(d, dpi);
        Put32(d, dpi);
        return Record(0x4001, 1, d);
    }
    // FillRects with an inline colour.
    PlusComment& FillRect(std::uint32_t argb, float x, float y, float w, float h)
    {
        Bytes d;
        Put32(d, argb);
        Put32(d, 1);
        for (float v : {x, y, w, h})
            PutF(d, v);
        return Record(0x400A, 0x8000, d);
    }
    void AddTo(EmfBuilder& emf) const
    {
        Bytes payload;
        Put32(payload, std::uint32_t(4 + m_bytes.size()));
        Put32(payload, 0x2B464D45);
        payload.insert(payload.end(), m_bytes.begin(), m_bytes.end());
        emf.Record(70, payload);
    }

private:
    Bytes m_bytes;
};

// An EMF record that paints the rectangle solid black: the stock black
// brush selected, then EMR_RECTANGLE.
void EmfBlackRect(EmfBuilder& emf, int l, int t, int r, int b)
{
    Bytes select;
    Put32(select, 0x80000004);
    emf.Record(37, select);
    Bytes rect;
    for (int v : {l, t, r, b})
        Put32(rect, std::uint32_t(v));
    emf.Record(43, rect);
}

Bytes Matrix6(float a, float b, float c, float d, float e, float f)
{
    Bytes m;
    for (float v : {a, b, c, d, e, f})
        PutF(m, v);
    return m;
}

// The default EMF frame is 100 x 50 reference pixels drawn at 100 x 50.
constexpr int W = 100, H = 50;

} // namespace

class TestMetafileEmfPlus : public QObject
{
    Q_OBJECT

private slots:
    void dualFileDrawsEmfPlusOnly();
    void dualFileDrawsEmfPlusWhateverRecordsItUses();
    void getDcEnablesEmfUntilNextPlusRecord();
    void transformsAndPageUnits();
    void saveRestoreAndContainers();
    void clipRect();
    void objectsPathsAndPens();
    void continuedObject();
    void hostileSizesSkipped();
    void piesAndArcs();
    void cardinalCurves();
    void regionsFillAndClip();
    void imagesIntoRectAndParallelogram();
    void compressedAndNestedImages();
    void stringsReachTheCanvas();
    void driverStringsPlaceGlyphs();
    void hostileDrawingRecordsSkipped();
    void pathGradientRadiatesFromCentre();
    void heavilyCrossingPathsCombinedCheaply();
};

void TestMetafileEmfPlus::dualFileDrawsEmfPlusOnly()
{
    EmfBuilder emf;
    PlusComment().Header().FillRect(0xFFFF0000, 10, 10, 20, 20).AddTo(emf);
    EmfBlackRect(emf, 60, 10, 90, 40);
    const QImage image = RenderMetafile(emf.Eof().Finish(), W, H);
    QCOMPARE(Rgb(image, 20, 20), 0xFF0000u);
    // The EMF stand-in is not drawn.
    QCOMPARE(Rgb(image, 75, 25), 0xFFFFFFu);
    QCOMPARE(Rgb(image, 35, 20), 0xFFFFFFu);

    // Without an EMF+ header the EMF records are drawn.
    EmfBuilder plain;
    EmfBlackRect(plain, 60, 10, 90, 40);
    QCOMPARE(Rgb(RenderMetafile(plain.Eof().Finish(), W, H), 75, 25), 0x000000u);
}

void TestMetafileEmfPlus::dualFileDrawsEmfPlusWhateverRecordsItUses()
{
    // A dual file is drawn from its EMF+ records even where one of them
    // (here a damaged DrawString) cannot be drawn; its EMF stand-in stays unused.
    Bytes text(28, 0);
    EmfBuilder dual;
    PlusComment()
        .Header()
        .FillRect(0xFFFF0000, 10, 10, 20, 20)
        .Record(0x401C, 0x8000, text)
        .AddTo(dual);
    EmfBlackRect(dual, 60, 10, 90, 40);
    const QImage shown = RenderMetafile(dual.Eof().Finish(), W, H);
    QCOMPARE(Rgb(shown, 20, 20), 0xFF0000u);
    QCOMPARE(Rgb(shown, 75, 25), 0xFFFFFFu);

    // An EMF+ only file (no dual flag) is played the same way.
    EmfBuilder only;
    PlusComment()
        .Record(0x4001, 0, Bytes(16, 0))
        .FillRect(0xFFFF0000, 10, 10, 20, 20)
        .Record(0x401C, 0x8000, text)
        .AddTo(only);
    EmfBlackRect(only, 60, 10, 90, 40);
    const QImage played = RenderMetafile(only.Eof().Finish(), W, H);
    QCOMPARE(Rgb(played, 20, 20), 0xFF0000u);
    QCOMPARE(Rgb(played, 75, 25), 0xFFFFFFu);
}

void TestMetafileEmfPlus::getDcEnablesEmfUntilNextPlusRecord()
{
    EmfBuilder emf;
    PlusComment().Header().Record(0x4004, 0, {}).AddTo(emf);
    EmfBlackRect(emf, 5, 5, 25, 25); // after GetDC: drawn
    PlusComment().FillRect(0xFF00FF00, 40, 5, 10, 10).AddTo(emf);
    EmfBlackRect(emf, 60, 5, 90, 25); // after the next EMF+ record: not drawn
    const QImage image = RenderMetafile(emf.Eof().Finish(), W, H);
    QCOMPARE(Rgb(image, 15, 15), 0x000000u);
    QCOMPARE(Rgb(image, 45, 10), 0x00FF00u);
    QCOMPARE(Rgb(image, 75, 15), 0xFFFFFFu);
}

void TestMetafileEmfPlus::transformsAndPageUnits()
{
    EmfBuilder emf;
    PlusComment c;
    c.Header();
    // Page unit inch at 96 dpi, scale 0.25: one unit is 24 pixels.
    Bytes scale;
    PutF(scale, 0.25f);
    c.Record(0x4030, 4, scale);
    c.FillRect(0xFF0000FF, 0, 0, 1, 1); // 0..24
    // Translate by 2 units, then scale by 0.5 (pre-multiplied: scale first).
    Bytes t;
    PutF(t, 2);
    PutF(t, 0);
    c.Record(0x402D, 0, t);
    Bytes s;
    PutF(s, 0.5f);
    PutF(s, 0.5f);
    c.Record(0x402E, 0, s);
    c.FillRect(0xFFFF0000, 0, 0, 2, 2); // x 48..72, y 0..24
    c.Record(0x402B, 0, {});
    c.Record(0x402A, 0, Matrix6(1, 0, 0, 1, 3, 1)); // x 72..96, y 24..48
    c.FillRect(0xFF00FF00, 0, 0, 1, 1);
    c.AddTo(emf);
    const QImage image = RenderMetafile(emf.Eof().Finish(), W, H);
    QCOMPARE(Rgb(image, 12, 12), 0x0000FFu);
    QCOMPARE(Rgb(image, 30, 12), 0xFFFFFFu);
    QCOMPARE(Rgb(image, 50, 12), 0xFF0000u);
    QCOMPARE(Rgb(image, 70, 22), 0xFF0000u);
    QCOMPARE(Rgb(image, 74, 12), 0xFFFFFFu);
    QCOMPARE(Rgb(image, 84, 36), 0x00FF00u);
}

void TestMetafileEmfPlus::saveRestoreAndContainers()
{
    EmfBuilder emf;
    PlusComment c;
    c.Header();
    Bytes index;
    Put32(index, 7);
    c.Record(0x4025, 0, index); // Save 7
    c.Record(0x402A, 0, Matrix6(1, 0, 0, 1, 50, 0));
    c.FillRect(0xFFFF0000, 0, 0, 10, 10); // 50..60
    c.Record(0x4026, 0, index);           // Restore 7: no translation
    c.FillRect(0xFF0000FF, 0, 0, 10, 10); // 0..10
    // A container mapping 0..10 onto 20..40 (twice the size).
    Bytes container;
    for (float v : {20.f, 20.f, 20.f, 20.f, 0.f, 0.f, 10.f, 10.f})
        PutF(container, v);
    Put32(container, 9);
    c.Record(0x4027, 2, container);
    c.FillRect(0xFF00FF00, 0, 0, 10, 10); // 20..40
    Bytes end;
    Put32(end, 9);
    c.Record(0x4029, 0, end);
    c.FillRect(0xFF000000, 80, 40, 5, 5); // after the container: untransformed
    c.AddTo(emf);
    const QImage image = RenderMetafile(emf.Eof().Finish(), W, H);
    QCOMPARE(Rgb(image, 55, 5), 0xFF0000u);
    QCOMPARE(Rgb(image, 5, 5), 0x0000FFu);
    QCOMPARE(Rgb(image, 38, 38), 0x00FF00u);
    QCOMPARE(Rgb(image, 15, 15), 0xFFFFFFu);
    QCOMPARE(Rgb(image, 82, 42), 0x000000u);
}

void TestMetafileEmfPlus::clipRect()
{
    EmfBuilder emf;
    PlusComment c;
    c.Header();
    Bytes clip;
    for (float v : {10.f, 10.f, 30.f, 30.f})
        PutF(clip, v);
    c.Record(0x4032, 0x0000, clip); // replace
    Bytes cut;
    for (float v : {20.f, 0.f, 5.f, 50.f})
        PutF(cut, v);
    c.Record(0x4032, 0x0400, cut); // exclude
    c.FillRect(0xFFFF0000, 0, 0, 100, 50);
    c.Record(0x4031, 0, {}); // reset
    c.FillRect(0xFF0000FF, 80, 0, 20, 10);
    c.AddTo(emf);
    const QImage image = RenderMetafile(emf.Eof().Finish(), W, H);
    QCOMPARE(Rgb(image, 15, 15), 0xFF0000u);
    QCOMPARE(Rgb(image, 22, 15), 0xFFFFFFu); // excluded
    QCOMPARE(Rgb(image, 5, 5), 0xFFFFFFu);   // outside
    QCOMPARE(Rgb(image, 45, 45), 0xFFFFFFu);
    QCOMPARE(Rgb(image, 90, 5), 0x0000FFu);
}

namespace {

Bytes SolidBrushObject(std::uint32_t argb)
{
    Bytes b;
    Put32(b, 0xDBC01002);
    Put32(b, 0);
    Put32(b, argb);
    return b;
}

Bytes PenObject(float width, std::uint32_t argb)
{
    Bytes p;
    Put32(p, 0xDBC01002);
    Put32(p, 0);
    Put32(p, 0); // no optional data
    Put32(p, 0); // world units
    PutF(p, width);
    const Bytes brush = SolidBrushObject(argb);
    p.insert(p.end(), brush.begin(), brush.end());
    return p;
}

// A closed path of relative points (7-bit deltas) for a rectangle.
Bytes RelativeRectPath(int x, int y, int w, int h)
{
    Bytes p;
    Put32(p, 0xDBC01002);
    Put32(p, 4);
    Put32(p, 0x0800);
    auto delta = [&](int dx, int dy) {
        p.push_back(std::uint8_t(dx & 0x7F));
        p.push_back(std::uint8_t(dy & 0x7F));
    };
    delta(x, y);
    delta(w, 0);
    delta(0, h);
    delta(-w, 0);
    for (std::uint8_t t : {0x00, 0x01, 0x01, 0x81})
        p.push_back(t);
    return p;
}

} // namespace

void TestMetafileEmfPlus::objectsPathsAndPens()
{
    EmfBuilder emf;
    PlusComment c;
    c.Header();
    c.Record(0x4008, 0x0100 | 3, SolidBrushObject(0xFF00FF00));     // brush 3
    c.Record(0x4008, 0x0300 | 4, RelativeRectPath(10, 10, 30, 20)); // path 4
    c.Record(0x4008, 0x0200 | 5, PenObject(4, 0xFF0000FF));         // pen 5
    Bytes fill;
    Put32(fill, 3);
    c.Record(0x4014, 4, fill); // FillPath path 4 with brush 3
    // DrawLines with pen 5, 16-bit points, from (60,10) to (90,10).
    Bytes lines;
    Put32(lines, 2);
    for (std::int16_t v : {60, 10, 90, 10})
        Put16(lines, std::uint16_t(v));
    c.Record(0x400D, 0x4000 | 5, lines);
    c.AddTo(emf);
    const QImage image = RenderMetafile(emf.Eof().Finish(), W, H);
    QCOMPARE(Rgb(image, 25, 20), 0x00FF00u);
    QCOMPARE(Rgb(image, 45, 20), 0xFFFFFFu);
    QCOMPARE(Rgb(image, 25, 35), 0xFFFFFFu);
    QCOMPARE(Rgb(image, 75, 11), 0x0000FFu); // four wide around y = 10
    QCOMPARE(Rgb(image, 75, 14), 0xFFFFFFu);
}

void TestMetafileEmfPlus::continuedObject()
{
    // A brush object split over two records, the second with the bit clear.
    const Bytes brush = SolidBrushObject(0xFFFF00FF);
    Bytes first, second;
    Put32(first, std::uint32_t(brush.size()));
    first.insert(first.end(), brush.begin(), brush.begin() + 5);
    Put32(second, std::uint32_t(brush.size()));
    second.insert(second.end(), brush.begin() + 5, brush.end());
    EmfBuilder emf;
    PlusComment c;
    c.Header();
    c.Record(0x4008, 0x8000 | 0x0100 | 2, first);
    c.Record(0x4008, 0x8000 | 0x0100 | 2, second);
    Bytes fill;
    Put32(fill, 2);
    Put32(fill, 1);
    for (float v : {10.f, 10.f, 20.f, 20.f})
        PutF(fill, v);
    c.Record(0x400A, 0, fill);
    c.AddTo(emf);
    QCOMPARE(Rgb(RenderMetafile(emf.Eof().Finish(), W, H), 20, 20), 0xFF00FFu);
}

void TestMetafileEmfPlus::hostileSizesSkipped()
{
    EmfBuilder emf;
    PlusComment bad;
    bad.Header();
    // Rect count far beyond the data, then a record whose size runs past the comment.
    Bytes rects;
    Put32(rects, 0xFF000000);
    Put32(rects, 0x7FFFFFFF);
    bad.Record(0x400A, 0x8000, rects);
    bad.FillRect(0xFFFF0000, 60, 10, 20, 20);
    bad.Record(0x400A, 0x8000, {}, 0xFFFFFFF0u);
    bad.AddTo(emf);
    PlusComment good;
    good.FillRect(0xFF0000FF, 10, 10, 20, 20);
    good.AddTo(emf);
    metafile::PlayReport report;
    const QImage image = RenderMetafile(emf.Eof().Finish(), W, H, &report);
    QCOMPARE(Rgb(image, 70, 20), 0xFF0000u);
    QCOMPARE(Rgb(image, 20, 20), 0x0000FFu);
    QCOMPARE(report.recordsSkipped, std::size_t(2));
}

namespace {

// Every channel within tolerance of rgb (smoothed image edges, rounding).
bool Near(const QImage& image, int x, int y, std::uint32_t rgb, int tolerance = 24)
{
    const QColor c = image.pixelColor(x, y);
    return std::abs(c.red() - int((rgb >> 16) & 0xFF)) <= tolerance &&
           std::abs(c.green() - int((rgb >> 8) & 0xFF)) <= tolerance &&
           std::abs(c.blue() - int(rgb & 0xFF)) <= tolerance;
}

Bytes Floats(std::initializer_list<float> values)
{
    Bytes b;
    for (float v : values)
        PutF(b, v);
    return b;
}

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes U32s(std::initializer_list<std::uint32_t> values)
{
    Bytes b;
    for (std::uint32_t v : values)
        Put32(b, v);
    return b;
}

// What the player hands the canvas for text, kept for the test to look at.
class RecordingCanvas : public metafile::QtCanvas
{
public:
    using QtCanvas::QtCanvas;
    void DrawLayoutText(const LayoutText& text) override
    {
        layouts.push_back(text);
        layoutTransforms.push_back(Transform());
    }
    double DrawText(const metafile::TextRun& run) override
    {
        runs.push_back(run);
        runTransforms.push_back(Transform());
        return 0;
    }
    std::vector<double> TextAdvances(const metafile::FontSpec&, const std::u16string& text) override
    {
        return std::vector<double>(text.size(), 7);
    }
    std::vector<LayoutText> layouts;
    std::vector<metafile::Matrix> layoutTransforms;
    std::vector<metafile::TextRun> runs;
    std::vector<metafile::Matrix> runTransforms;
};

RecordingCanvas* Record(const Bytes& bytes, QImage& image)
{
    image = QImage(W, H, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    auto* canvas = new RecordingCanvas(image);
    metafile::PlayMetafile(bytes, *canvas, {0, 0, double(W), double(H)});
    return canvas;
}

} // namespace

void TestMetafileEmfPlus::piesAndArcs()
{
    EmfBuilder emf;
    PlusComment c;
    c.Header();
    c.Record(0x4008, 0x0200 | 1, PenObject(3, 0xFF0000FF));
    // A quarter of the circle about (30, 25), radius 20: from the x axis
    // clockwise (downwards) by 90 degrees.
    c.Record(0x4010, 0x8000, U32s({0xFFFF0000}) + Floats({0, 90, 10, 5, 40, 40}));
    // The same sweep backwards, on 16-bit coordinates: the upper right quarter.
    Bytes compressed = U32s({0xFF00FF00}) + Floats({0, -90});
    for (std::int16_t v : {10, 5, 40, 40})
        Put16(compressed, std::uint16_t(v));
    c.Record(0x4010, 0x8000 | 0x4000, compressed);
    // An arc over the upper left quarter.
    c.Record(0x4012, 1, Floats({180, 90, 10, 5, 40, 40}));
    // On a wide ellipse the angles are seen from the centre: 0 to 45 degrees
    // reaches the ray through (60, 35) from (50, 25).
    c.Record(0x4010, 0x8000, U32s({0xFF000000}) + Floats({0, 45, 55, 15, 40, 20}));
    c.AddTo(emf);
    const QImage image = RenderMetafile(emf.Eof().Finish(), W, H);
    QCOMPARE(Rgb(image, 40, 35), 0xFF0000u);
    QCOMPARE(Rgb(image, 20, 35), 0xFFFFFFu);
    QCOMPARE(Rgb(image, 40, 15), 0x00FF00u);
    QCOMPARE(Rgb(image, 20, 15), 0xFFFFFFu); // the arc is not filled
    QCOMPARE(Rgb(image, 16, 11), 0x0000FFu); // on the circle at 225 degrees
    QCOMPARE(Rgb(image, 16, 39), 0xFFFFFFu); // 135 degrees: not swept
    // Centre (75, 25), radii 20 and 10: a point at 35 degrees is in, at 60 out.
    QCOMPARE(Rgb(image, 81, 29), 0x000000u);
    QCOMPARE(Rgb(image, 79, 32), 0xFFFFFFu);
    QCOMPARE(Rgb(image, 90, 26), 0x000000u);
}

void TestMetafileEmfPlus::cardinalCurves()
{
    EmfBuilder emf;
    PlusComment c;
    c.Header();
    c.Record(0x4008, 0x0200 | 1, PenObject(3, 0xFF0000FF));
    // A closed curve through the square's corners bulges past its sides.
    c.Record(0x4016, 0x8000,
             U32s({0xFFFF0000}) + Floats({0.5f}) + U32s({4}) +
                 Floats({10, 10, 30, 10, 30, 40, 10, 40}));
    // Tension 0: the polygon itself.
    c.Record(0x4016, 0x8000,
             U32s({0xFF00FF00}) + Floats({0}) + U32s({4}) +
                 Floats({50, 10, 70, 10, 70, 40, 50, 40}));
    // Of an open zigzag only segments 1 and 2 are drawn (straight at tension 0).
    c.Record(0x4018, 1,
             Floats({0}) + U32s({1, 2, 5}) + Floats({75, 40, 80, 10, 85, 40, 90, 10, 95, 40}));
    c.AddTo(emf);
    const QImage image = RenderMetafile(emf.Eof().Finish(), W, H);
    QCOMPARE(Rgb(image, 20, 25), 0xFF0000u);
    QCOMPARE(Rgb(image, 20, 8), 0xFF0000u); // the bulge above the top side
    QCOMPARE(Rgb(image, 20, 4), 0xFFFFFFu);
    QCOMPARE(Rgb(image, 60, 25), 0x00FF00u);
    QCOMPARE(Rgb(image, 60, 8), 0xFFFFFFu);
    QCOMPARE(Rgb(image, 82, 25), 0x0000FFu); // segment 1, (80,10) to (85,40)
    QCOMPARE(Rgb(image, 87, 25), 0x0000FFu); // segment 2
    QCOMPARE(Rgb(image, 77, 25), 0xFFFFFFu); // segment 0: not drawn
    QCOMPARE(Rgb(image, 93, 25), 0xFFFFFFu); // segment 3: not drawn
}

void TestMetafileEmfPlus::regionsFillAndClip()
{
    EmfBuilder emf;
    PlusComment c;
    c.Header();
    // (A union B) less C: two bars with a notch.
    const Bytes root =
        RegionCombine(4, RegionCombine(2, RegionRect(5, 5, 20, 20), RegionRect(15, 15, 20, 20)),
                      RegionRect(10, 10, 5, 5));
    c.Record(0x4008, 0x0400 | 2, RegionObject(root, 5));
    c.Record(0x4013, 0x8000 | 2, U32s({0xFFFF0000}));
    // Clipped to a region (rect 50..60 complemented by rect 50..70: 60..70), then offset.
    const Bytes clip = RegionCombine(5, RegionRect(50, 5, 10, 10), RegionRect(50, 5, 20, 10));
    c.Record(0x4008, 0x0400 | 3, RegionObject(clip, 3));
    c.Record(0x4034, 0x0000 | 3, {}); // replace
    c.FillRect(0xFF0000FF, 0, 0, 100, 50);
    c.Record(0x4035, 0, Floats({0, 25})); // moved down
    c.FillRect(0xFF00FF00, 0, 0, 100, 50);
    c.AddTo(emf);
    const QImage image = RenderMetafile(emf.Eof().Finish(), W, H);
    QCOMPARE(Rgb(image, 7, 7), 0xFF0000u);
    QCOMPARE(Rgb(image, 32, 32), 0xFF0000u);
    QCOMPARE(Rgb(image, 12, 12), 0xFFFFFFu); // the notch
    QCOMPARE(Rgb(image, 32, 7), 0xFFFFFFu);  // in neither rect
    QCOMPARE(Rgb(image, 65, 10), 0x0000FFu);
    QCOMPARE(Rgb(image, 55, 10), 0xFFFFFFu); // complemented away
    QCOMPARE(Rgb(image, 80, 10), 0xFFFFFFu);
    QCOMPARE(Rgb(image, 65, 35), 0x00FF00u); // the clip moved by the offset
    QCOMPARE(Rgb(image, 55, 35), 0xFFFFFFu);
}

void TestMetafileEmfPlus::imagesIntoRectAndParallelogram()
{
    // Red, green / blue, black.
    const Bytes image = ArgbImageObject(2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF000000});
    EmfBuilder emf;
    PlusComment c;
    c.Header();
    c.Record(0x4008, 0x0500 | 4, image);
    // The whole image into x 10..50, y 5..45.
    c.Record(0x401A, 4, U32s({0, 2}) + Floats({0, 0, 2, 2}) + Floats({10, 5, 40, 40}));
    // Mirrored: upper left (95, 5), upper right (55, 5), lower left (95, 45).
    c.Record(0x401B, 4,
             U32s({0, 2}) + Floats({0, 0, 2, 2}) + U32s({3}) + Floats({95, 5, 55, 5, 95, 45}));
    c.AddTo(emf);
    const QImage out = RenderMetafile(emf.Eof().Finish(), W, H);
    QVERIFY(Near(out, 20, 15, 0xFF0000));
    QVERIFY(Near(out, 40, 15, 0x00FF00));
    QVERIFY(Near(out, 20, 35, 0x0000FF));
    QVERIFY(Near(out, 40, 35, 0x000000));
    QVERIFY(Near(out, 5, 25, 0xFFFFFF));
    QVERIFY(Near(out, 85, 15, 0xFF0000));
    QVERIFY(Near(out, 65, 15, 0x00FF00));
    QVERIFY(Near(out, 85, 35, 0x0000FF));
    QVERIFY(Near(out, 65, 35, 0x000000));

    // The source's upper right pixel alone fills the rectangle.
    EmfBuilder part;
    PlusComment p;
    p.Header();
    p.Record(0x4008, 0x0500 | 4, image);
    p.Record(0x401A, 4, U32s({0, 2}) + Floats({1, 0, 1, 1}) + Floats({10, 5, 40, 40}));
    p.AddTo(part);
    const QImage one = RenderMetafile(part.Eof().Finish(), W, H);
    QVERIFY(Near(one, 12, 7, 0x00FF00));
    QVERIFY(Near(one, 30, 25, 0x00FF00));
    QVERIFY(Near(one, 48, 43, 0x00FF00));
}

void TestMetafileEmfPlus::compressedAndNestedImages()
{
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(QColor(255, 0, 255));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(picture.save(&buffer, "PNG"));
    const Bytes pngBytes(png.begin(), png.end());

    // The nested EMF paints the left half of its frame black.
    EmfBuilder inner;
    EmfBlackRect(inner, 0, 0, 50, 50);
    const Bytes nested = inner.Eof().Finish();

    EmfBuilder emf;
    PlusComment c;
    c.Header();
    c.Record(0x4008, 0x0500 | 1, CompressedImageObject(0, 0, pngBytes));
    c.Record(0x401A, 1, U32s({0, 2}) + Floats({0, 0, 4, 4}) + Floats({5, 5, 30, 30}));
    c.Record(0x4008, 0x0500 | 2, EmfImageObject(nested));
    c.Record(0x401A, 2, U32s({0, 2}) + Floats({0, 0, 100, 50}) + Floats({50, 0, 50, 25}));
    // A damaged PNG is no image: drawing it is skipped.
    Bytes broken(pngBytes.begin(), pngBytes.begin() + std::ptrdiff_t(pngBytes.size() / 2));
    c.Record(0x4008, 0x0500 | 3, CompressedImageObject(4, 4, broken));
    c.Record(0x401A, 3, U32s({0, 2}) + Floats({0, 0, 4, 4}) + Floats({5, 5, 30, 30}));
    c.AddTo(emf);
    metafile::PlayReport report;
    const QImage out = RenderMetafile(emf.Eof().Finish(), W, H, &report);
    QVERIFY(Near(out, 20, 20, 0xFF00FF));
    QVERIFY(Near(out, 40, 40, 0xFFFFFF));
    QCOMPARE(Rgb(out, 60, 10), 0x000000u); // the nested picture's left half
    QCOMPARE(Rgb(out, 90, 10), 0xFFFFFFu);
    QCOMPARE(Rgb(out, 60, 40), 0xFFFFFFu);           // below its destination
    QCOMPARE(report.recordsSkipped, std::size_t(2)); // the broken object and its drawing
}

void TestMetafileEmfPlus::stringsReachTheCanvas()
{
    EmfBuilder emf;
    PlusComment c;
    c.Header();
    // 12 points at 96 dpi: 16 pixels, the page unit.
    c.Record(0x4008, 0x0600 | 1, FontObject(12, 3, 1, u"Arial"));
    c.Record(0x4008, 0x0700 | 2, StringFormatObject(0x1000, 1, 2)); // no wrap, centre, far
    c.Record(0x402A, 0, Matrix6(2, 0, 0, 2, 10, 0));
    Bytes text = U32s({0xFF00FF00, 2, 3}) + Floats({5, 5, 30, 10});
    for (char16_t ch : std::u16string(u"Hi!"))
        Put16(text, std::uint16_t(ch));
    Put16(text, 0);
    c.Record(0x401C, 0x8000 | 1, text);
    c.AddTo(emf);
    QImage image;
    std::unique_ptr<RecordingCanvas> canvas(Record(emf.Eof().Finish(), image));
    QCOMPARE(canvas->layouts.size(), std::size_t(1));
    const auto& t = canvas->layouts[0];
    QVERIFY(t.text == u"Hi!");
    QCOMPARE(t.alignment, 1);
    QCOMPARE(t.lineAlignment, 2);
    QVERIFY(t.noWrap);
    QVERIFY(t.clip);
    QCOMPARE(t.font.weight, 700);
    QVERIFY(t.font.faceName == u"Arial");
    // The em in world units (pixels here): 16 pixels.
    QCOMPARE(t.font.height, -16.0);
    QCOMPARE(t.color, (metafile::Color{0, 255, 0, 255}));
    // The layout rectangle in world units, the transform taking it to the output.
    const metafile::PointD a = canvas->layoutTransforms[0].Map({t.layout.left, t.layout.top});
    const metafile::PointD b = canvas->layoutTransforms[0].Map({t.layout.right, t.layout.bottom});
    QCOMPARE(a.x, 20.0);
    QCOMPARE(a.y, 10.0);
    QCOMPARE(b.x, 80.0);
    QCOMPARE(b.y, 30.0);
}

void TestMetafileEmfPlus::driverStringsPlaceGlyphs()
{
    auto driver = [](std::uint32_t options, std::initializer_list<float> positions, bool matrix) {
        Bytes d = U32s({0xFFFF0000, options, matrix ? 1u : 0u, 3});
        for (char16_t ch : std::u16string(u"abc"))
            Put16(d, std::uint16_t(ch));
        d = d + Floats(positions); // right after the glyphs
        if (matrix)
            d = d + Matrix6(1, 0, 0, 1, 0, 10);
        return d;
    };
    EmfBuilder emf;
    PlusComment c;
    c.Header();
    c.Record(0x4008, 0x0600 | 1, FontObject(20, 2, 0, u"Arial"));
    c.Record(0x4036, 0x8000 | 1, driver(1, {10, 30, 22, 30, 40, 30}, false)); // own positions
    c.Record(0x4036, 0x8000 | 1, driver(1 | 4, {10, 30, 0, 0, 0, 0}, true));  // realized advances
    c.Record(0x4036, 0x8000 | 1, driver(1, {10, 30, 20, 35, 30, 40}, false)); // off one baseline
    c.Record(0x4036, 0x8000 | 1, driver(0, {10, 30, 22, 30, 40, 30}, false)); // glyph indices
    c.AddTo(emf);
    QImage image;
    std::unique_ptr<RecordingCanvas> canvas(Record(emf.Eof().Finish(), image));
    QCOMPARE(canvas->runs.size(), std::size_t(1 + 1 + 3));
    const auto& first = canvas->runs[0];
    QVERIFY(first.text == u"abc");
    QCOMPARE(first.origin.x, 10.0);
    QCOMPARE(first.origin.y, 30.0);
    QCOMPARE(first.align, metafile::TA_BASELINE);
    QCOMPARE(first.font.height, -20.0);
    QCOMPARE(first.advances, (std::vector<double>{12, 18, 7})); // the last from the font
    QCOMPARE(first.color, (metafile::Color{255, 0, 0, 255}));
    const auto& realized = canvas->runs[1];
    QVERIFY(realized.advances.empty());
    QCOMPARE(canvas->runTransforms[1].Map(realized.origin).y, 40.0); // the glyph matrix applied
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(canvas->runs[std::size_t(2 + i)].text.size(), std::size_t(1));
        QCOMPARE(canvas->runs[std::size_t(2 + i)].origin.y, 30.0 + 5 * i);
    }
}

void TestMetafileEmfPlus::hostileDrawingRecordsSkipped()
{
    EmfBuilder emf;
    PlusComment c;
    c.Header();
    c.Record(0x4008, 0x0200 | 1, PenObject(3, 0xFF0000FF));
    // Counts beyond the data, a curve offset past its points, a missing
    // region, image and font, and a text length beyond the record.
    c.Record(0x4016, 0x8000,
             U32s({0xFFFF0000}) + Floats({0.5f}) + U32s({0x7FFFFFFF}) + Floats({1, 2}));
    c.Record(0x4018, 1, Floats({0.5f}) + U32s({3, 2, 4}) + Floats({0, 0, 1, 1, 2, 2, 3, 3}));
    c.Record(0x4013, 0x8000 | 9, U32s({0xFFFF0000}));
    c.Record(0x4034, 9, {});
    c.Record(0x401A, 9, U32s({0, 2}) + Floats({0, 0, 1, 1, 0, 0, 10, 10}));
    c.Record(0x401B, 9, U32s({0, 2}) + Floats({0, 0, 1, 1}) + U32s({0x40000000}));
    c.Record(0x401C, 0x8000 | 9, U32s({0, 0, 2}) + Floats({0, 0, 10, 10}) + U32s({0x00410041}));
    c.Record(0x4008, 0x0600 | 2, FontObject(10, 2, 0, u"A"));
    c.Record(0x401C, 0x8000 | 2, U32s({0, 0, 0x7FFFFFFF}) + Floats({0, 0, 10, 10}));
    c.Record(0x4036, 0x8000 | 2, U32s({0, 1, 0, 0x7FFFFFFF}));
    // A region nested deeper than any real one.
    Bytes deep = RegionRect(0, 0, 1, 1);
    for (int i = 0; i < 200; ++i)
        deep = RegionCombine(2, deep, RegionRect(0, 0, 1, 1));
    c.Record(0x4008, 0x0400 | 3, RegionObject(deep, 401));
    c.Record(0x4013, 0x8000 | 3, U32s({0xFFFF0000}));
    c.FillRect(0xFF00FF00, 60, 10, 20, 20);
    c.AddTo(emf);
    metafile::PlayReport report;
    const QImage image = RenderMetafile(emf.Eof().Finish(), W, H, &report);
    QCOMPARE(Rgb(image, 70, 20), 0x00FF00u);
    QCOMPARE(Rgb(image, 1, 1), 0xFFFFFFu);
    QCOMPARE(report.recordsSkipped, std::size_t(11));
}

void TestMetafileEmfPlus::pathGradientRadiatesFromCentre()
{
    // Red at the centre (50, 25) to blue on an octagon about it.
    Bytes brush =
        U32s({0xDBC01002, 3, 0, 0, 0xFFFF0000}) + Floats({50, 25}) + U32s({1, 0xFF0000FF, 8});
    for (int i = 0; i < 8; ++i) {
        const double a = i * 3.14159265358979 / 4;
        brush = brush + Floats({float(50 + 40 * std::cos(a)), float(25 + 20 * std::sin(a))});
    }
    EmfBuilder emf;
    PlusComment c;
    c.Header();
    c.Record(0x4008, 0x0100 | 1, brush);
    c.Record(0x400A, 0, U32s({1, 1}) + Floats({10, 5, 80, 40}));
    c.AddTo(emf);
    const QImage image = RenderMetafile(emf.Eof().Finish(), W, H);
    QVERIFY(Near(image, 50, 25, 0xFF0000, 16));
    // Both sides alike, near the surround colour towards the edge.
    QVERIFY(Near(image, 12, 25, 0x0000FF, 40));
    QVERIFY(Near(image, 88, 25, 0x0000FF, 40));
    QVERIFY(Near(image, 50, 6, 0x0000FF, 40));
    // Half way out: a mix of both.
    const QColor half = image.pixelColor(70, 25);
    QVERIFY(half.red() > 60 && half.red() < 200 && half.blue() > 60 && half.blue() < 200);
}

void TestMetafileEmfPlus::heavilyCrossingPathsCombinedCheaply()
{
    QImage image(W, H, QImage::Format_ARGB32_Premultiplied);
    metafile::QtCanvas canvas(image);
    // Two squares: combined exactly.
    metafile::Path a, b;
    a.AddRect({0, 0, 20, 20});
    b.AddRect({10, 10, 30, 30});
    const QPainterPath exact =
        metafile::QtCanvas::ToQPath(canvas.CombinePaths(a, b, metafile::ClipCombine::Xor));
    QVERIFY(exact.contains(QPointF(5, 5)));
    QVERIFY(!exact.contains(QPointF(15, 15)));
    // Zigzags whose edges cross each other thousands of times are combined
    // as a canvas without boolean geometry does, which still fills both.
    metafile::Path zigA, zigB;
    std::vector<metafile::PointD> pa, pb;
    for (int i = 0; i < 200; ++i) {
        pa.push_back({double(i % 2 ? 100 : 0), i * 0.25});
        pb.push_back({i * 0.5, double(i % 2 ? 50 : 0)});
    }
    zigA.AddPolygon(pa);
    zigB.AddPolygon(pb);
    const QPainterPath both =
        metafile::QtCanvas::ToQPath(canvas.CombinePaths(zigA, zigB, metafile::ClipCombine::Or));
    QCOMPARE(both.elementCount(), metafile::QtCanvas::ToQPath(zigA).elementCount() +
                                      metafile::QtCanvas::ToQPath(zigB).elementCount());
    QVERIFY(both.contains(QPointF(50, 0.125)));
    const QPainterPath diff =
        metafile::QtCanvas::ToQPath(canvas.CombinePaths(zigA, zigB, metafile::ClipCombine::Diff));
    QCOMPARE(diff.elementCount(), metafile::QtCanvas::ToQPath(zigA).elementCount());
}

QTEST_MAIN(TestMetafileEmfPlus)
#include "test_metafile_emfplus.moc"
