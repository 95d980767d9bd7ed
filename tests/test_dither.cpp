// Dithering in rastelle-convert: the option, the files it gives, and how
// close the results come to the picture when seen from a little away.
#include "convert/CommandLine.h"
#include "dib/BmpInspect.h"
#include "dib/DeviceObjects.h"
#include "dib/DibFile.h"
#include "dib/NearestColor.h"
#include "language/CLanguage.h"
#include "support/CommandLineRun.h"
#include "support/TestFiles.h"

#include <QTest>
#include <QTextStream>
#include <QtEndian>

#include <cmath>
#include <vector>

namespace {

using Run = CommandLineRun;

// The stored value (palette index or 16-bit word) of every pixel of an
// uncompressed 1-, 4-, 8- or 16-bit file, top row first.
struct StoredPixels
{
    int width = 0;
    int height = 0;
    int bits = 0;
    std::vector<unsigned> values;
    std::vector<QRgb> table;

    unsigned At(int x, int y) const { return values[std::size_t(y) * std::size_t(width) + x]; }
    QRgb Color(int x, int y) const
    {
        const unsigned v = At(x, y);
        if (bits != 16)
            return table.at(v);
        return qRgb(int((v >> 11) * 255 + 15) / 31, int(((v >> 5) & 63) * 255 + 31) / 63,
                    int((v & 31) * 255 + 15) / 31);
    }
};

StoredPixels ReadStored(const QString& path)
{
    StoredPixels result;
    const QByteArray bytes = ReadTestFile(path);
    if (bytes.size() < 54)
        return result;
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const quint32 offset = qFromLittleEndian<quint32>(p + 10);
    result.width = qFromLittleEndian<qint32>(p + 18);
    result.height = qFromLittleEndian<qint32>(p + 22);
    result.bits = qFromLittleEndian<quint16>(p + 28);
    const int stride = (result.width * result.bits + 31) / 32 * 4;
    if (offset + qint64(stride) * result.height > bytes.size())
        return StoredPixels();
    if (result.bits <= 8)
        for (int i = 0; i < (1 << result.bits); ++i)
            result.table.push_back(qRgb(p[54 + 4 * i + 2], p[54 + 4 * i + 1], p[54 + 4 * i]));
    for (int y = 0; y < result.height; ++y) {
        const uchar* row = p + offset + std::size_t(result.height - 1 - y) * stride;
        for (int x = 0; x < result.width; ++x) {
            unsigned v = 0;
            switch (result.bits) {
            case 1:
                v = (row[x / 8] >> (7 - x % 8)) & 1;
                break;
            case 4:
                v = (row[x / 2] >> (x % 2 ? 0 : 4)) & 15;
                break;
            case 8:
                v = row[x];
                break;
            default:
                v = qFromLittleEndian<quint16>(row + 2 * x);
                break;
            }
            result.values.push_back(v);
        }
    }
    return result;
}

// One channel of a picture as numbers, for blurring.
using Plane = std::vector<double>;

// A Gaussian blur with sigma 2 px, the edges extended.
Plane Blur(const Plane& in, int width, int height)
{
    constexpr double kSigma = 2.0;
    constexpr int kRadius = 6;
    double kernel[2 * kRadius + 1];
    double sum = 0;
    for (int i = -kRadius; i <= kRadius; ++i)
        sum += kernel[i + kRadius] = std::exp(-i * i / (2 * kSigma * kSigma));
    for (double& k : kernel)
        k /= sum;
    Plane across(in.size()), out(in.size());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            double v = 0;
            for (int i = -kRadius; i <= kRadius; ++i)
                v += kernel[i + kRadius] * in[y * width + std::clamp(x + i, 0, width - 1)];
            across[y * width + x] = v;
        }
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            double v = 0;
            for (int i = -kRadius; i <= kRadius; ++i)
                v += kernel[i + kRadius] * across[std::clamp(y + i, 0, height - 1) * width + x];
            out[y * width + x] = v;
        }
    return out;
}

// Mean absolute difference (0-255) between the blurred result and the
// blurred picture, over the channels; in brightness for grey pictures.
double BlurredError(const StoredPixels& result, const QImage& picture, bool grey)
{
    const int w = picture.width(), h = picture.height();
    if (result.width != w || result.height != h)
        return 1e9;
    const int channels = grey ? 1 : 3;
    double total = 0;
    for (int c = 0; c < channels; ++c) {
        Plane mine(std::size_t(w) * h), theirs(std::size_t(w) * h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const QRgb a = result.Color(x, y);
                const QRgb b = picture.pixel(x, y);
                const auto channel = [&](QRgb p) {
                    return grey     ? 0.299 * qRed(p) + 0.587 * qGreen(p) + 0.114 * qBlue(p)
                           : c == 0 ? qRed(p)
                           : c == 1 ? qGreen(p)
                                    : qBlue(p);
                };
                mine[y * w + x] = channel(a);
                theirs[y * w + x] = channel(b);
            }
        const Plane blurredMine = Blur(mine, w, h), blurredTheirs = Blur(theirs, w, h);
        for (std::size_t i = 0; i < blurredMine.size(); ++i)
            total += std::abs(blurredMine[i] - blurredTheirs[i]);
    }
    return total / (double(channels) * w * h);
}

QString FieldOf(const BmpInspection& inspection, const std::string& name)
{
    for (const auto& [field, value] : inspection.fields)
        if (field == name)
            return QString::fromStdString(value);
    return QString();
}

} // namespace

class TestDither : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void parsesTheOption();
    void refusesWhatItCannotDo_data();
    void refusesWhatItCannotDo();
    void noneIsTheUnditheredOutput_data();
    void noneIsTheUnditheredOutput();
    void ditheringKeepsTheTones_data();
    void ditheringKeepsTheTones();
    void halfGreyIsHalfBlack();
    void floydSteinbergKeepsTheMean_data();
    void floydSteinbergKeepsTheMean();
    void wideChannelsDitherTo565();
    void filesHaveTheirLayout();

private:
    QString Convert(const QString& input, const QString& name, const QStringList& options);

    QTemporaryDir m_dir;
    QImage m_greyRamp;
    QImage m_colorRamp;
    QImage m_shallowRamp; // dark greys, 0 to 31: wide bands at 5-6-5
    QString m_greyRampPath;
    QString m_colorRampPath;
    QString m_shallowRampPath;
};

void TestDither::initTestCase()
{
    theLanguage.Initialize("/nonexistent", "english");
    // Smooth ramps: each step far finer than any palette's.
    m_greyRamp = QImage(256, 40, QImage::Format_RGB32);
    for (int y = 0; y < m_greyRamp.height(); ++y)
        for (int x = 0; x < m_greyRamp.width(); ++x)
            m_greyRamp.setPixel(x, y, qRgb(x, x, x));
    m_colorRamp = QImage(256, 64, QImage::Format_RGB32);
    for (int y = 0; y < m_colorRamp.height(); ++y)
        for (int x = 0; x < m_colorRamp.width(); ++x)
            m_colorRamp.setPixel(x, y, qRgb(x, 255 - x, 40 + 2 * y));
    m_shallowRamp = QImage(256, 40, QImage::Format_RGB32);
    for (int y = 0; y < m_shallowRamp.height(); ++y)
        for (int x = 0; x < m_shallowRamp.width(); ++x)
            m_shallowRamp.setPixel(x, y, qRgb(x / 8, x / 8, x / 8));
    m_shallowRampPath = m_dir.filePath("shallow.png");
    QVERIFY(m_shallowRamp.save(m_shallowRampPath));
    m_greyRampPath = m_dir.filePath("grey.png");
    m_colorRampPath = m_dir.filePath("color.png");
    QVERIFY(m_greyRamp.save(m_greyRampPath));
    QVERIFY(m_colorRamp.save(m_colorRampPath));
}

QString TestDither::Convert(const QString& input, const QString& name, const QStringList& options)
{
    const QString out = m_dir.filePath(name);
    QFile::remove(out);
    const Run run = RunInProcess(QStringList{input, out} + options);
    if (run.code != 0) {
        qWarning("%s", qPrintable(run.err));
        return QString();
    }
    return out;
}

void TestDither::parsesTheOption()
{
    const auto method = [](const QStringList& extra) {
        const CommandLineParse parse = ParseCommandLine(QStringList{"a", "b"} + extra);
        return parse.ok ? parse.options.dither : DitherMethod(-1);
    };
    QCOMPARE(method({"--format", "8"}), DitherMethod::None);
    QCOMPARE(method({"--format", "8", "--dither", "none"}), DitherMethod::None);
    QCOMPARE(method({"--dither", "floyd-steinberg", "--format", "1"}),
             DitherMethod::FloydSteinberg);
    QCOMPARE(method({"--format", "16", "--dither", "ordered"}), DitherMethod::Ordered);
    QCOMPARE(method({"--format", "4", "--dither", "ordered"}), DitherMethod::Ordered);
    // Nothing to dither, nothing to refuse.
    QCOMPARE(method({"--format", "24", "--dither", "none"}), DitherMethod::None);
    QVERIFY(RunInProcess({"--help"}).out.contains("--dither"));
}

void TestDither::refusesWhatItCannotDo_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown method") << QStringList{"a", "b", "--format", "8", "--dither", "fs"}
                                    << "--dither takes none, floyd-steinberg or ordered";
    QTest::newRow("no value") << QStringList{"a", "b", "--dither"} << "--dither needs a value";
    QTest::newRow("letter case") << QStringList{"a", "b", "--dither", "Ordered"}
                                 << "--dither takes none, floyd-steinberg or ordered";
    for (const char* format : {"24", "32", "32a", "32p", "64a", "64p"})
        QTest::newRow(format) << QStringList{"a", "b", "--format", format, "--dither", "ordered"}
                              << "--dither applies to the 1-, 4-, 8- and 16-bit formats";
    QTest::newRow("default format") << QStringList{"a", "b", "--dither", "floyd-steinberg"}
                                    << "--dither applies to the 1-, 4-, 8- and 16-bit formats";
}

void TestDither::refusesWhatItCannotDo()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const Run run = RunInProcess(arguments);
    QCOMPARE(run.code, int(kExitUsage));
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(!QFile::exists("b"));
}

void TestDither::noneIsTheUnditheredOutput_data()
{
    QTest::addColumn<QString>("format");
    for (const char* format : {"1", "4", "8", "16"})
        QTest::newRow(format) << format;
}

void TestDither::noneIsTheUnditheredOutput()
{
    // Without dithering every pixel gets the colour nearest to its own: the
    // 24-bit output's colour reduced as the capture and the writer reduce it.
    QFETCH(QString, format);
    const QString plain =
        Convert(m_colorRampPath, "plain_" + format + ".bmp", {"--format", format});
    const QString none = Convert(m_colorRampPath, "none_" + format + ".bmp",
                                 {"--format", format, "--dither", "none"});
    const QString full = Convert(m_colorRampPath, "full_" + format + ".bmp", {"--format", "24"});
    QVERIFY(!plain.isEmpty() && !none.isEmpty() && !full.isEmpty());
    QCOMPARE(ReadTestFile(none), ReadTestFile(plain));

    const QImage truth(full);
    const StoredPixels stored = ReadStored(none);
    QCOMPARE(QSize(stored.width, stored.height), truth.size());
    const auto& palette = format == "4" ? VgaPalette().Entries() : FixedPalette().Entries();
    NearestColor nearest(palette.data(), palette.size());
    for (int y = 0; y < truth.height(); ++y)
        for (int x = 0; x < truth.width(); ++x) {
            const QRgb p = truth.pixel(x, y);
            unsigned expected = 0;
            if (format == "1")
                expected = 299 * qRed(p) + 587 * qGreen(p) + 114 * qBlue(p) >= 128000 ? 1 : 0;
            else if (format == "16")
                expected = unsigned((qRed(p) * 31 + 127) / 255) << 11 |
                           unsigned((qGreen(p) * 63 + 127) / 255) << 5 |
                           unsigned((qBlue(p) * 31 + 127) / 255);
            else
                expected = nearest.Map(p & 0xFFFFFF);
            if (stored.At(x, y) != expected)
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2: %3, not %4")
                                     .arg(x)
                                     .arg(y)
                                     .arg(stored.At(x, y))
                                     .arg(expected)));
        }
}

void TestDither::ditheringKeepsTheTones_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("picture");
    // What Floyd-Steinberg and ordered must each beat and no dithering must
    // not; measured none / floyd-steinberg / ordered in the comments. The
    // 16 VGA colours are too uneven for a fixed pattern to do well in colour.
    QTest::addColumn<double>("fsBound");
    QTest::addColumn<double>("orderedBound");
    // none / floyd-steinberg / ordered: 62.0 / 2.3 / 4.2
    QTest::newRow("1 bit") << QStringLiteral("1") << QStringLiteral("grey") << 20.0 << 20.0;
    // 22.3 / 0.9 / 4.8
    QTest::newRow("4 bits grey") << QStringLiteral("4") << QStringLiteral("grey") << 10.0 << 10.0;
    // 36.3 / 2.6 / 20.7
    QTest::newRow("4 bits colour")
        << QStringLiteral("4") << QStringLiteral("colour") << 10.0 << 28.0;
    // 9.4 / 1.8 / 2.1
    QTest::newRow("8 bits") << QStringLiteral("8") << QStringLiteral("colour") << 4.0 << 4.0;
    // 1.6 / 0.2 / 0.3
    QTest::newRow("16 bits") << QStringLiteral("16") << QStringLiteral("shallow") << 0.8 << 0.8;
}

void TestDither::ditheringKeepsTheTones()
{
    QFETCH(QString, format);
    QFETCH(QString, picture);
    QFETCH(double, fsBound);
    QFETCH(double, orderedBound);
    const bool grey = picture != "colour";
    const QString input = picture == "grey"     ? m_greyRampPath
                          : picture == "colour" ? m_colorRampPath
                                                : m_shallowRampPath;
    const QImage& source = picture == "grey"     ? m_greyRamp
                           : picture == "colour" ? m_colorRamp
                                                 : m_shallowRamp;
    double errors[3] = {};
    const char* methods[3] = {"none", "floyd-steinberg", "ordered"};
    for (int m = 0; m < 3; ++m) {
        const QString out =
            Convert(input, QStringLiteral("tones_%1_%2_%3.bmp").arg(format, picture, methods[m]),
                    {"--format", format, "--dither", methods[m]});
        QVERIFY(!out.isEmpty());
        errors[m] = BlurredError(ReadStored(out), source, grey && format != "16");
    }
    const QString measured = QStringLiteral("none %1, floyd-steinberg %2, ordered %3")
                                 .arg(errors[0], 0, 'f', 2)
                                 .arg(errors[1], 0, 'f', 2)
                                 .arg(errors[2], 0, 'f', 2);
    qInfo("%s", qPrintable(measured));
    QVERIFY2(errors[0] > std::max(fsBound, orderedBound), qPrintable(measured));
    QVERIFY2(errors[1] < fsBound, qPrintable(measured));
    QVERIFY2(errors[2] < orderedBound, qPrintable(measured));
}

void TestDither::halfGreyIsHalfBlack()
{
    QImage grey(200, 100, QImage::Format_RGB32);
    grey.fill(qRgb(128, 128, 128));
    const QString input = m_dir.filePath("half.png");
    QVERIFY(grey.save(input));
    for (const char* method : {"floyd-steinberg", "ordered"}) {
        const StoredPixels stored =
            ReadStored(Convert(input, QStringLiteral("half_%1.bmp").arg(method),
                               {"--format", "1", "--dither", method}));
        QCOMPARE(stored.width, 200);
        int black = 0;
        for (unsigned v : stored.values)
            black += stored.table.at(v) == qRgb(0, 0, 0) ? 1 : 0;
        const double share = black / double(stored.values.size());
        QVERIFY2(share > 0.47 && share < 0.53, qPrintable(QString::number(share)));
    }
    // Without dithering the same grey is all white.
    const StoredPixels plain = ReadStored(Convert(input, "half_none.bmp", {"--format", "1"}));
    for (unsigned v : plain.values)
        QCOMPARE(plain.table.at(v), qRgb(255, 255, 255));
}

void TestDither::floydSteinbergKeepsTheMean_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QColor>("color");
    QTest::addColumn<QSize>("size");
    // Colours between the outputs' levels, within what each can show.
    QTest::newRow("1 bit") << "1" << QColor(70, 70, 70) << QSize(120, 90);
    QTest::newRow("4 bits") << "4" << QColor(100, 100, 100) << QSize(120, 90);
    QTest::newRow("8 bits") << "8" << QColor(100, 150, 30) << QSize(120, 90);
    QTest::newRow("16 bits") << "16" << QColor(101, 150, 203) << QSize(120, 90);
    // Large enough to be done in two bands.
    QTest::newRow("8 bits, large") << "8" << QColor(100, 150, 30) << QSize(1100, 1000);
    QTest::newRow("1 bit, large") << "1" << QColor(70, 70, 70) << QSize(1001, 1100);
}

void TestDither::floydSteinbergKeepsTheMean()
{
    QFETCH(QString, format);
    QFETCH(QColor, color);
    QFETCH(QSize, size);
    QImage flat(size, QImage::Format_RGB32);
    flat.fill(color);
    const QString name = QStringLiteral("flat_%1_%2").arg(format).arg(size.width());
    const QString input = m_dir.filePath(name + ".png");
    QVERIFY(flat.save(input));
    const StoredPixels stored = ReadStored(
        Convert(input, name + ".bmp", {"--format", format, "--dither", "floyd-steinberg"}));
    QCOMPARE(QSize(stored.width, stored.height), size);
    double sum[3] = {};
    bool mixed = false;
    for (int y = 0; y < stored.height; ++y)
        for (int x = 0; x < stored.width; ++x) {
            const QRgb p = stored.Color(x, y);
            mixed = mixed || stored.At(x, y) != stored.At(0, 0);
            sum[0] += qRed(p);
            sum[1] += qGreen(p);
            sum[2] += qBlue(p);
        }
    QVERIFY(mixed);
    const double count = double(stored.values.size());
    const int wanted[3] = {color.red(), color.green(), color.blue()};
    for (int c = 0; c < 3; ++c) {
        const double mean = sum[c] / count;
        const double expected = format == "1" ? 70.0 : wanted[c];
        QVERIFY2(
            std::abs(mean - expected) < 0.6,
            qPrintable(
                QStringLiteral("channel %1: mean %2, wanted %3").arg(c).arg(mean).arg(expected)));
    }
}

void TestDither::wideChannelsDitherTo565()
{
    // A 16-bit-per-channel picture keeps its extra precision up to the
    // dithering: a ramp finer than 8 bits still comes out smooth.
    QImage wide(256, 48, QImage::Format_RGBX64);
    for (int y = 0; y < wide.height(); ++y)
        for (int x = 0; x < wide.width(); ++x) {
            const quint16 v = quint16(x * 64); // 0 .. a quarter of the range
            wide.setPixelColor(x, y, QColor::fromRgba64(v, v, v));
        }
    const QString input = m_dir.filePath("wide.png");
    QVERIFY(wide.save(input));
    QCOMPARE(QImage(input).format(), QImage::Format_RGBX64);
    const QImage picture = wide.convertToFormat(QImage::Format_RGB32);
    const double plain = BlurredError(
        ReadStored(Convert(input, "wide_none.bmp", {"--format", "16"})), picture, false);
    const double dithered =
        BlurredError(ReadStored(Convert(input, "wide_fs.bmp",
                                        {"--format", "16", "--dither", "floyd-steinberg"})),
                     picture, false);
    QVERIFY2(plain > 1.0 && dithered < 0.5 * plain,
             qPrintable(QStringLiteral("none %1, floyd-steinberg %2").arg(plain).arg(dithered)));
}

void TestDither::filesHaveTheirLayout()
{
    struct Expected
    {
        const char* format;
        const char* bits;
        const char* offset;
    };
    for (const Expected& e : {Expected{"1", "1", "62"}, Expected{"4", "4", "118"},
                              Expected{"8", "8", "1078"}, Expected{"16", "16", "66"}}) {
        for (const char* method : {"floyd-steinberg", "ordered"}) {
            // Odd sizes and a turn, for the row padding and the swapped sides.
            const QString out =
                Convert(m_colorRampPath, QStringLiteral("layout_%1_%2.bmp").arg(e.format, method),
                        {"--format", e.format, "--dither", method, "--size", "101x37", "--rotate",
                         "90", "--text", "Rastelle"});
            QVERIFY(!out.isEmpty());
            const std::unique_ptr<DibFile> file = OpenDibFileForReading(out.toStdU16String());
            QVERIFY(file);
            const BmpInspection inspection = InspectBmp(*file);
            QVERIFY2(inspection.valid && inspection.problems.empty(),
                     inspection.problems.empty() ? "" : inspection.problems.front().c_str());
            QVERIFY(FieldOf(inspection, "Bits per pixel").startsWith(e.bits));
            QCOMPARE(FieldOf(inspection, "Pixel data offset").remove(u','), QString(e.offset));
            QVERIFY(FieldOf(inspection, "Width").startsWith("37"));
            QVERIFY(FieldOf(inspection, "Height").startsWith("101"));
            const QImage decoded(out);
            QCOMPARE(decoded.size(), QSize(37, 101));
        }
    }
}

QTEST_MAIN(TestDither)
#include "test_dither.moc"
