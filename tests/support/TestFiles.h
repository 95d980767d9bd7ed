// Files for tests: a private temporary folder and helpers to fill it.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Writes bytes to a file, making its folders; fails the test on error.
bool WriteTestFile(const QString& path, const QByteArray& bytes);
QByteArray ReadTestFile(const QString& path);

// Bytes of text in UTF-16LE with a byte-order mark.
QByteArray Utf16LeWithBom(const QString& text);
// Bytes of text in a Windows code page.
QByteArray EncodeForTest(const QString& text, const char* codecName);
