#include "platform/ProfileReader.h"

#include "platform/CodePage.h"

#include <QFile>
#include <QStringDecoder>

namespace {

QString LookupKey(const QString& section, const QString& key)
{
    return section.toCaseFolded() + u'\n' + key.toCaseFolded();
}

QString CutToMaxChars(QString text)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text.truncate(nul);
    if (text.size() > kProfileValueMaxChars) {
        qsizetype keep = kProfileValueMaxChars;
        // Never leave half of a surrogate pair at the end.
        if (text.at(keep - 1).isHighSurrogate())
            --keep;
        text.truncate(keep);
    }
    return text;
}

bool IsBlankByte(char c)
{
    return c == ' ' || c == '\t';
}

bool IsBlankChar(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Trims spaces and tabs at both ends; works for QByteArray and QString.
template <typename Text, typename IsBlank> Text TrimBlanks(const Text& text, IsBlank isBlank)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

template <typename Text> Text Unquote(const Text& value)
{
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.mid(1, value.size() - 2);
    return value;
}

// Splits contents into lines at LF, CR LF or CR and hands each to the parser.
template <typename Text, typename LineHandler>
void ForEachLine(const Text& contents, LineHandler handleLine)
{
    qsizetype start = 0;
    const qsizetype n = contents.size();
    for (qsizetype i = 0; i < n; ++i) {
        const auto c = contents.at(i);
        if (c == '\n' || c == '\r') {
            handleLine(contents.mid(start, i - start));
            if (c == '\r' && i + 1 < n && contents.at(i + 1) == '\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        handleLine(contents.mid(start));
}

} // namespace

QString ProfileValue::decoded(int codePage) const
{
    if (!found)
        return QString();
    if (isText)
        return text;
    return CutToMaxChars(DecodeCodePage(bytes, codePage).value_or(QString()));
}

ProfileFile::Status ProfileFile::load(const QString& path)
{
    m_values.clear();
    m_isText = false;
    QFile file(path);
    if (!file.exists())
        return Status::NotFound;
    if (file.size() > kProfileMaxFileBytes)
        return Status::TooLarge;
    if (!file.open(QIODevice::ReadOnly))
        return Status::Unreadable;
    // Read at most one byte past the limit: the size may change under us.
    const QByteArray contents = file.read(kProfileMaxFileBytes + 1);
    if (contents.size() > kProfileMaxFileBytes)
        return Status::TooLarge;
    parse(contents);
    return Status::Loaded;
}

void ProfileFile::addValue(const QString& section, const QString& key, const QByteArray& bytes,
                           const QString& text)
{
    const QString lookup = LookupKey(section, key);
    if (m_values.contains(lookup))
        return; // the first occurrence wins
    ProfileValue value;
    value.found = true;
    value.isText = m_isText;
    if (m_isText) {
        value.text = CutToMaxChars(text);
    } else {
        value.bytes = bytes.left(kProfileValueMaxBytes);
        const qsizetype nul = value.bytes.indexOf('\0');
        if (nul >= 0)
            value.bytes.truncate(nul);
    }
    m_values.insert(lookup, value);
}

void ProfileFile::parse(const QByteArray& contents)
{
    m_values.clear();
    const bool utf16le = contents.startsWith("\xFF\xFE");
    const bool utf16be = contents.startsWith("\xFE\xFF");
    m_isText = utf16le || utf16be;

    if (m_isText) {
        QStringDecoder decoder(utf16le ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                               QStringDecoder::Flag::Stateless);
        const QString text = decoder(contents.mid(2));
        QString section;
        bool inSection = false;
        ForEachLine(text, [&](const QString& rawLine) {
            const QString line = TrimBlanks(rawLine, IsBlankChar);
            if (line.isEmpty() || line.front() == u';' || line.front() == u'#')
                return;
            if (line.front() == u'[') {
                const qsizetype close = line.indexOf(u']');
                section = TrimBlanks(line.mid(1, close < 0 ? -1 : close - 1), IsBlankChar);
                inSection = true;
                return;
            }
            const qsizetype equals = line.indexOf(u'=');
            if (!inSection || equals < 0)
                return;
            const QString key = TrimBlanks(line.left(equals), IsBlankChar);
            if (key.isEmpty())
                return;
            addValue(section, key, {}, Unquote(TrimBlanks(line.mid(equals + 1), IsBlankChar)));
        });
        return;
    }

    QByteArray bytes = contents;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QString section;
    bool inSection = false;
    ForEachLine(bytes, [&](const QByteArray& rawLine) {
        const QByteArray line = TrimBlanks(rawLine, IsBlankByte);
        if (line.isEmpty() || line.front() == ';' || line.front() == '#')
            return;
        if (line.front() == '[') {
            const qsizetype close = line.indexOf(']');
            // Section and key names are ASCII in practice; other bytes are
            // read as UTF-8 so that they still compare consistently.
            section =
                QString::fromUtf8(TrimBlanks(line.mid(1, close < 0 ? -1 : close - 1), IsBlankByte));
            inSection = true;
            return;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inSection || equals < 0)
            return;
        const QByteArray key = TrimBlanks(line.left(equals), IsBlankByte);
        if (key.isEmpty())
            return;
        addValue(section, QString::fromUtf8(key),
                 Unquote(TrimBlanks(line.mid(equals + 1), IsBlankByte)), {});
    });
}

ProfileValue ProfileFile::value(const QString& section, const QString& key) const
{
    return m_values.value(LookupKey(section, key));
}

QString GetPrivateProfileValue(const QString& path, const QString& section, const QString& key,
                               const QString& defaultValue, int codePage)
{
    ProfileFile file;
    if (file.load(path) != ProfileFile::Status::Loaded)
        return defaultValue;
    const ProfileValue value = file.value(section, key);
    return value.found ? value.decoded(codePage) : defaultValue;
}
