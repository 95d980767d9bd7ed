// Reading values from private-profile (INI) files, the format of the
// language files.
//
// Syntax accepted:
//  - Lines end with LF, CR LF or CR. A UTF-16LE file must start with the
//    byte-order mark FF FE (UTF-16BE with FE FF is read too); any other file
//    is bytes, with a UTF-8 byte-order mark skipped.
//  - "[name]" starts a section; blanks around the line and inside the
//    brackets are ignored. Text after the closing bracket is ignored.
//  - A line whose first non-blank character is ';' or '#' is a comment.
//  - "key=value": the key is the text before the first '=', the value the
//    text after it; blanks (spaces and tabs) around both are removed. One
//    pair of double quotes around the whole value is removed, so a value can
//    keep blanks at its ends. Quotes anywhere else are part of the value.
//  - Section and key names match without regard to letter case.
//  - The first occurrence of a key in a section wins; a section that appears
//    twice is read as one, in file order.
//  - Lines before the first section, lines without '=' and lines with an
//    empty key are ignored. A NUL character ends a value.
//  - A value keeps at most kProfileValueMaxChars characters (the reader's
//    buffer holds 2048 with its terminator); the rest is cut.
//  - Only the values a caller names before reading are kept; every other
//    section and key is passed over without being stored, so the memory a
//    file costs is bounded by what is asked for, whatever the file holds.
//  - Only regular files are read (never pipes, devices or folders), and files
//    larger than kProfileMaxFileBytes are not read at all: no real language
//    file comes near that size.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

constexpr qsizetype kProfileValueMaxChars = 2047;
constexpr qint64 kProfileMaxFileBytes = 16 * 1024 * 1024;

// One value as read: text for UTF-16 files, bytes for all others, which the
// caller decodes with the code page it knows to be right.
struct ProfileValue
{
    bool found = false;
    bool isText = false;
    QString text;     // UTF-16 files, already cut to kProfileValueMaxChars
    QByteArray bytes; // other files, at most kProfileValueMaxBytes

    // Decodes the value (bytes with the code page; text as it is) and cuts it
    // to kProfileValueMaxChars characters.
    QString decoded(int codePage) const;
};

// Enough raw bytes for kProfileValueMaxChars characters in any supported code
// page (at most 3 bytes per UTF-16 unit); longer byte values are cut here so a
// hostile line cannot make the reader hold much.
constexpr qsizetype kProfileValueMaxBytes = 4 * kProfileValueMaxChars;

// A value a caller wants from a profile file.
struct ProfileKey
{
    QString section;
    QString key;
};

// A profile file, parsed once, for reading many values. Only the values named
// when it is made are kept.
class ProfileFile
{
public:
    enum class Status
    {
        Loaded,
        NotFound,
        TooLarge,
        Unreadable // not a regular file, or cannot be opened
    };

    explicit ProfileFile(const QList<ProfileKey>& wanted);

    // Reads and parses the file; a missing or unreadable file leaves it empty.
    Status load(const QString& path);
    // Parses file contents already in memory.
    void parse(const QByteArray& contents);

    bool isText() const { return m_isText; }
    // A wanted value as read; values that were not asked for are never found.
    ProfileValue value(const QString& section, const QString& key) const;
    // How many values the file holds after parsing (at most one per wanted key).
    qsizetype keptValueCount() const;

private:
    struct WantedSection
    {
        QString foldedName;
        QList<QString> foldedKeys;
        QList<qsizetype> valueIndex; // into m_values, one per key
    };

    void clear();
    template <typename View> void parseLines(View contents);
    template <typename View> qsizetype findSection(View name) const;
    template <typename View> qsizetype findSlot(qsizetype section, View key) const;
    void keepValue(qsizetype slot, QByteArrayView value);
    void keepValue(qsizetype slot, QStringView value);

    QList<WantedSection> m_wanted;
    QList<ProfileValue> m_values; // one slot per wanted key
    qsizetype m_longestSectionName = 0;
    qsizetype m_longestKey = 0;
    bool m_isText = false;
};

// Reads one value by (file, section, key); a missing file, section or key
// yields the default (an empty value is a value). The value is decoded with the code
// page (0: the system's); UTF-16 files are read as text.
QString GetPrivateProfileValue(const QString& path, const QString& section, const QString& key,
                               const QString& defaultValue, int codePage = 0);
