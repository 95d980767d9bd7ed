#include "platform/FileHelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

bool FileExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    QFileInfo info(path);
    if (!info.isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    file.close();
    return true;
}

static bool IsPathSeparator(QChar c)
{
#ifdef Q_OS_WIN
    return c == u'\\' || c == u'/';
#else
    return c == u'/';
#endif
}

QString GetPathFolder(const QString& path)
{
    for (qsizetype i = path.size(); i > 0; --i) {
        if (IsPathSeparator(path.at(i - 1)))
            return path.left(i);
    }
    return QString();
}

QString FindFileIgnoringCase(const QString& folder, const QString& fileName)
{
    if (fileName.isEmpty())
        return QString();
    QDir dir(folder);
    const QString exact = dir.filePath(fileName);
    if (QFileInfo(exact).isFile())
        return exact;
    const QStringList entries =
        dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& entry : entries) {
        if (entry.compare(fileName, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    }
    return QString();
}
