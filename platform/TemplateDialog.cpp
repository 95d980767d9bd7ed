#include "platform/TemplateDialog.h"

#include "language/LogFont.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>

#include <cmath>

namespace {

// A label's or group box's mnemonic moves the focus to the control after it,
// and only moves it: a button there is not pressed. True when it was one.
bool FocusAfterOnMnemonic(QWidget* control, QEvent* event)
{
    if (event->type() != QEvent::Shortcut)
        return false;
    if (auto* dialog = dynamic_cast<TemplateDialog*>(control->parentWidget()))
        dialog->FocusControlAfter(control);
    return true;
}

// A group box drawn the way dialog templates expect: the frame's top line
// runs through the middle of the title, so controls placed just below the
// title sit inside the frame. (Qt's styles draw the frame below the title.)
class TemplateGroupBox : public QGroupBox
{
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QFontMetrics metrics(font());
        const int top = metrics.height() / 2;
        const QRect frame = rect().adjusted(0, top, -1, -1);
        const QColor dark = palette().color(QPalette::Mid);
        const QColor light = palette().color(QPalette::Light);
        painter.setPen(dark);
        painter.drawRect(frame.adjusted(0, 0, -1, -1));
        painter.setPen(light);
        painter.drawRect(frame.adjusted(1, 1, 0, 0));
        if (title().isEmpty())
            return;
        // "&x" marks the mnemonic and "&&" is one ampersand, as in labels.
        int flags = Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;
        QStyleOption option;
        option.initFrom(this);
        if (!style()->styleHint(QStyle::SH_UnderlineShortcut, &option, this))
            flags |= Qt::TextHideMnemonic;
        const int indent = metrics.averageCharWidth();
        QRect text = metrics.boundingRect(QRect(), flags, title());
        text.moveTopLeft(QPoint(indent, 0));
        text.adjust(-2, 0, 2, 0);
        painter.fillRect(text, palette().color(QPalette::Window));
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                       QPalette::WindowText));
        painter.drawText(text, flags, title());
    }

    bool event(QEvent* event) override
    {
        // The controls of a group are its siblings here: its mnemonic moves
        // to the control after it, as a label's does.
        return FocusAfterOnMnemonic(this, event) || QGroupBox::event(event);
    }
};

// A label whose mnemonic moves the focus on.
class TemplateLabel : public QLabel
{
public:
    TemplateLabel(const QString& text, TemplateDialog* dialog) : QLabel(text, dialog) {}

protected:
    bool event(QEvent* event) override
    {
        return FocusAfterOnMnemonic(this, event) || QLabel::event(event);
    }
};

// Swallows mouse presses until it is deleted.
class PressEater : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        return event->type() == QEvent::MouseButtonPress ||
               event->type() == QEvent::MouseButtonDblClick;
    }
};

// A radio button of a template group: the arrow keys move to the previous or
// next button of its group, wrapping round, and check the button they reach
// by clicking it, so that its click is handled as a mouse click is. The group
// is not exclusive (the program may leave it with nothing checked), which is
// why Qt's own arrow-key handling does not check anything.
class TemplateRadioButton : public QRadioButton
{
public:
    using QRadioButton::QRadioButton;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        const int key = event->key();
        const bool back = key == Qt::Key_Up || key == Qt::Key_Left;
        const bool forward = key == Qt::Key_Down || key == Qt::Key_Right;
        if ((!back && !forward) || !group() ||
            (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
            QRadioButton::keyPressEvent(event);
            return;
        }
        event->accept();
        const QList<QAbstractButton*> buttons = group()->buttons();
        const qsizetype count = buttons.size();
        const qsizetype own = buttons.indexOf(this);
        for (qsizetype step = 1; step < count; ++step) {
            QAbstractButton* next = buttons[(own + (back ? count - step : step)) % count];
            if (!next->isEnabled() || next->isHidden())
                continue;
            next->setFocus(back ? Qt::BacktabFocusReason : Qt::TabFocusReason);
            if (!next->isChecked())
                next->click();
            return;
        }
    }
};

// Tab reaches a radio group at its checked button, or at its first one when
// none is checked; the other buttons take the focus only from the mouse or
// the arrow keys.
void UpdateRadioTabStop(QButtonGroup* group)
{
    const QList<QAbstractButton*> buttons = group->buttons();
    if (buttons.isEmpty())
        return;
    QAbstractButton* stop = buttons.first();
    for (QAbstractButton* button : buttons) {
        if (button->isChecked()) {
            stop = button;
            break;
        }
    }
    for (QAbstractButton* button : buttons)
        button->setFocusPolicy(button == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

// Dialog base units as Windows measures them: the average width of the
// 52 letters, rounded, and the font's height.
QSizeF MeasureBaseUnits(const QFont& font)
{
    const QFontMetricsF metrics(font);
    const double letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return QSizeF(std::floor((letters / 26.0 + 1.0) / 2.0), std::ceil(metrics.height()));
}

} // namespace

QFont DialogFont(const DialogTemplate& dialogTemplate)
{
    QFont font;
    const QString face = QString::fromUtf16(dialogTemplate.fontName);
    if (IsWindowsInterfaceFace(face))
        font.setStyleHint(QFont::SansSerif);
    else
        font.setFamilies({face});
    font.setPointSize(dialogTemplate.pointSize);
    return font;
}

TemplateDialog::TemplateDialog(const DialogTemplate& dialogTemplate, QWidget* parent)
    : QDialog(parent), m_template(dialogTemplate)
{
    // A dialog window belongs to another (on X11 to a hidden group leader
    // when it has no parent), and some task bars leave such windows out.
    Qt::WindowFlags flags = (dialogTemplate.appWindow ? Qt::Window : Qt::Dialog) |
                            Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (dialogTemplate.minimizeBox)
        flags |= Qt::WindowMinimizeButtonHint;
    setWindowFlags(flags);
    setWindowTitle(QString::fromUtf16(dialogTemplate.caption));
    setFont(DialogFont(dialogTemplate));
    m_baseUnits = MeasureBaseUnits(font());
    CreateControls();
    setFixedSize(MapDialogRect(0, 0, dialogTemplate.cx, dialogTemplate.cy).size());
}

QRect TemplateDialog::MapDialogRect(int x, int y, int cx, int cy) const
{
    const auto across = [&](int units) {
        return int(std::lround(units * m_baseUnits.width() / 4));
    };
    const auto down = [&](int units) { return int(std::lround(units * m_baseUnits.height() / 8)); };
    return QRect(across(x), down(y), across(cx), down(cy));
}

void TemplateDialog::CreateControls()
{
    QButtonGroup* radioGroup = nullptr;
    QList<QButtonGroup*> radioGroups;
    QWidget* previous = nullptr;
    for (const ControlTemplate& control : m_template.controls) {
        const QString text = control.text ? QString::fromUtf16(control.text) : QString();
        QWidget* widget = nullptr;
        switch (control.kind) {
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton: {
            auto* button = new QPushButton(text, this);
            button->setAutoDefault(false);
            button->setDefault(control.kind == ControlKind::DefaultPushButton);
            // The confirm and cancel identifiers end the dialog, as buttons
            // with those identifiers do on Windows.
            if (control.id == kConfirmId)
                connect(button, &QPushButton::clicked, this, &QDialog::accept);
            else if (control.id == kCancelId)
                connect(button, &QPushButton::clicked, this, &QDialog::reject);
            widget = button;
            break;
        }
        case ControlKind::RadioButton: {
            auto* radio = new TemplateRadioButton(text, this);
            if ((control.style & kStyleGroupStart) || !radioGroup) {
                radioGroup = new QButtonGroup(this);
                radioGroup->setExclusive(false); // checks are set by the program too
                radioGroups.append(radioGroup);
            }
            radio->setAutoExclusive(false);
            radioGroup->addButton(radio, control.id);
            // Clicking a radio button checks it and clears the rest of its group.
            QButtonGroup* group = radioGroup;
            connect(radio, &QRadioButton::clicked, this, [group, radio] {
                for (QAbstractButton* other : group->buttons())
                    other->setChecked(other == radio);
            });
            widget = radio;
            break;
        }
        case ControlKind::GroupBox:
            widget = new TemplateGroupBox(text, this);
            break;
        case ControlKind::Label: {
            auto* label = new TemplateLabel(text, this);
            label->setTextFormat(Qt::PlainText);
            label->setWordWrap(true);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            widget = label;
            break;
        }
        case ControlKind::Edit: {
            auto* edit = new QLineEdit(text, this);
            if (control.maxLength > 0)
                edit->setMaxLength(control.maxLength);
            widget = edit;
            break;
        }
        case ControlKind::DropDownList: {
            auto* combo = new QComboBox(this);
            for (const char16_t* item : control.items)
                combo->addItem(QString::fromUtf16(item));
            combo->setCurrentIndex(-1);
            widget = combo;
            break;
        }
        case ControlKind::FilledRectangle: {
            auto* frame = new QFrame(this);
            frame->setAutoFillBackground(true);
            QPalette palette = frame->palette();
            palette.setColor(QPalette::Window, Qt::black);
            frame->setPalette(palette);
            widget = frame;
            break;
        }
        case ControlKind::Icon:
            widget = new QLabel(this);
            break;
        }
        QRect geometry = MapDialogRect(control.x, control.y, control.cx, control.cy);
        if (control.kind == ControlKind::DropDownList) // the height is that of the open list
            geometry.setHeight(widget->sizeHint().height());
        widget->setGeometry(geometry);
        widget->setEnabled(!(control.style & kStyleDisabled));
        widget->setVisible(!(control.style & kStyleHidden));
        widget->setFocusPolicy((control.style & kStyleTabStop) ||
                                       control.kind == ControlKind::RadioButton
                                   ? Qt::StrongFocus
                                   : Qt::NoFocus);
        if (widget->focusPolicy() != Qt::NoFocus) {
            if (previous)
                setTabOrder(previous, widget);
            previous = widget;
        }
        if (control.id >= 0) {
            m_controls.insert(control.id, widget);
            m_order.append(control.id);
        }
        m_widgets.append(widget);
    }
    for (QButtonGroup* group : radioGroups) {
        UpdateRadioTabStop(group);
        connect(group, &QButtonGroup::buttonToggled, this,
                [group](QAbstractButton*, bool) { UpdateRadioTabStop(group); });
    }
    GiveLabelsBuddies();
}

void TemplateDialog::GiveLabelsBuddies()
{
    // A label shows "&x" as a mnemonic and "&&" as one ampersand once it has
    // a buddy: the control after it in tab order (its mnemonic then moves to
    // whichever such control can take the focus at the time).
    const auto& controls = m_template.controls;
    for (qsizetype i = 0; i < m_widgets.size(); ++i) {
        auto* label = dynamic_cast<TemplateLabel*>(m_widgets[i]);
        if (!label || (controls[size_t(i)].style & kStyleNoPrefix))
            continue;
        for (qsizetype step = 1; step < m_widgets.size(); ++step) {
            QWidget* next = m_widgets[(i + step) % m_widgets.size()];
            if (next->focusPolicy() != Qt::NoFocus) {
                label->setBuddy(next);
                break;
            }
        }
    }
}

void TemplateDialog::FocusControlAfter(const QWidget* control)
{
    const qsizetype start = m_widgets.indexOf(const_cast<QWidget*>(control));
    if (start < 0)
        return;
    for (qsizetype step = 1; step < m_widgets.size(); ++step) {
        QWidget* next = m_widgets[(start + step) % m_widgets.size()];
        if (next->focusPolicy() != Qt::NoFocus && next->isEnabled() && next->isVisibleTo(this)) {
            next->setFocus(Qt::ShortcutFocusReason);
            return;
        }
    }
}

void TemplateDialog::DropPressInDelivery()
{
    // The press in delivery reaches its control before the next turn of the
    // event loop, which ends the eater.
    auto* eater = new PressEater(this);
    QCoreApplication::instance()->installEventFilter(eater);
    QMetaObject::invokeMethod(
        eater, [eater] { delete eater; }, Qt::QueuedConnection);
}

void TemplateDialog::SetDlgItemText(int id, const QString& text)
{
    QWidget* widget = GetDlgItem(id);
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(text);
    else if (auto* edit = qobject_cast<QLineEdit*>(widget))
        edit->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(widget))
        group->setTitle(text);
    else if (auto* combo = qobject_cast<QComboBox*>(widget))
        combo->setCurrentText(text);
}

QString TemplateDialog::GetDlgItemText(int id) const
{
    QWidget* widget = GetDlgItem(id);
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        return edit->text();
    if (auto* group = qobject_cast<QGroupBox*>(widget))
        return group->title();
    if (auto* combo = qobject_cast<QComboBox*>(widget))
        return combo->currentText();
    return QString();
}

void TemplateDialog::EnableDlgItem(int id, bool enable)
{
    if (QWidget* widget = GetDlgItem(id))
        widget->setEnabled(enable);
}

void TemplateDialog::ShowDlgItem(int id, bool show)
{
    if (QWidget* widget = GetDlgItem(id))
        widget->setVisible(show);
}

void TemplateDialog::CheckRadioButton(int firstId, int lastId, int checkId)
{
    for (int id = firstId; id <= lastId; ++id) {
        if (auto* button = qobject_cast<QAbstractButton*>(GetDlgItem(id)))
            button->setChecked(id == checkId);
    }
}

bool TemplateDialog::IsDlgButtonChecked(int id) const
{
    auto* button = qobject_cast<QAbstractButton*>(GetDlgItem(id));
    return button && button->isChecked();
}
