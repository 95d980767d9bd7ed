// A dialog built from a template: one widget per control, placed by dialog
// units measured on the dialog font, with an identifier → widget registry and
// the small helpers handlers need (texts, enable and show state, radio
// checks, list items).
#pragma once

#include "platform/DialogTemplate.h"

#include <QDialog>
#include <QHash>
#include <QString>

class QButtonGroup;

class TemplateDialog : public QDialog
{
public:
    explicit TemplateDialog(const DialogTemplate& dialogTemplate, QWidget* parent = nullptr);

    const DialogTemplate& Template() const { return m_template; }

    // The widget of a control, or null.
    QWidget* GetDlgItem(int id) const { return m_controls.value(id); }
    QList<int> ControlIds() const { return m_order; }
    // The identifier of a control's widget, or -1.
    int GetDlgCtrlID(const QWidget* widget) const
    {
        return m_controls.key(const_cast<QWidget*>(widget), -1);
    }

    void SetDlgItemText(int id, const QString& text);
    QString GetDlgItemText(int id) const;
    void EnableDlgItem(int id, bool enable);
    void ShowDlgItem(int id, bool show);
    // Checks one radio button of a group and clears the others in it.
    void CheckRadioButton(int firstId, int lastId, int checkId);
    bool IsDlgButtonChecked(int id) const;

    // Moves the focus to the first control after this one in tab order that
    // can take it now (a label's or group box's mnemonic).
    void FocusControlAfter(const QWidget* control);
    // Drops the mouse press that is on its way to a control now: one whose
    // release a box shown on the way has taken, so that no control is left
    // pressed, or acts on a press the user has ended.
    void DropPressInDelivery();

    // A rectangle of dialog units in pixels, on this dialog's font.
    QRect MapDialogRect(int x, int y, int cx, int cy) const;
    // Pixels per 4 horizontal and 8 vertical dialog units.
    QSizeF BaseUnits() const { return m_baseUnits; }

private:
    void CreateControls();
    void GiveLabelsBuddies();

    const DialogTemplate& m_template;
    QSizeF m_baseUnits;
    QHash<int, QWidget*> m_controls;
    QList<int> m_order;
    QList<QWidget*> m_widgets; // every control, in template order
};

// The font a template names, on this platform ("MS Shell Dlg" and other
// Windows interface faces map to the system's sans-serif).
QFont DialogFont(const DialogTemplate& dialogTemplate);
