// Metafiles through the program: opened by their content, sized from their
// headers, converted to every pixel format as a PNG of the same picture is,
// drawn as vectors at the output size, and a broken header refused.
#include "convert/CommandLine.h"
#include "convert/ConversionHost.h"
#include "convert/ConversionPipeline.h"
#include "convert/PixelFormats.h"
#include "convert/QtImaging.h"
#include "language/CLanguage.h"
#include "metafile/EmfRecordTypes.h"
#include "resources/resource.h"
#include "support/MainDialogFixture.h"
#include "support/MetafileBytes.h"
#include "support/QuietHost.h"
#include "support/TestFiles.h"
#include "support/WmfShapes.h"

#include <QDir>
#include <QTest>
#include <QtEndian>

using namespace metafilebytes;

namespace {

Bytes Rect(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b)
{
    Bytes out;
    for (std::int32_t v : {l, t, r, b})
        Put32(out, std::uint32_t(v));
    return out;
}

// An EMF drawing of solid shapes on the reference device's pixels.
class Drawing
{
public:
    explicit Drawing(const EmfHeaderFields& fields = {}) : m_emf(fields)
    {
        Bytes nullPen;
        Put32(nullPen, 0x80000000u | 8); // the stock NULL_PEN
        m_emf.Record(metafile::EMR_SELECTOBJECT, nullPen);
    }
    Drawing& Brush(std::uint32_t colorRef)
    {
        Bytes brush;
        Put32(brush, 1); // handle 1, replaced each time
        Put32(brush, 0); // BS_SOLID
        Put32(brush, colorRef);
        Put32(brush, 0);
        m_emf.Record(metafile::EMR_CREATEBRUSHINDIRECT, brush);
        Bytes select;
        Put32(select, 1);
        m_emf.Record(metafile::EMR_SELECTOBJECT, select);
        return *this;
    }
    Drawing& Rectangle(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b)
    {
        m_emf.Record(metafile::EMR_RECTANGLE, Rect(l, t, r, b));
        return *this;
    }
    Drawing& Triangle(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                      std::int32_t x2, std::int32_t y2)
    {
        Bytes polygon = Rect(0, 0, 0, 0);
        Put32(polygon, 3);
        for (std::int32_t v : {x0, y0, x1, y1, x2, y2})
            Put32(polygon, std::uint32_t(v));
        m_emf.Record(metafile::EMR_POLYGON, polygon);
        return *this;
    }
    QByteArray Finish()
    {
        const Bytes bytes = m_emf.Eof().Finish();
        return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    }

private:
    EmfBuilder m_emf;
};

// The default header: 100 x 50 pixels of a 100 dots-per-inch device. The
// whole frame is covered, so no pixel is left undrawn.
QByteArray CoveredPicture()
{
    return Drawing()
        .Brush(0x00FFFFFF)
        .Rectangle(-1, -1, 102, 52)
        .Brush(0x000000FF)
        .Rectangle(10, 10, 60, 40)
        .Brush(0x00FF8000)
        .Triangle(70, 5, 95, 45, 55, 45)
        .Finish();
}

QByteArray ToQBytes(const Bytes& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

// The same picture as a placeable WMF: 100 x 50 units at 100 units per inch.
QByteArray CoveredWmfPicture()
{
    WmfPlaceableFields fields;
    fields.box[2] = 100;
    fields.box[3] = 50;
    fields.inch = 100;
    WmfBuilder b(fields);
    WmfNullPen(b);
    WmfSolidBrush(b, 0xFFFFFF);
    WmfSelect(b, 0);
    WmfSelect(b, 1);
    WmfRectangle(b, -1, -1, 102, 52);
    WmfDelete(b, 1);
    WmfSolidBrush(b, 0xFF0000);
    WmfSelect(b, 1);
    WmfRectangle(b, 10, 10, 60, 40);
    WmfDelete(b, 1);
    WmfSolidBrush(b, 0x0080FF);
    WmfSelect(b, 1);
    WmfPolygon(b, {70, 5, 95, 45, 55, 45});
    Bytes file = b.Eof().Finish();
    SetWmfObjectCount(file, 22, 2);
    return ToQBytes(file);
}

// The file without its two resolution fields (pixels per metre).
QByteArray WithoutResolution(QByteArray bmp)
{
    if (bmp.size() >= 46)
        bmp.replace(38, 8, QByteArray(8, '\0'));
    return bmp;
}

qint32 PixelsPerMetreX(const QByteArray& bmp)
{
    return bmp.size() >= 46 ? qFromLittleEndian<qint32>(bmp.constData() + 38) : -1;
}

} // namespace

class TestMetafileOpen : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void opensByContentWithHeaderSizes_data();
    void opensByContentWithHeaderSizes();
    void convertsLikeAPngOfIt_data();
    void convertsLikeAPngOfIt();
    void undrawnPixelsAreWhiteOrTransparent();
    void largerOutputStaysSharp();
    void brokenHeaderIsRefused();

private:
    QString Write(const QString& name, const QByteArray& bytes);
    // Converts a picture file at its own size (or the given one) to the
    // format; the written file's bytes, empty on failure.
    QByteArray Convert(const QString& path, int pixelFormat, int width = 0, int height = 0);

    QtImaging m_imaging;
    QTemporaryDir m_tempRoot;
    QTemporaryDir m_dir;
};

void TestMetafileOpen::initTestCase()
{
    QVERIFY(m_tempRoot.isValid());
    QVERIFY(m_dir.isValid());
    qputenv("TMPDIR", QFile::encodeName(m_tempRoot.path()));
    theLanguage.Initialize(QStringLiteral("/nonexistent"), QStringLiteral("english"));
}

void TestMetafileOpen::cleanup()
{
    QCOMPARE(QtImagingLiveObjects(), 0);
}

QString TestMetafileOpen::Write(const QString& name, const QByteArray& bytes)
{
    const QString path = m_dir.filePath(name);
    WriteTestFile(path, bytes);
    return path;
}

QByteArray TestMetafileOpen::Convert(const QString& path, int pixelFormat, int width, int height)
{
    GpImage* photo = nullptr;
    if (m_imaging.LoadImageFromFile(path, &photo) != Ok)
        return {};
    std::uint32_t w = 0, h = 0;
    m_imaging.GetImageWidth(photo, &w);
    m_imaging.GetImageHeight(photo, &h);
    ConversionRequest request;
    request.outputWidthText = QString::number(width > 0 ? width : int(w));
    request.outputHeightText = QString::number(height > 0 ? height : int(h));
    request.pixelFormat = pixelFormat;
    request.indexedFormat = IndexedFormatFor(pixelFormat);
    request.outputPath = m_dir.filePath(QStringLiteral("out.bmp"));
    QFile::remove(request.outputPath);
    QuietHost host;
    const ConversionOutcome outcome = RunConvertCommand(m_imaging, path, photo, request, host);
    m_imaging.DisposeImage(photo);
    if (!outcome.succeeded || !host.messages.isEmpty()) {
        qWarning("conversion failed: %s", qPrintable(host.messages.join(" | ")));
        return {};
    }
    return ReadTestFile(request.outputPath);
}

void TestMetafileOpen::opensByContentWithHeaderSizes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<double>("dpi");

    // EMF: the frame in pixels of the reference device, at its resolution.
    QTest::newRow("emf") << CoveredPicture() << "a.emf" << 100 << 50 << 100.0;
    EmfHeaderFields screen;
    screen.frame[2] = 5080; // 50.8 mm by 25.4 mm
    screen.frame[3] = 2540;
    screen.device[0] = 1920;
    screen.device[1] = 960;
    screen.millimeters[0] = 508; // 96 dots per inch
    screen.millimeters[1] = 254;
    QTest::newRow("emf at 96 dpi under .png")
        << Drawing(screen).Finish() << "drawing.png" << 192 << 96 << 96.0;
    // A placeable WMF: its box in logical units, at Inch units per inch.
    WmfPlaceableFields box;
    box.box[2] = 600;
    box.box[3] = 300;
    box.inch = 300;
    QTest::newRow("placeable wmf under .txt")
        << ToQBytes(WmfBuilder(box).Record(0x0103, {8}).Eof().Finish()) << "notes.txt" << 600 << 300
        << 300.0;
    // Without the placeable header: the first window extent, at 96 dpi.
    QTest::newRow("wmf from its window extent")
        << ToQBytes(WmfBuilder().Record(0x020C, {std::uint16_t(-120), 250}).Eof().Finish())
        << "plain.wmf" << 250 << 120 << 96.0;
}

void TestMetafileOpen::opensByContentWithHeaderSizes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(double, dpi);
    const QString path = Write(name, bytes);
    GpImage* photo = nullptr;
    QCOMPARE(m_imaging.LoadImageFromFile(path, &photo), Ok);
    std::uint32_t w = 0, h = 0, dimensions = 0, frames = 0;
    float xdpi = 0, ydpi = 0;
    m_imaging.GetImageWidth(photo, &w);
    m_imaging.GetImageHeight(photo, &h);
    m_imaging.GetImageHorizontalResolution(photo, &xdpi);
    m_imaging.GetImageVerticalResolution(photo, &ydpi);
    m_imaging.ImageGetFrameDimensionsCount(photo, &dimensions);
    QUuid dimension;
    m_imaging.ImageGetFrameDimensionsList(photo, &dimension, 1);
    m_imaging.ImageGetFrameCount(photo, dimension, &frames);
    const QImage frame = QtImaging::FrameOf(photo);
    m_imaging.DisposeImage(photo);
    QCOMPARE(int(w), width);
    QCOMPARE(int(h), height);
    QCOMPARE(double(xdpi), dpi);
    QCOMPARE(double(ydpi), dpi);
    QCOMPARE(dimensions, 1u);
    QCOMPARE(dimension, FrameDimensionPage);
    QCOMPARE(frames, 1u);
    QCOMPARE(frame.size(), QSize(width, height));
}

void TestMetafileOpen::convertsLikeAPngOfIt_data()
{
    QTest::addColumn<int>("pixelFormat");
    QTest::addColumn<bool>("wmf");
    for (bool wmf : {false, true})
        for (const PixelFormatEntry& entry : PixelFormatTable())
            QTest::newRow(qPrintable(QString::fromUtf16(entry.entry) + (wmf ? " WMF" : " EMF")))
                << entry.code << wmf;
}

void TestMetafileOpen::convertsLikeAPngOfIt()
{
    QFETCH(int, pixelFormat);
    QFETCH(bool, wmf);
    const QString emf = wmf ? Write(QStringLiteral("covered.wmf"), CoveredWmfPicture())
                            : Write(QStringLiteral("covered.emf"), CoveredPicture());
    // The same picture as a PNG: the metafile drawn at its own size.
    GpImage* photo = nullptr;
    QCOMPARE(m_imaging.LoadImageFromFile(emf, &photo), Ok);
    const QImage drawn = QtImaging::FrameOf(photo).copy();
    m_imaging.DisposeImage(photo);
    QCOMPARE(drawn.size(), QSize(100, 50));
    // Red, orange and white are all there: the picture was drawn.
    QCOMPARE(drawn.pixel(35, 25), qRgb(255, 0, 0));
    QCOMPARE(drawn.pixel(75, 40), qRgb(0, 128, 255));
    QCOMPARE(drawn.pixel(5, 5), qRgb(255, 255, 255));
    const QString png = m_dir.filePath(QStringLiteral("covered.png"));
    QVERIFY(drawn.save(png, "PNG"));

    const QByteArray fromMetafile = Convert(emf, pixelFormat);
    const QByteArray fromPng = Convert(png, pixelFormat);
    QVERIFY(!fromMetafile.isEmpty());
    QVERIFY(!fromPng.isEmpty());
    QCOMPARE(WithoutResolution(fromMetafile), WithoutResolution(fromPng));
    // The metafile's own resolution, 100 dots per inch.
    QCOMPARE(PixelsPerMetreX(fromMetafile), 3937);
}

void TestMetafileOpen::undrawnPixelsAreWhiteOrTransparent()
{
    const QString emf = Write(QStringLiteral("sparse.emf"),
                              Drawing().Brush(0x000000FF).Rectangle(10, 10, 60, 40).Finish());
    const auto pixelAt = [](const QByteArray& bmp, int x, int y) {
        QImage image;
        image.loadFromData(bmp, "BMP");
        return image.isNull() ? QRgb(0x12345678) : image.pixel(x, y);
    };
    const QByteArray rgb = Convert(emf, PixelFormat24bppRGB);
    QCOMPARE(pixelAt(rgb, 80, 5), qRgb(255, 255, 255));
    QCOMPARE(pixelAt(rgb, 30, 20), qRgb(255, 0, 0));
    const QByteArray argb = Convert(emf, PixelFormat32bppARGB);
    QCOMPARE(qAlpha(pixelAt(argb, 80, 5)), 0);
    QCOMPARE(pixelAt(argb, 30, 20), qRgba(255, 0, 0, 255));
}

void TestMetafileOpen::largerOutputStaysSharp()
{
    // Black on white, converted at eight times its size.
    const QString emf = Write(QStringLiteral("edge.emf"), Drawing()
                                                              .Brush(0x00FFFFFF)
                                                              .Rectangle(-1, -1, 102, 52)
                                                              .Brush(0)
                                                              .Rectangle(30, 10, 70, 40)
                                                              .Finish());
    QImage image;
    QVERIFY(image.loadFromData(Convert(emf, PixelFormat24bppRGB, 800, 400), "BMP"));
    QCOMPARE(image.size(), QSize(800, 400));
    // Across the row through the middle: white, black, white, with at most
    // one grey pixel at each edge. A raster scaled eight times would blur
    // each edge over several pixels.
    int grey = 0, black = 0;
    for (int x = 0; x < image.width(); ++x) {
        const int level = qGray(image.pixel(x, 200));
        if (level < 16)
            ++black;
        else if (level < 240)
            ++grey;
    }
    QVERIFY2(grey <= 2, qPrintable(QString("%1 grey pixels").arg(grey)));
    QVERIFY2(black >= 318 && black <= 322, qPrintable(QString("%1 black pixels").arg(black)));
}

void TestMetafileOpen::brokenHeaderIsRefused()
{
    // The header record claims 40 bytes, less than its fields take.
    EmfHeaderFields fields;
    Bytes broken = EmfBuilder(fields).Eof().Finish();
    Set32(broken, 4, 40);
    const QString path = Write(QStringLiteral("broken.emf"), ToQBytes(broken));
    GpImage* photo = nullptr;
    QVERIFY(m_imaging.LoadImageFromFile(path, &photo) != Ok);
    QVERIFY(!photo);

    // rastelle-convert.
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    const int code =
        RunCommandLine({path, m_dir.filePath(QStringLiteral("broken.bmp"))}, outStream, errStream);
    errStream.flush();
    QCOMPARE(code, 1);
    QVERIFY2(err.contains(theLanguage.GetString(IDS_STRING126)), qPrintable(err));
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("broken.bmp"))));

    // The window.
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    fixture.Open();
    const QString shown = fixture.Path(QStringLiteral("pics/broken.emf"));
    WriteTestFile(shown, ToQBytes(broken));
    fixture.OpenPhoto(shown);
    QCOMPARE(fixture.TakeMessages(),
             QStringList{QStringLiteral("Can not get the width of the photo!")});
    // A sound one opens without a word.
    const QString good = fixture.Path(QStringLiteral("pics/good.emf"));
    WriteTestFile(good, CoveredPicture());
    fixture.OpenPhoto(good);
    QCOMPARE(fixture.TakeMessages(), QStringList{});
}

QTEST_MAIN(TestMetafileOpen)
#include "test_metafile_open.moc"
