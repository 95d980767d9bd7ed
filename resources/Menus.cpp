#include "resources/Menus.h"

#include "resources/resource.h"

static QAction* AddItem(QMenu* menu, const QString& text, int id)
{
    QAction* item = menu->addAction(text);
    item->setData(id);
    return item;
}

std::unique_ptr<QMenu> LoadMenuResource(int menuId)
{
    if (menuId != IDR_MENU_LANGUAGE_POPUP)
        return nullptr;
    auto root = std::make_unique<QMenu>();
    QMenu* popup = root->addMenu(QStringLiteral("PopupMenu"));
    QMenu* language = popup->addMenu(QStringLiteral("Language"));
    AddItem(language, QString(), 0);
    AddItem(popup, QStringLiteral("Font"), IDM_POPUPMENU_FONT);
    AddItem(popup, QStringLiteral("About"), IDM_ABOUT);
    return root;
}
