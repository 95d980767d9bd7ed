#include "language/CLanguage.h"

#include "language/LanguageKeys.h"
#include "language/LanguageTable.h"
#include "language/LogFontSettings.h"
#include "platform/CodePage.h"
#include "platform/FileHelpers.h"
#include "platform/ProfileReader.h"
#include "platform/SettingsStore.h"
#include "platform/UiServices.h"
#include "resources/StringTable.h"
#include "resources/resource.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>

#include <algorithm>
#include <clocale>

CLanguage theLanguage;

namespace {

const QString kLanguageFolder = QStringLiteral("language");
const QString kLanguageExtension = QStringLiteral(".ini");

QString LookupText(const QList<LanguageText>& texts, int id)
{
    for (const LanguageText& text : texts) {
        if (text.nID == id)
            return text.strText;
    }
    return QString();
}

QString JoinPath(const QString& folder, const QString& name)
{
    return folder + QDir::separator() + name;
}

// The locale of a platform language identifier: the one its own row names,
// when this system knows exactly that language, script and territory;
// otherwise none.
std::optional<QLocale> LocaleForLanguageId(int languageId)
{
    const LanguageTableRow* row = FindLanguageRow(languageId);
    if (!row)
        return std::nullopt;
    const QString tag = QString::fromLatin1(row->localeTag);
    const QStringList parts = tag.split(u'-');
    const QLocale::Language language = QLocale::codeToLanguage(parts.front());
    if (language == QLocale::AnyLanguage)
        return std::nullopt;
    QLocale::Script script = QLocale::AnyScript;
    QLocale::Territory territory = QLocale::AnyTerritory;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        if (parts[i].size() == 4) {
            script = QLocale::codeToScript(parts[i]);
            if (script == QLocale::AnyScript)
                return std::nullopt;
        } else {
            territory = QLocale::codeToTerritory(parts[i]);
            if (territory == QLocale::AnyTerritory)
                return std::nullopt; // e.g. "029", the Caribbean
        }
    }
    const QLocale locale(language, script, territory);
    // Qt falls back to another locale for what it does not know: that would
    // be some other row's locale.
    if (locale.language() != language ||
        (script != QLocale::AnyScript && locale.script() != script) ||
        (territory != QLocale::AnyTerritory && locale.territory() != territory))
        return std::nullopt;
    return locale;
}

// The values the engine reads: every key of the key table in its section,
// except the popup menu's own key, which is never read.
const QList<ProfileKey>& WantedKeys()
{
    static const QList<ProfileKey> keys = [] {
        QList<ProfileKey> list;
        for (const LanguageKey& key : LanguageKeys()) {
            const LanguageSection section = SectionOfKey(key.name);
            if (key.id == IDR_MENU_LANGUAGE_POPUP && section == LanguageSection::Menu)
                continue;
            list.append({QString::fromUtf16(SectionName(section)), QString::fromUtf16(key.name)});
        }
        return list;
    }();
    return keys;
}

} // namespace

CLanguage::CLanguage()
    : m_strLanguage(QStringLiteral("english")), m_nCodePage(1252), m_nSubLanguage(1),
      m_nPrimaryLanguage(9), m_nEncoding(kEncodingAnsi)
{
}

CLanguage::~CLanguage() = default;

int CLanguage::Initialize(const QString& baseFolder, const QString& languageName)
{
    m_strBaseFolder = baseFolder;
    m_languages.clear();
    EnumLanguages();
    return LoadLanguage(languageName);
}

void CLanguage::EnumLanguages()
{
    QDir folder(JoinPath(m_strBaseFolder, kLanguageFolder));
    // Only readable regular files are languages: a folder, pipe or device
    // named like a language file (or a link to one) is never offered, so
    // choosing it can neither block nor read a device.
    const QStringList entries =
        folder.entryList({QStringLiteral("*") + kLanguageExtension},
                         QDir::Files | QDir::Readable | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        const QString name = entry.left(entry.size() - kLanguageExtension.size());
        if (!name.isEmpty() && QFileInfo(folder.filePath(entry)).isFile())
            m_languages.append(name);
    }
    // Plain UTF-16 code-unit order, capitals before small letters.
    std::sort(m_languages.begin(), m_languages.end());
}

int CLanguage::LoadLanguage(const QString& languageName)
{
    m_menuTexts.clear();
    m_stringTexts.clear();
    m_dialogTexts.clear();
    m_strLanguage = QStringLiteral("english");
    for (const QString& installed : m_languages) {
        if (installed.compare(languageName, Qt::CaseInsensitive) == 0) {
            m_strLanguage = languageName;
            break;
        }
    }
    ReadLanguageFile(languageName);
    if (m_loadObserver)
        m_loadObserver();
    return 1;
}

void CLanguage::ReadLanguageFile(const QString& languageName)
{
    m_nEncoding = GetFileEncoding(languageName);
    QString localeName;
    const std::optional<ParsedLanguageName> parsed = ParseLanguageName(languageName);
    if (parsed) {
        m_nPrimaryLanguage = parsed->nPrimaryLanguage;
        m_nSubLanguage = parsed->nSubLanguage;
        m_nCodePage = parsed->nCodePage;
        localeName = parsed->strLocaleName;
    } else {
        ShowMessage(nullptr,
                    QStringLiteral("Your language file name may be not proper,\n please read the "
                                   "help file!"),
                    MatchableLanguageName(languageName));
    }

    const QString folder = JoinPath(m_strBaseFolder, kLanguageFolder);
    const QString fileName = languageName + kLanguageExtension;
    m_strFilePath = JoinPath(folder, fileName);

    // A name is a file name inside the language folder, never a path. Only
    // the keys read below are kept from the file.
    ProfileFile file(WantedKeys());
    const bool isPlainName = !languageName.contains(u'/') && !languageName.contains(u'\\');
    const QString path = isPlainName ? FindFileIgnoringCase(folder, fileName) : QString();
    if (!path.isEmpty() && file.load(path) == ProfileFile::Status::TooLarge) {
        ShowMessage(nullptr,
                    QStringLiteral("The language file is too large to be a language file and was "
                                   "not read:\n%1")
                        .arg(path),
                    QStringLiteral("Error"));
    }

    for (const LanguageKey& key : LanguageKeys()) {
        const LanguageSection section = SectionOfKey(key.name);
        QString text;
        if (key.id == IDR_MENU_LANGUAGE_POPUP && section == LanguageSection::Menu)
            text = QStringLiteral("PopupMenu1"); // captions the never-shown top item
        else
            text = ReadValue(file, QString::fromUtf16(SectionName(section)),
                             QString::fromUtf16(key.name), parsed.has_value());
        const LanguageText pair{key.id, text};
        switch (section) {
        case LanguageSection::String:
            m_stringTexts.append(pair);
            break;
        case LanguageSection::Menu:
            m_menuTexts.append(pair);
            break;
        case LanguageSection::Dialog:
            m_dialogTexts.append(pair);
            break;
        }
    }

    ApplyLocale(localeName);
    CreateInterfaceFont();
}

QString CLanguage::ReadValue(const ProfileFile& file, const QString& section, const QString& key,
                             bool nameMatched) const
{
    const ProfileValue value = file.value(section, key);
    if (!value.found)
        return QString();
    // Escapes are replaced in the decoded text, so that a trail byte of a
    // double-byte character that happens to be a backslash is never taken
    // for the start of an escape.
    return Unescape(DecodeText(value, nameMatched));
}

QString CLanguage::DecodeText(const ProfileValue& value, bool nameMatched) const
{
    // UTF-16 files are text already. Bytes are decoded with the language's
    // code page; when the name matched no language, or the name promised
    // UTF-16 and the file is not, they are taken as the system's text.
    if (value.isText)
        return value.decoded(kSystemCodePage);
    const bool useLanguageCodePage =
        nameMatched && m_nEncoding != kEncodingUnicode && IsSupportedCodePage(m_nCodePage);
    return value.decoded(useLanguageCodePage ? m_nCodePage : kSystemCodePage);
}

void CLanguage::ApplyLocale(const QString& localeName)
{
    // The language decides how texts read, never how numbers are read or
    // written: the C library keeps the "C" numeric rules, and the program
    // formats and parses numbers without the locale.
    // A language without a locale of its own here takes the system's, never
    // the one of the language before.
    std::optional<QLocale> locale;
    if (!localeName.isEmpty())
        locale = LocaleForLanguageId(GetLanguageId());
    QLocale::setDefault(locale ? *locale : QLocale::system());
    std::setlocale(LC_NUMERIC, "C");
}

QString CLanguage::GetString(int id) const
{
    const QString text = LookupText(m_stringTexts, id);
    if (!text.isEmpty())
        return text;
    return LoadBuiltinString(id);
}

QString CLanguage::GetMenuText(int id) const
{
    return LookupText(m_menuTexts, id);
}

QString CLanguage::GetDialogText(int id) const
{
    return LookupText(m_dialogTexts, id);
}

int CLanguage::GetLanguageCount() const
{
    return int(m_languages.size());
}

QString CLanguage::GetLanguageName(int index) const
{
    if (index < 0 || index >= m_languages.size())
        return QString();
    return m_languages.at(index);
}

QString CLanguage::GetCurrentLanguage() const
{
    return m_strLanguage;
}

LogFont CLanguage::ReadInterfaceLogFont(const SettingsStore* store, const QString& section)
{
    LogFont defaults;
    defaults.lfHeight = -11;
    defaults.lfWeight = 400;
    defaults.lfFaceName = QStringLiteral("Microsoft Sans Serif");
    return ReadLogFont(store, section, defaults);
}

void CLanguage::SetInterfaceFont(const LogFont& font)
{
    m_lfInterface = font;
    m_font.reset();
    if (IsUsableLogFont(font))
        m_font = ToQFont(font);
}

int CLanguage::SaveInterfaceFont(const LogFont& font)
{
    if (m_pSettings)
        WriteLogFont(*m_pSettings, m_strLanguage, font);
    return 1;
}

int CLanguage::CreateInterfaceFont()
{
    m_lfInterface = ReadInterfaceLogFont(m_pSettings, m_strLanguage);
    m_font.reset();
    // A program without a window (the command-line converter) has no
    // interface to draw and no font to make.
    if (!m_bHasInterface || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return 1;
    SetInterfaceFont(m_lfInterface);
    if (!m_font) {
        ShowMessage(nullptr, QStringLiteral("Failed to create font"), QStringLiteral("Error"));
        return 0;
    }
    return 1;
}
