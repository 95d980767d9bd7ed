// The program's menus, built from their identifiers the way a resource would
// be loaded: the popup menu (129) with its "PopupMenu" submenu.
#pragma once

#include <QMenu>

#include <memory>

// Items carry their command identifier in QAction::data(); the placeholder
// of an empty submenu has identifier 0 and no text. Null for an unknown menu.
std::unique_ptr<QMenu> LoadMenuResource(int menuId);
