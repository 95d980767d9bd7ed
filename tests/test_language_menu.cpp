// The right-click popup menu: languages, the interface font, the About box;
// and the Homepage and Help buttons.
#include "dialog/CAboutDlg.h"
#include "dialog/CPictavoDlg.h"
#include "dialog/HelpTarget.h"
#include "language/CLanguage.h"
#include "platform/QtUiServices.h"
#include "resources/DialogTemplates.h"
#include "resources/Menus.h"
#include "resources/resource.h"
#include "support/FakeOpener.h"
#include "support/MainDialogFixture.h"
#include "support/TestFiles.h"

#include <QLabel>
#include <QTest>

namespace {

const QStringList kThreeLanguages = {QStringLiteral("English.ini"), QStringLiteral("German.ini"),
                                     QStringLiteral("chs.ini")};

void RightClick(QWidget* widget, QPoint point = QPoint(2, 2))
{
    QTest::mousePress(widget, Qt::RightButton, Qt::NoModifier, point);
    QTest::mouseRelease(widget, Qt::RightButton, Qt::NoModifier, point);
}

LogFont BoldFont()
{
    LogFont font;
    font.lfHeight = -16;
    font.lfWeight = 700;
    font.SetFaceName(QStringLiteral("DejaVu Serif"));
    return font;
}

} // namespace

class TestLanguageMenu : public QObject
{
    Q_OBJECT

private slots:
    void menuResourceStructure();
    void menuListsInstalledLanguagesWithTheCurrentChecked();
    void storedLanguageNotInstalled();
    void menuOpensOnlyOverTheDialogItself();
    void pickingALanguageRelabelsAndIsKeptAtClose();
    void commandsOutsideTheLanguageRangeDoNothing();
    void interfaceFontPerLanguage();
    void aboutBox();
    void homepage();
    void help();
    void homepageOpenerFails();
};

void TestLanguageMenu::menuResourceStructure()
{
    QVERIFY(!LoadMenuResource(4711));
    const std::unique_ptr<QMenu> menu = LoadMenuResource(IDR_MENU_LANGUAGE_POPUP);
    QVERIFY(menu);
    QCOMPARE(menu->actions().size(), 1);
    QMenu* popup = menu->actions()[0]->menu();
    QVERIFY(popup);
    QCOMPARE(popup->title(), QStringLiteral("PopupMenu"));
    const QList<QAction*> items = popup->actions();
    QCOMPARE(items.size(), 3);
    QCOMPARE(items[0]->text(), QStringLiteral("Language"));
    QVERIFY(items[0]->menu());
    QCOMPARE(items[0]->menu()->actions().size(), 1); // the placeholder
    QCOMPARE(items[0]->menu()->actions()[0]->data().toInt(), 0);
    QCOMPARE(items[1]->data().toInt(), IDM_POPUPMENU_FONT);
    QCOMPARE(items[2]->data().toInt(), IDM_ABOUT);
}

void TestLanguageMenu::menuListsInstalledLanguagesWithTheCurrentChecked()
{
    MainDialogFixture fixture(kThreeLanguages);
    CPictavoDlg& dialog = fixture.Open();
    dialog.ShowPopupMenu(QPoint(10, 200));
    QCOMPARE(fixture.Ui().shownMenus().size(), 1);
    QCOMPARE(fixture.Ui().shownMenus()[0],
             QStringList({"Language", "  [x] English #45400", "  German #45401", "  chs #45402",
                          "Font #32772", "About #32771"}));
    QCOMPARE(fixture.Ui().menuPoints()[0], dialog.mapToGlobal(QPoint(10, 200)));

    // In German the items carry the German texts; the names stay.
    fixture.Ui().queueMenuChoice(IDM_LANGUAGE_FIRST + 1);
    dialog.ShowPopupMenu(QPoint(10, 200));
    dialog.ShowPopupMenu(QPoint(10, 200));
    const QStringList german = fixture.Ui().shownMenus()[2];
    QCOMPARE(german[1], QStringLiteral("  English #45400"));
    QCOMPARE(german[2], QStringLiteral("  [x] German #45401"));
    QCOMPARE(german[0], theLanguage.GetMenuText(IDM_SELECT_LANGUAGE));
    QCOMPARE(german[4], theLanguage.GetMenuText(IDM_POPUPMENU_FONT) + " #32772");
    QVERIFY(german[0] != QStringLiteral("Language"));
}

void TestLanguageMenu::storedLanguageNotInstalled()
{
    MainDialogFixture fixture(kThreeLanguages);
    fixture.Store().WriteProfileString("Option", "CurrentLanguage", "Klingon");
    fixture.LoadStoredLanguage();
    fixture.TakeMessages();
    CPictavoDlg& dialog = fixture.Open();
    dialog.ShowPopupMenu(QPoint(1, 1));
    QCOMPARE(fixture.Ui().shownMenus()[0][1], QStringLiteral("  [x] English #45400"));
    dialog.close();
    QCOMPARE(fixture.Store().GetProfileString("Option", "CurrentLanguage", {}),
             QStringLiteral("english"));
}

void TestLanguageMenu::menuOpensOnlyOverTheDialogItself()
{
    MainDialogFixture fixture(kThreeLanguages);
    CPictavoDlg& dialog = fixture.Open();
    // A button and an edit keep the right button for themselves.
    RightClick(dialog.GetDlgItem(IDC_BUTTON_CONVERT));
    QCOMPARE(fixture.Ui().shownMenus().size(), 0);
    // The dialog's background, a label and a group box let it through.
    RightClick(&dialog, QPoint(3, 3));
    QCOMPARE(fixture.Ui().shownMenus().size(), 1);
    QCOMPARE(fixture.Ui().menuPoints().last(), dialog.mapToGlobal(QPoint(3, 3)));
    RightClick(dialog.GetDlgItem(IDC_STATIC_OUTPUT_WIDTH));
    QCOMPARE(fixture.Ui().shownMenus().size(), 2);
    RightClick(dialog.GetDlgItem(IDC_STATIC_FLIP), QPoint(2, 30));
    QCOMPARE(fixture.Ui().shownMenus().size(), 3);
    // The left button opens nothing.
    QTest::mouseClick(&dialog, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    QCOMPARE(fixture.Ui().shownMenus().size(), 3);
}

void TestLanguageMenu::pickingALanguageRelabelsAndIsKeptAtClose()
{
    MainDialogFixture fixture(kThreeLanguages);
    {
        CPictavoDlg& dialog = fixture.Open();
        fixture.Ui().queueMenuChoice(IDM_LANGUAGE_FIRST + 1);
        RightClick(&dialog, QPoint(3, 3));
        QCOMPARE(theLanguage.GetCurrentLanguage(), QStringLiteral("German"));
        QCOMPARE(dialog.GetDlgItemText(IDC_BUTTON_OPEN_PHOTO), QStringLiteral(u"Foto öffnen"));
        // Nothing is stored until the window closes.
        QCOMPARE(fixture.Store().GetProfileString("Option", "CurrentLanguage", "unset"),
                 QStringLiteral("unset"));
        dialog.close();
        QCOMPARE(fixture.Store().GetProfileString("Option", "CurrentLanguage", {}),
                 QStringLiteral("German"));
    }
    // The next start is in German.
    fixture.Restart();
    fixture.LoadStoredLanguage();
    CPictavoDlg& dialog = fixture.Open();
    QCOMPARE(dialog.GetDlgItemText(IDC_BUTTON_OPEN_PHOTO), QStringLiteral(u"Foto öffnen"));
    // Dismissing the menu changes nothing.
    fixture.Ui().queueMenuChoice(std::nullopt);
    RightClick(&dialog, QPoint(3, 3));
    QCOMPARE(theLanguage.GetCurrentLanguage(), QStringLiteral("German"));
}

void TestLanguageMenu::commandsOutsideTheLanguageRangeDoNothing()
{
    MainDialogFixture fixture(kThreeLanguages);
    CPictavoDlg& dialog = fixture.Open();
    for (int id : {IDM_LANGUAGE_LAST + 1, IDM_LANGUAGE_FIRST - 1, IDM_LANGUAGE_FIRST + 3,
                   IDM_LANGUAGE_FIRST + 999})
        dialog.WindowProc(WM_COMMAND, MAKEWPARAM(UINT(id), 0), 0);
    QCOMPARE(theLanguage.GetCurrentLanguage(), QStringLiteral("english"));
    QVERIFY(fixture.TakeMessages().isEmpty());
    QCOMPARE(dialog.GetDlgItemText(IDC_BUTTON_OPEN_PHOTO), QStringLiteral("Open Photo"));
    // Only the low 16 bits of the command count.
    dialog.WindowProc(WM_COMMAND, WPARAM(IDM_LANGUAGE_FIRST + 2) | (WPARAM(0x0300) << 16), 0);
    QCOMPARE(theLanguage.GetCurrentLanguage(), QStringLiteral("chs"));
}

void TestLanguageMenu::interfaceFontPerLanguage()
{
    MainDialogFixture fixture(kThreeLanguages);
    CPictavoDlg& dialog = fixture.Open();
    const LogFont englishFont = theLanguage.GetInterfaceLogFont();
    dialog.WindowProc(WM_COMMAND, IDM_LANGUAGE_FIRST + 1, 0);

    // The chooser starts from German's font; the choice is stored at once.
    const LogFont germanBefore = theLanguage.GetInterfaceLogFont();
    FontChoice choice;
    choice.font = BoldFont();
    choice.color = 0x123456; // not used for the interface
    fixture.Ui().queueFontChoice(choice);
    fixture.Ui().queueMenuChoice(IDM_POPUPMENU_FONT);
    RightClick(&dialog, QPoint(3, 3));
    QCOMPARE(fixture.Ui().fontChooserCalls().last(), germanBefore);
    QCOMPARE(fixture.Store().GetProfileInt("German", "lfWeight", 0), 700);
    QCOMPARE(fixture.Store().GetProfileString("German", "lfFaceName", {}),
             QStringLiteral("DejaVu Serif"));
    QVERIFY(theLanguage.GetInterfaceFont());
    QVERIFY(theLanguage.GetInterfaceFont()->bold());
    // Relabelled controls take it at once; unlabelled ones do not.
    QVERIFY(dialog.GetDlgItem(IDC_BUTTON_OPEN_PHOTO)->font().bold());
    QVERIFY(!dialog.GetDlgItem(IDC_RADIO_ROTATE_90)->font().bold());

    // English keeps its own; German gets its bold face back.
    dialog.WindowProc(WM_COMMAND, IDM_LANGUAGE_FIRST, 0);
    QCOMPARE(theLanguage.GetInterfaceLogFont(), englishFont);
    QVERIFY(!dialog.GetDlgItem(IDC_BUTTON_OPEN_PHOTO)->font().bold());
    dialog.WindowProc(WM_COMMAND, IDM_LANGUAGE_FIRST + 1, 0);
    QCOMPARE(theLanguage.GetInterfaceLogFont().lfWeight, 700);
    QVERIFY(dialog.GetDlgItem(IDC_BUTTON_OPEN_PHOTO)->font().bold());

    // Cancelling the chooser changes nothing.
    fixture.Ui().queueFontChoice(std::nullopt);
    dialog.WindowProc(WM_COMMAND, IDM_POPUPMENU_FONT, 0);
    QCOMPARE(theLanguage.GetInterfaceLogFont().lfWeight, 700);
}

void TestLanguageMenu::aboutBox()
{
    MainDialogFixture fixture(kThreeLanguages);
    fixture.Store().WriteProfileString("Option", "CurrentLanguage", "German");
    fixture.LoadStoredLanguage();
    CAboutDlg about;
    about.OnInitDialog();
    QCOMPARE(about.windowTitle(), QStringLiteral("About Rastelle"));
    QStringList texts;
    for (QLabel* label : about.findChildren<QLabel*>())
        if (!label->text().isEmpty())
            texts.append(label->text());
    QVERIFY(texts.contains(QStringLiteral("Rastelle Version 1.1")));
    QVERIFY(texts.contains(QStringLiteral("Support: ") + SupportAddress()));
    QVERIFY(SupportAddress().startsWith(QStringLiteral("https://")));
    QCOMPARE(about.GetDlgItemText(kConfirmId), QStringLiteral("OK"));
    // The icon is drawn.
    bool hasIcon = false;
    for (QLabel* label : about.findChildren<QLabel*>())
        hasIcon = hasIcon || !label->pixmap().isNull();
    QVERIFY(hasIcon);
    // OK ends the box.
    about.show();
    QTest::mouseClick(about.GetDlgItem(kConfirmId), Qt::LeftButton);
    QVERIFY(!about.isVisible());
    QCOMPARE(about.result(), int(QDialog::Accepted));
}

void TestLanguageMenu::homepage()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    fixture.Command(IDC_BUTTON_HOMEPAGE);
    QCOMPARE(fixture.Ui().openedUrls().size(), 1);
    QCOMPARE(fixture.Ui().openedUrls()[0].toString(), HomePageAddress());
    QVERIFY(fixture.TakeMessages().isEmpty());

    fixture.Ui().setDesktopWorks(false);
    fixture.Command(IDC_BUTTON_HOMEPAGE);
    QCOMPARE(fixture.Ui().boxes().size(), 1);
    QCOMPARE(fixture.Ui().boxes()[0].caption, theLanguage.GetString(IDS_MESSAGE_UNKNOWN_ERROR));
    QCOMPARE(fixture.Ui().boxes()[0].text,
             "The Program does not launch your web browser to access " + HomePageAddress() +
                 " ,\nPlease launch your web browser and input the URL manually.");
    QCOMPARE(fixture.Ui().boxes()[0].owner, &dialog);
}

void TestLanguageMenu::help()
{
    QCOMPARE(HelpIntroductionPath("/opt/My Tools/rastelle/Rastelle"),
             QStringLiteral("/opt/My Tools/rastelle/help/Introduction.html"));
    // The Windows viewer's target, from the same folder rule.
    QCOMPARE(CompiledHelpTarget("/tools/Rastelle"),
             QStringLiteral("/tools/help.chm::/Introduction.htm"));

    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    dialog.SetProgramPath("/opt/My Tools/rastelle/Rastelle");
    fixture.Ui().setDesktopWorks(false);
    fixture.Command(IDC_BUTTON_HELP);
    QCOMPARE(fixture.Ui().openedUrls().size(), 1);
    QCOMPARE(fixture.Ui().openedUrls()[0],
             QUrl::fromLocalFile("/opt/My Tools/rastelle/help/Introduction.html"));
    // A failure shows nothing.
    QVERIFY(fixture.TakeMessages().isEmpty());
}

namespace {

// The scripted desktop, but addresses go to the real opener; its answers
// are kept.
class RealOpenerUi : public ScriptedUiServices
{
public:
    void OpenUrl(const QUrl& url, std::function<void(bool)> done) override
    {
        m_desktop.OpenUrl(url, [this, done](bool opened) {
            m_answers.append(opened);
            if (done)
                done(opened);
        });
    }
    const QList<bool>& answers() const { return m_answers; }

private:
    QtUiServices m_desktop;
    QList<bool> m_answers;
};

} // namespace

void TestLanguageMenu::homepageOpenerFails()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    RealOpenerUi ui;
    // xdg-open starts, then finds no browser and says so by its status.
    FakeOpener opener(3, true);
    fixture.Command(IDC_BUTTON_HOMEPAGE);
    // The window goes on while the opener runs.
    QTRY_COMPARE(opener.Opened(), QStringList{HomePageAddress()});
    QVERIFY(ui.boxes().isEmpty());
    fixture.Command(IDC_BUTTON_BASE_WIDTH);
    QCOMPARE(ui.boxes().size(), 1);
    QCOMPARE(ui.boxes()[0].text, theLanguage.GetString(IDS_STRING108));
    opener.Release();
    QTRY_COMPARE(ui.boxes().size(), 2);
    QCOMPARE(ui.boxes()[1].caption, theLanguage.GetString(IDS_MESSAGE_UNKNOWN_ERROR));
    QCOMPARE(ui.boxes()[1].text,
             "The Program does not launch your web browser to access " + HomePageAddress() +
                 " ,\nPlease launch your web browser and input the URL manually.");
    QCOMPARE(ui.boxes()[1].owner, &dialog);

    // An opener that succeeds shows nothing.
    FakeOpener works(0);
    fixture.Command(IDC_BUTTON_HOMEPAGE);
    QTRY_COMPARE(ui.answers(), (QList<bool>{false, true}));
    QCOMPARE(works.Opened(), QStringList{HomePageAddress()});
    QCOMPARE(ui.boxes().size(), 2);
}

QTEST_MAIN(TestLanguageMenu)
#include "test_language_menu.moc"
