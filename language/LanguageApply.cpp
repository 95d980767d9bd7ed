// Applying the current language to dialogs and menus.
#include "language/CLanguage.h"

#include "platform/TemplateDialog.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>

int CLanguage::TranslateDialog(TemplateDialog& dialog, int dialogId)
{
    const QString caption = GetDialogText(dialogId);
    if (!caption.isEmpty()) {
        // Controls keep their own fonts when the dialog's changes: only the
        // controls the language labels get the interface font below.
        for (int id : dialog.ControlIds()) {
            QFont own = dialog.GetDlgItem(id)->font();
            own.setResolveMask(QFont::AllPropertiesResolved);
            dialog.GetDlgItem(id)->setFont(own);
        }
        if (m_font)
            dialog.setFont(*m_font);
        dialog.setWindowTitle(caption);
    }
    for (int id : dialog.ControlIds()) {
        QWidget* control = dialog.GetDlgItem(id);
        if (qobject_cast<QLineEdit*>(control))
            continue; // edit boxes keep what the user typed
        const std::int16_t id16 = std::int16_t(id);
        if (id16 <= 0)
            continue;
        const QString text = id16 < 100 ? GetString(id16) : GetDialogText(id16);
        if (text.isEmpty())
            continue;
        if (auto* combo = qobject_cast<QComboBox*>(control)) {
            combo->clear();
            combo->addItems(text.split(u'\n')); // a trailing line feed adds an empty item
            continue;
        }
        dialog.SetDlgItemText(id, text);
        if (m_font)
            control->setFont(*m_font);
    }
    return 1;
}

QString CLanguage::GetMenuBarText(int menuId, int position) const
{
    const QString text = GetMenuText(menuId);
    QStringList fields;
    // The first field ends at the first comma after the first character.
    const qsizetype firstComma = text.indexOf(u',', 1);
    if (firstComma < 0) {
        fields.append(text);
    } else {
        fields.append(text.left(firstComma));
        fields.append(text.mid(firstComma + 1).split(u','));
    }
    if (position < 0 || position >= fields.size())
        return text;
    return fields.at(position);
}

int CLanguage::TranslateMenu(QMenu* menu, int menuId, bool topLevel)
{
    if (!menu)
        return 1;
    if (topLevel)
        m_nPopupCounter = std::uint32_t(std::uint16_t(menuId)) * 65536u;
    const QList<QAction*> items = menu->actions();
    for (int i = 0; i < items.size(); ++i) {
        QAction* item = items[i];
        QMenu* submenu = item->menu();
        // Separators and items without a command (identifier 0) are skipped;
        // an item that opens a submenu has none of its own and counts as -1.
        if (item->isSeparator() || (!submenu && item->data().toInt() == 0))
            continue;
        QString text;
        if (topLevel)
            text = GetMenuBarText(menuId, i);
        else if (submenu)
            text = GetMenuText(int(m_nPopupCounter++));
        else
            text = GetMenuText(item->data().toInt());
        if (!text.isEmpty())
            item->setText(text);
        if (submenu)
            TranslateMenu(submenu, -1, false);
    }
    return 1;
}
