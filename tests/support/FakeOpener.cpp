#include "support/FakeOpener.h"

#include <QFile>

FakeOpener::FakeOpener(int exitStatus, bool waitForRelease)
{
    QFile script(m_dir.filePath(QStringLiteral("xdg-open")));
    if (script.open(QIODevice::WriteOnly)) {
        // It gives up waiting after about twenty seconds, so a test that
        // never releases it still ends.
        script.write(
            "#!/bin/sh\n"
            "dir=$(dirname \"$0\")\n"
            "printf '%s\\n' \"$1\" >> \"$dir/opened\"\n"
            "n=0\n"
            "while [ ! -e \"$dir/go\" ] && [ $n -lt 400 ]; do sleep 0.05; n=$((n+1)); done\n"
            "exit " +
            QByteArray::number(exitStatus) + "\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    if (!waitForRelease)
        Release();
    m_oldPath = qgetenv("PATH");
    qputenv("PATH", m_dir.path().toLocal8Bit() + ':' + m_oldPath);
}

FakeOpener::~FakeOpener()
{
    Release();
    qputenv("PATH", m_oldPath);
}

void FakeOpener::Release()
{
    QFile go(m_dir.filePath(QStringLiteral("go")));
    go.open(QIODevice::WriteOnly);
}

QStringList FakeOpener::Opened() const
{
    QFile opened(m_dir.filePath(QStringLiteral("opened")));
    if (!opened.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(opened.readAll()).split(u'\n', Qt::SkipEmptyParts);
}
