// The bicubic resampler against a plain two-pass reference: a whole
// horizontally filtered image, then the vertical pass over it, with the same
// kernel, the same 22-bit fixed point for 8-bit pictures and the same double
// sums for 16-bit ones. Every row filter the processor can run must give
// exactly the reference's pixels, whatever the sizes and thread count.
#include "convert/PixelConversion.h"
#include "convert/ResamplePixels.h"
#include "convert/ResampleRows.h"
#include "convert/Resampler.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

double Kernel(double x)
{
    constexpr double a = -0.5;
    x = std::fabs(x);
    if (x < 1.0)
        return ((a + 2.0) * x - (a + 3.0)) * x * x + 1.0;
    if (x < 2.0)
        return (((x - 5.0) * x + 8.0) * x - 4.0) * a;
    return 0.0;
}

// The source span and normalised weights of one output position.
struct Span
{
    int first = 0;
    std::vector<double> weight;
};

std::vector<Span> Spans(int inSize, int outSize)
{
    const double scale = double(inSize) / outSize;
    const double filterScale = std::max(scale, 1.0);
    const double support = 2.0 * filterScale;
    const int taps = int(std::ceil(2.0 * support)) + 2;
    std::vector<Span> spans(outSize);
    for (int x = 0; x < outSize; ++x) {
        const double center = (x + 0.5) * scale;
        const int lo = std::max(int(std::floor(center - support)), 0);
        const int hi = std::min(int(std::ceil(center + support)), inSize);
        Span& s = spans[x];
        s.first = lo;
        s.weight.resize(std::min(hi - lo, taps));
        double sum = 0.0;
        for (std::size_t k = 0; k < s.weight.size(); ++k) {
            s.weight[k] = Kernel((lo + int(k) - center + 0.5) / filterScale);
            sum += s.weight[k];
        }
        if (sum != 0.0)
            for (double& w : s.weight)
                w /= sum;
    }
    return spans;
}

std::int32_t Fixed(double w)
{
    return std::int32_t(std::lround(w * (1 << 22)));
}

std::uint8_t Round8(std::int32_t v)
{
    return std::uint8_t(std::clamp((v + (1 << 21)) >> 22, 0, 255));
}

std::uint16_t Round16(double v)
{
    return std::uint16_t(std::clamp(std::lround(v), 0L, 65535L));
}

void ClampColoursToAlpha(std::uint16_t* px)
{
    for (int c = 0; c < 3; ++c)
        px[c] = std::min(px[c], px[3]);
}

// One pass along x (or along y when `vertical`), over 4-channel pixels.
QImage Pass8(const QImage& in, int outSize, bool vertical)
{
    const int inSize = vertical ? in.height() : in.width();
    const std::vector<Span> spans = Spans(inSize, outSize);
    QImage out(vertical ? in.width() : outSize, vertical ? outSize : in.height(), in.format());
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x)
            for (int c = 0; c < 4; ++c) {
                const Span& s = spans[vertical ? y : x];
                std::int32_t sum = 0;
                for (std::size_t k = 0; k < s.weight.size(); ++k) {
                    const int sx = vertical ? x : s.first + int(k);
                    const int sy = vertical ? s.first + int(k) : y;
                    sum += in.constScanLine(sy)[sx * 4 + c] * Fixed(s.weight[k]);
                }
                out.scanLine(y)[x * 4 + c] = Round8(sum);
            }
    return out;
}

QImage Pass16(const QImage& in, int outSize, bool vertical)
{
    const int inSize = vertical ? in.height() : in.width();
    const std::vector<Span> spans = Spans(inSize, outSize);
    QImage out(vertical ? in.width() : outSize, vertical ? outSize : in.height(), in.format());
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            auto* q = reinterpret_cast<std::uint16_t*>(out.scanLine(y)) + x * 4;
            for (int c = 0; c < 4; ++c) {
                const Span& s = spans[vertical ? y : x];
                double sum = 0.0;
                for (std::size_t k = 0; k < s.weight.size(); ++k) {
                    const int sx = vertical ? x : s.first + int(k);
                    const int sy = vertical ? s.first + int(k) : y;
                    const auto* p = reinterpret_cast<const std::uint16_t*>(in.constScanLine(sy));
                    sum += p[sx * 4 + c] * s.weight[k];
                }
                q[c] = Round16(sum);
            }
            ClampColoursToAlpha(q);
        }
    return out;
}

QImage Reference(const QImage& source, int width, int height)
{
    if (source.size() == QSize(width, height))
        return source;
    const bool sixteen = source.hasAlphaChannel() || HasWideChannels(source.format());
    QImage image =
        ConvertPixels(source, sixteen ? QImage::Format_RGBA64_Premultiplied : QImage::Format_RGB32);
    const auto pass = sixteen ? Pass16 : Pass8;
    if (image.width() != width)
        image = pass(image, width, false);
    if (image.height() != height)
        image = pass(image, height, true);
    return image;
}

// Random pixels, often at the extremes so that overshoot is clamped.
QImage RandomPicture(QRandomGenerator& random, int width, int height, QImage::Format format)
{
    QImage image(width, height, format);
    const auto value = [&random](int max) {
        const int r = random.bounded(4);
        return r == 0 ? 0 : r == 1 ? max : random.bounded(max + 1);
    };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (format == QImage::Format_RGBA64)
                image.setPixelColor(
                    x, y,
                    QColor::fromRgba64(value(65535), value(65535), value(65535), value(65535)));
            else
                image.setPixel(x, y, qRgba(value(255), value(255), value(255), value(255)));
        }
    return image;
}

// Where two images first differ, or an empty text.
QString FirstDifference(const QImage& actual, const QImage& expected)
{
    if (actual.format() != expected.format())
        return QStringLiteral("format %1, expected %2").arg(actual.format()).arg(expected.format());
    if (actual.size() != expected.size())
        return QStringLiteral("size %1x%2").arg(actual.width()).arg(actual.height());
    const int bytes = actual.width() * actual.depth() / 8;
    for (int y = 0; y < actual.height(); ++y)
        for (int i = 0; i < bytes; ++i)
            if (actual.constScanLine(y)[i] != expected.constScanLine(y)[i])
                return QStringLiteral("row %1 byte %2: %3, expected %4")
                    .arg(y)
                    .arg(i)
                    .arg(actual.constScanLine(y)[i])
                    .arg(expected.constScanLine(y)[i]);
    return QString();
}

} // namespace

class TestResampler : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void matchesReference_data();
    void matchesReference();
    void randomSizesMatchReference_data();
    void randomSizesMatchReference();
    void keepsItsContract();
    void roundsAsLround();

private:
    ResampleIsa m_chosen = ResampleIsa::Baseline;
};

void TestResampler::init()
{
    m_chosen = CurrentResampleIsa();
}

void TestResampler::cleanup()
{
    SelectResampleIsa(m_chosen);
}

static void AddIsaColumns()
{
    QTest::addColumn<int>("isa");
    QTest::addColumn<int>("format");
}

static const char* FormatName(QImage::Format format)
{
    switch (format) {
    case QImage::Format_RGB32:
        return "RGB32";
    case QImage::Format_ARGB32:
        return "ARGB32";
    default:
        return "RGBA64";
    }
}

static void AddIsaRows(const char* what, const std::vector<QImage::Format>& formats)
{
    const struct
    {
        const char* name;
        ResampleIsa isa;
    } isas[] = {{"baseline", ResampleIsa::Baseline}, {"avx2", ResampleIsa::Avx2}};
    for (const auto& isa : isas)
        for (QImage::Format format : formats)
            QTest::addRow("%s %s %s", what, isa.name, FormatName(format))
                << int(isa.isa) << int(format);
}

static bool UseIsa(int isa)
{
    return SelectResampleIsa(ResampleIsa(isa));
}

void TestResampler::matchesReference_data()
{
    AddIsaColumns();
    AddIsaRows("chosen sizes",
               {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_RGBA64});
}

// Sizes at the edges: single pixels and rows, the vector width and one either
// side of it, strong reductions (wide filters), enlargements, one side kept.
void TestResampler::matchesReference()
{
    QFETCH(int, isa);
    QFETCH(int, format);
    if (!UseIsa(isa))
        QSKIP("This processor lacks these instructions");
    const struct
    {
        int inW, inH, outW, outH;
    } cases[] = {
        {1, 1, 1, 5},      {1, 1, 7, 1},      {1, 1, 9, 9},       {9, 9, 1, 1},
        {1, 40, 1, 3},     {40, 1, 3, 1},     {7, 8, 8, 7},       {8, 8, 9, 7},
        {9, 9, 8, 8},      {16, 3, 15, 70},   {17, 70, 33, 2},    {300, 200, 7, 5},
        {200, 300, 3, 97}, {5, 4, 123, 77},   {64, 64, 64, 33},   {64, 64, 31, 64},
        {100, 80, 50, 40}, {101, 81, 51, 41}, {33, 130, 65, 129},
    };
    QRandomGenerator random(7 + format);
    for (const auto& c : cases) {
        const QImage source = RandomPicture(random, c.inW, c.inH, QImage::Format(format));
        const QImage expected = Reference(source, c.outW, c.outH);
        for (int threads : {1, 2, 3}) {
            const QImage actual = ResampleBicubic(source, c.outW, c.outH, threads);
            const QString difference = FirstDifference(actual, expected);
            QVERIFY2(difference.isEmpty(),
                     qPrintable(QStringLiteral("%1x%2 to %3x%4, %5 threads: %6")
                                    .arg(c.inW)
                                    .arg(c.inH)
                                    .arg(c.outW)
                                    .arg(c.outH)
                                    .arg(threads)
                                    .arg(difference)));
        }
    }
}

void TestResampler::randomSizesMatchReference_data()
{
    AddIsaColumns();
    AddIsaRows("random sizes", {QImage::Format_RGB32, QImage::Format_ARGB32});
}

void TestResampler::randomSizesMatchReference()
{
    QFETCH(int, isa);
    QFETCH(int, format);
    if (!UseIsa(isa))
        QSKIP("This processor lacks these instructions");
    QRandomGenerator random(1234 + format);
    for (int i = 0; i < 150; ++i) {
        const int inW = 1 + random.bounded(90), inH = 1 + random.bounded(90);
        // Reductions to a tenth up to enlargements by four.
        const int outW = std::max(1, int(inW * (0.1 + 3.9 * random.generateDouble())));
        const int outH = std::max(1, int(inH * (0.1 + 3.9 * random.generateDouble())));
        const int threads = 1 + random.bounded(2);
        const QImage source = RandomPicture(random, inW, inH, QImage::Format(format));
        const QImage actual = ResampleBicubic(source, outW, outH, threads);
        const QString difference = FirstDifference(actual, Reference(source, outW, outH));
        QVERIFY2(difference.isEmpty(), qPrintable(QStringLiteral("%1x%2 to %3x%4, %5 threads: %6")
                                                      .arg(inW)
                                                      .arg(inH)
                                                      .arg(outW)
                                                      .arg(outH)
                                                      .arg(threads)
                                                      .arg(difference)));
    }
}

// The same size comes back as it is, in its own format; opaque pictures are
// scaled as RGB32, others as premultiplied RGBA64; nonsense sizes give null.
void TestResampler::keepsItsContract()
{
    QRandomGenerator random(99);
    const QImage rgb888 =
        RandomPicture(random, 6, 4, QImage::Format_RGB32).convertToFormat(QImage::Format_RGB888);
    const QImage same = ResampleBicubic(rgb888, 6, 4);
    QCOMPARE(same.format(), QImage::Format_RGB888);
    QCOMPARE(same, rgb888);
    QCOMPARE(ResampleBicubic(rgb888, 3, 4).format(), QImage::Format_RGB32);
    QCOMPARE(ResampleBicubic(RandomPicture(random, 6, 4, QImage::Format_ARGB32), 6, 9).format(),
             QImage::Format_RGBA64_Premultiplied);
    QVERIFY(ResampleBicubic(QImage(), 3, 3).isNull());
    QVERIFY(ResampleBicubic(rgb888, 0, 3).isNull());
    QVERIFY(ResampleBicubic(rgb888, 3, -1).isNull());
}

// The inline rounding of 16-bit sums against std::lround: halves away from
// zero, the doubles either side of each half, and the clamp.
void TestResampler::roundsAsLround()
{
    std::vector<double> values = {0.0,
                                  -0.0,
                                  0.49999999999999994,
                                  -0.49999999999999994,
                                  65535.4999,
                                  65535.5,
                                  65536.2,
                                  -1e-300,
                                  1e-300,
                                  -70000.0,
                                  2e6};
    for (int i = -3; i <= 65540; ++i) {
        const double half = i + 0.5;
        values.insert(values.end(), {double(i), half, std::nextafter(half, -1e9),
                                     std::nextafter(half, 1e9), -half});
    }
    QRandomGenerator random(5);
    for (int i = 0; i < 100000; ++i)
        values.push_back(random.generateDouble() * 70000.0 - 1000.0);
    for (double v : values) {
        const auto expected = std::uint16_t(std::clamp(std::lround(v), 0L, 65535L));
        if (RoundDouble16(v) != expected)
            QFAIL(qPrintable(QStringLiteral("%1 rounds to %2, expected %3")
                                 .arg(v, 0, 'g', 17)
                                 .arg(RoundDouble16(v))
                                 .arg(expected)));
    }
}

QTEST_MAIN(TestResampler)
#include "test_resampler.moc"
