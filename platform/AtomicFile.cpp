#include "platform/AtomicFile.h"

#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString TemporaryTemplate(const QString& targetPath)
{
    const QFileInfo target(targetPath);
    return target.absolutePath() + QStringLiteral("/.") + target.fileName() +
           QStringLiteral(".XXXXXX.part");
}

// New files get the usual permissions (0666 less the umask), not the
// private ones a temporary file starts with.
void GiveUsualPermissions(const QString& path)
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(QFile::encodeName(path).constData(), 0666 & ~mask);
}

} // namespace

AtomicFileWriter::AtomicFileWriter(const QString& targetPath) : m_targetPath(targetPath) {}

AtomicFileWriter::~AtomicFileWriter()
{
    if (m_file)
        m_file->close();
    if (!m_committed && !m_temporaryPath.isEmpty())
        QFile::remove(m_temporaryPath);
}

bool AtomicFileWriter::Open()
{
    if (m_targetPath.isEmpty())
        return false;
    auto temporary = std::make_unique<QTemporaryFile>(TemporaryTemplate(m_targetPath));
    temporary->setAutoRemove(false);
    if (!temporary->open())
        return false;
    m_temporaryPath = temporary->fileName();
    m_file = std::move(temporary);
    return true;
}

bool AtomicFileWriter::ReserveName()
{
    if (m_targetPath.isEmpty())
        return false;
    QTemporaryFile temporary(TemporaryTemplate(m_targetPath));
    if (!temporary.open())
        return false;
    m_temporaryPath = temporary.fileName();
    temporary.close(); // removed with the object: the writer creates it anew
    return true;
}

AtomicFileWriter::Commit AtomicFileWriter::CommitTo(bool replaceExisting)
{
    if (m_temporaryPath.isEmpty() || !QFileInfo::exists(m_temporaryPath))
        return Commit::Failed;
    if (m_file) {
        if (!m_file->flush())
            return Commit::Failed;
        m_file->close();
    }
    GiveUsualPermissions(m_temporaryPath);
    const QByteArray from = QFile::encodeName(m_temporaryPath);
    const QByteArray to = QFile::encodeName(m_targetPath);
    if (replaceExisting) {
        if (::rename(from.constData(), to.constData()) != 0)
            return Commit::Failed;
        m_committed = true;
        return Commit::Done;
    }
    // A hard link never replaces what is there.
    if (::link(from.constData(), to.constData()) == 0) {
        ::unlink(from.constData());
        m_committed = true;
        return Commit::Done;
    }
    if (errno == EEXIST)
        return Commit::TargetExists;
    // File systems without hard links: check, then rename.
    if (QFileInfo::exists(m_targetPath) || QFileInfo(m_targetPath).isSymLink())
        return Commit::TargetExists;
    if (::rename(from.constData(), to.constData()) != 0)
        return Commit::Failed;
    m_committed = true;
    return Commit::Done;
}
