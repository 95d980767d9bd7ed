// The language engine: enumeration, loading, decoding, lookups with their
// fall-backs, the interface font and the locale.
#include "language/CLanguage.h"
#include "language/LanguageTable.h"
#include "platform/SettingsStore.h"
#include "platform/TypedNumber.h"
#include "resources/resource.h"
#include "support/PipeWatch.h"
#include "support/ScriptedUiServices.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTest>

#include <cstdlib>
#include <unistd.h>

static const QString kImproperName =
    QStringLiteral("Your language file name may be not proper,\n please read the help file!");

class TestLanguageEngine : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void enumeratesInCodeUnitOrder();
    void onlyReadableRegularFilesAreLanguages();
    void pipeNamedAsTheStoredLanguageDoesNotBlock();
    void onlyTheKeysTheEngineReadsAreKept();
    void noLanguageFolderFallsBackToBuiltIn();
    void nameWithoutFileKeepsEnglishAndBuiltInTexts();
    void currentNameKeepsTheSpellingPassed();
    void fileIsFoundRegardlessOfCase();
    void emptyValueFallsBackToBuiltIn();
    void lookupsWithoutFallBack();
    void popupMenuKeyIsNeverRead();
    void keysOutsideTheTableAreIgnored();
    void switchingDropsTextsTheNewLanguageLacks();
    void decodesWithTheLanguagesCodePage_data();
    void decodesWithTheLanguagesCodePage();
    void doubleByteTrailBackslashIsNotAnEscape();
    void unescapesValues();
    void cutsValuesAt2047();
    void improperNameWarnsAndGoesOn();
    void namesArePlainFileNames();
    void oversizedFileIsReportedAndSkipped();
    void interfaceFontDefaults();
    void interfaceFontPerLanguageFromTheStore();
    void interfaceFontFailure();
    void numbersDoNotFollowTheLanguage();
    void localeIsTheRowsOwn_data();
    void localeIsTheRowsOwn();
    void noRowKeepsTheLocaleOfTheLanguageBefore();

private:
    void writeLanguage(const QString& fileName, const QByteArray& contents);
    std::unique_ptr<QTemporaryDir> m_base;
    std::unique_ptr<ScriptedUiServices> m_ui;
    std::unique_ptr<SettingsStore> m_store;
};

void TestLanguageEngine::init()
{
    m_base = std::make_unique<QTemporaryDir>();
    QVERIFY(m_base->isValid());
    m_ui = std::make_unique<ScriptedUiServices>();
    m_store = std::make_unique<SettingsStore>(m_base->filePath("settings.conf"));
}

void TestLanguageEngine::cleanup()
{
    m_store.reset();
    m_ui.reset();
    m_base.reset();
}

void TestLanguageEngine::writeLanguage(const QString& fileName, const QByteArray& contents)
{
    QVERIFY(WriteTestFile(m_base->filePath("language/" + fileName), contents));
}

void TestLanguageEngine::enumeratesInCodeUnitOrder()
{
    writeLanguage("English.ini", "");
    writeLanguage("chs.ini", "");
    writeLanguage("German.ini", "");
    writeLanguage("Russian_utf-8.INI", "");
    writeLanguage("notes.txt", "");
    writeLanguage("German.ini.bak", "");
    CLanguage language;
    language.Initialize(m_base->path(), "english");
    QCOMPARE(language.GetLanguageCount(), 4);
    QCOMPARE(language.GetLanguageName(0), QStringLiteral("English"));
    QCOMPARE(language.GetLanguageName(1), QStringLiteral("German"));
    QCOMPARE(language.GetLanguageName(2), QStringLiteral("Russian_utf-8"));
    QCOMPARE(language.GetLanguageName(3), QStringLiteral("chs"));
    QCOMPARE(language.GetLanguageName(4), QString());
    QCOMPARE(language.GetLanguageName(-1), QString());
}

void TestLanguageEngine::onlyReadableRegularFilesAreLanguages()
{
    writeLanguage("English.ini", "");
    writeLanguage("German.ini", "[STRING]\nIDS_MESSAGE_ERROR=Fehler\n");
    const QString folder = m_base->filePath("language/");
    // Folders, devices, pipes and links to them are not language files.
    QVERIFY(QDir().mkpath(folder + "Greek.ini"));
    QVERIFY(QFile::link("/dev/zero", folder + "Russian.ini"));
    QVERIFY(QFile::link(folder + "nowhere.txt", folder + "Czech.ini"));
    PipeWatch pipe(folder + "Polish.ini");
    QVERIFY(pipe.created());
    QVERIFY(QFile::link(folder + "Polish.ini", folder + "Danish.ini"));
    // A link to a real file is one.
    QVERIFY(QFile::link(folder + "German.ini", folder + "German_Austria.ini"));
    QStringList expected{"English", "German", "German_Austria"};
    if (::geteuid() != 0) { // root reads everything
        writeLanguage("French.ini", "[STRING]\nIDS_MESSAGE_ERROR=Erreur\n");
        QFile::setPermissions(folder + "French.ini", QFileDevice::WriteOwner);
    }

    CLanguage language;
    language.Initialize(m_base->path(), "Russian");
    QStringList names;
    for (int i = 0; i < language.GetLanguageCount(); ++i)
        names << language.GetLanguageName(i);
    QCOMPARE(names, expected);
    // Not installed: English is current, and the device was not read (it
    // would have been reported as too large).
    QCOMPARE(language.GetCurrentLanguage(), QStringLiteral("english"));
    QCOMPARE(language.GetString(IDS_MESSAGE_ERROR), QStringLiteral("Error"));
    for (const char* name : {"Greek", "Czech", "Danish", "Polish", "French"}) {
        language.LoadLanguage(name);
        QCOMPARE(language.GetString(IDS_MESSAGE_ERROR), QStringLiteral("Error"));
    }
    QCOMPARE(m_ui->boxes().size(), 0);
    QVERIFY(!pipe.finish());
    language.LoadLanguage("German_Austria");
    QCOMPARE(language.GetString(IDS_MESSAGE_ERROR), QStringLiteral("Fehler"));
}

void TestLanguageEngine::pipeNamedAsTheStoredLanguageDoesNotBlock()
{
    writeLanguage("English.ini", "");
    PipeWatch pipe(m_base->filePath("language/Greek.ini"));
    QVERIFY(pipe.created());
    CLanguage language;
    language.Initialize(m_base->path(), "Greek");
    // Had the engine opened the pipe it would have waited for a writer for
    // ever; the watch let it go and tells.
    QVERIFY(!pipe.finish());
    QCOMPARE(language.GetLanguageCount(), 1);
    QCOMPARE(language.GetCurrentLanguage(), QStringLiteral("english"));
    QCOMPARE(language.GetString(IDS_MESSAGE_ERROR), QStringLiteral("Error"));
}

void TestLanguageEngine::onlyTheKeysTheEngineReadsAreKept()
{
    // Hostile shapes around the real keys: a huge section name over many
    // keys, a section the engine does not read, keys of one section put in
    // another, a huge value and repeated keys. The real values still come
    // through, and nothing else is kept.
    QByteArray contents = "[" + QByteArray(4000, 'S') + "]\n";
    for (int i = 0; i < 20000; ++i)
        contents += QByteArray::number(i, 16) + "=\n";
    contents += "[OTHER]\nIDS_MESSAGE_ERROR=wrong\n";
    contents += "[STRING]\nIDC_BUTTON_EXIT=wrong\nIDS_MESSAGE_ERROR=Fehler\n";
    contents += "IDS_MESSAGE_ERROR=second\nIDS_STRING108=" + QByteArray(1 << 20, 'x') + "\n";
    for (int i = 0; i < 20000; ++i)
        contents += "IDS_STRING" + QByteArray::number(1000 + i) + "=x\n";
    contents += "[DIALOG]\nIDC_BUTTON_EXIT=Beenden\n[MENU]\nIDR_MENU_LANGUAGE_POPUP=x\n";
    writeLanguage("German.ini", contents);
    CLanguage language;
    language.Initialize(m_base->path(), "German");
    QCOMPARE(language.GetString(IDS_MESSAGE_ERROR), QStringLiteral("Fehler"));
    QCOMPARE(language.GetString(IDS_STRING108), QString(2047, u'x'));
    QCOMPARE(language.GetDialogText(IDC_BUTTON_EXIT), QStringLiteral("Beenden"));
    QCOMPARE(language.GetMenuText(IDR_MENU_LANGUAGE_POPUP), QStringLiteral("PopupMenu1"));
    QCOMPARE(m_ui->boxes().size(), 0);
}

void TestLanguageEngine::noLanguageFolderFallsBackToBuiltIn()
{
    CLanguage language;
    QCOMPARE(language.Initialize(m_base->filePath("nowhere"), "German"), 1);
    QCOMPARE(language.GetLanguageCount(), 0);
    QCOMPARE(language.GetCurrentLanguage(), QStringLiteral("english"));
    QCOMPARE(language.GetString(IDS_MESSAGE_WARNING), QStringLiteral("Warning"));
    QCOMPARE(language.GetDialogText(IDC_BUTTON_CONVERT), QString());
    QCOMPARE(m_ui->boxes().size(), 0);
}

void TestLanguageEngine::nameWithoutFileKeepsEnglishAndBuiltInTexts()
{
    writeLanguage("English.ini", "[STRING]\nIDS_MESSAGE_ERROR=Oops\n");
    CLanguage language;
    language.Initialize(m_base->path(), "German");
    QCOMPARE(language.GetCurrentLanguage(), QStringLiteral("english"));
    QCOMPARE(language.GetString(IDS_MESSAGE_ERROR), QStringLiteral("Error"));
    for (int id : {IDC_BUTTON_OPEN_PHOTO, IDD_PROGRAM_BMP_CAPTION, IDC_BUTTON_FONT})
        QCOMPARE(language.GetDialogText(id), QString());
    QCOMPARE(language.GetMenuText(IDM_ABOUT), QString());
    // The name still decides the identifiers and the file path.
    QCOMPARE(language.GetLanguageId(), 0x0007);
    QVERIFY(language.GetFilePath().endsWith("/language/German.ini"));
}

void TestLanguageEngine::currentNameKeepsTheSpellingPassed()
{
    writeLanguage("English.ini", "[DIALOG]\nIDC_BUTTON_EXIT=Quit\n");
    CLanguage language;
    language.Initialize(m_base->path(), "ENGLISH");
    QCOMPARE(language.GetCurrentLanguage(), QStringLiteral("ENGLISH"));
    QVERIFY(language.GetFilePath().endsWith("/language/ENGLISH.ini"));
    QCOMPARE(language.GetLanguageId(), 0x0409);
    QCOMPARE(language.GetDialogText(IDC_BUTTON_EXIT), QStringLiteral("Quit"));
}

void TestLanguageEngine::fileIsFoundRegardlessOfCase()
{
    writeLanguage("german.INI", "[dialog]\nidc_button_exit=Beenden\n");
    CLanguage language;
    language.Initialize(m_base->path(), "German");
    QCOMPARE(language.GetCurrentLanguage(), QStringLiteral("German"));
    QCOMPARE(language.GetDialogText(IDC_BUTTON_EXIT), QStringLiteral("Beenden"));
}

void TestLanguageEngine::emptyValueFallsBackToBuiltIn()
{
    writeLanguage("German.ini", "[STRING]\nIDS_MESSAGE_ERROR=\nIDS_MESSAGE_WARNING=Warnung\n");
    CLanguage language;
    language.Initialize(m_base->path(), "German");
    QCOMPARE(language.GetString(IDS_MESSAGE_ERROR), QStringLiteral("Error"));
    QCOMPARE(language.GetString(IDS_MESSAGE_WARNING), QStringLiteral("Warnung"));
    QCOMPARE(language.GetString(133), QString()); // neither source has one
}

void TestLanguageEngine::lookupsWithoutFallBack()
{
    writeLanguage("German.ini", "[MENU]\nIDM_ABOUT=Info\n[DIALOG]\nIDC_BUTTON_HELP=Hilfe\n"
                                "IDC_BUTTON_EXIT=\n");
    CLanguage language;
    language.Initialize(m_base->path(), "German");
    QCOMPARE(language.GetMenuText(IDM_ABOUT), QStringLiteral("Info"));
    QCOMPARE(language.GetMenuText(IDM_POPUPMENU_FONT), QString());
    QCOMPARE(language.GetDialogText(IDC_BUTTON_HELP), QStringLiteral("Hilfe"));
    QCOMPARE(language.GetDialogText(IDC_BUTTON_EXIT), QString());
    // 102 is the caption in DIALOG and the language's name in STRING.
    QCOMPARE(language.GetDialogText(IDD_PROGRAM_BMP_CAPTION), QString());
    QCOMPARE(language.GetString(IDS_LANGUAGE), QStringLiteral("English"));
}

void TestLanguageEngine::popupMenuKeyIsNeverRead()
{
    writeLanguage("German.ini", "[MENU]\nIDR_MENU_LANGUAGE_POPUP=Hacked\n");
    CLanguage language;
    language.Initialize(m_base->path(), "German");
    QCOMPARE(language.GetMenuText(IDR_MENU_LANGUAGE_POPUP), QStringLiteral("PopupMenu1"));
}

void TestLanguageEngine::keysOutsideTheTableAreIgnored()
{
    writeLanguage("German.ini", "[STRING]\nIDS_STRING113=Nicht\nIDS_STRING125=%s kaputt\n"
                                "IDC_BUTTON_EXIT=wrong section\n");
    CLanguage language;
    language.Initialize(m_base->path(), "German");
    QCOMPARE(language.GetString(IDS_STRING113), QStringLiteral("Failed to SetResolution!"));
    QCOMPARE(language.GetString(IDS_STRING125),
             QStringLiteral("%ls is not a Legitimate DIB File!"));
    QCOMPARE(language.GetDialogText(IDC_BUTTON_EXIT), QString());
}

void TestLanguageEngine::switchingDropsTextsTheNewLanguageLacks()
{
    writeLanguage("German.ini", "[DIALOG]\nIDC_BUTTON_CONVERT=Konvertieren\n");
    writeLanguage("French_utf-8.ini", "[DIALOG]\nIDC_BUTTON_HELP=Aide\n");
    CLanguage language;
    language.Initialize(m_base->path(), "German");
    QCOMPARE(language.GetDialogText(IDC_BUTTON_CONVERT), QStringLiteral("Konvertieren"));
    QCOMPARE(language.LoadLanguage("french_UTF-8"), 1);
    QCOMPARE(language.GetCurrentLanguage(), QStringLiteral("french_UTF-8"));
    QCOMPARE(language.GetDialogText(IDC_BUTTON_CONVERT), QString());
    QCOMPARE(language.GetDialogText(IDC_BUTTON_HELP), QStringLiteral("Aide"));
    QCOMPARE(language.GetCodePage(), 65001);
    QCOMPARE(language.GetEncoding(), int(kEncodingUtf8));
}

void TestLanguageEngine::decodesWithTheLanguagesCodePage_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("German 1252") << "German"
                                 << QByteArray("Schlie\xDF"
                                               "en")
                                 << QStringLiteral(u"Schließen");
    QTest::newRow("Russian 1251") << "Russian" << QByteArray("\xCE\xF8\xE8\xE1\xEA\xE0")
                                  << QStringLiteral(u"Ошибка");
    QTest::newRow("chs 936") << "chs" << QByteArray("\xB4\xED\xCE\xF3") << QStringLiteral(u"错误");
    QTest::newRow("Japanese 932") << "Japanese" << QByteArray("\x83\x47\x83\x89\x81\x5B")
                                  << QStringLiteral(u"エラー");
    QTest::newRow("Korean 949") << "kor" << QByteArray("\xBF\xC0\xB7\xF9")
                                << QStringLiteral(u"오류");
    QTest::newRow("Chinese_Taiwan 950")
        << "Chinese_Taiwan" << QByteArray("\xBF\xF9\xBB\x7E") << QStringLiteral(u"錯誤");
    QTest::newRow("Thai 874") << "Thai" << QByteArray("\xBC\xD4\xB4") << QStringLiteral(u"ผิด");
    QTest::newRow("Greek 1253") << "Greek" << QByteArray("\xD3\xF6\xDC\xEB\xEC\xE1")
                                << QStringLiteral(u"Σφάλμα");
    QTest::newRow("Russian_utf-8")
        << "Russian_utf-8" << QByteArray("\xD0\x9E\xD1\x88") << QStringLiteral(u"Ош");
    QTest::newRow("Hindi, system code page")
        << "Hindi" << QByteArray("\xE0\xA4\xA4\xE0\xA5\x8D") << QStringLiteral(u"त्");
}

void TestLanguageEngine::decodesWithTheLanguagesCodePage()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, value);
    QFETCH(QString, text);
    writeLanguage(name + ".ini", "[STRING]\r\nIDS_MESSAGE_ERROR=" + value + "\r\n");
    CLanguage language;
    language.Initialize(m_base->path(), name);
    QCOMPARE(language.GetString(IDS_MESSAGE_ERROR), text);
    QCOMPARE(m_ui->boxes().size(), 0);
}

void TestLanguageEngine::doubleByteTrailBackslashIsNotAnEscape()
{
    // 0x95 0x5C is one character in code page 932; the 0x5C must not join
    // the following 'n' into a line-feed escape.
    writeLanguage("Japanese.ini", "[STRING]\nIDS_MESSAGE_ERROR=\x95\x5Cn\\n\n");
    CLanguage language;
    language.Initialize(m_base->path(), "Japanese");
    QCOMPARE(language.GetString(IDS_MESSAGE_ERROR), QStringLiteral(u"表n\n"));
}

void TestLanguageEngine::unescapesValues()
{
    writeLanguage("English.ini", "[STRING]\nIDS_STRING108=Line one\\nLine two\n"
                                 "IDS_STRING111=C:\\temp\nIDS_STRING112=C:\\\\temp\n");
    CLanguage language;
    language.Initialize(m_base->path(), "English");
    QCOMPARE(language.GetString(IDS_STRING108), QStringLiteral("Line one\nLine two"));
    QCOMPARE(language.GetString(IDS_STRING111), QStringLiteral("C:\temp"));
    QCOMPARE(language.GetString(IDS_STRING112), QStringLiteral("C:\\\temp"));
}

void TestLanguageEngine::cutsValuesAt2047()
{
    writeLanguage("English.ini", "[STRING]\nIDS_STRING108=" + QByteArray(3000, 'a') + "\n");
    CLanguage language;
    language.Initialize(m_base->path(), "English");
    QCOMPARE(language.GetString(IDS_STRING108), QString(2047, u'a'));
}

void TestLanguageEngine::improperNameWarnsAndGoesOn()
{
    writeLanguage("Russian.ini", "[STRING]\nIDS_MESSAGE_ERROR=\xCE\xF8\n");
    writeLanguage("Russian_utf-8x.ini", "[STRING]\nIDS_MESSAGE_ERROR=\xD0\x9E\xD1\x88\n");
    CLanguage language;
    language.Initialize(m_base->path(), "Russian");
    QCOMPARE(language.GetCodePage(), 1251);
    QCOMPARE(m_ui->boxes().size(), 0);

    language.LoadLanguage("Russian_utf-8x");
    QCOMPARE(m_ui->boxes().size(), 1);
    const RecordedMessageBox& box = m_ui->boxes().front();
    QCOMPARE(box.text, kImproperName);
    QCOMPARE(box.caption, QStringLiteral("russian_"));
    QVERIFY(!box.hasOwner);
    QCOMPARE(box.buttons, MessageButtons::Ok);
    // Loading went on: the texts are read, as the system's text (UTF-8
    // here), and the identifiers and code page stay as they were.
    QCOMPARE(language.GetCurrentLanguage(), QStringLiteral("Russian_utf-8x"));
    QCOMPARE(language.GetString(IDS_MESSAGE_ERROR), QStringLiteral(u"Ош"));
    QCOMPARE(language.GetCodePage(), 1251);
    QCOMPARE(language.GetLanguageId(), 0x0019);
}

void TestLanguageEngine::namesArePlainFileNames()
{
    QVERIFY(WriteTestFile(m_base->filePath("secret.ini"), "[STRING]\nIDS_MESSAGE_ERROR=leak\n"));
    CLanguage language;
    language.Initialize(m_base->path(), "../secret");
    QCOMPARE(language.GetString(IDS_MESSAGE_ERROR), QStringLiteral("Error"));
}

void TestLanguageEngine::oversizedFileIsReportedAndSkipped()
{
    writeLanguage("German.ini", "[STRING]\nIDS_MESSAGE_ERROR=Fehler\n");
    QFile file(m_base->filePath("language/German.ini"));
    QVERIFY(file.resize(64 * 1024 * 1024)); // sparse
    CLanguage language;
    language.Initialize(m_base->path(), "German");
    QCOMPARE(language.GetString(IDS_MESSAGE_ERROR), QStringLiteral("Error"));
    QCOMPARE(m_ui->boxes().size(), 1);
    QVERIFY(m_ui->boxes().front().text.contains("German.ini"));
    QVERIFY(!m_ui->boxes().front().hasOwner);
}

void TestLanguageEngine::interfaceFontDefaults()
{
    CLanguage language;
    language.SetSettingsStore(m_store.get());
    language.Initialize(m_base->path(), "english");
    const LogFont& font = language.GetInterfaceLogFont();
    QCOMPARE(font.lfFaceName, QStringLiteral("Microsoft Sans Serif"));
    QCOMPARE(font.lfHeight, -11);
    QCOMPARE(font.lfWeight, 400);
    QCOMPARE(font.lfItalic, 0);
    QVERIFY(language.GetInterfaceFont());
    QCOMPARE(language.GetInterfaceFont()->pixelSize(), 11);
    QCOMPARE(language.GetInterfaceFont()->weight(), QFont::Normal);
    QVERIFY(!language.GetInterfaceFont()->italic());
    QCOMPARE(m_ui->boxes().size(), 0);
}

void TestLanguageEngine::interfaceFontPerLanguageFromTheStore()
{
    writeLanguage("English.ini", "");
    writeLanguage("German.ini", "");
    m_store->WriteProfileInt("German", "lfWeight", 700);
    m_store->WriteProfileInt("German", "lfItalic", 257); // a byte field keeps its low 8 bits
    m_store->WriteProfileInt("German", "lfHeight", -16);
    m_store->WriteProfileString("German", "lfFaceName",
                                "DejaVu Serif With A Very Long Face Name Indeed");
    m_store->WriteProfileInt("english", "lfUnderline", 1);

    CLanguage language;
    language.SetSettingsStore(m_store.get());
    language.Initialize(m_base->path(), "german"); // the section matches regardless of case
    LogFont font = language.GetInterfaceLogFont();
    QCOMPARE(font.lfWeight, 700);
    QCOMPARE(font.lfItalic, 1);
    QCOMPARE(font.lfHeight, -16);
    QCOMPARE(font.lfFaceName, QStringLiteral("DejaVu Serif With A Very Long F"));
    QCOMPARE(font.lfFaceName.size(), 31);
    QVERIFY(language.GetInterfaceFont()->bold());
    QVERIFY(language.GetInterfaceFont()->italic());
    QCOMPARE(language.GetInterfaceFont()->pixelSize(), 16);

    language.LoadLanguage("English");
    font = language.GetInterfaceLogFont();
    QCOMPARE(font.lfWeight, 400);
    QCOMPARE(font.lfUnderline, 1);
    QCOMPARE(font.lfFaceName, QStringLiteral("Microsoft Sans Serif"));
    QVERIFY(language.GetInterfaceFont()->underline());

    // A name that is not installed takes the font of "english".
    language.LoadLanguage("Klingon");
    QCOMPARE(language.GetInterfaceLogFont().lfUnderline, 1);
}

void TestLanguageEngine::interfaceFontFailure()
{
    m_store->WriteProfileInt("english", "lfHeight", -2147483647);
    CLanguage language;
    language.SetSettingsStore(m_store.get());
    language.Initialize(m_base->path(), "english");
    QVERIFY(!language.GetInterfaceFont());
    QCOMPARE(m_ui->boxes().size(), 1);
    QCOMPARE(m_ui->boxes().front().text, QStringLiteral("Failed to create font"));
    QCOMPARE(m_ui->boxes().front().caption, QStringLiteral("Error"));
    QVERIFY(!m_ui->boxes().front().hasOwner);
    // Loading is otherwise complete.
    QCOMPARE(language.GetString(IDS_MESSAGE_ERROR), QStringLiteral("Error"));

    // Without an interface there is no font to make and nothing to say.
    CLanguage converter;
    converter.SetSettingsStore(m_store.get());
    converter.SetHasInterface(false);
    converter.Initialize(m_base->path(), "english");
    QVERIFY(!converter.GetInterfaceFont());
    QCOMPARE(converter.GetInterfaceLogFont().lfHeight, -2147483647);
    QCOMPARE(m_ui->boxes().size(), 1);
}

void TestLanguageEngine::numbersDoNotFollowTheLanguage()
{
    writeLanguage("German.ini", "");
    writeLanguage("Russian.ini", "");
    CLanguage language;
    for (const char* name : {"German", "Russian"}) {
        language.Initialize(m_base->path(), name);
        QCOMPARE(ParseTypedNumber(u"1.234"), 1);
        QCOMPARE(ParseTypedNumber(u"1,234"), 1);
        QCOMPARE(QString::number(1234.5), QStringLiteral("1234.5"));
        QCOMPARE(std::strtod("1.5", nullptr), 1.5);
    }
    // Qt's own default locale does follow it, for texts.
    QCOMPARE(QLocale().language(), QLocale::Russian);
    language.LoadLanguage("German");
    QCOMPARE(QLocale().language(), QLocale::German);
}

void TestLanguageEngine::localeIsTheRowsOwn_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("locale"); // empty: the system's
    QTest::newRow("chs") << "chs"
                         << "zh_CN";
    QTest::newRow("Chinese_Taiwan") << "Chinese_Taiwan"
                                    << "zh_TW";
    QTest::newRow("Serbian") << "Serbian"
                             << "sr_RS";
    QTest::newRow("Serbian_Latin_Serbia") << "Serbian_Latin_Serbia"
                                          << "sr_RS";
    QTest::newRow("Croatian") << "Croatian"
                              << "hr_HR";
    QTest::newRow("United Kingdom") << "English_United_Kingdom)"
                                    << "en_GB";
    QTest::newRow("english") << "english"
                             << "en_US";
    QTest::newRow("German_Austria, UTF-8") << "German_Austria_utf-8"
                                           << "de_AT";
    QTest::newRow("Portuguese_Portugal") << "ptg"
                                         << "pt_PT";
    QTest::newRow("Caribbean has no locale") << "English_Caribbean"
                                             << "";
}

void TestLanguageEngine::localeIsTheRowsOwn()
{
    QFETCH(QString, name);
    QFETCH(QString, locale);
    CLanguage language;
    language.Initialize(m_base->path(), "Russian");
    QCOMPARE(QLocale().language(), QLocale::Russian);
    language.LoadLanguage(name);
    QCOMPARE(QLocale().name(), locale.isEmpty() ? QLocale::system().name() : locale);
    if (name.startsWith("Serbian"))
        QCOMPARE(QLocale().script(),
                 name.contains("Latin") ? QLocale::LatinScript : QLocale::CyrillicScript);
    // An improper name has no locale either: the system's.
    language.LoadLanguage("Russian");
    language.LoadLanguage("Klingon");
    QCOMPARE(QLocale(), QLocale::system());
}

void TestLanguageEngine::noRowKeepsTheLocaleOfTheLanguageBefore()
{
    // Sweep: after Japanese, each row gets a locale of its own language, or
    // the system's, never Japanese (unless it is Japanese).
    CLanguage language;
    for (const LanguageTableRow& row : LanguageTable()) {
        const QString name = QString::fromUtf16(row.name);
        language.Initialize(m_base->path(), "Japanese");
        QCOMPARE(QLocale().language(), QLocale::Japanese);
        language.LoadLanguage(name);
        const QLocale::Language own =
            QLocale::codeToLanguage(QString::fromLatin1(row.localeTag).section(u'-', 0, 0));
        QVERIFY2(QLocale() == QLocale::system() || QLocale().language() == own, qPrintable(name));
        QVERIFY2(own == QLocale::Japanese || QLocale().language() != QLocale::Japanese,
                 qPrintable(name));
    }
}

QTEST_MAIN(TestLanguageEngine)
#include "test_language_engine.moc"
