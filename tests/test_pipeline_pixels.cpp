// Pixel values through the whole conversion, for every output format: a
// picture file written here, opened by the program's decoder, converted as
// the window and rastelle-convert run it, and the .bmp file's pixels read
// back byte by byte (and by Qt's BMP reader where it takes the layout).
#include "convert/ConversionHost.h"
#include "convert/ConversionPipeline.h"
#include "convert/PixelFormats.h"
#include "convert/QtImaging.h"
#include "dib/DeviceObjects.h"
#include "language/CLanguage.h"
#include "support/QuietHost.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QRgba64>
#include <QTest>

#include <array>
#include <climits>
#include <cmath>
#include <functional>

namespace {

// ---- PNG files of each channel layout, written here byte by byte: Qt
// writes no grey+alpha PNG and no 16-bit one of every kind.

quint32 Crc32(const QByteArray& bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (char ch : bytes) {
        crc ^= uchar(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void AppendU32(QByteArray& out, quint32 v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(char((v >> shift) & 0xFF));
}

void AppendChunk(QByteArray& out, const char* type, const QByteArray& data)
{
    AppendU32(out, quint32(data.size()));
    const QByteArray typed = QByteArray(type, 4) + data;
    out.append(typed);
    AppendU32(out, Crc32(typed));
}

enum class Layout
{
    Grey,
    Rgb,
    GreyAlpha,
    Rgba
};

// Pixels are given as 16-bit straight RGBA; 8-bit files take the top byte
// of values that are multiples of 257. Grey layouts store the red channel.
QByteArray PngFile(int width, int height, Layout layout, int depth,
                   const std::function<QRgba64(int, int)>& pixel)
{
    const int colourType = layout == Layout::Grey        ? 0
                           : layout == Layout::Rgb       ? 2
                           : layout == Layout::GreyAlpha ? 4
                                                         : 6;
    QByteArray raw;
    for (int y = 0; y < height; ++y) {
        raw.append(char(0)); // no filter
        for (int x = 0; x < width; ++x) {
            const QRgba64 p = pixel(x, y);
            QList<quint16> samples;
            if (layout == Layout::Grey || layout == Layout::GreyAlpha)
                samples = {p.red()};
            else
                samples = {p.red(), p.green(), p.blue()};
            if (layout == Layout::GreyAlpha || layout == Layout::Rgba)
                samples.append(p.alpha());
            for (quint16 s : samples) {
                if (depth == 16)
                    raw.append(char(s >> 8));
                raw.append(char(depth == 16 ? s & 0xFF : s / 257));
            }
        }
    }
    QByteArray png("\x89PNG\r\n\x1A\n", 8);
    QByteArray header;
    AppendU32(header, quint32(width));
    AppendU32(header, quint32(height));
    header.append(char(depth)).append(char(colourType)).append(3, char(0));
    AppendChunk(png, "IHDR", header);
    AppendChunk(png, "IDAT", qCompress(raw, 9).mid(4)); // without Qt's length prefix
    AppendChunk(png, "IEND", QByteArray());
    return png;
}

// ---- The pictures.

constexpr int kWidth = 37; // odd, so rows need padding at every depth
constexpr int kHeight = 9;

// Alphas that matter: none, the lowest, low (35), half, nearly full, full.
const int kAlpha8[] = {0, 1, 2, 35, 128, 200, 254, 255, 17};
const int kAlpha16[] = {0, 1, 257, 35 * 257, 9000, 32896, 40000, 65278, 65535, 2};

QRgba64 Colour8(int x, int y, bool alpha)
{
    const int r = (x * 37 + y * 11) & 255;
    const int g = (x * 5 + y * 29 + 7) & 255;
    const int b = (x * 13 + y * 3 + 100) & 255;
    const int a = alpha ? kAlpha8[(x + 3 * y) % int(std::size(kAlpha8))] : 255;
    return QRgba64::fromRgba64(quint16(r * 257), quint16(g * 257), quint16(b * 257),
                               quint16(a * 257));
}

// Off the 8-bit grid, and near the middle between 5- and 6-bit levels.
QRgba64 Colour16(int x, int y, bool alpha)
{
    const auto wide = [](int v) { return quint16(std::clamp(v, 0, 65535)); };
    const int i = y * kWidth + x;
    const int r = (i * 1777) % 65536;
    const int g = (i * 65535 / (kWidth * kHeight)) + (i % 7) * 61 - 180;
    const int b = 65535 - (i * 2399) % 65536;
    const int a = alpha ? kAlpha16[(x + 3 * y) % int(std::size(kAlpha16))] : 65535;
    return QRgba64::fromRgba64(wide(r), wide(g), wide(b), wide(a));
}

// Every 8-bit value in every channel.
QRgba64 AllValues(int x, int y)
{
    const int i = (y * kWidth + x) % 256;
    return QRgba64::fromRgba64(quint16(i * 257), quint16((255 - i) * 257),
                               quint16(((i * 97) & 255) * 257), 65535);
}

QByteArray SourceFile(const QString& name)
{
    if (name == "rgb8")
        return PngFile(kWidth, kHeight, Layout::Rgb, 8, AllValues);
    if (name == "rgb16")
        return PngFile(kWidth, kHeight, Layout::Rgb, 16,
                       [](int x, int y) { return Colour16(x, y, false); });
    if (name == "rgba8")
        return PngFile(kWidth, kHeight, Layout::Rgba, 8,
                       [](int x, int y) { return Colour8(x, y, true); });
    if (name == "rgba16")
        return PngFile(kWidth, kHeight, Layout::Rgba, 16,
                       [](int x, int y) { return Colour16(x, y, true); });
    if (name == "ga16")
        return PngFile(kWidth, kHeight, Layout::GreyAlpha, 16,
                       [](int x, int y) { return Colour16(x, y, true); });
    return {};
}

// ---- Reading the written file.

struct Bmp
{
    QByteArray bytes;
    quint32 offBits = 0;
    quint32 headerSize = 0;
    qint32 width = 0;
    qint32 height = 0;
    int bits = 0;
    qint64 stride = 0;

    quint32 U(qsizetype at, int size) const
    {
        quint32 v = 0;
        for (int i = size - 1; i >= 0; --i)
            v = v << 8 | uchar(bytes[at + i]);
        return v;
    }

    bool Parse(const QByteArray& file)
    {
        bytes = file;
        if (bytes.size() < 54 || !bytes.startsWith("BM"))
            return false;
        offBits = U(10, 4);
        headerSize = U(14, 4);
        width = qint32(U(18, 4));
        height = qint32(U(22, 4));
        bits = int(U(28, 2));
        stride = (qint64(width) * bits + 31) / 32 * 4;
        return width > 0 && height > 0 && U(2, 4) == quint32(bytes.size()) &&
               offBits + stride * height <= bytes.size();
    }

    // File order B, G, R, A: indices for the indexed depths (in [0]), raw
    // 5/6-bit fields, bytes, or signed s2.13 words.
    std::array<double, 4> Pixel(int x, int y) const
    {
        const qsizetype row = offBits + qsizetype(height - 1 - y) * stride;
        switch (bits) {
        case 1:
            return {double((uchar(bytes[row + x / 8]) >> (7 - x % 8)) & 1), 0, 0, 0};
        case 4:
            return {double((uchar(bytes[row + x / 2]) >> (x % 2 ? 0 : 4)) & 15), 0, 0, 0};
        case 8:
            return {double(uchar(bytes[row + x])), 0, 0, 0};
        case 16: {
            const quint32 v = U(row + 2 * x, 2);
            return {double(v & 31), double((v >> 5) & 63), double(v >> 11), 0};
        }
        case 24:
            return {double(U(row + 3 * x, 1)), double(U(row + 3 * x + 1, 1)),
                    double(U(row + 3 * x + 2, 1)), 0};
        case 32:
            return {double(U(row + 4 * x, 1)), double(U(row + 4 * x + 1, 1)),
                    double(U(row + 4 * x + 2, 1)), double(U(row + 4 * x + 3, 1))};
        default:
            return {double(qint16(U(row + 8 * x, 2))), double(qint16(U(row + 8 * x + 2, 2))),
                    double(qint16(U(row + 8 * x + 4, 2))), double(qint16(U(row + 8 * x + 6, 2)))};
        }
    }

    // Colour-table entry as 0x00RRGGBB.
    quint32 TableColour(int index) const { return U(14 + headerSize + 4 * index, 4) & 0xFFFFFF; }
};

// ---- What the file must hold, worked out in double from the decoded
// picture's straight 16-bit colour.

double Linear(double c)
{
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

struct Straight
{
    double r, g, b, a; // 0 to 1
};

Straight StraightOf(const QImage& frame, int x, int y)
{
    const QRgba64 p = frame.pixelColor(x, y).rgba64();
    return {p.red() / 65535.0, p.green() / 65535.0, p.blue() / 65535.0, p.alpha() / 65535.0};
}

// The colour over black in 8 bits, rounded once: what the opaque layouts
// and the indexed formats' 24-bit intermediate hold.
std::array<int, 3> OverBlack8(const Straight& s)
{
    return {int(std::lround(s.r * s.a * 255)), int(std::lround(s.g * s.a * 255)),
            int(std::lround(s.b * s.a * 255))};
}

int NearestIndex(const Bmp& file, int entries, const std::array<int, 3>& rgb)
{
    int best = 0;
    int bestDistance = INT_MAX;
    for (int i = 0; i < entries; ++i) {
        const quint32 t = file.TableColour(i);
        const int dr = rgb[0] - int(t >> 16);
        const int dg = rgb[1] - int((t >> 8) & 0xFF);
        const int db = rgb[2] - int(t & 0xFF);
        const int d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

// Each file channel's allowed range [low, high], B, G, R, A order.
using Range = std::array<std::array<double, 2>, 4>;

// spread: how far each source colour may move (scaled pictures); the
// range covers the file value for every colour within it.
Range Expected(const Bmp& file, int pixelFormat, const Straight& s, double spread = 0)
{
    const auto range = [&](const std::function<double(double)>& f, double c, double tolerance) {
        return std::array<double, 2>{f(std::max(0.0, c - spread)) - tolerance,
                                     f(std::min(1.0, c + spread)) + tolerance};
    };
    const auto exact = [](double v) { return std::array<double, 2>{v, v}; };
    const auto channels = [&](const std::function<double(double)>& f, double tolerance) {
        return std::array<std::array<double, 2>, 3>{
            range(f, s.b, tolerance), range(f, s.g, tolerance), range(f, s.r, tolerance)};
    };
    const auto round8 = [](double v) { return double(std::lround(v * 255)); };
    Range want{};
    const auto setColours = [&](const std::array<std::array<double, 2>, 3>& c) {
        want[0] = c[0], want[1] = c[1], want[2] = c[2];
    };
    const std::array<int, 3> over = OverBlack8(s);
    switch (pixelFormat) {
    case PixelFormat1bppIndexed: {
        const double luma = 0.299 * over[0] + 0.587 * over[1] + 0.114 * over[2];
        want[0] = exact(luma >= 128 - 1e-9 ? 1 : 0);
        break;
    }
    case PixelFormat4bppIndexed:
        want[0] = exact(NearestIndex(file, 16, over));
        break;
    case PixelFormat8bppIndexed:
        want[0] = exact(NearestIndex(file, 256, over));
        break;
    case PixelFormat16bppRGB565:
        // The nearest level of the source value itself (over black).
        want[0] = range([&](double c) { return double(std::lround(c * s.a * 31)); }, s.b,
                        spread > 0 ? 1 : 0);
        want[1] = range([&](double c) { return double(std::lround(c * s.a * 63)); }, s.g,
                        spread > 0 ? 1 : 0);
        want[2] = range([&](double c) { return double(std::lround(c * s.a * 31)); }, s.r,
                        spread > 0 ? 1 : 0);
        break;
    case PixelFormat24bppRGB:
    case PixelFormat32bppRGB:
        setColours(channels([&](double c) { return double(std::lround(c * s.a * 255)); },
                            spread > 0 ? 1 : 0));
        break;
    case PixelFormat32bppARGB:
        setColours(channels(round8, spread > 0 ? 1 : 0));
        want[3] = exact(round8(s.a));
        break;
    case PixelFormat32bppPARGB:
        setColours(channels([&](double c) { return double(std::lround(c * s.a * 255)); },
                            spread > 0 ? 1 : 0));
        want[3] = exact(round8(s.a));
        break;
    case PixelFormat64bppARGB:
        setColours(channels([](double c) { return Linear(c) * 8192; }, 0.51));
        want[3] = {s.a * 8192 - 0.5, s.a * 8192 + 0.5};
        break;
    case PixelFormat64bppPARGB:
        setColours(channels([&](double c) { return Linear(c) * s.a * 8192; }, 0.51));
        want[3] = {s.a * 8192 - 0.5, s.a * 8192 + 0.5};
        break;
    }
    return want;
}

bool Inside(const std::array<double, 4>& got, const Range& want, QString* why)
{
    for (size_t c = 0; c < 4; ++c) {
        if (got[c] < want[c][0] - 1e-9 || got[c] > want[c][1] + 1e-9) {
            *why = QStringLiteral("channel %1 (B,G,R,A order) is %2, wanted %3 to %4")
                       .arg(c)
                       .arg(got[c])
                       .arg(want[c][0])
                       .arg(want[c][1]);
            return false;
        }
    }
    return true;
}

bool IsIndexed(int pixelFormat)
{
    return IndexedFormatFor(pixelFormat) != 0;
}

} // namespace

class TestPipelinePixels : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void unscaledPicturesComeThroughExactly_data();
    void unscaledPicturesComeThroughExactly();
    void scaledLetteredAndTurned_data();
    void scaledLetteredAndTurned();

private:
    // Opens the file through the program's decoder and converts it; the
    // decoded frame and the written file come back.
    bool Convert(const QString& photoPath, int pixelFormat, const QString& size,
                 const QString& text, int angle, QImage* frame, Bmp* file);

    QtImaging m_imaging;
    QTemporaryDir m_tempRoot;
    QTemporaryDir m_dir;
};

void TestPipelinePixels::initTestCase()
{
    QVERIFY(m_tempRoot.isValid());
    qputenv("TMPDIR", QFile::encodeName(m_tempRoot.path()));
    theLanguage.Initialize(QStringLiteral("/nonexistent"), QStringLiteral("english"));
}

void TestPipelinePixels::cleanup()
{
    QCOMPARE(QtImagingLiveObjects(), 0);
}

bool TestPipelinePixels::Convert(const QString& photoPath, int pixelFormat, const QString& size,
                                 const QString& text, int angle, QImage* frame, Bmp* file)
{
    GpImage* photo = nullptr;
    if (m_imaging.LoadImageFromFile(photoPath, &photo) != Ok) {
        qWarning("cannot open %s", qPrintable(photoPath));
        return false;
    }
    *frame = QtImaging::FrameOf(photo).copy();
    std::uint32_t width = 0, height = 0;
    m_imaging.GetImageWidth(photo, &width);
    m_imaging.GetImageHeight(photo, &height);

    ConversionRequest request;
    request.outputWidthText = size.isEmpty() ? QString::number(width) : size.section('x', 0, 0);
    request.outputHeightText = size.isEmpty() ? QString::number(height) : size.section('x', 1, 1);
    request.text = text;
    request.textXText = QStringLiteral("2");
    request.textYText = QStringLiteral("2");
    request.font.lfHeight = -20;
    request.font.lfWeight = 700;
    request.font.SetFaceName(QStringLiteral("DejaVu Sans"));
    request.textColor = 0xFFFFFF;
    request.rotateAngle = angle;
    request.pixelFormat = pixelFormat;
    request.indexedFormat = IndexedFormatFor(pixelFormat);
    request.outputPath = m_dir.filePath(QStringLiteral("out.bmp"));
    QFile::remove(request.outputPath);
    QuietHost host;
    const ConversionOutcome outcome = RunConvertCommand(m_imaging, photoPath, photo, request, host);
    m_imaging.DisposeImage(photo);
    if (!outcome.succeeded || !host.messages.isEmpty()) {
        qWarning("conversion failed: %s", qPrintable(host.messages.join(" | ")));
        return false;
    }
    if (!file->Parse(ReadTestFile(request.outputPath))) {
        qWarning("the output is not a readable BMP file");
        return false;
    }
    return true;
}

void TestPipelinePixels::unscaledPicturesComeThroughExactly_data()
{
    QTest::addColumn<int>("index"); // in the pixel-format list
    QTest::addColumn<QString>("source");
    const QStringList opaque = {"rgb8", "rgb16", "jpeg"};
    const QStringList withAlpha = {"rgba8", "rgba16", "ga16"};
    for (const PixelFormatEntry& entry : PixelFormatTable()) {
        const int index = int(&entry - PixelFormatTable().data());
        QStringList sources = opaque;
        // 5-6-5 of an alpha picture is the colour over black rounded twice,
        // which no nearest-level rule describes.
        if (entry.code != PixelFormat16bppRGB565)
            sources += withAlpha;
        for (const QString& source : sources)
            QTest::addRow("%s from %s", qPrintable(QString::fromUtf16(entry.entry)),
                          qPrintable(source))
                << index << source;
    }
}

void TestPipelinePixels::unscaledPicturesComeThroughExactly()
{
    QFETCH(int, index);
    QFETCH(QString, source);
    const int pixelFormat = PixelFormatForIndex(index).code;

    const QString path = m_dir.filePath(source + (source == "jpeg" ? ".jpg" : ".png"));
    if (source == "jpeg") {
        QImage picture(kWidth, kHeight, QImage::Format_RGB32);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                picture.setPixel(x, y, QColor::fromRgba64(AllValues(x, y)).rgb());
        QVERIFY(picture.save(path, "JPEG", 90));
    } else {
        QVERIFY(WriteTestFile(path, SourceFile(source)));
    }

    QImage frame;
    Bmp file;
    QVERIFY(Convert(path, pixelFormat, QString(), QString(), 0, &frame, &file));
    // The decoder must have kept what the file holds, or this tests less.
    QCOMPARE(frame.size(), QSize(kWidth, kHeight));
    QCOMPARE(frame.depth() == 64, source.endsWith("16"));
    QCOMPARE(frame.hasAlphaChannel(), source.startsWith("rgba") || source == "ga16");
    if (source != "jpeg") {
        const QByteArray png = SourceFile(source);
        const QImage written = QImage::fromData(png, "PNG");
        QCOMPARE(written.convertToFormat(QImage::Format_RGBA64),
                 frame.convertToFormat(QImage::Format_RGBA64));
    }
    QCOMPARE(file.width, kWidth);
    QCOMPARE(file.height, kHeight);

    if (pixelFormat == PixelFormat4bppIndexed || pixelFormat == PixelFormat8bppIndexed) {
        const auto& palette = pixelFormat == PixelFormat4bppIndexed ? VgaPalette().Entries()
                                                                    : FixedPalette().Entries();
        for (int i = 0; i < int(palette.size()); ++i) {
            const PALETTEENTRY& e = palette[size_t(i)];
            QCOMPARE(file.TableColour(i),
                     quint32(e.peRed) << 16 | quint32(e.peGreen) << 8 | e.peBlue);
        }
    }

    // Qt's BMP reader, for the layouts it takes: it must show the same
    // pixels (a premultiplied file looks straight to every reader).
    const QImage peer = QImage::fromData(file.bytes, "BMP");
    const bool peerReads = file.bits != 64;
    QCOMPARE(!peer.isNull(), peerReads);

    int mismatches = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const Straight s = StraightOf(frame, x, y);
            const Range want = Expected(file, pixelFormat, s);
            const auto got = file.Pixel(x, y);
            QString why;
            if (!Inside(got, want, &why) && mismatches++ < 5)
                qWarning("pixel %d,%d of colour %g %g %g alpha %g: %s", x, y, s.r, s.g, s.b, s.a,
                         qPrintable(why));
            if (!peerReads)
                continue;
            const QRgb seen = peer.pixel(x, y);
            std::array<int, 4> meant; // R, G, B, A as 8-bit
            if (IsIndexed(pixelFormat)) {
                const quint32 t = file.TableColour(int(got[0]));
                meant = {int(t >> 16), int((t >> 8) & 0xFF), int(t & 0xFF), 255};
            } else if (file.bits == 16) {
                meant = {int(got[2]) << 3, int(got[1]) << 2, int(got[0]) << 3, 255};
            } else {
                meant = {int(got[2]), int(got[1]), int(got[0]),
                         file.headerSize == 108 ? int(got[3]) : 255};
            }
            // 5-6-5 fields must show in the top bits, however widened.
            const int mask = file.bits == 16 ? 0xF8 : 0xFF;
            const int greenMask = file.bits == 16 ? 0xFC : 0xFF;
            const bool same = (qRed(seen) & mask) == meant[0] &&
                              (qGreen(seen) & greenMask) == meant[1] &&
                              (qBlue(seen) & mask) == meant[2] && qAlpha(seen) == meant[3];
            if (!same && mismatches++ < 5)
                qWarning("pixel %d,%d: Qt reads %08x, the file means %d %d %d %d", x, y, seen,
                         meant[0], meant[1], meant[2], meant[3]);
        }
    }
    QCOMPARE(mismatches, 0);
}

void TestPipelinePixels::scaledLetteredAndTurned_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("depth");
    QTest::addColumn<bool>("scaled");
    for (const PixelFormatEntry& entry : PixelFormatTable()) {
        const int index = int(&entry - PixelFormatTable().data());
        for (int depth : {8, 16})
            for (bool scaled : {true, false})
                QTest::addRow("%s from %d bits%s", qPrintable(QString::fromUtf16(entry.entry)),
                              depth, scaled ? ", doubled" : "")
                    << index << depth << scaled;
    }
}

void TestPipelinePixels::scaledLetteredAndTurned()
{
    // An even colour under a low alpha (1 of 255, or 35 of 255 at 16 bits),
    // doubled in size or not: every pixel away from the text keeps the
    // colour. The text is opaque white, and the picture is turned a quarter
    // clockwise.
    QFETCH(int, index);
    QFETCH(int, depth);
    QFETCH(bool, scaled);
    const int pixelFormat = PixelFormatForIndex(index).code;
    const QRgba64 colour = depth == 8 ? QRgba64::fromRgba64(200 * 257, 100 * 257, 50 * 257, 257)
                                      : QRgba64::fromRgba64(40000, 30000, 20000, 35 * 257);
    const QString path = m_dir.filePath(QStringLiteral("even%1.png").arg(depth));
    QVERIFY(WriteTestFile(path,
                          PngFile(20, 16, Layout::Rgba, depth, [&](int, int) { return colour; })));

    const int width = scaled ? 40 : 20;
    const int height = scaled ? 32 : 16;
    QImage frame;
    Bmp file;
    QVERIFY(Convert(path, pixelFormat, QStringLiteral("%1x%2").arg(width).arg(height),
                    QStringLiteral("I"), 90, &frame, &file));
    QCOMPARE(file.width, height);
    QCOMPARE(file.height, width);
    const Straight s = StraightOf(frame, 0, 0);
    const Straight white{1, 1, 1, 1};
    // Scaled colours may move by one 8-bit step.
    const Range background =
        Expected(file, pixelFormat, s, !scaled || IsIndexed(pixelFormat) ? 0 : 1 / 255.0);
    const Range text = Expected(file, pixelFormat, white);

    // Picture (x, y) lands at file (height - 1 - y, x). The text starts at
    // (2, 2); a bold 20-pixel I is far narrower than 16 pixels.
    int backgroundChecked = 0;
    int textPixels = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto got = file.Pixel(height - 1 - y, x);
            QString why;
            if (x >= 18 || y >= 26) {
                ++backgroundChecked;
                QVERIFY2(Inside(got, background, &why),
                         qPrintable(QStringLiteral("picture pixel %1,%2: ").arg(x).arg(y) + why));
            } else if (Inside(got, text, &why)) {
                ++textPixels;
            }
        }
    }
    QVERIFY(backgroundChecked > 0);
    QVERIFY2(textPixels >= 10, qPrintable(QString::number(textPixels)));
}

QTEST_MAIN(TestPipelinePixels)
#include "test_pipeline_pixels.moc"
