// Bitmap records drawn from built EMFs: DIB depths, stretching and flips,
// raster operations, pattern blits and damaged bitmaps.
#include "support/MetafileBytes.h"
#include "support/MetafileRender.h"

#include <QTest>
#include <cstring>

using namespace metafilebytes;
using metafile::PlayReport;

namespace {

constexpr std::uint32_t EMR_STRETCHDIBITS = 81, EMR_BITBLT = 76, EMR_CREATEBRUSHINDIRECT = 39,
                        EMR_SELECTOBJECT = 37;

// A BITMAPINFOHEADER with its colour table.
Bytes InfoHeader(std::int32_t width, std::int32_t height, std::uint16_t bits,
                 const std::vector<std::uint32_t>& table)
{
    Bytes b;
    Put32(b, 40);
    Put32(b, std::uint32_t(width));
    Put32(b, std::uint32_t(height));
    Put16(b, 1);
    Put16(b, bits);
    for (int i = 0; i < 4; ++i)
        Put32(b, 0);
    Put32(b, std::uint32_t(table.size()));
    Put32(b, 0);
    for (std::uint32_t c : table)
        Put32(b, c); // 0x00RRGGBB is B, G, R, 0 little-endian
    return b;
}

// StretchDIBits of the whole bitmap onto x, y, cx, cy.
void StretchDib(EmfBuilder& emf, const Bytes& info, const Bytes& bits, std::int32_t srcW,
                std::int32_t srcH, std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy,
                std::uint32_t rop = 0x00CC0020, std::uint32_t offBitsOverride = 0)
{
    Bytes p(16, 0);
    for (std::int32_t v : {x, y, 0, 0, srcW, srcH})
        Put32(p, std::uint32_t(v));
    Put32(p, 80);
    Put32(p, std::uint32_t(info.size()));
    Put32(p, offBitsOverride ? offBitsOverride : std::uint32_t(80 + info.size()));
    Put32(p, std::uint32_t(bits.size()));
    Put32(p, 0);
    Put32(p, rop);
    Put32(p, std::uint32_t(cx));
    Put32(p, std::uint32_t(cy));
    p.insert(p.end(), info.begin(), info.end());
    p.insert(p.end(), bits.begin(), bits.end());
    while (p.size() % 4)
        p.push_back(0);
    emf.Record(EMR_STRETCHDIBITS, p);
}

void SolidBrush(EmfBuilder& emf, std::uint32_t index, std::uint32_t colorref)
{
    Bytes p;
    Put32(p, index);
    Put32(p, 0);
    Put32(p, colorref);
    Put32(p, 0);
    emf.Record(EMR_CREATEBRUSHINDIRECT, p);
    Bytes s;
    Put32(s, index);
    emf.Record(EMR_SELECTOBJECT, s);
}

// A BitBlt without a bitmap: a pattern blit.
void PatBlt(EmfBuilder& emf, std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy,
            std::uint32_t rop)
{
    Bytes p(16, 0);
    for (std::int32_t v : {x, y, cx, cy})
        Put32(p, std::uint32_t(v));
    Put32(p, rop);
    Put32(p, 0);
    Put32(p, 0);
    const float identity[6] = {1, 0, 0, 1, 0, 0};
    for (float f : identity) {
        std::uint32_t u;
        std::memcpy(&u, &f, 4);
        Put32(p, u);
    }
    for (int i = 0; i < 6; ++i)
        Put32(p, 0); // background, usage, no bitmap
    emf.Record(EMR_BITBLT, p);
}

// A 2x2 24-bit bottom-up bitmap: bottom row red, green; top row blue, white.
Bytes Bits24()
{
    return {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0};
}

} // namespace

class TestMetafileBitmaps : public QObject
{
    Q_OBJECT

private slots:
    void depthsDrawTheirColours()
    {
        EmfBuilder emf;
        // 24 bits, bottom-up, stretched 10x.
        StretchDib(emf, InfoHeader(2, 2, 24, {}), Bits24(), 2, 2, 0, 0, 20, 20);
        // 1 bit with a colour table, top-down: 1 0 / 0 1.
        StretchDib(emf, InfoHeader(2, -2, 1, {0xFF0000, 0x0000FF}), {0x80, 0, 0, 0, 0x40, 0, 0, 0},
                   2, 2, 30, 0, 20, 20);
        // 8 bits with a table.
        StretchDib(emf, InfoHeader(1, 1, 8, {0, 0, 0x00FF00}), {2, 0, 0, 0}, 1, 1, 60, 0, 10, 10);
        // 16 bits 5-5-5: pure red.
        StretchDib(emf, InfoHeader(1, 1, 16, {}), {0x00, 0x7C, 0, 0}, 1, 1, 75, 0, 10, 10);
        const QImage image = RenderMetafile(emf.Eof().Finish(), 100, 50);
        QCOMPARE(Rgb(image, 5, 15), 0xFF0000u);  // bottom left
        QCOMPARE(Rgb(image, 15, 15), 0x00FF00u); // bottom right
        QCOMPARE(Rgb(image, 5, 5), 0x0000FFu);   // top left
        QCOMPARE(Rgb(image, 15, 5), 0xFFFFFFu);
        QCOMPARE(Rgb(image, 35, 5), 0x0000FFu); // 1 bit: entry 1
        QCOMPARE(Rgb(image, 45, 5), 0xFF0000u); // entry 0
        QCOMPARE(Rgb(image, 45, 15), 0x0000FFu);
        QCOMPARE(Rgb(image, 65, 5), 0x00FF00u);
        QCOMPARE(Rgb(image, 80, 5), 0xFF0000u);
        QCOMPARE(Rgb(image, 25, 25), 0xFFFFFFu); // nothing outside
    }

    void negativeExtentsFlip()
    {
        EmfBuilder emf;
        StretchDib(emf, InfoHeader(2, 2, 24, {}), Bits24(), 2, 2, 20, 0, -20, 20);
        const QImage image = RenderMetafile(emf.Eof().Finish(), 100, 50);
        QCOMPARE(Rgb(image, 5, 15), 0x00FF00u); // mirrored: green at the left
        QCOMPARE(Rgb(image, 15, 15), 0xFF0000u);
    }

    void rasterOperationsCombineWithDestination()
    {
        EmfBuilder emf;
        SolidBrush(emf, 1, 0x0000FF);           // red brush (COLORREF 0x00BBGGRR)
        PatBlt(emf, 0, 0, 10, 10, 0x00F00021);  // PATCOPY: red
        PatBlt(emf, 10, 0, 10, 10, 0x00550009); // DSTINVERT: white to black
        PatBlt(emf, 20, 0, 10, 10, 0x005A0049); // PATINVERT: white xor red = cyan
        PatBlt(emf, 30, 0, 10, 10, 0x00000042); // BLACKNESS
        // SRCAND of green over a red PATCOPY: black; SRCPAINT: yellow.
        PatBlt(emf, 40, 0, 20, 10, 0x00F00021);
        StretchDib(emf, InfoHeader(1, 1, 24, {}), {0, 255, 0, 0}, 1, 1, 40, 0, 10, 10, 0x008800C6);
        StretchDib(emf, InfoHeader(1, 1, 24, {}), {0, 255, 0, 0}, 1, 1, 50, 0, 10, 10, 0x00EE0086);
        // SRCINVERT of green over white: magenta; NOTSRCCOPY of green: magenta.
        StretchDib(emf, InfoHeader(1, 1, 24, {}), {0, 255, 0, 0}, 1, 1, 60, 0, 10, 10, 0x00660046);
        StretchDib(emf, InfoHeader(1, 1, 24, {}), {0, 255, 0, 0}, 1, 1, 70, 0, 10, 10, 0x00330008);
        // MERGECOPY: source and brush: green and red = black.
        StretchDib(emf, InfoHeader(1, 1, 24, {}), {0, 255, 0, 0}, 1, 1, 80, 0, 10, 10, 0x00C000CA);
        // 0xB8074A over white with a red brush and a black source: red (P where S is 0).
        StretchDib(emf, InfoHeader(1, 1, 24, {}), {0, 0, 0, 0}, 1, 1, 90, 0, 10, 10, 0x00B8074A);
        const QImage image = RenderMetafile(emf.Eof().Finish(), 100, 50);
        QCOMPARE(Rgb(image, 5, 5), 0xFF0000u);
        QCOMPARE(Rgb(image, 15, 5), 0x000000u);
        QCOMPARE(Rgb(image, 25, 5), 0x00FFFFu);
        QCOMPARE(Rgb(image, 35, 5), 0x000000u);
        QCOMPARE(Rgb(image, 45, 5), 0x000000u);
        QCOMPARE(Rgb(image, 55, 5), 0xFFFF00u);
        QCOMPARE(Rgb(image, 65, 5), 0xFF00FFu);
        QCOMPARE(Rgb(image, 75, 5), 0xFF00FFu);
        QCOMPARE(Rgb(image, 85, 5), 0x000000u);
        QCOMPARE(Rgb(image, 95, 5), 0xFF0000u);
        QCOMPARE(Rgb(image, 5, 15), 0xFFFFFFu); // below: untouched
    }

    void damagedBitmapsAreSkippedAndTheRestDrawn()
    {
        EmfBuilder emf;
        // Bits said to lie past the record's end.
        StretchDib(emf, InfoHeader(2, 2, 24, {}), Bits24(), 2, 2, 0, 0, 20, 20, 0x00CC0020,
                   0x7FFFFFF0);
        // An absurd width.
        StretchDib(emf, InfoHeader(0x7FFFFFFF, 0x7FFFFFFF, 24, {}), Bits24(), 2, 2, 0, 20, 20, 20);
        StretchDib(emf, InfoHeader(1, 1, 24, {}), {0, 0, 255, 0}, 1, 1, 50, 0, 10, 10);
        PlayReport report;
        const QImage image = RenderMetafile(emf.Eof().Finish(), 100, 50, &report);
        QCOMPARE(Rgb(image, 5, 5), 0xFFFFFFu);
        QCOMPARE(Rgb(image, 5, 25), 0xFFFFFFu);
        QCOMPARE(Rgb(image, 55, 5), 0xFF0000u);
        QCOMPARE(report.recordsSkipped, std::size_t(2));
    }
};

QTEST_MAIN(TestMetafileBitmaps)
#include "test_metafile_bitmaps.moc"
