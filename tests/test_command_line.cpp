// rastelle-convert: its options, its exit codes and its files.
#include "convert/CommandLine.h"
#include "convert/PixelFormats.h"
#include "language/CLanguage.h"
#include "platform/SettingsStore.h"
#include "support/CommandLineRun.h"
#include "support/TestFiles.h"

#include <QProcess>
#include <QTest>
#include <QTextStream>
#include <QtEndian>

namespace {

using Run = CommandLineRun;

QSize BmpSize(const QString& path)
{
    const QByteArray bytes = ReadTestFile(path);
    if (bytes.size() < 26 || !bytes.startsWith("BM"))
        return {};
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    return QSize(qFromLittleEndian<qint32>(p + 18), qFromLittleEndian<qint32>(p + 22));
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void parsesOptions();
    void usageErrors_data();
    void usageErrors();
    void helpExitsZero();
    void sizesFollowTheCalculator();
    void neverReplacesWithoutOverwrite();
    void failuresExitOne();
    void framesByDimension();
    void picturesAreReadByContent();
    void realProgramWritesEveryFormat();
    void realProgramSaysNothingAboutInterfaceFonts();

private:
    QTemporaryDir m_dir;
    QString m_photo; // 640 x 480
};

void TestCommandLine::initTestCase()
{
    theLanguage.Initialize("/nonexistent", "english");
    QImage photo(640, 480, QImage::Format_RGB32);
    photo.fill(Qt::darkCyan);
    m_photo = m_dir.filePath("photo.png");
    QVERIFY(photo.save(m_photo));
}

void TestCommandLine::parsesOptions()
{
    const CommandLineParse parse = ParseCommandLine(
        {"in.jpg",  "out.bmp",      "--format",    "32p",     "--size", "800x600",    "--rotate",
         "270",     "--flip",       "v",           "--text",  "Hello",  "--at",       "10,-20",
         "--font",  "DejaVu Serif", "--font-size", "24",      "--bold", "--italic",   "--color",
         "#FF8000", "--dimension",  "page",        "--frame", "2",      "--overwrite"});
    QVERIFY2(parse.ok, qPrintable(parse.error));
    const CommandLineOptions& o = parse.options;
    QCOMPARE(o.input, QStringLiteral("in.jpg"));
    QCOMPARE(o.output, QStringLiteral("out.bmp"));
    QCOMPARE(o.pixelFormat, int(PixelFormat32bppPARGB));
    QCOMPARE(*o.width, 800);
    QCOMPARE(*o.height, 600);
    QCOMPARE(o.rotate, 270);
    QCOMPARE(o.flip, 2);
    QCOMPARE(o.text, QStringLiteral("Hello"));
    QCOMPARE(o.textX, 10);
    QCOMPARE(o.textY, -20);
    QCOMPARE(o.fontFamily, QStringLiteral("DejaVu Serif"));
    QCOMPARE(o.fontSize, 24);
    QVERIFY(o.bold && o.italic && o.overwrite);
    QCOMPARE(o.color, 0x0080FFu); // 0x00BBGGRR
    QCOMPARE(*o.dimension, FrameDimensionPage);
    QCOMPARE(*o.frame, 2);

    for (const auto& [name, code] :
         {std::pair{"1", PixelFormat1bppIndexed}, std::pair{"4", PixelFormat4bppIndexed},
          std::pair{"8", PixelFormat8bppIndexed}, std::pair{"16", PixelFormat16bppRGB565},
          std::pair{"24", PixelFormat24bppRGB}, std::pair{"32", PixelFormat32bppRGB},
          std::pair{"32a", PixelFormat32bppARGB}, std::pair{"64a", PixelFormat64bppARGB},
          std::pair{"64p", PixelFormat64bppPARGB}})
        QCOMPARE(ParseCommandLine({"a", "b", "--format", name}).options.pixelFormat, int(code));
}

void TestCommandLine::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("nothing") << QStringList{};
    QTest::newRow("one file") << QStringList{"in.jpg"};
    QTest::newRow("three files") << QStringList{"a", "b", "c"};
    QTest::newRow("unknown option") << QStringList{"a", "b", "--sharpen"};
    QTest::newRow("missing value") << QStringList{"a", "b", "--format"};
    QTest::newRow("bad format") << QStringList{"a", "b", "--format", "12"};
    QTest::newRow("bad size") << QStringList{"a", "b", "--size", "800"};
    QTest::newRow("zero size") << QStringList{"a", "b", "--size", "0x5"};
    QTest::newRow("two sizes") << QStringList{"a", "b", "--width", "5", "--height", "6"};
    QTest::newRow("bad angle") << QStringList{"a", "b", "--rotate", "45"};
    QTest::newRow("bad flip") << QStringList{"a", "b", "--flip", "x"};
    QTest::newRow("bad position") << QStringList{"a", "b", "--at", "1;2"};
    QTest::newRow("bad colour") << QStringList{"a", "b", "--color", "red"};
    QTest::newRow("huge font") << QStringList{"a", "b", "--font-size", "999999"};
    QTest::newRow("negative frame") << QStringList{"a", "b", "--frame", "-1"};
    QTest::newRow("bad dimension") << QStringList{"a", "b", "--dimension", "space"};
    QTest::newRow("overflowing width") << QStringList{"a", "b", "--width", "99999999999"};
}

void TestCommandLine::usageErrors()
{
    QFETCH(QStringList, arguments);
    const Run run = RunInProcess(arguments);
    QCOMPARE(run.code, int(kExitUsage));
    QVERIFY(run.err.startsWith("rastelle-convert: "));
    QVERIFY(run.err.contains("--help"));
}

void TestCommandLine::helpExitsZero()
{
    const Run run = RunInProcess({"--help"});
    QCOMPARE(run.code, int(kExitSuccess));
    QVERIFY(run.out.contains("Usage: rastelle-convert INPUT OUTPUT"));
    QVERIFY(run.out.contains("--overwrite"));
}

void TestCommandLine::sizesFollowTheCalculator()
{
    const QString out = m_dir.filePath("calc.bmp");
    QCOMPARE(RunInProcess({m_photo, out, "--width", "1000"}).code, 0);
    QCOMPARE(BmpSize(out), QSize(1000, 750));
    QCOMPARE(RunInProcess({m_photo, out, "--width", "333", "--overwrite"}).code, 0);
    QCOMPARE(BmpSize(out), QSize(333, 249)); // 249.75 truncated
    QCOMPARE(RunInProcess({m_photo, out, "--height", "100", "--overwrite"}).code, 0);
    QCOMPARE(BmpSize(out), QSize(133, 100));
    QCOMPARE(RunInProcess({m_photo, out, "--overwrite"}).code, 0);
    QCOMPARE(BmpSize(out), QSize(640, 480));
}

void TestCommandLine::neverReplacesWithoutOverwrite()
{
    const QString out = m_dir.filePath("exists.bmp");
    QVERIFY(WriteTestFile(out, "mine"));
    const Run refused = RunInProcess({m_photo, out});
    QCOMPARE(refused.code, int(kExitFailed));
    QVERIFY(refused.err.contains("--overwrite"));
    QCOMPARE(ReadTestFile(out), QByteArray("mine"));
    QCOMPARE(RunInProcess({m_photo, out, "--overwrite"}).code, 0);
    QCOMPARE(BmpSize(out), QSize(640, 480));
}

void TestCommandLine::failuresExitOne()
{
    const Run missing = RunInProcess({m_dir.filePath("missing.jpg"), m_dir.filePath("x.bmp")});
    QCOMPARE(missing.code, int(kExitFailed));
    QVERIFY(missing.err.contains("Can not get the width of the photo!"));
    QVERIFY(!QFile::exists(m_dir.filePath("x.bmp")));

    const Run badFolder = RunInProcess({m_photo, m_dir.filePath("none/x.bmp")});
    QCOMPARE(badFolder.code, int(kExitFailed));
    QVERIFY(badFolder.err.contains("Failed to save the file!"));

    const Run badPosition =
        RunInProcess({m_photo, m_dir.filePath("pos.bmp"), "--text", "A", "--at", "900,5"});
    QCOMPARE(badPosition.code, 0); // a warning; the text goes to x = 0
    QVERIFY(badPosition.err.contains("The text position X is out of range!"));
}

void TestCommandLine::framesByDimension()
{
    const QString gif = QStringLiteral(RASTELLE_TEST_DATA_DIR "/frames/anim5.gif");
    const QString out = m_dir.filePath("frame.bmp");
    QCOMPARE(RunInProcess({gif, out, "--dimension", "time", "--frame", "2"}).code, 0);
    QImage frame(out);
    QCOMPARE(frame.pixelColor(4, 3), QColor(Qt::blue));
    const Run beyond = RunInProcess({gif, out, "--frame", "5", "--overwrite"});
    QCOMPARE(beyond.code, int(kExitFailed));
    QVERIFY(beyond.err.contains("0 to 4"));
    const Run wrongDimension = RunInProcess({gif, out, "--dimension", "page", "--overwrite"});
    QCOMPARE(wrongDimension.code, int(kExitFailed));
}

void TestCommandLine::picturesAreReadByContent()
{
    // The converter decodes as the window does: by what a file holds.
    QImage image(29, 13, QImage::Format_RGB32);
    image.fill(QColor(0, 0, 255));
    const QString dib = m_dir.filePath("bitmap.dib");
    const QString png = m_dir.filePath("jpeg.png");
    QVERIFY(image.save(dib, "BMP"));
    QVERIFY(image.save(png, "JPEG"));
    for (const QString& input : {dib, png}) {
        const QString out = input + QStringLiteral(".bmp");
        const Run run = RunInProcess({input, out});
        QCOMPARE(run.code, 0);
        QCOMPARE(BmpSize(out), QSize(29, 13));
        QVERIFY(QImage(out).pixelColor(14, 6).blue() > 240);
    }
}

void TestCommandLine::realProgramWritesEveryFormat()
{
    const QString program = QStringLiteral(RASTELLE_BIN_DIR "/rastelle-convert");
    QVERIFY(QFile::exists(program));
    const QStringList formats = {"1", "4", "8", "16", "24", "32", "32a", "32p", "64a", "64p"};
    const int bits[] = {1, 4, 8, 16, 24, 32, 32, 32, 64, 64};
    for (int i = 0; i < formats.size(); ++i) {
        const QString out = m_dir.filePath("real_" + formats[i] + ".bmp");
        QProcess process;
        process.start(program, {m_photo, out, "--format", formats[i], "--width", "101", "--text",
                                "Rastelle", "--at", "3,3"});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(BmpSize(out), QSize(101, 75));
        const QByteArray bytes = ReadTestFile(out);
        QCOMPARE(int(qFromLittleEndian<quint16>(bytes.constData() + 28)), bits[i]);
    }
    QProcess usage;
    usage.start(program, {"--nonsense"});
    QVERIFY(usage.waitForFinished(60000));
    QCOMPARE(usage.exitCode(), 2);
}

void TestCommandLine::realProgramSaysNothingAboutInterfaceFonts()
{
    // A stored interface font that cannot be made is the window's business;
    // the converter has no interface and converts as usual.
    QTemporaryDir config;
    {
        SettingsStore store(config.filePath("TOLMERA/Rastelle.conf"));
        store.WriteProfileInt("english", "lfHeight", -2147483647);
    }
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", config.path());
    process.setProcessEnvironment(environment);
    const QString out = m_dir.filePath("font.bmp");
    process.start(QStringLiteral(RASTELLE_BIN_DIR "/rastelle-convert"), {m_photo, out});
    QVERIFY(process.waitForFinished(60000));
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(!err.contains("font", Qt::CaseInsensitive), qPrintable(err));
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(BmpSize(out), QSize(640, 480));
}

QTEST_MAIN(TestCommandLine)
#include "test_command_line.moc"
