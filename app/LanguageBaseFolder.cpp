#include "app/LanguageBaseFolder.h"

#include "platform/FileHelpers.h"

#include <QCoreApplication>
#include <QDir>

static QString CutAtLastSeparator(const QString& path)
{
    const QString folder = GetPathFolder(path);
    if (folder.isEmpty())
        return path; // no separator: the whole path
    return folder.left(folder.size() - 1);
}

QString GetLanguageBaseFolderFor(const QString& programPath)
{
    const QString programFolder = CutAtLastSeparator(programPath);
    const QString parentFolder = CutAtLastSeparator(programFolder);
    const QString sep = QDir::separator();
    // The file name is exactly English.ini here, whatever the file system.
    if (FileExists(parentFolder + sep + QStringLiteral("language") + sep +
                   QStringLiteral("English.ini")))
        return parentFolder;
    return programFolder;
}

QString GetLanguageBaseFolder()
{
    return GetLanguageBaseFolderFor(
        QDir::toNativeSeparators(QCoreApplication::applicationFilePath()));
}
