// Reading a language file's name: its encoding suffix and the language it
// selects. The name alone decides both; the file's contents are not looked at.
#include "language/CLanguage.h"

#include "language/LanguageTable.h"

namespace {
constexpr int kEnglishPrimary = 9;
constexpr int kEnglishSub = 1;
constexpr int kEnglishCodePage = 1252;
constexpr int kUtf8CodePage = 65001;
constexpr int kPrimaryLanguageBits = 10;
constexpr int kPrimaryLanguageMask = (1 << kPrimaryLanguageBits) - 1;
} // namespace

int CLanguage::GetFileEncoding(const QString& languageName)
{
    const QString lowered = languageName.toLower();
    if (lowered.contains(u"_utf-8"))
        return kEncodingUtf8;
    if (lowered.contains(u"_unicode"))
        return kEncodingUnicode;
    return kEncodingAnsi;
}

QString CLanguage::MatchableLanguageName(const QString& languageName)
{
    QString lowered = languageName.toLower();
    // The suffix is expected at the end; its length is removed without
    // checking that it is really there.
    switch (GetFileEncoding(languageName)) {
    case kEncodingUtf8:
        lowered.chop(6);
        break;
    case kEncodingUnicode:
        lowered.chop(8);
        break;
    default:
        break;
    }
    return lowered;
}

std::optional<ParsedLanguageName> CLanguage::ParseLanguageName(const QString& languageName)
{
    const int encoding = GetFileEncoding(languageName);
    const QString matchable = MatchableLanguageName(languageName);
    ParsedLanguageName parsed;
    if (matchable == u"english") {
        parsed.nPrimaryLanguage = kEnglishPrimary;
        parsed.nSubLanguage = kEnglishSub;
        parsed.nCodePage = encoding == kEncodingUtf8 ? kUtf8CodePage : kEnglishCodePage;
        parsed.strLocaleName = QStringLiteral("english");
        return parsed;
    }
    for (const LanguageTableRow& row : LanguageTable()) {
        const QString abbreviation = QString::fromUtf16(row.abbreviation).toLower();
        if (QString::fromUtf16(row.name).toLower() == matchable || abbreviation == matchable) {
            parsed.nPrimaryLanguage = row.languageId & kPrimaryLanguageMask;
            parsed.nSubLanguage = row.languageId >> kPrimaryLanguageBits;
            parsed.nCodePage = encoding == kEncodingUtf8 ? kUtf8CodePage : row.codePage;
            parsed.strLocaleName = abbreviation;
            return parsed;
        }
    }
    return std::nullopt;
}

QString CLanguage::Unescape(QString text)
{
    // All \t first, then all \n, then all \r. There is no escape for the
    // backslash itself: "\\t" leaves one backslash before the tab.
    static const struct
    {
        char16_t letter;
        char16_t replacement;
    } kEscapes[] = {{u't', u'\t'}, {u'n', u'\n'}, {u'r', u'\r'}};
    for (const auto& escape : kEscapes) {
        const QString sequence = QString(u'\\') + QChar(escape.letter);
        qsizetype at = text.indexOf(sequence);
        while (at >= 0) {
            text.replace(at, 2, QChar(escape.replacement));
            at = text.indexOf(sequence);
        }
    }
    return text;
}
