// The result preview: the file a conversion will write, made at the
// preview's size by the conversion itself, its file size known exactly, and
// the window's way of showing it.
#include "convert/ConversionPipeline.h"
#include "convert/OutputFileSize.h"
#include "convert/PhotoDecoder.h"
#include "convert/PixelFormats.h"
#include "convert/QtImaging.h"
#include "convert/Resampler.h"
#include "convert/ResultPreview.h"
#include "dib/MemoryBudget.h"
#include "language/CLanguage.h"
#include "resources/resource.h"
#include "support/MainDialogFixture.h"
#include "support/QuietHost.h"
#include "support/TestFiles.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLocale>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// A picture with something in every corner: gradients, a red block at the
// top left, a transparent band at the bottom when asked.
QImage TestPicture(int width, int height, bool withAlpha)
{
    QImage picture(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int alpha = withAlpha && y > height * 3 / 4 ? 255 * x / width : 255;
            picture.setPixel(x, y, qRgba(255 * x / width, 255 * y / height, 128, alpha));
        }
    }
    QPainter painter(&picture);
    painter.fillRect(0, 0, width / 6, height / 6, Qt::red);
    return picture;
}

QImage ReadBack(const QString& path)
{
    PhotoDecoder decoder;
    return decoder.Open(path) == DecodeResult::Ok ? decoder.Frame() : QImage();
}

// The two pictures' mean difference per channel (0-255), premultiplied, after
// reducing both to a quarter so that dithered or thresholded pixels average
// out as the eye averages them.
double MeanDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 1e9;
    const QSize small((a.width() + 3) / 4, (a.height() + 3) / 4);
    const QImage x = ResampleBicubic(a.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                                     small.width(), small.height())
                         .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage y = ResampleBicubic(b.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                                     small.width(), small.height())
                         .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    double sum = 0;
    for (int row = 0; row < small.height(); ++row) {
        for (int col = 0; col < small.width(); ++col) {
            const QRgb p = x.pixel(col, row);
            const QRgb q = y.pixel(col, row);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q)) + std::abs(qAlpha(p) - qAlpha(q));
        }
    }
    return sum / (4.0 * small.width() * small.height());
}

bool SamePixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return false;
    const QImage x = a.convertToFormat(QImage::Format_RGBA64);
    const QImage y = b.convertToFormat(QImage::Format_RGBA64);
    for (int row = 0; row < x.height(); ++row) {
        if (std::memcmp(x.constScanLine(row), y.constScanLine(row), size_t(x.width()) * 8) != 0)
            return false;
    }
    return true;
}

ConversionRequest RequestFor(int formatIndex, int width, int height, int angle)
{
    const PixelFormatEntry& format = PixelFormatForIndex(formatIndex);
    ConversionRequest request;
    request.outputWidthText = QString::number(width);
    request.outputHeightText = QString::number(height);
    request.rotateAngle = angle;
    request.pixelFormat = format.code;
    request.indexedFormat = IndexedFormatFor(format.code);
    return request;
}

std::uint32_t HeaderField(const QByteArray& file, int offset)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | uchar(file.at(offset + i));
    return value;
}

} // namespace

class TestResultPreview : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fileSizeIsTheWrittenFilesSize();
    void previewIsTheFileItWillWrite_data();
    void previewIsTheFileItWillWrite();
    void positionsAndFontFollowTheScale();
    void anInvalidSizeGivesItsMessageAndNoPixels();
    void clickOrCtrlRSwitchesThePreview();
    void resultFollowsTheOptionsWithoutMessages();
    void windowShowsTheResultPixels();
    void toolTipTellsSizeFormatAndBytes();

private:
    GpImage* OpenPicture(const QImage& picture, const QString& name);

    QTemporaryDir m_dir;
    QtImaging m_imaging;
};

void TestResultPreview::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QCOMPARE(m_imaging.Startup(), Ok);
}

GpImage* TestResultPreview::OpenPicture(const QImage& picture, const QString& name)
{
    const QString path = m_dir.filePath(name);
    if (!picture.save(path, "PNG"))
        return nullptr;
    GpImage* photo = nullptr;
    m_imaging.LoadImageFromFile(path, &photo);
    return photo;
}

// The size the tooltip announces is the size of the file written, for every
// format, odd row lengths and turns included.
void TestResultPreview::fileSizeIsTheWrittenFilesSize()
{
    GpImage* photo = OpenPicture(TestPicture(40, 30, true), QStringLiteral("size.png"));
    QVERIFY(photo);
    const QList<QSize> sizes = {{1, 1}, {5, 3}, {31, 2}, {64, 17}};
    for (int index = 0; index < 10; ++index) {
        for (const QSize& size : sizes) {
            for (int angle : {0, 90}) {
                ConversionRequest request = RequestFor(index, size.width(), size.height(), angle);
                request.outputPath = m_dir.filePath(QStringLiteral("size-%1-%2x%3-%4.bmp")
                                                        .arg(index)
                                                        .arg(size.width())
                                                        .arg(size.height())
                                                        .arg(angle));
                QuietHost host;
                QVERIFY(ConvertPhoto(m_imaging, photo, request, host, true).succeeded);
                const QByteArray file = ReadTestFile(request.outputPath);
                const OutputShape shape = ShapeOfOutput(request);
                const QString where = QStringLiteral("format %1, %2x%3, %4 degrees")
                                          .arg(index)
                                          .arg(size.width())
                                          .arg(size.height())
                                          .arg(angle);
                QVERIFY2(shape.fileBytes == std::uint64_t(file.size()), qPrintable(where));
                QVERIFY2(shape.width == int(HeaderField(file, 18)), qPrintable(where));
                QVERIFY2(shape.height == int(HeaderField(file, 22)), qPrintable(where));
            }
        }
    }
    m_imaging.DisposeImage(photo);
    QVERIFY(!BmpFileBytes(PixelFormat24bppRGB, 0, 5));
    QVERIFY(!BmpFileBytes(0x12345, 5, 5));
    // The largest sizes the fields take do not overflow.
    QCOMPARE(*BmpFileBytes(PixelFormat64bppARGB, 0x7FFFFFFF, 0x7FFFFFFF),
             54 + std::uint64_t(0x7FFFFFFF) * 8 * 0x7FFFFFFF);
}

void TestResultPreview::previewIsTheFileItWillWrite_data()
{
    QTest::addColumn<int>("formatIndex");
    QTest::addColumn<QSize>("box");
    QTest::addColumn<double>("tolerance");
    // Tolerances are mean differences per channel out of 255 between the
    // preview and the full-size file reduced to the preview's size. The
    // indexed formats map colours after the reduction in one and before it
    // in the other, so they differ a little more.
    const double tolerances[10] = {6, 6, 4, 2, 2, 2, 2, 2, 2, 2};
    for (int index = 0; index < 10; ++index) {
        const QString name = QString::fromUtf16(PixelFormatForIndex(index).entry);
        QTest::newRow(qPrintable(name)) << index << QSize(120, 120) << tolerances[index];
    }
    // A box far smaller than the photo: the result is made from a reduced copy.
    QTest::newRow("8 bits, reduced copy") << 2 << QSize(40, 40) << 5.0;
    QTest::newRow("32 bits ARGB, reduced copy") << 5 << QSize(40, 40) << 2.0;
}

void TestResultPreview::previewIsTheFileItWillWrite()
{
    QFETCH(int, formatIndex);
    QFETCH(QSize, box);
    QFETCH(double, tolerance);
    GpImage* photo = OpenPicture(TestPicture(360, 240, true), QStringLiteral("photo.png"));
    QVERIFY(photo);

    ConversionRequest request = RequestFor(formatIndex, 480, 320, 90);
    request.flipType = 1;
    request.text = QStringLiteral("Rastelle");
    request.textXText = QStringLiteral("40");
    request.textYText = QStringLiteral("60");
    request.font.lfHeight = -60;
    request.font.lfWeight = 700;
    request.textColor = 0x00FF0000; // blue
    request.outputPath = m_dir.filePath(QStringLiteral("full.bmp"));

    ResultPreviewMaker maker(m_imaging);
    const ResultPreview result = maker.Make(photo, request, box);
    QCOMPARE(result.shape.width, 320);
    QCOMPARE(result.shape.height, 480);
    QVERIFY(result.problem.isEmpty());
    const double scale = std::min({1.0, box.width() / 320.0, box.height() / 480.0});
    const QSize expected(int(std::lround(320 * scale)), int(std::lround(480 * scale)));
    QCOMPARE(result.pixels.size(), expected);

    // Exactly the file the conversion writes at that size from the same source.
    ConversionRequest small =
        ScaledRequest(request, 480, 320, expected.height(), expected.width(), scale);
    small.outputPath = m_dir.filePath(QStringLiteral("small.bmp"));
    QuietHost host;
    QVERIFY(ConvertPhoto(m_imaging, maker.SourceFor(photo, box), small, host, true).succeeded);
    QVERIFY(SamePixels(result.pixels, ReadBack(small.outputPath)));

    // And what the full-size file looks like at that size: same turn, text,
    // colours and transparency.
    QVERIFY(ConvertPhoto(m_imaging, photo, request, host, true).succeeded);
    QVERIFY(host.messages.isEmpty());
    const QImage full = ReadBack(request.outputPath);
    QCOMPARE(full.size(), QSize(320, 480));
    const QImage reduced = ResampleBicubic(full.convertToFormat(QImage::Format_ARGB32),
                                           expected.width(), expected.height());
    const double difference = MeanDifference(result.pixels, reduced);
    QVERIFY2(difference <= tolerance, qPrintable(QString::number(difference)));
    // Turned a quarter clockwise and mirrored: the red block is at the top left
    // again, where a preview without the turn would not have it.
    if (formatIndex != 0) {
        const QRgb corner =
            result.pixels.pixel(result.pixels.width() / 20, result.pixels.height() / 20);
        QVERIFY2(qRed(corner) > 150 && qGreen(corner) < 100,
                 qPrintable(QString::number(corner, 16)));
    }
    m_imaging.DisposeImage(photo);
}

void TestResultPreview::positionsAndFontFollowTheScale()
{
    ConversionRequest request = RequestFor(4, 400, 200, 0);
    request.text = QStringLiteral("x");
    request.font.lfHeight = -40;
    request.font.lfWidth = 3;

    request.textXText = QStringLiteral("399");
    request.textYText = QStringLiteral("-1");
    ConversionRequest scaled = ScaledRequest(request, 400, 200, 100, 50, 0.25);
    QCOMPARE(scaled.outputWidthText, QStringLiteral("100"));
    QCOMPARE(scaled.outputHeightText, QStringLiteral("50"));
    QCOMPARE(scaled.textXText, QStringLiteral("99"));
    QCOMPARE(scaled.textYText, QStringLiteral("0")); // corrected as the conversion does
    QCOMPARE(scaled.font.lfHeight, -10);
    QCOMPARE(scaled.font.lfWidth, 1); // never 0, which would mean the default width

    request.textXText = QStringLiteral("400"); // one past the edge
    request.textYText = QStringLiteral("150abc");
    scaled = ScaledRequest(request, 400, 200, 100, 50, 0.25);
    QCOMPARE(scaled.textXText, QStringLiteral("0"));
    QCOMPARE(scaled.textYText, QStringLiteral("37"));

    request.font.lfHeight = 2; // a cell height stays a cell height
    QCOMPARE(ScaledRequest(request, 400, 200, 100, 50, 0.25).font.lfHeight, 1);
    request.font.lfHeight = 0; // the default size stays the default
    QCOMPARE(ScaledRequest(request, 400, 200, 100, 50, 0.25).font.lfHeight, 0);
}

void TestResultPreview::anInvalidSizeGivesItsMessageAndNoPixels()
{
    GpImage* photo = OpenPicture(TestPicture(30, 20, false), QStringLiteral("invalid.png"));
    QVERIFY(photo);
    ResultPreviewMaker maker(m_imaging);
    ConversionRequest request = RequestFor(4, 0, 20, 0);
    request.outputWidthText = QStringLiteral("wide");
    ResultPreview result = maker.Make(photo, request, QSize(100, 100));
    QVERIFY(result.pixels.isNull());
    QCOMPARE(result.problem, theLanguage.GetString(IDS_STRING111));
    request.outputWidthText = QStringLiteral("30");
    request.outputHeightText = QStringLiteral("-4");
    result = maker.Make(photo, request, QSize(100, 100));
    QVERIFY(result.pixels.isNull());
    QCOMPARE(result.problem, theLanguage.GetString(IDS_STRING112));
    request.outputHeightText = QStringLiteral("20");
    result = maker.Make(photo, request, QSize(100, 100));
    QCOMPARE(result.pixels.size(), QSize(30, 20)); // small outputs are not enlarged
    // Sizes the full conversion cannot make or write: its message, no pixels.
    request = RequestFor(4, 100000, 100000, 0);
    result = maker.Make(photo, request, QSize(100, 100));
    QVERIFY(result.pixels.isNull());
    QCOMPARE(result.problem, theLanguage.GetString(IDS_STRING115));
    request = RequestFor(8, 30000, 20000, 0); // a 4.8 GB 64-bit file
    result = maker.Make(photo, request, QSize(100, 100));
    QVERIFY(result.pixels.isNull());
    QCOMPARE(result.problem, theLanguage.GetString(
                                 FitsImageBudget(30000, 20000, 8) ? IDS_STRING118 : IDS_STRING115));
    request = RequestFor(4, 30, 20, 0);

    // No photo: the shape is still known, but there are no pixels.
    result = maker.Make(nullptr, request, QSize(100, 100));
    QVERIFY(result.pixels.isNull());
    QCOMPARE(result.shape.fileBytes, std::uint64_t(54 + 92 * 20));
    m_imaging.DisposeImage(photo);
}

void TestResultPreview::clickOrCtrlRSwitchesThePreview()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    QWidget* preview = dialog.GetDlgItem(IDC_STATIC_PREVIEW);
    QTest::mouseClick(preview, Qt::LeftButton);
    QVERIFY(!dialog.ShowsResult()); // nothing to show without a photo

    fixture.OpenPhoto(fixture.WritePicture(QStringLiteral("click.png"), 64, 48, Qt::green));
    QTest::mouseClick(preview, Qt::LeftButton);
    QVERIFY(dialog.ShowsResult());
    QVERIFY(dialog.Result());
    QCOMPARE(dialog.Result()->pixels.size(), QSize(64, 48));
    QTest::mouseClick(preview, Qt::RightButton); // the language menu's button
    QVERIFY(dialog.ShowsResult());
    QTest::mouseClick(preview, Qt::LeftButton);
    QVERIFY(!dialog.ShowsResult());
    QTest::keyClick(&dialog, Qt::Key_R, Qt::ControlModifier);
    QVERIFY(dialog.ShowsResult());
    QTest::keyClick(&dialog, Qt::Key_R, Qt::ControlModifier);
    QVERIFY(!dialog.ShowsResult());
    QVERIFY(fixture.TakeMessages().isEmpty());
}

void TestResultPreview::resultFollowsTheOptionsWithoutMessages()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    fixture.OpenPhoto(fixture.WritePicture(QStringLiteral("follow.png"), 300, 200, Qt::darkCyan));
    dialog.ToggleResultPreview();
    QVERIFY(dialog.ShowsResult());

    // Typing waits for a pause, then the result has the typed size.
    fixture.SetText(IDC_EDIT_OUTPUT_WIDTH, QStringLiteral("90"));
    fixture.SetText(IDC_EDIT_OUTPUT_HEIGHT, QStringLiteral("30"));
    QVERIFY(dialog.ResultPending());
    QCOMPARE(dialog.Result()->shape.width, 300);
    QTRY_VERIFY(!dialog.ResultPending());
    QCOMPARE(dialog.Result()->shape.width, 90);
    QCOMPARE(dialog.Result()->pixels.size(), QSize(90, 30));

    // A turn and a format show as soon as the event loop runs.
    fixture.Command(IDC_RADIO_ROTATE_90);
    auto* formats = qobject_cast<QComboBox*>(dialog.GetDlgItem(IDC_COMBO_PIXEL_FORMAT));
    formats->setCurrentIndex(0);
    fixture.Command(IDC_COMBO_PIXEL_FORMAT, CBN_SELCHANGE);
    QTRY_VERIFY(!dialog.ResultPending());
    const QImage& pixels = dialog.Result()->pixels;
    QCOMPARE(pixels.size(), QSize(30, 90));
    for (int y = 0; y < pixels.height(); ++y) {
        for (int x = 0; x < pixels.width(); ++x) {
            const QRgb p = pixels.pixel(x, y);
            QVERIFY(p == qRgb(0, 0, 0) || p == qRgb(255, 255, 255));
        }
    }

    // A text position out of range is drawn where the conversion would put
    // it, without the conversion's message and without changing the field.
    fixture.SetText(IDC_EDIT_ADD_TEXT, QStringLiteral("Hi"));
    fixture.SetText(IDC_EDIT_TEXT_X, QStringLiteral("5000"));
    dialog.UpdateResultPreview();
    QVERIFY(!dialog.Result()->pixels.isNull());
    QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_TEXT_X), QStringLiteral("5000"));
    QVERIFY(fixture.TakeMessages().isEmpty());

    // An invalid width: nothing to show, and the tooltip says why.
    fixture.SetText(IDC_EDIT_OUTPUT_WIDTH, QStringLiteral("0"));
    dialog.UpdateResultPreview();
    QVERIFY(dialog.Result()->pixels.isNull());
    QVERIFY(dialog.PreviewToolTip().startsWith(theLanguage.GetString(IDS_STRING111)));
    QVERIFY(fixture.TakeMessages().isEmpty());

    // Back to the picture: changes no longer make results.
    dialog.ToggleResultPreview();
    fixture.SetText(IDC_EDIT_OUTPUT_WIDTH, QStringLiteral("50"));
    QVERIFY(!dialog.ResultPending());
}

// What the window paints is the result, centred with its own shape, over a
// checkerboard where it is transparent.
void TestResultPreview::windowShowsTheResultPixels()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    const QString path = fixture.Path(QStringLiteral("half.png"));
    QImage half(200, 100, QImage::Format_ARGB32);
    half.fill(qRgba(200, 30, 30, 255));
    for (int y = 0; y < 100; ++y)
        for (int x = 100; x < 200; ++x)
            half.setPixel(x, y, qRgba(0, 0, 0, 0));
    QVERIFY(half.save(path));
    fixture.OpenPhoto(path);
    auto* formats = qobject_cast<QComboBox*>(dialog.GetDlgItem(IDC_COMBO_PIXEL_FORMAT));
    formats->setCurrentIndex(5); // 32 bits ARGB
    fixture.Command(IDC_COMBO_PIXEL_FORMAT, CBN_SELCHANGE);
    dialog.ToggleResultPreview();

    QWidget* preview = dialog.GetDlgItem(IDC_STATIC_PREVIEW);
    const QImage shown = preview->grab().toImage();
    const QSize area = QSize(200, 100).scaled(preview->size(), Qt::KeepAspectRatio);
    const int top = (preview->height() - area.height()) / 2;
    const int middle = preview->height() / 2;
    QCOMPARE(QColor(shown.pixel(area.width() / 4, middle)), QColor(200, 30, 30));
    // The transparent half shows both squares of the checkerboard.
    QSet<QRgb> seen;
    for (int x = area.width() / 2 + 2; x < area.width() - 2; ++x)
        seen.insert(shown.pixel(x, middle) & 0xFFFFFF);
    QVERIFY(seen.contains(0xFFFFFF) && seen.contains(0xCCCCCC));
    // Above and below the result, the frame keeps its own colour.
    if (top > 1)
        QCOMPARE(shown.pixel(area.width() / 4, 0),
                 shown.pixel(area.width() / 4, preview->height() - 1));
    QVERIFY(shown.pixel(area.width() / 4, 0) != shown.pixel(area.width() / 4, middle) || top <= 1);

    // Back to the picture: it fills the frame again.
    dialog.ToggleResultPreview();
    const QImage picture = preview->grab().toImage();
    QCOMPARE(QColor(picture.pixel(5, 2)), QColor(200, 30, 30));
}

void TestResultPreview::toolTipTellsSizeFormatAndBytes()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    fixture.OpenPhoto(fixture.WritePicture(QStringLiteral("tip.png"), 300, 200, Qt::blue));
    fixture.SetText(IDC_EDIT_OUTPUT_WIDTH, QStringLiteral("301"));
    fixture.SetText(IDC_EDIT_OUTPUT_HEIGHT, QStringLiteral("200"));
    fixture.Command(IDC_RADIO_ROTATE_270);
    auto* formats = qobject_cast<QComboBox*>(dialog.GetDlgItem(IDC_COMBO_PIXEL_FORMAT));
    formats->setCurrentIndex(2);
    fixture.Command(IDC_COMBO_PIXEL_FORMAT, CBN_SELCHANGE);
    // 200 pixels wide, 301 high, one byte each, rows already whole words.
    const QString expected = QStringLiteral("200 x 301 pixels, 8 bits Indexed, %1 bytes")
                                 .arg(QLocale().toString(qulonglong(1078 + 200 * 301)));
    QCOMPARE(dialog.PreviewToolTip(), expected + u'\n' + theLanguage.GetString(IDS_STRING161));
    dialog.ToggleResultPreview();
    QVERIFY(dialog.PreviewToolTip().endsWith(theLanguage.GetString(IDS_STRING162)));

    // Converting writes a file of exactly that size.
    fixture.Command(IDC_BUTTON_CONVERT);
    QCOMPARE(QFileInfo(dialog.OutputFile()).size(), qint64(1078 + 200 * 301));
}

QTEST_MAIN(TestResultPreview)
#include "test_result_preview.moc"
