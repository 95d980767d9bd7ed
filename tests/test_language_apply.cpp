// Re-labelling dialogs and menus from the current language.
#include "language/CLanguage.h"
#include "platform/TemplateDialog.h"
#include "resources/DialogTemplates.h"
#include "resources/resource.h"
#include "support/ScriptedUiServices.h"
#include "support/TestFiles.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QTest>

class TestLanguageApply : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void fullLanguageRelabelsOnlyKeyedControls();
    void missingTextsKeepWhatIsShown();
    void aboutBoxDoesNotChange();
    void comboItemsFromLineFeeds();
    void popupMenuAndPseudoIdentifiers();
    void menuBarText_data();
    void menuBarText();

private:
    void install(const QString& file, const QByteArray& contents);
    std::unique_ptr<QTemporaryDir> m_base;
    ScriptedUiServices m_ui;
};

void TestLanguageApply::init()
{
    m_base = std::make_unique<QTemporaryDir>();
}

void TestLanguageApply::install(const QString& file, const QByteArray& contents)
{
    QVERIFY(WriteTestFile(m_base->filePath("language/" + file), contents));
}

void TestLanguageApply::fullLanguageRelabelsOnlyKeyedControls()
{
    CLanguage language;
    language.Initialize(QStringLiteral(RASTELLE_SOURCE_DIR "/resources"), "German");
    QVERIFY(language.GetInterfaceFont());
    TemplateDialog dialog(MainDialogTemplate());
    const QFont original = dialog.GetDlgItem(IDC_EDIT_ADD_TEXT)->font();
    dialog.SetDlgItemText(IDC_STATIC_PHOTO_INFO, "cat.jpg 640 * 480");
    QCOMPARE(language.TranslateDialog(dialog, IDD_MAIN_DIALOG), 1);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Rastelle"));
    QCOMPARE(dialog.GetDlgItemText(IDC_BUTTON_OPEN_PHOTO), QStringLiteral(u"Foto öffnen"));
    QCOMPARE(dialog.GetDlgItemText(IDC_STATIC_FLIP), QStringLiteral("Spiegeln"));
    QCOMPARE(dialog.GetDlgItemText(IDC_RADIO_FLIP_NO), QStringLiteral("Nicht spiegeln"));
    QCOMPARE(dialog.GetDlgItem(IDC_BUTTON_OPEN_PHOTO)->font(), *language.GetInterfaceFont());
    // Controls without a key keep their texts and fonts.
    QCOMPARE(dialog.GetDlgItemText(IDC_RADIO_ROTATE_90), QStringLiteral("90"));
    QCOMPARE(dialog.GetDlgItemText(IDC_STATIC_PIXEL_FORMAT), QStringLiteral("Pixel format"));
    QCOMPARE(dialog.GetDlgItemText(IDC_STATIC_PHOTO_INFO), QStringLiteral("cat.jpg 640 * 480"));
    QCOMPARE(dialog.GetDlgItem(IDC_EDIT_ADD_TEXT)->font(), original);
    auto* formats = qobject_cast<QComboBox*>(dialog.GetDlgItem(IDC_COMBO_PIXEL_FORMAT));
    QCOMPARE(formats->count(), 10);
    // Applying the same language twice gives the same window.
    language.TranslateDialog(dialog, IDD_MAIN_DIALOG);
    QCOMPARE(dialog.GetDlgItemText(IDC_BUTTON_OPEN_PHOTO), QStringLiteral(u"Foto öffnen"));
}

void TestLanguageApply::missingTextsKeepWhatIsShown()
{
    install("German.ini", "[DIALOG]\nIDC_BUTTON_HELP=Hilfe\nIDC_BUTTON_EXIT=Beenden\n");
    install("French_utf-8.ini", "[DIALOG]\nIDC_BUTTON_EXIT=Quitter\n");
    CLanguage language;
    language.Initialize(m_base->path(), "German");
    TemplateDialog dialog(MainDialogTemplate());
    language.TranslateDialog(dialog, IDD_MAIN_DIALOG);
    QCOMPARE(dialog.GetDlgItemText(IDC_BUTTON_HELP), QStringLiteral("Hilfe"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Rastelle")); // no caption text: unchanged
    language.LoadLanguage("French_utf-8");
    language.TranslateDialog(dialog, IDD_MAIN_DIALOG);
    QCOMPARE(dialog.GetDlgItemText(IDC_BUTTON_EXIT), QStringLiteral("Quitter"));
    QCOMPARE(dialog.GetDlgItemText(IDC_BUTTON_HELP), QStringLiteral("Hilfe")); // the previous one's
    QCOMPARE(dialog.GetDlgItemText(IDC_BUTTON_CONVERT), QStringLiteral("Convert"));
}

void TestLanguageApply::aboutBoxDoesNotChange()
{
    CLanguage language;
    language.Initialize(QStringLiteral(RASTELLE_SOURCE_DIR "/resources"), "Russian");
    TemplateDialog about(AboutDialogTemplate());
    const QFont font = about.font();
    language.TranslateDialog(about, IDD_ABOUTBOX);
    QCOMPARE(about.windowTitle(), QStringLiteral("About Rastelle"));
    QCOMPARE(about.GetDlgItemText(1), QStringLiteral("OK"));
    QCOMPARE(about.font(), font);
}

void TestLanguageApply::comboItemsFromLineFeeds()
{
    // No combo box of the main dialog has a key; a template whose list uses
    // a keyed identifier shows the rule.
    static constexpr const char16_t* kItems[] = {u"one", u"two"};
    static constexpr ControlTemplate kControls[] = {
        {IDC_BUTTON_HELP, ControlKind::DropDownList, nullptr, 5, 5, 80, 60, kStyleTabStop, kItems},
        {IDC_BUTTON_EXIT, ControlKind::DropDownList, nullptr, 5, 25, 80, 60, kStyleTabStop,
         kItems}};
    static constexpr DialogTemplate kTemplate{500, u"Lists", 100,      60, u"MS Shell Dlg",
                                              8,   false,    kControls};
    install("German.ini", "[DIALOG]\nIDC_BUTTON_HELP=eins\\nzwei\\n\n");
    CLanguage language;
    language.Initialize(m_base->path(), "German");
    TemplateDialog dialog(kTemplate);
    language.TranslateDialog(dialog, 500);
    QCOMPARE(qobject_cast<QComboBox*>(dialog.GetDlgItem(IDC_BUTTON_EXIT))->count(), 2);
    auto* formats = qobject_cast<QComboBox*>(dialog.GetDlgItem(IDC_BUTTON_HELP));
    QCOMPARE(formats->count(), 3);
    QCOMPARE(formats->itemText(0), QStringLiteral("eins"));
    QCOMPARE(formats->itemText(2), QString()); // after the last line feed
}

static QAction* Item(QMenu* menu, const QString& text, int id)
{
    QAction* action = menu->addAction(text);
    action->setData(id);
    return action;
}

void TestLanguageApply::popupMenuAndPseudoIdentifiers()
{
    CLanguage language;
    language.Initialize(QStringLiteral(RASTELLE_SOURCE_DIR "/resources"), "German");
    // Menu 129: one top-level item opening "PopupMenu": "Language" (with the
    // installed languages), "Font", "About".
    QMenu root;
    QMenu* popup = root.addMenu(QStringLiteral("PopupMenu"));
    QMenu* languages = popup->addMenu(QStringLiteral("Language"));
    Item(languages, QStringLiteral("English"), IDM_LANGUAGE_FIRST);
    Item(languages, QStringLiteral("German"), IDM_LANGUAGE_FIRST + 1);
    popup->addSeparator();
    Item(popup, QStringLiteral("Font"), IDM_POPUPMENU_FONT);
    Item(popup, QStringLiteral("About"), IDM_ABOUT);
    QCOMPARE(language.TranslateMenu(&root, IDR_MENU_LANGUAGE_POPUP, true), 1);
    QCOMPARE(root.actions()[0]->text(), QStringLiteral("PopupMenu1"));
    QCOMPARE(popup->actions()[0]->text(), QStringLiteral("Sprache")); // 8454144
    QCOMPARE(popup->actions()[2]->text(), QStringLiteral("Schriftart"));
    QCOMPARE(popup->actions()[3]->text(), QStringLiteral("Info"));
    QCOMPARE(languages->actions()[1]->text(), QStringLiteral("German"));
    QCOMPARE(popup->actions()[0]->menu(), languages);
}

void TestLanguageApply::menuBarText_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("caption");
    QTest::newRow("first") << QByteArray("File,Edit,View") << 0 << "File";
    QTest::newRow("middle") << QByteArray("File,Edit,View") << 1 << "Edit";
    QTest::newRow("beyond: whole text") << QByteArray("File,Edit") << 5 << "File,Edit";
    QTest::newRow("no comma") << QByteArray("PopupMenu1") << 0 << "PopupMenu1";
    QTest::newRow("leading comma stays in the first field") << QByteArray(",a,b") << 0 << ",a";
}

void TestLanguageApply::menuBarText()
{
    QFETCH(QByteArray, value);
    QFETCH(int, position);
    QFETCH(QString, caption);
    install("German.ini", "[MENU]\nIDM_ABOUT=" + value + "\n");
    CLanguage language;
    language.Initialize(m_base->path(), "German");
    QCOMPARE(language.GetMenuBarText(IDM_ABOUT, position), caption);
}

QTEST_MAIN(TestLanguageApply)
#include "test_language_apply.moc"
