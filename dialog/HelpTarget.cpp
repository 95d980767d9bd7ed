#include "dialog/HelpTarget.h"

#include "platform/FileHelpers.h"

QString HelpIntroductionPath(const QString& programPath)
{
    return GetPathFolder(programPath) + QStringLiteral("help/Introduction.html");
}

QString CompiledHelpTarget(const QString& programPath)
{
    return GetPathFolder(programPath) + QStringLiteral("help.chm::/Introduction.htm");
}
