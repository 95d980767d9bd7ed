// Code pages, file and path helpers, typed numbers and the scripted UI double.
#include "language/LanguageTable.h"
#include "platform/CodePage.h"
#include "platform/FileHelpers.h"
#include "platform/TypedNumber.h"
#include "support/PipeWatch.h"
#include "support/ScriptedUiServices.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QSet>
#include <QTest>

#include <climits>
#include <unistd.h>

class TestPlatform : public QObject
{
    Q_OBJECT

private slots:
    void decodesEveryCodePage_data();
    void decodesEveryCodePage();
    void rejectsUnknownCodePages();
    void systemCodePageRoundTrips();
    void bytesThatAreNoCharacterBecomeReplacements_data();
    void bytesThatAreNoCharacterBecomeReplacements();
    void everyCodePageKeepsControlsAndMarksNothingElse();

    void fileExistsOnlyForReadableFiles();
    void pathFolderKeepsItsSeparator();
    void findsFilesIgnoringCase();

    void typedNumbers_data();
    void typedNumbers();
    void typedNumberOfVeryLongDigitRuns();

    void scriptedDoubleRecordsAndAnswers();
};

void TestPlatform::decodesEveryCodePage_data()
{
    QTest::addColumn<int>("codePage");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("874 Thai") << 874 << QByteArray("\xA1\xC0\x80") << QStringLiteral(u"กภ€");
    QTest::newRow("1250 Central European")
        << 1250 << QByteArray("\x8A\xB9\xE8") << QStringLiteral(u"Šąč");
    QTest::newRow("1251 Cyrillic") << 1251 << QByteArray("\xC0\xFF\xA8") << QStringLiteral(u"АяЁ");
    QTest::newRow("1252 Western") << 1252 << QByteArray("\x80\xE4\x9F") << QStringLiteral(u"€äŸ");
    QTest::newRow("1253 Greek") << 1253 << QByteArray("\xC1\xE1") << QStringLiteral(u"Αα");
    QTest::newRow("1254 Turkish") << 1254 << QByteArray("\xD0\xFD") << QStringLiteral(u"Ğı");
    QTest::newRow("1255 Hebrew") << 1255 << QByteArray("\xE0\xA4") << QStringLiteral(u"א₪");
    QTest::newRow("1256 Arabic") << 1256 << QByteArray("\xC7\xE1") << QStringLiteral(u"ال");
    QTest::newRow("1257 Baltic") << 1257 << QByteArray("\xC0\xE0") << QStringLiteral(u"Ąą");
    QTest::newRow("1258 Vietnamese")
        << 1258 << QByteArray("\xD0\xF0\xFE") << QStringLiteral(u"Đđ₫");
    // 0x5C as a trail byte is part of the character, not a backslash.
    QTest::newRow("932 Japanese") << 932 << QByteArray("\x93\xFA\x96\x7B\x95\x5C")
                                  << QStringLiteral(u"日本表");
    QTest::newRow("936 Simplified Chinese")
        << 936 << QByteArray("\xD6\xD0\xCE\xC4") << QStringLiteral(u"中文");
    QTest::newRow("949 Korean") << 949 << QByteArray("\xC7\xD1\xB1\xB9") << QStringLiteral(u"한국");
    QTest::newRow("950 Traditional Chinese")
        << 950 << QByteArray("\xA4\xA4\xA4\xE5") << QStringLiteral(u"中文");
    QTest::newRow("65001 UTF-8") << 65001 << QByteArray("\xC3\xA9\xE2\x82\xAC")
                                 << QStringLiteral(u"é€");
    QTest::newRow("0 system (UTF-8 here)") << 0 << QByteArray("\xC3\xA9") << QStringLiteral(u"é");
}

void TestPlatform::decodesEveryCodePage()
{
    QFETCH(int, codePage);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QVERIFY(IsSupportedCodePage(codePage));
    const std::optional<QString> decoded = DecodeCodePage(bytes, codePage);
    QVERIFY(decoded.has_value());
    QCOMPARE(*decoded, text);
}

void TestPlatform::rejectsUnknownCodePages()
{
    QVERIFY(!IsSupportedCodePage(437));
    QVERIFY(!DecodeCodePage("abc", 437).has_value());
    QVERIFY(!DecodeCodePage("abc", -1).has_value());
    // Broken bytes decode to replacement characters, never to nothing.
    const std::optional<QString> broken = DecodeCodePage("\xE4\xB8", 65001);
    QVERIFY(broken.has_value());
    QVERIFY(broken->contains(QChar(0xFFFD)));
}

void TestPlatform::systemCodePageRoundTrips()
{
    const QString text = QStringLiteral(u"Grüße, Привет, 中文");
    QCOMPARE(*DecodeCodePage(EncodeSystemCodePage(text), 0), text);
}

void TestPlatform::bytesThatAreNoCharacterBecomeReplacements_data()
{
    QTest::addColumn<int>("codePage");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    const QString r(QChar::ReplacementCharacter);
    QTest::newRow("932 unassigned single bytes")
        << 932 << QByteArray("a\x80\xA0\xFD\xFE\xFF") << "a" + r + r + r + r + r;
    QTest::newRow("932 bad trail byte") << 932 << QByteArray("\x81\x20x") << r + " x";
    QTest::newRow("932 cut off at the end") << 932 << QByteArray("ab\x81") << "ab" + r;
    QTest::newRow("936 bad trail byte") << 936 << QByteArray("\x81\x20") << r + " ";
    QTest::newRow("936 cut off at the end")
        << 936 << QByteArray("\xD6\xD0\xD6") << QStringLiteral(u"中") + r;
    QTest::newRow("949 cut off at the end")
        << 949 << QByteArray("\xC7\xD1\xC7") << QStringLiteral(u"한") + r;
    QTest::newRow("950 cut off at the end")
        << 950 << QByteArray("\xA4\xA4\xA4") << QStringLiteral(u"中") + r;
    QTest::newRow("1253 unassigned")
        << 1253 << QByteArray("\xC1\xD2\xFF") << QStringLiteral(u"Α") + r + r;
    QTest::newRow("1255 unassigned")
        << 1255 << QByteArray("\xE0\xDB\xFB") << QStringLiteral(u"א") + r + r;
    QTest::newRow("1257 unassigned") << 1257 << QByteArray("\xA1\xA5") << r + r;
    QTest::newRow("65001 broken and cut off")
        << 65001 << QByteArray("\xFF\xC3\xA9\xE4\xB8")
        << r + QStringLiteral(u"é") + r + r; // one for each byte of the cut-off character
    QTest::newRow("0 system, cut off")
        << 0 << QByteArray("\xC3\xA9\xC3") << QStringLiteral(u"é") + r;
}

void TestPlatform::bytesThatAreNoCharacterBecomeReplacements()
{
    QFETCH(int, codePage);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(DecodeCodePage(bytes, codePage).value_or(QString()), text);
}

void TestPlatform::everyCodePageKeepsControlsAndMarksNothingElse()
{
    QByteArray controls;
    QString controlText;
    for (int b = 0; b < 0x20; ++b) {
        controls += char(b);
        controlText += QChar(char16_t(b));
    }
    controls += '\x7F';
    controlText += QChar(u'\x7F');
    // Every code page of the language table, UTF-8 and the system's.
    QSet<int> codePages{kUtf8CodePage, kSystemCodePage};
    for (const LanguageTableRow& row : LanguageTable())
        codePages.insert(row.codePage);
    for (int codePage : codePages) {
        QVERIFY(IsSupportedCodePage(codePage));
        // Controls stand for themselves, also around other text.
        QCOMPARE(*DecodeCodePage(controls, codePage), controlText);
        QCOMPARE(*DecodeCodePage("A\x1A"
                                 "B",
                                 codePage),
                 QStringLiteral(u"A\x1A"
                                "B"));
        // No single byte or pair of bytes decodes to a control: what is no
        // character is U+FFFD, never a control such as U+001A. One call per
        // lead byte, each pair on a line of its own.
        for (int lead = 0x20; lead < 0x100; ++lead) {
            if (lead == 0x7F)
                continue;
            QByteArray pairs;
            for (int trail = 0x20; trail < 0x100; ++trail) {
                if (trail == 0x7F)
                    continue;
                pairs += char(lead);
                pairs += char(trail);
                pairs += '\n';
            }
            const QString text = *DecodeCodePage(pairs, codePage);
            const QStringList lines = text.split(u'\n');
            QCOMPARE(lines.size(), 223 + 1); // every pair, and the empty rest
            for (const QString& line : lines) {
                for (QChar c : line)
                    QVERIFY2(c.unicode() >= 0x20 && c.unicode() != 0x7F,
                             qPrintable(QStringLiteral("code page %1, lead byte %2")
                                            .arg(codePage)
                                            .arg(lead, 2, 16)));
            }
        }
    }
}

void TestPlatform::fileExistsOnlyForReadableFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("photo.jpg"));
    QVERIFY(!FileExists(file));
    QVERIFY(WriteTestFile(file, "x"));
    QVERIFY(FileExists(file));
    QVERIFY(!FileExists(dir.path())); // a folder is not a file
    QVERIFY(!FileExists(QString()));

    // A long path works in full.
    QString deep = dir.path();
    for (int i = 0; i < 12; ++i)
        deep += QStringLiteral("/a-rather-long-folder-name-number-%1").arg(i);
    const QString longFile = deep + QStringLiteral("/English.ini");
    QVERIFY(longFile.size() > 300);
    QVERIFY(WriteTestFile(longFile, "[STRING]\n"));
    QVERIFY(FileExists(longFile));

    if (::geteuid() != 0) { // root reads everything
        const QString locked = dir.filePath(QStringLiteral("locked.ini"));
        QVERIFY(WriteTestFile(locked, "x"));
        QFile::setPermissions(locked, QFileDevice::WriteOwner);
        QVERIFY(!FileExists(locked));
    }

    // Pipes and devices are not files, and asking must not open them: a pipe
    // would block until someone writes to it.
    const QString pipePath = dir.filePath(QStringLiteral("pipe.ini"));
    PipeWatch pipe(pipePath);
    QVERIFY(pipe.created());
    QVERIFY(QFile::link(pipePath, dir.filePath(QStringLiteral("link.ini"))));
    QVERIFY(!FileExists(pipePath));
    QVERIFY(!FileExists(dir.filePath(QStringLiteral("link.ini"))));
    QVERIFY(!FileExists(QStringLiteral("/dev/null")));
    QVERIFY(!pipe.finish());
    QVERIFY(QFile::link(file, dir.filePath(QStringLiteral("link-to-file.jpg"))));
    QVERIFY(FileExists(dir.filePath(QStringLiteral("link-to-file.jpg"))));
}

void TestPlatform::pathFolderKeepsItsSeparator()
{
    QCOMPARE(GetPathFolder(QStringLiteral("/home/ann/Pictures/cat.jpg")),
             QStringLiteral("/home/ann/Pictures/"));
    QCOMPARE(GetPathFolder(QStringLiteral("/cat.jpg")), QStringLiteral("/"));
    QCOMPARE(GetPathFolder(QStringLiteral("/home/ann/")), QStringLiteral("/home/ann/"));
    QCOMPARE(GetPathFolder(QStringLiteral("cat.jpg")), QString());
    QCOMPARE(GetPathFolder(QString()), QString());
}

void TestPlatform::findsFilesIgnoringCase()
{
    QTemporaryDir dir;
    QVERIFY(WriteTestFile(dir.filePath(QStringLiteral("English.ini")), "e"));
    QVERIFY(WriteTestFile(dir.filePath(QStringLiteral("chs.INI")), "c"));
    QCOMPARE(FindFileIgnoringCase(dir.path(), QStringLiteral("english.ini")),
             dir.filePath(QStringLiteral("English.ini")));
    QCOMPARE(FindFileIgnoringCase(dir.path(), QStringLiteral("CHS.ini")),
             dir.filePath(QStringLiteral("chs.INI")));
    QCOMPARE(FindFileIgnoringCase(dir.path(), QStringLiteral("German.ini")), QString());
    QCOMPARE(FindFileIgnoringCase(dir.path() + QStringLiteral("/missing"), QStringLiteral("a")),
             QString());
    // An exact match wins over one that differs in case.
    QVERIFY(WriteTestFile(dir.filePath(QStringLiteral("ENGLISH.ini")), "E"));
    QCOMPARE(FindFileIgnoringCase(dir.path(), QStringLiteral("ENGLISH.ini")),
             dir.filePath(QStringLiteral("ENGLISH.ini")));
    // Only regular files are found: not pipes, devices, folders or links to them.
    PipeWatch pipe(dir.filePath(QStringLiteral("pipe.INI")));
    QVERIFY(pipe.created());
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), dir.filePath(QStringLiteral("null.INI"))));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("pipe.INI")),
                        dir.filePath(QStringLiteral("linked.INI"))));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.INI")));
    for (const char* name : {"PIPE.ini", "NULL.ini", "LINKED.ini", "FOLDER.ini"})
        QCOMPARE(FindFileIgnoringCase(dir.path(), QString::fromLatin1(name)), QString());
    QVERIFY(!pipe.finish());
}

void TestPlatform::typedNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << "640" << 640;
    QTest::newRow("trailing letters") << "640px" << 640;
    QTest::newRow("leading blanks") << " \t 25" << 25;
    QTest::newRow("plus") << "+7" << 7;
    QTest::newRow("minus") << "-3" << -3;
    QTest::newRow("no digits") << "abc" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("sign only") << "-" << 0;
    QTest::newRow("two signs") << "--5" << 0;
    QTest::newRow("blank after sign") << "- 5" << 0;
    QTest::newRow("decimal point") << "1.5" << 1;
    QTest::newRow("no grouping") << "1,234" << 1;
    QTest::newRow("leading zeros") << "000123" << 123;
    QTest::newRow("max") << "2147483647" << INT_MAX;
    QTest::newRow("above max") << "2147483648" << INT_MAX;
    QTest::newRow("min") << "-2147483648" << INT_MIN;
    QTest::newRow("below min") << "-2147483649" << INT_MIN;
    QTest::newRow("huge") << "99999999999999999999999" << INT_MAX;
    QTest::newRow("full-width digits are not digits") << QStringLiteral(u"１２") << 0;
}

void TestPlatform::typedNumbers()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(ParseTypedNumber(text), value);
}

void TestPlatform::typedNumberOfVeryLongDigitRuns()
{
    QCOMPARE(ParseTypedNumber(QString(100000, u'9')), INT_MAX);
    QCOMPARE(ParseTypedNumber(u'-' + QString(100000, u'9')), INT_MIN);
    QCOMPARE(ParseTypedNumber(QString(100000, u'0') + u'5'), 5);
}

void TestPlatform::scriptedDoubleRecordsAndAnswers()
{
    ScriptedUiServices ui;
    QWidget* fakeOwner = reinterpret_cast<QWidget*>(this); // only compared, never used
    ui.queueAnswer(IDYES);
    QCOMPARE(ShowMessage(fakeOwner, QStringLiteral("Replace?"), QStringLiteral("Warning"),
                         MessageButtons::YesNo, MessageIcon::Warning),
             int(IDYES));
    QCOMPARE(ShowMessage(nullptr, QStringLiteral("Failed"), QStringLiteral("Error")), int(IDOK));
    QCOMPARE(ShowMessage(nullptr, QStringLiteral("Again?"), QString(), MessageButtons::YesNo),
             int(IDNO));
    QCOMPARE(ui.boxes().size(), 3);
    QCOMPARE(ui.boxes()[0].owner, fakeOwner);
    QVERIFY(ui.boxes()[0].hasOwner);
    QVERIFY(ui.boxes()[0].scripted);
    QCOMPARE(ui.boxes()[0].icon, MessageIcon::Warning);
    QCOMPARE(ui.boxes()[0].buttons, MessageButtons::YesNo);
    QVERIFY(!ui.boxes()[1].hasOwner);
    QCOMPARE(ui.boxes()[1].caption, QStringLiteral("Error"));
    QVERIFY(!ui.boxes()[2].scripted);
}

QTEST_GUILESS_MAIN(TestPlatform)
#include "test_platform.moc"
