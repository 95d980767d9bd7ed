// Start-up: the base-folder rule and the order of the first steps.
#include "app/CPictavoApp.h"
#include "app/LanguageBaseFolder.h"
#include "language/CLanguage.h"
#include "platform/SettingsStore.h"
#include "resources/resource.h"
#include "support/ScriptedUiServices.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTest>

class RecordingApp : public CPictavoApp
{
public:
    QString languageWhenDialogRan;
    QString errorTextWhenDialogRan;
    int dialogRuns = 0;

protected:
    void RunMainDialog() override
    {
        ++dialogRuns;
        languageWhenDialogRan = theLanguage.GetCurrentLanguage();
        errorTextWhenDialogRan = theLanguage.GetString(IDS_MESSAGE_ERROR);
    }
};

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void parentFolderWinsWithEnglishIni();
    void programFolderWithoutEnglishIniAbove();
    void englishIniNameIsExact();
    void programAtTheRoot();
    void pathWithoutSeparator();
    void firstRunReadsDefaults();
    void storedLanguageIsLoadedBeforeTheDialog();
    void storedLanguageThatIsNotInstalled();
    void appNameIsTheProgramBaseName();

private:
    void install(const QString& folder, const QString& file, const QByteArray& contents = {});
    std::unique_ptr<QTemporaryDir> m_root;
};

void TestStartup::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
}

void TestStartup::install(const QString& folder, const QString& file, const QByteArray& contents)
{
    QVERIFY(WriteTestFile(m_root->filePath(folder + "/language/" + file), contents));
}

void TestStartup::parentFolderWinsWithEnglishIni()
{
    install("X", "English.ini");
    install("X/bin", "English.ini");
    QCOMPARE(GetLanguageBaseFolderFor(m_root->filePath("X/bin/Rastelle")), m_root->filePath("X"));
}

void TestStartup::programFolderWithoutEnglishIniAbove()
{
    install("X", "German.ini");
    QCOMPARE(GetLanguageBaseFolderFor(m_root->filePath("X/bin/Rastelle")),
             m_root->filePath("X/bin"));
    // No language folder anywhere: still the program's folder.
    QCOMPARE(GetLanguageBaseFolderFor(m_root->filePath("Y/bin/Rastelle")),
             m_root->filePath("Y/bin"));
}

void TestStartup::englishIniNameIsExact()
{
    install("X", "english.ini");
    QCOMPARE(GetLanguageBaseFolderFor(m_root->filePath("X/bin/Rastelle")),
             m_root->filePath("X/bin"));
    // A folder named English.ini is not the file.
    QVERIFY(QDir().mkpath(m_root->filePath("Z/language/English.ini")));
    QCOMPARE(GetLanguageBaseFolderFor(m_root->filePath("Z/bin/Rastelle")),
             m_root->filePath("Z/bin"));
}

void TestStartup::programAtTheRoot()
{
    // The program folder is the root, written without its separator, and
    // there is no parent: "" + "/language" is the root's language folder.
    QCOMPARE(GetLanguageBaseFolderFor("/Rastelle"), QString());
}

void TestStartup::pathWithoutSeparator()
{
    QCOMPARE(GetLanguageBaseFolderFor("Rastelle"), QStringLiteral("Rastelle"));
}

void TestStartup::firstRunReadsDefaults()
{
    ScriptedUiServices ui;
    install("app", "English.ini", "[STRING]\nIDS_MESSAGE_ERROR=Error\n");
    install("app", "German.ini", "[STRING]\nIDS_MESSAGE_ERROR=Fehler\n");
    RecordingApp app;
    app.SetProgramPath(m_root->filePath("app/Rastelle"));
    app.SetSettingsFile(m_root->filePath("store/Rastelle.conf"));
    QCOMPARE(app.InitInstance(), false);
    QCOMPARE(app.dialogRuns, 1);
    QCOMPARE(app.languageWhenDialogRan, QStringLiteral("english"));
    QCOMPARE(theLanguage.GetBaseFolder(), m_root->filePath("app"));
    QCOMPARE(theLanguage.GetLanguageCount(), 2);
    QCOMPARE(theLanguage.GetInterfaceLogFont().lfFaceName, QStringLiteral("Microsoft Sans Serif"));
    // Start-up only reads the store.
    QVERIFY(!QFile::exists(m_root->filePath("store/Rastelle.conf")));
    QCOMPARE(ui.boxes().size(), 0);
}

void TestStartup::storedLanguageIsLoadedBeforeTheDialog()
{
    ScriptedUiServices ui;
    install("X", "English.ini");
    install("X", "German.ini", "[STRING]\nIDS_MESSAGE_ERROR=Fehler\n");
    const QString storePath = m_root->filePath("store/Rastelle.conf");
    {
        SettingsStore store(storePath);
        store.WriteProfileString("option", "currentlanguage", "German");
        store.WriteProfileInt("German", "lfWeight", 700);
    }
    RecordingApp app;
    app.SetProgramPath(m_root->filePath("X/bin/Rastelle")); // languages one level up
    app.SetSettingsFile(storePath);
    app.InitInstance();
    QCOMPARE(app.languageWhenDialogRan, QStringLiteral("German"));
    QCOMPARE(app.errorTextWhenDialogRan, QStringLiteral("Fehler"));
    QCOMPARE(theLanguage.GetInterfaceLogFont().lfWeight, 700);
    QVERIFY(app.GetSettings());
}

void TestStartup::storedLanguageThatIsNotInstalled()
{
    ScriptedUiServices ui;
    install("app", "English.ini");
    const QString storePath = m_root->filePath("Rastelle.conf");
    SettingsStore(storePath).WriteProfileString("Option", "CurrentLanguage", "Klingon");
    RecordingApp app;
    app.SetProgramPath(m_root->filePath("app/Rastelle"));
    app.SetSettingsFile(storePath);
    app.InitInstance();
    QCOMPARE(app.languageWhenDialogRan, QStringLiteral("english"));
    QCOMPARE(app.errorTextWhenDialogRan, QStringLiteral("Error"));
    QCOMPARE(ui.boxes().size(), 1); // the name matches no language
    QCOMPARE(ui.boxes().front().caption, QStringLiteral("klingon"));
}

void TestStartup::appNameIsTheProgramBaseName()
{
    CPictavoApp app;
    app.SetProgramPath("/opt/rastelle/bin/Rastelle");
    QCOMPARE(app.GetAppName(), QStringLiteral("Rastelle"));
    app.SetProgramPath("C:/Program Files/Rastelle/Rastelle.exe");
    QCOMPARE(app.GetAppName(), QStringLiteral("Rastelle"));
}

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
