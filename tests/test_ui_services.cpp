// The UI-services seam: the scripted double's dialogs, the stand-alone
// services, and the font chooser with its colour.
#include "platform/FontChooser.h"
#include "platform/QtUiServices.h"
#include "support/ScriptedUiServices.h"

#include "support/FakeOpener.h"
#include "support/ModalDriver.h"

#include <QAbstractItemView>
#include <QFontDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QUrl>

class TestUiServices : public QObject
{
    Q_OBJECT

private slots:
    void scriptedFileDialogsRecordAndAnswer();
    void scriptedFontChooserAndWaitCursor();
    void consoleServicesCancelEveryDialog();
    void filterText();
    void fontChooserStartsFromTheRecordWithBlack();
    void fontChooserReportsColourAsColorRef();
    void fontChooserKeysEndTheWholeChooser();
    void openerStatusDecidesWhetherAnAddressOpened();
};

void TestUiServices::scriptedFileDialogsRecordAndAnswer()
{
    ScriptedUiServices ui;
    ui.queueFileName(QStringLiteral("/pics/cat.jpg"));
    FileDialogRequest open;
    open.title = QStringLiteral("Select a Picture file...");
    open.filters = {{QStringLiteral("Any Files (*.*)"), {QStringLiteral("*.*")}}};
    open.initialFolder = QStringLiteral("/pics/");
    QCOMPARE(UiServices().GetOpenFileName(open), std::optional<QString>("/pics/cat.jpg"));
    FileDialogRequest save;
    save.title = QStringLiteral("Select Output");
    QCOMPARE(UiServices().GetSaveFileName(save), std::nullopt); // empty script: cancelled
    QCOMPARE(ui.fileDialogs().size(), 2);
    QVERIFY(!ui.fileDialogs()[0].save);
    QCOMPARE(ui.fileDialogs()[0].request.title, open.title);
    QCOMPARE(ui.fileDialogs()[0].request.initialFolder, QStringLiteral("/pics/"));
    QVERIFY(ui.fileDialogs()[1].save);
}

void TestUiServices::scriptedFontChooserAndWaitCursor()
{
    ScriptedUiServices ui;
    LogFont initial;
    initial.lfHeight = -13;
    FontChoice chosen;
    chosen.font.lfWeight = 700;
    chosen.color = 0x0000FF;
    ui.queueFontChoice(chosen);
    const std::optional<FontChoice> got = UiServices().ChooseFont(nullptr, initial);
    QVERIFY(got);
    QCOMPARE(got->font.lfWeight, 700);
    QCOMPARE(got->color, 0x0000FFu);
    QVERIFY(!UiServices().ChooseFont(nullptr, initial));
    QCOMPARE(ui.fontChooserCalls().size(), 2);
    QCOMPARE(ui.fontChooserCalls()[0].lfHeight, -13);
    UiServices().BeginWaitCursor();
    UiServices().BeginWaitCursor();
    QCOMPARE(ui.waitDepth(), 2);
    UiServices().EndWaitCursor();
    UiServices().EndWaitCursor();
    QCOMPARE(ui.waitDepth(), 0);
    QCOMPARE(ui.waitCount(), 2);
}

void TestUiServices::consoleServicesCancelEveryDialog()
{
    ConsoleUiServices console;
    QVERIFY(!console.GetOpenFileName({}));
    QVERIFY(!console.GetSaveFileName({}));
    QVERIFY(!console.ChooseFont(nullptr, LogFont()));
}

void TestUiServices::filterText()
{
    const FileFilter pictures{QStringLiteral("Picture Files (*.jpg;*.png)"),
                              {QStringLiteral("*.bmp"), QStringLiteral("*.jpg")}};
    // Qt reads the patterns from the last parentheses.
    QCOMPARE(QtFilterText(pictures), QStringLiteral("Picture Files (*.jpg;*.png) (*.bmp *.jpg)"));
}

void TestUiServices::fontChooserStartsFromTheRecordWithBlack()
{
    LogFont initial;
    initial.lfHeight = -20;
    initial.lfWeight = 700;
    initial.lfItalic = 1;
    initial.lfUnderline = 1;
    initial.SetFaceName(QStringLiteral("DejaVu Serif"));
    FontChooserDialog chooser(initial);
    const QFont shown = chooser.FontPart()->currentFont();
    QCOMPARE(shown.family(), QStringLiteral("DejaVu Serif"));
    QVERIFY(shown.bold());
    QVERIFY(shown.italic());
    QVERIFY(shown.underline());
    QCOMPARE(chooser.Color(), QColor(Qt::black));
    const FontChoice choice = chooser.Choice();
    QCOMPARE(choice.color, 0u);
    QCOMPARE(choice.font.lfFaceName, QStringLiteral("DejaVu Serif"));
    QCOMPARE(choice.font.lfWeight, 700);
    QCOMPARE(choice.font.lfUnderline, 1);
    QVERIFY(choice.font.lfHeight < 0);

    // Confirming a plain face unchanged keeps it plain: the chooser must not
    // fall on another style of the family (DejaVu Sans has "Book", not
    // "Normal", and an oblique one).
    const struct
    {
        const char* face;
        int weight;
        int italic;
    } plainAndStyled[] = {{"DejaVu Sans", 400, 0},
                          {"DejaVu Sans", 700, 0},
                          {"DejaVu Sans", 400, 1},
                          {"DejaVu Serif", 400, 0}};
    for (const auto& face : plainAndStyled) {
        LogFont record;
        record.lfHeight = -13;
        record.lfWeight = face.weight;
        record.lfItalic = std::uint8_t(face.italic);
        record.SetFaceName(QString::fromLatin1(face.face));
        const FontChoice unchanged = FontChooserDialog(record).Choice();
        QCOMPARE(unchanged.font.lfFaceName, QString::fromLatin1(face.face));
        QCOMPARE(unchanged.font.lfWeight, face.weight);
        QCOMPARE(int(unchanged.font.lfItalic), face.italic);
        QCOMPARE(unchanged.font.lfHeight, -13);
    }
}

void TestUiServices::fontChooserReportsColourAsColorRef()
{
    FontChooserDialog chooser(LogFont{});
    chooser.SetColor(QColor(0x12, 0x34, 0x56));
    QCOMPARE(chooser.Choice().color, 0x563412u); // 0x00BBGGRR
    QFont strike = chooser.FontPart()->currentFont();
    strike.setStrikeOut(true);
    chooser.FontPart()->setCurrentFont(strike);
    QCOMPARE(chooser.Choice().font.lfStrikeOut, 1);
}

void TestUiServices::fontChooserKeysEndTheWholeChooser()
{
    // Where the focus is inside the chooser when the key comes.
    enum Place
    {
        FamilyEdit,
        FamilyList,
        SizeEdit,
        ColorButton
    };
    const struct
    {
        const char* what;
        Place place;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool confirms;
    } cases[] = {
        {"Escape in the family field", FamilyEdit, Qt::Key_Escape, Qt::NoModifier, false},
        {"Escape in the family list", FamilyList, Qt::Key_Escape, Qt::NoModifier, false},
        {"Escape on the colour button", ColorButton, Qt::Key_Escape, Qt::NoModifier, false},
        {"Return in the size field", SizeEdit, Qt::Key_Return, Qt::NoModifier, true},
        {"Enter in the size field", SizeEdit, Qt::Key_Enter, Qt::KeypadModifier, true},
        {"Return in the family list", FamilyList, Qt::Key_Return, Qt::NoModifier, true},
    };
    LogFont initial;
    initial.lfHeight = -13;
    initial.lfWeight = 400;
    initial.SetFaceName(QStringLiteral("DejaVu Sans"));
    QtUiServices desktop;
    for (const auto& c : cases) {
        bool closed = false;
        WhenModalShows([&](QWidget* modal) {
            auto* chooser = dynamic_cast<FontChooserDialog*>(modal);
            QVERIFY(chooser);
            // A choice to confirm: another face, bold.
            QFont bold(QStringLiteral("DejaVu Serif"));
            bold.setBold(true);
            bold.setPixelSize(20);
            chooser->FontPart()->setCurrentFont(bold);
            QWidget* target = nullptr;
            const QList<QLineEdit*> edits = chooser->FontPart()->findChildren<QLineEdit*>();
            const QList<QAbstractItemView*> lists =
                chooser->FontPart()->findChildren<QAbstractItemView*>();
            switch (c.place) {
            case FamilyEdit:
                target = edits.value(0);
                break;
            case FamilyList:
                target = lists.value(0);
                break;
            case SizeEdit:
                target = edits.value(2);
                break;
            case ColorButton:
                for (QPushButton* button : chooser->findChildren<QPushButton*>())
                    if (button->text() == QStringLiteral("#000000"))
                        target = button;
                break;
            }
            QVERIFY2(target, c.what);
            target->setFocus();
            closed = KeyCloses(chooser, target, c.key, c.modifiers);
        });
        const std::optional<FontChoice> choice = desktop.ChooseFont(nullptr, initial);
        QVERIFY2(closed, c.what);
        QVERIFY2(choice.has_value() == c.confirms, c.what);
        if (c.confirms) {
            QCOMPARE(choice->font.lfFaceName, QStringLiteral("DejaVu Serif"));
            QCOMPARE(choice->font.lfWeight, 700);
            QCOMPARE(choice->color, 0u);
        }
    }
}

void TestUiServices::openerStatusDecidesWhetherAnAddressOpened()
{
    QtUiServices desktop;
    const struct
    {
        int status;
        bool opened;
    } cases[] = {{0, true}, {3, false}, {4, false}};
    for (const auto& c : cases) {
        FakeOpener opener(c.status);
        std::optional<bool> answer;
        desktop.OpenUrl(QUrl(QStringLiteral("https://example.org/a b")),
                        [&answer](bool opened) { answer = opened; });
        QTRY_VERIFY(answer.has_value());
        QCOMPARE(*answer, c.opened);
        QCOMPARE(opener.Opened(), QStringList{"https://example.org/a%20b"});
    }
    // A local document goes to the opener as a path.
    FakeOpener opener(0);
    std::optional<bool> answer;
    desktop.OpenUrl(QUrl::fromLocalFile(QStringLiteral("/opt/My Tools/help/Introduction.html")),
                    [&answer](bool opened) { answer = opened; });
    QTRY_VERIFY(answer.has_value());
    QCOMPARE(opener.Opened(), QStringList{"/opt/My Tools/help/Introduction.html"});
    // An opener that runs on does not hold the caller up: the answer comes
    // when it ends.
    FakeOpener slow(3, true);
    answer.reset();
    desktop.OpenUrl(QUrl(QStringLiteral("https://example.org/")),
                    [&answer](bool opened) { answer = opened; });
    QTRY_COMPARE(slow.Opened(), QStringList{"https://example.org/"});
    QVERIFY(!answer.has_value());
    slow.Release();
    QTRY_VERIFY(answer.has_value());
    QCOMPARE(*answer, false);
}

QTEST_MAIN(TestUiServices)
#include "test_ui_services.moc"
