// Dialog templates turned into widgets: every control where the template puts
// it, in its kind, state and tab order.
#include "platform/FileHelpers.h"
#include "platform/TemplateDialog.h"
#include "resources/DialogTemplates.h"
#include "resources/resource.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

class TestTemplateDialog : public QObject
{
    Q_OBJECT

private slots:
    void mainTemplateIsComplete();
    void controlsSitWhereTheTemplateSays();
    void kindsAndInitialStates();
    void tabOrderFollowsTheTemplate();
    void radioGroupsAreSeparate();
    void textHelpers();
    void windowIsFixedWithoutMaximise();
    void aboutTemplate();
    void arrowKeysMoveAndCheckWithinAGroup();
    void tabReachesAGroupAtItsCheckedButton();
};

void TestTemplateDialog::mainTemplateIsComplete()
{
    const DialogTemplate& t = MainDialogTemplate();
    QCOMPARE(t.id, IDD_MAIN_DIALOG);
    QCOMPARE(QString::fromUtf16(t.caption), QStringLiteral("Rastelle"));
    QCOMPARE(t.cx, 378);
    QCOMPARE(t.cy, 294);
    QCOMPARE(int(t.controls.size()), 39);
    QCOMPARE(t.controls.front().id, IDC_BUTTON_OPEN_PHOTO);
    QCOMPARE(t.controls.back().id, IDC_STATIC_PIXEL_FORMAT_INFO);
    QSet<int> ids;
    for (const ControlTemplate& c : t.controls) {
        QVERIFY2(!ids.contains(c.id), qPrintable(QString::number(c.id)));
        ids.insert(c.id);
        // Inside the dialog.
        QVERIFY(c.x >= 0 && c.y >= 0 && c.x + c.cx <= t.cx && c.y + c.cy <= t.cy + 200);
    }
    QCOMPARE(FindDialogTemplate(IDD_MAIN_DIALOG), &t);
    QCOMPARE(FindDialogTemplate(12345), nullptr);
}

void TestTemplateDialog::controlsSitWhereTheTemplateSays()
{
    TemplateDialog dialog(MainDialogTemplate());
    const QSizeF base = dialog.BaseUnits();
    QVERIFY(base.width() >= 4 && base.width() <= 12);
    QVERIFY(base.height() >= 8 && base.height() <= 24);
    for (const ControlTemplate& c : MainDialogTemplate().controls) {
        QWidget* widget = dialog.GetDlgItem(c.id);
        QVERIFY(widget);
        const QRect expected(
            int(std::lround(c.x * base.width() / 4)), int(std::lround(c.y * base.height() / 8)),
            int(std::lround(c.cx * base.width() / 4)), int(std::lround(c.cy * base.height() / 8)));
        QCOMPARE(widget->pos(), expected.topLeft());
        QCOMPARE(widget->width(), expected.width());
        if (c.kind != ControlKind::DropDownList)
            QCOMPARE(widget->height(), expected.height());
    }
    // The Exit button's right edge is 7 units from the dialog's.
    const QRect exit = dialog.GetDlgItem(IDC_BUTTON_EXIT)->geometry();
    QVERIFY(std::abs(dialog.width() - (exit.right() + 1) -
                     int(std::lround(7 * base.width() / 4))) <= 1);
}

void TestTemplateDialog::kindsAndInitialStates()
{
    TemplateDialog dialog(MainDialogTemplate());
    QVERIFY(qobject_cast<QPushButton*>(dialog.GetDlgItem(IDC_BUTTON_CONVERT)));
    QVERIFY(qobject_cast<QGroupBox*>(dialog.GetDlgItem(IDC_STATIC_FLIP)));
    QVERIFY(qobject_cast<QRadioButton*>(dialog.GetDlgItem(IDC_RADIO_ROTATE_270)));
    QVERIFY(qobject_cast<QLabel*>(dialog.GetDlgItem(IDC_STATIC_PHOTO_INFO)));
    QVERIFY(qobject_cast<QFrame*>(dialog.GetDlgItem(IDC_STATIC_PREVIEW)));
    auto* output = qobject_cast<QLineEdit*>(dialog.GetDlgItem(IDC_EDIT_OUTPUT_FILE));
    QVERIFY(output);
    // The output-file edit holds any path the system takes, never a cut one.
    QCOMPARE(output->maxLength(), kMaxPathChars);
    const QString longPath = QStringLiteral("/deep") + QString(600, u'x') + QStringLiteral(".bmp");
    output->setText(longPath);
    QCOMPARE(output->text(), longPath);
    for (int id : {IDC_EDIT_OUTPUT_FILE, IDC_EDIT_OUTPUT_WIDTH, IDC_EDIT_OUTPUT_HEIGHT})
        QVERIFY(!dialog.GetDlgItem(id)->isEnabled());
    for (int id : {IDC_COMBO_FRAME_DIMENSION, IDC_STATIC_FRAME_RANGE, IDC_EDIT_FRAME_NUMBER})
        QVERIFY(dialog.GetDlgItem(id)->isHidden());
    QVERIFY(!dialog.GetDlgItem(IDC_BUTTON_CONVERT)->isHidden());
    auto* formats = qobject_cast<QComboBox*>(dialog.GetDlgItem(IDC_COMBO_PIXEL_FORMAT));
    QVERIFY(formats);
    QCOMPARE(formats->count(), 10);
    QCOMPARE(formats->itemText(0), QStringLiteral("1 bit Indexed"));
    QCOMPARE(formats->itemText(4), QStringLiteral("24 bits RGB"));
    QCOMPARE(formats->itemText(9), QStringLiteral("64 bits PARGB"));
    QCOMPARE(dialog.GetDlgItemText(IDC_STATIC_KEEP_RATIO_CALCULATOR),
             QStringLiteral("Keeping aspect ratio calculator"));
}

void TestTemplateDialog::tabOrderFollowsTheTemplate()
{
    TemplateDialog dialog(MainDialogTemplate());
    QList<QWidget*> expected;
    for (const ControlTemplate& c : MainDialogTemplate().controls) {
        QWidget* widget = dialog.GetDlgItem(c.id);
        if (widget->focusPolicy() != Qt::NoFocus)
            expected.append(widget);
    }
    QVERIFY(expected.size() > 20);
    QWidget* current = expected.front();
    for (int i = 1; i < expected.size(); ++i) {
        current = current->nextInFocusChain();
        while (current->focusPolicy() == Qt::NoFocus || !expected.contains(current))
            current = current->nextInFocusChain();
        QCOMPARE(current, expected[i]);
    }
    // Labels and group boxes never take the focus.
    QCOMPARE(dialog.GetDlgItem(IDC_STATIC_OUTPUT_WIDTH)->focusPolicy(), Qt::NoFocus);
}

void TestTemplateDialog::radioGroupsAreSeparate()
{
    TemplateDialog dialog(MainDialogTemplate());
    dialog.CheckRadioButton(IDC_RADIO_ROTATE_0, IDC_RADIO_ROTATE_270, IDC_RADIO_ROTATE_90);
    dialog.CheckRadioButton(IDC_RADIO_FLIP_NO, IDC_RADIO_FLIP_VERTICAL, IDC_RADIO_FLIP_VERTICAL);
    QVERIFY(dialog.IsDlgButtonChecked(IDC_RADIO_ROTATE_90));
    QVERIFY(dialog.IsDlgButtonChecked(IDC_RADIO_FLIP_VERTICAL));
    // A click checks its button and clears only its own group.
    QTest::mouseClick(static_cast<QRadioButton*>(dialog.GetDlgItem(IDC_RADIO_ROTATE_180)),
                      Qt::LeftButton);
    QVERIFY(dialog.IsDlgButtonChecked(IDC_RADIO_ROTATE_180));
    QVERIFY(!dialog.IsDlgButtonChecked(IDC_RADIO_ROTATE_90));
    QVERIFY(dialog.IsDlgButtonChecked(IDC_RADIO_FLIP_VERTICAL));
    // The program may leave a group with nothing checked.
    dialog.CheckRadioButton(IDC_RADIO_ROTATE_0, IDC_RADIO_ROTATE_270, 0);
    for (int id = IDC_RADIO_ROTATE_0; id <= IDC_RADIO_ROTATE_270; ++id)
        QVERIFY(!dialog.IsDlgButtonChecked(id));
}

void TestTemplateDialog::textHelpers()
{
    TemplateDialog dialog(MainDialogTemplate());
    dialog.SetDlgItemText(IDC_EDIT_TEXT_X, QStringLiteral("0"));
    QCOMPARE(dialog.GetDlgItemText(IDC_EDIT_TEXT_X), QStringLiteral("0"));
    dialog.SetDlgItemText(IDC_STATIC_FLIP, QStringLiteral("Spiegeln"));
    QCOMPARE(dialog.GetDlgItemText(IDC_STATIC_FLIP), QStringLiteral("Spiegeln"));
    dialog.SetDlgItemText(IDC_BUTTON_EXIT, QStringLiteral("Beenden"));
    QCOMPARE(dialog.GetDlgItemText(IDC_BUTTON_EXIT), QStringLiteral("Beenden"));
    dialog.EnableDlgItem(IDC_EDIT_OUTPUT_WIDTH, true);
    QVERIFY(dialog.GetDlgItem(IDC_EDIT_OUTPUT_WIDTH)->isEnabled());
    dialog.ShowDlgItem(IDC_EDIT_FRAME_NUMBER, true);
    QVERIFY(!dialog.GetDlgItem(IDC_EDIT_FRAME_NUMBER)->isHidden());
    QCOMPARE(dialog.GetDlgItemText(99999), QString()); // no such control: nothing happens
    dialog.SetDlgItemText(99999, QStringLiteral("x"));
}

void TestTemplateDialog::windowIsFixedWithoutMaximise()
{
    TemplateDialog dialog(MainDialogTemplate());
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QCOMPARE(dialog.size(), dialog.MapDialogRect(0, 0, 378, 294).size());
    QVERIFY(dialog.windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(dialog.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Rastelle"));
}

void TestTemplateDialog::aboutTemplate()
{
    TemplateDialog about(AboutDialogTemplate());
    QCOMPARE(about.windowTitle(), QStringLiteral("About Rastelle"));
    QVERIFY(!(about.windowFlags() & Qt::WindowMinimizeButtonHint));
    auto* ok = qobject_cast<QPushButton*>(about.GetDlgItem(1));
    QVERIFY(ok);
    QVERIFY(ok->isDefault());
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QCOMPARE(about.ControlIds(), QList<int>{1}); // the labels have no identifier
}

namespace {

QAbstractButton* Radio(TemplateDialog& dialog, int id)
{
    return qobject_cast<QAbstractButton*>(dialog.GetDlgItem(id));
}

// Presses a key where the keyboard focus is, as the user does.
void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* focus = QApplication::focusWidget();
    QVERIFY(focus);
    QTest::keyClick(focus, key, modifiers);
}

bool ShowActive(QWidget& widget)
{
    widget.show();
    widget.activateWindow();
    return QTest::qWaitForWindowActive(&widget);
}

} // namespace

void TestTemplateDialog::arrowKeysMoveAndCheckWithinAGroup()
{
    TemplateDialog dialog(MainDialogTemplate());
    QVERIFY(ShowActive(dialog));
    QList<int> clicked;
    for (int id = IDC_RADIO_ROTATE_0; id <= IDC_RADIO_FLIP_VERTICAL; ++id) {
        if (QAbstractButton* radio = Radio(dialog, id))
            connect(radio, &QAbstractButton::clicked, &dialog, [&clicked, id] { clicked << id; });
    }
    dialog.CheckRadioButton(IDC_RADIO_ROTATE_0, IDC_RADIO_ROTATE_270, IDC_RADIO_ROTATE_0);
    dialog.CheckRadioButton(IDC_RADIO_FLIP_NO, IDC_RADIO_FLIP_VERTICAL, IDC_RADIO_FLIP_HORIZONTAL);
    Radio(dialog, IDC_RADIO_ROTATE_0)->setFocus(Qt::TabFocusReason);

    // Down and Right go to the next button, check it and report a click.
    Press(Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget(), dialog.GetDlgItem(IDC_RADIO_ROTATE_90));
    QVERIFY(dialog.IsDlgButtonChecked(IDC_RADIO_ROTATE_90));
    QVERIFY(!dialog.IsDlgButtonChecked(IDC_RADIO_ROTATE_0));
    Press(Qt::Key_Right);
    QVERIFY(dialog.IsDlgButtonChecked(IDC_RADIO_ROTATE_180));
    Press(Qt::Key_Down);
    QVERIFY(dialog.IsDlgButtonChecked(IDC_RADIO_ROTATE_270));
    QCOMPARE(clicked,
             (QList<int>{IDC_RADIO_ROTATE_90, IDC_RADIO_ROTATE_180, IDC_RADIO_ROTATE_270}));
    // The last wraps round to the first, not into the next group.
    Press(Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget(), dialog.GetDlgItem(IDC_RADIO_ROTATE_0));
    QVERIFY(dialog.IsDlgButtonChecked(IDC_RADIO_ROTATE_0));
    QVERIFY(!dialog.IsDlgButtonChecked(IDC_RADIO_ROTATE_270));
    QVERIFY(dialog.IsDlgButtonChecked(IDC_RADIO_FLIP_HORIZONTAL));
    // Up and Left go back, wrapping the other way.
    Press(Qt::Key_Up);
    QCOMPARE(QApplication::focusWidget(), dialog.GetDlgItem(IDC_RADIO_ROTATE_270));
    QVERIFY(dialog.IsDlgButtonChecked(IDC_RADIO_ROTATE_270));
    Press(Qt::Key_Left);
    QVERIFY(dialog.IsDlgButtonChecked(IDC_RADIO_ROTATE_180));
    for (int id = IDC_RADIO_ROTATE_0; id <= IDC_RADIO_ROTATE_270; ++id)
        QCOMPARE(dialog.IsDlgButtonChecked(id), id == IDC_RADIO_ROTATE_180);

    // A group with nothing checked: the button reached is checked.
    dialog.CheckRadioButton(IDC_RADIO_FLIP_NO, IDC_RADIO_FLIP_VERTICAL, 0);
    Radio(dialog, IDC_RADIO_FLIP_NO)->setFocus(Qt::TabFocusReason);
    clicked.clear();
    Press(Qt::Key_Down);
    QCOMPARE(clicked, QList<int>{IDC_RADIO_FLIP_HORIZONTAL});
    for (int id = IDC_RADIO_FLIP_NO; id <= IDC_RADIO_FLIP_VERTICAL; ++id)
        QCOMPARE(dialog.IsDlgButtonChecked(id), id == IDC_RADIO_FLIP_HORIZONTAL);
    // The other group kept its choice.
    QVERIFY(dialog.IsDlgButtonChecked(IDC_RADIO_ROTATE_180));
}

void TestTemplateDialog::tabReachesAGroupAtItsCheckedButton()
{
    TemplateDialog dialog(MainDialogTemplate());
    QVERIFY(ShowActive(dialog));
    dialog.CheckRadioButton(IDC_RADIO_ROTATE_0, IDC_RADIO_ROTATE_270, IDC_RADIO_ROTATE_180);
    // Nothing checked in the flip group: Tab reaches its first button.
    dialog.CheckRadioButton(IDC_RADIO_FLIP_NO, IDC_RADIO_FLIP_VERTICAL, 0);
    dialog.GetDlgItem(IDC_BUTTON_BASE_HEIGHT)->setFocus(Qt::TabFocusReason);
    Press(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), dialog.GetDlgItem(IDC_RADIO_ROTATE_180));
    Press(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), dialog.GetDlgItem(IDC_RADIO_FLIP_NO));
    // Reaching a button by Tab does not check it.
    QVERIFY(!dialog.IsDlgButtonChecked(IDC_RADIO_FLIP_NO));
    Press(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), dialog.GetDlgItem(IDC_BUTTON_HOMEPAGE));
    // Back again, and the group's stop follows what the program checks.
    dialog.CheckRadioButton(IDC_RADIO_FLIP_NO, IDC_RADIO_FLIP_VERTICAL, IDC_RADIO_FLIP_VERTICAL);
    Press(Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), dialog.GetDlgItem(IDC_RADIO_FLIP_VERTICAL));
    Press(Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), dialog.GetDlgItem(IDC_RADIO_ROTATE_180));
    Press(Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), dialog.GetDlgItem(IDC_BUTTON_BASE_HEIGHT));
    // A click moves the stop as well.
    QTest::mouseClick(Radio(dialog, IDC_RADIO_ROTATE_90), Qt::LeftButton);
    dialog.GetDlgItem(IDC_BUTTON_BASE_HEIGHT)->setFocus(Qt::TabFocusReason);
    Press(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), dialog.GetDlgItem(IDC_RADIO_ROTATE_90));
}

QTEST_MAIN(TestTemplateDialog)
#include "test_template_dialog.moc"
