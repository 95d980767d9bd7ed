// EMF+ records in EMF comments: dual files draw their EMF+ content and their
// EMF records only after GetDC, fills with inline and object brushes,
// transforms and page units, saved states, clipping, continued objects,
// relative points, and damaged record sizes skipped with the rest drawn.
#include "support/MetafileBytes.h"
#include "support/MetafileRender.h"

#include <QTest>

#include <bit>
#include <cstring>

using namespace metafilebytes;

namespace {

void PutF(Bytes& out, float f)
{
    Put32(out, std::bit_cast<std::uint32_t>(f));
}

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
    void dualFileWithUndrawnRecordsShowsItsEmf();
    void getDcEnablesEmfUntilNextPlusRecord();
    void transformsAndPageUnits();
    void saveRestoreAndContainers();
    void clipRect();
    void objectsPathsAndPens();
    void continuedObject();
    void hostileSizesSkipped();
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

void TestMetafileEmfPlus::dualFileWithUndrawnRecordsShowsItsEmf()
{
    // DrawString is not drawn by the EMF+ player yet: a dual file using it is
    // shown whole from its EMF records rather than with its text missing.
    Bytes text(28, 0);
    EmfBuilder dual;
    PlusComment().Header().FillRect(0xFFFF0000, 10, 10, 20, 20).Record(0x401C, 0x8000, text).AddTo(dual);
    EmfBlackRect(dual, 60, 10, 90, 40);
    const QImage shown = RenderMetafile(dual.Eof().Finish(), W, H);
    QCOMPARE(Rgb(shown, 75, 25), 0x000000u);
    QCOMPARE(Rgb(shown, 20, 20), 0xFFFFFFu);

    // An EMF+ only file (no dual flag) has nothing else to show: EMF+ is played.
    EmfBuilder only;
    PlusComment().Record(0x4001, 0, Bytes(16, 0)).FillRect(0xFFFF0000, 10, 10, 20, 20).Record(0x401C, 0x8000, text)
        .AddTo(only);
    EmfBlackRect(only, 60, 10, 90, 40);
    const QImage played = RenderMetafile(only.Eof().Finish(), W, H);
    QCOMPARE(Rgb(played, 20, 20), 0xFF0000u);
    QCOMPARE(Rgb(played, 75, 25), 0xFFFFFFu);

    // Flagged dual but without EMF drawing of its own: EMF+ is all it has.
    EmfBuilder flagged;
    PlusComment().Header().FillRect(0xFFFF0000, 10, 10, 20, 20).Record(0x401C, 0x8000, text).AddTo(flagged);
    QCOMPARE(Rgb(RenderMetafile(flagged.Eof().Finish(), W, H), 20, 20), 0xFF0000u);
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

QTEST_MAIN(TestMetafileEmfPlus)
#include "test_metafile_emfplus.moc"
