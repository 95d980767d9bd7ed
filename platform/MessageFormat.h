// Safe filling of message texts. Message texts may come from language files,
// so they are untrusted: only %s, %ls and %d are filled, in order, from the
// caller's own arguments, and "%%" gives one percent sign. Nothing in a text
// can make the formatter read anything the caller did not pass.
#pragma once

#include <QList>
#include <QString>

#include <initializer_list>

class MessageArg
{
public:
    MessageArg(const QString& text) : m_isNumber(false), m_text(text) {}
    MessageArg(const char16_t* text) : m_isNumber(false), m_text(QString::fromUtf16(text)) {}
    MessageArg(int number) : m_isNumber(true), m_text(QString::number(number)) {}

    bool isNumber() const { return m_isNumber; }
    const QString& text() const { return m_text; }

private:
    bool m_isNumber;
    QString m_text;
};

// The kinds of placeholder a text holds, in order: 's' for %s and %ls,
// 'd' for %d, '?' for any other printf-style conversion ("%n", "%99999s",
// "%x", ...). "%%" and a percent sign that starts no conversion are not
// placeholders.
QString PlaceholderSignature(const QString& text);

// Fills the placeholders of a text in order with the arguments. A text whose
// placeholders are not exactly %s/%ls and %d matching the arguments' kinds is
// not trusted: the fallback text is filled instead (the built-in text the
// translation stands for). If the fallback does not match either, only the
// recognised placeholders are filled, a missing argument gives an empty text,
// and any other conversion is shown as written.
QString FormatMessageText(const QString& text, const QString& fallback,
                          std::initializer_list<MessageArg> args);
QString FormatMessageText(const QString& text, const QString& fallback,
                          const QList<MessageArg>& args);
