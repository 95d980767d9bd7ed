#include "platform/ProfileReader.h"

#include "platform/CodePage.h"
#include "platform/FileHelpers.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <type_traits>

namespace {

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

template <typename Char> bool IsBlank(Char c)
{
    return c == Char(' ') || c == Char('\t');
}

// Trims spaces and tabs at both ends of a view, without copying.
template <typename View> View TrimBlanks(View text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

template <typename View> View Unquote(View value)
{
    using Char = std::remove_cvref_t<decltype(value[0])>;
    if (value.size() >= 2 && value.front() == Char('"') && value.back() == Char('"'))
        return value.sliced(1, value.size() - 2);
    return value;
}

// Names are compared case-folded; a name far longer than any wanted one is
// not decoded at all (a UTF-8 character takes at most 4 bytes, folding keeps
// the count of UTF-16 units).
QString FoldedName(QByteArrayView name)
{
    return QString::fromUtf8(name).toCaseFolded();
}

QString FoldedName(QStringView name)
{
    return name.toString().toCaseFolded();
}

template <typename View> bool CouldMatch(View name, qsizetype longestWanted)
{
    return name.size() <= 4 * longestWanted;
}

// Splits contents into lines at LF, CR LF or CR and hands each to the parser.
template <typename View, typename LineHandler>
void ForEachLine(View contents, LineHandler handleLine)
{
    using Char = std::remove_cvref_t<decltype(contents[0])>;
    qsizetype start = 0;
    const qsizetype n = contents.size();
    for (qsizetype i = 0; i < n; ++i) {
        const Char c = contents[i];
        if (c == Char('\n') || c == Char('\r')) {
            handleLine(contents.sliced(start, i - start));
            if (c == Char('\r') && i + 1 < n && contents[i + 1] == Char('\n'))
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        handleLine(contents.sliced(start));
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

ProfileFile::ProfileFile(const QList<ProfileKey>& wanted)
{
    for (const ProfileKey& want : wanted) {
        const QString section = want.section.toCaseFolded();
        const QString key = want.key.toCaseFolded();
        qsizetype s = 0;
        while (s < m_wanted.size() && m_wanted[s].foldedName != section)
            ++s;
        if (s == m_wanted.size())
            m_wanted.append({section, {}, {}});
        WantedSection& entry = m_wanted[s];
        if (entry.foldedKeys.contains(key))
            continue;
        entry.foldedKeys.append(key);
        entry.valueIndex.append(m_values.size());
        m_values.append(ProfileValue());
        m_longestSectionName = std::max(m_longestSectionName, section.size());
        m_longestKey = std::max(m_longestKey, key.size());
    }
}

void ProfileFile::clear()
{
    m_isText = false;
    for (ProfileValue& value : m_values)
        value = ProfileValue();
}

ProfileFile::Status ProfileFile::load(const QString& path)
{
    clear();
    QFile file;
    switch (OpenRegularFileForReading(file, path)) {
    case OpenForReadingResult::Opened:
        break;
    case OpenForReadingResult::Missing:
        return Status::NotFound;
    case OpenForReadingResult::NotRegular:
    case OpenForReadingResult::Unreadable:
        return Status::Unreadable;
    }
    if (file.size() > kProfileMaxFileBytes)
        return Status::TooLarge;
    // Read at most one byte past the limit: the size may change under us.
    const QByteArray contents = file.read(std::min<qint64>(file.size(), kProfileMaxFileBytes) + 1);
    if (contents.size() > kProfileMaxFileBytes)
        return Status::TooLarge;
    parse(contents);
    return Status::Loaded;
}

template <typename View> qsizetype ProfileFile::findSection(View name) const
{
    if (!CouldMatch(name, m_longestSectionName))
        return -1;
    const QString folded = FoldedName(name);
    for (qsizetype s = 0; s < m_wanted.size(); ++s) {
        if (m_wanted[s].foldedName == folded)
            return s;
    }
    return -1;
}

template <typename View> qsizetype ProfileFile::findSlot(qsizetype section, View key) const
{
    if (!CouldMatch(key, m_longestKey))
        return -1;
    const WantedSection& wanted = m_wanted[section];
    const qsizetype k = wanted.foldedKeys.indexOf(FoldedName(key));
    return k < 0 ? -1 : wanted.valueIndex[k];
}

void ProfileFile::keepValue(qsizetype slot, QByteArrayView value)
{
    ProfileValue& kept = m_values[slot];
    kept.found = true;
    kept.isText = false;
    kept.bytes = value.first(std::min(value.size(), kProfileValueMaxBytes)).toByteArray();
    const qsizetype nul = kept.bytes.indexOf('\0');
    if (nul >= 0)
        kept.bytes.truncate(nul);
}

void ProfileFile::keepValue(qsizetype slot, QStringView value)
{
    ProfileValue& kept = m_values[slot];
    kept.found = true;
    kept.isText = true;
    // One unit more than is kept, so the cut can see a split surrogate pair.
    kept.text =
        CutToMaxChars(value.first(std::min(value.size(), kProfileValueMaxChars + 1)).toString());
}

template <typename View> void ProfileFile::parseLines(View contents)
{
    using Char = std::remove_cvref_t<decltype(contents[0])>;
    qsizetype section = -1; // the wanted section the lines belong to, if any
    ForEachLine(contents, [&](View rawLine) {
        const View line = TrimBlanks(rawLine);
        if (line.isEmpty() || line.front() == Char(';') || line.front() == Char('#'))
            return;
        if (line.front() == Char('[')) {
            const View inside = line.sliced(1);
            const qsizetype close = inside.indexOf(Char(']'));
            section = findSection(TrimBlanks(close < 0 ? inside : inside.first(close)));
            return;
        }
        // Lines before the first section, and in sections nobody asked for,
        // are passed over.
        if (section < 0)
            return;
        const qsizetype equals = line.indexOf(Char('='));
        if (equals < 0)
            return;
        const View key = TrimBlanks(line.first(equals));
        if (key.isEmpty())
            return;
        const qsizetype slot = findSlot(section, key);
        if (slot < 0 || m_values[slot].found)
            return; // not wanted, or the first occurrence won already
        keepValue(slot, Unquote(TrimBlanks(line.sliced(equals + 1))));
    });
}

void ProfileFile::parse(const QByteArray& contents)
{
    clear();
    const bool utf16le = contents.startsWith("\xFF\xFE");
    const bool utf16be = contents.startsWith("\xFE\xFF");
    m_isText = utf16le || utf16be;
    if (m_isText) {
        QStringDecoder decoder(utf16le ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                               QStringDecoder::Flag::Stateless);
        const QString text = decoder(QByteArrayView(contents).sliced(2));
        parseLines(QStringView(text));
        return;
    }
    QByteArrayView bytes(contents);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    parseLines(bytes);
}

ProfileValue ProfileFile::value(const QString& section, const QString& key) const
{
    const qsizetype s = findSection(QStringView(section));
    if (s < 0)
        return ProfileValue();
    const qsizetype slot = findSlot(s, QStringView(key));
    return slot < 0 ? ProfileValue() : m_values[slot];
}

qsizetype ProfileFile::keptValueCount() const
{
    return std::count_if(m_values.begin(), m_values.end(),
                         [](const ProfileValue& value) { return value.found; });
}

QString GetPrivateProfileValue(const QString& path, const QString& section, const QString& key,
                               const QString& defaultValue, int codePage)
{
    ProfileFile file({{section, key}});
    if (file.load(path) != ProfileFile::Status::Loaded)
        return defaultValue;
    const ProfileValue value = file.value(section, key);
    return value.found ? value.decoded(codePage) : defaultValue;
}
