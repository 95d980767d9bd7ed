#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>

bool WriteTestFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size();
}

QByteArray ReadTestFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QByteArray Utf16LeWithBom(const QString& text)
{
    QByteArray bytes("\xFF\xFE", 2);
    QStringEncoder encoder(QStringEncoder::Utf16LE);
    bytes += encoder(text);
    return bytes;
}

QByteArray EncodeForTest(const QString& text, const char* codecName)
{
    QStringEncoder encoder(codecName);
    Q_ASSERT(encoder.isValid());
    return encoder(text);
}
