// The picture named on the program's command line, opened once the window is up.
#pragma once

#include <QString>
#include <QStringList>

class CPictavoDlg;

// The first argument after the program's own name that is not an option
// (after "--" every argument is a file), made absolute; empty when there is
// none. Qt's own options have been taken out by then; other options and
// further files are left alone, as they always were.
QString StartupPhotoArgument(const QStringList& arguments);

// Opens path in the dialog as Open Photo does, from the dialog's own loop
// once it is first shown: after the messages of its initialisation, and with
// the window there for the open's own messages to belong to.
void OpenPhotoWhenShown(CPictavoDlg& dialog, const QString& path);
