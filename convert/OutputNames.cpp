#include "convert/OutputNames.h"

#include "platform/FileHelpers.h"

std::optional<QString> GetDisplayName(const QString& path)
{
    if (path.isEmpty())
        return std::nullopt;
    if ((path.size() > 3 && path.at(3) == u':') || (path.size() > 4 && path.at(4) == u':'))
        return path;
    return path.mid(GetPathFolder(path).size());
}

QString DefaultOutputPath(const QString& outputFolder, const QString& photoPath)
{
    QString name = GetDisplayName(photoPath).value_or(QString());
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot >= 0)
        name.truncate(dot);
    return outputFolder + name + QStringLiteral("_out.bmp");
}

QString OutputChooserFolder(const QString& outputFile)
{
    const QString folder = GetPathFolder(outputFile);
    if (folder.isEmpty())
        return QStringLiteral(".");
    return folder.left(folder.size() - 1);
}

QString ForceBmpExtension(const QString& chosenPath)
{
    const qsizetype nameStart = GetPathFolder(chosenPath).size();
    QString path = chosenPath;
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot >= nameStart)
        path.truncate(dot);
    return path + QStringLiteral(".bmp");
}
