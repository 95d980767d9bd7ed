// The BMP writer for the direct layouts: headers, pixel rows and padding read
// back by the test's own reader, by Qt's decoder and by Pillow and ImageMagick
// where they are installed; conversion from other image formats; failures.
#include "convert/BmpWriter.h"
#include "convert/RotateFlip.h"
#include "support/TestFiles.h"

#include <QBuffer>
#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(BmpFormat)

namespace {

// ---- What each layout must look like, independent of the writer's tables.

struct LayoutFacts
{
    BmpFormat format;
    const char* name;
    QImage::Format working;
    int bitCount;
    quint32 headerSize;
    quint32 offBits;
    quint32 compression;
};

constexpr quint32 kBiRgb = 0;
constexpr quint32 kBiBitfields = 3;

const LayoutFacts kLayouts[] = {
    {BmpFormat::Rgb565, "Rgb565", QImage::Format_RGB16, 16, 40, 66, kBiBitfields},
    {BmpFormat::Rgb24, "Rgb24", QImage::Format_BGR888, 24, 40, 54, kBiRgb},
    {BmpFormat::Rgb32, "Rgb32", QImage::Format_RGB32, 32, 40, 54, kBiRgb},
    {BmpFormat::Argb32, "Argb32", QImage::Format_ARGB32, 32, 108, 122, kBiBitfields},
    {BmpFormat::Pargb32, "Pargb32", QImage::Format_ARGB32_Premultiplied, 32, 108, 122,
     kBiBitfields},
    {BmpFormat::Argb64, "Argb64", QImage::Format_RGBA64, 64, 40, 54, kBiRgb},
    {BmpFormat::Pargb64, "Pargb64", QImage::Format_RGBA64_Premultiplied, 64, 40, 54, kBiRgb},
};

const LayoutFacts& FactsFor(BmpFormat format)
{
    for (const LayoutFacts& facts : kLayouts)
        if (facts.format == format)
            return facts;
    return kLayouts[0];
}

bool HasAlpha(BmpFormat format)
{
    return format == BmpFormat::Argb32 || format == BmpFormat::Pargb32 ||
           format == BmpFormat::Argb64 || format == BmpFormat::Pargb64;
}

bool IsSixtyFour(BmpFormat format)
{
    return format == BmpFormat::Argb64 || format == BmpFormat::Pargb64;
}

// ---- The test's own reader.

quint16 U16(const QByteArray& b, qsizetype at)
{
    return quint16(uchar(b[at]) | (uchar(b[at + 1]) << 8));
}

quint32 U32(const QByteArray& b, qsizetype at)
{
    return quint32(uchar(b[at])) | (quint32(uchar(b[at + 1])) << 8) |
           (quint32(uchar(b[at + 2])) << 16) | (quint32(uchar(b[at + 3])) << 24);
}

struct ParsedBmp
{
    quint32 fileSize = 0;
    quint32 reserved = 0;
    quint32 offBits = 0;
    quint32 headerSize = 0;
    qint32 width = 0;
    qint32 height = 0;
    quint16 planes = 0;
    quint16 bitCount = 0;
    quint32 compression = 0;
    quint32 imageSize = 0;
    qint32 ppmX = 0;
    qint32 ppmY = 0;
    quint32 clrUsed = 0;
    quint32 clrImportant = 0;
    std::array<quint32, 4> masks{}; // red, green, blue, alpha
    quint32 csType = 0;
    bool v4TailIsZero = false; // endpoints and gammas
    qint64 stride = 0;
};

bool ParseBmp(const QByteArray& b, ParsedBmp& p)
{
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M')
        return false;
    p.fileSize = U32(b, 2);
    p.reserved = U32(b, 6);
    p.offBits = U32(b, 10);
    p.headerSize = U32(b, 14);
    p.width = qint32(U32(b, 18));
    p.height = qint32(U32(b, 22));
    p.planes = U16(b, 26);
    p.bitCount = U16(b, 28);
    p.compression = U32(b, 30);
    p.imageSize = U32(b, 34);
    p.ppmX = qint32(U32(b, 38));
    p.ppmY = qint32(U32(b, 42));
    p.clrUsed = U32(b, 46);
    p.clrImportant = U32(b, 50);
    if (p.headerSize == 108) {
        if (b.size() < 122)
            return false;
        for (int i = 0; i < 4; ++i)
            p.masks[size_t(i)] = U32(b, 54 + 4 * i);
        p.csType = U32(b, 70);
        p.v4TailIsZero = true;
        for (int i = 74; i < 122; ++i)
            p.v4TailIsZero = p.v4TailIsZero && b[i] == 0;
    } else if (p.compression == kBiBitfields) {
        if (b.size() < 66)
            return false;
        for (int i = 0; i < 3; ++i)
            p.masks[size_t(i)] = U32(b, 54 + 4 * i);
    }
    p.stride = (qint64(p.width) * p.bitCount + 31) / 32 * 4;
    return p.width > 0 && p.height > 0 && p.offBits + p.stride * p.height <= b.size();
}

// One pixel as the file stores it, in file order B, G, R, fourth: raw
// channel values (5/6-bit fields for 565, bytes, or signed 16-bit words).
std::array<double, 4> FilePixel(const QByteArray& b, const ParsedBmp& p, int x, int y)
{
    const qsizetype row = p.offBits + qsizetype(p.height - 1 - y) * p.stride; // bottom-up
    switch (p.bitCount) {
    case 16: {
        const quint16 v = U16(b, row + 2 * x);
        return {double(v & 31), double((v >> 5) & 63), double(v >> 11), 0};
    }
    case 24: {
        const qsizetype at = row + 3 * x;
        return {double(uchar(b[at])), double(uchar(b[at + 1])), double(uchar(b[at + 2])), 0};
    }
    case 32: {
        const qsizetype at = row + 4 * x;
        return {double(uchar(b[at])), double(uchar(b[at + 1])), double(uchar(b[at + 2])),
                double(uchar(b[at + 3]))};
    }
    default: {
        const qsizetype at = row + 8 * x;
        return {double(qint16(U16(b, at))), double(qint16(U16(b, at + 2))),
                double(qint16(U16(b, at + 4))), double(qint16(U16(b, at + 6)))};
    }
    }
}

bool PaddingIsZero(const QByteArray& b, const ParsedBmp& p)
{
    const qint64 used = qint64(p.width) * p.bitCount / 8;
    for (int y = 0; y < p.height; ++y)
        for (qint64 i = used; i < p.stride; ++i)
            if (b[p.offBits + y * p.stride + i] != 0)
                return false;
    return true;
}

// ---- What the file should hold, computed in double from the input.

double SrgbToLinear(double c)
{
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// The straight colour an input pixel stands for, channels R, G, B, A in
// [0, 1]. Premultiplied inputs are read raw and divided exactly, so the
// expectation does not share Qt's rounding.
std::array<double, 4> StraightOf(const QImage& image, int x, int y)
{
    double r, g, b, a;
    if (image.format() == QImage::Format_ARGB32_Premultiplied) {
        const QRgb p = reinterpret_cast<const QRgb*>(image.constScanLine(y))[x];
        r = qRed(p) / 255.0, g = qGreen(p) / 255.0, b = qBlue(p) / 255.0, a = qAlpha(p) / 255.0;
    } else if (image.format() == QImage::Format_RGBA64_Premultiplied) {
        const QRgba64 p = reinterpret_cast<const QRgba64*>(image.constScanLine(y))[x];
        r = p.red() / 65535.0, g = p.green() / 65535.0, b = p.blue() / 65535.0;
        a = p.alpha() / 65535.0;
    } else {
        const QRgba64 p = image.pixelColor(x, y).rgba64();
        return {p.red() / 65535.0, p.green() / 65535.0, p.blue() / 65535.0, p.alpha() / 65535.0};
    }
    if (a == 0)
        return {0, 0, 0, 0};
    return {std::min(1.0, r / a), std::min(1.0, g / a), std::min(1.0, b / a), a};
}

int Round8(double c)
{
    return int(std::lround(c * 255));
}

// The nearest 5- or 6-bit level of the value itself, whatever its precision.
int Level(double c, int maxLevel)
{
    return int(std::lround(c * maxLevel));
}

// The file's values for an input pixel, in file order, and how far the
// writer may be from them.
struct Expected
{
    std::array<double, 4> units;
    std::array<double, 4> tolerance;
    // For 8-bit readings of narrower fields: the reading shifted right by
    // this much must give the field.
    std::array<int, 4> shift{};
};

Expected ExpectedPixel(const QImage& input, int x, int y, BmpFormat format)
{
    if (format == BmpFormat::Rgb565 && input.format() == QImage::Format_RGB16) {
        const quint16 v = reinterpret_cast<const quint16*>(input.constScanLine(y))[x];
        return {{double(v & 31), double((v >> 5) & 63), double(v >> 11), 0}, {}};
    }
    const auto [r, g, b, a] = StraightOf(input, x, y);
    switch (format) {
    case BmpFormat::Rgb565:
        return {{double(Level(b, 31)), double(Level(g, 63)), double(Level(r, 31)), 0}, {}};
    case BmpFormat::Rgb24:
    case BmpFormat::Rgb32:
        return {{double(Round8(b)), double(Round8(g)), double(Round8(r)), 0}, {}};
    case BmpFormat::Argb32:
        return {{double(Round8(b)), double(Round8(g)), double(Round8(r)), double(Round8(a))}, {}};
    case BmpFormat::Pargb32:
        return {{double(Round8(b * a)), double(Round8(g * a)), double(Round8(r * a)),
                 double(Round8(a))},
                {}};
    // Colours within one unit of the exact value; alpha is a plain scaling
    // and must be the nearest unit.
    case BmpFormat::Argb64:
        return {{SrgbToLinear(b) * 8192, SrgbToLinear(g) * 8192, SrgbToLinear(r) * 8192, a * 8192},
                {1, 1, 1, 0.5}};
    case BmpFormat::Pargb64:
        return {{SrgbToLinear(b) * a * 8192, SrgbToLinear(g) * a * 8192, SrgbToLinear(r) * a * 8192,
                 a * 8192},
                {1, 1, 1, 0.5}};
    }
    return {};
}

// What a reader that turns the file into 8-bit straight RGBA should show,
// and how far it may be off. A premultiplied 32-bit file looks like a
// straight one to every reader: nothing in the header says otherwise.
Expected ExpectedRgba8(const QImage& input, int x, int y, BmpFormat format)
{
    const Expected file = ExpectedPixel(input, x, y, format);
    const auto& u = file.units;
    switch (format) {
    case BmpFormat::Rgb565:
        // Readers widen 5 and 6 bits by scaling, bit replication or a plain
        // shift; each keeps the field in the top bits.
        return {{u[2], u[1], u[0], 255}, {}, {3, 2, 3, 0}};
    case BmpFormat::Rgb24:
    case BmpFormat::Rgb32:
        return {{u[2], u[1], u[0], 255}, {}};
    case BmpFormat::Argb32:
    case BmpFormat::Pargb32:
        return {{u[2], u[1], u[0], u[3]}, {}};
    case BmpFormat::Argb64:
    case BmpFormat::Pargb64: {
        const auto [r, g, b, a] = StraightOf(input, x, y);
        return {{double(Round8(r)), double(Round8(g)), double(Round8(b)), double(Round8(a))},
                {2, 2, 2, 2}};
    }
    }
    return {};
}

// ---- Inputs.

// A colour per pixel: distinct everywhere, different along each axis so
// that flipped or shifted rows show, and stepping through the interesting
// alpha values. Widths up to 64, heights up to 7.
QColor PatternColour(int x, int y, bool withAlpha, bool sixteenBit)
{
    static const int kAlpha8[] = {0, 1, 128, 254, 255, 37, 200};
    static const int kAlpha16[] = {0, 1, 257, 32896, 65278, 65535, 40000};
    const int r = x * 4 + 1;
    const int g = y * 37 + 5;
    const int b = (x * 29 + y * 53 + 11) & 0xFF;
    const int slot = (x + 2 * y) % 7;
    if (!sixteenBit)
        return QColor(r, g, b, withAlpha ? kAlpha8[slot] : 255);
    // Off the 8-bit grid, so that 16-bit precision is exercised.
    const auto wide = [&](int c8) { return std::min(65535, c8 * 257 + (x * 13 + y * 7) % 200); };
    return QColor::fromRgba64(wide(r), wide(g), wide(b), withAlpha ? kAlpha16[slot] : 65535);
}

QImage PatternImage(int width, int height, QImage::Format format, bool withAlpha)
{
    QImage image(width, height, format);
    if (format == QImage::Format_RGB16) {
        // Raw 5-6-5 values: every field varies, and red/green encode x and y.
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<quint16*>(image.scanLine(y));
            for (int x = 0; x < width; ++x) {
                const int r5 = x & 31;
                const int g6 = (x >> 5) * 32 + y * 3 + 1;
                const int b5 = (x * 7 + y * 11 + 3) & 31;
                row[x] = quint16((r5 << 11) | (g6 << 5) | b5);
            }
        }
        return image;
    }
    const bool sixteenBit = image.depth() == 64;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y, PatternColour(x, y, withAlpha, sixteenBit));
    return image;
}

QImage PatternFor(BmpFormat format, int width, int height)
{
    return PatternImage(width, height, WorkingFormatFor(format), HasAlpha(format));
}

QByteArray WriteToBytes(const QImage& image, BmpFormat format, double dpiX = 72, double dpiY = 300,
                        bool* ok = nullptr)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const bool written = WriteBmp(image, format, dpiX, dpiY, buffer);
    if (ok)
        *ok = written;
    return written ? bytes : QByteArray();
}

// Compares every pixel of the file with the input; the first difference
// becomes the message.
QString CompareFilePixels(const QByteArray& file, const ParsedBmp& p, const QImage& input,
                          BmpFormat format)
{
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            const auto got = FilePixel(file, p, x, y);
            const Expected want = ExpectedPixel(input, x, y, format);
            for (size_t c = 0; c < 4; ++c) {
                if (std::abs(got[c] - want.units[c]) > want.tolerance[c]) {
                    return QStringLiteral("pixel (%1,%2) channel %3 (B,G,R,A order): got %4, "
                                          "expected %5 ± %6")
                        .arg(x)
                        .arg(y)
                        .arg(c)
                        .arg(got[c])
                        .arg(want.units[c])
                        .arg(want.tolerance[c]);
                }
            }
        }
    }
    return {};
}

// Compares 8-bit RGBA bytes from another reader with the input.
QString CompareRgba8(const QByteArray& rgba, int width, int height, const QImage& input,
                     BmpFormat format)
{
    if (rgba.size() != qsizetype(width) * height * 4)
        return QStringLiteral("got %1 bytes for %2x%3 pixels")
            .arg(rgba.size())
            .arg(width)
            .arg(height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Expected want = ExpectedRgba8(input, x, y, format);
            const qsizetype at = (qsizetype(y) * width + x) * 4;
            for (size_t c = 0; c < 4; ++c) {
                // Colours of a nearly transparent 64-bit pixel carry too
                // little to compare after a round trip through 8 bits.
                if (c < 3 && IsSixtyFour(format) && want.units[3] < 128)
                    continue;
                const double got = uchar(rgba[at + qsizetype(c)]) >> want.shift[c];
                if (std::abs(got - want.units[c]) > want.tolerance[c]) {
                    return QStringLiteral("pixel (%1,%2) channel %3 (R,G,B,A order): got %4, "
                                          "expected %5 ± %6")
                        .arg(x)
                        .arg(y)
                        .arg(c)
                        .arg(got)
                        .arg(want.units[c])
                        .arg(want.tolerance[c]);
                }
            }
        }
    }
    return {};
}

QByteArray QtRgba8(const QImage& image)
{
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    QByteArray bytes;
    for (int y = 0; y < rgba.height(); ++y)
        bytes.append(reinterpret_cast<const char*>(rgba.constScanLine(y)), rgba.width() * 4);
    return bytes;
}

// ---- Other readers, run as processes.

enum class Peer
{
    Pillow,
    ImageMagick
};

const char* kPillowScript = R"(import sys
from PIL import Image
try:
    im = Image.open(sys.argv[1])
    im.load()
except Exception as e:
    sys.stderr.write('%s: %s' % (type(e).__name__, e))
    sys.exit(3)
sys.stdout.buffer.write(b'%d %d\n' % im.size)
sys.stdout.buffer.write(im.convert('RGBA').tobytes())
)";

// Empty when the tool is there; otherwise why not.
QString PeerMissing(Peer peer)
{
    QProcess process;
    if (peer == Peer::Pillow) {
        if (!QFileInfo(QStringLiteral("/usr/bin/python3")).isExecutable())
            return QStringLiteral("/usr/bin/python3 is not installed");
        process.start(QStringLiteral("/usr/bin/python3"),
                      {QStringLiteral("-c"), QStringLiteral("import PIL")});
    } else {
        const QString convert = QStandardPaths::findExecutable(QStringLiteral("convert"));
        if (convert.isEmpty())
            return QStringLiteral("ImageMagick's convert is not installed");
        process.start(convert, {QStringLiteral("-version")});
    }
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return peer == Peer::Pillow ? QStringLiteral("Pillow is not installed for /usr/bin/python3")
                                    : QStringLiteral("convert -version failed");
    if (peer == Peer::ImageMagick && !process.readAllStandardOutput().contains("ImageMagick"))
        return QStringLiteral("convert on the path is not ImageMagick");
    return {};
}

// The picture as 8-bit RGBA, or false with the reader's message.
bool ReadWithPeer(Peer peer, const QString& path, int width, int height, QByteArray& rgba,
                  QString& message)
{
    QProcess process;
    if (peer == Peer::Pillow) {
        process.start(QStringLiteral("/usr/bin/python3"),
                      {QStringLiteral("-c"), QString::fromLatin1(kPillowScript), path});
    } else {
        process.start(
            QStandardPaths::findExecutable(QStringLiteral("convert")),
            {path, QStringLiteral("-depth"), QStringLiteral("8"), QStringLiteral("rgba:-")});
    }
    if (!process.waitForFinished(60000)) {
        message = QStringLiteral("did not finish");
        return false;
    }
    QByteArray output = process.readAllStandardOutput();
    message = QString::fromUtf8(process.readAllStandardError()).trimmed();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return false;
    if (peer == Peer::Pillow) {
        const qsizetype newline = output.indexOf('\n');
        const QByteArray expectedSize =
            QByteArray::number(width) + ' ' + QByteArray::number(height);
        if (newline < 0 || output.left(newline) != expectedSize) {
            message = QStringLiteral("reported size ") + QString::fromLatin1(output.left(newline));
            return false;
        }
        output.remove(0, newline + 1);
    }
    rgba = output;
    return true;
}

// A device that takes a fixed number of bytes and then fails.
class LimitedDevice : public QIODevice
{
public:
    explicit LimitedDevice(qint64 limit) : m_limit(limit) { open(QIODevice::WriteOnly); }
    qint64 accepted() const { return m_accepted; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 length) override
    {
        const qint64 room = m_limit - m_accepted;
        if (room <= 0)
            return -1;
        const qint64 taken = std::min(room, length);
        m_accepted += taken;
        return taken;
    }

private:
    qint64 m_limit;
    qint64 m_accepted = 0;
};

} // namespace

Q_DECLARE_METATYPE(Peer)

class TestBmpWriter : public QObject
{
    Q_OBJECT

private slots:
    void writesEveryLayout_data();
    void writesEveryLayout();
    void storesResolution_data();
    void storesResolution();
    void peersReadTheFile_data();
    void peersReadTheFile();
    void premultipliesHalfTransparentColours();
    void convertsOtherFormats_data();
    void convertsOtherFormats();
    void spansSeveralChunks_data();
    void spansSeveralChunks();
    void turnsAsItWrites_data();
    void turnsAsItWrites();
    void refusesWhatItCannotWrite();
    void reportsFailedWrites_data();
    void reportsFailedWrites();
    void reportsFullDisk();

private:
    QTemporaryDir m_dir;
};

void TestBmpWriter::writesEveryLayout_data()
{
    QTest::addColumn<BmpFormat>("format");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    for (const LayoutFacts& facts : kLayouts)
        for (int width : {1, 2, 3, 5, 7, 13, 31, 33, 64})
            for (int height : {1, 4})
                QTest::addRow("%s %dx%d", facts.name, width, height)
                    << facts.format << width << height;
}

void TestBmpWriter::writesEveryLayout()
{
    QFETCH(BmpFormat, format);
    QFETCH(int, width);
    QFETCH(int, height);
    const LayoutFacts& facts = FactsFor(format);
    QCOMPARE(WorkingFormatFor(format), facts.working);

    const QImage input = PatternFor(format, width, height);
    bool ok = false;
    const QByteArray file = WriteToBytes(input, format, 72, 300, &ok);
    QVERIFY(ok);

    ParsedBmp p;
    QVERIFY2(ParseBmp(file, p), "not a readable BMP");
    const qint64 stride = (qint64(width) * facts.bitCount + 31) / 32 * 4;
    QCOMPARE(p.fileSize, quint32(file.size()));
    QCOMPARE(p.reserved, 0u);
    QCOMPARE(p.offBits, facts.offBits);
    QCOMPARE(p.headerSize, facts.headerSize);
    QCOMPARE(p.width, width);
    QCOMPARE(p.height, height);
    QCOMPARE(p.planes, quint16(1));
    QCOMPARE(int(p.bitCount), facts.bitCount);
    QCOMPARE(p.compression, facts.compression);
    QCOMPARE(qint64(p.imageSize), stride * height);
    QCOMPARE(qint64(file.size()), facts.offBits + stride * height);
    QCOMPARE(p.ppmX, 2835);
    QCOMPARE(p.ppmY, 11811);
    QCOMPARE(p.clrUsed, 0u);
    QCOMPARE(p.clrImportant, 0u);
    if (format == BmpFormat::Rgb565) {
        QCOMPARE(p.masks[0], 0xF800u);
        QCOMPARE(p.masks[1], 0x07E0u);
        QCOMPARE(p.masks[2], 0x001Fu);
    } else if (facts.headerSize == 108) {
        QCOMPARE(p.masks[0], 0x00FF0000u);
        QCOMPARE(p.masks[1], 0x0000FF00u);
        QCOMPARE(p.masks[2], 0x000000FFu);
        QCOMPARE(p.masks[3], 0xFF000000u);
        QCOMPARE(p.csType, 0x73524742u); // 'sRGB'
        QVERIFY(p.v4TailIsZero);
    }

    QVERIFY(PaddingIsZero(file, p));
    const QString difference = CompareFilePixels(file, p, input, format);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));

    // Qt's own decoder, for the layouts it reads.
    const QImage decoded = QImage::fromData(file, "BMP");
    if (IsSixtyFour(format)) {
        QVERIFY2(decoded.isNull(), "Qt reads 64-bit BMP now: compare its pixels here");
        return;
    }
    QVERIFY(!decoded.isNull());
    QCOMPARE(decoded.size(), input.size());
    QCOMPARE(decoded.hasAlphaChannel(), HasAlpha(format));
    const QString qtDifference = CompareRgba8(QtRgba8(decoded), width, height, input, format);
    QVERIFY2(qtDifference.isEmpty(), qPrintable(qtDifference));
}

void TestBmpWriter::storesResolution_data()
{
    QTest::addColumn<double>("dpi");
    QTest::addColumn<qint32>("ppm");
    QTest::newRow("72") << 72.0 << 2835;
    QTest::newRow("96") << 96.0 << 3780;
    QTest::newRow("300") << 300.0 << 11811;
    QTest::newRow("fraction") << 150.5 << 5925;
    QTest::newRow("half a pixel per metre rounds up") << 0.0127 << 1;
    QTest::newRow("zero") << 0.0 << 0;
    QTest::newRow("negative") << -72.0 << 0;
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 0;
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity()
                              << std::numeric_limits<qint32>::max();
    QTest::newRow("too large") << 1e12 << std::numeric_limits<qint32>::max();
}

void TestBmpWriter::storesResolution()
{
    QFETCH(double, dpi);
    QFETCH(qint32, ppm);
    const QImage input = PatternFor(BmpFormat::Rgb24, 3, 2);
    // Each axis on its own, so that swapped fields show.
    ParsedBmp p;
    QVERIFY(ParseBmp(WriteToBytes(input, BmpFormat::Rgb24, dpi, 72), p));
    QCOMPARE(p.ppmX, ppm);
    QCOMPARE(p.ppmY, 2835);
    QVERIFY(ParseBmp(WriteToBytes(input, BmpFormat::Rgb24, 72, dpi), p));
    QCOMPARE(p.ppmX, 2835);
    QCOMPARE(p.ppmY, ppm);
    QCOMPARE(BmpPixelsPerMetre(dpi), ppm);
}

void TestBmpWriter::peersReadTheFile_data()
{
    QTest::addColumn<Peer>("peer");
    QTest::addColumn<BmpFormat>("format");
    QTest::addColumn<int>("width");
    for (Peer peer : {Peer::Pillow, Peer::ImageMagick})
        for (const LayoutFacts& facts : kLayouts)
            for (int width : {3, 33})
                QTest::addRow("%s %s width %d", peer == Peer::Pillow ? "Pillow" : "ImageMagick",
                              facts.name, width)
                    << peer << facts.format << width;
}

void TestBmpWriter::peersReadTheFile()
{
    QFETCH(Peer, peer);
    QFETCH(BmpFormat, format);
    QFETCH(int, width);
    const QString missing = PeerMissing(peer);
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing));

    constexpr int height = 5;
    const QImage input = PatternFor(format, width, height);
    const QString path =
        m_dir.filePath(QStringLiteral("peer-%1-%2.bmp").arg(FactsFor(format).name).arg(width));
    QSaveFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(WriteBmp(input, format, 96, 96, file));
    QVERIFY(file.commit());

    QByteArray rgba;
    QString message;
    const bool read = ReadWithPeer(peer, path, width, height, rgba, message);
    if (!read && IsSixtyFour(format))
        QSKIP(qPrintable(QStringLiteral("the reader does not take 64-bit BMP files: ") + message));
    QVERIFY2(read, qPrintable(message));
    const QString difference = CompareRgba8(rgba, width, height, input, format);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestBmpWriter::premultipliesHalfTransparentColours()
{
    // From a straight image (converted on the way) and from the working
    // format itself (read in place).
    QImage straight(2, 1, QImage::Format_ARGB32);
    straight.setPixelColor(0, 0, QColor(255, 0, 0, 128));
    straight.setPixelColor(1, 0, QColor(128, 128, 128, 128));

    for (const QImage& input :
         {straight, straight.convertToFormat(QImage::Format_ARGB32_Premultiplied)}) {
        ParsedBmp p;
        const QByteArray file = WriteToBytes(input, BmpFormat::Pargb32);
        QVERIFY(ParseBmp(file, p));
        // B, G, R, A
        QCOMPARE(FilePixel(file, p, 0, 0), (std::array<double, 4>{0, 0, 128, 128}));
        QCOMPARE(FilePixel(file, p, 1, 0), (std::array<double, 4>{64, 64, 64, 128}));
    }

    // 64 bits: linear colour times alpha. Red is 1.0 linear, so 8192 ·
    // 128/255 = 4112; mid grey is 0.2158 linear, so 887 rather than the 420
    // that premultiplying before linearising would give.
    for (const QImage& input : {straight, straight.convertToFormat(QImage::Format_RGBA64),
                                straight.convertToFormat(QImage::Format_RGBA64_Premultiplied)}) {
        ParsedBmp p;
        const QByteArray file = WriteToBytes(input, BmpFormat::Pargb64);
        QVERIFY(ParseBmp(file, p));
        QCOMPARE(FilePixel(file, p, 0, 0), (std::array<double, 4>{0, 0, 4112, 4112}));
        const auto grey = FilePixel(file, p, 1, 0);
        const double greyWanted = SrgbToLinear(128 / 255.0) * 128 / 255.0 * 8192;
        QVERIFY2(std::abs(grey[0] - greyWanted) <= 1 && grey[0] == grey[1] && grey[1] == grey[2],
                 qPrintable(QStringLiteral("grey %1, wanted %2").arg(grey[0]).arg(greyWanted)));
        QCOMPARE(grey[3], 4112.0);
    }

    // Fully transparent is all zeros in the premultiplied layouts, whatever
    // colour the straight image kept.
    QImage clear(1, 1, QImage::Format_RGBA64);
    clear.setPixelColor(0, 0, QColor(200, 100, 50, 0));
    for (const QImage& input : {clear, clear.convertToFormat(QImage::Format_RGBA64_Premultiplied),
                                clear.convertToFormat(QImage::Format_ARGB32)}) {
        for (BmpFormat format : {BmpFormat::Pargb32, BmpFormat::Pargb64}) {
            ParsedBmp p;
            const QByteArray file = WriteToBytes(input, format);
            QVERIFY(ParseBmp(file, p));
            QCOMPARE(FilePixel(file, p, 0, 0), (std::array<double, 4>{0, 0, 0, 0}));
        }
    }
}

void TestBmpWriter::convertsOtherFormats_data()
{
    QTest::addColumn<QImage>("input");
    QTest::addColumn<BmpFormat>("format");

    const auto pattern = [](QImage::Format format, bool alpha) {
        return PatternImage(13, 5, format, alpha);
    };
    QImage indexed(13, 5, QImage::Format_Indexed8);
    indexed.setColorTable({qRgba(255, 0, 0, 255), qRgba(0, 128, 255, 128), qRgba(9, 8, 7, 0),
                           qRgba(250, 251, 252, 1), qRgba(17, 200, 33, 254)});
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 13; ++x)
            indexed.setPixel(x, y, uint((x * 3 + y) % 5));
    QImage gray(13, 5, QImage::Format_Grayscale8);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 13; ++x)
            gray.setPixel(x, y, qRgb(x * 19 + y, x * 19 + y, x * 19 + y));
    QImage mono(13, 5, QImage::Format_Mono);
    mono.setColorTable({qRgb(10, 20, 30), qRgb(240, 230, 220)});
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 13; ++x)
            mono.setPixel(x, y, uint((x + y * y) % 3 == 0));

    QTest::newRow("RGB888 to Rgb24") << pattern(QImage::Format_RGB888, false) << BmpFormat::Rgb24;
    QTest::newRow("RGB32 to Rgb24") << pattern(QImage::Format_RGB32, false) << BmpFormat::Rgb24;
    QTest::newRow("ARGB32 to Rgb24 drops alpha")
        << pattern(QImage::Format_ARGB32, true) << BmpFormat::Rgb24;
    QTest::newRow("Mono to Rgb24") << mono << BmpFormat::Rgb24;
    QTest::newRow("Grayscale8 to Rgb24") << gray << BmpFormat::Rgb24;
    QTest::newRow("RGB888 to Rgb565 rounds")
        << pattern(QImage::Format_RGB888, false) << BmpFormat::Rgb565;
    QTest::newRow("RGBX64 to Rgb565 rounds")
        << pattern(QImage::Format_RGBX64, false) << BmpFormat::Rgb565;
    QTest::newRow("BGR888 to Rgb32") << pattern(QImage::Format_BGR888, false) << BmpFormat::Rgb32;
    QTest::newRow("Indexed8 to Rgb32") << indexed << BmpFormat::Rgb32;
    QTest::newRow("Indexed8 to Argb32") << indexed << BmpFormat::Argb32;
    QTest::newRow("Grayscale8 to Argb32") << gray << BmpFormat::Argb32;
    QTest::newRow("RGBA64 to Argb32") << pattern(QImage::Format_RGBA64, true) << BmpFormat::Argb32;
    QTest::newRow("ARGB32 premultiplied to Argb32")
        << pattern(QImage::Format_ARGB32_Premultiplied, true) << BmpFormat::Argb32;
    QTest::newRow("RGBA8888 to Pargb32")
        << pattern(QImage::Format_RGBA8888, true) << BmpFormat::Pargb32;
    QTest::newRow("ARGB32 to Pargb32")
        << pattern(QImage::Format_ARGB32, true) << BmpFormat::Pargb32;
    QTest::newRow("Indexed8 to Pargb32") << indexed << BmpFormat::Pargb32;
    QTest::newRow("RGBA64 to Pargb32")
        << pattern(QImage::Format_RGBA64, true) << BmpFormat::Pargb32;
    QTest::newRow("RGBA64 premultiplied to Argb32")
        << pattern(QImage::Format_RGBA64_Premultiplied, true) << BmpFormat::Argb32;
    QTest::newRow("RGBA64 to Rgb565 rounds from 16 bits")
        << pattern(QImage::Format_RGBA64, false) << BmpFormat::Rgb565;
    QTest::newRow("ARGB32 to Argb64") << pattern(QImage::Format_ARGB32, true) << BmpFormat::Argb64;
    QTest::newRow("RGBA64 premultiplied to Argb64")
        << pattern(QImage::Format_RGBA64_Premultiplied, true) << BmpFormat::Argb64;
    QTest::newRow("Grayscale16 to Argb64")
        << pattern(QImage::Format_Grayscale16, false) << BmpFormat::Argb64;
    QTest::newRow("RGB32 to Argb64") << pattern(QImage::Format_RGB32, false) << BmpFormat::Argb64;
    QTest::newRow("ARGB32 to Pargb64")
        << pattern(QImage::Format_ARGB32, true) << BmpFormat::Pargb64;
    QTest::newRow("ARGB32 premultiplied to Pargb64")
        << pattern(QImage::Format_ARGB32_Premultiplied, true) << BmpFormat::Pargb64;
    QTest::newRow("RGBA64 to Pargb64")
        << pattern(QImage::Format_RGBA64, true) << BmpFormat::Pargb64;
    QTest::newRow("Indexed8 to Pargb64") << indexed << BmpFormat::Pargb64;
}

void TestBmpWriter::convertsOtherFormats()
{
    QFETCH(QImage, input);
    QFETCH(BmpFormat, format);
    QVERIFY(input.format() != WorkingFormatFor(format));

    const QByteArray file = WriteToBytes(input, format);
    ParsedBmp p;
    QVERIFY(ParseBmp(file, p));
    QCOMPARE(p.width, input.width());
    QCOMPARE(p.height, input.height());
    QCOMPARE(int(p.bitCount), FactsFor(format).bitCount);
    QVERIFY(PaddingIsZero(file, p));
    const QString difference = CompareFilePixels(file, p, input, format);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestBmpWriter::spansSeveralChunks_data()
{
    QTest::addColumn<BmpFormat>("format");
    QTest::addColumn<QImage::Format>("inputFormat");
    // Rows go out about a mebibyte at a time: these sizes take two to five
    // chunks, the last one short.
    for (const LayoutFacts& facts : kLayouts) {
        QTest::addRow("%s in place", facts.name) << facts.format << facts.working;
        QTest::addRow("%s converted", facts.name)
            << facts.format
            << (HasAlpha(facts.format) ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    }
}

void TestBmpWriter::spansSeveralChunks()
{
    QFETCH(BmpFormat, format);
    QFETCH(QImage::Format, inputFormat);
    constexpr int width = 509;
    constexpr int height = 1201;
    QImage input(width, height, inputFormat);
    if (inputFormat == QImage::Format_RGB16) {
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<quint16*>(input.scanLine(y));
            for (int x = 0; x < width; ++x)
                row[x] = quint16(x * 131 + y * 17);
        }
    } else {
        const bool wide = input.depth() == 64;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                input.setPixelColor(x, y, PatternColour(x % 61, y % 7, HasAlpha(format), wide));
        // Mark every row so that a row from the wrong place shows.
        for (int y = 0; y < height; ++y)
            input.setPixelColor(y % width, y, QColor(255, y % 256, y / 256, 255));
    }

    const QString path = m_dir.filePath(QStringLiteral("chunks.bmp"));
    QSaveFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    QVERIFY(WriteBmp(input, format, 72, 72, out));
    QVERIFY(out.commit());

    const QByteArray file = ReadTestFile(path);
    ParsedBmp p;
    QVERIFY(ParseBmp(file, p));
    QCOMPARE(p.fileSize, quint32(file.size()));
    // More rows than one mebibyte holds, or this tests nothing new.
    QVERIFY(height > (1 << 20) / p.stride);
    QVERIFY(PaddingIsZero(file, p));
    const QString difference = CompareFilePixels(file, p, input, format);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestBmpWriter::turnsAsItWrites_data()
{
    QTest::addColumn<BmpFormat>("format");
    QTest::addColumn<QImage::Format>("inputFormat");
    for (const LayoutFacts& facts : kLayouts) {
        if (QImage::toPixelFormat(facts.working).bitsPerPixel() % 16 == 0)
            QTest::addRow("%s in place", facts.name) << facts.format << facts.working;
        QTest::addRow("%s from RGB32", facts.name) << facts.format << QImage::Format_RGB32;
        QTest::addRow("%s from premultiplied 64-bit", facts.name)
            << facts.format << QImage::Format_RGBA64_Premultiplied;
    }
}

// Written with a rotate-flip, a file is exactly the file of the image turned
// beforehand, for every code, across several chunks of rows.
void TestBmpWriter::turnsAsItWrites()
{
    QFETCH(BmpFormat, format);
    QFETCH(QImage::Format, inputFormat);
    constexpr int width = 509;
    constexpr int height = 1201;
    QImage input(width, height, inputFormat);
    QRandomGenerator random(quint32(inputFormat) * 7 + quint32(format));
    for (int y = 0; y < height; ++y) {
        uchar* row = input.scanLine(y);
        for (qsizetype i = 0; i < input.bytesPerLine(); ++i)
            row[i] = uchar(random.bounded(256));
    }
    // Premultiplied pixels keep their colours at or below alpha.
    input = input
                .convertToFormat(inputFormat == QImage::Format_RGBA64_Premultiplied
                                     ? QImage::Format_RGBA64
                                     : inputFormat)
                .convertToFormat(inputFormat);
    for (int code = 1; code < 8; ++code) {
        QImage turned = input;
        QVERIFY(RotateFlipImage(turned, code));
        QByteArray expected;
        QBuffer expectedBuffer(&expected);
        QVERIFY(expectedBuffer.open(QIODevice::WriteOnly));
        QVERIFY(WriteBmp(turned, format, 72, 96, expectedBuffer));
        QByteArray written;
        QBuffer writtenBuffer(&written);
        QVERIFY(writtenBuffer.open(QIODevice::WriteOnly));
        QVERIFY(WriteBmp(input, format, 72, 96, writtenBuffer, code));
        QVERIFY2(written == expected, qPrintable(QStringLiteral("code %1").arg(code)));
    }
    // Formats it cannot turn a band at a time are refused, not garbled.
    QByteArray refused;
    QBuffer refusedBuffer(&refused);
    QVERIFY(refusedBuffer.open(QIODevice::WriteOnly));
    QVERIFY(
        !WriteBmp(input.convertToFormat(QImage::Format_RGB888), format, 72, 72, refusedBuffer, 1));
}

void TestBmpWriter::refusesWhatItCannotWrite()
{
    const QImage image = PatternFor(BmpFormat::Rgb24, 4, 4);
    for (const LayoutFacts& facts : kLayouts) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        QVERIFY(!WriteBmp(QImage(), facts.format, 72, 72, buffer));
        QVERIFY(bytes.isEmpty());
    }

    QByteArray bytes("untouched");
    QBuffer readOnly(&bytes);
    QVERIFY(readOnly.open(QIODevice::ReadOnly));
    QVERIFY(!WriteBmp(image, BmpFormat::Rgb24, 72, 72, readOnly));
    QCOMPARE(bytes, QByteArray("untouched"));

    QBuffer closed;
    QVERIFY(!WriteBmp(image, BmpFormat::Rgb24, 72, 72, closed));

    QBuffer open;
    QVERIFY(open.open(QIODevice::WriteOnly));
    QVERIFY(!WriteBmp(image, BmpFormat(7), 72, 72, open));
    QVERIFY(open.data().isEmpty());
}

void TestBmpWriter::reportsFailedWrites_data()
{
    QTest::addColumn<BmpFormat>("format");
    QTest::addColumn<qint64>("limit");
    // 700x800 at 24 bits is 1.68 MB: two chunks of rows after the header.
    QTest::newRow("nothing accepted") << BmpFormat::Rgb24 << qint64(0);
    QTest::newRow("inside the file header") << BmpFormat::Rgb24 << qint64(10);
    QTest::newRow("inside the V4 header") << BmpFormat::Argb32 << qint64(100);
    QTest::newRow("first chunk of rows") << BmpFormat::Rgb24 << qint64(54 + 1000);
    QTest::newRow("second chunk of rows") << BmpFormat::Rgb24 << qint64(54 + 1200000);
    QTest::newRow("one byte short") << BmpFormat::Argb64 << qint64(54 + 700 * 8 * 800 - 1);
}

void TestBmpWriter::reportsFailedWrites()
{
    QFETCH(BmpFormat, format);
    QFETCH(qint64, limit);
    QImage image(700, 800, WorkingFormatFor(format));
    image.fill(Qt::darkCyan);

    LimitedDevice device(limit);
    QVERIFY(!WriteBmp(image, format, 72, 72, device));
    QVERIFY(device.accepted() <= limit);

    // With room enough the same device type takes the whole file.
    LimitedDevice roomy(qint64(1) << 30);
    QVERIFY(WriteBmp(image, format, 72, 72, roomy));
    const qint64 stride = (700 * qint64(FactsFor(format).bitCount) + 31) / 32 * 4;
    QCOMPARE(roomy.accepted(), FactsFor(format).offBits + stride * 800);
}

void TestBmpWriter::reportsFullDisk()
{
    if (!QFileInfo::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full on this system");
    // Small enough to sit in QFile's buffer until the end, and large enough
    // to go straight to the system.
    for (const QSize& size : {QSize(3, 2), QSize(1000, 1000)}) {
        QImage image(size, QImage::Format_BGR888);
        image.fill(Qt::yellow);
        QFile full(QStringLiteral("/dev/full"));
        QVERIFY(full.open(QIODevice::WriteOnly));
        QVERIFY(!WriteBmp(image, BmpFormat::Rgb24, 72, 72, full));
    }
}

QTEST_MAIN(TestBmpWriter)
#include "test_bmp_writer.moc"
