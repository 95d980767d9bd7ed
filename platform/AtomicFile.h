// Writing a file so that an existing one is replaced only by a complete new
// one: the new contents go to a temporary file beside the target, which is
// then renamed over it. A failed or abandoned write leaves the target as it
// was and no temporary file behind.
#pragma once

#include <QFile>
#include <QString>

#include <memory>

class AtomicFileWriter
{
public:
    explicit AtomicFileWriter(const QString& targetPath);
    ~AtomicFileWriter(); // removes the temporary file unless committed
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Creates the temporary file, open for writing. False when the target's
    // folder does not take new files.
    bool Open();
    QFile* Device() { return m_file.get(); }

    // Picks a free temporary name beside the target without keeping a file
    // there, for writers that create the file themselves (exclusively).
    bool ReserveName();
    QString TemporaryPath() const { return m_temporaryPath; }

    enum class Commit
    {
        Done,
        TargetExists,
        Failed
    };
    // Moves the finished temporary file to the target. Without permission to
    // replace, an existing target is left alone and TargetExists returned.
    Commit CommitTo(bool replaceExisting);

private:
    QString m_targetPath;
    QString m_temporaryPath;
    std::unique_ptr<QFile> m_file;
    bool m_committed = false;
};
