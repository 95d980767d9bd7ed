// Filling message texts from language files, which are untrusted.
#include "language/CLanguage.h"
#include "language/LanguageMessage.h"
#include "platform/MessageFormat.h"
#include "resources/resource.h"
#include "support/ScriptedUiServices.h"
#include "support/TestFiles.h"

#include <QTest>

class TestMessageFormat : public QObject
{
    Q_OBJECT

private slots:
    void signatures_data();
    void signatures();
    void fillsMatchingTranslations();
    void hostileTranslationsFallBackToBuiltIn_data();
    void hostileTranslationsFallBackToBuiltIn();
    void argumentsAreNeverReinterpreted();
    void mismatchedFallbackStillFillsSafely();
    void languageStringsAreFilledSafely();
};

void TestMessageFormat::signatures_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("signature");
    QTest::newRow("none") << "Error"
                          << "";
    QTest::newRow("s") << "%s exists."
                       << "s";
    QTest::newRow("ls") << "Can't open file '%ls'"
                        << "s";
    QTest::newRow("d") << "Set frame from 0 to %d"
                       << "d";
    QTest::newRow("percent") << "100%% done"
                             << "";
    QTest::newRow("lone percent at end") << "100%"
                                         << "";
    QTest::newRow("percent before digit-less blank") << "50 % -"
                                                     << "";
    QTest::newRow("n") << "%s %s %n"
                       << "ss?";
    QTest::newRow("width") << "%99999s"
                           << "?";
    QTest::newRow("hex") << "%x"
                         << "?";
    QTest::newRow("long long") << "%lld"
                               << "?";
    QTest::newRow("star width") << "%*d"
                                << "?";
    QTest::newRow("order") << "%d then %s"
                           << "ds";
}

void TestMessageFormat::signatures()
{
    QFETCH(QString, text);
    QFETCH(QString, signature);
    QCOMPARE(PlaceholderSignature(text), signature);
}

void TestMessageFormat::fillsMatchingTranslations()
{
    const QString builtin = QStringLiteral("%s exists. Do you want to replace it?");
    QCOMPARE(FormatMessageText(QStringLiteral("%s ist bereits vorhanden."), builtin,
                               {QStringLiteral("/tmp/a_out.bmp")}),
             QStringLiteral("/tmp/a_out.bmp ist bereits vorhanden."));
    // %ls and %s are the same kind.
    QCOMPARE(FormatMessageText(QStringLiteral("Datei „%ls“"), QStringLiteral("file '%s'"),
                               {QStringLiteral("x.bmp")}),
             QStringLiteral(u"Datei „x.bmp“"));
    QCOMPARE(FormatMessageText(QStringLiteral("Bild 0 bis %d (100%%)"),
                               QStringLiteral("Set frame from 0 to %d"), {9}),
             QStringLiteral("Bild 0 bis 9 (100%)"));
    QCOMPARE(FormatMessageText(QStringLiteral("%d"), QStringLiteral("%d"), {-2147483647 - 1}),
             QStringLiteral("-2147483648"));
}

void TestMessageFormat::hostileTranslationsFallBackToBuiltIn_data()
{
    QTest::addColumn<QString>("translation");
    QTest::newRow("extra %s and %n") << "%s %s %n";
    QTest::newRow("%d where a path is passed") << "%d existiert";
    QTest::newRow("huge width") << "%99999s";
    QTest::newRow("missing placeholder") << "Datei existiert";
    QTest::newRow("two placeholders") << "%s und %s";
    QTest::newRow("positional") << "%1$s";
    QTest::newRow("pointer") << "%p %s";
    QTest::newRow("float") << "%s %f";
    QTest::newRow("wide char") << "%lc%s";
}

void TestMessageFormat::hostileTranslationsFallBackToBuiltIn()
{
    QFETCH(QString, translation);
    const QString builtin = QStringLiteral("%s exists. Do you want to replace it?");
    QCOMPARE(FormatMessageText(translation, builtin, {QStringLiteral("/tmp/out.bmp")}),
             QStringLiteral("/tmp/out.bmp exists. Do you want to replace it?"));
}

void TestMessageFormat::argumentsAreNeverReinterpreted()
{
    // Placeholders inside an argument are text, not instructions.
    QCOMPARE(FormatMessageText(QStringLiteral("%s exists."), QStringLiteral("%s exists."),
                               {QStringLiteral("/tmp/%s%n%d%%.bmp")}),
             QStringLiteral("/tmp/%s%n%d%%.bmp exists."));
}

void TestMessageFormat::mismatchedFallbackStillFillsSafely()
{
    // Neither text fits the arguments: the recognised placeholders are
    // filled, a missing argument is empty and foreign conversions stay text.
    QCOMPARE(FormatMessageText(QStringLiteral("%s and %s, %n"), QStringLiteral("%d"),
                               {QStringLiteral("one")}),
             QStringLiteral("one and , %n"));
    QCOMPARE(FormatMessageText(QStringLiteral("no placeholders"), QStringLiteral("none"),
                               {QStringLiteral("ignored")}),
             QStringLiteral("no placeholders"));
}

void TestMessageFormat::languageStringsAreFilledSafely()
{
    ScriptedUiServices ui;
    QTemporaryDir dir;
    QVERIFY(WriteTestFile(dir.filePath("language/German.ini"),
                          "[STRING]\nIDS_STRING120=%s %s %n\nIDS_STRING122=Bilder 0 bis %d\n"));
    CLanguage language;
    language.Initialize(dir.path(), "German");
    QCOMPARE(FormatLanguageString(language, IDS_STRING120, {QStringLiteral("/p/a.bmp")}),
             QStringLiteral("/p/a.bmp exists. Do you want to replace it?"));
    QCOMPARE(FormatLanguageString(language, IDS_STRING122, {4}), QStringLiteral("Bilder 0 bis 4"));
    QCOMPARE(FormatBuiltinString(IDS_STRING125, {QStringLiteral("/p/x.bmp")}),
             QStringLiteral("/p/x.bmp is not a Legitimate DIB File!"));
    QCOMPARE(ui.boxes().size(), 0);
}

QTEST_MAIN(TestMessageFormat)
#include "test_message_format.moc"
