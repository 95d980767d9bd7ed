// The language files that ship with the program: every key present, every
// translation decoding to the intended text, placeholders kept.
#include "language/CLanguage.h"
#include "language/LanguageKeys.h"
#include "platform/MessageFormat.h"
#include "platform/ProfileReader.h"
#include "resources/StringTable.h"
#include "resources/resource.h"
#include "support/ScriptedUiServices.h"
#include "support/TestFiles.h"

#include <QTest>

class TestShippedLanguages : public QObject
{
    Q_OBJECT

private slots:
    void englishMatchesTheBuiltInTexts();
    void translationsDecodeToTheIntendedText_data();
    void translationsDecodeToTheIntendedText();
    void filesAreEncodedAsTheirNamesSay();
    void shippedLanguagesAreListed();
    void frenchFollowsFrenchTypography();

private:
    static QString baseFolder() { return QStringLiteral(RASTELLE_SOURCE_DIR "/resources"); }
};

// The text a language holds for a key, whatever its section.
static QString TextOf(const CLanguage& language, const LanguageKey& key)
{
    switch (SectionOfKey(key.name)) {
    case LanguageSection::String:
        return language.GetString(key.id);
    case LanguageSection::Menu:
        return language.GetMenuText(key.id);
    case LanguageSection::Dialog:
        return language.GetDialogText(key.id);
    }
    return QString();
}

static const QMap<QString, QString> kDialogDefaults = {
    {"IDC_BUTTON_OPEN_PHOTO", "Open Photo"},
    {"IDC_STATIC_OUTPUT_WIDTH", "Output Width:"},
    {"IDD_PROGRAM_BMP_CAPTION", "Rastelle"},
    {"IDC_STATIC_OUTPUT_HEIGHT", "Output Height:"},
    {"IDC_STATIC_KEEP_RATIO_CALCULATOR", "Keeping aspect ratio calculator"},
    {"IDC_BUTTON_BASE_WIDTH", "Enter width, get height"},
    {"IDC_BUTTON_BASE_HEIGHT", "Enter height, get width"},
    {"IDC_STATIC_GROUP_ROTATE", "Rotate by angle"},
    {"IDC_STATIC_FLIP", "Flip"},
    {"IDC_RADIO_FLIP_NO", "No flip"},
    {"IDC_RADIO_FLIP_HORIZONTAL", "Flip horizontal"},
    {"IDC_RADIO_FLIP_VERTICAL", "Flip vertical"},
    {"IDC_BUTTON_OUTPUT_FILE_BROWSE", "Browse"},
    {"IDC_BUTTON_CONVERT", "Convert"},
    {"IDC_BUTTON_HOMEPAGE", "Homepage"},
    {"IDC_BUTTON_HELP", "Help"},
    {"IDC_BUTTON_EXIT", "Exit"},
    {"IDC_STATIC_OUTPUT_FILENAME", "Output file:"},
    {"IDC_STATIC_ADD_TEXT", "Add text to photo:"},
    {"IDC_STATIC_TEXT_POSITION", "Position x, y:"},
    {"IDC_BUTTON_FONT", "Font"},
    {"IDR_MENU_LANGUAGE_POPUP", "PopupMenu1"},
    {"IDM_ABOUT", "About"},
    {"IDM_SELECT_LANGUAGE", "Language"},
    {"IDM_POPUPMENU_FONT", "Font"},
};

void TestShippedLanguages::englishMatchesTheBuiltInTexts()
{
    ScriptedUiServices ui;
    CLanguage language;
    language.Initialize(baseFolder(), "English");
    for (const LanguageKey& key : LanguageKeys()) {
        const QString name = QString::fromUtf16(key.name);
        const QString expected = SectionOfKey(key.name) == LanguageSection::String
                                     ? LoadBuiltinString(key.id)
                                     : kDialogDefaults.value(name);
        QVERIFY2(!expected.isEmpty(), qPrintable(name));
        QCOMPARE(TextOf(language, key), expected);
    }
    QCOMPARE(ui.boxes().size(), 0);
}

void TestShippedLanguages::translationsDecodeToTheIntendedText_data()
{
    QTest::addColumn<QString>("languageName");
    QTest::addColumn<QString>("reference");
    QTest::addColumn<QString>("errorText");
    QTest::newRow("German, code page 1252") << "German"
                                            << "German" << QStringLiteral(u"Fehler");
    QTest::newRow("Russian, code page 1251") << "Russian"
                                             << "Russian" << QStringLiteral(u"Ошибка");
    QTest::newRow("chs, code page 936") << "chs"
                                        << "chs" << QStringLiteral(u"错误");
    QTest::newRow("French, UTF-8") << "French_utf-8"
                                   << "French" << QStringLiteral(u"Erreur");
    QTest::newRow("Japanese, UTF-16") << "Japanese_unicode"
                                      << "Japanese" << QStringLiteral(u"エラー");
}

void TestShippedLanguages::translationsDecodeToTheIntendedText()
{
    QFETCH(QString, languageName);
    QFETCH(QString, reference);
    QFETCH(QString, errorText);
    ScriptedUiServices ui;
    CLanguage language;
    language.Initialize(baseFolder(), languageName);
    QCOMPARE(ui.boxes().size(), 0); // the name is proper
    QCOMPARE(language.GetCurrentLanguage(), languageName);
    QCOMPARE(language.GetString(IDS_MESSAGE_ERROR), errorText);

    // Every key against the translator's UTF-8 reference text.
    QList<ProfileKey> keys;
    for (const LanguageKey& key : LanguageKeys())
        keys.append({QString::fromUtf16(SectionName(SectionOfKey(key.name))),
                     QString::fromUtf16(key.name)});
    ProfileFile expected(keys);
    QCOMPARE(expected.load(QStringLiteral(RASTELLE_TEST_DATA_DIR "/translations/") + reference +
                           ".utf8.ini"),
             ProfileFile::Status::Loaded);
    for (const LanguageKey& key : LanguageKeys()) {
        const QString name = QString::fromUtf16(key.name);
        const QString section = QString::fromUtf16(SectionName(SectionOfKey(key.name)));
        const QString wanted = CLanguage::Unescape(expected.value(section, name).decoded(65001));
        QVERIFY2(!wanted.isEmpty(), qPrintable(name));
        QCOMPARE(TextOf(language, key), wanted);
        if (SectionOfKey(key.name) == LanguageSection::String) {
            QVERIFY2(wanted != LoadBuiltinString(key.id) || key.id == IDS_STRING135,
                     qPrintable(name + " is not translated"));
            QCOMPARE(PlaceholderSignature(wanted), PlaceholderSignature(LoadBuiltinString(key.id)));
        }
    }
}

void TestShippedLanguages::filesAreEncodedAsTheirNamesSay()
{
    const QString folder = baseFolder() + "/language/";
    const QByteArray japanese = ReadTestFile(folder + "Japanese_unicode.ini");
    QVERIFY(japanese.startsWith("\xFF\xFE"));
    for (const char* name : {"German.ini", "Russian.ini", "chs.ini"}) {
        const QByteArray bytes = ReadTestFile(folder + name);
        QVERIFY(!bytes.isEmpty());
        // Single- and double-byte code pages, not UTF-8 and not UTF-16.
        QVERIFY2(!QString::fromUtf8(bytes).toUtf8().startsWith(bytes), name);
        QVERIFY(!bytes.startsWith("\xFF\xFE"));
    }
    const QByteArray french = ReadTestFile(folder + "French_utf-8.ini");
    QCOMPARE(QString::fromUtf8(french).toUtf8(), french); // valid UTF-8
    QVERIFY(QString::fromUtf8(french).contains(QStringLiteral(u"é")));
}

void TestShippedLanguages::shippedLanguagesAreListed()
{
    ScriptedUiServices ui;
    CLanguage language;
    language.Initialize(baseFolder(), "english");
    QStringList names;
    for (int i = 0; i < language.GetLanguageCount(); ++i)
        names << language.GetLanguageName(i);
    QCOMPARE(names, (QStringList{"English", "French_utf-8", "German", "Japanese_unicode", "Russian",
                                 "chs"}));
}

void TestShippedLanguages::frenchFollowsFrenchTypography()
{
    ScriptedUiServices ui;
    CLanguage language;
    language.Initialize(baseFolder(), "French_utf-8");
    // A narrow no-break space before the high punctuation, so it never ends
    // up alone at the start of a line; never a plain or wide space, or none.
    int punctuation = 0;
    for (const LanguageKey& key : LanguageKeys()) {
        const QString text = TextOf(language, key);
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (!QStringView(u":;!?").contains(text[i]))
                continue;
            ++punctuation;
            QVERIFY2(i > 0 && text[i - 1] == QChar(0x202F),
                     qPrintable(QString::fromUtf16(key.name) + ": " + text));
        }
    }
    QVERIFY(punctuation >= 20); // the check did look at the texts
    QCOMPARE(language.GetDialogText(IDC_STATIC_OUTPUT_WIDTH),
             QStringLiteral(u"Largeur de sortie\u202F:"));
    // The usual words for flipping a picture.
    QCOMPARE(language.GetDialogText(IDC_STATIC_FLIP), QStringLiteral("Retournement"));
    QCOMPARE(language.GetDialogText(IDC_RADIO_FLIP_NO), QStringLiteral("Aucun retournement"));
    QCOMPARE(language.GetDialogText(IDC_RADIO_FLIP_HORIZONTAL),
             QStringLiteral("Retournement horizontal"));
    QCOMPARE(language.GetDialogText(IDC_RADIO_FLIP_VERTICAL),
             QStringLiteral("Retournement vertical"));
}

QTEST_MAIN(TestShippedLanguages)
#include "test_shipped_languages.moc"
