// WMF bitmap records, pattern brushes and hatches: files built record by
// record, drawn without anti-aliasing, and their pixels read.
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

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF,
                        kBlack = 0x000000, kCyan = 0x00FFFF;
constexpr std::uint32_t SRCCOPY = 0x00CC0020, SRCAND = 0x008800C6, SRCINVERT = 0x00660046,
                        PATINVERT = 0x005A0049, PATCOPY = 0x00F00021;

using Words = std::vector<std::uint16_t>;

void AddU32(Words& p, std::uint32_t v)
{
    p.push_back(std::uint16_t(v & 0xFFFF));
    p.push_back(std::uint16_t(v >> 16));
}

void AddBytes(Words& p, Bytes bytes)
{
    if (bytes.size() % 2)
        bytes.push_back(0);
    for (std::size_t i = 0; i < bytes.size(); i += 2)
        p.push_back(std::uint16_t(bytes[i] | (bytes[i + 1] << 8)));
}

// A 24-bit packed DIB from rows of 0xRRGGBB given top to bottom; stored
// bottom-up unless topDown.
Bytes Dib24(int width, const std::vector<std::vector<std::uint32_t>>& rows, bool topDown = false)
{
    const int height = int(rows.size());
    Bytes out;
    Put32(out, 40);
    Put32(out, std::uint32_t(width));
    Put32(out, std::uint32_t(topDown ? -height : height));
    Put16(out, 1);
    Put16(out, 24);
    for (int i = 0; i < 6; ++i)
        Put32(out, 0);
    for (int r = 0; r < height; ++r) {
        const auto& row = rows[std::size_t(topDown ? r : height - 1 - r)];
        std::size_t written = 0;
        for (std::uint32_t c : row) {
            out.push_back(std::uint8_t(c & 0xFF));
            out.push_back(std::uint8_t((c >> 8) & 0xFF));
            out.push_back(std::uint8_t(c >> 16));
            written += 3;
        }
        while (written % 4) {
            out.push_back(0);
            ++written;
        }
    }
    return out;
}

// A DIB header claiming a size its few bytes cannot hold.
Bytes HugeDib()
{
    Bytes out;
    Put32(out, 40);
    Put32(out, 30000);
    Put32(out, 30000);
    Put16(out, 1);
    Put16(out, 24);
    for (int i = 0; i < 6; ++i)
        Put32(out, 0);
    for (int i = 0; i < 12; ++i)
        out.push_back(0x55);
    return out;
}

WmfBuilder& MakeBrush(WmfBuilder& b, int style, std::uint32_t rgb, int hatch = 0)
{
    Words p{WmfWord(style)};
    AddWmfColor(p, rgb);
    p.push_back(WmfWord(hatch));
    return b.Record(META_CREATEBRUSHINDIRECT, p);
}

// A picture of size x size logical units onto a picture of the same pixels.
WmfBuilder Picture(int size)
{
    WmfBuilder b;
    b.Record(META_SETWINDOWEXT, {WmfWord(size), WmfWord(size)});
    return b;
}

// DIBSTRETCHBLT: rop, source box, destination box, DIB.
WmfBuilder& DibStretchBlt(WmfBuilder& b, std::uint32_t rop, int xs, int ys, int ws, int hs, int x,
                          int y, int w, int h, const Bytes& dib)
{
    Words p;
    AddU32(p, rop);
    for (int v : {hs, ws, ys, xs, h, w, y, x})
        p.push_back(WmfWord(v));
    AddBytes(p, dib);
    return b.Record(META_DIBSTRETCHBLT, p);
}

WmfBuilder& DibBitBlt(WmfBuilder& b, std::uint32_t rop, int x, int y, int w, int h,
                      const Bytes& dib)
{
    Words p;
    AddU32(p, rop);
    for (int v : {0, 0, h, w, y, x})
        p.push_back(WmfWord(v));
    AddBytes(p, dib);
    return b.Record(META_DIBBITBLT, p);
}

// A device-dependent bitmap: ten-byte header and rows of widthBytes.
Bytes Bitmap16(int width, int height, int widthBytes, int bitsPixel, const Bytes& bits)
{
    Bytes out;
    Put16(out, 0);
    Put16(out, std::uint16_t(width));
    Put16(out, std::uint16_t(height));
    Put16(out, std::uint16_t(widthBytes));
    out.push_back(1);
    out.push_back(std::uint8_t(bitsPixel));
    out.insert(out.end(), bits.begin(), bits.end());
    return out;
}

// Rows of device pixels where the colour is found in column x (from y0 to y1).
std::vector<int> RowsOf(const QImage& image, int x, int y0, int y1, std::uint32_t colour)
{
    std::vector<int> rows;
    for (int y = y0; y < y1; ++y)
        if (Rgb(image, x, y) == colour)
            rows.push_back(y);
    return rows;
}

} // namespace

class TestMetafileWmfBitmaps : public QObject
{
    Q_OBJECT

private slots:
    void dibBlitsPlacePixelsAndFlip();
    void blitsCombineWithTheirRasterOperation();
    void stretchDibReadsUsageAndCountsRowsFromTheBottom();
    void setDibToDeviceCopiesDevicePixels();
    void oldDeviceBitmapsAreDrawn();
    void patternBrushesTileFromTheDeviceOrigin();
    void hatchesAreEightDevicePixelsApart();
    void hostileBitmapsAreSkippedAndTheRestDrawn();
};

void TestMetafileWmfBitmaps::dibBlitsPlacePixelsAndFlip()
{
    const Bytes quad = Dib24(2, {{kRed, kBlue}, {kGreen, kBlack}});
    // Stretched 2 x 2 onto 40 x 40 at 10, 10.
    WmfBuilder b = Picture(100);
    DibStretchBlt(b, SRCCOPY, 0, 0, 2, 2, 10, 10, 40, 40, quad);
    // A negative width mirrors it left to right at 90 .. 50.
    DibStretchBlt(b, SRCCOPY, 0, 0, 2, 2, 90, 10, -40, 40, quad);
    // Top-down rows, copied one to one.
    DibBitBlt(b, SRCCOPY, 20, 70, 2, 2, Dib24(2, {{kBlue, kRed}, {kBlack, kGreen}}, true));
    b.Eof();
    PlayReport report;
    const QImage image = RenderMetafile(b.Finish(), 100, 100, &report);
    QCOMPARE(report.recordsSkipped, std::size_t(0));
    QCOMPARE(Rgb(image, 15, 15), kRed);
    QCOMPARE(Rgb(image, 45, 15), kBlue);
    QCOMPARE(Rgb(image, 15, 45), kGreen);
    QCOMPARE(Rgb(image, 45, 45), kBlack);
    QCOMPARE(Rgb(image, 5, 5), kWhite);
    QCOMPARE(Rgb(image, 55, 15), kBlue);
    QCOMPARE(Rgb(image, 85, 15), kRed);
    QCOMPARE(Rgb(image, 85, 45), kGreen);
    QCOMPARE(Rgb(image, 20, 70), kBlue);
    QCOMPARE(Rgb(image, 21, 70), kRed);
    QCOMPARE(Rgb(image, 20, 71), kBlack);
    QCOMPARE(Rgb(image, 22, 70), kWhite);
}

void TestMetafileWmfBitmaps::blitsCombineWithTheirRasterOperation()
{
    WmfBuilder b = Picture(100);
    WmfNullPen(b);
    MakeBrush(b, 0, kRed);
    WmfSelect(b, 0);
    WmfSelect(b, 1);
    WmfRectangle(b, 0, 0, 100, 100);
    const Bytes blackWhite = Dib24(2, {{kBlack, kWhite}});
    // AND: black stays black, white leaves the red.
    DibStretchBlt(b, SRCAND, 0, 0, 2, 1, 10, 10, 40, 20, blackWhite);
    // XOR with white turns red into cyan, with black leaves it.
    DibStretchBlt(b, SRCINVERT, 0, 0, 2, 1, 10, 50, 40, 20, blackWhite);
    b.Eof();
    const QImage image = RenderMetafile(b.Finish(), 100, 100);
    QCOMPARE(Rgb(image, 15, 20), kBlack);
    QCOMPARE(Rgb(image, 45, 20), kRed);
    QCOMPARE(Rgb(image, 15, 60), kRed);
    QCOMPARE(Rgb(image, 45, 60), kCyan);
    QCOMPARE(Rgb(image, 80, 80), kRed);
}

void TestMetafileWmfBitmaps::stretchDibReadsUsageAndCountsRowsFromTheBottom()
{
    // Four rows top to bottom: red, green, blue, black. A source of y 0 and
    // height 2 is the bottom two rows of a bottom-up DIB.
    const Bytes rows = Dib24(1, {{kRed}, {kGreen}, {kBlue}, {kBlack}});
    WmfBuilder b = Picture(100);
    Words p;
    AddU32(p, SRCCOPY);
    for (int v : {0 /*DIB_RGB_COLORS*/, 2, 1, 0, 0, 40, 40, 10, 10})
        p.push_back(WmfWord(v));
    AddBytes(p, rows);
    b.Record(META_STRETCHDIB, p);
    // An 8-bit DIB whose table holds indices into the palette (13: red, 16: blue).
    Bytes indexed;
    Put32(indexed, 40);
    Put32(indexed, 2);
    Put32(indexed, 1);
    Put16(indexed, 1);
    Put16(indexed, 8);
    Put32(indexed, 0);
    Put32(indexed, 0);
    Put32(indexed, 0);
    Put32(indexed, 0);
    Put32(indexed, 2); // colours used
    Put32(indexed, 0);
    Put16(indexed, 13);
    Put16(indexed, 16);
    for (std::uint8_t v : {0, 1, 0, 0})
        indexed.push_back(v);
    Words q;
    AddU32(q, SRCCOPY);
    for (int v : {1 /*DIB_PAL_COLORS*/, 1, 2, 0, 0, 20, 40, 60, 10})
        q.push_back(WmfWord(v));
    AddBytes(q, indexed);
    b.Record(META_STRETCHDIB, q).Eof();
    PlayReport report;
    const QImage image = RenderMetafile(b.Finish(), 100, 100, &report);
    QCOMPARE(report.recordsSkipped, std::size_t(0));
    QCOMPARE(Rgb(image, 30, 15), kBlue);
    QCOMPARE(Rgb(image, 30, 45), kBlack);
    QCOMPARE(Rgb(image, 30, 55), kWhite);
    QCOMPARE(Rgb(image, 15, 70), kRed);
    QCOMPARE(Rgb(image, 45, 70), kBlue);
}

void TestMetafileWmfBitmaps::setDibToDeviceCopiesDevicePixels()
{
    // 50 logical units onto 100 pixels: the DIB keeps its 4 x 2 pixels at
    // the logical point 10, 10 (pixel 20, 20).
    WmfBuilder b = Picture(50);
    const Bytes dib = Dib24(4, {{kRed, kRed, kBlue, kBlue}, {kGreen, kGreen, kBlack, kBlack}});
    Words p;
    for (int v : {0, 2, 0, 0, 0, 2, 4, 10, 10})
        p.push_back(WmfWord(v));
    AddBytes(p, dib);
    b.Record(META_SETDIBTODEV, p);
    // Only the bottom row in the bits: scan 0 of one, drawn at the DIB's
    // bottom row (y 1 from the top).
    Bytes partial = Dib24(4, {{kBlue, kBlue, kBlue, kBlue}, {kRed, kRed, kRed, kRed}});
    partial.erase(partial.end() - 12, partial.end()); // drop the top row's bits
    Words q;
    for (int v : {0, 1, 0, 0, 0, 2, 4, 30, 10})
        q.push_back(WmfWord(v));
    AddBytes(q, partial);
    b.Record(META_SETDIBTODEV, q).Eof();
    PlayReport report;
    const QImage image = RenderMetafile(b.Finish(), 100, 100, &report);
    QCOMPARE(report.recordsSkipped, std::size_t(0));
    QCOMPARE(Rgb(image, 20, 20), kRed);
    QCOMPARE(Rgb(image, 22, 20), kBlue);
    QCOMPARE(Rgb(image, 23, 21), kBlack);
    QCOMPARE(Rgb(image, 24, 20), kWhite);
    QCOMPARE(Rgb(image, 20, 22), kWhite);
    QCOMPARE(Rgb(image, 20, 61), kRed);
    QCOMPARE(Rgb(image, 20, 60), kWhite);
}

void TestMetafileWmfBitmaps::oldDeviceBitmapsAreDrawn()
{
    WmfBuilder b = Picture(100);
    b.Record(META_SETTEXTCOLOR, [] {
        Words p;
        AddWmfColor(p, kRed);
        return p;
    }());
    b.Record(META_SETBKCOLOR, [] {
        Words p;
        AddWmfColor(p, kBlue);
        return p;
    }());
    // A 1-bit bitmap 8 x 1: 0 bits take the text colour, 1 bits the background.
    Words p;
    AddU32(p, SRCCOPY);
    for (int v : {0, 0, 1, 8, 10, 10})
        p.push_back(WmfWord(v));
    AddBytes(p, Bitmap16(8, 1, 2, 1, {0x0F, 0x00}));
    b.Record(META_BITBLT, p);
    // A 24-bit one stretched: 2 x 1 onto 40 x 20.
    Words q;
    AddU32(q, SRCCOPY);
    for (int v : {1, 2, 0, 0, 20, 40, 50, 10})
        q.push_back(WmfWord(v));
    AddBytes(q, Bitmap16(2, 1, 6, 24, {0x00, 0xFF, 0x00, 0x00, 0x00, 0x00}));
    b.Record(META_STRETCHBLT, q);
    // 4 bits a pixel in the VGA colours (9 red, 12 blue), its WidthBytes of
    // 4 longer than the word-padded rows the record holds.
    Words v;
    AddU32(v, SRCCOPY);
    for (int x : {0, 0, 2, 4, 80, 10})
        v.push_back(WmfWord(x));
    AddBytes(v, Bitmap16(4, 2, 4, 4, {0x99, 0xCC, 0xCC, 0x99}));
    b.Record(META_BITBLT, v).Eof();
    PlayReport report;
    const QImage image = RenderMetafile(b.Finish(), 100, 100, &report);
    QCOMPARE(report.recordsSkipped, std::size_t(0));
    QCOMPARE(Rgb(image, 10, 10), kRed);
    QCOMPARE(Rgb(image, 13, 10), kRed);
    QCOMPARE(Rgb(image, 14, 10), kBlue);
    QCOMPARE(Rgb(image, 17, 10), kBlue);
    QCOMPARE(Rgb(image, 18, 10), kWhite);
    QCOMPARE(Rgb(image, 15, 55), kGreen);
    QCOMPARE(Rgb(image, 45, 55), kBlack);
    QCOMPARE(Rgb(image, 11, 80), kRed);
    QCOMPARE(Rgb(image, 12, 80), kBlue);
    QCOMPARE(Rgb(image, 10, 81), kBlue);
    QCOMPARE(Rgb(image, 13, 81), kRed);
}

void TestMetafileWmfBitmaps::patternBrushesTileFromTheDeviceOrigin()
{
    // An 8 x 8 DIB pattern, red at its top-left pixel and white elsewhere,
    // filling from 3, 3 with the window origin moved: the red pixels stay on
    // multiples of 8 of the device.
    std::vector<std::vector<std::uint32_t>> tile(8, std::vector<std::uint32_t>(8, kWhite));
    tile[0][0] = kRed;
    WmfBuilder b = Picture(100);
    b.Record(META_SETWINDOWORG, {WmfWord(5), WmfWord(5)}); // y, x
    WmfNullPen(b);
    Words p{5 /*BS_DIBPATTERNPT*/, 0};
    AddBytes(p, Dib24(8, tile));
    b.Record(META_DIBCREATEPATTERNBRUSH, p);
    WmfSelect(b, 0);
    WmfSelect(b, 1);
    WmfRectangle(b, 8, 8, 60, 60); // device 3, 3 .. 55, 55
    // A device-dependent pattern in the BS_PATTERN form, 1-bit: text colour
    // (red) for 0 bits, background (blue) for 1 bits.
    b.Record(META_SETTEXTCOLOR, {0x00FF, 0}).Record(META_SETBKCOLOR, {0, 0x00FF});
    Words q{3 /*BS_PATTERN*/, 0};
    Bytes rows;
    for (int r = 0; r < 8; ++r) {
        rows.push_back(r == 0 ? 0x7F : 0xFF);
        rows.push_back(0);
    }
    AddBytes(q, Bitmap16(8, 8, 2, 1, rows));
    b.Record(META_DIBCREATEPATTERNBRUSH, q);
    WmfSelect(b, 2);
    WmfRectangle(b, 65, 65, 105, 105); // device 60, 60 .. 100, 100
    b.Eof();
    PlayReport report;
    const QImage image = RenderMetafile(b.Finish(), 100, 100, &report);
    QCOMPARE(report.recordsSkipped, std::size_t(0));
    QCOMPARE(Rgb(image, 8, 8), kRed);
    QCOMPARE(Rgb(image, 16, 40), kRed);
    QCOMPARE(Rgb(image, 3, 3), kWhite);
    QCOMPARE(Rgb(image, 9, 8), kWhite);
    QCOMPARE(Rgb(image, 11, 11), kWhite);
    QCOMPARE(Rgb(image, 64, 64), kRed);
    QCOMPARE(Rgb(image, 72, 80), kRed);
    QCOMPARE(Rgb(image, 65, 64), kBlue);
    QCOMPARE(Rgb(image, 64, 65), kBlue);
}

void TestMetafileWmfBitmaps::hatchesAreEightDevicePixelsApart()
{
    // 25 logical units onto 100 pixels: the hatch does not scale with the
    // mapping. Horizontal red lines on an opaque blue background.
    WmfBuilder b = Picture(25);
    b.Record(META_SETBKMODE, {2}).Record(META_SETBKCOLOR, {0, 0x00FF});
    WmfNullPen(b);
    MakeBrush(b, 2 /*BS_HATCHED*/, kRed, 0);
    WmfSelect(b, 0);
    WmfSelect(b, 1);
    WmfRectangle(b, 1, 1, 12, 26); // device 4, 4 .. 48, 100
    // The same hatch through a raster operation: PATINVERT over white makes
    // cyan lines on yellow, on the same device rows.
    b.Record(META_PATBLT, [] {
        Words p;
        AddU32(p, PATINVERT);
        for (int v : {24, 12, 1, 13})
            p.push_back(WmfWord(v)); // height, width, y, x: device 52, 4 .. 100, 100
        return p;
    }());
    // Transparent, over the inverted area: the gaps keep its yellow.
    b.Record(META_SETBKMODE, {1});
    b.Record(META_PATBLT, [] {
        Words p;
        AddU32(p, PATCOPY);
        for (int v : {3, 3, 22, 22})
            p.push_back(WmfWord(v));
        return p;
    }());
    b.Eof();
    const QImage image = RenderMetafile(b.Finish(), 100, 100);
    const std::vector<int> lines = RowsOf(image, 20, 4, 88, kRed);
    QVERIFY(lines.size() >= 9);
    for (std::size_t i = 1; i < lines.size(); ++i)
        QCOMPARE(lines[i] - lines[i - 1], 8);
    QCOMPARE(Rgb(image, 20, lines[0] + 1), kBlue);
    const std::vector<int> inverted = RowsOf(image, 70, 4, 88, kCyan);
    QCOMPARE(inverted, lines);
    QCOMPARE(Rgb(image, 70, lines[0] + 1), 0x0000FFu ^ 0xFFFFFFu);
    const std::vector<int> over = RowsOf(image, 93, 88, 100, kRed);
    QVERIFY(!over.empty());
    for (int row : over)
        QCOMPARE((row - lines[0]) % 8, 0);
    QCOMPARE(Rgb(image, 93, over[0] + 1), 0xFFFF00u);
}

void TestMetafileWmfBitmaps::hostileBitmapsAreSkippedAndTheRestDrawn()
{
    WmfBuilder b = Picture(100);
    // A 30000 x 30000 DIB in a record of a few dozen bytes.
    DibStretchBlt(b, SRCCOPY, 0, 0, 30000, 30000, 0, 0, 100, 100, HugeDib());
    DibBitBlt(b, SRCCOPY, 0, 0, 100, 100, HugeDib());
    // A colour table far past the record's end.
    Bytes table = Dib24(1, {{kRed}});
    table[32] = 0xFF;
    table[33] = 0xFF;
    DibBitBlt(b, SRCCOPY, 0, 0, 100, 100, table);
    // A device-dependent bitmap whose rows would run past the record.
    Words p;
    AddU32(p, SRCCOPY);
    for (int v : {0, 0, 100, 100, 0, 0})
        p.push_back(WmfWord(v));
    AddBytes(p, Bitmap16(1000, 1000, 125, 1, {0xFF, 0xFF}));
    b.Record(META_BITBLT, p);
    // More scan lines than the bits hold.
    Words q;
    for (int v : {0, 500, 0, 0, 0, 500, 1, 0, 0})
        q.push_back(WmfWord(v));
    Bytes tall = Dib24(1, {{kRed}});
    tall[8] = 0xF4; // 500 rows
    tall[9] = 0x01;
    AddBytes(q, tall);
    b.Record(META_SETDIBTODEV, q);
    // A pattern brush from a truncated bitmap still takes its slot.
    Words r{5, 0};
    AddBytes(r, HugeDib());
    b.Record(META_DIBCREATEPATTERNBRUSH, r);
    WmfNullPen(b);
    MakeBrush(b, 0, kBlue);
    WmfSelect(b, 1);
    WmfSelect(b, 2);
    WmfRectangle(b, 40, 40, 60, 60).Eof();
    PlayReport report;
    const QImage image = RenderMetafile(b.Finish(), 100, 100, &report);
    QCOMPARE(report.recordsSkipped, std::size_t(6));
    QCOMPARE(Rgb(image, 10, 10), kWhite);
    QCOMPARE(Rgb(image, 50, 50), kBlue);
}

QTEST_MAIN(TestMetafileWmfBitmaps)
#include "test_metafile_wmf_bitmaps.moc"
