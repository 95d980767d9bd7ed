// The language engine: which language files are installed, which language is
// current, and every text of the current language, looked up by identifier.
#pragma once

#include "language/LogFont.h"

#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>

class QMenu;
class SettingsStore;
class TemplateDialog;
class ProfileFile;
struct ProfileValue;

struct LanguageText
{
    int nID = 0;
    QString strText;
};

// How a language file's bytes are encoded, from its name.
enum LanguageEncoding : int
{
    kEncodingAnsi = 0,
    kEncodingUnicode = 1, // "_unicode": UTF-16LE with a byte-order mark
    kEncodingUtf8 = 2,    // "_utf-8"
};

// What a language name says once its encoding suffix is removed.
struct ParsedLanguageName
{
    int nPrimaryLanguage = 0;
    int nSubLanguage = 0;
    int nCodePage = 0;
    QString strLocaleName; // "english" or the row's abbreviation in small letters
};

class CLanguage
{
public:
    CLanguage();
    virtual ~CLanguage();
    CLanguage(const CLanguage&) = delete;
    CLanguage& operator=(const CLanguage&) = delete;

    // Lists the languages below the base folder and loads the named one.
    int Initialize(const QString& baseFolder, const QString& languageName);
    // Replaces every text, the identifiers, code page, locale and font.
    int LoadLanguage(const QString& languageName);
    // Runs after every language load, once the new language is in effect.
    void SetLoadObserver(std::function<void()> observer) { m_loadObserver = std::move(observer); }

    // A message text: the language's, else the built-in one, else empty.
    QString GetString(int id) const;
    // Menu and dialog texts: the language's or empty (keep what is shown).
    QString GetMenuText(int id) const;
    QString GetDialogText(int id) const;

    // Re-labels a dialog and its controls from the current language, with
    // the interface font; what the language has no text for stays as it is.
    int TranslateDialog(TemplateDialog& dialog, int dialogId);
    // Re-labels a menu and its submenus (submenus by pseudo-identifier).
    int TranslateMenu(QMenu* menu, int menuId, bool topLevel);
    // Caption of a menu's top-level item: field `position` of the menu's
    // text split at commas, or the whole text when there are fewer fields.
    QString GetMenuBarText(int menuId, int position) const;

    int GetLanguageCount() const;
    QString GetLanguageName(int index) const;
    QString GetCurrentLanguage() const;

    // The settings store that holds each language's interface font. Without
    // one, every font value takes its default.
    void SetSettingsStore(SettingsStore* store) { m_pSettings = store; }
    // A program without an interface (the command-line converter) makes no
    // interface font and says nothing about one; the record is still read.
    void SetHasInterface(bool hasInterface) { m_bHasInterface = hasInterface; }

    // The current interface font; null when it could not be made.
    const QFont* GetInterfaceFont() const { return m_font ? &*m_font : nullptr; }
    const LogFont& GetInterfaceLogFont() const { return m_lfInterface; }
    // Makes the interface font from a record (none when the record is not
    // usable); the font lasts until the next language load.
    void SetInterfaceFont(const LogFont& font);
    // Stores a font as the current language's interface font. Returns 1.
    int SaveInterfaceFont(const LogFont& font);
    // The platform language identifier of the current language.
    int GetLanguageId() const { return m_nPrimaryLanguage | (m_nSubLanguage << 10); }
    int GetCodePage() const { return m_nCodePage; }
    int GetEncoding() const { return m_nEncoding; }
    QString GetFilePath() const { return m_strFilePath; }
    QString GetBaseFolder() const { return m_strBaseFolder; }

    // Loading steps, public so they can be used and checked on their own.
    static int GetFileEncoding(const QString& languageName);
    // The lowered name with its suffix removed, as matched and as the warning
    // shows it.
    static QString MatchableLanguageName(const QString& languageName);
    static std::optional<ParsedLanguageName> ParseLanguageName(const QString& languageName);
    static QString Unescape(QString text);

    // Reads the interface font of a language from a settings store (defaults
    // where absent).
    static LogFont ReadInterfaceLogFont(const SettingsStore* store, const QString& section);

private:
    void EnumLanguages();
    void ReadLanguageFile(const QString& languageName);
    QString ReadValue(const ProfileFile& file, const QString& section, const QString& key,
                      bool nameMatched) const;
    QString DecodeText(const ProfileValue& value, bool nameMatched) const;
    int CreateInterfaceFont();
    void ApplyLocale(const QString& localeName);

    QString m_strLanguage;
    QStringList m_languages;
    QList<LanguageText> m_menuTexts;
    QList<LanguageText> m_stringTexts;
    QList<LanguageText> m_dialogTexts;
    QString m_strBaseFolder;
    int m_nCodePage;
    int m_nSubLanguage;
    int m_nPrimaryLanguage;
    QString m_strFilePath;
    int m_nEncoding;
    std::optional<QFont> m_font;

    LogFont m_lfInterface;
    std::uint32_t m_nPopupCounter = 0;
    SettingsStore* m_pSettings = nullptr;
    std::function<void()> m_loadObserver;
    bool m_bHasInterface = true;
};

extern CLanguage theLanguage;
