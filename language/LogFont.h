// A logical-font record with the fields of the Windows LOGFONT, the form in
// which fonts are stored in the settings, and its conversion to and from QFont.
#pragma once

#include <QFont>
#include <QString>

#include <cstdint>

constexpr int kLogFontFaceNameMaxChars = 31; // 32 with the terminator

struct LogFont
{
    std::int32_t lfHeight = 0; // negative: character height in pixels
    std::int32_t lfWidth = 0;  // average character width; 0: the font's own
    std::int32_t lfEscapement = 0;
    std::int32_t lfOrientation = 0;
    std::int32_t lfWeight = 0; // 0 to 1000; 0: normal
    std::uint8_t lfItalic = 0;
    std::uint8_t lfUnderline = 0;
    std::uint8_t lfStrikeOut = 0;
    std::uint8_t lfCharSet = 0;
    std::uint8_t lfOutPrecision = 0;
    std::uint8_t lfClipPrecision = 0;
    std::uint8_t lfQuality = 0;
    std::uint8_t lfPitchAndFamily = 0;
    QString lfFaceName; // at most kLogFontFaceNameMaxChars

    // Sets the face name, cut to kLogFontFaceNameMaxChars characters.
    void SetFaceName(const QString& faceName);

    bool operator==(const LogFont&) const = default;
};

// Pixel heights beyond this are not fonts anyone can use for an interface or
// a caption; a stored value past it is refused rather than rendered.
constexpr int kLogFontMaxPixelHeight = 2000;

// True for the Windows interface faces ("MS Shell Dlg", "Microsoft Sans
// Serif", ...), which stand for the platform's sans-serif font here.
bool IsWindowsInterfaceFace(const QString& face);

// True when a font can be made from the record.
bool IsUsableLogFont(const LogFont& font);

// The QFont a record describes. Escapement and orientation have no QFont
// counterpart and are left to the code that draws.
QFont ToQFont(const LogFont& font);

// The record for a QFont, with a negative (character) height in pixels.
LogFont FromQFont(const QFont& font);
