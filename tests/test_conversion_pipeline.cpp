// The Convert command and the conversion pipeline: every message in its
// order, the fields it resets, the files it leaves.
#include "convert/ConversionHost.h"
#include "convert/ConversionPipeline.h"
#include "convert/PixelFormats.h"
#include "convert/QtImaging.h"
#include "dib/DibFormat.h"
#include "language/CLanguage.h"
#include "resources/StringTable.h"
#include "resources/resource.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTest>

namespace {

struct Shown
{
    QString text;
    QString caption;
    MessageButtons buttons;
    bool owned;
};

class ScriptedHost : public IConversionHost
{
public:
    QList<Shown> shown;
    QList<int> answers;
    QStringList fieldX, fieldY;
    int waitDepth = 0;
    int waitCalls = 0;

    int ShowMessage(const QString& text, const QString& caption, MessageButtons buttons,
                    MessageIcon) override
    {
        shown.append({text, caption, buttons, true});
        if (buttons == MessageButtons::YesNo)
            return answers.isEmpty() ? IDNO : answers.takeFirst();
        return IDOK;
    }
    void ShowOwnerlessMessage(const QString& text, const QString& caption) override
    {
        shown.append({text, caption, MessageButtons::Ok, false});
    }
    void SetTextXField(const QString& text) override { fieldX.append(text); }
    void SetTextYField(const QString& text) override { fieldY.append(text); }
    void BeginWaitCursor() override
    {
        ++waitDepth;
        ++waitCalls;
    }
    void EndWaitCursor() override { --waitDepth; }

    QStringList texts() const
    {
        QStringList result;
        for (const Shown& s : shown)
            result.append(s.text);
        return result;
    }
};

// Imaging that fails chosen operations, to reach the pipeline's checks.
class FailingImaging : public QtImaging
{
public:
    bool failResolution = false;
    bool failInterpolation = false;
    bool failRotateFlip = false;
    bool garbleSave = false;

    GpStatus BitmapSetResolution(GpBitmap* b, float x, float y) override
    {
        return failResolution ? GenericError : QtImaging::BitmapSetResolution(b, x, y);
    }
    GpStatus SetInterpolationMode(GpGraphics* g, int mode) override
    {
        return failInterpolation ? GenericError : QtImaging::SetInterpolationMode(g, mode);
    }
    GpStatus ImageRotateFlip(GpImage* image, int code) override
    {
        return failRotateFlip ? GenericError : QtImaging::ImageRotateFlip(image, code);
    }
    GpStatus SaveImageToDevice(GpImage* image, QIODevice* device, const QUuid& clsid) override
    {
        if (garbleSave)
            return device->write("not a bitmap at all") > 0 ? Ok : Win32Error;
        return QtImaging::SaveImageToDevice(image, device, clsid);
    }
};

QString S(int id)
{
    return LoadBuiltinString(id);
}

struct BmpHeader
{
    quint32 fileSize = 0, offset = 0, headerSize = 0;
    qint32 width = 0, height = 0;
    quint16 bits = 0;
    qint64 length = 0;
};

BmpHeader ReadHeader(const QString& path)
{
    const QByteArray bytes = ReadTestFile(path);
    BmpHeader h;
    h.length = bytes.size();
    if (bytes.size() < 30)
        return h;
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    h.fileSize = ReadU32(p + 2);
    h.offset = ReadU32(p + 10);
    h.headerSize = ReadU32(p + 14);
    h.width = qint32(ReadU32(p + 18));
    h.height = qint32(ReadU32(p + 22));
    h.bits = ReadU16(p + 28);
    return h;
}

} // namespace

class TestConversionPipeline : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void noPhotoShowsOnlyTheFirstMessage();
    void replaceQuestion();
    void replaceKeepsTheOldFileUntilTheNewOneIsComplete();
    void invalidSizes_data();
    void invalidSizes();
    void sizeTextIsReadAsALeadingNumber();
    void tooLargeGivesThreeMessagesInOrder();
    void failedStepsThatGoOn();
    void textPositionOutOfRange();
    void emptyTextSkipsThePositionCheck();
    void unknownAngleStillConverts();
    void rotationSwapsTheFileSize();
    void saveFailures();
    void everyFormatWritesItsLayout_data();
    void everyFormatWritesItsLayout();
    void indexedIntermediateIsAlwaysRemoved();
    void unloadableIntermediate();
    void existingFileWithoutPermission();
    void messagesFollowTheLanguage();

private:
    ConversionRequest Request(const QString& output) const;
    ConversionOutcome Run(ConversionRequest request, IImaging* imaging = nullptr);

    QtImaging m_imaging;
    QTemporaryDir m_tempRoot; // TMPDIR for the whole test
    std::unique_ptr<QTemporaryDir> m_dir;
    GpImage* m_photo = nullptr;
    QString m_photoPath;
    ScriptedHost m_host;
};

void TestConversionPipeline::initTestCase()
{
    QVERIFY(m_tempRoot.isValid());
    qputenv("TMPDIR", QFile::encodeName(m_tempRoot.path()));
    QCOMPARE(QDir::tempPath(), QDir(m_tempRoot.path()).canonicalPath());
}

void TestConversionPipeline::init()
{
    theLanguage.Initialize(QStringLiteral("/nonexistent"), QStringLiteral("english"));
    m_dir = std::make_unique<QTemporaryDir>();
    m_host = ScriptedHost();
    QImage photo(300, 200, QImage::Format_RGB32);
    photo.fill(QColor(200, 60, 30));
    photo.setPixel(0, 0, 0xFF0000FF);
    m_photoPath = m_dir->filePath("photo.png");
    QVERIFY(photo.save(m_photoPath));
    QCOMPARE(m_imaging.LoadImageFromFile(m_photoPath, &m_photo), Ok);
}

void TestConversionPipeline::cleanup()
{
    m_imaging.DisposeImage(m_photo);
    m_photo = nullptr;
    QCOMPARE(QtImagingLiveObjects(), 0);
    QCOMPARE(m_host.waitDepth, 0);
    // Nothing half-written is ever left beside the output or in TMPDIR.
    QCOMPARE(QDir(m_dir->path()).entryList({"*.part"}, QDir::Files | QDir::Hidden), QStringList());
    QCOMPARE(QDir(m_tempRoot.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

ConversionRequest TestConversionPipeline::Request(const QString& output) const
{
    ConversionRequest request;
    request.outputWidthText = "200";
    request.outputHeightText = "100";
    request.outputPath = output;
    request.font.lfHeight = -16;
    return request;
}

ConversionOutcome TestConversionPipeline::Run(ConversionRequest request, IImaging* imaging)
{
    return RunConvertCommand(imaging ? *imaging : m_imaging, m_photoPath, m_photo, request, m_host);
}

void TestConversionPipeline::noPhotoShowsOnlyTheFirstMessage()
{
    const QString out = m_dir->filePath("out.bmp");
    QVERIFY(WriteTestFile(out, "old"));
    const ConversionOutcome outcome =
        RunConvertCommand(m_imaging, QString(), nullptr, Request(out), m_host);
    QVERIFY(!outcome.ran);
    QCOMPARE(m_host.texts(), QStringList{S(IDS_STRING108)});
    QCOMPARE(m_host.shown[0].caption, S(IDS_MESSAGE_ERROR));
    QCOMPARE(ReadTestFile(out), QByteArray("old"));
    QCOMPARE(m_host.waitCalls, 0);
}

void TestConversionPipeline::replaceQuestion()
{
    const QString out = m_dir->filePath("out.bmp");
    QVERIFY(WriteTestFile(out, "old"));
    m_host.answers = {IDNO};
    QVERIFY(!Run(Request(out)).ran);
    QCOMPARE(m_host.shown.size(), 1);
    QCOMPARE(m_host.shown[0].text, out + " exists. Do you want to replace it?");
    QCOMPARE(m_host.shown[0].caption, S(IDS_MESSAGE_WARNING));
    QCOMPARE(m_host.shown[0].buttons, MessageButtons::YesNo);
    QCOMPARE(ReadTestFile(out), QByteArray("old"));

    m_host = ScriptedHost();
    m_host.answers = {IDYES};
    QVERIFY(Run(Request(out)).succeeded);
    QCOMPARE(m_host.shown.size(), 1);
    QCOMPARE(ReadHeader(out).width, 200);
    QCOMPARE(m_host.waitCalls, 1);
}

void TestConversionPipeline::replaceKeepsTheOldFileUntilTheNewOneIsComplete()
{
    const QString out = m_dir->filePath("out.bmp");
    QVERIFY(WriteTestFile(out, "old"));
    m_host.answers = {IDYES};
    ConversionRequest request = Request(out);
    request.outputWidthText = "abc";
    QVERIFY(!Run(request).succeeded);
    QCOMPARE(m_host.texts().last(), S(IDS_STRING111));
    // The run stopped: the file the user agreed to replace is still there.
    QCOMPARE(ReadTestFile(out), QByteArray("old"));
}

void TestConversionPipeline::invalidSizes_data()
{
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::addColumn<int>("message");
    QTest::newRow("width 0") << "0"
                             << "100" << IDS_STRING111;
    QTest::newRow("width -5") << "-5"
                              << "100" << IDS_STRING111;
    QTest::newRow("width letters") << "abc"
                                   << "100" << IDS_STRING111;
    QTest::newRow("width empty") << ""
                                 << "100" << IDS_STRING111;
    QTest::newRow("both invalid") << "0"
                                  << "0" << IDS_STRING111;
    QTest::newRow("height 0") << "10"
                              << "0" << IDS_STRING112;
    QTest::newRow("height -1") << "10"
                               << "-1" << IDS_STRING112;
}

void TestConversionPipeline::invalidSizes()
{
    QFETCH(QString, width);
    QFETCH(QString, height);
    QFETCH(int, message);
    const QString out = m_dir->filePath("out.bmp");
    ConversionRequest request = Request(out);
    request.outputWidthText = width;
    request.outputHeightText = height;
    QVERIFY(!Run(request).succeeded);
    QCOMPARE(m_host.texts(), QStringList{S(message)});
    QVERIFY(!QFile::exists(out));
}

void TestConversionPipeline::sizeTextIsReadAsALeadingNumber()
{
    const QString out = m_dir->filePath("out.bmp");
    ConversionRequest request = Request(out);
    request.outputWidthText = " 64 pixels";
    request.outputHeightText = "+48";
    const ConversionOutcome outcome = Run(request);
    QVERIFY(outcome.succeeded);
    QCOMPARE(outcome.outputWidth, 64);
    QCOMPARE(outcome.outputHeight, 48);
    QCOMPARE(ReadHeader(out).width, 64);
    QCOMPARE(ReadHeader(out).height, 48);
    QCOMPARE(m_host.shown.size(), 0);
}

void TestConversionPipeline::tooLargeGivesThreeMessagesInOrder()
{
    const QString out = m_dir->filePath("out.bmp");
    ConversionRequest request = Request(out);
    request.outputWidthText = "2000000000";
    request.outputHeightText = "2000000000";
    QVERIFY(!Run(request).succeeded);
    QCOMPARE(m_host.texts(), (QStringList{S(IDS_STRING113), S(IDS_STRING114), S(IDS_STRING115)}));
    QVERIFY(!QFile::exists(out));
}

void TestConversionPipeline::failedStepsThatGoOn()
{
    FailingImaging failing;
    failing.failResolution = true;
    failing.failInterpolation = true;
    failing.failRotateFlip = true;
    const QString out = m_dir->filePath("out.bmp");
    ConversionRequest request = Request(out);
    request.rotateAngle = 90;
    QVERIFY(Run(request, &failing).succeeded);
    QCOMPARE(m_host.texts(), (QStringList{S(IDS_STRING113), S(IDS_STRING114), S(IDS_STRING117)}));
    QCOMPARE(ReadHeader(out).width, 200); // not rotated
}

void TestConversionPipeline::textPositionOutOfRange()
{
    const QString out = m_dir->filePath("out.bmp");
    ConversionRequest request = Request(out);
    request.text = "Hi";
    request.textXText = "200";
    request.textYText = "99";
    QVERIFY(Run(request).succeeded);
    QCOMPARE(m_host.texts(), QStringList{S(IDS_STRING130)});
    QCOMPARE(m_host.fieldX, QStringList{"0"});
    QCOMPARE(m_host.fieldY, QStringList());

    for (const auto& [x, y, messages] :
         {std::tuple{"199", "0", QStringList()},
          std::tuple{"-1", "100", QStringList{S(IDS_STRING130), S(IDS_STRING131)}},
          std::tuple{"5", "-7", QStringList{S(IDS_STRING131)}}}) {
        m_host = ScriptedHost();
        m_host.answers = {IDYES};
        request.textXText = x;
        request.textYText = y;
        QVERIFY(Run(request).succeeded);
        QStringList got = m_host.texts();
        got.removeFirst(); // the replace question
        QCOMPARE(got, messages);
    }
}

void TestConversionPipeline::emptyTextSkipsThePositionCheck()
{
    const QString out = m_dir->filePath("out.bmp");
    ConversionRequest request = Request(out);
    request.textXText = "nonsense";
    request.textYText = "-99999";
    QVERIFY(Run(request).succeeded);
    QCOMPARE(m_host.shown.size(), 0);
    QVERIFY(m_host.fieldX.isEmpty());
}

void TestConversionPipeline::unknownAngleStillConverts()
{
    const QString out = m_dir->filePath("out.bmp");
    ConversionRequest request = Request(out);
    request.rotateAngle = 45;
    request.flipType = 1;
    QVERIFY(Run(request).succeeded);
    QCOMPARE(m_host.texts(), QStringList{S(IDS_STRING116)});
    // The flip alone: the marked top-left pixel goes to the top-right.
    QImage result(out);
    QVERIFY(!result.isNull());
    QVERIFY(qBlue(result.pixel(199, 0)) > qBlue(result.pixel(0, 0)));
}

void TestConversionPipeline::rotationSwapsTheFileSize()
{
    const QString out = m_dir->filePath("out.bmp");
    ConversionRequest request = Request(out);
    request.rotateAngle = 90;
    QVERIFY(Run(request).succeeded);
    QCOMPARE(ReadHeader(out).width, 100);
    QCOMPARE(ReadHeader(out).height, 200);
}

void TestConversionPipeline::saveFailures()
{
    const QString missing = m_dir->filePath("no/such/folder/out.bmp");
    QVERIFY(!Run(Request(missing)).succeeded);
    QCOMPARE(m_host.texts(), QStringList{S(IDS_STRING118)});
    QCOMPARE(m_host.shown[0].caption, missing);

    m_host = ScriptedHost();
    QVERIFY(!Run(Request(QString())).succeeded);
    QCOMPARE(m_host.texts(), QStringList{S(IDS_STRING118)});
    QCOMPARE(m_host.shown[0].caption, QString());

    // The same on the indexed path.
    m_host = ScriptedHost();
    ConversionRequest request = Request(missing);
    request.pixelFormat = request.indexedFormat = PixelFormat8bppIndexed;
    QVERIFY(!Run(request).succeeded);
    QVERIFY(m_host.texts().contains(LoadBuiltinString(IDS_STRING136)));
}

void TestConversionPipeline::everyFormatWritesItsLayout_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("bits");
    QTest::addColumn<quint32>("offset");
    QTest::newRow("1 bit") << 0 << 1 << 62u;
    QTest::newRow("4 bits") << 1 << 4 << 118u;
    QTest::newRow("8 bits") << 2 << 8 << 1078u;
    QTest::newRow("16 bits") << 3 << 16 << 66u;
    QTest::newRow("24 bits") << 4 << 24 << 54u;
    QTest::newRow("32 ARGB") << 5 << 32 << 122u;
    QTest::newRow("32 PARGB") << 6 << 32 << 122u;
    QTest::newRow("32 RGB") << 7 << 32 << 54u;
    QTest::newRow("64 ARGB") << 8 << 64 << 54u;
    QTest::newRow("64 PARGB") << 9 << 64 << 54u;
}

void TestConversionPipeline::everyFormatWritesItsLayout()
{
    QFETCH(int, index);
    QFETCH(int, bits);
    QFETCH(quint32, offset);
    const QString out = m_dir->filePath("out.bmp");
    ConversionRequest request = Request(out);
    request.outputWidthText = "13"; // odd widths catch row padding
    request.outputHeightText = "7";
    request.text = "X";
    request.textXText = "1";
    request.textYText = "1";
    request.pixelFormat = PixelFormatForIndex(index).code;
    request.indexedFormat = IndexedFormatFor(request.pixelFormat);
    QVERIFY(Run(request).succeeded);
    QCOMPARE(m_host.shown.size(), 0);
    const BmpHeader h = ReadHeader(out);
    QCOMPARE(h.bits, quint16(bits));
    QCOMPARE(h.offset, offset);
    QCOMPARE(qint64(h.fileSize), h.length);
    QCOMPARE(h.width, 13);
    QCOMPARE(h.height, 7);
    const qint64 stride = ((13 * bits + 31) / 32) * 4;
    QCOMPARE(h.length, qint64(offset) + stride * 7);
    // Resolution from the photo (96 dpi: 3780 pixels per metre), indexed too.
    const QByteArray bytes = ReadTestFile(out);
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    QCOMPARE(ReadU32(p + 38), 3780u);
    QCOMPARE(ReadU32(p + 42), 3780u);
}

void TestConversionPipeline::indexedIntermediateIsAlwaysRemoved()
{
    // cleanup() checks TMPDIR after each run; here a run that fails after
    // the intermediate was written.
    const QString out = m_dir->filePath("sub/out.bmp");
    ConversionRequest request = Request(out);
    request.pixelFormat = request.indexedFormat = PixelFormat4bppIndexed;
    QVERIFY(!Run(request).succeeded);
}

void TestConversionPipeline::unloadableIntermediate()
{
    FailingImaging failing;
    failing.garbleSave = true;
    const QString out = m_dir->filePath("out.bmp");
    ConversionRequest request = Request(out);
    request.pixelFormat = request.indexedFormat = PixelFormat1bppIndexed;
    QVERIFY(!Run(request, &failing).succeeded);
    const QStringList texts = m_host.texts();
    QCOMPARE(texts.size(), 2);
    QVERIFY(texts[0].endsWith(" is not a Legitimate DIB File!"));
    QCOMPARE(m_host.shown[0].caption, texts[0].left(texts[0].indexOf(" is not")));
    QCOMPARE(texts[1], S(IDS_STRING148));
    QVERIFY(!QFile::exists(out));
}

void TestConversionPipeline::existingFileWithoutPermission()
{
    // A file that appeared after the question (or that the check could not
    // read) is never replaced without the user's word.
    const QString out = m_dir->filePath("out.bmp");
    QVERIFY(WriteTestFile(out, "keep"));
    QVERIFY(!ConvertPhoto(m_imaging, m_photo, Request(out), m_host, false).succeeded);
    QCOMPARE(m_host.texts(), QStringList{S(IDS_STRING118)});
    QCOMPARE(ReadTestFile(out), QByteArray("keep"));

    m_host = ScriptedHost();
    ConversionRequest request = Request(out);
    request.pixelFormat = request.indexedFormat = PixelFormat8bppIndexed;
    QVERIFY(!ConvertPhoto(m_imaging, m_photo, request, m_host, false).succeeded);
    QCOMPARE(m_host.texts(),
             (QStringList{"Can not create the file!", LoadBuiltinString(IDS_STRING136)}));
    QVERIFY(!m_host.shown[0].owned);
    QCOMPARE(m_host.shown[0].caption, out);
    QCOMPARE(ReadTestFile(out), QByteArray("keep"));
}

void TestConversionPipeline::messagesFollowTheLanguage()
{
    QTemporaryDir base;
    QVERIFY(
        WriteTestFile(base.filePath("language/German.ini"),
                      "[STRING]\nIDS_STRING111=Breite ung\xFCltig!\nIDS_MESSAGE_ERROR=Fehler\n"));
    theLanguage.Initialize(base.path(), "German");
    ConversionRequest request = Request(m_dir->filePath("out.bmp"));
    request.outputWidthText = "0";
    Run(request);
    QCOMPARE(m_host.texts(), QStringList{QStringLiteral(u"Breite ungültig!")});
    QCOMPARE(m_host.shown[0].caption, QStringLiteral("Fehler"));
}

QTEST_MAIN(TestConversionPipeline)
#include "test_conversion_pipeline.moc"
