// Text written in a font's character set (the 8-bit records) as UTF-16.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace metafile {

// LOGFONT charsets.
inline constexpr std::uint8_t ANSI_CHARSET = 0, DEFAULT_CHARSET = 1, SYMBOL_CHARSET = 2,
                              MAC_CHARSET = 77, SHIFTJIS_CHARSET = 128, HANGUL_CHARSET = 129,
                              JOHAB_CHARSET = 130, GB2312_CHARSET = 134, CHINESEBIG5_CHARSET = 136,
                              GREEK_CHARSET = 161, TURKISH_CHARSET = 162, VIETNAMESE_CHARSET = 163,
                              HEBREW_CHARSET = 177, ARABIC_CHARSET = 178, BALTIC_CHARSET = 186,
                              RUSSIAN_CHARSET = 204, THAI_CHARSET = 222, EASTEUROPE_CHARSET = 238,
                              OEM_CHARSET = 255;

// The Windows code page of a charset; DEFAULT_CHARSET is taken as 1252, the
// code page of the systems most files come from. 0 for SYMBOL_CHARSET, whose
// bytes are the font's own code points.
int CodePageOfCharSet(std::uint8_t charSet) noexcept;

// Decodes bytes of the charset. charStarts, when given, receives for each
// UTF-16 unit of the result the index of the byte its character starts at
// (so that per-byte spacing can be summed per character). A byte sequence
// that forms no character becomes U+FFFD; nothing is ever read past bytes.
std::u16string DecodeCharSetText(std::span<const std::uint8_t> bytes, std::uint8_t charSet,
                                 std::vector<std::size_t>* charStarts = nullptr);

// The text as DecodeCharSetText gives it, and its spacing, given a value
// per byte (x and y pairs when pairs), summed per character: a double-byte
// character's spacing goes on its first UTF-16 unit. dx is left empty when
// byteDx is empty or shorter than the bytes need.
void DecodeCharSetSpacing(std::span<const std::uint8_t> bytes, std::uint8_t charSet,
                          std::span<const std::int32_t> byteDx, bool pairs, std::u16string& text,
                          std::vector<std::int32_t>& dx);

} // namespace metafile
