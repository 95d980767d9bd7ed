// Reading language file names: encoding suffix, table match, unescaping.
#include "language/CLanguage.h"
#include "language/LanguageKeys.h"
#include "language/LanguageTable.h"
#include "resources/StringTable.h"

#include <QSet>
#include <QTest>

class TestLanguageName : public QObject
{
    Q_OBJECT

private slots:
    void encodings_data();
    void encodings();
    void parsesNames_data();
    void parsesNames();
    void improperNamesAreRefused_data();
    void improperNamesAreRefused();
    void tableIsCompleteAndInOrder();
    void everyAbbreviationResolvesToItsFirstRow();
    void unescape_data();
    void unescape();
    void keyTableCoversEverySectionAndBuiltInText();
};

void TestLanguageName::encodings_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("encoding");
    QTest::newRow("plain") << "German" << int(kEncodingAnsi);
    QTest::newRow("utf-8") << "French_utf-8" << int(kEncodingUtf8);
    QTest::newRow("UTF-8 capitals") << "French_UTF-8" << int(kEncodingUtf8);
    QTest::newRow("unicode") << "Japanese_unicode" << int(kEncodingUnicode);
    QTest::newRow("both: utf-8 first") << "x_unicode_utf-8" << int(kEncodingUtf8);
    QTest::newRow("in the middle") << "a_utf-8b" << int(kEncodingUtf8);
}

void TestLanguageName::encodings()
{
    QFETCH(QString, name);
    QFETCH(int, encoding);
    QCOMPARE(CLanguage::GetFileEncoding(name), encoding);
}

void TestLanguageName::parsesNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("primary");
    QTest::addColumn<int>("sub");
    QTest::addColumn<int>("codePage");
    QTest::addColumn<QString>("locale");
    QTest::newRow("english") << "english" << 9 << 1 << 1252 << "english";
    QTest::newRow("ENGLISH") << "ENGLISH" << 9 << 1 << 1252 << "english";
    QTest::newRow("English_unicode") << "English_unicode" << 9 << 1 << 1252 << "english";
    QTest::newRow("English_utf-8") << "English_utf-8" << 9 << 1 << 65001 << "english";
    // "English" comes before "English_United_States", which shares ENU.
    QTest::newRow("enu") << "enu" << 9 << 0 << 1252 << "enu";
    // "Arabic" comes before "Arabic_Saudi_Arabia", which shares ARA.
    QTest::newRow("ara") << "ara" << 1 << 0 << 1256 << "ara";
    QTest::newRow("chs") << "chs" << 4 << 2 << 936 << "chs";
    QTest::newRow("CHS") << "CHS" << 4 << 2 << 936 << "chs";
    QTest::newRow("chinese full name")
        << "Chinese_Peoples_Republic_of_China" << 4 << 2 << 936 << "chs";
    QTest::newRow("chinese simplified") << "chinese_simplified" << 4 << 0 << 936 << "chs";
    QTest::newRow("Russian_utf-8") << "Russian_utf-8" << 0x19 << 0 << 65001 << "rus";
    QTest::newRow("Russian") << "Russian" << 0x19 << 0 << 1251 << "rus";
    QTest::newRow("Hindi") << "Hindi" << 0x39 << 0 << 0 << "hin";
    QTest::newRow("German") << "German" << 7 << 0 << 1252 << "deu";
    QTest::newRow("German_Austria") << "German_Austria" << 7 << 3 << 1252 << "dea";
    QTest::newRow("Japanese_unicode") << "Japanese_unicode" << 0x11 << 0 << 932 << "jpn";
    QTest::newRow("French_utf-8") << "French_utf-8" << 0xC << 0 << 65001 << "fra";
    QTest::newRow("stray parenthesis") << "English_United_Kingdom)" << 9 << 2 << 1252 << "eng";
    QTest::newRow("blank in name") << "Spanish_United States" << 0xA << 0x15 << 1252 << "est";
    QTest::newRow("serbian high sublanguage") << "Serbian" << 0x1A << 0x1F << 1251 << "srb";
}

void TestLanguageName::parsesNames()
{
    QFETCH(QString, name);
    QFETCH(int, primary);
    QFETCH(int, sub);
    QFETCH(int, codePage);
    QFETCH(QString, locale);
    const std::optional<ParsedLanguageName> parsed = CLanguage::ParseLanguageName(name);
    QVERIFY(parsed.has_value());
    QCOMPARE(parsed->nPrimaryLanguage, primary);
    QCOMPARE(parsed->nSubLanguage, sub);
    QCOMPARE(parsed->nCodePage, codePage);
    QCOMPARE(parsed->strLocaleName, locale);
}

void TestLanguageName::improperNamesAreRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("matchable");
    // The suffix is cut by length: one character behind it leaves a piece.
    QTest::newRow("broken utf-8 suffix") << "Russian_utf-8x"
                                         << "russian_";
    QTest::newRow("broken unicode suffix") << "German_unicodeX"
                                           << "german_";
    QTest::newRow("unknown") << "Klingon"
                             << "klingon";
    QTest::newRow("without the parenthesis") << "English_United_Kingdom"
                                             << "english_united_kingdom";
    QTest::newRow("underscore for blank") << "Spanish_United_States"
                                          << "spanish_united_states";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("suffix only") << "_utf-8"
                                 << "";
}

void TestLanguageName::improperNamesAreRefused()
{
    QFETCH(QString, name);
    QFETCH(QString, matchable);
    QVERIFY(!CLanguage::ParseLanguageName(name).has_value());
    QCOMPARE(CLanguage::MatchableLanguageName(name), matchable);
}

void TestLanguageName::tableIsCompleteAndInOrder()
{
    const auto table = LanguageTable();
    QCOMPARE(int(table.size()), 273);
    QCOMPARE(QString::fromUtf16(table.front().name), QStringLiteral("Afrikaans"));
    QCOMPARE(QString::fromUtf16(table.back().name), QStringLiteral("Yoruba_Nigeria"));
    QCOMPARE(table.back().languageId, 0x046a);
    QSet<QString> seenNames;
    QSet<QString> seenAbbreviations;
    QSet<QString> sharedAbbreviations;
    for (const LanguageTableRow& row : table) {
        const QString name = QString::fromUtf16(row.name);
        QVERIFY2(!seenNames.contains(name), qPrintable(name));
        seenNames.insert(name);
        const QString abbreviation = QString::fromUtf16(row.abbreviation);
        QCOMPARE(abbreviation.size(), 3);
        if (seenAbbreviations.contains(abbreviation))
            sharedAbbreviations.insert(abbreviation);
        seenAbbreviations.insert(abbreviation);
        QVERIFY(row.languageId > 0 && row.languageId <= 0xFFFF);
    }
    // Abbreviations that more than one row has.
    QCOMPARE(sharedAbbreviations.size(), 68);
    QVERIFY(seenNames.contains("English_United_Kingdom)"));
    QVERIFY(seenNames.contains("Spanish_United States"));
}

void TestLanguageName::everyAbbreviationResolvesToItsFirstRow()
{
    QSet<QString> seen;
    for (const LanguageTableRow& row : LanguageTable()) {
        const QString name = QString::fromUtf16(row.name);
        const QString abbreviation = QString::fromUtf16(row.abbreviation);
        const auto byName = CLanguage::ParseLanguageName(name);
        QVERIFY2(byName.has_value(), qPrintable(name));
        // A name matches its own row unless an earlier row's abbreviation
        // equals it (none does) or the name is "english".
        if (name.toLower() != QStringLiteral("english")) {
            QCOMPARE(byName->nPrimaryLanguage | (byName->nSubLanguage << 10), row.languageId);
            QCOMPARE(byName->nCodePage, row.codePage);
        }
        if (!seen.contains(abbreviation)) {
            const auto byAbbreviation = CLanguage::ParseLanguageName(abbreviation.toLower());
            QVERIFY(byAbbreviation.has_value());
            QCOMPARE(byAbbreviation->nPrimaryLanguage | (byAbbreviation->nSubLanguage << 10),
                     row.languageId);
            seen.insert(abbreviation);
        }
    }
}

void TestLanguageName::unescape_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("line feed") << "one\\ntwo"
                               << "one\ntwo";
    QTest::newRow("all three") << "a\\tb\\nc\\rd"
                               << "a\tb\nc\rd";
    QTest::newRow("path with temp") << "C:\\temp"
                                    << "C:\temp";
    QTest::newRow("doubled backslash before t") << "C:\\\\temp"
                                                << "C:\\\temp";
    QTest::newRow("other escapes stay") << "a\\x\\\\b\\"
                                        << "a\\x\\\\b\\";
    QTest::newRow("capital letters are not escapes") << "\\N\\T"
                                                     << "\\N\\T";
    QTest::newRow("tab then n") << "\\t\\n"
                                << "\t\n";
    QTest::newRow("backslash n made of pieces is not rejoined") << "\\\\nn"
                                                                << "\\\nn";
}

void TestLanguageName::unescape()
{
    QFETCH(QString, value);
    QFETCH(QString, text);
    QCOMPARE(CLanguage::Unescape(value), text);
}

void TestLanguageName::keyTableCoversEverySectionAndBuiltInText()
{
    int counts[3] = {0, 0, 0};
    QSet<QString> names;
    for (const LanguageKey& key : LanguageKeys()) {
        const QString name = QString::fromUtf16(key.name);
        QVERIFY(!names.contains(name));
        names.insert(name);
        ++counts[int(SectionOfKey(key.name))];
        // Every STRING key has a built-in English text.
        if (SectionOfKey(key.name) == LanguageSection::String)
            QVERIFY2(!LoadBuiltinString(key.id).isEmpty(), qPrintable(name));
    }
    QCOMPARE(counts[int(LanguageSection::Dialog)], 21);
    QCOMPARE(counts[int(LanguageSection::Menu)], 4);
    // 35 messages and labels, and the three lines of the preview's tooltip.
    QCOMPARE(counts[int(LanguageSection::String)], 38);
    QCOMPARE(QString::fromUtf16(LanguageKeys().front().name),
             QStringLiteral("IDC_BUTTON_OPEN_PHOTO"));
    QCOMPARE(LoadBuiltinString(101), QStringLiteral("&About Rastelle"));
    QCOMPARE(LoadBuiltinString(125), QStringLiteral("%ls is not a Legitimate DIB File!"));
    QCOMPARE(LoadBuiltinString(133), QString());
    QCOMPARE(LoadBuiltinString(0), QString());
}

QTEST_GUILESS_MAIN(TestLanguageName)
#include "test_language_name.moc"
