// Where the language folder lives: beside the program, or one level up for a
// program kept in a sub-folder.
#pragma once

#include <QString>

// The folder that holds the language folder, for this program.
QString GetLanguageBaseFolder();

// The same rule for any program path: the program's parent folder when its
// language folder holds English.ini, else the program's own folder. Neither
// ends in a separator; a program at the file-system root gives the empty
// string (the root).
QString GetLanguageBaseFolderFor(const QString& programPath);
