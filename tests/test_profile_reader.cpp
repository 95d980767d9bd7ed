// The private-profile reader: syntax, encodings, limits.
#include "platform/ProfileReader.h"
#include "support/PipeWatch.h"
#include "support/TestFiles.h"

#include <QTest>

class TestProfileReader : public QObject
{
    Q_OBJECT

private slots:
    void readsValuesIgnoringCaseOfNames();
    void syntaxRules_data();
    void syntaxRules();
    void missingFileSectionOrKeyYieldsDefault();
    void valuesBeforeAnySectionAreIgnored();
    void lineEndings();
    void utf16FilesYieldText();
    void ansiAndUtf8FilesYieldBytes();
    void valuesAreCutAt2047Characters();
    void nulEndsAValue();
    void oversizedFilesAreNotRead();
    void hostileContentsDoNotBreakTheReader();
    void onlyWantedValuesAreKept_data();
    void onlyWantedValuesAreKept();
    void pipesDevicesAndFoldersAreNotRead();
};

// The values these tests ask for; the reader keeps no others.
static const QList<ProfileKey> kWanted = {
    {"STRING", "IDS_MESSAGE_ERROR"},
    {"DIALOG", "IDC_BUTTON"},
    {"s", "KEY"},
    {"S", "a"},
    {"S", "b"},
    {"S", "cyrillic"},
    {"S", "utf8"},
    {"S", "k"},
    {"S", "n"},
    {"unterminated", "k"},
    {"", "key"},
    {"S", "other"},
};

static ProfileFile Parse(const QByteArray& contents, const QList<ProfileKey>& wanted = kWanted)
{
    ProfileFile file(wanted);
    file.parse(contents);
    return file;
}

void TestProfileReader::readsValuesIgnoringCaseOfNames()
{
    const ProfileFile file = Parse("[STRING]\nIDS_MESSAGE_ERROR=Fehler\n[Dialog]\nidc_button=Go\n");
    QCOMPARE(file.value("string", "ids_message_error").decoded(1252), QStringLiteral("Fehler"));
    QCOMPARE(file.value("STRING", "IDS_MESSAGE_ERROR").decoded(1252), QStringLiteral("Fehler"));
    QCOMPARE(file.value("DIALOG", "IDC_BUTTON").decoded(1252), QStringLiteral("Go"));
    QVERIFY(!file.value("DIALOG", "IDS_MESSAGE_ERROR").found);
}

void TestProfileReader::syntaxRules_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("value");
    QTest::newRow("plain") << QByteArray("[S]\nkey=value\n") << true << "value";
    QTest::newRow("blanks around =") << QByteArray("[S]\n  key \t=  value \t\n") << true << "value";
    QTest::newRow("blanks inside the value stay")
        << QByteArray("[S]\nkey=a  b\n") << true << "a  b";
    QTest::newRow("quotes keep outer blanks")
        << QByteArray("[S]\nkey=\" padded \"\n") << true << " padded ";
    QTest::newRow("inner quotes stay")
        << QByteArray("[S]\nkey=say \"hi\" now\n") << true << "say \"hi\" now";
    QTest::newRow("one quote stays") << QByteArray("[S]\nkey=\"open\n") << true << "\"open";
    QTest::newRow("empty value") << QByteArray("[S]\nkey=\n") << true << "";
    QTest::newRow("second = is part of the value") << QByteArray("[S]\nkey=a=b\n") << true << "a=b";
    QTest::newRow("first duplicate wins")
        << QByteArray("[S]\nkey=first\nkey=second\n") << true << "first";
    QTest::newRow("first wins across repeated sections")
        << QByteArray("[S]\nkey=first\n[T]\nkey=other\n[S]\nkey=second\nmore=yes\n") << true
        << "first";
    QTest::newRow("semicolon comment") << QByteArray("[S]\n;key=commented\n") << false << "";
    QTest::newRow("hash comment") << QByteArray("[S]\n  # key=commented\nkey=real\n") << true
                                  << "real";
    QTest::newRow("semicolon inside a value stays")
        << QByteArray("[S]\nkey=a;b\n") << true << "a;b";
    QTest::newRow("blanks inside brackets") << QByteArray("[ S ]\nkey=v\n") << true << "v";
    QTest::newRow("text after bracket ignored") << QByteArray("[S] ; note\nkey=v\n") << true << "v";
    QTest::newRow("line without =") << QByteArray("[S]\nkey\n") << false << "";
    QTest::newRow("empty key") << QByteArray("[S]\n=v\n") << false << "";
    QTest::newRow("no newline at end") << QByteArray("[S]\nkey=last") << true << "last";
    QTest::newRow("utf-8 bom skipped") << QByteArray("\xEF\xBB\xBF[S]\nkey=v\n") << true << "v";
}

void TestProfileReader::syntaxRules()
{
    QFETCH(QByteArray, contents);
    QFETCH(bool, found);
    QFETCH(QString, value);
    const ProfileValue read = Parse(contents).value("s", "KEY");
    QCOMPARE(read.found, found);
    QCOMPARE(read.decoded(1252), value);
}

void TestProfileReader::missingFileSectionOrKeyYieldsDefault()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("lang.ini");
    QCOMPARE(GetPrivateProfileValue(path, "S", "key", "default"), QStringLiteral("default"));
    QVERIFY(WriteTestFile(path, "[S]\nkey=value\nempty=\n"));
    QCOMPARE(GetPrivateProfileValue(path, "S", "key", "default"), QStringLiteral("value"));
    QCOMPARE(GetPrivateProfileValue(path, "S", "other", "default"), QStringLiteral("default"));
    QCOMPARE(GetPrivateProfileValue(path, "T", "key", "default"), QStringLiteral("default"));
    QCOMPARE(GetPrivateProfileValue(path, "S", "empty", "default"), QString());
    ProfileFile file(kWanted);
    QCOMPARE(file.load(dir.filePath("missing.ini")), ProfileFile::Status::NotFound);
    QCOMPARE(file.load(dir.path()), ProfileFile::Status::Unreadable); // a folder
}

void TestProfileReader::valuesBeforeAnySectionAreIgnored()
{
    const ProfileFile file = Parse("key=orphan\n[S]\nother=1\n");
    QVERIFY(!file.value("", "key").found);
    QVERIFY(!file.value("S", "key").found);
}

void TestProfileReader::lineEndings()
{
    for (const QByteArray& eol : {QByteArray("\n"), QByteArray("\r\n"), QByteArray("\r")}) {
        const ProfileFile file = Parse("[S]" + eol + "a=1" + eol + "b=2" + eol);
        QCOMPARE(file.value("S", "a").decoded(1252), QStringLiteral("1"));
        QCOMPARE(file.value("S", "b").decoded(1252), QStringLiteral("2"));
    }
}

void TestProfileReader::utf16FilesYieldText()
{
    const ProfileFile file =
        Parse(Utf16LeWithBom(QStringLiteral(u"[STRING]\r\nIDS_MESSAGE_ERROR=エラー\r\n")));
    QVERIFY(file.isText());
    const ProfileValue value = file.value("string", "IDS_MESSAGE_ERROR");
    QVERIFY(value.isText);
    // The code page plays no part for text.
    QCOMPARE(value.decoded(1252), QStringLiteral(u"エラー"));

    // A UTF-16 file with an odd byte count still reads what it can.
    QByteArray odd = Utf16LeWithBom(QStringLiteral(u"[S]\nk=v\n"));
    odd.append('\x41');
    QCOMPARE(Parse(odd).value("S", "k").decoded(0), QStringLiteral("v"));
}

void TestProfileReader::ansiAndUtf8FilesYieldBytes()
{
    const ProfileFile file =
        Parse("[S]\ncyrillic=\xCE\xF8\xE8\xE1\xEA\xE0\nutf8=\xC3\xA9t\xC3\xA9\n");
    QVERIFY(!file.isText());
    const ProfileValue cyrillic = file.value("S", "cyrillic");
    QVERIFY(!cyrillic.isText);
    QCOMPARE(cyrillic.bytes, QByteArray("\xCE\xF8\xE8\xE1\xEA\xE0"));
    QCOMPARE(cyrillic.decoded(1251), QStringLiteral(u"Ошибка"));
    QCOMPARE(file.value("S", "utf8").decoded(65001), QStringLiteral(u"été"));
}

void TestProfileReader::valuesAreCutAt2047Characters()
{
    const QByteArray longValue(3000, 'x');
    QCOMPARE(Parse("[S]\nk=" + longValue + "\n").value("S", "k").decoded(1252).size(), 2047);
    // Characters, not bytes: 3000 two-byte characters keep 2047 characters.
    QByteArray chinese;
    for (int i = 0; i < 3000; ++i)
        chinese += "\xD6\xD0";
    const QString cut = Parse("[S]\nk=" + chinese + "\n").value("S", "k").decoded(936);
    QCOMPARE(cut.size(), 2047);
    QCOMPARE(cut, QString(2047, QChar(0x4E2D)));
    // UTF-16 text is cut the same way, and never inside a surrogate pair.
    QString emoji;
    for (int i = 0; i < 1500; ++i)
        emoji += QStringLiteral(u"😀");
    const QString text = Parse(Utf16LeWithBom("[S]\nk=x" + emoji)).value("S", "k").decoded(0);
    QCOMPARE(text.size(), 2047);
    QVERIFY(!text.back().isHighSurrogate());
    // Exactly 2047 is kept whole.
    QCOMPARE(Parse("[S]\nk=" + QByteArray(2047, 'y')).value("S", "k").decoded(0).size(), 2047);
}

void TestProfileReader::nulEndsAValue()
{
    const ProfileFile file = Parse(QByteArray("[S]\nk=ab\0cd\nn=2\n", 17));
    QCOMPARE(file.value("S", "k").decoded(0), QStringLiteral("ab"));
    QCOMPARE(file.value("S", "n").decoded(0), QStringLiteral("2"));
}

void TestProfileReader::oversizedFilesAreNotRead()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("huge.ini");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[S]\nk=v\n");
    QVERIFY(file.resize(kProfileMaxFileBytes + 1)); // sparse: no real disk use
    file.close();
    ProfileFile profile(kWanted);
    QCOMPARE(profile.load(path), ProfileFile::Status::TooLarge);
    QVERIFY(!profile.value("S", "k").found);
    QCOMPARE(GetPrivateProfileValue(path, "S", "k", "default"), QStringLiteral("default"));
}

void TestProfileReader::hostileContentsDoNotBreakTheReader()
{
    // Binary junk, unterminated sections and very long lines parse without
    // trouble and keep bounded values.
    QByteArray junk;
    for (int i = 0; i < 65536; ++i)
        junk.append(char(i * 131 % 256));
    Parse(junk);
    const ProfileFile file = Parse("[unterminated\nk=1\n[S]\nk=" + QByteArray(1 << 20, 'z') + "\n");
    QCOMPARE(file.value("unterminated", "k").decoded(0), QStringLiteral("1"));
    QVERIFY(file.value("S", "k").bytes.size() <= kProfileValueMaxBytes);
    QCOMPARE(file.value("S", "k").decoded(0).size(), 2047);
}

void TestProfileReader::onlyWantedValuesAreKept_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("message");
    const QByteArray wanted = "[STRING]\nIDS_MESSAGE_ERROR=Fehler\n";
    QByteArray hugeSection = "[" + QByteArray(4000, 'S') + "]\n";
    QByteArray tinyKeys = "[STRING]\n";
    QByteArray repeated = "[STRING]\n";
    QByteArray sections;
    for (int i = 0; i < 50000; ++i) {
        hugeSection += QByteArray::number(i, 16) + "=\n";
        tinyKeys += QByteArray::number(i, 16) + "=v\n";
        repeated += "S=x\n";
        sections += "[" + QByteArray::number(i) + "]\nIDS_MESSAGE_ERROR=no\n";
    }
    QTest::newRow("huge section name") << hugeSection + wanted << "Fehler";
    QTest::newRow("many tiny keys") << tinyKeys + wanted << "Fehler";
    QTest::newRow("many sections") << sections + wanted << "Fehler";
    QTest::newRow("repeated keys") << wanted + repeated + "IDS_MESSAGE_ERROR=later\n"
                                   << "Fehler";
    QTest::newRow("huge value") << "[STRING]\nIDS_MESSAGE_ERROR=" + QByteArray(4 << 20, 'x')
                                << QString(2047, u'x');
    QTest::newRow("no line breaks")
        << "[STRING]" + QByteArray(1 << 20, '=') + "\n" + wanted << "Fehler";
    QTest::newRow("huge key") << "[STRING]\n" + QByteArray(1 << 20, 'K') + "=v\n" + wanted
                              << "Fehler";
    QTest::newRow("UTF-16") << Utf16LeWithBom(QString::fromLatin1(hugeSection + tinyKeys + wanted))
                            << "Fehler";
}

void TestProfileReader::onlyWantedValuesAreKept()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, message);
    const QList<ProfileKey> wanted{
        {"STRING", "IDS_MESSAGE_ERROR"}, {"STRING", "S"}, {"STRING", "missing"}, {"NOPE", "k"}};
    const ProfileFile file = Parse(contents, wanted);
    QCOMPARE(file.value("String", "ids_message_error").decoded(1252), message);
    // Nothing else that the file holds is kept, nor found when asked for.
    QVERIFY(file.keptValueCount() <= 2);
    QVERIFY(!file.value("STRING", "0").found);
    QVERIFY(!file.value(QString(4000, u'S'), "0").found);
    QVERIFY(!file.value("NOPE", "k").found);
}

void TestProfileReader::pipesDevicesAndFoldersAreNotRead()
{
    QTemporaryDir dir;
    const QString pipePath = dir.filePath("pipe.ini");
    PipeWatch pipe(pipePath);
    QVERIFY(pipe.created());
    QVERIFY(QFile::link(pipePath, dir.filePath("link-to-pipe.ini")));
    QVERIFY(QFile::link("/dev/zero", dir.filePath("zero.ini")));
    for (const QString& path : {pipePath, dir.filePath("link-to-pipe.ini"),
                                dir.filePath("zero.ini"), QString("/dev/zero"), dir.path()}) {
        ProfileFile file(kWanted);
        QCOMPARE(file.load(path), ProfileFile::Status::Unreadable);
        QCOMPARE(GetPrivateProfileValue(path, "S", "k", "default"), QStringLiteral("default"));
    }
    QVERIFY(!pipe.finish()); // never opened, so it could not block
}

QTEST_GUILESS_MAIN(TestProfileReader)
#include "test_profile_reader.moc"
