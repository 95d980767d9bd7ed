// How the real window looks and behaves beyond its handlers: Qt's own dialogs
// in the program's language, the popup menu's reach and font, buttons after a
// warning box, mnemonics in labels and group boxes, the kind of window.
#include "app/CPictavoApp.h"
#include "dialog/CAboutDlg.h"
#include "dialog/CPictavoDlg.h"
#include "language/CLanguage.h"
#include "platform/QtUiServices.h"
#include "resources/resource.h"
#include "support/MainDialogFixture.h"
#include "support/TestFiles.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <functional>

namespace {

const QStringList kLanguages = {QStringLiteral("English.ini"), QStringLiteral("German.ini"),
                                QStringLiteral("Russian.ini")};

// Runs an action on the first widget of type T that is shown from now on,
// once it is up (from the event loop that shows it), then stops watching.
template <typename T> class WhenShown : public QObject
{
public:
    explicit WhenShown(std::function<void(T*)> action) : m_action(std::move(action))
    {
        qApp->installEventFilter(this);
    }
    bool seen() const { return m_seen; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        T* widget = qobject_cast<T*>(watched);
        if (!m_seen && widget && event->type() == QEvent::Show) {
            m_seen = true;
            qApp->removeEventFilter(this);
            QMetaObject::invokeMethod(
                this, [this, widget] { m_action(widget); }, Qt::QueuedConnection);
        }
        return false;
    }

private:
    std::function<void(T*)> m_action;
    bool m_seen = false;
};

// Start-up as the program runs it, without the window.
class StartupOnly : public CPictavoApp
{
protected:
    void RunMainDialog() override {}
};

QString QtCancelText()
{
    return QCoreApplication::translate("QPlatformTheme", "Cancel");
}

void RightClick(QWidget* widget, QPoint point = QPoint(2, 2))
{
    QTest::mousePress(widget, Qt::RightButton, Qt::NoModifier, point);
    QTest::mouseRelease(widget, Qt::RightButton, Qt::NoModifier, point);
}

QImage Rendered(QWidget* widget)
{
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestWindowLook : public QObject
{
    Q_OBJECT

private slots:
    void qtDialogsSpeakTheLanguage();
    void popupMenuOverDisabledControls();
    void popupMenuKeepsTheMenuFont();
    void noButtonStaysPressedAfterAWarning();
    void labelsAndGroupBoxesTakeMnemonics();
    void mainWindowIsATopLevelWindow();
};

void TestWindowLook::qtDialogsSpeakTheLanguage()
{
    QTemporaryDir root;
    QVERIFY(QDir().mkpath(root.filePath("X/language")));
    for (const QString& file : kLanguages)
        QVERIFY(QFile::copy(QStringLiteral(RASTELLE_LANGUAGE_DIR "/") + file,
                            root.filePath("X/language/") + file));
    {
        SettingsStore store(root.filePath("settings.ini"));
        store.WriteProfileString("Option", "CurrentLanguage", "German");
    }
    StartupOnly app;
    app.SetProgramPath(root.filePath("X/bin/Rastelle"));
    app.SetSettingsFile(root.filePath("settings.ini"));
    app.InitInstance();
    QCOMPARE(theLanguage.GetCurrentLanguage(), QStringLiteral("German"));
    QCOMPARE(QtCancelText(), QStringLiteral("Abbrechen"));

    // The real message box and file dialog show German buttons.
    QtUiServices qt;
    SetUiServices(&qt);
    QStringList boxButtons;
    WhenShown<QMessageBox> answerBox([&](QMessageBox* box) {
        for (QAbstractButton* button : box->buttons())
            boxButtons.append(button->text());
        box->button(QMessageBox::No)->click();
    });
    QCOMPARE(ShowMessage(nullptr, "?", "?", MessageButtons::YesNo), int(IDNO));
    QVERIFY(answerBox.seen());
    QVERIFY2(boxButtons.contains(QStringLiteral("&Ja")), qPrintable(boxButtons.join(u',')));
    QVERIFY(boxButtons.contains(QStringLiteral("&Nein")));

    QStringList dialogButtons;
    WhenShown<QFileDialog> cancelDialog([&](QFileDialog* dialog) {
        for (QDialogButtonBox* box : dialog->findChildren<QDialogButtonBox*>())
            for (QAbstractButton* button : box->buttons())
                dialogButtons.append(button->text());
        dialog->reject();
    });
    FileDialogRequest request;
    request.initialFolder = root.path();
    QVERIFY(!UiServices().GetOpenFileName(request));
    QVERIFY(cancelDialog.seen());
    QVERIFY2(dialogButtons.contains(QStringLiteral("Abbrechen")),
             qPrintable(dialogButtons.join(u',')));
    SetUiServices(nullptr);

    // Another language replaces the translations; English removes them.
    theLanguage.LoadLanguage("Russian");
    QCOMPARE(QtCancelText(), QStringLiteral(u"Отмена"));
    theLanguage.LoadLanguage("English");
    QCOMPARE(QtCancelText(), QStringLiteral("Cancel"));

    // Switching from the window's menu does the same.
    MainDialogFixture fixture(kLanguages);
    QCOMPARE(QtCancelText(), QStringLiteral("Cancel"));
    CPictavoDlg& dialog = fixture.Open();
    fixture.Ui().queueMenuChoice(IDM_LANGUAGE_FIRST + 1);
    dialog.ShowPopupMenu(QPoint(3, 3));
    QCOMPARE(theLanguage.GetCurrentLanguage(), QStringLiteral("German"));
    QCOMPARE(QtCancelText(), QStringLiteral("Abbrechen"));
    fixture.Ui().queueMenuChoice(IDM_LANGUAGE_FIRST);
    dialog.ShowPopupMenu(QPoint(3, 3));
    QCOMPARE(QtCancelText(), QStringLiteral("Cancel"));
}

void TestWindowLook::popupMenuOverDisabledControls()
{
    MainDialogFixture fixture(kLanguages);
    CPictavoDlg& dialog = fixture.Open();
    // The edits that wait for a photo are disabled: they take no click.
    for (int id : {IDC_EDIT_OUTPUT_FILE, IDC_EDIT_OUTPUT_WIDTH, IDC_EDIT_OUTPUT_HEIGHT}) {
        QWidget* edit = dialog.GetDlgItem(id);
        QVERIFY(!edit->isEnabled());
        const qsizetype before = fixture.Ui().shownMenus().size();
        RightClick(edit, QPoint(4, 3));
        QCOMPARE(fixture.Ui().shownMenus().size(), before + 1);
        QCOMPARE(fixture.Ui().menuPoints().last(), edit->mapToGlobal(QPoint(4, 3)));
    }
    // An enabled button keeps the click.
    RightClick(dialog.GetDlgItem(IDC_BUTTON_HELP));
    QCOMPARE(fixture.Ui().shownMenus().size(), 3);

    // Once a photo enables them, the edits keep the right button too.
    fixture.OpenPhoto(fixture.WritePicture("p.png", 40, 30, Qt::blue));
    for (int id : {IDC_EDIT_OUTPUT_FILE, IDC_EDIT_OUTPUT_WIDTH, IDC_EDIT_ADD_TEXT}) {
        QVERIFY(dialog.GetDlgItem(id)->isEnabled());
        RightClick(dialog.GetDlgItem(id), QPoint(4, 3));
    }
    QCOMPARE(fixture.Ui().shownMenus().size(), 3);
}

void TestWindowLook::popupMenuKeepsTheMenuFont()
{
    MainDialogFixture fixture(kLanguages);
    CPictavoDlg& dialog = fixture.Open();
    LogFont bold;
    bold.lfHeight = -20;
    bold.lfWeight = 700;
    bold.lfItalic = 1;
    bold.SetFaceName(QStringLiteral("DejaVu Serif"));
    theLanguage.SetInterfaceFont(bold);
    theLanguage.TranslateDialog(dialog, IDD_MAIN_DIALOG);
    QVERIFY(dialog.GetDlgItem(IDC_BUTTON_OPEN_PHOTO)->font().bold());

    QtUiServices qt;
    SetUiServices(&qt);
    QFont menuFont;
    QStringList items;
    WhenShown<QMenu> closeMenu([&](QMenu* menu) {
        menuFont = menu->font();
        for (QAction* action : menu->actions())
            items.append(action->text());
        menu->close();
    });
    dialog.ShowPopupMenu(QPoint(5, 5));
    SetUiServices(&fixture.Ui());
    QVERIFY(closeMenu.seen());
    QCOMPARE(items, QStringList({"Language", "Font", "About"}));
    QCOMPARE(menuFont, QApplication::font("QMenu"));
    QVERIFY(!menuFont.bold());
    QVERIFY(!menuFont.italic());
}

void TestWindowLook::noButtonStaysPressedAfterAWarning()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    fixture.OpenPhoto(fixture.WritePicture("shot.png", 64, 48, Qt::green));
    const QString output = dialog.GetDlgItemText(IDC_EDIT_OUTPUT_FILE);
    QVERIFY(output.endsWith(QStringLiteral("shot_out.bmp")));
    fixture.SetText(IDC_EDIT_TEXT_X, QStringLiteral("500"));
    dialog.GetDlgItem(IDC_EDIT_TEXT_X)->setFocus(Qt::TabFocusReason);
    QVERIFY(dialog.GetDlgItem(IDC_EDIT_TEXT_X)->hasFocus());

    auto* convert = static_cast<QPushButton*>(dialog.GetDlgItem(IDC_BUTTON_CONVERT));
    const QPoint point = convert->mapTo(&dialog, convert->rect().center());
    QWindow* window = dialog.windowHandle();
    QVERIFY(window);

    // The press moves the focus; leaving the field warns in a real box, and
    // the button is let go while the box is up.
    QtUiServices qt;
    SetUiServices(&qt);
    QString warning;
    WhenShown<QMessageBox> answer([&](QMessageBox* box) {
        warning = box->text();
        QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, point);
        box->button(QMessageBox::Ok)->click();
    });
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, point);
    QVERIFY(answer.seen());
    QCOMPARE(warning, theLanguage.GetString(IDS_STRING123));
    QCOMPARE(dialog.focusWidget(), convert);
    QVERIFY(!convert->isDown());
    QVERIFY(!QFile::exists(output)); // the interrupted click converted nothing

    // The next click is an ordinary one.
    WhenShown<QMessageBox> anyBox([](QMessageBox* box) { box->button(QMessageBox::Ok)->click(); });
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, point);
    QVERIFY(convert->isDown());
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, point);
    QVERIFY(!convert->isDown());
    SetUiServices(&fixture.Ui());
    QVERIFY(QFile::exists(output));
}

void TestWindowLook::labelsAndGroupBoxesTakeMnemonics()
{
    MainDialogFixture fixture(kLanguages);
    const QString file = fixture.LanguageBase() + QStringLiteral("/language/German.ini");
    QFile::remove(file);
    QVERIFY(WriteTestFile(file, "[DIALOG]\n"
                                "IDD_PROGRAM_BMP_CAPTION=Rastelle\n"
                                "IDC_STATIC_OUTPUT_WIDTH=Width && Height:\n"
                                "IDC_STATIC_FLIP=&Flip\n"
                                "IDC_STATIC_OUTPUT_FILENAME=Ou&tput file:\n"
                                "IDC_STATIC_ADD_TEXT=&Add text:\n"));
    theLanguage.Initialize(fixture.LanguageBase(), "German");
    CPictavoDlg& dialog = fixture.Open();

    // "&&" is one ampersand: the label looks like one that says so plainly.
    auto* width = qobject_cast<QLabel*>(dialog.GetDlgItem(IDC_STATIC_OUTPUT_WIDTH));
    QVERIFY(width);
    QLabel plain(QStringLiteral("Width & Height:"));
    plain.setTextFormat(Qt::PlainText);
    plain.setWordWrap(true);
    plain.setAlignment(width->alignment());
    plain.setFont(width->font());
    plain.resize(width->size());
    QCOMPARE(Rendered(width), Rendered(&plain));

    // Alt+letter moves the focus to the control after the label or group.
    QTest::keyClick(&dialog, Qt::Key_F, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), dialog.GetDlgItem(IDC_RADIO_FLIP_NO));
    QVERIFY(!dialog.IsDlgButtonChecked(IDC_RADIO_FLIP_HORIZONTAL));
    // Past the hidden frame controls to the Font button, which is not pressed.
    QTest::keyClick(&dialog, Qt::Key_T, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), dialog.GetDlgItem(IDC_BUTTON_FONT));
    QVERIFY(fixture.Ui().fontChooserCalls().isEmpty());
    // A disabled control is passed over, round to the start of the order.
    QTest::keyClick(&dialog, Qt::Key_A, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), dialog.GetDlgItem(IDC_COMBO_PIXEL_FORMAT));
    dialog.EnableDlgItem(IDC_COMBO_PIXEL_FORMAT, false);
    QTest::keyClick(&dialog, Qt::Key_A, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), dialog.GetDlgItem(IDC_BUTTON_OPEN_PHOTO));

    // Texts the program shows, such as a photo's name, keep every '&'.
    fixture.OpenPhoto(fixture.WritePicture("Tom & Jerry.png", 20, 10, Qt::red));
    auto* info = qobject_cast<QLabel*>(dialog.GetDlgItem(IDC_STATIC_PHOTO_INFO));
    QVERIFY(info->text().startsWith(QStringLiteral("Tom & Jerry.png")));
    QLabel asIs(info->text());
    asIs.setTextFormat(Qt::PlainText);
    asIs.setWordWrap(true);
    asIs.setAlignment(info->alignment());
    asIs.setFont(info->font());
    asIs.resize(info->size());
    QCOMPARE(Rendered(info), Rendered(&asIs));
}

void TestWindowLook::mainWindowIsATopLevelWindow()
{
    MainDialogFixture fixture({QStringLiteral("English.ini")});
    CPictavoDlg& dialog = fixture.Open();
    // A window of its own, not a dialog belonging to another, so that task
    // bars list it.
    QCOMPARE(dialog.windowType(), Qt::Window);
    QVERIFY(dialog.windowHandle());
    QCOMPARE(dialog.windowHandle()->transientParent(), nullptr);
    QVERIFY(dialog.windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(dialog.windowFlags() & Qt::WindowMaximizeButtonHint));
    // The About box stays a dialog of the main window.
    CAboutDlg about(&dialog);
    about.show();
    QCOMPARE(about.windowType(), Qt::Dialog);
    QCOMPARE(about.windowHandle()->transientParent(), dialog.windowHandle());
}

QTEST_MAIN(TestWindowLook)
#include "test_window_look.moc"
