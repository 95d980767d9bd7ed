// Metafile text drawn on the Qt canvas: EMF and WMF files built record by
// record, and GDI+ layout text drawn on the canvas itself, checked by where
// their ink lands. Bounds are compared with a pixel or two of tolerance so
// the rasteriser's details do not matter.
#include "metafile/EmfRecordTypes.h"
#include "metafile/GdiCore.h"
#include "metafile/WmfRecordTypes.h"
#include "support/MetafileBytes.h"
#include "support/MetafileRender.h"

#include <QTest>

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

using namespace metafile;
using namespace metafilebytes;

namespace {

constexpr std::uint32_t kRed = 0xFF0000, kWhite = 0xFFFFFF;
constexpr int kWidth = 200, kHeight = 100;

struct FontFields
{
    std::int32_t height = -20;
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::uint8_t charSet = 0;
    std::u16string face = u"Arial";
};

Bytes FontRecord(std::uint32_t index, const FontFields& f)
{
    Bytes out =
        Ints({std::int32_t(index), f.height, f.width, f.escapement, f.orientation, f.weight});
    out.push_back(f.italic ? 1 : 0);
    out.push_back(f.underline ? 1 : 0);
    out.push_back(f.strikeOut ? 1 : 0);
    out.push_back(f.charSet);
    for (int i = 0; i < 4; ++i)
        out.push_back(0);
    for (std::size_t i = 0; i < 32; ++i)
        Put16(out, i < f.face.size() ? std::uint16_t(f.face[i]) : 0);
    return out;
}

struct TextFields
{
    std::int32_t x = 0, y = 0;
    std::u16string text;
    std::uint32_t options = 0;
    std::int32_t rect[4] = {0, 0, 0, 0};
    std::vector<std::int32_t> dx = {};
    std::uint32_t graphicsMode = GM_COMPATIBLE;
};

Bytes TextRecord(const TextFields& t)
{
    constexpr std::uint32_t kStringOffset = 76; // header, bounds, mode, scales, EMRTEXT
    const std::uint32_t stringBytes = std::uint32_t(t.text.size() * 2 + 3) / 4 * 4;
    Bytes out = Ints({0, 0, -1, -1, std::int32_t(t.graphicsMode), 0, 0, t.x, t.y,
                      std::int32_t(t.text.size()), std::int32_t(kStringOffset),
                      std::int32_t(t.options), t.rect[0], t.rect[1], t.rect[2], t.rect[3],
                      t.dx.empty() ? 0 : std::int32_t(kStringOffset + stringBytes)});
    for (char16_t c : t.text)
        Put16(out, std::uint16_t(c));
    while (out.size() % 4)
        out.push_back(0);
    for (std::int32_t d : t.dx)
        Put32(out, std::uint32_t(d));
    return out;
}

// A picture of 200 x 100 reference pixels drawn 1:1, black text on a
// transparent background.
EmfBuilder Start()
{
    EmfHeaderFields f;
    f.bounds[2] = kWidth - 1;
    f.bounds[3] = kHeight - 1;
    f.frame[2] = kWidth * 254 / 10;
    f.frame[3] = kHeight * 254 / 10;
    EmfBuilder b(f);
    b.Record(EMR_SETBKMODE, Ints({TRANSPARENT}));
    return b;
}

EmfBuilder& Font(EmfBuilder& b, const FontFields& f, std::uint32_t index = 1)
{
    b.Record(EMR_EXTCREATEFONTINDIRECTW, FontRecord(index, f));
    return b.Record(EMR_SELECTOBJECT, Ints({std::int32_t(index)}));
}

EmfBuilder& Align(EmfBuilder& b, std::uint32_t align)
{
    return b.Record(EMR_SETTEXTALIGN, Ints({std::int32_t(align)}));
}

EmfBuilder& Text(EmfBuilder& b, const TextFields& t)
{
    return b.Record(EMR_EXTTEXTOUTW, TextRecord(t));
}

QImage Render(EmfBuilder& b)
{
    return RenderMetafile(b.Eof().Finish(), kWidth, kHeight);
}

bool IsInk(const QImage& image, int x, int y)
{
    const QRgb p = image.pixel(x, y);
    return qRed(p) < 128 && qGreen(p) < 128 && qBlue(p) < 128;
}

// The bounds of the dark pixels within area; empty when there are none.
QRect InkBounds(const QImage& image, QRect area = {})
{
    if (area.isNull())
        area = image.rect();
    area &= image.rect();
    QRect out;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (IsInk(image, x, y))
                out |= QRect(x, y, 1, 1);
    return out;
}

// The first column of each run of columns with ink, left to right.
std::vector<int> InkColumnStarts(const QImage& image)
{
    std::vector<int> starts;
    bool previous = false;
    for (int x = 0; x < image.width(); ++x) {
        bool ink = false;
        for (int y = 0; y < image.height() && !ink; ++y)
            ink = IsInk(image, x, y);
        if (ink && !previous)
            starts.push_back(x);
        previous = ink;
    }
    return starts;
}

// Rows with ink, as runs: each pair is the first and last row.
std::vector<std::pair<int, int>> InkRowBands(const QImage& image)
{
    std::vector<std::pair<int, int>> bands;
    for (int y = 0; y < image.height(); ++y) {
        bool ink = false;
        for (int x = 0; x < image.width() && !ink; ++x)
            ink = IsInk(image, x, y);
        if (ink && (bands.empty() || bands.back().second != y - 1))
            bands.push_back({y, y});
        else if (ink)
            bands.back().second = y;
    }
    return bands;
}

// Liberation Sans, which stands for Arial: ascent, descent and the height of
// a capital, per em.
constexpr double kAscent = 1854.0 / 2048, kDescent = 434.0 / 2048, kCapHeight = 1409.0 / 2048;

// WMF parts.
std::uint16_t W(int v)
{
    return std::uint16_t(std::int16_t(v));
}

WmfBuilder& WmfFont(WmfBuilder& b, std::int16_t height, std::uint8_t charSet, const char* face)
{
    std::vector<std::uint16_t> p{W(height), 0, 0, 0, 400, 0, std::uint16_t(charSet << 8), 0, 0};
    std::string name(face);
    name.resize(32, '\0');
    for (std::size_t i = 0; i < 32; i += 2)
        p.push_back(std::uint16_t(std::uint8_t(name[i]) | (std::uint8_t(name[i + 1]) << 8)));
    b.Record(META_CREATEFONTINDIRECT, p);
    return b.Record(META_SELECTOBJECT, {0});
}

// META_EXTTEXTOUT: y, x, length, options, [rect], string, [dx].
WmfBuilder& WmfText(WmfBuilder& b, int x, int y, const std::string& text, std::uint16_t options,
                    const std::vector<int>& rect, const std::vector<int>& dx)
{
    std::vector<std::uint16_t> p{W(y), W(x), W(int(text.size())), options};
    for (int v : rect)
        p.push_back(W(v));
    std::string padded = text;
    if (padded.size() % 2)
        padded.push_back('\0');
    for (std::size_t i = 0; i < padded.size(); i += 2)
        p.push_back(std::uint16_t(std::uint8_t(padded[i]) | (std::uint8_t(padded[i + 1]) << 8)));
    for (int d : dx)
        p.push_back(W(d));
    return b.Record(META_EXTTEXTOUT, p);
}

WmfBuilder StartWmf()
{
    WmfPlaceableFields f;
    f.box[2] = kWidth;
    f.box[3] = kHeight;
    f.inch = 96;
    WmfBuilder b(f);
    b.Record(0x0102, {TRANSPARENT}); // META_SETBKMODE
    return b;
}

// Layout text drawn straight on a canvas.
QImage RenderLayout(const ICanvas::LayoutText& text)
{
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QtCanvas canvas(image);
    canvas.SetAntialiasing(false);
    canvas.DrawLayoutText(text);
    return image;
}

ICanvas::LayoutText Layout(const std::u16string& s, RectD box, double em = 20)
{
    ICanvas::LayoutText t;
    t.font.faceName = u"Liberation Sans";
    t.font.height = -em;
    t.text = s;
    t.layout = box;
    return t;
}

} // namespace

class TestMetafileText : public QObject
{
    Q_OBJECT

private slots:
    void spacingArrayPlacesEveryCharacter();
    void alignmentAgainstTheReferencePoint();
    void updateCurrentPositionMovesTheNextRun();
    void opaqueAndClippedRectangles();
    void escapementTurnsTheBaseline();
    void flippedMappingKeepsGlyphsUpright();
    void worldRotationTurnsAdvancedTextOnly();
    void orientationTurnsAdvancedGlyphs();
    void characterAndCellHeight();
    void averageWidthStretchesGlyphs();
    void underlineAndStrikeOut();
    void italicWithoutAnItalicFaceLeans();
    void hostileSizesAreSkipped();
    void wmfTextInTheFontsCharSet();
    void wmfSpacingAndRectangle();
    void wmfCharacterExtraWidensTextOut();
    void layoutTextAlignment();
    void layoutTextWrapsAtTheRectangle();
    void layoutTextClipAndRightToLeft();
    void layoutTextHostileValues();
};

void TestMetafileText::spacingArrayPlacesEveryCharacter()
{
    // "II" with 60 units between: two strokes 60 pixels apart.
    EmfBuilder b = Start();
    Font(b, {});
    Align(b, TA_BASELINE);
    Text(b, {.x = 20, .y = 60, .text = u"II", .dx = {60, 60}});
    const QImage image = Render(b);
    const std::vector<int> starts = InkColumnStarts(image);
    QCOMPARE(starts.size(), std::size_t(2));
    QVERIFY(std::abs(starts[1] - starts[0] - 60) <= 1);
    QVERIFY(starts[0] >= 20 && starts[0] <= 24);

    // Without an array the font's own advance: close together.
    EmfBuilder own = Start();
    Font(own, {});
    Align(own, TA_BASELINE);
    Text(own, {.x = 20, .y = 60, .text = u"II"});
    const std::vector<int> ownStarts = InkColumnStarts(Render(own));
    QCOMPARE(ownStarts.size(), std::size_t(2));
    QVERIFY(ownStarts[1] - ownStarts[0] >= 3 && ownStarts[1] - ownStarts[0] <= 8);

    // ETO_PDY: pairs of x and y steps; the second character is lower.
    EmfBuilder pdy = Start();
    Font(pdy, {});
    Align(pdy, TA_BASELINE);
    Text(pdy, {.x = 20, .y = 40, .text = u"II", .options = ETO_PDY, .dx = {60, 30, 60, 0}});
    const QImage pdyImage = Render(pdy);
    const QRect first = InkBounds(pdyImage, QRect(0, 0, 60, kHeight));
    const QRect second = InkBounds(pdyImage, QRect(60, 0, kWidth - 60, kHeight));
    QVERIFY(!first.isEmpty() && !second.isEmpty());
    QVERIFY(std::abs(second.bottom() - first.bottom() - 30) <= 1);
    QVERIFY(std::abs(second.left() - first.left() - 60) <= 1);
}

void TestMetafileText::alignmentAgainstTheReferencePoint()
{
    // "HH" spaced 20 apart is 40 wide; the capital's ink starts a pixel or two in.
    const struct
    {
        std::uint32_t align;
        int left; // where the run starts, relative to x
    } horizontal[] = {
        {TA_BASELINE, 0}, {TA_BASELINE | TA_CENTER, -20}, {TA_BASELINE | TA_RIGHT, -40}};
    for (const auto& h : horizontal) {
        EmfBuilder b = Start();
        Font(b, {});
        Align(b, h.align);
        Text(b, {.x = 100, .y = 60, .text = u"HH", .dx = {20, 20}});
        const QRect ink = InkBounds(Render(b));
        QVERIFY2(ink.left() >= 100 + h.left && ink.left() <= 100 + h.left + 4,
                 qPrintable(QString::number(h.align)));
        QVERIFY(ink.right() <= 100 + h.left + 40);
        QVERIFY(std::abs(ink.bottom() + 1 - 60) <= 1);
    }

    const double em = 20;
    const struct
    {
        std::uint32_t align;
        double baseline; // relative to y
    } vertical[] = {{0, kAscent * em}, {TA_BASELINE, 0}, {TA_BOTTOM, -kDescent * em}};
    for (const auto& v : vertical) {
        EmfBuilder b = Start();
        Font(b, {});
        Align(b, v.align);
        Text(b, {.x = 100, .y = 50, .text = u"H"});
        const QRect ink = InkBounds(Render(b));
        const double baseline = 50 + v.baseline;
        QVERIFY2(std::abs(ink.bottom() + 1 - baseline) <= 1.5,
                 qPrintable(QString::number(v.align)));
        QVERIFY(std::abs(ink.top() - (baseline - kCapHeight * em)) <= 1.5);
    }
}

void TestMetafileText::updateCurrentPositionMovesTheNextRun()
{
    // Two runs of one "H" advancing 50 each from the current position (20, 60):
    // the second starts at 70, whatever reference point its record gives.
    EmfBuilder b = Start();
    Font(b, {});
    Align(b, TA_BASELINE | TA_UPDATECP);
    b.Record(EMR_MOVETOEX, Ints({20, 60}));
    Text(b, {.x = 0, .y = 0, .text = u"H", .dx = {50}});
    Text(b, {.x = 0, .y = 0, .text = u"H", .dx = {50}});
    const QImage image = Render(b);
    const std::vector<int> starts = InkColumnStarts(image);
    QCOMPARE(starts.size(), std::size_t(2));
    QVERIFY(starts[0] >= 20 && starts[0] <= 24);
    QVERIFY(std::abs(starts[1] - starts[0] - 50) <= 1);
    QVERIFY(std::abs(InkBounds(image).bottom() + 1 - 60) <= 1);

    // TA_RIGHT | TA_UPDATECP draws leftwards from the position and moves it back.
    EmfBuilder right = Start();
    Font(right, {});
    Align(right, TA_BASELINE | TA_RIGHT | TA_UPDATECP);
    right.Record(EMR_MOVETOEX, Ints({180, 60}));
    Text(right, {.text = u"H", .dx = {50}});
    Text(right, {.text = u"H", .dx = {50}});
    const std::vector<int> rightStarts = InkColumnStarts(Render(right));
    QCOMPARE(rightStarts.size(), std::size_t(2));
    QVERIFY(rightStarts[0] >= 80 && rightStarts[0] <= 84);
    QVERIFY(std::abs(rightStarts[1] - rightStarts[0] - 50) <= 1);
}

void TestMetafileText::opaqueAndClippedRectangles()
{
    // ETO_OPAQUE fills its rectangle with the background colour, text or not.
    EmfBuilder b = Start();
    Font(b, {});
    b.Record(EMR_SETBKCOLOR, Ints({0x0000FF})); // COLORREF red
    Text(b, {.x = 20, .y = 20, .text = u"I", .options = ETO_OPAQUE, .rect = {10, 10, 60, 40}});
    const QImage image = Render(b);
    QCOMPARE(Rgb(image, 55, 35), kRed);
    QCOMPARE(Rgb(image, 11, 11), kRed);
    QCOMPARE(Rgb(image, 65, 45), kWhite);

    // ETO_CLIPPED: a large "W" cut to the rectangle.
    EmfBuilder clipped = Start();
    Font(clipped, {.height = -80});
    Text(clipped,
         {.x = 10, .y = 5, .text = u"WW", .options = ETO_CLIPPED, .rect = {20, 20, 80, 60}});
    const QRect ink = InkBounds(Render(clipped));
    QVERIFY(!ink.isEmpty());
    QVERIFY(ink.left() >= 20 && ink.top() >= 20 && ink.right() < 80 && ink.bottom() < 60);

    // The same text unclipped reaches beyond it.
    EmfBuilder whole = Start();
    Font(whole, {.height = -80});
    Text(whole, {.x = 10, .y = 5, .text = u"WW"});
    const QRect wholeInk = InkBounds(Render(whole));
    QVERIFY(wholeInk.left() < 20 && wholeInk.bottom() >= 60);

    // OPAQUE background mode fills the text cell behind the glyphs.
    EmfBuilder cell = Start();
    Font(cell, {});
    cell.Record(EMR_SETBKMODE, Ints({OPAQUE}));
    cell.Record(EMR_SETBKCOLOR, Ints({0x0000FF}));
    Text(cell, {.x = 20, .y = 20, .text = u"I I", .dx = {30, 30, 30}});
    const QImage cellImage = Render(cell);
    QCOMPARE(Rgb(cellImage, 50, 30), kRed);        // between the strokes
    QCOMPARE(Rgb(cellImage, 50, 20 + 23), kWhite); // below the cell
    QCOMPARE(Rgb(cellImage, 115, 30), kWhite);     // past its end
}

void TestMetafileText::escapementTurnsTheBaseline()
{
    // Escapement 900: the run goes up from the reference point.
    EmfBuilder b = Start();
    Font(b, {.escapement = 900});
    Align(b, TA_BASELINE);
    Text(b, {.x = 100, .y = 90, .text = u"HHHH", .dx = {20, 20, 20, 20}});
    const QRect ink = InkBounds(Render(b));
    QVERIFY(!ink.isEmpty());
    QVERIFY(ink.height() > 3 * ink.width());
    QVERIFY(ink.bottom() <= 90 && ink.bottom() >= 84);
    QVERIFY(ink.top() >= 90 - 80 &&
            ink.top() <= 90 - 80 + 8); // the last capital ends short of its advance
    QVERIFY(ink.right() <= 100 && ink.left() >= 100 - 16);

    // Under a mapping that flips y the angle turns the other way.
    EmfBuilder flipped = Start();
    flipped.Record(EMR_SETMAPMODE, Ints({8})); // MM_ANISOTROPIC
    flipped.Record(EMR_SETWINDOWEXTEX, Ints({kWidth, -kHeight}));
    flipped.Record(EMR_SETWINDOWORGEX, Ints({0, kHeight}));
    flipped.Record(EMR_SETVIEWPORTEXTEX, Ints({kWidth, kHeight}));
    Font(flipped, {.escapement = 2700});
    Align(flipped, TA_BASELINE);
    Text(flipped, {.x = 100, .y = kHeight - 90, .text = u"HHHH", .dx = {20, 20, 20, 20}});
    const QRect flippedInk = InkBounds(Render(flipped));
    QVERIFY(flippedInk.height() > 3 * flippedInk.width());
    QVERIFY(flippedInk.bottom() <= 90 && flippedInk.bottom() >= 84);
}

void TestMetafileText::flippedMappingKeepsGlyphsUpright()
{
    // A "T" has its bar at the top: the widest ink row is in its upper part.
    auto barAtTop = [](const QImage& image) {
        const QRect ink = InkBounds(image);
        auto rowWidth = [&](int y) {
            int n = 0;
            for (int x = ink.left(); x <= ink.right(); ++x)
                n += IsInk(image, x, y);
            return n;
        };
        return !ink.isEmpty() && rowWidth(ink.top() + 1) > 2 * rowWidth(ink.bottom() - 1);
    };
    // One axis flipped by the mapping (both flipped is a half turn, which
    // advanced text follows).
    for (const bool advanced : {false, true}) {
        for (const int xSign : {1, -1}) {
            const int ySign = -xSign;
            EmfBuilder b = Start();
            b.Record(EMR_SETMAPMODE, Ints({8}));
            b.Record(EMR_SETWINDOWEXTEX, Ints({xSign * kWidth, ySign * kHeight}));
            b.Record(EMR_SETWINDOWORGEX, Ints({xSign < 0 ? kWidth : 0, ySign < 0 ? kHeight : 0}));
            b.Record(EMR_SETVIEWPORTEXTEX, Ints({kWidth, kHeight}));
            Font(b, {.height = -40});
            Align(b, TA_BASELINE);
            const std::uint32_t mode = advanced ? GM_ADVANCED : GM_COMPATIBLE;
            Text(b, {.x = 100, .y = ySign < 0 ? 40 : 60, .text = u"T", .graphicsMode = mode});
            const QImage image = Render(b);
            QVERIFY2(barAtTop(image), advanced ? "advanced" : "compatible");
            // The baseline is at device y 60, the glyph above it. Compatible
            // text runs rightwards in the device; advanced text follows the
            // logical x axis, unmirrored glyphs placed along it.
            QVERIFY(std::abs(InkBounds(image).bottom() + 1 - 60) <= 1);
            const int run = advanced ? xSign : 1;
            QVERIFY(std::abs(InkBounds(image).center().x() - (100 + run * 12)) <= 4);
        }
    }
}

void TestMetafileText::worldRotationTurnsAdvancedTextOnly()
{
    // A quarter turn anticlockwise about (100, 90): logical x points up.
    auto render = [](std::uint32_t mode, const std::u16string& text, FontFields font = {}) {
        EmfBuilder b = Start();
        Bytes xform;
        for (float v : {0.0f, -1.0f, 1.0f, 0.0f, 100.0f, 90.0f}) {
            std::uint32_t bits = 0;
            std::memcpy(&bits, &v, 4);
            Put32(xform, bits);
        }
        b.Record(EMR_SETWORLDTRANSFORM, xform);
        Font(b, font);
        Align(b, TA_BASELINE);
        Text(b, {.x = 0,
                 .y = 0,
                 .text = text,
                 .dx = std::vector<std::int32_t>(text.size(), 20),
                 .graphicsMode = mode});
        return Render(b);
    };
    // Whether the topmost ink row is much wider than the lowest: a column of
    // upright "T"s.
    auto upright = [](const QImage& image) {
        const QRect ink = InkBounds(image);
        auto rowWidth = [&](int y) {
            int n = 0;
            for (int x = ink.left(); x <= ink.right(); ++x)
                n += IsInk(image, x, y);
            return n;
        };
        return !ink.isEmpty() && rowWidth(ink.top()) > 2 * rowWidth(ink.bottom());
    };
    // Advanced text turns with the world: it runs up from (100, 90), the
    // capitals' tops to the left.
    const QRect advanced = InkBounds(render(GM_ADVANCED, u"HHHH"));
    QVERIFY(advanced.height() > 3 * advanced.width());
    QVERIFY(advanced.bottom() <= 90 && advanced.bottom() >= 84);
    QVERIFY(advanced.right() <= 100 && advanced.left() >= 100 - 16);
    QVERIFY(!upright(render(GM_ADVANCED, u"TTTT")));
    // Compatible text follows the turn with its baseline only: its characters
    // go up from (100, 90), each upright.
    const QImage compatible = render(GM_COMPATIBLE, u"TTTT");
    const QRect compatibleInk = InkBounds(compatible);
    QVERIFY(compatibleInk.height() > 3 * compatibleInk.width());
    QVERIFY(compatibleInk.bottom() <= 90 && compatibleInk.top() >= 90 - 80 - 16);
    QVERIFY(compatibleInk.left() >= 99 && compatibleInk.right() <= 100 + 20);
    QVERIFY(upright(compatible));
}

void TestMetafileText::orientationTurnsAdvancedGlyphs()
{
    // Advanced text: escapement 900 with orientation 0 stacks upright
    // characters upwards; with orientation 900 they lie along the baseline.
    auto render = [](std::int32_t orientation) {
        EmfBuilder b = Start();
        Font(b, {.escapement = 900, .orientation = orientation});
        Align(b, TA_BASELINE);
        Text(b, {.x = 100,
                 .y = 90,
                 .text = u"TTTT",
                 .dx = {20, 20, 20, 20},
                 .graphicsMode = GM_ADVANCED});
        return Render(b);
    };
    const QImage stacked = render(0), lying = render(900);
    const QRect stackedInk = InkBounds(stacked), lyingInk = InkBounds(lying);
    QVERIFY(stackedInk.height() > 3 * stackedInk.width());
    QVERIFY(lyingInk.height() > 3 * lyingInk.width());
    // Upright: the bar at the top of each; lying: the bar at the left.
    QVERIFY(stackedInk.left() >= 99);
    QVERIFY(lyingInk.right() <= 101);
    int stackedTopRow = 0, lyingTopRow = 0;
    for (int x = 0; x < kWidth; ++x) {
        stackedTopRow += IsInk(stacked, x, stackedInk.top());
        lyingTopRow += IsInk(lying, x, lyingInk.top() + 1);
    }
    QVERIFY(stackedTopRow >= 8);
    QVERIFY(lyingTopRow <= 5);
}

void TestMetafileText::characterAndCellHeight()
{
    // Height -40 is the em: a capital is 0.688 em. Height 40 is the cell
    // (ascent + descent), a smaller em.
    auto capital = [](std::int32_t height, std::u16string face = u"Arial") {
        EmfBuilder b = Start();
        Font(b, {.height = height, .face = face});
        Align(b, TA_BASELINE);
        Text(b, {.x = 50, .y = 70, .text = u"H"});
        return InkBounds(Render(b)).height();
    };
    const int character = capital(-40), cell = capital(40);
    QVERIFY(std::abs(character - kCapHeight * 40) <= 1.5);
    QVERIFY(std::abs(cell - kCapHeight * 40 / (kAscent + kDescent)) <= 1.5);
    QVERIFY(character - cell >= 2);
    // The cell is the face's Windows ascent and descent: Carlito's (for
    // Calibri) are 1950 and 550 units of 2048, its capital 1314.
    QVERIFY(std::abs(capital(40, u"Calibri") - 1314.0 / 2500 * 40) <= 1.5);
    // 0 is a default size that still draws.
    QVERIFY(capital(0) > 4);
}

void TestMetafileText::averageWidthStretchesGlyphs()
{
    auto width = [](std::int32_t average) {
        EmfBuilder b = Start();
        Font(b, {.height = -40, .width = average});
        Align(b, TA_BASELINE);
        Text(b, {.x = 20, .y = 70, .text = u"H"});
        const QRect ink = InkBounds(Render(b));
        return ink.width();
    };
    // Liberation Sans's average width is 0.574 em, 23 pixels at this size:
    // asking for it changes nothing, twice it doubles the glyphs.
    const int own = width(0);
    QVERIFY(own > 15 && own < 30);
    QVERIFY(std::abs(width(23) - own) <= 1);
    QVERIFY(std::abs(width(46) - 2 * own) <= 2);
    QVERIFY(std::abs(width(12) - own / 2.0) <= 1.5);
}

void TestMetafileText::underlineAndStrikeOut()
{
    auto render = [](bool underline, bool strikeOut) {
        EmfBuilder b = Start();
        Font(b, {.height = -40, .underline = underline, .strikeOut = strikeOut});
        Align(b, TA_BASELINE);
        Text(b, {.x = 20, .y = 60, .text = u"II", .dx = {40, 40}});
        return Render(b);
    };
    const QImage plain = render(false, false), under = render(true, false),
                 struck = render(false, true);
    // Below the baseline and between the strokes: ink only when underlined.
    QVERIFY(InkBounds(plain, QRect(30, 61, 20, 6)).isEmpty());
    QVERIFY(!InkBounds(under, QRect(30, 61, 20, 6)).isEmpty());
    QVERIFY(InkBounds(under, QRect(30, 30, 20, 30)).isEmpty());
    // Strike-out: across the middle of the capitals' height.
    QVERIFY(InkBounds(plain, QRect(30, 40, 20, 18)).isEmpty());
    const QRect line = InkBounds(struck, QRect(30, 30, 20, 30));
    QVERIFY(!line.isEmpty());
    QVERIFY(line.top() >= 60 - 0.688 * 40 + 3 && line.bottom() <= 60 - 3);
}

void TestMetafileText::italicWithoutAnItalicFaceLeans()
{
    // The CJK face drawn for MS Gothic has no italic: the font engine slants
    // it, about a fifth of the height, the top of an "I" further right than
    // its foot; it must not be slanted twice.
    auto lean = [](bool italic) {
        EmfBuilder b = Start();
        Font(b, {.height = -60, .italic = italic, .face = u"MS Gothic"});
        Align(b, TA_BASELINE);
        Text(b, {.x = 60, .y = 80, .text = u"I"});
        const QImage image = Render(b);
        const QRect ink = InkBounds(image);
        const QRect top = InkBounds(image, QRect(0, ink.top(), kWidth, 3));
        const QRect foot = InkBounds(image, QRect(0, ink.bottom() - 2, kWidth, 3));
        return (top.left() + top.right()) / 2.0 - (foot.left() + foot.right()) / 2.0;
    };
    QVERIFY(std::abs(lean(false)) <= 1);
    const double italic = lean(true);
    QVERIFY(italic >= 5 && italic <= 13);
}

void TestMetafileText::hostileSizesAreSkipped()
{
    // A font of a million pixels, one of 2^31 average width, NaN-free but
    // absurd: nothing drawn, no hang; the text after them still draws.
    EmfBuilder b = Start();
    Font(b, {.height = -1000000});
    Text(b, {.x = 10, .y = 10, .text = u"WWWW"});
    Font(b, {.height = -20, .width = 0x7FFFFFFF}, 2);
    Text(b, {.x = 10, .y = 10, .text = u"WWWW"});
    Font(b, {.height = std::int32_t(0x80000000)}, 3);
    Text(b, {.x = 10, .y = 10, .text = u"WWWW"});
    Font(b, {}, 4);
    Align(b, TA_BASELINE);
    Text(b, {.x = 150, .y = 80, .text = u"I"});
    // A long run spaced far beyond the picture: its glyphs are not drawn
    // one by one at absurd places.
    Font(b, {.underline = true, .strikeOut = true}, 5);
    std::u16string many(60000, u'W');
    Text(b, {.x = 0, .y = 30, .text = many, .dx = std::vector<std::int32_t>(many.size(), 100000)});
    PlayReport report;
    const QImage image = RenderMetafile(b.Eof().Finish(), kWidth, kHeight, &report);
    const QRect ink = InkBounds(image, QRect(100, 45, 100, kHeight - 45));
    QVERIFY(!ink.isEmpty());
    QVERIFY(ink.left() >= 149 && ink.bottom() <= 80);
    // The long run's first glyph is the only one on the picture; its
    // underline runs on across it.
    QVERIFY(!InkBounds(image, QRect(0, 20, 25, 20)).isEmpty());
    QVERIFY(InkBounds(image, QRect(30, 0, 110, 20)).isEmpty());
    QVERIFY(InkBounds(image, QRect(30, 40, 110, kHeight - 40)).isEmpty());
    QVERIFY(!InkBounds(image, QRect(120, 30, 1, 8)).isEmpty());
}

void TestMetafileText::wmfTextInTheFontsCharSet()
{
    // Byte 0xC8 is "È" in ANSI (an accent above the capital's height) and
    // "И" in the Cyrillic charset (none).
    auto inkTop = [](std::uint8_t charSet, const std::string& text) {
        WmfBuilder b = StartWmf();
        WmfFont(b, -40, charSet, "Arial");
        b.Record(META_SETTEXTALIGN, {W(TA_BASELINE)});
        WmfText(b, 20, 70, text, 0, {}, {});
        return InkBounds(RenderMetafile(b.Eof().Finish(), kWidth, kHeight)).top();
    };
    const int capital = inkTop(0, "H");
    QVERIFY(inkTop(0, "\xC8") < capital - 3);
    QVERIFY(std::abs(inkTop(204, "\xC8") - capital) <= 1);
}

void TestMetafileText::wmfSpacingAndRectangle()
{
    WmfBuilder b = StartWmf();
    WmfFont(b, -20, 0, "Arial");
    b.Record(META_SETTEXTALIGN, {W(TA_BASELINE)});
    b.Record(0x0201, {0x00FF, 0}); // META_SETBKCOLOR red
    // ETO_OPAQUE rectangle (left, top, right, bottom) and a spacing array.
    WmfText(b, 20, 60, "II", ETO_OPAQUE, {10, 70, 100, 90}, {50, 50});
    const QImage image = RenderMetafile(b.Eof().Finish(), kWidth, kHeight);
    QCOMPARE(Rgb(image, 90, 85), kRed);
    QCOMPARE(Rgb(image, 110, 85), kWhite);
    const QRect top(0, 0, kWidth, 65);
    std::vector<int> starts;
    bool previous = false;
    for (int x = 0; x < kWidth; ++x) {
        const bool ink = !InkBounds(image, QRect(x, top.top(), 1, top.height())).isEmpty();
        if (ink && !previous)
            starts.push_back(x);
        previous = ink;
    }
    QCOMPARE(starts.size(), std::size_t(2));
    QVERIFY(std::abs(starts[1] - starts[0] - 50) <= 1);
}

void TestMetafileText::wmfCharacterExtraWidensTextOut()
{
    // META_TEXTOUT: length, string, y, x. Without a spacing array the
    // character extra is added to each character's own advance.
    auto starts = [](int extra) {
        WmfBuilder b = StartWmf();
        WmfFont(b, -20, 0, "Arial");
        b.Record(META_SETTEXTALIGN, {W(TA_BASELINE)});
        b.Record(META_SETTEXTCHAREXTRA, {W(extra)});
        b.Record(META_TEXTOUT, {2, std::uint16_t('I' | ('I' << 8)), W(60), W(20)});
        return InkColumnStarts(RenderMetafile(b.Eof().Finish(), kWidth, kHeight));
    };
    const std::vector<int> plain = starts(0), wide = starts(30);
    QCOMPARE(plain.size(), std::size_t(2));
    QCOMPARE(wide.size(), std::size_t(2));
    QVERIFY(plain[0] >= 20 && plain[0] <= 24);
    QCOMPARE(wide[0], plain[0]);
    QVERIFY(std::abs(wide[1] - plain[1] - 30) <= 1);
}

void TestMetafileText::layoutTextAlignment()
{
    const RectD box{20, 10, 180, 90};
    const struct
    {
        int alignment, lineAlignment;
    } cases[] = {{0, 0}, {1, 1}, {2, 2}};
    int previousLeft = -1, previousTop = -1;
    for (const auto& c : cases) {
        ICanvas::LayoutText t = Layout(u"HHH", box);
        t.alignment = c.alignment;
        t.lineAlignment = c.lineAlignment;
        const QRect ink = InkBounds(RenderLayout(t));
        QVERIFY(!ink.isEmpty());
        QVERIFY(ink.left() >= 20 && ink.right() < 180 && ink.top() >= 10 && ink.bottom() < 90);
        if (c.alignment == 0)
            QVERIFY(ink.left() <= 20 + 5 && ink.top() <= 10 + 8);
        if (c.alignment == 1) {
            QVERIFY(std::abs(ink.center().x() - 100) <= 2);
            QVERIFY(std::abs(ink.center().y() - 50) <= 4);
        }
        if (c.alignment == 2)
            QVERIFY(ink.right() >= 180 - 5 && ink.bottom() >= 90 - 8);
        QVERIFY(ink.left() > previousLeft && ink.top() > previousTop);
        previousLeft = ink.left();
        previousTop = ink.top();
    }
}

void TestMetafileText::layoutTextWrapsAtTheRectangle()
{
    // Three words of about 40 pixels in a box 100 wide: two lines.
    ICanvas::LayoutText t = Layout(u"HHH HHH HHH", {10, 10, 110, 95});
    const std::vector<std::pair<int, int>> wrapped = InkRowBands(RenderLayout(t));
    QCOMPARE(wrapped.size(), std::size_t(2));
    QVERIFY(InkBounds(RenderLayout(t)).right() < 110);

    t.noWrap = true;
    const QImage one = RenderLayout(t);
    QCOMPARE(InkRowBands(one).size(), std::size_t(1));
    QVERIFY(InkBounds(one).right() >= 110);

    // A line break always starts a new line; a zero-width box does not wrap.
    const ICanvas::LayoutText lines = Layout(u"HH\nHH\nHH", {10, 5, 10, 5});
    QCOMPARE(InkRowBands(RenderLayout(lines)).size(), std::size_t(3));
}

void TestMetafileText::layoutTextClipAndRightToLeft()
{
    ICanvas::LayoutText t = Layout(u"WWWWWWWWWW", {20, 20, 60, 60}, 40);
    t.noWrap = true;
    t.clip = true;
    const QRect ink = InkBounds(RenderLayout(t));
    QVERIFY(!ink.isEmpty());
    QVERIFY(ink.left() >= 20 && ink.right() < 60 && ink.top() >= 20 && ink.bottom() < 60);

    // Right to left: near is the right edge.
    ICanvas::LayoutText rtl = Layout(u"HH", {20, 10, 180, 90});
    rtl.rightToLeft = true;
    const QRect rtlInk = InkBounds(RenderLayout(rtl));
    QVERIFY(rtlInk.right() >= 180 - 5 && rtlInk.right() < 180);
}

void TestMetafileText::layoutTextHostileValues()
{
    // A box that is not a number, a font a billion pixels high: nothing drawn.
    const double nan = std::nan("");
    ICanvas::LayoutText box = Layout(u"HH", {nan, 10, 100, nan});
    box.clip = true;
    QVERIFY(InkBounds(RenderLayout(box)).isEmpty());
    QVERIFY(InkBounds(RenderLayout(Layout(u"HH", {10, 10, 100, 90}, 1e9))).isEmpty());
    // A hundred thousand words wrapped in a narrow box: the lines that fit
    // are drawn, from the top, inside the box's width.
    std::u16string words;
    for (int i = 0; i < 100000; ++i)
        words += u"W ";
    const QImage many = RenderLayout(Layout(words, {10, 0, 60, 1e7}, 10));
    const QRect ink = InkBounds(many);
    QVERIFY(ink.left() >= 10 && ink.right() < 60);
    QVERIFY(ink.top() < 5 && ink.bottom() >= kHeight - 5);
}

QTEST_MAIN(TestMetafileText)
#include "test_metafile_text.moc"
