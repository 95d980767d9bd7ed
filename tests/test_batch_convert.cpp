// rastelle-convert with many pictures and --output-dir: names, failures,
// the summary, the exit status and the progress line.
#include "convert/CommandLine.h"
#include "language/CLanguage.h"
#include "support/CommandLineRun.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QProcess>
#include <QTest>
#include <QTextStream>
#include <QtEndian>

namespace {

using Run = CommandLineRun;

// The real program, with a runtime folder of its own so that Qt has nothing
// to say about it on standard error.
Run RunProgram(const QStringList& arguments)
{
    static QTemporaryDir runtime;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", runtime.path());
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(RASTELLE_BIN_DIR "/rastelle-convert"), arguments);
    Run run;
    if (!process.waitForFinished(60000))
        return run;
    run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

int BitsPerPixel(const QString& path)
{
    const QByteArray bytes = ReadTestFile(path);
    return bytes.size() < 30 ? 0 : qFromLittleEndian<quint16>(bytes.constData() + 28);
}

QStringList Lines(const QString& text)
{
    return text.split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

class TestBatchConvert : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void goesOnAfterABrokenPicture();
    void allConvertedExitsZero();
    void sameNameIsNeverReplaced();
    void existingFilesNeedOverwrite();
    void makesAMissingFolder();
    void refusesAFolderThatCannotBe();
    void usageErrors_data();
    void usageErrors();
    void progressOnlyOnATerminal();
    void realProgramReportsEachPicture();

private:
    QString Picture(const QString& name, QColor color, QSize size = QSize(30, 20));

    QTemporaryDir m_dir;
    QString m_red;
    QString m_broken;
    QString m_blue;
};

QString TestBatchConvert::Picture(const QString& name, QColor color, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    const QString path = m_dir.filePath(name);
    QDir().mkpath(QFileInfo(path).path());
    return image.save(path) ? path : QString();
}

void TestBatchConvert::initTestCase()
{
    theLanguage.Initialize("/nonexistent", "english");
    m_red = Picture("red.png", Qt::red);
    m_blue = Picture("blue.png", Qt::blue, QSize(17, 9));
    m_broken = m_dir.filePath("broken.jpg");
    QVERIFY(WriteTestFile(m_broken, QByteArrayLiteral("\xFF\xD8\xFF\xE0 not really a JPEG")));
    QVERIFY(!m_red.isEmpty() && !m_blue.isEmpty());
}

void TestBatchConvert::goesOnAfterABrokenPicture()
{
    const QString out = m_dir.filePath("broken-run");
    const Run run = RunInProcess({m_red, m_broken, m_blue, "--output-dir", out});
    QCOMPARE(run.code, int(kExitFailed));

    const QString red = out + "/red_out.bmp";
    const QString blue = out + "/blue_out.bmp";
    QCOMPARE(QImage(red).size(), QSize(30, 20));
    QCOMPARE(QImage(red).pixelColor(15, 10), QColor(Qt::red));
    QCOMPARE(QImage(blue).size(), QSize(17, 9));
    QCOMPARE(QImage(blue).pixelColor(3, 4), QColor(Qt::blue));
    QCOMPARE(QDir(out).entryList(QDir::Files), QStringList({"blue_out.bmp", "red_out.bmp"}));

    QCOMPARE(Lines(run.out),
             QStringList({m_red + " -> " + red, m_blue + " -> " + blue, "2 converted, 1 failed"}));
    const QStringList errors = Lines(run.err);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].startsWith(m_broken + ": ") &&
                 errors[0].contains("Can not get the width of the photo!"),
             qPrintable(run.err));
}

void TestBatchConvert::allConvertedExitsZero()
{
    const QString out = m_dir.filePath("all-good");
    const Run run = RunInProcess({m_red, m_blue, "--output-dir", out, "--format", "8", "--dither",
                                  "floyd-steinberg", "--width", "10"});
    QCOMPARE(run.code, int(kExitSuccess));
    QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
    QCOMPARE(Lines(run.out).last(), QStringLiteral("2 converted, 0 failed"));
    // The same options for every picture.
    for (const QString name : {"red_out.bmp", "blue_out.bmp"}) {
        QCOMPARE(BitsPerPixel(out + '/' + name), 8);
        QCOMPARE(QImage(out + '/' + name).width(), 10);
    }
    // One picture with --output-dir is a batch of one.
    const QString single = m_dir.filePath("single");
    const Run one = RunInProcess({m_blue, "--output-dir", single});
    QCOMPARE(one.code, int(kExitSuccess));
    QVERIFY(QFile::exists(single + "/blue_out.bmp"));
    QCOMPARE(Lines(one.out).last(), QStringLiteral("1 converted, 0 failed"));
}

void TestBatchConvert::sameNameIsNeverReplaced()
{
    // a/photo.png and b/photo.jpg both want photo_out.bmp: the first keeps it.
    const QString first = Picture("a/photo.png", Qt::green);
    const QString second = Picture("b/photo.jpg", Qt::yellow);
    QVERIFY(!first.isEmpty() && !second.isEmpty());
    const QString out = m_dir.filePath("same-name");
    // Even with --overwrite, which replaces only what was there before.
    for (const bool overwrite : {false, true}) {
        QStringList arguments{first, second, first, "--output-dir", out};
        if (overwrite)
            arguments << "--overwrite";
        const Run run = RunInProcess(arguments);
        QCOMPARE(run.code, int(kExitFailed));
        QCOMPARE(QImage(out + "/photo_out.bmp").pixelColor(5, 5), QColor(Qt::green));
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList{"photo_out.bmp"});
        QCOMPARE(Lines(run.out).last(), QStringLiteral("1 converted, 2 failed"));
        const QStringList errors = Lines(run.err);
        QCOMPARE(errors.size(), 2);
        QVERIFY2(errors[0].startsWith(second + ": an earlier picture has the same output name, " +
                                      out + "/photo_out.bmp"),
                 qPrintable(run.err));
        QVERIFY(errors[1].startsWith(first + ": an earlier picture"));
    }
}

void TestBatchConvert::existingFilesNeedOverwrite()
{
    const QString out = m_dir.filePath("existing");
    QVERIFY(WriteTestFile(out + "/red_out.bmp", "mine"));
    const Run kept = RunInProcess({m_red, m_blue, "--output-dir", out});
    QCOMPARE(kept.code, int(kExitFailed));
    QCOMPARE(ReadTestFile(out + "/red_out.bmp"), QByteArray("mine"));
    QVERIFY(QFile::exists(out + "/blue_out.bmp"));
    QVERIFY2(Lines(kept.err).value(0).startsWith(m_red + ": ") &&
                 kept.err.contains("exists; add --overwrite to replace it."),
             qPrintable(kept.err));
    QCOMPARE(Lines(kept.out).last(), QStringLiteral("1 converted, 1 failed"));

    const Run replaced = RunInProcess({m_red, m_blue, "--output-dir", out, "--overwrite"});
    QCOMPARE(replaced.code, int(kExitSuccess));
    QCOMPARE(QImage(out + "/red_out.bmp").pixelColor(1, 1), QColor(Qt::red));
}

void TestBatchConvert::makesAMissingFolder()
{
    const QString out = m_dir.filePath("new/and/deeper");
    QVERIFY(!QFileInfo::exists(out));
    const Run run = RunInProcess({m_red, "--output-dir", out});
    QCOMPARE(run.code, int(kExitSuccess));
    QVERIFY(QFileInfo(out).isDir());
    QCOMPARE(QImage(out + "/red_out.bmp").size(), QSize(30, 20));
}

void TestBatchConvert::refusesAFolderThatCannotBe()
{
    const QString file = m_dir.filePath("plain-file");
    QVERIFY(WriteTestFile(file, "x"));
    const Run notFolder = RunInProcess({m_red, "--output-dir", file});
    QCOMPARE(notFolder.code, int(kExitFailed));
    QVERIFY2(notFolder.err.contains("is not a folder"), qPrintable(notFolder.err));
    const Run underFile = RunInProcess({m_red, "--output-dir", file + "/sub"});
    QCOMPARE(underFile.code, int(kExitFailed));
    QVERIFY2(underFile.err.contains("cannot be made"), qPrintable(underFile.err));
    QCOMPARE(ReadTestFile(file), QByteArray("x"));
}

void TestBatchConvert::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("several without a folder")
        << QStringList{"a.jpg", "b.jpg", "c.jpg"} << "--output-dir DIR";
    QTest::newRow("folder without pictures")
        << QStringList{"--output-dir", "out"} << "give the pictures to convert";
    QTest::newRow("folder without name")
        << QStringList{"a.jpg", "--output-dir"} << "--output-dir needs a value";
    QTest::newRow("empty folder name")
        << QStringList{"a.jpg", "--output-dir", ""} << "--output-dir needs a folder";
    QTest::newRow("with --info") << QStringList{"--info", "a.bmp", "--output-dir", "out"}
                                 << "--info takes one file";
}

void TestBatchConvert::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const Run run = RunInProcess(arguments);
    QCOMPARE(run.code, int(kExitUsage));
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(!QFileInfo::exists("out"));
}

void TestBatchConvert::progressOnlyOnATerminal()
{
    const QString out = m_dir.filePath("progress");
    const Run shown = RunInProcess({m_red, m_blue, "--output-dir", out}, true);
    QCOMPARE(shown.code, int(kExitSuccess));
    QVERIFY(shown.err.contains("\r\x1b[K[1/2] red.png"));
    QVERIFY(shown.err.contains("\r\x1b[K[2/2] blue.png"));
    // The line is cleared again before anything else is printed.
    QVERIFY(shown.err.endsWith("\r\x1b[K"));
    QVERIFY(!shown.out.contains(u'\r'));

    const Run quiet = RunInProcess({m_red, m_blue, "--output-dir", out, "--overwrite"});
    QCOMPARE(quiet.code, int(kExitSuccess));
    QVERIFY(quiet.err.isEmpty());
}

void TestBatchConvert::realProgramReportsEachPicture()
{
    // Not a terminal: no progress line, just the results.
    const QString out = m_dir.filePath("real");
    const Run run = RunProgram({m_red, m_broken, m_blue, "--output-dir", out});
    QCOMPARE(run.code, int(kExitFailed));
    QVERIFY2(!run.err.contains("[1/3]") && !run.err.contains(u'\r'), qPrintable(run.err));
    QCOMPARE(Lines(run.err).size(), 1);
    QVERIFY(Lines(run.err)[0].startsWith(m_broken + ": "));
    QCOMPARE(Lines(run.out).size(), 3);
    QCOMPARE(Lines(run.out).last(), QStringLiteral("2 converted, 1 failed"));
    QVERIFY(QFile::exists(out + "/red_out.bmp") && QFile::exists(out + "/blue_out.bmp"));

    const Run usage = RunProgram({m_red, m_blue, m_broken});
    QCOMPARE(usage.code, int(kExitUsage));
    QVERIFY(usage.err.contains("--output-dir"));
}

QTEST_MAIN(TestBatchConvert)
#include "test_batch_convert.moc"
