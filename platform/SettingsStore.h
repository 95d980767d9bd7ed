// The per-user settings store: values in named sections, each a 32-bit
// integer or a string. Section and value names match without regard to letter
// case. Integers are kept as unsigned 32-bit numbers and read back as signed,
// so a written -1 reads -1. Errors of the store are never reported: a read
// that cannot be served yields its default and a failed write is dropped.
#pragma once

#include <QString>

#include <memory>

class QSettings;

class SettingsStore
{
public:
    // The user's own store for a maker and application (on Linux
    // ~/.config/<maker>/<application>.conf; the registry key
    // Software\<maker>\<application> on Windows).
    SettingsStore(const QString& maker, const QString& application);
    // A store kept in one INI file: for tests and tools.
    explicit SettingsStore(const QString& iniFilePath);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    int GetProfileInt(const QString& section, const QString& name, int defaultValue) const;
    QString GetProfileString(const QString& section, const QString& name,
                             const QString& defaultValue) const;
    void WriteProfileInt(const QString& section, const QString& name, int value);
    void WriteProfileString(const QString& section, const QString& name, const QString& value);

    // Where the store lives (a file path on Linux).
    QString location() const;

private:
    // The stored spelling of a section and value name that match the asked
    // ones ignoring case; the asked spelling when there is none yet.
    QString ResolveKey(const QString& section, const QString& name) const;

    std::unique_ptr<QSettings> m_settings;
};
