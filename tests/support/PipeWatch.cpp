#include "PipeWatch.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

PipeWatch::PipeWatch(const QString& path) : m_path(QFile::encodeName(path))
{
    m_created = ::mkfifo(m_path.constData(), 0644) == 0;
    if (!m_created)
        return;
    m_thread = std::thread([this] {
        // Returns as soon as a reader opens the pipe; a reader that is not
        // our own release is blocked reading until this end is closed.
        const int fd = ::open(m_path.constData(), O_WRONLY | O_CLOEXEC);
        if (!m_finishing.load())
            m_openedByOther.store(true);
        if (fd >= 0)
            ::close(fd);
    });
}

PipeWatch::~PipeWatch()
{
    finish();
}

bool PipeWatch::finish()
{
    if (!m_created || m_finished)
        return m_opened;
    m_finishing.store(true);
    // A non-blocking reader of our own lets the writer's open return.
    const int fd = ::open(m_path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    m_thread.join();
    if (fd >= 0)
        ::close(fd);
    m_finished = true;
    m_opened = m_openedByOther.load();
    return m_opened;
}
