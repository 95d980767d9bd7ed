#include "platform/FileHelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

OpenForReadingResult OpenRegularFileForReading(QFile& file, const QString& path)
{
    if (path.isEmpty())
        return OpenForReadingResult::Missing;
#ifdef Q_OS_UNIX
    const QByteArray native = QFile::encodeName(path);
    struct stat before = {};
    if (::stat(native.constData(), &before) != 0)
        return errno == ENOENT || errno == ENOTDIR ? OpenForReadingResult::Missing
                                                   : OpenForReadingResult::Unreadable;
    if (!S_ISREG(before.st_mode))
        return OpenForReadingResult::NotRegular;
    // Non-blocking, in case the name was swapped for a pipe since the check;
    // the descriptor is checked again before anything is read.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return OpenForReadingResult::Unreadable;
    struct stat after = {};
    if (::fstat(fd, &after) != 0 || !S_ISREG(after.st_mode)) {
        ::close(fd);
        return OpenForReadingResult::NotRegular;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return OpenForReadingResult::Unreadable;
    }
    return OpenForReadingResult::Opened;
#else
    const QFileInfo info(path);
    if (!info.exists())
        return OpenForReadingResult::Missing;
    if (!info.isFile())
        return OpenForReadingResult::NotRegular;
    file.setFileName(path);
    return file.open(QIODevice::ReadOnly) ? OpenForReadingResult::Opened
                                          : OpenForReadingResult::Unreadable;
#endif
}

bool FileExists(const QString& path)
{
    QFile file;
    return OpenRegularFileForReading(file, path) == OpenForReadingResult::Opened;
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
    // Without QDir::System: pipes, sockets, devices and broken links are not
    // files here.
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& entry : entries) {
        // A link to a pipe or device passes the filter: look behind it.
        if (entry.compare(fileName, Qt::CaseInsensitive) == 0 &&
            QFileInfo(dir.filePath(entry)).isFile())
            return dir.filePath(entry);
    }
    return QString();
}
