// Where the help pages are, from the program file's path: beside the program
// in the folder "help", opened at the Introduction page.
#pragma once

#include <QString>

// The Introduction page of the HTML help beside the program.
QString HelpIntroductionPath(const QString& programPath);
// The compiled help's Introduction page, as the Windows help viewer takes it.
QString CompiledHelpTarget(const QString& programPath);
