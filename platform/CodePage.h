// Conversions between Windows code pages and text.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The code page that stands for "the system's ANSI code page".
constexpr int kSystemCodePage = 0;
constexpr int kUtf8CodePage = 65001;

// The ICU name of a Windows code page, or null when it is not supported.
// Code page 0 has no fixed name: it is the system's.
const char* CodePageName(int codePage);

// True when bytes of this code page can be decoded here.
bool IsSupportedCodePage(int codePage);

// Decodes bytes written in a Windows code page (874, 1250 to 1258, 932, 936,
// 949, 950, 65001; 0 for the system's). Bytes that do not form a character,
// also a character cut off at the end, become U+FFFD; control bytes stand for
// themselves in every code page. An unsupported code page yields nothing.
std::optional<QString> DecodeCodePage(const QByteArray& bytes, int codePage);

// Encodes text with the system's code page (the locale's charset, UTF-8 on
// the platforms we run on).
QByteArray EncodeSystemCodePage(const QString& text);
