#include "language/LogFontSettings.h"

#include "platform/SettingsStore.h"

LogFont ReadLogFont(const SettingsStore* store, const QString& section, const LogFont& defaults)
{
    if (!store)
        return defaults;
    const auto readInt = [&](const char16_t* name, int defaultValue) {
        return store->GetProfileInt(section, QString::fromUtf16(name), defaultValue);
    };
    const auto readByte = [&](const char16_t* name, std::uint8_t defaultValue) {
        return std::uint8_t(readInt(name, defaultValue) & 0xFF);
    };
    LogFont font = defaults;
    font.lfHeight = readInt(u"lfHeight", defaults.lfHeight);
    font.lfWidth = readInt(u"lfWidth", defaults.lfWidth);
    font.lfEscapement = readInt(u"lfEscapement", defaults.lfEscapement);
    font.lfOrientation = readInt(u"lfOrientation", defaults.lfOrientation);
    font.lfWeight = readInt(u"lfWeight", defaults.lfWeight);
    font.lfItalic = readByte(u"lfItalic", defaults.lfItalic);
    font.lfUnderline = readByte(u"lfUnderline", defaults.lfUnderline);
    font.lfStrikeOut = readByte(u"lfStrikeOut", defaults.lfStrikeOut);
    font.lfCharSet = readByte(u"lfCharSet", defaults.lfCharSet);
    font.lfOutPrecision = readByte(u"lfOutPrecision", defaults.lfOutPrecision);
    font.lfClipPrecision = readByte(u"lfClipPrecision", defaults.lfClipPrecision);
    font.lfPitchAndFamily = readByte(u"lfPitchAndFamily", defaults.lfPitchAndFamily);
    font.SetFaceName(
        store->GetProfileString(section, QStringLiteral("lfFaceName"), defaults.lfFaceName));
    return font;
}

void WriteLogFont(SettingsStore& store, const QString& section, const LogFont& font)
{
    const auto writeInt = [&](const char16_t* name, int value) {
        store.WriteProfileInt(section, QString::fromUtf16(name), value);
    };
    writeInt(u"lfHeight", font.lfHeight);
    writeInt(u"lfWidth", font.lfWidth);
    writeInt(u"lfEscapement", font.lfEscapement);
    writeInt(u"lfOrientation", font.lfOrientation);
    writeInt(u"lfWeight", font.lfWeight);
    writeInt(u"lfItalic", font.lfItalic);
    writeInt(u"lfUnderline", font.lfUnderline);
    writeInt(u"lfStrikeOut", font.lfStrikeOut);
    writeInt(u"lfCharSet", font.lfCharSet);
    writeInt(u"lfOutPrecision", font.lfOutPrecision);
    writeInt(u"lfClipPrecision", font.lfClipPrecision);
    writeInt(u"lfPitchAndFamily", font.lfPitchAndFamily);
    store.WriteProfileString(section, QStringLiteral("lfFaceName"), font.lfFaceName);
}
