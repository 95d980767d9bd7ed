#include "platform/SettingsStore.h"

#include <QSettings>
#include <QStringList>

#include <cstdint>

SettingsStore::SettingsStore(const QString& maker, const QString& application)
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, maker,
                                             application))
{
}

SettingsStore::SettingsStore(const QString& iniFilePath)
    : m_settings(std::make_unique<QSettings>(iniFilePath, QSettings::IniFormat))
{
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::location() const
{
    return m_settings->fileName();
}

static QString FindIgnoringCase(const QStringList& names, const QString& wanted)
{
    for (const QString& name : names) {
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return name;
    }
    return wanted;
}

QString SettingsStore::ResolveKey(const QString& section, const QString& name) const
{
    const QString group = FindIgnoringCase(m_settings->childGroups(), section);
    m_settings->beginGroup(group);
    const QString key = FindIgnoringCase(m_settings->childKeys(), name);
    m_settings->endGroup();
    return group + u'/' + key;
}

int SettingsStore::GetProfileInt(const QString& section, const QString& name,
                                 int defaultValue) const
{
    const QVariant value = m_settings->value(ResolveKey(section, name));
    if (!value.isValid())
        return defaultValue;
    bool ok = false;
    const qlonglong number = value.toString().trimmed().toLongLong(&ok);
    if (!ok)
        return defaultValue;
    // The store keeps 32 bits; the reader sees them as a signed number.
    return int(std::int32_t(std::uint32_t(std::uint64_t(number))));
}

QString SettingsStore::GetProfileString(const QString& section, const QString& name,
                                        const QString& defaultValue) const
{
    const QVariant value = m_settings->value(ResolveKey(section, name));
    if (!value.isValid())
        return defaultValue;
    // A hand-edited INI value with commas comes back as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(u", ");
    return value.toString();
}

void SettingsStore::WriteProfileInt(const QString& section, const QString& name, int value)
{
    m_settings->setValue(ResolveKey(section, name), quint32(value));
    m_settings->sync();
}

void SettingsStore::WriteProfileString(const QString& section, const QString& name,
                                       const QString& value)
{
    m_settings->setValue(ResolveKey(section, name), value);
    m_settings->sync();
}
