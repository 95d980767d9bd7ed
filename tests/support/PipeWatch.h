// A named pipe that tells whether anything opened it for reading. Opening a
// pipe for reading blocks until a writer comes; the watch is that writer, so
// code that wrongly opens the pipe is let go (it reads an empty file) and the
// test can fail instead of hanging.
#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <thread>

class PipeWatch
{
public:
    explicit PipeWatch(const QString& path);
    ~PipeWatch();
    PipeWatch(const PipeWatch&) = delete;
    PipeWatch& operator=(const PipeWatch&) = delete;

    bool created() const { return m_created; }
    // Ends the watch. True when something opened the pipe for reading.
    bool finish();

private:
    QByteArray m_path;
    bool m_created = false;
    bool m_finished = false;
    bool m_opened = false;
    std::atomic<bool> m_finishing{false};
    std::atomic<bool> m_openedByOther{false};
    std::thread m_thread;
};
