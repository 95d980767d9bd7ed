// A stand-in for the desktop's opener (xdg-open) first on PATH: it records
// what it was asked to open and exits with a chosen status, at once or only
// once released.
#pragma once

#include <QStringList>
#include <QTemporaryDir>

class FakeOpener
{
public:
    explicit FakeOpener(int exitStatus, bool waitForRelease = false);
    ~FakeOpener();

    // Lets a waiting opener exit.
    void Release();
    // What it was asked to open, one entry a run.
    QStringList Opened() const;

private:
    QTemporaryDir m_dir;
    QByteArray m_oldPath;
};
